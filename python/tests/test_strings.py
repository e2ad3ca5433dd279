"""Number layouts and scanners: the layouts' documented examples, their limits, and the
scanners' positions over str and bytes."""
import math

import pytest

import korvex


@pytest.mark.parametrize("args, kwargs, text", [
    ((3.14159, 8, 3), {}, "   3.142"),
    ((-3.5, -8, 2), {}, "-0003.50"),
    ((0.125, 6, 2), {}, "  0.12"),            # ties to even
    ((-0.001, 6, 2), {}, " -0.00"),           # keeps the sign of a value rounding to zero
    ((-0.0, 5, 1), {}, "  0.0"),
    ((123.456, 12, -2), {}, " 1.23456E+02"),
    ((1e300, 12, 3), {}, f"{1e300:.3f}"),  # longer than the field when needed
    ((math.nan, 5, 1), {}, "  NAN"),
    ((-math.inf, -6, 1), {}, "  -INF"),       # never zero-filled
    ((2.0, 6, 1), {"force_plus": True}, "  +2.0"),
    ((0.0, 3, 0), {"force_plus": True}, " +0"),
])
def test_strff(args, kwargs, text):
    assert korvex.strff(*args, **kwargs) == text


def test_strff_clamps_runaway_widths():
    assert len(korvex.strff(1.0, 10**12, 2)) == 4096
    assert len(korvex.strff(1.0, 4, 10**12)) == 2 + 4096


@pytest.mark.parametrize("call, text", [
    (lambda: korvex.format_data(1.5, 8, 2), "    1.50"),
    (lambda: korvex.format_data(1.5, 8, 9), korvex.strff(1.5, 14, -2)),
    (lambda: korvex.format_sig(3.14159, 8, 3), "    3.14"),
    (lambda: korvex.format_sig(12345, 8, 3), "   12345"),
    (lambda: korvex.format_sig(0.000123, 8, 3), " 1.23E-04"),
    (lambda: korvex.format_sig(0.000123, 8, 3, strip=True), "1.23E-04"),
    (lambda: korvex.auto_format(123.456), "123.5"),
    (lambda: korvex.auto_format(0.5), "0.500"),
    (lambda: korvex.auto_format(12345), "1.234E+04"),
    (lambda: korvex.auto_format(0.5, comma=True), "0,500"),
    (lambda: korvex.sortable_numeric(" 3.5 ", 4), "  3.5"),
    (lambda: korvex.sortable_numeric("12,5", 4, ","), " 12,5"),
    (lambda: korvex.sortable_numeric("7", 3), "   7"),
])
def test_layouts(call, text):
    assert call() == text


@pytest.mark.parametrize("text, start, kwargs, result", [
    ("  -12.5e3x", 1, {}, (-12500.0, 10)),
    ("  -12,5e3x", 1, {"decimal": ","}, (-12500.0, 10)),
    ("1,5", 1, {}, (1.0, 2)),                       # a comma ends the number by default
    ("1e5", 1, {"allow_exp": False}, (1.0, 2)),
    ("1.5.3", 1, {}, (0.0, 4)),                     # a second separator breaks it
    ("x 42", 2, {}, (42.0, 5)),
    ("1e", 1, {}, (1.0, 3)),
    ("-.", 1, {}, (-0.0, 3)),
    ("1", 0, {}, (0.0, 0)),
    ("12", 99, {}, (0.0, 99)),                      # outside the text: stays put
    ("1e99999", 1, {}, (1.7e308, 8)),
])
def test_scan_float(text, start, kwargs, result):
    value, position = korvex.scan_float(text, start, **kwargs)
    assert (value, position) == result
    assert math.copysign(1, value) == math.copysign(1, result[0])


def test_scan_float_walks_a_list_of_numbers():
    text, pos, values = "1 2.5 -3e1", 1, []
    while pos <= len(text):
        value, pos = korvex.scan_float(text, pos)
        values.append(value)
        pos += 1
    assert values == [1.0, 2.5, -30.0]


def test_bad_decimal_option():
    with pytest.raises(ValueError, match="decimal must be"):
        korvex.scan_float("1", decimal=";")
    with pytest.raises(ValueError, match="one character"):
        korvex.sortable_numeric("1", 2, "")


@pytest.mark.parametrize("data, count, kwargs, values", [
    (b"1.5 2.5\n3e2", 4, {}, [1.5, 2.5, 300.0, 0.0]),
    (bytearray(b"1,5;2.5"), 2, {"decimal": ".,"}, [1.5, 2.5]),
    (memoryview(b"\t7 8"), 2, {"allow_exp": False}, [7.0, 8.0]),
    (b"", 0, {}, []),
])
def test_read_floats(data, count, kwargs, values):
    assert korvex.read_floats(data, count, **kwargs) == values


def test_read_ints():
    assert korvex.read_ints(b"  -42x 7\r\n+3 99999999999", 5) == [-42, 7, 3, 2**31 - 1, 0]
    big = b" ".join(b"%d" % i for i in range(100000))   # large enough to run without the GIL
    assert korvex.read_ints(big, 100000) == list(range(100000))
    with pytest.raises(ValueError):
        korvex.read_ints(b"1", -1)
    with pytest.raises(TypeError):
        korvex.read_ints("1", 1)


def test_lone_surrogates_pass_every_string_parameter_and_result():
    # Text read with errors="surrogateescape" holds them; the library keeps them as code units.
    a = korvex.AssocArray()
    a["k\udc80"] = "v\ud800"
    assert list(a.items()) == [("k\udc80", "v\ud800")]
    assert korvex.TGrep("\udc80").pattern == "\udc80"
    with pytest.raises(KeyError):  # an unknown name, not a refused argument
        korvex.color_by_name("\ud800")
