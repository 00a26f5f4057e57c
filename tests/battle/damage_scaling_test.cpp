// Damage scaling, untech time, meter gain on contact, circuit break, throw link and hit vectors.
#include "battle/damage_scaling.h"

#include <functional>
#include <memory>

#include "app/random.h"
#include "battle/battle_fixture.h"
#include "battle/battle_math.h"
#include "battle/chara_command.h"
#include "battle/combo_records.h"
#include "battle/gauges.h"
#include "battle/object_state.h"

namespace {

using namespace battle_test;

// Every float32 factor pinned at an integer boundary: the float32 product (the rule) and the
// result a double product, or the constant widened to double, would give instead.
TEST(BattleFactors, ProductsAreTakenInFloat32) {
  struct Case {
    int32_t v;
    float f;
    int32_t expected, widened;
  } cases[] = {
      {100, kCriticalFactor, 115, 114},      {5, kDamageLevelFactors[4], 9, 8},
      {100, kDamageLevelFactors[0], 40, 40}, {100, kDamageLevelFactors[1], 75, 75},
      {1000, kTagTypeDefence, 1035, 1034},   {100, kFinishingStanceFactor, 42, 41},
      {100, kReduceWindowFactor, 70, 69},    {7, kGuardRedDamageFactor, 17, 17},
      {10, kGuardMeterBroken, 9, 8},         {100, kGuardMeterAttacker, 85, 85},
      {100, kExGuardMeterBroken, 35, 34},    {1000, kHitMeterDefender, 300, 300},
      {1000, kGuardMeterDefender, 150, 150}, {1000, 4.0f * kArcadeBonusPerStage, 120, 119},
      {-100, kCriticalFactor, -115, -114},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScaleByFactor(c.v, c.f), c.expected) << c.v << " x " << c.f;
    EXPECT_EQ(static_cast<int32_t>(static_cast<double>(c.v) * static_cast<double>(c.f)), c.widened)
        << c.v << " x " << c.f;
  }
}

class Damage : public BattleTest {
 public:
  BattleObject* a = nullptr;
  BattleObject* d = nullptr;
  void SetUp() override {
    BattleTest::SetUp();
    for (TypeParams& t : g_TypeParams) {
      t.attackRatioHeat = t.attackRatioMax = t.attackRatioSableHeat = 1.0f;
      t.defenceRatioHeat = t.defenceRatioMax = t.defenceRatioSableHeat = 1.0f;
      t.damageGround = t.damageAir = t.damageCrouch = 1.0f;
      t.magicCircuitMax = 30000;
      t.mcPlusVal = 1.0f;
      t.mcGuardPlus = 1;
    }
    a = &PlaceCharacter(0, nullptr, -10000);
    d = &PlaceCharacter(1, nullptr, 10000, 1);
    g_SideStatus[0].attackFactor = g_SideStatus[1].attackFactor = 1.0f;
  }
  CharaCommandTable& DefenderTable() {
    auto& t = g_PlayerRecords[1].ext.commandTable;
    if (!t) t = std::make_unique<CharaCommandTable>();
    return *t;
  }
};

