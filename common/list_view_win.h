// The Win32 side of the two programs' virtual list views (LVS_OWNERDATA): the list view
// keeps only the row count, the selection and the focus, and asks its parent for a row's
// texts (LVN_GETDISPINFO) whenever it draws the row or another program reads it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "list_rows.h"

// Sets the row count only when it differs: setting it costs a full repaint otherwise.
// The rows that come or go are redrawn; the view does not scroll.
void SetListRowCount(HWND list, int32_t rowCount);
// Redraws the changed rows that are on screen.
void RedrawListRows(HWND list, RowRange changed);
// No row selected and none focused afterwards.
void ClearListSelection(HWND list);
// Selects and focuses row (after ClearListSelection) and scrolls it into view.
void SelectListRow(HWND list, int32_t row);
// The answer to LVN_ODFINDITEM (either form): the row whose name begins with what the
// user typed, or -1.
LRESULT FindTypedRow(const NMHDR* header, const ScheduleList& schedule);
