// The safe-save steps on POSIX (the native build and its tests): open with O_EXCL for the
// new file, rename() for the swap, with the old file's permission bits given to the new one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "file_replace.h"

NewFileResult WriteNewFile(const char* path, const char* bytes, std::size_t size) {
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

bool ReplaceFileWith(const char* from, const char* to) {
  struct stat target;
  if (stat(to, &target) == 0) {
    // Only a regular file the owner may write is replaced, and with its own permissions.
    if (!S_ISREG(target.st_mode) || (target.st_mode & S_IWUSR) == 0) return false;
    if (chmod(from, target.st_mode & 07777) != 0) return false;
  } else if (errno != ENOENT) {
    return false;
  }
  return std::rename(from, to) == 0;
}
