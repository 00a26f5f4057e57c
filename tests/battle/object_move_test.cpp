// The push pass: which characters and objects push each other (the candidate box rules) and
// that a pushed pair ends apart.
#include "battle/object_move.h"

#include <cstdint>
#include <limits>

#include "battle/hit_detection.h"
#include "battle/object_state.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using battle_test::FrameDef;
using battle_test::PlaceCharacter;
using battle_test::TestFrameData;
using PushPass = BattleTest;

// Two overlapping push boxes (20 pixels either side of each anchor, 10 pixels apart); the
// separation moves both by half the overlap.
void Separate(BattleObject* a, BattleObject* b, int32_t) {
  int32_t ax1, ax2, ay1, ay2, bx1, bx2, by1, by2;
  if (!PushBox(*a, &ax1, &ax2, &ay1, &ay2) || !PushBox(*b, &bx1, &bx2, &by1, &by2)) return;
  const int32_t d = std::min(ax2, bx2) - std::max(ax1, bx1);
  a->posX += a->posX < b->posX ? -d / 2 : d / 2;
  b->posX += a->posX < b->posX ? d / 2 : -d / 2;
}

TEST_F(PushPass, CandidateBoxRules) {
  TestFrameData data;
  FrameDef stand;
  stand.duration = 100;
  stand.endAction = 3;
  stand.free = 1;
  stand.pushBox = true;
  data.Pattern(0, {stand});
  const struct {
    const char* name;
    uint8_t side1;
    uint8_t partnerState1;
    uint8_t held1;
    int16_t noPush0;
    bool pushed;     // the first character's candidate box of the second
    bool separated;  // the pair after the pass
  } cases[] = {
      {"opponents push", 1, 0, 0, 0, true, true},
      {"the same side passes through", 0, 0, 0, 0, false, false},
      {"a waiting partner is not pushed", 1, 1, 0, 0, false, false},
      {"a held character is not pushed", 1, 0, 1, 0, false, false},
      // It pushes nobody, but the other still pushes it.
      {"a character exempt from pushing", 1, 0, 0, 4095, false, true},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    InstallHitDetectionSeams();
    g_BattleSeams.SeparatePair = Separate;
    BattleObject& a = PlaceCharacter(0, data.Set(), 0);
    BattleObject& b = PlaceCharacter(1, data.Set(), 10 * 128);
    SetPattern(a);
    SetPattern(b);
    b.side = c.side1;
    b.partnerState = c.partnerState1;
    b.held = c.held1;
    a.noPush = c.noPush0;
    int32_t box[4] = {};
    EXPECT_EQ(PushCandidateBox(&a, &b, box), c.pushed ? 1 : 0) << c.name;
    if (c.pushed) {
      EXPECT_EQ(box[0], (10 - 20) * 128) << c.name;
      EXPECT_EQ(box[1], -100 * 128) << c.name;
      EXPECT_EQ(box[2], (10 + 20) * 128) << c.name;
      EXPECT_EQ(box[3], 0) << c.name;
    }
    PushApartCharacters();
    const int32_t gap = b.posX - a.posX;
    if (c.separated)
      EXPECT_GE(gap, 40 * 128) << c.name;
    else
      EXPECT_EQ(gap, 10 * 128) << c.name;
  }
}

}  // namespace

namespace {

// A character pushed into the wall stays at the wall and its pusher is moved back with it by
// the wall's correction, so the pair ends the pass apart.
TEST_F(PushPass, PusherFollowsTheWallCorrection) {
  TestFrameData data;
  FrameDef stand;
  stand.duration = 100;
  stand.endAction = 3;
  stand.free = 1;
  stand.pushBox = true;
  data.Pattern(0, {stand});
  InstallHitDetectionSeams();
  g_BattleSeams.SeparatePair = Separate;
  BattleObject& b = PlaceCharacter(1, data.Set(), kStageHalfWidth - 5 * 128);
  BattleObject& a = PlaceCharacter(0, data.Set(), b.posX - 10 * 128);
  SetPattern(a);
  SetPattern(b);
  PushApartCharacters();
  EXPECT_EQ(b.posX, kStageHalfWidth);
  EXPECT_EQ(b.posX - a.posX, 40 * 128);  // the boxes just touch
}

// The push box of an object placed near the end of the int range wraps at 32 bits like the
// position it hangs from.
TEST_F(PushPass, PushBoxNearTheRangeEndWraps) {
  TestFrameData data;
  FrameDef stand;
  stand.pushBox = true;  // 20 pixels either side, 100 up
  data.Pattern(0, {stand});
  BattleObject& a = PlaceCharacter(0, data.Set(), INT32_MAX);
  SetPattern(a);
  a.posY = INT32_MIN;
  int32_t x1, x2, y1, y2;
  ASSERT_TRUE(PushBox(a, &x1, &x2, &y1, &y2));
  EXPECT_EQ(x1, INT32_MAX - 20 * 128);
  EXPECT_EQ(x2, INT32_MIN + 20 * 128 - 1);
  EXPECT_EQ(y1, INT32_MAX - 100 * 128 + 1);
  EXPECT_EQ(y2, INT32_MIN);
}

}  // namespace

