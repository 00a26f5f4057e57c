// Deterministic sin, cos and atan2: range reduction by exact operations, then fixed
// polynomials evaluated in a fixed order (the project builds with -ffp-contract=off).
#include "battle/battle_math.h"

#include <cmath>

namespace {

// sin on [-pi/2, pi/2] by its Taylor series up to x^17 (error well below 1e-12).
double SinCore(double x) {
  const double x2 = x * x;
  double t = 1.0 / 355687428096000.0;  // 1/17!
  t = t * x2 - 1.0 / 1307674368000.0;  // 1/15!
  t = t * x2 + 1.0 / 6227020800.0;     // 1/13!
  t = t * x2 - 1.0 / 39916800.0;       // 1/11!
  t = t * x2 + 1.0 / 362880.0;         // 1/9!
  t = t * x2 - 1.0 / 5040.0;           // 1/7!
  t = t * x2 + 1.0 / 120.0;            // 1/5!
  t = t * x2 - 1.0 / 6.0;              // 1/3!
  t = t * x2 + 1.0;
  return t * x;
}

// atan on [0, 1] through two argument halvings and a series.
double AtanCore(double x) {
  // atan(x) = 2 atan(x / (1 + sqrt(1 + x^2))); sqrt is correctly rounded everywhere.
  double y = x / (1.0 + std::sqrt(1.0 + x * x));
  y = y / (1.0 + std::sqrt(1.0 + y * y));
  const double y2 = y * y;
  double t = 0.0;
  for (int k = 21; k >= 1; k -= 2) t = t * y2 + ((k / 2) % 2 ? -1.0 : 1.0) / k;
  return 4.0 * (t * y);
}

}  // namespace

double BattleSin(double x) {
  if (!std::isfinite(x)) return 0.0;
  // fmod is exact, so the reduction is the same everywhere.
  x = std::fmod(x, 2.0 * kBattlePi);
  if (x > kBattlePi) x -= 2.0 * kBattlePi;
  if (x < -kBattlePi) x += 2.0 * kBattlePi;
  if (x > kBattlePi / 2) x = kBattlePi - x;
  if (x < -kBattlePi / 2) x = -kBattlePi - x;
  return SinCore(x);
}

double BattleCos(double x) { return BattleSin(x + kBattlePi / 2); }

double BattleAtan2(double y, double x) {
  if (x == 0.0 && y == 0.0) return 0.0;
  const double ax = std::fabs(x), ay = std::fabs(y);
  double a = ay <= ax ? AtanCore(ay / ax) : kBattlePi / 2 - AtanCore(ax / ay);
  if (x < 0) a = kBattlePi - a;
  return y < 0 ? -a : a;
}
