// The CPU opponent.
#include "battle/cpu_ai.h"

int EffectiveCpuLevel() { return 0; }
int CpuReactionDelay() { return 0; }
int RollCpuGuardRate(int) { return 0; }
int RollCpuShieldChance(int) { return 0; }
BattleObject* FindNearestOpponentInRange(BattleObject&, int32_t, int32_t, int32_t, int32_t) {
  return nullptr;
}
int FramesUntilAttackLive(BattleObject&, Han6AttackData*) { return 0xFFFF; }
BattleObject* FindImminentThreat(BattleObject&) { return nullptr; }
void PressCpuButtons(BattleObject&, uint32_t) {}
void CpuAiFrame(PlayerRecord&, int) {}
void ResetCpuAiStates() {}
void InstallCpuAiSeams() {}
