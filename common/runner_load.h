// What the runner says when its schedule could not be read, and so ends: every failed
// load ends the runner after one message (caption "エラー", OK) naming the reason and the
// file. A schedule read whole but without items is the sequencer's to report.
#pragma once

#include <cstddef>

#include "schedule_file.h"

// The message for a failed load of path, into message (capacity bytes): the reason, a
// line break and the path.
void RunnerLoadFailureText(FileProblem problem, const char* path, char* message,
                           std::size_t capacity);

// True when path names no file (no such file, folder or drive), by the rule the reader
// uses for kNotFound: the runner names such a schedule before it asks anything about it.
bool ScheduleFileMissing(const char* path);
