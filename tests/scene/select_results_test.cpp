// The select's results: the records, which story routes restart, the pick counts, the next
// scene, the online copies and the battle-table chooser, each driven directly.
#include "scene/select_results.h"

#include <gtest/gtest.h>

#include "app/input/net_input_link.h"
#include "app/random.h"
#include "app/save_data.h"
#include "app/text_list.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "battle/story_routes.h"
#include "scene/online_mode_manager.h"
#include "scene/online_standins.h"
#include "scene/scene_fixture.h"

namespace {

class SelectResults : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    for (int s = 0; s < 2; ++s) {
      ResetStoryBattleRoute(g_StoryBattleRoutes[s]);
      ResetRouteStages(g_StoryBattleRoutes[s]);
      g_PlayerSelections[s] = PlayerSelection{};
    }
    FillDefaultPlayData(play_);
    g_PlayData = &play_;
    g_SelectStoryHooks = SelectStoryHooks{};
    SeedRandStream(kRandCommonStream, 1234);
  }
  void TearDown() override {
    g_PlayData = nullptr;
    g_SelectStoryHooks = SelectStoryHooks{};
    SetOnlineModeManager(nullptr);
    SetNetCtrl(nullptr);
    SceneTest::TearDown();
  }
  PlayData play_{};
};

TEST_F(SelectResults, WritesBothRecordsAndANegativeTypeBecomesZero) {
  g_PlayerSelections[0].controller = 1;
  g_PlayerSelections[0].overrideMode = 7;
  SelectSideResult sides[2] = {{4, 12, -1}, {33, 35, 2}};
  WritePlayerSelections(sides);
  EXPECT_EQ(sides[0].type, 0);  // kept: the side itself takes the 0
  const PlayerSelection& a = g_PlayerSelections[0];
  EXPECT_EQ(a.character, 4);
  EXPECT_EQ(a.color, 12);
  EXPECT_EQ(a.type, 0);
  EXPECT_EQ(a.side, 0);
  EXPECT_EQ(a.ratio, 100);
  EXPECT_EQ(a.overrideMode, 0);
  EXPECT_EQ(a.overrideValue, 0);
  EXPECT_EQ(a.controller, 1);  // the controller is the select's own, not written here
  EXPECT_EQ(g_PlayerSelections[1].character, 33);
  EXPECT_EQ(g_PlayerSelections[1].type, 2);
  EXPECT_EQ(g_PlayerSelections[1].side, 1);
}

TEST(RouteFate, ByModeChallengeSideAndCharacter) {
  struct Row {
    int32_t mode;
    int32_t challenge;
    bool main;
    int32_t stored, chosen;
    RouteFate fate;
  };
  const Row rows[] = {
      {MODE_VS_PLAYER, 0, true, 5, 5, RouteFate::kRestart},
      {MODE_VS_PLAYER, 0, false, 5, 5, RouteFate::kRestart},
      {MODE_VS_PLAYER, 255, true, 5, 5, RouteFate::kKeep},
      {MODE_VS_PLAYER, 255, false, 5, 6, RouteFate::kRestart},
      {MODE_VS_PLAYER, 1, false, 6, 6, RouteFate::kKeep},
      {MODE_ARCADE, 0, true, 5, 5, RouteFate::kKeep},
      {MODE_ARCADE, 0, true, 5, 9, RouteFate::kRestart},
      {MODE_ARCADE, 0, false, 5, 5, RouteFate::kCpuSide},
      {MODE_VS_CPU, 255, true, 5, 5, RouteFate::kRestart},
      {MODE_CPU_VS_CPU, 0, true, 5, 5, RouteFate::kRestart},
      {MODE_TRAINING, 0, false, 5, 5, RouteFate::kRestart},
  };
  for (const Row& r : rows)
    EXPECT_EQ(DecideRouteFate(r.mode, r.challenge, r.main, r.stored, r.chosen), r.fate)
        << r.mode << " " << r.challenge << " " << r.main << " " << r.stored << " " << r.chosen;
}

