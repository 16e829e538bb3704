// The .tlf association: writing the runner's and the editor's verbs, probing and removing
// them. Keys are created and deleted one level at a time and every key opened here is
// closed here, latest first. Values that would not fit their 260-byte buffers are never
// written cut: the routine then writes nothing at all.
//
// HKEY_CLASSES_ROOT creates a key that is not there yet under HKEY_LOCAL_MACHINE, which a
// standard account (and an administrator without elevation) may not write. The layout
// then goes to the user's own classes, which the shell merges into HKEY_CLASSES_ROOT for
// that user; removal clears both places, and success is said only once the registry has
// been read back.
#include "association.h"

#include <cstring>

#include "logon_run.h"
#include "startup_takeover.h"

const char kExtensionKey[] = ".tlf";
const char kProgId[] = "tlf_auto_file";
const char kEditorVerb[] = "TLSetで起動する";

namespace {

const char kShellKey[] = "shell";
const char kOpenKey[] = "open";
const char kCommandKey[] = "command";
const char kDefaultIconKey[] = "DefaultIcon";
const char kRunnerFile[] = "\\TLRun.exe";
const char kEditorFile[] = "\\TLSet.exe";

const char kClassKeyFailedText[] =
    "拡張子の関連付けに失敗しました。\nご迷惑をおかけして申し訳ありません。";
const char kClassKeyFailedCaption[] = "error";
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

// The shell's command for a program: "path" "%1".
bool FormatCommandValue(char* command, const char* programPath) {
  return FormatText(command, kTextSize, "\"%s\" \"%%1\"", programPath);
}

bool FormatIconValue(char* icon, const char* programPath, int iconIndex) {
  return FormatText(icon, kTextSize, "%s,%d", programPath, iconIndex);
}

// The current directory followed by fileName. False when the directory cannot be read or
// the whole path does not fit: a cut path would register a program that is not there.
bool BuildProgramPath(CurrentDirectoryFn currentDirectory, const char* fileName, char* path) {
  path[0] = '\0';
  if (currentDirectory == nullptr || !currentDirectory(path)) {
    path[0] = '\0';
    return false;
  }
  if (!AppendText(path, kTextSize, fileName)) {
    path[0] = '\0';
    return false;
  }
  return true;
}

int32_t SetDefaultText(const RegistryHost& host, RegKey key, const char* text) {
  return host.setDefaultValue(host.context, key, text,
                              static_cast<uint32_t>(std::strlen(text) + 1));
}

// Closes keys[count - 1] down to keys[0], skipping those that were never opened.
void CloseLatestFirst(const RegistryHost& host, const RegKey* keys, int count) {
  for (int index = count - 1; index >= 0; --index) {
    if (keys[index] != kNoKey) host.closeKey(host.context, keys[index]);
  }
}

// Opens parent\name when parent is open; a key that cannot be opened stays kNoKey.
RegKey OpenIfParent(const RegistryHost& host, RegKey parent, const char* name) {
  RegKey key = kNoKey;
  if (parent == kNoKey) return kNoKey;
  if (host.openKey(host.context, parent, name, &key) != 0) return kNoKey;
  return key;
}

// HKEY_CLASSES_ROOT first, as designed; the user's classes when it refuses.
constexpr RegKey kClassRoots[2] = {kClassesRoot, kUserClassesRoot};
// Removal takes the other order (see RemoveAssociation).
constexpr RegKey kRemovalOrder[2] = {kUserClassesRoot, kClassesRoot};

// True when root\path has exactly expected as its default value.
bool HoldsValue(const RegistryHost& host, RegKey root, const char* path, const char* expected) {
  char value[kTextSize];
  if (host.readDefaultValue(host.context, root, path, value, sizeof value) != 0) return false;
  return std::strcmp(value, expected) == 0;
}

// The runner's layout as it was just written, all under one root: ".tlf" naming the
// ProgID, the open command and the icon.
bool HoldsRunnerLayout(const RegistryHost& host, RegKey root, const char* command,
                       const char* icon) {
  char commandPath[kTextSize];
  char iconPath[kTextSize];
  FormatText(commandPath, sizeof commandPath, "%s\\%s\\%s\\%s", kProgId, kShellKey, kOpenKey,
             kCommandKey);
  FormatText(iconPath, sizeof iconPath, "%s\\%s", kProgId, kDefaultIconKey);
  return HoldsValue(host, root, kExtensionKey, kProgId) &&
         HoldsValue(host, root, commandPath, command) && HoldsValue(host, root, iconPath, icon);
}

// Whether root still holds a part of the association of its own: the runner's verb, the
// editor's verb or the icon. A ProgID kept only by another program's keys under it (or a
// ".tlf" kept by a subkey of its own) no longer ties .tlf files to these programs.
bool HoldsAnyOfTheLayout(const RegistryHost& host, RegKey root) {
  char ownKeys[3][kTextSize];
  FormatText(ownKeys[0], kTextSize, "%s\\%s\\%s", kProgId, kShellKey, kOpenKey);
  FormatText(ownKeys[1], kTextSize, "%s\\%s\\%s", kProgId, kShellKey, kEditorVerb);
  FormatText(ownKeys[2], kTextSize, "%s\\%s", kProgId, kDefaultIconKey);
  for (const char* ownKey : ownKeys) {
    if (host.keyExists(host.context, root, ownKey)) return true;
  }
  return false;
}

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

bool WriteRunnerLayout(const RegistryHost& host, RegKey root, const char* runnerPath) {
  return RegisterRunnerVerb(host, root, kProgId, runnerPath, kRunnerIconIndex) == 1 &&
         SetClassKeyDefault(host, root, kExtensionKey, kProgId) == ClassKeyWrite::kWritten;
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

ClassKeyWrite SetClassKeyDefault(const RegistryHost& host, RegKey root, const char* subKey,
                                 const char* value) {
  RegKey key = kNoKey;
  if (host.createKey(host.context, root, subKey, &key) != 0) return ClassKeyWrite::kKeyRefused;
  bool written = SetDefaultText(host, key, value) == 0;
  host.closeKey(host.context, key);
  return written ? ClassKeyWrite::kWritten : ClassKeyWrite::kValueRefused;
}

int RegisterRunnerVerb(const RegistryHost& host, RegKey root, const char* progId,
                       const char* programPath, int iconIndex) {
  // Both values are formatted before any key exists, so a path too long for either
  // leaves the registry untouched instead of holding a cut command.
  char command[kTextSize];
  char icon[kTextSize];
  if (!FormatCommandValue(command, programPath)) return 0;
  if (iconIndex != 0 && !FormatIconValue(icon, programPath, iconIndex)) return 0;

  // keys: the ProgID, shell, open, command, each created under the one before.
  const char* const names[4] = {progId, kShellKey, kOpenKey, kCommandKey};
  RegKey keys[4] = {kNoKey, kNoKey, kNoKey, kNoKey};
  RegKey parent = root;
  for (int index = 0; index < 4; ++index) {
    if (host.createKey(host.context, parent, names[index], &keys[index]) != 0) {
      keys[index] = kNoKey;
      CloseLatestFirst(host, keys, index);
      return 0;
    }
    parent = keys[index];
  }
  if (SetDefaultText(host, keys[3], command) != 0) {
    CloseLatestFirst(host, keys, 4);
    return 0;
  }
  if (iconIndex != 0) {
    RegKey iconKey = kNoKey;
    if (host.createKey(host.context, keys[0], kDefaultIconKey, &iconKey) != 0) {
      CloseLatestFirst(host, keys, 4);
      return 0;
    }
    if (SetDefaultText(host, iconKey, icon) != 0) {
      host.closeKey(host.context, iconKey);
      CloseLatestFirst(host, keys, 4);
      return 0;
    }
    host.closeKey(host.context, iconKey);
  }
  CloseLatestFirst(host, keys, 4);
  return 1;
}

int RegisterEditorVerb(const RegistryHost& host, RegKey root, const char* progId,
                       const char* programPath) {
  char command[kTextSize];
  if (!FormatCommandValue(command, programPath)) return 0;

  // A failed creation is not examined by itself: the keys below it are then not created
  // (there is no parent to create them under) and the command is not written.
  const char* const names[4] = {progId, kShellKey, kEditorVerb, kCommandKey};
  RegKey keys[4] = {kNoKey, kNoKey, kNoKey, kNoKey};
  RegKey parent = root;
  for (int index = 0; index < 4 && parent != kNoKey; ++index) {
    if (host.createKey(host.context, parent, names[index], &keys[index]) != 0) {
      keys[index] = kNoKey;
    }
    parent = keys[index];
  }
  bool written = keys[3] != kNoKey && SetDefaultText(host, keys[3], command) == 0;
  CloseLatestFirst(host, keys, 4);
  return written ? 1 : 0;
}

bool RegisterRunnerAssociation(const RegistryHost& host, const char* runnerPath) {
  char command[kTextSize];
  char icon[kTextSize];
  if (!FormatCommandValue(command, runnerPath)) return false;
  if (!FormatIconValue(icon, runnerPath, kRunnerIconIndex)) return false;
  // What counts is the registry read back, not the writes' results: on Windows a layout
  // of the user's own under HKEY_CURRENT_USER hides the one written for all users.
  if (WriteRunnerLayout(host, kClassesRoot, runnerPath) &&
      HoldsRunnerLayout(host, kClassesRoot, command, icon)) {
    return true;
  }
  WriteRunnerLayout(host, kUserClassesRoot, runnerPath);
  return HoldsRunnerLayout(host, kClassesRoot, command, icon) ||
         HoldsRunnerLayout(host, kUserClassesRoot, command, icon);
}

void RegisterEditorAssociation(const RegistryHost& host, CurrentDirectoryFn currentDirectory) {
  char editorPath[kTextSize];
  char command[kTextSize];
  // The editor registers silently: with no usable path it simply registers nothing this time.
  if (!BuildProgramPath(currentDirectory, kEditorFile, editorPath)) return;
  if (!FormatCommandValue(command, editorPath)) return;
  // Telling the shell that associations changed makes Explorer redraw every icon, the
  // desktop's too; the editor starts often, so the shell hears of it only when a value
  // it writes differs from what HKEY_CLASSES_ROOT showed before.
  char commandPath[kTextSize];
  FormatText(commandPath, sizeof commandPath, "%s\\%s\\%s\\%s", kProgId, kShellKey, kEditorVerb,
             kCommandKey);
  bool verbChanged = !HoldsValue(host, kClassesRoot, commandPath, command);
  bool extensionChanged = !HoldsValue(host, kClassesRoot, kExtensionKey, kProgId);
  // The verb and ".tlf" under HKEY_CLASSES_ROOT; when either is refused, both in the
  // user's classes. The one message the editor's start may show is for a refused ".tlf"
  // value, and only when the last place tried refused it too.
  bool verbWritten = false;
  ClassKeyWrite extension = ClassKeyWrite::kKeyRefused;
  for (RegKey root : kClassRoots) {
    if (RegisterEditorVerb(host, root, kProgId, editorPath) != 1) continue;
    verbWritten = true;
    extension = SetClassKeyDefault(host, root, kExtensionKey, kProgId);
    if (extension == ClassKeyWrite::kWritten) break;
  }
  if (extension == ClassKeyWrite::kValueRefused) {
    host.showMessage(host.context, kClassKeyFailedText, kClassKeyFailedCaption);
  }
  if ((verbWritten && verbChanged) ||
      (extension == ClassKeyWrite::kWritten && extensionChanged)) {
    host.notifyShell(host.context);
  }
}

int DeleteClassKey(const RegistryHost& host, RegKey root, const char* subKey) {
  host.deleteKey(host.context, root, subKey);
  return 1;
}

int DeleteProgIdTree(const RegistryHost& host, RegKey root, const char* progId) {
  RegKey progKey = kNoKey;
  if (host.openKey(host.context, root, progId, &progKey) != 0) return 1;

  RegKey shellKey = OpenIfParent(host, progKey, kShellKey);
  RegKey openKey = OpenIfParent(host, shellKey, kOpenKey);
  RegKey editorKey = OpenIfParent(host, shellKey, kEditorVerb);

  // Leaf first: a key with subkeys is not deleted, so each level goes before its parent.
  if (openKey != kNoKey) {
    host.deleteKey(host.context, openKey, kCommandKey);
    host.closeKey(host.context, openKey);
  }
  if (editorKey != kNoKey) {
    host.deleteKey(host.context, editorKey, kCommandKey);
    host.closeKey(host.context, editorKey);
  }
  if (shellKey != kNoKey) {
    host.deleteKey(host.context, shellKey, kOpenKey);
    host.deleteKey(host.context, shellKey, kEditorVerb);
    host.closeKey(host.context, shellKey);
  }
  host.deleteKey(host.context, progKey, kShellKey);
  host.deleteKey(host.context, progKey, kDefaultIconKey);
  host.closeKey(host.context, progKey);
  host.deleteKey(host.context, root, progId);
  return 1;
}

bool RemoveAssociation(const RegistryHost& host) {
  // The user's classes first: where both places hold a key, HKEY_CLASSES_ROOT shows (and
  // deletes) the user's copy, so only once that is gone does a deletion through it reach
  // the copy for all users. In each place ".tlf" first and the ProgID last, so ".tlf"
  // never names a ProgID that is gone. The deletions report nothing, so the registry
  // itself says whether the removal took: a verb or the icon still there (no right to
  // delete) is no removal.
  for (RegKey root : kRemovalOrder) {
    DeleteClassKey(host, root, kExtensionKey);
    DeleteProgIdTree(host, root, kProgId);
  }
  return !HoldsAnyOfTheLayout(host, kClassesRoot) &&
         !HoldsAnyOfTheLayout(host, kUserClassesRoot);
}

bool ProbeRunnerRegistration(const RegistryHost& host) {
  for (RegKey root : kClassRoots) {
    RegKey progKey = kNoKey;
    if (host.openKey(host.context, root, kProgId, &progKey) != 0) continue;
    RegKey iconKey = kNoKey;
    bool ticked = host.openKey(host.context, progKey, kDefaultIconKey, &iconKey) == 0;
    if (ticked) host.closeKey(host.context, iconKey);
    host.closeKey(host.context, progKey);
    if (ticked) return true;
  }
  return false;
}

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
