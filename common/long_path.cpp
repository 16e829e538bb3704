// ToLongPath: rebuilds a path from the long names of its components, found one level at a
// time by a file lookup (FindFirstFileA on Windows, a fake in the tests). The working path,
// the collected tail and the scratch text are all kTextSize buffers written only through
// the bounded helpers. The result always names the same file as the source: a component is
// replaced only by the long name of that very component.
#include "long_path.h"

#include <cstring>

#include "path_split.h"
#include "text.h"

namespace {

// Components that are kept as given, never replaced by the name a lookup finds: "." and
// ".." (a lookup of "sub\.." finds the folder it leads to, whose name is not ".."), and
// wildcards (a lookup finds some file that matches, which the source did not name).
bool KeptAsGiven(const char* component) {
  if (std::strcmp(component, ".") == 0 || std::strcmp(component, "..") == 0) return true;
  return std::strpbrk(component, "*?") != nullptr;
}

}  // namespace

bool ToLongPath(const char* source, char* output, std::size_t capacity, FileLookup lookup) {
  if (source == nullptr || output == nullptr || lookup.find == nullptr) return false;
  char working[kTextSize];
  char tail[kTextSize] = "";
  char scratch[kTextSize];
  char found[kTextSize] = "";
  char tailSeparator[2] = "";  // the separator between working and tail, as the source had it
  if (!CopyText(working, source)) return false;  // a source of 260 bytes or more
  if (!lookup.find(lookup.context, working, found)) return false;
  for (;;) {
    if (working[0] == '\0') break;
    long separator = LastPathSeparator(working);
    if (separator < 0) break;
    const char* component = working + separator + 1;
    const char* name = KeptAsGiven(component) ? component : found;
    if (!FormatText(scratch, sizeof scratch, "%s%s%s", name, tailSeparator, tail)) return false;
    CopyText(tail, scratch);
    // "\" and "/" both separate; the one the source used is kept.
    tailSeparator[0] = working[separator];
    working[separator] = '\0';
    if (!lookup.find(lookup.context, working, found)) {
      // A leading part the lookup cannot see, such as the share of \\server\share: it is
      // kept as it was given rather than taking the name found for the part below it.
      CopyText(found, working + LastPathSeparator(working) + 1);
    }
  }
  if (!FormatText(scratch, sizeof scratch, "%s%s%s", working, tailSeparator, tail)) {
    return false;
  }
  if (std::strlen(scratch) >= capacity) return false;
  CopyText(output, capacity, scratch);
  return true;
}