TEST_F(SelectResults, ArcadeKeepsTheSameCharactersRouteAndTheCpuSideStoresNone) {
  g_GameModeFlags = MODE_ARCADE;
  g_MainSide = 0;
  StoryBattleRoute& main = g_StoryBattleRoutes[0];
  main.playerCharacter = 7;
  main.stageIndex = 3;
  main.stageCount = 8;
  g_SideStatus[0].score = 900;
  SelectSideResult sides[2] = {{7, 2, 1}, {12, 0, 0}};
  bool restarted[2] = {};
  SettleStoryRoutes(sides, 0, restarted);
  EXPECT_FALSE(restarted[0]);
  EXPECT_FALSE(restarted[1]);
  EXPECT_EQ(main.stageIndex, 3);  // progress goes on
  EXPECT_EQ(g_SideStatus[0].score, 900);
  EXPECT_EQ(main.playerColor, 2);
  EXPECT_EQ(main.playerType, 1);
  EXPECT_EQ(g_StoryBattleRoutes[1].playerCharacter, -1);
}

TEST_F(SelectResults, ARestartClearsTheSideAndDrawsTheCoinOnlyForTwoRouteCharacters) {
  struct Row {
    int32_t character;
    int draws;
  };
  for (const Row r : {Row{20, 1}, Row{30, 1}, Row{5, 0}}) {
    g_GameModeFlags = MODE_VS_PLAYER;
    int kindCleared = 0;
    static int* counter;
    counter = &kindCleared;
    g_SelectStoryHooks.clearStoryKind = [] { ++*counter; };
    g_StoryBattleRoutes[0].stageIndex = 4;
    g_SideStatus[0].score = 50;
    SelectSideResult sides[2] = {{r.character, 1, 0}, {r.character == 5 ? 6 : 5, 0, 0}};
    bool restarted[2] = {};
    const int32_t before = g_RandDrawCount;
    SettleStoryRoutes(sides, 0, restarted);
    EXPECT_TRUE(restarted[0]);
    EXPECT_TRUE(restarted[1]);
    EXPECT_EQ(g_RandDrawCount - before, r.draws) << r.character;
    EXPECT_EQ(g_StoryBattleRoutes[0].stageIndex, 0);
    EXPECT_EQ(g_StoryBattleRoutes[0].playerCharacter, r.character);
    EXPECT_EQ(g_SideStatus[0].score, 0);
    EXPECT_EQ(kindCleared, 2);
  }
  // With a battle-table result the route is not reset.
  g_StoryBattleRoutes[0].stageIndex = 4;
  SelectSideResult sides[2] = {{3, 0, 0}, {4, 0, 0}};
  bool restarted[2] = {};
  SettleStoryRoutes(sides, 2, restarted);
  EXPECT_EQ(g_StoryBattleRoutes[0].stageIndex, 4);
  EXPECT_EQ(g_StoryBattleRoutes[0].playerCharacter, 3);
}

TEST_F(SelectResults, AChallengerMatchCountsOnBothSides) {
  g_GameModeFlags = MODE_VS_PLAYER;
  g_ChallengeState = 255;
  // Side 0 keeps its route (same character) and its count; side 1 restarts, which clears its
  // side record before the count.
  g_StoryBattleRoutes[0].playerCharacter = 3;
  g_SideStatus[0].arcadeTotals[9] = 2;
  g_SideStatus[1].arcadeTotals[9] = 6;
  SelectSideResult sides[2] = {{3, 0, 0}, {4, 0, 0}};
  bool restarted[2] = {};
  SettleStoryRoutes(sides, 0, restarted);
  EXPECT_EQ(g_SideStatus[0].arcadeTotals[9], 3);
  EXPECT_EQ(g_SideStatus[1].arcadeTotals[9], 1);
}

// A character that has a play-statistics record.
int CharacterWithRecord(int from) {
  for (int c = from; c < 200; ++c)
    if (CharacterRecordIndex(c) >= 0) return c;
  return -1;
}

