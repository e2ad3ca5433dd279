"""Checksums against zlib and hashlib, ASCII85 against base64, and the GIL released meanwhile."""
import base64
import hashlib
import os
import random
import threading
import time
import zlib

import pytest

import korvex

SIZES = [0, 1, 3, 63, 64, 65, 1000, 65536, 65537, 1 << 20]


@pytest.mark.parametrize("size", SIZES)
def test_crc32_and_sha1_agree_with_the_standard_library(size):
    data = random.Random(size).randbytes(size)
    assert korvex.crc32(data).value == zlib.crc32(data)
    assert korvex.crc32_of(data) == zlib.crc32(data)
    assert korvex.sha1(data).hexdigest() == hashlib.sha1(data).hexdigest()
    assert korvex.sha1_of(data) == hashlib.sha1(data).digest()


def test_pieces_copies_and_buffers():
    data = random.Random(7).randbytes(100_000)
    c, s = korvex.crc32(), korvex.sha1()
    for i in range(0, len(data), 777):
        c.update(data[i:i + 777])
        s.update(memoryview(data)[i:i + 777])
    assert c.value == zlib.crc32(data) and s.digest() == hashlib.sha1(data).digest()
    before = s.copy()
    s.update(b"x")
    assert before.digest() == hashlib.sha1(data).digest()  # the copy kept its state
    assert s.digest() == s.digest()  # digest() does not end the object
    assert c.digest() == zlib.crc32(data).to_bytes(4, "big")
    assert korvex.crc32(bytearray(b"abc")).value == zlib.crc32(b"abc")
    with pytest.raises(TypeError):
        korvex.crc32("text is not bytes")


# Published check values (the CRC catalogue's "123456789" entries).
@pytest.mark.parametrize("mode,check", [("xmodem", 0x31C3), ("ccitt", 0x29B1)])
def test_crc16_check_values(mode, check):
    assert korvex.crc16(b"123456789", mode).value == check
    assert korvex.crc16_of(b"123456789", mode) == check
    assert korvex.crc16(b"123456789", mode=mode).hexdigest() == f"{check:04x}"


def test_crc16_mode_is_checked():
    with pytest.raises(ValueError, match="'xmodem' or 'ccitt'"):
        korvex.crc16(b"", "kermit")


def test_files(tmp_path):
    data = random.Random(3).randbytes(3 << 20)
    path = tmp_path / "data.bin"
    path.write_bytes(data)
    assert korvex.crc32_file(path) == zlib.crc32(data)
    assert korvex.sha1_file(str(path)) == hashlib.sha1(data).digest()
    assert korvex.crc16_file(path, "ccitt") == korvex.crc16_of(data, "ccitt")
    with pytest.raises(FileNotFoundError) as e:
        korvex.crc32_file(tmp_path / "missing")
    assert e.value.filename == tmp_path / "missing"
    with pytest.raises(IsADirectoryError):
        korvex.sha1_file(tmp_path)


@pytest.mark.parametrize("size", [0, 1, 2, 3, 4, 5, 7, 8, 100, 4096])
@pytest.mark.parametrize("wrapcol", [0, 1, 2, 5, 75])
def test_ascii85_adobe_agrees_with_base64(size, wrapcol):
    data = random.Random(size).randbytes(size) + b"\0\0\0\0" * (size % 3)
    text = korvex.a85encode(data, adobe=True, wrapcol=wrapcol)
    assert text == base64.a85encode(data, adobe=True, wrapcol=wrapcol)
    assert korvex.a85decode(text, adobe=True) == data
    assert base64.a85decode(text, adobe=True) == data


@pytest.mark.parametrize("size", [0, 1, 2, 3, 4, 5, 9, 1000])
def test_ascii85_library_form_round_trip(size):
    data = random.Random(size).randbytes(size)
    text = korvex.a85encode(data)
    assert text.endswith(b"~>") and not text.startswith(b"<~")
    assert korvex.a85decode(text) == data


@pytest.mark.parametrize("text,adobe,message", [
    (b"<~ab~c", True, "ASCII85 text at offset 5: a '~' not followed by '>'"),
    (b"<~abc", True, "ASCII85 text at offset 5: no '~>' at the end"),
    (b"<~a{~>", True, "ASCII85 text at offset 3: a character outside '!'..'u'"),
    (b"ab{de~>", False, "ASCII85 text at offset 2: a character outside '!'..'u'"),
    (b"abzde~>", False, "ASCII85 text at offset 2: a 'z' inside a group"),
])
def test_ascii85_faults_raise_convert_error(text, adobe, message):
    with pytest.raises(korvex.ConvertError) as e:
        korvex.a85decode(text, adobe=adobe)
    assert str(e.value) == message
    assert isinstance(e.value, ValueError) and isinstance(e.value, korvex.Error)


def test_the_gil_is_released_during_a_long_checksum():
    data = os.urandom(256 << 20)
    ticks = 0
    done = threading.Event()

    def count():
        nonlocal ticks
        while not done.is_set():
            ticks += 1
            time.sleep(0)

    thread = threading.Thread(target=count)
    thread.start()
    time.sleep(0.05)
    before = ticks
    start = time.perf_counter()
    digest = korvex.sha1(data).digest()
    spent = time.perf_counter() - start
    during = ticks - before
    done.set()
    thread.join()
    assert digest == hashlib.sha1(data).digest()
    # While the GIL is held the other thread cannot run at all; released it counts freely.
    assert spent > 0.05 and during > 100, (spent, during)
