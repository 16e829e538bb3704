// The .tlf association against the in-memory registry: the exact keys, values and call
// order of every routine, the state changes of the runner's dialog, the editor's start and
// the remover, the user's classes where HKEY_CLASSES_ROOT refuses, every failure path, and
// the paths too long to register.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "association.h"
#include "fakes/memory_registry.h"
#include "logon_run.h"

namespace {

using Calls = std::vector<std::string>;

const std::string kRunnerCommand = "set tlf_auto_file\\shell\\open\\command";
const std::string kEditorVerbPath = "tlf_auto_file\\shell\\TLSetで起動する";
const char kConfirmation[] = ".tlfファイルとアプリケーションを関連付けました。";

// The current directory the routines see, and whether it can be read at all.
std::string gCurrentDirectory = "C:\\Tools";
bool gDirectoryReadable = true;

// An unreadable one leaves a folder in the buffer, as a failed read may: it must not be used.
bool FakeCurrentDirectory(char* directory) {
  return CopyText(directory, kTextSize, gCurrentDirectory.c_str()) && gDirectoryReadable;
}

int FakeDialog(void* context) { return *static_cast<int*>(context); }

bool gAnswerYes = true;
std::string gQuestion;
bool FakeAsk(const char* text, const char* caption) {
  gQuestion = std::string(caption) + ": " + text;
  return gAnswerYes;
}

const std::string kUser = std::string(kUserClasses) + "\\";

// The calls but the reads of what the shell shows before and after a change.
Calls WithoutReads(Calls calls) {
  auto read = [](const std::string& call) { return call.rfind("read ", 0) == 0; };
  calls.erase(std::remove_if(calls.begin(), calls.end(), read), calls.end());
  return calls;
}
const std::string kRunValue = "Software\\Microsoft\\Windows\\CurrentVersion\\Run@Tarvilo";
const std::string kUserChoice =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.tlf\\UserChoice";
const std::string kNote =
    "\n\nただし、.tlfファイルを開くプログラムに別のプログラムが選ばれているため、"
    "ダブルクリックではそのプログラムが開きます。\nTLRunで開くには、エクスプローラーで"
    ".tlfファイルを右クリックし、「プログラムから開く」でTLRun.exeを選んでください。";
void ChooseProgram(MemoryRegistry& r, const char* progId) {
  r.values[kUserChoice + "@ProgId"] = progId;
}

void AddRunnerLayoutTo(MemoryRegistry& registry, const std::string& folder,
                       const std::string& place) {
  registry.addKey(place + ".tlf", "tlf_auto_file");
  registry.addKey(place + "tlf_auto_file\\shell\\open\\command",
                  "\"" + folder + "\\TLRun.exe\" \"%1\"");
  registry.addKey(place + "tlf_auto_file\\DefaultIcon", folder + "\\TLRun.exe,-108");
}

void AddEditorLayoutTo(MemoryRegistry& registry, const std::string& folder,
                       const std::string& place, const char* progId = "tlf_auto_file") {
  registry.addKey(place + ".tlf", progId);
  registry.addKey(place + kEditorVerbPath + "\\command",
                  "\"" + folder + "\\TLSet.exe\" \"%1\"");
}

// Whether place holds the runner's layout for folder, as the shell would use it.
bool HoldsRunner(const MemoryRegistry& registry, const std::string& place,
                 const std::string& folder) {
  return registry.valueOf(place + ".tlf") == "tlf_auto_file" &&
         registry.valueOf(place + "tlf_auto_file\\shell\\open\\command") ==
             "\"" + folder + "\\TLRun.exe\" \"%1\"" &&
         registry.valueOf(place + "tlf_auto_file\\DefaultIcon") == folder + "\\TLRun.exe,-108";
}

bool HoldsEditor(const MemoryRegistry& registry, const std::string& place,
                 const std::string& folder) {
  return registry.valueOf(place + ".tlf") == "tlf_auto_file" &&
         registry.valueOf(place + kEditorVerbPath + "\\command") ==
             "\"" + folder + "\\TLSet.exe\" \"%1\"";
}

class Association : public testing::Test {
 protected:
  void SetUp() override {
    gCurrentDirectory = "C:\\Tools";
    gDirectoryReadable = true;
    host = registry.host();
  }

  void RunSequence(int dialogResult) {
    AssociationUi ui{FakeCurrentDirectory, FakeDialog, &dialogResult};
    RunAssociationSequence(host, ui, kConfirmation);
  }

  // place is "" for HKEY_CLASSES_ROOT or kUser for the user's classes.
  void AddRunnerLayout(const std::string& folder, const std::string& place = "") {
    AddRunnerLayoutTo(registry, folder, place);
  }
  void AddEditorLayout(const std::string& folder, const std::string& place = "") {
    AddEditorLayoutTo(registry, folder, place);
  }

  // Every key opened by a routine is closed by it, and nothing closed twice.
  void ExpectAllClosed() {
    EXPECT_EQ(registry.openHandles(), 0);
    EXPECT_EQ(registry.badCloses, 0);
  }

