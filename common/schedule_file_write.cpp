// The schedule file's writer: the bytes the editor writes, byte-exact with CR LF line ends
// whatever the platform, and the save that puts them in place of the old file.
#include "schedule_file.h"

#include "file_replace.h"
#include "schedule_file_parts.h"
#include "text.h"

namespace {

// Longest text field the readers take back whole: the line, its line feed and the NUL
// must fit in a 260-byte buffer.
constexpr std::size_t kMaxFieldBytes = kTextSize - 2;

// How a record's text line shows an empty text: name and path as an empty line, arguments
// and working folder as the marker line.
enum class EmptyText { kEmptyLine, kMarker };

// One text line of a record. Only the text before its first line feed is written (a later
// part would become lines of its own and shift every following record), nor anything from
// a byte 0x1A on (the readers stop there); at most 258 bytes, cut at a character boundary.
bool AppendTextLine(ScheduleFileBytes& out, const char* text, EmptyText empty) {
  char line[kTextSize];
  std::size_t length = 0;
  while (length < kTextSize - 1 && text[length] != '\0' && text[length] != '\n' &&
         text[length] != '\x1A') {
    line[length] = text[length];
    ++length;
  }
  line[length] = '\0';
  length = FitTextLength(line, kMaxFieldBytes);
  bool appended = length == 0 && empty == EmptyText::kMarker
                      ? AppendBytes(out, kEmptyTextMarker, kEmptyTextMarkerLength)
                      : AppendBytes(out, line, length);
  return appended && AppendBytes(out, "\r\n", 2);
}

// A number line and the blank line after it.
bool AppendNumberLine(ScheduleFileBytes& out, int32_t value) {
  char number[16];
  FormatText(number, sizeof number, "%d", static_cast<int>(value));
  return AppendString(out, number) && AppendBytes(out, "\r\n\r\n", 4);
}

int32_t CountItems(const ScheduleList& list) {
  int32_t count = 0;
  for (const ScheduleItem* item = list.head; item != nullptr; item = item->next) ++count;
  return count;
}

// The save behind WriteScheduleFile.
FileProblem WriteSchedule(const char* path, const ScheduleList& list,
                          const ScheduleOptions& options, char* keptAs, char* oldKeptAs) {
  if (path == nullptr || path[0] == '\0') return FileProblem::kFailed;
  // A file the readers would refuse is not written: it could not be opened again.
  if (CountItems(list) > kMaxScheduleItems) return FileProblem::kTooManyItems;
  // Running out of memory while formatting fails the save like a full disk: the old file
  // stays as it was and the editor keeps the schedule, so nothing is lost.
  ScheduleFileBytes bytes;
  FileProblem problem = FileProblem::kFailed;
  bool formatted = FormatScheduleFile(list, options, bytes);
  if (formatted && bytes.size > kMaxScheduleFileBytes) {
    problem = FileProblem::kTooLarge;
  } else if (formatted) {
    SaveOutcome outcome = SaveFileSafely(PlatformFileHost(), path, bytes.data, bytes.size,
                                         keptAs, kTextSize, oldKeptAs);
    problem = outcome == SaveOutcome::kSaved           ? FileProblem::kNone
              : outcome == SaveOutcome::kKeptElsewhere ? FileProblem::kKeptElsewhere
              : outcome == SaveOutcome::kNoFreeName    ? FileProblem::kNoFreeName
                                                       : FileProblem::kFailed;
  }
  FreeScheduleFileBytes(bytes);
  return problem;
}

}  // namespace

bool FormatScheduleFile(const ScheduleList& list, const ScheduleOptions& options,
                        ScheduleFileBytes& bytes) {
  bytes.size = 0;
  // The count written is the number of items actually in the list, so the file always
  // holds as many records as its count line says.
  int32_t count = CountItems(list);
  bool formatted =
      ReserveBytes(bytes, 32 + static_cast<std::size_t>(count) * 96) &&
      AppendString(bytes, options.showRunnerWindow ? "true\r\n" : "false\r\n") &&
      AppendString(bytes, options.exitAfterRun ? "true\r\n\r\n" : "false\r\n\r\n") &&
      AppendNumberLine(bytes, count);
  for (const ScheduleItem* item = list.head; formatted && item != nullptr; item = item->next) {
    formatted = AppendTextLine(bytes, item->name, EmptyText::kEmptyLine) &&
                AppendTextLine(bytes, item->path, EmptyText::kEmptyLine) &&
                AppendTextLine(bytes, item->arguments, EmptyText::kMarker) &&
                AppendTextLine(bytes, item->workFolder, EmptyText::kMarker) &&
                AppendString(bytes, item->pathIsEnvVar != 0 ? "true\r\n" : "false\r\n") &&
                AppendNumberLine(bytes, item->delaySeconds);
  }
  if (!formatted) FreeScheduleFileBytes(bytes);
  return formatted;
}

bool WriteScheduleFile(const char* path, const ScheduleList& list,
                       const ScheduleOptions& options, FileProblem* problem, char* keptAs,
                       char* oldKeptAs) {
  char kept[kTextSize] = "";
  char oldKept[kTextSize] = "";
  FileProblem result = WriteSchedule(path, list, options, kept, oldKept);
  if (problem != nullptr) *problem = result;
  if (keptAs != nullptr) CopyText(keptAs, kTextSize, kept);
  if (oldKeptAs != nullptr) CopyText(oldKeptAs, kTextSize, oldKept);
  return result == FileProblem::kNone;
}
