// Reading a file's zone mark and the runner's question before a schedule from another
// computer runs.
#include "zone_identifier.h"

#include <cstring>

#include "path_split.h"
#include "text.h"

namespace {

const int kNoZone = -1;
const int kZoneInternet = 3;
const int kZoneRestricted = 4;
// The stream is read only up to this many bytes; the marks that Windows writes are far
// shorter.
const std::size_t kZoneStreamLimit = 4096;
const char kStreamSuffix[] = ":Zone.Identifier";
// A full path may be longer than the path it was made from (a relative one joined to the
// current folder), and the stream's name in its long form longer still.
const std::size_t kFullPathSize = 2 * kTextSize;
const char kLongPrefix[] = "\\\\?\\";
const char kLongUncPrefix[] = "\\\\?\\UNC";  // then the UNC path less one backslash
const char kDevicePrefix[] = "\\\\.\\";
const char kQuestionFormat[] =
    "このスケジュールはインターネットなど他のコンピューターから取得したファイルです。\n%s\n"
    "書かれているプログラムを順に起動します。実行しますか？\n\n"
    "信頼できるファイルの場合は、ファイルのプロパティで「許可する」にチェックを入れると、"
    "次回から確認しません。";

// The stream's text one character at a time, whether it is bytes or UTF-16 as Windows
// writes it (some tools write the mark that way, a few big-endian). A UTF-16 character
// outside ASCII reads as '?', which no name or number of the mark holds.
struct StreamText {
  const unsigned char* bytes;
  std::size_t count;  // characters
  std::size_t width;  // bytes per character: 1 or 2
  bool bigEndian;

  char at(std::size_t index) const {
    if (width == 1) return static_cast<char>(bytes[index]);
    unsigned low = bytes[2 * index + (bigEndian ? 1 : 0)];
    unsigned high = bytes[2 * index + (bigEndian ? 0 : 1)];
    return high == 0 && low < 0x80 ? static_cast<char>(low) : '?';
  }
};

StreamText ReadAsText(const char* data, std::size_t size) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    return StreamText{bytes + 2, (size - 2) / 2, 2, false};
  }
  if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    return StreamText{bytes + 2, (size - 2) / 2, 2, true};
  }
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    return StreamText{bytes + 3, size - 3, 1, false};
  }
  // UTF-16 without its byte order mark: the text starts with "[", so one of its first two
  // bytes is 0.
  if (size >= 2 && bytes[0] != 0 && bytes[1] == 0) return StreamText{bytes, size / 2, 2, false};
  if (size >= 2 && bytes[0] == 0 && bytes[1] != 0) return StreamText{bytes, size / 2, 2, true};
  return StreamText{bytes, size, 1, false};
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

bool StartsWith(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Drops the blanks and dots the platform drops from the end of a full path when it opens
// the file. Neither byte is ever the second byte of a character.
void DropTrailingBlanksAndDots(char* path) {
  std::size_t length = std::strlen(path);
  while (length > 0 && (path[length - 1] == ' ' || path[length - 1] == '.')) --length;
  path[length] = '\0';
}

// The name the stream of the file at fullPath is opened under, into name (capacity bytes).
// Names under kTextSize bytes go as they are. A longer one needs the long form, which
// takes only a full path and resolves nothing in it (hence the full path): a drive path
// behind "\\?\", a UNC path \\server\share\... as \\?\UNC\server\share\..., one in the
// long or device form as it is. False for any other: it cannot be opened.
bool StreamOpenName(const char* fullPath, char* name, std::size_t capacity) {
  if (!FormatText(name, capacity, "%s%s", fullPath, kStreamSuffix)) return false;
  if (std::strlen(name) < kTextSize) return true;
  if (StartsWith(fullPath, kLongPrefix) || StartsWith(fullPath, kDevicePrefix)) return true;
  bool drivePath = fullPath[0] != '\0' && fullPath[1] == ':' && fullPath[2] == '\\';
  if (drivePath) {
    return FormatText(name, capacity, "%s%s%s", kLongPrefix, fullPath, kStreamSuffix);
  }
  if (StartsWith(fullPath, "\\\\")) {
    return FormatText(name, capacity, "%s%s%s", kLongUncPrefix, fullPath + 1, kStreamSuffix);
  }
  return false;
}

// The zone of the file at path, read from path's Zone.Identifier stream; kNoZone when the
// stream is missing or holds no zone. A mark that is there but cannot be opened or read,
// or a path whose stream cannot be named, may be the internet's: kZoneInternet, so the
// user is asked rather than the file run unasked.
int ReadFileZone(const ZoneHost& host, const char* path) {
  // Without a file name the stream's name alone would be the current folder's stream.
  if (path[std::strspn(path, " .")] == '\0') return kNoZone;
  // The path as given is resolved as the open resolves it ("." and ".." parts, '/', the
  // last part's trailing dots and blanks), never trimmed first: "plan.tlf\." trimmed would
  // be the folder "plan.tlf\", while the open reads the file plan.tlf. The long form takes
  // the name as it is, so it too needs the resolved path.
  char full[kFullPathSize];
  if (!host.fullPath(host.context, path, full, sizeof full)) return kZoneInternet;
  DropTrailingBlanksAndDots(full);
  long separator = LastPathSeparator(full);
  if (full[0] == '\0' || (separator >= 0 && full[separator + 1] == '\0')) return kNoZone;
  char streamName[kFullPathSize + sizeof kLongUncPrefix + sizeof kStreamSuffix];
  if (!StreamOpenName(full, streamName, sizeof streamName)) return kZoneInternet;

  void* stream = nullptr;
  StreamOpen opened = host.openStream(host.context, streamName, &stream);
  if (opened == StreamOpen::kMissing) return kNoZone;
  if (opened != StreamOpen::kOpened) return kZoneInternet;
  // One byte more than the limit tells whether the stream goes on past it.
  char bytes[kZoneStreamLimit + 1];
  std::size_t size = 0;
  long got = 0;
  while (size < sizeof bytes &&
         (got = host.readStream(host.context, stream, bytes + size, sizeof bytes - size)) > 0) {
    size += static_cast<std::size_t>(got);
  }
  host.closeStream(host.context, stream);
  if (got < 0) return kZoneInternet;  // a mark there but unreadable
  bool complete = size <= kZoneStreamLimit;
  return ZoneIdOfStream(bytes, complete ? size : kZoneStreamLimit, complete);
}

}  // namespace

void ResolveSchedulePath(const ZoneHost& host, char* path) {
  char full[kFullPathSize];
  if (path[0] == '\0' || !host.fullPath(host.context, path, full, sizeof full)) return;
  if (std::strlen(full) < kTextSize) CopyText(path, kTextSize, full);
}

bool MayRunSchedule(const ZoneHost& host, const char* path, const char* caption) {
  int zone = ReadFileZone(host, path);
  if (zone != kZoneInternet && zone != kZoneRestricted) return true;
  char question[sizeof kQuestionFormat + kTextSize];
  FormatText(question, sizeof question, kQuestionFormat, path);
  return host.askYesNo(host.context, question, caption);
}
