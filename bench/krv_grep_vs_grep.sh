#!/usr/bin/env bash
# krv grep beside GNU grep and ripgrep, in one run: every option and input shape a user meets
# (literals, sets, .* between literals, anchors; -i -v -w -x -o -c -n -l; text where few lines
# match and text where most do; one very long line; 512 MiB of NUL bytes; -r over a tree of
# 50,000 files). Each command runs RUNS times (default 5) with its output sent to a file (GNU
# grep stops at the first match when its output is /dev/null); the median wall time is kept.
# Ratios are the peer's time / krv's time: 1.0 or more means krv is at least as fast. The
# outputs of krv and GNU grep are compared (same: yes/NO). Then the largest resident set of
# the long-line and NUL-byte rows, from /usr/bin/time -v.
#
# Usage: bench/krv_grep_vs_grep.sh [KRV]   (default: build/release/tools/krv/krv)
# SIZE_MB: size of the text files (default 512). WORK: where the files go (default /dev/shm
# when it has room, else the temporary folder); everything made is deleted at the end.
set -euo pipefail
krv=${1:-build/release/tools/krv/krv}
size_mb=${SIZE_MB:-512}
runs=${RUNS:-5}
[ -x "$krv" ] || { echo "no krv at $krv" >&2; exit 2; }
krv=$(realpath "$krv")  # the -r row runs in the tree's folder
command -v grep > /dev/null || { echo "grep is missing" >&2; exit 2; }
have_rg=$(command -v rg > /dev/null && echo 1 || echo 0)
[ "$have_rg" = 1 ] || echo "ripgrep (rg) is missing: its column stays empty" >&2

base=${WORK:-/dev/shm}
need_kb=$(( (size_mb * 3 + 1400) * 1024 ))
if [ "$(df -Pk "$base" 2>/dev/null | awk 'NR == 2 {print $4}')" -lt "$need_kb" ] 2>/dev/null; then
  base=${TMPDIR:-/tmp}
fi
tmp=$(mktemp -d "$base/krv-grep-bench.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
export LC_ALL=C

# Few lines match: source-like text, 2% of lines "#include <...>", some numbers.
awk 'BEGIN {
  srand(13);
  split("the of and to in is for on that with by this from at be or an as are was it value " \
        "alpha beta count buffer stream line file pattern token index result error state next", w, " ");
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
# Most lines match x[0-9]+.
awk 'BEGIN { srand(5); total = 0;
  while (total < 4 * 1048576) {
    s = ""; len = int(rand() * 10) + 2;
    for (i = 0; i < len; i++) {
      r = rand(); t = (r < 0.1) ? "x" int(rand() * 1000) : (r < 0.2 ? "box" : "word" int(rand() * 9));
      s = s (i ? " " : "") t;
    }
    print s; total += length(s) + 1;
  }
}' > "$tmp/dblock"
fill() {  # block, file: the block repeated up to SIZE_MB
  : > "$2"
  while [ "$(stat -c %s "$2")" -lt $((size_mb * 1048576)) ]; do cat "$1" >> "$2"; done
}
fill "$tmp/block" "$tmp/text"
fill "$tmp/dblock" "$tmp/dense"
{ head -c $((size_mb * 1048576)) /dev/zero | tr '\0' 'a'; echo " foo"; } > "$tmp/long"
head -c $((512 * 1048576)) /dev/zero > "$tmp/nul"
# 50,000 small files in 1,000 folders.
python3 - "$tmp/tree" << 'EOF'
import os, random, sys
random.seed(3)
words = ("the of and to in is for on that with by this from at be or an as are was it value "
         "count buffer stream line file pattern token index result error state next include").split()
for a in range(50):
    for b in range(20):
        d = os.path.join(sys.argv[1], f"d{a:02d}", f"s{b:02d}")
        os.makedirs(d)
        for c in range(50):
            lines = [" ".join(random.choice(words) for _ in range(random.randint(1, 12)))
                     for _ in range(random.randint(5, 80))]
            with open(os.path.join(d, f"f{c:02d}.txt"), "w") as f:
                f.write("\n".join(lines) + "\n")
EOF

