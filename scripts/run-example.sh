#!/usr/bin/env bash
# The unattended installation on a fresh copy of a bundled machine (Windows XP unless named), with
# the exit code, log.txt and what the run changed on the machine.
#   scripts/run-example.sh [winxp|win2000|nt4|nochip]
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

echo "== talvex-setup -s on a fresh copy of the $name machine"
set +e
TALVEX_MACHINE="$work/machine" "$top/build/native/talvex-setup" -s >"$work/stdout" 2>"$work/stderr"
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
diff -rq "$work/before" "$work/machine" | grep -v registry.reg || true
