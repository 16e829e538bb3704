// The replace step of the schedule writer on Windows. rename() there refuses an existing
// target, so MoveFileExA replaces it; WRITE_THROUGH returns only once the move is on disk.
#include <windows.h>

#include "file_replace.h"

bool ReplaceFileWith(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}
