#!/usr/bin/env bash
# Whole runs of the real program by simulated raters who look at the screen: under a virtual X
# server, for each rater ID the program is started, the ID typed and Start pressed; for every
# trial the picture area is captured and the share of near-white pixels (the cup of the optic
# disc; damaged discs have larger cups) turned into a rating on the five buttons, with each
# rater's own threshold and a little noise, then Next is pressed. The results files and sealed
# files of the runs are copied into OUTDIR, for talvex-report.
#
#   scripts/rater-runs.sh TALVEX OUTDIR [--params "E P N D"] ID...
#
# Needs xvfb-run, xauth, xdotool and ImageMagick (scripts/install-deps.sh has them).
set -euo pipefail

if [[ "${1:-}" == --inside ]]; then
  inside=1
  shift
else
  inside=0
fi
if [[ $# -lt 3 ]]; then
  echo "usage: $0 TALVEX OUTDIR [--params \"E P N D\"] ID..." >&2
  exit 2
fi
program=$1
out=$2
shift 2
params="10000 0.1 0.3 0"
if [[ "$1" == --params ]]; then
  params=$2
  shift 2
fi

fail() {
  echo "rater-runs: FAILED: $*" >&2
  exit 1
}

if [[ $inside == 0 ]]; then
  for tool in xvfb-run xdotool xauth import convert; do
    command -v "$tool" >/dev/null || fail "$tool is missing"
  done
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  program=$(realpath "$program")
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/home/Desktop" "$work/tmp" "$work/runtime"
  chmod 700 "$work/runtime"
  export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local
  export XDG_RUNTIME_DIR=$work/runtime TMPDIR=$work/tmp RATER_WORK=$work
  unset QT_QPA_PLATFORM
  xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside "$program" "$out" --params "$params" "$@"
  exit 0
fi

# --- inside the virtual X server ---------------------------------------------------------
work=$RATER_WORK
source "$(dirname "$0")/window-driver.sh"

log=$work/program.log
start_program() {
  "$1" $params >"$log" 2>&1 &
  pid=$!
  await_main_window
}

# A designed client-area length or position in screen pixels.
scaled() { awk -v d="$1" -v s="$scale" 'BEGIN { printf "%d", int(d * s + 0.5) }'; }


# The share of near-white pixels in the picture area (Image1: 7, 32, 410 x 350), in 1/10000.
cup_share() {
  import -window root -crop "$(scaled 410)x$(scaled 350)+$((originX + $(scaled 7)))+$((originY + $(scaled 32)))" \
    "$work/shot.png"
  convert "$work/shot.png" -colorspace Gray -threshold 80% -format '%[fx:int(mean * 10000)]' info:
}

rater=0
for id in "$@"; do
  rater=$((rater + 1))
  folder=$work/run-$rater
  mkdir -p "$folder"
  cp "$program" "$folder/talvex"
  start_program "$folder/talvex"
  type_id "$id"
  # Each rater has a threshold of their own: a stricter or a more lenient reader.
  RANDOM=$((rater * 7919))
  strict=$((20 + 15 * (rater % 4)))
  trials=0
  click_button2
  while kill -0 "$pid" 2>/dev/null; do
    sleep 0.15
    share=$(cup_share)
    noise=$((RANDOM % 41 - 20))
    level=$((share + noise))
    if ((level < strict / 2)); then
      rating=1
    elif ((level < strict)); then
      rating=2
    elif ((level < 2 * strict)); then
      rating=3
    elif ((level < 4 * strict)); then
      rating=4
    else
      rating=5
    fi
    rate_and_next "$rating"
    trials=$((trials + 1))
    ((trials <= 400)) || fail "the run of $id did not end"
    sleep 0.1
  done
  wait "$pid" || fail "the program's exit code for $id was $?"
  cp "$folder"/results/*.xls "$folder"/results/*.enc "$out/"
  echo "rater-runs: $id: $trials trials" >&2
done
