#!/usr/bin/env python3
"""The korvex module beside the standard library and pandas, in one run.

    PYTHONPATH=build/dev/python /usr/bin/python3 bench/python_bench.py

Each row: the median of several runs for korvex and for the peer, and the ratio (peer time /
korvex time, so above 1 means korvex is faster) against the target the project set:
- korvex.crc32 on 1 MiB: at least 3 x zlib.crc32;
- korvex.sha1 on 1 MiB: at least 1 x hashlib.sha1;
- TGrep.lines over 100,000 lines: at least 1 x re.search over the same lines, for a literal, a
  set after a literal, an anchored pattern, a literal that never occurs, and with ignore_case,
  invert and numbered;
- a 100,000 x 10 feature matrix file into a DataFrame: at least 1 x pandas.read_csv of the same
  table as CSV, for doubles alone and for every kind of feature with missing values.
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


def once(fn, number):
    start = time.perf_counter()
    for _ in range(number):
        fn()
    return (time.perf_counter() - start) / number


def median_times(ours, peer, repeat=7, number=1):
    """The median times of ours and of peer, their runs taken in turn so that a change of
    clock speed or load during the run weighs on both alike."""
    a, b = [], []
    for _ in range(repeat):
        a.append(once(ours, number))
        b.append(once(peer, number))
    return statistics.median(a), statistics.median(b)


def row(name, times, peer_name, target):
    ours, peer = times
    ratio = peer / ours
    ok = ratio >= target
    print(f"{name:<44} korvex {ours * 1e3:9.3f} ms  {peer_name:<16} {peer * 1e3:9.3f} ms  "
          f"ratio {ratio:5.2f}  target {target:.1f}  {'met' if ok else 'MISSED'}")
    return ok


def checksums():
    data = os.urandom(1 << 20)
    ok = row("crc32, 1 MiB", median_times(lambda: korvex.crc32(data).value,
                                          lambda: zlib.crc32(data), number=50),
             "zlib.crc32", 3.0)
    # Both run the processor's SHA instructions, whose latency bounds them alike.
    ok &= row("sha1, 1 MiB", median_times(lambda: korvex.sha1(data).digest(),
                                           lambda: hashlib.sha1(data).digest(),
                                           repeat=21, number=10),
              "hashlib.sha1", 1.0)
    return ok


def grep_lines():
    rng = random.Random(1)
    words = ["sensor", "drift", "batch", "cooling", "loop", "reading", "offline", "ab12x"]
    lines = [f"2024-03-11 {rng.randrange(24):02}:{rng.randrange(60):02} " +
             " ".join(rng.choice(words) for _ in range(8)) + f" {rng.randrange(10**6)}"
             for _ in range(100_000)]
    ok = True
    for pattern in ["ab12x", "drift [0-9]+", "^2024-03-11 1[0-9]:", "zzz"]:
        tgrep = korvex.TGrep(pattern)
        compiled = re.compile(pattern)
        times = median_times(lambda: sum(1 for _ in tgrep.lines(lines)),
                             lambda: sum(1 for line in lines if compiled.search(line)))
        ok &= row(f"grep 100,000 lines: {pattern}", times, "re.search", 1.0)
    # The options: case folded, inverted, numbered.
    tgrep, compiled = korvex.TGrep("AB12X", ignore_case=True), re.compile("AB12X", re.I)
    times = median_times(lambda: sum(1 for _ in tgrep.lines(lines)),
                         lambda: sum(1 for line in lines if compiled.search(line)))
    ok &= row("grep 100,000 lines: AB12X, ignore_case", times, "re.I search", 1.0)
    tgrep, compiled = korvex.TGrep("ab12x"), re.compile("ab12x")
    times = median_times(lambda: sum(1 for _ in tgrep.lines(lines, invert=True)),
                         lambda: sum(1 for line in lines if not compiled.search(line)))
    ok &= row("grep 100,000 lines: ab12x, invert", times, "not re.search", 1.0)
    times = median_times(
        lambda: sum(n for n, _ in tgrep.lines(lines, numbered=True)),
        lambda: sum(n for n, line in enumerate(lines, 1) if compiled.search(line)))
    ok &= row("grep 100,000 lines: ab12x, numbered", times, "enumerate, re", 1.0)
    return ok


def features_to_dataframe():
    try:
        import numpy as np
        import pandas as pd
    except ImportError:
        print("features: pandas is not installed; skipped")
        return True
    rng = np.random.default_rng(2)
    n = 100_000
    doubles = pd.DataFrame({f"f{i}": rng.normal(size=n) for i in range(10)})
    # Every kind of feature, with missing values: what a measured table looks like.
    mixed = pd.DataFrame({
        "reading": rng.normal(size=n), "count": pd.array(rng.integers(0, 1000, n), "Int64"),
        "passed": pd.array(rng.random(n) < 0.5, "boolean"),
        "site": rng.choice(["north", "south", "east", "west"], n).astype(object),
        **{f"v{i}": rng.normal(size=n) for i in range(6)}})
    mixed.loc[::7, "reading"] = np.nan
    mixed.loc[::11, "count"] = pd.NA
    mixed.loc[::13, "passed"] = pd.NA
    ok = True
    with tempfile.TemporaryDirectory() as folder:
        for name, frame in [("doubles", doubles), ("every kind", mixed)]:
            csv = os.path.join(folder, "table.csv")
            matrix = os.path.join(folder, "table.txt")
            frame.to_csv(csv, index=False)
            korvex.FeatureMatrix.from_dataframe(frame).save(matrix)
            times = median_times(lambda: korvex.read_feature_dataframe(matrix),
                                 lambda: pd.read_csv(csv), repeat=5)
            ok &= row(f"100,000 x 10 matrix, {name}, to a DataFrame", times, "pandas.read_csv",
                      1.0)
    return ok


def main():
    ok = checksums()
    ok &= grep_lines()
    ok &= features_to_dataframe()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
