// ToLongPath: turns a path whose components may be short (8.3) names into its long form,
// over a file lookup that the caller provides (FindFirstFileA on Windows).
#pragma once

#include <cstddef>

// Looks path up; on success stores the found entry's name (the long name of the path's last
// component) in foundName (kTextSize bytes) and returns true.
struct FileLookup {
  bool (*find)(void* context, const char* path, char* foundName);
  void* context;
};

// True and the long form in output; false with output untouched when the path does not
// exist or the result does not fit in capacity bytes.
bool ToLongPath(const char* source, char* output, std::size_t capacity, FileLookup lookup);

// The lookup through FindFirstFileA (Windows builds only).
FileLookup FindFirstFileLookup();
