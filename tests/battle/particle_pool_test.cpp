// The particle pool: allocation and the reserved call slots, the one clear, the spawners' counts
// and random draws, the pass's ageing under freezes and pauses, the state kinds and the calls.
#include "battle/particle_pool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/random.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/round_calls.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;

class ParticlePool : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    ClearParticlePool();
    g_RoundCall = {};
    g_RoundCallBars = {};
    g_FightCall = {};
    g_KoCall = {};
    g_BgHoldTimer = 0;
    character_ = &g_PlayerRecords[0].obj;
    g_PlayerRecords[0].inUse = 1;
    character_->playerIndex = 0;
    character_->side = 0;
    InstallParticleSeams();
  }
  void TearDown() override {
    ClearParticlePool();
    ResetBattleDrawSeams();
    BattleTest::TearDown();
  }

  // A particle of a kind placed by hand (as a spawner would), through the allocator.
  static Particle& Place(int kind, int life, bool ignoreFreeze = false) {
    Particle* p = AllocParticle();
    EXPECT_NE(p, nullptr);
    p->kind = static_cast<int16_t>(kind);
    p->life = p->maxLife = static_cast<int16_t>(life);
    p->ignoreFreeze = ignoreFreeze ? 1 : 0;
    return *p;
  }
  static int CountKind(int kind) {
    int n = 0;
    for (const Particle& p : g_ParticlePool) n += p.inUse && p.kind == kind;
    return n;
  }

  BattleObject* character_ = nullptr;
};

TEST_F(ParticlePool, AllocationTakesTheFirstFreeSlotClearedToZeros) {
  for (int i = 0; i < 5; ++i) Place(5, 10).p3 = 77;
  FreeParticle(g_ParticlePool[3]);
  FreeParticle(g_ParticlePool[1]);
  Particle* p = AllocParticle();
  ASSERT_EQ(p, &g_ParticlePool[1]);
  EXPECT_EQ(p->p3, 0);
  EXPECT_EQ(p->inUse, 1);
  EXPECT_EQ(AllocParticle(), &g_ParticlePool[3]);
  EXPECT_EQ(AllocParticle(), &g_ParticlePool[5]);
  // A pool wiped without the clear still hands out its first slot.
  std::memset(g_ParticlePool, 0, sizeof g_ParticlePool);
  EXPECT_EQ(AllocParticle(), &g_ParticlePool[0]);
}

TEST_F(ParticlePool, ALifeOfOneIsVisitedOnceAndFreedInTheSamePass) {
  // The emitter drops one fan per visit, so the fans count its visits.
  Place(6, 1);
  UpdateDrawParticles();
  EXPECT_EQ(CountKind(6), 0);
  EXPECT_EQ(CountKind(7), 1);
  UpdateDrawParticles();
  EXPECT_EQ(CountKind(7), 1);
}

