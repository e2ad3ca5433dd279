"""TGrep, the library's small regular-expression matcher, as a compiled pattern object:
search (with the library's 1-based positions), findall, and lines, a filter over the lines of
a file or any iterable of str."""
import itertools
import os

from ._korvex import GrepLines, GrepMatch, TGrep

__all__ = ["TGrep", "GrepMatch", "GrepLines", "grep_file"]


def _iterate_in_chunks(lines: GrepLines):
    """Iterating over TGrep.lines takes the chosen lines a chunk at a time (next() on it still
    gives one), so a loop costs one call into the module per chunk, not per line; the chunks
    are chained in C, with no Python frame per line."""
    return itertools.chain.from_iterable(iter(lines.chunk, []))


GrepLines.__iter__ = _iterate_in_chunks


def grep_file(pattern, path, *, ignore_case: bool = False, invert: bool = False,
              encoding: str = "utf-8", errors: str = "surrogateescape"):
    """Yields (line_number, line) for the lines of a text file that match pattern (a str or a
    TGrep), line ends removed. The file is read with encoding and errors as open() takes them;
    the default keeps undecodable bytes as lone surrogates, so no line is lost."""
    grep = pattern if isinstance(pattern, TGrep) else TGrep(pattern, ignore_case=ignore_case)
    with open(os.fspath(path), encoding=encoding, errors=errors, newline="") as f:
        for number, line in grep.lines(f, invert=invert, numbered=True):
            yield number, _without_line_end(line)


def _without_line_end(line: str) -> str:
    if line.endswith("\n"):
        line = line[:-1]
    return line[:-1] if line.endswith("\r") else line
