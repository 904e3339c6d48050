#!/bin/sh
# The programs that users run are reproducible: a second complete build of this tree's sources in
# another folder, into a build folder of another name, in another time zone and under another
# umask, gives Setup.exe, FolderTree.exe and their .debug files byte for byte as the first build
# did; no product of either build holds the path of a source or build folder; each program is
# stripped and its debug link names its .debug file. The cross-built libjpeg-turbo is reused for
# the second build only once it is shown to hold no path of this tree.
#
# Usage: tests/scripts/reproducible-build-test.sh [FIRST_BUILD]
#   FIRST_BUILD: the 32-bit product build to compare with (default build/win32, made by
#   "cmake --preset win32 && cmake --build --preset win32"), of the sources as they are now.
# Environment: TALVEX_KEEP_SECOND_BUILD=1 keeps the second folder for a look at what differs;
# OBJDUMP (default i686-w64-mingw32-objdump) shows the header fields of a product that differs.
set -eu

top=$(cd "$(dirname "$0")/../.." && pwd)
first=$(cd "${1:-$top/build/win32}" && pwd)
deps=$top/build/win32-deps
products="Setup.exe FolderTree.exe Setup.exe.debug FolderTree.exe.debug"
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
started=$(date +%s)

for product in $products; do
  [ -f "$first/$product" ] || { echo "$0: no $product in $first: build it first" >&2; exit 2; }
done
[ -f "$deps/lib/libjpeg.a" ] || { echo "$0: no libjpeg.a in $deps" >&2; exit 2; }

second=$(mktemp -d "${TMPDIR:-/tmp}/talvex-second-build.XXXXXX")
if [ "${TALVEX_KEEP_SECOND_BUILD:-}" = 1 ]; then
  trap 'echo "the second build stays in $second"' EXIT
else
  trap 'rm -rf "$second"' EXIT
fi
failures=0
fail() { echo "FAIL $*" >&2; failures=$((failures + 1)); }

# The folders whose paths no product may hold: this tree (its build folders lie inside it), the
# first build and the dependencies wherever they are, and the second tree; each as written and
# with symbolic links resolved.
folders=""
for folder in "$top" "$first" "$deps" "$second"; do
  folders="$folders
$folder
$(cd "$folder" && pwd -P)"
done
folders=$(printf '%s\n' "$folders" | sed '/^$/d' | sort -u)

# holds_no_path FILE: says which of the folders FILE holds, and fails then.
holds_no_path() {
  found=""
  while IFS= read -r folder; do
    count=$(grep -c -a -F -e "$folder" "$1" || true)
    [ "$count" -eq 0 ] || found="$found $folder ($count)"
  done <<EOF
$folders
EOF
  [ -z "$found" ] || { fail "$1 holds the path of$found"; return 1; }
}

# The library first: only a library without paths may go into another folder's build.
if holds_no_path "$deps/lib/libjpeg.a"; then
  echo "ok   libjpeg.a holds no path of a source or build folder: reused for the second build"
else
  echo "build it again: rm -rf $deps && scripts/build-libjpeg-win32.sh" >&2
  exit 1
fi

# The second tree: the files that git knows or would add (committed, changed or new), as they are
# now, without the build folders; the library and its headers in its own build/win32-deps.
mkdir -p "$second/src/build/win32-deps/lib" "$second/src/build/win32-deps/include"
(
  cd "$top"
  git ls-files -z --cached --others --exclude-standard |
    xargs -0 sh -c 'for f; do [ -f "$f" ] && printf "%s\0" "$f"; done' sh |
    tar --null -T - -cf -
) | tar -xf - -C "$second/src"
cp "$deps"/lib/libjpeg.a "$deps"/lib/libjpeg.recipe "$second/src/build/win32-deps/lib/"
cp "$deps"/include/j*.h "$second/src/build/win32-deps/include/"

# Another time zone than this machine's (a day apart from UTC), another umask, another time, and
# a build folder of another name outside the source folder (the release builds in build/release).
zone=Pacific/Kiritimati
[ "$(date +%z)" != "+1400" ] || zone=Etc/GMT+12
again=$second/other-build
echo "== second build of $second/src in $again (TZ=$zone)"
(
  cd "$second/src"
  umask 027
  export TZ=$zone
  cmake --preset win32 -B "$again" -DTALVEX_TESTS=OFF >"$second/configure.log" 2>&1 ||
    { cat "$second/configure.log"; exit 1; }
  cmake --build "$again" -j2 >"$second/build.log" 2>&1 ||
    { grep -v '^\[[0-9]*/[0-9]*\] ' "$second/build.log"; exit 1; }
)

for product in $products; do
  if cmp -s "$first/$product" "$again/$product"; then
    echo "ok   $product: the same $(wc -c <"$first/$product" | tr -d ' ') bytes in both builds"
  else
    fail "$product differs between the two builds: $(cmp "$first/$product" "$again/$product" 2>&1 | head -n 1)"
    # The header fields that differ, if any (TimeDateStamp, CheckSum, the directories).
    (cd "$first" && "$objdump" -p "$product" >"$second/first.txt" 2>&1) || true
    (cd "$again" && "$objdump" -p "$product" >"$second/again.txt" 2>&1) || true
    diff "$second/first.txt" "$second/again.txt" | grep '^[<>]' | head -n 6 >&2 || true
  fi
done
for product in $products; do
  holds_no_path "$first/$product" && holds_no_path "$again/$product" &&
    echo "ok   $product holds no path of a source or build folder"
done
for program in Setup.exe FolderTree.exe; do
  if result=$(python3 "$top/tests/scripts/debug-link-check.py" "$objdump" "$first/$program" \
    "$first/$program.debug"); then
    echo "ok   $program is stripped and names $program.debug, with its CRC, in its debug link"
  else
    fail "$result"
  fi
done

echo "reproducible build test: $(($(date +%s) - started)) s"
[ "$failures" -eq 0 ] || { echo "$failures failed" >&2; exit 1; }
