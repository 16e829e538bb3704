// The file menu's "ログオン時に実行(&L)": whether the logon Run value runs the open
// schedule (the item's check mark), and the command that registers or removes it.
#pragma once

#include "registry_host.h"
#include "document.h"

bool DocumentRunsAtLogon(const EditorDocument& document, const RegistryHost& registry);

// Checked: deletes the value. Unchecked: has the schedule saved first, finds TLRun.exe
// beside programPath (the editor's own executable), asks before replacing another
// schedule's value and writes it. Success shows nothing; the check mark says it.
// The unchecked half of the above: true when the schedule then runs at logon (also when it
// did already), false when a step was declined or failed (after its message).
bool RegisterRunAtLogon(EditorDocument& document, const RegistryHost& registry,
                        const char* programPath);

void ToggleRunAtLogon(EditorDocument& document, const RegistryHost& registry,
                      const char* programPath);
