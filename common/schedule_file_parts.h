// What the schedule file's reader, loader and writer share: the byte block they fill, the
// marker line for an empty text, and the readers over raw bytes that the loaders hand on.
#pragma once

#include <cstddef>

#include "schedule_file.h"

// The line that stands for an empty arguments or working-folder text, written and read back
// by its line alone.
constexpr char kEmptyTextMarker[] = "nn";
constexpr std::size_t kEmptyTextMarkerLength = sizeof kEmptyTextMarker - 1;

// Makes room for at least capacity bytes; false, with bytes unchanged, when memory ran out.
bool ReserveBytes(ScheduleFileBytes& bytes, std::size_t capacity);
// Appends length bytes; false when memory ran out (nothing is appended).
bool AppendBytes(ScheduleFileBytes& bytes, const char* text, std::size_t length);
bool AppendString(ScheduleFileBytes& bytes, const char* text);
// A copy of bytes for the in-memory readers, which change it in place; false when the copy
// could not be made.
bool CopyOfBytes(const char* bytes, std::size_t size, ScheduleFileBytes& copy);

// The three readers over raw file bytes, which they turn into text-mode bytes in place (see
// ParseScheduleText, ParseRunnerScheduleText, ParseRunnerOptionsText).
FileProblem ParseSchedule(ScheduleFileBytes& bytes, ScheduleList& list,
                          ScheduleOptions& options, bool* wellFormed);
FileProblem ParseRunnerSchedule(ScheduleFileBytes& bytes, ScheduleList& list);
ScheduleOptions ParseRunnerOptions(ScheduleFileBytes& bytes);
