// Gauges: meter checks and spends per gauge mode, the gauge lock, the guard gauge's float32
// healing and breaking, guard damage, the exact-guard tracker, the damage-reduce window, the
// circuit charge, the meter add, and the shield's windows, height checks and success.
#include "battle/gauges.h"

#include <limits>
#include <string>
#include <vector>

#include "battle/game_mode.h"
#include "battle/object_state.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using battle_test::FrameDef;
using battle_test::PlaceCharacter;
using battle_test::TestFrameData;
using Gauges = BattleTest;

FrameDef Free(uint8_t stance = 0, uint16_t duration = 100) {
  FrameDef f;
  f.duration = duration;
  f.endAction = 3;
  f.stance = stance;
  f.free = 1;
  return f;
}

// A frame carrying the shield condition: P0 end frame, P1 success frame, P2 counter pattern.
FrameDef ShieldFrame(uint8_t stance, int p0, int p1, int p2 = 0) {
  FrameDef f = Free(stance);
  Han6Condition c;
  c.type = 51;
  c.params[0] = p0;
  c.params[1] = p1;
  c.params[2] = p2;
  f.conditions.push_back(c);
  return f;
}

struct World {
  TestFrameData data;
  BattleObject* a = nullptr;
  BattleObject* b = nullptr;
  World() {
    data.Pattern(0, {Free(0), Free(2), Free(1)});
    data.Pattern(40, {ShieldFrame(0, 1, 2, 77), Free(0), Free(0)});
    data.Pattern(41, {ShieldFrame(2, 1, 2), Free(2), Free(2)});
    data.Pattern(42, {ShieldFrame(1, 1, 2), Free(1), Free(1)});
    data.Pattern(77, {Free(0)});
    a = &PlaceCharacter(0, data.Set(), -10000);
    b = &PlaceCharacter(1, data.Set(), 10000, 1);
    for (BattleObject* o : {a, b}) {
      o->pattern = 0;
      o->frame = 0;
      RefreshFramePointers(*o);
    }
  }
  static void Enter(BattleObject& o, int pattern, int frame = 0) {
    o.pattern = pattern;
    o.frame = frame;
    RefreshFramePointers(o);
  }
};

TypeParams& Row0() { return g_TypeParams[0]; }

// ---- meter ----

TEST_F(Gauges, HasMeterByModeAndLock) {
  const struct {
    const char* name;
    uint8_t mode;
    int32_t circuit;
    int16_t lockTimer, lockRate;
    int cost;
    int expected;
  } cases[] = {
      {"mode 0 enough", 0, 10000, 0, 0, 10000, 1},
      {"mode 0 short by one", 0, 9999, 0, 0, 10000, 0},
      {"cost 0 always", 0, 0, 50, 0, 0, 1},
      {"mode 5 even under a hard lock", 5, 0, 50, 0, 30000, 1},
      {"mode 255 never", 255, 30000, 0, 0, 1, 0},
      {"hard lock refuses", 0, 30000, 50, 0, 1, 0},
      {"a scaling lock does not refuse", 0, 30000, 50, 110, 1, 1},
      {"heat mode pays regardless of meter", 1, 0, 0, 0, 10000, 1},
      {"heat mode under a hard lock", 3, 0, 10, 0, 10000, 0},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    World w;
    w.a->gaugeMode = c.mode;
    w.a->circuit = c.circuit;
    w.a->circuitBreakTimer = c.lockTimer;
    w.a->circuitBreakRate = c.lockRate;
    EXPECT_EQ(HasMeter(*w.a, c.cost), c.expected) << c.name;
  }
}

TEST_F(Gauges, SpendIsRecordedThenAppliedPerMode) {
  Row0().magicCircuitMax = 30000;
  const struct {
    const char* name;
    uint8_t mode;
    int32_t heat;
    int16_t heatMax;
    int16_t armor;
    int sparkType;
    int cost;
    int32_t pending;
    // after ApplyMeterSpend
    uint8_t modeAfter;
    int32_t circuitAfter, heatAfter;
  } cases[] = {
      {"mode 0 takes the cost", 0, 0, 0, 0, 0, 10000, 10000, 0, 5000, 0},
      {"mode 0 all", 0, 0, 0, 0, 0, 0xFFFF, 0xFFFF, 0, 0, 0},
      {"mode 3 takes 19% of the length", 3, 500, 600, 0, 0, 10000, 114, 3, 15000, 386},
      {"mode 3 with armour 10001 takes 40%", 3, 500, 600, 10001, 0, 10000, 240, 3, 15000, 260},
      {"mode 1 takes 40%", 1, 500, 600, 0, 0, 1, 240, 1, 15000, 260},
      {"mode 2 takes 40%", 2, 500, 600, 0, 0, 1, 240, 2, 15000, 260},
      {"mode 3 all ends the mode with an empty meter", 3, 500, 600, 0, 0, 0xFFFF, 0xFFFF, 0, 0, 500},
      {"mode 1 all ends the mode with an empty meter", 1, 500, 600, 0, 0, 0xFFFF, 0xFFFF, 0, 0, 500},
      {"mode 2 all leaves 10000", 2, 500, 600, 0, 0, 0xFFFF, 0xFFFF, 0, 10000, 500},
      {"mode 2 all on spark type 1 leaves 0", 2, 500, 600, 0, 1, 0xFFFF, 0xFFFF, 0, 0, 500},
      {"mode 255 records nothing", 255, 0, 0, 0, 0, 5000, 0, 255, 15000, 0},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    Row0().magicCircuitMax = 30000;
    Row0().sparkType = c.sparkType;
    World w;
    BattleObject& o = *w.a;
    o.gaugeMode = c.mode;
    o.circuit = 15000;
    o.heatTimer = c.heat;
    o.gaugeModeMax = c.heatMax;
    o.armorFrames = c.armor;
    SpendMeter(o, c.cost);
    EXPECT_EQ(o.pendingSpend, c.pending) << c.name;
    EXPECT_EQ(o.pendingSpendMode, c.mode) << c.name;
    GaugeBookkeeping(o);
    EXPECT_EQ(o.pendingSpend, 0) << c.name;
    EXPECT_EQ(o.gaugeMode, c.modeAfter) << c.name;
    EXPECT_EQ(o.circuit, c.circuitAfter) << c.name;
    EXPECT_EQ(o.heatTimer, c.heatAfter) << c.name;
    if (c.pending != 0) {
      // The spend slows the charge that follows.
      EXPECT_EQ(o.circuitBreakTimer, 420) << c.name;
      EXPECT_EQ(o.circuitBreakRate, 110) << c.name;
    }
  }
}