namespace {

using WallBounce = BattleTest;

// A hit object meeting the wall it flies toward on a wall-bounce step stops for 8 steps, sets
// both hit marks, steps its vector on and turns to face the way it came from; anything else
// leaves it alone.
TEST_F(WallBounce, BouncesOnlyOffTheWallItFliesToward) {
  TestFrameData data;
  FrameDef stand;
  stand.duration = 100;
  stand.endAction = 3;
  data.Pattern(0, {stand});
  g_VectorTables.hit.resize(6);
  g_VectorTables.hit[5].count = 2;
  g_VectorTables.hit[5].steps[0].flags = 0x1;
  const struct {
    const char* name;
    int32_t hitReaction;
    uint8_t wallTouch;
    int32_t velX;
    uint8_t vector;
    bool bounces;
    uint8_t facing;
  } cases[] = {
      {"right wall, flying right", 10, 1, 300, 5, true, 1},
      {"left wall, flying left", -1, 2, -300, 5, true, 0},
      {"right wall, flying left", 10, 1, -300, 5, false, 0},
      {"no hit reaction", 0, 1, 300, 5, false, 0},
      {"no wall touch", 10, 0, 300, 5, false, 0},
      {"no hit vector", 10, 1, 300, 255, false, 0},
  };
  for (const auto& c : cases) {
    g_ScreenShake = 0;
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    SetPattern(o);
    o.hitReaction = c.hitReaction;
    o.wallTouch = c.wallTouch;
    o.velX = c.velX;
    o.hitVector = c.vector;
    o.hitVectorStep = 0;
    o.hitStop = 0;
    o.hitStopPass = 0;
    o.downState = 0;
    o.hitMarks[0] = o.hitMarks[1] = 0;
    WallBounceStep(o);
    EXPECT_EQ(o.hitMarks[0], c.bounces ? 1 : 0) << c.name;
    EXPECT_EQ(o.hitMarks[1], c.bounces ? 1 : 0) << c.name;
    EXPECT_EQ(o.hitStop, c.bounces ? 8 : 0) << c.name;
    EXPECT_EQ(o.hitStopPass, c.bounces ? 1 : 0) << c.name;
    EXPECT_EQ(o.downState, c.bounces ? 1 : 0) << c.name;
    EXPECT_EQ(o.hitVectorStep, c.bounces ? 1 : 0) << c.name;
    EXPECT_EQ(g_ScreenShake, c.bounces ? 15 : 0) << c.name;
    EXPECT_EQ(o.facing, c.facing) << c.name;
  }
}

}  // namespace

namespace {

using CornerPush = BattleTest;

// A character pushed back from the wall moves its attacker back by the same amount while its
// reaction step counter is below the push length of its hit-vector step and it still moves.
TEST_F(CornerPush, MovesTheAttackerOnlyWhileTheHitPushes) {
  TestFrameData data;
  FrameDef stand;
  stand.duration = 100;
  stand.endAction = 3;
  data.Pattern(0, {stand});
  g_VectorTables.hit.resize(99);
  for (int id : {5, 98}) {
    g_VectorTables.hit[id].count = 1;
    g_VectorTables.hit[id].steps[0].fifth = 10;
  }
  g_VectorTables.pushNormal = 500;
  g_VectorTables.pushFinish = 900;
  const struct {
    const char* name;
    uint8_t vector;
    int32_t hitSteps, velX, hitReaction;
    int32_t finishKind;
    bool attacker, held;
    int32_t result, attackerMove;
  } cases[] = {
      {"reeling and moving", 5, 3, 100, 10, 0, true, false, -200, -200},
      {"push length reached", 5, 10, 100, 10, 0, true, false, 0, 0},
      {"no hit vector", 255, 0, 100, 0, 0, true, false, 0, 0},
      {"a vector past the table", 200, 0, 100, 10, 0, true, false, 0, 0},
      {"no longer moving", 5, 3, 0, 10, 0, true, false, -200, 0},
      {"special reaction: the fixed push", 5, 3, 100, -1, 0, true, false, -500, -500},
      {"special reaction on the finishing vector", 98, 3, 100, -1, 0, true, false, -900, -900},
      {"attacker finishing", 5, 3, 100, 10, 1, true, false, -200, 0},
      {"no attacker", 5, 3, 100, 10, 0, false, false, 0, 0},
      {"held", 5, 3, 100, 10, 0, true, true, 0, 0},
  };
  for (const auto& c : cases) {
    BattleObject& victim = PlaceCharacter(0, data.Set(), kStageHalfWidth);
    BattleObject& attacker = PlaceCharacter(1, data.Set(), 0, 1);
    victim.hitVector = c.vector;
    victim.hitVectorStep = 0;
    victim.hitSteps = c.hitSteps;
    victim.velX = c.velX;
    victim.hitReaction = c.hitReaction;
    victim.held = c.held ? 1 : 0;
    victim.lastAttacker = c.attacker ? &attacker : nullptr;
    attacker.finishKind = static_cast<decltype(attacker.finishKind)>(c.finishKind);
    EXPECT_EQ(PushAttackerFromCorner(victim, -200), c.result) << c.name;
    EXPECT_EQ(attacker.posX, c.attackerMove) << c.name;
  }
}

}  // namespace

