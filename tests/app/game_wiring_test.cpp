// The game wiring's seam table: after InstallGameWiring every battle seam and every draw seam is
// either installed or on the written list below of the rows left neutral, each naming the later
// work that fills it (or the decision that keeps it neutral). A new row with neither fails, and
// so does a row that got installed while it is still on the list. Start-up's hook wires the
// same table.
#include "app/game_wiring.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/app_services.h"
#include "battle/battle_draw.h"
#include "battle/battle_seams.h"

namespace {

// Row name -> the work that fills it.
const std::map<std::string, std::string>& NeutralRows() {
  static const std::map<std::string, std::string> rows = {
      // later work
      {"IsNetMatchActive", "Online mode lobby and match sequences"},
      {"QueueRatingResult", "Online mode lobby and match sequences"},
      {"ApplyMatchResult", "Online mode lobby and match sequences"},
      {"CountNetVSMatchResult", "Direct netplay"},
      {"AchieveEndingFlags", "online achievements (not filed yet)"},
      {"AddAchievementCounter", "online achievements (not filed yet)"},
      {"SetAchievementStat", "online achievements (not filed yet)"},
      {"CountAchievementProgress", "online achievements (not filed yet)"},
      {"IsLocalSide", "online achievements (not filed yet)"},
      {"QueueAchievement", "online achievements (not filed yet)"},
      {"CloseStageAchievementCounters", "online achievements (not filed yet)"},
      {"WatchPatternAchievements", "online achievements (not filed yet)"},
      {"StepAchievementTimers", "online achievements (not filed yet)"},
      {"ResetRemovalAchievementCounter", "online achievements (not filed yet)"},
      // neutral by decision
      {"TrainingShieldNotice", "neutral by decision: nothing shows the notice"},
      {"LoadCutSpritePageBitmaps", "neutral by decision: sprite sheets carry their own pixels"},
      {"LoadPAniPageBitmaps", "neutral by decision: sprite sheets carry their own pixels"},
      {"DrawList", "neutral by decision: the graphics layer's default list"},
      {"SpecialStageOffsets", "neutral by decision: the match set-up's offsets"},
  };
  return rows;
}

struct Row {
  std::string name;
  bool installed;
};

// Every battle seam row, through the seam list itself, and every draw seam.
std::vector<Row> SeamTable() {
  std::vector<Row> rows;
#define VT_ROW(ret, name, params, args, def) rows.push_back({#name, g_BattleSeams.name != nullptr});
  BATTLE_SEAM_LIST(VT_ROW)
#undef VT_ROW
  // A draw seam added to the record needs a line here (the size check stops the build until then).
  static_assert(sizeof(BattleDrawSeams) == 10 * sizeof(void (*)()), "a new draw seam needs its row here");
  const BattleDrawSeams& d = g_BattleDrawSeams;
  rows.push_back({"CameraMatrix", d.CameraMatrix != nullptr});
  rows.push_back({"TintFactors", d.TintFactors != nullptr});
  rows.push_back({"PoolDrawingOn", d.PoolDrawingOn != nullptr});
  rows.push_back({"HiddenPartner", d.HiddenPartner != nullptr});
  rows.push_back({"SpecialStageOffsets", d.SpecialStageOffsets != nullptr});
  rows.push_back({"DrawList", d.DrawList != nullptr});
  rows.push_back({"FloorMatrix", d.FloorMatrix != nullptr});
  rows.push_back({"StageLights", d.StageLights != nullptr});
  rows.push_back({"CutInTexture", d.CutInTexture != nullptr});
  rows.push_back({"HudSlide", d.HudSlide != nullptr});
  return rows;
}

void ClearSeams() {
  ResetBattleSeams();
  ResetBattleDrawSeams();
}

class GameWiring : public ::testing::Test {
 protected:
  void SetUp() override { ClearSeams(); }
  void TearDown() override { ClearSeams(); }
};

TEST_F(GameWiring, EverySeamIsInstalledOrListedWithTheWorkThatFillsIt) {
  InstallGameWiring();
  const std::map<std::string, std::string>& neutral = NeutralRows();
  std::map<std::string, int> seen;
  int installed = 0;
  for (const Row& row : SeamTable()) {
    ++seen[row.name];
    const bool listed = neutral.count(row.name) != 0;
    if (row.installed) {
      ++installed;
      EXPECT_FALSE(listed) << row.name << " is installed now: take it off the neutral list ("
                           << neutral.at(row.name) << ")";
    } else {
      EXPECT_TRUE(listed)
          << row.name << " is neutral after the game wiring: install it there or list the work that fills it";
    }
  }
  for (const auto& [name, count] : seen) EXPECT_EQ(count, 1) << name << " is a row of both tables";
  for (const auto& [name, filledBy] : neutral)
    EXPECT_EQ(seen.count(name), 1u) << name << " (" << filledBy << ") is listed but is no seam row";
  // The battle rules and the stage are wired at all (an empty wiring would list nothing new).
  EXPECT_GT(installed, 0);
}

TEST_F(GameWiring, StartUpHookWiresTheSameTable) {
  InstallGameWiring();
  const BattleSeams wired = g_BattleSeams;
  const BattleDrawSeams wiredDraw = g_BattleDrawSeams;
  ClearSeams();
  vt::Services().InstallGameWiring();  // the default services, as start-up calls them
#define VT_SAME(ret, name, params, args, def) EXPECT_EQ(g_BattleSeams.name, wired.name) << #name;
  BATTLE_SEAM_LIST(VT_SAME)
#undef VT_SAME
  // The draw seams are eight pointers and nothing else (checked where the table lists them).
  EXPECT_EQ(std::memcmp(&g_BattleDrawSeams, &wiredDraw, sizeof wiredDraw), 0);
}

}  // namespace
