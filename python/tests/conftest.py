"""Shared by the korvex tests: the repository's folder (for sample files) and the C++ build's
krv tool, when the test run has them."""
import os
import pathlib

import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("KORVEX_SOURCE_DIR",
                                         pathlib.Path(__file__).resolve().parents[2]))


@pytest.fixture
def samples() -> pathlib.Path:
    return SOURCE_DIR / "samples"
