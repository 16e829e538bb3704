// The editor's document commands over a fake host: moves and delete with the selection,
// add and edit through the item dialog, the options, new, open, dropped files, save and
// save as (extension, overwrite question, failures), the start-up step and the close offer.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "document.h"
#include "fakes/fake_document_host.h"
#include "fakes/fake_file_lookup.h"
#include "fakes/memory_registry.h"
#include "run_at_logon.h"

namespace {

using Names = std::vector<std::string>;

const char kSaveFailed[] = "保存できませんでした。\n";
const char kErrorCaption[] = "エラー";
const char kConfirmCaption[] = "確認";

struct Editor {
  FakeDocumentHost fake;
  EditorDocument document;

  explicit Editor(const Names& names = {}) {
    document.host = fake.host();
    FillList(document.schedule, names);
  }
  ~Editor() { FreeDocument(document); }
  Names names() const { return ItemNames(document.schedule); }
  void titled(const char* path) {
    CopyText(document.fileName, path);
    fake.files[path] = FakeDocumentHost::ScheduleBytes(names());
  }
};

// An item dialog that enters a name and OKs.
std::function<bool(ItemFields&)> Enter(const char* name, int32_t delay = 5) {
  return [name, delay](ItemFields& fields) {
    CopyText(fields.name, name);
    CopyText(fields.path, "C:\\x.exe");
    fields.delaySeconds = delay;
    return true;
  };
}

void Drop(EditorDocument& document, std::string name) {
  OpenDroppedSchedule(document, QueryDroppedName, &name[0]);
}
uint32_t InUtf16(void* d, char* b, uint32_t n) { return QueryDroppedName(d, b, n) ? 130 : 0; }

}  // namespace

TEST(EditorDocument, MovesFollowTheItem) {
  struct Case {
    int32_t selected;
    MoveDirection direction;
    Names order;
    int32_t selectedAfter;
    bool changed;
    RowRange redrawn{kNoRows};
  };
  const Case cases[] = {
      {2, MoveDirection::kTop, {"C", "A", "B", "D"}, 0, true, {0, 2}},
      {2, MoveDirection::kUp, {"A", "C", "B", "D"}, 1, true, {1, 2}},
      {1, MoveDirection::kDown, {"A", "C", "B", "D"}, 2, true, {1, 2}},
      {1, MoveDirection::kBottom, {"A", "C", "D", "B"}, 3, true, {1, 3}},
      // Nothing to do: no selection, or the item is already at that end.
      {-1, MoveDirection::kTop, {"A", "B", "C", "D"}, -1, false},
      {-1, MoveDirection::kBottom, {"A", "B", "C", "D"}, -1, false},
      {0, MoveDirection::kTop, {"A", "B", "C", "D"}, 0, false},
      {0, MoveDirection::kUp, {"A", "B", "C", "D"}, 0, false},
      {3, MoveDirection::kDown, {"A", "B", "C", "D"}, 3, false},
      {3, MoveDirection::kBottom, {"A", "B", "C", "D"}, 3, false},
  };
  for (const Case& c : cases) {
    Editor editor({"A", "B", "C", "D"});
    editor.fake.selected = c.selected;
    MoveSelectedItem(editor.document, c.direction);
    SCOPED_TRACE(c.selected);
    EXPECT_EQ(editor.names(), c.order);
    EXPECT_EQ(editor.fake.selected, c.selectedAfter);
    EXPECT_EQ(editor.document.modified, c.changed);
    EXPECT_EQ(editor.fake.refreshes, c.changed ? 1 : 0);
    EXPECT_EQ(editor.fake.redrawn.first, c.redrawn.first);
    EXPECT_EQ(editor.fake.redrawn.last, c.redrawn.last);
  }
}

TEST(EditorDocument, DeleteRemovesTheSelectedItemOnly) {
  Editor editor({"A", "B", "C"});
  DeleteSelectedItem(editor.document);  // nothing selected
  EXPECT_EQ(editor.names(), (Names{"A", "B", "C"}));
  EXPECT_FALSE(editor.document.modified);

  editor.fake.selected = 1;
  DeleteSelectedItem(editor.document);
  EXPECT_EQ(editor.names(), (Names{"A", "C"}));
  EXPECT_EQ(editor.fake.rows, (Names{"A", "C"}));
  EXPECT_EQ(editor.fake.redrawn.first, 1);  // the rows below moved up
  EXPECT_EQ(editor.fake.redrawn.last, 1);
  EXPECT_EQ(editor.document.schedule.itemCount, 2);
  EXPECT_EQ(editor.fake.selected, -1);
  EXPECT_TRUE(editor.document.modified);
}

