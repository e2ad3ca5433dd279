"""File-system routines: Windows wildcard masks and folder listings, file and tree copies with
a progress callable, deleting trees, the library's text files (Windows-1252, CR LF) and its
file-name helpers. File names are POSIX names (str, bytes or os.PathLike), each naming exactly
that file; names come back as str, as os.fsdecode gives them."""
import enum

from ._korvex import (CopyFailure, CopyTreeError, Scan, ScanEntry, TextFile, abridge_path,
                      append_lines, change_extension, copy_file, copy_tree, count_lines,
                      delete_tree, drive_number, ensure_crlf, file_extension, file_name_part,
                      find_line, find_offset, has_wildcards, insert_before_extension,
                      is_dos83_path, is_root_dir, matches_wildcard, parent_dir, scan,
                      strip_extension, tail_lines, text_file_type, with_default_extension)

__all__ = ["Attr", "CopyFailure", "CopyTreeError", "Scan", "ScanEntry", "TextFile",
           "abridge_path", "append_lines", "change_extension", "copy_file", "copy_tree",
           "count_lines", "delete_tree", "drive_number", "ensure_crlf", "file_extension",
           "file_name_part", "find_line", "find_offset", "has_wildcards",
           "insert_before_extension", "is_dos83_path", "is_root_dir", "matches_wildcard",
           "parent_dir", "scan", "strip_extension", "tail_lines", "text_file_type",
           "with_default_extension"]


class Attr(enum.IntFlag):
    """The attribute flags of ScanEntry.attributes, and of scan's attributes filter."""
    READ_ONLY = 0x01  # the owner's write bit is clear
    HIDDEN = 0x02  # the name begins with '.'
    SYS_FILE = 0x04  # a device, FIFO or socket
    VOLUME_ID = 0x08  # never set; kept for masks
    DIRECTORY = 0x10  # a directory, or a symbolic link to one
    ARCHIVE = 0x20  # a regular file
    NORMAL = 0x80
    SYMLINK = 0x400  # a symbolic link (the other flags describe its target)
    ANY_FILE = 0x1FF  # every entry
