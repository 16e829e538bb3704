// Which schedule files are UTF-8, and their conversion to the code page the programs read.
#include "text_encoding.h"

#include <cstring>

namespace {

const unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
const TextConversionHost* scheduleConversion = nullptr;

// The length of the valid UTF-8 character at bytes[0] (size bytes left), or 0 when it is
// none: overlong forms, surrogates and code points past U+10FFFF are not UTF-8 either.
std::size_t Utf8CharLength(const unsigned char* bytes, std::size_t size) {
  unsigned char lead = bytes[0];
  if (lead < 0x80) return 1;
  std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || length > size) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return 0;
  }
  // The second byte's range that keeps the form shortest and inside Unicode.
  unsigned char second = bytes[1];
  if (lead == 0xE0 && second < 0xA0) return 0;
  if (lead == 0xED && second > 0x9F) return 0;  // U+D800-U+DFFF
  if (lead == 0xF0 && second < 0x90) return 0;
  if (lead == 0xF4 && second > 0x8F) return 0;
  return length;
}

bool StartsWithByteOrderMark(const char* bytes, std::size_t size) {
  return size >= sizeof kByteOrderMark &&
         std::memcmp(bytes, kByteOrderMark, sizeof kByteOrderMark) == 0;
}

}  // namespace

bool IsUtf8Text(const char* bytes, std::size_t size) {
  if (StartsWithByteOrderMark(bytes, size)) return true;
  const unsigned char* text = reinterpret_cast<const unsigned char*>(bytes);
  bool multiByte = false;
  for (std::size_t i = 0; i < size;) {
    std::size_t length = Utf8CharLength(text + i, size - i);
    if (length == 0) return false;
    multiByte = multiByte || length > 1;
    i += length;
  }
  return multiByte;
}

TextConversion ConvertUtf8Schedule(char* bytes, std::size_t* size) {
  if (scheduleConversion == nullptr || *size == 0 || !IsUtf8Text(bytes, *size)) {
    return TextConversion::kUnchanged;
  }
  std::size_t skip = StartsWithByteOrderMark(bytes, *size) ? sizeof kByteOrderMark : 0;
  // Into the same block: no character of code page 932 is longer than its UTF-8 form.
  std::size_t written = 0;
  bool lossy = false;
  if (!scheduleConversion->utf8ToCodePage932(scheduleConversion->context, bytes + skip,
                                             *size - skip, bytes, *size, &written, &lossy) ||
      written > *size) {
    return TextConversion::kFailed;
  }
  *size = written;
  return lossy ? TextConversion::kLossy : TextConversion::kConverted;
}

void SetScheduleTextConversion(const TextConversionHost* host) { scheduleConversion = host; }
