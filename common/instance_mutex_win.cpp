// The instance mutex on Windows. The handle is never closed: the mutex lives until the
// process ends, and with it the refusal of a second copy.
#include <windows.h>

#include "instance_mutex.h"

namespace {

bool MutexExists(void*, const char* name) {
  HANDLE existing = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name);
  if (existing == nullptr) return false;
  CloseHandle(existing);
  return true;
}

MutexCreation CreateInstanceMutex(void*, const char* name) {
  HANDLE created = CreateMutexA(nullptr, FALSE, name);
  DWORD error = GetLastError();
  // Another copy made it first (access denied: made by a copy under another account).
  if (created != nullptr && error == ERROR_ALREADY_EXISTS) {
    CloseHandle(created);
    return MutexCreation::kAlreadyExists;
  }
  if (created == nullptr) {
    return error == ERROR_ACCESS_DENIED ? MutexCreation::kAlreadyExists
                                        : MutexCreation::kFailed;
  }
  return MutexCreation::kCreated;
}

void TellUser(void*, const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK);
}

}  // namespace

InstanceMutexHost Win32InstanceMutexHost() {
  return InstanceMutexHost{MutexExists, CreateInstanceMutex, TellUser, nullptr};
}
