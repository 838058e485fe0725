import os

import pytest


@pytest.fixture(scope="session")
def prefix():
    """The install prefix the tests run against (made by the test fixture)."""
    return os.environ["TAMRIX_TEST_PREFIX"]
