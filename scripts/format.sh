#!/usr/bin/env bash
# Formats the C++ sources with the repository's .clang-format, or with --check reports every
# file that is not formatted and fails. Generated tables (*.inc) are left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${files[@]}"
else
  clang-format -i "${files[@]}"
fi
