// The arcade route's screens' one installer (see arcade_screens.h).
#include "scene/arcade_screens.h"

#include "battle/battle_seams.h"
#include "scene/name_entry.h"
#include "scene/new_challenger.h"
#include "scene/next_stage_map.h"
#include "scene/ranking_screen.h"

void InstallArcadeScreens() {
  InstallNameEntry();
  InstallNextStageScene();
  InstallRankingScene();
  // The judge plays the challenger screen when the arcade extra route opens.
  g_BattleSeams.StartChallengerScreen = StartChallengerScreen;
  g_BattleSeams.UpdateChallengerScreen = UpdateChallengerScreen;
  g_BattleSeams.DrawChallengerScreen = DrawChallengerScreen;
  g_BattleSeams.ChallengerScreenClock = ChallengerScreenTime;
}
