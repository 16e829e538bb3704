# Cross build for 64-bit Windows with MinGW-w64: the same sources as the 32-bit build, for
# hosts whose kernel runs no 32-bit code, where Wine can start only 64-bit programs. Only
# the tests and `make run` use it there; what ships is the 32-bit build.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
