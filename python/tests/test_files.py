"""korvex.files: masks, scans, copies with progress, deleting trees, text files, name helpers.
Every test works inside tmp_path; those that copy or delete keep a decoy folder beside the
sandbox and check it is untouched."""
import os
import pathlib
import threading

import pytest

import korvex


def _tree_state(root: pathlib.Path) -> dict:
    """Every entry below root with what it is: bytes of files, targets of links."""
    state = {}
    for dirpath, dirnames, filenames in os.walk(root):
        for n in dirnames + filenames:
            p = pathlib.Path(dirpath, n)
            rel = str(p.relative_to(root))
            if p.is_symlink():
                state[rel] = ("link", os.readlink(p))
            elif p.is_dir():
                state[rel] = ("dir",)
            else:
                state[rel] = ("file", p.read_bytes(), p.stat().st_mtime_ns)
    return state


@pytest.fixture
def sandbox(tmp_path):
    """(box, decoy): a folder to work in and a decoy beside it that must stay as it is."""
    decoy = tmp_path / "decoy"
    (decoy / "inner").mkdir(parents=True)
    (decoy / "keep.txt").write_bytes(b"decoy")
    (decoy / "inner" / "deep.bin").write_bytes(b"\x00" * 10)
    before = _tree_state(decoy)
    box = tmp_path / "box"
    box.mkdir()
    yield box, decoy
    assert _tree_state(decoy) == before


@pytest.mark.parametrize("name, mask, case_sensitive, expected", [
    ("report.txt", "*.txt", False, True),
    ("REPORT.TXT", "*.txt", False, True),
    ("REPORT.TXT", "*.txt", True, False),
    ("archive.tar.gz", "*.gz", False, True),
    ("archive.tar.gz", "*.tar", False, False),
    ("noext", "*.*", False, True),
    ("noext", "*.", False, True),
    ("a.b", "*.", False, False),
    ("file.txt", "file?.txt", False, True),
    ("file1.txt", "file?.txt", False, True),
    ("abc", "a?c", False, True),
    ("ac", "a?c", False, False),
    ("Ärger", "ä*", False, True),
    ("Ärger", "ä*", True, False),
])
def test_matches_wildcard(name, mask, case_sensitive, expected):
    assert korvex.matches_wildcard(name, mask, case_sensitive=case_sensitive) is expected


def test_has_wildcards():
    assert [korvex.has_wildcards(m) for m in ("a*", "?", "plain.txt")] == [True, True, False]


def test_scan_yields_entries(tmp_path):
    (tmp_path / "a.txt").write_bytes(b"12345")
    (tmp_path / "B.TXT").write_bytes(b"")
    (tmp_path / ".hidden").write_bytes(b"h")
    (tmp_path / "sub").mkdir()
    os.symlink("a.txt", tmp_path / "link")
    entries = {e.name: e for e in korvex.scan(tmp_path)}
    assert sorted(entries) == [".hidden", "B.TXT", "a.txt", "link", "sub"]
    a = entries["a.txt"]
    assert (a.size, a.is_file, a.is_dir, a.path) == (5, True, False, str(tmp_path / "a.txt"))
    assert a.mtime_ns == os.stat(tmp_path / "a.txt").st_mtime_ns
    assert os.fspath(a) == str(tmp_path / "a.txt")
    assert entries["sub"].is_dir and entries["sub"].attributes & korvex.Attr.DIRECTORY
    assert entries["link"].is_symlink and entries["link"].size == 5
    assert entries[".hidden"].is_hidden
    assert sorted(e.name for e in korvex.scan(tmp_path, "*.txt")) == ["B.TXT", "a.txt"]
    assert [e.name for e in korvex.scan(tmp_path, "*.txt", case_sensitive=True)] == ["a.txt"]
    plain = korvex.scan(tmp_path, attributes=korvex.Attr.ARCHIVE)
    assert sorted(e.name for e in plain) == ["B.TXT", "a.txt", "link"]


