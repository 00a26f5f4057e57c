// Combo bookkeeping and the update half of the battle HUD: each side's ring of combo records
// with their proration, the round-damage records, the arcade score of a hit, the banner queues,
// the counter banners and the status indicators, and their per-frame update.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"

struct Han6AttackData;

// The current combo record of the object's side; null for an object without a side.
ComboRecord* CurrentComboRecord(const BattleObject& o);
RoundDamageRecord* CurrentRoundDamage(int side);

// The proration percent of the object's side: kind 0 lowers it to value, 1 scales it by value
// percent, 2 lowers it by value; never below 1.
void UpdateProration(BattleObject& o, int value, int kind);
// A hit or throw of attacker on defender (attack may be null for a throw of the conditions).
void OnComboHit(BattleObject& defender, BattleObject& attacker, const Han6AttackData* attack);
// The attacker side's combo and round-damage records add a hit's damage (raw before scaling,
// red the recoverable damage); nothing for a side outside 0..3.
void AddComboDamage(int attackerSide, int32_t damage, int32_t raw, int32_t red);
// The meter percent of the side's current combo (nothing for a side outside 0..3).
void SetComboMeterPercent(int side, int percent);
// The throw damage of the frame effects: the hit and its amount are counted.
void CountThrowDamage(BattleObject& victim, BattleObject& thrower, int32_t damage);
void NoteComboThrow(BattleObject& thrower, BattleObject& target);
void AddRoundMeterGained(int side, int32_t amount);
// The arcade score of a hit by the damage before scaling; the amount added.
int ComboScoreOnHit(BattleObject& attacker, int32_t damage);

int IsSideOutOfCombo(int side);
int IsOtherSideOutOfCombo(int side);
void ComboTracker();

void PushBanner(int side, int kind);
void PushBanner10(int side);
void ResetHudBanners();
// The banner's sprite rectangle {u, v, width, height} in the HUD texture; false for a kind
// that has none (kinds from data may be 18 or more).
bool BannerRect(int kind, int32_t out[4]);
// The guard display: the defender's side is told its damage-reduce state (modes 1 and 2 show
// the ring).
void TellGuardDisplay(int side, int32_t state);

// The HUD pass: the update steps, every frame and headless too, then the drawing (hud_draw.h).
void UpdateDrawHud();
// The per-round words: the combo and damage bookkeeping of the four side records and the HUD
// blocks.
void ResetComboRoundWords();

// The combo rings, round-damage records, banner queues, HUD blocks and match inputs, hashed
// field by field (part of the battle state hash).
uint64_t HashComboAndHudState();
