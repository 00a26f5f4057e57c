// The road from a driven match's end through the winner demo (quote and voice) and the VS result
// menu ("SAVE REPLAY", then a leaving choice) to the next scene, with the scene asserted frame by
// frame.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Sound/soundproc.h"
#include "app/text_list.h"
#include "battle/round_flow.h"
#include "scene/match_fixture.h"
#include "scene/vs_result_menu.h"
#include "scene/winner_demo.h"
#include "scene/winner_screen.h"

namespace {

constexpr uint32_t kDecide = 1u << 1;  // the harness pad's raw bits: menu button 0
constexpr uint8_t kDown = 2;

class WinnerRoad : public match_test::DrivenMatchTest {};

ScenePadFrame Pad(uint8_t dir, uint32_t buttons) {
  ScenePadFrame f;
  f.dir[0] = dir;
  f.buttons[0] = buttons;
  return f;
}

TEST_F(WinnerRoad, MatchEndThroughTheWinnerDemoAndTheMenu) {
  namespace fs = std::filesystem;
  for (const char* f : {"GameText.ini", "story", "se", "Information", "bgm"})
    if (!fs::exists(f) && fs::exists(fs::path(VT_SAMPLE_DIR) / f))
      fs::copy(fs::path(VT_SAMPLE_DIR) / f, f, fs::copy_options::recursive);
  struct Case {
    const char* id;
    int scene;
  } cases[] = {{"ONCE_AGAIN", SCENE_VS_SCREEN},
               {"CHARACTER_SELECT", SCENE_CHARA_SELECT},
               {"RETURN_TITLE", SCENE_MAIN_MENU}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scene);
    fs::remove_all("ReplayVS");
    SceneHarness harness;
    SceneHarnessOptions o;
    o.commonResources = true;
    ASSERT_TRUE(harness.Start(o));
    LoadGameText();
    ASSERT_TRUE(StartDrivenMatch(harness, VersusSetup()));
    const DrivenMatchResult m = RunDrivenMatch(harness, HarnessScriptedMatch(), match_test::kBudget);
    ASSERT_EQ(m.nextScene, SCENE_WINNER_DEMO);
    ASSERT_EQ(g_MatchWinnerSide, 1);

    // The winner screen: scene 5 throughout, the quote written and its voice started, then a press
    // (accepted once the quote is complete, the main side having lost) opens the menu.
    int frame = 1;
    bool voiceStarted = false;
    ASSERT_EQ(harness.RunFrame(Pad(0, 0)).sceneId, SCENE_WINNER_DEMO);  // the entry
    while (GetWinnerDemo().step == kStepShowWinner && frame < 1000) {
      const SceneFrameReport r = harness.RunFrame(Pad(0, frame > 200 && frame % 2 ? kDecide : 0));
      ASSERT_EQ(r.sceneId, SCENE_WINNER_DEMO) << "frame " << frame;
      voiceStarted |= GetWinnerScreen().voiceStarted != 0;
      ++frame;
    }
    ASSERT_EQ(GetWinnerDemo().step, kStepResultMenu);
    EXPECT_FALSE(GetWinnerScreen().walkText.empty());
    EXPECT_TRUE(voiceStarted);
    EXPECT_NE(g_VoiceFile.find("windemo_se"), std::string::npos);
    EXPECT_GT(frame, 150);  // the quote starts at 2.5 s

    // The menu: let it open, two downs to "SAVE REPLAY", decide; the OK box tells text 58.
    auto run = [&](const ScenePadFrame& p) {
      const SceneFrameReport r = harness.RunFrame(p);
      return r.sceneId;
    };
    for (int i = 0; i < 40; ++i) ASSERT_EQ(run(Pad(0, 0)), SCENE_WINNER_DEMO);
    ASSERT_NE(g_VsResultMenu, nullptr);
    // Downs through the pads until the cursor is on the element.
    auto moveTo = [&](const std::string& id) {
      for (int i = 0; i < 8 && g_VsResultMenu->sets[0]->CursorElement()->id != id; ++i) {
        run(Pad(kDown, 0));
        for (int k = 0; k < 8; ++k) run(Pad(0, 0));
      }
    };
    moveTo("SAVE_REPLAY");
    ASSERT_EQ(g_VsResultMenu->sets[0]->CursorElement()->id, "SAVE_REPLAY");
    run(Pad(0, kDecide));
    for (int i = 0; i < 30; ++i) ASSERT_EQ(run(Pad(0, 0)), SCENE_WINNER_DEMO);
    ASSERT_NE(g_VsResultMenu->okBox, nullptr);
    EXPECT_EQ(g_VsResultMenu->lastMessage, FormatGameText(GetGameText(58), g_VsResultSavedName));
    EXPECT_TRUE(fs::exists(fs::path("ReplayVS") / g_VsResultSavedName));
    run(Pad(0, kDecide));
    for (int i = 0; i < 30; ++i) ASSERT_EQ(run(Pad(0, 0)), SCENE_WINNER_DEMO);
    ASSERT_EQ(g_VsResultMenu->okBox, nullptr);

    // The leaving choice: the menu closes, a 30-frame fade, then the next scene.
    moveTo(c.id);
    ASSERT_EQ(g_VsResultMenu->sets[0]->CursorElement()->id, c.id);
    run(Pad(0, kDecide));
    int left = -1;
    for (int i = 0; i < 120; ++i) {
      const int id = run(Pad(0, 0));
      if (id != SCENE_WINNER_DEMO) {
        left = i;
        EXPECT_EQ(id, c.scene);
        break;
      }
    }
    EXPECT_GT(left, 30);
    harness.LeaveScene();
    harness.Stop();
  }
}

}  // namespace
