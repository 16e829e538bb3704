// Reading a schedule that was saved as UTF-8 (Notepad's default) rather than in code page
// 932: which bytes are taken as UTF-8, and their conversion to code page 932 over a small
// host, so the rule runs natively with a fake that knows a few characters.
#pragma once

#include <cstddef>

// The Win32 host is Win32TextConversion in common/text_encoding_win.cpp.
struct TextConversionHost {
  // Converts size bytes of UTF-8 into code page 932 at out (capacity bytes, which may be
  // the input's own place: no character grows). A sequence that is not UTF-8 and a
  // character without a code page 932 form each become "?" and set *lossy. Returns the
  // bytes written; false when the conversion could not be made (memory ran out).
  bool (*utf8ToCodePage932)(void* context, const char* utf8, std::size_t size, char* out,
                            std::size_t capacity, std::size_t* written, bool* lossy);
  void* context;
};

// True when bytes are taken as UTF-8: they start with the UTF-8 byte order mark, or all of
// them form valid UTF-8 with at least one character longer than a byte (text in code page
// 932 with Japanese characters is practically never valid UTF-8; pure ASCII is the same in
// both).
bool IsUtf8Text(const char* bytes, std::size_t size);

enum class TextConversion { kUnchanged, kConverted, kLossy, kFailed };

// The schedule readers' conversion: UTF-8 bytes (IsUtf8Text) become their code page 932
// text in place, the byte order mark dropped, and *size shrinks to it. kUnchanged for any
// other bytes, or while no conversion is set; kLossy when some character has no code page
// 932 form (it reads as "?"); kFailed when the conversion failed, for want of memory
// (the bytes are then no text to read).
TextConversion ConvertUtf8Schedule(char* bytes, std::size_t* size);

// The conversion ConvertUtf8Schedule uses: each program sets the platform's at its start
// (Win32TextConversion), a test its fake; null sets none.
void SetScheduleTextConversion(const TextConversionHost* host);

// The host over MultiByteToWideChar and WideCharToMultiByte (Windows builds only).
const TextConversionHost* Win32TextConversion();
