// CPU defence: the defence input's gates and mode table with its draws, a giant's life marks,
// the guard answer, the automatic recoveries by mode, the training dummy's status input, guard
// decision and throw escape, the wiring through the seams and the state hash. The cases that
// need the CPU opponent's searches and button presses (a real threat, pressed buttons, the
// level rolls) are grouped at the end under CpuDefenceWithAi.
#include "battle/cpu_defence.h"

#include <functional>
#include <string>
#include <vector>

#include "app/random.h"
#include "battle/battle_driver.h"
#include "battle/battle_rules.h"
#include "battle/control_rules.h"
#include "battle/cpu_ai.h"
#include "battle/cpu_patterns.h"
#include "battle/object_state.h"
#include "battle_fixture.h"

namespace {

using namespace training_enemy;
using battle_test::BattleTest;
using battle_test::FrameDef;
using battle_test::PlaceCharacter;
using battle_test::SeamCalls;
using battle_test::TestFrameData;

// Patterns of the fixture's characters.
constexpr int kFree = 0;        // standing, free to act
constexpr int kBusy = 1;        // standing, not free
constexpr int kAirBusy = 2;     // airborne, not free
constexpr int kCancel = 3;      // standing, not free, cancellable (ascn)
constexpr int kAttack = 50;     // standing attack, live from its first frame
constexpr int kLowAttack = 51;  // crouching attack

using Draw = std::function<bool(int32_t)>;
const Draw kOdd = [](int32_t v) { return v % 2 != 0; };
const Draw kEven = [](int32_t v) { return v % 2 == 0; };
Draw Mod(int32_t n, int32_t r) {
  return [n, r](int32_t v) { return v % n == r; };
}
Draw Above(int32_t n, int32_t limit) {
  return [n, limit](int32_t v) { return v % n > limit; };
}

// The training settings the seam answers, by entry.
int32_t g_TestSettings[17];

class CpuDefence : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    for (int32_t& s : g_TestSettings) s = 0;
    g_BattleSeams.TrainingSetting = [](int entry) {
      return entry >= 0 && entry < 17 ? g_TestSettings[entry] : 0;
    };
    g_BattleSeams.ExpireInputHistory = [](BattleObject* o) {
      SeamCalls().push_back("expire " + std::to_string(o->playerIndex));
    };
    ParseVectorText(battle_test::kRecoveryVectors, "vector test");
    for (TestFrameData& d : data_) {
      d.Pattern(kFree, {Frame(0, 1)});
      d.Pattern(kBusy, {Frame(0, 0)});
      d.Pattern(kAirBusy, {Frame(1, 0)});
      FrameDef cancel = Frame(0, 0);
      d.Pattern(kCancel, {cancel}).statePool.front().ascn = 1;
      d.Pattern(17, {Frame(0, 0)});
      d.Pattern(18, {Frame(2, 0)});
      FrameDef attack = Frame(0, 0);
      attack.hit = Han6AttackData{};
      d.Pattern(kAttack, {attack});
      attack.stance = 2;
      d.Pattern(kLowAttack, {attack});
      for (int p = 100; p <= 105; ++p) d.Pattern(p, {Frame(0, 0)});
    }
    for (int i = 0; i < 2; ++i) {
      BattleObject& o = PlaceCharacter(i, data_[i].Set(), i == 0 ? -6400 : 6400, i);
      o.controller = i == 0 ? 1 : 0;
      Enter(o, kFree);
    }
  }

  static FrameDef Frame(uint8_t stance, uint8_t free) {
    FrameDef f;
    f.stance = stance;
    f.free = free;
    f.duration = 30;
    return f;
  }
  static void Enter(BattleObject& o, int pattern) {
    o.pattern = pattern;
    o.frame = 0;
    o.frameTimer = 0;
    o.pendingPattern = -1;
    o.pendingPriority = -1;
    RefreshFramePointers(o);
  }
  static BattleObject& Cpu() { return g_PlayerRecords[0].obj; }
  static BattleObject& Foe() { return g_PlayerRecords[1].obj; }
  // The opponent's attack becomes live now: the threat the CPU reacts to.
  static void Threaten(int pattern = kAttack) {
    Enter(Foe(), pattern);
    Foe().hitsLeft = 1;
  }
  static void Training(int status, int type = kDefenceNormal, int defence = kDefenceOff,
                       int action = kActionOff) {
    g_GameModeFlags = MODE_TRAINING;
    g_TestSettings[kTrainingEnemyStatus] = status;
    g_TestSettings[kTrainingEnemyDefenceType] = type;
    g_TestSettings[kTrainingEnemyDefence] = defence;
    g_TestSettings[kTrainingEnemyAction] = action;
  }

  // Seeds the common stream so that its next draws pass the given tests, in order, and counts
  // draws from 0.
  static void ScriptDraws(const std::vector<Draw>& draws) {
    for (int32_t seed = 1; seed < 1000000; ++seed) {
      SeedRandStream(kRandCommonStream, seed);
      bool ok = true;
      for (const Draw& d : draws) {
        if (!d(RandNext())) {
          ok = false;
          break;
        }
      }
      if (ok) {
        SeedRandStream(kRandCommonStream, seed);
        g_RandDrawCount = 0;
        return;
      }
    }
    FAIL() << "no seed gives the scripted draws";
  }

  TestFrameData data_[2];
};

// ---- the defence input ----

TEST_F(CpuDefence, InputIsClearedFirstAndTheGatesStopEverythingElse) {
  const struct {
    const char* name;
    uint8_t judge, noCommand, lock;
  } cases[] = {{"open", 0, 0, 0},
               {"judged", 1, 0, 0},
               {"no command", 0, 1, 0},
               {"lock 2", 0, 0, 2},
               {"lock 1", 0, 0, 1}};
  for (const auto& c : cases) {
    // A RANDOM shield dummy draws once per frame when the gates let it run.
    Training(kStatusStand, kDefenceRandom, kDefenceAllShield, kActionA);
    g_TrainingActionTimer = 5;
    BattleObject& o = Cpu();
    o.inputDir = 6;
    o.inputButtons = 0x1011;
    g_JudgeState = c.judge;
    o.noCommand = c.noCommand;
    g_CommandLock = c.lock;
    g_RandDrawCount = 0;
    CpuDefenceInput(o);
    const bool runs = c.judge == 0 && c.noCommand == 0 && c.lock != 2;
    EXPECT_EQ(o.inputButtons, 0u) << c.name;
    EXPECT_EQ(g_RandDrawCount, runs ? 1 : 0) << c.name;
    EXPECT_EQ(g_TrainingActionTimer, runs ? 6 : 5) << c.name;  // the status input ran
    EXPECT_EQ(o.inputDir, 0) << c.name;
  }
}

