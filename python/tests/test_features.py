"""Feature matrices: values of every kind through the file and text, numpy and pandas
conversions, the krv tool reading what Python wrote and the other way round, and the straight
reading of large files agreeing with the library's own reader."""
import os
import pathlib
import subprocess

import numpy as np
import pytest

import korvex
from korvex import _korvex

pd = pytest.importorskip("pandas")

K = korvex.FeatureKind


def mixed_matrix():
    """Four features, one of each kind, with missing values and awkward texts."""
    m = korvex.FeatureMatrix(4, 5)
    m.features[0] = korvex.Feature("count", "integer", number=7, comment="how many")
    m.features[1] = korvex.Feature("mass", K.DOUBLE, number=8, presets="0;1", sorted=True)
    m.features[2] = korvex.Feature("label", K.STRING)
    m.features[3] = korvex.Feature("flag", K.TRISTATE)
    rows = [
        (5, 0.1, "café", True),
        (None, None, "a, \"b\"", False),
        (-2**31, 1.7976931348623157e308, None, None),
        (2**31 - 1, 5e-324, "#not a header", True),
        (0, -0.0, "  ", False),
    ]
    for o, row in enumerate(rows):
        for f, v in enumerate(row):
            m[o, f] = v
    return m, rows


def values(m):
    return [[m[o, f] for f in range(m.n_features)] for o in range(m.n_objects)]


def test_values_of_every_kind_come_back_through_file_and_text(tmp_path):
    m, rows = mixed_matrix()
    # The blank label is the one text the file cannot keep: the reader trims lines.
    expected = [list(r) for r in rows]
    expected[4][2] = None
    path = tmp_path / "m.txt"
    m.save(path)
    for back in (korvex.FeatureMatrix.load(path), korvex.FeatureMatrix.load(str(path)),
                 korvex.FeatureMatrix.from_str(m.to_str()),
                 korvex.FeatureMatrix.from_str(path.read_bytes())):
        assert values(back) == expected
        assert list(back.features) == list(m.features)
    assert path.read_bytes() == m.to_str().encode("cp1252")
    assert b"\r\n#featend\r\n" in path.read_bytes()


@pytest.mark.parametrize("kind,value,message", [
    ("integer", "1.5", 'feature value "1.5" is not a valid integer number'),
    ("double", "abc", 'feature value "abc" is not a valid floating point number'),
    ("tristate", "maybe", 'feature value "maybe" is not a valid tri-state value'),
])
def test_the_library_checks_values_against_the_kind(kind, value, message):
    m = korvex.FeatureMatrix(1, 1)
    m.features[0] = korvex.Feature("x", kind)
    with pytest.raises(korvex.DataStructureError, match=message):
        m.set_text(0, 0, value)
    with pytest.raises(korvex.DataStructureError, match=message):
        m[0, 0] = value


def test_python_side_refusals():
    m = korvex.FeatureMatrix(2, 1)
    m.features[0] = korvex.Feature("i", "integer")
    m.features[1] = korvex.Feature("d", "double")
    with pytest.raises(ValueError, match="outside the 32-bit range"):
        m[0, 0] = 2**31
    with pytest.raises(ValueError, match="infinite"):
        m[0, 1] = float("inf")
    with pytest.raises(IndexError, match="object index"):
        m[1, 0]
    with pytest.raises(IndexError, match="feature index"):
        m[0, 2] = 1
    with pytest.raises(TypeError):
        m[0, 0] = [1]
    with pytest.raises(ValueError, match="no feature kind"):
        korvex.Feature("x", "complex")
    undefined = korvex.FeatureMatrix(1, 1)
    with pytest.raises(korvex.DataStructureError, match="feature 1 is undefined"):
        undefined[0, 0]
    with pytest.raises(korvex.DataStructureError, match="feature 1 is undefined"):
        undefined.to_dataframe()


