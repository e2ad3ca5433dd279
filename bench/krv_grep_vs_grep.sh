#!/usr/bin/env bash
# Times `krv grep -c` beside GNU grep on a generated text file (deleted afterwards) and prints
# the ratios (grep's time / krv's time: 1.0 means as fast as grep).
# Usage: bench/krv_grep_vs_grep.sh [KRV]   (default: build/rel/tools/krv/krv)
# SIZE_MB sets the file size (default 1024), RUNS the number of runs per command (default 3,
# the best is kept).
set -euo pipefail
krv=${1:-build/rel/tools/krv/krv}
size_mb=${SIZE_MB:-1024}
runs=${RUNS:-3}
[ -x "$krv" ] || { echo "no krv at $krv" >&2; exit 2; }
command -v grep > /dev/null || { echo "grep is missing" >&2; exit 2; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A 4 MiB block of source-like lines of varied length: a few hold "include", about a third
# hold digits. The file is that block repeated.
awk 'BEGIN {
  srand(13);
  split("the of and to in is for on that with by this from at be or an as are was it value " \
        "count buffer stream line file pattern token index result error state next size", w, " ");
  n = length(w); total = 0;
  while (total < 4 * 1048576) {
    len = int(rand() * 12); s = (rand() < 0.02) ? "#include <" w[int(rand() * n) + 1] ">" : "";
    for (i = 0; i < len; ++i) {
      t = w[int(rand() * n) + 1];
      if (rand() < 0.04) t = int(rand() * 100000);
      s = s (s == "" ? "" : " ") t;
    }
    print s; total += length(s) + 1;
  }
}' > "$tmp/block"
: > "$tmp/text"
while [ "$(stat -c %s "$tmp/text")" -lt $((size_mb * 1048576)) ]; do
  cat "$tmp/block" >> "$tmp/text"
done
truncate -s $((size_mb * 1048576)) "$tmp/text"
echo >> "$tmp/text"

# Best wall time of $runs runs, in seconds; the output of the last run is kept in $tmp/out.
best() {
  local best_t="" t s e
  for _ in $(seq "$runs"); do
    s=$(date +%s.%N)
    "$@" > "$tmp/out" || [ $? -eq 1 ]
    e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc -l)
    if [ -z "$best_t" ] || [ "$(echo "$t < $best_t" | bc -l)" = 1 ]; then best_t=$t; fi
  done
  printf '%.3f' "$best_t"
}

printf 'file: %d MiB, best of %d runs\n' "$size_mb" "$runs"
printf '%-28s %9s %9s %9s %7s\n' pattern "krv s" "grep s" ratio same
compare() {  # label, krv pattern, grep arguments...
  local label=$1 pat=$2; shift 2
  local k g ko go
  k=$(best "$krv" grep -c "$pat" "$tmp/text"); ko=$(cat "$tmp/out")
  g=$(LC_ALL=C best grep "$@" "$tmp/text"); go=$(cat "$tmp/out")
  printf '%-28s %9s %9s %9.2f %7s\n' "$label" "$k" "$g" "$(echo "$g / $k" | bc -l)" \
    "$([ "$ko" = "$go" ] && echo yes || echo "NO($ko/$go)")"
}
compare "-c include" include -c include
compare "-c '[0-9]+'" '[0-9]+' -E -c '[0-9]+'
