"""One board, opened on a slot, with the notification window it posts to."""

import contextlib
import ctypes
import operator
import select
import signal
import threading
import time
import weakref

import numpy as np

from . import _library, _status
from ._errors import DataError, SamplingTimeout, TamrixError
from ._library import ModeRecord, TAMRIXR, library
from ._records import Inputs, Resources, SamplingStatus, Version

_SINGLE_SCAN_MODES = (1, 2, 6, 7)
_AVERAGED_MODES = (2, 7)
_FIFO_MODES = (4, 9)
_DMA_MODES = (5, 10)
_TRIGGERED_MODES = range(6, 11)
_BUFF_OVERFLOW = 0x6404
# Posted by the package to its own window at each new run: notifications
# queued before it belong to the run before.
_RUN_BEGINS = 0xBFFF


def _c_integer(name, value, bits, signed=False):
    """The value as a C integer of ``bits`` bits, or ValueError: ctypes
    would cut it silently, and a cut number addresses something else."""
    if isinstance(value, (bool, np.bool_)):
        raise ValueError(f"{name} must be an integer, not {value!r}")
    try:
        value = operator.index(value)
    except TypeError:
        raise ValueError(f"{name} must be an integer, not {value!r}") from None
    low, high = (-(1 << (bits - 1)), (1 << (bits - 1)) - 1) if signed else (0, (1 << bits) - 1)
    if not low <= value <= high:
        raise ValueError(f"{name} must be {low} to {high}, not {value}")
    return value


def _seconds(name, value):
    if value is None:
        return None
    if isinstance(value, bool) or not isinstance(value, (int, float)) or not value >= 0:
        raise ValueError(f"{name} must be None or seconds from 0, not {value!r}")
    return value


def _word_seconds(mode):
    """Seconds from one word to the next in the mode: above 1000 only whole
    milliseconds count, and no conversion takes less than 2 us."""
    period = mode.Timer if mode.Timer <= 1000 else mode.Timer // 1000 * 1000
    word = max(period, 2) * 1e-6
    return word * 16 if mode.Mode in _AVERAGED_MODES else word


def _poll_interval(mode, scan_words):
    """How long to wait for a notification before looking anyway: they have
    a budget, and the buffer must not fill unseen."""
    words = scan_words if mode.Mode in _SINGLE_SCAN_MODES else max(1, mode.BuffSize / 4)
    return min(max(words * _word_seconds(mode), 0.005), 0.25)


def _stall_limit(mode, scan_words):
    """How long a sampling board may deliver no word: words come in bursts
    (a FIFO half, a DMA page, a scan), a triggered mode waits for ExTrg."""
    burst = 1
    if mode.Mode in _FIFO_MODES:
        burst = 512
    elif mode.Mode in _DMA_MODES:
        burst = min(2048, mode.BuffSize)
    elif mode.Mode in _SINGLE_SCAN_MODES:
        burst = scan_words
    limit = 3 + 2 * burst * _word_seconds(mode)
    return limit + 1 if mode.Mode in _TRIGGERED_MODES else limit


def _channel_range(channels):
    """(first, last) of consecutive rising channels."""
    if isinstance(channels, range):
        ordered = len(channels) > 0 and (len(channels) == 1 or channels.step == 1)
    else:
        channels = [_c_integer("a channel", channel, 32) for channel in channels]
        ordered = channels and channels == list(range(channels[0], channels[0] + len(channels)))
    if not ordered:
        raise ValueError(f"channels must be consecutive and rising, e.g. range(0, 4), not {channels}")
    return (
        _c_integer("the first channel", channels[0], 32),
        _c_integer("the last channel", channels[-1], 32),
    )


@contextlib.contextmanager
def _interrupt_deferred():
    """Holds Ctrl-C back while words leave the driver and are counted: they
    are gone from its buffer once the call returns."""
    if threading.current_thread() is not threading.main_thread():
        yield
        return
    caught = []
    previous = signal.signal(signal.SIGINT, lambda signum, frame: caught.append(frame))
    try:
        yield
    finally:
        signal.signal(signal.SIGINT, previous)
        if caught and callable(previous):
            previous(signal.SIGINT, caught[0])


