// The single-instance check both programs make at start: a named mutex that lives as long
// as the process. Over a small host, so the rule runs natively with a fake.
#pragma once

enum class MutexCreation { kCreated, kAlreadyExists, kFailed };

// The Win32 host is Win32InstanceMutexHost in common/instance_mutex_win.cpp.
struct InstanceMutexHost {
  // True when a mutex of that name exists already (another copy holds it).
  bool (*exists)(void* context, const char* name);
  // Creates the mutex and keeps it until the process ends.
  MutexCreation (*create)(void* context, const char* name);
  // A modal message box without owner, OK only.
  void (*tellUser)(void* context, const char* text, const char* caption);
  void* context;
};

// True when this process may go on; otherwise the user has been told that the program is
// already running (caption: the program's title).
bool TakeInstanceMutex(const InstanceMutexHost& host, const char* name, const char* caption);

// The host over OpenMutexA and CreateMutexA (Windows builds only).
InstanceMutexHost Win32InstanceMutexHost();
