// Whole-file reads and writes for tests that check what a save left on disk.
#pragma once

#include <string>

// The file's bytes, or "<missing>" when it cannot be opened.
std::string ReadFileBytes(const std::string& path);
// Creates or truncates the file with exactly these bytes; false when it cannot be written.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
