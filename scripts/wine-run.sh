#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, in a Wine prefix of the build's own.
#   wine-run.sh LOADER PREFIX [--gtest] PROGRAM [ARGUMENTS...]
#   wine-run.sh LOADER --can-run   exit 0 when this machine can start LOADER, else say why
#   wine-run.sh LOADER PREFIX --stop   ends the prefix's Wine server
#   wine-run.sh --verdict STATUS REPORT ERRORS   the verdict of --gtest, for its own test
# LOADER is Wine's 64-bit (/usr/lib/wine/wine64) or 32-bit (/usr/lib/wine/wine) loader, called
# directly: /usr/bin/wine prefers the 32-bit one when both are installed. The first run makes
# the prefix and checks it; runs that start together wait for it on a lock.
# --gtest (the test programs' option): PROGRAM is a GoogleTest program, run once; its verdict
# is its own XML report's, never a second run's. The report must count its tests and no
# failure, and the program must exit with 0, or with the code that the host's dynamic loader
# takes away when it fails an assertion as Wine exits (after the program has ended and its
# report is written): that fault is the host's, and the test counts as passed.
set -euo pipefail

readonly kLoaderFault='^Inconsistency detected by ld.so: dl-fini.c'

# gtest_verdict STATUS REPORT ERRORS: 0 when passed, else 1, saying why.
gtest_verdict() {
  local status=$1 report=$2 errors=$3 head tests failures faults
  if ! head=$(grep -m1 -o '<testsuites [^>]*>' "$report" 2>/dev/null); then
    echo "wine-run: FAILED: the program wrote no test report (exit code $status)" >&2
    return 1
  fi
  attribute() { sed -n "s/.* $1=\"\([0-9]*\)\".*/\1/p" <<<"$head"; }
  tests=$(attribute tests) failures=$(attribute failures) faults=$(attribute errors)
  if [[ -z $tests || $tests == 0 || $failures != 0 || ${faults:-0} != 0 ]]; then
    echo "wine-run: FAILED: the report counts ${tests:-no} tests, ${failures:-?} failed" >&2
    return 1
  fi
  [[ $status == 0 ]] && return 0
  # The loader reports its fault and ends the process with 127.
  if [[ $status == 127 ]] && grep -q "$kLoaderFault" "$errors"; then
    echo "wine-run: the host's dynamic loader failed as Wine exited (exit code $status), after" \
         "the report of $tests tests passed: passed" >&2
    return 0
  fi
  echo "wine-run: FAILED: exit code $status, although the report says all $tests tests passed" >&2
  return 1
}

if [ "${1:-}" = "--verdict" ]; then
  gtest_verdict "$2" "$3" "$4"
  exit
fi
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
# Wine names the prefix's files in the locale's character set: under the C locale (a fresh
# machine, or a login without LANG) a name beyond ASCII cannot be made at all. One UTF-8 locale,
# always there, so that the programs meet the same files and code pages on every machine.
export LC_ALL=C.UTF-8
unset LANGUAGE
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
    # Drive R: is a CD-ROM drive over an empty folder, for the tests of drive kinds. Wine's mount
    # manager reads the kind from the registry's 64-bit view; a 32-bit loader's reg.exe writes
    # the 32-bit view unless told (/reg:64), and the drive would stay a fixed one. Windows'
    # own answer is checked before the prefix is used.
    mkdir -p "$prefix/cdrom"
    ln -sfn ../cdrom "$prefix/dosdevices/r:"
    "$loader" reg add 'HKLM\Software\Wine\Drives' /v r: /t REG_SZ /d cdrom /f /reg:64 \
      </dev/null >/dev/null 2>&1 || { echo "wine-run: reg add failed in $prefix" >&2; exit 1; }
    "${loader%/*}/wineserver" -w || true
    kinds=$("$loader" wmic logicaldisk get name,drivetype </dev/null 2>/dev/null | tr -d '\0\r')
    if ! grep -Eq '^5 +R:' <<<"$kinds"; then
      echo "wine-run: drive R: of the Wine prefix $prefix is not a CD-ROM drive (kind 5):" \
           "$kinds" >&2
      exit 1
    fi
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
if [ "${1:-}" != "--gtest" ]; then exec "$loader" "$@"; fi
shift
report=$(mktemp --suffix=.xml)
errors=$(mktemp)
trap 'rm -f "$report" "$errors"' EXIT
status=0
# The report's path as the Windows program sees it: drive Z: is the host's root.
"$loader" "$@" "--gtest_output=xml:Z:${report//\//\\}" 2>"$errors" || status=$?
cat "$errors" >&2
gtest_verdict "$status" "$report" "$errors"
