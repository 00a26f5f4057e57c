// The CPU opponent: level rules, searches, button presses, the record pick with its race draw
// and chance roll, the step player and the AI frame, with the number of random draws each makes.
#include "battle/cpu_ai.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <vector>

#include "app/random.h"
#include "battle/battle_fixture.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/chara_command.h"
#include "battle/game_mode.h"
#include "battle/object_state.h"
#include "battle/story_routes.h"

namespace {

using battle_test::FrameDef;
using battle_test::TestFrameData;

// The next n common draws, the stream left as it was.
std::vector<int32_t> Peek(int n) {
  const RandStream saved = g_RandStreams[kRandCommonStream];
  const int32_t last = g_RandLastValue, count = g_RandDrawCount;
  std::vector<int32_t> v;
  for (int i = 0; i < n; ++i) v.push_back(RandNext());
  g_RandStreams[kRandCommonStream] = saved;
  g_RandLastValue = last;
  g_RandDrawCount = count;
  return v;
}

// Seeds the common stream so that its next n draws satisfy `want` (a scripted stream).
void ScriptDraws(int n, const std::function<bool(const std::vector<int32_t>&)>& want) {
  for (int32_t seed = 1; seed < 10000000; ++seed) {
    SeedRandStream(kRandCommonStream, seed);
    if (want(Peek(n))) return;
  }
  FAIL() << "no seed gives the draws";
}

// A frame of test data: the defaults changed by `set`.
FrameDef Frame(const std::function<void(FrameDef&)>& set) {
  FrameDef f;
  set(f);
  return f;
}

// Patterns of the fixture's frame data.
enum : int {
  kStandFree = 0,   // standing, free to act
  kAirBusy = 1,     // airborne, not free
  kCrouchFree = 2,  // crouching, free
  kAttack = 3,      // standing, not free, an attack with a box
};

class CpuAiTest : public battle_test::BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    data_.Pattern(kStandFree, {Frame([&](FrameDef& f) {
                    f.duration = 10;
                    f.endAction = 3;
                    f.stance = 0;
                    f.free = 1;
                  })});
    data_.Pattern(kAirBusy, {Frame([&](FrameDef& f) {
                    f.duration = 10;
                    f.endAction = 3;
                    f.stance = 1;
                    f.free = 0;
                  })});
    data_.Pattern(kCrouchFree, {Frame([&](FrameDef& f) {
                    f.duration = 10;
                    f.endAction = 3;
                    f.stance = 2;
                    f.free = 1;
                  })});
    data_.Pattern(kAttack, {Frame([&](FrameDef& f) {
                    f.duration = 10;
                    f.endAction = 3;
                    f.attack = {battle_test::BoxDef{0, -50, 60, 0}};
                    f.hit = Han6AttackData{};
                  })});
    g_GameModeFlags = MODE_CPU_VS_CPU;
    g_CpuLevel = 3;
    g_CommandLock = 0;
    cpu_ = &Place(0, 0);
    foe_ = &Place(1, 100 * 256);
    cpu_->controller = 1;
    g_PlayerRecords[0].ext.commandTable = std::make_unique<CharaCommandTable>();
    g_CpuPatternSlots[0] = CpuPatternFile{};
    g_CpuAiStates[0] = CpuAiState{};
  }
  void TearDown() override {
    for (PlayerRecord& r : g_PlayerRecords) r.ext.commandTable.reset();
    for (CpuPatternFile& f : g_CpuPatternSlots) f = CpuPatternFile{};
    for (CpuAiState& s : g_CpuAiStates) s = CpuAiState{};
    BattleTest::TearDown();
  }
  BattleObject& Place(int i, int32_t x) {
    BattleObject& o = battle_test::PlaceCharacter(i, data_.Set(), x);
    g_PlayerRecords[i].inUse = 1;
    o.playerRecord = &g_PlayerRecords[i];
    SetPattern(o, kStandFree);
    return o;
  }
  static void SetPattern(BattleObject& o, int pattern) {
    o.pattern = pattern;
    o.frame = 0;
    RefreshFramePointers(o);
  }
  static CpuPatternRecord& Rec(int n) { return g_CpuPatternSlots[0].records[n]; }
  // A record every condition lets through: chance 100, weight 1, one step of the kind.
  static CpuPatternRecord& Plain(int n, uint8_t kind = 0, int16_t duration = 5) {
    CpuPatternRecord& r = Rec(n);
    r = CpuPatternRecord{};
    r.chance = 100;
    r.weight = 1;
    r.steps[0].kind = kind;
    r.steps[0].duration = duration;
    return r;
  }
  int Draws(const std::function<void()>& f) {
    const int32_t before = g_RandDrawCount;
    f();
    return g_RandDrawCount - before;
  }

  TestFrameData data_;
  BattleObject* cpu_ = nullptr;
  BattleObject* foe_ = nullptr;
};

// ---- level rules ----

TEST_F(CpuAiTest, EffectiveLevelInArcadeFollowsTheMainSidesStage) {
  struct Row {
    int32_t mode, level, stage;
    uint8_t mainSide;
    int expected;
  } rows[] = {
      {MODE_ARCADE, 0, 0, 0, -2}, {MODE_ARCADE, 0, 1, 0, -1},      {MODE_ARCADE, 3, 2, 0, 2},
      {MODE_ARCADE, 3, 3, 0, 3},  {MODE_ARCADE, 4, 0, 1, 2},       {MODE_ARCADE, -5, 5, 0, -2},
      {MODE_VS_CPU, 0, 0, 0, 0},  {MODE_CPU_VS_CPU, -7, 0, 0, -7},
  };
  for (const Row& r : rows) {
    g_GameModeFlags = r.mode;
    g_CpuLevel = r.level;
    g_MainSide = r.mainSide;
    g_StoryBattleRoutes[0].stageIndex = r.mainSide == 0 ? r.stage : 9;
    g_StoryBattleRoutes[1].stageIndex = r.mainSide == 1 ? r.stage : 9;
    EXPECT_EQ(EffectiveCpuLevel(), r.expected) << r.mode << " level " << r.level << " stage " << r.stage;
  }
}

