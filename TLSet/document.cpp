// The editor's document commands: delete and move the selected item, add and edit items
// through the item dialog, the two run options, new, open, save, save as, the start-up
// step and the save offered on close.
#include "document.h"

#include <cstring>

#include "path_split.h"

namespace {

const char kConfirmCaption[] = "確認";
const char kErrorCaption[] = "エラー";
const char kNewPrompt[] = "内容が変更されています。保存しますか？";
const char kClosePrompt[] = "内容が更新されています。保存しますか？";
const char kNotScheduleText[] = ".tlfファイルを選択してください";
const char kOpenPrompt[] = "ファイルを選択してください";
const char kSavePrompt[] = "ファイル名を入力してください";
const char kSaveFailedText[] = "保存できませんでした。\n";
const char kSaveTooLargeText[] = "ファイルが16MBを超えるため保存できません。\n";
const char kSaveTooManyText[] = "アイテムが100000個を超えるため保存できません。\n";
const char kKeptElsewhereText[] = "\nファイルは次の名前で残っています。\n";
const char kOldKeptText[] = "\n元のファイルは次の名前で残っています。\n";
const char kReadFailedText[] = "ファイルを読み込めませんでした。\n";
const char kAddTooManyText[] = "アイテムは100000個までしか登録できません。";
const char kAddNoMemoryText[] = "メモリが足りないため、アイテムを追加できませんでした。";
const char kNameTooLongText[] = "ファイル名が長すぎるため保存できません。\n";
const char kOverwriteText[] = "は既に存在します。上書きしますか？";
const char kOverwriteForeignText[] =
    "\nこのファイルはスケジュールとして読み込めなかった部分があります。"
    "上書きすると元の内容は失われます。上書きしますか？";
const char kNoFreeNameText[] = "一時ファイルの名前を作れないため保存できません。\n";
const char kScheduleExtension[] = ".tlf";
static_assert(kMaxScheduleItems == 100000 && kMaxScheduleFileBytes == 16 * 1024 * 1024,
              "the messages name the limits");

// Counts one open box or dialog for as long as it is open (see openPrompts).
struct OpenPrompt {
  explicit OpenPrompt(EditorDocument& document) : count(document.openPrompts) { ++count; }
  ~OpenPrompt() { --count; }
  int& count;
};

bool ChooseOpenPath(EditorDocument& document, char* path) {
  OpenPrompt open(document);
  return document.host.chooseOpenPath(document.host.context, path);
}

bool ChooseSavePath(EditorDocument& document, char* path) {
  OpenPrompt open(document);
  return document.host.chooseSavePath(document.host.context, path);
}

bool RunItemDialog(EditorDocument& document, ItemFields& fields) {
  OpenPrompt open(document);
  return document.host.runItemDialog(document.host.context, fields);
}

// What a failed read or save says before the file's name.
const char* ProblemText(FileProblem problem, bool saving) {
  const char* readLimit = ReadLimitText(problem);
  if (!saving && readLimit != nullptr) return readLimit;
  switch (problem) {
    case FileProblem::kTooLarge:
      return kSaveTooLargeText;
    case FileProblem::kTooManyItems:
      return kSaveTooManyText;
    default:
      return saving ? kSaveFailedText : kReadFailedText;
  }
}

// Shows text followed by detail (a path), and by more and a second path, evenMore and a
// third path when they are given, in one box; the paths are cut if they must be.
void ShowProblem(EditorDocument& document, const char* text, const char* detail,
                 const char* more = "", const char* second = "", const char* evenMore = "",
                 const char* third = "") {
  char message[kTextSize * 4];
  CopyText(message, sizeof message, text);
  AppendText(message, sizeof message, detail);
  AppendText(message, sizeof message, more);
  AppendText(message, sizeof message, second);
  AppendText(message, sizeof message, evenMore);
  AppendText(message, sizeof message, third);
  TellError(document, message);
}

bool IsScheduleFileName(const char* path) {
  return std::strcmp(PathExtension(path), kScheduleExtension) == 0;
}

void Refresh(EditorDocument& document, RowRange changed) {
  document.host.refreshList(document.host.context, document.schedule, changed);
}

// Replaces the schedule and its options by the file's. A file that cannot be read leaves
// the document as it was: an empty document under that file's name would be written over
// the file by the next save.
bool ReadScheduleInto(EditorDocument& document, const char* path) {
  ScheduleList loaded;
  ScheduleOptions options = document.options;
  bool wellFormed = false;
  FileProblem problem =
      document.host.loadSchedule(document.host.context, path, loaded, options, &wellFormed);
  if (problem != FileProblem::kNone) {
    loaded.clear();
    ShowProblem(document, ProblemText(problem, false), path);
    return false;
  }
  document.schedule.clear();
  document.schedule = loaded;
  document.options = options;
  CopyText(document.fileName, path);
  document.fileWellFormed = wellFormed;
  Refresh(document, kWholeList);
  return true;
}

// Opens a chosen or dropped file. Unsaved changes are discarded without a question, and the
// modified flag stays.
void OpenScheduleFile(EditorDocument& document, const char* path) {
  if (!IsScheduleFileName(path)) {
    TellError(document, kNotScheduleText);
    return;
  }
  if (ReadScheduleInto(document, path)) {
    document.host.showOptions(document.host.context, document.options);
  }
}

// Whether path names the document's own file under any spelling (another case, ".\", a
// short 8.3 name): by the file's identity where both names lead to a file, else by the
// full paths compared without case.
bool IsDocumentFile(const EditorDocument& document, const char* path) {
  if (document.fileName[0] == '\0') return false;
  const DocumentHost& host = document.host;
  FileIdentity own;
  FileIdentity other;
  if (host.fileIdentity(host.context, document.fileName, &own) &&
      host.fileIdentity(host.context, path, &other)) {
    return own.volume == other.volume && own.index == other.index;
  }
  char ownFull[kTextSize];
  char otherFull[kTextSize];
  if (!host.fullPath(host.context, document.fileName, ownFull) ||
      !host.fullPath(host.context, path, otherFull)) {
    return SameIgnoringCase(document.fileName, path);
  }
  return SameIgnoringCase(ownFull, otherFull);
}

// Writes the document to path and makes path its file; on failure the user is told why,
// and where the file is when none could stay under its name, and the document keeps its
// file name and its modified flag.
SaveResult WriteTo(EditorDocument& document, const char* path) {
  // A file that was opened but did not read as a schedule is replaced only when the user
  // says so; No, the default, keeps the file and the document as they are.
  if (!document.fileWellFormed && IsDocumentFile(document, path)) {
    char question[kTextSize * 2];
    CopyText(question, sizeof question, path);
    AppendText(question, sizeof question, kOverwriteForeignText);
    if (!AskQuestion(document, question, true)) return SaveResult::kCancelled;
  }
  char keptAs[kTextSize] = "";
  char oldKeptAs[kTextSize] = "";
  FileProblem problem = document.host.writeSchedule(
      document.host.context, path, document.schedule, document.options, keptAs, oldKeptAs);
  if (problem == FileProblem::kKeptElsewhere) {
    ShowProblem(document, kSaveFailedText, path, kKeptElsewhereText, keptAs,
                oldKeptAs[0] != '\0' ? kOldKeptText : "", oldKeptAs);
    return SaveResult::kFailed;
  }
  if (problem == FileProblem::kNoFreeName) {
    char folder[kTextSize];
    SplitDriveAndFolder(path, folder, sizeof folder);
    ShowProblem(document, kNoFreeNameText, folder);
    return SaveResult::kFailed;
  }
  if (problem != FileProblem::kNone) {
    ShowProblem(document, ProblemText(problem, true), path);
    return SaveResult::kFailed;
  }
  if (path != document.fileName) CopyText(document.fileName, path);
  document.modified = false;
  document.fileWellFormed = true;  // the file now holds what the editor wrote
  return SaveResult::kSaved;
}

bool (ScheduleList::*MoveOperation(MoveDirection direction))(int32_t) {
  switch (direction) {
    case MoveDirection::kTop:
      return &ScheduleList::moveToTop;
    case MoveDirection::kUp:
      return &ScheduleList::moveUp;
    case MoveDirection::kDown:
      return &ScheduleList::moveDown;
    case MoveDirection::kBottom:
    default:
      return &ScheduleList::moveToBottom;
  }
}

int32_t RowAfterMove(MoveDirection direction, int32_t row, int32_t itemCount) {
  switch (direction) {
    case MoveDirection::kTop:
      return 0;
    case MoveDirection::kUp:
      return row - 1;
    case MoveDirection::kDown:
      return row + 1;
    case MoveDirection::kBottom:
    default:
      return itemCount - 1;
  }
}

// A move changes the rows between the item's old and new place, both included.
RowRange RowsTouchedByMove(int32_t row, int32_t rowAfter) {
  return row < rowAfter ? RowRange{row, rowAfter} : RowRange{rowAfter, row};
}

}  // namespace

