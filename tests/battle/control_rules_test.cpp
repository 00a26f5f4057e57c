// Control rules: the cancel classes, chain ranks and the chain rule, base movement by stance
// and stick, the order of the system commands, the recovery taps, the throw escape and the
// throw-target search.
#include "battle/control_rules.h"

#include <string>
#include <vector>

#include "battle/chara_command.h"
#include "battle/command_input.h"
#include "battle/object_state.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using battle_test::FrameDef;
using battle_test::PlaceCharacter;
using battle_test::SeamCalls;
using battle_test::TestFrameData;

struct StateBits {
  uint8_t stance = 0;
  uint8_t free = 0;
  uint8_t ascn = 0, ascs = 0, asys = 0;
  int32_t asf0 = 0, asf1 = 0;
};

class ControlRules : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    // The standard patterns, one frame each; attacks 1 to 9 are chain patterns of rank 1 to 3.
    for (int p : {0, 10, 11, 13, 15}) Define(p, {0, 1});
    Define(12, {2, 0});
    Define(14, {2, 0});
    Define(17, {0, 0});
    Define(18, {2, 0});
    for (int p : {35, 36, 37, 38, 39, 40}) Define(p, {1, 0});
    for (int p = 1; p <= 9; ++p) {
      Han6Pattern& pat = Define(p, {static_cast<uint8_t>(p >= 7 ? 1 : p >= 4 ? 2 : 0), 0, 1});
      pat.psts = 1;
      pat.plvl = (p - 1) % 3 + 1;
    }
    Define(100, {0, 0});
    Define(260, {0, 0});
    Define(500, {0, 0});
    for (int i = 0; i < 2; ++i) {
      BattleObject& o = PlaceCharacter(i, data_[i].Set(), i == 0 ? -6400 : 6400, i);
      g_PlayerRecords[i].ext.commandTable = std::make_unique<CharaCommandTable>();
      o.controller = 0;
      Enter(o, 0);
    }
    ExpectCalls();
  }

  Han6Pattern& Define(int number, StateBits bits) {
    Han6Pattern* first = nullptr;
    for (TestFrameData& d : data_) {
      FrameDef f;
      f.stance = bits.stance;
      f.free = bits.free;
      f.duration = 10;
      Han6Pattern& p = d.Pattern(number, {f});
      Han6FrameState& s = p.statePool.front();
      s.ascn = bits.ascn;
      s.ascs = bits.ascs;
      s.asys = bits.asys;
      s.asf0 = bits.asf0;
      s.asf1 = bits.asf1;
      if (!first) first = &p;
    }
    return *first;
  }
  // Both characters' copies of a pattern's state.
  void SetState(int pattern, StateBits bits) {
    for (TestFrameData& d : data_) {
      Han6FrameState& s = d.Set()->patterns->patterns[static_cast<size_t>(pattern)]->statePool.front();
      s.stance = bits.stance;
      s.asmv = bits.free;
      s.ascn = bits.ascn;
      s.ascs = bits.ascs;
      s.asys = bits.asys;
      s.asf0 = bits.asf0;
      s.asf1 = bits.asf1;
    }
  }
  static void Enter(BattleObject& o, int pattern) {
    o.pattern = pattern;
    o.frame = 0;
    o.pendingPattern = -1;
    o.pendingPriority = -1;
    RefreshFramePointers(o);
  }
  static BattleObject& P(int i) { return g_PlayerRecords[i].obj; }
  static PlayerRecord& R(int i) { return g_PlayerRecords[i]; }
  static void Push(int i, int dir, uint32_t held, int count = 1) {
    for (int k = 0; k < count; ++k) PushInputHistory(R(i).ext.history, dir, held);
  }
  // Records the seams these rules call into.
  static void ExpectCalls() {
    BattleSeams& s = g_BattleSeams;
    s.ExpireInputHistory = [](BattleObject* o) {
      SeamCalls().push_back("expire " + std::to_string(o->playerIndex));
      if (o->playerRecord) ExpireInputHistory(o->playerRecord->ext.history);
    };
    s.SpawnParticle = [](int id, int32_t, int32_t) { SeamCalls().push_back("effect " + std::to_string(id)); };
    s.IsLocalSide = [](int side) { return side == 0 ? 1 : 0; };
    s.QueueAchievement = [](int id) {
      SeamCalls().push_back("achievement " + std::to_string(id));
      return 0;
    };
  }

  TestFrameData data_[2];
};

// ---- cancel rules ----

