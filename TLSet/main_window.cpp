// The editor's main window: one window procedure that hands each message to a small
// handler. Creation builds the list view, the buttons and the check boxes around the
// document's start-up step; commands go through the command table to the document;
// closing offers to save while the window is still on screen.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>  // __argc, __argv

#include "editor_state.h"
#include "item_dialog.h"
#include "long_path.h"
#include "resource.h"
#include "run_at_logon.h"
#include "startup_dialog.h"
#include "startup_import.h"
#include "version_dialog.h"

EditorState editorState;

namespace {

const char kClassName[] = "Tarvilo";
const char kWindowTitle[] = "Setting's Tarvilo";

constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
// Virtual (LVS_OWNERDATA): the rows' texts come from the schedule when a row is drawn.
// Every control is a tab stop: the window is used with the keyboard alone too.
constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                             LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | LVS_OWNERDATA;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
// Not automatic: a click (or Space) only reports, and the option decides what the box shows.
constexpr DWORD kCheckStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_CHECKBOX;

struct ListColumn {
  const char* caption;
  int width;
  int format;
};

constexpr ListColumn kColumns[kListColumnCount] = {
    {"名前", 150, LVCFMT_LEFT},        {"ファイル名", 83, LVCFMT_LEFT},
    {"パス", 83, LVCFMT_LEFT},         {"コマンド", 83, LVCFMT_LEFT},
    {"作業フォルダ", 83, LVCFMT_LEFT}, {"遅延時間(秒)", 83, LVCFMT_RIGHT},
};

struct ControlCaption {
  int id;
  const char* caption;
};

constexpr ControlCaption kButtons[] = {
    {IDC_MOVE_TOP, "最上段へ"},        {IDC_MOVE_UP, "一つ上へ"},
    {IDC_MOVE_DOWN, "一つ下へ"},       {IDC_MOVE_BOTTOM, "最下段へ"},
    {IDC_ADD_ITEM, "アイテム追加"},    {IDC_EDIT_ITEM, "アイテム編集"},
    {IDC_DELETE_ITEM, "アイテム削除"},
};

constexpr ControlCaption kChecks[] = {
    {IDC_SHOW_RUNNER_CHECK, "スケジュール実行時にTLRunのウィンドウを表示する"},
    {IDC_EXIT_AFTER_RUN_CHECK, "スケジュール実行終了後にTLRunを終了する"},
};

constexpr int kFirstButtonSlot = 1;
constexpr int kFirstCheckSlot = 8;

HWND CreateChild(HWND window, const char* className, const char* text, DWORD style,
                 DWORD exStyle, int id, const ControlRect& place) {
  return CreateWindowExA(
      exStyle, className, text, style, place.x, place.y, place.width, place.height, window,
      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), editorState.instance, nullptr);
}

