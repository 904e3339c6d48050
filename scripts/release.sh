#!/bin/sh
# Makes the release of the commit that is checked out, in dist/:
#   dist/talvex-setup-<version>/        what goes on the CD: Setup.exe, the sample driver package
#                                       beside it (auto\, scbase.exe, smclib.exe) and README.TXT,
#                                       which tells whoever burns the CD what goes where and how
#                                       to check the files
#   dist/talvex-setup-<version>-debug/  Setup.exe.debug, the debug information of that Setup.exe
#   dist/SHA256SUMS                     the SHA-256 of every file of both folders
#   dist/talvex-setup-<version>.zip     the CD folder
# <version> is "git describe --always" of the commit. The build is reproducible: anyone who runs
# this script on the same commit with the same Debian packages gets the same files and the same
# SHA256SUMS. A tree with uncommitted changes or files git does not know is refused: its release
# would not be the commit's.
#
# Usage: scripts/release.sh
set -eu

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

if ! git rev-parse --verify -q HEAD >/dev/null; then
  echo "release.sh: $top is not a git checkout with a commit" >&2
  exit 2
fi
changes=$(git status --porcelain --untracked-files=normal)
if [ -n "$changes" ]; then
  echo "release.sh: the tree has uncommitted changes; commit or stash them first:" >&2
  printf '%s\n' "$changes" >&2
  exit 1
fi

# A fixed length of the abbreviated commit name: git's own choice grows with the number of objects
# in the clone, and the version is in the folder names, which SHA256SUMS lists.
version=$(git describe --always --abbrev=12)
name=talvex-setup-$version
# The commit's time, for what needs one (the zip's entries).
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH

# A build folder of its own, made afresh: nothing of an earlier configuration or of a build of
# other sources remains in it.
build=$top/build/release
echo "== building Setup.exe $version in $build"
scripts/build-libjpeg-win32.sh
rm -rf "$build"
cmake --preset win32 -B "$build" -DTALVEX_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >"$build/build.log" 2>&1 ||
  { grep -v '^\[[0-9]*/[0-9]*\] ' "$build/build.log" >&2; exit 1; }
# The stripped program is the one users run: its imports and header once more, and no path of
# this tree in it or in its debug information.
scripts/check-imports.sh "$build/Setup.exe" cmake/windows-imports.txt
for file in "$build/Setup.exe" "$build/Setup.exe.debug"; do
  if grep -q -a -F -e "$top" "$file"; then
    echo "release.sh: $file holds the path $top: the build is not reproducible" >&2
    exit 1
  fi
done

dist=$top/dist
cd_folder=$dist/$name
debug_folder=$dist/$name-debug
rm -rf "$cd_folder" "$debug_folder" "$dist/$name.zip" "$dist/SHA256SUMS"
mkdir -p "$cd_folder" "$debug_folder"

cp "$build/Setup.exe" "$cd_folder/Setup.exe"
cp "$build/Setup.exe.debug" "$debug_folder/Setup.exe.debug"
# The sample driver package as committed, without its notes and the script that draws its icons.
git ls-files -z examples/package | tr '\0' '\n' | while IFS= read -r file; do
  relative=${file#examples/package/}
  case $relative in README.md | make-icons.py | .gitattributes) continue ;; esac
  mkdir -p "$cd_folder/$(dirname "$relative")"
  cp "$file" "$cd_folder/$relative"
done

# For whoever burns the CD; CR LF line ends, for Notepad.
sed 's/$/\r/' >"$cd_folder/README.TXT" <<EOF
TALVEX card reader driver setup $version
==================================================

For whoever burns the driver CD.

What goes where
---------------
Everything in this folder goes to the root of the CD, as it is, folders included:

  Setup.exe               the setup program (Windows 98 SE, Me, 2000 and XP); it
                          finds the drivers in the auto folder beside it
  auto\\win98\\             drivers for Windows 98 SE, which Setup.exe copies itself
  auto\\winme\\             drivers for Windows Me
  auto\\win2k\\             drivers for Windows 2000
  auto\\winxp\\             drivers for Windows XP
  scbase.exe, smclib.exe  installers of the smart card components, which Setup.exe
                          runs on Windows 98 SE and Me when they are missing
  README.TXT              this text

Keep the names as they are, letter case included (KVMS.INF in win2k and winxp).
The auto folder and the two installers are the sample driver package that this
Setup.exe is tested with; a CD for another package carries that package's files
under the same names, in the same places.

Checking the files
------------------
SHA256SUMS, published beside this folder, holds one line per file of this release:
its SHA-256 checksum, two spaces, and its name under the release. Compute the
checksum of each file here (and later on the burnt CD) with any SHA-256 tool and
compare it with its line. For example:

  Linux:    sha256sum -c --ignore-missing SHA256SUMS
            (in the folder that holds $name)
  macOS:    shasum -a 256 -c --ignore-missing SHA256SUMS
  Windows:  certutil -hashfile Setup.exe SHA256
            PowerShell: Get-FileHash -Algorithm SHA256 Setup.exe

Setup.exe is reproducible: building the source at $version as its README.md
says gives the same bytes, so anyone can check that it is the one the source makes.
EOF

(
  cd "$dist"
  find "$name" "$name-debug" -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum >SHA256SUMS
)
python3 scripts/make-zip.py "$cd_folder" "$dist/$name.zip" "$SOURCE_DATE_EPOCH"

echo "== release $version"
echo "$cd_folder"
echo "$debug_folder"
echo "$dist/$name.zip"
echo "$dist/SHA256SUMS:"
cat "$dist/SHA256SUMS"
echo "Setup.exe: $(wc -c <"$cd_folder/Setup.exe" | tr -d ' ') bytes"
