// Gauges of a character besides its life: meter checks, spends and the gauge lock, the guard
// gauge and guard quality, the circuit charge, the back-press tracker of the exact guard, the
// damage-reduce window, the shield, and the circuit-meter add; plus their per-step hooks.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"

inline constexpr int32_t kSpendAll = 0xFFFF;

// Meter checks and spends (on the gauge owner).
int HasMeter(BattleObject& o, int cost);
void SpendMeter(BattleObject& o, int cost);
void ApplyMeterSpend(BattleObject& o);

// Gauge lock: a rate of 0 is a hard lock (nothing may be spent); other rates scale the charge.
void SetGaugeLock(BattleObject& o, int timer, int rate);
int IsGaugeLocked(const BattleObject& o);
int IsGaugeLockScaled(BattleObject& o);
int GetGaugeLockRate(const BattleObject& o);

// Guard gauge: 2 when it reached the maximum, 1 when it fell to 0, else 0.
int AddGuardGauge(BattleObject& o, float amount, int stop);
void GuardGaugeStep(BattleObject& o);
int IsGuardGaugeLow(const BattleObject& o);
void AddGuardQuality(BattleObject& o, float delta);
void GuardQualityStep(BattleObject& o);
// Takes guard damage d from the gauge; the amount taken goes to *result (when given). Returns
// the guard gauge's result (1: the guard broke).
int GuardDamage(BattleObject& o, float damage, float* result);

// Circuit charge.
void StartCharge(BattleObject& o);
void CircuitChargeStep(BattleObject& o);

// Back-press tracker of the exact guard.
void BackPressStep(BattleObject& o);
int IsExGuardInput(const BattleObject& o);

// The damage-reduce window: the three timed-state words of the character's extension.
inline constexpr int kReduceClosed = 0;
inline constexpr int kReduceCoolDown = 1;
inline constexpr int kReduceOpen = 2;
struct ReduceWindow {
  int32_t& state;
  int32_t& timer;
  int32_t& used;
};
inline ReduceWindow ReduceWindowOf(PlayerRecord& r) {
  return {r.ext.timedState[0], r.ext.timedState[1], r.ext.timedState[2]};
}
void ReduceWindowStep(ReduceWindow w, int pressed);

// Shield.
const Han6Condition* FindShieldCondition(const BattleObject& o);
// The shield hold; 1 when it asked for the shield's end frame this step.
int ShieldStep(BattleObject& o);
int ShieldLevel(const BattleObject& defender);
int ShieldHeightCheck(const BattleObject& defender, const BattleObject& attacker);
// 1 when a defender shielded the attacker's attack.
int ShieldCheck(BattleObject& attacker);
void ShieldSuccess(BattleObject& defender, BattleObject& attacker, int level, const ScreenRect& overlap);

// Hit stop of an object; a child with flag 0x08 whose parent is on its side hands it to the
// parent.
void GiveHitStop(BattleObject& o, int stop);

// The meter add: kind 1 and 2 set the gauge timer word, useRate applies the type's gain ratio.
void AddCircuitMeter(BattleObject& o, int amount, int kind, int useRate);

// Extension words beside the reduce window: the meter-gain delay (120 after an attack met an
// exact guard; gains are cut to a tenth while it runs) and the gauge timer word.
inline int32_t& MeterGainDelay(PlayerRecord& r) { return r.ext.timedStateMore[0]; }
inline int32_t& GaugeTimerWord(PlayerRecord& r) { return r.ext.timedStateMore[1]; }

// The per-step hooks the state step calls through its seams.
void GaugeTimedStateStep(BattleObject& o, int anyButton);
void GaugeBookkeeping(BattleObject& o);
void GuardShieldLock(BattleObject& o);

// Installs the gauge and partner operations into the battle seams.
void InstallGaugeAndPartnerSeams();
