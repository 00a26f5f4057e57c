// The state machine and movement: frame flow, queued changes, reactions, landing, momentum,
// the stage edges, and the guards that keep bad data from looping.
#include "battle/object_state.h"

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "battle/chara_command.h"
#include "battle/object_move.h"
#include "battle/object_pool.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using battle_test::FrameDef;
using battle_test::Motion;
using battle_test::PlaceCharacter;
using battle_test::TestFrameData;
using ObjectState = BattleTest;

FrameDef F(uint16_t duration, uint8_t endAction = 1, int16_t jump = 0) {
  FrameDef f;
  f.duration = duration;
  f.endAction = endAction;
  f.jump = jump;
  f.free = 1;
  return f;
}

// "pattern:frame" after each of n steps.
std::string Trace(BattleObject& o, int n) {
  std::string t;
  for (int i = 0; i < n; ++i) {
    ObjectStateStep(o);
    t += std::to_string(o.pattern) + ":" + std::to_string(o.frame) + " ";
  }
  return t;
}

TEST_F(ObjectState, FrameFlow) {
  FrameDef loadLoop = F(1);
  loadLoop.loopCount = 3;
  FrameDef loopBack = F(1, 2, 1);
  loopBack.flow = 0x02;
  loopBack.loopExit = 2;
  FrameDef loopToCounter = loopBack;
  loopToCounter.jump = 0;
  FrameDef relative = F(1, 0, 2);
  relative.flow = 0x04;
  const struct {
    const char* name;
    std::vector<FrameDef> frames;
    int steps;
    const char* trace;
  } cases[] = {
      {"duration 0 and 1 last one step", {F(0), F(1), F(2, 3)}, 4, "1:1 1:2 1:2 1:2 "},
      {"end action 0 enters the next pattern in the same step", {F(2, 0, 0)}, 3, "1:0 0:0 0:0 "},
      {"counted loop plays the body three times", {loadLoop, loopBack, F(9, 3)}, 5, "1:1 1:1 1:1 1:2 1:2 "},
      {"a jump back to the counter frame reloads it",
       {loadLoop, loopToCounter, F(9, 3)},
       8,
       "1:1 1:0 1:1 1:0 1:1 1:0 1:1 1:0 "},
      {"relative end target", {relative}, 1, "3:0 "},
      {"a bad jump target falls back to pattern 0", {F(1, 2, 7)}, 1, "0:0 "},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    TestFrameData data;
    data.Pattern(0, {F(100, 3)});
    data.Pattern(3, {F(100, 3)});
    data.Pattern(1, c.frames);
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    o.pattern = 1;
    o.frame = 0;
    SetPattern(o);
    EXPECT_EQ(Trace(o, c.steps), c.trace) << c.name;
  }
}

TEST_F(ObjectState, ChangePatternRequests) {
  const struct {
    int pendingPriority;
    int pattern, same, priority;
    int accepted, pending;
  } cases[] = {
      {-1, 5, 0, 0, 1, 5}, {3, 5, 0, 3, 0, -1},   // equal priority keeps the first
      {3, 5, 0, 4, 1, 5},  {-1, 2, 0, 9, 0, -1},  // the current pattern needs sameFlag
      {-1, 2, 1, 9, 1, 2}, {9, 2, 1, 9, 0, -1},
  };
  for (const auto& c : cases) {
    BattleObject o;
    o.pattern = 2;
    o.pendingPattern = -1;
    o.pendingPriority = static_cast<int16_t>(c.pendingPriority);
    EXPECT_EQ(ChangePattern(o, c.pattern, c.same, c.priority), c.accepted);
    EXPECT_EQ(o.pendingPattern, c.pending);
  }
}

TEST_F(ObjectState, QueuedReactionTakesPrecedenceOverAQueuedPattern) {
  TestFrameData data;
  data.Pattern(0, {F(100, 3)});
  data.Pattern(20, {F(100, 3)});
  data.Pattern(50, {F(100, 3)});
  BattleObject& o = PlaceCharacter(0, data.Set(), 0);
  SetPattern(o);
  ChangePattern(o, 20, 0, 5);
  const int32_t block[7] = {9, 1, 50, 0, 0, 0, 0};
  QueueReaction(o, block);
  ObjectStateStep(o);
  EXPECT_EQ(o.pattern, 50);
  EXPECT_EQ(o.reaction[0], 9);
  // The ended reaction leaves a kind-0 block queued (an invalid queue is cleared to zeros).
  EXPECT_EQ(o.pendingReaction[0], 0);
  // A weaker queued block does not replace a stronger one.
  const int32_t strong[7] = {8, 5, 0, 0, 0, 0, 0}, weak[7] = {5, 4, 0, 0, 0, 0, 0};
  QueueReaction(o, strong);
  QueueReaction(o, weak);
  EXPECT_EQ(o.pendingReaction[0], 8);
}

TEST_F(ObjectState, JumpLandsAtTheInterpolatedPointAndEndsThePattern) {
  TestFrameData data;
  FrameDef stand = F(100, 3);
  data.Pattern(0, {stand});
  FrameDef air = F(100, 3);
  air.stance = 1;
  air.free = 0;
  air.flow = 0x01;
  air.landing = 0;
  air.motion = Motion(0x11, 300, -1200, 0, 150);
  data.Pattern(35, {air});
  BattleObject& o = PlaceCharacter(0, data.Set(), 0);
  SetPattern(o);
  ChangePattern(o, 35, 0, 10);
  std::vector<int32_t> ys;
  int landedAt = -1;
  for (int i = 0; i < 40 && landedAt < 0; ++i) {
    ObjectStateStep(o);
    ObjectPhysicsStep(o);
    ys.push_back(o.posY);
    if (o.landed) {
      landedAt = i;
      ObjectStateStep(o);  // the landing is handled by the next state step
    }
  }
  ASSERT_GE(landedAt, 0);
  EXPECT_EQ(o.posY, 0);
  EXPECT_EQ(o.pattern, 0);
  // Velocity -1200 + 150 per step (added before the move): y after k steps is
  // -1200k + 75k(k + 1), first below the ground at k = 16, the 16th physics step.
  EXPECT_EQ(landedAt, 15);
  EXPECT_LT(*std::min_element(ys.begin(), ys.end()), -4000);
}

