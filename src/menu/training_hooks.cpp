#include "menu/training_hooks.h"

int32_t g_AppliedEnemyAction = -1;
int32_t g_DummyPlaySlot;

void StartTrainingBattle() {}
void ApplyTrainingSettings(int, int) {}
void ApplyEnemyAction(int, int) {}
int32_t PickRandomDummySlot() { return g_DummyPlaySlot; }
int IsDummySlotRecorded(int) { return 0; }
int CheckDummyRecordLimit(int* indicator) {
  if (indicator) *indicator = 0;
  return 0;
}
int IsDummyTakenOver() { return 0; }
int IsTrainingDummy(BattleObject*) { return 0; }
int InTrainingPlayback(BattleObject*) { return 0; }
void RestartDummyAction() {}
void HandleTrainingHotkeys() {}
void UpdateTrainingFrame() {}
void ToggleTrainingPause() {}
void InstallTrainingHooks() {}
