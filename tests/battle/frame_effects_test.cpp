// Frame effects in a world of two characters and a pool: each family of effects changes
// exactly its documented fields; the index, trail and divisor guards; the random draws of
// every draw site; throws holding, damaging and releasing a victim; the sound requests and the
// busy model; the list captured when an effect enters another frame.
#include "battle/frame_effects.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <set>
#include <string>

#include "Dxtools/IniFile.h"
#include "Sound/soundproc.h"
#include "battle/battle_draw.h"
#include "battle/battle_sound.h"
#include "battle/chara_command.h"
#include "battle/object_move.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"
#include "battle_fixture.h"
#include "support/test_util.h"

namespace {

using battle_test::BattleTest;
using battle_test::Effect;
using battle_test::FrameDef;
using battle_test::PlaceCharacter;
using battle_test::SeamCalls;
using battle_test::TestFrameData;

using battle_test::Changed;
using battle_test::Fields;
#undef CMP_FIELD
#undef CMP_ARRAY

void Do(BattleObject* o, const Han6Effect& e) { RunFrameEffect(o, &e); }

// Draws made on stream s since `before`: the stream is replayed from `before` until it meets
// its present state (at most 16 draws; -1 past that).
int DrawsSince(int s, const RandStream& before) {
  const RandStream after = g_RandStreams[s];
  const int32_t last = g_RandLastValue, count = g_RandDrawCount;
  g_RandStreams[s] = before;
  int n = 0;
  while (std::memcmp(&g_RandStreams[s], &after, sizeof after) != 0 && n <= 16) {
    RandStreamNext(s);
    ++n;
  }
  g_RandStreams[s] = after;
  g_RandLastValue = last;
  g_RandDrawCount = count;
  return n > 16 ? -1 : n;
}

std::string Ref(const BattleObject* o) { return std::to_string(BattleObjectRef(o)); }

class FrameEffects : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    InstallFrameEffectSeams();
    FrameDef hold;
    hold.duration = 100;
    hold.endAction = 3;
    hold.free = 1;
    for (int n : {0, 20, 50, 51}) data_.Pattern(n, {hold, hold, hold});
    a_ = &PlaceCharacter(0, data_.Set(), -12800, 0);
    b_ = &PlaceCharacter(1, data_.Set(), 12800, 1);
    for (BattleObject* o : {a_, b_}) SetPattern(*o);
    a_->target = b_;
    b_->target = a_;
    a_->partner = b_->partner = nullptr;
    g_SideStatus[1].activePlayer = 1;
    child_ = SpawnEffectObject(*a_, Effect(1, 20, {5, -3}));
    ASSERT_NE(child_, nullptr);
    for (SoundSlotLength& l : g_SeSlotLengths) l = SoundSlotLength{};
    std::memset(g_SeRequest, 0, sizeof g_SeRequest);
    RecordSeams();
  }
  void TearDown() override {
    for (SoundSlotLength& l : g_SeSlotLengths) l = SoundSlotLength{};
    std::memset(g_SeRequest, 0, sizeof g_SeRequest);
    BattleTest::TearDown();
  }

  static void RecordSeams() {
    BattleSeams& s = g_BattleSeams;
    s.AddCircuitMeter = [](BattleObject* o, int n) {
      SeamCalls().push_back("AddCircuitMeter " + Ref(o) + " " + std::to_string(n));
    };
    s.ResetBattleCamera = [] { SeamCalls().push_back("ResetBattleCamera"); };
    s.UpdateProration = [](BattleObject* o, int v, int k) {
      SeamCalls().push_back("UpdateProration " + Ref(o) + " " + std::to_string(v) + " " + std::to_string(k));
    };
    s.ApplyHitVector = [](BattleObject* o, int v, int step, int facing, int mirror, int noVel) {
      SeamCalls().push_back("ApplyHitVector " + Ref(o) + " " + std::to_string(v) + " " +
                            std::to_string(step) + " " + std::to_string(facing) + " " +
                            std::to_string(mirror) + " " + std::to_string(noVel));
    };
    s.StartZoomOverride = [](int in, int hold, int out, float zoom) {
      SeamCalls().push_back("StartZoomOverride " + std::to_string(in) + " " + std::to_string(hold) + " " +
                            std::to_string(out) + " " + std::to_string(zoom));
    };
  }

  // Runs one effect record on an object; returns the fields that changed on it.
  Fields Run(BattleObject& o, const Han6Effect& e) {
    const BattleObject before = o;
    RunFrameEffect(&o, &e);
    return Changed(before, o);
  }

  TestFrameData data_;
  BattleObject* a_ = nullptr;
  BattleObject* b_ = nullptr;
  BattleObject* child_ = nullptr;
};

// ---- velocity modes ----

