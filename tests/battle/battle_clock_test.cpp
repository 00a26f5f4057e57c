// The battle clock: one tick per rule (pause, freezes, the lock, the fight time, event timers,
// slow motion, the countdowns, the stepped flag).
#include "battle/battle_clock.h"

#include <cstdint>
#include <string>

#include "battle/battle_seams.h"
#include "battle/story_routes.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;

class BattleClock : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    ResetBattleClockForMatch();
  }
  void TearDown() override {
    ResetBattleClockForMatch();
    BattleTest::TearDown();
  }
};

// What a row changes from the running default: the event timers are timer 5 of row 0 and
// timer 40 of row 4 (the row that belongs to no slot), the freeze timer is row 4's.
struct ClockIn {
  uint8_t paused = 0;
  uint8_t lock = 0;
  uint8_t judge = 0;
  uint32_t frame = 99;
  int32_t freezeRequest = 0;
  int32_t globalFreeze = 0;
  int32_t rowFreeze = 0;
  int32_t trail = 0;
  int16_t slow = 0;
  int16_t slowRequest = 0;
};
struct ClockOut {
  uint32_t frame = 100;
  int32_t fight = 1;  // fight time and the main side's route progress value 4
  int32_t globalFreeze = 0;
  int32_t rowFreeze = 0;
  int32_t timer5 = 9, elapsed5 = 8;
  int32_t timer40 = 9, elapsed40 = 1;
  int32_t trail = 0;
  int16_t slow = 0;
  int32_t stepped = 1;  // the stepped flag, and the step count grown by it
  int32_t frozen = 1;
  int32_t countdowns = 1;  // 1: background hold, judge timer and shake went 3, 2, 4 -> 2, 1, 3
};

