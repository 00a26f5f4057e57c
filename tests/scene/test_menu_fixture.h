// Shared fixture of the test menu's tests: the sample game folder linked into the working folder,
// the scene harness started on scene 50 with the start-up's common resources, and helpers that
// press the combined menu input's directions and buttons and move the fake mouse.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "app/input/app_joystick.h"
#include "platform/input/fake_input_backend.h"
#include "scene/scene_fixture.h"
#include "scene/scene_frame.h"
#include "scene/scene_harness.h"
#include "scene/test_menu.h"

namespace test_menu_test {

namespace fs = std::filesystem;

class TestMenuScene : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    for (const auto& entry : fs::directory_iterator(VT_SAMPLE_DIR)) {
      const fs::path here = entry.path().filename();
      if (!fs::exists(here)) fs::create_symlink(entry.path(), here);
    }
  }
  void TearDown() override {
    harness_.Stop();
    GetTestMenuState() = TestMenuState{};
    SceneTest::TearDown();
  }

  bool Start(bool gl = false, int width = 1280, int height = 720) {
    SceneHarnessOptions o;
    o.gl = gl;
    o.width = width;
    o.height = height;
    o.firstScene = SCENE_PROC_TEST;
    o.commonResources = true;
    if (!harness_.Start(o)) return false;
    Mouse(640, 360);  // the picture's centre in a 1280 x 720 window
    harness_.RunFrame();
    return g_SceneId == SCENE_PROC_TEST;
  }

  // The mouse at window point (x, y) of a 1280 x 720 window.
  void Mouse(int x, int y) { harness_.input()->SetMouse(x, y, 1280, 720); }

  // One frame with menu button n pressed (a neutral frame after it, so the next press is new).
  SceneFrameReport Press(int button) {
    ScenePadFrame f;
    f.buttons[0] = ScriptedPadButtons(0, g_AppJoystick->menuMap[0][button]);
    const SceneFrameReport r = harness_.RunFrame(f);
    if (g_SceneId == SCENE_PROC_TEST) harness_.RunFrame(ScenePadFrame{});
    return r;
  }
  // Holds menu button n through one frame without the release frame.
  SceneFrameReport PressOnly(int button) {
    ScenePadFrame f;
    f.buttons[0] = ScriptedPadButtons(0, g_AppJoystick->menuMap[0][button]);
    return harness_.RunFrame(f);
  }
  void Direction(uint8_t dir) {
    ScenePadFrame f;
    f.dir[0] = dir;
    harness_.RunFrame(f);
    harness_.RunFrame(ScenePadFrame{});
  }
  // Moves the cursor from the top to the row and decides it.
  void Choose(int row) {
    while (GetTestMenuState().cursor != row) Direction(2);
    Press(0);
  }
  // Frames with the mouse moving in a circle about the picture's centre.
  void RunMoving(int frames) {
    for (int i = 0; i < frames; ++i) {
      const double a = i * 0.15;
      Mouse(640 + static_cast<int>(200 * std::cos(a)), 360 + static_cast<int>(150 * std::sin(a)));
      harness_.RunFrame(ScenePadFrame{});
    }
  }

  SceneHarness harness_;
};

}  // namespace test_menu_test
