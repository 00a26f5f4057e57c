// The select's results, the next scene and the battle-table chooser.
#include "scene/select_results.h"

#include <cstdio>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/system_font.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "battle/story_routes.h"
#include "scene/game_modes.h"
#include "scene/online_mode_manager.h"
#include "scene/online_standins.h"
#include "scene/scene_frame.h"

SelectStoryHooks g_SelectStoryHooks;

namespace {

constexpr int32_t kRouteEntryGoesToVs = 0x400;

template <class F, class... A>
void Call(F f, A... a) {
  if (f != nullptr) f(a...);
}

}  // namespace

void WritePlayerSelections(SelectSideResult sides[2]) {
  for (int s = 0; s < 2; ++s) {
    if (sides[s].type < 0) sides[s].type = 0;
    PlayerSelection& p = g_PlayerSelections[s];
    p.character = sides[s].character;
    p.color = sides[s].colour;
    p.type = sides[s].type;
    p.side = s;
    p.ratio = 100;
    p.overrideMode = 0;
    p.overrideValue = 0;
  }
}

RouteFate DecideRouteFate(int32_t mode, int32_t challengeState, bool mainSide, int32_t storedCharacter,
                          int32_t character) {
  const RouteFate sameOrNew = storedCharacter == character ? RouteFate::kKeep : RouteFate::kRestart;
  if (mode == MODE_VS_PLAYER) return challengeState != 0 ? sameOrNew : RouteFate::kRestart;
  if (mode == MODE_ARCADE) return mainSide ? sameOrNew : RouteFate::kCpuSide;
  return RouteFate::kRestart;
}

void SettleStoryRoutes(const SelectSideResult sides[2], int32_t battleTableResult, bool restarted[2]) {
  for (int s = 0; s < 2; ++s) {
    StoryBattleRoute& route = g_StoryBattleRoutes[s];
    const RouteFate fate = DecideRouteFate(g_GameModeFlags, g_ChallengeState, s == g_MainSide,
                                           route.playerCharacter, sides[s].character);
    restarted[s] = fate == RouteFate::kRestart;
    if (restarted[s] && battleTableResult == 0) {
      ResetStoryBattleRoute(route);
      const int32_t c = sides[s].character;
      // The coin for the two characters with two routes comes from the common stream, in the
      // select's order of draws.
      const int variant = c == 20 || c == 30 ? RandNext() % 2 : 0;
      LoadStoryBattleRoute(s, c, variant);
      Call(g_SelectStoryHooks.clearStoryKind);
      g_SideStatus[s] = SideStatus{};
    }
    route.playerCharacter = fate == RouteFate::kCpuSide ? -1 : sides[s].character;
    route.playerColor = sides[s].colour;
    route.playerType = sides[s].type;
    if (g_ChallengeState != 0) ++g_SideStatus[s].arcadeTotals[9];
  }
}

void CountCharacterSelections(const SelectSideResult sides[2], const bool restarted[2]) {
  if (g_PlayData != nullptr) {
    for (int s = 0; s < 2; ++s) {
      const bool main = s == g_MainSide;
      if (main ? !restarted[s] : g_ChallengeState == 0) continue;
      const int record = CharacterRecordIndex(sides[s].character);
      if (record < 0) continue;
      int32_t& count = g_PlayData->characters[record].counters[0];
      if (count < 0x7FFFFFFF) ++count;
    }
  }
  SavePlayData();
}

void FinishCharacterSelect(SelectSideResult sides[2], int32_t battleTableResult) {
  OnlineModeManager& online = GetOnlineModeManager();
  if (online.IsNetMatchActive()) {
    NetCtrl& net = GetNetCtrl();
    net.ResetMatchSides();
    g_MatchStage = net.StageWord();
    for (int s = 0; s < 2; ++s) {
      const NetSelectRecord& r = net.SelectRecord(s);
      sides[s].type = r.type;
      sides[s].colour = r.colour;
      net.SetMatchSideCharacter(s, sides[s].character);
    }
    // The rank records (points, rating, class, skill score) belong to the online layer.
    if (online.NetMode() == 13) net.FillRankRecordsFromRoom();
  }
  WritePlayerSelections(sides);
  bool restarted[2] = {};
  SettleStoryRoutes(sides, battleTableResult, restarted);
  CountCharacterSelections(sides, restarted);
}

