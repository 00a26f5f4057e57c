// The input manager: game controllers and the keyboard turned into four input ports. It lists
// the controllers once at start, reads them every frame (plain joysticks and standard-layout
// controllers, each as the game scales them), reads the keyboard, applies each player's pad
// assignment and answers the Alt+F4 quit test. Reached through g_InputManager.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/input/pad_state.h"
#include "platform/input/input_backend.h"

struct SDL_Window;

inline constexpr int kPadSlotCount = 16;

// One enumerated controller's state as the ports read it.
struct PadSlot {
  int32_t x = 0, y = 0, z = 0, rx = 0, ry = 0, rz = 0;  // about -127..127
  uint32_t hat = 0xFFFFFFFF;  // hundredths of a degree clockwise from up; low 16 bits 0xFFFF centred
  int32_t slider = 0;
  uint32_t held = 0;  // bit n-1 = button n
  uint32_t notHeld = 0xFFFFFFFF;
  uint32_t pressed = 0;
  uint32_t released = 0;
  uint8_t valid = 0;
  uint8_t xinput = 0;  // read as a standard-layout controller
};

struct InputPort {
  int32_t assignment = -1;  // pad assignment index, -1 none
  uint8_t direction = 0;
  int32_t lever2X = 0, lever2Y = 0;
  int32_t lever3X = 0, lever3Y = 0;
  uint32_t held = 0;  // the 16 function bits
};

class CInputManagerBase {
 public:
  virtual ~CInputManagerBase() = default;
  virtual int Init(SDL_Window* window) = 0;
  virtual void Release() = 0;
  virtual void Poll() = 0;
  virtual int IsQuitRequested() = 0;
  virtual void GetPortState(int port, PadRawState* raw) = 0;
  virtual int Reserved0() { return 0; }
  virtual int Reserved1() { return 0; }
  virtual int Reserved2() { return 0; }
};

class CInputManagerDirectInput : public CInputManagerBase {
 public:
  ~CInputManagerDirectInput() override;

  // Lists the controllers and resets the ports. 0 when the input devices cannot start (start-up
  // then ends without a message box), else 1.
  int Init(SDL_Window* window) override;
  // Safe to call any number of times.
  void Release() override;
  void Poll() override;
  int IsQuitRequested() override;
  void GetPortState(int port, PadRawState* raw) override;

  // The backend the next Init uses (tests, benchmarks); without one Init opens SDL's.
  void SetBackend(std::unique_ptr<vt::platform::InputBackend> backend);
  bool IsInitialized() const { return backend_ != nullptr; }

  // The code's value on a pad slot: 127 for a held button or a hat in the code's half, the
  // axis magnitude when it has the code's sign, else 0. 0 for any slot outside 0..15 and any
  // code outside 1..34.
  int ReadInputCode(int slot, int code) const;
  const PadSlot& GetPadSlot(int slot) const { return slots_[slot]; }
  int GetPadCount() const { return static_cast<int>(pads_.size()); }
  // Product names of the listed controllers, in order.
  std::vector<std::string> GetPadNames() const;
  std::span<const uint8_t, 256> GetKeyboardState() const { return keyboard_; }
  // The pointer as last seen over the window (kept while it is away).
  const vt::platform::MouseState& GetMouseState() const { return mouse_; }
  const InputPort& GetPort(int port) const { return ports_[port]; }
  void ResetPorts();

 private:
  void PollPads();
  void PollKeyboard();
  void UpdatePorts();
  uint8_t KeyboardDirection(int row) const;
  uint32_t KeyboardButtons(int row) const;
  bool KeyDown(int32_t code) const { return code >= 0 && code < 256 && (keyboard_[code] & 0x80); }

  std::unique_ptr<vt::platform::InputBackend> backend_;
  std::unique_ptr<vt::platform::InputBackend> nextBackend_;
  SDL_Window* window_ = nullptr;
  std::vector<vt::platform::PadInfo> pads_;  // at most 16
  std::array<PadSlot, kPadSlotCount> slots_{};
  std::array<InputPort, 4> ports_{};
  std::array<uint8_t, 256> keyboard_{};
  vt::platform::MouseState mouse_;
};

extern CInputManagerDirectInput g_InputManager;

// A pointer in window units as a point of the 640 x 480 picture, which the presentation fits
// into the window as its largest centred 4:3 rectangle; a pointer over the bars beside it is
// held at the picture's edge. (0, 0) for a window of no size.
void MapWindowToPicture(const vt::platform::MouseState& mouse, float* x, float* y);
// g_InputManager's pointer in the picture (the test menu's shader and particle screens).
void GetMousePicturePosition(float* x, float* y);

// The hat digit on the numeric keypad (0 centred or out of range).
int PovToDirection(uint32_t hat);

// Start-up step of the input manager: Init with the main window. False ends start-up.
bool StartInputManager(SDL_Window* window);