bool HasOpenPrompt(const EditorDocument& document) { return document.openPrompts > 0; }

bool AskQuestion(EditorDocument& document, const char* text, bool defaultNo) {
  OpenPrompt open(document);
  return document.host.askYesNo(document.host.context, text, kConfirmCaption, defaultNo);
}

void TellError(EditorDocument& document, const char* text) {
  OpenPrompt open(document);
  document.host.showMessage(document.host.context, text, kErrorCaption);
}

void DeleteSelectedItem(EditorDocument& document) {
  if (HasOpenPrompt(document)) return;
  int32_t row = document.host.selectedRow(document.host.context);
  if (!document.schedule.removeAt(row)) return;
  document.modified = true;
  // Every row below moves up by one.
  Refresh(document, RowsFrom(row, document.schedule.itemCount));
}

void MoveSelectedItem(EditorDocument& document, MoveDirection direction) {
  if (HasOpenPrompt(document)) return;
  int32_t row = document.host.selectedRow(document.host.context);
  if (!(document.schedule.*MoveOperation(direction))(row)) return;
  document.modified = true;
  int32_t rowAfter = RowAfterMove(direction, row, document.schedule.itemCount);
  Refresh(document, RowsTouchedByMove(row, rowAfter));
  // The refresh took the selection away; it follows the moved item.
  document.host.selectRow(document.host.context, rowAfter);
}

