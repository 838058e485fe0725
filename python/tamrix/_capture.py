"""Captures written by ``tamrix-cli read --format hdf5``: the layout is in
docs/capture-format.md. Needs h5py (Debian's python3-h5py)."""

import datetime

import h5py
import numpy as np

FORMAT = "tamrix-capture"
FORMAT_VERSION = 1


class Capture:
    """A capture file, opened for reading. It may still be written: each look
    at ``samples``, ``times`` or ``events`` sees the scans flushed so far.

        with tamrix.Capture("run.h5") as capture:
            print(capture.slot, capture.mode, capture.channels, capture.scan_seconds)
            values = capture.samples[:1000]    # an h5py dataset, read lazily
            ch3 = capture.channel(3)           # one channel's values, numpy
    """

    def __init__(self, path):
        self.path = str(path)
        # Single-writer, multiple-reader: a capture being written opens too,
        # and so does one whose writer was killed (up to its last flush).
        self._file = h5py.File(self.path, "r", swmr=True)
        try:
            attrs = self._file.attrs
            if _text(attrs.get("format")) != FORMAT:
                raise ValueError(f"{self.path} is no {FORMAT} file")
            if int(attrs["format_version"]) > FORMAT_VERSION:
                raise ValueError(
                    f"{self.path} is {FORMAT} version {int(attrs['format_version'])};"
                    f" this package reads up to version {FORMAT_VERSION}"
                )
            self._samples = self._file["samples"]
            self._events = self._file["events"]
        except Exception:
            self._file.close()
            raise

    def close(self):
        self._file.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __repr__(self):
        return (
            f"<tamrix.Capture {self.path!r}: slot {self.slot}, mode {self.mode},"
            f" channels {self.first_channel}-{self.last_channel}, {len(self)} scans>"
        )

    # What the file says about its run.

    @property
    def attrs(self):
        """Every attribute of the root as a dict of plain values."""
        return {name: _plain(value) for name, value in self._file.attrs.items()}

    format_version = property(lambda self: int(self._file.attrs["format_version"]))
    slot = property(lambda self: int(self._file.attrs["slot"]))
    driver_version = property(lambda self: _text(self._file.attrs["driver_version"]))
    revision = property(lambda self: int(self._file.attrs["revision"]))
    firmware = property(lambda self: _text(self._file.attrs["firmware"]))
    mode = property(lambda self: int(self._file.attrs["mode"]))
    first_channel = property(lambda self: int(self._file.attrs["first_channel"]))
    last_channel = property(lambda self: int(self._file.attrs["last_channel"]))
    timer = property(lambda self: int(self._file.attrs["Timer"]))
    conversion_seconds = property(lambda self: float(self._file.attrs["conversion_seconds"]))
    scan_seconds = property(lambda self: float(self._file.attrs["scan_seconds"]))
    host = property(lambda self: _text(self._file.attrs["host"]))
    tool_version = property(lambda self: _text(self._file.attrs["tool_version"]))

    @property
    def start_time(self):
        """When sampling started, an aware datetime in UTC."""
        text = _text(self._file.attrs["start_time"])
        return datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%S.%fZ").replace(
            tzinfo=datetime.timezone.utc
        )

    @property
    def channels(self):
        return range(self.first_channel, self.last_channel + 1)

    # The data.

    @property
    def samples(self):
        """The 12-bit values, shape (scans, channels): an h5py dataset, read
        as sliced (``capture.samples[:]`` reads it whole)."""
        self._samples.refresh()
        return self._samples

    def read(self):
        """All the scans written so far, read whole into a new numpy array:
        straight from the file into the array, with no copy between."""
        samples = self.samples
        values = np.empty(samples.shape, dtype=samples.dtype)
        if values.size:
            samples.read_direct(values)
        return values

    def __len__(self):
        return self.samples.shape[0]

    @property
    def times(self):
        """Seconds from the start to each scan, by the board's clock."""
        return np.arange(len(self), dtype=np.float64) * self.scan_seconds

    @property
    def events(self):
        """The notifications and losses of words, a numpy record array with
        the fields scan, seconds, message, name (str) and words_lost (-1: the
        board does not tell how many)."""
        self._events.refresh()
        rows = self._events[:]
        names = np.array([_text(name) for name in rows["name"]], dtype=object)
        return np.rec.fromarrays(
            [rows["scan"], rows["seconds"], rows["message"], names, rows["words_lost"]],
            names=["scan", "seconds", "message", "name", "words_lost"],
        )

    def channel(self, number):
        """The values of one board channel, a numpy array over the scans."""
        if number not in self.channels:
            raise ValueError(
                f"channel {number} is not in the capture's {self.first_channel}"
                f"-{self.last_channel}"
            )
        return self.samples[:, number - self.first_channel]


def _text(value):
    return value.decode() if isinstance(value, bytes) else value


def _plain(value):
    value = _text(value)
    return value.item() if isinstance(value, np.generic) else value