TEST(EditorDocument, AddAndEditGoThroughTheItemDialog) {
  Editor editor({"A"});
  editor.fake.itemDialog = [](ItemFields&) { return false; };
  AddItem(editor.document);  // cancelled
  EXPECT_EQ(editor.names(), (Names{"A"}));
  EXPECT_FALSE(editor.document.modified);

  // At the item limit an add is refused before the dialog.
  editor.document.schedule.itemCount = kMaxScheduleItems;
  AddItem(editor.document);
  EXPECT_EQ(editor.fake.messages.at(0).text, "アイテムは100000個までしか登録できません。");
  EXPECT_EQ(editor.fake.dialogInputs.size(), 1u);
  editor.document.schedule.itemCount = 1;

  editor.fake.itemDialog = Enter("B", 45);
  AddItem(editor.document);
  EXPECT_EQ(editor.names(), (Names{"A", "B"}));
  EXPECT_EQ(editor.document.schedule.itemCount, 2);
  EXPECT_EQ(editor.document.schedule.at(1)->delaySeconds, 45);
  EXPECT_STREQ(editor.document.schedule.at(1)->fileName, "x.exe");
  EXPECT_EQ(editor.fake.selected, 1);  // the new row, scrolled into view
  EXPECT_EQ(editor.fake.redrawn.first, 1);
  EXPECT_EQ(editor.fake.redrawn.last, 1);
  EXPECT_TRUE(editor.document.modified);

  // Edit with nothing selected opens no dialog.
  editor.fake.selected = -1;
  EditSelectedItem(editor.document);
  EXPECT_EQ(editor.fake.dialogInputs.size(), 2u);

  // The dialog gets the item's values; cancel changes nothing.
  editor.document.schedule.at(0)->pathIsEnvVar = 1;
  editor.document.modified = false;
  editor.fake.selected = 0;
  editor.fake.itemDialog = [](ItemFields&) { return false; };
  EditSelectedItem(editor.document);
  EXPECT_STREQ(editor.fake.dialogInputs.back().name, "A");
  EXPECT_EQ(editor.fake.dialogInputs.back().pathIsEnvVar, 1);
  EXPECT_FALSE(editor.document.modified);

  // An item gone while the dialog was open is not written to.
  ScheduleList& list = editor.document.schedule;
  editor.fake.itemDialog = [&list](ItemFields&) { return list.removeAt(1); };
  editor.fake.selected = 1;
  EditSelectedItem(editor.document);
  EXPECT_EQ(editor.names(), (Names{"A"}));
  editor.fake.itemDialog = Enter("B", 45);
  AddItem(editor.document);

  editor.fake.selected = 0;
  editor.fake.itemDialog = Enter("A2", 3);
  EditSelectedItem(editor.document);
  EXPECT_EQ(editor.names(), (Names{"A2", "B"}));
  EXPECT_EQ(editor.fake.selected, 0);
  EXPECT_EQ(editor.fake.redrawn.last, 0);  // the edited row alone
  EXPECT_TRUE(editor.document.modified);

  // The next add starts from the reset record, whatever the edit before it held.
  AddItem(editor.document);
  const ItemFields& fresh = editor.fake.dialogInputs.back();
  EXPECT_STREQ(fresh.name, "");
  EXPECT_STREQ(fresh.path, "");
  EXPECT_EQ(fresh.delaySeconds, -1);
  EXPECT_EQ(fresh.pathIsEnvVar, 0);
}

TEST(EditorDocument, OptionsToggleAndMarkTheDocument) {
  Editor editor;
  ToggleOption(editor.document, RunOption::kShowRunnerWindow);
  EXPECT_TRUE(editor.document.options.showRunnerWindow);
  EXPECT_TRUE(editor.fake.shownOptions.showRunnerWindow);
  EXPECT_TRUE(editor.document.modified);
  ToggleOption(editor.document, RunOption::kShowRunnerWindow);
  ToggleOption(editor.document, RunOption::kExitAfterRun);
  EXPECT_FALSE(editor.fake.shownOptions.showRunnerWindow);
  EXPECT_TRUE(editor.fake.shownOptions.exitAfterRun);
}

