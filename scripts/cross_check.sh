#!/usr/bin/env bash
# Runs the krv of other targets (32-bit x86 under qemu-i386, Windows under Wine) on the files in
# samples/ and compares their output byte for byte with the Linux x86-64 build's:
#   sum --sha1, grep, and an ASCII85 round trip of binary data through standard input and output.
#   scripts/cross_check.sh build/dev build/linux-i386 build/mingw-w64
# The first folder is the reference build; exits 1 on the first difference.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 2 ] || { sed -n 2,6p "$0"; exit 2; }
reference="$1/tools/krv/krv"
shift

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Every byte value, CR LF pairs, lone CRs and LFs, and Ctrl-Z, which text-mode streams alter.
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) + b"\r\n\n\r\x1a\x00" * 50)' >"$work/binary"

# Debian's wine64 package keeps its launcher out of PATH.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)

# Runs the krv of a build folder with the arguments given; files are named relative to the
# repository root, which every target can reach (Wine maps / to drive Z:).
krv_of() {
  local build="$1"
  shift
  case "$build" in
  *mingw*) env WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= \
    XDG_DATA_HOME="$PWD/$build/xdg-data" "$wine" "$build/tools/krv/krv.exe" "$@" ;;
  *i386*) qemu-i386 "$build/tools/krv/krv" "$@" ;;
  *) "$build/tools/krv/krv" "$@" ;;
  esac
}

run_all() {
  local build="$1" out="$2"
  mkdir -p "$out"
  krv_of "$build" sum --sha1 samples/*.txt samples/*.pgm >"$out/sum"
  krv_of "$build" grep -n -i -e 'sensor.[0-9]' -e 'ab[0-9]+x' samples/grep-sample.txt samples/report-values.txt \
    >"$out/grep" || [ $? -eq 1 ]
  krv_of "$build" ascii85 encode -q <"$work/binary" >"$out/a85"
  krv_of "$build" ascii85 decode -q <"$out/a85" >"$out/decoded"
  cmp -s "$out/decoded" "$work/binary" || { echo "$build: ASCII85 round trip altered the data"; exit 1; }
}

run_all "${reference%/tools/krv/krv}" "$work/reference"
for build in "$@"; do
  run_all "$build" "$work/$(basename "$build")"
  for part in sum grep a85; do
    if ! cmp -s "$work/reference/$part" "$work/$(basename "$build")/$part"; then
      echo "$build: krv output differs from the reference ($part):"
      diff "$work/reference/$part" "$work/$(basename "$build")/$part" | head -20
      exit 1
    fi
  done
  echo "$build: sum --sha1, grep and the ASCII85 round trip match the reference"
done
