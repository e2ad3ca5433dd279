#!/usr/bin/env python3
"""Runs Korvex's benchmarks and writes the performance table.

Every bench_* program of a build folder runs once with JSON output; bench/krv_grep_vs_grep.sh
runs beside them when the folder's krv is built. The raw output goes into a results folder,
and a Markdown table pairs every Korvex benchmark with the peer measured in the same run:
ratio first (peer time / Korvex time, so above 1 means Korvex is faster), the two times, the
throughputs, the target the project set for it and whether this run meets it.

    python3 bench/report.py                        # full run of build/release/bench
    python3 bench/report.py --quick                # a fast smoke run (small data, short times)
    python3 bench/report.py --from DIR             # render saved results again, no run
    python3 bench/report.py ... --readme bench/README.md   # also refresh the README's table
    python3 bench/report.py --machine              # print the machine description only

Arguments after `--` go to every benchmark program (for example --benchmark_filter=Crc).
Standard library only.
"""

import argparse
import datetime
import json
import os
import platform
import re
import statistics
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent

# ---------------------------------------------------------------------------------------------
# The pairing table. One entry per comparison:
#   program  the bench program (without "bench_"), or "krv_grep" for the grep script
#   korvex   regular expression for the Korvex benchmark's name (suffixes such as
#            /iterations:2, /min_time:3.000 and /real_time removed); a group named "fold" makes
#            one row of all the names that differ only there (peerless entries only)
#   peer     the peer's name, with \1 or \g<name> taken from the match; None: no peer
#   target   None, or (kind, value, stretch): "ratio" (peer time / Korvex time at least value),
#            "min_Bps" (Korvex bytes per second at least value), "max_s_per_MiB" (Korvex
#            seconds per MiB at most value); stretch marks a wish beyond the requirement
#   source   where the target comes from
#   note     what the comparison is, and the figure measured when the target was set or met
# A benchmark may be the Korvex side of several entries (one row per peer).

RATIO_HALF = ("ratio", 0.5, False)
RATIO_PAR = ("ratio", 1.0, False)
RATIO_PAR_STRETCH = ("ratio", 1.0, True)
WORST_CASE = ("max_s_per_MiB", 0.020, False)