TEST(EditorDocument, SaveAsNamesTheFile) {
  struct Case {
    std::string chosen;
    std::string written;  // "" when nothing may be written
  };
  // 255 bytes take ".tlf" within the 259 a path may hold; 256 bytes do not.
  const std::string longName = "C:\\" + std::string(253, 'a');
  const Case cases[] = {
      {"C:\\plan", "C:\\plan.tlf"},
      {"C:\\plan.tlf", "C:\\plan.tlf"},
      {"C:\\PLAN.TLF", "C:\\PLAN.TLF.tlf"},
      {"C:\\a.tlf.bak", "C:\\a.tlf.bak.tlf"},
      {"C:\\dir.tlf\\plan", "C:\\dir.tlf\\plan.tlf"},
      {longName, ""},
      {longName.substr(0, 255), longName.substr(0, 255) + ".tlf"},
  };
  for (const Case& c : cases) {
    Editor editor({"A"});
    editor.document.modified = true;
    editor.fake.savePaths = {c.chosen};
    SaveResult result = SaveScheduleAs(editor.document);
    SCOPED_TRACE(c.chosen);
    EXPECT_EQ(editor.fake.dialogPrompts.at(0), "ファイル名を入力してください");
    if (c.written.empty()) {
      EXPECT_EQ(result, SaveResult::kFailed);
      EXPECT_TRUE(editor.fake.writes.empty());
      EXPECT_STREQ(editor.document.fileName, "");
      EXPECT_TRUE(editor.document.modified);
      ASSERT_EQ(editor.fake.messages.size(), 1u);
      EXPECT_EQ(editor.fake.messages[0].caption, kErrorCaption);
    } else {
      EXPECT_EQ(result, SaveResult::kSaved);
      EXPECT_EQ(editor.fake.writes, (Names{c.written}));
      EXPECT_EQ(editor.document.fileName, c.written);
      EXPECT_FALSE(editor.document.modified);
    }
  }
}

TEST(EditorDocument, SaveAsAsksBeforeReplacingAnotherFile) {
  Editor editor({"A"});
  editor.titled("C:\\mine.tlf");
  editor.fake.files["C:\\other.tlf"] = "old";
  editor.document.modified = true;

  editor.fake.savePaths = {"C:\\other"};
  editor.fake.answers = {false};
  EXPECT_EQ(SaveScheduleAs(editor.document), SaveResult::kCancelled);
  ASSERT_EQ(editor.fake.messages.size(), 1u);
  EXPECT_EQ(editor.fake.messages[0].text, "C:\\other.tlfは既に存在します。上書きしますか？");
  EXPECT_EQ(editor.fake.messages[0].caption, kConfirmCaption);
  EXPECT_TRUE(editor.fake.messages[0].question);
  EXPECT_EQ(editor.fake.files["C:\\other.tlf"], "old");
  EXPECT_STREQ(editor.document.fileName, "C:\\mine.tlf");
  EXPECT_TRUE(editor.document.modified);

  editor.fake.savePaths = {"C:\\other.tlf"};
  editor.fake.answers = {true};
  EXPECT_EQ(SaveScheduleAs(editor.document), SaveResult::kSaved);
  EXPECT_STREQ(editor.document.fileName, "C:\\other.tlf");

  // Its own file is replaced without a question.
  editor.fake.messages.clear();
  editor.fake.savePaths = {"C:\\other.tlf"};
  EXPECT_EQ(SaveScheduleAs(editor.document), SaveResult::kSaved);
  EXPECT_TRUE(editor.fake.messages.empty());
}

