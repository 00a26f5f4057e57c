// The object pool: spawn flags and placement, removal cascades, owner counters, scatters on a
// full pool, afterimages, parent cycles and the freeze gate.
#include "battle/object_pool.h"

#include <cstdint>

#include "battle/battle_driver.h"
#include "battle/object_state.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using battle_test::Effect;
using battle_test::FrameDef;
using battle_test::PlaceCharacter;
using battle_test::TestFrameData;

class ObjectPool : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    FrameDef hold;
    hold.duration = 100;
    hold.endAction = 3;
    for (int n : {0, 40, 190, 150, 7, 8}) data_.Pattern(n, {hold});
    chara_ = &PlaceCharacter(0, data_.Set(), 1000);
    chara_->pattern = 40;
    SetPattern(*chara_);
  }
  int Live() const {
    int n = 0;
    for (const ObjectPoolSlot& s : g_ObjectPool) n += s.inUse;
    return n;
  }
  TestFrameData data_;
  BattleObject* chara_ = nullptr;
};

TEST_F(ObjectPool, SpawnFlagsAndPlacement) {
  const struct {
    const char* name;
    int number;
    int32_t p0, p1, p2, p3;
    int pattern;
    uint16_t spawnFlags, flags;
    int16_t priority;
    int facing;
    int32_t x, y;
  } cases[] = {
      {"relative number", 150, 10, -20, 0, 0, 190, 0, 0, 100, 0, 1000 + 1280, -2560},
      {"1000 is not relative; past the pattern slots it falls back", 1000, 0, 0, 0, 0, 0, 0, 0, 100, 0, 1000,
       0},
      {"link flags", 7, 0, 0, 0x01 | 0x04 | 0x08 | 0x20 | 0x40 | 0x02, 0, 7, 0x6F, 0, 100, 0, 1000, 0},
      {"behaviour flags", 7, 0, 0, 0, 0x0001 | 0x0002 | 0x0040 | 0x1000 | 0x0400, 7, 0x20, 0x1043, 460, 0,
       1000, 0},
      {"reversed facing", 7, 10, 0, 0x800, 0, 7, 0, 0, 100, 1, 1000 - 1280, 0},
      {"screen placement", 7, 200, 30, 0, 0x0200, 7, 0x02, 0, 100, 0, (200 - 128) * 256, 30 * 256},
      {"absolute y", 7, 0, 5, 0x80, 0, 7, 0, 0, 100, 0, 1000, 5 * 256},
      // Offsets from damaged frame data wrap like any position store instead of overflowing.
      {"huge offsets wrap", 7, INT32_MAX, INT32_MIN, 0, 0, 7, 0, 0, 100, 0, 1000 - 128, 0},
      {"huge screen placement wraps", 7, INT32_MIN, INT32_MAX, 0, 0x0200, 7, 0x02, 0, 100, 0, -32768, -256},
      {"a product past the int range wraps", 7, 0x40000000, INT32_MAX, 0, 0, 7, 0, 0, 100, 0, 1000, -128},
  };
  for (const auto& c : cases) {
    for (ObjectPoolSlot& s : g_ObjectPool) s = ObjectPoolSlot{};
    BattleObject* o = SpawnEffectObject(*chara_, Effect(1, c.number, {c.p0, c.p1, c.p2, c.p3}));
    ASSERT_NE(o, nullptr) << c.name;
    EXPECT_EQ(o->pattern, c.pattern) << c.name;
    EXPECT_EQ(o->spawnFlags, c.spawnFlags) << c.name;
    EXPECT_EQ(o->flags, c.flags) << c.name;
    EXPECT_EQ(o->drawPriority, c.priority) << c.name;
    EXPECT_EQ(o->facing, c.facing) << c.name;
    EXPECT_EQ(o->posX, c.x) << c.name;
    EXPECT_EQ(o->posY, c.y) << c.name;
    EXPECT_EQ(o->owner, chara_) << c.name;
    EXPECT_EQ(o->parent, chara_) << c.name;
    EXPECT_EQ(o->kind, kKindSpawned) << c.name;
  }
}

