#!/bin/sh
# Runs the cross-compiled unit tests of the Win32 backends under Wine, in a prefix of their own
# (32 or 64-bit, as the build is) under the build folder, and fails when a test fails. Windows
# need a display: without one, Xvfb provides a private one for the run.
#
# Usage: tests/win32/run-under-wine.sh [build folder]   (default: build/win32)
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/win32}" && pwd) || exit 2
EXE="$BUILD/tests/win32/talvex_win32_tests.exe"
OUT="$BUILD/tests/win32/wine-run"
if [ ! -f "$EXE" ]; then
  echo "no $EXE: build it with cmake --build --preset win32" >&2
  exit 2
fi
mkdir -p "$OUT"

. "$ROOT/tests/win32/wine-session.sh"
wine_session_start "$EXE" "$ROOT/build/wine-prefix-$(wine_arch_of "$EXE")-tests" "$OUT"

timeout 600 wine "$EXE" --gtest_color=no >"$OUT/stdout.txt" 2>"$OUT/stderr.txt"
status=$?

# The summary: the totals, then each failing test.
grep -E '^\[==========\]|^\[  PASSED  \]|^\[  FAILED  \]|^  YOU HAVE' "$OUT/stdout.txt"
if [ "$status" -eq 124 ]; then echo "the tests did not end within the time limit" >&2; fi
if [ "$status" -ne 0 ]; then
  echo "talvex_win32_tests failed with exit code $status; output in $OUT" >&2
  exit 1
fi
exit 0
