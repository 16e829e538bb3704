// RunnerNotice: what a runner that nobody watches tells of its run. A launch that failed
// while the window is hidden is shown as a balloon at the tray icon; exit-after-run then
// waits for the balloon; and a tray icon the busy shell refused at logon is added again
// until it is there. The notice sits a floor above the launch sequencer: it reads what the
// sequencer reports and decides, over a host of its own, so its rules run in a test with a
// fake host and a fake clock like the launching itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "launch_sequencer.h"

// A first add the shell refused is tried again every 2 s, for 5 minutes at most.
constexpr uint32_t kIconRetryMilliseconds = 2000;
constexpr uint32_t kIconRetryLimitMilliseconds = 5 * 60 * 1000;
// With exit-after-run on, the longest a runner waits for its balloon after the last launch.
constexpr uint32_t kNoticeExitLimitMilliseconds = 30 * 1000;
// The balloon's text buffer (NOTIFYICONDATAA.szInfo): 255 bytes of text and the NUL.
constexpr std::size_t kBalloonTextSize = 256;

// The balloon's title: the runner's own name, as in its window's caption.
constexpr char kBalloonTitle[] = "Run's Tarvilo";

// The notice's own timers, apart from the launch timer: one for the tray icon's next try
// and one for the longest wait before exit-after-run ends the runner. Each is stopped when
// it has fired; the retry arms the next try itself.
enum class NoticeTimer { kIconRetry, kExitLimit };

// The Win32 host is WindowNoticeHost in TLRun/runner_window.cpp; each member names the
// function there and the call it makes.
struct NoticeHost {
  bool (*windowVisible)(void* context);  // HostWindowVisible: IsWindowVisible
  void (*showWindow)(void* context);     // HostShowWindow: ShowWindow
  // HostShowBalloon: Shell_NotifyIconA(NIM_MODIFY, NIF_INFO); false when the shell took
  // none.
  bool (*showBalloon)(void* context, const char* text);
  // HostAddTrayIcon: Shell_NotifyIconA(NIM_ADD); true when the notification area holds it.
  bool (*addTrayIcon)(void* context);
  // HostStartNoticeTimer, HostStopNoticeTimer: SetTimer and KillTimer.
  void (*startNoticeTimer)(void* context, NoticeTimer timer, uint32_t milliseconds);
  void (*stopNoticeTimer)(void* context, NoticeTimer timer);
  void (*closeRunner)(void* context);  // HostCloseRunner: DestroyWindow
  void* context;
};

// What the runner has told so far, and what it still waits for.
struct RunnerNotice {
  NoticeHost host{};
  // The run told of: its failures and names; once it has ended nothing more is done.
  const LaunchSequencer* sequencer = nullptr;
  bool exitAfterRun = false;
  bool retryingIcon = false;
  uint32_t iconRetryWaited = 0;  // milliseconds since the refused first add
  int32_t balloonsOpen = 0;      // shown and not yet reported gone
  bool balloonPending = false;   // wanted while the shell held no icon to show it at
  bool failureTold = false;      // a balloon was shown or is pending for this run
  bool stayOpen = false;         // the user looked at the run: no exit after it
  bool waitingToExit = false;    // the run is over; exit-after-run waits for the balloon
};

// The window was created: adds the tray icon, and starts the retries when the shell
// refused it. The run never waits for the icon.
void NoticeTrayIconStart(RunnerNotice& notice);
// The retry timer fired: tries the add again, and stops once the icon is there or the
// 5 minutes are over.
void NoticeTrayIconRetry(RunnerNotice& notice);
// The notification area was rebuilt ("TaskbarCreated"): the icon is added again; when that
// works, any retries still running end.
void NoticeTrayIconRecreated(RunnerNotice& notice);

// What the sequencer reported: a tick with failures shows the balloon, the run's end ends
// the runner when exit-after-run allows it now.
void NoticeSequencerReport(RunnerNotice& notice, const SequencerReport& report);
// The tray icon's callback told that the balloon went away.
enum class BalloonEnd { kTimedOut, kHidden, kClicked };
void NoticeBalloonEnded(RunnerNotice& notice, BalloonEnd end);
// The user showed the window (tray menu or a double click on the icon).
void NoticeWindowShown(RunnerNotice& notice);
// The 30 s after the last launch are over.
void NoticeExitLimitReached(RunnerNotice& notice);

// The balloon's text for the failures so far (text: kBalloonTextSize bytes): the heading,
// then a line for each failed item in schedule order, "<name>: <reason>" when the whole
// text fits so, else the names alone; a text that does not fit even so is cut at a whole
// character and ends with "…".
void FailureBalloonText(const LaunchSequencer& sequencer, char* text);
