# Sourced by the scripts that install Debian packages. A mirror caught in the middle of a sync
# serves index files whose size does not match their Release file ("Mirror sync in progress?"),
# and apt-get then ends with 100; such a sync is usually over within a minute. The update is tried
# again after a pause; one that still reports a failed index is let through with a warning: apt
# keeps the lists it had, and the install that follows fails clearly if a package cannot be had.
apt_update() {
  for pause in 15 0; do
    if $APT_SUDO apt-get update -qq; then return 0; fi
    [ "$pause" -eq 0 ] && break
    echo "apt-get update failed; trying again in $pause s" >&2
    sleep "$pause"
  done
  echo "warning: apt-get update kept failing; going on with the package lists apt has" >&2
  return 0
}
