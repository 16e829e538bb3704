// The runner's word for a schedule it could not read. A missing file (a drive not there, a
// moved folder) is said as such and named: it must never look like an empty schedule.
#include "runner_load.h"

#include <cerrno>
#include <cstdio>

#include "text.h"

namespace {

const char kNotFoundText[] = "スケジュールファイルが見つかりません。\n";
const char kUnreadableText[] = "スケジュールファイルを読み込めません。\n";

}  // namespace

void RunnerLoadFailureText(FileProblem problem, const char* path, char* message,
                           std::size_t capacity) {
  const char* reason = ReadLimitText(problem);
  if (reason == nullptr)
    reason = problem == FileProblem::kNotFound ? kNotFoundText : kUnreadableText;
  CopyText(message, capacity, reason);
  AppendText(message, capacity, path);
}

bool ScheduleFileMissing(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return errno == ENOENT;
  std::fclose(file);
  return false;
}