TEST_F(ObjectPool, EngineEffectNumbersAreAbsoluteDataNumbersRelative) {
  // The spawner plays pattern 40: a data record's 150 plays 190, the engine's own 150 plays 150
  // (read as relative it would ask for a pattern the common set may not have, fall back to
  // pattern 0 and never remove itself).
  g_CommonFrameData.patterns = data_.Set()->patterns;
  const struct {
    const char* name;
    bool engine;
    int number;
    int pattern;
  } cases[] = {
      {"data common effect, relative", false, 150, 190},
      {"engine effect, absolute", true, 150, 150},
      {"data number 100 is absolute (no such pattern: falls back to 0)", false, 100, 0},
      {"engine effect below 100", true, 7, 7},
  };
  for (const auto& c : cases) {
    for (ObjectPoolSlot& s : g_ObjectPool) s = ObjectPoolSlot{};
    BattleObject* o = c.engine ? SpawnEngineEffect(*chara_, c.number, 0, 0, 0, 0)
                               : SpawnCommonEffect(*chara_, Effect(8, c.number, {0, 0, 0, 0}));
    ASSERT_NE(o, nullptr) << c.name;
    EXPECT_EQ(o->pattern, c.pattern) << c.name;
  }
  g_CommonFrameData.patterns = nullptr;
}

TEST_F(ObjectPool, EdgePlacementFollowsTheCameraEdges) {
  // Zoomed out the camera's edges lie wider apart; spawns from an edge follow them.
  g_BattleSeams.GetScreenEdge = [](int index) { return index == 0 ? int32_t{-50000} : int32_t{50000}; };
  const struct {
    int32_t p2;
    int facing;
    int32_t x;
  } cases[] = {
      {0x400, 0, 50000 + 1280},   // the edge in front of an object facing right
      {0x400, 1, -50000 - 1280},  // facing left
      {0x200, 0, -50000 + 1280},  // the edge behind
  };
  for (const auto& c : cases) {
    chara_->facing = chara_->wantedFacing = static_cast<uint8_t>(c.facing);
    for (ObjectPoolSlot& s : g_ObjectPool) s = ObjectPoolSlot{};
    BattleObject* o = SpawnEffectObject(*chara_, Effect(1, 7, {10, 0, c.p2, 0}));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->posX, c.x) << c.p2 << " " << c.facing;
  }
}

TEST_F(ObjectPool, OnceOnlySpawnAndMissingPattern) {
  EXPECT_NE(SpawnEffectObject(*chara_, Effect(1000, 7, {0, 0, 0, 0, 0, 3})), nullptr);
  EXPECT_EQ(SpawnEffectObject(*chara_, Effect(1000, 7, {0, 0, 0, 0, 0, 3})), nullptr);
  EXPECT_EQ(SpawnEffectObject(*chara_, Effect(1000, 7, {0, 0, 0, 0, 0, 9})), nullptr);  // no such variable
  chara_->charVars[3] = 0;
  EXPECT_NE(SpawnEffectObject(*chara_, Effect(1000, 7, {0, 0, 0, 0, 0, 3})), nullptr);
  // Pattern 0 exists, so a missing pattern falls back to it; without it the object is freed.
  const int live = Live();
  EXPECT_NE(SpawnEffectObject(*chara_, Effect(1, 1500)), nullptr);
  EXPECT_EQ(SpawnCommonEffect(*chara_, Effect(8, 4)), nullptr);  // the common set is empty
  EXPECT_EQ(Live(), live + 1);
}

TEST_F(ObjectPool, OwnerCounterGiveBack) {
  const struct {
    uint16_t slot;
    int8_t before[10];
    int index;
    int8_t after;
  } cases[] = {{35, {0, 0, 0, 7}, 3, 2},
               {35, {0, 0, 0, 3}, 3, 0},
               {30, {0, 0, 0, 3}, 3, 3},
               {135, {0}, 3, 0},
               {999, {0}, 9, 0}};
  for (const auto& c : cases) {
    for (int i = 0; i < 10; ++i) chara_->actionCounters[i] = c.before[i];
    BattleObject* o = SpawnEffectObject(*chara_, Effect(1, 7));
    ASSERT_NE(o, nullptr);
    o->ownerCounterSlot = c.slot;
    RemovePoolObject(*o);
    RemovePoolObject(*o);  // a second removal gives nothing back
    EXPECT_EQ(chara_->actionCounters[c.index], c.after) << c.slot;
  }
}

