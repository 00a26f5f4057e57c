// Story-battle routes: resets, the table loader and the battle's questions.
#include "battle/story_routes.h"

#include <algorithm>
#include <cstdio>

#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/battle_match_setup.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_text.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"

StoryBattleRoute g_StoryBattleRoutes[2];

namespace {

using battle_text::NextField;
using battle_text::ReadNumber;
using battle_text::SkipBlanks;
using battle_text::SkipToNextLine;

const char* NextLine(const char* p) { return SkipBlanks(SkipToNextLine(p)); }

}  // namespace

StoryBattleRoute* StoryBattleRouteOfSide(int side) {
  return side == 0 || side == 1 ? &g_StoryBattleRoutes[side] : nullptr;
}

void ResetStoryBattleRoute(StoryBattleRoute& route) {
  route.stageIndex = 0;
  route.stageCount = 0;
  route.exTexts = 0;
  route.extraRoute = 0;
  for (int32_t& v : route.progress) v = 0;
  route.playerCharacter = -1;
  route.playerColor = 0;
  route.playerType = 0;
  for (uint8_t& f : route.flags) f = 0;
}

void ResetRouteStages(StoryBattleRoute& route) {
  for (RouteStage& s : route.stages) s = RouteStage{};
  route.stageCount = 0;
}

int LoadStoryBattleRoute(int side, int chara, int choice) {
  StoryBattleRoute* r = StoryBattleRouteOfSide(side);
  if (!r) return 0;
  ResetRouteStages(*r);
  if (chara < 0) return 0;
  if (BattleSeamArcadeVariant()) {
    // The arcade start variant plays one fixed fight.
    r->stageCount = 1;
    r->stages[0].opponent = 27;
    r->stages[0].stage = 33;
    r->stages[0].stageVariant = 0;
    r->stages[0].flags = 0;
    return 1;
  }
  const CharaListEntry* e = GetCharaListEntry(chara);
  std::string path;
  if (e) MakeStoryTableTextPath(&path, *r, e->Name);
  DataBuffer text = e ? LoadDataFileEx3(path) : DataBuffer{};
  if (!text) {
    r->stageCount = 1;
    r->stages[0].opponent = 0;
    return 0;
  }
  const char* p = SkipBlanks(text.c_str());
  int32_t routes = ReadNumber(p);
  if (routes < 0) {
    DebugPrint("%s: route count %d below 0; read as 0\n", path.c_str(), routes);
    routes = 0;
  }
  int32_t chosen = 0;
  // Draw-count rule: a table with routes and choice < 0 draws once from the common stream.
  if (routes != 0) chosen = choice < 0 ? RandNext() % routes : std::min(choice, routes - 1);
  p = NextLine(p);
  // The routes before the chosen one are passed by their stage counts; the walk ends with the
  // text (a damaged count could otherwise ask for 2^31 lines past its end; there every line
  // reads the same, so the result does not change).
  for (int32_t k = 0; k < chosen && *p != '\0'; ++k) {
    const int32_t stages = ReadNumber(p);
    p = NextLine(p);
    for (int32_t i = 0; i < stages && *p != '\0'; ++i) p = NextLine(p);
  }
  r->stageCount = std::clamp(ReadNumber(p), 0, kRouteStagesRead);
  p = NextLine(p);
  for (int32_t i = 0; i < r->stageCount; ++i) {
    RouteStage& s = r->stages[i];
    int32_t* fields[6] = {&s.opponent, &s.stage, &s.stageVariant, &s.flags, &s.textNumber, &s.extra};
    for (int32_t* f : fields) {
      *f = ReadNumber(p);
      p = NextField(p);
    }
    p = NextLine(p);
  }
  return chosen;
}

std::string WriteStoryBattleTable(const std::vector<std::vector<RouteStage>>& routes) {
  std::string t = std::to_string(routes.size()) + "\r\n";
  for (const auto& route : routes) {
    t += std::to_string(route.size()) + "\r\n";
    for (const RouteStage& s : route) {
      char line[128];
      std::snprintf(line, sizeof line, "%d %d %d %d %d %d\r\n", s.opponent, s.stage, s.stageVariant, s.flags,
                    s.textNumber, s.extra);
      t += line;
    }
  }
  return t;
}

const RouteStage* CurrentRouteStage(int side) {
  const StoryBattleRoute* r = StoryBattleRouteOfSide(side);
  if (!r || r->stageIndex < 0 || r->stageIndex >= r->stageCount || r->stageIndex >= kRouteStageSlots)
    return nullptr;
  return &r->stages[r->stageIndex];
}

int RouteStageKind(int side) {
  if (g_GameModeFlags != MODE_ARCADE) return 0;
  const RouteStage* s = CurrentRouteStage(side);
  return s ? s->stage : 0;
}

int RouteCharacter(int side) {
  const StoryBattleRoute* r = StoryBattleRouteOfSide(side);
  return r ? r->playerCharacter : -1;
}

int MainRouteStage(int32_t* info, std::string* name) {
  const int side = g_MainSide;
  const RouteStage* s = CurrentRouteStage(side);
  if (!s) return 0;
  const StoryBattleRoute& r = g_StoryBattleRoutes[side];
  info[0] = s->stage;
  info[1] = r.stageIndex;
  info[2] = s->textNumber;
  info[3] = r.exTexts;
  if (name) {
    // The character of the run: the one chosen when the route started, else the side's
    // current selection.
    const int chara = r.playerCharacter >= 0 ? r.playerCharacter : g_PlayerSelections[side].character;
    const CharaListEntry* e = GetCharaListEntry(chara);
    *name = e ? e->Name : "";
  }
  return 1;
}
