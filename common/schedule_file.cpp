// The schedule file (.tlf): the editor's writer, the editor's and the runner's readers and
// the runner's option reading. Files (up to kMaxScheduleFileBytes) are read whole in binary
// and given the C library's text-mode treatment here (CR LF reads as LF, a byte 0x1A ends
// the file), and the writer puts CR LF itself, so the bytes on disk are the same whichever
// platform wrote them.
#include "schedule_file.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "file_replace.h"
#include "path_split.h"
#include "text.h"

namespace {

// Longest text field the readers take back whole: the line, its line feed and the NUL
// must fit in a 260-byte buffer.
constexpr std::size_t kMaxFieldBytes = kTextSize - 2;
constexpr std::size_t kOptionLineSize = 30;  // the runner's option line buffer

// The line that stands for an empty arguments or working-folder text, written and read back
// by its line alone.
constexpr char kEmptyTextMarker[] = "nn";
constexpr std::size_t kEmptyTextMarkerLength = sizeof kEmptyTextMarker - 1;

// How many names ~tlsave0.tmp, ~tlsave1.tmp, ... a save tries for its temporary file.
constexpr int kTemporaryNameAttempts = 100;

// The two limits of schedule_file.h. A schedule of 100,000 items of usual length is about
// 8 MB; twice that still reads whole at once without strain in a 32-bit process, whose 2 GB
// of address space a file of several hundred MB used to exhaust (ending the program in the
// allocation). The item limit keeps the records' memory bounded as well: 100,000 items take
// about 130 MB, while 16 MB of the shortest possible records would ask for 3 GB.

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

// The record loop both loaders run, into an empty list. A record is taken only when its
// five lines each gave at least one byte and its delay line was there, so a short file stops
// at its last complete record and a huge count allocates nothing beyond the records present.
// Returns false, with the list emptied, when the file holds more than kMaxScheduleItems.
bool ReadRecords(TextReader& reader, int32_t count, ScheduleList& list) {
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
    if (added == kMaxScheduleItems) {
      list.clear();
      return false;
    }
    ScheduleItem* item = NewScheduleItem(name, path, arguments, workFolder, delay, flag);
    if (item == nullptr) break;  // out of memory: keep what was read so far
    list.appendAfter(last, item);
    last = item;
    ++added;
  }
  list.itemCount = added;
  return true;
}

// Reads the file's raw bytes, refusing (as unreadable) a file larger than
// kMaxScheduleFileBytes: a huge or endless file is never held in memory. The stream's own
// length is only a hint, as ftell's long cannot tell a size beyond 2 GB on Windows. A failed
// allocation on the way is a failed read too, never the end of the program.
bool ReadWholeFile(const char* path, std::string& bytes) {
  if (path == nullptr || path[0] == '\0') return false;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  bool read = true;
  try {
    if (std::fseek(file, 0, SEEK_END) == 0) {
      long length = std::ftell(file);
      if (length > 0 && static_cast<unsigned long>(length) <= kMaxScheduleFileBytes) {
        bytes.reserve(static_cast<std::size_t>(length));
      }
      std::rewind(file);
    }
    char chunk[16384];
    std::size_t got;
    while (read && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
      read = got <= kMaxScheduleFileBytes - bytes.size();
      if (read) bytes.append(chunk, got);
    }
  } catch (const std::bad_alloc&) {
    read = false;
  }
  read = std::ferror(file) == 0 && read;  // e.g. a folder opened by name
  std::fclose(file);
  return read;
}

// The three readers over raw file bytes, which they turn into text-mode bytes in place.
// The two list readers return false, changing nothing, for a file beyond the item limit.
bool ParseSchedule(std::string& bytes, ScheduleList& list, ScheduleOptions& options) {
  list.clear();
  ApplyTextMode(bytes);
  TextReader reader{bytes.data(), bytes.size(), 0};
  ScheduleOptions read;
  read.showRunnerWindow = ReadOptionWord(reader);
  read.exitAfterRun = ReadOptionWord(reader);
  int32_t count = ReadCount(reader);
  if (!ReadRecords(reader, count, list)) return false;
  options = read;
  return true;
}