TEST_F(Gauges, SpendWaitsWhileTheRoundIsDecidedOrTheModeChanged) {
  World w;
  BattleObject& o = *w.a;
  o.circuit = 20000;
  SpendMeter(o, 10000);
  g_JudgeState = 1;
  ApplyMeterSpend(o);
  EXPECT_EQ(o.circuit, 20000);
  EXPECT_EQ(o.pendingSpend, 10000);
  g_JudgeState = 0;
  // Recorded in mode 0, applied once the owner is in a heat mode: the meter is not touched.
  o.gaugeMode = 1;
  o.heatTimer = 300;
  ApplyMeterSpend(o);
  EXPECT_EQ(o.circuit, 20000);
  EXPECT_EQ(o.heatTimer, 300);
  EXPECT_EQ(o.pendingSpend, 0);
}

TEST_F(Gauges, SetGaugeLock) {
  const struct {
    const char* name;
    int16_t timer, length, rate;
    int newTimer, newRate;
    int16_t timerAfter, lengthAfter, rateAfter;
  } cases[] = {
      {"free: taken whole", 0, 0, 0, 420, 110, 420, 420, 110},
      {"scaling lock: replaced", 100, 300, 50, 20, 0, 20, 20, 0},
      {"hard lock ignores a rate", 100, 300, 0, 420, 110, 100, 300, 0},
      {"hard lock raised to a longer one", 100, 300, 0, 200, 0, 200, 200, 0},
      {"hard lock keeps its time against a shorter one", 100, 300, 0, 50, 0, 100, 100, 0},
  };
  for (const auto& c : cases) {
    BattleObject o;
    o.circuitBreakTimer = c.timer;
    o.circuitBreakLength = c.length;
    o.circuitBreakRate = c.rate;
    SetGaugeLock(o, c.newTimer, c.newRate);
    EXPECT_EQ(o.circuitBreakTimer, c.timerAfter) << c.name;
    EXPECT_EQ(o.circuitBreakLength, c.lengthAfter) << c.name;
    EXPECT_EQ(o.circuitBreakRate, c.rateAfter) << c.name;
  }
}

// ---- guard gauge ----

TEST_F(Gauges, HealRateGrowsInFloat32) {
  Row0().ggMaxVal = 10000.0f;
  Row0().ggHealVal = 0.0f;
  Row0().ggHealPlusVal = 0.02f;
  World w;
  BattleObject& o = *w.a;
  o.guardGaugeState = 1;
  o.guardGauge = 5000.0f;
  o.guardHealRate = 0.0f;
  for (int step = 1; step <= 51; ++step) {
    GuardGaugeStep(o);
    ASSERT_EQ(o.guardGauge, 5000.0f) << "step " << step;
  }
  GuardGaugeStep(o);
  EXPECT_EQ(o.guardGauge, 5001.0f);
}

TEST_F(Gauges, GuardGaugeHealsOnlyWhenFree) {
  Row0().ggMaxVal = 100.0f;
  Row0().ggHealPlusVal = 0.5f;
  World w;
  BattleObject& o = *w.a;
  o.guardGaugeState = 1;
  o.guardGauge = 50.0f;
  o.guardHealRate = 3.0f;
  o.guardStopTimer = 2;
  GuardGaugeStep(o);  // stopped: the timer runs down
  EXPECT_EQ(o.guardGauge, 50.0f);
  EXPECT_EQ(o.guardStopTimer, 1);
  o.guardStopTimer = 0;
  o.patternHold = 1;
  GuardGaugeStep(o);
  EXPECT_EQ(o.guardGauge, 50.0f);
  o.patternHold = 0;
  GuardGaugeStep(o);
  EXPECT_EQ(o.guardGauge, 53.0f);
  EXPECT_EQ(o.guardHealRate, 3.5f);
  o.guardGauge = 99.0f;
  GuardGaugeStep(o);
  EXPECT_EQ(o.guardGauge, 100.0f);  // never past the maximum
}

