// Hit resolution: the guard choice, the per-entry hit record, guards, chip, instant guards,
// guard crushes, throws, knock-outs, the reaction vector, giants, the special critical, the
// draw-order shuffle, the random draws and the hits of objects without a usable side or owner.
#include "battle/hit_resolution.h"

#include <gtest/gtest.h>

#include <string>

#include "app/random.h"
#include "battle/battle_fixture.h"
#include "battle/chara_command.h"
#include "battle/game_mode.h"
#include "battle/gauges.h"
#include "battle/object_state.h"
#include "battle/partners.h"

namespace {

using namespace battle_test;

int g_Training[17];
int g_CpuGuards;
int g_Giant[4];

FrameDef Stance(uint8_t stance, uint8_t free) {
  FrameDef f;
  f.stance = stance;
  f.free = free;
  return f;
}

void Record(const std::string& s) { SeamCalls().push_back(s); }

bool Called(const std::string& prefix) {
  for (const std::string& c : SeamCalls())
    if (c.rfind(prefix, 0) == 0) return true;
  return false;
}

class Resolution : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    for (int& v : g_Training) v = 0;
    for (int& v : g_Giant) v = 0;
    g_CpuGuards = 0;
    stand_ = &data_.Pattern(0, {Stance(0, 1)});
    data_.Pattern(1, {Stance(1, 0)});
    data_.Pattern(2, {Stance(2, 1)});
    data_.Pattern(20, {Stance(0, 0)});
    // Hit vectors: 10 light (level 1), 11 weak (level 0, replaced by 12), 12 heavy, 13 with the
    // knock-out redirect, 14 with the sign mark, 2 the giant's, 98 finishing, 99 knock-out fall;
    // 15 has no reaction pattern.
    g_VectorTables.hit.resize(100);
    auto vec = [](int id, int level, int pattern, int replacement = 0, int fifth = 0, int count = 1) {
      HitVector& v = g_VectorTables.hit[static_cast<size_t>(id)];
      v.count = count;
      v.level = level;
      v.replacement = replacement;
      v.fifth = fifth;
      v.steps[0].pattern = pattern;
      v.steps[0].pattern2 = pattern + 100;
    };
    vec(10, 1, 20);
    vec(11, 0, 21, 12);
    vec(12, 2, 22);
    vec(13, 1, 23, 0, 1);
    vec(14, 1, 24, 0, -1);
    vec(2, 1, 25);
    vec(98, 9, 26);
    vec(99, 9, 27);
    vec(15, 1, 0);
    g_VectorTables.battleBytes[1] = 10;
    g_VectorTables.battleBytes[2] = 12;
    TypeParams& t = g_TypeParams[0];
    t.ggMaxVal = 10000.0f;
    t.vsDamageVal = 1.0f;
    t.gqMaxVal = 2.0f;
    t.guardGround = t.guardAir = t.guardCrouch = 1.0f;
    t.ggCorrectVal = 1.0f;

    for (int i = 0; i < 4; ++i) {
      g_PlayerRecords[i].inUse = i < 2 ? 1 : 0;
      PlaceCharacter(i, data_.Set(), i == 0 ? 0 : 12800, i == 0 ? 0 : 1);
      RefreshFramePointers(g_PlayerRecords[i].obj);
      g_PlayerRecords[i].obj.guardGauge = 10000.0f;
      g_PlayerRecords[i].obj.guardGaugeState = 1;
      g_PlayerRecords[i].ext.recoveryRate = 1.0f;
    }
    d_ = &g_PlayerRecords[0].obj;
    a_ = &g_PlayerRecords[1].obj;
    atk_.atgd = 0x7;
    atk_.atat = 800;
    atk_.atgs = 400;
    atk_.atkz = 500;
    atk_.level = 1;
    atk_.athe[0] = 0;
    for (int s = 0; s < 3; ++s) atk_.hitVectors[s] = atk_.guardVectors[s] = 10;
    atk_.guardVectors[0] = atk_.guardVectors[2] = 10;
    InstallRecorders();
  }

  static void InstallRecorders() {
    BattleSeams& s = g_BattleSeams;
    s.TrainingSetting = [](int e) { return e >= 0 && e < 17 ? g_Training[e] : 0; };
    s.CpuWantsToGuard = [](BattleObject*) { return g_CpuGuards; };
    s.IsGiantCharacter = [](const BattleObject* o) {
      return o->playerIndex < 4 ? g_Giant[o->playerIndex] : 0;
    };
    s.ApplyHitVector = [](BattleObject* o, int v, int step, int facing, int mirror, int noVel) {
      o->hitVector = static_cast<uint8_t>(v);
      o->hitVelX = 0;
      Record("ApplyHitVector " + std::to_string(v) + " " + std::to_string(step) + " " +
             std::to_string(facing) + " " + std::to_string(mirror) + " " + std::to_string(noVel));
    };
    s.PushHudNotice = [](int side, int n) {
      Record("Notice " + std::to_string(side) + " " + std::to_string(n));
    };
    s.ThrowCheck = [](BattleObject*, BattleObject*, int keep) {
      Record("LinkThrow " + std::to_string(keep));
      return 2;
    };
    s.SetUntechTime = [](BattleObject*, const HitInfo* i) {
      Record("SetUntechTime " + std::to_string(i->vector));
    };
    s.AddComboDamage = [](int side, int dmg, int raw, int red) {
      Record("AddComboDamage " + std::to_string(side) + " " + std::to_string(dmg) + " " +
             std::to_string(raw) + " " + std::to_string(red));
    };
    s.OnComboHit = [](BattleObject*, BattleObject*, const Han6AttackData*) { Record("OnComboHit"); };
    s.SetComboMeterPercent = [](int side, int p) {
      Record("MeterPercent " + std::to_string(side) + " " + std::to_string(p));
    };
    s.UpdateProration = [](BattleObject*, int v, int k) {
      Record("UpdateProration " + std::to_string(v) + " " + std::to_string(k));
    };
  }

  void Pend(BattleObject& d, BattleObject* a, Han6AttackData* atk, ScreenRect r = {300, 200, 310, 220}) {
    const int i = d.pendingHitCount++;
    d.pendingHitAttack[i] = atk;
    d.pendingHitAttacker[i] = a;
    d.pendingHitRect[i] = r;
  }

  BattleObject& Third() {
    g_PlayerRecords[3].inUse = 1;
    return g_PlayerRecords[3].obj;
  }

  void SetStance(BattleObject& o, int pattern) {
    o.pattern = pattern;
    o.frame = 0;
    RefreshFramePointers(o);
  }

  HitInfo Info(Han6AttackData& atk, int slot, int guard) {
    HitInfo info;
    info.attack = &atk;
    info.vectorSlot = slot;
    info.guard = guard;
    ComputeHitInfo(*d_, info);
    return info;
  }

  TestFrameData data_;
  Han6Pattern* stand_ = nullptr;
  Han6AttackData atk_;
  BattleObject* d_ = nullptr;
  BattleObject* a_ = nullptr;
};

