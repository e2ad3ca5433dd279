"""StringArray and AssocArray: their sequence and mapping faces, and round trips through the
XML files the library writes and reads."""
import datetime
import decimal
import math

import pytest

import korvex


def grid_of(rows):
    g = korvex.StringArray(len(rows[0]) - 1, len(rows))
    for r, row in enumerate(rows):
        g[r] = row
    return g


ROWS = [["id", "name", "note"],
        ["2", "b<&>\"'", "tab\there\r\nnew line"],
        ["1", "€uro ÿ", ""],
        ["3", " padded ", "\x01\x7f"]]


def test_string_array_is_a_sequence_of_rows():
    g = grid_of(ROWS)
    assert len(g) == 4 and g.n_columns == 2 and list(g) == ROWS
    assert g[-1] == ROWS[-1] and g[1, 1] == ROWS[1][1] and g[-1, -1] == "\x01\x7f"
    g[0, 0] = "x" * 300
    assert g[0, 0] == "x" * 255
    g[0, 1] = "ǅ"  # not in Windows-1252
    assert g[0, 1] == "?"
    with pytest.raises(ValueError, match="takes 3 texts"):
        g[0] = ["too", "few"]
    with pytest.raises(IndexError):
        g[4]
    with pytest.raises(IndexError):
        g[0, 3]
    g.insert_row(1)
    g.insert_row(len(g))
    assert len(g) == 6 and g[1] == ["", "", ""] and g[5] == ["", "", ""]
    del g[1]
    assert g[1] == ROWS[1]
    one = korvex.StringArray()
    one[0, 1] = "kept?"
    del one[0]
    assert len(one) == 1 and one[0] == ["", ""]


def test_sorting_attributes_and_search():
    g = grid_of(ROWS)
    g.sort(0)
    assert [row[0] for row in g] == ["1", "2", "3", "id"] and g.sort_order == [2, 1, 3, 0]
    g.sort(0, ascending=False)
    assert [row[0] for row in g] == ["id", "3", "2", "1"]
    g.set_row_attribute(1, 9)
    g.set_column_attribute(2, 4)
    assert g.row_attribute(1) == 9 and g.column_attribute(2) == 4
    with pytest.raises(IndexError):
        g.column_attribute(0)
    assert g.find("URO") == (3, 1)
    assert g.find("URO", match_case=True) is None
    assert g.find("2", exact=True) == (2, 0)
    assert g.find("1", columns=(1, 2)) is None
    g.unsort()
    assert list(g) == ROWS
    assert g.number(1, 0) == 2.0
    with pytest.raises(korvex.DataStructureError, match="invalid numeric string"):
        g.number(0, 1)


def test_string_array_round_trip_through_its_file(tmp_path):
    g = grid_of(ROWS)
    g.alloc_rows_by = 3
    g.sort(1)
    g.set_row_attribute(0, 200)
    g.set_column_attribute(1, 7)
    path = tmp_path / "grid.xml"
    g.save(path, "Main")
    for back in (korvex.StringArray.load(path), korvex.StringArray.load(str(path), " MAIN "),
                 korvex.StringArray.from_str(g.to_str("Main"))):
        assert list(back) == list(g) and back.sort_order == g.sort_order
        assert back.alloc_rows_by == 3 and back.row_attribute(0) == 200
        assert back.column_attribute(1) == 7
    text = path.read_bytes()
    assert text.startswith(b' <?xml version="1.0"?>\r\n\r\n <!-- TStringArray / Korvex -->\r\n')
    assert b"<cell col=1 row=2>b&lt;&amp;&gt;&quot;'</cell>" in text
    assert b"\x80uro \xff" in text  # Windows-1252 bytes
    assert not g.to_str(header=False).startswith(" <?xml")


