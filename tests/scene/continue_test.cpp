// The arcade route's credit steps and continue: the countdown with its credit restart and button
// rule, the credit lines, the expiries, the continue screen's count, accept, speed-up and game
// over, and the stream-1 draws of the continue noise and the new challenger screen.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Sound/soundproc.h"
#include "app/app_state.h"
#include "app/input/app_joystick.h"
#include "app/input/input_hooks.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "scene/continue_screen.h"
#include "scene/credits.h"
#include "scene/name_entry.h"
#include "scene/new_challenger.h"
#include "scene/scene_fixture.h"

namespace {

using scene_test::SceneTest;

int g_Coin[2];

class ContinueTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    vt::SetDebugQuiet(true);
    if (!g_AppJoystick) StartAppJoystick();
    g_AppJoystick->ClearAll();
    g_Coin[0] = g_Coin[1] = 0;
    g_CoinQuery = [](int p) { return g_Coin[p]; };
    FillDefaultPlayData(play_);
    g_PlayData = &play_;
    CloseNameEntries();
    saved_ = GetInputGameHooks();
    InstallCredits();
    InstallNameEntry();
    std::memset(g_SeRequest, 0, sizeof g_SeRequest);
  }
  void TearDown() override {
    GetInputGameHooks() = saved_;
    CloseNameEntries();
    g_AppJoystick->ClearAll();
    g_PlayData = nullptr;
    g_TestMode = 0;
    std::filesystem::remove_all("System");
    vt::SetDebugQuiet(false);
    SceneTest::TearDown();
  }
  static void PressButton0(int p, bool on) {
    g_AppJoystick->menuBank[p].button[0] = on ? PadState::kPressed | PadState::kHeld : 0;
  }
  PlayData play_{};
  InputGameHooks saved_;
};

// ---- the countdown ----

struct CountRow {
  const char* name;
  int32_t joinMode, state, timer;
  int coin, button0;
  int32_t after;
};

TEST_F(ContinueTest, CountdownCreditAndButtonRule) {
  const CountRow rows[] = {
      {"runs down", 0, 1, 400, 0, 0, 399},
      {"credit restarts", 0, 1, 50, 1, 0, 599},
      // After a credit restart the button rule decides, from the count before the credit.
      {"credit then button at 9", 0, 1, 560, 1, 1, 559},
      {"credit then button at 4", 0, 1, 300, 1, 1, 239},
      {"credit then button at 0", 0, 1, 30, 1, 1, 1},
      {"button at 6", 0, 1, 400, 0, 1, 359},
      {"credit then button at 6", 2, 1, 400, 1, 1, 359},
      {"button at 0", 0, 1, 50, 0, 1, 1},
      {"button on the continue screen's count", 0, 2, 400, 0, 1, 399},
      {"locked: no count", 1, 1, 300, 0, 1, 300},
      {"locked: a credit restarts", 1, 1, 300, 1, 0, 599},
      {"no lines: nothing", 3, 1, 300, 1, 0, 300},
  };
  for (const CountRow& r : rows) {
    g_CreditState = CreditState{};
    for (CreditPlayer& p : g_CreditState.players) p.joinMode = r.joinMode;
    CreditPlayer& p = g_CreditState.players[1];
    p.continueState = r.state;
    p.continueTimer = r.timer;
    g_Coin[1] = r.coin;
    PressButton0(1, r.button0);
    UpdateCredits();
    EXPECT_EQ(p.continueTimer, r.after) << r.name;
    EXPECT_EQ(g_CreditState.counting[1], r.joinMode == 0 || r.joinMode == 2 ? 1 : 0) << r.name;
  }
}

