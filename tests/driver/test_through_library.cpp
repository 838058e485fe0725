// The real access library talking to the real driver module, which the
// platform's device layer loaded when the library opened "\\.\TAMRIX.VXD".
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "board_catalogue.h"
#include "tamrix.h"
#include "tamrix_platform/messages.h"
#include "tamrix_protocol.h"
#include "tamrix_sim.h"
#include "tamrix_sim_status.h"
#include "waveforms.h"

namespace {

using namespace std::chrono_literals;

class ThroughLibrary : public ::testing::Test {
 protected:
  void SetUp() override { window_ = queue_.CreateWindowHandle(); }
  void TearDown() override {
    for (std::uint16_t slot : opened_) TamrixClose(slot);
  }

  std::uint16_t Open(std::uint16_t wanted = TAMRIX_ANY_SLOT) {
    std::uint16_t slot = wanted;
    std::uint16_t scratch = 0;
    EXPECT_EQ(TamrixCreate(&slot, window_, &scratch), 1) << TamrixGetLastError(0);
    opened_.push_back(slot);
    return slot;
  }

  // Notifications until `last` arrives, or the timeout passes.
  std::vector<UINT> MessagesUntil(UINT last, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<UINT> seen;
    tmx::platform::PostedMessage posted{};
    while (std::find(seen.begin(), seen.end(), last) == seen.end() &&
           queue_.Wait(posted, std::chrono::duration_cast<std::chrono::milliseconds>(
                                   deadline - std::chrono::steady_clock::now()))) {
      EXPECT_EQ(posted.window, window_);
      seen.push_back(posted.message);
    }
    return seen;
  }

  struct Status {
    std::uint32_t waiting = 0;
    std::uint32_t bits = 0;
  };
  Status StatusOf(std::uint16_t slot) {
    Status status;
    EXPECT_EQ(TamrixGetSamplingStatus(slot, &status.waiting, &status.bits), 1);
    return status;
  }
  std::uint32_t WaitForWords(std::uint16_t slot, std::uint32_t count) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (StatusOf(slot).waiting < count && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(5ms);
    }
    return StatusOf(slot).waiting;
  }
  std::vector<std::uint16_t> Fetch(std::uint16_t slot, std::uint32_t count) {
    std::vector<std::uint16_t> words(count);
    EXPECT_EQ(TamrixGetData(slot, count, words.data()), 1) << TamrixGetLastError(slot);
    return words;
  }

  tmx::platform::MessageQueue queue_;
  HWND window_ = 0;
  std::vector<std::uint16_t> opened_;
};

TEST_F(ThroughLibrary, AnyFreeBoardIsTheLowestAndBoardsDiffer) {
  EXPECT_EQ(Open(), 0);
  std::uint32_t library_version = 0;
  std::uint32_t driver_version = 0;
  ASSERT_EQ(TamrixGetVersion(&library_version, &driver_version), 1);
  EXPECT_EQ(driver_version, tamrix::vxd::kDriverVersion);

  TAMRIXR with_dma{};
  TAMRIXR without_dma{};
  ASSERT_EQ(TamrixGetResource(0, &with_dma), 1);
  ASSERT_EQ(TamrixGetResource(Open(2), &without_dma), 1);
  EXPECT_EQ(with_dma.IOPortBase[0], 0x300);
  EXPECT_EQ(with_dma.IRQRegisters[0], 10);
  EXPECT_EQ(with_dma.NumDMAs, 1);
  EXPECT_EQ(without_dma.NumDMAs, 0);  // the resource report's zero-count path
  EXPECT_EQ(without_dma.NumIOPorts, 1);
}

