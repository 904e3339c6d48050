# shellcheck shell=bash
# The Wine cases of the system DLLs that Setup.exe and FolderTree.exe load: none of them may come
# from the program's own folder, and a system DLL that cannot be loaded ends the program before
# it changes anything. Sourced by run.sh after lib.sh, cases.sh and wizard_cases.sh (which
# provide start_setup, ui and finish_setup).

# The DLLs planted beside the programs. setupapi.dll, comctl32.dll and ole32.dll are the system
# DLLs the programs load themselves (they imported them once); uxtheme.dll is the one Windows'
# window code loads by name; combase.dll and rpcrt4.dll are DLLs that Wine's setupapi.dll and
# ole32.dll import, which must come from the system folder too. Not planted: the DLLs that
# Wine's own kernel32, user32, gdi32, advapi32, shell32 and msvcrt import (sechost, ucrtbase,
# version, shlwapi, imm32, shcore, zlib1). Wine loads those while it starts the program, before
# any of its code runs, and Wine has no known DLLs; on Windows those six DLLs are known DLLs and
# their imports come from the system folder.
planted_dlls="setupapi comctl32 ole32 uxtheme combase rpcrt4"

# plant_dlls: the stand-in DLL under each planted name beside Setup.exe, and the overrides under
# which Wine prefers a DLL of that name beside the program to its own (as Windows searches the
# program's folder first). A probe first shows that a load by name does pick each of them.
plant_dlls() {
  for name in $planted_dlls; do
    cp "$work/bin/planted.dll" "$setup_dir/$name.dll"
  done
  cp "$work/bin/probe.exe" "$setup_dir/"
  export WINEDLLOVERRIDES="$base_overrides;$(echo "$planted_dlls" | tr ' ' ',')=n,b"
  # shellcheck disable=SC2086  # one word per DLL
  wine_run 60 probe "$setup_win\\probe.exe" $(for name in $planted_dlls; do echo "$name.dll"; done)
  for name in $planted_dlls; do
    if [ ! -f "$setup_dir/loaded-$name.dll.txt" ]; then
      fail "a load by name did not take the planted $name.dll, so this case would prove nothing: $(unix_text "$case_dir/probe.out" | tr '\n' ' ')"
    fi
  done
  rm -f "$setup_dir"/loaded-*.txt "$setup_dir/probe.exe"
}

# expect_no_planted_load LOG: no planted DLL wrote its marker, and Wine's load trace in LOG names
# no DLL from the program's folder: only the program itself was loaded from there.
expect_no_planted_load() {
  for marker in "$setup_dir"/loaded-*.txt; do
    [ -e "$marker" ] || continue
    fail "$(basename "$marker" .txt | sed 's/^loaded-//') beside the program was loaded by $(unix_text "$marker" | tr '\n' ' ')"
  done
  grep -a 'Loaded L"' "$1" >"$1.loads" || true
  [ -s "$1.loads" ] || fail "no load trace in $(basename "$1"): the case cannot tell where the DLLs came from"
  grep -a -i -F 'Loaded L"C:\\Talvex Setup\\' "$1.loads" | grep -a -v -i -E '\\\\(Setup|FolderTree)\.exe"' \
    >"$1.planted" || true
  if [ -s "$1.planted" ]; then
    fail "loaded from the program's folder: $(sed 's/^.*Loaded //' "$1.planted" | tr '\n' ' ')"
  fi
  for name in setupapi comctl32 ole32; do
    grep -a -q -i "system32\\\\\\\\$name\\.dll\"" "$1.loads" ||
      fail "$name.dll was not loaded from the system folder: $(grep -a -i "$name" "$1.loads" | tr '\n' ' ')"
  done
}

# Windows XP, the Memory Stick and SD functions, the stand-ins planted beside Setup.exe and
# FolderTree.exe: the unattended run installs both drivers, the folder tree shows drive C:, and
# the wizard walks from Welcome to the reboot prompt, each without loading a planted DLL.
case_planted_dlls() {
  new_case planted-dlls
  set_windows xp
  make_device ms KVMS '*KVE0515'
  make_device sd KVSD '*KVE0517'
  install_program
  cp "$(dirname "$setup_source")/FolderTree.exe" "$setup_dir/"
  plant_dlls
  export WINEDEBUG=-all,+loaddll
  run_setup "*" -s
  expect_exit 1
  expect_log success
  expect_no_planted_load "$case_dir/setup.err"
  export WINEDEBUG=-all
  expect_driver "$ms" "$ms_desc (Windows XP)"
  expect_driver "$sd" "$sd_desc (Windows XP)"

  planted_foldertree || true
  planted_wizard || true
  stop_setup
  export WINEDEBUG=-all WINEDLLOVERRIDES="$base_overrides"
  end_case
}

