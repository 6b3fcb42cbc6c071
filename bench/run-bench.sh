#!/usr/bin/env bash
# Runs the benchmark suite and prints one table of figures, each beside its target. The table,
# with the machine it came from and the image store's micro-benchmarks, is also written to
# BUILD_DIR/bench-results.txt.
#   bench/run-bench.sh BUILD_DIR [--quick] [--picture]
# `make bench` runs it over build/release. --quick takes fewer trials and runs (a few seconds
# of figures, for trying the suite out; the figures of record come without it). --picture runs
# only the press-to-picture, latency and exposure figures (`make bench-picture`).
# BENCH_SCHED, when set, is put before every timed program (for instance "chrt -f 10" to time
# on a machine that other work keeps busy; the table's header says so).
set -euo pipefail

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
  echo "usage: bench/run-bench.sh BUILD_DIR [--quick] [--picture]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
quick=false
picture_only=false
for option in "${@:2}"; do
  case $option in
    --quick) quick=true ;;
    --picture) picture_only=true ;;
    *) echo "run-bench: unknown option $option" >&2; exit 2 ;;
  esac
done
read -r -a sched <<<"${BENCH_SCHED:-}"
source_dir=$(cd "$(dirname "$0")/.." && pwd)

targets=(talvex_timing_bench bench-large-pack talvex talvex_startup_probe)
$picture_only || targets+=(talvex_startup_bench imagestore_bench talvex_report_bench)
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" >&2
# The light sensor needs the X11 and XTest headers; without them its figures are left out.
cmake --build "$build" -j "$(nproc)" --target talvex_sensor_bench >&2 2>/dev/null || true

timing=$build/bench/timing/talvex_timing_bench
startup=$build/bench/startup/talvex_startup_bench
micro=$build/bench/imagestore/imagestore_bench
report=$build/bench/report/talvex_report_bench
sensor=$build/bench/sensor/talvex_sensor_bench
floor_window=$build/bench/sensor/talvex_floor_window
program=$build/app/talvex
probe=$build/bench/startup/talvex_startup_probe
pack=$build/bench/large/images.pack
results=$build/bench-results.txt

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rows=$work/rows.tsv
: >"$rows"

trials=()
exposure_trials=()
runs=(--runs 21)
report_runs=(--runs 5)
sensor_trials=()
if $quick; then
  trials=(--trials 20)
  exposure_trials=(--trials 10)
  runs=(--runs 5)
  report_runs=(--runs 1)
  sensor_trials=(--trials 20 --floor 60)
fi

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
export QT_QPA_PLATFORM=offscreen
# Qt's X11 platform on a virtual X server, for the figures that need a real one; wide enough
# for the program and the light sensor's floor window side by side.
on_x() {
  "${sched[@]}" xvfb-run -a -s "-screen 0 1920x1200x24" env QT_QPA_PLATFORM=xcb "$@"
}
have_x=true
command -v xvfb-run >/dev/null || have_x=false

step() { echo "run-bench: $*" >&2; }

if ! $picture_only; then
  step "press of Next, offscreen: onset bias, press to picture, djpeg"
  "${sched[@]}" "$timing" --mode press --set sample "${trials[@]}" --rows "$rows"
  "${sched[@]}" "$timing" --mode press --set 12-MP --pack "$pack" "${trials[@]}" --rows "$rows"
fi
if $have_x; then
  step "press of Next on Xvfb"
  on_x "$timing" --mode press --set sample "${trials[@]}" --rows "$rows"
  on_x "$timing" --mode press --set 12-MP --pack "$pack" "${trials[@]}" --rows "$rows"
  step "exposures of 200 ms and 1000 ms on Xvfb (about three minutes)"
  on_x "$timing" --mode exposure --exposure 200 --set sample "${exposure_trials[@]}" --rows "$rows"
  on_x "$timing" --mode exposure --exposure 1000 --set sample "${exposure_trials[@]}" --rows "$rows"
  on_x "$timing" --mode exposure --exposure 200 --set 12-MP --pack "$pack" \
    "${exposure_trials[@]}" --rows "$rows"
  if [ -x "$sensor" ]; then
    step "light sensor on Xvfb: the program and the floor window timed from outside (about six minutes)"
    on_x "$sensor" --program "$program" --floor-window "$floor_window" --set sample \
      "${sensor_trials[@]}" --rows "$rows"
    # The shipped program carries only the sample set: the 12-MP set runs through the
    # start-up probe, the program's own start-up over a mapped image pack.
    on_x "$sensor" --program "$probe" --program-arg --pack --program-arg "$pack" \
      --program-arg --stay --floor-window "$floor_window" --pack "$pack" --set 12-MP \
      "${sensor_trials[@]}" --rows "$rows"
  else
    step "light sensor not built (libx11-dev, libxtst-dev, libxext-dev): its figures are left out"
  fi
