"""tamrix-cli as a shell script meets it: output, exit status, stderr."""

import math
import os
import re
import shutil
import signal
import stat
import statistics
import struct
import subprocess
import time

import pytest
from board_signals import assert_documented_signal

READ_4096 = ["read", "0", "--channels", "0-3", "--mode", "3", "--period-us", "100", "--count", "4096"]
WATCH = ["watch", "0", "--channels", "0-3", "--mode", "3", "--period-us", "100"]
USAGE = {
    "read": "usage: tamrix-cli read SLOT --channels A-B --mode N --period-us T [--count N] "
            "[--seconds S] [--format csv|raw|hdf5] [--compress] [--output FILE]",
    "watch": "usage: tamrix-cli watch SLOT --channels A-B --mode N --period-us T [--seconds S]",
}


def run(cli, *args, **options):
    return subprocess.run([cli, *args], capture_output=True, timeout=60, **options)


def files_in(folder):
    return sorted(path.name for path in folder.iterdir())


@pytest.fixture(scope="module", params=["missing", "damaged"])
def broken_driver_cli(request, cli, tmp_path_factory):
    """The tool with its libraries and probe copied beside a driver module
    that is missing or cut short; the codes the platform gives for each."""
    built = os.path.dirname(cli)
    folder = tmp_path_factory.mktemp(request.param)
    for name in ("tamrix-cli", "libtamrix.so.1", "libtamrix_platform.so.1", "tamrix-probe"):
        shutil.copy(os.path.join(built, name), folder)
    if request.param == "damaged":
        with open(os.path.join(built, "tamrix.vxd.so"), "rb") as module:
            (folder / "tamrix.vxd.so").write_bytes(module.read(1000))
        return str(folder / "tamrix-cli"), "193 ERROR_BAD_EXE_FORMAT: the driver module is damaged"
    return str(folder / "tamrix-cli"), "2 ERROR_FILE_NOT_FOUND: the driver module or its probe"


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
    # A read far shorter than a poll's worth of words is not overrun between polls.
    for _ in range(3):
        short = run(cli, "read", "0", "--channels", "0", "--mode", "3", "--period-us", "100",
                    "--count", "4")
        assert short.returncode == 0, short.stderr
        assert csv_rows(short.stdout)[1] == [[2048], [2146], [2244], [2341]]


def test_raw_output_is_the_csv_words_little_endian(cli, tmp_path):
    # Boards are per process and the signals restart at SetMode, so two runs
    # with the same settings deliver the same words. DMA mode, 3 channels,
    # a count that is not whole scans (rounded up), to files: a new one gets
    # its mode from the umask, an existing one is replaced and keeps its own.
    settings = ["read", "5", "--channels", "1-3", "--mode", "5", "--period-us", "20",
                "--count", "4999"]
    csv_file, raw_file = tmp_path / "capture.csv", tmp_path / "capture.bin"
    raw_file.write_bytes(b"an older, longer capture" * 1000)
    raw_file.chmod(0o604)
    csv = run(cli, *settings, "--output", str(csv_file), preexec_fn=lambda: os.umask(0o027))
    raw = run(cli, *settings, "--format", "raw", "--output", str(raw_file))
    assert (csv.returncode, raw.returncode) == (0, 0), (csv.stderr, raw.stderr)
    assert (csv.stdout, raw.stdout) == (b"", b"")
    assert files_in(tmp_path) == ["capture.bin", "capture.csv"]
    assert stat.S_IMODE(csv_file.stat().st_mode) == 0o640
    assert stat.S_IMODE(raw_file.stat().st_mode) == 0o604
    _, rows = csv_rows(csv_file.read_bytes())
    assert len(rows) == 1667  # 4999 words rounded up to whole scans of 3
    expected = [(channel << 12) | value for row in rows for channel, value in zip((1, 2, 3), row)]
    data = raw_file.read_bytes()
    assert list(struct.unpack(f"<{len(data) // 2}H", data)) == expected


@pytest.mark.parametrize("output, cut", [("stdout", "interrupt"), ("file", "interrupt"),
                                         ("file", "words lost")])
