// Bounded text helpers for the fixed 260-byte buffers every text and path lives in.
// Every write into such a buffer goes through one of these, so no call site can overrun.
#pragma once

#include <cstddef>

constexpr std::size_t kTextSize = 260;  // MAX_PATH: at most 259 bytes of text and the NUL

// True when the byte opens a double-byte character in the active ANSI code page.
// Natively this is code page 932 (0x81-0x9F, 0xE0-0xFC); on Windows the system's table.
bool IsLeadByte(unsigned char byte);

// Width in bytes of the character that starts at text: 2 for a lead byte followed by
// another byte, else 1 (also for a lead byte right before the NUL). Every scan that looks
// for a separator steps by this, so a trail byte 0x5C ('\') or 0x2F ('/') is never taken
// for one.
std::size_t CharWidth(const char* text);

// Length of the longest prefix of text, at most maxBytes long, that ends on a character
// boundary (never half of a double-byte character).
std::size_t FitTextLength(const char* text, std::size_t maxBytes);

// Copies source into dest (capacity bytes, NUL included). Returns false when source did
// not fit; dest then holds the longest prefix that does, cut at a character boundary.
bool CopyText(char* dest, std::size_t capacity, const char* source);

// Appends source to the text in dest; false (and a cut result as above) when it did not fit.
bool AppendText(char* dest, std::size_t capacity, const char* source);

// printf-style formatting into dest; false when the result did not fit (dest is then
// emptied, so a cut command or path is never used by mistake).
bool FormatText(char* dest, std::size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

template <std::size_t N>
bool CopyText(char (&dest)[N], const char* source) {
  return CopyText(dest, N, source);
}
template <std::size_t N>
bool AppendText(char (&dest)[N], const char* source) {
  return AppendText(dest, N, source);
}
