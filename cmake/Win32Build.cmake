# The Windows build: Setup.exe over the real Win32 backends, statically linked so that it needs no
# DLL besides Windows' own. The cross-built dependencies (libjpeg-turbo, GoogleTest) come from
# build/win32-deps: scripts/build-libjpeg-win32.sh and scripts/build-gtest-win32.sh make them.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(TALVEX_VERSION 1.0.0.0)

# No C or C++ runtime DLL: libgcc, libstdc++ and winpthread go into every program.
add_link_options(-static -static-libgcc -static-libstdc++)

# The real calls of the platform layer.
file(GLOB TALVEX_PLATFORM_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/win32/*.cpp)
add_library(talvex_platform_win32 STATIC ${TALVEX_PLATFORM_WIN32_SOURCES})
target_include_directories(talvex_platform_win32 PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(talvex_platform_win32 PUBLIC talvex_platform setupapi shell32 ole32 advapi32
  kernel32)

# Real windows for the form framework.
file(GLOB TALVEX_UI_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/framework/win32/*.cpp)
add_library(talvex_ui_win32 STATIC ${TALVEX_UI_WIN32_SOURCES})
target_link_libraries(talvex_ui_win32 PUBLIC talvex_framework talvex_platform_win32 user32 gdi32)

# The icon is drawn by a script; the version comes from here.
set(TALVEX_GENERATED ${CMAKE_BINARY_DIR}/generated)
string(REPLACE "." "," TALVEX_VERSION_COMMAS ${TALVEX_VERSION})
file(WRITE ${TALVEX_GENERATED}/talvex_version.h.tmp
  "#define TALVEX_VERSION_TEXT \"${TALVEX_VERSION}\"\n"
  "#define TALVEX_VERSION_COMMAS ${TALVEX_VERSION_COMMAS}\n")
configure_file(${TALVEX_GENERATED}/talvex_version.h.tmp ${TALVEX_GENERATED}/talvex_version.h
  COPYONLY)
add_custom_command(
  OUTPUT ${TALVEX_GENERATED}/setup.ico
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/make-setup-icon.py
          ${TALVEX_GENERATED}/setup.ico
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make-setup-icon.py
  COMMENT "Drawing the program icon")
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/setup.rc PROPERTIES
  OBJECT_DEPENDS "${TALVEX_GENERATED}/setup.ico;${TALVEX_GENERATED}/talvex_version.h")

add_executable(Setup WIN32 ${CMAKE_SOURCE_DIR}/entry/win32_main.cpp
  ${CMAKE_SOURCE_DIR}/resources/setup.rc)
set_target_properties(Setup PROPERTIES OUTPUT_NAME Setup)
target_include_directories(Setup PRIVATE ${TALVEX_GENERATED})
target_link_libraries(Setup PRIVATE talvex_logic talvex_platform_win32 talvex_ui_win32)

if(TALVEX_TESTS)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/win32 ${CMAKE_BINARY_DIR}/tests/win32)
endif()
