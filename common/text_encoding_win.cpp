// The UTF-8 conversion on Windows: UTF-8 to UTF-16 to code page 932, through a heap block
// that the larger files need.
#include <windows.h>

#include "text_encoding.h"

namespace {

// No best-fit mapping: a character that code page 932 lacks becomes "?" and is reported,
// instead of silently turning into a look-alike that names another file.
bool Utf8ToCodePage932(void*, const char* utf8, std::size_t size, char* out,
                       std::size_t capacity, std::size_t* written, bool* lossy) {
  if (size > 0x7FFFFFFF || capacity > 0x7FFFFFFF) return false;
  *written = 0;
  if (size == 0) return true;
  int inSize = static_cast<int>(size);
  int wideCount = MultiByteToWideChar(CP_UTF8, 0, utf8, inSize, nullptr, 0);
  if (wideCount <= 0) return false;
  HANDLE heap = GetProcessHeap();
  void* block = HeapAlloc(heap, 0, static_cast<SIZE_T>(wideCount) * sizeof(wchar_t));
  if (block == nullptr) return false;
  wchar_t* wide = static_cast<wchar_t*>(block);
  wideCount = MultiByteToWideChar(CP_UTF8, 0, utf8, inSize, wide, wideCount);
  // A character past U+FFFF comes as two UTF-16 units, which would each become a "?": it
  // becomes one U+FFFD instead. A sequence that is not UTF-8 arrives as U+FFFD as well,
  // and code page 932 lacks it.
  int units = 0;
  for (int i = 0; i < wideCount; ++i) {
    bool pair = i + 1 < wideCount && wide[i] >= 0xD800 && wide[i] <= 0xDBFF &&
                wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF;
    wide[units++] = pair ? 0xFFFD : wide[i];
    if (pair) ++i;
  }
  wideCount = units;
  BOOL usedDefault = FALSE;
  int count = wideCount > 0
                  ? WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, wideCount, out,
                                        static_cast<int>(capacity), "?", &usedDefault)
                  : 0;
  HeapFree(heap, 0, block);
  if (count <= 0) return false;
  *written = static_cast<std::size_t>(count);
  *lossy = usedDefault != FALSE;
  return true;
}

const TextConversionHost kWin32Conversion{Utf8ToCodePage932, nullptr};

}  // namespace

const TextConversionHost* Win32TextConversion() { return &kWin32Conversion; }