TEST_F(SelectResults, CountsTheMainSidesRestartAndTheOtherSideOnlyInAChallenge) {
  const int a = CharacterWithRecord(0);
  const int b = CharacterWithRecord(a + 1);
  ASSERT_GE(b, 0);
  const int ra = CharacterRecordIndex(a), rb = CharacterRecordIndex(b);
  struct Row {
    int32_t challenge;
    bool restarted0;
    int countA, countB;
  };
  const Row rows[] = {{0, true, 1, 0}, {0, false, 0, 0}, {255, true, 1, 1}, {255, false, 0, 1}};
  for (const Row& r : rows) {
    FillDefaultPlayData(play_);
    g_ChallengeState = static_cast<uint8_t>(r.challenge);
    g_MainSide = 0;
    const SelectSideResult sides[2] = {{a, 0, 0}, {b, 0, 0}};
    const bool restarted[2] = {r.restarted0, true};
    CountCharacterSelections(sides, restarted);
    EXPECT_EQ(play_.characters[ra].counters[0], r.countA) << r.challenge << r.restarted0;
    EXPECT_EQ(play_.characters[rb].counters[0], r.countB) << r.challenge << r.restarted0;
  }
  // The counter stops at its largest value; a character without a record counts nowhere.
  FillDefaultPlayData(play_);
  g_ChallengeState = 0;
  play_.characters[ra].counters[0] = 0x7FFFFFFF;
  const SelectSideResult sides[2] = {{a, 0, 0}, {-1, 0, 0}};
  const bool restarted[2] = {true, true};
  CountCharacterSelections(sides, restarted);
  EXPECT_EQ(play_.characters[ra].counters[0], 0x7FFFFFFF);
}

TEST_F(SelectResults, NextSceneByModeAndRoute) {
  static int storyCalls, openingCalls, endingCalls;
  static bool hasText;
  storyCalls = openingCalls = endingCalls = 0;
  struct Row {
    int32_t mode;
    int32_t tableResult;
    int32_t stageIndex;
    int32_t entryFlags;
    bool text;
    int scene;  // 0: the scene is left to the story starter
  };
  const Row rows[] = {
      {MODE_VS_PLAYER, 0, 0, 0, false, SCENE_VS_SCREEN},
      {MODE_VS_CPU, 0, 3, 0, true, SCENE_VS_SCREEN},
      {MODE_TRAINING, 0, 0, 0, true, SCENE_VS_SCREEN},
      {MODE_ARCADE, 0, 0, 0, false, SCENE_NEXT_STAGE},  // no start text
      {MODE_ARCADE, 0, 0, 0, true, SCENE_STORY},
      {MODE_ARCADE, 0, 2, 0x400, true, SCENE_VS_SCREEN},
      {MODE_ARCADE, 0, 2, 0x10, true, SCENE_NEXT_STAGE},
      {MODE_ARCADE, 3, 2, 0x400, true, SCENE_NEXT_STAGE},
  };
  g_SelectStoryHooks.startCharacterStory = [](int) {
    ++storyCalls;
    return hasText;
  };
  for (const Row& r : rows) {
    g_SceneId = SCENE_CHARA_SELECT;
    g_SceneEnter = 0;
    g_GameModeFlags = r.mode;
    g_MainSide = 0;
    hasText = r.text;
    StoryBattleRoute& route = g_StoryBattleRoutes[0];
    route.stageIndex = r.stageIndex;
    route.stageCount = 5;
    route.stages[r.stageIndex].flags = r.entryFlags;
    GoToNextSceneFromSelect(r.tableResult);
    EXPECT_EQ(g_SceneId, r.scene) << r.mode << " " << r.tableResult << " " << r.stageIndex;
    EXPECT_EQ(g_SceneEnter, 1);
  }
  EXPECT_EQ(storyCalls, 2);
  g_SelectStoryHooks.startOpeningStoryScript = [] { ++openingCalls; };
  g_SelectStoryHooks.startEndingStoryScript = [] { ++endingCalls; };
  g_GameModeFlags = MODE_ARCADE;
  GoToNextSceneFromSelect(1);
  GoToNextSceneFromSelect(2);
  EXPECT_EQ(openingCalls, 1);
  EXPECT_EQ(endingCalls, 1);
}

