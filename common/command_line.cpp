// The runner's command-line resolution: which mode to run in and which schedule path to use.
#include "command_line.h"

#include "text.h"

RunnerMode ResolveRunnerCommandLine(int argCount, const char* const* args, FileLookup lookup,
                                    char* schedulePath) {
  schedulePath[0] = '\0';
  if (argCount <= 0) return RunnerMode::kAssociation;
  if (argCount == 1) {
    // A failed conversion leaves the path empty: the runner then goes on as for a file it
    // cannot open and reports the empty schedule.
    ToLongPath(args[0], schedulePath, kTextSize, lookup);
    return RunnerMode::kSchedule;
  }
  // A path with blanks that reached the runner unquoted and was split by the platform:
  // joined again, each part followed by one blank (the platform ignores the last one).
  for (int i = 0; i < argCount; ++i) {
    if (!AppendText(schedulePath, kTextSize, args[i] != nullptr ? args[i] : "") ||
        !AppendText(schedulePath, kTextSize, " ")) {
      schedulePath[0] = '\0';  // a cut path would name another file
      break;
    }
  }
  return RunnerMode::kSchedule;
}