// Each column is at least as wide as its caption, so no heading is cut in any font.
void InsertColumn(HWND listView, int index, const ListColumn& listColumn) {
  constexpr int kHeaderPadding = 16;  // the header's margins around the caption
  int captionWidth = static_cast<int>(SendMessageA(
      listView, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(listColumn.caption)));
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = listColumn.format;
  column.cx = captionWidth + kHeaderPadding > listColumn.width ? captionWidth + kHeaderPadding
                                                               : listColumn.width;
  column.pszText = const_cast<char*>(listColumn.caption);  // only read by the list view
  column.iSubItem = index;
  SendMessageA(listView, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void CreateListView(HWND window) {
  InitCommonControls();
  HWND listView = CreateChild(window, "SysListView32", "", kListStyle, WS_EX_CLIENTEDGE,
                              IDC_SCHEDULE_LIST, {0, 0, 500, 410});
  editorState.controls[0] = listView;
  for (int i = 0; i < kListColumnCount; ++i) InsertColumn(listView, i, kColumns[i]);
  SendMessageA(listView, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
}

void CreateButtons(HWND window) {
  MainLayout layout = ComputeMainLayout(720);
  int slot = kFirstButtonSlot;
  for (const ControlCaption& button : kButtons) {
    editorState.controls[slot] = CreateChild(window, "BUTTON", button.caption, kButtonStyle, 0,
                                             button.id, layout.controls[slot]);
    ++slot;
  }
}

// The boxes come after the document's start-up step, which decides the options they show.
void CreateCheckBoxes(HWND window) {
  MainLayout layout = ComputeMainLayout(720);
  int slot = kFirstCheckSlot;
  for (const ControlCaption& check : kChecks) {
    editorState.controls[slot] = CreateChild(window, "BUTTON", check.caption, kCheckStyle, 0,
                                             check.id, layout.controls[slot]);
    ++slot;
  }
  const ScheduleOptions& options = editorState.document.options;
  editorState.document.host.showOptions(&editorState, options);
}

void RunVersionDialog(HWND window) { ShowVersionDialog(editorState.instance, window); }

// Asks about unsaved changes while the window is still on screen, then ends it, unless a
// chosen save did not happen or a question is still open.
void CloseEditor(HWND window) {
  if (OfferSaveOnClose(editorState.document)) DestroyWindow(window);
}

// The editor's own executable, beside which the runner is looked for; "" when its path
// does not fit (GetModuleFileNameA then cuts it, without a terminator on older systems).
void OwnProgramPath(char* path) {
  DWORD length = GetModuleFileNameA(nullptr, path, kTextSize);
  if (length == 0 || length >= kTextSize) path[0] = '\0';
}

void RunAtLogon() {
  char programPath[kTextSize];
  OwnProgramPath(programPath);
  ToggleRunAtLogon(editorState.document, Win32RegistryHost(), programPath);
}

// The dialog counts as one of the document's prompts: a logoff meanwhile asks nothing.
void ImportStartup(HWND window) {
  EditorDocument& document = editorState.document;
  if (HasOpenPrompt(document)) return;
  static StartupList list;  // large; the dialog is modal, so one serves every opening
  RegistryHost registry = Win32RegistryHost();
  StartupFolderHost folders = Win32StartupFolderHost();
  bool switchOff = false;
  ++document.openPrompts;
  bool chosen =
      RunStartupImportDialog(editorState.instance, window, registry, folders, list, &switchOff);
  --document.openPrompts;
  if (!chosen) return;
  char programPath[kTextSize];
  OwnProgramPath(programPath);
  ImportStartupEntries(document, registry, folders, list, switchOff, programPath);
}

void RunCommand(HWND window, EditorCommand command) {
  EditorDocument& document = editorState.document;
  switch (command) {
    case EditorCommand::kMoveToTop:
      return MoveSelectedItem(document, MoveDirection::kTop);
    case EditorCommand::kMoveUp:
      return MoveSelectedItem(document, MoveDirection::kUp);
    case EditorCommand::kMoveDown:
      return MoveSelectedItem(document, MoveDirection::kDown);
    case EditorCommand::kMoveToBottom:
      return MoveSelectedItem(document, MoveDirection::kBottom);
    case EditorCommand::kAddItem:
      return AddItem(document);
    case EditorCommand::kEditItem:
      return EditSelectedItem(document);
    case EditorCommand::kDeleteItem:
      return DeleteSelectedItem(document);
    case EditorCommand::kToggleShowRunnerWindow:
      return ToggleOption(document, RunOption::kShowRunnerWindow);
    case EditorCommand::kToggleExitAfterRun:
      return ToggleOption(document, RunOption::kExitAfterRun);
    case EditorCommand::kNew:
      return NewSchedule(document);
    case EditorCommand::kOpen:
      return OpenSchedule(document);
    case EditorCommand::kSave:
      SaveSchedule(document);
      return;
    case EditorCommand::kSaveAs:
      SaveScheduleAs(document);
      return;
    case EditorCommand::kRunAtLogon:
      return RunAtLogon();
    case EditorCommand::kImportStartup:
      return ImportStartup(window);
    case EditorCommand::kExit:
      return CloseEditor(window);
    case EditorCommand::kVersion:
      // Not while one of the document's questions waits for its answer.
      if (document.openPrompts == 0) RunVersionDialog(window);
      return;
    case EditorCommand::kNone:
      return;
  }
}

// What the button sends for a click, so a key that stands for it runs the same command.
void PressButton(int id) {
  HWND window = editorState.mainWindow.handle;
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

// ---- message handlers ---------------------------------------------------------------------

// The schedule named on the command line, as a full path: the file dialogs may change the
// current directory later, and a relative name would then make a save write elsewhere.
void OpenCommandLineSchedule() {
  int argCount = __argc > 0 ? __argc - 1 : 0;
  if (argCount < 1) {
    ApplyCommandLine(editorState.document, 0, nullptr, FindFirstFileLookup());
    return;
  }
  char fullPath[kTextSize] = "";
  DWORD length = GetFullPathNameA(__argv[1], sizeof fullPath, fullPath, nullptr);
  const char* schedule = length > 0 && length < sizeof fullPath ? fullPath : __argv[1];
  ApplyCommandLine(editorState.document, 1, &schedule, FindFirstFileLookup());
}

// A schedule from the command line opens with its first row selected, so the keys work on
// it at once; the list takes the focus when the window is first activated.
LRESULT OnCreate(HWND window) {
  editorState.mainWindow.handle = window;
  editorState.document.host = Win32DocumentHost(&editorState);
  editorState.focus = {window, editorState.controls, kChildControlCount, nullptr};
  CreateListView(window);
  CreateButtons(window);
  OpenCommandLineSchedule();
  DocumentHost& host = editorState.document.host;
  if (editorState.document.schedule.itemCount > 0) host.selectRow(host.context, 0);
  CreateCheckBoxes(window);
  // Schedule files dropped on the window open like the open command opens them.
  DragAcceptFiles(window, TRUE);
  return 0;
}

// The layout follows the outer width alone; the client size in the message is not used.
LRESULT OnSize(HWND window) {
  RECT outer{};
  GetWindowRect(window, &outer);
  MainLayout layout = ComputeMainLayout(outer.right - outer.left);
  for (int slot = 0; slot < kChildControlCount; ++slot) {
    const ControlRect& place = layout.controls[slot];
    if (editorState.controls[slot] == nullptr) continue;
    MoveWindow(editorState.controls[slot], place.x, place.y, place.width, place.height, FALSE);
  }
  InvalidateRect(window, nullptr, TRUE);
  return 0;
}

LRESULT OnGetMinMaxInfo(LPARAM lParam) {
  MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
  info->ptMinTrackSize.x = kMinTrackWidth;
  info->ptMinTrackSize.y = kMinTrackHeight;
  info->ptMaxTrackSize.x = kMaxTrackWidth;
  return 0;
}

// The list view's questions (a row's texts, a typed name) are answered from the schedule.
// A double click on a row edits it (the click has just selected it); one on empty space
// below the rows does nothing.
LRESULT OnNotify(LPARAM lParam) {
  NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
  LRESULT answer = 0;
  if (header->hwndFrom != ScheduleListView()) return 0;
  if (AnswerListRequest(header, &answer)) return answer;
  if (header->code != NM_DBLCLK) return 0;
  LVHITTESTINFO hit{};
  GetCursorPos(&hit.pt);
  ScreenToClient(ScheduleListView(), &hit.pt);
  if (SendMessageA(ScheduleListView(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0) {
    EditSelectedItem(editorState.document);
  }
  return 0;
}

// The check mark is read from the registry each time the file menu opens: the remover or
// the user (Task Manager, regedit) may have changed the value since.
LRESULT OnInitMenuPopup(HMENU menu) {
  if (GetMenuState(menu, IDM_RUN_AT_LOGON, MF_BYCOMMAND) == static_cast<UINT>(-1)) return 0;
  bool runs = DocumentRunsAtLogon(editorState.document, Win32RegistryHost());
  CheckMenuItem(menu, IDM_RUN_AT_LOGON, MF_BYCOMMAND | (runs ? MF_CHECKED : MF_UNCHECKED));
  return 0;
}

LRESULT OnDropFiles(HDROP drop) {
  OpenDroppedSchedule(editorState.document, QueryFirstDroppedFile, drop);
  DragFinish(drop);
  return 0;
}

LRESULT OnDestroy() {
  for (HWND& control : editorState.controls) {
    DestroyWindow(control);
    control = nullptr;
  }
  PostQuitMessage(0);
  return 0;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(window);
    case WM_SIZE:
    case WM_SIZING:
      return OnSize(window);
    case WM_GETMINMAXINFO:
      return OnGetMinMaxInfo(lParam);
    case WM_NOTIFY:
      return OnNotify(lParam);
    case WM_COMMAND:
      RunCommand(window, CommandForId(LOWORD(wParam)));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) SaveControlFocus(editorState.focus);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_SETFOCUS:
      RestoreControlFocus(editorState.focus);
      return 0;
    case WM_INITMENUPOPUP:
      return OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
    case WM_DROPFILES:
      return OnDropFiles(reinterpret_cast<HDROP>(wParam));
    case WM_CLOSE:
      CloseEditor(window);
      return 0;
    case WM_QUERYENDSESSION:
      // Logging off ends the process without WM_CLOSE: offer the save now, and hold the
      // logoff back when a chosen save did not happen or the item dialog holds changes.
      return AllowSessionEnd(editorState.document) ? TRUE : FALSE;
    case WM_DESTROY:
      return OnDestroy();
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

bool PassMainWindowKey(const MSG& message) {
  if (message.message == WM_KEYDOWN && message.hwnd == ScheduleListView()) {
    bool withModifier =
        GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0 || GetKeyState(VK_SHIFT) < 0;
    int button = ListKeyButton(static_cast<unsigned>(message.wParam), withModifier);
    if (button != 0) {
      PressButton(button);
      return true;
    }
  }
  return PassControlKey(editorState.focus, message);
}

bool MainWindow::create(HINSTANCE instance) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_EDITOR));
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageA(instance, MAKEINTRESOURCEA(IDI_EDITOR), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_EDITOR_MENU);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExA(&windowClass) == 0) return false;

  HWND window = CreateWindowExA(0, kClassName, kWindowTitle, kWindowStyle, 200, 200, 720, 540,
                                nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return false;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  return true;
}
