// The input backend: what the game's input manager reads from the machine each frame.
// Game controllers appear in two forms, as the game expects: a plain joystick (six axes, a
// slider, a hat and up to 128 buttons, scaled as the game's joystick layer scales them) and,
// for pads with a standard layout, a controller state (two sticks, two triggers, d-pad and
// face buttons). The keyboard is a 256-byte state indexed by the game's scan codes.
// The real backend sits on SDL2 (sdl_input_backend.cpp); tests drive a fake one.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vt::platform {

// A centred hat reads 0xFFFF in its low 16 bits.
inline constexpr uint32_t kHatCentred = 0xFFFF;

// Plain joystick state: axes X, Y, Z, X rotation, Y rotation, Z rotation and the sliders in
// -1000..1000, hats in hundredths of a degree clockwise from up, buttons with bit 7 held.
struct JoystickState {
  std::array<int32_t, 6> axis{};
  std::array<int32_t, 2> slider{};
  std::array<uint32_t, 4> hat{kHatCentred, kHatCentred, kHatCentred, kHatCentred};
  std::array<uint8_t, 128> button{};
};

// Standard-layout controller state. Sticks are -32768..32767 with up negative (the
// orientation the game wants), triggers 0..255.
struct ControllerState {
  enum Button : uint16_t {
    kDpadUp = 0x0001,
    kDpadDown = 0x0002,
    kDpadLeft = 0x0004,
    kDpadRight = 0x0008,
    kStart = 0x0010,
    kBack = 0x0020,
    kLeftShoulder = 0x0100,
    kRightShoulder = 0x0200,
    kA = 0x1000,
    kB = 0x2000,
    kX = 0x4000,
    kY = 0x8000,
  };
  uint16_t buttons = 0;
  uint8_t leftTrigger = 0;
  uint8_t rightTrigger = 0;
  int16_t leftX = 0, leftY = 0, rightX = 0, rightY = 0;
};

// The mouse pointer over the game window: its position and the window's size, both in window
// units (so a scaled desktop maps the same), and whether the pointer is over the window.
struct MouseState {
  int32_t x = 0, y = 0;
  int32_t windowWidth = 0, windowHeight = 0;
  bool inside = false;
};

struct PadInfo {
  std::string name;                   // product name
  bool isStandardController = false;  // read through the controller state
  int axes = 0, hats = 0, buttons = 0;
};

class InputBackend {
 public:
  virtual ~InputBackend() = default;
  // Starts the devices and lists the attached controllers. False when the keyboard cannot be
  // served (the input manager then fails to start).
  virtual bool Open() = 0;
  virtual void Close() = 0;
  // The controllers listed by Open, in enumeration order (the manager keeps at most 16).
  virtual const std::vector<PadInfo>& Pads() const = 0;
  // Takes this frame's snapshot of every device; the Read calls below answer from it.
  virtual void BeginFrame() = 0;
  // False when the device failed to deliver this frame (unplugged, lost).
  virtual bool ReadJoystick(int index, JoystickState& out) = 0;
  // One attempt to get a lost device back; true when it answers again.
  virtual bool Reacquire(int index) = 0;
  virtual bool ReadController(int index, ControllerState& out) = 0;
  // Bit 7 set for every key down. False when the keyboard is not available this frame
  // (window without focus): the manager then reads no key down.
  virtual bool ReadKeyboard(std::array<uint8_t, 256>& out) = 0;
  // The pointer of this frame's snapshot; false when there is no mouse over a window.
  virtual bool ReadMouse(MouseState& out) {
    out = MouseState{};
    return false;
  }
};

// The game's scan code (0 when none) of an SDL scancode.
uint8_t ScanCodeFromSdl(int sdlScancode);
// The SDL scancode of one of the game's scan codes (0 when it has none).
int SdlFromScanCode(uint8_t code);

}  // namespace vt::platform
