#!/usr/bin/env bash
# End-to-end run of the real program under a virtual X server, driven by real keystrokes and
# mouse clicks through xdotool. A whole run by the keyboard alone: the ID typed over the
# selected prompt, Tab to Start, Space, and each of the 100 trials rated with Space or the arrow
# keys and followed by Tab to Next and Space. Then the results file, the sealed file and its
# unsealing, and the program's exit code are checked. Before that, a run parameter that does
# not convert must bring up the error box and, once it is dismissed, end the program with exit
# code 1. After it, runs by the mouse: two at once, and one at a file-size limit.
#
#   e2e_run.sh TALVEX TALVEX_UNSEAL                 the whole run (exit 77: skipped)
#   e2e_run.sh TALVEX TALVEX_UNSEAL --resume        a default run killed after press 40,
#                                                   answered Yes in two programs at once and
#                                                   continued by one of them
#   e2e_run.sh TALVEX --screenshots DIR             the screen and the main window at start,
#                                                   the main window during a trial, the About
#                                                   window over it, as PNG files
set -euo pipefail

readonly kSkipped=77
source "$(dirname "$0")/../../scripts/window-driver.sh"

if [[ "${1:-}" == --inside ]]; then
  inside=1
  shift
else
  inside=0
fi
program=$1
shift
if [[ "${1:-}" == --screenshots ]]; then
  mode=screenshots
  shots=$2
else
  mode=run
  unseal=${1:-}
  if [[ "${2:-}" == --resume ]]; then mode=resume; fi
fi

fail() {
  echo "e2e: FAILED: $*" >&2
  exit 1
}

if [[ $inside == 0 ]]; then
  skip_without_x_tools "$mode"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # The program folder is the work folder, so the results folder is made inside it.
  cp "$program" "$work/talvex"
  mkdir -p "$work/home/Desktop" "$work/tmp" "$work/runtime"
  chmod 700 "$work/runtime"
  export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local
  export XDG_RUNTIME_DIR=$work/runtime TMPDIR=$work/tmp
  unset QT_QPA_PLATFORM
  if [[ $mode == screenshots ]]; then
    mkdir -p "$shots"
    shots=$(cd "$shots" && pwd)
    extra=(--screenshots "$shots")
  elif [[ $mode == resume ]]; then
    extra=("$unseal" --resume)
  else
    extra=("$unseal")
  fi
  # The runs put two windows side by side; the screenshots show the usual screen.
  screen=1700x900x24
  [[ $mode == screenshots ]] && screen=1024x768x24
  # A display number from a random start, so that runs side by side do not pick the same one.
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 $screen" "$0" --inside \
    "$work/talvex" "${extra[@]}"
fi

# --- inside the virtual X server ---------------------------------------------------------
work=$(dirname "$program")
log=$work/program.log

# What the program is started through (empty: directly).
launch=()
# Two instances run at once: each one's window is found by its process.
by_pid=1

start_program() {
  "${launch[@]}" "$program" "$@" >>"$log" 2>&1 &
  pid=$!
  await_main_window
}

# Keeps the values of the program started last under a name (save_as A), and makes the
# program kept under a name the one that clicks go to (use A).
save_as() { eval "${1}_pid=$pid ${1}_wid=$wid ${1}_x=$originX ${1}_y=$originY ${1}_scale=$scale"; }
use() { eval "pid=\$${1}_pid wid=\$${1}_wid originX=\$${1}_x originY=\$${1}_y scale=\$${1}_scale"; }

# Whether the program shows a message or error box now; sets box.
box_shown() {
  box=$(xdotool search --all --onlyvisible --pid "$pid" --name '^Talvex$' 2>/dev/null |
    head -n 1 || true)
  [[ -n $box ]]
}

# Dismisses the box found by box_shown with the Return key. A box can be found before the
# server has made it viewable, when it cannot take the focus yet (BadMatch): try again.
dismiss_box() {
  for _ in $(seq 50); do
    xdotool windowfocus --sync "$box" key Return 2>/dev/null && return 0
    sleep 0.1
  done
  fail "the box $box could not be given the focus"
}

if [[ $mode == screenshots ]]; then
  # Exposure 0: the image stays until it is rated.
  start_program 0 0 0 0
  import -window root "$shots/screen-start.png"
  import -window "$wid" "$shots/main-window-start.png"
  type_id m2B33
  click_button2
  sleep 0.7
  import -window "$wid" "$shots/main-window-trial.png"
  click_rating 2
  sleep 0.3
  # Help > About, through the menu bar's first entry and the keyboard.
  xdotool mousemove --sync "$((X + 20))" "$((Y + menu / 2))" click 1
  sleep 0.3
  xdotool key Down Down Return
  sleep 1
  about=$(xdotool search --name '^About$' | head -n 1 || true)
  [[ -n $about ]] || fail "Help > About showed no window titled \"About\""
  import -window root "$shots/screen-about.png"
  import -window "$about" "$shots/about-window.png"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "e2e: screenshots in $shots"
  exit 0
fi

