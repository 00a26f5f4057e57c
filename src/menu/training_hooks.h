// The training mode's hooks into the battle: the dummy's controllers and behaviour, the dummy
// recording slots' playback choice, the hotkeys and the training restart.
#pragma once

#include <cstdint>

struct BattleObject;

// The enemy status last applied to the battle (-1: none yet, so the next application runs).
extern int32_t g_AppliedEnemyAction;
// The slot the dummy plays back.
extern int32_t g_DummyPlaySlot;
// The attack-frame display's switch: no menu sets it, so it stays 0 (viewer-side).
extern int32_t g_ShowAttackFrames;

void StartTrainingBattle();
void ApplyTrainingSettings(int force, int side);
void ApplyEnemyAction(int side, int playerSide);
int32_t PickRandomDummySlot();
int IsDummySlotRecorded(int slot);
int CheckDummyRecordLimit(int* indicator);
int IsDummyTakenOver();
int IsTrainingDummy(BattleObject* o);
int InTrainingPlayback(BattleObject* o);
void RestartDummyAction();
void HandleTrainingHotkeys();
void UpdateTrainingFrame();
void ToggleTrainingPause();
// The attack-frame display that UpdateTrainingFrame calls under g_ShowAttackFrames: none is
// built, so it draws nothing.
void DrawTrainingAttackFrames();

// Fills the battle's training seams and the pause control's and battle scene's training hooks;
// the game wiring calls it right after the battle's rules.
void InstallTrainingHooks();
