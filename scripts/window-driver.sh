# Drives the program's main window on an X display through xdotool, for the end-to-end runs of
# the Qt and the Win32 program and for rater-runs.sh. Sourced, not run. The caller defines
# fail (report and exit), names the program's log in log, and keeps the program started last
# in pid. await_main_window finds its window; the clicks then go to designed client-area
# positions, scaled as the window is.

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
