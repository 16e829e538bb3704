// The Run value that starts a schedule at logon: value "Tarvilo" under
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run, a runner command naming
// one schedule. The editor reads, writes and deletes it; the remover deletes it with the
// association. Everything goes through the registry host.
#pragma once

#include "registry_host.h"
#include "text.h"

// The value as read back.
struct LogonCommand {
  enum State { kAbsent, kUnreadable, kPresent };
  State state = kAbsent;
  char command[kTextSize] = "";   // the whole command line, when present
  bool runsRunner = false;        // its program is a TLRun.exe, in whatever folder
  char schedule[kTextSize] = "";  // the runner's argument, when runsRunner
};

LogonCommand ReadLogonCommand(const RegistryHost& host);

// True when the value runs schedulePath with a TLRun.exe; the paths compare without case.
bool RunsAtLogon(const LogonCommand& logon, const char* schedulePath);

// Writes "<runnerPath>" "<schedulePath>"; false, with nothing written, when that and its
// terminating zero do not fit the kTextSize bytes ReadLogonCommand reads, or when refused.
bool WriteLogonCommand(const RegistryHost& host, const char* runnerPath,
                       const char* schedulePath);

// Deletes the value; true also when it was not there.
bool DeleteLogonCommand(const RegistryHost& host);

// The folder of programPath followed by "\TLRun.exe" into runnerPath (kTextSize bytes);
// false, with runnerPath empty, when programPath has no folder or the result does not fit.
bool RunnerBeside(const char* programPath, char* runnerPath);
