// The registry as the association, the logon Run value and the remover see it: a small
// host of Win32-like calls, so every rule over it runs natively with an in-memory registry.
#pragma once

#include <cstdint>

// An open registry key as the host hands it out; the value means nothing to this code.
using RegKey = std::uintptr_t;
constexpr RegKey kNoKey = 0;                  // never a valid open key
constexpr RegKey kClassesRoot = 0x80000000u;  // HKEY_CLASSES_ROOT
// HKEY_CURRENT_USER\Software\Classes: the user's own classes, which the shell merges into
// HKEY_CLASSES_ROOT for that user and which an account without administrator rights may
// write.
constexpr RegKey kUserClassesRoot = 0x80000001u;
// HKEY_CURRENT_USER itself, for the logon Run value; a token the host maps, like the others.
constexpr RegKey kCurrentUserRoot = 0x80000011u;

// The platform's registry as the routines over it see it. Results are 0 on success, like
// Win32. Every key is created or opened with full access, one level at a time. A parent is
// an open key or one of the roots.
struct RegistryHost {
  // Creates or opens parent\name; on failure *key is kNoKey.
  int32_t (*createKey)(void* context, RegKey parent, const char* name, RegKey* key);
  // Writes the key's default value as REG_SZ; byteCount includes the terminating zero.
  int32_t (*setDefaultValue)(void* context, RegKey key, const char* text, uint32_t byteCount);
  // Opens an existing parent\name; on failure *key is kNoKey.
  int32_t (*openKey)(void* context, RegKey parent, const char* name, RegKey* key);
  // Deletes parent\name when it has no subkeys.
  int32_t (*deleteKey)(void* context, RegKey parent, const char* name);
  void (*closeKey)(void* context, RegKey key);
  // False only when the registry says parent\name does not exist (an existing key that
  // cannot be read still counts as there). name may span levels ("a\b").
  bool (*keyExists)(void* context, RegKey parent, const char* name);
  // Reads the REG_SZ default value of root\path (names joined by backslashes) into text
  // (capacity bytes); a value that is missing, of another type or too long is a failure,
  // too long (234, more data) when the value and its terminating zero do not fit.
  int32_t (*readDefaultValue)(void* context, RegKey root, const char* path, char* text,
                              uint32_t capacity);
  // Named REG_SZ values of root\path, with the same rules as the default value's. setValue
  // creates the key when it is missing; a missing value reads and deletes as 2 (not found).
  int32_t (*readValue)(void* context, RegKey root, const char* path, const char* name,
                       char* text, uint32_t capacity);
  int32_t (*setValue)(void* context, RegKey root, const char* path, const char* name,
                      const char* text, uint32_t byteCount);
  int32_t (*deleteValue)(void* context, RegKey root, const char* path, const char* name);
  // A modal message box without owner, OK button only.
  void (*showMessage)(void* context, const char* text, const char* caption);
  // Tells the shell that associations changed, so icons and verbs are refreshed.
  void (*notifyShell)(void* context);
  void* context;
};

// The host over ADVAPI32, USER32 and SHELL32 (Windows builds only).
RegistryHost Win32RegistryHost();
