// LaunchSequencer against a fake host and a fake clock: what is launched when, how zero
// delays chain within one tick, stop and resume, the end of a run, and the launch file.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_sequencer_host.h"
#include "launch_sequencer.h"
#include "runner_notice.h"

namespace {

struct Entry {
  const char* name;
  int32_t delaySeconds;
};

// A schedule built by hand, linked through next and prev, so these tests depend on nothing
// but the sequencer.
struct TestSchedule {
  std::vector<ScheduleItem> items;

  explicit TestSchedule(std::initializer_list<Entry> entries) : items(entries.size()) {
    std::size_t i = 0;
    for (const Entry& entry : entries) {
      ScheduleItem& item = items[i];
      CopyText(item.name, entry.name);
      CopyText(item.path, entry.name);
      item.delaySeconds = entry.delaySeconds;
      item.prev = i > 0 ? &items[i - 1] : nullptr;
      if (i > 0) items[i - 1].next = &item;
      ++i;
    }
  }
  ScheduleItem* head() { return items.empty() ? nullptr : &items[0]; }
};

// The sequencer with its notice wired to its reports, as the runner window wires them.
struct SequencerRun {
  FakeSequencerHost fake;
  LaunchSequencer sequencer;
  RunnerNotice notice;

  explicit SequencerRun(bool exitAfterRun = false) {
    sequencer.host = fake.host();
    notice.host = fake.noticeHost();
    notice.sequencer = &sequencer;
    notice.exitAfterRun = exitAfterRun;
    fake.onReport = [this](const SequencerReport& report) {
      NoticeSequencerReport(notice, report);
    };
  }
  ~SequencerRun() { SequencerEnd(sequencer); }
};

std::vector<std::string> Names(std::initializer_list<const char*> names) {
  return std::vector<std::string>(names.begin(), names.end());
}

std::vector<uint64_t> LaunchTimes(const FakeSequencerHost& fake) {
  std::vector<uint64_t> times;
  for (const RecordedCall& call : fake.callsOf(HostCall::kLaunch)) times.push_back(call.at);
  return times;
}

std::vector<HostCall> Kinds(const std::vector<RecordedCall>& calls, std::size_t from = 0) {
  std::vector<HostCall> kinds;
  for (std::size_t i = from; i < calls.size(); ++i) kinds.push_back(calls[i].kind);
  return kinds;
}

}  // namespace

TEST(SequencerStart, ArmsTheFirstDelayAndLaunchesNothing) {
  TestSchedule schedule{{"A", 7}, {"B", 0}};
  SequencerRun run;
  run.sequencer.launchedCount = 5;  // left over from nothing: start sets it again
  SequencerStart(run.sequencer, schedule.head());

  EXPECT_EQ(run.sequencer.launchedCount, 0);
  EXPECT_EQ(run.sequencer.waitingItem, &schedule.items[0]);
  EXPECT_FALSE(run.sequencer.stopped);
  ASSERT_EQ(run.fake.calls.size(), 1u);
  EXPECT_EQ(run.fake.calls[0].kind, HostCall::kStartTimer);
  EXPECT_EQ(run.fake.calls[0].milliseconds, 7000u);
}

TEST(SequencerStart, EmptyScheduleIsReportedThenTheRunnerCloses) {
  SequencerRun run;
  SequencerStart(run.sequencer, nullptr);

  EXPECT_EQ(Kinds(run.fake.calls),
            (std::vector<HostCall>{HostCall::kReportEmpty, HostCall::kCloseRunner}));
  EXPECT_EQ(run.sequencer.waitingItem, nullptr);
  EXPECT_EQ(run.sequencer.launchedCount, 0);
}

TEST(SequencerStart, FirstItemGoesThroughTheTimerEvenWithoutDelay) {
  TestSchedule schedule{{"A", 0}};
  SequencerRun run;
  SequencerStart(run.sequencer, schedule.head());
  EXPECT_TRUE(run.fake.launchedNames().empty());
  ASSERT_EQ(run.fake.callsOf(HostCall::kStartTimer).size(), 1u);
  EXPECT_EQ(run.fake.callsOf(HostCall::kStartTimer)[0].milliseconds, 0u);
}

