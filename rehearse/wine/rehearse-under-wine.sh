#!/bin/bash
# shellcheck source-path=SCRIPTDIR
# The Wine half of talvex-rehearse: the real Setup.exe under Wine, with a package as given, in a
# fresh copy of one booted prefix per cell. It records what each run did and decides nothing:
# talvex-rehearse reads the records and compares them with its own runs.
#
#   rehearse-under-wine.sh SETUP.EXE PACKAGE OUT CELLS
#
# CELLS holds one cell a line: "NAME VERSION MODE FUNCTION=HWID...", VERSION one of 98, me, 2000,
# xp, MODE "s" (unattended) or "wizard". Each cell's record goes to OUT/cases/NAME/:
#   exit          the exit code of Setup.exe
#   log.txt       the program's log.txt, when it wrote one
#   made.txt      "FUNCTION INSTANCE-ID" of each device made
#   enum-FUNCTION.txt  the values of that device's key after the run
#   present.txt   the devices present after the run
#   changed/      the files below C:\ that the run created or changed (the program folder's excepted)
#   windows.txt   the windows the run showed that no one expected (title, texts, buttons)
#   walk.txt      the wizard's pages and boxes, one a line, as they came
#   problems.txt  what went wrong with the run itself (a page that never came, a blank window)
#   *.png, *.bmp  a screenshot of every page of the wizard; a picture of an unexpected window
# Exit code 0 when every cell could be run (whatever its result), 1 when Wine could not be used.
set -eu

