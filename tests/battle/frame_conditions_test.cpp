// Frame conditions in a small world of two characters (a partner in reserve where a case needs
// one) and a pool object: one table per family, the chance draws, the list walk, and the
// guards on indexes, zooms and zero divisors.
#include "battle/frame_conditions.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "battle/battle_driver.h"
#include "battle/chara_command.h"
#include "battle/command_input.h"
#include "battle/frame_conditions_internal.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using battle_test::FrameDef;
using battle_test::PlaceCharacter;
using battle_test::SeamCalls;
using battle_test::TestFrameData;

Han6Condition Cond(int type, std::initializer_list<int32_t> params) {
  Han6Condition c;
  c.type = type;
  int i = 0;
  for (int32_t v : params) c.params[i++] = v;
  return c;
}

std::vector<FrameDef> Frames(int n) {
  std::vector<FrameDef> frames(static_cast<size_t>(n));
  for (FrameDef& f : frames) {
    f.duration = 50;
    f.free = 1;
  }
  return frames;
}

// Seams a test points at its world.
BattleObject* g_found = nullptr;
float g_zoom = 1.0f;
std::vector<int> g_searchArgs;
int g_searches = 0;

// The box search and the throw search answer g_found and keep their arguments.
int SearchStub(BattleObject*, int own, int other, int side, int groups, int filter, BattleObject** found) {
  ++g_searches;
  g_searchArgs = {own, other, side, groups, filter};
  *found = g_found;
  return g_found != nullptr;
}
int ThrowSearchStub(BattleObject*, int mode, int range, int low, int span, BattleObject** target) {
  g_searchArgs = {mode, range, low, span};
  *target = g_found;
  return g_found != nullptr;
}

class Conditions : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    g_found = nullptr;
    g_zoom = 1.0f;
    g_searchArgs.clear();
    g_searches = 0;
    InstallFrameConditionSeams();
    g_BattleSeams.FindOverlappingObject = SearchStub;
    g_BattleSeams.FindThrowTarget = ThrowSearchStub;
    data_.Pattern(0, Frames(8));
    data_.Pattern(20, Frames(8));
    // Frame 1 of pattern 0 carries box slot 9 (the shield box) and an attack box.
    Han6Pattern& p0 = *data_.Set()->patterns->patterns[0];
    Han6Frame& f1 = p0.frames[1];
    p0.boxPool.push_back(Han6Box{-10, -10, 10, 10});
    f1.boxes.assign(10, nullptr);
    f1.boxes[9] = &p0.boxPool.back();
    f1.boxCount = 10;
    f1.attackBoxes.push_back(&p0.boxPool.back());
    f1.attackBoxCount = 1;
    a_ = &Place(0, -100 * 128, 0);
    b_ = &Place(1, 100 * 128, 1);
  }
  BattleObject& Place(int slot, int32_t x, int facing) {
    BattleObject& o = PlaceCharacter(slot, data_.Set(), x, facing);
    o.pattern = o.frame = 0;
    ResetActionState(o);
    SetPattern(o);
    return o;
  }
  // A pool object of a's, playing pattern 20.
  BattleObject& Spawn() {
    ObjectPoolSlot& s = g_ObjectPool[0];
    s.inUse = 1;
    NotePoolSlotTaken(s);
    s.obj = BattleObject{};
    BattleObject& o = s.obj;
    o.kind = kKindSpawned;
    o.owner = o.parent = o.creditOwner = a_;
    o.side = a_->side;
    o.frameData = data_.Set();
    o.pattern = 20;
    o.pendingPattern = o.pendingFrame = o.pendingPriority = o.pendingFramePriority = -1;
    o.hitVector = 255;
    SetPattern(o);
    return o;
  }
  // b as a's partner in reserve (slot 2), a active.
  BattleObject& Partner() {
    BattleObject& c = PlaceCharacter(2, data_.Set(), 0, 0);
    InitPartnerRecord(g_PlayerRecords[2], 0, 0);
    c.pattern = c.frame = 0;
    ResetActionState(c);
    SetPattern(c);
    a_->partner = &c;
    c.partner = a_;
    g_SideStatus[0].activePlayer = 0;
    g_SideStatus[0].hasPartner = 1;
    return c;
  }
  CommandEntry& AddCommand(BattleObject& o, uint32_t id, const char* notation, uint32_t pattern,
                           uint32_t flags = 0x1) {
    auto& table = o.playerRecord->ext.commandTable;
    if (!table) table = std::make_unique<CharaCommandTable>();
    if (table->commands.size() <= id) table->commands.resize(id + 1);
    table->commands[id] = std::make_unique<CommandEntry>();
    CommandEntry& e = *table->commands[id];
    e.id = id;
    CompileNotation(e.notation, notation);
    e.pattern = pattern;
    e.flags = flags;
    return e;
  }
  static void Eval(BattleObject& o, const Han6Condition& c) { EvalFrameCondition(o, c); }

  TestFrameData data_;
  BattleObject* a_ = nullptr;
  BattleObject* b_ = nullptr;
};

struct Outcome {
  int32_t frame = 0;
  int16_t pattern = -1, priority = -1;
  bool operator==(const Outcome&) const = default;
};
Outcome Seen(const BattleObject& o) { return {o.frame, o.pendingPattern, o.pendingPriority}; }
std::string Show(const Outcome& o) {
  return "frame " + std::to_string(o.frame) + " pattern " + std::to_string(o.pattern) + " priority " +
         std::to_string(o.priority);
}

constexpr Outcome kNothing{0, -1, -1};
constexpr Outcome Frame(int32_t f) { return {f, -1, -1}; }
constexpr Outcome Pattern(int16_t p, int16_t prio) { return {0, p, prio}; }

using battle_test::Changed;
using battle_test::Fields;

// The documented changes of a case, made on a copy of the object as it was before.
using Expect = std::function<void(BattleObject&)>;
void EnterFrame(BattleObject& w, int32_t f) {
  w.frame = f;
  w.frameTimer = 0;
  SetPattern(w);
}
void QueuePattern(BattleObject& w, int16_t pattern, int16_t priority) {
  w.pendingPattern = pattern;
  w.pendingPriority = priority;
  w.requestSource = 0;
}
void QueueFrame(BattleObject& w, int16_t frame, int16_t priority) {
  w.pendingFrame = frame;
  w.pendingFramePriority = priority;
}
// An outcome of the tables as documented changes: a pattern request, or entering a frame.
Expect From(const Outcome& want) {
  return [want](BattleObject& w) {
    if (want.pattern != -1)
      QueuePattern(w, want.pattern, want.priority);
    else if (want.frame != w.frame)
      EnterFrame(w, want.frame);
  };
}
// The fields that differ between the object after the condition and the object before with
// only the documented changes made: empty when exactly those changed.
Fields Unexpected(const BattleObject& before, const BattleObject& after, const Expect& expect) {
  BattleObject want = before;
  expect(want);
  return Changed(want, after);
}

// ---- input ----

TEST_F(Conditions, InputFamily) {
  const struct {
    const char* name;
    Han6Condition c;
    uint8_t dir;
    uint32_t buttons;
    uint8_t noCommand;
    Outcome want;
  } cases[] = {
      {"1: direction equal, frame from 10000", Cond(1, {6, 10003, 0}), 6, 0, 0, Frame(3)},
      {"1: class 10 is 6 or 3, pattern request", Cond(1, {10, 40, 0}), 3, 0, 0, Pattern(40, 0)},
      {"1: no command reads neutral", Cond(1, {6, 10003, 0}), 6, 0, 1, kNothing},
      {"1: P2 1 tests a different direction", Cond(1, {6, 10003, 1}), 4, 0, 0, Frame(3)},
      {"1: other P2 never holds", Cond(1, {6, 10003, 2}), 6, 0, 0, kNothing},
      {"6: one button pressed", Cond(6, {255, 0x1, 4}), 0, 0x1, 0, Frame(4)},
      {"6: two buttons need both", Cond(6, {255, 0x3, 4}), 0, 0x1, 0, kNothing},
      {"6: two buttons both pressed", Cond(6, {255, 0x3, 4}), 0, 0x3, 0, Frame(4)},
      {"6: two buttons are that set exactly, not with a third", Cond(6, {255, 0x3, 4}), 0, 0x7, 0, kNothing},
      {"6: two held buttons with a third held", Cond(6, {255, 0x3, 4, 0x2}), 0, 0x7000, 0, kNothing},
      {"6: one button also holds with others", Cond(6, {255, 0x1, 4}), 0, 0x7, 0, Frame(4)},
      {"6: P1 0 is no button pressed", Cond(6, {6, 0, 4}), 6, 0, 0, Frame(4)},
      {"6: P1 0 with a button pressed", Cond(6, {6, 0, 4}), 6, 0x2, 0, kNothing},
      {"6: P3 bit 2 takes any of them", Cond(6, {255, 0x3, 4, 0x4}), 0, 0x1, 0, Frame(4)},
      {"6: P3 bit 1 compares held bits", Cond(6, {255, 0x2, 4, 0x2}), 0, 0x2000, 0, Frame(4)},
      {"6: held bits are not pressed bits", Cond(6, {255, 0x2, 4, 0x0}), 0, 0x2000, 0, kNothing},
      {"6: class 13 is down", Cond(6, {13, 255, 5}), 1, 0, 0, Frame(5)},
      {"6: class 12 is up", Cond(6, {12, 255, 5}), 2, 0, 0, kNothing},
      {"6: inverted, other direction and button absent", Cond(6, {6, 0x1, 2, 0x1}), 4, 0, 0, Frame(2)},
      {"6: inverted, direction matches", Cond(6, {6, 0x1, 2, 0x1}), 6, 0, 0, kNothing},
      {"6: inverted, button present", Cond(6, {6, 0x1, 2, 0x1}), 4, 0x1, 0, kNothing},
      {"6: inverted with bit 2, one of two present", Cond(6, {6, 0x3, 2, 0x5}), 4, 0x1, 0, kNothing},
      {"6: inverted, not all of two present", Cond(6, {6, 0x3, 2, 0x1}), 4, 0x1, 0, Frame(2)},
      {"6: bit 5 needs contact", Cond(6, {255, 255, 2, 0x20}), 0, 0, 0, kNothing},
      {"7: pattern plus own pattern with P4", Cond(7, {2, 255, 30, 0, 1}), 2, 0, 0, Pattern(30, 500)},
  };
  for (const auto& c : cases) {
    SetUp();
    a_->inputDir = c.dir;
    a_->inputButtons = c.buttons;
    a_->noCommand = c.noCommand;
    const BattleObject before = *a_;
    Eval(*a_, c.c);
    EXPECT_EQ(Seen(*a_), c.want) << c.name << ": " << Show(Seen(*a_));
    EXPECT_EQ(Unexpected(before, *a_, From(c.want)), Fields{}) << c.name;
  }
}

