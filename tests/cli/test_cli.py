"""tamrix-cli as a shell script meets it: output, exit status, stderr."""

import re
import signal
import struct
import subprocess
import time

import pytest
from board_signals import assert_documented_signal

READ_4096 = ["read", "0", "--channels", "0-3", "--mode", "3", "--period-us", "100", "--count", "4096"]


def run(cli, *args):
    return subprocess.run([cli, *args], capture_output=True, timeout=60)


def csv_rows(text):
    lines = text.decode().splitlines()
    return lines[0], [[int(v) for v in line.split(",")] for line in lines[1:]]


def test_read_csv_gives_each_channel_its_documented_signal(cli):
    result = run(cli, *READ_4096)
    assert result.returncode == 0, result.stderr
    assert result.stderr == b""  # no progress bar when stderr is no terminal
    header, rows = csv_rows(result.stdout)
    assert header == "ch00,ch01,ch02,ch03"
    assert len(rows) == 1024 and all(len(row) == 4 for row in rows)
    for channel in range(4):
        assert_documented_signal(channel, [row[channel] for row in rows])


def test_raw_output_is_the_csv_words_little_endian(cli, tmp_path):
    # Boards are per process and the signals restart at SetMode, so two runs
    # with the same settings deliver the same words. DMA mode, 3 channels,
    # a count that is not whole scans (rounded up), to a file.
    settings = ["read", "5", "--channels", "1-3", "--mode", "5", "--period-us", "20",
                "--count", "4999"]
    csv = run(cli, *settings)
    raw_file = tmp_path / "capture.bin"
    raw = run(cli, *settings, "--format", "raw", "--output", str(raw_file))
    assert (csv.returncode, raw.returncode) == (0, 0), (csv.stderr, raw.stderr)
    assert raw.stdout == b""
    _, rows = csv_rows(csv.stdout)
    assert len(rows) == 1667  # 4999 words rounded up to whole scans of 3
    expected = [(channel << 12) | value for row in rows for channel, value in zip((1, 2, 3), row)]
    data = raw_file.read_bytes()
    assert list(struct.unpack(f"<{len(data) // 2}H", data)) == expected


def test_ctrl_c_during_read_writes_whole_rows_and_stops(cli):
    # 1000 words a second: a million would take a quarter of an hour.
    process = subprocess.Popen(
        [cli, "read", "0", "--channels", "0-3", "--mode", "3", "--period-us", "1000",
         "--count", "1000000"],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0)  # communicate() reads on
    header = process.stdout.readline()
    first_row = process.stdout.readline()  # sampling is under way
    process.send_signal(signal.SIGINT)
    start = time.monotonic()
    rest, stderr = process.communicate(timeout=10)
    assert time.monotonic() - start < 2
    assert process.returncode == 130
    assert header == b"ch00,ch01,ch02,ch03\n"
    text = first_row + rest
    assert text.endswith(b"\n")
    rows = [[int(v) for v in line.split(b",")] for line in text.splitlines()]
    assert all(len(row) == 4 for row in rows)
    # Whole, consecutive scans: channel 3 climbs 32 a scan from 0.
    assert [row[3] for row in rows] == [32 * k % 4096 for k in range(len(rows))]
    # A scan cut short is fetched but not written.
    said = re.fullmatch(r"tamrix-cli read: slot 0: interrupted after (\d+) of 1000000 words\n",
                        stderr.decode())
    assert said and int(said[1]) // 4 == len(rows)


@pytest.mark.parametrize(
    "args, status, line",
    [
        (["info", "3"], 1,
         "tamrix-cli info: slot 3: TamrixCreate failed: status 100 TAMRIX_ERR_SLOT "
         "(bad slot: out of range, empty, or already open)"),
        (["read", "4", *READ_4096[2:]], 1,
         "tamrix-cli read: slot 4: TamrixCreate failed: status 100 TAMRIX_ERR_SLOT "
         "(bad slot: out of range, empty, or already open)"),
        (["watch", "2", "--channels", "0-3", "--mode", "5", "--period-us", "100"], 1,
         "tamrix-cli watch: slot 2: TamrixSetMode failed: status 105 TAMRIX_ERR_DMA "
         "(the board has no DMA channel)"),
        ([*READ_4096, "--format", "xml"], 2, "tamrix-cli read: --format is csv or raw, not 'xml'"),
        ([*READ_4096, "--bogus"], 2, "tamrix-cli read: unknown option --bogus"),
    ],
)
def test_failures_are_one_line_and_an_exit_status(cli, args, status, line):
    result = run(cli, *args)
    assert result.returncode == status
    assert result.stdout == b""
    lines = result.stderr.decode().splitlines()
    assert lines[0] == line
    if status == 2:
        assert lines[1:] == [
            "usage: tamrix-cli read SLOT --channels A-B --mode N --period-us T --count N "
            "[--format csv|raw] [--output FILE]"]
    else:
        assert len(lines) == 1
