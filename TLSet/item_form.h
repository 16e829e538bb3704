// The item dialog's rules without the dialog: the record it exchanges with the add and edit
// commands, the checks on OK (in the order the user meets them), the delay field, and what
// the test run launches.
#pragma once

#include <cstdint>

#include "launch_sequencer.h"
#include "text.h"

// The values the item dialog shows and returns. Reset: texts empty, delay -1 (unset, the
// dialog shows 0), flag off.
struct ItemFields {
  char name[kTextSize];
  char path[kTextSize];
  char arguments[kTextSize];
  char workFolder[kTextSize];
  int32_t delaySeconds;
  int32_t pathIsEnvVar;
};

void ResetItemFields(ItemFields& fields);

// The longest text a schedule file keeps: a longer one would come back cut after a reload.
constexpr std::size_t kMaxItemTextBytes = 258;
// The delay arrows' range; a stored delay above it is shown and kept until an arrow moves.
constexpr int32_t kMaxArrowDelay = 30;

// The controls' contents as read on OK, whole (not cut to any buffer).
struct ItemFormInput {
  const char* name;
  const char* path;
  const char* arguments;
  const char* workFolder;
  const char* delay;
  bool pathIsEnvVar;
};

enum class ItemField { kNone, kName, kPath, kArguments, kWorkFolder };

// What OK found wrong: the field to focus and the message box to show.
struct FormProblem {
  ItemField field;
  const char* text;
  const char* caption;
};

// The OK checks. The name loses its leading white space first (a reload would lose it), so
// a name of blanks only counts as empty. Then: name empty, path empty, and any text longer
// than a schedule file keeps. With no problem (field kNone) fields holds the entry.
FormProblem ReadItemForm(const ItemFormInput& input, ItemFields& fields);

// The OK checks' length rule for the texts the test run launches: the path, the arguments
// and the working folder whole, with OK's message for an over-long one. An empty path is
// no problem here (the test run then does nothing). With no problem fields holds the three.
FormProblem ReadTestRunFields(const ItemFormInput& input, ItemFields& fields);

// Whether the controls' contents differ from the fields the dialog was opened with, as it
// showed them (the delay as ShownDelay, in decimal): unsaved input a logoff would drop.
bool ItemFormChanged(const ItemFormInput& input, const ItemFields& shown);

// The delay field's text as a number: leading white space, an optional sign, digits up to
// the first other character; no digits give 0; a value beyond 32 bits saturates.
int32_t ParseDelayText(const char* text);

// The arrow position for a delay shown in the dialog: the delay held to 0..30.
int32_t ArrowPositionForDelay(int32_t delaySeconds);

// The delay the field shows: -1 (unset) as 0, any other delay as it is stored, sign and
// all, so OK keeps it until an arrow moves.
int32_t ShownDelay(int32_t delaySeconds);

// DragQueryFileA for the first file of one drop: without a buffer (nullptr, 0) the length
// of its path, else the path copied into buffer and cut to capacity - 1 bytes.
using QueryDroppedFileFn = uint32_t (*)(void* drop, char* buffer, uint32_t capacity);

enum class DroppedPath { kRead, kNone, kTooLong };
// The first dropped file's whole path into path (kTextSize bytes). Its length is asked
// first, so a path that does not fit is refused before anything is copied: never cut. A
// copy that fills the buffer with a length other than the one reported (which may count
// UTF-16 characters, not bytes) may be cut and is refused too (kTooLong); any other copy
// is taken. kNone: no name at all.
DroppedPath ReadDroppedPath(QueryDroppedFileFn query, void* drop, char* path);
extern const char kDroppedPathTooLongText[];

// What the test run opens for the path field as it is on screen.
enum class TestRunFile { kReady, kNoPath, kVariableUnset, kVariableTooLong };
TestRunFile ResolveTestRunFile(const char* pathText, bool pathIsEnvVar,
                               GetVariableFn getVariable, char* file);

// The message for a test run that launches nothing or fails, into message (kTextSize
// bytes); reason is the system's text for a failed launch.
void FormatTestRunProblem(TestRunFile problem, const char* pathText, char* message);
void FormatLaunchFailure(const char* file, const char* reason, char* message,
                         std::size_t capacity);
