# shellcheck shell=bash
# Building blocks of the Wine cases: a fresh prefix per case, Windows version keys, devices,
# the program folder, the run of Setup.exe and the checks. Sourced by run.sh, which sets
#   work      the suite's build folder (holds base/ and bin/)
#   setup_exe the Setup.exe under test
#   package   the driver package copied beside it
#   here      this folder
# Nothing here ever captures a wine program's output with $(...) or a pipe: the wineserver would
# inherit that pipe and keep it open. Output goes to files, which are read afterwards.

# Folder of the program under test inside every prefix (new_case sets setup_dir, the same folder
# seen from Linux). The space is deliberate: setup programs run from folders like this one.
setup_win='C:\Talvex Setup'
system_class='{4D36E97D-E325-11CE-BFC1-08002BE10318}'

# wine_run SECONDS NAME PROGRAM [ARGS...]: runs a program, output to $case_dir/NAME.out and
# NAME.err, exit code in $wine_rc (124 on timeout).
wine_run() {
  seconds=$1
  name=$2
  shift 2
  set +e
  timeout -k 5 "$seconds" wine "$@" >"$case_dir/$name.out" 2>"$case_dir/$name.err" </dev/null
  wine_rc=$?
  set -e
}

# A device instance ID as a file name: ROOT\KVMS\0000 becomes ROOT_KVMS_0000.
file_name() { printf '%s' "$1" | tr '\\' _; }

# Text of a file that a Windows program wrote: CR LF turned into LF.
unix_text() { tr -d '\r' <"$1"; }

stop_wineserver() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    timeout 60 wineserver -k >/dev/null 2>&1 || true
  fi
}

uninstall_scbase='Software\Microsoft\Windows\CurrentVersion\Uninstall\SmartcardBase'

# windows_9x_with_components: the case's prefix as a Windows 98 or Me machine with the smart card
# components installed: the folders a 9x system has (system\IOSUBSYS, system32\drivers, inf,
# no inf\other yet), the driver library's smclib.vxd and the base components' uninstall key.
# Sets windows to the prefix's Windows folder.
windows_9x_with_components() {
  windows=$WINEPREFIX/drive_c/windows
  mkdir -p "$windows/system/IOSUBSYS" "$windows/system32/drivers" "$windows/inf"
  rm -rf "$windows/inf/other"
  printf 'smart card driver library\r\n' >"$windows/system/smclib.vxd"
  step scbase reg add "HKLM\\$uninstall_scbase" /v DisplayName /t REG_SZ /d 'Smart Card Base' /f
}

# new_case NAME: a copy of the booted prefix with its own wineserver.
new_case() {
  stop_wineserver
  case_name=$1
  case_dir=$work/cases/$case_name
  case_failures=0
  case_started=$(date +%s)
  rm -rf "$case_dir"
  mkdir -p "$case_dir"
  cp -a "$work/base" "$case_dir/prefix"
  export WINEPREFIX="$case_dir/prefix"
  wineserver -p >/dev/null 2>&1
  setup_dir=$WINEPREFIX/drive_c/${setup_win#C:\\}
  echo "== $case_name"
}

# fail MESSAGE: records a failed check of the current case.
fail() {
  echo "   FAIL: $*"
  case_failures=$((case_failures + 1))
}

# step NAME PROGRAM [ARGS...]: a preparation step that must succeed.
step() {
  name=$1
  shift
  wine_run 60 "$name" "$@"
  if [ "$wine_rc" -ne 0 ]; then
    fail "preparation step $name exited with $wine_rc (see $case_dir/$name.err)"
  fi
}

# set_windows xp|2000|nt4|me|98: the registry values by which programs tell Windows versions
# apart. Windows 98 and Me are told by the "Version" value of the Windows key; the Windows NT
# keys stay as Wine has them, since the 9x value is looked at first.
set_windows() {
  nt='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
  windows_key='HKLM\Software\Microsoft\Windows\CurrentVersion'
  case $1 in
    me | 98)
      [ "$1" = me ] && name='Windows Millennium Edition' || name='Windows 98'
      step version9x reg add "$windows_key" /v Version /t REG_SZ /d "$name" /f
      return
      ;;
    xp) version=5.1 product='Microsoft Windows XP' ;;
    2000) version=5.0 product='Microsoft Windows 2000' ;;
    nt4) version=4.0 product='Microsoft Windows NT' ;;
    *) fail "unknown Windows version $1"; return ;;
  esac
  step version reg add "$nt" /v CurrentVersion /t REG_SZ /d "$version" /f
  step product reg add "$nt" /v ProductName /t REG_SZ /d "$product" /f
  # Windows NT has no 9x "Version" value; Wine's prefix normally has none either.
  wine_run 60 no9x reg delete "$windows_key" /v Version /f
}