TEST_F(Conditions, InputReadsTheActiveMemberAndRefusesDuringKnockback) {
  BattleObject& c = Partner();
  a_->inputButtons = 0x1;
  c.inputButtons = 0;
  Eval(c, Cond(6, {255, 0x1, 3}));  // the reserve reads its active partner's buttons
  EXPECT_EQ(c.frame, 3);

  a_->hitVector = 4;
  a_->hitVelX = 100;
  Eval(*a_, Cond(6, {255, 0x1, 3}));
  EXPECT_EQ(a_->frame, 0);
  a_->hitVector = 255;  // a finished vector with leftover velocity does not block
  Eval(*a_, Cond(6, {255, 0x1, 3}));
  EXPECT_EQ(a_->frame, 3);
}

// ---- contact ----

TEST_F(Conditions, ContactFamily) {
  const struct {
    const char* name;
    Han6Condition c;
    uint16_t contact;
    uint8_t hitsLeft;
    int16_t registered;
    Outcome want;
  } cases[] = {
      {"3: hit meets mask 0", Cond(3, {5, 0}), 0x2, 0, 0, Frame(5)},
      {"3: attack still live", Cond(3, {5, 0}), 0x2, 1, 0, kNothing},
      {"3: guard misses mask 0", Cond(3, {5, 0}), 0x1, 0, 0, kNothing},
      {"3: guard meets mask 5", Cond(3, {5, 5}), 0x1, 0, 0, Frame(5)},
      {"3: clash meets mask 6", Cond(3, {5, 6}), 0x4, 0, 0, Frame(5)},
      {"3: mask code 4 never", Cond(3, {5, 4}), 0xF, 0, 0, kNothing},
      {"3: finishing defender refused by P1 / 100", Cond(3, {5, 100}), 0x102, 0, 0, kNothing},
      {"3: finishing defender allowed", Cond(3, {5, 0}), 0x102, 0, 0, Frame(5)},
      {"3: P2 1 needs standing", Cond(3, {5, 0, 1}), 0x22, 0, 0, kNothing},
      {"3: P2 2 needs airborne", Cond(3, {5, 0, 2}), 0x22, 0, 0, Frame(5)},
      {"3: other P2 never", Cond(3, {5, 0, 3}), 0x32, 0, 0, kNothing},
      {"3: pattern from 10000", Cond(3, {10025, 0}), 0x2, 0, 0, Pattern(25, 500)},
      {"17: too few registrations", Cond(17, {6, 3}), 0x2, 0, 2, kNothing},
      {"17: enough registrations", Cond(17, {6, 3}), 0x2, 0, 3, Frame(6)},
      {"17: no contact", Cond(17, {6, 0}), 0, 0, 3, kNothing},
  };
  for (const auto& c : cases) {
    SetUp();
    a_->contactFlags = c.contact;
    a_->hitsLeft = c.hitsLeft;
    a_->registeredHits = c.registered;
    const BattleObject before = *a_;
    Eval(*a_, c.c);
    EXPECT_EQ(Seen(*a_), c.want) << c.name << ": " << Show(Seen(*a_));
    EXPECT_EQ(Unexpected(before, *a_, From(c.want)), Fields{}) << c.name;
  }
}

TEST_F(Conditions, ContactLandsTheObjectAndAppliesItsCounter) {
  a_->contactFlags = 0x2;
  a_->landed = 1;
  a_->posY = -300;
  a_->actionCounters[2] = 5;
  Eval(*a_, Cond(3, {4, 0, 0, 23}));
  EXPECT_EQ(a_->frame, 4);
  EXPECT_EQ(a_->posY, 0);
  EXPECT_EQ(a_->landed, 0);
  EXPECT_EQ(a_->actionCounters[2], 2);
}

TEST_F(Conditions, ContactSetsVariablesOfTheOwnerOrTheObject) {
  BattleObject& o = Spawn();
  o.contactFlags = 0x4;
  Eval(o, Cond(38, {7, 2, 0, 3, 0}));  // mask 0x6: a clash counts
  EXPECT_EQ(a_->charVars[3], 7);
  Eval(o, Cond(38, {5, 2, 0, 3, 1}));  // add
  EXPECT_EQ(a_->charVars[3], 12);
  Eval(o, Cond(38, {9, 2, 0, 3, 10}));  // tens digit: the object's own
  EXPECT_EQ(o.charVars[3], 9);
  EXPECT_EQ(a_->charVars[3], 12);
  o.contactFlags = 0x8;  // mask code 2 is 0x6 here, not 0xE
  Eval(o, Cond(38, {1, 2, 0, 4, 0}));
  EXPECT_EQ(a_->charVars[4], 0);
}

TEST_F(Conditions, CounterReferences) {
  const struct {
    int32_t r;
    bool child;
    int8_t counter2;
    int32_t battle2;
  } cases[] = {
      {0, false, 5, 5},                      // nothing
      {23, false, 2, 5},                     // action counter 2 minus 3
      {27, false, 0, 5},                     // not below 0
      {123, false, 5, 2},                    // battle-wide counter 2 minus 3
      {129, false, 5, 0}, {23, true, 2, 5},  // a child lowers its owner's counters
      {-23, false, 5, 5},
  };
  for (const auto& c : cases) {
    SetUp();
    a_->actionCounters[2] = 5;
    g_BattleCounters[2] = 5;
    BattleObject& o = c.child ? Spawn() : *a_;
    ApplyCounterReference(o, c.r);
    EXPECT_EQ(a_->actionCounters[2], c.counter2) << c.r;
    EXPECT_EQ(g_BattleCounters[2], c.battle2) << c.r;
    if (c.child) {
      EXPECT_EQ(o.actionCounters[2], 0);
    }
  }
}

// ---- motion, latches, timers and state ----

TEST_F(Conditions, StateFamily) {
  const struct {
    const char* name;
    Han6Condition c;
    void (*prepare)(BattleObject&);
    Outcome want;
  } cases[] = {
      {"4: forward while facing left is negative x", Cond(4, {3, 2, 0}),
       [](BattleObject& o) {
         o.facing = 1;
         o.velX = -100;
       },
       Frame(3)},
      {"4: hit velocity counts", Cond(4, {3, 1, 0}), [](BattleObject& o) { o.hitVelX = -1; }, Frame(3)},
      {"4: falling", Cond(4, {3, 0, 1}), [](BattleObject& o) { o.velY = 10; }, Frame(3)},
      {"4: other code never", Cond(4, {3, 3, 0}), [](BattleObject& o) { o.velX = 10; }, kNothing},
      {"5: hold", Cond(5, {2}), [](BattleObject& o) { o.patternHold = 1; }, Frame(2)},
      {"10: latch 0", Cond(10, {6}), [](BattleObject&) {}, Frame(6)},
      {"10: latch set", Cond(10, {6}), [](BattleObject& o) { o.loopCounter = 1; }, kNothing},
      {"10: waits for a pattern request", Cond(10, {6}), [](BattleObject& o) { ChangePattern(o, 20, 0, 10); },
       Pattern(20, 10)},
      {"28: judge decided", Cond(28, {2}), [](BattleObject&) { g_JudgeState = 1; }, Frame(2)},
      {"30: facing", Cond(30, {2, 1}), [](BattleObject& o) { o.facing = 1; }, Frame(2)},
      {"37: request", Cond(37, {20}), [](BattleObject&) {}, Pattern(20, 300)},
      {"40: step frames", Cond(40, {4, 3}), [](BattleObject& o) { o.stepFrames = 3; }, Frame(4)},
      {"40: too early", Cond(40, {4, 3}), [](BattleObject& o) { o.stepFrames = 2; }, kNothing},
      {"42: no round-end mark", Cond(42, {10020}), [](BattleObject&) {}, Pattern(20, 100)},
      {"27: owner held", Cond(27, {3, 1, 0}), [](BattleObject& o) { o.held = 1; }, Frame(3)},
      {"27: owner hit, not guarding", Cond(27, {20, 0, 2}), [](BattleObject& o) { o.hitReaction = 5; },
       Pattern(20, 300)},
      {"27: owner guarding is bit 2", Cond(27, {3, 1, 2}),
       [](BattleObject& o) {
         o.hitReaction = 5;
         o.guarding = 1;
       },
       kNothing},
      {"54: owner in a reaction", Cond(54, {3}), [](BattleObject& o) { o.hitReaction = 1; }, Frame(3)},
      {"54: owner held in hit-stop", Cond(54, {3}),
       [](BattleObject& o) {
         o.held = 1;
         o.hitStop = 2;
       },
       kNothing},
  };
  for (const auto& c : cases) {
    SetUp();
    c.prepare(*a_);
    const BattleObject before = *a_;
    Eval(*a_, c.c);
    EXPECT_EQ(Seen(*a_), c.want) << c.name << ": " << Show(Seen(*a_));
    EXPECT_EQ(Unexpected(before, *a_, From(c.want)), Fields{}) << c.name;
  }
}

TEST_F(Conditions, LatchAndHoldSideEffects) {
  Eval(*a_, Cond(9, {3}));
  EXPECT_EQ(a_->loopCounter, 3);
  a_->hitVectorStep = 4;
  a_->hitFrames = 9;
  a_->frameTimer = 1;
  Eval(*a_, Cond(5, {2}));  // not the first step: nothing
  EXPECT_EQ(a_->hitVectorStep, 4);
  a_->frameTimer = 0;
  Eval(*a_, Cond(5, {2}));
  EXPECT_EQ(a_->hitVectorStep, 255);
  EXPECT_EQ(a_->hitFrames, 0);
  EXPECT_EQ(a_->frame, 0);
}

