# Cross build for 32-bit Windows with MinGW-w64. Everything is linked statically so the
# programs need no DLL besides the system's own. The thread model of the -posix compilers
# (cmake/mingw.cmake) never reaches the three programs: they link no C++ runtime library
# (cmake/small_program.cmake), and the win32-model compilers give them byte for byte the
# same.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
