# The 64-bit build of the programs that users run, for the Wine test bed on machines that cannot
# run 32-bit programs (wine64 only). Users get the 32-bit build of mingw-i686.cmake.
set(TALVEX_MINGW_ARCH x86_64)
set(TALVEX_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686-common.cmake)
