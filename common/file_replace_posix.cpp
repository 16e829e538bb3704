// The safe-save steps on POSIX (the native build and its tests): open with O_EXCL for the
// new file, rename() for the swap, with the old file's permission bits given to the new one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "file_replace.h"

namespace {

NewFileResult HostWriteNewFile(void*, const char* path, const char* bytes, std::size_t size) {
  int file = open(path, O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (file < 0) return errno == EEXIST ? NewFileResult::kNameTaken : NewFileResult::kFailed;
  bool written = true;
  while (written && size > 0) {
    ssize_t done = write(file, bytes, size);
    if (done < 0 && errno == EINTR) continue;
    written = done > 0;
    if (written) {
      bytes += done;
      size -= static_cast<std::size_t>(done);
    }
  }
  written = fsync(file) == 0 && written;
  written = close(file) == 0 && written;
  if (written) return NewFileResult::kWritten;
  unlink(path);
  return NewFileResult::kFailed;
}

// Only a regular file the owner may write is replaced.
FileState HostFileState(void*, const char* path) {
  struct stat target;
  if (stat(path, &target) != 0) {
    return errno == ENOENT ? FileState::kMissing : FileState::kUnknown;
  }
  bool writable = S_ISREG(target.st_mode) && (target.st_mode & S_IWUSR) != 0;
  return writable ? FileState::kReplaceable : FileState::kRefused;
}

// rename() replaces the old file in one step, so no backup is made: the old file is there
// until the new one is.
bool HostReplaceFile(void*, const char* target, const char* replacement, const char*) {
  struct stat old;
  return stat(target, &old) == 0 && chmod(replacement, old.st_mode & 07777) == 0 &&
         std::rename(replacement, target) == 0;
}

// link() fails on an existing name where rename() would replace it.
bool HostMoveFile(void*, const char* from, const char* to) {
  if (link(from, to) != 0) return false;
  unlink(from);
  return true;
}

bool HostDeleteFile(void*, const char* path) { return unlink(path) == 0; }

// The permission bits came across in HostReplaceFile already.
void HostCopyAttributes(void*, const char*, const char*) {}

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
