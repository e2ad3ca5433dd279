#!/usr/bin/env bash
# Times `krv text tail` beside coreutils tail on two generated files (deleted afterwards): 2 GiB
# of line feeds (`-n 2`) and one line of 1 GiB without a line end (`-n 1`), both as a named
# file, and the long line once more through a pipe. Prints the wall time and the largest
# resident set of each run, from /usr/bin/time -v, and whether krv printed what tail printed.
# Usage: bench/krv_text_tail.sh [KRV]   (default: build/release/tools/krv/krv)
# DIR sets the folder for the files (default /dev/shm when it has room, else /tmp).
set -euo pipefail
krv=${1:-build/release/tools/krv/krv}
[ -x "$krv" ] || { echo "no krv at $krv" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time (GNU time) is missing" >&2; exit 2; }
command -v tail > /dev/null || { echo "tail is missing" >&2; exit 2; }

lf_bytes=$((2 << 30))
line_bytes=$((1 << 30))
need_kib=$(((lf_bytes + line_bytes) / 1024 + 1024 * 1024))  # both files, and 1 GiB to spare
free_kib() { df -Pk "$1" | awk 'NR == 2 { print $4 }'; }
base=${DIR:-}
if [ -z "$base" ]; then
  base=/tmp
  if [ -d /dev/shm ] && [ -w /dev/shm ] && [ "$(free_kib /dev/shm)" -ge "$need_kib" ]; then
    base=/dev/shm
  fi
fi
if [ "$(free_kib "$base")" -lt "$need_kib" ]; then
  echo "$base has $(free_kib "$base") KiB free; $need_kib KiB are needed" >&2
  exit 2
fi
tmp=$(mktemp -d "$base/krv_text_tail.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

head -c "$lf_bytes" /dev/zero | tr '\0' '\n' > "$tmp/lfs"
head -c "$line_bytes" /dev/zero | tr '\0' 'x' > "$tmp/line"

# Runs a command under /usr/bin/time -v with its output going to /dev/null; prints "seconds
# max-RSS-KiB". Then runs it once more, untimed, to keep its output's checksum in $tmp/sum.
measure() {
  /usr/bin/time -v -o "$tmp/time" "$@" > /dev/null 2>&1
  "$@" 2> /dev/null | md5sum > "$tmp/sum"
  awk -F': ' '
    /Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; ++i) s = s * 60 + t[i] }
    /Maximum resident set size/ { rss = $2 }
    END { printf "%8.3f %10d", s, rss }' "$tmp/time"
}

printf '%-34s %8s %10s   %8s %10s  %s\n' case "krv s" "krv KiB" "tail s" "tail KiB" same
compare() {  # label, N, file, how (file or pipe)
  local label=$1 n=$2 file=$3 how=$4 k t ks ts
  if [ "$how" = pipe ]; then
    k=$(measure sh -c 'cat "$1" | "$0" text tail -q -n "$2"' "$krv" "$file" "$n"); ks=$(cat "$tmp/sum")
    t=$(measure sh -c 'cat "$1" | tail -n "$2"' "$krv" "$file" "$n"); ts=$(cat "$tmp/sum")
  else
    k=$(measure "$krv" text tail -q -n "$n" "$file"); ks=$(cat "$tmp/sum")
    t=$(measure tail -n "$n" "$file"); ts=$(cat "$tmp/sum")
  fi
  printf '%-34s %s   %s  %s\n' "$label" "$k" "$t" "$([ "$ks" = "$ts" ] && echo yes || echo NO)"
}
compare "-n 2, 2 GiB of line feeds" 2 "$tmp/lfs" file
compare "-n 1, one line of 1 GiB" 1 "$tmp/line" file
compare "-n 1, one line of 1 GiB, pipe" 1 "$tmp/line" pipe