TEST_F(Conditions, ChildConditionsFollowTheOwner) {
  BattleObject& o = Spawn();
  a_->pattern = 7;
  Eval(o, Cond(18, {2, 7}));
  EXPECT_EQ(o.frame, 2);
  a_->patternChanged = 0;
  Eval(o, Cond(18, {4, 256}));
  EXPECT_EQ(o.frame, 2);
  a_->patternChanged = 1;
  Eval(o, Cond(18, {4, 256}));
  EXPECT_EQ(o.frame, 4);
  Eval(*a_, Cond(18, {4, 7}));  // characters are not children
  EXPECT_EQ(a_->frame, 0);

  // Type 53 destroys the object unless its owner stands in a shield frame.
  Han6Pattern& p0 = *data_.Set()->patterns->patterns[0];
  p0.conditionPool.push_back(Cond(51, {}));
  p0.frames[2].conditions.push_back(&p0.conditionPool.back());
  a_->pattern = 0;
  GoToFrame(*a_, 2);
  a_->shieldState = 0;
  Eval(o, Cond(53, {}));
  EXPECT_EQ(o.removing, 0);
  a_->shieldState = 1;
  Eval(o, Cond(53, {}));
  EXPECT_EQ(o.removing, 1);
}

TEST_F(Conditions, CircuitCharge) {
  int starts = 0;
  static int* counter = nullptr;
  counter = &starts;
  g_BattleSeams.StartCharge = [](BattleObject* o) {
    ++*counter;
    o->chargeActive = 1;
  };
  a_->inputButtons = 0x5000;  // A and C held
  Eval(*a_, Cond(60, {3}));
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(a_->chargeActive, 1);
  EXPECT_EQ(a_->frame, 0);
  a_->inputButtons = 0x6000;  // B and C held
  Eval(*a_, Cond(60, {3}));
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(a_->frame, 0);

  BattleObject& o = Spawn();
  Eval(o, Cond(60, {4}));
  EXPECT_EQ(o.frame, 0);

  a_->inputButtons = 0x1000;  // A alone ends the charge
  Eval(*a_, Cond(60, {3}));
  EXPECT_EQ(a_->chargeActive, 0);
  EXPECT_EQ(a_->frame, 3);
  Eval(o, Cond(60, {4}));
  EXPECT_EQ(o.frame, 4);

  // Negative P0: only a hold, a reaction or a locked command ends it.
  SetUp();
  counter = &starts;
  g_BattleSeams.StartCharge = [](BattleObject* x) { x->chargeActive = 1; };
  Eval(*a_, Cond(60, {-1}));
  EXPECT_EQ(a_->chargeActive, 1);
  a_->noCommand = 1;
  Eval(*a_, Cond(60, {-1}));
  EXPECT_EQ(a_->chargeActive, 0);
  EXPECT_EQ(a_->frame, 0);
}

// ---- distance, screen and edges ----

TEST_F(Conditions, ScreenAndEdges) {
  const struct {
    const char* name;
    Han6Condition c;
    float zoom;
    int32_t x, y, vx, vy;
    bool removed;
    int32_t wantX, wantY, frame;
  } cases[] = {
      {"2: inside the right bound", Cond(2, {1}), 1.0f, 51712, 0, 0, 0, false, 51712, 0, 0},
      {"2: past the right bound", Cond(2, {1}), 1.0f, 51713, 0, 0, 0, true, 51713, 0, 0},
      {"2: zoomed out the bound widens", Cond(2, {1}), 0.5f, 60000, 0, 0, 0, false, 60000, 0, 0},
      {"2: zoom 0 divides as 1.0", Cond(2, {1}), 0.0f, 51713, 0, 0, 0, true, 51713, 0, 0},
      {"2: negative zoom divides as 1.0", Cond(2, {1}), -2.0f, 51712, 0, 0, 0, false, 51712, 0, 0},
      {"2: past the left view edge", Cond(2, {1}), 1.0f, -51713, 0, 0, 0, true, -51713, 0, 0},
      {"2: above the top", Cond(2, {2}), 1.0f, 0, -12800 - 54272 - 1, 0, 0, true, 0, -12800 - 54272 - 1, 0},
      {"2: bits off, nothing", Cond(2, {0}), 1.0f, 90000, 0, 0, 0, false, 90000, 0, 0},
      // Back along the velocity by half a step: y returns by half of 100.
      {"70: left edge with a proportional y", Cond(70, {-1, -1, 3, -1}), 1.0f, -38912 - 100, -1000, -200, 100,
       false, -38912, -1000 - 50, 3},
      {"70: left edge with zero x velocity", Cond(70, {-1, -1, 3, -1}), 1.0f, -38912 - 100, -1000, 0, 100,
       false, -38912, -1000, 3},
      {"70: on the edge is not past it", Cond(70, {-1, -1, 3, -1}), 1.0f, -38912, 0, 0, 0, false, -38912, 0,
       0},
      {"70: top edge with zero y velocity", Cond(70, {4, -1, -1, -1}), 1.0f, 10, -54273, 30, 0, false, 10,
       -54272, 4},
      {"70: zoom 0 on the right edge", Cond(70, {-1, -1, -1, 5}), 0.0f, 38913, 0, 0, 0, false, 38912, 0, 5},
      {"70: a vanishing zoom stays in range", Cond(70, {-1, -1, -1, 5}), 1e-30f, 90000, 0, 0, 0, false, 90000,
       0, 0},
      {"2: a vanishing zoom stays in range", Cond(2, {1}), 1e-30f, 90000, 0, 0, 0, false, 90000, 0, 0},
      {"70: skipped edges", Cond(70, {-1, -1, -1, -1}), 1.0f, 90000, 0, 0, 0, false, 90000, 0, 0},
  };
  g_BattleSeams.CameraZoom = [] { return g_zoom; };
  for (const auto& c : cases) {
    SetUp();
    g_BattleSeams.CameraZoom = [] { return g_zoom; };
    g_zoom = c.zoom;
    BattleObject& o = Spawn();
    o.posX = c.x;
    o.posY = c.y;
    o.velX = c.vx;
    o.velY = c.vy;
    const BattleObject before = o;
    Eval(o, c.c);
    EXPECT_EQ(Unexpected(before, o,
                         [&](BattleObject& w) {
                           w.removing = c.removed ? 1 : 0;
                           w.posX = c.wantX;
                           w.posY = c.wantY;
                           if (c.frame != w.frame) EnterFrame(w, c.frame);
                         }),
              Fields{})
        << c.name;
    EXPECT_EQ(o.removing != 0, c.removed) << c.name;
    EXPECT_EQ(o.posX, c.wantX) << c.name;
    EXPECT_EQ(o.posY, c.wantY) << c.name;
    EXPECT_EQ(o.frame, c.frame) << c.name;
  }
}

TEST_F(Conditions, LeavingTheScreenLowersTheCounter) {
  g_BattleCounters[2] = 5;
  BattleObject& o = Spawn();
  o.landed = 1;
  Eval(o, Cond(2, {0, 1, 0, 123}));
  EXPECT_EQ(o.removing, 1);
  EXPECT_EQ(g_BattleCounters[2], 2);

  // A character is not destroyed, so it gives back nothing, however often it lands.
  g_BattleCounters[2] = 5;
  a_->actionCounters[2] = 5;
  a_->landed = 1;
  const BattleObject before = *a_;
  for (int i = 0; i < 3; ++i) {
    Eval(*a_, Cond(2, {0, 1, 0, 123}));
    Eval(*a_, Cond(2, {0, 1, 0, 23}));
  }
  EXPECT_EQ(Changed(before, *a_), Fields{});
  EXPECT_EQ(g_BattleCounters[2], 5);
}

// Parameters at the ends of their range: no overflow anywhere (the sanitizer build traps one),
// and the results the conditions give for them.
TEST_F(Conditions, ExtremeParametersStayDefined) {
  constexpr int32_t kMin = INT32_MIN, kMax = INT32_MAX;
  // 26: the most negative bound is a bound of 2^31.
  a_->inputDir = 6;
  Eval(*a_, Cond(26, {10, 100, 0, kMin}));
  EXPECT_EQ(a_->velX, 100);
  // 29: the limit far left of the screen puts x at the least position there is.
  Eval(*a_, Cond(29, {2, kMin, 1}));
  EXPECT_EQ(a_->frame, 2);
  EXPECT_EQ(a_->posX, kMin);
  // 38: adding the largest amount.
  a_->contactFlags = 0x2;
  a_->charVars[3] = 1;
  Eval(*a_, Cond(38, {kMax, 0, 0, 3, 1}));
  EXPECT_EQ(a_->charVars[3], 0);  // 2^31 kept in 16 bits
  // 8 and 7: a pattern number past the range.
  g_RandDrawCount = 0;
  Eval(*a_, Cond(8, {kMax, 512, 1, 3}));
  EXPECT_EQ(g_RandDrawCount, 2);
  a_->pendingPattern = a_->pendingPriority = -1;
  a_->pattern = 5;
  Eval(*a_, Cond(7, {255, 255, kMax, 0, 1}));

  // 70: more than 2^32 past the right edge of a camera at the far left zoomed in so far that
  // the edge is at the camera, with the largest y velocity: the proportional move leaves the
  // range and y stops at its end.
  {
    SetUp();
    g_BattleSeams.CameraX = [] { return int32_t{INT32_MIN}; };
    g_BattleSeams.CameraZoom = [] { return 1e9f; };
    BattleObject& o = Spawn();
    o.posX = kMax;
    o.posY = 0;
    o.velX = 1;
    o.velY = kMax;
    Eval(o, Cond(70, {-1, -1, -1, 5}));
    EXPECT_EQ(o.posX, kMin);
    EXPECT_EQ(o.posY, kMin);
    EXPECT_EQ(o.frame, 5);
  }

  // 35: the most negative priority offset still requests the command's pattern.
  {
    SetUp();
    AddCommand(*a_, 5, "A", 40);
    PushInputHistory(a_->playerRecord->ext.history, 0, 0);
    PushInputHistory(a_->playerRecord->ext.history, 0, 1);
    Eval(*a_, Cond(35, {0, 5, 0, 0, 0, 0, 0, kMin}));
    EXPECT_EQ(a_->pendingPattern, 40);
  }

  // 34: a mirrored offset of -2^31 and a destination 2^38 away.
  const struct {
    const char* name;
    Han6Condition c;
    int32_t vx, vy;
  } homing[] = {
      {"offset -2^31 mirrored, divided by P4", Cond(34, {kMin, 0, 0, 1000, 1024, 0, 0, 1}), 1 << 28, 0},
      {"a step far short of a far destination", Cond(34, {0, kMax, 0, kMax, 0, 0, 0, 1}), 7, 7},
      {"a far destination on x only", Cond(34, {kMax, 0, 0, kMax, 0, 0, 0, 1}), 7, 7},
  };
  for (const auto& c : homing) {
    SetUp();
    BattleObject& o = Spawn();
    o.target = b_;  // b faces left
    o.posX = b_->posX;
    o.posY = b_->posY;
    o.velX = o.velY = 7;
    Eval(o, c.c);
    EXPECT_EQ(o.velX, c.vx) << c.name;
    EXPECT_EQ(o.velY, c.vy) << c.name;
  }
}

