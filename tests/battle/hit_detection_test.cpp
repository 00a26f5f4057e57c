// Boxes and hit detection: rectangle overlaps, box placement through the camera, box lists,
// strikes and throws registered into the targets' pending lists, clashes, the push separation,
// and the conversions, freeze gate and side lookups they rest on.
#include "battle/hit_detection.h"

#include <climits>
#include <cstdint>

#include "app/random.h"
#include "battle/battle_driver.h"
#include "battle/battle_support.h"
#include "battle/box_to_screen.h"
#include "battle/object_move.h"
#include "battle/object_state.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using battle_test::BoxDef;
using battle_test::FrameDef;
using battle_test::PlaceCharacter;
using battle_test::SetCamera;
using battle_test::TestFrameData;

// A fresh battle with the match state prepared (side 0 led by slot 0, side 1 by slot 1).
void Reset() {
  battle_test::ResetWorld();
  InitMatchBattleState();
}

class Detection : public BattleTest {
 protected:
  void SetUp() override { Reset(); }
};

ScreenRect R(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { return ScreenRect{x1, y1, x2, y2}; }

// A standing frame: push box, one hurt box 15 pixels either side of the anchor, 90 up.
FrameDef Standing() {
  FrameDef f;
  f.duration = 100;
  f.endAction = 3;
  f.free = 1;
  f.boxes = {BoxDef{-20, -100, 20, 0}, BoxDef{-15, -90, 15, 0}};
  return f;
}

Han6AttackData Attack(int32_t atgd, uint8_t atng = 0) {
  Han6AttackData a;
  a.atgd = atgd;
  a.atng = atng;
  return a;
}

// A striking frame: the standing boxes and an attack box from 10 to 40 pixels in front.
FrameDef Striking(int32_t atgd = 0x7, uint8_t atng = 0) {
  FrameDef f = Standing();
  f.attack = {BoxDef{10, -60, 40, -40}};
  f.hit = Attack(atgd, atng);
  return f;
}

BattleObject& Place(int slot, TestFrameData& data, int32_t xPixels, int facing = 0) {
  BattleObject& o = PlaceCharacter(slot, data.Set(), xPixels * 128, facing);
  SetPattern(o);
  return o;
}

TEST_F(Detection, RectangleOverlapAndPoints) {
  const struct {
    const char* name;
    ScreenRect a, b;
    int overlaps;
    ScreenRect meet;
  } cases[] = {
      {"sharing the right edge", R(0, 0, 10, 10), R(10, 0, 20, 10), 0, {}},
      {"sharing the bottom edge", R(0, 0, 10, 10), R(0, 10, 10, 20), 0, {}},
      {"sharing a corner", R(0, 0, 10, 10), R(10, 10, 20, 20), 0, {}},
      {"one pixel across", R(0, 0, 10, 10), R(9, 0, 20, 10), 1, R(9, 0, 10, 10)},
      {"one pixel down", R(0, 0, 10, 10), R(-5, 9, 5, 30), 1, R(0, 9, 5, 10)},
      {"inside", R(0, 0, 10, 10), R(2, 3, 4, 5), 1, R(2, 3, 4, 5)},
  };
  for (const auto& c : cases) {
    ScreenRect out{-1, -1, -1, -1};
    EXPECT_EQ(BoxesOverlap(c.a, c.b, &out), c.overlaps) << c.name;
    EXPECT_EQ(BoxesOverlap(c.b, c.a, nullptr), c.overlaps) << c.name;
    if (c.overlaps) {
      EXPECT_EQ(out.x1, c.meet.x1) << c.name;
      EXPECT_EQ(out.y1, c.meet.y1) << c.name;
      EXPECT_EQ(out.x2, c.meet.x2) << c.name;
      EXPECT_EQ(out.y2, c.meet.y2) << c.name;
    }
  }
  const ScreenRect r = R(0, 0, 10, 10);
  EXPECT_EQ(PointInBox(r, 5, 5), 1);
  EXPECT_EQ(PointInBox(r, 1, 9), 1);
  EXPECT_EQ(PointInBox(r, 0, 5), 0);  // on the edges
  EXPECT_EQ(PointInBox(r, 10, 5), 0);
  EXPECT_EQ(PointInBox(r, 5, 0), 0);
  EXPECT_EQ(PointInBox(r, 5, 10), 0);
}

// Attack boxes placed through the camera: mirrored facing left, doubled for a cut-sprite
// frame, from the held object's offset anchor.
TEST_F(Detection, PlacementOfAnObjectsBoxes) {
  const struct {
    const char* name;
    int16_t spriteKind;
    int facing;
    uint8_t held;
    ScreenRect want;
  } cases[] = {
      {"part animation facing right", 1, 0, 0, R(335, 402, 350, 422)},
      {"facing left mirrors", 1, 1, 0, R(310, 402, 325, 422)},
      {"cut sprite doubles", 0, 0, 0, R(340, 372, 370, 412)},
      {"cut sprite facing left", 0, 1, 0, R(290, 372, 320, 412)},
      {"held: the throw offset moves the anchor", 1, 0, 1, R(338, 400, 353, 420)},
  };
  for (const auto& c : cases) {
    Reset();
    SetCamera(0, 0);
    TestFrameData data;
    FrameDef f = Standing();
    f.spriteKind = c.spriteKind;
    f.attack = {BoxDef{5, -30, 20, -10}};
    data.Pattern(0, {f});
    BattleObject& o = Place(0, data, 10, c.facing);
    o.held = c.held;
    o.throwOffsetX = 3 * 128;
    o.throwOffsetY = -2 * 128;
    BoxIterator it;
    ASSERT_EQ(BoxListBegin(&it, o, kAttackBoxList), 1) << c.name;
    ScreenRect r[kStrikeBoxRoom];
    ASSERT_EQ(PlaceBoxList(r, it), 1) << c.name;
    EXPECT_EQ(r[0].x1, c.want.x1) << c.name;
    EXPECT_EQ(r[0].y1, c.want.y1) << c.name;
    EXPECT_EQ(r[0].x2, c.want.x2) << c.name;
    EXPECT_EQ(r[0].y2, c.want.y2) << c.name;
  }
}

// Both objects are placed in whole pixels through >> 7, so one camera unit (1/128 pixel) moves
// one of them a pixel and not the other: here it turns edge contact into a one-pixel overlap.
TEST_F(Detection, OneCameraUnitDecidesAnOverlap) {
  for (int32_t camera : {0, 1}) {
    Reset();
    SetCamera(camera, 0);
    TestFrameData att, def;
    FrameDef s = Standing();
    s.attack = {BoxDef{0, -50, 10, -10}};
    s.hit = Attack(0x7);
    att.Pattern(0, {s});
    FrameDef d = Standing();
    d.boxes = {std::nullopt, BoxDef{-10, -90, 10, 0}};
    def.Pattern(0, {d});
    BattleObject& a = PlaceCharacter(0, att.Set(), 127);  // 127/128 of a pixel
    SetPattern(a);
    a.hitsLeft = 1;
    BattleObject& t = PlaceCharacter(1, def.Set(), 20 * 128);
    SetPattern(t);
    DetectHits(a);
    EXPECT_EQ(t.pendingHitCount, camera == 1 ? 1 : 0) << "camera " << camera;
    if (camera == 1) {
      EXPECT_EQ(t.pendingHitRect[0].x1, 329);
      EXPECT_EQ(t.pendingHitRect[0].x2, 330);
    }
  }
}

TEST_F(Detection, BoxListKinds) {
  TestFrameData data;
  FrameDef f = Standing();
  f.boxes.assign(12, BoxDef{-1, -1, 1, 1});
  f.boxes[4] = std::nullopt;
  f.attack = {BoxDef{0, 0, 1, 1}, std::nullopt, BoxDef{0, 0, 2, 2}};
  data.Pattern(0, {f});
  BattleObject& o = Place(0, data, 0);
  const struct {
    int kind;
    int listed;  // entries of the list
    int placed;  // non-null boxes placed
  } cases[] = {
      {kAttackBoxList, 3, 2},
      {kPushBoxList, 1, 1},
      {kHurtBoxList, 8, 7},
      {3, 1, 1},   // slot 9
      {5, 1, 1},   // slot 11
      {6, 0, 0},   // slot 12: none
      {-1, 0, 0},  // negative kinds (from frame conditions) are empty lists, never slot n + 6
      {-6, 0, 0},
      {-7, 0, 0},
      {INT_MIN, 0, 0},
      {INT_MAX, 0, 0},
  };
  for (const auto& c : cases) {
    BoxIterator it;
    EXPECT_EQ(BoxListBegin(&it, o, c.kind), c.listed > 0 ? 1 : 0) << c.kind;
    EXPECT_EQ(it.count, c.listed) << c.kind;
    ScreenRect r[kStrikeBoxRoom];
    EXPECT_EQ(PlaceBoxList(r, it), c.placed) << c.kind;
  }
}

// Frames with more attack boxes than the placement room place the first ones (10 for strikes,
// 8 for throws) and ignore the rest.
TEST_F(Detection, AttackBoxesBeyondTheRoomAreIgnored) {
  for (const bool isThrow : {false, true}) {
    Reset();
    TestFrameData att, def;
    const int room = isThrow ? kThrowBoxRoom : kStrikeBoxRoom;
    // `room` boxes far behind, then one that reaches the target.
    FrameDef s = Standing();
    s.attack.assign(static_cast<size_t>(room), BoxDef{-300, -50, -290, -40});
    s.attack.insert(s.attack.begin() + 3, std::nullopt);  // nulls do not take room
    s.attack.push_back(BoxDef{10, -60, 40, -40});
    s.hit = Attack(isThrow ? 0 : 0x7, isThrow ? 1 : 0);
    att.Pattern(0, {s});
    def.Pattern(0, {Standing()});
    BattleObject& a = Place(0, att, 0);
    BattleObject& t = Place(1, def, 30);
    a.hitsLeft = 1;
    BoxIterator it;
    ASSERT_EQ(BoxListBegin(&it, a, kAttackBoxList), 1);
    ScreenRect r[kStrikeBoxRoom];
    EXPECT_EQ(PlaceBoxList(std::span<ScreenRect>(r, static_cast<size_t>(room)), it), room);
    if (isThrow)
      DetectThrows(a);
    else
      DetectHits(a);
    EXPECT_EQ(t.pendingHitCount, 0) << (isThrow ? "throw" : "strike");
    EXPECT_EQ(a.hitsLeft, 1);
    // The last box moved into the room hits.
    att.Set()->patterns->patterns[0]->frames[0].attackBoxes.erase(
        att.Set()->patterns->patterns[0]->frames[0].attackBoxes.begin());
    if (isThrow)
      DetectThrows(a);
    else
      DetectHits(a);
    EXPECT_EQ(t.pendingHitCount, 1) << (isThrow ? "throw" : "strike");
  }
}

TEST_F(Detection, CanHitStanceTable) {
  const struct {
    const char* name;
    int stance;
    int32_t reaction;
    int guarding;
    int32_t atgd;
    int held;
    int hits;
  } cases[] = {
      {"plain attack", 0, 0, 0, 0x7, 0, 1},
      {"misses standing", 0, 0, 0, 0x100, 0, 0},
      {"misses standing, hits crouching", 2, 0, 0, 0x100, 0, 1},
      {"misses airborne", 1, 0, 0, 0x200, 0, 0},
      {"misses crouching", 2, 0, 0, 0x400, 0, 0},
      {"combo only: fresh target", 0, 0, 0, 0x4000, 0, 0},
      {"combo only: in reaction", 0, 12, 0, 0x4000, 0, 1},
      {"combo only: held", 0, 12, 0, 0x4000, 1, 0},
      {"fresh only: in reaction", 0, 12, 0, 0x800, 0, 0},
      {"fresh only: held", 0, 0, 0, 0x800, 1, 0},
      {"fresh only: fresh", 0, 0, 0, 0x800, 0, 1},
      {"misses guarding", 0, 0, 1, 0x1000, 0, 0},
      {"special reaction -3", 0, -3, 0, 0x2000, 0, 0},
      {"special reaction -2", 0, -2, 0, 0x2000, 0, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CanHitStance(c.stance, c.reaction, c.guarding, c.atgd, c.held), c.hits) << c.name;
}

// The invulnerability classes and the target's own states, for strikes and throws alike.
TEST_F(Detection, TargetStatesAndInvulnerabilityClasses) {
  struct Case {
    const char* name;
    bool isThrow;
    int32_t atgd;
    uint8_t asys;
    void (*setup)(BattleObject& t);
    bool registers;
  };
  auto none = [](BattleObject&) {};
  const Case cases[] = {
      {"strike", false, 0x7, 0, none, true},
      {"strike vs class 1 (standing guardable)", false, 0x1, 1, none, false},
      {"strike vs class 1 without 0x1", false, 0x4, 1, none, true},
      {"strike vs class 2 (crouching guardable)", false, 0x4, 2, none, false},
      {"strike vs class 3", false, 0x0, 3, none, false},
      {"strike vs class 4", false, 0x7, 4, none, true},
      {"strike vs strike invulnerable", false, 0x7, 0, [](BattleObject& t) { t.strikeInvuln = 1; }, false},
      {"strike vs no-hit frames", false, 0x7, 0, [](BattleObject& t) { t.noHitFrames = 3; }, false},
      {"strike vs recovery", false, 0x7, 0, [](BattleObject& t) { t.techInvuln = 1; }, false},
      {"strike vs knocked down", false, 0x7, 0, [](BattleObject& t) { t.downState = 3; }, false},
      {"strike vs down 2", false, 0x7, 0, [](BattleObject& t) { t.downState = 2; }, true},
      {"strike vs a connected thrower", false, 0x7, 0, [](BattleObject& t) { t.throwConnected = 1; }, false},
      {"strike vs a holder", false, 0x7, 0, [](BattleObject& t) { t.heldObject = &t; }, false},
      {"strike vs a waiting partner", false, 0x7, 0, [](BattleObject& t) { t.partnerState = 1; }, false},
      {"throw", true, 0x0, 0, none, true},
      {"throw vs class 3", true, 0x0, 3, none, true},
      {"throw vs class 4", true, 0x0, 4, none, false},
      {"guardable throw vs class 1", true, 0x1, 1, none, false},
      {"plain throw vs throw invulnerable", true, 0x0, 0, [](BattleObject& t) { t.throwInvuln = 2; }, false},
      {"plain throw vs strike invulnerable", true, 0x0, 0, [](BattleObject& t) { t.strikeInvuln = 2; }, true},
      {"guardable throw vs throw invulnerable", true, 0x1, 0, [](BattleObject& t) { t.throwInvuln = 2; },
       true},
      {"guardable throw vs strike invulnerable", true, 0x1, 0, [](BattleObject& t) { t.strikeInvuln = 2; },
       false},
      {"throw vs held", true, 0x0, 0, [](BattleObject& t) { t.held = 1; }, false},
      {"throw vs a holder", true, 0x0, 0, [](BattleObject& t) { t.heldObject = &t; }, false},
      {"throw vs armour", true, 0x0, 0, [](BattleObject& t) { t.armorFrames = 5; }, false},
      {"throw vs lasting armour", true, 0x0, 0, [](BattleObject& t) { t.armorFrames = 10001; }, true},
      {"throw vs an action lock", true, 0x0, 0, [](BattleObject& t) { g_SideStatus[t.side].actionLock = 1; },
       false},
      {"throw vs a reserve partner", true, 0x0, 0,
       [](BattleObject& t) { g_SideStatus[t.side].activePlayer = 3; }, false},
  };
  for (const Case& c : cases) {
    Reset();
    TestFrameData att, def;
    att.Pattern(0, {Striking(c.atgd, c.isThrow ? 1 : 0)});
    FrameDef d = Standing();
    d.asys = c.asys;
    def.Pattern(0, {d});
    BattleObject& a = Place(0, att, 0);
    BattleObject& t = Place(1, def, 30);
    a.hitsLeft = 2;
    c.setup(t);
    if (c.isThrow)
      DetectThrows(a);
    else
      DetectHits(a);
    EXPECT_EQ(t.pendingHitCount, c.registers ? 1 : 0) << c.name;
    EXPECT_EQ(a.hitsLeft, c.registers ? 1 : 2) << c.name;
    EXPECT_EQ(a.attackConnected, c.registers ? 1 : 0) << c.name;
    EXPECT_EQ(a.throwConnected, c.registers && c.isThrow ? 1 : 0) << c.name;
    if (c.registers) {
      EXPECT_EQ(t.pendingHitAttacker[0], &a) << c.name;
      EXPECT_EQ(t.pendingHitAttack[0], a.frameRec->attack) << c.name;
    }
  }
}

TEST_F(Detection, ThrowsOfAGiantNeverRegister) {
  TestFrameData att, def;
  att.Pattern(0, {Striking(0, 1)});
  def.Pattern(0, {Standing()});
  BattleObject& a = Place(0, att, 0);
  BattleObject& t = Place(1, def, 30);
  a.hitsLeft = 1;
  g_BattleSeams.IsGiantCharacter = [](const BattleObject* o) { return o->playerIndex == 1 ? 1 : 0; };
  DetectThrows(a);
  EXPECT_EQ(t.pendingHitCount, 0);
  g_BattleSeams.IsGiantCharacter = nullptr;
  DetectThrows(a);
  EXPECT_EQ(t.pendingHitCount, 1);
  EXPECT_EQ(a.strikeInvuln, 4);
  EXPECT_EQ(a.throwInvuln, 4);
}

// One attacker meets two characters in one frame: one entry each, one hit spent.
TEST_F(Detection, OneAttackerTwoTargets) {
  TestFrameData att, def;
  att.Pattern(0, {Striking()});
  def.Pattern(0, {Standing()});
  BattleObject& a = Place(0, att, 0);
  BattleObject& t1 = Place(1, def, 30);
  BattleObject& t3 = Place(3, def, 35);
  a.hitsLeft = 3;
  DetectHits(a);
  EXPECT_EQ(t1.pendingHitCount, 1);
  EXPECT_EQ(t3.pendingHitCount, 1);
  EXPECT_EQ(a.hitsLeft, 2);
  EXPECT_EQ(a.registeredHits, 1);
}

// A target with a full list takes no ninth entry; the attacker still counts the registration
// another target took, and none when the full list was all it met.
TEST_F(Detection, AFullPendingList) {
  for (const bool second : {true, false}) {
    Reset();
    TestFrameData att, def;
    att.Pattern(0, {Striking()});
    def.Pattern(0, {Standing()});
    BattleObject& a = Place(0, att, 0);
    BattleObject& full = Place(1, def, 30);
    BattleObject& other = Place(3, def, second ? 35 : 500);
    full.pendingHitCount = kPendingHits;
    a.hitsLeft = 3;
    DetectHits(a);
    EXPECT_EQ(full.pendingHitCount, kPendingHits);
    EXPECT_EQ(other.pendingHitCount, second ? 1 : 0);
    EXPECT_EQ(a.hitsLeft, second ? 2 : 3);
    EXPECT_EQ(a.registeredHits, second ? 1 : 0);
  }
}

TEST_F(Detection, StrikeGates) {
  const struct {
    const char* name;
    void (*setup)(BattleObject& a);
  } cases[] = {
      {"no hits left", [](BattleObject& a) { a.hitsLeft = 0; }},
      {"in hit stop", [](BattleObject& a) { a.hitStop = 1; }},
      {"a waiting partner", [](BattleObject& a) { a.partnerState = 1; }},
      {"a global freeze requested",
       [](BattleObject&) { g_BattleState[BattleStateIndex::kGlobalFreezeRequest] = 1; }},
      {"another player's freeze", [](BattleObject&) { g_BattleState[FreezeTimerIndex(1)] = 10; }},
      {"a throw", [](BattleObject& a) { const_cast<Han6AttackData*>(a.frameRec->attack)->atng = 1; }},
      {"the same side", [](BattleObject& a) { a.side = 1; }},
  };
  for (const auto& c : cases) {
    Reset();
    TestFrameData att, def;
    att.Pattern(0, {Striking()});
    def.Pattern(0, {Standing()});
    BattleObject& a = Place(0, att, 0);
    BattleObject& t = Place(1, def, 30);
    a.hitsLeft = 1;
    c.setup(a);
    DetectHits(a);
    EXPECT_EQ(t.pendingHitCount, 0) << c.name;
  }
}

// Two attacks whose boxes meet the other's clash box: both stop for 16 frames, each spends a
// hit, nobody is hit, and the spark draws twice from the common stream.
TEST_F(Detection, AClash) {
  TestFrameData data;
  FrameDef f = Striking();
  f.boxes.resize(12);
  f.boxes[11] = BoxDef{0, -70, 45, -30};
  data.Pattern(0, {f});
  BattleObject& a = Place(0, data, 0);
  BattleObject& b = Place(1, data, 50, 1);
  a.hitsLeft = b.hitsLeft = 2;
  const int32_t draws = g_RandDrawCount;
  DetectHits(a);
  DetectHits(b);
  EXPECT_EQ(g_RandDrawCount - draws, 2);
  for (BattleObject* o : {&a, &b}) {
    EXPECT_EQ(o->hitStop, 16);
    EXPECT_EQ(o->hitsLeft, 1);
    EXPECT_EQ(o->registeredHits, 1);
    EXPECT_EQ(o->pendingHitCount, 0);
    EXPECT_EQ(o->contactFlags, 0x04 | 0x10);
    EXPECT_EQ(o->strikeInvuln, 18);
    EXPECT_EQ(o->throwInvuln, 18);
  }
  EXPECT_EQ(a.target, &b);
  EXPECT_EQ(b.target, &a);
  EXPECT_EQ(a.attackConnected, 1);
}

TEST_F(Detection, ClashBoxesAgainstClashBoxes) {
  TestFrameData data;
  FrameDef f = Standing();
  f.boxes.resize(12);
  f.boxes[11] = BoxDef{0, -70, 30, -30};
  data.Pattern(0, {f});
  BattleObject& a = Place(0, data, 0);
  BattleObject& b = Place(1, data, 50, 1);
  a.hitsLeft = 1;
  b.hitsLeft = 1;
  b.hitReaction = 5;  // a candidate in hit reaction does not clash
  EXPECT_EQ(CheckClashBoxes(a), 0);
  b.hitReaction = 0;
  EXPECT_EQ(CheckClashBoxes(a), 1);
  EXPECT_EQ(a.hitStop, 16);
  EXPECT_EQ(b.hitStop, 16);
  EXPECT_EQ(a.hitsLeft, 0);
  EXPECT_EQ(b.hitsLeft, 0);
}

// The throw tries the character it last dealt with first, then the slots in order, and
// registers once per frame.
TEST_F(Detection, ThrowTargetOrder) {
  for (const bool withTarget : {false, true}) {
    Reset();
    TestFrameData att, def;
    FrameDef s = Striking(0, 1);
    s.hit->atf1 = 0x200;  // its own side too
    att.Pattern(0, {s});
    def.Pattern(0, {Standing()});
    BattleObject& a = Place(0, att, 0);
    BattleObject& t1 = Place(1, def, 30);
    BattleObject& t2 = Place(2, def, 30);
    g_SideStatus[0].activePlayer = 2;
    a.hitsLeft = 5;
    if (withTarget) a.target = &t2;
    DetectThrows(a);
    EXPECT_EQ(t1.pendingHitCount, withTarget ? 0 : 1);
    EXPECT_EQ(t2.pendingHitCount, withTarget ? 1 : 0);
    EXPECT_EQ(a.hitsLeft, 4);
  }
}

// The hit phase throws only for attackers that were not struck this frame, whatever the order
// the characters are listed in.
TEST_F(Detection, NoThrowWhenStruck) {
  InstallHitDetectionSeams();
  g_BattlePhase = 1;
  TestFrameData thr, str;
  thr.Pattern(0, {Striking(0, 1)});
  str.Pattern(0, {Striking()});
  BattleObject& a = Place(0, thr, 0);
  BattleObject& b = Place(1, str, 30, 1);
  a.hitsLeft = b.hitsLeft = 1;
  b.drawPriority = 200;  // the striker is listed first
  CharactersHitPhase();
  EXPECT_EQ(a.pendingHitCount, 1);
  EXPECT_EQ(b.pendingHitCount, 0);
  EXPECT_EQ(a.throwConnected, 0);

  Reset();
  InstallHitDetectionSeams();
  g_BattlePhase = 1;
  BattleObject& a2 = Place(0, thr, 0);
  BattleObject& b2 = Place(1, str, 30, 1);
  a2.hitsLeft = b2.hitsLeft = 1;
  a2.drawPriority = 200;  // the thrower is listed first but throws after every strike
  CharactersHitPhase();
  EXPECT_EQ(a2.pendingHitCount, 1);
  EXPECT_EQ(b2.pendingHitCount, 0);
}

TEST_F(Detection, SeparatePairShares) {
  const struct {
    const char* name;
    int32_t ax, bx;
    uint8_t af, bf, awf, bwf;
    int32_t ay, by;
    int32_t d;
    int32_t wantA, wantB;  // positions after
  } cases[] = {
      {"a right of b", 1000, 0, 0, 0, 0, 0, 0, 0, 200, 1100, -100},
      {"a left of b", 0, 1000, 0, 0, 0, 0, 0, 0, 200, -100, 1100},
      {"odd d: a takes the odd unit", 1000, 0, 0, 0, 0, 0, 0, 0, 129, 1065, -64},
      {"d of 128 is split", 1000, 0, 0, 0, 0, 0, 0, 0, 128, 1064, -64},
      {"small d: a moves all", 1000, 0, 0, 0, 0, 0, 0, 0, 127, 1127, 0},
      {"tie, a faces right: a moves left", 0, 0, 0, 1, 0, 1, 0, 0, 200, -100, 100},
      {"tie, a faces left: a moves right", 0, 0, 1, 0, 1, 0, 0, 0, 200, 100, -100},
      {"tie, wanted facings decide", 0, 0, 0, 0, 0, 1, 0, 0, 200, -100, 100},
      {"tie, middle zone facing left, a lower", 0, 0, 1, 1, 1, 1, 0, -5, 200, 100, -100},
      {"tie, middle zone facing left, a higher", 0, 0, 1, 1, 1, 1, -5, 0, 200, -100, 100},
      {"tie, middle zone facing right, a higher", 0, 0, 0, 0, 0, 0, -5, 0, 200, 100, -100},
      {"tie, middle zone facing right, same height", 0, 0, 0, 0, 0, 0, 0, 0, 200, -100, 100},
      {"tie at the right zone, facing right, same height", 65536, 65536, 0, 0, 0, 0, 0, 0, 200, 65636, 65436},
      {"tie at the left zone, facing left, same height", -65536, -65536, 1, 1, 1, 1, 0, 0, 200, -65636,
       -65436},
  };
  for (const auto& c : cases) {
    BattleObject a{}, b{};
    a.posX = c.ax;
    b.posX = c.bx;
    a.facing = c.af;
    b.facing = c.bf;
    a.wantedFacing = c.awf;
    b.wantedFacing = c.bwf;
    a.posY = c.ay;
    b.posY = c.by;
    SeparatePair(a, b, c.d);
    EXPECT_EQ(a.posX, c.wantA) << c.name;
    EXPECT_EQ(b.posX, c.wantB) << c.name;
  }
}

TEST_F(Detection, DistanceExcess) {
  TestFrameData data;
  data.Pattern(0, {Standing()});
  const struct {
    int32_t other;
    int32_t excess;
  } cases[] = {{93441, 1}, {93440, 0}, {-93441, -1}, {0, 0}, {200000, 200000 - 93440}};
  for (const auto& c : cases) {
    Reset();
    BattleObject& o = PlaceCharacter(0, data.Set(), 0);
    PlaceCharacter(1, data.Set(), c.other);
    EXPECT_EQ(GetDistanceExcess(o, o.posX), c.excess) << c.other;
  }
}

// The push pass hands the overlap it measured to the separation.
TEST_F(Detection, PushPassSeparatesByTheMeasuredOverlap) {
  InstallHitDetectionSeams();
  TestFrameData data;
  data.Pattern(0, {Standing()});  // push boxes 20 pixels either side
  BattleObject& a = Place(0, data, 0);
  BattleObject& b = Place(1, data, 10, 1);
  PushApartCharacters();
  EXPECT_EQ(a.posX, -15 * 128);
  EXPECT_EQ(b.posX, 25 * 128);
}

TEST_F(Detection, OverlapSearch) {
  TestFrameData data, shot;
  FrameDef f = Standing();
  f.boxes.resize(10);
  f.boxes[9] = BoxDef{-40, -50, 40, 0};
  data.Pattern(0, {f});
  shot.Pattern(0, {Striking(0x1)});
  BattleObject& a = Place(0, data, 0);
  BattleObject& b = Place(1, data, 30);
  BattleObject& c = Place(2, shot, -30);
  c.side = 1;
  EXPECT_EQ(ProximityBoxesOverlap(a, b), 1);
  b.posX = 90 * 128;
  EXPECT_EQ(ProximityBoxesOverlap(a, b), 0);
  // Self's slot 9 against the others' hurt boxes, other side only: b is out of reach, c is in.
  EXPECT_EQ(FindOverlappingObject(a, 3, 2, 0, 1, 0), &c);
  EXPECT_EQ(FindOverlappingObject(a, 3, 2, 1, 1, 0), nullptr);
  EXPECT_EQ(FindOverlappingObject(a, 3, -4, 0, 1, 0), nullptr);  // a negative kind lists nothing
  // Against attack boxes: c's attack is spent unless the filter's tens ask for spent ones too.
  c.hitsLeft = 0;
  EXPECT_EQ(FindOverlappingObject(a, 3, 0, 0, 1, 0), nullptr);
  EXPECT_EQ(FindOverlappingObject(a, 3, 0, 0, 1, 10), &c);
  c.hitsLeft = 1;
  EXPECT_EQ(FindOverlappingObject(a, 3, 0, 0, 1, 1), &c);  // guardable standing, not a throw
  EXPECT_EQ(FindOverlappingObject(a, 3, 0, 0, 1, 2), nullptr);
  EXPECT_EQ(FindOverlappingObject(a, 3, 0, 0, 1, 6), nullptr);
}

TEST_F(Detection, AttackFilterTable) {
  const Han6AttackData strikeHigh = Attack(0x1), strikeLow = Attack(0x4), throwHigh = Attack(0x1, 1),
                       plainThrow = Attack(0, 1);
  const struct {
    int filter;
    int want[4];  // strike 0x1, strike 0x4, throw 0x1, plain throw
  } cases[] = {
      {0, {1, 1, 1, 1}}, {1, {1, 0, 0, 0}}, {2, {0, 1, 0, 0}},  {3, {1, 1, 0, 0}},
      {4, {0, 0, 1, 0}}, {5, {0, 0, 0, 0}}, {6, {0, 0, 1, 1}},  {7, {1, 0, 1, 0}},
      {8, {0, 1, 0, 0}}, {9, {1, 1, 1, 1}}, {-3, {1, 1, 1, 1}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesAttackFilter(strikeHigh, c.filter), c.want[0]) << c.filter;
    EXPECT_EQ(MatchesAttackFilter(strikeLow, c.filter), c.want[1]) << c.filter;
    EXPECT_EQ(MatchesAttackFilter(throwHigh, c.filter), c.want[2]) << c.filter;
    EXPECT_EQ(MatchesAttackFilter(plainThrow, c.filter), c.want[3]) << c.filter;
  }
}

// Box 9 counts for the shield only in frames of ten or more slots.
TEST_F(Detection, ShieldBoxes) {
  TestFrameData att, def;
  att.Pattern(0, {Striking()});
  FrameDef d = Standing();
  d.boxes = {BoxDef{-20, -100, 20, 0}, BoxDef{-5, -90, 5, 0}};  // the hurt box is out of reach
  d.boxes.resize(10);
  d.boxes[9] = BoxDef{-40, -80, 40, 0};
  def.Pattern(0, {d});
  BattleObject& a = Place(0, att, 0);
  BattleObject& t = Place(1, def, 45);
  ScreenRect out{};
  EXPECT_EQ(ShieldBoxesOverlap(t, a, &out), 1);
  EXPECT_EQ(out.x1, 330);
  EXPECT_EQ(out.x2, 360);
  def.Set()->patterns->patterns[0]->frames[0].boxCount = 9;
  EXPECT_EQ(ShieldBoxesOverlap(t, a, &out), 0);
}

TEST_F(Detection, ScreenAndWorldPointsInFrameCoordinates) {
  SetCamera(1000, -300);
  Han6Frame f;
  BattleObject o{};
  o.frameRec = &f;
  o.posX = 1000 + 5 * 128;
  o.posY = -300;
  const struct {
    int16_t kind;
    int facing;
    int32_t sx, sy;
    int32_t wantX, wantY;
    int result;
  } cases[] = {
      {0, 0, 325, 432, 0, 0, -1},                               // the object's feet
      {1, 0, 325, 432, 0, 0, 0},   {0, 0, 326, 432, 0, 0, -1},  // one pixel right: half scale
      {1, 0, 326, 432, 1, 0, 0},   {0, 0, 327, 430, 1, -1, -1},
      {1, 1, 327, 430, -2, -2, 0},  // facing left mirrors x
      {2, 0, 326, 432, 128, 0, 1},  // other kinds stay in world units
  };
  for (const auto& c : cases) {
    f.spriteKind = c.kind;
    o.facing = static_cast<uint8_t>(c.facing);
    int32_t x = c.sx, y = c.sy;
    EXPECT_EQ(ScreenToFrameCoords(o, &x, &y), c.result);
    EXPECT_EQ(x, c.wantX) << c.kind << " " << c.sx;
    EXPECT_EQ(y, c.wantY) << c.kind << " " << c.sx;
  }
  o.facing = 1;
  int32_t x = o.posX + 3 * 256 + 10, y = o.posY - 257;
  WorldToLocalOffset(o, &x, &y);
  EXPECT_EQ(x, -3);
  EXPECT_EQ(y, -2);  // arithmetic shift rounds down
}

TEST_F(Detection, BoxToWorldOrdersAndDoubles) {
  Han6Frame f;
  f.spriteKind = 0;
  BattleObject o{};
  o.frameRec = &f;
  o.posX = 1000;
  o.posY = -50;
  o.facing = 1;
  WorldRect r;
  BoxToWorld(o, Han6Box{-10, -20, 4, 0}, &r);
  EXPECT_EQ(r.x1, 1000 - 8 * 128);
  EXPECT_EQ(r.x2, 1000 + 20 * 128);
  EXPECT_EQ(r.y1, -50 - 40 * 128);
  EXPECT_EQ(r.y2, -50);
}

// During a freeze started by player 1, player 1's objects marked for it with its serial act,
// player 0's do not; flag 0x1000 always acts.
TEST_F(Detection, FreezeGate) {
  g_BattleState[FreezeTimerIndex(1)] = 30;
  g_BattleState[FreezeSerialIndex(1)] = 7;
  BattleObject p0{}, p1{};
  p0.playerIndex = 0;
  p1.playerIndex = 1;
  EXPECT_EQ(CanActDuringFreeze(p0), 0);
  EXPECT_EQ(CanActDuringFreeze(p1), 1);
  BattleObject child{};
  child.kind = kKindChildFirst;
  EXPECT_EQ(CanActDuringFreeze(child), 0);  // no owner
  child.owner = &p1;
  EXPECT_EQ(CanActDuringFreeze(child), 0);  // not marked for the freeze
  child.flags = 0x40;
  child.freezeSerial = 6;
  EXPECT_EQ(CanActDuringFreeze(child), 0);  // another serial
  child.freezeSerial = 7;
  EXPECT_EQ(CanActDuringFreeze(child), 1);
  child.owner = &p0;
  EXPECT_EQ(CanActDuringFreeze(child), 0);
  p0.flags = 0x1000;
  EXPECT_EQ(CanActDuringFreeze(p0), 1);
  g_GlobalFreeze = 5;
  EXPECT_EQ(CanActDuringFreeze(p1), 0);
  EXPECT_EQ(CanActDuringFreeze(p0), 1);
  g_GlobalFreeze = 0;
  g_BattleState[FreezeTimerIndex(1)] = 0;
  EXPECT_EQ(CanActDuringFreeze(child), 1);  // no freeze runs
  g_BattleState[BattleStateIndex::kFreezeStarted] = 1;
  g_BattleState[FreezeTimerIndex(1)] = 30;
  p0.flags = 0;
  EXPECT_EQ(CanActDuringFreeze(p0), 1);
}

TEST_F(Detection, SideLookups) {
  TestFrameData data;
  data.Pattern(0, {Standing()});
  PlaceCharacter(0, data.Set(), 0);
  PlaceCharacter(1, data.Set(), 0);
  PlaceCharacter(3, data.Set(), 0);
  g_GameModeFlags = 0x1;
  EXPECT_EQ(GetSidePlayerIndex(1, 0), 1);
  EXPECT_EQ(GetSidePlayerIndex(1, 1), -1);  // no partner outside tag mode
  EXPECT_EQ(GetSidePlayer(1, 1), nullptr);
  EXPECT_EQ(GetSidePlayer(4, 0), nullptr);
  EXPECT_EQ(GetSidePlayer(-1, 0), nullptr);
  g_GameModeFlags = 0x101;
  g_PlayerRecords[1].obj.partner = &g_PlayerRecords[3].obj;
  EXPECT_EQ(GetSidePlayer(1, 1), &g_PlayerRecords[3].obj);
  EXPECT_EQ(GetSidePlayer(0, 1), nullptr);  // side 0 has no partner
  g_GameModeFlags = 0x200;
  EXPECT_EQ(GetSidePlayerIndex(1, 0), 1);
  EXPECT_EQ(GetSidePlayerIndex(1, 1), 3);
  EXPECT_EQ(GetSidePlayerIndex(0, 1), -1);
  g_PlayerRecords[1].inUse = 0;
  EXPECT_EQ(GetSidePlayerIndex(1, 0), 3);
  g_GameModeFlags = 0x1;
  EXPECT_EQ(GetSidePlayer(1, 0), nullptr);  // the slot is not in use
}

TEST_F(Detection, StatusMarks) {
  BattleObject o{};
  SetStatusMark(o, 2);
  EXPECT_EQ(o.statusKind, 2);
  EXPECT_EQ(o.statusTimer, 120);
  SetStatusMark(o, 4);
  EXPECT_EQ(o.statusKind, 4);
  EXPECT_EQ(o.reversedFrames, 600);
  SetStatusMark(o, 255);
  EXPECT_EQ(o.statusKind, 0);
  EXPECT_EQ(o.reversedFrames, 600);  // reversed frames stay
  SetStatusMark(o, 7);
  EXPECT_EQ(o.statusKind, 0);
}

}  // namespace

namespace {

// With partners or four players a holder's attacks touch only what it holds, and a held
// character only the attacks of its holder.
TEST_F(Detection, HoldersTouchOnlyWhatTheyHoldInPartnerModes) {
  const struct {
    const char* name;
    int32_t mode;
    bool holds;  // the attacker holds the character in slot 3
    bool hit1, hit3;
  } cases[] = {
      {"versus: both", 0x1, true, true, true},
      {"tag: only the held one", 0x101, true, false, true},
      {"tag: a character held by another is not touched", 0x101, false, true, false},
  };
  for (const auto& c : cases) {
    Reset();
    g_GameModeFlags = c.mode;
    TestFrameData att, def;
    att.Pattern(0, {Striking()});
    def.Pattern(0, {Standing()});
    BattleObject& a = Place(0, att, 0);
    BattleObject& t1 = Place(1, def, 30);
    BattleObject& t3 = Place(3, def, 35);
    g_SideStatus[1].activePlayer = 3;
    t3.held = 1;
    if (c.holds) a.heldObject = &t3;
    a.hitsLeft = 1;
    DetectHits(a);
    EXPECT_EQ(t1.pendingHitCount, c.hit1 ? 1 : 0) << c.name;
    EXPECT_EQ(t3.pendingHitCount, c.hit3 ? 1 : 0) << c.name;
  }
}

// A held attacker does not throw in the partner modes.
TEST_F(Detection, AHeldThrowerInPartnerModes) {
  for (const int32_t mode : {0x1, 0x101}) {
    Reset();
    g_GameModeFlags = mode;
    TestFrameData att, def;
    att.Pattern(0, {Striking(0, 1)});
    def.Pattern(0, {Standing()});
    BattleObject& a = Place(0, att, 0);
    BattleObject& t = Place(1, def, 30);
    a.held = 1;
    a.hitsLeft = 1;
    DetectThrows(a);
    EXPECT_EQ(t.pendingHitCount, mode == 0x1 ? 1 : 0) << mode;
  }
}

}  // namespace

namespace {

// The searches take the characters first, then (when asked) the pool, each in slot order.
TEST_F(Detection, SearchesTakeCharactersThenThePool) {
  TestFrameData data;
  FrameDef f = Standing();
  f.boxes.resize(10);
  f.boxes[9] = BoxDef{-40, -50, 40, 0};
  data.Pattern(0, {f});
  BattleObject& a = Place(0, data, 0);
  BattleObject& far = Place(1, data, 400);
  for (int i : {0, 1}) {
    ObjectPoolSlot& s = g_ObjectPool[i];
    s.inUse = 1;
    s.obj.kind = kKindSpawned;
    s.obj.side = 1;
    s.obj.frameData = data.Set();
    s.obj.posX = (10 + i) * 128;
    SetPattern(s.obj);
    NotePoolSlotTaken(s);
  }
  EXPECT_EQ(FindOverlappingObject(a, 3, 2, 0, 1, 0), nullptr);  // characters only
  EXPECT_EQ(FindOverlappingObject(a, 3, 2, 0, 2, 0), &g_ObjectPool[0].obj);
  far.posX = 20 * 128;
  EXPECT_EQ(FindOverlappingObject(a, 3, 2, 0, 2, 0), &far);
}

// The achievement hooks of detection: a local side's character 25 striking in pattern 60, and
// character 29 throwing in pattern 375.
TEST_F(Detection, AchievementHooks) {
  static std::vector<int> queued;
  for (const bool isThrow : {false, true}) {
    for (const bool local : {false, true}) {
      Reset();
      queued.clear();
      if (local) g_BattleSeams.IsLocalSide = [](int side) { return side == 0 ? 1 : 0; };
      g_BattleSeams.QueueAchievement = [](int id) {
        queued.push_back(id);
        return 1;
      };
      TestFrameData att, def;
      att.Pattern(isThrow ? 375 : 60, {Striking(0, isThrow ? 1 : 0)});
      def.Pattern(0, {Standing()});
      BattleObject& a = PlaceCharacter(0, att.Set(), 0);
      a.charaIndex = isThrow ? 29 : 25;
      a.pattern = isThrow ? 375 : 60;
      SetPattern(a);
      Place(1, def, 30);
      a.hitsLeft = 1;
      if (isThrow)
        DetectThrows(a);
      else
        DetectHits(a);
      EXPECT_EQ(queued, local ? std::vector<int>{isThrow ? 43 : 47} : std::vector<int>{})
          << (isThrow ? "throw" : "strike");
    }
  }
}

}  // namespace
