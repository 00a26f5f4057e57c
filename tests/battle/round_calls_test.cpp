// The calls' timing: the update on which the round-call bars make the fight call due, the fight
// call releases the fighters and ends, the round call and the knock-out call end (with and without
// the extra logo), and g_RoundCallDone; pauses hold every clock. The frames are what the float32
// sums of 1/60 give, not what a count of frames would.
#include "battle/round_calls.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "battle/battle_records.h"
#include "battle/battle_rules.h"
#include "battle/battle_seams.h"
#include "battle_fixture.h"

namespace {

class RoundCallsTest : public battle_test::BattleTest {
 protected:
  void TearDown() override {
    g_RoundCall = {};
    g_RoundCallBars = {};
    g_FightCall = {};
    g_KoCall = {};
    g_RoundCallDone = 0;
    BattleTest::TearDown();
  }
};

// The first update (1-based, counted from the start) after which the condition holds; 0 when
// it never does within the limit.
int FirstUpdate(const std::function<void()>& update, const std::function<bool()>& holds, int limit = 1000) {
  for (int k = 1; k <= limit; ++k) {
    update();
    if (holds()) return k;
  }
  return 0;
}

struct TimingCase {
  const char* name;
  std::function<void()> start;
  std::function<void()> update;
  std::function<bool()> holds;
  int updateNumber;
};

// Each flag with the update that raises it.
const std::vector<TimingCase>& TimingCases() {
  static const std::vector<TimingCase> cases = {
      // The wipe ends 2.7 s in: 162 additions of 1/60 fall just short of 2.7, so the bars see
      // it on update 164 (judged on the time before that update's step).
      {"bars make the fight call due", StartRoundCall, UpdateRoundCallBars,
       [] { return g_RoundCallBars.state == 1; }, 164},
      // Sixty additions give 0.9999997: the release waits one more update.
      {"fight call releases", StartFightCall, UpdateFightCall, [] { return g_FightCall.released != 0; }, 62},
      {"fight call ends", StartFightCall, UpdateFightCall, [] { return g_FightCall.done != 0; }, 182},
      // 240 additions give 3.9999969, below 4.
      {"round call ends", StartRoundCall, UpdateRoundCall, [] { return g_RoundCall.done != 0; }, 242},
      {"round call done word", StartRoundCall, UpdateRoundCall, [] { return g_RoundCallDone != 0; }, 242},
      // The knock-out call's time is frame count / 60: the fade ends once t >= 1.5 + 0.2667.
      {"KO call ends",
       [] {
         g_KoCall.extra = 0;
         StartKoCall();
       },
       UpdateKoCall, [] { return g_KoCall.done != 0; }, 108},
      {"KO call with the extra ends",
       [] {
         g_KoCall.extra = 1;
         StartKoCall();
       },
       UpdateKoCall, [] { return g_KoCall.done != 0; }, 228},
      {"KO call with extra 2 ends",
       [] {
         g_KoCall.extra = 2;
         StartKoCall();
       },
       UpdateKoCall, [] { return g_KoCall.done != 0; }, 228},
  };
  return cases;
}

TEST_F(RoundCallsTest, EachFlagComesOnTheUpdateTheFloatSumGives) {
  for (const TimingCase& c : TimingCases()) {
    c.start();
    EXPECT_FALSE(c.holds()) << c.name;
    EXPECT_EQ(FirstUpdate(c.update, c.holds), c.updateNumber) << c.name;
  }
}

TEST_F(RoundCallsTest, FightCallIsDueOnceThroughTheRoundCall) {
  // The particle pass as the round call's particle runs it: both updates, then the request
  // when the state reads 1 (the pass sets 2).
  StartRoundCall();
  int requests = 0, requestUpdate = 0;
  for (int k = 1; k <= 300; ++k) {
    UpdateRoundCall();
    UpdateRoundCallBars();
    if (g_RoundCallBars.state == 1) {
      ++requests;
      requestUpdate = k;
      g_RoundCallBars.state = 2;
    }
  }
  EXPECT_EQ(requests, 1);
  EXPECT_EQ(requestUpdate, 164);
  EXPECT_EQ(g_RoundCallBars.state, 2);
}

TEST_F(RoundCallsTest, TypingStartsAtEightTenths) {
  StartRoundCall();
  int firstTyping = FirstUpdate(UpdateRoundCallBars, [] { return g_RoundCallBars.typingTime > 0.0f; });
  // 48 additions of 1/60 fall just short of 0.8 (0.79999989 in float32): typing starts with
  // the 50th update.
  EXPECT_EQ(firstTyping, 50);
}

TEST_F(RoundCallsTest, RestartsClearWhatTheyOwn) {
  g_RoundCall = {};
  g_RoundCall.T = 3.0f;
  g_RoundCall.done = 1;
  g_RoundCallDone = 1;
  g_RoundCallBars = {};
  g_RoundCallBars.t = 2.0f;
  g_RoundCallBars.typingTime = 1.0f;
  g_RoundCallBars.state = 2;
  StartRoundCall();
  EXPECT_EQ(g_RoundCall.T, 0.0f);
  EXPECT_EQ(g_RoundCall.done, 0);
  EXPECT_EQ(g_RoundCallDone, 0);
  EXPECT_EQ(g_RoundCallBars.t, 0.0f);
  EXPECT_EQ(g_RoundCallBars.typingTime, 0.0f);
  EXPECT_EQ(g_RoundCallBars.state, 0);

  // The winner call resets only the body; the bars are the round call's.
  g_RoundCallDone = 1;
  g_RoundCallBars.state = 2;
  ResetRoundCallBody();
  EXPECT_EQ(g_RoundCallDone, 0);
  EXPECT_EQ(g_RoundCallBars.state, 2);

  g_FightCall = {};
  g_FightCall.t = 2.0f;
  g_FightCall.released = 1;
  g_FightCall.done = 1;
  StartFightCall();
  EXPECT_EQ(g_FightCall.t, 0.0f);
  EXPECT_EQ(g_FightCall.released, 0);
  EXPECT_EQ(g_FightCall.done, 0);

  // The knock-out call keeps the kind and the extra its caller stored just before.
  g_KoCall = {};
  g_KoCall.KoKind = 5;
  g_KoCall.extra = 2;
  g_KoCall.t = 1.0f;
  g_KoCall.frameCount = 60;
  g_KoCall.done = 1;
  StartKoCall();
  EXPECT_EQ(g_KoCall.KoKind, 5);
  EXPECT_EQ(g_KoCall.extra, 2);
  EXPECT_EQ(g_KoCall.t, 0.0f);
  EXPECT_EQ(g_KoCall.frameCount, 0);
  EXPECT_EQ(g_KoCall.done, 0);
}

TEST_F(RoundCallsTest, PausesHoldEveryClock) {
  for (const TimingCase& c : TimingCases()) {
    c.start();
    // Every third update falls in a pause: only the others count.
    int k = 0, unpaused = 0;
    while (!c.holds() && k < 2000) {
      g_Paused = (k % 3 == 2) ? 1 : 0;
      c.update();
      if (!g_Paused) ++unpaused;
      ++k;
    }
    g_Paused = 0;
    EXPECT_EQ(unpaused, c.updateNumber) << c.name;
    EXPECT_GT(k, c.updateNumber) << c.name;
  }
}

TEST_F(RoundCallsTest, PausedUpdatesChangeNothing) {
  StartRoundCall();
  StartFightCall();
  g_KoCall.extra = 1;
  StartKoCall();
  for (int i = 0; i < 30; ++i) {
    UpdateRoundCall();
    UpdateRoundCallBars();
    UpdateFightCall();
    UpdateKoCall();
  }
  const RoundCallState round = g_RoundCall;
  const RoundCallBarState bars = g_RoundCallBars;
  const FightCallState fight = g_FightCall;
  const KoCallState ko = g_KoCall;
  g_Paused = 1;
  for (int i = 0; i < 500; ++i) {
    UpdateRoundCall();
    UpdateRoundCallBars();
    UpdateFightCall();
    UpdateKoCall();
  }
  g_Paused = 0;
  EXPECT_EQ(g_RoundCall.T, round.T);
  EXPECT_EQ(g_RoundCallBars.t, bars.t);
  EXPECT_EQ(g_RoundCallBars.typingTime, bars.typingTime);
  EXPECT_EQ(g_FightCall.t, fight.t);
  EXPECT_EQ(g_KoCall.frameCount, ko.frameCount);
  EXPECT_EQ(g_KoCall.t, ko.t);
  EXPECT_EQ(g_RoundCallDone, 0);
}

TEST(KoKind, FromTheJudgesResultValue) {
  struct Case {
    int32_t result;
    int32_t kind;
  };
  const Case cases[] = {
      {3, 0},
      {6, 1},
      {99, 2},
      {1000, 3},
      {1001, 4},
      {20, 5},
      {21, 6},
      // Values not listed take kind 0, as 3 does.
      {0, 0},
      {1, 0},
      {7, 0},
      {100, 0},
      {-1, 0},
      {22, 0},
      {1002, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(KoKindForResult(c.result), c.kind) << c.result;
}

TEST_F(RoundCallsTest, PartnerCallSeesTheRoundCallDoneThroughItsSeam) {
  InstallBattleRules();
  StartRoundCall();
  EXPECT_EQ(BattleSeamRoundCallDone(), 0);
  g_RoundCallDone = 1;
  EXPECT_EQ(BattleSeamRoundCallDone(), 1);
}

TEST_F(RoundCallsTest, RoundStartClearsTheCallsWithTheOtherRoundWords) {
  InstallBattleRules();
  g_RoundCall = {};
  g_RoundCall.T = 4.5f;
  g_RoundCall.done = 1;
  g_RoundCallBars = {};
  g_RoundCallBars.t = 3.0f;
  g_RoundCallBars.typingTime = 2.0f;
  g_RoundCallBars.state = 2;
  g_FightCall = {};
  g_FightCall.t = 3.0f;
  g_FightCall.released = 1;
  g_FightCall.done = 1;
  g_KoCall = {};
  g_KoCall.KoKind = 2;
  g_KoCall.extra = 1;
  g_KoCall.t = 3.8f;
  g_KoCall.frameCount = 228;
  g_KoCall.done = 1;
  g_RoundCallRound = 3;
  g_RoundCallWins = 2;
  g_RoundCallFirst = 1;
  g_RoundCallDone = 1;
  g_SideStatus[0].bestCombo = 12;  // a word cleared by the reset installed before the calls'
  ResetBattleCounters();
  EXPECT_EQ(g_RoundCall.T, 0.0f);
  EXPECT_EQ(g_RoundCall.done, 0);
  EXPECT_EQ(g_RoundCallBars.state, 0);
  EXPECT_EQ(g_RoundCallBars.t, 0.0f);
  EXPECT_EQ(g_FightCall.released, 0);
  EXPECT_EQ(g_FightCall.done, 0);
  EXPECT_EQ(g_KoCall.KoKind, 0);
  EXPECT_EQ(g_KoCall.extra, 0);
  EXPECT_EQ(g_KoCall.frameCount, 0);
  EXPECT_EQ(g_KoCall.done, 0);
  EXPECT_EQ(g_RoundCallRound, 0);
  EXPECT_EQ(g_RoundCallWins, 0);
  EXPECT_EQ(g_RoundCallFirst, 0);
  EXPECT_EQ(g_RoundCallDone, 0);
  EXPECT_EQ(g_SideStatus[0].bestCombo, 0);

  // Installing again keeps one reset of each in the chain.
  InstallBattleRules();
  InstallBattleRules();
  g_RoundCallDone = 1;
  g_SideStatus[0].bestCombo = 12;
  ResetBattleCounters();
  EXPECT_EQ(g_RoundCallDone, 0);
  EXPECT_EQ(g_SideStatus[0].bestCombo, 0);
}

}  // namespace