TEST_F(ObjectState, InterpolateLandingUses64BitProducts) {
  const struct {
    int32_t x, y, dx, dy, wantX;
  } cases[] = {
      {1000, 50, 200, 100, 1000 + 200 * (100 - 50) / 100 - 200},
      {0, 1000000, 2000000000, 1500000,
       static_cast<int32_t>(2000000000ll * (1500000 - 1000000) / 1500000 - 2000000000ll)},
      {500, 0, 100, 10, 500},  // not below the ground: unchanged
  };
  for (const auto& c : cases) {
    BattleObject o;
    o.posX = c.x;
    o.posY = c.y;
    InterpolateLanding(o, c.dx, c.dy);
    EXPECT_EQ(o.posX, c.wantX) << c.x;
    EXPECT_LE(o.posY, 0);
  }
}

TEST_F(ObjectState, StageEdgesAndTheDistanceLimit) {
  TestFrameData data;
  data.Pattern(0, {F(100, 3)});
  BattleObject& a = PlaceCharacter(0, data.Set(), 60000);
  BattleObject& b = PlaceCharacter(1, data.Set(), -20000, 1);
  SetPattern(a);
  SetPattern(b);
  MoveObject(a, 10000, 0);
  EXPECT_EQ(a.posX, 65536);
  EXPECT_EQ(a.wallTouch, 1);
  MoveObject(b, -60000, 0);
  EXPECT_EQ(a.posX - b.posX, kMaxCharaDistance);
  EXPECT_EQ(b.wallTouch, 2);
  // Spawned objects are never corrected.
  BattleObject s;
  s.kind = kKindSpawned;
  s.posX = 200000;
  EXPECT_EQ(StageEdgeCorrection(s, 0), 0);
}

TEST_F(ObjectState, SpeedStopAndMomentum) {
  TestFrameData data;
  FrameDef dash = F(100, 3);
  dash.motion = Motion(0x10, 100, 0, 50, 0);
  dash.asmx = 300;
  dash.asf0 = 0x1;  // remember the x velocity as momentum
  FrameDef stand = F(100, 3);
  stand.motion = Motion(0x11, 0, 0, 0, 0);
  data.Pattern(0, {stand});
  data.Pattern(20, {dash});
  BattleObject& o = PlaceCharacter(0, data.Set(), 0);
  SetPattern(o);
  ChangePattern(o, 20, 0, 1);
  ObjectStateStep(o);
  std::vector<int32_t> vels;
  for (int i = 0; i < 6; ++i) {
    ObjectPhysicsStep(o);
    vels.push_back(o.velX);
  }
  EXPECT_EQ(vels, (std::vector<int32_t>{150, 200, 250, 300, 300, 300}));
  EXPECT_EQ(o.accX, 0);
  // Leaving the pattern carries the velocity on as momentum, decaying by a tenth.
  ChangePattern(o, 0, 0, 1);
  ObjectStateStep(o);
  EXPECT_EQ(o.inertiaX, 300);
  EXPECT_EQ(o.inertiaDecay, 30);
  const int32_t x0 = o.posX;
  ObjectPhysicsStep(o);
  EXPECT_EQ(o.posX - x0, 300);
  EXPECT_EQ(o.inertiaX, 270);
}

TEST_F(ObjectState, BadDataTerminates) {
  // Every frame goes on to the next and pattern 0 is missing: skipping forward ends.
  TestFrameData data;
  data.Pattern(5, {F(1), F(1), F(1)});
  BattleObject& o = PlaceCharacter(0, data.Set(), 0);
  o.pattern = 5;
  o.reaction[0] = 5;
  SkipForwardFrames(o);
  EXPECT_EQ(o.frameRec, nullptr);
  for (int i = 0; i < 5; ++i) ObjectStateStep(o);  // no frame at all: nothing advances, nothing crashes

  // A pattern whose first frame spawns itself: the chain stops at the depth limit and the
  // deepest object keeps its effects for the next effect pass.
  battle_test::ResetWorld();
  TestFrameData chain;
  FrameDef spawnSelf = F(100, 3);
  spawnSelf.effects.push_back(battle_test::Effect(1, 60));
  chain.Pattern(0, {F(100, 3)});
  chain.Pattern(60, {spawnSelf});
  BattleObject& c = PlaceCharacter(0, chain.Set(), 0);
  c.pattern = 60;
  SetPattern(c);
  int live = 0, pending = 0;
  for (const ObjectPoolSlot& s : g_ObjectPool) {
    live += s.inUse;
    pending += s.inUse && s.obj.effectsPending;
  }
  EXPECT_EQ(live, kMaxEntryDepth);
  EXPECT_EQ(pending, 1);
  RunPoolObjectEffects();
  int after = 0;
  for (const ObjectPoolSlot& s : g_ObjectPool) after += s.inUse;
  EXPECT_GT(after, live);
}

TEST_F(ObjectState, PenaltyDecayTable) {
  const struct {
    int16_t penalty, hold;
    int16_t wantPenalty, wantHold;
  } cases[] = {{9500, 0, 9475, 0}, {9000, 0, 8968, 0}, {1000, 0, 930, 0},
               {30, 0, 0, 0},      {5000, 3, 5000, 2}, {5000, 30000, 5000, 30000}};
  for (const auto& c : cases) {
    BattleObject o;
    o.penalty = c.penalty;
    o.penaltyHold = c.hold;
    DecayPenalty(o);
    EXPECT_EQ(o.penalty, c.wantPenalty) << c.penalty;
    EXPECT_EQ(o.penaltyHold, c.wantHold) << c.penalty;
  }
}

}  // namespace

namespace {
// A hit vector past the end of the table (vectors come from attack data) reads as absent.
TEST_F(ObjectState, LandingStepOfAHitVectorPastTheTable) {
  TestFrameData data;
  data.Pattern(0, {F(100, 3)});
  BattleObject& o = PlaceCharacter(0, data.Set(), 0);
  o.hitVector = 200;
  o.landingJump = 1;
  SetPattern(o);
  EXPECT_EQ(o.hitVectorStep, 1);
  EXPECT_EQ(o.pendingPattern, -1);
  EXPECT_EQ(o.landingJump, 0);
}
}  // namespace

