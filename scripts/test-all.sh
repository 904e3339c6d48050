#!/usr/bin/env bash
# Every test: a formatting check, the native build and its tests, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, the Windows build (Setup.exe) with its import
# check, the Win32 backends' unit tests under Wine, and the Wine test bed's whole runs of Setup.exe.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/install-deps.sh all

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

echo "== Windows build"
scripts/build-libjpeg-win32.sh
scripts/build-gtest-win32.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2
# Setup.exe needs no DLL besides Windows' own; newdev.dll is loaded at run time.
imports=$(i686-w64-mingw32-objdump -p build/win32/Setup.exe | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z')
echo "Setup.exe imports: $(echo $imports)"
for dll in $imports; do
  case $dll in
    kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | setupapi.dll | shell32.dll | ole32.dll | \
      comctl32.dll | msvcrt.dll | comdlg32.dll | oleaut32.dll) ;;
    *) echo "Setup.exe imports $dll, which is not part of Windows"; exit 1 ;;
  esac
done

echo "== Win32 backends under Wine"
tests/win32/run-under-wine.sh build/win32

echo "== Wine test bed"
tests/wine/run.sh build/win32/Setup.exe
