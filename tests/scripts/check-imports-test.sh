#!/bin/sh
# The load check of the programs users run (scripts/check-imports.sh) must refuse what the
# loaders of Windows 98 to XP refuse, and every import that the loader would look for beside the
# program first. Builds small programs with the products' 32-bit compiler and checks the
# verdicts: a GUI program importing only allowed functions from known DLLs passes; an import
# outside the allowlist, a header asking for a newer Windows, a console program, and an allowed
# function of a DLL that is not a known DLL of every system (setupapi.dll; ole32.dll, known on XP
# only) each fail, naming the fault; the C runtime passes only as a DLL imported anyway.
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

cat >"$work/setupapi.c" <<'PROGRAM'
#include <windows.h>
#include <setupapi.h>
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
  (void)instance; (void)previous; (void)command; (void)show;
  return SetupDiGetClassDevsA(NULL, NULL, NULL, DIGCF_ALLCLASSES) == INVALID_HANDLE_VALUE;
}
PROGRAM
cat >"$work/ole32.c" <<'PROGRAM'
#include <windows.h>
#include <objbase.h>
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
  IMalloc* allocator = NULL;
  (void)instance; (void)previous; (void)command; (void)show;
  return CoGetMalloc(1, &allocator) != S_OK;
}
PROGRAM

# The products' allowlist: it holds every function the C runtime's start-up imports, so the plain
# program passes and only the fault under test differs. It also allows the functions that the
# programs look up at run time in setupapi.dll and ole32.dll, so that only the DLL is at fault.
allowlist="$top/cmake/windows-imports.txt"
known="$top/cmake/windows-known-dlls.txt"
"$cc" -mwindows "$work/program.c" -o "$work/plain.exe"

failures=0
# expect NAME STATUS TEXT [KNOWNDLLS]: the check of NAME.exe (against the products' known DLLs,
# or KNOWNDLLS) ends with STATUS and, when TEXT is given, says it.
expect() {
  name=$1 status=$2 text=$3
  got=0
  "$check" "$work/$name.exe" "$allowlist" "${4:-$known}" >"$work/out.txt" 2>&1 || got=$?
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

# A DLL that is not a known DLL of any system, and one that is known on XP only.
"$cc" -mwindows "$work/setupapi.c" -o "$work/setupapi.exe" -lsetupapi
expect setupapi 1 "imports setupapi.dll, which is not a known DLL of Windows XP, Windows 2000, Windows 98 SE, Windows Me"
"$cc" -mwindows "$work/ole32.c" -o "$work/ole32.exe" -lole32
expect ole32 1 "imports ole32.dll, which is not a known DLL of Windows 2000, Windows 98 SE, Windows Me"

# Without its place among the DLLs imported anyway, the C runtime that every program imports is
# refused like any other DLL outside the lists; without the lists the check cannot run at all.
sed '/^\[imported anyway\]/,$d' "$known" >"$work/no-exception.txt"
expect plain 1 "imports msvcrt.dll, which is not a known DLL of" "$work/no-exception.txt"
expect plain 2 "no list of known DLLs" "$work/missing.txt"

[ "$failures" -eq 0 ] || { echo "$failures verdicts of the load check were wrong" >&2; exit 1; }
echo "the load check refused every fault"
