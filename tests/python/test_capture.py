"""tamrix.Capture and python3 -m tamrix plot|export, on captures that the
installed tamrix-cli writes; the simulated board replaying a capture."""

import os
import signal
import struct
import subprocess
import sys
import time
import wave

import numpy as np
import pytest

h5py = pytest.importorskip("h5py")

import tamrix  # noqa: E402

# 4 channels at 10 us: 25,000 scans a second; 10,000 scans.
SETTINGS = ["1", "--channels", "0-3", "--mode", "3", "--period-us", "10"]


@pytest.fixture(scope="module")
def cli(prefix):
    return os.path.join(prefix, "bin", "tamrix-cli")


@pytest.fixture(scope="module")
def capture_and_csv(cli, tmp_path_factory):
    """A capture and the CSV of a run with the same settings (the signals
    restart at SetMode, so both hold the same words)."""
    folder = tmp_path_factory.mktemp("capture")
    path = folder / "run.h5"
    for extra in (["--output", str(folder / "run-cli.csv")],
                  ["--format", "hdf5", "--output", str(path)]):
        done = subprocess.run([cli, "read", *SETTINGS, "--count", "40000", *extra],
                              capture_output=True, timeout=60)
        assert done.returncode == 0, done.stderr
    return path, (folder / "run-cli.csv").read_bytes()


def tamrix_main(*args):
    return subprocess.run([sys.executable, "-m", "tamrix", *map(str, args)],
                          capture_output=True, timeout=60)


def test_a_capture_reads_lazily_and_exports_as_the_cli_writes_csv_and_as_wav(capture_and_csv):
    path, cli_csv = capture_and_csv
    values = np.array([line.split(b",") for line in cli_csv.splitlines()[1:]], dtype=np.uint16)
    with tamrix.Capture(path) as capture:
        assert isinstance(capture.samples, h5py.Dataset)
        assert (capture.slot, capture.mode, capture.channels, capture.timer) == (1, 3, range(4), 10)
        assert capture.scan_seconds == pytest.approx(40e-6)
        assert len(capture) == 10000 and capture.times[-1] == pytest.approx(9999 * 40e-6)
        assert np.array_equal(capture.channel(2), values[:, 2])
        assert np.array_equal(capture.read(), values)
        with pytest.raises(ValueError):
            capture.channel(4)
        assert capture.start_time.tzinfo is not None and capture.host
    assert tamrix_main("export", path, "--to", "csv").returncode == 0
    assert path.with_suffix(".csv").read_bytes() == cli_csv
    wav = path.with_name("out.wav")
    done = tamrix_main("export", path, "--to", "wav", "--output", wav)
    assert done.returncode == 0, done.stderr
    with wave.open(str(wav), "rb") as audio:
        header = (audio.getnchannels(), audio.getsampwidth(), audio.getframerate(),
                  audio.getnframes(), audio.getcomptype())
        frames = np.frombuffer(audio.readframes(audio.getnframes()), dtype="<i2")
    assert header == (4, 2, 25000, 10000, "NONE")
    assert np.array_equal(frames.reshape(-1, 4), (values.astype(np.int32) - 2048) * 16)


def test_plot_writes_a_png_of_the_size_asked_for(capture_and_csv):
    pytest.importorskip("matplotlib")
    path, _ = capture_and_csv
    png = path.with_name("part.png")
    done = tamrix_main("plot", path, "--output", png, "--channels", "1-2", "--seconds", "0.1-0.2",
                       "--size", "800x600")
    assert done.returncode == 0, done.stderr
    data = png.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    assert struct.unpack(">II", data[16:24]) == (800, 600)  # the IHDR's width and height
    bad = tamrix_main("plot", path, "--output", png, "--channels", "3-5")
    assert bad.returncode == 1 and b"channel 5 is not in the capture's 0-3" in bad.stderr


def test_dask_statistics_agree_with_numpy(capture_and_csv):
    dask_array = pytest.importorskip("dask.array")
    path, _ = capture_and_csv
    with tamrix.Capture(path) as capture:
        whole = capture.samples[:].astype(np.float64)
        lazy = dask_array.from_array(capture.samples, chunks=(3000, -1))
        mean, std, low, high = dask_array.compute(
            lazy.mean(axis=0), lazy.std(axis=0), lazy.min(axis=0), lazy.max(axis=0))
    assert np.allclose(mean, whole.mean(axis=0)) and np.allclose(std, whole.std(axis=0))
    assert np.array_equal(low, whole.min(axis=0)) and np.array_equal(high, whole.max(axis=0))


def test_a_capture_being_written_shows_each_flush(cli, tmp_path):
    path = tmp_path / "live.h5"
    process = subprocess.Popen([cli, "read", *SETTINGS, "--format", "hdf5", "--output", str(path)],
                               stderr=subprocess.PIPE)
    try:
        deadline = time.monotonic() + 10
        while not path.exists() and time.monotonic() < deadline:
            time.sleep(0.05)
        with tamrix.Capture(path) as capture:
            seen = []
            while len(set(seen)) < 3 and time.monotonic() < deadline:
                seen.append(len(capture))
                time.sleep(0.1)
            assert len(set(seen)) >= 3 and seen == sorted(seen)
            assert np.array_equal(capture.channel(3)[:64], np.arange(64) * 32 % 4096)
    finally:
        process.send_signal(signal.SIGTERM)
        _, stderr = process.communicate(timeout=10)
    assert (process.returncode, stderr) == (0, b"")


def test_a_capture_a_scenario_cannot_replay_is_named_and_the_thread_that_loaded_it_ends(tmp_path):
    # Written by h5py alone, not for readers during a run as tamrix-cli writes.
    with h5py.File(tmp_path / "other.h5", "w") as other:
        other.attrs.update(format="tamrix-capture", format_version=np.uint32(1),
                           first_channel=np.uint32(4), last_channel=np.uint32(5))
        other["samples"] = np.zeros((10, 2), np.uint16)
    scenario = tmp_path / "replay.toml"
    scenario.write_text('[board.1.channel.0]\nsignal = "replay"\nreplay = "other.h5"\ncolumn = 9\n')
    out = subprocess.run([sys.executable, "-c", OPEN_ON_A_THREAD], capture_output=True, text=True,
                         timeout=60, env=dict(os.environ, TAMRIX_SIM_SCENARIO=str(scenario)))
    # The driver that refused is unloaded before the thread ends: the HDF5
    # library it read with must outlive it.
    assert (out.returncode, out.stdout) == (0, "TamrixError\nended\n"), out.stderr
    assert out.stderr == (f"{scenario}:3: board.1.channel.0.replay: other.h5: "
                          "holds channels 4 to 5, not 9\n")


OPEN_ON_A_THREAD = """
import threading, tamrix
def open_board():
    try:
        tamrix.Board(1)
    except tamrix.TamrixError as error:
        print(type(error).__name__, flush=True)
thread = threading.Thread(target=open_board)
thread.start()
thread.join()
print("ended")
"""
