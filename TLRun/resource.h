// Resource, control and command numbers of the runner, shared by TLRun.rc and the code.
// Plain #defines because the resource compiler reads this file too.
#ifndef TLRUN_RESOURCE_H
#define TLRUN_RESOURCE_H

#define IDR_RUNNER_MENU 103       // menu bar; its first submenu is also the tray menu
#define IDI_RUNNER 107            // the runner's window and tray icon
#define IDI_SCHEDULE_FILE 108     // the icon the shell shows for .tlf files
#define IDD_ASSOCIATION 109       // the association dialog
#define IDC_ASSOCIATE_CHECK 1002  // its check box

#define IDC_STATUS_LIST 1125
#define IDC_RESUME_BUTTON 1126
#define IDC_STOP_BUTTON 1127

#define IDM_SHOW_WINDOW 40008
#define IDM_EXIT 40009
#define IDM_HIDE_WINDOW 40011
#define IDM_REGISTRY 40013
#define IDM_OPEN_RECORD 40014  // opens the run record

#endif  // TLRUN_RESOURCE_H
