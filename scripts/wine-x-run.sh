#!/usr/bin/env bash
# Runs a Windows program that opens windows under Wine, on a virtual X server of its own.
#   wine-x-run.sh LOADER PREFIX PROGRAM [ARGUMENTS...]
# The prefix is one for programs with windows only: a Wine server started without a display
# (wine-run.sh's headless runs) would keep its desktop without one. Its server is stopped at the
# end, so that the next run meets no desktop left on a display that is gone. Exit code 77 when
# xvfb-run is missing (the run is skipped).
set -euo pipefail
if [ "${1:-}" = --inside ]; then
  shift
  loader=$1 prefix=$2
  status=0
  TALVEX_WINE_DISPLAY=1 "$(dirname "$0")/wine-run.sh" "$@" || status=$?
  WINEPREFIX=$prefix "${loader%/*}/wineserver" -k 2>/dev/null || true
  WINEPREFIX=$prefix "${loader%/*}/wineserver" -w 2>/dev/null || true
  exit $status
fi
if ! command -v xvfb-run >/dev/null; then
  echo "wine-x-run: xvfb-run is missing; skipped"
  exit 77
fi
# A display number from a random start, so that runs side by side do not pick the same one.
exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24" "$0" --inside "$@"
