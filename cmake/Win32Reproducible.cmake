# The Windows programs are reproducible: the same sources and compilers give the same bytes,
# whatever folder, time and time zone they are built in, so that anyone can check that a
# Setup.exe is the one its source makes (scripts/release.sh, tests/scripts/reproducible-build-test.sh).
# Included before the first target, so that every target of the tree gets these options.
#
# - Folders: the source folder, the cross-built dependencies' prefix and this build folder are
#   written into objects (debug information, __FILE__) under fixed names. The build folder comes
#   last: the compiler tries the last map first, and the build folder usually lies inside the
#   source folder.
# - No time: the link writes 0 into the PE header's TimeDateStamp (objcopy -p keeps it when the
#   debug information is split off); windres writes 0 into the resource directory's.
# - Archives are deterministic (cmake/mingw-i686-common.cmake); CMake lists sources and objects in
#   a fixed order; the linker makes no build id.
set(TALVEX_C_LANGUAGES "$<COMPILE_LANGUAGE:C,CXX>")
add_compile_options(
  "$<${TALVEX_C_LANGUAGES}:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=/talvex-setup>"
  "$<${TALVEX_C_LANGUAGES}:-ffile-prefix-map=${TALVEX_WIN32_DEPS}=/talvex-setup-deps>"
  "$<${TALVEX_C_LANGUAGES}:-ffile-prefix-map=${CMAKE_BINARY_DIR}=/talvex-setup-build>")
add_link_options(-Wl,--no-insert-timestamp)

# The 32-bit programs that users run carry debug information for backtraces (functions and line
# tables: -g1, a third quicker to compile than -g), which the build splits off into
# <program>.debug (talvex_add_product_executable); users get them stripped. The test tree and the
# 64-bit build for the Wine test bed do without: nobody reads their crash reports, and it would
# only slow their build.
if(TALVEX_MINGW_ARCH STREQUAL "i686" AND NOT TALVEX_WIN32_TEST_TREE)
  add_compile_options("$<${TALVEX_C_LANGUAGES}:-g1>")
endif()