// A count that runs out opens the name entry when the score qualifies, else accounts the play
// time and saves; both end the count and clear the side's progress.
TEST_F(ContinueTest, CountRunsOut) {
  struct Row {
    const char* name;
    int32_t points;
    int entry, saved;
  };
  const Row rows[] = {{"qualifies", 9000, 1, 0}, {"does not", 10, 0, 1}};
  for (const Row& r : rows) {
    std::filesystem::remove_all("System");
    std::filesystem::create_directories("System");
    g_CreditState = CreditState{};
    CloseNameEntries();
    g_SideStatus[0].score = r.points;
    g_SideStatus[0].arcadeTotals[9] = 3;
    g_StoryBattleRoutes[0].playerCharacter = 2;
    CreditPlayer& p = g_CreditState.players[0];
    p.continueState = 1;
    p.continueTimer = 2;
    p.playTimeOpen = 1;
    UpdateCredits();
    EXPECT_EQ(p.continueTimer, 1) << r.name;
    UpdateCredits();
    EXPECT_EQ(p.continueState, 0) << r.name;
    EXPECT_EQ(p.continueTimer, 0) << r.name;
    EXPECT_EQ(g_CreditState.counting[0], 0) << r.name;
    EXPECT_EQ(g_SideStatus[0].arcadeTotals[9], 0) << r.name;
    EXPECT_EQ(IsNameEntryFinished(0), r.entry ? 0 : 1) << r.name;
    EXPECT_EQ(std::filesystem::exists("System/_QZPlayData.dat"), r.saved == 1) << r.name;
    if (r.entry) EXPECT_EQ(g_NameEntries[0].scoreKey, 900003u) << r.name;
  }
}

// While the entry is open it runs on the credit line's input: a start press finishes it and,
// 121 frames later, the next update stores it.
TEST_F(ContinueTest, OpenEntryTakesTheCreditLineInput) {
  std::filesystem::create_directories("System");
  g_SideStatus[1].score = 9000;
  g_StoryBattleRoutes[1].playerCharacter = 2;
  ASSERT_EQ(TryStartNameEntry(1), 1);
  g_AppJoystick->menuBank[1].button[2] = PadState::kPressed | PadState::kHeld;
  UpdateCredits();
  EXPECT_EQ(g_NameEntries[1].state, kNameConfirming);
  g_AppJoystick->menuBank[1].button[2] = 0;
  for (int i = 0; i < 121; ++i) UpdateCredits();
  ASSERT_EQ(g_NameEntries[1].state, kNameFinished);
  UpdateCredits();
  EXPECT_EQ(g_NameEntries[1].state, kNameClosed);
  EXPECT_STREQ(play_.ranking.rows[0].initials, "ZLV");
  EXPECT_EQ(play_.ranking.rows[0].scoreLow, 900000u);
  EXPECT_TRUE(std::filesystem::exists("System/_QZPlayData.dat"));
}

struct LineRow {
  const char* name;
  int32_t joinMode, joined, timer;
  int entryOpen, player, mainSide, blink;
  const char* line;
};

TEST_F(ContinueTest, CreditLines) {
  const LineRow rows[] = {
      {"open, no count", 0, 0, 0, 0, 0, 0, 0, "PRESS START BUTTON"},
      {"open, count", 0, 0, 599, 0, 0, 0, 0, "CONTINUE? 9"},
      {"open, count, second second", 0, 0, 599, 0, 0, 0, 60, "PRESS START BUTTON"},
      {"open, count, third second", 0, 0, 599, 0, 0, 0, 120, "CONTINUE? 9"},
      {"open, count below 2 frames", 0, 0, 1, 0, 0, 0, 0, "PRESS START BUTTON"},
      {"joined", 0, 1, 599, 0, 0, 0, 0, ""},
      {"entry open: the panel", 0, 0, 0, 1, 0, 0, 0, ""},
      {"main side only, main side", 2, 0, 330, 0, 1, 1, 0, "CONTINUE? 5"},
      {"main side only, other side", 2, 0, 330, 0, 0, 1, 0, "PLEASE WAIT"},
      {"main side only, no count", 2, 0, 0, 0, 1, 1, 0, "PLEASE WAIT"},
      {"main side only, entry open", 2, 0, 330, 1, 1, 1, 0, ""},
      {"locked", 1, 0, 330, 0, 0, 0, 0, "PLEASE WAIT"},
      {"no lines", 3, 0, 330, 0, 0, 0, 0, ""},
      {"unknown", 7, 0, 0, 0, 0, 0, 0, "UNKNOWN STATUS"},
  };
  for (const LineRow& r : rows) {
    g_CreditState = CreditState{};
    CloseNameEntries();
    for (CreditPlayer& p : g_CreditState.players) p.joinMode = r.joinMode;
    CreditPlayer& p = g_CreditState.players[r.player];
    p.joined = r.joined;
    p.continueState = r.timer ? 1 : 0;
    p.continueTimer = r.timer;
    g_CreditState.blinkCounter = r.blink;
    g_MainSide = static_cast<uint8_t>(r.mainSide);
    if (r.entryOpen) OpenNameEntry(r.player, NameEntryStart{1, 5, 0, 0, 0});
    EXPECT_EQ(CreditLine(r.player), r.line) << r.name;
  }
  g_MainSide = 0;
}