void AddItem(EditorDocument& document) {
  if (HasOpenPrompt(document)) return;
  // A schedule beyond the limit could be neither saved nor read again.
  if (document.schedule.itemCount >= kMaxScheduleItems) {
    TellError(document, kAddTooManyText);
    return;
  }
  ItemFields fields;
  ResetItemFields(fields);
  if (!RunItemDialog(document, fields)) return;
  ScheduleItem* item =
      NewScheduleItem(fields.name, fields.path, fields.arguments, fields.workFolder,
                      fields.delaySeconds, fields.pathIsEnvVar);
  if (item == nullptr) {
    TellError(document, kAddNoMemoryText);
    return;
  }
  document.schedule.append(item);
  ++document.schedule.itemCount;
  document.modified = true;
  Refresh(document, RowsFrom(document.schedule.itemCount - 1, document.schedule.itemCount));
  // The new item is the last row; selecting it also scrolls a long list down to it.
  document.host.selectRow(document.host.context, document.schedule.itemCount - 1);
}

void EditSelectedItem(EditorDocument& document) {
  if (HasOpenPrompt(document)) return;
  int32_t row = document.host.selectedRow(document.host.context);
  const ScheduleItem* shown = document.schedule.at(row);
  if (shown == nullptr) return;
  ItemFields fields;
  shown->get(fields.name, fields.path, fields.arguments, fields.workFolder,
             &fields.delaySeconds, &fields.pathIsEnvVar);
  if (!RunItemDialog(document, fields)) return;
  // The dialog ran a message loop of its own: the item is looked up again, not trusted.
  ScheduleItem* item = document.schedule.at(row);
  if (item == nullptr) return;
  item->set(fields.name, fields.path, fields.arguments, fields.workFolder, fields.delaySeconds,
            fields.pathIsEnvVar);
  document.modified = true;
  Refresh(document, RowRange{row, row});
  document.host.selectRow(document.host.context, row);
}

void ToggleOption(EditorDocument& document, RunOption option) {
  if (HasOpenPrompt(document)) return;
  bool& value = option == RunOption::kShowRunnerWindow ? document.options.showRunnerWindow
                                                       : document.options.exitAfterRun;
  value = !value;
  document.modified = true;
  document.host.showOptions(document.host.context, document.options);
}

