#!/bin/sh
# Shows the source disk prompt under Wine, on Wine's own shell namespace, checks what its windows
# show and saves a screenshot of it as source-disk-prompt.png under the build folder.
#
# Usage: tests/win32/show-source-disk-prompt.sh [build folder]   (default: build/win32)
# Environment: TALVEX_PROMPT_PREFIX  a booted Wine prefix to use (default: one of its own under
#                                    build/, booted on first use)
#              TALVEX_PROMPT_OUT     where the report and the screenshot go
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/win32}" && pwd) || exit 2
EXE="$BUILD/tests/win32/show_source_disk_prompt.exe"
OUT=${TALVEX_PROMPT_OUT:-$BUILD/tests/win32/source-disk-prompt}
if [ ! -f "$EXE" ]; then
  echo "no $EXE: build it with cmake --build --preset win32" >&2
  exit 2
fi
rm -rf "$OUT"
mkdir -p "$OUT"

. "$ROOT/tests/win32/wine-session.sh"
wine_session_start "$EXE" \
  "${TALVEX_PROMPT_PREFIX:-$ROOT/build/wine-prefix-$(wine_arch_of "$EXE")-prompt}" "$OUT"

# The registered source path that the prompt shows at construction.
timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Setup' /v SourcePath \
  /t REG_SZ /d 'C:\windows' /f >"$OUT/reg.log" 2>&1

windows_path() { echo "Z:$1" | tr '/' '\\'; }
report="$OUT/report.txt"
done_file="$OUT/done"
timeout 120 wine "$EXE" "$(windows_path "$report")" "$(windows_path "$done_file")" 60 \
  >"$OUT/stdout.txt" 2>"$OUT/stderr.txt" </dev/null &
shown=$!
waited=0
while [ ! -s "$report" ] && [ "$waited" -lt 90 ] && kill -0 "$shown" 2>/dev/null; do
  sleep 1
  waited=$((waited + 1))
done
if [ ! -s "$report" ]; then
  echo "the prompt was not shown; output in $OUT" >&2
  exit 1
fi

# The program writes CR LF line ends.
lines="$OUT/report-lf.txt"
tr -d '\r' <"$report" >"$lines"
failed=0
expect() {
  if ! grep -qxF "$1" "$lines"; then
    echo "expected '$1' in the prompt's report" >&2
    failed=1
  fi
}
expect "caption Korvane Electronics Corp. FIR driver Installation"
expect "visible 1"
expect "system menu 0"
expect "stays on top 1"
expect "edit C:\\windows"
expect "ok Ok"
expect "cancel Cancel"
if ! grep -Eq '^tree items [1-9]' "$lines"; then
  echo "the folder tree shows no folders" >&2
  failed=1
fi

set -- $(sed -n 's/^rect //p' "$lines")
python3 "$ROOT/tests/wine/screenshot.py" "$OUT/source-disk-prompt.png" "$1" "$2" "$3" "$4" \
  "source disk prompt" || failed=1
touch "$done_file"
wait "$shown"
cat "$lines"
echo "screenshot: $OUT/source-disk-prompt.png"
exit "$failed"