TEST_F(ContinueTest, CreditTextsSkipped) {
  InitGrpManager();
  g_SceneId = SCENE_VS_SCREEN;
  EXPECT_EQ(DrawCreditTexts(), 1);
  g_CreditState.hideCreditTextsOnce = 1;
  EXPECT_EQ(DrawCreditTexts(), 0);
  EXPECT_EQ(g_CreditState.hideCreditTextsOnce, 0);
  g_TestMode = 1;
  EXPECT_EQ(DrawCreditTexts(), 0);
  g_TestMode = 0;
  g_SceneId = SCENE_TITLE;
  EXPECT_EQ(DrawCreditTexts(), 0);
}

TEST_F(ContinueTest, AcceptAndExpire) {
  for (CreditPlayer& p : g_CreditState.players) p = CreditPlayer{0, 0, 0, 2, 2, 300, 1};
  g_MainSide = 1;
  AcceptContinue();
  const CreditPlayer& main = g_CreditState.players[1];
  EXPECT_EQ(main.joined, 1);
  EXPECT_EQ(main.continueState + main.continueTimer + main.playTimeOpen, 0);
  EXPECT_EQ(g_CreditState.players[0].joinMode, 0);
  EXPECT_EQ(g_CreditState.players[1].joinMode, 0);
  EXPECT_EQ(g_CreditState.players[0].continueTimer, 300);  // the other side keeps its count

  ExpireAllCredits();
  for (const CreditPlayer& p : g_CreditState.players) {
    EXPECT_EQ(p.joined, 0);
    EXPECT_EQ(p.continueState, 1);
    EXPECT_EQ(p.continueTimer, 1);
    EXPECT_EQ(p.playTimeOpen, 0);
    EXPECT_EQ(p.joinMode, 2);
  }
  // The next update ends both counts and opens the entry of the side that qualifies.
  g_SideStatus[1].score = 9000;
  g_StoryBattleRoutes[1].playerCharacter = 4;
  UpdateCredits();
  EXPECT_EQ(IsNameEntryFinished(0), 1);
  EXPECT_EQ(IsNameEntryFinished(1), 0);
  EXPECT_EQ(g_CreditState.players[1].continueState, 0);
  g_MainSide = 0;
}

TEST_F(ContinueTest, ExpireMainSideOnlyWhenRanked) {
  struct Row {
    const char* name;
    int32_t points, chara, mode;
    int expired;
  };
  const Row rows[] = {{"ranked", 9000, 3, 0, 1},
                      {"not ranked", 10, 3, 0, 0},
                      {"no route character", 9000, -1, 0, 0},
                      {"team battle", 9000, 3, MODE_TEAM_BATTLE, 0}};
  for (const Row& r : rows) {
    g_CreditState = CreditState{};
    g_CreditState.players[0].joined = 1;
    g_SideStatus[0].score = r.points;
    g_StoryBattleRoutes[0].playerCharacter = r.chara;
    g_GameModeFlags = r.mode;
    ExpireMainSideIfRanked();
    EXPECT_EQ(g_CreditState.players[0].continueTimer, r.expired) << r.name;
    EXPECT_EQ(g_CreditState.players[0].joined, r.expired ? 0 : 1) << r.name;
    EXPECT_EQ(g_CreditState.players[1].joinMode, r.expired ? 2 : 0) << r.name;
    EXPECT_EQ(g_CreditState.players[1].continueTimer, 0) << r.name;
  }
}

