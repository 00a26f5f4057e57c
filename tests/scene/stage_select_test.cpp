// The stage select: stepping over a small stage list by mode, an empty list, the input rules
// (player 0 first, joined players only, no decide while the panel slides) and the panel.
#include "scene/stage_select.h"

#include <gtest/gtest.h>

#include "Dxtools/gfx_test_env.h"
#include "Sound/soundproc.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "scene/credits.h"
#include "scene/stage_bg.h"

namespace {

class StageSelect : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    FreeStageList();
    g_GameModeFlags = MODE_VS_PLAYER;
    g_MatchStage = 0;
    g_StageSelect.panel = 1.0f;
    g_StageSelect.scroll = 0.0f;
    g_CreditState = CreditState{};
    std::fill(std::begin(g_SeRequest), std::end(g_SeRequest), 0);
  }
  void TearDown() override {
    FreeStageSelect();
    FreeStageList();
    g_GameModeFlags = 0;
    g_MatchStage = 0;
    g_CreditState = CreditState{};
    RecordingGfx::TearDown();
  }
  // Stages 1, 3, 10, 56 and 99: 3 and 99 are on the versus exclude list, 99 on the training one.
  static void FiveStages() {
    for (int n : {1, 3, 10, 56, 99}) g_StageList[static_cast<size_t>(n)] = std::make_unique<StageListEntry>();
  }
};

TEST_F(StageSelect, StepsOverExcludedAndMissingStagesAndWraps) {
  FiveStages();
  struct Row {
    int32_t mode;
    int stage, steps, expected;
  };
  const Row rows[] = {
      {MODE_VS_PLAYER, 0, 1, 1},     {MODE_VS_PLAYER, 1, 1, 10},    {MODE_VS_PLAYER, 10, 1, 56},
      {MODE_VS_PLAYER, 56, 1, 0},  // 99 passed over, 99 wraps to 0
      {MODE_VS_PLAYER, 0, -1, 56},   {MODE_VS_PLAYER, 0, -3, 1},    {MODE_VS_PLAYER, 0, 5, 1},
      {MODE_VS_PLAYER, 1, 2, 56},    {MODE_VS_PLAYER, 7, 0, 7},     {MODE_VS_CPU, 1, 1, 10},
      {MODE_TRAINING, 1, 1, 3},      {MODE_TRAINING, 3, -1, 1},     {MODE_TRAINING, 56, 1, 0},
      {MODE_TRAINING, 0, -1, 56},    {MODE_VS_PLAYER, -250, 1, 56},  // a word outside the ring is taken onto
                                                                     // it first
      {MODE_VS_PLAYER, 155, -1, 10}, {MODE_VS_PLAYER, -7, 0, -7},
  };
  for (const Row& r : rows) {
    g_GameModeFlags = r.mode;
    EXPECT_EQ(StepStage(r.stage, r.steps), r.expected) << r.mode << " " << r.stage << " " << r.steps;
  }
}

TEST_F(StageSelect, AnEmptyStageListStillReturns) {
  // No list at all (a missing list file): the random stage is the only stop.
  EXPECT_EQ(StepStage(0, 1), 0);
  EXPECT_EQ(StepStage(0, -9), 0);
  EXPECT_EQ(StepStage(40, 1), 0);
  // A list of excluded stages only is as empty.
  for (int n : {3, 4, 99}) g_StageList[static_cast<size_t>(n)] = std::make_unique<StageListEntry>();
  EXPECT_EQ(StepStage(0, 3), 0);
  StageSelectPad pads[2];
  g_CreditState.players[0].joined = 1;
  pads[0].dir = 2;
  EXPECT_EQ(UpdateStageSelect(pads), 1);
  EXPECT_EQ(g_MatchStage, 0);
}

TEST_F(StageSelect, MovesSetTheStageScrollAndSound) {
  FiveStages();
  g_CreditState.players[0].joined = 1;
  StageSelectPad pads[2];
  pads[0].dir = 2;
  EXPECT_EQ(UpdateStageSelect(pads), 1);
  EXPECT_EQ(g_MatchStage, 1);
  EXPECT_EQ(g_StageSelect.previousStage, 0);
  EXPECT_EQ(g_StageSelect.scroll, -1.0f);
  EXPECT_EQ(g_SeRequest[150], 1);
  pads[0].dir = 8;
  EXPECT_EQ(UpdateStageSelect(pads), 1);
  EXPECT_EQ(g_MatchStage, 0);
  EXPECT_EQ(g_StageSelect.previousStage, 1);
  EXPECT_EQ(g_StageSelect.scroll, 1.0f);
  pads[0] = {0, 2};
  EXPECT_EQ(UpdateStageSelect(pads), -1);
}

TEST_F(StageSelect, DecideWaitsForThePanelToLand) {
  FiveStages();
  g_CreditState.players[0].joined = 1;
  StageSelectPad pads[2];
  pads[0].pressed = 1;
  int frames = 0;
  while (g_StageSelect.panel != 0.0f && frames < 100) {
    EXPECT_EQ(UpdateStageSelect(pads), 0) << "frame " << frames;
    ResetDrawList(&g_MainDrawList);
    DrawStageSelect(1);
    ++frames;
  }
  // The slide ends on exactly 0, so the decide can ever count.
  EXPECT_EQ(g_StageSelect.panel, 0.0f);
  EXPECT_LT(frames, 100);
  EXPECT_EQ(g_SeRequest[151], 0);
  EXPECT_EQ(UpdateStageSelect(pads), 255);
  EXPECT_EQ(g_SeRequest[151], 1);
  // Out again: it rises to exactly 1 and draws nothing there.
  for (int i = 0; i < 100; ++i) DrawStageSelect(0);
  EXPECT_EQ(g_StageSelect.panel, 1.0f);
}

TEST_F(StageSelect, PlayerZeroWinsAndOnlyJoinedPlayersCount) {
  FiveStages();
  g_StageSelect.panel = 0.0f;
  StageSelectPad pads[2];
  pads[0].dir = 2;
  pads[1].dir = 8;
  // Player 1 (index 1) alone is joined: player 0's move is not seen.
  g_CreditState.players[1].joined = 1;
  EXPECT_EQ(UpdateStageSelect(pads), 1);
  EXPECT_EQ(g_MatchStage, 56);
  // Both joined, both act: player 0 takes the frame.
  g_MatchStage = 0;
  g_CreditState.players[0].joined = 1;
  EXPECT_EQ(UpdateStageSelect(pads), 1);
  EXPECT_EQ(g_MatchStage, 1);
  // Player 0 cancels while player 1 decides: the cancel.
  pads[0] = {0, 2};
  pads[1] = {0, 1};
  EXPECT_EQ(UpdateStageSelect(pads), -1);
  // Nobody joined: nothing.
  g_CreditState = CreditState{};
  EXPECT_EQ(UpdateStageSelect(pads), 0);
}

TEST_F(StageSelect, MissingPicturesLoadAsNoEntriesAndDrawNothing) {
  FiveStages();
  LoadStageSelect();  // the test's folder holds no pictures
  for (const auto& e : g_StageSelect.entries) EXPECT_EQ(e, nullptr);
  g_StageSelect.panel = 0.0f;
  ResetDrawList(&g_MainDrawList);
  g_MatchStage = 1;
  g_StageSelect.scroll = 1.0f;
  DrawStageSelect(1);
  int textured = 0;
  for (const GrpDrawCommand* c = g_MainDrawList.slots[487].next; c && c->kind != kDrawKindHead; c = c->next)
    if (c->texture != nullptr) ++textured;
  EXPECT_EQ(textured, 0);
}

}  // namespace
