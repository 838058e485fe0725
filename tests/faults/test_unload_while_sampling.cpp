// The real library and the simulated driver, left while boards sample: the
// library released with two slots open and sampling, and the check program
// ended with sampling running. Neither may crash or leave a driver thread
// behind, and nothing is posted once the library is gone.
#include <chrono>
#include <thread>

#include "check_program_fixture.h"
#include "thread_count.h"

namespace check_program_testing {
namespace {

using namespace tamrix::ui;
using namespace std::chrono_literals;
using fault_testing::ThreadBaseline;
using fault_testing::ThreadsOfThisProcess;
using fault_testing::ThreadsSettledTo;

struct Exports {
  decltype(&::TamrixCreate) Create;
  decltype(&::TamrixSetMode) SetMode;
  decltype(&::TamrixStartSampling) StartSampling;
  decltype(&::TamrixGetSamplingStatus) GetSamplingStatus;
  decltype(&::TamrixClose) Close;
};

template <typename F>
F Export(HMODULE module, const char *name) {
  return reinterpret_cast<F>(GetProcAddress(module, name));
}

Exports Resolve(HMODULE module) {
  return {Export<decltype(&::TamrixCreate)>(module, "TamrixCreate"),
          Export<decltype(&::TamrixSetMode)>(module, "TamrixSetMode"),
          Export<decltype(&::TamrixStartSampling)>(module, "TamrixStartSampling"),
          Export<decltype(&::TamrixGetSamplingStatus)>(module, "TamrixGetSamplingStatus"),
          Export<decltype(&::TamrixClose)>(module, "TamrixClose")};
}

// Waits until the slot holds sample words: its sampling thread runs.
bool Samples(const Exports &tamrix, std::uint16_t slot) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < deadline) {
    std::uint32_t waiting = 0;
    std::uint32_t bits = 0;
    if (tamrix.GetSamplingStatus(slot, &waiting, &bits) == 1 && waiting > 0) return true;
    std::this_thread::sleep_for(5ms);
  }
  return false;
}

TEST(LibraryReleasedWhileSampling, NoCrashNoThreadLeftNothingPostedAfterwards) {
  const int baseline = ThreadBaseline();
  tmx::platform::MessageQueue queue;
  const HWND window = queue.CreateWindowHandle();

  const HMODULE module = LoadLibraryA("tamrix.dll");
  ASSERT_NE(module, 0u) << "error " << GetLastError();
  const Exports tamrix = Resolve(module);
  ASSERT_NE(tamrix.GetSamplingStatus, nullptr);
  std::vector<std::uint16_t> slots;
  for (int board = 0; board < 2; ++board) {
    std::uint16_t slot = 0xFFFF;
    ASSERT_EQ(tamrix.Create(&slot, window, nullptr), 1);
    // Eight channels at 2 units a word: the buffer fills and overflows, so
    // the driver posts while it is unloaded.
    ModeRecord mode{0, 7, 4096, 2, 3};
    ASSERT_EQ(tamrix.SetMode(slot, &mode), 1);
    ASSERT_EQ(tamrix.StartSampling(slot), 1);
    slots.push_back(slot);
  }
  for (std::uint16_t slot : slots) ASSERT_TRUE(Samples(tamrix, slot)) << "slot " << slot;
  EXPECT_GE(ThreadsOfThisProcess(), baseline + 2) << "one sampling thread per slot";

  ASSERT_EQ(FreeLibrary(module), 1);
  EXPECT_EQ(ThreadsSettledTo(baseline), baseline) << "a driver thread outlived the library";
  tmx::platform::PostedMessage message;
  while (queue.Peek(message)) {
  }
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(queue.Pending(), 0u) << "posted after the library was released";

  // The driver went with the library: loaded again, both boards are free.
  const HMODULE again = LoadLibraryA("tamrix.dll");
  ASSERT_NE(again, 0u);
  const Exports fresh = Resolve(again);
  for (std::uint16_t slot : slots) {
    std::uint16_t wanted = slot;
    EXPECT_EQ(fresh.Create(&wanted, window, nullptr), 1) << "slot " << slot << " still taken";
    EXPECT_EQ(fresh.Close(slot), 1);
  }
  ASSERT_EQ(FreeLibrary(again), 1);
  EXPECT_EQ(ThreadsSettledTo(baseline), baseline);
}

class ProgramEndedWhileSampling : public CheckProgram {
 protected:
  void SetUp() override {
    baseline_ = ThreadBaseline();
    CheckProgram::SetUp();
  }
  int baseline_ = 0;
};

TEST_F(ProgramEndedWhileSampling, NoCrashAndNoThreadLeft) {
  ASSERT_EQ(LastLine(form->ListBoxEtcMsg), "001 DLL ﾛｰﾄﾞ Success");
  SelectItem(form->ComboBoxTamrixCreate, "Auto");
  for (const char *expected : {" Slot=00 ", " Slot=01 "}) {
    form->ButtonTamrixCreate.Click();
    ASSERT_EQ(form->LabelTamrixCreate.Caption(), expected);
    AnswerModeDialog([this](TModeSetForm &dialog) {
      SelectItem(dialog.ComboBoxStopChSel, "07");
      dialog.EditTimer.SetText("2");
    });
    form->ButtonTamrixSetMode.Click();
    ASSERT_EQ(form->LabelTamrixSetMode.Caption(), " OK ");
    form->ButtonTamrixStartSampling.Click();
    ASSERT_EQ(form->LabelTamrixStartSampling.Caption(), " OK ");
  }
  // Both sample and post: wait for a buffer notification.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (form->ListBoxVxdMsg.Count() == 0 && std::chrono::steady_clock::now() < deadline) {
    App().ProcessMessages();
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_GT(form->ListBoxVxdMsg.Count(), 0) << "no notification arrived";
  EXPECT_GE(ThreadsOfThisProcess(), baseline_ + 2);

  // The exit closes only the Close box's slot (00); slot 1 still samples
  // when the library goes.
  const FinalLists lists = ExitProgram();
  EXPECT_EQ(lists.etc.back().substr(4), "Close Slot=00 Success");
  EXPECT_TRUE(App().MessageBoxes().empty()) << "the release did not fail";
  EXPECT_EQ(ThreadsSettledTo(baseline_), baseline_) << "a driver thread outlived the program";
}

}  // namespace
}  // namespace check_program_testing
