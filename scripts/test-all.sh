#!/usr/bin/env bash
# Every test: the native build and its tests, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a formatting check.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/install-deps.sh native

echo "== formatting"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
clang-format --dry-run --Werror $files

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native -j2
ctest --preset native -j2

echo "== sanitizer build and tests"
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan -j2
ctest --preset native-asan -j2
