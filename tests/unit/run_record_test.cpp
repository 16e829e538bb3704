// The run record over a fake file host and clock, the reasons of failed launches, and what
// the runner says of a schedule it cannot read.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "fakes/fake_sequencer_host.h"
#include "fakes/test_files.h"
#include "launch_reason.h"
#include "run_record.h"
#include "runner_load.h"

namespace {

// Files by path and a clock that moves one second each time it is read.
struct FakeRecordFiles {
  std::map<std::string, std::string> files;
  int32_t second = 0;
  bool appendRefused = false;
  bool renameRefused = false;

  static FakeRecordFiles& Of(void* context) { return *static_cast<FakeRecordFiles*>(context); }
  RunRecordHost host() {
    return RunRecordHost{
        [](void* context) { return RecordTime{2026, 12, 9, 8, 30, Of(context).second++}; },
        [](void* context, const char* path) -> uint64_t {
          auto found = Of(context).files.find(path);
          return found == Of(context).files.end() ? 0 : found->second.size();
        },
        [](void* context, const char* path, const char* bytes, std::size_t size) {
          if (Of(context).appendRefused) return false;
          Of(context).files[path].append(bytes, size);
          return true;
        },
        [](void* context, const char* from, const char* to) {
          FakeRecordFiles& fake = Of(context);
          if (fake.renameRefused || fake.files.count(from) == 0) return false;
          fake.files[to] = fake.files[from];
          fake.files.erase(from);
          return true;
        },
        this};
  }
};

const char kLog[] = "C:\\Users\\me\\AppData\\Local\\Tarvilo\\run.log";
const char kOldLog[] = "C:\\Users\\me\\AppData\\Local\\Tarvilo\\run.old.log";

ScheduleItem Item(const char* name, const char* path, int32_t delaySeconds) {
  ScheduleItem item;
  item.construct(name, path, "", "", delaySeconds, 0);
  return item;
}

}  // namespace

// A run with a launch, a stop, a resume, a failure and its end, as the record tells it; a
// record that cannot be written changes nothing of the run.
TEST(RunRecord, LinesOfARun) {
  for (bool refused : {false, true}) {
    FakeRecordFiles files;
    files.appendRefused = refused;
    RunRecord record;
    ASSERT_TRUE(RunRecordOpen(record, files.host(), "C:\\Users\\me\\AppData\\Local"));
    FakeRecordFiles closedFiles;  // a run closed after its first launch
    RunRecord closed;
    ASSERT_TRUE(RunRecordOpen(closed, closedFiles.host(), "C:\\closed"));
    RunRecord none;
    EXPECT_FALSE(RunRecordOpen(none, closedFiles.host(), "")) << "no folder, no record";
    ScheduleItem items[] = {Item("メモ帳", "C:\\Windows\\notepad.exe", 1),
                            Item("ない", "C:\\no\\such.exe", 2)};
    items[0].next = &items[1];
    FakeSequencerHost fake;
    fake.failing = {"ない"};
    fake.reasons = {{"ない", "ファイルが見つかりません。"}};
    fake.onReport = [&record](const SequencerReport& report) {
      RecordSequencerReport(record, report);
    };
    LaunchSequencer sequencer;
    sequencer.host = fake.host();
    RecordRunStart(record, "C:\\予定\\朝.tlf");
    SequencerStart(sequencer, &items[0]);
    fake.advance(sequencer, 1000);
    RecordRunClosed(closed, sequencer);  // closed here: one item not started
    SequencerStop(sequencer);
    SequencerResume(sequencer);
    fake.advance(sequencer, 2000);
    RecordRunClosed(record, sequencer);  // after the last launch: nothing more
    EXPECT_EQ(fake.launchedNames(), (std::vector<std::string>{"メモ帳", "ない"}));
    EXPECT_EQ(files.files[kLog], refused ? ""
                                         : "2026-12-09 08:30:00 実行開始 C:\\予定\\朝.tlf\r\n"
                                           "2026-12-09 08:30:01 起動 メモ帳 "
                                           "(C:\\Windows\\notepad.exe)\r\n"
                                           "2026-12-09 08:30:02 停止\r\n"
                                           "2026-12-09 08:30:03 再開\r\n"
                                           "2026-12-09 08:30:04 失敗 ない (C:\\no\\such.exe): "
                                           "ファイルが見つかりません。\r\n"
                                           "2026-12-09 08:30:05 実行終了\r\n");
    EXPECT_EQ(closedFiles.files["C:\\closed\\Tarvilo\\run.log"],
              "2026-12-09 08:30:00 実行中止 (未起動 1 件)\r\n");
    SequencerEnd(sequencer);
  }
}

