// The hand-off between the logic and window threads: the logic side runs on its own thread
// while the test plays the window thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include "app/app_config.h"
#include "app/app_state.h"
#include "app/frame_loop.h"
#include "recording_services.h"

namespace {

using vt::CooperativeLevel;
using vt::test::RecordingServices;
using vt::test::ResetHandOffFlags;
using Calls = std::vector<std::string>;

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
  ResetHandOffFlags();
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
  ResetHandOffFlags();
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
  ResetHandOffFlags();
  g_ScreenModeRequest = 1;
  // The window thread never services the request; quit must release the logic thread.
  EXPECT_EQ(HandOff(services, /*quitMidway=*/true), 1);
  ResetHandOffFlags();
}

TEST(HandOff, ADeviceThatRecoversBeforeItsResetReleasesTheLogicThread) {
  RecordingServices services;
  ResetHandOffFlags();
  services.level = CooperativeLevel::NotReset;
  ServiceDeviceReset();                   // the window thread sees the lost device
  services.level = CooperativeLevel::Ok;  // and it comes back by itself
  auto start = std::chrono::steady_clock::now();
  HandOff(services);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(g_ResetDeviceRequest.load(), 0);
  EXPECT_FALSE(g_QuitRequested.load());  // released by the window thread, not by the watchdog
  ResetHandOffFlags();
}

}  // namespace
