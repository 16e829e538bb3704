// The startup import over the in-memory registry and a fake Startup folder: the listing
// and the command split, the order of the import's steps, putting back, and the remover.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "association.h"
#include "fakes/fake_document_host.h"
#include "fakes/memory_registry.h"
#include "startup_import.h"
#include "startup_takeover.h"

namespace {

const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run@";
const std::string kApproved =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
const std::string kRecord = "Software\\Tarvilo\\TakenOver\\";
const std::string kOff = std::string("\x03\0\0\0", 4) + "\x08\x07\x06\x05\x04\x03\x02\x01";

struct FakeFolder {
  std::set<std::string> files;  // every existing path, the Startup folder's too
  std::vector<StartupFile> startup;

  static FakeFolder& Of(void* context) { return *static_cast<FakeFolder*>(context); }
  StartupFolderHost host() {
    StartupFolderHost result;
    result.listStartupFolder = [](void* context, VisitStartupFileFn visit, void* visitContext) {
      for (const StartupFile& file : Of(context).startup) visit(visitContext, file);
    };
    result.startupFileExists = [](void* context, const char* name) {
      return Of(context).files.count(std::string("S:\\") + name) > 0;
    };
    result.fileExists = [](void* context, const char* path) {
      return Of(context).files.count(path) > 0;
    };
    result.expandVariables = [](void*, const char* text, char* expanded) {
      std::string out = text;
      for (auto [name, value] :
           {std::pair{"%SystemRoot%", "C:\\Windows"},
            std::pair{"%LOCALAPPDATA%", "C:\\Users\\Someone\\AppData\\Local"}}) {
        std::size_t at = out.find(name);
        if (at != std::string::npos) out.replace(at, std::strlen(name), value);
      }
      return CopyText(expanded, kTextSize, out.c_str());
    };
    result.honoursStartupApproved = [](void*) { return true; };
    result.now = [](void*) { return uint64_t{0x0102030405060708}; };
    result.context = this;
    return result;
  }
  void add(const std::string& name, bool hidden = false) {
    StartupFile file;
    CopyText(file.name, name.c_str());
    CopyText(file.path, ("S:\\" + name).c_str());
    file.hidden = hidden;
    startup.push_back(file);
    files.insert(file.path);
  }
};

std::string Row(const StartupEntry& e) {
  char state[kTextSize];
  StartupStateText(e, state);
  return std::string(e.name) + "|" + e.path + "|" + e.arguments + "|" + e.workFolder + "|" +
         StartupSourceText(e.source) + "|" + state + (e.chosen ? "|x" : "");
}

}  // namespace

