// The schedule file: the writer's exact bytes, both readers on good, odd and damaged files,
// and the safe replacement of the old file on save.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "schedule_file.h"

namespace fs = std::filesystem;

namespace {

struct Record {
  std::string name, path, arguments, workFolder;
  int32_t delay;
  int32_t flag;
};

const char kWorkedExample[] =
    "false\r\ntrue\r\n\r\n2\r\n\r\n"
    "Mail\r\nC:\\Program Files\\Mail\\mail.exe\r\nnn\r\nnn\r\nfalse\r\n0\r\n\r\n"
    "Backup\r\nBACKUP_TOOL\r\n/quiet\r\nD:\\Backup\r\ntrue\r\n30\r\n\r\n";

// The list the worked example describes; freed with the fixture.
struct ListHolder {
  ScheduleList list;
  ~ListHolder() { list.clear(); }
  void add(const char* name, const char* path, const char* arguments, const char* folder,
           int32_t delay, int32_t flag) {
    list.append(NewScheduleItem(name, path, arguments, folder, delay, flag));
    ++list.itemCount;
  }
};

void FillWorkedExample(ListHolder& holder) {
  holder.add("Mail", "C:\\Program Files\\Mail\\mail.exe", "", "", 0, 0);
  holder.add("Backup", "BACKUP_TOOL", "/quiet", "D:\\Backup", 30, 1);
}

// The items of a list, checking on the way that the walk agrees with the item count.
std::vector<Record> Records(const ScheduleList& list) {
  std::vector<Record> records;
  for (const ScheduleItem* item = list.head; item != nullptr; item = item->next) {
    records.push_back(Record{item->name, item->path, item->arguments, item->workFolder,
                             item->delaySeconds, item->pathIsEnvVar});
  }
  EXPECT_EQ(static_cast<int32_t>(records.size()), list.itemCount);
  return records;
}

std::vector<Record> ParseEditor(const std::string& bytes, ScheduleOptions* options = nullptr) {
  ListHolder holder;
  ScheduleOptions read;
  ParseScheduleText(bytes.data(), bytes.size(), holder.list, read);
  if (options != nullptr) *options = read;
  return Records(holder.list);
}

std::vector<Record> ParseRunner(const std::string& bytes) {
  ListHolder holder;
  ParseRunnerScheduleText(bytes.data(), bytes.size(), holder.list);
  return Records(holder.list);
}

ScheduleOptions RunnerOptions(const std::string& bytes) {
  return ParseRunnerOptionsText(bytes.data(), bytes.size());
}

std::string Header(int count) {
  return "false\r\nfalse\r\n\r\n" + std::to_string(count) + "\r\n\r\n";
}

std::string RecordText(const std::string& name, const std::string& flag = "false",
                       const std::string& delay = "1") {
  return name + "\r\nC:\\" + name + ".exe\r\nnn\r\nnn\r\n" + flag + "\r\n" + delay + "\r\n\r\n";
}

// A private folder under the system's temporary folder, removed afterwards.
struct TempFolder {
  fs::path folder;
  TempFolder() {
    folder = fs::temp_directory_path() /
             ("tarvilo-schedule-test-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  std::string file(const char* name) const { return (folder / name).string(); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return "<missing>";
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  std::fclose(file);
  return bytes;
}

void ExpectWorkedExampleItems(const std::vector<Record>& records) {
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, "Mail");
  EXPECT_EQ(records[0].path, "C:\\Program Files\\Mail\\mail.exe");
  EXPECT_EQ(records[0].arguments, "");
  EXPECT_EQ(records[0].workFolder, "");
  EXPECT_EQ(records[0].flag, 0);
  EXPECT_EQ(records[0].delay, 0);
  EXPECT_EQ(records[1].name, "Backup");
  EXPECT_EQ(records[1].path, "BACKUP_TOOL");
  EXPECT_EQ(records[1].arguments, "/quiet");
  EXPECT_EQ(records[1].workFolder, "D:\\Backup");
  EXPECT_EQ(records[1].flag, 1);
  EXPECT_EQ(records[1].delay, 30);
}

}  // namespace

TEST(ScheduleFileWriter, WorkedExampleByteForByte) {
  ListHolder holder;
  FillWorkedExample(holder);
  ScheduleOptions options;
  options.exitAfterRun = true;
  std::string bytes = FormatScheduleFile(holder.list, options);
  EXPECT_EQ(bytes.size(), 130u);
  const unsigned char kFirst20[] = {0x66, 0x61, 0x6C, 0x73, 0x65, 0x0D, 0x0A, 0x74, 0x72, 0x75,
                                    0x65, 0x0D, 0x0A, 0x0D, 0x0A, 0x32, 0x0D, 0x0A, 0x0D, 0x0A};
  EXPECT_EQ(bytes.substr(0, 20), std::string(reinterpret_cast<const char*>(kFirst20), 20));
  EXPECT_EQ(bytes, kWorkedExample);

  ListHolder empty;
  EXPECT_EQ(FormatScheduleFile(empty.list, ScheduleOptions{}),
            "false\r\nfalse\r\n\r\n0\r\n\r\n");
  EXPECT_EQ(FormatScheduleFile(empty.list, ScheduleOptions{}).size(), 21u);
}

TEST(ScheduleFileWriter, WriteAndReadBackWithBothReaders) {
  TempFolder temp;
  std::string path = temp.file("plan.tlf");
  ListHolder holder;
  FillWorkedExample(holder);
  ScheduleOptions options;
  options.exitAfterRun = true;
  ASSERT_TRUE(WriteScheduleFile(path.c_str(), holder.list, options));
  EXPECT_EQ(ReadBytes(path), kWorkedExample);
  EXPECT_EQ(temp.entries(), std::vector<std::string>{"plan.tlf"});  // no temporary left

  ListHolder editor;
  ScheduleOptions read;
  read.showRunnerWindow = true;
  ASSERT_TRUE(LoadScheduleFile(path.c_str(), editor.list, read));
  EXPECT_FALSE(read.showRunnerWindow);
  EXPECT_TRUE(read.exitAfterRun);
  ExpectWorkedExampleItems(Records(editor.list));
  EXPECT_STREQ(editor.list.head->fileName, "mail.exe");

  ListHolder runner;
  ASSERT_TRUE(LoadRunnerSchedule(path.c_str(), runner.list));
  ExpectWorkedExampleItems(Records(runner.list));
  ScheduleOptions runnerOptions = ReadRunnerOptions(path.c_str());
  EXPECT_FALSE(runnerOptions.showRunnerWindow);
  EXPECT_TRUE(runnerOptions.exitAfterRun);

  // Saving again replaces the file whole.
  holder.list.removeAt(0);
  ASSERT_TRUE(WriteScheduleFile(path.c_str(), holder.list, ScheduleOptions{}));
  EXPECT_EQ(ReadBytes(path).substr(0, 21), "false\r\nfalse\r\n\r\n1\r\n\r\n");
  EXPECT_EQ(temp.entries().size(), 1u);
}

TEST(ScheduleFileWriter, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
  TempFolder temp;
  ListHolder holder;
  FillWorkedExample(holder);
  // The target is a folder: nothing may replace it.
  std::string folderTarget = temp.file("taken.tlf");
  fs::create_directory(folderTarget);
  WriteBytes(temp.file("taken.tlf/inside.txt"), "keep");
  EXPECT_FALSE(WriteScheduleFile(folderTarget.c_str(), holder.list, ScheduleOptions{}));
  EXPECT_TRUE(fs::is_directory(folderTarget));
  EXPECT_EQ(ReadBytes(temp.file("taken.tlf/inside.txt")), "keep");
  EXPECT_EQ(temp.entries(), std::vector<std::string>{"taken.tlf"});
  // The folder does not exist.
  std::string missing = temp.file("no-such-folder/plan.tlf");
  EXPECT_FALSE(WriteScheduleFile(missing.c_str(), holder.list, ScheduleOptions{}));
  EXPECT_FALSE(fs::exists(temp.file("no-such-folder")));
  EXPECT_FALSE(WriteScheduleFile("", holder.list, ScheduleOptions{}));
}

TEST(ScheduleFileWriter, SaveDoesNotReuseAnExistingFileAsItsTemporary) {
  TempFolder temp;
  WriteBytes(temp.file("~tlsave0.tmp"), "user data");
  ListHolder holder;
  FillWorkedExample(holder);
  ASSERT_TRUE(WriteScheduleFile(temp.file("plan.tlf").c_str(), holder.list, {}));
  EXPECT_EQ(ReadBytes(temp.file("~tlsave0.tmp")), "user data");
  EXPECT_EQ(temp.entries().size(), 2u);
}

TEST(ScheduleFileReader, MissingFile) {
  TempFolder temp;
  ListHolder holder;
  FillWorkedExample(holder);
  ScheduleOptions options;
  options.showRunnerWindow = true;
  options.exitAfterRun = true;
  std::string path = temp.file("absent.tlf");
  EXPECT_FALSE(LoadScheduleFile(path.c_str(), holder.list, options));
  EXPECT_EQ(holder.list.head, nullptr);
  EXPECT_EQ(holder.list.itemCount, 0);
  EXPECT_TRUE(options.showRunnerWindow);  // kept as they were
  EXPECT_TRUE(options.exitAfterRun);
  EXPECT_FALSE(LoadRunnerSchedule(path.c_str(), holder.list));
  EXPECT_EQ(holder.list.itemCount, 0);
  ScheduleOptions runner = ReadRunnerOptions(path.c_str());
  EXPECT_FALSE(runner.showRunnerWindow);
  EXPECT_FALSE(runner.exitAfterRun);
}

TEST(ScheduleFileReader, NnMarkerAndEmptyTexts) {
  ListHolder holder;
  holder.add("A", "a.exe", "nn", "", 0, 0);
  holder.add("B", "b.exe", "", "nn", 0, 0);
  holder.add("C", "c.exe", "nnn", "n", 0, 0);
  std::string bytes = FormatScheduleFile(holder.list, {});
  EXPECT_NE(bytes.find("A\r\na.exe\r\nnn\r\nnn\r\n"), std::string::npos);
  std::vector<Record> records = ParseEditor(bytes);
  ASSERT_EQ(records.size(), 3u);
  // "nn" is the marker, so a text that is exactly nn comes back empty, as designed.
  EXPECT_EQ(records[0].arguments, "");
  EXPECT_EQ(records[1].workFolder, "");
  EXPECT_EQ(records[2].arguments, "nnn");
  EXPECT_EQ(records[2].workFolder, "n");
}

TEST(ScheduleFileReader, LeadingWhiteSpaceOfANameIsSkipped) {
  std::string bytes = Header(2) + RecordText(" \tFirst") + RecordText("  Second");
  for (const auto& records : {ParseEditor(bytes), ParseRunner(bytes)}) {
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name, "First");
    EXPECT_EQ(records[0].path, "C:\\ \tFirst.exe");
    EXPECT_EQ(records[1].name, "Second");
  }
}