def test_the_element_with_the_wanted_id_is_read(tmp_path):
    first, second = grid_of([["a", "b"]]), grid_of([["c", "d"], ["e", "f"]])
    path = tmp_path / "two.xml"
    path.write_text(first.to_str("one") + second.to_str("two", header=False))
    assert list(korvex.StringArray.load(path, "two")) == [["c", "d"], ["e", "f"]]
    assert list(korvex.StringArray.load(path)) == [["a", "b"]]
    with pytest.raises(korvex.FileFormatError, match="with id 'three'"):
        korvex.StringArray.load(path, "three")


HAND_WRITTEN = """<?xml version="1.0"?>
<strarray sig="KorvexLib" vers="1.0" id="">
  <dimensions cols=1 rows=2 allocrowsby=5 />
  <row phys=1 logical=2 attr=0 />
  <row phys=2 logical=1 attr=3 />
  <cell col=1 row=1>first&#9;&#129;</cell>
  <cell col=0 row=2>second</cell>
</strarray>
"""


@pytest.mark.parametrize("text,rows", [
    (HAND_WRITTEN, [["second", ""], ["", "first\t\x81"]]),
    (HAND_WRITTEN.replace("</strarray>", ""), None),  # no closing tag
    (HAND_WRITTEN.replace("logical=2", "logical=1"), None),  # not a permutation
    (HAND_WRITTEN.replace("rows=2", "rows=x"), None),
    ("<strarray>", None),
])
def test_reading_a_hand_written_file(tmp_path, text, rows):
    path = tmp_path / "hand.xml"
    path.write_bytes(text.encode("latin-1"))
    if rows is None:
        with pytest.raises(korvex.FileFormatError, match="hand.xml: no complete string array"):
            korvex.StringArray.load(path)
        return
    g = korvex.StringArray.load(path)
    assert list(g) == rows and g.alloc_rows_by == 5 and g.row_attribute(0) == 3


def test_string_array_file_errors(tmp_path):
    with pytest.raises(FileNotFoundError):
        korvex.StringArray.load(tmp_path / "missing.xml")
    with pytest.raises(FileNotFoundError):
        korvex.StringArray().save(tmp_path / "no" / "folder.xml")


VALUES = [None, True, False, 0, -2**63, 2**63 - 1, 2**64 - 1, 1.5, -0.0, 1e-310, math.inf,
          "", "text", "a\r\nb & <c> \"d\"", "\ud800 lone", "😀",
          decimal.Decimal("-922337203685477.5808"), decimal.Decimal("12.3400"),
          datetime.datetime(2024, 2, 29, 13, 14, 15), datetime.datetime(1899, 12, 29, 6, 0),
          datetime.datetime(1700, 1, 1)]


@pytest.mark.parametrize("value", VALUES, ids=repr)
def test_assoc_values_round_trip_through_the_file(tmp_path, value):
    a = korvex.AssocArray(ignore_case=False)
    a["key"] = value
    a.save(tmp_path / "a.xml")
    back = korvex.AssocArray.load(tmp_path / "a.xml")["key"]
    assert back == value and type(back) is type(value)
    if isinstance(value, float):
        assert math.copysign(1, back) == math.copysign(1, value)


def test_nan_round_trips_bit_for_bit():
    a = korvex.AssocArray()
    a["n"] = float("nan")
    assert math.isnan(korvex.AssocArray.from_str(a.to_str())["n"])


def test_assoc_array_is_a_mapping():
    a = korvex.AssocArray()
    a["Alpha"] = 1
    a["beta"] = 2
    a["ALPHA"] = 3  # ignore_case: the same key
    assert len(a) == 2 and a.keys() == ["alpha", "beta"] and a["Alpha"] == 3
    assert "BETA" in a and "gamma" not in a and 5 not in a
    assert a.get("gamma", 0) == 0 and a.setdefault("gamma", 4) == 4
    a.update({"delta": 5}, epsilon=6)
    assert a.pop("alpha") == 3 and a.pop("alpha", None) is None
    assert a.keys() == ["epsilon", "beta", "gamma", "delta"]  # the last took the removed place
    assert dict(a.items()) == {"beta": 2, "gamma": 4, "delta": 5, "epsilon": 6}
    assert list(a) == a.keys() and a.values() == [6, 2, 4, 5]
    with pytest.raises(KeyError):
        a["zeta"]
    with pytest.raises(KeyError):
        del a["zeta"]
    with pytest.raises(TypeError, match="not list"):
        a["x"] = []
    with pytest.raises(ValueError, match="2\\*\\*64"):
        a["x"] = 2**64
    exact = korvex.AssocArray(ignore_case=False)
    exact["Key"] = 1
    assert "key" not in exact and exact.keys() == ["Key"]


