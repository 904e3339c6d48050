# shellcheck shell=bash
# The Wine cases of the interactive wizard: Setup.exe without "-s", walked through its real
# windows by helpers/uidriver.exe (clicks on the controls, their texts read back), a screenshot of
# every window state in $work/screenshots/, and the CPU time the program takes while it waits.
# Sourced by run.sh after lib.sh and cases.sh.

backdrop_title='Korvane Electronics Corp. TALVEX Installation'
wizard_title='Korvane Electronics Corp. TALVEX drivers Installation'
shots=$work/screenshots
cpu_report=$work/cpu.txt
# The CPU measurements last 10 s each with TALVEX_WINE_CPU set, 5 s otherwise (the same check,
# coarser, so that the default run stays short).
if [ -n "${TALVEX_WINE_CPU:-}" ]; then cpu_seconds=10; else cpu_seconds=5; fi

welcome_memo2='Welcome to the Korvane TALVEX drivers setup program. This program will install Korvane TALVEX drivers on your computer. It is strongly recommand you exit all Windows programs before running this setup program.'
choice_memo3='Please Choose the divers to be installed. Click Back to return previous step. Click Next to begin copying files.'
finished_memo2='The setup program has finished copying files to your computer.'
reboot_memo='Setup program has finished copying TALVEX drivers on your computer and needs to restart your computer now. Click Reboot to restart your computer.'
scbase_warning='Please install the MICROSOFT(R) SCBASE.EXE component in your system before the driver installation; otherwise the Smart Card can not work normally. You can contact with your system vender or download the components in following address:'

# start_setup: Setup.exe with no argument, in the background; finish_setup collects its end.
start_setup() {
  ui_step=0
  timeout -k 5 300 wine "$setup_win\\Setup.exe" >"$case_dir/setup.out" 2>"$case_dir/setup.err" \
    </dev/null &
  setup_job=$!
}

# finish_setup CODE [SECONDS]: the program has ended (within SECONDS, default 30) with CODE.
finish_setup() {
  for _ in $(seq $((${2:-30} * 10))); do
    kill -0 "$setup_job" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$setup_job" 2>/dev/null; then
    fail "Setup.exe still runs; expected its end with exit code $1"
    kill "$setup_job" 2>/dev/null || true
  fi
  set +e
  wait "$setup_job"
  setup_rc=$?
  set -e
  setup_job=
  expect_exit "$1"
}

# stop_setup: ends a run that a failed step left behind (the timeout process is this suite's).
stop_setup() {
  if [ -n "${setup_job:-}" ]; then
    kill "$setup_job" 2>/dev/null || true
    wait "$setup_job" 2>/dev/null || true
    setup_job=
  fi
}

# ui NAME COMMAND TITLE [ARGS...]: one uidriver command; its output is $ui_out. A failure fails
# the case and returns 1, so that the case stops there: ui ... || return 0.
ui() {
  ui_step=$((ui_step + 1))
  ui_name=$(printf 'ui-%02d-%s' "$ui_step" "$1")
  shift
  wine_run 90 "$ui_name" "$work/bin/uidriver.exe" "$@"
  ui_out=$case_dir/$ui_name.txt
  unix_text "$case_dir/$ui_name.out" >"$ui_out"
  if [ "$wine_rc" -ne 0 ]; then
    fail "uidriver $* (exit $wine_rc): $(unix_text "$case_dir/$ui_name.err" | tr '\n' ' ')"
    return 1
  fi
}

# expect_line LINE: the last "show" listed a control exactly so: class|text|visible|enabled|checked
# (texts with CR, LF and backslash written as \r, \n and \\).
expect_line() {
  grep -qxF -- "$1" "$ui_out" || fail "no control \"$1\" in $(basename "$ui_out")"
}

# window_rect FILE [TITLE]: "LEFT TOP WIDTH HEIGHT" of the first window line of a "show" or "rect"
# output, or of the one of the window with TITLE.
window_rect() {
  grep -F "window|${2:-}" "$1" | head -n 1 |
    sed -n 's/^window|.*|\([-0-9]*\),\([-0-9]*\),\([0-9]*\)x\([0-9]*\)|client .*$/\1 \2 \3 \4/p'
}

