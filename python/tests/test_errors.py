"""The exception hierarchy: every library error is a korvex.Error with the library's message,
and also the Python built-in it stands for."""
import pytest

import korvex

HIERARCHY = [
    ("ConvertError", (korvex.Error, ValueError)),
    ("VariantError", (korvex.Error, ValueError)),
    ("InOutError", (korvex.Error, OSError)),
    ("FileOpenError", (korvex.Error, OSError)),
    ("ReadError", (korvex.Error, OSError)),
    ("WriteError", (korvex.Error, OSError)),
    ("OutOfResources", (korvex.Error, MemoryError)),
    ("PrinterError", (korvex.Error,)),
    ("KRVError", (korvex.Error,)),
    ("ColorArrayError", (korvex.KRVError,)),
    ("StringError", (korvex.KRVError,)),
    ("DataStructureError", (korvex.KRVError,)),
    ("CpuIdError", (korvex.KRVError,)),
    ("FileSystemError", (korvex.KRVError,)),
]


@pytest.mark.parametrize("name,bases", HIERARCHY)
def test_hierarchy(name, bases):
    cls = getattr(korvex, name)
    assert cls.__module__ == "korvex"
    for base in bases:
        assert issubclass(cls, base)
    assert issubclass(korvex.Error, Exception)


def test_a_library_error_keeps_its_message():
    with pytest.raises(korvex.ConvertError, match=r"^ASCII85 text at offset 0: "):
        korvex.a85decode(b"{", adobe=True)
