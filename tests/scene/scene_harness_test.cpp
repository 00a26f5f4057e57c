// The scene harness: frames in the main loop's order on the recording device with scripted pads,
// per-frame reports, and the same run twice giving the same reports.
#include "scene/scene_harness.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/input/app_joystick.h"
#include "scene/scene_frame.h"

namespace vt::test {
namespace {

// A menu-like scene: clears enter on entry, reads the pads, goes to the title when player 1 presses a menu
// button, counting its frames.
int g_menuFrames = 0;
int MenuScene(int) {
  if (g_SceneEnter != 0) g_SceneEnter = 0;
  PollSceneInput();  // scenes read the pads themselves
  ++g_menuFrames;
  if (g_AppJoystick->IsPlayerAnyMenuButtonPressed(0)) ChangeScene(SCENE_TITLE);
  return 1;
}
int TitleScene(int) {
  if (g_SceneEnter != 0) g_SceneEnter = 0;
  return 1;
}

std::vector<SceneFrameReport> RunScript() {
  SceneHarness h;
  SceneHarnessOptions o;
  o.firstScene = SCENE_MAIN_MENU;
  EXPECT_TRUE(h.Start(o));
  RegisterScene(SCENE_MAIN_MENU, {MenuScene, nullptr});
  RegisterScene(SCENE_TITLE, {TitleScene, nullptr});
  std::vector<ScenePadFrame> pads(6);
  pads[3].buttons[0] = 2;  // the pad's decide button held from frame 3: pressed on frame 3
  pads[4].buttons[0] = 2;
  h.SetPads(pads);
  g_menuFrames = 0;
  std::vector<SceneFrameReport> out = h.Run(7);
  h.Stop();
  return out;
}

TEST(SceneHarness, ReportsEachFrameAfterTheGameWiring) {
  const std::vector<SceneFrameReport> r = RunScript();
  ASSERT_EQ(r.size(), 7u);
  // Frames 0..2 in the menu, which left it on frame 3; the title entered on frame 4.
  for (int f = 0; f < 3; ++f) {
    EXPECT_EQ(r[f].sceneId, SCENE_MAIN_MENU) << f;
    EXPECT_EQ(r[f].enter, 0) << f;
  }
  EXPECT_EQ(r[3].sceneId, SCENE_TITLE);
  EXPECT_EQ(r[3].enter, 1);
  EXPECT_EQ(r[4].sceneId, SCENE_TITLE);
  EXPECT_EQ(r[4].enter, 0);
  EXPECT_EQ(g_menuFrames, 4);
}

TEST(SceneHarness, SameScriptSameReports) {
  const std::vector<SceneFrameReport> a = RunScript();
  const std::vector<SceneFrameReport> b = RunScript();
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].sceneId, b[i].sceneId) << i;
    EXPECT_EQ(a[i].battleHash, b[i].battleHash) << i;
    EXPECT_EQ(a[i].stageHash, b[i].stageHash) << i;
  }
}

TEST(SceneHarness, QuitSceneEndsTheRun) {
  SceneHarness h;
  SceneHarnessOptions o;
  o.firstScene = SCENE_QUIT;
  ASSERT_TRUE(h.Start(o));
  EXPECT_EQ(h.Run(5).size(), 1u);
}

}  // namespace
}  // namespace vt::test
