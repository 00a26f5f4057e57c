// The SDL2 input backend: joysticks and game controllers listed once at start, the keyboard
// from SDL's key state while the game window has focus. Snapshots are taken on the window
// thread after each pump pass and handed to the logic thread under a mutex.
#pragma once

#include <functional>
#include <memory>

#include "platform/input/input_backend.h"

struct SDL_Window;

namespace vt::platform {

class SdlInputBackend : public InputBackend {
 public:
  // textSink receives every typed character of code 0x7F or below (window thread).
  SdlInputBackend(SDL_Window* window, std::function<void(char)> textSink);
  ~SdlInputBackend() override;

  bool Open() override;
  void Close() override;
  const std::vector<PadInfo>& Pads() const override;
  void BeginFrame() override;
  bool ReadJoystick(int index, JoystickState& out) override;
  bool Reacquire(int index) override;
  bool ReadController(int index, ControllerState& out) override;
  bool ReadKeyboard(std::array<uint8_t, 256>& out) override;
  bool ReadMouse(MouseState& out) override;

  // Window-thread side (exposed for tests that inject SDL events): one event, one snapshot.
  void HandleEvent(const void* sdlEvent);
  void CaptureSnapshot();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vt::platform
