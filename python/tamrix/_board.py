"""One board, opened on a slot, with the notification window it posts to."""

import ctypes
import select
import time
import weakref

import numpy as np

from . import _status
from ._errors import DataError, SamplingTimeout, TamrixError
from ._library import ModeRecord, TAMRIXR, library
from ._records import Inputs, Resources, SamplingStatus, Version

_SINGLE_SCAN_MODES = (1, 2, 6, 7)
_AVERAGED_MODES = (2, 7)
_FIFO_MODES = (4, 9)
_DMA_MODES = (5, 10)
_TRIGGERED_MODES = range(6, 11)


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
    channels = list(channels)
    if not channels or channels != list(range(channels[0], channels[0] + len(channels))):
        raise ValueError("channels must be consecutive and rising, e.g. range(0, 4)")
    return channels[0], channels[-1]


def _release(lib, slot, window):
    lib.TamrixClose(slot)  # stops sampling too
    lib.tmx_window_destroy(window)


class Board:
    """A Tamrix board: ``with tamrix.Board(0) as board: ...``.

    ``slot`` is 0 to 15, or None for the lowest free board. The board is
    closed by ``close()``, at the end of the ``with`` block, or at the latest
    when the process exits.
    """

    def __init__(self, slot=None):
        if slot is not None and (not isinstance(slot, int) or not 0 <= slot < _status.SLOT_COUNT):
            raise ValueError(f"slot must be 0 to {_status.SLOT_COUNT - 1} or None, not {slot!r}")
        self._lib = lib = library()
        self._window = lib.tmx_window_create()
        if self._window == 0:
            raise TamrixError("tmx_window_create", slot, None, "no notification window")
        wanted = ctypes.c_uint16(_status.ANY_SLOT if slot is None else slot)
        if lib.TamrixCreate(ctypes.byref(wanted), self._window, None) != 1:
            code = lib.TamrixGetLastError(0 if slot is None else slot)
            lib.tmx_window_destroy(self._window)
            raise TamrixError("TamrixCreate", slot, code)
        self.slot = wanted.value
        self._mode = None
        self._channels = None
        self._run_fetched = 0
        self._lost_reported = False
        self._closer = weakref.finalize(self, _release, lib, self.slot, self._window)

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
        result = self._lib.TamrixClose(self.slot)
        self._lib.tmx_window_destroy(self._window)
        self._check(result, "TamrixClose")

    @property
    def closed(self):
        return not self._closer.alive

    def _check(self, result, function):
        if result != 1:
            raise TamrixError(function, self.slot, self._lib.TamrixGetLastError(self.slot))

    @property
    def version(self):
        """The library's and the driver's version."""
        library_version, driver_version = ctypes.c_uint32(), ctypes.c_uint32()
        self._check(
            self._lib.TamrixGetVersion(ctypes.byref(library_version), ctypes.byref(driver_version)),
            "TamrixGetVersion",
        )
        return Version(library_version.value, driver_version.value)

    @property
    def resources(self):
        """The board's resource record."""
        record = TAMRIXR()
        self._check(self._lib.TamrixGetResource(self.slot, ctypes.byref(record)), "TamrixGetResource")
        return Resources.from_record(record)

    def set_mode(self, channels=range(0, 4), mode=3, buffer=4096, timer=500):
        """Samples the consecutive ``channels`` in turn, one word every
        ``timer`` microseconds, into a buffer of ``buffer`` words."""
        first, last = _channel_range(channels)
        record = ModeRecord(first, last, buffer, timer, mode)
        self._check(self._lib.TamrixSetMode(self.slot, ctypes.byref(record)), "TamrixSetMode")
        self._mode = record
        self._channels = range(first, last + 1)
        self._new_run()

    @property
    def channels(self):
        """The channels of the accepted mode, None before one."""
        return self._channels

    def start(self):
        """Starts sampling; the buffer is emptied first."""
        self._check(self._lib.TamrixStartSampling(self.slot), "TamrixStartSampling")
        self._new_run()

    def stop(self):
        """Stops sampling; the words converted so far stay to be read."""
        self._check(self._lib.TamrixStopSampling(self.slot), "TamrixStopSampling")

    def status(self):
        """The words waiting and the sampling status bits."""
        num_data, bits = ctypes.c_uint32(), ctypes.c_uint32()
        self._check(
            self._lib.TamrixGetSamplingStatus(self.slot, ctypes.byref(num_data), ctypes.byref(bits)),
            "TamrixGetSamplingStatus",
        )
        return SamplingStatus.from_bits(num_data.value, bits.value)

    def inputs(self):
        """The external inputs ExIn0, ExIn1 and ExTrg."""
        ex_in0, ex_in1, ex_trg = ctypes.c_int32(), ctypes.c_int32(), ctypes.c_int32()
        self._check(
            self._lib.TamrixGetExIn(
                self.slot, ctypes.byref(ex_in0), ctypes.byref(ex_in1), ctypes.byref(ex_trg)
            ),
            "TamrixGetExIn",
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
        while self._wait(timeout):
            yield from self._take_notifications()

    def read_words(self, count, timeout=None):
        """Reads ``count`` sample words as the driver delivered them (uint16:
        the channel in bits 15..12, the value below), waiting while the board
        samples. Takes the notifications that arrive meanwhile.

        Raises DataError when the board lost words to a full buffer during
        the read or sampling ended short of ``count`` (its ``words`` are the
        sound ones read), SamplingTimeout when no word came for ``timeout``
        seconds (default: a few seconds beyond what the mode needs).
        """
        if self._mode is None:
            raise ValueError("set_mode() first")
        if count < 1:
            raise ValueError("count must be at least 1")
        scan_words = len(self._channels)
        poll = _poll_interval(self._mode, scan_words)
        stall = _stall_limit(self._mode, scan_words) if timeout is None else timeout
        words = np.empty(count, dtype=np.uint16)
        got = 0
        last_word = time.monotonic()
        while True:
            status = self.status()
            # Words lost at a full buffer: what waits is sound only if this
            # run was never drained (the buffer keeps its oldest words).
            lost = status.words_lost and not self._lost_reported
            if lost and self._run_fetched > 0:
                self._lost_reported = True
                raise DataError("read_words", self.slot, "words lost to a full buffer", words[:got])
            take = min(status.num_data, count - got)
            if take:
                self._fetch(words[got : got + take])
                got += take
                self._run_fetched += take
                last_word = time.monotonic()
            if got == count:
                return words
            if lost:
                self._lost_reported = True
                raise DataError("read_words", self.slot, "words lost to a full buffer", words[:got])
            if not status.sampling and take == status.num_data:
                raise DataError(
                    "read_words", self.slot, f"sampling ended after {got} of {count} words", words[:got]
                )
            if time.monotonic() - last_word > stall:
                raise SamplingTimeout(
                    "read_words", self.slot, f"no word for {stall:.1f} s, after {got} of {count}"
                )
            if self._wait(poll):
                for _ in self._take_notifications():
                    pass  # they only say when to look

    def read(self, count, timeout=None):
        """Reads ``count`` sample words, whole scans of the mode's channels,
        and returns their 12-bit values as an array of shape
        (count / channels, channels). Raises as read_words(), and DataError
        when a word does not carry the channel due."""
        if self._channels is None:
            raise ValueError("set_mode() first")
        scan_words = len(self._channels)
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

    def _new_run(self):
        self._run_fetched = 0
        self._lost_reported = False

    def _fetch(self, into):
        self._check(
            self._lib.TamrixGetData(self.slot, len(into), into.ctypes.data_as(ctypes.c_void_p)),
            "TamrixGetData",
        )

    def _open_or_raise(self):
        if not self._closer.alive:
            raise ValueError("the board is closed")

    def _wait(self, timeout):
        """Waits for a notification; False when none came within timeout."""
        readable, _, _ = select.select([self.fileno()], [], [], timeout)
        return bool(readable)

    def _take_notifications(self):
        message = ctypes.c_uint32()
        while self._lib.tmx_window_wait(self._window, 0, ctypes.byref(message), None, None) == 1:
            yield message.value, _status.MESSAGES.get(message.value)
