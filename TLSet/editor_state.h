// The editor's program-wide state: the instance, the main window and its controls, and the
// document. One instance, editorState; the document's host reaches it through its context.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "control_keys_win.h"
#include "document.h"
#include "editor_ui.h"

// The top-level window. create registers the class and creates, shows and updates the
// window; its WM_CREATE builds the controls and opens the document.
struct MainWindow {
  HWND handle = nullptr;
  bool create(HINSTANCE instance);
};

struct EditorState {
  HINSTANCE instance = nullptr;
  MainWindow mainWindow;
  // The list view, the seven buttons and the two check boxes, in this fixed order.
  HWND controls[kChildControlCount] = {};
  ControlFocus focus;  // over controls, which are also in Tab order
  EditorDocument document;
  RowCursor rowCursor;  // the list view's last row asked for; reset by every refresh
};

extern EditorState editorState;

// The list view is the first control, the two check boxes the last two.
inline HWND ScheduleListView() { return editorState.controls[0]; }

// A key message of the main window's loop, after the shortcuts: the list's own keys for
// the buttons beside it, then Tab and Enter. True when it was handled here.
bool PassMainWindowKey(const MSG& message);

// The document's host over the list view, the check boxes, message boxes, the file
// dialogs, the item dialog, the schedule file and the registry.
DocumentHost Win32DocumentHost(EditorState* state);

// Shows the schedule's rows in the list view and draws the changed ones anew; no row is
// selected afterwards.
void RefreshListView(HWND listView, const ScheduleList& schedule, RowRange changed);
// The list view's questions to its parent: a row's texts and the row a typed name finds.
// False for any other notification.
bool AnswerListRequest(NMHDR* header, LRESULT* result);
