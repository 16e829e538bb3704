// floor_launch: the least a launcher can do, for the runner's benchmark. It hands the
// program named by its first argument to the shell's "open" verb at once, with the rest
// of its command line as the parameters, and ends. The time from its start to the
// launched program's start is the floor against which the runner's own start is measured.
// With --window first it makes one hidden list view before the launch: the least a
// launcher with a window pays (under Wine, the setup of USER32 and its display driver).
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  int first = 1;
  HWND window = nullptr;
  if (__argc > 1 && std::strcmp(__argv[1], "--window") == 0) {
    // Loaded here rather than imported, so the plain floor does not pay for it.
    LoadLibraryA("comctl32.dll");
    window = CreateWindowExA(0, "SysListView32", "", 0x0001 /* LVS_REPORT */, 0, 0, 250, 170,
                             nullptr, nullptr, instance, nullptr);
    first = 2;
  }
  if (__argc < first + 1) return 2;
  const char* parameters = __argc > first + 1 ? __argv[first + 1] : "";
  INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", __argv[first], parameters, "", SW_SHOWNORMAL));
  if (window != nullptr) DestroyWindow(window);
  return result > 32 ? 0 : 1;
}
