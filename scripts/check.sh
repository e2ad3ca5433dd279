#!/usr/bin/env bash
# Sets up a fresh machine, checks the formatting, then for each preset given (default: dev)
# builds Korvex with its tests, warnings as errors, and runs the tests.
#   ./scripts/check.sh                  # the dev preset
#   ./scripts/check.sh dev asan-ubsan   # what CI runs
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/format.sh --check
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(dev)
for preset in "${presets[@]}"; do
  echo "== $preset"
  cmake --preset "$preset" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
