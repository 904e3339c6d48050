# The test programs of the 64-bit build (see mingw-x86_64.cmake): posix-threads compilers, because
# GoogleTest needs std::thread and std::mutex.
set(TALVEX_MINGW_ARCH x86_64)
set(TALVEX_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686-common.cmake)
