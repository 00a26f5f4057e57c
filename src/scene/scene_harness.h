// The in-process scene harness (test tooling for tests and benchmarks): the game's wiring
// installed as start-up installs it, then logic frames run in the main loop's order on the
// recording device or the offscreen GL device, with a fake clock and fake pads fed from a table
// of frames. Each frame reports the scene id and enter flag it ended with and the battle and
// stage state hashes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace vt::platform {
class FakeClock;
class FakeInputBackend;
}  // namespace vt::platform
struct SDL_Window;

// One frame of pads: the numeric-keypad direction (0 or 5 neutral) and the held buttons (bit n
// is button n of the pad) of the first two controllers.
struct ScenePadFrame {
  uint8_t dir[2] = {};
  uint32_t buttons[2] = {};
};

// Scripted pads through the game's own device read: a fake input backend with two pads in the
// input manager, the key settings at their defaults with the pads on the first two ports.
// Returns the backend (owned by the input manager), or null when the manager would not start.
vt::platform::FakeInputBackend* InstallScriptedPads();
void ReleaseScriptedPads();
// Sets pad p (0 or 1) of the backend so that its port reads `dir` (numeric keypad) and the raw
// button bits `rawButtons` through the key settings.
void SetScriptedPad(vt::platform::FakeInputBackend* input, int p, uint8_t dir, uint32_t rawButtons);
// The pad buttons (bit n: button n of the pad) that make port p (0 or 1) read the raw button bits
// `rawButtons` through the key settings.
uint32_t ScriptedPadButtons(int p, uint32_t rawButtons);

struct SceneFrameReport {
  int sceneId = 0;
  uint8_t enter = 0;
  uint64_t battleHash = 0;
  uint64_t stageHash = 0;
};

struct SceneHarnessOptions {
  bool gl = false;  // the offscreen GL device (SDL's offscreen driver) instead of the recording one
  int width = 1280;
  int height = 720;
  int firstScene = 0;  // 0 keeps the boot scene start-up sets
  // Start-up's common resources (shaders, system effects with the calls' graphics, battle HUD
  // and KO graphics, fonts, default side panels, battle tables), loaded from the working folder
  // after the wiring and freed by Stop as shutdown frees them.
  bool commonResources = false;
};

class SceneHarness {
 public:
  SceneHarness();
  ~SceneHarness();
  // Device, render targets, fake clock and pads, input manager and joystick, the game wiring,
  // then the first scene. False when the device could not be made.
  bool Start(const SceneHarnessOptions& options = {});
  void Stop();
  // Pads from this table, frame by frame from the next frame on; neutral after its end.
  void SetPads(std::vector<ScenePadFrame> pads);
  // One logic frame (RunLogicFrame) with this frame's pads; the loop's result goes to `result`.
  SceneFrameReport RunFrame(int* result = nullptr);
  // One logic frame with the pads given (the table is not read).
  SceneFrameReport RunFrame(const ScenePadFrame& pads, int* result = nullptr);
  // Frames until `count` have run or the loop ended.
  std::vector<SceneFrameReport> Run(int count);
  // The leave hook of the scene that ran last, as the dispatcher would run it before the next
  // scene; then no scene runs. Stop does this first.
  void LeaveScene();
  vt::platform::FakeClock& clock() { return *clock_; }
  // The fake input device the pads are fed through (the mouse is set on it directly).
  vt::platform::FakeInputBackend* input() { return input_; }
  int framesRun() const { return frame_; }

 private:
  void FeedPads(const ScenePadFrame& f);
  SceneFrameReport RunFed(int* result);
  std::unique_ptr<vt::platform::FakeClock> clock_;
  vt::platform::FakeInputBackend* input_ = nullptr;
  std::vector<ScenePadFrame> pads_;
  size_t padIndex_ = 0;
  int frame_ = 0;
  bool started_ = false;
  SDL_Window* window_ = nullptr;
  bool videoStarted_ = false;
  bool commonResources_ = false;
};
