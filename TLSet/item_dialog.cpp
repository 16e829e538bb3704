// The item dialog: shows the entry it is given, keeps the delay within the arrows' range
// (a stored delay above it is shown and kept until an arrow moves; a typed one is read as
// OK reads it), checks the entry on OK, takes dropped files, browses for files and
// folders, and test-runs the entry as the runner would launch it.
#include "item_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "memory.h"
#include "path_split.h"
#include "resource.h"

namespace {

const char kFolderBrowserTitle[] = "フォルダを選択してください";
const char kDefaultStartFolder[] = "c:\\";
const char kErrorCaption[] = "エラー";

// The dialog is modal, so one record serves every opening.
struct ItemDialogState {
  HWND window = nullptr;
  ItemFields* fields = nullptr;  // what the dialog was opened with, until OK
  int32_t arrowPosition = 0;
};

ItemDialogState itemDialog;

// A control's whole text, however long, in a block of its own (FreeBlock): the checks on
// OK look at the bytes the user entered, not at what a fixed buffer would have kept of
// them. Null when memory ran out.
char* ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  int length = GetWindowTextLengthA(control);
  int capacity = (length > 0 ? length : 0) + 1;
  char* text = static_cast<char*>(AllocateBlock(static_cast<std::size_t>(capacity)));
  if (text == nullptr) return nullptr;
  int copied = GetWindowTextA(control, text, capacity);
  text[copied > 0 ? copied : 0] = '\0';
  return text;
}

void ReadControl(HWND dialog, int id, char* text) {
  GetDlgItemTextA(dialog, id, text, static_cast<int>(kTextSize));
}

// Without an owner but task-modal, like the editor's other boxes: the dialog and the main
// window take no input until it is answered.
void ShowError(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK | MB_TASKMODAL);
}

// The whole texts of the given controls, each in a block of its own; false (and the
// blocks freed) when memory ran out.
template <std::size_t kCount>
bool ReadControls(HWND dialog, const int (&ids)[kCount], char* (&texts)[kCount]) {
  bool read = true;
  for (std::size_t i = 0; i < kCount; ++i) {
    texts[i] = ControlText(dialog, ids[i]);
    read = read && texts[i] != nullptr;
  }
  if (!read) {
    for (char*& text : texts) FreeBlock(text);
  }
  return read;
}

// Shows what the checks found at its field; false when there was nothing to show.
bool ShowProblem(HWND dialog, const FormProblem& problem) {
  static constexpr int kFieldIds[] = {0, IDC_ITEM_NAME, IDC_ITEM_PATH, IDC_ITEM_ARGUMENTS,
                                      IDC_ITEM_WORK_FOLDER};
  if (problem.field == ItemField::kNone) return false;
  ShowError(problem.text, problem.caption);
  SetFocus(GetDlgItem(dialog, kFieldIds[static_cast<int>(problem.field)]));
  return true;
}

void ShowDelay(HWND dialog, int32_t delaySeconds) {
  char text[16];
  FormatText(text, sizeof text, "%d", static_cast<int>(delaySeconds));
  SetDlgItemTextA(dialog, IDC_ITEM_DELAY, text);
}

void SetupDelayArrows(HWND dialog) {
  HWND arrows = GetDlgItem(dialog, IDC_DELAY_ARROWS);
  SendMessageA(arrows, UDM_SETBUDDY,
               reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_ITEM_DELAY)), 0);
  SendMessageA(arrows, UDM_SETRANGE32, 0, kMaxArrowDelay);
  SendMessageA(arrows, UDM_SETPOS, 0, MAKELPARAM(LOWORD(itemDialog.arrowPosition), 0));
}

BOOL OnInitDialog(HWND dialog, LPARAM lParam) {
  itemDialog.window = dialog;
  itemDialog.fields = reinterpret_cast<ItemFields*>(lParam);
  const ItemFields& fields = *itemDialog.fields;
  SetDlgItemTextA(dialog, IDC_ITEM_NAME, fields.name);
  SetDlgItemTextA(dialog, IDC_ITEM_PATH, fields.path);
  SetDlgItemTextA(dialog, IDC_ITEM_ARGUMENTS, fields.arguments);
  SetDlgItemTextA(dialog, IDC_ITEM_WORK_FOLDER, fields.workFolder);
  // Typing stops at what a schedule file keeps; OK checks the bytes again, because the
  // limit counts characters, not bytes.
  static constexpr int kTextFieldIds[] = {IDC_ITEM_NAME, IDC_ITEM_PATH, IDC_ITEM_ARGUMENTS,
                                          IDC_ITEM_WORK_FOLDER};
  for (int id : kTextFieldIds) {
    SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, kMaxItemTextBytes, 0);
  }
  int32_t delay = ShownDelay(fields.delaySeconds);
  itemDialog.arrowPosition = ArrowPositionForDelay(fields.delaySeconds);
  if (fields.pathIsEnvVar != 0) CheckDlgButton(dialog, IDC_PATH_IS_ENV_VAR, BST_CHECKED);
  SetupDelayArrows(dialog);
  ShowDelay(dialog, delay);
  DragAcceptFiles(dialog, TRUE);
  return TRUE;  // the focus goes to the first tab stop, the name, so typing starts there
}

