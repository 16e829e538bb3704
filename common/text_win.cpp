// The double-byte test on Windows: the active ANSI code page's lead-byte table.
#include <windows.h>

#include "text.h"

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }
