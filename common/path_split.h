// Path splitting that knows double-byte characters: a trail byte 0x5C or 0x2F inside a
// Shift-JIS character is never taken for a separator.
#pragma once

#include <cstddef>

// True for '\\' and '/', the two separators Windows accepts in a path.
bool IsPathSeparator(char byte);

// Index of the last separator in path, stepping over double-byte characters; -1 when there
// is none.
long LastPathSeparator(const char* path);

// The last component of path (base name and extension, each cut to 255 bytes) into
// fileName (kTextSize bytes).
void DeriveFileName(const char* path, char* fileName);

// Whether two paths are the same text but for the case of their ASCII letters, as Windows
// compares file names.
bool SameIgnoringCase(const char* left, const char* right);

// The extension of the last component, from its last '.' to the end ("" when none).
const char* PathExtension(const char* path);

// The drive ("C:") and folder part (up to and including the last '\' or '/') of path,
// for the working folder taken from a program path; "" when there is neither.
void SplitDriveAndFolder(const char* path, char* out, std::size_t capacity);
