// The association's host on Windows: ADVAPI32 for the keys under HKEY_CLASSES_ROOT and
// HKEY_CURRENT_USER\Software\Classes, named values under HKEY_CURRENT_USER (the logon Run
// value), MessageBoxA without an owner, SHChangeNotify, and GetCurrentDirectoryA.
#include <windows.h>
#include <shlobj.h>

#include "association.h"
#include "text_win.h"

namespace {

const char kUserClassesPath[] = "Software\\Classes";

HKEY ToHkey(RegKey key) {
  // HKEY_CLASSES_ROOT is a sign-extended constant; map it explicitly rather than rely on
  // the integer round trip.
  if (key == kClassesRoot) return HKEY_CLASSES_ROOT;
  if (key == kCurrentUserRoot) return HKEY_CURRENT_USER;
  return reinterpret_cast<HKEY>(key);
}

RegKey FromHkey(HKEY key) { return reinterpret_cast<RegKey>(key); }

// The real parent of one call. The user's classes are opened for that call and closed
// after it; HKEY_CLASSES_ROOT and the keys the association holds open are used as they are.
struct Parent {
  HKEY key = nullptr;
  bool opened = false;
};

LONG OpenParent(RegKey parent, REGSAM access, Parent* result) {
  if (parent != kUserClassesRoot) {
    result->key = ToHkey(parent);
    return ERROR_SUCCESS;
  }
  // Created when missing (a fresh profile may not have it yet); the user owns it, so this
  // does not need administrator rights.
  char emptyClass[] = "";
  LONG status =
      RegCreateKeyExA(HKEY_CURRENT_USER, kUserClassesPath, 0, emptyClass,
                      REG_OPTION_NON_VOLATILE, access, nullptr, &result->key, nullptr);
  result->opened = status == ERROR_SUCCESS;
  return status;
}

void CloseParent(const Parent& parent) {
  if (parent.opened) RegCloseKey(parent.key);
}

int32_t CreateKey(void*, RegKey parent, const char* name, RegKey* key) {
  *key = kNoKey;
  Parent root;
  LONG result = OpenParent(parent, KEY_ALL_ACCESS, &root);
  if (result != ERROR_SUCCESS) return result;
  HKEY created = nullptr;
  DWORD disposition = 0;
  char emptyClass[] = "";
  result = RegCreateKeyExA(root.key, name, 0, emptyClass, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, &created, &disposition);
  CloseParent(root);
  if (result == ERROR_SUCCESS) *key = FromHkey(created);
  return result;
}

int32_t SetDefaultValue(void*, RegKey key, const char* text, uint32_t byteCount) {
  return RegSetValueExA(ToHkey(key), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        byteCount);
}

int32_t OpenKey(void*, RegKey parent, const char* name, RegKey* key) {
  *key = kNoKey;
  Parent root;
  LONG result = OpenParent(parent, KEY_ALL_ACCESS, &root);
  if (result != ERROR_SUCCESS) return result;
  HKEY opened = nullptr;
  result = RegOpenKeyExA(root.key, name, 0, KEY_ALL_ACCESS, &opened);
  CloseParent(root);
  if (result == ERROR_SUCCESS) *key = FromHkey(opened);
  return result;
}

int32_t DeleteKey(void*, RegKey parent, const char* name) {
  Parent root;
  LONG result = OpenParent(parent, KEY_ALL_ACCESS, &root);
  if (result != ERROR_SUCCESS) return result;
  result = RegDeleteKeyA(root.key, name);
  CloseParent(root);
  return result;
}

void CloseKey(void*, RegKey key) { RegCloseKey(ToHkey(key)); }

bool KeyExists(void*, RegKey parent, const char* name) {
  Parent root;
  LONG result = OpenParent(parent, KEY_READ, &root);
  if (result == ERROR_SUCCESS) {
    HKEY opened = nullptr;
    result = RegOpenKeyExA(root.key, name, 0, KEY_QUERY_VALUE, &opened);
    if (result == ERROR_SUCCESS) RegCloseKey(opened);
    CloseParent(root);
  }
  // Only "not found" means gone; access denied and the like mean the key is still there.
  return result != ERROR_FILE_NOT_FOUND;
}

// name null: the default value.
int32_t ReadValue(void*, RegKey rootKey, const char* path, const char* name, char* text,
                  uint32_t capacity) {
  if (capacity == 0) return ERROR_INSUFFICIENT_BUFFER;
  text[0] = '\0';
  Parent root;
  LONG result = OpenParent(rootKey, KEY_READ, &root);
  if (result != ERROR_SUCCESS) return result;
  HKEY opened = nullptr;
  // Only read, so read access is all it asks for: a layout written for all users can be
  // read back by an account that may not change it.
  result = RegOpenKeyExA(root.key, path, 0, KEY_QUERY_VALUE, &opened);
  CloseParent(root);
  if (result != ERROR_SUCCESS) return result;
  // The whole buffer is offered, so a value that fits capacity with its terminator reads
  // (the writers' limit); a stored value that lacks its zero must leave room for one.
  DWORD type = 0;
  DWORD size = capacity;
  result = RegQueryValueExA(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(opened);
  if (result == ERROR_SUCCESS && type != REG_SZ) result = ERROR_INVALID_DATA;
  if (result == ERROR_SUCCESS && (size == 0 || text[size - 1] != '\0')) {
    if (size >= capacity) {
      result = ERROR_MORE_DATA;
    } else {
      text[size] = '\0';
    }
  }
  if (result != ERROR_SUCCESS) text[0] = '\0';
  return result;
}

int32_t ReadDefaultValue(void* context, RegKey rootKey, const char* path, char* text,
                         uint32_t capacity) {
  return ReadValue(context, rootKey, path, nullptr, text, capacity);
}

// Only the right to set values is asked for, on the key alone, not on its parents.
int32_t SetValue(void*, RegKey rootKey, const char* path, const char* name, const char* text,
                 uint32_t byteCount) {
  Parent root;
  LONG result = OpenParent(rootKey, KEY_ALL_ACCESS, &root);
  if (result != ERROR_SUCCESS) return result;
  HKEY key = nullptr;
  char emptyClass[] = "";
  result = RegCreateKeyExA(root.key, path, 0, emptyClass, REG_OPTION_NON_VOLATILE,
                           KEY_SET_VALUE, nullptr, &key, nullptr);
  CloseParent(root);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), byteCount);
  RegCloseKey(key);
  return result;
}

