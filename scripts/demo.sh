#!/usr/bin/env bash
# Sets up a fresh machine, builds the krv tool and runs it on the sample data in samples/:
# every line of samples/demo-commands.txt is one krv command line, run inside samples/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release -DKORVEX_BUILD_BENCH=OFF >/dev/null
cmake --build --preset release --target krv
krv="$PWD/build/release/tools/krv/krv"
cd samples
while IFS= read -r line; do
  case "$line" in ''|'#'*) continue ;; esac
  echo "\$ krv $line"
  eval "\"$krv\" $line" || echo "(exit status $?)"
  echo
done < demo-commands.txt
