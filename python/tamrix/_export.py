"""A capture as CSV (as tamrix-cli read writes it) or as a WAV file."""

import wave

import numpy as np

# Rows read at a time, so that a capture larger than memory exports too.
_BLOCK_ROWS = 1 << 18


def _blocks(capture):
    samples = capture.samples
    for start in range(0, samples.shape[0], _BLOCK_ROWS):
        yield samples[start : start + _BLOCK_ROWS]


def to_csv(capture, output):
    """A header of channel names (ch00,...) and one row of values per scan."""
    with open(output, "w", newline="") as out:
        out.write(",".join(f"ch{channel:02d}" for channel in capture.channels) + "\n")
        for block in _blocks(capture):
            np.savetxt(out, block, fmt="%d", delimiter=",")


def wav_rate(capture):
    """The scan rate as a WAV sample rate: whole hertz, at least 1."""
    return max(1, round(1 / capture.scan_seconds))


def to_wav(capture, output):
    """16-bit PCM, one audio channel per board channel, the scan rate as the
    sample rate. A 12-bit value v becomes (v - 2048) * 16: mid-scale is 0 V,
    and the full scale spans the full 16 bits."""
    with wave.open(str(output), "wb") as out:
        out.setnchannels(len(capture.channels))
        out.setsampwidth(2)
        out.setframerate(wav_rate(capture))
        for block in _blocks(capture):
            pcm = (block.astype(np.int32) - 2048) * 16
            out.writeframes(pcm.astype("<i2").tobytes())
