// What each export puts into its request: the I/O-control code, the block's
// In fields byte by byte, and the data buffer of get data.
#include <cstring>

#include "library_fixture.h"
#include "mode_encoding.h"

namespace tamrix::testing {
namespace {

using RequestBlocks = LibraryTest;

TEST_F(RequestBlocks, ChannelIsOpenedOnceByDeviceName) {
  EXPECT_STREQ(device.opened_name, "\\\\.\\TAMRIX.VXD");
  EXPECT_TRUE(library.Attach());
  EXPECT_EQ(device.opens, 1);
  library.Detach();
  library.Detach();
  ASSERT_EQ(device.closed.size(), 1u);
  EXPECT_EQ(device.closed[0], reinterpret_cast<DeviceHandle>(0x1234));
}

TEST_F(RequestBlocks, CreateSendsSlotAndWindowAndTakesAssignedSlot) {
  std::uint16_t slot = 0xFFFF;
  ASSERT_EQ(library.Create(&slot, 0xCAFE0001, nullptr), 1);
  const RecordedRequest &sent = device.Last();
  EXPECT_EQ(sent.code, TAMRIX_IOCTL_CREATE);
  EXPECT_EQ(sent.block.U16(TAMRIX_OFS_SLOT), 16);
  EXPECT_EQ(sent.block.U32(TAMRIX_OFS_WINDOW), 0xCAFE0001u);
  EXPECT_EQ(sent.input, nullptr);
  EXPECT_EQ(sent.input_size, 0u);
  EXPECT_EQ(slot, 3);

  // Slots beyond the table go to the driver unchecked; its answer decides.
  device.AnswerStatus(TAMRIX_DRV_BAD_SLOT);
  slot = 20;
  EXPECT_EQ(library.Create(&slot, 0, nullptr), 0);
  EXPECT_EQ(device.Last().block.U16(TAMRIX_OFS_SLOT), 20);
  EXPECT_EQ(slot, 20);
  EXPECT_EQ(library.GetLastError(0), TAMRIX_ERR_SLOT);
}

TEST_F(RequestBlocks, CreateNeverReadsOrWritesTheReservedArgument) {
  std::uint16_t slot = 5;
  std::uint16_t reserved = 0xABCD;
  ASSERT_EQ(library.Create(&slot, 0, &reserved), 1);
  EXPECT_EQ(reserved, 0xABCD);
}

TEST_F(RequestBlocks, SlotOperationsCarryTheLow16BitsOfTheSlot) {
  Open(1);
  Open(2);
  struct Case {
    std::uint32_t code;
    std::function<std::int32_t()> call;
  };
  TAMRIXR record{};
  std::uint32_t a = 0, b = 0;
  std::int32_t x = 0, y = 0, z = 0;
  ModeRecord mode{0, 0, 16, 1, 3};
  const Case cases[] = {
      {TAMRIX_IOCTL_RESOURCES, [&] { return library.GetResource(0x10002, &record); }},
      {TAMRIX_IOCTL_SET_MODE, [&] { return library.SetMode(0x10002, &mode); }},
      {TAMRIX_IOCTL_START, [&] { return library.StartSampling(0x10002); }},
      {TAMRIX_IOCTL_STOP, [&] { return library.StopSampling(0x10002); }},
      {TAMRIX_IOCTL_SAMPLING_STATUS, [&] { return library.GetSamplingStatus(0x10002, &a, &b); }},
      {TAMRIX_IOCTL_EXTERNAL_INPUTS, [&] { return library.GetExIn(0x10002, &x, &y, &z); }},
      {TAMRIX_IOCTL_CLOSE, [&] { return library.Close(0x10002); }},
  };
  for (const Case &c : cases) {
    const std::size_t before = device.requests.size();
    EXPECT_EQ(c.call(), 1) << std::hex << c.code;
    ASSERT_EQ(device.requests.size(), before + 1) << "one request per call";
    EXPECT_EQ(device.Last().code, c.code);
    EXPECT_EQ(device.Last().block.U16(TAMRIX_OFS_SLOT), 2);
    EXPECT_EQ(device.Last().input, nullptr);
    EXPECT_EQ(device.Last().input_size, 0u);
  }
  EXPECT_EQ(library.GetLastError(1), 0);
}

TEST_F(RequestBlocks, VersionRequestFillsNothingAndWritesBothResults) {
  device.answer = [](std::uint32_t, RequestBlock &block) {
    block.PutU32(TAMRIX_OFS_DRV_VERSION, 0x00020A01);
    block.PutU16(TAMRIX_OFS_STATUS, 0);
    return 0;
  };
  std::uint32_t lib = 0, drv = 0;
  ASSERT_EQ(library.GetVersion(&lib, &drv), 1);
  EXPECT_EQ(device.Last().code, TAMRIX_IOCTL_VERSION);
  const auto &bytes = device.Last().block.bytes;
  EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](auto v) { return v == 0; }));
  EXPECT_EQ(lib, 0x01000000u);
  EXPECT_EQ(drv, 0x00020A01u);
}

