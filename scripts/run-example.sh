#!/usr/bin/env bash
# A run on a fresh copy of a bundled machine (Windows XP unless named), with the exit code,
# log.txt and what the run changed on the machine. A machine with a person at it ([user] in its
# machine.ini, e.g. winxp-wizard) runs the interactive wizard and shows screen.txt at the end;
# the others run the unattended installation (-s).
#   scripts/run-example.sh [winxp|win2000|win98|winme|nt4|nochip|winxp-wizard|winme-wizard]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
name=${1:-winxp}
"$top/scripts/install-deps.sh" native
cmake --preset native -S "$top" >/dev/null
cmake --build "$top/build/native" --target talvex-setup -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$top/scripts/prepare-machine.sh" "$name" "$work/machine"
cp -r "$work/machine" "$work/before"

args=(-s)
how="talvex-setup -s"
if grep -qi '^\[user\]' "$work/machine/machine.ini"; then
  args=()
  how="talvex-setup (interactive, the person's actions from [user] in machine.ini)"
fi
echo "== $how on a fresh copy of the $name machine"
set +e
TALVEX_MACHINE="$work/machine" "$top/build/native/talvex-setup" "${args[@]}" >"$work/stdout" 2>"$work/stderr"
code=$?
set -e
echo "exit code: $code"
echo "== log.txt"
log=$(find "$work/machine/d" -maxdepth 2 -iname log.txt | head -n 1)
if [ -n "$log" ]; then sed 's/\r$//' "$log"; else echo "(none)"; fi
echo "== message boxes (standard error)"
cat "$work/stderr"
echo "== diagnostic lines (standard output): $(wc -l <"$work/stdout") lines, without the compare lines:"
grep -v '^Compare device ID' "$work/stdout" || true
echo "== what changed in the registry (registry.reg)"
diff -u <(sed 's/\r$//' "$work/before/registry.reg") <(sed 's/\r$//' "$work/machine/registry.reg") \
  | tail -n +3 || true
echo "== what changed on the drives"
diff -rq "$work/before" "$work/machine" | grep -v -e registry.reg -e screen.txt || true
if [ -f "$work/machine/screen.txt" ]; then
  echo "== screen.txt (what the screen showed)"
  cat "$work/machine/screen.txt"
fi
