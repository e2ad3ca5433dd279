"""Drawing: a bitmap's canvas and its settings, its PNG and BMP bytes decoded here and compared
with its pixels, the marks, PDF documents and the CPU identification."""
import dataclasses
import gc
import struct
import threading
import zlib

import numpy as np
import pytest

import korvex

RED, GREEN, BLUE, WHITE = 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF


def decode_png(data):
    """The (height, width, 3) pixels of an 8-bit RGB PNG, decoded with zlib alone."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        assert zlib.crc32(kind + body) == struct.unpack(">I", data[pos + 8 + length:][:4])[0]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour_type = header[:4]
    assert (depth, colour_type) == (8, 2)
    raw, stride = zlib.decompress(idat), width * 3
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b, c = previous[i], previous[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    return np.frombuffer(b"".join(rows), dtype=np.uint8).reshape(height, width, 3)


def decode_bmp(data):
    """The (height, width, 3) pixels of a 24-bit bottom-up BMP."""
    assert data[:2] == b"BM"
    offset = struct.unpack("<I", data[10:14])[0]
    width, height, _, bits = struct.unpack("<iiHH", data[18:30])
    assert bits == 24
    stride = (width * 3 + 3) // 4 * 4
    rows = [data[offset + y * stride:offset + y * stride + width * 3] for y in range(height)]
    bgr = np.frombuffer(b"".join(reversed(rows)), dtype=np.uint8).reshape(height, width, 3)
    return bgr[:, :, ::-1]


@pytest.fixture
def picture():
    b = korvex.Bitmap(40, 30)
    c = b.canvas
    c.pen.color = "red"
    c.line(0, 0, 39, 29)
    c.brush.color = (0, 0, 255)
    c.rectangle(5, 5, 20, 20)
    c.polygon([(25, 2), (38, 2), (31, 12)])
    c.text_out(2, 18, "Hi")
    return b


def test_lines_and_rectangles_as_the_platform_draws_them():
    b = korvex.Bitmap(10, 10)
    c = b.canvas
    assert c[0, 0] == WHITE and (c.width, c.height) == (10, 10)
    c.pen.color = RED
    c.line(0, 0, 5, 0)
    assert [c[x, 0] for x in range(7)] == [RED] * 5 + [WHITE] * 2
    assert c.pen_pos == (5, 0)
    c.brush.color = BLUE
    c.rectangle(2, 2, 6, 6)
    assert (c[2, 2], c[4, 4], c[5, 5], c[6, 6]) == (RED, BLUE, RED, WHITE)
    c.set_pixel(9, 9, "lime")
    c[8, 9] = 0x123456
    assert (c.pixel(9, 9), c.pixel(8, 9)) == (GREEN, 0x123456)
    assert c.pixel(-1, 0) == c.pixel(10, 0) == -1
    with pytest.raises(IndexError):
        c[10, 0]
    with pytest.raises(IndexError):
        c[0, -1] = 0


def test_png_and_bmp_decode_to_the_pixels(picture, tmp_path):
    pixels = picture.to_numpy()
    assert pixels.shape == (30, 40, 3) and pixels.dtype == np.uint8
    assert tuple(pixels[0, 0]) == (255, 0, 0) and tuple(pixels[10, 10]) == (0, 0, 255)
    png, bmp = picture.to_png(), picture.to_bmp()
    assert (decode_png(png) == pixels).all()
    assert (decode_bmp(bmp) == pixels).all()
    picture.save_png(tmp_path / "p.png")
    picture.save_bmp(str(tmp_path / "p.bmp"))
    assert (tmp_path / "p.png").read_bytes() == png and (tmp_path / "p.bmp").read_bytes() == bmp


def test_numpy_round_trip(picture):
    again = korvex.Bitmap.from_numpy(picture.to_numpy())
    assert again.size == (40, 30) and (again.to_numpy() == picture.to_numpy()).all()
    assert korvex.Bitmap.from_numpy(np.ones((2, 3, 3))).canvas[2, 1] == WHITE
    with pytest.raises(ValueError, match=r"\(height, width, 3\)"):
        korvex.Bitmap.from_numpy(np.zeros((2, 3)))


def test_sizes():
    b = korvex.Bitmap(4, 3)
    b.canvas[3, 2] = RED
    b.resize(6, 5)
    assert b.size == (6, 5) and b.canvas[3, 2] == RED and b.canvas[5, 4] == WHITE
    b.width = 2
    assert b.size == (2, 5) and repr(b) == "Bitmap(2, 5)"
    assert korvex.Bitmap(-3, 2).size == (0, 2)
    with pytest.raises(korvex.OutOfResources, match="Out of system resources"):
        korvex.Bitmap(70000, 1)


def test_the_canvas_keeps_its_bitmap_alive():
    canvas = korvex.Bitmap(3, 3).canvas
    pen = canvas.pen
    del canvas
    gc.collect()
    pen.color = RED  # the canvas and bitmap still live while the pen is held
    assert pen.color == RED


SETTINGS = [
    ("pen", "color", "navy", 0x800000),
    ("pen", "style", "dash_dot", "dash_dot"),
    ("pen", "width", 0, 1),
    ("pen", "width", 3, 3),
    ("brush", "style", "clear", "clear"),
    ("brush", "color", (1, 2, 3), 0x030201),
    ("font", "name", "Korvex Sans", "Korvex Sans"),
    ("font", "height", -20, -20),
    ("font", "style", "bold", frozenset({"bold"})),
    ("font", "style", ["italic", "strikeout"], frozenset({"italic", "strikeout"})),
    ("font", "style", (), frozenset()),
    ("font", "quality", "non_antialiased", "non_antialiased"),
    ("font", "color", "#FF0000", RED),
]


@pytest.mark.parametrize("tool,attr,value,expected", SETTINGS)
def test_settings(tool, attr, value, expected):
    obj = getattr(korvex.Bitmap(1, 1).canvas, tool)
    setattr(obj, attr, value)
    assert getattr(obj, attr) == expected


def test_font_size_and_height_follow_the_resolution():
    font = korvex.Bitmap(1, 1).canvas.font
    assert (font.name, font.size, font.pixels_per_inch) == ("Korvex Sans", 8, 96)
    font.size = 12
    assert font.height == -16
    font.pixels_per_inch = 192
    assert (font.height, font.size) == (-16, 6)


@pytest.mark.parametrize("tool,attr,value,error,message", [
    ("pen", "style", "wavy", ValueError, r"unknown pen style 'wavy' \(one of solid, dash"),
    ("brush", "style", "dash", ValueError, "unknown brush style"),
    ("font", "style", ["heavy"], ValueError, "unknown font style 'heavy'"),
    ("font", "style", [1], TypeError, "names"),
    ("font", "quality", "best", ValueError, "unknown font quality"),
    ("pen", "color", "nothing", ValueError, "no colour is named"),
])
def test_bad_settings(tool, attr, value, error, message):
    obj = getattr(korvex.Bitmap(1, 1).canvas, tool)
    with pytest.raises(error, match=message):
        setattr(obj, attr, value)


@pytest.mark.parametrize("call,error,message", [
    (lambda b, d: b.canvas.polygon([(1, 2, 3)]), TypeError, r"\(x, y\) pairs"),
    (lambda b, d: b.save_png(str(d / "a\0b.png")), ValueError, "embedded null"),
    (lambda b, d: b.save_bmp(d / "no" / "a.bmp"), korvex.FileOpenError, "Cannot create file"),
    (lambda b, d: korvex.Bitmap(0, 0).to_png(), korvex.WriteError, "empty"),
])
def test_bad_calls(tmp_path, call, error, message):
    with pytest.raises(error, match=message):
        call(korvex.Bitmap(3, 3), tmp_path)
    assert list(tmp_path.iterdir()) == []


def test_text_in_the_builtin_font():
    b = korvex.Bitmap(60, 20)
    c = b.canvas
    c.font.name = "Korvex Sans"
    c.brush.style = "clear"
    assert c.text_width("") == 0 and c.text_width("Hello") > c.text_width("Hi") > 0
    assert c.text_height("Hi") > 0
    c.text_out(1, 1, "Hi")
    assert (b.to_numpy() != 255).any()
    assert c.pen_pos[0] > 1


def test_marks():
    mark = korvex.create_mark_bitmap(9, "green", "white", 8)
    assert mark.size == (23, 23)
    pixels = {tuple(p) for p in mark.to_numpy().reshape(-1, 3)}
    assert {(0, 128, 0), (255, 255, 255)} <= pixels
    assert korvex.create_mark_bitmap(1, size=1000).size == (2 * 255 + 7,) * 2
    b = korvex.Bitmap(21, 21)
    b.canvas.pen.color = BLUE
    korvex.draw_mark(b.canvas, 3, 10, 10)
    assert (b.to_numpy() == (0, 0, 255)).all(axis=2).any()
    with pytest.raises(ValueError, match="0..255"):
        korvex.draw_mark(b.canvas, 256, 0, 0)


def test_pdf_document(tmp_path):
    doc = korvex.PdfDocument(100, 50, pixels_per_inch=72)
    assert (doc.page_width, doc.page_height, doc.pixels_per_inch, len(doc)) == (100, 50, 72, 1)
    doc.title = "Test"
    doc.canvas.pen.color = RED
    doc.canvas.line(0, 10, 50, 10)
    doc.new_page()
    assert doc.page_count == 2 and doc.canvas.pen.color == RED and doc.canvas.pen_pos == (0, 0)
    first = doc.page(0)
    assert first.canvas[20, 10] == RED and doc.page(-1).canvas[20, 10] == WHITE
    with pytest.raises(IndexError):
        doc.page(2)
    if not korvex.PdfDocument.available():
        with pytest.raises(korvex.PrinterError):
            doc.pdf_bytes()
        return
    data = doc.pdf_bytes()
    assert data.startswith(b"%PDF-") and b"/Count 2" in data
    doc.save(tmp_path / "doc.pdf")
    assert (tmp_path / "doc.pdf").read_bytes().startswith(b"%PDF-")
    doc.keep_page_bitmaps = False
    with pytest.raises(korvex.PrinterError):
        doc.page(0)


def test_cpu_info():
    info = korvex.cpu_info()
    assert info.count >= 1 and isinstance(info.fdiv_bug, bool)
    with pytest.raises(dataclasses.FrozenInstanceError):
        info.vendor = "x"
    with pytest.raises(ValueError, match="unknown CPU feature"):
        info.has("warp")
    assert "fpu" in korvex.CPU_FEATURES and korvex.CPU_FEATURES["fpu"] == "Floating Point Unit"
    if not info.supported:
        assert info.vendor is None and info.features is None
        return
    assert len(info.vendor) == 12 and info.name
    assert set(info.features) <= set(korvex.CPU_FEATURES)
    assert info.has("fpu") == bool(info.feature_set & 1)
    assert info.family == (info.signature >> 8) & 15
    assert len(info.serial_number) == 24


def test_threads_share_bitmaps_safely():
    b = korvex.Bitmap(200, 50)

    def work(n):
        for i in range(50):
            b.canvas.text_out(i, n, "x%d" % i)
            b.to_png()
            b.resize(200 + (i % 3), 50)

    threads = [threading.Thread(target=work, args=(n,)) for n in range(3)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert b.size[1] == 50
