// RunnerNotice: the runner's word about a run nobody watches. A runner started at logon is
// usually hidden and often ends itself after the run, so a failed launch would only ever
// be a 失敗 in a list nobody sees; here it becomes a balloon at the tray icon, and the
// runner stays long enough for the balloon to be read. The tray icon, the only handle on a
// hidden runner, is added again while a shell that is still starting refuses it.
#include "runner_notice.h"

#include "text.h"

namespace {

const char kFailureHeading[] = "起動できなかったプログラムがあります。";
const char kCutMark[] = "…";
static_assert(sizeof kCutMark == 3, "the cut mark is one double-byte character");
constexpr std::size_t kBalloonTextMax = kBalloonTextSize - 1;
constexpr std::size_t kCutMarkBytes = sizeof kCutMark - 1;

const SequencerHost& Host(const LaunchSequencer& sequencer) { return sequencer.host; }

void StartNoticeTimer(LaunchSequencer& sequencer, NoticeTimer timer, uint32_t milliseconds) {
  Host(sequencer).startNoticeTimer(Host(sequencer).context, timer, milliseconds);
}

void StopNoticeTimer(LaunchSequencer& sequencer, NoticeTimer timer) {
  Host(sequencer).stopNoticeTimer(Host(sequencer).context, timer);
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

// The icon is there: no more retries; a balloon that found no icon is shown now.
void IconIsThere(LaunchSequencer& sequencer) {
  NoticeState& notice = sequencer.notice;
  if (notice.retryingIcon) StopNoticeTimer(sequencer, NoticeTimer::kIconRetry);
  notice.retryingIcon = false;
  if (notice.balloonPending) NoticeLaunchFailures(sequencer);
}

bool AddIcon(LaunchSequencer& sequencer) {
  return Host(sequencer).addTrayIcon(Host(sequencer).context);
}

void EndRunner(LaunchSequencer& sequencer) {
  sequencer.notice.waitingToExit = false;
  Host(sequencer).closeRunner(Host(sequencer).context);
}

}  // namespace

void NoticeTrayIconStart(LaunchSequencer& sequencer) {
  if (AddIcon(sequencer)) return;
  // At logon the shell may still be starting and time the add out, with no
  // "TaskbarCreated" to follow: without retries the runner would have no icon at all.
  sequencer.notice.retryingIcon = true;
  sequencer.notice.iconRetryWaited = 0;
  StartNoticeTimer(sequencer, NoticeTimer::kIconRetry, kIconRetryMilliseconds);
}

void NoticeTrayIconRetry(LaunchSequencer& sequencer) {
  NoticeState& notice = sequencer.notice;
  StopNoticeTimer(sequencer, NoticeTimer::kIconRetry);  // each try arms the next one
  if (!notice.retryingIcon || sequencer.ended) return;
  notice.iconRetryWaited += kIconRetryMilliseconds;
  if (AddIcon(sequencer)) {
    IconIsThere(sequencer);
  } else if (notice.iconRetryWaited >= kIconRetryLimitMilliseconds) {
    // A shell that takes no icon in five minutes will not take one: the runner goes on
    // without, as it did before the retries.
    notice.retryingIcon = false;
  } else {
    StartNoticeTimer(sequencer, NoticeTimer::kIconRetry, kIconRetryMilliseconds);
  }
}

void NoticeTrayIconRecreated(LaunchSequencer& sequencer) {
  if (sequencer.ended) return;
  if (AddIcon(sequencer)) IconIsThere(sequencer);
}

void NoticeLaunchFailures(LaunchSequencer& sequencer) {
  NoticeState& notice = sequencer.notice;
  notice.balloonPending = false;
  // A shown window already says 失敗 in its list.
  if (sequencer.ended || Host(sequencer).windowVisible(Host(sequencer).context)) return;
  char text[kBalloonTextSize];
  FailureBalloonText(sequencer, text);
  // Without an icon there is nothing to show the balloon at: it waits for the icon.
  if (Host(sequencer).showBalloon(Host(sequencer).context, text)) {
    notice.balloonsOpen += 1;
  } else {
    notice.balloonPending = true;
  }
}

void NoticeRunFinished(LaunchSequencer& sequencer) {
  NoticeState& notice = sequencer.notice;
  if (!sequencer.exitAfterRun || notice.stayOpen || sequencer.ended) return;
  // A balloon still shown (or still waiting for its icon) would go with the runner before
  // anyone read it: the runner stays until it goes, but not longer than the limit, as the
  // shell does not tell of every balloon that goes.
  if (notice.balloonsOpen == 0 && !notice.balloonPending) {
    EndRunner(sequencer);
    return;
  }
  notice.waitingToExit = true;
  StartNoticeTimer(sequencer, NoticeTimer::kExitLimit, kNoticeExitLimitMilliseconds);
}

void NoticeBalloonEnded(LaunchSequencer& sequencer, BalloonEnd end) {
  NoticeState& notice = sequencer.notice;
  if (sequencer.ended) return;
  if (notice.balloonsOpen > 0) notice.balloonsOpen -= 1;
  if (end == BalloonEnd::kClicked) {
    // The user wants to see the run: the window shows and stays until it is closed.
    notice.stayOpen = true;
    Host(sequencer).showWindow(Host(sequencer).context);
    if (notice.waitingToExit) StopNoticeTimer(sequencer, NoticeTimer::kExitLimit);
    notice.waitingToExit = false;
    return;
  }
  if (notice.waitingToExit && notice.balloonsOpen == 0) {
    StopNoticeTimer(sequencer, NoticeTimer::kExitLimit);
    EndRunner(sequencer);
  }
}

void NoticeExitLimitReached(LaunchSequencer& sequencer) {
  if (!sequencer.notice.waitingToExit || sequencer.ended) return;
  StopNoticeTimer(sequencer, NoticeTimer::kExitLimit);
  EndRunner(sequencer);
}

void FailureBalloonText(const LaunchSequencer& sequencer, char* text) {
  CopyText(text, kBalloonTextSize, kFailureHeading);
  int32_t position = 0;
  bool room = true;
  for (const ScheduleItem* item = sequencer.firstItem;
       room && item != nullptr && position < sequencer.launchedCount;
       item = item->next, ++position) {
    if (!SequencerLaunchFailed(sequencer, position)) continue;
    room = AppendBalloonPiece(text, "\n") && AppendBalloonPiece(text, item->name);
  }
}