if [ $# -ne 4 ]; then
  echo "usage: $0 SETUP.EXE PACKAGE OUT CELLS" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
here=$root/tests/wine
setup_exe=$(realpath "$1")
package=$(realpath "$2")
out=$(realpath -m "$3")
cells_file=$(realpath "$4")
work=$out
xvfb_pid=

# shellcheck source=../../tests/wine/lib.sh
. "$here/lib.sh"
# The wizard's building blocks (the bed's own cases list is not used here).
all_cases=
# shellcheck source=../../tests/wine/wizard_cases.sh
. "$here/wizard_cases.sh"
# shellcheck source=../../scripts/wine-select.sh
. "$root/scripts/wine-select.sh"

# A check that goes wrong is a problem of the run, written down for the report.
fail() {
  echo "$*" >>"$case_dir/problems.txt"
  case_failures=$((case_failures + 1))
}

cleanup() {
  stop_wineserver
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

wine_use_arch_of "$setup_exe"
if [ "$WINEARCH" = win64 ]; then export CXX_WIN32=${CXX_WIN64:-x86_64-w64-mingw32-g++-posix}; fi
mkdir -p "$work"
# The helper programs are kept between rehearsals, per architecture.
bin_cache=${TALVEX_WINE_REHEARSE_BIN:-$root/build/wine-rehearse/bin-$WINEARCH}
"$here/build-helpers.sh" "$bin_cache" >"$work/helpers.log" 2>&1 ||
  { echo "the Wine helper programs did not build (see $work/helpers.log)" >&2; exit 1; }
ln -sfn "$bin_cache" "$work/bin"

xvfb_start "$work/xvfb.log" 95 || { echo "Xvfb did not start (see $work/xvfb.log)" >&2; exit 1; }
xvfb_pid=$XVFB_PID
base_overrides='mscoree,mshtml=;winemenubuilder.exe=d'
export HOME="$work/home"
mkdir -p "$HOME/Desktop"
boot_prefix "$work/base" || { echo "$boot_problem" >&2; exit 1; }


# The person at the machine: Welcome, Next, Next, OK on any box the program shows meanwhile,
# Finish, Reboot; a screenshot of every page.
walk_wizard() {
  walk=$case_dir/walk.txt
  timeout -k 5 200 wine "$work/bin/answerbox.exe" Setup 'C:\box-Setup.txt' 180000 \
    >"$case_dir/box-watch.out" 2>&1 </dev/null &
  box_watch=$!
  start_setup
  ui wait-welcome wait "$wizard_title" 60000 || return 0
  echo welcome >>"$walk"
  shot welcome "$backdrop_title" "$wizard_title" || true
  ui next click "$wizard_title" 'Next >' || return 0
  ui choice button "$wizard_title" '< Back' || return 0
  echo "driver choice" >>"$walk"
  shot choice "$wizard_title" || true
  ui install click "$wizard_title" 'Next >' || return 0
  ui finished button "$wizard_title" Finish 120000 || return 0
  echo finished >>"$walk"
  shot finished "$wizard_title" || true
  ui finish click "$wizard_title" Finish || return 0
  ui prompt wait Install 30000 || return 0
  echo "restart prompt" >>"$walk"
  shot reboot Install || true
  ui reboot click Install Reboot || return 0
  echo reboot >>"$walk"
  finish_setup 0 60
}

run_cell() {
  local cell=$1 version=$2 mode=$3
  shift 3
  new_case "$cell" >/dev/null
  shots=$case_dir
  set_windows "$version"
  # Windows 98 and Me as the Wine test bed imitates them, with the smart card components in
  # place: their installers are programs for those systems, which Wine does not stand in for.
  case $version in 98 | me) windows_9x_with_components ;; esac
  : >"$case_dir/made.txt"
  for pair in "$@"; do
    function=${pair%%=*}
    make_device instance "KV$(echo "$function" | tr '[:lower:]' '[:upper:]')" "${pair#*=}"
    echo "$function $instance" >>"$case_dir/made.txt"
  done
  install_program
  touch "$case_dir/started"
  if [ "$mode" = s ]; then
    run_setup "*" -s
    if [ -f "$WINEPREFIX/drive_c/unexpected-window.txt" ]; then
      unix_text "$WINEPREFIX/drive_c/unexpected-window.txt" >"$case_dir/windows.txt"
    fi
  else
    setup_rc=-1
    walk_wizard || true
    stop_setup
    kill "$box_watch" 2>/dev/null || true
    wait "$box_watch" 2>/dev/null || true
    if [ -f "$WINEPREFIX/drive_c/box-Setup.txt" ]; then
      unix_text "$WINEPREFIX/drive_c/box-Setup.txt" >>"$case_dir/windows.txt"
    fi
  fi
  echo "$setup_rc" >"$case_dir/exit"
  [ ! -f "$setup_dir/log.txt" ] || cp "$setup_dir/log.txt" "$case_dir/log.txt"
  while read -r function instance; do
    dump "enum-$function" "SYSTEM\\CurrentControlSet\\Enum\\$instance"
  done <"$case_dir/made.txt"
  step present "$work/bin/listdevs.exe"
  unix_text "$case_dir/present.out" >"$case_dir/present.txt"
  (
    cd "$WINEPREFIX/drive_c"
    find . -type f -cnewer "$case_dir/started" ! -path "./${setup_win#C:\\}/*" \
      ! -name 'talvex-*' ! -name '*.log' ! -name '*.pnf' | sed 's|^\./||' | while read -r file; do
      mkdir -p "$case_dir/changed/$(dirname "$file")"
      cp "$file" "$case_dir/changed/$file"
    done
  )
  stop_wineserver
  rm -rf "$WINEPREFIX"
}

# The cells run in lanes side by side (TALVEX_WINE_LANES, default 2), each on a display of its
# own: a run spends most of its time waiting on windows and timers. A lane takes the next cell no
# lane has claimed (mkdir is atomic).
total=$(grep -c . "$cells_file")
lanes=${TALVEX_WINE_LANES:-2}
rm -rf "$work/claimed" "$work/cases"
mkdir -p "$work/claimed"
run_lane() {
  local lane=$1 n=0 cell version mode functions started_cell
  if [ "$lane" -gt 1 ]; then
    xvfb_start "$work/xvfb-$lane.log" 95 || { echo "Xvfb did not start for lane $lane" >&2; return 1; }
    xvfb_pid=$XVFB_PID
  fi
  while read -r cell version mode functions; do
    n=$((n + 1))
    [ -n "$cell" ] && mkdir "$work/claimed/$cell" 2>/dev/null || continue
    started_cell=$(date +%s)
    # shellcheck disable=SC2086  # one word per function
    run_cell "$cell" "$version" "$mode" $functions
    printf '  [%2d/%d] %s: exit %s (%d s)\n' "$n" "$total" "$cell" \
      "$(cat "$work/cases/$cell/exit")" $(($(date +%s) - started_cell))
  done <"$cells_file"
}
lane_pids=()
for lane in $(seq "$lanes"); do
  (
    # A lane's wineserver, and its own display (the first lane's is the script's), end with it.
    trap 'stop_wineserver; [ "$lane" -eq 1 ] || kill "$xvfb_pid" 2>/dev/null' EXIT
    run_lane "$lane"
  ) &
  lane_pids+=($!)
done
status=0
for pid in "${lane_pids[@]}"; do wait "$pid" || status=1; done
rm -rf "$work/base" "$work/claimed"
exit "$status"
