#!/bin/sh
# The load check of the programs users run (scripts/check-imports.sh) must refuse what the
# loaders of Windows 98 to XP refuse. Builds small programs with the products' 32-bit compiler
# and checks the verdicts: a GUI program importing only allowed functions passes; an import
# outside the allowlist, a header asking for a newer Windows and a console program each fail,
# naming the fault.
#
# Usage: tests/scripts/check-imports-test.sh   (needs i686-w64-mingw32-gcc-win32 and objdump)
set -eu

top=$(cd "$(dirname "$0")/../.." && pwd)
check="$top/scripts/check-imports.sh"
cc=${CC_WIN32:-i686-w64-mingw32-gcc-win32}
export OBJDUMP="${OBJDUMP:-i686-w64-mingw32-objdump}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/program.c" <<'PROGRAM'
#include <windows.h>
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
  (void)instance; (void)previous; (void)command; (void)show;
  return MessageBoxA(NULL, "text", "caption", MB_OK) == IDOK ? 0 : 1;
}
PROGRAM
cat >"$work/later.c" <<'PROGRAM'
#include <windows.h>
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
  (void)instance; (void)previous; (void)command; (void)show;
  return GetTickCount64() == 0;
}
PROGRAM

# The products' allowlist: it holds every function the C runtime's start-up imports, so the plain
# program passes and only the fault under test differs.
allowlist="$top/cmake/windows-imports.txt"
"$cc" -mwindows "$work/program.c" -o "$work/plain.exe"

failures=0
# expect NAME STATUS TEXT: the check of NAME.exe ends with STATUS and, when TEXT is given, says it.
expect() {
  name=$1 status=$2 text=$3
  got=0
  "$check" "$work/$name.exe" "$allowlist" >"$work/out.txt" 2>&1 || got=$?
  if [ "$got" -ne "$status" ] || { [ -n "$text" ] && ! grep -qF "$text" "$work/out.txt"; }; then
    echo "FAIL $name: exit $got (wanted $status), said:" >&2
    cat "$work/out.txt" >&2
    failures=$((failures + 1))
  else
    echo "ok   $name: $(head -n 1 "$work/out.txt")"
  fi
}

expect plain 0 "imported functions are allowed"

"$cc" -mwindows "$work/later.c" -o "$work/later.exe"
expect later 1 "imports GetTickCount64 from kernel32.dll"

"$cc" -mwindows "$work/program.c" -o "$work/xp.exe" -Wl,--major-subsystem-version,5 \
  -Wl,--minor-subsystem-version,1
expect xp 1 "asks for subsystem version 5.1"

"$cc" -mwindows "$work/program.c" -o "$work/os5.exe" -Wl,--major-os-version,5
expect os5 1 "asks for Windows 5.0"

"$cc" -mconsole "$work/program.c" -o "$work/console.exe"
expect console 1 "is not a Windows GUI program"

[ "$failures" -eq 0 ] || { echo "$failures verdicts of the load check were wrong" >&2; exit 1; }
echo "the load check refused every fault"
