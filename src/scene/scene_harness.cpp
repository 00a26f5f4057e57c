// The in-process scene harness.
#include "scene/scene_harness.h"

#include <SDL.h>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "app/app_services.h"
#include "app/app_state.h"
#include "app/frame_loop.h"
#include "app/game_wiring.h"
#include "app/input/app_joystick.h"
#include "app/input/input_manager.h"
#include "app/input/key_config.h"
#include "battle/battle_records.h"
#include "battle/chara_loader.h"
#include "platform/clock.h"
#include "platform/gfx/device.h"
#include "platform/input/fake_input_backend.h"
#include "scene/scene_frame.h"
#include "scene/stage_bg.h"

namespace {

AppRunState g_harnessRunState;

uint32_t HatOf(uint8_t dir) {
  // Numeric keypad to hundredths of a degree clockwise from up.
  static const uint32_t kHat[10] = {vt::platform::kHatCentred, 22500, 18000, 13500, 27000,
                                    vt::platform::kHatCentred, 9000,  31500, 0,     4500};
  return dir < 10 ? kHat[dir] : vt::platform::kHatCentred;
}

}  // namespace

vt::platform::FakeInputBackend* InstallScriptedPads() {
  GetKeyConfig() = KeyConfigData{};
  for (int p = 0; p < 4; ++p) ResetPadDefaults(p);
  ResetKeyboardMap(0);
  ResetKeyboardMap(1);
  auto input = std::make_unique<vt::platform::FakeInputBackend>();
  vt::platform::FakeInputBackend* pads = input.get();
  pads->AddPad("Harness pad 1", false);
  pads->AddPad("Harness pad 2", false);
  g_InputManager.SetBackend(std::move(input));
  if (g_InputManager.Init(nullptr) != 1) return nullptr;
  StartAppJoystick();
  // The two pads on the first two ports, as the key settings assign them.
  for (int p = 0; p < 2; ++p)
    if (GetKeyConfig().pads[p].Num == 0) GetKeyConfig().pads[p].Num = p + 1;
  return pads;
}

void ReleaseScriptedPads() {
  g_InputManager.Release();
  g_InputManager.SetBackend(nullptr);
}

uint32_t ScriptedPadButtons(int p, uint32_t rawButtons) {
  if (p < 0 || p > 1) return 0;
  // Raw bit k is held while the pad button its key setting names (input codes 1..16) is down.
  const PadAssignment& pad = GetKeyConfig().pads[p];
  uint32_t buttons = 0;
  for (int k = 0; k < 16; ++k) {
    const int code = pad.Val[static_cast<size_t>(k + 4)];
    if ((rawButtons >> k) & 1 && code >= 1 && code <= 16) buttons |= 1u << (code - 1);
  }
  return buttons;
}

void SetScriptedPad(vt::platform::FakeInputBackend* input, int p, uint8_t dir, uint32_t rawButtons) {
  if (input == nullptr || p < 0 || p > 1) return;
  vt::platform::JoystickState& js = input->pad(p).joystick;
  js = vt::platform::JoystickState{};
  js.hat[0] = HatOf(dir);
  const uint32_t buttons = ScriptedPadButtons(p, rawButtons);
  for (int b = 0; b < 32; ++b) js.button[b] = (buttons >> b) & 1 ? 0x80 : 0;
}

SceneHarness::SceneHarness() = default;
SceneHarness::~SceneHarness() { Stop(); }

