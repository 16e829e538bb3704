// The rows of the two programs' list views, which keep no texts of their own and ask for
// a row's texts when they draw or read it: the schedule item behind a row, which rows a
// change touched, which of those are on screen, and the row that typing a name finds.
#pragma once

#include <cstdint>

#include "schedule.h"

// Rows first to last, both included; empty when last < first.
struct RowRange {
  int32_t first;
  int32_t last;
};
constexpr RowRange kNoRows{0, -1};
// Every row of whatever the list now shows: a new or another schedule.
constexpr RowRange kWholeList{0, INT32_MAX};

bool IsEmptyRange(RowRange range);
bool IsWholeList(RowRange range);
// From first to the last row of a list of itemCount rows.
RowRange RowsFrom(int32_t first, int32_t itemCount);
// The part of changed that lies on a page of pageRows rows starting at topRow.
RowRange VisibleRows(RowRange changed, int32_t topRow, int32_t pageRows);

// The runner's status rows whose text changes when the launched count goes from before
// to after: the rows launched in between and the new waiting row.
RowRange StatusRowsChanged(int32_t before, int32_t after, int32_t itemCount);

// The runner's status text of the item at position when launchedCount items are launched:
// "完了" launched (or "失敗" when its launch failed), "実行待ち" the one whose delay runs
// now, "未完了" those after it.
const char* StatusText(int32_t position, int32_t launchedCount, bool launchFailed);

// The row asked for last and its item, so that drawing or reading rows one after another
// walks one step each instead of from the head. Reset it whenever the list changes: it
// may point at an item that has moved or gone.
struct RowCursor {
  const ScheduleItem* item = nullptr;
  int32_t row = -1;
};
// The item at row, or null when there is none.
const ScheduleItem* ItemAtRow(const ScheduleList& schedule, RowCursor& cursor, int32_t row);

// How a list view asks for a row by a typed name: its find flags, whose values are the
// list view's own (LVFI_STRING, LVFI_SUBSTRING, LVFI_PARTIAL, LVFI_WRAP).
constexpr uint32_t kFindString = 0x0002;
constexpr uint32_t kFindSubstring = 0x0004;
constexpr uint32_t kFindPartial = 0x0008;
constexpr uint32_t kFindWrap = 0x0020;

struct NameSearch {
  bool byName = false;  // false: the request asks for something else (a position, a value)
  bool prefix = false;  // the name begins with the text; otherwise the whole name is the text
  bool wrap = false;    // after the last row, go on at the top
};
NameSearch NameSearchFromFlags(uint32_t flags);

// The first row from start on whose name matches typed (ASCII letters in either case),
// going round to the top when the search wraps; -1 when none does or typed is empty.
int32_t FindRowByName(const ScheduleList& schedule, int32_t start, const char* typed,
                      NameSearch search);