TEST(SequencerTick, ZeroDelayItemsFollowInTheSameTickWithOneRefresh) {
  TestSchedule schedule{{"A", 5}, {"B", 0}, {"C", 0}, {"D", 3}};
  SequencerRun run;
  SequencerStart(run.sequencer, schedule.head());

  run.fake.advance(run.sequencer, 4999);
  EXPECT_TRUE(run.fake.launchedNames().empty());

  std::size_t before = run.fake.calls.size();
  run.fake.advance(run.sequencer, 1);
  EXPECT_EQ(
      Kinds(run.fake.calls, before),
      (std::vector<HostCall>{HostCall::kStopTimer, HostCall::kLaunch, HostCall::kLaunch,
                             HostCall::kLaunch, HostCall::kRefresh, HostCall::kStartTimer}));
  EXPECT_EQ(run.fake.launchedNames(), Names({"A", "B", "C"}));
  EXPECT_EQ(run.fake.callsOf(HostCall::kRefresh).back().launchedCount, 3);
  EXPECT_EQ(run.fake.callsOf(HostCall::kStartTimer).back().milliseconds, 3000u);
  EXPECT_EQ(run.sequencer.launchedCount, 3);
  EXPECT_EQ(run.sequencer.waitingItem, &schedule.items[3]);
  EXPECT_TRUE(run.fake.callsOf(HostCall::kDisableButtons).empty());

  run.fake.advance(run.sequencer, 3000);
  EXPECT_EQ(run.fake.launchedNames(), Names({"A", "B", "C", "D"}));
  EXPECT_EQ(LaunchTimes(run.fake), (std::vector<uint64_t>{5000, 5000, 5000, 8000}));
  EXPECT_EQ(run.fake.callsOf(HostCall::kRefresh).back().launchedCount, 4);
  EXPECT_EQ(run.fake.callsOf(HostCall::kDisableButtons).size(), 1u);
  EXPECT_FALSE(run.fake.timerArmed);
  EXPECT_EQ(run.sequencer.waitingItem, nullptr);
}

TEST(SequencerTick, AllZeroDelaysLaunchAtTheFirstTickInListOrder) {
  TestSchedule schedule{{"A", 0}, {"B", 0}, {"C", 0}};
  SequencerRun run;
  SequencerStart(run.sequencer, schedule.head());
  run.fake.advance(run.sequencer, 0);

  EXPECT_EQ(run.fake.launchedNames(), Names({"A", "B", "C"}));
  EXPECT_EQ(LaunchTimes(run.fake), (std::vector<uint64_t>{0, 0, 0}));
  ASSERT_EQ(run.fake.callsOf(HostCall::kRefresh).size(), 1u);
  EXPECT_EQ(run.fake.callsOf(HostCall::kRefresh)[0].launchedCount, 3);
  EXPECT_EQ(run.fake.timerStarts, 1);
  EXPECT_FALSE(run.fake.timerArmed);
}

TEST(SequencerTick, SingleItemFinishesAtOnce) {
  TestSchedule schedule{{"Only", 0}};
  SequencerRun run;
  SequencerStart(run.sequencer, schedule.head());
  std::size_t before = run.fake.calls.size();
  run.fake.advance(run.sequencer, 0);

  EXPECT_EQ(Kinds(run.fake.calls, before),
            (std::vector<HostCall>{HostCall::kStopTimer, HostCall::kLaunch, HostCall::kRefresh,
                                   HostCall::kDisableButtons}));
  EXPECT_EQ(run.sequencer.launchedCount, 1);
  EXPECT_FALSE(run.fake.closed);
}

TEST(SequencerTick, DelayIsCountedFromThePreviousLaunch) {
  TestSchedule schedule{{"A", 2}, {"B", 1}, {"C", 4}};
  SequencerRun run;
  SequencerStart(run.sequencer, schedule.head());
  run.fake.advance(run.sequencer, 60000);
  EXPECT_EQ(LaunchTimes(run.fake), (std::vector<uint64_t>{2000, 3000, 7000}));
  // Each refresh shows the count of the items launched so far.
  std::vector<int32_t> counts;
  for (const RecordedCall& call : run.fake.callsOf(HostCall::kRefresh)) {
    counts.push_back(call.launchedCount);
  }
  EXPECT_EQ(counts, (std::vector<int32_t>{1, 2, 3}));
}

