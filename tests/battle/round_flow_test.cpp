// The round flow and the judge: the phases a round walks through from its fade-in to the fight,
// the judge's states from each kind of ending to the match outcome, the round clock's stops,
// the round marks and the arcade bonus. The calls and particles are driven by hand: the spawns
// are recorded through their seams and the calls' done flags set as the calls would.
#include "battle/round_flow.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/input/app_joystick.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/character_draw.h"
#include "battle/game_mode.h"
#include "battle/hit_resolution.h"
#include "battle/round_calls.h"
#include "battle/screen_break.h"
#include "battle/story_routes.h"

namespace {

using battle_test::FrameDef;
using battle_test::PlaceCharacter;
using battle_test::TestFrameData;

struct Spawn {
  int code;
  int32_t p2, p3;
};

// What the seams were asked during a run.
struct Recorder {
  std::vector<Spawn> calls;  // SpawnCallEffect
  std::vector<Spawn> marks;  // particle effect 300: side, slot
  int replayRoundStarts = 0;
  int storyEnds = 0;
  int winnerCalls = 0;
  std::vector<int> creditLocks;
  int loadStory = 0;              // LoadStoryScript's answer
  std::vector<int> storyResults;  // RunStoryScript's answers, in turn (then 0)
  size_t storyCalls = 0;
  int replayMode = 0;
  int extraRoute = 0;
  int routeCharacter = -1;
};
Recorder* g_Rec = nullptr;

void InstallRecorders(Recorder& r) {
  g_Rec = &r;
  BattleSeams& s = g_BattleSeams;
  s.SpawnCallEffect = [](int code, const int32_t* b, int) {
    g_Rec->calls.push_back({code, b[2], b[3]});
    // The calls start with their done flags clear, as the particles' starts leave them.
    if (code == 255) g_KoCall.done = 0;
  };
  s.SpawnParticleEffect = [](int number, const int32_t* b, int, BattleObject*) {
    if (number == 300) g_Rec->marks.push_back({number, b[0], b[1]});
  };
  s.ReplayRoundStart = [] { ++g_Rec->replayRoundStarts; };
  s.EndStoryScript = [] { ++g_Rec->storyEnds; };
  s.StartWinnerCall = [] { ++g_Rec->winnerCalls; };
  s.SetCreditLocks = [](int on) {
    if (g_Rec->creditLocks.empty() || g_Rec->creditLocks.back() != on) g_Rec->creditLocks.push_back(on);
  };
  s.LoadStoryScript = [] { return g_Rec->loadStory; };
  s.RunStoryScript = [] {
    const size_t i = g_Rec->storyCalls++;
    return i < g_Rec->storyResults.size() ? g_Rec->storyResults[i] : 0;
  };
  s.ReplayMode = [] { return g_Rec->replayMode; };
  s.MainRouteStage = MainRouteStage;
  s.RouteCharacter = [](int) { return g_Rec->routeCharacter; };
  s.IsArcadeExtraRoute = [] { return g_Rec->extraRoute; };
}

// A character with an intro (50), a win pose (52) and a lose pose (248).
TestFrameData& Poser() {
  static TestFrameData* data = [] {
    auto* d = new TestFrameData;
    FrameDef free;
    free.free = 1;
    d->Pattern(0, {free});
    d->Pattern(50, {FrameDef{}});
    d->Pattern(52, {FrameDef{}});
    d->Pattern(248, {FrameDef{}});
    return d;
  }();
  return *data;
}

class RoundFlowTest : public battle_test::BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    rec = Recorder{};
    poseFrames = 20;
    koCallFrames = 30;
    ResetRoundFlowState();
    g_RoundCallDone = 0;
    g_KoCall = KoCallState{};
    InstallRecorders(rec);
    for (int side = 0; side < 2; ++side) {
      BattleObject& o = PlaceCharacter(side, Poser().Set(), side == 0 ? -16384 : 16384, side);
      o.pendingPattern = o.pendingPriority = -1;
      o.pendingFrame = o.pendingFramePriority = -1;
      o.koWait = 1;
      o.charaIndex = static_cast<uint8_t>(10 + side);
    }
    for (int side = 0; side < 2; ++side) g_SideStatus[side].activePlayer = side;
    g_RoundsToWin = 2;
    for (int side = 0; side < 2; ++side) RoundMarks(side)[1] = 2;
    g_TimerSpeed = 2;
    g_RoundTimer = 99 * 48;
    g_CommandLock = 2;
  }
  void TearDown() override {
    ResetRoundFlowState();
    // The match settings and the clock's counters this file sets, back to program start.
    g_TimerSpeed = 0;
    g_MatchStageByte = 0;
    g_FightTime = 0;
    g_RoundCounter = 0;
    g_TrailHidden = 0;
    g_JudgeTimer = 0;
    g_KoCall = KoCallState{};
    g_Rec = nullptr;
    BattleTest::TearDown();
  }

  BattleObject& P(int slot) { return g_PlayerRecords[slot].obj; }

  // Runs the round flow until the phase is 255 (or the frame limit); the phase sequence.
  std::vector<int> RunFlow(int limit = 4000) {
    std::vector<int> seq{g_BattlePhase};
    for (int f = 0; f < limit && g_BattlePhase != 255; ++f) {
      RoundFlow();
      if (g_BattlePhase != seq.back()) seq.push_back(g_BattlePhase);
    }
    return seq;
  }

  // Runs the judge with the battle around it reduced to what it waits for: the judge timer
  // counts down as the clock does, queued patterns are taken by the next step, a pose plays
  // for `poseFrames` and returns to pattern 0, the knock-out call ends `koCallFrames` after its
  // start. Stops once the judge has told the battle how the round ended. The state sequence.
  std::vector<int> RunJudge(int limit = 5000) {
    std::vector<int> seq{g_JudgeState};
    int poseLeft[kPlayerSlots] = {};
    int koLeft = -1;
    size_t seenCalls = 0;
    for (int f = 0; f < limit && g_RoundRestart == 0; ++f) {
      if (g_JudgeTimer > 0) --g_JudgeTimer;
      JudgeRound();
      if (g_JudgeState != seq.back()) seq.push_back(g_JudgeState);
      for (; seenCalls < rec.calls.size(); ++seenCalls)
        if (rec.calls[seenCalls].code == 255) koLeft = koCallFrames;
      if (koLeft >= 0 && koLeft-- == 0) g_KoCall.done = 1;
      for (int slot = 0; slot < kPlayerSlots; ++slot) {
        BattleObject& o = P(slot);
        if (!g_PlayerRecords[slot].inUse) continue;
        if (o.pendingPattern >= 0) {
          o.pattern = o.pendingPattern;
          o.pendingPattern = o.pendingPriority = -1;
          poseLeft[slot] = poseFrames;
        } else if (o.pattern != 0 && poseLeft[slot] > 0 && --poseLeft[slot] == 0) {
          o.pattern = 0;
        }
      }
    }
    return seq;
  }

  void KnockOut(int slot, int finishKind = 3) {
    P(slot).finishKind = static_cast<uint8_t>(finishKind);
    P(slot).life = 0;
    P(slot).patternHold |= 0x10;  // the knock-out fall ends posed (effect 6/255)
  }

  Recorder rec;
  int poseFrames = 20;
  int koCallFrames = 30;
};