namespace {
// Positions and velocities wrap as int32 stores; nothing in the movement overflows.
TEST_F(ObjectState, ExtremeVelocitiesWrapWithoutOverflow) {
  TestFrameData data;
  data.Pattern(0, {F(100, 3)});
  BattleObject& a = PlaceCharacter(0, data.Set(), 0);
  BattleObject& b = PlaceCharacter(1, data.Set(), 0);
  SetPattern(a);
  SetPattern(b);
  a.velX = INT32_MAX - 5;
  a.accX = 100;
  a.velY = INT32_MAX - 5;
  a.accY = 100;
  ObjectPhysicsStep(a);
  EXPECT_GE(a.posX, -kStageHalfWidth);
  EXPECT_LE(a.posX, kStageHalfWidth);
  EXPECT_LE(a.posX - b.posX, kMaxCharaDistance);
}
}  // namespace

namespace {
// The mode's maximum is value / ratio in float32, truncated: near integer results the float32
// quotient lands on either side of the exact one, and every machine must land on the same side.
TEST_F(ObjectState, GaugeModeMaximumIsAFloat32Quotient) {
  TestFrameData data;
  data.Pattern(0, {F(100, 3)});
  const struct {
    int32_t circuit, value;
    int16_t max;
  } cases[] = {{1000, 500, 14999}, {527, 500, 28463}, {960, 500, 15624}, {1000, 750, 22499},
               {15000, 600, 1200}, {0, 500, 30000},   {10, 500, 30000}};
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    g_TypeParams[0].magicCircuitMax = 30000;
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    o.circuit = c.circuit;
    SetGaugeMode(o, c.value, 2, 0);
    EXPECT_EQ(o.gaugeModeMax, c.max) << c.circuit << " " << c.value;
    EXPECT_EQ(o.gaugeMode, 2);
  }
}
}  // namespace

namespace {
// The recovery rate rises by 1/60 per step in float32: from 0 it takes 61 steps, not 60, to
// reach 1.0; a recovery delay holds it first.
TEST_F(ObjectState, RecoveryRateRisesInFloat32) {
  TestFrameData data;
  data.Pattern(0, {F(1000, 3)});
  BattleObject& o = PlaceCharacter(0, data.Set(), 0);
  SetPattern(o);
  PlayerExtension& e = g_PlayerRecords[0].ext;
  e.recoveryRate = 0.0f;
  e.recoveryDelay = 3;
  for (int i = 0; i < 3; ++i) ObjectStateStep(o);
  EXPECT_EQ(e.recoveryDelay, 0);
  EXPECT_EQ(e.recoveryRate, 1.0f / 60.0f);  // the step that reached 0 already rose once
  e.recoveryRate = 0.0f;
  for (int i = 0; i < 60; ++i) ObjectStateStep(o);
  EXPECT_EQ(e.recoveryRate, 0.999999702f);
  ObjectStateStep(o);
  EXPECT_EQ(e.recoveryRate, 1.0f);
}
}  // namespace

namespace {
// Sending a character back (mode 2) moves every other character at or behind it forward by 4,
// except a giant character, which keeps its place; the one sent back then stays in front of it.
TEST_F(ObjectState, SendingBackPassesOverAGiantCharacter) {
  TestFrameData data;
  data.Pattern(0, {F(100, 3)});
  static int giantSlot;
  g_BattleSeams.IsGiantCharacter = [](const BattleObject* o) { return o->playerIndex == giantSlot ? 1 : 0; };
  const struct {
    int giant;  // slot of the giant character, -1 none
    int16_t a, b, c;
  } cases[] = {{-1, 113, 128, 124}, {1, 116, 124, 124}, {2, 116, 128, 120}};
  for (const auto& t : cases) {
    battle_test::ResetWorld();
    g_BattleSeams.IsGiantCharacter = [](const BattleObject* o) {
      return o->playerIndex == giantSlot ? 1 : 0;
    };
    giantSlot = t.giant;
    BattleObject& a = PlaceCharacter(0, data.Set(), 0);
    BattleObject& b = PlaceCharacter(1, data.Set(), 0);
    BattleObject& c = PlaceCharacter(2, data.Set(), 0);
    b.drawPriority = 124;
    c.drawPriority = 120;
    SetDrawPriorityMode(a, 2);
    EXPECT_EQ(a.drawPriority, t.a) << t.giant;
    EXPECT_EQ(b.drawPriority, t.b) << t.giant;
    EXPECT_EQ(c.drawPriority, t.c) << t.giant;
  }
}

TEST_F(ObjectState, OpponentRecordByTargetOrProcessingOrder) {
  TestFrameData data;
  data.Pattern(0, {F(100, 3)});
  BattleObject& a = PlaceCharacter(0, data.Set(), 0);
  BattleObject& b = PlaceCharacter(1, data.Set(), 0);
  PlaceCharacter(3, data.Set(), 0);
  // Order 3, 1, 0, 2 with slot 2 free.
  g_PlayerOrder[0] = &g_PlayerRecords[3];
  g_PlayerOrder[1] = &g_PlayerRecords[1];
  g_PlayerOrder[2] = &g_PlayerRecords[0];
  g_PlayerOrder[3] = &g_PlayerRecords[2];
  a.target = &b;
  EXPECT_EQ(GetOpponentRecord(a, 0), &g_PlayerRecords[1]);
  EXPECT_EQ(GetOpponentRecord(a, 1), &g_PlayerRecords[3]);  // the order without the target
  EXPECT_EQ(GetOpponentRecord(a, 2), &g_PlayerRecords[0]);
  EXPECT_EQ(GetOpponentRecord(a, 3), &g_PlayerRecords[2]);
  EXPECT_EQ(GetOpponentRecord(a, 4), nullptr);
  a.target = nullptr;
  EXPECT_EQ(GetOpponentRecord(a, 0), &g_PlayerRecords[3]);
  EXPECT_EQ(GetOpponentRecord(a, 3), nullptr);  // slot 2 is not in use
  // A target without a record (a pool object) counts as no target.
  BattleObject spawned{};
  a.target = &spawned;
  EXPECT_EQ(GetOpponentRecord(a, 1), &g_PlayerRecords[1]);
}

// The end of the timed mode 3: circuit emptied; the special mode 5 follows with a ratio of 160
// or with training's unlimited circuit gauge.
TEST_F(ObjectState, EndOfGaugeMode3ByRatioAndTrainingOption) {
  TestFrameData data;
  data.Pattern(0, {F(100, 3)});
  static int option;
  const struct {
    int32_t gameMode, ratio;
    int training;
    uint8_t mode;
  } cases[] = {{0x1, 100, 3, 0}, {0x1, 160, 0, 5}, {0x1010, 100, 3, 5}, {0x1010, 100, 2, 0}};
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    option = c.training;
    g_BattleSeams.TrainingSetting = [](int entry) { return entry == kTrainingCircuitGauge ? option : 0; };
    g_GameModeFlags = c.gameMode;
    g_PlayerSelections[0].ratio = c.ratio;
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    SetPattern(o);
    o.gaugeMode = 3;
    o.heatTimer = 1;
    o.circuit = 20000;
    GaugeStep(o);
    EXPECT_EQ(o.gaugeMode, c.mode) << c.gameMode << " " << c.ratio << " " << c.training;
    EXPECT_EQ(o.circuit, 0);
    EXPECT_EQ(CanEnterGaugeMode(o, 5), c.gameMode == 0x1010 && c.training == 3 && c.mode != 5 ? 1 : 0);
  }
}