void NewSchedule(EditorDocument& document) {
  if (HasOpenPrompt(document)) return;
  if (document.modified && AskQuestion(document, kNewPrompt)) {
    // A save that did not happen (cancelled or failed) stops the new schedule.
    if (SaveSchedule(document) != SaveResult::kSaved) return;
  }
  // The modified flag stays as it is: after a "no" the close prompt asks again.
  document.fileName[0] = '\0';
  document.schedule.clear();
  Refresh(document, kWholeList);
  document.options = ScheduleOptions{};
  document.host.showOptions(document.host.context, document.options);
}

void OpenSchedule(EditorDocument& document) {
  if (HasOpenPrompt(document)) return;
  char path[kTextSize];
  CopyText(path, kOpenPrompt);
  if (!ChooseOpenPath(document, path)) return;
  OpenScheduleFile(document, path);
}

void OpenDroppedSchedule(EditorDocument& document, QueryDroppedFileFn query, void* drop) {
  if (HasOpenPrompt(document)) return;
  char path[kTextSize];
  DroppedPath dropped = ReadDroppedPath(query, drop, path);
  if (dropped == DroppedPath::kTooLong) TellError(document, kDroppedPathTooLongText);
  if (dropped == DroppedPath::kRead) OpenScheduleFile(document, path);
}

SaveResult SaveSchedule(EditorDocument& document) {
  if (HasOpenPrompt(document)) return SaveResult::kCancelled;
  if (document.fileName[0] == '\0') return SaveScheduleAs(document);
  return WriteTo(document, document.fileName);
}

SaveResult SaveScheduleAs(EditorDocument& document) {
  if (HasOpenPrompt(document)) return SaveResult::kCancelled;
  char chosen[kTextSize];
  CopyText(chosen, kSavePrompt);
  if (!ChooseSavePath(document, chosen)) return SaveResult::kCancelled;
  char path[kTextSize];
  CopyText(path, chosen);
  // The extension is added only when the name lacks it, so plan.tlf stays plan.tlf.
  if (!IsScheduleFileName(path) && !AppendText(path, kScheduleExtension)) {
    ShowProblem(document, kNameTooLongText, chosen);
    return SaveResult::kFailed;
  }
  // The dialog does not ask about an existing file (the name it returned may lack the
  // extension), so the question comes here, for every file but the document's own.
  if (!IsDocumentFile(document, path) &&
      document.host.fileExists(document.host.context, path)) {
    char question[kTextSize * 2];
    CopyText(question, sizeof question, path);
    AppendText(question, sizeof question, kOverwriteText);
    if (!AskQuestion(document, question)) return SaveResult::kCancelled;
  }
  return WriteTo(document, path);
}

void ApplyCommandLine(EditorDocument& document, int argCount, const char* const* args,
                      FileLookup lookup) {
  document.modified = false;
  if (argCount < 1) {
    document.host.registerAssociation(document.host.context);
    document.options.showRunnerWindow = false;
    document.options.exitAfterRun = true;
    return;
  }
  // A file that does not exist leaves the name empty: an empty, untitled schedule with
  // both options off. One that exists but cannot be read is reported and gives the same.
  char path[kTextSize] = "";
  if (!ToLongPath(args[0], path, sizeof path, lookup)) return;
  ReadScheduleInto(document, path);
}

bool OfferSaveOnClose(EditorDocument& document) {
  if (HasOpenPrompt(document)) return false;
  if (!document.modified || !AskQuestion(document, kClosePrompt)) return true;
  // A failed save has been reported; the user gets one more chance under another name.
  SaveResult saved = SaveSchedule(document);
  if (saved == SaveResult::kFailed) saved = SaveScheduleAs(document);
  return saved == SaveResult::kSaved;
}

bool AllowSessionEnd(EditorDocument& document) {
  // The item dialog is one of the open prompts: what was typed into it would be lost too.
  if (HasOpenPrompt(document)) {
    return !document.modified && !document.host.itemDialogChanged(document.host.context);
  }
  return OfferSaveOnClose(document);
}

void FreeDocument(EditorDocument& document) { document.schedule.clear(); }
