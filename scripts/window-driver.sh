# Drives the program's main window on an X display through xdotool, for the end-to-end runs of
# the Qt and the Win32 program and for rater-runs.sh. Sourced, not run.
# find_window_geometry reads the window named by wid; the clicks then go to designed
# client-area positions, scaled as the window is.

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
