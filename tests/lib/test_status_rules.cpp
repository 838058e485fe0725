// Status translation, where each outcome is kept, and TamrixGetLastError.
#include "library_fixture.h"
#include "status.h"

namespace tamrix::testing {
namespace {

TEST(StatusTranslation, DriverStatusesMapToLibraryCodesAndOthersPassThrough) {
  const std::int32_t expected[] = {0, 100, 3, 106, 104, 103, 108, 109, 105};
  for (std::uint16_t word = 0; word < 9; ++word) {
    EXPECT_EQ(TranslateDriverStatus(word), expected[word]) << word;
  }
  for (std::uint32_t word : {9u, 10u, 99u, 100u, 1000u, 0x7FFFu, 0x8000u, 65535u}) {
    EXPECT_EQ(TranslateDriverStatus(static_cast<std::uint16_t>(word)),
              static_cast<std::int32_t>(word));
  }
}

using StatusRules = LibraryTest;

TEST_F(StatusRules, EverySlotOperationRefusesSlot16AndAboveLibraryWide) {
  TAMRIXR record{};
  ModeRecord mode{0, 0, 1, 1, 3};
  std::uint32_t a, b;
  std::int32_t x, y, z;
  std::uint16_t word;
  const std::function<std::int32_t(std::uint32_t)> calls[] = {
      [&](std::uint32_t s) { return library.Close(s); },
      [&](std::uint32_t s) { return library.GetResource(s, &record); },
      [&](std::uint32_t s) { return library.SetMode(s, &mode); },
      [&](std::uint32_t s) { return library.StartSampling(s); },
      [&](std::uint32_t s) { return library.StopSampling(s); },
      [&](std::uint32_t s) { return library.GetSamplingStatus(s, &a, &b); },
      [&](std::uint32_t s) { return library.GetData(s, 1, &word); },
      [&](std::uint32_t s) { return library.GetExIn(s, &x, &y, &z); },
  };
  for (const auto &call : calls) {
    for (std::uint32_t slot : {16u, 0xFFFFu, 0x1FFFFu}) {
      EXPECT_EQ(call(slot), 0);
      EXPECT_EQ(library.GetLastError(0), TAMRIX_ERR_SLOT);
    }
  }
  EXPECT_TRUE(device.requests.empty());
  // No per-slot status was touched: a call that clears the library-wide
  // status shows slot 0 still at 0.
  std::uint32_t v1, v2;
  library.GetVersion(&v1, &v2);
  EXPECT_EQ(library.GetLastError(0), 0);
}

TEST_F(StatusRules, FailedCreateIsReportedForEverySlotUntilTheNextCall) {
  Open(1);
  device.AnswerStatus(TAMRIX_DRV_BAD_SLOT);
  std::uint16_t slot = 2;
  ASSERT_EQ(library.Create(&slot, 0, nullptr), 0);
  for (std::uint32_t s = 0; s < 16; ++s) EXPECT_EQ(library.GetLastError(s), TAMRIX_ERR_SLOT);
  EXPECT_EQ(library.GetLastError(3), TAMRIX_ERR_SLOT) << "asking again clears nothing";
  AnswerOk();
  ASSERT_EQ(library.StopSampling(1), 1);
  EXPECT_EQ(library.GetLastError(2), 0);
}

TEST_F(StatusRules, FailedVersionIsLibraryWideAndLeavesResultsWhenNotCarriedOut) {
  device.FailWith(31);
  std::uint32_t lib = 7, drv = 8;
  EXPECT_EQ(library.GetVersion(&lib, &drv), 0);
  EXPECT_EQ(lib, 7u);
  EXPECT_EQ(drv, 8u);
  EXPECT_EQ(library.GetLastError(9), 31);

  // Answered with a failure: both results are still written.
  device.answer = [](std::uint32_t, RequestBlock &block) {
    block.PutU32(TAMRIX_OFS_DRV_VERSION, 0x305);
    block.PutU16(TAMRIX_OFS_STATUS, 4);
    return 0;
  };
  EXPECT_EQ(library.GetVersion(&lib, &drv), 0);
  EXPECT_EQ(lib, 0x01000000u);
  EXPECT_EQ(drv, 0x305u);
  EXPECT_EQ(library.GetLastError(0), TAMRIX_ERR_NOT_ENOUGH_MEM);
}

TEST_F(StatusRules, AskingAboutSlot16SetsTheLibraryWideStatus) {
  EXPECT_EQ(library.GetLastError(16), TAMRIX_ERR_SLOT);
  EXPECT_EQ(library.GetLastError(0), TAMRIX_ERR_SLOT);
  EXPECT_EQ(library.GetLastError(0x10000), TAMRIX_ERR_SLOT) << "65536 addresses slot 0";
  Open(0);
  EXPECT_EQ(library.GetLastError(0), 0);
}

TEST_F(StatusRules, UpperBitsOfTheSlotArgumentAreIgnored) {
  Open(1);
  EXPECT_EQ(library.StopSampling(65537), 1);
  EXPECT_EQ(device.Last().block.U16(TAMRIX_OFS_SLOT), 1);
}

TEST_F(StatusRules, PerSlotStatusesAreKeptApart) {
  Open(1);
  Open(2);
  ModeRecord bad_channel{16, 0, 16, 1, 3};
  EXPECT_EQ(library.SetMode(1, &bad_channel), 0);
  EXPECT_EQ(library.StopSampling(2), 1);
  EXPECT_EQ(library.GetLastError(1), TAMRIX_ERR_CHANNEL);
  EXPECT_EQ(library.GetLastError(2), 0);
}

TEST_F(StatusRules, DriverAndPlatformCodesReachTheSlotStatus) {
  Open(5);
  for (std::uint16_t word : {7, 9, 12345, 65535}) {
    device.AnswerStatus(word);
    EXPECT_EQ(library.StopSampling(5), 0);
    EXPECT_EQ(library.GetLastError(5), TranslateDriverStatus(word));
  }
  for (std::int32_t platform : {1, 2, 6, 31, 1114}) {
    device.FailWith(platform);
    EXPECT_EQ(library.StopSampling(5), 0);
    EXPECT_EQ(library.GetLastError(5), platform);
  }
}

TEST_F(StatusRules, ARequestNotCarriedOutWithoutACodeStillFails) {
  Open(5);
  device.fail_without_code = true;
  EXPECT_EQ(library.StopSampling(5), 0);
  EXPECT_EQ(library.GetLastError(5), TAMRIX_ERR_UNKNOWN);
  std::uint32_t lib = 0, drv = 0;
  EXPECT_EQ(library.GetVersion(&lib, &drv), 0);
  EXPECT_EQ(library.GetLastError(0), TAMRIX_ERR_UNKNOWN);
}

TEST_F(StatusRules, CloseOfANeverOpenedSlotStillAsksTheDriver) {
  device.AnswerStatus(TAMRIX_DRV_BAD_SLOT);
  EXPECT_EQ(library.Close(9), 0);
  EXPECT_EQ(device.Last().code, TAMRIX_IOCTL_CLOSE);
  EXPECT_EQ(library.GetLastError(9), TAMRIX_ERR_SLOT);
}

TEST_F(StatusRules, CreateAnsweredWithAnImpossibleSlotFailsAndTouchesNoTable) {
  device.answer = [](std::uint32_t, RequestBlock &block) {
    block.PutU16(TAMRIX_OFS_STATUS, 0);
    block.PutU16(TAMRIX_OFS_ASSIGNED_SLOT, 16);
    return 0;
  };
  std::uint16_t slot = 0xFFFF;
  EXPECT_EQ(library.Create(&slot, 0, nullptr), 0);
  EXPECT_EQ(slot, 0xFFFF);
  EXPECT_EQ(library.GetLastError(0), TAMRIX_ERR_INTERNAL);
  AnswerOk();
  EXPECT_EQ(library.StopSampling(0), 0);
  EXPECT_EQ(library.GetLastError(0), TAMRIX_ERR_NO_CREATE);
}

TEST_F(StatusRules, NullResultPointersAreRefusedBeforeAnyRequest) {
  Open(0);
  const std::size_t sent = device.requests.size();
  std::uint32_t v;
  std::int32_t x;
  EXPECT_EQ(library.Create(nullptr, 0, nullptr), 0);
  EXPECT_EQ(library.GetLastError(0), TAMRIX_ERR_INV_ARG);
  EXPECT_EQ(library.GetVersion(&v, nullptr), 0);
  EXPECT_EQ(library.GetLastError(0), TAMRIX_ERR_INV_ARG);
  EXPECT_EQ(library.GetResource(0, nullptr), 0);
  EXPECT_EQ(library.SetMode(0, nullptr), 0);
  EXPECT_EQ(library.GetSamplingStatus(0, nullptr, &v), 0);
  EXPECT_EQ(library.GetExIn(0, &x, nullptr, &x), 0);
  EXPECT_EQ(library.GetLastError(0), TAMRIX_ERR_INV_ARG);
  EXPECT_EQ(device.requests.size(), sent);
}

}  // namespace
}  // namespace tamrix::testing