TEST_F(ControlRules, CanCancelByClassContactShieldAndKind) {
  const struct {
    StateBits bits;
    uint16_t contact;
    uint8_t shield;
    int kind;
    int expected;
  } cases[] = {
      {{0, 1}, 0, 0, 0, 1},                   // free state: always
      {{0, 0, 0, 0}, 0x2, 0, 0, 0},           // class 0: never
      {{0, 0, 1, 0}, 0, 0, 0, 0},             // class 1 without contact
      {{0, 0, 1, 0}, 0x1, 0, 0, 1},           // class 1, guarded counts
      {{0, 0, 1, 0}, 0x1, 0, 255, 0},         // kind 255 counts no contact
      {{0, 0, 2, 0}, 0, 0, 255, 1},           // class 2 passes for kind 255
      {{0, 0, 3, 0}, 0x1, 0, 0, 0},           // class 3 needs a hit
      {{0, 0, 3, 0}, 0x2, 0, 0, 1},           //
      {{0, 0, 0, 1}, 0x1, 0, 1, 1},           // kind 1 reads ASCS
      {{0, 0, 1, 0}, 0x1, 0, 1, 0},           //   and not ASCN
      {{0, 0, 0, 0, 0, 0, 0x1}, 0, 0, 2, 2},  // super cancel from a special
      {{0, 0, 0, 0, 0, 0, 0x1}, 0, 0, 1, 0},  //   only for kind 2
      {{0, 0, 0, 0}, 0, 1, 0, 3},             // a shield grant gives 3 at once
      {{0, 0, 2, 2}, 0, 0, 3, 0},             // kinds 3..254 never
      {{0, 0, 2, 2}, 0, 0, 254, 0},           //
  };
  for (const auto& c : cases) {
    SetState(500, c.bits);
    BattleObject& o = P(0);
    Enter(o, 500);
    o.contactFlags = c.contact;
    o.shieldState = c.shield;
    EXPECT_EQ(CanCancel(o, c.kind), c.expected) << "ascn " << +c.bits.ascn << " ascs " << +c.bits.ascs
                                                << " contact " << c.contact << " kind " << c.kind;
  }
}