TEST_F(CpuAiTest, DelaysAndShieldChancesByLevelWithDrawsOnlyForNonZeroChances) {
  struct Row {
    int level, delay, afterNoGuard, whileShielding;
  } rows[] = {{-2, 125, 0, 0}, {-1, 90, 0, 0}, {0, 60, 0, 0},  {1, 40, 10, 0},    {2, 15, 15, 35},
              {3, 8, 30, 40},  {4, 0, 40, 50}, {9, 0, 40, 50}, {-100, 125, 0, 0}, {INT32_MIN, 125, 0, 0}};
  for (const Row& r : rows) {
    g_CpuLevel = r.level;
    EXPECT_EQ(CpuReactionDelay(), r.delay) << r.level;
    const int chances[2] = {r.afterNoGuard, r.whileShielding};
    for (int column = 0; column < 2; ++column) {
      const int chance = chances[column];
      if (chance == 0) {
        EXPECT_EQ(Draws([&] { EXPECT_EQ(RollCpuShieldChance(column), 0); }), 0) << r.level;
        continue;
      }
      // Exactly at the chance: yes; one above: no.
      ScriptDraws(1, [&](auto& d) { return d[0] % 100 == chance; });
      EXPECT_EQ(Draws([&] { EXPECT_EQ(RollCpuShieldChance(column), 1) << r.level; }), 1);
      ScriptDraws(1, [&](auto& d) { return d[0] % 100 == chance + 1; });
      EXPECT_EQ(Draws([&] { EXPECT_EQ(RollCpuShieldChance(column), 0) << r.level; }), 1);
    }
  }
}

TEST_F(CpuAiTest, GuardRateByLevel) {
  struct Row {
    int32_t rate;
    int32_t level;
    int expected;  // the rate in force; -1: no draw, never guards
  } rows[] = {
      {40, 3, 48},   {40, -2, 8}, {40, 4, 56},        {100, -2, 100}, {100, 4, 100},  {0, 4, -1},
      {101, -2, 69}, {90, 4, 80}, {INT32_MAX, 3, 80}, {-50, 3, 8},    {50, -1000, 8}, {INT32_MIN, 4, 8},
  };
  for (const Row& r : rows) {
    g_CpuPatternSlots[0].guardRate = r.rate;
    g_CpuLevel = r.level;
    if (r.expected < 0) {
      EXPECT_EQ(Draws([&] { EXPECT_EQ(RollCpuGuardRate(0), 0); }), 0) << r.rate;
      continue;
    }
    ScriptDraws(1, [&](auto& d) { return d[0] % 100 == std::min(r.expected, 99); });
    EXPECT_EQ(Draws([&] { EXPECT_EQ(RollCpuGuardRate(0), 1) << r.rate << " at " << r.level; }), 1);
    if (r.expected < 99) {
      ScriptDraws(1, [&](auto& d) { return d[0] % 100 == r.expected + 1; });
      EXPECT_EQ(RollCpuGuardRate(0), 0) << r.rate << " at " << r.level;
    }
  }
  EXPECT_EQ(Draws([] { EXPECT_EQ(RollCpuGuardRate(4), 0); }), 0);
}

// ---- searches ----

TEST_F(CpuAiTest, NearestOpponentInRange) {
  BattleObject& ally = Place(2, 10 * 256);
  ally.side = 0;
  BattleObject& foe2 = Place(3, -100 * 256);
  foe2.side = 1;
  struct Row {
    const char* name;
    int32_t dmin, dmax, hmin, hmax;
    std::function<void()> setup;
    BattleObject* expected;
  } rows[] = {
      {"a tie goes to the earlier slot", 0, 200, 0, 0, [] {}, foe_},
      {"the nearer one", 0, 200, 0, 0, [&] { foe2.posX = -99 * 256; }, &foe2},
      {"all bounds 0 reach 10000", 0, 0, 0, 0, [&] { foe_->posX = foe2.posX = 10000 * 256; }, foe_},
      {"all bounds 0 stop after 10000", 0, 0, 0, 0, [&] { foe_->posX = foe2.posX = 10001 * 256; }, nullptr},
      {"minimum above maximum", 50, 40, 0, 0, [] {}, nullptr},
      {"outside the distance", 0, 99, 0, 0, [] {}, nullptr},
      {"distance minimum", 101, 200, 0, 0, [] {}, nullptr},
      {"height window met", 0, 200, 40, 60, [&] { foe2.posY = -50 * 256; }, &foe2},
      {"height window missed", 0, 200, 0, 10, [&] { foe2.posY = foe_->posY = -50 * 256; }, nullptr},
      {"height window with minimum above maximum is off", 0, 200, 60, 40, [] {}, foe_},
      {"a standing-by partner is passed over", 0, 200, 0, 0, [&] { foe_->partnerState = 1; }, &foe2},
      {"a slot not in use is passed over", 0, 200, 0, 0, [&] { g_PlayerRecords[1].inUse = 0; }, &foe2},
  };
  for (Row& r : rows) {
    foe_->posX = 100 * 256;
    foe2.posX = -100 * 256;
    foe_->posY = foe2.posY = 0;
    foe_->partnerState = 0;
    g_PlayerRecords[1].inUse = 1;
    r.setup();
    EXPECT_EQ(FindNearestOpponentInRange(*cpu_, r.dmin, r.dmax, r.hmin, r.hmax), r.expected) << r.name;
  }
}

