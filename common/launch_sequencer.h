// LaunchSequencer: launches the schedule's items in list order, each after its own delay,
// over a small host (timer, launcher, status list, buttons, messages). It never reads the
// clock, so every rule runs in a test with a fake host.
#pragma once

#include <cstdint>

#include "schedule.h"

struct SequencerHost {
  void (*startTimer)(void* context, uint32_t milliseconds);
  void (*stopTimer)(void* context);
  void (*launchItem)(void* context, const ScheduleItem& item);
  void (*refreshStatusList)(void* context, int32_t launchedCount);
  void (*disableButtons)(void* context);
  void (*reportEmptySchedule)(void* context);
  void (*closeRunner)(void* context);
  void* context;
};

struct LaunchSequencer {
  SequencerHost host;
  bool exitAfterRun = false;
  ScheduleItem* waitingItem = nullptr;
  int32_t launchedCount = 0;
  bool timerRunning = true;
};

// The timer period for a delay: negative delays count as 0, and a delay whose
// milliseconds do not fit the timer waits the longest period the timer takes.
uint32_t TimerPeriodForDelay(int32_t delaySeconds);

void SequencerStart(LaunchSequencer& sequencer, ScheduleItem* firstItem);
void SequencerTick(LaunchSequencer& sequencer);
void SequencerStop(LaunchSequencer& sequencer);
void SequencerResume(LaunchSequencer& sequencer);

// The file an item opens: its path, or with pathIsEnvVar the value of the variable it
// names. getVariable returns the value's length, 0 when unset, or >= capacity when it does
// not fit (as GetEnvironmentVariableA does). False: launch nothing for this item.
using GetVariableFn = uint32_t (*)(const char* name, char* value, uint32_t capacity);
bool ResolveLaunchFile(const ScheduleItem& item, GetVariableFn getVariable, char* file);
