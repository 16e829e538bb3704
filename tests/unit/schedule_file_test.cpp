// The schedule file: the writer's exact bytes, both readers on good, odd and damaged files,
// every text field at the exact line-length limits, the size and item limits, and the safe
// replacement of the old file on save.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fakes/test_files.h"
#include "file_replace.h"
#include "schedule_file.h"
#include "text_encoding.h"

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

// The writer's bytes as a string.
std::string Formatted(const ScheduleList& list, const ScheduleOptions& options) {
  ScheduleFileBytes bytes;
  EXPECT_TRUE(FormatScheduleFile(list, options, bytes));
  std::string text(bytes.data, bytes.size);
  FreeScheduleFileBytes(bytes);
  return text;
}

std::vector<Record> ParseEditor(const std::string& bytes, ScheduleOptions* options = nullptr,
                                bool* wellFormed = nullptr) {
  ListHolder holder;
  ScheduleOptions read;
  ParseScheduleText(bytes.data(), bytes.size(), holder.list, read, wellFormed);
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
  ASSERT_TRUE(WriteFileBytes(path, bytes)) << path;
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
  std::string bytes = Formatted(holder.list, options);
  EXPECT_EQ(bytes.size(), 130u);
  const unsigned char kFirst20[] = {0x66, 0x61, 0x6C, 0x73, 0x65, 0x0D, 0x0A, 0x74, 0x72, 0x75,
                                    0x65, 0x0D, 0x0A, 0x0D, 0x0A, 0x32, 0x0D, 0x0A, 0x0D, 0x0A};
  EXPECT_EQ(bytes.substr(0, 20), std::string(reinterpret_cast<const char*>(kFirst20), 20));
  EXPECT_EQ(bytes, kWorkedExample);

  ListHolder empty;
  EXPECT_EQ(Formatted(empty.list, ScheduleOptions{}), "false\r\nfalse\r\n\r\n0\r\n\r\n");
  EXPECT_EQ(Formatted(empty.list, ScheduleOptions{}).size(), 21u);
}

TEST(ScheduleFileWriter, WriteAndReadBackWithBothReaders) {
  TempFolder temp;
  std::string path = temp.file("plan.tlf");
  ListHolder holder;
  FillWorkedExample(holder);
  ScheduleOptions options;
  options.exitAfterRun = true;
  ASSERT_TRUE(WriteScheduleFile(path.c_str(), holder.list, options));
  EXPECT_EQ(ReadFileBytes(path), kWorkedExample);
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
  EXPECT_EQ(ReadFileBytes(path).substr(0, 21), "false\r\nfalse\r\n\r\n1\r\n\r\n");
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
  EXPECT_EQ(ReadFileBytes(temp.file("taken.tlf/inside.txt")), "keep");
  EXPECT_EQ(temp.entries(), std::vector<std::string>{"taken.tlf"});
  // The folder does not exist.
  std::string missing = temp.file("no-such-folder/plan.tlf");
  EXPECT_FALSE(WriteScheduleFile(missing.c_str(), holder.list, ScheduleOptions{}));
  EXPECT_FALSE(fs::exists(temp.file("no-such-folder")));
  EXPECT_FALSE(WriteScheduleFile("", holder.list, ScheduleOptions{}));
#ifndef _WIN32
  fs::create_symlink("nowhere", temp.file("link.tlf"));  // takes the name, holds no file
  FileProblem problem = FileProblem::kNone;
  EXPECT_FALSE(WriteScheduleFile(temp.file("link.tlf").c_str(), holder.list, {}, &problem));
  EXPECT_EQ(problem, FileProblem::kKeptElsewhere);
#endif
}

