// The schedule file (.tlf): the editor's writer, the editor's and the runner's readers and
// the runner's option reading. Files (up to kMaxScheduleFileBytes) are read whole in binary
// and given the C library's text-mode treatment here (CR LF reads as LF, a byte 0x1A ends
// the file), and the writer puts CR LF itself, so the bytes on disk are the same whichever
// platform wrote them.
#include "schedule_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "file_replace.h"
#include "memory.h"
#include "text.h"
#include "text_encoding.h"

namespace {

// Longest text field the readers take back whole: the line, its line feed and the NUL
// must fit in a 260-byte buffer.
constexpr std::size_t kMaxFieldBytes = kTextSize - 2;
constexpr std::size_t kOptionLineSize = 30;  // the runner's option line buffer

// The line that stands for an empty arguments or working-folder text, written and read back
// by its line alone.
constexpr char kEmptyTextMarker[] = "nn";
constexpr std::size_t kEmptyTextMarkerLength = sizeof kEmptyTextMarker - 1;

// The two limits of schedule_file.h. A schedule of 100,000 items of usual length is about
// 8 MB; twice that still reads whole at once without strain in a 32-bit process, whose 2 GB
// of address space a file of several hundred MB used to exhaust (ending the program in the
// allocation). The item limit keeps the records' memory bounded as well: 100,000 items take
// about 130 MB, while 16 MB of the shortest possible records would ask for 3 GB.

// ---- the byte block ----------------------------------------------------------------

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

// ---- reading -------------------------------------------------------------------------

// Gives text the treatment of a text-mode stream, in place: everything from the first 0x1A
// on is dropped, and so is each CR that directly precedes a LF (a lone CR is kept, as the
// C library keeps it).
void ApplyTextMode(ScheduleFileBytes& text) {
  if (text.size == 0) return;
  char* data = text.data;
  const void* eof = std::memchr(data, 0x1A, text.size);
  if (eof != nullptr) text.size = static_cast<const char*>(eof) - data;
  std::size_t size = text.size;
  const void* first = std::memchr(data, '\r', size);
  if (first == nullptr) return;
  // Moves the runs between CRs down over the dropped ones.
  std::size_t out = static_cast<const char*>(first) - data;
  std::size_t in = out;
  while (in < size) {
    // data[in] is a CR here.
    if (!(in + 1 < size && data[in + 1] == '\n')) data[out++] = '\r';
    ++in;
    const void* next = std::memchr(data + in, '\r', size - in);
    std::size_t end = next != nullptr ? static_cast<const char*>(next) - data : size;
    std::memmove(data + out, data + in, end - in);
    out += end - in;
    in = end;
  }
  text.size = out;
}

struct TextReader {
  const char* data;
  std::size_t size;
  std::size_t pos;
};

bool IsDigit(char byte) { return byte >= '0' && byte <= '9'; }

void SkipWhiteSpace(TextReader& reader) {
  while (reader.pos < reader.size && IsScheduleWhiteSpace(reader.data[reader.pos]))
    ++reader.pos;
}

// fgets: at most capacity - 1 bytes up to and including the first line feed, then a NUL.
// Returns how many bytes were taken; 0 only at the end of the file. A longer line is left
// for the following reads, piece by piece.
std::size_t ReadLine(TextReader& reader, char* buffer, std::size_t capacity) {
  std::size_t room = reader.size - reader.pos;
  if (room > capacity - 1) room = capacity - 1;
  const char* start = reader.data + reader.pos;
  const void* feed = std::memchr(start, '\n', room);
  std::size_t taken = feed != nullptr ? static_cast<const char*>(feed) - start + 1 : room;
  std::memcpy(buffer, start, taken);
  buffer[taken] = '\0';
  reader.pos += taken;
  return taken;
}

// Whole-line comparison by length, so an embedded NUL cannot make a line look like a marker.
bool LineIs(const char* line, std::size_t length, const char* expected) {
  return length == std::strlen(expected) && std::memcmp(line, expected, length) == 0;
}

// A raw line (line feed included) that is exactly the empty-text marker.
bool IsEmptyTextMarkerLine(const char* line, std::size_t length) {
  return length == kEmptyTextMarkerLength + 1 &&
         std::memcmp(line, kEmptyTextMarker, kEmptyTextMarkerLength) == 0 &&
         line[kEmptyTextMarkerLength] == '\n';
}

// fscanf "%s" followed by the skip of all white space after it. The word's first 259
// bytes are kept; a longer word is still consumed whole, so the count after it is found.
// Returns false when the file ended before any word.
bool ReadWord(TextReader& reader, char* word, std::size_t* wordLength) {
  SkipWhiteSpace(reader);
  std::size_t length = 0;
  while (reader.pos < reader.size && !IsScheduleWhiteSpace(reader.data[reader.pos])) {
    if (length < kTextSize - 1) word[length++] = reader.data[reader.pos];
    ++reader.pos;
  }
  word[length] = '\0';
  *wordLength = length;
  SkipWhiteSpace(reader);
  return length > 0;
}

// An option word is on exactly when it is "true", whole and case-sensitive. Any other word
// than "true" and "false", or none, is not what the editor writes.
bool ReadOptionWord(TextReader& reader, bool* wellFormed) {
  char word[kTextSize];
  std::size_t length = 0;
  bool read = ReadWord(reader, word, &length);
  bool on = read && LineIs(word, length, "true");
  if (!on && !(read && LineIs(word, length, "false"))) *wellFormed = false;
  return on;
}

// A decimal integer with optional sign starting at the reader's position (no white-space
// skip). A value beyond 32 bits saturates instead of wrapping. False, with nothing
// consumed, when no digit follows.
bool ParseInteger(TextReader& reader, int32_t* value) {
  std::size_t pos = reader.pos;
  bool negative = false;
  if (pos < reader.size && (reader.data[pos] == '+' || reader.data[pos] == '-')) {
    negative = reader.data[pos] == '-';
    ++pos;
  }
  if (pos >= reader.size || !IsDigit(reader.data[pos])) return false;
  const int64_t limit = negative ? static_cast<int64_t>(INT32_MAX) + 1 : INT32_MAX;
  int64_t magnitude = 0;
  while (pos < reader.size && IsDigit(reader.data[pos])) {
    magnitude = magnitude * 10 + (reader.data[pos] - '0');
    if (magnitude > limit) magnitude = limit;
    ++pos;
  }
  reader.pos = pos;
  *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

// The item count: fscanf "%d" and the skip of all white space after it; missing or not a
// number counts as 0. A count followed by more than white space is not a number either.
int32_t ReadCount(TextReader& reader, bool* wellFormed) {
  SkipWhiteSpace(reader);
  int32_t count = 0;
  if (!ParseInteger(reader, &count)) {
    count = 0;
    *wellFormed = false;
  } else if (reader.pos < reader.size && !IsScheduleWhiteSpace(reader.data[reader.pos])) {
    *wellFormed = false;
  }
  SkipWhiteSpace(reader);
  return count;
}

// A record's delay line. Returns false when the file holds nothing but white space any
// more (the record is incomplete). A line that holds no number gives delay 0 and is
// skipped whole, so the following records keep their places; the blanks before the
// number are looked for on the delay line itself for the same reason.
bool ReadDelay(TextReader& reader, int32_t* delay) {
  while (reader.pos < reader.size && reader.data[reader.pos] != '\n' &&
         IsScheduleWhiteSpace(reader.data[reader.pos])) {
    ++reader.pos;
  }
  if (!ParseInteger(reader, delay)) {
    std::size_t rest = reader.pos;
    while (rest < reader.size && IsScheduleWhiteSpace(reader.data[rest])) ++rest;
    if (rest >= reader.size) return false;
    *delay = 0;
    while (reader.pos < reader.size && reader.data[reader.pos] != '\n') ++reader.pos;
    if (reader.pos < reader.size) ++reader.pos;  // the line feed
  }
  SkipWhiteSpace(reader);  // the record's blank line and the next name's leading blanks
  return true;
}

// The record loop both loaders run, into an empty list. A record is taken only when its
// five lines each gave at least one byte and its delay line was there, so a short file stops
// at its last complete record and a huge count allocates nothing beyond the records present.
// A file of more than kMaxScheduleItems records, or one whose items memory cannot hold, is
// refused whole (the list emptied): part of it would be saved over the whole by the editor
// or run as the whole by the runner.
FileProblem ReadRecords(TextReader& reader, int32_t count, ScheduleList& list) {
  ScheduleItem* last = nullptr;
  char name[kTextSize];
  char path[kTextSize];
  char arguments[kTextSize];
  char workFolder[kTextSize];
  char flagLine[kTextSize];
  int32_t flag = 0;  // a flag line that is neither marker keeps the previous record's value
  int32_t added = 0;
  for (int32_t index = 0; index < count; ++index) {
    if (ReadLine(reader, name, kTextSize) == 0) break;
    StripNewline(name);
    if (ReadLine(reader, path, kTextSize) == 0) break;
    StripNewline(path);
    std::size_t length = ReadLine(reader, arguments, kTextSize);
    if (length == 0) break;
    if (IsEmptyTextMarkerLine(arguments, length)) arguments[0] = '\0';
    StripNewline(arguments);
    length = ReadLine(reader, workFolder, kTextSize);
    if (length == 0) break;
    if (IsEmptyTextMarkerLine(workFolder, length)) workFolder[0] = '\0';
    StripNewline(workFolder);
    length = ReadLine(reader, flagLine, kTextSize);
    if (length == 0) break;
    if (LineIs(flagLine, length, "false\n")) {
      flag = 0;
    } else if (LineIs(flagLine, length, "true\n")) {
      flag = 1;
    }
    int32_t delay = 0;
    if (!ReadDelay(reader, &delay)) break;
    ScheduleItem* item = added < kMaxScheduleItems
                             ? NewScheduleItem(name, path, arguments, workFolder, delay, flag)
                             : nullptr;
    if (item == nullptr) {
      list.clear();
      return added < kMaxScheduleItems ? FileProblem::kFailed : FileProblem::kTooManyItems;
    }
    list.appendAfter(last, item);
    last = item;
    ++added;
  }
  list.itemCount = added;
  return FileProblem::kNone;
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

// Turns raw file bytes into text-mode bytes in place and reads them from the start. An
// empty file has no block at all; its reader still gets a valid place to look at.
TextReader TextModeReader(ScheduleFileBytes& bytes) {
  ApplyTextMode(bytes);
  return TextReader{bytes.data != nullptr ? bytes.data : "", bytes.size, 0};
}

// Nothing from byte from on but white space and 0x1A bytes.
bool BlankFrom(const ScheduleFileBytes& bytes, std::size_t from) {
  for (std::size_t i = from; i < bytes.size; ++i) {
    if (bytes.data[i] != '\x1A' && !IsScheduleWhiteSpace(bytes.data[i])) return false;
  }
  return true;
}

// The three readers over raw file bytes, which they turn into text-mode bytes in place.
// The two list readers change nothing for a file they refuse (ReadRecords). The editor's
// reader also tells whether it met anything the editor does not write (ParseScheduleText).
FileProblem ParseSchedule(ScheduleFileBytes& bytes, ScheduleList& list,
                          ScheduleOptions& options, bool* wellFormed) {
  list.clear();
  // A UTF-8 file is read as its code page 932 text; a character that has no form there
  // would be lost by a save, so such a file does not read as a schedule.
  TextConversion converted = ConvertUtf8Schedule(bytes.data, &bytes.size);
  if (converted == TextConversion::kFailed) {
    *wellFormed = false;
    return FileProblem::kFailed;
  }
  // What follows the first 0x1A is judged on the raw bytes, as the text-mode step drops it.
  bool blank = BlankFrom(bytes, 0);
  const void* eof = bytes.size > 0 ? std::memchr(bytes.data, 0x1A, bytes.size) : nullptr;
  bool formed =
      converted != TextConversion::kLossy &&
      (eof == nullptr || BlankFrom(bytes, static_cast<const char*>(eof) - bytes.data));
  TextReader reader = TextModeReader(bytes);
  // A NUL ends a text as the editor holds it: the rest of its line would be lost on a save.
  formed = formed && std::memchr(reader.data, '\0', reader.size) == nullptr;
  ScheduleOptions read;
  read.showRunnerWindow = ReadOptionWord(reader, &formed);
  read.exitAfterRun = ReadOptionWord(reader, &formed);
  int32_t count = ReadCount(reader, &formed);
  FileProblem problem = ReadRecords(reader, count, list);
  if (problem == FileProblem::kNone) options = read;
  SkipWhiteSpace(reader);
  *wellFormed = blank || (formed && list.itemCount >= count && reader.pos == reader.size);
  return problem;
}

FileProblem ParseRunnerSchedule(ScheduleFileBytes& bytes, ScheduleList& list) {
  if (ConvertUtf8Schedule(bytes.data, &bytes.size) == TextConversion::kFailed) {
    return FileProblem::kFailed;
  }
  TextReader reader = TextModeReader(bytes);
  bool wellFormed = true;               // the runner takes what it can read
  ReadOptionWord(reader, &wellFormed);  // the runner reads its options line by line, elsewhere
  ReadOptionWord(reader, &wellFormed);
  int32_t count = ReadCount(reader, &wellFormed);
  // Read apart and then linked on whole, so a refused file adds nothing.
  ScheduleList read;
  FileProblem problem = ReadRecords(reader, count, read);
  if (problem != FileProblem::kNone) return problem;
  ScheduleItem* tail = list.head;
  while (tail != nullptr && tail->next != nullptr) tail = tail->next;
  list.appendAfter(tail, read.head);
  list.itemCount += read.itemCount;
  return FileProblem::kNone;
}

ScheduleOptions ParseRunnerOptions(ScheduleFileBytes& bytes) {
  ConvertUtf8Schedule(bytes.data, &bytes.size);  // after a failed one, the lines as they are
  TextReader reader = TextModeReader(bytes);
  char line[kOptionLineSize];
  ScheduleOptions options;
  std::size_t length = ReadLine(reader, line, sizeof line);
  options.showRunnerWindow = LineIs(line, length, "true\n");
  length = ReadLine(reader, line, sizeof line);
  options.exitAfterRun = LineIs(line, length, "true\n");
  return options;
}

// ---- writing -------------------------------------------------------------------------

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

// The in-memory readers work on a copy, which they change in place. False when the copy
// could not be made.
bool CopyOfBytes(const char* bytes, std::size_t size, ScheduleFileBytes& copy) {
  return bytes == nullptr || AppendBytes(copy, bytes, size);
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

void StripNewline(char* text) {
  for (std::size_t i = 0; i < kTextSize && text[i] != '\0'; ++i) {
    if (text[i] == '\n') {
      text[i] = '\0';
      return;
    }
  }
}

void FreeScheduleFileBytes(ScheduleFileBytes& bytes) {
  FreeBlock(bytes.data);
  bytes = ScheduleFileBytes{};
}

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

FileProblem ParseScheduleText(const char* bytes, std::size_t size, ScheduleList& list,
                              ScheduleOptions& options, bool* wellFormed) {
  ScheduleFileBytes text;
  FileProblem problem = FileProblem::kFailed;
  bool formed = false;
  if (CopyOfBytes(bytes, size, text)) {
    problem = ParseSchedule(text, list, options, &formed);
  } else {
    list.clear();
  }
  FreeScheduleFileBytes(text);
  if (wellFormed != nullptr) *wellFormed = formed;
  return problem;
}

void ParseRunnerScheduleText(const char* bytes, std::size_t size, ScheduleList& list) {
  ScheduleFileBytes text;
  if (CopyOfBytes(bytes, size, text)) ParseRunnerSchedule(text, list);
  FreeScheduleFileBytes(text);
}

ScheduleOptions ParseRunnerOptionsText(const char* bytes, std::size_t size) {
  ScheduleFileBytes text;
  ScheduleOptions options;
  if (CopyOfBytes(bytes, size, text)) options = ParseRunnerOptions(text);
  FreeScheduleFileBytes(text);
  return options;
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

// White space as fscanf's "%s" and "%d" skip it in the "C" locale.
bool IsScheduleWhiteSpace(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
         byte == '\r';
}

int32_t ParseScheduleNumber(const char* text) {
  TextReader reader{text, std::strlen(text), 0};
  SkipWhiteSpace(reader);
  int32_t value = 0;
  return ParseInteger(reader, &value) ? value : 0;
}
