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

. "$ROOT/scripts/wine-select.sh"
wine_use_arch_of "$EXE"
export WINEPREFIX="$ROOT/build/wine-prefix-$WINEARCH-tests"
export WINEDEBUG=-all
# No Mono or Gecko install prompts while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="

XVFB_PID=""
cleanup() {
  wineserver -k >/dev/null 2>&1
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null; fi
}
trap cleanup EXIT INT TERM

if [ -z "${DISPLAY:-}" ]; then
  # A free display number: the first one without a lock file.
  number=91
  while [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
  Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >"$OUT/xvfb.log" 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$number"
  sleep 1
fi

# The wineserver keeps the standard output of the first Wine program it serves: started first,
# on its own, it holds /dev/null instead of this script's output.
wineserver -p >/dev/null 2>&1
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  timeout 300 wineboot -i >"$OUT/wineboot.log" 2>&1
  timeout 120 wineserver -w
fi

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
