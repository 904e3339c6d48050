# Cross-compiling for Windows with Debian's mingw-w64; included by mingw-i686.cmake (the programs
# that users run) and mingw-i686-posix.cmake (the test programs), which set TALVEX_MINGW_THREADS to
# the compiler's thread model first. mingw-x86_64*.cmake set TALVEX_MINGW_ARCH to x86_64 for the
# 64-bit build of the same sources, which the Wine test bed runs on machines that cannot run
# 32-bit programs.
if(NOT TALVEX_MINGW_ARCH)
  set(TALVEX_MINGW_ARCH i686)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TALVEX_MINGW_ARCH})

set(TALVEX_MINGW_TRIPLE ${TALVEX_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${TALVEX_MINGW_TRIPLE}-gcc-${TALVEX_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${TALVEX_MINGW_TRIPLE}-g++-${TALVEX_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${TALVEX_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${TALVEX_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${TALVEX_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${TALVEX_MINGW_TRIPLE}-objdump CACHE FILEPATH "")
set(CMAKE_OBJCOPY ${TALVEX_MINGW_TRIPLE}-objcopy CACHE FILEPATH "")

# Deterministic archives: every member with owner, group and time 0 and mode 0644, so that a
# static library depends only on its objects (what Debian's binutils do by default, said here
# for every binutils). Set on every configure, also in trees configured before.
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()

# Libraries and headers come from the mingw sysroot and from the cross-built dependencies
# (libjpeg-turbo, GoogleTest) under build/win32-deps (build/win64-deps for x86_64); programs come
# from the host.
get_filename_component(TALVEX_TOOLCHAIN_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
if(TALVEX_MINGW_ARCH STREQUAL "x86_64")
  set(TALVEX_DEPS_FOLDER win64-deps)
else()
  set(TALVEX_DEPS_FOLDER win32-deps)
endif()
set(TALVEX_WIN32_DEPS "${TALVEX_TOOLCHAIN_ROOT}/build/${TALVEX_DEPS_FOLDER}" CACHE PATH
    "Prefix of the cross-built dependencies")
set(CMAKE_FIND_ROOT_PATH /usr/${TALVEX_MINGW_TRIPLE} ${TALVEX_WIN32_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wine runs the cross-built programs when CMake or a test needs to.
find_program(TALVEX_WINE wine)
if(TALVEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TALVEX_WINE})
endif()
