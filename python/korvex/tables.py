"""String grids and key-value arrays: StringArray (rows of short Windows-1252 texts, a sort
order and attribute bytes) and AssocArray (str keys mapped to values in entry order), each
with its XML file. Both load from and save to os.PathLike names and str."""
from ._korvex import AssocArray, FileFormatError, StringArray

__all__ = ["AssocArray", "StringArray", "FileFormatError"]

_MISSING = object()


def _rows(self):
    """The rows in the sort order, each a list of the texts of columns 0..n_columns."""
    for r in range(len(self)):
        yield self[r]


def _get(self, key, default=None):
    """The value of key, or default when absent."""
    return self[key] if key in self else default


def _pop(self, key, default=_MISSING):
    """Removes key and gives its value; default (else KeyError) when absent."""
    if key not in self:
        if default is _MISSING:
            raise KeyError(key)
        return default
    value = self[key]
    del self[key]
    return value


def _setdefault(self, key, default=None):
    """The value of key, storing default first when it is absent."""
    if key not in self:
        self[key] = default
    return self[key]


def _update(self, other=(), **more):
    """Sets the pairs of a mapping or an iterable of pairs, then the keyword arguments."""
    pairs = other.items() if hasattr(other, "items") else other
    for key, value in pairs:
        self[key] = value
    for key, value in more.items():
        self[key] = value


def _assoc_repr(self):
    return f"AssocArray({dict(self.items())!r}, ignore_case={self.ignore_case})"


def _assoc_eq(self, other):
    if not isinstance(other, AssocArray):
        return NotImplemented
    return self.items() == other.items()


StringArray.__iter__ = _rows
AssocArray.get = _get
AssocArray.pop = _pop
AssocArray.setdefault = _setdefault
AssocArray.update = _update
AssocArray.__repr__ = _assoc_repr
AssocArray.__eq__ = _assoc_eq
AssocArray.__hash__ = None