// Heat regeneration raises life up to the recoverable life and no further, whatever rate the
// type file gives.
TEST_F(ObjectState, HeatRegenerationStopsAtTheRedLife) {
  TestFrameData data;
  data.Pattern(0, {F(100, 3)});
  const struct {
    int32_t rate, life, redLife, wantLife;
  } cases[] = {
      {5, 100, 200, 105}, {5, 198, 200, 200}, {INT32_MAX, 100, 200, 200}, {INT32_MAX, 9000, 10000, 10000}};
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    g_TypeParams[0].heatHpPlus = c.rate;
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    SetPattern(o);
    o.gaugeMode = 1;
    o.heatTimer = 10;
    o.life = c.life;
    o.redLife = c.redLife;
    GaugeStep(o);
    EXPECT_EQ(o.life, c.wantLife) << c.rate << " " << c.life;
    EXPECT_EQ(o.heatTimer, 9);
  }
}

// Every 60th count of a timed mode spawns the gauge spark, not while the screen is dimmed.
TEST_F(ObjectState, GaugeSparkWaitsWhileTheScreenIsDimmed) {
  TestFrameData data, common;
  data.Pattern(0, {F(100, 3)});
  for (int p = 104; p <= 108; ++p) common.Pattern(p, {F(100, 3)});
  for (int dimmed : {0, 1}) {
    battle_test::ResetWorld();
    g_CommonFrameData.patterns = common.Set()->patterns;
    static int dim;
    dim = dimmed;
    g_BattleSeams.IsScreenDimmed = [] { return dim; };
    g_BattlePhase = 1;
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    SetPattern(o);
    o.gaugeMode = 1;
    o.heatTimer = 500;
    o.gaugeCount = 59;
    GaugeStep(o);
    int live = 0;
    for (const ObjectPoolSlot& s : g_ObjectPool) live += s.inUse;
    EXPECT_EQ(live, dimmed ? 0 : 1) << dimmed;
    // One draw of stream 1 per spark, none without: the stream's next value tells.
    const int32_t next = RandStreamNext(1);
    SeedRandomGeneratorsFrom(12345);
    if (!dimmed) RandStreamNext(1);
    EXPECT_EQ(next, RandStreamNext(1)) << dimmed;
    g_CommonFrameData.patterns = nullptr;
  }
}

// A shield grant not spent by the new pattern costs the penalty, and the local side's
// achievement 9; another side's grant queues nothing.
TEST_F(ObjectState, UnspentShieldGrantQueuesTheLocalSidesAchievement) {
  TestFrameData data;
  data.Pattern(0, {F(100, 3)});
  data.Pattern(1, {F(100, 3)});
  data.Pattern(2, {F(100, 3)});
  static std::vector<int> queued;
  for (int local : {1, 0}) {
    battle_test::ResetWorld();
    queued.clear();
    static int isLocal;
    isLocal = local;
    g_BattleSeams.IsLocalSide = [](int side) { return side == 0 && isLocal ? 1 : 0; };
    g_BattleSeams.QueueAchievement = [](int id) {
      queued.push_back(id);
      return 0;
    };
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    o.pattern = 1;
    SetPattern(o);
    o.shieldState = 1;
    ChangePattern(o, 2, 0, 10);
    ObjectStateStep(o);
    EXPECT_EQ(o.pattern, 2);
    EXPECT_EQ(o.penalty, 5460);
    EXPECT_EQ(queued, local ? std::vector<int>{9} : std::vector<int>{});
  }
}
}  // namespace

namespace {
// The route achievement counters close on arcade route stages of kind 8 and 15 only; the
// reaction mark is cleared in every case.
TEST_F(ObjectState, RouteAchievementCountersCloseOnKinds8And15) {
  static int32_t kind;
  static std::vector<int> closed;
  g_BattleSeams.MainRouteStage = [](int32_t* info, std::string*) {
    info[0] = kind;
    return 1;
  };
  g_BattleSeams.CloseStageAchievementCounters = [](int k) { closed.push_back(k); };
  const struct {
    int32_t mode, kind;
    bool closes;
  } cases[] = {{0x10, 8, true}, {0x10, 15, true}, {0x10, 32, false}, {0x11, 8, false}};
  BattleObject o{};
  for (const auto& c : cases) {
    closed.clear();
    g_GameModeFlags = c.mode;
    kind = c.kind;
    o.tradeMark = 255;
    CloseRouteAchievementCounters(o);
    EXPECT_EQ(o.tradeMark, 0);
    EXPECT_EQ(closed, c.closes ? std::vector<int>{c.kind} : std::vector<int>{}) << c.mode << " " << c.kind;
  }
}
}  // namespace