TEST_F(Gauges, BrokenGuardRefillsInRecoverSteps) {
  const struct {
    const char* name;
    float max;
    int32_t recover;
    int steps;
  } cases[] = {
      {"10000 over 180 steps: 55 a step", 10000.0f, 180, 182},
      {"a zero refill length heals 1 a step", 10.0f, 0, 10},
      {"a quotient below 1 still heals 1", 10.0f, 50, 10},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    Row0().ggMaxVal = c.max;
    Row0().ggRecoverVal = c.recover;
    World w;
    BattleObject& o = *w.a;
    o.guardGaugeState = 2;
    o.guardGauge = 0.0f;
    o.guardStopTimer = 40;
    int steps = 0;
    while (o.guardGaugeState != 1 && steps < 100000) {
      GuardGaugeStep(o);
      ++steps;
      EXPECT_EQ(o.guardStopTimer, 0) << c.name;
    }
    EXPECT_EQ(steps, c.steps) << c.name;
    EXPECT_EQ(o.guardGauge, c.max) << c.name;
  }
}

// The type file reads "inf" and "nan" as numbers: rates like these must still give a defined
// step (the quotient saturates, nan counts as 0, so the gauge heals 1).
TEST_F(Gauges, NonFiniteTypeRates) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* name;
    float max;
    float gain;
  } refills[] = {
      {"infinite maximum: the quotient saturates", kInf, 2147483648.0f},
      {"nan maximum heals 1", kNan, 1.0f},
      {"huge negative maximum heals 1", -3.0e38f, 1.0f},
  };
  for (const auto& c : refills) {
    battle_test::ResetWorld();
    Row0().ggMaxVal = c.max;
    Row0().ggRecoverVal = 180;
    World w;
    BattleObject& o = *w.a;
    o.guardGaugeState = 2;
    o.guardGauge = 0.0f;
    GuardGaugeStep(o);
    if (c.max < 0.0f)
      EXPECT_EQ(o.guardGaugeState, 1) << c.name;  // already past the maximum
    else
      EXPECT_EQ(o.guardGauge, c.gain) << c.name;
  }
  const struct { float rate, gauge; } heals[] = {{kNan, 5000.0f}, {kInf, 10000.0f}};
  for (const auto& c : heals) {
    battle_test::ResetWorld();
    Row0().ggMaxVal = 10000.0f;
    World w;
    BattleObject& o = *w.a;
    o.guardGaugeState = 1;
    o.guardGauge = 5000.0f;
    o.guardHealRate = c.rate;
    GuardGaugeStep(o);
    EXPECT_EQ(o.guardGauge, c.gauge) << c.rate;
  }
  const struct {
    float plusVal;
    int32_t circuitAfter;
  } meters[] = {{kNan, 100}, {kInf, 20000}, {-kInf, 0}};
  for (const auto& c : meters) {
    battle_test::ResetWorld();
    Row0().magicCircuitMax = 30000;
    Row0().mcPlusVal = c.plusVal;
    World w;
    w.b->circuit = 100;
    AddCircuitMeter(*w.b, 500, 0, 1);
    EXPECT_EQ(w.b->circuit, c.circuitAfter) << c.plusVal;
  }
}

