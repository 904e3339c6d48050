#!/bin/sh
# Cross-builds libjpeg-turbo for the Windows build from Debian's source package and installs the
# static library into build/win32-deps. Does nothing when it is already there, built by this
# script as it is now. It is built with the compilers of the programs that users run; plain C
# without threads, it links into the test programs (posix-threads compilers) as well.
#
# The library is reproducible, as the programs it goes into: its source and build folders are
# written into the objects under fixed names (-ffile-prefix-map), nasm writes neither the time nor
# the source file's name into its objects (--reproducible), the archive is deterministic (the
# toolchain file), and the build date that libjpeg-turbo puts into its version text is the date of
# the source package's last changelog entry, not today's.
#
# Source entries are enabled in the machine's existing apt configuration (never a new mirror):
# a deb822 file gets "Types: deb deb-src" where it says only "Types: deb"; a classic sources.list
# gets a deb-src line for each deb line that has none.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
# The architecture: i686 (default; build/win32-deps) or x86_64 (build/win64-deps, for the 64-bit
# build that the Wine test bed runs where 32-bit programs cannot run).
ARCH=${1:-i686}
case $ARCH in
  i686) DEPS=win32-deps ;;
  x86_64) DEPS=win64-deps ;;
  *) echo "usage: $0 [i686|x86_64]" >&2; exit 2 ;;
esac
PREFIX="$ROOT/build/$DEPS"
WORK="$ROOT/build/$DEPS-src/libjpeg-turbo"

# What the library is made with: this script and the toolchain files. A library that another
# recipe made (one that wrote the build folder into it, say) is built again.
RECIPE=$(cat "$0" "$ROOT"/cmake/mingw-*.cmake | sha256sum | cut -d ' ' -f 1)
if [ -f "$PREFIX/lib/libjpeg.a" ] && [ -f "$PREFIX/include/jpeglib.h" ] &&
  [ "$(cat "$PREFIX/lib/libjpeg.recipe" 2>/dev/null)" = "$RECIPE" ]; then
  echo "libjpeg-turbo for $ARCH already built in $PREFIX"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi

enable_deb_src() {
  deb822=/etc/apt/sources.list.d/debian.sources
  classic=/etc/apt/sources.list
  if [ -f "$deb822" ]; then
    if grep -q '^Types: deb$' "$deb822"; then
      $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$deb822"
      sources_changed=1
    fi
  elif [ -f "$classic" ]; then
    # For each "deb ..." line, a "deb-src ..." line with the same rest, unless one exists.
    tmp=$(mktemp)
    grep -E '^deb[[:space:]]' "$classic" | sed 's/^deb[[:space:]]/deb-src /' | while read -r line; do
      if ! grep -qxF "$line" "$classic"; then echo "$line"; fi
    done >"$tmp"
    if [ -s "$tmp" ]; then
      cat "$tmp" | $SUDO tee -a "$classic" >/dev/null
      sources_changed=1
    fi
    rm -f "$tmp"
  else
    echo "no apt source file found to enable source packages" >&2
    exit 1
  fi
}

# The package lists are read again only when source entries were just enabled, or when the
# source cannot be had with the lists there are.
sources_changed=
enable_deb_src
APT_SUDO=$SUDO
. "$ROOT/scripts/apt-retry.sh"
[ -z "$sources_changed" ] || apt_update

# One download of the source serves both architectures.
SOURCES="$ROOT/build/libjpeg-turbo-source"
mkdir -p "$SOURCES"
cd "$SOURCES"
if ! ls -d libjpeg-turbo-*/ >/dev/null 2>&1; then
  apt-get source -qq libjpeg-turbo || { apt_update; apt-get source -qq libjpeg-turbo; }
fi
SRC=$(ls -d "$SOURCES"/libjpeg-turbo-*/ | head -n 1)
mkdir -p "$WORK"
cd "$WORK"

# SIMD through nasm when it is installed; the plain C code paths otherwise.
SIMD=OFF
if command -v nasm >/dev/null 2>&1; then SIMD=ON; fi

SRC=${SRC%/}
# The build date in the version text: the source package's, so that any build of this source
# says the same.
STAMP=$(dpkg-parsechangelog -l "$SRC/debian/changelog" -STimestamp)
BUILD_DATE=$(date -u -d "@$STAMP" +%Y%m%d)

# A fresh build folder: the compiler flags of an earlier configuration would stay in its cache.
rm -rf "$WORK/build" "$PREFIX/lib/libjpeg.recipe"
cmake -S "$SRC" -B "$WORK/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$ARCH.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="-g1 -ffile-prefix-map=$SRC=/$(basename "$SRC") -ffile-prefix-map=$WORK/build=/libjpeg-turbo-build" \
  -DCMAKE_ASM_NASM_FLAGS=--reproducible \
  -DBUILD="$BUILD_DATE" \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
  -DWITH_TURBOJPEG=OFF -DWITH_SIMD=$SIMD \
  -DCMAKE_ASM_NASM_COMPILER=nasm \
  -DCMAKE_CROSSCOMPILING_EMULATOR=
cmake --build "$WORK/build" -j2 --target jpeg-static
# Only the library and its headers are needed: install them by hand rather than building the
# command-line tools that "install" would want.
mkdir -p "$PREFIX/lib" "$PREFIX/include"
cp "$WORK/build/libjpeg.a" "$PREFIX/lib/libjpeg.a"
cp "$SRC/jpeglib.h" "$SRC/jmorecfg.h" "$SRC/jerror.h" "$WORK/build/jconfig.h" "$PREFIX/include/"
echo "$RECIPE" >"$PREFIX/lib/libjpeg.recipe"
echo "libjpeg-turbo for $ARCH installed in $PREFIX"
