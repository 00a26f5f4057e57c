// The test menu and each of its screens rendered on the offscreen GL device with the mouse moving
// over the picture; pictures are written where VT_TEST_MENU_SHOTS names a folder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "battle/battle_gl_shots.h"
#include "test_menu_fixture.h"

namespace test_menu_test {
namespace {

// Different pixels in the picture (a screen that drew nothing shows one colour).
int DistinctGreys(const std::vector<uint8_t>& px) {
  std::vector<bool> seen(256, false);
  int n = 0;
  for (size_t i = 0; i + 3 < px.size(); i += 4 * 97) {
    const int g = (px[i] + px[i + 1] + px[i + 2]) / 3;
    if (!seen[static_cast<size_t>(g)]) ++n;
    seen[static_cast<size_t>(g)] = true;
  }
  return n;
}

class TestMenuGl : public TestMenuScene {
 protected:
  void MouseAt(int frame) {
    const double a = frame * 0.05;
    harness_.input()->SetMouse(320 + static_cast<int>(160 * std::cos(a)),
                               240 + static_cast<int>(120 * std::sin(a)), 640, 480);
  }
  std::vector<uint8_t> Shot(const std::string& name) {
    std::vector<uint8_t> px = battle_test::ReadSceneTarget(640, 480);
    battle_test::SaveBattleShot(px, 640, 480, name, "VT_TEST_MENU_SHOTS");
    return px;
  }
};

TEST_F(TestMenuGl, MenuAndEveryScreen) {
  ASSERT_TRUE(Start(true, 640, 480));
  Direction(2);
  Direction(2);
  std::vector<uint8_t> px = Shot("test_menu");
  ASSERT_FALSE(px.empty());
  EXPECT_GT(DistinctGreys(px), 2) << "the row names over the teal";
  struct Row {
    int row, frames, endButton;
    const char* shot;
  } rows[] = {{0, 120, 1, "test_staff_roll"},
              {1, 200, 1, "test_next_stage"},
              {2, 120, 0, "test_vs_screen"},
              {3, 90, 0, "test_win_result"},
              {4, 50, 1, "test_fade"},
              {5, 60, 1, "test_normal_1"},
              {6, 60, 1, "test_point_blur"},
              {7, 60, 1, "test_bloom"},
              {8, 60, 1, "test_noise"},
              {9, 60, 1, "test_particle_smoke"},
              {10, 60, 1, "test_particle_ribbon"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.shot);
    GetTestMenuState().cursor = 0;
    Choose(r.row);
    for (int f = 0; f < r.frames; ++f) {
      MouseAt(f);
      harness_.RunFrame(ScenePadFrame{});
    }
    px = Shot(r.shot);
    EXPECT_GT(DistinctGreys(px), 2);
    if (r.row == 5) {
      // The other modes of the normal-map screen.
      for (int mode = 2; mode <= 5; ++mode) {
        PressOnly(2);
        for (int f = 0; f < 40; ++f) {
          MouseAt(f);
          harness_.RunFrame(ScenePadFrame{});
        }
        Shot("test_normal_" + std::to_string(mode));
      }
    }
    Press(r.endButton);
    ASSERT_EQ(GetTestMenuState().runningId, 0);
  }
}

}  // namespace
}  // namespace test_menu_test