TEST(EditorDocument, FailedSavesKeepFlagNameAndFile) {
  Editor editor({"A"});
  editor.titled("C:\\plan.tlf");
  std::string before = editor.fake.files["C:\\plan.tlf"];
  editor.fake.unwritable = {"C:\\plan.tlf", "D:\\locked.tlf"};
  editor.fake.itemDialog = Enter("B");
  AddItem(editor.document);

  EXPECT_EQ(SaveSchedule(editor.document), SaveResult::kFailed);
  ASSERT_EQ(editor.fake.messages.size(), 1u);
  EXPECT_EQ(editor.fake.messages[0].text, std::string(kSaveFailed) + "C:\\plan.tlf");
  EXPECT_EQ(editor.fake.messages[0].caption, kErrorCaption);
  EXPECT_TRUE(editor.document.modified);
  EXPECT_EQ(editor.fake.files["C:\\plan.tlf"], before);

  editor.fake.savePaths = {"D:\\locked"};
  EXPECT_EQ(SaveScheduleAs(editor.document), SaveResult::kFailed);
  EXPECT_STREQ(editor.document.fileName, "C:\\plan.tlf");
  EXPECT_TRUE(editor.document.modified);

  // The reason, and the name of the file when none could stay under the schedule's name.
  const std::pair<FileProblem, std::string> kReasons[] = {
      {FileProblem::kTooLarge, "ファイルが16MBを超えるため保存できません。\n"},
      {FileProblem::kTooManyItems, "アイテムが100000個を超えるため保存できません。\n"},
      {FileProblem::kKeptElsewhere, kSaveFailed}};
  editor.fake.keptAs = "C:\\~tlsave0.tmp";
  for (const auto& [problem, text] : kReasons) {
    editor.fake.failure = problem;
    EXPECT_EQ(SaveSchedule(editor.document), SaveResult::kFailed);
    EXPECT_EQ(editor.fake.messages.back().text,
              text + "C:\\plan.tlf" +
                  (problem == FileProblem::kKeptElsewhere
                       ? "\nファイルは次の名前で残っています。\nC:\\~tlsave0.tmp"
                       : ""));
  }
  editor.fake.oldKeptAs = "C:\\~tlback0.tmp";  // the old file left under the backup's name
  SaveSchedule(editor.document);
  EXPECT_EQ(editor.fake.messages.back().text,
            std::string(kSaveFailed) +
                "C:\\plan.tlf\nファイルは次の名前で残っています。\n"
                "C:\\~tlsave0.tmp\n元のファイルは次の名前で残っています。\nC:\\~tlback0.tmp");

  // Untitled, save goes through the save-as dialog; cancelled, nothing changes.
  Editor untitled({"A"});
  untitled.document.modified = true;
  EXPECT_EQ(SaveSchedule(untitled.document), SaveResult::kCancelled);
  EXPECT_EQ(untitled.fake.dialogPrompts.size(), 1u);
  EXPECT_TRUE(untitled.document.modified);
}

TEST(EditorDocument, NewAsksOnlyWhenModifiedAndStopsWhenNotSaved) {
  Editor clean({"A"});
  clean.document.options = {true, true};
  clean.fake.shownOptions = {true, true};
  clean.titled("C:\\plan.tlf");
  NewSchedule(clean.document);
  EXPECT_TRUE(clean.fake.messages.empty());
  EXPECT_TRUE(clean.names().empty());
  EXPECT_STREQ(clean.document.fileName, "");
  EXPECT_FALSE(clean.fake.shownOptions.showRunnerWindow);
  EXPECT_FALSE(clean.fake.shownOptions.exitAfterRun);
  EXPECT_EQ(SaveSchedule(clean.document), SaveResult::kCancelled);  // untitled: save as

  // Yes, then a cancelled save-as or a failed save: the document stays as it was.
  for (bool failing : {false, true}) {
    Editor modified({"A"});
    modified.document.modified = true;
    modified.fake.answers = {true};
    modified.fake.savePaths = {failing ? "C:\\locked" : ""};
    modified.fake.unwritable = {"C:\\locked.tlf"};
    NewSchedule(modified.document);
    EXPECT_EQ(modified.fake.messages.at(0).text, "内容が変更されています。保存しますか？");
    EXPECT_EQ(modified.names(), (Names{"A"}));
    EXPECT_TRUE(modified.document.modified);
  }

  // No: emptied without saving, and the flag stays so closing asks again.
  Editor declined({"A"});
  declined.document.modified = true;
  declined.fake.answers = {false};
  NewSchedule(declined.document);
  EXPECT_TRUE(declined.names().empty());
  EXPECT_TRUE(declined.fake.writes.empty());
  EXPECT_TRUE(declined.document.modified);
}

