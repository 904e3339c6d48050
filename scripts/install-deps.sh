#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need. Does nothing when they are all present.
#   scripts/install-deps.sh native   the native build and its tests
#   scripts/install-deps.sh all      also the Windows build and the Wine test bed
set -euo pipefail

what=${1:-native}
packages=(cmake ninja-build g++ make python3 clang-format libgtest-dev libgmock-dev googletest
          libjpeg62-turbo-dev)
if [ "$what" = all ]; then
  # x11-apps: xwd, the Wine test bed's screenshots; libjpeg-turbo-progs: cjpeg, for
  # scripts/make-artwork.py. wine64 and the 64-bit compilers run the Wine test bed where 32-bit
  # programs cannot run. fonts-wine: Wine's own fonts (Marlett draws the title-bar buttons, MS
  # Sans Serif and Tahoma stand in for the designs' faces), only recommended by wine.
  packages+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 nasm dpkg-dev wine wine32:i386 wine64 xvfb
             xauth x11-apps libjpeg-turbo-progs fonts-wine)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

APT_SUDO=""
[ "$(id -u)" -eq 0 ] || APT_SUDO=sudo
. "$(dirname "$0")/apt-retry.sh"
if [ "$what" = all ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $APT_SUDO dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
apt_update
# 32-bit Wine needs the i386 package lists in step with the amd64 ones (libc6:i386 of the same
# version as libc6); a mirror that serves one of them stale refuses it. Then everything else is
# installed, and the Wine runs use the 64-bit build under wine64, as on machines that cannot run
# 32-bit programs.
rest=()
for package in "${missing[@]}"; do
  [ "$package" = wine32:i386 ] || rest+=("$package")
done
try_install() {
  if DEBIAN_FRONTEND=noninteractive $APT_SUDO apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null; then
    return 0
  fi
  if [ ${#rest[@]} -lt ${#missing[@]} ] &&
    DEBIAN_FRONTEND=noninteractive $APT_SUDO apt-get install -y -qq --no-install-recommends \
      ${rest[@]+"${rest[@]}"} >/dev/null; then
    echo "warning: wine32:i386 could not be installed; the Wine runs use the 64-bit build" >&2
    return 0
  fi
  return 1
}
try_install && exit 0
echo "apt-get install failed; trying again in 20 s" >&2
sleep 20
apt_update
try_install && exit 0
echo "the packages could not be installed: ${missing[*]}" >&2
exit 1
