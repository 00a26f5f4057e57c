// The per-entry record of a resolved hit: what the hit resolution works out for one pending hit
// and hands to the damage, untech and meter operations.
#pragma once

#include <cstdint>

struct Han6AttackData;

struct HitInfo {
  const Han6AttackData* attack = nullptr;
  int32_t vectorSlot = 0;  // 0 standing, 1 airborne, 2 crouching
  int32_t guard = 0;       // 0 hit, 1 guarded, 2 guarded by the frame state
  int32_t lethal = 0;
  int32_t damage = 0;
  int32_t redDamage = 0;
  int32_t guardDamage = 0;
  int32_t critical = 0;
  int32_t counter = 0;
  int32_t defenderStop = 0;
  int32_t attackerStop = 0;
  int32_t vector = -1;  // -1 none, -2 armour, 98 finishing blow
  int32_t mirror = 0;
  int32_t noVelocity = 0;
  float untechWeight = 0.0f;
  int32_t fixedProration = 0;
  int32_t fixedProrationValue = 0;
  int32_t comboMeterPercent = 0;
};