// A Run value (REG_EXPAND_SZ when it starts with '%') with the files that exist, and the row
// it lists as: name|path|arguments|working folder|place|state[|checked].
TEST(StartupImport, ListsAndSplitsEachEntryAsWindowsDoes) {
  const std::string local = "C:\\Users\\Someone\\AppData\\Local\\", e228(228, 'e');
  const struct {
    std::string command;
    std::set<std::string> files;
    std::string row;
  } cases[] = {
      {"\"C:\\Program Files\\A\\a.exe\" /min",
       {},
       "|C:\\Program Files\\A\\a.exe|/min|C:\\Program Files\\A\\"},
      {"C:\\Program Files\\A\\a.exe /min",
       {"C:\\Program Files\\A\\a.exe"},
       "|C:\\Program Files\\A\\a.exe|/min|C:\\Program Files\\A\\"},
      {"C:\\My Tools\\b -x  y",
       {"C:\\My Tools\\b.exe", "C:\\My"},
       "|C:\\My|Tools\\b -x  y|C:\\"},
      {"C:\\My Tools\\b -x", {"C:\\My Tools\\b.exe"}, "|C:\\My Tools\\b.exe|-x|C:\\My Tools\\"},
      {"C:\\Gone Away\\c.exe -y", {}, "|C:\\Gone|Away\\c.exe -y|C:\\"},
      {"%SystemRoot%\\d.exe /q",
       {"C:\\Windows\\d.exe"},
       "|C:\\Windows\\d.exe|/q|C:\\Windows\\"},
      // A REG_SZ value is taken as it stands, with no variable expanded.
      {"\"%SystemRoot%\\e.exe\"", {}, "|%SystemRoot%\\e.exe||%SystemRoot%\\"},
      // Expanded to 259 bytes, and to 260.
      {"%LOCALAPPDATA%\\" + e228, {}, "|" + local + e228 + "||" + local},
      {"%LOCALAPPDATA%\\" + e228 + "e", {}, "|||"},
  };
  for (const auto& c : cases) {
    MemoryRegistry registry;
    FakeFolder folder;
    folder.files = c.files;
    registry.values[kRun + "App"] = c.command;
    if (c.command[0] == '%') registry.expandable.insert(kRun + "App");      // REG_EXPAND_SZ
    registry.values[kRun + "tarvilo"] = "\"C:\\TLRun.exe\" \"C:\\a.tlf\"";  // never listed
    StartupList list;
    ListStartupEntries(registry.host(), folder.host(), list);
    ASSERT_EQ(list.count, 1) << c.command;
    bool fits = c.row != "|||";
    std::string place =
        fits ? "|レジストリ|有効|x"
             : "|レジストリ|有効（パスまたはコマンドが259バイトを超えるため取り込めません）";
    EXPECT_EQ(Row(list.entries[0]), "App" + c.row + place) << c.command;
  }
}

// The Startup folder's files, the states read from StartupApproved, and what cannot be
// taken over.
TEST(StartupImport, ListsStatesAndWhatCannotBeTakenOver) {
  MemoryRegistry registry;
  FakeFolder folder;
  folder.add("App.lnk");
  folder.add("run me.bat");
  folder.add("desktop.ini");
  folder.add("secret.lnk", true);
  folder.startup.push_back(folder.startup[0]);
  folder.startup.back().foreign = true;
  registry.values[kRun + "On"] = "on.exe";
  registry.values[kRun + "Off"] = "off.exe";
  registry.values[kRun + "Ours"] = "ours.exe";
  registry.values[kRun + "Odd"] = "odd.exe";
  registry.binaries[kRun + "Bin"] = "x";  // not a command
  registry.binaries[kApproved + "Run@On"] = std::string("\x06\0\0\0", 4);
  registry.binaries[kApproved + "Run@Off"] = kOff;
  registry.binaries[kApproved + "Run@Ours"] = kOff;
  registry.binaries[kRecord + "Run@Ours"] = "";
  registry.values[kApproved + "Run@Odd"] = "text";
  registry.binaries[kApproved + "StartupFolder@App.lnk"] = std::string("\x02\0\0\0", 4);
  StartupList list;
  ListStartupEntries(registry.host(), folder.host(), list);
  std::vector<std::string> rows;
  for (int32_t i = 0; i < list.count; ++i) rows.push_back(Row(list.entries[i]));
  const std::string folderRow = "|S:\\App.lnk|||スタートアップ フォルダ|有効";
  EXPECT_EQ(rows,
            (std::vector<std::string>{
                "Odd|odd.exe|||レジストリ|"
                "有効（スタートアップの設定を読み取れないため取り込めません）",
                "Off|off.exe|||レジストリ|無効", "On|on.exe|||レジストリ|有効|x",
                "Ours|ours.exe|||レジストリ|Tarvilo で無効", "App" + folderRow + "|x",
                "run me|S:\\run me.bat|||スタートアップ フォルダ|有効|x",
                "App" + folderRow + "（Shift_JIS で表せない文字を含むため取り込めません）"}));
}