TEST_F(Gauges, GuardDamage) {
  const struct {
    const char* name;
    int32_t state;
    float quality, qualityMax, correct;
    int16_t guardCount;
    int pattern;  // 0 stand, 0/1 crouch, 0/2 air by frame
    int frame;
    uint8_t judged;
    float damage;
    float taken;
    float gaugeAfter;
    int result;
    int32_t stateAfter;
  } cases[] = {
      {"standing: quality + 1 times damage times 2", 1, 0.5f, 2.0f, 1.0f, 0, 0, 0, 0, 100.0f, 300.0f, 600.0f,
       0, 1},
      {"crouching factor", 1, 0.0f, 2.0f, 1.0f, 0, 0, 1, 0, 100.0f, 50.0f, 850.0f, 0, 1},
      {"airborne factor", 1, 0.0f, 2.0f, 1.0f, 0, 0, 2, 0, 100.0f, 300.0f, 600.0f, 0, 1},
      {"correction from the second guard", 1, 0.0f, 2.0f, 1.5f, 1, 0, 0, 0, 100.0f, 300.0f, 600.0f, 0, 1},
      {"no correction on the first guard", 1, 0.0f, 2.0f, 1.5f, 0, 0, 0, 0, 100.0f, 200.0f, 700.0f, 0, 1},
      {"a gain grows with quality", 1, 1.0f, 2.0f, 1.0f, 0, 0, 0, 0, -100.0f, -150.0f, 1000.0f, 2, 1},
      {"a gain without a quality maximum has no bonus", 1, 1.0f, 0.0f, 1.0f, 0, 0, 0, 0, -100.0f, -100.0f,
       1000.0f, 2, 1},
      {"breaking the guard", 1, 0.0f, 2.0f, 1.0f, 0, 0, 0, 0, 600.0f, 1200.0f, 0.0f, 1, 2},
      {"a broken gauge takes nothing", 2, 0.0f, 2.0f, 1.0f, 0, 0, 0, 0, 600.0f, 0.0f, 900.0f, 0, 2},
      {"a gauge in state 0 takes nothing", 0, 0.0f, 2.0f, 1.0f, 0, 0, 0, 0, 600.0f, 0.0f, 900.0f, 0, 0},
      {"nothing once the round is decided", 1, 0.0f, 2.0f, 1.0f, 0, 0, 0, 1, 600.0f, 0.0f, 900.0f, 0, 1},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    TypeParams& t = Row0();
    t.ggMaxVal = 1000.0f;
    t.gqMaxVal = c.qualityMax;
    t.ggCorrectVal = c.correct;
    t.guardGround = 2.0f;
    t.guardCrouch = 0.5f;
    t.guardAir = 3.0f;
    t.ggStopVal = 360;
    World w;
    BattleObject& o = *w.a;
    World::Enter(o, c.pattern, c.frame);
    o.guardGaugeState = c.state;
    o.guardGauge = 900.0f;
    o.guardQuality = c.quality;
    o.guardCount = c.guardCount;
    g_JudgeState = c.judged;
    float taken = -1.0f;
    const int r = GuardDamage(o, c.damage, &taken);
    EXPECT_EQ(taken, c.taken) << c.name;
    EXPECT_EQ(o.guardGauge, c.gaugeAfter) << c.name;
    EXPECT_EQ(r, c.result) << c.name;
    EXPECT_EQ(o.guardGaugeState, c.stateAfter) << c.name;
  }
}

TEST_F(Gauges, GuardQualityDecaysAfterItsStopAndKeepsTheTrainingFloor) {
  Row0().gqMaxVal = 2.0f;
  Row0().gqRecoverVal = 0.5f;
  Row0().gqStopVal = 1;
  World w;
  BattleObject& o = *w.a;
  o.guardGaugeState = 1;
  AddGuardQuality(o, 1.25f);
  EXPECT_EQ(o.guardQuality, 1.25f);
  EXPECT_EQ(o.guardQualityStop, 1);
  GuardQualityStep(o);
  EXPECT_EQ(o.guardQuality, 1.25f);
  GuardQualityStep(o);
  EXPECT_EQ(o.guardQuality, 0.75f);
  GuardQualityStep(o);
  GuardQualityStep(o);
  EXPECT_EQ(o.guardQuality, 0.0f);  // never below 0
  // A broken gauge takes no positive quality, but a negative one.
  o.guardGaugeState = 2;
  AddGuardQuality(o, 1.0f);
  EXPECT_EQ(o.guardQuality, 0.0f);
  // Training: setting 2 keeps at least half the maximum.
  g_GameModeFlags = MODE_TRAINING;
  g_BattleSeams.TrainingSetting = [](int index) { return index == 7 ? 2 : 0; };
  GuardQualityStep(o);
  EXPECT_EQ(o.guardQuality, 1.0f);
}

// ---- back-press tracker ----

