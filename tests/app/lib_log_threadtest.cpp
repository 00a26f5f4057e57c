// Reports and the shared-lock log written from several threads at once: whole messages only.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/lib_log.h"
#include "platform/message_box.h"
#include "support/test_util.h"

namespace {

using vt::platform::ScriptedMessageBoxes;

TEST(Reports, ConcurrentReportsEachWriteWholeMessages) {
  ScriptedMessageBoxes boxes;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 50; ++i) AppWarn("%s", std::string(200, static_cast<char>('a' + t)).c_str());
    });
  }
  for (auto& th : threads) th.join();
  std::string text = vt::test::ReadFile("assert.txt");
  ASSERT_EQ(text.size(), 200u);
  EXPECT_EQ(text, std::string(200, text[0]));
  EXPECT_EQ(boxes.shown().size(), 200u);
}

TEST(CLockLog, AppendsOnlyWithAFileAndSharesTheNamedSemaphore) {
  lib::CLockLog a, b;
  a.Printf("nothing %d", 1);
  a.SetFile("lock.log", false);
  b.SetFile("lock.log", false);
  std::thread t1([&] {
    for (int i = 0; i < 100; ++i) a.Printf("A%03d\n", i);
  });
  std::thread t2([&] {
    for (int i = 0; i < 100; ++i) b.Printf("B%03d\n", i);
  });
  t1.join();
  t2.join();
  EXPECT_EQ(vt::test::ReadFile("lock.log").size(), 200u * 5);
}

}  // namespace