TEST_F(ObjectPool, RemovalCascades) {
  BattleObject* resetChild = SpawnEffectObject(*chara_, Effect(1, 7, {0, 0, 0x20}));
  BattleObject* hitChild = SpawnEffectObject(*chara_, Effect(1, 7, {0, 0, 0x01}));
  BattleObject* mid = SpawnEffectObject(*chara_, Effect(1, 7, {0, 0, 0x20}));
  BattleObject* follower = SpawnEffectObject(*mid, Effect(1, 7, {0, 0, 0x04}));
  ASSERT_TRUE(resetChild && hitChild && mid && follower);
  // The parent's action reset frees its 0x20 children at once.
  ResetActionState(*chara_);
  EXPECT_EQ(SlotOf(resetChild)->inUse, 0);
  EXPECT_EQ(SlotOf(hitChild)->inUse, 1);
  // The removed middle object hands its 0x04 child to the grandparent.
  EXPECT_EQ(follower->parent, chara_);
  // A hit parent removes its 0x01 children in the next pool update.
  chara_->hitReaction = 10;
  UpdatePoolObjects();
  EXPECT_EQ(hitChild->removing, 1);
  UpdatePoolObjects();
  EXPECT_EQ(SlotOf(hitChild)->inUse, 0);
}

TEST_F(ObjectPool, ScatterOnAFullPoolStopsWithoutLosingDraws) {
  for (int i = 0; i < kObjectPoolSize - 2; ++i) g_ObjectPool[i].inUse = 1;
  const int32_t drawsBefore = g_RandDrawCount;
  // 100000 passes requested; two slots free: two spawns, two offset draws each, then stop.
  SpawnScatter(*chara_, Effect(11, 7, {0, 0, 10, 10, 100000}));
  EXPECT_EQ(Live(), kObjectPoolSize);
  EXPECT_EQ(g_RandDrawCount - drawsBefore, 4);
  // With P5 and P9 each pass also draws the number and the rotation; P3 30000 is polar.
  for (ObjectPoolSlot& s : g_ObjectPool) s = ObjectPoolSlot{};
  const int32_t before = g_RandDrawCount;
  SpawnScatter(*chara_, Effect(11, 7, {0, 0, 5, 30000, 1, 3, 0, 0, 0, 7}));
  EXPECT_EQ(g_RandDrawCount - before, 3 * 4);
  EXPECT_EQ(Live(), 3);
  // Offsets, numbers and rotations at the ends of the int32 range wrap.
  for (ObjectPoolSlot& s : g_ObjectPool) s = ObjectPoolSlot{};
  SpawnScatter(*chara_, Effect(11, INT32_MAX, {INT32_MAX, INT32_MIN, 10, 10, 2, 0, 0, 0, INT32_MAX, 5}));
  EXPECT_EQ(Live(), 2);
}

// keepPriority keeps the object's draw priority and is kept as the copy's priority flag, whose
// bit 0 the drawing reads; without it the copy draws at 100. The object's priority mode resets.
TEST_F(ObjectPool, AfterimageKeepsItsPriorityFlag) {
  chara_->drawPriority = 128;
  const struct {
    int keep;
    int16_t priority, flag;
  } cases[] = {{0, 100, 0}, {1, 128, 1}, {2, 128, 2}};
  for (const auto& c : cases) {
    chara_->priorityMode = 3;
    BattleObject* a = SpawnAfterimage(*chara_, 0, 0, 0, 10, c.keep);
    ASSERT_NE(a, nullptr) << c.keep;
    EXPECT_EQ(a->drawPriority, c.priority) << c.keep;
    EXPECT_EQ(a->afterPriorityFlag, c.flag) << c.keep;
    EXPECT_EQ(a->owner, chara_) << c.keep;
    EXPECT_EQ(chara_->priorityMode, 0) << c.keep;
  }
}