// ---- the round flow ----

TEST_F(RoundFlowTest, FadeCompletesOnItsFortyFirstStepInFloat32) {
  g_BattlePhase = 255;
  ResetScreenBreakEffect();
  float after40 = 0.0f;
  int steps = 0;
  while (g_RoundFade < 1.0f && steps < 100) {
    // Paused and slow-motion skip frames hold both the fade and the break-up.
    const float fade = g_RoundFade, breakUp = ScreenBreakProgress();
    g_Paused = 1;
    RoundFlow();
    g_Paused = 0;
    g_SlowMotion = 5;
    g_BattleFrame = 1;
    RoundFlow();
    g_SlowMotion = 0;
    EXPECT_EQ(g_RoundFade, fade);
    EXPECT_EQ(ScreenBreakProgress(), breakUp);
    RoundFlow();
    if (++steps == 40) after40 = g_RoundFade;
    EXPECT_EQ(ScreenBreakProgress(), g_RoundFade);
  }
  EXPECT_EQ(steps, 41);
  EXPECT_EQ(ScreenBreakProgress(), 1.0f);
  EXPECT_LT(after40, 1.0f);
  EXPECT_FLOAT_EQ(after40, 0.9999996f);
  EXPECT_EQ(g_RoundFade, 1.0f);
  // While it grew the credit locks were held; once inputs are free they are let go.
  g_CommandLock = 0;
  RoundFlow();
  EXPECT_EQ(rec.creditLocks, (std::vector<int>{1, 0}));
}

TEST_F(RoundFlowTest, PhaseSequences) {
  const struct Case {
    const char* name;
    int32_t mode;
    int replay;
    int loadStory;
    std::vector<int> storyResults;
    std::vector<int> phases;
    int callCode;
    int replayStarts;
    int storyEnds;
    uint8_t lock;
  } cases[] = {
      {"versus: intros done, round call", 0x1, 0, 0, {}, {0, 1, 2, 255}, 256, 0, 0, 1},
      {"training: fight call at once", 0x1010, 0, 0, {}, {0, 1, 5, 255}, 253, 0, 0, 0},
      {"replay: restart and replay round start", 0x1, 1, 0, {}, {0, 1, 99, 12, 2, 255}, 256, 1, 0, 1},
      {"arcade story text that fails to load", 0x10, 0, 0, {}, {0, 250, 2, 255}, 256, 0, 0, 1},
      {"arcade story ending with a wipe in",
       0x10,
       0,
       1,
       {0, 0, 256},
       {0, 250, 251, 100, 2, 255},
       256,
       0,
       1,
       1},
      {"arcade story ending with a wipe out",
       0x10,
       0,
       1,
       {0, 255},
       {0, 250, 251, 101, 100, 2, 255},
       256,
       0,
       1,
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    g_GameModeFlags = c.mode;
    rec.replayMode = c.replay;
    rec.loadStory = c.loadStory;
    rec.storyResults = c.storyResults;
    StoryBattleRoute& route = g_StoryBattleRoutes[0];
    route.stageCount = 1;
    route.stages[0].textNumber = 0;
    EXPECT_EQ(RunFlow(), c.phases);
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0].code, c.callCode);
    EXPECT_EQ(rec.replayRoundStarts, c.replayStarts);
    EXPECT_EQ(rec.storyEnds, c.storyEnds);
    EXPECT_EQ(g_CommandLock, c.lock);
    TearDown();
  }
}