// The mode of a training dummy and the draws it makes, with no attack coming (no reaction
// then, and none of the reactions draws).
struct ModeCase {
  int status, type, defence;
  int32_t idle;
  std::vector<Draw> draws;
  int reflex;  // 0 none, 1 shield, 2 dodge (with an attack coming)
  int drawCount;
};
const std::vector<ModeCase>& ModeCases() {
  static const std::vector<ModeCase> cases = {
      {kStatusStand, kDefenceNormal, kDefenceAllShield, 0, {}, 1, 0},
      {kStatusCrouch, kDefenceNormal, kDefenceStatusShield, 0, {}, 1, 0},
      {kStatusJump, kDefenceNormal, kDefenceDodge, 0, {}, 2, 0},
      {kStatusStand, kDefenceNormal, kDefenceAllGuard, 0, {}, 0, 0},
      {kStatusStand, kDefenceNormal, kDefenceOff, 0, {}, 0, 0},
      {kStatusStand, kDefenceCombo, kDefenceAllShield, 48, {}, 1, 0},
      {kStatusStand, kDefenceCombo, kDefenceAllShield, 50, {}, 0, 0},
      {kStatusStand, kDefenceCombo, kDefenceDodge, 49, {}, 2, 0},
      {kStatusStand, kDefenceRandom, kDefenceAllShield, 0, {kOdd}, 1, 1},
      {kStatusStand, kDefenceRandom, kDefenceStatusShield, 0, {kEven}, 0, 1},
      {kStatusCrouch, kDefenceRandom, kDefenceDodge, 0, {kOdd}, 2, 1},
      {kStatusCrouch, kDefenceRandom, kDefenceDodge, 0, {kEven}, 0, 1},
      {kStatusStand, kDefenceRandom, kDefenceAllGuard, 0, {}, 0, 0},
      {kStatusStand, kDefenceRandom, kDefenceOff, 0, {}, 0, 0},
      {kStatusManual, kDefenceRandom, kDefenceAllShield, 0, {}, 0, 0},
      {kStatusDummy, kDefenceNormal, kDefenceDodge, 0, {}, 0, 0},
      // CPU: the CPU's own follow-ups, which with nothing decided do nothing.
      {kStatusCpu, kDefenceRandom, kDefenceAllShield, 0, {}, 0, 0},
  };
  return cases;
}

TEST_F(CpuDefence, TrainingModeTableDrawsOnlyForRandomShieldAndDodge) {
  for (size_t i = 0; i < ModeCases().size(); ++i) {
    const ModeCase& c = ModeCases()[i];
    Training(c.status, c.type, c.defence);
    g_TrainingIdleFrames = c.idle;
    ScriptDraws(c.draws);
    CpuDefenceInput(Cpu());
    EXPECT_EQ(g_RandDrawCount, c.drawCount) << "case " << i;
    EXPECT_EQ(Cpu().inputButtons, 0u) << "case " << i << ": no attack, no reaction";
  }
}

TEST_F(CpuDefence, OutsideTrainingTheCpuFollowUpsDrawNothingUndecided) {
  for (uint8_t decision : {0, 1, 10}) {
    BattleObject& o = Cpu();
    o.aiGuardDecision = decision;
    g_RandDrawCount = 0;
    CpuDefenceInput(o);
    EXPECT_EQ(g_RandDrawCount, 0) << +decision;
    EXPECT_EQ(o.aiGuardDecision, decision);
  }
}

TEST_F(CpuDefence, ActionDHoldsTheShieldTimerAndRecoverDAtOneHundred) {
  // ACTION D is served after the status input has counted, so the timer that reaches 241 this
  // frame is taken at once (ACTION A to C press on the frame after).
  Training(kStatusStand, kDefenceNormal, kDefenceOff, kActionD);
  g_TrainingActionTimer = 240;
  CpuDefenceInput(Cpu());
  EXPECT_EQ(g_TrainingActionTimer, 0);
  CpuDefenceInput(Cpu());
  EXPECT_EQ(g_TrainingActionTimer, 1);
  Training(kStatusStand, kDefenceNormal, kDefenceOff, kActionA);
  g_TrainingActionTimer = 240;
  CpuDefenceInput(Cpu());
  EXPECT_EQ(g_TrainingActionTimer, 241);
  CpuDefenceInput(Cpu());
  EXPECT_EQ(g_TrainingActionTimer, 0);
}

TEST_F(CpuDefence, GiantMarksEachLifeThresholdOnce) {
  g_BattleSeams.IsGiantCharacter = [](const BattleObject*) { return 2; };
  const struct {
    const char* name;
    int32_t life;
    int32_t hitReaction;
    uint8_t hitStop;
    uint16_t marksBefore;
    uint16_t marksAfter;
    uint8_t request;
  } cases[] = {
      {"80 % to below 25 % in one hit", 2849, 10, 0, 0, 0x4, 1},
      {"exactly 25 % is not below it", 2850, 10, 0, 0, 0x2, 1},
      {"below half", 5699, 10, 0, 0, 0x2, 1},
      {"below three quarters", 8549, 10, 0, 0, 0x1, 1},
      {"three quarters", 8550, 10, 0, 0, 0, 0},
      {"already marked: no second request", 2000, 10, 0, 0x4, 0x4, 0},
      {"the lowest threshold alone counts", 2000, 10, 0, 0x3, 0x7, 1},
      {"a lower mark does not cover a higher one", 5000, 10, 0, 0x4, 0x6, 1},
      {"in hit stop", 2000, 10, 3, 0, 0, 0},
      {"no hit reaction", 2000, 0, 0, 0, 0, 0},
      {"a recovery's negative reaction counts", 2000, -1, 0, 0, 0x4, 1},
  };
  for (const auto& c : cases) {
    BattleObject& o = Cpu();
    o.life = c.life;
    o.hitReaction = c.hitReaction;
    o.hitStop = c.hitStop;
    o.aiLifeMarks = c.marksBefore;
    o.aiSystemRequest = 0;
    o.aiGuardDecision = 2;  // a decision the CPU would act on: a giant takes no defence
    g_RandDrawCount = 0;
    CpuDefenceInput(o);
    EXPECT_EQ(o.aiLifeMarks, c.marksAfter) << c.name;
    EXPECT_EQ(o.aiSystemRequest, c.request) << c.name;
    EXPECT_EQ(o.aiGuardDecision, 2) << c.name;
    EXPECT_EQ(g_RandDrawCount, 0) << c.name;
  }
  // The next frame of the same reaction asks nothing more.
  BattleObject& o = Cpu();
  o.life = 2849;
  o.hitReaction = 10;
  o.hitStop = 0;
  o.aiLifeMarks = 0;
  o.aiSystemRequest = 0;
  CpuDefenceInput(o);
  o.aiSystemRequest = 0;  // the system commands clear it after one pass
  CpuDefenceInput(o);
  EXPECT_EQ(o.aiSystemRequest, 0);
  EXPECT_EQ(o.aiLifeMarks, 0x4);
}

