// tl_driver: the hands and eyes of the system tests under Wine. One subcommand per call;
// the test scripts start it with `wine tl_driver.exe <subcommand> ...` and read its
// output, one "key=value" line per fact. Every text that crosses this boundary is
// hexadecimal bytes (code page 932 as the programs see them), so the scripts compare the
// programs' Japanese texts byte for byte. An argument written "hex:<bytes>" is decoded the
// same way, so the scripts can pass Shift-JIS captions and paths exactly.
//
// Waiting subcommands poll their condition every 20 ms up to a timeout in milliseconds
// and end with exit code 1 when it does not come; usage errors end with 2.
//
// `run --debug` starts the program under the debug API: Wine swallows an access violation
// inside a window procedure that the system called, so without a debugger such a fault
// would go unnoticed; here every first-chance fault of that kind is printed and fails.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kUsage = 2;
constexpr int kFailed = 1;
constexpr DWORD kPollMs = 20;
// Not "abort if hung": Wine counts a program that is only slow on a loaded machine as hung.
constexpr DWORD kSendTimeoutMs = 15000;
constexpr int kTextMax = 1024;
constexpr int kMessageBoxTextId = 0xFFFF;  // the static control holding a message box's text
constexpr UINT kTrayMessage = WM_USER + 100;
constexpr WPARAM kTrayIconId = 107;

// ---------------------------------------------------------------------------------------
// Texts and numbers on the command line and in the output

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// An argument as text: "hex:8381..." is decoded into out; anything else is copied.
const char* ArgText(const char* arg, char* out, int size) {
  if (std::strncmp(arg, "hex:", 4) != 0) {
    lstrcpynA(out, arg, size);
    return out;
  }
  int length = 0;
  for (const char* p = arg + 4; p[0] != '\0' && p[1] != '\0' && length < size - 1; p += 2) {
    int high = HexDigit(p[0]);
    int low = HexDigit(p[1]);
    if (high < 0 || low < 0) break;
    out[length++] = static_cast<char>(high * 16 + low);
  }
  out[length] = '\0';
  return out;
}

void PrintHex(const char* text, int length) {
  for (int i = 0; i < length; ++i) std::printf("%02x", static_cast<unsigned char>(text[i]));
}

void PrintHexText(const char* key, const char* text) {
  std::printf("%s=", key);
  PrintHex(text, lstrlenA(text));
  std::printf("\n");
}

long long ArgNumber(const char* arg) { return std::strtoll(arg, nullptr, 0); }

HWND ArgWindow(const char* arg) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(arg, nullptr, 0)));
}

unsigned long long FileTimeMs(const FILETIME& time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  return value.QuadPart / 10000ULL;
}

// Milliseconds since 1601, the clock the probe writes, so times compare across processes.
unsigned long long NowMs() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return FileTimeMs(now);
}

bool TimedOut(DWORD started, long long timeoutMs) {
  return static_cast<long long>(GetTickCount() - started) >= timeoutMs;
}

// Polls until the window is destroyed; prints "timeout=1" and gives false when it stays.
bool WaitGone(HWND window, long long timeoutMs) {
  DWORD started = GetTickCount();
  while (IsWindow(window)) {
    if (TimedOut(started, timeoutMs)) {
      std::printf("timeout=1\n");
      return false;
    }
    Sleep(kPollMs);
  }
  return true;
}

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// ---------------------------------------------------------------------------------------
// Finding windows

struct WindowQuery {
  const char* className;  // nullptr: any
  const char* title;      // nullptr: any
  DWORD processId;        // 0: any
  int requiredChild;      // 0: none
  bool mustBeVisible;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  WindowQuery& query = *reinterpret_cast<WindowQuery*>(data);
  char text[kTextMax];
  if (query.className != nullptr) {
    GetClassNameA(window, text, sizeof text);
    if (!Is(text, query.className)) return TRUE;
  }
  if (query.title != nullptr) {
    GetWindowTextA(window, text, sizeof text);
    if (!Is(text, query.title)) return TRUE;
  }
  if (query.processId != 0) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != query.processId) return TRUE;
  }
  if (query.requiredChild != 0 && GetDlgItem(window, query.requiredChild) == nullptr) {
    return TRUE;
  }
  if (query.mustBeVisible && !IsWindowVisible(window)) return TRUE;
  query.found = window;
  return FALSE;
}

HWND WaitForWindow(WindowQuery query, long long timeoutMs) {
  DWORD started = GetTickCount();
  for (;;) {
    query.found = nullptr;
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    if (query.found != nullptr) return query.found;
    if (TimedOut(started, timeoutMs)) return nullptr;
    Sleep(kPollMs);
  }
}

const char* AnyOr(const char* arg, char* buffer) {
  if (Is(arg, "-")) return nullptr;
  return ArgText(arg, buffer, kTextMax);
}

void PrintWindowText(const char* key, HWND window) {
  char text[kTextMax] = "";
  // WM_GETTEXT crosses processes for controls, unlike GetWindowTextA.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_NORMAL, kSendTimeoutMs, &ignored);
  PrintHexText(key, text);
}

HWND Control(HWND window, int id) {
  HWND control = GetDlgItem(window, id);
  if (control == nullptr) std::printf("error=no control %d\n", id);
  return control;
}

// ---------------------------------------------------------------------------------------
// Reading another process's list view

struct RemoteList {
  HWND list;
  HANDLE process;
  char* remote;  // an LVITEMA followed by its text buffer, in the list's process
};

constexpr int kRemoteTextSize = 1024;

bool OpenRemoteList(HWND list, RemoteList& remoteList) {
  remoteList.list = list;
  DWORD processId = 0;
  GetWindowThreadProcessId(list, &processId);
  remoteList.process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (remoteList.process == nullptr) return false;
  remoteList.remote = static_cast<char*>(VirtualAllocEx(remoteList.process, nullptr,
                                                        sizeof(LVITEMA) + kRemoteTextSize,
                                                        MEM_COMMIT, PAGE_READWRITE));
  if (remoteList.remote == nullptr) {
    CloseHandle(remoteList.process);
    return false;
  }
  return true;
}

void CloseRemoteList(RemoteList& remoteList) {
  VirtualFreeEx(remoteList.process, remoteList.remote, 0, MEM_RELEASE);
  CloseHandle(remoteList.process);
}

LRESULT SendTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok) {
  DWORD_PTR result = 0;
  BOOL sent = SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs,
                                  &result);
  if (ok != nullptr) *ok = sent != FALSE;
  return static_cast<LRESULT>(result);
}

int RowCount(HWND list, bool* ok) {
  return static_cast<int>(SendTimeout(list, LVM_GETITEMCOUNT, 0, 0, ok));
}

int ColumnCount(HWND list) {
  HWND header = reinterpret_cast<HWND>(SendTimeout(list, LVM_GETHEADER, 0, 0, nullptr));
  if (header == nullptr) return 1;
  int count = static_cast<int>(SendTimeout(header, HDM_GETITEMCOUNT, 0, 0, nullptr));
  return count > 0 ? count : 1;
}

bool CellText(RemoteList& remoteList, int row, int column, char* text, int size) {
  LVITEMA item;
  std::memset(&item, 0, sizeof item);
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = remoteList.remote + sizeof(LVITEMA);
  item.cchTextMax = kRemoteTextSize;
  SIZE_T moved = 0;
  char zero = '\0';
  if (!WriteProcessMemory(remoteList.process, remoteList.remote, &item, sizeof item, &moved) ||
      !WriteProcessMemory(remoteList.process, item.pszText, &zero, 1, &moved)) {
    return false;
  }
  bool ok = false;
  SendTimeout(remoteList.list, LVM_GETITEMTEXTA, row,
              reinterpret_cast<LPARAM>(remoteList.remote), &ok);
  if (!ok) return false;
  char buffer[kRemoteTextSize];
  if (!ReadProcessMemory(remoteList.process, item.pszText, buffer, sizeof buffer, &moved)) {
    return false;
  }
  buffer[kRemoteTextSize - 1] = '\0';
  lstrcpynA(text, buffer, size);
  return true;
}

