// The runner window: one window procedure that hands each message to a small handler.
// Creation builds the controls and the tray icon, loads the schedule and starts the
// sequencer; ticks and the two buttons (clicked, or Space or Enter after Tab) go to the
// sequencer; the tray icon and the menu show, hide or end the runner; destruction takes
// everything down again and ends the loop.
#include "runner_window.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstddef>

#include "association_dialog.h"
#include "list_view_win.h"
#include "launch_reason.h"
#include "resource.h"
#include "runner_load.h"

RunnerState runnerState;

namespace {

const char kClassName[] = "Tarvilo";
const char kWindowTitle[] = "Run's Tarvilo";
const char kLocalDataVariable[] = "LOCALAPPDATA";
const char kEmptyScheduleText[] = "アプリケーションが１つも登録されていません。終了します";
const char kErrorCaption[] = "エラー";
const char kRestartConfirmation[] =
    ".tlfファイルとアプリケーションを関連付けました。Windowsを再起動してください";

constexpr UINT kTrayCallbackMessage = WM_USER + 100;  // 1124
constexpr UINT_PTR kLaunchTimerId = 1;
constexpr UINT_PTR kIconRetryTimerId = 2;
constexpr UINT_PTR kExitLimitTimerId = 3;
constexpr UINT kTrayIconId = IDI_RUNNER;

// The first form of NOTIFYICONDATAA (up to the 64-byte tip), which every shell version
// accepts: 88 bytes in a 32-bit program; the handles are wider in a 64-bit one.
constexpr std::size_t kTrayTipSize = 64;
constexpr DWORD kTrayRecordSize = offsetof(NOTIFYICONDATAA, szTip) + kTrayTipSize;
static_assert(sizeof(void*) != 4 || kTrayRecordSize == 88,
              "the first form of the tray record is 88 bytes in a 32-bit program");
// The balloon needs the later form with its texts. With _WIN32_WINNT at Windows XP the
// full record is the third form (504 bytes in a 32-bit program, 520 in a 64-bit one,
// without the balloon's own icon handle of Vista), which every shell since XP takes. The
// texts' buffers are the ones the notice is built for.
static_assert(sizeof(void*) != 4 || sizeof(NOTIFYICONDATAA) == 504, "the third form");
static_assert(sizeof(NOTIFYICONDATAA::szInfo) == kBalloonTextSize, "the balloon's text size");
static_assert(sizeof(NOTIFYICONDATAA::szInfoTitle) >= sizeof kBalloonTitle, "the title fits");

// The window's place and size in pixels, shown or hidden.
constexpr int kWindowX = 300;
constexpr int kWindowY = 300;
constexpr int kWindowWidth = 320;
constexpr int kWindowHeight = 240;

constexpr DWORD kVisibleStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU;  // 0x10C80000
constexpr DWORD kHiddenStyle = WS_MINIMIZE | WS_CAPTION | WS_SYSMENU;  // 0x20C80000
// Virtual (LVS_OWNERDATA): the rows' texts come from the schedule when a row is drawn.
constexpr DWORD kStatusListStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT |
                                   LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | LVS_OWNERDATA;
// A failed row's tip tells why (LVN_GETINFOTIPA), on hover and for the focused row.
constexpr DWORD kStatusListExStyle = LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | BS_PUSHBUTTON;

// ---- the sequencer's host ---------------------------------------------------------------

uint32_t ReadEnvironmentVariable(const char* name, char* value, uint32_t capacity) {
  return GetEnvironmentVariableA(name, value, capacity);
}

void HostStartTimer(void*, uint32_t milliseconds) {
  SetTimer(runnerState.window, kLaunchTimerId, milliseconds, nullptr);
}

void HostStopTimer(void*) { KillTimer(runnerState.window, kLaunchTimerId); }

// Opens the item through the shell and tells whether it started, and if not why; the
// sequencer counts it as launched either way. The shell must not show an error box of its own:
// a hidden runner at logon would wait on it unseen, and the next items with it.
// SEE_MASK_NOASYNC makes the call return only once the shell has handed the item on: a DDE or
// delegated verb would otherwise still be at work when exit-after-run ends the process.
bool HostLaunchItem(void*, const ScheduleItem& item, char* reason) {
  char file[kTextSize];
  if (!ResolveLaunchFile(item, ReadEnvironmentVariable, file, reason)) return false;
  SHELLEXECUTEINFOA launch{};
  launch.cbSize = sizeof launch;
  launch.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  launch.hwnd = runnerState.window;
  launch.lpVerb = "open";
  launch.lpFile = file;
  launch.lpParameters = item.arguments;
  launch.lpDirectory = item.workFolder;
  launch.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExA(&launch)) return true;
  DWORD error = GetLastError();
  char message[kTextSize] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 message, sizeof message, nullptr);
  SystemMessageReason(message, file, reason);
  return false;
}

