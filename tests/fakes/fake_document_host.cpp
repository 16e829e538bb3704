// The fake document host: scripted answers and an in-memory file system.
#include "fakes/fake_document_host.h"

namespace {

FakeDocumentHost& Fake(void* context) { return *static_cast<FakeDocumentHost*>(context); }

// The writer's bytes as a string; out of memory never happens here.
std::string FormattedSchedule(const ScheduleList& schedule, const ScheduleOptions& options) {
  ScheduleFileBytes bytes;
  FormatScheduleFile(schedule, options, bytes);
  std::string text(bytes.data, bytes.size);
  FreeScheduleFileBytes(bytes);
  return text;
}

void PromptOpen(FakeDocumentHost& fake) {
  std::function<void()> input;
  input.swap(fake.whilePromptOpen);
  if (input) input();
}

bool NextPath(FakeDocumentHost& fake, std::deque<std::string>& script, char* path) {
  PromptOpen(fake);
  fake.dialogPrompts.push_back(path);
  if (script.empty()) return false;
  std::string chosen = script.front();
  script.pop_front();
  if (chosen.empty()) return false;
  CopyText(path, kTextSize, chosen.c_str());
  return true;
}

}  // namespace

DocumentHost FakeDocumentHost::host() {
  DocumentHost table{};
  table.selectedRow = [](void* context) { return Fake(context).selected; };
  table.selectRow = [](void* context, int32_t row) { Fake(context).selected = row; };
  table.refreshList = [](void* context, const ScheduleList& schedule, RowRange changed) {
    FakeDocumentHost& fake = Fake(context);
    fake.redrawn = changed;
    fake.rows = ItemNames(schedule);
    fake.selected = -1;
    ++fake.refreshes;
  };
  table.showOptions = [](void* context, const ScheduleOptions& options) {
    Fake(context).shownOptions = options;
    ++Fake(context).optionShows;
  };
  table.showMessage = [](void* context, const char* text, const char* caption) {
    PromptOpen(Fake(context));
    Fake(context).messages.push_back({text, caption, false, false});
  };
  table.askYesNo = [](void* context, const char* text, const char* caption, bool defaultNo) {
    FakeDocumentHost& fake = Fake(context);
    PromptOpen(fake);
    fake.messages.push_back({text, caption, true, defaultNo});
    if (fake.answers.empty()) return true;
    bool yes = fake.answers.front();
    fake.answers.pop_front();
    return yes;
  };
  table.chooseOpenPath = [](void* context, char* path) {
    return NextPath(Fake(context), Fake(context).openPaths, path);
  };
  table.chooseSavePath = [](void* context, char* path) {
    return NextPath(Fake(context), Fake(context).savePaths, path);
  };
  table.runItemDialog = [](void* context, ItemFields& fields) {
    FakeDocumentHost& fake = Fake(context);
    fake.dialogInputs.push_back(fields);
    return fake.itemDialog ? fake.itemDialog(fields) : false;
  };
  table.itemDialogChanged = [](void* context) { return Fake(context).itemDialogChanged; };
  table.fileExists = [](void* context, const char* path) {
    return Fake(context).files.count(path) > 0;
  };
  table.fileIdentity = [](void* context, const char* path, FileIdentity* identity) {
    identity->index = Fake(context).identities[path];  // 0: no file known there
    return identity->index != 0;
  };
  table.fullPath = [](void*, const char* path, char* full) {
    return CopyText(full, kTextSize, path);
  };
  table.loadSchedule = [](void* context, const char* path, ScheduleList& schedule,
                          ScheduleOptions& options, bool* wellFormed) {
    FakeDocumentHost& fake = Fake(context);
    schedule.clear();
    auto file = fake.files.find(path);
    if (file == fake.files.end()) return FileProblem::kFailed;
    if (fake.unreadable.count(path) > 0) return fake.failure;
    return ParseScheduleText(file->second.data(), file->second.size(), schedule, options,
                             wellFormed);
  };
  table.writeSchedule = [](void* context, const char* path, const ScheduleList& schedule,
                           const ScheduleOptions& options, char* keptAs, char* oldKeptAs) {
    FakeDocumentHost& fake = Fake(context);
    CopyText(keptAs, kTextSize, fake.keptAs.c_str());
    CopyText(oldKeptAs, kTextSize, fake.oldKeptAs.c_str());
    if (fake.unwritable.count(path) > 0) return fake.failure;
    fake.files[path] = FormattedSchedule(schedule, options);
    fake.writes.push_back(path);
    return FileProblem::kNone;
  };
  table.registerAssociation = [](void* context) { ++Fake(context).registrations; };
  table.context = this;
  return table;
}

std::string FakeDocumentHost::ScheduleBytes(const std::vector<std::string>& names, bool show,
                                            bool exitAfter) {
  ScheduleList schedule;
  FillList(schedule, names);
  std::string bytes = FormattedSchedule(schedule, ScheduleOptions{show, exitAfter});
  schedule.clear();
  return bytes;
}

uint32_t QueryDroppedName(void* drop, char* buffer, uint32_t capacity) {
  std::string name = static_cast<const char*>(drop);
  if (buffer != nullptr) name = name.substr(0, capacity - 1);
  if (buffer != nullptr) CopyText(buffer, capacity, name.c_str());
  return static_cast<uint32_t>(name.size());
}

void FillList(ScheduleList& schedule, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    std::string path = name + ".exe";
    schedule.append(NewScheduleItem(name.c_str(), path.c_str(), "", "", 0, 0));
    ++schedule.itemCount;
  }
}

std::vector<std::string> ItemNames(const ScheduleList& schedule) {
  std::vector<std::string> names;
  for (const ScheduleItem* item = schedule.head; item != nullptr; item = item->next) {
    names.push_back(item->name);
  }
  return names;
}