TEST(SequencerTick, StrayTickAfterTheEndLaunchesNothing) {
  TestSchedule schedule{{"A", 0}};
  SequencerRun run;
  SequencerStart(run.sequencer, schedule.head());
  run.fake.advance(run.sequencer, 0);
  SequencerTick(run.sequencer);
  EXPECT_EQ(run.fake.launchedNames(), Names({"A"}));
  EXPECT_EQ(run.fake.callsOf(HostCall::kDisableButtons).size(), 1u);
  EXPECT_EQ(run.sequencer.launchedCount, 1);
}

TEST(SequencerExitAfterRun, OnClosesRightAfterTheLastLaunch) {
  TestSchedule schedule{{"A", 1}, {"B", 2}};
  SequencerRun run(true);
  SequencerStart(run.sequencer, schedule.head());
  run.fake.advance(run.sequencer, 1000);
  EXPECT_FALSE(run.fake.closed);
  std::size_t before = run.fake.calls.size();
  run.fake.advance(run.sequencer, 2000);
  EXPECT_EQ(Kinds(run.fake.calls, before),
            (std::vector<HostCall>{HostCall::kStopTimer, HostCall::kLaunch, HostCall::kRefresh,
                                   HostCall::kDisableButtons, HostCall::kCloseRunner}));
  EXPECT_TRUE(run.fake.closed);
}

TEST(SequencerExitAfterRun, OffLeavesTheRunnerFinished) {
  TestSchedule schedule{{"A", 1}, {"B", 2}};
  SequencerRun run(false);
  SequencerStart(run.sequencer, schedule.head());
  run.fake.advance(run.sequencer, 60000);
  EXPECT_EQ(run.fake.launchedNames(), Names({"A", "B"}));
  EXPECT_TRUE(run.fake.callsOf(HostCall::kCloseRunner).empty());
  EXPECT_EQ(run.fake.callsOf(HostCall::kDisableButtons).size(), 1u);
}

TEST(SequencerStopResume, ResumeStartsTheFullDelayAgain) {
  TestSchedule schedule{{"A", 10}, {"B", 1}};
  SequencerRun run;
  SequencerStart(run.sequencer, schedule.head());
  run.fake.advance(run.sequencer, 4000);

  std::size_t before = run.fake.calls.size();
  SequencerStop(run.sequencer);
  EXPECT_EQ(Kinds(run.fake.calls, before), (std::vector<HostCall>{HostCall::kStopTimer}));
  EXPECT_TRUE(run.sequencer.stopped);

  run.fake.advance(run.sequencer, 20000);
  EXPECT_TRUE(run.fake.launchedNames().empty());

  before = run.fake.calls.size();
  SequencerResume(run.sequencer);
  ASSERT_EQ(run.fake.calls.size(), before + 1);
  EXPECT_EQ(run.fake.calls[before].kind, HostCall::kStartTimer);
  EXPECT_EQ(run.fake.calls[before].milliseconds, 10000u);
  EXPECT_FALSE(run.sequencer.stopped);

  run.fake.advance(run.sequencer, 9999);
  EXPECT_TRUE(run.fake.launchedNames().empty());
  run.fake.advance(run.sequencer, 1);
  EXPECT_EQ(LaunchTimes(run.fake), (std::vector<uint64_t>{34000}));
  // Stop and resume never touch the status list; only the tick refreshes it.
  EXPECT_EQ(run.fake.callsOf(HostCall::kRefresh).size(), 1u);
}

