// LaunchSequencer: launches the schedule's items in list order, each after its own delay,
// over a small host (timer, launcher, status list, buttons, messages), and reports what
// happened; it decides nothing about the reports. It never reads the clock, so every rule
// runs in a test with a fake host.
#pragma once

#include <cstdint>

#include "schedule.h"
#include "schedule_file.h"

// What the sequencer reports to the floors above it, which decide what to make of it (the
// notice of failed launches in runner_notice.h, the run record in run_record.h). Each
// tick's launches are reported once the tick is over and the next timer runs, so nothing a
// report does can hold up a launch.
enum class SequencerEvent { kLaunched, kTickOver, kStopped, kResumed, kRunFinished };

struct SequencerReport {
  SequencerEvent event;
  const ScheduleItem* item = nullptr;  // kLaunched: the item
  const char* failure = nullptr;       // kLaunched: why it did not start; null when it did
  int32_t failures = 0;                // kTickOver: the tick's launches that did not start
};

// The Win32 host is WindowSequencerHost in TLRun/runner_window.cpp; each member names the
// function there and the call it makes.
struct SequencerHost {
  void (*startTimer)(void* context, uint32_t milliseconds);  // HostStartTimer: SetTimer
  void (*stopTimer)(void* context);                          // HostStopTimer: KillTimer
  // HostLaunchItem: ShellExecuteExA. Opens the item; false when it could not be started,
  // with the reason in reason (kTextSize bytes, launch_reason.h). The platform may run a
  // message loop inside, so stop, resume or the runner's end can arrive during the call.
  bool (*launchItem)(void* context, const ScheduleItem& item, char* reason);
  // HostRefreshStatusList: LVM_SETITEMCOUNT and a redraw of the changed rows.
  void (*refreshStatusList)(void* context, int32_t launchedCount);
  void (*disableButtons)(void* context);       // HostDisableButtons: EnableWindow
  void (*reportEmptySchedule)(void* context);  // HostReportEmptySchedule: MessageBoxA
  void (*closeRunner)(void* context);          // HostCloseRunner: DestroyWindow
  // HostReport: hands the report to the notice and the run record.
  void (*report)(void* context, const SequencerReport& report);
  void* context;
};

// One bit per launch position, set when that launch could not be started: room for the
// most items a schedule file holds, so marking a failure never allocates.
constexpr int32_t kLaunchFailureWords = (kMaxScheduleItems + 31) / 32;

// The reason of one failed launch, kept for the row's tip and the balloon.
struct LaunchFailureReason {
  int32_t position;
  char reason[kTextSize];
};

// Every field starts at zero, so a program's static sequencer takes no room in the file
// (the failure bits alone are 12.5 KB).
struct LaunchSequencer {
  SequencerHost host{};
  ScheduleItem* firstItem = nullptr;  // the first item of the run, for the failed names
  ScheduleItem* waitingItem = nullptr;
  int32_t launchedCount = 0;
  bool stopped = false;  // the user pressed stop: the timer stays off until resume
  bool ended = false;    // the runner is going away: launch nothing more
  bool inTick = false;   // a tick is launching (the launch may run a loop)
  uint32_t launchFailures[kLaunchFailureWords] = {};  // by launch position, see above
  // The failures' reasons in launch order, on the heap: a run has few failures, and a
  // reason that finds no memory is only missing from the tip and the balloon.
  LaunchFailureReason* reasons = nullptr;
  int32_t reasonCount = 0;
  int32_t reasonCapacity = 0;
};

// The timer period for a delay: negative delays count as 0, and a delay whose
// milliseconds do not fit the timer waits the longest period the timer takes.
uint32_t TimerPeriodForDelay(int32_t delaySeconds);
// True when an item with this delay follows the previous launch at once (0 or negative).
bool LaunchesWithoutWait(int32_t delaySeconds);

void SequencerStart(LaunchSequencer& sequencer, ScheduleItem* firstItem);
void SequencerTick(LaunchSequencer& sequencer);
void SequencerStop(LaunchSequencer& sequencer);
void SequencerResume(LaunchSequencer& sequencer);
// The runner's window is being destroyed: nothing more is launched or reported, also when
// this happens inside a launch; the kept reasons are freed.
void SequencerEnd(LaunchSequencer& sequencer);
// Whether the item at this launch position was launched and could not be started (never
// for a position beyond kMaxScheduleItems).
bool SequencerLaunchFailed(const LaunchSequencer& sequencer, int32_t position);
// The reason kept for a failed launch at this position; null when none was kept.
const char* SequencerFailureReason(const LaunchSequencer& sequencer, int32_t position);

// The file an item opens: its path, or with pathIsEnvVar the value of the variable it
// names. getVariable returns the value's length, 0 when unset, or >= capacity when it does
// not fit (as GetEnvironmentVariableA does). False: launch nothing for this item, and the
// reason, when asked for (kTextSize bytes), names the variable.
using GetVariableFn = uint32_t (*)(const char* name, char* value, uint32_t capacity);
bool ResolveLaunchFile(const ScheduleItem& item, GetVariableFn getVariable, char* file,
                       char* reason = nullptr);