# make_device VAR NAME HWID...: creates a device, stores its instance ID in VAR.
make_device() {
  var=$1
  shift
  step "mkdevice-$1" "$work/bin/mkdevice.exe" "$@"
  eval "$var=\$(unix_text \"\$case_dir/mkdevice-\$1.out\")"
}

# install_program: Setup.exe and the driver package in the program folder.
install_program() {
  mkdir -p "$setup_dir"
  cp "$setup_exe" "$setup_dir/Setup.exe"
  cp -R "$package"/. "$setup_dir/"
}

# run_setup WATCH ARGS...: Setup.exe from its folder, exit code in $setup_rc. WATCH is the title
# of windows that must not appear ("*": any visible window; "-": no watch): such a window is
# recorded and answered, the case fails, and it ends at once instead of waiting for the timeout.
run_setup() {
  watch=$1
  shift
  watcher=
  rm -f "$WINEPREFIX/drive_c/unexpected-window.txt"
  if [ "$watch" != - ]; then
    timeout -k 5 100 wine "$work/bin/answerbox.exe" "$watch" 'C:\unexpected-window.txt' 90000 \
      'C:\unexpected-window.bmp' >"$case_dir/watch.out" 2>&1 </dev/null &
    watcher=$!
  fi
  wine_run 90 setup "$setup_win\\Setup.exe" "$@"
  setup_rc=$wine_rc
  if [ -n "$watcher" ]; then
    kill "$watcher" 2>/dev/null || true
    wait "$watcher" 2>/dev/null || true
  fi
  if [ -f "$WINEPREFIX/drive_c/unexpected-window.txt" ]; then
    cp "$WINEPREFIX/drive_c/unexpected-window.bmp" "$case_dir/" 2>/dev/null || true
    fail "Setup.exe showed a window: $(unix_text "$WINEPREFIX/drive_c/unexpected-window.txt" | tr '\n' ' ')"
  fi
}

expect_exit() {
  if [ "$setup_rc" -ne "$1" ]; then
    fail "exit code $setup_rc, expected $1"
  fi
}

# expect_log success|failure: log.txt beside the program, byte for byte.
expect_log() {
  case $1 in
    success) printf 'error = 0\r\nrestart = 1\r\n' >"$case_dir/log.expected" ;;
    failure) printf 'error = 1\r\nrestart = 0\r\n' >"$case_dir/log.expected" ;;
  esac
  if [ ! -f "$setup_dir/log.txt" ]; then
    fail "no log.txt in the program folder"
  elif ! cmp -s "$case_dir/log.expected" "$setup_dir/log.txt"; then
    fail "log.txt is not the $1 result: $(od -c "$setup_dir/log.txt" | head -3 | tr '\n' ' ')"
  fi
}

# dump NAME KEY...: the values of keys under HKLM into $case_dir/NAME.txt (LF line ends).
dump() {
  name=$1
  shift
  step "$name" "$work/bin/regdump.exe" "$@"
  unix_text "$case_dir/$name.out" >"$case_dir/$name.txt"
}

