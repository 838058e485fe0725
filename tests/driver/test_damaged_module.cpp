// The driver module file cut short or with bytes flipped in its headers, as
// a process meets it when it opens "\\.\TAMRIX.VXD": the open is refused with
// a platform code, or the driver loads and answers, and the process lives.
// Each case runs in a child process of its own, with a copy of the platform
// layer and its probe beside the damaged module.
#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "driver_requests.h"
#include "tamrix_platform/device.h"

namespace tamrix::vxd {
namespace {

namespace fs = std::filesystem;
using testing::SlotBlock;

enum class Met : std::uint32_t { kRefused, kWorking, kWrongAnswer, kNoPlatform };

struct Outcome {
  Met met = Met::kNoPlatform;
  DWORD code = 0;  // the platform's code when refused
  int signal = 0;  // what killed the process, 0 when it lived
  int exit_code = 0;
};

std::vector<char> ReadFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One short session through the device layer: open, version, a board's
// resources, close.
Met Session(void *platform, DWORD &code) {
  const auto create =
      reinterpret_cast<decltype(&tmx_create_file)>(dlsym(platform, "tmx_create_file"));
  const auto control =
      reinterpret_cast<decltype(&tmx_device_io_control)>(dlsym(platform, "tmx_device_io_control"));
  const auto close =
      reinterpret_cast<decltype(&tmx_close_handle)>(dlsym(platform, "tmx_close_handle"));
  const auto last_error =
      reinterpret_cast<decltype(&tmx_get_last_error)>(dlsym(platform, "tmx_get_last_error"));
  if (!create || !control || !close || !last_error) return Met::kNoPlatform;
  HANDLE device =
      create(TAMRIX_DEVICE_NAME, 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (device == INVALID_HANDLE_VALUE) {
    code = last_error();
    return Met::kRefused;
  }
  RequestBlock version = SlotBlock(0);
  RequestBlock open = SlotBlock(16) /* any free board */;
  RequestBlock resources = SlotBlock(0);
  const bool answered =
      control(device, TAMRIX_IOCTL_VERSION, nullptr, 0, version.bytes.data(), 290, nullptr,
              nullptr) &&
      control(device, TAMRIX_IOCTL_CREATE, nullptr, 0, open.bytes.data(), 290, nullptr, nullptr) &&
      control(device, TAMRIX_IOCTL_RESOURCES, nullptr, 0, resources.bytes.data(), 290, nullptr,
              nullptr);
  close(device);
  const bool right = answered && version.U16(TAMRIX_OFS_STATUS) == 0 &&
                     version.U32(TAMRIX_OFS_DRV_VERSION) == 0x01020010u &&
                     open.U16(TAMRIX_OFS_STATUS) == 0 && open.U16(TAMRIX_OFS_ASSIGNED_SLOT) == 0 &&
                     resources.U16(TAMRIX_OFS_STATUS) == 0;
  return right ? Met::kWorking : Met::kWrongAnswer;
}

// The module cut to `length` bytes, with one bit flipped unless `bit` is -1.
struct Damage {
  std::string name;
  std::size_t length = 0;
  std::size_t byte = 0;
  int bit = -1;
};

// The file offsets of the relocations' addends: the values a relocation
// writes, which are the module's own data rather than its structure.
std::set<std::size_t> AddendBytes(const std::vector<char> &module) {
  std::set<std::size_t> bytes;
  Elf64_Ehdr header;
  std::memcpy(&header, module.data(), sizeof header);
  for (std::size_t i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr section;
    std::memcpy(&section, module.data() + header.e_shoff + i * sizeof section, sizeof section);
    if (section.sh_type != SHT_RELA) continue;
    for (std::size_t entry = 0; entry < section.sh_size / sizeof(Elf64_Rela); ++entry) {
      const std::size_t at = section.sh_offset + entry * sizeof(Elf64_Rela);
      for (std::size_t k = offsetof(Elf64_Rela, r_addend); k < sizeof(Elf64_Rela); ++k) {
        bytes.insert(at + k);
      }
    }
  }
  return bytes;
}

class DamagedModule : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = fs::temp_directory_path() / ("tamrix-damaged-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    for (const char *file : {"libtamrix_platform.so", "tamrix-probe"}) {
      fs::copy_file(fs::path(TAMRIX_MODULE_DIR) / file, folder_ / file,
                    fs::copy_options::overwrite_existing);
    }
    original_ = ReadFile(TAMRIX_DRIVER_MODULE);
  }
  static void TearDownTestSuite() { fs::remove_all(folder_); }

  static void Install(const Damage &damage) {
    std::ofstream out(folder_ / "tamrix.vxd.so", std::ios::binary | std::ios::trunc);
    if (damage.bit < 0) {
      out.write(original_.data(), static_cast<std::streamsize>(damage.length));
      return;
    }
    const char flipped = static_cast<char>(original_[damage.byte] ^ (1 << damage.bit));
    out.write(original_.data(), static_cast<std::streamsize>(damage.byte));
    out.put(flipped);
    out.write(original_.data() + damage.byte + 1,
              static_cast<std::streamsize>(damage.length - damage.byte - 1));
  }

