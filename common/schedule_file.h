// The schedule file (.tlf): two option lines, the item count and one seven-line record per
// item. Reading does its own text-mode handling (CR LF reads as LF, a byte 0x1A ends the
// file) and writing writes CR LF itself, so both behave the same on every platform.
#pragma once

#include <cstddef>
#include <cstdint>

#include "schedule.h"

// The most the readers take: a larger file, or one with more records, is unreadable, like a
// file that cannot be opened, and the writer refuses to write one (see schedule_file.cpp).
constexpr std::size_t kMaxScheduleFileBytes = 16 * 1024 * 1024;
constexpr int32_t kMaxScheduleItems = 100000;

// Why a schedule file was not read or not written. kNotFound: no file or folder of that
// name, or no such drive (a read only; any other failed open is kFailed). kKeptElsewhere: a
// save could put no file under the target's name, and the new content is under another name.
// kNoFreeName: a save found no free name for its temporary file or backup in the target's
// folder.
enum class FileProblem {
  kNone,
  kFailed,
  kNotFound,
  kTooLarge,
  kTooManyItems,
  kKeptElsewhere,
  kNoFreeName
};

struct ScheduleOptions {
  bool showRunnerWindow = false;
  bool exitAfterRun = false;
};

// A schedule file's bytes in one heap block that the record owns (FreeScheduleFileBytes).
struct ScheduleFileBytes {
  char* data = nullptr;
  std::size_t size = 0;
  std::size_t capacity = 0;
};

void FreeScheduleFileBytes(ScheduleFileBytes& bytes);

// The bytes the editor writes for this schedule, into bytes (emptied first): byte-exact,
// CR LF line ends, texts longer than 258 bytes cut at a character boundary, a text's line
// feed and what follows dropped. False, with bytes empty, when memory ran out.
bool FormatScheduleFile(const ScheduleList& list, const ScheduleOptions& options,
                        ScheduleFileBytes& bytes);

// Writes the schedule to path (SaveFileSafely), so a failed save never destroys the old
// file; an existing file keeps its attributes and a read-only one is not written. Returns
// true when the file was written; false also when memory ran out or the schedule exceeds
// the limits, with the reason in *problem and, for kKeptElsewhere, the name that holds the
// new content in keptAs and, when the old file stays under its backup name, that name in
// oldKeptAs (kTextSize bytes each; oldKeptAs empty otherwise).
bool WriteScheduleFile(const char* path, const ScheduleList& list,
                       const ScheduleOptions& options, FileProblem* problem = nullptr,
                       char* keptAs = nullptr, char* oldKeptAs = nullptr);

// The editor's loader: clears list, then fills it and both options from the file. A file
// that cannot be opened, exceeds the limits or needs more memory than there is leaves the
// list empty and the options as they were. Returns false, with the reason in *problem,
// when the file could not be read. *wellFormed tells whether the file read as a schedule
// (see ParseScheduleText).
bool LoadScheduleFile(const char* path, ScheduleList& list, ScheduleOptions& options,
                      FileProblem* problem = nullptr, bool* wellFormed = nullptr);

// What the programs say, before the file's path, when a read failed on one of the two
// limits (kTooLarge, kTooManyItems); null for any other problem.
const char* ReadLimitText(FileProblem problem);

// The runner's loader: appends the file's items to the (empty) list; the option words are
// skipped. Returns false, adding nothing, when the file could not be read, with the reason
// in *problem.
bool LoadRunnerSchedule(const char* path, ScheduleList& list, FileProblem* problem = nullptr);

// The runner's option reading: each of the first two lines must be exactly "true" and its
// line feed (read into a 30-byte buffer). A file that cannot be read gives both off.
ScheduleOptions ReadRunnerOptions(const char* path);

// The same readers over bytes already in memory (raw file bytes, before text-mode handling);
// more than kMaxScheduleItems records, or too little memory, give an empty list, and the
// editor's reader then keeps the options and returns why. The editor's reader takes what it
// can, and *wellFormed is false when part of the file did not read as a schedule, so a
// save over it would lose that part: an option word other than "true" or "false", a count
// that is not a number, fewer records than the count, anything but white space after the
// last record, or anything but white space and 0x1A bytes after the first 0x1A. A file of
// nothing but white space (an empty one too) has nothing to lose and reads as well formed.
FileProblem ParseScheduleText(const char* bytes, std::size_t size, ScheduleList& list,
                              ScheduleOptions& options, bool* wellFormed = nullptr);
void ParseRunnerScheduleText(const char* bytes, std::size_t size, ScheduleList& list);
ScheduleOptions ParseRunnerOptionsText(const char* bytes, std::size_t size);

// Cuts text (a kTextSize buffer) at its first line feed.
void StripNewline(char* text);

// White space as the readers skip it: before a count, a delay and an item's name.
bool IsScheduleWhiteSpace(char byte);

// A number as the readers take a count or a delay: leading white space, an optional sign,
// digits up to the first other character, saturating at 32 bits; 0 when there is no digit.
int32_t ParseScheduleNumber(const char* text);