TEST_F(Conditions, EdgeBounce) {
  const struct {
    const char* name;
    Han6Condition c;
    int32_t x;
    uint8_t facing;
    bool bounced;
    Outcome want;
  } cases[] = {
      {"at the right edge, frame request", Cond(13, {3, 0, 255, 0, 0, 3}), 38912, 0, true, Frame(0)},
      {"short of the right edge", Cond(13, {3, 0, 255, 0, 0, 3}), 38911, 0, false, Frame(0)},
      {"P3 moves the edge in", Cond(13, {3, 0, 255, 2, 0, 1}), 38912 - 512, 0, true, Frame(0)},
      {"only the edge in front", Cond(13, {3, 0, 255, 0, 1, 1}), 38912, 1, false, Frame(0)},
      {"only the edge behind", Cond(13, {3, 0, 255, 0, 2, 1}), 38912, 1, true, Frame(0)},
      {"left edge", Cond(13, {3, 0, 255, 0, 0, 1}), -38912, 1, true, Frame(0)},
      {"pattern request", Cond(13, {20, 1, 255, 0, 0, 1}), 38912, 0, true, Pattern(20, 1000)},
      {"direction must match", Cond(13, {3, 0, 6, 0, 0, 1}), 38912, 0, false, Frame(0)},
  };
  for (const auto& c : cases) {
    SetUp();
    BattleObject& o = *a_;
    o.posX = c.x;
    o.facing = o.wantedFacing = c.facing;
    o.velX = 300;
    o.accX = -4;
    const BattleObject before = o;
    Eval(o, c.c);
    const int32_t* p = c.c.params;
    EXPECT_EQ(Unexpected(before, o,
                         [&](BattleObject& w) {
                           if (!c.bounced) return;
                           w.velX = -w.velX;
                           w.accX = static_cast<int16_t>(-w.accX);
                           if (p[5] & 2) w.facing = w.wantedFacing = w.facing ? 0 : 1;
                           if (p[1] == 0)
                             QueueFrame(w, static_cast<int16_t>(p[0]), 255);
                           else
                             QueuePattern(w, static_cast<int16_t>(p[0]), 1000);
                         }),
              Fields{})
        << c.name;
    EXPECT_EQ(o.velX, c.bounced ? -300 : 300) << c.name;
    EXPECT_EQ(o.accX, c.bounced ? 4 : -4) << c.name;
    const bool turns = c.bounced && (c.c.params[5] & 2);
    EXPECT_EQ(o.facing, turns ? 1 - c.facing : c.facing) << c.name;
    EXPECT_EQ(Seen(o), c.want) << c.name;
    const bool frameQueued = c.bounced && c.c.params[1] == 0;
    EXPECT_EQ(o.pendingFrame, frameQueued ? 3 : -1) << c.name;
  }
}

TEST_F(Conditions, DistanceAndHeight) {
  const struct {
    const char* name;
    Han6Condition c;
    int32_t ay, bx;
    bool fires;
  } cases[] = {
      // a at -12800, b facing left at bx; (|bx - P4 x 256 - ax|) >> 8 < P1.
      {"nearer than P1", Cond(12, {3, 101, 0}), 0, 12800, true},
      {"not nearer than P1", Cond(12, {3, 100, 0}), 0, 12800, false},
      {"P4 in front of the target", Cond(12, {3, 91, 0, 0, 10}), 0, 12800, true},
      {"target beyond the stage edge with bit 0", Cond(12, {3, 2000, 1}), 0, 65536, false},
      {"height below P1", Cond(12, {3, 51, 4}), -12800, 0, true},
      {"height not below P1", Cond(12, {3, 50, 4}), -12800, 0, false},
      {"stick test", Cond(12, {3, 51, 4, 6}), -12800, 0, false},
      {"stick class 13 is down", Cond(12, {3, 51, 4, 13}), -12800, 0, true},
      {"stick 255 is no class of its own", Cond(12, {3, 51, 4, 255}), -12800, 0, false},
  };
  for (const auto& c : cases) {
    SetUp();
    a_->target = b_;
    a_->posY = c.ay;
    b_->posX = c.bx;
    a_->inputDir = 2;
    const BattleObject before = *a_;
    Eval(*a_, c.c);
    EXPECT_EQ(a_->pendingFrame, c.fires ? 3 : -1) << c.name;
    EXPECT_EQ(Unexpected(before, *a_,
                         [&](BattleObject& w) {
                           if (c.fires) QueueFrame(w, 3, 255);
                         }),
              Fields{})
        << c.name;
  }
  // Bit 1 requests the pattern instead; bit 3 needs fewer than two chain registrations.
  SetUp();
  a_->posY = -12800;
  a_->playerRecord->ext.chain.registrations = 2;
  Eval(*a_, Cond(12, {20, 51, 4 | 8}));
  EXPECT_EQ(a_->pendingPattern, -1);
  a_->playerRecord->ext.chain.registrations = 1;
  Eval(*a_, Cond(12, {20, 51, 4 | 8 | 2}));
  EXPECT_EQ(Seen(*a_), Pattern(20, 1000));
}

TEST_F(Conditions, ScreenLimitAndCameraFollow) {
  a_->posX = (100 - 320) << 7;  // screen x 100
  Eval(*a_, Cond(29, {2, 99, 0}));
  EXPECT_EQ(a_->frame, 0);
  Eval(*a_, Cond(29, {2, 100, 0}));
  EXPECT_EQ(a_->frame, 2);
  EXPECT_EQ(a_->posX, (100 - 320) << 7);
  a_->charVars[0] = 90;
  Eval(*a_, Cond(29, {3, -30000, 1}));
  EXPECT_EQ(a_->frame, 3);
  EXPECT_EQ(a_->posX, (90 - 320) << 7);

  g_BattleSeams.CameraDeltaX = [] { return int32_t{256}; };
  g_BattleSeams.CameraDeltaY = [] { return int32_t{-128}; };
  const int32_t x = a_->posX, y = a_->posY;
  Eval(*a_, Cond(16, {0, 1}));
  EXPECT_EQ(a_->posX, x + 256);
  EXPECT_EQ(a_->posY, y);
  Eval(*a_, Cond(16, {1, 0}));
  EXPECT_EQ(a_->posY, y - 128);
  // At the ends of the range the camera's move wraps as every position store does.
  a_->posX = INT32_MAX - 100;
  a_->posY = INT32_MIN + 50;
  Eval(*a_, Cond(16, {0, 0}));
  EXPECT_EQ(a_->posX, INT32_MIN + 155);
  EXPECT_EQ(a_->posY, INT32_MAX - 77);
}

TEST_F(Conditions, StickImpulse) {
  const struct {
    Han6Condition c;
    uint8_t dir, facing;
    int32_t vx, vy;
  } cases[] = {
      {Cond(26, {10, 100, -50}), 6, 0, 100, -50},
      {Cond(26, {10, 100, -50}), 6, 1, -100, -50},  // 6 facing left is 4 on screen
      {Cond(26, {11, 100, -50}), 7, 0, -100, -50},
      {Cond(26, {11, 100, -50}), 8, 0, 0, -50},
      {Cond(26, {11, 100, -50}), 2, 0, 0, 0},
      {Cond(26, {3, 100, 20}), 3, 0, 100, 20},
      {Cond(26, {10, 100, 0, 60}), 6, 0, 60, 0},  // clamped in the pushed direction
  };
  for (const auto& c : cases) {
    SetUp();
    a_->inputDir = c.dir;
    a_->facing = c.facing;
    Eval(*a_, c.c);
    EXPECT_EQ(a_->velX, c.vx) << int(c.dir);
    EXPECT_EQ(a_->velY, c.vy) << int(c.dir);
  }
}

TEST_F(Conditions, Homing) {
  const struct {
    const char* name;
    Han6Condition c;
    int32_t ox, oy, vx0;
    int32_t vx, vy;
  } cases[] = {
      // b stands at (12800, 0) facing left; P7 2 homes on the owner (a) at (-12800, 0).
      {"divided by P4", Cond(34, {0, 0, 0, 0, 4, 0, 0, 1}), 12800 - 4000, 0, 7, 1000, 0},
      {"P0 mirrored by the reference's facing", Cond(34, {10, 0, 0, 0, 1, 0, 0, 1}), 12800, 0, 0, -1280, 0},
      {"a step of P3 reaches", Cond(34, {0, 0, 0, 500, 4, 0, 0, 1}), 12800 - 300, -400, 7, 300, 400},
      {"a step of P3 falls short", Cond(34, {0, 0, 0, 499, 0, 0, 0, 1}), 12800 - 300, -400, 7, 7, 0},
      {"on the destination the velocity stops", Cond(34, {0, 0, 0, 0, 4, 0, 0, 1}), 12800, 0, 7, 0, 0},
      {"owner reference", Cond(34, {0, 0, 0, 0, 2, 0, 0, 2}), -12800 + 800, 0, 0, -400, 0},
      // A point 4096 above b: differences (4000, 4000) / 4, 45 degrees, 1000 x 0.7071 each way.
      {"angle mode diagonal", Cond(34, {0, 1000, 0, 0, 0, 0, 0, 0}), 12800 - 4000, -4096 - 4000, 0, 707, 707},
      {"angle mode at distance 0 leaves the velocity", Cond(34, {0, 1000, 0, 0, 0, 0, 0, 0}), 12800, -4096, 7,
       7, 0},
  };
  for (const auto& c : cases) {
    SetUp();
    BattleObject& o = Spawn();
    o.target = b_;
    o.posX = c.ox;
    o.posY = c.oy;
    o.velX = c.vx0;
    Eval(o, c.c);
    EXPECT_EQ(o.velX, c.vx) << c.name;
    EXPECT_EQ(o.velY, c.vy) << c.name;
  }
  // P5 bit 0 turns toward the destination.
  SetUp();
  BattleObject& o = Spawn();
  o.target = b_;
  o.posX = 20000;
  Eval(o, Cond(34, {0, 0, 0, 0, 1, 1, 0, 1}));
  EXPECT_EQ(o.facing, 1);
}

