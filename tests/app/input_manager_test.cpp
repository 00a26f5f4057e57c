// Input manager: controller scaling and thresholds, hats, the ports, the keyboard rows, the quit
// test and the guards against bad assignments and too many controllers.
#include <gtest/gtest.h>

#include <vector>

#include "input_fixture.h"

using vt::platform::ControllerState;
using vt::test::InputTest;
namespace t = vt::test;

TEST(PovToDirection, HatValues) {
  struct Case {
    uint32_t hat;
    int dir;
  } cases[] = {{0, 8},     {4500, 9},  {9000, 6},   {13500, 3},      {18000, 2}, {22500, 1}, {27000, 4},
               {31500, 7}, {36000, 0}, {0xFFFF, 0}, {0xFFFFFFFF, 0}, {45000, 0}, {4499, 8}};
  for (const Case& c : cases) EXPECT_EQ(PovToDirection(c.hat), c.dir) << c.hat;
}

// Plain joystick axis on the lever's Y: -1000..1000 becomes -127..127 truncated, active at 64.
TEST_F(InputTest, PlainAxisThresholdDrivesLever) {
  AddPad();
  Start();
  struct Case {
    int32_t axisY;
    int readDown;
    uint8_t dir;
  } cases[] = {{500, 63, 0}, {502, 64, 2}, {-502, 0, 8}, {-500, 0, 0}, {1000, 127, 2}, {0, 0, 0}};
  for (const Case& c : cases) {
    fake_->pad(0).joystick.axis[1] = c.axisY;
    g_InputManager.Poll();
    EXPECT_EQ(g_InputManager.ReadInputCode(0, 23), c.readDown) << c.axisY;
    EXPECT_EQ(Port(0).direction, c.dir) << c.axisY;
  }
}

// Buttons assigned to the lever: up wins over down on a pad; left over right.
TEST_F(InputTest, PadLeverPriorities) {
  AddPad();
  Start();
  auto& val = GetKeyConfig().pads[0].Val;
  val[0] = 1;  // up
  val[1] = 2;  // down
  val[2] = 3;  // left
  val[3] = 4;  // right
  struct Case {
    bool up, down, left, right;
    uint8_t dir;
  } cases[] = {{true, true, false, false, 8}, {true, true, true, false, 7},  {true, false, false, true, 9},
               {false, true, true, true, 1},  {false, true, false, true, 3}, {false, false, true, true, 4},
               {false, false, false, true, 6}};
  for (const Case& c : cases) {
    auto& b = fake_->pad(0).joystick.button;
    b[0] = c.up ? 0x80 : 0;
    b[1] = c.down ? 0x80 : 0;
    b[2] = c.left ? 0x80 : 0;
    b[3] = c.right ? 0x80 : 0;
    g_InputManager.Poll();
    EXPECT_EQ(Port(0).direction, c.dir);
  }
}

TEST_F(InputTest, KeyboardDirections) {
  Start();
  struct Case {
    bool up, down, left, right;
    uint8_t dir;
  } cases[] = {{true, true, false, false, 0},  {false, true, true, false, 1}, {false, true, false, true, 3},
               {true, false, true, false, 7},  {true, false, false, true, 9}, {false, false, true, true, 0},
               {false, false, false, true, 6}, {true, true, true, false, 0}};
  for (const Case& c : cases) {
    fake_->ClearKeys();
    fake_->SetKey(t::kScanW, c.up);
    fake_->SetKey(t::kScanS, c.down);
    fake_->SetKey(t::kScanA, c.left);
    fake_->SetKey(t::kScanD, c.right);
    g_InputManager.Poll();
    EXPECT_EQ(Port(0).direction, c.dir) << c.up << c.down << c.left << c.right;
  }
}

