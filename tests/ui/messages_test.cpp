#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tamrix_ui/ui.h"

namespace tamrix::ui {
namespace {

using namespace tamrix::text;

class MessagesTest : public ::testing::Test {
 protected:
  Application app{"tamrix"};
  std::vector<std::string> log;

  struct Target : Form {
    ListBox Lines{this};
    Button Press{this};
  };
  Target &main = app.CreateForm<Target>();
  Target &second = app.CreateForm<Target>();

  void Listen(Target &f, const std::string &who, UINT first, UINT last) {
    for (UINT m = first; m <= last; ++m)
      f.SetMessageHandler(m, [this, who, m](WPARAM w, LPARAM l) {
        log.push_back(who + ":" + Format("%x", m) + ":" + std::to_string(w) + ":" +
                      std::to_string(l));
      });
  }
};

TEST_F(MessagesTest, DispatchedByNumberInPostedOrderAcrossForms) {
  Listen(main, "main", 0x6401, 0x6406);
  Listen(second, "second", 0x6401, 0x6401);
  PostMessageA(main.Handle(), 0x6402, 1, -1);
  PostMessageA(second.Handle(), 0x6401, 0, 0);
  PostMessageA(main.Handle(), 0x6400, 0, 0);  // no handler: ignored
  PostMessageA(main.Handle(), 0x6407, 0, 0);
  PostMessageA(main.Handle(), 0x6403, 7, 8);
  EXPECT_TRUE(log.empty()) << "nothing runs before the queue is processed";
  app.ProcessMessages();
  const std::vector<std::string> expected = {"main:6402:1:-1", "second:6401:0:0", "main:6403:7:8"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(app.Queue().Pending(), 0u);
}

TEST_F(MessagesTest, PostedFromOtherThreadsAndReplacedHandlers) {
  Listen(main, "old", 0x6404, 0x6404);
  main.SetMessageHandler(0x6404, [this](WPARAM, LPARAM) { log.push_back("new"); });
  std::thread poster([h = main.Handle()] {
    for (int i = 0; i < 3; ++i) PostMessageA(h, 0x6404, 0, 0);
  });
  poster.join();
  app.ProcessMessages();
  EXPECT_EQ(log, (std::vector<std::string>{"new", "new", "new"}));
  main.SetMessageHandler(0x6404, nullptr);
  PostMessageA(main.Handle(), 0x6404, 0, 0);
  app.ProcessMessages();
  EXPECT_EQ(log.size(), 3u);
}

TEST_F(MessagesTest, ErrorInHandlerIsShownAndLaterMessagesStillRun) {
  main.SetMessageHandler(0x6401, [this](WPARAM, LPARAM) {
    log.push_back("first part");
    throw RangeError();
  });
  Listen(main, "main", 0x6402, 0x6402);
  PostMessageA(main.Handle(), 0x6401, 0, 0);
  PostMessageA(main.Handle(), 0x6402, 0, 0);
  app.ProcessMessages();
  EXPECT_EQ(log, (std::vector<std::string>{"first part", "main:6402:0:0"}));
  ASSERT_EQ(app.MessageBoxes().size(), 1u);
  EXPECT_EQ(app.MessageBoxes()[0].text, "範囲ﾁｪｯｸｴﾗｰ");
  EXPECT_EQ(app.MessageBoxes()[0].title, "Tamrix");
  EXPECT_EQ(app.MessageBoxes()[0].type, mtError);
}

TEST_F(MessagesTest, ErrorInClickEndsOnlyThatHandler) {
  int clicks = 0;
  main.Press.OnClick = [&] {
    ++clicks;
    main.Lines.Add("step 1");
    StrToInt(clicks == 1 ? "5 " : "5");
    main.Lines.Add("step 2");
  };
  main.Press.Click();
  main.Press.Click();
  EXPECT_EQ(main.Lines.Items(), (std::vector<std::string>{"step 1", "step 1", "step 2"}));
  ASSERT_EQ(app.MessageBoxes().size(), 1u);
  EXPECT_EQ(app.MessageBoxes()[0].text, "'5 ' は整数ではありません");
}

TEST_F(MessagesTest, ForeignExceptionsAreShownToo) {
  main.Press.OnClick = [] { throw std::runtime_error("disk on fire"); };
  main.Press.Click();
  ASSERT_EQ(app.MessageBoxes().size(), 1u);
  EXPECT_EQ(app.MessageBoxes()[0].text, "disk on fire");
}

}  // namespace
}  // namespace tamrix::ui
