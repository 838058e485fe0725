// The help engine: which commands start the viewer, and how it is started.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform_copy.h"
#include "tamrix_platform/help.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr HWND kWindow = 0x1234;

std::string ReadFile(const fs::path &path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

bool WaitFor(const fs::path &path, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!fs::exists(path)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

fs::path Suffixed(const fs::path &path, const char *suffix) { return path.string() + suffix; }

// The stand-in viewer of the system folder records its arguments beside the
// help file once the test lets it (".go"), and marks its start (".started").
class HelpEngineTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tmx-help-" + std::to_string(getpid()));
    // Blanks and non-ASCII letters, to see the path arrive in one piece.
    help_file_ = folder_ / "ヘルプ folder" / "Tamrix.hlp";
    fs::create_directories(help_file_.parent_path());
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path folder_;
  fs::path help_file_;
};

TEST_F(HelpEngineTest, ContentsStartsTheViewerOnTheFileWithoutWaitingForIt) {
  tmx::test::PlatformCopy copy(TMX_TEST_SYSTEM_DIR);
  ASSERT_TRUE(copy.loaded()) << dlerror();

  EXPECT_EQ(copy.WinHelpA(kWindow, help_file_.c_str(), HELP_CONTENTS, 0), 1);
  // Still held back by the test: had the engine waited, it would be done.
  EXPECT_FALSE(fs::exists(Suffixed(help_file_, ".args")));

  std::ofstream(Suffixed(help_file_, ".go")).put('\n');
  ASSERT_TRUE(WaitFor(Suffixed(help_file_, ".args"), 15s));
  EXPECT_EQ(ReadFile(Suffixed(help_file_, ".args")), help_file_.string() + "\n");

  // The faces the program chose go before the file, each in one piece; a
  // face left out is not passed.
  copy.HelpFaces("IPA P Gothic", nullptr);
  const fs::path second = help_file_.parent_path() / "Second.hlp";
  std::ofstream(Suffixed(second, ".go")).put('\n');
  EXPECT_EQ(copy.WinHelpA(kWindow, second.c_str(), HELP_CONTENTS, 0), 1);
  ASSERT_TRUE(WaitFor(Suffixed(second, ".args"), 15s));
  EXPECT_EQ(ReadFile(Suffixed(second, ".args")),
            "--text-face\nIPA P Gothic\n" + second.string() + "\n");

  // Started detached: no child of ours is left, not even as a zombie.
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(HelpEngineTest, OtherCommandsStartNothing) {
  tmx::test::PlatformCopy copy(TMX_TEST_SYSTEM_DIR);
  ASSERT_TRUE(copy.loaded()) << dlerror();
  for (UINT command : {0u, 1u, HELP_QUIT, 3u, 10u, 12u, 257u}) {
    EXPECT_EQ(copy.WinHelpA(kWindow, help_file_.c_str(), command, 0), 0) << command;
  }
  EXPECT_EQ(copy.WinHelpA(kWindow, nullptr, HELP_CONTENTS, 0), 0);
  std::this_thread::sleep_for(300ms);
  EXPECT_FALSE(fs::exists(Suffixed(help_file_, ".started")));

  SetLastError(0);
  EXPECT_EQ(WinHelpA(kWindow, help_file_.c_str(), HELP_QUIT, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(HelpEngineTest, FailsWhenThereIsNoViewerBesideThePlatformLibrary) {
  tmx::test::PlatformCopy copy(TMX_TEST_NO_VIEWER_DIR);
  ASSERT_TRUE(copy.loaded()) << dlerror();
  EXPECT_EQ(copy.WinHelpA(kWindow, help_file_.c_str(), HELP_CONTENTS, 0), 0);
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
