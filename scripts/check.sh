#!/usr/bin/env bash
# Sets up a fresh machine, checks the formatting, then for each preset given (default: dev)
# builds Korvex with its tests, warnings as errors, and runs the tests. With linux-i386 or
# mingw-w64, their krv is then compared with the dev build's on the sample files.
#   ./scripts/check.sh                  # the dev preset
#   ./scripts/check.sh dev asan-ubsan tsan linux-i386 mingw-w64   # what CI runs
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(dev)
deps=()
for preset in "${presets[@]}"; do
  case "$preset" in linux-i386 | mingw-w64) deps=(--cross) ;; esac
done
scripts/install-deps.sh "${deps[@]}"
scripts/format.sh --check
for preset in "${presets[@]}"; do
  echo "== $preset"
  cmake --preset "$preset" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
  cmake --build --preset "$preset"
  ctest --preset "$preset"
  # Cross builds run each test program once: add up their test cases.
  results="build/$preset/tests/test-results"
  if [ -d "$results" ]; then scripts/test_summary.py "$results"; fi
done
cross=()
for preset in "${presets[@]}"; do
  case "$preset" in linux-i386 | mingw-w64) cross+=("build/$preset") ;; esac
done
if ((${#cross[@]})); then
  if [ ! -x build/dev/tools/krv/krv ]; then
    cmake --preset dev && cmake --build --preset dev --target krv
  fi
  echo "== krv on the other targets against dev"
  scripts/cross_check.sh build/dev "${cross[@]}"
fi
