// The .tlf association: writing the runner's and the editor's verbs, probing and removing
// them. Keys are created and deleted one level at a time and every key opened here is
// closed here, latest first. Values that would not fit their 260-byte buffers are never
// written cut: the routine then writes nothing at all.
#include "association.h"

#include <cstring>

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
const char kRunnerPathErrorCaption[] = "エラー";

const char kRemoverQuestionText[] =
    "アプリケーション「Tarvilo」と.tlfファイルとの関連付けを解除します。\n"
    "なおアプリケーションファイル自体は削除されません。\nよろしいですか？";
const char kRemoverQuestionCaption[] = "Question";
const char kRemoverSuccessText[] =
    "正常に関連付けが解除されました\nアプリケーションを完全に削除する場合は\n"
    "お手数ですがフォルダの削除を手動でお願いします。";
const char kRemoverSuccessCaption[] = "Success";
const char kRemoverErrorText[] =
    "関連付け解除時にエラーが発生しました。正常に終了しなかった可能性があります。";
const char kRemoverErrorCaption[] = "Error";
const char kRemoverCancelText[] = "処理を取りやめました";
const char kRemoverCancelCaption[] = "Finish";

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

}  // namespace

int SetClassKeyDefault(const RegistryHost& host, const char* subKey, const char* value) {
  RegKey key = kNoKey;
  if (host.createKey(host.context, kClassesRoot, subKey, &key) != 0) return 0;
  if (SetDefaultText(host, key, value) != 0) {
    host.showMessage(host.context, kClassKeyFailedText, kClassKeyFailedCaption);
    host.closeKey(host.context, key);
    return 0;
  }
  host.closeKey(host.context, key);
  return 1;
}

int RegisterRunnerVerb(const RegistryHost& host, const char* progId, const char* programPath,
                       int iconIndex) {
  // Both values are formatted before any key exists, so a path too long for either
  // leaves the registry untouched instead of holding a cut command.
  char command[kTextSize];
  char icon[kTextSize];
  if (!FormatCommandValue(command, programPath)) return 0;
  if (iconIndex != 0 && !FormatIconValue(icon, programPath, iconIndex)) return 0;

  // keys: the ProgID, shell, open, command, each created under the one before.
  const char* const names[4] = {progId, kShellKey, kOpenKey, kCommandKey};
  RegKey keys[4] = {kNoKey, kNoKey, kNoKey, kNoKey};
  RegKey parent = kClassesRoot;
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

int RegisterEditorVerb(const RegistryHost& host, const char* progId, const char* programPath) {
  char command[kTextSize];
  if (!FormatCommandValue(command, programPath)) return 0;

  // A failed creation is not examined by itself: the keys below it are then not created
  // (there is no parent to create them under) and the command is not written.
  const char* const names[4] = {progId, kShellKey, kEditorVerb, kCommandKey};
  RegKey keys[4] = {kNoKey, kNoKey, kNoKey, kNoKey};
  RegKey parent = kClassesRoot;
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

void RegisterEditorAssociation(const RegistryHost& host, CurrentDirectoryFn currentDirectory) {
  char editorPath[kTextSize];
  char command[kTextSize];
  // The editor registers silently: with no usable path it simply registers nothing this time.
  if (!BuildProgramPath(currentDirectory, kEditorFile, editorPath)) return;
  if (!FormatCommandValue(command, editorPath)) return;
  RegisterEditorVerb(host, kProgId, editorPath);
  SetClassKeyDefault(host, kExtensionKey, kProgId);
  host.notifyShell(host.context);
}

int DeleteClassKey(const RegistryHost& host, const char* subKey) {
  host.deleteKey(host.context, kClassesRoot, subKey);
  return 1;
}

int DeleteProgIdTree(const RegistryHost& host, const char* progId) {
  RegKey progKey = kNoKey;
  if (host.openKey(host.context, kClassesRoot, progId, &progKey) != 0) return 1;

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
  host.deleteKey(host.context, kClassesRoot, progId);
  return 1;
}

bool ProbeRunnerRegistration(const RegistryHost& host) {
  RegKey progKey = kNoKey;
  if (host.openKey(host.context, kClassesRoot, kProgId, &progKey) != 0) return false;
  RegKey iconKey = kNoKey;
  bool ticked = host.openKey(host.context, progKey, kDefaultIconKey, &iconKey) == 0;
  if (ticked) host.closeKey(host.context, iconKey);
  host.closeKey(host.context, progKey);
  return ticked;
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
      host.showMessage(host.context, kRunnerPathErrorText, kRunnerPathErrorCaption);
      return;
    }
    RegisterRunnerVerb(host, kProgId, runnerPath, kRunnerIconIndex);
    SetClassKeyDefault(host, kExtensionKey, kProgId);
    host.notifyShell(host.context);
    host.showMessage(host.context, confirmationText, kFinishedCaption);
  } else if (result == kAssociationRemove) {
    DeleteClassKey(host, kExtensionKey);
    DeleteProgIdTree(host, kProgId);
    host.notifyShell(host.context);
    host.showMessage(host.context, kRemovedText, kFinishedCaption);
  }
}

void RunRemoverSequence(const RegistryHost& host, AskYesFn askYes) {
  if (!askYes(kRemoverQuestionText, kRemoverQuestionCaption)) {
    host.showMessage(host.context, kRemoverCancelText, kRemoverCancelCaption);
    return;
  }
  DeleteClassKey(host, kExtensionKey);
  DeleteProgIdTree(host, kProgId);
  host.notifyShell(host.context);
  // The deletions report nothing, so the registry itself says whether the removal took:
  // a ProgID still there (no right to delete, or keys of someone else's under it) is
  // not reported as a success.
  if (host.keyExists(host.context, kClassesRoot, kProgId)) {
    host.showMessage(host.context, kRemoverErrorText, kRemoverErrorCaption);
  } else {
    host.showMessage(host.context, kRemoverSuccessText, kRemoverSuccessCaption);
  }
}
