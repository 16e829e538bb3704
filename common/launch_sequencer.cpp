// LaunchSequencer: the runner's timed launching. The window passes on its creation, the
// timer ticks and the stop and resume buttons; everything the sequencer does to the outside
// world goes through its host, so the same rules run under a fake host and a fake clock.
#include "launch_sequencer.h"

#include <cstring>

#include "launch_reason.h"
#include "memory.h"

namespace {

// The longest period the platform timer takes (USER_TIMER_MAXIMUM). A longer request is
// not wrapped into a short one: the item then simply waits as long as the timer allows.
constexpr uint32_t kTimerMaximum = 0x7FFFFFFF;

// The failure bit of a launch position, if the position has one.
bool FailureBit(int32_t position, int32_t* word, uint32_t* mask) {
  if (position < 0 || position >= kLaunchFailureWords * 32) return false;
  *word = position / 32;
  *mask = uint32_t{1} << (position % 32);
  return true;
}

void Report(LaunchSequencer& sequencer, const SequencerReport& report) {
  sequencer.host.report(sequencer.host.context, report);
}

void FreeReasons(LaunchSequencer& sequencer) {
  FreeBlock(sequencer.reasons);
  sequencer.reasons = nullptr;
  sequencer.reasonCount = 0;
  sequencer.reasonCapacity = 0;
}

// Keeps the reason of the failed launch at position; without memory it is not kept.
void KeepReason(LaunchSequencer& sequencer, int32_t position, const char* reason) {
  if (sequencer.reasonCount == sequencer.reasonCapacity) {
    int32_t capacity = sequencer.reasonCapacity > 0 ? sequencer.reasonCapacity * 2 : 8;
    void* grown = ResizeBlock(sequencer.reasons,
                              static_cast<std::size_t>(capacity) * sizeof(LaunchFailureReason));
    if (grown == nullptr) return;
    sequencer.reasons = static_cast<LaunchFailureReason*>(grown);
    sequencer.reasonCapacity = capacity;
  }
  LaunchFailureReason& kept = sequencer.reasons[sequencer.reasonCount++];
  kept.position = position;
  CopyText(kept.reason, reason);
}

void StartTimerFor(LaunchSequencer& sequencer, const ScheduleItem& item) {
  sequencer.host.startTimer(sequencer.host.context, TimerPeriodForDelay(item.delaySeconds));
}

// Launches the waiting item and moves on to the next one. The state moves on before the
// launch, so a stop, resume or end that arrives inside it sees the item as launched.
// Returns 1 when the launch failed and was marked, else 0, so a tick can count them.
int32_t LaunchWaitingItem(LaunchSequencer& sequencer) {
  const ScheduleItem& item = *sequencer.waitingItem;
  sequencer.waitingItem = item.next;
  int32_t position = sequencer.launchedCount;
  sequencer.launchedCount += 1;
  // A failed start still counts as launched for the timing: the next item keeps its time.
  char reason[kTextSize] = "";
  bool started = sequencer.host.launchItem(sequencer.host.context, item, reason);
  int32_t word = 0;
  uint32_t mask = 0;
  if (started || sequencer.ended || !FailureBit(position, &word, &mask)) return 0;
  sequencer.launchFailures[word] |= mask;
  KeepReason(sequencer, position, reason);
  return 1;
}

// Tells the floors above what the tick did: each launch from position first on, the
// failures, and the end of the run when nothing waits any more.
void ReportTick(LaunchSequencer& sequencer, const ScheduleItem* item, int32_t first,
                int32_t failures) {
  for (int32_t position = first;
       !sequencer.ended && item != nullptr && position < sequencer.launchedCount;
       ++position, item = item->next) {
    SequencerReport launched{SequencerEvent::kLaunched, item};
    if (SequencerLaunchFailed(sequencer, position)) {
      const char* reason = SequencerFailureReason(sequencer, position);
      launched.failure = reason != nullptr ? reason : "";
    }
    Report(sequencer, launched);
  }
  SequencerReport over{SequencerEvent::kTickOver};
  over.failures = failures;
  Report(sequencer, over);
  if (sequencer.waitingItem == nullptr && !sequencer.ended) {
    Report(sequencer, SequencerReport{SequencerEvent::kRunFinished});
  }
}

// True when the tick must not go on: the runner ended or the user stopped it meanwhile.
bool Interrupted(const LaunchSequencer& sequencer) {
  return sequencer.ended || sequencer.stopped;
}

}  // namespace

uint32_t TimerPeriodForDelay(int32_t delaySeconds) {
  // The delay comes from a file anyone may edit: a negative one launches at the next tick,
  // and the multiplication is done wide so a large delay cannot overflow into a short wait.
  if (LaunchesWithoutWait(delaySeconds)) return 0;
  int64_t milliseconds = static_cast<int64_t>(delaySeconds) * 1000;
  if (milliseconds > kTimerMaximum) return kTimerMaximum;
  return static_cast<uint32_t>(milliseconds);
}