TEST_F(Damage, ScaleDamageAppliesEveryFactor) {
  struct Case {
    const char* name;
    int base;
    std::function<void(Damage&)> setup;
    int expected;
  } cases[] = {
      {"neutral", 1000, [](Damage&) {}, 1000},
      {"level 0", 100, [](Damage&) { g_DamageLevel = 0; }, 40},
      {"level 4 at a float boundary", 5, [](Damage&) { g_DamageLevel = 4; }, 9},
      {"level out of range is clamped", 5, [](Damage&) { g_DamageLevel = 9; }, 9},
      {"negative level is clamped", 100, [](Damage&) { g_DamageLevel = -3; }, 40},
      {"heat attack ratio", 1000,
       [](Damage& t) {
         t.a->gaugeMode = 1;
         g_TypeParams[0].attackRatioHeat = 1.5f;
       },
       1500},
      {"side factor", 1000, [](Damage&) { g_SideStatus[0].attackFactor = 0.5f; }, 500},
      {"life 2849: 29/32", 100, [](Damage& t) { t.d->life = 2849; }, 90},
      {"life 2850: 30/32", 100, [](Damage& t) { t.d->life = 2850; }, 93},
      {"life 2851: 30/32", 100, [](Damage& t) { t.d->life = 2851; }, 93},
      {"life 5700: 31/32", 100, [](Damage& t) { t.d->life = 5700; }, 96},
      {"life 8550: 32/32", 100, [](Damage& t) { t.d->life = 8550; }, 100},
      {"guard ratio of the life class", 1000, [](Damage& t) { t.DefenderTable().guardRatio[0] = 0.8f; }, 800},
      {"guard ratio of class 3", 1000,
       [](Damage& t) {
         t.d->life = 100;
         t.DefenderTable().guardRatio[3] = 0.5f;
       },
       453},
      {"a zero product counts as 1.0", 1000,
       [](Damage& t) {
         t.DefenderTable().guardRatio[0] = 0.0f;
         t.d->gaugeMode = 1;
         g_TypeParams[0].defenceRatioHeat = 0.5f;
       },
       1000},
      {"defence ratio of the gauge mode", 1000,
       [](Damage& t) {
         t.d->gaugeMode = 2;
         g_TypeParams[0].defenceRatioMax = 0.75f;
       },
       750},
      {"recovery rate", 1000, [](Damage&) { g_PlayerRecords[1].ext.recoveryRate = 0.5f; }, 500},
      {"tag type 1", 1000, [](Damage&) { g_BattleSeams.GetCharacterTagType = [](int) { return 1; }; }, 1035},
      {"first hit of a combo: 32/32", 1000, [](Damage&) { g_SideStatus[0].combos[0].hits = 0; }, 1000},
      {"tenth hit of a combo: 23/32", 1000, [](Damage&) { g_SideStatus[0].combos[0].hits = 9; }, 718},
      {"combo base never below 1", 1000, [](Damage&) { g_SideStatus[0].combos[0].hits = 40; }, 31},
      {"proration percent", 1000, [](Damage&) { g_SideStatus[0].combos[0].proration = 56; }, 560},
      {"held penalty", 1000,
       [](Damage& t) {
         t.a->penalty = 5000;
         t.a->penaltyHold = 30000;
       },
       500},
      {"decaying penalty", 1000,
       [](Damage& t) {
         t.a->penalty = 5000;
         t.a->penaltyHold = 10;
       },
       720},
      {"finishing blow", 1000, [](Damage& t) { t.d->hitVector = 98; }, 420},
      {"special reaction", 1000, [](Damage& t) { t.d->hitReaction = -3; }, 420},
      {"reaction -2 takes the stance factor", 1000,
       [](Damage& t) {
         t.d->hitReaction = -2;
         g_TypeParams[0].damageGround = 0.9f;
       },
       900},
      {"reduce window open", 1000, [](Damage&) { ReduceWindowOf(g_PlayerRecords[1]).state = kReduceOpen; },
       700},
      {"arcade bonus, stage 4", 1000,
       [](Damage&) {
         g_GameModeFlags = 0x10;
         g_MainSide = 1;
         g_BattleSeams.MainRouteStage = [](int32_t* info, std::string*) {
           info[1] = 4;
           return 1;
         };
       },
       1155},
      {"arcade, attacker on the main side", 1000,
       [](Damage&) {
         g_GameModeFlags = 0x10;
         g_MainSide = 0;
         g_BattleSeams.MainRouteStage = [](int32_t* info, std::string*) {
           info[1] = 4;
           return 1;
         };
       },
       1000},
      {"arcade bonus past stage 9 raises by 2", 1000,
       [](Damage&) {
         g_GameModeFlags = 0x10;
         g_MainSide = 1;
         g_BattleSeams.MainRouteStage = [](int32_t* info, std::string*) {
           info[1] = 12;
           return 1;
         };
       },
       1443},
      {"arcade start variant has no bonus", 1000,
       [](Damage&) {
         g_GameModeFlags = 0x10;
         g_MainSide = 1;
         g_BattleSeams.ArcadeVariant = [] { return 1; };
         g_BattleSeams.MainRouteStage = [](int32_t* info, std::string*) {
           info[1] = 4;
           return 1;
         };
       },
       1000},
      {"team battle, attacker off the main side", 1000,
       [](Damage&) {
         g_GameModeFlags = 0x30;
         g_MainSide = 1;
         g_BattleSeams.MainRouteStage = [](int32_t* info, std::string*) {
           info[1] = 20;
           return 1;
         };
       },
       1060},
      {"team battle, defender off the main side", 1000,
       [](Damage&) {
         g_GameModeFlags = 0x30;
         g_MainSide = 0;
         g_BattleSeams.MainRouteStage = [](int32_t* info, std::string*) {
           info[1] = 20;
           return 1;
         };
       },
       968},
  };
  for (const Case& c : cases) {
    SetUp();
    c.setup(*this);
    EXPECT_EQ(ScaleDamage(*d, *a, c.base, 1), c.expected) << c.name;
  }
}