TEST_F(Gauges, BackPressTracker) {
  const struct {
    const char* name;
    uint8_t guarding;
    std::vector<uint8_t> dirs;
    std::vector<int32_t> states;
  } cases[] = {
      {"neutral, back opens, release closes", 0, {0, 4, 4, 0}, {1, 10, 10, 255}},
      {"held back closes after 8 steps",
       0,
       {0, 4, 4, 4, 4, 4, 4, 4, 4, 4},
       {1, 10, 10, 10, 10, 10, 10, 10, 10, 255}},
      {"guarding closes after 6", 1, {0, 1, 7, 4, 4, 4, 4, 4}, {1, 10, 10, 10, 10, 10, 10, 255}},
      {"state 255 waits 8 steps and a non-back direction",
       0,
       {0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {1, 10, 255, 255, 255, 255, 255, 255, 255, 255, 0, 1}},
      {"back from the start must be released first", 0, {4, 4, 6, 4}, {0, 0, 1, 10}},
  };
  for (const auto& c : cases) {
    BattleObject o;
    o.guarding = c.guarding;
    std::vector<int32_t> states;
    for (uint8_t d : c.dirs) {
      o.inputDir = d;
      BackPressStep(o);
      states.push_back(o.exGuardState);
    }
    EXPECT_EQ(states, c.states) << c.name;
  }
  Row0().isExGuard = 1;
  BattleObject o;
  o.exGuardState = 10;
  EXPECT_EQ(IsExGuardInput(o), 1);
  Row0().isExGuard = 0;
  EXPECT_EQ(IsExGuardInput(o), 0);
}

// ---- damage-reduce window ----

TEST_F(Gauges, ReduceWindow) {
  // Per step: pressed, and the used flag set before the step (hit resolution's mark).
  struct Step {
    int pressed;
    int used;
  };
  const struct {
    const char* name;
    std::vector<Step> steps;
    std::string trace;  // state:timer per step
  } cases[] = {
      {"a press opens for 5, then cool-down 6, then closed",
       {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
       "2:5 2:4 2:3 2:2 2:1 1:6 1:5 1:4 1:3 1:2 1:1 0:0 "},
      {"a press in cool-down restarts it",
       {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 0}},
       "2:5 2:4 2:3 2:2 2:1 1:6 1:6 "},
      {"used and pressed re-opens for 4", {{1, 0}, {1, 1}, {0, 0}}, "2:5 2:4 2:3 "},
      {"used without a press closes", {{1, 0}, {0, 1}}, "2:5 0:4 "},
  };
  for (const auto& c : cases) {
    int32_t words[3] = {};
    ReduceWindow win{words[0], words[1], words[2]};
    std::string trace;
    for (const Step& s : c.steps) {
      if (s.used) words[2] = 1;
      ReduceWindowStep(win, s.pressed);
      trace += std::to_string(words[0]) + ":" + std::to_string(words[1]) + " ";
    }
    EXPECT_EQ(trace, c.trace) << c.name;
  }
}

TEST_F(Gauges, TrainingReduceWindowDrawsOnceAStep) {
  g_GameModeFlags = MODE_TRAINING;
  static int setting = 2;
  g_BattleSeams.TrainingSetting = [](int index) { return index == 12 ? setting : 0; };
  int32_t words[3] = {};
  ReduceWindow win{words[0], words[1], words[2]};
  // The expected parities, from a copy of the common stream.
  const RandStream saved = g_RandStreams[kRandCommonStream];
  std::vector<int32_t> expected;
  for (int i = 0; i < 20; ++i) expected.push_back(RandNext());
  g_RandStreams[kRandCommonStream] = saved;
  g_RandDrawCount = 0;
  for (int i = 0; i < 20; ++i) {
    ReduceWindowStep(win, 0);
    EXPECT_EQ(words[0], (expected[static_cast<size_t>(i)] & 1) ? kReduceOpen : kReduceCoolDown) << i;
    EXPECT_EQ(words[1], (expected[static_cast<size_t>(i)] & 1) ? 4 : 6) << i;
  }
  EXPECT_EQ(g_RandDrawCount, 20);
  setting = 1;
  ReduceWindowStep(win, 0);
  EXPECT_EQ(words[0], kReduceOpen);
  EXPECT_EQ(words[1], 4);
  EXPECT_EQ(g_RandDrawCount, 20);
}

// ---- circuit charge and meter add ----

TEST_F(Gauges, ChargeGrowsAndIsScaledByTheLock) {
  g_TypeSystem.mcChargePlus = 10;
  g_TypeSystem.mcChargeCntPlus = 30;
  g_TypeSystem.mcChargePlusMax = 12;
  Row0().magicCircuitMax = 30000;
  World w;
  BattleObject& o = *w.a;
  StartCharge(o);
  EXPECT_EQ(o.chargeActive, 1);
  std::vector<int32_t> gains;
  for (int i = 0; i < 6; ++i) {
    const int32_t before = o.circuit;
    CircuitChargeStep(o);
    gains.push_back(o.circuit - before);
  }
  // Count 30, 60, 90 keep the step; from 120 it grows by one up to the maximum.
  EXPECT_EQ(gains, (std::vector<int32_t>{10, 10, 10, 11, 12, 12}));
  o.circuitBreakTimer = 100;
  o.circuitBreakRate = 128;
  int32_t before = o.circuit;
  CircuitChargeStep(o);
  EXPECT_EQ(o.circuit - before, 6);
  o.circuitBreakRate = 20;  // 12 x 20 / 256 truncates to 0: nothing added
  before = o.circuit;
  CircuitChargeStep(o);
  EXPECT_EQ(o.circuit, before);
  o.hitReaction = 3;
  CircuitChargeStep(o);
  EXPECT_EQ(o.chargeActive, 0);
}

// The local charge total counts what the charge really added; a meter that came in negative
// from damaged data, or a total near the top, must not overflow it.
TEST_F(Gauges, ChargeTotalSaturates) {
  const struct {
    const char* name;
    int32_t circuit, total;
    int32_t circuitAfter, totalAfter;
  } cases[] = {
      {"plain gain", 100, 0, 110, 10},
      {"meter at the int minimum is clamped to 0", INT32_MIN, 0, 0, INT32_MAX},
      {"total near the top", 0, INT32_MAX - 5, 10, INT32_MAX},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    g_TypeSystem.mcChargePlus = 10;
    g_TypeSystem.mcChargePlusMax = 10;
    Row0().magicCircuitMax = 30000;
    g_BattleSeams.IsLocalSide = [](int side) { return side == 0 ? 1 : 0; };
    World w;
    StartCharge(*w.a);
    w.a->circuit = c.circuit;
    g_ChargeMeterTotal = c.total;
    CircuitChargeStep(*w.a);
    EXPECT_EQ(w.a->circuit, c.circuitAfter) << c.name;
    EXPECT_EQ(g_ChargeMeterTotal, c.totalAfter) << c.name;
  }
}

TEST_F(Gauges, AddCircuitMeter) {
  const struct {
    const char* name;
    int sparkType;
    int32_t max, circuit;
    uint8_t mode;
    int16_t lockTimer;
    int32_t delay;
    int amount, useRate;
    int32_t circuitAfter;
    uint8_t modeAfter;
    const char* gained;  // the side's round record of meter gained: "side:amount", "" untouched
  } cases[] = {
      {"plain add", 0, 30000, 100, 0, 0, 0, 500, 0, 600, 0, "1:500"},
      {"with the gain ratio", 0, 30000, 100, 0, 0, 0, 500, 1, 850, 0, "1:750"},
      {"a tenth during the gain delay", 0, 30000, 100, 0, 0, 50, 500, 0, 150, 0, "1:50"},
      {"never below 0", 0, 30000, 100, 0, 0, 0, -500, 0, 0, 0, "1:-500"},
      {"nothing in a heat mode", 0, 30000, 100, 1, 0, 0, 500, 0, 100, 1, ""},
      {"nothing under a hard lock", 0, 30000, 100, 0, 30, 0, 500, 0, 100, 0, ""},
      {"full meter enters mode 2 and keeps max - 10000", 0, 30000, 29900, 0, 0, 0, 500, 0, 20000, 2, "1:500"},
      {"spark type 1 keeps a third", 1, 30000, 29900, 0, 0, 0, 500, 0, 10000, 2, "1:500"},
      {"spark type 2 stays at the maximum", 2, 20000, 19900, 0, 0, 0, 500, 0, 20000, 0, "1:500"},
      {"a zero row has no maximum to fill", 0, 0, 0, 0, 0, 0, 500, 0, 0, 0, "1:500"},
      {"an add past the int range saturates", 0, INT32_MAX, INT32_MAX - 1, 0, 0, 0, 10, 0, INT32_MAX - 10000,
       2, "1:10"},
      {"a huge rated add saturates", 0, 30000, 0, 0, 0, 0, INT32_MAX, 1, 20000, 2, "1:2147483520"},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    Row0().sparkType = c.sparkType;
    Row0().magicCircuitMax = c.max;
    Row0().mcPlusVal = 1.5f;
    static std::string gained;
    gained.clear();
    g_BattleSeams.AddRoundMeterGained = [](int side, int amount) {
      gained += std::to_string(side) + ":" + std::to_string(amount);
    };
    World w;
    // Side 1's character, so that a side taken from anywhere else shows.
    BattleObject& o = *w.b;
    o.circuit = c.circuit;
    o.gaugeMode = c.mode;
    o.circuitBreakTimer = c.lockTimer;
    MeterGainDelay(*o.playerRecord) = c.delay;
    AddCircuitMeter(o, c.amount, 0, c.useRate);
    EXPECT_EQ(o.circuit, c.circuitAfter) << c.name;
    EXPECT_EQ(o.gaugeMode, c.modeAfter) << c.name;
    EXPECT_EQ(gained, c.gained) << c.name;
  }
}

// ---- shield ----

TEST_F(Gauges, ShieldWindows) {
  const struct {
    const char* name;
    int pattern;
    uint8_t mode;
    int32_t circuit;
    uint32_t buttons;
    uint8_t noCommand;
    int endsAtStep;  // 0: still shielding after 12 steps
    int32_t circuitAfter;
  } cases[] = {
      // Exact standing 3, keep 5: without D the shield ends on step 4.
      {"standing without D ends after the exact window", 40, 0, 1000, 0, 0, 4, 1000},
      {"crouching exact window 5", 41, 0, 1000, 0, 0, 6, 1000},
      {"airborne exact window 1", 42, 0, 1000, 0, 0, 2, 1000},
      {"D held pays each step and ends after the keep window", 40, 0, 1000, 0x8000, 0, 9, 750},
      {"D held ends when the meter cannot pay", 40, 0, 100, 0x8000, 0, 5, 0},
      {"D and another button ends", 40, 0, 1000, 0x8000 | 0x1000, 0, 4, 1000},
      {"D does not count while commands are off", 40, 0, 1000, 0x8000, 1, 4, 1000},
      {"heat mode holds for free", 40, 1, 1000, 0x8000, 0, 9, 1000},
      {"locked gauge mode ends", 40, 255, 1000, 0x8000, 0, 4, 1000},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    TypeParams& t = Row0();
    t.exShieldStand = 3;
    t.exShieldCrouch = 5;
    t.exShieldAir = 1;
    t.shieldKeepTime = 5;
    t.shieldCost = 50;
    World w;
    BattleObject& o = *w.a;
    World::Enter(o, c.pattern);
    o.gaugeMode = c.mode;
    o.circuit = c.circuit;
    o.inputButtons = c.buttons;
    o.noCommand = c.noCommand;
    o.throwInvuln = 9;
    int endedAt = 0;
    for (int step = 1; step <= 12 && endedAt == 0; ++step) {
      if (ShieldStep(o)) endedAt = step;
    }
    EXPECT_EQ(endedAt, c.endsAtStep) << c.name;
    EXPECT_EQ(o.circuit, c.circuitAfter) << c.name;
    EXPECT_EQ(o.throwInvuln, 0) << c.name;
    if (endedAt) {
      EXPECT_EQ(o.pendingFrame, 1) << c.name;
      EXPECT_EQ(o.pendingFramePriority, 2999) << c.name;
    }
  }
}

// Outside a shield frame the hold does nothing, the count included: it starts again only when a
// pattern change enters the next shield (see the object state tests).
TEST_F(Gauges, ShieldStepWaitsInHitStopAndLeavesItsCountOutsideAShield) {
  Row0().exShieldStand = 3;
  World w;
  BattleObject& o = *w.a;
  World::Enter(o, 40);
  o.hitStop = 2;
  EXPECT_EQ(ShieldStep(o), 0);
  EXPECT_EQ(o.shieldFrames, 0);
  o.hitStop = 0;
  o.hitVector = 5;
  o.hitVelX = 100;
  EXPECT_EQ(ShieldStep(o), 0);
  EXPECT_EQ(o.shieldFrames, 0);
  o.hitVector = 255;
  ShieldStep(o);
  ShieldStep(o);
  EXPECT_EQ(o.shieldFrames, 2);
  EXPECT_EQ(ShieldLevel(o), 2);
  World::Enter(o, 0);
  EXPECT_EQ(ShieldStep(o), 0);
  ShieldStep(o);
  EXPECT_EQ(o.shieldFrames, 2);
}

TEST_F(Gauges, ShieldLevelByType) {
  const struct {
    int shieldType;
    int32_t frames;
    int level;
  } cases[] = {{0, 3, 2}, {0, 4, 1}, {1, 1, 2}, {2, 1, 1}, {5, 0, 1}};
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    Row0().shieldType = c.shieldType;
    Row0().exShieldStand = 3;
    World w;
    World::Enter(*w.a, 40);
    w.a->shieldFrames = c.frames;
    EXPECT_EQ(ShieldLevel(*w.a), c.level) << c.shieldType << "/" << c.frames;
  }
}

