// The zone mark that browsers and mail programs leave on a file from another computer: an
// INI-style text in the file's "Zone.Identifier" stream ("[ZoneTransfer]", "ZoneId=3").
// The runner asks before it runs a schedule marked as coming from the internet, since a
// schedule starts programs just as a batch file does. Over a small host, so the reading
// and the rule run natively with a fake.
#pragma once

#include <cstddef>

// What became of opening a stream: opened; missing (no such stream, or a drive that keeps
// none); or there but not to be opened (no access, a network error).
enum class StreamOpen { kOpened, kMissing, kFailed };

// The Win32 host is Win32ZoneHost in common/zone_identifier_win.cpp, where each member is
// the function of the same name in UpperCamelCase.
struct ZoneHost {
  // The full path the platform opens for path (folder parts and separators resolved) into
  // fullPath (capacity bytes); false when it cannot be made or does not fit.
  bool (*fullPath)(void* context, const char* path, char* fullPath, std::size_t capacity);
  // Opens the named stream for reading into *stream. A name of kTextSize bytes or more
  // comes in its long form, behind "\\?\".
  StreamOpen (*openStream)(void* context, const char* streamName, void** stream);
  // Reads up to capacity bytes of the stream: the count read, 0 at its end, -1 on error.
  long (*readStream)(void* context, void* stream, char* buffer, std::size_t capacity);
  void (*closeStream)(void* context, void* stream);
  // A yes/no question without owner, task-modal, No as default; true for yes.
  bool (*askYesNo)(void* context, const char* text, const char* caption);
  void* context;
};

// Replaces path (kTextSize bytes) by its full form as the platform resolves it when it
// opens the file, so the runner opens and asks about one spelling of the path. A path
// whose full form cannot be made or does not fit stays as given: its open and its mark
// then both go through the same resolution, by the platform and by MayRunSchedule.
void ResolveSchedulePath(const ZoneHost& host, char* path);

// True when the schedule at path may run: its Zone.Identifier stream is missing or names
// no internet (3) or restricted (4) zone, or the user has answered yes to the question
// (caption: the runner's title). A mark that is there but cannot be opened or read asks
// too.
bool MayRunSchedule(const ZoneHost& host, const char* path, const char* caption);

// The host over GetFullPathNameA, CreateFileA/W, ReadFile and MessageBoxA (Windows builds
// only).
ZoneHost Win32ZoneHost();
