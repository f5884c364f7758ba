"""Shared by the Python tests: the vekparse program, the python3-doc pages and the repository."""
import os
import pathlib

import pytest

SOURCE = pathlib.Path(__file__).resolve().parents[2]
PYTHON_DOC = pathlib.Path("/usr/share/doc/python3/html")
# A few pages of different kinds: reference, tutorial, a long table of contents.
PAGES = ["library/html.parser.html", "library/stdtypes.html", "tutorial/introduction.html", "glossary.html"]


@pytest.fixture(scope="session")
def vekparse():
    return os.environ.get("VEKPARSE", str(SOURCE / "build/release/tools/vekparse"))


@pytest.fixture(scope="session")
def pages():
    paths = [PYTHON_DOC / page for page in PAGES]
    if not all(path.is_file() for path in paths):
        pytest.skip("python3-doc is not installed")
    return paths