// The steps in order, each refused or declined in turn: what changed and what did not;
// then one entry put back, and the remover for the rest (one of them stale by then).
TEST(StartupImport, StepsStopAtTheFirstRefusalAndPutBackExactly) {
  const std::string before2("\x02\0\0\0", 4), before6("\x06\0\0\0\x01", 5),
      stop = "取り込みを止めました（";
  enum Refusal { kAll, kFull, kNoSave, kSaveFails, kNoLogon, kLogonFails, kNoSwitch, kKept };
  const struct {
    Refusal refusal;
    ImportStop stop;
    int items;  // items in the schedule afterwards
    bool saved, logon, switched;
    std::string message;  // its first line
  } cases[] = {
      {kAll, ImportStop::kNone, 4, true, true, true, ""},
      {kKept, ImportStop::kNone, 4, false, false, false, ""},
      {kFull, ImportStop::kAdd, 0, false, false, false, stop + "アイテムの追加）。"},
      {kNoSave, ImportStop::kSave, 4, false, false, false, stop + "スケジュールの保存）。"},
      {kSaveFails, ImportStop::kSave, 4, false, false, false, stop + "スケジュールの保存）。"},
      {kNoLogon, ImportStop::kLogon, 4, true, false, false,
       stop + "ログオン時に実行の登録）。"},
      {kLogonFails, ImportStop::kLogon, 4, true, false, false,
       stop + "ログオン時に実行の登録）。"},
      {kNoSwitch, ImportStop::kSwitchOff, 4, true, true, false,
       stop + "Windows のスタートアップの無効化）。"},
  };
  for (const auto& c : cases) {
    MemoryRegistry registry;
    FakeFolder folder;
    FakeDocumentHost fake;
    EditorDocument document;
    document.host = fake.host();
    fake.files["C:\\App\\TLRun.exe"] = "";
    fake.savePaths = {c.refusal == kNoSave ? "" : "C:\\plan"};
    if (c.refusal == kSaveFails) fake.unwritable = {"C:\\plan.tlf"};
    if (c.refusal == kFull) document.schedule.itemCount = kMaxScheduleItems - 3;
    const std::string other = "\"C:\\App\\TLRun.exe\" \"D:\\other.tlf\"";
    if (c.refusal == kNoLogon) registry.values[kRun + "Tarvilo"] = other;
    fake.answers = {c.refusal != kNoLogon};
    if (c.refusal == kLogonFails) registry.failPath(RegCall::kSet, kRun + "Tarvilo");
    if (c.refusal == kNoSwitch)
      registry.failPath(RegCall::kSet, kApproved + "StartupFolder@b.lnk");
    registry.values[kRun + "One"] = "one.exe";
    registry.values[kRun + "Two"] = "two.exe -a";
    registry.values[kRun + "Three"] = "three.exe";
    registry.binaries[kApproved + "Run@One"] = before2;
    registry.binaries[kApproved + "Run@Two"] = before6;
    folder.add("b.lnk");
    const auto binaries = registry.binaries;
    StartupList list;
    ListStartupEntries(registry.host(), folder.host(), list);
    EXPECT_EQ(ImportStartupEntries(document, registry.host(), folder.host(), list,
                                   c.refusal != kKept, "C:\\App\\TLSet.exe"),
              c.stop);
    if (c.refusal == kFull) document.schedule.itemCount = 0;
    EXPECT_EQ(document.schedule.itemCount, c.items) << c.refusal;
    const ScheduleItem* two = document.schedule.at(2);  // the items in list order, 5 s each
    EXPECT_EQ(
        two ? two->name + std::string(two->arguments) + std::to_string(two->delaySeconds) : "",
        c.items > 0 ? "Two-a5" : "");
    EXPECT_EQ(fake.files.count("C:\\plan.tlf") > 0, c.saved) << c.refusal;
    EXPECT_EQ(
        registry.values.count(kRun + "Tarvilo") && registry.values[kRun + "Tarvilo"] != other,
        c.logon);
    std::string shown = fake.messages.empty() ? "" : fake.messages.back().text;
    EXPECT_EQ(shown.substr(0, shown.find('\n')), c.message) << c.refusal;
    EXPECT_TRUE(c.switched || registry.binaries == binaries) << c.refusal;
    if (!c.switched) {
      FreeDocument(document);
      continue;
    }
    for (const char* name : {"Run@One", "Run@Two", "Run@Three", "StartupFolder@b.lnk"}) {
      EXPECT_EQ(registry.binaries[kApproved + name], kOff) << name;
    }
    EXPECT_EQ(registry.binaries[kRecord + "Run@One"], before2);
    EXPECT_EQ(registry.binaries[kRecord + "Run@Two"], before6);
    EXPECT_EQ(registry.binaries[kRecord + "Run@Three"], "");
    ListStartupEntries(registry.host(), folder.host(), list);
    EXPECT_EQ(Row(list.entries[0]), "One|one.exe|||レジストリ|Tarvilo で無効");
    EXPECT_TRUE(PutBackEntry(registry.host(), folder.host(), StartupSource::kRun, "Two"));
    EXPECT_EQ(registry.binaries.count(kRecord + "Run@Two"), 0u);
    registry.values.erase(kRun + "One");
    folder.files.clear();
    static std::string question;
    RunRemoverSequence(registry.host(), folder.host(), [](const char* text, const char*) {
      question = text;
      return true;
    });
    const std::string line = "\nスタートアップから取り込んだプログラムを元の設定に戻";
    EXPECT_NE(question.find(line + "します。\nなお"), std::string::npos);
    EXPECT_NE(registry.messages.back().text.find(line + "しました。\nアプリ"),
              std::string::npos);
    auto expected = binaries;
    expected[kApproved + "Run@One"] = kOff;  // its Run value is gone: only the record goes
    expected[kApproved + "StartupFolder@b.lnk"] = kOff;
    EXPECT_EQ(registry.binaries, expected);
    EXPECT_FALSE(HasTakenOverRecords(registry.host()));
    FreeDocument(document);
  }
}

