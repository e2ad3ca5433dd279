"""Colours: conversions against known values, colour arguments, the dictionary, and ColorArray
with its colour-table file written and read on both sides (Python and the library)."""
import math
import os
import pathlib
import runpy
import struct
import subprocess
import sys

import numpy as np
import pytest

import korvex

RED, GREEN, BLUE, WHITE = 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF

KNOWN = [
    (korvex.rgb, (255, 128, 0), 0x0080FF),
    (korvex.to_rgb, (0xFF8000,), (0, 128, 255)),
    (korvex.to_rgb, (0x80000005,), (255, 255, 255)),  # clWindow, from the classic palette
    (korvex.color_to_hex, (BLUE,), "00FF0000"),
    (korvex.hex_to_color, ("$0000FF",), RED),
    (korvex.hex_to_color, (" FF",), RED),
    (korvex.hex_to_color, ("zz",), 0),
    (korvex.interpolate_color, (0, WHITE, 0.5), 0x7F7F7F),
    (korvex.interpolate_color, (0, WHITE, 7.0), WHITE),
    (korvex.interpolate_color, (0, WHITE, math.nan), WHITE),
    (korvex.interpolate_3_colors, (0, 0x808080, WHITE, 0.5), 0x808080),
    (korvex.mean_color, (0, WHITE), 0x7F7F7F),
    (korvex.invert_color, (0x0080FF,), 0xFF7F00),
    (korvex.reverse_rgb, (RED,), BLUE),
    (korvex.rgb_to_cmy, (255, 0, 0), (0.0, 1.0, 1.0)),
    (korvex.cmy_to_rgb, (0.0, 1.0, 2.0), (255, 0, 0)),
    (korvex.cmyk_to_cmy, (0.25, 0.5, 0.9, 0.25), (0.5, 0.75, 1.0)),
    (korvex.rgb_to_gray, (0, 255, 0), 150),
    (korvex.rgb_to_gray, (0, 0, 255), 28),
    (korvex.rgb_to_gray_color, (255, 255, 255), WHITE),
    (korvex.color_to_gray, ("lime",), 150),
    (korvex.color_distance, (0, WHITE), 1.0),
    (korvex.color_distance, ("red", RED), 0.0),
    (korvex.rgb_to_hsi, (0, 0, 0), (0.0, 0.0, 0.0)),
    (korvex.wavelength_to_color, (300,), 0),
    (korvex.web_color, (0x0080FF,), "#FF8000"),
]


@pytest.mark.parametrize("func,args,expected", KNOWN)
def test_known_values(func, args, expected):
    assert func(*args) == pytest.approx(expected)


def test_cmy_to_cmyk_moves_the_least_into_black():
    assert korvex.cmy_to_cmyk(0.5, 0.75, 1.0) == pytest.approx((0.0, 0.25, 0.5, 0.5))
    assert korvex.color_to_cmyk("white") == pytest.approx((0.0, 0.0, 0.0, 0.0))


@pytest.mark.parametrize("rgb", [(255, 0, 0), (12, 200, 90), (255, 165, 0), (1, 2, 250)])
def test_hsi_round_trip(rgb):
    back = korvex.hsi_to_rgb(*korvex.rgb_to_hsi(*rgb))
    assert all(abs(a - b) <= 1 for a, b in zip(back, rgb))


def test_a_grey_has_no_hue():
    assert korvex.color_to_hsi((128, 128, 128))[0] == -1.0


@pytest.mark.parametrize("value,expected", [
    (0xFF, RED), ((255, 0, 0), RED), ([0, 255, 0], GREEN), ("red", RED), ("RED", RED),
    ("#0000FF", BLUE), ("$FF", RED), (0xFFFFFFFF, 0xFFFFFFFF),
])
def test_colour_arguments(value, expected):
    assert korvex.parse_color(value) == expected


@pytest.mark.parametrize("value,error,message", [
    (-1, ValueError, "0..0xFFFFFFFF"), (1 << 32, ValueError, "0..0xFFFFFFFF"),
    ("no such colour", ValueError, "no colour is named 'no such colour'"),
    ((1, 2), ValueError, "3 channels"), ((1, 2, 300), ValueError, "0..255"),
    ((1, 2, 3.0), TypeError, "ints"), ("#12345", ValueError, "#RRGGBB"),
    ("$1234567", ValueError, r"\$BBGGRR"), (1.5, TypeError, "float"), (True, TypeError, "bool"),
])
def test_bad_colour_arguments(value, error, message):
    with pytest.raises(error, match=message):
        korvex.parse_color(value)