PAIRS = [
    # bench_checksums
    ("checksums", r"BM_Crc32_Korvex/(\d+)/0", r"BM_Crc32_Zlib/\1", None, None,
     "zlib crc32; best code path"),
    ("checksums", r"BM_Sha1_Korvex/(\d+)/0", r"BM_Sha1_OpenSsl/\1", None, None,
     "OpenSSL SHA1(); best code path"),
    ("checksums", r"BM_Crc32_Korvex/(\d+)/(?P<fold>[12])", None, None, None,
     "forced code paths: 1 without 512-bit vectors, 2 portable"),
    ("checksums", r"BM_Sha1_Korvex/(\d+)/(?P<fold>2)", None, None, None,
     "forced portable code path"),
    ("checksums", r"BM_Crc16_Korvex/(?P<fold>\d+)", None, None, None,
     "no CRC-16 in zlib or OpenSSL"),
    ("checksums", r"BM_Ascii85_Encode/(library|adobe)/(?P<fold>\d+)", None, None, None,
     "no ASCII85 coder in the peers; issue 12 then: 1 MiB encode 1.61 (library) / "
     "1.56 GB/s (Adobe)"),
    ("checksums", r"BM_Ascii85_Decode/(library|adobe)/(?P<fold>\d+)", None, None, None,
     "issue 12 then: 1 MiB decode 1.23 (library) / 1.19 GB/s (Adobe)"),
    # bench_colors
    ("colors", r"BM_ColorToIndex", r"BM_ColorToIndex_DistanceLoop", None, "issue 14",
     "baseline: the plain RGBColorDistance loop it replaces (no library does the same); "
     "then 4.1x (1.44 vs 5.96 us)"),
    ("colors", r"BM_FillByInterpolation/(?P<fold>\d+)", None, None, "issue 14",
     "1 M elements, 0 = smooth, 16 levels; then 11.9 / 6.96 ms"),
    # bench_dstruct6
    ("dstruct6", r"BM_StringArray_Fill", r"BM_VectorOfVectors_Fill", None, None,
     "1 M rows x 4 cells; peak_MB = heap peak while building"),
    ("dstruct6", r"BM_StringArray_Sort", r"BM_VectorOfVectors_StdSort", None, None,
     "sort 1 M rows on column 1"),
    ("dstruct6", r"BM_StringArray_FindInSortedColumn", r"BM_VectorOfVectors_LowerBound", None,
     None, "binary search of 1 M rows"),
    ("dstruct6", r"BM_StringArray_SetSortOrder/(\d+)", r"BM_VectorCopy_Permutation/\1", None,
     "issue 11", "peer: a plain copy of the permutation (a floor); items/s should stay flat "
     "over sizes; then 265 M/s at 1,024, 222 M/s at 65,536"),
    ("dstruct6", r"BM_StringArray_FindCell<(false|true)>/(\d+)",
     r"BM_VectorOfVectors_FindSubstring/\2", None, "issue 11",
     "<false> ignores case, <true> exact; peer searches cells already in lower case; "
     "then 86 M cells/s"),
    ("dstruct6", r"BM_AssocArray_Lookup", r"BM_LinearScan_Lookup", None, None,
     "100,000 keys; peer: the linear scan the hash index replaced"),
    ("dstruct6", r"BM_AssocArray_AddRemove", None, None, None, "100,000 keys"),
    # bench_dstruct8
    ("dstruct8", r"BM_RLEEncode/(\d)", r"BM_MemcpyPeer", None, None,
     "memcpy of the same MiB is the ceiling for any coder, not a rival"),
    ("dstruct8", r"BM_RLEDecodeByte/(\d)", r"BM_PlainDecodePeer/\1", None, None,
     "one-byte Decode calls; peer: the obvious state-machine decoder"),
    ("dstruct8", r"BM_RLEDecodeBulk/(\d)", r"BM_PlainDecodePeer/\1", None, None,
     "bulk Decode in 64 KiB pieces"),
    ("dstruct8", r"BM_CountTrueBits", r"BM_CountTrueBitsPlainLoop", None, None,
     "1 M bits, half set; peer: GetBit loop"),
    ("dstruct8", r"BM_CountTrueBits", r"BM_CountTrueBitsByteTable", None, None,
     "peer: the 256-entry byte table alone"),
    ("dstruct8", r"BM_FeatMatSave", r"BM_PlainStreamSavePeer", None, None,
     "100,000 x 10 values; peer: std::ofstream of the same lines"),
    ("dstruct8", r"BM_FeatMatLoad", r"BM_PlainStreamLoadPeer", None, None,
     "peer: plain reading of the same file"),
    # bench_filesys
    ("filesys", r"BM_FileCopyFeedBk", r"BM_cp", RATIO_HALF, "issue 15",
     "1 GiB file, wall time; then 1.02x (1.51 vs 1.48 GB/s)"),
    ("filesys", r"BM_CountFiles", r"BM_find", RATIO_HALF, "issue 15",
     "100,000 files; peer: find -type f | wc -l; then 4.7x (19 vs 90 ms)"),
    # bench_filesystem
    ("filesystem", r"BM_ResolveWrongCase", r"BM_PeerReaddirStrcasecmp", None, "issue 15",
     "name in the wrong case among 100,000; then 0.92x (37.2 vs 34.4 ms)"),
    ("filesystem", r"BM_ResolveExactCase", r"BM_PeerStat", None, "issue 15",
     "name in its stored case; then 0.70x (3.7 vs 2.6 us)"),
    ("filesystem", r"BM_FindAll", r"BM_PeerReaddirFstatat", None, "issue 15",
     "FindFirst/FindNext over 100,000 entries; then 0.97x (435 vs 424 ms)"),
    ("filesystem", r"BM_FindAll", r"BM_PeerReaddir", None, None,
     "peer: readdir alone (no attributes)"),
    ("filesystem", r"BM_FindMaskMatchingNothing", r"BM_PeerReaddir", None, None,
     "a mask that matches nothing"),
    # bench_format
    ("format", r"BM_strff_(Fixed|Scientific|ExtendedFixed)", r"BM_snprintf_\1", None, None,
     "snprintf with the matching format"),
    ("format", r"BM_FormatData", r"BM_snprintf_FormatData", None, None,
     "fixed when it fits, scientific otherwise"),
    ("format", r"BM_ScanStringFPNum/(\d)", r"BM_strtod/\1", None, None,
     "/1 17 digits with exponent, /0 short fixed texts"),
    ("format", r"BM_ScanStringFPNum/(\d)", r"BM_from_chars/\1", None, None,
     "std::from_chars on the same texts"),
    # bench_grep
    ("grep", r"BM_(Literal|Digits|Anchored|WordEnd|Decimal)_TGrep", r"BM_\1_Pcre2", RATIO_PAR,
     "issue 13", "4 MiB line by line; PCRE2 interpreter; then literal 2.0x, ab[0-9]+x 3.2x, "
     "^foo.*bar$ 3.1x (WordEnd, Decimal added later)"),
    ("grep", r"BM_(Literal|Digits|Anchored|WordEnd|Decimal)_TGrep", r"BM_\1_Pcre2Jit",
     RATIO_PAR_STRETCH, "issue 13", "PCRE2 JIT; then 1.5x, 2.2x, 1.8x"),
    ("grep", r"BM_(Literal|Digits|Anchored)_TGrep", r"BM_\1_StdRegex", None, None,
     "std::regex (ECMAScript)"),
    ("grep", r"BM_Pathological_TGrep/(\d+)", r"BM_Pathological_Pcre2/\1", None, None,
     "(a)*(a)*(a)*(a)*b on one short line: shows how backtracking engines grow"),
    ("grep", r"BM_Pathological_TGrep/(\d+)", r"BM_Pathological_StdRegex/\1", None, None,
     "the same beside std::regex"),
    ("grep", r"BM_Worst_(\w+)/(?P<fold>\d+)", None, WORST_CASE, "issue 13",
     "subject of 64 KiB / 1 MiB / 16 MiB characters; time per MiB must not grow with size; "
     "then 5-12 ms/MiB (before: up to 2,292 ms/MiB)"),
    # bench_htmlproducer
    ("htmlproducer", r"BM_Convert_Handler", r"BM_Peer_ReferenceConvert", ("min_Bps", 100e6, False),
     "issue 18", "10 Mi-character template, a tag every 100; peer: the step-by-step reference; "
     "then 939 MB/s vs 404 MB/s"),
    ("htmlproducer", r"BM_Convert_NoHandler", r"BM_Peer_CopyTemplate", None, None,
     "no handler; peer: a plain copy of the template (the floor); then 1.19 vs 9.6 GB/s"),
    # bench_streams
    ("streams", r"BM_ReadLnStream_TFileStream", r"BM_Peer_Getline_Ifstream", RATIO_HALF,
     "issue 13", "100 MiB file; then 1.01x (1.48 vs 1.45 GB/s; before 0.16x)"),
    ("streams", r"BM_ReadLnStream_TFileStream", r"BM_Peer_Fgets", None, "issue 13",
     "then 1.24x (fgets 1.19 GB/s)"),
    ("streams", r"BM_ReadNextTagInStream", r"BM_Peer_GetlineToGt", None, "issue 13",
     "16 MiB of elements; peer: getline up to each '>'; then 394 MB/s"),
    ("streams", r"BM_StreamAsString", r"BM_Peer_WideningCopy", None, None,
     "64 MiB memory stream to UTF-16 text"),
    ("streams", r"BM_WriteStringStream", r"BM_Peer_NarrowingIntoString", None, None,
     "64 Mi characters to bytes"),
    ("streams", r"BM_WriteStringStream", r"BM_Peer_OstringstreamWrite", None, None,
     "peer: ostream::write of the bytes"),
    # bench_string_edit
    ("string_edit", r"BM_(\w+)_Krv", r"BM_\1_PlainLoop", None, None,
     "1 MiB of UTF-16 text; peer: a plain std::u16string loop"),
    # bench_textfiles
    ("textfiles", r"BM_CountLinesInTextFile", r"BM_Peer_WcL", None, "issue 15",
     "100 MiB, wall time, wc -l as a process; then 1.16x (53.0 vs 61.5 ms)"),
    ("textfiles", r"BM_TextFileReadLnCount", r"BM_Peer_WcL", None, None,
     "the same count by TextFile.ReadLn, for scale"),
    # bench/krv_grep_vs_grep.sh
    ("krv_grep", r"krv grep (.*)", r"GNU grep \1", RATIO_PAR, "issue 31",
     "generated text, median wall time, output to a file; grep -E; every row at least 1.0"),
    ("krv_grep", r"krv grep (-r .*)", r"ripgrep \1", RATIO_PAR, "issue 31",
     "50,000 files, ripgrep with its default threads"),
]

