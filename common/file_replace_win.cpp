// The safe-save steps on Windows: CreateFileA with CREATE_NEW for the new file, ReplaceFileA
// for the swap, so the saved schedule keeps what the user gave the old file.
#include <windows.h>

#include "file_replace.h"

NewFileResult WriteNewFile(const char* path, const char* bytes, std::size_t size) {
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

namespace {

// The attributes a user gives a file that a save must not take away.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Gives path back the kept attributes of before where it lost them. ReplaceFileA keeps them
// on Windows; Wine's (8.0) is a plain rename that keeps none. The save itself has succeeded
// by now, so a failure here changes nothing about it.
void RestoreAttributes(const char* path, DWORD before) {
  DWORD now = GetFileAttributesA(path);
  if (now == INVALID_FILE_ATTRIBUTES || (before & kKeptAttributes & ~now) == 0) return;
  SetFileAttributesA(path, (now & ~FILE_ATTRIBUTE_NORMAL) | (before & kKeptAttributes));
}

}  // namespace

bool ReplaceFileWith(const char* from, const char* to) {
  DWORD attributes = GetFileAttributesA(to);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    // No old file: a rename. Without MOVEFILE_REPLACE_EXISTING a file that appeared in the
    // meantime is not overwritten; the save fails instead.
    return MoveFileExA(from, to, MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  // A read-only file is one the user chose not to have changed, and a folder is no schedule.
  if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) return false;
  // ReplaceFileA gives the new content the old file's attributes, security descriptor,
  // creation time and short name, which a rename over it would drop.
  if (ReplaceFileA(to, from, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    RestoreAttributes(to, attributes);
    return true;
  }
  // A failure can leave the old file gone from its name while the new one kept its
  // temporary name (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2; under Wine also the plain
  // ERROR_UNABLE_TO_MOVE_REPLACEMENT): finish the move rather than leave no schedule there.
  if (GetFileAttributesA(to) == INVALID_FILE_ATTRIBUTES &&
      GetFileAttributesA(from) != INVALID_FILE_ATTRIBUTES &&
      MoveFileExA(from, to, MOVEFILE_WRITE_THROUGH)) {
    RestoreAttributes(to, attributes);
    return true;
  }
  return false;
}
