// What the runner's association dialog and the remover do with the association, and what
// they say: the sequence around the dialog's result, the remover's question and its
// outcome, the confirmation that names another program the user chose, and telling the
// shell only of a change. The keys themselves are written and removed in association.cpp.
#include <cstring>

#include "association.h"
#include "association_layout.h"
#include "logon_run.h"
#include "startup_takeover.h"

namespace {

const char kFinishedCaption[] = "正常終了";
const char kRemovedText[] = "関連付けを解除しました。";
const char kRunnerPathErrorText[] =
    "関連付けを登録できませんでした。\n"
    "現在のフォルダの場所を取得できないか、場所が長すぎます。\n"
    "TLRun.exeを短い場所のフォルダに移し、そのフォルダから起動し直してください。";
const char kErrorCaption[] = "エラー";
const char kNotRegisteredText[] =
    "関連付けを登録できませんでした。\n"
    "レジストリに書き込めませんでした。";
// Told after the confirmation when the user's own choice keeps double-click elsewhere;
// 「プログラムから開く」 is the name of Explorer's context-menu item.
const char kOtherProgramChosenText[] =
    "ただし、.tlfファイルを開くプログラムに別のプログラムが選ばれているため、"
    "ダブルクリックではそのプログラムが開きます。\n"
    "TLRunで開くには、エクスプローラーで.tlfファイルを右クリックし、"
    "「プログラムから開く」でTLRun.exeを選んでください。";
const char kNotRemovedText[] =
    "関連付けを解除できませんでした。\n"
    "レジストリに関連付けの項目が残っています。";

// The remover's question and success message, each a first line, the logon line when the
// Run value goes too, and the rest: the question stays last.
const char kRemoverQuestionFirst[] =
    "アプリケーション「Tarvilo」と.tlfファイルとの関連付けを解除します。\n";
const char kRemoverQuestionLogon[] = "ログオン時の実行の登録も解除します。\n";
const char kRemoverQuestionRest[] =
    "なおアプリケーションファイル自体は削除されません。\nよろしいですか？";
const char kRemoverQuestionCaption[] = "Question";
const char kRemoverSuccessFirst[] = "正常に関連付けが解除されました\n";
const char kRemoverSuccessLogon[] = "ログオン時の実行の登録も解除しました。\n";
const char kRemoverQuestionTakenOver[] =
    "スタートアップから取り込んだプログラムを元の設定に戻します。\n";
const char kRemoverSuccessTakenOver[] =
    "スタートアップから取り込んだプログラムを元の設定に戻しました。\n";
const char kRemoverSuccessRest[] =
    "アプリケーションを完全に削除する場合は\nお手数ですがフォルダの削除を手動でお願いします。";
const char kRemoverSuccessCaption[] = "Success";
const char kRemoverErrorText[] =
    "関連付け解除時にエラーが発生しました。正常に終了しなかった可能性があります。";
const char kRemoverErrorCaption[] = "Error";
const char kRemoverCancelText[] = "処理を取りやめました";
const char kRemoverCancelCaption[] = "Finish";

// Where Windows 8 and later keep the program the user chose for .tlf files in Explorer.
const char kUserChoiceKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.tlf\\UserChoice";
const char kUserChoiceValue[] = "ProgId";
// The ProgID Explorer makes when the user picks TLRun.exe itself in 「プログラムから開く」.
const char kRunnerOpenWithProgId[] = "Applications\\TLRun.exe";

// ProgIDs compare as registry names do: ASCII letters without case.
bool SameProgId(const char* left, const char* right) {
  for (; *left != '\0' && *right != '\0'; ++left, ++right) {
    char a = (*left >= 'A' && *left <= 'Z') ? static_cast<char>(*left - 'A' + 'a') : *left;
    char b = (*right >= 'A' && *right <= 'Z') ? static_cast<char>(*right - 'A' + 'a') : *right;
    if (a != b) return false;
  }
  return *left == *right;
}

// True when the user has chosen another program for .tlf files in Explorer. That choice
// outranks the classes, so double-click keeps opening that program whatever is registered
// here; it is the user's own and is read, never changed. A choice that cannot be read is
// taken as none.
bool UserChoseAnotherProgram(const RegistryHost& host) {
  char progId[kTextSize];
  if (host.readValue(host.context, kCurrentUserRoot, kUserChoiceKey, kUserChoiceValue, progId,
                     sizeof progId) != 0) {
    return false;
  }
  return progId[0] != '\0' && !SameProgId(progId, kProgId) &&
         !SameProgId(progId, kRunnerOpenWithProgId);
}

// One of the remover's texts: its first line, the logon line and the line on the startup
// entries ("" without one), the rest.
void RemoverText(char* text, std::size_t capacity, const char* first, const char* logonLine,
                 const char* takenOverLine, const char* rest) {
  CopyText(text, capacity, first);
  AppendText(text, capacity, logonLine);
  AppendText(text, capacity, takenOverLine);
  AppendText(text, capacity, rest);
}

// What the shell shows of the association: the values HKEY_CLASSES_ROOT holds for ".tlf",
// the runner's and the editor's commands and the icon ("" where none can be read).
struct ShellView {
  char values[4][kTextSize];
};

ShellView ReadShellView(const RegistryHost& host) {
  char paths[4][kTextSize];
  CopyText(paths[0], kTextSize, kExtensionKey);
  FormatText(paths[1], kTextSize, "%s\\%s\\%s\\%s", kProgId, kShellKey, kOpenKey, kCommandKey);
  FormatText(paths[2], kTextSize, "%s\\%s\\%s\\%s", kProgId, kShellKey, kEditorVerb,
             kCommandKey);
  FormatText(paths[3], kTextSize, "%s\\%s", kProgId, kDefaultIconKey);
  ShellView view;
  for (int index = 0; index < 4; ++index) {
    if (host.readDefaultValue(host.context, kClassesRoot, paths[index], view.values[index],
                              kTextSize) != 0) {
      view.values[index][0] = '\0';
    }
  }
  return view;
}

// Telling the shell that associations changed makes Explorer redraw every icon, the
// desktop's too, so it hears of it only when what it shows is no longer what it showed
// before: a registration repeated as it stands, or refused everywhere, tells it nothing.
void NotifyShellIfChanged(const RegistryHost& host, const ShellView& before) {
  ShellView after = ReadShellView(host);
  for (int index = 0; index < 4; ++index) {
    if (std::strcmp(before.values[index], after.values[index]) != 0) {
      host.notifyShell(host.context);
      return;
    }
  }
}

// The confirmation of a registration the registry holds, with what the user's own choice
// of program means for double-click.
void ShowRegistered(const RegistryHost& host, const char* confirmationText) {
  char text[kTextSize * 4];
  if (UserChoseAnotherProgram(host) &&
      FormatText(text, sizeof text, "%s\n\n%s", confirmationText, kOtherProgramChosenText)) {
    host.showMessage(host.context, text, kFinishedCaption);
    return;
  }
  host.showMessage(host.context, confirmationText, kFinishedCaption);
}

}  // namespace

