"""Numbers as text: the library's fixed and scientific layouts (strff and the routines built on
it) and its number scanners, over str with 1-based positions and over bytes."""
from ._korvex import (auto_format, format_data, format_sig, read_floats, read_ints, scan_float,
                      sortable_numeric, strff)

__all__ = ["strff", "format_data", "format_sig", "auto_format", "sortable_numeric", "scan_float",
           "read_floats", "read_ints"]