  // Opens the driver in a child process that loads the copied platform layer.
  static Outcome OpenInChild(bool sigchld_ignored = false) {
    int report[2];
    if (pipe(report) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
      close(report[0]);
      // As a daemon does: its children are reaped by the system, unwaited.
      if (sigchld_ignored) signal(SIGCHLD, SIG_IGN);
      std::uint32_t met[2] = {static_cast<std::uint32_t>(Met::kNoPlatform), 0};
      if (void *platform =
              dlopen((folder_ / "libtamrix_platform.so").c_str(), RTLD_NOW | RTLD_LOCAL)) {
        met[0] = static_cast<std::uint32_t>(Session(platform, met[1]));
      }
      (void)!write(report[1], met, sizeof met);
      _exit(0);
    }
    close(report[1]);
    Outcome outcome;
    std::uint32_t met[2] = {static_cast<std::uint32_t>(Met::kNoPlatform), 0};
    const bool reported = read(report[0], met, sizeof met) == sizeof met;
    close(report[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    if (WIFEXITED(status)) outcome.exit_code = WEXITSTATUS(status);
    if (reported) outcome.met = static_cast<Met>(met[0]);
    outcome.code = met[1];
    return outcome;
  }

  // Every case refused with a platform code or working; a tally of both.
  static void ExpectCleanOutcomes(const std::vector<Damage> &damages,
                                  std::map<std::string, int> &tally) {
    for (const Damage &damage : damages) {
      Install(damage);
      const Outcome outcome = OpenInChild();
      ASSERT_EQ(outcome.signal, 0) << damage.name << ": the opening process was killed";
      ASSERT_EQ(outcome.exit_code, 0) << damage.name << ": the opening process exited";
      ASSERT_TRUE(outcome.met == Met::kRefused || outcome.met == Met::kWorking)
          << damage.name << ": "
          << (outcome.met == Met::kWrongAnswer ? "loaded, wrong answers" : "no platform layer");
      ++tally[outcome.met == Met::kWorking ? "working" : "refused " + std::to_string(outcome.code)];
    }
  }

  static void Report(const std::map<std::string, int> &tally) {
    std::string line;
    for (const auto &[what, count] : tally) line += " " + what + ": " + std::to_string(count) + ";";
    std::printf("[ outcome  ]%s\n", line.c_str());
  }

  // The copy's probe processes that still run (a zombie is done).
  static std::vector<pid_t> LiveProbes() {
    const std::string probe = (fs::canonical(folder_) / "tamrix-probe").string();
    std::vector<pid_t> live;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator("/proc", error)) {
      const std::string name = entry.path().filename().string();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      std::string argv0, stat;
      std::getline(std::ifstream(entry.path() / "cmdline"), argv0, '\0');
      std::getline(std::ifstream(entry.path() / "stat"), stat);
      const auto state = stat.rfind(") ");
      if (argv0 == probe && state != std::string::npos && stat[state + 2] != 'Z') {
        live.push_back(std::stoi(name));
      }
    }
    return live;
  }

  // Waits up to 10 s for the copy's live probes to be `wanted` or none.
  static bool ProbesSettle(bool wanted) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (LiveProbes().empty() == wanted) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  static Damage Flip(std::size_t byte, int bit) {
    return {"bit " + std::to_string(bit) + " of byte " + std::to_string(byte), original_.size(),
            byte, bit};
  }

  static inline fs::path folder_;
  static inline std::vector<char> original_;
};

TEST_F(DamagedModule, TheWholeModuleLoadsAndWorks) {
  std::map<std::string, int> tally;
  ExpectCleanOutcomes({{"whole", original_.size()}}, tally);
  EXPECT_EQ(tally["working"], 1);
  // Where SIGCHLD is ignored the probe's exit status is gone before anyone
  // can wait for it; the verdict must not depend on it.
  const Outcome unwaited = OpenInChild(/*sigchld_ignored=*/true);
  EXPECT_EQ(unwaited.met, Met::kWorking) << "refused with " << unwaited.code;
}

TEST_F(DamagedModule, AModuleThatNeverStartsIsRefusedAndLeavesNoProbe) {
  fs::copy_file(TAMRIX_NEVER_LOADING_MODULE, folder_ / "tamrix.vxd.so",
                fs::copy_options::overwrite_existing);
  const Outcome outcome = OpenInChild();
  EXPECT_EQ(outcome.signal, 0);
  EXPECT_EQ(outcome.met, Met::kRefused);
  EXPECT_EQ(outcome.code, ERROR_TIMEOUT);
  EXPECT_TRUE(LiveProbes().empty()) << "the probe outlived its deadline";

  // The opening process killed while its probe waits: the probe goes too.
  // Orphans come to this process, which reaps them, whatever the system's init does.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  const pid_t opener = fork();
  if (opener == 0) {
    if (void *platform =
            dlopen((folder_ / "libtamrix_platform.so").c_str(), RTLD_NOW | RTLD_LOCAL)) {
      DWORD code = 0;
      Session(platform, code);
    }
    _exit(0);
  }
  const bool started = ProbesSettle(true);
  kill(opener, SIGKILL);
  waitpid(opener, nullptr, 0);
  EXPECT_TRUE(started) << "no probe ran";
  EXPECT_TRUE(ProbesSettle(false)) << "the probe outlived the process that started it";
  for (const pid_t left : LiveProbes()) kill(left, SIGKILL);
  while (waitpid(-1, nullptr, 0) > 0) {
  }
  prctl(PR_SET_CHILD_SUBREAPER, 0);
  Install({"whole", original_.size()});
}

TEST_F(DamagedModule, WithoutItsProbeNoModuleIsLoaded) {
  fs::rename(folder_ / "tamrix-probe", folder_ / "probe-away");
  std::map<std::string, int> tally;
  ExpectCleanOutcomes({{"whole, no probe", original_.size()}}, tally);
  fs::rename(folder_ / "probe-away", folder_ / "tamrix-probe");
  EXPECT_EQ(tally["refused " + std::to_string(ERROR_FILE_NOT_FOUND)], 1);
}

TEST_F(DamagedModule, CutShortAtAnyLengthIsRefusedAsABadImage) {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 80; n += 4) lengths.push_back(n);
  for (std::size_t n : {600u, 1000u, 4095u, 4096u, 4097u, 8192u, 16384u, 36000u, 65536u})
    lengths.push_back(n);
  for (std::size_t n = 100'000; n < original_.size(); n += 97'001) lengths.push_back(n);
  lengths.push_back(original_.size() - 1);
  std::vector<Damage> damages;
  for (std::size_t n : lengths) {
    if (n < original_.size()) damages.push_back({"cut to " + std::to_string(n) + " bytes", n});
  }
  std::map<std::string, int> tally;
  ExpectCleanOutcomes(damages, tally);
  Report(tally);
  EXPECT_EQ(tally["refused " + std::to_string(ERROR_BAD_EXE_FORMAT)],
            static_cast<int>(damages.size()));
}

TEST_F(DamagedModule, FlippedHeaderBitsNeverKillTheCaller) {
  // Single bits in the first 4 KiB: ELF header, program headers, the
  // loader's symbol, string, version, hash and relocation tables. Only the
  // addends are left out: a flipped addend that still points into the
  // module is a change to its data, which no check of its structure sees.
  const std::set<std::size_t> addends = AddendBytes(original_);
  std::mt19937 random(13);
  std::vector<Damage> damages;
  while (damages.size() < 160) {
    const std::size_t byte = random() % 4096;
    const int bit = static_cast<int>(random() % 8);
    if (addends.count(byte) == 0) damages.push_back(Flip(byte, bit));
  }
  std::map<std::string, int> tally;
  ExpectCleanOutcomes(damages, tally);
  Report(tally);
  EXPECT_GT(tally["working"], 0) << "many single flips hit bytes the loader never needs";
}

TEST_F(DamagedModule, AnAddendPointingOutsideTheModuleIsRefused) {
  // The first relocation of the driver sets a pointer to the module's base
  // plus its addend; bit 30 moves that far past the module's end.
  const std::size_t first_addend = *AddendBytes(original_).begin();
  std::map<std::string, int> tally;
  ExpectCleanOutcomes({Flip(first_addend + 3, 6)}, tally);
  EXPECT_EQ(tally["refused " + std::to_string(ERROR_BAD_EXE_FORMAT)], 1);
}

// The same copy of the platform layer loaded and unloaded again and again,
// as a program loads and releases the library: each time the driver opened,
// asked and closed, and a window left open.
class PlatformUnload : public DamagedModule {
 protected:
  static int OpenDescriptors() {
    return static_cast<int>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
  }
};

TEST_F(PlatformUnload, GivesBackItsDescriptorsAndMemory) {
  Install({"whole", original_.size()});
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    constexpr int kCycles = 100;
    int counts[3] = {0, -1, -1};  // cycles that worked, descriptors after the first and last
    for (int cycle = 0; cycle < kCycles; ++cycle) {
      void *platform = dlopen((folder_ / "libtamrix_platform.so").c_str(), RTLD_NOW | RTLD_LOCAL);
      if (platform == nullptr) break;
      const auto create_window =
          reinterpret_cast<std::uint32_t (*)()>(dlsym(platform, "tmx_window_create"));
      DWORD code = 0;
      if (Session(platform, code) == Met::kWorking && create_window && create_window() != 0) {
        ++counts[0];
      }
      dlclose(platform);
      counts[cycle == 0 ? 1 : 2] = OpenDescriptors();
    }
    (void)!write(report[1], counts, sizeof counts);
    // exit rather than _exit: the leak check of a sanitizer build runs at exit.
    std::exit(0);
  }
  close(report[1]);
  int counts[3] = {0, -1, -1};
  const bool reported = read(report[0], counts, sizeof counts) == sizeof counts;
  close(report[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(reported);
  EXPECT_EQ(counts[0], 100) << "cycles in which the driver answered and a window was made";
  EXPECT_EQ(counts[2], counts[1]) << "descriptors open after the first and the last unload";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

}  // namespace
}  // namespace tamrix::vxd
