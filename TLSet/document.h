// The editor's document: the schedule being edited, its two run options, the file it was
// opened from or saved to, and whether it changed since. The commands below act on it
// through a small host (the list view's selection, message boxes, file dialogs, the item
// dialog), so every rule runs natively with a fake host.
#pragma once

#include <cstdint>

#include "item_form.h"
#include "list_rows.h"
#include "long_path.h"
#include "schedule.h"
#include "schedule_file.h"
#include "text.h"

struct EditorDocument;

// Which file a name leads to: its volume's serial number and its index on that volume.
struct FileIdentity {
  uint32_t volume = 0;
  uint64_t index = 0;
};

// The Win32 host is Win32DocumentHost in TLSet/document_host.cpp, where each member is Host
// and its name (writeSchedule: HostWriteSchedule); the fake is tests/fakes/fake_document_host.
struct DocumentHost {
  // The first selected row of the list view, -1 when none is selected.
  int32_t (*selectedRow)(void* context);
  // Selects and focuses the row (the previous selection is gone) and scrolls it into view.
  void (*selectRow)(void* context, int32_t row);
  // Shows the schedule's rows and draws the changed ones anew (kWholeList: another
  // schedule, shown from its top); no row is selected afterwards.
  void (*refreshList)(void* context, const ScheduleList& schedule, RowRange changed);
  // Shows both option check boxes as the options are.
  void (*showOptions)(void* context, const ScheduleOptions& options);
  // Modal message boxes without owner: OK only, and yes/no (true for yes), whose default
  // button is No when defaultNo is set.
  void (*showMessage)(void* context, const char* text, const char* caption);
  bool (*askYesNo)(void* context, const char* text, const char* caption, bool defaultNo);
  // The open and save-as file dialogs. path (kTextSize bytes) holds the prompt the dialog
  // shows in its name box; true and the chosen path there when the user confirms.
  bool (*chooseOpenPath)(void* context, char* path);
  bool (*chooseSavePath)(void* context, char* path);
  // The item dialog over fields; true when it ended with OK (fields then hold the entry).
  bool (*runItemDialog)(void* context, ItemFields& fields);
  // Whether the item dialog is open with a field the user changed.
  bool (*itemDialogChanged)(void* context);
  // The file system as the document sees it.
  bool (*fileExists)(void* context, const char* path);
  // The identity of the file at path (GetFileInformationByHandle); false when there is no
  // file there to ask, or it cannot be opened.
  bool (*fileIdentity)(void* context, const char* path, FileIdentity* identity);
  // The full form of path (GetFullPathNameA) into full (kTextSize bytes); false when it
  // cannot be made or does not fit.
  bool (*fullPath)(void* context, const char* path, char* full);
  // Reading and writing a schedule file: kNone when it was done, else why not. keptAs
  // (kTextSize bytes) receives the name that holds the content of a kKeptElsewhere save,
  // oldKeptAs (kTextSize bytes) the backup's name when the old file stays under it.
  // wellFormed: whether the file read as a schedule (ParseScheduleText).
  FileProblem (*loadSchedule)(void* context, const char* path, ScheduleList& schedule,
                              ScheduleOptions& options, bool* wellFormed);
  FileProblem (*writeSchedule)(void* context, const char* path, const ScheduleList& schedule,
                               const ScheduleOptions& options, char* keptAs, char* oldKeptAs);
  // The editor's silent shell registration at a start without a file.
  void (*registerAssociation)(void* context);
  void* context;
};

struct EditorDocument {
  DocumentHost host;
  ScheduleList schedule;
  ScheduleOptions options;
  char fileName[kTextSize] = "";  // empty while the document is untitled
  bool modified = false;
  // False while the file under fileName holds more than a schedule (a picture, another
  // program's file): the first save over it asks, as the save would lose the rest.
  bool fileWellFormed = true;
  // Message boxes and dialogs of the document now open. Each runs a modal loop that goes
  // on dispatching the window's messages; input that reaches the document meanwhile is
  // dropped, so every question is answered about the document it was asked about.
  int openPrompts = 0;
};

enum class MoveDirection { kTop, kUp, kDown, kBottom };
enum class RunOption { kShowRunnerWindow, kExitAfterRun };
enum class SaveResult { kSaved, kCancelled, kFailed };

// The document's own questions (under "確認") and errors (under "エラー"), counted in
// openPrompts while they are open; HasOpenPrompt tells whether one is open now.
bool AskQuestion(EditorDocument& document, const char* text, bool defaultNo = false);
void TellError(EditorDocument& document, const char* text);
bool HasOpenPrompt(const EditorDocument& document);

void DeleteSelectedItem(EditorDocument& document);
void MoveSelectedItem(EditorDocument& document, MoveDirection direction);
void AddItem(EditorDocument& document);
void EditSelectedItem(EditorDocument& document);
void ToggleOption(EditorDocument& document, RunOption option);

void NewSchedule(EditorDocument& document);
void OpenSchedule(EditorDocument& document);
// A file dropped on the main window, read through query: opened as the open command opens
// a file. A path too long for a path buffer is refused with a message, never opened cut.
void OpenDroppedSchedule(EditorDocument& document, QueryDroppedFileFn query, void* drop);
SaveResult SaveSchedule(EditorDocument& document);
SaveResult SaveScheduleAs(EditorDocument& document);

// The start-up step: args are the arguments after the program name. The first one, when
// there is one, names the schedule to open; without one the association is registered
// and the document starts empty with the exit-after-run option on.
void ApplyCommandLine(EditorDocument& document, int argCount, const char* const* args,
                      FileLookup lookup);

// Offers to save a modified document before the window closes. True when the window may
// close: nothing to save, the user declined, or the document is saved. A save that was
// chosen but did not happen (cancelled, refused overwrite, failed twice) keeps the window,
// and so does a close that arrives while a question is open.
bool OfferSaveOnClose(EditorDocument& document);

// The answer to a logoff: as a close, except that a logoff arriving while a question is
// open asks nothing more and lets the session end only when nothing would be lost: no
// change to the document, nor one typed into the item dialog.
bool AllowSessionEnd(EditorDocument& document);

// Frees every item; the document is empty afterwards.
void FreeDocument(EditorDocument& document);