TEST_F(CpuAiTest, FramesUntilAttackLive) {
  Han6AttackData hit;
  hit.atgd = 77;
  // A frame of 5 whose attack arms itself.
  const auto armed = [&hit] {
    return Frame([&](FrameDef& f) {
      f.duration = 5;
      f.endAction = 3;
      f.asaa = 1;
      f.hit = hit;
    });
  };
  TestFrameData d;
  // 10: wait 3 frames, then an arming attack.
  d.Pattern(10, {Frame([&](FrameDef& f) {
                   f.duration = 3;
                   f.endAction = 1;
                 }),
                 armed()});
  // 11: end action 2 to the loop end (frame 1, an armed attack) or the jump frame (2, none).
  d.Pattern(11, {Frame([&](FrameDef& f) {
                   f.duration = 1;
                   f.endAction = 2;
                   f.jump = 2;
                   f.flow = 2;
                   f.loopExit = 1;
                 }),
                 armed(), Frame([&](FrameDef& f) {
                   f.duration = 9;
                   f.endAction = 3;
                 })});
  // 12: frame 1 jumps by -1 relative (flag 0x4) to frame 0, an armed attack; absolute -1 is none.
  d.Pattern(12, {armed(), Frame([&](FrameDef& f) {
                   f.duration = 1;
                   f.endAction = 2;
                   f.jump = -1;
                   f.flow = 4;
                 })});
  d.Pattern(13, {armed(), Frame([&](FrameDef& f) {
                   f.duration = 1;
                   f.endAction = 2;
                   f.jump = -1;
                   f.flow = 0;
                 })});
  // 14: falling onto a landing frame that attacks.
  d.Pattern(14, {Frame([&](FrameDef& f) {
                   f.duration = 10;
                   f.endAction = 3;
                   f.landing = 1;
                 }),
                 armed()});
  // 15: an attack without arming, after a frame that ends the look-ahead.
  d.Pattern(15, {Frame([&](FrameDef& f) {
                   f.duration = 1;
                   f.endAction = 1;
                 }),
                 Frame([&](FrameDef& f) {
                   f.duration = 5;
                   f.endAction = 0;
                   f.hit = hit;
                 })});
  d.Pattern(16, {Frame([&](FrameDef& f) {
              f.duration = 1;
              f.endAction = 0;
            })});
  // 17: a motion of y mode 1 (set) or 2 (add), then a landing frame that attacks.
  for (int mode = 1; mode <= 2; ++mode)
    d.Pattern(16 + mode, {Frame([&](FrameDef& f) {
                            f.duration = 1;
                            f.endAction = 1;
                          }),
                          Frame([&](FrameDef& f) {
                            f.duration = 5;
                            f.endAction = 3;
                            f.landing = 2;
                            f.motion = battle_test::Motion(static_cast<uint8_t>(mode), 0, 400, 0, 0);
                          }),
                          armed()});
  struct Row {
    const char* name;
    int pattern, frame, timer, hitStop, hitsLeft, loop;
    int32_t y, vy;
    int expected;
  } rows[] = {
      {"already live", 10, 1, 0, 0, 1, 0, 0, 0, 0},
      {"attack not armed and no hits left", 15, 1, 0, 0, 0, 0, 0, 0, 0xFFFF},
      {"three frames away", 10, 0, 0, 0, 0, 0, 0, 0, 2},
      {"hit stop starts the look-ahead later", 10, 0, 0, 2, 0, 0, 0, 0, 0xFFFF},
      {"hit stop at the frame's end", 10, 0, 2, 3, 0, 0, 0, 0, 2},
      {"hit stop of 4 is beyond", 10, 1, 0, 4, 1, 0, 0, 0, 0xFFFF},
      {"end action 0 ends it", 16, 0, 0, 0, 0, 0, 0, 0, 0xFFFF},
      {"loop spent: the loop end", 11, 0, 0, 0, 0, 0, 0, 0, 0},
      {"loop left: the jump frame", 11, 0, 0, 0, 0, 1, 0, 0, 0xFFFF},
      {"relative jump", 12, 1, 0, 0, 0, 0, 0, 0, 0},
      {"absolute jump to a missing frame", 13, 1, 0, 0, 0, 0, 0, 0, 0xFFFF},
      {"landing target", 14, 0, 0, 0, 0, 0, -100, 200, 1},
      {"motion y mode 1 clears the fall speed", 17, 0, 0, 0, 0, 0, -300, -1000, 1},
      {"motion y mode 2 adds to it", 18, 0, 0, 0, 0, 0, -300, -1000, 0xFFFF},
  };
  for (const Row& r : rows) {
    foe_->frameData = d.Set();
    foe_->pattern = r.pattern;
    foe_->frame = r.frame;
    foe_->frameTimer = r.timer;
    foe_->hitStop = static_cast<uint8_t>(r.hitStop);
    foe_->hitsLeft = static_cast<uint8_t>(r.hitsLeft);
    foe_->loopCounter = static_cast<uint8_t>(r.loop);
    foe_->posY = r.y;
    foe_->velY = r.vy;
    foe_->accY = 0;
    Han6AttackData out;
    out.atgd = -1;
    EXPECT_EQ(FramesUntilAttackLive(*foe_, &out), r.expected) << r.name;
    if (r.expected != 0xFFFF) {
      EXPECT_EQ(out.atgd, 77) << r.name;
    }
  }
  foe_->frameData = nullptr;
  EXPECT_EQ(FramesUntilAttackLive(*foe_, nullptr), 0xFFFF);
}

TEST_F(CpuAiTest, ImminentThreatWalksCharactersThenThePool) {
  EXPECT_EQ(FindImminentThreat(*cpu_), nullptr);
  ObjectPoolSlot& shot = g_ObjectPool[5];
  shot.inUse = 1;
  NotePoolSlotTaken(shot);
  shot.obj.side = 1;
  shot.obj.frameData = data_.Set();
  shot.obj.hitsLeft = 1;
  SetPattern(shot.obj, kAttack);
  EXPECT_EQ(FindImminentThreat(*cpu_), &shot.obj);
  shot.obj.kind = kKindAfterimage;
  EXPECT_EQ(FindImminentThreat(*cpu_), nullptr) << "afterimages are no threat";
  shot.obj.kind = 0;
  shot.obj.side = 0;
  EXPECT_EQ(FindImminentThreat(*cpu_), nullptr) << "own side";
  shot.obj.side = 1;
  foe_->hitsLeft = 1;
  SetPattern(*foe_, kAttack);
  EXPECT_EQ(FindImminentThreat(*cpu_), foe_) << "characters before the pool";
}

TEST_F(CpuAiTest, PressCpuButtons) {
  struct Row {
    uint32_t before, mask, after;
  } rows[] = {
      {0x0, 0x1, 0x1001},     // A newly pressed: pressed and held
      {0x1, 0x1, 0x1},        // already pressed: kept as it is
      {0x1001, 0x0, 0x1000},  // released: the held bit stays
      {0x0, 0x3F, 0x3F03F},   // every button of the mask, A+B included
      {0x40, 0x2, 0x2042},    // bits outside the six buttons stay
      {0x8004, 0x8, 0x8008},  // C released keeps nothing new, D pressed and held
  };
  for (const Row& r : rows) {
    cpu_->inputButtons = r.before;
    PressCpuButtons(*cpu_, r.mask);
    EXPECT_EQ(cpu_->inputButtons, r.after) << std::hex << r.before << " " << r.mask;
  }
}

// ---- picking ----

