#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, in a Wine prefix of the build's own.
#   wine-run.sh LOADER PREFIX [--rerun-after-exit-fault] PROGRAM [ARGUMENTS...]
#   wine-run.sh LOADER --can-run   exit 0 when this machine can start LOADER, else say why
#   wine-run.sh LOADER PREFIX --stop   ends the prefix's Wine server
# LOADER is Wine's 64-bit (/usr/lib/wine/wine64) or 32-bit (/usr/lib/wine/wine) loader, called
# directly: /usr/bin/wine prefers the 32-bit one when both are installed. The first run makes
# the prefix; runs that start together wait for it on a lock.
# --rerun-after-exit-fault (the test runs' option, never an end-to-end run's, whose program has
# effects) runs PROGRAM again, up to twice, when the host's dynamic loader fails an assertion
# while Wine's process exits: that fault comes after the program has ended and takes its exit
# code away with it, so only a new run can give the program's verdict.
set -euo pipefail
loader=$1
if [ "${2:-}" = "--can-run" ]; then
  if [ ! -x "$loader" ]; then
    echo "$loader is not installed" >&2
    exit 1
  fi
  if ! reason=$("$loader" --version 2>&1 >/dev/null); then
    echo "$loader cannot run on this machine: ${reason##*: }" >&2
    exit 1
  fi
  exit 0
fi
prefix=$2
shift 2
if [ "${1:-}" = "--stop" ]; then
  if [ -d "$prefix" ]; then WINEPREFIX=$prefix "${loader%/*}/wineserver" -k 2>/dev/null || true; fi
  exit 0
fi

export WINEPREFIX=$prefix
# Wine's own messages off, unless the caller asks for some (TALVEX_WINEDEBUG, as WINEDEBUG).
export WINEDEBUG=${TALVEX_WINEDEBUG:--all}
# A home of the prefix's own: Wine links the Windows desktop and documents folders to the
# home's, and tests must not write into the real one.
export HOME=$prefix-home
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_DESKTOP_DIR
# No window system unless the caller runs a display for windows (wine-x-run.sh), and no prompts
# to install Wine's browser and .NET replacements.
if [ -z "${TALVEX_WINE_DISPLAY:-}" ]; then unset DISPLAY; fi
unset WAYLAND_DISPLAY
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

if [ ! -f "$prefix/.talvex-ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/.talvex-ready" ]; then
    mkdir -p "$HOME"
    "$loader" wineboot --init </dev/null >/dev/null 2>&1 || true
    [ -d "$prefix/drive_c" ] || { echo "wine-run: could not make the Wine prefix $prefix" >&2; exit 1; }
    # Drive R: is a CD-ROM drive over an empty folder, for the tests of drive kinds.
    mkdir -p "$prefix/cdrom"
    ln -sfn ../cdrom "$prefix/dosdevices/r:"
    "$loader" reg add 'HKLM\Software\Wine\Drives' /v r: /t REG_SZ /d cdrom /f \
      </dev/null >/dev/null 2>&1 || true
    "${loader%/*}/wineserver" -w || true
    touch "$prefix/.talvex-ready"
  fi
  exec 9>&-
fi
# A Wine server that outlives each program by a minute spares the next program of a test run
# the seconds of starting Wine's own services again; it ends by itself. When this call starts
# the server (exit code 0; 2 when one runs already), the services are started here, away from
# the program's output: they live as long as the server and would hold the caller's pipes open.
if "${loader%/*}/wineserver" -p60 </dev/null >/dev/null 2>&1; then
  "$loader" wineboot </dev/null >/dev/null 2>&1 || true
fi
export TALVEX_TEST_CDROM_DRIVE=R:
if [ "${1:-}" != "--rerun-after-exit-fault" ]; then exec "$loader" "$@"; fi
shift
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
for run in 1 2 3; do
  status=0
  "$loader" "$@" 2>"$errors" || status=$?
  cat "$errors" >&2
  if [ "$status" -eq 0 ] || [ "$run" -eq 3 ] ||
     ! grep -q '^Inconsistency detected by ld.so: dl-fini.c' "$errors"; then
    exit "$status"
  fi
  echo "wine-run: the host's dynamic loader failed as Wine exited, after the program had" \
       "ended (exit code $status); running the program again" >&2
done