def test_a_read_cut_short_writes_whole_rows_and_stops(cli, tmp_path, output, cut):
    # Interrupted: 1000 words a second, a million would take a quarter of an
    # hour. Words lost: 500,000 a second fill the 262,144-word buffer while
    # the tool is stopped for a second.
    period, count = ("1000", 1000000) if cut == "interrupt" else ("2", 100000000)
    args = [cli, "read", "0", "--channels", "0-3", "--mode", "3", "--period-us", period,
            "--count", str(count)]
    capture = tmp_path / "scan.csv"
    if output == "file":
        capture.write_bytes(b"an older capture\n")
        args += ["--output", str(capture)]
    process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               bufsize=0)  # communicate() reads on
    if output == "stdout":
        text = process.stdout.readline() + process.stdout.readline()  # sampling is under way
    else:
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and not any(
                path.name != "scan.csv" and path.read_bytes().count(b"\n") >= 2
                for path in tmp_path.iterdir()):
            time.sleep(0.02)
    if cut == "interrupt":
        process.send_signal(signal.SIGINT)
    else:
        process.send_signal(signal.SIGSTOP)
        time.sleep(1)
        process.send_signal(signal.SIGCONT)
    start = time.monotonic()
    rest, stderr = process.communicate(timeout=10)
    assert time.monotonic() - start < 2
    if output == "stdout":
        text += rest
    else:
        assert (rest, files_in(tmp_path)) == (b"", ["scan.csv"])
        text = capture.read_bytes()
    header, _, text = text.partition(b"\n")
    assert header == b"ch00,ch01,ch02,ch03"
    assert text.endswith(b"\n")
    rows = [[int(v) for v in line.split(b",")] for line in text.splitlines()]
    assert all(len(row) == 4 for row in rows)
    # Whole, consecutive scans: channel 3 climbs 32 a scan from 0.
    assert [row[3] for row in rows] == [32 * k % 4096 for k in range(len(rows))]
    # A scan cut short is fetched but not written.
    if cut == "interrupt":
        assert process.returncode == 130
        said = re.fullmatch(rf"tamrix-cli read: slot 0: interrupted after (\d+) of {count} words\n",
                            stderr.decode())
    else:
        assert process.returncode == 1
        said = re.fullmatch(rf"tamrix-cli read: slot 0: the board lost words to a full buffer "
                            rf"after (\d+) of {count} words; the output stops before them\n",
                            stderr.decode())
    assert said and int(said[1]) // 4 == len(rows)


def test_watch_runs_as_long_as_the_clock_can_count(cli):
    # 292 years, near the end of the clock's nanoseconds: neither the
    # conversion nor the end time may wrap round to a time already past.
    process = subprocess.Popen([cli, *WATCH, "--seconds", "9223372036"], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    first = process.stdout.readline()
    process.send_signal(signal.SIGINT)
    _, stderr = process.communicate(timeout=10)
    assert re.fullmatch(rb" +\d+\.\d{3}  0x6402  BuffHalfFull\n", first), first
    assert (process.returncode, stderr) == (0, b"")


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
        ([*READ_4096, "--format", "xml"], 2, "tamrix-cli read: --format is csv, raw or hdf5, not 'xml'"),
        ([*READ_4096, "--format", "hdf5"], 2, "tamrix-cli read: --format hdf5 needs --output"),
        ([*READ_4096, "--bogus"], 2, "tamrix-cli read: unknown option --bogus"),
        ([*READ_4096, "--channels", "16"], 2, "tamrix-cli read: --channels 16 is above 15"),
        ([*READ_4096, "--channels", "-1"], 2,
         "tamrix-cli read: --channels wants A-B or A, not '-1'"),
        ([*READ_4096, "--period-us", "0"], 2, "tamrix-cli read: --period-us 0 is below 1"),
        ([*WATCH, "--seconds", "1e10"], 2, "tamrix-cli watch: --seconds 1e10 is above 9223372036"),
        (["sim", "fault", "0", "lose", "seconds=2"], 1,
         'tamrix-cli sim: slot 0: fault:3: seconds: does not belong to kind = "lose"'),
    ],
)
def test_failures_are_one_line_and_an_exit_status(cli, args, status, line):
    result = run(cli, *args)
    assert result.returncode == status
    assert result.stdout == b""
    lines = result.stderr.decode().splitlines()
    assert lines[0] == line
    if status == 2:
        assert lines[1:] == [USAGE[args[0]]]
    else:
        assert len(lines) == 1