# Benchmark options of a quick smoke run, and the smaller data it asks for. A benchmark whose
# first iteration outlasts the minimum time is measured in that one iteration, first-use costs
# included; the tables mark such figures.
QUICK_MIN_TIME = "0.01"
QUICK_ENV = {"KORVEX_BENCH_COPY_MIB": "64", "KORVEX_BENCH_TREE_FILES": "5000"}
QUICK_GREP_MB = 32

STATUS_BEGIN, STATUS_END = "<!-- report.py: status begin -->", "<!-- report.py: status end -->"
RESULTS_BEGIN, RESULTS_END = "<!-- report.py: results begin -->", "<!-- report.py: results end -->"

SUFFIX = re.compile(r"/(iterations|min_time|repeats|threads|real_time|manual_time)(:[^/]*)?")
UNIT_SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


# ---------------------------------------------------------------------------------------------
# Machine description


def _run_text(cmd):
    """First line of a command's output, or '' when it cannot run."""
    try:
        out = subprocess.run(cmd, capture_output=True, text=True, timeout=20).stdout
    except (OSError, subprocess.SubprocessError):
        return ""
    return out.strip().splitlines()[0] if out.strip() else ""


def _cmake_cache(build_dir):
    """Entries of the CMakeCache.txt at or above the bench folder."""
    for d in [build_dir, *build_dir.parents][:3]:
        cache = d / "CMakeCache.txt"
        if cache.is_file():
            entries = {}
            for line in cache.read_text(errors="replace").splitlines():
                m = re.match(r"([A-Za-z0-9_]+):[A-Z]+=(.*)", line)
                if m:
                    entries[m.group(1)] = m.group(2)
            return entries
    return {}


def machine_info(build_dir):
    """What the run's machine and build are: CPU, cores, memory, OS, compiler, commit."""
    info = {}
    try:
        cpuinfo = Path("/proc/cpuinfo").read_text()
        models = re.findall(r"^model name\s*:\s*(.*)$", cpuinfo, re.M)
        info["cpu"] = models[0] if models else platform.processor()
        info["logical_cpus"] = len(re.findall(r"^processor\s*:", cpuinfo, re.M))
        flags = re.search(r"^flags\s*:\s*(.*)$", cpuinfo, re.M)
        if flags:
            have = set(flags.group(1).split())
            info["vector_flags"] = " ".join(
                f for f in ("sse4_2", "avx2", "avx512f", "avx512bw", "sha_ni", "pclmulqdq",
                            "vpclmulqdq") if f in have)
        mhz = re.findall(r"^cpu MHz\s*:\s*(.*)$", cpuinfo, re.M)
        if mhz:
            info["cpu_mhz"] = mhz[0]
    except OSError:
        info["cpu"] = platform.processor()
    info["nproc"] = _run_text(["nproc"])
    try:
        mem = re.search(r"^MemTotal:\s*(\d+) kB", Path("/proc/meminfo").read_text(), re.M)
        if mem:
            info["memory"] = "%.1f GiB" % (int(mem.group(1)) / 1024 / 1024)
    except OSError:
        pass
    os_name = ""
    try:
        m = re.search(r'^PRETTY_NAME="?([^"\n]*)', Path("/etc/os-release").read_text(), re.M)
        os_name = m.group(1) if m else ""
    except OSError:
        pass
    try:
        os_name += " (debian_version %s)" % Path("/etc/debian_version").read_text().strip()
    except OSError:
        pass
    info["os"] = os_name.strip() or platform.platform()
    info["kernel"] = platform.release()
    cache = _cmake_cache(build_dir)
    cxx = cache.get("CMAKE_CXX_COMPILER", "c++")
    info["compiler"] = _run_text([cxx, "--version"]) or cxx
    build_type = cache.get("CMAKE_BUILD_TYPE", "")
    flags = cache.get("CMAKE_CXX_FLAGS_" + build_type.upper(), "") if build_type else ""
    info["build"] = ("%s %s" % (build_type, flags)).strip()
    commit = _run_text(["git", "-C", str(REPO), "rev-parse", "--short", "HEAD"])
    dirty = ["git", "-C", str(REPO), "status", "--porcelain", "--untracked-files=no", "--",
             "src", "include", "bench"]
    if commit and _run_text(dirty):
        commit += " (with local changes)"
    info["commit"] = commit
    info["load_average_at_start"] = " ".join("%.2f" % x for x in os.getloadavg())
    return info