// Without a pattern 0 to fall back to, every pass frees its slot again: a huge pass count from
// the data still ends after as many passes as the pool has slots, and extreme numbers and
// offsets wrap.
TEST_F(ObjectPool, ScatterPassesEndAtThePoolSize) {
  TestFrameData bare;
  FrameDef hold;
  hold.duration = 100;
  hold.endAction = 3;
  bare.Pattern(40, {hold});
  BattleObject& other = PlaceCharacter(1, bare.Set(), 0);
  other.pattern = 40;
  SetPattern(other);
  const int32_t before = g_RandDrawCount;
  SpawnScatter(other, Effect(11, 7, {0, 0, 10, 10, 1, INT32_MAX}));
  EXPECT_EQ(Live(), 0);
  EXPECT_EQ(g_RandDrawCount - before, 3 * kObjectPoolSize);  // number and two offsets per pass
  SpawnScatter(other, Effect(11, INT32_MAX, {INT32_MAX, INT32_MAX, 10, 10, 2, 0, 0, 0, INT32_MAX, 5}));
  EXPECT_EQ(Live(), 0);
}

TEST_F(ObjectPool, AfterimageLifeIsClampedToItsStoredWidth) {
  const struct {
    int32_t life;
    bool spawned;
    int16_t stored;
  } cases[] = {{0, false, 0}, {65536, true, 32767}, {-5, true, 1}, {30, true, 30}};
  for (const auto& c : cases) {
    BattleObject* a = SpawnAfterimage(*chara_, 2, 0, 0, c.life, 0);
    EXPECT_EQ(a != nullptr, c.spawned) << c.life;
    if (!a) continue;
    EXPECT_EQ(a->afterLife, c.stored);
    EXPECT_EQ(a->frameTimer, c.stored);
    EXPECT_EQ(a->kind, kKindAfterimage);
    EXPECT_EQ(a->afterColour, 3);
  }
}

TEST_F(ObjectPool, MoveChildrenSurvivesAParentCycle) {
  BattleObject* a = SpawnEffectObject(*chara_, Effect(1, 7, {0, 0, 0x04}));
  BattleObject* b = SpawnEffectObject(*a, Effect(1, 7, {0, 0, 0x04}));
  ASSERT_TRUE(a && b);
  a->parent = b;  // reused slots can link two objects to each other
  BattleObject* c = SpawnEffectObject(*a, Effect(1, 7, {0, 0, 0x04}));
  BattleObject* d = SpawnEffectObject(*b, Effect(1, 7, {0, 0, 0x04}));
  ASSERT_TRUE(c && d);
  c->parent = b;  // two links back into the cycle: the walk must not multiply
  b->childCount = 2;
  const int32_t ax = a->posX, bx = b->posX, cx = c->posX, dx = d->posX;
  MoveChildren(*a, 128, 0);
  // Every carried object moves once; the parent, already moved by its caller, not again.
  EXPECT_EQ(a->posX, ax);
  EXPECT_EQ(b->posX, bx + 128);
  EXPECT_EQ(c->posX, cx + 128);
  EXPECT_EQ(d->posX, dx + 128);
}

// A carried child near the end of the int range wraps with its parent's move.
TEST_F(ObjectPool, MoveChildrenWrapsAtTheRangeEnd) {
  BattleObject* child = SpawnEffectObject(*chara_, Effect(1, 7, {0, 0, 0x04}));
  ASSERT_NE(child, nullptr);
  child->posX = INT32_MAX;
  child->posY = INT32_MIN;
  MoveChildren(*chara_, 10, -1);
  EXPECT_EQ(child->posX, INT32_MIN + 9);
  EXPECT_EQ(child->posY, INT32_MAX);
}

TEST_F(ObjectPool, FreezeGate) {
  BattleObject* o = SpawnEffectObject(*chara_, Effect(1, 7));
  ASSERT_NE(o, nullptr);
  const struct {
    uint16_t flags;
    int32_t globalFreeze, freeze0, freeze1, serial0, objSerial, started;
    int want;
  } cases[] = {
      {0, 0, 0, 0, 0, 0, 0, 1},      {0, 5, 0, 0, 0, 0, 0, 0},      {0, 0, 0, 4, 0, 0, 0, 0},
      {0, 0, 0, 4, 0, 0, 1, 1},      {0x1000, 5, 3, 3, 0, 0, 0, 1}, {0x0040, 0, 3, 0, 2, 2, 0, 1},
      {0x0040, 0, 3, 0, 2, 1, 0, 0}, {0x0040, 0, 0, 3, 0, 0, 0, 0}, {0x0040, 5, 0, 0, 0, 0, 0, 1},
  };
  for (const auto& c : cases) {
    o->flags = c.flags;
    o->freezeSerial = c.objSerial;
    g_GlobalFreeze = c.globalFreeze;
    g_BattleState[FreezeTimerIndex(0)] = c.freeze0;
    g_BattleState[FreezeTimerIndex(1)] = c.freeze1;
    g_BattleState[FreezeSerialIndex(0)] = c.serial0;
    g_BattleState[BattleStateIndex::kFreezeStarted] = c.started;
    EXPECT_EQ(PoolObjectMayAct(*o), c.want) << c.flags << " " << c.globalFreeze << " " << c.freeze0;
  }
}

}  // namespace