TEST_F(CpuAiTest, EachConditionOfThePick) {
  struct Row {
    const char* name;
    std::function<void(CpuPatternRecord&)> setup;
    bool picked;
  } rows[] = {
      {"plain", [](CpuPatternRecord&) {}, true},
      {"a: cooling down", [](CpuPatternRecord&) { g_CpuAiStates[0].cooldown[1] = 3; }, false},
      {"c: minimum level above", [](CpuPatternRecord& r) { r.minLevel = 4; }, false},
      {"c: the level itself, not the lowered one",
       [](CpuPatternRecord& r) {
         r.minLevel = 3;
         g_GameModeFlags = MODE_ARCADE;
       },
       true},
      {"c: a level below the table",
       [](CpuPatternRecord& r) {
         r.minLevel = -3;
         g_CpuLevel = -4;
       },
       false},
      {"d: target out of reach", [](CpuPatternRecord& r) { r.distanceMin = 0, r.distanceMax = 60; }, false},
      {"d: target in reach", [](CpuPatternRecord& r) { r.distanceMin = 80, r.distanceMax = 10000; }, true},
      {"d: height window shuts the target out",
       [](CpuPatternRecord& r) {
         r.distanceMax = 200, r.heightWindow = 1, r.heightMin = 10, r.heightMax = 20;
       },
       false},
      {"d: target airborne wanted", [](CpuPatternRecord& r) { r.distanceMax = 200, r.targetStance = 2; },
       false},
      {"d: target airborne found",
       [this](CpuPatternRecord& r) {
         r.distanceMax = 200, r.targetStance = 2;
         SetPattern(*foe_, kAirBusy);
       },
       true},
      {"d: target free wanted, target busy",
       [this](CpuPatternRecord& r) {
         r.distanceMax = 200, r.targetFree = 1;
         SetPattern(*foe_, kAirBusy);
       },
       false},
      {"d: target not free wanted, target free",
       [](CpuPatternRecord& r) { r.distanceMax = 200, r.targetFree = 2; }, false},
      {"d: without distances the target is not tested",
       [this](CpuPatternRecord& r) {
         r.targetFree = 2, r.targetStance = 2, r.targetHittable = 1;
         foe_->downState = 5;
       },
       true},
      {"d: target down",
       [this](CpuPatternRecord& r) {
         r.distanceMax = 200, r.targetHittable = 1;
         foe_->downState = 3;
       },
       false},
      {"d: target in a hit reaction below 0",
       [this](CpuPatternRecord& r) {
         r.distanceMax = 200, r.targetHittable = 1;
         foe_->hitReaction = -1;
       },
       false},
      // A target whose frame is missing reads the shared all-zero state: standing, not free.
      {"d: frameless target is standing",
       [this](CpuPatternRecord& r) {
         r.distanceMax = 200, r.targetStance = 3, r.targetFree = 2;
         foe_->frameRec = nullptr;
       },
       true},
      {"d: frameless target is not free",
       [this](CpuPatternRecord& r) {
         r.distanceMax = 200, r.targetFree = 1;
         foe_->frameRec = nullptr;
       },
       false},
      {"e: own stance crouching wanted", [](CpuPatternRecord& r) { r.ownStance = 4; }, false},
      {"e: own stance crouching",
       [this](CpuPatternRecord& r) {
         r.ownStance = 4;
         SetPattern(*cpu_, kCrouchFree);
       },
       true},
      {"f: half life wanted", [](CpuPatternRecord& r) { r.ownLife = 1; }, false},
      {"f: at half life",
       [this](CpuPatternRecord& r) {
         r.ownLife = 1;
         cpu_->life = g_MaxLife / 2;
       },
       true},
      {"f: full life", [](CpuPatternRecord& r) { r.ownLife = 5; }, true},
      {"g: another pattern", [](CpuPatternRecord& r) { r.ownPatternOn = 1, r.requiredPattern = 7; }, false},
      {"g: the pattern, any frame",
       [this](CpuPatternRecord& r) {
         r.ownPatternOn = 1, r.requiredPattern = kStandFree, r.requiredFrame = 255;
         cpu_->frame = 4;
       },
       true},
      {"g: another frame",
       [](CpuPatternRecord& r) { r.ownPatternOn = 1, r.requiredPattern = kStandFree, r.requiredFrame = 1; },
       false},
      {"h: gauge below a third", [](CpuPatternRecord& r) { r.gauge = 1; }, true},
      {"h: gauge at a third wanted", [](CpuPatternRecord& r) { r.gauge = 2; }, false},
      {"h: gauge at a third",
       [this](CpuPatternRecord& r) {
         r.gauge = 2;
         cpu_->circuit = 100;
       },
       true},
      {"h: heat wanted", [](CpuPatternRecord& r) { r.gauge = 4; }, false},
      {"h: not in mode 3",
       [this](CpuPatternRecord& r) {
         r.gauge = 5;
         cpu_->gaugeMode = 3;
       },
       false},
      {"i: no attack coming", [](CpuPatternRecord& r) { r.incomingAttack = 1; }, false},
      {"i: an attack coming",
       [this](CpuPatternRecord& r) {
         r.incomingAttack = 1;
         SetPattern(*foe_, kAttack);
         foe_->hitsLeft = 1;
       },
       true},
      {"j: weight 0", [](CpuPatternRecord& r) { r.weight = 0; }, false},
  };
  for (Row& row : rows) {
    g_GameModeFlags = MODE_CPU_VS_CPU;
    g_CpuLevel = 3;
    g_StoryBattleRoutes[0].stageIndex = 0;
    g_TypeParams[0].magicCircuitMax = 300;
    cpu_->life = foe_->life = g_MaxLife;
    cpu_->circuit = 0;
    cpu_->gaugeMode = 0;
    foe_->downState = 0;
    foe_->hitReaction = 0;
    foe_->hitsLeft = 0;
    SetPattern(*cpu_, kStandFree);
    SetPattern(*foe_, kStandFree);
    g_CpuAiStates[0] = CpuAiState{};
    row.setup(Plain(1));
    const int draws = Draws([&] { EXPECT_EQ(PickCpuPattern(*cpu_, 0, 0), row.picked ? 1 : -1) << row.name; });
    // A pick draws once for the race (one candidate) and once for the chance; no candidate, none.
    EXPECT_EQ(draws, row.picked ? 2 : 0) << row.name;
  }
}

TEST_F(CpuAiTest, RaceDrawFavoursTheHeaviestCandidate) {
  Plain(1).weight = 10;
  Plain(2).weight = 30;
  // Draws pick k = draw % 2 + 1. The light one needs three draws of itself.
  ScriptDraws(4, [](auto& d) { return d[0] % 2 == 0 && d[1] % 2 == 0 && d[2] % 2 == 0; });
  EXPECT_EQ(Draws([&] { EXPECT_EQ(PickCpuPattern(*cpu_, 0, 0), 1); }), 4);
  g_CpuAiStates[0] = CpuAiState{};
  ScriptDraws(3, [](auto& d) { return d[0] % 2 == 0 && d[1] % 2 == 1; });
  EXPECT_EQ(Draws([&] { EXPECT_EQ(PickCpuPattern(*cpu_, 0, 0), 2); }), 3);
}

TEST_F(CpuAiTest, AChanceZeroCandidateIsCountedAndNeverChosen) {
  Plain(1).chance = 0;
  Rec(1).weight = 30;
  Plain(2).weight = 10;
  // count 2, only record 2 is walked: k = 2 ends the walk and draws again.
  ScriptDraws(5, [](auto& d) { return d[0] % 2 == 1 && d[1] % 2 == 0 && d[2] % 2 == 0 && d[3] % 2 == 0; });
  // The heaviest weight is 30: record 2 needs three of its own draws.
  EXPECT_EQ(Draws([&] { EXPECT_EQ(PickCpuPattern(*cpu_, 0, 0), 2); }), 5);
}

