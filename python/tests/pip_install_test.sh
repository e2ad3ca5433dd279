#!/usr/bin/env bash
# pip install --no-build-isolation ./python in a fresh virtual environment that sees the
# system's packages (Debian's setuptools, pybind11, numpy), then import korvex from elsewhere.
#   pip_install_test.sh SOURCE_DIR WORK_DIR PYTHON
set -euo pipefail
source_dir=$1 work=$2 python=${3:-/usr/bin/python3}
rm -rf "$work"
mkdir -p "$work"
"$python" -m venv --system-site-packages "$work/venv"
# The package is built in a copy of the repository, so the checkout gets no build folders.
mkdir -p "$work/src"
git -C "$source_dir" ls-files -z | (cd "$source_dir" && xargs -0 cp --parents -t "$work/src")
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
"$work/venv/bin/python" -m pip install --no-build-isolation --no-index --quiet "$work/src/python"
cd "$work"
"$work/venv/bin/python" -c "
import korvex, zlib
assert korvex.crc32(b'korvex').value == zlib.crc32(b'korvex')
print('korvex', korvex.__version__, 'from', korvex.__file__)"
