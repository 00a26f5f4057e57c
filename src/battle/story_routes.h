// The story-battle routes: one per side, the stages of an arcade run read from the character's
// story-battle table, their resets and loader, and what the battle asks of them (the current
// stage's kind, the character a side chose, the main side's current stage).
//
// The "stage kind" the battle tests (32 special stage; 8 and 15 close the per-stage achievement
// counters; 6 records the ending voices) is RouteStage.stage, the stage number of the fight:
// the route names no other kind, and the special stage is a stage of its own.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

inline constexpr int kRouteStageSlots = 128;
// Only the first 16 stages of a route are ever filled.
inline constexpr int kRouteStagesRead = 16;

struct RouteStage {
  int32_t opponent = 255;         // character number; 255 none
  int32_t opponentPartner = 255;  // never set from the table
  int32_t unused[2] = {255, 255};
  int32_t stage = 0;  // stage number of the fight (also its kind); 0 lets the arcade flow choose
  int32_t stageVariant = 0;
  int32_t flags = 0;
  int32_t textNumber = 0;  // -1 none, 0 the plain stage text, n the text "_n"
  int32_t extra = 0;
};

struct StoryBattleRoute {
  int32_t stageIndex = 0;
  int32_t stageCount = 0;
  int32_t exTexts = 0;  // 1: the "Ex" story texts
  RouteStage stages[kRouteStageSlots];
  int32_t extraRoute = 0;
  int32_t progress[8] = {};
  int32_t playerCharacter = -1;
  int32_t playerColor = 0;
  int32_t playerType = 0;
  uint8_t flags[100] = {};
};
// The routes go into the battle state hash byte for byte.
static_assert(std::has_unique_object_representations_v<StoryBattleRoute>);

extern StoryBattleRoute g_StoryBattleRoutes[2];

// The route of side 0 or 1; null for any other side (the common-effect owner's 255 among them),
// which therefore keeps no route records.
StoryBattleRoute* StoryBattleRouteOfSide(int side);

// Stage index, counts, Ex texts, extra-route state, progress and flags back to 0, the player's
// character -1, its colour and type 0; the stages stay.
void ResetStoryBattleRoute(StoryBattleRoute& route);
// Every stage back to empty (the first four fields 255, the rest 0); the stage count 0.
void ResetRouteStages(StoryBattleRoute& route);
// Fills the side's route from the story-battle table of character chara; choice < 0 draws the
// route from the common stream (one draw, only when the table has routes). Returns the route
// number used.
int LoadStoryBattleRoute(int side, int chara, int choice);

// The table text of the given routes, as LoadStoryBattleRoute reads it (CR LF line ends): the
// route count, then per route its stage count and one line per stage of opponent, stage,
// stage variant, flags, text number and the extra number.
std::string WriteStoryBattleTable(const std::vector<std::vector<RouteStage>>& routes);

// The current stage of the side's route while it is not finished, else null.
const RouteStage* CurrentRouteStage(int side);
// The kind (RouteStage.stage) of the side's current stage in arcade mode; 0 otherwise.
int RouteStageKind(int side);
// The character the side chose when its route started; -1 when none.
int RouteCharacter(int side);
// The main side's current stage: {kind, 0-based stage index, text number, Ex texts} and the
// route's character name; 1 when the route is not finished.
int MainRouteStage(int32_t* info, std::string* name);