// ---- the guard choice ----

TEST_F(Resolution, OneUnguardableEntryMakesEveryEntryOfTheFrameAHit) {
  Han6AttackData high = atk_, low = atk_;
  high.atgd = 0x1;
  low.atgd = 0x4;
  for (bool lowFirst : {false, true}) {
    SetUp();
    Han6AttackData h = high, l = low;
    d_->inputDir = 4;  // standing guard: the low entry cannot be guarded so
    BattleObject& c = Third();
    c.side = 1;
    Pend(*d_, a_, lowFirst ? &l : &h);
    Pend(*d_, &c, lowFirst ? &h : &l);
    ResolveHits(*d_);
    EXPECT_EQ(d_->life, kMaxLife - 1600) << lowFirst;
    EXPECT_EQ(a_->contactFlags & 0x3, 0x2) << lowFirst;
    EXPECT_EQ(c.contactFlags & 0x3, 0x2) << lowFirst;
    EXPECT_EQ(d_->guarding, 0) << lowFirst;
  }
}

TEST_F(Resolution, BothEntriesGuardableAreBothGuarded) {
  Han6AttackData h = atk_;
  h.atgd = 0x1;
  d_->inputDir = 4;
  BattleObject& c = Third();
  c.side = 1;
  Pend(*d_, a_, &h);
  Pend(*d_, &c, &h);
  ResolveHits(*d_);
  EXPECT_EQ(d_->life, kMaxLife);
  EXPECT_EQ(a_->contactFlags & 0x3, 0x1);
  EXPECT_EQ(c.contactFlags & 0x3, 0x1);
  EXPECT_EQ(d_->guardCount, 2);
}

TEST_F(Resolution, GuardKindFromInput) {
  struct Case {
    const char* name;
    int pattern;  // 0 standing, 1 air, 2 crouching
    uint8_t dir;
    uint8_t attackerFacing;  // the defender faces 0
    uint8_t guarding;
    uint8_t held;
    int kind;
  };
  const Case cases[] = {
      {"back standing", 0, 4, 1, 0, 0, 1},
      {"down-back", 0, 1, 1, 0, 0, 2},
      {"forward from the front", 0, 6, 1, 0, 0, 0},
      {"forward from behind", 0, 6, 0, 0, 0, 1},
      {"down-forward from behind", 0, 3, 0, 0, 0, 2},
      {"down-forward from the front", 0, 3, 1, 0, 0, 0},
      {"up-back is no guard", 0, 7, 1, 0, 0, 0},
      {"air back", 1, 7, 1, 0, 0, 3},
      {"air forward from the front", 1, 9, 1, 0, 0, 0},
      {"air forward from behind", 1, 6, 0, 0, 0, 3},
      {"air forward from behind while held", 1, 6, 0, 0, 1, 0},
      {"guarding keeps standing", 0, 0, 1, 1, 0, 1},
      {"guarding keeps crouching with 3", 0, 3, 1, 1, 0, 2},
      {"guarding keeps standing with 9", 0, 9, 1, 1, 0, 1},
      {"guarding in the air", 1, 0, 1, 1, 0, 3},
  };
  for (const Case& c : cases) {
    SetStance(*d_, c.pattern);
    d_->inputDir = c.dir;
    d_->facing = 0;
    a_->facing = c.attackerFacing;
    d_->guarding = c.guarding;
    d_->held = c.held;
    EXPECT_EQ(GuardKindFromInput(*d_, *a_), c.kind) << c.name;
  }
}

TEST_F(Resolution, CanGuardNow) {
  EXPECT_EQ(CanGuardNow(*d_), 1);
  d_->pendingPattern = 5;
  d_->pendingPriority = 3;
  EXPECT_EQ(CanGuardNow(*d_), 0) << "an attack queued in a free state";
  d_->pendingPriority = -1;
  d_->hitsTaken = 1;
  EXPECT_EQ(CanGuardNow(*d_), 0);
  d_->hitsTaken = 0;
  g_SideStatus[0].actionLock = 1;
  EXPECT_EQ(CanGuardNow(*d_), 0);
  g_SideStatus[0].actionLock = 0;
  SetStance(*d_, 1);  // not free
  EXPECT_EQ(CanGuardNow(*d_), 0);
  d_->guarding = 1;
  EXPECT_EQ(CanGuardNow(*d_), 1);
  d_->frameRec->state->asf0 = 0x100;
  EXPECT_EQ(CanGuardNow(*d_), 0) << "automatic guard frames";
}