void RefreshStatusList(int32_t launchedCount);

void HostRefreshStatusList(void*, int32_t launchedCount) { RefreshStatusList(launchedCount); }

// A greyed-out button cannot keep the focus; the list takes it, so the keys still work.
void HostDisableButtons(void*) {
  HWND focus = GetFocus();
  if (focus == runnerState.resumeButton || focus == runnerState.stopButton) {
    SetFocus(runnerState.statusList);
  }
  EnableWindow(runnerState.resumeButton, FALSE);
  EnableWindow(runnerState.stopButton, FALSE);
}

void HostReportEmptySchedule(void*) {
  RecordMessage(runnerState.record, kEmptyScheduleText);
  MessageBoxA(nullptr, kEmptyScheduleText, kErrorCaption, MB_OK);
}

void HostCloseRunner(void*) { DestroyWindow(runnerState.window); }

// Loads the schedule. A file that could not be read is reported (ReportUnreadSchedule);
// false then, and the runner ends.
bool LoadSchedule() {
  FileProblem problem = FileProblem::kNone;
  if (LoadRunnerSchedule(runnerState.schedulePath, runnerState.schedule, &problem)) return true;
  ReportUnreadSchedule(problem);
  return false;
}

// Every report goes to both floors above the sequencer: the notice and the record.
void HostReport(void*, const SequencerReport& report) {
  RecordSequencerReport(runnerState.record, report);
  NoticeSequencerReport(runnerState.notice, report);
}

bool HostWindowVisible(void*) { return IsWindowVisible(runnerState.window) != FALSE; }

void ShowRunnerWindow();

void HostShowWindow(void*) { ShowRunnerWindow(); }

// A record of its own, so the kept 88-byte record for add and delete stays as it is.
bool HostShowBalloon(void*, const char* text) {
  NOTIFYICONDATAA balloon{};
  balloon.cbSize = sizeof balloon;
  balloon.hWnd = runnerState.window;
  balloon.uID = runnerState.trayIcon.uID;
  balloon.uFlags = NIF_INFO;
  CopyText(balloon.szInfo, text);
  CopyText(balloon.szInfoTitle, kBalloonTitle);
  balloon.dwInfoFlags = NIIF_WARNING;
  return Shell_NotifyIconA(NIM_MODIFY, &balloon) != FALSE;
}

// An add can time out in a busy shell and still have put the icon there; a modify
// without flags succeeds only for an icon the notification area holds, so the retries
// end then too instead of trying for five minutes an add that can no longer work.
bool HostAddTrayIcon(void*) {
  if (Shell_NotifyIconA(NIM_ADD, &runnerState.trayIcon) != FALSE) return true;
  NOTIFYICONDATAA probe{};
  probe.cbSize = kTrayRecordSize;
  probe.hWnd = runnerState.window;
  probe.uID = runnerState.trayIcon.uID;
  return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

UINT_PTR NoticeTimerId(NoticeTimer timer) {
  return timer == NoticeTimer::kIconRetry ? kIconRetryTimerId : kExitLimitTimerId;
}

void HostStartNoticeTimer(void*, NoticeTimer timer, uint32_t milliseconds) {
  SetTimer(runnerState.window, NoticeTimerId(timer), milliseconds, nullptr);
}

void HostStopNoticeTimer(void*, NoticeTimer timer) {
  KillTimer(runnerState.window, NoticeTimerId(timer));
}

SequencerHost WindowSequencerHost() {
  return SequencerHost{HostStartTimer,        HostStopTimer,      HostLaunchItem,
                       HostRefreshStatusList, HostDisableButtons, HostReportEmptySchedule,
                       HostCloseRunner,       HostReport,         nullptr};
}

NoticeHost WindowNoticeHost() {
  return NoticeHost{HostWindowVisible,    HostShowWindow,      HostShowBalloon, HostAddTrayIcon,
                    HostStartNoticeTimer, HostStopNoticeTimer, HostCloseRunner, nullptr};
}

// The record lives in the user's local application data: LOCALAPPDATA where the system
// sets it, else the folder the shell knows by that name (systems before the variable).
// Opened once; a record that has no place stays closed.
void OpenRunRecord() {
  if (runnerState.record.host.appendToFile != nullptr) return;
  char localData[kTextSize] = "";
  DWORD length = GetEnvironmentVariableA(kLocalDataVariable, localData, sizeof localData);
  if (length == 0 || length >= sizeof localData) {
    localData[0] = '\0';
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, localData))) {
      localData[0] = '\0';
    }
  }
  RunRecordOpen(runnerState.record, PlatformRunRecordHost(), localData);
}

