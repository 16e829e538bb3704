// The item dialog's rules: the reset record, the OK checks in their order with the byte
// limit a schedule file keeps, the delay text, the arrows' position and the test run's file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "item_form.h"

namespace {

struct Form {
  std::string name = "Mail";
  std::string path = "C:\\mail.exe";
  std::string arguments;
  std::string workFolder;
  std::string delay = "0";
  bool envVar = false;

  FormProblem read(ItemFields& fields) const {
    ItemFormInput input{name.c_str(),       path.c_str(),  arguments.c_str(),
                        workFolder.c_str(), delay.c_str(), envVar};
    return ReadItemForm(input, fields);
  }
};

const std::string k258(258, 'a');
// 257 single bytes and one double-byte character (表, 0x95 0x5C): 259 bytes.
const std::string kKanjiAcrossLimit = std::string(257, 'a') + "\x95\x5c";

}  // namespace

TEST(ItemForm, ResetRecord) {
  ItemFields fields;
  std::memset(&fields, 'x', sizeof fields);
  ResetItemFields(fields);
  EXPECT_STREQ(fields.name, "");
  EXPECT_STREQ(fields.path, "");
  EXPECT_STREQ(fields.arguments, "");
  EXPECT_STREQ(fields.workFolder, "");
  EXPECT_EQ(fields.delaySeconds, -1);
  EXPECT_EQ(fields.pathIsEnvVar, 0);
  // The reset record as the dialog shows it is no change; any field changed is one.
  for (int changed = -1; changed < 6; ++changed) {
    const char* texts[] = {"", "", "", "", "0"};
    if (changed >= 0 && changed < 5) texts[changed] = "1";
    ItemFormInput input{texts[0], texts[1], texts[2], texts[3], texts[4], changed == 5};
    EXPECT_EQ(ItemFormChanged(input, fields), changed >= 0) << changed;
  }
}

TEST(ItemForm, ChecksInOrder) {
  struct Case {
    Form form;
    ItemField field;
    const char* text;  // the start of the message
  };
  Form empty;
  empty.name = "";
  empty.path = "";
  Form blanks;
  blanks.name = " \t ";
  Form noPath;
  noPath.path = "";
  Form longName;
  longName.name = k258 + "a";
  Form longPath;
  longPath.path = kKanjiAcrossLimit;
  Form longArguments;
  longArguments.arguments = k258 + "b";
  Form longFolder;
  longFolder.workFolder = kKanjiAcrossLimit;
  Form longNameNoPath = longName;
  longNameNoPath.path = "";
  const Case cases[] = {
      {empty, ItemField::kName, "名前を入力してください"},
      {blanks, ItemField::kName, "名前を入力してください"},
      {noPath, ItemField::kPath, "パスを入力してください"},
      // Both missing path and an over-long name: the empty path is told first.
      {longNameNoPath, ItemField::kPath, "パスを入力してください"},
      {longName, ItemField::kName, "名前が長すぎます"},
      {longPath, ItemField::kPath, "パスが長すぎます"},
      {longArguments, ItemField::kArguments, "コマンドライン引数が長すぎます"},
      {longFolder, ItemField::kWorkFolder, "作業ディレクトリが長すぎます"},
  };
  for (const Case& c : cases) {
    ItemFields fields;
    ResetItemFields(fields);
    FormProblem problem = c.form.read(fields);
    SCOPED_TRACE(c.text);
    EXPECT_EQ(problem.field, c.field);
    ASSERT_NE(problem.text, nullptr);
    EXPECT_EQ(std::string(problem.text).rfind(c.text, 0), 0u);
    EXPECT_STREQ(fields.name, "");  // nothing is taken over on a problem
  }
  // The test run checks the texts it launches as OK does, and nothing without a path.
  for (const Form* form :
       {&longPath, &longArguments, &longFolder, &longName, &longNameNoPath}) {
    ItemFields fields;
    const char* okText = form->read(fields).text;
    ItemFormInput input{
        "", form->path.c_str(), form->arguments.c_str(), form->workFolder.c_str(), "", false};
    bool launchable = form == &longName || form == &longNameNoPath;
    EXPECT_STREQ(ReadTestRunFields(input, fields).text, launchable ? nullptr : okText);
  }
  ItemFields unused;
  EXPECT_STREQ(empty.read(unused).caption, "未入力項目があります");
  EXPECT_STREQ(longName.read(unused).caption, "エラー");
}