bool LaunchesWithoutWait(int32_t delaySeconds) { return delaySeconds <= 0; }

void SequencerStart(LaunchSequencer& sequencer, ScheduleItem* firstItem) {
  sequencer.launchedCount = 0;
  sequencer.firstItem = firstItem;
  std::memset(sequencer.launchFailures, 0, sizeof sequencer.launchFailures);
  FreeReasons(sequencer);
  sequencer.waitingItem = firstItem;
  if (sequencer.waitingItem != nullptr) {
    // Even a first delay of 0 goes through the timer, so the first launch happens once the
    // message loop runs rather than inside the window's creation.
    StartTimerFor(sequencer, *sequencer.waitingItem);
    return;
  }
  sequencer.host.reportEmptySchedule(sequencer.host.context);
  sequencer.host.closeRunner(sequencer.host.context);
}

void SequencerTick(LaunchSequencer& sequencer) {
  if (sequencer.ended) return;
  sequencer.host.stopTimer(sequencer.host.context);
  // A tick can only be pending while an item waits; a stray one after the end is dropped.
  // One that a launch's message loop delivers inside this tick is dropped too: this tick
  // goes on with the next item itself.
  if (sequencer.waitingItem == nullptr || sequencer.inTick) return;

  sequencer.inTick = true;
  const ScheduleItem* firstOfTick = sequencer.waitingItem;
  int32_t firstPosition = sequencer.launchedCount;
  int32_t failures = LaunchWaitingItem(sequencer);
  while (!Interrupted(sequencer) && sequencer.waitingItem != nullptr &&
         LaunchesWithoutWait(sequencer.waitingItem->delaySeconds)) {
    failures += LaunchWaitingItem(sequencer);
  }
  sequencer.inTick = false;
  if (sequencer.ended) return;
  // One refresh after the whole run of zero-delay items keeps their launches back to back.
  sequencer.host.refreshStatusList(sequencer.host.context, sequencer.launchedCount);

  if (sequencer.waitingItem != nullptr) {
    // A stop pressed during a launch holds: the timer stays off until resume. Otherwise
    // it is armed before the reports below, and the delays add up along the list: each
    // one counts from the previous launch.
    if (!sequencer.stopped) StartTimerFor(sequencer, *sequencer.waitingItem);
  } else {
    sequencer.host.disableButtons(sequencer.host.context);
  }
  // Reported once per tick, after the list shows the failures too.
  ReportTick(sequencer, firstOfTick, firstPosition, failures);
}

void SequencerStop(LaunchSequencer& sequencer) {
  if (sequencer.stopped || sequencer.ended) return;
  sequencer.stopped = true;
  sequencer.host.stopTimer(sequencer.host.context);
  Report(sequencer, SequencerReport{SequencerEvent::kStopped});
}

void SequencerResume(LaunchSequencer& sequencer) {
  if (!sequencer.stopped || sequencer.ended) return;
  sequencer.stopped = false;
  // The countdown starts again from the item's full delay; once everything has been
  // launched there is nothing to count down, and the timer stays off.
  if (sequencer.waitingItem != nullptr) StartTimerFor(sequencer, *sequencer.waitingItem);
  Report(sequencer, SequencerReport{SequencerEvent::kResumed});
}

void SequencerEnd(LaunchSequencer& sequencer) {
  sequencer.ended = true;
  sequencer.waitingItem = nullptr;
  FreeReasons(sequencer);
}

bool SequencerLaunchFailed(const LaunchSequencer& sequencer, int32_t position) {
  int32_t word = 0;
  uint32_t mask = 0;
  if (position >= sequencer.launchedCount || !FailureBit(position, &word, &mask)) return false;
  return (sequencer.launchFailures[word] & mask) != 0;
}

const char* SequencerFailureReason(const LaunchSequencer& sequencer, int32_t position) {
  // Kept in launch order, so the positions rise: a binary search finds one.
  int32_t low = 0;
  int32_t high = sequencer.reasonCount;
  while (low < high) {
    int32_t middle = low + (high - low) / 2;
    if (sequencer.reasons[middle].position < position) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == sequencer.reasonCount || sequencer.reasons[low].position != position)
    return nullptr;
  return sequencer.reasons[low].reason;
}

bool ResolveLaunchFile(const ScheduleItem& item, GetVariableFn getVariable, char* file,
                       char* reason) {
  if (item.pathIsEnvVar == 0) {
    CopyText(file, kTextSize, item.path);
    return true;
  }
  // An unset or empty variable, or a value too long for the buffer, leaves nothing sensible
  // to open: the item launches nothing (and is still counted as done by the caller).
  uint32_t length = getVariable(item.path, file, kTextSize);
  if (length == 0 || length >= kTextSize) {
    file[0] = '\0';
    if (reason != nullptr && length == 0) VariableUnsetReason(item.path, reason);
    if (reason != nullptr && length != 0) VariableTooLongReason(item.path, reason);
    return false;
  }
  file[length] = '\0';
  return true;
}