namespace {
// The speed cap armed by a pattern applies at the next pattern: the x speed is limited to the
// character's gravity max-x in the facing direction and the fall takes its add-y. Objects
// without a command table (afterimages, failed slots, pool objects) and zero values read the
// standard 1000 and 150.
TEST_F(ObjectState, SpeedCapReadsTheCharactersGravityOrTheStandardOne) {
  TestFrameData data;
  data.Pattern(0, {F(100, 3)});
  const struct {
    const char* name;
    bool table;
    int32_t maxX, addY;
    uint8_t facing;
    int32_t velX;
    int16_t capPattern;
    int32_t wantVelX;
    int16_t wantAccY;
  } cases[] = {
      {"the character's own", true, 600, 90, 0, 900, 5, 600, 90},
      {"facing left", true, 600, 90, 1, -900, 5, -600, 90},
      {"slower than the cap", true, 600, 90, 0, 300, 5, 300, 90},
      {"zero values read the standard", true, 0, 0, 0, 1500, 5, 1000, 150},
      {"no command table", false, 0, 0, 0, 1500, 5, 1000, 150},
      {"not armed", true, 600, 90, 0, 900, 0, 900, 7},
      {"armed by the current pattern", true, 600, 90, 0, 900, 0 + 1, 900, 7},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    SetPattern(o);
    if (c.table) {
      g_PlayerRecords[0].ext.commandTable = std::make_unique<CharaCommandTable>();
      g_PlayerRecords[0].ext.commandTable->gravityMaxX = c.maxX;
      g_PlayerRecords[0].ext.commandTable->gravityAddY = c.addY;
    } else {
      o.playerRecord = nullptr;
    }
    o.pattern = c.capPattern == 1 ? 1 : 0;
    o.facing = c.facing;
    o.velX = c.velX;
    o.accY = 7;
    o.accX = 3;
    o.speedCapPattern = c.capPattern;
    ApplySpeedCap(o);
    EXPECT_EQ(o.velX, c.wantVelX) << c.name;
    EXPECT_EQ(o.accY, c.wantAccY) << c.name;
    EXPECT_EQ(o.speedCapPattern, c.wantAccY == 7 ? c.capPattern : o.pattern) << c.name;
  }
}
}  // namespace

namespace {
// A chain that goes down in level with the chain penalty on costs 4100 and shows the penalty
// banner (10) on its side; the local side also earns achievement 13. Equal levels without a level
// cost 150 and show nothing.
TEST_F(ObjectState, ChainGoingDownALevelQueuesTheLocalSidesAchievement) {
  static std::vector<int> queued;
  static std::vector<int> banners;
  const struct {
    int local;
    int16_t oldLevel, newLevel;
    int16_t penalty;
    std::vector<int> want;
  } cases[] = {{1, 2, 1, 4100, {13}}, {0, 2, 1, 4100, {}}, {1, 0, 0, 150, {}}, {1, 1, 2, 0, {}}};
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    queued.clear();
    banners.clear();
    g_BattleSeams.PushHudNotice = [](int side, int kind) { banners.push_back(side * 100 + kind); };
    static int local;
    local = c.local;
    g_BattleSeams.IsLocalSide = [](int) { return local; };
    g_BattleSeams.QueueAchievement = [](int id) {
      queued.push_back(id);
      return 0;
    };
    g_TypeParams[0].reverseBeat = 1;
    TestFrameData data;
    data.Pattern(0, {F(100, 3)});
    FrameDef attack = F(100, 3);
    attack.free = 0;
    Han6Pattern& from = data.Pattern(1, {attack});
    Han6Pattern& to = data.Pattern(2, {attack});
    from.psts = to.psts = 1;
    from.plvl = c.oldLevel;
    to.plvl = c.newLevel;
    from.statePool.front().ascn = 1;
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    o.pattern = 1;
    SetPattern(o);
    ChangePattern(o, 2, 0, 10);
    ObjectStateStep(o);
    EXPECT_EQ(o.pattern, 2);
    EXPECT_EQ(o.penalty, c.penalty) << c.oldLevel << " " << c.newLevel;
    EXPECT_EQ(queued, c.want) << c.local << " " << c.oldLevel << " " << c.newLevel;
    EXPECT_EQ(banners, c.penalty == 4100 ? std::vector<int>{10} : std::vector<int>{});
  }
}
}  // namespace

namespace {
// Entering a shield frame (a type 51 condition) by a pattern change starts a fresh shield: the
// grant, the shield's step count and the last shielded attacker are cleared. Without one the
// step count and the attacker are left to the shield step.
TEST_F(ObjectState, PatternChangeIntoAShieldFrameStartsAFreshShield) {
  Han6Condition shieldCond{};
  shieldCond.type = 51;
  const struct {
    const char* name;
    bool shieldFrame;
    int32_t wantFrames;
    bool wantAttacker;
  } cases[] = {{"into a shield frame", true, 0, false}, {"into a plain frame", false, 20, true}};
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    TestFrameData data;
    data.Pattern(0, {F(100, 3)});
    FrameDef shield = F(100, 3);
    shield.conditions.push_back(shieldCond);
    data.Pattern(1, {shield});
    FrameDef next = F(100, 3);
    if (c.shieldFrame) next.conditions.push_back(shieldCond);
    data.Pattern(2, {next});
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    BattleObject& attacker = PlaceCharacter(1, data.Set(), 0);
    o.pattern = 1;
    SetPattern(o);
    o.shieldFrames = 20;
    o.shieldedAttacker = &attacker;
    ChangePattern(o, 2, 0, 10);
    ObjectStateStep(o);
    ASSERT_EQ(o.pattern, 2) << c.name;
    EXPECT_EQ(o.shieldState, 0) << c.name;
    EXPECT_EQ(o.shieldFrames, c.wantFrames) << c.name;
    EXPECT_EQ(o.shieldedAttacker != nullptr, c.wantAttacker) << c.name;
  }
}
}  // namespace

namespace {
// Modes 23 and 24 follow the parent's priority, both when the mode is set and at every state
// step; a parent that is gone (its slot freed) leaves the priority as it was.
TEST_F(ObjectState, ParentPriorityModesFollowALiveParentOnly) {
  const struct {
    const char* name;
    int mode;
    bool characterParent, parentFreed;
    int16_t want;
  } cases[] = {
      {"23 over a pool parent", 23, false, false, 131}, {"24 under a pool parent", 24, false, false, 129},
      {"23 over a character", 23, true, false, 121},    {"23, the parent is gone", 23, false, true, 100},
      {"24, the parent is gone", 24, false, true, 100},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    ObjectPoolSlot& ps = g_ObjectPool[5];
    ps.inUse = 1;
    ps.obj.kind = kKindSpawned;
    ps.obj.drawPriority = 130;
    PlayerRecord& r = g_PlayerRecords[0];
    r.inUse = 1;
    r.obj.drawPriority = 120;
    BattleObject& child = g_ObjectPool[6].obj;
    g_ObjectPool[6].inUse = 1;
    child.kind = kKindSpawned;
    child.drawPriority = 100;
    child.parent = c.characterParent ? &r.obj : &ps.obj;
    if (c.parentFreed) ps.inUse = 0;
    SetDrawPriorityMode(child, c.mode);
    EXPECT_EQ(child.drawPriority, c.want) << c.name;
    // The parent moves; the state step's parent pass follows it while it lives.
    ps.obj.drawPriority = 140;
    r.obj.drawPriority = 110;
    ApplyParentPriority(child);
    const int16_t moved =
        c.parentFreed ? 100 : static_cast<int16_t>((c.characterParent ? 110 : 140) + (c.mode == 23 ? 1 : -1));
    EXPECT_EQ(child.drawPriority, moved) << c.name;
  }
}
}  // namespace

