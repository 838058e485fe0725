// The driver's logic without threads: mode decoding, a run stepped through
// simulated time, the buffer, and the notification budget.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "board_catalogue.h"
#include "driver_requests.h"
#include "request_block.h"
#include "run_words.h"
#include "sample_ring.h"
#include "sampling_run.h"
#include "timer_decode.h"
#include "waveforms.h"

namespace tamrix::vxd {
namespace {

using namespace std::chrono_literals;
using testing::ModeRequest;
constexpr std::int64_t kUs = 1000;

ModeDecision Decide(const ModeRequest &r, std::uint16_t board_slot = 0) {
  return DecideMode(testing::SetModeBlock(r), *BoardInSlot(board_slot));
}

TEST(ModeDecoding, TimerIsMicrosecondsThenWholeMilliseconds) {
  const std::pair<std::uint32_t, std::int64_t> cases[] = {{1, 1'000},
                                                          {500, 500'000},
                                                          {1000, 1'000'000},
                                                          {1999, 1'000'000},
                                                          {50'000'000, 50'000'000'000}};
  for (auto [timer, ns] : cases)
    EXPECT_EQ(Decide({.timer = timer}).settings.programmed_period_ns, ns);
  EXPECT_FALSE(DecodePeriodTicks({0, 0, 0, 7}));    // first stage zero
  EXPECT_FALSE(DecodePeriodTicks({256, 0, 0, 0}));  // more than a byte
  EXPECT_EQ(Decide({.timer = 1}).settings.EffectivePeriodNs(), kMinConversionNs);
}

TEST(ModeDecoding, RefusalsCarryTheirStatus) {
  EXPECT_EQ(Decide({.mode = 0}).status, TAMRIX_DRV_BAD_ARGUMENT);
  EXPECT_EQ(Decide({.mode = 11}).status, TAMRIX_DRV_BAD_ARGUMENT);
  EXPECT_EQ(Decide({.first = 5, .last = 4}).status, TAMRIX_DRV_BAD_ARGUMENT);
  EXPECT_EQ(Decide({.last = 16}).status, TAMRIX_DRV_BAD_ARGUMENT);
  EXPECT_EQ(Decide({.buff_size = kMaxBufferWords + 1}).status, TAMRIX_DRV_NO_MEMORY);
  EXPECT_EQ(Decide({.buff_size = 65'537, .mode = 5}).status, TAMRIX_DRV_BAD_DMA_SIZE);
  EXPECT_EQ(Decide({.buff_size = 4096, .mode = 10}, 2).status, TAMRIX_DRV_DMA_FAILED);
  RequestBlock wrong_pages = testing::SetModeBlock({.buff_size = 4096, .mode = 5});
  wrong_pages.PutU32(TAMRIX_OFS_DMA_PAGES, 3);
  EXPECT_EQ(DecideMode(wrong_pages, *BoardInSlot(0)).status, TAMRIX_DRV_BAD_DMA_SIZE);
  EXPECT_EQ(Decide({.buff_size = 2049, .mode = 5}).settings.buffer_words, 2049u);
}

// A run with its buffer, stepped through simulated time.
struct SimulatedRun {
  explicit SimulatedRun(const ModeRequest &r, std::uint64_t first_step = 0)
      : run(PlanRun(Decide(r).settings, first_step)) {
    ring.Reset(r.buff_size);
  }
  RunEvents At(std::int64_t ns) {
    RunEvents events;
    run.AdvanceTo(ns, ring, alarms, events);
    return events;
  }
  std::vector<std::uint16_t> TakeAll() {
    std::vector<std::uint16_t> words(ring.Size());
    ring.TakeOldest(words.data(), words.size());
    alarms.AfterTake(0, ring.Capacity());
    return words;
  }
  SamplingRun run;
  SampleRing ring;
  BufferAlarms alarms;
};

TEST(SamplingRun, FifoAndDmaModesDeliverWholeBlocksUntilFlushed) {
  SimulatedRun fifo({.buff_size = 4096, .timer = 10, .mode = 4});
  fifo.At(5'110 * kUs);
  EXPECT_EQ(fifo.ring.Size(), 0u);
  fifo.At(10'300 * kUs);
  EXPECT_EQ(fifo.ring.Size(), 1024u);
  RunEvents events;
  fifo.run.Flush(fifo.ring, fifo.alarms, events);
  EXPECT_EQ(fifo.ring.Size(), 1030u);

  SimulatedRun dma({.buff_size = 8192, .timer = 2, .mode = 5});
  EXPECT_EQ(dma.At(3 * 2048 * 2 * kUs + 5).pages_done, 3u);
  EXPECT_EQ(dma.ring.Size(), 3u * 2048);
  SimulatedRun small({.buff_size = 100, .timer = 2, .mode = 5});
  EXPECT_EQ(small.At(200 * kUs).pages_done, 1u);  // a buffer smaller than a page
}

TEST(SamplingRun, AFullBufferKeepsTheOldestAndSaysSoOncePerFilling) {
  SimulatedRun sim({.buff_size = 8, .timer = 10, .mode = 3});
  const RunEvents first = sim.At(200 * kUs);
  EXPECT_TRUE(first.half_full && first.full && first.overflow);
  EXPECT_EQ(first.overflow_at, 8u);  // the gap follows the 8 words kept
  EXPECT_EQ(sim.run.WordsLost(), 12u);
  const RunEvents later = sim.At(400 * kUs);
  EXPECT_FALSE(later.half_full || later.full || later.overflow);
  EXPECT_EQ(sim.TakeAll().back() & 0xFFF, InputValue(0, 7));
  const RunEvents refilled = sim.At(500 * kUs);
  EXPECT_TRUE(refilled.half_full && refilled.full && refilled.overflow);
  EXPECT_EQ(refilled.overflow_at, 16u);
  EXPECT_EQ(sim.TakeAll().front() & 0xFFF, InputValue(0, 40));  // lost words moved the signal on
}

TEST(SamplingRun, SingleScansEndByThemselves) {
  SimulatedRun plain({.first = 0, .last = 3, .buff_size = 4, .timer = 100, .mode = 1}, 7);
  EXPECT_FALSE(plain.At(399 * kUs).scan_end);
  EXPECT_TRUE(plain.At(400 * kUs).scan_end);
  EXPECT_FALSE(plain.At(900 * kUs).scan_end);
  EXPECT_EQ(plain.run.NextStep(),
            8u);  // the next scan goes on along the signals
  EXPECT_EQ(plain.TakeAll(),
            (std::vector<std::uint16_t>{
                SampleWord(0, InputValue(0, 7)), SampleWord(1, InputValue(1, 7)),
                SampleWord(2, InputValue(2, 7)), SampleWord(3, InputValue(3, 7))}));

  SimulatedRun averaged({.first = 4, .last = 5, .buff_size = 2, .timer = 10, .mode = 2});
  averaged.At(31 * 10 * kUs);
  EXPECT_EQ(averaged.ring.Size(), 1u);
  EXPECT_TRUE(averaged.At(32 * 10 * kUs).scan_end);
  const std::uint16_t ramp = averaged.TakeAll()[0] & 0xFFF;
  EXPECT_EQ(ramp,
            4095 - 16 * 15 / 2);  // mean of the falling ramp's first 16 steps
}

TEST(SamplingRun, OverrunIsReportedWhenTheRunBegins) {
  SimulatedRun sim({.buff_size = 4096, .timer = 1, .mode = 3});
  EXPECT_FALSE(sim.At(-5).overrun);  // still waiting for its trigger
  EXPECT_TRUE(sim.At(0).overrun);
  EXPECT_FALSE(sim.At(100 * kUs).overrun);
  EXPECT_EQ(sim.ring.Size(), 50u);  // at the 2 us limit
}

TEST(Notifications, BudgetIsABurstOfEightThenFourPerSecond) {
  NotificationGate gate;
  const auto t0 = NotificationGate::Clock::now();
  gate.Reset(t0);
  int events = 0;
  int pages = 0;
  for (int i = 0; i < 20; ++i) events += gate.AllowEvent(t0);
  EXPECT_EQ(events, 8);
  events = 0;
  for (auto t = 4ms; t <= 10'000ms; t += 4ms) {
    events += gate.AllowEvent(t0 + t);
    pages += gate.AllowPageDone(t0 + t);
  }
  EXPECT_NEAR(events, 40, 1);
  EXPECT_NEAR(pages, 40, 1);
}

TEST(Notifications, ALossFindingTheBudgetSpentIsHeldUntilATokenComes) {
  struct Posted {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
  };
  std::vector<Posted> posted;
  const Poster post = [&](HWND, UINT message, WPARAM w, LPARAM l) {
    posted.push_back({message, w, l});
  };
  NotificationGate gate;
  const auto t0 = NotificationGate::Clock::now();
  gate.Reset(t0);
  const HWND window = 7;
  RunEvents spend;
  spend.full = true;
  for (int i = 0; i < 8; ++i) Deliver(spend, gate, t0, window, post);
  ASSERT_EQ(posted.size(), 8u);

  RunEvents loss;
  loss.overflow = true;
  loss.overflow_at = (std::uint64_t{1} << 32) + 100;
  Deliver(loss, gate, t0, window, post);
  loss.overflow_at = (std::uint64_t{1} << 32) + 300;
  Deliver(loss, gate, t0 + 100ms, window, post);
  Deliver(spend, gate, t0 + 200ms, window, post);  // dropped, not held
  EXPECT_EQ(posted.size(), 8u);
  EXPECT_TRUE(gate.Holding());
  EXPECT_NEAR(std::chrono::duration<double>(gate.NextTokenAt() - t0).count(), 0.25, 1e-6);

  Deliver({}, gate, t0 + 260ms, window, post);
  ASSERT_EQ(posted.size(), 9u);
  EXPECT_EQ(posted.back().message, static_cast<UINT>(TAMRIX_MSG_BUFF_OVERFLOW));
  EXPECT_EQ(posted.back().wparam, 100u);  // the first gap's place, low 32 bits
  EXPECT_EQ(posted.back().lparam, 2);     // and both losses
  EXPECT_FALSE(gate.Holding());

  // Held again, it goes out when the run ends, budget or not.
  loss.overflow_at = 500;
  Deliver(loss, gate, t0 + 270ms, window, post);
  EXPECT_EQ(posted.size(), 9u);
  DeliverHeld(gate, t0 + 270ms, window, post);
  ASSERT_EQ(posted.size(), 10u);
  EXPECT_EQ(posted.back().wparam, 500u);
  EXPECT_EQ(posted.back().lparam, 1);
}

// The word a continuous run produces at `index`, straight from the signals.
std::uint16_t Expected(unsigned first, unsigned channels, std::uint64_t first_step,
                       std::uint64_t index) {
  const unsigned channel = first + static_cast<unsigned>(index % channels);
  return SampleWord(channel, InputValue(channel, first_step + index / channels));
}

TEST(RunWords, EachWordFollowsFromItsPlaceInTheRun) {
  struct Case {
    std::uint8_t first, last;
    std::uint64_t first_step;
  };
  const Case cases[] = {{0, 15, 0}, {0, 15, 1'000'003}, {14, 15, 5},
                        {3, 3, 0},  {5, 11, 77},        {11, 13, 511}};
  for (const Case &c : cases) {
    RunPlan plan;
    plan.first_channel = c.first;
    plan.channel_count = c.last - c.first + 1u;
    plan.first_step = c.first_step;
    const auto words = RunWords::Of(plan);
    // Far past one table, so that every wrap-around is crossed.
    for (std::uint64_t i = 0; i < 70'000; ++i) {
      ASSERT_EQ(words->At(i), Expected(c.first, plan.channel_count, c.first_step, i))
          << int{c.first} << ".." << int{c.last} << " at " << i;
    }
    // A copy to an odd address, across wraps, is the same words.
    std::vector<unsigned char> bytes(2 * 40'000 + 1);
    words->Copy(12'345, 40'000, bytes.data() + 1);
    for (std::size_t i = 0; i < 40'000; ++i) {
      const auto word = static_cast<std::uint16_t>(bytes[1 + 2 * i] | bytes[2 + 2 * i] << 8);
      ASSERT_EQ(word, words->At(12'345 + i)) << i;
    }
  }
}

TEST(SampleRing, StretchesSplitByLossesComeOutOldestFirst) {
  RunPlan plan;
  plan.channel_count = 2;
  const auto words = RunWords::Of(plan);
  SampleRing ring;
  ring.Reset(8);
  EXPECT_EQ(ring.Append(words, 0, 5), 5u);
  EXPECT_EQ(ring.Append(words, 9, 5),
            3u);  // words 5..8 never came, 12 and 13 find no room
  EXPECT_EQ(ring.Free(), 0u);
  std::vector<std::uint16_t> out(8);
  ring.TakeOldest(out.data(), 3);
  ring.TakeOldest(out.data() + 3, 4);  // across the gap
  EXPECT_EQ(ring.Append(words, 14, 1), 1u);
  ring.TakeOldest(out.data() + 7,
                  1);  // the older word, not the one just appended
  EXPECT_EQ(ring.Size(), 1u);
  const std::uint64_t order[] = {0, 1, 2, 3, 4, 9, 10, 11};
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(out[i], words->At(order[i])) << i;
  ring.Clear();
  EXPECT_EQ(ring.Size(), 0u);
  EXPECT_EQ(ring.Capacity(), 8u);
}

TEST(Signals, SixteenDistinctTwelveBitWaves) {
  std::set<std::vector<std::uint16_t>> signals;
  for (unsigned c = 0; c < kChannelCount; ++c) {
    std::vector<std::uint16_t> values;
    for (std::uint64_t k = 0; k < 512; ++k) values.push_back(InputValue(c, k));
    for (std::uint16_t v : values) ASSERT_LE(v, kFullScale);
    signals.insert(values);
  }
  EXPECT_EQ(signals.size(), kChannelCount);
}

}  // namespace
}  // namespace tamrix::vxd