TEST(SequencerStopResume, RepeatedCommandsChangeNothing) {
  TestSchedule schedule{{"A", 10}};
  SequencerRun run;
  SequencerStart(run.sequencer, schedule.head());
  run.fake.advance(run.sequencer, 3000);

  // Resume while counting: the countdown is not restarted.
  std::size_t before = run.fake.calls.size();
  SequencerResume(run.sequencer);
  EXPECT_EQ(run.fake.calls.size(), before);
  EXPECT_EQ(run.fake.timerStarts, 1);
  run.fake.advance(run.sequencer, 7000);
  EXPECT_EQ(LaunchTimes(run.fake), (std::vector<uint64_t>{10000}));

  TestSchedule second{{"X", 5}, {"Y", 5}};
  SequencerRun other;
  SequencerStart(other.sequencer, second.head());
  SequencerStop(other.sequencer);
  before = other.fake.calls.size();
  SequencerStop(other.sequencer);
  EXPECT_EQ(other.fake.calls.size(), before);
  EXPECT_TRUE(other.sequencer.stopped);
  other.fake.advance(other.sequencer, 60000);
  EXPECT_TRUE(other.fake.launchedNames().empty());
}

TEST(SequencerStopResume, StopThenResumeOnTheLaterItem) {
  TestSchedule schedule{{"A", 1}, {"B", 6}};
  SequencerRun run;
  SequencerStart(run.sequencer, schedule.head());
  run.fake.advance(run.sequencer, 1000);
  SequencerStop(run.sequencer);
  run.fake.advance(run.sequencer, 5000);
  SequencerResume(run.sequencer);
  EXPECT_EQ(run.fake.calls.back().milliseconds, 6000u);
  run.fake.advance(run.sequencer, 6000);
  EXPECT_EQ(LaunchTimes(run.fake), (std::vector<uint64_t>{1000, 12000}));
}

TEST(SequencerStopResume, ResumeAfterTheEndStartsNoTimer) {
  TestSchedule schedule{{"A", 0}};
  SequencerRun run;
  SequencerStart(run.sequencer, schedule.head());
  run.fake.advance(run.sequencer, 0);
  SequencerStop(run.sequencer);
  int starts = run.fake.timerStarts;
  SequencerResume(run.sequencer);
  EXPECT_EQ(run.fake.timerStarts, starts);
  EXPECT_FALSE(run.fake.timerArmed);
}

TEST(TimerPeriod, NegativeAndHugeDelaysNeverWrap) {
  EXPECT_EQ(TimerPeriodForDelay(0), 0u);
  EXPECT_EQ(TimerPeriodForDelay(1), 1000u);
  EXPECT_EQ(TimerPeriodForDelay(3600), 3600000u);
  EXPECT_EQ(TimerPeriodForDelay(-1), 0u);
  EXPECT_EQ(TimerPeriodForDelay(INT32_MIN), 0u);
  // 2,147,483 s is the last whole second below the timer's longest period.
  EXPECT_EQ(TimerPeriodForDelay(2147483), 2147483000u);
  EXPECT_EQ(TimerPeriodForDelay(2147484), 0x7FFFFFFFu);
  // 4,294,968 s would wrap to 704 ms in 32-bit arithmetic.
  EXPECT_EQ(TimerPeriodForDelay(4294968), 0x7FFFFFFFu);
  EXPECT_EQ(TimerPeriodForDelay(INT32_MAX), 0x7FFFFFFFu);
}

TEST(TimerPeriod, SequencerUsesTheSafePeriod) {
  TestSchedule schedule{{"A", -5}, {"B", INT32_MAX}};
  SequencerRun run;
  SequencerStart(run.sequencer, schedule.head());
  EXPECT_EQ(run.fake.callsOf(HostCall::kStartTimer).back().milliseconds, 0u);
  run.fake.advance(run.sequencer, 0);
  EXPECT_EQ(run.fake.launchedNames(), Names({"A"}));
  EXPECT_EQ(run.fake.callsOf(HostCall::kStartTimer).back().milliseconds, 0x7FFFFFFFu);
}

TEST(TimerPeriod, NegativeDelayJoinsTheTickLikeZero) {
  TestSchedule schedule{{"A", 1}, {"B", -3}, {"C", 0}, {"D", 2}};
  SequencerRun run;
  SequencerStart(run.sequencer, schedule.head());
  run.fake.advance(run.sequencer, 1000);
  EXPECT_EQ(run.fake.launchedNames(), Names({"A", "B", "C"}));
  // All three in one tick: one refresh, and the timer is next started for D.
  ASSERT_EQ(run.fake.callsOf(HostCall::kRefresh).size(), 1u);
  EXPECT_EQ(run.fake.callsOf(HostCall::kRefresh)[0].launchedCount, 3);
  EXPECT_EQ(run.fake.callsOf(HostCall::kStartTimer).back().milliseconds, 2000u);
}