TEST(ItemForm, AcceptsWhatAFileKeeps) {
  Form form;
  form.name = "  \x95\x5c name";  // leading blanks go, as a reload would drop them
  form.path = k258;
  form.arguments = std::string(256, 'a') + "\x95\x5c";  // 258 bytes ending in a kanji
  form.workFolder = "";
  form.delay = "  45x";
  form.envVar = true;
  ItemFields fields;
  FormProblem problem = form.read(fields);
  EXPECT_EQ(problem.field, ItemField::kNone);
  EXPECT_STREQ(fields.name, "\x95\x5c name");
  EXPECT_EQ(fields.path, k258);
  EXPECT_EQ(std::strlen(fields.arguments), 258u);
  EXPECT_EQ(fields.delaySeconds, 45);
  EXPECT_EQ(fields.pathIsEnvVar, 1);
  form.envVar = false;
  form.read(fields);
  EXPECT_EQ(fields.pathIsEnvVar, 0);
}

TEST(ItemForm, DelayTextAndArrowPosition) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {{"0", 0},
                        {"30", 30},
                        {" +7", 7},
                        {"-3", -3},
                        {"", 0},
                        {"abc", 0},
                        {"12ab", 12},
                        {"99999999999", INT32_MAX},
                        {"-99999999999", INT32_MIN}};
  for (const Case& c : cases) EXPECT_EQ(ParseDelayText(c.text), c.value) << c.text;

  EXPECT_EQ(ArrowPositionForDelay(-1), 0);
  EXPECT_EQ(ArrowPositionForDelay(17), 17);
  EXPECT_EQ(ArrowPositionForDelay(45), 30);
  for (int32_t delay : {-3, 0, 45, INT32_MIN}) EXPECT_EQ(ShownDelay(delay), delay);
  EXPECT_EQ(ShownDelay(-1), 0);  // unset
}

TEST(ItemForm, TestRunFile) {
  auto variables = [](const char* name, char* value, uint32_t capacity) -> uint32_t {
    std::string found;
    if (std::strcmp(name, "APP") == 0) found = "C:\\app.exe";
    if (std::strcmp(name, "HUGE") == 0) found = std::string(300, 'x');
    if (found.size() >= capacity) return static_cast<uint32_t>(found.size() + 1);
    std::memcpy(value, found.c_str(), found.size() + 1);
    return static_cast<uint32_t>(found.size());
  };
  struct Case {
    const char* path;
    bool envVar;
    TestRunFile result;
    const char* file;
  };
  const Case cases[] = {
      {"", false, TestRunFile::kNoPath, ""},
      {"C:\\x.exe", false, TestRunFile::kReady, "C:\\x.exe"},
      {"APP", true, TestRunFile::kReady, "C:\\app.exe"},
      {"MISSING", true, TestRunFile::kVariableUnset, ""},
      {"HUGE", true, TestRunFile::kVariableTooLong, ""},
  };
  for (const Case& c : cases) {
    char file[kTextSize] = "stale";
    EXPECT_EQ(ResolveTestRunFile(c.path, c.envVar, variables, file), c.result) << c.path;
    EXPECT_STREQ(file, c.file);
  }
  char message[kTextSize];
  FormatTestRunProblem(TestRunFile::kVariableUnset, "MISSING", message);
  EXPECT_EQ(std::string(message), "環境変数が設定されていないか、空です。\nMISSING");
  char failure[kTextSize * 2];
  FormatLaunchFailure("C:\\x.exe", "reason", failure, sizeof failure);
  EXPECT_EQ(std::string(failure), "起動できませんでした。\nC:\\x.exe\nreason");
  FormatLaunchFailure("C:\\x.exe", "", failure, sizeof failure);
  EXPECT_EQ(std::string(failure), "起動できませんでした。\nC:\\x.exe");
}
