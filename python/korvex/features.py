"""Feature matrices: objects (rows) described by typed features (columns), their text file,
and conversions to and from numpy arrays and (when pandas is installed) DataFrames.

Every value is kept as text; the empty text is the matrix's missing value. Kinds map to
dtypes as follows (missing values in brackets):

  FeatureKind.INTEGER   numpy int64 / pandas "Int64"     (to_numpy: NaN; pandas: <NA>)
  FeatureKind.DOUBLE    float64                          (NaN)
  FeatureKind.TRISTATE  numpy bool / pandas "boolean"    (to_numpy: NaN; pandas: <NA>)
  FeatureKind.STRING    object (str) / pandas "string"   (None / <NA>)

Doubles are stored as the shortest text that reads back to the same value, so numbers come
back from a file exactly; infinities cannot be stored. Integers must fit 32 bits.
"""
import numpy as np

from . import _korvex
from ._korvex import Feature, FeatureKind, FeatureList, FeatureMatrix, FileFormatError

__all__ = ["Feature", "FeatureKind", "FeatureList", "FeatureMatrix", "FileFormatError",
           "read_feature_dataframe"]

_ATTRS_KEY = "korvex.features"


def _as_float(kind, values, mask):
    """One column as float64, NaN where missing."""
    if kind == FeatureKind.DOUBLE:
        return values
    if kind == FeatureKind.STRING:
        raise TypeError("a string feature has no numeric form: ask for dtype=object")
    out = values.astype(np.float64)
    out[mask] = np.nan
    return out


def _as_objects(kind, values, mask):
    """One column as Python objects, None where missing."""
    out = values.astype(object)
    if mask is not None:
        out[mask] = None
    elif kind == FeatureKind.DOUBLE:
        out[np.isnan(values)] = None
    return out


def _to_numpy(self, dtype=np.float64):
    """The values as a 2-D array of shape (n_objects, n_features).

    dtype float64 (the default) needs numeric features (integer, double, tri-state as 0/1) and
    gives NaN for missing values; dtype=object gives int, float, str, bool or None per value;
    another numeric dtype converts the float64 form and refuses missing values.
    """
    dtype = np.dtype(dtype)
    columns = self._columns()
    n = self.n_objects
    if dtype == object:
        out = np.empty((n, len(columns)), dtype=object)
        for j, (kind, values, mask) in enumerate(columns):
            out[:, j] = _as_objects(kind, values, mask)
        return out
    out = np.empty((n, len(columns)), dtype=np.float64)
    for j, (kind, values, mask) in enumerate(columns):
        out[:, j] = _as_float(kind, values, mask)
    if dtype != np.float64:
        if dtype.kind in "iub" and np.isnan(out).any():
            raise ValueError(f"missing values have no {dtype} form")
        out = out.astype(dtype)
    return out


def _kind_of_dtype(dtype):
    """The feature kind a numpy or pandas dtype stands for."""
    kind = getattr(dtype, "kind", "O")
    if kind == "b":
        return FeatureKind.TRISTATE
    if kind in "iu":
        return FeatureKind.INTEGER
    if kind == "f":
        return FeatureKind.DOUBLE
    return FeatureKind.STRING


def _integers(column, missing):
    """An integer feature's values as int64 (0 where missing), checked to be whole 32-bit
    numbers."""
    column = np.asarray(column)
    if column.dtype.kind not in "iuf":
        column = np.where(missing, 0, column)
    present = column[~missing]
    if present.size:
        if present.dtype.kind == "O":
            present = present.astype(np.float64)
        if present.dtype.kind == "f" and not np.array_equal(present, np.floor(present)):
            raise ValueError("an integer feature takes whole numbers only")
        if present.min() < -2**31 or present.max() > 2**31 - 1:
            raise ValueError("an integer feature takes numbers of 32 bits only")
    return np.where(missing, 0, column).astype(np.int64)


def _column_payload(kind, column, missing):
    """(values, mask) of one column for FeatureMatrix._set_column."""
    if kind == FeatureKind.STRING:
        return [None if m else str(v) for v, m in zip(column, missing)], None
    if kind == FeatureKind.DOUBLE:
        return np.where(missing, np.nan, column).astype(np.float64), None
    if kind == FeatureKind.INTEGER:
        return _integers(column, missing), missing
    if kind == FeatureKind.TRISTATE:
        return np.where(missing, False, column).astype(bool), missing
    return column, missing  # the library refuses the feature's kind


def _missing_of(column):
    """True where a value of a numpy column is missing (NaN, None)."""
    column = np.asarray(column)
    if column.dtype.kind == "f":
        return np.isnan(column)
    if column.dtype == object:
        return np.array([v is None or (isinstance(v, float) and v != v) for v in column],
                        dtype=bool)
    return np.zeros(len(column), dtype=bool)


def _filled(cls, n_objects, columns_wanted):
    """A matrix of the features columns_wanted = [(Feature, column, missing)]."""
    matrix = cls(len(columns_wanted), n_objects)
    for j, (record, column, missing) in enumerate(columns_wanted):
        matrix.features[j] = record
        matrix._set_column(j, *_column_payload(record.kind, column, missing))
    return matrix


