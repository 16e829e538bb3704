// Switching entries off and putting them back. The record is written before the state it
// records changes, and a refused write undoes what this switch wrote, so Windows never
// stops starting a program that the schedule does not start in its place.
#include "startup_takeover.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The record keys' parents, deleted once they hold nothing, leaf first.
const char* const kRecordParents[] = {"Software\\Tarvilo\\TakenOver", "Software\\Tarvilo"};
constexpr int32_t kErrorFileNotFound = 2;
constexpr uint8_t kSwitchedOffMark = 3;  // what Task Manager writes for a disabled entry
constexpr uint32_t kSwitchedOffSize = 12;
constexpr StartupSource kSources[] = {StartupSource::kRun, StartupSource::kStartupFolder};

// What one switch changed, so a later refusal can undo it.
struct Switch {
  BinaryValue before;
  bool recorded = false;  // a record was written by this switch
  bool switched = false;  // the StartupApproved value was written
};

bool Succeeded(int32_t result) { return result == 0 || result == kErrorFileNotFound; }

int32_t WriteBinary(const RegistryHost& registry, const char* path, const char* name,
                    const uint8_t* bytes, uint32_t size) {
  return registry.setBinaryValue(registry.context, kCurrentUserRoot, path, name, bytes, size);
}

int32_t DeleteValue(const RegistryHost& registry, const char* path, const char* name) {
  return registry.deleteValue(registry.context, kCurrentUserRoot, path, name);
}

bool HasValues(const RegistryHost& registry, const char* path) {
  RegValueInfo value;
  return registry.enumValue(registry.context, kCurrentUserRoot, path, 0, &value) == 0;
}

// The bytes as they were: written back, or no value where there was none.
int32_t Restore(const RegistryHost& registry, const char* path, const char* name,
                const BinaryValue& before) {
  if (before.result == kErrorFileNotFound) return DeleteValue(registry, path, name);
  return WriteBinary(registry, path, name, before.bytes, before.size);
}

// 03 00 00 00, then the FILETIME of now, least significant byte first.
void SwitchedOffMark(uint64_t now, uint8_t* mark) {
  mark[0] = kSwitchedOffMark;
  mark[1] = mark[2] = mark[3] = 0;
  for (int index = 0; index < 8; ++index) {
    mark[4 + index] = static_cast<uint8_t>(now >> (8 * index));
  }
}

bool SwitchOff(const RegistryHost& registry, const StartupFolderHost& folders,
               const StartupEntry& entry, Switch& change) {
  const char* name = entry.valueName;
  change.before = ReadBinaryValue(registry, ApprovedKey(entry.source), name);
  if (!Succeeded(change.before.result)) return false;
  if (ReadBinaryValue(registry, RecordKey(entry.source), name).result == kErrorFileNotFound) {
    if (WriteBinary(registry, RecordKey(entry.source), name, change.before.bytes,
                    change.before.size) != 0) {
      return false;
    }
    change.recorded = true;
  }
  // An entry that is off already keeps its value and the date Task Manager shows.
  if (SwitchedOff(change.before)) return true;
  uint8_t mark[kSwitchedOffSize];
  SwitchedOffMark(folders.now(folders.context), mark);
  if (WriteBinary(registry, ApprovedKey(entry.source), name, mark, sizeof mark) != 0) {
    return false;
  }
  change.switched = true;
  return true;
}

void Undo(const RegistryHost& registry, const StartupEntry& entry, const Switch& change) {
  if (change.switched) {
    Restore(registry, ApprovedKey(entry.source), entry.valueName, change.before);
  }
  if (change.recorded) DeleteValue(registry, RecordKey(entry.source), entry.valueName);
}

bool EntryStillThere(const RegistryHost& registry, const StartupFolderHost& folders,
                     StartupSource source, const char* valueName) {
  if (source == StartupSource::kStartupFolder) {
    return folders.startupFileExists(folders.context, valueName);
  }
  uint32_t type = 0;
  uint32_t size = 0;
  uint8_t byte = 0;
  return registry.queryValue(registry.context, kCurrentUserRoot, kRunKey, valueName, &type,
                             &byte, 0, &size) != kErrorFileNotFound;
}

// Keys that the records left empty go, so a full put back leaves the registry as it was.
// A key with subkeys is refused by the registry; one with values is never asked.
void DeleteEmptyRecordKeys(const RegistryHost& registry) {
  for (StartupSource source : kSources) {
    if (!HasValues(registry, RecordKey(source))) {
      registry.deleteKey(registry.context, kCurrentUserRoot, RecordKey(source));
    }
  }
  for (const char* parent : kRecordParents) {
    if (!HasValues(registry, parent)) {
      registry.deleteKey(registry.context, kCurrentUserRoot, parent);
    }
  }
}

}  // namespace

bool SwitchOffChosen(const RegistryHost& registry, const StartupFolderHost& folders,
                     const StartupList& list) {
  static Switch changes[kMaxStartupEntries];
  for (int32_t index = 0; index < list.count; ++index) {
    const StartupEntry& entry = list.entries[index];
    changes[index] = Switch();
    if (!entry.chosen || !MayImport(entry)) continue;
    if (SwitchOff(registry, folders, entry, changes[index])) continue;
    for (int32_t undone = index; undone >= 0; --undone) {
      Undo(registry, list.entries[undone], changes[undone]);
    }
    DeleteEmptyRecordKeys(registry);
    return false;
  }
  return true;
}

bool PutBackEntry(const RegistryHost& registry, const StartupFolderHost& folders,
                  StartupSource source, const char* valueName) {
  BinaryValue record = ReadBinaryValue(registry, RecordKey(source), valueName);
  if (record.result == kErrorFileNotFound) return true;
  if (record.result == 0 && EntryStillThere(registry, folders, source, valueName)) {
    // An empty record: there was no value, and Windows started the entry.
    record.result = record.size == 0 ? kErrorFileNotFound : 0;
    if (!Succeeded(Restore(registry, ApprovedKey(source), valueName, record))) return false;
  }
  bool gone = Succeeded(DeleteValue(registry, RecordKey(source), valueName));
  DeleteEmptyRecordKeys(registry);
  return gone;
}

bool HasTakenOverRecords(const RegistryHost& registry) {
  return HasValues(registry, RecordKey(StartupSource::kRun)) ||
         HasValues(registry, RecordKey(StartupSource::kStartupFolder));
}

bool PutBackAllTakenOver(const RegistryHost& registry, const StartupFolderHost& folders) {
  bool allBack = true;
  for (StartupSource source : kSources) {
    RegValueInfo value;
    // Each record put back is deleted, so the next one moves up to the same index.
    for (uint32_t index = 0; registry.enumValue(registry.context, kCurrentUserRoot,
                                                RecordKey(source), index, &value) == 0;) {
      if (value.foreign || value.cut || !PutBackEntry(registry, folders, source, value.name)) {
        allBack = false;
        ++index;
      }
    }
  }
  return allBack;
}