// One column of every row, joined with commas (each text in hex).
bool ColumnSnapshot(RemoteList& remoteList, int column, char* out, int size, int* rows) {
  bool ok = false;
  int count = RowCount(remoteList.list, &ok);
  if (!ok) return false;
  *rows = count;
  int length = 0;
  out[0] = '\0';
  for (int row = 0; row < count; ++row) {
    char text[kRemoteTextSize];
    if (!CellText(remoteList, row, column, text, sizeof text)) return false;
    if (row > 0 && length < size - 1) out[length++] = ',';
    for (const char* p = text; *p != '\0' && length < size - 3; ++p) {
      std::snprintf(out + length, 3, "%02x", static_cast<unsigned char>(*p));
      length += 2;
    }
    out[length] = '\0';
  }
  return true;
}

// Each cell is read by its own message, and the list's thread may run a whole refresh
// between two of them; a snapshot counts only when two reads in a row agree, since the
// status only ever moves forward and a torn read cannot repeat itself.
bool StableColumnSnapshot(RemoteList& remoteList, int column, char* out, int size, int* rows) {
  static char again[65536];
  for (int attempt = 0; attempt < 50; ++attempt) {
    int rowsAgain = 0;
    if (!ColumnSnapshot(remoteList, column, out, size, rows) ||
        !ColumnSnapshot(remoteList, column, again, sizeof again, &rowsAgain)) {
      return false;
    }
    if (*rows == rowsAgain && Is(out, again)) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------
// Subcommands: time and processes

int CmdNow(int, char**) {
  std::printf("now=%llu\n", NowMs());
  return 0;
}

bool IsFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case 0xC0000374:  // heap corruption
    case 0xC0000409:  // stack buffer overrun (fast fail)
      return true;
    default:
      return false;
  }
}

// The debugger's loop: runs until the debuggee ends, prints every fault on the way.
int DebugUntilExit(DWORD processId) {
  int faults = 0;
  bool initialBreakpointSeen = false;
  DEBUG_EVENT event;
  for (;;) {
    if (!WaitForDebugEvent(&event, INFINITE)) {
      std::printf("error=WaitForDebugEvent %lu\n", GetLastError());
      return kFailed;
    }
    DWORD status = DBG_CONTINUE;
    bool ended = false;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile != nullptr) {
          CloseHandle(event.u.CreateProcessInfo.hFile);
        }
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile != nullptr) CloseHandle(event.u.LoadDll.hFile);
        break;
      case EXCEPTION_DEBUG_EVENT: {
        const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
        if (record.ExceptionCode == EXCEPTION_BREAKPOINT && !initialBreakpointSeen) {
          initialBreakpointSeen = true;  // the loader's break-in for the debugger
          break;
        }
        if (IsFault(record.ExceptionCode)) {
          ++faults;
          std::printf("fault=%08lx address=%p first=%lu", record.ExceptionCode,
                      record.ExceptionAddress, event.u.Exception.dwFirstChance);
          if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION &&
              record.NumberParameters >= 2) {
            std::printf(" access=%lu target=%08lx",
                        static_cast<unsigned long>(record.ExceptionInformation[0]),
                        static_cast<unsigned long>(record.ExceptionInformation[1]));
          }
          std::printf(" thread=%lu\n", event.dwThreadId);
        }
        status = DBG_EXCEPTION_NOT_HANDLED;
        break;
      }
      case EXIT_PROCESS_DEBUG_EVENT:
        if (event.dwProcessId == processId) {
          std::printf("end=%llu\n", NowMs());
          std::printf("exit=%lu\n", event.u.ExitProcess.dwExitCode);
          ended = true;
        }
        break;
      default:
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    if (ended) break;
  }
  std::printf("faults=%d\n", faults);
  return faults == 0 ? 0 : kFailed;
}

// A list view that keeps no texts draws its rows only when it paints: UpdateWindow sends
// the pending paint to the list's own thread and returns once the rows are drawn.
void PrintPainted(HWND list) {
  UpdateWindow(list);
  std::printf("painted=%llu\n", NowMs());
}

// Waits until a window of the process holds the list control and the list holds at least
// count rows; prints when.
int WaitProcessRows(DWORD processId, int listId, int count, long long timeoutMs) {
  DWORD started = GetTickCount();
  WindowQuery query = {nullptr, nullptr, processId, listId, false, nullptr};
  HWND window = WaitForWindow(query, timeoutMs);
  for (HWND list = window != nullptr ? GetDlgItem(window, listId) : nullptr; list != nullptr;
       Sleep(kPollMs)) {
    bool ok = false;
    int rows = RowCount(list, &ok);
    if (ok && rows >= count) {
      std::printf("shown=%llu\nrows=%d\n", NowMs(), rows);
      PrintPainted(list);
      return 0;
    }
    if (TimedOut(started, timeoutMs)) break;
  }
  std::printf("timeout=1\n");
  return kFailed;
}

// run [--debug] [--no-wait] [--rows ID COUNT] [--cwd DIR] [--env NAME=VALUE]... <program>
//     [tail]
// The command line is the quoted program followed by one blank and the tail, unchanged:
// the tail reaches the program exactly as given (blanks and quotes included). --rows (not
// with --debug) first waits until the program's list control ID holds COUNT rows and
// prints when (shown=), timed by the process that started the program.
int CmdRun(int argc, char** argv) {
  bool debug = false;
  bool wait = true;
  int rowsListId = 0;
  int rowsCount = 0;
  static char directory[kTextMax];
  const char* cwd = nullptr;
  int i = 0;
  for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
    if (Is(argv[i], "--debug")) {
      debug = true;
    } else if (Is(argv[i], "--no-wait")) {
      wait = false;
    } else if (Is(argv[i], "--rows") && i + 2 < argc) {
      rowsListId = static_cast<int>(ArgNumber(argv[++i]));
      rowsCount = static_cast<int>(ArgNumber(argv[++i]));
    } else if (Is(argv[i], "--cwd") && i + 1 < argc) {
      cwd = ArgText(argv[++i], directory, sizeof directory);
    } else if (Is(argv[i], "--env") && i + 1 < argc) {
      char assignment[kTextMax];
      ArgText(argv[++i], assignment, sizeof assignment);
      char* equals = std::strchr(assignment, '=');
      if (equals == nullptr) return kUsage;
      *equals = '\0';
      SetEnvironmentVariableA(assignment, equals + 1);
    } else {
      return kUsage;
    }
  }
  if (i >= argc) return kUsage;
  static char program[kTextMax];
  static char tail[kTextMax * 2];
  static char commandLine[kTextMax * 4];
  ArgText(argv[i], program, sizeof program);
  tail[0] = '\0';
  if (i + 1 < argc) ArgText(argv[i + 1], tail, sizeof tail);
  if (tail[0] != '\0') {
    std::snprintf(commandLine, sizeof commandLine, "\"%s\" %s", program, tail);
  } else {
    std::snprintf(commandLine, sizeof commandLine, "\"%s\"", program);
  }

  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  std::printf("start=%llu\n", NowMs());
  DWORD flags = debug ? DEBUG_ONLY_THIS_PROCESS : 0;
  if (!CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, flags, nullptr, cwd,
                      &startup, &process)) {
    std::printf("error=CreateProcess %lu\n", GetLastError());
    return kFailed;
  }
  std::printf("pid=%lu\n", process.dwProcessId);
  CloseHandle(process.hThread);
  if (debug) {
    int result = DebugUntilExit(process.dwProcessId);
    CloseHandle(process.hProcess);
    return result;
  }
  if (rowsListId != 0) WaitProcessRows(process.dwProcessId, rowsListId, rowsCount, 600000);
  if (wait) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("end=%llu\n", NowMs());
    std::printf("exit=%lu\n", code);
  }
  CloseHandle(process.hProcess);
  return 0;
}