TEST_F(ThroughLibrary, ContinuousRunFillsTheBufferWithTaggedWordsInOrder) {
  const std::uint16_t slot = Open();
  const ModeRecord mode{.ChFirst = 0, .ChLast = 3, .BuffSize = 1024, .Timer = 100, .Mode = 3};
  ASSERT_EQ(TamrixSetMode(slot, &mode), 1);
  ASSERT_EQ(TamrixStartSampling(slot), 1);
  EXPECT_EQ(MessagesUntil(TAMRIX_MSG_BUFF_FULL, 5s),
            (std::vector<UINT>{TAMRIX_MSG_BUFF_HALF_FULL, TAMRIX_MSG_BUFF_FULL}));
  ASSERT_EQ(TamrixStopSampling(slot), 1);
  const Status status = StatusOf(slot);
  EXPECT_EQ(status.waiting, 1024u);
  EXPECT_EQ(status.bits & 0x0F0Fu, 0x030Cu);  // mode 3, half full and full, halted

  const std::vector<std::uint16_t> words = Fetch(slot, status.waiting);
  for (std::size_t i = 0; i < words.size(); ++i) {
    ASSERT_EQ(words[i] >> 12, i % 4) << i;
    ASSERT_EQ(words[i] & 0xFFF, tamrix::vxd::InputValue(i % 4, i / 4)) << i;
  }
  EXPECT_EQ(StatusOf(slot).waiting, 0u);
}

class EveryMode : public ThroughLibrary, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(EveryMode, SamplesAndNotifiesAsDocumented) {
  const std::int32_t mode_number = GetParam();
  const std::int32_t kind = (mode_number - 1) % 5 + 1;  // 6..10 are 1..5 started by ExTrg
  const std::uint16_t slot = Open(0);
  const ModeRecord mode{
      .ChFirst = 4, .ChLast = 7, .BuffSize = 4096, .Timer = 20, .Mode = mode_number};
  ASSERT_EQ(TamrixSetMode(slot, &mode), 1) << TamrixGetLastError(slot);
  ASSERT_EQ(TamrixStartSampling(slot), 1);