// ---- partners, opponents, gauges, revival ----

TEST_F(Conditions, PartnerFamily) {
  BattleObject& c = Partner();
  c.pattern = 20;
  Eval(*a_, Cond(39, {2, 20}));
  EXPECT_EQ(a_->frame, 2);
  Eval(c, Cond(39, {2, 20}));  // the reserve is itself the inactive member
  EXPECT_EQ(c.frame, 2);
  Eval(c, Cond(41, {3}));
  EXPECT_EQ(c.frame, 3);
  Eval(*a_, Cond(41, {3}));
  EXPECT_EQ(a_->frame, 2);

  a_->charVars[1] = 5;
  c.charVars[1] = 9;
  Eval(c, Cond(25, {4, 1, 5, 2}));  // the reserve reads the active member's variable
  EXPECT_EQ(c.frame, 4);
  Eval(c, Cond(25, {5, 1, 9, 2}));
  EXPECT_EQ(c.frame, 4);

  g_GameModeFlags = 0x100;  // tag battle
  a_->frame = 0;
  Eval(*a_, Cond(39, {2, 20}));
  EXPECT_EQ(a_->frame, 0);
}

// Each case: which of a (active), its partner c in reserve and b (alone) evaluates, in which
// mode, and the documented change on it; the other two stay as they were.
TEST_F(Conditions, PartnerTable) {
  enum Who { kA, kB, kC };
  const struct {
    const char* name;
    Who who;
    int32_t mode;
    Han6Condition c;
    Outcome want;
  } cases[] = {
      {"39: the active member sees its reserve's pattern", kA, 0, Cond(39, {2, 20}), Frame(2)},
      {"39: the reserve is itself the inactive member", kC, 0, Cond(39, {2, 20}), Frame(2)},
      {"39: another pattern", kA, 0, Cond(39, {2, 21}), kNothing},
      {"39: never in tag battle", kA, 0x100, Cond(39, {2, 20}), kNothing},
      {"39: never in the four-player layout", kA, 0x200, Cond(39, {2, 20}), kNothing},
      {"39: no partner, no inactive member", kB, 0, Cond(39, {2, 0}), kNothing},
      {"41: the reserve", kC, 0, Cond(41, {3}), Frame(3)},
      {"41: the active member", kA, 0, Cond(41, {3}), kNothing},
      {"41: no partner", kB, 0, Cond(41, {3}), kNothing},
      {"25: the reserve reads the active member's variable", kC, 0, Cond(25, {4, 1, 5, 2}), Frame(4)},
      {"25: not its own", kC, 0, Cond(25, {4, 1, 9, 2}), kNothing},
      {"25: the active member reads its own", kA, 0, Cond(25, {10020, 1, 4, 0}), Pattern(20, 100)},
  };
  for (const auto& c : cases) {
    SetUp();
    BattleObject& r = Partner();
    r.pattern = 20;
    SetPattern(r);
    a_->charVars[1] = 5;
    r.charVars[1] = 9;
    g_GameModeFlags = c.mode;
    BattleObject* objects[] = {a_, b_, &r};
    const BattleObject before[] = {*a_, *b_, r};
    Eval(*objects[c.who], c.c);
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(Unexpected(before[i], *objects[i], i == c.who ? From(c.want) : Expect([](BattleObject&) {})),
                Fields{})
          << c.name << " on object " << i;
  }
}

// Type 100 on a and its reserve c: box 9 of both (frame 1), the overlap answer, the stand-by.
TEST_F(Conditions, PartnerContactTable) {
  static int overlap = 0, tests = 0;
  const struct {
    const char* name;
    int32_t aFrame;
    int overlaps;
    uint8_t standBy;
    bool met;
    int boxTests;
  } cases[] = {
      {"both box 9 meet: both go, the side counts it", 1, 1, 0, true, 1},
      {"no overlap: only the timer restarts", 1, 0, 0, false, 1},
      {"no box 9 of its own: no test", 0, 1, 0, false, 0},
      {"standing by: the partner's hit-stop only", 1, 1, 1, false, 0},
  };
  for (const auto& c : cases) {
    SetUp();
    overlap = c.overlaps;
    tests = 0;
    g_BattleSeams.ProximityBoxesOverlap = [](BattleObject*, BattleObject*) {
      ++tests;
      return overlap;
    };
    BattleObject& r = Partner();
    GoToFrame(r, 1);
    GoToFrame(*a_, c.aFrame);
    a_->frameTimer = 7;
    a_->partnerState = c.standBy;
    r.hitStop = 9;
    const BattleObject beforeA = *a_, beforeR = r;
    Eval(*a_, Cond(100, {5}));
    EXPECT_EQ(tests, c.boxTests) << c.name;
    EXPECT_EQ(Unexpected(beforeA, *a_,
                         [&](BattleObject& w) {
                           if (c.standBy) {
                             w.hitStop = 9;
                             return;
                           }
                           w.frameTimer = 0;
                           if (c.met) EnterFrame(w, 5);
                         }),
              Fields{})
        << c.name;
    EXPECT_EQ(Unexpected(beforeR, r,
                         [&](BattleObject& w) {
                           if (c.met) EnterFrame(w, 5);
                         }),
              Fields{})
        << c.name;
    EXPECT_EQ(g_SideStatus[0].partnerControl, c.met ? 1 : 0) << c.name;
  }
}

TEST_F(Conditions, RevivalTable) {
  const struct {
    const char* name;
    Han6Condition c;
    uint8_t finish, used;
    int destroyNum;  // -1: no command table
    bool revives;
    Outcome want;
  } cases[] = {
      {"150: knocked out below the limit", Cond(150, {6}), 1, 1, 2, false, Frame(6)},
      {"150: the limit reached", Cond(150, {6}), 1, 2, 2, false, kNothing},
      {"150: not knocked out", Cond(150, {6}), 0, 0, 2, false, kNothing},
      {"150: no command table", Cond(150, {6}), 1, 0, -1, false, kNothing},
      {"151: knocked out", Cond(151, {}), 2, 1, 2, true, kNothing},
      {"151: not knocked out", Cond(151, {}), 0, 1, 2, false, kNothing},
  };
  for (const auto& c : cases) {
    SetUp();
    if (c.destroyNum >= 0) {
      a_->playerRecord->ext.commandTable = std::make_unique<CharaCommandTable>();
      a_->playerRecord->ext.commandTable->destroyCount = c.destroyNum;
    }
    a_->finishKind = c.finish;
    a_->revivalsUsed = c.used;
    a_->life = 0;
    a_->redLife = 100;
    a_->noCommand = 1;
    const BattleObject before = *a_;
    Eval(*a_, c.c);
    EXPECT_EQ(Unexpected(before, *a_,
                         [&](BattleObject& w) {
                           From(c.want)(w);
                           if (!c.revives) return;
                           ++w.revivalsUsed;
                           w.finishKind = 0;
                           w.life = w.redLife = g_MaxLife;
                           w.noCommand = 0;
                         }),
              Fields{})
        << c.name;
  }
}

TEST_F(Conditions, PartnerContactUsesShieldBoxes) {
  BattleObject& c = Partner();
  static int overlaps = 0;
  overlaps = 0;
  g_BattleSeams.ProximityBoxesOverlap = [](BattleObject*, BattleObject*) {
    ++overlaps;
    return 1;
  };
  c.partnerState = 0;
  GoToFrame(c, 1);
  a_->frameTimer = 7;
  Eval(*a_, Cond(100, {5}));  // a's frame 0 has no box 9: no test
  EXPECT_EQ(overlaps, 0);
  EXPECT_EQ(a_->frameTimer, 0);
  GoToFrame(*a_, 1);
  Eval(*a_, Cond(100, {5}));
  EXPECT_EQ(overlaps, 1);
  EXPECT_EQ(a_->frame, 5);
  EXPECT_EQ(c.frame, 5);
  EXPECT_EQ(g_SideStatus[0].partnerControl, 1);

  c.partnerState = 1;
  a_->hitStop = 9;
  Eval(c, Cond(100, {6}));
  EXPECT_EQ(c.hitStop, 9);
  EXPECT_EQ(c.frame, 5);
}