TEST_F(CpuAiTest, RaceDrawStopsAtItsCap) {
  // The heaviest weight belongs to a candidate that is never walked: without the cap the light
  // ones would need about a billion draws.
  Plain(1).chance = 0;
  Rec(1).weight = 1000000000;
  Plain(2).weight = 1;
  Plain(3).weight = 2;
  vt::SetDebugQuiet(true);
  EXPECT_EQ(Draws([&] { EXPECT_EQ(PickCpuPattern(*cpu_, 0, 0), 3); }), kCpuRaceDrawCap + 1);
  vt::SetDebugQuiet(false);
}

TEST_F(CpuAiTest, FailedChanceRollAndCooldowns) {
  struct Row {
    const char* name;
    int16_t cooldown;
    int level;
    int16_t cooldownAfter;
    int32_t wait;
  } rows[] = {
      {"cooldown at level 3", 60, 3, 60, 8},
      {"cooldown at level 4", 60, 4, 60, 0},
      {"cooldown at level 0", 60, 0, 60, 60},
      {"no cooldown", 0, 3, 0, 0},
      {"a negative cooldown counts as 0", -60, 3, 0, 0},
  };
  for (const Row& r : rows) {
    g_CpuAiStates[0] = CpuAiState{};
    g_CpuLevel = r.level;
    Plain(1).chance = 50;
    Rec(1).cooldown = r.cooldown;
    ScriptDraws(2, [](auto& d) { return d[1] % 100 == 51; });
    EXPECT_EQ(Draws([&] { EXPECT_EQ(PickCpuPattern(*cpu_, 0, 0), -1) << r.name; }), 2);
    EXPECT_EQ(g_CpuAiStates[0].cooldown[1], r.cooldownAfter) << r.name;
    EXPECT_EQ(g_CpuAiStates[0].waitTimer, r.wait) << r.name;
    // At the chance exactly the record runs, and its cooldown starts all the same.
    g_CpuAiStates[0] = CpuAiState{};
    ScriptDraws(2, [](auto& d) { return d[1] % 100 == 50; });
    EXPECT_EQ(PickCpuPattern(*cpu_, 0, 0), 1) << r.name;
    EXPECT_EQ(g_CpuAiStates[0].cooldown[1], r.cooldownAfter) << r.name;
  }
}

TEST_F(CpuAiTest, InterruptibleRecords) {
  Plain(1).interruptible = 1;
  Plain(2);
  cpu_->aiRecord = 1;
  // While the interruptible record runs only the others are candidates.
  EXPECT_EQ(PickCpuPattern(*cpu_, 0, 5), 2);
  // A running record that cannot be interrupted blocks the pick without a draw.
  cpu_->aiRecord = 2;
  EXPECT_EQ(Draws([&] { EXPECT_EQ(PickCpuPattern(*cpu_, 0, 5), -1); }), 0);
  // Idle: both are candidates again.
  Rec(1).weight = 5;
  EXPECT_EQ(PickCpuPattern(*cpu_, 0, 0) > 0, true);
}

// ---- steps ----

TEST_F(CpuAiTest, StepKinds) {
  struct Row {
    uint8_t kind;
    uint8_t dir;
    uint32_t buttons;
  } rows[] = {
      {0, 0, 0},       {1, 6, 0},       {2, 4, 0},       {3, 2, 0},      {4, 8, 0},       {5, 9, 0},
      {6, 7, 0},       {7, 0, 0x1001},  {8, 0, 0x2002},  {9, 0, 0x4004}, {10, 0, 0x8008}, {11, 2, 0x1001},
      {12, 2, 0x2002}, {13, 2, 0x4004}, {14, 2, 0x8008}, {15, 0, 0},     {16, 0, 0},      {17, 0, 0},
      {18, 0, 0},      {20, 0, 0},      {255, 0, 0},
  };
  for (const Row& r : rows) {
    cpu_->inputDir = 5;
    cpu_->inputButtons = 0;
    cpu_->aiThrowRequest = cpu_->aiSystemRequest = 0;
    cpu_->attackConnected = 1;
    Plain(1, r.kind, 7);
    EXPECT_EQ(Draws([&] { StartCpuStep(g_PlayerRecords[0], 1, 0, 0); }), 0) << int{r.kind};
    EXPECT_EQ(cpu_->inputDir, r.dir) << int{r.kind};
    EXPECT_EQ(cpu_->inputButtons, r.buttons) << int{r.kind};
    EXPECT_EQ(cpu_->aiThrowRequest, r.kind == 17 ? 1 : 0);
    EXPECT_EQ(cpu_->aiSystemRequest, r.kind == 18 ? 1 : 0);
    EXPECT_EQ(cpu_->attackConnected, 0);
    EXPECT_EQ(cpu_->aiStepFrames, 7);
    EXPECT_EQ(cpu_->aiRecord, 1);
    EXPECT_EQ(g_CpuAiStates[0].record, 1);
    EXPECT_EQ(g_CpuAiStates[0].stepFrames, 7);
  }
}

TEST_F(CpuAiTest, KindSixteenFiresACommandUnlessLockedOrUnknown) {
  auto& commands = g_PlayerRecords[0].ext.commandTable->commands;
  commands.resize(3);
  commands[2] = std::make_unique<CommandEntry>();
  commands[2]->id = 2;
  commands[2]->pattern = kCrouchFree;
  commands[2]->flags = 0x1;  // usable standing
  struct Row {
    const char* name;
    int16_t id;
    uint8_t lock;
    bool fired;
  } rows[] = {{"fires", 2, 0, true},
              {"command lock", 2, 1, false},
              {"a gap in the table", 1, 0, false},
              {"beyond the table", 700, 0, false},
              {"negative id", -5, 0, false}};
  for (const Row& r : rows) {
    g_PlayerRecords[0].ext.chain.lastFiredCommand = -1;
    g_CommandLock = r.lock;
    Plain(1, 16).steps[0].commandId = r.id;
    StartCpuStep(g_PlayerRecords[0], 1, 0, 0);
    EXPECT_EQ(g_PlayerRecords[0].ext.chain.lastFiredCommand, r.fired ? 2 : -1) << r.name;
  }
}

