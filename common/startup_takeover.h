// Switching the imported entries off as Task Manager does (StartupApproved 03 00 00 00 and
// the FILETIME of the switch), recorded first under the user's Software\Tarvilo\TakenOver
// keys Run and StartupFolder (one REG_BINARY value per entry holding the bytes that were
// there before, empty when there were none), and putting them back from that record.
// Nothing is deleted or moved: no Run value, no file.
#pragma once

#include "registry_host.h"
#include "startup_entries.h"

// Switches off every chosen entry that may be imported. An entry with a record from an
// earlier switch (switched on again since in Task Manager) keeps that older record: it
// holds the state before Tarvilo touched the entry. False when a write was refused; every
// value and record this call wrote is then as it was before.
bool SwitchOffChosen(const RegistryHost& registry, const StartupFolderHost& folders,
                     const StartupList& list);

// Writes back the recorded bytes (deletes the StartupApproved value for an empty record)
// and deletes the record; an entry whose Run value or file is gone only loses its record.
// True when the record is gone.
bool PutBackEntry(const RegistryHost& registry, const StartupFolderHost& folders,
                  StartupSource source, const char* valueName);

// Whether any record exists, and putting back every one (the remover's part).
bool HasTakenOverRecords(const RegistryHost& registry);
bool PutBackAllTakenOver(const RegistryHost& registry, const StartupFolderHost& folders);
