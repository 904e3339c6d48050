#!/bin/bash
# Builds the Wine suite's helper programs with the mingw-w64 compiler CXX_WIN32 (default: the
# 32-bit one) into OUTDIR (default build/wine/bin). A helper is rebuilt only when a file of
# helpers/ is newer than it, or when it was built by another compiler.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
src=$here/helpers
out=${1:-$here/../../build/wine/bin}
cxx=${CXX_WIN32:-i686-w64-mingw32-g++-posix}
flags="-std=c++20 -O2 -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Werror -static -s"

mkdir -p "$out"
# Programs of another compiler (the other architecture) are rebuilt.
if [ "$(cat "$out/compiler" 2>/dev/null)" != "$cxx" ]; then
  rm -f "$out"/*.exe "$out"/*.dll
  echo "$cxx" >"$out/compiler"
fi

# build OUTPUT SOURCE EXTRA-FLAGS...: compiles in the background (the helpers are independent);
# the script waits for all of them at the end.
jobs_started=()
build() {
  name=$1
  target=$out/$1
  source=$src/$2
  shift 2
  if [ -f "$target" ] && [ -z "$(find "$src" -newer "$target")" ]; then
    return 0
  fi
  # A failed compile leaves no program behind, so that the next run tries again.
  # shellcheck disable=SC2086
  { $cxx $flags -o "$target" "$source" "$@" || { rm -f "$target"; exit 1; }; } &
  jobs_started+=("$!:$name")
}

build mkdevice.exe mkdevice.cpp -lsetupapi
build listdevs.exe listdevs.cpp -lsetupapi
build regdump.exe regdump.cpp
build answerbox.exe answerbox.cpp -mwindows -lgdi32
build uidriver.exe uidriver.cpp
build probe.exe probe.cpp
# The planted DLL exports the undecorated names that GetProcAddress looks for.
build newdev.dll planted_newdev.cpp -shared -Wl,--kill-at
# The stand-in for the other system DLLs, copied under their names.
build planted.dll planted_dll.cpp -shared
# The fake smart card component installers.
build smclib.exe smclib.cpp -mwindows
build scbase.exe scbase.cpp -mwindows

status=0
for job in ${jobs_started[@]+"${jobs_started[@]}"}; do
  wait "${job%%:*}" || { echo "could not build ${job#*:}" >&2; status=1; }
done
exit "$status"
