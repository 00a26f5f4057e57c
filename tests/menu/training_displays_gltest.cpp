// The training displays rendered on the offscreen GL device over a plain picture: recording and
// playback status with their bars, the action countdown, the damage panel and the input history;
// pictures are written where VT_DISPLAY_SHOTS names a folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Replay/replay_controller.h"
#include "battle/battle_gl_shots.h"
#include "battle/battle_records.h"
#include "battle/character_draw.h"
#include "battle/cpu_defence.h"
#include "menu/training_displays.h"
#include "menu/training_hooks.h"
#include "menu/training_settings.h"
#include "scene/scene_fixture.h"
#include "scene/scene_frame.h"
#include "scene/scene_harness.h"

namespace {

namespace fs = std::filesystem;

int g_kind = 0;
int DisplaysOnly(int) {
  if (g_SceneEnter) g_SceneEnter = 0;
  DrawRect(nullptr, 0, 0, 640, 480, 0xFF405060, 0xFF405060, 0xFF203040, 0xFF203040, 0);
  DrawActionTime();
  DrawDummyReplayStatus(g_kind);
  DrawTrainingDamageInfo();
  DrawTrainingInputHistory();
  return 1;
}

class TrainingDisplaysGl : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    for (const auto& entry : fs::directory_iterator(VT_SAMPLE_DIR)) {
      const fs::path here = entry.path().filename();
      if (!fs::exists(here)) fs::create_symlink(entry.path(), here);
    }
  }
  void TearDown() override {
    FreeBattleHudTextures();
    harness_.Stop();
    ResetTrainingSettings();
    ClearInputHistory();
    g_ReplayController = ReplayController{};
    g_BattleState[BattleStateIndex::kTrainingDisplay] = 0;
    SceneTest::TearDown();
  }
  SceneHarness harness_;
};

TEST_F(TrainingDisplaysGl, RecordingAndPlaybackOverTheFight) {
  SceneHarnessOptions o;
  o.gl = true;
  o.width = 640;
  o.height = 480;
  o.firstScene = SCENE_PROC_TEST;
  o.commonResources = true;
  ASSERT_TRUE(harness_.Start(o));
  RegisterScene(SCENE_PROC_TEST, {DisplaysOnly, nullptr});
  LoadBattleHudTextures();
  ASSERT_NE(g_BattleHudTextures.monitor, nullptr);

  g_TrainingSettings[ENEMY_STATUS] = kEnemyStand;
  g_TrainingSettings[ENEMY_ACTION] = 2;
  g_TrainingSettings[REPLAY_SLOT] = 1;
  g_TrainingSettings[REPLAY_TYPE] = 2;
  g_TrainingActionTimer = 100;
  g_BattleState[BattleStateIndex::kTrainingDisplay] = 1;
  SideStatus& s = g_SideStatus[0];
  s.statRecords[0] = {14, 12, 3250, 4100, 380, 0};
  s.prorationShown = 64;
  s.bestStats[0] = 21;
  s.bestStats[1] = 4870;
  s.bestCombo = 19;
  g_PlayerRecords[0].obj.reversedFrames = 300;
  // A slot of 20 s played to 7.5 s.
  ReplayController& c = g_ReplayController;
  c.dummyMode = 1;
  c.file.rounds.resize(kDummySlots);
  c.file.roundIndex = 3;
  ReplayRound& r = c.file.rounds[3];
  for (int i = 0; i < 5; ++i) r.streams[0].entries.push_back({5, kReplayRunLimit, 0});
  r.Rewind();
  for (int f = 0; f < 450; ++f) r.Step();
  g_DummyPlaySlot = 3;
  g_SelectedDummySlot = 6;
  // A history of moves: a quarter circle and buttons, each held a while.
  const struct {
    int dir, buttons, frames;
  } inputs[] = {{2, 0, 4}, {3, 0, 3}, {6, 1, 2}, {6, 0, 20}, {5, 0, 30}, {4, 2, 6}, {1, 12, 9}, {8, 15, 40}};
  for (const auto& in : inputs)
    for (int f = 0; f < in.frames; ++f) AddInputHistoryRow(in.dir, in.buttons);
  g_PlayerRecords[0].obj.inputDirFacing = 6;
  g_PlayerRecords[0].obj.inputButtons = 0x4;

  g_kind = 1;
  harness_.RunFrame();
  std::vector<uint8_t> px = battle_test::ReadSceneTarget(640, 480);
  ASSERT_FALSE(px.empty());
  battle_test::SaveBattleShot(px, 640, 480, "displays_playback", "VT_DISPLAY_SHOTS");
  g_kind = 2;
  g_MainSide = 1;  // the history to the right, the panel to the left
  g_SideStatus[1] = s;
  g_PlayerRecords[1].obj.inputDirFacing = 2;
  harness_.RunFrame();
  px = battle_test::ReadSceneTarget(640, 480);
  battle_test::SaveBattleShot(px, 640, 480, "displays_recording", "VT_DISPLAY_SHOTS");
  g_MainSide = 0;
  // The bar's light frame at the status bar's left end (x 117, y 123..133).
  const size_t i = (static_cast<size_t>(124) * 640 + 118) * 4;
  EXPECT_GT(px[i] + px[i + 1] + px[i + 2], 3 * 150);
}

}  // namespace