TEST_F(RoundFlowTest, RoundCallCarriesTheRoundIndexPlusOneOrZeroInTheFinalRound) {
  const struct {
    int32_t counter, finalRound, value;
  } cases[] = {{0, 0, 1}, {1, 0, 2}, {2, 1, 3}, {2, 255, 0}};
  for (const auto& c : cases) {
    SetUp();
    g_RoundCounter = c.counter;
    g_FinalRound = c.finalRound;
    RunFlow();
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0].code, 256);
    EXPECT_EQ(rec.calls[0].p2, c.value) << c.counter << " " << c.finalRound;
    TearDown();
  }
  g_RoundCounter = 0;
}

TEST_F(RoundFlowTest, IntroWaitEndsOnTheIntroByteOnPatternZeroOrAfterTheCap) {
  const struct {
    const char* name;
    int32_t pattern;
    uint8_t koWait;
    int framesToFight;  // frames from the first step to the fight call's phase 2
  } cases[] = {
      {"intro byte set", 50, 1, 41},
      {"back in pattern 0 without the byte", 0, 0, 41},
      {"stuck in the intro: the capped wait ends it", 50, 0, 40 + kMaxRoundWaitFrames},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    P(1).pattern = c.pattern;
    P(1).koWait = c.koWait;
    int frames = 0;
    while (g_BattlePhase != 2 && frames < 5000) {
      RoundFlow();
      ++frames;
    }
    EXPECT_EQ(frames, c.framesToFight);
    TearDown();
  }
}

TEST_F(RoundFlowTest, PressDuringTheIntroWipesOutAndInBeforeTheFight) {
  CAppJoystick joy;
  CAppJoystick* previous = g_AppJoystick;
  g_AppJoystick = &joy;
  P(1).pattern = 50;
  P(1).koWait = 0;  // the intro still plays
  P(1).posX = 5000;
  RoundFlow();  // phase 0
  joy.menuBank[0].button[0] = PadState::kPressed | PadState::kHeld;
  RoundFlow();
  joy.menuBank[0].button[0] = PadState::kHeld;
  EXPECT_EQ(g_BattlePhase, 101);
  std::vector<int> seq = {1, 101};
  for (int f = 0; f < 200 && g_BattlePhase != 255; ++f) {
    RoundFlow();
    if (g_BattlePhase != seq.back()) seq.push_back(g_BattlePhase);
  }
  EXPECT_EQ(seq, (std::vector<int>{1, 101, 100, 2, 255}));
  // The wipe in put everyone back at the start.
  EXPECT_EQ(P(1).posX, 16384);
  EXPECT_EQ(P(0).posX, -16384);
  EXPECT_EQ(rec.creditLocks.front(), 1);
  g_AppJoystick = previous;
}

// ---- the round clock ----

