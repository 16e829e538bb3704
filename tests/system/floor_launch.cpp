// floor_launch: the least a launcher can do, for the runner's benchmark. It hands the
// program named by its first argument to the shell's "open" verb at once, with the rest
// of its command line as the parameters, and ends. The time from its start to the
// launched program's start is the floor against which the runner's own start is measured.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 2) return 2;
  const char* parameters = __argc > 2 ? __argv[2] : "";
  INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", __argv[1], parameters, "", SW_SHOWNORMAL));
  return result > 32 ? 0 : 1;
}
