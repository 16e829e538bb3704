// The version dialog (resource 107): who makes Tarvilo, and a logo button that opens the
// home page.
#pragma once

#include <windows.h>

void ShowVersionDialog(HINSTANCE instance, HWND owner);
