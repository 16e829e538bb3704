// RunRecord: the run record, a text file a user can read afterwards ("did everything start
// this morning?"). Each run appends one line per event to %LOCALAPPDATA%\Tarvilo\run.log:
// the run's start with the schedule's path, each launch, each failure with its reason, a
// stop, a resume and the run's end, each line after a local time stamp. Code page 932
// text with CR LF line ends. A record that cannot be written is left out and changes
// nothing else: the runner never says a word about it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "launch_sequencer.h"
#include "text.h"

// Past this size the record is renamed to run.old.log (replacing an older one) before the
// next line is written, and a new one is begun.
constexpr uint64_t kRunRecordLimitBytes = 256 * 1024;

struct RecordTime {
  int32_t year, month, day, hour, minute, second;
};

// The Win32 host is PlatformRunRecordHost in common/run_record_win.cpp; each member names
// the function there and the call it makes.
struct RunRecordHost {
  RecordTime (*localTime)(void* context);  // RecordLocalTime: GetLocalTime
  // RecordFileSize: GetFileAttributesExA. The file's size in bytes, 0 when there is none.
  uint64_t (*fileSize)(void* context, const char* path);
  // RecordAppend: CreateDirectoryA for the folder, CreateFileA with FILE_APPEND_DATA and
  // WriteFile. Appends bytes to the file, creating it (and its folder) when missing.
  bool (*appendToFile)(void* context, const char* path, const char* bytes, std::size_t size);
  // RecordRename: MoveFileExA with MOVEFILE_REPLACE_EXISTING.
  bool (*renameReplacing)(void* context, const char* from, const char* to);
  void* context;
};

RunRecordHost PlatformRunRecordHost();

struct RunRecord {
  RunRecordHost host{};
  char path[kTextSize] = "";  // empty: there is no record to write
  char oldPath[kTextSize] = "";
};

// Places the record in the folder for the user's local application data (localData, e.g.
// the value of LOCALAPPDATA); false, and no record, when the folder is unknown or the
// paths do not fit.
bool RunRecordOpen(RunRecord& record, const RunRecordHost& host, const char* localData);
// The run's start, with the schedule's path.
void RecordRunStart(RunRecord& record, const char* schedulePath);
// A text of the runner's own (a message it showed): its line breaks become blanks.
void RecordMessage(RunRecord& record, const char* message);
// What the sequencer reported: launches, failures, stop, resume and the run's end.
void RecordSequencerReport(RunRecord& record, const SequencerReport& report);

// The runner is closed before its last launch: the run ends there, and the line says how
// many items it did not start. Nothing once every item was launched ("実行終了" said it).
void RecordRunClosed(RunRecord& record, const LaunchSequencer& sequencer);

// One line of the record, CR LF included, into line (capacity bytes): the time stamp
// "yyyy-mm-dd hh:mm:ss", a blank and the text, whose own line breaks become blanks. A
// text too long for the line is cut at a whole character.
void FormatRecordLine(const RecordTime& time, const char* text, char* line,
                      std::size_t capacity);
