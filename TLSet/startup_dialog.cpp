// The startup import dialog: a list view with check boxes over the listed entries. Rows that
// cannot be imported have no check box; those that cannot be taken over are drawn greyed
// and say why in their state. The dialog only shows and passes calls on.
#include "startup_dialog.h"

#include <commctrl.h>

#include <cstring>

#include "resource.h"
#include "startup_takeover.h"

namespace {

const char kErrorCaption[] = "エラー";
const char kNotPutBackText[] = "元の設定に戻せませんでした。";

struct Column {
  const char* caption;
  int width;
};
// 状態 is the widest after the command: it holds the reason a row cannot be imported.
constexpr Column kColumns[] = {{"名前", 100}, {"コマンド", 200}, {"場所", 100}, {"状態", 170}};

// The check box images of a list view with LVS_EX_CHECKBOXES: none, unchecked, checked.
constexpr UINT kNoBox = 0;
constexpr UINT kUnchecked = 1;
constexpr UINT kChecked = 2;

// The dialog is modal, so one record serves every opening.
struct StartupDialogState {
  const RegistryHost* registry = nullptr;
  const StartupFolderHost* folders = nullptr;
  StartupList* list = nullptr;
  bool* switchOff = nullptr;
  bool filling = false;  // rows are being inserted: their box changes are not the user's
};

StartupDialogState startupDialog;

// The boxes as the user left them before a refill, by place and name: 元に戻す lists the
// entries again, and the other rows keep their checks.
struct KeptCheck {
  StartupSource source;
  char valueName[kTextSize];
  UINT box;
};
KeptCheck keptChecks[kMaxStartupEntries];
int keptCount = 0;

HWND ListOf(HWND dialog) { return GetDlgItem(dialog, IDC_STARTUP_LIST); }

void SetCell(HWND view, int row, int column, const char* text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text);  // only read by the list view
  SendMessageA(view, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void SetBox(HWND view, int row, UINT box) {
  LVITEMA item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(box);
  SendMessageA(view, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

UINT BoxOf(HWND view, int row) {
  return static_cast<UINT>(SendMessageA(view, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK)) >>
         12;
}

const StartupEntry* SelectedEntry(HWND dialog) {
  int row = static_cast<int>(SendMessageA(ListOf(dialog), LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  if (row < 0 || row >= startupDialog.list->count) return nullptr;
  return &startupDialog.list->entries[row];
}

void KeepChecks(HWND view) {
  const StartupList& list = *startupDialog.list;
  for (keptCount = 0; keptCount < list.count; ++keptCount) {
    KeptCheck& kept = keptChecks[keptCount];
    kept.source = list.entries[keptCount].source;
    CopyText(kept.valueName, list.entries[keptCount].valueName);
    kept.box = BoxOf(view, keptCount);
  }
}

// A row without a kept box (a new one, or one that had none) starts as the listing says.
UINT BoxFor(const StartupEntry& entry) {
  if (!MayImport(entry)) return kNoBox;
  for (int index = 0; index < keptCount; ++index) {
    const KeptCheck& kept = keptChecks[index];
    if (kept.box != kNoBox && kept.source == entry.source &&
        std::strcmp(kept.valueName, entry.valueName) == 0) {
      return kept.box;
    }
  }
  return entry.chosen ? kChecked : kUnchecked;
}

void UpdatePutBack(HWND dialog) {
  const StartupEntry* entry = SelectedEntry(dialog);
  bool offByTarvilo = entry != nullptr && entry->state == StartupState::kOffByTarvilo;
  EnableWindow(GetDlgItem(dialog, IDC_STARTUP_PUT_BACK), offByTarvilo ? TRUE : FALSE);
}

void FillList(HWND dialog) {
  StartupList& list = *startupDialog.list;
  ListStartupEntries(*startupDialog.registry, *startupDialog.folders, list);
  HWND view = ListOf(dialog);
  startupDialog.filling = true;
  SendMessageA(view, LVM_DELETEALLITEMS, 0, 0);
  for (int row = 0; row < list.count; ++row) {
    const StartupEntry& entry = list.entries[row];
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(entry.name);
    SendMessageA(view, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    SetCell(view, row, 1, entry.command);
    SetCell(view, row, 2, StartupSourceText(entry.source));
    char state[kTextSize];
    StartupStateText(entry, state);
    SetCell(view, row, 3, state);
    SetBox(view, row, BoxFor(entry));
  }
  startupDialog.filling = false;
  UpdatePutBack(dialog);
}

BOOL OnInitDialog(HWND dialog) {
  HWND view = ListOf(dialog);
  SendMessageA(view, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  int index = 0;
  for (const Column& listColumn : kColumns) {
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.cx = listColumn.width;
    column.pszText = const_cast<char*>(listColumn.caption);
    column.iSubItem = index;
    SendMessageA(view, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&column));
  }
  // Where Windows ignores StartupApproved a switch would claim what does not happen.
  const StartupFolderHost& folders = *startupDialog.folders;
  bool honoured = folders.honoursStartupApproved(folders.context);
  CheckDlgButton(dialog, IDC_STARTUP_SWITCH_OFF, honoured ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(GetDlgItem(dialog, IDC_STARTUP_SWITCH_OFF), honoured ? TRUE : FALSE);
  ShowWindow(GetDlgItem(dialog, IDC_STARTUP_OLD_WINDOWS), honoured ? SW_HIDE : SW_SHOW);
  FillList(dialog);
  return TRUE;
}

void OnImport(HWND dialog) {
  StartupList& list = *startupDialog.list;
  for (int row = 0; row < list.count; ++row) {
    list.entries[row].chosen = BoxOf(ListOf(dialog), row) == kChecked;
  }
  *startupDialog.switchOff = IsDlgButtonChecked(dialog, IDC_STARTUP_SWITCH_OFF) == BST_CHECKED;
  EndDialog(dialog, IDOK);
}

void OnPutBack(HWND dialog) {
  const StartupEntry* entry = SelectedEntry(dialog);
  if (entry == nullptr || entry->state != StartupState::kOffByTarvilo) return;
  KeepChecks(ListOf(dialog));
  if (!PutBackEntry(*startupDialog.registry, *startupDialog.folders, entry->source,
                    entry->valueName)) {
    MessageBoxA(dialog, kNotPutBackText, kErrorCaption, MB_OK | MB_ICONERROR);
  }
  FillList(dialog);
}

// A row without a box keeps none: the space bar would otherwise give it one.
LRESULT OnItemChanging(const NMLISTVIEW& change) {
  if (startupDialog.filling || (change.uChanged & LVIF_STATE) == 0) return FALSE;
  if (((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0) return FALSE;
  return (change.uOldState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(kNoBox);
}

// Rows that cannot be taken over are drawn in the system's grey.
LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw) {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  int row = static_cast<int>(draw.nmcd.dwItemSpec);
  if (row >= 0 && row < startupDialog.list->count &&
      startupDialog.list->entries[row].block != TakeOverBlock::kNone) {
    draw.clrText = GetSysColor(COLOR_GRAYTEXT);
  }
  return CDRF_DODEFAULT;
}

LRESULT OnNotify(HWND dialog, NMHDR* header) {
  if (header->idFrom != IDC_STARTUP_LIST) return 0;
  if (header->code == LVN_ITEMCHANGING) {
    return OnItemChanging(*reinterpret_cast<NMLISTVIEW*>(header));
  }
  if (header->code == LVN_ITEMCHANGED) UpdatePutBack(dialog);
  if (header->code == NM_CUSTOMDRAW) {
    return OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(header));
  }
  return 0;
}

INT_PTR CALLBACK StartupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_NOTIFY:
      // A dialog procedure's answer goes through DWLP_MSGRESULT.
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT,
                        OnNotify(dialog, reinterpret_cast<NMHDR*>(lParam)));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          OnImport(dialog);
          return TRUE;
        case IDC_STARTUP_PUT_BACK:
          OnPutBack(dialog);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool RunStartupImportDialog(HINSTANCE instance, HWND owner, const RegistryHost& registry,
                            const StartupFolderHost& folders, StartupList& list,
                            bool* switchOff) {
  startupDialog = StartupDialogState();
  keptCount = 0;
  startupDialog.registry = &registry;
  startupDialog.folders = &folders;
  startupDialog.list = &list;
  startupDialog.switchOff = switchOff;
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_STARTUP_IMPORT), owner,
                         StartupDialogProc, 0) == IDOK;
}
