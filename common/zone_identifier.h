// The zone mark that browsers and mail programs leave on a file from another computer: an
// INI-style text in the file's "Zone.Identifier" stream ("[ZoneTransfer]", "ZoneId=3").
// The runner asks before it runs a schedule marked as coming from the internet, since a
// schedule starts programs just as a batch file does. Over a small host, so the reading
// and the rule run natively with a fake.
#pragma once

#include <cstddef>

struct ZoneHost {
  // Opens the named stream for reading; nullptr when it is missing or cannot be opened.
  void* (*openStream)(void* context, const char* streamName);
  // Reads up to capacity bytes of the stream: the count read, 0 at its end, -1 on error.
  long (*readStream)(void* context, void* stream, char* buffer, std::size_t capacity);
  void (*closeStream)(void* context, void* stream);
  // A yes/no question without owner, task-modal, No as default; true for yes.
  bool (*askYesNo)(void* context, const char* text, const char* caption);
  void* context;
};

// True when the schedule at path may run: its Zone.Identifier stream is missing or
// unreadable or names no internet (3) or restricted (4) zone, or the user has answered yes
// to the question (caption: the runner's title).
bool MayRunSchedule(const ZoneHost& host, const char* path, const char* caption);

// The host over CreateFileA, ReadFile and MessageBoxA (Windows builds only).
ZoneHost Win32ZoneHost();