TEST_F(CpuDefence, GiantOfTheFirstKindDefendsAsUsual) {
  g_BattleSeams.IsGiantCharacter = [](const BattleObject*) { return 1; };
  BattleObject& o = Cpu();
  o.life = 100;
  o.hitReaction = 10;
  CpuDefenceInput(o);
  EXPECT_EQ(o.aiLifeMarks, 0);
  EXPECT_EQ(o.aiSystemRequest, 0);
}

// ---- the guard answer ----

TEST_F(CpuDefence, WantsToGuardByStateDecisionAndPattern) {
  const struct {
    const char* name;
    int pattern;
    int32_t asf0;
    uint8_t decision, guarding, judge, noCommand, finishKind, held;
    int expected;
  } cases[] = {
      {"free, decided to guard", kFree, 0, 1, 0, 0, 0, 0, 0, 1},
      {"free, decided not to", kFree, 0, 2, 0, 0, 0, 0, 0, 0},
      {"free, undecided", kFree, 0, 0, 0, 0, 0, 0, 0, 0},
      {"free, shield pending", kFree, 0, 11, 0, 0, 0, 0, 0, 0},
      {"guarding", kBusy, 0, 0, 1, 0, 0, 0, 0, 1},
      {"guarding after the judgement", kBusy, 0, 1, 1, 1, 0, 0, 0, 0},
      {"guarding without commands", kBusy, 0, 1, 1, 0, 1, 0, 0, 0},
      {"guarding when knocked out", kBusy, 0, 1, 1, 0, 0, 3, 0, 0},
      {"guarding while held", kBusy, 0, 1, 1, 0, 0, 0, 1, 0},
      {"busy in the stand guard", 17, 0, 2, 0, 0, 0, 0, 0, 1},
      {"busy in the crouch guard", 18, 0, 2, 0, 0, 0, 0, 0, 1},
      {"busy elsewhere, decided to guard", kBusy, 0, 1, 0, 0, 0, 0, 0, 0},
      {"stand guard with asf0 0x100", 17, 0x100, 1, 0, 0, 0, 0, 0, 0},
      {"stand guard with asf0 0x200", 17, 0x200, 1, 0, 0, 0, 0, 0, 0},
      {"crouch guard with asf0 0x400", 18, 0x400, 1, 0, 0, 0, 0, 0, 0},
      {"stand guard with asf0 0x800", 17, 0x800, 0, 0, 0, 0, 0, 0, 1},
  };
  for (const auto& c : cases) {
    for (TestFrameData& d : data_)
      d.Set()->patterns->patterns[static_cast<size_t>(c.pattern)]->statePool.front().asf0 = c.asf0;
    BattleObject& o = Cpu();
    Enter(o, c.pattern);
    o.aiGuardDecision = c.decision;
    o.guarding = c.guarding;
    g_JudgeState = c.judge;
    o.noCommand = c.noCommand;
    o.finishKind = c.finishKind;
    o.held = c.held;
    EXPECT_EQ(CpuWantsToGuard(o), c.expected) << c.name;
    for (TestFrameData& d : data_)
      d.Set()->patterns->patterns[static_cast<size_t>(c.pattern)]->statePool.front().asf0 = 0;
  }
}

TEST_F(CpuDefence, WantsToGuardWithoutFrameDataReadsTheSharedStandingState) {
  // The shared all-zero state is standing and not free: the pattern decides.
  BattleObject& o = Cpu();
  o.frameData = nullptr;
  o.pattern = 17;
  RefreshFramePointers(o);
  EXPECT_EQ(CpuWantsToGuard(o), 1);
  o.pattern = 5;
  EXPECT_EQ(CpuWantsToGuard(o), 0);
}

// ---- automatic recoveries ----

class CpuRecovery : public CpuDefence {
 protected:
  // Knocked down and able to recover on the ground (a standing frame, early in the knock-down).
  static BattleObject& Downed() {
    BattleObject& o = Cpu();
    Enter(o, kBusy);
    o.hitReaction = -1;
    o.hitVectorStep = 1;
    o.hitFrames = 2;
    o.groundRecoveryAllowed = 1;
    return o;
  }
  // Airborne in a hit whose untech time has run out, the air wait at `wait`.
  static BattleObject& Launched(uint8_t wait) {
    BattleObject& o = Cpu();
    Enter(o, kAirBusy);
    o.hitReaction = -1;
    o.untechTime = 10;
    o.hitFrames = 10;
    o.airRecoveryAllowed = wait;
    return o;
  }
};

TEST_F(CpuRecovery, GroundModes) {
  const struct {
    const char* name;
    int32_t mode, gate;
    std::vector<Draw> draws;
    int kind;  // -1 none
    int drawCount;
    int32_t gateAfter;
  } cases[] = {
      {"neutral", 0, 0, {}, 0, 0, 0},
      {"back", 1, 0, {}, 1, 0, 0},
      {"forward", 2, 0, {}, 2, 0, 0},
      {"random", 3, 0, {Mod(3, 1)}, 1, 1, 0},
      {"random", 3, 0, {Mod(3, 2)}, 2, 1, 0},
      {"gated, odd", 4, 1, {kOdd, Mod(3, 2)}, 2, 2, 1},
      {"gated, odd", 4, 1, {kOdd, Mod(3, 0)}, 0, 2, 1},
      {"gated, even closes the gate", 4, 1, {kEven}, -1, 1, 0},
      {"gate closed", 4, 0, {}, -1, 0, 0},
      {"off", 5, 1, {}, -1, 0, 1},
      {"unknown mode", 6, 1, {}, -1, 0, 1},
  };
  for (const auto& c : cases) {
    g_DownRecoveryMode = c.mode;
    BattleObject& o = Downed();
    o.aiDownTechGate = c.gate;
    o.recoveryDone = 0;
    o.techInvuln = 0;
    SeamCalls().clear();
    ScriptDraws(c.draws);
    EXPECT_EQ(CpuAutoRecovery(g_PlayerRecords[0]), 0);
    EXPECT_EQ(g_RandDrawCount, c.drawCount) << c.name;
    EXPECT_EQ(o.recoveryDone, 1) << c.name;
    EXPECT_EQ(o.aiDownTechGate, c.gateAfter) << c.name;
    EXPECT_EQ(o.pendingPattern, c.kind < 0 ? -1 : 100 + c.kind) << c.name;
    EXPECT_EQ(o.techInvuln, c.kind < 0 ? 0 : 1) << c.name;
    EXPECT_EQ(SeamCalls(), c.kind < 0 ? std::vector<std::string>{} : std::vector<std::string>{"expire 0"})
        << c.name;
    if (c.kind >= 0) {
      EXPECT_EQ(o.groundRecoveryAllowed, 0) << c.name;
      EXPECT_EQ(o.hitReaction, 5) << c.name;
    }
  }
}