TEST(ScheduleFileReader, CountLine) {
  std::string three = RecordText("A") + RecordText("B") + RecordText("C");
  EXPECT_TRUE(ParseEditor(Header(0) + three).empty());
  EXPECT_TRUE(ParseEditor(Header(-2) + three).empty());
  EXPECT_TRUE(ParseRunner(Header(-2) + three).empty());
  EXPECT_EQ(ParseEditor(Header(2) + three).size(), 2u);
  EXPECT_EQ(ParseRunner(Header(2) + three).size(), 2u);
  EXPECT_TRUE(ParseEditor("false\r\nfalse\r\n\r\nabc\r\n\r\n" + three).empty());
  EXPECT_TRUE(ParseRunner("false\r\nfalse\r\n").empty());
  // A huge count over a short file gives just the records present.
  EXPECT_EQ(ParseEditor(Header(2147483647) + three).size(), 3u);
  EXPECT_EQ(ParseEditor("false\nfalse\n\n99999999999999999999\n\n" + three).size(), 3u);
}

TEST(ScheduleFileReader, OptionWordsInTheEditor) {
  ScheduleOptions options;
  ParseEditor("true\r\ntrue\r\n\r\n0\r\n\r\n", &options);
  EXPECT_TRUE(options.showRunnerWindow);
  EXPECT_TRUE(options.exitAfterRun);
  for (const char* off : {"True", "TRUE", "truex", "xtrue", "false", "1"}) {
    ParseEditor(std::string(off) + "\r\n" + off + "\r\n\r\n0\r\n\r\n", &options);
    EXPECT_FALSE(options.showRunnerWindow) << off;
    EXPECT_FALSE(options.exitAfterRun) << off;
  }
  // White space around the word does not matter to the editor.
  ParseEditor("  true \r\n\ttrue\t\r\n\r\n0\r\n\r\n", &options);
  EXPECT_TRUE(options.showRunnerWindow);
  EXPECT_TRUE(options.exitAfterRun);
  // An embedded NUL does not make a word "true".
  ParseEditor(std::string("true\0x\r\ntrue\r\n", 14), &options);
  EXPECT_FALSE(options.showRunnerWindow);
  EXPECT_TRUE(options.exitAfterRun);
  // A missing second option is off, and a word of 300 bytes is read whole.
  ParseEditor("true", &options);
  EXPECT_TRUE(options.showRunnerWindow);
  EXPECT_FALSE(options.exitAfterRun);
  std::vector<Record> records = ParseEditor(
      std::string(300, 't') + "\r\ntrue\r\n\r\n1\r\n\r\n" + RecordText("A"), &options);
  EXPECT_FALSE(options.showRunnerWindow);
  EXPECT_TRUE(options.exitAfterRun);
  EXPECT_EQ(records.size(), 1u);
}