TEST_F(Gauges, ShieldHeightCheck) {
  const struct {
    const char* name;
    int defenderFrame;  // pattern 0 frame: 0 stand, 1 crouch, 2 air
    int attackerFrame;
    int32_t psts, plvl;
    uint8_t attackerKind;
    int expected;
  } cases[] = {
      {"stand vs stand", 0, 0, 0, 0, 0, 1},
      {"stand vs crouch", 0, 1, 0, 0, 0, 0},
      {"crouch vs stand", 1, 0, 0, 0, 0, 0},
      {"crouch vs crouch", 1, 1, 0, 0, 0, 1},
      {"air vs crouch", 2, 1, 0, 0, 0, 1},
      {"class 1 level 0 passes for a crouch", 1, 0, 1, 0, 0, 1},
      {"class 1 level 0 from a crouch on a stand gives 2", 0, 1, 1, 0, 0, 2},
      {"spawned attacker passes", 0, 1, 0, 0, 255, 1},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    World w;
    World::Enter(*w.a, 0, c.defenderFrame);
    World::Enter(*w.b, 0, c.attackerFrame);
    w.b->patternRec->psts = c.psts;
    w.b->patternRec->plvl = c.plvl;
    w.b->kind = c.attackerKind;
    EXPECT_EQ(ShieldHeightCheck(*w.a, *w.b), c.expected) << c.name;
  }
}

