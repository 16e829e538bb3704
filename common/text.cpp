// Bounded text helpers: copy, append and format into fixed buffers without overrun, and
// never leave half of a double-byte character at the end of a cut text.
#include "text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

std::size_t CharWidth(const char* text) {
  // A lead byte right before the NUL counts alone, so no scan steps past the end.
  if (IsLeadByte(static_cast<unsigned char>(text[0])) && text[1] != '\0') return 2;
  return 1;
}

std::size_t FitTextLength(const char* text, std::size_t maxBytes) {
  std::size_t length = 0;
  while (text[length] != '\0') {
    std::size_t step = CharWidth(text + length);
    if (length + step > maxBytes) break;
    length += step;
  }
  return length;
}

bool CopyText(char* dest, std::size_t capacity, const char* source) {
  if (capacity == 0) return false;
  dest[0] = '\0';
  return AppendText(dest, capacity, source);
}

bool AppendText(char* dest, std::size_t capacity, const char* source) {
  if (capacity == 0) return false;
  std::size_t used = strnlen(dest, capacity - 1);
  std::size_t room = capacity - 1 - used;
  std::size_t fit = FitTextLength(source, room);
  std::memmove(dest + used, source, fit);
  dest[used + fit] = '\0';
  return source[fit] == '\0';
}

bool FormatText(char* dest, std::size_t capacity, const char* format, ...) {
  if (capacity == 0) return false;
  va_list args;
  va_start(args, format);
#ifdef _WIN32
  // The system C library's formatter, not MinGW's C99 one, which would add some 40 KB to
  // every program. For a text that does not fit it returns -1 (or capacity, leaving out
  // the NUL); both count as not fitting below.
  int written = _vsnprintf(dest, capacity, format, args);
#else
  int written = std::vsnprintf(dest, capacity, format, args);
#endif
  va_end(args);
  if (written < 0 || static_cast<std::size_t>(written) >= capacity) {
    dest[0] = '\0';
    return false;
  }
  return true;
}