# shot NAME TITLE...: a screenshot of the whole screen as $shots/<case>-NN-NAME.png, each titled
# window checked in it for a blank, black or misplaced picture.
shot() {
  shot_name=$1
  shift
  # Every window's rectangle from one helper run.
  commands=()
  for title in "$@"; do
    [ ${#commands[@]} -eq 0 ] || commands+=(+)
    commands+=(rect "$title")
  done
  ui "rect-$shot_name" "${commands[@]}" || return 1
  rects=()
  for title in "$@"; do
    read -r left top width height <<<"$(window_rect "$ui_out" "$title|")"
    rects+=("${left:--1}" "${top:--1}" "${width:-0}" "${height:-0}" "$title")
  done
  take_shot "$shot_name" "${rects[@]}"
}

# take_shot NAME [LEFT TOP WIDTH HEIGHT TITLE]...: the screenshot of shot, for rectangles known.
take_shot() {
  ui_step=$((ui_step + 1))
  png=$shots/$(printf '%s-%02d-%s.png' "$case_name" "$ui_step" "$1")
  if ! python3 "$here/screenshot.py" "$png" "${@:2}" >"$case_dir/shot-$1.txt" 2>&1; then
    fail "screenshot $1: $(tr '\n' ' ' <"$case_dir/shot-$1.txt")"
    return 1
  fi
}

# snap NAME "LEFT TOP WIDTH HEIGHT" TITLE: a screenshot checking one window whose rectangle a
# combined helper run has just read (a window that stays too briefly for shot's own reading).
snap() {
  read -r left top width height <<<"$2"
  take_shot "$1" "${left:--1}" "${top:--1}" "${width:-0}" "${height:-0}" "$3"
}

# expect_size NAME WIDTH HEIGHT: the last "show" reports a window of that outer size.
expect_size() {
  read -r _ _ width height <<<"$(window_rect "$ui_out")"
  [ "$width" = "$2" ] && [ "$height" = "$3" ] ||
    fail "$1 is ${width}x$height, expected $2x$3"
}

# expect_client NAME WIDTH HEIGHT: the last "show" reports a client area of that size.
expect_client() {
  grep -q "|client $2x$3\$" "$ui_out" || fail "$1 client area: $(head -n 1 "$ui_out"), expected $2x$3"
}

# cpu_ticks: user and system time of the Setup.exe process so far, in clock ticks. Wine runs it
# as the child of the timeout command started by start_setup.
cpu_ticks() {
  pid=$(pgrep -P "$setup_job" | head -n 1)
  [ -n "$pid" ] && [ -r "/proc/$pid/stat" ] || { echo -1; return; }
  # The fields after the command name, which is in parentheses: utime and stime are 12th and 13th.
  sed 's/^.*) //' "/proc/$pid/stat" | awk '{ print $12 + $13 }'
}

# measure_cpu LABEL SECONDS: Setup.exe's CPU time while it waits SECONDS long; below 1 % of one
# core, or the case fails. The figure goes to $cpu_report.
measure_cpu() {
  hz=$(getconf CLK_TCK)
  before=$(cpu_ticks)
  sleep "$2"
  after=$(cpu_ticks)
  # A process that has used no time at all since its start is not the program (Wine's loader
  # alone takes some): the figure would prove nothing.
  if [ "$before" -le 0 ] || [ "$after" -lt 0 ]; then
    fail "no Setup.exe process to measure (ticks $before, $after)"
    return
  fi
  ticks=$((after - before))
  # Per mille of one core, so that the shell's integers suffice.
  permille=$((ticks * 1000 / ($2 * hz)))
  line="$case_name: $1: $ticks ticks of $hz/s in $2 s = $((permille / 10)).$((permille % 10)) % of a core"
  echo "   cpu $line"
  echo "$line" >>"$cpu_report"
  [ "$permille" -lt 10 ] || fail "Setup.exe used $((permille / 10)).$((permille % 10)) % of a core $1"
}

# The Welcome page as the wizard shows it inside the maximised backdrop.
check_welcome() {
  ui welcome show "$wizard_title" + style "$wizard_title" + rect "$backdrop_title" || return 1
  expect_line 'Edit|Welcome!|visible|enabled|unchecked'
  expect_line "Edit|$welcome_memo2|visible|enabled|unchecked"
  expect_line 'Button|< Back|visible|disabled|unchecked'
  expect_line 'Button|Next >|visible|enabled|unchecked'
  expect_line 'Button|Setup Drivers|hidden|enabled|unchecked'
  grep -q 'child=1' "$ui_out" || fail "the wizard is not a child window of the backdrop: $(cat "$ui_out")"
  # Maximised on the 1024 x 768 screen of the suite's display.
  read -r left top width height <<<"$(window_rect "$ui_out" "$backdrop_title|")"
  [ "${width:-0}" -ge 1024 ] && [ "${height:-0}" -ge 768 ] ||
    fail "the backdrop is not maximised: $(grep -F "window|$backdrop_title|" "$ui_out")"
}

# Windows XP with the three functions: Welcome, the driver choice (SD unticked), the installation,
# Finish, the reboot prompt and Reboot. The installed drivers are checked in the registry.
case_xp_wizard() {
  new_case xp-wizard
  set_windows xp
  make_device ms KVMS '*KVE0515'
  make_device sd KVSD '*KVE0517'
  make_device sc KVSCR '*KVE0513'
  install_program
  start_setup
  xp_wizard_steps || true
  stop_setup
  end_case
}

xp_wizard_steps() {
  ui wait-welcome wait "$wizard_title" 60000 || return 0
  check_welcome || return 0
  shot welcome "$backdrop_title" "$wizard_title" || return 0
  measure_cpu "on the Welcome page" "$cpu_seconds"

  ui next click "$wizard_title" 'Next >' || return 0
  ui choice button "$wizard_title" '< Back' + show "$wizard_title" || return 0
  expect_line 'Edit|Start to Setup!|visible|enabled|unchecked'
  expect_line "Edit|$choice_memo3|visible|enabled|unchecked"
  expect_line 'Button|< Back|visible|enabled|unchecked'
  expect_line 'Button|Memory Stick Driver|visible|enabled|checked'
  expect_line 'Button|SD Memory Card Driver|visible|enabled|checked'
  expect_line 'Button|Smart Card Driver|visible|enabled|checked'
  ui untick-sd click "$wizard_title" 'SD Memory Card Driver' + wait "$wizard_title" + \
    show "$wizard_title" || return 0
  expect_line 'Button|SD Memory Card Driver|visible|enabled|unchecked'
  shot choice "$wizard_title" || return 0

  ui install click "$wizard_title" 'Next >' || return 0
  ui finished button "$wizard_title" Finish 90000 + show "$wizard_title" || return 0
  expect_line 'Edit|Setup complete!|visible|enabled|unchecked'
  expect_line "Edit|$finished_memo2|visible|enabled|unchecked"
  expect_line 'Button|< Back|visible|disabled|unchecked'
  expect_line 'Button|Setup Drivers|hidden|enabled|unchecked'
  shot finished "$wizard_title" || return 0
  expect_driver "$ms" "$ms_desc (Windows XP)"
  expect_driver "$sc" "$sc_desc (Windows XP)"
  expect_no_driver "$sd"

  ui finish click "$wizard_title" Finish || return 0
  ui prompt wait Install + show Install + style Install || return 0
  expect_line "Edit|$reboot_memo|visible|enabled|unchecked"
  expect_line 'Button|Reboot|visible|enabled|unchecked'
  expect_line 'Button|Cancel|visible|enabled|unchecked'
  grep -q 'topmost=1' "$ui_out" || fail "the reboot prompt is not always on top: $(cat "$ui_out")"
  ui wizard-gone gone "$wizard_title" 5000 || return 0
  shot reboot Install || return 0

  # Wine's restart asks every program whether the session may end, then ends it.
  ui reboot click Install Reboot || return 0
  finish_setup 0 60
  expect_log failure
}

# Windows XP: Cancel on the driver choice ends the program at once with exit code 1, nothing
# installed.
case_xp_cancel() {
  new_case xp-cancel
  set_windows xp
  make_device ms KVMS '*KVE0515'
  install_program
  start_setup
  xp_cancel_steps || true
  stop_setup
  end_case
}

xp_cancel_steps() {
  ui wait-welcome wait "$wizard_title" 60000 || return 0
  ui next click "$wizard_title" 'Next >' || return 0
  ui choice button "$wizard_title" '< Back' + show "$wizard_title" || return 0
  expect_line 'Button|Memory Stick Driver|visible|enabled|checked'
  expect_line 'Button|SD Memory Card Driver|visible|disabled|unchecked'
  expect_line 'Button|Smart Card Driver|visible|disabled|unchecked'
  shot choice "$backdrop_title" "$wizard_title" || return 0
  ui cancel click "$wizard_title" Cancel || return 0
  finish_setup 1
  expect_log failure
  expect_no_driver "$ms"
}

# Windows Me with the Memory Stick and smart card functions, both smart card components missing,
# only the driver library's installer beside Setup.exe (it works 2 s longer than the CPU
# measurement before it shows its final window): the notice, the installer's wait, the warning for the base components, its "Error" box,
# then the smart card driver skipped and the Memory Stick driver installed.
case_me_wizard() {
  new_case me-wizard
  set_windows me
  make_device ms KVMS '*KVE0515'
  make_device sc KVSCR '*KVE0513'
  install_program
  # The library's fake installer in place of the package's stand-in; no base components'
  # installer, so that the warning says what is still missing.
  cp "$work/bin/smclib.exe" "$setup_dir/"
  rm -f "$setup_dir/scbase.exe"
  rm -f "$WINEPREFIX/drive_c/windows/system/smclib.vxd"
  wine_run 60 noscbase reg delete "HKLM\\$uninstall_scbase" /f
  echo $((cpu_seconds * 1000 + 2000)) >"$WINEPREFIX/drive_c/talvex-fake-smclib.delay"
  start_setup
  me_wizard_steps || true
  stop_setup
  end_case
}

me_wizard_steps() {
  ui wait-welcome wait "$wizard_title" 60000 || return 0
  ui next click "$wizard_title" 'Next >' || return 0
  ui install button "$wizard_title" '< Back' + click "$wizard_title" 'Next >' || return 0

  # The notice, for the 3 s before the library's installer starts: shown on top, with its own
  # extended style, painted although the program pauses.
  # It stays 3 s: found, inspected and photographed by one helper run and the screenshot at once.
  ui notice appear TALVEX 60000 + style TALVEX + rect TALVEX || return 0
  grep -q 'exstyle=0x0004010.' "$ui_out" ||
    fail "the notice's extended style is not WS_EX_APPWINDOW | WS_EX_WINDOWEDGE: $(cat "$ui_out")"
  grep '^window|' "$ui_out" >"$case_dir/notice-window.txt"
  snap notice "$(window_rect "$case_dir/notice-window.txt")" TALVEX || return 0
  ui notice-gone gone TALVEX 10000 || return 0

  # The library's installer works 2 s longer than the measurement; the program waits for its
  # final window.
  measure_cpu "waiting on a component installer" "$cpu_seconds"

  ui warning wait 'Warning!!!' 60000 + show 'Warning!!!' || return 0
  expect_line "Edit|$scbase_warning\\r\\n|visible|enabled|unchecked"
  expect_line 'Static|http://www.korvane.com.tw/download/scbase.exe|visible|enabled|unchecked'
  expect_line 'Static|http://www.korvane.com.tw/download/Smclib.exe|hidden|enabled|unchecked'
  expect_size 'the warning' 360 202
  shot warning 'Warning!!!' || return 0
  ui ok click 'Warning!!!' OK || return 0

  ui wait-error appear Error 30000 || return 0
  shot error Error || return 0
  wine_run 60 answer-error "$work/bin/answerbox.exe" Error 'C:\box-Error.txt' 10000
  [ "$wine_rc" -eq 0 ] || fail "the \"Error\" box was not answered (answerbox exit $wine_rc)"
  unix_text "$WINEPREFIX/drive_c/box-Error.txt" >"$case_dir/box-Error.txt" 2>/dev/null || true
  grep -qxF 'text=You did not install MICROSOFT(R) SCBASE.exe component,\nso smart card driver installation was incomplete.' \
    "$case_dir/box-Error.txt" || fail "the \"Error\" box: $(tr '\n' ' ' <"$case_dir/box-Error.txt")"

  # The Memory Stick driver was installed before, so the smart card driver is skipped.
  ui wait-finish button "$wizard_title" Finish 60000 || return 0
  shot finished "$backdrop_title" "$wizard_title" || return 0
  expect_driver "$ms" "$ms_desc (Windows Me)"
  expect_no_driver "$sc"
  ui finish click "$wizard_title" Finish || return 0
  ui cancel wait Install + click Install Cancel || return 0
  finish_setup 1
  expect_log failure
}

wizard_cases="xp-wizard xp-cancel me-wizard"
all_cases="$all_cases $wizard_cases"

run_wizard_case() {
  mkdir -p "$shots"
  case $1 in
    xp-wizard) case_xp_wizard ;;
    xp-cancel) case_xp_cancel ;;
    me-wizard) case_me_wizard ;;
  esac
}