TEST_F(FrameEffects, VelocityModes) {
  const struct {
    const char* name;
    Han6Effect e;
    int facing;
    int32_t velX, velY;
    int16_t accX, accY;
    Fields changed;
  } cases[] = {
      {"6/6 x set, facing left negates",
       Effect(6, 6, {500, 500, -20, -20, 0}),
       1,
       -500,
       0,
       20,
       4,
       {"velX", "accX", "facing", "wantedFacing"}},
      {"6/6 y set", Effect(6, 6, {-900, -900, 60, 60, 1}), 0, 0, -900, 3, 60, {"velY", "accY"}},
      {"6/6 polar, a quarter turn is forward",
       Effect(6, 6, {1000, 0, 100, 2500, 0, 0, 0, 0, 0, 0, 0, 1}),
       0,
       1000,
       0,
       100,
       0,
       {"velX", "accX", "accY"}},
      {"6/6 polar mirrored when facing left",
       Effect(6, 6, {1000, 0, 100, 2500, 0, 0, 0, 0, 0, 0, 0, 1}),
       1,
       -1000,
       0,
       -100,
       0,
       {"velX", "accX", "accY", "facing", "wantedFacing"}},
      {"6/6 polar straight up",
       Effect(6, 6, {640, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}),
       0,
       0,
       -640,
       0,
       0,
       {"velY", "accX", "accY"}},
      {"6/6 polar braking acceleration",
       Effect(6, 6, {1000, 0, 4, 2500, 0, 1, 0, 0, 0, 0, 0, 1}),
       0,
       1000,
       0,
       -250,
       0,
       {"velX", "accX", "accY"}},
      {"6/16 degrees, 0 is forward", Effect(6, 16, {0, 0, 300, 0}), 0, 300, 0, 3, 4, {"velX"}},
      {"6/16 degrees mirrored",
       Effect(6, 16, {0, 0, 300, 0}),
       1,
       -300,
       0,
       3,
       4,
       {"velX", "facing", "wantedFacing"}},
      {"6/16 degrees, 90 is down", Effect(6, 16, {90, 0, 300, 0}), 0, 0, 300, 3, 4, {"velY"}},
      {"6/16 toward a screen point",
       Effect(6, 16, {10, -5, 2, 0, 0, 0, 0, 0, 0, 0, 0, 1}),
       0,
       (1280 + 12800) / 2,
       -320,
       0,
       0,
       {"velX", "velY", "accX", "accY"}},
      {"6/1100 x negated", Effect(6, 1100, {0}), 0, 0, 0, -3, 4, {"accX"}},
      {"6/1100 y negated", Effect(6, 1100, {1}), 0, 0, 0, 3, -4, {"accY"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    a_->velX = a_->velY = 0;
    a_->accX = 3;
    a_->accY = 4;
    a_->facing = a_->wantedFacing = 0;
    BattleObject start = *a_;
    a_->facing = a_->wantedFacing = static_cast<uint8_t>(c.facing);
    RunFrameEffect(a_, &c.e);
    EXPECT_EQ(a_->velX, c.velX);
    EXPECT_EQ(a_->velY, c.velY);
    EXPECT_EQ(a_->accX, c.accX);
    EXPECT_EQ(a_->accY, c.accY);
    EXPECT_EQ(Changed(start, *a_), c.changed);
  }
}

TEST_F(FrameEffects, KeptMotionComesBack) {
  a_->velX = 700;
  a_->velY = -300;
  a_->accX = 5;
  a_->accY = 40;
  EXPECT_EQ(Run(*a_, Effect(6, 111, {0, 1})), (Fields{"velX", "velY", "accX", "accY", "savedMotion"}));
  EXPECT_EQ(a_->velX, 0);
  EXPECT_EQ(a_->accY, 0);
  EXPECT_EQ(Run(*a_, Effect(6, 111, {1})), (Fields{"velX", "velY", "accX", "accY"}));
  EXPECT_EQ(a_->velX, 700);
  EXPECT_EQ(a_->velY, -300);
  EXPECT_EQ(a_->accX, 5);
  EXPECT_EQ(a_->accY, 40);
  // Rising with no pull: the kept y acceleration is replaced by P2.
  a_->velY = -10;
  a_->accY = 0;
  Run(*a_, Effect(6, 111, {0, 0, 90}));
  EXPECT_EQ(a_->savedMotion[3], 90);
}

// A homing arc of 3 steps with gravity g lands on its character's position plus P2 after
// exactly 3 movement steps.
TEST_F(FrameEffects, HomingArcArrivesInItsSteps) {
  for (int32_t g : {1, 10, 37}) {
    SCOPED_TRACE(g);
    child_->posX = a_->posX + 3840;
    child_->posY = 0;
    child_->velX = child_->velY = 0;
    // A rise of 12 pixels and a distance of 30 make every division whole.
    const int32_t rise = -12;
    Do(child_, Effect(6, 6, {3, g, rise, 0, 0, 0, 0, 0, 0, 0, 0, 2}));
    EXPECT_EQ(child_->accX, 0);
    EXPECT_EQ(child_->accY, g);
    // The movement is the game's own physics step, three times.
    for (int step = 0; step < 3; ++step) ObjectPhysicsStep(*child_);
    EXPECT_EQ(child_->posX, a_->posX);
    EXPECT_EQ(child_->posY, rise * 128);
  }
}

// ---- position modes ----

TEST_F(FrameEffects, PositionModes) {
  const struct {
    const char* name;
    bool onChild;
    Han6Effect e;
    int32_t ax, ay, cx, cy;  // expected positions of a_ and the child
    const char* seam;
  } cases[] = {
      {"K moved in its facing direction", false, Effect(6, 12, {10, -2}), -12800 + 1280, -256, 0, 0, nullptr},
      {"the object itself (P3 1)", true, Effect(6, 12, {10, -2, 0, 1}), -12800, 0, 1280 + 1280, -256,
       nullptr},
      {"K put at the object (P4 bit 1)", true, Effect(6, 12, {0, 0, 0, 0, 2}), 1280, 0, 1280, 0, nullptr},
      {"to the target's x on the ground first (P4 bit 0)", false, Effect(6, 12, {-4, -1, 0, 0, 1}),
       12800 - 512, -128, 0, 0, nullptr},
      {"from the screen's left edge", false, Effect(6, 12, {3, -1, 1}), -(304 * 128) + 384, -128, 0, 0,
       nullptr},
      {"camera reset and absolute place", true, Effect(6, 12, {7, -2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1}), -12800,
       0, 896, -256, "ResetBattleCamera"},
      {"from the parent", true, Effect(6, 12, {2, -3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}), -12800, 0, -12800 + 256,
       -384, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    a_->posX = -12800;
    a_->posY = 0;
    child_->posX = 1280;
    child_->posY = 0;
    SeamCalls().clear();
    const BattleObject before = *a_;
    RunFrameEffect(c.onChild ? child_ : a_, &c.e);
    EXPECT_EQ(a_->posX, c.ax);
    EXPECT_EQ(a_->posY, c.ay);
    if (c.onChild) {
      EXPECT_EQ(child_->posX, c.cx);
      EXPECT_EQ(child_->posY, c.cy);
    }
    Fields moved = Changed(before, *a_);
    moved.erase("posX");
    moved.erase("posY");
    EXPECT_TRUE(moved.empty());
    EXPECT_EQ(SeamCalls().size(), c.seam ? 1u : 0u);
    if (c.seam) {
      EXPECT_EQ(SeamCalls()[0], c.seam);
    }
  }
}

TEST_F(FrameEffects, PutAtTheStageEdgeItStandsAt) {
  const std::pair<int32_t, int32_t> cases[] = {
      {70000, 65536}, {-65536, -65536}, {-70000, -65536}, {1000, 1000}};
  for (const auto& [x, want] : cases) {
    child_->posX = x;
    Do(child_, Effect(6, 12, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3}));
    EXPECT_EQ(child_->posX, want) << x;
  }
}

// The screen-edge placement uses the camera's edges, which move with its zoom.
TEST_F(FrameEffects, PlacedFromTheCamerasScreenEdge) {
  g_BattleSeams.GetScreenEdge = [](int index) { return index == 0 ? -30000 : index == 1 ? 34000 : 0; };
  const struct {
    int facing;
    int32_t x;
  } cases[] = {{0, -30000 + 384}, {1, 34000 - 384}};
  for (const auto& c : cases) {
    a_->facing = a_->wantedFacing = static_cast<uint8_t>(c.facing);
    a_->posY = 0;
    Do(a_, Effect(6, 12, {3, -1, 1}));
    EXPECT_EQ(a_->posX, c.x) << c.facing;
    EXPECT_EQ(a_->posY, -128) << c.facing;
  }
}

// P4 bit 0 goes to K's target opponent: its target, else the nearest opponent; with no
// opponent at all nothing moves.
TEST_F(FrameEffects, PlacedByTheTargetOpponent) {
  a_->target = nullptr;
  a_->posX = -12800;
  Do(a_, Effect(6, 12, {-4, -1, 0, 0, 1}));
  EXPECT_EQ(a_->posX, 12800 - 512);
  EXPECT_EQ(a_->posY, -128);
  g_PlayerRecords[1].inUse = 0;
  a_->posX = -12800;
  a_->posY = 0;
  const BattleObject before = *a_;
  Do(a_, Effect(6, 12, {-4, -1, 0, 0, 1}));
  EXPECT_TRUE(Changed(before, *a_).empty());
}

// ---- counters and variables ----

TEST_F(FrameEffects, CountersAndVariables) {
  const struct {
    const char* name;
    bool onChild;
    Han6Effect e;
    Fields changed;  // on a_
    int counter;     // battle counter expected to read 12 afterwards (-1 none)
  } cases[] = {
      {"action counter 2 + 3", false, Effect(6, 100, {23}), {"actionCounters"}, -1},
      {"a child raises its character's counter", true, Effect(6, 100, {23}), {"actionCounters"}, -1},
      {"battle counter 5 + 12", false, Effect(6, 100, {512}), {}, 5},
      {"battle counter past 9 is ignored", false, Effect(6, 100, {1012}), {}, -1},
      {"negative code is ignored", false, Effect(6, 100, {-23}), {}, -1},
      {"subtraction stops at 0", false, Effect(6, 101, {29}), {"actionCounters"}, -1},
      {"variable 3 set", false, Effect(6, 105, {3, 7, 0}), {"charVars"}, -1},
      {"variable 8 added", false, Effect(6, 105, {8, 7, 1}), {"charVars"}, -1},
      {"variable 9 does not exist", false, Effect(6, 105, {9, 7, 0}), {}, -1},
      {"variable -1 does not exist", false, Effect(6, 105, {-1, 7, 0}), {}, -1},
      {"air actions up", false, Effect(6, 102, {2}), {"airActions"}, -1},
      {"air actions not below 0", false, Effect(6, 103, {9}), {"airActions"}, -1},
      {"timer word 2 is the first short timer", false, Effect(6, 10, {2, 40}), {"shortTimers"}, -1},
      {"armour timer", false, Effect(6, 10, {0, 10001}), {"armorFrames"}, -1},
      {"timer word 5 does not exist", false, Effect(6, 10, {5, 40}), {}, -1},
      {"timer word -1 does not exist", false, Effect(6, 10, {-1, 40}), {}, -1},
      {"step count set", false, Effect(6, 107, {9, 0}), {"stepFrames"}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (int32_t& v : g_BattleCounters) v = 0;
    a_->actionCounters[2] = 1;
    a_->airActions = 1;
    const BattleObject before = *a_;
    RunFrameEffect(c.onChild ? child_ : a_, &c.e);
    EXPECT_EQ(Changed(before, *a_), c.changed);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(g_BattleCounters[i], i == c.counter ? 12 : 0) << i;
  }
  a_->actionCounters[2] = 1;
  Do(a_, Effect(6, 101, {29}));
  EXPECT_EQ(a_->actionCounters[2], 0);
  a_->charVars[8] = 0;
  Do(a_, Effect(6, 105, {8, 7, 1}));
  Do(a_, Effect(6, 105, {8, -2, 1}));
  EXPECT_EQ(a_->charVars[8], 5);
  // An object that is being removed changes no counter.
  child_->removing = 1;
  Do(child_, Effect(6, 100, {23}));
  EXPECT_EQ(a_->actionCounters[2], 0);
}

// ---- facing ----

TEST_F(FrameEffects, Facing) {
  const struct {
    const char* name;
    int32_t p0;
    uint8_t inputDir;
    int startFacing;
    int facing;
  } cases[] = {
      {"turn round", 0, 0, 0, 1},
      {"turn when pulling back", 2, 4, 0, 1},
      {"no turn pushing forward", 2, 6, 0, 0},
      {"turn when pushing forward (3)", 3, 9, 1, 0},
      {"no turn pulling back (3)", 3, 7, 1, 1},
      {"face right", 4, 0, 1, 0},
      {"face left", 5, 0, 0, 1},
      {"already facing right", 4, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    a_->facing = a_->wantedFacing = static_cast<uint8_t>(c.startFacing);
    a_->velXStop = 40;
    a_->inputDir = c.inputDir;
    const Fields changed = Run(*a_, Effect(6, 5, {c.p0}));
    EXPECT_EQ(a_->facing, c.facing);
    EXPECT_EQ(a_->wantedFacing, c.facing);
    if (c.facing != c.startFacing) {
      EXPECT_EQ(changed, (Fields{"facing", "wantedFacing", "velXStop"}));
      EXPECT_EQ(a_->velXStop, -40);
    } else {
      EXPECT_TRUE(changed.empty());
    }
  }
  // The held object turns with the holder unless P1.
  a_->facing = a_->wantedFacing = 0;
  b_->facing = b_->wantedFacing = 1;
  a_->heldObject = b_;
  a_->inputDir = 4;
  Do(a_, Effect(6, 5, {2, 0}));
  EXPECT_EQ(b_->facing, 0);
  Do(a_, Effect(6, 5, {2, 1}));
  EXPECT_EQ(b_->facing, 0);
  // A child takes its character's facing.
  a_->facing = 1;
  child_->facing = 0;
  Do(child_, Effect(6, 5, {7}));
  EXPECT_EQ(child_->facing, 1);
}

// ---- the partner ----

class FrameEffectsPartner : public FrameEffects {
 protected:
  void SetUp() override {
    FrameEffects::SetUp();
    FrameDef air, crouch, busy;
    air.duration = crouch.duration = busy.duration = 100;
    air.endAction = crouch.endAction = busy.endAction = 3;
    air.free = crouch.free = 1;
    air.stance = 1;
    crouch.stance = 2;
    data_.Pattern(61, {air});
    data_.Pattern(62, {crouch});
    data_.Pattern(63, {busy});
    // Slot 2 is side 0's waiting member.
    c_ = &PlaceCharacter(2, data_.Set(), -30000);
    SetPattern(*c_);
    a_->partner = c_;
    c_->partner = a_;
    c_->partnerState = 1;
    g_SideStatus[0].activePlayer = 0;
    g_SideStatus[0].hasPartner = 1;
  }
  BattleObject* c_ = nullptr;
};

// 6/150 orders the partner into a pattern when it is free and its stance fits; never in tag
// battle or the four-player mode. A K that is not its side's active member orders itself.
TEST_F(FrameEffectsPartner, PartnerOrderedIntoAPattern) {
  const struct {
    const char* name;
    int32_t mode;
    int partnerPattern;
    int32_t stance;
    bool aActive;
    char ordered;  // 'c' the partner, 'a' K itself, 0 nobody
  } cases[] = {
      {"versus", 0, 0, 0, true, 'c'},
      {"arcade, standing wanted", 0x10, 0, 3, true, 'c'},
      {"tag battle", 0x100, 0, 0, true, 0},
      {"tag battle with another bit", 0x101, 0, 0, true, 0},
      {"four players", 0x200, 0, 0, true, 0},
      {"airborne, not airborne wanted", 0, 61, 1, true, 0},
      {"airborne, airborne wanted", 0, 61, 2, true, 'c'},
      {"crouching, crouching wanted", 0, 62, 4, true, 'c'},
      {"crouching, standing wanted", 0, 62, 3, true, 0},
      {"not free", 0, 63, 0, true, 0},
      {"unknown stance kind", 0, 0, 5, true, 0},
      {"K waiting orders itself", 0, 0, 0, false, 'a'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_GameModeFlags = c.mode;
    g_SideStatus[0].activePlayer = c.aActive ? 0 : 2;
    for (BattleObject* o : {a_, c_}) {
      o->pattern = o == c_ ? c.partnerPattern : 0;
      o->frame = 0;
      SetPattern(*o);
      o->pendingPattern = -1;
      o->pendingPriority = 0;
    }
    Do(child_, Effect(6, 150, {20, c.stance}));
    EXPECT_EQ(c_->pendingPattern, c.ordered == 'c' ? 20 : -1);
    EXPECT_EQ(c_->pendingPriority, c.ordered == 'c' ? 300 : 0);
    EXPECT_EQ(a_->pendingPattern, c.ordered == 'a' ? 20 : -1);
  }
}

// An inactive partner's objects, and the partner itself, are drawn only while its side's
// show-partner flag (6/155) is on.
TEST_F(FrameEffectsPartner, HiddenPartnerFollowsTheShowFlag) {
  BattleObject* partnerChild = SpawnEffectObject(*c_, Effect(1, 20));
  ASSERT_NE(partnerChild, nullptr);
  BattleObject loose{};
  loose.kind = kKindSpawned;
  auto hidden = [](const BattleObject* o) { return g_BattleDrawSeams.HiddenPartner(o); };
  ASSERT_NE(g_BattleDrawSeams.HiddenPartner, nullptr);
  EXPECT_EQ(hidden(a_), 0);
  EXPECT_EQ(hidden(child_), 0);
  EXPECT_EQ(hidden(&loose), 0);
  EXPECT_EQ(hidden(c_), 1);
  EXPECT_EQ(hidden(partnerChild), 1);
  const struct {
    const char* name;
    BattleObject* runner;
    Han6Effect e;
    int shown0, shown1;  // the two sides' flags afterwards
  } steps[] = {
      {"own side on", a_, Effect(6, 155, {0, 1}), 1, 0},
      {"the other side toggles side 0 off", b_, Effect(6, 155, {1, 2}), 0, 0},
      {"side 0 named by any other P0", b_, Effect(6, 155, {7, 1}), 1, 0},
      {"the other side's flag", a_, Effect(6, 155, {1, 1}), 1, 1},
      {"own side toggled off", child_, Effect(6, 155, {0, 2}), 0, 1},
  };
  for (const auto& st : steps) {
    SCOPED_TRACE(st.name);
    Do(st.runner, st.e);
    EXPECT_EQ(g_SideStatus[0].showPartner, st.shown0);
    EXPECT_EQ(g_SideStatus[1].showPartner, st.shown1);
    EXPECT_EQ(hidden(partnerChild), st.shown0 ? 0 : 1);
    EXPECT_EQ(hidden(c_), st.shown0 ? 0 : 1);
  }
  // Once the partner has taken over it is the active one and its old body is hidden instead.
  g_SideStatus[0].activePlayer = 2;
  EXPECT_EQ(hidden(partnerChild), 0);
  EXPECT_EQ(hidden(child_), 1);
  // The four-player mode has no waiting members.
  g_GameModeFlags = 0x200;
  EXPECT_EQ(hidden(child_), 0);
}

// ---- freezes, timers and screen requests ----

TEST_F(FrameEffects, FreezesAndEventTimers) {
  Do(child_, Effect(6, 11, {30, 0}));
  EXPECT_EQ(g_BattleState[BattleStateIndex::kFreezeStarted], 1);
  EXPECT_EQ(g_BattleState[FreezeSerialIndex(0)], 1);
  EXPECT_EQ(g_BattleState[FreezeTimerIndex(0)], 30);
  Do(b_, Effect(6, 11, {45, 1}));
  EXPECT_EQ(g_BattleState[BattleStateIndex::kGlobalFreezeRequest], 45);
  EXPECT_EQ(g_BattleState[FreezeTimerIndex(1)], 0);

  // Event timer 5 of the object's player: a stopped timer starts its elapsed count again.
  g_BattleState[PlayerTimerElapsedIndex(1, 5)] = 9;
  Do(b_, Effect(6, 1, {12, 5, 80, 20}));
  EXPECT_EQ(g_ScreenShake, 12);
  EXPECT_EQ(g_BattleState[PlayerTimerIndex(1, 5)], 80);
  EXPECT_EQ(g_BattleState[PlayerTimerStartIndex(1, 5)], 80);
  EXPECT_EQ(g_BattleState[PlayerTimerElapsedIndex(1, 5)], 0);
  EXPECT_EQ(g_SlowMotionRequest, 20);
  g_BattleState[PlayerTimerElapsedIndex(1, 5)] = 3;
  Do(b_, Effect(6, 1, {0, 5, 50}));
  EXPECT_EQ(g_BattleState[PlayerTimerElapsedIndex(1, 5)], 3);
  // Timer indexes outside 0..63 touch nothing.
  int32_t state[kBattleStateSize];
  std::memcpy(state, g_BattleState, sizeof state);
  Do(b_, Effect(6, 1, {0, -1, 50}));
  Do(b_, Effect(6, 1, {0, 64, 50}));
  EXPECT_EQ(std::memcmp(state, g_BattleState, sizeof state), 0);
}

TEST_F(FrameEffects, MarksOnTheObjectAndItsCharacter) {
  const struct {
    const char* name;
    bool onChild;
    Han6Effect e;
    Fields onA, onChild_;
  } cases[] = {
      {"aura", false, Effect(6, 0, {4}), {"auraEffect"}, {}},
      {"invulnerability", false, Effect(6, 2, {10, 8}), {"strikeInvuln", "throwInvuln"}, {}},
      {"no commands on the character", true, Effect(6, 9, {1}), {"noCommand"}, {}},
      {"colour flash", true, Effect(6, 13, {2, 9}), {}, {"flashKind", "flashTimer", "flashLength"}},
      {"spawn flag 0x01 cleared", true, Effect(6, 106), {}, {"spawnFlags"}},
      {"draw priority", false, Effect(6, 153), {"drawPriority"}, {}},
      {"partner state", true, Effect(6, 252, {2}), {"partnerState"}, {}},
      {"knock-out wait", true, Effect(6, 254), {"koWait"}, {}},
      {"pattern hold bit", true, Effect(6, 255), {"patternHold"}, {}},
      {"follow words",
       true,
       Effect(6, 200, {2, 11, 12, 13, 14, 15}),
       {},
       {"followMode", "anchorPoint", "followWords"}},
      {"follow word 3", true, Effect(30, 1, {3, 77}), {}, {"followWords"}},
      {"follow word 5 does not exist", true, Effect(30, 1, {5, 77}), {}, {}},
      {"follow offsets, zero kept", true, Effect(30, 0, {4, 0, 9}), {}, {"followX", "followLimit"}},
      {"unknown type", false, Effect(77, 1, {1, 2, 3}), {}, {}},
      {"unknown special action", false, Effect(6, 999, {1, 2, 3}), {}, {}},
      {"type 10002 waits for the continuous pass", true, Effect(10002, 4), {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    child_->spawnFlags = 0x05;
    const BattleObject beforeA = *a_, beforeChild = *child_;
    RunFrameEffect(c.onChild ? child_ : a_, &c.e);
    EXPECT_EQ(Changed(beforeA, *a_), c.onA);
    EXPECT_EQ(Changed(beforeChild, *child_), c.onChild_);
  }
  EXPECT_EQ(child_->followWords[2], 77);
}

// ---- gauges ----

TEST_F(FrameEffects, LifeAndGauges) {
  a_->life = 5000;
  a_->redLife = 6000;
  Do(child_, Effect(6, 4, {400, 250, 0, 300}));
  EXPECT_EQ(a_->redLife, 6300);
  EXPECT_EQ(a_->life, 5400);
  EXPECT_EQ(SeamCalls(), std::vector<std::string>{"AddCircuitMeter 0 250"});
  // Healing stops at the recoverable ceiling and the ceiling at the maximum.
  a_->life = 11000;
  a_->redLife = 11200;
  Do(a_, Effect(6, 4, {900, 0, 0, 900}));
  EXPECT_EQ(a_->redLife, kMaxLife);
  EXPECT_EQ(a_->life, kMaxLife);
  // Not while the round is judged, not while held.
  a_->life = 100;
  g_JudgeState = 1;
  Do(a_, Effect(6, 4, {900}));
  g_JudgeState = 0;
  a_->held = 1;
  Do(a_, Effect(6, 4, {900}));
  EXPECT_EQ(a_->life, 100);
  a_->held = 0;
  // In a gauge mode the heat timer takes P2, never below 0.
  a_->gaugeMode = 1;
  a_->heatTimer = 50;
  Do(a_, Effect(6, 4, {0, 0, -80}));
  EXPECT_EQ(a_->heatTimer, 0);

  SeamCalls().clear();
  Do(child_, Effect(6, 19, {80, 1}));
  Do(child_, Effect(6, 112, {30, 2}));
  Do(child_, Effect(6, 19, {0, 1}));
  EXPECT_EQ(SeamCalls(), (std::vector<std::string>{"UpdateProration 0 80 1", "UpdateProration 100 30 2"}));

  // 6/151: the gauge mode of the character, the object's own meter emptied.
  a_->circuit = 20000;
  child_->circuit = 77;
  Do(child_, Effect(6, 151, {0, 15000, 0}));
  EXPECT_EQ(a_->gaugeMode, 0);
  EXPECT_EQ(a_->circuit, 15000);
  EXPECT_EQ(child_->circuit, 0);
}

TEST_F(FrameEffects, ZoomOverrideReadsAZeroZoomAsOne) {
  Do(a_, Effect(6, 50, {5, 10, 5, 0}));
  Do(a_, Effect(6, 50, {5, 10, 5, 7500}));
  EXPECT_EQ(SeamCalls(), (std::vector<std::string>{"StartZoomOverride 5 10 5 1.000000",
                                                   "StartZoomOverride 5 10 5 0.750000"}));
}

// ---- the trail and the divisor guards ----

TEST_F(FrameEffects, TrailStaysInsideItsEntries) {
  const struct {
    int32_t count, stride;
    uint8_t wantCount, wantStride;
  } cases[] = {
      {5, 10, 5, 10},   {20, 10, 11, 10},     {119, 1, 119, 1}, {-5, 3, 0, 3},
      {200, 0, 119, 0}, {1000, 1000, 1, 119}, {-1, -1, 0, 0},   {2147483647, 2147483647, 1, 119},
      {60, -7, 60, 0},
  };
  for (const auto& c : cases) {
    Do(a_, Effect(6, 3, {2, c.count, c.stride}));
    EXPECT_EQ(a_->trailColour, 3);
    EXPECT_EQ(a_->trailCount, c.wantCount) << c.count << " x " << c.stride;
    EXPECT_EQ(a_->trailStride, c.wantStride) << c.count << " x " << c.stride;
    EXPECT_LE(a_->trailCount * std::max<int>(a_->trailStride, 1), 119);
  }
  Do(a_, Effect(6, 3, {255}));
  EXPECT_EQ(a_->trailColour, 0);
}

TEST_F(FrameEffects, NoDrawAndNoChangeOnAnEmptyRangeOrDistance) {
  // A divisor of 0 (or a negative one) draws nothing and adds nothing.
  Do(a_, Effect(6, 6, {800, 0, 0, 2500, 0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(a_->velX, 800);
  Do(a_, Effect(6, 16, {0, 0, 300, -1}));
  EXPECT_EQ(a_->velX, 300);
  Do(a_, Effect(6, 16, {0, -5, 300, -9}));
  EXPECT_EQ(a_->velX, 300);
  Do(a_, Effect(6, 6, {800, 700, 5, 2}));
  EXPECT_EQ(a_->velX, 800);
  EXPECT_EQ(a_->accX, 5);
  EXPECT_EQ(g_RandDrawCount, 0);
  // Aiming at a point at distance 0 leaves the velocity alone.
  child_->posX = b_->posX;
  child_->posY = b_->posY - 4096;
  child_->velX = 30;
  child_->velY = -40;
  const BattleObject before = *child_;
  Do(child_, Effect(6, 8, {0, 900, 4}));
  EXPECT_TRUE(Changed(before, *child_).empty());
}

// Without a target the aim goes to the first character of the other side that may be touched:
// an acting assist partner may, a partner standing by may not.
TEST_F(FrameEffects, AimingWithoutATarget) {
  const struct {
    uint8_t partnerState;
    int32_t velX;
  } cases[] = {{0, 1000}, {2, 1000}, {1, 0}};
  for (const auto& c : cases) {
    a_->target = nullptr;
    b_->partnerState = c.partnerState;
    child_->posX = b_->posX - 40960;
    child_->posY = b_->posY - 4096;
    child_->velX = child_->velY = 0;
    Do(child_, Effect(6, 8, {0, 1000}));
    EXPECT_EQ(child_->velX, c.velX) << int{c.partnerState};
  }
}

TEST_F(FrameEffects, AimingEntersTheFrameOfItsDirection) {
  // The target is straight ahead (and a little below the aim point): sector 0 of 4.
  child_->posX = b_->posX - 40960;
  child_->posY = b_->posY - 4096;
  Do(child_, Effect(6, 8, {1, 1000, 4}));
  EXPECT_EQ(child_->velX, 1000);
  EXPECT_EQ(child_->velY, 0);
  EXPECT_EQ(child_->frame, 1);
  // Down and back: 135 degrees, sector 1 of 4 (frames count from P0).
  child_->posX = b_->posX + 20000;
  child_->posY = b_->posY - 4096 - 20000;
  child_->velX = child_->velY = 0;
  Do(child_, Effect(6, 8, {0, 1000, 4}));
  EXPECT_EQ(child_->velX, -707);
  EXPECT_EQ(child_->velY, 707);
  EXPECT_EQ(child_->frame, 1);
}

// ---- random draws: stream and count of every draw site ----

TEST_F(FrameEffects, RandomDrawsPerSite) {
  auto table = std::make_unique<CharaCommandTable>();
  table->rareKoVoice = 120;
  const struct {
    const char* name;
    std::function<void()> run;
    int common;   // draws of the common stream
    int counted;  // of those, counted in the draw count (RandNext)
    int second;   // draws of stream 2
  } cases[] = {
      {"sound pick among one", [&] { Do(a_, Effect(9, 0, {5})); }, 1, 1, 0},
      {"sound chance and pick",
       [&] {
         Do(a_, Effect(9, 0, {5, 600, 4}));
       },
       2, 2, 0},
      {"sound on stream 2",
       [&] {
         Do(a_, Effect(9, 1, {5, 600, 4, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
       },
       0, 0, 2},
      {"candidate pick",
       [&] {
         Do(a_, Effect(9, 2, {-1, 7, 9, -1, 11}));
       },
       1, 1, 0},
      {"no candidate, no draw",
       [&] {
         Do(a_, Effect(9, 3, {-1, -1, -1, -1, -1}));
       },
       0, 0, 0},
      {"random facing", [&] { Do(a_, Effect(6, 5, {6})); }, 1, 1, 0},
      {"velocity and acceleration ranges",
       [&] {
         Do(a_, Effect(6, 6, {0, 10, 0, 5}));
       },
       2, 2, 0},
      {"fixed velocity",
       [&] {
         Do(a_, Effect(6, 6, {10, 10, 5, 5}));
       },
       0, 0, 0},
      {"polar angle and speed",
       [&] {
         Do(a_, Effect(6, 6, {100, 50, 0, 0, 100, 0, 0, 0, 0, 0, 0, 1}));
       },
       2, 2, 0},
      {"degrees: a speed range of 0 + 1 still draws",
       [&] {
         Do(a_, Effect(6, 16, {0, 0, 100, 0}));
       },
       1, 1, 0},
      {"degrees angle and speed",
       [&] {
         Do(a_, Effect(6, 16, {0, 10, 100, 5}));
       },
       2, 2, 0},
      {"scale through RandInt, not counted",
       [&] {
         Do(a_, Effect(6, 22, {10000, 500}));
       },
       1, 0, 0},
      {"knock-out voice", [&] { StartThrowKnockOut(*b_); }, 1, 1, 0},
      {"knock-out voice with a rare one",
       [&] {
         g_PlayerRecords[1].ext.commandTable = std::move(table);
         StartThrowKnockOut(*b_);
       },
       2, 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RandStream common = g_RandStreams[kRandCommonStream], second = g_RandStreams[2];
    const int32_t counted = g_RandDrawCount;
    c.run();
    EXPECT_EQ(DrawsSince(kRandCommonStream, common), c.common);
    EXPECT_EQ(g_RandDrawCount - counted, c.counted);
    EXPECT_EQ(DrawsSince(2, second), c.second);
  }
}

TEST_F(FrameEffects, DrawnValuesFollowTheStream) {
  // The velocity range draws P0 + draw % (P1 - P0), then the acceleration likewise.
  const RandStream before = g_RandStreams[kRandCommonStream];
  Do(a_, Effect(6, 6, {100, 110, 20, 27}));
  const int32_t vx = a_->velX, ax = a_->accX;
  g_RandStreams[kRandCommonStream] = before;
  EXPECT_EQ(vx, 100 + RandStreamNext(kRandCommonStream) % 10);
  EXPECT_EQ(ax, 20 + RandStreamNext(kRandCommonStream) % 7);
  // The scale draw is RandInt's.
  const RandStream before2 = g_RandStreams[kRandCommonStream];
  Do(a_, Effect(6, 22, {10000, 5000, 0, 0, 0, 2}));
  g_RandStreams[kRandCommonStream] = before2;
  const float want = static_cast<float>(10000 + RandInt(5000)) / 10000.0f;
  EXPECT_EQ(a_->scaleX, want);
  EXPECT_EQ(a_->scaleY, want);
}

// ---- sound ----

TEST_F(FrameEffects, SoundRequests) {
  const struct {
    const char* name;
    Han6Effect e;
    int slot;  // the one slot requested, or -1
  } cases[] = {
      {"common effect", Effect(9, 0, {17}), 17},
      {"player 1's voice", Effect(9, 1, {3}), 400 + 250 + 3},
      {"common effect past the table", Effect(9, 0, {1500}), -1},
      {"negative common effect", Effect(9, 0, {-3}), -1},
      {"voice past the table", Effect(9, 1, {1000}), -1},
      {"one candidate voice", Effect(9, 3, {-1, -1, 12, -1, -1}), 400 + 250 + 12},
      {"a negative voice is not player 0's", Effect(9, 1, {-5}), -1},
      {"a negative candidate voice plays nothing", Effect(9, 3, {-7, -1, -1, -1, -1}), -1},
      {"candidate above 254 plays nothing", Effect(9, 2, {300, -1, -1, -1, -1}), -1},
      {"always with a chance of 512", Effect(9, 0, {21, 512}), 21},
      {"opponent character missing", Effect(9, 0, {21, 0, 0, 0, 0, 4, 1}), -1},
      {"no opponent test for 255", Effect(9, 0, {21, 0, 0, 0, 0, 255, 1}), 21},
      {"unknown number", Effect(9, 7, {21}), -1},
      {"a pick past the int range plays nothing", Effect(9, 0, {INT32_MAX, 0, 5}), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::memset(g_SeRequest, 0, sizeof g_SeRequest);
    RunFrameEffect(b_, &c.e);
    for (int s = 0; s < kSeSlotCount; ++s) EXPECT_EQ(g_SeRequest[s], s == c.slot ? 1 : 0) << s;
  }
  // A held object makes no sound.
  std::memset(g_SeRequest, 0, sizeof g_SeRequest);
  b_->held = 1;
  Do(b_, Effect(9, 0, {17}));
  EXPECT_EQ(g_SeRequest[17], 0);
}

// A voice of number 1 on a kind-6 arcade stage records its ending flag; a voice picked among
// candidates (number 3) does not, nor does a voice past the table.
TEST_F(FrameEffects, EndingVoicesOfTheArcadeRoute) {
  static int stageKind = 0;
  g_BattleSeams.RouteStageKind = [](int) { return stageKind; };
  g_BattleSeams.AchieveEndingFlags = [](int voice) {
    SeamCalls().push_back("AchieveEndingFlags " + std::to_string(voice));
  };
  const struct {
    const char* name;
    int kind;
    Han6Effect e;
    std::vector<std::string> calls;
  } cases[] = {
      {"voice on an ending stage", 6, Effect(9, 1, {55}), {"AchieveEndingFlags 55"}},
      {"picked voice on an ending stage", 6, Effect(9, 3, {55, -1, -1, -1, -1}), {}},
      {"voice past the table", 6, Effect(9, 1, {1200}), {}},
      {"common sound", 6, Effect(9, 0, {55}), {}},
      {"another stage kind", 5, Effect(9, 1, {55}), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    stageKind = c.kind;
    SeamCalls().clear();
    RunFrameEffect(b_, &c.e);
    EXPECT_EQ(SeamCalls(), c.calls);
  }
}

TEST_F(FrameEffects, ChanceOfASound) {
  // P1 0 means no chance test at all.
  const std::tuple<int32_t, int, int> cases[] = {
      {512, 400, 400}, {600, 400, 400}, {256, 160, 240}, {0, 400, 400}};
  for (const auto& [chance, low, high] : cases) {
    int played = 0;
    for (int i = 0; i < 400; ++i) {
      std::memset(g_SeRequest, 0, sizeof g_SeRequest);
      Do(a_, Effect(9, 0, {30, chance}));
      played += g_SeRequest[30];
    }
    EXPECT_GE(played, low) << chance;
    EXPECT_LE(played, high) << chance;
  }
}

TEST_F(FrameEffects, SoundLockQuietsTheRestOfTheList) {
  g_BattleSeams.HasOpponentCharacter = [](BattleObject*, int chara) { return chara == 6 ? 1 : 0; };
  FrameDef f;
  f.duration = 10;
  f.endAction = 3;
  f.effects = {Effect(9, 0, {40, 0, 0, 0, 0, 6, 2}), Effect(9, 0, {41})};
  FrameDef g = f;
  g.effects = {Effect(9, 0, {42})};
  data_.Pattern(60, {f, g});
  a_->pattern = 60;
  a_->frame = 0;
  SetPattern(*a_);
  EXPECT_EQ(g_SeRequest[40], 1);
  EXPECT_EQ(g_SeRequest[41], 0);
  // The next list starts unlocked.
  a_->frame = 1;
  SetPattern(*a_);
  EXPECT_EQ(g_SeRequest[42], 1);
}

TEST_F(FrameEffects, BusyForItsLengthFromTheRequestFrame) {
  const int base = 400 + 250 * 1;
  g_SeSlotLengths[base + 2] = SoundSlotLength{44100, 44100};  // 60 frames
  g_SeSlotLengths[base + 5] = SoundSlotLength{100, 48000};    // rounds up to 1 frame
  g_BattleFrame = 10;
  Do(b_, Effect(9, 1, {2}));
  const struct {
    uint32_t frame;
    int slot;
    int busy;
  } cases[] = {{10, 2, 1}, {69, 2, 1}, {70, 2, 0}, {30, 255, 1}, {30, 3, 0}, {30, 250, 0}, {30, -1, 0}};
  for (const auto& c : cases) {
    g_BattleFrame = c.frame;
    EXPECT_EQ(IsSoundSlotBusy(b_, c.slot), c.busy) << c.frame << " slot " << c.slot;
    EXPECT_EQ(BattleSeamIsSoundSlotBusy(b_, c.slot), c.busy);
  }
  // Player 0's slots are its own.
  EXPECT_EQ(IsSoundSlotBusy(a_, 2), 0);
  EXPECT_EQ(IsSoundSlotBusy(a_, 255), 0);
  // An empty slot is never busy.
  Do(b_, Effect(9, 1, {9}));
  EXPECT_EQ(IsSoundSlotBusy(b_, 9), 0);
  g_BattleFrame = 100;
  Do(b_, Effect(9, 1, {5}));
  EXPECT_EQ(IsSoundSlotBusy(b_, 5), 1);
  g_BattleFrame = 101;
  EXPECT_EQ(IsSoundSlotBusy(b_, 5), 0);
  // The round reset starts the model again with the frame count.
  g_BattleFrame = 40;
  Do(b_, Effect(9, 1, {2}));
  ResetBattleCounters();
  EXPECT_EQ(IsSoundSlotBusy(b_, 2), 0);
}

// P3 = 1 stops the character's playing voices after a voice or a common effect; a voice
// requested in the same frame plays on, and so do the other player's voices.
TEST_F(FrameEffects, StoppingVoicesKeepsTheNewRequest) {
  const int base = 400 + 250 * 1;
  const struct {
    const char* name;
    Han6Effect e;
    int oldVoiceBusy;  // b's voice 0, playing since frame 5
    int newVoiceBusy;  // b's voice 1
    int request;       // the slot requested this frame, or -1
  } cases[] = {
      {"voice that stops the others", Effect(9, 1, {1, 0, 0, 1}), 0, 1, base + 1},
      {"common effect that stops the voices", Effect(9, 0, {17, 0, 0, 1}), 0, 0, 17},
      {"voice without the stop", Effect(9, 1, {1}), 1, 1, base + 1},
      {"common effect without the stop", Effect(9, 0, {17}), 1, 0, 17},
      {"every voice stops", Effect(9, 4), 0, 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetBattleCounters();
    std::memset(g_SeRequest, 0, sizeof g_SeRequest);
    for (int i = 0; i < 4; ++i) g_SeSlotLengths[base + i] = SoundSlotLength{44100 * 2, 44100};
    g_SeSlotLengths[400] = SoundSlotLength{44100 * 2, 44100};
    g_BattleFrame = 5;
    Do(b_, Effect(9, 1, {0}));
    Do(a_, Effect(9, 1, {0}));
    std::memset(g_SeRequest, 0, sizeof g_SeRequest);
    g_BattleFrame = 9;
    Do(b_, c.e);
    EXPECT_EQ(IsSoundSlotBusy(b_, 0), c.oldVoiceBusy);
    EXPECT_EQ(IsSoundSlotBusy(b_, 1), c.newVoiceBusy);
    EXPECT_EQ(IsSoundSlotBusy(a_, 0), 1);  // another player's voice plays on
    for (int s = 0; s < kSeSlotCount; ++s) EXPECT_EQ(g_SeRequest[s], s == c.request ? 1 : 0) << s;
  }
}

// Character list stand-in: 0 the tester, 1 the duelist, 2 a character with a custom list, 3
// one without a list.
int ListFiles(int index, std::string* file1, std::string* file2) {
  static const char* kNames[] = {"tester", "duelist", "custom", "nolist"};
  if (index < 0 || index > 3) return 0;
  *file1 = kNames[index];
  *file2 = "0";
  return 1;
}

void CopySampleSounds() {
  namespace fs = std::filesystem;
  fs::create_directories("data");
  fs::create_directories("se");
  fs::copy(fs::path(VT_SAMPLE_DIR) / "se" / "battle_se", "se/battle_se", fs::copy_options::recursive);
  for (const char* list : {"tester_SeList.txt", "duelist_SeList.txt"})
    fs::copy_file(fs::path(VT_SAMPLE_DIR) / "data" / list, fs::path("data") / list);
}

// The sample characters' voices are known by length with no sound device: the knock-out
// voice of a thrown character keeps it busy for its 1.2 seconds.
TEST_F(FrameEffects, SampleKnockOutVoiceIsBusyForItsLengthWithoutAudio) {
  CopySampleSounds();
  g_BattleSeams.CharaListFiles = ListFiles;
  for (int chara : {0, 1}) {
    SCOPED_TRACE(chara);
    BattleSeamLoadCharacterSoundList(1, chara, 0);
    int voices = 0;
    for (int k = 0; k < 250; ++k) voices += SoundLengthFrames(650 + k) > 0;
    EXPECT_EQ(voices, 10);
    EXPECT_EQ(SoundLengthFrames(650 + 99), 72);
    g_BattleFrame = 1000;
    StartThrowKnockOut(*b_);
    g_BattleFrame = 1071;
    EXPECT_EQ(IsSoundSlotBusy(b_, 99), 1);
    g_BattleFrame = 1072;
    EXPECT_EQ(IsSoundSlotBusy(b_, 99), 0);
  }
  BattleSeamFreeCharacterSounds();
  EXPECT_EQ(SoundLengthFrames(650 + 99), 0);
}

TEST_F(FrameEffects, SoundListFillsTheSlotsOfItsCharacter) {
  CopySampleSounds();
  vt::test::WriteFile("data/custom_SeList.txt",
                      "[Other]\r\n5=hit_light\r\n[SeList]\r\n0=hit_light\r\n249=jump\r\n250=land\r\n"
                      "-3=dash\r\n7=\r\n12=no_such_sound\r\n");
  g_BattleSeams.CharaListFiles = ListFiles;
  g_SeSlotLengths[650 + 5] = SoundSlotLength{1, 60};  // left from an earlier load
  g_SeSlotLengths[400] = SoundSlotLength{1, 60};      // player 0's
  LoadCharacterSeList(1, 2, 0);
  EXPECT_GT(SoundLengthFrames(650 + 0), 0);
  EXPECT_GT(SoundLengthFrames(650 + 249), 0);
  for (int k : {5, 7, 12}) EXPECT_EQ(SoundLengthFrames(650 + k), 0) << k;
  EXPECT_EQ(SoundLengthFrames(900), 0);  // 250 is not slot 1's to fill
  EXPECT_EQ(SoundLengthFrames(400), 1);
  // A character without a list, or outside the list, leaves the slot's sounds cleared.
  LoadCharacterSeList(1, 3, 0);
  EXPECT_EQ(SoundLengthFrames(650), 0);
  LoadCharacterSeList(1, 2, 0);
  LoadCharacterSeList(1, 9, 0);
  EXPECT_EQ(SoundLengthFrames(650), 0);
  // Slots outside 0..3 load nothing.
  EXPECT_EQ(LoadCharacterSeList(4, 2, 0), 1);
  FreeCharacterSounds();
  EXPECT_EQ(SoundLengthFrames(400), 0);
}

// ---- throws ----

class FrameEffectsThrow : public FrameEffects {
 protected:
  void SetUp() override {
    FrameEffects::SetUp();
    Hold();
  }
  void Hold() {
    a_->heldObject = b_;
    a_->holding = 1;
    b_->held = 1;
    b_->parent = a_;
    b_->pendingReaction[0] = b_->pendingReaction[1] = -1;
  }
};

TEST_F(FrameEffectsThrow, ThrownPatternAndPlace) {
  const struct {
    const char* name;
    Han6Effect e;
    int32_t ax, ay, bx, by, offX, offY;
  } cases[] = {
      {"victim on the thrower with the offset", Effect(4, 50, {30, -10, 0, 0, 0, 0, 0, 1}), 0, 0, 0, 0, 3840,
       -1280},
      {"thrower moves to the victim", Effect(4, 50, {30, -10, 10000, 0, 0, 0, 0, 1}), 2000 + 3840, -1280,
       2000, 0, -3840, 1280},
      {"thrower kept above the ground", Effect(4, 50, {30, 10, 10000, 0, 0, 0, 0, 1}), 2000 + 3840, 0, 2000,
       0, -3840, -1280},
      {"placement skipped (P3 0x10)", Effect(4, 50, {30, -10, 0, 0x10, 0, 0, 0, 1}), 0, 0, 2000, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    a_->posX = a_->posY = 0;
    b_->posX = 2000;
    b_->posY = 0;
    b_->throwOffsetX = 5;
    b_->rotation = 300;
    RunFrameEffect(a_, &c.e);
    EXPECT_EQ(b_->pattern, 50);
    EXPECT_EQ(b_->frame, 1);
    EXPECT_EQ(b_->facing, 1);
    EXPECT_EQ(b_->rotation, 0);
    EXPECT_EQ(a_->posX, c.ax);
    EXPECT_EQ(a_->posY, c.ay);
    EXPECT_EQ(b_->posX, c.bx);
    EXPECT_EQ(b_->posY, c.by);
    EXPECT_EQ(b_->throwOffsetX, c.offX);
    EXPECT_EQ(b_->throwOffsetY, c.offY);
    EXPECT_EQ(b_->held, 1);
  }
}

TEST_F(FrameEffectsThrow, ReleaseWithAVector) {
  a_->posX = 0;
  b_->life = 3000;
  b_->downState = 0;
  Do(a_, Effect(4, 51, {40, -20, 0, 0x01 | 0x02 | 0x08, 33, 45}));
  EXPECT_EQ(b_->held, 0);
  EXPECT_EQ(a_->heldObject, nullptr);
  EXPECT_EQ(a_->holding, 0);
  EXPECT_EQ(b_->posX, 40 * 128);
  EXPECT_EQ(b_->posY, -20 * 128);
  EXPECT_EQ(b_->throwOffsetX, 0);
  EXPECT_EQ(b_->untechTime, 45);
  EXPECT_EQ(b_->downState, 10);
  EXPECT_EQ(b_->pendingReaction[0], 10);
  EXPECT_EQ(b_->hitMarks[0], 1);
  EXPECT_EQ(b_->hitMarks[1], 1);
  EXPECT_EQ(b_->finishKind, 0);
  // Sent away from the thrower (its facing), mirrored by flag 0x02.
  EXPECT_EQ(SeamCalls(), std::vector<std::string>{"ApplyHitVector 1 33 0 0 1 0"});
  // A reaction time of 0 holds for 9999 steps; the ground flag lands it.
  Hold();
  b_->posY = -5000;
  Do(a_, Effect(4, 51, {0, 0, 0, 0x01 | 0x04 | 0x10 | 0x20, 7, 0}));
  EXPECT_EQ(b_->untechTime, 9999);
  EXPECT_EQ(b_->posY, 0);
  EXPECT_EQ(b_->hitMarks[1], 0);
}

TEST_F(FrameEffectsThrow, DamageAndKnockOut) {
  g_TypeParams[2].vsDamageVal = 0.5f;
  a_->type = 2;
  b_->life = 3000;
  b_->redLife = 5000;
  Do(a_, Effect(5, 1, {1000, 0, 12, 25, 0, 1500}));
  EXPECT_EQ(b_->life, 2000);
  EXPECT_EQ(b_->redLife, 4250);
  EXPECT_EQ(a_->hitStop, 12);
  EXPECT_EQ(b_->hitStop, 12);
  EXPECT_EQ(g_SeRequest[25], 1);
  // The recoverable life never falls below the life.
  Do(a_, Effect(5, 1, {100, 0, -3, 0, 0, 20000}));
  EXPECT_EQ(b_->life, 1900);
  EXPECT_EQ(b_->redLife, 1900);
  EXPECT_EQ(b_->hitStop, 0);
  Do(a_, Effect(5, 0, {33}));
  EXPECT_EQ(b_->hitReaction, 33);
  Do(a_, Effect(5, 3, {40000}));
  EXPECT_EQ(b_->circuit, 30000);
  Do(a_, Effect(5, 2));
  EXPECT_EQ(b_->facing, 0);

  // A lethal throw knocks out on release and plays the knock-out voice.
  b_->facing = 1;
  Do(a_, Effect(5, 1, {5000, 0, 0, 0, 0, 10000}));
  EXPECT_LT(b_->life, 0);
  EXPECT_EQ(b_->redLife, 0);  // never below 0 with the life
  std::memset(g_SeRequest, 0, sizeof g_SeRequest);
  Do(a_, Effect(4, 51, {0, 0, 0, 0x01, 5, 20}));
  EXPECT_EQ(b_->life, 0);
  EXPECT_EQ(b_->finishKind, 3);
  EXPECT_EQ(b_->koVoicePlayed, 1);
  EXPECT_EQ(g_SeRequest[400 + 250 + 99], 1);

  // Flag 0x40 keeps the knock-out from being decided by the throw.
  Hold();
  b_->finishKind = 0;
  b_->koVoicePlayed = 0;
  b_->life = -5;
  std::memset(g_SeRequest, 0, sizeof g_SeRequest);
  Do(a_, Effect(4, 51, {0, 0, 0, 0x01 | 0x40, 5, 20}));
  EXPECT_EQ(b_->finishKind, 0);
  EXPECT_EQ(b_->life, 0);
  EXPECT_EQ(g_SeRequest[400 + 250 + 99], 0);
  // Once the round is judged, a finish kind without its voice yet plays it; a played one does not.
  for (const uint8_t played : {0, 1}) {
    Hold();
    g_JudgeState = 1;
    b_->finishKind = 20;
    b_->koVoicePlayed = played;
    b_->life = 0;
    std::memset(g_SeRequest, 0, sizeof g_SeRequest);
    Do(a_, Effect(4, 51, {0, 0, 0, 0x01, 5, 20}));
    EXPECT_EQ(g_SeRequest[400 + 250 + 99], played ? 0 : 1);
    EXPECT_EQ(b_->koVoicePlayed, 1);
    EXPECT_EQ(b_->finishKind, 20);
  }
}

// The versus-damage factor comes from the type file, which reads "inf" and "nan": the red
// damage saturates or counts as 0 instead of an undefined conversion.
TEST_F(FrameEffectsThrow, RedDamageFromANonFiniteFactor) {
  const struct {
    float factor;
    int32_t redLife;
  } cases[] = {
      {std::numeric_limits<float>::quiet_NaN(), 5000},
      {std::numeric_limits<float>::infinity(), 2000},        // never below the life
      {-std::numeric_limits<float>::infinity(), INT32_MAX},  // raised, saturated
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.factor);
    Hold();
    g_TypeParams[2].vsDamageVal = c.factor;
    a_->type = 2;
    b_->life = 3000;
    b_->redLife = 5000;
    Do(a_, Effect(5, 1, {1000, 0, 0, 0, 0, 1500}));
    EXPECT_EQ(b_->life, 2000);
    EXPECT_EQ(b_->redLife, c.redLife);
  }
}

TEST_F(FrameEffectsThrow, HoldPointOfTheVictim) {
  // Pattern 52, frame 0 has a box in slot 19 (hold point 2) centred at (10, -40) pixels.
  FrameDef f;
  f.duration = 10;
  f.endAction = 3;
  Han6Pattern& p = data_.Pattern(52, {f});
  p.boxPool.push_back(Han6Box{8, -44, 12, -36});
  p.frames[0].boxes.assign(20, nullptr);
  p.frames[0].boxes[19] = &p.boxPool.back();
  p.frames[0].boxCount = 20;
  a_->posX = 0;
  a_->posY = 0;
  Do(a_, Effect(14, 52, {30, -60, 0, 0, 2, 0}));
  // The victim faces left: its point mirrors to (-10, -40).
  EXPECT_EQ(b_->posX + b_->throwOffsetX + (-10 * 128), 30 * 128);
  EXPECT_EQ(b_->posY + b_->throwOffsetY + (-40 * 128), -60 * 128);
  // A hold point whose slot the frame lacks (slot 20) places the origin.
  Do(a_, Effect(14, 52, {30, -60, 0, 0, 3, 0}));
  EXPECT_EQ(b_->throwOffsetX, 30 * 128);
  EXPECT_EQ(b_->throwOffsetY, -60 * 128);
  // P2 % 10000 turns the victim.
  Do(a_, Effect(14, 52, {0, 0, 2500, 0, 0, 0}));
  EXPECT_EQ(b_->rotation, 2500);
  // Kept from going below the ground unless P6 bit 0x02.
  Do(a_, Effect(14, 52, {0, 30, 0, 0, 0, 0, 0}));
  EXPECT_EQ(b_->throwOffsetY, 0);
  Do(a_, Effect(14, 52, {0, 30, 0, 0, 0, 0, 2}));
  EXPECT_EQ(b_->throwOffsetY, 30 * 128);
}

TEST_F(FrameEffectsThrow, AttachedToAFramePointUntilReleased) {
  g_BattleSeams.FramePoint = [](BattleObject*, int point, int32_t* x, int32_t* y, int32_t* angle) {
    *x = 1000 + point;
    *y = -2000;
    *angle = 0;
    return 1;
  };
  g_BattleSeams.UntechDecay = [](BattleObject*, int t) { return t - 5; };
  Do(a_, Effect(14, 50, {0, 0, 120, 0, 0, 2, 0, 0, 0, 0, 4, 1}));
  EXPECT_EQ(b_->posX, 1004);
  EXPECT_EQ(b_->posY, -2000);
  EXPECT_EQ(a_->followMode, 200);
  EXPECT_EQ(a_->followBase, 4);
  EXPECT_EQ(a_->anchorPoint, 120);
  // Point numbers outside a byte are ignored.
  a_->followMode = 0;
  Do(a_, Effect(14, 50, {0, 0, 120, 0, 0, 2, 0, 0, 0, 0, 300, 1}));
  EXPECT_EQ(a_->followMode, 0);
  Do(a_, Effect(14, 50, {0, 0, 120, 0, 0, 2, 0, 0, 0, 0, -1, 1}));
  EXPECT_EQ(a_->followMode, 0);
  // The release runs with the decayed reaction time and ends the attachment.
  Do(a_, Effect(14, 50, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 1}));
  Do(a_, Effect(14, 50, {0, 0, 0, 0x01, 7, 30, 0, 0, 0, 0, 4, 1}));
  EXPECT_EQ(b_->held, 0);
  EXPECT_EQ(b_->untechTime, 25);
  EXPECT_EQ(b_->frame, 0);
  EXPECT_EQ(a_->followMode, 0);
}

TEST_F(FrameEffectsThrow, AchievementCounters) {
  static int total;
  total = 0;
  g_BattleSeams.IsLocalSide = [](int side) { return side == 0 ? 1 : 0; };
  g_BattleSeams.AddAchievementCounter = [](int, int achievement, int amount) {
    SeamCalls().push_back("AddAchievementCounter " + std::to_string(achievement) + " " +
                          std::to_string(amount));
    return total += amount;
  };
  g_BattleSeams.QueueAchievement = [](int id) {
    SeamCalls().push_back("QueueAchievement " + std::to_string(id));
    return 1;
  };
  a_->charaIndex = 11;
  a_->pattern = 205;
  Do(a_, Effect(5, 1, {1500}));
  Do(a_, Effect(5, 1, {600}));
  a_->pattern = 206;
  Do(a_, Effect(5, 1, {600}));
  EXPECT_EQ(SeamCalls(), (std::vector<std::string>{"AddAchievementCounter 30 1500",
                                                   "AddAchievementCounter 30 600", "QueueAchievement 30"}));
  // Not for the other side's character (not local).
  SeamCalls().clear();
  b_->charaIndex = 11;
  b_->pattern = 207;
  b_->heldObject = a_;
  Do(b_, Effect(5, 1, {2500}));
  EXPECT_TRUE(SeamCalls().empty());
  // Character 3 counts the circuit its touch takes from the other.
  total = 0;
  b_->heldObject = nullptr;
  a_->charaIndex = 3;
  b_->circuit = 20000;
  g_BattleSeams.FindOverlappingObject = [](BattleObject*, int, int, int, int, int, BattleObject** found) {
    *found = &g_PlayerRecords[1].obj;
    return 1;
  };
  g_BattleSeams.AddCircuitMeter = [](BattleObject* o, int n) { o->circuit += n; };
  Do(a_, Effect(6, 14, {0, 0, -6000}));
  Do(a_, Effect(6, 14, {0, 0, 500}));
  Do(a_, Effect(6, 14, {0, 0, -6000}));
  EXPECT_EQ(SeamCalls(), (std::vector<std::string>{"AddAchievementCounter 22 -6000",
                                                   "AddAchievementCounter 22 -6000", "QueueAchievement 22"}));
  EXPECT_EQ(b_->circuit, 8500);
}

TEST_F(FrameEffectsThrow, NothingWithoutAVictim) {
  a_->heldObject = nullptr;
  for (const Han6Effect& e : {Effect(4, 50, {1, 1, 0, 1}), Effect(5, 1, {500}), Effect(14, 50, {1, 1, 0, 1}),
                              Effect(5, 3, {100})}) {
    const BattleObject beforeA = *a_, beforeB = *b_;
    RunFrameEffect(a_, &e);
    EXPECT_TRUE(Changed(beforeA, *a_).empty());
    EXPECT_TRUE(Changed(beforeB, *b_).empty());
  }
}

TEST_F(FrameEffectsThrow, AChildThrowsWithItsCharactersHold) {
  Do(child_, Effect(5, 1, {700}));
  EXPECT_EQ(b_->life, kMaxLife - 700);
}

// The hit vector applied after a landing is the step the landing moved to, with its facing.
TEST_F(FrameEffects, TheLandingStepOfAHitVectorIsTheOneApplied) {
  g_VectorTables.hit.resize(6);
  g_VectorTables.hit[5].count = 3;
  g_VectorTables.hit[5].steps[1].pattern = 50;
  a_->hitVector = 5;
  a_->hitVectorStep = 0;
  a_->hitVectorFacing = 1;
  a_->landingJump = 1;
  SetPattern(*a_);
  EXPECT_EQ(a_->pendingPattern, 50);
  EXPECT_EQ(SeamCalls(), std::vector<std::string>{"ApplyHitVector 0 5 1 1 0 0"});
}

// ---- the walk over a frame's list ----

TEST_F(FrameEffects, ListCapturedWhenAnEffectEntersAnotherFrame) {
  // Frame 0 aims (one sector: frame 1 is entered mid-walk), then marks; frame 1 flashes.
  FrameDef f0, f1;
  f0.duration = f1.duration = 10;
  f0.endAction = f1.endAction = 3;
  f0.effects = {Effect(6, 8, {1, 100, 1}), Effect(6, 2, {7, 0})};
  f1.effects = {Effect(6, 13, {9, 4})};
  data_.Pattern(61, {f0, f1});
  a_->pattern = 61;
  a_->frame = 0;
  SetPattern(*a_);
  EXPECT_EQ(a_->frame, 1);
  EXPECT_EQ(a_->flashKind, 9);
  EXPECT_EQ(a_->strikeInvuln, 7);
}

TEST_F(FrameEffects, ARemovedObjectRunsNoMoreOfItsList) {
  FrameDef f;
  f.duration = 10;
  f.endAction = 3;
  f.effects = {Effect(6, 2, {7, 0})};
  data_.Pattern(62, {f});
  child_->pattern = 62;
  child_->frame = 0;
  child_->removing = 1;
  SetPattern(*child_);
  EXPECT_EQ(child_->strikeInvuln, 0);
}

TEST_F(FrameEffects, ContinuousParticlesEveryStep) {
  static int spawned;
  spawned = 0;
  g_BattleSeams.SpawnSystemEffect = [](BattleObject*, int code, const int32_t* block, int flip) {
    EXPECT_EQ(code, 260);
    EXPECT_EQ(flip, 1);
    EXPECT_EQ(block[2], 6);
    ++spawned;
  };
  FrameDef f;
  f.duration = 10;
  f.endAction = 3;
  f.effects = {Effect(10002, 260, {2, -1, 6}), Effect(6, 2, {7, 0})};
  data_.Pattern(63, {f});
  child_->pattern = 63;
  child_->frame = 0;
  child_->facing = 1;
  SetPattern(*child_);
  EXPECT_EQ(spawned, 0);
  for (int i = 0; i < 3; ++i) RunContinuousEffects(child_);
  EXPECT_EQ(spawned, 3);
  EXPECT_EQ(child_->effectsPending, 0);
  g_Paused = 1;
  RunContinuousEffects(child_);
  EXPECT_EQ(spawned, 3);
}

TEST_F(FrameEffects, EffectOffsets) {
  int32_t x = 0, y = 0;
  a_->posX = 1000;
  a_->posY = -500;
  a_->facing = 1;
  EffectOffsetToWorld(*a_, 10, -4, &x, &y);
  EXPECT_EQ(x, 1000 - 1280);
  EXPECT_EQ(y, -500 - 512);
  Han6Frame cut = *a_->frameRec;
  cut.spriteKind = 0;
  a_->frameRec = &cut;
  EffectOffsetToWorld(*a_, 10, -4, &x, &y);
  EXPECT_EQ(x, 1000 - 2560);
  EXPECT_EQ(y, -500 - 1024);
}

}  // namespace
