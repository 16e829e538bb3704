// The startup listing's host on Windows: the user's Startup folder (SHGetFolderPathW with
// CSIDL_STARTUP) read with the wide file functions, GetFileAttributesA,
// ExpandEnvironmentStringsA, VerifyVersionInfoW and GetSystemTimeAsFileTime.
#include <windows.h>
#include <shlobj.h>

#include "startup_entries.h"
#include "text_win.h"

namespace {

// A file or folder name in the ANSI code page; false when a character has no form there
// or it does not fit.
bool ToAnsi(const wchar_t* wide, char* text) {
  bool foreign = false;
  return WideToAnsi(wide, lstrlenW(wide), text, &foreign) && !foreign;
}

// The folder with a trailing backslash, wide; false when the shell does not know it.
bool StartupFolderWide(wchar_t* folder) {
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return false;
  }
  return lstrlenW(folder) + 2 < MAX_PATH && lstrcatW(folder, L"\\") != nullptr;
}

void ListStartupFolder(void*, VisitStartupFileFn visit, void* visitContext) {
  wchar_t folder[MAX_PATH];
  if (!StartupFolderWide(folder)) return;
  wchar_t pattern[MAX_PATH + 2];
  lstrcpyW(pattern, folder);
  lstrcatW(pattern, L"*");
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (lstrcmpW(found.cFileName, L".") == 0 || lstrcmpW(found.cFileName, L"..") == 0) continue;
    StartupFile file;
    DWORD attributes = found.dwFileAttributes;
    file.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    file.hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    file.system = (attributes & FILE_ATTRIBUTE_SYSTEM) != 0;
    bool nameFits = ToAnsi(found.cFileName, file.name);
    char ansiFolder[kTextSize];
    bool folderFits = ToAnsi(folder, ansiFolder);
    // A name that converts but does not fit reads as cut, not as foreign.
    file.foreign =
        (!nameFits && file.name[0] != '\0') || (!folderFits && ansiFolder[0] != '\0');
    file.cut = !nameFits || !folderFits;
    if (!file.foreign) {
      file.cut = !CopyText(file.path, ansiFolder) || !AppendText(file.path, file.name);
    }
    visit(visitContext, file);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

bool FileExists(void*, const char* path) {
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool StartupFileExists(void* context, const char* name) {
  wchar_t folder[MAX_PATH];
  char path[kTextSize];
  return StartupFolderWide(folder) && ToAnsi(folder, path) && AppendText(path, name) &&
         FileExists(context, path);
}

bool ExpandVariables(void*, const char* text, char* expanded) {
  DWORD length = ExpandEnvironmentStringsA(text, expanded, kTextSize);
  if (length == 0 || length > kTextSize) {
    expanded[0] = '\0';
    return false;
  }
  return true;
}

// Windows 8 (6.2) brought the StartupApproved values. VerifyVersionInfoW answers "at least
// 6.2" truly whatever the manifest says; GetVersionEx reports 6.2 to a program whose
// manifest does not list the newer systems.
bool HonoursStartupApproved(void*) {
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof version;
  version.dwMajorVersion = 6;
  version.dwMinorVersion = 2;
  DWORDLONG condition = 0;
  condition = VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
  condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, condition) != FALSE;
}

uint64_t Now(void*) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

}  // namespace

StartupFolderHost Win32StartupFolderHost() {
  StartupFolderHost host;
  host.listStartupFolder = ListStartupFolder;  // FindFirstFileW in the Startup folder
  host.startupFileExists = StartupFileExists;
  host.fileExists = FileExists;                          // GetFileAttributesA
  host.expandVariables = ExpandVariables;                // ExpandEnvironmentStringsA
  host.honoursStartupApproved = HonoursStartupApproved;  // VerifyVersionInfoW
  host.now = Now;                                        // GetSystemTimeAsFileTime
  host.context = nullptr;
  return host;
}
