"""tamrix-cli read --format hdf5: the capture file as h5py opens it."""

import datetime
import os
import shutil
import signal
import socket
import subprocess
import time

import numpy as np
import pytest

h5py = pytest.importorskip("h5py")

TOP_RATE = ["read", "0", "--channels", "0-15", "--mode", "3", "--period-us", "2",
            "--format", "hdf5"]


def run(cli, *args, env=None):
    return subprocess.run([cli, *args], capture_output=True, timeout=60, env=env)


def open_capture(path):
    return h5py.File(path, "r", swmr=True)


def assert_consecutive_scans(samples):
    # Channel 3 climbs 32 a scan from 0: whole scans, none missing.
    assert samples.shape[1] == 16
    assert list(samples[:, 3]) == [32 * k % 4096 for k in range(samples.shape[0])]


def wait_for_scans(path, deadline=10):
    """Opens the capture while it is written; its scans once there are some."""
    end = time.monotonic() + deadline
    while time.monotonic() < end:
        if os.path.exists(path):
            with open_capture(path) as capture:
                if capture["samples"].shape[0] > 0:
                    return capture["samples"].shape[0]
        time.sleep(0.05)
    raise AssertionError(f"no scans in {path} within {deadline} s")


# 10,000 words a second: 0.6 s in, after the tool has drained the board
# twice, five words are lost at word 6000, the start of scan 375. Words after
# the gap follow it in the buffer.
LOSE_AT_SCAN_375 = '[[fault]]\nslot = 0\nat = 0.6\nkind = "lose"\nwords = 5\n'


@pytest.mark.parametrize("settings, conversion, events, fault", [
    # Above 1000 only whole milliseconds count.
    (["5", "--channels", "1-3", "--mode", "3", "--period-us", "1500", "--count", "30"],
     0.001, [], None),
    # No conversion under 2 us: the board runs at 2 us and says so.
    (["0", "--channels", "0-3", "--mode", "3", "--period-us", "1", "--count", "65536"],
     2e-6, [(0x6405, b"SamplingOverrun")], None),
    # Both reads stop at the gap, and the capture says where it lies.
    (["0", "--channels", "0-15", "--mode", "3", "--period-us", "100", "--count", "40000"],
     1e-4, [(0x6404, b"BuffOverflow"), (0, b"WordsLost")], LOSE_AT_SCAN_375),
], ids=["whole ms", "overrun", "words lost"])
def test_a_capture_holds_what_a_csv_read_gives_and_describes_its_run(cli, tmp_path, settings,
                                                                      conversion, events, fault):
    env = None
    if fault:
        (tmp_path / "fault.toml").write_text(fault)
        env = dict(os.environ, TAMRIX_SIM_SCENARIO=str(tmp_path / "fault.toml"))
    # The signals restart at SetMode: two runs with the same settings give
    # the same words.
    csv = run(cli, "read", *settings, env=env)
    before = datetime.datetime.now(datetime.timezone.utc)
    hdf5 = run(cli, "read", *settings, "--format", "hdf5", "--output", str(tmp_path / "c.h5"),
               env=env)
    status, said = (1, b"tamrix-cli read: slot 0: the board lost words to a full buffer after "
                       b"6000 of 40000 words; the output stops before them\n") if fault else (0, b"")
    assert (csv.returncode, hdf5.returncode) == (status, status), (csv.stderr, hdf5.stderr)
    assert (hdf5.stdout, hdf5.stderr) == (b"", said)
    lines = csv.stdout.decode().splitlines()
    rows = [[int(v) for v in line.split(",")] for line in lines[1:]]
    slot, first, last, mode, timer = (int(settings[0]), *map(int, settings[2].split("-")),
                                      int(settings[4]), int(settings[6]))
    with h5py.File(tmp_path / "c.h5", "r") as capture:
        samples = capture["samples"]
        assert samples.dtype == np.uint16 and samples[:].tolist() == rows
        attrs = dict(capture.attrs)
        started = datetime.datetime.strptime(attrs.pop("start_time"), "%Y-%m-%dT%H:%M:%S.%fZ")
        assert abs(started.replace(tzinfo=datetime.timezone.utc) - before).total_seconds() < 5
        assert attrs == {
            "format": "tamrix-capture", "format_version": 1, "slot": slot,
            "driver_version": "1.2 build 16", "revision": 4 if slot == 5 else 3,
            "firmware": "3.00" if slot == 5 else "2.10", "mode": mode, "first_channel": first,
            "last_channel": last, "Timer": timer, "conversion_seconds": conversion,
            "scan_seconds": conversion * (last - first + 1), "host": socket.gethostname(),
            "tool_version": run(cli, "--version").stdout.decode().split()[1],
        }
        rows = capture["events"][:]
        assert [(row["message"], row["name"]) for row in rows] == events
        # A loss's row comes last, before the scan the gap cut short.
        assert all(row["words_lost"] == 0 and row["scan"] <= len(samples) for row in rows
                   if row["message"])
        if fault:
            assert len(samples) == 375 and (rows[-1]["scan"], rows[-1]["words_lost"]) == (375, -1)


