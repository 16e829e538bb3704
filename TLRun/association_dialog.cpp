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

// The dialog's result is what the user pressed, kept where DialogBoxParamA's caller gave
// it; a dialog ended any other way (the runner's quit message ends every modal loop) counts
// as cancelled.
void KeepPressed(HWND dialog, int result) {
  int* pressed = reinterpret_cast<int*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (pressed != nullptr) *pressed = result;
  EndDialog(dialog, result);
}

BOOL OnInitDialog(HWND dialog, LPARAM pressed) {
  SetWindowLongPtrA(dialog, DWLP_USER, pressed);
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
    KeepPressed(dialog, ticked ? kAssociationApply : kAssociationRemove);
    return TRUE;
  }
  // キャンセル, and also Esc and the close box, which the dialog manager turns into 2.
  if (controlId == IDCANCEL) {
    KeepPressed(dialog, kAssociationCancel);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK AssociationDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog, lParam);
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam));
    default:
      return FALSE;
  }
}

int ShowAssociationDialog(void* context) {
  HINSTANCE instance = static_cast<HINSTANCE>(context);
  // No owner window: opened from the menu, the runner window stays enabled and its launch
  // timer keeps being dispatched by this dialog's message loop. Only 適用 and キャンセル
  // decide: when the runner ends meanwhile (exit-after-run, 終了), its quit message ends
  // the dialog with a result the user never chose, which is taken as cancelled.
  int pressed = kAssociationCancel;
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ASSOCIATION), nullptr, AssociationDialogProc,
                  reinterpret_cast<LPARAM>(&pressed));
  return pressed;
}

}  // namespace

void RunRunnerAssociation(HINSTANCE instance, const char* confirmationText) {
  AssociationUi ui;
  ui.currentDirectory = Win32CurrentDirectory;
  ui.showDialog = ShowAssociationDialog;
  ui.context = instance;
  RunAssociationSequence(Win32RegistryHost(), ui, confirmationText);
}