TEST_F(Damage, APenaltyLowersTheSidesProration) {
  a->penalty = 5000;
  a->penaltyHold = 30000;
  g_SideStatus[0].combos[0].proration = 80;
  ScaleDamage(*d, *a, 1000, 1);
  EXPECT_EQ(g_SideStatus[0].combos[0].proration, 50);
  EXPECT_EQ(g_SideStatus[0].prorationShown, 50);
}

TEST_F(Damage, AWeakHitDrawsItsMinimumAndABaseOfZeroDrawsNothing) {
  // trunc(1 x 0.5) = 0 after the defence: the result is 1 + one common draw mod 10.
  g_PlayerRecords[1].ext.recoveryRate = 0.5f;
  RandStream saved[kRandStreamCount];
  std::copy(std::begin(g_RandStreams), std::end(g_RandStreams), saved);
  const int32_t draw = RandNext();
  std::copy(std::begin(saved), std::end(saved), g_RandStreams);
  int32_t before = g_RandDrawCount;
  EXPECT_EQ(ScaleDamage(*d, *a, 1, 1), 1 + draw % 10);
  EXPECT_EQ(g_RandDrawCount, before + 1);

  before = g_RandDrawCount;
  EXPECT_EQ(ScaleDamage(*d, *a, 0, 1), 0);
  // A non-zero base that the level makes 0 is 0 too.
  g_DamageLevel = 0;
  EXPECT_EQ(ScaleDamage(*d, *a, 1, 1), 0);
  EXPECT_EQ(g_RandDrawCount, before);
}

TEST_F(Damage, TheReduceWindowMarksTheDefenderOnce) {
  static int marks;
  marks = 0;
  g_BattleSeams.SpawnSystemEffect = [](BattleObject*, int code, const int32_t*, int) { marks += code == 0; };
  ReduceWindow w = ReduceWindowOf(g_PlayerRecords[1]);
  w.state = kReduceOpen;
  EXPECT_EQ(ScaleDamage(*d, *a, 1000, 1), 700);
  EXPECT_EQ(ScaleDamage(*d, *a, 1000, 1), 700);
  EXPECT_EQ(marks, 1);
  EXPECT_EQ(w.used, 1);
  // A giant character is not marked.
  w.used = 0;
  g_BattleSeams.IsGiantCharacter = [](const BattleObject*) { return 1; };
  ScaleDamage(*d, *a, 1000, 1);
  EXPECT_EQ(marks, 1);
}

TEST_F(Damage, AGuardTellsTheGuardDisplayTheReduceState) {
  ReduceWindowOf(g_PlayerRecords[1]).state = kReduceOpen;
  ScaleDamage(*d, *a, 100, 1);
  EXPECT_EQ(g_HudBlocks[1].indicatorMode, 0);
  ScaleDamage(*d, *a, 100, 0);
  EXPECT_EQ(g_HudBlocks[1].indicatorMode, 2);
  EXPECT_EQ(g_HudBlocks[1].indicatorTimer, 16);
}

TEST_F(Damage, AnEffectOwnerAttackerHasNoSideRecords) {
  g_EffectOwner.obj.side = 255;
  g_EffectOwner.obj.penalty = 5000;
  EXPECT_EQ(ScaleDamage(*d, g_EffectOwner.obj, 1000, 1), 1000);
}

