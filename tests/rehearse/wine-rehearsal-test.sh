#!/bin/bash
# The bundled package under talvex-rehearse --wine: every native cell and every Wine cell passes,
# and the two engines agree everywhere.
#
#   tests/rehearse/wine-rehearsal-test.sh REHEARSE SETUP.EXE
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
rehearse=$1
setup_exe=$2
out=$root/build/wine-rehearsal
rm -rf "$out"
status=0
TALVEX_SETUP_EXE=$setup_exe "$rehearse" --wine --out "$out" "$root/examples/package" \
  >"$out.log" 2>&1 || status=$?
sed -n '/^Under Wine/,$p' "$out.log"
[ "$status" -eq 0 ] || { echo "talvex-rehearse --wine ended with $status (see $out.log)"; exit 1; }
python3 - "$out/report.json" <<'CHECK'
import json, sys
report = json.load(open(sys.argv[1]))
wine = report.get("wine")
problems = []
if not report["passed"]:
    problems.append("the native rehearsal did not pass")
if wine is None:
    problems.append("the report has no Wine side")
else:
    if wine["problem"]:
        problems.append("the Wine runs could not be made: " + wine["problem"])
    if len(wine["cells"]) != 16:
        problems.append("%d Wine cells, expected 16" % len(wine["cells"]))
    for cell in wine["cells"]:
        if not cell["passed"]:
            problems.append("the Wine cell %s failed" % cell["name"])
        for function in cell["functions"]:
            if function["outcome"] != "installed":
                problems.append("%s: %s %s under Wine" % (cell["name"], function["function"], function["outcome"]))
    # Windows Me's files go to SYSTEM natively and to system32 under Wine: the one difference
    # the report must give for the bundled package, and no other.
    for difference in wine["differences"]:
        if not (difference.startswith("me-") and "Windows Me's system folder" in difference):
            problems.append("the engines differ: " + difference)
    me = [d for d in wine["differences"] if d.startswith("me-")]
    if len(me) != 12:
        problems.append("%d differences of the Me cells, expected 12 (3 functions in 4 cells)" % len(me))
for problem in problems:
    print("FAIL:", problem)
print("wine rehearsal:", "FAILED" if problems else "passed")
sys.exit(1 if problems else 0)
CHECK