TEST_F(ContinueTest, CreditSoundSkippedOnceAfterStartUp) {
  g_Coin[0] = 1;
  SetCreditsStartupFlag();
  UpdateCredits();
  EXPECT_EQ(g_SeRequest[140], 0);
  g_CreditState.players[0].credits = 0;
  g_CreditState.previous[0].credits = 0;
  UpdateCredits();
  EXPECT_EQ(g_SeRequest[140], 1);
}

// ---- the continue screen ----

class ContinueScreenTest : public ContinueTest {
 protected:
  void SetUp() override {
    ContinueTest::SetUp();
    ResetContinueScreen();
  }
  static void Frames(int n) {
    for (int i = 0; i < n; ++i) UpdateContinueScreen();
  }
};

TEST_F(ContinueScreenTest, CountAtChosenFrames) {
  // Updates run so far -> the count after the next one.
  struct Row {
    int frame;
    int32_t count;
    int32_t state;
  };
  const Row rows[] = {{0, 1000, 0}, {59, 1000, 0}, {60, 1000, 1}, {68, 1000, 1},
                      {69, 998, 1}, {667, 1, 1},   {668, 0, 2},   {669, 0, 3}};
  int ran = 0;
  for (const Row& r : rows) {
    Frames(r.frame - ran);
    UpdateContinueScreen();
    ran = r.frame + 1;
    EXPECT_EQ(g_ContinueScreen.count, r.count) << r.frame;
    EXPECT_EQ(g_ContinueScreen.state, r.state) << r.frame;
  }
  EXPECT_EQ(g_ContinueScreen.visible, 0);
  EXPECT_EQ(g_SeRequest[154], 1);
  EXPECT_GT(g_ContinueScreen.gameOverTime, 0.0f);
}

TEST_F(ContinueScreenTest, AcceptOnlyBelowNinePointSevenAndWhenTheSideMayJoin) {
  struct Row {
    const char* name;
    int before;  // updates before the press
    int32_t joinMode;
    int accepted;
  };
  const Row rows[] = {{"too early", 80, 0, 0}, {"after 0.3 s of count", 100, 0, 1}, {"locked", 100, 1, 0}};
  for (const Row& r : rows) {
    ResetContinueScreen();
    for (CreditPlayer& p : g_CreditState.players) p.joinMode = r.joinMode;
    Frames(r.before);
    g_ContinueScreen.inputWord = kContinueButtonBit;
    UpdateContinueScreen();
    EXPECT_EQ(g_ContinueScreen.accepted, r.accepted) << r.name;
  }
}

TEST_F(ContinueScreenTest, SpeedUpAndCreditRestart) {
  Frames(150);  // about 8.6: above 8.00 the speed-up does nothing
  g_ContinueScreen.inputWord = kSpeedUpButtonBit;
  UpdateContinueScreen();
  EXPECT_EQ(g_ContinueScreen.skipPenalty, 0);
  g_ContinueScreen.inputWord = 0;
  Frames(150);
  g_ContinueScreen.inputWord = kSpeedUpButtonBit;
  UpdateContinueScreen();
  const int32_t d = g_ContinueScreen.count;
  ASSERT_LT(d, 800);
  EXPECT_EQ(g_ContinueScreen.skipPenalty, d % 100 + 1);
  g_ContinueScreen.inputWord = 0;
  UpdateContinueScreen();
  // 6.11 becomes 5.99 less one frame's run.
  EXPECT_EQ(g_ContinueScreen.count / 100, d / 100 - 1);
  EXPECT_GE(g_ContinueScreen.count % 100, 96);
  // A credit restarts the count from 10.00 and forgets the speed-ups.
  g_ContinueScreen.startPressed = 1;
  UpdateContinueScreen();
  EXPECT_EQ(g_ContinueScreen.skipPenalty, 0);
  EXPECT_EQ(g_ContinueScreen.frames, 69);  // back at the last full-count frame, then one on
  UpdateContinueScreen();
  EXPECT_EQ(g_ContinueScreen.count, 998);
}

