// The special stage of an arcade route (flag, character offsets, the camera's fixed zoom) and
// the story-battle text path of the current route stage.
#include "battle/battle_match_setup.h"

#include <bit>
#include <string>

#include "battle/round_flow.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using MatchSetup = BattleTest;

// The main side's route stage the seam reports; has = false: no stage (route finished).
struct Route {
  bool has = true;
  int32_t kind = 0, index = 0, text = -1, ex = 0;
  std::string name = "Duelist";
};
Route g_Route;
float g_Zoom = 0.0f;
int g_DrawOn = -1;

void InstallRoute(const Route& r) {
  g_Route = r;
  g_Zoom = 0.0f;
  g_DrawOn = -1;
  g_BattleSeams.MainRouteStage = [](int32_t* info, std::string* name) {
    if (!g_Route.has) return 0;
    info[0] = g_Route.kind;
    info[1] = g_Route.index;
    info[2] = g_Route.text;
    info[3] = g_Route.ex;
    *name = g_Route.name;
    return 1;
  };
  g_BattleSeams.SetStageFixedZoom = [](float z) { g_Zoom = z; };
  g_BattleSeams.SetDrawCharactersOn = [](int on) { g_DrawOn = on; };
}

TEST_F(MatchSetup, SpecialStageOnlyOnAKind32RouteStageInArcade) {
  const struct {
    const char* name;
    int32_t mode;
    Route route;
    int32_t flag, x, y;
  } cases[] = {
      {"arcade kind 32", 0x10, {true, 32}, 1, -50, 130},
      {"arcade other kind", 0x10, {true, 8}, 0, 0, 0},
      {"arcade route finished", 0x10, {false, 32}, 0, 0, 0},
      {"versus on a kind 32 stage", 0x1, {true, 32}, 0, 0, 0},
  };
  for (const auto& c : cases) {
    g_GameModeFlags = c.mode;
    InstallRoute(c.route);
    g_BattleState[BattleStateIndex::kSpecialStage] = 7;
    g_SpecialStageOffsetX = g_SpecialStageOffsetY = 99;
    InitMatchBattleState();
    EXPECT_EQ(g_BattleState[BattleStateIndex::kSpecialStage], c.flag) << c.name;
    EXPECT_EQ(g_SpecialStageOffsetX, c.x) << c.name;
    EXPECT_EQ(g_SpecialStageOffsetY, c.y) << c.name;

    // The camera set-up at the fight call clears them again; only the special stage zooms.
    SetupSpecialStageCamera();
    EXPECT_EQ(g_BattleState[BattleStateIndex::kSpecialStage], 0) << c.name;
    EXPECT_EQ(g_SpecialStageOffsetX, 0) << c.name;
    EXPECT_EQ(g_SpecialStageOffsetY, 0) << c.name;
    EXPECT_EQ(g_DrawOn, 1) << c.name;
    EXPECT_EQ(std::bit_cast<uint32_t>(g_Zoom), c.flag ? 0x3F3E11CBu : 0u) << c.name;
  }
}

TEST_F(MatchSetup, StoryTextPath) {
  const struct {
    const char* name;
    int32_t mode;
    int attract;
    int language;
    Route route;
    const char* path;  // null: no story text
  } cases[] = {
      {"first stage, text 0", 0x10, 0, 0, {true, 0, 0, 0, 0}, ".\\story\\battle\\jpn\\Duelist01.txt"},
      {"english, text 2", 0x10, 0, 1, {true, 0, 4, 2, 0}, ".\\story\\battle\\eng\\Duelist05_2.txt"},
      {"extra route", 0x10, 0, 0, {true, 0, 10, 1, 1}, ".\\story\\battle\\jpn\\DuelistEx11_1.txt"},
      {"no text on the stage", 0x10, 0, 0, {true, 0, 1, -1, 0}, nullptr},
      {"route finished", 0x10, 0, 0, {false, 0, 1, 0, 0}, nullptr},
      {"attract demo", 0x10, 1, 0, {true, 0, 1, 0, 0}, nullptr},
      {"not arcade", 0x11, 0, 0, {true, 0, 1, 0, 0}, nullptr},
  };
  static int language;
  for (const auto& c : cases) {
    g_GameModeFlags = c.mode;
    InstallRoute(c.route);
    language = c.language;
    g_AttractDemo = c.attract;
    g_BattleSeams.SelectLanguage = [] { return language; };
    std::string path = "untouched";
    EXPECT_EQ(StageHasStoryText(), c.path ? 1 : 0) << c.name;
    EXPECT_EQ(MakeStoryBattleTextPath(&path), c.path ? 1 : 0) << c.name;
    EXPECT_EQ(path, c.path ? c.path : "untouched") << c.name;
  }
  g_AttractDemo = 0;
}

}  // namespace
