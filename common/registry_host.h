// The registry as the association, the logon Run value, the startup import and the remover
// see it: a small host of Win32-like calls, so every rule over it runs natively with an
// in-memory registry.
#pragma once

#include <cstdint>

#include "text.h"

constexpr uint32_t kRegString = 1;        // REG_SZ
constexpr uint32_t kRegExpandString = 2;  // REG_EXPAND_SZ
constexpr uint32_t kRegBinary = 3;        // REG_BINARY
constexpr int32_t kRegNoMoreItems = 259;  // ERROR_NO_MORE_ITEMS

// One named value as an enumeration finds it. The wide registry functions read it, so a
// name or text with characters the ANSI code page lacks is reported, not read as '?'.
struct RegValueInfo {
  char name[kTextSize] = "";
  uint32_t type = 0;
  char text[kTextSize] = "";  // a string value's text in the ANSI code page
  bool cut = false;           // the name or the text did not fit 259 bytes
  bool foreign = false;       // the name or the text has characters without an ANSI form
};

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
// The Win32 host is Win32RegistryHost in common/registry_win.cpp, where each member is the
// function of the same name in UpperCamelCase (createKey: CreateKey).
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
  // Any named value of root\path: its type and up to capacity bytes of its data, their
  // count in *size; 2 when it is missing, 234 (more data) when it does not fit.
  int32_t (*queryValue)(void* context, RegKey root, const char* path, const char* name,
                        uint32_t* type, uint8_t* data, uint32_t capacity, uint32_t* size);
  // Writes a REG_BINARY value, creating the key when it is missing.
  int32_t (*setBinaryValue)(void* context, RegKey root, const char* path, const char* name,
                            const uint8_t* data, uint32_t size);
  // The index-th named value of root\path (0, 1, ...); kRegNoMoreItems after the last, 2
  // when the key is missing.
  int32_t (*enumValue)(void* context, RegKey root, const char* path, uint32_t index,
                       RegValueInfo* value);
  // A modal message box without owner, OK button only.
  void (*showMessage)(void* context, const char* text, const char* caption);
  // Tells the shell that associations changed, so icons and verbs are refreshed.
  void (*notifyShell)(void* context);
  void* context;
};

// The host over ADVAPI32, USER32 and SHELL32 (Windows builds only).
RegistryHost Win32RegistryHost();
