// ToLongPath: rebuilds a path from the long names of its components, found one level at a
// time by a file lookup (FindFirstFileA on Windows, a fake in the tests). The working path,
// the collected tail and the scratch text are all kTextSize buffers written only through
// the bounded helpers.
#include "long_path.h"

#include <cstring>

#include "text.h"

namespace {

// Index of the last '\' in text, stepping over double-byte characters so a trail byte 0x5C
// is never taken for a separator; -1 when there is none.
long LastSeparator(const char* text) {
  long last = -1;
  for (long i = 0; text[i] != '\0'; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0') {
      ++i;
    } else if (text[i] == '\\') {
      last = i;
    }
  }
  return last;
}

}  // namespace

bool ToLongPath(const char* source, char* output, std::size_t capacity, FileLookup lookup) {
  if (source == nullptr || output == nullptr || lookup.find == nullptr) return false;
  char working[kTextSize];
  char tail[kTextSize] = "";
  char scratch[kTextSize];
  char found[kTextSize] = "";
  if (!CopyText(working, source)) return false;  // a source of 260 bytes or more
  if (!lookup.find(lookup.context, working, found)) return false;
  for (;;) {
    if (working[0] == '\0') break;
    long separator = LastSeparator(working);
    if (separator < 0) break;
    if (tail[0] == '\0') {
      if (!CopyText(tail, found)) return false;
    } else {
      if (!FormatText(scratch, sizeof scratch, "%s\\%s", found, tail)) return false;
      CopyText(tail, scratch);
    }
    working[separator] = '\0';
    if (!lookup.find(lookup.context, working, found)) {
      // A leading part the lookup cannot see, such as the share of \\server\share: it is
      // kept as it was given rather than taking the name found for the part below it.
      long before = LastSeparator(working);
      CopyText(found, working + before + 1);
    }
  }
  if (tail[0] != '\0') {
    if (!FormatText(scratch, sizeof scratch, "%s\\%s", working, tail)) return false;
  } else {
    CopyText(scratch, working);
  }
  if (std::strlen(scratch) >= capacity) return false;
  CopyText(output, capacity, scratch);
  return true;
}
