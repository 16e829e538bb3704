// TLRun's entry point: keeps a second runner from starting, turns the command line into a
// schedule path (or the association dialog when there is none), asks before a schedule from
// another computer runs, reads the two run options, creates the runner window and runs the
// message loop until the window is gone.
#include <windows.h>
#include <objbase.h>

#include <cstdlib>

#include "association_dialog.h"
#include "command_line.h"
#include "instance_mutex.h"
#include "long_path.h"
#include "runner_load.h"
#include "runner_window.h"
#include "schedule_file.h"
#include "text_encoding.h"
#include "zone_identifier.h"

namespace {

const char kMutexName[] = "Run'sTarvilo";
const char kRunnerCaption[] = "Run's Tarvilo";
const char kAssociationConfirmation[] = ".tlfファイルとアプリケーションを関連付けました。";

// Ends with the quit message, or as soon as the window is gone: a window destroyed inside
// another message loop (the shell's during a launch) may have had its quit message taken
// by that loop, and a runner without a window would hold the instance mutex for good.
int RunMessageLoop() {
  MSG message{};
  while (IsWindow(runnerState.window) && GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (PassRunnerKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}

int RunRunner(HINSTANCE instance) {
  // Held until the process ends: while it exists no second runner starts, also while this
  // one only shows the association dialog.
  if (!TakeInstanceMutex(Win32InstanceMutexHost(), kMutexName, kRunnerCaption)) return 0;

  runnerState.instance = instance;
  int argCount = __argc > 0 ? __argc - 1 : 0;
  RunnerMode mode = ResolveRunnerCommandLine(argCount, __argv + 1, FindFirstFileLookup(),
                                             runnerState.schedulePath);
  if (mode == RunnerMode::kAssociation) {
    RunRunnerAssociation(instance, kAssociationConfirmation);
    return 0;
  }
  // One spelling of the schedule's path: resolved once, as its open resolves it, and that
  // one path is both asked about its zone mark and read.
  ResolveSchedulePath(Win32ZoneHost(), runnerState.schedulePath);
  // A schedule that is not there is named at once: there is nothing to ask about.
  if (ScheduleFileMissing(runnerState.schedulePath)) {
    ReportUnreadSchedule(FileProblem::kNotFound);
    return 0;
  }
  // A schedule from the internet starts its programs only when the user says so; a No ends
  // the runner before it has a window or a tray icon.
  if (!MayRunSchedule(Win32ZoneHost(), runnerState.schedulePath, kRunnerCaption)) return 0;
  runnerState.options = ReadRunnerOptions(runnerState.schedulePath);

  int exitCode = 0;
  if (CreateRunnerWindow()) exitCode = RunMessageLoop();

  // The window is gone; the items are the runner's to free.
  runnerState.schedule.clear();
  return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The shell carries out some verbs through COM objects, which need the calling thread in
  // a single-threaded apartment; OLE1 DDE stays off, as the shell asks.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  // A schedule saved as UTF-8 (Notepad's default) is read as its code page 932 text.
  SetScheduleTextConversion(Win32TextConversion());
  int exitCode = RunRunner(instance);
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