namespace {
// A mode's length scales by the gauge ratio in float32, truncated; the current mode gives the
// heat timer itself. A meter far above a tiny maximum (frame data sets the meter freely) gives
// the longest length, never a negative one.
TEST_F(ObjectState, GaugeModeLengthScalesByTheRatio) {
  TestFrameData data;
  data.Pattern(0, {F(100, 3)});
  const struct {
    int32_t circuit, circuitMax, sparkType;
    uint8_t gaugeMode;
    int mode;
    int32_t want;
  } cases[] = {
      {15000, 30000, 0, 0, 1, 250},        {15000, 30000, 1, 0, 3, 375}, {30000, 30000, 1, 0, 2, 600},
      {15000, 30000, 0, 0, 0, 0},          {15000, 30000, 0, 0, 5, 0},   {0, 0, 0, 0, 1, 0},
      {2000000000, 1, 0, 0, 1, INT32_MAX}, {15000, 30000, 0, 2, 2, 777},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    g_TypeParams[0].magicCircuitMax = c.circuitMax;
    g_TypeParams[0].sparkType = c.sparkType;
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    o.circuit = c.circuit;
    o.gaugeMode = c.gaugeMode;
    o.heatTimer = 777;
    o.gaugeModeMax = 1000;
    EXPECT_EQ(GaugeModeLength(o, c.mode), c.want) << c.circuit << "/" << c.circuitMax << " mode " << c.mode;
  }
}
}  // namespace

namespace {
// Turning towards the wanted facing: by the current pattern, the queued change, the state's
// freedom and stance, and the guard flag.
TEST_F(ObjectState, FacingTurnsByPatternQueueAndState) {
  const struct {
    const char* name;
    int pattern;
    uint8_t stance, free;
    int16_t pending, pendingPriority;
    uint8_t guarding;
    int result;
    int wantPattern;
    uint8_t wantFacing;
    int16_t wantPending;
    uint8_t wantDir;
  } cases[] = {
      {"standing turns through 15", 0, 0, 1, -1, -1, 0, 1, 15, 1, -1, 4},
      {"crouching turns through 16", 13, 2, 1, -1, -1, 0, 1, 16, 1, -1, 4},
      {"no turn while guarding", 0, 0, 1, -1, -1, 1, 0, 0, 0, -1, 6},
      {"walking turns through 11", 10, 0, 1, -1, -1, 0, 1, 11, 1, -1, 4},
      {"a queued change takes the facing only", 0, 0, 1, 3, 5, 0, 1, 0, 1, 3, 6},
      {"a bound state turns for a queued jump", 20, 0, 0, 35, 5, 0, 1, 20, 1, 37, 4},
      {"a bound state keeps its facing for another pattern", 20, 0, 0, 3, 5, 0, 1, 20, 0, 3, 6},
      {"airborne never turns", 20, 1, 1, 35, 5, 0, 1, 20, 0, 35, 6},
      {"a turn pattern of its own waits", 15, 0, 1, -1, -1, 0, 1, 15, 0, -1, 6},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    TestFrameData data;
    FrameDef own = F(100, 3);
    own.stance = c.stance;
    own.free = c.free;
    data.Pattern(0, {F(100, 3)});
    data.Pattern(c.pattern, {own});
    for (int p : {3, 11, 15, 16, 35, 37})
      if (p != c.pattern) data.Pattern(p, {F(100, 3)});
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    o.pattern = c.pattern;
    SetPattern(o);
    o.wantedFacing = 1;
    o.inputDir = 6;
    o.guarding = c.guarding;
    o.pendingPattern = c.pending;
    o.pendingPriority = c.pendingPriority;
    EXPECT_EQ(UpdateFacing(o), c.result) << c.name;
    EXPECT_EQ(o.pattern, c.wantPattern) << c.name;
    EXPECT_EQ(o.facing, c.wantFacing) << c.name;
    EXPECT_EQ(o.pendingPattern, c.wantPending) << c.name;
    EXPECT_EQ(o.inputDir, c.wantDir) << c.name;
  }
}
}  // namespace

namespace {
// The timed hit reactions: the step at which each reaction enters its patterns, counted from
// the step that takes the queued block over (step 1).
TEST_F(ObjectState, TimedReactionsChangePatternOnTheirSteps) {
  const struct {
    const char* name;
    int32_t kind, param, hitReaction;
    std::vector<std::pair<int, int>> changes;  // (step, pattern entered)
    int32_t reactionFrames;                    // after the 80 steps; -1 not checked
  } cases[] = {
      {"8: the dodge", 8, 0, 0, {{1, 280}, {10, 281}}, -1},
      {"7 with 0: the long stun", 7, 0, 0, {{1, 280}, {60, 281}}, -1},
      {"7 with 2: the other stun", 7, 2, 0, {{1, 282}, {60, 283}}, -1},
      {"5: the reaction counts down to 1", 5, 0, 4, {{3, 0}}, -1},
      {"9: the parameter is the pattern", 9, 283, 0, {{1, 283}}, -1},
      // Kinds without work leave the step count alone.
      {"0: a cleared queue does nothing", 0, 0, 0, {}, 0},
      {"6: a kind without work", 6, 0, 0, {}, 0},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    TestFrameData data;
    data.Pattern(0, {F(1000, 3)});
    FrameDef bound = F(1000, 3);
    bound.free = 0;
    for (int p : {20, 30, 280, 281, 282, 283}) data.Pattern(p, {bound});
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    o.pattern = 20;
    SetPattern(o);
    o.hitReaction = c.hitReaction;
    const int32_t block[7] = {c.kind, 1, c.param, 0, 0, 0, 0};
    QueueReaction(o, block);
    std::vector<std::pair<int, int>> seen;
    int last = o.pattern;
    for (int step = 1; step <= 80; ++step) {
      ObjectStateStep(o);
      if (o.pattern != last) seen.emplace_back(step, o.pattern);
      last = o.pattern;
    }
    EXPECT_EQ(seen, c.changes) << c.name;
    if (c.reactionFrames >= 0) {
      EXPECT_EQ(o.reactionFrames, c.reactionFrames) << c.name;
    }
  }
}
}  // namespace