int32_t DeleteValue(void*, RegKey rootKey, const char* path, const char* name) {
  Parent root;
  LONG result = OpenParent(rootKey, KEY_ALL_ACCESS, &root);
  if (result != ERROR_SUCCESS) return result;
  HKEY key = nullptr;
  result = RegOpenKeyExA(root.key, path, 0, KEY_SET_VALUE, &key);
  CloseParent(root);
  if (result != ERROR_SUCCESS) return result;
  result = RegDeleteValueA(key, name);
  RegCloseKey(key);
  return result;
}

int32_t QueryValue(void*, RegKey rootKey, const char* path, const char* name, uint32_t* type,
                   uint8_t* data, uint32_t capacity, uint32_t* size) {
  *type = 0;
  *size = 0;
  HKEY key = nullptr;
  LONG result = RegOpenKeyExA(ToHkey(rootKey), path, 0, KEY_QUERY_VALUE, &key);
  if (result != ERROR_SUCCESS) return result;
  DWORD valueType = 0;
  DWORD valueSize = capacity;
  result = RegQueryValueExA(key, name, nullptr, &valueType, data, &valueSize);
  RegCloseKey(key);
  *type = valueType;
  *size = result == ERROR_SUCCESS ? valueSize : 0;
  return result;
}

int32_t SetBinaryValue(void*, RegKey rootKey, const char* path, const char* name,
                       const uint8_t* data, uint32_t size) {
  HKEY key = nullptr;
  char emptyClass[] = "";
  LONG result = RegCreateKeyExA(ToHkey(rootKey), path, 0, emptyClass, REG_OPTION_NON_VOLATILE,
                                KEY_SET_VALUE, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueExA(key, name, 0, REG_BINARY, data, size);
  RegCloseKey(key);
  return result;
}

int32_t EnumValue(void*, RegKey rootKey, const char* path, uint32_t index,
                  RegValueInfo* value) {
  *value = RegValueInfo();
  HKEY key = nullptr;
  LONG result = RegOpenKeyExA(ToHkey(rootKey), path, 0, KEY_QUERY_VALUE, &key);
  if (result != ERROR_SUCCESS) return result;
  static wchar_t name[16384];  // the longest value name the registry allows
  DWORD nameLength = sizeof name / sizeof name[0];
  DWORD type = 0;
  DWORD dataSize = 0;
  result = RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &dataSize);
  if (result == ERROR_SUCCESS) {
    value->type = type;
    value->cut = !WideToAnsi(name, static_cast<int>(nameLength), value->name, &value->foreign);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      // Read again by name at its own size; a string value may lack its terminating zero.
      wchar_t* data = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, dataSize + 2));
      DWORD size = dataSize;
      if (data == nullptr ||
          RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
              ERROR_SUCCESS) {
        value->cut = true;
      } else {
        int length = static_cast<int>(size / sizeof(wchar_t));
        while (length > 0 && data[length - 1] == L'\0') --length;
        if (!WideToAnsi(data, length, value->text, &value->foreign)) value->cut = true;
      }
      if (data != nullptr) HeapFree(GetProcessHeap(), 0, data);
    }
  }
  RegCloseKey(key);
  return result;
}

// Task-modal like the editor's own boxes: the editor may already have a window when its
// start reports a refused association, and that window takes no input under the box.
void ShowMessage(void*, const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK | MB_TASKMODAL);
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
  host.readDefaultValue = ReadDefaultValue;
  host.readValue = ReadValue;
  host.setValue = SetValue;
  host.deleteValue = DeleteValue;
  host.queryValue = QueryValue;          // RegQueryValueExA
  host.setBinaryValue = SetBinaryValue;  // RegSetValueExA, REG_BINARY
  host.enumValue = EnumValue;            // RegEnumValueW
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
