// The zone mark's stream and the question on Windows. The stream is read like a file under
// "<path>:Zone.Identifier"; on a drive without streams (FAT, some network shares) the open
// fails and the file counts as unmarked, as the shell counts it.
#include <windows.h>

#include <cstring>

#include "zone_identifier.h"

namespace {

HANDLE OpenForReading(const char* name) {
  return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// CreateFileA takes names shorter than MAX_PATH only, and a schedule path near that limit
// with the stream's name after it is longer. The wide call takes it behind "\\?\", which
// wants a full path such as a drive path.
HANDLE OpenLongName(const char* name) {
  bool drivePath = name[0] != '\0' && name[1] == ':' && name[2] == '\\';
  if (!drivePath) return INVALID_HANDLE_VALUE;
  const wchar_t prefix[] = L"\\\\?\\";
  const int prefixLength = 4;
  wchar_t wide[prefixLength + 2 * MAX_PATH];
  std::memcpy(wide, prefix, sizeof(wchar_t) * prefixLength);
  int room = static_cast<int>(sizeof wide / sizeof wide[0]) - prefixLength;
  if (MultiByteToWideChar(CP_ACP, 0, name, -1, wide + prefixLength, room) == 0) {
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void* OpenStream(void*, const char* name) {
  HANDLE file = std::strlen(name) < MAX_PATH ? OpenForReading(name) : OpenLongName(name);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

long ReadStream(void*, void* stream, char* buffer, std::size_t capacity) {
  DWORD read = 0;
  DWORD wanted = capacity > 0x10000 ? 0x10000 : static_cast<DWORD>(capacity);
  if (!ReadFile(static_cast<HANDLE>(stream), buffer, wanted, &read, nullptr)) return -1;
  return static_cast<long>(read);
}

void CloseStream(void*, void* stream) { CloseHandle(static_cast<HANDLE>(stream)); }

// No owner, as the runner has no window yet; task-modal, so no other window of the thread
// takes input meanwhile. No is the default: an Enter pressed by habit runs nothing.
bool AskYesNo(void*, const char* text, const char* caption) {
  UINT style = MB_YESNO | MB_DEFBUTTON2 | MB_TASKMODAL | MB_ICONWARNING;
  return MessageBoxA(nullptr, text, caption, style) == IDYES;
}

}  // namespace

ZoneHost Win32ZoneHost() {
  return ZoneHost{OpenStream, ReadStream, CloseStream, AskYesNo, nullptr};
}
