// Registering the open schedule to run at logon, and taking it away again.
#include "run_at_logon.h"

#include "logon_run.h"

namespace {

const char kSaveFirstText[] =
    "ログオン時に実行するには、スケジュールを保存する必要があります。保存しますか？";
const char kRunnerMissingText[] = "TLRun.exeが見つかりません。\n";
const char kReplaceText[] =
    "ログオン時には次のスケジュールが実行されるよう登録されています。\n";
const char kReplaceQuestion[] = "\n置き換えますか？";
const char kNotRegisteredText[] = "ログオン時の実行を登録できませんでした。";
const char kNotRemovedText[] = "ログオン時の実行を解除できませんでした。";

bool IsSaved(const EditorDocument& document) {
  return !document.modified && document.fileName[0] != '\0';
}

// Only a schedule as it stands on disk is registered. The editor's own save runs (save as
// for an untitled one); a cancelled dialog or a failed save leaves it unsaved, and then
// nothing is registered.
bool SaveFirst(EditorDocument& document) {
  if (IsSaved(document)) return true;
  if (!AskQuestion(document, kSaveFirstText)) return false;
  SaveSchedule(document);
  return IsSaved(document);
}

// An error under "エラー": text, followed by detail (a path) when there is one.
void Show(EditorDocument& document, const char* text, const char* detail = "") {
  char message[kTextSize * 2];
  CopyText(message, sizeof message, text);
  AppendText(message, sizeof message, detail);
  TellError(document, message);
}

// A value that runs something else is replaced only when the user says so. The question
// names that schedule, or the whole command when it does not start a runner.
bool MayReplace(EditorDocument& document, const LogonCommand& logon) {
  if (logon.state == LogonCommand::kAbsent) return true;
  char question[kTextSize * 3];
  CopyText(question, sizeof question, kReplaceText);
  AppendText(question, sizeof question, logon.runsRunner ? logon.schedule : logon.command);
  AppendText(question, sizeof question, kReplaceQuestion);
  return AskQuestion(document, question);
}

}  // namespace

bool DocumentRunsAtLogon(const EditorDocument& document, const RegistryHost& registry) {
  return document.fileName[0] != '\0' &&
         RunsAtLogon(ReadLogonCommand(registry), document.fileName);
}

bool RegisterRunAtLogon(EditorDocument& document, const RegistryHost& registry,
                        const char* programPath) {
  if (!SaveFirst(document)) return false;
  // Beside the editor's own file, not in the current folder, which the file dialogs move.
  char runner[kTextSize];
  if (!RunnerBeside(programPath, runner) ||
      !document.host.fileExists(document.host.context, runner)) {
    Show(document, kRunnerMissingText, runner);
    return false;
  }
  // Read after the save: a save as may have named the very schedule the value runs already.
  LogonCommand logon = ReadLogonCommand(registry);
  if (RunsAtLogon(logon, document.fileName)) return true;
  if (!MayReplace(document, logon)) return false;
  if (WriteLogonCommand(registry, runner, document.fileName)) return true;
  Show(document, kNotRegisteredText);
  return false;
}

void ToggleRunAtLogon(EditorDocument& document, const RegistryHost& registry,
                      const char* programPath) {
  if (HasOpenPrompt(document)) return;
  if (RunsAtLogon(ReadLogonCommand(registry), document.fileName)) {
    if (!DeleteLogonCommand(registry)) Show(document, kNotRemovedText);
    return;
  }
  RegisterRunAtLogon(document, registry, programPath);
}
