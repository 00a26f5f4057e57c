// Log writers, the fatal and warning reports, semaphores and the date checks.
#include "app/lib_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/app_state.h"
#include "platform/message_box.h"
#include "support/test_util.h"

namespace {

using vt::platform::BoxAnswer;
using vt::platform::ScriptedMessageBoxes;

TEST(CLog, WithoutAPathNothingIsWrittenOrAsked) {
  ScriptedMessageBoxes boxes;
  lib::CLog log;
  log.PrintTimedConfirm("x");
  log.PrintTimedInfo("y");
  log.Print("z");
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_TRUE(std::filesystem::is_empty("."));
}

TEST(CLog, LineEndsAndTimeStamp) {
  lib::CLog log;
  log.SetFile("a.log", false);
  log.Print("one\ntwo");
  log.Print("ends\n");
  log.WriteRaw("raw\n");
  EXPECT_EQ(vt::test::ReadFile("a.log"), "one\r\ntwo\r\nends\r\nraw\n");

  log.SetFile("b.log", false);
  log.PrintTimed("stamped");
  std::string text = vt::test::ReadFile("b.log");
  // "24/05/31 18:07.09 stamped\r\n"
  ASSERT_EQ(text.size(), 17u + 1 + 7 + 2);
  EXPECT_EQ(text[2], '/');
  EXPECT_EQ(text[11], ':');
  EXPECT_EQ(text[14], '.');
  EXPECT_EQ(text.substr(17), " stamped\r\n");

  log.SetFile("b.log", true);  // the delete flag removes the old file
  EXPECT_FALSE(std::filesystem::exists("b.log"));
}

TEST(CLog, InformationAndConfirmationBoxes) {
  ScriptedMessageBoxes boxes({BoxAnswer::Ok, BoxAnswer::Yes});
  lib::CLog log;
  log.SetFile("c.log", false);
  log.PrintTimedInfo("hello");
  log.PrintTimedConfirm("%s", std::string(300, 'q').c_str());  // Yes: goes on
  ASSERT_EQ(boxes.shown().size(), 2u);
  EXPECT_EQ(boxes.shown()[0].caption, "Information");
  EXPECT_EQ(boxes.shown()[0].text, "hello");
  EXPECT_EQ(boxes.shown()[1].caption, "エラー");
  EXPECT_EQ(boxes.shown()[1].text.size(), 255u);
}

TEST(Reports, AssertQuitsWarnGoesOnAndOnlyTheLastMessageStays) {
  ScriptedMessageBoxes boxes;
  g_QuitRequested = false;
  EXPECT_EQ(AppWarn("first %d", 1), 1);
  EXPECT_EQ(AppWarn("second"), 1);
  EXPECT_EQ(vt::test::ReadFile("assert.txt"), "second");
  EXPECT_FALSE(g_QuitRequested.load());
  EXPECT_EQ(AppAssert("InitNetwork"), 0);
  EXPECT_EQ(vt::test::ReadFile("assert.txt"), "InitNetwork");
  EXPECT_TRUE(g_QuitRequested.load());  // reaches the window loop from any thread
  ASSERT_EQ(boxes.shown().size(), 3u);
  EXPECT_EQ(boxes.shown()[1].caption, "Continue");
  EXPECT_EQ(boxes.shown()[2].caption, "Error");
  g_QuitRequested = false;
}

TEST(DateChecks, Table) {
  struct Case {
    uint32_t n;
    int date, time;
  } cases[] = {
      {20240230, 1, 0},  // 30 February passes: no calendar check
      {99991231, 1, 0}, {100000101, 0, 0}, {20241301, 0, 0}, {20240132, 0, 0},
      {20240000, 1, 0}, {240000, 1, 0},  // hour 24 is not a time
      {235959, 0, 1},   {236000, 0, 0},    {235960, 0, 0},   {0, 1, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsValidDateNumber(c.n), c.date) << c.n;
    EXPECT_EQ(IsValidTimeNumber(c.n), c.time) << c.n;
  }
}

TEST(CLogging, Defaults) {
  auto& l = lib::CLogging::Instance();
  EXPECT_STREQ(l.ModuleName(), "tk_lib");
  EXPECT_STREQ(l.TimeFormat(), "%y/%m/%d %H:%M.%S");
  EXPECT_STREQ(l.LevelName(4), "critical");
  EXPECT_EQ(l.LevelName(5), nullptr);
}

}  // namespace