@pytest.mark.parametrize("command", ["--version", "list"])
def test_output_that_cannot_be_written_names_the_command(cli, command):
    with open("/dev/full", "wb") as full:
        result = subprocess.run([cli, command], stdout=full, stderr=subprocess.PIPE, timeout=60)
    assert result.returncode == 1
    assert result.stderr == (f"tamrix-cli {command.lstrip('-')}: cannot write standard output: "
                             "No space left on device\n").encode()


@pytest.mark.parametrize("args", [
    ["read", "3", *READ_4096[2:]],  # an empty slot
    ["read", "2", "--channels", "0-3", "--mode", "5", "--period-us", "100", "--count", "8"],
])
def test_a_failed_read_leaves_an_existing_file_as_it_was(cli, tmp_path, args):
    capture = tmp_path / "scan.csv"
    capture.write_bytes(b"an older capture\n")
    capture.chmod(0o600)
    result = run(cli, *args, "--output", str(capture))
    assert result.returncode == 1, result.stderr
    assert files_in(tmp_path) == ["scan.csv"]
    assert capture.read_bytes() == b"an older capture\n"
    assert stat.S_IMODE(capture.stat().st_mode) == 0o600


def test_a_missing_or_damaged_driver_module_is_named_before_any_slot(broken_driver_cli, tmp_path):
    cli, why = broken_driver_cli
    capture = tmp_path / "scan.csv"
    capture.write_bytes(b"an older capture\n")
    for args in (["list"], [*READ_4096, "--output", str(capture)]):
        result = run(cli, *args)
        assert (result.returncode, result.stdout) == (1, b""), result.stderr
        said = f"tamrix-cli {args[0]}: the library could not open its driver: {why}"
        line = result.stderr.decode()
        assert line.startswith(said) and line.count("\n") == 1 and line.endswith("\n")
    assert capture.read_bytes() == b"an older capture\n"
    assert run(cli, "--version").returncode == 0


def with_scenario(tmp_path, text, name="scenario.toml"):
    """The environment that has the simulated driver load `text`."""
    path = tmp_path / name
    path.write_text(text)
    return dict(os.environ, TAMRIX_SIM_SCENARIO=str(path))


# 10,000 words a second: the fault's moment, 0.2 s in, is word 2000. Five
# lost words are fewer than the board moves at a time, so words after the
# gap are in the buffer, before the tool has drained it once.
FAULTED_READ = ["read", "0", "--channels", "0-3", "--mode", "3", "--period-us", "100",
                "--count", "40000"]


@pytest.mark.parametrize("fault, said", [
    ('kind = "lose"\nwords = 5',
     r"the board lost words to a full buffer after (\d+) of 40000 words; the output stops "
     r"before them"),
    ('kind = "stall"\nseconds = 30', r"no sample word for 3\.0 s, after (\d+) of 40000 words"),
], ids=["lose", "stall"])
def test_a_scenario_fault_ends_the_read_with_whole_rows_before_it(cli, tmp_path, fault, said):
    env = with_scenario(tmp_path, f"[[fault]]\nslot = 0\nat = 0.2\n{fault}\n")
    result = run(cli, *FAULTED_READ, env=env)
    assert result.returncode == 1
    line = re.fullmatch(rf"tamrix-cli read: slot 0: {said}\n", result.stderr.decode())
    assert line, result.stderr
    _, rows = csv_rows(result.stdout)
    # Whole, consecutive scans, all from before the fault's moment.
    assert [row[3] for row in rows] == [32 * k % 4096 for k in range(len(rows))]
    assert int(line[1]) // 4 == len(rows) and int(line[1]) <= 2000


