// The statistics constraint table: bit sets only gain bits, the counter only grows, achievements
// only unlock; a breaking value is reverted while the rest apply.
#include "lobby/stats.h"

#include <gtest/gtest.h>

#include "lobby/memory_store.h"

namespace vt::lobby {
namespace {

TEST(Stats, TheSchema) {
  const struct {
    const char* name;
    StatKind kind;
  } rows[] = {
      {"stat_03_00", StatKind::BitSet},
      {"stat_06_05", StatKind::BitSet},
      {"stat_26_00", StatKind::BitSet},
      {"stat_30_00", StatKind::Counter},
      {"ACHIEVE_ID_01", StatKind::Achievement},
      {"ACHIEVE_ID_53", StatKind::Achievement},
      {"ACHIEVE_ID_54", StatKind::None},
      {"ACHIEVE_ID_00", StatKind::None},
      {"ACHIEVE_ID_1", StatKind::None},
      {"stat_06_06", StatKind::None},
      {"", StatKind::None},
  };
  for (const auto& row : rows) EXPECT_EQ(KindOfStat(row.name), row.kind) << row.name;
  MemoryStore store;
  EXPECT_EQ(LoadStats(store, MakeId(IdKind::User, 1)).size(), 12u + 53u);
}

TEST(Stats, ConstraintTable) {
  const UserId u = MakeId(IdKind::User, 1);
  const struct {
    const char* name;
    int32_t before, stored, after;
    Result result;
  } rows[] = {
      {"stat_06_00", 0b0101, 0b0111, 0b0111, Result::Ok},             // gains a bit
      {"stat_06_00", 0b0101, 0b0101, 0b0101, Result::Ok},             // unchanged
      {"stat_06_00", 0b0101, 0b0110, 0b0101, Result::StatsReverted},  // loses bit 0, even while gaining bit 1
      {"stat_26_00", -1, 0x7FFFFFFF, -1, Result::StatsReverted},      // the top bit counts too
      {"stat_30_00", 10, 11, 11, Result::Ok},
      {"stat_30_00", 10, 10, 10, Result::Ok},
      {"stat_30_00", 10, 9, 10, Result::StatsReverted},
      {"ACHIEVE_ID_07", 0, 1, 1, Result::Ok},
      {"ACHIEVE_ID_07", 1, 0, 1, Result::StatsReverted},
      {"ACHIEVE_ID_07", 0, 2, 0, Result::StatsReverted},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.name << " " << row.before << " -> " << row.stored);
    MemoryStore store;
    store.putStat(u, row.name, row.before);
    // A valid change beside it always applies.
    EXPECT_EQ(StoreStats(store, u, {{row.name, row.stored}, {"stat_03_01", 4}}), row.result);
    EXPECT_EQ(store.stat(u, row.name), row.after);
    EXPECT_EQ(store.stat(u, "stat_03_01"), 4);
  }
}

TEST(Stats, UnknownNamesAreRefusedWhole) {
  MemoryStore store;
  const UserId u = MakeId(IdKind::User, 1);
  EXPECT_EQ(StoreStats(store, u, {{"stat_30_00", 5}, {"stat_99_00", 1}}), Result::InvalidParam);
  EXPECT_FALSE(store.stat(u, "stat_30_00").has_value());
  // Users are kept apart.
  EXPECT_EQ(StoreStats(store, u, {{"stat_30_00", 5}}), Result::Ok);
  EXPECT_EQ(LoadStats(store, MakeId(IdKind::User, 2)).at("stat_30_00"), 0);
  EXPECT_EQ(LoadStats(store, u).at("stat_30_00"), 5);
}

}  // namespace
}  // namespace vt::lobby
