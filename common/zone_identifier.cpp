// Reading a file's zone mark and the runner's question before a schedule from another
// computer runs.
#include "zone_identifier.h"

#include <cstring>

#include "text.h"

namespace {

const int kNoZone = -1;
const int kZoneInternet = 3;
const int kZoneRestricted = 4;
// The stream is read only up to this many bytes; the marks that Windows writes are far
// shorter.
const std::size_t kZoneStreamLimit = 4096;
const char kStreamSuffix[] = ":Zone.Identifier";
const char kQuestionFormat[] =
    "このスケジュールはインターネットなど他のコンピューターから取得したファイルです。\n%s\n"
    "書かれているプログラムを順に起動します。実行しますか？\n\n"
    "信頼できるファイルの場合は、ファイルのプロパティで「許可する」にチェックを入れると、"
    "次回から確認しません。";

// The stream's text one character at a time, whether it is bytes or UTF-16 as Windows
// writes it (some tools write the mark that way). A UTF-16 character outside ASCII reads
// as '?', which no name or number of the mark holds.
struct StreamText {
  const unsigned char* bytes;
  std::size_t count;  // characters
  std::size_t width;  // bytes per character: 1 or 2

  char at(std::size_t index) const {
    if (width == 1) return static_cast<char>(bytes[index]);
    unsigned low = bytes[2 * index];
    unsigned high = bytes[2 * index + 1];
    return high == 0 && low < 0x80 ? static_cast<char>(low) : '?';
  }
};

StreamText ReadAsText(const char* data, std::size_t size) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    return StreamText{bytes + 2, (size - 2) / 2, 2};
  }
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    return StreamText{bytes + 3, size - 3, 1};
  }
  // UTF-16 without its byte order mark: the text starts with "[", so its second byte is 0.
  if (size >= 2 && bytes[0] != 0 && bytes[1] == 0) return StreamText{bytes, size / 2, 2};
  return StreamText{bytes, size, 1};
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Narrows [begin, end) to the text between its blanks.
void TrimBlanks(const StreamText& text, std::size_t& begin, std::size_t& end) {
  while (begin < end && IsBlank(text.at(begin))) ++begin;
  while (end > begin && IsBlank(text.at(end - 1))) --end;
}

// True when [begin, end) is name, ASCII letters compared without case as INI files do.
bool IsName(const StreamText& text, std::size_t begin, std::size_t end, const char* name) {
  std::size_t length = std::strlen(name);
  if (end - begin != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    char c = text.at(begin + i);
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    char n = name[i];
    if (n >= 'A' && n <= 'Z') n = static_cast<char>(n - 'A' + 'a');
    if (c != n) return false;
  }
  return true;
}

// The leading decimal digits of a value, as the INI readers take a number ("3 " and "3;x"
// are 3); kNoZone without any. Kept from overflowing: every zone over 4 is as good as any.
int LeadingNumber(const StreamText& text, std::size_t begin, std::size_t end) {
  if (begin == end || text.at(begin) < '0' || text.at(begin) > '9') return kNoZone;
  int number = 0;
  for (std::size_t i = begin; i < end && text.at(i) >= '0' && text.at(i) <= '9'; ++i) {
    if (number < 100000) number = number * 10 + (text.at(i) - '0');
  }
  return number;
}

// True when a line of the [ZoneTransfer] section is its ZoneId, with the zone in zone
// (kNoZone for a value that is no number).
bool ZoneOfLine(const StreamText& text, std::size_t begin, std::size_t end, int& zone) {
  std::size_t equals = begin;
  while (equals < end && text.at(equals) != '=') ++equals;
  if (equals == end) return false;
  std::size_t keyEnd = equals;
  TrimBlanks(text, begin, keyEnd);
  if (!IsName(text, begin, keyEnd, "ZoneId")) return false;
  std::size_t valueBegin = equals + 1;
  TrimBlanks(text, valueBegin, end);
  zone = LeadingNumber(text, valueBegin, end);
  return true;
}

// The ZoneId of the [ZoneTransfer] section in the stream's bytes, or kNoZone. complete is
// false when the stream went on past these bytes.
int ZoneIdOfStream(const char* bytes, std::size_t size, bool complete) {
  StreamText text = ReadAsText(bytes, size);
  bool inZoneTransfer = false;
  std::size_t lineBegin = 0;
  for (std::size_t i = 0; i <= text.count; ++i) {
    bool lineEnd = i < text.count && (text.at(i) == '\r' || text.at(i) == '\n');
    // The last line counts only when the stream ends with it: a cut one could be a cut key.
    if (!lineEnd && !(i == text.count && complete)) continue;
    std::size_t begin = lineBegin;
    std::size_t end = i;
    lineBegin = i + 1;
    TrimBlanks(text, begin, end);
    if (begin < end && text.at(begin) == '[') {
      std::size_t nameEnd = begin + 1;
      while (nameEnd < end && text.at(nameEnd) != ']') ++nameEnd;
      std::size_t nameBegin = begin + 1;
      TrimBlanks(text, nameBegin, nameEnd);
      inZoneTransfer = IsName(text, nameBegin, nameEnd, "ZoneTransfer");
      continue;
    }
    int zone = kNoZone;
    // The first ZoneId counts, as with the platform's own INI reading.
    if (inZoneTransfer && ZoneOfLine(text, begin, end, zone)) return zone;
  }
  // A mark too long to read whole, with no zone in what was read, may hold it further on:
  // taken as the internet's, so the user is asked rather than a marked file run unasked.
  return complete ? kNoZone : kZoneInternet;
}

// The zone of the file at path, read from path's Zone.Identifier stream; kNoZone when the
// stream is missing, unreadable or holds no zone.
int ReadFileZone(const ZoneHost& host, const char* path) {
  // The platform drops blanks and dots from the end of a path when it opens the file (the
  // runner's path joined from split arguments ends in a blank); before the stream's name
  // they would name another file. Neither byte is ever the second byte of a character.
  std::size_t length = std::strlen(path);
  while (length > 0 && (path[length - 1] == ' ' || path[length - 1] == '.')) --length;
  // Without a file name the stream's name alone would be the current folder's stream.
  if (length == 0 || length >= kTextSize) return kNoZone;
  char streamName[kTextSize + sizeof kStreamSuffix];
  std::memcpy(streamName, path, length);
  streamName[length] = '\0';
  AppendText(streamName, kStreamSuffix);

  void* stream = host.openStream(host.context, streamName);
  if (stream == nullptr) return kNoZone;
  // One byte more than the limit tells whether the stream goes on past it.
  char bytes[kZoneStreamLimit + 1];
  std::size_t size = 0;
  long got = 0;
  while (size < sizeof bytes &&
         (got = host.readStream(host.context, stream, bytes + size, sizeof bytes - size)) > 0) {
    size += static_cast<std::size_t>(got);
  }
  host.closeStream(host.context, stream);
  if (got < 0) return kNoZone;  // unreadable, like a missing mark
  bool complete = size <= kZoneStreamLimit;
  return ZoneIdOfStream(bytes, complete ? size : kZoneStreamLimit, complete);
}

}  // namespace

bool MayRunSchedule(const ZoneHost& host, const char* path, const char* caption) {
  int zone = ReadFileZone(host, path);
  if (zone != kZoneInternet && zone != kZoneRestricted) return true;
  char question[sizeof kQuestionFormat + kTextSize];
  FormatText(question, sizeof question, kQuestionFormat, path);
  return host.askYesNo(host.context, question, caption);
}