namespace {
TEST_F(ObjectPool, OnlyPoolObjectsAreRemoved) {
  RemovePoolObject(*chara_);
  EXPECT_EQ(chara_->removing, 0);
}
}  // namespace

namespace {
// A child moving with its character (spawn flag 0x04) also takes the character's wall
// correction of the span it covers with the object it holds; a waiting partner has none.
TEST_F(ObjectPool, CarriedChildTakesTheHeldSpanWallCorrection) {
  g_BattleSeams.HeldSpanEdgeCorrection = [](BattleObject*) { return int32_t{-300}; };
  for (uint8_t partnerState : {uint8_t{0}, uint8_t{1}}) {
    for (ObjectPoolSlot& s : g_ObjectPool) s = ObjectPoolSlot{};
    BattleObject* child = SpawnEffectObject(*chara_, Effect(1, 7, {0, 0, 0x04}));
    ASSERT_NE(child, nullptr);
    g_ObjectPool[0].spawnedInUpdate = 0;
    chara_->partnerState = partnerState;
    chara_->prevPosX = chara_->posX;
    chara_->posX += 1000;
    const int32_t x0 = child->posX;
    UpdatePoolObjects();
    EXPECT_EQ(child->posX - x0, partnerState ? 1000 : 700) << int{partnerState};
  }
}

// Removing an object resets the local side's removal achievement counter, no other side's.
TEST_F(ObjectPool, RemovalResetsOnlyTheLocalSidesAchievementCounter) {
  static std::vector<int> resets;
  resets.clear();
  g_BattleSeams.IsLocalSide = [](int side) { return side == 1 ? 1 : 0; };
  g_BattleSeams.ResetRemovalAchievementCounter = [](int side) { resets.push_back(side); };
  for (uint8_t side : {uint8_t{0}, uint8_t{1}}) {
    chara_->side = side;
    BattleObject* o = SpawnEffectObject(*chara_, Effect(1, 7));
    ASSERT_NE(o, nullptr);
    RemovePoolObject(*o);
  }
  EXPECT_EQ(resets, std::vector<int>{1});
}
}  // namespace

namespace {
// P3 0x0100: the x offset runs from the spawner toward its opponent (the target, else the
// nearest character of the other side), by their distance.
TEST_F(ObjectPool, OffsetTowardTheOpponent) {
  BattleObject& near = PlaceCharacter(1, data_.Set(), -3000);
  BattleObject& far = PlaceCharacter(3, data_.Set(), 9000);
  far.side = near.side = 1;
  const struct {
    const char* name;
    BattleObject* target;
    int32_t x;
  } cases[] = {
      {"no target: the nearest opponent", nullptr, 1000 + 1280 - 4000},
      {"the target", &far, 1000 + 1280 + 8000},
  };
  for (const auto& c : cases) {
    for (ObjectPoolSlot& s : g_ObjectPool) s = ObjectPoolSlot{};
    chara_->target = c.target;
    BattleObject* o = SpawnEffectObject(*chara_, Effect(1, 7, {10, 0, 0, 0x0100}));
    ASSERT_NE(o, nullptr) << c.name;
    EXPECT_EQ(o->posX, c.x) << c.name;
  }
}
}  // namespace

