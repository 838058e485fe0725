"""The tamrix package as installed, against the simulated boards of this
process (slots 0, 1, 2 and 5 fitted; every other slot empty)."""

import os
import select
import signal
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