namespace {
// A landing ends the pattern (flow flag 0x01) or queues the landing frame; a falling reaction
// lands with a bounce count, the dust, sound 37 and a shake. Every landing clears the air and
// guard state and marks a pending turn.
TEST_F(ObjectState, LandingByFlowFlagAndReaction) {
  static std::vector<int> sounds;
  const struct {
    const char* name;
    uint8_t flow;
    int32_t hitReaction;
    int16_t wantPattern, wantFrame;
    uint8_t wantDown, wantFresh, wantLandingJump;
    std::vector<int> wantSounds;
  } cases[] = {
      {"the pattern ends", 0x01, 0, 7, -1, 0, 0, 0, {}},
      {"the landing frame", 0, 0, -1, 2, 0, 0, 1, {}},
      {"a falling reaction bounces", 0, -1, -1, 2, 1, 1, 1, {37}},
      {"a falling reaction with the flag ends the pattern", 0x01, -1, 7, -1, 0, 0, 0, {}},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    sounds.clear();
    g_BattleSeams.RequestSound = [](int slot) { sounds.push_back(slot); };
    TestFrameData data;
    data.Pattern(0, {F(100, 3)});
    FrameDef air = F(100, 3);
    air.stance = 1;
    air.flow = c.flow;
    air.landing = c.flow ? 7 : 2;
    data.Pattern(1, {air});
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    o.pattern = 1;
    SetPattern(o);
    o.landed = 1;
    o.hitReaction = c.hitReaction;
    o.hitFrames = 9;
    o.airActions = 2;
    o.guarding = 1;
    o.techInvuln = 1;
    o.wantedFacing = 1;
    o.pendingFrame = -1;
    EXPECT_EQ(HandleLanding(o), 1) << c.name;
    EXPECT_EQ(o.pendingPattern, c.wantPattern) << c.name;
    EXPECT_EQ(o.pendingFrame, c.wantFrame) << c.name;
    EXPECT_EQ(o.patternEnded, c.flow ? 1 : 0) << c.name;
    EXPECT_EQ(o.downState, c.wantDown) << c.name;
    EXPECT_EQ(o.hitVectorFresh, c.wantFresh) << c.name;
    EXPECT_EQ(o.landingJump, c.wantLandingJump) << c.name;
    EXPECT_EQ(sounds, c.wantSounds) << c.name;
    EXPECT_EQ(g_ScreenShake, c.wantSounds.empty() ? 0 : 12) << c.name;
    EXPECT_EQ(o.landed, 0);
    EXPECT_EQ(o.hitFrames, 0);
    EXPECT_EQ(o.airActions, 0);
    EXPECT_EQ(o.guarding, 0);
    EXPECT_EQ(o.techInvuln, 0);
    EXPECT_EQ(o.turnMark, 1);
    // Nothing happens without a landing.
    EXPECT_EQ(HandleLanding(o), 0) << c.name;
  }
}
}  // namespace

namespace {
// The sprite shown next, from the end action of the frame just entered.
TEST_F(ObjectState, NextSpriteFollowsTheEndAction) {
  const struct {
    const char* name;
    uint8_t endAction, flow, kind, loopCounter;
    int16_t jump, loopExit;
    int32_t want;
  } cases[] = {
      {"next frame", 1, 0, 0, 0, 0, 0, 11},
      {"jump within the pattern", 2, 0, 0, 0, 0, 0, 10},
      {"relative jump", 2, 0x04, 0, 0, 1, 0, 11},
      {"loop still counting", 2, 0x02, 0, 2, 0, 1, 10},
      {"loop exit", 2, 0x02, 0, 0, 0, 1, 11},
      {"relative loop exit", 2, 0x0A, 0, 0, 0, 1, 11},
      {"end: the next pattern", 0, 0, 0, 0, 3, 0, 30},
      {"end, relative: pattern + target", 0, 0x04, 0, 0, 2, 0, 30},
      {"end of a spawned object: pattern 0", 0, 0, kKindSpawned, 0, 3, 0, 5},
      {"hold: pattern 0", 3, 0, 0, 0, 3, 0, 5},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    TestFrameData data;
    FrameDef stand = F(100, 3);
    stand.sprite = 5;
    data.Pattern(0, {stand});
    FrameDef next = F(100, 3);
    next.sprite = 30;
    data.Pattern(3, {next});
    FrameDef first = F(100, c.endAction, c.jump);
    first.flow = c.flow;
    first.loopExit = c.loopExit;
    first.sprite = 10;
    FrameDef second = F(100, 3);
    second.sprite = 11;
    data.Pattern(1, {first, second});
    BattleObject o;
    o.frameData = data.Set();
    o.kind = c.kind;
    o.pattern = 1;
    o.frame = 0;
    RefreshFramePointers(o);
    o.loopCounter = c.loopCounter;
    ComputeNextSprite(o);
    EXPECT_EQ(o.nextSprite, c.want) << c.name;
  }
}
}  // namespace

namespace {
// Draw-priority modes of spawned objects and afterimages; other modes and kinds keep theirs.
TEST_F(ObjectState, DrawPriorityModesOfSpawnedObjects) {
  const struct {
    uint8_t kind;
    int mode;
    int16_t want;
  } cases[] = {
      {kKindSpawned, 1, 143},   {kKindSpawned, 2, 98},   {kKindSpawned, 3, 141}, {kKindSpawned, 12, 132},
      {kKindSpawned, 13, 112},  {kKindSpawned, 22, 103}, {kKindSpawned, 25, 15}, {kKindSpawned, 26, 144},
      {kKindSpawned, 27, 77},   {kKindSpawned, 0, 77},   {kKindSpawned, 23, 77}, {kKindAfterimage, 5, 112},
      {kKindChildFirst, 1, 77},
  };
  for (const auto& c : cases) {
    BattleObject o;
    o.kind = c.kind;
    o.drawPriority = 77;
    SetDrawPriorityMode(o, c.mode);
    EXPECT_EQ(o.drawPriority, c.want) << int(c.kind) << " mode " << c.mode;
    EXPECT_EQ(o.priorityMode, c.mode);
  }
}
}  // namespace

