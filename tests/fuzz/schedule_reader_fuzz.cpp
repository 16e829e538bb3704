// libFuzzer target for the schedule readers: any bytes, however malformed, must give a list
// whose item count equals the items linked (with consistent back links), and must never
// read or write outside a buffer (AddressSanitizer watches that).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "schedule_file.h"

namespace {

void CheckList(const ScheduleList& list) {
  int32_t walked = 0;
  const ScheduleItem* previous = nullptr;
  for (const ScheduleItem* item = list.head; item != nullptr; item = item->next) {
    if (item->prev != previous) std::abort();
    ++walked;
    if (walked > list.itemCount) std::abort();
    previous = item;
  }
  if (walked != list.itemCount) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);

  ScheduleList editorList;
  ScheduleOptions options;
  ParseScheduleText(bytes, size, editorList, options);
  CheckList(editorList);
  // What the editor read it writes again, and that reads back as the same number of items.
  ScheduleFileBytes saved;
  if (!FormatScheduleFile(editorList, options, saved)) std::abort();
  ScheduleList reread;
  ScheduleOptions rereadOptions;
  ParseScheduleText(saved.data, saved.size, reread, rereadOptions);
  FreeScheduleFileBytes(saved);
  CheckList(reread);
  if (rereadOptions.showRunnerWindow != options.showRunnerWindow ||
      rereadOptions.exitAfterRun != options.exitAfterRun) {
    std::abort();
  }
  // Every name the reader gives starts with a byte that is not white space, unless an
  // embedded NUL made it empty; without such a name no record may shift on the way.
  bool emptyName = false;
  for (const ScheduleItem* item = editorList.head; item != nullptr; item = item->next) {
    if (item->name[0] == '\0') emptyName = true;
  }
  if (!emptyName && reread.itemCount != editorList.itemCount) std::abort();
  reread.clear();
  editorList.clear();

  ScheduleList runnerList;
  ParseRunnerScheduleText(bytes, size, runnerList);
  CheckList(runnerList);
  runnerList.clear();

  ParseRunnerOptionsText(bytes, size);
  return 0;
}
