// The double-byte test of the native build: the lead bytes of code page 932.
#include "text.h"

bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
