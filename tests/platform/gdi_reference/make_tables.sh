#!/bin/sh
# Rebuilds the GDI reference tables tests/platform/data/gdi_ellipses.txt and gdi_polygons.txt:
# cross-builds make_gdi_tables.cpp with MinGW-w64 and runs it under Wine in a throw-away prefix.
#   tests/platform/gdi_reference/make_tables.sh [WORK_DIR]   (default: a new folder in /tmp)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
data="$here/../data"
work=${1:-}
if [ -z "$work" ]; then
  work=$(mktemp -d "${TMPDIR:-/tmp}/gdi-tables.XXXXXX")
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -static \
  -o "$work/make_gdi_tables.exe" "$here/make_gdi_tables.cpp" -lgdi32
wine=$(command -v wine64 || command -v /usr/lib/wine/wine64 || command -v wine)
# The program writes into the folder it runs in (Wine maps it as the current folder).
cd "$work"
WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= \
  "$wine" ./make_gdi_tables.exe ellipses.txt polygons.txt
cp ellipses.txt "$data/gdi_ellipses.txt"
cp polygons.txt "$data/gdi_polygons.txt"
