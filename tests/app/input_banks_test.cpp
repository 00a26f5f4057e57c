// Banks of the game-level joystick: menu repeat, press and release edges, the bit maps and the
// menu queries.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "input_fixture.h"

using vt::test::InputTest;
namespace t = vt::test;

namespace {
bool SameRecord(const PadState& a, const PadState& b) {
  return a.direction == b.direction && std::equal(a.button, a.button + 32, b.button) &&
         a.spareButton == b.spareButton && a.menuDirection == b.menuDirection &&
         a.repeatCount == b.repeatCount && a.lever2Direction == b.lever2Direction &&
         a.lever3Direction == b.lever3Direction;
}
}  // namespace

// Frames (counted from the change) on which the menu direction carries its trigger bit while
// the direction is held, then after a release and a fresh press.
TEST_F(InputTest, MenuDirectionRepeats) {
  Start();
  std::vector<int> fired;
  fake_->SetKey(t::kScanS, true);  // down
  for (int f = 0; f < 40; ++f) {
    Frame();
    if (joy_->menuBank[0].menuDirection & PadState::kChanged) fired.push_back(f);
  }
  EXPECT_EQ(fired, (std::vector<int>{0, 24, 28, 32, 36}));
  fake_->SetKey(t::kScanS, false);
  Frame();  // the neutral change fires too (readers ignore digit 0)
  EXPECT_EQ(joy_->menuBank[0].menuDirection, PadState::kChanged);
  fired.clear();
  fake_->SetKey(t::kScanS, true);
  for (int f = 0; f < 25; ++f) {
    Frame();
    int dir = -1;
    joy_->GetMenuInput(0, &dir, nullptr, nullptr, 0);
    if (dir) fired.push_back(f);
    EXPECT_TRUE(dir == 0 || dir == 2);
  }
  EXPECT_EQ(fired, (std::vector<int>{0, 24}));
}

TEST_F(InputTest, PressAndReleaseLastOneFrame) {
  Start();
  struct Step {
    bool key;
    uint8_t battleA;
  } steps[] = {{true, PadState::kHeld | PadState::kPressed},
               {true, PadState::kHeld},
               {false, PadState::kReleased},
               {false, 0},
               {true, PadState::kHeld | PadState::kPressed}};
  for (const Step& s : steps) {
    fake_->SetKey(t::kScanU, s.key);
    Frame();
    EXPECT_EQ(joy_->battleBank[0].button[0], s.battleA);
  }
}

// Which bank buttons a raw input holds through the default maps.
TEST_F(InputTest, DefaultMapsThroughBanks) {
  AddPad();
  Start();
  struct Case {
    const char* what;
    int padButton;  // 0 = use the keyboard A key instead
    std::vector<int> battle, menu;
  } cases[] = {
      {"keyboard A", 0, {0}, {0, 31}},
      {"pad A (button 1)", 1, {0}, {31}},
      {"pad QA (button 6)", 6, {4}, {31}},
      {"pad START (button 10)", 10, {}, {2}},
      {"pad decide and D (button 2)", 2, {3}, {0, 31}},
  };
  for (const Case& c : cases) {
    fake_->ClearKeys();
    for (auto& b : fake_->pad(0).joystick.button) b = 0;
    if (c.padButton)
      fake_->pad(0).joystick.button[c.padButton - 1] = 0x80;
    else
      fake_->SetKey(t::kScanU, true);
    Frame();
    std::vector<int> battle, menu;
    for (int i = 0; i < 32; ++i) {
      if (joy_->battleBank[0].button[i] & PadState::kHeld) battle.push_back(i);
      if (joy_->menuBank[0].button[i] & PadState::kHeld) menu.push_back(i);
    }
    EXPECT_EQ(battle, c.battle) << c.what;
    EXPECT_EQ(menu, c.menu) << c.what;
    EXPECT_TRUE(SameRecord(joy_->menuBank[0], joy_->localBank[0])) << c.what;
  }
}

