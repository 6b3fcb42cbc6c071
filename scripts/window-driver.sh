# Drives the program's main window on an X display through xdotool, for the end-to-end runs of
# the Qt and the Win32 program and for rater-runs.sh. Sourced, not run. The caller defines
# fail (report and exit), names the program's log in log, and keeps the program started last
# in pid. await_main_window finds its window; the clicks then go to designed client-area
# positions, scaled as the window is, and the keys to the control that has the focus.
# check_run_files checks what a whole run leaves, the same way for both programs.

# Exits with 77 (skipped) when a tool of the runs is missing; $1 screenshots: ImageMagick's
# import too.
skip_without_x_tools() {
  local tool
  for tool in xvfb-run xdotool xauth; do
    command -v "$tool" >/dev/null || { echo "e2e: $tool is missing; skipped"; exit 77; }
  done
  if [[ ${1:-} == screenshots ]] && ! command -v import >/dev/null; then
    echo "e2e: import (ImageMagick) is missing; skipped"
    exit 77
  fi
}

# Waits up to $1 tenths of a second (default 100) for the main window, "Talvex 2010", of the
# program started last to show: of process pid when by_pid is set, else any (Wine's windows
# belong to other processes than the one started); sets wid and then the window's geometry.
# Fails when the program ends first.
await_main_window() {
  local search=(xdotool search --all --onlyvisible)
  [[ -n ${by_pid:-} ]] && search+=(--pid "$pid")
  wid=
  for _ in $(seq "${1:-100}"); do
    wid=$("${search[@]}" --name '^Talvex 2010$' 2>/dev/null | head -n 1 || true)
    [[ -n $wid ]] && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended at start-up: $(cat "$log")"
    sleep 0.1
  done
  [[ -n $wid ]] || fail "no window titled \"Talvex 2010\""
  sleep 0.5
  find_window_geometry
}

# Waits up to $2 tenths of a second (default 200) for the program pid to end, killing it and
# failing if it does not; $1 says when, for the message. Sets code to its exit code.
wait_exit() {
  for _ in $(seq "${2:-200}"); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    fail "the program did not end $1; log: $(cat "$log")"
  fi
  set +e
  wait "$pid"
  code=$?
  set -e
}

# The main window's place and scale; sets scale, menu, originX and originY (and X, Y, WIDTH,
# HEIGHT). The window is the designed client area (634 x 448, scaled) with the menu bar above.
find_window_geometry() {
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  scale=$(awk -v w="$WIDTH" 'BEGIN { printf "%.4f", w / 634 }')
  menu=$(awk -v h="$HEIGHT" -v s="$scale" 'BEGIN { printf "%d", h - int(448 * s + 0.5) }')
  originX=$X
  originY=$((Y + menu))
}

# Where a designed client-area position is on the screen; sets px and py.
screen_at() {
  px=$(awk -v o="$originX" -v d="$1" -v s="$scale" 'BEGIN { printf "%d", o + int(d * s + 0.5) }')
  py=$(awk -v o="$originY" -v d="$2" -v s="$scale" 'BEGIN { printf "%d", o + int(d * s + 0.5) }')
}

# Clicks at a designed client-area position. The X server takes the pointer's move and the
# click in the order sent, so the click lands where the pointer went.
click_at() {
  screen_at "$1" "$2"
  xdotool mousemove "$px" "$py" click 1
}

# Designed centres of the controls (left + width / 2, top + height / 2); rating sets centre to
# the centre of rating $1 (1 to 5).
edit1=(156 418)
button2=(525 326)
rating() { centre=(490 $((88 + 40 * ($1 - 1)))); }

click_edit1() { click_at "${edit1[@]}"; }
click_button2() { click_at "${button2[@]}"; }
click_rating() { rating "$1" && click_at "${centre[@]}"; }

# One trial: rating $1, then Next, in one run of xdotool, whose start-up takes longer than the
# program's answer to either click.
rate_and_next() {
  local rx ry
  rating "$1" && screen_at "${centre[@]}"
  rx=$px ry=$py
  screen_at "${button2[@]}"
  xdotool mousemove "$rx" "$ry" click 1 mousemove "$px" "$py" click 1
}

type_id() {
  click_edit1
  xdotool type --delay 20 "$1"
}

# The keyboard alone, as a rater without a mouse uses it. The virtual display runs no window
# manager, which would give a new window the keyboard; give_keyboard does that.
give_keyboard() {
  for _ in $(seq 50); do
    xdotool windowfocus --sync "$wid" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "the main window $wid could not be given the keyboard"
}

# Types the ID over the prompt, which is selected in the ID field that has the focus, then Tab
# to Start (past the ratings, one stop) and Space.
key_start() {
  xdotool type --delay 20 "$1"
  xdotool key --delay 20 Tab Tab space
}