TEST_F(Resolution, CpuGuardKind) {
  struct Case {
    const char* name;
    int pattern;
    int atgd;
    int training[4];  // settings 0, 2, 3 and whether the game is in training
    int kind;
  };
  const Case cases[] = {
      {"standing, overhead and low", 0, 0x5, {0, 0, 0, 0}, 1},
      {"standing, low only", 0, 0x4, {0, 0, 0, 0}, 2},
      {"crouching prefers crouching", 2, 0x5, {0, 0, 0, 0}, 2},
      {"crouching, overhead only", 2, 0x1, {0, 0, 0, 0}, 1},
      {"air without the air bit", 1, 0x5, {0, 0, 0, 0}, 0},
      {"air", 1, 0x2, {0, 0, 0, 0}, 3},
      {"training: crouch setting refuses an overhead", 0, 0x1, {2, 2, 0, 1}, 0},
      {"training: crouch setting guards a low", 0, 0x4, {2, 2, 0, 1}, 2},
      {"training: CPU action ignores the settings", 0, 0x1, {3, 2, 0, 1}, 1},
  };
  for (const Case& c : cases) {
    SetStance(*d_, c.pattern);
    Han6AttackData a = atk_;
    a.atgd = c.atgd;
    g_GameModeFlags = c.training[3] ? MODE_TRAINING : 0;
    g_Training[0] = c.training[0];
    g_Training[2] = c.training[1];
    g_Training[3] = c.training[2];
    EXPECT_EQ(CpuGuardKind(*d_, a), c.kind) << c.name;
  }
}

TEST_F(Resolution, TrainingGuardCoinDrawsOnceFromTheCommonStreamForAGuardAgainstTheStance) {
  g_GameModeFlags = MODE_TRAINING;
  g_Training[3] = 2;
  Han6AttackData low = atk_;
  low.atgd = 0x4;
  // Standing against a low: the crouching guard needs an even draw.
  SeedRandomGeneratorsFrom(7);
  g_RandDrawCount = 0;
  const int32_t first = RandNext();
  SeedRandomGeneratorsFrom(7);
  g_RandDrawCount = 0;
  EXPECT_EQ(CpuGuardKind(*d_, low), first % 2 == 0 ? 2 : 0);
  EXPECT_EQ(g_RandDrawCount, 1);
  // A standing guard from a standing dummy draws nothing.
  Han6AttackData high = atk_;
  high.atgd = 0x1;
  EXPECT_EQ(CpuGuardKind(*d_, high), 1);
  EXPECT_EQ(g_RandDrawCount, 1);
}

TEST_F(Resolution, GuardOutcome) {
  struct Case {
    const char* name;
    int kind;
    int atgd;
    int asf0;
    uint32_t asf1;
    int vector;  // the hit vector of every slot
    int result;
    int slot;
  };
  const Case cases[] = {
      {"standing guard", 1, 0x1, 0, 0, 10, 1, 0},
      {"crouching guard sets slot 2", 2, 0x4, 0, 0, 10, 1, 2},
      {"air guard sets slot 1", 3, 0x2, 0, 0, 10, 1, 1},
      {"standing guard against a low", 1, 0x4, 0, 0, 10, 0, 0},
      {"automatic guard frame", 0, 0x4, 0x400, 0, 10, 2, 0},
      {"automatic guard of another height", 0, 0x4, 0x100, 0, 10, 0, 0},
      {"bit 31 cancels a guard", 1, 0x1, 0, 0x80000000u, 10, 0, 0},
      {"bit 31 cancels an automatic guard", 0, 0x1, 0x100, 0x80000000u, 10, 0, 0},
      {"no guard bits, vector with reaction", 0, 0, 0, 0, 10, 0, 0},
      {"no guard bits, vector without reaction", 0, 0, 0, 0, 15, 1, 0},
  };
  for (const Case& c : cases) {
    SetStance(*d_, 0);
    d_->frameRec->state->asf0 = c.asf0;
    d_->frameRec->state->asf1 = static_cast<int32_t>(c.asf1);
    Han6AttackData a = atk_;
    a.atgd = c.atgd;
    for (int16_t& v : a.hitVectors) v = static_cast<int16_t>(c.vector);
    int32_t slot = 0;
    EXPECT_EQ(GuardOutcome(*d_, a, c.kind, &slot), c.result) << c.name;
    EXPECT_EQ(slot, c.slot) << c.name;
  }
}

TEST_F(Resolution, AutomaticGuardWithoutAVectorEndsTheGuard) {
  SetStance(*d_, 1);
  d_->frameRec->state->asf0 = 0x200;
  d_->guarding = 1;
  Han6AttackData a = atk_;
  a.atgd = 0x2;
  Pend(*d_, a_, &a);
  ResolveHits(*d_);
  EXPECT_EQ(d_->life, kMaxLife);
  EXPECT_EQ(a_->contactFlags & 0x3, 0x1);
  EXPECT_FALSE(Called("ApplyHitVector"));
  EXPECT_EQ(d_->guarding, 0);
}

TEST_F(Resolution, CpuDefenderAsksTheCpuGuardAnswer) {
  d_->controller = 1;
  Han6AttackData h = atk_;
  h.atgd = 0x1;
  Pend(*d_, a_, &h);
  g_CpuGuards = 1;
  ResolveHits(*d_);
  EXPECT_EQ(d_->life, kMaxLife) << "guarded";
  SetUp();
  d_->controller = 1;
  d_->inputDir = 4;  // a CPU's pad does not guard
  Pend(*d_, a_, &h);
  ResolveHits(*d_);
  EXPECT_EQ(d_->life, kMaxLife - 800);
}