// wait-exit <pid> <timeout-ms>
int CmdWaitExit(int argc, char** argv) {
  if (argc < 2) return kUsage;
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE,
                               static_cast<DWORD>(ArgNumber(argv[0])));
  if (process == nullptr) {
    std::printf("gone=1\n");
    return 0;
  }
  DWORD waited = WaitForSingleObject(process, static_cast<DWORD>(ArgNumber(argv[1])));
  int result = kFailed;
  if (waited == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    std::printf("exit=%lu\n", code);
    result = 0;
  } else {
    std::printf("running=1\n");
  }
  CloseHandle(process);
  return result;
}

// alive <pid>: whether the process is still running.
int CmdAlive(int argc, char** argv) {
  if (argc < 1) return kUsage;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(ArgNumber(argv[0])));
  bool alive = process != nullptr && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  if (process != nullptr) CloseHandle(process);
  std::printf("alive=%d\n", alive ? 1 : 0);
  return 0;
}

// kill <pid>: ends one process left over by a failed test.
int CmdKill(int argc, char** argv) {
  if (argc < 1) return kUsage;
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                               static_cast<DWORD>(ArgNumber(argv[0])));
  if (process == nullptr) {
    std::printf("gone=1\n");
    return 0;
  }
  TerminateProcess(process, 99);
  WaitForSingleObject(process, 5000);
  CloseHandle(process);
  std::printf("killed=1\n");
  return 0;
}

// find-process <exe-name>: the ids of every running process of that image name.
int CmdFindProcess(int argc, char** argv) {
  if (argc < 1) return kUsage;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return kFailed;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  int found = 0;
  for (BOOL more = Process32First(snapshot, &entry); more;
       more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, argv[0]) == 0) {
      std::printf("pid=%lu\n", entry.th32ProcessID);
      ++found;
    }
  }
  CloseHandle(snapshot);
  std::printf("count=%d\n", found);
  return 0;
}

// cputime <pid>: kernel plus user time of all the process's threads, in milliseconds.
// GetProcessTimes on another process does not follow its threads under Wine 8; the sum
// over its threads does, and is right on Windows too.
int CmdCpuTime(int argc, char** argv) {
  if (argc < 1) return kUsage;
  DWORD processId = static_cast<DWORD>(ArgNumber(argv[0]));
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return kFailed;
  THREADENTRY32 entry;
  entry.dwSize = sizeof entry;
  unsigned long long total100ns = 0;
  int threads = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more;
       more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != processId) continue;
    HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    if (thread == nullptr) continue;
    FILETIME creation, exitTime, kernel, user;
    if (GetThreadTimes(thread, &creation, &exitTime, &kernel, &user)) {
      total100ns += FileTimeMs(kernel) * 10000ULL + FileTimeMs(user) * 10000ULL;
      ++threads;
    }
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
  std::printf("cpu=%llu\nthreads=%d\nnow=%llu\n", total100ns / 10000ULL, threads, NowMs());
  return 0;
}

// shell-open <file> [directory]: the shell's "open" verb on a document, as a double click.
int CmdShellOpen(int argc, char** argv) {
  if (argc < 1) return kUsage;
  char file[kTextMax];
  char directory[kTextMax];
  SHELLEXECUTEINFOA info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = "open";
  info.lpFile = ArgText(argv[0], file, sizeof file);
  info.lpDirectory = argc > 1 ? ArgText(argv[1], directory, sizeof directory) : nullptr;
  info.nShow = SW_SHOWNORMAL;
  std::printf("start=%llu\n", NowMs());
  BOOL done = ShellExecuteExA(&info);
  std::printf("result=%d\n", static_cast<int>(reinterpret_cast<INT_PTR>(info.hInstApp)));
  if (!done) return kFailed;
  if (info.hProcess != nullptr) {
    std::printf("pid=%lu\n", GetProcessId(info.hProcess));
    CloseHandle(info.hProcess);
  }
  return 0;
}

// short-path <path>: the 8.3 form the platform gives for an existing path.
int CmdShortPath(int argc, char** argv) {
  if (argc < 1) return kUsage;
  char path[kTextMax];
  char shortPath[kTextMax];
  DWORD length =
      GetShortPathNameA(ArgText(argv[0], path, sizeof path), shortPath, sizeof shortPath);
  if (length == 0 || length >= sizeof shortPath) {
    std::printf("error=GetShortPathName %lu\n", GetLastError());
    return kFailed;
  }
  PrintHexText("short", shortPath);
  return 0;
}

// ---------------------------------------------------------------------------------------
// Subcommands: windows

// wait-window <class|-> <title|-> <timeout-ms> [pid]
int CmdWaitWindow(int argc, char** argv) {
  if (argc < 3) return kUsage;
  char className[kTextMax];
  char title[kTextMax];
  WindowQuery query = {AnyOr(argv[0], className),
                       AnyOr(argv[1], title),
                       argc > 3 ? static_cast<DWORD>(ArgNumber(argv[3])) : 0,
                       0,
                       false,
                       nullptr};
  HWND window = WaitForWindow(query, ArgNumber(argv[2]));
  if (window == nullptr) {
    std::printf("timeout=1\n");
    return kFailed;
  }
  std::printf("hwnd=%lu\nfound=%llu\n",
              static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)), NowMs());
  return 0;
}

// wait-gone <hwnd> <timeout-ms>
int CmdWaitGone(int argc, char** argv) {
  if (argc < 2) return kUsage;
  HWND window = ArgWindow(argv[0]);
  if (!WaitGone(window, ArgNumber(argv[1]))) return kFailed;
  std::printf("gone=%llu\n", NowMs());
  return 0;
}

// window-info <hwnd>
int CmdWindowInfo(int argc, char** argv) {
  if (argc < 1) return kUsage;
  HWND window = ArgWindow(argv[0]);
  if (!IsWindow(window)) {
    std::printf("exists=0\n");
    return kFailed;
  }
  RECT rect;
  GetWindowRect(window, &rect);
  LONG style = GetWindowLongA(window, GWL_STYLE);
  LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  char className[kTextMax];
  GetClassNameA(window, className, sizeof className);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  std::printf("exists=1\nvisible=%d\nenabled=%d\nstyle=%08lx\nexstyle=%08lx\n",
              IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0,
              static_cast<unsigned long>(style), static_cast<unsigned long>(exStyle));
  std::printf("topmost=%d\nrect=%ld,%ld,%ld,%ld\npid=%lu\nhasmenu=%d\n",
              (exStyle & WS_EX_TOPMOST) != 0 ? 1 : 0, rect.left, rect.top, rect.right,
              rect.bottom, processId, GetMenu(window) != nullptr ? 1 : 0);
  PrintHexText("class", className);
  PrintWindowText("title", window);
  return 0;
}

// wait-visible <hwnd> <0|1> <timeout-ms>
int CmdWaitVisible(int argc, char** argv) {
  if (argc < 3) return kUsage;
  HWND window = ArgWindow(argv[0]);
  bool wanted = ArgNumber(argv[1]) != 0;
  DWORD started = GetTickCount();
  while ((IsWindowVisible(window) != FALSE) != wanted) {
    if (!IsWindow(window) || TimedOut(started, ArgNumber(argv[2]))) {
      std::printf("timeout=1\nvisible=%d\n", IsWindowVisible(window) ? 1 : 0);
      return kFailed;
    }
    Sleep(kPollMs);
  }
  std::printf("visible=%d\nat=%llu\n", wanted ? 1 : 0, NowMs());
  return 0;
}