bool SceneHarness::Start(const SceneHarnessOptions& options) {
  Stop();
  clock_ = std::make_unique<vt::platform::FakeClock>();
  vt::platform::SetClock(clock_.get());
  g_FrameClockWaits = true;
  if (InitD3DTools() != 1) return false;
  DeviceRequest request;
  if (options.gl) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    videoStarted_ = true;
    window_ = SDL_CreateWindow("scene harness", 0, 0, options.width, options.height,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window_ == nullptr) return false;
    request.window = window_;
  }
  request.width = options.width;
  request.height = options.height;
  if (CreateD3DDevice(request) != 1) return false;
  vt::gfx::MakeDeviceCurrentOnThisThread();
  InitGrpManager();
  if (CreateFrameRenderTargets() != 1) return false;
  ResetDrawList(&g_MainDrawList);

  // Default key settings, as a game folder without settings files gives them.
  input_ = InstallScriptedPads();
  if (input_ == nullptr) return false;

  g_harnessRunState.quitRequested = 0;
  g_harnessRunState.quitAcknowledged = 0;
  g_AppRunState = &g_harnessRunState;
  InstallGameWiring();
  if (options.commonResources) {
    vt::Services().LoadCommonResources();
    commonResources_ = true;
  }
  ResetSceneSpine();
  SetFirstScene();
  if (options.firstScene != 0) ChangeScene(options.firstScene);
  pads_.clear();
  padIndex_ = 0;
  frame_ = 0;
  started_ = true;
  return true;
}

void SceneHarness::Stop() {
  g_FrameClockWaits = false;
  if (!started_) {
    if (clock_) vt::platform::SetClock(nullptr);
    clock_.reset();
    return;
  }
  started_ = false;
  // The scene of the moment leaves (its hook frees what it holds) before the tools go.
  LeaveScene();
  if (commonResources_) vt::Services().FreeCommonResources();
  commonResources_ = false;
  ResetSceneSpine();
  {
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    ResetDrawList(&g_MainDrawList);
  }
  ReleaseScriptedPads();
  input_ = nullptr;
  FreeFrameRenderTargets();
  ShutdownGrpManager();
  ShutdownD3DTools();
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  window_ = nullptr;
  if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  videoStarted_ = false;
  g_AppRunState = nullptr;
  vt::platform::SetClock(nullptr);
  clock_.reset();
}

void SceneHarness::SetPads(std::vector<ScenePadFrame> pads) {
  pads_ = std::move(pads);
  padIndex_ = 0;
}

void SceneHarness::LeaveScene() {
  // The scene that ran last holds what it loaded; a scene stored but not yet run holds nothing.
  const int last = g_SceneIdStep > 0 ? g_SceneIdStep : g_SceneId;
  g_SceneId = 0;
  if (g_SceneIdStep != -1) g_SceneIdStep = 0;
  const SceneHandlers& h = GetSceneHandlers(last);
  if (h.leave != nullptr && last != 0) h.leave();
}

void SceneHarness::FeedPads(const ScenePadFrame& f) {
  for (int p = 0; p < 2; ++p) {
    vt::platform::JoystickState& js = input_->pad(p).joystick;
    js = vt::platform::JoystickState{};
    js.hat[0] = HatOf(f.dir[p]);
    for (int b = 0; b < 32; ++b) js.button[b] = (f.buttons[p] >> b) & 1 ? 0x80 : 0;
  }
}

SceneFrameReport SceneHarness::RunFrame(int* result) {
  const ScenePadFrame neutral;
  FeedPads(padIndex_ < pads_.size() ? pads_[padIndex_] : neutral);
  ++padIndex_;
  return RunFed(result);
}

SceneFrameReport SceneHarness::RunFrame(const ScenePadFrame& pads, int* result) {
  FeedPads(pads);
  return RunFed(result);
}

SceneFrameReport SceneHarness::RunFed(int* result) {
  // Pacing waits on the fake clock: a frame's wait moves it on without real time passing.
  const int r = RunLogicFrame();
  if (result != nullptr) *result = r;
  ++frame_;
  SceneFrameReport report;
  report.sceneId = g_SceneId;
  report.enter = g_SceneEnter;
  // From the loader thread's start to its join (the VS screen's load) the player records, frame
  // data and stage file are the loader's: the report reads them only after the join, and says 0
  // until then.
  if (GetCharaDataLoader().HasThread() != 0) return report;
  report.battleHash = BattleStateHash();
  report.stageHash = StageStateHash();
  return report;
}

std::vector<SceneFrameReport> SceneHarness::Run(int count) {
  std::vector<SceneFrameReport> out;
  for (int i = 0; i < count; ++i) {
    int r = 1;
    out.push_back(RunFrame(&r));
    if (r != 1) break;
  }
  return out;
}
