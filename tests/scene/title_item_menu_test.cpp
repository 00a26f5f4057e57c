// The title item menu, one table of frames: Escape before any press, a press of a player who may
// or may not join, a held button, the idle limit, and player 2 left unread after player 1.
#include "scene/title_item_menu.h"

#include <gtest/gtest.h>

#include "app/input/app_joystick.h"
#include "app/input/input_manager.h"
#include "platform/input/fake_input_backend.h"
#include "scene/scene_fixture.h"
#include "scene/scene_harness.h"

namespace {

class TitleItemMenuTest : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    input_ = InstallScriptedPads();
    ASSERT_NE(input_, nullptr);
    for (PadState& s : g_AppJoystick->menuBank) s = PadState{};
  }
  void TearDown() override {
    for (PadState& s : g_AppJoystick->menuBank) s = PadState{};
    ReleaseScriptedPads();
    SceneTest::TearDown();
  }
  vt::platform::FakeInputBackend* input_ = nullptr;
};

struct Row {
  const char* name;
  bool escape;
  uint8_t p1, p2;    // button byte of menu button 0 for players 1 and 2 (0, pressed or held)
  int32_t joinMode;  // of the credit rows
  int p1Joined;      // player 1 already takes part (may not join)
  int32_t idleBefore;
  int credit;  // a credit input of player 1 this frame
  int action;
  int32_t idleAfter;
  int32_t mode;  // g_GameModeFlags afterwards
  int mainSide;
};

constexpr uint8_t kPressed = PadState::kHeld | PadState::kPressed;
constexpr uint8_t kHeldOnly = PadState::kHeld;

TEST_F(TitleItemMenuTest, ActionsByInputAndIdleTime) {
  const Row rows[] = {
      // Escape wins and the press is not examined (no arcade start, the counter kept).
      {"EscapeWithAPress", true, kPressed, 0, 0, 0, 77, 0, kTitleActionQuit, 77, 0, 0},
      {"PlayerTwoStartsSideOne", false, 0, kPressed, 0, 0, 50, 0, kTitleActionArcade, 0, 0x10, 1},
      {"PlayerOneStarts", false, kPressed, 0, 0, 0, 50, 0, kTitleActionArcade, 0, 0x10, 0},
      // Locked joining: nothing starts, but the wait starts over.
      {"MayNotJoin", false, kPressed, 0, 1, 0, 900, 0, kTitleActionNone, 0, 0, 0},
      // Player 1 may not join and pressed: player 2's press in the same frame is not looked at.
      {"PlayerTwoNotLookedAt", false, kPressed, kPressed, 0, 1, 900, 0, kTitleActionNone, 0, 0, 0},
      {"HeldButtonDoesNothing", false, kHeldOnly, kHeldOnly, 0, 0, 900, 0, kTitleActionNone, 900, 0, 0},
      {"IdleAtTheLimit", false, 0, 0, 0, 0, 2400, 0, kTitleActionNone, 2400, 0, 0},
      {"IdlePastTheLimit", false, 0, 0, 0, 0, 2401, 0, kTitleActionAttract, 2401, 0x1, 0},
      {"CreditInputResetsIdle", false, 0, 0, 0, 0, 2401, 1, kTitleActionNone, 0, 0, 0},
      // A press at the limit still starts nothing of the demo (the counter went back to 0).
      {"MayNotJoinPastTheLimit", false, kPressed, 0, 1, 0, 5000, 0, kTitleActionNone, 0, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    scene_test::ResetSceneWords();
    g_GameModeFlags = 0;
    g_MainSide = 0;
    for (int32_t& w : g_CreditState.selectWords) w = 9;
    for (CreditPlayer& p : g_CreditState.players) p.joinMode = r.joinMode;
    g_CreditState.players[0].joined = r.p1Joined;
    g_CreditState.creditInput[0] = r.credit;
    input_->ClearKeys();
    input_->SetKey(0x01, r.escape);
    g_InputManager.Poll();
    for (PadState& s : g_AppJoystick->menuBank) s = PadState{};
    g_AppJoystick->menuBank[0].button[0] = r.p1;
    g_AppJoystick->menuBank[1].button[0] = r.p2;
    TitleItemMenu menu;
    menu.Reset();
    int32_t idle = r.idleBefore;
    EXPECT_EQ(menu.Update(idle), r.action);
    EXPECT_EQ(idle, r.idleAfter);
    EXPECT_EQ(g_GameModeFlags, r.mode);
    EXPECT_EQ(g_MainSide, r.mainSide);
    // A press clears the select words; Escape and idling leave them.
    const bool pressed = !r.escape && ((r.p1 | r.p2) & PadState::kPressed);
    EXPECT_EQ(g_CreditState.selectWords[0], pressed ? 0 : 9);
  }
  input_->ClearKeys();
}

}  // namespace