TEST_F(CpuAiTest, KindNineteenJumps) {
  // Five zeros: kind 0 for 10 frames, no draw.
  Plain(1, 19, 0);
  EXPECT_EQ(Draws([&] { StartCpuStep(g_PlayerRecords[0], 1, 0, 0); }), 0);
  EXPECT_EQ(cpu_->aiRecord, 1);
  EXPECT_EQ(cpu_->aiStepFrames, 10);
  // Numbers outside 1..99 are passed over; the others are collected in field order.
  CpuPatternStep& s = Plain(2, 19).steps[0];
  s.duration = 200;
  s.randomExtra = 5;
  s.commandId = -3;
  s.word8 = 7;
  s.word10 = 9;
  for (int16_t n : {5, 7, 9}) Plain(n, 1, 4);
  const int16_t order[3] = {5, 7, 9};
  for (int j = 0; j < 3; ++j) {
    ScriptDraws(1, [j](auto& d) { return d[0] % 3 == j; });
    EXPECT_EQ(Draws([&] { StartCpuStep(g_PlayerRecords[0], 2, 0, 0); }), 1);
    EXPECT_EQ(cpu_->aiRecord, order[j]);
    EXPECT_EQ(cpu_->aiStep, 0);
    EXPECT_EQ(cpu_->aiStepFrames, 4);
    EXPECT_EQ(cpu_->inputDir, 6);
  }
}

TEST_F(CpuAiTest, SelfJumpsEndAfterEightJumps) {
  Plain(1, 19).steps[0].duration = 1;  // jumps to itself
  cpu_->inputDir = 6;
  EXPECT_EQ(Draws([&] { StartCpuStep(g_PlayerRecords[0], 1, 0, 0); }), kCpuMaxJumps);
  EXPECT_EQ(cpu_->aiRecord, 0);
  EXPECT_EQ(cpu_->aiStepFrames, 0);
  EXPECT_EQ(cpu_->inputDir, 0);
  // A cycle of two records, and a chain of eight jumps that ends in a plain step.
  Plain(3, 19).steps[0].duration = 4;
  Plain(4, 19).steps[0].duration = 3;
  EXPECT_EQ(Draws([&] { StartCpuStep(g_PlayerRecords[0], 3, 0, 0); }), kCpuMaxJumps);
  EXPECT_EQ(cpu_->aiRecord, 0);
  for (int n = 10; n < 18; ++n) Plain(n, 19).steps[0].duration = static_cast<int16_t>(n + 1);
  Plain(18, 2, 6);
  EXPECT_EQ(Draws([&] { StartCpuStep(g_PlayerRecords[0], 10, 0, 0); }), kCpuMaxJumps);
  EXPECT_EQ(cpu_->aiRecord, 18);
  EXPECT_EQ(cpu_->inputDir, 4);
}

TEST_F(CpuAiTest, ActionLockKeepsOnlyWalking) {
  g_SideStatus[0].actionLock = 1;
  const std::pair<int, int> kinds[] = {{1, 6}, {2, 4}, {3, 0}, {5, 0}, {11, 0}};
  for (const auto& [kind, dir] : kinds) {
    Plain(1, static_cast<uint8_t>(kind));
    StartCpuStep(g_PlayerRecords[0], 1, 0, 0);
    EXPECT_EQ(cpu_->inputDir, dir) << kind;
  }
  // A side outside the four records has no lock.
  cpu_->side = 255;
  Plain(1, 5);
  StartCpuStep(g_PlayerRecords[0], 1, 0, 0);
  EXPECT_EQ(cpu_->inputDir, 9);
}

TEST_F(CpuAiTest, ByteTenEndsTheRecordOnAFreeFrame) {
  Plain(1, 7).steps[0].word10 = 1;
  cpu_->inputDir = 4;
  StartCpuStep(g_PlayerRecords[0], 1, 0, 0);
  EXPECT_EQ(cpu_->aiRecord, 0);
  EXPECT_EQ(cpu_->inputButtons, 0u);
  EXPECT_EQ(cpu_->inputDir, 0);
  SetPattern(*cpu_, kAirBusy);
  StartCpuStep(g_PlayerRecords[0], 1, 0, 0);
  EXPECT_EQ(cpu_->aiRecord, 1);
  EXPECT_EQ(cpu_->inputButtons, 0x1001u);
}

TEST_F(CpuAiTest, ExtraFramesDrawOnlyWhenPositive) {
  for (int16_t extra : {0, -4}) {
    Plain(1, 0, 5).steps[0].randomExtra = extra;
    EXPECT_EQ(Draws([&] { StartCpuStep(g_PlayerRecords[0], 1, 0, 0); }), 0);
    EXPECT_EQ(cpu_->aiStepFrames, 5);
  }
  Plain(1, 0, 5).steps[0].randomExtra = 3;
  ScriptDraws(1, [](auto& d) { return d[0] % 3 == 2; });
  EXPECT_EQ(Draws([&] { StartCpuStep(g_PlayerRecords[0], 1, 0, 0); }), 1);
  EXPECT_EQ(cpu_->aiStepFrames, 7);
}

TEST_F(CpuAiTest, RandomPickRequest) {
  const std::pair<int, int> values[] = {{0, 1}, {1, 2}, {2, 3}, {200, 3}, {255, 3}};
  for (const auto& [value, expected] : values) {
    CpuPatternStep& s = Plain(1).steps[0];
    s.flags = kCpuStepRandomPick;
    s.randomPickValue = static_cast<uint8_t>(value);
    cpu_->aiRandomPick = 0;
    StartCpuStep(g_PlayerRecords[0], 1, 0, 0);
    EXPECT_EQ(cpu_->aiRandomPick, expected) << value;
  }
}