TEST_F(ParticlePool, FreezesAgeOnlyTheParticlesThatIgnoreThem) {
  struct Row {
    const char* name;
    int32_t globalFreeze;
    int16_t slowMotion;
    uint32_t frame;
    bool plainAges;
  };
  const Row rows[] = {
      {"no freeze", 0, 0, 1, true},
      {"global freeze", 5, 0, 1, false},
      {"slow-motion skip frame", 0, 4, 1, false},
      {"slow-motion step frame", 0, 4, 3, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ClearParticlePool();
    g_GlobalFreeze = r.globalFreeze;
    g_SlowMotion = r.slowMotion;
    g_BattleFrame = r.frame;
    Particle& free = Place(5, 10, true);
    free.vx = 3;
    Particle& plain = Place(5, 10);
    plain.vx = 3;
    Particle& emitter = Place(6, 10);
    UpdateDrawParticles();
    EXPECT_EQ(free.life, 9);
    EXPECT_EQ(free.x, 3);
    EXPECT_EQ(plain.life, r.plainAges ? 9 : 10);
    EXPECT_EQ(plain.x, r.plainAges ? 3 : 0);
    // Frozen or not, every live particle is visited (the emitter dropped its fan).
    EXPECT_EQ(emitter.life, r.plainAges ? 9 : 10);
    EXPECT_EQ(CountKind(7), 1);
  }
}

TEST_F(ParticlePool, APauseAgesNothingAndRefusesEffectsAndSystemCodes) {
  Particle& free = Place(5, 10, true);
  Place(6, 10);
  g_Paused = 1;
  const int32_t block[12] = {0, 0, 5, 0, 1};
  SpawnParticleEffect(9, block, 0, nullptr);
  SpawnSystemEffect(character_, 257, block, 0);
  UpdateDrawParticles();
  EXPECT_EQ(free.life, 10);
  EXPECT_EQ(CountLiveParticles(), 2);  // no fan either: the emitter's request is refused
  EXPECT_EQ(g_RandDrawCount, 0);
  // A call is still taken: the round's start and end wait for it.
  SpawnCallEffect(253, block, 0);
  EXPECT_EQ(CountKind(1003), 1);
}

TEST_F(ParticlePool, TheSparkCapIsTestedOncePerRequest) {
  const int32_t block[8] = {0, 0, 10, 0, 1};
  g_SparkCount = 499;
  SpawnParticleEffect(9, block, 0, nullptr);
  EXPECT_EQ(CountKind(257), 10);
  EXPECT_EQ(g_SparkCount, 509);
  // At the cap only the central flash comes.
  ClearParticlePool();
  g_SparkCount = 500;
  SpawnParticleEffect(9, block, 0, nullptr);
  EXPECT_EQ(CountKind(257), 0);
  EXPECT_EQ(CountKind(272), 1);
  EXPECT_EQ(g_SparkCount, 500);
}

TEST_F(ParticlePool, SparksAgingOutLowerTheSparkCount) {
  const int32_t block[8] = {0, 0, 0, 3};
  SpawnParticleEffect(3, block, 0, nullptr);
  ASSERT_EQ(g_SparkCount, 3);
  for (int i = 0; i < 20; ++i) UpdateDrawParticles();
  EXPECT_EQ(CountKind(257), 0);
  EXPECT_EQ(g_SparkCount, 0);
}

TEST_F(ParticlePool, EveryClearZeroesTheSparkCount) {
  const int32_t block[8] = {0, 0, 0, 50};
  struct Row {
    const char* name;
    void (*clear)();
  };
  const Row rows[] = {{"pool clear", ClearParticlePool}, {"battle globals reset", ResetAllBattleGlobals}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    for (int i = 0; i < 10; ++i) SpawnParticleEffect(3, block, 0, nullptr);
    ASSERT_EQ(g_SparkCount, kSparkCap);
    r.clear();
    EXPECT_EQ(g_SparkCount, 0);
    EXPECT_EQ(CountLiveParticles(), 0);
    // Sparks are made again after the clear.
    SpawnParticleEffect(3, block, 0, nullptr);
    EXPECT_EQ(g_SparkCount, 50);
    ClearParticlePool();
  }
}

TEST_F(ParticlePool, RoundCallRequestsTheFightCallExactlyOnce) {
  g_RoundsToWin = 2;
  const int32_t block[4] = {0, 0, 1};
  SpawnCallEffect(256, block, 0);
  ASSERT_EQ(CountKind(1001), 1);
  EXPECT_EQ(g_RoundCallRound, 1);
  EXPECT_EQ(g_RoundCallWins, 2);
  EXPECT_EQ(g_RoundCallFirst, 0);
  UpdateDrawParticles();
  EXPECT_EQ(CountKind(1003), 0);
  // The bars report their wipe finished: one request, state 2.
  g_RoundCallBars.state = 1;
  UpdateDrawParticles();
  EXPECT_EQ(CountKind(1003), 1);
  EXPECT_EQ(g_RoundCallBars.state, 2);
  for (int i = 0; i < 5; ++i) UpdateDrawParticles();
  EXPECT_EQ(CountKind(1003), 1);
  // The round call ends when it reports done.
  g_RoundCall.done = 1;
  UpdateDrawParticles();
  EXPECT_EQ(CountKind(1001), 0);
}

TEST_F(ParticlePool, TheFightCallReleasesTheLockOnceAndEndsWhenDone) {
  const int32_t block[4] = {};
  g_CommandLock = 1;
  SpawnCallEffect(253, block, 0);
  UpdateDrawParticles();
  EXPECT_EQ(g_CommandLock, 1);
  // Paused, the release waits.
  g_FightCall.released = 1;
  g_Paused = 1;
  UpdateDrawParticles();
  EXPECT_EQ(g_CommandLock, 1);
  g_Paused = 0;
  UpdateDrawParticles();
  EXPECT_EQ(g_CommandLock, 0);
  // Written once: a lock set again later stays.
  g_CommandLock = 2;
  UpdateDrawParticles();
  EXPECT_EQ(g_CommandLock, 2);
  g_FightCall.done = 1;
  UpdateDrawParticles();
  EXPECT_EQ(CountKind(1003), 0);
}

TEST_F(ParticlePool, TheKnockOutCallMapsItsResultValueAndStaysUntilDone) {
  struct Row {
    int32_t value;
    int32_t kind;
  };
  const Row rows[] = {{3, 0}, {6, 1}, {99, 2}, {1000, 3}, {1001, 4}, {20, 5}, {21, 6}, {7, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    ClearParticlePool();
    g_KoCall = {};
    const int32_t block[4] = {0, 0, r.value, 2};
    SpawnCallEffect(255, block, 0);
    Particle* p = &g_ParticlePool[0];
    ASSERT_EQ(p->kind, 1000);
    EXPECT_EQ(p->p2, r.value);
    EXPECT_EQ(p->p3, 2);
    EXPECT_EQ(p->ignoreFreeze, 1);
    // The particle lives as long as the call runs (past its 600 frames if need be), and ends on
    // the pass that sees the call done.
    int passes = 0;
    while (g_KoCall.done == 0 && passes < 2000) {
      UpdateDrawParticles();
      ++passes;
      if (g_KoCall.done == 0) {
        ASSERT_EQ(p->inUse, 1);
      }
    }
    EXPECT_EQ(g_KoCall.KoKind, r.kind);
    EXPECT_EQ(g_KoCall.extra, 2);
    ASSERT_EQ(g_KoCall.done, 1);
    EXPECT_EQ(p->inUse, 1);
    UpdateDrawParticles();
    EXPECT_EQ(p->inUse, 0);
    // Held past its frames: a call that never ends keeps its particle.
    ClearParticlePool();
    g_KoCall = {};
    SpawnCallEffect(255, block, 0);
    UpdateDrawParticles();
    g_KoCall.extra = 2;
    for (int i = 0; i < 700; ++i) {
      g_KoCall.done = 0;
      g_KoCall.t = 0.0f;
      UpdateDrawParticles();
    }
    EXPECT_EQ(p->inUse, 1);
  }
}

TEST_F(ParticlePool, AFullPoolSkipsSpawnsWithoutDrawsAndKeepsItsLastSlotsForCalls) {
  int taken = 0;
  while (Particle* p = AllocParticle()) {
    p->kind = 5;
    p->life = p->maxLife = 100;
    ++taken;
  }
  ASSERT_EQ(taken, kParticlePoolSize - kCallReservedSlots);
  std::vector<Particle> before(g_ParticlePool, g_ParticlePool + kParticlePoolSize);
  const RandStream stream = g_RandStreams[kRandCommonStream];
  const int32_t block[12] = {0, 0, 10, 5, 1, 0, 0, 3};
  // Every number and code that spawns (effects 2 and 15 still request their freezes, and
  // effect 10 spawns nothing: they are left out here).
  for (int number : {0,  1,  3,  4,  5,  6,  7,  8,   9,   14,  16,  19,  20,  21,
                     22, 23, 24, 27, 28, 29, 30, 100, 101, 256, 265, 300, 301, 302})
    SpawnParticleEffect(number, block, 0, nullptr);
  for (int code : {0, 1, 4, 256, 257, 259, 260, 1260}) SpawnSystemEffect(character_, code, block, 0);
  EXPECT_EQ(std::memcmp(before.data(), g_ParticlePool, sizeof g_ParticlePool), 0);
  EXPECT_EQ(g_RandDrawCount, 0);
  EXPECT_EQ(std::memcmp(&stream, &g_RandStreams[kRandCommonStream], sizeof stream), 0);
  EXPECT_EQ(g_SparkCount, 0);
  // The reserved slots take the calls, sixteen of them.
  for (int i = 0; i < kCallReservedSlots; ++i) SpawnCallEffect(i % 2 ? 253 : 256, block, 0);
  EXPECT_EQ(CountKind(1003) + CountKind(1001), kCallReservedSlots);
  SpawnCallEffect(255, block, 0);
  EXPECT_EQ(CountKind(1000), 0);
}

TEST_F(ParticlePool, ASpawnDuringThePassIsAgedInItIfItLandsInALaterSlot) {
  // Slot 0 free, the emitter in slot 1: its fan lands in slot 0, behind the pass.
  Particle& first = Place(5, 10);
  Place(6, 10);
  FreeParticle(first);
  UpdateDrawParticles();
  ASSERT_EQ(g_ParticlePool[0].kind, 7);
  EXPECT_EQ(g_ParticlePool[0].life, 30);
  // Now the next fan lands in slot 2, ahead of the pass, and is aged in the same pass.
  UpdateDrawParticles();
  ASSERT_EQ(g_ParticlePool[2].kind, 7);
  EXPECT_EQ(g_ParticlePool[2].life, 29);
  EXPECT_EQ(g_ParticlePool[0].life, 29);
}

TEST_F(ParticlePool, LinePairsDrawTheirLaunchInOrder) {
  // vx, vy, vz per pair, pair after pair, from the common stream.
  const RandStream saved = g_RandStreams[kRandCommonStream];
  std::vector<int32_t> draws;
  for (int i = 0; i < 6; ++i) draws.push_back(RandNext());
  g_RandStreams[kRandCommonStream] = saved;
  g_RandDrawCount = 0;
  const int32_t block[8] = {0, 0, 0, 3, 2};
  SpawnParticleEffect(5, block, 1, nullptr);
  ASSERT_EQ(g_RandDrawCount, 6);
  for (int i = 0; i < 2; ++i) {
    const Particle& p = g_ParticlePool[i];
    EXPECT_EQ(p.vx, 64 + draws[3 * i] % 512);
    EXPECT_EQ(p.vy, -64 - draws[3 * i + 1] % 768);
    EXPECT_EQ(p.vz, draws[3 * i + 2] % 3 - 1);
    EXPECT_EQ(p.flip, 1);
    EXPECT_EQ(p.p4, 3);
    EXPECT_EQ(p.ay, 18);
  }
  // P2 1 turns the flip over, P2 2 spreads both ways.
  ClearParticlePool();
  const int32_t turned[8] = {0, 0, 1, 3, 1};
  SpawnParticleEffect(5, turned, 1, nullptr);
  EXPECT_EQ(g_ParticlePool[0].flip, 0);
  EXPECT_LE(g_ParticlePool[0].vx, -64);
}

TEST_F(ParticlePool, BurstSparksDrawLifeAngleAndSpeedInOrder) {
  const RandStream saved = g_RandStreams[kRandCommonStream];
  const int32_t life = RandNext() % 10, angle = RandNext() % 360, speed = RandNext() % 1801;
  g_RandStreams[kRandCommonStream] = saved;
  const int32_t block[8] = {0, 0, 1, 0, 2};
  SpawnParticleEffect(9, block, 0, nullptr);
  const Particle& flash = g_ParticlePool[0];
  const Particle& spark = g_ParticlePool[1];
  EXPECT_EQ(flash.kind, 272);
  EXPECT_EQ(flash.life, 13);
  EXPECT_EQ(spark.kind, 257);
  EXPECT_EQ(spark.life, 7 + life);
  EXPECT_EQ(spark.ignoreFreeze, 1);
  const double a = angle * kBattlePi / 180.0;
  EXPECT_EQ(spark.vx, static_cast<int16_t>(static_cast<float>(BattleCos(a) * speed)));
  EXPECT_EQ(spark.vy, static_cast<int16_t>(static_cast<float>(BattleSin(a) * speed)));
}

struct DrawRow {
  int number;
  int32_t p2, p3, p4, p5, p6, p7;
  int live;
  int draws;
};

TEST_F(ParticlePool, EffectNumbersSpawnTheirCountWithTheirDraws) {
  const DrawRow rows[] = {
      {0, 0, 0, 0, 0, 0, 0, 1, 0},      {1, 0, 0, 0, 0, 0, 0, 1, 0},      {2, 0, 0, 0, 0, 0, 0, 1, 0},
      {3, 0, 4, 0, 0, 0, 0, 5, 9},      {4, 0, 0, 0, 0, 0, 0, 4, 6},      {5, 0, 1, 0, 0, 0, 0, 15, 45},
      {5, 2, 1, 4, 0, 0, 0, 4, 12},     {6, 0, 0, 0, 0, 0, 0, 1, 1},      {7, 3, 0, 0, 0, 0, 0, 3, 6},
      {8, 0, 0, 0, 0, 0, 0, 19, 30},    {9, 5, 0, 1, 0, 0, 0, 6, 15},     {9, 5, 0, 10, 0, 0, 0, 6, 15},
      {10, 0, 1, 20, 0, 0, 0, 0, 0},    {11, 0, 0, 0, 0, 0, 0, 0, 0},     {14, 0, 0, 0, 0, 0, 0, 1, 0},
      {15, 0, 0, 0, 0, 0, 0, 1, 0},     {16, 0, 0, 0, 0, 0, 0, 1, 0},     {19, 1, 0, 0, 0, 0, 0, 1, 0},
      {20, 0, 0, 0, 0, 0, 0, 3, 9},     {21, 0, 0, 0, 0, 0, 0, 1, 0},     {22, 4, 10, 0, 0, 0, 0, 4, 4},
      {23, 10, 0, 0, 0, 0, 0, 1, 0},    {24, 10, 0, 0, 0, 0, 0, 1, 0},    {27, 100, 50, 10, 0, 0, 3, 3, 9},
      {28, 100, 50, 10, 0, 1, 3, 3, 9}, {29, 100, 50, 10, 0, 0, 3, 3, 9}, {30, 0, 0, 0, 0, 0, 0, 180, 540},
      {100, 0, 0, 0, 0, 0, 0, 2, 0},    {101, 0, 0, 0, 0, 0, 0, 1, 0},    {256, 0, 0, 0, 0, 0, 0, 1, 3},
      {265, 0, 0, 0, 0, 0, 0, 80, 240}, {300, 0, 0, 0, 0, 0, 0, 1, 0},    {301, 0, 0, 0, 0, 0, 0, 1, 0},
      {302, 0, 0, 0, 0, 0, 0, 11, 0},   {260, 0, 0, 0, 0, 0, 0, 0, 0},    {-1, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const DrawRow& r : rows) {
    SCOPED_TRACE(r.number);
    ClearParticlePool();
    g_RandDrawCount = 0;
    const int32_t block[8] = {64, -64, r.p2, r.p3, r.p4, r.p5, r.p6, r.p7};
    SpawnParticleEffect(r.number, block, 0, nullptr);
    EXPECT_EQ(CountLiveParticles(), r.live);
    EXPECT_EQ(g_RandDrawCount, r.draws);
  }
}

TEST_F(ParticlePool, SystemCodesAndCallCodesSpawnTheirCountWithTheirDraws) {
  struct Row {
    bool call;
    int code;
    int live;
    int draws;
  };
  const Row rows[] = {
      {false, 0, 1, 0},   {false, 1, 1, 0},    {false, 4, 1, 0},   {false, 26, 0, 0},  {false, 50, 1, 0},
      {false, 256, 1, 0}, {false, 257, 1, 2},  {false, 258, 0, 0}, {false, 259, 1, 0}, {false, 260, 1, 0},
      {false, 261, 0, 0}, {false, 1260, 1, 0}, {false, 2, 0, 0},   {true, 253, 1, 0},  {true, 254, 1, 0},
      {true, 255, 1, 0},  {true, 256, 1, 0},   {true, 258, 1, 0},  {true, 1000, 1, 0}, {true, 1001, 1, 0},
      {true, 1002, 1, 0}, {true, 0, 0, 0},     {true, 257, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << (r.call ? "call " : "system ") << r.code);
    ClearParticlePool();
    g_RandDrawCount = 0;
    // P2 3 keeps the super move's freeze out of the count.
    const int32_t block[12] = {0, 0, 3, 1, 5};
    if (r.call)
      SpawnCallEffect(r.code, block, 0);
    else
      SpawnSystemEffect(character_, r.code, block, 0);
    EXPECT_EQ(CountLiveParticles(), r.live);
    EXPECT_EQ(g_RandDrawCount, r.draws);
  }
}

TEST_F(ParticlePool, SystemCodesAskTheFreezeGate) {
  const int32_t block[12] = {};
  g_GlobalFreeze = 3;
  SpawnSystemEffect(character_, 0, block, 0);
  EXPECT_EQ(CountLiveParticles(), 0);
  character_->flags |= 0x1000;  // may act under any freeze
  SpawnSystemEffect(character_, 0, block, 0);
  EXPECT_EQ(CountLiveParticles(), 1);
  SpawnSystemEffect(nullptr, 0, block, 0);
  EXPECT_EQ(CountLiveParticles(), 1);
}

TEST_F(ParticlePool, MarkersFollowTheirAnchor) {
  character_->posX = 1000;
  character_->posY = -500;
  const int32_t block[12] = {1300, -400};
  SpawnSystemEffect(character_, 1, block, 0);
  Particle& p = g_ParticlePool[0];
  ASSERT_EQ(p.anchor, character_);
  EXPECT_EQ(p.x, 300);
  EXPECT_EQ(p.y, 100);
  EXPECT_EQ(p.vx, -2000);
  EXPECT_EQ(p.p1, -400);
  // The emitter's fan starts at its world point (and has made its first move in this pass).
  UpdateDrawParticles();
  const Particle& fan = g_ParticlePool[1];
  ASSERT_EQ(fan.kind, 7);
  EXPECT_EQ(fan.x - fan.vx, 1300);
  EXPECT_EQ(fan.y - (fan.vy - fan.ay), -400);
}

TEST_F(ParticlePool, DebrisWithAZeroRangeKeepsItsSpawnAndSkipsThoseDraws) {
  struct Row {
    const char* name;
    int32_t spread, rise, life;
    int drawsPerPiece;
  };
  const Row rows[] = {
      {"all ranges", 100, 50, 10, 3}, {"life 0", 100, 50, 0, 2},   {"no spread", 0, 50, 10, 2},
      {"nothing", 0, 0, 0, 0},        {"negative", -5, -5, -5, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ClearParticlePool();
    g_RandDrawCount = 0;
    const int32_t block[8] = {0, 0, r.spread, r.rise, r.life, 0, 0, 4};
    SpawnParticleEffect(29, block, 0, nullptr);
    EXPECT_EQ(CountKind(28), 4);
    EXPECT_EQ(g_RandDrawCount, 4 * r.drawsPerPiece);
  }
}

TEST_F(ParticlePool, TheFreezeEffectIgnoresPlayersAndTimersOutsideTheBlock) {
  struct Row {
    const char* name;
    int32_t player;
    int flip;
    bool freezes;
    bool timer;
  };
  const Row rows[] = {
      {"player 0", 0, 0, true, true},   {"player 4", 4, 1, true, true},
      {"player 5", 5, 0, false, false}, {"player -1", -1, 0, false, false},
      {"timer 63", 1, 32, true, true},  {"timer 64", 1, 33, true, false},
      {"timer 30", 1, -1, true, true},  {"timer below 0", 1, -40, true, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ResetAllBattleGlobals();
    const int32_t block[8] = {0, 0, r.player, 101, 0, 0, 0, 0};
    SpawnParticleEffect(10, block, r.flip, nullptr);
    int32_t changed = 0;
    for (int i = 0; i < kBattleStateSize; ++i) changed += g_BattleState[i] != 0;
    if (!r.freezes) {
      EXPECT_EQ(changed, 0);
      continue;
    }
    EXPECT_EQ(g_BattleState[FreezeTimerIndex(r.player)], 30);
    EXPECT_EQ(g_BattleState[FreezeSerialIndex(r.player)], 1);
    EXPECT_EQ(g_BattleState[BattleStateIndex::kFreezeStarted], 1);
    if (r.timer) {
      EXPECT_EQ(g_BattleState[PlayerTimerIndex(r.player, 31 + r.flip)], 60);
    }
    EXPECT_EQ(changed, r.timer ? 5 : 3);
  }
}

TEST_F(ParticlePool, TheFreezeEffectKeepsALongerTimerAndCanRequestAGlobalFreeze) {
  const int32_t global[8] = {0, 0, 1, 200, 90, 0, 0, 1};
  SpawnParticleEffect(10, global, 0, nullptr);
  EXPECT_EQ(g_BattleState[BattleStateIndex::kGlobalFreezeRequest], 90);
  EXPECT_EQ(g_BattleState[PlayerTimerIndex(1, 31)], 90);
  g_BattleState[PlayerTimerIndex(1, 31)] = 500;
  const int32_t player[8] = {0, 0, 1, 1, 0, 0, 0, 1};
  SpawnParticleEffect(10, player, 0, nullptr);
  EXPECT_EQ(g_BattleState[PlayerTimerIndex(1, 31)], 500);
  EXPECT_EQ(g_BattleState[FreezeSerialIndex(1)], 0);  // P7 1 keeps the serial
}

TEST_F(ParticlePool, TheRoundCallNumberIsARoundOfZeroToNine) {
  struct Row {
    int32_t value;
    int32_t round;
  };
  const Row rows[] = {{0, 0}, {1, 1}, {10, 0}, {19, 9}, {-3, 7}, {-10, 0}, {INT32_MIN, 2}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    ClearParticlePool();
    const int32_t block[4] = {0, 0, r.value};
    SpawnCallEffect(256, block, 0);
    EXPECT_EQ(g_RoundCallRound, r.round);
    EXPECT_EQ(g_RoundCallFirst, r.round == 0 ? 1 : 0);
  }
}

TEST_F(ParticlePool, TheLongMarkerFallsWithAWrappingSixteenBitVelocity) {
  const int32_t block[12] = {0, 0};
  SpawnSystemEffect(character_, 257, block, 0);
  Particle& p = g_ParticlePool[0];
  ASSERT_EQ(p.kind, 277);
  ASSERT_EQ(p.life, 20000);
  const int16_t vy0 = p.vy;
  int64_t y = 0;
  int32_t vy = vy0;
  for (int i = 0; i < 1000; ++i) {
    UpdateDrawParticles();
    y += vy;
    vy = Wrap<int16_t>(int64_t{vy} + 70);
  }
  EXPECT_EQ(p.vy, static_cast<int16_t>(vy));
  EXPECT_EQ(p.y, Wrap<int32_t>(y));
  EXPECT_EQ(p.life, 19000);
  // 70 x 1000 is past the 16-bit range: the velocity has wrapped at least once.
  EXPECT_NE(int64_t{p.vy}, int64_t{vy0} + 70000);
}

TEST_F(ParticlePool, StateKindsChangeOnlyOnFramesThatAreNotFrozen) {
  Particle& ring = Place(13, 25);
  ring.p0 = 130;
  ring.p4 = 25;
  Particle& debris = Place(28, 20);
  debris.p1 = 9990;
  debris.p2 = 25;
  Particle& line = Place(258, 20);
  line.x = 640;
  line.y = 128;
  line.vy = 40;
  UpdateDrawParticles();
  EXPECT_EQ(ring.p0, 155);  // k = 25 on the first frame
  EXPECT_EQ(debris.p1, 15);
  // The trail point is where it was drawn; then it is put back on the ground, bounces at half
  // speed and moves.
  EXPECT_EQ(line.p0, 640);
  EXPECT_EQ(line.p1, 128);
  EXPECT_EQ(line.vy, -20);
  EXPECT_EQ(line.y, -20);
  g_GlobalFreeze = 1;
  UpdateDrawParticles();
  EXPECT_EQ(ring.p0, 155);
  EXPECT_EQ(debris.p1, 15);
}

TEST_F(ParticlePool, TheTwinRingsDrawSevenTimesEveryThirdFrameWhileStill) {
  Particle& rings = Place(14, 60);
  rings.object = character_;
  g_RandDrawCount = 0;
  int frames = 0;
  // w = M - L + 2 stays at most 50 for the first 49 visits.
  for (; frames < 49; ++frames) UpdateDrawParticles();
  // Visits at L = 60, 59, ..., 12: the multiples of 3 among them.
  EXPECT_EQ(g_RandDrawCount, 7 * 17);
  // Markers of life 10, aged from the pass that made them: those of L = 18, 15 and 12 remain.
  EXPECT_EQ(CountKind(17), 3);
  const int32_t draws = g_RandDrawCount;
  for (; frames < 59; ++frames) UpdateDrawParticles();
  EXPECT_EQ(g_RandDrawCount, draws);
}

TEST_F(ParticlePool, TheRoundMarkSettlesOnItsLastUnfrozenFrame) {
  const int32_t block[8] = {1, 3};
  SpawnParticleEffect(300, block, 0, nullptr);
  Particle& mark = g_ParticlePool[0];
  EXPECT_EQ(mark.p0, 1);
  EXPECT_EQ(mark.p1, 3);
  for (int i = 0; i < 12; ++i) UpdateDrawParticles();
  EXPECT_EQ(mark.life, 1);
  UpdateDrawParticles();
  EXPECT_EQ(mark.inUse, 0);
}

TEST_F(ParticlePool, HeatActivationSwitchesTheGaugeOwnersMode) {
  struct Row {
    const char* name;
    uint8_t mode;
    int32_t circuit;
    uint8_t mode2;
    bool shakes;
  };
  const Row rows[] = {
      {"heat from a full circuit", 0, 10000, 1, true},
      {"no heat below a full circuit", 0, 9999, 0, false},
      {"mode 2 to 3", 2, 5000, 3, true},
      {"mode 5 to 3", 5, 5000, 3, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    g_ScreenShake = 0;
    character_->flashTimer = 0;
    character_->gaugeMode = r.mode;
    character_->circuit = r.circuit;
    const int32_t block[12] = {};
    SpawnSystemEffect(character_, 26, block, 0);
    EXPECT_EQ(character_->gaugeMode, r.mode2);
    EXPECT_EQ(g_ScreenShake, r.shakes ? 16 : 0);
    EXPECT_EQ(character_->flashTimer, r.shakes ? 30 : 0);
    if (r.shakes) {
      EXPECT_EQ(character_->circuit, 0);
    }
  }
}

TEST_F(ParticlePool, TheSuperMoveRequestsItsFreezeUnlessP2IsThree) {
  const int32_t freeze[12] = {0, 0, 0, 1, 40};
  SpawnSystemEffect(character_, 50, freeze, 0);
  ASSERT_EQ(g_ParticlePool[0].kind, 2000);
  EXPECT_EQ(g_ParticlePool[0].p1, 1);
  EXPECT_EQ(g_ParticlePool[0].object, character_);
  EXPECT_EQ(g_BattleState[FreezeTimerIndex(0)], 40);
  ResetAllBattleGlobals();
  const int32_t none[12] = {0, 0, 3, 1, 40};
  SpawnSystemEffect(character_, 50, none, 0);
  EXPECT_EQ(g_BattleState[FreezeTimerIndex(0)], 0);
}

TEST_F(ParticlePool, ThePortraitRunsItsStatesOverItsLife) {
  const int32_t block[12] = {0, 0, 3};
  SpawnSystemEffect(character_, 50, block, 0);
  Particle& p = g_ParticlePool[0];
  std::vector<int32_t> states;
  for (int i = 0; i < 41; ++i) {
    UpdateDrawParticles();
    if (states.empty() || states.back() != p.state) states.push_back(p.state);
  }
  EXPECT_EQ(states, (std::vector<int32_t>{1, 10, 100, -1}));
  EXPECT_EQ(p.inUse, 0);
}

TEST_F(ParticlePool, EffectTwoFreezesTheBattleAndHoldsTheBackground) {
  const int32_t block[8] = {};
  SpawnParticleEffect(2, block, 0, nullptr);
  EXPECT_EQ(g_BattleState[BattleStateIndex::kGlobalFreezeRequest], 30);
  EXPECT_EQ(g_BgHoldTimer, 180);
  EXPECT_EQ(g_ParticlePool[0].ignoreFreeze, 1);
}

TEST_F(ParticlePool, AFullPoolStillTakesTheFreezesOfEffectsTwoAndFifteen) {
  while (AllocParticle()) {
  }
  const int live = CountLiveParticles();
  const int32_t block[8] = {};
  SpawnParticleEffect(15, block, 0, nullptr);
  EXPECT_EQ(g_BattleState[BattleStateIndex::kGlobalFreezeRequest], 10);
  SpawnParticleEffect(2, block, 0, nullptr);
  EXPECT_EQ(g_BattleState[BattleStateIndex::kGlobalFreezeRequest], 30);
  EXPECT_EQ(g_BgHoldTimer, 180);
  EXPECT_EQ(CountLiveParticles(), live);
}

TEST_F(ParticlePool, InstalledSeamsReachTheSpawnersAndThePass) {
  BattleSeamSpawnParticle(100, 64, -64);
  EXPECT_EQ(CountKind(3000), 2);
  EXPECT_EQ(g_ParticlePool[0].x, 64);
  const int32_t block[12] = {};
  BattleSeamSpawnCallEffect(254, block, 0);
  EXPECT_EQ(CountKind(1002), 1);
  BattleSeamDrawParticles();
  EXPECT_EQ(g_ParticlePool[0].life, 23);
  ASSERT_NE(g_BattleDrawSeams.PoolDrawingOn, nullptr);
  EXPECT_EQ(g_BattleDrawSeams.PoolDrawingOn(), 1);
}

TEST_F(ParticlePool, TheStateHashSeesLiveParticlesAndTheSparkCount) {
  const uint64_t empty = BattleStateHash();
  Particle& p = Place(5, 10);
  const uint64_t one = BattleStateHash();
  EXPECT_NE(one, empty);
  p.anchor = character_;
  EXPECT_NE(BattleStateHash(), one);
  p.anchor = nullptr;
  EXPECT_EQ(BattleStateHash(), one);
  ++g_SparkCount;
  EXPECT_NE(BattleStateHash(), one);
  ClearParticlePool();
  EXPECT_EQ(BattleStateHash(), empty);
}

}  // namespace