@pytest.mark.parametrize("end", ["SIGTERM", "SIGKILL", "words lost", "seconds"])
def test_a_capture_is_readable_while_written_and_however_it_ends(cli, tmp_path, end):
    path = str(tmp_path / "c.h5")
    args = [cli, *TOP_RATE, "--output", path] + (["--seconds", "1.5"] if end == "seconds" else [])
    process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    seen = wait_for_scans(path)
    if end == "SIGTERM":
        process.send_signal(signal.SIGTERM)
    elif end == "SIGKILL":
        time.sleep(1.2)  # a flush comes at least once a second
        process.kill()
    elif end == "words lost":
        # 500,000 words a second fill the 262,144-word buffer while the
        # tool is stopped for a second: the buffer really full, its gap at
        # its end (a lose fault leaves room, and words after the gap).
        process.send_signal(signal.SIGSTOP)
        time.sleep(1)
        process.send_signal(signal.SIGCONT)
    _, stderr = process.communicate(timeout=10)
    # Only a killed writer leaves the file marked open: the others close it.
    with (open_capture(path) if end == "SIGKILL" else h5py.File(path, "r")) as capture:
        samples = capture["samples"][:]
        events = capture["events"][:]
    assert samples.shape[0] >= seen
    assert_consecutive_scans(samples)
    if end == "SIGKILL":
        assert process.returncode == -signal.SIGKILL and samples.shape[0] > seen
        return
    if end == "words lost":
        assert process.returncode == 1
        assert stderr.decode().startswith("tamrix-cli read: slot 0: the board lost words")
        lost = events[events["name"] == b"WordsLost"]
        assert len(lost) == 1 and lost[0]["scan"] == samples.shape[0]
        assert (lost[0]["message"], lost[0]["words_lost"]) == (0, -1)
        assert b"BuffOverflow" in events["name"]
        return
    assert (process.returncode, stderr) == (0, b"")
    if end == "seconds":
        assert 1.4 < samples.shape[0] * 32e-6 < 1.6


def test_a_full_disk_ends_the_run_with_its_line_and_a_readable_file(cli, tmp_path):
    # A small file system of its own, in a mount namespace (no root needed
    # where user namespaces are allowed); the capture is copied out of it.
    if shutil.which("unshare") is None:
        pytest.skip("no unshare")
    disk = tmp_path / "disk"
    disk.mkdir()
    script = ('mount -t tmpfs -o size=6m none "$0" || exit 77; "$@" --output "$0/c.h5"; '
              'status=$?; cp "$0/c.h5" "$CAPTURE"; exit $status')
    result = subprocess.run(
        ["unshare", "--user", "--map-root-user", "--mount", "sh", "-c", script, str(disk), cli,
         *TOP_RATE], capture_output=True, timeout=60,
        env={**os.environ, "CAPTURE": str(tmp_path / "c.h5")})
    if result.returncode == 77 or b"unshare" in result.stderr[:60]:
        pytest.skip(f"no mount namespace here: {result.stderr.decode().strip()}")
    assert result.returncode == 1
    assert result.stderr.decode() == (f"tamrix-cli read: slot 0: cannot write {disk}/c.h5: "
                                      "No space left on device\n")
    with h5py.File(tmp_path / "c.h5", "r") as capture:  # closed, not only flushed
        samples = capture["samples"][:]
    assert samples.shape[0] > 0
    assert_consecutive_scans(samples)
