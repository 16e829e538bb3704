// Text conversions the Windows sides share.
#pragma once

#include <windows.h>

// wideLength UTF-16 units of wide into the ANSI code page, NUL-terminated in a kTextSize
// buffer, without best-fit stand-ins (a lookalike would name another value or file): a
// character with no form there sets *foreign. False when the text does not fit.
bool WideToAnsi(const wchar_t* wide, int wideLength, char* text, bool* foreign);