# expect_driver INSTANCE DESCRIPTION: Wine records an installed driver on the instance key
# (a Driver key of the System class and the INF's device description). Its driver update
# reports success even when it installed nothing, so only the registry tells.
expect_driver() {
  dump "enum-$(file_name "$1")" "SYSTEM\\CurrentControlSet\\Enum\\$1"
  file=$case_dir/enum-$(file_name "$1").txt
  if ! grep -q "^\"Driver\"=sz:\"$system_class\\\\[0-9]\\{4\\}\"\$" "$file"; then
    fail "$1 has no driver installed"
  fi
  if ! grep -qxF "\"DeviceDesc\"=sz:\"$2\"" "$file"; then
    fail "$1 device description is not \"$2\": $(grep DeviceDesc "$file" || echo none)"
  fi
}

expect_no_driver() {
  dump "enum-$(file_name "$1")" "SYSTEM\\CurrentControlSet\\Enum\\$1"
  if grep -q '^"Driver"=' "$case_dir/enum-$(file_name "$1").txt"; then
    fail "$1 got a driver"
  fi
}

# list_devices: the present devices, once, for expect_present and expect_gone.
list_devices() {
  step devices "$work/bin/listdevs.exe"
  unix_text "$case_dir/devices.out" >"$case_dir/devices.txt"
}
expect_present() {
  grep -q "^$(printf '%s' "$1" | sed 's/\\/\\\\/g') " "$case_dir/devices.txt" || fail "device $1 is gone"
}
expect_gone() {
  if grep -q "^$(printf '%s' "$1" | sed 's/\\/\\\\/g') " "$case_dir/devices.txt"; then
    fail "device $1 is still present"
  fi
}

# expect_registry EXPECTED: the fixture keys compared with an expected dump.
expect_registry() {
  # shellcheck disable=SC2046  # one key per line, no spaces
  dump registry $(cat "$here/keys.txt")
  if ! diff -u "$here/expected/$1" "$case_dir/registry.txt" >"$case_dir/registry.diff"; then
    fail "registry differs from expected/$1:"
    sed 's/^/     /' "$case_dir/registry.diff"
  fi
}

# expect_same_file WINDOWS_FILE PACKAGE_FILE: a file the INF copied, against the package's copy.
expect_same_file() {
  if ! cmp -s "$1" "$2"; then
    fail "$(basename "$1") in the system folder is not the one of $2"
  fi
}

# expect_fake NAME EXPECTED: a fake component installer ran with the command line " /Q", its
# window host ended, and the messages of interest that reached its windows through the message
# queue, in order, are those of the file expected/EXPECTED. Its record is kept as
# $case_dir/fake-NAME.log.
expect_fake() {
  log=$WINEPREFIX/drive_c/talvex-fake-$1.log
  if [ ! -f "$log" ]; then
    fail "$1.exe was not started (no record)"
    return
  fi
  # The window host records what is left in its queue, then ends (helpers/fake_installer.h).
  for _ in $(seq 50); do
    grep -q ' host ended' "$log" && break
    sleep 0.1
  done
  unix_text "$log" >"$case_dir/fake-$1.log"
  grep -q ' host ended$' "$case_dir/fake-$1.log" ||
    fail "$1.exe's final window is still open: the installer was not terminated"
  [ "$(head -n 1 "$case_dir/fake-$1.log")" = 'commandline=[ /Q]' ] ||
    fail "$1.exe got the command line $(head -n 1 "$case_dir/fake-$1.log")"
  grep -E '^[0-9]+ [a-z]+ posted (WM_SETFOCUS|WM_NEXTDLGCTL|WM_KEYDOWN|WM_CLOSE) ' \
    "$case_dir/fake-$1.log" | cut -d' ' -f2- >"$case_dir/fake-$1.posted" || true
  if ! diff -u "$here/expected/$2" "$case_dir/fake-$1.posted" >"$case_dir/fake-$1.diff"; then
    fail "$1.exe did not get the expected messages:"
    sed 's/^/     /' "$case_dir/fake-$1.diff"
  fi
}

