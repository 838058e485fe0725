"""Tamrix acquisition boards from Python, over the access library libtamrix.

    import tamrix
    with tamrix.Board(0) as board:
        board.set_mode(channels=range(0, 4), mode=3, buffer=4096, timer=500)
        board.start()
        samples = board.read(4096)      # shape (1024, 4), 12-bit values
        board.stop()

Every failure raises TamrixError, with the function that failed, the slot,
and the status code with its name and meaning.
"""

from . import _status
from ._board import Board
from ._errors import DataError, SamplingTimeout, TamrixError
from ._records import Inputs, Resources, SamplingStatus, Version

__all__ = [
    "Board",
    "DataError",
    "Inputs",
    "MESSAGES",
    "Resources",
    "SamplingStatus",
    "SamplingTimeout",
    "TamrixError",
    "Version",
    "status_meaning",
    "status_name",
]

# Notification numbers and their names: 0x6402 is "BuffHalfFull".
MESSAGES = dict(_status.MESSAGES)


def status_name(code):
    """The name of a status code ("TAMRIX_ERR_NUMDATA"), None for a number
    that is no library code (a platform error or a driver status)."""
    return _status.STATUS.get(code, (None, None))[0]


def status_meaning(code):
    """A plain-English meaning of a status code, or None as status_name."""
    return _status.STATUS.get(code, (None, None))[1]