def test_scan_names_and_errors(tmp_path):
    odd = os.fsencode(tmp_path) + b"/back\\slash \xff"
    open(odd, "wb").close()
    (name,) = [e.name for e in korvex.scan(os.fsencode(tmp_path))]
    assert os.fsencode(name) == b"back\\slash \xff"
    assert list(korvex.scan(tmp_path, "*.none")) == []
    with pytest.raises(FileNotFoundError):
        korvex.scan(tmp_path / "missing")
    with pytest.raises(ValueError):
        korvex.scan(tmp_path, "sub/*")
    with pytest.raises(ValueError):
        korvex.scan(str(tmp_path) + "\0x")
    with korvex.scan(tmp_path) as it:
        pass
    assert list(it) == []


def _big(path: pathlib.Path, size: int) -> bytes:
    data = bytes(range(256)) * (size // 256) + b"x" * (size % 256)
    path.write_bytes(data)
    return data


def _check_progress(calls, total):
    assert calls and calls[0] == (0, total) and calls[-1] == (total, total)
    dones = [d for d, _ in calls]
    assert dones == sorted(dones) and len(set(dones)) == len(dones)


@pytest.mark.parametrize("size", [0, 1, 8192, 3 * 1024 * 1024 + 17])
def test_copy_file_progress(sandbox, size):
    box, _ = sandbox
    data = _big(box / "in.bin", size)
    calls = []
    korvex.copy_file(box / "in.bin", box / "out.bin", lambda d, t: calls.append((d, t)))
    assert (box / "out.bin").read_bytes() == data
    _check_progress(calls, size)
    assert os.stat(box / "out.bin").st_mtime_ns == os.stat(box / "in.bin").st_mtime_ns


def test_copy_file_errors_and_stop(sandbox):
    box, decoy = sandbox
    _big(box / "in.bin", 4 * 1024 * 1024)
    with pytest.raises(FileNotFoundError):
        korvex.copy_file(box / "missing", box / "x")
    with pytest.raises(OSError, match="the source itself"):
        korvex.copy_file(box / "in.bin", box / "in.bin")
    with pytest.raises(TypeError):
        korvex.copy_file(box / "in.bin", box / "x", progress=3)

    def stop(done, total):
        if done > 0:
            raise KeyError("stop here")
    with pytest.raises(KeyError, match="stop here"):
        korvex.copy_file(box / "in.bin", box / "part.bin", stop)
    assert os.path.getsize(box / "part.bin") < 4 * 1024 * 1024


def _source_tree(root: pathlib.Path, decoy: pathlib.Path) -> int:
    (root / "sub" / ".hid").mkdir(parents=True)
    _big(root / "a.bin", 2 * 1024 * 1024 + 5)
    (root / "A.BIN").write_bytes(b"other case")
    (root / "sub" / "b.txt").write_bytes(b"b" * 1000)
    (root / "sub" / ".hid" / "c").write_bytes(b"c")
    os.symlink(decoy, root / "to_decoy")
    os.symlink(decoy / "keep.txt", root / "sub" / "decoy_file")
    return 2 * 1024 * 1024 + 5 + 10 + 1000 + 1


def test_copy_tree(sandbox):
    box, decoy = sandbox
    total = _source_tree(box / "src", decoy)
    calls = []
    korvex.copy_tree(box / "src", box / "dst" / "deeper", lambda d, t: calls.append((d, t)))
    _check_progress(calls, total)
    src, dst = _tree_state(box / "src"), _tree_state(box / "dst" / "deeper")
    assert {k: v[:2] for k, v in src.items()} == {k: v[:2] for k, v in dst.items()}
    assert os.readlink(box / "dst" / "deeper" / "to_decoy") == str(decoy)


def test_copy_tree_stop_and_refusal(sandbox):
    box, decoy = sandbox
    _source_tree(box / "src", decoy)

    def stop(done, total):
        raise RuntimeError("cancelled")
    with pytest.raises(RuntimeError, match="cancelled"):
        korvex.copy_tree(box / "src", box / "none", stop)
    assert not (box / "none").exists()
    cwd = os.getcwd()
    os.chdir(box)
    try:
        with pytest.raises(korvex.CopyTreeError) as info:
            korvex.copy_tree("src", ".")
    finally:
        os.chdir(cwd)
    (failure,) = info.value.failures
    assert failure.step == "refused" and "'.'" in failure.reason
    assert sorted(os.listdir(box)) == ["src"]


def test_copy_tree_reports_failures(sandbox):
    box, decoy = sandbox
    (box / "src").mkdir()
    (box / "src" / "f").write_bytes(b"new")
    (box / "dst").mkdir()
    (box / "dst" / "f").write_bytes(b"old")
    os.chmod(box / "dst" / "f", 0o444)
    with pytest.raises(korvex.CopyTreeError, match="1 entry could not be copied") as info:
        korvex.copy_tree(box / "src", box / "dst")
    assert [f.step for f in info.value.failures] == ["create_file"]
    assert isinstance(info.value, OSError) and isinstance(info.value, korvex.Error)
    assert (box / "dst" / "f").read_bytes() == b"old"


def test_delete_tree(sandbox):
    box, decoy = sandbox
    (box / "t" / "a" / "b").mkdir(parents=True)
    (box / "t" / "a" / "b" / "f").write_bytes(b"x")
    os.symlink(decoy, box / "t" / "to_decoy")
    os.symlink(decoy / "keep.txt", box / "t" / "a" / "file_link")
    korvex.delete_tree(box / "t")
    assert os.listdir(box) == []
    os.symlink(decoy, box / "dir_link")
    korvex.delete_tree(box / "dir_link")  # the link goes, its target stays
    assert os.listdir(box) == []
    with pytest.raises(FileNotFoundError):
        korvex.delete_tree(box / "missing")
    with pytest.raises(FileNotFoundError):
        korvex.delete_tree("")


@pytest.mark.parametrize("name", ["/", ".", "..", "box/.."])
def test_delete_tree_refuses_protected(sandbox, name):
    box, decoy = sandbox
    cwd = os.getcwd()
    os.chdir(box)
    try:
        with pytest.raises(PermissionError, match="refusing to delete"):
            korvex.delete_tree(name if name != "box/.." else str(box) + "/..")
    finally:
        os.chdir(cwd)
    assert box.exists()


def test_text_file_written_by_library(tmp_path):
    path = tmp_path / "t.txt"
    with korvex.TextFile(path, "w") as f:
        f.write_line("café €")
        f.write("no end")
        f.write_line()
        f.write_lines(["x", "ÿ"])
    assert f.closed
    assert path.read_bytes() == "café €\r\nno end\r\nx\r\nÿ\r\n".encode("cp1252")
    assert korvex.count_lines(path) == 4
    with korvex.TextFile(path, "a") as f:
        f.write_line("more")
    assert path.read_text(encoding="cp1252").splitlines() == ["café €", "no end", "x", "ÿ",
                                                               "more"]


def test_text_file_read_by_library(tmp_path):
    path = tmp_path / "in.txt"
    path.write_bytes("one\r\ntwo\nlone\rcr\n\n€ 42 last".encode("cp1252"))
    with korvex.TextFile(path) as f:
        assert list(f) == ["one", "two", "lone\rcr", "", "€ 42 last"]
        assert f.read_line() is None and f.eof
    with korvex.TextFile(path) as f:
        assert f.read_lines()[-1] == "€ 42 last"
    words = korvex.TextFile(path)
    assert [words.read_word() for _ in range(2)] == ["one", "two"]
    words.close()
    words.close()
    assert korvex.count_lines(path) == 5
    assert korvex.tail_lines(path, 2) == ["", "€ 42 last"]
    assert korvex.tail_lines(path, 10) == ["one", "two", "lone\rcr", "", "€ 42 last"]
    assert korvex.find_line(path, "CR", ignore_case=True) == (6, "lone\rcr")
    assert korvex.find_line(path, "absent") is None
    assert korvex.find_offset(path, "two") == 4
    assert korvex.text_file_type(path) == "unknown"


def test_text_file_closes_on_exception(tmp_path):
    path = tmp_path / "t.txt"
    with pytest.raises(ZeroDivisionError):
        with korvex.TextFile(path, "w") as f:
            f.write_line("kept")
            1 / 0
    assert f.closed and path.read_bytes() == b"kept\r\n"
    with pytest.raises(ValueError, match="closed file"):
        f.write_line("late")
    with pytest.raises(korvex.InOutError):
        korvex.TextFile(tmp_path / "missing.txt")
    with pytest.raises(ValueError):
        korvex.TextFile(path, "rw")


def test_append_lines_and_crlf(sandbox):
    box, _ = sandbox
    path = box / "log.txt"
    korvex.append_lines(path, "first")
    korvex.append_lines(path, ["second", "third"])
    assert path.read_bytes() == b"first\r\nsecond\r\nthird\r\n"
    (box / "cr.txt").write_bytes(b"a\rb\r\nc\nd\r")
    korvex.ensure_crlf(box / "cr.txt", box / "fixed.txt")
    assert (box / "fixed.txt").read_bytes() == b"a\r\nb\r\nc\nd\r\n"
    with pytest.raises(korvex.InOutError):
        korvex.ensure_crlf(box / "cr.txt", box / "cr.txt")
    assert (box / "cr.txt").read_bytes() == b"a\rb\r\nc\nd\r"


@pytest.mark.parametrize("first, expected", [
    (b"\xef\xbb\xbfx", "utf-8"), (b"\xff\xfex\x00", "utf-16-le"), (b"\xfe\xff", "utf-16-be"),
    (b"\xff\xfe\x00\x00", "utf-32-le"), (b"\x00\x00\xfe\xff", "utf-32-be"),
    (b"{\\rtf1", "rtf"), (b"", "unknown"),
])
def test_text_file_type(tmp_path, first, expected):
    (tmp_path / "f").write_bytes(first)
    assert korvex.text_file_type(tmp_path / "f") == expected


@pytest.mark.parametrize("call, expected", [
    (lambda: korvex.file_name_part("C:\\a\\b.txt"), "b.txt"),
    (lambda: korvex.strip_extension("C:\\a.b\\name"), "C:\\a.b\\name"),
    (lambda: korvex.strip_extension(".profile"), ""),
    (lambda: korvex.parent_dir("x/y"), "x/"),
    (lambda: korvex.parent_dir("C:\\a\\b\\"), "C:\\a\\"),
    (lambda: korvex.file_extension("C:\\a\\b.tar.gz"), ".gz"),
    (lambda: korvex.change_extension("b.txt", ".csv"), "b.csv"),
    (lambda: korvex.drive_number("d:\\x"), 3),
    (lambda: korvex.drive_number("abc"), None),
    (lambda: korvex.is_root_dir(" c:\\ "), True),
    (lambda: korvex.is_dos83_path("C:\\LONGNAME1\\A.TXT"), False),
    (lambda: korvex.abridge_path("C:\\one\\two\\three\\f.txt", 21), "C:\\..\\..\\three\\f.txt"),
    (lambda: korvex.insert_before_extension("C:\\x\\data.tar.gz", "_old"), "C:\\x\\data_old.tar.gz"),
    (lambda: korvex.with_default_extension("name", ".txt"), "name.txt"),
    (lambda: korvex.with_default_extension("name.", "txt"), "name."),
])
def test_path_helpers(call, expected):
    assert call() == expected


def test_copies_run_one_at_a_time(sandbox):
    box, _ = sandbox
    _big(box / "in.bin", 2 * 1024 * 1024)
    errors = []

    def copy(i):
        try:
            korvex.copy_file(box / "in.bin", box / f"out{i}.bin", lambda d, t: None)
        except Exception as e:  # pragma: no cover - reported below
            errors.append(e)
    threads = [threading.Thread(target=copy, args=(i,)) for i in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == []
    assert all((box / f"out{i}.bin").read_bytes() == (box / "in.bin").read_bytes()
               for i in range(4))
