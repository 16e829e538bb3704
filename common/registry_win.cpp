// The association's host on Windows: ADVAPI32 for the keys under HKEY_CLASSES_ROOT,
// MessageBoxA without an owner, SHChangeNotify, and GetCurrentDirectoryA.
#include <windows.h>
#include <shlobj.h>

#include "association.h"

namespace {

HKEY ToHkey(RegKey key) {
  // HKEY_CLASSES_ROOT is a sign-extended constant; map it explicitly rather than rely on
  // the integer round trip.
  if (key == kClassesRoot) return HKEY_CLASSES_ROOT;
  return reinterpret_cast<HKEY>(key);
}

RegKey FromHkey(HKEY key) { return reinterpret_cast<RegKey>(key); }

int32_t CreateKey(void*, RegKey parent, const char* name, RegKey* key) {
  HKEY created = nullptr;
  DWORD disposition = 0;
  char emptyClass[] = "";
  LONG result = RegCreateKeyExA(ToHkey(parent), name, 0, emptyClass, REG_OPTION_NON_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &created, &disposition);
  *key = result == ERROR_SUCCESS ? FromHkey(created) : kNoKey;
  return result;
}

int32_t SetDefaultValue(void*, RegKey key, const char* text, uint32_t byteCount) {
  return RegSetValueExA(ToHkey(key), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        byteCount);
}

int32_t OpenKey(void*, RegKey parent, const char* name, RegKey* key) {
  HKEY opened = nullptr;
  LONG result = RegOpenKeyExA(ToHkey(parent), name, 0, KEY_ALL_ACCESS, &opened);
  *key = result == ERROR_SUCCESS ? FromHkey(opened) : kNoKey;
  return result;
}

int32_t DeleteKey(void*, RegKey parent, const char* name) {
  return RegDeleteKeyA(ToHkey(parent), name);
}

void CloseKey(void*, RegKey key) { RegCloseKey(ToHkey(key)); }

bool KeyExists(void*, RegKey parent, const char* name) {
  HKEY opened = nullptr;
  LONG result = RegOpenKeyExA(ToHkey(parent), name, 0, KEY_QUERY_VALUE, &opened);
  if (result == ERROR_SUCCESS) {
    RegCloseKey(opened);
    return true;
  }
  // Only "not found" means gone; access denied and the like mean the key is still there.
  return result != ERROR_FILE_NOT_FOUND;
}

void ShowMessage(void*, const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK);
}

void NotifyShell(void*) {
  // Without this Explorer keeps the old icon and verbs of .tlf files until it restarts.
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

}  // namespace

RegistryHost Win32RegistryHost() {
  RegistryHost host;
  host.createKey = CreateKey;
  host.setDefaultValue = SetDefaultValue;
  host.openKey = OpenKey;
  host.deleteKey = DeleteKey;
  host.closeKey = CloseKey;
  host.keyExists = KeyExists;
  host.showMessage = ShowMessage;
  host.notifyShell = NotifyShell;
  host.context = nullptr;
  return host;
}

bool Win32CurrentDirectory(char* directory) {
  // GetCurrentDirectoryA writes at most kTextSize bytes; a result of kTextSize or more is
  // the size it would have needed, with nothing written, and 0 is a failure.
  DWORD length = GetCurrentDirectoryA(kTextSize, directory);
  if (length == 0 || length >= kTextSize) {
    directory[0] = '\0';
    return false;
  }
  return true;
}
