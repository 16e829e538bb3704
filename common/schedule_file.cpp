// The schedule file (.tlf): the editor's writer, the editor's and the runner's readers and
// the runner's option reading. Files are read whole in binary and given the C library's
// text-mode treatment here (CR LF reads as LF, a byte 0x1A ends the file), and the writer
// puts CR LF itself, so the bytes on disk are the same whichever platform wrote them.
#include "schedule_file.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "file_replace.h"
#include "path_split.h"
#include "text.h"

namespace {

// Longest text field the readers take back whole: the line, its line feed and the NUL
// must fit in a 260-byte buffer.
constexpr std::size_t kMaxFieldBytes = kTextSize - 2;
constexpr std::size_t kOptionLineSize = 30;  // the runner's option line buffer

// ---- reading -------------------------------------------------------------------------

// Gives text the treatment of a text-mode stream, in place: everything from the first 0x1A
// on is dropped, and so is each CR that directly precedes a LF (a lone CR is kept, as the
// C library keeps it).
void ApplyTextMode(std::string& text) {
  const void* eof = std::memchr(text.data(), 0x1A, text.size());
  if (eof != nullptr) text.resize(static_cast<const char*>(eof) - text.data());
  char* data = &text[0];
  std::size_t size = text.size();
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
  text.resize(out);
}

struct TextReader {
  const char* data;
  std::size_t size;
  std::size_t pos;
};

// White space as fscanf's "%s" and "%d" skip it in the "C" locale.
bool IsSpace(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
         byte == '\r';
}

bool IsDigit(char byte) { return byte >= '0' && byte <= '9'; }

void SkipWhiteSpace(TextReader& reader) {
  while (reader.pos < reader.size && IsSpace(reader.data[reader.pos])) ++reader.pos;
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

// fscanf "%s" followed by the skip of all white space after it. The word's first 259
// bytes are kept; a longer word is still consumed whole, so the count after it is found.
// Returns false when the file ended before any word.
bool ReadWord(TextReader& reader, char* word, std::size_t* wordLength) {
  SkipWhiteSpace(reader);
  std::size_t length = 0;
  while (reader.pos < reader.size && !IsSpace(reader.data[reader.pos])) {
    if (length < kTextSize - 1) word[length++] = reader.data[reader.pos];
    ++reader.pos;
  }
  word[length] = '\0';
  *wordLength = length;
  SkipWhiteSpace(reader);
  return length > 0;
}

// An option word is on exactly when it is "true", whole and case-sensitive.
bool ReadOptionWord(TextReader& reader) {
  char word[kTextSize];
  std::size_t length = 0;
  return ReadWord(reader, word, &length) && LineIs(word, length, "true");
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
// number counts as 0.
int32_t ReadCount(TextReader& reader) {
  SkipWhiteSpace(reader);
  int32_t count = 0;
  if (!ParseInteger(reader, &count)) count = 0;
  SkipWhiteSpace(reader);
  return count;
}

// A record's delay line. Returns false when the file holds nothing but white space any
// more (the record is incomplete). A line that holds no number gives delay 0 and is
// skipped whole, so the following records keep their places; the blanks before the
// number are looked for on the delay line itself for the same reason.
bool ReadDelay(TextReader& reader, int32_t* delay) {
  while (reader.pos < reader.size && reader.data[reader.pos] != '\n' &&
         IsSpace(reader.data[reader.pos])) {
    ++reader.pos;
  }
  if (!ParseInteger(reader, delay)) {
    std::size_t rest = reader.pos;
    while (rest < reader.size && IsSpace(reader.data[rest])) ++rest;
    if (rest >= reader.size) return false;
    *delay = 0;
    while (reader.pos < reader.size && reader.data[reader.pos] != '\n') ++reader.pos;
    if (reader.pos < reader.size) ++reader.pos;  // the line feed
  }
  SkipWhiteSpace(reader);  // the record's blank line and the next name's leading blanks
  return true;
}

// The record loop both loaders run. Items are linked after the last one present (found
// once, not per item). A record is taken only when its five lines each gave at least one
// byte and its delay line was there, so a short file stops at its last complete record and
// a huge count allocates nothing beyond the records present. Returns the items added.
int32_t ReadRecords(TextReader& reader, int32_t count, ScheduleList& list) {
  ScheduleItem* last = list.head;
  while (last != nullptr && last->next != nullptr) last = last->next;
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
    if (LineIs(arguments, length, "nn\n")) arguments[0] = '\0';
    StripNewline(arguments);
    length = ReadLine(reader, workFolder, kTextSize);
    if (length == 0) break;
    if (LineIs(workFolder, length, "nn\n")) workFolder[0] = '\0';
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
    ScheduleItem* item = NewScheduleItem(name, path, arguments, workFolder, delay, flag);
    if (item == nullptr) break;  // out of memory: keep what was read so far
    list.appendAfter(last, item);
    last = item;
    ++added;
  }
  return added;
}

bool ReadWholeFile(const char* path, std::string& bytes) {
  if (path == nullptr || path[0] == '\0') return false;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  // Sized once from the file's length where the stream can tell it; read to the end anyway.
  if (std::fseek(file, 0, SEEK_END) == 0) {
    long length = std::ftell(file);
    if (length > 0) bytes.reserve(static_cast<std::size_t>(length));
    std::rewind(file);
  }
  char chunk[16384];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  bool failed = std::ferror(file) != 0;  // e.g. a folder opened by name
  std::fclose(file);
  return !failed;
}

// The three readers over raw file bytes, which they turn into text-mode bytes in place.
void ParseSchedule(std::string& bytes, ScheduleList& list, ScheduleOptions& options) {
  list.clear();
  ApplyTextMode(bytes);
  TextReader reader{bytes.data(), bytes.size(), 0};
  options.showRunnerWindow = ReadOptionWord(reader);
  options.exitAfterRun = ReadOptionWord(reader);
  int32_t count = ReadCount(reader);
  list.itemCount = ReadRecords(reader, count, list);
}

void ParseRunnerSchedule(std::string& bytes, ScheduleList& list) {
  ApplyTextMode(bytes);
  TextReader reader{bytes.data(), bytes.size(), 0};
  ReadOptionWord(reader);  // the runner reads its options line by line, elsewhere
  ReadOptionWord(reader);
  int32_t count = ReadCount(reader);
  list.itemCount += ReadRecords(reader, count, list);
}

ScheduleOptions ParseRunnerOptions(std::string& bytes) {
  ApplyTextMode(bytes);
  TextReader reader{bytes.data(), bytes.size(), 0};
  char line[kOptionLineSize];
  ScheduleOptions options;
  std::size_t length = ReadLine(reader, line, sizeof line);
  options.showRunnerWindow = LineIs(line, length, "true\n");
  length = ReadLine(reader, line, sizeof line);
  options.exitAfterRun = LineIs(line, length, "true\n");
  return options;
}

// ---- writing -------------------------------------------------------------------------

// One text line of a record. Only the text before its first line feed is written (a later
// part would become lines of its own and shift every following record), nor anything from
// a byte 0x1A on (the readers stop there); at most 258 bytes, cut at a character boundary.
void AppendTextLine(std::string& out, const char* text, bool emptyMarker) {
  char line[kTextSize];
  std::size_t length = 0;
  while (length < kTextSize - 1 && text[length] != '\0' && text[length] != '\n' &&
         text[length] != '\x1A') {
    line[length] = text[length];
    ++length;
  }
  line[length] = '\0';
  length = FitTextLength(line, kMaxFieldBytes);
  if (length == 0 && emptyMarker) {
    out += "nn\r\n";
    return;
  }
  out.append(line, length);
  out += "\r\n";
}

void AppendNumberLine(std::string& out, int32_t value) {
  char number[16];
  std::snprintf(number, sizeof number, "%d", static_cast<int>(value));
  out += number;
  out += "\r\n\r\n";
}

// A name for the temporary file in the target's folder that is not in use yet.
bool MakeTemporaryName(const char* path, std::string& temporary) {
  // Sized from the path itself, so even a path longer than usual keeps its folder.
  std::string folderBuffer(std::strlen(path) + 1, '\0');
  SplitDriveAndFolder(path, &folderBuffer[0], folderBuffer.size());
  const char* folder = folderBuffer.c_str();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "~tlsave%d.tmp", attempt);
    temporary = folder;
    temporary += name;
    std::FILE* existing = std::fopen(temporary.c_str(), "rb");
    if (existing == nullptr) return true;
    std::fclose(existing);
  }
  return false;
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

std::string FormatScheduleFile(const ScheduleList& list, const ScheduleOptions& options) {
  // The count written is the number of items actually in the list, so the file always
  // holds as many records as its count line says.
  int32_t count = 0;
  for (const ScheduleItem* item = list.head; item != nullptr; item = item->next) ++count;
  std::string out;
  out.reserve(32 + static_cast<std::size_t>(count) * 96);
  out += options.showRunnerWindow ? "true\r\n" : "false\r\n";
  out += options.exitAfterRun ? "true\r\n\r\n" : "false\r\n\r\n";
  AppendNumberLine(out, count);
  for (const ScheduleItem* item = list.head; item != nullptr; item = item->next) {
    AppendTextLine(out, item->name, false);
    AppendTextLine(out, item->path, false);
    AppendTextLine(out, item->arguments, true);
    AppendTextLine(out, item->workFolder, true);
    out += item->pathIsEnvVar != 0 ? "true\r\n" : "false\r\n";
    AppendNumberLine(out, item->delaySeconds);
  }
  return out;
}

bool WriteScheduleFile(const char* path, const ScheduleList& list,
                       const ScheduleOptions& options) {
  if (path == nullptr || path[0] == '\0') return false;
  std::string bytes = FormatScheduleFile(list, options);
  std::string temporary;
  if (!MakeTemporaryName(path, temporary)) return false;
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  written = std::fflush(file) == 0 && written;
  written = std::fclose(file) == 0 && written;
  // Only a completely written file replaces the old one; otherwise the old one stays.
  if (written) written = ReplaceFileWith(temporary.c_str(), path);
  if (!written) std::remove(temporary.c_str());
  return written;
}

void ParseScheduleText(const char* bytes, std::size_t size, ScheduleList& list,
                       ScheduleOptions& options) {
  std::string text;
  if (bytes != nullptr) text.assign(bytes, size);
  ParseSchedule(text, list, options);
}

void ParseRunnerScheduleText(const char* bytes, std::size_t size, ScheduleList& list) {
  std::string text;
  if (bytes != nullptr) text.assign(bytes, size);
  ParseRunnerSchedule(text, list);
}

ScheduleOptions ParseRunnerOptionsText(const char* bytes, std::size_t size) {
  std::string text;
  if (bytes != nullptr) text.assign(bytes, size);
  return ParseRunnerOptions(text);
}

bool LoadScheduleFile(const char* path, ScheduleList& list, ScheduleOptions& options) {
  list.clear();
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;  // options keep their values
  ParseSchedule(bytes, list, options);
  return true;
}

bool LoadRunnerSchedule(const char* path, ScheduleList& list) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  ParseRunnerSchedule(bytes, list);
  return true;
}

ScheduleOptions ReadRunnerOptions(const char* path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return ScheduleOptions{};
  return ParseRunnerOptions(bytes);
}
