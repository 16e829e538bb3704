// What Windows starts at the user's logon: the values of the user's Run key and the files
// of the user's Startup folder, each with whether Windows starts it (the StartupApproved
// value that Task Manager shows and switches) and the schedule item it would become. Only
// the user's own entries: switching machine-wide ones off needs administrator rights.
#pragma once

#include <cstdint>

#include "registry_host.h"
#include "text.h"

// One entry of the Startup folder as the wide file functions find it.
struct StartupFile {
  char name[kTextSize] = "";  // in the ANSI code page
  char path[kTextSize] = "";  // the folder and the name
  bool hidden = false;
  bool system = false;
  bool directory = false;
  bool foreign = false;  // the name or the folder has characters without an ANSI form
  bool cut = false;      // the path does not fit 259 bytes
};

using VisitStartupFileFn = void (*)(void* visitContext, const StartupFile& file);

// The file system and the system as the startup listing sees them.
// The Win32 host is Win32StartupFolderHost in common/startup_folder_win.cpp, where each
// member is the function of the same name in UpperCamelCase.
struct StartupFolderHost {
  // Calls visit for each entry of the user's Startup folder, "." and ".." excepted.
  void (*listStartupFolder)(void* context, VisitStartupFileFn visit, void* visitContext);
  // Whether the Startup folder still holds a file of this name.
  bool (*startupFileExists)(void* context, const char* name);
  bool (*fileExists)(void* context, const char* path);
  // text with its %variables% expanded into expanded (kTextSize); false when it does not fit.
  bool (*expandVariables)(void* context, const char* text, char* expanded);
  // Whether this Windows reads the StartupApproved values (Windows 8 and later).
  bool (*honoursStartupApproved)(void* context);
  // The time now as a FILETIME.
  uint64_t (*now)(void* context);
  void* context;
};

// The host over SHELL32 and KERNEL32 (Windows builds only).
StartupFolderHost Win32StartupFolderHost();

enum class StartupSource { kRun, kStartupFolder };
enum class StartupState { kOn, kOff, kOffByTarvilo };
// Why an entry cannot be taken over: its path, command or name does not fit 259 bytes; it
// has characters outside the ANSI code page; its StartupApproved value is not Task
// Manager's kind, so it could not be put back byte for byte.
enum class TakeOverBlock { kNone, kTooLong, kForeign, kUnreadable };

struct StartupEntry {
  StartupSource source = StartupSource::kRun;
  // The Run value's name or the file's name: it names the StartupApproved value and the
  // record too.
  char valueName[kTextSize] = "";
  char name[kTextSize] = "";     // shown: the value's name, the file's name without extension
  char command[kTextSize] = "";  // shown: the command line, the file's full path
  char path[kTextSize] = "";
  char arguments[kTextSize] = "";
  char workFolder[kTextSize] = "";
  StartupState state = StartupState::kOn;
  TakeOverBlock block = TakeOverBlock::kNone;
  bool chosen = false;  // checked in the list
};

constexpr int32_t kMaxStartupEntries = 200;

struct StartupList {
  StartupEntry entries[kMaxStartupEntries];
  int32_t count = 0;
};

// The Run values (REG_SZ and REG_EXPAND_SZ, not the default value nor Tarvilo's own
// "Tarvilo"), then the Startup folder's files (not desktop.ini, hidden or system files),
// with their states; the entries that Windows starts are chosen.
void ListStartupEntries(const RegistryHost& registry, const StartupFolderHost& folders,
                        StartupList& list);

// A command line split as Windows splits it into a program path and its arguments (each
// kTextSize bytes); false when either does not fit.
bool SplitStartupCommand(const StartupFolderHost& folders, const char* command, char* path,
                         char* arguments);

// The texts of the dialog's 場所 and 状態 columns (the state kTextSize bytes, with the
// reason when the entry cannot be taken over).
const char* StartupSourceText(StartupSource source);
void StartupStateText(const StartupEntry& entry, char* text);

// Whether an entry may be imported: it can be taken over and Tarvilo has not switched it
// off already.
bool MayImport(const StartupEntry& entry);

// Where the states and the records live, by source.
const char* ApprovedKey(StartupSource source);
const char* RecordKey(StartupSource source);

// A REG_BINARY value as read: 0 present, 2 missing, anything else unreadable.
constexpr uint32_t kMaxApprovedBytes = 64;
struct BinaryValue {
  int32_t result = 2;
  uint8_t bytes[kMaxApprovedBytes] = {};
  uint32_t size = 0;
};
BinaryValue ReadBinaryValue(const RegistryHost& registry, const char* path, const char* name);

// Off when the first byte's low bit is set; a missing value is on.
bool SwitchedOff(const BinaryValue& approved);