TEST(ScheduleFileWriter, SaveDoesNotReuseAnExistingFileAsItsTemporary) {
  TempFolder temp;
  WriteBytes(temp.file("~tlsave0.tmp"), "user data");
  ListHolder holder;
  FillWorkedExample(holder);
  ASSERT_TRUE(WriteScheduleFile(temp.file("plan.tlf").c_str(), holder.list, {}));
  EXPECT_EQ(ReadFileBytes(temp.file("~tlsave0.tmp")), "user data");
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
  // Missing is told apart from unreadable (a folder), so the runner can say which.
  const std::pair<std::string, FileProblem> reads[] = {
      {path, FileProblem::kNotFound},
      {temp.file("no/plan.tlf"), FileProblem::kNotFound},
      {temp.file(""), FileProblem::kFailed}};
  for (const auto& read : reads) {
    FileProblem problem = FileProblem::kNone;
    EXPECT_FALSE(LoadRunnerSchedule(read.first.c_str(), holder.list, &problem));
    EXPECT_EQ(problem, read.second) << read.first;
  }
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
  std::string bytes = Formatted(holder.list, {});
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

// The editor reads what it can of any file, and tells whether it all read as a schedule.
TEST(ScheduleFileReader, WhatReadsAsASchedule) {
  const std::string good = Header(1) + RecordText("A");
  const std::vector<std::string> kCases[] = {
      {kWorkedExample, "false\ntrue\n0", "", " \r\n\x1A\x1A", good + "\r\n \t\r\n",
       good.substr(0, good.size() - 4), good + "\x1A\r\n"},
      {"\x89PNG\r\n\x1A\n", "x", "true", "TRUE\nfalse\n0\n", Header(2) + "\n",
       "false\nfalse\nabc\n", "false\nfalse\n1" + RecordText("A"), good + "more",
       good + "\x1Amore", Header(1) + RecordText(std::string("A\0B", 3))}};
  for (bool expected : {true, false}) {
    for (const std::string& bytes : kCases[expected ? 0 : 1]) {
      bool wellFormed = !expected;
      ParseEditor(bytes, nullptr, &wellFormed);
      EXPECT_EQ(wellFormed, expected) << bytes;
    }
  }
}

// Knows あ and 表 (second byte '\'); any other character past ASCII is "?".
bool FakeUtf8ToCodePage932(void*, const char* utf8, std::size_t size, char* out, std::size_t,
                           std::size_t* written, bool* lossy) {
  std::map<std::string, std::string> known = {{"\xE3\x81\x82", "\x82\xA0"},
                                              {"\xE8\xA1\xA8", "\x95\x5C"}};
  std::string text(utf8, size), result;  // copied first: out may be the input's place
  for (std::size_t i = 0, length = 1; i < size; i += length, length = 1) {
    while (i + length < size && (text[i + length] & 0xC0) == 0x80) ++length;
    std::string one = text.substr(i, length);
    if (one[0] & 0x80) one = known.count(one) > 0 ? known[one] : (*lossy = true, "?");
    result += one;
  }
  *written = result.copy(out, result.size());
  return true;
}

TEST(ScheduleFileReader, Utf8FilesReadAsCodePage932) {
  const TextConversionHost fake{FakeUtf8ToCodePage932, nullptr};
  SetScheduleTextConversion(&fake);
  const std::string kMark = "\xEF\xBB\xBF";
  const std::string kCases[][4] = {
      // byte order mark, name's line, name read, "" if lossy
      {kMark, "\xE3\x81\x82", "\x82\xA0", "ok"},
      {"", "\xE8\xA1\xA8!", "\x95\x5C!", "ok"},
      {"", "\x95\x5C\x82\xA0", "\x95\x5C\x82\xA0", "ok"},  // Shift-JIS stays
      {"", "\xE3\x81!\xC0\xAF\xED\xA0\x80", "\xE3\x81!\xC0\xAF\xED\xA0\x80", "ok"},  // no UTF-8
      {"", "plan", "plan", "ok"},
      {"", "\xF0\x9F\x98\x80\xE3\x81\x82", "?\x82\xA0", ""},  // no code page 932 form
      {kMark, "a\xFF", "a?", ""},                             // not UTF-8 after the mark
  };
  for (const auto& [mark, line, read, formed] : kCases) {
    std::string bytes =
        mark + "true\r\ntrue\r\n1\r\n" + line + "\r\nC:\\a.exe\r\nnn\r\nnn\r\nfalse\r\n0";
    ScheduleOptions options;
    bool wellFormed = formed.empty();
    std::string name = ParseEditor(bytes, &options, &wellFormed).at(0).name;
    EXPECT_EQ(wellFormed, !formed.empty()) << read;
    EXPECT_EQ(name + "|" + ParseRunner(bytes).at(0).name, read + "|" + read);
    EXPECT_TRUE(options.showRunnerWindow && RunnerOptions(bytes).exitAfterRun) << read;
  }
  SetScheduleTextConversion(nullptr);
  // Cut, overlong, a surrogate, past U+10FFFF; the first and last four-byte characters; a
  // lone continuation byte, a lead without its second byte, the first and last leads of each
  // length and the last character before the surrogates.
  const std::pair<std::string, bool> kTexts[] = {
      {"\xE3\x81!", false},       {"\xC1\xBF", false},         {"\xE0\x9F\xBF", false},
      {"\xED\xA0\x80", false},    {"\xF0\x8F\xBF\xBF", false}, {"\xF4\x90\x80\x80", false},
      {"\xF0\x90\x80\x80", true}, {"\xF4\x8F\xBF\xBF", true},  {"\x80\xE3\x81\x82", false},
      {"\xE3\x41\x82", false},    {"\xDF\xBF", true},          {"\xC2\xA9", true},
      {"\xEF\xBD\x9E", true},     {"\xED\x9F\xBF", true}};
  for (const auto& [text, utf8] : kTexts) EXPECT_EQ(IsUtf8Text(text.data(), text.size()), utf8);
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
  std::vector<Record> records = ParseEditor(Formatted(holder.list, {}));
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
  std::string bytes = Header(6) + RecordText("A", "false", "abc") +
                      RecordText("B", "false", "") + RecordText("C", "false", "99999999999") +
                      RecordText("D", "false", "-99999999999") +
                      RecordText("F", "false", " \t ") + RecordText("E", "false", " -7 ");
  for (const auto& records : {ParseEditor(bytes), ParseRunner(bytes)}) {
    ASSERT_EQ(records.size(), 6u);
    // A delay line without a number gives 0 and the records after it stay in place.
    EXPECT_EQ(records[0].delay, 0);
    EXPECT_EQ(records[1].name, "B");
    EXPECT_EQ(records[1].delay, 0);
    EXPECT_EQ(records[2].name, "C");
    EXPECT_EQ(records[2].delay, 2147483647);
    EXPECT_EQ(records[3].delay, -2147483647 - 1);
    EXPECT_EQ(records[4].delay, 0);  // blanks only: skipped on their own line
    EXPECT_EQ(records[5].name, "E");
    EXPECT_EQ(records[5].delay, -7);
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
  std::string bytes = Formatted(holder.list, {});
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

namespace {

// What a load leaves behind: on Windows an open file cannot be renamed, and on Linux every
// descriptor is listed under /proc/self/fd.
int OpenDescriptors() {
  std::error_code error;
  int count = 0;
  for (fs::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
       it.increment(error)) {
    ++count;
  }
  return count;
}

// Runs the current folder elsewhere for the life of the object.
struct CurrentFolder {
  fs::path saved = fs::current_path();
  explicit CurrentFolder(const fs::path& folder) { fs::current_path(folder); }
  ~CurrentFolder() { fs::current_path(saved); }
};

const char* const kFieldNames[] = {"name", "path", "arguments", "working folder"};

const ScheduleOptions kWorkedExampleOptions{false, true};

// Appends count equal items, holding the tail rather than walking the list for each.
void AddMany(ListHolder& holder, int32_t count, const char* text) {
  ScheduleItem* tail = holder.list.head;
  while (tail != nullptr && tail->next != nullptr) tail = tail->next;
  for (int32_t i = 0; i < count; ++i) {
    ScheduleItem* item = NewScheduleItem(text, text, text, text, 0, 0);
    holder.list.appendAfter(tail, item);
    tail = item;
  }
  holder.list.itemCount += count;
}

std::string RecordField(const Record& record, int field) {
  const std::string* fields[] = {&record.name, &record.path, &record.arguments,
                                 &record.workFolder};
  return *fields[field];
}

}  // namespace

// A text line of 259 bytes with its line feed is read whole; a longer one is read as its
// first 259 bytes, and the rest (here the line feed alone, or one byte and the line feed)
// becomes the next line. The same in every text field and in both readers.
TEST(ScheduleFileReader, EveryTextFieldAtTheLineLimit) {
  struct Case {
    std::size_t textBytes;  // the line is one byte longer with its line feed
    std::size_t kept;       // what the field holds
    const char* nextLine;   // what the next line of the record holds
  };
  const Case kCases[] = {{258, 258, nullptr}, {259, 259, ""}, {260, 259, "z"}};
  for (int field = 0; field < 4; ++field) {
    for (const Case& c : kCases) {
      std::string lines[4] = {"Name", "C:\\p.exe", "/a", "D:\\w"};
      std::string text(c.textBytes, static_cast<char>('a' + field));
      if (c.textBytes == 260) text.back() = 'z';
      lines[field] = text;
      std::string bytes = Header(1) + lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] +
                          "\r\n" + lines[3] + "\r\ntrue\r\n7\r\n\r\n";
      for (const auto& records : {ParseEditor(bytes), ParseRunner(bytes)}) {
        std::string what =
            std::string(kFieldNames[field]) + " of " + std::to_string(c.textBytes) + " bytes";
        ASSERT_EQ(records.size(), 1u) << what;
        EXPECT_EQ(RecordField(records[0], field), text.substr(0, c.kept)) << what;
        if (c.nextLine == nullptr) {
          for (int other = 0; other < 4; ++other) {
            if (other != field) {
              EXPECT_EQ(RecordField(records[0], other), lines[other]) << what;
            }
          }
          EXPECT_EQ(records[0].flag, 1) << what;
          EXPECT_EQ(records[0].delay, 7) << what;
        } else if (field < 3) {
          EXPECT_EQ(RecordField(records[0], field + 1), c.nextLine) << what;
        } else {
          EXPECT_EQ(records[0].flag, 0) << what;  // the piece is no flag word
        }
      }
    }
  }
}

// The writer keeps 258 bytes of every text field: a longer text (items hold up to 259) is
// cut there, so every written line reads back whole.
TEST(ScheduleFileWriter, EveryTextFieldIsCutAt258Bytes) {
  for (int field = 0; field < 4; ++field) {
    for (std::size_t length : {257u, 258u, 259u, 260u}) {
      std::string texts[4] = {"N", "P", "A", "W"};
      texts[field] = std::string(length, static_cast<char>('a' + field));
      ListHolder holder;
      holder.add(texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str(), 3, 1);
      std::string bytes = Formatted(holder.list, {});
      std::string expected = Header(1);
      for (const std::string& text : texts) expected += text.substr(0, 258) + "\r\n";
      EXPECT_EQ(bytes, expected + "true\r\n3\r\n\r\n")
          << kFieldNames[field] << " of " << length;
      std::vector<Record> records = ParseEditor(bytes);
      ASSERT_EQ(records.size(), 1u);
      EXPECT_EQ(RecordField(records[0], field), texts[field].substr(0, 258))
          << kFieldNames[field] << " of " << length;
      EXPECT_EQ(records[0].delay, 3);
      EXPECT_EQ(records[0].flag, 1);
    }
  }
}

// Only the arguments and the working folder stand for an empty text with "nn"; an empty
// name or path is an empty line.
TEST(ScheduleFileWriter, EmptyTexts) {
  ListHolder holder;
  holder.add("", "", "", "", 0, 0);
  EXPECT_EQ(Formatted(holder.list, {}), Header(1) + "\r\n\r\nnn\r\nnn\r\nfalse\r\n0\r\n\r\n");
}

// The editor's reader replaces whatever the list held, through the file and in memory.
TEST(ScheduleFileReader, EditorReplacesTheItemsItHeld) {
  TempFolder temp;
  std::string path = temp.file("plan.tlf");
  WriteBytes(path, kWorkedExample);
  ListHolder holder;
  holder.add("Old 1", "o1.exe", "", "", 0, 0);
  holder.add("Old 2", "o2.exe", "", "", 0, 0);
  ScheduleOptions options;
  ASSERT_TRUE(LoadScheduleFile(path.c_str(), holder.list, options));
  ExpectWorkedExampleItems(Records(holder.list));
  EXPECT_EQ(holder.list.head->prev, nullptr);
  holder.add("Old 3", "o3.exe", "", "", 0, 0);
  ParseScheduleText(kWorkedExample, sizeof kWorkedExample - 1, holder.list, options);
  ExpectWorkedExampleItems(Records(holder.list));
}

// Files beyond the size limit, however they are made, are unreadable: both loaders report
// failure and the runner's options are off. Up to the limit the file is read.
TEST(ScheduleFileReader, SizeLimit) {
  TempFolder temp;
  std::string path = temp.file("plan.tlf");
  struct Case {
    std::uintmax_t size;
    bool readable;
  };
  const Case kCases[] = {{kMaxScheduleFileBytes, true},
                         {kMaxScheduleFileBytes + 1, false},
                         {std::uintmax_t{3} << 30, false}};  // sparse: nothing is written
  for (const Case& c : kCases) {
    WriteBytes(path, "true\r\ntrue\r\n\r\n1\r\n\r\n" + RecordText("A"));
    fs::resize_file(path, c.size);  // the rest are NUL bytes after the one record
    ListHolder editor;
    editor.add("Old", "o.exe", "", "", 0, 0);
    ScheduleOptions options;
    FileProblem problem = FileProblem::kFailed;
    EXPECT_EQ(LoadScheduleFile(path.c_str(), editor.list, options, &problem), c.readable);
    EXPECT_EQ(problem, c.readable ? FileProblem::kNone : FileProblem::kTooLarge) << c.size;
    EXPECT_EQ(Records(editor.list).size(), c.readable ? 1u : 0u) << c.size;
    EXPECT_EQ(options.showRunnerWindow, c.readable) << c.size;
    ListHolder runner;
    problem = FileProblem::kFailed;
    EXPECT_EQ(LoadRunnerSchedule(path.c_str(), runner.list, &problem), c.readable) << c.size;
    EXPECT_EQ(problem, c.readable ? FileProblem::kNone : FileProblem::kTooLarge) << c.size;
    EXPECT_EQ(Records(runner.list).size(), c.readable ? 1u : 0u) << c.size;
    EXPECT_EQ(ReadRunnerOptions(path.c_str()).exitAfterRun, c.readable) << c.size;
  }
}

// At most kMaxScheduleItems records are read; a file holding more is unreadable (the
// options keep their values, the runner's list keeps its items), while a count above the
// limit over fewer records still reads them.
TEST(ScheduleFileReader, ItemLimit) {
  std::string record = "a\nb\nc\nd\ne\n1\n";
  std::string records;
  records.reserve(record.size() * (kMaxScheduleItems + 1));
  for (int32_t i = 0; i < kMaxScheduleItems; ++i) records += record;
  struct Case {
    int32_t count;
    bool extraRecord;
    std::size_t items;  // 0: refused
  };
  const Case kCases[] = {{kMaxScheduleItems, false, kMaxScheduleItems},
                         {kMaxScheduleItems + 1, false, kMaxScheduleItems},
                         {kMaxScheduleItems, true, kMaxScheduleItems},
                         {kMaxScheduleItems + 1, true, 0}};
  for (const Case& c : kCases) {
    std::string bytes = "true\ntrue\n\n" + std::to_string(c.count) + "\n\n" + records +
                        (c.extraRecord ? record : "");
    ListHolder editor;
    ScheduleOptions options;
    ParseScheduleText(bytes.data(), bytes.size(), editor.list, options);
    EXPECT_EQ(Records(editor.list).size(), c.items) << c.count << " " << c.extraRecord;
    EXPECT_EQ(options.showRunnerWindow, c.items != 0);
    ListHolder runner;
    runner.add("Existing", "e.exe", "", "", 0, 0);
    ParseRunnerScheduleText(bytes.data(), bytes.size(), runner.list);
    EXPECT_EQ(Records(runner.list).size(), c.items + 1) << c.count << " " << c.extraRecord;
  }
}

// The delay line of a file's last record: without a number the record is complete only when
// the line has something on it, and a line that ends the file without a line end is read to
// its end and no further.
TEST(ScheduleFileReader, DelayLineAtTheEndOfTheFile) {
  struct Case {
    const char* delayLine;
    std::size_t records;
    int32_t delay;
  };
  const Case kCases[] = {
      {"", 0, 0},        {"\r\n", 0, 0}, {"  \r\n\r\n", 0, 0}, {"abc", 1, 0},
      {"abc\r\n", 1, 0}, {" 5", 1, 5},   {"-5\r\n", 1, -5},
  };
  for (const Case& c : kCases) {
    std::string bytes = Header(2) + "A\r\nC:\\a.exe\r\nnn\r\nnn\r\nfalse\r\n" + c.delayLine;
    for (const auto& records : {ParseEditor(bytes), ParseRunner(bytes)}) {
      ASSERT_EQ(records.size(), c.records) << c.delayLine;
      if (c.records == 1) {
        EXPECT_EQ(records[0].delay, c.delay) << c.delayLine;
      }
    }
  }
}

// Through the file the item limit is a failed load for both loaders.
TEST(ScheduleFileReader, ItemLimitFailsTheLoad) {
  TempFolder temp;
  std::string path = temp.file("plan.tlf");
  std::string records;
  for (int32_t i = 0; i <= kMaxScheduleItems; ++i) records += "a\nb\nc\nd\ne\n1\n";
  WriteBytes(path, Header(kMaxScheduleItems + 1) + records);
  ListHolder holder;
  ScheduleOptions options;
  FileProblem problem = FileProblem::kNone;
  EXPECT_FALSE(LoadScheduleFile(path.c_str(), holder.list, options, &problem));
  EXPECT_EQ(problem, FileProblem::kTooManyItems);
  problem = FileProblem::kNone;
  EXPECT_FALSE(LoadRunnerSchedule(path.c_str(), holder.list, &problem));
  EXPECT_EQ(problem, FileProblem::kTooManyItems);
  EXPECT_EQ(holder.list.head, nullptr);
}

// A missing or empty path is no file: every loader and the writer fail without trying.
TEST(ScheduleFileReader, NoPath) {
  ListHolder holder;
  ScheduleOptions options{true, true};
  for (const char* path : {static_cast<const char*>(nullptr), ""}) {
    EXPECT_FALSE(LoadScheduleFile(path, holder.list, options));
    EXPECT_FALSE(LoadRunnerSchedule(path, holder.list));
    EXPECT_FALSE(ReadRunnerOptions(path).showRunnerWindow);
    EXPECT_FALSE(WriteScheduleFile(path, holder.list, options));
  }
  EXPECT_TRUE(options.showRunnerWindow);
}

// The writer never writes what the readers would refuse: the save fails, the old file stays.
TEST(ScheduleFileWriter, LimitsRefuseTheSave) {
  TempFolder temp;
  std::string path = temp.file("plan.tlf");
  WriteBytes(path, "old");
  std::string long258(258, 'x');
  ListHolder tooLarge;  // 16,000 records of about 1,050 bytes: beyond 16 MiB
  AddMany(tooLarge, 16000, long258.c_str());
  ASSERT_GT(Formatted(tooLarge.list, {}).size(), kMaxScheduleFileBytes);
  FileProblem problem = FileProblem::kNone;
  EXPECT_FALSE(WriteScheduleFile(path.c_str(), tooLarge.list, {}, &problem));
  EXPECT_EQ(problem, FileProblem::kTooLarge);
  ListHolder tooMany;
  AddMany(tooMany, kMaxScheduleItems + 1, "a");
  EXPECT_FALSE(WriteScheduleFile(path.c_str(), tooMany.list, {}, &problem));
  EXPECT_EQ(problem, FileProblem::kTooManyItems);
  EXPECT_EQ(ReadFileBytes(path), "old");
  tooMany.list.removeAt(0);
  EXPECT_TRUE(WriteScheduleFile(path.c_str(), tooMany.list, {}));
  EXPECT_EQ(temp.entries(), std::vector<std::string>{"plan.tlf"});
}

// The temporary file is made beside the target, whatever the current folder is; a target
// named relative to the current folder gets it in its own folder too.
TEST(ScheduleFileWriter, TemporaryFileIsMadeInTheTargetsFolder) {
  TempFolder target;
  TempFolder elsewhere;
  ListHolder holder;
  FillWorkedExample(holder);
  {
    CurrentFolder inside(elsewhere.folder);
    ASSERT_TRUE(
        WriteScheduleFile(target.file("plan.tlf").c_str(), holder.list, kWorkedExampleOptions));
    fs::create_directory("sub");
    ASSERT_TRUE(WriteScheduleFile("sub/plan.tlf", holder.list, kWorkedExampleOptions));
  }
  EXPECT_EQ(target.entries(), std::vector<std::string>{"plan.tlf"});
  EXPECT_EQ(elsewhere.entries(), std::vector<std::string>{"sub"});
  EXPECT_EQ(ReadFileBytes(elsewhere.file("sub/plan.tlf")).size(), 130u);
#ifndef _WIN32
  // A current folder that no longer exists (Windows does not let it go).
  fs::path gone = elsewhere.folder / "gone";
  fs::create_directory(gone);
  {
    CurrentFolder inside(gone);
    fs::remove(gone);
    EXPECT_TRUE(
        WriteScheduleFile(target.file("plan.tlf").c_str(), holder.list, kWorkedExampleOptions));
  }
  EXPECT_EQ(target.entries(), std::vector<std::string>{"plan.tlf"});
#endif
}

// Temporary names in use are skipped and never opened; when all of them are in use the
// save fails and changes nothing.
TEST(ScheduleFileWriter, EveryTemporaryNameTaken) {
  TempFolder temp;
  std::string path = temp.file("plan.tlf");
  WriteBytes(path, "old");
  for (int n = 0; n < 99; ++n) {
    WriteBytes(temp.file(("~tlsave" + std::to_string(n) + ".tmp").c_str()), "user data");
  }
  fs::create_directory(temp.file("~tlsave99.tmp"));  // a folder takes a name as well
  ListHolder holder;
  FillWorkedExample(holder);
  FileProblem problem = FileProblem::kNone;
  EXPECT_FALSE(WriteScheduleFile(path.c_str(), holder.list, kWorkedExampleOptions, &problem));
  EXPECT_EQ(problem, FileProblem::kNoFreeName);
  EXPECT_EQ(ReadFileBytes(path), "old");
  EXPECT_EQ(temp.entries().size(), 101u);
  EXPECT_EQ(ReadFileBytes(temp.file("~tlsave98.tmp")), "user data");
  // One free name is enough.
  fs::remove(temp.file("~tlsave99.tmp"));
  EXPECT_TRUE(WriteScheduleFile(path.c_str(), holder.list, kWorkedExampleOptions));
  EXPECT_EQ(ReadFileBytes(path), kWorkedExample);
  EXPECT_EQ(temp.entries().size(), 100u);
}

// An existing target keeps its permissions; a read-only one is not written.
TEST(ScheduleFileWriter, TargetKeepsItsPermissionsAndReadOnlyIsRefused) {
  TempFolder temp;
  std::string path = temp.file("plan.tlf");
  ListHolder holder;
  FillWorkedExample(holder);
  WriteBytes(path, "old");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(WriteScheduleFile(path.c_str(), holder.list, kWorkedExampleOptions));
  EXPECT_EQ(ReadFileBytes(path), kWorkedExample);
#ifndef _WIN32  // Windows has only the read-only attribute for these bits
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif
  fs::permissions(path,
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(WriteScheduleFile(path.c_str(), holder.list, ScheduleOptions{true, true}));
  EXPECT_EQ(ReadFileBytes(path), kWorkedExample);
  EXPECT_EQ(temp.entries(), std::vector<std::string>{"plan.tlf"});
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);  // so it can go
}

// No load keeps its file open, whether it read the file or refused it.
TEST(ScheduleFileReader, LoadsLeaveNoFileOpen) {
  TempFolder temp;
  std::string path = temp.file("plan.tlf");
  std::string moved = temp.file("moved.tlf");
  for (std::uintmax_t size : {std::uintmax_t{130}, std::uintmax_t{kMaxScheduleFileBytes + 1}}) {
    WriteBytes(path, kWorkedExample);
    fs::resize_file(path, size);
    int before = OpenDescriptors();
    ListHolder holder;
    ScheduleOptions options;
    LoadScheduleFile(path.c_str(), holder.list, options);
    LoadRunnerSchedule(path.c_str(), holder.list);
    ReadRunnerOptions(path.c_str());
    EXPECT_EQ(OpenDescriptors(), before) << size;
    EXPECT_EQ(std::rename(path.c_str(), moved.c_str()), 0) << size;
    std::remove(moved.c_str());
  }
}

// The save's steps over an in-memory folder whose swap fails as ReplaceFileA documents it:
// kKeepsBoth for ERROR_UNABLE_TO_REMOVE_REPLACED, ERROR_UNABLE_TO_MOVE_REPLACEMENT with a
// backup and any other error; kOldToBackup for ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
// kTargetGone as Wine without a backup; kOldCopied copies the old file to the backup too.
// stuck names (held by a scanner) neither move nor go; unknown ones cannot be looked at.
struct FakeFolder {
  enum Swap { kWorks, kKeepsBoth, kOldToBackup, kTargetGone, kOldCopied } swap = kWorks;
  std::map<std::string, std::string> files;
  std::set<std::string> stuck, unknown;
  bool writeFails = false;

  static FakeFolder& Of(void* context) { return *static_cast<FakeFolder*>(context); }
  bool move(const std::string& from, const std::string& to) {
    if (stuck.count(from) + unknown.count(to) + files.count(to) > 0 || !files.count(from))
      return false;
    files[to] = files[from];
    files.erase(from);
    return true;
  }
  FileHost host() {
    FileHost table{};
    table.writeNewFile = [](void* c, const char* path, const char* bytes, std::size_t size) {
      if (Of(c).files.count(path) > 0) return NewFileResult::kNameTaken;
      if (Of(c).writeFails) return NewFileResult::kFailed;
      Of(c).files[path] = std::string(bytes, size);
      return NewFileResult::kWritten;
    };
    table.fileState = [](void* c, const char* path) {
      auto file = Of(c).files.find(path);
      if (Of(c).unknown.count(path) > Of(c).files.count(path)) return FileState::kUnknown;
      if (file == Of(c).files.end()) return FileState::kMissing;
      return file->second == "<folder>" ? FileState::kRefused : FileState::kReplaceable;
    };
    table.replaceFile = [](void* c, const char* target, const char* temp, const char* backup) {
      FakeFolder& f = Of(c);
      if (f.swap == kOldCopied) f.files[backup] = f.files[target];  // and fails
      if (f.swap == kKeepsBoth || f.swap == kOldCopied) return false;
      if (f.swap == kTargetGone) return !f.files.erase(target);
      return f.move(target, backup) && f.swap == kWorks && f.move(temp, target);
    };
    table.moveFile = [](void* c, const char* a, const char* b) { return Of(c).move(a, b); };
    table.deleteFile = [](void* c, const char* path) {
      return Of(c).stuck.count(path) == 0 && Of(c).files.erase(path) > 0;
    };
    table.copyAttributes = [](void*, const char*, const char*) {};
    table.context = this;
    return table;
  }
};

// Every documented failure of each step leaves a whole file, old or new, under the target's
// name, or the new one under the name the caller shows. Beside a 248-byte folder the names
// shorten to fit where the target's name does.
TEST(ScheduleFileWriter, EveryFailedStepLeavesAWholeFile) {
  using F = FakeFolder;
  struct Case {
    const char* what;
    F::Swap swap;
    std::string old;         // the file under the target's name, "" for none
    std::vector<int> stuck;  // 0: the temporary file, 1: the backup
    SaveOutcome outcome;
    std::size_t filesLeft;
    std::vector<int> unknown = {};  // 2: the target
  };
  const Case kCases[] = {
      {"replaced", F::kWorks, "old", {}, SaveOutcome::kSaved, 1},
      {"both kept", F::kKeepsBoth, "old", {}, SaveOutcome::kFailed, 1},
      {"old moved away, new moved in", F::kOldToBackup, "old", {}, SaveOutcome::kSaved, 1},
      {"old moved away and back", F::kOldToBackup, "old", {0}, SaveOutcome::kFailed, 2},
      {"neither can move", F::kOldToBackup, "old", {0, 1}, SaveOutcome::kKeptElsewhere, 2},
      {"old gone, new moved in", F::kTargetGone, "old", {}, SaveOutcome::kSaved, 1},
      {"old gone, new stuck", F::kTargetGone, "old", {0}, SaveOutcome::kKeptElsewhere, 1},
      {"no old file, new stuck", F::kWorks, "", {0}, SaveOutcome::kKeptElsewhere, 1},
      {"target is a folder", F::kWorks, "<folder>", {}, SaveOutcome::kFailed, 1},
      {"write fails", F::kWorks, "old", {}, SaveOutcome::kFailed, 1},
      {"target unknown", F::kOldToBackup, "old", {}, SaveOutcome::kKeptElsewhere, 2, {2}},
      {"backup cannot go", F::kWorks, "old", {1}, SaveOutcome::kSaved, 2},
      {"old copied, both kept", F::kOldCopied, "old", {}, SaveOutcome::kFailed, 1},
      {"every backup name taken", F::kWorks, "old", {}, SaveOutcome::kNoFreeName, 201},
  };
  // A usual folder; only short names beside "a" in one of 248 bytes, and to 259 in the last.
  for (std::string folder : {std::string("D:\\docs\\"), std::string(246, 'f') + "\\",
                             std::string(248, 'f') + "\\", std::string(255, 'f') + "\\"}) {
    bool shortNames = folder.size() > 247;
    std::string target = folder + (shortNames ? "a" : "plan.tlf");
    std::string names[] = {folder + (shortNames ? "~s0" : "~tlsave0.tmp"),
                           folder + (shortNames ? "~b0" : "~tlback0.tmp"), target};
    for (const Case& c : kCases) {
      FakeFolder fake;
      fake.swap = c.swap;
      fake.writeFails = std::string(c.what) == "write fails";
      if (!c.old.empty()) fake.files[target] = c.old;
      for (int name : c.stuck) fake.stuck.insert(names[name]);
      for (int name : c.unknown) fake.unknown.insert(names[name]);
      for (int n = 0; c.outcome == SaveOutcome::kNoFreeName && n < 100; ++n) {
        fake.files[folder + "~b" + std::to_string(n)] = "kept";  // long and short names
        fake.files[folder + "~tlback" + std::to_string(n) + ".tmp"] = "kept";
      }
      char keptAs[kTextSize] = "x", oldKeptAs[kTextSize] = "x";
      SaveOutcome outcome =
          SaveFileSafely(fake.host(), target.c_str(), "new", 3, keptAs, kTextSize, oldKeptAs);
      SCOPED_TRACE(std::string(c.what) + (shortNames ? " (short names)" : ""));
      EXPECT_EQ(outcome, c.outcome);
      EXPECT_EQ(fake.files.size(), c.filesLeft);
      if (outcome == SaveOutcome::kKeptElsewhere) {
        EXPECT_EQ(keptAs, names[0]);
        EXPECT_EQ(fake.files[keptAs], "new");
        EXPECT_EQ(fake.files.count(target), 0u);
        EXPECT_EQ(oldKeptAs, fake.files.count(names[1]) > 0 ? names[1] : "");  // the old file
      } else {
        EXPECT_STREQ(keptAs, "");
        EXPECT_STREQ(oldKeptAs, "");
        EXPECT_EQ(fake.files[target], outcome == SaveOutcome::kSaved ? "new" : c.old);
      }
    }
  }
  FakeFolder full;  // beside a folder of 257 bytes not even "~s0" fits, old file or none
  std::string target = std::string(256, 'f') + "\\a";
  char keptAs[kTextSize];
  for (int old = 0; old < 2; ++old, full.files[target] = "old") {
    EXPECT_EQ(SaveFileSafely(full.host(), target.c_str(), "new", 3, keptAs, kTextSize),
              SaveOutcome::kNoFreeName);
  }
  EXPECT_EQ(full.files.size(), 1u);
}
