#!/usr/bin/env bash
# Sets up a fresh machine, builds Korvex with its tests and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset dev
cmake --build --preset dev
ctest --preset dev
