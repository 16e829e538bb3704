// The runner's association dialog (resource 109): explains the association, shows whether
// the runner's registration is there, and ends with 1 (write), 1128 (remove) or 2
// (cancel). RunRunnerAssociation shows it and hands the result to RunAssociationSequence.
#include "association_dialog.h"

#include "association.h"
#include "resource.h"

namespace {

const char kDialogCaption[] = "Run's Tarvilo";
const char kExplanationText[] =
    ".tlfファイルとTLRun.exeの関連付けを行います。\n"
    "スケジュールを実行するには次の関連付けを行ってから\n"
    ".tlfファイルをダブルクリックするか\n"
    ".tlfファイルをドラッグ＆ドロップしてください。";

BOOL OnInitDialog(HWND dialog) {
  HWND checkBox = GetDlgItem(dialog, IDC_ASSOCIATE_CHECK);
  // The position and size are fixed in pixels, whatever the template's dialog units give.
  MoveWindow(dialog, 350, 300, 270, 120, TRUE);
  // The template is not WS_VISIBLE, so this box comes before the dialog appears.
  MessageBoxA(nullptr, kExplanationText, kDialogCaption, MB_OK);
  bool ticked = ProbeRunnerRegistration(Win32RegistryHost());
  SendMessageA(checkBox, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
  return TRUE;
}

BOOL OnCommand(HWND dialog, int controlId) {
  if (controlId == IDOK) {
    bool ticked = IsDlgButtonChecked(dialog, IDC_ASSOCIATE_CHECK) == BST_CHECKED;
    EndDialog(dialog, ticked ? kAssociationApply : kAssociationRemove);
    return TRUE;
  }
  // キャンセル, and also Esc and the close box, which the dialog manager turns into 2.
  if (controlId == IDCANCEL) {
    EndDialog(dialog, kAssociationCancel);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK AssociationDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam));
    default:
      return FALSE;
  }
}

int ShowAssociationDialog(void* context) {
  HINSTANCE instance = static_cast<HINSTANCE>(context);
  // No owner window: opened from the menu, the runner window stays enabled and its launch
  // timer keeps being dispatched by this dialog's message loop.
  return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ASSOCIATION), nullptr,
                                          AssociationDialogProc, 0));
}

}  // namespace

void RunRunnerAssociation(HINSTANCE instance, const char* confirmationText) {
  AssociationUi ui;
  ui.currentDirectory = Win32CurrentDirectory;
  ui.showDialog = ShowAssociationDialog;
  ui.context = instance;
  RunAssociationSequence(Win32RegistryHost(), ui, confirmationText);
}
