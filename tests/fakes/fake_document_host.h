// A fake host for the editor's document: a list view that only remembers its selection
// and rows, message boxes and file dialogs that answer from scripts, an item dialog that
// edits the fields it is given, and an in-memory file system of schedule files.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "document.h"

struct ShownMessage {
  std::string text;
  std::string caption;
  bool question;  // yes/no rather than OK only
  bool defaultNo;
};

struct FakeDocumentHost {
  // The list view.
  int32_t selected = -1;
  std::vector<std::string> rows;  // the names shown, refreshed by refreshList
  int refreshes = 0;
  RowRange redrawn = kNoRows;  // the rows the last refresh drew anew
  ScheduleOptions shownOptions;
  int optionShows = 0;

  // Message boxes: each question takes the next answer (yes when the script is empty).
  std::vector<ShownMessage> messages;
  std::deque<bool> answers;
  // Runs once while the next box or file dialog is open, as input that reaches the window.
  std::function<void()> whilePromptOpen;

  // File dialogs: each takes the next path; an empty string is a cancelled dialog.
  std::deque<std::string> openPaths;
  std::deque<std::string> savePaths;
  std::vector<std::string> dialogPrompts;  // what each file dialog showed in its name box

  // The item dialog: edits the fields and answers OK (true) or cancel; no script cancels.
  std::function<bool(ItemFields&)> itemDialog;
  std::vector<ItemFields> dialogInputs;  // the fields each opening was given
  bool itemDialogChanged = false;

  // Files: path -> bytes. unreadable and unwritable make those operations fail, as failure
  // says, a kKeptElsewhere save naming keptAs.
  std::map<std::string, std::string> files;
  std::map<std::string, uint64_t> identities;  // the names whose file's index is known
  std::set<std::string> unreadable;
  std::set<std::string> unwritable;
  FileProblem failure = FileProblem::kFailed;
  std::string keptAs, oldKeptAs;
  std::vector<std::string> writes;  // the paths written, in order
  int registrations = 0;

  DocumentHost host();
  // The schedule file bytes for items named as given, each with path "<name>.exe".
  static std::string ScheduleBytes(const std::vector<std::string>& names, bool show = false,
                                   bool exitAfter = false);
};

// DragQueryFileA over a drop that is the name itself (a const char*).
uint32_t QueryDroppedName(void* drop, char* buffer, uint32_t capacity);

// Appends items named as given, each with path "<name>.exe" and delay 0.
void FillList(ScheduleList& schedule, const std::vector<std::string>& names);
std::vector<std::string> ItemNames(const ScheduleList& schedule);
