#!/usr/bin/env bash
# A short guided tour of krv over the sample data in samples/. Installs what building and
# running krv needs, builds it (release preset, krv only), then runs its commands step by
# step, each command line shown before its output. Every file written goes to
# build/demo-output/ (made afresh each run); the tour ends by listing them.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
out=build/demo-output

now_us() { echo "${EPOCHREALTIME//[.,]/}"; }
# Seconds since a now_us value, with one decimal.
since() {
  local us=$(($(now_us) - $1))
  printf '%d.%d s' $((us / 1000000)) $((us % 1000000 / 100000))
}

# Runs a setup command with its output hidden: one line, or the output when it fails.
setup() {
  local what=$1 start log rc=0
  shift
  start=$(now_us)
  printf '%s ... ' "$what"
  log=$("$@" 2>&1) || rc=$?
  if ((rc != 0)); then
    echo "failed (exit status $rc)"
    printf '%s\n' "$log" >&2
    exit "$rc"
  fi
  echo "done ($(since "$start"))"
}

setup_start=$(now_us)
echo "== Setting up"
setup "Installing the packages krv needs" scripts/install-deps.sh --tool
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
setup "Configuring the release build in build/release" cmake --preset release \
  -DKORVEX_BUILD_BENCH=OFF -DKORVEX_BUILD_TESTS=OFF "${launcher[@]}"
setup "Building krv" cmake --build --preset release --target krv
krv_bin="$root/build/release/tools/krv/krv"
setup_time=$(since "$setup_start")
echo "Setup took $setup_time."

# ---- the tour --------------------------------------------------------------------------

krv() { "$krv_bin" "$@"; }

# The words of a command line as a shell would take them back (quoted where needed).
shown() {
  local arg text=""
  for arg; do
    if [[ $arg =~ ^[A-Za-z0-9_./=:,+@%-]+$ ]]; then
      text+=" $arg"
    else
      text+=" '${arg//\'/\'\\\'\'}'"
    fi
  done
  printf '%s' "${text# }"
}

steps=0
step() {
  steps=$((steps + 1))
  printf '\n== %d. %s\n' "$steps" "$*"
}

# run_status N CMD...: shows and runs CMD, which is expected to exit with status N; any
# other status ends the tour. run CMD... expects 0; run_to FILE CMD... writes into FILE.
run_status() {
  local expected=$1
  shift
  show_run "$@"
  report_status "$expected" "$status"
}
# show_run CMD...: shows and runs CMD, leaving its exit status in $status.
show_run() {
  printf '$ %s\n' "$(shown "$@")"
  status=0
  "$@" || status=$?
}
run() { run_status 0 "$@"; }
run_to() {
  local file=$1 rc=0
  shift
  printf '$ %s > %s\n' "$(shown "$@")" "$file"
  "$@" >"$file" || rc=$?
  report_status 0 "$rc"
}
report_status() {
  if (($2 != $1)); then
    echo "(exit status $2, expected $1: the tour stops here)" >&2
    exit 1
  fi
  if (($2 != 0)); then echo "(exit status $2, as expected)"; fi
}

# Files written, listed at the end: output PATH WHAT.
outputs=()
output() { outputs+=("$1|$2"); }

tour_start=$(now_us)
rm -rf "$out"
mkdir -p "$out"
echo
echo "== The tour: krv $(krv --version | sed 's/^krv //'), outputs in $out/"

step "Checksums (CRC-16, CRC-32, SHA-1) into a checksum file, then checked"
run cp samples/grep-sample.txt "$out/grep-copy.txt"
run_to "$out/sums.txt" krv sum --crc16 --crc32 --sha1 samples/checksum-digits.txt \
  samples/rle-sample.pgm "$out/grep-copy.txt"
run cat "$out/sums.txt"
run krv sum -c "$out/sums.txt"
echo "Now one byte more in the copy, and the same check finds it:"
printf 'x' >>"$out/grep-copy.txt"
run_status 1 krv sum -c "$out/sums.txt"
output "$out/sums.txt" "checksum lines (CRC-16, CRC-32, SHA-1) of three files"
output "$out/grep-copy.txt" "copy of samples/grep-sample.txt with one byte added (fails the check)"

step "A grep over samples/grep-sample.txt"
run krv grep -n -i 'sensor[ _]?[0-9]+' samples/grep-sample.txt
run krv grep -o -w 'ab[0-9]+x' samples/grep-sample.txt

