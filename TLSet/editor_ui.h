// The main window's decisions without the window: which command an identifier runs, which
// button a key in the list stands for, where the controls go for a window width, the six
// texts of a list-view row, and what the version dialog's logo opens.
#pragma once

#include <cstddef>
#include <cstdint>

#include "schedule.h"
#include "text.h"

enum class EditorCommand {
  kNone,
  kMoveToTop,
  kMoveUp,
  kMoveDown,
  kMoveToBottom,
  kAddItem,
  kEditItem,
  kDeleteItem,
  kToggleShowRunnerWindow,
  kToggleExitAfterRun,
  kNew,
  kOpen,
  kSave,
  kSaveAs,
  kRunAtLogon,
  kImportStartup,
  kExit,
  kVersion,
};

// The command of a button, menu item or shortcut identifier (the low word of WM_COMMAND).
EditorCommand CommandForId(int id);

// The button whose click a key pressed in the schedule list stands for: Enter edits the
// selected row (アイテム編集), Delete deletes it (アイテム削除), Insert adds one
// (アイテム追加). 0 for any other key and for one held with Ctrl, Alt or Shift: the list
// handles it.
int ListKeyButton(unsigned virtualKey, bool withModifier);

struct ControlRect {
  int x;
  int y;
  int width;
  int height;
};

// The ten child controls in their fixed order: the list view, the seven buttons, the two
// check boxes. Tab moves the focus through them in this order too.
constexpr int kChildControlCount = 10;
struct MainLayout {
  ControlRect controls[kChildControlCount];
};

// Only the width of the window's outer rectangle matters; heights and rows are fixed.
MainLayout ComputeMainLayout(int windowWidth);

constexpr int kMinTrackWidth = 300;
constexpr int kMinTrackHeight = 530;
constexpr int kMaxTrackWidth = 1024;

constexpr int kListColumnCount = 6;
// Row texts point into item, except the delay, which is formatted into delayText.
struct RowTexts {
  const char* columns[kListColumnCount];
  char delayText[16];
};
void FormatRowTexts(const ScheduleItem& item, RowTexts& row);
// One column's text of the row that shows item, cut to capacity bytes at a character
// boundary; empty for no item or a column that does not exist.
void CopyRowText(const ScheduleItem* item, int column, char* text, std::size_t capacity);

// The quick guide that ships beside the programs: "お読みください.txt".
extern const char kQuickGuideName[];

// What the version dialog's logo opens, into target (kTextSize bytes): the home page when
// the build names one (homePage not empty), else the quick guide in the folder of
// editorPath (the editor's own file) when fileExists finds it there. False, with target
// empty, when there is nothing to open.
using FileExistsFn = bool (*)(const char* path);
bool ChooseLogoTarget(const char* homePage, const char* editorPath, FileExistsFn fileExists,
                      char* target);