def test_dictionary():
    names = korvex.color_names()
    table = korvex.named_colors()
    assert len(names) == 466 and names[0] == "Black" and list(table) == names
    assert table["Aqua"] == table["Cyan"] == 0xFFFF00
    assert korvex.color_name(0xFFFF00) == "Aqua"  # the first of the names
    assert korvex.color_name(0x123457) == "00123457"
    assert korvex.color_by_name("navy blue") == table["NavyBlue"]
    with pytest.raises(KeyError):
        korvex.color_by_name("Nothing")
    assert len(korvex.X11_COLORS) == 145 and len(korvex.PREDEFINED_COLORS) == 47
    assert korvex.PALETTES["circle"][0] == korvex.PALETTES["circle"][-1] == RED


def test_random_colour_bounds():
    assert korvex.random_color(red=(10, 10), green=(20, 20), blue=(30, 30)) == 0x1E140A
    assert 0 <= korvex.random_color() <= WHITE
    with pytest.raises(ValueError):
        korvex.random_color(red=(0, 256))


# ---- ColorArray ---------------------------------------------------------------------------

def table_text(first, colors):
    """A colour-table range as the library writes it, made here independently."""
    lines = ["%d %d" % (first, first + len(colors) - 1)] + ["%08X" % c for c in colors]
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def test_scale_from_a_palette():
    scale = korvex.ColorArray(12, "circle")
    assert len(scale) == scale.size == 12
    assert scale[-1] == RED  # a smooth scale ends exactly on the last key colour
    stepped = korvex.ColorArray(100, "rainbow", levels=4)
    assert len(set(stepped)) <= 5
    keys = korvex.ColorArray(3, ["black", "white"])
    assert keys[2] == WHITE and keys[0] != WHITE


def test_sequence_protocol():
    scale = korvex.ColorArray(5, [0])
    scale[1] = "red"
    scale[-1] = (0, 0, 255)
    assert list(scale) == scale.colors == [0, RED, 0, 0, BLUE]
    assert scale[1:5:2] == [RED, 0] and scale[-2:] == [0, BLUE]
    with pytest.raises(IndexError):
        scale[5]
    with pytest.raises(IndexError):
        scale[-6] = 0
    assert scale == scale.copy() and scale != korvex.ColorArray(5) and scale != "x"


def test_resize_mirror_invert_nearest():
    scale = korvex.ColorArray(3, [0])
    scale[2] = RED
    scale.size = 4
    assert scale[3] == 0
    scale.mirror()
    assert scale.colors == [0, RED, 0, 0]
    scale.invert()
    assert scale.colors == [WHITE, 0xFFFF00, WHITE, WHITE]
    assert scale.nearest("cyan") == (1, 0.0)
    with pytest.raises(ValueError):
        scale.size = 0


def test_copy_from_overlapping():
    scale = korvex.ColorArray.from_numpy(np.arange(15).reshape(5, 3))
    before = scale.colors
    scale.copy_from(scale, 0, 3, dest=1)
    assert scale.colors == before[:1] + before[:3] + before[4:]


def test_numpy_round_trip():
    rgb = np.array([[255, 0, 0], [0, 128, 255], [1, 2, 3]], dtype=np.uint8)
    scale = korvex.ColorArray.from_numpy(rgb)
    assert scale.colors == [RED, 0xFF8000, 0x030201]
    out = scale.to_numpy()
    assert out.dtype == np.uint8 and out.shape == (3, 3) and (out == rgb).all()
    assert korvex.ColorArray.from_numpy([[0.0, 0.5, 1.0]]).colors == [0xFF8000]


@pytest.mark.parametrize("value,error,message", [
    (np.zeros((3, 4)), ValueError, r"shape \(n, 3\)"),
    (np.zeros(3), ValueError, r"shape \(n, 3\)"),
    (np.zeros((0, 3)), ValueError, "1..2147483647"),
    ([[0, 0, 256]], ValueError, "0..255"),
    ([[0, 0, -1]], ValueError, "0..255"),
    ([[0.0, 0.0, 1.5]], ValueError, "0.0..1.0"),
    ([[0.0, 0.0, math.nan]], ValueError, "0.0..1.0"),
    (np.array([["a", "b", "c"]]), TypeError, "RGB values"),
])
def test_bad_numpy_arrays(value, error, message):
    with pytest.raises(error, match=message):
        korvex.ColorArray.from_numpy(value)


