// A fake input backend for tests and benchmarks: controllers, their axes, hats and buttons and
// the keyboard are set by hand before each frame.
#pragma once

#include <vector>

#include "platform/input/input_backend.h"

namespace vt::platform {

class FakeInputBackend : public InputBackend {
 public:
  struct FakePad {
    PadInfo info;
    JoystickState joystick;
    ControllerState controller;
    bool failing = false;         // ReadJoystick / ReadController fail while set
    bool reacquireWorks = false;  // Reacquire clears `failing`
    int reacquireCalls = 0;
  };

  // Adds a controller; returns its index.
  int AddPad(const std::string& name, bool standardController);
  FakePad& pad(int index) { return pads_.at(index); }

  void SetKey(uint8_t scanCode, bool down) { keys_[scanCode] = down ? 0x80 : 0; }
  void ClearKeys() { keys_.fill(0); }
  void SetKeyboardAvailable(bool available) { keyboardAvailable_ = available; }
  // The pointer at (x, y) of a window of w x h; SetMouseOutside takes it off the window.
  void SetMouse(int32_t x, int32_t y, int32_t w, int32_t h) { mouse_ = {x, y, w, h, true}; }
  void SetMouseOutside() { mouse_.inside = false; }
  void SetOpenFails(bool fails) { openFails_ = fails; }
  bool opened() const { return opened_; }

  bool Open() override;
  void Close() override { opened_ = false; }
  const std::vector<PadInfo>& Pads() const override { return infos_; }
  void BeginFrame() override {}
  bool ReadJoystick(int index, JoystickState& out) override;
  bool Reacquire(int index) override;
  bool ReadController(int index, ControllerState& out) override;
  bool ReadKeyboard(std::array<uint8_t, 256>& out) override;
  bool ReadMouse(MouseState& out) override {
    out = mouse_;
    return mouse_.inside;
  }

 private:
  std::vector<FakePad> pads_;
  std::vector<PadInfo> infos_;
  std::array<uint8_t, 256> keys_{};
  MouseState mouse_;
  bool keyboardAvailable_ = true;
  bool openFails_ = false;
  bool opened_ = false;
};

}  // namespace vt::platform