// ---- the entry's hit record ----

TEST_F(Resolution, ComputeHitInfo) {
  struct Case {
    const char* name;
    int slot;
    int critical;  // training critical setting
    int counter;   // the defender's counter state
    int atsn, atgn;
    int atf1;
    int armour;
    int defenderVector;  // 255 none
    int damage, defenderStop, attackerStop, vector, fixed;
  };
  const Case cases[] = {
      {"plain hit", 0, 1, 0, 0, 0, 0, 0, 255, 800, 10, 10, 10, 0},
      {"critical x 1.15", 0, 2, 0, 0, 0, 0, 0, 255, 920, 10, 10, 10, 0},
      {"never critical", 0, 2, 0, 0, 0, 0x4000, 0, 255, 800, 10, 10, 10, 0},
      {"counter 1", 0, 1, 1, 0, 0, 0, 0, 255, 800, 21, 10, 10, 0},
      {"counter 2", 0, 1, 2, 0, 0, 0, 0, 255, 800, 23, 10, 10, 0},
      {"never counter", 0, 1, 2, 0, 0, 0x40000, 0, 255, 800, 10, 10, 10, 0},
      {"airborne + 2", 1, 1, 0, 0, 0, 0, 0, 255, 800, 12, 10, 12, 0},
      {"airborne counter 1", 1, 1, 1, 0, 0, 0, 0, 255, 800, 25, 10, 12, 0},
      {"atsn overrides", 0, 1, 0, 7, 3, 0, 0, 255, 800, 7, 7, 10, 0},
      {"atgn only with 0x10000 under armour", 0, 1, 0, 0, 3, 0x10000, 1, 255, 800, 3, 3, -2, 0},
      {"armour without 0x10000", 0, 1, 0, 0, 3, 0, 1, 255, 800, 10, 10, -2, 0},
      {"no attacker stop", 0, 1, 0, 0, 0, 0x400, 0, 255, 800, 10, 0, 10, 0},
      {"finishing blow - 1", 0, 1, 0, 0, 0, 0, 0, 98, 800, 9, 10, 98, 0},
      {"finishing blow airborne stays - 1", 1, 1, 0, 0, 0, 0, 0, 98, 800, 9, 10, 98, 0},
      {"finishing with atgn", 0, 1, 0, 0, 4, 0x10000, 0, 98, 800, 3, 4, 98, 0},
      {"fixed untech: 65/45 rule", 0, 1, 0, 0, 0, 0x20000, 0, 98, 800, 10, 10, 12, 1},
  };
  g_GameModeFlags = MODE_TRAINING;
  g_Training[4] = 4;
  for (const Case& c : cases) {
    SetUp();
    g_GameModeFlags = MODE_TRAINING;
    g_Training[4] = 4;
    g_Training[13] = c.critical;
    Han6AttackData a = atk_;
    a.atsn = static_cast<int16_t>(c.atsn);
    a.atgn = static_cast<int16_t>(c.atgn);
    a.atf1 = c.atf1;
    a.hitVectors[1] = 12;
    d_->counterState = static_cast<int8_t>(c.counter);
    d_->armorFrames = static_cast<int16_t>(c.armour);
    d_->hitVector = static_cast<uint8_t>(c.defenderVector);
    if (c.counter) d_->hitReaction = 1;  // keeps the training override out
    const HitInfo i = Info(a, c.slot, 0);
    EXPECT_EQ(i.damage, c.damage) << c.name;
    EXPECT_EQ(i.defenderStop, c.defenderStop) << c.name;
    EXPECT_EQ(i.attackerStop, c.attackerStop) << c.name;
    EXPECT_EQ(i.vector, c.vector) << c.name;
    EXPECT_EQ(i.fixedProration, c.fixed) << c.name;
    if (c.fixed) {
      EXPECT_EQ(i.fixedProrationValue, 65) << c.name;
      EXPECT_EQ(i.comboMeterPercent, 45) << c.name;
      EXPECT_EQ(i.untechWeight, 0.0f) << c.name;
    }
  }
}

TEST_F(Resolution, ComputeHitInfoDropsVectorsWithoutAnEntryOrAReaction) {
  for (int v : {15, 60, 255}) {
    Han6AttackData a = atk_;
    for (int16_t& w : a.hitVectors) w = static_cast<int16_t>(v);
    EXPECT_EQ(Info(a, 0, 0).vector, -1) << v;
  }
  Han6AttackData a = atk_;
  a.hitVectors[0] = 10 | 0x100 | 0x200;
  const HitInfo i = Info(a, 0, 0);
  EXPECT_EQ(i.vector, 10);
  EXPECT_EQ(i.mirror, 1);
  EXPECT_EQ(i.noVelocity, 1);
}

TEST_F(Resolution, RecoverableDamageBelowTenCountsAsNothing) {
  Han6AttackData a = atk_;
  a.atgs = 9;
  EXPECT_EQ(Info(a, 0, 0).redDamage, 0);
  a.atgs = 10;
  EXPECT_EQ(Info(a, 0, 0).redDamage, 10);
}

TEST_F(Resolution, CounterOverrideDrawsFromStreamOneOnly) {
  g_GameModeFlags = MODE_TRAINING;
  g_Training[13] = 1;
  for (int setting = 1; setting <= 6; ++setting) {
    g_Training[10] = setting;
    const int32_t index = g_RandStreams[1].index;
    const int32_t common = g_RandDrawCount;
    const HitInfo i = Info(atk_, 0, 0);
    const bool draws = setting == 1 || setting >= 4;
    EXPECT_EQ(g_RandStreams[1].index != index, draws) << setting;
    EXPECT_EQ(g_RandDrawCount, common) << setting;
    if (setting == 2) {
      EXPECT_EQ(i.counter, 2);
    }
    if (setting == 3) {
      EXPECT_EQ(i.counter, 1);
    }
    if (setting == 1) {
      EXPECT_TRUE(i.counter == 1 || i.counter == 2);
    }
    if (setting == 5) {
      EXPECT_TRUE(i.counter == 0 || i.counter == 2);
    }
  }
}