namespace {
// Follow modes 1 and 2 of a spawned object around its owner (standing at x 1000, y 0, facing
// left): the reaction requested (base + r, -1 none), where the object ends and which way it faces.
TEST_F(ObjectPool, FollowModes) {
  chara_->facing = chara_->wantedFacing = 1;
  constexpr int kBase = 7;
  const struct {
    const char* name;
    uint8_t mode;
    int offset;  // the pattern is base + offset
    int32_t x, y;
    uint16_t limit, frames;
    int16_t delay;
    int16_t anchor;
    int requested;  // r, -1 when nothing is requested
    int32_t wantX, wantY;
    int16_t wantDelay;
    uint8_t wantFacing;
  } cases[] = {
      {"1: near enough in base+2", 1, 2, 1000 + 6144, -6144, 0, 0, 0, 0, -1, 1000 + 6144, -6144, 0, 1},
      {"1: too far in base+2", 1, 2, 1000 + 6145, 0, 0, 0, 0, 0, 3, 1000 + 6145, 0, 0, 1},
      {"1: follow limit reached", 1, 2, 1000, 0, 3, 2, 0, 0, 3, 1000, 0, 0, 1},
      {"1: homed in from base+3", 1, 3, 1000 + 4096, -4096, 0, 0, 0, 0, 2, 1000 + 4096 - 256, -4096 + 256, 40,
       1},
      {"1: closing in by a sixteenth", 1, 3, 1000 + 32000, 0, 0, 0, 0, 0, -1, 1000 + 30000, 0, 0, 1},
      {"1: at least one unit", 1, 3, 1000 - 5, 0, 0, 0, 0, 0, 2, 1000 - 4, 0, 40, 1},
      {"1: waiting out the delay", 1, 2, 1000 + 50000, 0, 0, 0, 5, 0, -1, 1000 + 50000, 0, 4, 0},
      {"1: another pattern", 1, 4, 1000 + 50000, 0, 0, 0, 0, 0, -1, 1000 + 50000, 0, 0, 1},
      {"2: near on the ground", 2, 2, 1000 - 6144, -10000, 0, 0, 0, 0, -1, 1000 - 6144, -10000, 0, 0},
      {"2: too high", 2, 2, 1000 - 6144, -10001, 0, 0, 0, 0, 3, 1000 - 6144, -10001, 0, 0},
      {"2: walking back", 2, 3, 1000 + 5000, 0, 0, 0, 0, 300, -1, 1000 + 4700, 0, 0, 1},
      {"2: back again", 2, 3, 1000 + 4096, 0, 0, 0, 0, 300, 2, 1000 + 3796, 0, 0, 1},
      // Far apart across the whole position range: the distances do not overflow.
      {"1: across the range", 1, 3, INT32_MIN, 0, 0, 0, 0, 0, -1,
       INT32_MIN + static_cast<int32_t>((1000LL - INT32_MIN) / 16), 0, 0, 1},
  };
  for (const auto& c : cases) {
    for (ObjectPoolSlot& s : g_ObjectPool) s = ObjectPoolSlot{};
    BattleObject* o = SpawnEffectObject(*chara_, Effect(1, kBase, {0, 0, 0, 0, c.mode}));
    ASSERT_NE(o, nullptr) << c.name;
    ASSERT_EQ(o->followBase, kBase) << c.name;
    o->pattern = kBase + c.offset;
    o->pendingPattern = -1;
    o->pendingPriority = -1;
    o->facing = o->wantedFacing = 0;
    o->posX = c.x;
    o->posY = c.y;
    o->followLimit = c.limit;
    o->followFrames = c.frames;
    o->followDelay = c.delay;
    o->anchorPoint = c.anchor;
    FollowStep(*o);
    EXPECT_EQ(o->pendingPattern, c.requested < 0 ? -1 : kBase + c.requested) << c.name;
    EXPECT_EQ(o->posX, c.wantX) << c.name;
    EXPECT_EQ(o->posY, c.wantY) << c.name;
    EXPECT_EQ(o->followDelay, c.wantDelay) << c.name;
    EXPECT_EQ(o->facing, c.wantFacing) << c.name;
  }
}

// Children carried with their parent move by wrapping stores at the ends of the range.
TEST_F(ObjectPool, CarriedChildrenWrapAtTheEndsOfTheRange) {
  BattleObject* a = SpawnEffectObject(*chara_, Effect(1, 7, {0, 0, 0x04}));
  BattleObject* b = SpawnEffectObject(*a, Effect(1, 7, {0, 0, 0x04}));
  ASSERT_TRUE(a && b);
  a->posX = INT32_MAX - 10;
  b->posX = INT32_MIN + 10;
  MoveChildren(*chara_, 100, -100);
  EXPECT_EQ(a->posX, INT32_MIN + 89);
  EXPECT_EQ(b->posX, INT32_MIN + 110);
  EXPECT_EQ(a->posY, -100);
  EXPECT_EQ(b->posY, -100);
}
}  // namespace