# expect_no_fake NAME: the fake installer was never started.
expect_no_fake() {
  [ ! -e "$WINEPREFIX/drive_c/talvex-fake-$1.log" ] || fail "$1.exe was started"
}

# expect_fakes_ended NAME...: each fake's heartbeat (rewritten every 200 ms while it runs) has
# stopped: the setup program terminated it and left no process behind.
expect_fakes_ended() {
  for fake in "$@"; do
    cp "$WINEPREFIX/drive_c/talvex-fake-$fake.alive" "$case_dir/$fake.alive1" 2>/dev/null ||
      fail "$fake.exe left no heartbeat"
  done
  sleep 0.7
  for fake in "$@"; do
    [ -f "$case_dir/$fake.alive1" ] || continue
    cmp -s "$case_dir/$fake.alive1" "$WINEPREFIX/drive_c/talvex-fake-$fake.alive" ||
      fail "$fake.exe is still running"
  done
}

# end_foldertree JOB READY: FolderTree.exe, started as JOB, has ended with exit code 0 (its ready
# file READY, written once it showed its tree, is removed); what it printed is in
# $case_dir/foldertree.txt.
end_foldertree() {
  rm -f "$2"
  set +e
  wait "$1"
  local rc=$?
  set -e
  [ "$rc" -eq 0 ] || fail "FolderTree.exe ended with $rc"
  unix_text "$case_dir/foldertree.out" >"$case_dir/foldertree.txt"
}

# end_case: the verdict; a passed case's prefix is removed to keep the disk small.
end_case() {
  if [ "$case_failures" -eq 0 ]; then
    echo "   PASS ($(($(date +%s) - case_started)) s)"
    passed=$((passed + 1))
    stop_wineserver
    [ -n "${TALVEX_WINE_KEEP:-}" ] || rm -rf "$WINEPREFIX"
  else
    echo "   FAILED ($case_failures checks, $(($(date +%s) - case_started)) s; files in $case_dir)"
    failed=$((failed + 1))
  fi
}

# boot_prefix FOLDER: a new prefix of the program's architecture in FOLDER, booted once, which
# each case copies: Wine's own crash dialog off (a crash must fail a case, not wait for a click),
# the registry leftovers of an earlier driver that the setup program resets (fixture.reg), and
# Wine's own fonts (fonts-wine) in its Fonts folder, where this Wine finds them (Marlett draws the
# title-bar buttons, which otherwise show as letters on the screenshots). Needs base_overrides
# (the WINEDLLOVERRIDES of every case). Returns 1 with $boot_problem when a step fails; the
# steps' output is in $work/boot.
boot_prefix() {
  export WINEDEBUG=-all WINEDLLOVERRIDES="$base_overrides"
  export WINEPREFIX=$1
  case_dir=$work/boot
  rm -rf "$WINEPREFIX" "$case_dir"
  mkdir -p "$case_dir" "$WINEPREFIX"
  case_failures=0
  wineserver -p >/dev/null 2>&1
  wine_run 180 wineboot wineboot -i
  [ "$wine_rc" -eq 0 ] || { boot_problem="wineboot failed with $wine_rc (see $case_dir/wineboot.err)"; return 1; }
  wine_run 60 crashdialog reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
  [ "$wine_rc" -eq 0 ] || { boot_problem="could not turn the crash dialog off"; return 1; }
  cp "$here/fixture.reg" "$WINEPREFIX/drive_c/fixture.reg"
  wine_run 60 fixture regedit /s 'C:\fixture.reg'
  [ "$wine_rc" -eq 0 ] || { boot_problem="could not import fixture.reg"; return 1; }
  rm "$WINEPREFIX/drive_c/fixture.reg"
  if [ -d /usr/share/wine/fonts ]; then
    cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
  stop_wineserver
}