// list-rows <hwnd> <ctrl-id>: every row as "row=<col0>,<col1>,...", texts in hex.
int CmdListRows(int argc, char** argv) {
  if (argc < 2) return kUsage;
  HWND list = Control(ArgWindow(argv[0]), static_cast<int>(ArgNumber(argv[1])));
  if (list == nullptr) return kFailed;
  RemoteList remoteList;
  if (!OpenRemoteList(list, remoteList)) {
    std::printf("error=cannot reach the list's process\n");
    return kFailed;
  }
  bool ok = false;
  int rows = RowCount(list, &ok);
  int columns = ColumnCount(list);
  std::printf("rows=%d\ncolumns=%d\n", rows, columns);
  int result = ok ? 0 : kFailed;
  for (int row = 0; row < rows && result == 0; ++row) {
    std::printf("row=");
    for (int column = 0; column < columns; ++column) {
      char text[kRemoteTextSize];
      if (!CellText(remoteList, row, column, text, sizeof text)) {
        result = kFailed;
        break;
      }
      if (column > 0) std::printf(",");
      PrintHex(text, lstrlenA(text));
    }
    std::printf("\n");
  }
  CloseRemoteList(remoteList);
  return result;
}

// list-columns <hwnd> <ctrl-id>: each column as "column=<width>,<caption hex>", then the
// list's style and extended list-view style.
int CmdListColumns(int argc, char** argv) {
  if (argc < 2) return kUsage;
  HWND list = Control(ArgWindow(argv[0]), static_cast<int>(ArgNumber(argv[1])));
  if (list == nullptr) return kFailed;
  RemoteList remoteList;
  if (!OpenRemoteList(list, remoteList)) return kFailed;
  int columns = ColumnCount(list);
  int result = 0;
  for (int column = 0; column < columns && result == 0; ++column) {
    LVCOLUMNA header;
    std::memset(&header, 0, sizeof header);
    header.mask = LVCF_TEXT | LVCF_WIDTH;
    header.pszText = remoteList.remote + sizeof(LVITEMA);
    header.cchTextMax = kRemoteTextSize;
    SIZE_T moved = 0;
    bool ok = false;
    if (WriteProcessMemory(remoteList.process, remoteList.remote, &header, sizeof header,
                           &moved)) {
      SendTimeout(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(remoteList.remote),
                  &ok);
    }
    char text[kRemoteTextSize];
    if (!ok ||
        !ReadProcessMemory(remoteList.process, remoteList.remote, &header, sizeof header,
                           &moved) ||
        !ReadProcessMemory(remoteList.process, remoteList.remote + sizeof(LVITEMA), text,
                           sizeof text, &moved)) {
      result = kFailed;
      break;
    }
    text[kRemoteTextSize - 1] = '\0';
    std::printf("column=%d,", header.cx);
    PrintHex(text, lstrlenA(text));
    std::printf("\n");
  }
  CloseRemoteList(remoteList);
  std::printf("style=%08lx\nlistexstyle=%08lx\n",
              static_cast<unsigned long>(GetWindowLongA(list, GWL_STYLE)),
              static_cast<unsigned long>(
                  SendTimeout(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0, nullptr)));
  return result;
}

// watch-status <hwnd> <ctrl-id> <column> <timeout-ms> <final-text>
// Polls one column of the list and prints every distinct state it passes through with
// the time it was first seen, until every row shows the final text.
int CmdWatchStatus(int argc, char** argv) {
  if (argc < 5) return kUsage;
  HWND window = ArgWindow(argv[0]);
  HWND list = Control(window, static_cast<int>(ArgNumber(argv[1])));
  if (list == nullptr) return kFailed;
  int column = static_cast<int>(ArgNumber(argv[2]));
  long long timeoutMs = ArgNumber(argv[3]);
  char finalText[kTextMax];
  ArgText(argv[4], finalText, sizeof finalText);
  char finalHex[kTextMax * 2] = "";
  for (int i = 0; finalText[i] != '\0'; ++i) {
    std::snprintf(finalHex + i * 2, 3, "%02x", static_cast<unsigned char>(finalText[i]));
  }
  RemoteList remoteList;
  if (!OpenRemoteList(list, remoteList)) return kFailed;
  static char previous[65536] = "\x01";
  static char current[65536];
  DWORD started = GetTickCount();
  int result = kFailed;
  for (;;) {
    int rows = 0;
    if (!IsWindow(list)) {
      std::printf("gone=%llu\n", NowMs());
      break;
    }
    if (StableColumnSnapshot(remoteList, column, current, sizeof current, &rows) &&
        !Is(current, previous)) {
      std::printf("status=%llu %s\n", NowMs(), current);
      lstrcpynA(previous, current, sizeof previous);
      bool allFinal = rows > 0;
      const char* p = current;
      for (int row = 0; row < rows && allFinal; ++row) {
        size_t length = std::strlen(finalHex);
        if (std::strncmp(p, finalHex, length) != 0 || (p[length] != ',' && p[length] != '\0')) {
          allFinal = false;
        }
        p = std::strchr(p, ',');
        if (p != nullptr)
          ++p;
        else
          break;
      }
      if (allFinal) {
        result = 0;
        break;
      }
    }
    if (TimedOut(started, timeoutMs)) {
      std::printf("timeout=1\n");
      break;
    }
    Sleep(kPollMs);
  }
  CloseRemoteList(remoteList);
  return result;
}

// wait-rows <hwnd> <ctrl-id> <count> <timeout-ms>: until the list holds at least count rows.
int CmdWaitRows(int argc, char** argv) {
  if (argc < 4) return kUsage;
  HWND window = ArgWindow(argv[0]);
  int id = static_cast<int>(ArgNumber(argv[1]));
  int wanted = static_cast<int>(ArgNumber(argv[2]));
  DWORD started = GetTickCount();
  for (;;) {
    HWND list = GetDlgItem(window, id);
    bool ok = false;
    int rows = list != nullptr ? RowCount(list, &ok) : 0;
    if (ok && rows >= wanted) {
      std::printf("reached=%llu\nrows=%d\n", NowMs(), rows);
      return 0;
    }
    if (TimedOut(started, ArgNumber(argv[3]))) {
      std::printf("timeout=1\nrows=%d\n", rows);
      return kFailed;
    }
    Sleep(kPollMs);
  }
}

// button-state <hwnd> <id>
int CmdButtonState(int argc, char** argv) {
  if (argc < 2) return kUsage;
  HWND button = Control(ArgWindow(argv[0]), static_cast<int>(ArgNumber(argv[1])));
  if (button == nullptr) return kFailed;
  std::printf("enabled=%d\nvisible=%d\nchecked=%d\nstyle=%08lx\n",
              IsWindowEnabled(button) ? 1 : 0, IsWindowVisible(button) ? 1 : 0,
              static_cast<int>(SendTimeout(button, BM_GETCHECK, 0, 0, nullptr)),
              static_cast<unsigned long>(GetWindowLongA(button, GWL_STYLE)));
  RECT rect;
  GetWindowRect(button, &rect);
  POINT topLeft = {rect.left, rect.top};
  ScreenToClient(ArgWindow(argv[0]), &topLeft);
  std::printf("client-rect=%ld,%ld,%ld,%ld\n", topLeft.x, topLeft.y, rect.right - rect.left,
              rect.bottom - rect.top);
  PrintWindowText("text", button);
  return 0;
}