TEST_F(CpuRecovery, GroundNeedsTheArmingAndTheTest) {
  g_DownRecoveryMode = 3;
  const struct {
    const char* name;
    std::function<void(BattleObject&)> change;
  } cases[] = {
      {"not armed", [](BattleObject& o) { o.groundRecoveryAllowed = 0; }},
      {"too late", [](BattleObject& o) { o.hitFrames = 5; }},
      {"no hit vector step", [](BattleObject& o) { o.hitVectorStep = 0; }},
      {"airborne frame", [](BattleObject& o) { Enter(o, kAirBusy); }},
  };
  for (const auto& c : cases) {
    BattleObject& o = Downed();
    o.recoveryDone = 0;
    c.change(o);
    g_RandDrawCount = 0;
    CpuAutoRecovery(g_PlayerRecords[0]);
    EXPECT_EQ(o.pendingPattern, -1) << c.name;
    EXPECT_EQ(o.recoveryDone, 0) << c.name;
    EXPECT_EQ(g_RandDrawCount, 0) << c.name;
  }
}

TEST_F(CpuRecovery, AirModes) {
  const struct {
    const char* name;
    int32_t mode, delay;
    std::vector<Draw> draws;
    int kind;
    int drawCount;
    int32_t delayAfter;
  } cases[] = {
      {"neutral", 0, 0, {}, 4, 0, 0},
      {"back", 1, 0, {}, 5, 0, 0},
      {"forward", 2, 0, {}, 3, 0, 0},
      {"random", 3, 0, {Mod(3, 0)}, 3, 1, 0},
      {"random", 3, 0, {Mod(3, 2)}, 5, 1, 0},
      {"delayed: counts down to 1, odd", 4, 2, {kOdd, Mod(3, 1)}, 4, 2, 0},
      {"delayed: at 1, odd", 4, 1, {kOdd, Mod(3, 2)}, 5, 2, 0},
      {"delayed: at 1, even sets a new delay", 4, 1, {kEven, Mod(16, 5)}, -1, 2, 6},
      {"delayed: even may set 1 again", 4, 1, {kEven, Mod(16, 0)}, -1, 2, 1},
      {"delayed: still counting", 4, 3, {}, -1, 0, 2},
      {"delayed: no hit set it", 4, 0, {}, -1, 0, 0},
      {"off", 5, 1, {}, -1, 0, 1},
  };
  for (const auto& c : cases) {
    g_AirRecoveryMode = c.mode;
    BattleObject& o = Launched(1);
    o.aiAirTechDelay = c.delay;
    o.recoveryFlags = 0;
    o.recoveryDone = 0;
    ScriptDraws(c.draws);
    CpuAutoRecovery(g_PlayerRecords[0]);
    EXPECT_EQ(g_RandDrawCount, c.drawCount) << c.name;
    EXPECT_EQ(o.aiAirTechDelay, c.delayAfter) << c.name;
    EXPECT_EQ(o.recoveryDone, 1) << c.name;
    EXPECT_EQ(o.pendingPattern, c.kind < 0 ? -1 : 100 + c.kind) << c.name;
    // An air recovery is no ground recovery: no expiry, no throw protection.
    EXPECT_EQ(o.techInvuln, 0) << c.name;
    EXPECT_TRUE(SeamCalls().empty()) << c.name;
    EXPECT_EQ(o.recoveryFlags & 0x01, c.kind < 0 ? 0x01 : 0) << c.name;
  }
}

TEST_F(CpuRecovery, AirWaitCountsDownAndTheTestSetsOrClearsTheByte) {
  g_AirRecoveryMode = 5;  // nothing starts: the byte is seen as the test left it
  BattleObject& o = Launched(3);
  CpuAutoRecovery(g_PlayerRecords[0]);
  EXPECT_EQ(o.airRecoveryAllowed, 2);
  EXPECT_EQ(o.recoveryFlags, 0);
  EXPECT_EQ(o.recoveryDone, 0);
  CpuAutoRecovery(g_PlayerRecords[0]);
  EXPECT_EQ(o.airRecoveryAllowed, 1);
  EXPECT_EQ(o.recoveryFlags, 0x01);
  EXPECT_EQ(o.recoveryDone, 1);
  o.hitFrames = 9;  // the untech time has not run out: the test fails and clears the byte
  o.recoveryFlags = 0x11;
  CpuAutoRecovery(g_PlayerRecords[0]);
  EXPECT_EQ(o.recoveryFlags, 0x10);
  // With the byte clear no mode starts anything.
  g_AirRecoveryMode = 0;
  CpuAutoRecovery(g_PlayerRecords[0]);
  EXPECT_EQ(o.pendingPattern, -1);
}

TEST_F(CpuRecovery, NothingAfterTheJudgementWithoutCommandsOrOutsideAHit) {
  g_DownRecoveryMode = 3;
  g_AirRecoveryMode = 3;
  const struct {
    const char* name;
    uint8_t judge, noCommand;
    int32_t hitReaction;
  } cases[] = {{"judged", 1, 0, -1}, {"no command", 0, 1, -1}, {"no hit", 0, 0, 0}, {"hit stun", 0, 0, 5}};
  for (const auto& c : cases) {
    BattleObject& o = Downed();
    o.airRecoveryAllowed = 2;
    g_JudgeState = c.judge;
    o.noCommand = c.noCommand;
    o.hitReaction = c.hitReaction;
    o.recoveryDone = 0;
    g_RandDrawCount = 0;
    CpuAutoRecovery(g_PlayerRecords[0]);
    EXPECT_EQ(o.pendingPattern, -1) << c.name;
    EXPECT_EQ(o.recoveryDone, 0) << c.name;
    EXPECT_EQ(o.airRecoveryAllowed, 2) << c.name;
    EXPECT_EQ(g_RandDrawCount, 0) << c.name;
  }
}

