// The battle clock: one tick per rule (pause, freezes, the lock, the fight time, event timers,
// slow motion, the countdowns, the stepped flag); the round set-up, the battle start's engine
// half and the round step.
#include "battle/battle_clock.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/lib_debug.h"
#include "battle/battle_seams.h"
#include "battle/object_state.h"
#include "battle/particle_pool.h"
#include "battle/partners.h"
#include "battle/round_flow.h"
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

// The stage background reads the hold timer through its seam; the clock's words are cleared with the battle
// counters, the round counter only at a match start.
TEST_F(BattleClock, SeamsAndResets) {
  InstallBattleClockSeams();
  g_BgHoldTimer = 180;
  g_RoundCounter = 2;
  EXPECT_EQ(BattleSeamBgHoldTimer(), 180);
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
  AddRoundWordsReset([] { ++earlier; });
  InstallBattleClockSeams();
  InstallBattleClockSeams();
  g_FightTime = 5;
  ResetBattleCounters();
  EXPECT_EQ(earlier, 1);
  EXPECT_EQ(g_FightTime, 0);
}

// --- the round set-up ----------------------------------------------------------------------

// Two fighters (slots 0 and 1) whose data has a stand (0) and, unless told otherwise, an intro
// (50) of two frames.
class RoundSetup : public BattleClock {
 protected:
  void SetUp() override {
    BattleClock::SetUp();
    battle_test::FrameDef stand;
    stand.duration = 100;
    stand.endAction = 3;
    stand.free = 1;
    withIntro_.Pattern(0, {stand});
    withoutIntro_.Pattern(0, {stand});
    battle_test::FrameDef intro;
    intro.duration = 30;
    withIntro_.Pattern(50, {intro, intro});
    static int calls;
    calls = 0;
    aiResets_ = &calls;
    g_BattleSeams.ResetCpuAiStates = [] { ++calls; };
  }
  void TearDown() override {
    g_AttractDemo = 0;
    g_TimerSpeed = 0;
    BattleClock::TearDown();
  }
  void Place(bool intro) {
    for (int i = 0; i < 2; ++i)
      battle_test::PlaceCharacter(i, intro ? withIntro_.Set() : withoutIntro_.Set(), 5000 * i, 0);
  }
  battle_test::TestFrameData withIntro_, withoutIntro_;
  int* aiResets_ = nullptr;
};

TEST_F(RoundSetup, FightersIntrosLifeAndCircuit) {
  const struct {
    const char* name;
    int32_t roundCounter;
    int32_t mode;
    bool hasIntro;
    int32_t routeExtra;  // the arcade route stage's special entry (-1 none); 0 = no route stage
    int32_t attract;
    int32_t pattern;
    uint8_t introDone;
    int32_t circuit;  // 3000 before the set-up
  } rows[] = {
      {"first round plays the intro", 0, 0x1, true, 0, 0, 50, 0, 10000},
      {"first round without pattern 50", 0, 0x1, false, 0, 0, 0, 1, 10000},
      {"later round: no intro, circuit kept", 1, 0x1, true, 0, 0, 0, 1, 3000},
      {"training: no intro", 0, 0x1010, true, 0, 0, 0, 1, 10000},
      {"arcade stage naming a special entry: no intro", 0, 0x10, true, 7, 0, 0, 1, 10000},
      {"arcade stage without one plays the intro", 0, 0x10, true, -1, 0, 50, 0, 10000},
      {"attract demo: the type's circuit maximum less 1", 0, 0x10, true, 7, 1, 50, 0, 29999},
  };
  for (const auto& r : rows) {
    SetUp();  // a fresh world per row
    g_TypeParams[0].magicCircuitMax = 30000;
    Place(r.hasIntro);
    g_RoundCounter = r.roundCounter;
    g_GameModeFlags = r.mode;
    g_AttractDemo = r.attract;
    if (r.routeExtra != 0) {
      g_StoryBattleRoutes[0].stageCount = 1;
      g_StoryBattleRoutes[0].stages[0].extra = r.routeExtra;
    }
    for (int i = 0; i < 2; ++i) {
      BattleObject& o = g_PlayerRecords[i].obj;
      o.life = 500;
      o.redLife = 700;
      o.circuit = 3000;
      o.gaugeMode = 1;
      o.heatTimer = 40;
      o.koWait = 7;
    }
    InitRound();
    const std::string n = r.name;
    for (int i = 0; i < 2; ++i) {
      const BattleObject& o = g_PlayerRecords[i].obj;
      EXPECT_EQ(o.posX, i == 0 ? -16384 : 16384) << n;
      EXPECT_EQ(o.posY, 0) << n;
      EXPECT_EQ(o.facing, i) << n;
      EXPECT_EQ(o.side, i) << n;
      EXPECT_EQ(o.life, kMaxLife) << n;
      EXPECT_EQ(o.redLife, kMaxLife) << n;
      EXPECT_EQ(o.circuit, r.circuit) << n;
      EXPECT_EQ(o.gaugeMode, 0) << n;
      EXPECT_EQ(o.heatTimer, 0) << n;
      EXPECT_EQ(o.pattern, r.pattern) << n;
      EXPECT_EQ(o.koWait, r.introDone) << n;
      EXPECT_EQ(o.pendingPattern, -1) << n;
    }
    EXPECT_EQ(*aiResets_, 1) << n;
  }
}