class Board:
    """A Tamrix board: ``with tamrix.Board(0) as board: ...``.

    ``slot`` is 0 to 15, or None for the lowest free board (ValueError for
    any other). The board is
    closed by ``close()``, at the end of the ``with`` block, or at the latest
    when the process exits. A closed board raises ValueError on every call.

    Other integer arguments must fit the library's C types (32 bits), or
    ValueError says which; a number that fits goes to the
    library, whose refusal raises TamrixError (channel 16 is
    TAMRIX_ERR_CHANNEL).
    """

    def __init__(self, slot=None):
        if slot is not None:
            slot = _c_integer("slot", slot, 16)
            # The driver takes a slot number of 16 or more for a lower slot.
            if slot >= _status.SLOT_COUNT:
                raise ValueError(f"slot must be 0 to {_status.SLOT_COUNT - 1} or None, not {slot}")
        self._lib = lib = library()
        self._window = lib.tmx_window_create()
        if self._window == 0:
            raise TamrixError(
                "tmx_window_create", slot, None, "no notification window (out of descriptors?)"
            )
        if lib.tmx_window_fd(self._window) < 0:
            lib.tmx_window_destroy(self._window)
            raise TamrixError("tmx_window_fd", slot, None, "the notification window has no descriptor")
        wanted = ctypes.c_uint16(_status.ANY_SLOT if slot is None else slot)
        # A failed create leaves its code library-wide: any valid slot reads it.
        asked = 0 if slot is None else slot
        code = _library.call("TamrixCreate", asked, ctypes.byref(wanted), self._window, None)
        if code != 0:
            lib.tmx_window_destroy(self._window)
            raise TamrixError("TamrixCreate", slot, code, self._lost_code(code))
        self.slot = wanted.value
        self._mode = None
        self._channels = None
        self._runs_begun = 0  # marks posted, not yet taken
        self._new_run()
        self._closer = weakref.finalize(self, _library.release, self.slot, self._window)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __repr__(self):
        return f"<tamrix.Board slot {self.slot}{'' if self._closer.alive else ' closed'}>"

    def close(self):
        """Closes the slot (sampling stops); closing twice does nothing."""
        if not self._closer.alive:
            return
        self._closer.detach()
        code = _library.call("TamrixClose", self.slot, self.slot)
        self._lib.tmx_window_destroy(self._window)
        if code != 0:
            raise TamrixError("TamrixClose", self.slot, code, self._lost_code(code))

    @property
    def closed(self):
        return not self._closer.alive

    @staticmethod
    def _lost_code(code):
        if code is None:
            return "its status code was replaced by a call made outside the package"
        return None

    def _call(self, function, *args):
        """Calls a library function on this board; TamrixError when it fails."""
        self._open_or_raise()
        code = _library.call(function, self.slot, *args)
        if code != 0:
            raise TamrixError(function, self.slot, code, self._lost_code(code))

    @property
    def version(self):
        """The library's and the driver's version."""
        library_version, driver_version = ctypes.c_uint32(), ctypes.c_uint32()
        self._call(
            "TamrixGetVersion", ctypes.byref(library_version), ctypes.byref(driver_version)
        )
        return Version(library_version.value, driver_version.value)

    @property
    def resources(self):
        """The board's resource record."""
        record = TAMRIXR()
        self._call("TamrixGetResource", self.slot, ctypes.byref(record))
        return Resources.from_record(record)

    def set_mode(self, channels=range(0, 4), mode=3, buffer=4096, timer=500):
        """Samples the consecutive ``channels`` in turn, one word every
        ``timer`` microseconds, into a buffer of ``buffer`` words."""
        self._open_or_raise()
        first, last = _channel_range(channels)
        record = ModeRecord(
            first, last, _c_integer("buffer", buffer, 32), _c_integer("timer", timer, 32),
            _c_integer("mode", mode, 32, signed=True),
        )
        self._begin_run("TamrixSetMode", self.slot, ctypes.byref(record))
        self._mode = record
        self._channels = range(first, last + 1)

    @property
    def channels(self):
        """The channels of the accepted mode, None before one."""
        return self._channels

    def start(self):
        """Starts sampling; the buffer is emptied first."""
        self._begin_run("TamrixStartSampling", self.slot)

    def stop(self):
        """Stops sampling; the words converted so far stay to be read."""
        self._call("TamrixStopSampling", self.slot)

    def status(self):
        """The words waiting and the sampling status bits."""
        num_data, bits = ctypes.c_uint32(), ctypes.c_uint32()
        self._call(
            "TamrixGetSamplingStatus", self.slot, ctypes.byref(num_data), ctypes.byref(bits)
        )
        return SamplingStatus.from_bits(num_data.value, bits.value)

    def inputs(self):
        """The external inputs ExIn0, ExIn1 and ExTrg."""
        ex_in0, ex_in1, ex_trg = ctypes.c_int32(), ctypes.c_int32(), ctypes.c_int32()
        self._call(
            "TamrixGetExIn",
            self.slot,
            ctypes.byref(ex_in0),
            ctypes.byref(ex_in1),
            ctypes.byref(ex_trg),
        )
        return Inputs(ex_in0.value != 0, ex_in1.value != 0, ex_trg.value != 0)

    def fileno(self):
        """A descriptor that polls readable while a notification waits, for
        select, poll or asyncio; read notifications with notifications()."""
        self._open_or_raise()
        return self._lib.tmx_window_fd(self._window)

    def notifications(self, timeout=None):
        """Yields (message, name) for each notification as it arrives; ends
        when none arrives within ``timeout`` seconds (None: never)."""
        self._open_or_raise()
        return self._notifications(_seconds("timeout", timeout))

    def _notifications(self, timeout):
        while self._wait(timeout):
            yield from self._take_notifications()

    def read_words(self, count, timeout=None):
        """Reads ``count`` sample words as the driver delivered them (uint16:
        the channel in bits 15..12, the value below), waiting while the board
        samples. Takes the notifications that arrive meanwhile.

        Raises DataError when the board lost words to a full buffer during
        the read or sampling ended short of ``count`` (its ``words`` are the
        sound ones read, up to the gap, and the next read goes on after it).
        The board tells each gap's place, but while its notification budget
        is spent it may tell several losses at once, with only the first's
        place: the words up to that gap are delivered, then every read raises
        DataError (more words lost at places the board could not tell, no
        words) until sampling is started again.
        Raises SamplingTimeout when no word came for ``timeout`` seconds (default: a
        few seconds beyond what the mode needs). Ctrl-C stops sampling and
        raises KeyboardInterrupt with the words read so far as its ``words``.
        """
        self._open_or_raise()
        if self._mode is None:
            raise ValueError("set_mode() first")
        count = _c_integer("count", count, 64)
        if count < 1:
            raise ValueError(f"count must be at least 1, not {count}")
        timeout = _seconds("timeout", timeout)
        scan_words = len(self._channels)
        poll = _poll_interval(self._mode, scan_words)
        stall = _stall_limit(self._mode, scan_words) if timeout is None else timeout
        words = np.empty(count, dtype=np.uint16)
        got = 0
        try:
            last_word = time.monotonic()
            while True:
                status = self._look()
                # A held BuffOverflow may lie anywhere in what waits: wait for it.
                take = 0 if status.overflow_held else min(status.num_data, count - got)
                if self._gaps:
                    take = min(take, self._gaps[0] - self._run_fetched)
                if self._blind_from is not None:
                    take = min(take, max(0, self._blind_from - self._run_fetched))
                if take:
                    with _interrupt_deferred():
                        self._fetch(words[got : got + take])
                        got += take
                        self._run_fetched += take
                    last_word = time.monotonic()
                if self._gaps and self._run_fetched >= self._gaps[0]:
                    del self._gaps[0]
                    raise DataError(
                        "read_words", self.slot, "words lost to a full buffer", words[:got]
                    )
                if self._blind_from is not None and self._run_fetched >= self._blind_from:
                    raise DataError(
                        "read_words",
                        self.slot,
                        "more words were lost at places the board could not tell;"
                        " start sampling again",
                        words[:got],
                    )
                if got == count:
                    return words
                if not status.sampling and take == status.num_data:
                    raise DataError(
                        "read_words",
                        self.slot,
                        f"sampling ended after {got} of {count} words",
                        words[:got],
                    )
                if time.monotonic() - last_word > stall:
                    raise SamplingTimeout(
                        "read_words", self.slot, f"no word for {stall:.1f} s, after {got} of {count}"
                    )
                if self._wait(poll):
                    for _ in self._take_notifications():
                        pass  # they say when to look; an overflow is kept
        except KeyboardInterrupt as interrupt:
            # Ctrl-C: the board stops filling a buffer nobody drains, and
            # the words taken from the driver are not thrown away.
            with contextlib.suppress(TamrixError):
                self._call("TamrixStopSampling", self.slot)
            interrupt.words = words[:got]
            raise

    def read(self, count, timeout=None):
        """Reads ``count`` sample words, whole scans of the mode's channels,
        and returns their 12-bit values as an array of shape
        (count / channels, channels). Raises as read_words(), and DataError
        when a word does not carry the channel due."""
        self._open_or_raise()
        if self._channels is None:
            raise ValueError("set_mode() first")
        scan_words = len(self._channels)
        count = _c_integer("count", count, 64)
        if count % scan_words:
            raise ValueError(f"count {count} is not whole scans of {scan_words} channels")
        words = self.read_words(count, timeout)
        due = np.tile(np.arange(self._channels.start, self._channels.stop), count // scan_words)
        wrong = np.flatnonzero((words >> 12) != due)
        if wrong.size:
            at = int(wrong[0])
            raise DataError(
                "read",
                self.slot,
                f"word {at} carries channel {words[at] >> 12} where channel {due[at]} was due",
                words[: at - at % scan_words],
            )
        return (words & 0x0FFF).reshape(-1, scan_words)

    # Lost words. A word that finds the buffer full is lost, and the buffer
    # keeps its oldest words. The driver posts a BuffOverflow at the first
    # word lost after each drain, carrying the number of words the run had
    # put into the buffer before it (low 32 bits), which is where the gap
    # lies in the words read, and how many losses it stands for. When its
    # budget is spent it holds the message back (a status bit says so) and
    # counts later losses into it, so reads take no word while one is held.

    def _new_run(self):
        self._run_fetched = 0
        self._gaps = []  # places of the gaps not yet reported, in order
        self._blind_from = None  # beyond here, gaps at places unknown

    def _begin_run(self, function, *args):
        """Calls the library function that begins a new run (set mode, start)."""
        self._open_or_raise()
        # While the board samples, the call is refused and the run goes on.
        # Otherwise the run before has posted all it will, and a mark parts
        # its notifications from the new run's.
        if not self.status().sampling and self._lib.tmx_post_message(
            self._window, _RUN_BEGINS, 0, 0
        ):
            self._runs_begun += 1
        self._call(function, *args)
        self._new_run()

    def _look(self):
        """Reads the status and takes the notifications, which place gaps."""
        status = self.status()
        for _ in self._take_notifications():
            pass
        return status

    def _place_gap(self, low_bits, losses):
        # Nearest to the words fetched, whose low 32 bits it shares; a gap
        # behind them (read by another caller) is reported at once.
        ahead = (low_bits - self._run_fetched) & 0xFFFFFFFF
        gap = self._run_fetched + (ahead if ahead < 1 << 31 else 0)
        if self._blind_from is not None and gap >= self._blind_from:
            return
        self._gaps.append(gap)
        self._gaps.sort()
        if losses > 1:
            self._blind_from = gap

    def _fetch(self, into):
        self._call("TamrixGetData", self.slot, len(into), into.ctypes.data_as(ctypes.c_void_p))

    def _open_or_raise(self):
        if not self._closer.alive:
            raise ValueError("the board is closed")

    def _wait(self, timeout):
        """Waits for a notification; False when none came within timeout."""
        readable, _, _ = select.select([self.fileno()], [], [], timeout)
        return bool(readable)

    def _take_notifications(self):
        message, wparam, lparam = ctypes.c_uint32(), ctypes.c_uint32(), ctypes.c_int32()
        while (
            self._lib.tmx_window_wait(
                self._window, 0, ctypes.byref(message), ctypes.byref(wparam), ctypes.byref(lparam)
            )
            == 1
        ):
            if message.value == _RUN_BEGINS:
                self._runs_begun -= 1
                continue
            if message.value == _BUFF_OVERFLOW and self._runs_begun == 0:
                self._place_gap(wparam.value, lparam.value)
            yield message.value, _status.MESSAGES.get(message.value)
