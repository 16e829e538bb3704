// The logon Run value: reading its command line apart, writing it whole or not at all, and
// deleting it. A value of another type or too long to read is "unreadable": the editor
// then asks before replacing it, and the remover leaves it alone, since it may not be ours.
#include "logon_run.h"

#include <cstring>

#include "path_split.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValueName[] = "Tarvilo";
const char kRunnerName[] = "TLRun.exe";
constexpr int32_t kErrorFileNotFound = 2;

const char* SkipBlanks(const char* scan) {
  while (*scan == ' ' || *scan == '\t') ++scan;
  return scan;
}

// One argument from scan into out (kTextSize bytes): up to the closing quote when it is
// quoted, else up to the next blank, or with toEnd the rest of the line without its
// trailing blanks (the runner joins an unquoted path split at its blanks the same way).
// Quotes and blanks are never the second byte of a double-byte character, so a byte scan
// finds them. Null when the argument does not fit.
const char* TakeArgument(const char* scan, char* out, bool toEnd) {
  const char* start = scan;
  const char* end;
  const char* next;
  if (*scan == '"') {
    start = scan + 1;
    end = std::strchr(start, '"');
    if (end == nullptr) end = start + std::strlen(start);
    next = *end == '"' ? end + 1 : end;
  } else if (toEnd) {
    end = start + std::strlen(start);
    while (end > start && (end[-1] == ' ' || end[-1] == '\t')) --end;
    next = end;
  } else {
    end = start + std::strcspn(start, " \t");
    next = end;
  }
  std::size_t length = static_cast<std::size_t>(end - start);
  if (length >= kTextSize) return nullptr;
  std::memcpy(out, start, length);
  out[length] = '\0';
  return next;
}

bool IsRunnerProgram(const char* program) {
  return SameIgnoringCase(program + LastPathSeparator(program) + 1, kRunnerName);
}

}  // namespace

LogonCommand ReadLogonCommand(const RegistryHost& host) {
  LogonCommand logon;
  int32_t result = host.readValue(host.context, kCurrentUserRoot, kRunKey, kRunValueName,
                                  logon.command, sizeof logon.command);
  if (result != 0) {
    logon.command[0] = '\0';
    logon.state =
        result == kErrorFileNotFound ? LogonCommand::kAbsent : LogonCommand::kUnreadable;
    return logon;
  }
  logon.state = LogonCommand::kPresent;
  char program[kTextSize];
  const char* rest = TakeArgument(SkipBlanks(logon.command), program, false);
  logon.runsRunner = rest != nullptr && IsRunnerProgram(program) &&
                     TakeArgument(SkipBlanks(rest), logon.schedule, true) != nullptr;
  if (!logon.runsRunner) logon.schedule[0] = '\0';
  return logon;
}

bool RunsAtLogon(const LogonCommand& logon, const char* schedulePath) {
  return logon.state == LogonCommand::kPresent && logon.runsRunner && schedulePath[0] != '\0' &&
         SameIgnoringCase(logon.schedule, schedulePath);
}

bool WriteLogonCommand(const RegistryHost& host, const char* runnerPath,
                       const char* schedulePath) {
  // A cut command would start another program or schedule at every logon: none at all.
  char command[kTextSize];
  if (!FormatText(command, sizeof command, "\"%s\" \"%s\"", runnerPath, schedulePath)) {
    return false;
  }
  return host.setValue(host.context, kCurrentUserRoot, kRunKey, kRunValueName, command,
                       static_cast<uint32_t>(std::strlen(command) + 1)) == 0;
}

bool DeleteLogonCommand(const RegistryHost& host) {
  int32_t result = host.deleteValue(host.context, kCurrentUserRoot, kRunKey, kRunValueName);
  return result == 0 || result == kErrorFileNotFound;
}

bool RunnerBeside(const char* programPath, char* runnerPath) {
  runnerPath[0] = '\0';
  long separator = LastPathSeparator(programPath);
  if (separator < 0 || static_cast<std::size_t>(separator) + 1 >= kTextSize) return false;
  std::memcpy(runnerPath, programPath, static_cast<std::size_t>(separator) + 1);
  runnerPath[separator + 1] = '\0';
  // A cut name would be reported as the runner that is missing.
  if (AppendText(runnerPath, kTextSize, kRunnerName)) return true;
  runnerPath[0] = '\0';
  return false;
}
