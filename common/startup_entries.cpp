// The listing of what starts at logon: each Run value and Startup-folder file becomes an
// entry with its state and the item it would become, or the reason it cannot be taken over.
#include "startup_entries.h"

#include <cstring>

#include "path_split.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kApprovedRunKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const char kApprovedFolderKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";
const char kRecordRunKey[] = "Software\\Tarvilo\\TakenOver\\Run";
const char kRecordFolderKey[] = "Software\\Tarvilo\\TakenOver\\StartupFolder";
const char kOwnRunValue[] = "Tarvilo";
const char kFolderSettingsFile[] = "desktop.ini";
const char kProgramExtension[] = ".exe";
constexpr int32_t kErrorFileNotFound = 2;

bool IsBlank(char byte) { return byte == ' ' || byte == '\t'; }

const char* SkipBlanks(const char* scan) {
  while (IsBlank(*scan)) ++scan;
  return scan;
}

bool CopyPart(char* out, const char* start, std::size_t length) {
  if (length >= kTextSize) return false;
  std::memcpy(out, start, length);
  out[length] = '\0';
  return true;
}

// The shortest prefix of an unquoted command that ends at a blank or the end and names an
// existing file, as it stands or with ".exe" added (how CreateProcess reads a path with
// blanks); its end in *end. A prefix that no longer fits ends the search.
bool FindExistingPrefix(const StartupFolderHost& folders, const char* command, char* path,
                        const char** end) {
  for (const char* scan = command;; scan += CharWidth(scan)) {
    if (scan != command && (*scan == '\0' || IsBlank(*scan))) {
      if (!CopyPart(path, command, static_cast<std::size_t>(scan - command))) return false;
      *end = scan;
      if (folders.fileExists(folders.context, path)) return true;
      if (AppendText(path, kTextSize, kProgramExtension) &&
          folders.fileExists(folders.context, path)) {
        return true;
      }
    }
    if (*scan == '\0') break;
  }
  return false;
}

void ReadState(const RegistryHost& registry, StartupEntry& entry) {
  // A name the ANSI functions cannot spell has no value they could read.
  if (entry.block == TakeOverBlock::kForeign) return;
  BinaryValue approved = ReadBinaryValue(registry, ApprovedKey(entry.source), entry.valueName);
  bool readable =
      approved.result == kErrorFileNotFound || (approved.result == 0 && approved.size > 0);
  if (!readable && entry.block == TakeOverBlock::kNone)
    entry.block = TakeOverBlock::kUnreadable;
  if (!SwitchedOff(approved)) return;
  entry.state = StartupState::kOff;
  uint32_t type = 0;
  uint32_t size = 0;
  uint8_t byte = 0;
  int32_t record =
      registry.queryValue(registry.context, kCurrentUserRoot, RecordKey(entry.source),
                          entry.valueName, &type, &byte, 0, &size);
  if (record != kErrorFileNotFound) entry.state = StartupState::kOffByTarvilo;
}

void AddRunValue(const StartupFolderHost& folders, const RegValueInfo& value,
                 StartupEntry& entry) {
  entry.source = StartupSource::kRun;
  CopyText(entry.valueName, value.name);
  CopyText(entry.name, value.name);
  CopyText(entry.command, value.text);
  if (value.foreign) {
    entry.block = TakeOverBlock::kForeign;
    return;
  }
  char expanded[kTextSize];
  bool fits = !value.cut;
  if (fits && value.type == kRegExpandString) {
    fits = folders.expandVariables(folders.context, value.text, expanded);
  } else {
    CopyText(expanded, value.text);
  }
  fits = fits && SplitStartupCommand(folders, expanded, entry.path, entry.arguments);
  if (!fits) {
    entry.block = TakeOverBlock::kTooLong;
    return;
  }
  SplitDriveAndFolder(entry.path, entry.workFolder, sizeof entry.workFolder);
}

struct FolderVisit {
  const RegistryHost* registry;
  StartupList* list;
};