TEST_F(Conditions, OpponentsStageAndArcade) {
  b_->charaIndex = 7;
  Eval(*a_, Cond(21, {2, 7}));
  EXPECT_EQ(a_->frame, 2);
  Eval(*a_, Cond(21, {3, 3, 8, -1, 7, 0, 0, 1}));  // the list stops at the first negative
  EXPECT_EQ(a_->frame, 2);
  Eval(*a_, Cond(21, {3, 3, 7, -1, 0, 0, 0, 1}));
  EXPECT_EQ(a_->frame, 3);
  Eval(*b_, Cond(21, {3, 7}));  // its own index is no opponent
  EXPECT_EQ(b_->frame, 0);
  g_GameModeFlags = 0x200;  // never in the four-player layout
  Eval(*a_, Cond(21, {5, 7}));
  EXPECT_EQ(a_->frame, 3);
  g_GameModeFlags = 0;

  g_MatchStage = 12;
  Eval(*a_, Cond(22, {4, 12}));
  EXPECT_EQ(a_->frame, 4);

  a_->frame = 0;
  a_->controller = 1;
  Eval(*a_, Cond(32, {5, 0}));  // not arcade
  EXPECT_EQ(a_->frame, 0);
  g_GameModeFlags = 0x10;
  Eval(*a_, Cond(32, {5, 1}));  // needs a human
  EXPECT_EQ(a_->frame, 0);
  Eval(*a_, Cond(32, {5, 0, 1}));  // first round needs a battle phase
  EXPECT_EQ(a_->frame, 0);
  g_BattlePhase = 1;
  Eval(*a_, Cond(32, {5, 0, 1}));
  EXPECT_EQ(a_->frame, 5);
  g_BattleSeams.ArcadeVariant = [] { return 1; };
  Eval(*a_, Cond(32, {6, 2}));
  EXPECT_EQ(a_->frame, 5);

  b_->playerIndex = 1;
  Eval(*b_, Cond(55, {2, 3}));
  EXPECT_EQ(b_->frame, 3);
  a_->gaugeMode = 1;
  Eval(*a_, Cond(36, {4, 1, 0}));
  EXPECT_EQ(a_->frame, 4);
  Eval(*a_, Cond(36, {6, 1, 1}));
  EXPECT_EQ(a_->frame, 4);
}

TEST_F(Conditions, RevivalOffersStopAtTheLimit) {
  a_->playerRecord->ext.commandTable = std::make_unique<CharaCommandTable>();
  a_->playerRecord->ext.commandTable->destroyCount = 2;
  a_->finishKind = 1;
  a_->life = 0;
  a_->redLife = 100;
  a_->noCommand = 1;
  for (int i = 0; i < 3; ++i) {
    a_->frame = 0;
    Eval(*a_, Cond(150, {6}));
    EXPECT_EQ(a_->frame, i < 2 ? 6 : 0) << i;
    Eval(*a_, Cond(151, {}));
    EXPECT_EQ(a_->revivalsUsed, i + 1);
    EXPECT_EQ(a_->finishKind, 0);
    EXPECT_EQ(a_->life, g_MaxLife);
    EXPECT_EQ(a_->redLife, g_MaxLife);
    EXPECT_EQ(a_->noCommand, 0);
    a_->finishKind = 1;
  }
  a_->finishKind = 0;
  Eval(*a_, Cond(151, {}));
  EXPECT_EQ(a_->revivalsUsed, 3);
}

TEST_F(Conditions, SoundSlotQuiet) {
  static int busySlot = -1;
  busySlot = 12;
  g_BattleSeams.IsSoundSlotBusy = [](BattleObject*, int slot) {
    return slot == busySlot || (slot == 255 && busySlot >= 0) ? 1 : 0;
  };
  BattleObject& o = Spawn();  // a child asks about its owner's sounds
  Eval(o, Cond(33, {2, 12}));
  EXPECT_EQ(o.frame, 0);
  Eval(o, Cond(33, {2, 255}));
  EXPECT_EQ(o.frame, 0);
  Eval(o, Cond(33, {2, 11}));
  EXPECT_EQ(o.frame, 2);
  busySlot = -1;
  Eval(o, Cond(33, {3, 255}));
  EXPECT_EQ(o.frame, 3);
}

// ---- chance ----

