# Sourced by the scripts that install Debian packages. A mirror caught in the middle of a sync
# serves index files whose size does not match their Release file ("Mirror sync in progress?"),
# and apt-get then ends with 100; such a sync is usually over within a minute. Both commands try
# again after a pause. An update that still reports a failed index is let through with a
# warning: apt keeps the lists it had, and the install that follows fails clearly if a package
# cannot be had.
apt_update() {
  for pause in 10 20 0; do
    if $APT_SUDO apt-get update -qq; then return 0; fi
    [ "$pause" -eq 0 ] && break
    echo "apt-get update failed; trying again in $pause s" >&2
    sleep "$pause"
  done
  echo "warning: apt-get update kept failing; going on with the package lists apt has" >&2
  return 0
}

# apt_install PACKAGE...: installs, trying once more after a pause and a new update.
apt_install() {
  for pause in 20 0; do
    if DEBIAN_FRONTEND=noninteractive $APT_SUDO apt-get install -y -qq --no-install-recommends "$@" \
      >/dev/null; then
      return 0
    fi
    [ "$pause" -eq 0 ] && return 1
    echo "apt-get install failed; trying again in $pause s" >&2
    sleep "$pause"
    $APT_SUDO apt-get update -qq || true
  done
}
