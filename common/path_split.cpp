// Path splitting for the schedule item and the item dialog. Every scan steps over a
// double-byte character whole (lead byte and the byte after it), so a Shift-JIS trail byte
// 0x5C ('\') or 0x2F ('/') inside a name is never taken for a separator.
#include "path_split.h"

#include <cstring>

#include "text.h"

namespace {

constexpr std::size_t kNamePartLimit = 255;  // base name and extension are each cut to this

bool HasDrivePrefix(const char* path) { return path[0] != '\0' && path[1] == ':'; }

// Where the last component of path starts and where its last '.' is (null when none).
// The drive prefix is never part of a component.
void FindLastComponent(const char* path, const char** componentStart, const char** lastDot) {
  const char* scan = HasDrivePrefix(path) ? path + 2 : path;
  const char* start = scan;
  const char* dot = nullptr;
  while (*scan != '\0') {
    if (IsPathSeparator(*scan)) {
      start = scan + 1;
    } else if (*scan == '.') {
      dot = scan;
    }
    scan += CharWidth(scan);
  }
  *componentStart = start;
  *lastDot = (dot != nullptr && dot >= start) ? dot : nullptr;
}

// The longest prefix of [text, text + length) of at most maxBytes bytes that ends on a
// character boundary.
std::size_t FitRange(const char* text, std::size_t length, std::size_t maxBytes) {
  std::size_t used = 0;
  while (used < length) {
    std::size_t step = CharWidth(text + used);
    if (used + step > length || used + step > maxBytes) break;
    used += step;
  }
  return used;
}

// Appends the range to dest (capacity bytes), cut to the room left.
void AppendRange(char* dest, std::size_t capacity, const char* text, std::size_t length) {
  std::size_t used = strnlen(dest, capacity - 1);
  std::size_t fit = FitRange(text, length, capacity - 1 - used);
  std::memcpy(dest + used, text, fit);
  dest[used + fit] = '\0';
}

}  // namespace

bool IsPathSeparator(char byte) { return byte == '\\' || byte == '/'; }

long LastPathSeparator(const char* path) {
  long last = -1;
  for (long index = 0; path[index] != '\0';
       index += static_cast<long>(CharWidth(path + index))) {
    if (IsPathSeparator(path[index])) last = index;
  }
  return last;
}

void DeriveFileName(const char* path, char* fileName) {
  fileName[0] = '\0';
  if (path == nullptr) return;
  const char* start;
  const char* dot;
  FindLastComponent(path, &start, &dot);
  const char* end = start + std::strlen(start);
  const char* baseEnd = dot != nullptr ? dot : end;
  std::size_t baseLength = FitRange(start, baseEnd - start, kNamePartLimit);
  AppendRange(fileName, kTextSize, start, baseLength);
  std::size_t extensionLength = FitRange(baseEnd, end - baseEnd, kNamePartLimit);
  AppendRange(fileName, kTextSize, baseEnd, extensionLength);
}

const char* PathExtension(const char* path) {
  const char* start;
  const char* dot;
  FindLastComponent(path, &start, &dot);
  return dot != nullptr ? dot : start + std::strlen(start);
}

void SplitDriveAndFolder(const char* path, char* out, std::size_t capacity) {
  if (capacity == 0) return;
  out[0] = '\0';
  if (path == nullptr) return;
  // The drive alone when there is no separator. A drive prefix holds no separator, so
  // scanning it with the rest finds the same last one.
  long separator = LastPathSeparator(path);
  std::size_t length =
      separator >= 0 ? static_cast<std::size_t>(separator) + 1 : (HasDrivePrefix(path) ? 2 : 0);
  // A folder cut short would name another folder, so one that does not fit gives "".
  if (length >= capacity) return;
  std::memcpy(out, path, length);
  out[length] = '\0';
}

namespace {

unsigned char FoldCase(unsigned char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

}  // namespace

// Only single-byte letters fold, so the second byte of a double-byte character is
// compared as it is.
bool SameIgnoringCase(const char* left, const char* right) {
  while (*left != '\0' && *right != '\0') {
    std::size_t width = CharWidth(left);
    if (width == 2) {
      if (left[0] != right[0] || left[1] != right[1]) return false;
    } else if (FoldCase(static_cast<unsigned char>(*left)) !=
               FoldCase(static_cast<unsigned char>(*right))) {
      return false;
    }
    left += width;
    right += width;
  }
  return *left == '\0' && *right == '\0';
}