// An entry that is off already keeps its own bytes and date, and its record is the only one;
// entries left unchosen are not touched; a put-back the registry refuses is no success, and
// its record stays for another try. The default value is never listed, a name that only
// starts with "Tarvilo" is, and a shortcut is named without its extension.
TEST(StartupImport, AnEntryOffAlreadyAndARefusedPutBack) {
  const std::string offSince =
      std::string("\x03\0\0\0", 4) + "\x11\x22\x33\x44\x55\x66\x77\x01";
  MemoryRegistry registry;
  FakeFolder folder;
  registry.values[kRun + "Off"] = "off.exe";
  registry.values[kRun + "TarviloX"] = "x.exe";
  registry.values[kRun] = "default.exe";
  registry.binaries[kApproved + "Run@Off"] = offSince;
  folder.add("b.lnk");
  StartupList list;
  ListStartupEntries(registry.host(), folder.host(), list);
  std::set<std::string> names;
  for (int i = 0; i < list.count; ++i) {
    names.insert(list.entries[i].name);
    list.entries[i].chosen =
        names.count("Off") > 0 && std::string(list.entries[i].name) == "Off";
  }
  EXPECT_EQ(names, (std::set<std::string>{"Off", "TarviloX", "b"}));
  EXPECT_TRUE(SwitchOffChosen(registry.host(), folder.host(), list));
  EXPECT_EQ(registry.binaries[kApproved + "Run@Off"], offSince);
  EXPECT_EQ(registry.binaries[kRecord + "Run@Off"], offSince);
  EXPECT_EQ(registry.binaries.size(), 2u);  // nothing for the unchosen entries
  EXPECT_TRUE(HasTakenOverRecords(registry.host()));
  registry.failPath(RegCall::kSet, kApproved + "Run@Off");
  EXPECT_FALSE(PutBackAllTakenOver(registry.host(), folder.host()));
  EXPECT_TRUE(HasTakenOverRecords(registry.host()));
}
