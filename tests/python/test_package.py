"""The tamrix package as installed, against the simulated boards of this
process (slots 0, 1, 2 and 5 fitted; every other slot empty)."""

import os
import select
import shutil
import signal
import subprocess
import sys
import threading

import numpy as np
import pytest
from board_signals import assert_documented_signal

import tamrix


def test_the_installed_package_loads_the_library_of_its_own_tree(prefix):
    assert "LD_LIBRARY_PATH" not in os.environ
    assert os.path.realpath(tamrix.__file__).startswith(os.path.realpath(prefix) + os.sep)
    with tamrix.Board(5) as board:
        assert board.resources.firmware == (3, 0)
    with open("/proc/self/maps") as maps:
        loaded = {line.split()[-1] for line in maps if "libtamrix.so" in line}
    assert {os.path.realpath(path) for path in loaded} == {
        os.path.realpath(os.path.join(prefix, "lib", "libtamrix.so.1"))}


def test_read_gives_scans_of_each_channels_documented_signal():
    with tamrix.Board() as board:
        assert board.slot == 0  # the lowest free board
        board.set_mode(channels=range(0, 4), mode=3, buffer=1024, timer=100)
        board.start()
        samples = board.read(4096)  # four times the buffer: drained as it fills
        board.stop()
    assert samples.shape == (1024, 4)
    for channel in range(4):
        assert_documented_signal(channel, samples[:, channel])


def test_read_words_are_the_drivers_words_and_notifications_arrive():
    with tamrix.Board(1) as board:
        board.set_mode(channels=range(2, 4), mode=5, buffer=4096, timer=20)
        board.start()
        words = board.read_words(4000)
        assert words.dtype == np.uint16
        assert list(words[:4] >> 12) == [2, 3, 2, 3]
        assert list(words[1:8:2] & 0xFFF) == [0, 32, 64, 96]
        # Left alone, the buffer fills: the descriptor polls readable.
        readable, _, _ = select.select([board.fileno()], [], [], 5)
        assert readable
        message, name = next(board.notifications(timeout=5))
        assert tamrix.MESSAGES[message] == name
        assert name in ("DmaTc", "BuffHalfFull", "BuffFull")
        assert board.status().dma