TEST(ScheduleFileReader, RunnerOptionLinesMustBeExactlyTrue) {
  EXPECT_TRUE(RunnerOptions("true\r\ntrue\r\n").showRunnerWindow);
  EXPECT_TRUE(RunnerOptions("true\r\ntrue\r\n").exitAfterRun);
  EXPECT_TRUE(RunnerOptions("true\nfalse\n").showRunnerWindow);
  EXPECT_FALSE(RunnerOptions("true\nfalse\n").exitAfterRun);
  ScheduleOptions blank = RunnerOptions("true \r\n true\r\n");
  EXPECT_FALSE(blank.showRunnerWindow);
  EXPECT_FALSE(blank.exitAfterRun);
  EXPECT_FALSE(RunnerOptions("TRUE\r\nTrue\r\n").showRunnerWindow);
  EXPECT_FALSE(RunnerOptions("true").showRunnerWindow);  // no line feed
  EXPECT_FALSE(RunnerOptions("").showRunnerWindow);
  EXPECT_FALSE(RunnerOptions("false\r\ntrue").exitAfterRun);
  // A lone CR stays part of the line.
  EXPECT_FALSE(RunnerOptions("true\r\r\n").showRunnerWindow);
  // A first line longer than the 29-byte read goes on into the second read, as with fgets.
  ScheduleOptions longLine = RunnerOptions(std::string(29, 'x') + "true\r\ntrue\r\n");
  EXPECT_FALSE(longLine.showRunnerWindow);
  EXPECT_TRUE(longLine.exitAfterRun);
}