TEST(EditorDocument, OpenAndDropReplaceTheDocument) {
  Editor editor({"old"});
  editor.titled("C:\\before.tlf");
  editor.document.modified = true;
  editor.fake.files["C:\\plan.tlf"] = FakeDocumentHost::ScheduleBytes({"X", "Y"}, true, false);
  editor.fake.files["C:\\SCHEDULE.TLF"] = editor.fake.files["C:\\plan.tlf"];
  editor.fake.files["C:\\locked.tlf"] = editor.fake.files["C:\\plan.tlf"];
  editor.fake.unreadable = {"C:\\locked.tlf"};

  // Cancelled, a wrong extension, an unreadable file: the document stays as it was.
  editor.fake.openPaths = {"", "C:\\SCHEDULE.TLF", "C:\\plan", "C:\\locked.tlf"};
  for (int i = 0; i < 4; ++i) OpenSchedule(editor.document);
  EXPECT_EQ(editor.fake.dialogPrompts.at(0), "ファイルを選択してください");
  ASSERT_EQ(editor.fake.messages.size(), 3u);
  EXPECT_EQ(editor.fake.messages[0].text, ".tlfファイルを選択してください");
  EXPECT_EQ(editor.fake.messages[1].text, ".tlfファイルを選択してください");
  EXPECT_EQ(editor.fake.messages[2].text, "ファイルを読み込めませんでした。\nC:\\locked.tlf");
  const std::pair<FileProblem, std::string> kReasons[] = {
      {FileProblem::kTooLarge, "ファイルが大きすぎるため読み込めません。\n"},
      {FileProblem::kTooManyItems, "アイテムが100000個を超えるため読み込めません。\n"}};
  for (const auto& [problem, text] : kReasons) {
    editor.fake.failure = problem;
    Drop(editor.document, "C:\\locked.tlf");
    EXPECT_EQ(editor.fake.messages.back().text, text + "C:\\locked.tlf");
  }
  EXPECT_EQ(editor.names(), (Names{"old"}));
  EXPECT_STREQ(editor.document.fileName, "C:\\before.tlf");
  EXPECT_EQ(editor.fake.optionShows, 0);  // nothing was read

  editor.fake.openPaths = {"C:\\plan.tlf"};
  OpenSchedule(editor.document);
  EXPECT_EQ(editor.names(), (Names{"X", "Y"}));
  EXPECT_EQ(editor.fake.rows, (Names{"X", "Y"}));
  EXPECT_TRUE(IsWholeList(editor.fake.redrawn));
  EXPECT_STREQ(editor.document.fileName, "C:\\plan.tlf");
  EXPECT_TRUE(editor.fake.shownOptions.showRunnerWindow);
  EXPECT_TRUE(editor.document.modified);  // open leaves the flag as it was

  // A dropped schedule becomes the current file, so a save never writes it elsewhere.
  editor.fake.files["D:\\dropped.tlf"] = FakeDocumentHost::ScheduleBytes({"Z"});
  Drop(editor.document, "D:\\dropped.tlf");
  EXPECT_EQ(editor.names(), (Names{"Z"}));
  SaveSchedule(editor.document);
  EXPECT_EQ(editor.fake.writes, (Names{"D:\\dropped.tlf"}));
  Drop(editor.document, "D:\\notes.txt");
  EXPECT_EQ(editor.fake.messages.back().text, ".tlfファイルを選択してください");
  // A path longer than a path buffer holds is refused, never opened cut.
  std::string wide = "D:" + std::string(256, '\x83');  // 128 of ャ: 130 counted in UTF-16
  OpenDroppedSchedule(editor.document, InUtf16, &wide[0]);
  EXPECT_EQ(editor.fake.messages.back().text,
            "ドロップされたファイルのパスが長すぎるため使えません。");
  std::string japanese = "D:\\\x95\x5C.tlf";  // 表: counted otherwise, and still taken
  editor.fake.files[japanese] = FakeDocumentHost::ScheduleBytes({"W"});
  OpenDroppedSchedule(editor.document, InUtf16, &japanese[0]);          // opened: "W" below
  const std::string longest = "D:\\" + std::string(252, 'a') + ".tlf";  // 259 bytes
  editor.fake.files[longest] = FakeDocumentHost::ScheduleBytes({"C"});
  Drop(editor.document, longest + "x.tlf");
  EXPECT_EQ(editor.fake.messages.back().text,
            "ドロップされたファイルのパスが長すぎるため使えません。");
  EXPECT_EQ(editor.names(), (Names{"W"}));
}