TEST_F(ControlRules, GuardPoseCancelsOnlyForAHumanNotGuardingAHit) {
  const struct {
    int pattern;
    uint8_t controller, guarding;
    int32_t hitReaction;
    int expected;
  } cases[] = {
      {17, 0, 0, 0, 1}, {18, 0, 2, 0, 1}, {17, 1, 0, 0, 0},
      {17, 0, 1, 0, 0}, {18, 0, 0, 5, 0}, {100, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    BattleObject& o = P(0);
    Enter(o, c.pattern);
    o.controller = c.controller;
    o.guarding = c.guarding;
    o.hitReaction = c.hitReaction;
    EXPECT_EQ(CanCancel(o, 0), c.expected) << c.pattern << " controller " << +c.controller;
    EXPECT_EQ(IsGuardStance(o), c.expected);
  }
}

TEST_F(ControlRules, GetCancelClassByKindAndShield) {
  SetState(500, {0, 0, 1, 3});
  BattleObject& o = P(0);
  Enter(o, 500);
  EXPECT_EQ(GetCancelClass(o, 0), 1);
  EXPECT_EQ(GetCancelClass(o, 1), 3);
  EXPECT_EQ(GetCancelClass(o, 2), 3);
  EXPECT_EQ(GetCancelClass(o, 255), 0);
  o.shieldState = 1;
  EXPECT_EQ(GetCancelClass(o, 0), 1);  // grant 1: specials only
  EXPECT_EQ(GetCancelClass(o, 1), 2);
  o.shieldState = 2;
  EXPECT_EQ(GetCancelClass(o, 0), 2);
}

TEST_F(ControlRules, NormalAndJumpCancels) {
  const struct {
    StateBits bits;
    uint16_t contact;
    int normal, jump;
  } cases[] = {
      {{0, 0, 1}, 0x0, 0, 0},
      {{0, 0, 1}, 0x2, 1, 1},
      {{0, 0, 1}, 0x1, 1, 0},                // guarded on the ground: no jump without ASF1 0x4
      {{0, 0, 1, 0, 0, 0, 0x4}, 0x1, 0, 1},  // ASF1 0x4: no normal cancel, the jump allowed
      {{0, 0, 1}, 0x10, 0, 1},               // only bits 0x1..0x8 count for normals
      {{0, 0, 2}, 0x0, 1, 0},                // class 2 on the ground still needs contact to jump
      {{1, 0, 2}, 0x0, 1, 1},                // in the air it does not
      {{0, 0, 3}, 0x1, 0, 0},
      {{0, 0, 3}, 0x2, 1, 1},
  };
  for (const auto& c : cases) {
    SetState(500, c.bits);
    BattleObject& o = P(0);
    Enter(o, 500);
    o.contactFlags = c.contact;
    EXPECT_EQ(CanCancelNormal(o), c.normal) << "ascn " << +c.bits.ascn << " contact " << c.contact;
    EXPECT_EQ(CanJumpCancel(o), c.jump) << "ascn " << +c.bits.ascn << " contact " << c.contact;
  }
}

// ---- chains ----

TEST_F(ControlRules, ChainRankAndRule) {
  CharaCommandTable& t = *R(0).ext.commandTable;
  t.commands.resize(3);
  for (int i = 0; i < 3; ++i) {
    t.commands[static_cast<size_t>(i)] = std::make_unique<CommandEntry>();
    t.commands[static_cast<size_t>(i)]->pattern = static_cast<uint32_t>(1 + i);  // ranks 1, 2, 3
  }
  const struct {
    int current, command, reverseBeat, usedCommand;
    int rank, allowed;
  } cases[] = {
      {1, 1, 0, -1, 1, 1},   // A to B climbs
      {2, 0, 0, -1, -1, 0},  // B back to A is refused
      {2, 1, 0, -1, -1, 0},  // the same rank is refused
      {2, 0, 1, -1, -1, 1},  // reverse beat allows the lower rank
      {2, 0, 1, 0, -1, 0},   //   unless that command was used in the chain
      {0, 0, 0, -1, 1, 1},   // from the stand (no chain pattern) anything climbs
      {100, 0, 0, -1, 1, 1},
  };
  for (const auto& c : cases) {
    BattleObject& o = P(0);
    Enter(o, c.current);
    ClearChainMemory(o);
    g_TypeParams[0].reverseBeat = c.reverseBeat;
    if (c.usedCommand >= 0) MarkChainNumber(o, c.usedCommand);
    EXPECT_EQ(GetChainRank(o, 1 + c.command), c.rank) << c.current << " to command " << c.command;
    EXPECT_EQ(CanChainTo(o, c.command), c.allowed) << c.current << " to command " << c.command;
  }
  // Neither pattern in the chains: rank 0 passes.
  Enter(P(0), 100);
  EXPECT_EQ(GetChainRank(P(0), 260), 0);
}

TEST_F(ControlRules, ChainToPatternUsesThePatternBits) {
  BattleObject& o = P(0);
  g_TypeParams[0].reverseBeat = 1;
  Enter(o, 3);
  ClearChainMemory(o);
  EXPECT_EQ(CanChainToPattern(o, 1), 1);
  MarkChainBit(o, 1);
  EXPECT_EQ(CanChainToPattern(o, 1), 0);
  g_TypeParams[0].reverseBeat = 0;
  EXPECT_EQ(CanChainToPattern(o, 1), 0);  // rank 3 to rank 1
  Enter(o, 1);
  EXPECT_EQ(CanChainToPattern(o, 3), 1);
}

TEST_F(ControlRules, CommandChainIsMarkedWhenItsPatternBegins) {
  // A command fired by the list is noted and registered when its pattern starts, so reverse
  // beat refuses it the second time in the same chain.
  CharaCommandTable& t = *R(0).ext.commandTable;
  t.commands.resize(2);
  t.commands[1] = std::make_unique<CommandEntry>();
  t.commands[1]->pattern = 100;
  t.commands[1]->flags = 0x1;
  BattleObject& o = P(0);
  Enter(o, 0);
  NoteChainNumber(o, 1);
  EXPECT_EQ(RegisterPatternUse(o), 2);
  g_TypeParams[0].reverseBeat = 1;
  Enter(o, 2);  // a chain pattern, so the rank is not 0
  EXPECT_EQ(CanChainTo(o, 1), 0);
}

// ---- base movement ----

TEST_F(ControlRules, BaseMovementByStanceStickAndButtons) {
  const struct {
    int pattern;
    int dir;
    uint32_t buttons;
    int pendingPattern, pendingPriority;
  } cases[] = {
      {0, 6, 0, 10, 1},       {0, 4, 0, 11, 1},  {0, 2, 0, 12, 1},
      {0, 3, 0, 12, 1},       {0, 8, 0, 36, 1},  {0, 7, 0, 37, 1},
      {0, 9, 0, 35, 1},       {10, 0, 0, 0, 1},  {10, 6, 0, -1, -1},  // already walking
      {0, 0, 0, -1, -1},      {0, 0, 1, 1, 2},   {0, 0, 2, 2, 6},
      {0, 0, 4, 3, 10},       {0, 0, 7, 3, 10},  // A, B and C together: standing C
      {0, 2, 1, 4, 4},        {0, 6, 2, 2, 6},   // walking and B: the attack outranks the walk
      {0, 0, 0x1000, -1, -1},                    // held, not pressed: nothing
      {13, 1, 2, 5, 8},       {13, 6, 0, 10, 1}, {13, 9, 0, 35, 1},
      {13, 2, 0, -1, -1},     {35, 0, 4, 9, 10},  // free airborne attack
  };
  for (const auto& c : cases) {
    BattleObject& o = P(0);
    Enter(o, c.pattern);
    if (c.pattern == 13) SetState(13, {2, 1});
    if (c.pattern == 35) SetState(35, {1, 1});
    BaseMovement(o, c.buttons, c.dir);
    EXPECT_EQ(o.pendingPattern, c.pendingPattern)
        << "pattern " << c.pattern << " dir " << c.dir << " buttons " << c.buttons;
    EXPECT_EQ(o.pendingPriority, c.pendingPriority) << "pattern " << c.pattern << " dir " << c.dir;
    SetState(13, {0, 1});
    SetState(35, {1, 0});
  }
}

TEST_F(ControlRules, BaseMovementHonoursTheLocksAndWalkBan) {
  BattleObject& o = P(0);
  g_CommandLock = 2;
  BaseMovement(o, 0, 6);
  EXPECT_EQ(o.pendingPattern, -1);
  g_CommandLock = 1;  // movement yes, attacks no
  BaseMovement(o, 1, 6);
  EXPECT_EQ(o.pendingPattern, 10);
  g_CommandLock = 0;
  Enter(o, 0);
  o.noCommand = 1;
  BaseMovement(o, 0, 6);
  EXPECT_EQ(o.pendingPattern, -1);
  o.noCommand = 0;
  // A free state outside the walking family with ASF0 0x4 may not walk.
  SetState(500, {0, 1, 0, 0, 0, 0x4});
  Enter(o, 500);
  BaseMovement(o, 0, 6);
  EXPECT_EQ(o.pendingPattern, -1);
  EXPECT_EQ(CanWalk(o), 0);
}

TEST_F(ControlRules, HoldingBackGuardsAHumanAgainstAnIncomingAttack) {
  // The opponent's attack: attack data, an attack box and hits left, within 200 pixels.
  Han6Pattern& attack = Define(600, {0, 0});
  static Han6AttackData data;
  static Han6Box box{0, -50, 40, 0};
  for (TestFrameData& d : data_) {
    Han6Frame& f = d.Set()->patterns->patterns[600]->frames[0];
    f.attack = &data;
    f.attackBoxes.push_back(&box);
  }
  (void)attack;
  BattleObject& a = P(1);
  Enter(a, 600);
  a.hitsLeft = 1;
  const struct {
    int32_t distance;
    uint8_t controller;
    int expected;
  } cases[] = {{25600, 0, 17}, {25601, 0, 11}, {12800, 1, 11}};
  for (const auto& c : cases) {
    BattleObject& o = P(0);
    Enter(o, 0);
    o.controller = c.controller;
    a.posX = o.posX + c.distance;
    BaseMovement(o, 0, 4);
    EXPECT_EQ(o.pendingPattern, c.expected) << c.distance << " controller " << +c.controller;
  }
  a.posX = P(0).posX + 100;
  a.frameTimer = 0;
  EXPECT_EQ(FindIncomingAttack(P(0)), 2);  // first step of the frame
  a.frameTimer = 3;
  EXPECT_EQ(FindIncomingAttack(P(0)), 1);
  data.atf1 = 0x4000;
  EXPECT_EQ(FindIncomingAttack(P(0)), 0);
  data.atf1 = 0;
}

TEST_F(ControlRules, AirJumpOncePerJumpAfterTheStickWasNeutral) {
  R(0).ext.commandTable->airJumps = 1;
  SetState(35, {1, 1});
  BattleObject& o = P(0);
  Enter(o, 35);
  BaseMovement(o, 0, 8);  // still holding up from the take-off
  EXPECT_EQ(o.pendingPattern, -1);
  BaseMovement(o, 0, 0);
  EXPECT_EQ(o.airJumps, 0x80);
  BaseMovement(o, 0, 9);
  EXPECT_EQ(o.pendingPattern, 38);
  EXPECT_EQ(o.pendingPriority, 10);
  EXPECT_EQ(o.airJumps, 1);
  Enter(o, 38);
  SetState(38, {1, 1});
  BaseMovement(o, 0, 0);
  BaseMovement(o, 0, 8);
  EXPECT_EQ(o.pendingPattern, -1);  // the one air jump is used
}

TEST_F(ControlRules, GuardStanceHoldsThenLeaves) {
  BattleObject& o = P(0);
  Enter(o, 18);
  o.guardHold = 2;
  BaseMovement(o, 0, 1);  // no attack comes: the hold runs down
  EXPECT_EQ(o.guardHold, 1);
  EXPECT_EQ(o.pendingPattern, -1);
  BaseMovement(o, 0, 1);
  EXPECT_EQ(o.guardHold, 0);
  EXPECT_EQ(o.pendingPattern, 13);  // crouching guard leaves into the crouch
  Enter(o, 17);
  o.guardHold = 5;
  BaseMovement(o, 0, 6);  // another direction ends the hold at once
  EXPECT_EQ(o.pendingPattern, 0);
}

// ---- system commands ----

TEST_F(ControlRules, PartnerCallConsumesTheInputBeforeEverythingElse) {
  g_BattleSeams.CheckPartnerCallCommand = [](BattleObject*) { return 1; };
  BattleObject& o = P(0);
  o.aiThrowRequest = 1;
  R(0).ext.commandTable->groundThrow = {1, 100, 48};
  EXPECT_EQ(CheckSystemCommands(o), 1);
  EXPECT_EQ(o.pendingPattern, -1);
  EXPECT_EQ(o.aiThrowRequest, 1);
}

TEST_F(ControlRules, ThrowStartsFromTheInputAndOpensTheClashWindow) {
  R(0).ext.commandTable->groundThrow = {1, 100, 48};
  BattleObject& o = P(0);
  Push(0, 0, 0, 5);
  Push(0, 6, 0x9);  // forward with A+D
  EXPECT_EQ(CheckSystemCommands(o), 0);
  EXPECT_EQ(o.pendingPattern, 100);
  EXPECT_EQ(o.pendingPriority, 30000);
  EXPECT_EQ(o.throwClashFrames, 5);
  EXPECT_EQ(R(0).ext.chain.pendingChain, 100);
  EXPECT_EQ(SeamCalls(), (std::vector<std::string>{"expire 0"}));
  // Locked rounds, a guarded hit or a disabled entry start nothing.
  const struct {
    uint8_t lock, guarding;
    int16_t enabled;
  } refused[] = {{1, 0, 1}, {2, 0, 1}, {0, 1, 1}, {0, 0, 0}};
  for (const auto& c : refused) {
    Enter(o, 0);
    o.throwClashFrames = 0;
    g_CommandLock = c.lock;
    o.guarding = c.guarding;
    R(0).ext.commandTable->groundThrow.enabled = c.enabled;
    o.aiThrowRequest = 1;
    CheckSystemCommands(o);
    EXPECT_EQ(o.pendingPattern, -1) << +c.lock << " " << +c.guarding << " " << c.enabled;
  }
}

TEST_F(ControlRules, ThrowComesBeforeTheSparkAndTheDash) {
  // Forward with A+B+C+D enters the throw, the spark and the dash cancel at once: the throw is
  // tried first and its request outranks the others.
  CharaCommandTable& t = *R(0).ext.commandTable;
  t.groundThrow = {1, 100, 48};
  t.dashCancelGround = 500;
  g_TypeParams[0].sparkType = 0;
  BattleObject& o = P(0);
  o.circuit = 10000;
  Push(0, 0, 0, 3);
  Push(0, 6, 0xF);
  CheckSystemCommands(o);
  EXPECT_EQ(o.pendingPattern, 100);
  EXPECT_EQ(SeamCalls(), (std::vector<std::string>{"expire 0"}));
  // Without the throw entry the spark takes the same input.
  Enter(o, 0);
  t.groundThrow = {};
  R(0).ext.history = InputHistory{};
  Push(0, 0, 0, 3);
  Push(0, 6, 0xF);
  CheckSystemCommands(o);
  EXPECT_EQ(o.pendingPattern, 260);
}

TEST_F(ControlRules, TheCpuRequestsLastOnePass) {
  BattleObject& o = P(0);
  o.aiThrowRequest = 1;
  o.aiSystemRequest = 1;
  CheckSystemCommands(o);
  EXPECT_EQ(o.aiThrowRequest, 0);
  EXPECT_EQ(o.aiSystemRequest, 0);
}

TEST_F(ControlRules, DashCancelOnlyFromACancellableAttack) {
  R(0).ext.commandTable->dashCancelGround = 260;
  BattleObject& o = P(0);
  const struct {
    StateBits bits;
    uint16_t contact;
    int expected;
  } cases[] = {{{0, 1}, 0, -1}, {{0, 0, 0, 1}, 0, -1}, {{0, 0, 0, 1}, 0x1, 260}, {{0, 0, 0, 2}, 0, 260}};
  for (const auto& c : cases) {
    SetState(500, c.bits);
    Enter(o, 500);
    o.contactFlags = c.contact;
    R(0).ext.history = InputHistory{};
    Push(0, 6, 0x3);
    CheckSystemCommands(o);
    EXPECT_EQ(o.pendingPattern, c.expected) << "free " << +c.bits.free << " contact " << c.contact;
  }
}

TEST_F(ControlRules, ShieldCounterByFightingType) {
  CharaCommandTable& t = *R(0).ext.commandTable;
  t.shieldCounterGround = 260;
  BattleObject& o = P(0);
  const struct {
    int sparkType;
    uint8_t shieldedClass;
    bool input;
    int expected;
  } cases[] = {
      {1, 0, false, -1}, {1, 0, true, 260}, {2, 0, false, 260}, {8, 3, false, 260},
      {9, 5, false, -1}, {9, 5, true, 260}, {0, 0, true, -1},
  };
  for (const auto& c : cases) {
    SetState(500, {0, 0});
    Enter(o, 500);
    o.shieldState = 1;
    o.shieldedClass = c.shieldedClass;
    g_TypeParams[0].sparkType = c.sparkType;
    R(0).ext.history = InputHistory{};
    if (c.input) {
      Push(0, 2, 0);
      Push(0, 3, 0);
      Push(0, 6, 0);
      Push(0, 6, 0x8);
    }
    CheckSystemCommands(o);
    EXPECT_EQ(o.pendingPattern, c.expected) << "type " << c.sparkType << " class " << +c.shieldedClass;
  }
}

TEST_F(ControlRules, SparkStanceNeedsMeterForTypeZero) {
  BattleObject& o = P(0);
  g_TypeParams[0].sparkType = 0;
  const struct {
    uint8_t gaugeMode;
    int32_t circuit;
    int expected;
  } cases[] = {{0, 9999, -1}, {0, 10000, 260}, {2, 0, 260}, {1, 30000, -1}};
  for (const auto& c : cases) {
    Enter(o, 0);
    o.gaugeMode = c.gaugeMode;
    o.circuit = c.circuit;
    o.pendingSpend = 5;
    R(0).ext.history = InputHistory{};
    Push(0, 0, 0x7);
    CheckSystemCommands(o);
    EXPECT_EQ(o.pendingPattern, c.expected) << "mode " << +c.gaugeMode << " meter " << c.circuit;
    if (c.expected != -1) {
      EXPECT_EQ(o.pendingSpend, 0);
    }
  }
}

TEST_F(ControlRules, FullMeterStartsHeatForTypesTwoAndEight) {
  BattleObject& o = P(0);
  g_TypeParams[0].sparkType = 2;
  g_TypeParams[0].magicCircuitMax = 20000;
  g_TypeParams[0].gqMaxVal = 2.0f;
  g_TypeParams[0].gqStopVal = 180;
  o.circuit = 20000;
  o.guardQuality = 1.5f;
  CheckSystemCommands(o);
  EXPECT_EQ(o.gaugeMode, 1);
  EXPECT_EQ(o.circuit, 0);
  EXPECT_EQ(o.guardQuality, 0.0f);
  EXPECT_EQ(o.guardQualityStop, 180);
  EXPECT_GT(o.heatTimer, 0);
  ASSERT_FALSE(SeamCalls().empty());
  EXPECT_EQ(SeamCalls().back(), "effect 196");
}

TEST_F(ControlRules, SparkVariantsByFightingType) {
  // Type 1 cancels an attack that made contact into its circuit-spark pattern (ground or air)
  // and goes into heat; from a free state it takes the spark stance in heat, or the activation
  // pattern 265 without heat. Type 9 takes the spark stance with meter and otherwise swallows
  // the input.
  CharaCommandTable& t = *R(0).ext.commandTable;
  t.sparkGround = 270;
  t.sparkAir = 271;
  Define(270, {0, 0});
  Define(271, {1, 0});
  Define(265, {0, 0});
  Define(501, {0, 0, 1});  // a ground attack that cancels once it made contact
  Define(502, {1, 0, 1});  // the same in the air
  g_BattleSeams.PushHudNotice = [](int side, int notice) {
    SeamCalls().push_back("notice " + std::to_string(side) + " " + std::to_string(notice));
  };
  const struct {
    int sparkType;
    int pattern;
    uint8_t gaugeMode;
    int32_t circuit;
    int expected;
    uint8_t modeAfter;
    std::vector<std::string> calls;
  } cases[] = {
      {1, 0, 2, 0, 260, 2, {"expire 0"}},
      {1, 501, 5, 5000, 270, 1, {"notice 0 17", "effect 140", "effect 141", "expire 0", "effect 196"}},
      {1, 502, 5, 5000, 271, 1, {"notice 0 17", "effect 141", "expire 0", "effect 196"}},
      {1, 0, 0, 30000, 265, 0, {"expire 0"}},
      {9, 0, 0, 10000, 260, 0, {"expire 0"}},
      {9, 0, 0, 9999, -1, 0, {"expire 0"}},
      {9, 501, 0, 30000, -1, 0, {}},  // no free state: nothing
  };
  BattleObject& o = P(0);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.sparkType << " pattern " << c.pattern << " mode "
                                    << +c.gaugeMode);
    g_TypeParams[0].sparkType = c.sparkType;
    Enter(o, c.pattern);
    o.contactFlags = 0x2;
    o.gaugeMode = c.gaugeMode;
    o.circuit = c.circuit;
    o.pendingSpend = 5;
    R(0).ext.history = InputHistory{};
    Push(0, 0, 0x7);
    SeamCalls().clear();
    CheckSystemCommands(o);
    EXPECT_EQ(o.pendingPattern, c.expected);
    EXPECT_EQ(o.gaugeMode, c.modeAfter);
    EXPECT_EQ(SeamCalls(), c.calls);
    if (c.expected == 270 || c.expected == 271) {
      EXPECT_EQ(o.circuit, 0);
    }
    if (c.expected == 265 || c.expected == 260) {
      EXPECT_EQ(o.pendingSpend, 0);
    }
  }
}