def machine_markdown(info, contexts):
    """The machine section: a small two-column table."""
    rows = [
        ("CPU", "%s, %s logical CPUs" % (info.get("cpu", "?"), info.get("logical_cpus", "?"))),
        ("nproc", info.get("nproc", "?")),
        ("Vector features", info.get("vector_flags", "?")),
        ("Memory", info.get("memory", "?")),
        ("OS", "%s, kernel %s" % (info.get("os", "?"), info.get("kernel", "?"))),
        ("Compiler", info.get("compiler", "?")),
        ("Build", info.get("build", "?")),
        ("Commit", info.get("commit", "?")),
        ("Load average at start", info.get("load_average_at_start", "?")),
    ]
    ctx = next(iter(contexts.values()), {}) if contexts else {}
    if ctx:
        rows.append(("Google Benchmark", "library %s build, CPU scaling %s" % (
            ctx.get("library_build_type", "?"),
            "on" if ctx.get("cpu_scaling_enabled") else "off")))
        caches = ctx.get("caches") or []
        if caches:
            rows.append(("Caches", ", ".join(
                "L%s %s %d KiB" % (c.get("level"), c.get("type", "")[:4], c.get("size", 0) // 1024)
                for c in caches)))
    lines = ["| | |", "|---|---|"]
    lines += ["| %s | %s |" % (k, str(v).replace("|", "\\|")) for k, v in rows]
    return "\n".join(lines)


# ---------------------------------------------------------------------------------------------
# Running


def bench_programs(build_dir):
    return sorted(p for p in build_dir.glob("bench_*") if p.is_file() and os.access(p, os.X_OK))


def run_programs(args, build_dir, out_dir, passthrough):
    """Runs every bench_* program; returns {program: seconds taken}."""
    durations = {}
    env = dict(os.environ)
    if args.quick:
        env.update({k: v for k, v in QUICK_ENV.items() if k not in os.environ})
    programs = bench_programs(build_dir)
    if args.only:
        wanted = set(args.only.split(","))
        programs = [p for p in programs if p.name[len("bench_"):] in wanted]
    if not programs:
        sys.exit("report.py: no bench_* programs in %s (build them first)" % build_dir)
    for prog in programs:
        name = prog.name[len("bench_"):]
        json_out = out_dir / ("bench_%s.json" % name)
        cmd = [str(prog), "--benchmark_out=%s" % json_out, "--benchmark_out_format=json"]
        min_time = args.min_time or (QUICK_MIN_TIME if args.quick else None)
        if min_time:
            cmd.append("--benchmark_min_time=%s" % min_time)
        if args.warmup:
            cmd.append("--benchmark_min_warmup_time=%s" % args.warmup)
        if args.repetitions > 1:
            cmd.append("--benchmark_repetitions=%d" % args.repetitions)
        cmd += passthrough
        log(" ".join(cmd))
        start = time.monotonic()
        with open(out_dir / ("bench_%s.log" % name), "w") as console:
            rc = subprocess.run(cmd, stdout=console, stderr=subprocess.STDOUT, env=env).returncode
        durations[prog.name] = round(time.monotonic() - start, 1)
        log("  %s: %.1f s%s" % (prog.name, durations[prog.name],
                                "" if rc == 0 else ", exit status %d" % rc))
        if rc != 0:
            durations[prog.name + " exit status"] = rc
    return durations


def run_grep_script(args, build_dir, out_dir):
    """Runs bench/krv_grep_vs_grep.sh, saves its output and a JSON form of it; returns the
    seconds taken and the file size in MiB, or None when krv is not built."""
    krv = Path(args.krv) if args.krv else build_dir.parent / "tools" / "krv" / "krv"
    if not krv.is_file():
        log("krv not built at %s: the krv grep comparison is left out" % krv)
        return None
    env = dict(os.environ)
    if args.quick:
        env.setdefault("SIZE_MB", str(QUICK_GREP_MB))
    if args.grep_size_mb:
        env["SIZE_MB"] = str(args.grep_size_mb)
    cmd = ["bash", str(REPO / "bench" / "krv_grep_vs_grep.sh"), str(krv)]
    log(" ".join(cmd) + " (SIZE_MB=%s)" % env.get("SIZE_MB", "512"))
    start = time.monotonic()
    proc = subprocess.run(cmd, capture_output=True, text=True, env=env)
    seconds = round(time.monotonic() - start, 1)
    (out_dir / "krv_grep_vs_grep.txt").write_text(proc.stdout + proc.stderr)
    log("  krv_grep_vs_grep.sh: %.1f s%s" % (seconds, "" if proc.returncode == 0 else
                                             ", exit status %d" % proc.returncode))
    data = parse_grep_output(proc.stdout)
    (out_dir / "krv_grep_vs_grep.json").write_text(json.dumps(data, indent=2) + "\n")
    return seconds, int(env.get("SIZE_MB", "512"))


def parse_grep_output(text):
    """The script's table as benchmark-like entries: 'krv grep LABEL', 'GNU grep LABEL' and
    'ripgrep LABEL' (when ripgrep ran)."""
    size = re.search(r"files: (\d+) MiB of text, median of (\d+) runs", text)
    size_mb = int(size.group(1)) if size else 0
    entries = []
    row = re.compile(r"^(.*?)\s+(\d+\.\d+)\s+(\d+\.\d+)\s+(\d+\.\d+|-)\s+(\d+\.\d+)\s+"
                     r"(\S+)\s+(\S+)\s*$")
    for line in text.splitlines():
        m = row.match(line)
        if not m:
            continue
        label, same = m.group(1), m.group(7)
        times = [("krv grep", m.group(2)), ("GNU grep", m.group(3)), ("ripgrep", m.group(4))]
        for who, value in times:
            if value == "-":
                continue
            t = float(value)
            e = {"name": "%s %s" % (who, label), "run_type": "iteration", "time_unit": "s",
                 "real_time": t, "cpu_time": t, "time_basis": "real", "iterations": 1}
            if size_mb and t > 0:
                e["bytes_per_second"] = size_mb * 1048576 / t
            if same != "yes" and who != "ripgrep":
                e["error_occurred"] = True
                e["error_message"] = "outputs differ"
            entries.append(e)
    return {"context": {"size_mb": size_mb, "runs": int(size.group(2)) if size else 0},
            "benchmarks": entries}


# ---------------------------------------------------------------------------------------------
# Reading results


class Result:
    """One benchmark's figures: the median over its repetitions."""

    def __init__(self, program, name, entries):
        self.program, self.name = program, name
        first = entries[0]
        self.basis = first.get("time_basis") or ("real" if "/real_time" in first.get(
            "name", "") else "cpu")
        self.error = next((e.get("error_message", "error") for e in entries
                           if e.get("error_occurred")), None)
        self.label = first.get("label", "")
        self.reps = len(entries)

        def median(key):
            vals = [e[key] for e in entries if isinstance(e.get(key), (int, float))]
            return statistics.median(vals) if vals else None

        t = median("real_time" if self.basis == "real" else "cpu_time")
        self.seconds = t * UNIT_SECONDS.get(first.get("time_unit", "ns"), 1e-9) if t else None
        self.bytes_per_second = median("bytes_per_second")
        self.items_per_second = median("items_per_second")
        self.s_per_mib = median("s_per_MiB")
        self.peak_mb = median("peak_MB")
        self.iterations = median("iterations")


def base_name(entry):
    name = entry.get("run_name") or entry.get("name", "")
    return SUFFIX.sub("", name)


def load_results(result_dir):
    """{(program, name): Result}, the Google Benchmark contexts and the saved run info."""
    results, contexts = {}, {}
    for path in sorted(result_dir.glob("*.json")):
        if path.name in ("machine.json", "run.json"):
            continue
        program = path.stem[len("bench_"):] if path.stem.startswith("bench_") else "krv_grep"
        try:
            data = json.loads(path.read_text())
        except (OSError, ValueError) as err:
            log("cannot read %s: %s" % (path, err))
            continue
        contexts[program] = data.get("context", {})
        groups, aggregates = {}, {}
        for e in data.get("benchmarks", []):
            key = base_name(e)
            if e.get("run_type") == "aggregate":
                if e.get("aggregate_name") == "median":
                    aggregates[key] = e
            else:
                groups.setdefault(key, []).append(e)
        for key, e in aggregates.items():
            groups.setdefault(key, [e])  # only when the repetitions themselves were not kept
        for seq, (key, entries) in enumerate(groups.items()):
            results[(program, key)] = Result(program, key, entries)
            results[(program, key)].seq = seq  # the program's own order
    info = {}
    for extra in ("machine.json", "run.json"):
        if (result_dir / extra).is_file():
            info[extra] = json.loads((result_dir / extra).read_text())
    return results, contexts, info


# ---------------------------------------------------------------------------------------------
# The tables


def fmt_result_time(r):
    """The time, or the error; a dagger marks a figure from one iteration."""
    if r is None:
        return "not run"
    if r.error:
        return "error: " + r.error
    return fmt_time(r.seconds) + (" †" if single(r) else "")


def single(r):
    return r is not None and r.iterations == 1 and r.program != "krv_grep"


def fmt_time(s):
    if s is None:
        return "—"
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("µs", 1e-6), ("ns", 1e-9)):
        if s >= scale or unit == "ns":
            v = s / scale
            return ("%.3g" % v if v < 1000 else "%.0f" % v) + " " + unit
    return "—"