TEST_F(RoundFlowTest, RoundTimerStops) {
  const struct {
    const char* name;
    uint8_t speed;
    uint8_t paused;
    int32_t freeze;
    uint8_t lock;
    uint8_t judge;
    uint8_t heat;
    bool runs;
  } cases[] = {
      {"runs", 2, 0, 0, 0, 0, 0, true},
      {"speed 0 is infinite", 0, 0, 0, 0, 0, 0, false},
      {"speed past 4 reads as 4", 9, 0, 0, 0, 0, 0, true},
      {"paused", 2, 1, 0, 0, 0, 0, false},
      {"frozen", 2, 0, 5, 0, 0, 0, false},
      {"inputs locked", 2, 0, 0, 1, 0, 0, false},
      {"decided", 2, 0, 0, 0, 199, 0, false},
      {"heat mode 1", 2, 0, 0, 0, 0, 1, false},
      {"heat mode 2 does not stop it", 2, 0, 0, 0, 0, 2, true},
      {"heat mode 3", 2, 0, 0, 0, 0, 3, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    P(0).gaugeMode = c.heat;
    if ((c.heat == 1 || c.heat == 3) && g_JudgeState == 0 && IsAnyHeatActive() == 0) {
      // The heat test belongs to the character draw; without it there is nothing to stop on.
      continue;
    }
    g_TimerSpeed = c.speed;
    g_Paused = c.paused;
    g_GlobalFreeze = c.freeze;
    g_CommandLock = c.lock;
    g_JudgeState = c.judge;
    g_RoundTimer = 100;
    RoundTimerTick();
    EXPECT_EQ(g_RoundTimer, c.runs ? 99 : 100);
    g_JudgeState = 0;
    g_Paused = 0;
    g_GlobalFreeze = 0;
  }
  // It stops at 0.
  g_TimerSpeed = 1;
  g_CommandLock = 0;
  P(0).gaugeMode = 0;
  g_RoundTimer = 0;
  RoundTimerTick();
  EXPECT_EQ(g_RoundTimer, 0);
}

// ---- the judge ----

TEST_F(RoundFlowTest, KnockOutWalksToTheNextRound) {
  g_BattlePhase = 255;
  g_CommandLock = 0;
  g_LastFinishKind = 3;
  KnockOut(1);
  EXPECT_EQ(RunJudge(), (std::vector<int>{0, 199, 2, 4, 250, 251, 252, 253, 255}));
  ASSERT_EQ(rec.calls.size(), 1u);
  EXPECT_EQ(rec.calls[0].code, 255);
  EXPECT_EQ(rec.calls[0].p2, 3);
  EXPECT_EQ(rec.calls[0].p3, 1);  // side 0 ends at full life: perfect
  EXPECT_EQ(g_RoundWinner, 0);
  EXPECT_EQ(g_RoundResultKind, 0);
  EXPECT_EQ(RoundMarks(0)[0], 1);
  EXPECT_EQ(RoundMarks(0)[2], 0);  // the judge settled the new mark at the round's end
  EXPECT_EQ(RoundMarks(1)[0], 0);
  ASSERT_EQ(rec.marks.size(), 1u);
  EXPECT_EQ(rec.marks[0].p2, 0);
  EXPECT_EQ(rec.marks[0].p3, 0);
  EXPECT_EQ(g_RoundRestart, 255);
  EXPECT_EQ(g_TrailHidden, 60);
  EXPECT_EQ(P(1).patternHold & 0x01, 0x01);
  EXPECT_EQ(P(1).noCommand, 1);
  EXPECT_EQ(rec.winnerCalls, 1);
}

TEST_F(RoundFlowTest, EndingsTable) {
  const struct Case {
    const char* name;
    int ko0, ko1;          // finish kinds (0 standing)
    int32_t life0, life1;  // for time over
    bool timeOver;
    int32_t lastFinish;
    int mp0, mp1;
    int32_t finalRound;
    int32_t mode;
    std::vector<int> states;
    int callKind, callArg;
    uint8_t winner;
    int32_t resultKind;
    int marks0, marks1;
    int32_t finalAfter;
    uint8_t restart;
  } cases[] = {
      {"special finish",
       0,
       20,
       0,
       0,
       false,
       20,
       0,
       0,
       0,
       0x1,
       {0, 199, 2, 4, 250, 251, 252, 253, 255},
       20,
       1,
       0,
       1,
       1,
       0,
       0,
       255},
      {"double knock-out: marks for the side not at match point",
       3,
       3,
       0,
       0,
       false,
       3,
       1,
       0,
       0,
       0x1,
       {0, 199, 2, 4, 250, 251, 252, 253, 255},
       6,
       0,
       255,
       0,
       0,
       1,
       0,
       255},
      {"time over won on life",
       0,
       0,
       9000,
       8000,
       true,
       3,
       0,
       0,
       0,
       0x1,
       {0, 199, 250, 99, 100, 101, 105, 120, 251, 252, 253, 255},
       99,
       0,
       0,
       2,
       1,
       0,
       0,
       255},
      {"time over drawn",
       0,
       0,
       8000,
       8000,
       true,
       3,
       0,
       0,
       0,
       0x1,
       {0, 199, 250, 99, 110, 120, 251, 252, 253, 255},
       99,
       2,
       255,
       2,
       1,
       1,
       0,
       255},
      {"draw at double match point: the next round is final", 0,  0, 8000, 8000, true, 3, 1,   1,  0, 0x1,
       {0, 199, 250, 99, 110, 120, 251, 252, 253, 255},       99, 2, 255,  2,    0,    0, 255, 255},
      {"final-round draw in versus: drawn match",
       0,
       0,
       8000,
       8000,
       true,
       3,
       1,
       1,
       255,
       0x1,
       {0, 199, 250, 99, 110, 120, 251, 252, 253, 255, 200},
       99,
       2,
       255,
       2,
       0,
       0,
       255,
       2},
      {"final-round draw in arcade: the main side's opponent wins",
       0,
       0,
       8000,
       8000,
       true,
       3,
       1,
       1,
       255,
       0x10,
       {0, 199, 250, 99, 110, 120, 251, 252, 253, 255, 200},
       99,
       2,
       255,
       2,
       0,
       0,
       255,
       1},
      {"knock-out at match point ends the match",    0, 3, 0, 0, false, 3, 1, 0, 0, 0x1,
       {0, 199, 2, 4, 250, 251, 252, 253, 255, 200}, 3, 1, 0, 0, 1,     0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    g_GameModeFlags = c.mode;
    g_BattlePhase = 255;
    g_CommandLock = 0;
    g_LastFinishKind = c.lastFinish;
    g_BattleState[BattleStateIndex::kMatchPoint0] = c.mp0;
    g_BattleState[BattleStateIndex::kMatchPoint0 + 1] = c.mp1;
    RoundMarks(0)[0] = c.mp0;
    RoundMarks(1)[0] = c.mp1;
    g_FinalRound = c.finalRound;
    if (c.ko0) KnockOut(0, c.ko0);
    if (c.ko1) KnockOut(1, c.ko1);
    if (c.timeOver) {
      g_RoundTimer = 0;
      P(0).life = c.life0;
      P(1).life = c.life1;
    }
    EXPECT_EQ(RunJudge(), c.states);
    ASSERT_FALSE(rec.calls.empty());
    EXPECT_EQ(rec.calls[0].code, 255);
    EXPECT_EQ(rec.calls[0].p2, c.callKind);
    EXPECT_EQ(rec.calls[0].p3, c.callArg);
    EXPECT_EQ(g_RoundWinner, c.winner);
    EXPECT_EQ(g_RoundResultKind, c.resultKind);
    EXPECT_EQ(RoundMarks(0)[0] - c.mp0, c.marks0);
    EXPECT_EQ(RoundMarks(1)[0] - c.mp1, c.marks1);
    EXPECT_EQ(g_FinalRound, c.finalAfter);
    EXPECT_EQ(g_RoundRestart, c.restart);
    // The judge counts the won round on the winner's side, and a time over first adds each
    // active character's remaining life to its side's total.
    for (int side = 0; side < 2; ++side) {
      EXPECT_EQ(g_SideStatus[side].roundsWon, c.winner == side ? 1 : 0) << "side " << side;
      EXPECT_EQ(g_SideStatus[side].lifeTotal, c.timeOver ? (side == 0 ? c.life0 : c.life1) : 0)
          << "side " << side;
    }
    TearDown();
  }
}

TEST_F(RoundFlowTest, FinalRoundDrawInArcadeRecordsTheOpponentAsWinner) {
  g_GameModeFlags = 0x10;
  g_FinalRound = 255;
  g_RoundTimer = 0;
  P(0).life = P(1).life = 5000;
  g_BattlePhase = 255;
  g_CommandLock = 0;
  RunJudge();
  EXPECT_EQ(g_MatchWinnerSide, 1);
  EXPECT_EQ(g_WinnerCharacter, 11);
  EXPECT_EQ(g_LoserCharacter, 10);
  EXPECT_EQ(g_MainSideLost, 1);
}

TEST_F(RoundFlowTest, PoseWaitThatNeverEndsGivesUpAfterTheCap) {
  g_BattlePhase = 255;
  g_CommandLock = 0;
  KnockOut(1);
  poseFrames = 1000000;  // the win pose never returns to pattern 0
  const std::vector<int> seq = RunJudge(3000);
  EXPECT_EQ(seq, (std::vector<int>{0, 199, 2, 4, 250, 251, 252, 253, 255}));
  EXPECT_EQ(P(0).pattern, 52);
  EXPECT_EQ(g_RoundRestart, 255);
}

TEST_F(RoundFlowTest, ArcadeOutcomesFromTheRouteStageFlags) {
  const struct {
    int32_t flags;
    uint8_t restart;
  } cases[] = {{0x2, 3}, {0x4, 13}, {0x8, 14}, {0x0, 1}};
  for (const auto& c : cases) {
    SetUp();
    g_GameModeFlags = 0x10;
    StoryBattleRoute& route = g_StoryBattleRoutes[0];
    route.stageCount = 2;
    route.stages[0].flags = c.flags;
    g_BattleState[BattleStateIndex::kMatchPoint0] = 1;
    RoundMarks(0)[0] = 1;
    g_BattlePhase = 255;
    g_CommandLock = 0;
    KnockOut(1);
    RunJudge();
    EXPECT_EQ(g_RoundRestart, c.restart) << c.flags;
    // Stage flags 0xE end the route with the black (or, with 0x4, white) end flash.
    EXPECT_EQ(g_ScreenFlashAlpha, (c.flags & 0xE) ? 255 : 0) << c.flags;
    if (c.flags & 0xE) {
      EXPECT_EQ(g_ScreenFlashMode, (c.flags & 0x4) ? 2 : 1) << c.flags;
    }
    // The main side won in arcade: the round bonus went to its score.
    EXPECT_GT(g_SideStatus[0].score, 0) << c.flags;
    EXPECT_EQ(g_SideStatus[0].score, g_RoundBonus[4]) << c.flags;
    TearDown();
  }
}

TEST_F(RoundFlowTest, BossIntrusionCutsTheJudgeShort) {
  g_GameModeFlags = 0x10;
  StoryBattleRoute& route = g_StoryBattleRoutes[0];
  route.stageCount = 2;
  route.stages[0].flags = 0x400;
  g_BattleState[BattleStateIndex::kMatchPoint0] = 1;
  RoundMarks(0)[0] = 1;
  g_BattlePhase = 255;
  g_CommandLock = 0;
  KnockOut(1);
  const std::vector<int> seq = RunJudge();
  EXPECT_EQ(seq, (std::vector<int>{0, 220, 252, 253, 255, 200}));
  EXPECT_EQ(g_JudgeAbort, 1);
  EXPECT_EQ(RoundMarks(0)[0], 2);
  EXPECT_EQ(rec.winnerCalls, 0);  // no winner call after an intrusion
  EXPECT_EQ(g_RoundRestart, 13);
  // Not at match point: the round is judged as usual.
  SetUp();
  g_GameModeFlags = 0x10;
  g_StoryBattleRoutes[0].stageCount = 2;
  g_StoryBattleRoutes[0].stages[0].flags = 0x400;
  g_BattlePhase = 255;
  g_CommandLock = 0;
  KnockOut(1);
  EXPECT_EQ(RunJudge()[1], 199);
  EXPECT_EQ(g_JudgeAbort, 0);
}

TEST_F(RoundFlowTest, AttractDemoMatchEndsWithOutcomeOne) {
  g_AttractDemo = 1;
  g_BattlePhase = 255;
  g_CommandLock = 0;
  KnockOut(1);
  RunJudge();
  EXPECT_EQ(g_RoundRestart, 1);
  // The demo leaves the credit locks alone.
  EXPECT_TRUE(rec.creditLocks.empty());
}

// ---- marks and bonus ----

TEST_F(RoundFlowTest, MarkSlotIsCappedAtNineAndSettlingClearsTheNewMark) {
  g_RoundWinner = 1;
  g_RoundResultKind = 2;
  RoundMarks(1)[0] = 12;
  AddRoundMarks();
  EXPECT_EQ(RoundMarks(1)[0], 13);
  EXPECT_EQ(RoundMarks(1)[11], 102);
  ASSERT_EQ(rec.marks.size(), 1u);
  EXPECT_EQ(rec.marks[0].p2, 1);
  EXPECT_EQ(rec.marks[0].p3, 9);
  SettleSideMarks(1);
  EXPECT_EQ(RoundMarks(1)[11], 2);
  SettleSideMarks(1);
  EXPECT_EQ(RoundMarks(1)[11], 2);  // settled marks stay
  // Training gives no marks.
  g_GameModeFlags = MODE_TRAINING;
  AddRoundMarks();
  EXPECT_EQ(RoundMarks(1)[0], 13);
}

TEST(RoundBonus, ComboBonusKeptAsTheTableReads) {
  const struct {
    int32_t hits, bonus;
  } cases[] = {{-3, 0},   {0, 0},    {1, 666},   {2, 100},     {4, 201},
               {89, 769}, {90, 891}, {150, 951}, {20000, 9999}};
  for (const auto& c : cases) EXPECT_EQ(ComboBonus(c.hits), c.bonus) << c.hits;
}

TEST(RoundBonus, TimeBonusHoldsGToZeroToOne) {
  const struct {
    int32_t elapsed, bonus;
  } cases[] = {{0, 1000}, {3000, 250}, {5999, 1},      {6000, 1},
               {6001, 1}, {12000, 1},  {INT32_MAX, 1}, {-600, 1000}};
  for (const auto& c : cases) EXPECT_EQ(TimeBonus(c.elapsed), c.bonus) << c.elapsed;
}

TEST_F(RoundFlowTest, RoundBonusOnlyForTheMainSideInArcadeOrTeam) {
  const struct {
    int32_t mode;
    uint8_t winner;
    int32_t finalRound;
    int filled;
  } cases[] = {{0x10, 0, 0, 1}, {0x30, 0, 0, 1}, {0x10, 1, 0, 0}, {0x1, 0, 0, 0}, {0x10, 0, 255, 0}};
  for (const auto& c : cases) {
    g_GameModeFlags = c.mode;
    g_RoundWinner = c.winner;
    g_FinalRound = c.finalRound;
    g_FightTime = 3000;
    g_SideStatus[0].bestCombo = 90;
    g_StoryBattleRoutes[0].stageIndex = 7;
    P(0).life = g_MaxLife;
    EXPECT_EQ(ComputeRoundBonus(), c.filled);
    if (c.filled) {
      EXPECT_EQ(g_RoundBonus[0], 600);
      EXPECT_EQ(g_RoundBonus[1], 300);  // (7 / 2 + 3) x 50
      EXPECT_EQ(g_RoundBonus[2], 250);
      EXPECT_EQ(g_RoundBonus[3], 891);
      EXPECT_EQ(g_RoundBonus[4], 2041);
    } else {
      for (int32_t b : g_RoundBonus) EXPECT_EQ(b, 0);
    }
  }
  // Half life, no perfect bonus; the stage index caps the perfect bonus at 13 x 50.
  g_GameModeFlags = 0x10;
  g_RoundWinner = 0;
  g_FinalRound = 0;
  P(0).life = g_MaxLife / 2;
  ComputeRoundBonus();
  EXPECT_EQ(g_RoundBonus[0], 300);
  EXPECT_EQ(g_RoundBonus[1], 0);
  P(0).life = g_MaxLife;
  g_StoryBattleRoutes[0].stageIndex = 40;
  ComputeRoundBonus();
  EXPECT_EQ(g_RoundBonus[1], 650);
  g_FightTime = 0;
}

TEST_F(RoundFlowTest, MatchDecidedByMatchPointAndTheFinalRound) {
  const struct {
    int side;
    int mp;
    int32_t finalRound;
    int result;
  } cases[] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {1, 0, 255, 1}, {255, 0, 0, 0}, {255, 1, 255, -1}, {255, 0, 1, 0}};
  for (const auto& c : cases) {
    g_BattleState[BattleStateIndex::kMatchPoint0] = c.mp;
    g_BattleState[BattleStateIndex::kMatchPoint0 + 1] = c.mp;
    g_FinalRound = c.finalRound;
    EXPECT_EQ(MatchDecidedBy(c.side), c.result) << c.side << " " << c.mp << " " << c.finalRound;
  }
}

// ---- drawing, seams and the state hash ----

GrpDrawList* g_FlashList = nullptr;

TEST_F(RoundFlowTest, ScreenFlashColours) {
  GrpDrawList list;
  CreateDrawList(&list, 1600, 8);
  g_FlashList = &list;
  g_BattleDrawSeams.DrawList = [] { return g_FlashList; };
  const struct {
    const char* name;
    int32_t mode, alpha;
    int drawn;
    uint32_t colour;
  } cases[] = {
      {"nothing at alpha 0", 1, 0, 0, 0},
      {"black", 1, 100, 1, 0x64000000u},
      {"white", 2, 100, 1, 0x64FFFFFFu},
      {"pulse rising: twice the alpha", 100, 100, 1, 0xC8FFFFFFu},
      {"pulse falling past 255", 100, 200, 1, 0x6FFFFFFFu},
      {"pulse at the end", 100, 255, 1, 0x01FFFFFFu},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetDrawList(&list);
    g_ScreenFlashMode = c.mode;
    g_ScreenFlashAlpha = c.alpha;
    DrawScreenFlash();
    int drawn = 0;
    for (GrpDrawCommand* q = list.slots[1022].next; q && q->kind != kDrawKindHead; q = q->next) {
      ++drawn;
      EXPECT_EQ(q->v[0].diffuse, c.colour);
      EXPECT_EQ(q->v[3].diffuse, c.colour);
      EXPECT_FLOAT_EQ(q->v[3].x - q->v[0].x, 640.0f);
      EXPECT_FLOAT_EQ(q->v[3].y - q->v[0].y, 480.0f);
    }
    EXPECT_EQ(drawn, c.drawn);
  }
  // A headless run queues nothing.
  ResetDrawList(&list);
  g_BattleDrawSubmit = false;
  DrawScreenFlash();
  EXPECT_EQ(list.slots[1022].next == nullptr || list.slots[1022].next->kind == kDrawKindHead, true);
  g_BattleDrawSubmit = true;
  g_BattleDrawSeams.DrawList = nullptr;
  DestroyDrawList(&list);
}

int g_OtherWordsCleared = 0;

TEST_F(RoundFlowTest, InstalledSeamsAndTheChainedRoundWords) {
  // Another module's round words were installed first: both are cleared, once each, however often
  // the rules are installed.
  g_OtherWordsCleared = 0;
  AddRoundWordsReset([] { ++g_OtherWordsCleared; });
  InstallRoundFlowSeams();
  InstallRoundFlowSeams();
  g_RoundFade = 0.5f;
  g_SkipLatched = 1;
  g_RoundFlowWords.wipeStep = 7;
  BattleSeamResetRoundFlowWords();
  EXPECT_EQ(g_OtherWordsCleared, 1);
  EXPECT_EQ(g_RoundFade, 0.0f);
  EXPECT_EQ(g_SkipLatched, 0);
  EXPECT_EQ(g_RoundFlowWords.wipeStep, 0);

  EXPECT_EQ(g_BattleSeams.RoundFlow, &RoundFlow);
  EXPECT_EQ(g_BattleSeams.JudgeRound, &JudgeRound);
  EXPECT_EQ(g_BattleSeams.DrawScreenFlash, &DrawScreenFlash);
  // A round-end mark: a mark of the side still new.
  EXPECT_EQ(BattleSeamHasRoundEndMark(1), 0);
  RoundMarks(1)[0] = 1;
  RoundMarks(1)[2] = 102;
  EXPECT_EQ(BattleSeamHasRoundEndMark(1), 1);
  EXPECT_EQ(BattleSeamHasRoundEndMark(0), 0);
  SettleRoundMarks();
  EXPECT_EQ(BattleSeamHasRoundEndMark(1), 0);
  EXPECT_EQ(BattleSeamHasRoundEndMark(255), 0);
  g_DimValue = 0.0f;
  EXPECT_EQ(BattleSeamIsScreenDimmed(), 0);
  g_DimValue = 0.05f;
  EXPECT_EQ(BattleSeamIsScreenDimmed(), 1);
  g_RoundCallDone = 0;
  EXPECT_EQ(BattleSeamRoundCallDone(), 0);
  g_RoundCallDone = 1;
  EXPECT_EQ(BattleSeamRoundCallDone(), 1);
  g_RoundCallDone = 0;
}

TEST_F(RoundFlowTest, StateHashCoversTheRoundAndJudgeWords) {
  const struct {
    const char* name;
    void (*change)();
  } cases[] = {
      {"round timer", [] { g_RoundTimer += 1; }},
      {"round winner", [] { g_RoundWinner = 1; }},
      {"result kind", [] { g_RoundResultKind = 2; }},
      {"match outcome", [] { g_MatchOutcome = 3; }},
      {"round restart", [] { g_RoundRestart = 255; }},
      {"judge abort", [] { g_JudgeAbort = 1; }},
      {"skip latch", [] { g_SkipLatched = 1; }},
      {"bonus", [] { g_RoundBonus[3] = 5; }},
      {"flash", [] { g_ScreenFlashAlpha = 8; }},
      {"dim", [] { g_DimValue = 0.5f; }},
      {"fade", [] { g_RoundFade = 0.025f; }},
      {"attract demo", [] { g_AttractDemo = 1; }},
      {"winner call", [] { g_WinnerCallInfo.scores[4] = 9; }},
      {"match winner", [] { g_MatchWinnerSide = 1; }},
      {"perfect wins", [] { g_MatchPerfectWins = 1; }},
      {"wipe step", [] { g_RoundFlowWords.wipeStep = 3; }},
      {"pose wait", [] { g_RoundFlowWords.judgeWait = 3; }},
      {"timer speed", [] { g_TimerSpeed = 4; }},
      {"stage byte", [] { g_MatchStageByte = 7; }},
  };
  for (const auto& c : cases) {
    SetUp();
    const uint64_t before = BattleStateHash();
    c.change();
    EXPECT_NE(BattleStateHash(), before) << c.name;
    TearDown();
  }
  g_TimerSpeed = 0;
  g_MatchStageByte = 0;
}

// ---- training, online and the skip ----

int g_TrainingPauses = 0;

TEST_F(RoundFlowTest, TrainingRoundEndsInTheTrainingPauseWithoutMarks) {
  g_GameModeFlags = MODE_TRAINING;
  g_TrainingPauses = 0;
  g_BattleSeams.ToggleTrainingPause = [] { ++g_TrainingPauses; };
  g_BattlePhase = 255;
  g_CommandLock = 0;
  KnockOut(1);
  const std::vector<int> seq = RunJudge(600);
  EXPECT_EQ(seq, (std::vector<int>{0, 199, 2, 4, 150, 254}));
  EXPECT_GE(g_TrainingPauses, 1);
  EXPECT_EQ(RoundMarks(0)[0], 0);
  EXPECT_TRUE(rec.marks.empty());
  EXPECT_EQ(g_RoundWinner, 255);
  EXPECT_EQ(g_RoundRestart, 0);
}

TEST_F(RoundFlowTest, OnlineWaitsOnTheConfirmationLatches) {
  CAppJoystick joy;
  CAppJoystick* previous = g_AppJoystick;
  g_AppJoystick = &joy;
  g_BattleSeams.IsNetMatchActive = [] { return 1; };
  // The intros over, both players confirm before the fight.
  std::vector<int> seq = {g_BattlePhase};
  for (int f = 0; f < 100; ++f) {
    RoundFlow();
    if (g_BattlePhase != seq.back()) seq.push_back(g_BattlePhase);
  }
  EXPECT_EQ(seq, (std::vector<int>{0, 1, 50}));
  EXPECT_EQ(joy.requestWord & 0x101u, 0x101u);
  joy.latchWords[0] = 0x101;  // one player alone does not start it
  RoundFlow();
  EXPECT_EQ(g_BattlePhase, 50);
  joy.latchWords[1] = 0x101;
  RoundFlow();
  EXPECT_EQ(g_BattlePhase, 2);
  EXPECT_EQ(joy.latchWords[0], 0u);
  // After the poses the judge waits for latch 0x401.
  g_BattlePhase = 255;
  g_CommandLock = 0;
  KnockOut(1);
  const std::vector<int> judged = RunJudge(300);
  EXPECT_EQ(judged.back(), 50);
  EXPECT_EQ(joy.requestWord & 0x401u, 0x401u);
  joy.latchWords[0] = joy.latchWords[1] = 0x401;
  JudgeRound();
  EXPECT_EQ(g_JudgeState, 250);
  g_AppJoystick = previous;
}

TEST_F(RoundFlowTest, PressAfterTheDecisionSkipsTheWaits) {
  CAppJoystick joy;
  CAppJoystick* previous = g_AppJoystick;
  g_AppJoystick = &joy;
  g_BattlePhase = 255;
  g_CommandLock = 0;
  g_RoundFade = 1.0f;
  // Undecided: a press latches nothing.
  joy.menuBank[0].button[0] = PadState::kPressed | PadState::kHeld;
  RoundFlow();
  EXPECT_EQ(g_SkipLatched, 0);
  g_JudgeState = 251;
  g_JudgeTimer = 30;
  JudgeRound();
  EXPECT_EQ(g_JudgeState, 251);  // the timer holds it
  RoundFlow();
  EXPECT_EQ(g_SkipLatched, 1);
  JudgeRound();
  EXPECT_EQ(g_JudgeState, 252);
  g_AppJoystick = previous;
}

}  // namespace
