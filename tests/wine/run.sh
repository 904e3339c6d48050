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
#              TALVEX_WINE_LANES  how many cases run side by side (default: 2)
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
xvfb_pids=()
started=$(date +%s)

# shellcheck source=lib.sh
. "$here/lib.sh"
# shellcheck source=cases.sh
. "$here/cases.sh"
# shellcheck source=wizard_cases.sh
. "$here/wizard_cases.sh"
# shellcheck source=shell_cases.sh
. "$here/shell_cases.sh"
# shellcheck source=dll_cases.sh
. "$here/dll_cases.sh"

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
  for pid in ${lane_pids[@]+"${lane_pids[@]}"}; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in ${xvfb_pids[@]+"${xvfb_pids[@]}"}; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
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

# start_display LOG: a private display (xvfb_start), ended with the suite. The Win32 backend tests,
# which may run meanwhile, look from 91 on.
start_display() {
  xvfb_start "$1" 93 || abort "Xvfb did not start (see $1)"
  xvfb_pids+=("$XVFB_PID")
}
start_display "$work/xvfb.log"

# One prefix of the program's architecture, booted once (boot_prefix), copied for each case. No
# Mono or Gecko installs, no menu entries.
base_overrides='mscoree,mshtml=;winemenubuilder.exe=d'
# A home folder of the suite's own: Wine links the prefix's desktop and documents to the home
# folder, and the folder tree's picture must show the prefix, not this machine's user.
export HOME="$work/home"
rm -rf "$HOME"
mkdir -p "$HOME/Desktop"
rm -rf "$work/cases" "$shots" "$cpu_report"
boot_prefix "$work/base" || abort "$boot_problem"
echo "prefix booted in $(($(date +%s) - started)) s"

# The cases run in lanes side by side, each lane on a display of its own: a case spends most of
# its time waiting on windows and timers. A lane takes the next case nobody has claimed (mkdir is
# atomic), writes the case's report to a file of its own, and its counts at the end; the reports
# are shown in the cases' order.
# The longest cases are claimed first, so that the lanes end at about the same time.
long_cases="xp-wizard planted-dlls me-wizard me-components xp-all"
cases=()
for name in $long_cases; do
  case " ${TALVEX_WINE_CASES:-$all_cases} " in *" $name "*) cases+=("$name") ;; esac
done
for name in ${TALVEX_WINE_CASES:-$all_cases}; do
  case " $long_cases " in *" $name "*) ;; *) cases+=("$name") ;; esac
done
lanes=${TALVEX_WINE_LANES:-2}
reports=$work/reports
rm -rf "$reports"
mkdir -p "$reports/claimed"
lane_pids=()
run_lane() {
  local lane=$1
  passed=0
  failed=0
  if [ "$lane" -gt 1 ]; then start_display "$work/xvfb-$lane.log"; fi
  for name in "${cases[@]}"; do
    mkdir "$reports/claimed/$name" 2>/dev/null || continue
    run_case "$name" >"$reports/$name.txt" 2>&1
  done
  stop_wineserver
  echo "$passed $failed" >"$reports/lane-$lane.counts"
}
for lane in $(seq "$lanes"); do
  (
    # A lane's own display ends with the lane; the first lane uses the suite's.
    xvfb_pids=()
    trap 'for pid in ${xvfb_pids[@]+"${xvfb_pids[@]}"}; do kill "$pid" 2>/dev/null; done' EXIT
    set +e
    run_lane "$lane"
  ) &
  lane_pids+=($!)
done
for pid in "${lane_pids[@]}"; do wait "$pid" || true; done
lane_pids=()
for name in ${TALVEX_WINE_CASES:-$all_cases}; do
  if [ -f "$reports/$name.txt" ]; then cat "$reports/$name.txt"; else echo "== $name: not run"; fi
done
passed=0
failed=0
for lane in $(seq "$lanes"); do
  if [ -f "$reports/lane-$lane.counts" ]; then
    read -r lane_passed lane_failed <"$reports/lane-$lane.counts"
    passed=$((passed + lane_passed))
    failed=$((failed + lane_failed))
  else
    echo "lane $lane ended early"
    failed=$((failed + 1))
  fi
done
# The booted prefix is only this run's template.
[ -n "${TALVEX_WINE_KEEP:-}" ] || rm -rf "$work/base"

finished=1
summary
[ "$failed" -eq 0 ]