def fmt_rate(v, unit):
    if v is None:
        return ""
    for prefix, scale in (("G", 1e9), ("M", 1e6), ("k", 1e3), ("", 1.0)):
        if v >= scale or prefix == "":
            return "%.3g %s%s" % (v / scale, prefix, unit)
    return ""


def fmt_figure(r):
    """Throughput (bytes or items per second), time per MiB and peak heap where reported."""
    if r is None:
        return ""
    parts = []
    if r.bytes_per_second:
        parts.append(fmt_rate(r.bytes_per_second, "B/s"))
    elif r.items_per_second:
        parts.append(fmt_rate(r.items_per_second, " items/s"))
    if r.s_per_mib is not None and not r.bytes_per_second:
        parts.append(fmt_time(r.s_per_mib) + "/MiB")
    if r.peak_mb is not None:
        parts.append("peak %.0f MB" % r.peak_mb)
    return ", ".join(parts)


def fmt_target(target):
    if target is None:
        return "—"
    kind, value, stretch = target
    text = {"ratio": "≥ %gx" % value,
            "min_Bps": "≥ %s" % fmt_rate(value, "B/s"),
            "max_s_per_MiB": "≤ %s/MiB" % fmt_time(value)}[kind]
    return ("stretch " + text) if stretch else text


