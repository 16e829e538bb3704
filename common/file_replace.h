// Writing a schedule safely: the new content goes into a fresh file beside the target, which
// then takes the target's place in one step, so the old file is replaced whole or kept.
#pragma once

#include <cstddef>

enum class NewFileResult { kWritten, kNameTaken, kFailed };

// Creates the file at path, which must not exist yet (an existing file is never opened),
// writes bytes into it and flushes them to disk. kNameTaken when something of that name
// exists; kFailed, with no file left behind, when it could not be created or written.
NewFileResult WriteNewFile(const char* path, const char* bytes, std::size_t size);

// Puts the file at from in place of the file at to. An existing to keeps its attributes and
// permissions and a read-only one is refused; a missing one is created by renaming from.
// Returns false and changes nothing at to when it fails.
bool ReplaceFileWith(const char* from, const char* to);