def test_library_file_read_by_python(tmp_path):
    scale = korvex.ColorArray(7, "geo1")
    path = tmp_path / "scale.txt"
    scale.save(path)
    assert path.read_bytes() == table_text(1, scale.colors)
    scale.save(str(path), start=2, stop=5)
    assert path.read_bytes() == table_text(3, scale.colors[2:5])
    with pytest.raises(ValueError, match="empty range"):
        scale.save(path, start=5, stop=5)


def test_python_file_read_by_library(tmp_path):
    path = tmp_path / "scale.txt"
    path.write_bytes(table_text(1, [RED, GREEN, BLUE]) + b"trailing data\r\n")
    assert korvex.ColorArray.from_file(path).colors == [RED, GREEN, BLUE]
    path.write_bytes(table_text(3, [RED, GREEN]))
    scale = korvex.ColorArray(5, [0])
    scale.load(path, adjust_size=False)
    assert scale.colors == [0, 0, RED, GREEN, 0]


@pytest.mark.parametrize("content,adjust", [
    (b"", True), (b"1 x\r\n", True), (b"1 3\r\n000000FF\r\n", True),
    (b"1 40000000\r\n00\r\n", True), (table_text(1, [RED] * 6), False),
])
def test_malformed_files_leave_the_array(tmp_path, content, adjust):
    path = tmp_path / "bad.txt"
    path.write_bytes(content)
    scale = korvex.ColorArray(5, "circle")
    before = scale.colors
    with pytest.raises(korvex.ColorArrayError, match="bad.txt: malformed colour table"):
        scale.load(path, adjust_size=adjust)
    assert scale.colors == before


def test_file_errors_name_the_file(tmp_path):
    missing = tmp_path / "no" / "scale.txt"
    with pytest.raises(korvex.InOutError, match="scale.txt: File not found") as caught:
        korvex.ColorArray.from_file(missing)
    assert caught.value.code == 2
    with pytest.raises(korvex.InOutError, match="scale.txt: "):
        korvex.ColorArray(3).save(missing)
    assert not missing.parent.exists()
    with pytest.raises(ValueError, match="embedded null"):
        korvex.ColorArray(3).save(str(tmp_path / "a\0b"))
    assert list(tmp_path.iterdir()) == []


def find_krv():
    named = os.environ.get("KORVEX_KRV")
    if named:
        return pathlib.Path(named)
    build = pathlib.Path(korvex.__file__).resolve().parents[2]
    return build / "tools" / "krv" / "krv"


@pytest.mark.parametrize("palette,size,levels", [("circle", 12, 0), ("geo2", 256, 8)])
def test_same_file_as_krv_color_scale(tmp_path, palette, size, levels):
    krv = find_krv()
    if not krv.is_file():
        pytest.skip("the krv tool is not built beside this module")
    out = tmp_path / "krv.txt"
    subprocess.run([str(krv), "color", "scale", "--palette", palette, "--size", str(size),
                    "--levels", str(levels), "-o", str(out)], check=True)
    mine = tmp_path / "mine.txt"
    korvex.ColorArray(size, palette, levels).save(mine)
    assert mine.read_bytes() == out.read_bytes()
    assert korvex.ColorArray.from_file(out) == korvex.ColorArray(size, palette, levels)


def test_the_scale_plot_example(tmp_path, capsys):
    source = pathlib.Path(__file__).resolve().parents[2] / "examples/python/color_scale_plot.py"
    example = runpy.run_path(str(source), run_name="color_scale_plot")
    out = tmp_path / "scale.png"
    assert example["main"](["--palette", "geo3", "--size", "64", "-o", str(out)]) == 0
    assert out.read_bytes().startswith(b"\x89PNG") and "geo3: 64 colours" in capsys.readouterr().out
    if "matplotlib" in sys.modules:
        return
    # Drawn through korvex: the picture krv color scale writes, N + 2 by 50 pixels.
    assert struct.unpack(">II", out.read_bytes()[16:24]) == (66, 50)
    krv = find_krv()
    if krv.is_file():
        subprocess.run([str(krv), "color", "scale", "--palette", "geo3", "--size", "64", "-o",
                        str(tmp_path / "krv.png")], check=True)
        assert (tmp_path / "krv.png").read_bytes() == out.read_bytes()
