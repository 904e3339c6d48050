# shellcheck shell=bash
# The Wine cases: whole unattended runs of Setup.exe. Sourced by run.sh after lib.sh.

# Device descriptions of the sample package's INF files; each Windows folder's INFs add the
# version in parentheses, for example "Korvane TALVEX Memory Stick Reader (Windows Me)".
ms_desc='Korvane TALVEX Memory Stick Reader'
sd_desc='Korvane TALVEX SD Memory Card Reader'
sc_desc='Korvane TALVEX Smart Card Reader'
system32=windows/system32

# Windows XP with all three functions (Memory Stick through both of its IDs), two "GenDisk"
# devices, one removed after each of the three storage IDs updated, and a device that merely
# lists "GenDisk" second, which must stay.
case_xp_all() {
  new_case xp-all
  set_windows xp
  make_device ms KVMS '*KVE0515'
  make_device ms2 KVMS2 '*KVE0516'
  make_device sd KVSD '*KVE0518'
  make_device sc KVSCR '*KVE0513'
  make_device gendisk GENDISK GenDisk
  make_device gendisk2 GENDISK2 GenDisk
  make_device other OTHERDISK OtherDisk GenDisk
  install_program
  run_setup "*" -s
  expect_exit 1
  expect_log success
  expect_driver "$ms" "$ms_desc (Windows XP)"
  expect_driver "$ms2" "$ms_desc (Windows XP)"
  expect_driver "$sd" "$sd_desc (Windows XP)"
  expect_driver "$sc" "$sc_desc (Windows XP)"
  for file in kvms.txt kvsd.txt kvscr.txt; do
    expect_same_file "$WINEPREFIX/drive_c/$system32/$file" "$package/auto/winxp/$file"
  done
  expect_registry reset-nt.txt
  list_devices
  expect_present "$ms"
  expect_gone "$gendisk"
  expect_gone "$gendisk2"
  expect_present "$other"
  end_case
}

# Windows 2000 with the Memory Stick function only (its second ID), "-S" in capitals: the
# win2k INF is the one installed, and nothing of SD or SC happens.
case_2000_ms() {
  new_case 2000-ms
  set_windows 2000
  make_device ms KVMS '*KVE0516'
  make_device gendisk GENDISK GenDisk
  install_program
  run_setup "*" -S
  expect_exit 1
  expect_log success
  expect_driver "$ms" "$ms_desc (Windows 2000)"
  if cmp -s "$package/auto/win2k/kvms.txt" "$package/auto/winxp/kvms.txt"; then
    fail "the package's win2k and winxp kvms.txt are equal: the case cannot tell them apart"
  fi
  expect_same_file "$WINEPREFIX/drive_c/$system32/kvms.txt" "$package/auto/win2k/kvms.txt"
  for file in kvsd.txt kvscr.txt; do
    [ ! -e "$WINEPREFIX/drive_c/$system32/$file" ] || fail "$file was installed"
  done
  expect_registry reset-nt.txt
  list_devices
  expect_gone "$gendisk"
  end_case
}

# No chip, only devices whose IDs come close: the "ERROR" box even in the unattended run, exit
# code 1, the failure result, and nothing installed, reset or removed.
case_no_chip() {
  new_case no-chip
  set_windows xp
  make_device near KVNEAR '*KVE0514' '*KVE05150' 'X*KVE0515'
  make_device gendisk GENDISK GenDisk
  install_program
  timeout -k 5 100 wine "$work/bin/answerbox.exe" ERROR 'C:\box-ERROR.txt' 60000 \
    'C:\box-ERROR.bmp' \
    >"$case_dir/answer.out" 2>"$case_dir/answer.err" </dev/null &
  answerer=$!
  run_setup - -s
  set +e
  wait "$answerer"
  answer_rc=$?
  set -e
  [ "$answer_rc" -eq 0 ] || fail "no \"ERROR\" box was found and answered (answerbox exit $answer_rc)"
  cp "$WINEPREFIX/drive_c/box-ERROR.bmp" "$case_dir/" 2>/dev/null || true
  if [ -f "$WINEPREFIX/drive_c/box-ERROR.txt" ]; then
    unix_text "$WINEPREFIX/drive_c/box-ERROR.txt" >"$case_dir/box-ERROR.txt"
    diff -u "$here/expected/nochip-box.txt" "$case_dir/box-ERROR.txt" >"$case_dir/box.diff" ||
      fail "the box differs from expected/nochip-box.txt: $(tail -n +3 "$case_dir/box.diff")"
  fi
  expect_exit 1
  expect_log failure
  expect_no_driver "$near"
  expect_registry untouched.txt
  list_devices
  expect_present "$gendisk"
  end_case
}