// A file that did not read as a schedule is replaced only when the user says so.
TEST(EditorDocument, SavingOverAFileThatWasNotAScheduleAsks) {
  Editor editor;
  editor.fake.files = {{"C:\\pic.tlf", "\x89PNG\r\n\x1A\n"}};
  editor.fake.openPaths = {"C:\\pic.tlf", "C:\\pic.tlf"};
  OpenSchedule(editor.document);
  editor.document.modified = true;
  editor.fake.answers = {true, false};
  EXPECT_FALSE(OfferSaveOnClose(editor.document));
  const ShownMessage& asked = editor.fake.messages.at(1);
  EXPECT_EQ(asked.text,
            "C:\\pic.tlf\nこのファイルはスケジュールとして読み込めなかった部分があり"
            "ます。上書きすると元の内容は失われます。上書きしますか？");
  EXPECT_TRUE(asked.question && asked.defaultNo && editor.document.modified);
  SaveSchedule(editor.document);  // yes, and no more questions after it
  SaveSchedule(editor.document);
  editor.fake.files["C:\\pic.tlf"] = "notes";  // nor a save under another name
  OpenSchedule(editor.document);
  // The same file under another case or its short name asks; another file does not.
  editor.fake.identities = {{"C:\\pic.tlf", 7}, {"C:\\PIC~1.tlf", 7}, {"C:\\b.tlf", 8}};
  editor.fake.answers = {false, false};  // No to both
  editor.fake.savePaths = {"C:\\PIC.tlf", "C:\\PIC~1.tlf", "C:\\b.tlf"};
  for (int save = 0; save < 3; ++save) SaveScheduleAs(editor.document);
  EXPECT_EQ(editor.fake.messages.size(), 5u);
  EXPECT_EQ(editor.fake.writes, (Names{"C:\\pic.tlf", "C:\\pic.tlf", "C:\\b.tlf"}));
}

TEST(EditorDocument, CommandLineOpensOrStartsEmpty) {
  FakeFileLookup lookup;
  lookup.add("C:\\PLAN~1.TLF", "plan one.tlf");
  lookup.add("C:\\LOCKED.TLF", "locked.tlf");

  Editor none;
  ApplyCommandLine(none.document, 0, nullptr, lookup.lookup());
  EXPECT_EQ(none.fake.registrations, 1);
  EXPECT_FALSE(none.document.options.showRunnerWindow);
  EXPECT_TRUE(none.document.options.exitAfterRun);
  EXPECT_FALSE(none.document.modified);

  Editor named;
  named.document.modified = true;
  named.fake.files["C:\\plan one.tlf"] = FakeDocumentHost::ScheduleBytes({"A"}, false, true);
  const char* args[] = {"C:\\PLAN~1.TLF", "ignored"};
  ApplyCommandLine(named.document, 2, args, lookup.lookup());
  EXPECT_STREQ(named.document.fileName, "C:\\plan one.tlf");
  EXPECT_EQ(named.names(), (Names{"A"}));
  EXPECT_TRUE(named.document.options.exitAfterRun);
  EXPECT_FALSE(named.document.modified);
  EXPECT_EQ(named.fake.registrations, 0);

  // Missing, or there but unreadable (reported): untitled, empty, both options off.
  const char* missing[] = {"C:\\missing.tlf"};
  const char* locked[] = {"C:\\LOCKED.TLF"};
  for (const char* const* arg : {missing, locked}) {
    Editor editor;
    editor.fake.files["C:\\locked.tlf"] = FakeDocumentHost::ScheduleBytes({"A"}, true, true);
    editor.fake.unreadable = {"C:\\locked.tlf"};
    ApplyCommandLine(editor.document, 1, arg, lookup.lookup());
    EXPECT_STREQ(editor.document.fileName, "");
    EXPECT_TRUE(editor.names().empty());
    EXPECT_FALSE(editor.document.options.showRunnerWindow);
    EXPECT_FALSE(editor.document.options.exitAfterRun);
    EXPECT_EQ(editor.fake.registrations, 0);
    EXPECT_EQ(editor.fake.messages.size(), arg == locked ? 1u : 0u);
  }
}

