# The compilers of the programs that users run (Setup.exe): mingw-w64's win32-threads variant.
# Its runtime calls nothing newer than Windows 98 and 2000 provide; the posix-threads variant
# links winpthread, which imports functions of Windows XP and Vista, so that the loader of older
# systems refuses the program. This variant has no std::thread or std::mutex, so product code uses
# neither.
set(TALVEX_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686-common.cmake)
