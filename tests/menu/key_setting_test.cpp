// The key setting screen driven through the fake input backend: capturing a pad button and a key,
// the swaps and refusals of the assignment rules, DEFAULT, EXIT closing both menus, and the saved
// files.
#include "menu/key_setting.h"

#include <gtest/gtest.h>

#include <string>

#include "MenuWindow/menu_test_util.h"
#include "app/input_fixture.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

class KeySettingTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    GetKeyConfig() = KeyConfigData{};
    for (int p = 0; p < 4; ++p) ResetPadDefaults(p);
    ResetKeyboardMap(0);
    ResetKeyboardMap(1);
    GetInputGameHooks() = InputGameHooks{};
    auto fake = std::make_unique<vt::platform::FakeInputBackend>();
    fake_ = fake.get();
    fake_->AddPad("Pad 0", false);
    g_InputManager.SetBackend(std::move(fake));
    joy_ = &GetAppJoystickInstance();
    *static_cast<CAppJoystick*>(joy_) = CAppJoystick{};
    ASSERT_EQ(g_InputManager.Init(nullptr), 1);
    StartAppJoystick();
    GetKeyConfig().pads[0].Num = 1;
  }
  void TearDown() override {
    screen.Close();
    g_InputManager.Release();
    g_InputManager.SetBackend(nullptr);
    GetInputGameHooks() = InputGameHooks{};
    MenuTest::TearDown();
  }

  // One frame as the pause menu runs the screen.
  void Frame() {
    g_InputManager.Poll();
    joy_->ReadDevices();
    joy_->UpdateBanks();
    screen.RequestClose();
    screen.Update();
    ResetDrawList(&g_MainDrawList);
    screen.Draw();
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) Frame();
  }
  // A pad button held for one frame, then released for one.
  void PressPad(int button) {
    fake_->pad(0).joystick.button[button - 1] = 0x80;
    Frame();
    fake_->pad(0).joystick.button[button - 1] = 0;
    Frame();
  }
  void PressKey(uint8_t code) {
    fake_->SetKey(code, true);
    Frame();
    fake_->SetKey(code, false);
    Frame();
  }
  void PressLever(int y) {
    fake_->pad(0).joystick.axis[1] = y;
    Frame();
    fake_->pad(0).joystick.axis[1] = 0;
    Frame();
  }
  CKeySettingMenuBase& Menu(int p) { return *screen.menus[p]; }
  std::string ChoiceText(int p, const char* id) {
    CGameMenu_Element* e = Menu(p).sets[0]->FindElement(id);
    return e ? e->GetChoiceLabel(0) : "?";
  }

  vt::platform::FakeInputBackend* fake_ = nullptr;
  CAppJoystickWindows* joy_ = nullptr;
  KeySettingScreen screen;
};

constexpr int kDecide = 2;  // pad button of the decide entry (Val14)
constexpr int kUp = -1000, kDown = 1000;

TEST_F(KeySettingTest, CapturesPadButtonsAndSwaps) {
  screen.Open(KeySettingScreen::kController);
  EXPECT_EQ(Menu(0).title, "1P CONTROLLER SETTING");
  Frames(17);
  ASSERT_EQ(Menu(0).openState, CPauseMenu_Default::kOpen);
  const auto& pad = GetKeyConfig().pads[0];
  struct Capture {
    int wait;  // frames between the box appearing and the press (17: fully open)
    int button;
    uint8_t then;  // a key pressed while the box closes (0 none)
    int a, b;      // Val08 (A) and Val09 (B) afterwards
  };
  // Button 4 is B's: the two swap. A press during the opening fade counts; a key pressed after the
  // button, while the box fades out, neither replaces nor cancels it. Button 9 clears A.
  const Capture captures[] = {
      {17, 4, 0, 4, 1}, {17, 7, 0, 7, 1}, {3, 4, 0, 4, 1}, {17, 7, kScanW, 7, 1}, {17, 9, 0, 0, 1},
  };
  for (const Capture& c : captures) {
    SCOPED_TRACE(testing::Message() << "button " << c.button << " after " << c.wait);
    PressPad(kDecide);  // "A" is under the cursor
    ASSERT_NE(Menu(0).capture, nullptr);
    EXPECT_EQ(Menu(0).capture->title, "Check");
    EXPECT_EQ(Menu(0).capture->layer, Menu(0).layer + 1);
    Frames(c.wait);
    PressPad(c.button);
    if (c.then) PressKey(c.then);
    Frames(16);
    EXPECT_EQ(Menu(0).capture, nullptr);
    EXPECT_EQ(pad.Val[8], c.a);
    EXPECT_EQ(pad.Val[9], c.b);
    EXPECT_EQ(ChoiceText(0, "PAD_A"), GetInputCodeName(c.a, false));
    Frames(16);  // the menu brightens again
    EXPECT_FLOAT_EQ(Menu(0).brightness, 1.0f);
  }
  // The decide and cancel entries and the levers never change here.
  EXPECT_EQ(pad.Val[14], 2);
  EXPECT_EQ(pad.Val[15], 3);
  EXPECT_EQ(pad.Val[0], 24);

  // A key pressed in the pad box cancels it.
  PressPad(kDecide);
  Frames(17);
  PressKey(kScanW);
  Frames(16);
  EXPECT_EQ(Menu(0).capture, nullptr);
  EXPECT_EQ(pad.Val[8], 0);

  // DEFAULT (two up from the first function, over the spacer) puts the defaults back.
  PressLever(kUp);
  PressLever(kUp);
  EXPECT_EQ(Menu(0).GetCursorElement()->id, "DEFAULT");
  PressPad(kDecide);
  EXPECT_EQ(pad.Val[8], 1);
  EXPECT_EQ(pad.Val[9], 4);
  EXPECT_EQ(Menu(0).openState, CPauseMenu_Default::kOpen);
}