// ---- controls -----------------------------------------------------------------------------

void InsertStatusColumn(int index, const char* caption, int width) {
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<char*>(caption);  // only read by the list view
  column.iSubItem = index;
  SendMessageA(runnerState.statusList, LVM_INSERTCOLUMNA, index,
               reinterpret_cast<LPARAM>(&column));
}

void CreateStatusList(HWND window) {
  InitCommonControls();
  runnerState.statusList =
      CreateWindowExA(0, "SysListView32", "", kStatusListStyle, 0, 0, 250, 170, window,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_STATUS_LIST)),
                      runnerState.instance, nullptr);
  InsertStatusColumn(0, "名前", 170);
  InsertStatusColumn(1, "状態", 80);
  SendMessageA(runnerState.statusList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kStatusListExStyle);
}

HWND CreateButton(HWND window, const char* caption, int id, int top) {
  return CreateWindowExA(0, "BUTTON", caption, kButtonStyle, 255, top, 55, 80, window,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                         runnerState.instance, nullptr);
}

void CreateButtons(HWND window) {
  runnerState.resumeButton = CreateButton(window, "再開", IDC_RESUME_BUTTON, 90);
  runnerState.stopButton = CreateButton(window, "停止", IDC_STOP_BUTTON, 5);
  HWND* order = runnerState.tabOrder;
  order[0] = runnerState.statusList;
  order[1] = runnerState.stopButton;
  order[2] = runnerState.resumeButton;
  runnerState.focus = {window, order, 3, nullptr};
}

// The list keeps no texts: it asks for a row's texts when it draws the row, so a refresh
// sets the row count once and draws again only the rows whose status changed. As when
// every row was rebuilt, no row stays selected.
void RefreshStatusList(int32_t launchedCount) {
  HWND list = runnerState.statusList;
  int32_t rowCount = runnerState.schedule.itemCount;
  RowRange changed = StatusRowsChanged(runnerState.shownLaunchedCount, launchedCount, rowCount);
  runnerState.shownLaunchedCount = launchedCount;
  ClearListSelection(list);
  SetListRowCount(list, rowCount);
  RedrawListRows(list, changed);
}

// A row's text: the item's name, or its status as the last refresh saw it.
void AnswerStatusText(NMLVDISPINFOA& request) {
  LVITEMA& row = request.item;
  if ((row.mask & LVIF_TEXT) == 0 || row.pszText == nullptr || row.cchTextMax <= 0) return;
  std::size_t capacity = static_cast<std::size_t>(row.cchTextMax);
  const ScheduleItem* item = ItemAtRow(runnerState.schedule, runnerState.rowCursor, row.iItem);
  if (item == nullptr) {
    CopyText(row.pszText, capacity, "");
  } else if (row.iSubItem == 0) {
    CopyText(row.pszText, capacity, item->name);
  } else {
    CopyText(row.pszText, capacity,
             StatusText(row.iItem, runnerState.shownLaunchedCount,
                        SequencerLaunchFailed(runnerState.sequencer, row.iItem)));
  }
}

// A failed row's tip: its path and why it did not start. Other rows keep the list's own
// tip (none: their texts fit).
void AnswerInfoTip(NMLVGETINFOTIPA& request) {
  if (request.pszText == nullptr || request.cchTextMax <= 0) return;
  if (!SequencerLaunchFailed(runnerState.sequencer, request.iItem)) return;
  const ScheduleItem* item =
      ItemAtRow(runnerState.schedule, runnerState.rowCursor, request.iItem);
  if (item == nullptr) return;
  FailureTipText(item->path, SequencerFailureReason(runnerState.sequencer, request.iItem),
                 request.pszText, static_cast<std::size_t>(request.cchTextMax));
}

// ---- tray icon ----------------------------------------------------------------------------