// The five texts OK reads, in ItemFormInput's order.
constexpr int kFormTextIds[] = {IDC_ITEM_NAME, IDC_ITEM_PATH, IDC_ITEM_ARGUMENTS,
                                IDC_ITEM_WORK_FOLDER, IDC_ITEM_DELAY};

// Checks the entry; a good one closes the dialog, a problem is shown at its field.
void AcceptEntry(HWND dialog, const ItemFormInput& input) {
  ItemFields entry;
  if (ShowProblem(dialog, ReadItemForm(input, entry))) return;
  *itemDialog.fields = entry;
  EndDialog(dialog, IDOK);
}

BOOL OnOk(HWND dialog) {
  char* texts[5];
  // Without memory for the texts the dialog stays open, the entry as the user left it.
  if (!ReadControls(dialog, kFormTextIds, texts)) return TRUE;
  bool pathIsEnvVar = IsDlgButtonChecked(dialog, IDC_PATH_IS_ENV_VAR) == BST_CHECKED;
  AcceptEntry(dialog, {texts[0], texts[1], texts[2], texts[3], texts[4], pathIsEnvVar});
  for (char* text : texts) FreeBlock(text);
  return TRUE;
}

void OnArrows(HWND dialog) {
  LRESULT position = SendDlgItemMessageA(dialog, IDC_DELAY_ARROWS, UDM_GETPOS, 0, 0);
  itemDialog.arrowPosition = LOWORD(position);
  ShowDelay(dialog, itemDialog.arrowPosition);
}

// The first dropped file goes into the path, whatever it is; the others are ignored. A path
// that does not fit is refused, never put into the field cut.
void OnDropFiles(HWND dialog, HDROP drop) {
  char path[kTextSize];
  DroppedPath dropped = ReadDroppedPath(QueryFirstDroppedFile, drop, path);
  DragFinish(drop);
  if (dropped == DroppedPath::kRead) SetDlgItemTextA(dialog, IDC_ITEM_PATH, path);
  if (dropped == DroppedPath::kTooLong) ShowError(kDroppedPathTooLongText, kErrorCaption);
}

void OnBrowseFile(HWND dialog) {
  char path[kTextSize];
  if (ChooseProgramFile(dialog, path) == 1) SetDlgItemTextA(dialog, IDC_ITEM_PATH, path);
}

void OnBrowsePathFolder(HWND dialog) {
  char folder[kTextSize];
  if (BrowseForFolder(dialog, kDefaultStartFolder, folder, sizeof folder) == 1) {
    SetDlgItemTextA(dialog, IDC_ITEM_PATH, folder);
  }
}

void OnFolderFromPath(HWND dialog) {
  char path[kTextSize];
  char folder[kTextSize];
  ReadControl(dialog, IDC_ITEM_PATH, path);
  SplitDriveAndFolder(path, folder, sizeof folder);
  SetDlgItemTextA(dialog, IDC_ITEM_WORK_FOLDER, folder);
}

// Opens at the path's drive and folder, which the field takes at once: a cancelled
// browser leaves it there.
void OnBrowseWorkFolder(HWND dialog) {
  char path[kTextSize];
  char start[kTextSize];
  ReadControl(dialog, IDC_ITEM_PATH, path);
  if (path[0] == '\0') {
    CopyText(start, kDefaultStartFolder);
  } else {
    SplitDriveAndFolder(path, start, sizeof start);
    SetDlgItemTextA(dialog, IDC_ITEM_WORK_FOLDER, start);
  }
  char folder[kTextSize];
  if (BrowseForFolder(dialog, start, folder, sizeof folder) == 1) {
    SetDlgItemTextA(dialog, IDC_ITEM_WORK_FOLDER, folder);
  }
}

uint32_t ReadEnvironmentVariable(const char* name, char* value, uint32_t capacity) {
  return GetEnvironmentVariableA(name, value, capacity);
}

// Launches the entry as it is on screen, the way the runner launches an item. Nothing is
// shown when it starts; a launch that cannot happen or fails is explained. The shell's
// own error box is suppressed so the explanation comes once, with the reason. The call
// returns once the shell has handed the file on (SEE_MASK_NOASYNC), so a DDE or delegated
// verb is not cut off when the editor ends right after.
void OnTestRun(HWND dialog) {
  // The fields are read whole and checked as OK checks them: nothing is launched cut.
  static constexpr int kTextIds[] = {IDC_ITEM_PATH, IDC_ITEM_ARGUMENTS, IDC_ITEM_WORK_FOLDER};
  char* texts[3];
  if (!ReadControls(dialog, kTextIds, texts)) return;
  bool pathIsEnvVar = IsDlgButtonChecked(dialog, IDC_PATH_IS_ENV_VAR) == BST_CHECKED;
  ItemFields entry;
  FormProblem problem =
      ReadTestRunFields({"", texts[0], texts[1], texts[2], "", pathIsEnvVar}, entry);
  for (char* text : texts) FreeBlock(text);
  if (ShowProblem(dialog, problem)) return;
  const char* path = entry.path;
  char file[kTextSize];
  TestRunFile resolved = ResolveTestRunFile(path, pathIsEnvVar, ReadEnvironmentVariable, file);
  if (resolved == TestRunFile::kNoPath) return;
  char message[kTextSize * 2];
  if (resolved != TestRunFile::kReady) {
    FormatTestRunProblem(resolved, path, message);
    ShowError(message, kErrorCaption);
    return;
  }
  SHELLEXECUTEINFOA launch{};
  launch.cbSize = sizeof launch;
  launch.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  launch.hwnd = dialog;
  launch.lpVerb = "open";
  launch.lpFile = file;
  launch.lpParameters = entry.arguments;
  launch.lpDirectory = entry.workFolder;
  launch.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExA(&launch)) return;
  DWORD error = GetLastError();
  char reason[kTextSize] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 reason, sizeof reason, nullptr);
  FormatLaunchFailure(file, reason, message, sizeof message);
  ShowError(message, kErrorCaption);
}