TEST_F(Gauges, ShieldSuccessStopsTheAttackAndGrantsTheShield) {
  Row0().magicCircuitMax = 30000;
  Row0().shieldType = 0;
  World w;
  BattleObject& d = *w.a;
  BattleObject& a = *w.b;
  World::Enter(d, 40);
  a.hitsLeft = 2;
  a.patternRec->psts = 3;
  InputHistory& h = d.playerRecord->ext.history;
  h.head[4] = 5;
  h.frames[4][5] = 2;
  static std::vector<std::string> calls;
  calls.clear();
  g_BattleSeams.SpawnSystemEffect = [](BattleObject*, int code, const int32_t*, int) {
    calls.push_back("spark " + std::to_string(code));
  };
  const RandStream common = g_RandStreams[kRandCommonStream];
  ShieldSuccess(d, a, 2, ScreenRect{300, 200, 340, 260});
  EXPECT_EQ(a.hitsLeft, 1);
  EXPECT_EQ(a.registeredHits, 1);
  EXPECT_EQ(a.hitStop, 18);
  EXPECT_EQ(d.hitStop, 14);
  EXPECT_EQ(d.strikeInvuln, 18);
  EXPECT_EQ(d.shieldedClass, 3);
  EXPECT_EQ(d.shieldedAttacker, &a);
  EXPECT_EQ(d.target, &a);
  EXPECT_EQ(d.circuit, 500);
  EXPECT_EQ(d.shieldState, 2);
  EXPECT_EQ(d.childPurge, 1);
  EXPECT_EQ(h.frames[4][5], 30000);
  EXPECT_EQ(d.pendingFrame, 2);
  EXPECT_EQ(d.pendingFramePriority, 3000);
  EXPECT_EQ(calls, (std::vector<std::string>{"spark 115"}));
  // The spark takes three uncounted draws of the common stream.
  EXPECT_EQ(g_RandDrawCount, 0);
  RandStream after = g_RandStreams[kRandCommonStream];
  g_RandStreams[kRandCommonStream] = common;
  for (int i = 0; i < 3; ++i) RandInt(10);
  EXPECT_EQ(after.index, g_RandStreams[kRandCommonStream].index);
}