# A newdev.dll planted beside Setup.exe, with the overrides under which Wine prefers it for a
# search-path load. A probe first proves that such a load does pick it up; Setup.exe must not
# load it, and must still install the driver through the system's newdev.dll.
case_planted_newdev() {
  new_case planted-newdev
  set_windows xp
  make_device ms KVMS '*KVE0515'
  install_program
  cp "$work/bin/newdev.dll" "$work/bin/probe.exe" "$setup_dir/"
  marker=$setup_dir/newdev-loaded.txt
  export WINEDLLOVERRIDES="$base_overrides;newdev=n,b"

  wine_run 60 probe "$setup_win\\probe.exe"
  if [ ! -f "$marker" ]; then
    fail "the probe's search-path load did not load the planted newdev.dll, so this case would prove nothing ($(unix_text "$case_dir/probe.out"))"
  fi
  rm -f "$marker" "$setup_dir/probe.exe"

  export WINEDEBUG=-all,+loaddll
  run_setup "*" -s
  export WINEDEBUG=-all WINEDLLOVERRIDES="$base_overrides"

  if [ -f "$marker" ]; then
    fail "Setup.exe loaded the planted newdev.dll"
  fi
  grep -a -i 'Loaded L".*newdev\.dll"' "$case_dir/setup.err" >"$case_dir/newdev-loads.txt" || true
  if ! grep -q -i 'system32\\\\newdev\.dll".*builtin' "$case_dir/newdev-loads.txt"; then
    fail "Setup.exe did not load the system's newdev.dll: $(cat "$case_dir/newdev-loads.txt")"
  fi
  expect_exit 1
  expect_log success
  expect_driver "$ms" "$ms_desc (Windows XP)"
  end_case
}

# Windows NT 4.0 with a chip function: refused without a word, nothing installed or reset.
case_nt4_refused() {
  new_case nt4-refused
  set_windows nt4
  make_device ms KVMS '*KVE0515'
  make_device gendisk GENDISK GenDisk
  install_program
  run_setup "*" -s
  expect_exit 1
  expect_log failure
  expect_no_driver "$ms"
  expect_registry untouched.txt
  list_devices
  expect_present "$gendisk"
  end_case
}

# Windows Me with the Memory Stick and smart card functions, both smart card components missing
# and both fake installers beside Setup.exe: each installer is started with " /Q", driven
# through its windows with the posted messages, terminated, and the drivers come from
# auto\winme\.
case_me_components() {
  new_case me-components
  set_windows me
  make_device ms KVMS '*KVE0515'
  make_device sc KVSCR '*KVE0513'
  install_program
  cp "$work/bin/scbase.exe" "$work/bin/smclib.exe" "$setup_dir/"
  rm -f "$WINEPREFIX/drive_c/windows/system/smclib.vxd"
  wine_run 60 noscbase reg delete "HKLM\\$uninstall_scbase" /f
  run_setup "*" -s
  expect_exit 1
  expect_log success
  expect_fake smclib smclib-posted.txt
  expect_fake scbase scbase-posted.txt
  expect_fakes_ended smclib scbase
  # The driver library installer is answered 300 ms after its window is found. The window can
  # be found as soon as it exists (a search by title finds hidden windows too), so the pause is
  # measured from its creation: the last WM_CREATE the fake received before its final window
  # was shown.
  if [ -f "$case_dir/fake-smclib.log" ]; then
    created=$(awk '/ sent WM_CREATE / { t = $1 } / shown final$/ { print t; exit }' \
      "$case_dir/fake-smclib.log")
    answered=$(grep -m1 ' final posted WM_SETFOCUS ' "$case_dir/fake-smclib.log" | cut -d' ' -f1)
    if [ -z "$created" ] || [ -z "$answered" ] || [ $((answered - created)) -lt 280 ]; then
      fail "smclib.exe was answered ${answered:-never} ms, its window created at ${created:-never} ms"
    fi
  fi
  expect_driver "$ms" "$ms_desc (Windows Me)"
  expect_driver "$sc" "$sc_desc (Windows Me)"
  expect_same_file "$WINEPREFIX/drive_c/$system32/kvms.txt" "$package/auto/winme/kvms.txt"
  expect_same_file "$WINEPREFIX/drive_c/$system32/kvscr.txt" "$package/auto/winme/kvscr.txt"
  expect_registry reset-9x.txt
  list_devices
  expect_present "$ms"
  expect_present "$sc"
  end_case
}

