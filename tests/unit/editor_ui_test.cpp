// The main window's decisions: the command table, the layout for a window width, the row
// texts, and the constants the version dialog shows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "editor_ui.h"
#include "focus_cycle.h"
#include "resource.h"
#include "version_info.h"

TEST(EditorUi, CommandTable) {
  struct Case {
    int id;
    EditorCommand command;
  };
  // Every button and menu item, and the four shortcuts with identifiers of their own.
  const Case cases[] = {
      {1125, EditorCommand::kMoveToTop},
      {40041, EditorCommand::kMoveToTop},
      {1126, EditorCommand::kMoveUp},
      {40036, EditorCommand::kMoveUp},
      {1127, EditorCommand::kMoveDown},
      {40037, EditorCommand::kMoveDown},
      {1128, EditorCommand::kMoveToBottom},
      {40039, EditorCommand::kMoveToBottom},
      {1129, EditorCommand::kAddItem},
      {40008, EditorCommand::kAddItem},
      {1130, EditorCommand::kEditItem},
      {40046, EditorCommand::kEditItem},
      {1131, EditorCommand::kDeleteItem},
      {40030, EditorCommand::kDeleteItem},
      {1132, EditorCommand::kToggleShowRunnerWindow},
      {1133, EditorCommand::kToggleExitAfterRun},
      {40024, EditorCommand::kNew},
      {40050, EditorCommand::kNew},
      {40025, EditorCommand::kOpen},
      {40047, EditorCommand::kOpen},
      {40026, EditorCommand::kSave},
      {40048, EditorCommand::kSave},
      {40027, EditorCommand::kSaveAs},
      {40049, EditorCommand::kSaveAs},
      {40061, EditorCommand::kImportStartup},
      {40022, EditorCommand::kExit},
      {40042, EditorCommand::kVersion},
      {1124, EditorCommand::kNone},
      {0, EditorCommand::kNone},
      {40023, EditorCommand::kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(CommandForId(c.id), c.command) << c.id;
}

// Tab over the editor's ten controls (the list, seven buttons, two boxes) and the runner's
// three (the list, 停止, 再開); '1' marks a control that can take the focus. The list's
// Enter, Delete, Insert; Delete with a modifier; Space and Up stay the list's.
TEST(EditorUi, TabOrderAndListKeys) {
  using Tab = std::tuple<const char*, int, bool, int>;  // from current, backwards: next
  const Tab cases[] = {
      {"1111111111", 0, false, 1}, {"1111111111", 9, false, 0}, {"1111111111", 0, true, 9},
      {"1000011111", 0, false, 5}, {"1000011111", 5, true, 0},  {"1111111111", -1, false, 0},
      {"1111111111", -1, true, 9}, {"0111111111", 9, false, 1}, {"100", 0, false, 0},
      {"000", 1, false, -1},       {"010", -1, true, 1},        {"101", 1, false, 2},
  };
  for (const auto& [flags, current, backwards, next] : cases) {
    bool canFocus[16] = {};
    int count = static_cast<int>(std::strlen(flags));
    for (int i = 0; i < count; ++i) canFocus[i] = flags[i] == '1';
    EXPECT_EQ(NextFocusSlot(canFocus, count, current, backwards), next) << flags << current;
  }
  using Key = std::tuple<unsigned, bool, EditorCommand>;
  const Key keys[] = {
      {0x0D, false, EditorCommand::kEditItem}, {0x2E, false, EditorCommand::kDeleteItem},
      {0x2D, false, EditorCommand::kAddItem},  {0x2E, true, EditorCommand::kNone},
      {0x20, false, EditorCommand::kNone},     {0x26, false, EditorCommand::kNone},
  };
  for (const auto& [key, withModifier, command] : keys) {
    EXPECT_EQ(CommandForId(ListKeyButton(key, withModifier)), command) << key;
  }
}

TEST(EditorUi, LayoutFollowsTheWidth) {
  struct Case {
    int width;
    int listWidth;
    int buttonX;
  };
  const Case cases[] = {{720, 580, 600}, {300, 160, 180}, {1024, 884, 904}};
  const int buttonRows[] = {10, 60, 110, 160, 220, 270, 320};
  for (const Case& c : cases) {
    MainLayout layout = ComputeMainLayout(c.width);
    SCOPED_TRACE(c.width);
    EXPECT_EQ(layout.controls[0].x, 0);
    EXPECT_EQ(layout.controls[0].width, c.listWidth);
    EXPECT_EQ(layout.controls[0].height, 410);
    for (int i = 0; i < 7; ++i) {
      const ControlRect& button = layout.controls[1 + i];
      EXPECT_EQ(button.x, c.buttonX);
      EXPECT_EQ(button.y, buttonRows[i]);
      EXPECT_EQ(button.width, 100);
      EXPECT_EQ(button.height, 30);
    }
    // The check boxes never move.
    EXPECT_EQ(layout.controls[8].x, 15);
    EXPECT_EQ(layout.controls[8].y, 420);
    EXPECT_EQ(layout.controls[9].y, 450);
    EXPECT_EQ(layout.controls[9].width, 400);
  }
}

TEST(EditorUi, RowTexts) {
  ScheduleItem item{};
  item.construct("Mail", "C:\\Apps\\mail.exe", "-q", "C:\\Apps", -5, 0);
  RowTexts row;
  FormatRowTexts(item, row);
  const char* expected[] = {"Mail", "mail.exe", "C:\\Apps\\mail.exe", "-q", "C:\\Apps", "-5"};
  for (int i = 0; i < kListColumnCount; ++i) EXPECT_STREQ(row.columns[i], expected[i]) << i;
  item.delaySeconds = INT32_MIN;
  FormatRowTexts(item, row);
  EXPECT_STREQ(row.columns[5], "-2147483648");

  // One column at a time, as the list view asks: empty fields stay empty, a zero delay
  // shows "0", and a text that does not fit is cut before a double-byte character.
  item.construct("\x95\x5c", "", "", "", 0, 0);
  const char* columns[] = {"\x95\x5c", "", "", "", "", "0", ""};
  char text[8];
  for (int i = 0; i <= kListColumnCount; ++i) {
    CopyRowText(&item, i, text, sizeof text);
    EXPECT_STREQ(text, columns[i]) << i;
  }
  CopyRowText(&item, 0, text, 2);
  EXPECT_STREQ(text, "");
  CopyRowText(nullptr, 0, text, sizeof text);
  EXPECT_STREQ(text, "");
}

const FileExistsFn kThere = [](const char*) { return true; };
const FileExistsFn kMissing = [](const char*) { return false; };

TEST(EditorUi, VersionConstantsAndLogoTarget) {
  // The publisher is the project itself; the home page (if any) is a web address.
  EXPECT_STREQ(TARVILO_AUTHOR, "Tarvilo");
  EXPECT_STREQ(TARVILO_PUBLISHER, "Tarvilo");
  std::string page = TARVILO_HOME_PAGE;
  EXPECT_TRUE(page.empty() || page.rfind("http", 0) == 0) << page;
  EXPECT_LT(page.size(), 260u);

  struct Case {
    const char* homePage;
    std::string editorPath;
    FileExistsFn fileExists;
    std::string target;  // "": nothing opens
  };
  const Case cases[] = {
      {"https://example.org/", "C:\\Tools\\TLSet.exe", kMissing, "https://example.org/"},
      {"", "C:\\Tools\\TLSet.exe", kThere, "C:\\Tools\\お読みください.txt"},
      {"", "D:\\予定\\表.exe", kThere, "D:\\予定\\お読みください.txt"},  // 表 ends in 0x5C
      {"", "C:\\Tools\\TLSet.exe", kMissing, ""},
      {"", std::string(245, 'a') + "\\TLSet.exe", kThere, ""},  // no room for the guide
  };
  for (const Case& c : cases) {
    char target[kTextSize] = "x";
    bool chosen = ChooseLogoTarget(c.homePage, c.editorPath.c_str(), c.fileExists, target);
    EXPECT_EQ(chosen, !c.target.empty()) << c.editorPath;
    EXPECT_EQ(target, c.target) << c.editorPath;
  }
}
