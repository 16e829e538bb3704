// LaunchSequencer: launches the schedule's items in list order, each after its own delay,
// over a small host (timer, launcher, status list, buttons, messages). It never reads the
// clock, so every rule runs in a test with a fake host.
#pragma once

#include <cstdint>

#include "schedule.h"
#include "schedule_file.h"

// The notice's own timers, apart from the launch timer: one for the tray icon's next try
// and one for the longest wait before exit-after-run ends the runner. Each is stopped when
// it has fired; the retry arms the next try itself.
enum class NoticeTimer { kIconRetry, kExitLimit };

struct SequencerHost {
  void (*startTimer)(void* context, uint32_t milliseconds);
  void (*stopTimer)(void* context);
  // Opens the item; false when it could not be started. The platform may run a message
  // loop inside, so stop, resume or the runner's end can arrive during the call.
  bool (*launchItem)(void* context, const ScheduleItem& item);
  void (*refreshStatusList)(void* context, int32_t launchedCount);
  void (*disableButtons)(void* context);
  void (*reportEmptySchedule)(void* context);
  void (*closeRunner)(void* context);
  // For the notice of failed launches and the tray icon (runner_notice.h).
  bool (*windowVisible)(void* context);
  void (*showWindow)(void* context);
  // Shows the failure balloon at the tray icon; false when the shell took none.
  bool (*showBalloon)(void* context, const char* text);
  // Adds the tray icon; true when the notification area holds it.
  bool (*addTrayIcon)(void* context);
  void (*startNoticeTimer)(void* context, NoticeTimer timer, uint32_t milliseconds);
  void (*stopNoticeTimer)(void* context, NoticeTimer timer);
  void* context;
};

// One bit per launch position, set when that launch could not be started: room for the
// most items a schedule file holds, so marking a failure never allocates.
constexpr int32_t kLaunchFailureWords = (kMaxScheduleItems + 31) / 32;

// What the runner has told so far, and what it still waits for (runner_notice.cpp).
struct NoticeState {
  bool retryingIcon = false;
  uint32_t iconRetryWaited = 0;  // milliseconds since the refused first add
  int32_t balloonsOpen = 0;      // shown and not yet reported gone
  bool balloonPending = false;   // wanted while the shell held no icon to show it at
  bool stayOpen = false;         // the user clicked the balloon: no exit after the run
  bool waitingToExit = false;    // the run is over; exit-after-run waits for the balloon
};

// Every field starts at zero, so a program's static sequencer takes no room in the file
// (the failure bits alone are 12.5 KB).
struct LaunchSequencer {
  SequencerHost host{};
  bool exitAfterRun = false;
  ScheduleItem* firstItem = nullptr;  // the first item of the run, for the failed names
  ScheduleItem* waitingItem = nullptr;
  int32_t launchedCount = 0;
  bool stopped = false;  // the user pressed stop: the timer stays off until resume
  bool ended = false;    // the runner is going away: launch nothing more
  bool inTick = false;   // a tick is launching (the launch may run a loop)
  uint32_t launchFailures[kLaunchFailureWords] = {};  // by launch position, see above
  NoticeState notice;
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
// The runner's window is being destroyed: nothing more is launched or shown, also when
// this happens inside a launch.
void SequencerEnd(LaunchSequencer& sequencer);
// Whether the item at this launch position was launched and could not be started (never
// for a position beyond kMaxScheduleItems).
bool SequencerLaunchFailed(const LaunchSequencer& sequencer, int32_t position);

// The file an item opens: its path, or with pathIsEnvVar the value of the variable it
// names. getVariable returns the value's length, 0 when unset, or >= capacity when it does
// not fit (as GetEnvironmentVariableA does). False: launch nothing for this item.
using GetVariableFn = uint32_t (*)(const char* name, char* value, uint32_t capacity);
bool ResolveLaunchFile(const ScheduleItem& item, GetVariableFn getVariable, char* file);