// click <hwnd> <id>: what a click on an enabled button sends to its parent. A greyed-out
// button cannot be clicked, so that is refused (exit 1) instead of faked.
int CmdClick(int argc, char** argv) {
  if (argc < 2) return kUsage;
  HWND window = ArgWindow(argv[0]);
  int id = static_cast<int>(ArgNumber(argv[1]));
  HWND button = Control(window, id);
  if (button == nullptr) return kFailed;
  if (!IsWindowEnabled(button)) {
    std::printf("disabled=1\n");
    return kFailed;
  }
  std::printf("clicked=%llu\n", NowMs());
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  return 0;
}

// menu-command <hwnd> <id>
int CmdMenuCommand(int argc, char** argv) {
  if (argc < 2) return kUsage;
  std::printf("posted=%llu\n", NowMs());
  PostMessageA(ArgWindow(argv[0]), WM_COMMAND, MAKEWPARAM(ArgNumber(argv[1]), 0), 0);
  return 0;
}

// close <hwnd>: what the close box sends.
int CmdClose(int argc, char** argv) {
  if (argc < 1) return kUsage;
  std::printf("posted=%llu\n", NowMs());
  PostMessageA(ArgWindow(argv[0]), WM_CLOSE, 0, 0);
  return 0;
}

// key <hwnd> <virtual-key> [char]: a key press as the window's thread would receive it
// (a popup menu's loop reads these from the thread's queue).
int CmdKey(int argc, char** argv) {
  if (argc < 2) return kUsage;
  HWND window = ArgWindow(argv[0]);
  WPARAM key = static_cast<WPARAM>(ArgNumber(argv[1]));
  PostMessageA(window, WM_KEYDOWN, key, 1);
  if (argc > 2) PostMessageA(window, WM_CHAR, static_cast<WPARAM>(ArgNumber(argv[2])), 1);
  PostMessageA(window, WM_KEYUP, key, 0xC0000001);
  std::printf("posted=%llu\n", NowMs());
  return 0;
}

// press <hwnd> <keys> [<id> <timeout-ms>]: key presses as a user makes them (SendInput, the
// window's thread in the foreground), comma-separated: tab, enter, space, delete, up or a
// key's character (digit, lower-case letter), after ^ for Ctrl, + for Shift; "-" for none.
// With an id, waits until the thread's focus is on that control. Prints the focus's id.
void PressKey(const char* token) {
  static const char* const kNames[] = {"tab", "enter", "space", "delete", "up"};
  static const WORD kKeys[] = {VK_TAB, VK_RETURN, VK_SPACE, VK_DELETE, VK_UP};
  INPUT inputs[6] = {};
  int count = 0;
  for (; (*token == '^' || *token == '+') && token[1] != '\0' && count < 2; ++token) {
    inputs[count++].ki.wVk = *token == '^' ? VK_CONTROL : VK_SHIFT;
  }
  inputs[count++].ki.wVk = LOBYTE(VkKeyScanA(*token));
  for (int i = 0; i < 5; ++i) {
    if (Is(token, kNames[i])) inputs[count - 1].ki.wVk = kKeys[i];
  }
  for (int i = 0; i < count * 2; ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    if (i >= count) inputs[i].ki = {inputs[count * 2 - 1 - i].ki.wVk, 0, KEYEVENTF_KEYUP, 0, 0};
  }
  SendInput(static_cast<UINT>(count * 2), inputs, sizeof(INPUT));
}

int CmdPress(int argc, char** argv) {
  if (argc < 2) return kUsage;
  HWND window = ArgWindow(argv[0]);
  DWORD thread = GetWindowThreadProcessId(window, nullptr);
  if (GetWindowThreadProcessId(GetForegroundWindow(), nullptr) != thread) {
    SetForegroundWindow(window);
  }
  for (char* key = std::strtok(argv[1], ","); key != nullptr; key = std::strtok(nullptr, ",")) {
    if (!Is(key, "-")) PressKey(key);
  }
  GUITHREADINFO info{sizeof info, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, {}};
  int id = argc > 3 ? static_cast<int>(ArgNumber(argv[2])) : -1;
  for (DWORD started = GetTickCount(); argc > 3 && !TimedOut(started, ArgNumber(argv[3]));) {
    if (GetGUIThreadInfo(thread, &info) && GetDlgCtrlID(info.hwndFocus) == id) break;
    Sleep(kPollMs);
  }
  int focus = GetGUIThreadInfo(thread, &info) ? GetDlgCtrlID(info.hwndFocus) : 0;
  std::printf("focus=%d\n", focus);
  return argc > 3 && focus != id ? kFailed : 0;
}

// tray <hwnd> <mouse-message>: what the notification area sends for a click on the icon.
int CmdTray(int argc, char** argv) {
  if (argc < 2) return kUsage;
  std::printf("posted=%llu\n", NowMs());
  PostMessageA(ArgWindow(argv[0]), kTrayMessage, kTrayIconId,
               static_cast<LPARAM>(ArgNumber(argv[1])));
  return 0;
}

BOOL CALLBACK MatchBalloon(HWND window, LPARAM found) {
  char className[kTextMax];
  GetClassNameA(window, className, sizeof className);
  bool balloon = Is(className, TOOLTIPS_CLASSA) && IsWindowVisible(window) &&
                 (GetWindowLongA(window, GWL_STYLE) & TTS_BALLOON) != 0;
  if (balloon) *reinterpret_cast<HWND*>(found) = window;
  return balloon ? FALSE : TRUE;
}

// balloon-text <timeout-ms>: waits for a balloon of the notification area (a visible
// tooltip with TTS_BALLOON, in any process) and prints its one tool's text in code page
// 932, read with TTM_ENUMTOOLSW into a buffer in the balloon's process.
int CmdBalloonText(int argc, char** argv) {
  if (argc < 1) return kUsage;
  HWND balloon = nullptr;
  for (DWORD started = GetTickCount(); balloon == nullptr; Sleep(kPollMs)) {
    EnumWindows(MatchBalloon, reinterpret_cast<LPARAM>(&balloon));
    if (balloon == nullptr && TimedOut(started, ArgNumber(argv[0]))) return kFailed;
  }
  static_assert(sizeof(TTTOOLINFOW) <= sizeof(LVITEMA), "the list's remote block serves");
  RemoteList remote;
  if (!OpenRemoteList(balloon, remote)) return kFailed;
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.lpszText = reinterpret_cast<LPWSTR>(remote.remote + sizeof(LVITEMA));
  WCHAR wide[kRemoteTextSize / sizeof(WCHAR)] = {};
  bool read = WriteProcessMemory(remote.process, remote.remote, &tool, sizeof tool, nullptr) &&
              SendTimeout(balloon, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(remote.remote),
                          nullptr) &&
              ReadProcessMemory(remote.process, tool.lpszText, wide,
                                sizeof wide - sizeof(WCHAR), nullptr);
  CloseRemoteList(remote);
  char text[kTextMax * 2] = "";
  WideCharToMultiByte(932, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  PrintHexText("text", text);
  return read ? 0 : kFailed;
}

// check <hwnd> <id> <0|1>: sets a check box as a click would leave it.
int CmdCheck(int argc, char** argv) {
  if (argc < 3) return kUsage;
  HWND box = Control(ArgWindow(argv[0]), static_cast<int>(ArgNumber(argv[1])));
  if (box == nullptr) return kFailed;
  SendTimeout(box, BM_SETCHECK, ArgNumber(argv[2]) != 0 ? BST_CHECKED : BST_UNCHECKED, 0,
              nullptr);
  std::printf("checked=%d\n", static_cast<int>(SendTimeout(box, BM_GETCHECK, 0, 0, nullptr)));
  return 0;
}

// wait-messagebox <caption> <timeout-ms> [pid]: a message box is a dialog whose text sits in
// the static control 0xFFFF.
int CmdWaitMessageBox(int argc, char** argv) {
  if (argc < 2) return kUsage;
  char caption[kTextMax];
  WindowQuery query = {"#32770",
                       ArgText(argv[0], caption, sizeof caption),
                       argc > 2 ? static_cast<DWORD>(ArgNumber(argv[2])) : 0,
                       kMessageBoxTextId,
                       true,
                       nullptr};
  HWND box = WaitForWindow(query, ArgNumber(argv[1]));
  if (box == nullptr) {
    std::printf("timeout=1\n");
    return kFailed;
  }
  DWORD processId = 0;
  GetWindowThreadProcessId(box, &processId);
  std::printf("hwnd=%lu\npid=%lu\nfound=%llu\n",
              static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(box)), processId, NowMs());
  PrintWindowText("text", GetDlgItem(box, kMessageBoxTextId));
  for (int id = IDOK; id <= IDNO; ++id) {
    HWND button = GetDlgItem(box, id);
    LONG_PTR style = button != nullptr ? GetWindowLongPtrA(button, GWL_STYLE) : 0;
    if (button != nullptr) std::printf("button=%d\n", id);
    if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) std::printf("default=%d\n", id);
  }
  return 0;
}

