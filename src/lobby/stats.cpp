// The statistics schema and its constraints.
#include "lobby/stats.h"

#include <array>
#include <cstdio>

namespace vt::lobby {

namespace {
constexpr std::array<std::string_view, 11> kBitSets = {"stat_03_00", "stat_03_01", "stat_06_00", "stat_06_01",
                                                       "stat_06_02", "stat_06_03", "stat_06_04", "stat_06_05",
                                                       "stat_07_00", "stat_07_01", "stat_26_00"};
constexpr std::string_view kCounter = "stat_30_00";
constexpr int kAchievementCount = 53;

std::string AchievementName(int n) {
  char name[16];
  std::snprintf(name, sizeof(name), "ACHIEVE_ID_%02d", n);
  return name;
}
}  // namespace

StatKind KindOfStat(std::string_view name) {
  for (std::string_view b : kBitSets)
    if (b == name) return StatKind::BitSet;
  if (name == kCounter) return StatKind::Counter;
  constexpr std::string_view kPrefix = "ACHIEVE_ID_";
  if (name.size() == kPrefix.size() + 2 && name.substr(0, kPrefix.size()) == kPrefix) {
    const char a = name[kPrefix.size()], b = name[kPrefix.size() + 1];
    if (a >= '0' && a <= '9' && b >= '0' && b <= '9') {
      const int n = (a - '0') * 10 + (b - '0');
      if (n >= 1 && n <= kAchievementCount) return StatKind::Achievement;
    }
  }
  return StatKind::None;
}

StatValues LoadStats(Store& store, UserId user) {
  StatValues values;
  for (std::string_view b : kBitSets) values[std::string(b)] = store.stat(user, b).value_or(0);
  values[std::string(kCounter)] = store.stat(user, kCounter).value_or(0);
  for (int n = 1; n <= kAchievementCount; ++n) {
    const std::string name = AchievementName(n);
    values[name] = store.stat(user, name).value_or(0);
  }
  return values;
}

Result StoreStats(Store& store, UserId user, const StatValues& values) {
  for (const auto& [name, value] : values)
    if (KindOfStat(name) == StatKind::None) return Result::InvalidParam;
  bool reverted = false;
  for (const auto& [name, value] : values) {
    const int32_t old = store.stat(user, name).value_or(0);
    bool keeps = true;
    switch (KindOfStat(name)) {
      case StatKind::BitSet:
        keeps = (static_cast<uint32_t>(value) & static_cast<uint32_t>(old)) == static_cast<uint32_t>(old);
        break;
      case StatKind::Counter:
        keeps = value >= old;
        break;
      case StatKind::Achievement:
        keeps = (value == 0 || value == 1) && value >= old;
        break;
      case StatKind::None:
        break;
    }
    if (!keeps) {
      reverted = true;
      continue;
    }
    if (value != old) store.putStat(user, name, value);
  }
  return reverted ? Result::StatsReverted : Result::Ok;
}

}  // namespace vt::lobby
