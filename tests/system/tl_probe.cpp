// tl_probe: the program the system tests let the runner launch. Each start appends one
// line to a log and exits at once, so a test can see what reached the launched program:
//
//   pid <TAB> creation-ms <TAB> now-ms <TAB> cwd <TAB> command-line tail <TAB> argc <TAB>
//   argv...
//
// Times are milliseconds since 1601 (FILETIME / 10000). The log is named by the
// environment variable TL_PROBE_LOG, or else "tl_probe.log" next to the probe. The texts
// (cwd, tail, argv) are written in hexadecimal, so one start is always exactly one line.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kLineSize = 8192;

struct LineBuffer {
  char text[kLineSize];
  int length;
};

// Texts go into the log as hexadecimal bytes: a path or argument may hold tabs, line
// ends or Shift-JIS trail bytes, and the tests compare them byte for byte.
void Append(LineBuffer& line, const char* text) {
  static const char kDigits[] = "0123456789abcdef";
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if (line.length >= kLineSize - 4) return;
    line.text[line.length++] = kDigits[*p >> 4];
    line.text[line.length++] = kDigits[*p & 15];
  }
}

// Copies a text as it is (numbers and separators).
void AppendRaw(LineBuffer& line, const char* text) {
  for (const char* p = text; *p != '\0'; ++p) {
    if (line.length < kLineSize - 2) line.text[line.length++] = *p;
  }
}

unsigned long long FileTimeMs(const FILETIME& time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  return value.QuadPart / 10000ULL;
}

// The command line after the program's own name, exactly as the process received it:
// the name ends at the closing quote or the first blank; the blanks after it are skipped.
const char* CommandLineTail(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

void LogPath(char* path, DWORD size) {
  DWORD length = GetEnvironmentVariableA("TL_PROBE_LOG", path, size);
  if (length > 0 && length < size) return;
  length = GetModuleFileNameA(nullptr, path, size);
  if (length == 0 || length >= size) {
    lstrcpynA(path, "tl_probe.log", static_cast<int>(size));
    return;
  }
  char* slash = std::strrchr(path, '\\');
  char* name = slash != nullptr ? slash + 1 : path;
  if (static_cast<DWORD>(name - path) + 13 < size) std::strcpy(name, "tl_probe.log");
}

// Several probes may start in the same tick: the file is opened without sharing, which
// serialises the writers; a writer that finds it taken tries again for up to 10 s.
void WriteLine(const char* path, const LineBuffer& line) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, line.text, static_cast<DWORD>(line.length), &written, nullptr);
      CloseHandle(file);
      return;
    }
    Sleep(10);
  }
}

}  // namespace

int main(int argc, char** argv) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  FILETIME creation, exitTime, kernel, user;
  unsigned long long creationMs = 0;
  if (GetProcessTimes(GetCurrentProcess(), &creation, &exitTime, &kernel, &user)) {
    creationMs = FileTimeMs(creation);
  }

  static LineBuffer line;
  line.length = 0;
  char number[64];
  std::snprintf(number, sizeof number, "%lu\t%llu\t%llu\t",
                static_cast<unsigned long>(GetCurrentProcessId()), creationMs, FileTimeMs(now));
  AppendRaw(line, number);

  char directory[MAX_PATH * 2] = "";
  GetCurrentDirectoryA(sizeof directory, directory);
  Append(line, directory);
  AppendRaw(line, "\t");
  Append(line, CommandLineTail(GetCommandLineA()));
  std::snprintf(number, sizeof number, "\t%d", argc - 1);
  AppendRaw(line, number);
  for (int i = 1; i < argc; ++i) {
    AppendRaw(line, "\t");
    Append(line, argv[i]);
  }
  AppendRaw(line, "\r\n");

  char path[MAX_PATH * 2];
  LogPath(path, sizeof path);
  WriteLine(path, line);
  return 0;
}
