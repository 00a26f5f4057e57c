// The credit table's pieces: the reset, the per-frame credit and start inputs, the start-up
// suppression, the join test, the start-or-button query and the title's prompt.
#include "scene/credits.h"

#include <gtest/gtest.h>

#include <vector>

#include "Dxtools/Text/system_font.h"
#include "app/input/app_joystick.h"
#include "scene/scene_fixture.h"

namespace {

using scene_test::SceneTest;

class Credits : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (!g_AppJoystick) StartAppJoystick();
    g_AppJoystick->ClearAll();
  }
  void TearDown() override {
    g_AppJoystick->ClearAll();
    SceneTest::TearDown();
  }
};

int g_Coins[2];

TEST_F(Credits, ResetKeepsTheContinueWords) {
  CreditState& c = g_CreditState;
  for (CreditPlayer& p : c.players) p = CreditPlayer{4, 3, 1, 2, 1, 300, 1};
  c.creditInput[0] = c.startInput[1] = 1;
  c.blinkCounter = 77;
  ResetCredits();
  for (int i = 0; i < 2; ++i) {
    const CreditPlayer& p = c.players[i];
    EXPECT_EQ(p.credits + p.extraCredits + p.joined + p.joinMode, 0);
    EXPECT_EQ(p.continueState, 1);
    EXPECT_EQ(p.continueTimer, 300);
    EXPECT_EQ(p.playTimeOpen, 1);
    EXPECT_EQ(c.previous[i].credits, 0);
    EXPECT_EQ(c.creditInput[i] + c.startInput[i], 0);
  }
  EXPECT_EQ(c.blinkCounter, 0);
}

// A coin raises the counter to 99 at most and is a credit input even at the cap.
TEST_F(Credits, CoinsCapAt99) {
  g_CoinQuery = [](int player) { return g_Coins[player]; };
  g_Coins[0] = 1;
  g_Coins[1] = 0;
  g_CreditState.players[0].credits = 98;
  g_CreditState.previous[0].credits = 98;
  for (int frame = 0; frame < 3; ++frame) {
    UpdateCredits();
    EXPECT_EQ(g_CreditState.players[0].credits, 99);
    EXPECT_EQ(g_CreditState.creditInput[0], 1) << frame;
    EXPECT_EQ(g_CreditState.startInput[0], 1) << frame;
    EXPECT_EQ(g_CreditState.creditInput[1], 0) << frame;
  }
}

// A rise of either counter since the last frame is a credit input; a fall is none but restarts
// the blink count all the same; the next frame without change has no input.
TEST_F(Credits, CreditInputFromCounterRises) {
  struct Step {
    int credits, extra;
    int input;
    int blink;  // the blink count after the frame
  };
  const Step steps[] = {
      {0, 0, 0, 1}, {1, 0, 1, 1}, {1, 0, 0, 2}, {1, 2, 1, 1}, {0, 2, 0, 1}, {0, 2, 0, 2},
  };
  for (const Step& s : steps) {
    g_CreditState.players[1].credits = s.credits;
    g_CreditState.players[1].extraCredits = s.extra;
    EXPECT_EQ(UpdateCredits(), 1);
    EXPECT_EQ(g_CreditState.creditInput[1], s.input) << s.credits << "/" << s.extra;
    EXPECT_EQ(g_CreditState.startInput[1], s.input);
    EXPECT_EQ(g_CreditState.creditInput[0], 0);
    EXPECT_EQ(g_CreditState.blinkCounter, s.blink) << s.credits << "/" << s.extra;
  }
}

TEST_F(Credits, StartUpFlagIsConsumedOnce) {
  SetCreditsStartupFlag();
  EXPECT_EQ(g_CreditState.suppressCreditSoundOnce, 1);
  g_CreditState.players[0].credits = 1;
  UpdateCredits();
  EXPECT_EQ(g_CreditState.suppressCreditSoundOnce, 0);
  EXPECT_EQ(g_CreditState.creditInput[0], 1) << "the input itself is still seen";
  EXPECT_EQ(g_CreditState.blinkCounter, 1);
}