namespace {
// An object locked to its parent's animation (P3 0x0002) takes its next frame by its own end
// action only on a step where the parent entered a new frame and it did not; its frame timer
// counts up in every case (entering a frame here leaves the timer to this count).
TEST_F(ObjectPool, LockedAnimationFollowsTheParentsFrames) {
  FrameDef last;
  last.duration = 100;
  last.endAction = 3;
  for (uint8_t action = 0; action < 4; ++action) {
    FrameDef first = last;
    first.endAction = action;
    first.jump = 0;
    data_.Pattern(50 + action, {first, last});
  }
  const struct {
    const char* name;
    uint8_t action;
    uint8_t parentPending, ownPending;
    int16_t loop;
    int32_t wantFrame;
    int16_t wantLoop;
    uint8_t wantRemoving;
    int32_t wantTimer;
    uint8_t wantOwnPending;
  } cases[] = {
      {"next frame", 1, 1, 0, 0, 1, 0, 0, 6, 1},       {"jump, loop counted", 2, 1, 0, 3, 0, 2, 0, 6, 1},
      {"end: removed", 0, 1, 0, 0, 0, 0, 1, 6, 0},     {"hold: nothing", 3, 1, 0, 0, 0, 0, 0, 6, 0},
      {"parent mid-frame", 1, 0, 0, 0, 0, 0, 0, 6, 0}, {"own new frame first", 1, 1, 1, 0, 0, 0, 0, 6, 0},
  };
  for (const auto& c : cases) {
    for (ObjectPoolSlot& s : g_ObjectPool) s = ObjectPoolSlot{};
    BattleObject* o = SpawnEffectObject(*chara_, Effect(1, 50 + c.action, {0, 0, 0, 0x0002}));
    ASSERT_NE(o, nullptr) << c.name;
    SlotOf(o)->spawnedInUpdate = 0;
    chara_->conditionsPending = c.parentPending;
    o->conditionsPending = c.ownPending;
    o->loopCounter = c.loop;
    o->frameTimer = 5;
    UpdatePoolObjects();
    EXPECT_EQ(o->frame, c.wantFrame) << c.name;
    EXPECT_EQ(o->loopCounter, c.wantLoop) << c.name;
    EXPECT_EQ(o->removing, c.wantRemoving) << c.name;
    EXPECT_EQ(o->frameTimer, c.wantTimer) << c.name;
    EXPECT_EQ(o->conditionsPending, c.wantOwnPending) << c.name;
  }
}
}  // namespace

namespace {
// A child with spawn flag 0x08 steps only on frames its parent stepped; one spawned inside the
// update skips its first step; others step every frame.
TEST_F(ObjectPool, StepGates) {
  const struct {
    const char* name;
    int32_t p2;
    uint8_t parentStepped, spawnedInUpdate;
    bool steps;
  } cases[] = {
      {"parent stepped", 0x08, 1, 0, true},
      {"parent did not step", 0x08, 0, 0, false},
      {"not tied to the parent", 0, 0, 0, true},
      {"spawned inside the update", 0, 1, 1, false},
  };
  for (const auto& c : cases) {
    for (ObjectPoolSlot& s : g_ObjectPool) s = ObjectPoolSlot{};
    BattleObject* o = SpawnEffectObject(*chara_, Effect(1, 7, {0, 0, c.p2}));
    ASSERT_NE(o, nullptr) << c.name;
    SlotOf(o)->spawnedInUpdate = c.spawnedInUpdate;
    chara_->stepped = c.parentStepped;
    const int32_t timer = o->frameTimer;
    UpdatePoolObjects();
    EXPECT_EQ(o->frameTimer - timer, c.steps ? 1 : 0) << c.name;
    EXPECT_EQ(SlotOf(o)->spawnedInUpdate, 0) << c.name;
  }
}
}  // namespace
