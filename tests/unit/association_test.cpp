// The .tlf association against the in-memory registry: the exact keys, values and call
// order of every routine, the state changes of the runner's dialog, the editor's start and
// the remover, every failure path, and the paths too long to register.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "association.h"
#include "fakes/memory_registry.h"

namespace {

using Calls = std::vector<std::string>;

const std::string kRunnerCommand = "set tlf_auto_file\\shell\\open\\command";
const std::string kEditorVerbPath = "tlf_auto_file\\shell\\TLSetで起動する";
const char kConfirmation[] = ".tlfファイルとアプリケーションを関連付けました。";

// The current directory the routines see, and whether it can be read at all.
std::string gCurrentDirectory = "C:\\Tools";
bool gDirectoryReadable = true;

bool FakeCurrentDirectory(char* directory) {
  if (!gDirectoryReadable) return false;
  return CopyText(directory, kTextSize, gCurrentDirectory.c_str());
}

int FakeDialog(void* context) { return *static_cast<int*>(context); }

bool gAnswerYes = true;
std::string gQuestion;
bool FakeAsk(const char* text, const char* caption) {
  gQuestion = std::string(caption) + ": " + text;
  return gAnswerYes;
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

  void AddRunnerLayout(const std::string& folder) {
    registry.addKey(".tlf", "tlf_auto_file");
    registry.addKey("tlf_auto_file\\shell\\open\\command",
                    "\"" + folder + "\\TLRun.exe\" \"%1\"");
    registry.addKey("tlf_auto_file\\DefaultIcon", folder + "\\TLRun.exe,-108");
  }
  void AddEditorLayout(const std::string& folder) {
    registry.addKey(".tlf", "tlf_auto_file");
    registry.addKey(kEditorVerbPath + "\\command", "\"" + folder + "\\TLSet.exe\" \"%1\"");
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
      "notify",
      "message 正常終了: 関連付けを解除しました。",
  };
  EXPECT_EQ(registry.calls, expected);
  EXPECT_TRUE(registry.allKeys().empty());
  ExpectAllClosed();
}

TEST_F(Association, ApplyClearedWhenAbsentDeletesNothingButConfirms) {
  RunSequence(kAssociationRemove);
  const Calls expected = {"delete .tlf: not found", "open tlf_auto_file: not found", "notify",
                          "message 正常終了: 関連付けを解除しました。"};
  EXPECT_EQ(registry.calls, expected);
}

TEST_F(Association, ApplyClearedAfterEditorOnlyFindsNoOpenVerbOrIcon) {
  AddEditorLayout("C:\\App");
  RunSequence(kAssociationRemove);
  EXPECT_EQ(registry.callsStartingWith("delete"),
            (Calls{"delete .tlf", "delete " + kEditorVerbPath + "\\command",
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
  EXPECT_EQ(DeleteProgIdTree(host, kProgId), 1);
  const Calls remaining = {".tlf", "tlf_auto_file", "tlf_auto_file\\DefaultIcon",
                           "tlf_auto_file\\DefaultIcon\\extra"};
  EXPECT_EQ(registry.allKeys(), remaining);
}

TEST_F(Association, UnopenableShellIsSkippedButTheRestIsTried) {
  AddRunnerLayout("C:\\Tools");
  registry.failPath(RegCall::kOpen, "tlf_auto_file\\shell");
  EXPECT_EQ(DeleteProgIdTree(host, kProgId), 1);
  EXPECT_EQ(registry.callsStartingWith("delete"),
            (Calls{"delete tlf_auto_file\\shell: has subkeys",
                   "delete tlf_auto_file\\DefaultIcon", "delete tlf_auto_file: has subkeys"}));
  EXPECT_TRUE(registry.callsStartingWith("open tlf_auto_file\\shell\\").empty());
  ExpectAllClosed();
}

TEST_F(Association, DeleteClassKeyIsOneDeletionAndAlwaysDone) {
  registry.addKey(".tlf", "tlf_auto_file");
  EXPECT_EQ(DeleteClassKey(host, ".tlf"), 1);
  EXPECT_EQ(DeleteClassKey(host, ".tlf"), 1);
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
    EXPECT_EQ(RegisterRunnerVerb(fresh.host(), kProgId, "C:\\TLRun.exe", kRunnerIconIndex), 0);
    ASSERT_GE(fresh.calls.size(), failure.expectedTail.size());
    Calls tail(fresh.calls.end() - failure.expectedTail.size(), fresh.calls.end());
    EXPECT_EQ(tail, failure.expectedTail) << "failing call " << failure.nth;
    EXPECT_TRUE(fresh.messages.empty());
    EXPECT_EQ(fresh.openHandles(), 0);
    EXPECT_EQ(fresh.badCloses, 0);
  }
}

TEST_F(Association, RunnerVerbWithoutIconIndexWritesNoIcon) {
  EXPECT_EQ(RegisterRunnerVerb(host, kProgId, "C:\\TLRun.exe", 0), 1);
  EXPECT_FALSE(registry.hasKey("tlf_auto_file\\DefaultIcon"));
  EXPECT_TRUE(registry.callsStartingWith("create tlf_auto_file\\DefaultIcon").empty());
  ExpectAllClosed();
}

// --- RegisterEditorVerb and SetClassKeyDefault -------------------------------------------

TEST_F(Association, EditorVerbResultFollowsTheCommandWrite) {
  EXPECT_EQ(RegisterEditorVerb(host, kProgId, "C:\\TLSet.exe"), 1);
  for (int nth = 1; nth <= 4; ++nth) {
    MemoryRegistry fresh;
    fresh.failNth(RegCall::kCreate, nth);
    EXPECT_EQ(RegisterEditorVerb(fresh.host(), kProgId, "C:\\TLSet.exe"), 0) << nth;
    // Nothing below the failed key is created, and no value is written.
    EXPECT_EQ(static_cast<int>(fresh.callsStartingWith("create").size()), nth) << nth;
    EXPECT_TRUE(fresh.callsStartingWith("set").empty()) << nth;
    EXPECT_EQ(static_cast<int>(fresh.callsStartingWith("close").size()), nth - 1) << nth;
    EXPECT_EQ(fresh.openHandles(), 0);
    EXPECT_TRUE(fresh.messages.empty());
  }
  MemoryRegistry refusing;
  refusing.failNth(RegCall::kSet, 1);
  EXPECT_EQ(RegisterEditorVerb(refusing.host(), kProgId, "C:\\TLSet.exe"), 0);
  EXPECT_EQ(refusing.callsStartingWith("close"),
            (Calls{"close " + kEditorVerbPath + "\\command", "close " + kEditorVerbPath,
                   "close tlf_auto_file\\shell", "close tlf_auto_file"}));
  EXPECT_TRUE(refusing.messages.empty());
}

TEST_F(Association, ClassKeyDefaultReportsOnlyAFailedWrite) {
  EXPECT_EQ(SetClassKeyDefault(host, ".tlf", "tlf_auto_file"), 1);
  EXPECT_EQ(registry.valueOf(".tlf"), "tlf_auto_file");

  MemoryRegistry noCreate;
  noCreate.failNth(RegCall::kCreate, 1);
  EXPECT_EQ(SetClassKeyDefault(noCreate.host(), ".tlf", "tlf_auto_file"), 0);
  EXPECT_EQ(noCreate.calls, (Calls{"create .tlf: failed"}));

  MemoryRegistry noWrite;
  noWrite.failNth(RegCall::kSet, 1);
  EXPECT_EQ(SetClassKeyDefault(noWrite.host(), ".tlf", "tlf_auto_file"), 0);
  EXPECT_EQ(noWrite.calls,
            (Calls{"create .tlf", "set .tlf = tlf_auto_file (14): failed",
                   "message error: "
                   "拡張子の関連付けに失敗しました。\nご迷惑をおかけして申し訳ありません。",
                   "close .tlf"}));
}

TEST_F(Association, RunnerConfirmsEvenAfterTheClassKeyFailure) {
  registry.failPath(RegCall::kSet, ".tlf");
  RunSequence(kAssociationApply);
  ASSERT_EQ(registry.messages.size(), 2u);
  EXPECT_EQ(registry.messages[0].caption, "error");
  EXPECT_EQ(registry.messages[1].text, kConfirmation);
  EXPECT_EQ(registry.messages[1].caption, "正常終了");
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

TEST_F(Association, VerbRoutinesRefuseValuesThatWouldBeCut) {
  const std::string fits(252, 'p');
  const std::string cut(253, 'p');
  EXPECT_EQ(RegisterRunnerVerb(host, kProgId, cut.c_str(), kRunnerIconIndex), 0);
  EXPECT_EQ(RegisterEditorVerb(host, kProgId, cut.c_str()), 0);
  EXPECT_TRUE(registry.calls.empty());
  EXPECT_EQ(RegisterRunnerVerb(host, kProgId, fits.c_str(), kRunnerIconIndex), 1);
  EXPECT_EQ(RegisterEditorVerb(host, kProgId, fits.c_str()), 1);
}

// --- The dialog's check box --------------------------------------------------------------

TEST_F(Association, ProbeIsTickedOnlyForTheRunnersRegistration) {
  EXPECT_FALSE(ProbeRunnerRegistration(host));
  EXPECT_EQ(registry.calls, (Calls{"open tlf_auto_file: not found"}));

  AddEditorLayout("C:\\App");
  registry.clearCalls();
  EXPECT_FALSE(ProbeRunnerRegistration(host));
  EXPECT_EQ(registry.calls,
            (Calls{"open tlf_auto_file", "open tlf_auto_file\\DefaultIcon: not found",
                   "close tlf_auto_file"}));

  AddRunnerLayout("C:\\Tools");
  registry.clearCalls();
  EXPECT_TRUE(ProbeRunnerRegistration(host));
  EXPECT_EQ(registry.calls, (Calls{"open tlf_auto_file", "open tlf_auto_file\\DefaultIcon",
                                   "close tlf_auto_file\\DefaultIcon", "close tlf_auto_file"}));

  registry.failPath(RegCall::kOpen, "tlf_auto_file");
  EXPECT_FALSE(ProbeRunnerRegistration(host));
  ExpectAllClosed();
}

// --- The remover -------------------------------------------------------------------------

TEST_F(Association, RemoverAnsweredNoTouchesNothing) {
  AddRunnerLayout("C:\\Tools");
  gAnswerYes = false;
  RunRemoverSequence(host, FakeAsk);
  EXPECT_EQ(gQuestion,
            "Question: アプリケーション「Tarvilo」と.tlfファイルとの関連付けを解除します。\n"
            "なおアプリケーションファイル自体は削除されません。\nよろしいですか？");
  EXPECT_EQ(registry.calls, (Calls{"message Finish: 処理を取りやめました"}));
  EXPECT_EQ(registry.allKeys(), kRunnerLayout);
}

TEST_F(Association, RemoverReportsSuccessOnlyWhenTheProgIdIsGone) {
  const std::string success =
      "message Success: "
      "正常に関連付けが解除されました\nアプリケーションを完全に削除する場合は\n"
      "お手数ですがフォルダの削除を手動でお願いします。";
  const std::string error =
      "message Error: "
      "関連付け解除時にエラーが発生しました。正常に終了しなかった可能性があります。";
  gAnswerYes = true;

  AddRunnerLayout("C:\\Tools");
  AddEditorLayout("C:\\App");
  RunRemoverSequence(host, FakeAsk);
  EXPECT_TRUE(registry.allKeys().empty());
  EXPECT_EQ(registry.calls.front(), "delete .tlf");
  EXPECT_EQ(Calls(registry.calls.end() - 3, registry.calls.end()),
            (Calls{"notify", "exists tlf_auto_file: no", success}));

  MemoryRegistry empty;  // nothing to remove is a success too
  RunRemoverSequence(empty.host(), FakeAsk);
  EXPECT_EQ(empty.calls.back(), success);

  MemoryRegistry denied;  // no right to delete: everything stays, and that is said
  denied.addKey(".tlf", "tlf_auto_file");
  denied.addKey("tlf_auto_file\\shell\\open\\command", "x");
  denied.failPath(RegCall::kDelete, "tlf_auto_file");
  denied.failPath(RegCall::kDelete, "tlf_auto_file\\shell");
  denied.failPath(RegCall::kDelete, "tlf_auto_file\\shell\\open");
  denied.failPath(RegCall::kDelete, "tlf_auto_file\\shell\\open\\command");
  RunRemoverSequence(denied.host(), FakeAsk);
  EXPECT_TRUE(denied.hasKey("tlf_auto_file\\shell\\open\\command"));
  EXPECT_EQ(denied.calls.back(), error);

  MemoryRegistry foreign;  // another program's verb keeps the ProgID
  foreign.addKey("tlf_auto_file\\shell\\print\\command", "print.exe");
  RunRemoverSequence(foreign.host(), FakeAsk);
  EXPECT_EQ(foreign.calls.back(), error);
  EXPECT_EQ(foreign.openHandles(), 0);
}

}  // namespace