TEST_F(InputTest, MenuQueries) {
  Start();
  int sounds = 0;
  GetInputGameHooks().requestSound = [&](int slot) {
    EXPECT_EQ(slot, 152);
    ++sounds;
  };
  // Player 1 presses decide and cancel together: decide wins.
  fake_->SetKey(t::kScanU, true);
  fake_->SetKey(t::kScanI, true);
  Frame();
  EXPECT_EQ(joy_->GetMenuConfirmCancel(0, 0x3, 1), 1);
  EXPECT_EQ(sounds, 1);
  EXPECT_EQ(joy_->GetMenuConfirmCancel(0, 0xC, 1), 0);

  // Player 1 down, player 2 left, in the same frame.
  fake_->ClearKeys();
  fake_->SetKey(t::kScanS, true);
  fake_->SetKey(0xCB, true);
  Frame();
  struct Case {
    int bank;
    uint32_t players;
    int sound;
    int result;
    int sounds;
  } cases[] = {{0, 0x3, 1, 2, 1}, {0, 0x2, 1, 4, 0}, {0, 0xC, 1, 0, 0}, {0, 0x3, 0, 2, 0},
               {2, 0x1, 1, 2, 1}, {1, 0x2, 1, 4, 0}, {7, 0x1, 0, 2, 0}};
  for (const Case& c : cases) {
    sounds = 0;
    EXPECT_EQ(joy_->GetMenuDirectionCommand(c.bank, c.players, c.sound), c.result);
    EXPECT_EQ(sounds, c.sounds);
  }
  sounds = 0;
  EXPECT_EQ(joy_->GetMenuLeftRight(0x3), 4);
  EXPECT_EQ(sounds, 1);
  // Two players' directions are not ORed into a third one.
  int dir = -1;
  uint32_t pressed = 0, held = 0;
  joy_->GetAllPlayersMenuInput(&dir, &pressed, &held, 0);
  EXPECT_EQ(dir, 2);
}

TEST_F(InputTest, ActingPlayerQueries) {
  Start();
  fake_->SetKey(0x0F, true);  // player 1 START (Tab)
  fake_->SetKey(0x1C, true);  // player 2 START (Enter)
  fake_->SetKey(0x47, true);  // player 2 A (decide)
  Frame();
  struct Case {
    int gameMode, mainSide;
    int start, decide;
  } cases[] = {{0, 0, 1, 0}, {0, 1, 1, 1}, {1, 0, 1, 1}, {0, 3, 0, 0}};
  for (const Case& c : cases) {
    GetInputGameHooks().gameMode = [&] { return c.gameMode; };
    GetInputGameHooks().mainSide = [&] { return c.mainSide; };
    EXPECT_EQ(joy_->IsMenuButton2Pressed(0), c.start);
    EXPECT_EQ(joy_->IsMenuButton0Pressed(0), c.decide);
  }
  EXPECT_EQ(joy_->IsPlayerMenuButton0(1, 2), 1);
  EXPECT_EQ(joy_->IsPlayerMenuButton0(0, 3), 0);
  EXPECT_EQ(joy_->IsPlayerMenuButtonPressedExcept1(1), 1);
  Frame();
  EXPECT_EQ(joy_->IsPlayerMenuButton0(1, 2), 0);  // no longer pressed
  EXPECT_EQ(joy_->IsPlayerMenuButton0(1, 1), 1);  // still held
}

TEST_F(InputTest, ClearAllAndCopyLocalToMenu) {
  Start();
  fake_->SetKey(t::kScanU, true);
  Frame();
  joy_->requestWord = 0x101;
  joy_->latchWords = {1, 1, 1, 1};
  joy_->ClearAll();
  EXPECT_EQ(joy_->requestWord, 0u);
  EXPECT_EQ(joy_->latchWords[0], 0u);
  EXPECT_EQ(joy_->battleBank[0].button[0], 0);
  EXPECT_EQ(joy_->menuBank[0].button[0], 0);
  EXPECT_NE(joy_->localBank[0].button[0], 0);  // the local bank is kept
  joy_->CopyLocalToMenu(0, 3);
  EXPECT_TRUE(SameRecord(joy_->menuBank[3], joy_->localBank[0]));
}

TEST_F(InputTest, NameEntryInputStep) {
  Start();
  int state = 0;
  std::vector<std::string> calls;
  auto& h = GetInputGameHooks();
  h.nameEntryState = [&](int) { return state; };
  h.setNameEntryState = [&](int p, int s) {
    calls.push_back("state " + std::to_string(p) + "=" + std::to_string(s));
  };
  h.registerRankingEntry = [&](int p) {
    calls.push_back("register " + std::to_string(p));
    return 1;
  };
  h.savePlayDataIfLoaded = [&] { calls.push_back("save"); };
  h.clearJoined = [&](int p) { calls.push_back("unjoin " + std::to_string(p)); };
  h.resetSideProgress = [&](int p) { calls.push_back("progress " + std::to_string(p)); };
  h.updateNameEntry = [&](int p, int d, uint32_t w) {
    calls.push_back("entry " + std::to_string(p) + " " + std::to_string(d) + " " + std::to_string(w));
  };
  fake_->SetKey(t::kScanS, true);  // down
  fake_->SetKey(0x0F, true);       // START
  Frame();
  EXPECT_EQ(joy_->UpdateNameEntryInput(0, 1), 0);
  EXPECT_EQ(joy_->UpdateNameEntryInput(0, 0), 0);
  state = 2;
  EXPECT_EQ(joy_->UpdateNameEntryInput(0, 1), 120);
  EXPECT_EQ(calls, (std::vector<std::string>{"entry 0 2 268435460", "entry 0 2 0", "register 0", "save",
                                             "state 0=3", "unjoin 0", "progress 0"}));
}