TEST_F(Credits, StartInputFromMenuButton2) {
  PadState& pad = g_AppJoystick->menuBank[0];
  pad = PadState{};
  // Menu button 2 pressed this frame.
  g_AppJoystick->rawStates[0] = PadRawState{};
  g_AppJoystick->rawStates[0].buttons = g_AppJoystick->menuMap[0][2];
  g_AppJoystick->UpdateBanks();
  UpdateCredits();
  EXPECT_EQ(g_CreditState.startInput[0], 1);
  EXPECT_EQ(g_CreditState.creditInput[0], 0);
  EXPECT_EQ(g_CreditState.startInput[1], 0);
  EXPECT_EQ(IsAnyStartOrButtonInput(), 1);
  // Held on the next frame: no longer pressed.
  g_AppJoystick->UpdateBanks();
  UpdateCredits();
  EXPECT_EQ(g_CreditState.startInput[0], 0);
  EXPECT_EQ(IsAnyStartOrButtonInput(), 0);
  g_CreditState.creditInput[1] = 1;
  EXPECT_EQ(IsAnyStartOrButtonInput(), 1);
}

TEST_F(Credits, CanPlayerJoin) {
  struct Case {
    int32_t joinMode;  // in player 0's row; player 1's row says otherwise and is not read
    int32_t joined[2];
    uint8_t mainSide;
    int side0, side1;
  };
  const Case cases[] = {
      {0, {0, 0}, 0, 1, 1}, {0, {1, 0}, 0, 0, 1}, {1, {0, 0}, 0, 0, 0}, {2, {0, 0}, 0, 1, 0},
      {2, {0, 0}, 1, 0, 1}, {2, {0, 1}, 1, 0, 0}, {3, {0, 0}, 0, 1, 1},
  };
  for (const Case& c : cases) {
    g_CreditState.players[0].joinMode = c.joinMode;
    g_CreditState.players[1].joinMode = c.joinMode == 1 ? 0 : 1;
    for (int i = 0; i < 2; ++i) g_CreditState.players[i].joined = c.joined[i];
    g_MainSide = c.mainSide;
    EXPECT_EQ(CanPlayerJoin(0), c.side0) << c.joinMode << " main " << int{c.mainSide};
    EXPECT_EQ(CanPlayerJoin(1), c.side1) << c.joinMode << " main " << int{c.mainSide};
  }
  EXPECT_EQ(CanPlayerJoin(2), 0);
  EXPECT_EQ(CanPlayerJoin(-1), 0);
}

TEST_F(Credits, SetCreditLocksWritesBothRows) {
  SetCreditLocks(1);
  EXPECT_EQ(g_CreditState.players[0].joinMode, 1);
  EXPECT_EQ(g_CreditState.players[1].joinMode, 1);
  EXPECT_EQ(CanPlayerJoin(1), 0);
  SetCreditLocks(0);
  EXPECT_EQ(g_CreditState.players[0].joinMode, 0);
  EXPECT_EQ(g_CreditState.players[1].joinMode, 0);
}

// The prompt blinks a second on, a second off, and hides the next credit lines either way.
TEST_F(Credits, PressAnyButtonBlinks) {
  static std::vector<vt::text::SysGlyphSprite> glyphs;
  vt::text::SetSysFontSpriteSink([](const vt::text::SysGlyphSprite& g) { glyphs.push_back(g); });
  const bool fontLoaded = vt::text::g_SystemFonts[1].FontWidthNum != 0;
  for (int blink : {0, 59, 60, 119, 120}) {
    glyphs.clear();
    g_CreditState.blinkCounter = blink;
    g_CreditState.hideCreditTextsOnce = 0;
    EXPECT_EQ(DrawPressAnyButton(), 0);
    EXPECT_EQ(g_CreditState.hideCreditTextsOnce, 1);
    if ((blink / 60) % 2 == 1) EXPECT_TRUE(glyphs.empty()) << blink;
    if (fontLoaded && (blink / 60) % 2 == 0) {
      ASSERT_FALSE(glyphs.empty()) << blink;
      // 25 characters at a fixed advance of 11, centred on 320.
      EXPECT_EQ(glyphs.front().y, 320);
      EXPECT_EQ(glyphs.front().priority, 100);
    }
  }
  vt::text::SetSysFontSpriteSink(nullptr);
}

}  // namespace
