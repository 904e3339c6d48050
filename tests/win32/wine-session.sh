# shellcheck shell=sh
# Sourced by the scripts that run one Windows program of the build under Wine outside the Wine
# test bed: a prefix of the program's architecture, booted on first use, and a display.
#
# Needs ROOT, the repository's top folder.
#
# wine_session_start PROGRAM.exe PREFIX LOG-FOLDER: sets WINEARCH (scripts/wine-select.sh) and
# WINEPREFIX; without a DISPLAY, starts a private Xvfb display for the run; boots the prefix when
# it has no registry yet; ends the wineserver and the display when the script exits.
. "$ROOT/scripts/wine-select.sh"

wine_session_start() {
  wine_use_arch_of "$1"
  WINEPREFIX=$2
  export WINEPREFIX WINEDEBUG=-all
  # No Mono or Gecko install prompts while the prefix is made.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  WINE_SESSION_XVFB=""
  trap wine_session_end EXIT
  trap 'exit 130' INT TERM
  if [ -z "${DISPLAY:-}" ]; then
    xvfb_start "$3/xvfb.log" 91 || { echo "Xvfb did not start (see $3/xvfb.log)" >&2; exit 2; }
    WINE_SESSION_XVFB=$XVFB_PID
  fi
  # The wineserver keeps the standard output of the first Wine program it serves: started first,
  # on its own, it holds /dev/null instead of this script's output.
  wineserver -p >/dev/null 2>&1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 300 wineboot -i >"$3/wineboot.log" 2>&1
    timeout 120 wineserver -w
  fi
}

wine_session_end() {
  wineserver -k >/dev/null 2>&1
  if [ -n "$WINE_SESSION_XVFB" ]; then kill "$WINE_SESSION_XVFB" 2>/dev/null; fi
}