def _kinds_list(kinds, names, n):
    """The kinds argument (None, one kind, a sequence, or a mapping by name) as a list."""
    if kinds is None or isinstance(kinds, (str, FeatureKind)):
        return [kinds] * n
    if isinstance(kinds, dict):
        return [kinds.get(name) for name in names]
    kinds = list(kinds)
    if len(kinds) != n:
        raise ValueError(f"{len(kinds)} kinds for {n} features")
    return kinds


def _from_numpy(cls, array, kinds=None, names=None):
    """A matrix of a 2-D array of shape (n_objects, n_features), or of a 1-D array (one feature).

    Kinds follow the dtype (bool: tri-state, integers: integer, floats: double, anything else:
    string) unless `kinds` gives them: one kind for all, a sequence, or a mapping by name.
    NaN and None are missing values. `names` names the features (default "f1", "f2", ...).
    """
    array = np.asarray(array)
    if array.ndim == 1:
        array = array[:, np.newaxis]
    if array.ndim != 2:
        raise ValueError("from_numpy takes a 1-D or 2-D array")
    n_objects, n_features = array.shape
    names = [f"f{j + 1}" for j in range(n_features)] if names is None else list(names)
    if len(names) != n_features:
        raise ValueError(f"{len(names)} names for {n_features} features")
    columns_wanted = []
    for j, kind in enumerate(_kinds_list(kinds, names, n_features)):
        column = array[:, j]
        kind = _kind_of_dtype(column.dtype) if kind is None else kind
        columns_wanted.append((Feature(names[j], kind, number=j + 1), column, _missing_of(column)))
    return _filled(cls, n_objects, columns_wanted)


def _pandas():
    try:
        import pandas
    except ImportError as e:  # pragma: no cover - depends on the installation
        raise ImportError("DataFrame conversions need pandas (pip install pandas)") from e
    return pandas


def _pandas_column(pd, kind, values, mask):
    if kind == FeatureKind.INTEGER:
        return pd.arrays.IntegerArray(values, mask)
    if kind == FeatureKind.TRISTATE:
        return pd.arrays.BooleanArray(values, mask)
    if kind == FeatureKind.STRING:
        return pd.array(values, dtype="string")
    return values


def _dataframe(records, columns):
    pd = _pandas()
    data = {j: _pandas_column(pd, *column) for j, column in enumerate(columns)}
    frame = pd.DataFrame(data, copy=False)
    frame.columns = [record.name for record in records]
    frame.attrs[_ATTRS_KEY] = [
        {"number": r.number, "comment": r.comment, "presets": r.presets, "sorted": r.sorted}
        for r in records]
    return frame


def _to_dataframe(self):
    """The matrix as a pandas DataFrame: one column per feature, named by the feature, with the
    dtypes of the module docstring; the other parts of the records go to
    frame.attrs["korvex.features"], from where from_dataframe takes them back."""
    return _dataframe(list(self.features), self._columns())


_NUMPY_TYPES = {FeatureKind.INTEGER: np.float64, FeatureKind.DOUBLE: np.float64,
                FeatureKind.TRISTATE: bool}
_NA_VALUES = {FeatureKind.INTEGER: np.nan, FeatureKind.DOUBLE: np.nan,
              FeatureKind.TRISTATE: False}


def _from_dataframe(cls, frame):
    """A matrix of a DataFrame: a feature per column, its kind from the dtype (booleans:
    tri-state, integers: integer, floats: double, anything else: string), missing values from
    pandas' isna; numbers, comments, presets and sorted flags from
    frame.attrs["korvex.features"] when to_dataframe put them there."""
    pd = _pandas()
    extra = frame.attrs.get(_ATTRS_KEY)
    if not isinstance(extra, list) or len(extra) != frame.shape[1]:
        extra = [{"number": j + 1} for j in range(frame.shape[1])]
    columns_wanted = []
    for j in range(frame.shape[1]):
        series = frame.iloc[:, j]
        kind = _kind_of_dtype(series.dtype)
        if pd.api.types.is_bool_dtype(series.dtype):
            kind = FeatureKind.TRISTATE
        record = Feature(str(frame.columns[j]), kind, **extra[j])
        missing = series.isna().to_numpy()
        column = series.to_numpy(dtype=_NUMPY_TYPES.get(kind, object),
                                 na_value=_NA_VALUES.get(kind))
        columns_wanted.append((record, column, missing))
    return _filled(cls, frame.shape[0], columns_wanted)


def read_feature_dataframe(path):
    """The DataFrame of a feature-matrix file, as FeatureMatrix.load(path).to_dataframe() gives
    it, read straight into the columns' arrays (the fast way for large files)."""
    records, columns = _korvex._read_feature_columns(path)
    return _dataframe(records, columns)


FeatureMatrix.to_numpy = _to_numpy
FeatureMatrix.from_numpy = classmethod(_from_numpy)
FeatureMatrix.to_dataframe = _to_dataframe
FeatureMatrix.from_dataframe = classmethod(_from_dataframe)