namespace {
// A queued reaction is replaced unless it is at least as strong in both priority and kind; a
// block without priority always replaces the kind and parameters and keeps the old priority.
TEST_F(ObjectState, QueueReactionKeepsTheStrongerBlock) {
  const struct {
    int32_t oldKind, oldPriority, newKind, newPriority;
    int32_t wantKind, wantPriority, wantParam;
  } cases[] = {
      {-1, -1, 5, 3, 5, 3, 77}, {8, 5, 5, 4, 8, 5, 0}, {5, 5, 8, 4, 8, 4, 77},
      {8, 5, 5, -1, 5, 5, 77},  {5, 3, 5, 3, 5, 3, 0}, {5, 3, 5, 4, 5, 4, 77},
  };
  for (const auto& c : cases) {
    BattleObject o;
    o.pendingReaction[0] = c.oldKind;
    o.pendingReaction[1] = c.oldPriority;
    const int32_t block[7] = {c.newKind, c.newPriority, 77, 77, 77, 77, 77};
    EXPECT_EQ(QueueReaction(o, block), 0);
    EXPECT_EQ(o.pendingReaction[0], c.wantKind) << c.oldKind << "/" << c.oldPriority << " <- " << c.newKind;
    EXPECT_EQ(o.pendingReaction[1], c.wantPriority)
        << c.oldKind << "/" << c.oldPriority << " <- " << c.newKind;
    EXPECT_EQ(o.pendingReaction[2], c.wantParam) << c.oldKind << "/" << c.oldPriority << " <- " << c.newKind;
  }
}
}  // namespace

namespace {
// A request for the current pattern restarts it only with sameFlag 1.
TEST_F(ObjectState, SameFlagRestartsTheCurrentPattern) {
  for (int same : {0, 1}) {
    battle_test::ResetWorld();
    TestFrameData data;
    data.Pattern(0, {F(100, 3)});
    data.Pattern(1, {F(1), F(100, 3)});
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    o.pattern = 1;
    SetPattern(o);
    ObjectStateStep(o);
    ASSERT_EQ(o.frame, 1);
    EXPECT_EQ(ChangePattern(o, 1, same, 5), same);
    ObjectStateStep(o);
    EXPECT_EQ(o.pattern, 1);
    EXPECT_EQ(o.frame, same ? 0 : 1) << same;
    EXPECT_EQ(o.frameTimer, same ? 0 : 1) << same;
  }
}
}  // namespace

namespace {
// Ending a hit reaction: a guard steps on to the next frame of the guard pattern; otherwise the
// neutral pattern of the stance is queued at 999 unless something as strong is queued.
TEST_F(ObjectState, EndHitReactionByGuardAndStance) {
  const struct {
    const char* name;
    uint8_t guarding, stance;
    int16_t pendingPattern, pendingPriority;
    int wantFrame;
    int16_t wantPending, wantPriority;
  } cases[] = {
      {"a guard steps on", 1, 0, -1, -1, 1, -1, -1},
      {"standing queues 0", 0, 0, -1, -1, 0, 0, 999},
      {"crouching queues 13", 0, 2, -1, -1, 0, 13, 999},
      {"a stronger change stays", 0, 0, 40, 999, 0, 40, 999},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    TestFrameData data;
    data.Pattern(0, {F(100, 3)});
    FrameDef react = F(100, 3);
    react.free = 0;
    react.stance = c.stance;
    data.Pattern(17, {react, react});
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    o.pattern = 17;
    SetPattern(o);
    o.guarding = c.guarding;
    o.hitReaction = 5;
    o.hitVector = 7;
    o.hitSteps = 4;
    o.juggleWeight = 0.5f;
    o.hitVelX = 300;
    o.hitAccY = 20;
    o.frameTimer = 6;
    o.pendingPattern = c.pendingPattern;
    o.pendingPriority = c.pendingPriority;
    EndHitReaction(o);
    EXPECT_EQ(o.hitReaction, 0) << c.name;
    EXPECT_EQ(o.hitVector, 255) << c.name;
    EXPECT_EQ(o.hitSteps, 0) << c.name;
    EXPECT_EQ(o.juggleWeight, 0.0f) << c.name;
    EXPECT_EQ(o.frame, c.wantFrame) << c.name;
    EXPECT_EQ(o.pendingPattern, c.wantPending) << c.name;
    EXPECT_EQ(o.pendingPriority, c.wantPriority) << c.name;
    // Only the guard's step clears the hit motion and the frame timer.
    EXPECT_EQ(o.hitVelX, c.guarding ? 0 : 300) << c.name;
    EXPECT_EQ(o.hitAccY, c.guarding ? 0 : 20) << c.name;
    EXPECT_EQ(o.frameTimer, c.guarding ? 0 : 6) << c.name;
    EXPECT_EQ(o.guarding, 0) << c.name;
  }
}
}  // namespace

namespace {
// The side's count of steps out of a free state: kept by the active character (or a character
// without a partner), not while frozen in hit-stop, and cleared in a free state.
TEST_F(ObjectState, NotFreeFramesCountForTheActiveCharacter) {
  const struct {
    const char* name;
    uint8_t free;
    int32_t hasPartner, activePlayer;
    uint8_t hitStop;
    int32_t want;
  } cases[] = {
      {"free clears", 1, 0, 0, 0, 0},
      {"bound counts", 0, 0, 0, 0, 6},
      {"the active member counts", 0, 1, 0, 0, 6},
      {"a waiting member does not", 0, 1, 2, 0, 5},
      {"hit-stop holds it", 0, 0, 0, 3, 5},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    TestFrameData data;
    FrameDef f = F(100, 3);
    f.free = c.free;
    data.Pattern(0, {f});
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    SetPattern(o);
    o.hitStop = c.hitStop;
    g_SideStatus[0].hasPartner = c.hasPartner;
    g_SideStatus[0].activePlayer = c.activePlayer;
    g_SideStatus[0].notFreeFrames = 5;
    CountNotFreeFrames(o);
    EXPECT_EQ(g_SideStatus[0].notFreeFrames, c.want) << c.name;
  }
}
}  // namespace
