// Resource, control and command numbers of the editor, shared by TLSet.rc and the code.
// Plain #defines because the resource compiler reads this file too.
#ifndef TLSET_RESOURCE_H
#define TLSET_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)  // labels and frames
#endif

#define IDD_ITEM 101          // the item dialog
#define IDR_EDITOR_MENU 102   // the menu bar
#define IDR_ACCELERATORS 105  // Ctrl+N, Ctrl+O, Ctrl+S, Ctrl+A
#define IDI_EDITOR 106        // the editor's window icon
#define IDD_VERSION 107       // the version dialog
#define IDB_LOGO 110          // the publisher's logo on the version dialog's link button

// Main window controls, in their fixed order.
#define IDC_SCHEDULE_LIST 1124
#define IDC_MOVE_TOP 1125
#define IDC_MOVE_UP 1126
#define IDC_MOVE_DOWN 1127
#define IDC_MOVE_BOTTOM 1128
#define IDC_ADD_ITEM 1129
#define IDC_EDIT_ITEM 1130
#define IDC_DELETE_ITEM 1131
#define IDC_SHOW_RUNNER_CHECK 1132
#define IDC_EXIT_AFTER_RUN_CHECK 1133

// Item dialog controls.
#define IDC_ITEM_NAME 1001
#define IDC_ITEM_PATH 1002
#define IDC_ITEM_ARGUMENTS 1003
#define IDC_ITEM_WORK_FOLDER 1004
#define IDC_ITEM_DELAY 1006
#define IDC_BROWSE_WORK_FOLDER 1007
#define IDC_BROWSE_FILE 1008
#define IDC_FOLDER_FROM_PATH 1009
#define IDC_BROWSE_PATH_FOLDER 1010
#define IDC_TEST_RUN 1011
#define IDC_DELAY_ARROWS 1023
#define IDC_PATH_IS_ENV_VAR 1027

// The startup import dialog and its controls.
#define IDD_STARTUP_IMPORT 111
#define IDC_STARTUP_LIST 1040
#define IDC_STARTUP_SWITCH_OFF 1041
#define IDC_STARTUP_PUT_BACK 1042
#define IDC_STARTUP_OLD_WINDOWS 1043

// Version dialog: the bitmap button that opens the home page.
#define IDC_HOME_PAGE_LINK 1026

// Menu commands.
#define IDM_ADD_ITEM 40008
#define IDM_EXIT 40022
#define IDM_NEW 40024
#define IDM_OPEN 40025
#define IDM_SAVE 40026
#define IDM_SAVE_AS 40027
#define IDM_DELETE_ITEM 40030
#define IDM_MOVE_UP 40036
#define IDM_MOVE_DOWN 40037
#define IDM_MOVE_BOTTOM 40039
#define IDM_MOVE_TOP 40041
#define IDM_VERSION 40042
#define IDM_EDIT_ITEM 40046
#define IDM_RUN_AT_LOGON 40060
#define IDM_IMPORT_STARTUP 40061

// Shortcut commands: the accelerators send identifiers of their own.
#define IDA_OPEN 40047
#define IDA_SAVE 40048
#define IDA_SAVE_AS 40049
#define IDA_NEW 40050

#endif  // TLSET_RESOURCE_H
