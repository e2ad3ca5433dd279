#!/usr/bin/env bash
# Sets up a fresh machine, checks the formatting, then for each preset given (default: dev)
# builds Korvex with its tests, warnings as errors, and runs the tests. With linux-i386 or
# mingw-w64, their krv is then compared with the dev build's on the sample files.
#   ./scripts/check.sh                  # the dev preset
#   ./scripts/check.sh dev asan-ubsan tsan linux-i386 mingw-w64   # what CI runs
# A cross target whose packages apt cannot deliver (a mirror out of step) is skipped with one
# line giving apt's reason, and named again in a summary at the end; the other presets still
# run. A target that is set up and fails to build or pass its tests fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(dev)

is_cross() { case "$1" in linux-i386 | mingw-w64) return 0 ;; *) return 1 ;; esac }

deps=()
for preset in "${presets[@]}"; do
  if is_cross "$preset"; then deps+=(--target "$preset"); fi
done
unavailable=$(mktemp)
trap 'rm -f "$unavailable"' EXIT
scripts/install-deps.sh "${deps[@]}" --unavailable "$unavailable"
declare -A skipped=()
while IFS=$'\t' read -r target reason; do
  [ -n "$target" ] && skipped[$target]="$reason"
done <"$unavailable"

# Names every skipped target again at the end, success or failure, so the reason is not lost
# in the build output above it.
summary() {
  local target
  ((${#skipped[@]})) || return 0
  echo "== skipped targets (their packages could not be installed)"
  for target in "${!skipped[@]}"; do echo "  $target: ${skipped[$target]}"; done
}
trap 'status=$?; summary; rm -f "$unavailable"; exit $status' EXIT

scripts/format.sh --check
built=()
for preset in "${presets[@]}"; do
  if [ -n "${skipped[$preset]+set}" ]; then
    echo "== $preset: skipped: cannot install its packages: ${skipped[$preset]}"
    continue
  fi
  echo "== $preset"
  cmake --preset "$preset" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
  cmake --build --preset "$preset"
  ctest --preset "$preset"
  # Cross builds run each test program once: add up their test cases.
  results="build/$preset/tests/test-results"
  if [ -d "$results" ]; then scripts/test_summary.py "$results"; fi
  built+=("$preset")
done
cross=()
for preset in "${built[@]}"; do
  if is_cross "$preset"; then cross+=("build/$preset"); fi
done
if ((${#cross[@]})); then
  if [ ! -x build/dev/tools/krv/krv ]; then
    cmake --preset dev && cmake --build --preset dev --target krv
  fi
  echo "== krv on the other targets against dev"
  scripts/cross_check.sh build/dev "${cross[@]}"
fi