  MemoryRegistry registry;
  RegistryHost host{};
};

const Calls kRunnerLayout = {".tlf",
                             "tlf_auto_file",
                             "tlf_auto_file\\DefaultIcon",
                             "tlf_auto_file\\shell",
                             "tlf_auto_file\\shell\\open",
                             "tlf_auto_file\\shell\\open\\command"};
const Calls kEditorLayout = {".tlf", "tlf_auto_file", "tlf_auto_file\\shell",
                             "tlf_auto_file\\shell\\TLSetで起動する",
                             "tlf_auto_file\\shell\\TLSetで起動する\\command"};

// --- Writing -----------------------------------------------------------------------------

TEST_F(Association, ApplyTickedFromAbsentWritesRunnerLayoutCallByCall) {
  RunSequence(kAssociationApply);
  const Calls expected = {
      "read .tlf: not found",
      "read tlf_auto_file\\shell\\open\\command: not found",
      "read " + kEditorVerbPath + "\\command: not found",
      "read tlf_auto_file\\DefaultIcon: not found",
      "create tlf_auto_file",
      "create tlf_auto_file\\shell",
      "create tlf_auto_file\\shell\\open",
      "create tlf_auto_file\\shell\\open\\command",
      kRunnerCommand + " = \"C:\\Tools\\TLRun.exe\" \"%1\" (26)",  // 25 characters and the zero
      "create tlf_auto_file\\DefaultIcon",
      "set tlf_auto_file\\DefaultIcon = C:\\Tools\\TLRun.exe,-108 (24)",
      "close tlf_auto_file\\DefaultIcon",
      "close tlf_auto_file\\shell\\open\\command",
      "close tlf_auto_file\\shell\\open",
      "close tlf_auto_file\\shell",
      "close tlf_auto_file",
      "create .tlf",
      "set .tlf = tlf_auto_file (14)",
      "close .tlf",
      // Read back before anything is confirmed.
      "read .tlf = tlf_auto_file",
      "read tlf_auto_file\\shell\\open\\command = \"C:\\Tools\\TLRun.exe\" \"%1\"",
      "read tlf_auto_file\\DefaultIcon = C:\\Tools\\TLRun.exe,-108",
      "read .tlf = tlf_auto_file",
      "read tlf_auto_file\\shell\\open\\command = \"C:\\Tools\\TLRun.exe\" \"%1\"",
      "read " + kEditorVerbPath + "\\command: not found",
      "read tlf_auto_file\\DefaultIcon = C:\\Tools\\TLRun.exe,-108",
      "notify",
      std::string("message 正常終了: ") + kConfirmation,
  };
  EXPECT_EQ(registry.calls, expected);
  EXPECT_EQ(registry.allKeys(), kRunnerLayout);
  EXPECT_EQ(registry.valueOf("tlf_auto_file"), "<none>");
  EXPECT_EQ(registry.valueOf("tlf_auto_file\\shell"), "<none>");
  ExpectAllClosed();
}

TEST_F(Association, RegistersTheCurrentDirectoryVerbatim) {
  // A folder ending in 表 (trail byte 0x5C) and one ending in a backslash: the file name
  // is appended as it is, without looking at the last character.
  gCurrentDirectory = "D:\\予定表";
  RunSequence(kAssociationApply);
  EXPECT_EQ(registry.valueOf("tlf_auto_file\\shell\\open\\command"),
            "\"D:\\予定表\\TLRun.exe\" \"%1\"");
  EXPECT_EQ(registry.valueOf("tlf_auto_file\\DefaultIcon"), "D:\\予定表\\TLRun.exe,-108");

  gCurrentDirectory = "E:\\";
  RunSequence(kAssociationApply);
  EXPECT_EQ(registry.valueOf("tlf_auto_file\\DefaultIcon"), "E:\\\\TLRun.exe,-108");
}

TEST_F(Association, EditorStartFromAbsentWritesEditorVerbSilently) {
  gCurrentDirectory = "C:\\App";
  RegisterEditorAssociation(host, FakeCurrentDirectory);
  const Calls expected = {
      "read " + kEditorVerbPath + "\\command: not found",
      "read .tlf: not found",
      "create tlf_auto_file",
      "create tlf_auto_file\\shell",
      "create " + kEditorVerbPath,
      "create " + kEditorVerbPath + "\\command",
      "set " + kEditorVerbPath + "\\command = \"C:\\App\\TLSet.exe\" \"%1\" (24)",
      "close " + kEditorVerbPath + "\\command",
      "close " + kEditorVerbPath,
      "close tlf_auto_file\\shell",
      "close tlf_auto_file",
      "create .tlf",
      "set .tlf = tlf_auto_file (14)",
      "close .tlf",
      "notify",
  };
  EXPECT_EQ(registry.calls, expected);
  EXPECT_EQ(registry.allKeys(), kEditorLayout);
  EXPECT_TRUE(registry.messages.empty());
  ExpectAllClosed();
}

TEST_F(Association, EditorStartKeepsRunnerStateAndRepeatsIdempotently) {
  AddRunnerLayout("C:\\Tools");
  gCurrentDirectory = "C:\\App";
  RegisterEditorAssociation(host, FakeCurrentDirectory);
  const std::vector<std::string> afterFirst = registry.allKeys();
  RegisterEditorAssociation(host, FakeCurrentDirectory);
  EXPECT_EQ(registry.allKeys(), afterFirst);
  EXPECT_EQ(afterFirst.size(), kRunnerLayout.size() + 2);  // the editor verb and its command
  EXPECT_EQ(registry.valueOf("tlf_auto_file\\shell\\open\\command"),
            "\"C:\\Tools\\TLRun.exe\" \"%1\"");
  EXPECT_EQ(registry.valueOf(kEditorVerbPath + "\\command"), "\"C:\\App\\TLSet.exe\" \"%1\"");
  EXPECT_TRUE(registry.messages.empty());
  ExpectAllClosed();
}

TEST_F(Association, ApplyTickedOverEditorOnlyAddsRunnerAndKeepsEditorVerb) {
  AddEditorLayout("C:\\App");
  RunSequence(kAssociationApply);
  EXPECT_TRUE(registry.hasKey(kEditorVerbPath + "\\command"));
  EXPECT_TRUE(registry.hasKey("tlf_auto_file\\DefaultIcon"));
  EXPECT_TRUE(ProbeRunnerRegistration(host));
  ExpectAllClosed();
}

TEST_F(Association, CancelAndUnshownDialogChangeNothingAndSayNothing) {
  AddRunnerLayout("C:\\Tools");
  const std::vector<std::string> before = registry.allKeys();
  RunSequence(kAssociationCancel);
  RunSequence(-1);
  RunSequence(0);
  EXPECT_TRUE(registry.calls.empty());
  EXPECT_EQ(registry.allKeys(), before);
}

// --- Removing ----------------------------------------------------------------------------

TEST_F(Association, ApplyClearedRemovesBothVerbsLeafFirst) {
  AddRunnerLayout("C:\\Tools");
  AddEditorLayout("C:\\App");
  RunSequence(kAssociationRemove);
  const Calls expected = {
      // The user's classes first, then HKEY_CLASSES_ROOT.
      "delete " + kUser + ".tlf: not found",
      "open " + kUser + "tlf_auto_file: not found",
      "delete .tlf",
      "open tlf_auto_file",
      "open tlf_auto_file\\shell",
      "open tlf_auto_file\\shell\\open",
      "open " + kEditorVerbPath,
      "delete tlf_auto_file\\shell\\open\\command",
      "close tlf_auto_file\\shell\\open",
      "delete " + kEditorVerbPath + "\\command",
      "close " + kEditorVerbPath,
      "delete tlf_auto_file\\shell\\open",
      "delete " + kEditorVerbPath,
      "close tlf_auto_file\\shell",
      "delete tlf_auto_file\\shell",
      "delete tlf_auto_file\\DefaultIcon",
      "close tlf_auto_file",
      "delete tlf_auto_file",
      // Then whether anything of the association is left in either place.
      "exists tlf_auto_file\\shell\\open: no",
      "exists " + kEditorVerbPath + ": no",
      "exists tlf_auto_file\\DefaultIcon: no",
      "exists " + kUser + "tlf_auto_file\\shell\\open: no",
      "exists " + kUser + kEditorVerbPath + ": no",
      "exists " + kUser + "tlf_auto_file\\DefaultIcon: no",
      "notify",
      "message 正常終了: 関連付けを解除しました。",
  };
  EXPECT_EQ(WithoutReads(registry.calls), expected);
  EXPECT_TRUE(registry.allKeys().empty());
  ExpectAllClosed();
}

TEST_F(Association, ApplyClearedWhenAbsentDeletesNothingButConfirms) {
  RunSequence(kAssociationRemove);
  const Calls expected = {"delete " + kUser + ".tlf: not found",
                          "open " + kUser + "tlf_auto_file: not found",
                          "delete .tlf: not found",
                          "open tlf_auto_file: not found",
                          "exists tlf_auto_file\\shell\\open: no",
                          "exists " + kEditorVerbPath + ": no",
                          "exists tlf_auto_file\\DefaultIcon: no",
                          "exists " + kUser + "tlf_auto_file\\shell\\open: no",
                          "exists " + kUser + kEditorVerbPath + ": no",
                          "exists " + kUser + "tlf_auto_file\\DefaultIcon: no",
                          "message 正常終了: 関連付けを解除しました。"};
  // What the shell shows is the same before and after: it is not told.
  EXPECT_EQ(WithoutReads(registry.calls), expected);
}

TEST_F(Association, ApplyClearedAfterEditorOnlyFindsNoOpenVerbOrIcon) {
  AddEditorLayout("C:\\App");
  RunSequence(kAssociationRemove);
  EXPECT_EQ(registry.callsStartingWith("delete"),
            (Calls{"delete " + kUser + ".tlf: not found", "delete .tlf",
                   "delete " + kEditorVerbPath + "\\command",
                   "delete tlf_auto_file\\shell\\open: not found", "delete " + kEditorVerbPath,
                   "delete tlf_auto_file\\shell",
                   "delete tlf_auto_file\\DefaultIcon: not found", "delete tlf_auto_file"}));
  EXPECT_TRUE(registry.allKeys().empty());
  ExpectAllClosed();
}

TEST_F(Association, ForeignKeysStayWithEverythingAboveThem) {
  AddRunnerLayout("C:\\Tools");
  AddEditorLayout("C:\\App");
  registry.addKey("tlf_auto_file\\shell\\print\\command", "print.exe");
  registry.addKey(".tlf\\ShellNew");
  RunSequence(kAssociationRemove);
  // The two known verbs and the icon go; "shell" and the ProgID stay for the extra verb,
  // and ".tlf" stays for its own subkey.
  const Calls remaining = {".tlf",
                           ".tlf\\ShellNew",
                           "tlf_auto_file",
                           "tlf_auto_file\\shell",
                           "tlf_auto_file\\shell\\print",
                           "tlf_auto_file\\shell\\print\\command"};
  EXPECT_EQ(registry.allKeys(), remaining);
  ExpectAllClosed();
}

TEST_F(Association, SubkeyUnderDefaultIconKeepsIconAndProgId) {
  AddRunnerLayout("C:\\Tools");
  registry.addKey("tlf_auto_file\\DefaultIcon\\extra");
  EXPECT_EQ(DeleteProgIdTree(host, kClassesRoot, kProgId), 1);
  const Calls remaining = {".tlf", "tlf_auto_file", "tlf_auto_file\\DefaultIcon",
                           "tlf_auto_file\\DefaultIcon\\extra"};
  EXPECT_EQ(registry.allKeys(), remaining);
}

TEST_F(Association, UnopenableShellIsSkippedButTheRestIsTried) {
  AddRunnerLayout("C:\\Tools");
  registry.failPath(RegCall::kOpen, "tlf_auto_file\\shell");
  EXPECT_EQ(DeleteProgIdTree(host, kClassesRoot, kProgId), 1);
  EXPECT_EQ(registry.callsStartingWith("delete"),
            (Calls{"delete tlf_auto_file\\shell: has subkeys",
                   "delete tlf_auto_file\\DefaultIcon", "delete tlf_auto_file: has subkeys"}));
  EXPECT_TRUE(registry.callsStartingWith("open tlf_auto_file\\shell\\").empty());
  ExpectAllClosed();
}

TEST_F(Association, DeleteClassKeyIsOneDeletionAndAlwaysDone) {
  registry.addKey(".tlf", "tlf_auto_file");
  EXPECT_EQ(DeleteClassKey(host, kClassesRoot, ".tlf"), 1);
  EXPECT_EQ(DeleteClassKey(host, kClassesRoot, ".tlf"), 1);
  EXPECT_EQ(registry.calls, (Calls{"delete .tlf", "delete .tlf: not found"}));
}

// --- RegisterRunnerVerb failure paths ----------------------------------------------------

struct RunnerFailure {
  RegCall kind;
  int nth;
  Calls expectedTail;  // the calls from the failed one on
};

TEST_F(Association, RunnerVerbClosesExactlyWhatWasOpenedOnEveryFailure) {
  const std::string command = "tlf_auto_file\\shell\\open\\command";
  const std::vector<RunnerFailure> cases = {
      {RegCall::kCreate, 1, {"create tlf_auto_file: failed"}},
      {RegCall::kCreate, 2, {"create tlf_auto_file\\shell: failed", "close tlf_auto_file"}},
      {RegCall::kCreate,
       3,
       {"create tlf_auto_file\\shell\\open: failed", "close tlf_auto_file\\shell",
        "close tlf_auto_file"}},
      {RegCall::kCreate,
       4,
       {"create " + command + ": failed", "close tlf_auto_file\\shell\\open",
        "close tlf_auto_file\\shell", "close tlf_auto_file"}},
      {RegCall::kSet,
       1,
       {"set " + command + " = \"C:\\TLRun.exe\" \"%1\" (20): failed", "close " + command,
        "close tlf_auto_file\\shell\\open", "close tlf_auto_file\\shell",
        "close tlf_auto_file"}},
      {RegCall::kCreate,
       5,
       {"create tlf_auto_file\\DefaultIcon: failed", "close " + command,
        "close tlf_auto_file\\shell\\open", "close tlf_auto_file\\shell",
        "close tlf_auto_file"}},
      {RegCall::kSet,
       2,
       {"set tlf_auto_file\\DefaultIcon = C:\\TLRun.exe,-108 (18): failed",
        "close tlf_auto_file\\DefaultIcon", "close " + command,
        "close tlf_auto_file\\shell\\open", "close tlf_auto_file\\shell",
        "close tlf_auto_file"}},
  };
  for (const RunnerFailure& failure : cases) {
    MemoryRegistry fresh;
    fresh.failNth(failure.kind, failure.nth);
    EXPECT_EQ(RegisterRunnerVerb(fresh.host(), kClassesRoot, kProgId, "C:\\TLRun.exe",
                                 kRunnerIconIndex),
              0);
    ASSERT_GE(fresh.calls.size(), failure.expectedTail.size());
    Calls tail(fresh.calls.end() - failure.expectedTail.size(), fresh.calls.end());
    EXPECT_EQ(tail, failure.expectedTail) << "failing call " << failure.nth;
    EXPECT_TRUE(fresh.messages.empty());
    EXPECT_EQ(fresh.openHandles(), 0);
    EXPECT_EQ(fresh.badCloses, 0);
  }
}

TEST_F(Association, RunnerVerbWithoutIconIndexWritesNoIcon) {
  EXPECT_EQ(RegisterRunnerVerb(host, kClassesRoot, kProgId, "C:\\TLRun.exe", 0), 1);
  EXPECT_FALSE(registry.hasKey("tlf_auto_file\\DefaultIcon"));
  EXPECT_TRUE(registry.callsStartingWith("create tlf_auto_file\\DefaultIcon").empty());
  ExpectAllClosed();
}

// --- RegisterEditorVerb and SetClassKeyDefault -------------------------------------------

TEST_F(Association, EditorVerbResultFollowsTheCommandWrite) {
  EXPECT_EQ(RegisterEditorVerb(host, kClassesRoot, kProgId, "C:\\TLSet.exe"), 1);
  for (int nth = 1; nth <= 4; ++nth) {
    MemoryRegistry fresh;
    fresh.failNth(RegCall::kCreate, nth);
    EXPECT_EQ(RegisterEditorVerb(fresh.host(), kClassesRoot, kProgId, "C:\\TLSet.exe"), 0)
        << nth;
    // Nothing below the failed key is created, and no value is written.
    EXPECT_EQ(static_cast<int>(fresh.callsStartingWith("create").size()), nth) << nth;
    EXPECT_TRUE(fresh.callsStartingWith("set").empty()) << nth;
    EXPECT_EQ(static_cast<int>(fresh.callsStartingWith("close").size()), nth - 1) << nth;
    EXPECT_EQ(fresh.openHandles(), 0);
    EXPECT_TRUE(fresh.messages.empty());
  }
  MemoryRegistry refusing;
  refusing.failNth(RegCall::kSet, 1);
  EXPECT_EQ(RegisterEditorVerb(refusing.host(), kClassesRoot, kProgId, "C:\\TLSet.exe"), 0);
  EXPECT_EQ(refusing.callsStartingWith("close"),
            (Calls{"close " + kEditorVerbPath + "\\command", "close " + kEditorVerbPath,
                   "close tlf_auto_file\\shell", "close tlf_auto_file"}));
  EXPECT_TRUE(refusing.messages.empty());
}

TEST_F(Association, ClassKeyDefaultTellsWhatWasRefusedAndShowsNothing) {
  EXPECT_EQ(SetClassKeyDefault(host, kClassesRoot, ".tlf", "tlf_auto_file"),
            ClassKeyWrite::kWritten);
  EXPECT_EQ(registry.valueOf(".tlf"), "tlf_auto_file");

  MemoryRegistry noCreate;
  noCreate.failNth(RegCall::kCreate, 1);
  EXPECT_EQ(SetClassKeyDefault(noCreate.host(), kClassesRoot, ".tlf", "tlf_auto_file"),
            ClassKeyWrite::kKeyRefused);
  EXPECT_EQ(noCreate.calls, (Calls{"create .tlf: failed"}));

  MemoryRegistry noWrite;
  noWrite.failNth(RegCall::kSet, 1);
  EXPECT_EQ(SetClassKeyDefault(noWrite.host(), kClassesRoot, ".tlf", "tlf_auto_file"),
            ClassKeyWrite::kValueRefused);
  EXPECT_EQ(noWrite.calls,
            (Calls{"create .tlf", "set .tlf = tlf_auto_file (14): failed", "close .tlf"}));
}

// --- Where HKEY_CLASSES_ROOT refuses --------------------------------------------------

const char kNotRegistered[] =
    "関連付けを登録できませんでした。\nレジストリに書き込めませんでした。";
const char kNotRemoved[] =
    "関連付けを解除できませんでした。\nレジストリに関連付けの項目が残っています。";

// What the runner's 適用 with the box ticked leaves, for each way the registry refuses:
// the layout where HKEY_CLASSES_ROOT takes it, else in the user's classes, and the
// confirmation only when one of the two then holds exactly this layout.
TEST_F(Association, RunnerWritesToTheUsersClassesWhereRefusedAndConfirmsOnlyWhatIsHeld) {
  struct Case {
    const char* what;
    void (*prepare)(MemoryRegistry&);
    bool inClassesRoot;
    bool inUserClasses;
    const char* caption;
    bool notified = true;  // the shell is told: what it shows has changed
    bool noted = false;    // the confirmation ends with the note on the user's choice
  };
  const std::vector<Case> cases = {
      {"nothing refused", [](MemoryRegistry&) {}, true, false, "正常終了"},
      {"every creation refused",
       [](MemoryRegistry& r) { r.failRoot(RegCall::kCreate, kClassesRoot); }, false, true,
       "正常終了"},
      {"every value write refused",
       [](MemoryRegistry& r) { r.failRoot(RegCall::kSet, kClassesRoot); }, false, true,
       "正常終了"},
      {"only .tlf refused", [](MemoryRegistry& r) { r.failPath(RegCall::kCreate, ".tlf"); },
       false, true, "正常終了"},
      {"only the icon refused",
       [](MemoryRegistry& r) { r.failPath(RegCall::kCreate, "tlf_auto_file\\DefaultIcon"); },
       false, true, "正常終了"},
      {"only the .tlf value refused",
       [](MemoryRegistry& r) { r.failPath(RegCall::kSet, ".tlf"); }, false, true, "正常終了"},
      {"both places refuse creations",
       [](MemoryRegistry& r) { r.failNth(RegCall::kCreate, 0); }, false, false, "エラー",
       false},
      {"both places refuse value writes",
       [](MemoryRegistry& r) { r.failNth(RegCall::kSet, 0); }, false, false, "エラー", false},
      {"the user's .tlf value refused too",
       [](MemoryRegistry& r) {
         r.failRoot(RegCall::kCreate, kClassesRoot);
         r.failPath(RegCall::kSet, kUser + ".tlf");
       },
       false, false, "エラー"},
      // An older registration of another folder stays where nothing may be written: it is
      // not the one asked for.
      {"refused everywhere over another folder's layout",
       [](MemoryRegistry& r) {
         AddRunnerLayoutTo(r, "D:\\Old", "");
         r.failNth(RegCall::kCreate, 0);
       },
       false, false, "エラー", false},
      // The same folder registered before for all users: the registry holds it.
      {"refused everywhere over this folder's layout",
       [](MemoryRegistry& r) {
         AddRunnerLayoutTo(r, "C:\\Tools", "");
         r.failNth(RegCall::kCreate, 0);
       },
       true, false, "正常終了", false},
      {"the user's own ProgID",
       [](MemoryRegistry& r) { AddEditorLayoutTo(r, "C:\\App", kUser); }, false, true,
       "正常終了"},
      {"another program chosen", [](MemoryRegistry& r) { ChooseProgram(r, "txtfile"); }, true,
       false, "正常終了", true, true},
      {"TLRun.exe chosen",
       [](MemoryRegistry& r) { ChooseProgram(r, "Applications\\tlrun.exe"); }, true, false,
       "正常終了"},
  };
  for (const Case& test : cases) {
    MemoryRegistry fresh;
    test.prepare(fresh);
    int result = kAssociationApply;
    AssociationUi ui{FakeCurrentDirectory, FakeDialog, &result};
    RunAssociationSequence(fresh.host(), ui, kConfirmation);
    EXPECT_EQ(HoldsRunner(fresh, "", "C:\\Tools"), test.inClassesRoot) << test.what;
    EXPECT_EQ(HoldsRunner(fresh, kUser, "C:\\Tools"), test.inUserClasses) << test.what;
    ASSERT_EQ(fresh.messages.size(), 1u) << test.what;
    EXPECT_EQ(fresh.messages[0].caption, test.caption) << test.what;
    EXPECT_EQ(fresh.messages[0].text, std::string(test.caption) == "エラー"
                                          ? kNotRegistered
                                          : kConfirmation + (test.noted ? kNote : ""))
        << test.what;
    EXPECT_EQ(fresh.notifications, test.notified ? 1 : 0) << test.what;
    EXPECT_EQ(fresh.openHandles(), 0) << test.what;
    EXPECT_EQ(fresh.badCloses, 0) << test.what;
    // A confirmed registration is what the dialog shows ticked the next time.
    if (test.inClassesRoot || test.inUserClasses) {
      EXPECT_TRUE(ProbeRunnerRegistration(fresh.host())) << test.what;
    }
  }
}

// The editor's silent registration takes the same way; its one message is for a ".tlf"
// value refused in the last place tried.
TEST_F(Association, EditorWritesToTheUsersClassesWhereRefused) {
  struct Case {
    const char* what;
    void (*prepare)(MemoryRegistry&);
    bool inClassesRoot;
    bool inUserClasses;
    bool message;
    bool notified = true;  // the shell is told only of a value that changed
  };
  const std::vector<Case> cases = {
      {"nothing refused", [](MemoryRegistry&) {}, true, false, false},
      {"another folder", [](MemoryRegistry& r) { AddEditorLayoutTo(r, "D:\\Old", ""); }, true,
       false, false},
      {"registered per user", [](MemoryRegistry& r) { AddEditorLayoutTo(r, "C:\\App", kUser); },
       false, true, false, false},
      {"another ProgID", [](MemoryRegistry& r) { AddEditorLayoutTo(r, "C:\\App", "", "x"); },
       true, false, false},
      {"every creation refused",
       [](MemoryRegistry& r) { r.failRoot(RegCall::kCreate, kClassesRoot); }, false, true,
       false},
      {"every value write refused",
       [](MemoryRegistry& r) { r.failRoot(RegCall::kSet, kClassesRoot); }, false, true, false},
      {"only the .tlf value refused",
       [](MemoryRegistry& r) { r.failPath(RegCall::kSet, ".tlf"); }, false, true, false},
      {"both places refuse creations",
       [](MemoryRegistry& r) { r.failNth(RegCall::kCreate, 0); }, false, false, false, false},
      {"both places refuse the .tlf value",
       [](MemoryRegistry& r) {
         r.failPath(RegCall::kSet, ".tlf");
         r.failPath(RegCall::kSet, kUser + ".tlf");
       },
       false, false, true},
  };
  for (const Case& test : cases) {
    MemoryRegistry fresh;
    test.prepare(fresh);
    gCurrentDirectory = "C:\\App";
    RegisterEditorAssociation(fresh.host(), FakeCurrentDirectory);
    EXPECT_EQ(HoldsEditor(fresh, "", "C:\\App"), test.inClassesRoot) << test.what;
    EXPECT_EQ(HoldsEditor(fresh, kUser, "C:\\App"), test.inUserClasses) << test.what;
    EXPECT_EQ(fresh.messages.size(), test.message ? 1u : 0u) << test.what;
    EXPECT_EQ(fresh.notifications, test.notified ? 1 : 0) << test.what;
    if (test.message) {
      EXPECT_EQ(fresh.messages[0].caption, "error");
      EXPECT_EQ(fresh.messages[0].text,
                "拡張子の関連付けに失敗しました。\nご迷惑をおかけして申し訳ありません。");
    }
    EXPECT_EQ(fresh.openHandles(), 0) << test.what;
  }
}

// Removal, from the runner's dialog and by the remover, clears both places and says it is
// done only when neither place still holds a verb or the icon of the association.
TEST_F(Association, RemovalClearsBothPlacesAndReportsWhatStays) {
  struct Case {
    const char* what;
    void (*prepare)(MemoryRegistry&);
    Calls remaining;
    bool removed;
    bool notified = true;  // what the shell shows has changed
  };
  Calls userRunnerLayout;
  for (const std::string& key : kRunnerLayout) userRunnerLayout.push_back(kUser + key);
  Calls bothLayouts = kRunnerLayout;  // sorted: ".tlf", then "HKCU\...", then "tlf_auto_file"
  bothLayouts.insert(bothLayouts.begin() + 1, userRunnerLayout.begin(), userRunnerLayout.end());
  const std::vector<Case> cases = {
      {"absent", [](MemoryRegistry&) {}, {}, true, false},
      {"runner and editor for all users",
       [](MemoryRegistry& r) {
         AddRunnerLayoutTo(r, "C:\\Tools", "");
         AddEditorLayoutTo(r, "C:\\App", "");
       },
       {},
       true},
      {"runner and editor per user",
       [](MemoryRegistry& r) {
         AddRunnerLayoutTo(r, "C:\\Tools", kUser);
         AddEditorLayoutTo(r, "C:\\App", kUser);
       },
       {},
       true},
      {"layouts in both places",
       [](MemoryRegistry& r) {
         AddRunnerLayoutTo(r, "C:\\Tools", "");
         AddRunnerLayoutTo(r, "C:\\Tools", kUser);
         AddEditorLayoutTo(r, "C:\\App", kUser);
       },
       {},
       true},
      {"both places, deletions refused for all users",
       [](MemoryRegistry& r) {
         AddRunnerLayoutTo(r, "C:\\Tools", "");
         AddRunnerLayoutTo(r, "C:\\Tools", kUser);
         r.failRoot(RegCall::kDelete, kClassesRoot);
       },
       kRunnerLayout, false, false},
      {"both places, deletions refused per user",
       [](MemoryRegistry& r) {
         AddRunnerLayoutTo(r, "C:\\Tools", "");
         AddRunnerLayoutTo(r, "C:\\Tools", kUser);
         r.failRoot(RegCall::kDelete, kUserClassesRoot);
       },
       bothLayouts, false, false},
      {"only the user's icon refused",
       [](MemoryRegistry& r) {
         AddRunnerLayoutTo(r, "C:\\Tools", kUser);
         r.failPath(RegCall::kDelete, kUser + "tlf_auto_file\\DefaultIcon");
       },
       {kUser + "tlf_auto_file", kUser + "tlf_auto_file\\DefaultIcon"},
       false},
      // Another program's verb keeps the ProgID, but nothing of the association is left.
      {"another program's verb per user",
       [](MemoryRegistry& r) {
         AddRunnerLayoutTo(r, "C:\\Tools", kUser);
         r.addKey(kUser + "tlf_auto_file\\shell\\print\\command", "print.exe");
       },
       {kUser + "tlf_auto_file", kUser + "tlf_auto_file\\shell",
        kUser + "tlf_auto_file\\shell\\print", kUser + "tlf_auto_file\\shell\\print\\command"},
       true},
  };
  const std::string removerSuccess =
      "正常に関連付けが解除されました\nアプリケーションを完全に削除する場合は\n"
      "お手数ですがフォルダの削除を手動でお願いします。";
  const std::string removerError =
      "関連付け解除時にエラーが発生しました。正常に終了しなかった可能性があります。";
  gAnswerYes = true;
  for (const Case& test : cases) {
    MemoryRegistry dialog;
    test.prepare(dialog);
    int result = kAssociationRemove;
    AssociationUi ui{FakeCurrentDirectory, FakeDialog, &result};
    RunAssociationSequence(dialog.host(), ui, kConfirmation);
    MemoryRegistry remover;
    test.prepare(remover);
    RunRemoverSequence(remover.host(), StartupFolderHost{}, FakeAsk);

    for (MemoryRegistry* registry : {&dialog, &remover}) {
      EXPECT_EQ(registry->allKeys(), test.remaining) << test.what;
      EXPECT_EQ(registry->openHandles(), 0) << test.what;
      EXPECT_EQ(registry->notifications, test.notified ? 1 : 0) << test.what;
    }
    ASSERT_EQ(dialog.messages.size(), 1u) << test.what;
    EXPECT_EQ(dialog.messages[0].caption, test.removed ? "正常終了" : "エラー") << test.what;
    EXPECT_EQ(dialog.messages[0].text, test.removed ? "関連付けを解除しました。" : kNotRemoved)
        << test.what;
    ASSERT_EQ(remover.messages.size(), 1u) << test.what;
    EXPECT_EQ(remover.messages[0].caption, test.removed ? "Success" : "Error") << test.what;
    EXPECT_EQ(remover.messages[0].text, test.removed ? removerSuccess : removerError)
        << test.what;
  }
}

// --- Paths that do not fit ---------------------------------------------------------------

// The command value "<dir>\TLRun.exe" "%1" is the longest: 17 bytes around the directory,
// so 242 bytes of directory is the most that fits in 259.
TEST_F(Association, RunnerRegistersTheLongestDirectoryThatFits) {
  gCurrentDirectory = "C:\\" + std::string(239, 'a');
  RunSequence(kAssociationApply);
  EXPECT_EQ(registry.valueOf("tlf_auto_file\\shell\\open\\command").size(), 259u);
  EXPECT_EQ(registry.messages.back().caption, "正常終了");
}

TEST_F(Association, RunnerRegistersNothingForAnUnusableDirectory) {
  const std::vector<std::string> tooLong = {
      "C:\\" + std::string(240, 'a'),  // 243: the command value would need 260
      "C:\\" + std::string(246, 'a'),  // 249: the path fits, the command does not
      "C:\\" + std::string(247, 'a'),  // 250: the path itself does not fit
      "C:\\" + std::string(300, 'a'),  // more than the directory buffer holds
  };
  for (const std::string& directory : tooLong) {
    MemoryRegistry fresh;
    RegistryHost freshHost = fresh.host();
    gCurrentDirectory = directory;
    int result = kAssociationApply;
    AssociationUi ui{FakeCurrentDirectory, FakeDialog, &result};
    RunAssociationSequence(freshHost, ui, kConfirmation);
    ASSERT_EQ(fresh.calls.size(), 1u) << directory.size();  // one message, nothing else
    ASSERT_EQ(fresh.messages.size(), 1u);
    EXPECT_EQ(fresh.messages[0].caption, "エラー");
    EXPECT_NE(fresh.messages[0].text.find("関連付けを登録できませんでした"), std::string::npos);
  }
  gDirectoryReadable = false;
  RunSequence(kAssociationApply);
  EXPECT_EQ(registry.calls.size(), 1u);
  EXPECT_EQ(registry.messages.at(0).caption, "エラー");
}

TEST_F(Association, RemovalStillWorksWhenTheDirectoryIsUnusable) {
  AddRunnerLayout("C:\\Tools");
  gDirectoryReadable = false;
  RunSequence(kAssociationRemove);
  EXPECT_TRUE(registry.allKeys().empty());
  EXPECT_EQ(registry.messages.at(0).text, "関連付けを解除しました。");
}

TEST_F(Association, EditorRegistersNothingSilentlyForAnUnusableDirectory) {
  gCurrentDirectory = "C:\\" + std::string(239, 'a');  // "\TLSet.exe" is as long
  RegisterEditorAssociation(host, FakeCurrentDirectory);
  EXPECT_EQ(registry.allKeys(), kEditorLayout);
  registry.clearCalls();

  MemoryRegistry fresh;
  gCurrentDirectory = "C:\\" + std::string(240, 'a');
  RegisterEditorAssociation(fresh.host(), FakeCurrentDirectory);
  gDirectoryReadable = false;
  RegisterEditorAssociation(fresh.host(), FakeCurrentDirectory);
  EXPECT_TRUE(fresh.calls.empty());
}

// The command value "<path>" "%1" adds 7 bytes to the path, the icon value <path>,<index>
// one and the index's digits: a value of exactly 259 bytes is written, one of 260 makes
// the routine write nothing at all.
TEST_F(Association, VerbRoutinesWriteValuesOf259BytesAndRefuse260) {
  struct Case {
    std::size_t pathLength;
    int iconIndex;
    std::size_t commandLength;
    std::size_t iconLength;  // 0: no icon
    int written;
  };
  const std::vector<Case> cases = {
      {252, kRunnerIconIndex, 259, 257, 1},  // command exactly 259
      {253, kRunnerIconIndex, 260, 258, 0},  // command 260
      {252, -12345, 259, 259, 1},            // icon exactly 259
      {252, -123456, 259, 260, 0},           // icon 260
      {252, 0, 259, 0, 1},                   // no icon at all
      {252, 1, 259, 254, 1},                 // the first icon after the main one
  };
  for (const Case& test : cases) {
    const std::string path(test.pathLength, 'p');
    MemoryRegistry runner;
    EXPECT_EQ(
        RegisterRunnerVerb(runner.host(), kClassesRoot, kProgId, path.c_str(), test.iconIndex),
        test.written)
        << test.pathLength << " " << test.iconIndex;
    if (test.written == 0) {
      EXPECT_TRUE(runner.calls.empty()) << test.pathLength << " " << test.iconIndex;
      continue;
    }
    EXPECT_EQ(runner.valueOf("tlf_auto_file\\shell\\open\\command").size(), test.commandLength);
    if (test.iconLength != 0) {
      EXPECT_EQ(runner.valueOf("tlf_auto_file\\DefaultIcon").size(), test.iconLength);
    }
  }
  // The editor's command follows the same limit.
  for (std::size_t pathLength : {252u, 253u}) {
    const std::string path(pathLength, 'p');
    MemoryRegistry editor;
    EXPECT_EQ(RegisterEditorVerb(editor.host(), kClassesRoot, kProgId, path.c_str()),
              pathLength == 252u ? 1 : 0);
    EXPECT_EQ(editor.valueOf(kEditorVerbPath + "\\command").size(),
              pathLength == 252u ? 259u : std::string("<no key>").size());
  }
}

// --- The dialog's check box --------------------------------------------------------------

TEST_F(Association, ProbeLooksUpTheRunnersRegistrationKeyByKey) {
  EXPECT_FALSE(ProbeRunnerRegistration(host));
  EXPECT_EQ(registry.calls, (Calls{"open tlf_auto_file: not found",
                                   "open " + kUser + "tlf_auto_file: not found"}));

  AddRunnerLayout("C:\\Tools");
  registry.clearCalls();
  EXPECT_TRUE(ProbeRunnerRegistration(host));
  EXPECT_EQ(registry.calls, (Calls{"open tlf_auto_file", "open tlf_auto_file\\DefaultIcon",
                                   "close tlf_auto_file\\DefaultIcon", "close tlf_auto_file"}));
  ExpectAllClosed();
}

// The check box is ticked when either place holds the runner's registration and it can be
// opened there with full access; the editor's registration alone leaves it cleared.
TEST_F(Association, ProbeInEveryState) {
  struct State {
    const char* what;
    void (*prepare)(MemoryRegistry&);
    bool ticked;
  };
  const std::vector<State> states = {
      {"absent", [](MemoryRegistry&) {}, false},
      {"editor only", [](MemoryRegistry& r) { AddEditorLayoutTo(r, "C:\\App", ""); }, false},
      {"editor only, per user",
       [](MemoryRegistry& r) { AddEditorLayoutTo(r, "C:\\App", kUser); }, false},
      {"runner", [](MemoryRegistry& r) { AddRunnerLayoutTo(r, "C:\\Tools", ""); }, true},
      {"runner, per user", [](MemoryRegistry& r) { AddRunnerLayoutTo(r, "C:\\Tools", kUser); },
       true},
      {"editor for all, runner per user",
       [](MemoryRegistry& r) {
         AddEditorLayoutTo(r, "C:\\App", "");
         AddRunnerLayoutTo(r, "C:\\Tools", kUser);
       },
       true},
      {"runner in both places",
       [](MemoryRegistry& r) {
         AddRunnerLayoutTo(r, "C:\\Tools", "");
         AddRunnerLayoutTo(r, "C:\\Tools", kUser);
       },
       true},
      {"runner that cannot be opened with full access",
       [](MemoryRegistry& r) {
         AddRunnerLayoutTo(r, "C:\\Tools", "");
         r.failPath(RegCall::kOpen, "tlf_auto_file");
       },
       false},
      {"runner that cannot be opened, and runner per user",
       [](MemoryRegistry& r) {
         AddRunnerLayoutTo(r, "C:\\Tools", "");
         r.failPath(RegCall::kOpen, "tlf_auto_file");
         AddRunnerLayoutTo(r, "C:\\Tools", kUser);
       },
       true},
  };
  for (const State& state : states) {
    MemoryRegistry fresh;
    state.prepare(fresh);
    EXPECT_EQ(ProbeRunnerRegistration(fresh.host()), state.ticked) << state.what;
    EXPECT_EQ(fresh.openHandles(), 0) << state.what;
    EXPECT_EQ(fresh.badCloses, 0) << state.what;
  }
}

// --- The remover -------------------------------------------------------------------------

TEST_F(Association, RemoverAnsweredNoTouchesNothing) {
  AddRunnerLayout("C:\\Tools");
  registry.values[kRunValue] = "\"C:\\Tools\\notepad.exe\" \"C:\\a.tlf\"";  // not a runner's
  gAnswerYes = false;
  RunRemoverSequence(host, StartupFolderHost{}, FakeAsk);
  EXPECT_EQ(gQuestion,
            "Question: アプリケーション「Tarvilo」と.tlfファイルとの関連付けを解除します。\n"
            "なおアプリケーションファイル自体は削除されません。\nよろしいですか？");
  EXPECT_EQ(registry.calls, (Calls{"message Finish: 処理を取りやめました"}));
  EXPECT_EQ(registry.allKeys(), kRunnerLayout);
}

TEST_F(Association, RemoverDeletesThenReadsBackThenReports) {
  AddRunnerLayout("C:\\Tools");
  AddEditorLayout("C:\\App");
  registry.values[kRunValue] = "\"D:\\x\\tlrun.EXE\" \"C:\\a.tlf\"";
  gAnswerYes = true;
  RunRemoverSequence(host, StartupFolderHost{}, FakeAsk);
  EXPECT_EQ(gQuestion,
            "Question: アプリケーション「Tarvilo」と.tlfファイルとの関連付けを解除します。\n"
            "ログオン時の実行の登録も解除します。\n"
            "なおアプリケーションファイル自体は削除されません。\nよろしいですか？");
  EXPECT_EQ(registry.values.count(kRunValue), 0u);
  EXPECT_TRUE(registry.allKeys().empty());
  // Three keys read back in each place, then the report.
  EXPECT_EQ(registry.callsStartingWith("exists").size(), 6u);
  EXPECT_EQ(Calls(registry.calls.end() - 3, registry.calls.end()),
            (Calls{"read tlf_auto_file\\DefaultIcon: not found", "notify",
                   "message Success: 正常に関連付けが解除されました\n"
                   "ログオン時の実行の登録も解除しました。\n"
                   "アプリケーションを完全に削除する場合は\n"
                   "お手数ですがフォルダの削除を手動でお願いします。"}));
}

TEST_F(Association, RemoverReportsARunAtLogonItCannotDelete) {
  registry.values[kRunValue] = "C:\\TLRun.exe C:\\a.tlf";
  registry.failPath(RegCall::kDelete, kRunValue);
  gAnswerYes = true;
  RunRemoverSequence(host, StartupFolderHost{}, FakeAsk);
  EXPECT_EQ(registry.values.count(kRunValue), 1u);
  EXPECT_EQ(registry.messages.back().caption, "Error");
}

// --- The logon value ---------------------------------------------------------------------

// "<runner>" "<schedule>" is written whole up to 259 bytes and read back, or not at all; it
// runs a schedule only under that schedule's whole name.
TEST_F(Association, LogonValueIsWrittenAsItIsReadBack) {
  const std::string runner = "C:\\App\\TLRun.exe";  // 21 bytes around the schedule
  const struct {
    std::string stored, schedule;  // stored: before, or "" to write "<runner>" "<schedule>"
    LogonCommand::State state;
    bool runs;
  } cases[] = {
      {"", "C:\\" + std::string(235, 'a'), LogonCommand::kPresent, true},
      {"", "C:\\" + std::string(236, 'a'), LogonCommand::kAbsent, false},
      {std::string(260, 'x'), "", LogonCommand::kUnreadable, false},
      {runner + " C:\\plan.tlf", "C:\\PLAN.TLF", LogonCommand::kPresent, true},
      {runner + " C:\\plan.tlf", "C:\\plan.tlf2", LogonCommand::kPresent, false},
      {runner + " C:\\plan.tlf2", "C:\\plan.tlf", LogonCommand::kPresent, false},
      {"\"" + runner + "\" \"C:\\plan.tlf", "C:\\plan.tlf", LogonCommand::kPresent, true},
      {runner, std::string("\0x", 2), LogonCommand::kPresent, false},  // no schedule named
  };
  for (const auto& c : cases) {
    MemoryRegistry fresh;
    if (c.stored.empty()) {
      EXPECT_EQ(WriteLogonCommand(fresh.host(), runner.c_str(), c.schedule.c_str()), c.runs);
    } else {
      fresh.values[kRunValue] = c.stored;
    }
    LogonCommand logon = ReadLogonCommand(fresh.host());
    EXPECT_EQ(logon.state, c.state) << c.stored << c.schedule;
    EXPECT_EQ(RunsAtLogon(logon, c.schedule.c_str()), c.runs) << c.stored << c.schedule;
  }
  // The runner is looked for in exactly the editor's folder, whatever the buffer held.
  std::string found(kTextSize, 'x');
  EXPECT_TRUE(RunnerBeside("C:\\App\\TLSet.exe", &found[0]));
  EXPECT_STREQ(found.c_str(), runner.c_str());
  const std::string fullest = "C:\\" + std::string(246, 'a') + "\\TLRun.exe";  // 259 bytes
  EXPECT_TRUE(RunnerBeside((fullest.substr(0, 250) + "x").c_str(), &found[0]));
  EXPECT_EQ(found.c_str(), fullest);
  EXPECT_FALSE(RunnerBeside(("C:\\" + std::string(248, 'a') + "\\x").c_str(), &found[0]));
  EXPECT_STREQ(found.c_str(), "");
  found.assign(kTextSize, 'x');
  EXPECT_FALSE(RunnerBeside("TLSet.exe", &found[0]));  // no folder to look in
  EXPECT_STREQ(found.c_str(), "");
}

}  // namespace