def target_met(target, korvex, ratio):
    """True, False or None (no target, or no figure to judge by)."""
    if target is None or korvex is None or korvex.error:
        return None
    kind, value, _ = target
    if kind == "ratio":
        return None if ratio is None else ratio >= value
    if kind == "min_Bps":
        return None if korvex.bytes_per_second is None else korvex.bytes_per_second >= value
    if kind == "max_s_per_MiB":
        return None if korvex.s_per_mib is None else korvex.s_per_mib <= value
    return None


def fmt_met(target, met):
    if target is None:
        return "—"
    if met is None:
        return "no figure"
    word = "yes" if met else "**no**"
    return ("stretch: " + ("yes" if met else "no")) if target[2] else word


def cell(text):
    return str(text).replace("|", "\\|")


def build_rows(results):
    """Rows of the paired table, rows of the peerless table, and the unlisted benchmarks."""
    paired, alone, used = [], {}, set()
    order = {p: i for i, p in enumerate(dict.fromkeys(e[0] for e in PAIRS))}
    for index, (program, pattern, peer_tpl, target, source, note) in enumerate(PAIRS):
        rx = re.compile(pattern)
        for (prog, name), res in results.items():
            if prog != program:
                continue
            m = rx.fullmatch(name)
            if not m:
                continue
            used.add((prog, name))
            if peer_tpl is None:
                key = name
                if "fold" in rx.groupindex and m.group("fold") is not None:
                    key = name[:m.start("fold")] + "*" + name[m.end("fold"):]
                alone.setdefault((index, key), []).append((m.groupdict().get("fold"), res))
                continue
            peer_name = m.expand(peer_tpl)
            peer = results.get((prog, peer_name))
            if peer is not None:
                used.add((prog, peer_name))
            ratio = None
            if peer and res.seconds and peer.seconds and not res.error and not peer.error:
                ratio = peer.seconds / res.seconds
            met = target_met(target, res, ratio)
            paired.append({"order": (order[program], index, name), "program": program,
                           "korvex": res, "peer_name": peer_name, "peer": peer,
                           "ratio": ratio, "target": target, "met": met,
                           "source": source, "note": note})
    # All peers of one Korvex benchmark together, in the order of the pairing table.
    first = {}
    for r in paired:
        key = (r["program"], r["korvex"].name)
        first[key] = min(first.get(key, r["order"][1]), r["order"][1])
    paired.sort(key=lambda r: (r["order"][0], first[(r["program"], r["korvex"].name)],
                               r["korvex"].seq, r["order"][1]))
    alone_rows = []
    for (index, key), members in sorted(alone.items()):
        program, _, _, target, source, note = PAIRS[index]
        members.sort(key=lambda fm: fm[1].seq)
        mets = [target_met(target, res, None) for _, res in members]
        met = None if target is None or None in mets else all(mets)
        alone_rows.append({"order": (order[program], index, key), "program": program,
                           "name": key, "members": members, "target": target, "met": met,
                           "source": source, "note": note})
    alone_rows.sort(key=lambda r: (r["order"][0], r["order"][1], r["members"][0][1].seq))
    unlisted = sorted(k for k in results if k not in used)
    return paired, alone_rows, unlisted


def program_title(program):
    return "krv_grep_vs_grep.sh" if program == "krv_grep" else "bench_" + program


