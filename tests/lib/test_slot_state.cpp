// Open and mode-set flags, the recorded buffer size, the order of the checks
// and the results written before the status word is looked at.
#include "library_fixture.h"

namespace tamrix::testing {
namespace {

using SlotState = LibraryTest;

TEST_F(SlotState, OperationsOnAClosedSlotAreRefusedWith107) {
  std::uint32_t a = 1, b = 2;
  std::int32_t x = 3, y = 4, z = 5;
  std::uint16_t word = 6;
  ModeRecord mode{0, 0, 1, 1, 3};
  TAMRIXR record{};
  EXPECT_EQ(library.GetResource(3, &record), 0);
  EXPECT_EQ(library.SetMode(3, &mode), 0);
  EXPECT_EQ(library.StartSampling(3), 0);
  EXPECT_EQ(library.StopSampling(3), 0);
  EXPECT_EQ(library.GetSamplingStatus(3, &a, &b), 0);
  EXPECT_EQ(library.GetData(3, 1, &word), 0);
  EXPECT_EQ(library.GetExIn(3, &x, &y, &z), 0);
  EXPECT_EQ(library.GetLastError(3), TAMRIX_ERR_NO_CREATE);
  EXPECT_TRUE(device.requests.empty());
  EXPECT_EQ(a + b + x + y + z + word, 21u) << "no result written";
}

TEST_F(SlotState, SetModeChecksRunInOrder) {
  Open(0);
  struct Case {
    ModeRecord record;
    std::int32_t code;
  };
  for (const Case &c :
       {Case{{16, 0, 16, 0, 3}, TAMRIX_ERR_TIMER}, Case{{0, 0, 16, 50000001, 3}, TAMRIX_ERR_TIMER},
        Case{{16, 0, 0, 1, 3}, TAMRIX_ERR_CHANNEL}, Case{{0, 16, 0, 1, 3}, TAMRIX_ERR_CHANNEL},
        Case{{0, 0, 0, 1, 3}, TAMRIX_ERR_INV_ARG},
        Case{{0, 0, 0x80000000u, 1, 5}, TAMRIX_ERR_DMA_BUFFSIZE},
        Case{{0, 0, 0xFFFFFFF0u, 1, 10}, TAMRIX_ERR_DMA_BUFFSIZE}}) {
    EXPECT_EQ(library.SetMode(0, &c.record), 0);
    EXPECT_EQ(library.GetLastError(0), c.code);
  }
  EXPECT_EQ(device.requests.size(), 1u) << "only the create was sent";
  // None of those refusals recorded a buffer size.
  std::uint16_t word;
  EXPECT_EQ(library.GetData(0, 1, &word), 0);
  EXPECT_EQ(library.GetLastError(0), TAMRIX_ERR_NUMDATA);
}

TEST_F(SlotState, AnInvertedRangeIsLeftToTheDriverAndItsSizeIsRecordedUnsigned) {
  Open(0);
  ModeRecord inverted{5, 3, static_cast<std::uint32_t>(-16), 500, 3};
  ASSERT_EQ(library.SetMode(0, &inverted), 1);
  EXPECT_EQ(device.Last().block.U32(36), 0xFFFFFFF0u);
  std::uint16_t buffer[4];
  EXPECT_EQ(library.GetData(0, 4, buffer), 1);
  // A byte length beyond 32 bits is refused even though the size allows it.
  EXPECT_EQ(library.GetData(0, 0x80000000u, buffer), 0);
  EXPECT_EQ(library.GetLastError(0), TAMRIX_ERR_NUMDATA);
}

TEST_F(SlotState, StartNeedsAModeAcceptedSinceTheLatestOpen) {
  OpenWithMode(1);
  ASSERT_EQ(library.StartSampling(1), 1);
  ASSERT_EQ(library.Close(1), 1);
  Open(1);
  EXPECT_EQ(library.StartSampling(1), 0);
  EXPECT_EQ(library.GetLastError(1), TAMRIX_ERR_INV_ARG);
  ModeRecord mode{0, 0, 16, 1, 3};
  ASSERT_EQ(library.SetMode(1, &mode), 1);
  EXPECT_EQ(library.StartSampling(1), 1);
  EXPECT_EQ(library.StopSampling(1), 1);
  EXPECT_EQ(library.StartSampling(1), 1) << "a stopped slot starts again without a new mode";
}

TEST_F(SlotState, ModeRefusalsByTheDriver) {
  OpenWithMode(2, 4096);
  ModeRecord next{0, 0, 100, 1, 3};

  device.AnswerStatus(TAMRIX_DRV_MODE_KEPT);
  EXPECT_EQ(library.SetMode(2, &next), 0);
  EXPECT_EQ(library.GetLastError(2), TAMRIX_ERR_MODE_KEPT);
  AnswerOk();
  EXPECT_EQ(library.StartSampling(2), 1) << "109 keeps the previous mode in force";
  std::uint16_t buffer[300];
  EXPECT_EQ(library.GetData(2, 101, buffer), 0) << "but the new size is recorded";
  EXPECT_EQ(library.GetData(2, 100, buffer), 1);

  device.AnswerStatus(TAMRIX_DRV_BAD_ARGUMENT);
  ModeRecord refused{0, 0, 300, 1, 3};
  EXPECT_EQ(library.SetMode(2, &refused), 0);
  AnswerOk();
  EXPECT_EQ(library.StartSampling(2), 0);
  EXPECT_EQ(library.GetLastError(2), TAMRIX_ERR_INV_ARG);
  EXPECT_EQ(library.GetData(2, 300, buffer), 1) << "the refused size is recorded; no mode needed";
  EXPECT_EQ(library.GetLastError(2), 0);

  ASSERT_EQ(library.SetMode(2, &next), 1);
  device.FailWith(31);
  EXPECT_EQ(library.SetMode(2, &next), 0);
  EXPECT_EQ(library.GetLastError(2), 31);
  AnswerOk();
  EXPECT_EQ(library.StartSampling(2), 0) << "not carried out clears the mode";
}

TEST_F(SlotState, RecordedBufferSizeBoundsGetDataAcrossCloseAndReopen) {
  std::uint16_t buffer[64];
  Open(6);
  EXPECT_EQ(library.GetData(6, 1, buffer), 0) << "no size recorded since load";
  ModeRecord mode{0, 0, 64, 1, 4};
  ASSERT_EQ(library.SetMode(6, &mode), 1);
  EXPECT_EQ(library.GetData(6, 64, buffer), 1);
  EXPECT_EQ(library.GetData(6, 65, buffer), 0);
  EXPECT_EQ(library.GetData(6, 0, buffer), 0);
  EXPECT_EQ(library.GetLastError(6), TAMRIX_ERR_NUMDATA);
  ASSERT_EQ(library.Close(6), 1);
  Open(6);
  EXPECT_EQ(library.GetData(6, 64, buffer), 1);
}

TEST_F(SlotState, FailedCloseLeavesTheSlotOpen) {
  OpenWithMode(7);
  device.AnswerStatus(TAMRIX_DRV_START_FAILED);
  EXPECT_EQ(library.Close(7), 0);
  EXPECT_EQ(library.GetLastError(7), TAMRIX_ERR_START);
  AnswerOk();
  EXPECT_EQ(library.StartSampling(7), 1) << "still open, mode still set";
  device.FailWith(6);
  EXPECT_EQ(library.Close(7), 0);
  AnswerOk();
  EXPECT_EQ(library.StopSampling(7), 1);
  EXPECT_EQ(library.Close(7), 1);
  EXPECT_EQ(library.GetLastError(7), 0);
  EXPECT_EQ(library.StopSampling(7), 0);
  EXPECT_EQ(library.GetLastError(7), TAMRIX_ERR_NO_CREATE);
}

TEST_F(SlotState, ResultsAreWrittenWhenTheDriverAnswersNonZero) {
  Open(3);
  device.answer = [](std::uint32_t, RequestBlock &block) {
    block.PutU32(TAMRIX_OFS_NUM_DATA, 1234);
    block.PutU32(TAMRIX_OFS_SAMPLING_BITS, 0x8001);
    block.PutU32(TAMRIX_OFS_EX_TRG, 1);
    block.PutU32(TAMRIX_OFS_EX_IN0, 2);
    block.PutU32(TAMRIX_OFS_EX_IN1, 1);
    block.PutU16(TAMRIX_RES_NUM_IO_PORTS, 2);
    block.PutU16(TAMRIX_OFS_STATUS, 9);
    return 0;
  };
  std::uint32_t num = 0, bits = 0;
  EXPECT_EQ(library.GetSamplingStatus(3, &num, &bits), 0);
  EXPECT_EQ(num, 1234u);
  EXPECT_EQ(bits, 0x8001u);
  std::int32_t in0 = 5, in1 = 5, trg = 5;
  EXPECT_EQ(library.GetExIn(3, &in0, &in1, &trg), 0);
  EXPECT_EQ(in0, 0) << "only 1 reads as on";
  EXPECT_EQ(in1, -1);
  EXPECT_EQ(trg, -1);
  TAMRIXR record{};
  EXPECT_EQ(library.GetResource(3, &record), 0);
  EXPECT_EQ(record.NumIOPorts, 2);
  EXPECT_EQ(library.GetLastError(3), 9);
}

TEST_F(SlotState, NothingIsWrittenWhenTheRequestIsNotCarriedOut) {
  Open(3);
  device.answer = [](std::uint32_t, RequestBlock &block) {
    block.PutU32(TAMRIX_OFS_NUM_DATA, 1234);
    block.PutU32(TAMRIX_OFS_EX_IN0, 1);
    block.PutU16(TAMRIX_RES_NUM_IO_PORTS, 2);
    return 1117;
  };
  std::uint32_t num = 77, bits = 77;
  std::int32_t in0 = 77, in1 = 77, trg = 77;
  TAMRIXR record{};
  EXPECT_EQ(library.GetSamplingStatus(3, &num, &bits), 0);
  EXPECT_EQ(library.GetExIn(3, &in0, &in1, &trg), 0);
  EXPECT_EQ(library.GetResource(3, &record), 0);
  EXPECT_EQ(num + bits, 154u);
  EXPECT_EQ(in0 + in1 + trg, 231);
  EXPECT_EQ(record.NumIOPorts, 0);
  EXPECT_EQ(library.GetLastError(3), 1117);
}

TEST_F(SlotState, CreateResetsTheModeButNotTheBufferSizeAndReportsSuccess) {
  OpenWithMode(8, 32);
  device.AnswerStatus(TAMRIX_DRV_START_FAILED);
  EXPECT_EQ(library.StartSampling(8), 0);
  AnswerOk();
  Open(8);  // the library leaves a second create to the driver's judgement
  EXPECT_EQ(library.GetLastError(8), 0);
  EXPECT_EQ(library.StartSampling(8), 0);
  std::uint16_t buffer[32];
  EXPECT_EQ(library.GetData(8, 32, buffer), 1);
}

}  // namespace
}  // namespace tamrix::testing