TEST_F(Conditions, ChanceDrawsAndThresholds) {
  // The common stream: one counted draw per evaluation, a second one for a pattern pick.
  SeedRandomGeneratorsFrom(77);
  g_RandDrawCount = 0;
  int fired = 0;
  for (int i = 0; i < 50; ++i) {
    a_->frame = 0;
    Eval(*a_, Cond(8, {1, 512}));
    fired += a_->frame == 1;
  }
  EXPECT_EQ(fired, 50);
  EXPECT_EQ(g_RandDrawCount, 50);
  for (int i = 0; i < 50; ++i) {
    a_->frame = 0;
    Eval(*a_, Cond(8, {1, 0}));
    EXPECT_EQ(a_->frame, 0);
  }
  EXPECT_EQ(g_RandDrawCount, 100);

  // The same values as drawing by hand: the pattern is P0 + the second draw modulo P3.
  SeedRandomGeneratorsFrom(5);
  g_RandDrawCount = 0;
  const int32_t r1 = RandNext() % 512, r2 = RandNext() % 3;
  SeedRandomGeneratorsFrom(5);
  g_RandDrawCount = 0;
  Eval(*a_, Cond(8, {20, r1 + 1, 1, 3}));
  EXPECT_EQ(g_RandDrawCount, 2);
  EXPECT_EQ(a_->pendingPattern, 20 + r2);
  EXPECT_EQ(a_->pendingPriority, 500);

  // The second stream: the common stream is untouched, stream 2 advances once.
  SeedRandomGeneratorsFrom(5);
  g_RandDrawCount = 0;
  const int32_t s1 = RandStreamNext(2) % 512;
  const int32_t nextOn2 = RandStreamNext(2);
  SeedRandomGeneratorsFrom(5);
  g_RandDrawCount = 0;
  const RandStream common = g_RandStreams[kRandCommonStream];
  a_->pendingPattern = -1;
  a_->pendingPriority = -1;
  a_->frame = 0;
  Eval(*a_, Cond(8, {2, s1 + 1, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(a_->frame, 2);
  EXPECT_EQ(g_RandDrawCount, 0);
  EXPECT_EQ(g_RandStreams[kRandCommonStream].index, common.index);
  EXPECT_EQ(RandStreamNext(2), nextOn2);

  // Character 20 reaching frame 3 by chance counts towards its achievement.
  g_BattleSeams.CountAchievementProgress = [](BattleObject* o, int id) {
    SeamCalls().push_back(std::to_string(o->charaIndex) + " " + std::to_string(id));
  };
  a_->frame = 0;
  Eval(*a_, Cond(8, {3, 512}));  // character 0
  a_->charaIndex = 20;
  Eval(*a_, Cond(8, {2, 512}));
  Eval(*a_, Cond(8, {3, 512}));
  EXPECT_EQ(SeamCalls(), std::vector<std::string>{"20 46"});

  // Waiting for a pattern request: no draw at all.
  g_RandDrawCount = 0;
  ChangePattern(*a_, 20, 1, 10);
  Eval(*a_, Cond(8, {1, 512}));
  EXPECT_EQ(g_RandDrawCount, 0);
}

// ---- the list walk ----

TEST_F(Conditions, ListWalkKeepsTheCapturedListAndStopsForADestroyedObject) {
  InstallFrameConditionSeams();
  std::vector<FrameDef> frames = Frames(4);
  frames[0].conditions = {Cond(10, {2}), Cond(9, {7})};
  frames[2].conditions = {Cond(9, {99}), Cond(10, {3})};
  data_.Pattern(30, frames);
  a_->pattern = 30;
  a_->frame = 0;
  ResetActionState(*a_);
  SetPattern(*a_);
  RunFrameConditions(*a_, 0);
  // Frame 2 was entered by the first condition; the second of frame 0's list still ran and
  // frame 2's own list waits for the next pass.
  EXPECT_EQ(a_->frame, 2);
  EXPECT_EQ(a_->loopCounter, 7);
  RunFrameConditions(*a_, 0);
  EXPECT_EQ(a_->loopCounter, 99);
  EXPECT_EQ(a_->frame, 2);

  // A destroyed pool object evaluates nothing after its destruction.
  std::vector<FrameDef> pool = Frames(2);
  pool[0].conditions = {Cond(2, {0, 0, 1}), Cond(9, {5})};
  data_.Pattern(31, pool);
  BattleObject& o = Spawn();
  o.pattern = 31;
  o.frame = 0;
  SetPattern(o);
  o.loopCounter = 0;
  RunFrameConditions(o, 0);
  EXPECT_EQ(o.removing, 0);
  EXPECT_EQ(o.loopCounter, 5);
  o.loopCounter = 0;
  o.patternEnded = 1;
  RunFrameConditions(o, 0);
  EXPECT_EQ(o.removing, 1);
  EXPECT_EQ(o.loopCounter, 0);
}

TEST_F(Conditions, EndOfPatternRemovesOnlyWhenAsked) {
  const struct {
    const char* name;
    Han6Condition c;
    bool removed;
    int32_t counter;
  } cases[] = {
      {"asked for at the end", Cond(2, {0, 0, 1, 124}), true, 1},
      {"a screen test only", Cond(2, {1, 0, 0, 124}), false, 5},
      {"another type", Cond(9, {0, 0, 1}), false, 5},
  };
  for (const auto& c : cases) {
    SetUp();
    std::vector<FrameDef> frames = Frames(2);
    frames[1].duration = 1;
    frames[1].endAction = 0;
    frames[1].jump = 20;
    frames[1].conditions = {c.c};
    data_.Pattern(31, frames);
    g_BattleCounters[2] = 5;
    BattleObject& o = Spawn();
    o.pattern = 31;
    GoToFrame(o, 1);
    ObjectStateStep(o);  // the last frame ends in this step
    EXPECT_EQ(o.removing != 0, c.removed) << c.name;
    EXPECT_EQ(o.pattern, c.removed ? 31 : 20) << c.name;
    EXPECT_EQ(g_BattleCounters[2], c.counter) << c.name;
  }
  // A character is never removed.
  std::vector<FrameDef> frames = Frames(1);
  frames[0].conditions = {Cond(2, {0, 0, 1})};
  data_.Pattern(32, frames);
  a_->pattern = 32;
  GoToFrame(*a_, 0);
  EXPECT_EQ(EndOfPatternRemoval(*a_), 0);
}

TEST_F(Conditions, PhasesChooseTheTypes) {
  std::vector<FrameDef> frames = Frames(4);
  // 9 runs in the main pass, 14 (acting only without a target: it has no box 9 here) in
  // every pass, 19 (the clash form of the reflection) in the contact pass.
  frames[0].conditions = {Cond(9, {1}), Cond(14, {0, 0, 0, 0, 1}), Cond(19, {3, 0, 0, 0, 0, 0, 0, 1})};
  data_.Pattern(30, frames);
  a_->pattern = 30;
  a_->frame = 0;
  ResetActionState(*a_);
  SetPattern(*a_);
  a_->contactFlags = 0x4;
  a_->target = b_;
  a_->frameTimer = 5;
  RunFrameConditions(*a_, 3);  // the pre-pass: 14 re-enters frame 0
  EXPECT_EQ(a_->frame, 0);
  EXPECT_EQ(a_->frameTimer, 0);
  EXPECT_EQ(a_->loopCounter, 0);
  RunFrameConditions(*a_, 1);  // 14, then 19
  EXPECT_EQ(a_->frame, 3);
  EXPECT_EQ(a_->loopCounter, 0);
  GoToFrame(*a_, 0);
  RunFrameConditions(*a_, 0);  // 9 and 14, not 19
  EXPECT_EQ(a_->frame, 0);
  EXPECT_EQ(a_->loopCounter, 1);
}

// ---- index guards ----

TEST_F(Conditions, IndexGuardsLeaveEverythingAlone) {
  const struct {
    const char* name;
    Han6Condition c;
  } cases[] = {
      {"25 variable 9", Cond(25, {2, 9, -1, 2})},
      {"25 variable -1", Cond(25, {2, -1, -1, 2})},
      {"31 variable 9", Cond(31, {5, 9, 1})},
      {"38 variable 9", Cond(38, {2, 0, 0, 9, 0})},
      {"38 variable -1", Cond(38, {2, 0, 0, -1, 0})},
      {"24 counter 10", Cond(24, {2, 100})},
      {"24 negative", Cond(24, {2, -5})},
      {"33 slot 250", Cond(33, {2, 250})},
      {"33 slot -1", Cond(33, {2, -1})},
      {"20 own kind past the slots", Cond(20, {2, 1000, 0})},
      {"20 own kind negative", Cond(20, {2, -4, 0})},
      {"20 own kind 5 (slot 11) missing", Cond(20, {2, 5, 0})},
      {"14 own box 9 missing", Cond(14, {2, 0, 0})},
  };
  for (const auto& c : cases) {
    SetUp();
    g_found = b_;
    a_->contactFlags = 0x2;
    a_->playerRecord->ext.commandTable = std::make_unique<CharaCommandTable>();
    AddCommand(*a_, 5, "", 20);
    const BattleObject before = *a_;
    Eval(*a_, c.c);
    EXPECT_EQ(HashBattleObject(*a_, 0), HashBattleObject(before, 0)) << c.name;
    EXPECT_EQ(g_searches, 0) << c.name;
  }
}

// ---- box searches ----

TEST_F(Conditions, GrabCatchAndTouch) {
  GoToFrame(*a_, 1);  // the frame with box 9
  g_found = b_;
  b_->hitsLeft = 2;
  b_->posX = a_->posX + 1000;
  // Grab: other box kind 1, any side, characters only, attack class 3 with inactive targets.
  Eval(*a_, Cond(14, {4, 10002, 13001, 6, 2}));
  EXPECT_EQ(g_searchArgs, (std::vector<int>{3, 1, 2, 1, 11}));
  EXPECT_EQ(a_->frame, 4);
  EXPECT_EQ(b_->hitsLeft, 2);  // P2 % 10000 is not 0
  EXPECT_EQ(b_->registeredHits, 1);
  EXPECT_EQ(a_->hitStop, 6);
  EXPECT_EQ(b_->hitStop, 6);
  EXPECT_EQ(a_->facing, 0);  // faces the target on its right

  // Bit 0 of P4: acts only without a target.
  GoToFrame(*a_, 1);
  Eval(*a_, Cond(14, {10020, 0, 0, 0, 1}));
  EXPECT_EQ(a_->pendingPattern, -1);
  g_found = nullptr;
  Eval(*a_, Cond(14, {10020, 0, 0, 0, 1}));
  EXPECT_EQ(Seen(*a_), (Outcome{1, 20, 500}));

  // Catch: the throw check decides.
  SetUp();
  GoToFrame(*a_, 1);
  g_found = b_;
  static int allow = 0;
  allow = 0;
  g_BattleSeams.ThrowCheck = [](BattleObject*, BattleObject*, int) { return allow; };
  b_->groundRecoveryAllowed = 1;
  b_->throwClashFrames = 3;
  b_->hitsLeft = 1;
  Eval(*a_, Cond(15, {5, 0, 0, 0}));
  EXPECT_EQ(a_->frame, 1);
  allow = 1;
  Eval(*a_, Cond(15, {5, 0, 0, 0}));
  EXPECT_EQ(a_->frame, 5);
  EXPECT_EQ(b_->groundRecoveryAllowed, 0);
  EXPECT_EQ(b_->throwClashFrames, 0);
  EXPECT_EQ(b_->hitsLeft, 0);
  EXPECT_EQ(b_->registeredHits, 1);

  // Box touch: the screen window of P3 1.
  SetUp();
  GoToFrame(*a_, 1);
  g_found = b_;
  b_->posX = (312 << 8) - 32768;  // screen position 312
  Eval(*a_, Cond(20, {6, 3, 1, 1}));
  EXPECT_EQ(a_->frame, 1);
  b_->posX = (311 << 8) - 32768;
  Eval(*a_, Cond(20, {6, 3, 1, 1}));
  EXPECT_EQ(a_->frame, 6);
  EXPECT_EQ(b_->hitStop, 1);
}

TEST_F(Conditions, ChildHitStopGoesToItsParent) {
  BattleObject& o = Spawn();
  o.flags = 0x8;
  frame_conditions::SetConditionHitStop(o, 12);
  EXPECT_EQ(o.hitStop, 0);
  EXPECT_EQ(a_->hitStop, 12);
  o.side = 1;  // a parent of another side keeps its own
  frame_conditions::SetConditionHitStop(o, 3);
  EXPECT_EQ(o.hitStop, 3);
  EXPECT_EQ(a_->hitStop, 12);
  frame_conditions::SetConditionHitStop(*b_, -5);
  EXPECT_EQ(b_->hitStop, 0);
}

TEST_F(Conditions, ReflectTurnsTheProjectileAndItsChildren) {
  // b's projectile p with a child q that moves with it; a reflects p.
  ObjectPoolSlot& ps = g_ObjectPool[1];
  ObjectPoolSlot& qs = g_ObjectPool[2];
  for (ObjectPoolSlot* s : {&ps, &qs}) {
    s->inUse = 1;
    NotePoolSlotTaken(*s);
    s->obj = BattleObject{};
    s->obj.kind = kKindSpawned;
    s->obj.side = 1;
    s->obj.facing = 1;
  }
  BattleObject& p = ps.obj;
  BattleObject& q = qs.obj;
  p.owner = b_;
  p.posX = 1000;
  p.velX = -512;
  p.accX = -2;
  q.parent = &p;
  q.spawnFlags = 0x4;
  q.posX = 1300;
  q.velX = -256;
  g_found = &p;
  GoToFrame(*a_, 1);
  Eval(*a_, Cond(19, {384}));  // 1.5 times as fast
  EXPECT_EQ(g_searchArgs, (std::vector<int>{3, 6, 0, 2, 0}));
  EXPECT_EQ(p.side, 0);
  EXPECT_EQ(p.facing, 0);
  EXPECT_EQ(p.velX, 768);
  EXPECT_EQ(p.accX, 2);
  EXPECT_EQ(p.creditOwner, a_);
  EXPECT_EQ(p.registeredHits, 1);
  EXPECT_EQ(q.side, 0);
  EXPECT_EQ(q.velX, 384);
  EXPECT_EQ(q.posX, 700);  // mirrored about p

  // P7: a reflecting object whose attack clashed takes its target's side.
  BattleObject& o = Spawn();
  o.contactFlags = 0x4;
  o.target = b_;
  b_->facing = 1;
  g_BattleCounters[1] = 4;
  Eval(o, Cond(19, {3, 0, 1, 112, 0, 0, 0, 1}));
  EXPECT_EQ(o.side, 1);
  EXPECT_EQ(o.facing, 1);
  EXPECT_EQ(b_->creditOwner, a_);
  EXPECT_EQ(o.frame, 3);
  EXPECT_EQ(g_BattleCounters[1], 2);
}

TEST_F(Conditions, ShieldBoxTouch) {
  g_found = b_;
  GoToFrame(*a_, 1);
  a_->hitsLeft = 0;
  Eval(*a_, Cond(50, {4}));
  EXPECT_EQ(a_->frame, 1);
  a_->hitsLeft = 1;
  a_->hitStop = 1;
  Eval(*a_, Cond(50, {4}));
  EXPECT_EQ(a_->frame, 1);
  a_->hitStop = 0;
  Eval(*a_, Cond(50, {4}));
  EXPECT_EQ(a_->frame, 4);
  EXPECT_EQ(g_searches, 1);
  EXPECT_EQ(g_searchArgs, (std::vector<int>{0, 3, 1, 1, 0}));
}

// ---- throws ----

TEST_F(Conditions, ThrowAttempt) {
  g_BattleSeams.RequestSound = [](int slot) { SeamCalls().push_back("sound " + std::to_string(slot)); };
  g_BattleSeams.NoteComboThrow = [](BattleObject*, BattleObject*) { SeamCalls().push_back("combo"); };
  auto table = [&] {
    a_->playerRecord->ext.commandTable = std::make_unique<CharaCommandTable>();
    return a_->playerRecord->ext.commandTable.get();
  };
  const struct {
    const char* name;
    int p1;
    bool enabled;
    int16_t second;
    int32_t targetReaction;
    uint8_t targetFree;
    int32_t registrations;
    std::vector<int> wantArgs;
    int16_t wantFrame;
    uint8_t wantEscape;
  } cases[] = {
      {"ground, default range, free target", 0, true, 0, 0, 1, 0, {1, 48, 0, 0}, 2, 1},
      {"ground range from the entry, busy target", 0, true, 30, 0, 0, 0, {1, 30, 0, 0}, 2, 0},
      {"air window", 1, true, 0, 0, 1, 0, {0, 60, -60, 90}, 2, 0},
      {"target in a reaction takes P2", 0, true, 0, 5, 0, 1, {1, 48, 0, 0}, 4, 0},
      {"two registrations take P3", 0, true, 0, 5, 0, 2, {1, 48, 0, 0}, 6, 0},
      {"disabled entry", 0, false, 0, 0, 1, 0, {}, -1, 7},
      {"other P1", 2, true, 0, 0, 1, 0, {}, -1, 7},
  };
  for (const auto& c : cases) {
    SetUp();
    g_BattleSeams.RequestSound = [](int slot) { SeamCalls().push_back("sound " + std::to_string(slot)); };
    g_BattleSeams.NoteComboThrow = [](BattleObject*, BattleObject*) { SeamCalls().push_back("combo"); };
    g_found = b_;
    CharaCommandTable* t = table();
    ThrowEntry& e = c.p1 == 1 ? t->airThrow : t->groundThrow;
    e.enabled = c.enabled;
    e.second = c.second;
    if (c.p1 == 2) t->groundThrow.enabled = t->airThrow.enabled = 1;
    b_->hitReaction = c.targetReaction;
    b_->groundRecoveryAllowed = 7;
    if (!c.targetFree) data_.Set()->patterns->patterns[0]->frames[0].state->asmv = 0;
    a_->playerRecord->ext.chain.registrations = c.registrations;
    Eval(*a_, Cond(52, {2, c.p1, 4, 6}));
    data_.Set()->patterns->patterns[0]->frames[0].state->asmv = 1;
    EXPECT_EQ(g_searchArgs, c.wantArgs) << c.name;
    EXPECT_EQ(a_->pendingFrame, c.wantFrame) << c.name;
    EXPECT_EQ(a_->pendingFramePriority, c.wantFrame == -1 ? -1 : 30000) << c.name;
    EXPECT_EQ(b_->groundRecoveryAllowed, c.wantEscape) << c.name;
    const std::vector<std::string> calls =
        c.wantFrame == -1 ? std::vector<std::string>{} : std::vector<std::string>{"combo", "sound 0"};
    EXPECT_EQ(SeamCalls(), calls) << c.name;
  }
  // The current frame is not requested again; a guard stance may be escaped too.
  SetUp();
  g_BattleSeams.IsGuardStance = [](BattleObject*) { return 1; };
  g_found = b_;
  table()->groundThrow.enabled = 1;
  data_.Set()->patterns->patterns[0]->frames[0].state->asmv = 0;
  Eval(*a_, Cond(52, {0, 0}));
  data_.Set()->patterns->patterns[0]->frames[0].state->asmv = 1;
  EXPECT_EQ(a_->pendingFrame, -1);
  EXPECT_EQ(b_->groundRecoveryAllowed, 1);
}

// ---- commands ----

TEST_F(Conditions, CommandJumps) {
  PlayerRecord& r = *a_->playerRecord;
  AddCommand(*a_, 5, "A", 40);
  AddCommand(*a_, 6, "B", 41, 0x1 | 0x10);
  r.ext.history = InputHistory{};
  PushInputHistory(r.ext.history, 0, 0);
  PushInputHistory(r.ext.history, 0, 1);
  // Kind 2 needs a hit.
  Eval(*a_, Cond(11, {5, 2, 0, 0}));
  EXPECT_EQ(a_->pendingPattern, -1);
  a_->contactFlags = 0x2;
  a_->hitReaction = 0;
  Eval(*a_, Cond(11, {5, 2, 0, 0, 0, 0, 0, 30}));
  EXPECT_EQ(Seen(*a_), Pattern(40, 5000 - 30));
  EXPECT_EQ(r.ext.chain.pendingChain, 5);

  // With a frame: the frame now, the command noted as the last fired.
  SetUp();
  PlayerRecord& r2 = *a_->playerRecord;
  AddCommand(*a_, 5, "A", 40);
  r2.ext.history = InputHistory{};
  PushInputHistory(r2.ext.history, 0, 0);
  PushInputHistory(r2.ext.history, 0, 1);
  Eval(*a_, Cond(11, {5, 0, 3, 0, 0, 0, 0, 10100}));
  EXPECT_EQ(Seen(*a_), Frame(3));
  EXPECT_EQ(r2.ext.chain.lastFiredCommand, 5);

  // Type 31 only tests: the variable is set and the history expired.
  g_BattleSeams.ExpireInputHistory = [](BattleObject*) { SeamCalls().push_back("expire"); };
  Eval(*a_, Cond(31, {5, 4, 77}));
  EXPECT_EQ(a_->charVars[4], 77);
  EXPECT_EQ(a_->frame, 3);
  EXPECT_EQ(SeamCalls(), std::vector<std::string>{"expire"});
  Eval(*a_, Cond(31, {6, 4, 11}));  // B was not entered
  EXPECT_EQ(a_->charVars[4], 77);
}

// The contact cancel test of types 11 and 35, on the owner of a child.
TEST_F(Conditions, ContactCancelTestTable) {
  const struct {
    const char* name;
    int kind, flags;
    uint16_t contact;
    int32_t reaction;
    uint8_t noCommand;
    bool passes;
  } cases[] = {
      {"kind 0 needs no contact", 0, 0, 0, 0, 0, true},
      {"kind 1: a clash is one of 0x7", 1, 0, 0x4, 0, 0, true},
      {"kind 1: bit 0x8 is not", 1, 0, 0x8, 0, 0, false},
      {"kind 2: a guard is not a hit", 2, 0, 0x1, 0, 0, false},
      {"kind 2: a hit", 2, 0, 0x2, 0, 0, true},
      {"kind 3: a clash is one of 0x5", 3, 0, 0x4, 0, 0, true},
      {"kind 3: a hit is not", 3, 0, 0x2, 0, 0, false},
      {"other kinds need nothing", 9, 0, 0, 0, 0, true},
      {"flag 1 needs bit 0x10", 2, 1, 0x2, 0, 0, false},
      {"flag 1 with bit 0x10", 2, 1, 0x12, 0, 0, true},
      {"flag 2 needs bit 0x20", 0, 2, 0x10, 0, 0, false},
      {"flag 2 with bit 0x20", 0, 2, 0x20, 0, 0, true},
      {"the owner in a reaction", 0, 0, 0x2, 4, 0, false},
      {"the owner's commands locked", 0, 0, 0x2, 0, 1, false},
  };
  for (const auto& c : cases) {
    SetUp();
    BattleObject& o = Spawn();
    o.contactFlags = 0;  // the owner's contact counts, not the child's
    a_->contactFlags = c.contact;
    a_->hitReaction = c.reaction;
    a_->noCommand = c.noCommand;
    EXPECT_EQ(frame_conditions::ContactCancelTest(o, c.kind, c.flags), c.passes) << c.name;
  }
  // A reserve partner asks its active member whether commands are locked.
  SetUp();
  BattleObject& r = Partner();
  EXPECT_TRUE(frame_conditions::ContactCancelTest(r, 0, 0));
  a_->noCommand = 1;
  EXPECT_FALSE(frame_conditions::ContactCancelTest(r, 0, 0));
}

// A chosen command consumes the input and clears the object's reaction whether its pattern
// request is taken or refused; only a taken request costs meter and enters the chain.
TEST_F(Conditions, RefusedCommandJumpStillConsumesTheInput) {
  static int spent = 0;
  const struct {
    const char* name;
    int16_t pendingPriority;  // a request already waiting, -1 none
    bool taken;
  } cases[] = {
      {"taken", -1, true},
      {"refused by a stronger request", 6000, false},
  };
  for (const auto& c : cases) {
    SetUp();
    spent = 0;
    g_BattleSeams.HasMeter = [](BattleObject*, int) { return 1; };
    g_BattleSeams.SpendMeter = [](BattleObject*, int cost) { spent += cost; };
    g_BattleSeams.ExpireInputHistory = [](BattleObject*) { SeamCalls().push_back("expire"); };
    AddCommand(*a_, 6, "B", 41, 0x1 | 0x10).cost = 500;
    PushInputHistory(a_->playerRecord->ext.history, 0, 0);
    PushInputHistory(a_->playerRecord->ext.history, 0, 2);
    if (c.pendingPriority >= 0) ChangePattern(*a_, 30, 0, c.pendingPriority);
    BattleObject& o = Spawn();
    o.hitReaction = 3;
    Eval(o, Cond(35, {0, 6}));
    EXPECT_EQ(a_->pendingPattern, c.taken ? 41 : 30) << c.name;
    EXPECT_EQ(spent, c.taken ? 500 : 0) << c.name;
    EXPECT_EQ(a_->playerRecord->ext.chain.pendingChain, c.taken ? 6 : -1) << c.name;
    EXPECT_EQ(SeamCalls(), std::vector<std::string>{"expire"}) << c.name;
    EXPECT_EQ(o.hitReaction, 0) << c.name;
  }
}

TEST_F(Conditions, CpuCommandJumpDrawsOncePerPick) {
  AddCommand(*a_, 5, "A", 40);
  AddCommand(*a_, 6, "B", 41);
  AddCommand(*a_, 7, "C", 42, 0x2);  // airborne only: not a candidate
  a_->controller = 1;
  a_->aiRandomPick = 0;
  g_RandDrawCount = 0;
  Eval(*a_, Cond(35, {0, 5, 6, 7}));
  EXPECT_EQ(a_->pendingPattern, -1);  // no pick allowed: no candidates, no draw
  EXPECT_EQ(g_RandDrawCount, 0);

  SeedRandomGeneratorsFrom(9);
  const int32_t pick = RandNext() % 2;
  SeedRandomGeneratorsFrom(9);
  g_RandDrawCount = 0;
  a_->aiRandomPick = 1;
  Eval(*a_, Cond(35, {0, 5, 6, 7}));
  EXPECT_EQ(g_RandDrawCount, 1);
  EXPECT_EQ(a_->pendingPattern, 40 + pick);
  EXPECT_EQ(a_->aiRandomPick, 0);

  // In training playback the CPU slot matches input like a human.
  SetUp();
  AddCommand(*a_, 5, "A", 40);
  a_->controller = 1;
  g_BattleSeams.InTrainingPlayback = [](BattleObject*) { return 1; };
  PushInputHistory(a_->playerRecord->ext.history, 0, 1);
  g_RandDrawCount = 0;
  Eval(*a_, Cond(35, {0, 5}));
  EXPECT_EQ(a_->pendingPattern, 40);
  EXPECT_EQ(g_RandDrawCount, 0);
}

}  // namespace
