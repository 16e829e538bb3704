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
  // Modal message boxes without owner: OK only, and yes/no (true for yes).
  void (*showMessage)(void* context, const char* text, const char* caption);
  bool (*askYesNo)(void* context, const char* text, const char* caption);
  // The open and save-as file dialogs. path (kTextSize bytes) holds the prompt the dialog
  // shows in its name box; true and the chosen path there when the user confirms.
  bool (*chooseOpenPath)(void* context, char* path);
  bool (*chooseSavePath)(void* context, char* path);
  // The item dialog over fields; true when it ended with OK (fields then hold the entry).
  bool (*runItemDialog)(void* context, ItemFields& fields);
  // The file system as the document sees it.
  bool (*fileExists)(void* context, const char* path);
  bool (*loadSchedule)(void* context, const char* path, ScheduleList& schedule,
                       ScheduleOptions& options);
  bool (*writeSchedule)(void* context, const char* path, const ScheduleList& schedule,
                        const ScheduleOptions& options);
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
};

enum class MoveDirection { kTop, kUp, kDown, kBottom };
enum class RunOption { kShowRunnerWindow, kExitAfterRun };
enum class SaveResult { kSaved, kCancelled, kFailed };

void DeleteSelectedItem(EditorDocument& document);
void MoveSelectedItem(EditorDocument& document, MoveDirection direction);
void AddItem(EditorDocument& document);
void EditSelectedItem(EditorDocument& document);
void ToggleOption(EditorDocument& document, RunOption option);

void NewSchedule(EditorDocument& document);
void OpenSchedule(EditorDocument& document);
// A schedule file dropped on the main window: opened as the open command opens a file.
void OpenDroppedSchedule(EditorDocument& document, const char* path);
SaveResult SaveSchedule(EditorDocument& document);
SaveResult SaveScheduleAs(EditorDocument& document);

// The start-up step: args are the arguments after the program name. The first one, when
// there is one, names the schedule to open; without one the association is registered
// and the document starts empty with the exit-after-run option on.
void ApplyCommandLine(EditorDocument& document, int argCount, const char* const* args,
                      FileLookup lookup);

// Offers to save a modified document before the window closes. There is no way back: the
// window closes afterwards whatever the answer and however the save went.
void OfferSaveOnClose(EditorDocument& document);

// Frees every item; the document is empty afterwards.
void FreeDocument(EditorDocument& document);