TEST_F(ControlRules, BurstFromAHitReaction) {
  BattleObject& o = P(0);
  g_TypeParams[0].sparkType = 0;
  SetState(500, {0, 0});
  const struct {
    uint8_t gaugeMode;
    int32_t hitReaction;
    uint8_t burstBlock;
    bool input;
    int expectedKind;
  } cases[] = {
      {5, 10, 0, true, 9}, {2, 10, 0, true, 9},  {0, 10, 0, true, -1},
      {5, 0, 0, true, -1}, {5, 10, 1, true, -1}, {5, 10, 0, false, -1},
  };
  for (const auto& c : cases) {
    Enter(o, 500);
    o.pendingReaction[0] = o.pendingReaction[1] = -1;
    o.gaugeMode = c.gaugeMode;
    o.hitReaction = c.hitReaction;
    o.burstBlock = c.burstBlock;
    R(0).ext.history = InputHistory{};
    if (c.input) Push(0, 0, 0x7);
    CheckSystemCommands(o);
    EXPECT_EQ(o.pendingReaction[0], c.expectedKind)
        << "mode " << +c.gaugeMode << " reaction " << c.hitReaction;
    if (c.expectedKind == 9) {
      EXPECT_EQ(o.pendingReaction[2], 262);
    }
  }
}

