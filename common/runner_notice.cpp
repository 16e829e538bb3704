// RunnerNotice: the runner's word about a run nobody watches. A runner started at logon is
// usually hidden and often ends itself after the run, so a failed launch would only ever
// be a 失敗 in a list nobody sees; here it becomes a balloon at the tray icon, and the
// runner stays long enough for the balloon to be read. The tray icon, the only handle on a
// hidden runner, is added again while a shell that is still starting refuses it.
#include "runner_notice.h"

#include "text.h"

namespace {

const char kFailureHeading[] = "起動できなかったプログラムがあります。";
const char kReasonSeparator[] = ": ";
const char kCutMark[] = "…";
static_assert(sizeof kCutMark == 3, "the cut mark is one double-byte character");
constexpr std::size_t kBalloonTextMax = kBalloonTextSize - 1;
constexpr std::size_t kCutMarkBytes = sizeof kCutMark - 1;

const NoticeHost& Host(const RunnerNotice& notice) { return notice.host; }

bool Ended(const RunnerNotice& notice) {
  return notice.sequencer == nullptr || notice.sequencer->ended;
}

void StartNoticeTimer(RunnerNotice& notice, NoticeTimer timer, uint32_t milliseconds) {
  Host(notice).startNoticeTimer(Host(notice).context, timer, milliseconds);
}

void StopNoticeTimer(RunnerNotice& notice, NoticeTimer timer) {
  Host(notice).stopNoticeTimer(Host(notice).context, timer);
}

// Appends one piece of the balloon's text. A piece that does not fit ends the text: it is
// cut at a whole character where the cut mark still fits after it, so the reader sees
// that names are missing. False once the text is full.
bool AppendBalloonPiece(char* text, const char* piece) {
  if (AppendText(text, kBalloonTextSize, piece)) return true;
  text[FitTextLength(text, kBalloonTextMax - kCutMarkBytes)] = '\0';
  AppendText(text, kBalloonTextSize, kCutMark);
  return false;
}

// The balloon's lines, with the reasons or without. False when the text had to be cut.
bool BalloonLines(const LaunchSequencer& sequencer, bool withReasons, char* text) {
  CopyText(text, kBalloonTextSize, kFailureHeading);
  int32_t position = 0;
  bool room = true;
  for (const ScheduleItem* item = sequencer.firstItem;
       room && item != nullptr && position < sequencer.launchedCount;
       item = item->next, ++position) {
    if (!SequencerLaunchFailed(sequencer, position)) continue;
    room = AppendBalloonPiece(text, "\n") && AppendBalloonPiece(text, item->name);
    const char* reason = withReasons ? SequencerFailureReason(sequencer, position) : nullptr;
    if (room && reason != nullptr && reason[0] != '\0') {
      room = AppendBalloonPiece(text, kReasonSeparator) && AppendBalloonPiece(text, reason);
    }
  }
  return room;
}

// The icon is there: no more retries; a balloon that found no icon is shown now.
void ShowFailures(RunnerNotice& notice);

void IconIsThere(RunnerNotice& notice) {
  if (notice.retryingIcon) StopNoticeTimer(notice, NoticeTimer::kIconRetry);
  notice.retryingIcon = false;
  notice.iconRetryWaited = 0;
  if (notice.balloonPending) ShowFailures(notice);
}

bool AddIcon(RunnerNotice& notice) { return Host(notice).addTrayIcon(Host(notice).context); }

void EndRunner(RunnerNotice& notice) {
  notice.waitingToExit = false;
  Host(notice).closeRunner(Host(notice).context);
}

// Nothing the user should still read: no balloon shown, none waiting for its icon.
bool NothingToRead(const RunnerNotice& notice) {
  return notice.balloonsOpen == 0 && !notice.balloonPending;
}

// The user is looking at the run: the runner stays until it is closed.
void KeepRunner(RunnerNotice& notice) {
  notice.stayOpen = true;
  if (notice.waitingToExit) StopNoticeTimer(notice, NoticeTimer::kExitLimit);
  notice.waitingToExit = false;
}

void ShowFailures(RunnerNotice& notice) {
  notice.balloonPending = false;
  // A shown window already says 失敗 in its list.
  if (Ended(notice) || Host(notice).windowVisible(Host(notice).context)) return;
  char text[kBalloonTextSize];
  FailureBalloonText(*notice.sequencer, text);
  notice.failureTold = true;
  // Without an icon there is nothing to show the balloon at: it waits for the icon.
  if (Host(notice).showBalloon(Host(notice).context, text)) {
    notice.balloonsOpen += 1;
  } else {
    notice.balloonPending = true;
  }
}

void RunFinished(RunnerNotice& notice) {
  if (!notice.exitAfterRun || notice.stayOpen || Ended(notice)) return;
  // A balloon still shown (or still waiting for its icon) would go with the runner before
  // anyone read it: the runner stays until it goes, but not longer than the limit, as the
  // shell does not tell of every balloon that goes.
  if (NothingToRead(notice)) {
    EndRunner(notice);
    return;
  }
  notice.waitingToExit = true;
  StartNoticeTimer(notice, NoticeTimer::kExitLimit, kNoticeExitLimitMilliseconds);
}

}  // namespace

