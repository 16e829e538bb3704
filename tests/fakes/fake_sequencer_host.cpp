// The fake sequencer host: a call log and a fake clock with one timer.
#include "fakes/fake_sequencer_host.h"

#include <utility>

namespace {

FakeSequencerHost& Fake(void* context) { return *static_cast<FakeSequencerHost*>(context); }

void Record(FakeSequencerHost& fake, HostCall kind, uint32_t milliseconds = 0,
            std::string itemName = std::string(), int32_t launchedCount = -1) {
  fake.calls.push_back(
      RecordedCall{kind, fake.now, milliseconds, std::move(itemName), launchedCount});
}

void StartTimer(void* context, uint32_t milliseconds) {
  FakeSequencerHost& fake = Fake(context);
  Record(fake, HostCall::kStartTimer, milliseconds);
  // Starting again replaces the running timer, as SetTimer with the same ID does.
  fake.timerArmed = true;
  fake.period = milliseconds;
  fake.deadline = fake.now + milliseconds;
  fake.timerStarts += 1;
}

void StopTimer(void* context) {
  FakeSequencerHost& fake = Fake(context);
  Record(fake, HostCall::kStopTimer);
  fake.timerArmed = false;
}

bool LaunchItem(void* context, const ScheduleItem& item, char* reason) {
  FakeSequencerHost& fake = Fake(context);
  Record(fake, HostCall::kLaunch, 0, item.name);
  if (fake.duringLaunch) fake.duringLaunch(item);
  auto why = fake.reasons.find(item.name);
  if (why != fake.reasons.end()) CopyText(reason, kTextSize, why->second.c_str());
  return fake.failing.count(item.name) == 0;
}

void RefreshStatusList(void* context, int32_t launchedCount) {
  Record(Fake(context), HostCall::kRefresh, 0, std::string(), launchedCount);
}

void DisableButtons(void* context) { Record(Fake(context), HostCall::kDisableButtons); }

void ReportEmptySchedule(void* context) { Record(Fake(context), HostCall::kReportEmpty); }

void CloseRunner(void* context) {
  FakeSequencerHost& fake = Fake(context);
  Record(fake, HostCall::kCloseRunner);
  // Destroying the window takes its timer with it.
  fake.closed = true;
  fake.timerArmed = false;
}

void Report(void* context, const SequencerReport& report) {
  if (Fake(context).onReport) Fake(context).onReport(report);
}

bool WindowVisible(void* context) { return Fake(context).windowVisible; }

void ShowWindow(void* context) { Record(Fake(context), HostCall::kShowWindow); }

// Without the icon there is nothing to show a balloon at.
bool ShowBalloon(void* context, const char* text) {
  FakeSequencerHost& fake = Fake(context);
  Record(fake, HostCall::kShowBalloon, 0, text);
  if (fake.iconAddsRefused >= 0 || fake.balloonsTaken == 0) return false;
  if (fake.balloonsTaken > 0) fake.balloonsTaken -= 1;
  return true;
}

bool AddTrayIcon(void* context) {
  Record(Fake(context), HostCall::kAddTrayIcon);
  return Fake(context).iconAddsRefused-- <= 0;
}

void StartNoticeTimer(void* context, NoticeTimer timer, uint32_t milliseconds) {
  FakeSequencerHost& fake = Fake(context);
  fake.noticeArmed[static_cast<int>(timer)] = true;
  fake.noticeDue[static_cast<int>(timer)] = fake.now + milliseconds;
}

void StopNoticeTimer(void* context, NoticeTimer timer) {
  Fake(context).noticeArmed[static_cast<int>(timer)] = false;
}

}  // namespace

SequencerHost FakeSequencerHost::host() {
  return SequencerHost{StartTimer,        StopTimer,      LaunchItem,
                       RefreshStatusList, DisableButtons, ReportEmptySchedule,
                       CloseRunner,       Report,         this};
}

NoticeHost FakeSequencerHost::noticeHost() {
  return NoticeHost{WindowVisible,    ShowWindow,      ShowBalloon, AddTrayIcon,
                    StartNoticeTimer, StopNoticeTimer, CloseRunner, this};
}

void FakeSequencerHost::advance(LaunchSequencer& sequencer, uint64_t milliseconds) {
  uint64_t end = now + milliseconds;
  // Bounded, so a sequencer that forgets to kill a 0 ms timer fails a test instead of
  // hanging it.
  for (int ticks = 0; timerArmed && !closed && deadline <= end && ticks < 100000; ++ticks) {
    now = deadline;
    int startsBefore = timerStarts;
    SequencerTick(sequencer);
    // A real timer keeps firing every period until it is killed or started again.
    if (timerArmed && timerStarts == startsBefore) deadline = now + (period > 0 ? period : 1);
  }
  now = end;
}

std::vector<RecordedCall> FakeSequencerHost::callsOf(HostCall kind) const {
  std::vector<RecordedCall> found;
  for (const RecordedCall& call : calls) {
    if (call.kind == kind) found.push_back(call);
  }
  return found;
}

std::vector<std::string> FakeSequencerHost::launchedNames() const {
  std::vector<std::string> names;
  for (const RecordedCall& call : callsOf(HostCall::kLaunch)) names.push_back(call.itemName);
  return names;
}