bool ParseRunnerSchedule(std::string& bytes, ScheduleList& list) {
  ApplyTextMode(bytes);
  TextReader reader{bytes.data(), bytes.size(), 0};
  ReadOptionWord(reader);  // the runner reads its options line by line, elsewhere
  ReadOptionWord(reader);
  int32_t count = ReadCount(reader);
  // Read apart and then linked on whole, so a refused file adds nothing.
  ScheduleList read;
  if (!ReadRecords(reader, count, read)) return false;
  ScheduleItem* tail = list.head;
  while (tail != nullptr && tail->next != nullptr) tail = tail->next;
  list.appendAfter(tail, read.head);
  list.itemCount += read.itemCount;
  return true;
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

// How a record's text line shows an empty text: name and path as an empty line, arguments
// and working folder as the marker line.
enum class EmptyText { kEmptyLine, kMarker };

// One text line of a record. Only the text before its first line feed is written (a later
// part would become lines of its own and shift every following record), nor anything from
// a byte 0x1A on (the readers stop there); at most 258 bytes, cut at a character boundary.
void AppendTextLine(std::string& out, const char* text, EmptyText empty) {
  char line[kTextSize];
  std::size_t length = 0;
  while (length < kTextSize - 1 && text[length] != '\0' && text[length] != '\n' &&
         text[length] != '\x1A') {
    line[length] = text[length];
    ++length;
  }
  line[length] = '\0';
  length = FitTextLength(line, kMaxFieldBytes);
  if (length == 0 && empty == EmptyText::kMarker) {
    out += kEmptyTextMarker;
  } else {
    out.append(line, length);
  }
  out += "\r\n";
}

void AppendNumberLine(std::string& out, int32_t value) {
  char number[16];
  std::snprintf(number, sizeof number, "%d", static_cast<int>(value));
  out += number;
  out += "\r\n\r\n";
}

// Writes bytes into a new file in the target's folder (never the current folder: the target
// may be named relative to another one, or the current folder may be gone) under the first
// free name ~tlsave<n>.tmp, and puts it in place of the target. A name in use is skipped,
// never opened, so no other file is overwritten; when every name is in use the save fails.
bool SaveBytes(const char* path, const std::string& bytes) {
  // Sized from the path itself, so even a path longer than usual keeps its folder.
  std::string folder(std::strlen(path) + 1, '\0');
  SplitDriveAndFolder(path, &folder[0], folder.size());
  folder.resize(std::strlen(folder.c_str()));
  std::string temporary;
  temporary.reserve(folder.size() + 32);
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    char name[32];
    FormatText(name, sizeof name, "~tlsave%d.tmp", attempt);
    temporary = folder;
    temporary += name;
    NewFileResult result = WriteNewFile(temporary.c_str(), bytes.data(), bytes.size());
    if (result == NewFileResult::kNameTaken) continue;
    if (result == NewFileResult::kFailed) return false;
    // Only a completely written file replaces the old one; otherwise the old one stays.
    if (ReplaceFileWith(temporary.c_str(), path)) return true;
    std::remove(temporary.c_str());
    return false;
  }
  return false;
}

int32_t CountItems(const ScheduleList& list) {
  int32_t count = 0;
  for (const ScheduleItem* item = list.head; item != nullptr; item = item->next) ++count;
  return count;
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
  int32_t count = CountItems(list);
  std::string out;
  out.reserve(32 + static_cast<std::size_t>(count) * 96);
  out += options.showRunnerWindow ? "true\r\n" : "false\r\n";
  out += options.exitAfterRun ? "true\r\n\r\n" : "false\r\n\r\n";
  AppendNumberLine(out, count);
  for (const ScheduleItem* item = list.head; item != nullptr; item = item->next) {
    AppendTextLine(out, item->name, EmptyText::kEmptyLine);
    AppendTextLine(out, item->path, EmptyText::kEmptyLine);
    AppendTextLine(out, item->arguments, EmptyText::kMarker);
    AppendTextLine(out, item->workFolder, EmptyText::kMarker);
    out += item->pathIsEnvVar != 0 ? "true\r\n" : "false\r\n";
    AppendNumberLine(out, item->delaySeconds);
  }
  return out;
}

bool WriteScheduleFile(const char* path, const ScheduleList& list,
                       const ScheduleOptions& options) {
  if (path == nullptr || path[0] == '\0') return false;
  // Running out of memory while formatting fails the save like a full disk: the old file
  // stays as it was and the editor keeps the schedule, so nothing is lost.
  try {
    std::string bytes = FormatScheduleFile(list, options);
    // A file the readers would refuse is not written: it could not be opened again.
    if (bytes.size() > kMaxScheduleFileBytes || CountItems(list) > kMaxScheduleItems) {
      return false;
    }
    return SaveBytes(path, bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
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
  return ParseSchedule(bytes, list, options);
}

bool LoadRunnerSchedule(const char* path, ScheduleList& list) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  return ParseRunnerSchedule(bytes, list);
}

ScheduleOptions ReadRunnerOptions(const char* path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return ScheduleOptions{};
  return ParseRunnerOptions(bytes);
}
