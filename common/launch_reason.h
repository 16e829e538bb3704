// Why a launch did not start, in the words the runner shows: the row's tip in the status
// list, the balloon and the run record all take the same short reason.
#pragma once

#include <cstddef>

// The reason for a variable that names no program (reason: kTextSize bytes): unset or
// empty, or a value too long for a path.
void VariableUnsetReason(const char* name, char* reason);
void VariableTooLongReason(const char* name, char* reason);

// The system's message for a launch's error as the reason: the line break the system ends
// its messages with is dropped (also any blanks before it), and the file takes the place
// of the message's first insert ("%1 は有効な Win32 アプリケーションではありません。").
void SystemMessageReason(const char* message, const char* file, char* reason);

// The status row's tip for a failed launch: the item's path, a line break and the reason
// (the path alone when no reason was kept).
void FailureTipText(const char* path, const char* reason, char* text, std::size_t capacity);
