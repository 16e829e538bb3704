// The replace step of the schedule writer on POSIX: rename() swaps the name atomically.
#include <cstdio>

#include "file_replace.h"

bool ReplaceFileWith(const char* from, const char* to) { return std::rename(from, to) == 0; }