# One trial, with the focus on the first rating, where it goes when Start or Next is pressed:
# Down to the rating (Windows picks each rating the arrow keys reach, Qt only moves the focus
# while none is picked), Space to pick it; Tab to Next, Space. Keys are handled in the order
# sent, so one run of xdotool sends them all.
key_rate_and_next() {
  local keys=()
  for _ in $(seq 2 "$1"); do keys+=(Down); done
  xdotool key --delay 20 "${keys[@]}" space Tab space
}

# Opens Help > About through the menu bar's first entry and the keyboard; sets about to its
# window. Fails when no window titled "About" shows.
open_about_window() {
  xdotool mousemove --sync "$((X + 15))" "$((Y + menu / 2))" click 1
  sleep 0.5
  xdotool key Down Down Return
  about=
  for _ in $(seq 50); do
    about=$(xdotool search --all --onlyvisible --name '^About$' 2>/dev/null | head -n 1 || true)
    [[ -n $about ]] && break
    sleep 0.1
  done
  [[ -n $about ]] || fail "Help > About showed no window titled \"About\""
  sleep 1
}

# Checks the files of a whole run in the results folder $1: one results file named after the
# ID $2, in CR LF lines: the parameter line $3, the header and $4 rows, row n carrying the ID,
# a date, a time, n, the image and the rating n % 5 + 1 (as rate_and_next and key_rate_and_next
# are given them) with a latency in whole milliseconds; and one sealed file of the same length
# that the talvex-unseal of the build machine, $5, opens to the results file. Fails without it.
# A latency may be below 0 on Linux: the X server stamps a key that the driver typed ahead of
# the picture before the picture's onset.
check_run_files() {
  local folder=$1 id=$2 params=$3 trials=$4 unseal=$5
  local results sealed unsealed lines
  shopt -s nullglob
  results=("$folder"/*.xls)
  sealed=("$folder"/*.enc)
  shopt -u nullglob
  [[ ${#results[@]} == 1 ]] || fail "expected one results file, found ${#results[@]}"
  [[ ${#sealed[@]} == 1 ]] || fail "expected one sealed file, found ${#sealed[@]}"
  [[ "$(basename "${results[0]}")" == "$id "*.xls ]] || fail "results file ${results[0]}"
  lines=$(wc -l <"${results[0]}")
  [[ $lines == $((trials + 2)) ]] || fail "results file has $lines lines, not $((trials + 2))"
  # Every line ends in CR LF, and none holds a CR elsewhere.
  [[ $(tr -cd '\r' <"${results[0]}" | wc -c) == "$lines" ]] || fail "lines do not end in CR LF"
  awk '!/\r$/ { bad = 1 } END { exit bad }' "${results[0]}" || fail "a line without CR LF"
  [[ "$(head -n 1 "${results[0]}")" == "$params"$'\r' ]] || fail "parameter line"
  local header=$'name\tdate\ttime\tn\tstatus\timgname\tresponse\tlatency\r'
  [[ "$(sed -n 2p "${results[0]}")" == "$header" ]] ||
    fail "header line: $(sed -n 2p "${results[0]}")"
  awk -F '\t' -v id="$id" 'NR > 2 {
      sub(/\r$/, "")
      if (NF != 8 || $1 != id || $2 == "" || $3 == "" || $4 != NR - 2 || $5 == "" ||
          $6 == "" || $7 != (NR - 2) % 5 + 1 || $8 !~ /^-?[0-9]+$/) {
        print "line " NR ": " $0
        exit 1
      }
    }' "${results[0]}" >"$folder/bad-row" ||
    fail "rows do not carry the ID, date, time, trial number, image and rating: $(cat "$folder/bad-row")"
  rm -f "$folder/bad-row"
  [[ $(stat -c %s "${sealed[0]}") == $(stat -c %s "${results[0]}") ]] ||
    fail "the sealed file's length differs from the results file's"
  cmp -s "${sealed[0]}" "${results[0]}" && fail "the sealed file is the results file unchanged"
  [[ -n $unseal && -x $unseal ]] || fail "no talvex-unseal of the build machine at \"$unseal\""
  rm -rf "$folder/unsealed" && mkdir "$folder/unsealed"
  "$unseal" -o "$folder/unsealed" "${sealed[0]}" >/dev/null
  shopt -s nullglob
  unsealed=("$folder"/unsealed/*)
  shopt -u nullglob
  [[ ${#unsealed[@]} == 1 ]] || fail "talvex-unseal wrote ${#unsealed[@]} files"
  cmp -s "${unsealed[0]}" "${results[0]}" || fail "unsealing does not give back the results file"
  rm -rf "$folder/unsealed"
}
