// The runner's command line: no argument runs the association dialog; one argument is the
// schedule path (through ToLongPath); several are a path the platform split at its blanks.
#pragma once

#include "long_path.h"

enum class RunnerMode { kAssociation, kSchedule };

// args are the arguments after the program name. In schedule mode schedulePath (kTextSize
// bytes) receives the path, or "" when it cannot be resolved or would not fit, which the
// runner then treats as a file that cannot be opened.
RunnerMode ResolveRunnerCommandLine(int argCount, const char* const* args, FileLookup lookup,
                                    char* schedulePath);