TEST_F(RoundSetup, RoundTimeBySpeed) {
  const struct {
    uint8_t speed;
    int32_t time;
  } rows[] = {{0, 9801}, {1, 5940}, {2, 4752}, {3, 3564}, {4, 2673}, {9, 2673}, {255, 2673}};
  const std::string trace = (std::filesystem::current_path() / "clock_trace.txt").string();
  for (const auto& r : rows) {
    Place(false);
    g_TimerSpeed = r.speed;
    std::filesystem::remove(trace);
    vt::SetDebugTraceFile(trace);
    InitRound();
    vt::SetDebugTraceFile("");
    EXPECT_EQ(g_RoundTimer, r.time) << int{r.speed};
    // A speed outside the tables (from a replay or a peer) is taken as 4 at use, with one line;
    // the stored speed is left for the readers that refuse it.
    std::ifstream in(trace);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(lines, r.speed > 4 ? 1 : 0) << int{r.speed};
    EXPECT_EQ(g_TimerSpeed, r.speed);
  }
}

TEST_F(RoundSetup, MatchPointFlags) {
  const struct {
    int32_t wins, needed;
    int32_t flag;
  } rows[] = {{0, 2, 0}, {1, 2, 1}, {0, 1, 1}, {2, 2, 1}, {0, 3, 0}};
  for (const auto& r : rows) {
    Place(false);
    for (int s = 0; s < 2; ++s) {
      g_BattleState[BattleStateIndex::kRoundMarks + 12 * s] = s == 0 ? r.wins : 0;
      g_BattleState[BattleStateIndex::kRoundMarks + 12 * s + 1] = r.needed;
    }
    InitRound();
    EXPECT_EQ(g_BattleState[BattleStateIndex::kMatchPoint0], r.flag) << r.wins << "/" << r.needed;
    EXPECT_EQ(g_BattleState[BattleStateIndex::kMatchPoint0 + 1], r.needed == 1 ? 1 : 0) << r.needed;
  }
}

// The round's globals, the camera at rest following every slot, and both pools emptied (the
// particle pool with its spark count).
TEST_F(RoundSetup, GlobalsCameraAndPools) {
  Place(false);
  g_CommandLock = 0;
  g_BattlePhase = 255;
  g_JudgeState = 4;
  g_Paused = 1;
  g_SlowMotion = 40;
  g_BattleFrame = 900;
  g_CameraX = 7000;
  g_CameraZoom = g_CameraScale = 0.9f;
  for (uint8_t& f : g_CameraFollow) f = 0;
  g_ParticlePool[17].inUse = 1;
  g_ParticlePool[3999].inUse = 1;
  g_SparkCount = 12;
  g_ObjectPool[5].inUse = 1;
  g_PoolHighWater = 6;
  InitRound();
  EXPECT_EQ(g_CommandLock, 2);
  EXPECT_EQ(g_BattlePhase, 0);
  EXPECT_EQ(g_JudgeState, 0);
  EXPECT_EQ(g_Paused, 0);
  EXPECT_EQ(g_SlowMotion, 0);
  EXPECT_EQ(g_BattleFrame, 0u);
  EXPECT_EQ(g_CameraX, 0);
  EXPECT_EQ(g_CameraZoom, 1.0f);
  EXPECT_EQ(g_CameraScale, 1.0f);
  for (uint8_t f : g_CameraFollow) EXPECT_EQ(f, 1);
  EXPECT_EQ(g_ParticlePool[17].inUse, 0);
  EXPECT_EQ(g_ParticlePool[3999].inUse, 0);
  EXPECT_EQ(g_SparkCount, 0);
  EXPECT_EQ(g_ObjectPool[5].inUse, 0);
  EXPECT_EQ(g_PoolHighWater, 0);
}

