// floor_load: the schedule loader on its own, for the editor's benchmark. In a fresh
// process, as the editor and the runner load at their start:
//   floor_load <file>        loads the file with the editor's loader; prints loaded= (ms)
//                            and items=
//   floor_load --records N   only makes N empty item records, with no file and no parsing;
//                            prints records= (ms): the least that holding N items costs
// Neither figure includes the process's own start.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "schedule_file.h"

namespace {

double NowMs() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

int MakeRecords(int count) {
  ScheduleList list;
  ScheduleItem* last = nullptr;
  double started = NowMs();
  for (int i = 0; i < count; ++i) {
    ScheduleItem* item = NewScheduleItem("", "", "", "", 0, 0);
    if (item == nullptr) return 1;
    list.appendAfter(last, item);
    last = item;
  }
  std::printf("records=%.1f\n", NowMs() - started);
  list.itemCount = count;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--records") == 0) {
    return MakeRecords(std::atoi(argv[2]));
  }
  if (argc != 2) return 2;
  ScheduleList list;
  ScheduleOptions options;
  double started = NowMs();
  bool loaded = LoadScheduleFile(argv[1], list, options);
  std::printf("loaded=%.1f\nitems=%d\n", NowMs() - started, static_cast<int>(list.itemCount));
  return loaded ? 0 : 1;
}