# Windows 98 with the three functions and both smart card components installed: the chip's
# devices are removed, the eight files of auto\win98\ are copied to their places under the
# Windows folder, "OtherDevicePath" is registered, the drive icons are reset, and no component
# installer is started.
case_98_copy() {
  new_case 98-copy
  set_windows 98
  windows_9x_with_components
  wine_run 60 noother reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion' \
    /v OtherDevicePath /f
  wine_run 60 windir cmd /c 'echo %windir%'
  windows_dir=$(unix_text "$case_dir/windir.out")
  make_device ms KVMS '*KVE0515'
  make_device sd KVSD '*KVE0517'
  make_device sc KVSCR '*KVE0513'
  make_device gendisk GENDISK GenDisk
  install_program
  cp "$work/bin/scbase.exe" "$work/bin/smclib.exe" "$setup_dir/"
  run_setup "*" -s
  expect_exit 1
  expect_log success
  list_devices
  expect_gone "$ms"
  expect_gone "$sd"
  expect_gone "$sc"
  expect_present "$gendisk"
  win98=$package/auto/win98
  expect_same_file "$windows/inf/kvms.inf" "$win98/kvms.inf"
  expect_same_file "$windows/system/IOSUBSYS/kvms.pdr" "$win98/kvms.pdr"
  expect_same_file "$windows/kvmsicon.ico" "$win98/kvmsicon.ico"
  expect_same_file "$windows/inf/kvsd.inf" "$win98/kvsd.inf"
  expect_same_file "$windows/system/IOSUBSYS/kvsd.pdr" "$win98/kvsd.pdr"
  expect_same_file "$windows/kvsdicon.ico" "$win98/kvsdicon.ico"
  expect_same_file "$windows/inf/other/Korvane Electronics CorpKVSCR.inf" "$win98/kvscr.inf"
  expect_same_file "$windows/system32/drivers/KVSCR.sys" "$win98/kvscr.sys"
  dump windowskey 'SOFTWARE\Microsoft\Windows\CurrentVersion'
  grep -qxF "\"OtherDevicePath\"=sz:\"$windows_dir\\inf\\other\"" "$case_dir/windowskey.txt" ||
    fail "OtherDevicePath is not \"$windows_dir\\inf\\other\": $(grep OtherDevicePath "$case_dir/windowskey.txt" || echo absent)"
  expect_registry reset-9x.txt
  expect_no_fake smclib
  expect_no_fake scbase
  end_case
}

all_cases="xp-all 2000-ms no-chip planted-newdev nt4-refused me-components 98-copy"

run_case() {
  case $1 in
    xp-all) case_xp_all ;;
    2000-ms) case_2000_ms ;;
    no-chip) case_no_chip ;;
    planted-newdev) case_planted_newdev ;;
    nt4-refused) case_nt4_refused ;;
    me-components) case_me_components ;;
    98-copy) case_98_copy ;;
    xp-wizard | xp-cancel | me-wizard) run_wizard_case "$1" ;;
    foldertree) case_foldertree ;;
    planted-dlls) case_planted_dlls ;;
    missing-setupapi) case_missing_setupapi ;;
    source-prompt) case_source_prompt ;;
    *) echo "unknown case $1"; failed=$((failed + 1)) ;;
  esac
}
