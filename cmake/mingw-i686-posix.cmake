# The compilers of the Windows test programs: mingw-w64's posix-threads variant, because
# GoogleTest needs std::thread and std::mutex. Never for a program that users run: see
# mingw-i686.cmake.
set(TALVEX_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686-common.cmake)
