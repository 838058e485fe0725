"""python3 -m tamrix plot|export: looking at and converting captures.

    python3 -m tamrix plot run.h5 --output run.png [--channels 0-3] [--seconds 1-2.5]
    python3 -m tamrix export run.h5 --to csv|wav [--output run.csv]
"""

import argparse
import os
import sys


def _range(text, kind, parse):
    first, dash, last = text.partition("-")
    try:
        first = parse(first)
        last = parse(last) if dash else first
    except ValueError:
        raise argparse.ArgumentTypeError(f"wants A-B or A, not '{text}'") from None
    if last < first:
        raise argparse.ArgumentTypeError(f"{text} runs backwards")
    return kind(first, last)


def _channels(text):
    return _range(text, lambda a, b: range(a, b + 1), int)


def _seconds(text):
    return _range(text, lambda a, b: (a, b), float)


def _size(text):
    width, x, height = text.partition("x")
    try:
        size = int(width), int(height)
    except ValueError:
        raise argparse.ArgumentTypeError(f"wants WIDTHxHEIGHT, not '{text}'") from None
    if not x or min(size) < 100:
        raise argparse.ArgumentTypeError(f"wants WIDTHxHEIGHT of 100 pixels or more, not '{text}'")
    return size


def _parser():
    parser = argparse.ArgumentParser(prog="python3 -m tamrix", description=__doc__.split("\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    plot = commands.add_parser("plot", help="draw a capture as a PNG")
    plot.add_argument("file")
    plot.add_argument("--output", required=True, help="the PNG to write")
    plot.add_argument("--channels", type=_channels, help="A-B: board channels to draw")
    plot.add_argument("--seconds", type=_seconds, help="FROM-TO: seconds since the start")
    plot.add_argument("--size", type=_size, default=(1600, 900), help="WIDTHxHEIGHT in pixels")
    export = commands.add_parser("export", help="convert a capture to CSV or WAV")
    export.add_argument("file")
    export.add_argument("--to", required=True, choices=("csv", "wav"))
    export.add_argument("--output", help="the file to write (default: FILE with .csv or .wav)")
    return parser


def main(argv=None):
    arguments = _parser().parse_args(argv)
    try:
        from ._capture import Capture
    except ImportError as error:
        print(f"python3 -m tamrix {arguments.command}: needs h5py (Debian's python3-h5py):",
              error, file=sys.stderr)
        return 1

    try:
        with Capture(arguments.file) as capture:
            if arguments.command == "plot":
                from ._plot import plot

                plot(capture, arguments.output, arguments.channels, arguments.seconds,
                     arguments.size)
            else:
                from . import _export

                output = arguments.output or os.path.splitext(arguments.file)[0] + "." + arguments.to
                (_export.to_csv if arguments.to == "csv" else _export.to_wav)(capture, output)
    except (OSError, ValueError, KeyError) as error:
        print(f"python3 -m tamrix {arguments.command}: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
