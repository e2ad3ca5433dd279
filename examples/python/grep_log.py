#!/usr/bin/python3
"""Print the lines of log files that match a pattern, with their line numbers.

The pattern is in the dialect of korvex.TGrep (^ and $, ., [sets] with ranges and ^,
(literal groups), *, + and ?, \\c and \\#hh escapes), not Python's re. Lines are matched
1024 at a time without the GIL, so the script is quick on large logs.

    grep_log.py '^[0-9]+ ERROR' run.log
    grep_log.py -i -c 'timeout' a.log b.log
    grep_log.py -v '^#' settings.txt          # the lines that are not comments
    zcat big.log.gz | grep_log.py 'disk (full)?' -

Exit status as grep's: 0 when some line matched, 1 when none did, 2 on an error.
"""
import argparse
import os
import sys

import korvex


def parse_args(argv):
    parser = argparse.ArgumentParser(description="Print the lines of files that match a "
                                                 "korvex.TGrep pattern, with line numbers.")
    parser.add_argument("pattern", help="the pattern (korvex.TGrep dialect)")
    parser.add_argument("files", nargs="*", default=["-"],
                        help="log files to read ('-' or none: standard input)")
    parser.add_argument("-i", "--ignore-case", action="store_true", help="ignore case")
    parser.add_argument("-v", "--invert-match", action="store_true",
                        help="print the lines that do not match")
    parser.add_argument("-c", "--count", action="store_true",
                        help="print only the number of lines per file")
    parser.add_argument("--encoding", default="utf-8",
                        help="the files' encoding (default utf-8; undecodable bytes are kept)")
    return parser.parse_args(argv)


def search(grep, name, lines, args, show_name):
    """Prints the chosen lines of one file; returns how many there were."""
    count = 0
    for number, line in grep.lines(lines, invert=args.invert_match, numbered=True):
        count += 1
        if not args.count:
            line = line.rstrip("\r\n")
            print(f"{name}:{number}:{line}" if show_name else f"{number}:{line}")
    if args.count:
        print(f"{name}:{count}" if show_name else count)
    return count


def main(argv=None):
    args = parse_args(argv)
    try:
        grep = korvex.TGrep(args.pattern, ignore_case=args.ignore_case)
    except korvex.Error as e:
        print(f"grep_log: {args.pattern!r}: {e}", file=sys.stderr)
        return 2
    # Undecodable bytes were read as lone surrogates: write them back as the same bytes.
    sys.stdout.reconfigure(errors="surrogateescape")
    show_name = len(args.files) > 1
    matched, failed = 0, False
    for name in args.files:
        try:
            if name == "-":
                sys.stdin.reconfigure(encoding=args.encoding, errors="surrogateescape")
                matched += search(grep, "(standard input)", sys.stdin, args, show_name)
                continue
            with open(name, encoding=args.encoding, errors="surrogateescape", newline="") as f:
                matched += search(grep, name, f, args, show_name)
        except BrokenPipeError:
            raise
        except OSError as e:
            print(f"grep_log: {name}: {e.strerror}", file=sys.stderr)
            failed = True
    sys.stdout.flush()
    return 2 if failed else (0 if matched else 1)


if __name__ == "__main__":
    try:
        sys.exit(main())
    except BrokenPipeError:       # e.g. piped into head: stop quietly
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        sys.exit(0)
