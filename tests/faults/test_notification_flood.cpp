// Tens of thousands of notifications posted from several threads to the main
// window, also while the mode dialog is open: every one is listed, each
// thread's in the order it posted them, and the window answers afterwards.
// With TAMRIX_FLOOD_ON_SCREEN set (the suite runs them so under Xvfb) the
// windows are on screen and the program's own loop lists and draws them.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "scripted_fixture.h"
#include "tamrix_platform/messages.h"
#include "tamrix_protocol.h"

namespace check_program_testing {
namespace {

using namespace tamrix::text;
using namespace tamrix::ui;

constexpr int kThreads = 3;
constexpr int kPostsPerThread = 12000;

// Thread t posts only the notifications 2t and 2t + 1 of the six, in a
// pattern of its own, so that its lines in the list can be told apart and
// compared post by post.
struct Poster {
  std::vector<UINT> messages;
  std::vector<std::string> names;  // the list text of each, in order
};

const char *const kNames[] = {"SingleSamplingEnd", "BuffHalfFull",    "BuffFull",
                              "BuffOverflow",      "SamplingOverrun", "DmaTc"};

Poster MakePoster(int thread) {
  Poster poster;
  std::uint32_t noise = 0x9E3779B9u * static_cast<std::uint32_t>(thread + 1);
  for (int i = 0; i < kPostsPerThread; ++i) {
    noise ^= noise << 13;
    noise ^= noise >> 17;
    noise ^= noise << 5;
    const int k = 2 * thread + static_cast<int>(noise & 1);
    poster.messages.push_back(static_cast<UINT>(TAMRIX_MSG_SINGLE_SAMPLING_END + k));
    poster.names.push_back(kNames[k]);
  }
  return poster;
}

class NotificationFlood : public ScriptedProgram {
 protected:
  bool OnScreen() const override { return std::getenv("TAMRIX_FLOOD_ON_SCREEN") != nullptr; }

  void SetUp() override {
    ScriptedProgram::SetUp();
    for (int t = 0; t < kThreads; ++t) posters_.push_back(MakePoster(t));
    if (OnScreen()) {
      // Shown and drawn before the flood starts.
      form->Show();
      for (int i = 0; i < 20; ++i) {
        App().ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
  }

  // Lists what is posted until the posters are done and nothing is left:
  // on screen through the program's own loop, which draws between bursts.
  void ListWhilePosting(const std::atomic<int> &running) {
    if (!OnScreen()) {
      while (running > 0) App().ProcessMessages();
      return;
    }
    while (running > 0 || App().Queue().Pending() > 0) App().View()->WaitOnce();
  }

  // Posts every poster's messages from its own thread while this thread
  // lists them; returns when all are posted and none is left in the queue.
  void FloodAndList() {
    const HWND window = form->Handle();
    std::atomic<int> running{kThreads};
    std::atomic<int> refused{0};
    std::vector<std::thread> threads;
    const auto start = std::chrono::steady_clock::now();
    for (const Poster &poster : posters_) {
      threads.emplace_back([&, window] {
        for (const UINT message : poster.messages) {
          if (PostMessageA(window, message, 0, 0) == 0) ++refused;
        }
        --running;
      });
    }
    ListWhilePosting(running);
    for (std::thread &thread : threads) thread.join();
    App().ProcessMessages();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(refused, 0) << "posts the platform refused";
    EXPECT_EQ(App().Queue().Pending(), 0u);
    const double ms = std::chrono::duration<double, std::milli>(elapsed).count();
    std::printf("[ flood    ] %d notifications from %d threads posted and listed%s in %.1f ms\n",
                kThreads * kPostsPerThread, kThreads, OnScreen() ? " on screen" : "", ms);
    RecordProperty("notifications", kThreads * kPostsPerThread);
    RecordProperty("listing_ms", static_cast<int>(ms));
  }

  // Every line numbered in turn, and each thread's lines in its order.
  void ExpectEveryPostListedInOrder() {
    const auto &lines = Lines(form->ListBoxVxdMsg);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kPostsPerThread));
    std::vector<std::vector<std::string>> by_thread(kThreads);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string number = Format("%.3d ", static_cast<int>(i + 1));
      ASSERT_TRUE(lines[i].starts_with(number)) << "line " << i << ": " << lines[i];
      const std::string name = lines[i].substr(number.size());
      int thread = -1;
      for (int k = 0; k < 6; ++k) {
        if (name == kNames[k]) thread = k / 2;
      }
      ASSERT_GE(thread, 0) << "line " << i << ": " << lines[i];
      by_thread[thread].push_back(name);
    }
    for (int t = 0; t < kThreads; ++t) {
      EXPECT_TRUE(by_thread[t] == posters_[t].names)
          << "thread " << t << "'s notifications out of order";
    }
    EXPECT_EQ(form->ListBoxVxdMsg.ItemIndex(), kThreads * kPostsPerThread - 1)
        << "the selection follows the newest line";
  }

  void ExpectTheWindowAnswers() {
    script->calls.clear();
    Click(form->ButtonTamrixGetVersion);
    EXPECT_EQ(form->LabelTamrixGetVersion.Caption(), " Version DLL=1000000 DRV=102 ");
    EXPECT_EQ(script->calls,
              (std::vector<std::string>{"TamrixGetVersion", "TamrixGetLastError(0)"}));
    EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg).substr(4), "TAMRIX_SUCCESS");
  }

  std::vector<Poster> posters_;
};

TEST_F(NotificationFlood, EveryPostIsListedInEachThreadsOrder) {
  FloodAndList();
  ExpectEveryPostListedInOrder();
  ExpectTheWindowAnswers();
}

TEST_F(NotificationFlood, PostsWhileTheModeDialogIsOpenAreListedBeforeItCloses) {
  if (OnScreen()) GTEST_SKIP() << "on screen the dialog waits for an operator";
  int listed_while_open = -1;
  App().SetModalHandler([&](Form &dialog) {
    FloodAndList();
    listed_while_open = form->ListBoxVxdMsg.Count();
    EXPECT_TRUE(script->calls.empty()) << "nothing reaches the library while the dialog is open";
    dialog.SetModalResult(mrOk);
  });
  Click(form->ButtonTamrixSetMode);
  EXPECT_EQ(listed_while_open, kThreads * kPostsPerThread);
  ExpectEveryPostListedInOrder();
  EXPECT_EQ(LastLine(form->ListBoxTamrixSetMode), "001 MODE=03 ChF=00 ChL=00 Buffer=256 Timer=500");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg).substr(4), "SetMode Slot=00 Success");
  ExpectTheWindowAnswers();
}

}  // namespace
}  // namespace check_program_testing
