// How long the schedule file takes for a large schedule: formatting, saving (temporary file
// and replace), and loading it with the editor's and the runner's readers, 10,000 items.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "schedule_file.h"

namespace {

constexpr int kItems = 10000;

void FillSchedule(ScheduleList& list) {
  for (int i = 0; i < kItems; ++i) {
    char name[64], path[96], arguments[32], folder[64];
    std::snprintf(name, sizeof name, "Program %d", i);
    std::snprintf(path, sizeof path, "C:\\Program Files\\App%d\\app%d.exe", i, i);
    std::snprintf(arguments, sizeof arguments, i % 3 == 0 ? "" : "/flag %d", i);
    std::snprintf(folder, sizeof folder, i % 2 == 0 ? "" : "C:\\Program Files\\App%d", i);
    list.append(NewScheduleItem(name, path, arguments, folder, i % 60, i % 2));
    ++list.itemCount;
  }
}

// The list is appended to from the head each time, which is quadratic: build it once.
struct Fixture {
  ScheduleList list;
  ScheduleOptions options;
  std::string path;
  std::string bytes;
  Fixture() {
    ScheduleItem* last = nullptr;
    for (int i = 0; i < kItems; ++i) {
      char name[64], path[96];
      std::snprintf(name, sizeof name, "Program %d", i);
      std::snprintf(path, sizeof path, "C:\\Program Files\\App%d\\app%d.exe", i, i);
      ScheduleItem* item = NewScheduleItem(name, path, i % 3 == 0 ? "" : "/flag",
                                           i % 2 == 0 ? "" : "C:\\Work", i % 60, i % 2);
      list.appendAfter(last, item);
      last = item;
    }
    list.itemCount = kItems;
    options.showRunnerWindow = true;
    ScheduleFileBytes formatted;
    FormatScheduleFile(list, options, formatted);
    bytes.assign(formatted.data, formatted.size);
    FreeScheduleFileBytes(formatted);
    path = "/tmp/tarvilo-schedule-bench.tlf";
    WriteScheduleFile(path.c_str(), list, options);
  }
  ~Fixture() {
    list.clear();
    std::remove(path.c_str());
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_FormatScheduleFile(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    ScheduleFileBytes bytes;
    if (!FormatScheduleFile(f.list, f.options, bytes)) state.SkipWithError("format");
    benchmark::DoNotOptimize(bytes.data);
    FreeScheduleFileBytes(bytes);
  }
  state.counters["bytes"] = static_cast<double>(f.bytes.size());
}

void BM_WriteScheduleFile(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    if (!WriteScheduleFile(f.path.c_str(), f.list, f.options)) state.SkipWithError("write");
  }
}

void BM_ParseScheduleText(benchmark::State& state) {
  Fixture& f = Shared();
  ScheduleList list;
  ScheduleOptions options;
  for (auto _ : state) {
    ParseScheduleText(f.bytes.data(), f.bytes.size(), list, options);
    if (list.itemCount != kItems) state.SkipWithError("count");
  }
  list.clear();
}

void BM_LoadScheduleFile(benchmark::State& state) {
  Fixture& f = Shared();
  ScheduleList list;
  ScheduleOptions options;
  for (auto _ : state) {
    LoadScheduleFile(f.path.c_str(), list, options);  // frees the previous round's items
    if (list.itemCount != kItems) state.SkipWithError("count");
  }
  list.clear();
}

void BM_LoadRunnerSchedule(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    ScheduleList list;
    LoadRunnerSchedule(f.path.c_str(), list);
    if (list.itemCount != kItems) state.SkipWithError("count");
    list.clear();
  }
}

void BM_AppendFromTheHead(benchmark::State& state) {
  // The add command's way (walking to the tail each time), for comparison with the loaders.
  for (auto _ : state) {
    ScheduleList list;
    FillSchedule(list);
    list.clear();
  }
}

}  // namespace

BENCHMARK(BM_FormatScheduleFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteScheduleFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseScheduleText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadScheduleFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadRunnerSchedule)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendFromTheHead)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