// ---- the training dummy ----

TEST_F(CpuDefence, StatusInputSetsTheStanceDirection) {
  const struct {
    int status;
    uint8_t dir;
  } cases[] = {{kStatusStand, 0}, {kStatusJump, 8},   {kStatusCrouch, 2},
               {kStatusCpu, 6},   {kStatusManual, 6}, {kStatusDummy, 6}};
  for (const auto& c : cases) {
    Training(c.status);
    g_TrainingActionTimer = 7;
    Cpu().inputDir = 6;
    TrainingEnemyStatusInput(Cpu());
    EXPECT_EQ(Cpu().inputDir, c.dir) << c.status;
    // Only a stance dummy runs its enemy action.
    EXPECT_EQ(g_TrainingActionTimer, c.dir == 6 ? 7 : 8) << c.status;
  }
}

TEST_F(CpuDefence, StatusInputSkipsAPartnerStandingBy) {
  Training(kStatusCrouch);
  BattleObject& o = Cpu();
  BattleObject& partner = g_PlayerRecords[2].obj;
  o.partner = &partner;
  partner.partner = &o;
  partner.playerIndex = 2;
  g_SideStatus[0].activePlayer = 2;
  o.inputDir = 6;
  g_TrainingActionTimer = 7;
  TrainingEnemyStatusInput(o);
  EXPECT_EQ(o.inputDir, 6);
  EXPECT_EQ(g_TrainingActionTimer, 7);
  g_SideStatus[0].activePlayer = 0;
  TrainingEnemyStatusInput(o);
  EXPECT_EQ(o.inputDir, 2);
}

TEST_F(CpuDefence, ActionTimerCountsToTheActionAndAHitHoldsItAtOne) {
  const struct {
    int action;
    int32_t before, hitReaction, after;
  } cases[] = {
      {kActionOff, 0, 0, 1},     {kActionA, 239, 0, 240},  {kActionA, 240, 0, 241},
      {kActionA, 241, 0, 0},     {kActionB, 241, 0, 0},    {kActionC, 300, 0, 0},
      {kActionOff, 241, 0, 241}, {kActionD, 241, 0, 241},  // served by the defence input
      {kActionA, 241, 10, 1},    {kActionOff, 100, -1, 1},
  };
  for (const auto& c : cases) {
    Training(kStatusStand, kDefenceNormal, kDefenceOff, c.action);
    g_TrainingActionTimer = c.before;
    Cpu().hitReaction = c.hitReaction;
    TrainingEnemyStatusInput(Cpu());
    EXPECT_EQ(g_TrainingActionTimer, c.after) << c.action << " at " << c.before;
  }
}

TEST_F(CpuDefence, RecoverCycle) {
  const struct {
    const char* name;
    int32_t before;
    int pattern;
    uint8_t shield;
    int32_t hitReaction;
    int32_t after;
  } cases[] = {
      {"waits while free", 0, kFree, 0, 0, 0},
      {"hit: not free", 0, kBusy, 0, 0, 1},
      {"not free yet", 1, kBusy, 0, 0, 1},
      {"free again: acts", 1, kFree, 0, 0, 100},
      {"a shield took the hit: acts", 1, kBusy, 2, 0, 100},
      {"shield state 1 is not enough", 1, kBusy, 1, 0, 1},
      {"a cancellable frame: acts", 1, kCancel, 0, 0, 100},
      {"acted, still free", 100, kFree, 0, 0, 100},
      {"the action runs", 100, kBusy, 0, 0, 101},
      {"the action still runs", 101, kBusy, 0, 0, 101},
      {"the action ended", 101, kFree, 0, 0, 0},
      {"any other value", 57, kBusy, 0, 0, 0},
      {"a hit reaction holds it at 1", 100, kFree, 0, 4, 1},
      {"a hit reaction holds it at 1", 0, kFree, 0, -1, 1},
  };
  for (int action = kRecoverA; action <= kRecoverD; ++action) {
    for (const auto& c : cases) {
      Training(kStatusStand, kDefenceNormal, kDefenceOff, action);
      g_TrainingActionTimer = c.before;
      Enter(Cpu(), c.pattern);
      Cpu().shieldState = c.shield;
      Cpu().hitReaction = c.hitReaction;
      g_RandDrawCount = 0;
      TrainingEnemyStatusInput(Cpu());
      EXPECT_EQ(g_TrainingActionTimer, c.after) << c.name << ", action " << action;
      EXPECT_EQ(g_RandDrawCount, 0);
    }
  }
}

struct GuardCase {
  const char* name;
  int afterPick, status, type, defence;
  int32_t idle, reactionKind;
  uint8_t before;
  std::vector<Draw> draws;
  uint8_t after;
  int drawCount;
};

