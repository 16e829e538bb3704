// TLUninstaller: removes the .tlf association after asking. No window, no message loop and
// no file access; the process always ends with exit code 1.
#include <windows.h>

#include "association.h"

namespace {

bool AskYes(const char* text, const char* caption) {
  return MessageBoxA(nullptr, text, caption, MB_YESNO) == IDYES;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RunRemoverSequence(Win32RegistryHost(), AskYes);
  return 1;
}