// A side with a partner links its two bodies and places the partner off to its side; without
// one, a partner slot left in use is taken out of the round.
TEST_F(RoundSetup, Partners) {
  Place(false);
  battle_test::PlaceCharacter(2, withoutIntro_.Set(), 0, 0);
  battle_test::PlaceCharacter(3, withoutIntro_.Set(), 0, 1);
  g_PlayerRecords[2].obj.life = 100;
  g_SideStatus[0].hasPartner = 1;
  g_SideStatus[1].hasPartner = 0;
  InitRound();
  const BattleObject& a = g_PlayerRecords[0].obj;
  const BattleObject& p = g_PlayerRecords[2].obj;
  EXPECT_EQ(a.partner, &g_PlayerRecords[2].obj);
  EXPECT_EQ(p.partner, &g_PlayerRecords[0].obj);
  EXPECT_EQ(g_PlayerRecords[2].inUse, 1);
  EXPECT_EQ(p.posX, -29184);
  EXPECT_EQ(p.life, kMaxLife);
  EXPECT_EQ(p.partnerState, 1);
  EXPECT_EQ(p.side, 0);
  EXPECT_EQ(g_PlayerRecords[1].obj.partner, nullptr);
  EXPECT_EQ(g_PlayerRecords[3].inUse, 0);
}

// The four-player layout (bit 0x200, which only the network menu's mode word carries): every
// slot in use is set up as a fighter of its own at its start position, facing by its side, and
// no partner link is made or slot taken out.
TEST_F(RoundSetup, FourPlayerLayout) {
  Place(false);
  battle_test::PlaceCharacter(2, withoutIntro_.Set(), 0, 0);
  battle_test::PlaceCharacter(3, withoutIntro_.Set(), 0, 0);
  g_SideStatus[0].hasPartner = 1;
  g_SideStatus[1].hasPartner = 0;
  g_GameModeFlags = kFourPlayerFlag;
  InitRound();
  g_GameModeFlags = 0;
  for (int i = 0; i < 4; ++i) {
    const BattleObject& o = g_PlayerRecords[i].obj;
    EXPECT_EQ(g_PlayerRecords[i].inUse, 1) << i;
    EXPECT_EQ(o.posX, kRoundStartX[i]) << i;
    EXPECT_EQ(o.side, i & 1) << i;
    EXPECT_EQ(o.facing, i & 1) << i;
    EXPECT_EQ(o.partner, nullptr) << i;
    EXPECT_EQ(o.partnerState, 0) << i;
  }
}

// The fighters-free start: no intro, commands free and the round fighting from the first frame.
TEST_F(RoundSetup, FightersFree) {
  Place(true);
  InitRound(RoundStart::kFightersFree);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(g_PlayerRecords[i].obj.pattern, 0);
    EXPECT_EQ(g_PlayerRecords[i].obj.koWait, 1);
  }
  EXPECT_EQ(g_CommandLock, 0);
  EXPECT_EQ(g_BattlePhase, 255);
}

// The round step: nothing until a round has finished; then the counter goes round modulo 9 (the
// tenth round repeats the first round's set-up) and the engine half sets up the next round.
TEST_F(RoundSetup, StartNextRound) {
  Place(false);
  g_RoundRestart = 0;
  g_PlayerRecords[0].obj.posX = 1234;
  EXPECT_EQ(StartNextRound(), 0);
  EXPECT_EQ(g_RoundCounter, 0);
  EXPECT_EQ(g_PlayerRecords[0].obj.posX, 1234);
  EXPECT_EQ(*aiResets_, 0);
  for (int32_t counter : {0, 7, 8}) {
    g_RoundCounter = counter;
    g_RoundRestart = 255;
    g_PlayerRecords[0].obj.circuit = 3000;
    g_PlayerRecords[0].obj.life = 10;
    g_CommandLock = 0;
    *aiResets_ = 0;
    EXPECT_EQ(StartNextRound(), 1);
    EXPECT_EQ(g_RoundCounter, (counter + 1) % 9);
    EXPECT_EQ(g_RoundRestart, 0);
    EXPECT_EQ(g_PlayerRecords[0].obj.posX, -16384);
    EXPECT_EQ(g_PlayerRecords[0].obj.life, kMaxLife);
    EXPECT_EQ(g_PlayerRecords[0].obj.circuit, counter == 8 ? 10000 : 3000) << counter;
    EXPECT_EQ(g_CommandLock, 2);
    // The engine half: the CPU states at the battle start and again in the round set-up.
    EXPECT_EQ(*aiResets_, 2);
    EXPECT_EQ(g_InBattleUpdate, 1) << "the warm-up frames ran";
  }
}

}  // namespace