TEST_F(Gauges, ExactShieldInModeThreeCounters) {
  Row0().magicCircuitMax = 30000;
  World w;
  BattleObject& d = *w.a;
  World::Enter(d, 40);
  d.gaugeMode = 3;
  d.heatTimer = 300;
  d.gaugeModeMax = 600;
  ShieldSuccess(d, *w.b, 2, ScreenRect{0, 0, 10, 10});
  EXPECT_EQ(d.pendingPattern, 77);
  EXPECT_EQ(d.pendingSpend, 0xFFFF);
  EXPECT_EQ(d.shieldState, 0);
  EXPECT_EQ(d.penalty, 2500);  // 10000 x (0.5 - 0.5 x 0.5)
  EXPECT_EQ(d.penaltyHold, 30000);
  EXPECT_EQ(d.pendingFrame, -1);
}

TEST_F(Gauges, ShieldCheckFindsTheShieldingDefender) {
  Row0().exShieldStand = 3;
  Row0().magicCircuitMax = 30000;
  World w;
  BattleObject& d = *w.a;
  BattleObject& a = *w.b;
  // The attacker's frame gets an attack box and its attack data.
  Han6Pattern& p = *a.frameData->patterns->patterns[0];
  p.attackPool.push_back(Han6AttackData{});
  p.boxPool.push_back(Han6Box{});
  Han6Frame& f = p.frames[0];
  f.attack = &p.attackPool.back();
  f.attackBoxes.push_back(&p.boxPool.back());
  RefreshFramePointers(a);
  World::Enter(d, 40);
  static int overlaps = 0;
  overlaps = 0;
  g_BattleSeams.ShieldBoxesOverlap = [](BattleObject*, BattleObject*, ScreenRect* out) {
    ++overlaps;
    *out = ScreenRect{0, 0, 4, 4};
    return 1;
  };
  a.hitsLeft = 1;
  EXPECT_EQ(ShieldCheck(a), 1);
  EXPECT_EQ(d.shieldState, 2);
  EXPECT_EQ(d.circuit, 500);
  // The shielded attack is spent: while its boxes stay out it is not shielded (nor paid) again.
  EXPECT_EQ(a.hitsLeft, 0);
  d.shieldState = 0;
  EXPECT_EQ(ShieldCheck(a), 0);
  EXPECT_EQ(d.shieldState, 0);
  EXPECT_EQ(d.circuit, 500);
  a.hitsLeft = 1;
  // An attack that cannot be shielded, or a defender in a hit reaction, is not shielded.
  f.attack->atf1 = 0x2000;
  d.shieldState = 0;
  EXPECT_EQ(ShieldCheck(a), 0);
  f.attack->atf1 = 0;
  f.attack->atng = 1;
  f.attack->atgd = 0x8;
  EXPECT_EQ(ShieldCheck(a), 0);
  f.attack->atng = 0;
  d.hitReaction = 1;
  EXPECT_EQ(ShieldCheck(a), 0);
  d.hitReaction = 0;
  // Stand shield against a crouching attack: refused.
  World::Enter(a, 0, 1);
  Han6Frame& crouch = p.frames[1];
  crouch.attack = f.attack;
  crouch.attackBoxes = f.attackBoxes;
  RefreshFramePointers(a);
  EXPECT_EQ(ShieldCheck(a), 0);
}

}  // namespace

namespace {

// The state step reaches every hook: the reduce window before the freeze gate, the pending
// spend, the guard gauge, and the shield's end taken in the same step's change loop.
TEST_F(Gauges, StateStepRunsTheGaugeHooks) {
  InstallGaugeAndPartnerSeams();
  TypeParams& t = Row0();
  t.exShieldStand = 1;
  t.ggMaxVal = 1000.0f;
  t.ggRecoverVal = 10;
  World w;
  BattleObject& o = *w.a;
  World::Enter(o, 40);
  o.circuit = 3000;
  o.inputButtons = 0x1;
  SpendMeter(o, 1000);
  ObjectStateStep(o);
  EXPECT_EQ(o.playerRecord->ext.timedState[0], kReduceOpen);
  EXPECT_EQ(o.playerRecord->ext.timedState[1], 5);
  EXPECT_EQ(o.circuit, 2000);
  EXPECT_EQ(o.guardGauge, 100.0f);
  EXPECT_EQ(o.shieldFrames, 1);
  EXPECT_EQ(o.frame, 0);
  ObjectStateStep(o);
  EXPECT_EQ(o.pattern, 40);
  EXPECT_EQ(o.frame, 1);
  // The shield has ended; its count stays until the next shield starts.
  EXPECT_EQ(o.shieldFrames, 2);
}

}  // namespace
