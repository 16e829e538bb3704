// The run record's Win32 host: the local time, the file's size, appending and the rename.
#include <windows.h>

#include "run_record.h"

namespace {

RecordTime RecordLocalTime(void*) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return RecordTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

uint64_t RecordFileSize(void*, const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The record's folder is made when missing (its parent, the user's local application
// data, always exists). The file is shared while it is open, so a reader such as Notepad
// never makes a write fail, nor the other way round.
bool RecordAppend(void*, const char* path, const char* bytes, std::size_t size) {
  char folder[kTextSize];
  CopyText(folder, path);
  char* lastSeparator = nullptr;
  for (char* at = folder; *at != '\0'; at += CharWidth(at)) {
    if (*at == '\\') lastSeparator = at;
  }
  if (lastSeparator != nullptr) {
    *lastSeparator = '\0';
    CreateDirectoryA(folder, nullptr);
  }
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL wrote = WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(file);
  return wrote != FALSE && written == size;
}

bool RecordRename(void*, const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

}  // namespace

RunRecordHost PlatformRunRecordHost() {
  return RunRecordHost{RecordLocalTime, RecordFileSize, RecordAppend, RecordRename, nullptr};
}