def test_shape_records_and_editing():
    m = korvex.FeatureMatrix()
    m.resize(2, 3)
    assert m.shape == (3, 2) and len(m.features) == 2
    m.features[1] = korvex.Feature("Weight", "double")
    assert m.find_feature("WEIGHT") == 1 and m.find_feature("none") is None
    record = m.features[1]
    record.name = "a name longer than twenty characters"
    m.features[1] = record
    assert m.features[1].name == "a name longer than t"
    m[0, 1] = 2.5
    m.insert_object(0)
    m.insert_object(m.n_objects)
    assert m.n_objects == 5 and m[0, 1] == 0.0 and m[1, 1] == 2.5 and m[4, 1] == 0.0
    m.remove_object(0)
    m.copy_object(0, 2)
    assert m[2, 1] == 2.5
    m.insert_feature(m.n_features)
    assert m.features[2].name == "undefined" and m.features[2].kind == K.UNDEFINED
    copy = m.copy()
    m.clear()
    assert m.shape == (0, 0) and copy.shape == (4, 3)
    with pytest.raises(ValueError):
        m.n_objects = -1


def test_load_errors(tmp_path):
    with pytest.raises(FileNotFoundError):
        korvex.FeatureMatrix.load(tmp_path / "missing.txt")
    with pytest.raises(IsADirectoryError):
        korvex.FeatureMatrix.load(tmp_path)
    (tmp_path / "empty.txt").write_text("no sections here\n")
    with pytest.raises(korvex.FileFormatError, match="empty.txt: no feature matrix"):
        korvex.FeatureMatrix.load(tmp_path / "empty.txt")
    (tmp_path / "bad.txt").write_text("#featdef 2 1\n1 fplFeatNum 1\n")
    with pytest.raises(korvex.FileFormatError, match="malformed"):
        korvex.FeatureMatrix.load(tmp_path / "bad.txt")
    with pytest.raises(korvex.FileFormatError):
        korvex.read_feature_dataframe(tmp_path / "bad.txt")
    with pytest.raises(FileNotFoundError):
        korvex.FeatureMatrix().save(tmp_path / "no" / "such" / "folder.txt")
    assert issubclass(korvex.FileFormatError, (korvex.Error, ValueError))


def test_numpy_conversions():
    m, rows = mixed_matrix()
    objects = m.to_numpy(dtype=object)
    assert objects.shape == (5, 4)
    assert [list(r) for r in objects[:4]] == [list(r) for r in rows[:4]]
    with pytest.raises(TypeError, match="string feature"):
        m.to_numpy()
    numbers = korvex.FeatureMatrix.from_numpy(np.array([[1.5, np.nan], [2.0, 0.25]]),
                                              names=["a", "b"])
    assert [f.kind for f in numbers.features] == [K.DOUBLE, K.DOUBLE]
    assert numbers[0, 1] is None
    np.testing.assert_array_equal(numbers.to_numpy(), [[1.5, np.nan], [2.0, 0.25]])
    ints = korvex.FeatureMatrix.from_numpy(np.arange(6, dtype=np.int16).reshape(3, 2))
    assert [f.name for f in ints.features] == ["f1", "f2"] and ints.features[0].kind == K.INTEGER
    assert ints.to_numpy(dtype=np.int64).tolist() == [[0, 1], [2, 3], [4, 5]]
    flags = korvex.FeatureMatrix.from_numpy(np.array([True, False]))
    assert flags.features[0].kind == K.TRISTATE and flags.to_numpy().tolist() == [[1.0], [0.0]]
    by_name = korvex.FeatureMatrix.from_numpy(np.array([[1.0, np.nan]]), names=["n", "i"],
                                              kinds={"i": "integer"})
    assert by_name[0, 1] is None and by_name.features[1].kind == K.INTEGER
    with pytest.raises(ValueError, match="whole numbers"):
        korvex.FeatureMatrix.from_numpy(np.array([1.5]), kinds="integer")
    with pytest.raises(ValueError, match="missing values"):
        numbers.to_numpy(dtype=np.int64)


def test_doubles_come_back_exactly(tmp_path):
    a = np.random.default_rng(5).standard_normal((300, 3)) * 10.0 ** np.arange(-200, 200, 150)
    path = tmp_path / "d.txt"
    korvex.FeatureMatrix.from_numpy(a).save(path)
    np.testing.assert_array_equal(korvex.FeatureMatrix.load(path).to_numpy(), a)
    np.testing.assert_array_equal(korvex.read_feature_dataframe(path).to_numpy(), a)


