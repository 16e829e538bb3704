// The runner window and the runner's program-wide state: the status list, the stop and
// resume buttons, the menu bar and the tray icon, with the launch sequencer behind them.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "control_keys_win.h"
#include "launch_sequencer.h"
#include "list_rows.h"
#include "schedule.h"
#include "schedule_file.h"
#include "text.h"

// Everything the runner keeps for the life of the process; one instance, runnerState.
struct RunnerState {
  HINSTANCE instance = nullptr;
  char schedulePath[kTextSize] = "";
  ScheduleOptions options;
  ScheduleList schedule;

  HWND window = nullptr;
  HWND statusList = nullptr;
  HWND resumeButton = nullptr;
  HWND stopButton = nullptr;
  HWND tabOrder[3] = {};        // the list, 停止, 再開: the order Tab moves the focus in
  ControlFocus focus;           // over tabOrder
  HMENU trayMenuBar = nullptr;  // the second copy of the menu resource, owner of trayMenu
  HMENU trayMenu = nullptr;     // its first submenu, shown at the tray icon
  NOTIFYICONDATAA trayIcon{};   // kept: the same record removes the icon again
  UINT taskbarCreatedMessage = 0;

  LaunchSequencer sequencer;
  int32_t shownLaunchedCount = 0;  // the launched count the status list shows
  RowCursor rowCursor;             // the status list's last row asked for
};

extern RunnerState runnerState;

// A key message of the runner's loop: Tab moves between the list and the buttons, Enter
// presses a focused button. True when it was handled here.
bool PassRunnerKey(const MSG& message);

// Registers the window class and creates the runner window, shown or hidden by the
// show-runner-window option. False when the class or the window could not be created.
bool CreateRunnerWindow();