TEST_F(ContinueScreenTest, GameOverWithoutACount) {
  g_ContinueScreen.state = 2;
  g_ContinueScreen.visible = 0;
  UpdateContinueScreen();
  EXPECT_EQ(g_ContinueScreen.state, 3);
  EXPECT_EQ(g_SeRequest[154], 1);
  Frames(300);
  EXPECT_NEAR(g_ContinueScreen.gameOverTime, 5.0f + 0.001f, 0.001f);
}

// How many numbers of stream 1 a call drew: the stream copied before is stepped until it matches.
template <typename F>
int Stream1Draws(F&& call) {
  RandStream before = g_RandStreams[1];
  call();
  const RandStream after = g_RandStreams[1];
  int n = 0;
  while (std::memcmp(&before, &after, sizeof before) != 0 && n < 1000) {
    OwnRandStreamNext(before);
    ++n;
  }
  return n;
}

TEST_F(ContinueScreenTest, NoiseDrawsFifteenPerBurstFrame) {
  SeedRandStream(1, 1234);
  struct Row {
    int32_t count;
    int draws;
  };
  // Seconds used (1000 - count) / 100: bursts at 1, 3, 5, ... each for 16 frames.
  const Row rows[] = {{950, 0}, {895, 15}, {880, 15}, {870, 0}, {495, 15}, {300, 0}, {95, 15}};
  for (const Row& r : rows) {
    g_ContinueScreen.countTime = 2.0f;
    g_ContinueScreen.visible = 1;
    g_ContinueScreen.count = r.count;
    EXPECT_EQ(Stream1Draws([] { DrawContinueScreen(); }), r.draws) << r.count;
  }
}

// ---- the new challenger screen ----

TEST_F(ContinueTest, ChallengerShuffleAndNoiseDraws) {
  SeedRandStream(1, 99);
  EXPECT_EQ(Stream1Draws([] { StartChallengerScreen(); }), 24);
  bool seen[24] = {};
  for (const int32_t p : g_ChallengerScreen.order) {
    ASSERT_TRUE(p >= 0 && p < 24);
    seen[p] = true;
  }
  for (const bool s : seen) EXPECT_TRUE(s);
  EXPECT_EQ(g_SeRequest[153], 1);
  struct Row {
    float bloom;
    int draws;
  };
  const Row rows[] = {{1.5f, 0}, {1.6f, 0}, {1.7f, 15}, {2.3f, 30}, {2.6f, 45}};
  for (const Row& r : rows) {
    g_ChallengerScreen.bloom = r.bloom;
    EXPECT_EQ(Stream1Draws([] { DrawChallengerScreen(); }), r.draws) << r.bloom;
  }
}

TEST_F(ContinueTest, ChallengerTimeline) {
  StartChallengerScreen();
  g_ChallengerScreen.emblemCount = 40;
  int emblemFrames = 0, frames = 0;
  while (ChallengerScreenTime() <= kChallengerSeconds) {
    UpdateChallengerScreen();
    if (g_ChallengerScreen.emblemFrame < g_ChallengerScreen.emblemCount) ++emblemFrames;
    ++frames;
  }
  EXPECT_EQ(frames, 301);
  EXPECT_EQ(emblemFrames, 80);  // 40 emblems at 30 a second
  // The last piece starts at 4.89 s and is still showing when the screen ends.
  const float u = 1.0f - 2.0f * (g_ChallengerScreen.silhouette - 0.18f * 23.0f);
  EXPECT_GT(u, 0.0f);
  EXPECT_LT(u, 1.0f);
  struct Slit {
    float s;
    int alpha;
    float width;
  };
  const Slit slits[] = {{0.2f, 255, 141.4f}, {0.3f, 255, 153.6f}, {2.0f, 0, 208.0f}};
  for (const Slit& sl : slits) {
    float x = 0, w = 0;
    EXPECT_EQ(ChallengerSlit(sl.s, &x, &w), sl.alpha) << sl.s;
    EXPECT_NEAR(w, sl.width, 0.05f) << sl.s;
    EXPECT_NEAR(x, (870.0f - sl.width) / 2.0f, 0.05f) << sl.s;
  }
}

}  // namespace