TEST_F(CpuDefence, TrainingGuardDecisionTable) {
  const GuardCase cases[] = {
      // After a pick.
      {"normal, all guard", 1, kStatusStand, kDefenceNormal, kDefenceAllGuard, 0, 0, 0, {}, 1, 0},
      {"normal, status guard", 1, kStatusCrouch, kDefenceNormal, kDefenceStatusGuard, 0, 0, 0, {}, 1, 0},
      {"normal, all shield", 1, kStatusStand, kDefenceNormal, kDefenceAllShield, 0, 0, 0, {}, 2, 0},
      {"normal, dodge", 1, kStatusJump, kDefenceNormal, kDefenceDodge, 0, 0, 0, {}, 2, 0},
      {"normal, off", 1, kStatusStand, kDefenceNormal, kDefenceOff, 0, 0, 0, {}, 0, 0},
      {"a decision stays", 1, kStatusStand, kDefenceNormal, kDefenceAllGuard, 0, 0, 10, {}, 10, 0},
      {"combo resets the decision", 1, kStatusStand, kDefenceCombo, kDefenceAllGuard, 0, 0, 2, {}, 1, 0},
      {"combo, idle 49 after the count",
       1,
       kStatusStand,
       kDefenceCombo,
       kDefenceAllShield,
       48,
       0,
       0,
       {},
       2,
       0},
      {"combo, idle 50 after the count",
       1,
       kStatusStand,
       kDefenceCombo,
       kDefenceAllGuard,
       49,
       0,
       1,
       {},
       0,
       0},
      {"combo, a reaction of kind 10 restarts it",
       1,
       kStatusStand,
       kDefenceCombo,
       kDefenceAllGuard,
       900,
       10,
       0,
       {},
       1,
       0},
      {"random guard, odd", 1, kStatusStand, kDefenceRandom, kDefenceAllGuard, 0, 0, 0, {kOdd}, 1, 1},
      {"random guard, even", 1, kStatusStand, kDefenceRandom, kDefenceStatusGuard, 0, 0, 0, {kEven}, 2, 1},
      {"random shield, odd", 1, kStatusStand, kDefenceRandom, kDefenceAllShield, 0, 0, 0, {kOdd}, 2, 1},
      {"random dodge, even", 1, kStatusStand, kDefenceRandom, kDefenceDodge, 0, 0, 0, {kEven}, 0, 1},
      {"random, off", 1, kStatusStand, kDefenceRandom, kDefenceOff, 0, 0, 0, {}, 0, 0},
      {"manual", 1, kStatusManual, kDefenceRandom, kDefenceAllGuard, 0, 0, 0, {}, 0, 0},
      {"dummy", 1, kStatusDummy, kDefenceNormal, kDefenceAllGuard, 0, 0, 0, {}, 0, 0},
      {"cpu, a file without guard rate", 1, kStatusCpu, kDefenceNormal, kDefenceAllGuard, 0, 0, 0, {}, 2, 0},
      // While busy.
      {"busy, normal guard", 0, kStatusStand, kDefenceNormal, kDefenceAllGuard, 0, 0, 0, {}, 1, 0},
      {"busy, normal dodge", 0, kStatusStand, kDefenceNormal, kDefenceDodge, 0, 0, 0, {}, 2, 0},
      {"busy, normal off", 0, kStatusStand, kDefenceNormal, kDefenceOff, 0, 0, 0, {}, 0, 0},
      {"busy, random guard, odd", 0, kStatusCrouch, kDefenceRandom, kDefenceAllGuard, 0, 0, 0, {kOdd}, 1, 1},
      {"busy, random guard, even",
       0,
       kStatusCrouch,
       kDefenceRandom,
       kDefenceAllGuard,
       0,
       0,
       0,
       {kEven},
       2,
       1},
      {"busy, random shield", 0, kStatusStand, kDefenceRandom, kDefenceStatusShield, 0, 0, 0, {}, 2, 0},
      {"busy, random off", 0, kStatusStand, kDefenceRandom, kDefenceOff, 0, 0, 0, {}, 0, 0},
      {"busy, combo decides nothing", 0, kStatusStand, kDefenceCombo, kDefenceAllGuard, 0, 0, 0, {}, 0, 0},
      {"busy, combo keeps a decision", 0, kStatusStand, kDefenceCombo, kDefenceAllGuard, 0, 0, 2, {}, 2, 0},
      {"busy, cpu in reaction 5", 0, kStatusCpu, kDefenceNormal, kDefenceOff, 0, 5, 0, {}, 1, 0},
      {"busy, cpu elsewhere", 0, kStatusCpu, kDefenceNormal, kDefenceOff, 0, 10, 0, {}, 0, 0},
      {"busy, cpu keeps a decision", 0, kStatusCpu, kDefenceNormal, kDefenceOff, 0, 5, 2, {}, 2, 0},
      {"busy, manual", 0, kStatusManual, kDefenceNormal, kDefenceAllGuard, 0, 5, 0, {}, 0, 0},
  };
  for (const auto& c : cases) {
    Training(c.status, c.type, c.defence);
    g_TrainingIdleFrames = c.idle;
    BattleObject& o = Cpu();
    ReactionKind(o) = c.reactionKind;
    o.aiGuardDecision = c.before;
    ScriptDraws(c.draws);
    TrainingGuardDecision(o, c.afterPick);
    EXPECT_EQ(o.aiGuardDecision, c.after) << c.name;
    EXPECT_EQ(g_RandDrawCount, c.drawCount) << c.name;
    const bool resting = c.reactionKind == 5 || c.reactionKind == 10;
    EXPECT_EQ(g_TrainingIdleFrames, resting ? 0 : c.idle + 1) << c.name;
  }
}

TEST_F(CpuDefence, ThrowTechModes) {
  const struct {
    const char* name;
    int mode;
    int16_t t;
    int32_t frameBefore;
    std::vector<Draw> draws;
    int escape;
    int drawCount;
    int32_t frameAfter;
  } cases[] = {
      {"normal", kTechNormal, 0, 0, {}, 0, 0, 0},
      {"normal", kTechNormal, 7, 0, {}, 0, 0, 0},
      {"all fast", kTechAllFast, 0, 0, {}, 1, 0, 0},
      {"all fast", kTechAllFast, 7, 0, {}, 0, 0, 0},
      {"all late", kTechAllLate, 0, 0, {}, 0, 0, 0},
      {"all late", kTechAllLate, 7, 0, {}, 1, 0, 0},
      {"all random draws frame 0", kTechAllRandom, 0, 9, {Mod(8, 0)}, 1, 1, 0},
      {"all random draws frame 3", kTechAllRandom, 0, 9, {Mod(8, 3)}, 0, 1, 3},
      {"all random at its frame", kTechAllRandom, 3, 3, {}, 1, 0, 3},
      {"all random after its frame", kTechAllRandom, 7, 3, {}, 0, 0, 3},
      {"random fast, even", kTechRandomFast, 0, 0, {kEven}, 1, 1, 0},
      {"random fast, odd", kTechRandomFast, 0, 0, {kOdd}, 0, 1, 0},
      {"random fast, later", kTechRandomFast, 7, 0, {}, 0, 0, 0},
      {"random late, early", kTechRandomLate, 0, 0, {}, 0, 0, 0},
      {"random late, even", kTechRandomLate, 7, 0, {kEven}, 1, 1, 0},
      {"random late, odd", kTechRandomLate, 7, 0, {kOdd}, 0, 1, 0},
      {"random random, odd: never", kTechRandomRandom, 0, 9, {kOdd}, 0, 1, -1},
      {"random random, even, frame 0", kTechRandomRandom, 0, 9, {kEven, Mod(8, 0)}, 1, 2, 0},
      {"random random, even, frame 5", kTechRandomRandom, 0, 9, {kEven, Mod(8, 5)}, 0, 2, 5},
      {"random random at its frame", kTechRandomRandom, 5, 5, {}, 1, 0, 5},
      {"random random at 7", kTechRandomRandom, 7, -1, {}, 0, 0, -1},
  };
  for (const auto& c : cases) {
    Training(kStatusCpu);
    g_TestSettings[kTrainingThrowRecovery] = c.mode;
    g_TrainingTechFrame = c.frameBefore;
    Cpu().heldSteps = c.t;
    ScriptDraws(c.draws);
    EXPECT_EQ(TrainingThrowTech(Cpu()), c.escape) << c.name;
    EXPECT_EQ(g_RandDrawCount, c.drawCount) << c.name;
    EXPECT_EQ(g_TrainingTechFrame, c.frameAfter) << c.name;
  }
}