TEST(ScheduleFileReader, BareLineFeedsReadTheSame) {
  std::string bare;
  for (const char* c = kWorkedExample; *c != '\0'; ++c) {
    if (*c != '\r') bare += *c;
  }
  ScheduleOptions options;
  ExpectWorkedExampleItems(ParseEditor(bare, &options));
  EXPECT_TRUE(options.exitAfterRun);
  ExpectWorkedExampleItems(ParseRunner(bare));
  EXPECT_TRUE(RunnerOptions(bare).exitAfterRun);
}

TEST(ScheduleFileReader, ByteOneAEndsTheFile) {
  std::string bytes = Header(3) + RecordText("A") + RecordText("B") + "\x1A" + RecordText("C");
  EXPECT_EQ(ParseEditor(bytes).size(), 2u);
  EXPECT_EQ(ParseRunner(bytes).size(), 2u);
  EXPECT_FALSE(RunnerOptions("\x1Atrue\r\ntrue\r\n").exitAfterRun);
  // Written texts stop before such a byte, so a save never hides the records after it.
  ListHolder holder;
  holder.add("A\032B", "a.exe", "", "", 0, 0);
  holder.add("C", "c.exe", "", "", 0, 0);
  std::vector<Record> records = ParseEditor(FormatScheduleFile(holder.list, {}));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, "A");
}

TEST(ScheduleFileReader, FlagLines) {
  std::string bytes = Header(4) + RecordText("A", "yes") + RecordText("B", "true") +
                      RecordText("C", "TRUE") + RecordText("D", "false");
  for (const auto& records : {ParseEditor(bytes), ParseRunner(bytes)}) {
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].flag, 0);  // no previous record: off
    EXPECT_EQ(records[1].flag, 1);
    EXPECT_EQ(records[2].flag, 1);  // neither marker: the previous record's flag
    EXPECT_EQ(records[3].flag, 0);
  }
}

TEST(ScheduleFileReader, DelayLines) {
  std::string bytes = Header(5) + RecordText("A", "false", "abc") +
                      RecordText("B", "false", "") + RecordText("C", "false", "99999999999") +
                      RecordText("D", "false", "-99999999999") +
                      RecordText("E", "false", " -7 ");
  for (const auto& records : {ParseEditor(bytes), ParseRunner(bytes)}) {
    ASSERT_EQ(records.size(), 5u);
    // A delay line without a number gives 0 and the records after it stay in place.
    EXPECT_EQ(records[0].delay, 0);
    EXPECT_EQ(records[1].name, "B");
    EXPECT_EQ(records[1].delay, 0);
    EXPECT_EQ(records[2].name, "C");
    EXPECT_EQ(records[2].delay, 2147483647);
    EXPECT_EQ(records[3].delay, -2147483647 - 1);
    EXPECT_EQ(records[4].name, "E");
    EXPECT_EQ(records[4].delay, -7);
  }
}