TEST_F(RequestBlocks, GetDataPassesTheCallersBufferWithTwiceTheCount) {
  OpenWithMode(4, 4096);
  std::uint16_t buffer[100] = {};
  device.answer = [](std::uint32_t, RequestBlock &block) {
    block.PutU16(TAMRIX_OFS_STATUS, 0);
    return 0;
  };
  ASSERT_EQ(library.GetData(4, 100, buffer), 1);
  const RecordedRequest &sent = device.Last();
  EXPECT_EQ(sent.code, TAMRIX_IOCTL_GET_DATA);
  EXPECT_EQ(sent.input, buffer);
  EXPECT_EQ(sent.input_size, 200u);
  EXPECT_EQ(sent.block.U16(TAMRIX_OFS_SLOT), 4);
  EXPECT_EQ(sent.block.U32(TAMRIX_OFS_DATA_COUNT), 100u);
}

TEST_F(RequestBlocks, UnusedCodeIsNeverSent) {
  OpenWithMode(0);
  std::uint16_t word;
  library.GetData(0, 1, &word);
  library.StartSampling(0);
  library.StopSampling(0);
  for (const auto &request : device.requests) EXPECT_NE(request.code, TAMRIX_IOCTL_UNUSED);
}

struct TimerCase {
  std::uint32_t timer;
  std::uint16_t first_high, first_low, second_high, second_low;
};

class TimerEncoding : public ::testing::TestWithParam<TimerCase> {};

TEST_P(TimerEncoding, GivesTheTwoStages) {
  RequestBlock block{};
  EncodeTimer(GetParam().timer, block);
  EXPECT_EQ(block.U16(6), GetParam().first_high);
  EXPECT_EQ(block.U16(8), GetParam().first_low);
  EXPECT_EQ(block.U16(10), GetParam().second_high);
  EXPECT_EQ(block.U16(12), GetParam().second_low);
}

INSTANTIATE_TEST_SUITE_P(Periods, TimerEncoding,
                         ::testing::Values(TimerCase{1, 0, 20, 0, 0}, TimerCase{13, 1, 4, 0, 0},
                                           TimerCase{1000, 78, 32, 0, 0},
                                           TimerCase{1001, 78, 32, 0, 1},
                                           TimerCase{1999, 78, 32, 0, 1},
                                           TimerCase{256000, 78, 32, 1, 0},
                                           TimerCase{50000000, 78, 32, 195, 80}));

TEST_F(RequestBlocks, CompleteSetModeRequestForDmaAndPlainModes) {
  Open(2);
  ModeRecord dma{0, 3, 4096, 1000, 5};
  ASSERT_EQ(library.SetMode(2, &dma), 1);
  RequestBlock expected{};
  expected.PutU16(0, 2);
  expected.PutU16(6, 78);
  expected.PutU16(8, 32);
  expected.PutU16(18, 0);
  expected.PutU16(20, 3);
  expected.PutU16(22, 5);
  expected.PutU32(28, 8192);
  expected.PutU32(32, 2);
  EXPECT_EQ(device.Last().block.bytes, expected.bytes);

  ModeRecord plain = dma;
  plain.Mode = 1;
  ASSERT_EQ(library.SetMode(2, &plain), 1);
  expected.PutU16(22, 1);
  expected.PutU32(28, 0);
  expected.PutU32(32, 0);
  expected.PutU32(36, 4096);
  EXPECT_EQ(device.Last().block.bytes, expected.bytes);
}

