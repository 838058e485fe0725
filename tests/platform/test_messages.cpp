// The posting primitive and its receiving end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "tamrix_platform/messages.h"
#include "tamrix_window.h"

namespace {

using tmx::platform::MessageQueue;
using tmx::platform::PostedMessage;

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) == 1;
}

TEST(MessagePosting, MessagesArriveInOrderWithTheirParameters) {
  MessageQueue queue;
  const HWND a = queue.CreateWindowHandle();
  const HWND b = queue.CreateWindowHandle();
  ASSERT_NE(a, 0u);
  ASSERT_NE(a, b);
  EXPECT_FALSE(Readable(queue.WakeDescriptor()));
  EXPECT_TRUE(PostMessageA(a, 0x6401, 1, -1));
  EXPECT_TRUE(PostMessageA(b, 0x6402, 2, -2));
  EXPECT_TRUE(PostMessageA(a, 0x6403, 3, -3));
  EXPECT_TRUE(Readable(queue.WakeDescriptor()));
  EXPECT_EQ(queue.Pending(), 3u);
  PostedMessage m{};
  for (UINT expected = 0x6401; expected <= 0x6403; ++expected) {
    ASSERT_TRUE(queue.Peek(m));
    EXPECT_EQ(m.message, expected);
    EXPECT_EQ(m.wparam, expected - 0x6400);
    EXPECT_EQ(m.lparam, -static_cast<LPARAM>(expected - 0x6400));
    EXPECT_EQ(m.window, expected == 0x6402 ? b : a);
  }
  EXPECT_FALSE(queue.Peek(m));
  EXPECT_FALSE(Readable(queue.WakeDescriptor())) << "drained queue is quiet";
}

TEST(MessagePosting, UnknownAndDestroyedWindowsRefusePosts) {
  MessageQueue queue;
  const HWND window = queue.CreateWindowHandle();
  const HWND other = queue.CreateWindowHandle();
  PostMessageA(window, 1, 0, 0);
  PostMessageA(other, 2, 0, 0);
  queue.DestroyWindowHandle(window);
  EXPECT_FALSE(PostMessageA(window, 3, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(PostMessageA(0, 3, 0, 0));
  PostedMessage m{};
  ASSERT_TRUE(queue.Peek(m));
  EXPECT_EQ(m.message, 2u) << "the destroyed window's message was dropped";
  EXPECT_FALSE(queue.Peek(m));
  EXPECT_NE(queue.CreateWindowHandle(), window) << "handles are not reused";
}

TEST(MessagePosting, HandlesOfAQueueThatIsGoneRefusePosts) {
  HWND window;
  {
    MessageQueue queue;
    window = queue.CreateWindowHandle();
  }
  EXPECT_FALSE(PostMessageA(window, 1, 0, 0));
}

TEST(MessagePosting, ManyThreadsLoseNothingAndKeepEachThreadsOrder) {
  MessageQueue queue;
  const HWND window = queue.CreateWindowHandle();
  constexpr int kThreads = 4;
  constexpr int kEach = 20000;
  std::vector<std::thread> senders;
  for (int t = 0; t < kThreads; ++t) {
    senders.emplace_back([=] {
      for (int i = 0; i < kEach; ++i) {
        ASSERT_TRUE(PostMessageA(window, 0x6400 + t, static_cast<WPARAM>(i), t));
      }
    });
  }
  std::vector<WPARAM> next(kThreads, 0);
  int received = 0;
  PostedMessage m{};
  while (received < kThreads * kEach && queue.Wait(m, std::chrono::seconds(10))) {
    ASSERT_EQ(m.wparam, next[m.lparam]) << "thread " << m.lparam;
    ++next[m.lparam];
    ++received;
  }
  for (auto &sender : senders) sender.join();
  EXPECT_EQ(received, kThreads * kEach);
  EXPECT_EQ(queue.Pending(), 0u);
}

TEST(MessagePosting, WaitTimesOutOnAnEmptyQueue) {
  MessageQueue queue;
  PostedMessage m{};
  EXPECT_FALSE(queue.Wait(m, std::chrono::milliseconds(5)));
}

// The C programs' windows: the same queue behind a handle and a descriptor.
TEST(NotificationWindow, TakesPostsInOrderAndDiesCleanly) {
  const std::uint32_t window = tmx_window_create();
  ASSERT_NE(window, 0u);
  const int fd = tmx_window_fd(window);
  ASSERT_GE(fd, 0);
  EXPECT_FALSE(Readable(fd));
  std::uint32_t message = 0, wparam = 0;
  std::int32_t lparam = 0;
  EXPECT_EQ(tmx_window_wait(window, 0, &message, &wparam, &lparam), 0);
  constexpr int kEach = 5000;
  std::vector<std::thread> senders;
  for (int t = 0; t < 2; ++t) {
    senders.emplace_back([=] {
      for (int i = 0; i < kEach; ++i) ASSERT_TRUE(PostMessageA(window, 0x6402, i, t));
    });
  }
  std::vector<std::uint32_t> next(2, 0);
  for (int received = 0; received < 2 * kEach; ++received) {
    ASSERT_EQ(tmx_window_wait(window, received % 2 ? -1 : 10000, &message, &wparam, &lparam), 1);
    ASSERT_EQ(message, 0x6402u);
    ASSERT_EQ(wparam, next[lparam]++) << "thread " << lparam;
  }
  for (auto &sender : senders) sender.join();
  EXPECT_FALSE(Readable(fd));
  ASSERT_TRUE(PostMessageA(window, 0x6401, 0, 0));
  EXPECT_TRUE(Readable(fd));
  ASSERT_EQ(tmx_window_wait(window, 0, &message, nullptr, nullptr), 1);

  // Threads that wait for it when it is destroyed wake with -1.
  std::vector<int> woken(2, 1);
  std::vector<std::thread> waiters;
  for (int i = 0; i < 2; ++i) {
    waiters.emplace_back([&, i] {
      woken[i] = tmx_window_wait(window, i == 0 ? -1 : 30000, nullptr, nullptr, nullptr);
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let them wait
  tmx_window_destroy(window);
  for (auto &waiter : waiters) waiter.join();
  EXPECT_EQ(woken, std::vector<int>({-1, -1}));
  EXPECT_FALSE(PostMessageA(window, 0x6403, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(tmx_window_fd(window), -1);
  EXPECT_EQ(tmx_window_wait(window, 0, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(tmx_window_fd(0), -1);
  tmx_window_destroy(window);  // twice is harmless
}

TEST(NotificationWindow, IsNotMadeWithoutItsDescriptor) {
  // One made first: the type checks of a sanitizer build need a descriptor
  // the first time they meet a type.
  tmx_window_destroy(tmx_window_create());
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  std::vector<int> used{open("/dev/null", O_RDONLY)};
  ASSERT_GE(used[0], 0);
  rlimit low = saved;
  low.rlim_cur = used[0] + 16;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  for (int fd; (fd = dup(used[0])) >= 0;) used.push_back(fd);
  const std::uint32_t refused = tmx_window_create();
  close(used.back());
  used.pop_back();
  const std::uint32_t made = tmx_window_create();
  for (int fd : used) close(fd);
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(refused, 0u) << "made with descriptor " << tmx_window_fd(refused);
  ASSERT_NE(made, 0u) << "a free descriptor makes a window again";
  EXPECT_GE(tmx_window_fd(made), 0);
  tmx_window_destroy(made);
  tmx_window_destroy(refused);
}

}  // namespace