def test_assoc_file_text_and_ids(tmp_path):
    a = korvex.AssocArray(granularity=16, data_id="settings")
    a["n"] = 7
    a["s"] = "é<"
    assert a.to_str() == (
        '<?xml version="1.0"?>\r\n<!-- TAssocArray / Korvex -->\r\n'
        '<assocarray sig="KorvexLib" vers="1.0" id="settings" ignorecase=1 granularity=16 '
        'entries=2>\r\n  <entry kind=int64 key="n">7</entry>\r\n'
        '  <entry kind=string key="s">&#233;&lt;</entry>\r\n</assocarray>\r\n')
    path = tmp_path / "two.xml"
    path.write_text(a.to_str("first") + a.to_str("second", header=False))
    back = korvex.AssocArray.load(path, "SECOND")
    assert back.data_id == "second" and back.granularity == 16 and back == a
    with pytest.raises(korvex.FileFormatError, match="with id 'third'"):
        korvex.AssocArray.load(path, "third")


@pytest.mark.parametrize("entry,value", [
    ("<entry kind=shortint key=\"k\">-5</entry>", -5),
    ("<entry kind=word key=\"k\">65535</entry>", 65535),
    ("<entry kind=single key=\"k\">0.5</entry>", 0.5),
    ("<entry kind=currency key=\"k\">1.2500</entry>", decimal.Decimal("1.25")),
    ("<entry kind=date key=\"k\">-1.25</entry>", datetime.datetime(1899, 12, 29, 6)),
    ("<entry kind=empty key=\"k\"></entry>", None),
    ("<entry kind=fraction key=\"k\">1</entry>", korvex.FileFormatError),
    ("<entry kind=byte key=\"k\">256</entry>", korvex.FileFormatError),
])
def test_reading_hand_written_entries(entry, value):
    text = ('<assocarray sig="KorvexLib" vers="1.0" id="" ignorecase=0 granularity=8 '
            f'entries=1>\n  {entry}\n</assocarray>\n')
    if value is korvex.FileFormatError:
        with pytest.raises(korvex.FileFormatError, match="no complete assoc array"):
            korvex.AssocArray.from_str(text)
        return
    assert korvex.AssocArray.from_str(text)["k"] == value


def test_assoc_file_errors(tmp_path):
    with pytest.raises(FileNotFoundError):
        korvex.AssocArray.load(tmp_path / "missing.xml")
    with pytest.raises(IsADirectoryError):
        korvex.AssocArray.load(tmp_path)
    with pytest.raises(FileNotFoundError):
        korvex.AssocArray().save(tmp_path / "no" / "folder.xml")


@pytest.mark.parametrize("make", [korvex.StringArray, korvex.AssocArray, korvex.FeatureMatrix])
def test_names_are_native_and_exact(tmp_path, monkeypatch, make):
    monkeypatch.chdir(tmp_path)
    (tmp_path / "sub").mkdir()
    decoy = tmp_path / "sub" / "X.xml"
    decoy.write_text("decoy")
    make().save("sub\\X.xml")  # a back-slash is part of the name, not a separator
    with pytest.raises(FileNotFoundError):
        make().save("SUB/x.xml")  # no case-insensitive match of the folder
    assert decoy.read_text() == "decoy"
    assert sorted(p.name for p in tmp_path.iterdir()) == ["sub", "sub\\X.xml"]
    assert type(make.load(tmp_path / "sub\\X.xml")) is make
    with pytest.raises(ValueError):
        make().save("a\0b")
    assert not (tmp_path / "a").exists()