def test_a_replayed_capture_reads_back_exactly_in_a_loop(cli, tmp_path):
    capture = ["read", "0", "--channels", "0-3", "--mode", "3", "--period-us", "100",
               "--count", "2000"]
    csv = run(cli, *capture, "--output", str(tmp_path / "capture.csv"))
    raw = run(cli, *capture, "--format", "raw", "--output", str(tmp_path / "capture.bin"))
    # Channels 2 and 3 only, the same 500 scans: its column 0 is board channel 2.
    hdf5 = run(cli, "read", "0", "--channels", "2-3", "--mode", "3", "--period-us", "100",
               "--count", "1000", "--format", "hdf5", "--output", str(tmp_path / "capture.dat"))
    assert (csv.returncode, raw.returncode, hdf5.returncode) == (0, 0, 0), hdf5.stderr
    env = with_scenario(tmp_path, """
[board.1.channel.0]
signal = "replay"
replay = "capture.csv"
column = 3
[board.1.channel.1]
signal = "replay"
replay = "capture.bin"
column = 0
[board.1.channel.2]
signal = "replay"
replay = "capture.dat"         # HDF5 by its signature, whatever its name
column = 2
""")
    played = run(cli, "read", "1", "--channels", "0-2", "--mode", "5", "--period-us", "20",
                 "--count", "3600", env=env)
    assert played.returncode == 0, played.stderr
    _, recorded = csv_rows((tmp_path / "capture.csv").read_bytes())
    _, rows = csv_rows(played.stdout)
    assert rows == [[recorded[k % 500][i] for i in (3, 0, 2)] for k in range(1200)]


def test_the_same_seed_gives_the_same_noisy_words_and_another_seed_others(cli, tmp_path):
    def words(seed):
        env = with_scenario(tmp_path, f"seed = {seed}\n[board.5.channel.2]\nsignal = \"sine\"\n"
                                      "frequency_hz = 500\nnoise = 4\n")
        result = run(cli, "read", "5", "--channels", "2", "--mode", "3", "--period-us", "10",
                     "--count", "3000", env=env)
        assert result.returncode == 0, result.stderr
        return [row[0] for row in csv_rows(result.stdout)[1]]

    first, again, other = words(1), words(1), words(2)
    assert first == again and first != other
    # A 500 Hz sine of amplitude 1000 sampled every 10 us, with noise of 4 LSB.
    misses = [v - (2048 + 1000 * math.sin(2 * math.pi * 500e-5 * k)) for k, v in enumerate(first)]
    assert 3 < statistics.pstdev(misses) < 5 and abs(statistics.fmean(misses)) < 0.5


@pytest.mark.parametrize("text, said", [
    ("seed = 1\n[board.0.channel.3]\nsignal = \"sine\"\nfrequncy_hz = 5\n",
     "4: board.0.channel.3.frequncy_hz: unknown key"),
    ("[board.2]\nfitted = \"no\"\n", "2: board.2.fitted: wants true or false"),
    ("\n[[fault]]\nslot = 0\nat = 1\nkind = \"lose\"\nwords = -5\n",
     "6: fault.words: -5 is outside 1..9223372036854775807"),
    ("[[fault]]\nslot = 3\nat = 1\nkind = \"unplug\"\n", "2: fault.slot: slot 3 has no board"),
    ("seed = 1\nseed = 2\n", "2: "),
], ids=["unknown key", "wrong type", "bad value", "no board", "not TOML"])
def test_a_bad_scenario_is_refused_with_its_line_and_the_driver_does_not_open(cli, tmp_path,
                                                                              text, said):
    env = with_scenario(tmp_path, text)
    result = run(cli, "list", env=env)
    assert (result.returncode, result.stdout) == (1, b"")
    lines = result.stderr.decode().splitlines()
    # One line from the driver (its trial run in the probe says nothing), one from the tool.
    assert len(lines) == 2 and lines[0].startswith(f"{env['TAMRIX_SIM_SCENARIO']}:{said}"), lines
    assert lines[1] == ("tamrix-cli list: the library could not open its driver: "
                        "31 ERROR_GEN_FAILURE: the driver failed")