fi
if ! $picture_only; then
  step "start-up and memory against a minimal Qt program"
  "${sched[@]}" "$startup" "${runs[@]}" --section "start-up, offscreen, sample set embedded" \
    --rows "$rows"
  "${sched[@]}" "$startup" "${runs[@]}" --pack "$pack" \
    --section "start-up, offscreen, 12-MP set mapped" --rows "$rows"
  if $have_x; then
    on_x "$startup" "${runs[@]}" --section "start-up, xcb, sample set embedded" --rows "$rows"
  fi
  step "talvex-report over 1,000 and 10,000 generated raters' files, against cat"
  "$report" "${report_runs[@]}" --rows "$rows"
  step "image store micro-benchmarks"
  "$micro" --benchmark_min_time=0.2 >"$work/micro.txt" 2>/dev/null
fi
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# One table: a heading per section, then aligned columns.
table() {
  awk -F'\t' '
    # A row of text alone (no figures) runs past the column instead of widening it.
    { section[NR] = $1; text = $3 == "" && $4 == "" && $5 == "" && $6 == "-"
      for (c = 2; c <= 7; ++c) { cell[NR, c] = $c; if (!(text && c == 2) && length($c) > w[c]) w[c] = length($c) } }
    END {
      split("Figure|Median|P99|Max|Target|Verdict", head, "|")
      for (c = 2; c <= 7; ++c) if (length(head[c - 1]) > w[c]) w[c] = length(head[c - 1])
      line = sprintf("%-" w[2] "s  %9s  %9s  %9s  %-" w[6] "s  %s", head[1], head[2], head[3], head[4], head[5], head[6])
      print line
      for (r = 1; r <= NR; ++r) {
        if (section[r] != section[r - 1]) printf "\n[%s]\n", section[r]
        if (cell[r, 3] == "" && cell[r, 4] == "" && cell[r, 5] == "" && cell[r, 6] == "-") { print cell[r, 2]; continue }
        printf "%-" w[2] "s  %9s  %9s  %9s  %-" w[6] "s  %s\n", cell[r, 2], cell[r, 3], cell[r, 4], cell[r, 5], cell[r, 6], cell[r, 7]
      }
    }' "$rows"
}

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
commit=$(git -C "$source_dir" rev-parse --short HEAD 2>/dev/null || echo unknown)
{
  echo "Talvex benchmark figures, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $commit"
  echo "Machine: $(nproc) CPUs, $cpu; Linux $(uname -r)"
  echo "Load average (1, 5, 15 min): $load_before before, $load_after after"
  echo "Qt $(pkg-config --modversion Qt6Core 2>/dev/null || echo '?'), $(djpeg -version 2>&1 | head -1 || true)"
  echo "Command: bench/run-bench.sh $*${BENCH_SCHED:+, timed programs under $BENCH_SCHED}"
  $quick && echo "QUICK RUN: fewer trials and runs; not figures of record"
  echo
  table
  echo
  echo "Sample set: 100 photographs of 1200 x 900 (JPEG quality 90, embedded in the program)."
  echo "12-MP set: the same photographs at 4000 x 3000, an image pack mapped at run time."
  echo "offscreen: Qt's offscreen platform; xcb: Qt's X11 platform on Xvfb."
  echo "Times in ms from CLOCK_MONOTONIC; p99 is the nearest-rank 99th percentile."
  echo
  if [ -s "$work/micro.txt" ]; then
    echo "Image store micro-benchmarks (sample set; Google Benchmark):"
    cat "$work/micro.txt"
  fi
} >"$results"
cat "$results"
echo "run-bench: written to $results" >&2
