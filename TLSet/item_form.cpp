// The item dialog's rules: the transfer record's reset, the checks on OK, the delay field
// and the test run's file.
#include "item_form.h"

#include <cstring>

#include "schedule_file.h"

namespace {

const char kMissingCaption[] = "未入力項目があります";
const char kNameMissing[] = "名前を入力してください";
const char kPathMissing[] = "パスを入力してください";
const char kTooLongCaption[] = "エラー";
const char kNameTooLong[] = "名前が長すぎます。258バイト（全角129文字）以内にしてください";
const char kPathTooLong[] = "パスが長すぎます。258バイト（全角129文字）以内にしてください";
const char kArgumentsTooLong[] =
    "コマンドライン引数が長すぎます。258バイト（全角129文字）以内にしてください";
const char kWorkFolderTooLong[] =
    "作業ディレクトリが長すぎます。258バイト（全角129文字）以内にしてください";

bool Fits(const char* text) { return std::strlen(text) <= kMaxItemTextBytes; }

// Each text must come back whole from the file; a message names the field instead of
// cutting the text, so the user sees exactly what will be saved or launched.
FormProblem TooLongField(const char* name, const ItemFormInput& input) {
  if (!Fits(name)) return {ItemField::kName, kNameTooLong, kTooLongCaption};
  if (!Fits(input.path)) return {ItemField::kPath, kPathTooLong, kTooLongCaption};
  if (!Fits(input.arguments)) {
    return {ItemField::kArguments, kArgumentsTooLong, kTooLongCaption};
  }
  if (!Fits(input.workFolder)) {
    return {ItemField::kWorkFolder, kWorkFolderTooLong, kTooLongCaption};
  }
  return {ItemField::kNone, nullptr, nullptr};
}

}  // namespace

const char kDroppedPathTooLongText[] = "ドロップされたファイルのパスが長すぎるため使えません。";

void ResetItemFields(ItemFields& fields) {
  fields.name[0] = '\0';
  fields.path[0] = '\0';
  fields.arguments[0] = '\0';
  fields.workFolder[0] = '\0';
  fields.delaySeconds = -1;
  fields.pathIsEnvVar = 0;
}

FormProblem ReadItemForm(const ItemFormInput& input, ItemFields& fields) {
  const char* name = input.name;
  while (IsScheduleWhiteSpace(*name)) ++name;
  if (name[0] == '\0') return {ItemField::kName, kNameMissing, kMissingCaption};
  if (input.path[0] == '\0') return {ItemField::kPath, kPathMissing, kMissingCaption};
  FormProblem tooLong = TooLongField(name, input);
  if (tooLong.field != ItemField::kNone) return tooLong;
  CopyText(fields.name, name);
  CopyText(fields.path, input.path);
  CopyText(fields.arguments, input.arguments);
  CopyText(fields.workFolder, input.workFolder);
  fields.pathIsEnvVar = input.pathIsEnvVar ? 1 : 0;
  fields.delaySeconds = ParseDelayText(input.delay);
  return {ItemField::kNone, nullptr, nullptr};
}

FormProblem ReadTestRunFields(const ItemFormInput& input, ItemFields& fields) {
  fields.path[0] = '\0';
  if (input.path[0] == '\0') return {ItemField::kNone, nullptr, nullptr};  // nothing to run
  FormProblem tooLong = TooLongField("", input);
  if (tooLong.field != ItemField::kNone) return tooLong;
  CopyText(fields.path, input.path);
  CopyText(fields.arguments, input.arguments);
  CopyText(fields.workFolder, input.workFolder);
  return tooLong;
}

bool ItemFormChanged(const ItemFormInput& input, const ItemFields& shown) {
  char delay[16];
  FormatText(delay, sizeof delay, "%d", static_cast<int>(ShownDelay(shown.delaySeconds)));
  return std::strcmp(input.name, shown.name) != 0 || std::strcmp(input.path, shown.path) != 0 ||
         std::strcmp(input.arguments, shown.arguments) != 0 ||
         std::strcmp(input.workFolder, shown.workFolder) != 0 ||
         std::strcmp(input.delay, delay) != 0 ||
         input.pathIsEnvVar != (shown.pathIsEnvVar != 0);
}

// The delay field holds what the file would hold, so it is read the way the file is.
int32_t ParseDelayText(const char* text) { return ParseScheduleNumber(text); }

int32_t ArrowPositionForDelay(int32_t delaySeconds) {
  if (delaySeconds < 0) return 0;
  if (delaySeconds > kMaxArrowDelay) return kMaxArrowDelay;
  return delaySeconds;
}

int32_t ShownDelay(int32_t delaySeconds) { return delaySeconds == -1 ? 0 : delaySeconds; }

DroppedPath ReadDroppedPath(QueryDroppedFileFn query, void* drop, char* path) {
  path[0] = '\0';
  uint32_t length = query(drop, nullptr, 0);
  if (length == 0) return DroppedPath::kNone;
  if (length >= kTextSize) return DroppedPath::kTooLong;
  query(drop, path, kTextSize);
  // The count is only a hint: a shell that counts UTF-16 characters reports fewer than the
  // bytes it copies. Only a copy that fills the buffer (but for a double-byte character
  // that did not fit), and that the count does not confirm, may be cut; any other is whole.
  path[kTextSize - 1] = '\0';
  std::size_t bytes = std::strlen(path);
  if (bytes == 0) return DroppedPath::kNone;
  if (bytes != length && bytes + 2 >= kTextSize) {
    path[0] = '\0';
    return DroppedPath::kTooLong;
  }
  return DroppedPath::kRead;
}

TestRunFile ResolveTestRunFile(const char* pathText, bool pathIsEnvVar,
                               GetVariableFn getVariable, char* file) {
  file[0] = '\0';
  if (pathText[0] == '\0') return TestRunFile::kNoPath;
  if (!pathIsEnvVar) {
    CopyText(file, kTextSize, pathText);
    return TestRunFile::kReady;
  }
  char value[kTextSize];
  uint32_t length = getVariable(pathText, value, kTextSize);
  // 0 is both "not set" and "set to nothing"; neither names a program.
  if (length == 0) return TestRunFile::kVariableUnset;
  // The buffer was not filled: the value does not fit in a path.
  if (length >= kTextSize) return TestRunFile::kVariableTooLong;
  CopyText(file, kTextSize, value);
  return TestRunFile::kReady;
}

void FormatTestRunProblem(TestRunFile problem, const char* pathText, char* message) {
  message[0] = '\0';
  if (problem == TestRunFile::kVariableUnset) {
    CopyText(message, kTextSize, "環境変数が設定されていないか、空です。\n");
  } else if (problem == TestRunFile::kVariableTooLong) {
    CopyText(message, kTextSize, "環境変数の値が長すぎるため起動できません。\n");
  } else {
    return;
  }
  AppendText(message, kTextSize, pathText);
}

void FormatLaunchFailure(const char* file, const char* reason, char* message,
                         std::size_t capacity) {
  CopyText(message, capacity, "起動できませんでした。\n");
  AppendText(message, capacity, file);
  if (reason != nullptr && reason[0] != '\0') {
    AppendText(message, capacity, "\n");
    AppendText(message, capacity, reason);
  }
}