# Median wall time of $runs runs in seconds; the last run's output stays in $tmp/out.
median() {
  local times=() s e
  for _ in $(seq "$runs"); do
    s=$(date +%s.%N)
    "$@" > "$tmp/out" 2> /dev/null || [ $? -eq 1 ]
    e=$(date +%s.%N)
    times+=("$(echo "$e - $s" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p"
}

printf 'files: %d MiB of text, median of %d runs\n' "$size_mb" "$runs"
printf '%-34s %8s %8s %8s %7s %7s %5s\n' row "krv s" "grep s" "rg s" grep/krv rg/krv same
row() {  # label, file, krv/grep arguments (the same for both), then -- and rg's arguments
  local label=$1 file=$2; shift 2
  local args=() rgargs=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  rgargs=("$@")
  local k g r="" ko go
  # Compared as sorted lines: GNU grep -r lists folders in the system's order, krv sorted.
  k=$(median "$krv" grep "${args[@]}" $file); ko=$(sort "$tmp/out" | md5sum)
  g=$(median grep -E "${args[@]}" $file); go=$(sort "$tmp/out" | md5sum)
  [ "$have_rg" = 1 ] && [ ${#rgargs[@]} -gt 0 ] && r=$(median rg --no-config "${rgargs[@]}" $file)
  printf '%-34s %8.3f %8.3f %8s %7.2f %7s %5s\n' "$label" "$k" "$g" \
    "$([ -n "$r" ] && printf '%.3f' "$r" || echo -)" \
    "$(echo "$g / $k" | bc -l)" "$([ -n "$r" ] && printf '%.2f' "$(echo "$r / $k" | bc -l)" || echo -)" \
    "$([ "$ko" = "$go" ] && echo yes || echo NO)"
}

t=$tmp/text d=$tmp/dense
row "-c include (few match)"        "$t" -c include                 -- -c include
row "-n include (output to a file)" "$t" -n include                 -- -n include
row "-i -c INCLUDE"                 "$t" -i -c INCLUDE              -- -i -c INCLUDE
row "-v -c include"                 "$t" -v -c include              -- -v -c include
row "-w -c include"                 "$t" -w -c include              -- -w -c include
row "-x -c 'the value'"             "$t" -x -c 'the value'          -- -x -c 'the value'
row "-l zzzz (no match)"            "$t" -l zzzz                    -- -l zzzz
row "-o include"                    "$t" -o include                 -- -o include
row "-c '[0-9]+' (a set)"           "$t" -c '[0-9]+'                -- -c '[0-9]+'
row "-c 'alpha.*beta'"              "$t" -c 'alpha.*beta'           -- -c 'alpha.*beta'
row "-c '^#include' (anchored)"     "$t" -c '^#include'             -- -c '^#include'
row "-c 'x[0-9]+' (most match)"     "$d" -c 'x[0-9]+'               -- -c 'x[0-9]+'
row "-n 'x[0-9]+' (most match)"     "$d" -n 'x[0-9]+'               -- -n 'x[0-9]+'
row "-o 'x[0-9]+' (most match)"     "$d" -o 'x[0-9]+'               -- -o 'x[0-9]+'
row "-i -c 'BOX' (most match)"      "$d" -i -c BOX                  -- -i -c BOX
row "-v -c box (most match)"        "$d" -v -c box                  -- -v -c box
row "-c foo, one ${size_mb} MiB line" "$tmp/long" -c foo            -- -c foo
row "foo, 512 MiB of NUL bytes"     "$tmp/nul" foo                  -- foo
(cd "$tmp/tree" && row "-r -c include, 50,000 files" "" -r -c include -- -c include)

echo
echo "largest resident set (KiB), /usr/bin/time -v:"
rss() {
  /usr/bin/time -v "$@" > /dev/null 2> "$tmp/time" || true
  awk -F': ' '/Maximum resident set size/ {print $2}' "$tmp/time"
}
printf '  %-30s krv %8s  grep %8s\n' "-c foo, one ${size_mb} MiB line" \
  "$(rss "$krv" grep -c foo "$tmp/long")" "$(rss grep -c foo "$tmp/long")"
printf '  %-30s krv %8s  grep %8s\n' "foo, 512 MiB of NUL bytes" \
  "$(rss "$krv" grep foo "$tmp/nul")" "$(rss grep foo "$tmp/nul")"
