#!/usr/bin/env bash
# Copies a bundled machine to a folder and puts the sample driver package beside its program.
#   scripts/prepare-machine.sh NAME DESTINATION
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
name=$1
dest=$2
source="$top/examples/machines/$name"
[ -d "$source" ] || { echo "no machine $name in examples/machines" >&2; exit 2; }
mkdir -p "$dest"
cp -r "$source/." "$dest/"
find "$dest" -name .keep -delete
mkdir -p "$dest/d/SETUP"
cp -r "$top/examples/package/auto" "$dest/d/SETUP/"
