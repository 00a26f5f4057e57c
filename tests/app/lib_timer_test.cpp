// Stopwatches, the millisecond timer, the tick counter and GrowArray growth, on a fake clock.
#include "app/lib_timer.h"

#include <gtest/gtest.h>

#include "app/grow_array.h"
#include "platform/clock.h"

namespace {

struct ClockScope {
  explicit ClockScope(uint64_t frequency = 1000000000ull) : clock(frequency) {
    vt::platform::SetClock(&clock);
  }
  ~ClockScope() { vt::platform::SetClock(nullptr); }
  vt::platform::FakeClock clock;
};

TEST(Stopwatch, MeasuresWithCounterAndFallsBackToMilliseconds) {
  {
    ClockScope scope;
    Stopwatch sw;
    sw.Init();
    EXPECT_TRUE(sw.counterAvailable());
    scope.clock.AdvanceNs(1500000);  // 1.5 ms: counter resolution
    sw.Update();
    EXPECT_DOUBLE_EQ(sw.elapsed(), 0.0015);
  }
  {
    ClockScope scope(0);  // no performance counter
    Stopwatch sw;
    sw.Init();
    EXPECT_FALSE(sw.counterAvailable());
    scope.clock.AdvanceNs(1500000);
    sw.Update();
    EXPECT_DOUBLE_EQ(sw.elapsed(), 0.001);  // millisecond resolution
  }
}

TEST(MsTimer, StartExpiredIsAbout33MsOld) {
  ClockScope scope;
  scope.clock.AdvanceNs(1000000000ull);
  MsTimer t;
  ASSERT_EQ(t.StartExpired(), 1);
  EXPECT_EQ(t.ElapsedMs(), 33u);
  scope.clock.AdvanceNs(7000000);
  EXPECT_EQ(t.ElapsedMs(), 40u);
}

TEST(CWaitPerformanceCounter, DroppingAndKeepingBacklogAfterAStall) {
  ClockScope scope(3000000);  // a frequency that 60 does not divide evenly into a clean period
  CWaitPerformanceCounter dropping, keeping;
  EXPECT_EQ(dropping.Setup(0, 60, 1), 0);
  ASSERT_EQ(dropping.Setup(1, 60, 1), 1);
  ASSERT_EQ(keeping.Setup(1, 60, 1), 1);
  scope.clock.AdvanceNs(1000000000ull);  // a one-second stall
  EXPECT_EQ(dropping.TickDroppingBacklog(), 1);
  EXPECT_EQ(dropping.TickDroppingBacklog(), 0);  // the rest was dropped
  keeping.Update();
  int ticks = 0;
  while (keeping.TickKeepingBacklog() == 1) ++ticks;
  EXPECT_EQ(ticks, 60);  // catches up one tick per call
}

TEST(CWaitPerformanceCounter, TicksSixtyTimesASecond) {
  ClockScope scope;
  CWaitPerformanceCounter c;
  ASSERT_EQ(c.Setup(1, 60, 1), 1);
  int ticks = 0;
  for (int ms = 0; ms < 1000; ++ms) {
    scope.clock.AdvanceNs(1000000);
    ticks += c.TickDroppingBacklog();
  }
  EXPECT_EQ(ticks, 60);
}

TEST(GrowArray, PushGrowsTo16ThenBy125) {
  GrowArray a(2, sizeof(void*));
  int dummy[20];
  std::vector<int> capacities;
  for (int i = 0; i < 22; ++i) {
    ASSERT_EQ(a.Push(&dummy[i % 20]), S_OK);
    capacities.push_back(a.capacity);
  }
  EXPECT_EQ(capacities[0], 16);
  EXPECT_EQ(capacities[15], 16);
  EXPECT_EQ(capacities[16], 21);  // 17 x 1.25
  EXPECT_EQ(capacities[21], 27);  // 22 x 1.25
  EXPECT_EQ(a.PointerAt(3), &dummy[3]);
}

TEST(GrowArray, ReservePolicies) {
  struct Case {
    int startCount;
    int extra;
    double factor;
    int expectCapacity;
  } cases[] = {
      {0, 1, 0.0, 16},  {0, 16, 0.0, 16}, {0, 17, 0.0, 17},  // empty: max(need, 16)
      {0, 40, 2.0, 40}, {0, 5, 1.0, 5},   {0, 0, 1.0, 1},    // exact; extra 0 counts as 1
  };
  for (const auto& c : cases) {
    GrowArray a(0, 4);
    int cap = 0;
    ASSERT_NE(a.Reserve(c.extra, c.factor, &cap), nullptr);
    EXPECT_EQ(cap, c.expectCapacity) << c.extra << " " << c.factor;
  }
  GrowArray a(0, 4);
  ASSERT_EQ(a.ResizeGrow(16), S_OK);
  ASSERT_EQ(a.ResizeGrow(20), S_OK);
  EXPECT_EQ(a.capacity, 26);  // 20 x 1.3
  ASSERT_EQ(a.ResizeExact(27), S_OK);
  EXPECT_EQ(a.capacity, 27);
}

TEST(GrowArray, FailuresLeaveTheArrayUnchanged) {
  GrowArray unusable(0, 0);
  int x = 1;
  EXPECT_EQ(unusable.Push(&x), E_FAIL);
  EXPECT_EQ(unusable.PushBack(&x), E_FAIL);
  EXPECT_EQ(unusable.Reserve(1, 0, nullptr), nullptr);

  GrowArray a(1, 4);
  ASSERT_EQ(a.Resize(10), S_OK);
  EXPECT_EQ(a.capacity, 12);                  // 10 x 1.25
  EXPECT_EQ(*static_cast<int*>(a.At(9)), 0);  // mode 1 zero-fills
  EXPECT_EQ(a.Resize(5), E_FAIL);
  EXPECT_EQ(a.count, 10);
  EXPECT_EQ(a.Resize(10), E_FAIL);
}

TEST(GrowArray, RecordModeCopiesBytes) {
  struct Rec {
    int a, b;
  };
  GrowArray arr(0, sizeof(Rec));
  for (int i = 0; i < 40; ++i) {
    Rec r{i, -i};
    ASSERT_EQ(i % 2 ? arr.Push(&r) : arr.PushBack(&r), S_OK);
  }
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(static_cast<Rec*>(arr.At(i))->a, i);
    EXPECT_EQ(static_cast<Rec*>(arr.At(i))->b, -i);
  }
}

}  // namespace