def render_tables(results):
    paired, alone, unlisted = build_rows(results)
    notes = {}  # pairing-table index -> footnote number, in order of first use

    def footnote(row):
        index = row["order"][1]
        if index not in notes:
            notes[index] = len(notes) + 1
        return "[%d]" % notes[index]

    out = []
    out.append("Ratio = peer time / Korvex time: **above 1 means Korvex is faster**. Times are "
               "CPU time per iteration, or wall time where the benchmark measures a separate "
               "process or the disk (names with `/real_time`, and the grep script); with "
               "repetitions, the median. Throughput in decimal units (1 MB/s = 10^6 bytes/s).")
    out.append("")
    out.append("| Ratio (>1: Korvex faster) | Korvex | Peer | Korvex time | Peer time | "
               "Korvex throughput | Peer throughput | Target | Met | Note |")
    out.append("|---:|---|---|---:|---:|---:|---:|---|---|---|")
    program = None
    for r in paired:
        if r["program"] != program:
            program = r["program"]
            out.append("| | **%s** | | | | | | | | |" % program_title(program))
        k, p = r["korvex"], r["peer"]
        ratio = "%.2fx" % r["ratio"] if r["ratio"] is not None else "—"
        ktime, ptime = fmt_result_time(k), fmt_result_time(p)
        label = " (%s)" % k.label if k.label else ""
        out.append("| %s | `%s`%s | `%s` | %s | %s | %s | %s | %s | %s | %s |" % (
            ratio, cell(k.name), cell(label), cell(r["peer_name"]), cell(ktime), cell(ptime),
            fmt_figure(k), fmt_figure(p), fmt_target(r["target"]),
            fmt_met(r["target"], r["met"]), footnote(r)))
    out.append("")
    out.append("Benchmarks without a peer in the same run (other code paths, worst cases with "
               "an absolute target, work no peer does). Where a row folds several arguments "
               "(`*`), the figures are listed per argument.")
    out.append("")
    out.append("| Benchmark | Time | Throughput or time per MiB | Target | Met | Note |")
    out.append("|---|---|---|---|---|---|")
    for r in alone:
        members = r["members"]
        if len(members) == 1 and members[0][0] is None:
            res = members[0][1]
            times = fmt_result_time(res)
            figs = fmt_figure(res)
        else:
            times = "; ".join("%s: %s" % (f, fmt_result_time(res)) for f, res in members)
            figs = "; ".join("%s: %s" % (f, fmt_figure(res)) for f, res in members)
        out.append("| `%s` (%s) | %s | %s | %s | %s | %s |" % (
            cell(r["name"]), program_title(r["program"]), cell(times), cell(figs),
            fmt_target(r["target"]), fmt_met(r["target"], r["met"]), footnote(r)))
    if any(single(r) for r in results.values()):
        out.append("")
        out.append("† measured in one iteration (its first iteration outlasted the minimum "
                   "time), so first-use costs such as buffer growth and page faults are "
                   "included: not a reliable figure.")
    out.append("")
    out.append("Notes (what is compared; where a target comes from; the figure measured when "
               "it was set or met, from the closing notes):")
    out.append("")
    for number, index in sorted((n, i) for i, n in notes.items()):
        _, _, _, target, source, note = PAIRS[index]
        origin = ("; target from " + source) if target and source else (
            "; benchmark asked for by " + source if source else "")
        out.append("%d. %s%s" % (number, note, origin))
    if unlisted:
        out.append("")
        out.append("Benchmarks not yet in the pairing table of `bench/report.py`:")
        out.append("")
        for prog, name in unlisted:
            res = results[(prog, name)]
            out.append("- `%s` (%s): %s %s" % (name, program_title(prog), fmt_time(res.seconds),
                                               fmt_figure(res)))
    missed = [r for r in paired + alone if r["met"] is False and not r["target"][2]]
    out.append("")
    if missed:
        out.append("Targets not met in this run:")
        out.append("")
        for r in missed:
            name = r["korvex"].name if "korvex" in r else r["name"]
            peer = (" beside `%s`" % r["peer_name"]) if "peer_name" in r else ""
            rs = [r["korvex"], r.get("peer")] if "korvex" in r else [m for _, m in r["members"]]
            caveat = " (one iteration: see †)" if any(single(x) for x in rs) else ""
            out.append("- `%s`%s: target %s (%s)%s." % (name, peer, fmt_target(r["target"]),
                                                         r["source"], caveat))
    else:
        out.append("Every target with a figure in this run is met.")
    no_figure = [r for r in paired + alone if r["target"] and r["met"] is None]
    if no_figure:
        out.append("")
        out.append("Targets without a figure in this run (benchmark or peer missing or in "
                   "error): " + ", ".join("`%s`" % (r["korvex"].name if "korvex" in r
                                                    else r["name"]) for r in no_figure) + ".")
    return "\n".join(out), unlisted


def status_markdown(run):
    when = run.get("finished", "?")
    cmd = run.get("command", "")
    grep = ("%s MiB grep file" % run["grep_size_mb"]) if run.get("grep_size_mb") else (
        "no grep script")
    if run.get("quick"):
        return ("> **Provisional, from a quick run on a shared machine; the final table comes "
                "from one full run.** Quick run, finished %s: short measuring times, smaller file "
                "data (%s MiB copy, %s files, %s), other work on the machine. "
                "Command: `%s`. The full run, on an idle machine: "
                "`python3 bench/report.py --readme bench/README.md`." % (
                    when, QUICK_ENV["KORVEX_BENCH_COPY_MIB"],
                    QUICK_ENV["KORVEX_BENCH_TREE_FILES"], grep, cmd))
    kind = "Partial run (some programs or changed options)" if run.get("partial") else "Full run"
    reps = run.get("repetitions", 1)
    measured = ("%d repetitions of each benchmark (medians)" % reps) if reps > 1 else (
        "one repetition of each benchmark")
    return ("> %s, finished %s: %s, %s. Command: `%s`." % (kind, when, measured, grep, cmd))


