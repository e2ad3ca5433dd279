"""TGrep from Python: match positions, findall, the line filter against re, compile errors and
sharing one pattern between threads."""
import random
import re
import threading

import pytest

import korvex


@pytest.mark.parametrize("pattern, text, start, found", [
    ("ab*c", "xabbbc abc", 1, (2, 6, "abbbc")),
    ("ab*c", "xabbbc abc", 3, (8, 10, "abc")),
    ("ab*c", "abc", 0, (1, 3, "abc")),             # a start below 1 searches from 1
    ("ab*c", "abc", 5, None),                      # beyond length + 1 nothing matches
    ("^b", "ab", 1, None),
    ("b$", "ab", 1, (2, 2, "b")),
    ("[^a-c]", "abcd", 1, (4, 4, "d")),
    ("(ab)+", "xababy", 1, (2, 5, "abab")),
    ("a\\.b", "axb a.b", 1, (5, 7, "a.b")),
    ("\\#41", "xA", 1, (2, 2, "A")),
    ("x?", "abc", 1, (1, 0, "")),                  # an empty match ends one before it starts
    ("", "abc", 1, None),                          # no tokens never match
    ("é", "café", 1, (4, 4, "é")),
    ("[a]", "\u0100a", 1, (2, 2, "a")),             # codes above 255 are never set members
])
def test_search(pattern, text, start, found):
    m = korvex.TGrep(pattern).search(text, start)
    if found is None:
        assert m is None
        return
    assert (m.start, m.end, m.text) == found
    assert m.length == len(m.text) == m.end - m.start + 1
    assert text[m.start - 1:m.end] == m.group()


@pytest.mark.parametrize("pattern, ignore_case, text, matches", [
    ("(ab)+", False, "ababxab", ["abab", "ab"]),
    ("hello", True, "hello HeLLo HELLO", ["hello", "HeLLo", "HELLO"]),
    ("\\#41", True, "aA", ["a", "A"]),
    ("[0-9]+", False, "a1b22c333", ["1", "22", "333"]),
    ("b?", False, "ab", ["", "b", ""]),            # goes on after empty matches, and ends
    ("a*", False, "", [""]),
    ("z", False, "", []),
])
def test_findall(pattern, ignore_case, text, matches):
    assert korvex.TGrep(pattern, ignore_case=ignore_case).findall(text) == matches


@pytest.mark.parametrize("pattern, message", [
    ("*a", "reg.exp. must not start with $, *, ?, or +"),
    ("a$b", "no character allowed after end of line"),
    ("[]", "empty set"),
    ("a^", "circumflex not allowed here"),
    ("[-a]", "minus not allowed here"),
    ("ab)", "mismatch of group brackets"),
    ("[\u0101]", "set member above character code 255"),
    ("()*", "*, ?, + must not be applied to an empty group"),
    ("a" * 256, "literal too long (at most 255 characters)"),
    ("[a]" * 65, "too many tokens (at most 64)"),
])
def test_compile_errors_carry_the_library_message(pattern, message):
    with pytest.raises(korvex.StringError) as err:
        korvex.TGrep(pattern)
    assert str(err.value) == 'Component "": error in regular expression - ' + message
    assert isinstance(err.value, korvex.KRVError)


def test_properties():
    g = korvex.TGrep("A[b-d]", ignore_case=True)
    assert (g.pattern, g.ignore_case, g.tokens) == ("A[b-d]", True, 2)
    assert g.listing.endswith("no errors\r\n")
    assert repr(g) == "korvex.TGrep('A[b-d]', ignore_case=True)"
    with pytest.raises(AttributeError):
        g.pattern = "x"


def _random_lines(n, seed):
    rng = random.Random(seed)
    return ["".join(rng.choice("abcxyzAB019 .") for _ in range(rng.randint(0, 30)))
            for _ in range(n)]


@pytest.mark.parametrize("pattern, flags", [
    ("^[a-c]+x?[0-9]", 0),
    ("(ab)+.z$", 0),
    ("b[^0-9 ]*9", 0),
    ("ab", re.IGNORECASE),
])
def test_lines_agree_with_re(pattern, flags):
    lines = _random_lines(100_000, pattern)
    grep = korvex.TGrep(pattern, ignore_case=bool(flags))
    want = [s for s in lines if re.search(pattern, s, flags)]
    assert want and len(want) < len(lines)
    assert list(grep.lines(lines)) == want
    assert list(grep.lines(iter(lines), invert=True)) == [
        s for s in lines if not re.search(pattern, s, flags)]


def test_lines_of_a_file(tmp_path):
    f = tmp_path / "log.txt"
    f.write_bytes(b"start\nerror: disk\r\nok\nerror: net")
    with open(f, newline="") as lines:
        got = list(korvex.TGrep("^error.*[a-z]$").lines(lines, numbered=True))
    assert got == [(2, "error: disk\r\n"), (4, "error: net")]  # line ends kept, not matched
    assert list(korvex.grep_file("ERROR", f, ignore_case=True)) == [
        (2, "error: disk"), (4, "error: net")]
    assert list(korvex.grep_file(korvex.TGrep("o"), f, invert=True)) == [(1, "start")]


def test_lines_reject_what_is_not_str():
    with pytest.raises(TypeError, match="lines must be str, not bytes"):
        list(korvex.TGrep("a").lines([b"a"]))

    def failing():
        yield "a"
        raise OSError("disk gone")
    with pytest.raises(OSError, match="disk gone"):
        list(korvex.TGrep("a").lines(failing()))


def test_one_pattern_shared_by_threads():
    grep = korvex.TGrep("[0-9]+x")
    lines = _random_lines(20_000, 7) + [str(i) + "x" for i in range(2000)]
    want = [s for s in lines if re.search("[0-9]+x", s)]
    big = "ab 12x " * 20_000
    results, errors = [], []

    def work():
        try:
            results.append(list(grep.lines(lines)))
            results.append(len(grep.findall(big)))
        except Exception as e:  # noqa: BLE001 - reported below
            errors.append(e)
    threads = [threading.Thread(target=work) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors
    assert results.count(want) == 4 and results.count(20_000) == 4
