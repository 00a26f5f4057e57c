// Shared set-up of the input tests: the input manager on a fake backend, default assignments
// and keyboard map, default bit maps and offline hooks.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/input/app_joystick.h"
#include "app/input/input_hooks.h"
#include "app/input/input_manager.h"
#include "app/input/key_config.h"
#include "platform/input/fake_input_backend.h"

namespace vt::test {

// Scan codes used by the tests.
inline constexpr uint8_t kScanW = 0x11, kScanS = 0x1F, kScanA = 0x1E, kScanD = 0x20, kScanU = 0x16,
                         kScanI = 0x17, kScanTab = 0x0F, kScanEnter = 0x1C, kScanLeftAlt = 0x38,
                         kScanRightAlt = 0xB8, kScanF4 = 0x3E, kScanF1 = 0x3B;

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetKeyConfig() = KeyConfigData{};
    for (int p = 0; p < 4; ++p) ResetPadDefaults(p);
    ResetKeyboardMap(0);
    ResetKeyboardMap(1);
    GetInputGameHooks() = InputGameHooks{};
    auto fake = std::make_unique<vt::platform::FakeInputBackend>();
    fake_ = fake.get();
    g_InputManager.SetBackend(std::move(fake));
    joy_ = &GetAppJoystickInstance();
    *static_cast<CAppJoystick*>(joy_) = CAppJoystick{};
  }
  void TearDown() override {
    g_InputManager.Release();
    g_InputManager.SetBackend(nullptr);
    GetInputGameHooks() = InputGameHooks{};
  }

  // Adds pads (before Start), then starts the manager and the joystick as start-up does.
  int AddPad(bool standard = false) { return fake_->AddPad("Pad " + std::to_string(padCount_++), standard); }
  void Start() {
    ASSERT_EQ(g_InputManager.Init(nullptr), 1);
    StartAppJoystick();
    for (int p = 0; p < 4; ++p) {
      if (GetKeyConfig().pads[p].Num == 0 && p < g_InputManager.GetPadCount())
        GetKeyConfig().pads[p].Num = p + 1;
    }
  }
  // One logic frame as a scene that reads input runs it.
  void Frame() {
    g_InputManager.Poll();
    joy_->ReadDevices();
    joy_->UpdateBanks();
  }
  PadRawState Port(int port) {
    PadRawState raw;
    g_InputManager.GetPortState(port, &raw);
    return raw;
  }

  vt::platform::FakeInputBackend* fake_ = nullptr;
  CAppJoystickWindows* joy_ = nullptr;
  int padCount_ = 0;
};

}  // namespace vt::test