// ---- guards ----

TEST_F(Resolution, ChipDamageWithAndWithoutTheChipFlag) {
  struct Case {
    int atf1;
    int life, redLife;
  };
  // With 0x1 the guard costs atat / 8 of life; without it, trunc((atgs >> 3) x 2.5) of the
  // recoverable life (the algorithm, not the atgs / 8 alone that is sometimes quoted).
  // Recoverable life never falls below life, so the defender starts hurt.
  const Case cases[] = {{0x1, 9900, kMaxLife}, {0, 10000, kMaxLife - 125}};
  for (const Case& c : cases) {
    SetUp();
    Han6AttackData a = atk_;
    a.atf1 = c.atf1;
    d_->life = 10000;
    d_->inputDir = 4;
    Pend(*d_, a_, &a);
    ResolveHits(*d_);
    EXPECT_EQ(d_->life, c.life) << c.atf1;
    EXPECT_EQ(d_->redLife, c.redLife) << c.atf1;
    EXPECT_EQ(d_->guarding, 1) << c.atf1;
    EXPECT_EQ(d_->guardGauge, 9500.0f) << c.atf1;
    EXPECT_EQ(d_->pendingReaction[0], 5) << c.atf1;
  }
}

TEST_F(Resolution, InstantGuard) {
  g_TypeParams[0].isExGuard = 1;
  d_->exGuardState = 10;
  d_->guardGauge = 5000.0f;
  Han6AttackData a = atk_;
  a.atf1 = 0x1;
  d_->inputDir = 4;
  Pend(*d_, a_, &a);
  ResolveHits(*d_);
  EXPECT_EQ(d_->life, kMaxLife - 50) << "chip halved";
  EXPECT_EQ(d_->guardGauge, 5500.0f) << "GG_MaxVal / 20 back";
  EXPECT_EQ(d_->hitStop, 8) << "stop - 2";
  EXPECT_EQ(d_->hitVelX, -150) << "pushed back while facing right";
  EXPECT_EQ(d_->exGuardState, 0);
  EXPECT_TRUE(Called("Notice 0 0"));
  EXPECT_EQ(MeterGainDelay(g_PlayerRecords[1]), 120);
}

TEST_F(Resolution, InstantGuardStopStaysAtLeastOne) {
  g_TypeParams[0].isExGuard = 1;
  d_->exGuardState = 10;
  Han6AttackData a = atk_;
  a.atsn = 2;
  d_->inputDir = 4;
  Pend(*d_, a_, &a);
  ResolveHits(*d_);
  EXPECT_EQ(d_->hitStop, 1);
}

TEST_F(Resolution, GuardCrush) {
  d_->guardGauge = 100.0f;
  d_->guardStopTimer = 50;
  d_->inputDir = 4;
  Pend(*d_, a_, &atk_);
  ResolveHits(*d_);
  EXPECT_FALSE(Called("ApplyHitVector")) << "the crushed entry loses its vector";
  EXPECT_EQ(g_SlowMotionRequest, 30);
  EXPECT_TRUE(Called("Notice 0 12"));
  EXPECT_EQ(d_->pendingReaction[0], 7);
  EXPECT_EQ(d_->guardStopTimer, 0);
  EXPECT_EQ(g_ScreenShake, 24);
  EXPECT_EQ(g_ScreenShakeAxis, 1);
  EXPECT_EQ(d_->guarding, 0);
}

TEST_F(Resolution, GuardedThrowDoesNotLinkACrushedOneDoes) {
  Han6AttackData t = atk_;
  t.atng = 1;
  t.atgd = 0x1;
  d_->inputDir = 4;
  Pend(*d_, a_, &t);
  ResolveHits(*d_);
  EXPECT_FALSE(Called("LinkThrow"));
  SetUp();
  t = atk_;
  t.atng = 1;
  t.atgd = 0x1;
  d_->inputDir = 4;
  d_->guardGauge = 10.0f;
  Pend(*d_, a_, &t);
  ResolveHits(*d_);
  EXPECT_TRUE(Called("LinkThrow 1"));
  EXPECT_EQ(d_->throwClashFrames, 60);
  EXPECT_EQ(d_->lastAttacker, a_);
  EXPECT_EQ(d_->pendingReaction[0], 7) << "the crush's request is kept over the throw's";
}

TEST_F(Resolution, UnguardedThrowLinksAndKeepsTheLyingStateOnlyWithItsFlag) {
  for (int keep : {0, 1}) {
    SetUp();
    Han6AttackData t = atk_;
    t.atng = 1;
    t.atf1 = keep ? 0x100000 : 0;
    Pend(*d_, a_, &t);
    ResolveHits(*d_);
    EXPECT_TRUE(Called(keep ? "LinkThrow 0" : "LinkThrow 1"));
    EXPECT_FALSE(Called("ApplyHitVector")) << "the link's vector stays";
    EXPECT_EQ(d_->pendingReaction[0], 10);
    EXPECT_EQ(d_->finishKind, 0) << "a throw never knocks out here";
  }
}

// ---- knock-outs ----

TEST_F(Resolution, LifeExactlyZeroSurvivesBelowZeroKnocksOut) {
  struct Case {
    int life, finish;
  };
  for (const Case c : {Case{800, 0}, Case{799, 3}}) {
    SetUp();
    d_->life = c.life;
    Pend(*d_, a_, &atk_);
    ResolveHits(*d_);
    EXPECT_EQ(d_->life, 0) << c.life;
    EXPECT_EQ(d_->finishKind, c.finish) << c.life;
  }
}

