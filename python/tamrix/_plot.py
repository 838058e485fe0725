"""A picture of a capture: one trace per channel against time, values in
LSB, the events marked. Each pixel column shows the smallest and the largest
value of the scans it covers, so a capture of millions of scans draws as fast
as a short one and hides no spike."""

import textwrap

import numpy as np

# Rows read at a time for the envelope.
_BLOCK_WORDS = 1 << 22
_LOSS_COLOUR = "#d62728"
_NOTIFICATION_COLOUR = "#7f7f7f"


def envelope(samples, start, stop, columns):
    """(edges, lowest, highest): the rows start..stop split into at most
    `columns` runs of scans, and each run's smallest and largest values per
    channel (arrays of shape (runs, channels))."""
    rows = stop - start
    runs = max(1, min(columns, rows))
    edges = start + np.arange(runs + 1, dtype=np.int64) * rows // runs
    lowest, highest = [], []
    # Whole runs per block, so that no run is split between two reads.
    per_block = max(1, _BLOCK_WORDS // max(1, samples.shape[1]) // max(1, rows // runs))
    for first in range(0, runs, per_block):
        last = min(runs, first + per_block)
        block = samples[edges[first] : edges[last]]
        at = edges[first:last] - edges[first]
        lowest.append(np.minimum.reduceat(block, at, axis=0))
        highest.append(np.maximum.reduceat(block, at, axis=0))
    return edges, np.concatenate(lowest), np.concatenate(highest)


def plot(capture, output, channels=None, seconds=None, size=(1600, 900), dpi=100):
    """Writes a PNG of `size` pixels (width, height). channels: a range of
    board channels (default: all); seconds: (from, to) since the start."""
    import matplotlib

    matplotlib.use("Agg")
    from matplotlib import pyplot

    channels = capture.channels if channels is None else channels
    for channel in (channels.start, channels.stop - 1):
        if channel not in capture.channels:
            raise ValueError(
                f"channel {channel} is not in the capture's"
                f" {capture.first_channel}-{capture.last_channel}"
            )
    samples = capture.samples
    scans = samples.shape[0]
    scan_seconds = capture.scan_seconds
    start, stop = 0, scans
    if seconds is not None:
        start = min(scans, int(np.ceil(seconds[0] / scan_seconds)))
        stop = max(start, min(scans, int(np.floor(seconds[1] / scan_seconds)) + 1))
    columns = capture.channels.index(channels.start), capture.channels.index(channels.stop - 1) + 1

    width, height = size
    figure = pyplot.figure(figsize=(width / dpi, height / dpi), dpi=dpi)
    axes = figure.subplots(len(channels), 1, sharex=True, squeeze=False)[:, 0]
    # Margins in pixels, so that the labels fit a small picture too.
    left, right = min(0.3, 100 / width), 1 - min(0.1, 16 / width)
    label_size = max(5.0, min(9.0, height / len(channels) / 8))
    # The title in as many lines as the plot's width takes, about half a
    # font size a character; each line more widens the top margin.
    title = (
        f"{capture.path}: slot {capture.slot}, mode {capture.mode}, {len(capture.channels)}"
        f" channels, {1 / scan_seconds:g} scans/s, {scans} scans, started"
        f" {capture.start_time:%Y-%m-%d %H:%M:%S} UTC (values in LSB)"
    )
    line_chars = max(20, int(width * (right - left) / (label_size * dpi / 72 * 0.55)))
    title_lines = textwrap.wrap(title, line_chars, break_on_hyphens=False) or [title]
    title = "\n".join(title_lines)
    top_pixels = 22 + 14 * len(title_lines) * label_size / 9
    figure.subplots_adjust(left=left, right=right, top=1 - min(0.3, top_pixels / height),
                           bottom=min(0.3, 50 / height), hspace=0.15)
    pixel_columns = max(1, int(width * (right - left)))
    if stop > start:
        view = _Columns(samples, columns)
        edges, lowest, highest = envelope(view, start, stop, pixel_columns)
        middle = (edges[:-1] + edges[1:] - 1) / 2 * scan_seconds
        for index, ax in enumerate(axes):
            ax.fill_between(middle, lowest[:, index], highest[:, index], step="mid",
                            linewidth=0.6, edgecolor="C0", facecolor="C0")
    # Each event where it sits in the data: a loss after the last scan kept.
    events = capture.events
    first_second, last_second = start * scan_seconds, max(start + 1, stop) * scan_seconds
    shown = events[(events.scan >= start) & (events.scan <= stop)]
    lost = shown.message == 0
    for ax, channel in zip(axes, channels):
        for rows, colour, label in (
            (shown[~lost], _NOTIFICATION_COLOUR, "notification"),
            (shown[lost], _LOSS_COLOUR, "words lost"),
        ):
            if len(rows):
                ax.vlines(rows.scan * scan_seconds, 0, 1, transform=ax.get_xaxis_transform(),
                          colors=colour, linewidth=0.8, alpha=0.6, label=label)
        ax.set_ylabel(f"ch{channel:02d}", rotation=0, ha="right", va="center",
                      fontsize=label_size)
        ax.tick_params(labelsize=label_size * 0.85)
        ax.yaxis.set_major_locator(matplotlib.ticker.MaxNLocator(2 if len(channels) > 4 else 5))
        ax.margins(x=0)
        ax.grid(True, linewidth=0.3, alpha=0.5)
    axes[0].set_title(title, fontsize=label_size)
    if len(shown):
        axes[0].legend(loc="upper right", fontsize=label_size * 0.85)
    axes[-1].set_xlabel("seconds", fontsize=label_size)
    axes[-1].set_xlim(first_second, last_second)
    figure.savefig(output, dpi=dpi, format="png")
    pyplot.close(figure)


class _Columns:
    """A dataset seen through a range of its columns, read as sliced."""

    def __init__(self, dataset, columns):
        self._dataset = dataset
        self._columns = slice(*columns)
        self.shape = (dataset.shape[0], columns[1] - columns[0])

    def __getitem__(self, rows):
        return self._dataset[rows, self._columns]
