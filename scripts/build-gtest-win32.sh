#!/bin/sh
# Cross-builds GoogleTest for the Windows build's unit tests from Debian's googletest sources
# (/usr/src/googletest) and installs it into build/win32-deps. Does nothing when it is already
# there. The posix-threads compiler is required: GoogleTest uses std::mutex.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
PREFIX="$ROOT/build/win32-deps"
WORK="$ROOT/build/win32-deps-src/googletest"
SRC=${GTEST_SOURCE_DIR:-/usr/src/googletest}

if [ -f "$PREFIX/lib/libgtest.a" ] && [ -f "$PREFIX/include/gtest/gtest.h" ]; then
  echo "GoogleTest for win32 already built in $PREFIX"
  exit 0
fi
if [ ! -f "$SRC/CMakeLists.txt" ]; then
  echo "GoogleTest sources not found in $SRC (Debian package googletest)" >&2
  exit 1
fi

cmake -S "$SRC" -B "$WORK" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686-posix.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DBUILD_GMOCK=OFF -DBUILD_SHARED_LIBS=OFF -Dgtest_force_shared_crt=ON \
  -DCMAKE_CROSSCOMPILING_EMULATOR=
cmake --build "$WORK" -j2
cmake --install "$WORK"
echo "GoogleTest for win32 installed in $PREFIX"
