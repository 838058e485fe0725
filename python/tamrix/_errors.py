"""The package's exceptions: every failure is a TamrixError."""

from . import _status


class TamrixError(Exception):
    """A failed call: the function, the slot, and the status code it left.

    ``code`` is the library's status code, ``name`` its name
    ("TAMRIX_ERR_NUMDATA") and ``meaning`` its meaning; both are None for a
    number that is no library code (a platform error or a driver status).
    For a failure the package finds itself (words lost, a stalled board),
    ``code`` is None as well and ``function`` names the package's method.
    When the library could not open its driver, ``code`` is the platform's
    error code and ``name`` and ``meaning`` are the platform's
    ("ERROR_FILE_NOT_FOUND").
    """

    def __init__(self, function, slot, code, detail=None, platform_text=None):
        self.function = function
        self.slot = slot
        self.code = code
        if platform_text is None:
            self.name, self.meaning = _status.STATUS.get(code, (None, None))
        else:
            name, _, meaning = platform_text.partition(": ")
            self.name, self.meaning = name or None, meaning or None
        self.detail = detail
        self._platform = platform_text is not None
        super().__init__(self._text())

    def _text(self):
        where = f"{self.function} failed" + ("" if self.slot is None else f" on slot {self.slot}")
        if self.code is None:
            return f"{where}: {self.detail}"
        if self._platform:
            said = f"platform error {self.code}" + (f" {self.name}" if self.name else "")
            said += f" ({self.meaning})" if self.meaning else ""
            return f"{where}: {self.detail}: {said}"
        if self.name is None:
            said = f"status {self.code} (no library code: a platform error or a driver status)"
        else:
            said = f"status {self.code} {self.name} ({self.meaning})"
        return f"{where}: {said}" + (f": {self.detail}" if self.detail else "")


class DataError(TamrixError):
    """The words read are not whole scans in order, or some were lost.

    ``words`` holds the sound words read before the fault (raw uint16).
    """

    def __init__(self, function, slot, detail, words):
        self.words = words
        super().__init__(function, slot, None, detail)


class SamplingTimeout(TamrixError, TimeoutError):
    """A sampling board delivered no word for longer than the timeout."""

    def __init__(self, function, slot, detail):
        super().__init__(function, slot, None, detail)
