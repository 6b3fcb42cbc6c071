#!/usr/bin/env bash
# A study's talvex.exe made by stamping, run whole under Wine on a virtual X server: the Linux
# talvex-pack stamps a few of the sample pictures and a settings file into the built program,
# a rater types an ID and rates every trial (run values 50 0 0 0: no repeats), and the results
# file's rows must name exactly the folder's trial images, each once.
#   stamped_run.sh LOADER PREFIX TALVEX_EXE PACK_TOOL SAMPLES SETTINGS [--screenshots DIR]
# With --screenshots the stamped program's main window and About window are saved as PNG
# instead of the run. Exit code 77: skipped.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
scripts=$(cd "$here/../../scripts" && pwd)
source "$scripts/window-driver.sh"

inside=0
if [[ ${1:-} == --inside ]]; then
  inside=1
  shift
fi
loader=$1 prefix=$2 program=$3 pack=$4 samples=$5 settings=$6
shots=
[[ ${7:-} == --screenshots ]] && shots=$8

fail() {
  echo "stamped-run: FAILED: $*" >&2
  exit 1
}

readonly kTrialImages=(RESOURCES_POS_G__2__BMP RESOURCES_POS_G__11__BMP RESOURCES_NEG_C__0__BMP
  RESOURCES_NEG_C__5__BMP RESOURCES_NEG_C__40__BMP)

if [[ $inside == 0 ]]; then
  if ! reason=$("$scripts/wine-run.sh" "$loader" --can-run 2>&1); then
    echo "stamped-run: skipped: $reason"
    exit 77
  fi
  skip_without_x_tools "${shots:+screenshots}"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir "$work/images"
  for name in RESOURCES_BLANK_BMP RESOURCES_TALVEX2_BMP "${kTrialImages[@]}"; do
    cp "$samples/$name.jpg" "$work/images/"
  done
  "$pack" stamp "$program" "$work/images" "$work/talvex.exe" --settings "$settings" >/dev/null
  [[ -n $shots ]] && mkdir -p "$shots" && shots=$(cd "$shots" && pwd)
  status=0
  xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1024x768x24" "$0" --inside \
    "$loader" "$prefix" "$work/talvex.exe" "$pack" "$samples" "$settings" \
    ${shots:+--screenshots "$shots"} || status=$?
  "$scripts/wine-run.sh" "$loader" "$prefix" --stop
  exit $status
fi

# --- inside the virtual X server ---------------------------------------------------------
work=$(dirname "$program")
log=$work/program.log
export TALVEX_WINE_DISPLAY=1
"$scripts/wine-run.sh" "$loader" "$prefix" "$program" 50 0 0 0 >>"$log" 2>&1 &
pid=$!
await_main_window 300

if [[ -n $shots ]]; then
  import -window "$wid" "$shots/stamped-main-window.png"
  open_about_window
  import -window "$about" "$shots/stamped-about-window.png"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "stamped-run: screenshots in $shots"
  exit 0
fi

type_id stampRater
click_button2
sleep 0.5
for trial in $(seq ${#kTrialImages[@]}); do
  rate_and_next $((trial % 5 + 1))
done
wait_exit "after the last trial" 300

shopt -s nullglob
results=("$work"/results/*.xls)
[[ ${#results[@]} == 1 ]] || fail "expected one results file, found ${#results[@]}; log: $(cat "$log")"
# The rows' status and image columns, against the folder's trial images: pos g (n).ccc and
# neg c (n).ccc.
got=$(tail -n +3 "${results[0]}" | tr -d '\r' | cut -f 5,6 | sort)
expected=$(printf '%s\n' "${kTrialImages[@]}" |
  sed -E 's/^RESOURCES_(POS|NEG)_([A-Z])__([0-9]+)__BMP$/\1\t\2 (\3).ccc/' |
  tr 'A-Z' 'a-z' | sort)
[[ $got == "$expected" ]] || fail "the rows name
$got
not the folder's images
$expected"
sealed=("$work"/results/*.enc)
[[ ${#sealed[@]} == 1 ]] || fail "expected one sealed file, found ${#sealed[@]}"
echo "stamped-run: ${#kTrialImages[@]} trials of the stamped set rated; the rows name its images"
