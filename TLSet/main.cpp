// TLSet's entry point: keeps a second editor from starting, creates the main window (which
// opens the document) and runs the message loop with the four shortcuts and the keys of a
// window of controls until the window is gone.
#include <windows.h>
#include <objbase.h>

#include "editor_state.h"
#include "instance_mutex.h"
#include "resource.h"
#include "text_encoding.h"

namespace {

const char kMutexName[] = "Setting'sTarvilo";
const char kEditorCaption[] = "Setting's Tarvilo";

int RunMessageLoop(HWND window, HACCEL shortcuts) {
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorA(window, shortcuts, &message)) continue;
    if (PassMainWindowKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

int RunEditor(HINSTANCE instance) {
  // Held until the process ends: while it exists no second editor starts.
  if (!TakeInstanceMutex(Win32InstanceMutexHost(), kMutexName, kEditorCaption)) return 0;
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

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The test run and the logo open files through the shell, which carries out some verbs
  // through COM objects: they need this thread in a single-threaded apartment, with OLE1
  // DDE off, as the shell asks.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  // A schedule saved as UTF-8 (Notepad's default) is read as its code page 932 text.
  SetScheduleTextConversion(Win32TextConversion());
  int exitCode = RunEditor(instance);
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
