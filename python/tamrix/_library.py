"""The access library, loaded once per process from the package's own tree."""

import ctypes
import os
import threading

from . import _paths, _status
from ._errors import TamrixError

_library = None

# The library keeps its status codes per process, not per thread: a code
# belongs to the latest call, whichever thread made it. The package holds
# this lock from each call to the status read that answers for it.
LOCK = threading.Lock()
# Boards collected while the lock was taken, to be closed by its holder: a
# finalizer may run inside a locked stretch of its own thread.
_orphans = []


class ModeRecord(ctypes.Structure):
    _fields_ = [
        ("ChFirst", ctypes.c_uint32),
        ("ChLast", ctypes.c_uint32),
        ("BuffSize", ctypes.c_uint32),
        ("Timer", ctypes.c_uint32),
        ("Mode", ctypes.c_int32),
    ]


class TAMRIXR(ctypes.Structure):
    _fields_ = [
        ("NumMemWindows", ctypes.c_uint16),
        ("MemBase", ctypes.c_uint32 * 9),
        ("MemLength", ctypes.c_uint32 * 9),
        ("MemAttrib", ctypes.c_uint16 * 9),
        ("NumIOPorts", ctypes.c_uint16),
        ("IOPortBase", ctypes.c_uint16 * 20),
        ("IOPortLength", ctypes.c_uint16 * 20),
        ("NumIRQs", ctypes.c_uint16),
        ("IRQRegisters", ctypes.c_uint8 * 7),
        ("IRQAttrib", ctypes.c_uint8 * 7),
        ("NumDMAs", ctypes.c_uint16),
        ("DMALst", ctypes.c_uint8 * 7),
        ("DMAAttrib", ctypes.c_uint16 * 7),
        ("Reserved", ctypes.c_uint8 * 3),
    ]


def _check_layouts():
    # The header's layout, as the package was built against it.
    if ctypes.sizeof(ModeRecord) != _status.MODE_RECORD_SIZE:
        raise ImportError("tamrix: ModeRecord does not match tamrix.h")
    offsets = {name: getattr(TAMRIXR, name).offset for name, _ in TAMRIXR._fields_}
    if ctypes.sizeof(TAMRIXR) != _status.RECORD_SIZE or offsets != _status.RECORD_OFFSETS:
        raise ImportError("tamrix: TAMRIXR does not match tamrix.h")


_U32 = ctypes.c_uint32
_I32 = ctypes.c_int32
_PU32 = ctypes.POINTER(ctypes.c_uint32)
_PI32 = ctypes.POINTER(ctypes.c_int32)

_PROTOTYPES = {
    "TamrixCreate": (_I32, [ctypes.POINTER(ctypes.c_uint16), _U32, ctypes.c_void_p]),
    "TamrixClose": (_I32, [_U32]),
    "TamrixGetVersion": (_I32, [_PU32, _PU32]),
    "TamrixGetResource": (_I32, [_U32, ctypes.POINTER(TAMRIXR)]),
    "TamrixSetMode": (_I32, [_U32, ctypes.POINTER(ModeRecord)]),
    "TamrixStartSampling": (_I32, [_U32]),
    "TamrixStopSampling": (_I32, [_U32]),
    "TamrixGetSamplingStatus": (_I32, [_U32, _PU32, _PU32]),
    "TamrixGetData": (_I32, [_U32, _U32, ctypes.c_void_p]),
    "TamrixGetLastError": (_I32, [_U32]),
    "TamrixGetExIn": (_I32, [_U32, _PI32, _PI32, _PI32]),
    # The notification windows come with the library, from its platform layer.
    "tmx_window_create": (_U32, []),
    "tmx_window_fd": (ctypes.c_int, [_U32]),
    "tmx_window_wait": (ctypes.c_int, [_U32, ctypes.c_int, _PU32, _PU32, _PI32]),
    "tmx_window_destroy": (None, [_U32]),
    "tmx_post_message": (ctypes.c_int, [_U32, _U32, _U32, _I32]),
    "tmx_device_open_error": (_U32, [ctypes.c_char_p]),
    "tmx_error_text": (ctypes.c_char_p, [_U32]),
}


def library_path():
    """Where the package looks for libtamrix: its own install tree."""
    here = os.path.dirname(os.path.abspath(__file__))
    return os.path.normpath(os.path.join(here, _paths.LIBRARY_DIR, _paths.LIBRARY_NAME))


def library():
    """The loaded library, its functions typed. Loading it opens the driver;
    raises TamrixError when that failed, since every call would then fail."""
    global _library
    with LOCK:
        if _library is None:
            _check_layouts()
            try:
                loaded = ctypes.CDLL(library_path())
            except OSError as error:
                raise TamrixError("loading libtamrix", None, None, str(error)) from None
            for name, (restype, argtypes) in _PROTOTYPES.items():
                function = getattr(loaded, name)
                function.restype = restype
                function.argtypes = argtypes
            _library = loaded
    failed = _library.tmx_device_open_error(_status.DEVICE_NAME.encode())
    if failed:
        text = _library.tmx_error_text(failed)
        raise TamrixError(
            "loading libtamrix",
            None,
            failed,
            f"the library could not open its driver {_status.DEVICE_NAME}",
            platform_text="" if text is None else text.decode(errors="replace"),
        )
    return _library


def call(function, status_slot, *args):
    """Calls the library's ``function`` (a name) and answers 0 for success,
    else the status code it left, read for ``status_slot`` before any other
    call of the package can replace it."""
    with LOCK:
        result = getattr(_library, function)(*args)
        code = 0 if result == 1 else _library.TamrixGetLastError(status_slot)
        # 0 from a failed call: the code went to a call made outside the package.
        code = code if result == 1 or code != 0 else None
    _close_orphans()
    return code


def release(slot, window):
    """Closes a slot and destroys its window, for a board nobody closed."""
    _orphans.append((slot, window))
    _close_orphans()


def _close_orphans():
    if not _orphans or not LOCK.acquire(blocking=False):
        return  # the holder closes them as it leaves
    try:
        while _orphans:
            slot, window = _orphans.pop()
            _library.TamrixClose(slot)  # stops sampling too
            _library.tmx_window_destroy(window)
    finally:
        LOCK.release()
