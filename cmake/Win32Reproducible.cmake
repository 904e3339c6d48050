# The Windows programs are reproducible: the same sources and compilers give the same bytes,
# whatever folder, time and time zone they are built in, so that anyone can check that a
# Setup.exe is the one its source makes (scripts/release.sh, tests/scripts/reproducible-build-test.sh).
# Included before the first target, so that every target of the tree gets these options.
#
# - Folders: the source folder, this build folder and the cross-built dependencies' prefix are
#   written into objects (debug information, __FILE__) under fixed names. The compiler tries the
#   last map first and compares plain prefixes of the text: the build folder usually lies inside
#   the source folder, so it comes after it, and the dependencies' prefix comes last, because the
#   build folder's name can be the start of its name (build/win32 of build/win32-deps).
# - No time: the link writes 0 into the PE header's TimeDateStamp (objcopy -p keeps it when the
#   debug information is split off); windres writes 0 into the resource directory's.
# - Archives are deterministic (cmake/mingw-i686-common.cmake); CMake lists sources and objects in
#   a fixed order; the linker makes no build id.
set(TALVEX_C_LANGUAGES "$<COMPILE_LANGUAGE:C,CXX>")
add_compile_options(
  "$<${TALVEX_C_LANGUAGES}:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=/talvex-setup>"
  "$<${TALVEX_C_LANGUAGES}:-ffile-prefix-map=${CMAKE_BINARY_DIR}=/talvex-setup-build>"
  "$<${TALVEX_C_LANGUAGES}:-ffile-prefix-map=${TALVEX_WIN32_DEPS}=/talvex-setup-deps>")
add_link_options(-Wl,--no-insert-timestamp)

# The 32-bit programs that users run carry debug information for backtraces (functions and line
# tables: -g1, a third quicker to compile than -g), which the build splits off into
# <program>.debug (talvex_add_product_executable); users get them stripped. The test tree and the
# 64-bit build for the Wine test bed do without: nobody reads their crash reports, and it would
# only slow their build.
if(TALVEX_MINGW_ARCH STREQUAL "i686" AND NOT TALVEX_WIN32_TEST_TREE)
  add_compile_options("$<${TALVEX_C_LANGUAGES}:-g1>")
endif()
