#!/usr/bin/env bash
# talvex-report.exe, run under Wine, writes the same report as the Linux talvex-report: the
# same CSV tables, HTML page and study file, byte for byte, and the same text on the terminal,
# for a study of five raters (results files as Talvex writes them, with repeats for the
# test-retest figures, and one rater's run left incomplete).
#   report_alike.sh LOADER PREFIX WINDOWS_REPORT LINUX_REPORT
# Exit code 77: skipped (this machine cannot run the loader).
set -euo pipefail
loader=$1 prefix=$2 windows_report=$3 linux_report=$4
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
if ! reason=$("$scripts/wine-run.sh" "$loader" --can-run 2>&1); then
  echo "report-alike: skipped: $reason"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/study/results"

# One rater's run with the values "1000 0.5 0.3 1" over 8 positive and 12 negative images:
# every image, then 4 positive and 4 negative repeats; ratings and latencies vary by rater.
write_run() {
  local rater=$1 r=$2 rows=${3:-28}
  awk -v rater="$rater" -v r="$r" -v rows="$rows" 'BEGIN {
    printf "1000 0.5 0.3 1\r\nname\tdate\ttime\tn\tstatus\timgname\tresponse\tlatency\r\n"
    n = 0
    for (k = 0; k < 20 && n < rows; k++) row(k < 8, k < 8 ? k : k - 8)
    for (k = 0; k < 8 && n < rows; k++) row(k < 4, k < 4 ? 2 * k : 3 * (k - 4))
  }
  function row(positive, image,   rating) {
    n++
    rating = positive ? 3 + (image + r) % 3 : 1 + (image * 3 + r) % 3
    if ((image + r + n) % 5 == 0) rating += positive ? -1 : 1
    printf "%s\t07/12/26\t14:%02d:%02d\t%d\t%s\t%s (%d).ccc\t%d\t%d\r\n", rater, 5 + int(n / 60),
      n % 60, n, positive ? "pos" : "neg", positive ? "g" : "c", image, rating,
      700 + 37 * image + 91 * r + 13 * n
  }' >"$work/study/results/$rater 120726 1405.xls"
}
for r in 1 2 3 4 5; do write_run "rater$r" "$r"; done
write_run rater6 6 17

# Both programs run in the results folder and are given the same file names, so that no path
# separator, which differs between the systems, comes into the outputs.
files=()
for file in "$work"/study/results/*.xls; do files+=("$(basename "$file")"); done
(cd "$work/study/results" && "$linux_report" --out ../../linux "${files[@]}") \
  >"$work/linux.out" 2>"$work/linux.err"
cp "$windows_report" "$work/study/results/talvex-report.exe"
(cd "$work/study/results" && "$scripts/wine-run.sh" "$loader" "$prefix" \
  --rerun-after-exit-fault talvex-report.exe --out ..\\..\\windows "${files[@]}") \
  >"$work/windows.out" 2>"$work/windows.err"
status=0
diff -r "$work/linux" "$work/windows" || status=1
# The terminal's text alike too, but for the report's own path and the console's line ends.
for stream in out err; do
  sed 's#^Report written to \.\./\.\./linux/#Report written to OUT/#' "$work/linux.$stream" \
    >"$work/linux.$stream.cmp"
  tr -d '\r' <"$work/windows.$stream" |
    sed 's#^Report written to \.\.\\\.\.\\windows\\#Report written to OUT/#' >"$work/windows.$stream.cmp"
  diff "$work/linux.$stream.cmp" "$work/windows.$stream.cmp" || status=1
done
[[ $status == 0 ]] || { echo "report-alike: FAILED: the reports differ" >&2; exit 1; }
echo "report-alike: $(ls "$work/linux" | wc -l) files alike: $(ls "$work/linux" | paste -sd' ')"
