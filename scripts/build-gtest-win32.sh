#!/bin/sh
# Cross-builds GoogleTest for the Windows build's unit tests from Debian's googletest sources
# (/usr/src/googletest) and installs it into build/win32-deps. Does nothing when it is already
# there. The posix-threads compiler is required: GoogleTest uses std::mutex.
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
WORK="$ROOT/build/$DEPS-src/googletest"
SRC=${GTEST_SOURCE_DIR:-/usr/src/googletest}

if [ -f "$PREFIX/lib/libgtest.a" ] && [ -f "$PREFIX/include/gtest/gtest.h" ]; then
  echo "GoogleTest for $ARCH already built in $PREFIX"
  exit 0
fi
if [ ! -f "$SRC/CMakeLists.txt" ]; then
  echo "GoogleTest sources not found in $SRC (Debian package googletest)" >&2
  exit 1
fi

cmake -S "$SRC" -B "$WORK" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$ARCH-posix.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DBUILD_GMOCK=OFF -DBUILD_SHARED_LIBS=OFF -Dgtest_force_shared_crt=ON \
  -DCMAKE_CROSSCOMPILING_EMULATOR=
cmake --build "$WORK" -j2
cmake --install "$WORK"
echo "GoogleTest for $ARCH installed in $PREFIX"