TEST_F(CpuDefence, ThrowTechOutsideTrainingNeverEscapes) {
  g_TestSettings[kTrainingThrowRecovery] = kTechAllRandom;
  g_GameModeFlags = MODE_VS_CPU;
  Cpu().heldSteps = 0;
  g_RandDrawCount = 0;
  EXPECT_EQ(TrainingThrowTech(Cpu()), 0);
  EXPECT_EQ(g_RandDrawCount, 0);
}

// ---- wiring and state ----

TEST_F(CpuDefence, InstalledSeamsClearTheCpuInputAndEscapeThrows) {
  InstallBattleRules();
  g_BattleSeams.TrainingSetting = [](int entry) {
    return entry >= 0 && entry < 17 ? g_TestSettings[entry] : 0;
  };
  // The driver's input read: a CPU character's stale input is cleared by its defence input.
  g_BattlePhase = 1;
  BattleObject& cpu = Cpu();
  cpu.inputDir = 6;
  cpu.inputButtons = 0x1001;
  ReadCharacterInput();
  EXPECT_EQ(cpu.inputButtons, 0u);
  EXPECT_EQ(cpu.inputDir, 0);
  // The throw escape asks the dummy's throw tech.
  Training(kStatusCpu);
  g_TestSettings[kTrainingThrowRecovery] = kTechAllFast;
  BattleObject& thrower = Foe();
  thrower.heldObject = &cpu;
  thrower.holding = 1;
  cpu.held = 1;
  cpu.parent = &thrower;
  cpu.groundRecoveryAllowed = 1;
  cpu.heldSteps = 1;
  EXPECT_EQ(ThrowEscape(cpu), 0);
  cpu.heldSteps = 0;
  EXPECT_EQ(ThrowEscape(cpu), 1);
  EXPECT_EQ(cpu.held, 0);
  // The hit resolution's guard question.
  Enter(cpu, kFree);
  cpu.aiGuardDecision = 1;
  EXPECT_EQ(BattleSeamCpuWantsToGuard(&cpu), 1);
  cpu.aiGuardDecision = 2;
  EXPECT_EQ(BattleSeamCpuWantsToGuard(&cpu), 0);
}

TEST_F(CpuDefence, GlobalsAreHashedAndReset) {
  int32_t* globals[] = {&g_AirRecoveryMode, &g_DownRecoveryMode, &g_TrainingActionTimer,
                        &g_TrainingIdleFrames, &g_TrainingTechFrame};
  const uint64_t base = BattleStateHash();
  for (int32_t* g : globals) {
    *g = 4;
    EXPECT_NE(BattleStateHash(), base);
    *g = 0;
  }
  for (int32_t* g : globals) *g = 3;
  ResetAllBattleGlobals();
  for (int32_t* g : globals) EXPECT_EQ(*g, 0);
}

// ---- with the CPU opponent's searches, presses and level rolls ----

// These cases need the CPU opponent's bodies (cpu_ai.cpp): a threat the real search finds,
// buttons pressed the pattern player's way, the level table's rolls. They skip while those are
// still placeholders.
class CpuDefenceWithAi : public CpuDefence {
 protected:
  void SetUp() override {
    CpuDefence::SetUp();
    BattleObject probe;
    PressCpuButtons(probe, 0x1);
    Threaten();
    const bool found = FindImminentThreat(Cpu()) == &Foe();
    Enter(Foe(), kFree);
    Foe().hitsLeft = 0;
    if (probe.inputButtons != 0x1001 || !found)
      GTEST_SKIP() << "the CPU opponent's searches and presses are placeholders here";
  }
};

TEST_F(CpuDefenceWithAi, ShieldReactionHoldsDAndCrouchesForALowAttack) {
  const struct {
    const char* name;
    int threat;
    uint8_t hitStop;
    uint32_t buttons;
    uint8_t dir;
  } cases[] = {
      {"standing attack", kAttack, 0, 0x8008, 0},
      {"crouching attack", kLowAttack, 0, 0x8008, 2},
      {"in hit stop: direction only", kLowAttack, 2, 0, 2},
  };
  for (const auto& c : cases) {
    Threaten(c.threat);
    BattleObject& o = Cpu();
    o.inputButtons = 0x1027;  // A, B, C and A+B pressed (A held): the shield clears the presses
    o.hitStop = c.hitStop;
    EXPECT_EQ(CpuShieldReaction(o), 1) << c.name;
    EXPECT_EQ(o.inputButtons, c.hitStop ? 0x1027u : (c.buttons | 0x1000u)) << c.name;
    EXPECT_EQ(o.inputDir, c.dir) << c.name;
  }
  Enter(Foe(), kFree);
  Cpu().inputButtons = 0;
  EXPECT_EQ(CpuShieldReaction(Cpu()), 0);
  EXPECT_EQ(Cpu().inputButtons, 0u);
}

TEST_F(CpuDefenceWithAi, StatusShieldFollowsTheDummysStance) {
  const struct {
    int status;
    uint8_t dirBefore, dir;
  } cases[] = {{kStatusStand, 2, 0}, {kStatusCrouch, 0, 2}, {kStatusJump, 8, 8}};
  for (const auto& c : cases) {
    Threaten(c.status == kStatusCrouch ? kAttack : kLowAttack);  // the attack's stance is not read
    Training(c.status, kDefenceNormal, kDefenceStatusShield);
    Cpu().inputDir = c.dirBefore;
    EXPECT_EQ(CpuShieldReaction(Cpu()), 1);
    EXPECT_EQ(Cpu().inputDir, c.dir) << c.status;
  }
}

TEST_F(CpuDefenceWithAi, DodgeReactionPressesEDownWithTheMacroWhenFree) {
  Threaten();
  BattleObject& o = Cpu();
  o.inputButtons = 0x9;
  EXPECT_EQ(CpuDodgeReaction(o), 1);
  EXPECT_EQ(o.inputDir, 2);
  // E pressed and held, then the fifth button's down expansion (A and B pressed and held).
  EXPECT_EQ(o.inputButtons, 0x10u | 0x10000u | 0x3003u);
  EXPECT_EQ(g_PlayerRecords[0].ext.macroMode, 3);
  Enter(o, kBusy);
  o.inputButtons = 0;
  o.inputDir = 0;
  EXPECT_EQ(CpuDodgeReaction(o), 1);  // not free: the attack is seen, nothing is pressed
  EXPECT_EQ(o.inputButtons, 0u);
  EXPECT_EQ(o.inputDir, 0);
}

