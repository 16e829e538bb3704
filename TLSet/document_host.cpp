// The document's host on Windows: the list view's selection and rows, the option check
// boxes, message boxes without owner, the open and save-as dialogs, the item dialog, the
// schedule file and the registry.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include "association.h"
#include "editor_state.h"
#include "item_dialog.h"
#include "list_view_win.h"
#include "resource.h"

namespace {

EditorState& State(void* context) { return *static_cast<EditorState*>(context); }

int32_t HostSelectedRow(void* context) {
  HWND listView = State(context).controls[0];
  return static_cast<int32_t>(SendMessageA(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                           MAKELPARAM(LVNI_SELECTED, 0)));
}

void HostSelectRow(void* context, int32_t row) {
  SelectListRow(State(context).controls[0], row);
}

void HostRefreshList(void* context, const ScheduleList& schedule, RowRange changed) {
  RefreshListView(State(context).controls[0], schedule, changed);
}

void SetCheck(HWND box, bool checked) {
  SendMessageA(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void HostShowOptions(void* context, const ScheduleOptions& options) {
  SetCheck(State(context).controls[8], options.showRunnerWindow);
  SetCheck(State(context).controls[9], options.exitAfterRun);
}

// Without an owner but task-modal: every window of the editor is disabled until the box is
// answered, so no click, menu command or dropped file reaches them meanwhile.
void HostShowMessage(void*, const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK | MB_TASKMODAL);
}

bool HostAskYesNo(void*, const char* text, const char* caption, bool defaultNo) {
  UINT type = MB_YESNO | MB_TASKMODAL | (defaultNo ? MB_DEFBUTTON2 : MB_DEFBUTTON1);
  return MessageBoxA(nullptr, text, caption, type) == IDYES;
}

const char kScheduleFilter[] = "データファイル(*.tlf)\0*.tlf\0すべて(*.*)\0*.*\0";

// The open and save-as dialogs share everything but their flags and their call. path
// holds the prompt the dialog shows in its name box.
OPENFILENAMEA ScheduleFileDialog(EditorState& state, char* path, char* title, DWORD flags) {
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = state.mainWindow.handle;
  dialog.hInstance = state.instance;
  dialog.lpstrFilter = kScheduleFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = kTextSize;
  dialog.lpstrFileTitle = title;
  dialog.nMaxFileTitle = kTextSize;
  dialog.Flags = flags;
  return dialog;
}

bool HostChooseOpenPath(void* context, char* path) {
  char title[kTextSize] = "";
  OPENFILENAMEA dialog =
      ScheduleFileDialog(State(context), path, title,
                         OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES);
  return GetOpenFileNameA(&dialog) != FALSE;
}

bool HostChooseSavePath(void* context, char* path) {
  char title[kTextSize] = "";
  OPENFILENAMEA dialog = ScheduleFileDialog(State(context), path, title,
                                            OFN_HIDEREADONLY | OFN_EXPLORER | OFN_LONGNAMES);
  return GetSaveFileNameA(&dialog) != FALSE;
}

bool HostRunItemDialog(void* context, ItemFields& fields) {
  EditorState& state = State(context);
  return RunItemDialog(state.instance, state.mainWindow.handle, fields);
}

bool HostItemDialogChanged(void*) { return ItemDialogChanged(); }

bool HostFileExists(void*, const char* path) {
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Opened for no access at all, which reads the file's information without disturbing any
// program that holds it; a folder opens only with the backup flag.
bool HostFileIdentity(void*, const char* path, FileIdentity* identity) {
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information;
  bool read = GetFileInformationByHandle(file, &information) != FALSE;
  CloseHandle(file);
  if (!read) return false;
  identity->volume = information.dwVolumeSerialNumber;
  identity->index =
      (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  return true;
}

bool HostFullPath(void*, const char* path, char* full) {
  DWORD length = GetFullPathNameA(path, kTextSize, full, nullptr);
  return length != 0 && length < kTextSize;
}

FileProblem HostLoadSchedule(void*, const char* path, ScheduleList& schedule,
                             ScheduleOptions& options, bool* wellFormed) {
  FileProblem problem = FileProblem::kNone;
  LoadScheduleFile(path, schedule, options, &problem, wellFormed);
  return problem;
}

FileProblem HostWriteSchedule(void*, const char* path, const ScheduleList& schedule,
                              const ScheduleOptions& options, char* keptAs, char* oldKeptAs) {
  FileProblem problem = FileProblem::kNone;
  WriteScheduleFile(path, schedule, options, &problem, keptAs, oldKeptAs);
  return problem;
}

void HostRegisterAssociation(void*) {
  RegisterEditorAssociation(Win32RegistryHost(), Win32CurrentDirectory);
}

}  // namespace

DocumentHost Win32DocumentHost(EditorState* state) {
  DocumentHost host{};
  host.selectedRow = HostSelectedRow;
  host.selectRow = HostSelectRow;
  host.refreshList = HostRefreshList;
  host.showOptions = HostShowOptions;
  host.showMessage = HostShowMessage;
  host.askYesNo = HostAskYesNo;
  host.chooseOpenPath = HostChooseOpenPath;
  host.chooseSavePath = HostChooseSavePath;
  host.runItemDialog = HostRunItemDialog;
  host.itemDialogChanged = HostItemDialogChanged;
  host.fileExists = HostFileExists;
  host.fileIdentity = HostFileIdentity;
  host.fullPath = HostFullPath;
  host.loadSchedule = HostLoadSchedule;
  host.writeSchedule = HostWriteSchedule;
  host.registerAssociation = HostRegisterAssociation;
  host.context = state;
  return host;
}

// The list view keeps no texts: it asks for a row's texts when it draws the row, so a
// refresh only tells it the row count and which rows to draw again.
void RefreshListView(HWND listView, const ScheduleList& schedule, RowRange changed) {
  editorState.rowCursor = RowCursor{};
  ClearListSelection(listView);
  SetListRowCount(listView, schedule.itemCount);
  if (IsWholeList(changed) && schedule.itemCount > 0) {
    SendMessageA(listView, LVM_ENSUREVISIBLE, 0, FALSE);
  }
  RedrawListRows(listView, changed);
}

bool AnswerListRequest(NMHDR* header, LRESULT* result) {
  const ScheduleList& schedule = editorState.document.schedule;
  switch (header->code) {
    case LVN_GETDISPINFOA: {
      LVITEMA& row = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
      if ((row.mask & LVIF_TEXT) != 0 && row.pszText != nullptr && row.cchTextMax > 0) {
        const ScheduleItem* item = ItemAtRow(schedule, editorState.rowCursor, row.iItem);
        CopyRowText(item, row.iSubItem, row.pszText, static_cast<std::size_t>(row.cchTextMax));
      }
      *result = 0;
      return true;
    }
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW:
      *result = FindTypedRow(header, schedule);
      return true;
    default:
      return false;
  }
}
