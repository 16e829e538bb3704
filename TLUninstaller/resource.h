// Resource numbers of the association remover, shared by TLUninstaller.rc and the code.
// Plain #defines because the resource compiler reads this file too.
#ifndef TLUNINSTALLER_RESOURCE_H
#define TLUNINSTALLER_RESOURCE_H

#define IDI_REMOVER 101  // the program icon: a document with a red remove mark

#endif  // TLUNINSTALLER_RESOURCE_H
