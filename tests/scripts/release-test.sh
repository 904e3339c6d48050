#!/bin/sh
# scripts/release.sh makes a release only of a commit as it is: in a tree with a changed file, a
# staged change or a new file it says which and ends with 1 before it builds or writes anything;
# outside a git checkout it ends with 2. (The release itself is a whole build; the reproducibility
# test covers what it builds.)
#
# Usage: tests/scripts/release-test.sh
set -eu

top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# git looks for the checkout no higher than the work folder, wherever that lies.
GIT_CEILING_DIRECTORIES=$work
export GIT_CEILING_DIRECTORIES
failures=0

# A checkout of one commit that holds this tree's release script.
repo=$work/repo
mkdir -p "$repo/scripts"
cp "$top/scripts/release.sh" "$repo/scripts/release.sh"
printf 'text\n' >"$repo/notes.txt"
git -C "$repo" init -q
git -C "$repo" add -A
git -C "$repo" -c user.name=test -c user.email=test@example.invalid commit -q -m one

# expect CASE STATUS TEXT: release.sh ends with STATUS, says TEXT, and leaves no build or dist.
expect() {
  got=0
  sh "$repo/scripts/release.sh" >"$work/out.txt" 2>&1 || got=$?
  if [ "$got" -eq "$2" ] && grep -qF -e "$3" "$work/out.txt" &&
    [ ! -e "$repo/build" ] && [ ! -e "$repo/dist" ]; then
    echo "ok   $1: refused ($got)"
  else
    echo "FAIL $1: exit $got (wanted $2), said:" >&2
    cat "$work/out.txt" >&2
    ls "$repo" >&2
    failures=$((failures + 1))
  fi
}

printf 'changed\n' >>"$repo/notes.txt"
expect "a changed file" 1 " M notes.txt"
git -C "$repo" add notes.txt
expect "a staged change" 1 "M  notes.txt"
git -C "$repo" checkout -q HEAD -- notes.txt
printf 'new\n' >"$repo/new.cpp"
expect "a new file" 1 "?? new.cpp"
rm "$repo/new.cpp"

rm -rf "$repo/.git"
expect "no git checkout" 2 "is not a git checkout"

[ "$failures" -eq 0 ] || { echo "$failures failed" >&2; exit 1; }