# Dismisses the message or question box the program shows within 10 s with its default button.
answer_box() {
  for _ in $(seq 100); do
    box_shown && break
    sleep 0.1
  done
  box_shown || fail "no box $1"
  sleep 0.3
  xdotool windowfocus --sync "$box" key Return
}

if [[ $mode == resume ]]; then
  # A default run (126 trials, desktop copy on), killed after press 40 of Next.
  start_program
  type_id resumer
  click_button2
  for trial in $(seq 40); do
    rate_and_next $((trial % 5 + 1))
  done
  # Killed once the 40th row is in the file.
  for _ in $(seq 100); do
    (($(cat "$work"/results/resumer*.xls | wc -l) >= 42)) && break
    sleep 0.1
  done
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  shopt -s nullglob
  results=("$work"/results/resumer*.xls)
  runs=("$work"/results/resumer*.run)
  [[ ${#results[@]} == 1 ]] || fail "expected one results file, found ${#results[@]}"
  [[ ${#runs[@]} == 1 ]] || fail "expected one run file beside it, found ${#runs[@]}"
  [[ $(wc -l <"${results[0]}") == 42 ]] || fail "the killed run wrote $(wc -l <"${results[0]}") lines"
  cp "${runs[0]}" "$work/plan.run"

  # The same ID in two programs side by side: both ask, and both questions are answered Yes
  # (the default button) at once. One program continues the run; the other says that the run
  # is being continued in another window, writes nothing and waits at the ID.
  # Both IDs are typed before either Start: a question box, centred on the screen, may cover
  # the other window's ID field.
  start_program -qwindowgeometry +0+0
  type_id resumer
  save_as A
  start_program -qwindowgeometry +850+0
  type_id resumer
  save_as B
  for run in A B; do
    use $run
    click_button2
    for _ in $(seq 100); do
      box_shown && break
      sleep 0.1
    done
    box_shown || fail "no question in program $run"
    eval "${run}_question=$box"
  done
  sleep 0.3
  xdotool windowfocus --sync "$A_question" key Return windowfocus --sync "$B_question" key Return
  loser=
  for _ in $(seq 100); do
    for run in A B; do
      use $run
      eval "question=\$${run}_question"
      if box_shown && [[ $box != "$question" ]]; then
        loser=$run
        break 2
      fi
    done
    sleep 0.1
  done
  [[ -n $loser ]] || fail "neither program said that the other one continues the run"
  sleep 0.3
  dismiss_box
  [[ $loser == A ]] && winner=B || winner=A
  use $winner
  box_shown && fail "both programs refused the run"
  # Trials 41 to 126 in the program that took the run.
  for trial in $(seq 41 126); do
    rate_and_next $((trial % 5 + 1))
  done
  answer_box "saying where the sealed file is"
  wait_exit "after the last trial of the continued run"
  [[ $code == 0 ]] || fail "exit code $code; log: $(cat "$log")"

  now=("$work"/results/*.xls)
  [[ ${#now[@]} == 1 && ${now[0]} == "${results[0]}" ]] ||
    fail "the continued run did not stay in its results file: ${now[*]}"
  [[ $(wc -l <"${results[0]}") == 128 ]] || fail "$(wc -l <"${results[0]}") lines, not 128"
  awk -F '\t' 'NR > 2 { if (NF != 8 || $4 != NR - 2 || $7 != (NR - 2) % 5 + 1) bad = 1 }
    END { exit bad }' "${results[0]}" || fail "rows do not run 1 to 126 with the ratings clicked"
  # The other program is still waiting at the ID, having written nothing.
  use $loser
  kill -0 "$pid" 2>/dev/null || fail "the program that did not take the run has ended"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  # Every planned entry exactly once: the plan's resource names as the rows report them.
  sed -n 's/^RESOURCES_\(POS\|NEG\)_\([GC]\)__\([0-9]*\)__BMP\r$/\1\t\2 (\3).ccc/p' \
    "$work/plan.run" | sed 's/^POS\tG/pos\tg/; s/^NEG\tC/neg\tc/' | sort >"$work/planned"
  awk -F '\t' 'NR > 2 { print $5 "\t" $6 }' "${results[0]}" | sort >"$work/shown"
  [[ $(wc -l <"$work/planned") == 126 ]] || fail "the run file planned $(wc -l <"$work/planned") trials"
  cmp -s "$work/planned" "$work/shown" || fail "the rows do not show the planned entries once each"
  runs=("$work"/results/*.run)
  [[ ${#runs[@]} == 0 ]] || fail "the run file is left after the sealing: ${runs[*]}"
  desktop=("$HOME"/Desktop/resumer*.enc)
  [[ ${#desktop[@]} == 1 ]] || fail "no desktop copy of the sealed file"
  mkdir -p "$work/unsealed"
  "$unseal" -o "$work/unsealed" "${desktop[0]}" >/dev/null
  unsealed=("$work"/unsealed/*)
  cmp -s "${unsealed[0]}" "${results[0]}" || fail "the sealed file does not open to the results file"
  echo "e2e: a default run killed after 40 trials, answered Yes in two programs at once, was" \
    "continued by one to 126 rows and sealed whole"
  exit 0
fi

# A run parameter that does not convert: the error box, then the end without a main window.
"$program" 10x 0.1 0.3 1 >"$log" 2>&1 &
pid=$!
box=
for _ in $(seq 100); do
  box_shown && break
  sleep 0.1
done
[[ -n $box ]] || fail "no error box for an invalid run parameter; log: $(cat "$log")"
[[ -z "$(xdotool search --name '^Talvex 2010$' 2>/dev/null || true)" ]] ||
  fail "the main window was shown after a failed set-up"
dismiss_box
wait_exit "when its error box was dismissed"
[[ $code == 1 ]] || fail "exit code $code after a failed set-up, not 1"

started=$(date +%s)
start_program 50 0 0 0
give_keyboard
key_start e2eRater
for trial in $(seq 100); do
  key_rate_and_next $((trial % 5 + 1))
done

# The last Next seals the results and ends the program.
wait_exit "after the last trial"
[[ $code == 0 ]] || fail "exit code $code; log: $(cat "$log")"

check_run_files "$work/results" e2eRater "50 0 0 0" 100 "${unseal:-}"
# Desktop copy switched off by the fourth value.
shopt -s nullglob
desktop=("$HOME"/Desktop/*)
[[ ${#desktop[@]} == 0 ]] || fail "a desktop copy was made: ${desktop[*]}"
echo "e2e: 100 trials by the keyboard alone in $(($(date +%s) - started)) s; results, sealed" \
  "file and exit code correct"

# Two programs, one rater ID, one minute: each run has a results file of its own, made at
# Start, and the rows of the two never mix.
# Both Starts must fall in one minute, so that both runs want the same name: when the minute
# turned between them (the second file is not the numbered one), both are started again.
for attempt in 1 2 3; do
  rm -rf "$work/results"
  start_program -qwindowgeometry +0+0 50 0 0 0
  save_as A
  start_program -qwindowgeometry +850+0 50 0 0 0
  save_as B
  for run in A B; do
    use $run
    type_id twin
    click_button2
  done
  sleep 0.3
  numbered=("$work"/results/twin*" (2).xls")
  ((${#numbered[@]} == 1)) && break
  [[ $attempt == 3 ]] && fail "two Starts of one ID did not meet the same name three times"
  for run in A B; do
    use $run
    kill "$pid"
    wait "$pid" 2>/dev/null || true
  done
done
for trial in 1 2 3; do
  for run in A B; do
    use $run
    rate_and_next 2
  done
done
for run in A B; do
  use $run
  kill "$pid"
  wait "$pid" 2>/dev/null || true
done
twins=("$work"/results/twin*.xls)
[[ ${#twins[@]} == 2 ]] || fail "two runs of one ID in one minute wrote ${#twins[@]} results file(s)"
for file in "${twins[@]}"; do
  [[ $(wc -l <"$file") == 5 ]] || fail "$(basename "$file"): $(wc -l <"$file") lines, not 5"
  awk -F '\t' 'NR > 2 && $4 != NR - 2 { bad = 1 } END { exit bad }' "$file" ||
    fail "$(basename "$file"): the rows of two runs are mixed"
done
echo "e2e: two runs of one ID in one minute keep two results files"

# A file-size limit of 1 KiB (the signal's default action restored, as in a login shell): the
# press that meets it gets an error box, the program runs on, the file keeps whole rows only,
# and Next tries the row again.
rm -rf "$work/results"
launch=(env --default-signal=SIGXFSZ bash -c 'ulimit -f 1 && exec "$0" "$@"')
start_program 50 0 0 0
launch=()
type_id limited
click_button2
refused=0
for trial in $(seq 40); do
  rate_and_next 3
  # The press is done when its row is in the file or its error box shows.
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || fail "the program ended at a file-size limit, at trial $trial"
    box_shown && break
    (($(cat "$work"/results/limited*.xls | wc -l) >= trial + 2)) && break
    sleep 0.05
  done
  if box_shown; then
    refused=$trial
    break
  fi
done
[[ $refused != 0 ]] || fail "40 rows went into a file limited to 1 KiB"
limited=("$work"/results/limited*.xls)
size=$(stat -c %s "${limited[0]}")
for attempt in first retry; do
  box_shown || fail "no error box at the $attempt refused row"
  dismiss_box
  sleep 0.3
  kill -0 "$pid" 2>/dev/null || fail "the program ended after the $attempt refused row"
  [[ $attempt == retry ]] && break
  click_button2
  sleep 0.3
done
[[ $(stat -c %s "${limited[0]}") == "$size" ]] || fail "the retry changed the limited file"
[[ $(tail -c 2 "${limited[0]}" | od -An -tx1 | tr -d ' \n') == 0d0a ]] ||
  fail "the limited file ends in a torn row"
awk -F '\t' -v rows=$((refused - 1)) \
  'NR > 2 && (NF != 8 || $4 != NR - 2) { bad = 1 } END { exit bad || NR != rows + 2 }' \
  "${limited[0]}" || fail "the limited file does not hold rows 1 to $((refused - 1)) whole"
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "e2e: a file-size limit refuses row $refused whole; the program runs on"