TEST_F(CpuAiTest, TickFlags) {
  PlayerRecord& p = g_PlayerRecords[0];
  struct Row {
    const char* name;
    uint32_t flags;
    int frames;  // step frames before the tick
    uint8_t connected;
    uint16_t contact;
    int32_t foeDistance;
    int record, step;  // after the tick
    uint8_t dir;
    uint32_t buttons;
  } rows[] = {
      {"runs on: held direction", 0, 3, 0, 0, 100, 1, 0, 3, 0},
      {"0x10 keeps the button held", kCpuStepKeepButton, 3, 0, 0, 100, 1, 0, 3, 0x1000},
      {"end, next step", 0, 1, 0, 0, 100, 1, 1, 6, 0},
      {"end with 0x1", kCpuStepEndRecord, 1, 0, 0, 100, 0, 0, 0, 0},
      {"end with 0x2", kCpuStepClearAction, 1, 0, 0, 100, 0, 0, 0, 0},
      {"0x4 contact", kCpuStepWatchContact, 3, 1, 0x1, 100, 1, 1, 6, 0},
      {"0x4 contact ends with 0x1", kCpuStepWatchContact | kCpuStepEndRecord, 3, 1, 0x1, 100, 0, 0, 0, 0},
      // Connected without the contact it watches for: the step neither moves on nor holds.
      {"0x4 no contact flags", kCpuStepWatchContact, 3, 1, 0, 100, 1, 0, 0, 0},
      {"0x4 not connected", kCpuStepWatchContact, 3, 0, 0x1, 100, 1, 0, 3, 0},
      {"0x8 wants bit 0x2", kCpuStepWatchContact | kCpuStepContactNeeds2, 3, 1, 0x1, 100, 1, 0, 0, 0},
      {"0x8 with bit 0x2", kCpuStepWatchContact | kCpuStepContactNeeds2, 3, 1, 0x2, 100, 1, 1, 6, 0},
      {"0x20 at 46", kCpuStepEndNear, 3, 0, 0, 46, 1, 0, 3, 0},
      {"0x20 at 45", kCpuStepEndNear, 3, 0, 0, 45, 0, 0, 0, 0},
  };
  for (const Row& r : rows) {
    CpuPatternRecord& rec = Plain(1, 7, static_cast<int16_t>(r.frames));
    rec.steps[0].flags = r.flags;
    rec.steps[0].heldDirection = 5;  // 3
    rec.steps[1].kind = 1;
    rec.steps[1].duration = 9;
    foe_->posX = r.foeDistance * 256;
    StartCpuStep(p, 1, 0, 0);
    // The frame's input read clears the slots before the AI runs.
    cpu_->inputButtons = 0;
    cpu_->inputDir = 0;
    cpu_->attackConnected = r.connected;
    cpu_->contactFlags = r.contact;
    EXPECT_EQ(Draws([&] { TickCpuStep(p, 0); }), 0) << r.name;
    EXPECT_EQ(cpu_->aiRecord, r.record) << r.name;
    EXPECT_EQ(cpu_->aiStep, r.step) << r.name;
    EXPECT_EQ(cpu_->inputDir, r.dir) << r.name;
    EXPECT_EQ(cpu_->inputButtons & 0xF00F, r.buttons) << r.name;
    EXPECT_EQ(g_CpuAiStates[0].record, r.record) << r.name;
  }
}

TEST_F(CpuAiTest, ARecordEndsAfterItsLastStep) {
  PlayerRecord& p = g_PlayerRecords[0];
  CpuPatternRecord& rec = Plain(1, 1, 1);
  for (CpuPatternStep& s : rec.steps) s = rec.steps[0];
  StartCpuStep(p, 1, 0, 0);
  for (int i = 0; i < kCpuPatternSteps - 1; ++i) TickCpuStep(p, 0);
  EXPECT_EQ(cpu_->aiStep, kCpuPatternSteps - 1);
  EXPECT_EQ(cpu_->aiRecord, 1);
  TickCpuStep(p, 0);
  EXPECT_EQ(cpu_->aiRecord, 0);
  EXPECT_EQ(cpu_->inputDir, 0);
  // Nothing running: the tick starts nothing.
  EXPECT_EQ(Draws([&] { TickCpuStep(p, 0); }), 0);
  EXPECT_EQ(cpu_->aiRecord, 0);
}

// ---- the AI frame ----

TEST_F(CpuAiTest, FrameGatesDoNothing) {
  PlayerRecord& p = g_PlayerRecords[0];
  Plain(1, 1);
  g_CpuPatternSlots[0].guardRate = 50;
  const std::function<void()> gates[] = {
      [this] { cpu_->noCommand = 1; },
      [] { g_CommandLock = 2; },
      [] { g_BattleSeams.IsDummyTakenOver = [] { return 1; }; },
      [] { g_PlayerRecords[0].ext.commandTable.reset(); },
  };
  for (const auto& gate : gates) {
    g_CpuAiStates[0] = CpuAiState{};
    g_CpuAiStates[0].cooldown[5] = 4;
    gate();
    EXPECT_EQ(Draws([&] { CpuAiFrame(p, 0); }), 0);
    EXPECT_EQ(g_CpuAiStates[0].cooldown[5], 4);
    EXPECT_EQ(cpu_->aiRecord, 0);
    EXPECT_EQ(cpu_->aiGuardDecision, 0);
    cpu_->noCommand = 0;
    g_CommandLock = 0;
    g_BattleSeams.IsDummyTakenOver = nullptr;
    g_PlayerRecords[0].ext.commandTable = std::make_unique<CharaCommandTable>();
  }
}

TEST_F(CpuAiTest, FramePicksThenDecidesTheGuard) {
  PlayerRecord& p = g_PlayerRecords[0];
  Plain(1, 1).cooldown = 2;
  g_CpuPatternSlots[0].guardRate = 50;
  // Race, chance, guard rate (48 at level 3... 50 + 0 + 8 capped: 58).
  ScriptDraws(3, [](auto& d) { return d[2] % 100 == 58; });
  EXPECT_EQ(Draws([&] { CpuAiFrame(p, 0); }), 3);
  EXPECT_EQ(cpu_->aiRecord, 1);
  EXPECT_EQ(cpu_->inputDir, 6);
  EXPECT_EQ(cpu_->aiGuardDecision, 1);
  EXPECT_EQ(g_CpuAiStates[0].cooldown[1], 2);
  // Decided already: no guard draw; the record runs, the cooldown counts down.
  EXPECT_EQ(Draws([&] { CpuAiFrame(p, 0); }), 0);
  EXPECT_EQ(g_CpuAiStates[0].cooldown[1], 1);
  // Guard rate 0: no guard, without a draw.
  g_CpuPatternSlots[0].guardRate = 0;
  cpu_->aiGuardDecision = 0;
  EXPECT_EQ(Draws([&] { CpuAiFrame(p, 0); }), 0);
  EXPECT_EQ(cpu_->aiGuardDecision, 2);
}

TEST_F(CpuAiTest, FrameWhileBusy) {
  PlayerRecord& p = g_PlayerRecords[0];
  Plain(1, 1);
  g_CpuPatternSlots[0].guardRate = 100;
  SetPattern(*cpu_, kAirBusy);
  EXPECT_EQ(Draws([&] { CpuAiFrame(p, 0); }), 0);
  EXPECT_EQ(cpu_->aiRecord, 0);
  EXPECT_EQ(cpu_->aiGuardDecision, 0);
  ReactionKind(*cpu_) = 5;
  CpuAiFrame(p, 0);
  EXPECT_EQ(cpu_->aiGuardDecision, 1);
  // Held counts as busy.
  SetPattern(*cpu_, kStandFree);
  ReactionKind(*cpu_) = 0;
  cpu_->aiGuardDecision = 0;
  cpu_->held = 1;
  EXPECT_EQ(Draws([&] { CpuAiFrame(p, 0); }), 0);
  EXPECT_EQ(cpu_->aiRecord, 0);
}