namespace {

// A fake environment with GetEnvironmentVariableA's results: the value's length when it
// fits, the size needed (NUL included) when it does not, 0 when the name is unset.
const char* const kProgramValue = "C:\\Tools\\backup.exe";
std::string longValue;
uint32_t lastCapacity = 0;

uint32_t FakeGetVariable(const char* name, char* value, uint32_t capacity) {
  lastCapacity = capacity;
  std::string found;
  if (std::strcmp(name, "BACKUP_TOOL") == 0) {
    found = kProgramValue;
  } else if (std::strcmp(name, "LONG_ONE") == 0) {
    found = longValue;
  } else if (std::strcmp(name, "EMPTY_ONE") == 0) {
    found = "";
  } else {
    return 0;
  }
  if (found.size() >= capacity) {
    // What the platform leaves in the buffer then is undefined; make it garbage.
    std::memset(value, 'x', capacity);
    return static_cast<uint32_t>(found.size() + 1);
  }
  std::memcpy(value, found.c_str(), found.size() + 1);
  return static_cast<uint32_t>(found.size());
}

ScheduleItem ItemFor(const char* path, int32_t pathIsEnvVar) {
  ScheduleItem item{};
  CopyText(item.path, path);
  item.pathIsEnvVar = pathIsEnvVar;
  return item;
}

}  // namespace

TEST(LaunchFile, PlainPathIsOpenedAsItIs) {
  char file[kTextSize];
  ScheduleItem item = ItemFor("BACKUP_TOOL", 0);
  EXPECT_TRUE(ResolveLaunchFile(item, FakeGetVariable, file));
  EXPECT_STREQ(file, "BACKUP_TOOL");
}

TEST(LaunchFile, VariableValueIsOpened) {
  char file[kTextSize];
  ScheduleItem item = ItemFor("BACKUP_TOOL", 1);
  EXPECT_TRUE(ResolveLaunchFile(item, FakeGetVariable, file));
  EXPECT_STREQ(file, kProgramValue);
  EXPECT_EQ(lastCapacity, kTextSize);
}

TEST(LaunchFile, UnsetEmptyOrTooLongVariableLaunchesNothing) {
  char file[kTextSize];
  char reason[kTextSize];
  EXPECT_FALSE(ResolveLaunchFile(ItemFor("NOT_SET", 1), FakeGetVariable, file, reason));
  EXPECT_STREQ(file, "");
  EXPECT_STREQ(reason, "環境変数 NOT_SET が設定されていません。");
  EXPECT_FALSE(ResolveLaunchFile(ItemFor("EMPTY_ONE", 1), FakeGetVariable, file, reason));
  EXPECT_STREQ(file, "");
  EXPECT_STREQ(reason, "環境変数 EMPTY_ONE が設定されていません。");

  longValue.assign(260, 'a');
  EXPECT_FALSE(ResolveLaunchFile(ItemFor("LONG_ONE", 1), FakeGetVariable, file, reason));
  EXPECT_STREQ(file, "");
  EXPECT_STREQ(reason, "環境変数 LONG_ONE の値が長すぎます。");

  // 259 characters is the longest value that fits with its terminator.
  longValue.assign(259, 'b');
  EXPECT_TRUE(ResolveLaunchFile(ItemFor("LONG_ONE", 1), FakeGetVariable, file));
  EXPECT_EQ(std::strlen(file), 259u);
}

