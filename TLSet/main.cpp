// TLSet's entry point: keeps a second editor from starting, creates the main window (which
// opens the document) and runs the message loop with the four shortcuts until the window
// is gone.
#include <windows.h>

#include "editor_state.h"
#include "resource.h"

namespace {

const char kMutexName[] = "Setting'sTarvilo";
const char kSecondInstanceText[] = "このアプリケーションは多重起動することはできません。";
const char kEditorCaption[] = "Setting's Tarvilo";

// Takes the instance mutex, or tells the user another editor runs. The mutex is created
// even when it was just found missing: two editors started at the same moment both miss
// it, and only the one that really created it may go on.
bool TakeInstanceMutex() {
  HANDLE existing = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kMutexName);
  if (existing == nullptr) {
    // Kept open until the process ends: while it exists no second editor starts.
    HANDLE created = CreateMutexA(nullptr, FALSE, kMutexName);
    if (created != nullptr && GetLastError() != ERROR_ALREADY_EXISTS) return true;
    existing = created;
  }
  MessageBoxA(nullptr, kSecondInstanceText, kEditorCaption, MB_OK);
  if (existing != nullptr) CloseHandle(existing);
  return false;
}

int RunMessageLoop(HWND window, HACCEL shortcuts) {
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorA(window, shortcuts, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!TakeInstanceMutex()) return 0;
  editorState.instance = instance;

  int exitCode = 0;
  // Without a window there is nothing to wait for: the editor ends at once.
  if (editorState.mainWindow.create(instance)) {
    HACCEL shortcuts = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    exitCode = RunMessageLoop(editorState.mainWindow.handle, shortcuts);
  }
  FreeDocument(editorState.document);
  return exitCode;
}