// answer-messagebox <caption> <button-id> <timeout-ms>: presses a button of the box and
// waits until the box has gone.
int CmdAnswerMessageBox(int argc, char** argv) {
  if (argc < 3) return kUsage;
  char caption[kTextMax];
  long long timeoutMs = ArgNumber(argv[2]);
  WindowQuery query = {
      "#32770", ArgText(argv[0], caption, sizeof caption), 0, kMessageBoxTextId, true, nullptr};
  HWND box = WaitForWindow(query, timeoutMs);
  if (box == nullptr) {
    std::printf("timeout=1\n");
    return kFailed;
  }
  int id = static_cast<int>(ArgNumber(argv[1]));
  HWND button = GetDlgItem(box, id);
  if (button == nullptr) {
    std::printf("error=no button %d\n", id);
    return kFailed;
  }
  PrintWindowText("text", GetDlgItem(box, kMessageBoxTextId));
  std::printf("answered=%llu\n", NowMs());
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  return WaitGone(box, timeoutMs) ? 0 : kFailed;
}

// wait-dialog <caption> <ctrl-id> <timeout-ms>: a visible dialog holding that control.
int CmdWaitDialog(int argc, char** argv) {
  if (argc < 3) return kUsage;
  char caption[kTextMax];
  WindowQuery query = {"#32770", ArgText(argv[0], caption, sizeof caption),
                       0,        static_cast<int>(ArgNumber(argv[1])),
                       true,     nullptr};
  HWND dialog = WaitForWindow(query, ArgNumber(argv[2]));
  if (dialog == nullptr) {
    std::printf("timeout=1\n");
    return kFailed;
  }
  std::printf("hwnd=%lu\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(dialog)));
  return 0;
}

// find-dialog <caption> <ctrl-id>: like wait-dialog but visible or not, and at once.
int CmdFindDialog(int argc, char** argv) {
  if (argc < 2) return kUsage;
  char caption[kTextMax];
  WindowQuery query = {"#32770", ArgText(argv[0], caption, sizeof caption),
                       0,        static_cast<int>(ArgNumber(argv[1])),
                       false,    nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
  if (query.found == nullptr) {
    std::printf("found=0\n");
    return 0;
  }
  std::printf("found=1\nhwnd=%lu\nvisible=%d\n",
              static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(query.found)),
              IsWindowVisible(query.found) ? 1 : 0);
  return 0;
}

// ---------------------------------------------------------------------------------------
// Subcommands: edit fields, list selection, arrows, double clicks and file dialogs

// set-text <hwnd> <id> <text>: what typing the text into the control leaves in it.
int CmdSetText(int argc, char** argv) {
  if (argc < 3) return kUsage;
  HWND control = Control(ArgWindow(argv[0]), static_cast<int>(ArgNumber(argv[1])));
  if (control == nullptr) return kFailed;
  char text[kTextMax];
  ArgText(argv[2], text, sizeof text);
  bool ok = false;
  SendTimeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), &ok);
  PrintWindowText("text", control);
  return ok ? 0 : kFailed;
}

bool SetRowState(RemoteList& remoteList, int row, UINT state) {
  LVITEMA item;
  std::memset(&item, 0, sizeof item);
  item.mask = LVIF_STATE;
  item.state = state;
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SIZE_T moved = 0;
  bool ok = false;
  if (WriteProcessMemory(remoteList.process, remoteList.remote, &item, sizeof item, &moved)) {
    SendTimeout(remoteList.list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                reinterpret_cast<LPARAM>(remoteList.remote), &ok);
  }
  return ok;
}

// list-select <hwnd> <id> <row>: the row selected and focused, as a click on it leaves it;
// row -1 leaves no row selected.
int CmdListSelect(int argc, char** argv) {
  if (argc < 3) return kUsage;
  HWND list = Control(ArgWindow(argv[0]), static_cast<int>(ArgNumber(argv[1])));
  if (list == nullptr) return kFailed;
  int row = static_cast<int>(ArgNumber(argv[2]));
  RemoteList remoteList;
  if (!OpenRemoteList(list, remoteList)) return kFailed;
  bool ok = SetRowState(remoteList, -1, 0);
  if (ok && row >= 0) ok = SetRowState(remoteList, row, LVIS_SELECTED | LVIS_FOCUSED);
  CloseRemoteList(remoteList);
  std::printf("selected=%d\n",
              static_cast<int>(SendTimeout(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                           LVNI_SELECTED, nullptr)));
  return ok ? 0 : kFailed;
}

// Waits until the list holds `rows` rows (-1: any number) and its first selected row is
// `row` (-1: none), then prints every selected row, the focused row and the row count.
int WaitSelection(HWND list, int row, int rows, long long timeoutMs) {
  DWORD started = GetTickCount();
  for (;;) {
    bool ok = false;
    int count = RowCount(list, &ok);
    int first = static_cast<int>(
        SendTimeout(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, nullptr));
    bool reached = ok && first == row && (rows < 0 || count == rows);
    if (reached || TimedOut(started, timeoutMs)) {
      std::printf(reached ? "reached=%llu\n" : "timeout=1\nat=%llu\n", NowMs());
      if (reached) PrintPainted(list);
      std::printf("rows=%d\nselected=", count);
      for (int next = first, n = 0; next >= 0 && n < count; ++n) {
        std::printf(n > 0 ? ",%d" : "%d", next);
        next = static_cast<int>(SendTimeout(list, LVM_GETNEXTITEM, static_cast<WPARAM>(next),
                                            LVNI_SELECTED, nullptr));
      }
      std::printf("\nfocused=%d\n",
                  static_cast<int>(SendTimeout(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                               LVNI_FOCUSED, nullptr)));
      return reached ? 0 : kFailed;
    }
    Sleep(kPollMs);
  }
}

// wait-selection <hwnd> <id> <row> <rows> <timeout-ms>: see WaitSelection.
int CmdWaitSelection(int argc, char** argv) {
  if (argc < 5) return kUsage;
  HWND list = Control(ArgWindow(argv[0]), static_cast<int>(ArgNumber(argv[1])));
  if (list == nullptr) return kFailed;
  return WaitSelection(list, static_cast<int>(ArgNumber(argv[2])),
                       static_cast<int>(ArgNumber(argv[3])), ArgNumber(argv[4]));
}

// command-selects <hwnd> <command-id> <list-id> <row> <timeout-ms>: posts the command and
// waits in the same process until the list's selected row is row, so that posted= and
// reached= time the command alone.
int CmdCommandSelects(int argc, char** argv) {
  if (argc < 5) return kUsage;
  HWND window = ArgWindow(argv[0]);
  HWND list = Control(window, static_cast<int>(ArgNumber(argv[2])));
  if (list == nullptr) return kFailed;
  std::printf("posted=%llu\n", NowMs());
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(ArgNumber(argv[1]), 0), 0);
  return WaitSelection(list, static_cast<int>(ArgNumber(argv[3])), -1, ArgNumber(argv[4]));
}

