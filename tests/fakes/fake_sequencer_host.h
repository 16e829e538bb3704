// A fake host for LaunchSequencer and its notice: records every call in order and keeps a
// fake clock with one timer, so tests can let time pass and see what was launched when.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "launch_sequencer.h"
#include "runner_notice.h"

enum class HostCall {
  kStartTimer,
  kStopTimer,
  kLaunch,
  kRefresh,
  kDisableButtons,
  kReportEmpty,
  kCloseRunner,
  kShowWindow,
  kShowBalloon,  // itemName: the balloon's text
  kAddTrayIcon,
};

struct RecordedCall {
  HostCall kind;
  uint64_t at;            // fake clock, milliseconds since the start
  uint32_t milliseconds;  // kStartTimer: the period asked for
  std::string itemName;   // kLaunch: the launched item's name
  int32_t launchedCount;  // kRefresh: the count the status list was asked to show
};

struct FakeSequencerHost {
  std::vector<RecordedCall> calls;
  uint64_t now = 0;
  bool timerArmed = false;
  uint64_t deadline = 0;
  uint32_t period = 0;
  int timerStarts = 0;
  bool closed = false;
  std::set<std::string> failing;               // items (by name) whose launch fails
  std::map<std::string, std::string> reasons;  // why they fail; none kept when not given
  // Gets each report of the sequencer (the test wires the notice or the record to it).
  std::function<void(const SequencerReport&)> onReport;
  bool windowVisible = false;
  int iconAddsRefused = -1;  // adds of the tray icon that fail before one works; -1: added
  int balloonsTaken = -1;    // balloons the shell shows before it refuses them; -1: all
  // The notice's timers by NoticeTimer: whether armed and when due. The test fires them.
  bool noticeArmed[2] = {};
  uint64_t noticeDue[2] = {};
  // Runs inside each launch, as messages the platform dispatches during it would.
  std::function<void(const ScheduleItem&)> duringLaunch;

  // The operation tables for a sequencer and for a notice, bound to this fake.
  SequencerHost host();
  NoticeHost noticeHost();
  // Lets milliseconds pass, delivering a tick each time the armed timer expires (a timer
  // of 0 ms fires at once, as a WM_TIMER would on the next pass of the message loop).
  void advance(LaunchSequencer& sequencer, uint64_t milliseconds);

  std::vector<RecordedCall> callsOf(HostCall kind) const;
  std::vector<std::string> launchedNames() const;
};
