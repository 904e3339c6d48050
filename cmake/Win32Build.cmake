# The Windows build: Setup.exe over the real Win32 backends, statically linked so that it needs no
# DLL besides Windows' own. The cross-built dependencies (libjpeg-turbo, GoogleTest) come from
# build/win32-deps: scripts/build-libjpeg-win32.sh and scripts/build-gtest-win32.sh make them.
#
# Two build trees of the same sources. This one, configured with cmake/mingw-i686.cmake (the
# win32-threads compilers), builds the programs that users run. Their test programs need
# std::thread, which only the posix-threads compilers have, and those link winpthread, whose
# imports the loaders of Windows 98 to XP refuse; so the test programs are built by a second tree,
# <build>/posix, configured with cmake/mingw-i686-posix.cmake and TALVEX_WIN32_TEST_TREE, which
# this tree configures and builds as one of its steps. Both put their programs under <build>.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

option(TALVEX_WIN32_TEST_TREE "Build only the Windows test programs (posix-threads compilers)" OFF)
set(TALVEX_PRODUCT_IMPORTS ${CMAKE_SOURCE_DIR}/cmake/windows-imports.txt CACHE FILEPATH
    "The functions a program that users run may import, per DLL")
set(TALVEX_PRODUCT_KNOWN_DLLS ${CMAKE_SOURCE_DIR}/cmake/windows-known-dlls.txt CACHE FILEPATH
    "The known DLLs of each supported system: the only DLLs a program that users run may import")

set(TALVEX_VERSION 1.0.0.0)

# No C or C++ runtime DLL: libgcc, libstdc++ (and in the test tree winpthread) go into every
# program.
add_link_options(-static -static-libgcc -static-libstdc++)