// mouse-click <hwnd> <id>: a left click posted to the middle of the control itself, which
// then acts as on a user's click (an automatic check box ticks itself, every button tells
// its parent).
int CmdMouseClick(int argc, char** argv) {
  if (argc < 2) return kUsage;
  HWND control = Control(ArgWindow(argv[0]), static_cast<int>(ArgNumber(argv[1])));
  if (control == nullptr) return kFailed;
  RECT client;
  GetClientRect(control, &client);
  LPARAM point = MAKELPARAM(client.right / 2, client.bottom / 2);
  std::printf("clicked=%llu\n", NowMs());
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageA(control, WM_LBUTTONUP, 0, point);
  return 0;
}

// updown <hwnd> <id> <up|down> <clicks>: left clicks posted at the middle of the upper or
// lower half of an up-down control, which moves itself and tells its parent. Each click
// waits until the control's position has moved, or 1 s at the end of its range. Prints how
// many clicks moved it and its final position.
int CmdUpDown(int argc, char** argv) {
  if (argc < 4) return kUsage;
  HWND arrows = Control(ArgWindow(argv[0]), static_cast<int>(ArgNumber(argv[1])));
  if (arrows == nullptr) return kFailed;
  RECT client;
  GetClientRect(arrows, &client);
  LPARAM point = MAKELPARAM(client.right / 2,
                            Is(argv[2], "up") ? client.bottom / 4 : client.bottom * 3 / 4);
  int clicks = static_cast<int>(ArgNumber(argv[3]));
  int moved = 0;
  LRESULT position = SendTimeout(arrows, UDM_GETPOS32, 0, 0, nullptr);
  for (int click = 0; click < clicks; ++click) {
    LRESULT before = position;
    PostMessageA(arrows, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(arrows, WM_LBUTTONUP, 0, point);
    DWORD started = GetTickCount();
    while ((position = SendTimeout(arrows, UDM_GETPOS32, 0, 0, nullptr)) == before &&
           !TimedOut(started, 1000)) {
      Sleep(kPollMs);
    }
    if (position != before) ++moved;
  }
  std::printf("moved=%d\npos=%ld\n", moved, static_cast<long>(position));
  return 0;
}

// dblclick-row <hwnd> <id> <row>: a double click on the list's row, or on the empty space
// where a row past the last one would be. The cursor is put there first, since a program
// may ask where the cursor is.
int CmdDblClickRow(int argc, char** argv) {
  if (argc < 3) return kUsage;
  HWND list = Control(ArgWindow(argv[0]), static_cast<int>(ArgNumber(argv[1])));
  if (list == nullptr) return kFailed;
  int row = static_cast<int>(ArgNumber(argv[2]));
  RemoteList remoteList;
  if (!OpenRemoteList(list, remoteList)) return kFailed;
  RECT first = {LVIR_BOUNDS, 0, 0, 0};
  SIZE_T moved = 0;
  bool ok = false;
  if (WriteProcessMemory(remoteList.process, remoteList.remote, &first, sizeof first, &moved)) {
    ok = SendTimeout(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(remoteList.remote),
                     nullptr) != 0 &&
         ReadProcessMemory(remoteList.process, remoteList.remote, &first, sizeof first, &moved);
  }
  CloseRemoteList(remoteList);
  if (!ok) {
    std::printf("error=no first row\n");
    return kFailed;
  }
  int height = first.bottom - first.top;
  POINT point = {first.left + 10, first.top + height * row + height / 2};
  POINT screen = point;
  ClientToScreen(list, &screen);
  SetCursorPos(screen.x, screen.y);
  LPARAM at = MAKELPARAM(point.x, point.y);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  std::printf("x=%ld\ny=%ld\nposted=%llu\n", point.x, point.y, NowMs());
  return 0;
}

constexpr int kFileNameBoxId = 1148;  // the name box of the common file dialogs

// file-dialog <pid|0> <name|-> <timeout-ms>: waits for a common file dialog of the process,
// prints its title, its owner and what its name box shows, then types the name into the box
// and presses OK ("-": presses Cancel), and waits until the dialog has gone.
int CmdFileDialog(int argc, char** argv) {
  if (argc < 3) return kUsage;
  long long timeoutMs = ArgNumber(argv[2]);
  WindowQuery query = {"#32770",       nullptr, static_cast<DWORD>(ArgNumber(argv[0])),
                       kFileNameBoxId, true,    nullptr};
  HWND dialog = WaitForWindow(query, timeoutMs);
  if (dialog == nullptr) {
    std::printf("timeout=1\n");
    return kFailed;
  }
  std::printf(
      "hwnd=%lu\nowner=%lu\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(dialog)),
      static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(GetWindow(dialog, GW_OWNER))));
  PrintWindowText("title", dialog);
  HWND nameBox = GetDlgItem(dialog, kFileNameBoxId);
  PrintWindowText("shown", nameBox);
  int button = IDCANCEL;
  if (!Is(argv[1], "-")) {
    char name[kTextMax];
    ArgText(argv[1], name, sizeof name);
    SendTimeout(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name), nullptr);
    button = IDOK;
  }
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
  std::printf("answered=%llu\n", NowMs());
  return WaitGone(dialog, timeoutMs) ? 0 : kFailed;
}

// resize <hwnd> <width> <height>: sizes the window as a drag of its frame would leave it; its
// minimum and maximum tracking sizes apply. Prints the outer rectangle it got.
int CmdResize(int argc, char** argv) {
  if (argc < 3) return kUsage;
  HWND window = ArgWindow(argv[0]);
  SetWindowPos(window, nullptr, 0, 0, static_cast<int>(ArgNumber(argv[1])),
               static_cast<int>(ArgNumber(argv[2])),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT rect;
  GetWindowRect(window, &rect);
  std::printf("width=%ld\nheight=%ld\n", rect.right - rect.left, rect.bottom - rect.top);
  return 0;
}

// hold-file <path> <ms>: keeps the file open for ms milliseconds, sharing nothing: every
// other open, replace or delete of it fails meanwhile.
int CmdHoldFile(int argc, char** argv) {
  if (argc < 2) return kUsage;
  char path[kTextMax];
  HANDLE file = CreateFileA(ArgText(argv[0], path, sizeof path), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("error=CreateFile %lu\n", GetLastError());
    return kFailed;
  }
  std::printf("held=%llu\n", NowMs());
  Sleep(static_cast<DWORD>(ArgNumber(argv[1])));
  CloseHandle(file);
  std::printf("released=%llu\n", NowMs());
  return 0;
}

// memory <pid>: the process's working set, its peak and its private bytes, in KiB.
int CmdMemory(int argc, char** argv) {
  if (argc < 1) return kUsage;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                               static_cast<DWORD>(ArgNumber(argv[0])));
  if (process == nullptr) return kFailed;
  PROCESS_MEMORY_COUNTERS counters;
  std::memset(&counters, 0, sizeof counters);
  counters.cb = sizeof counters;
  BOOL ok = GetProcessMemoryInfo(process, &counters, sizeof counters);
  CloseHandle(process);
  if (!ok) return kFailed;
  std::printf("working-set=%lu\npeak-working-set=%lu\nprivate=%lu\n",
              static_cast<unsigned long>(counters.WorkingSetSize / 1024),
              static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024),
              static_cast<unsigned long>(counters.PagefileUsage / 1024));
  return 0;
}

// ---------------------------------------------------------------------------------------
// Subcommands: the registry under HKEY_CLASSES_ROOT

