// The double-byte test on Windows (the active ANSI code page's lead-byte table), and wide
// text into that code page.
#include "text_win.h"

#include "text.h"

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

bool WideToAnsi(const wchar_t* wide, int wideLength, char* text, bool* foreign) {
  BOOL usedDefault = FALSE;
  int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, wideLength, text,
                                   static_cast<int>(kTextSize) - 1, nullptr, &usedDefault);
  text[length > 0 ? length : 0] = '\0';
  if (usedDefault) *foreign = true;
  return length > 0 || wideLength == 0;
}
