#!/usr/bin/env bash
# Every test: a formatting check, the release script's refusals and its zip, the native build
# with every native test (unit, scenario, fault matrix, fuzz seeds) under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Windows build (Setup.exe) with its check of every imported
# function and a second build of its programs in another folder that must give the same bytes,
# the Win32 backends' unit tests under Wine, and the Wine test bed's whole runs of Setup.exe. The
# plain native build (the one the examples run) compiles the same sources with the same warnings;
# the Windows builds compile the program logic optimised, with warnings as errors.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
# section TITLE: a heading with the time since the start, so that slow parts show.
section() { echo "== $* (at ${SECONDS} s)"; }
# The native part needs only what a Debian machine for C++ mostly has; the Windows and Wine
# packages (compilers, Wine, Xvfb) are installed meanwhile, in the background.
scripts/install-deps.sh native
deps_log=$(mktemp)
scripts/install-deps.sh all >"$deps_log" 2>&1 &
deps_pid=$!

section "formatting"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
clang-format --dry-run --Werror $files

section "the release script and its zip"
tests/scripts/release-test.sh
tests/scripts/make-zip-test.sh

section "native build and tests, under the sanitizers"
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan -j2
ctest --preset native-asan -j2

section "the Windows and Wine packages"
deps_status=0
wait "$deps_pid" || deps_status=$?
cat "$deps_log"
rm -f "$deps_log"
[ "$deps_status" -eq 0 ] || { echo "the Windows and Wine packages could not be installed" >&2; exit 1; }

# Wine runs the 32-bit build where this machine can run 32-bit programs; where the kernel refuses
# them, the 64-bit build of the same sources stands in for it under wine64, and the 32-bit build
# makes only the programs that users run (its test programs could not run here).
. scripts/wine-select.sh
if wine_can_run_32bit; then
  wine_arch=i686
  win32_tests=ON
else
  wine_arch=x86_64
  win32_tests=OFF
fi

# The 32-bit Setup.exe and FolderTree.exe, and the check that every program users run imports
# only functions that Windows 98 SE and Windows 2000 export (later ones are loaded at run time by
# name) and asks for no newer Windows than 98 in its header; then the check's own test.
windows_build() {
  scripts/build-libjpeg-win32.sh
  if [ "$win32_tests" = ON ]; then scripts/build-gtest-win32.sh; fi
  cmake --preset win32 -DTALVEX_TESTS=$win32_tests >/dev/null
  cmake --build --preset win32 -j2
  for exe in build/win32/*.exe; do
    scripts/check-imports.sh "$exe" cmake/windows-imports.txt
  done
  tests/scripts/check-imports-test.sh
}

# The same programs built a second time in another folder and time zone: byte for byte the first
# build's, and no path of a source or build folder in them.
reproducible_build() {
  tests/scripts/reproducible-build-test.sh build/win32
}

# The Wine runs spend much of their time waiting on windows and timers: a build uses the
# processors meanwhile, at a lower priority, so that the Wine runs' timing comes first.
windows_log=""
if [ "$wine_arch" = i686 ]; then
  section "Windows build"
  windows_build
  wine_build=build/win32
  section "second Windows build (reproducibility), beside the Wine runs"
  windows_log=$(mktemp)
  (
    renice -n 10 "$BASHPID" >/dev/null
    reproducible_build
  ) >"$windows_log" 2>&1 &
  windows_pid=$!
else
  section "this machine cannot run 32-bit programs: the Wine runs use the 64-bit build (win64)"
  scripts/build-libjpeg-win32.sh x86_64
  scripts/build-gtest-win32.sh x86_64
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 -j2
  wine_build=build/win64
  section "Windows build (32-bit) and its second build (reproducibility), beside the Wine runs"
  windows_log=$(mktemp)
  (
    renice -n 10 "$BASHPID" >/dev/null
    windows_build
    reproducible_build
  ) >"$windows_log" 2>&1 &
  windows_pid=$!
fi

# The two Wine parts use prefixes and displays of their own, and both spend much of their time
# waiting on windows and timers: they run side by side.
section "Win32 backends under Wine ($wine_build), beside the Wine test bed"
backend_log=$(mktemp)
tests/win32/run-under-wine.sh "$wine_build" >"$backend_log" 2>&1 &
backend_pid=$!

section "Wine test bed ($wine_build)"
bed_status=0
tests/wine/run.sh "$wine_build/Setup.exe" || bed_status=$?
# The bundled package rehearsed natively and under Wine, once the bed's lanes are done.
section "talvex-rehearse --wine on the bundled package"
rehearsal_status=0
tests/rehearse/wine-rehearsal-test.sh build/native-asan/talvex-rehearse "$wine_build/Setup.exe" ||
  rehearsal_status=$?
backend_status=0
wait "$backend_pid" || backend_status=$?
section "Win32 backends under Wine: output"
cat "$backend_log"
rm -f "$backend_log"
if [ -n "$windows_log" ]; then
  windows_status=0
  wait "$windows_pid" || windows_status=$?
  section "Windows build (32-bit) and its reproducibility: output"
  grep -v '^\[[0-9]*/[0-9]*\] ' "$windows_log" || true
  rm -f "$windows_log"
  [ "$windows_status" -eq 0 ] || { echo "the 32-bit Windows build, its import check or its reproducibility failed ($windows_status)" >&2; exit 1; }
fi
[ "$backend_status" -eq 0 ] || { echo "the Win32 backend tests failed ($backend_status)" >&2; exit 1; }
[ "$bed_status" -eq 0 ] || { echo "the Wine test bed failed ($bed_status)" >&2; exit 1; }
[ "$rehearsal_status" -eq 0 ] || { echo "the Wine rehearsal failed ($rehearsal_status)" >&2; exit 1; }
section "every test passed"
