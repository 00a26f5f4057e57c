// The online application's task lists and the high-resolution timer.
#include "online/qz_application.h"

#include <gtest/gtest.h>

#include <cstring>

#include "online/online_client.h"
#include "platform/clock.h"

namespace {

struct CountingTask : QZ_Task {
  int* runs;
  int finishAfter;
  explicit CountingTask(int* r, int after) : runs(r), finishAfter(after) {}
  void Run() override {
    if (++*runs >= finishAfter) finished = true;
  }
};

TEST(QZTaskList, RunsUnsuspendedTasksAndDeletesFinishedOnes) {
  QZ_TaskList list;
  int a = 0, b = 0, c = 0;
  list.Add(std::make_unique<CountingTask>(&a, 1));
  auto suspended = std::make_unique<CountingTask>(&b, 1);
  suspended->suspended = true;
  list.Add(std::move(suspended));
  list.Add(std::make_unique<CountingTask>(&c, 3));
  EXPECT_EQ(list.Run(), 2);
  EXPECT_EQ(list.size(), 2u);  // the first finished and is gone
  EXPECT_EQ(list.Run(), 1);
  EXPECT_EQ(list.Run(), 1);
  EXPECT_EQ(list.size(), 1u);  // only the suspended task is left
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(c, 3);
}

TEST(QZTaskList, TheFrameRunsBothListsOfTheApplication) {
  InitOnlineSystem();
  int first = 0, second = 0;
  GetQZApplication()->FirstTaskList().Add(std::make_unique<CountingTask>(&first, 100));
  GetQZApplication()->SecondTaskList().Add(std::make_unique<CountingTask>(&second, 100));
  EXPECT_EQ(RunOnlineTaskList(0), 1);
  EXPECT_EQ(RunOnlineTaskList(1), 1);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);
  EXPECT_EQ(GetQZApplication()->word, -1);
  EXPECT_EQ(GetQZApplication()->state, 1);
  DeleteOnlineSystem();
  EXPECT_EQ(RunOnlineTaskList(0), 0);
}

TEST(QZWinHQTimer, MicrosecondsAtAnyCounterFrequency) {
  struct Case {
    uint64_t frequency;
    uint64_t advanceNs;
    uint64_t expectUs;
    uint64_t expectMs;
  } cases[] = {
      {1000000000ull, 2500000, 2500, 2},
      {32768, 1000000000ull, 1000000, 1000},  // below 1 MHz: no division by zero
      {3579545, 1000000, 999, 0},             // counter truncation
  };
  for (const auto& c : cases) {
    vt::platform::FakeClock clock(c.frequency);
    vt::platform::SetClock(&clock);
    clock.AdvanceNs(c.advanceNs);
    QZWin_HQTimer timer;
    EXPECT_EQ(timer.Microseconds(), c.expectUs) << c.frequency;
    EXPECT_EQ(timer.Milliseconds(), c.expectMs) << c.frequency;
    vt::platform::SetClock(nullptr);
  }
  QZ_LocalDate date;
  QZWin_HQTimer().LocalDate(&date);
  EXPECT_GE(date.year, 2024);
  EXPECT_GE(date.month, 1);
  EXPECT_LE(date.month, 12);
  EXPECT_LT(std::strlen(date.text), 32u);
  EXPECT_EQ(CreateHQTimer()->framePeriodUs, 16666u);
}

}  // namespace