TEST_F(BattleClock, TickTable) {
  const struct {
    const char* name;
    ClockIn in;
    ClockOut out;
  } rows[] = {
      {"running", {}, {}},
      {"paused: only the stepped flag is cleared",
       {.paused = 1},
       {.frame = 99,
        .fight = 0,
        .timer5 = 10,
        .elapsed5 = 7,
        .timer40 = 10,
        .elapsed40 = 0,
        .stepped = 0,
        .frozen = 7,
        .countdowns = 0}},
      {"freeze request taken before the countdown",
       {.freezeRequest = 5},
       {.globalFreeze = 4, .timer5 = 10, .elapsed5 = 7, .timer40 = 10, .elapsed40 = 0}},
      {"negative freeze request dropped", {.freezeRequest = -3}, {}},
      {"frame held under the round-start lock", {.lock = 2}, {.frame = 99, .fight = 0}},
      {"frame held under the fight call's lock", {.lock = 1}, {.frame = 99, .fight = 0}},
      {"fight time stops once the judge decided", {.judge = 199}, {.fight = 0}},
      {"slow motion, skipped frame",
       {.frame = 100, .slow = 10},
       {.frame = 101, .fight = 0, .slow = 9, .stepped = 0}},
      {"slow motion, stepping frame", {.frame = 101, .slow = 10}, {.frame = 102, .slow = 9}},
      {"slow motion ending this tick steps", {.frame = 100, .slow = 1}, {.frame = 101, .fight = 0}},
      {"global freeze holds freeze and event timers",
       {.globalFreeze = 3, .rowFreeze = 4},
       {.globalFreeze = 2, .rowFreeze = 4, .timer5 = 10, .elapsed5 = 7, .timer40 = 10, .elapsed40 = 0}},
      {"last global freeze frame lets them run", {.globalFreeze = 1, .rowFreeze = 4}, {.rowFreeze = 3}},
      {"freeze timer counts without a global freeze", {.rowFreeze = 4}, {.rowFreeze = 3}},
      {"hidden trail holds timers 0..31 and slow motion",
       {.frame = 101, .trail = 5, .slow = 10},
       {.frame = 102, .timer5 = 10, .elapsed5 = 7, .trail = 4, .slow = 10}},
      {"trail ending this tick: timers held, slow motion counts",
       {.frame = 101, .trail = 1, .slow = 10},
       {.frame = 102, .timer5 = 10, .elapsed5 = 7, .slow = 9}},
      {"slow-motion request replaces after the countdown",
       {.frame = 101, .slow = 10, .slowRequest = 30},
       {.frame = 102, .slow = 30}},
      {"negative slow-motion request dropped", {.slowRequest = -5}, {}},
  };
  for (const auto& r : rows) {
    battle_test::ResetWorld();
    ResetBattleClockForMatch();
    g_MainSide = 1;
    g_Paused = r.in.paused;
    g_CommandLock = r.in.lock;
    g_JudgeState = r.in.judge;
    g_BattleFrame = r.in.frame;
    g_BattleState[BattleStateIndex::kGlobalFreezeRequest] = r.in.freezeRequest;
    g_BattleState[BattleStateIndex::kFreezeStarted] = 1;
    g_GlobalFreeze = r.in.globalFreeze;
    g_BattleState[FreezeTimerIndex(4)] = r.in.rowFreeze;
    g_BattleState[PlayerTimerIndex(0, 5)] = 10;
    g_BattleState[PlayerTimerElapsedIndex(0, 5)] = 7;
    g_BattleState[PlayerTimerIndex(4, 40)] = 10;
    g_TrailHidden = r.in.trail;
    g_SlowMotion = r.in.slow;
    g_SlowMotionRequest = r.in.slowRequest;
    g_BgHoldTimer = 3;
    g_JudgeTimer = 2;
    g_ScreenShake = 4;
    g_BattleTimeStepped = 1;
    g_BattleClockFrozen = 7;
    TickBattleClock();
    const ClockOut& e = r.out;
    const std::string n = r.name;
    EXPECT_EQ(g_BattleFrame, e.frame) << n;
    EXPECT_EQ(g_FightTime, e.fight) << n;
    EXPECT_EQ(g_StoryBattleRoutes[1].progress[4], e.fight) << n;
    EXPECT_EQ(g_StoryBattleRoutes[0].progress[4], 0) << n;
    EXPECT_EQ(g_GlobalFreeze, e.globalFreeze) << n;
    EXPECT_EQ(g_BattleState[BattleStateIndex::kGlobalFreezeRequest], r.in.paused ? r.in.freezeRequest : 0)
        << n;
    EXPECT_EQ(g_BattleState[BattleStateIndex::kFreezeStarted], r.in.paused) << n;
    EXPECT_EQ(g_BattleState[FreezeTimerIndex(4)], e.rowFreeze) << n;
    EXPECT_EQ(g_BattleState[PlayerTimerIndex(0, 5)], e.timer5) << n;
    EXPECT_EQ(g_BattleState[PlayerTimerElapsedIndex(0, 5)], e.elapsed5) << n;
    EXPECT_EQ(g_BattleState[PlayerTimerIndex(4, 40)], e.timer40) << n;
    EXPECT_EQ(g_BattleState[PlayerTimerElapsedIndex(4, 40)], e.elapsed40) << n;
    EXPECT_EQ(g_TrailHidden, e.trail) << n;
    EXPECT_EQ(g_SlowMotion, e.slow) << n;
    EXPECT_EQ(g_SlowMotionRequest, r.in.paused ? r.in.slowRequest : 0) << n;
    EXPECT_EQ(g_BattleTimeStepped, e.stepped) << n;
    EXPECT_EQ(g_BattleStepCount, e.stepped) << n;
    EXPECT_EQ(g_BattleClockFrozen, e.frozen) << n;
    EXPECT_EQ(g_BgHoldTimer, 3 - e.countdowns) << n;
    EXPECT_EQ(g_JudgeTimer, 2 - e.countdowns) << n;
    EXPECT_EQ(g_ScreenShake, 4 - e.countdowns) << n;
  }
}

