// Battle records: field widths, what each reset keeps and clears, and the state hash.
#include <xxhash.h>

#include <cstddef>
#include <cstring>
#include <type_traits>
#include <vector>

#include "app/lib_debug.h"
#include "battle/battle_driver.h"
#include "battle/battle_hash_layout.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;

template <typename T>
constexpr std::pair<size_t, bool> WidthOf() {
  return {sizeof(T), std::is_signed_v<T>};
}

struct WidthCase {
  const char* field;
  std::pair<size_t, bool> actual;
  size_t bytes;
  bool isSigned;
};

#define WIDTH(field, bytes, sign) \
  WidthCase { #field, WidthOf < std::remove_extent_t < decltype(BattleObject::field)>>(), bytes, sign }

TEST(BattleRecords, FieldWidthsAndSignedness) {
  const WidthCase cases[] = {
      WIDTH(pendingPriority, 2, true),
      WIDTH(hitStop, 1, false),
      WIDTH(actionCounters, 1, true),
      WIDTH(followX, 2, true),
      WIDTH(followY, 2, true),
      WIDTH(ownerCounterSlot, 2, false),
      WIDTH(type, 2, true),
      WIDTH(pattern, 4, true),
      WIDTH(loopCounter, 1, false),
      WIDTH(spawnFlags, 2, false),
      WIDTH(accX, 2, true),
      WIDTH(velXStop, 2, true),
      WIDTH(inertiaDecay, 2, true),
      WIDTH(waveX, 2, true),
      WIDTH(contactFlags, 2, false),
      WIDTH(drawPriority, 2, true),
      WIDTH(gaugeModeMax, 2, true),
      WIDTH(penalty, 2, true),
      WIDTH(counterState, 1, true),
      WIDTH(charVars, 2, true),
      WIDTH(childCount, 2, false),
      WIDTH(inputButtons, 4, false),
      WIDTH(hitReaction, 4, true),
      WIDTH(airJumps, 1, false),
      WIDTH(armorFrames, 2, true),
      WIDTH(pendingFrame, 2, true),
      WIDTH(circuitBreakRate, 2, true),
  };
  for (const WidthCase& c : cases) {
    EXPECT_EQ(c.actual.first, c.bytes) << c.field;
    EXPECT_EQ(c.actual.second, c.isSigned) << c.field;
  }
  static_assert(std::is_same_v<decltype(BattleObject::guardGauge), float>);
  static_assert(std::is_same_v<decltype(BattleObject::juggleWeight), float>);
  static_assert(std::is_same_v<decltype(BattleObject::scaleX), float>);
  static_assert(std::is_same_v<decltype(PlayerExtension::recoveryRate), float>);
  static_assert(std::is_same_v<decltype(g_SlowMotion), int16_t>);
  static_assert(std::is_same_v<decltype(g_BattleFrame), uint32_t>);
}

using BattleReset = BattleTest;

TEST_F(BattleReset, ActiveSlotKeepsOnlyLifeCircuitFramePointersAndIdentity) {
  PlayerRecord& r = g_PlayerRecords[1];
  BattleObject& o = r.obj;
  o.playerIndex = 1;
  o.charaIndex = 7;
  o.fileCharaIndex = 8;
  o.controller = 1;
  o.colorIndex = 3;
  o.life = 5000;
  o.redLife = 6000;
  o.circuit = 12345;
  o.gaugeMode = 2;
  o.heatTimer = 99;
  o.regenDelay = 7;
  o.hitStop = 5;
  o.charVars[4] = 9;
  o.posY = -300;
  r.ext.macroMode = 1;
  r.ext.history.head[2] = 4;
  r.ext.timedState[2] = 6;
  r.ext.timedStateMore[0] = 6;
  g_PlayerSelections[1].type = 4;
  InitPlayerRecord(r, 1, 81920, 1);
  EXPECT_EQ(o.life, 5000);
  EXPECT_EQ(o.redLife, 6000);
  EXPECT_EQ(o.circuit, 12345);
  EXPECT_EQ(o.charaIndex, 7);
  EXPECT_EQ(o.fileCharaIndex, 8);
  EXPECT_EQ(o.controller, 1);
  EXPECT_EQ(o.colorIndex, 3);
  EXPECT_EQ(o.gaugeMode, 0);
  EXPECT_EQ(o.heatTimer, 0);
  EXPECT_EQ(o.regenDelay, 0);
  EXPECT_EQ(o.hitStop, 0);
  EXPECT_EQ(o.charVars[4], 0);
  EXPECT_EQ(o.posX, 81920);
  EXPECT_EQ(o.posY, 0);
  EXPECT_EQ(o.type, 4);
  EXPECT_EQ(o.facing, 1);
  EXPECT_EQ(o.dataIndex, 1);
  EXPECT_EQ(o.owner, &o);
  EXPECT_EQ(o.drawPriority, 128);
  EXPECT_EQ(o.scaleX, 1.0f);
  EXPECT_EQ(r.inUse, 1);
  // The round reset clears the history and what follows it, not the macro mode.
  EXPECT_EQ(r.ext.history.head[2], 0);
  EXPECT_EQ(r.ext.timedState[2], 0);
  EXPECT_EQ(r.ext.timedStateMore[0], 6);
  EXPECT_EQ(r.ext.macroMode, 1);
  EXPECT_EQ(r.ext.recoveryRate, 1.0f);

  // Preparing twice gives the same object.
  const uint64_t once = HashBattleObject(o, 1);
  InitPlayerRecord(r, 1, 81920, 1);
  EXPECT_EQ(HashBattleObject(o, 1), once);
}

TEST_F(BattleReset, PartnerReturnsWithFullLifeAndKeepsCircuit) {
  PlayerRecord& r = g_PlayerRecords[2];
  r.obj.life = r.obj.redLife = 10;
  r.obj.circuit = 777;
  g_PlayerSelections[0].overrideMode = 2;
  g_PlayerSelections[0].overrideValue = 6;
  InitPartnerRecord(r, 0, 0);
  EXPECT_EQ(r.obj.life, 11400);
  EXPECT_EQ(r.obj.redLife, 11400);
  EXPECT_EQ(r.obj.circuit, 777);
  EXPECT_EQ(r.obj.drawPriority, 120);
  EXPECT_EQ(r.obj.partnerState, 1);
  EXPECT_EQ(r.obj.type, 6);  // override mode 2 gives the type
}

TEST_F(BattleReset, CommonEffectOwnerReadsNoSelection) {
  g_PlayerSelections[0].type = 5;
  g_PlayerSelections[1].type = 5;
  InitPlayerRecord(g_EffectOwner, 255, 0, 0);
  EXPECT_EQ(g_EffectOwner.obj.type, 0);
  EXPECT_EQ(g_EffectOwner.obj.side, 255);
}

TEST_F(BattleReset, RoundAndMatchResetsClearWhatWouldBreakReplays) {
  for (int s = 0; s < kBattleStateRows; ++s) {
    g_BattleState[PlayerTimerIndex(s, 3)] = 5;
    g_BattleState[PlayerTimerElapsedIndex(s, 3)] = 6;
    g_BattleState[PlayerTimerStartIndex(s, 3)] = 7;
    g_BattleState[FreezeTimerIndex(s)] = 8;
    g_BattleState[FreezeSerialIndex(s)] = 9;
  }
  for (int32_t& c : g_BattleCounters) c = 4;
  g_SlowMotionRequest = 30;
  g_BattleFrame = 99;
  g_PlayerRecords[0].ext.macroMode = 1;
  g_PlayerRecords[0].ext.chain.pendingChain = 12;
  g_PlayerRecords[0].ext.chain.lastFiredCommand = 3;
  g_PlayerRecords[0].ext.timedStateMore[4] = 2;

  ResetBattleCounters();
  for (int s = 0; s < kBattleStateRows; ++s) {
    EXPECT_EQ(g_BattleState[PlayerTimerIndex(s, 3)], 0);
    EXPECT_EQ(g_BattleState[PlayerTimerElapsedIndex(s, 3)], 6) << "elapsed counts survive the round reset";
    EXPECT_EQ(g_BattleState[PlayerTimerStartIndex(s, 3)], 0);
    EXPECT_EQ(g_BattleState[FreezeTimerIndex(s)], 0);
    EXPECT_EQ(g_BattleState[FreezeSerialIndex(s)], 0);
  }
  for (int i = 0; i < 9; ++i) EXPECT_EQ(g_BattleCounters[i], 0);
  EXPECT_EQ(g_BattleCounters[9], 4);
  EXPECT_EQ(g_SlowMotionRequest, 0);
  EXPECT_EQ(g_BattleFrame, 0u);

  g_SlowMotionRequest = 30;
  InitMatchBattleState();
  EXPECT_EQ(g_BattleCounters[9], 0);
  EXPECT_EQ(g_BattleState[PlayerTimerElapsedIndex(2, 3)], 0);
  EXPECT_EQ(g_PlayerRecords[0].ext.macroMode, 0);
  EXPECT_EQ(g_PlayerRecords[0].ext.chain.pendingChain, -1);
  EXPECT_EQ(g_PlayerRecords[0].ext.chain.lastFiredCommand, 0);
  EXPECT_EQ(g_PlayerRecords[0].ext.timedStateMore[4], 0);
  EXPECT_EQ(g_SlowMotionRequest, 0);
  EXPECT_EQ(g_SideStatus[1].activePlayer, 1);
  EXPECT_EQ(g_BattleState[BattleStateIndex::kRoundMarks + 1], g_RoundsToWin);
}

// Each row's freeze words sit past its 195 ints, in the unused head of the next row: writing
// them disturbs no event timer, elapsed count or start value of any row, nor a named word.
TEST_F(BattleReset, FreezeWordsDisturbNoTimerOrNamedWord) {
  std::vector<int> watched = {BattleStateIndex::kScreenMode,          BattleStateIndex::kScreenBreakProgress,
                              BattleStateIndex::kGlobalFreezeRequest, BattleStateIndex::kSpecialStage,
                              BattleStateIndex::kTrainingDisplay,     BattleStateIndex::kFreezeStarted};
  for (int i = 0; i < 26; ++i) watched.push_back(BattleStateIndex::kMatchPoint0 + i);
  for (int s = 0; s < kBattleStateRows; ++s)
    for (int i = 0; i < 64; ++i)
      for (int index : {PlayerTimerIndex(s, i), PlayerTimerElapsedIndex(s, i), PlayerTimerStartIndex(s, i)})
        watched.push_back(index);
  for (int s = 0; s < kBattleStateRows; ++s) {
    for (int index : watched) g_BattleState[index] = -7;
    ASSERT_LT(FreezeSerialIndex(s), kBattleStateSize);
    g_BattleState[FreezeTimerIndex(s)] = 30;
    g_BattleState[FreezeSerialIndex(s)] = 4;
    for (int index : watched) EXPECT_EQ(g_BattleState[index], -7) << "row " << s << " word " << index;
    g_BattleState[FreezeTimerIndex(s)] = g_BattleState[FreezeSerialIndex(s)] = 0;
  }
}

TEST_F(BattleReset, SideProgressClearsOneOrBothSides) {
  const struct {
    int side;
    bool cleared0, cleared1;
  } cases[] = {{-1, true, true}, {0, true, false}, {1, false, true}};
  // The sides' story-battle routes are reset with them.
  static bool routeReset[2];
  g_BattleSeams.ResetStoryBattleRoute = [](int side) { routeReset[side & 1] = true; };
  for (const auto& c : cases) {
    g_SideStatus[0].arcadeTotals[9] = g_SideStatus[1].arcadeTotals[9] = 5;
    routeReset[0] = routeReset[1] = false;
    ResetSideProgress(c.side);
    EXPECT_EQ(g_SideStatus[0].arcadeTotals[9] == 0, c.cleared0) << c.side;
    EXPECT_EQ(g_SideStatus[1].arcadeTotals[9] == 0, c.cleared1) << c.side;
    EXPECT_EQ(routeReset[0], c.cleared0) << c.side;
    EXPECT_EQ(routeReset[1], c.cleared1) << c.side;
  }
}

// The exchange sort as the game runs it (for i, for j > i, swap when p[j] < p[i]): equal
// priorities do not always keep their order, and every machine agrees on the result.
TEST_F(BattleReset, PlayerOrderSortIsTheLiteralExchangeSortAndResetEachRound) {
  const struct {
    int16_t priorities[4];
    int order[4];
  } cases[] = {
      {{128, 128, 120, 130}, {2, 1, 0, 3}},
      {{128, 120, 128, 120}, {1, 3, 2, 0}},
      {{100, 100, 100, 100}, {0, 1, 2, 3}},
  };
  for (const auto& c : cases) {
    ResetBattleCounters();
    for (int i = 0; i < 4; ++i) g_PlayerRecords[i].obj.drawPriority = c.priorities[i];
    SortPlayerOrder();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(g_PlayerOrder[i], &g_PlayerRecords[c.order[i]]) << i;
  }
  ResetBattleCounters();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(g_PlayerOrder[i], &g_PlayerRecords[i]);
}

TEST_F(BattleReset, HashSeesEveryKindOfStateButNoAddresses) {
  const uint64_t base = BattleStateHash();
  const struct {
    const char* what;
    void (*change)();
  } cases[] = {
      {"object field", [] { g_PlayerRecords[3].obj.followY = 1; }},
      {"pool slot taken", [] { g_ObjectPool[998].inUse = 1; }},
      {"float field", [] { g_PlayerRecords[0].obj.guardGauge = -0.0f; }},
      {"pointer field", [] { g_PlayerRecords[0].obj.parent = &g_PlayerRecords[1].obj; }},
      {"extension", [] { g_PlayerRecords[2].ext.history.frames[6][63] = 1; }},
      {"side record", [] { g_SideStatus[3].attackFactor = 1.0f; }},
      {"battle state", [] { g_BattleState[1023] = 1; }},
      {"global", [] { g_ScreenShakeAxis = 1; }},
      {"order", [] { std::swap(g_PlayerOrder[2], g_PlayerOrder[3]); }},
      {"random stream", [] { RandStreamNext(4); }},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    ASSERT_EQ(BattleStateHash(), base);
    c.change();
    EXPECT_NE(BattleStateHash(), base) << c.what;
  }
  // The last field of a live pool object.
  battle_test::ResetWorld();
  g_ObjectPool[999].inUse = 1;
  const uint64_t taken = BattleStateHash();
  g_ObjectPool[999].obj.entryDepth = 1;
  EXPECT_NE(BattleStateHash(), taken);
}

// The object record is hashed as runs of value fields read straight from memory plus slot
// references for its pointers. With the pool full (the last objects land in a later chunk of the
// stream), the first and the last byte of every value field of the last object move the hash,
// and so does every pointer moved to another object or set where it was null; the record's
// padding never does.
TEST_F(BattleReset, HashSeesEveryFieldOfAnObjectAndNeverItsPadding) {
  for (ObjectPoolSlot& s : g_ObjectPool) s.inUse = 1;
  BattleObject& o = g_ObjectPool[kObjectPoolSize - 1].obj;
  auto* bytes = reinterpret_cast<uint8_t*>(&o);
  const uint64_t base = BattleStateHash();
  std::vector<bool> inField(sizeof(BattleObject), false);
  const auto value = [&](const char* name, size_t offset, size_t size) {
    for (size_t i = offset; i < offset + size; ++i) inField[i] = true;
    for (size_t at : {offset, offset + size - 1}) {
      bytes[at] ^= 0x80;
      EXPECT_NE(BattleStateHash(), base) << name << " byte " << at - offset;
      bytes[at] ^= 0x80;
    }
  };
  const auto pointer = [&](const char* name, auto*& p, size_t offset) {
    for (size_t i = offset; i < offset + sizeof p; ++i) inField[i] = true;
    auto* const was = p;
    using T = std::remove_reference_t<decltype(*p)>;
    if constexpr (std::is_same_v<T, BattleObject>) {
      for (BattleObject* other : {&g_ObjectPool[3].obj, &g_PlayerRecords[1].obj, &g_EffectOwner.obj}) {
        p = other;
        EXPECT_NE(BattleStateHash(), base) << name << " to another object";
      }
    } else if constexpr (std::is_same_v<T, PlayerRecord>) {
      p = &g_PlayerRecords[2];
      EXPECT_NE(BattleStateHash(), base) << name;
    } else if constexpr (std::is_same_v<T, FrameDataSet>) {
      p = &g_FrameDataSets[3];
      EXPECT_NE(BattleStateHash(), base) << name;
    } else {
      static T record;
      p = &record;
      EXPECT_NE(BattleStateHash(), base) << name << " present";
    }
    p = was;
  };
#define VALUE(type, name) value(#name, offsetof(BattleObject, name), sizeof(type));
#define VALUES(type, name, n) value(#name, offsetof(BattleObject, name), sizeof(type) * (n));
#define POINTER(type, name) pointer(#name, o.name, offsetof(BattleObject, name));
#define POINTERS(type, name, n)                                                                  \
  pointer(#name "[0]", o.name[0], offsetof(BattleObject, name));                                 \
  pointer(#name "[last]", o.name[(n)-1], offsetof(BattleObject, name) + sizeof(type) * ((n)-1)); \
  for (size_t i = 0; i < sizeof(type) * (n); ++i) inField[offsetof(BattleObject, name) + i] = true;
  BATTLE_OBJECT_FIELDS(VALUE, VALUES, POINTER, POINTERS)
#undef VALUE
#undef VALUES
#undef POINTER
#undef POINTERS
  ASSERT_EQ(BattleStateHash(), base);
  for (size_t i = 0; i < sizeof(BattleObject); ++i) {
    if (inField[i]) continue;
    bytes[i] = 0xa5;
    EXPECT_EQ(BattleStateHash(), base) << "padding byte " << i;
  }
}

// The AVX2 build of the object run's hash gives the library's value (the state hash takes
// either, by processor).
TEST(BattleRecordsHash, AvxBuildOfTheRunHashGivesTheLibraryValue) {
  if (!record_hash::kInPlaceRunBuiltForAvx2 || !__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2";
  BattleObject o;
  auto* bytes = reinterpret_cast<uint8_t*>(&o);
  for (uint32_t seed : {0u, 1u, 0x9e3779b9u}) {
    for (size_t i = 0; i < sizeof o; ++i) bytes[i] = static_cast<uint8_t>((i * 131 + seed) ^ (seed >> 8));
    EXPECT_EQ(record_hash::HashInPlaceRunAvx2(bytes),
              XXH3_64bits(bytes + record_hash::kInPlace.offset, record_hash::kInPlace.size))
        << seed;
  }
}

}  // namespace

// A type outside 0..9 in a selection from a replay or a peer plays type 0, as the loader reads it.
TEST(BattleRecordsSelection, RoundPreparationTakesTheCheckedType) {
  vt::SetDebugQuiet(true);
  const struct {
    int32_t type, overrideMode, overrideValue;
    int16_t want;
  } cases[] = {{4, 0, 0, 4}, {42, 0, 0, 0}, {-1, 0, 0, 0}, {3, 2, 7, 7}, {3, 2, 12, 0}};
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    g_PlayerSelections[1].type = c.type;
    g_PlayerSelections[1].overrideMode = c.overrideMode;
    g_PlayerSelections[1].overrideValue = c.overrideValue;
    InitPlayerRecord(g_PlayerRecords[1], 1, 81920, 1);
    EXPECT_EQ(g_PlayerRecords[1].obj.type, c.want)
        << c.type << " " << c.overrideMode << " " << c.overrideValue;
  }
  vt::SetDebugQuiet(false);
}
