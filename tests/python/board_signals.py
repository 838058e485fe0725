"""The simulated boards' signals on channels 0 to 3, as the README documents
them, checked against sampled columns that start at a SetMode."""

import math

CYCLE = 128


def _sine(x):
    return 2048 + 2000 * math.sin(2 * math.pi * x)


def _triangle(x):
    return 4095 * (2 * x if x < 0.5 else 2 - 2 * x)


def _square(x):
    return 3583 if x < 0.5 else 512


def _sawtooth(x):
    return 32 * math.floor(x * CYCLE)


# channel: (shape over one cycle, allowed rounding, lowest, highest)
DOCUMENTED = {
    0: (_sine, 1, 48, 4048),
    1: (_triangle, 1, 0, 4095),
    2: (_square, 0, 512, 3583),
    3: (_sawtooth, 0, 0, 4064),
}


def assert_documented_signal(channel, values):
    """values: one channel's samples in order, from the first scan of a run
    that began at a SetMode (the signals restart there, at step 0)."""
    values = [int(v) for v in values]
    shape, rounding, lowest, highest = DOCUMENTED[channel]
    assert len(values) >= CYCLE, "at least one whole cycle"
    assert (min(values), max(values)) == (lowest, highest), f"channel {channel} range"
    for k, value in enumerate(values):
        expected = shape((k % CYCLE) / CYCLE)
        assert abs(value - expected) <= rounding, (
            f"channel {channel} step {k}: {value}, documented {expected:.1f}"
        )
