// Virtual list views: row count, redraw, selection and type-ahead, for both programs.
#include "list_view_win.h"

namespace {

void SetRowState(HWND list, int32_t row, UINT state, UINT mask) {
  LVITEMA item{};
  item.state = state;
  item.stateMask = mask;
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&item));
}

int32_t NextRow(HWND list, int32_t after, UINT flags) {
  return static_cast<int32_t>(
      SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(after), MAKELPARAM(flags, 0)));
}

}  // namespace

void SetListRowCount(HWND list, int32_t rowCount) {
  if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == rowCount) return;
  SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rowCount),
               LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void RedrawListRows(HWND list, RowRange changed) {
  int32_t top = static_cast<int32_t>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
  // One more than the whole rows: the page may end in a row cut in half.
  int32_t page = static_cast<int32_t>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0)) + 1;
  RowRange visible = VisibleRows(changed, top, page);
  if (IsEmptyRange(visible)) return;
  SendMessageA(list, LVM_REDRAWITEMS, static_cast<WPARAM>(visible.first),
               static_cast<LPARAM>(visible.last));
}

// Row by row rather than for every row at once (-1), which walks the whole list.
void ClearListSelection(HWND list) {
  int32_t focused = NextRow(list, -1, LVNI_FOCUSED);
  if (focused >= 0) SetRowState(list, focused, 0, LVIS_FOCUSED);
  for (int32_t row = NextRow(list, -1, LVNI_SELECTED); row >= 0;
       row = NextRow(list, row, LVNI_SELECTED)) {
    SetRowState(list, row, 0, LVIS_SELECTED);
  }
}

void SelectListRow(HWND list, int32_t row) {
  SetRowState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

static_assert(kFindString == LVFI_STRING && kFindPartial == LVFI_PARTIAL &&
                  kFindWrap == LVFI_WRAP,
              "the portable find flags are the list view's own");

// Windows asks an ANSI parent in the ANSI form; Wine asks in the wide form whatever the
// parent is.
LRESULT FindTypedRow(const NMHDR* header, const ScheduleList& schedule) {
  char typed[kTextSize] = "";
  int32_t start = 0;
  NameSearch search;
  if (header->code == LVN_ODFINDITEMA) {
    const NMLVFINDITEMA* find = reinterpret_cast<const NMLVFINDITEMA*>(header);
    search = NameSearchFromFlags(find->lvfi.flags);
    if (!search.byName || find->lvfi.psz == nullptr) return -1;
    CopyText(typed, find->lvfi.psz);
    start = find->iStart;
  } else {
    const NMLVFINDITEMW* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
    search = NameSearchFromFlags(find->lvfi.flags);
    if (!search.byName || find->lvfi.psz == nullptr) return -1;
    // A text that does not fit is no name of 259 bytes or less anyway.
    if (WideCharToMultiByte(CP_ACP, 0, find->lvfi.psz, -1, typed, sizeof typed, nullptr,
                            nullptr) == 0) {
      return -1;
    }
    start = find->iStart;
  }
  return FindRowByName(schedule, start, typed, search);
}