// The file itself is the item's path: launching a shortcut keeps all it says.
void AddStartupFile(void* visitContext, const StartupFile& file) {
  FolderVisit& visit = *static_cast<FolderVisit*>(visitContext);
  if (file.directory || file.hidden || file.system) return;
  if (SameIgnoringCase(file.name, kFolderSettingsFile)) return;
  if (visit.list->count >= kMaxStartupEntries) return;
  StartupEntry& entry = visit.list->entries[visit.list->count++];
  entry = StartupEntry();
  entry.source = StartupSource::kStartupFolder;
  CopyText(entry.valueName, file.name);
  CopyText(entry.name, file.name);
  long extension = static_cast<long>(PathExtension(entry.name) - entry.name);
  if (extension > 0) entry.name[extension] = '\0';
  CopyText(entry.command, file.path);
  CopyText(entry.path, file.path);
  if (file.cut) entry.block = TakeOverBlock::kTooLong;
  if (file.foreign) entry.block = TakeOverBlock::kForeign;
  ReadState(*visit.registry, entry);
  entry.chosen = MayImport(entry) && entry.state == StartupState::kOn;
}

}  // namespace

const char* ApprovedKey(StartupSource source) {
  return source == StartupSource::kRun ? kApprovedRunKey : kApprovedFolderKey;
}

const char* RecordKey(StartupSource source) {
  return source == StartupSource::kRun ? kRecordRunKey : kRecordFolderKey;
}

BinaryValue ReadBinaryValue(const RegistryHost& registry, const char* path, const char* name) {
  BinaryValue value;
  uint32_t type = 0;
  value.result = registry.queryValue(registry.context, kCurrentUserRoot, path, name, &type,
                                     value.bytes, sizeof value.bytes, &value.size);
  if (value.result == 0 && type != kRegBinary) value.result = 13;  // ERROR_INVALID_DATA
  if (value.result != 0) value.size = 0;
  return value;
}

bool SwitchedOff(const BinaryValue& approved) {
  return approved.result == 0 && approved.size > 0 && (approved.bytes[0] & 1) != 0;
}

bool SplitStartupCommand(const StartupFolderHost& folders, const char* command, char* path,
                         char* arguments) {
  arguments[0] = '\0';
  const char* scan = SkipBlanks(command);
  const char* end = nullptr;
  const char* rest = nullptr;
  if (*scan == '"') {
    end = std::strchr(scan + 1, '"');
    if (end == nullptr) end = scan + std::strlen(scan);
    if (!CopyPart(path, scan + 1, static_cast<std::size_t>(end - scan - 1))) return false;
    rest = *end == '"' ? end + 1 : end;
  } else if (FindExistingPrefix(folders, scan, path, &end)) {
    rest = end;
  } else {
    // Nothing exists: the first blank-delimited token, as CreateProcess would try it last.
    rest = scan + std::strcspn(scan, " \t");
    if (!CopyPart(path, scan, static_cast<std::size_t>(rest - scan))) return false;
  }
  return CopyText(arguments, kTextSize, SkipBlanks(rest));
}

bool MayImport(const StartupEntry& entry) {
  return entry.block == TakeOverBlock::kNone && entry.state != StartupState::kOffByTarvilo;
}

void ListStartupEntries(const RegistryHost& registry, const StartupFolderHost& folders,
                        StartupList& list) {
  list.count = 0;
  RegValueInfo value;
  for (uint32_t index = 0;
       list.count < kMaxStartupEntries &&
       registry.enumValue(registry.context, kCurrentUserRoot, kRunKey, index, &value) == 0;
       ++index) {
    if (value.type != kRegString && value.type != kRegExpandString) continue;
    bool defaultValue = value.name[0] == '\0' && !value.cut && !value.foreign;
    if (defaultValue || SameIgnoringCase(value.name, kOwnRunValue)) continue;
    StartupEntry& entry = list.entries[list.count++];
    entry = StartupEntry();
    AddRunValue(folders, value, entry);
    ReadState(registry, entry);
    entry.chosen = MayImport(entry) && entry.state == StartupState::kOn;
  }
  FolderVisit visit{&registry, &list};
  folders.listStartupFolder(folders.context, AddStartupFile, &visit);
}

const char* StartupSourceText(StartupSource source) {
  return source == StartupSource::kRun ? "レジストリ" : "スタートアップ フォルダ";
}

void StartupStateText(const StartupEntry& entry, char* text) {
  static const char* const kStates[] = {"有効", "無効", "Tarvilo で無効"};
  static const char* const kReasons[] = {
      "", "（パスまたはコマンドが259バイトを超えるため取り込めません）",
      "（Shift_JIS で表せない文字を含むため取り込めません）",
      "（スタートアップの設定を読み取れないため取り込めません）"};
  CopyText(text, kTextSize, kStates[static_cast<int>(entry.state)]);
  AppendText(text, kTextSize, kReasons[static_cast<int>(entry.block)]);
}