TEST_F(Damage, UntechDecay) {
  struct Case {
    int32_t minus, limit;
    float start, weight;
    int16_t count;
    int t, expected;
  } cases[] = {
      {0, 4, 0.5f, 0.75f, 3, 30, 30},   // no reduction at all
      {16, 4, 0.5f, 0.75f, 0, 30, 22},  // (0.25 / 0.5) x 16
      {16, 4, 0.5f, 0.75f, 3, 30, 19},  // the juggle count too
      {16, 4, 0.5f, 0.25f, 3, 30, 27},  // below the start: only the count
      {16, 4, 1.0f, 1.5f, 3, 30, 27},   // a start of 1.0 skips the decay
      {16, 4, 0.5f, 1.0f, 0, 10, 4},    // raised to the limit
      {16, 4, 0.0f, 0.3f, 0, 10, 5},    // single precision: 10 - 4.8 truncates to 5
  };
  for (const Case& c : cases) {
    g_TypeSystem.ukemiMinus = c.minus;
    g_TypeSystem.ukemiLimit = c.limit;
    g_TypeSystem.ukemiStart = c.start;
    d->juggleWeight = c.weight;
    d->juggleCount = c.count;
    EXPECT_EQ(UntechDecay(*d, c.t), c.expected) << c.start << " " << c.weight << " " << c.t;
  }
}

TEST_F(Damage, SetUntechTime) {
  ParseVectorText(
      "0 0 0 0 0\nEND\n10 light 1 8 0 0 25\n0 20 21 12 10 0\n98 finish 1 8 9 0 40\n0 26 26 0 0 0\nEND\n", "");
  g_TypeSystem.ukemiMinus = 0;
  Han6AttackData at;
  struct Case {
    const char* name;
    int vector, counter;
    int32_t atf1;
    int16_t atsu;
    int untech, air, ground, juggle;
  } cases[] = {
      {"the vector's default", 10, 0, 0, 0, 25, 1, 1, 0},
      {"the attack's own", 10, 0, 0, 33, 33, 1, 1, 0},
      {"counter: no air recovery", 10, 1, 0, 0, 25, 0, 1, 0},
      {"0x80: no air recovery", 10, 0, 0x80, 0, 25, 0, 1, 0},
      {"0x100: no ground recovery", 10, 0, 0x100, 0, 25, 1, 0, 0},
      {"0x100 on the finishing vector", 98, 0, 0x100, 0, 40, 1, 1, 0},
      {"0x400000 raises the juggle count", 10, 0, 0x400000, 0, 25, 1, 1, 1},
  };
  for (const Case& c : cases) {
    d->untechTime = d->juggleCount = 0;
    d->airRecoveryAllowed = d->groundRecoveryAllowed = 7;
    at.atf1 = c.atf1;
    at.atsu = c.atsu;
    HitInfo info;
    info.attack = &at;
    info.vector = c.vector;
    info.counter = c.counter;
    SetUntechTime(*d, info);
    EXPECT_EQ(d->untechTime, c.untech) << c.name;
    EXPECT_EQ(d->airRecoveryAllowed, c.air) << c.name;
    EXPECT_EQ(d->groundRecoveryAllowed, c.ground) << c.name;
    EXPECT_EQ(d->juggleCount, c.juggle) << c.name;
  }
  // With decay: the juggle count shortens it unless 0x20000 fixes it.
  g_TypeSystem.ukemiMinus = 16;
  g_TypeSystem.ukemiStart = 2.0f;
  g_TypeSystem.ukemiLimit = 4;
  d->juggleCount = 5;
  at.atf1 = 0;
  at.atsu = 0;
  HitInfo info;
  info.attack = &at;
  info.vector = 10;
  SetUntechTime(*d, info);
  EXPECT_EQ(d->untechTime, 20);
  at.atf1 = 0x20000;
  SetUntechTime(*d, info);
  EXPECT_EQ(d->untechTime, 25);
  // A negative vector changes nothing.
  const BattleObject before = *d;
  info.vector = -1;
  SetUntechTime(*d, info);
  EXPECT_TRUE(Changed(before, *d).empty());
}

