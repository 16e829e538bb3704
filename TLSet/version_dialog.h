// The version dialog (resource 107): who makes Tarvilo, and a logo button that opens the
// home page, or the quick guide when the build names no home page.
#pragma once

#include <windows.h>

void ShowVersionDialog(HINSTANCE instance, HWND owner);