TEST(EditorDocument, CloseOffersToSaveAndRetriesUnderAnotherName) {
  Editor clean({"A"});
  OfferSaveOnClose(clean.document);
  EXPECT_TRUE(clean.fake.messages.empty());

  Editor declined({"A"});
  declined.document.modified = true;
  declined.fake.answers = {false};
  OfferSaveOnClose(declined.document);
  EXPECT_EQ(declined.fake.messages.at(0).text, "内容が更新されています。保存しますか？");
  EXPECT_EQ(declined.fake.messages.at(0).caption, kConfirmCaption);
  EXPECT_TRUE(declined.fake.writes.empty());

  // The save fails: the error, then one save-as; a second failure ends the offer.
  Editor failing({"A"});
  failing.titled("C:\\plan.tlf");
  failing.document.modified = true;
  failing.fake.unwritable = {"C:\\plan.tlf", "D:\\bad.tlf"};
  failing.fake.savePaths = {"D:\\bad", "D:\\never"};
  EXPECT_FALSE(OfferSaveOnClose(failing.document));
  EXPECT_EQ(failing.fake.dialogPrompts.size(), 1u);
  EXPECT_EQ(failing.fake.messages.size(), 3u);  // question, two errors
  EXPECT_TRUE(failing.fake.writes.empty());

  failing.fake.savePaths = {"D:\\good"};
  EXPECT_TRUE(OfferSaveOnClose(failing.document));
  EXPECT_EQ(failing.fake.writes, (Names{"D:\\good.tlf"}));
  EXPECT_FALSE(failing.document.modified);

  // A save chosen but not made keeps the window open and holds a logoff back.
  struct Case {
    const char* what;
    bool titled;  // its file cannot be written
    std::deque<bool> answers;
    std::string savePath;
  };
  const Case cases[] = {{"save-as cancelled", false, {true}, ""},
                        {"overwrite refused", false, {true, false}, "C:\\plan"},
                        {"failed, save-as cancelled", true, {true}, ""}};
  for (const Case& c : cases) {
    for (bool logoff : {false, true}) {
      Editor editor({"A"});
      editor.titled("C:\\plan.tlf");
      if (!c.titled) editor.document.fileName[0] = '\0';
      editor.fake.unwritable = {"C:\\plan.tlf"};
      editor.document.modified = true;
      editor.fake.answers = c.answers;
      editor.fake.savePaths = {c.savePath};
      SCOPED_TRACE(c.what);
      EXPECT_FALSE(logoff ? AllowSessionEnd(editor.document)
                          : OfferSaveOnClose(editor.document));
      EXPECT_TRUE(editor.document.modified);
      EXPECT_TRUE(editor.fake.writes.empty());
    }
  }
}

TEST(EditorDocument, AnOpenQuestionHoldsTheDocument) {
  const std::function<void(EditorDocument&)> inputs[] = {
      [](EditorDocument& d) { Drop(d, "C:\\x.tlf"); },
      [](EditorDocument& d) { EXPECT_EQ(SaveSchedule(d), SaveResult::kCancelled); },
      [](EditorDocument& d) { EXPECT_FALSE(OfferSaveOnClose(d)); },
      [](EditorDocument& d) { EXPECT_FALSE(AllowSessionEnd(d)); },  // changes would be lost
      DeleteSelectedItem,
      AddItem,
      EditSelectedItem,
      NewSchedule,
      OpenSchedule};
  for (const auto& input : inputs) {
    Editor editor({"A", "B"});
    editor.titled("C:\\plan.tlf");
    const std::string asked = editor.fake.files["C:\\plan.tlf"];
    editor.document.modified = true;
    editor.fake.selected = 1;
    editor.fake.files["C:\\x.tlf"] = FakeDocumentHost::ScheduleBytes({"X"});
    editor.fake.openPaths = {"C:\\x.tlf"};
    editor.fake.whilePromptOpen = [&editor, &input] { input(editor.document); };
    NewSchedule(editor.document);  // answered yes: what was asked about is saved
    EXPECT_EQ(editor.fake.writes, (Names{"C:\\plan.tlf"}));
    EXPECT_EQ(editor.fake.files["C:\\plan.tlf"], asked);
    const FakeDocumentHost& f = editor.fake;  // the question alone was shown:
    EXPECT_EQ(f.messages.size() + f.dialogPrompts.size() + f.dialogInputs.size(), 1u);
  }
  Editor clean;  // nothing to lose: a logoff under an open box goes ahead, a close waits
  clean.fake.whilePromptOpen = [&clean] {
    EXPECT_TRUE(AllowSessionEnd(clean.document) && !OfferSaveOnClose(clean.document));
  };
  OpenSchedule(clean.document);
  clean.fake.itemDialogChanged = true;  // but not over what was typed into the item dialog
  clean.fake.itemDialog = [&clean](ItemFields&) { return AllowSessionEnd(clean.document); };
  AddItem(clean.document);
  EXPECT_TRUE(clean.names().empty());
}

