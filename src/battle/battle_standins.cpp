// Stand-ins the first battle work installs into empty seams.
#include "battle/battle_standins.h"

#include "battle/battle_seams.h"
#include "battle/object_move.h"

void InstallFirstBattleStandIns() {
  BattleSeams& s = g_BattleSeams;
  if (!s.GetPushCandidateBox) s.GetPushCandidateBox = PushCandidateBox;
}