BOOL OnCommand(HWND dialog, int id) {
  switch (id) {
    case IDOK:
      return OnOk(dialog);
    case IDCANCEL:  // also Esc and the close box
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    case IDC_BROWSE_FILE:
      OnBrowseFile(dialog);
      return TRUE;
    case IDC_BROWSE_PATH_FOLDER:
      OnBrowsePathFolder(dialog);
      return TRUE;
    case IDC_FOLDER_FROM_PATH:
      OnFolderFromPath(dialog);
      return TRUE;
    case IDC_BROWSE_WORK_FOLDER:
      OnBrowseWorkFolder(dialog);
      return TRUE;
    case IDC_TEST_RUN:
      OnTestRun(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK ItemDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog, lParam);
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam));
    case WM_VSCROLL:
      OnArrows(dialog);
      return TRUE;
    case WM_DROPFILES:
      OnDropFiles(dialog, reinterpret_cast<HDROP>(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

// Selects the start folder once the browser is ready.
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM startFolder) {
  if (message == BFFM_INITIALIZED && startFolder != 0) {
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, startFolder);
  }
  return 0;
}

}  // namespace

bool RunItemDialog(HINSTANCE instance, HWND owner, ItemFields& fields) {
  INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ITEM), owner, ItemDialogProc,
                                   reinterpret_cast<LPARAM>(&fields));
  itemDialog.window = nullptr;
  itemDialog.fields = nullptr;
  return result == IDOK;
}

bool ItemDialogChanged() {
  HWND dialog = itemDialog.window;
  if (dialog == nullptr || itemDialog.fields == nullptr) return false;
  char* texts[5];
  if (!ReadControls(dialog, kFormTextIds, texts)) return true;
  bool pathIsEnvVar = IsDlgButtonChecked(dialog, IDC_PATH_IS_ENV_VAR) == BST_CHECKED;
  bool changed = ItemFormChanged(
      {texts[0], texts[1], texts[2], texts[3], texts[4], pathIsEnvVar}, *itemDialog.fields);
  for (char* text : texts) FreeBlock(text);
  return changed;
}

uint32_t QueryFirstDroppedFile(void* drop, char* buffer, uint32_t capacity) {
  return DragQueryFileA(static_cast<HDROP>(drop), 0, buffer, capacity);
}

int ChooseProgramFile(HWND owner, char* path) {
  char title[kTextSize] = "";
  path[0] = '\0';
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
  dialog.lpstrFilter = "すべて(*.*)\0*.*\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = kTextSize;
  dialog.lpstrFileTitle = title;
  dialog.nMaxFileTitle = kTextSize;
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_LONGNAMES;
  if (GetOpenFileNameA(&dialog)) return 1;
  path[0] = '\0';
  return 0;
}

int BrowseForFolder(HWND owner, const char* startFolder, char* result, std::size_t capacity) {
  // The browser selects "C:\Tools" but not always "C:\Tools\": a folder taken from a path
  // loses its final separator, except at a drive's root.
  char start[kTextSize];
  CopyText(start, startFolder);
  long last = LastPathSeparator(start);
  bool driveRoot = last == 2 && start[1] == ':';
  if (last > 0 && start[last + 1] == '\0' && !driveRoot) start[last] = '\0';
  char displayName[kTextSize] = "";
  BROWSEINFOA browse{};
  browse.hwndOwner = owner;
  browse.pszDisplayName = displayName;
  browse.lpszTitle = kFolderBrowserTitle;
  browse.lpfn = BrowseCallback;
  browse.lParam = reinterpret_cast<LPARAM>(start);
  LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
  if (chosen == nullptr) return 2;
  char path[kTextSize] = "";
  // A virtual folder (Control Panel, a printer...) has no path: the field keeps its text.
  bool hasPath = SHGetPathFromIDListA(chosen, path) != FALSE && path[0] != '\0';
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator != nullptr) {
    allocator->Free(chosen);
    allocator->Release();
  }
  if (!hasPath || std::strlen(path) >= capacity) return 2;
  CopyText(result, capacity, path);
  return 1;
}
