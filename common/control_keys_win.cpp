// The Tab order, Enter on a button and the kept focus of a main window's controls; the
// order itself is walked by NextFocusSlot.
#include "control_keys_win.h"

#include "focus_cycle.h"

namespace {

constexpr int kMaxControls = 16;

bool KeyHeld(int virtualKey) { return GetKeyState(virtualKey) < 0; }

int SlotOf(const ControlFocus& focus, HWND control) {
  for (int slot = 0; slot < focus.count; ++slot) {
    if (control != nullptr && focus.controls[slot] == control) return slot;
  }
  return -1;
}

// A greyed-out or hidden control is passed over, as in a dialog.
bool CanTakeFocus(HWND control) {
  return control != nullptr && IsWindowVisible(control) && IsWindowEnabled(control);
}

void FocusControl(ControlFocus& focus, HWND control) {
  SetFocus(control);
  focus.lastFocused = control;
}

void MoveFocus(ControlFocus& focus, int current, bool backwards) {
  bool canFocus[kMaxControls] = {};
  int count = focus.count < kMaxControls ? focus.count : kMaxControls;
  for (int slot = 0; slot < count; ++slot) canFocus[slot] = CanTakeFocus(focus.controls[slot]);
  int next = NextFocusSlot(canFocus, count, current, backwards);
  if (next >= 0) FocusControl(focus, focus.controls[next]);
}

bool IsPushButton(HWND control) {
  LRESULT code = SendMessageA(control, WM_GETDLGCODE, 0, 0);
  return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

bool PassControlKey(ControlFocus& focus, const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  if (message.hwnd != focus.window && !IsChild(focus.window, message.hwnd)) return false;
  if (KeyHeld(VK_CONTROL) || KeyHeld(VK_MENU)) return false;
  int current = SlotOf(focus, message.hwnd);
  if (current >= 0) focus.lastFocused = message.hwnd;
  if (message.wParam == VK_TAB) {
    MoveFocus(focus, current, KeyHeld(VK_SHIFT));
    // Windows hides the focus rectangle until the keyboard is used, as a dialog does.
    SendMessageA(focus.window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    return true;
  }
  // What the button itself sends for a click, so Enter runs the same command.
  if (message.wParam == VK_RETURN && current >= 0 && !KeyHeld(VK_SHIFT) &&
      IsPushButton(message.hwnd)) {
    SendMessageA(focus.window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(message.hwnd), BN_CLICKED),
                 reinterpret_cast<LPARAM>(message.hwnd));
    return true;
  }
  return false;
}

void SaveControlFocus(ControlFocus& focus) {
  // Opening a modal dialog may already have taken the focus away; the last control seen
  // with it stays then.
  int slot = SlotOf(focus, GetFocus());
  if (slot >= 0) focus.lastFocused = focus.controls[slot];
}

void RestoreControlFocus(ControlFocus& focus) {
  int slot = SlotOf(focus, focus.lastFocused);
  if (slot >= 0 && CanTakeFocus(focus.lastFocused)) {
    SetFocus(focus.lastFocused);
  } else {
    MoveFocus(focus, -1, false);
  }
}