void RunAssociationSequence(const RegistryHost& host, const AssociationUi& ui,
                            const char* confirmationText) {
  char runnerPath[kTextSize];
  char command[kTextSize];
  char icon[kTextSize];
  bool pathUsable = BuildProgramPath(ui.currentDirectory, kRunnerFile, runnerPath) &&
                    FormatCommandValue(command, runnerPath) &&
                    FormatIconValue(icon, runnerPath, kRunnerIconIndex);

  int result = ui.showDialog(ui.context);
  if (result == kAssociationApply) {
    // Without a usable runner path nothing is written; saying so once, instead of the
    // confirmation, keeps a registration that did not happen from looking done.
    if (!pathUsable) {
      host.showMessage(host.context, kRunnerPathErrorText, kErrorCaption);
      return;
    }
    ShellView before = ReadShellView(host);
    bool held = RegisterRunnerAssociation(host, runnerPath);
    NotifyShellIfChanged(host, before);
    if (held) {
      ShowRegistered(host, confirmationText);
    } else {
      host.showMessage(host.context, kNotRegisteredText, kErrorCaption);
    }
  } else if (result == kAssociationRemove) {
    ShellView before = ReadShellView(host);
    bool gone = RemoveAssociation(host);
    NotifyShellIfChanged(host, before);
    if (gone) {
      host.showMessage(host.context, kRemovedText, kFinishedCaption);
    } else {
      host.showMessage(host.context, kNotRemovedText, kErrorCaption);
    }
  }
}

void RunRemoverSequence(const RegistryHost& host, const StartupFolderHost& folders,
                        AskYesFn askYes) {
  // A Run value is taken too only when it starts a runner: under that name another
  // program's command is not ours to delete.
  LogonCommand logon = ReadLogonCommand(host);
  bool logonToo = logon.state == LogonCommand::kPresent && logon.runsRunner;
  char question[kTextSize * 2];
  bool takenOver = HasTakenOverRecords(host);
  RemoverText(question, sizeof question, kRemoverQuestionFirst,
              logonToo ? kRemoverQuestionLogon : "", takenOver ? kRemoverQuestionTakenOver : "",
              kRemoverQuestionRest);
  if (!askYes(question, kRemoverQuestionCaption)) {
    host.showMessage(host.context, kRemoverCancelText, kRemoverCancelCaption);
    return;
  }
  ShellView before = ReadShellView(host);
  bool gone = RemoveAssociation(host);
  if (logonToo && !DeleteLogonCommand(host)) gone = false;
  if (takenOver && !PutBackAllTakenOver(host, folders)) gone = false;
  NotifyShellIfChanged(host, before);
  if (gone) {
    // Only reached when the logon value, if it was to go, is gone too.
    char success[kTextSize * 2];
    RemoverText(success, sizeof success, kRemoverSuccessFirst,
                logonToo ? kRemoverSuccessLogon : "", takenOver ? kRemoverSuccessTakenOver : "",
                kRemoverSuccessRest);
    host.showMessage(host.context, success, kRemoverSuccessCaption);
  } else {
    host.showMessage(host.context, kRemoverErrorText, kRemoverErrorCaption);
  }
}