# FolderTree.exe beside the planted DLLs: it builds the tree of the prefix's shell, draws it,
# and loads none of them.
planted_foldertree() {
  rm -f "$setup_dir"/loaded-*.txt
  local ready="$setup_dir/FolderTree.exe.ready"
  WINEDEBUG=-all,+loaddll timeout -k 5 120 wine "$setup_win\\FolderTree.exe" --expand 'C:\' \
    --find 'C:\windows' --screenshot-and-exit \
    >"$case_dir/foldertree.out" 2>"$case_dir/foldertree.err" </dev/null &
  local job=$!
  for _ in $(seq 600); do
    [ -f "$ready" ] && break
    sleep 0.1
  done
  [ -f "$ready" ] || fail "FolderTree.exe never showed its tree"
  end_foldertree "$job" "$ready"
  grep -qixF 'C:\windows' "$case_dir/foldertree.txt" ||
    fail "FolderTree.exe did not find C:\\windows: $(head -n 3 "$case_dir/foldertree.txt" | tr '\n' ' ')"
  expect_no_planted_load "$case_dir/foldertree.err"
}

# The wizard beside the planted DLLs: Welcome, the driver choice, the installation (both drivers
# were installed by the unattended run already; the wizard installs them again), the finished
# page, Finish, and Cancel on the reboot prompt: exit code 1.
planted_wizard() {
  rm -f "$setup_dir"/loaded-*.txt
  export WINEDEBUG=-all,+loaddll
  start_setup
  export WINEDEBUG=-all
  ui wait-welcome wait "$wizard_title" 60000 || return 0
  ui next click "$wizard_title" 'Next >' || return 0
  ui choice button "$wizard_title" '< Back' + show "$wizard_title" || return 0
  expect_line 'Button|Memory Stick Driver|visible|enabled|checked'
  expect_line 'Button|SD Memory Card Driver|visible|enabled|checked'
  ui install click "$wizard_title" 'Next >' || return 0
  ui finished button "$wizard_title" Finish 90000 + show "$wizard_title" || return 0
  expect_line 'Edit|Setup complete!|visible|enabled|unchecked'
  ui finish click "$wizard_title" Finish || return 0
  ui cancel wait Install + click Install Cancel || return 0
  finish_setup 1
  expect_log failure
  expect_no_planted_load "$case_dir/setup.err"
}

# Windows XP with the Memory Stick function, and setupapi.dll that cannot be loaded (Wine told
# to load no DLL of that name, as a machine whose system folder lacks it): a plain box of the
# program's title names the file, the program ends with exit code 1, and log.txt, which held a
# success result from an earlier run, holds the failure result; nothing is installed.
case_missing_setupapi() {
  new_case missing-setupapi
  set_windows xp
  make_device ms KVMS '*KVE0515'
  install_program
  printf 'error = 0\r\nrestart = 1\r\n' >"$setup_dir/log.txt"
  timeout -k 5 100 wine "$work/bin/answerbox.exe" Setup 'C:\box-Setup.txt' 60000 \
    >"$case_dir/answer.out" 2>"$case_dir/answer.err" </dev/null &
  local answerer=$!
  export WINEDLLOVERRIDES="$base_overrides;setupapi=d"
  run_setup - -s
  export WINEDLLOVERRIDES="$base_overrides"
  set +e
  wait "$answerer"
  local answer_rc=$?
  set -e
  [ "$answer_rc" -eq 0 ] || fail "no \"Setup\" box was found and answered (answerbox exit $answer_rc)"
  unix_text "$WINEPREFIX/drive_c/box-Setup.txt" >"$case_dir/box-Setup.txt" 2>/dev/null || true
  grep -qE '^text=The system file setupapi\.dll could not be loaded from C:\\\\windows\\\\system32 \(error [0-9]+\)\.\\n\\nThe program ends here\. Nothing has been installed\.$' \
    "$case_dir/box-Setup.txt" || fail "the box: $(tr '\n' ' ' <"$case_dir/box-Setup.txt")"
  grep -qxF 'button=OK' "$case_dir/box-Setup.txt" || fail "the box has not just an OK button"
  expect_exit 1
  expect_log failure
  expect_no_driver "$ms"
  end_case
}

dll_cases="planted-dlls missing-setupapi"
all_cases="$all_cases $dll_cases"