TEST_F(Resolution, TrainingKnocksOutOnlyWithNoRecover) {
  for (int setting : {0, 4}) {
    SetUp();
    g_GameModeFlags = MODE_TRAINING;
    g_Training[4] = setting;
    g_Training[13] = 1;
    d_->life = 100;
    Pend(*d_, a_, &atk_);
    ResolveHits(*d_);
    EXPECT_EQ(d_->finishKind, setting == 4 ? 3 : 0) << setting;
  }
}

TEST_F(Resolution, KnockOutAllowed) {
  EXPECT_EQ(KnockOutAllowed(d_, 1), 1);
  EXPECT_EQ(KnockOutAllowed(d_, 0), 0);
  d_->partner = &Third();
  g_SideStatus[0].activePlayer = 2;
  EXPECT_EQ(KnockOutAllowed(d_, 1), 0) << "a reserve partner";
  g_SideStatus[0].activePlayer = 0;
  EXPECT_EQ(KnockOutAllowed(d_, 1), 1);
}

TEST_F(Resolution, KnockOutRedirectsTheVectorAndTakesTheFinishKind) {
  g_FinishList.assign(200, FinishEntry{});
  g_FinishList[5].present = true;
  g_FinishList[5].ad = {40};
  a_->charaIndex = 5;
  a_->pattern = 40;
  Han6AttackData a = atk_;
  for (int16_t& v : a.hitVectors) v = 13;
  d_->life = 10;
  Pend(*d_, a_, &a);
  ResolveHits(*d_);
  EXPECT_EQ(d_->finishKind, 20);
  EXPECT_EQ(g_LastFinishKind, 20);
  EXPECT_EQ(IsLastFinishSpecial(), 1);
  EXPECT_TRUE(Called("ApplyHitVector 99 0"));
  EXPECT_EQ(d_->koVoicePlayed, 1);
  g_FinishList.clear();
}

TEST_F(Resolution, KnockOutWithoutAVectorFallsWithVectorZero) {
  g_VectorTables.hit[0].count = 1;
  g_VectorTables.hit[0].steps[0].pattern = 29;
  Han6AttackData a = atk_;
  for (int16_t& v : a.hitVectors) v = 15;  // no reaction: no vector
  d_->life = 10;
  Pend(*d_, a_, &a);
  ResolveHits(*d_);
  EXPECT_TRUE(Called("ApplyHitVector 0 0"));
  EXPECT_EQ(d_->pendingPattern, 29);
}

// ---- the reaction vector ----

TEST_F(Resolution, VectorMerge) {
  struct Case {
    const char* name;
    int first, second, merged;
  };
  const Case cases[] = {
      {"the weaker second is replaced", 10, 11, 12},
      {"a stronger second is taken", 10, 12, 12},
      {"99 replaces a redirecting vector", 13, 99, 99},
      {"99 is replaced as any weaker vector otherwise", 10, 99, 99},
  };
  for (const Case& c : cases) {
    SetUp();
    Han6AttackData x = atk_, y = atk_;
    for (int16_t& v : x.hitVectors) v = static_cast<int16_t>(c.first);
    for (int16_t& v : y.hitVectors) v = static_cast<int16_t>(c.second);
    BattleObject& b = Third();
    b.side = 1;
    Pend(*d_, a_, &x);
    Pend(*d_, &b, &y);
    ResolveHits(*d_);
    EXPECT_TRUE(Called("ApplyHitVector " + std::to_string(c.merged) + " 0")) << c.name;
    EXPECT_EQ(d_->hitsTaken, 2) << c.name;
    EXPECT_EQ(d_->pendingReaction[0], 10) << c.name;
  }
}

TEST_F(Resolution, KnockBackFacingFollowsTheAttackerOrItsPosition) {
  struct Case {
    int atf1;
    int32_t ax;
    uint8_t afacing;
    int facing;
  };
  const Case cases[] = {
      {0, 12800, 1, 1}, {0x80000, 12800, 0, 1}, {0x80000, -12800, 1, 0}, {0x80000, 0, 0, 1}};
  for (const Case& c : cases) {
    SetUp();
    Han6AttackData a = atk_;
    a.atf1 = c.atf1;
    a_->posX = c.ax;
    a_->facing = c.afacing;
    Pend(*d_, a_, &a);
    ResolveHits(*d_);
    EXPECT_TRUE(Called("ApplyHitVector 10 0 " + std::to_string(c.facing))) << c.atf1 << " " << c.ax;
  }
}

TEST_F(Resolution, ArmourHitFlashesAndLowersTheRecoveryRate) {
  d_->armorFrames = 30;
  Pend(*d_, a_, &atk_);
  ResolveHits(*d_);
  EXPECT_FALSE(Called("ApplyHitVector"));
  EXPECT_EQ(d_->flashKind, 7);
  EXPECT_EQ(d_->flashTimer, 16);
  EXPECT_FLOAT_EQ(g_PlayerRecords[0].ext.recoveryRate, 0.9f);
  EXPECT_EQ(g_PlayerRecords[0].ext.recoveryDelay, 14);
  g_PlayerRecords[0].ext.recoveryRate = 0.05f;
  d_->pendingHitCount = 0;
  Pend(*d_, a_, &atk_);
  ResolveHits(*d_);
  EXPECT_FLOAT_EQ(g_PlayerRecords[0].ext.recoveryRate, 0.05f) << "kept within 0.05..1.0";
}

