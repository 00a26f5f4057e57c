// The logic frame's order, the hand-off between the logic and window threads, and the pacing.
#include "app/frame_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "app/app_config.h"
#include "app/app_state.h"
#include "app/frame_pacer.h"
#include "platform/clock.h"
#include "recording_services.h"

namespace {

using vt::CooperativeLevel;
using vt::test::RecordingServices;
using Calls = std::vector<std::string>;

void ResetFlags() {
  g_QuitRequested = false;
  g_ScreenModeRequest = 0;
  g_KeepWindowMode = 0;
  g_ApplyModeSwitch = 0;
  g_ResetDeviceRequest = 0;
  g_DeviceLost = 0;
}

TEST(RunLogicFrame, StepsInOrderAndQuitKeyRunsTheSceneWithFlagZero) {
  RecordingServices services;
  ResetFlags();
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

// Runs the logic side of one hand-off on its own thread while this thread plays the idle
// window thread; a watchdog fails the test instead of hanging.
int HandOff(RecordingServices& services, bool quitMidway = false) {
  (void)services;
  auto logic = std::async(std::launch::async, [] { return SyncWithWindowThread(); });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (logic.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
    if (quitMidway) {
      g_QuitRequested = true;
    } else {
      ServiceDeviceReset();
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "hand-off hung";
      g_QuitRequested = true;
    }
  }
  return logic.get();
}

const Calls kResetSequence = {"LoseEffects",
                              "ReleaseDefaultPoolTextures",
                              "ResetDevice",
                              "RecreateDefaultPoolTextures",
                              "RestoreEffects",
                              "FlushSpriteCache",
                              "SetMovieDeviceResetFlag"};

struct HandOffCase {
  const char* name;
  int modeRequest;
  int keepWindowMode;
  CooperativeLevel level;
  bool startWindowed;
  bool expectSwitch;
  bool expectReset;
  bool expectWindowed;
};

class HandOffTable : public testing::TestWithParam<HandOffCase> {};

TEST_P(HandOffTable, ServicesWhatWasAsked) {
  const HandOffCase& c = GetParam();
  RecordingServices services;
  ResetFlags();
  g_AppConfig = AppConfig{};
  g_AppConfig.ScreenW = 1024;
  g_AppConfig.ScreenH = 768;
  services.present.windowed = c.startWindowed;
  services.pending = services.present;
  services.level = c.level;
  g_ScreenModeRequest = c.modeRequest;
  g_KeepWindowMode = c.keepWindowMode;
  // One idle pass of the window thread notices the device state first.
  ServiceDeviceReset();
  services.ClearCalls();

  EXPECT_EQ(HandOff(services), c.expectSwitch ? 1 : 0) << c.name;
  if (c.modeRequest == 0 && c.level == CooperativeLevel::NotReset) {
    // A lost device is reset at the next frame's hand-off: the flag travels with this one.
    EXPECT_EQ(HandOff(services), 0);
  }
  Calls calls = services.calls();
  std::erase(calls, "SetPendingPresentParameters");
  EXPECT_EQ(calls, c.expectSwitch || c.expectReset ? kResetSequence : Calls{}) << c.name;
  if (c.expectSwitch) {
    EXPECT_EQ(services.pending.backBufferWidth, 1024);
    EXPECT_EQ(services.pending.backBufferHeight, 768);
    EXPECT_EQ(services.pending.windowed, c.expectWindowed);
    EXPECT_EQ(services.pending.backBufferCount, c.expectWindowed ? 0 : 1);
    EXPECT_EQ(g_AppConfig.Windowed, c.expectWindowed ? 1 : 0);
    EXPECT_EQ(g_KeepWindowMode.load(), 0);
  }
  EXPECT_EQ(g_ApplyModeSwitch.load(), 0);
  EXPECT_EQ(g_ResetDeviceRequest.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HandOffTable,
    testing::Values(HandOffCase{"nothing", 0, 0, CooperativeLevel::Ok, true, false, false, true},
                    HandOffCase{"alt-enter toggles", 1, 0, CooperativeLevel::Ok, true, true, false, false},
                    HandOffCase{"back to window", 1, 0, CooperativeLevel::Ok, false, true, false, true},
                    HandOffCase{"options keep mode", 1, 1, CooperativeLevel::Ok, true, true, false, true},
                    HandOffCase{"lost, resettable", 0, 0, CooperativeLevel::NotReset, true, false, true,
                                true},
                    HandOffCase{"lost, not yet", 0, 0, CooperativeLevel::Lost, true, false, false, true}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(HandOff, ResetFailureStillClearsTheFlags) {
  RecordingServices services;
  ResetFlags();
  services.failing.insert("ResetDevice");
  services.level = CooperativeLevel::NotReset;
  ServiceDeviceReset();
  HandOff(services);
  HandOff(services);
  EXPECT_EQ(g_ResetDeviceRequest.load(), 0);
  EXPECT_NE(std::find(services.calls().begin(), services.calls().end(), "ResetDevice"),
            services.calls().end());
}

TEST(HandOff, QuitWhileASwitchIsPendingDoesNotHang) {
  RecordingServices services;
  ResetFlags();
  g_ScreenModeRequest = 1;
  // The window thread never services the request; quit must release the logic thread.
  EXPECT_EQ(HandOff(services, /*quitMidway=*/true), 1);
  ResetFlags();
}

TEST(MainLoopThread, EndsOnQuitAndWhenTheSceneQuits) {
  RecordingServices services;
  ResetFlags();
  g_AppRunState = new AppRunState;
  g_LogicRunning = false;  // start-up failed: the logic thread ends at once
  MainLoopThread();
  EXPECT_TRUE(g_QuitRequested.load());
  EXPECT_EQ(services.calls(), (Calls{"OnLogicThreadStart", "OnLogicThreadEnd"}));

  ResetFlags();
  services.ClearCalls();
  g_LogicRunning = true;
  services.failing.insert("UpdateSceneFrame");
  MainLoopThread();
  EXPECT_TRUE(g_QuitRequested.load());
  EXPECT_FALSE(g_LogicRunning.load());
  delete g_AppRunState;
  g_AppRunState = nullptr;
  ResetFlags();
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

namespace {
TEST(HandOff, ADeviceThatRecoversBeforeItsResetReleasesTheLogicThread) {
  RecordingServices services;
  ResetFlags();
  services.level = CooperativeLevel::NotReset;
  ServiceDeviceReset();                   // the window thread sees the lost device
  services.level = CooperativeLevel::Ok;  // and it comes back by itself
  auto start = std::chrono::steady_clock::now();
  HandOff(services);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(g_ResetDeviceRequest.load(), 0);
  EXPECT_FALSE(g_QuitRequested.load());  // released by the window thread, not by the watchdog
  ResetFlags();
}
}  // namespace
