// The association's key names and value formats that both association.cpp (which writes
// and removes the keys) and association_sequences.cpp (which reads them back around the
// dialog and the remover) need.
#pragma once

#include "association.h"

extern const char kShellKey[];        // "shell"
extern const char kOpenKey[];         // "open"
extern const char kCommandKey[];      // "command"
extern const char kDefaultIconKey[];  // "DefaultIcon"
extern const char kRunnerFile[];      // "\TLRun.exe", after the current directory

// The shell's command for a program: "path" "%1". False when it does not fit kTextSize.
bool FormatCommandValue(char* command, const char* programPath);
// The icon value "path,index". False when it does not fit kTextSize.
bool FormatIconValue(char* icon, const char* programPath, int iconIndex);
// The current directory followed by fileName; false (path empty) when the directory cannot
// be read or the whole path does not fit.
bool BuildProgramPath(CurrentDirectoryFn currentDirectory, const char* fileName, char* path);
