// The runner's command-line resolution: which mode to run in and which schedule path to use.
#include "command_line.h"

#include "text.h"

RunnerMode ResolveRunnerCommandLine(int argCount, const char* const* args, FileLookup lookup,
                                    char* schedulePath) {
  schedulePath[0] = '\0';
  if (argCount <= 0) return RunnerMode::kAssociation;
  if (argCount == 1) {
    // A path that does not exist keeps the form it was given in, so the runner can name it
    // when the open fails; one too long for the buffer is not used at all (a cut path would
    // name another file).
    if (!ToLongPath(args[0], schedulePath, kTextSize, lookup) &&
        !CopyText(schedulePath, kTextSize, args[0] != nullptr ? args[0] : "")) {
      schedulePath[0] = '\0';
    }
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
