// RunnerNotice: what a runner that nobody watches tells of its run. A launch that failed
// while the window is hidden is shown as a balloon at the tray icon; exit-after-run then
// waits for the balloon; and a tray icon the busy shell refused at logon is added again
// until it is there. The rules work on the sequencer and its host, so they run in a test
// with a fake host and a fake clock like the launching itself.
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

// How a shown balloon went away, as the tray icon's callback tells it.
enum class BalloonEnd { kTimedOut, kHidden, kClicked };

// The window was created: adds the tray icon, and starts the retries when the shell
// refused it. The run never waits for the icon.
void NoticeTrayIconStart(LaunchSequencer& sequencer);
// The retry timer fired: tries the add again, and stops once the icon is there or the
// 5 minutes are over.
void NoticeTrayIconRetry(LaunchSequencer& sequencer);
// The notification area was rebuilt ("TaskbarCreated"): the icon is added again; when that
// works, any retries still running end.
void NoticeTrayIconRecreated(LaunchSequencer& sequencer);

// A tick launched items and at least one of them could not be started.
void NoticeLaunchFailures(LaunchSequencer& sequencer);
// The last item has been launched: ends the runner when exit-after-run allows it now.
void NoticeRunFinished(LaunchSequencer& sequencer);
// The tray icon's callback told that the balloon went away.
void NoticeBalloonEnded(LaunchSequencer& sequencer, BalloonEnd end);
// The 30 s after the last launch are over.
void NoticeExitLimitReached(LaunchSequencer& sequencer);

// The balloon's text for the failures so far (text: kBalloonTextSize bytes): the heading,
// then each failed item's name on a line of its own, in schedule order; a text that does
// not fit is cut at a whole character and ends with "…".
void FailureBalloonText(const LaunchSequencer& sequencer, char* text);
