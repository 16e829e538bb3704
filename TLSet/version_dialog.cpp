// The version dialog. Its logo is a bitmap push button whose window procedure is replaced:
// the pointer becomes a hand over it, and the home page (or, in a build without one, the
// quick guide beside the editor) opens when the left button is released on it (the button
// holds the capture, so also when the release comes outside). The button's own click
// notification opens nothing, so the space bar does not either.
#include "version_dialog.h"

#include <shellapi.h>

#include "editor_ui.h"
#include "resource.h"
#include "text.h"
#include "version_info.h"

namespace {

// The dialog is modal: one set of values serves every opening.
struct VersionDialogState {
  HBITMAP logo = nullptr;
  HWND linkButton = nullptr;
  WNDPROC buttonProc = nullptr;
};

VersionDialogState versionDialog;

bool IsFile(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The shell reports nothing here and neither does the dialog: a page or guide that cannot
// be opened leaves the dialog as it is.
void OpenLogoTarget() {
  char editorPath[kTextSize];
  // A path that fills the buffer may have been cut; it then finds no guide.
  DWORD length = GetModuleFileNameA(nullptr, editorPath, sizeof editorPath);
  if (length == 0 || length >= sizeof editorPath) editorPath[0] = '\0';
  char target[kTextSize];
  if (!ChooseLogoTarget(TARVILO_HOME_PAGE, editorPath, IsFile, target)) return;
  ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

LRESULT CALLBACK LinkButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETCURSOR) {
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
    return TRUE;
  }
  if (message == WM_LBUTTONUP) OpenLogoTarget();
  return CallWindowProcA(versionDialog.buttonProc, button, message, wParam, lParam);
}

void OnInitDialog(HWND dialog) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
  versionDialog.logo = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_LOGO));
  versionDialog.linkButton = GetDlgItem(dialog, IDC_HOME_PAGE_LINK);
  SendMessageA(versionDialog.linkButton, BM_SETIMAGE, IMAGE_BITMAP,
               reinterpret_cast<LPARAM>(versionDialog.logo));
  versionDialog.buttonProc =
      reinterpret_cast<WNDPROC>(GetWindowLongPtrA(versionDialog.linkButton, GWLP_WNDPROC));
  SetWindowLongPtrA(versionDialog.linkButton, GWLP_WNDPROC,
                    reinterpret_cast<LONG_PTR>(LinkButtonProc));
}

// OK, Enter and the close box end the dialog; the bitmap goes with it.
void EndVersionDialog(HWND dialog) {
  if (versionDialog.logo != nullptr) DeleteObject(versionDialog.logo);
  versionDialog.logo = nullptr;
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK VersionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      break;
    case WM_COMMAND:
      // Esc (IDCANCEL) closes it too, as in any other message-like box.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndVersionDialog(dialog);
      break;
    case WM_CLOSE:
      EndVersionDialog(dialog);
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

void ShowVersionDialog(HINSTANCE instance, HWND owner) {
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_VERSION), owner, VersionDialogProc, 0);
}