TEST(SequencerOutcome, FailedLaunchesAreRecordedAndKeepTheTiming) {
  TestSchedule schedule{{"A", 1}, {"missing", 2}, {"C", 3}};
  SequencerRun run;
  run.fake.failing = {"missing"};
  SequencerStart(run.sequencer, schedule.head());
  run.fake.advance(run.sequencer, 6000);
  EXPECT_EQ(run.fake.launchedNames(), Names({"A", "missing", "C"}));
  EXPECT_EQ(LaunchTimes(run.fake), (std::vector<uint64_t>{1000, 3000, 6000}));
  EXPECT_FALSE(SequencerLaunchFailed(run.sequencer, 0));
  EXPECT_TRUE(SequencerLaunchFailed(run.sequencer, 1));
  EXPECT_FALSE(SequencerLaunchFailed(run.sequencer, 2));
  EXPECT_FALSE(SequencerLaunchFailed(run.sequencer, 3));  // never launched
  EXPECT_FALSE(SequencerLaunchFailed(run.sequencer, -1));
}

// Each failure is marked at its own launch position, also far into the bit set, and only
// there.
TEST(SequencerOutcome, FailuresAreMarkedAtTheirOwnPositions) {
  std::vector<ScheduleItem> items(70);
  for (std::size_t i = 0; i < items.size(); ++i) {
    FormatText(items[i].name, kTextSize, "item%d", static_cast<int>(i));
    CopyText(items[i].path, items[i].name);
    items[i].delaySeconds = 0;
    items[i].prev = i > 0 ? &items[i - 1] : nullptr;
    items[i].next = i + 1 < items.size() ? &items[i + 1] : nullptr;
  }
  SequencerRun run;
  run.fake.failing = {"item31", "item32", "item69"};
  SequencerStart(run.sequencer, &items[0]);
  run.fake.advance(run.sequencer, 0);
  ASSERT_EQ(run.sequencer.launchedCount, 70);
  std::vector<int> failed;
  for (int position = 0; position < 80; ++position) {
    if (SequencerLaunchFailed(run.sequencer, position)) failed.push_back(position);
  }
  EXPECT_EQ(failed, (std::vector<int>{31, 32, 69}));
}

// A new start forgets the failures of the previous run.
TEST(SequencerOutcome, StartClearsEarlierFailures) {
  TestSchedule schedule{{"missing", 0}, {"B", 0}};
  SequencerRun run;
  run.fake.failing = {"missing"};
  SequencerStart(run.sequencer, schedule.head());
  run.fake.advance(run.sequencer, 0);
  ASSERT_TRUE(SequencerLaunchFailed(run.sequencer, 0));
  run.fake.failing.clear();
  SequencerStart(run.sequencer, schedule.head());
  EXPECT_FALSE(SequencerLaunchFailed(run.sequencer, 0));
  run.fake.advance(run.sequencer, 0);
  EXPECT_EQ(run.sequencer.launchedCount, 2);
  EXPECT_FALSE(SequencerLaunchFailed(run.sequencer, 0));
}

// The platform may dispatch messages inside a launch: the stop and resume buttons, the tray
// menu's exit, the close box, even a timer tick. Each case acts while "A" is launched, in a
// schedule whose "B" would follow "A" in the same tick.
TEST(SequencerReentry, WhatArrivesDuringALaunchHolds) {
  enum class During { kStop, kStopAndResume, kEnd, kTick };
  struct Case {
    During action;
    std::vector<std::string> launchedInTick;
    bool timerAfterTick;  // the timer runs for the next item when the tick is over
    bool refreshed;
  };
  const Case cases[] = {
      {During::kStop, {"A"}, false, true},
      {During::kStopAndResume, {"A", "B"}, true, true},
      {During::kEnd, {"A"}, false, false},
      {During::kTick, {"A", "B"}, true, true},
  };
  for (const Case& c : cases) {
    TestSchedule schedule{{"A", 1}, {"B", 0}, {"C", 4}};
    SequencerRun run;
    run.fake.duringLaunch = [&run, &c](const ScheduleItem& item) {
      if (std::string(item.name) != "A") return;
      if (c.action == During::kStop || c.action == During::kStopAndResume) {
        SequencerStop(run.sequencer);
      }
      if (c.action == During::kStopAndResume) SequencerResume(run.sequencer);
      if (c.action == During::kEnd) SequencerEnd(run.sequencer);
      if (c.action == During::kTick) SequencerTick(run.sequencer);
    };
    SequencerStart(run.sequencer, schedule.head());
    run.fake.advance(run.sequencer, 1000);
    SCOPED_TRACE(static_cast<int>(c.action));
    EXPECT_EQ(run.fake.launchedNames(), c.launchedInTick);
    EXPECT_EQ(run.fake.timerArmed, c.timerAfterTick);
    // One refresh at most: a tick delivered inside the launch must not run a tick of its own.
    EXPECT_EQ(run.fake.callsOf(HostCall::kRefresh).size(), c.refreshed ? 1u : 0u);

    // Much later: a stopped run waits for resume, an ended one never launches again.
    run.fake.advance(run.sequencer, 60000);
    if (c.action == During::kStop) {
      EXPECT_EQ(run.fake.launchedNames(), Names({"A"}));
      SequencerResume(run.sequencer);
      run.fake.advance(run.sequencer, 4000);
      EXPECT_EQ(run.fake.launchedNames(), Names({"A", "B", "C"}));
    } else if (c.action == During::kEnd) {
      SequencerResume(run.sequencer);
      SequencerTick(run.sequencer);
      EXPECT_EQ(run.fake.launchedNames(), Names({"A"}));
      EXPECT_TRUE(run.fake.callsOf(HostCall::kDisableButtons).empty());
    } else {
      EXPECT_EQ(run.fake.launchedNames(), Names({"A", "B", "C"}));
    }
  }
}

