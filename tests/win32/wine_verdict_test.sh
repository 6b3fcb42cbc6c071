#!/usr/bin/env bash
# The verdict that wine-run.sh --gtest gives a Windows test program from its XML report, its
# exit code and what it wrote to stderr: passed only when the report counts tests and no
# failure and the program exited with 0 or lost its exit code to the host loader's fault.
#   wine_verdict_test.sh WINE_RUN
set -uo pipefail
wine_run=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
report() {  # tests failures errors
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<testsuites tests="%s" failures="%s" disabled="0" errors="%s" time="0.5" name="AllTests">\n</testsuites>\n' \
    "$1" "$2" "$3" >"$work/report.xml"
}
fault='Inconsistency detected by ld.so: dl-fini.c: 117: _dl_fini: Assertion failed!'
bad=0
expect() {  # VERDICT STATUS STDERR WHAT
  printf '%s\n' "$3" >"$work/errors"
  local verdict=passed
  "$wine_run" --verdict "$2" "$work/report.xml" "$work/errors" 2>/dev/null || verdict=failed
  if [[ $verdict != "$1" ]]; then
    echo "FAILED: $4: $verdict, not $1"
    bad=1
  fi
}
report 12 0 0
expect passed 0 "" "all passed, exit code 0"
expect passed 127 "$fault" "all passed, exit code lost to the loader's fault"
expect failed 127 "" "all passed, exit code 127 without the fault"
expect failed 3 "$fault" "all passed, exit code 3"
report 12 1 0
expect failed 127 "$fault" "a failure in the report, then the loader's fault"
expect failed 0 "" "a failure in the report, exit code 0"
report 0 0 0
expect failed 0 "" "no tests in the report"
report 12 0 1
expect failed 0 "" "an error in the report"
: >"$work/report.xml"
expect failed 127 "$fault" "no report"
exit $bad
