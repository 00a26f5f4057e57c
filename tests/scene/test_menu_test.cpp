// The test menu, scene 50: the cursor's wrap, "Exit" to the title in the deciding frame, restarts
// and "NORMAL TEST"'s five modes, every screen run with a moving mouse and freeing what it loaded
// (by its end button and by the scene's leave hook), the pointer mapped through the letterbox, and
// the smoke puffs' life of 0.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/input/input_manager.h"
#include "test_menu_fixture.h"

namespace test_menu_test {
namespace {

TEST_F(TestMenuScene, CursorWrapsOverTheEnds) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(GetTestMenuState().cursor, 0);
  Direction(8);
  EXPECT_EQ(GetTestMenuState().cursor, kTestMenuRowCount - 1);
  EXPECT_STREQ(g_TestMenuRows[GetTestMenuState().cursor].name, "Exit");
  Direction(2);
  EXPECT_EQ(GetTestMenuState().cursor, 0);
  Direction(2);
  Direction(2);
  EXPECT_EQ(GetTestMenuState().cursor, 2);
  EXPECT_EQ(g_SceneId, SCENE_PROC_TEST);
}

TEST_F(TestMenuScene, ExitReachesTheTitleInTheDecidingFrame) {
  ASSERT_TRUE(Start());
  Direction(8);
  int result = 0;
  ScenePadFrame f;
  f.buttons[0] = ScriptedPadButtons(0, g_AppJoystick->menuMap[0][0]);
  const SceneFrameReport r = harness_.RunFrame(f, &result);
  EXPECT_EQ(r.sceneId, SCENE_TITLE);
  EXPECT_EQ(r.enter, 1);
}

TEST_F(TestMenuScene, AFreshEntryStartsAtTheMenu) {
  ASSERT_TRUE(Start());
  Direction(2);
  Press(0);  // "NextStage" runs
  ASSERT_EQ(GetTestMenuState().runningId, 2);
  ChangeScene(SCENE_PROC_TEST);  // stored again
  harness_.RunFrame(ScenePadFrame{});
  EXPECT_EQ(GetTestMenuState().runningId, 0);
  EXPECT_EQ(GetTestMenuState().cursor, 0);
}

TEST_F(TestMenuScene, ButtonTwoRestartsAndCyclesTheNormalModes) {
  ASSERT_TRUE(Start());
  Choose(5);
  ASSERT_EQ(GetTestMenuState().runningId, 8);
  RunMoving(3);
  const int held = g_TextureCount.load();
  for (int press = 1; press <= 5; ++press) {
    SCOPED_TRACE(press);
    PressOnly(2);
    EXPECT_EQ(GetTestMenuState().normalMode, press % 5);
    EXPECT_EQ(GetTestMenuState().restart, 1) << "set up anew on the next frame";
    harness_.RunFrame(ScenePadFrame{});
    EXPECT_EQ(GetTestMenuState().restart, 0);
    EXPECT_EQ(GetTestMenuState().runningId, 8);
    EXPECT_EQ(g_TextureCount.load(), held) << "a restart frees what the last set-up loaded";
  }
  // Button 0 sets the same mode up again.
  PressOnly(2);
  harness_.RunFrame(ScenePadFrame{});
  EXPECT_EQ(GetTestMenuState().normalMode, 1);
  Press(0);
  EXPECT_EQ(GetTestMenuState().normalMode, 1);
  EXPECT_EQ(GetTestMenuState().runningId, 8);
}

TEST_F(TestMenuScene, EveryScreenRunsAndFreesWhatItLoaded) {
  ASSERT_TRUE(Start());
  RunMoving(2);
  const int before = g_TextureCount.load();
  struct Row {
    int row, id, endButton;
    bool loads;  // pictures of its own (the winner call's are the battle's, loaded at start-up)
  } rows[] = {{0, 1, 1, true}, {1, 2, 1, true},  {2, 3, 0, true},   {3, 4, 0, false},
              {4, 9, 1, true}, {5, 8, 1, true},  {6, 5, 1, true},   {7, 7, 1, true},
              {8, 6, 1, true}, {9, 10, 1, true}, {10, 11, 1, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(g_TestMenuRows[r.row].name);
    GetTestMenuState().cursor = 0;
    Choose(r.row);
    ASSERT_EQ(GetTestMenuState().runningId, r.id);
    RunMoving(40);
    EXPECT_EQ(GetTestMenuState().runningId, r.id);
    if (r.loads) EXPECT_GT(g_TextureCount.load(), before);
    // Button 2 sets it up anew without growing what it holds.
    const int held = g_TextureCount.load();
    Press(2);
    RunMoving(2);
    EXPECT_EQ(g_TextureCount.load(), held);
    Press(r.endButton);
    EXPECT_EQ(GetTestMenuState().runningId, 0) << "back at the menu";
    EXPECT_EQ(g_TextureCount.load(), before);
    EXPECT_EQ(g_SceneId, SCENE_PROC_TEST);
  }
}

TEST_F(TestMenuScene, LeavingTheSceneFreesTheRunningScreen) {
  for (int row : {0, 4, 9}) {
    SCOPED_TRACE(row);
    ASSERT_TRUE(Start());
    const int before = g_TextureCount.load();
    Choose(row);
    RunMoving(10);
    ASSERT_GT(g_TextureCount.load(), before);
    harness_.LeaveScene();
    EXPECT_EQ(g_TextureCount.load(), before);
    EXPECT_EQ(GetTestMenuState().runningId, 0);
    harness_.Stop();
  }
}

TEST_F(TestMenuScene, UnknownRunningIdGoesBackToTheMenu) {
  ASSERT_TRUE(Start());
  GetTestMenuState().runningId = 12345;
  GetTestMenuState().restart = 0;
  harness_.RunFrame(ScenePadFrame{});
  EXPECT_EQ(GetTestMenuState().runningId, 0);
  EXPECT_EQ(GetTestMenuState().restart, 1);
}

TEST(TestMenuMouse, WindowPointsMapIntoThePictureThroughTheLetterbox) {
  struct Case {
    const char* name;
    vt::platform::MouseState mouse;
    float x, y;
  } cases[] = {
      {"16:9, the picture's corner", {160, 0, 1280, 720, true}, 0, 0},
      {"16:9, the centre", {640, 360, 1280, 720, true}, 320, 240},
      {"16:9, the far corner", {1120, 720, 1280, 720, true}, 640, 480},
      {"16:9, over the left bar: held at the edge", {20, 100, 1280, 720, true}, 0, 66.666672f},
      {"16:9, over the right bar", {1270, 100, 1280, 720, true}, 640, 66.666672f},
      {"4:3 scaled", {400, 300, 800, 600, true}, 320, 240},
      {"tall window: bars above and below", {320, 80, 640, 640, true}, 320, 0},
      {"a window of no size", {10, 10, 0, 0, true}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    float x = -1, y = -1;
    MapWindowToPicture(c.mouse, &x, &y);
    EXPECT_FLOAT_EQ(x, c.x);
    EXPECT_FLOAT_EQ(y, c.y);
  }
}

TEST_F(TestMenuScene, TheInputManagerKeepsThePointerWhileItIsAway) {
  ASSERT_TRUE(Start());
  Mouse(520, 180);  // picture (240, 120)
  harness_.RunFrame(ScenePadFrame{});
  float x = 0, y = 0;
  GetMousePicturePosition(&x, &y);
  EXPECT_FLOAT_EQ(x, 240.0f);
  EXPECT_FLOAT_EQ(y, 120.0f);
  harness_.input()->SetMouseOutside();
  harness_.RunFrame(ScenePadFrame{});
  GetMousePicturePosition(&x, &y);
  EXPECT_FLOAT_EQ(x, 240.0f);
  EXPECT_FLOAT_EQ(y, 120.0f);
}

TEST(TestMenuParticles, APuffOfNoLifeIsDeadAtOnceAndCellsStayOnTheSheet) {
  struct Case {
    const char* name;
    float life, age;
    int alive, cell;
  } cases[] = {
      {"no life", 0.0f, 0.0f, 0, 31},       {"negative life", -0.1f, 0.0f, 0, 31},
      {"young", 1.0f, 0.0f, 1, 0},          {"half way", 1.0f, 0.5f - 1.0f / 60.0f, 1, 16},
      {"past its life", 0.1f, 5.0f, 0, 31}, {"age below zero", 1.0f, -2.0f, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CParticle_Normal p;
    p.life = c.life;
    p.age = c.age;
    p.velocity[1] = -300.0f;
    EXPECT_EQ(p.Update(1.0f / 60.0f), c.alive);
    EXPECT_EQ(p.Cell(), c.cell);
    for (float v : p.offset) EXPECT_TRUE(std::isfinite(v));
  }
}

TEST(TestMenuParticles, PuffsComeToRestAtTheEndOfTheirLife) {
  for (int i = 0; i < 2000; ++i) {
    std::unique_ptr<CParticle_Normal> p(MakeSmokePuff(100.0f, 200.0f, nullptr));
    ASSERT_GE(p->life, 0.0f);
    ASSERT_LE(p->life, 2.0f / 3.0f + 1e-6f);
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(std::isfinite(p->acceleration[k]));
    ASSERT_LE(p->velocity[1], 0.0f) << "puffs rise";
    ASSERT_LE(std::abs(p->origin[0] - 100.0f), 16.0f);
    if (p->life <= 0.0f) continue;
    // Stepped to its end it has (nearly) stopped.
    int steps = 0;
    while (p->Update(p->life / 64.0f) != 0 && steps < 100) ++steps;
    EXPECT_LT(std::abs(p->velocity[1]), 20.0f) << i;
  }
}

}  // namespace
}  // namespace test_menu_test