def test_pandas_round_trip_keeps_dtypes_and_missing_values(tmp_path):
    m, _ = mixed_matrix()
    frame = m.to_dataframe()
    assert list(frame.columns) == ["count", "mass", "label", "flag"]
    assert [str(t) for t in frame.dtypes] == ["Int64", "float64", "string", "boolean"]
    assert frame["count"].isna().tolist() == [False, True, False, False, False]
    assert frame["label"].isna().tolist() == [False, False, True, False, False]
    back = korvex.FeatureMatrix.from_dataframe(frame)
    assert back.to_str() == m.to_str()  # records (numbers, comments...) included
    path = tmp_path / "m.txt"
    m.save(path)
    loaded = korvex.FeatureMatrix.load(path).to_dataframe()
    pd.testing.assert_frame_equal(korvex.read_feature_dataframe(path), loaded)
    assert loaded["label"].isna().tolist() == [False, False, True, False, True]  # "  " trimmed
    plain = pd.DataFrame({"n": [1, 2], "x": [0.5, None], "s": ["a", None], "b": [True, False]})
    again = korvex.FeatureMatrix.from_dataframe(plain)
    assert [f.kind for f in again.features] == [K.INTEGER, K.DOUBLE, K.STRING, K.TRISTATE]
    assert values(again) == [[1, 0.5, "a", True], [2, None, None, False]]


def test_sample_file_matches_its_csv(samples):
    frame = korvex.read_feature_dataframe(samples / "features-sample.txt")
    csv = pd.read_csv(samples / "features-sample.csv", keep_default_na=False, dtype=str)
    assert list(frame.columns) == list(csv.columns)
    m = korvex.FeatureMatrix.load(samples / "features-sample.txt")
    texts = [[m.get_text(o, f) for f in range(m.n_features)] for o in range(m.n_objects)]
    assert texts == csv.values.tolist()


def find_krv():
    named = os.environ.get("KORVEX_KRV")
    if named:
        return pathlib.Path(named)
    return pathlib.Path(korvex.__file__).resolve().parents[2] / "tools" / "krv" / "krv"


def run_krv(*args):
    krv = find_krv()
    if not krv.is_file():
        pytest.skip("the krv tool is not built beside this module")
    return subprocess.run([str(krv), *map(str, args)], check=True, capture_output=True)


def test_krv_reads_what_python_wrote_and_python_reads_what_krv_wrote(tmp_path):
    m, _ = mixed_matrix()
    m.save(tmp_path / "py.txt")
    run_krv("features", "to-csv", "--strict", tmp_path / "py.txt", "-o", tmp_path / "py.csv")
    csv = pd.read_csv(tmp_path / "py.csv", keep_default_na=False, dtype=str, encoding="utf-8")
    texts = [[m.get_text(o, f) for f in range(4)] for o in range(5)]
    texts[4][2] = ""  # the blank label, trimmed by the reader
    assert list(csv.columns) == ["count", "mass", "label", "flag"]
    assert csv.values.tolist() == texts
    run_krv("features", "from-csv", tmp_path / "py.csv", "-o", tmp_path / "krv.txt")
    back = korvex.FeatureMatrix.load(tmp_path / "krv.txt")
    assert [[back.get_text(o, f) for f in range(4)] for o in range(5)] == texts
    assert [f.kind for f in back.features] == [K.INTEGER, K.DOUBLE, K.STRING, K.TRISTATE]


HEADER = ("#featdef 3 1\r\n1 fplFeatNum 1\r\n1 fplFeatName i\r\n1 fplFeatKind fkInteger\r\n"
          "1 fplComment\r\n1 fplPresets\r\n1 fplSorted FALSE\r\n"
          "2 fplFeatNum 2\r\n2 fplFeatName d\r\n2 fplFeatKind fkdouble\r\n"
          "2 fplComment\r\n2 fplPresets\r\n2 fplSorted TRUE\r\n"
          "3 fplFeatNum 3\r\n3 fplFeatName s\r\n3 fplFeatKind FKSTRING\r\n"
          "3 fplComment c\r\n3 fplPresets p\r\n3 fplSorted false\r\n")

