// The logic frame's order, the logic thread's loop and the pacing (the hand-off between the
// logic and window threads is in frame_loop_threadtest.cpp).
#include "app/frame_loop.h"

#include <gtest/gtest.h>

#include "app/app_config.h"
#include "app/app_state.h"
#include "app/frame_pacer.h"
#include "platform/clock.h"
#include "recording_services.h"

namespace {

using vt::CooperativeLevel;
using vt::test::RecordingServices;
using vt::test::ResetHandOffFlags;
using Calls = std::vector<std::string>;

TEST(RunLogicFrame, StepsInOrderAndQuitKeyRunsTheSceneWithFlagZero) {
  RecordingServices services;
  ResetHandOffFlags();
  g_AppRunState = new AppRunState;
  EXPECT_EQ(RunLogicFrame(), 1);
  Calls order = {"PollInput",          "IsQuitRequested",   "UpdateCredits",      "ResetMainDrawList",
                 "RunOnlineTaskList0", "UpdateSceneFrame1", "RunOnlineTaskList1", "DrawSceneFrame",
                 "MarkSceneRunDone",   "AgeSpriteCache",    "ReleaseEffectTags",  "FlushAchievements",
                 "RunOnlineCallbacks"};
  EXPECT_EQ(services.calls(), order);

  services.ClearCalls();
  services.quitKey = true;  // Alt+F4 held
  EXPECT_EQ(RunLogicFrame(), 0);
  EXPECT_EQ(g_AppRunState->quitRequested.load(), 1);
  EXPECT_EQ(services.calls()[5], "UpdateSceneFrame0");  // the scene still runs, told to stop

  services.quitKey = false;
  services.failing.insert("UpdateSceneFrame");  // the game chose to quit
  EXPECT_EQ(RunLogicFrame(), 0);
  delete g_AppRunState;
  g_AppRunState = nullptr;
}

TEST(MainLoopThread, EndsOnQuitAndWhenTheSceneQuits) {
  RecordingServices services;
  ResetHandOffFlags();
  g_AppRunState = new AppRunState;
  g_LogicRunning = false;  // start-up failed: the logic thread ends at once
  MainLoopThread();
  EXPECT_TRUE(g_QuitRequested.load());
  EXPECT_EQ(services.calls(), (Calls{"OnLogicThreadStart", "OnLogicThreadEnd"}));

  ResetHandOffFlags();
  services.ClearCalls();
  g_LogicRunning = true;
  services.failing.insert("UpdateSceneFrame");
  MainLoopThread();
  EXPECT_TRUE(g_QuitRequested.load());
  EXPECT_FALSE(g_LogicRunning.load());
  delete g_AppRunState;
  g_AppRunState = nullptr;
  ResetHandOffFlags();
}

struct ClockScope {
  ClockScope() { vt::platform::SetClock(&clock); }
  ~ClockScope() { vt::platform::SetClock(nullptr); }
  vt::platform::FakeClock clock;
};

TEST(Pacing, FramesAreAtLeastOneSixtiethApartAndTheMarkMovesAfterTheWait) {
  ClockScope scope;
  PacingStopwatch p;
  p.Init();
  const double frame = 1.0 / 60.0;
  uint64_t last = scope.clock.nowNs();
  struct Case {
    uint64_t workNs;
    uint64_t expectFrameNs;  // from one mark to the next
  } cases[] = {
      {5000000, 16666667},  // short work: padded to 1/60 s
      {0, 16666667},
      {30000000, 32000000},  // long work: the 2 ms sleep, no catch-up
  };
  for (const auto& c : cases) {
    scope.clock.AdvanceNs(c.workNs);
    EXPECT_EQ(p.WaitNextFrame(frame), 1);
    uint64_t now = scope.clock.nowNs();
    EXPECT_GE(now - last, c.expectFrameNs);
    EXPECT_LT(now - last, c.expectFrameNs + 200000) << c.workNs;  // within 0.2 ms (the yields)
    last = now;
  }
}

TEST(Pacing, MovieSleepNoWaitAndTheNetPoll) {
  ClockScope scope;
  PacingStopwatch p;
  p.Init();
  p.isMoviePlaying = [] { return true; };
  scope.clock.AdvanceNs(16000000);
  int sleepsBefore = scope.clock.sleeps();
  p.WaitNextFrame(1.0 / 60.0);
  EXPECT_GE(scope.clock.sleptMs(), 8u);  // the first sleep is the movie's 8 ms
  EXPECT_GT(scope.clock.sleeps(), sleepsBefore);

  // No-wait: no sleep, no wait, the start stamp is kept, the flag clears.
  p.isMoviePlaying = nullptr;
  double before = p.Now();
  int sleeps = scope.clock.sleeps();
  p.noWait = 1;
  EXPECT_EQ(p.WaitNextFrame(1.0 / 60.0), 0);
  EXPECT_EQ(scope.clock.sleeps(), sleeps);
  EXPECT_DOUBLE_EQ(p.Now(), before);
  EXPECT_EQ(p.noWait, 0);

  // While the scene has not changed, the direct-netplay poll runs and can end the wait.
  int polls = 0;
  p.sceneUnchanged = [] { return true; };
  p.updateNetConnection = [&polls] {
    ++polls;
    return 0;
  };
  p.Start();
  EXPECT_EQ(p.WaitNextFrame(1.0 / 60.0), 1);
  EXPECT_EQ(polls, 1);
  EXPECT_LT(p.elapsedAtLastWait, 1.0 / 60.0);
}

}  // namespace
