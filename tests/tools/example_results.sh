# Results files as Talvex writes them, for a study of six raters: write_example_results FOLDER
# writes five complete runs with the values "1000 0.5 0.3 1" over 8 positive and 12 negative
# images (every image, then 4 positive and 4 negative repeats; ratings and latencies vary by
# rater) and one run cut short after 17 trials. Sourced, not run.
write_example_run() {
  local folder=$1 rater=$2 r=$3 rows=${4:-28}
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
  }' >"$folder/$rater 120726 1405.xls"
}

write_example_results() {
  local r
  mkdir -p "$1"
  for r in 1 2 3 4 5; do write_example_run "$1" "rater$r" "$r"; done
  write_example_run "$1" rater6 6 17
}
