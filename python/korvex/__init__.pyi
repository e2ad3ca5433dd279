"""Korvex for Python (typed names; see the package docstring)."""
from .errors import *
from .checksums import *
from .colors import *
from .drawing import *
from .features import *
from .files import *
from .grep import *
from .html import *
from .strings import *
from .tables import *

__version__: str