namespace {

using DistanceLimit = BattleTest;

// Two characters stay within 93440 units of each other, measured to the farthest character that
// is neither a waiting partner nor being finished off.
TEST_F(DistanceLimit, CountsOnlyCharactersStillInTheFight) {
  TestFrameData data;
  FrameDef stand;
  stand.duration = 100;
  stand.endAction = 3;
  data.Pattern(0, {stand});
  const struct {
    const char* name;
    uint8_t finishKind, partnerState;
    int32_t correction;
  } cases[] = {
      {"in the fight", 0, 0, kMaxCharaDistance - 100000},
      {"being finished off", 20, 0, 0},
      {"a waiting partner", 0, 1, 0},
  };
  for (const auto& c : cases) {
    BattleObject& a = PlaceCharacter(0, data.Set(), 60000);
    BattleObject& b = PlaceCharacter(1, data.Set(), -40000, 1);
    b.finishKind = c.finishKind;
    b.partnerState = c.partnerState;
    EXPECT_EQ(GetDistanceExcess(a, a.posX), c.correction) << c.name;
    EXPECT_EQ(StageEdgeCorrection(a, 0), c.correction) << c.name;
  }
}

}  // namespace

namespace {

using Oscillation = BattleTest;

// Oscillation mode 1 moves by the change of amplitude x sin(2 pi x phase / period), each value
// truncated to whole pixels; x mirrors with the facing, the starting phase is a fraction of the
// period, the phase wraps at the period and other modes add nothing.
TEST_F(Oscillation, MovesByTheTruncatedSineOverAPeriod) {
  const struct {
    const char* name;
    uint8_t facing;
    uint8_t motionFlags, mode;
    float fraction;
    int32_t moves[5];
  } cases[] = {
      {"x facing right", 0, 0x10, 0x10, 0.0f, {1280, -1280, -1280, 1280, 1280}},
      {"x facing left", 1, 0x10, 0x10, 0.0f, {-1280, 1280, 1280, -1280, -1280}},
      {"x from a quarter period", 0, 0x10, 0x10, 0.25f, {-1280, -1280, 1280, 1280, -1280}},
      {"y ignores the facing", 1, 0x01, 0x01, 0.0f, {1280, -1280, -1280, 1280, 1280}},
      {"other modes add nothing", 0, 0x11, 0x22, 0.0f, {0, 0, 0, 0, 0}},
      // A broken starting fraction from frame data starts at phase 0.
      {"x from a NaN fraction",
       0,
       0x10,
       0x10,
       std::numeric_limits<float>::quiet_NaN(),
       {1280, -1280, -1280, 1280, 1280}},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    TestFrameData data;
    FrameDef wave;
    wave.duration = 100;
    wave.endAction = 3;
    wave.motion = battle_test::Motion(c.motionFlags, 0, 0, 0, 0);
    Han6Pattern& p = data.Pattern(0, {wave});
    Han6StateExtra extra;
    extra.mode = c.mode;
    extra.amplitudeX = extra.amplitudeY = 10;
    extra.periodX = extra.periodY = 4;
    extra.phaseX = extra.phaseY = c.fraction;
    p.frames[0].state->extra = extra;
    BattleObject& o = PlaceCharacter(0, data.Set(), 0, c.facing);
    SetPattern(o);
    o.posY = -50000;  // in the air: no landing
    for (int i = 0; i < 5; ++i) {
      const int32_t x0 = o.posX, y0 = o.posY;
      ASSERT_EQ(ObjectPhysicsStep(o), 1) << c.name;
      const int32_t moved = (c.motionFlags & 0x0F) && !(c.motionFlags & 0xF0) ? o.posY - y0 : o.posX - x0;
      EXPECT_EQ(moved, c.moves[i]) << c.name << " step " << i;
    }
  }
}

}  // namespace
