// The schedule file's readers: the editor's and the runner's, and the runner's option
// reading, over a file's raw bytes. They give the bytes the C library's text-mode
// treatment here (CR LF reads as LF, a byte 0x1A ends the file), so a file reads the same
// on every platform, and tell whether the file read as a schedule. Reading the file from
// disk is in schedule_file_load.cpp, writing in schedule_file_write.cpp.
#include "schedule_file.h"

#include <cstring>

#include "schedule_file_parts.h"
#include "text.h"
#include "text_encoding.h"

namespace {

constexpr std::size_t kOptionLineSize = 30;  // the runner's option line buffer

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

}  // namespace

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

void StripNewline(char* text) {
  for (std::size_t i = 0; i < kTextSize && text[i] != '\0'; ++i) {
    if (text[i] == '\n') {
      text[i] = '\0';
      return;
    }
  }
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