void NoticeTrayIconStart(RunnerNotice& notice) {
  if (AddIcon(notice)) return;
  // At logon the shell may still be starting and time the add out, with no
  // "TaskbarCreated" to follow: without retries the runner would have no icon at all.
  notice.retryingIcon = true;
  notice.iconRetryWaited = 0;
  StartNoticeTimer(notice, NoticeTimer::kIconRetry, kIconRetryMilliseconds);
}

void NoticeTrayIconRetry(RunnerNotice& notice) {
  StopNoticeTimer(notice, NoticeTimer::kIconRetry);  // each try arms the next one
  if (!notice.retryingIcon || Ended(notice)) return;
  notice.iconRetryWaited += kIconRetryMilliseconds;
  if (AddIcon(notice)) {
    IconIsThere(notice);
  } else if (notice.iconRetryWaited >= kIconRetryLimitMilliseconds) {
    // A shell that takes no icon in five minutes will not take one: the runner goes on
    // without, as it did before the retries, and keeps nothing of them.
    notice.retryingIcon = false;
    notice.iconRetryWaited = 0;
  } else {
    StartNoticeTimer(notice, NoticeTimer::kIconRetry, kIconRetryMilliseconds);
  }
}

void NoticeTrayIconRecreated(RunnerNotice& notice) {
  if (Ended(notice)) return;
  if (AddIcon(notice)) IconIsThere(notice);
}

void NoticeSequencerReport(RunnerNotice& notice, const SequencerReport& report) {
  if (report.event == SequencerEvent::kTickOver && report.failures > 0) ShowFailures(notice);
  if (report.event == SequencerEvent::kRunFinished) RunFinished(notice);
}

void NoticeBalloonEnded(RunnerNotice& notice, BalloonEnd end) {
  if (Ended(notice)) return;
  if (notice.balloonsOpen > 0) notice.balloonsOpen -= 1;
  if (end == BalloonEnd::kClicked) {
    // The user wants to see the run: the window shows and stays until it is closed.
    KeepRunner(notice);
    Host(notice).showWindow(Host(notice).context);
    return;
  }
  if (notice.waitingToExit && NothingToRead(notice)) {
    StopNoticeTimer(notice, NoticeTimer::kExitLimit);
    EndRunner(notice);
  }
}

void NoticeWindowShown(RunnerNotice& notice) {
  // Shown after a failure was told, the window is being read: as a click on the balloon,
  // it keeps the runner rather than close under the reader when the balloon goes.
  if (!Ended(notice) && notice.failureTold) KeepRunner(notice);
}

void NoticeExitLimitReached(RunnerNotice& notice) {
  if (!notice.waitingToExit || Ended(notice)) return;
  StopNoticeTimer(notice, NoticeTimer::kExitLimit);
  EndRunner(notice);
}

void FailureBalloonText(const LaunchSequencer& sequencer, char* text) {
  if (!BalloonLines(sequencer, true, text)) BalloonLines(sequencer, false, text);
}
