// Deterministic trigonometry for gameplay: the same bits on every machine and build, since
// battle state must not depend on the C library's sin and cos.
#pragma once

#include <cstdint>

inline constexpr double kBattlePi = 3.14159265358979323846;

double BattleSin(double radians);
double BattleCos(double radians);
double BattleAtan2(double y, double x);
