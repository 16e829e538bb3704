// The file menu's "スタートアップから取り込む(&I)...": the chosen startup entries become
// schedule items and, when asked, Windows stops starting them, in an order that never
// leaves a program with no start at all.
#pragma once

#include "document.h"
#include "registry_host.h"
#include "startup_entries.h"

// Where an import stopped; kNone when every step asked for was done.
enum class ImportStop { kNone, kAdd, kSave, kLogon, kSwitchOff };

// 1. appends the chosen entries that may be imported, in list order, 5 s each; with
// switchOff also 2. saves the schedule (save as for an untitled one), 3. registers it to run
// at logon (asking as the menu command does) unless it runs already, 4. switches the entries
// off. The first step that fails or is declined ends it with a message naming that step.
ImportStop ImportStartupEntries(EditorDocument& document, const RegistryHost& registry,
                                const StartupFolderHost& folders, const StartupList& list,
                                bool switchOff, const char* programPath);
