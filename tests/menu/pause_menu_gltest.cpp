// The pause menu over a paused versus battle on the offscreen GL device with the sample game
// folder: the menu, the command list (scrolled, the other side's in Japanese) and the return
// question. Set VT_PAUSE_SHOTS to a folder to keep the pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "FilePacFunc/FilePac.h"
#include "app/text_list.h"
#include "battle/battle_gl_shots.h"
#include "menu/command_list.h"
#include "menu/pause_control.h"
#include "menu/pause_match.h"
#include "menu/pause_menu.h"
#include "scene/match_fixture.h"

namespace {

using pause_test::MenuStep;
namespace fs = std::filesystem;

class PauseMenuGl : public match_test::DrivenMatchTest {
 protected:
  void SetUp() override {
    DrivenMatchTest::SetUp();
    fs::copy(fs::path(VT_SAMPLE_DIR), ".",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    config_.SELECT_LANGUAGE = 1;
  }
  void TearDown() override {
    GetPackList().Clear();
    g_GameTextTable.clear();
    DrivenMatchTest::TearDown();
  }
  // Pixels of a box whose colour differs clearly between two pictures.
  static int Differing(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int x0, int y0, int x1,
                       int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const size_t i = (static_cast<size_t>(y) * 640 + x) * 4;
        n += std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) > 60;
      }
    return n;
  }
};

TEST_F(PauseMenuGl, MenuCommandListAndQuestionOverTheBattle) {
  SceneHarness harness;
  SceneHarnessOptions o;
  o.gl = true;
  o.commonResources = true;
  if (!harness.Start(o)) GTEST_SKIP() << "no GL device";
  ASSERT_EQ(MountPack("0003.p"), 1);
  LoadGameText();
  ASSERT_TRUE(StartDrivenMatch(harness, VersusSetup()));

  // The steps, with the pictures to take after some of them.
  std::vector<MenuStep> steps = {{0, pause_test::kMenuStart}};
  std::map<size_t, std::string> shots;
  std::map<size_t, int> language;
  auto add = [&](std::initializer_list<MenuStep> taps, int idle, const char* shot = nullptr) {
    for (MenuStep s : pause_test::Taps(taps)) steps.push_back(s);
    pause_test::Idle(steps, idle);
    if (shot) shots[steps.size() - 1] = shot;
  };
  pause_test::Idle(steps, 24);
  add({{2, -1}}, 12, "pause_menu");
  add({{0, pause_test::kMenuDecide}}, 6, "command_list");
  add({{2, -1}, {2, -1}}, 3, "command_list_scrolled");
  language[steps.size()] = 0;  // the other side's list in Japanese
  add({{6, -1}}, 3, "command_list_2p_japanese");
  language[steps.size()] = 1;
  add({{0, pause_test::kMenuCancel}}, 12);
  add({{8, -1}, {8, -1}, {0, pause_test::kMenuDecide}}, 30, "pause_menu_question");
  add({{0, pause_test::kMenuCancel}}, 24, "pause_menu_after_no");
  steps.push_back({0, pause_test::kMenuCancel});

  std::map<std::string, std::vector<uint8_t>> pictures;
  int lines[2] = {0, 0};
  auto onStep = [&](size_t i) {
    if (auto it = language.find(i + 1); it != language.end()) config_.SELECT_LANGUAGE = it->second;
    const CommandListView& v = GetCommandListView();
    if (v.lineCount > 0) lines[v.side] = v.lineCount;
    if (auto it = shots.find(i); it != shots.end()) {
      pictures[it->second] = battle_test::ReadSceneTarget(640, 480);
      battle_test::SaveBattleShot(pictures[it->second], 640, 480, it->second, "VT_PAUSE_SHOTS");
    }
  };
  const pause_test::PausedRun run =
      pause_test::RunWithPause(harness, HarnessScriptedMatch(), 360, 300, 0, steps, onStep);
  EndDrivenMatch(harness);
  harness.Stop();

  ASSERT_TRUE(run.paused);
  EXPECT_EQ(run.stepsUnpaused, 0);
  EXPECT_EQ(lines[0], 9);
  EXPECT_EQ(lines[1], 9);
  ASSERT_EQ(pictures.size(), shots.size());
  for (auto& [name, px] : pictures) ASSERT_FALSE(px.empty()) << name;
  const auto& menu = pictures["pause_menu"];
  // The list's bands and names cover the left of the screen where the menu showed the battle.
  EXPECT_GT(Differing(pictures["command_list"], menu, 40, 100, 600, 460), 20000);
  EXPECT_GT(Differing(pictures["command_list_scrolled"], pictures["command_list"], 40, 100, 600, 460), 2000);
  EXPECT_GT(Differing(pictures["command_list_2p_japanese"], pictures["command_list"], 0, 0, 640, 96), 500);
  // The question box over the menu.
  EXPECT_GT(Differing(pictures["pause_menu_question"], menu, 0, 150, 640, 330), 2000);
}

}  // namespace