const std::string kHeading = "起動できなかったプログラムがあります。";

// The balloon for failed launches in a hidden run, exit-after-run's wait for it, and the
// tray icon added again while the shell refuses it (the rules in runner_notice.h).
TEST(RunnerNotice, FailuresBalloonExitAndTrayIcon) {
  // kClickThen*: a click on one balloon, then another goes or an exit limit fires; kShown:
  // the user shows the window from the tray.
  enum class At5s {
    kTimedOut,
    kHidden,
    kClicked,
    kClickThenGone,
    kClickThenLimit,
    kNothing,
    kTaskbarCreated,
    kShown
  };
  struct Case {
    bool shown, exitAfterRun;
    std::initializer_list<Entry> entries;
    int refused;  // adds of the tray icon that fail first
    At5s at5s;
    std::vector<std::string> balloons;
    int64_t closedAt;  // -1: the runner stays
    std::size_t adds;
    int taken = -1;        // balloons the shell shows before it refuses them
    bool reasons = false;  // each failure has a reason
  };
  std::string x(100, 'x'), over;
  for (int i = 0; i < 60; ++i) over += "表";  // two bytes, the second one '\\'
  const std::string fits = over.substr(0, 114) + "a", b = kHeading + "\nB", bc = b + "\nC",
                    because = kHeading + "\nB: 理由", twoReasons = because + "\nC: 理由",
                    whole = kHeading + "\n" + x + "\n" + fits,
                    cut = kHeading + "\n" + x + "\n" + over.substr(0, 112) + "…";
  const std::initializer_list<Entry> two{{"B", 1}, {"A", 1}},
      four{{"A", 1}, {"B", 0}, {"C", 0}, {"D", 2}}, late{{"B", 1}, {"A", 9}},
      fit{{x.c_str(), 0}, {fits.c_str(), 0}}, overflow{{x.c_str(), 0}, {over.c_str(), 0}};
  const Case cases[] = {
      {false, false, four, 0, At5s::kNothing, {bc, bc + "\nD"}, -1, 1},
      {true, true, four, 0, At5s::kNothing, {}, 3000, 1},
      {false, true, two, 0, At5s::kNothing, {b}, 32000, 1},
      {false, true, two, 0, At5s::kTimedOut, {b}, 5000, 1},
      {false, true, two, 0, At5s::kHidden, {b}, 5000, 1},
      {false, true, two, 0, At5s::kClicked, {b}, -1, 1},
      {false, true, late, 0, At5s::kTimedOut, {b}, 10000, 1},
      {false, true, late, 0, At5s::kClicked, {b}, -1, 1},
      {false, true, {{"B", 1}, {"C", 1}}, 0, At5s::kTimedOut, {b, bc}, 32000, 1},
      {false, false, fit, 0, At5s::kNothing, {whole}, -1, 1},
      {false, false, overflow, 0, At5s::kNothing, {cut}, -1, 1},
      {false, false, two, 3, At5s::kNothing, {b, b}, -1, 4},
      {false, false, two, 1000, At5s::kNothing, {b}, -1, 151},
      {false, false, two, 1, At5s::kTaskbarCreated, {b, b}, -1, 2},
      {false, false, two, 0, At5s::kTaskbarCreated, {b}, -1, 2},
      {false, false, two, 0, At5s::kNothing, {because}, -1, 1, -1, true},
      {false,
       false,
       {{"B", 0}, {"C", 1}},
       0,
       At5s::kNothing,
       {because, twoReasons},
       -1,
       1,
       -1,
       true},
      {false, false, fit, 0, At5s::kNothing, {whole}, -1, 1, -1, true},
      {false, true, {{"B", 1}, {"C", 1}}, 0, At5s::kTimedOut, {b, bc}, 32000, 1, 1},
      {false, true, {{"B", 1}, {"C", 1}}, 0, At5s::kClickThenGone, {b, bc}, -1, 1},
      {false, true, two, 0, At5s::kClickThenLimit, {b}, -1, 1},
      {false, true, two, 0, At5s::kShown, {b}, -1, 1},
      {false, true, {{"A", 1}, {"E", 9}}, 0, At5s::kShown, {}, 10000, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    TestSchedule schedule(c.entries);
    SequencerRun run(c.exitAfterRun);
    run.fake.failing = {"B", "C", "D", x, fits, over};
    run.fake.windowVisible = c.shown;
    run.fake.iconAddsRefused = c.refused;
    run.fake.balloonsTaken = c.taken;
    if (c.reasons) {
      for (const std::string& name : run.fake.failing) run.fake.reasons[name] = "理由";
    }
    NoticeTrayIconStart(run.notice);
    SequencerStart(run.sequencer, schedule.head());
    run.fake.advance(run.sequencer, 5000);
    bool clicked = c.at5s >= At5s::kClicked && c.at5s <= At5s::kClickThenLimit;
    if (c.at5s <= At5s::kHidden) NoticeBalloonEnded(run.notice, BalloonEnd(c.at5s));
    if (clicked) NoticeBalloonEnded(run.notice, BalloonEnd::kClicked);
    if (c.at5s == At5s::kClickThenGone) NoticeBalloonEnded(run.notice, BalloonEnd::kTimedOut);
    if (c.at5s == At5s::kClickThenLimit) NoticeExitLimitReached(run.notice);
    if (c.at5s == At5s::kTaskbarCreated) NoticeTrayIconRecreated(run.notice);
    if (c.at5s == At5s::kShown) NoticeWindowShown(run.notice);
    run.fake.advance(run.sequencer, 60000);
    // The notice's timers, each when it is due: the launches are over by then.
    for (int fired = 0; fired < 1000 && !run.fake.closed; ++fired) {
      int timer = run.fake.noticeArmed[0] ? 0 : run.fake.noticeArmed[1] ? 1 : -1;
      if (timer < 0) break;
      run.fake.now = run.fake.noticeDue[timer];
      (timer == 0 ? NoticeTrayIconRetry : NoticeExitLimitReached)(run.notice);
    }
    std::vector<std::string> balloons;
    for (const RecordedCall& call : run.fake.callsOf(HostCall::kShowBalloon)) {
      balloons.push_back(call.itemName);
    }
    EXPECT_EQ(balloons, c.balloons);
    std::vector<RecordedCall> closed = run.fake.callsOf(HostCall::kCloseRunner);
    EXPECT_EQ(closed.empty() ? -1 : static_cast<int64_t>(closed[0].at), c.closedAt);
    EXPECT_EQ(run.fake.callsOf(HostCall::kShowWindow).size(), clicked ? 1u : 0u);
    EXPECT_EQ(run.fake.callsOf(HostCall::kAddTrayIcon).size(), c.adds);
    // Retries that are over leave nothing behind them.
    EXPECT_FALSE(run.notice.retryingIcon);
    EXPECT_EQ(run.notice.iconRetryWaited, 0u);
  }
}
