// Special-stage set-up and story-battle text paths.
#include "battle/battle_match_setup.h"

#include <bit>
#include <cstdio>

#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"

int32_t g_SpecialStageOffsetX;
int32_t g_SpecialStageOffsetY;

namespace {

// The main side's current route stage in arcade mode: {kind, 0-based index, text number, Ex
// texts}; false outside arcade or once the route is finished.
bool ArcadeMainRouteStage(int32_t info[4], std::string* name) {
  if (g_GameModeFlags != MODE_ARCADE) return false;
  return BattleSeamMainRouteStage(info, name) != 0;
}

// The story-battle folder by the language option, the character's name and "Ex" for the Ex
// texts: the start every story-battle path shares.
std::string StoryBattlePathStart(std::string_view name, bool ex) {
  std::string path = BattleSeamSelectLanguage() == 1 ? ".\\story\\battle\\eng\\" : ".\\story\\battle\\jpn\\";
  path += name;
  if (ex) path += "Ex";
  return path;
}

void MakeStoryTextPath(std::string* out, const StoryBattleRoute& route, std::string_view name,
                       const char* tail) {
  *out = StoryBattlePathStart(name, route.exTexts == 1) + tail;
}

}  // namespace

void SetupSpecialStage() {
  int32_t info[4] = {};
  std::string name;
  const bool special = ArcadeMainRouteStage(info, &name) && info[0] == kSpecialStageKind;
  g_BattleState[BattleStateIndex::kSpecialStage] = special ? 1 : 0;
  g_SpecialStageOffsetX = special ? -50 : 0;
  g_SpecialStageOffsetY = special ? 130 : 0;
}

void SetupSpecialStageCamera() {
  g_SpecialStageOffsetX = g_SpecialStageOffsetY = 0;
  g_BattleState[BattleStateIndex::kSpecialStage] = 0;
  BattleSeamSetDrawCharactersOn(1);
  int32_t info[4] = {};
  std::string name;
  if (ArcadeMainRouteStage(info, &name) && info[0] == kSpecialStageKind)
    BattleSeamSetStageFixedZoom(std::bit_cast<float>(0x3F3E11CBu));  // 0.742459
}

int StageHasStoryText() {
  if (g_AttractDemo) return 0;
  int32_t info[4] = {};
  std::string name;
  return ArcadeMainRouteStage(info, &name) && info[2] != -1 ? 1 : 0;
}

int MakeStoryBattleTextPath(std::string* out) {
  if (g_AttractDemo) return 0;
  int32_t info[4] = {};
  std::string name;
  if (!ArcadeMainRouteStage(info, &name) || info[2] == -1) return 0;
  std::string path = StoryBattlePathStart(name, info[3] == 1);
  char tail[32];
  std::snprintf(tail, sizeof tail, "%02d", info[1] + 1);
  path += tail;
  if (info[2] != 0) {
    std::snprintf(tail, sizeof tail, "_%d", info[2]);
    path += tail;
  }
  path += ".txt";
  *out = path;
  return 1;
}

void MakeStoryTableTextPath(std::string* out, const StoryBattleRoute& route, std::string_view name) {
  MakeStoryTextPath(out, route, name, "_table.txt");
}

void MakeStoryWinTextPath(std::string* out, const StoryBattleRoute& route, std::string_view name) {
  MakeStoryTextPath(out, route, name, "_win.txt");
}

void MakeStoryStartTextPath(std::string* out, const StoryBattleRoute& route, std::string_view name) {
  MakeStoryTextPath(out, route, name, "_start.txt");
}

void MakeStoryEndingTextPath(std::string* out, const StoryBattleRoute& route, std::string_view name) {
  MakeStoryTextPath(out, route, name, "_ending.txt");
}

void MakeStoryStageTextPath(std::string* out, const StoryBattleRoute& route, std::string_view name) {
  char tail[32];
  std::snprintf(tail, sizeof tail, "%02dA.txt", route.stageIndex);
  MakeStoryTextPath(out, route, name, tail);
}
