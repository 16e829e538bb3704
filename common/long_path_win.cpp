// The file lookup behind ToLongPath on Windows: FindFirstFileA gives the long name of the
// path's last component (it also finds a file by its 8.3 short name).
#include <windows.h>

#include "long_path.h"
#include "text.h"

namespace {

bool FindWithFindFirstFile(void* /*context*/, const char* path, char* foundName) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(path, &data);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  data.cFileName[MAX_PATH - 1] = '\0';
  CopyText(foundName, kTextSize, data.cFileName);
  return true;
}

}  // namespace

FileLookup FindFirstFileLookup() { return FileLookup{&FindWithFindFirstFile, nullptr}; }