// Standard-layout controllers: triggers held above 30, sticks / 256 with up negative, d-pad
// as the hat, buttons in the order X, A, B, Y, LB, RB, LT, RT, BACK, START.
TEST_F(InputTest, StandardControllerReading) {
  AddPad(true);
  Start();
  ControllerState& cs = fake_->pad(0).controller;
  cs.leftTrigger = 30;
  g_InputManager.Poll();
  EXPECT_EQ(g_InputManager.ReadInputCode(0, 7), 0);
  cs.leftTrigger = 31;
  g_InputManager.Poll();
  EXPECT_EQ(g_InputManager.ReadInputCode(0, 7), 127);

  cs = ControllerState{};
  cs.leftY = -32768;  // stick fully up
  cs.leftX = 32767;
  g_InputManager.Poll();
  EXPECT_EQ(g_InputManager.GetPadSlot(0).y, -128);
  EXPECT_EQ(g_InputManager.GetPadSlot(0).x, 127);
  EXPECT_EQ(Port(0).direction, 9);

  struct Case {
    uint16_t buttons;
    uint32_t held;
  } cases[] = {{ControllerState::kX, 0x1},
               {ControllerState::kA, 0x2},
               {ControllerState::kB, 0x4},
               {ControllerState::kY, 0x8},
               {ControllerState::kLeftShoulder, 0x10},
               {ControllerState::kRightShoulder, 0x20},
               {ControllerState::kBack, 0x100},
               {ControllerState::kStart, 0x200}};
  for (const Case& c : cases) {
    cs = ControllerState{};
    cs.buttons = c.buttons;
    g_InputManager.Poll();
    EXPECT_EQ(g_InputManager.GetPadSlot(0).held, c.held);
  }
  struct Dpad {
    uint16_t buttons;
    uint8_t dir;  // through the second lever (POV defaults)
  } dpads[] = {{ControllerState::kDpadUp | ControllerState::kDpadDown, 8},
               {ControllerState::kDpadLeft | ControllerState::kDpadRight | ControllerState::kDpadDown, 1},
               {ControllerState::kDpadRight, 6},
               {0, 0}};
  for (const Dpad& d : dpads) {
    cs = ControllerState{};
    cs.buttons = d.buttons;
    g_InputManager.Poll();
    EXPECT_EQ(Port(0).direction, d.dir) << d.buttons;
  }
}

// Hats through the second lever (default assignment POV_0/180/270/90), read as the direction
// when the main lever is neutral.
TEST_F(InputTest, HatDrivesSecondLever) {
  AddPad();
  Start();
  struct Case {
    uint32_t hat;
    uint8_t dir;
  } cases[] = {{36000, 0}, {0xFFFF, 0}, {4500, 9}, {31500, 7}, {18000, 2}};
  for (const Case& c : cases) {
    fake_->pad(0).joystick.hat[0] = c.hat;
    g_InputManager.Poll();
    PadRawState raw = Port(0);
    EXPECT_EQ(raw.direction, c.dir) << c.hat;
    EXPECT_EQ(raw.lever2Direction, c.dir) << c.hat;
  }
}