def test_words_lost_to_a_full_buffer_stop_the_read_at_the_gap():
    with tamrix.Board(0) as board:
        # 64 words every 2 us fill the buffer long before anyone looks.
        board.set_mode(channels=range(0, 4), mode=3, buffer=64, timer=1)
        board.start()
        with pytest.raises(tamrix.DataError) as raised:
            board.read_words(100000)
        words = raised.value.words
        assert raised.value.code is None and "lost" in str(raised.value)
        assert 64 <= len(words) < 100000
        # What it returns is sound: channel 3's sawtooth with no step missing.
        assert list(words[3::4] & 0xFFF) == [32 * k % 4096 for k in range(len(words) // 4)]
        # Every later loss of the run is reported too, also once the driver's
        # notification budget is spent, and each read between two gaps is
        # one stretch.
        for _ in range(6):
            with pytest.raises(tamrix.DataError) as raised:
                board.read_words(100000)
            assert_one_stretch(raised.value.words)


def test_a_scenario_s_lost_words_raise_data_error_and_its_stall_sampling_timeout(tmp_path):
    # 10,000 words a second: 0.2 s in, the board loses words 2000 to 2099;
    # 0.5 s in, it stalls.
    scenario = tmp_path / "faults.toml"
    scenario.write_text('[[fault]]\nslot = 0\nat = 0.2\nkind = "lose"\nwords = 100\n'
                        '[[fault]]\nslot = 0\nat = 0.5\nkind = "stall"\nseconds = 60\n')
    out = subprocess.run([sys.executable, "-c", READ_ACROSS_A_LOSS], capture_output=True,
                         text=True, timeout=60,
                         env=dict(os.environ, TAMRIX_SIM_SCENARIO=str(scenario)))
    # The next read goes on after the gap: scan 525 is the first whole one.
    assert out.stdout.split() == ["2000", "sound", str(32 * 525 % 4096), "SamplingTimeout"], \
        out.stderr


READ_ACROSS_A_LOSS = """
import tamrix
with tamrix.Board(0) as board:
    board.set_mode(channels=range(0, 4), mode=3, buffer=65536, timer=100)
    board.start()
    try:
        board.read_words(40000)
    except tamrix.DataError as error:
        words = error.words
    after = board.read_words(4)
    try:
        board.read_words(100000, timeout=0.5)
    except tamrix.SamplingTimeout as error:
        stalled = type(error).__name__
sawtooth = [int(w) & 0xFFF for w in words[3::4]]
print(len(words), "sound" if sawtooth == [32 * k % 4096 for k in range(len(words) // 4)] else sawtooth)
print(int(after[3]) & 0xFFF, stalled)
"""


def assert_one_stretch(words):
    channels = (words >> 12).astype(int)
    assert list(channels) == [(channels[0] + k) % 4 for k in range(len(words))]
    sawtooth = (words[channels == 3] & 0xFFF).astype(int)
    assert len(sawtooth) > 1 and set(np.diff(sawtooth) % 4096) == {32}


def test_ctrl_c_in_read_closes_the_board():
    board = tamrix.Board(2)
    board.set_mode(channels=range(0, 1), mode=3, buffer=4096, timer=1000)
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        with board:
            board.start()
            board.read(100000)  # 100 s at 1000 words a second
    timer.join()
    assert board.closed
    with tamrix.Board(2) as again:  # the slot is free again
        assert not again.status().sampling
    # Without a with block: sampling stops, and the words read are kept.
    child = subprocess.Popen([sys.executable, "-c", CTRL_C_IN_READ], stdout=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "reading\n"
        threading.Event().wait(0.5)
        child.send_signal(signal.SIGINT)
        out, _ = child.communicate(timeout=30)
    finally:
        child.kill()
    words, sampling = out.split()
    assert int(words) >= 100 and sampling == "False"


CTRL_C_IN_READ = """
import numpy as np, tamrix
board = tamrix.Board(2)
board.set_mode(channels=range(3, 4), mode=3, buffer=4096, timer=1000)
board.start()
print("reading", flush=True)
try:
    board.read(100000)
except KeyboardInterrupt as interrupt:
    steps = (interrupt.words & 0xFFF).astype(int)
    assert list(steps) == [32 * k % 4096 for k in range(len(steps))]
    print(len(steps), board.status().sampling)
"""


def open_an_empty_slot():
    tamrix.Board(3)


def set_a_dma_mode_on_a_board_without_dma():
    with tamrix.Board(2) as board:
        board.set_mode(mode=5)


def start_without_a_mode():
    with tamrix.Board(5) as board:
        board.start()


@pytest.mark.parametrize(
    "action, function, code, name",
    [
        (open_an_empty_slot, "TamrixCreate", 100, "TAMRIX_ERR_SLOT"),
        (set_a_dma_mode_on_a_board_without_dma, "TamrixSetMode", 105, "TAMRIX_ERR_DMA"),
        (start_without_a_mode, "TamrixStartSampling", 3, "TAMRIX_ERR_INV_ARG"),
    ],
)
def test_failures_raise_tamrix_error_with_code_name_and_function(action, function, code, name):
    with pytest.raises(tamrix.TamrixError) as raised:
        action()
    error = raised.value
    assert (error.function, error.code, error.name) == (function, code, name)
    assert name in str(error) and error.meaning in str(error)


def test_a_closed_board_refuses_every_call_and_leaves_its_slot_alone():
    a = tamrix.Board(2)
    a.set_mode(channels=range(0, 1), mode=3, buffer=64, timer=1000)
    a.close()
    with tamrix.Board(2) as b:
        b.set_mode(channels=range(0, 2), mode=3, buffer=4096, timer=1000)
        b.start()
        for call in (a.stop, a.start, a.set_mode, a.status, a.inputs, a.fileno,
                     lambda: a.version, lambda: a.resources, lambda: a.read_words(1),
                     lambda: a.read(1), a.notifications):
            with pytest.raises(ValueError, match="closed"):
                call()
        a.close()  # harmless
        status = b.status()
        assert status.sampling and status.mode == 3 and b.channels == range(0, 2)


def test_arguments_a_c_type_cannot_carry_raise_value_error_before_any_call():
    for slot in (16, 2**16, -1, True, 1.0):
        with pytest.raises(ValueError, match="slot"):
            tamrix.Board(slot)
    with tamrix.Board(0) as board:
        for arguments, named in [
            (dict(timer=2**32 + 500), "timer"),
            (dict(channels=range(2**32, 2**32 + 4)), "channel"),
            (dict(channels=[0, 1.0]), "channel"),
            (dict(buffer=-1), "buffer"),
            (dict(mode=2**31), "mode"),
            (dict(mode=False), "mode"),
        ]:
            with pytest.raises(ValueError, match=named):
                board.set_mode(**arguments)
        assert board.status().mode == 0  # nothing reached the board
        with pytest.raises(ValueError, match="count"):
            board.set_mode(channels=range(0, 4), mode=3, buffer=64, timer=1000)
            board.read_words(2.0)
        # What the C type carries goes to the library, which answers.
        with pytest.raises(tamrix.TamrixError) as raised:
            board.set_mode(channels=range(16, 17))
        assert raised.value.name == "TAMRIX_ERR_CHANNEL"


def test_each_threads_failure_carries_its_own_status_code():
    with tamrix.Board(0) as board:
        done = threading.Event()

        def busy():
            while not done.is_set():
                board.status()  # succeeds, setting the library-wide status to 0

        other = threading.Thread(target=busy)
        other.start()
        try:
            codes = set()
            for _ in range(2000):
                with pytest.raises(tamrix.TamrixError) as raised:
                    tamrix.Board(3)
                codes.add(raised.value.code)
        finally:
            done.set()
            other.join()
    assert codes == {100}


def test_a_driver_that_did_not_open_and_a_window_without_descriptor_raise_tamrix_error(
    prefix, tmp_path
):
    copy = tmp_path / "prefix"
    shutil.copytree(prefix, copy, symlinks=True)
    os.remove(copy / "lib" / "tamrix" / "tamrix.vxd.so")
    out = subprocess.run(
        [sys.executable, "-c", OPEN_AND_REPORT],
        env=dict(os.environ, PYTHONPATH=str(copy / "lib" / "python3" / "dist-packages")),
        capture_output=True, text=True, timeout=60,
    ).stdout
    assert "could not open its driver" in out and "ERROR_FILE_NOT_FOUND" in out
    assert out.startswith("2 ERROR_FILE_NOT_FOUND ")  # a platform code, no library name
    out = subprocess.run(
        [sys.executable, "-c", NO_DESCRIPTORS_LEFT], capture_output=True, text=True, timeout=60
    )
    assert out.stdout == "TamrixError notification window\n", out.stderr


OPEN_AND_REPORT = """
import tamrix
try:
    tamrix.Board()
except tamrix.TamrixError as error:
    print(error.code, error.name, error)
"""

NO_DESCRIPTORS_LEFT = """
import os, resource, tamrix
tamrix.Board(5).close()  # the library and its device are open
resource.setrlimit(resource.RLIMIT_NOFILE, (64, 64))
held = []
try:
    while True:
        held.append(os.open(os.devnull, os.O_RDONLY))
except OSError:
    pass
try:
    tamrix.Board(5)
except tamrix.TamrixError as error:
    print(type(error).__name__, "notification window" if "notification window" in str(error) else error)
"""