  if (kind <= 2) {
    const std::vector<UINT> messages = MessagesUntil(TAMRIX_MSG_SINGLE_SAMPLING_END, 3s);
    EXPECT_EQ(messages.back(), TAMRIX_MSG_SINGLE_SAMPLING_END);
    EXPECT_EQ(StatusOf(slot).waiting, 4u);
    EXPECT_EQ(StatusOf(slot).bits & 0x81u, 0x80u) << "scan done, stopped by itself";
  } else {
    EXPECT_GE(WaitForWords(slot, 2048), 2048u);
    const Status running = StatusOf(slot);
    EXPECT_TRUE(running.bits & 0x01);
    if (kind == 4) {
      EXPECT_EQ(running.waiting % 512, 0u) << "FIFO halves";
    }
    if (kind == 5) {
      EXPECT_EQ(running.waiting % 2048, 0u) << "DMA pages";
      EXPECT_EQ(MessagesUntil(TAMRIX_MSG_DMA_TC, 2s).back(), TAMRIX_MSG_DMA_TC);
    }
    ASSERT_EQ(TamrixStopSampling(slot), 1);
  }
  const Status status = StatusOf(slot);
  EXPECT_EQ((status.bits >> 8) & 0xF, static_cast<std::uint32_t>(mode_number));
  const std::vector<std::uint16_t> words = Fetch(slot, status.waiting);
  for (std::size_t i = 0; i < words.size(); ++i) ASSERT_EQ(words[i] >> 12, 4 + i % 4) << i;
  if (kind == 2) {
    EXPECT_EQ(words[0] & 0xFFF, tamrix::vxd::AveragedInputValue(4, 0, 16));
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, EveryMode, ::testing::Range(1, 11));

TEST_F(ThroughLibrary, Refusals) {
  std::uint16_t absent = 3;
  std::uint16_t scratch = 0;
  EXPECT_EQ(TamrixCreate(&absent, window_, &scratch), 0);
  EXPECT_EQ(TamrixGetLastError(0), TAMRIX_ERR_SLOT);
  const std::uint16_t slot = Open(1);
  std::uint16_t again = slot;
  EXPECT_EQ(TamrixCreate(&again, window_, &scratch), 0);
  EXPECT_EQ(TamrixGetLastError(slot), TAMRIX_ERR_SLOT);

  const ModeRecord unknown{.ChFirst = 0, .ChLast = 0, .BuffSize = 16, .Timer = 500, .Mode = 11};
  EXPECT_EQ(TamrixSetMode(slot, &unknown), 0);
  EXPECT_EQ(TamrixGetLastError(slot), TAMRIX_ERR_INV_ARG);
  const ModeRecord dma{.ChFirst = 0, .ChLast = 0, .BuffSize = 4096, .Timer = 500, .Mode = 5};
  EXPECT_EQ(TamrixSetMode(Open(2), &dma), 0);
  EXPECT_EQ(TamrixGetLastError(2), TAMRIX_ERR_DMA);

  const ModeRecord slow{.ChFirst = 0, .ChLast = 1, .BuffSize = 4096, .Timer = 5000, .Mode = 3};
  ASSERT_EQ(TamrixSetMode(slot, &slow), 1);
  ASSERT_EQ(TamrixStartSampling(slot), 1);
  EXPECT_EQ(TamrixSetMode(slot, &unknown), 0);
  EXPECT_EQ(TamrixGetLastError(slot), TAMRIX_ERR_MODE_KEPT);
  ASSERT_GE(WaitForWords(slot, 2), 2u);
  ASSERT_EQ(TamrixStopSampling(slot), 1);
  const std::uint32_t waiting = StatusOf(slot).waiting;
  std::vector<std::uint16_t> words(waiting + 1, 0xBEEF);
  EXPECT_EQ(TamrixGetData(slot, waiting + 1, words.data()), 0);
  EXPECT_EQ(TamrixGetLastError(slot), TAMRIX_ERR_NUMDATA);
  EXPECT_EQ(words[0], 0xBEEF);
  const std::vector<std::uint16_t> kept = Fetch(slot, waiting);  // the run went on in mode 3
  EXPECT_EQ((kept[0] >> 12) + (kept[1] >> 12), 1);
}

TEST_F(ThroughLibrary, WordCountOverAnIntervalFollowsTheTimer) {
  const std::uint16_t slot = Open();
  const ModeRecord mode{.ChFirst = 0, .ChLast = 0, .BuffSize = 65'536, .Timer = 1000, .Mode = 3};
  ASSERT_EQ(TamrixSetMode(slot, &mode), 1);
  const auto before_start = std::chrono::steady_clock::now();
  ASSERT_EQ(TamrixStartSampling(slot), 1);
  std::this_thread::sleep_for(500ms);
  const auto before_read = std::chrono::steady_clock::now();
  const std::uint32_t words = StatusOf(slot).waiting;
  const auto after_read = std::chrono::steady_clock::now();
  // One word a millisecond; a busy machine may hold the sampler back, but it
  // never runs ahead of the clock.
  const auto ms = [](auto d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
  };
  EXPECT_LE(words, ms(after_read - before_start) + 1);
  EXPECT_GE(words, ms(before_read - before_start) / 2);
}

TEST_F(ThroughLibrary, OverrunAndOverflowAreReportedOnce) {
  const std::uint16_t slot = Open();
  const ModeRecord mode{.ChFirst = 0, .ChLast = 0, .BuffSize = 16, .Timer = 1, .Mode = 3};
  ASSERT_EQ(TamrixSetMode(slot, &mode), 1);
  ASSERT_EQ(TamrixStartSampling(slot), 1);
  EXPECT_EQ(MessagesUntil(TAMRIX_MSG_BUFF_OVERFLOW, 3s),
            (std::vector<UINT>{TAMRIX_MSG_SAMPLING_OVERRUN, TAMRIX_MSG_BUFF_HALF_FULL,
                               TAMRIX_MSG_BUFF_FULL, TAMRIX_MSG_BUFF_OVERFLOW}));
  EXPECT_EQ(StatusOf(slot).bits & 0x38u, 0x38u);  // full, overflow, overrun
  EXPECT_TRUE(MessagesUntil(0, 300ms).empty()) << "a full buffer left alone stays quiet";
}

TEST_F(ThroughLibrary, ExternalTriggerComesAndGoes) {
  const std::uint16_t slot = Open();
  std::set<std::int32_t> seen;
  const auto end = std::chrono::steady_clock::now() + 1200ms;
  while (std::chrono::steady_clock::now() < end && seen.size() < 2) {
    std::int32_t in0 = 7, in1 = 7, trigger = 7;
    ASSERT_EQ(TamrixGetExIn(slot, &in0, &in1, &trigger), 1);
    seen.insert(trigger);
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(seen, (std::set<std::int32_t>{0, -1}));
}

// A test holds ExTrg off through the simulator's input control, then sets it
// when it wants the triggered run to begin.
TEST_F(ThroughLibrary, TheInputControlStartsATriggeredRunWhenTheTestSays) {
  const std::uint16_t slot = Open(5);
  ASSERT_EQ(tamrix_sim_set_input(slot, TAMRIX_SIM_INPUT_EXTRG, 0, nullptr, 0), 0u);
  const ModeRecord mode{.ChFirst = 0, .ChLast = 0, .BuffSize = 4096, .Timer = 100, .Mode = 8};
  ASSERT_EQ(TamrixSetMode(slot, &mode), 1);
  ASSERT_EQ(TamrixStartSampling(slot), 1);
  std::this_thread::sleep_for(700ms);  // longer than the pulse train's cycle
  Status status = StatusOf(slot);
  EXPECT_EQ(status.waiting, 0u);
  EXPECT_EQ(status.bits & TAMRIX_SIM_AWAITING_TRIGGER, TAMRIX_SIM_AWAITING_TRIGGER);
  std::int32_t in0 = 7, in1 = 7, trigger = 7;
  ASSERT_EQ(TamrixGetExIn(slot, &in0, &in1, &trigger), 1);
  EXPECT_EQ(trigger, 0);

  ASSERT_EQ(tamrix_sim_set_input(slot, TAMRIX_SIM_INPUT_EXTRG, 1, nullptr, 0), 0u);
  EXPECT_GE(WaitForWords(slot, 100), 100u);
  EXPECT_EQ(StatusOf(slot).bits & TAMRIX_SIM_AWAITING_TRIGGER, 0u);
  const std::vector<std::uint16_t> words = Fetch(slot, 4);
  EXPECT_EQ(words[0], tamrix::vxd::SampleWord(0, tamrix::vxd::InputValue(0, 0)));
  char why[64];
  EXPECT_EQ(tamrix_sim_set_input(3, TAMRIX_SIM_INPUT_EXTRG, 1, why, sizeof why),
            TAMRIX_SIM_ERROR_INVALID_DATA);
  EXPECT_STREQ(why, "input: slot 3 has no board");
}

// Faults fired and scenarios loaded through the controls act on the boards
// the library uses; a control the driver cannot take says why.
TEST_F(ThroughLibrary, TheFaultAndLoadControlsActOnTheLibrarysBoards) {
  const std::uint16_t slot = Open(0);
  char why[256];
  ASSERT_EQ(tamrix_sim_fault("slot = 0\nkind = \"status\"\nrequest = \"GetSamplingStatus\"\n"
                             "status = 4660\ncount = 2",
                             why, sizeof why),
            0u)
      << why;
  std::uint32_t waiting = 0, bits = 0;
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(TamrixGetSamplingStatus(slot, &waiting, &bits), 0);
    EXPECT_EQ(TamrixGetLastError(slot), 4660);  // a driver status above 8 arrives unchanged
  }
  EXPECT_EQ(TamrixGetSamplingStatus(slot, &waiting, &bits), 1);

  ASSERT_EQ(tamrix_sim_fault("slot = 0\nkind = \"unplug\"", why, sizeof why), 0u) << why;
  EXPECT_EQ(TamrixGetSamplingStatus(slot, &waiting, &bits), 0);
  EXPECT_EQ(TamrixGetLastError(slot),
            static_cast<std::int32_t>(TAMRIX_SIM_ERROR_DEVICE_NOT_CONNECTED));
  ASSERT_EQ(tamrix_sim_fault("slot = 0\nkind = \"replug\"", why, sizeof why), 0u) << why;
  EXPECT_EQ(TamrixGetSamplingStatus(slot, &waiting, &bits), 1);

  EXPECT_EQ(tamrix_sim_fault("slot = 0\nkind = \"lose\"\nseconds = 2", why, sizeof why),
            TAMRIX_SIM_ERROR_INVALID_DATA);
  EXPECT_STREQ(why, "fault:3: seconds: does not belong to kind = \"lose\"");

  const char *const boards = "[board.1]\nfitted = false\n[board.3]\nio_ports = [[0x280, 8]]\n";
  EXPECT_EQ(tamrix_sim_load("boards.toml", boards, why, sizeof why), TAMRIX_SIM_ERROR_BUSY);
  ASSERT_EQ(TamrixClose(slot), 1);
  opened_.clear();
  ASSERT_EQ(tamrix_sim_load("boards.toml", boards, why, sizeof why), 0u) << why;
  TAMRIXR added{};
  ASSERT_EQ(TamrixGetResource(Open(3), &added), 1);
  EXPECT_EQ(added.IOPortBase[0], 0x280);
  EXPECT_EQ(added.IRQRegisters[0], 10);  // the rest as slot 0's board
  std::uint16_t removed = 1;
  std::uint16_t scratch = 0;
  EXPECT_EQ(TamrixCreate(&removed, window_, &scratch), 0);
  EXPECT_EQ(TamrixGetLastError(1), TAMRIX_ERR_SLOT);
  // The documented boards again, for the tests after this one in the process.
  ASSERT_EQ(TamrixClose(3), 1);
  opened_.clear();
  EXPECT_EQ(tamrix_sim_load("none", "", why, sizeof why), 0u) << why;
}

// A hundred threads call the exports at once while a board samples: each
// call returns its own outcome, and a status read back is one that some call
// of the process left.
TEST_F(ThroughLibrary, ManyThreadsCallingAtOnceEachGetTheirOwnOutcome) {
  const std::uint16_t slot = Open();
  const ModeRecord mode{.ChFirst = 0, .ChLast = 3, .BuffSize = 4096, .Timer = 50, .Mode = 3};
  ASSERT_EQ(TamrixSetMode(slot, &mode), 1);
  ASSERT_EQ(TamrixStartSampling(slot), 1);
  constexpr int kThreads = 100;
  constexpr int kRounds = 200;
  std::atomic<int> wrong{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      while (!go) std::this_thread::yield();
      const auto expect = [&](bool ok) {
        if (!ok) ++wrong;
      };
      for (int round = 0; round < kRounds; ++round) {
        std::uint32_t library = 0, driver = 0, waiting = 0, bits = 0;
        expect(TamrixGetVersion(&library, &driver) == 1 && driver == 0x01020010u);
        expect(TamrixGetSamplingStatus(slot, &waiting, &bits) == 1 && (bits & 0x0F00u) == 0x0300u);
        std::uint16_t word = 0;
        const std::int32_t fetched = TamrixGetData(slot, 1, &word);
        expect(fetched == 0 || (word >> 12) <= 3);
        TAMRIXR resources{};
        expect(TamrixGetResource(slot, &resources) == 1 && resources.NumIRQs == 1);
        std::int32_t in0 = 7, in1 = 7, trigger = 7;
        expect(TamrixGetExIn(slot, &in0, &in1, &trigger) == 1 && (in0 == 0 || in0 == -1));
        expect(TamrixStopSampling(16) == 0);
        expect(TamrixClose(7) == 0);
        const std::int32_t status = TamrixGetLastError(static_cast<std::uint32_t>(t % 17));
        expect(status == TAMRIX_SUCCESS || status == TAMRIX_ERR_SLOT ||
               status == TAMRIX_ERR_NUMDATA);
      }
    });
  }
  go = true;
  for (auto &thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(TamrixStopSampling(slot), 1);
  EXPECT_EQ(TamrixGetLastError(slot), TAMRIX_SUCCESS);
}

}  // namespace
