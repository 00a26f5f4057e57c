// Statistics and achievements: the built-in schema and the constraints a store keeps. Bit-set
// statistics only gain bits, the counter only grows, achievements only unlock; a stored value that
// breaks its constraint keeps the service's value while the valid ones apply.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "lobby/store.h"

namespace vt::lobby {

enum class StatKind { None, BitSet, Counter, Achievement };

// "ACHIEVE_ID_01" to "ACHIEVE_ID_53"; the eleven bit sets; "stat_30_00" the counter.
StatKind KindOfStat(std::string_view name);

// Values by name, in name order; achievements as 0/1.
using StatValues = std::map<std::string, int32_t, std::less<>>;

// Every name of the schema with its stored value (0 when never stored).
StatValues LoadStats(Store& store, UserId user);

// Applies the values a client stores. Names outside the schema are refused (InvalidParam, nothing
// applied); a value that breaks its constraint is reverted (StatsReverted) and the rest apply.
Result StoreStats(Store& store, UserId user, const StatValues& values);

}  // namespace vt::lobby