TEST_F(CpuDefenceWithAi, TrainingModeTableReactsToAThreat) {
  for (size_t i = 0; i < ModeCases().size(); ++i) {
    const ModeCase& c = ModeCases()[i];
    Threaten();
    Enter(Cpu(), kFree);
    Training(c.status, c.type, c.defence);
    g_TrainingIdleFrames = c.idle;
    Cpu().aiGuardDecision = 2;
    g_PlayerRecords[0].ext.macroMode = 0;
    ScriptDraws(c.draws);
    CpuDefenceInput(Cpu());
    const uint32_t b = Cpu().inputButtons;
    if (c.status == kStatusCpu) continue;  // the CPU's own follow-ups: below
    EXPECT_EQ(g_RandDrawCount, c.drawCount) << "case " << i;
    EXPECT_EQ((b & 0x8) != 0, c.reflex == 1) << "case " << i;
    EXPECT_EQ((b & 0x10) != 0, c.reflex == 2) << "case " << i;
    EXPECT_EQ(Cpu().aiGuardDecision, c.reflex ? 0 : 2) << "case " << i;
  }
}

TEST_F(CpuDefenceWithAi, ActionAndRecoverPressTheirButtons) {
  const struct {
    int action;
    int32_t timer;
    int pattern;
    uint32_t buttons;
  } cases[] = {
      {kActionA, 241, kFree, 0x1001}, {kActionB, 241, kFree, 0x2002},  {kActionC, 241, kFree, 0x4004},
      {kActionA, 240, kFree, 0},      {kActionD, 241, kFree, 0x8008},  {kActionD, 240, kFree, 0x8008},
      {kRecoverA, 1, kFree, 0x1001},  {kRecoverC, 1, kCancel, 0x4004}, {kRecoverB, 1, kBusy, 0},
      {kRecoverD, 1, kFree, 0x8008},  {kRecoverD, 100, kFree, 0x8008}, {kRecoverD, 100, kBusy, 0},
  };
  for (const auto& c : cases) {
    Training(kStatusCrouch, kDefenceNormal, kDefenceOff, c.action);
    g_TrainingActionTimer = c.timer;
    Enter(Cpu(), c.pattern);
    CpuDefenceInput(Cpu());
    EXPECT_EQ(Cpu().inputButtons, c.buttons) << c.action << " at " << c.timer;
    EXPECT_EQ(Cpu().inputDir, 2) << c.action;
  }
}

TEST_F(CpuDefenceWithAi, CpuShieldFollowUpsByLevel) {
  const struct {
    const char* name;
    int32_t level;
    uint8_t decision, shieldState;
    int16_t typeRow;  // the character's type; row 1 has spark type 1
    std::vector<Draw> draws;
    uint8_t after;
    uint32_t buttons;
    int drawCount;
    bool attack = true;
  } cases[] = {
      // Decision 2, level 4: the shield chance after no guard is 40.
      {"no guard, the roll passes", 4, 2, 0, 0, {Mod(100, 40)}, 0, 0x8008, 1},
      {"no guard, the roll fails", 4, 2, 0, 0, {Mod(100, 41)}, 10, 0, 1},
      {"no guard at level 0: chance 0, no draw", 0, 2, 0, 0, {}, 10, 0, 0},
      // Decision 11: shield, or on a draw of 0 mod 8 the dodge.
      {"pending: shield", 0, 11, 0, 0, {Mod(8, 3)}, 0, 0x8008, 1},
      {"pending: dodge", 0, 11, 0, 0, {Mod(8, 0)}, 0, 0x10 | 0x10000 | 0x3003, 1},
      {"pending, spark type 1: shield without a draw", 0, 11, 0, 1, {}, 0, 0x8008, 0},
      // Shielding with an attack coming, level 4: 50 while shielding, then the pending step.
      {"shielding, the roll passes", 4, 0, 1, 1, {Mod(100, 50)}, 0, 0x8008, 1},
      {"shielding, the roll fails", 4, 1, 1, 1, {Above(100, 50)}, 0, 0, 1},
      {"shielding at level 1: chance 0", 1, 1, 1, 1, {}, 0, 0, 0},
      // Nothing coming: the decision stays pending, and the pending step runs in the same frame.
      {"no guard, the roll passes, nothing coming", 4, 2, 0, 0, {Mod(100, 40), Mod(8, 3)}, 11, 0, 2, false},
      {"pending, nothing coming", 0, 11, 0, 0, {Mod(8, 0)}, 11, 0, 1, false},
  };
  g_TypeParams[1].sparkType = 1;
  for (const auto& c : cases) {
    if (c.attack)
      Threaten();
    else
      Enter(Foe(), kFree);
    BattleObject& o = Cpu();
    Enter(o, kFree);
    o.type = c.typeRow;
    g_CpuLevel = c.level;
    o.aiGuardDecision = c.decision;
    o.shieldState = c.shieldState;
    g_PlayerRecords[0].ext.macroMode = 0;
    ScriptDraws(c.draws);
    CpuDefenceInput(o);
    EXPECT_EQ(o.aiGuardDecision, c.after) << c.name;
    EXPECT_EQ(o.inputButtons, c.buttons) << c.name;
    EXPECT_EQ(g_RandDrawCount, c.drawCount) << c.name;
  }
}

TEST_F(CpuDefenceWithAi, TrainingCpuGuardDecisionRollsTheGuardRate) {
  Training(kStatusCpu);
  g_CpuPatternSlots[0].guardRate = 100;
  BattleObject& o = Cpu();
  g_RandDrawCount = 0;
  TrainingGuardDecision(o, 1);
  EXPECT_EQ(o.aiGuardDecision, 1);
  EXPECT_EQ(g_RandDrawCount, 1);
  o.aiGuardDecision = 0;
  g_CpuPatternSlots[0].guardRate = 0;
  g_RandDrawCount = 0;
  TrainingGuardDecision(o, 1);
  EXPECT_EQ(o.aiGuardDecision, 2);
  EXPECT_EQ(g_RandDrawCount, 0);
  g_CpuPatternSlots[0] = CpuPatternFile{};
}

}  // namespace
