// The zone mark's stream and the question on Windows. The stream is read like a file under
// "<path>:Zone.Identifier"; on a drive without streams (FAT, some network shares) the open
// fails as for a name the drive cannot hold, and the file counts as unmarked, as the shell
// counts it. Elsewhere only a stream that is not there counts as no mark.
#include <windows.h>

#include <cstring>
#include <cwchar>

#include "zone_identifier.h"

namespace {

bool FullPath(void*, const char* path, char* fullPath, std::size_t capacity) {
  DWORD size = capacity > 0x10000 ? 0x10000 : static_cast<DWORD>(capacity);
  // 0 is a failure; size or more is the room it would have needed, with nothing written.
  DWORD length = GetFullPathNameA(path, size, fullPath, nullptr);
  return length != 0 && length < size;
}

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The wide calls get names in UTF-16, from the system's code page; room for the longest
// name the core hands over. False when a name does not convert or fit.
constexpr int kWideSize = 3 * MAX_PATH;
bool Widen(const char* name, wchar_t (&wide)[kWideSize]) {
  return MultiByteToWideChar(CP_ACP, 0, name, -1, wide, kWideSize) != 0;
}

// CreateFileA takes names shorter than MAX_PATH only; the core hands a longer one in its
// long form ("\\?\..."), which the wide call takes.
HANDLE OpenLongName(const char* name) {
  wchar_t wide[kWideSize];
  if (!Widen(name, wide)) return INVALID_HANDLE_VALUE;
  return CreateFileW(wide, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Whether the drive that holds the stream's file keeps no streams at all (FAT, many
// network shares). Such a drive answers the open of a stream with an error of its own
// rather than "not found"; anywhere else that error may hide a mark.
bool DriveKeepsNoStreams(const char* streamName) {
  wchar_t wide[kWideSize];
  if (!Widen(streamName, wide)) return false;
  // The file's own path: the stream's name ends in ":Zone.Identifier".
  wchar_t* streamColon = wcsrchr(wide, L':');
  if (streamColon != nullptr && streamColon > wide + 1) *streamColon = L'\0';
  wchar_t root[kWideSize];
  DWORD flags = 0;
  if (!GetVolumePathNameW(wide, root, kWideSize) ||
      !GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) {
    return false;  // the drive cannot be asked: a mark stays possible
  }
  return (flags & FILE_NAMED_STREAMS) == 0;
}

// Only "not found", or any failure on a drive that keeps no streams, means no mark. Any
// other failure (access denied, a sharing violation, a network error, a name the drive
// could not take) leaves a mark possible, and the user is asked.
bool NoSuchStream(DWORD error, const char* streamName) {
  return error == ERROR_FILE_NOT_FOUND || DriveKeepsNoStreams(streamName);
}

StreamOpen OpenStream(void*, const char* name, void** stream) {
  HANDLE file = std::strlen(name) < MAX_PATH
                    ? CreateFileA(name, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr)
                    : OpenLongName(name);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return NoSuchStream(error, name) ? StreamOpen::kMissing : StreamOpen::kFailed;
  }
  *stream = file;
  return StreamOpen::kOpened;
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
  return ZoneHost{FullPath, OpenStream, ReadStream, CloseStream, AskYesNo, nullptr};
}
