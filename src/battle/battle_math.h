// Deterministic trigonometry for gameplay: the same bits on every machine and build, since
// battle state must not depend on the C library's sin and cos.
#pragma once

#include <cmath>
#include <cstdint>

inline constexpr double kBattlePi = 3.14159265358979323846;

double BattleSin(double radians);
double BattleCos(double radians);
double BattleAtan2(double y, double x);

// Positions, velocities and the other battle fields are stores that wrap: a value worked out
// from frame data (or from an object left accelerating for a very long time) keeps its low bits
// in the field instead of making the arithmetic undefined. Sums are taken in 64 bits, or through
// WrapAdd, and stored through Wrap.
template <typename T = int32_t>
constexpr T Wrap(int64_t v) {
  return static_cast<T>(static_cast<uint64_t>(v));
}
constexpr int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// float to int32 as the cast truncates, for values worked out from type-file rates: those can be
// inf, nan or huge ("inf" and "nan" read as numbers), where a plain cast is undefined. Out-of-range
// values saturate and nan gives 0.
inline int32_t FloatToInt32(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483648.0f) return INT32_MAX;
  if (v <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// The battle's untyped factors (the critical hit, the damage level, the mode bonuses, the
// stance and reduce factors, the chip, the meter gains) are float32 constants, and every product
// with one is taken in float32 and truncated toward zero through FloatToInt32. Decided once here
// for all of them: a double product, or a float32 constant widened to double, truncates
// differently at integer boundaries (100 x 1.15 gives 115 in float32 but 114 in double; 5 x 1.8
// gives 9 in float32 but 8 with 1.8f widened). Type-file ratios are float32 too, so the same
// rule covers them.
inline constexpr float kCriticalFactor = 1.15f;
inline constexpr float kDamageLevelFactors[5] = {0.4f, 0.75f, 1.0f, 1.25f, 1.8f};
inline constexpr float kArcadeBonusPerStage = 0.03f;
inline constexpr float kTeamBonusPerStage = 0.003f;
inline constexpr float kTeamBaseCutPerStage = 0.05f;
inline constexpr float kTagTypeDefence = 1.035f;
inline constexpr float kFinishingStanceFactor = 0.42f;
inline constexpr float kReduceWindowFactor = 0.7f;
inline constexpr float kGuardRedDamageFactor = 2.5f;
inline constexpr float kMeterGainDelayFactor = 0.1f;
inline constexpr float kGuardMeterBroken = 0.9f;
inline constexpr float kGuardMeterAttacker = 0.85f;
inline constexpr float kExGuardMeter = 0.5f;
inline constexpr float kGuardMeterDefender = 0.15f;
inline constexpr float kExGuardMeterBroken = 0.35f;
inline constexpr float kHitMeterDefender = 0.3f;

// trunc(v x f) in float32.
inline int32_t ScaleByFactor(int32_t v, float f) { return FloatToInt32(static_cast<float>(v) * f); }
