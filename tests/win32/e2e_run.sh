#!/usr/bin/env bash
# End-to-end run of the Windows program under Wine on a virtual X server, driven by real
# keystrokes and mouse clicks through xdotool. First a run parameter that does not convert must
# bring up the error box and, once it is dismissed, end the program with exit code 1. Then a
# whole run by the keyboard alone: Start without an ID asks for one, the ID is typed over the
# selected prompt, Tab to Start, Space; Next without a rating asks for one; each of the 100
# trials is rated with Space or the arrow keys, then Tab to Next and Space. Then the results
# file, the sealed file (opened by the Linux talvex-unseal) and the exit code are checked. Last,
# a run by the mouse: three trials clicked, then the window closed. The boxes' texts are read
# from Wine's trace of its message boxes.
#
#   e2e_run.sh LOADER PREFIX TALVEX_EXE TALVEX_UNSEAL     the runs (exit 77: skipped)
#   e2e_run.sh LOADER PREFIX TALVEX_EXE --screenshots DIR the main window at start, during a
#                                                         trial and the About window, as PNG
# LOADER is Wine's 64-bit or 32-bit loader; PREFIX a Wine prefix for programs with windows.
set -euo pipefail

readonly kSkipped=77
here=$(cd "$(dirname "$0")" && pwd)
scripts=$(cd "$here/../../scripts" && pwd)
source "$scripts/window-driver.sh"

if [[ "${1:-}" == --inside ]]; then
  inside=1
  shift
else
  inside=0
fi
loader=$1 prefix=$2 program=$3
shift 3
if [[ "${1:-}" == --screenshots ]]; then
  mode=screenshots
  shots=$2
else
  mode=run
  unseal=${1:-}
fi

fail() {
  echo "e2e: FAILED: $*" >&2
  exit 1
}

if [[ $inside == 0 ]]; then
  if ! reason=$("$scripts/wine-run.sh" "$loader" --can-run 2>&1); then
    echo "e2e: skipped: $reason"
    exit $kSkipped
  fi
  skip_without_x_tools "$mode"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # The program folder is the work folder, so the results folder is made inside it.
  cp "$program" "$work/talvex.exe"
  if [[ $mode == screenshots ]]; then
    mkdir -p "$shots"
    shots=$(cd "$shots" && pwd)
    extra=(--screenshots "$shots")
    screen=1024x768x24
  else
    extra=("$unseal")
    screen=1280x1024x24
  fi
  status=0
  # A display number from a random start, so that runs side by side do not pick the same one.
  xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 $screen" "$0" --inside \
    "$loader" "$prefix" "$work/talvex.exe" "${extra[@]}" || status=$?
  # The prefix's Wine server goes with the display it was started on.
  "$scripts/wine-run.sh" "$loader" "$prefix" --stop
  exit $status
fi

# --- inside the virtual X server ---------------------------------------------------------
work=$(dirname "$program")
log=$work/program.log
export TALVEX_WINE_DISPLAY=1 TALVEX_WINEDEBUG=-all,+msgbox

# Starts the program under Wine with the given run values; sets pid (the Wine loader's), wid
# (the main window) and the client area's origin and scale.
start_program() {
  faults_before=$(loader_faults)
  "$scripts/wine-run.sh" "$loader" "$prefix" "$program" "$@" >>"$log" 2>&1 &
  pid=$!
  await_main_window 300
}

# Whether the host's dynamic loader failed an assertion as Wine exited, after the program had
# ended (a fault of the host, in the log once more than before): it takes the program's exit
# code with it (127), so the code cannot be checked, and the run's files are the test.
loader_faults() {
  if [[ -f $log ]]; then
    grep -c '^Inconsistency detected by ld.so: dl-fini.c' "$log" || true
  else
    echo 0
  fi
}
exit_code_lost() {
  [[ $code == 127 ]] && (($(loader_faults) > faults_before)) || return 1
  echo "e2e: exit code lost to the host loader's fault as Wine exited; not checked"
}

# Waits up to 10 s for a box titled "Talvex" (the message and error boxes); sets box.
wait_box() {
  box=
  for _ in $(seq 100); do
    box=$(xdotool search --all --onlyvisible --name '^Talvex$' 2>/dev/null | head -n 1 || true)
    [[ -n $box ]] && return 0
    sleep 0.1
  done
  fail "no box titled \"Talvex\" $1; log: $(cat "$log")"
}