// Fills the kept record; the sequencer's notice adds the icon with it.
void PrepareTrayIcon(HWND window) {
  NOTIFYICONDATAA& icon = runnerState.trayIcon;
  icon = NOTIFYICONDATAA{};
  icon.cbSize = kTrayRecordSize;
  icon.hWnd = window;
  icon.uID = kTrayIconId;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = kTrayCallbackMessage;
  // The 16x16 image of the icon, so the notification area need not shrink the 32x32 one.
  icon.hIcon = static_cast<HICON>(LoadImageA(runnerState.instance, MAKEINTRESOURCEA(IDI_RUNNER),
                                             IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  CopyText(icon.szTip, kTrayTipSize, "tarvilo");
}

void LoadTrayMenu() {
  runnerState.trayMenuBar = LoadMenuA(runnerState.instance, MAKEINTRESOURCEA(IDR_RUNNER_MENU));
  runnerState.trayMenu = GetSubMenu(runnerState.trayMenuBar, 0);
}

void ShowRunnerWindow() {
  // A window that started hidden is also minimized; restoring brings back its place and size.
  ShowWindow(runnerState.window, SW_SHOW);
  ShowWindow(runnerState.window, SW_RESTORE);
}

void HideRunnerWindow() {
  ShowWindow(runnerState.window, SW_MINIMIZE);
  ShowWindow(runnerState.window, SW_HIDE);
}

// The user asked for the window: it shows, and the notice learns it is being read.
void ShowWindowForUser() {
  ShowRunnerWindow();
  NoticeWindowShown(runnerState.notice);
}

void ToggleRunnerWindow() {
  if (IsWindowVisible(runnerState.window)) {
    HideRunnerWindow();
  } else {
    ShowWindowForUser();
  }
}

// Opens the run record with the shell's open verb; a record not there opens nothing.
void OpenRunRecordFile(HWND window) {
  if (runnerState.record.path[0] == '\0') return;
  SHELLEXECUTEINFOA open{};
  open.cbSize = sizeof open;
  open.fMask = SEE_MASK_FLAG_NO_UI;
  open.hwnd = window;
  open.lpVerb = "open";
  open.lpFile = runnerState.record.path;
  open.nShow = SW_SHOWNORMAL;
  ShellExecuteExA(&open);
}

void OpenTrayMenu(HWND window) {
  POINT cursor{};
  GetCursorPos(&cursor);
  // The owner must be the foreground window while a notification-area menu is open, or
  // the menu does not close when the user clicks elsewhere; the WM_NULL afterwards lets
  // the menu's own loop finish so the next right click opens it again at once.
  SetForegroundWindow(window);
  TrackPopupMenu(runnerState.trayMenu, 0, cursor.x, cursor.y, 0, window, nullptr);
  PostMessageA(window, WM_NULL, 0, 0);
}

// ---- message handlers ---------------------------------------------------------------------

LRESULT OnCreate(HWND window) {
  runnerState.window = window;
  CreateStatusList(window);
  CreateButtons(window);
  PrepareTrayIcon(window);
  runnerState.sequencer.host = WindowSequencerHost();
  runnerState.notice.host = WindowNoticeHost();
  runnerState.notice.sequencer = &runnerState.sequencer;
  NoticeTrayIconStart(runnerState.notice);
  OpenRunRecord();
  if (!LoadSchedule()) {
    // Gone inside its own creation, as with an empty schedule: the runner ends.
    DestroyWindow(window);
    return 0;
  }
  RefreshStatusList(0);
  runnerState.notice.exitAfterRun = runnerState.options.exitAfterRun;
  RecordRunStart(runnerState.record, runnerState.schedulePath);
  LoadTrayMenu();
  SequencerStart(runnerState.sequencer, runnerState.schedule.head);
  return 0;
}

LRESULT OnNotify(NMHDR* header) {
  if (header->hwndFrom != runnerState.statusList) return 0;
  if (header->code == LVN_GETDISPINFOA) {
    AnswerStatusText(*reinterpret_cast<NMLVDISPINFOA*>(header));
  } else if (header->code == LVN_GETINFOTIPA) {
    AnswerInfoTip(*reinterpret_cast<NMLVGETINFOTIPA*>(header));
  } else if (header->code == LVN_ODFINDITEMA || header->code == LVN_ODFINDITEMW) {
    return FindTypedRow(header, runnerState.schedule);
  }
  return 0;
}

LRESULT OnTimer(WPARAM timerId) {
  if (timerId == kLaunchTimerId) {
    SequencerTick(runnerState.sequencer);
  } else if (timerId == kIconRetryTimerId) {
    NoticeTrayIconRetry(runnerState.notice);
  } else if (timerId == kExitLimitTimerId) {
    NoticeExitLimitReached(runnerState.notice);
  }
  return 0;
}

LRESULT OnCommand(HWND window, WORD commandId) {
  switch (commandId) {
    case IDC_RESUME_BUTTON:
      SequencerResume(runnerState.sequencer);
      break;
    case IDC_STOP_BUTTON:
      SequencerStop(runnerState.sequencer);
      break;
    case IDM_SHOW_WINDOW:
      ShowWindowForUser();
      break;
    case IDM_HIDE_WINDOW:
      HideRunnerWindow();
      break;
    case IDM_OPEN_RECORD:
      OpenRunRecordFile(window);
      break;
    case IDM_EXIT:
      DestroyWindow(window);
      break;
    case IDM_REGISTRY:
      // The dialog has no owner; the schedule keeps running while it is open.
      RunRunnerAssociation(runnerState.instance, kRestartConfirmation);
      break;
    default:
      break;
  }
  return 0;
}

// The second parameter carries the mouse message, or how the balloon went away.
LRESULT OnTrayCallback(HWND window, LPARAM event) {
  if (event == WM_LBUTTONDBLCLK) {
    ToggleRunnerWindow();
  } else if (event == WM_RBUTTONDOWN) {
    OpenTrayMenu(window);
  } else if (event == NIN_BALLOONTIMEOUT) {
    NoticeBalloonEnded(runnerState.notice, BalloonEnd::kTimedOut);
  } else if (event == NIN_BALLOONHIDE) {
    NoticeBalloonEnded(runnerState.notice, BalloonEnd::kHidden);
  } else if (event == NIN_BALLOONUSERCLICK) {
    NoticeBalloonEnded(runnerState.notice, BalloonEnd::kClicked);
  }
  return 0;
}

// The notification area was rebuilt (the shell restarted): put the icon back.
LRESULT OnTaskbarCreated() {
  NoticeTrayIconRecreated(runnerState.notice);
  return 0;
}

LRESULT OnDestroy() {
  // Also when the window goes inside a launch (the shell may run a message loop there):
  // the tick that is under way then launches nothing more.
  RecordRunClosed(runnerState.record, runnerState.sequencer);
  SequencerEnd(runnerState.sequencer);
  DestroyWindow(runnerState.statusList);
  DestroyWindow(runnerState.resumeButton);
  DestroyWindow(runnerState.stopButton);
  // Destroying the loaded menu also destroys the tray submenu that belongs to it.
  if (runnerState.trayMenuBar != nullptr) DestroyMenu(runnerState.trayMenuBar);
  runnerState.trayMenuBar = nullptr;
  runnerState.trayMenu = nullptr;
  Shell_NotifyIconA(NIM_DELETE, &runnerState.trayIcon);
  PostQuitMessage(0);
  return 0;
}

LRESULT CALLBACK RunnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (runnerState.taskbarCreatedMessage != 0 && message == runnerState.taskbarCreatedMessage) {
    return OnTaskbarCreated();
  }
  switch (message) {
    case WM_CREATE:
      return OnCreate(window);
    case WM_TIMER:
      return OnTimer(wParam);
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_COMMAND:
      return OnCommand(window, LOWORD(wParam));
    case kTrayCallbackMessage:
      return OnTrayCallback(window, lParam);
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) SaveControlFocus(runnerState.focus);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_SETFOCUS:
      RestoreControlFocus(runnerState.focus);
      return 0;
    case WM_DESTROY:
      return OnDestroy();
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

void ReportUnreadSchedule(FileProblem problem) {
  OpenRunRecord();
  char message[kTextSize * 2];
  RunnerLoadFailureText(problem, runnerState.schedulePath, message, sizeof message);
  RecordMessage(runnerState.record, message);
  MessageBoxA(nullptr, message, kErrorCaption, MB_OK);
}

bool PassRunnerKey(const MSG& message) {
  return runnerState.focus.window != nullptr && PassControlKey(runnerState.focus, message);
}

bool CreateRunnerWindow() {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = RunnerWindowProc;
  windowClass.hInstance = runnerState.instance;
  windowClass.hIcon = LoadIconA(runnerState.instance, MAKEINTRESOURCEA(IDI_RUNNER));
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageA(runnerState.instance, MAKEINTRESOURCEA(IDI_RUNNER), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_RUNNER_MENU);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExA(&windowClass) == 0) return false;

  runnerState.taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");

  bool show = runnerState.options.showRunnerWindow;
  HWND window =
      CreateWindowExA(show ? WS_EX_TOPMOST : 0, kClassName, kWindowTitle,
                      show ? kVisibleStyle : kHiddenStyle, kWindowX, kWindowY, kWindowWidth,
                      kWindowHeight, nullptr, nullptr, runnerState.instance, nullptr);
  // No window (also when an empty schedule destroyed it inside its own creation): there
  // is nothing for a message loop to wait for, and the runner ends.
  if (window == nullptr) return false;
  ShowWindow(window, show ? SW_SHOW : SW_HIDE);
  UpdateWindow(window);
  return true;
}