TEST(ScheduleFileReader, LongTexts) {
  std::string text258(258, 'x');
  text258[0] = 'A';
  std::string text259 = std::string(259, 'y');
  std::string cutAtCharacter = std::string(257, 'z') + "\x95\x5C";  // 表 at bytes 258-259
  ListHolder holder;
  holder.add(text258.c_str(), text258.c_str(), text258.c_str(), text258.c_str(), 1, 1);
  holder.add(text259.c_str(), cutAtCharacter.c_str(), "a\nb", "c\r", 2, 0);
  std::string bytes = FormatScheduleFile(holder.list, {});
  for (const auto& records : {ParseEditor(bytes), ParseRunner(bytes)}) {
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name, text258);
    EXPECT_EQ(records[0].path, text258);
    EXPECT_EQ(records[0].arguments, text258);
    EXPECT_EQ(records[0].workFolder, text258);
    EXPECT_EQ(records[1].name, std::string(258, 'y'));
    EXPECT_EQ(records[1].path, std::string(257, 'z'));  // never half a character
    EXPECT_EQ(records[1].arguments, "a");               // only the text before its line feed
    EXPECT_EQ(records[1].workFolder, "c\r");
    EXPECT_EQ(records[1].delay, 2);
  }
}

TEST(ScheduleFileReader, LinesOf259BytesOrMoreAreReadInPieces) {
  std::string longName(300, 'n');
  std::string bytes = Header(2) + longName + "\r\nC:\\a.exe\r\nnn\r\nnn\r\nfalse\r\n5\r\n\r\n" +
                      RecordText("B");
  for (const auto& records : {ParseEditor(bytes), ParseRunner(bytes)}) {
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records[0].name, std::string(259, 'n'));
    EXPECT_EQ(records[0].path, std::string(41, 'n'));
  }
}

TEST(ScheduleFileReader, EveryPrefixOfAGoodFileGivesOnlyCompleteRecords) {
  std::string full = Header(3) + RecordText("Alpha", "true", "12") +
                     RecordText("Beta", "false", "340") + RecordText("Gamma", "true", "5");
  std::vector<Record> all = ParseEditor(full);
  ASSERT_EQ(all.size(), 3u);
  // Where each record's delay starts: a prefix holds a record once it reaches that byte.
  std::vector<std::size_t> delayStarts;
  for (const char* delay : {"\r\n12\r\n", "\r\n340\r\n", "\r\n5\r\n"}) {
    delayStarts.push_back(full.find(delay) + 2);
  }
  for (std::size_t length = 0; length <= full.size(); ++length) {
    std::string prefix = full.substr(0, length);
    std::size_t expected = 0;
    while (expected < 3 && delayStarts[expected] < length) ++expected;
    for (const auto& records : {ParseEditor(prefix), ParseRunner(prefix)}) {
      ASSERT_EQ(records.size(), expected) << "prefix of " << length << " bytes";
      for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].name, all[i].name);
        EXPECT_EQ(records[i].path, all[i].path);
        EXPECT_EQ(records[i].flag, all[i].flag);
        if (i + 1 < records.size()) {
          EXPECT_EQ(records[i].delay, all[i].delay);
        }
      }
    }
  }
}

TEST(ScheduleFileReader, RunnerAppendsToItsList) {
  ListHolder holder;
  holder.add("Existing", "e.exe", "", "", 0, 0);
  std::string bytes = Header(1) + RecordText("A");
  ParseRunnerScheduleText(bytes.data(), bytes.size(), holder.list);
  std::vector<Record> records = Records(holder.list);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].name, "A");
  EXPECT_EQ(holder.list.head->next->prev, holder.list.head);
}

TEST(ScheduleFileReader, StripNewline) {
  char text[kTextSize] = "abc\ndef\n";
  StripNewline(text);
  EXPECT_STREQ(text, "abc");
  char plain[kTextSize] = "abc";
  StripNewline(plain);
  EXPECT_STREQ(plain, "abc");
  char empty[kTextSize] = "";
  StripNewline(empty);
  EXPECT_STREQ(empty, "");
}