step "ASCII85 in Adobe's form, against Python's base64.a85encode(adobe=True)"
a85="$out/rle-sample.a85"
py_a85="$out/rle-sample.python.a85"
run krv ascii85 encode --adobe samples/rle-sample.pgm -o "$a85"
py_encode='import base64, sys; data = open(sys.argv[1], "rb").read(); '
py_encode+='sys.stdout.buffer.write(base64.a85encode(data, adobe=True))'
run_to "$py_a85" python3 -c "$py_encode" samples/rle-sample.pgm
run cmp "$a85" "$py_a85"
echo "Byte for byte the same: '<~' ... '~>', no line breaks, 'z' for four zero bytes:"
echo "  $(head -c 60 "$a85") ..."
run krv ascii85 decode --adobe "$py_a85" -o "$out/rle-sample.decoded.pgm"
run cmp samples/rle-sample.pgm "$out/rle-sample.decoded.pgm"
echo "Python's text decodes to the original bytes."
output "$a85" "samples/rle-sample.pgm in ASCII85, Adobe's form, by krv"
output "$py_a85" "the same by Python's base64.a85encode (identical)"
output "$out/rle-sample.decoded.pgm" "Python's text decoded by krv (same bytes as the sample)"

step "A feature matrix to CSV and back"
run krv features show --rows 2 samples/features-sample.txt
run krv features to-csv samples/features-sample.txt -o "$out/features.csv"
run cat "$out/features.csv"
run krv features from-csv "$out/features.csv" -o "$out/features-back.txt"
run krv features to-csv "$out/features-back.txt" -o "$out/features-back.csv"
run cmp "$out/features.csv" "$out/features-back.csv"
echo "Both agree: the values survive the round trip (CSV holds no comments, presets or sort flag)."
output "$out/features.csv" "samples/features-sample.txt as CSV"
output "$out/features-back.txt" "feature-matrix file made back from that CSV"
output "$out/features-back.csv" "that file as CSV again (same as features.csv)"

step "A colour scale as a PNG picture"
run krv color show SkyBlue
run krv color scale --palette geo1 --size 400 -o "$out/scale.png"
run pngcheck "$out/scale.png"
output "$out/scale.png" "colour scale, palette geo1, 400 colours (PNG)"

step "A page of marks as a PNG picture, and as a PDF"
run krv marks --size 6 --color Navy -o "$out/marks.png"
run pngcheck "$out/marks.png"
output "$out/marks.png" "the 256 mark types in a 16 x 16 grid (PNG)"
run krv marks --size 6 --color Navy -o "$out/marks.pdf"
run pdfinfo "$out/marks.pdf"
output "$out/marks.pdf" "the same grid as a PDF page, the marks drawn as vectors"

step "Printing: the CUPS queues, and a text file laid out as PDF pages"
run krv sys printers
if [ -z "$(krv sys printers)" ]; then echo "(No CUPS queue is set up here, so there is none to list.)"; fi
run krv print -T "grep sample" -o "$out/grep-sample.pdf" samples/grep-sample.txt
run pdfinfo "$out/grep-sample.pdf"
output "$out/grep-sample.pdf" "samples/grep-sample.txt in DejaVu Sans Mono on A4 pages, as krv print sends it"

step "An HTML page filled from values"
run krv html fill samples/report-template.html --values samples/report-values.txt \
  --set date=2024-03-11 --set count=512 -o "$out/report.html"
run cat "$out/report.html"
echo "(<#unknown> has no value: it is named on standard error and left as it stands.)"
output "$out/report.html" "samples/report-template.html filled from samples/report-values.txt"

step "A file-tree copy with its progress line"
tree="$out/tree"
made=$(now_us)
python3 - "$tree" <<'EOF'
import os, sys
block = os.urandom(1 << 20)
for part in range(6):
    folder = os.path.join(sys.argv[1], "part%d" % part)
    os.makedirs(folder)
    for i in range(64):
        with open(os.path.join(folder, "file%03d.bin" % i), "wb") as f:
            f.write(block)
EOF
echo "Made $tree: 384 files of 1 MiB in 6 folders ($(since "$made"))."
if [ -t 2 ]; then
  echo "(Watch the progress line while the copy runs; it is cleared when the copy ends.)"
else
  echo "(Standard error is not a terminal here: no progress line; on a terminal it is drawn.)"
fi
copied=$(now_us)
run krv files copy "$tree" "$tree-copy"
echo "Copied in $(since "$copied")."
run krv files count -r "$tree-copy/*.*"
run diff -r -q "$tree" "$tree-copy"
run krv files deltree "$tree"
run krv files deltree "$tree-copy"
echo "Both trees deleted again."

step "The processor and the system"
run krv cpu
run krv sys drives
run krv sys free C:
run krv sys dirs
# The program registered for a file type comes from the desktop's MIME and .desktop files; a
# bare system has none, and krv then answers "no" (exit status 1).
show_run krv sys assoc html
if ((status == 1)); then
  echo "(exit status 1: nothing on this machine is registered for .html files)"
else
  report_status 0 "$status"
fi

tour_time=$(since "$tour_start")
printf '\n== Where the outputs went\n'
width=0
for entry in "${outputs[@]}"; do
  path=${entry%%|*}
  ((${#path} <= width)) || width=${#path}
done
for entry in "${outputs[@]}"; do
  printf '%-*s  %s\n' "$width" "${entry%%|*}" "${entry#*|}"
done
printf '\nThe tour took %s (the setup before it %s).\n' "$tour_time" "$setup_time"
