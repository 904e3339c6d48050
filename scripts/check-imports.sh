#!/bin/sh
# Fails when a Windows program imports a function that its allowlist does not hold, naming each
# such function and its DLL. The Windows loader refuses to start a program with an import it
# cannot resolve, so every import must exist on the oldest system the program supports.
# Fails too when the program's header asks for a newer Windows than 98: a 32-bit GUI program
# (PE32, Windows GUI subsystem) whose operating system and subsystem versions are at most 4.0,
# the newest that the loaders of Windows 95 and 98 accept (2000 and XP accept up to 5.0 and 5.1).
# Fails too when the program imports a DLL that is not a known DLL of every supported system:
# the loader looks for such a DLL beside the program first, before any of the program's code
# runs, so it must be loaded at run time from the system folder instead.
#
# Usage: scripts/check-imports.sh PROGRAM.exe ALLOWLIST [KNOWNDLLS]
#   ALLOWLIST: "[dll name]" lines, each followed by the functions that may be imported from that
#   DLL, one a line; "#" starts a comment. DLL names are compared without regard to letter case,
#   function names exactly, as the loader does. An import by ordinal is written "#<n>" in the
#   program's listing and "ordinal <n>" in the allowlist.
#   KNOWNDLLS (default: windows-known-dlls.txt beside ALLOWLIST): "[system]" lines, each followed
#   by that system's known DLLs, one a line; "#" starts a comment. A DLL may be imported when
#   every system's list holds it, or when the section "[imported anyway]" does.
# Environment: OBJDUMP (default i686-w64-mingw32-objdump).
set -eu

if [ $# -ne 2 ] && [ $# -ne 3 ]; then
  echo "usage: $0 PROGRAM.exe ALLOWLIST [KNOWNDLLS]" >&2
  exit 2
fi
program=$1
allowlist=$2
knowndlls=${3:-$(dirname "$allowlist")/windows-known-dlls.txt}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
[ -f "$program" ] || { echo "$0: no program $program" >&2; exit 2; }
[ -f "$allowlist" ] || { echo "$0: no allowlist $allowlist" >&2; exit 2; }
[ -f "$knowndlls" ] || { echo "$0: no list of known DLLs $knowndlls" >&2; exit 2; }

listing=$(mktemp)
trap 'rm -f "$listing"' EXIT
"$objdump" -p "$program" >"$listing"
if ! grep -q 'The Import Tables' "$listing"; then
  echo "$0: $objdump shows no import table in $program" >&2
  exit 2
fi

# The header: PE32, the Windows GUI subsystem, and versions the oldest loader accepts.
awk -v program="$(basename "$program")" '
  $1 == "Magic" { magic = $2 }
  $1 == "MajorOSystemVersion" { os = $2 }
  $1 == "MinorOSystemVersion" { os = os "." $2; osMinor = $2 }
  $1 == "MajorSubsystemVersion" { sub_ = $2 }
  $1 == "MinorSubsystemVersion" { sub_ = sub_ "." $2; subMinor = $2 }
  $1 == "Subsystem" { subsystem = $2 + 0 }
  function newer(version, minor) {
    split(version, part, ".")
    return part[1] + 0 > 4 || (part[1] + 0 == 4 && minor + 0 > 0)
  }
  END {
    if (magic != "010b") { printf "%s is not a 32-bit program (PE32)\n", program; bad = 1 }
    if (subsystem != 2) { printf "%s is not a Windows GUI program\n", program; bad = 1 }
    if (os == "" || newer(os, osMinor)) {
      printf "%s asks for Windows %s; Windows 98 loads programs that ask for 4.0 at most\n", program, os
      bad = 1
    }
    if (sub_ == "" || newer(sub_, subMinor)) {
      printf "%s asks for subsystem version %s; Windows 98 loads 4.0 at most\n", program, sub_
      bad = 1
    }
    exit bad
  }
' "$listing" || exit 1

# Every imported DLL against the known DLLs of each system.
awk -v program="$(basename "$program")" -v knowndlls="$knowndlls" '
  FNR == 1 { file++ }
  file == 1 {
    sub(/#.*/, "")
    sub(/[ \t\r]+$/, "")
    sub(/^[ \t]+/, "")
    if ($0 == "") next
    if ($0 ~ /^\[.*\]$/) {
      section = substr($0, 2, length($0) - 2)
      if (section != "imported anyway" && !(section in seen)) { seen[section] = 1; systems[++count] = section }
      next
    }
    if (section == "") { printf "%s:%d: a DLL before the first [system]\n", knowndlls, FNR; bad = 2; exit }
    known[section, tolower($0)] = 1
    next
  }
  /^[ \t]*DLL Name: / {
    sub(/^[ \t]*DLL Name: /, "")
    dll = tolower($0)
    if (("imported anyway", dll) in known) next
    lacking = ""
    for (i = 1; i <= count; i++)
      if (!((systems[i], dll) in known)) lacking = lacking (lacking == "" ? "" : ", ") systems[i]
    if (lacking != "") {
      printf "%s imports %s, which is not a known DLL of %s (%s): load it at run time from the system folder\n", program, dll, lacking, knowndlls
      bad = 1
    }
  }
  END {
    if (bad == 2) exit 2
    if (count == 0) { printf "%s: no system lists its known DLLs\n", knowndlls; exit 2 }
    exit bad
  }
' "$knowndlls" "$listing" || exit $?

# The allowlist as "dll function" pairs, then every import as a pair, checked against them.
awk -v program="$(basename "$program")" -v allowlist="$allowlist" '
  FNR == 1 { file++ }
  file == 1 {
    sub(/#.*/, "")
    if (NF == 0) next
    if ($1 ~ /^\[.*\]$/) { dll = tolower(substr($1, 2, length($1) - 2)); next }
    if (dll == "") { printf "%s:%d: a function before the first [dll]\n", allowlist, FNR; bad = 2; exit }
    name = ($1 == "ordinal" && NF == 2) ? "#" $2 : $1
    allowed[dll " " name] = 1
    next
  }
  /^[ \t]*DLL Name: / { sub(/^[ \t]*DLL Name: /, ""); dll = tolower($0); next }
  # An import line: its thunk, its hint (or ordinal), its name or <none> for an ordinal import.
  dll != "" && /^\t[0-9a-fA-F]+\t/ && NF >= 3 && $2 ~ /^[0-9]+$/ {
    name = ($3 == "<none>") ? "#" $2 : $3
    count++
    if (!((dll " " name) in allowed)) {
      printf "%s imports %s from %s, which %s does not allow\n", program, name, dll, allowlist
      bad = 1
    }
    next
  }
  /^$/ { next }
  /^[^ \t]/ { dll = "" }
  END {
    if (bad == 2) exit 2
    if (bad) exit 1
    if (count == 0) { printf "%s: no imported functions found\n", program; exit 2 }
    printf "%s: all %d imported functions are allowed\n", program, count
  }
' "$allowlist" "$listing"
