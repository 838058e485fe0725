// What only the request interface and the module file show: requests the
// driver refuses to carry out, the trigger wait, concurrent callers, unload.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../faults/thread_count.h"
#include "driver_requests.h"
#include "replay_capture.h"
#include "request_dispatch.h"
#include "scenario.h"
#include "tamrix_platform/driver_module.h"
#include "tamrix_protocol.h"

namespace tamrix::vxd {
namespace {

using namespace std::chrono_literals;
using testing::SetModeBlock;
using testing::SlotBlock;

// Sends a block and returns its status word; the request must be carried out.
std::uint16_t Send(Driver &driver, DWORD code, RequestBlock &&block, void *in = nullptr,
                   DWORD in_size = 0) {
  EXPECT_EQ(driver.Control(code, in, in_size, block.bytes.data(), TAMRIX_BLOCK_SIZE, nullptr), 0u);
  return block.U16(TAMRIX_OFS_STATUS);
}

std::uint32_t Waiting(Driver &driver, std::uint16_t slot) {
  RequestBlock block = SlotBlock(slot);
  driver.Control(TAMRIX_IOCTL_SAMPLING_STATUS, nullptr, 0, block.bytes.data(), 290, nullptr);
  return block.U32(TAMRIX_OFS_NUM_DATA);
}

std::uint32_t WaitForWords(Driver &driver, std::uint16_t slot, std::uint32_t count) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (Waiting(driver, slot) < count && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  return Waiting(driver, slot);
}

void StartRun(Driver &driver, const testing::ModeRequest &mode) {
  ASSERT_EQ(Send(driver, TAMRIX_IOCTL_CREATE, SlotBlock(mode.slot)), TAMRIX_DRV_OK);
  ASSERT_EQ(Send(driver, TAMRIX_IOCTL_SET_MODE, SetModeBlock(mode)), TAMRIX_DRV_OK);
  ASSERT_EQ(Send(driver, TAMRIX_IOCTL_START, SlotBlock(mode.slot)), TAMRIX_DRV_OK);
}

TEST(DriverRequests, WhatCannotBeAnsweredSafelyIsNotCarriedOut) {
  Driver driver([](HWND, UINT, WPARAM, LPARAM) {});
  StartRun(driver, {.buff_size = 4096, .timer = 10, .mode = 3});
  ASSERT_GE(WaitForWords(driver, 0, 100), 100u);
  ASSERT_EQ(Send(driver, TAMRIX_IOCTL_STOP, SlotBlock(0)), TAMRIX_DRV_OK);
  const std::uint32_t waiting = Waiting(driver, 0);

  RequestBlock fetch = SlotBlock(0);
  fetch.PutU32(TAMRIX_OFS_DATA_COUNT, 50);
  std::vector<std::uint16_t> words(50, 0xBEEF);
  EXPECT_EQ(
      driver.Control(TAMRIX_IOCTL_GET_DATA, words.data(), 99, fetch.bytes.data(), 290, nullptr),
      ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(driver.Control(TAMRIX_IOCTL_GET_DATA, nullptr, 100, fetch.bytes.data(), 290, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(
      driver.Control(TAMRIX_IOCTL_GET_DATA, words.data(), 100, fetch.bytes.data(), 289, nullptr),
      ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(driver.Control(TAMRIX_IOCTL_UNUSED, nullptr, 0, fetch.bytes.data(), 290, nullptr),
            ERROR_INVALID_FUNCTION);
  EXPECT_TRUE(std::all_of(words.begin(), words.end(), [](std::uint16_t w) { return w == 0xBEEF; }));
  EXPECT_EQ(Waiting(driver, 0), waiting);
  EXPECT_EQ(Send(driver, TAMRIX_IOCTL_GET_DATA, std::move(fetch), words.data(), 100),
            TAMRIX_DRV_OK);
  EXPECT_EQ(Waiting(driver, 0), waiting - 50);
}

TEST(DriverRequests, TriggeredModeWaitsForExTrg) {
  // Slot 1's pulse train runs 130 ms ahead: powered on 70 ms ago, it is 200 ms
  // into its 500 ms cycle, so ExTrg stays off for the next 300 ms.
  const auto start = std::chrono::steady_clock::now();
  Driver driver([](HWND, UINT, WPARAM, LPARAM) {}, start - 70ms);
  StartRun(driver, {.slot = 1, .buff_size = 4096, .timer = 100, .mode = 8});
  EXPECT_GT(WaitForWords(driver, 1, 1), 0u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
}

// A scenario's input schedule starts the triggered run; its notification
// faults drop the first notification and hold back the rest.
TEST(DriverRequests, AScenarioSchedulesExTrgAndDropsAndDelaysNotifications) {
  const auto scenario = std::make_shared<const Scenario>(
      ParseScenario("[[input]]\nslot = 0\nat = 0.3\nline = \"extrg\"\non = true\n"
                    "[[fault]]\nslot = 0\nafter = 0\nkind = \"notifications\"\ndrop = 1\n"
                    "counting = \"Create\"\n"
                    "[[fault]]\nslot = 0\nafter = 1\ncounting = \"StartSampling\"\n"
                    "kind = \"notifications\"\ndelay_ms = 200\n",
                    "notices.toml"));
  using Clock = std::chrono::steady_clock;
  std::mutex mutex;
  std::vector<std::pair<UINT, Clock::time_point>> posted;
  const Clock::time_point start = Clock::now();
  Driver driver(
      [&](HWND, UINT message, WPARAM, LPARAM) {
        std::lock_guard lock(mutex);
        posted.emplace_back(message, Clock::now());
      },
      start, scenario);
  RequestBlock create = SlotBlock(0);
  create.PutU32(TAMRIX_OFS_WINDOW, 1);
  ASSERT_EQ(Send(driver, TAMRIX_IOCTL_CREATE, std::move(create)), TAMRIX_DRV_OK);
  ASSERT_EQ(
      Send(driver, TAMRIX_IOCTL_SET_MODE, SetModeBlock({.buff_size = 64, .timer = 10, .mode = 8})),
      TAMRIX_DRV_OK);
  ASSERT_EQ(Send(driver, TAMRIX_IOCTL_START, SlotBlock(0)), TAMRIX_DRV_OK);
  EXPECT_EQ(WaitForWords(driver, 0, 64), 64u);
  EXPECT_GE(Clock::now() - start, 300ms);
  std::this_thread::sleep_for(400ms);
  ASSERT_EQ(Send(driver, TAMRIX_IOCTL_STOP, SlotBlock(0)), TAMRIX_DRV_OK);
  std::lock_guard lock(mutex);
  ASSERT_EQ(posted.size(), 2u);  // BuffHalfFull dropped
  EXPECT_EQ(posted[0].first, static_cast<UINT>(TAMRIX_MSG_BUFF_FULL));
  EXPECT_EQ(posted[1].first, static_cast<UINT>(TAMRIX_MSG_BUFF_OVERFLOW));
  EXPECT_GE(posted[0].second - start, 500ms);  // the trigger, then the delay
}

TEST(DriverRequests, ConcurrentCallersSeeAnUnbrokenStream) {
  Driver driver([](HWND, UINT, WPARAM, LPARAM) {});
  // Channel 3 is a sawtooth rising by 32 per conversion.
  StartRun(driver, {.first = 3, .last = 3, .buff_size = 65536, .timer = 10, .mode = 3});
  std::atomic<bool> done{false};
  std::thread status_reader([&] {
    while (!done) {
      Send(driver, TAMRIX_IOCTL_EXTERNAL_INPUTS, SlotBlock(0));
      Waiting(driver, 0);
    }
  });
  std::vector<std::uint16_t> stream;
  std::thread fetcher([&] {
    std::vector<std::uint16_t> chunk;
    while (!done) {
      chunk.resize(std::min<std::uint32_t>(Waiting(driver, 0), 777));
      if (chunk.empty()) continue;
      RequestBlock block = SlotBlock(0);
      block.PutU32(TAMRIX_OFS_DATA_COUNT, static_cast<std::uint32_t>(chunk.size()));
      if (Send(driver, TAMRIX_IOCTL_GET_DATA, std::move(block), chunk.data(),
               static_cast<DWORD>(2 * chunk.size())) == TAMRIX_DRV_OK) {
        stream.insert(stream.end(), chunk.begin(), chunk.end());
      }
    }
  });
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(Send(driver, TAMRIX_IOCTL_STOP, SlotBlock(0)), TAMRIX_DRV_OK);
  done = true;
  status_reader.join();
  fetcher.join();
  ASSERT_GT(stream.size(), 1000u);
  for (std::size_t i = 1; i < stream.size(); ++i) {
    ASSERT_EQ(((stream[i] & 0xFFF) - (stream[i - 1] & 0xFFF)) & 0xFFF, 32u) << i;
  }
}

std::string MappedFiles() {
  std::ifstream maps("/proc/self/maps");
  return {std::istreambuf_iterator<char>(maps), std::istreambuf_iterator<char>()};
}

std::atomic<int> posted_count{0};
BOOL CountingPost(HWND, UINT, WPARAM, LPARAM) { return ++posted_count, 1; }

TEST(DriverModule, UnloadWhileSamplingLeavesNoThreadBehind) {
  void *module = dlopen(TAMRIX_DRIVER_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  const auto entry = reinterpret_cast<tmx_driver_entry_fn>(dlsym(module, TMX_DRIVER_ENTRY_NAME));
  ASSERT_NE(entry, nullptr);
  const tmx_driver *table = entry();
  const tmx_host_services newer{TMX_DRIVER_ABI_VERSION + 1, &CountingPost};
  EXPECT_EQ(table->load(&newer), nullptr);

  const int before = fault_testing::ThreadBaseline();
  const tmx_host_services host{TMX_DRIVER_ABI_VERSION, &CountingPost};
  void *context = table->load(&host);
  ASSERT_NE(context, nullptr);
  for (std::uint16_t slot : {0, 5}) {
    for (auto [code, block] :
         {std::pair{TAMRIX_IOCTL_CREATE, SlotBlock(slot)},
          {TAMRIX_IOCTL_SET_MODE,
           SetModeBlock({.slot = slot, .buff_size = 64, .timer = 2, .mode = 3})},
          {TAMRIX_IOCTL_START, SlotBlock(slot)}}) {
      if (code == TAMRIX_IOCTL_CREATE) block.PutU32(TAMRIX_OFS_WINDOW, 3);
      ASSERT_EQ(table->control(context, code, nullptr, 0, block.bytes.data(), 290, nullptr), 0u);
      ASSERT_EQ(block.U16(TAMRIX_OFS_STATUS), TAMRIX_DRV_OK);
    }
  }
  EXPECT_EQ(fault_testing::ThreadsOfThisProcess(), before + 2);
  // HDF5 waits for the first replay of a capture.
  EXPECT_EQ(MappedFiles().find("libhdf5"), std::string::npos) << MappedFiles();
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (posted_count == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_GT(posted_count, 0) << "notifications go out through the host";
  table->unload(context);
  EXPECT_EQ(fault_testing::ThreadsSettledTo(before), before);
  dlclose(module);
}

// The capture reader module is refused, in words for the scenario's error,
// when missing or cut short; the one built beside the driver reads.
TEST(CaptureReader, AMissingOrDamagedModuleIsNamedAndTheBuiltOneReads) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("tamrix-reader-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const std::string module = (folder / TMX_CAPTURE_READER_FILE).string();
  std::string why;
  EXPECT_EQ(LoadCaptureReader(folder.string(), why), nullptr);
  EXPECT_EQ(why, "cannot be read without " + module + ", which is missing");
  {
    std::ifstream built(fs::path(TAMRIX_MODULE_DIR) / TMX_CAPTURE_READER_FILE, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(built), {}};
    ASSERT_GT(bytes.size(), 4096u);
    std::ofstream(module, std::ios::binary).write(bytes.data(), 4096);
  }
  EXPECT_EQ(LoadCaptureReader(folder.string(), why), nullptr);
  EXPECT_EQ(why, "cannot be read with " + module + ", which is damaged");
  fs::remove_all(folder);

  const tmx_capture_reader *reader = LoadCaptureReader(TAMRIX_MODULE_DIR, why);
  ASSERT_NE(reader, nullptr) << why;
  const auto keep_why = [](void *sink, const char *text) {
    *static_cast<std::string *>(sink) = text;
  };
  EXPECT_EQ(reader->read_channel(TAMRIX_DRIVER_MODULE, 0, &why, nullptr, keep_why), 0);
  EXPECT_EQ(why, "cannot be opened as an HDF5 file");
}

}  // namespace
}  // namespace tamrix::vxd
