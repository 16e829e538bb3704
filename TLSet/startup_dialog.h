// The dialog "スタートアップから取り込む": the startup entries with check boxes, whether
// Windows stops starting the imported ones, and 元に戻す for an entry Tarvilo switched off.
#pragma once

#include <windows.h>

#include "registry_host.h"
#include "startup_entries.h"

// Lists the entries into list and shows them; true when 取り込む ended the dialog, with the
// rows' check marks in list's chosen flags and the check box in *switchOff.
bool RunStartupImportDialog(HINSTANCE instance, HWND owner, const RegistryHost& registry,
                            const StartupFolderHost& folders, StartupList& list,
                            bool* switchOff);
