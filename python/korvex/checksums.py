"""Checksums and ASCII85: hashlib-style crc16, crc32 and sha1 objects, one-shot functions over
bytes and files, and ASCII85 in the library's and Adobe's forms."""
from ._korvex import a85decode, a85encode, crc16, crc16_file, crc32, crc32_file, sha1, sha1_file

__all__ = ["crc16", "crc32", "sha1", "crc16_file", "crc32_file", "sha1_file", "crc16_of",
           "crc32_of", "sha1_of", "a85encode", "a85decode"]


def crc32_of(data) -> int:
    """CRC-32 of the bytes, as zlib.crc32(data) gives it."""
    return crc32(data).value


def crc16_of(data, mode: str = "xmodem") -> int:
    """CRC-16 of the bytes in the mode given ('xmodem' or 'ccitt')."""
    return crc16(data, mode).value


def sha1_of(data) -> bytes:
    """SHA-1 digest (20 bytes) of the bytes."""
    return sha1(data).digest()