TEST_F(Resolution, GiantPatterns) {
  struct Case {
    const char* name;
    int giant;
    int life;
    int otherMatchPoint;
    int vector;
    int pattern;
  };
  const Case cases[] = {
      {"knocked-out giant", 1, 10, 0, 10, 44},
      {"knocked-out giant, other side at match point", 2, 10, 1, 10, 45},
      {"giant of kind 2 standing: sign mark gives vector 2", 2, kMaxLife, 0, 14, 25},
      {"giant of kind 1 keeps the vector", 1, kMaxLife, 0, 14, 24},
  };
  for (const Case& c : cases) {
    SetUp();
    g_Giant[0] = c.giant;
    d_->life = c.life;
    g_BattleState[BattleStateIndex::kMatchPoint0 + 1] = c.otherMatchPoint;
    Han6AttackData a = atk_;
    for (int16_t& v : a.hitVectors) v = static_cast<int16_t>(c.vector);
    Pend(*d_, a_, &a);
    ResolveHits(*d_);
    EXPECT_EQ(d_->pendingPattern, c.pattern) << c.name;
    if (c.pattern >= 44 && c.pattern <= 45) {
      EXPECT_EQ(d_->hitVector, 255) << c.name;
      EXPECT_FALSE(Called("ApplyHitVector")) << c.name;
    }
  }
}

TEST_F(Resolution, JuggleWeightDampsAnUpwardLaunch) {
  g_TypeSystem.floatLimit = 0.5f;
  g_BattleSeams.ApplyHitVector = [](BattleObject* o, int, int, int, int, int) { o->hitVelY = -1000; };
  d_->juggleWeight = 0.25f;
  Han6AttackData a = atk_;
  a.atuh = 0.5f;
  Pend(*d_, a_, &a);
  ResolveHits(*d_);
  EXPECT_EQ(d_->hitVelY, -750);
  EXPECT_FLOAT_EQ(d_->juggleWeight, 0.5f);
  g_TypeSystem = TypeSystem{};
}

// ---- the special critical, the draws and the draw order ----

// A seed whose first common draw is (or is not) a multiple of 8.
uint32_t SeedWithFirstDraw(bool multipleOf8) {
  for (uint32_t s = 1;; ++s) {
    SeedRandomGeneratorsFrom(s);
    if ((RandNext() % 8 == 0) == multipleOf8) return s;
  }
}

TEST_F(Resolution, SpecialCriticalMakesTheGuardedEntryAHit) {
  for (bool fires : {false, true}) {
    SetUp();
    g_PlayerRecords[1].ext.commandTable = std::make_unique<CharaCommandTable>();
    g_PlayerRecords[1].ext.commandTable->spCritical = 1;
    SeedRandomGeneratorsFrom(SeedWithFirstDraw(fires));
    d_->inputDir = 4;
    atk_.atf1 = 0x4000;  // no ordinary critical on top
    Pend(*d_, a_, &atk_);
    ResolveHits(*d_);
    EXPECT_EQ(d_->life, fires ? kMaxLife - 800 : kMaxLife) << fires;
    EXPECT_EQ(a_->contactFlags & 0x3, fires ? 0x2 : 0x1) << fires;
  }
}

TEST_F(Resolution, CommonDrawsPerEntry) {
  struct Case {
    const char* name;
    bool guarded;
    bool spCritical;
    int atat;
    int draws;
  };
  // Per entry: the special critical (with SPCritical), the spark x (hits only), the spark y,
  // the critical (hits with damage).
  const Case cases[] = {
      {"hit", false, false, 800, 3},
      {"hit without damage: no critical draw", false, false, 0, 2},
      {"guard: y only", true, false, 800, 1},
      {"hit with SPCritical", false, true, 800, 4},
  };
  for (const Case& c : cases) {
    SetUp();
    if (c.spCritical) {
      g_PlayerRecords[1].ext.commandTable = std::make_unique<CharaCommandTable>();
      g_PlayerRecords[1].ext.commandTable->spCritical = 1;
      SeedRandomGeneratorsFrom(SeedWithFirstDraw(false));
    }
    Han6AttackData a = atk_;
    a.atat = static_cast<int16_t>(c.atat);
    if (c.guarded) d_->inputDir = 4;
    g_RandDrawCount = 0;
    Pend(*d_, a_, &a);
    ResolveHits(*d_);
    EXPECT_EQ(g_RandDrawCount, c.draws) << c.name;
  }
}

TEST_F(Resolution, DrawPriorityShuffle) {
  BattleObject& c = Third();
  d_->drawPriority = 128;
  a_->drawPriority = 128;
  c.drawPriority = 120;
  Pend(*d_, a_, &atk_);
  ResolveHits(*d_);
  EXPECT_EQ(d_->drawPriority, 113);
  EXPECT_EQ(d_->priorityMode, 2);
  EXPECT_EQ(a_->drawPriority, 128) << "at most 128";
  EXPECT_EQ(c.drawPriority, 124);

  SetUp();
  Han6AttackData a = atk_;
  a.atf1 = 0x200000;
  d_->drawPriority = 128;
  Pend(*d_, a_, &a);
  ResolveHits(*d_);
  EXPECT_EQ(d_->drawPriority, 128) << "0x200000 keeps the order";
}

// ---- objects without a usable side or owner ----

// A spawned object in pool slot 0, without owner links.
BattleObject& SpawnedAttacker() {
  ObjectPoolSlot& slot = g_ObjectPool[0];
  slot.inUse = 1;
  NotePoolSlotTaken(slot);
  slot.obj = BattleObject{};
  slot.obj.kind = kKindSpawned;
  return slot.obj;
}