void GoToNextSceneFromSelect(int32_t battleTableResult) {
  if (g_GameModeFlags != MODE_ARCADE) {
    ChangeScene(SCENE_VS_SCREEN);
    return;
  }
  const int main = g_MainSide & 1;
  const StoryBattleRoute& route = g_StoryBattleRoutes[main];
  switch (battleTableResult) {
    case 0:
      if (route.stageIndex == 0) {
        const bool story = g_SelectStoryHooks.startCharacterStory != nullptr &&
                           g_SelectStoryHooks.startCharacterStory(route.playerCharacter);
        ChangeScene(story ? SCENE_STORY : SCENE_NEXT_STAGE);
      } else {
        const RouteStage* stage = CurrentRouteStage(main);
        ChangeScene(stage != nullptr && (stage->flags & kRouteEntryGoesToVs) ? SCENE_VS_SCREEN
                                                                             : SCENE_NEXT_STAGE);
      }
      break;
    case 1:
      Call(g_SelectStoryHooks.startOpeningStoryScript);
      break;
    case 2:
      Call(g_SelectStoryHooks.startEndingStoryScript);
      break;
    case 3:
      ChangeScene(SCENE_NEXT_STAGE);
      break;
    default:
      break;
  }
}

// ---- Battle-table chooser ----

std::vector<std::string> BattleTableChooser::Rows(int side) const {
  std::vector<std::string> rows;
  char text[128];
  std::snprintf(text, sizeof text, "TABLE CHANGE  NO.%02d", table);
  rows.emplace_back(text);
  rows.emplace_back("START MESSAGE");
  rows.emplace_back("ENDING MESSAGE");
  const StoryBattleRoute* route = StoryBattleRouteOfSide(side);
  if (route == nullptr) return rows;
  const CharaListEntry* own = GetCharaListEntry(route->playerCharacter);
  for (int i = 0; i < route->stageCount && i < kRouteStageSlots; ++i) {
    const RouteStage& st = route->stages[i];
    const CharaListEntry* opponent = GetCharaListEntry(st.opponent);
    if (opponent == nullptr) {
      // "<name>の戦闘テーブル" in the game's Shift-JIS.
      std::snprintf(text, sizeof text,
                    "%s\x82\xCC\x90\xED\x93\xAC\x83\x65\x81\x5B\x83\x75\x83\x8B No%02d  Battle%02d Error",
                    own ? own->Name : "", table, i + 1);
    } else {
      std::snprintf(text, sizeof text, "ST:%02d BG:%02d VS:%s%s", i + 1, st.stage, opponent->Name,
                    st.textNumber >= 0 ? " << EVENT >>" : "");
    }
    rows.emplace_back(text);
  }
  return rows;
}

int32_t BattleTableChooser::Input(int side, int dir, uint32_t pressed) {
  StoryBattleRoute* route = StoryBattleRouteOfSide(side);
  if (route == nullptr) return 0;
  const int count = 3 + route->stageCount;
  if (row == 0 && dir == 4 && table > 0) --table;
  if (row == 0 && dir == 6) ++table;
  if (dir == 8) row = (row + count - 1) % count;
  if (dir == 2) row = (row + 1) % count;
  if (!(pressed & 1)) return 0;
  switch (row) {
    case 0: {
      const int used = LoadStoryBattleRoute(side, route->playerCharacter, table);
      if (used < table) table = used;
      return 0;
    }
    case 1:
      route->stageIndex = 0;
      return 1;
    case 2:
      route->stageIndex = route->stageCount;
      return 2;
    default:
      route->stageIndex = row - 3;
      return 3;
  }
}

void BattleTableChooser::Draw(int side) const {
  DrawRect(nullptr, 0, 0, 640, 480, 0x80000000, 0x80000000, 0x80000000, 0x80000000, 766);
  const std::vector<std::string> rows = Rows(side);
  int y = 50;
  for (size_t i = 0; i < rows.size(); ++i) {
    const int x = 32 + (static_cast<int>(i) == row ? 0 : 16);
    vt::text::DrawOutlinedText(x, y, rows[i].c_str(), 255, 255, 12, 20, 0, 767);
    y += i < 3 ? 28 : 24;
  }
}
