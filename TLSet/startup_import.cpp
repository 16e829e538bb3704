// The order of the import's steps and the message where one stops.
#include "startup_import.h"

#include "run_at_logon.h"
#include "startup_takeover.h"

namespace {

constexpr int32_t kImportedDelaySeconds = 5;

const char kStoppedAtAdd[] =
    "取り込みを止めました（アイテムの追加）。\nほかには何も変更していません。";
const char kStoppedAtSave[] =
    "取り込みを止めました（スケジュールの保存）。\n"
    "アイテムは追加しましたが、ログオン時に実行の登録と Windows のスタートアップの無効化は"
    "行っていません。";
const char kStoppedAtLogon[] =
    "取り込みを止めました（ログオン時に実行の登録）。\n"
    "Windows のスタートアップの無効化は行っていません。";
const char kStoppedAtSwitchOff[] =
    "取り込みを止めました（Windows のスタートアップの無効化）。\n"
    "Windows のスタートアップの設定は元のままです。";

// All the new items or none: a schedule that holds only some of them would save and be
// registered while the rest still start from Windows alone.
bool AddItems(EditorDocument& document, const StartupList& list) {
  int32_t first = document.schedule.itemCount;
  int32_t added = 0;
  ScheduleItem* items[kMaxStartupEntries];
  for (int32_t index = 0; index < list.count; ++index) {
    const StartupEntry& entry = list.entries[index];
    if (!entry.chosen || !MayImport(entry)) continue;
    items[added] = first + added < kMaxScheduleItems
                       ? NewScheduleItem(entry.name, entry.path, entry.arguments,
                                         entry.workFolder, kImportedDelaySeconds, 0)
                       : nullptr;
    if (items[added] == nullptr) {
      for (int32_t made = 0; made < added; ++made) FreeScheduleItem(items[made]);
      return false;
    }
    ++added;
  }
  for (int32_t index = 0; index < added; ++index) document.schedule.append(items[index]);
  document.schedule.itemCount += added;
  document.modified = true;
  document.host.refreshList(document.host.context, document.schedule,
                            RowsFrom(first, document.schedule.itemCount));
  document.host.selectRow(document.host.context, document.schedule.itemCount - 1);
  return true;
}

ImportStop Stop(EditorDocument& document, ImportStop step, const char* text) {
  TellError(document, text);
  return step;
}

}  // namespace

ImportStop ImportStartupEntries(EditorDocument& document, const RegistryHost& registry,
                                const StartupFolderHost& folders, const StartupList& list,
                                bool switchOff, const char* programPath) {
  if (HasOpenPrompt(document)) return ImportStop::kAdd;
  bool anyChosen = false;
  for (int32_t index = 0; index < list.count; ++index) {
    anyChosen = anyChosen || (list.entries[index].chosen && MayImport(list.entries[index]));
  }
  if (!anyChosen) return ImportStop::kNone;
  if (!AddItems(document, list)) return Stop(document, ImportStop::kAdd, kStoppedAtAdd);
  if (!switchOff) return ImportStop::kNone;
  if (SaveSchedule(document) != SaveResult::kSaved) {
    return Stop(document, ImportStop::kSave, kStoppedAtSave);
  }
  if (!RegisterRunAtLogon(document, registry, programPath)) {
    return Stop(document, ImportStop::kLogon, kStoppedAtLogon);
  }
  if (!SwitchOffChosen(registry, folders, list)) {
    return Stop(document, ImportStop::kSwitchOff, kStoppedAtSwitchOff);
  }
  return ImportStop::kNone;
}
