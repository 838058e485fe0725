import os
import sys

import pytest

# The documented signals are shared with the Python package's tests.
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "python"))


@pytest.fixture(scope="session")
def cli():
    return os.environ["TAMRIX_CLI"]
