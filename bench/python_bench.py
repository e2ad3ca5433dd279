#!/usr/bin/env python3
"""The korvex module beside the standard library and pandas, in one run.

    PYTHONPATH=build/dev/python /usr/bin/python3 bench/python_bench.py

Each row: the median of several runs for korvex and for the peer, and the ratio (peer time /
korvex time, so above 1 means korvex is faster) against the target the project set:
- korvex.crc32 on 1 MiB: at least 3 x zlib.crc32;
- korvex.sha1 on 1 MiB: at least 1 x hashlib.sha1;
- TGrep.lines over 100,000 lines: at least 1 x re.search over the same lines;
- a 100,000 x 10 feature matrix file into a DataFrame: at least 1 x pandas.read_csv of the same
  table as CSV.
Exits 1 when a target is missed.
"""
import hashlib
import os
import random
import re
import statistics
import sys
import tempfile
import time
import zlib

import korvex


def median_time(fn, repeat=7, number=1):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        for _ in range(number):
            fn()
        times.append((time.perf_counter() - start) / number)
    return statistics.median(times)


def row(name, ours, peer, peer_name, target):
    ratio = peer / ours
    ok = ratio >= target
    print(f"{name:<44} korvex {ours * 1e3:9.3f} ms  {peer_name:<16} {peer * 1e3:9.3f} ms  "
          f"ratio {ratio:5.2f}  target {target:.1f}  {'met' if ok else 'MISSED'}")
    return ok


def checksums():
    data = os.urandom(1 << 20)
    ok = row("crc32, 1 MiB", median_time(lambda: korvex.crc32(data).value, number=50),
             median_time(lambda: zlib.crc32(data), number=50), "zlib.crc32", 3.0)
    ok &= row("sha1, 1 MiB", median_time(lambda: korvex.sha1(data).digest(), number=20),
              median_time(lambda: hashlib.sha1(data).digest(), number=20), "hashlib.sha1", 1.0)
    return ok


def grep_lines():
    rng = random.Random(1)
    words = ["sensor", "drift", "batch", "cooling", "loop", "reading", "offline", "ab12x"]
    lines = [f"2024-03-11 {rng.randrange(24):02}:{rng.randrange(60):02} " +
             " ".join(rng.choice(words) for _ in range(8)) + f" {rng.randrange(10**6)}"
             for _ in range(100_000)]
    ok = True
    for pattern in ["ab12x", "drift [0-9]+", "^2024-03-11 1[0-9]:"]:
        tgrep = korvex.TGrep(pattern)
        compiled = re.compile(pattern)
        ours = median_time(lambda: sum(1 for _ in tgrep.lines(lines)), repeat=5)
        peer = median_time(lambda: sum(1 for line in lines if compiled.search(line)), repeat=5)
        ok &= row(f"grep 100,000 lines: {pattern}", ours, peer, "re.search", 1.0)
    return ok


def features_to_dataframe():
    try:
        import numpy as np
        import pandas as pd
    except ImportError:
        print("features: pandas is not installed; skipped")
        return True
    rng = np.random.default_rng(2)
    frame = pd.DataFrame({f"f{i}": rng.normal(size=100_000) for i in range(10)})
    with tempfile.TemporaryDirectory() as folder:
        csv = os.path.join(folder, "table.csv")
        matrix = os.path.join(folder, "table.txt")
        frame.to_csv(csv, index=False)
        korvex.FeatureMatrix.from_dataframe(frame).save(matrix)
        ours = median_time(lambda: korvex.read_feature_dataframe(matrix), repeat=5)
        peer = median_time(lambda: pd.read_csv(csv), repeat=5)
    return row("100,000 x 10 feature matrix into a DataFrame", ours, peer, "pandas.read_csv", 1.0)


def main():
    ok = checksums()
    ok &= grep_lines()
    ok &= features_to_dataframe()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