TEST_F(Damage, MeterGainOnContact) {
  struct Case {
    const char* name;
    int guard;
    int16_t atca;
    int16_t rateA;  // non-zero: the attacker's circuit is broken with that rate
    int16_t rateD;
    bool exGuard;
    int16_t meterPercent;
    float hoseiStart, weight;
    int32_t gainA, gainD;
  } cases[] = {
      {"hit", 0, 1000, 0, 0, false, 0, 0.0f, 0.0f, 1000, 300},
      {"hit with a = 0", 0, 0, 0, 0, false, 0, 0.0f, 0.0f, 0, 111},
      {"hit, attacker broken", 0, 1000, 128, 0, false, 0, 0.0f, 0.0f, 500, 300},
      {"hit, defender broken", 0, 1000, 0, 128, false, 0, 0.0f, 0.0f, 1000, 0},
      {"hit, juggle boost", 0, 1000, 0, 0, false, 0, 0.5f, 0.75f, 1000, 600},
      {"hit, boost below its start", 0, 1000, 0, 0, false, 0, 0.5f, 0.25f, 1000, 300},
      {"hit, a start of 1.0 gives no boost", 0, 1000, 0, 0, false, 0, 1.0f, 1.0f, 1000, 300},
      {"hit, a start above 1.0 gives no boost", 0, 1000, 0, 0, false, 0, 1.5f, 2.0f, 1000, 300},
      {"hit, meter percent 45", 0, 1000, 0, 0, false, 45, 0.0f, 0.0f, 450, 300},
      {"guard", 1, 1000, 0, 0, false, 0, 0.0f, 0.0f, 850, 150},
      {"guard with a = 0", 1, 0, 0, 0, false, 0, 0.0f, 0.0f, 0, 89},
      {"guard, attacker broken", 1, 1000, 128, 0, false, 0, 0.0f, 0.0f, 450, 150},
      {"instant guard", 1, 1000, 0, 0, true, 0, 0.0f, 0.0f, 850, 500},
      {"instant guard with a = 0", 1, 0, 0, 0, true, 0, 0.0f, 0.0f, 0, 150},
      {"guard, defender broken", 1, 1000, 0, 128, false, 0, 0.0f, 0.0f, 850, 0},
      {"instant guard, defender broken", 1, 1000, 0, 128, true, 0, 0.0f, 0.0f, 850, 350},
      {"instant guard, broken, a = 0", 1, 0, 0, 128, true, 0, 0.0f, 0.0f, 0, 100},
  };
  for (const Case& c : cases) {
    SetUp();
    Han6AttackData at;
    at.atca = c.atca;
    a->circuitBreakTimer = c.rateA ? 100 : 0;
    a->circuitBreakRate = c.rateA;
    d->circuitBreakTimer = c.rateD ? 100 : 0;
    d->circuitBreakRate = c.rateD;
    g_TypeParams[0].isExGuard = 1;
    d->exGuardState = c.exGuard ? 10 : 0;
    g_SideStatus[0].combos[0].meterPercent = c.meterPercent;
    g_TypeSystem.mcPlusHoseiStart = c.hoseiStart;
    g_TypeSystem.mcPlusHoseiMax = 2.0f;
    d->juggleWeight = c.weight;
    HitInfo info;
    info.attack = &at;
    info.guard = c.guard;
    MeterGainOnContact(*d, *a, info);
    EXPECT_EQ(a->circuit, c.gainA) << c.name;
    EXPECT_EQ(d->circuit, c.gainD) << c.name;
    // The defender's gain always starts its gauge timer word (kind 1).
    EXPECT_EQ(GaugeTimerWord(g_PlayerRecords[1]), 10) << c.name;
  }
}

TEST_F(Damage, TheDefendersGuardGainNeedsItsType) {
  g_TypeParams[0].mcGuardPlus = 0;
  Han6AttackData at;
  at.atca = 1000;
  HitInfo info;
  info.attack = &at;
  info.guard = 1;
  MeterGainOnContact(*d, *a, info);
  EXPECT_EQ(d->circuit, 0);
  EXPECT_EQ(a->circuit, 850);
}