# The real calls of the platform layer. Only the system's known DLLs are linked
# (cmake/windows-known-dlls.txt): setupapi.dll, comctl32.dll and ole32.dll are loaded at run time
# from the system folder (platform/win32/system_libraries.h), so that no DLL of those names beside
# the program is loaded before its code runs.
file(GLOB TALVEX_PLATFORM_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/win32/*.cpp)
add_library(talvex_platform_win32 STATIC ${TALVEX_PLATFORM_WIN32_SOURCES})
target_include_directories(talvex_platform_win32 PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(talvex_platform_win32 PUBLIC talvex_platform shell32 advapi32 kernel32 user32)

# Real windows for the form framework.
file(GLOB TALVEX_UI_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/framework/win32/*.cpp)
add_library(talvex_ui_win32 STATIC ${TALVEX_UI_WIN32_SOURCES})
target_link_libraries(talvex_ui_win32 PUBLIC talvex_framework talvex_platform_win32 user32 gdi32)

# talvex_add_product_executable(name source...): a GUI program that users run. Here it is built
# with every ordinary build, and the build fails when it imports a function that
# TALVEX_PRODUCT_IMPORTS does not list, a DLL that is not a known DLL of every system in
# TALVEX_PRODUCT_KNOWN_DLLS, or when its header asks for a newer Windows than 98
# (scripts/check-imports.sh). In the test tree it is only
# defined, so that the same target_link_libraries calls work there, and built when asked for.
function(talvex_add_product_executable name)
  if(TALVEX_WIN32_TEST_TREE)
    add_executable(${name} WIN32 EXCLUDE_FROM_ALL ${ARGN})
    return()
  endif()
  add_executable(${name} WIN32 ${ARGN})
  set_property(GLOBAL APPEND PROPERTY TALVEX_PRODUCTS ${name})
  # Users get the program stripped; its debug information goes into <program>.debug beside it,
  # which the program names in a debug link (file name and CRC) for the debugger to find. -p keeps
  # the header's TimeDateStamp (0) instead of writing the time of the split into both files.
  set(program $<TARGET_FILE:${name}>)
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} -p --only-keep-debug ${program} ${program}.debug
    COMMAND ${CMAKE_OBJCOPY} -p --strip-all --add-gnu-debuglink=${program}.debug ${program}
    BYPRODUCTS ${CMAKE_CURRENT_BINARY_DIR}/${name}${CMAKE_EXECUTABLE_SUFFIX}.debug
    COMMENT "Splitting the debug information of ${name} off into ${name}.exe.debug"
    VERBATIM)
  # The 64-bit build only serves the Wine test bed; the allowlist is about the 32-bit loaders.
  if(NOT TALVEX_MINGW_ARCH STREQUAL "i686")
    return()
  endif()
  set(checked ${CMAKE_CURRENT_BINARY_DIR}/${name}.imports-checked)
  add_custom_command(
    OUTPUT ${checked}
    COMMAND ${CMAKE_COMMAND} -E env OBJDUMP=${CMAKE_OBJDUMP}
            sh ${CMAKE_SOURCE_DIR}/scripts/check-imports.sh $<TARGET_FILE:${name}>
            ${TALVEX_PRODUCT_IMPORTS} ${TALVEX_PRODUCT_KNOWN_DLLS}
    COMMAND ${CMAKE_COMMAND} -E touch ${checked}
    DEPENDS ${name} ${TALVEX_PRODUCT_IMPORTS} ${TALVEX_PRODUCT_KNOWN_DLLS}
            ${CMAKE_SOURCE_DIR}/scripts/check-imports.sh
    COMMENT "Checking that the loader of Windows 98 accepts ${name}: its imports and header; only known DLLs imported"
    VERBATIM)
  add_custom_target(${name}_imports ALL DEPENDS ${checked})
endfunction()

# The test tree, built after the products, so that the two trees never compete for the processors.
function(talvex_add_win32_test_tree)
  include(ExternalProject)
  cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
  get_property(products GLOBAL PROPERTY TALVEX_PRODUCTS)
  # The same optimisation as this tree's (the 64-bit build for Wine is not optimised).
  string(TOUPPER "${CMAKE_BUILD_TYPE}" config)
  ExternalProject_Add(win32_test_programs
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/posix
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-${TALVEX_MINGW_ARCH}-posix.cmake
      -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      "-DCMAKE_CXX_FLAGS_${config}=${CMAKE_CXX_FLAGS_${config}}"
      -DTALVEX_WIN32_TEST_TREE=ON
      -DTALVEX_WERROR=${TALVEX_WERROR}
      -DTALVEX_WIN32_DEPS=${TALVEX_WIN32_DEPS}
      -DTALVEX_WIN32_TEST_OUTPUT=${CMAKE_BINARY_DIR}/tests/win32
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --parallel ${cores}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    DEPENDS ${products}
    USES_TERMINAL_CONFIGURE ON
    USES_TERMINAL_BUILD ON)
endfunction()

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

talvex_add_product_executable(Setup ${CMAKE_SOURCE_DIR}/entry/win32_main.cpp
  ${CMAKE_SOURCE_DIR}/resources/setup.rc)
set_target_properties(Setup PROPERTIES OUTPUT_NAME Setup)
target_include_directories(Setup PRIVATE ${TALVEX_GENERATED})
target_link_libraries(Setup PRIVATE talvex_logic talvex_platform_win32 talvex_ui_win32)

# The folder tree control in a window of its own, on the real shell.
talvex_add_product_executable(FolderTree ${CMAKE_SOURCE_DIR}/entry/foldertree_win32_main.cpp)
target_link_libraries(FolderTree PRIVATE talvex_logic talvex_platform_win32 talvex_ui_win32)

if(TALVEX_WIN32_TEST_TREE)
  # Only what the test programs link is built.
  set_target_properties(talvex_logic PROPERTIES EXCLUDE_FROM_ALL ON)
  if(TALVEX_TESTS)
    # The test programs go where the product tree's users look for them: <build>/tests/win32.
    if(TALVEX_WIN32_TEST_OUTPUT)
      set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${TALVEX_WIN32_TEST_OUTPUT})
    endif()
    add_subdirectory(${CMAKE_SOURCE_DIR}/tests/win32 ${CMAKE_BINARY_DIR}/tests/win32)
  endif()
elseif(TALVEX_TESTS)
  # The test programs that need no GoogleTest are built here, with the products' compilers.
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/win32 ${CMAKE_BINARY_DIR}/tests/win32)
  # Configured when this directory is done, so that it follows every product defined anywhere.
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL talvex_add_win32_test_tree)
endif()
