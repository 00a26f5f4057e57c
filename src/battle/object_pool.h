// The object pool: finding slots, spawning (effect objects, common effects, scatters,
// afterimages), removal and its cascades, child movement, the freeze gate of pool objects and
// the pool passes of a frame.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"

struct Han6Effect;

ObjectPoolSlot* FindFreePoolSlot();
ObjectPoolSlot* SlotOf(BattleObject* o);
// How a spawn reads its pattern number: the data's numbers above 100 and below 1000 are relative
// to the spawner's pattern; the engine's own effect numbers (status marks, guard sparks, heat
// auras) name patterns of the common set outright.
enum class SpawnNumber { kDataRelative, kAbsolute };
void SpawnObjectFrom(BattleObject& spawner, const Han6Effect& r, ObjectPoolSlot& slot,
                     SpawnNumber numbering = SpawnNumber::kDataRelative);
BattleObject* SpawnEffectObject(BattleObject& spawner, const Han6Effect& r);
BattleObject* SpawnCommonEffect(BattleObject& spawner, const Han6Effect& r,
                                SpawnNumber numbering = SpawnNumber::kDataRelative);
// A common effect made by the engine (landing dust, gauge sparks, wall marks, status marks):
// its number is absolute, whatever pattern the spawner plays.
BattleObject* SpawnEngineEffect(BattleObject& spawner, int number, int32_t p0, int32_t p1, int32_t p2,
                                int32_t p3);
void SpawnScatter(BattleObject& spawner, const Han6Effect& r);
BattleObject* SpawnAfterimage(BattleObject& o, int colourMode, int scaleSpeedX, int scaleSpeedY, int32_t life,
                              int keepPriority);
void RemovePoolObject(BattleObject& o);
void RemoveChildren(BattleObject& o);
void RemoveResetChildren(BattleObject& parent);
void RemoveLandingChildren(BattleObject& parent);
void MoveChildren(BattleObject& parent, int32_t dx, int32_t dy);
BattleObject* NextChildOf(int& iterator, const BattleObject* parent);
BattleObject* NextHolderOf(int& iterator, const BattleObject* object);
int PoolObjectMayAct(const BattleObject& o);
void UpdatePoolObjects();
void FollowStep(BattleObject& o);
void PoolObjectsHitPhase();
void RunPoolObjectConditions();
void RunPoolObjectEffects();
// The pool's part of the drawing half: state it changes (afterimage growth) and the draw seam.
void DrawPoolObjects();