// Past 256 KB the record becomes run.old.log, replacing an older one, before the next
// line; a refused rename leaves the record growing.
TEST(RunRecord, Rotation) {
  struct Case {
    std::size_t size;
    bool olderThere, renameRefused, rotated;
  };
  const Case cases[] = {{262144, true, false, false},
                        {262145, false, false, true},
                        {262145, true, false, true},
                        {262145, true, true, false}};
  const std::string line = "2026-12-09 08:30:00 再開\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeRecordFiles files;
    files.renameRefused = c.renameRefused;
    const std::string full(c.size, 'x');
    files.files[kLog] = full;
    if (c.olderThere) files.files[kOldLog] = "older";
    RunRecord record;
    RunRecordOpen(record, files.host(), "C:\\Users\\me\\AppData\\Local");
    RecordSequencerReport(record, SequencerReport{SequencerEvent::kResumed});
    EXPECT_EQ(files.files[kLog], c.rotated ? line : full + line);
    EXPECT_EQ(files.files[kOldLog], c.rotated ? full : c.olderThere ? "older" : "");
  }
}

// A text's line breaks become blanks; a text too long for the line is cut at a whole
// character and the line still ends with CR LF.
TEST(RunRecord, LineFormat) {
  char line[40];
  FormatRecordLine(RecordTime{987, 1, 2, 3, 4, 5}, "表表表\n表表表表表表", line, sizeof line);
  EXPECT_STREQ(line, "0987-01-02 03:04:05 表表表 表表表表表\r\n");
}

TEST(LaunchReason, SystemMessageAndTip) {
  struct Case {
    const char* message;
    const char* reason;
    const char* tip;
  };
  const Case cases[] = {
      {"ファイルが見つかりません。\r\n", "ファイルが見つかりません。",
       "C:\\a.exe\nファイルが見つかりません。"},
      {"アクセスが拒否されました。 \r\n", "アクセスが拒否されました。",
       "C:\\a.exe\nアクセスが拒否されました。"},
      {"one\r\ntwo\r\n", "one\r\ntwo", "C:\\a.exe\none\r\ntwo"},
      {"%1 の EXE フォーマットが不正です。\r\n", "C:\\a.exe の EXE フォーマットが不正です。",
       "C:\\a.exe\nC:\\a.exe の EXE フォーマットが不正です。"},
      {"", "", "C:\\a.exe"},
  };
  for (const Case& c : cases) {
    char reason[kTextSize];
    char tip[kTextSize * 2];
    SystemMessageReason(c.message, "C:\\a.exe", reason);
    EXPECT_STREQ(reason, c.reason);
    FailureTipText("C:\\a.exe", reason, tip, sizeof tip);
    EXPECT_STREQ(tip, c.tip);
  }
}

TEST(RunnerLoad, FailureTexts) {
  const std::pair<FileProblem, std::string> cases[] = {
      {FileProblem::kNotFound, "スケジュールファイルが見つかりません。\nE:\\usb.tlf"},
      {FileProblem::kFailed, "スケジュールファイルを読み込めません。\nE:\\usb.tlf"},
      {FileProblem::kTooLarge, "ファイルが大きすぎるため読み込めません。\nE:\\usb.tlf"},
      {FileProblem::kTooManyItems,
       "アイテムが100000個を超えるため読み込めません。\nE:\\usb.tlf"},
  };
  for (const auto& c : cases) {
    char message[kTextSize * 2];
    RunnerLoadFailureText(c.first, "E:\\usb.tlf", message, sizeof message);
    EXPECT_EQ(message, c.second);
  }
  // Missing by the reader's rule: a file or folder that is not there; not a file that is.
  const std::string there = ::testing::TempDir() + "tarvilo-missing-test.tlf";
  ASSERT_TRUE(WriteFileBytes(there, "true\r\n"));
  EXPECT_FALSE(ScheduleFileMissing(there.c_str()));
  EXPECT_TRUE(ScheduleFileMissing((there + ".absent").c_str()));
  EXPECT_TRUE(ScheduleFileMissing((there + ".absent/plan.tlf").c_str()));
  EXPECT_FALSE(ScheduleFileMissing(""));
  std::remove(there.c_str());
}
