// Writing a schedule safely: the new content goes into a fresh file beside the target, which
// then takes the target's place in one step, the old file going to a backup name until the
// new one is in place. A failed save leaves a whole file under the target's name, or, where
// the system allows neither, under a name the caller is given to show.
#pragma once

#include <cstddef>

enum class NewFileResult { kWritten, kNameTaken, kFailed };
enum class FileState { kMissing, kReplaceable, kRefused, kUnknown };

// The file operations of a save: the platform's or a test's fake. The Win32 host is
// PlatformFileHost in common/file_replace_win.cpp (the Linux one in file_replace_posix.cpp),
// where each member is Host and its name (fileState: HostFileState).
struct FileHost {
  // Creates the file at path, which must not exist yet (an existing file is never opened),
  // writes bytes into it and flushes them to disk. kNameTaken when something of that name
  // exists; kFailed, with no file left behind, when it could not be created or written.
  NewFileResult (*writeNewFile)(void* context, const char* path, const char* bytes,
                                std::size_t size);
  // Nothing at path, a file a save may replace, something it must leave alone (a
  // read-only file, one the user chose not to have changed, or a folder), or kUnknown: a
  // name that cannot be looked at (access denied, a network error), which may hold a file.
  FileState (*fileState)(void* context, const char* path);
  // Puts replacement in place of target, keeping target's attributes; the old file goes to
  // backup, a free name in the same folder. On failure the files may be left under any of
  // the three names; the caller looks where they are.
  bool (*replaceFile)(void* context, const char* target, const char* replacement,
                      const char* backup);
  // Renames from to to; fails rather than replace an existing to.
  bool (*moveFile)(void* context, const char* from, const char* to);
  bool (*deleteFile)(void* context, const char* path);
  // Gives to the attributes a user sets (hidden, system, ...) that from has and to lacks.
  void (*copyAttributes)(void* context, const char* from, const char* to);
  void* context;
};

FileHost PlatformFileHost();

enum class SaveOutcome { kSaved, kFailed, kKeptElsewhere, kNoFreeName };

// Saves bytes to target (a path of at most 259 bytes) through a temporary file and a backup
// named beside it, each no longer than a path the target's folder can hold. kFailed leaves
// the target as it was, or, when the system took it away, the old file put back under its
// name. kKeptElsewhere: nothing could be put under the target's name; the new content is
// in the file named in keptAs (capacity bytes), and the old one stays under its backup name,
// which oldKeptAs (capacity bytes, when given) then names too, else it is emptied.
// kNoFreeName: the target's folder had no free name for the temporary file or the backup
// (each is tried with 100 numbers), or none that fits; nothing was changed.
SaveOutcome SaveFileSafely(const FileHost& host, const char* target, const char* bytes,
                           std::size_t size, char* keptAs, std::size_t capacity,
                           char* oldKeptAs = nullptr);
