// The schedule file's bytes: the heap block that holds them, the whole file read from disk
// within the limits, and the loaders that read a file and hand its bytes to the readers.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "memory.h"
#include "schedule_file.h"
#include "schedule_file_parts.h"

// The two limits of schedule_file.h. A schedule of 100,000 items of usual length is about
// 8 MB; twice that still reads whole at once without strain in a 32-bit process, whose 2 GB
// of address space a file of several hundred MB used to exhaust (ending the program in the
// allocation). The item limit keeps the records' memory bounded as well: 100,000 items take
// about 130 MB, while 16 MB of the shortest possible records would ask for 3 GB.

// Makes room for at least capacity bytes; false, with bytes unchanged, when memory ran out.
bool ReserveBytes(ScheduleFileBytes& bytes, std::size_t capacity) {
  if (capacity <= bytes.capacity) return true;
  void* grown = ResizeBlock(bytes.data, capacity);
  if (grown == nullptr) return false;
  bytes.data = static_cast<char*>(grown);
  bytes.capacity = capacity;
  return true;
}

// Appends length bytes, doubling the block when it is full so that a long run of appends
// copies each byte only a few times. False when memory ran out (nothing is appended).
bool AppendBytes(ScheduleFileBytes& bytes, const char* text, std::size_t length) {
  if (length == 0) return true;
  if (length > bytes.capacity - bytes.size) {
    std::size_t wanted = bytes.size + length;
    std::size_t doubled = bytes.capacity * 2;
    if (!ReserveBytes(bytes, doubled > wanted ? doubled : wanted)) return false;
  }
  std::memcpy(bytes.data + bytes.size, text, length);
  bytes.size += length;
  return true;
}

bool AppendString(ScheduleFileBytes& bytes, const char* text) {
  return AppendBytes(bytes, text, std::strlen(text));
}

// The in-memory readers work on a copy, which they change in place. False when the copy
// could not be made.
bool CopyOfBytes(const char* bytes, std::size_t size, ScheduleFileBytes& copy) {
  return bytes == nullptr || AppendBytes(copy, bytes, size);
}

void FreeScheduleFileBytes(ScheduleFileBytes& bytes) {
  FreeBlock(bytes.data);
  bytes = ScheduleFileBytes{};
}

// Reads the file's raw bytes, refusing (as unreadable) a file larger than
// kMaxScheduleFileBytes: a huge or endless file is never held in memory. The stream's own
// length is only a hint, as ftell's long cannot tell a size beyond 2 GB on Windows. A failed
// allocation on the way is a failed read too, never the end of the program.
FileProblem ReadWholeFile(const char* path, ScheduleFileBytes& bytes) {
  if (path == nullptr || path[0] == '\0') return FileProblem::kFailed;
  std::FILE* file = std::fopen(path, "rb");
  // The C runtime gives ENOENT for a missing file, folder or drive alike.
  if (file == nullptr) return errno == ENOENT ? FileProblem::kNotFound : FileProblem::kFailed;
  FileProblem problem = FileProblem::kNone;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    long length = std::ftell(file);
    if (length > 0 && static_cast<unsigned long>(length) <= kMaxScheduleFileBytes &&
        !ReserveBytes(bytes, static_cast<std::size_t>(length))) {
      problem = FileProblem::kFailed;
    }
    std::rewind(file);
  }
  char chunk[16384];
  std::size_t got;
  while (problem == FileProblem::kNone &&
         (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (got > kMaxScheduleFileBytes - bytes.size) {
      problem = FileProblem::kTooLarge;
    } else if (!AppendBytes(bytes, chunk, got)) {
      problem = FileProblem::kFailed;
    }
  }
  if (std::ferror(file) != 0) problem = FileProblem::kFailed;  // e.g. a folder opened by name
  std::fclose(file);
  return problem;
}

bool LoadScheduleFile(const char* path, ScheduleList& list, ScheduleOptions& options,
                      FileProblem* problem, bool* wellFormed) {
  list.clear();
  ScheduleFileBytes bytes;
  // A file that cannot be read leaves the options with their values.
  bool formed = false;
  FileProblem result = ReadWholeFile(path, bytes);
  if (result == FileProblem::kNone) result = ParseSchedule(bytes, list, options, &formed);
  FreeScheduleFileBytes(bytes);
  if (problem != nullptr) *problem = result;
  if (wellFormed != nullptr) *wellFormed = formed;
  return result == FileProblem::kNone;
}

const char* ReadLimitText(FileProblem problem) {
  static_assert(kMaxScheduleItems == 100000, "the message names the limit");
  if (problem == FileProblem::kTooLarge) return "ファイルが大きすぎるため読み込めません。\n";
  if (problem == FileProblem::kTooManyItems) {
    return "アイテムが100000個を超えるため読み込めません。\n";
  }
  return nullptr;
}

bool LoadRunnerSchedule(const char* path, ScheduleList& list, FileProblem* problem) {
  ScheduleFileBytes bytes;
  FileProblem found = ReadWholeFile(path, bytes);
  if (found == FileProblem::kNone) found = ParseRunnerSchedule(bytes, list);
  FreeScheduleFileBytes(bytes);
  if (problem != nullptr) *problem = found;
  return found == FileProblem::kNone;
}

ScheduleOptions ReadRunnerOptions(const char* path) {
  ScheduleFileBytes bytes;
  ScheduleOptions options;
  if (ReadWholeFile(path, bytes) == FileProblem::kNone) options = ParseRunnerOptions(bytes);
  FreeScheduleFileBytes(bytes);
  return options;
}