TEST_F(InputTest, KeyboardRowsOnlyOnFirstTwoPortsAndNotWithNoKeyboard) {
  Start();
  fake_->SetKey(t::kScanU, true);  // player 1's A
  struct Case {
    int port;
    int noKeyboard;
    uint32_t buttons;
  } cases[] = {{0, 0, 0x0410}, {0, 1, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
  for (const Case& c : cases) {
    GetKeyConfig().NoKeyboard = c.noKeyboard;
    g_InputManager.Poll();
    EXPECT_EQ(Port(c.port).buttons, c.buttons) << c.port << " " << c.noKeyboard;
  }
  // Player 2's keypad 7 is its A.
  GetKeyConfig().NoKeyboard = 0;
  fake_->SetKey(0x47, true);
  g_InputManager.Poll();
  EXPECT_EQ(Port(1).buttons, 0x0410u);
}

TEST_F(InputTest, KeyboardButtonsBits) {
  Start();
  const struct {
    uint8_t key;
    uint32_t bits;
  } cases[] = {{0x16, 0x0410}, {0x17, 0x0820}, {0x18, 0x0008},
               {0x24, 0x0004}, {0x26, 0x0080}, {0x0F, 0x0001}};
  for (const auto& c : cases) {
    fake_->ClearKeys();
    fake_->SetKey(c.key, true);
    g_InputManager.Poll();
    EXPECT_EQ(Port(0).buttons, c.bits) << int(c.key);
  }
}

TEST_F(InputTest, EitherAltWithF4Quits) {
  Start();
  struct Case {
    bool leftAlt, rightAlt, f4;
    int quit;
  } cases[] = {{true, false, true, 1},
               {false, true, true, 1},
               {true, true, false, 0},
               {false, false, true, 0},
               {true, false, false, 0}};
  for (const Case& c : cases) {
    fake_->ClearKeys();
    fake_->SetKey(t::kScanLeftAlt, c.leftAlt);
    fake_->SetKey(t::kScanRightAlt, c.rightAlt);
    fake_->SetKey(t::kScanF4, c.f4);
    g_InputManager.Poll();
    EXPECT_EQ(g_InputManager.IsQuitRequested(), c.quit);
  }
  fake_->ClearKeys();
  g_InputManager.Poll();
  GetInputGameHooks().titleQuitConfirmed = [] { return true; };
  EXPECT_EQ(g_InputManager.IsQuitRequested(), 1);
}

// The keyboard is read only while available (window focus); otherwise no key is down.
TEST_F(InputTest, KeyboardWithoutFocusReadsNothing) {
  Start();
  fake_->SetKey(t::kScanU, true);
  g_InputManager.Poll();
  EXPECT_EQ(g_InputManager.GetKeyboardState()[t::kScanU], 0xC0);
  g_InputManager.Poll();
  EXPECT_EQ(g_InputManager.GetKeyboardState()[t::kScanU], 0x80);
  fake_->SetKey(t::kScanU, false);
  g_InputManager.Poll();
  EXPECT_EQ(g_InputManager.GetKeyboardState()[t::kScanU], 0x20);
  fake_->SetKey(t::kScanU, true);
  fake_->SetKeyboardAvailable(false);
  g_InputManager.Poll();
  EXPECT_EQ(g_InputManager.GetKeyboardState()[t::kScanU], 0);
  EXPECT_EQ(Port(0).buttons, 0u);
}

// Num 0 and -1 (a file without the key) drive nothing; neither does a number past the list,
// nor codes outside 1..34 (missing entries read -1).
TEST_F(InputTest, BadAssignmentsDriveNothing) {
  AddPad();
  Start();
  auto& pad = fake_->pad(0).joystick;
  for (auto& b : pad.button) b = 0x80;
  pad.axis[1] = 1000;
  struct Case {
    int32_t num;
    int32_t code;
    bool active;
  } cases[] = {{1, 1, true},   {0, 1, false},  {-1, 1, false},   {17, 1, false}, {2, 1, false},
               {1, -1, false}, {1, 35, false}, {1, 1000, false}, {1, 0, false}};
  for (const Case& c : cases) {
    GetKeyConfig().pads[0].Num = c.num;
    GetKeyConfig().pads[0].Val.fill(c.code);
    g_InputManager.Poll();
    PadRawState raw = Port(0);
    EXPECT_EQ(raw.buttons != 0, c.active) << c.num << " " << c.code;
  }
  EXPECT_EQ(g_InputManager.ReadInputCode(-2, 1), 0);
  EXPECT_EQ(g_InputManager.ReadInputCode(16, 1), 0);
}

TEST_F(InputTest, SeventeenthControllerIgnored) {
  for (int i = 0; i < 17; ++i) AddPad();
  Start();
  EXPECT_EQ(g_InputManager.GetPadCount(), 16);
  fake_->pad(16).joystick.button[0] = 0x80;
  GetKeyConfig().pads[0].Num = 17;
  g_InputManager.Poll();
  EXPECT_EQ(Port(0).buttons, 0u);
  fake_->pad(15).joystick.button[0] = 0x80;
  GetKeyConfig().pads[0].Num = 16;
  g_InputManager.Poll();
  EXPECT_EQ(Port(0).buttons, 0x10u);  // button 1 is A by default
}

// A pad that stops answering keeps its last state and gets one re-acquire attempt per frame.
TEST_F(InputTest, LostPadKeepsStateAndRetriesOncePerFrame) {
  AddPad();
  Start();
  auto& pad = fake_->pad(0);
  pad.joystick.button[0] = 0x80;
  g_InputManager.Poll();
  EXPECT_EQ(g_InputManager.GetPadSlot(0).pressed, 1u);
  pad.failing = true;
  pad.joystick.button[0] = 0;
  for (int f = 0; f < 3; ++f) g_InputManager.Poll();
  EXPECT_EQ(pad.reacquireCalls, 3);
  EXPECT_EQ(g_InputManager.GetPadSlot(0).held, 1u);
  pad.failing = false;
  g_InputManager.Poll();
  EXPECT_EQ(g_InputManager.GetPadSlot(0).held, 0u);
  EXPECT_EQ(g_InputManager.GetPadSlot(0).released, 1u);
}

TEST_F(InputTest, ReleaseIsIdempotentAndInitFailureReported) {
  Start();
  g_InputManager.Release();
  g_InputManager.Release();
  EXPECT_FALSE(g_InputManager.IsInitialized());
  auto failing = std::make_unique<vt::platform::FakeInputBackend>();
  failing->SetOpenFails(true);
  g_InputManager.SetBackend(std::move(failing));
  EXPECT_EQ(g_InputManager.Init(nullptr), 0);
  g_InputManager.Poll();  // harmless without devices
  EXPECT_EQ(Port(0).buttons, 0u);
}

// The capture of a pad button in the controller setting menu, and the title screen's button 9.
TEST_F(InputTest, PadButtonNumberPressedThisFrame) {
  AddPad();
  AddPad();
  Start();
  auto& b0 = fake_->pad(0).joystick.button;
  auto& b1 = fake_->pad(1).joystick.button;
  struct Case {
    std::vector<int> pad0, pad1;  // buttons newly held this frame (1-based)
    int number0, nine;
  } cases[] = {
      {{3, 7}, {}, 7, 0}, {{11, 2}, {}, 2, 0}, {{}, {9}, 0, 1}, {{9, 10}, {}, 10, 0}, {{}, {}, 0, 0}};
  for (const Case& c : cases) {
    b0.fill(0);
    b1.fill(0);
    g_InputManager.Poll();
    for (int b : c.pad0) b0[b - 1] = 0x80;
    for (int b : c.pad1) b1[b - 1] = 0x80;
    g_InputManager.Poll();
    EXPECT_EQ(GetPadButtonNumber(0), c.number0);
    EXPECT_EQ(IsPadButton9Pressed(), c.nine);
    g_InputManager.Poll();  // held, no longer pressed
    EXPECT_EQ(GetPadButtonNumber(0), 0);
  }
  EXPECT_EQ(GetPadButtonNumber(16), 0);
}

// Every code's reading on a plain joystick: hat halves (a diagonal counts for both), axis
// halves by sign with the magnitude for the negative codes, the slider last.
TEST_F(InputTest, InputCodeReadings) {
  AddPad();
  Start();
  auto& js = fake_->pad(0).joystick;
  js.axis = {1000, -1000, 502, -502, 800, -8};
  js.slider[0] = -1000;
  js.button[15] = 0x80;
  js.hat[0] = 4500;  // up-right
  g_InputManager.Poll();
  const int expected[kMaxInputCode + 2] = {0,  // none
                                           0,   0,   0, 0,   0, 0, 0, 0,
                                           0,   0,   0, 0,   0, 0, 0, 127,  // buttons 1..16
                                           127, 0,   0, 127,                // hat up, down, left, right
                                           127, 0,   0, 127,                // X +/-, Y +/-
                                           64,  0,   0, 64,                 // Z, X rotation
                                           102, 0,   0, 1,                  // Y rotation, Z rotation
                                           0,   127,                        // slider
                                           0};                              // code 35
  for (int code = 0; code <= kMaxInputCode + 1; ++code) {
    EXPECT_EQ(g_InputManager.ReadInputCode(0, code), expected[code]) << "code " << code;
  }
  struct Hat {
    uint32_t hat;
    bool up, down, left, right;
  } hats[] = {{0, 1, 0, 0, 0},     {9000, 0, 0, 0, 1},   {13500, 0, 1, 0, 1}, {22500, 0, 1, 1, 0},
              {31500, 1, 0, 1, 0}, {0xFFFF, 0, 0, 0, 0}, {36000, 0, 0, 0, 0}};
  for (const Hat& h : hats) {
    js.hat[0] = h.hat;
    g_InputManager.Poll();
    EXPECT_EQ(g_InputManager.ReadInputCode(0, 17) != 0, h.up) << h.hat;
    EXPECT_EQ(g_InputManager.ReadInputCode(0, 18) != 0, h.down) << h.hat;
    EXPECT_EQ(g_InputManager.ReadInputCode(0, 19) != 0, h.left) << h.hat;
    EXPECT_EQ(g_InputManager.ReadInputCode(0, 20) != 0, h.right) << h.hat;
  }
}