# The text of the box shown last, as Wine's message box traces it when it opens (its text is
# not reachable from outside otherwise); sets text. boxes counts the boxes seen so far.
boxes=0
box_text() {
  local lines
  for _ in $(seq 50); do
    lines=$(grep -c 'MSGBOX_OnInit L"' "$log" || true)
    ((lines > boxes)) && break
    sleep 0.1
  done
  ((lines > boxes)) || fail "the box $box left no trace of its text"
  boxes=$lines
  text=$(grep -o 'MSGBOX_OnInit L".*"' "$log" | tail -n 1)
  text=${text#MSGBOX_OnInit L\"}
  text=${text%\"}
}

# Dismisses the box with the Return key, trying again while it cannot take the focus yet.
dismiss_box() {
  for _ in $(seq 50); do
    xdotool windowfocus --sync "$box" key Return 2>/dev/null && break
    sleep 0.1
  done
  for _ in $(seq 50); do
    xdotool search --all --onlyvisible --name '^Talvex$' 2>/dev/null | grep -qx "$box" || return 0
    sleep 0.1
  done
  fail "the box $box stayed after Return"
}

# Expects a box with the given text now, then dismisses it.
expect_box() {
  wait_box "$2"
  box_text
  [[ $text == "$1" ]] || fail "box \"$text\" $2, not \"$1\""
  dismiss_box
}

if [[ $mode == screenshots ]]; then
  # Exposure 0: the image stays until it is rated.
  start_program 0 0 0 0
  import -window "$wid" "$shots/windows-main-window-start.png"
  type_id m2B33
  click_button2
  sleep 1
  import -window "$wid" "$shots/windows-main-window-trial.png"
  click_rating 2
  sleep 0.3
  open_about_window
  import -window "$about" "$shots/windows-about-window.png"
  import -window root "$shots/windows-screen-about.png"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "e2e: screenshots in $shots"
  exit 0
fi

# A run parameter that does not convert: the error box, then the end without a main window.
faults_before=$(loader_faults)
"$scripts/wine-run.sh" "$loader" "$prefix" "$program" 10x 0.1 0.3 1 >>"$log" 2>&1 &
pid=$!
wait_box "for an invalid run parameter"
[[ -z "$(xdotool search --onlyvisible --name '^Talvex 2010$' 2>/dev/null || true)" ]] ||
  fail "the main window was shown after a failed set-up"
box_text
[[ $text == *. ]] || fail "the error box's text \"$text\" does not end in a full stop"
dismiss_box
wait_exit "when its error box was dismissed" 300
[[ $code == 1 ]] || exit_code_lost || fail "exit code $code after a failed set-up, not 1"
echo "e2e: an invalid run value gives the error box \"$text\" and exit code 1"

started=$(date +%s)
start_program 50 0 0 0
give_keyboard
# Start with the ID prompt still in the field: Tab past the ratings to Start, Space.
xdotool key --delay 20 Tab Tab space
expect_box "Enter your ID, please!" "at Start without an ID"
# The focus is back on Start: Shift+Tab past the ratings to the ID field, which selects its
# prompt, then the ID over it.
xdotool key --delay 20 shift+Tab shift+Tab
key_start e2eRater
sleep 0.5
# Next before any rating: from the ratings, where the focus went, Tab to Next and Space; then
# Shift+Tab back to the ratings.
xdotool key --delay 20 Tab space
expect_box "Please enter your rating!" "at Next without a rating"
xdotool key --delay 20 shift+Tab
for trial in $(seq 100); do
  key_rate_and_next $((trial % 5 + 1))
done

# The last Next seals the results and ends the program.
wait_exit "after the last trial" 300
[[ $code == 0 ]] || exit_code_lost || fail "exit code $code; log: $(cat "$log")"
check_run_files "$work/results" e2eRater "50 0 0 0" 100 "${unseal:-}"
echo "e2e: 100 trials by the keyboard alone in $(($(date +%s) - started)) s; results, sealed" \
  "file and exit code correct"

# By the mouse: the ID field clicked and typed into, Start, three trials clicked; the window
# closed then (Alt+F4) keeps the three rows and seals nothing.
rm -rf "$work/results"
start_program 50 0 0 0
type_id mouseRater
click_button2
for trial in 1 2 3; do
  rate_and_next $((trial % 5 + 1))
done
sleep 0.5
give_keyboard
xdotool key alt+F4
wait_exit "when its window was closed" 300
shopt -s nullglob
mouse=("$work"/results/mouseRater*.xls)
closed=("$work"/results/*.enc)
shopt -u nullglob
[[ ${#mouse[@]} == 1 && $(wc -l <"${mouse[0]}") == 5 ]] || fail "the mouse run's rows: ${mouse[*]}"
awk -F '\t' 'NR > 2 && ($4 != NR - 2 || $7 != (NR - 2) % 5 + 1) { bad = 1 } END { exit bad }' \
  "${mouse[0]}" || fail "the mouse run's rows do not carry the ratings clicked"
[[ ${#closed[@]} == 0 ]] || fail "closing the window mid-run sealed the results"
echo "e2e: 3 trials by the mouse, then the window closed: rows kept, nothing sealed"