// ---- recoveries ----

class Recoveries : public ControlRules {
 protected:
  void SetUp() override {
    ControlRules::SetUp();
    ParseVectorText(battle_test::kRecoveryVectors, "vector test");
    for (int p = 101; p <= 105; ++p) Define(p, {0, 0});
    Define(700, {0, 0});
  }
};

TEST_F(Recoveries, GroundRecoveryTapTable) {
  const struct {
    std::vector<int> dirs;
    int pattern;  // 100 + kind
    bool recovered;
  } cases[] = {
      {{0, 0, 8}, 100, true},     // up tap
      {{0, 0, 6}, 102, true},     // forward tap
      {{0, 0, 4}, 101, true},     // back tap
      {{0, 8, 0, 6}, 100, true},  // an earlier tap still in the windows counts; up is tried first
      {{0, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8}, -1, false},  // held too long: no tap
      {{0, 0, 2}, -1, false},                                // down is no recovery
  };
  for (const auto& c : cases) {
    BattleObject& o = P(0);
    Enter(o, 700);
    o.hitReaction = -1;
    o.hitVectorStep = 1;
    o.hitFrames = 2;
    o.groundRecoveryAllowed = 1;
    o.techInvuln = 0;
    R(0).ext.history = InputHistory{};
    for (int d : c.dirs) Push(0, d, 0);
    SeamCalls().clear();
    EXPECT_EQ(RecoveryInput(o, 0, c.dirs.back()), c.recovered ? 1 : 0);
    EXPECT_EQ(o.pendingPattern, c.pattern);
    EXPECT_EQ(o.recoveryDone, 1);
    if (!c.recovered) continue;
    EXPECT_EQ(o.pendingPriority, 30001);
    EXPECT_EQ(o.techInvuln, 1);
    EXPECT_EQ(o.hitReaction, 5);
    EXPECT_EQ(o.hitVelX, 300);
    EXPECT_EQ(o.airActions, 100);
    EXPECT_EQ(SeamCalls(), (std::vector<std::string>{"achievement 7", "effect 172", "expire 0"}));
  }
}

