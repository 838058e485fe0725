#pragma once

#include <gtest/gtest.h>

#include "library.h"
#include "scripted_device.h"

namespace tamrix::testing {

// A freshly loaded library whose driver answers every request with status 0
// and assigns the slot that was asked for (slot 16: slot 3).
class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AnswerOk();
    ASSERT_TRUE(library.Attach());
  }

  void AnswerOk() {
    device.answer = [](std::uint32_t code, RequestBlock &block) {
      block.PutU16(TAMRIX_OFS_STATUS, 0);
      if (code == TAMRIX_IOCTL_CREATE) {
        const std::uint16_t asked = block.U16(TAMRIX_OFS_SLOT);
        block.PutU16(TAMRIX_OFS_ASSIGNED_SLOT, asked == 16 ? 3 : asked);
      }
      return 0;
    };
  }

  void Open(std::uint16_t slot) {
    std::uint16_t variable = slot;
    ASSERT_EQ(library.Create(&variable, 0x10001, nullptr), 1);
  }

  void OpenWithMode(std::uint16_t slot, std::uint32_t buffer_size = 4096, std::int32_t mode = 3) {
    Open(slot);
    ModeRecord record{0, 3, buffer_size, 500, mode};
    ASSERT_EQ(library.SetMode(slot, &record), 1);
  }

  ScriptedDevice device;
  Library library{device};
};

}  // namespace tamrix::testing
