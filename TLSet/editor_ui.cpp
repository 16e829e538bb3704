// The main window's command table, the list's key table, its layout arithmetic, its row texts
// and the logo's target.
#include "editor_ui.h"

#include "path_split.h"
#include "resource.h"
#include "text.h"

const char kQuickGuideName[] = "お読みください.txt";

namespace {

struct CommandEntry {
  int id;
  EditorCommand command;
};

// Buttons and menu items that do the same thing map to the same command; the shortcuts
// send identifiers of their own.
constexpr CommandEntry kCommandTable[] = {
    {IDC_MOVE_TOP, EditorCommand::kMoveToTop},
    {IDM_MOVE_TOP, EditorCommand::kMoveToTop},
    {IDC_MOVE_UP, EditorCommand::kMoveUp},
    {IDM_MOVE_UP, EditorCommand::kMoveUp},
    {IDC_MOVE_DOWN, EditorCommand::kMoveDown},
    {IDM_MOVE_DOWN, EditorCommand::kMoveDown},
    {IDC_MOVE_BOTTOM, EditorCommand::kMoveToBottom},
    {IDM_MOVE_BOTTOM, EditorCommand::kMoveToBottom},
    {IDC_ADD_ITEM, EditorCommand::kAddItem},
    {IDM_ADD_ITEM, EditorCommand::kAddItem},
    {IDC_EDIT_ITEM, EditorCommand::kEditItem},
    {IDM_EDIT_ITEM, EditorCommand::kEditItem},
    {IDC_DELETE_ITEM, EditorCommand::kDeleteItem},
    {IDM_DELETE_ITEM, EditorCommand::kDeleteItem},
    {IDC_SHOW_RUNNER_CHECK, EditorCommand::kToggleShowRunnerWindow},
    {IDC_EXIT_AFTER_RUN_CHECK, EditorCommand::kToggleExitAfterRun},
    {IDM_NEW, EditorCommand::kNew},
    {IDA_NEW, EditorCommand::kNew},
    {IDM_OPEN, EditorCommand::kOpen},
    {IDA_OPEN, EditorCommand::kOpen},
    {IDM_SAVE, EditorCommand::kSave},
    {IDA_SAVE, EditorCommand::kSave},
    {IDM_SAVE_AS, EditorCommand::kSaveAs},
    {IDA_SAVE_AS, EditorCommand::kSaveAs},
    {IDM_RUN_AT_LOGON, EditorCommand::kRunAtLogon},
    {IDM_IMPORT_STARTUP, EditorCommand::kImportStartup},
    {IDM_EXIT, EditorCommand::kExit},
    {IDM_VERSION, EditorCommand::kVersion},
};

struct KeyEntry {
  unsigned virtualKey;
  int buttonId;
};

// The list answers these keys as the buttons beside it; arrows, Home, End, the page keys,
// Space and typed names stay the list's own.
constexpr KeyEntry kListKeyTable[] = {
    {0x0D, IDC_EDIT_ITEM},    // Enter
    {0x2E, IDC_DELETE_ITEM},  // Delete
    {0x2D, IDC_ADD_ITEM},     // Insert
};

constexpr int kListHeight = 410;
constexpr int kListMargin = 140;   // the button column right of the list
constexpr int kButtonInset = 120;  // buttons start this far left of the right edge
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 30;
constexpr int kButtonRows[] = {10, 60, 110, 160, 220, 270, 320};
constexpr int kCheckX = 15;
constexpr int kCheckWidth = 400;
constexpr int kCheckHeight = 20;
constexpr int kCheckRows[] = {420, 450};

}  // namespace

EditorCommand CommandForId(int id) {
  for (const CommandEntry& entry : kCommandTable) {
    if (entry.id == id) return entry.command;
  }
  return EditorCommand::kNone;
}

int ListKeyButton(unsigned virtualKey, bool withModifier) {
  if (withModifier) return 0;
  for (const KeyEntry& entry : kListKeyTable) {
    if (entry.virtualKey == virtualKey) return entry.buttonId;
  }
  return 0;
}

MainLayout ComputeMainLayout(int windowWidth) {
  MainLayout layout{};
  int slot = 0;
  layout.controls[slot++] = {0, 0, windowWidth - kListMargin, kListHeight};
  for (int top : kButtonRows) {
    layout.controls[slot++] = {windowWidth - kButtonInset, top, kButtonWidth, kButtonHeight};
  }
  for (int top : kCheckRows) {
    layout.controls[slot++] = {kCheckX, top, kCheckWidth, kCheckHeight};
  }
  return layout;
}

void FormatRowTexts(const ScheduleItem& item, RowTexts& row) {
  FormatText(row.delayText, sizeof row.delayText, "%d", static_cast<int>(item.delaySeconds));
  row.columns[0] = item.name;
  row.columns[1] = item.fileName;
  row.columns[2] = item.path;
  row.columns[3] = item.arguments;
  row.columns[4] = item.workFolder;
  row.columns[5] = row.delayText;
}

void CopyRowText(const ScheduleItem* item, int column, char* text, std::size_t capacity) {
  if (item == nullptr || column < 0 || column >= kListColumnCount) {
    CopyText(text, capacity, "");
    return;
  }
  RowTexts row;
  FormatRowTexts(*item, row);
  CopyText(text, capacity, row.columns[column]);
}

bool ChooseLogoTarget(const char* homePage, const char* editorPath, FileExistsFn fileExists,
                      char* target) {
  target[0] = '\0';
  if (homePage[0] != '\0') {
    if (CopyText(target, kTextSize, homePage)) return true;
    target[0] = '\0';  // a cut address would open some other page
    return false;
  }
  // The guide is looked for beside the editor itself, not in the current folder: the
  // editor may have been started from anywhere.
  long separator = LastPathSeparator(editorPath);
  if (separator < 0 || static_cast<std::size_t>(separator) + 1 >= kTextSize) return false;
  CopyText(target, static_cast<std::size_t>(separator) + 2, editorPath);
  if (!AppendText(target, kTextSize, kQuickGuideName) || !fileExists(target)) {
    target[0] = '\0';
    return false;
  }
  return true;
}
