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
