"""What the board's calls answer, as Python values."""

from dataclasses import dataclass
from typing import Tuple

from . import _status


@dataclass(frozen=True)
class Version:
    """The library's version and the driver's (major.minor, build)."""

    library: int
    driver: int

    @property
    def driver_major(self):
        return self.driver >> 24

    @property
    def driver_minor(self):
        return (self.driver >> 16) & 0xFF

    @property
    def driver_build(self):
        return self.driver & 0xFFFF


@dataclass(frozen=True)
class Resources:
    """A board's resource record, field by field as in tamrix.h.

    Array entries beyond their count carry no meaning; the properties give
    the valid ones.
    """

    NumMemWindows: int
    MemBase: Tuple[int, ...]
    MemLength: Tuple[int, ...]
    MemAttrib: Tuple[int, ...]
    NumIOPorts: int
    IOPortBase: Tuple[int, ...]
    IOPortLength: Tuple[int, ...]
    NumIRQs: int
    IRQRegisters: Tuple[int, ...]
    IRQAttrib: Tuple[int, ...]
    NumDMAs: int
    DMALst: Tuple[int, ...]
    DMAAttrib: Tuple[int, ...]
    Reserved: Tuple[int, ...]

    @classmethod
    def from_record(cls, record):
        values = {}
        for name, _ in record._fields_:
            value = getattr(record, name)
            values[name] = value if isinstance(value, int) else tuple(value)
        return cls(**values)

    @property
    def memory_windows(self):
        """(base, length, attributes) of each memory window."""
        return list(zip(self.MemBase, self.MemLength, self.MemAttrib))[: self.NumMemWindows]

    @property
    def io_ports(self):
        """(base, length) of each I/O port range."""
        return list(zip(self.IOPortBase, self.IOPortLength))[: self.NumIOPorts]

    @property
    def irqs(self):
        """(line, attributes) of each interrupt line."""
        return list(zip(self.IRQRegisters, self.IRQAttrib))[: self.NumIRQs]

    @property
    def dmas(self):
        """(channel, attributes) of each DMA channel."""
        return list(zip(self.DMALst, self.DMAAttrib))[: self.NumDMAs]

    @property
    def revision(self):
        return self.Reserved[0]

    @property
    def firmware(self):
        """(major, minor): 2.10 is (2, 10)."""
        return self.Reserved[1], self.Reserved[2]


@dataclass(frozen=True)
class SamplingStatus:
    """The words waiting and the sampling status bits, decoded."""

    num_data: int
    bits: int
    sampling: bool
    waiting_for_trigger: bool
    half_full: bool
    full: bool
    words_lost: bool
    overrun: bool
    dma: bool
    single_scan_done: bool
    overflow_held: bool  # a BuffOverflow waits for the notification budget
    mode: int  # the accepted mode, 0 for none

    @classmethod
    def from_bits(cls, num_data, bits):
        flags = {field: bool(bits & bit) for field, bit in _status.STATUS_FLAGS.items()}
        mode = (bits & _status.STATUS_MODE_MASK) >> _status.STATUS_MODE_SHIFT
        return cls(num_data=num_data, bits=bits, mode=mode, **flags)


@dataclass(frozen=True)
class Inputs:
    """The board's three external inputs, True for on."""

    ex_in0: bool
    ex_in1: bool
    ex_trg: bool
