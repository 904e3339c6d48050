#!/bin/bash
# shellcheck source-path=SCRIPTDIR
# The Wine test bed: whole unattended runs of the Windows build, Setup.exe, under Wine on a
# private Xvfb display, against Wine's real registry, SetupAPI and newdev.
#
#   tests/wine/run.sh [path/to/Setup.exe]        (default: build/win32/Setup.exe)
#
# Environment: TALVEX_WINE_CASES  names of the cases to run (default: all)
#              TALVEX_WINE_WORK   work folder (default: build/wine)
#              TALVEX_WINE_KEEP   non-empty: keep the prefixes of passed cases too
# Ends with the line "N passed, M failed"; the exit code is 0 only when nothing failed.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
setup_exe=$(realpath -m "${1:-$root/build/win32/Setup.exe}")
package=$root/examples/package
work=$(realpath -m "${TALVEX_WINE_WORK:-$root/build/wine}")
passed=0
failed=0
finished=
xvfb_pid=
started=$(date +%s)

# shellcheck source=lib.sh
. "$here/lib.sh"
# shellcheck source=cases.sh
. "$here/cases.sh"
# shellcheck source=wizard_cases.sh
. "$here/wizard_cases.sh"
# shellcheck source=shell_cases.sh
. "$here/shell_cases.sh"

summary() {
  if [ -d "$shots" ] && ls "$shots"/*.png >/dev/null 2>&1; then
    echo "screenshots:"
    ls -1 "$shots"/*.png | sed 's/^/  /'
  fi
  if [ -f "$cpu_report" ]; then
    echo "CPU time of Setup.exe while it waits:"
    sed 's/^/  /' "$cpu_report"
  fi
  echo "wine suite took $(($(date +%s) - started)) s"
  echo "$passed passed, $failed failed"
}

cleanup() {
  status=$?
  stop_wineserver
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  if [ -z "$finished" ]; then
    echo "wine suite aborted (status $status)"
    failed=$((failed + 1))
    summary
    exit 1
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# abort MESSAGE: the suite cannot run at all.
abort() {
  echo "$*" >&2
  exit 1
}

for tool in wine wineserver wineboot Xvfb timeout; do
  command -v "$tool" >/dev/null || abort "missing $tool (see the README's Wine test bed setup)"
done
[ -f "$setup_exe" ] || abort "no Setup.exe at $setup_exe (build it: cmake --preset win32 && cmake --build --preset win32)"
[ -d "$package/auto" ] || abort "no driver package at $package"

# shellcheck source=../../scripts/wine-select.sh
. "$root/scripts/wine-select.sh"
wine_use_arch_of "$setup_exe"
# The helper programs, fakes and planted DLL are built for the same architecture.
if [ "$WINEARCH" = win64 ]; then export CXX_WIN32=${CXX_WIN64:-x86_64-w64-mingw32-g++-posix}; fi

mkdir -p "$work"
# One copy for the whole run, so that a rebuild meanwhile cannot mix two programs. The build's
# other programs (FolderTree.exe, the test programs) are taken from beside the original.
setup_source=$setup_exe
cp "$setup_exe" "$work/Setup.exe"
setup_exe=$work/Setup.exe
"$here/build-helpers.sh" "$work/bin" || abort "the helper programs did not build"

# A private display: the first number from 93 on that no X server holds.
display=93
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -nolisten tcp -screen 0 1024x768x24 >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || abort "Xvfb did not start (see $work/xvfb.log)"
  sleep 0.1
done
export DISPLAY=":$display"

# One prefix of the program's architecture, booted once: Wine's own crash dialog off (a crash must fail a case, not wait
# for a click), and the registry leftovers of an earlier driver that the setup program resets.
# No Mono or Gecko installs, no menu entries.
base_overrides='mscoree,mshtml=;winemenubuilder.exe=d'
export WINEDEBUG=-all WINEDLLOVERRIDES="$base_overrides"
export WINEPREFIX="$work/base"
case_dir=$work/boot
rm -rf "$WINEPREFIX" "$work/cases" "$case_dir" "$shots" "$cpu_report"
mkdir -p "$case_dir" "$WINEPREFIX"
case_failures=0
wineserver -p >/dev/null 2>&1
wine_run 180 wineboot wineboot -i
[ "$wine_rc" -eq 0 ] || abort "wineboot failed with $wine_rc (see $case_dir/wineboot.err)"
wine_run 60 crashdialog reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
[ "$wine_rc" -eq 0 ] || abort "could not turn the crash dialog off"
cp "$here/fixture.reg" "$WINEPREFIX/drive_c/fixture.reg"
wine_run 60 fixture regedit /s 'C:\fixture.reg'
[ "$wine_rc" -eq 0 ] || abort "could not import fixture.reg"
rm "$WINEPREFIX/drive_c/fixture.reg"
# Wine's own fonts (fonts-wine) in the prefix's Fonts folder, where this Wine finds them: Marlett
# draws the title-bar buttons, which otherwise show as letters on the screenshots.
if [ -d /usr/share/wine/fonts ]; then
  cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi
stop_wineserver
echo "prefix booted in $(($(date +%s) - started)) s"

for name in ${TALVEX_WINE_CASES:-$all_cases}; do
  run_case "$name"
done
stop_wineserver
# The booted prefix is only this run's template.
[ -n "${TALVEX_WINE_KEEP:-}" ] || rm -rf "$work/base"

finished=1
summary
[ "$failed" -eq 0 ]