// ログオン時に実行: file ("" untitled), Run value before ("" none), modified, answers, save
// dialog ("" cancelled), refusal, value after ("*": this file, the runner beside TLSet.exe),
// messages (S save first; R, C, A, U replace naming D:\other.tlf, a command, C:\ア.tlf or
// nothing (an unreadable value); D, W refused deletion, write; T no runner; E failed save).
TEST(EditorDocument, RunAtLogonRegistersSavedSchedulesAndRemovesItsOwn) {
  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Run@Tarvilo";
  const std::string runner = "\"C:\\App\\TLRun.exe\" \"", p = "C:\\plan.tlf";
  const std::string plan = runner + p + "\"", other = runner + "D:\\other.tlf\"";
  const std::string replace =
      "確認: ログオン時には次のスケジュールが実行されるよう登録されています。\n";
  const std::map<char, std::string> texts = {
      {'S',
       "確認: ログオン時に実行するには、スケジュールを保存する必要があります。保存しますか？"},
      {'R', replace + "D:\\other.tlf\n置き換えますか？"},
      {'C', replace + "app.exe /x\n置き換えますか？"},
      {'A', replace + "C:\\ア.tlf\n置き換えますか？"},
      {'U', replace + "\n置き換えますか？"},
      {'D', "エラー: ログオン時の実行を解除できませんでした。"},
      {'W', "エラー: ログオン時の実行を登録できませんでした。"},
      {'T', "エラー: TLRun.exeが見つかりません。\nC:\\App\\TLRun.exe"},
      {'E', "エラー: " + std::string(kSaveFailed) + p}};
  enum Refusal { kNone, kWrite, kDelete, kRunner, kSave };
  const struct {
    std::string file, before;
    bool modified;
    std::deque<bool> answers;
    const char* savePath;
    Refusal refused;
    std::string after, messages;
  } cases[] = {
      {p, "", false, {}, "", kNone, "*", ""},
      {"C:\\PLAN.TLF", "\"D:\\x\\tlrun.EXE\" \"c:\\plan.tlf\"", true, {}, "", kNone, "", ""},
      {"C:\\My a.tlf", "C:\\TLRun.exe C:\\My a.tlf ", false, {}, "", kNone, "", ""},
      {"C:\\ヂ.tlf", runner + "C:\\ア.tlf\"", false, {true}, "", kNone, "*", "A"},
      {p, runner + std::string(260, 'a') + "\"", false, {true}, "", kNone, "*", "U"},
      {p, plan, false, {}, "", kDelete, "*", "D"},
      {p, "", true, {true}, "", kNone, "*", "S"},
      {p, "", true, {true}, "", kSave, "", "SE"},
      {"", "", false, {false}, "", kNone, "", "S"},
      {"", "", false, {true}, "", kNone, "", "S"},
      {"", other, false, {true}, "C:\\plan", kNone, "*", "SR"},
      {"", plan, false, {true}, "C:\\plan", kNone, "*", "S"},
      {p, other, false, {false}, "", kNone, other, "R"},
      {p, "app.exe /x", false, {true}, "", kNone, "*", "C"},
      {p, "", false, {}, "", kRunner, "", "T"},
      {p, other, false, {true}, "", kWrite, other, "RW"},
  };
  for (const auto& c : cases) {
    Editor editor({"A"});
    if (!c.file.empty()) editor.titled(c.file.c_str());
    editor.document.modified = c.modified;
    editor.fake.answers = c.answers;
    editor.fake.savePaths = {c.savePath};
    if (c.refused == kSave) editor.fake.unwritable = {p};
    if (c.refused != kRunner) editor.fake.files["C:\\App\\TLRun.exe"] = "";
    MemoryRegistry registry;
    if (!c.before.empty()) registry.values[key] = c.before;
    if (c.refused == kWrite) registry.failPath(RegCall::kSet, key);
    if (c.refused == kDelete) registry.failPath(RegCall::kDelete, key);
    ToggleRunAtLogon(editor.document, registry.host(), "C:\\App\\TLSet.exe");
    std::string shown, expected, ours = runner + editor.document.fileName + "\"";
    for (const ShownMessage& m : editor.fake.messages) shown += m.caption + ": " + m.text + "|";
    for (char letter : c.messages) expected += texts.at(letter) + "|";
    EXPECT_EQ(shown, expected) << c.file << c.before;
    EXPECT_EQ(registry.values.count(key) ? registry.values[key] : "",
              c.after == "*" ? ours : c.after);
    EXPECT_EQ(DocumentRunsAtLogon(editor.document, registry.host()), c.after == "*");
  }
}
