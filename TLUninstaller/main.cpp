// TLUninstaller: removes the .tlf association after asking, and puts back the startup
// entries the editor switched off. No window and no message loop; the only file access is a
// look whether those entries' files are still there. The process always ends with exit
// code 1.
#include <windows.h>

#include "association.h"

namespace {

bool AskYes(const char* text, const char* caption) {
  return MessageBoxA(nullptr, text, caption, MB_YESNO) == IDYES;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RunRemoverSequence(Win32RegistryHost(), Win32StartupFolderHost(), AskYes);
  return 1;
}
