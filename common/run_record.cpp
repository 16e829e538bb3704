// RunRecord: one line per event, written at once, so a runner that ends unexpectedly still
// leaves what happened until then. The sequencer reports a tick's launches after the next
// timer runs, so the writing never holds up a launch.
#include "run_record.h"

#include <cstring>

namespace {

const char kFolder[] = "\\Tarvilo";
const char kFileName[] = "\\run.log";
const char kOldFileName[] = "\\run.old.log";

// A record line holds a name, a path and a reason, each up to 259 bytes, and the words
// around them.
constexpr std::size_t kLineSize = kTextSize * 4;

// Turns CR and LF into blanks, so one event stays one line.
void FlattenLineBreaks(char* text) {
  for (char* at = text; *at != '\0'; ++at) {
    if (*at == '\r' || *at == '\n') *at = ' ';
  }
}

void WriteLine(RunRecord& record, const char* text) {
  if (record.path[0] == '\0') return;
  const RunRecordHost& host = record.host;
  char line[kLineSize];
  FormatRecordLine(host.localTime(host.context), text, line, sizeof line);
  // The rename may fail (the old record held open): the record then just goes on growing.
  if (host.fileSize(host.context, record.path) > kRunRecordLimitBytes) {
    host.renameReplacing(host.context, record.path, record.oldPath);
  }
  // A line that cannot be written is left out; nothing else depends on it.
  host.appendToFile(host.context, record.path, line, std::strlen(line));
}

// The text of an event that names an item: words, the item's name and path in brackets,
// and for a failure its reason after a colon.
void WriteItemLine(RunRecord& record, const SequencerReport& report) {
  char text[kLineSize];
  const ScheduleItem& item = *report.item;
  if (report.failure == nullptr) {
    FormatText(text, sizeof text, "起動 %s (%s)", item.name, item.path);
  } else {
    FormatText(text, sizeof text, "失敗 %s (%s): %s", item.name, item.path, report.failure);
  }
  WriteLine(record, text);
}

}  // namespace

bool RunRecordOpen(RunRecord& record, const RunRecordHost& host, const char* localData) {
  record.host = host;
  record.path[0] = '\0';
  record.oldPath[0] = '\0';
  if (localData == nullptr || localData[0] == '\0') return false;
  // The longer name first: when it fits, so does the record's own, and a path left empty
  // means no record.
  return FormatText(record.oldPath, kTextSize, "%s%s%s", localData, kFolder, kOldFileName) &&
         FormatText(record.path, kTextSize, "%s%s%s", localData, kFolder, kFileName);
}

void RecordRunStart(RunRecord& record, const char* schedulePath) {
  char text[kLineSize];
  FormatText(text, sizeof text, "実行開始 %s", schedulePath);
  WriteLine(record, text);
}

void RecordMessage(RunRecord& record, const char* message) { WriteLine(record, message); }

void RecordSequencerReport(RunRecord& record, const SequencerReport& report) {
  switch (report.event) {
    case SequencerEvent::kLaunched:
      WriteItemLine(record, report);
      break;
    case SequencerEvent::kStopped:
      WriteLine(record, "停止");
      break;
    case SequencerEvent::kResumed:
      WriteLine(record, "再開");
      break;
    case SequencerEvent::kRunFinished:
      WriteLine(record, "実行終了");
      break;
    case SequencerEvent::kTickOver:
      break;
  }
}

void RecordRunClosed(RunRecord& record, const LaunchSequencer& sequencer) {
  int count = 0;
  for (const ScheduleItem* item = sequencer.waitingItem; item != nullptr; item = item->next) {
    ++count;
  }
  if (count == 0) return;
  char text[kLineSize];
  FormatText(text, sizeof text, "実行中止 (未起動 %d 件)", count);
  WriteLine(record, text);
}

void FormatRecordLine(const RecordTime& time, const char* text, char* line,
                      std::size_t capacity) {
  FormatText(line, capacity, "%04d-%02d-%02d %02d:%02d:%02d ", static_cast<int>(time.year),
             static_cast<int>(time.month), static_cast<int>(time.day),
             static_cast<int>(time.hour), static_cast<int>(time.minute),
             static_cast<int>(time.second));
  std::size_t stamp = std::strlen(line);
  // The text is cut where the line end still fits after it.
  if (capacity > stamp + 3) CopyText(line + stamp, capacity - stamp - 2, text);
  FlattenLineBreaks(line + stamp);
  AppendText(line, capacity, "\r\n");
}