TEST_F(SelectResults, AnOnlineFinishTakesTheNetCopiesAndFillsRanksOnlyInARankMatch) {
  ScriptedOnlineModeManager online;
  online.netMatchActive = true;
  ScriptedNetCtrl net;
  net.stage = 17;
  net.records[0].type = 2;
  net.records[0].colour = 9;
  net.records[1].type = 1;
  net.records[1].colour = 30;
  SetOnlineModeManager(&online);
  SetNetCtrl(&net);
  g_GameModeFlags = MODE_VS_PLAYER;
  for (int mode : {5, 13}) {
    online.netMode = mode;
    SelectSideResult sides[2] = {{4, 0, 0}, {8, 0, 0}};
    FinishCharacterSelect(sides, 0);
    EXPECT_EQ(g_MatchStage, 17);
    EXPECT_EQ(g_PlayerSelections[0].type, 2);
    EXPECT_EQ(g_PlayerSelections[0].color, 9);
    EXPECT_EQ(g_PlayerSelections[1].color, 30);
    EXPECT_EQ(net.sides[0].character, 4);
    EXPECT_EQ(net.sides[1].character, 8);
  }
  EXPECT_EQ(net.rankFills, 1);
  // Offline nothing of the net layer is read.
  online.netMatchActive = false;
  g_MatchStage = 3;
  SelectSideResult sides[2] = {{4, 5, 1}, {8, 6, 0}};
  FinishCharacterSelect(sides, 0);
  EXPECT_EQ(g_MatchStage, 3);
  EXPECT_EQ(g_PlayerSelections[0].color, 5);
  EXPECT_EQ(net.rankFills, 1);
}

TEST_F(SelectResults, BattleTableChooserRowsAndResults) {
  StoryBattleRoute& route = g_StoryBattleRoutes[0];
  route.stageCount = 3;
  route.stageIndex = 1;
  for (int i = 0; i < 3; ++i) {
    route.stages[i].opponent = 250;  // no such character in an empty list
    route.stages[i].stage = 10 + i;
    route.stages[i].textNumber = -1;
  }
  BattleTableChooser chooser;
  std::vector<std::string> rows = chooser.Rows(0);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0], "TABLE CHANGE  NO.00");
  EXPECT_EQ(rows[1], "START MESSAGE");
  EXPECT_EQ(rows[2], "ENDING MESSAGE");
  EXPECT_NE(rows[3].find("Battle01 Error"), std::string::npos);
  // Table number: right raises it on row 0 only, left never below 0.
  EXPECT_EQ(chooser.Input(0, 4, 0), 0);
  EXPECT_EQ(chooser.table, 0);
  chooser.Input(0, 6, 0);
  chooser.Input(0, 6, 0);
  EXPECT_EQ(chooser.table, 2);
  EXPECT_EQ(chooser.Rows(0)[0], "TABLE CHANGE  NO.02");
  // Up from row 0 wraps to the last stage row.
  chooser.Input(0, 8, 0);
  EXPECT_EQ(chooser.row, 5);
  chooser.Input(0, 6, 0);
  EXPECT_EQ(chooser.table, 2);
  struct Row {
    int row;
    int result;
    int stageIndex;
  };
  for (const Row r : {Row{1, 1, 0}, Row{2, 2, 3}, Row{3, 3, 0}, Row{5, 3, 2}}) {
    chooser.row = r.row;
    route.stageIndex = 1;
    EXPECT_EQ(chooser.Input(0, 0, 1), r.result) << r.row;
    EXPECT_EQ(route.stageIndex, r.stageIndex) << r.row;
  }
  chooser.row = 3;
  EXPECT_EQ(chooser.Input(0, 0, 0), 0);  // no decide, no result
}

}  // namespace

namespace {

// The select view's battle role is the input exchange's: one source for the battle and the select.
TEST(NetCtrlView, BattleRoleComesFromTheInputLink) {
  LoopbackNetInputLink link;
  SetNetInputLink(&link);
  for (int role : {-1, 1, 2, 3}) {
    link.Reset(role);
    EXPECT_EQ(GetNetCtrl().GetBattleRole(), role);
    ScriptedNetCtrl fake;
    SetNetCtrl(&fake);
    EXPECT_EQ(GetNetCtrl().GetBattleRole(), role);
    SetNetCtrl(nullptr);
  }
  SetNetInputLink(nullptr);
}

// The sample net-match word list reads whole (it ends with the end marker) in both folders.
TEST(NetVSKillInfoWords, SampleListsLoad) {
  for (const char* language : {"eng", "jpn"}) {
    TextList list;
    EXPECT_EQ(list.Load(std::string(VT_SAMPLE_DIR) + "/Information/" + language + "/NetVSKillInfoWord.ini"),
              1);
    EXPECT_GE(list.Count(), 3u);
  }
}

}  // namespace