TEST_F(CpuAiTest, WaitTimerHoldsThePick) {
  PlayerRecord& p = g_PlayerRecords[0];
  Plain(1, 1);
  g_CpuAiStates[0].waitTimer = 2;
  cpu_->aiGuardDecision = 1;
  EXPECT_EQ(Draws([&] { CpuAiFrame(p, 0); }), 0);
  EXPECT_EQ(g_CpuAiStates[0].waitTimer, 1);
  EXPECT_EQ(Draws([&] { CpuAiFrame(p, 0); }), 0);
  EXPECT_EQ(cpu_->aiRecord, 0);
  EXPECT_EQ(Draws([&] { CpuAiFrame(p, 0); }), 2);
  EXPECT_EQ(cpu_->aiRecord, 1);
}

TEST_F(CpuAiTest, TagSwapAndHeatDraws) {
  PlayerRecord& p = g_PlayerRecords[0];
  static int calls;
  static int accept;
  calls = 0;
  accept = 0;
  g_BattleSeams.GetCharacterTagType = [](int) { return 1; };
  g_BattleSeams.PartnerCall = [](BattleObject*) {
    ++calls;
    return accept;
  };
  cpu_->aiGuardDecision = 1;
  struct Row {
    const char* name;
    int32_t mode;
    int32_t life;
    int gauge;
    int expectDraws;  // with no record to pick
    int expectCalls;
  } rows[] = {
      // Outside tag mode one draw % 256; a zero there tries the call.
      {"versus: one swap draw", MODE_CPU_VS_CPU, g_MaxLife, 0, 1, -1},
      // Tag mode, low life and a healthy partner: the call at once, no draw.
      {"tag: low life swaps at once", MODE_TAG_BATTLE, g_MaxLife / 4, 0, 0, 1},
      {"tag: healthy, one draw % 512", MODE_TAG_BATTLE, g_MaxLife, 0, 1, -1},
      // Heat at low life in gauge mode 2: the swap draw, then one draw % 128.
      {"heat request draw", MODE_CPU_VS_CPU, g_MaxLife / 4, 2, 2, -1},
  };
  BattleObject& partner = Place(2, 0);
  partner.side = 0;
  partner.life = g_MaxLife;
  cpu_->partner = &partner;
  for (const Row& r : rows) {
    g_GameModeFlags = r.mode;
    cpu_->life = r.life;
    cpu_->gaugeMode = static_cast<uint8_t>(r.gauge);
    calls = 0;
    EXPECT_EQ(Draws([&] { CpuAiFrame(p, 0); }), r.expectDraws) << r.name;
    if (r.expectCalls >= 0) {
      EXPECT_EQ(calls, r.expectCalls) << r.name;
    }
  }
  // A zero swap draw tries the call; when it is accepted nothing is picked this frame.
  g_GameModeFlags = MODE_CPU_VS_CPU;
  cpu_->life = g_MaxLife;
  cpu_->gaugeMode = 0;
  Plain(1, 1);
  accept = 1;
  calls = 0;
  ScriptDraws(1, [](auto& d) { return d[0] % 256 == 0; });
  EXPECT_EQ(Draws([&] { CpuAiFrame(p, 0); }), 1);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(cpu_->aiRecord, 0);
  // A zero heat draw sets the system request.
  accept = 0;
  cpu_->life = g_MaxLife / 4;
  cpu_->gaugeMode = 2;
  ScriptDraws(2, [](auto& d) { return d[0] % 256 != 0 && d[1] % 128 == 0; });
  CpuAiFrame(p, 0);
  EXPECT_EQ(cpu_->aiSystemRequest, 1);
  // The command table's flag 0x40 skips the heat rule (and the swap's block with it).
  cpu_->aiSystemRequest = 0;
  g_PlayerRecords[0].ext.commandTable->flags = 0x40;
  ScriptDraws(2, [](auto& d) { return d[0] % 256 != 0 && d[1] % 128 == 0; });
  g_CpuAiStates[0] = CpuAiState{};
  CpuAiFrame(p, 0);
  EXPECT_EQ(cpu_->aiSystemRequest, 0);
}

TEST_F(CpuAiTest, TrainingWithTheDummyNotOnCpuLeavesTheInput) {
  g_GameModeFlags = MODE_TRAINING;
  g_BattleSeams.TrainingSetting = [](int entry) { return entry == 0 ? 0 : 0; };  // "STAND"
  Plain(1, 5);
  cpu_->inputDir = 2;
  StartCpuStep(g_PlayerRecords[0], 1, 0, 0);
  EXPECT_EQ(cpu_->aiRecord, 1);
  EXPECT_EQ(cpu_->inputDir, 2);
  ClearCpuAction(*cpu_, 0);
  EXPECT_EQ(cpu_->inputDir, 2);
  g_BattleSeams.TrainingSetting = [](int entry) { return entry == 0 ? 3 : 0; };  // "CPU"
  StartCpuStep(g_PlayerRecords[0], 1, 0, 0);
  EXPECT_EQ(cpu_->inputDir, 9);
}

TEST_F(CpuAiTest, ResetClearsStatesAndAiWords) {
  g_CpuAiStates[2].cooldown[7] = 9;
  g_CpuAiStates[1].waitTimer = 3;
  for (int i = 0; i < 4; ++i) {
    BattleObject& o = g_PlayerRecords[i].obj;
    o.aiAirTechDelay = o.aiDownTechGate = 1;
    o.aiStepFrames = o.aiRecord = o.aiStep = 2;
    o.aiSystemRequest = o.aiThrowRequest = o.aiRandomPick = o.aiGuardDecision = 1;
    o.inputDir = 6;
    o.inputButtons = 0x1001;
  }
  const BattleObject before = g_PlayerRecords[3].obj;
  ResetCpuAiStates();
  for (const CpuAiState& s : g_CpuAiStates) EXPECT_EQ(s, CpuAiState{});
  EXPECT_EQ(battle_test::Changed(before, g_PlayerRecords[3].obj),
            (battle_test::Fields{"aiAirTechDelay", "aiDownTechGate", "aiStepFrames", "aiRecord", "aiStep",
                                 "aiSystemRequest", "aiThrowRequest", "aiRandomPick", "aiGuardDecision",
                                 "inputDir", "inputButtons"}));
}

TEST_F(CpuAiTest, SeamFindsTheSlotOfTheObject) {
  InstallCpuAiSeams();
  Plain(1, 1);
  g_CpuAiStates[0].cooldown[3] = 2;
  cpu_->aiGuardDecision = 1;
  BattleSeamCpuAiFrame(cpu_);
  EXPECT_EQ(cpu_->aiRecord, 1);
  EXPECT_EQ(g_CpuAiStates[0].cooldown[3], 1);
  // A pool object is no CPU character.
  BattleSeamCpuAiFrame(&g_ObjectPool[0].obj);
  EXPECT_EQ(g_CpuAiStates[0].cooldown[3], 1);
}

}  // namespace
