#!/bin/sh
# The release zip (scripts/make-zip.py) must be the same bytes for the same files: two zips of one
# folder, made after its files' times and permissions changed, in another time zone and under
# another umask, are identical; both read back (Python's zipfile and unzip) as the folder's files
# with their bytes, in sorted order, with the given time and fixed permissions; a changed file
# changes the zip; a symbolic link is refused and leaves no zip behind.
#
# Usage: tests/scripts/make-zip-test.sh
set -eu

top=$(cd "$(dirname "$0")/../.." && pwd)
zip="$top/scripts/make-zip.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*" >&2; failures=$((failures + 1)); }

cd=$work/cd-1.0
mkdir -p "$cd/auto/win98" "$cd/auto/winxp" "$cd/empty"
printf 'MZ program bytes\r\n' >"$cd/Setup.exe"
printf '[Version]\r\nSignature="$CHICAGO$"\r\n' >"$cd/auto/win98/kvms.inf"
printf 'XP\r\n' >"$cd/auto/winxp/KVMS.INF"
printf 'b\r\n' >"$cd/README.TXT"
epoch=1796822694  # 2026-12-09 13:24:54 UTC

touch -d '2001-02-03 04:05:06' "$cd/Setup.exe"
(umask 022 && TZ=UTC python3 "$zip" "$cd" "$work/a.zip" "$epoch")
touch -d '2019-07-08 09:10:11' "$cd/Setup.exe" "$cd/auto/win98/kvms.inf"
chmod 600 "$cd/README.TXT"
chmod 755 "$cd/auto/winxp/KVMS.INF"
(umask 077 && TZ=Pacific/Kiritimati python3 "$zip" "$cd" "$work/b.zip" "$epoch")
if cmp "$work/a.zip" "$work/b.zip"; then
  echo "ok   two zips of one folder are the same bytes"
else
  fail "two zips of one folder differ"
fi

# Read back: names in byte order, each file's bytes, the time in UTC, fixed modes, no extras.
if python3 - "$work/b.zip" "$cd" "$epoch" <<'CHECK'; then
import os, stat, sys, time, zipfile
archive, folder, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
expected = ["cd-1.0/", "cd-1.0/README.TXT", "cd-1.0/Setup.exe", "cd-1.0/auto/",
            "cd-1.0/auto/win98/", "cd-1.0/auto/win98/kvms.inf", "cd-1.0/auto/winxp/",
            "cd-1.0/auto/winxp/KVMS.INF", "cd-1.0/empty/"]
when = time.gmtime(epoch)[:6]
when = when[:5] + (when[5] - when[5] % 2,)
problems = []
with zipfile.ZipFile(archive) as z:
    if z.testzip() is not None:
        problems.append("a damaged entry: " + z.testzip())
    names = z.namelist()
    if names != expected:
        problems.append(f"entries {names}")
    for info in z.infolist():
        mode = info.external_attr >> 16
        want = stat.S_IFDIR | 0o755 if info.is_dir() else stat.S_IFREG | 0o644
        if mode != want:
            problems.append(f"{info.filename}: mode {oct(mode)}")
        if info.date_time != when:
            problems.append(f"{info.filename}: time {info.date_time}")
        if info.extra or info.comment:
            problems.append(f"{info.filename}: extra field or comment")
        if not info.is_dir():
            path = os.path.join(folder, info.filename.split("/", 1)[1])
            with open(path, "rb") as f:
                if z.read(info) != f.read():
                    problems.append(f"{info.filename}: other bytes than {path}")
for p in problems:
    print(p)
sys.exit(1 if problems else 0)
CHECK
  echo "ok   the zip reads back as the folder, sorted, with fixed times and permissions"
else
  fail "the zip does not read back as the folder"
fi
if command -v unzip >/dev/null 2>&1; then
  if unzip -tq "$work/b.zip" >"$work/unzip.txt" 2>&1 &&
    unzip -l "$work/b.zip" | grep -q 'cd-1.0/auto/winxp/KVMS.INF$'; then
    echo "ok   unzip tests and lists it"
  else
    fail "unzip refuses the zip:"
    cat "$work/unzip.txt" >&2
  fi
fi

printf 'c\r\n' >"$cd/README.TXT"
python3 "$zip" "$cd" "$work/c.zip" "$epoch"
if cmp -s "$work/b.zip" "$work/c.zip"; then
  fail "a changed file left the zip as it was"
else
  echo "ok   a changed file changes the zip"
fi

ln -s /etc/hostname "$cd/auto/link"
status=0
python3 "$zip" "$cd" "$work/d.zip" "$epoch" 2>"$work/err.txt" || status=$?
if [ "$status" -ne 0 ] && grep -q 'neither a folder nor a plain file' "$work/err.txt" &&
  [ ! -e "$work/d.zip" ] && [ ! -e "$work/d.zip.partial" ]; then
  echo "ok   a symbolic link is refused, and no zip is left"
else
  fail "a symbolic link: exit $status, zip left: $(ls "$work" | grep '^d\.zip' || echo none)"
fi

[ "$failures" -eq 0 ] || { echo "$failures failed" >&2; exit 1; }
