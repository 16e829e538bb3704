// The runner's association dialog (resource 109) and the sequence around it: the runner
// calls this without an argument and for the "レジストリ(&R)" menu command.
#pragma once

#include <windows.h>

void RunRunnerAssociation(HINSTANCE instance, const char* confirmationText);