// Stopped timers stay at 0 (their elapsed counts too), the countdowns stop at 0, and the frozen
// flag says that nothing counted.
TEST_F(BattleClock, NothingRunningCountsNothing) {
  g_BattleState[PlayerTimerElapsedIndex(2, 10)] = 5;
  for (int i = 0; i < 3; ++i) TickBattleClock();
  for (int s = 0; s < kBattleStateRows; ++s) {
    EXPECT_EQ(g_BattleState[FreezeTimerIndex(s)], 0);
    for (int t = 0; t < 64; ++t) EXPECT_EQ(g_BattleState[PlayerTimerIndex(s, t)], 0);
  }
  EXPECT_EQ(g_BattleState[PlayerTimerElapsedIndex(2, 10)], 5);
  EXPECT_EQ(g_BgHoldTimer, 0);
  EXPECT_EQ(g_JudgeTimer, 0);
  EXPECT_EQ(g_ScreenShake, 0);
  EXPECT_EQ(g_BattleClockFrozen, 0);
  EXPECT_EQ(g_BattleStepCount, 3);
  EXPECT_EQ(g_FightTime, 3);
}

// Every one of the five rows steps, each timer by one whatever the others do.
TEST_F(BattleClock, EveryRowAndTimerSteps) {
  for (int s = 0; s < kBattleStateRows; ++s) {
    g_BattleState[FreezeTimerIndex(s)] = 2 + s;
    for (int t = 0; t < 64; ++t) g_BattleState[PlayerTimerIndex(s, t)] = 1 + t;
  }
  TickBattleClock();
  for (int s = 0; s < kBattleStateRows; ++s) {
    EXPECT_EQ(g_BattleState[FreezeTimerIndex(s)], 1 + s) << s;
    for (int t = 0; t < 64; ++t) {
      EXPECT_EQ(g_BattleState[PlayerTimerIndex(s, t)], t) << s << " " << t;
      EXPECT_EQ(g_BattleState[PlayerTimerElapsedIndex(s, t)], 1) << s << " " << t;
    }
  }
}

// The stage background reads the hold timer through its seam, the frame conditions the round
// counter through theirs; the clock's words are cleared with the battle counters, the round
// counter only at a match start.
TEST_F(BattleClock, SeamsAndResets) {
  InstallBattleClockSeams();
  g_BgHoldTimer = 180;
  g_RoundCounter = 2;
  EXPECT_EQ(BattleSeamBgHoldTimer(), 180);
  EXPECT_EQ(BattleSeamRoundCounter(), 2);
  g_TrailHidden = g_FightTime = g_BattleStepCount = g_BattleTimeStepped = g_BattleClockFrozen = 9;
  g_JudgeTimer = 9;
  ResetBattleCounters();
  EXPECT_EQ(g_BgHoldTimer, 0);
  EXPECT_EQ(g_TrailHidden, 0);
  EXPECT_EQ(g_JudgeTimer, 0);
  EXPECT_EQ(g_FightTime, 0);
  EXPECT_EQ(g_BattleStepCount, 0);
  EXPECT_EQ(g_BattleTimeStepped, 0);
  EXPECT_EQ(g_BattleClockFrozen, 0);
  EXPECT_EQ(g_RoundCounter, 2);
  ResetBattleClockForMatch();
  EXPECT_EQ(g_RoundCounter, 0);
}

// The clock chains onto the round words installed before it, once however often the wiring
// runs.
TEST_F(BattleClock, RoundWordsChainOnce) {
  static int earlier;
  earlier = 0;
  g_BattleSeams.ResetRoundFlowWords = [] { ++earlier; };
  InstallBattleClockSeams();
  InstallBattleClockSeams();
  g_FightTime = 5;
  ResetBattleCounters();
  EXPECT_EQ(earlier, 1);
  EXPECT_EQ(g_FightTime, 0);
}

}  // namespace
