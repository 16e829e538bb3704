// The safe-save steps on Windows: CreateFileA with CREATE_NEW for the new file, ReplaceFileA
// with a backup name for the swap, so the saved schedule keeps what the user gave the old
// file and a failed swap leaves the old file whole.
#include <windows.h>

#include "file_replace.h"

namespace {

NewFileResult HostWriteNewFile(void*, const char* path, const char* bytes, std::size_t size) {
  // CREATE_NEW fails on an existing name instead of truncating somebody else's file.
  HANDLE file =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                 GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;  // e.g. a folder
    return taken ? NewFileResult::kNameTaken : NewFileResult::kFailed;
  }
  bool written = true;
  while (written && size > 0) {
    DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD done = 0;
    written = WriteFile(file, bytes, chunk, &done, nullptr) != FALSE && done == chunk;
    bytes += done;
    size -= done;
  }
  // ReplaceFileA has no working write-through flag, so the content is on disk before it.
  written = FlushFileBuffers(file) != FALSE && written;
  written = CloseHandle(file) != FALSE && written;
  if (written) return NewFileResult::kWritten;
  DeleteFileA(path);
  return NewFileResult::kFailed;
}

// The attributes a user gives a file that a save must not take away.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

FileState HostFileState(void*, const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // Any other error (access denied, a network error) tells nothing about the name.
    return GetLastError() == ERROR_FILE_NOT_FOUND ? FileState::kMissing : FileState::kUnknown;
  }
  bool refused = (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0;
  return refused ? FileState::kRefused : FileState::kReplaceable;
}

// ReplaceFileA gives the new content the old file's attributes, security descriptor,
// creation time and short name, which a rename over it would drop. With a backup name a
// failure never deletes the old file: it keeps its name or moves to the backup's.
bool HostReplaceFile(void*, const char* target, const char* replacement, const char* backup) {
  return ReplaceFileA(target, replacement, backup, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                      nullptr) != FALSE;
}

// Without MOVEFILE_REPLACE_EXISTING an existing file under to is never overwritten.
bool HostMoveFile(void*, const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool HostDeleteFile(void*, const char* path) { return DeleteFileA(path) != FALSE; }

// ReplaceFileA keeps the attributes on Windows; Wine's (8.0) is two renames that keep none
// on the new file, so they are taken from the backup, which holds the old file.
void HostCopyAttributes(void*, const char* from, const char* to) {
  DWORD before = GetFileAttributesA(from);
  DWORD now = GetFileAttributesA(to);
  if (before == INVALID_FILE_ATTRIBUTES || now == INVALID_FILE_ATTRIBUTES ||
      (before & kKeptAttributes & ~now) == 0) {
    return;
  }
  SetFileAttributesA(to, (now & ~FILE_ATTRIBUTE_NORMAL) | (before & kKeptAttributes));
}

}  // namespace

FileHost PlatformFileHost() {
  FileHost host{};
  host.writeNewFile = HostWriteNewFile;
  host.fileState = HostFileState;
  host.replaceFile = HostReplaceFile;
  host.moveFile = HostMoveFile;
  host.deleteFile = HostDeleteFile;
  host.copyAttributes = HostCopyAttributes;
  host.context = nullptr;
  return host;
}