TEST_F(Recoveries, RecoveryNeedsAHumanInAHitReaction) {
  BattleObject& o = P(0);
  Enter(o, 700);
  o.hitVectorStep = 1;
  o.groundRecoveryAllowed = 1;
  Push(0, 0, 0, 2);
  Push(0, 8, 0);
  o.hitReaction = 0;
  EXPECT_EQ(RecoveryInput(o, 0, 8), 0);
  o.hitReaction = -1;
  o.controller = 1;
  EXPECT_EQ(RecoveryInput(o, 0, 8), 0);
  o.controller = 0;
  o.hitFrames = 5;  // too late on the ground
  EXPECT_EQ(RecoveryInput(o, 0, 8), 0);
  EXPECT_EQ(o.pendingPattern, -1);
}

TEST_F(Recoveries, AirRecoveryFromABufferedPressByStick) {
  SetState(700, {1, 0});
  const struct {
    int dir;
    uint8_t wantedFacing;
    int pattern;
  } cases[] = {{0, 0, 104}, {8, 0, 104}, {6, 0, 103}, {4, 0, 105}, {6, 1, 105}, {4, 1, 103}};
  for (const auto& c : cases) {
    BattleObject& o = P(0);
    Enter(o, 700);
    o.facing = 0;
    o.wantedFacing = c.wantedFacing;
    o.hitReaction = -1;
    o.untechTime = 10;
    o.hitFrames = 8;
    o.airRecoveryAllowed = 3;
    o.recoveryFlags = 0;
    EXPECT_EQ(RecoveryInput(o, 0x1, c.dir), 0);  // buffered, allowed counts 3 to 2
    EXPECT_EQ(o.recoveryFlags, 0x10);
    o.hitFrames = 10;
    EXPECT_EQ(RecoveryInput(o, 0, c.dir), 1);  // allowed reaches 1
    EXPECT_EQ(o.pendingPattern, c.pattern) << "dir " << c.dir << " turning " << +c.wantedFacing;
    EXPECT_EQ(o.recoveryFlags & 0x10, 0);
  }
}

