// Shared fixture of the scene tests: the battle world reset, a configuration record in place of
// the saved one, and the scene words back to their start values.
#pragma once

#include <gtest/gtest.h>

#include "app/save_data.h"
#include "battle/battle_fixture.h"
#include "battle/cpu_defence.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"
#include "directnet/direct_net_state.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/menu_player.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"

namespace scene_test {

inline void ResetSceneWords() {
  g_CreditState = CreditState{};
  g_ChallengeState = 0;
  g_ArcadeVariant = 0;
  g_DrawCharactersOn = 1;
  g_AttractIdleFrames = 0;
  g_MatchRuleHooks = MatchRuleHooks{};
  g_SceneBattleHooks = SceneBattleHooks{};
  g_GameModeFlags = 0;
  g_CpuLevel = 0;
  g_MenuPlayer = 0;
  g_NetworkMatch = g_DirectNetMode = g_DirectNetSession = 0;
  g_AttractDemo = 0;
  g_SceneId = 0;
  g_SceneEnter = 0;
  g_TitleSkipIntro = g_RankingReturnScene = g_RankingFromMenu = 0;
  g_SceneBattleFrame = 0;
  g_CoinQuery = nullptr;
  g_AirRecoveryMode = g_DownRecoveryMode = 0;
  GetSceneBattle() = CSceneBattle{};
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    battle_test::ResetWorld();
    ResetSceneWords();
    FillDefaultGameData(config_);
    g_GameData = &config_;
  }
  void TearDown() override {
    g_GameData = nullptr;
    ResetSceneWords();
    battle_test::ResetWorld();
  }
  GameData config_{};
};

}  // namespace scene_test
