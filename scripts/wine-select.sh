# shellcheck shell=sh
# Sourced by the scripts that run Windows programs under Wine.
#
# wine_can_run_32bit: true when this machine runs 32-bit Linux programs, which 32-bit Wine needs.
# Some kernels refuse them ("Exec format error"); there the Wine runs use the 64-bit build of the
# same sources (preset win64) under wine64.
wine_can_run_32bit() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# wine_arch_of PROGRAM.exe: win32 or win64, from the machine field of the PE header.
wine_arch_of() {
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
  if [ "$machine" = 8664 ]; then echo win64; else echo win32; fi
}

# wine_use_arch_of PROGRAM.exe: sets WINEARCH for the program's architecture. For a 64-bit
# program, "wine" (and wineboot, which calls wine-stable) must start the 64-bit loader: Debian's
# wrapper prefers the 32-bit one whenever wine32 is installed, so a folder of two small wrappers
# goes first on PATH.
wine_use_arch_of() {
  WINEARCH=$(wine_arch_of "$1")
  export WINEARCH
  if [ "$WINEARCH" = win64 ]; then
    shim=${TMPDIR:-/tmp}/talvex-wine64-$(id -u)
    mkdir -p "$shim"
    for name in wine wine-stable; do
      printf '#!/bin/sh\nWINELOADER=/usr/lib/wine/wine64 exec /usr/lib/wine/wine64 "$@"\n' \
        >"$shim/$name"
      chmod +x "$shim/$name"
    done
    case ":$PATH:" in
      *":$shim:"*) ;;
      *) PATH="$shim:$PATH" ;;
    esac
    export PATH
  fi
}

# xvfb_start LOG FIRST: a private Xvfb display, the first number from FIRST on that no X server
# holds, exported as DISPLAY, with its process ID in XVFB_PID. A number that another server takes
# meanwhile is passed over. Fails when no display started within 100 numbers.
xvfb_start() {
  xvfb_number=$2
  while [ "$xvfb_number" -lt $(($2 + 100)) ]; do
    if [ -e "/tmp/.X$xvfb_number-lock" ] || [ -e "/tmp/.X11-unix/X$xvfb_number" ]; then
      xvfb_number=$((xvfb_number + 1))
      continue
    fi
    Xvfb ":$xvfb_number" -nolisten tcp -screen 0 1024x768x24 >"$1" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
      if [ -e "/tmp/.X11-unix/X$xvfb_number" ] && kill -0 "$XVFB_PID" 2>/dev/null; then
        DISPLAY=":$xvfb_number"
        export DISPLAY
        return 0
      fi
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null
    xvfb_number=$((xvfb_number + 1))
  done
  return 1
}