TEST_F(KeySettingTest, CapturesKeysAndRefusesTheOtherPlayersKeys) {
  screen.Open(KeySettingScreen::kKeyboard);
  EXPECT_EQ(Menu(1).title, "2P KEYBOARD SETTING");
  Frames(17);
  const auto& rows = GetKeyConfig().keyboard;
  for (int i = 0; i < 4; ++i) PressLever(kDown);
  ASSERT_EQ(Menu(0).GetCursorElement()->id, "KEYBOARD_A");
  struct Capture {
    int wait;  // frames between the box appearing and the press (17: fully open)
    uint8_t key;
    int then;  // a pad button pressed while the box closes (0 none)
    int a, b;  // player 1's A and B afterwards
  };
  const Capture captures[] = {
      {17, 0x2C, 0, 0x2C, 23},    // Z: taken
      {17, kScanI, 0, 23, 0x2C},  // I is B's: the two swap
      {17, 0xD0, 0, 23, 0x2C},    // DOWN belongs to player 2: nothing changes
      {3, 0x2D, 0, 0x2D, 0x2C},   // X, pressed while the box fades in
      {17, kScanI, 5, 23, 0x2C},  // I; the pad button after it, while the box closes, cancels nothing
  };
  for (const Capture& c : captures) {
    SCOPED_TRACE(testing::Message() << "key " << int{c.key} << " after " << c.wait);
    PressPad(kDecide);
    ASSERT_NE(Menu(0).capture, nullptr);
    Frames(c.wait);
    PressKey(c.key);
    if (c.then) PressPad(c.then);
    Frames(16);
    EXPECT_EQ(Menu(0).capture, nullptr);
    EXPECT_EQ(rows[0][kKeyA], c.a);
    EXPECT_EQ(rows[0][kKeyB], c.b);
    EXPECT_EQ(rows[1][kKeyDown], 208);
    EXPECT_EQ(ChoiceText(0, "KEYBOARD_A"), GetAssignableKeyName(c.a));
  }
  // A pad button pressed in the key box cancels it.
  PressPad(kDecide);
  Frames(17);
  PressPad(5);
  Frames(16);
  EXPECT_EQ(Menu(0).capture, nullptr);
  EXPECT_EQ(rows[0][kKeyA], 23);
}

TEST_F(KeySettingTest, ExitClosesBothMenusAndTheCallerSavesTheFiles) {
  screen.Open(KeySettingScreen::kKeyboard);
  Frames(17);
  PressLever(kUp);  // onto "EXIT"
  EXPECT_EQ(Menu(0).GetCursorElement()->id, "EXIT");
  fake_->pad(0).joystick.button[kDecide - 1] = 0x80;
  Frame();
  fake_->pad(0).joystick.button[kDecide - 1] = 0;
  EXPECT_EQ(Menu(0).IsClosing(), 1);
  EXPECT_EQ(Menu(1).IsClosing(), 0);
  Frame();  // the close request passes to the other menu
  EXPECT_EQ(Menu(1).IsClosing(), 1);
  EXPECT_EQ(screen.IsFinished(), 0);
  Frames(16);
  ASSERT_EQ(screen.IsFinished(), 1);
  ASSERT_TRUE(KeySettingScreen::SaveConfigFiles());
  screen.Close();
  EXPECT_EQ(screen.open, 0);
  EXPECT_NE(ReadFile("System/_KeyboardConfig.ini").find("P0_Val04= 22"), std::string::npos);
  EXPECT_NE(ReadFile("System/_KeyConfig.ini").find("P0_Val08= 1"), std::string::npos);
}

TEST_F(KeySettingTest, CancelInOneMenuClosesTheOther) {
  screen.Open(KeySettingScreen::kController);
  Frames(17);
  PressPad(3);  // cancel (Val15)
  Frames(17);
  EXPECT_EQ(screen.IsFinished(), 1);
  EXPECT_EQ(Menu(0).declined, 1);
  EXPECT_EQ(Menu(1).declined, 0);
}

}  // namespace
}  // namespace vt::test
