#!/usr/bin/env bash
# Runs a Windows program that opens windows under Wine, on a virtual X server of its own.
#   wine-x-run.sh LOADER PREFIX [--unmanaged] [--gtest] PROGRAM [ARGUMENTS...]
# The prefix is one for programs with windows only: a Wine server started without a display
# (wine-run.sh's headless runs) would keep its desktop without one. Its server is stopped at the
# end, so that the next run meets no desktop left on a display that is gone. Exit code 77 when
# xvfb-run is missing (the run is skipped).
# --unmanaged leaves PROGRAM's windows to Wine alone (Wine's per-program setting, by the
# program's file name): no window manager runs on the virtual display, and for windows left to
# one Wine waits some two seconds at every window it hides. Wine then draws their frames
# itself, so runs that find controls by the X window's place keep the default.
set -euo pipefail
if [ "${1:-}" = --inside ]; then
  shift
  loader=$1 prefix=$2
  shift 2
  if [ "${1:-}" = --unmanaged ]; then
    shift
    program=$1
    [ "$program" = --gtest ] && program=$2
    TALVEX_WINE_DISPLAY=1 "$(dirname "$0")/wine-run.sh" "$loader" "$prefix" reg add \
      "HKCU\\Software\\Wine\\AppDefaults\\${program##*/}\\X11 Driver" \
      /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  fi
  status=0
  TALVEX_WINE_DISPLAY=1 "$(dirname "$0")/wine-run.sh" "$loader" "$prefix" "$@" || status=$?
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