# Value sections the straight reader must read as the library does (fast: it takes them).
SECTIONS = [
    (True, "#featvals 3 2\r\n1 1 5\r\n2 2 1.5\r\n3 1 text here\r\n#featend\r\n"),
    (True, "#featvals 3 2\n1 1 5\n2 2 1.5E-3\n3 2   blanks   \n"),  # LF only, no #featend
    (True, "#featvals 3 2\r\n1 1 5\r\n1 1 6\r\n9 1 7\r\n1 9 8\r\n-1 1 9\r\n"),  # later wins
    (True, "#FeatVals  $3 0x2\r\n1 2 +7\r\n\r\n1 1 4\r\n"),  # hex counts; empty line ends
    (True, "#featvals 3 2\r\n2 1 2\r\n#featend\r\n3 1 after the end\r\n"),
    (True, "#featvals 3 2\r\n3 1 no line end\r"),  # the CR stays in the text
    (True, "#featvals 3 2\r\n 3 1 x\r\n3 2 \xe9\x80\x81\r\n"),  # Windows-1252 bytes
    (True, "#featvals 2 1\r\n1 1 3\r\n"),  # fewer features than records
    (True, "#featvals 3 1\r\n2 1  \r\n1 1\r\n"),  # empty texts
    (False, "#featvals 3 2\r\n2 1 1.5.5\r\n"),  # the library raises for this double
    (False, "#featvals 3 1\r\n1 1 99999999999\r\n"),  # an integer beyond 32 bits
    (False, "#featvals 3 x\r\n"),
    (False, "#featvals 5000 100000\r\n"),  # beyond the memory cap
    (False, "no value section\r\n"),
    (False, "#featvals 4 1\r\n4 1 3\r\n"),  # an undefined feature with a value
]


@pytest.mark.parametrize("fast,section", SECTIONS)
def test_straight_reading_agrees_with_the_library(tmp_path, fast, section):
    path = tmp_path / "m.txt"
    path.write_bytes((HEADER + section).encode("latin-1"))
    straight = _korvex._read_feature_columns(path, fast_only=True)
    assert (straight is not None) == fast
    try:
        expected = korvex.FeatureMatrix.load(path).to_dataframe()
    except korvex.Error as e:
        with pytest.raises(type(e), match=str(e)):
            korvex.read_feature_dataframe(path)
        return
    pd.testing.assert_frame_equal(korvex.read_feature_dataframe(path), expected)
    if straight is not None:
        assert straight[0] == list(korvex.FeatureMatrix.load(path).features)


def test_property_lines_holding_a_value_header_are_the_librarys_business(tmp_path):
    path = tmp_path / "m.txt"
    path.write_text("#featdef 1 1\n1 fplFeatNum 1\n#featvals 1 1\n1 1 2\n")
    assert _korvex._read_feature_columns(path, fast_only=True) is None
    with pytest.raises(korvex.FileFormatError, match="malformed"):
        korvex.read_feature_dataframe(path)


def test_a_large_file_is_read_straight_and_exactly(tmp_path):
    rng = np.random.default_rng(9)
    a = rng.uniform(-1e6, 1e6, (20000, 10))
    a[rng.random(a.shape) < 0.1] = np.nan
    m = korvex.FeatureMatrix.from_numpy(a)
    m.features[3] = korvex.Feature("n", "integer")
    m._set_column(3, np.arange(20000), np.arange(20000) % 7 == 0)
    path = tmp_path / "big.txt"
    m.save(path)
    assert _korvex._read_feature_columns(path, fast_only=True) is not None
    frame = korvex.read_feature_dataframe(path)
    pd.testing.assert_frame_equal(frame, m.to_dataframe())
    assert frame["n"].isna().sum() == len(range(0, 20000, 7))


@pytest.mark.parametrize("end_early", [False, True])
def test_large_sections_read_in_halves_agree_with_the_library(tmp_path, end_early):
    lines = [f"1 {o} {o}\r\n" for o in range(1, 150001)]
    if end_early:
        lines.insert(1000, "\r\n")  # an empty line ends the section in the first half
    lines += ["1 1 -1\r\n", "2 2 2.5\r\n", "3 150000 last\r\n"]  # later lines win
    path = tmp_path / "m.txt"
    path.write_text(HEADER + "#featvals 3 150000\r\n" + "".join(lines), newline="")
    assert _korvex._read_feature_columns(path, fast_only=True) is not None
    frame = korvex.read_feature_dataframe(path)
    pd.testing.assert_frame_equal(frame, korvex.FeatureMatrix.load(path).to_dataframe())
    assert frame["i"][0] == (1 if end_early else -1)


def test_a_text_of_16_mib_is_left_to_the_library(tmp_path):
    path = tmp_path / "m.txt"
    text = "x" * (1 << 24)
    path.write_text(HEADER + "#featvals 3 1\r\n3 1 " + text + "\r\n", newline="")
    assert _korvex._read_feature_columns(path, fast_only=True) is None
    assert korvex.read_feature_dataframe(path)["s"][0] == text
