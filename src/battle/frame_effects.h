// Frame effects: the effect types that do not spawn pool objects (particles, throws, special
// actions, sounds, follow parameters), the continuous particle effect of pool objects, the
// throw operations shared with the stuck-throw recovery, and the random pick they draw with.
// The dispatcher's walk over a frame's list lives in the state machine (RunFrameEffects);
// each record that is not a spawn comes here through the RunFrameEffect seam.
#pragma once

#include <cstdint>

struct BattleObject;
struct Han6Effect;

// 0 when n <= 0 (no draw); else a draw modulo n from random stream 2 when useSecondStream is
// non-zero, else from the common stream (RandNext, counted).
int32_t PickRandom(int32_t useSecondStream, int32_t n);

// One effect record of a frame (every type but the spawning ones).
void RunFrameEffect(BattleObject* o, const Han6Effect* e);
// Pool objects, every step: the type-10002 particles of the current frame.
void RunContinuousEffects(BattleObject* o);
// An effect offset in frame pixels to world units: x mirrored when facing left, both times 128
// (256 for a cut-sprite frame), added to the position.
void EffectOffsetToWorld(const BattleObject& o, int32_t x, int32_t y, int32_t* wx, int32_t* wy);
// The special actions of type 6.
void SpecialAction(BattleObject& o, const Han6Effect& e);

// Throws (types 4, 5 and 14).
void ThrowSetPattern(BattleObject& thrower, const Han6Effect& e);
void ThrowControl(BattleObject& thrower, const Han6Effect& e);
void ThrowDamage(BattleObject& thrower, const Han6Effect& e);
void ReleaseThrowLink(BattleObject& thrower, BattleObject& victim, int flags, int reactionTime);
void ApplyThrowVector(BattleObject& victim, int flags, int vector);
int ThrowFinishCheck(BattleObject& victim, BattleObject* thrower, int flags);
void StartThrowKnockOut(BattleObject& victim);
void ThrowDeathEffect(BattleObject& o);
// The stuck-throw recovery's cut: the link between a held character and its holder (parent).
void CutThrowLink(BattleObject* victim, int reactionTime);
// The object a throw effect works on: the one its character holds, else the one it holds.
BattleObject* ThrowVictim(BattleObject& thrower);

// 1 when the object (or the character it belongs to) is a side's waiting member and the side
// does not show its partner (effect 6/155): such objects are not drawn.
int IsHiddenPartnerObject(const BattleObject* o);

// Installs the frame effects' seams (RunFrameEffect, RunContinuousEffects, RequestSound,
// IsSoundSlotBusy, CutThrowLink, the character sound lists) and the drawing's hidden-partner
// test.
void InstallFrameEffectSeams();