// ---- throws ----

TEST_F(ControlRules, ThrowEscapeInTheClashWindow) {
  BattleObject& thrower = P(0);
  BattleObject& victim = P(1);
  thrower.heldObject = &victim;
  thrower.holding = 1;
  victim.held = 1;
  victim.parent = &thrower;
  victim.heldSteps = 3;
  victim.posY = -3000;
  EXPECT_EQ(ThrowEscape(victim), 0);  // no window, no recovery allowed
  Push(1, 0, 0x9);
  victim.groundRecoveryAllowed = 1;
  victim.heldSteps = 8;
  EXPECT_EQ(ThrowEscape(victim), 0);  // too late
  victim.heldSteps = 7;
  EXPECT_EQ(ThrowEscape(victim), 1);
  EXPECT_EQ(victim.held, 0);
  EXPECT_EQ(thrower.heldObject, nullptr);
  EXPECT_EQ(thrower.holding, 0);
  EXPECT_EQ(thrower.recoveryDone, 1);
  EXPECT_EQ(victim.posY, 0);
  EXPECT_EQ(victim.posX, thrower.posX + 1);
  EXPECT_EQ(victim.facing, 1);
  EXPECT_EQ(victim.pendingReaction[0], 8);
  EXPECT_EQ(thrower.pendingReaction[0], 8);
  EXPECT_EQ(SeamCalls().back(), "effect 137");
  EXPECT_EQ(ThrowEscape(victim), 0);  // not held any more
}

