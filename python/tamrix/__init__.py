"""Tamrix acquisition boards from Python, over the access library libtamrix.

    import tamrix
    with tamrix.Board(0) as board:
        board.set_mode(channels=range(0, 4), mode=3, buffer=4096, timer=500)
        board.start()
        samples = board.read(4096)      # shape (1024, 4), 12-bit values
        board.stop()

Every failure raises TamrixError, with the function that failed, the slot,
and the status code with its name and meaning.

Threads: the library keeps one status code per process, the latest call's,
whichever thread made it. The package holds ``tamrix.library_lock`` from each
of its calls into the library to the status read that answers for it, so its
boards may be used from several threads (one board by one thread at a time).
Code of your own that calls libtamrix directly in the same process (ctypes,
an extension) must hold ``tamrix.library_lock`` from each call to its
TamrixGetLastError, or its codes and the package's can answer for each other.

Ctrl-C in a read stops sampling; the KeyboardInterrupt carries the words read
so far as ``words``, as DataError does.

Captures of ``tamrix-cli read --format hdf5`` open as ``tamrix.Capture(path)``
(with h5py); ``python3 -m tamrix plot`` and ``export`` draw and convert them.
"""

from . import _status
from ._board import Board
from ._errors import DataError, SamplingTimeout, TamrixError
from ._library import LOCK as library_lock
from ._records import Inputs, Resources, SamplingStatus, Version

__all__ = [
    "Board",
    "Capture",
    "DataError",
    "Inputs",
    "MESSAGES",
    "Resources",
    "SamplingStatus",
    "SamplingTimeout",
    "TamrixError",
    "Version",
    "library_lock",
    "status_meaning",
    "status_name",
]



def __getattr__(name):
    # Captures need h5py; the boards do not.
    if name == "Capture":
        from ._capture import Capture

        return Capture
    raise AttributeError(f"module 'tamrix' has no attribute {name!r}")


# Notification numbers and their names: 0x6402 is "BuffHalfFull".
MESSAGES = dict(_status.MESSAGES)


def status_name(code):
    """The name of a status code ("TAMRIX_ERR_NUMDATA"), None for a number
    that is no library code (a platform error or a driver status)."""
    return _status.STATUS.get(code, (None, None))[0]


def status_meaning(code):
    """A plain-English meaning of a status code, or None as status_name."""
    return _status.STATUS.get(code, (None, None))[1]