TEST_F(Resolution, EffectOwnerHitSkipsTheSideRecords) {
  BattleObject& e = SpawnedAttacker();
  e.side = 255;
  e.owner = e.creditOwner = &g_EffectOwner.obj;
  g_EffectOwner.obj.side = 255;
  Pend(*d_, &e, &atk_);
  ResolveHits(*d_);
  EXPECT_EQ(d_->life, kMaxLife - 800);
  EXPECT_FALSE(Called("AddComboDamage"));
  EXPECT_FALSE(Called("MeterPercent"));
  EXPECT_TRUE(Called("OnComboHit"));
}

TEST_F(Resolution, SpawnedAttackerWithoutAnOwnerCountsForItself) {
  BattleObject& e = SpawnedAttacker();
  e.side = 1;
  // The attacker is itself struck by the defender this frame: a trade.
  e.pendingHitCount = 1;
  e.pendingHitAttacker[0] = d_;
  e.pendingHitAttack[0] = &atk_;
  Pend(*d_, &e, &atk_);
  ResolveHits(*d_);
  EXPECT_EQ(e.tradeMark, 255);
  EXPECT_EQ(d_->life, kMaxLife - 800);
}

TEST_F(Resolution, ContactMarksOnTheAttacker) {
  struct Case {
    const char* name;
    int pattern;  // the defender's stance pattern
    uint8_t dir;  // 4 guards standing
    int armour;   // a special (negative) vector
    int defenderVector;
    uint16_t marks;
    bool targetSet;
  };
  const Case cases[] = {
      {"hit standing", 0, 0, 0, 255, 0x12, true},
      {"hit airborne", 1, 0, 0, 255, 0x22, true},
      {"guard", 0, 4, 0, 255, 0x11, true},
      {"hit under armour", 0, 0, 30, 255, 0x11, true},
      {"hit in a finishing reaction", 0, 0, 0, 98, 0x112, false},
  };
  for (const Case& c : cases) {
    SetUp();
    SetStance(*d_, c.pattern);
    d_->inputDir = c.dir;
    d_->armorFrames = static_cast<int16_t>(c.armour);
    d_->hitVector = static_cast<uint8_t>(c.defenderVector);
    BattleObject& child = SpawnedAttacker();
    child.side = 1;
    child.owner = child.creditOwner = a_;
    Pend(*d_, &child, &atk_);
    ResolveHits(*d_);
    EXPECT_EQ(child.contactFlags, c.marks) << c.name;
    EXPECT_EQ(a_->childContactFlags, c.marks) << c.name << ": copied to the owner";
    EXPECT_EQ(child.target == d_, c.targetSet) << c.name;
  }
}

TEST_F(Resolution, CounterHitStopsAddUpAndMarkTheBanner) {
  d_->counterState = 1;
  BattleObject& c = Third();
  c.side = 1;
  Pend(*d_, a_, &atk_);
  Pend(*d_, &c, &atk_);
  // Two different attackers with the same vector: only the first changes the reaction.
  ResolveHits(*d_);
  EXPECT_EQ(d_->hitStop, 21);
  EXPECT_EQ(d_->hitStopLength, 21);
  EXPECT_EQ(a_->tradeMark, 1);
  EXPECT_EQ(g_SideStatus[1].counterBanner, 60);
  EXPECT_EQ(a_->pendingHitStop, 10);
  EXPECT_EQ(c.pendingHitStop, 10);
}

TEST_F(Resolution, StrikeSoundsAndStatusMarks) {
  g_BattleSeams.RequestSound = [](int n) { Record("Sound " + std::to_string(n)); };
  struct Case {
    const char* name;
    int spark, sound, atkk;
    const char* request;
    int statusKind, statusTimer, reversed;
  };
  const Case cases[] = {
      {"row's sound", 3, 0, 0, "Sound 3", 0, 0, 0},
      {"own sound", 3, 55, 1, "Sound 55", 1, 120, 0},
      {"no spark row: no sound", 14, 0, 4, nullptr, 4, 0, 600},
      {"sound out of range", 3, 1500, 100, nullptr, 100, 120, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    g_BattleSeams.RequestSound = [](int n) { Record("Sound " + std::to_string(n)); };
    Han6AttackData a = atk_;
    a.athe[0] = static_cast<int16_t>(c.spark);
    a.athe[1] = static_cast<int16_t>(c.sound);
    a.atkk = static_cast<uint8_t>(c.atkk);
    Pend(*d_, a_, &a);
    ResolveHits(*d_);
    if (c.request) {
      EXPECT_TRUE(Called(c.request)) << c.name;
    } else {
      EXPECT_FALSE(Called("Sound")) << c.name;
    }
    EXPECT_EQ(d_->statusKind, c.statusKind) << c.name;
    EXPECT_EQ(d_->statusTimer, c.statusTimer) << c.name;
    EXPECT_EQ(d_->reversedFrames, c.reversed) << c.name;
  }
}

// ---- the state step's share ----

TEST_F(Resolution, LandingClearsTheDefenderMarkAndTheDamageDisplayCountsDown) {
  Han6AttackData a = atk_;
  a.atf1 = 0x1000;
  Pend(*d_, a_, &a);
  ResolveHits(*d_);
  EXPECT_EQ(d_->defenderMark, 1);
  EXPECT_EQ(d_->damageDisplayFrames, 24);
  StepSmallTimers(*d_);
  EXPECT_EQ(d_->damageDisplayFrames, 23);
  d_->landed = 1;
  HandleLanding(*d_);
  EXPECT_EQ(d_->defenderMark, 0);
}

TEST_F(Resolution, NothingWhileTheDefendersThrowRegistered) {
  d_->throwConnected = 1;
  Pend(*d_, a_, &atk_);
  const BattleObject before = *d_;
  ResolveHits(*d_);
  EXPECT_TRUE(Changed(before, *d_).empty());
}

}  // namespace
