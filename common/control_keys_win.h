// The keys a window of controls answers, for the programs' main windows, which are no
// dialogs: Tab and Shift+Tab move the focus through the controls in their order, Enter
// presses a focused push button, and the focus goes back to the control that last had it
// when the window gets the focus again.
#pragma once

#include <windows.h>

// A window's controls in Tab order, and the one that last held the focus.
struct ControlFocus {
  HWND window = nullptr;
  const HWND* controls = nullptr;
  int count = 0;
  HWND lastFocused = nullptr;
};

// A key message for the window or one of its controls, before it is translated: true when
// it was Tab, Shift+Tab or Enter on a push button and has been handled here.
bool PassControlKey(ControlFocus& focus, const MSG& message);
// WM_ACTIVATE going inactive: the focused control is the one to come back to.
void SaveControlFocus(ControlFocus& focus);
// WM_SETFOCUS on the window: the focus goes on to that control, or to the first one that
// can take it.
void RestoreControlFocus(ControlFocus& focus);
