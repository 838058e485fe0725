"""What the board's calls answer, as Python values."""

from dataclasses import dataclass
from typing import Tuple

# Sampling status bits of the boards' driver.
_SAMPLING = 0x01
_AWAITING_TRIGGER = 0x02
_HALF_FULL = 0x04
_FULL = 0x08
_WORDS_LOST = 0x10
_OVERRUN = 0x20
_DMA = 0x40
_SCAN_DONE = 0x80
_OVERFLOW_HELD = 0x1000


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
        return cls(
            num_data=num_data,
            bits=bits,
            sampling=bool(bits & _SAMPLING),
            waiting_for_trigger=bool(bits & _AWAITING_TRIGGER),
            half_full=bool(bits & _HALF_FULL),
            full=bool(bits & _FULL),
            words_lost=bool(bits & _WORDS_LOST),
            overrun=bool(bits & _OVERRUN),
            dma=bool(bits & _DMA),
            single_scan_done=bool(bits & _SCAN_DONE),
            overflow_held=bool(bits & _OVERFLOW_HELD),
            mode=(bits >> 8) & 0xF,
        )


@dataclass(frozen=True)
class Inputs:
    """The board's three external inputs, True for on."""

    ex_in0: bool
    ex_in1: bool
    ex_trg: bool