TEST_F(RequestBlocks, DmaByteAndPageCounts) {
  Open(0);
  struct Case {
    std::int32_t mode;
    std::uint32_t words, bytes, pages;
  };
  for (const Case &c : {Case{5, 1, 2, 1}, Case{10, 2048, 4096, 1}, Case{10, 2049, 4098, 2},
                        Case{5, 0x7FFFFFFF, 0xFFFFFFFE, 0x100000}}) {
    ModeRecord record{0, 0, c.words, 10, c.mode};
    ASSERT_EQ(library.SetMode(0, &record), 1);
    EXPECT_EQ(device.Last().block.U32(28), c.bytes) << c.words;
    EXPECT_EQ(device.Last().block.U32(32), c.pages) << c.words;
    EXPECT_EQ(device.Last().block.U32(36), 0u);
  }
  // Only the exact values 5 and 10 are DMA modes; the driver sees the low bits.
  ModeRecord record{0, 0, 2049, 10, 0x10005};
  ASSERT_EQ(library.SetMode(0, &record), 1);
  EXPECT_EQ(device.Last().block.U32(36), 2049u);
  EXPECT_EQ(device.Last().block.U16(22), 5);
  for (std::int32_t unchecked : {0, 11, -1}) {
    record.Mode = unchecked;
    ASSERT_EQ(library.SetMode(0, &record), 1);
    EXPECT_EQ(device.Last().block.U16(22), static_cast<std::uint16_t>(unchecked));
  }
}

TEST_F(RequestBlocks, ResourceFieldsAreCopiedFieldByFieldLeavingPadding) {
  Open(1);
  RequestBlock answered{};
  for (std::size_t i = TAMRIX_OFS_RESOURCES; i < TAMRIX_BLOCK_SIZE; ++i) {
    answered.bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  }
  device.answer = [&answered](std::uint32_t, RequestBlock &block) {
    block = answered;
    return 0;
  };
  TAMRIXR record;
  std::memset(&record, 0xEE, sizeof record);
  ASSERT_EQ(library.GetResource(1, &record), 1);
  EXPECT_EQ(record.NumMemWindows, answered.U16(74));
  EXPECT_EQ(record.MemBase[0], answered.U32(76));
  EXPECT_EQ(record.MemBase[8], answered.U32(108));
  EXPECT_EQ(record.MemLength[8], answered.U32(144));
  EXPECT_EQ(record.MemAttrib[8], answered.U16(164));
  EXPECT_EQ(record.NumIOPorts, answered.U16(166));
  EXPECT_EQ(record.IOPortBase[19], answered.U16(206));
  EXPECT_EQ(record.IOPortLength[0], answered.U16(208));
  EXPECT_EQ(record.IOPortLength[19], answered.U16(246));
  EXPECT_EQ(record.NumIRQs, answered.U16(248));
  EXPECT_EQ(record.IRQRegisters[6], answered.U8(256));
  EXPECT_EQ(record.IRQAttrib[0], answered.U8(257));
  EXPECT_EQ(record.NumDMAs, answered.U16(264));
  EXPECT_EQ(record.DMALst[6], answered.U8(272));
  EXPECT_EQ(record.DMAAttrib[0], answered.U16(273));
  EXPECT_EQ(record.DMAAttrib[6], answered.U16(285));
  EXPECT_EQ(record.Reserved[2], answered.U8(289));
  const auto *raw = reinterpret_cast<const std::uint8_t *>(&record);
  for (std::size_t padding : {2, 3, 201, 219}) EXPECT_EQ(raw[padding], 0xEE) << padding;
}

}  // namespace
}  // namespace tamrix::testing