TEST_F(ControlRules, ThrowTargetEligibility) {
  // A hurt box in slot 1 makes the target throwable on the ground.
  static Han6Box hurt{-20, -100, 20, 0};
  for (TestFrameData& d : data_)
    for (int p : {0, 35}) {
      Han6Frame& f = d.Set()->patterns->patterns[static_cast<size_t>(p)]->frames[0];
      f.boxes = {nullptr, &hurt};
      f.boxCount = 2;
    }
  BattleObject& o = P(0);
  BattleObject& t = P(1);
  struct Case {
    const char* what;
    void (*setup)(BattleObject& o, BattleObject& t);
    int mode;
    bool found;
  };
  const Case cases[] = {
      {"in reach", [](BattleObject&, BattleObject&) {}, 1, true},
      {"at the edge of reach", [](BattleObject& o, BattleObject& t) { t.posX = o.posX + 48 * 256; }, 1, true},
      {"out of reach", [](BattleObject& o, BattleObject& t) { t.posX = o.posX + 48 * 256 + 1; }, 1, false},
      {"behind", [](BattleObject& o, BattleObject& t) { t.posX = o.posX - 100; }, 1, false},
      {"in a hit reaction", [](BattleObject&, BattleObject& t) { t.hitReaction = 3; }, 1, false},
      {"throw invulnerable", [](BattleObject&, BattleObject& t) { t.throwInvuln = 1; }, 1, false},
      {"tech invulnerable", [](BattleObject&, BattleObject& t) { t.techInvuln = 1; }, 1, false},
      {"jump start", [](BattleObject&, BattleObject& t) { t.jumpStartFrames = 2; }, 1, false},
      {"armoured", [](BattleObject&, BattleObject& t) { t.armorFrames = 10001; }, 1, false},
      {"side locked", [](BattleObject&, BattleObject& t) { g_SideStatus[t.side].actionLock = 1; }, 1, false},
      {"already held", [](BattleObject&, BattleObject& t) { t.held = 1; }, 1, false},
      {"thrower holds", [](BattleObject& o, BattleObject&) { o.holding = 1; }, 1, false},
      {"no hurt box", [](BattleObject&, BattleObject& t) { t.frameRec->boxes = {}; }, 1, false},
      {"air mode on the ground", [](BattleObject&, BattleObject&) {}, 0, false},
  };
  for (const Case& c : cases) {
    Enter(o, 0);
    Enter(t, 0);
    t.frameRec->boxes = {nullptr, &hurt};
    o.holding = 0;
    t.hitReaction = t.throwInvuln = t.techInvuln = t.jumpStartFrames = t.held = 0;
    t.armorFrames = 0;
    g_SideStatus[t.side].actionLock = 0;
    o.facing = 0;
    t.posX = o.posX + 20 * 256;
    c.setup(o, t);
    EXPECT_EQ(FindThrowTarget(o, c.mode, 48, -60, 90) == &t, c.found) << c.what;
  }
  // In the air: within the height window and airborne.
  Enter(o, 35);
  Enter(t, 35);
  SetState(35, {1, 0});
  o.posY = -20000;
  t.posX = o.posX + 10 * 256;
  t.posY = o.posY - 50 * 256;
  EXPECT_EQ(FindThrowTarget(o, 0, 60, -60, 90), &t);
  t.posY = o.posY - 61 * 256;
  EXPECT_EQ(FindThrowTarget(o, 0, 60, -60, 90), nullptr);
  t.posY = o.posY + 30 * 256;
  EXPECT_EQ(FindThrowTarget(o, 0, 60, -60, 90), &t);
  t.posY = o.posY + 31 * 256;
  EXPECT_EQ(FindThrowTarget(o, 0, 60, -60, 90), nullptr);
}

TEST_F(ControlRules, TargetOpponentTakesTheActiveMemberOfAPair) {
  // Side 1 has a pair: slot 1 active, slot 3 its partner on the bench.
  BattleObject& bench = PlaceCharacter(3, data_[1].Set(), 2000, 1);
  Enter(bench, 0);
  BattleObject& front = P(1);
  front.partner = &bench;
  bench.partner = &front;
  g_SideStatus[1].activePlayer = 1;
  int32_t d = 0;
  EXPECT_EQ(GetTargetOpponent(P(0), &d), &front);
  EXPECT_EQ(d, 12800);
  EXPECT_EQ(GetActiveMember(bench), &front);
  EXPECT_EQ(GetInactiveMember(front), &bench);
  // The target names the benched one: its active partner is taken instead.
  P(0).target = &bench;
  EXPECT_EQ(GetTargetOpponent(P(0), &d), &front);
  g_SideStatus[1].activePlayer = 3;
  EXPECT_EQ(IsSideActive(front), 0);
  EXPECT_EQ(GetTargetOpponent(P(0), &d), &bench);
  EXPECT_EQ(d, 2000 + 6400);
}

TEST_F(ControlRules, LookupsSkipTheObjectAndTheBench) {
  BattleObject& a = P(0);
  BattleObject& b = P(1);
  int32_t d = 0;
  EXPECT_EQ(FindNearestOpponent(a, &d), &b);
  EXPECT_EQ(d, 12800);
  b.partnerState = 1;
  EXPECT_EQ(FindNearestOpponent(a, &d), nullptr);
  b.partnerState = 0;
  EXPECT_EQ(FindFarthestCharacter(a, &d), &b);
  b.finishKind = 1;
  EXPECT_EQ(FindFarthestCharacter(a, &d), nullptr);
  int32_t dx = 0, dy = 0;
  b.posY = -300;
  EXPECT_EQ(FindNearestOpponentXY(a, &dx, &dy), &b);
  EXPECT_EQ(dy, 300);
  EXPECT_EQ(IsSideActive(a), 1);
  EXPECT_EQ(GetActiveMember(a), nullptr);
}

}  // namespace