TEST_F(Damage, ApplyCircuitBreak) {
  struct Case {
    const char* name;
    uint8_t mode;
    int32_t circuit;
    int16_t timer, rate, lengthWas;
    int length;
    int32_t flags;
    int32_t circuitAfter;
    uint8_t modeAfter;
    int16_t timerAfter, rateAfter, lengthAfter;
  } cases[] = {
      {"no lock", 0, 15000, 0, 0, 0, 120, 0, 5000, 0, 120, 0, 120},
      {"meter not below 0", 0, 4000, 0, 0, 0, 120, 0, 0, 0, 120, 0, 120},
      {"0x100000 keeps the meter", 0, 15000, 0, 0, 0, 120, 0x100000, 15000, 0, 120, 0, 120},
      {"a heat mode ends", 1, 15000, 0, 0, 0, 120, 0, 0, 0, 120, 0, 120},
      {"a scaled lock becomes a hard one", 0, 15000, 300, 110, 300, 120, 0, 5000, 0, 120, 0, 120},
      {"hard lock: half the length wins", 0, 15000, 100, 0, 200, 300, 0, 5000, 0, 150, 0, 150},
      {"hard lock: the running one wins", 0, 15000, 100, 0, 200, 100, 0, 5000, 0, 100, 0, 200},
      {"hard lock: 15-bit halving", 0, 15000, 100, 0, 200, -2, 0, 5000, 0, 32767, 0, 32767},
      {"a negative length locks nothing", 0, 15000, 0, 0, 0, -50, 0, 5000, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    a->gaugeMode = c.mode;
    a->circuit = c.circuit;
    a->circuitBreakTimer = c.timer;
    a->circuitBreakRate = c.rate;
    a->circuitBreakLength = c.lengthWas;
    ApplyCircuitBreak(*a, c.length, c.flags);
    EXPECT_EQ(a->circuit, c.circuitAfter) << c.name;
    EXPECT_EQ(a->gaugeMode, c.modeAfter) << c.name;
    EXPECT_EQ(a->circuitBreakTimer, c.timerAfter) << c.name;
    EXPECT_EQ(a->circuitBreakRate, c.rateAfter) << c.name;
    EXPECT_EQ(a->circuitBreakLength, c.lengthAfter) << c.name;
  }
}

TEST_F(Damage, ACircuitBreakOfAProjectileLocksItsOwner) {
  ObjectPoolSlot& slot = g_ObjectPool[3];
  slot.inUse = 1;
  slot.obj.kind = kKindSpawned;
  slot.obj.owner = a;
  a->circuit = 12000;
  ApplyCircuitBreak(slot.obj, 90, 0);
  EXPECT_EQ(a->circuitBreakTimer, 90);
  EXPECT_EQ(a->circuit, 2000);
  EXPECT_EQ(slot.obj.circuitBreakTimer, 0);
}

class ThrowLink : public Damage {
 public:
  void SetUp() override {
    Damage::SetUp();
    ParseVectorText("0 0 0 0 0\n1 300 -200 10 20\nEND\n8 held 1 0 0 0 0\n1 0 0 6 0 0\nEND\n", "");
  }
};

TEST_F(ThrowLink, Refusals) {
  BattleObject other;
  struct Case {
    const char* name;
    std::function<void(ThrowLink&)> setup;
  } cases[] = {
      {"the holder already holds the victim", [](ThrowLink& t) { t.a->heldObject = t.d; }},
      {"the holder has a pattern queued", [](ThrowLink& t) { t.a->pendingPattern = 5; }},
      {"the holder holds something", [&](ThrowLink& t) { t.a->heldObject = &other; }},
      {"the victim is held", [](ThrowLink& t) { t.d->held = 1; }},
      {"the holder is in a hit reaction", [](ThrowLink& t) { t.a->hitReaction = 3; }},
      {"the victim guards", [](ThrowLink& t) { t.d->guarding = 1; }},
  };
  for (const Case& c : cases) {
    SetUp();
    c.setup(*this);
    const BattleObject beforeA = *a, beforeD = *d;
    EXPECT_EQ(LinkThrow(*d, *a, 1), 0) << c.name;
    EXPECT_TRUE(Changed(beforeA, *a).empty()) << c.name;
    EXPECT_TRUE(Changed(beforeD, *d).empty()) << c.name;
  }
}

TEST_F(ThrowLink, LinksTheVictimWithVector8) {
  a->facing = 1;
  d->downState = 2;
  d->hitReaction = 9;
  d->untechTime = 30;
  d->strikeInvuln = d->throwInvuln = 5;
  d->pendingHitCount = 3;
  d->velX = 100;
  d->velY = -50;
  const int32_t x = d->posX, y = d->posY;
  EXPECT_EQ(LinkThrow(*d, *a, 1), 2);
  EXPECT_EQ(a->heldObject, d);
  EXPECT_EQ(a->holding, 1);
  EXPECT_EQ(a->contactFlags, 0x12);
  EXPECT_EQ(d->held, 1);
  EXPECT_EQ(d->parent, a);
  EXPECT_EQ(d->lastAttacker, a);
  EXPECT_EQ(d->hitVector, 8);
  EXPECT_EQ(d->hitVectorFacing, 1);
  EXPECT_EQ(d->hitVelX, -300);  // the holder's facing
  EXPECT_EQ(d->hitReaction, 0);
  EXPECT_EQ(d->untechTime, 0);
  EXPECT_EQ(d->strikeInvuln, 0);
  EXPECT_EQ(d->pendingHitCount, 0);
  EXPECT_EQ(d->downState, 0);
  EXPECT_EQ(d->posX, x - 100);
  EXPECT_EQ(d->posY, y + 50);
}

TEST_F(ThrowLink, KeepsTheLyingStateAndMarksASpawnedHolder) {
  ObjectPoolSlot& slot = g_ObjectPool[0];
  slot.inUse = 1;
  slot.obj.kind = kKindSpawned;
  slot.obj.owner = a;
  slot.obj.pendingPattern = -1;
  d->downState = 2;
  EXPECT_EQ(LinkThrow(*d, slot.obj, 0), 2);
  EXPECT_EQ(d->held, 2);
  EXPECT_EQ(d->downState, 2);
  EXPECT_EQ(a->heldObject, d);  // the holder's owner holds it too
}

TEST_F(ThrowLink, TheSeamLinksAsTheThrowCheck) {
  InstallComboAndDamageSeams();
  EXPECT_EQ(BattleSeamThrowCheck(a, d, 1), 2);
  EXPECT_EQ(d->held, 1);
  EXPECT_EQ(BattleSeamThrowCheck(a, d, 1), 0);  // already held
}

TEST_F(Damage, ApplyHitVector) {
  ParseVectorText("0 0 0 0 0\n1 300 -200 10 20\nEND\n5 five 2 0 0 0 0\n1 0 0 6 0 0\n1 0 0 9 0 0\nEND\n", "");
  struct Case {
    const char* name;
    int vector, step, facing, mirror, noVelocity;
    int32_t velX, velY;
    int16_t accX, accY;
    int32_t reaction;
  } cases[] = {
      {"facing right", 5, 0, 0, 0, 0, 300, -200, 10, 20, 6},
      {"facing left", 5, 0, 1, 0, 0, -300, -200, -10, 20, 6},
      {"mirrored", 5, 0, 0, 1, 0, -300, -200, -10, 20, 6},
      {"mirrored facing left", 5, 0, 1, 1, 0, 300, -200, 10, 20, 6},
      {"no velocity", 5, 0, 1, 0, 1, -1, -200, 0, 20, 6},
      {"second step", 5, 1, 0, 0, 0, 300, -200, 10, 20, 9},
      {"step 5 is past the table", 5, 5, 0, 0, 0, 0, 0, 0, 0, 0},
      {"a missing vector", 40, 0, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    d->contactFlags = 0x12;
    d->landed = d->landingJump = 1;
    d->strikeInvuln = d->throwInvuln = 9;
    d->hitVectorFresh = 0;
    EXPECT_EQ(ApplyHitVector(*d, c.vector, c.step, c.facing, c.mirror, c.noVelocity), 1);
    EXPECT_EQ(d->hitVelX, c.velX) << c.name;
    EXPECT_EQ(d->hitVelY, c.velY) << c.name;
    EXPECT_EQ(d->hitAccX, c.accX) << c.name;
    EXPECT_EQ(d->hitAccY, c.accY) << c.name;
    EXPECT_EQ(d->hitReaction, c.reaction) << c.name;
    EXPECT_EQ(d->hitVector, c.vector) << c.name;
    EXPECT_EQ(d->hitVectorStep, c.step) << c.name;
    EXPECT_EQ(d->hitVectorFacing, c.facing) << c.name;
    EXPECT_EQ(d->contactFlags, 0) << c.name;
    EXPECT_EQ(d->landed | d->landingJump | d->strikeInvuln | d->throwInvuln, 0) << c.name;
    EXPECT_EQ(d->hitVectorFresh, 1) << c.name;
  }
}

TEST_F(Damage, AHitVectorRequestsADueTakeover) {
  g_BattleSeams.IsTakeoverDue = [](BattleObject*) { return 1; };
  ApplyHitVector(*d, 0, 0, 0, 0, 0);
  EXPECT_EQ(g_SideStatus[1].partnerControl, 1);
  g_SideStatus[1].partnerControl = 2;
  ApplyHitVector(*d, 0, 0, 0, 0, 0);
  EXPECT_EQ(g_SideStatus[1].partnerControl, 2);
}

}  // namespace
