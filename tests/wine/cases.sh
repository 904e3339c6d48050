# shellcheck shell=bash
# The Wine cases: whole unattended runs of Setup.exe. Sourced by run.sh after lib.sh.

# Device descriptions of the sample package's INF files.
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
  expect_driver "$ms" "$ms_desc"
  expect_driver "$ms2" "$ms_desc"
  expect_driver "$sd" "$sd_desc"
  expect_driver "$sc" "$sc_desc"
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
  expect_driver "$ms" "$ms_desc"
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
  expect_driver "$ms" "$ms_desc"
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

all_cases="xp-all 2000-ms no-chip planted-newdev nt4-refused"

run_case() {
  case $1 in
    xp-all) case_xp_all ;;
    2000-ms) case_2000_ms ;;
    no-chip) case_no_chip ;;
    planted-newdev) case_planted_newdev ;;
    nt4-refused) case_nt4_refused ;;
    *) echo "unknown case $1"; failed=$((failed + 1)) ;;
  esac
}