def results_markdown(results, contexts, info):
    run = info.get("run.json", {})
    machine = info.get("machine.json", {})
    tables, unlisted = render_tables(results)
    parts = ["### Run", "", status_markdown(run), ""]
    durations = run.get("durations", {})
    if durations:
        total = sum(v for k, v in durations.items() if not k.endswith("exit status"))
        parts.append("Time taken: %.0f s in all (%s)." % (total, ", ".join(
            "%s %.0f s" % (k, v) for k, v in durations.items() if not k.endswith("exit status"))))
        failed = {k: v for k, v in durations.items() if k.endswith("exit status")}
        if failed:
            parts.append("Programs that failed: %s." % ", ".join(
                "%s %s" % (k, v) for k, v in failed.items()))
        parts.append("")
    parts += ["### Machine", "", machine_markdown(machine, contexts), "", "### Table", "", tables]
    return "\n".join(parts) + "\n", unlisted


def replace_block(text, begin, end, body):
    if begin not in text or end not in text:
        sys.exit("report.py: the README lacks the markers %s ... %s" % (begin, end))
    head, rest = text.split(begin, 1)
    _, tail = rest.split(end, 1)
    return head + begin + "\n" + body.rstrip("\n") + "\n" + end + tail


def update_readme(readme, status, body):
    text = readme.read_text()
    text = replace_block(text, STATUS_BEGIN, STATUS_END, status)
    text = replace_block(text, RESULTS_BEGIN, RESULTS_END, body)
    readme.write_text(text)


# ---------------------------------------------------------------------------------------------


def log(msg):
    print("report.py: " + msg, file=sys.stderr, flush=True)


def main(argv):
    passthrough = []
    if "--" in argv:
        passthrough = argv[argv.index("--") + 1:]
        argv = argv[:argv.index("--")]
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                 formatter_class=argparse.RawDescriptionHelpFormatter,
                                 epilog="Arguments after -- go to every benchmark program.")
    ap.add_argument("--build", default=str(REPO / "build" / "release" / "bench"),
                    help="folder of the bench_* programs (default: build/release/bench)")
    ap.add_argument("--out", help="results folder (default: bench-results/<UTC time> beside "
                    "the bench folder)")
    ap.add_argument("--from", dest="from_dir", metavar="DIR",
                    help="render the table from saved results, without running anything")
    ap.add_argument("--quick", action="store_true",
                    help="smoke run: min time %s s, small file data, %d MiB grep file" %
                    (QUICK_MIN_TIME, QUICK_GREP_MB))
    ap.add_argument("--repetitions", type=int, default=None,
                    help="--benchmark_repetitions (default 3, 1 with --quick); medians are used")
    ap.add_argument("--min-time", help="--benchmark_min_time, in seconds")
    ap.add_argument("--warmup", help="--benchmark_min_warmup_time, in seconds (default: none)")
    ap.add_argument("--only", help="comma-separated programs to run, e.g. grep,streams")
    ap.add_argument("--no-grep", action="store_true", help="leave out krv_grep_vs_grep.sh")
    ap.add_argument("--grep-size-mb", type=int, help="size of the grep script's file (SIZE_MB)")
    ap.add_argument("--krv", help="krv for the grep script (default: <build>/../tools/krv/krv)")
    ap.add_argument("--readme", help="README to refresh between the report.py markers")
    ap.add_argument("--machine", action="store_true", help="print the machine description")
    args = ap.parse_args(argv)
    build_dir = Path(args.build).resolve()

    if args.machine:
        print(machine_markdown(machine_info(build_dir), {}))
        return 0

    if args.from_dir:
        out_dir = Path(args.from_dir)
    else:
        if args.repetitions is None:
            args.repetitions = 1 if args.quick else 3
        stamp = datetime.datetime.now(datetime.timezone.utc).strftime("%Y%m%dT%H%M%SZ")
        out_dir = Path(args.out) if args.out else build_dir.parent / "bench-results" / stamp
        out_dir.mkdir(parents=True, exist_ok=True)
        log("results go to %s" % out_dir)
        machine = machine_info(build_dir)
        (out_dir / "machine.json").write_text(json.dumps(machine, indent=2) + "\n")
        started = datetime.datetime.now(datetime.timezone.utc)
        durations = run_programs(args, build_dir, out_dir, passthrough)
        grep_size_mb = None
        if not args.no_grep and not args.only:
            grep_run = run_grep_script(args, build_dir, out_dir)
            if grep_run is not None:
                durations["krv_grep_vs_grep.sh"], grep_size_mb = grep_run
        partial = bool(args.only or args.min_time or args.warmup or passthrough or args.no_grep or
                       args.grep_size_mb or grep_size_mb is None or args.repetitions != 3)
        run = {"quick": args.quick, "partial": partial, "repetitions": args.repetitions,
               "started": started.strftime("%Y-%m-%d %H:%M UTC"),
               "finished": datetime.datetime.now(datetime.timezone.utc).strftime(
                   "%Y-%m-%d %H:%M UTC"),
               "command": " ".join(["python3 bench/report.py"] + sys.argv[1:]),
               "grep_size_mb": grep_size_mb,
               "durations": durations}
        (out_dir / "run.json").write_text(json.dumps(run, indent=2) + "\n")

    results, contexts, info = load_results(out_dir)
    if not results:
        sys.exit("report.py: no results in %s" % out_dir)
    body, unlisted = results_markdown(results, contexts, info)
    (out_dir / "report.md").write_text(body)
    print(body)
    if unlisted:
        log("%d benchmarks are not in the pairing table" % len(unlisted))
    if args.readme:
        update_readme(Path(args.readme), status_markdown(info.get("run.json", {})), body)
        log("updated %s" % args.readme)
    log("table written to %s" % (out_dir / "report.md"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
