#!/usr/bin/env bash
# Runs talvex-setup once on a fresh machine and compares the outcome with the case's expectations.
#   run_case.sh TALVEX_SETUP CASE_DIR SOURCE_DIR [--update]
#
# A case folder holds:
#   machine        the bundled machine to start from (examples/machines/<name>, package added)
#   overlay/       files copied over that machine (machine.ini with failure injection, ...)
#   args           the command-line arguments, one line (absent: none)
#   env            "unset" to run without TALVEX_MACHINE
#   expected/exit_code, expected/stdout, expected/stderr
#   expected/log.txt           the result file's bytes ("absent" in expected/log.state: no file)
#   expected/registry.reg      the whole registry afterwards ("unchanged" in expected/registry.state)
#   expected/files             what the run added, changed or removed on the drives besides log.txt
#   expected/screen.txt        (optional) the screen transcript of an interactive run
set -euo pipefail

exe=$1
case_dir=$2
top=$3
update=${4:-}
name=$(basename "$case_dir")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$top/scripts/prepare-machine.sh" "$(cat "$case_dir/machine")" "$work/m"
[ -d "$case_dir/overlay" ] && cp -r "$case_dir/overlay/." "$work/m/"
cp -r "$work/m" "$work/before"
args=()
[ -f "$case_dir/args" ] && read -r -a args <"$case_dir/args"

set +e
if [ "$(cat "$case_dir/env" 2>/dev/null)" = unset ]; then
  env -u TALVEX_MACHINE "$exe" "${args[@]}" >"$work/stdout" 2>"$work/stderr"
else
  TALVEX_MACHINE="$work/m" "$exe" "${args[@]}" >"$work/stdout" 2>"$work/stderr"
fi
echo $? >"$work/exit_code"
set -e
# The machine's temporary folder is named "<machine>" in what the program prints.
sed -i "s|$work/m|<machine>|g" "$work/stdout" "$work/stderr"

log=$(find "$work/m/d" -maxdepth 2 -iname log.txt | head -n 1)
# Files and folders the run added, changed or removed on the drives, besides log.txt.
(cd "$work" && diff -rq before m | grep -v -E 'registry\.reg|log\.txt|screen\.txt' |
  sed -e "s|$work/||g" -e 's|^Only in m/\?|added |' -e 's|^Only in before/\?|removed |' \
      -e 's|: |/|' -e 's|^Files before/\(.*\) and m/.* differ$|changed \1|' | sort) \
  >"$work/files" || true
expected="$case_dir/expected"
if [ "$update" = --update ]; then
  mkdir -p "$expected"
  cp "$work/exit_code" "$work/stdout" "$work/stderr" "$work/files" "$expected/"
  if [ -n "$log" ]; then cp "$log" "$expected/log.txt"; else echo absent >"$expected/log.state"; fi
  if [ -f "$expected/screen.txt" ]; then cp "$work/m/screen.txt" "$expected/screen.txt"; fi
  if cmp -s "$work/before/registry.reg" "$work/m/registry.reg"; then
    echo unchanged >"$expected/registry.state"
  else
    cp "$work/m/registry.reg" "$expected/registry.reg"
  fi
  echo "updated $name"
  exit 0
fi

failed=0
check() {  # check WHAT EXPECTED_FILE ACTUAL_FILE
  if ! cmp -s "$2" "$3"; then
    echo "$name: $1 differs"
    diff <(od -c "$2") <(od -c "$3") | head -20 || true
    failed=1
  fi
}
check "exit code" "$expected/exit_code" "$work/exit_code"
check "standard output" "$expected/stdout" "$work/stdout"
check "standard error" "$expected/stderr" "$work/stderr"
if [ -f "$expected/log.state" ]; then
  [ -z "$log" ] || { echo "$name: log.txt should not exist"; failed=1; }
else
  [ -n "$log" ] && check "log.txt" "$expected/log.txt" "$log" || { [ -n "$log" ] || { echo "$name: no log.txt"; failed=1; }; }
fi
if [ -f "$expected/registry.state" ]; then
  check "registry.reg (unchanged)" "$work/before/registry.reg" "$work/m/registry.reg"
else
  check "registry.reg" "$expected/registry.reg" "$work/m/registry.reg"
fi
check "files on the drives" "$expected/files" "$work/files"
if [ -f "$expected/screen.txt" ]; then
  check "screen.txt" "$expected/screen.txt" "$work/m/screen.txt"
fi
[ $failed -eq 0 ] && echo "$name: ok"
exit $failed
