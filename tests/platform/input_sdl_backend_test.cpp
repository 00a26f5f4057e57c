// The SDL backend against SDL's virtual joysticks: a plain joystick's axes, hat and buttons
// and a standard controller's sticks, triggers and buttons arrive scaled as the game expects;
// typed text passes only its ASCII characters on.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/input/sdl_input_backend.h"

using vt::platform::ControllerState;
using vt::platform::JoystickState;
using vt::platform::SdlInputBackend;

namespace {

class SdlBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
  }
  void TearDown() override {
    for (int index : attached_) SDL_JoystickDetachVirtual(index);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
  }
  int AttachPlain() {
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_ARCADE_STICK, 7, 12, 1);
    EXPECT_GE(index, 0) << SDL_GetError();
    attached_.push_back(index);
    return index;
  }
  int AttachController() {
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                SDL_CONTROLLER_BUTTON_MAX, 0);
    EXPECT_GE(index, 0) << SDL_GetError();
    attached_.push_back(index);
    return index;
  }
  std::vector<int> attached_;
};

TEST_F(SdlBackendTest, PlainJoystickScaling) {
  AttachPlain();
  SdlInputBackend backend(nullptr, nullptr);
  ASSERT_TRUE(backend.Open());
  ASSERT_EQ(backend.Pads().size(), 1u);
  EXPECT_FALSE(backend.Pads()[0].isStandardController);
  SDL_Joystick* j = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(0));
  ASSERT_NE(j, nullptr);
  struct Case {
    Sint16 axis;
    int32_t scaled;
    Uint8 hat;
    uint32_t hatOut;
  } cases[] = {{32767, 1000, SDL_HAT_UP, 0},
               {-32768, -1000, SDL_HAT_RIGHTDOWN, 13500},
               {16384, 500, SDL_HAT_LEFTUP, 31500},
               {0, 0, SDL_HAT_CENTERED, 0xFFFF},
               {-16384, -500, SDL_HAT_LEFT, 27000}};
  for (const Case& c : cases) {
    for (int a = 0; a < 7; ++a) SDL_JoystickSetVirtualAxis(j, a, c.axis);
    SDL_JoystickSetVirtualHat(j, 0, c.hat);
    SDL_JoystickSetVirtualButton(j, 0, c.axis > 0);
    SDL_JoystickSetVirtualButton(j, 11, c.axis < 0);
    SDL_JoystickUpdate();
    backend.CaptureSnapshot();
    backend.BeginFrame();
    JoystickState js;
    ASSERT_TRUE(backend.ReadJoystick(0, js));
    for (int a = 0; a < 6; ++a) EXPECT_EQ(js.axis[a], c.scaled) << c.axis;
    EXPECT_EQ(js.slider[0], c.scaled);
    EXPECT_EQ(js.hat[0], c.hatOut);
    EXPECT_EQ(js.button[0], c.axis > 0 ? 0x80 : 0);
    EXPECT_EQ(js.button[11], c.axis < 0 ? 0x80 : 0);
    EXPECT_EQ(js.button[12], 0);
  }
  std::array<uint8_t, 256> keys{};
  EXPECT_FALSE(backend.ReadKeyboard(keys));  // no window, no focus
  backend.Close();
  EXPECT_TRUE(backend.Pads().empty());
}

TEST_F(SdlBackendTest, StandardControllerReading) {
  AttachController();
  SdlInputBackend backend(nullptr, nullptr);
  ASSERT_TRUE(backend.Open());
  ASSERT_EQ(backend.Pads().size(), 1u);
  if (!backend.Pads()[0].isStandardController)
    GTEST_SKIP() << "this SDL has no mapping for virtual controllers";
  SDL_Joystick* j = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(0));
  SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_LEFTY, -32768);
  SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_RIGHTX, 12345);
  SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767);
  // The raw axis is full range; SDL halves it onto 0..32767 (about 3900 = 30 of 255).
  SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 3900 * 2 - 32768);
  SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_A, 1);
  SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_START, 1);
  SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_DPAD_LEFT, 1);
  SDL_JoystickUpdate();
  backend.CaptureSnapshot();
  backend.BeginFrame();
  ControllerState cs;
  ASSERT_TRUE(backend.ReadController(0, cs));
  EXPECT_EQ(cs.leftY, -32768);  // up stays negative
  EXPECT_EQ(cs.rightX, 12345);
  EXPECT_EQ(cs.leftTrigger, 255);
  EXPECT_EQ(cs.rightTrigger, 30);
  EXPECT_EQ(cs.buttons, ControllerState::kA | ControllerState::kStart | ControllerState::kDpadLeft);
}

// Pads that go away read as failed; nothing brings them back until the next start.
TEST_F(SdlBackendTest, DetachedPadFails) {
  const int index = AttachPlain();
  SdlInputBackend backend(nullptr, nullptr);
  ASSERT_TRUE(backend.Open());
  backend.CaptureSnapshot();
  backend.BeginFrame();
  JoystickState js;
  EXPECT_TRUE(backend.ReadJoystick(0, js));
  SDL_JoystickDetachVirtual(index);
  attached_.clear();
  SDL_JoystickUpdate();
  backend.CaptureSnapshot();
  backend.BeginFrame();
  EXPECT_FALSE(backend.ReadJoystick(0, js));
  EXPECT_FALSE(backend.Reacquire(0));
  EXPECT_FALSE(backend.ReadJoystick(7, js));
}

TEST(SdlBackendText, OnlyAsciiReachesTheSink) {
  std::string got;
  SdlInputBackend backend(nullptr, [&](char c) { got += c; });
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  std::snprintf(e.text.text, sizeof e.text.text, "%s", "a\xc3\xa9\\b");
  backend.HandleEvent(&e);
  EXPECT_EQ(got, "a\\b");  // the ring itself drops the backslash
}

}  // namespace
