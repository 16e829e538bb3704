// Rows of the virtual list views: items by row through a cursor, the rows a change
// touched, and the type-ahead search by name.
#include "list_rows.h"

#include <cstdlib>

bool IsEmptyRange(RowRange range) { return range.last < range.first; }

bool IsWholeList(RowRange range) { return range.first == 0 && range.last == INT32_MAX; }

RowRange RowsFrom(int32_t first, int32_t itemCount) { return RowRange{first, itemCount - 1}; }

RowRange VisibleRows(RowRange changed, int32_t topRow, int32_t pageRows) {
  if (pageRows <= 0) return kNoRows;
  int32_t bottomRow = topRow + (pageRows - 1);
  RowRange visible{changed.first > topRow ? changed.first : topRow,
                   changed.last < bottomRow ? changed.last : bottomRow};
  return IsEmptyRange(visible) ? kNoRows : visible;
}

RowRange StatusRowsChanged(int32_t before, int32_t after, int32_t itemCount) {
  if (before == after) return kNoRows;
  RowRange changed{before < after ? before : after, before < after ? after : before};
  if (changed.last > itemCount - 1) changed.last = itemCount - 1;
  return IsEmptyRange(changed) ? kNoRows : changed;
}

const ScheduleItem* ItemAtRow(const ScheduleList& schedule, RowCursor& cursor, int32_t row) {
  if (row < 0 || row >= schedule.itemCount) return nullptr;
  const ScheduleItem* item = schedule.head;
  int32_t at = 0;
  // The list keeps no tail, so the walk starts at the head or at the row asked last.
  if (cursor.item != nullptr && std::abs(row - cursor.row) < row) {
    item = cursor.item;
    at = cursor.row;
  }
  for (; item != nullptr && at < row; ++at) item = item->next;
  for (; item != nullptr && at > row; --at) item = item->prev;
  cursor = item != nullptr ? RowCursor{item, at} : RowCursor{};
  return item;
}

namespace {

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Double-byte characters compare whole, so a trail byte is never taken for a letter. True
// when name begins with typed, or with whole set when name is exactly typed.
bool NameMatches(const char* name, const char* typed, bool whole) {
  while (*typed != '\0') {
    std::size_t width = CharWidth(typed);
    if (width == 1 && FoldCase(*name) != FoldCase(*typed)) return false;
    if (width == 2 && (name[0] != typed[0] || name[1] != typed[1])) return false;
    name += width;
    typed += width;
  }
  return !whole || *name == '\0';
}

}  // namespace

// The list view types ahead with LVFI_PARTIAL (or, on newer systems, LVFI_SUBSTRING alone,
// which it also means as "begins with"); a plain LVFI_STRING asks for the whole name.
NameSearch NameSearchFromFlags(uint32_t flags) {
  NameSearch search;
  search.prefix = (flags & (kFindPartial | kFindSubstring)) != 0;
  search.byName = search.prefix || (flags & kFindString) != 0;
  search.wrap = (flags & kFindWrap) != 0;
  return search;
}

int32_t FindRowByName(const ScheduleList& schedule, int32_t start, const char* typed,
                      NameSearch search) {
  if (!search.byName || typed[0] == '\0' || schedule.itemCount <= 0) return -1;
  if (start < 0) start = 0;
  if (start >= schedule.itemCount) {
    if (!search.wrap) return -1;
    start = 0;
  }
  int32_t rows = search.wrap ? schedule.itemCount : schedule.itemCount - start;
  RowCursor cursor;
  for (int32_t step = 0; step < rows; ++step) {
    int32_t row = (start + step) % schedule.itemCount;
    const ScheduleItem* item = ItemAtRow(schedule, cursor, row);
    if (item != nullptr && NameMatches(item->name, typed, !search.prefix)) return row;
  }
  return -1;
}

const char* StatusText(int32_t position, int32_t launchedCount, bool launchFailed) {
  if (position < launchedCount) return launchFailed ? "失敗" : "完了";
  if (position == launchedCount) return "実行待ち";
  return "未完了";
}
