// The safe save's decisions: the names of the temporary file and of the backup, and how the
// target's name gets a whole file back after whichever step failed.
#include "file_replace.h"

#include <cstring>

#include "path_split.h"
#include "text.h"

namespace {

// How many numbers a save tries for each of its two names.
constexpr int kNameAttempts = 100;

enum class Sibling { kTemporary, kBackup };

// A name in target's folder: "~tlsave3.tmp" or "~tlback3.tmp" where the whole path stays
// within the 259 bytes a path may hold, else the short "~s3" or "~b3", so a save works
// wherever the target's folder holds a short file name (a folder of 248 bytes and more on
// Windows). False when neither fits.
bool SiblingName(const char* target, Sibling kind, int number, char* name) {
  SplitDriveAndFolder(target, name, kTextSize);
  std::size_t folder = std::strlen(name);
  bool temporary = kind == Sibling::kTemporary;
  return FormatText(name + folder, kTextSize - folder,
                    temporary ? "~tlsave%d.tmp" : "~tlback%d.tmp", number) ||
         FormatText(name + folder, kTextSize - folder, temporary ? "~s%d" : "~b%d", number);
}

// The name is known to hold something: a file, or what a save must leave alone. A name
// that cannot be looked at may hold a file as well, or not.
bool Holds(const FileHost& host, const char* path) {
  FileState state = host.fileState(host.context, path);
  return state == FileState::kReplaceable || state == FileState::kRefused;
}

// Writes bytes under the first free temporary name. A name in use is skipped, never opened,
// so no other file is overwritten. kNameTaken, with nothing written, when no name is free
// or none fits the folder; kFailed, with nothing left behind, when the write failed.
NewFileResult WriteTemporary(const FileHost& host, const char* target, const char* bytes,
                             std::size_t size, char* temporary) {
  for (int number = 0; number < kNameAttempts; ++number) {
    if (!SiblingName(target, Sibling::kTemporary, number, temporary)) break;
    NewFileResult result = host.writeNewFile(host.context, temporary, bytes, size);
    if (result != NewFileResult::kNameTaken) return result;
  }
  return NewFileResult::kNameTaken;
}

// A backup name with nothing under it. A name in use is never taken over, nor deleted: it
// may hold the copy a failed save told the user about.
bool FindFreeBackupName(const FileHost& host, const char* target, char* backup) {
  for (int number = 0; number < kNameAttempts; ++number) {
    if (!SiblingName(target, Sibling::kBackup, number, backup)) break;
    if (host.fileState(host.context, backup) == FileState::kMissing) return true;
  }
  return false;
}

// The new file is under the target's name: it gets the old file's attributes where the
// swap dropped them (Wine's ReplaceFileA is two renames), and the backup goes.
SaveOutcome Placed(const FileHost& host, const char* target, const char* backup) {
  if (backup[0] != '\0') {
    host.copyAttributes(host.context, backup, target);
    host.deleteFile(host.context, backup);
  }
  return SaveOutcome::kSaved;
}

// After a failed swap the old file may be under the target's name or the backup's, and the
// new one under the temporary name (ReplaceFileA documents each of these; a failed rename
// leaves the temporary file). The target's name gets a whole file, the new one if it can;
// a file is deleted only while the target's name is known to hold one. A target that
// cannot be looked at may be gone with the old file in the backup, so then both stay.
SaveOutcome PutRight(const FileHost& host, const char* target, const char* temporary,
                     const char* backup, char* keptAs, std::size_t capacity, char* oldKeptAs) {
  if (Holds(host, target)) {
    host.deleteFile(host.context, temporary);
    if (backup[0] != '\0') host.deleteFile(host.context, backup);
    return SaveOutcome::kFailed;
  }
  // A move never replaces a file, so it is tried even where the target's state is unknown.
  bool temporaryThere = Holds(host, temporary);
  if (temporaryThere && host.moveFile(host.context, temporary, target)) {
    return Placed(host, target, backup);
  }
  bool backupThere = backup[0] != '\0' && Holds(host, backup);
  if (backupThere && host.moveFile(host.context, backup, target)) {
    host.deleteFile(host.context, temporary);
    return SaveOutcome::kFailed;
  }
  // Held by another program, say: both files stay, and the user is told where.
  if (!temporaryThere && !backupThere) return SaveOutcome::kFailed;
  CopyText(keptAs, capacity, temporaryThere ? temporary : backup);
  // The user's old schedule is then in the backup: named too, so it can be found.
  if (temporaryThere && backupThere && oldKeptAs != nullptr) {
    CopyText(oldKeptAs, capacity, backup);
  }
  return SaveOutcome::kKeptElsewhere;
}

}  // namespace

SaveOutcome SaveFileSafely(const FileHost& host, const char* target, const char* bytes,
                           std::size_t size, char* keptAs, std::size_t capacity,
                           char* oldKeptAs) {
  CopyText(keptAs, capacity, "");
  if (oldKeptAs != nullptr) CopyText(oldKeptAs, capacity, "");
  if (std::strlen(target) >= kTextSize) return SaveOutcome::kFailed;
  FileState state = host.fileState(host.context, target);
  if (state != FileState::kMissing && state != FileState::kReplaceable) {
    return SaveOutcome::kFailed;
  }
  // Both names are found before anything is written, so a save that cannot make them
  // changes nothing.
  char backup[kTextSize] = "";
  if (state == FileState::kReplaceable && !FindFreeBackupName(host, target, backup)) {
    return SaveOutcome::kNoFreeName;
  }
  char temporary[kTextSize];
  NewFileResult written = WriteTemporary(host, target, bytes, size, temporary);
  if (written != NewFileResult::kWritten) {
    return written == NewFileResult::kNameTaken ? SaveOutcome::kNoFreeName
                                                : SaveOutcome::kFailed;
  }
  // No old file: a rename, which fails rather than overwrite a file that appeared since.
  bool replaced = state == FileState::kMissing
                      ? host.moveFile(host.context, temporary, target)
                      : host.replaceFile(host.context, target, temporary, backup);
  if (replaced) return Placed(host, target, backup);
  return PutRight(host, target, temporary, backup, keptAs, capacity, oldKeptAs);
}