void DumpKey(HKEY parent, const char* path, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(parent, name, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  PrintHexText("key", path);
  for (DWORD index = 0;; ++index) {
    char valueName[kTextMax];
    DWORD nameLength = sizeof valueName;
    DWORD type = 0;
    BYTE data[4096];
    DWORD dataLength = sizeof data;
    if (RegEnumValueA(key, index, valueName, &nameLength, nullptr, &type, data, &dataLength) !=
        ERROR_SUCCESS) {
      break;
    }
    std::printf("value=");
    PrintHex(path, lstrlenA(path));
    std::printf(",");
    PrintHex(valueName, static_cast<int>(nameLength));
    std::printf(",%lu,", type);
    PrintHex(reinterpret_cast<const char*>(data), static_cast<int>(dataLength));
    std::printf("\n");
  }
  for (DWORD index = 0;; ++index) {
    char subName[kTextMax];
    DWORD subLength = sizeof subName;
    if (RegEnumKeyExA(key, index, subName, &subLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    char subPath[kTextMax * 2];
    std::snprintf(subPath, sizeof subPath, "%s\\%s", path, subName);
    DumpKey(key, subPath, subName);
  }
  RegCloseKey(key);
}

// reg-dump <key>...: every key below HKEY_CLASSES_ROOT\key, with its values (data in hex,
// terminating zero included as stored).
int CmdRegDump(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) {
    char name[kTextMax];
    ArgText(argv[i], name, sizeof name);
    DumpKey(HKEY_CLASSES_ROOT, name, name);
  }
  std::printf("done=1\n");
  return 0;
}

void DeleteTree(HKEY parent, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  for (;;) {
    char subName[kTextMax];
    DWORD subLength = sizeof subName;
    if (RegEnumKeyExA(key, 0, subName, &subLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    DeleteTree(key, subName);
    // A subkey that cannot be deleted would be enumerated for ever.
    HKEY check;
    if (RegOpenKeyExA(key, subName, 0, KEY_READ, &check) == ERROR_SUCCESS) {
      RegCloseKey(check);
      break;
    }
  }
  RegCloseKey(key);
  RegDeleteKeyA(parent, name);
}

// reg-delete <key>...: removes HKEY_CLASSES_ROOT\key with everything below it.
int CmdRegDelete(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) {
    char name[kTextMax];
    DeleteTree(HKEY_CLASSES_ROOT, ArgText(argv[i], name, sizeof name));
  }
  std::printf("done=1\n");
  return 0;
}

// reg-set <key> <text>: creates HKEY_CLASSES_ROOT\key (one level at a time, as the
// programs do) and writes its default value.
int CmdRegSet(int argc, char** argv) {
  if (argc < 2) return kUsage;
  char path[kTextMax];
  char value[kTextMax];
  ArgText(argv[0], path, sizeof path);
  ArgText(argv[1], value, sizeof value);
  HKEY key;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return kFailed;
  }
  LONG result = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                               static_cast<DWORD>(lstrlenA(value) + 1));
  RegCloseKey(key);
  std::printf("done=%d\n", result == ERROR_SUCCESS ? 1 : 0);
  return result == ERROR_SUCCESS ? 0 : kFailed;
}

// list-checks <hwnd> <ctrl-id>: each row's check box as "check=<image>" (0 none, 1 unchecked,
// 2 checked).
int CmdListChecks(int argc, char** argv) {
  if (argc < 2) return kUsage;
  HWND list = Control(ArgWindow(argv[0]), static_cast<int>(ArgNumber(argv[1])));
  if (list == nullptr) return kFailed;
  bool ok = false;
  int rows = RowCount(list, &ok);
  for (int row = 0; row < rows && ok; ++row) {
    LRESULT state = SendTimeout(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK, &ok);
    std::printf("check=%d\n", static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12));
  }
  return ok ? 0 : kFailed;
}

// startup-folder: the user's Startup folder (created when missing) as "folder=<hex>".
int CmdStartupFolder(int, char**) {
  char folder[MAX_PATH];
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_STARTUP | CSIDL_FLAG_CREATE, nullptr,
                              SHGFP_TYPE_CURRENT, folder))) {
    return kFailed;
  }
  PrintHexText("folder", folder);
  return 0;
}

// make-shortcut <lnk> <target> <arguments>: a shortcut written through IShellLinkA.
int CmdMakeShortcut(int argc, char** argv) {
  if (argc < 3) return kUsage;
  char path[kTextMax], target[kTextMax], arguments[kTextMax];
  WCHAR widePath[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, ArgText(argv[0], path, sizeof path), -1, widePath, MAX_PATH);
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IShellLinkA, reinterpret_cast<void**>(&link));
  if (SUCCEEDED(result)) {
    link->SetPath(ArgText(argv[1], target, sizeof target));
    link->SetArguments(ArgText(argv[2], arguments, sizeof arguments));
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  }
  if (SUCCEEDED(result)) result = file->Save(widePath, TRUE);
  if (file != nullptr) file->Release();
  if (link != nullptr) link->Release();
  CoUninitialize();
  std::printf("done=%d\n", SUCCEEDED(result) ? 1 : 0);
  return SUCCEEDED(result) ? 0 : kFailed;
}

// ---------------------------------------------------------------------------------------

struct Subcommand {
  const char* name;
  int (*run)(int argc, char** argv);
};

const Subcommand kSubcommands[] = {
    {"now", CmdNow},
    {"run", CmdRun},
    {"wait-exit", CmdWaitExit},
    {"alive", CmdAlive},
    {"kill", CmdKill},
    {"find-process", CmdFindProcess},
    {"cputime", CmdCpuTime},
    {"shell-open", CmdShellOpen},
    {"short-path", CmdShortPath},
    {"wait-window", CmdWaitWindow},
    {"wait-gone", CmdWaitGone},
    {"window-info", CmdWindowInfo},
    {"wait-visible", CmdWaitVisible},
    {"list-rows", CmdListRows},
    {"list-columns", CmdListColumns},
    {"watch-status", CmdWatchStatus},
    {"wait-rows", CmdWaitRows},
    {"button-state", CmdButtonState},
    {"click", CmdClick},
    {"menu-command", CmdMenuCommand},
    {"close", CmdClose},
    {"key", CmdKey},
    {"press", CmdPress},
    {"tray", CmdTray},
    {"balloon-text", CmdBalloonText},
    {"check", CmdCheck},
    {"wait-messagebox", CmdWaitMessageBox},
    {"answer-messagebox", CmdAnswerMessageBox},
    {"wait-dialog", CmdWaitDialog},
    {"find-dialog", CmdFindDialog},
    {"set-text", CmdSetText},
    {"list-select", CmdListSelect},
    {"wait-selection", CmdWaitSelection},
    {"command-selects", CmdCommandSelects},
    {"mouse-click", CmdMouseClick},
    {"updown", CmdUpDown},
    {"dblclick-row", CmdDblClickRow},
    {"file-dialog", CmdFileDialog},
    {"resize", CmdResize},
    {"hold-file", CmdHoldFile},
    {"memory", CmdMemory},
    {"reg-dump", CmdRegDump},
    {"reg-delete", CmdRegDelete},
    {"reg-set", CmdRegSet},
    {"list-checks", CmdListChecks},
    {"startup-folder", CmdStartupFolder},
    {"make-shortcut", CmdMakeShortcut},
};

}  // namespace

int main(int argc, char** argv) {
  // The scripts read the output while the driver still runs (run --debug), so no buffering.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc >= 2) {
    for (const Subcommand& subcommand : kSubcommands) {
      if (Is(argv[1], subcommand.name)) return subcommand.run(argc - 2, argv + 2);
    }
  }
  std::fprintf(stderr, "usage: tl_driver <subcommand> ...; subcommands:");
  for (const Subcommand& subcommand : kSubcommands)
    std::fprintf(stderr, " %s", subcommand.name);
  std::fprintf(stderr, "\n");
  return kUsage;
}
