"""Korvex for Python.

The exact file formats of the Korvex library (feature matrices, colour tables, string grids,
key-value files, label XML), its TGrep pattern matcher, checksums (CRC-16, CRC-32, SHA-1) and
ASCII85, colour conversions and scales, the HTML template engine, the file-system routines,
canvas drawing and CPU identification, with str, bytes, os.PathLike, numpy arrays and
(when installed) pandas DataFrames at the edges. Errors are korvex.Error and its subclasses,
with the library's own messages. Calls that can take long release the GIL.
"""
from . import checksums, colors, drawing, errors, features, files, grep, html, strings, tables  # noqa: F401
from .errors import *  # noqa: F401,F403
from .checksums import *  # noqa: F401,F403
from .colors import *  # noqa: F401,F403
from .drawing import *  # noqa: F401,F403
from .features import *  # noqa: F401,F403
from .files import *  # noqa: F401,F403
from .grep import *  # noqa: F401,F403
from .html import *  # noqa: F401,F403
from .strings import *  # noqa: F401,F403
from .tables import *  # noqa: F401,F403

__version__ = "1.0.0"
