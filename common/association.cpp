// The .tlf association's keys: writing the runner's and the editor's verbs, probing and
// removing them. Keys are created and deleted one level at a time and every key opened here
// is closed here, latest first. Values that would not fit their 260-byte buffers are never
// written cut: the routine then writes nothing at all.
//
// HKEY_CLASSES_ROOT creates a key that is not there yet under HKEY_LOCAL_MACHINE, which a
// standard account (and an administrator without elevation) may not write. The layout
// then goes to the user's own classes, which the shell merges into HKEY_CLASSES_ROOT for
// that user; removal clears both places, and success is said only once the registry has
// been read back.
#include "association.h"

#include <cstring>

#include "association_layout.h"

const char kExtensionKey[] = ".tlf";
const char kProgId[] = "tlf_auto_file";
const char kEditorVerb[] = "TLSetで起動する";

const char kShellKey[] = "shell";
const char kOpenKey[] = "open";
const char kCommandKey[] = "command";
const char kDefaultIconKey[] = "DefaultIcon";
const char kRunnerFile[] = "\\TLRun.exe";

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

namespace {

const char kEditorFile[] = "\\TLSet.exe";

const char kClassKeyFailedText[] =
    "拡張子の関連付けに失敗しました。\nご迷惑をおかけして申し訳ありません。";
const char kClassKeyFailedCaption[] = "error";

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

bool WriteRunnerLayout(const RegistryHost& host, RegKey root, const char* runnerPath) {
  return RegisterRunnerVerb(host, root, kProgId, runnerPath, kRunnerIconIndex) == 1 &&
         SetClassKeyDefault(host, root, kExtensionKey, kProgId) == ClassKeyWrite::kWritten;
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
