// The scene frame: the run-state quit test, the (empty) dispatcher and the paced draw.
#include "scene/scene_frame.h"

#include <mutex>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/Dshowtool/Dshowtool.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Sound/soundproc.h"
#include "app/app_state.h"
#include "app/save_data.h"
#include "directnet/net_connect.h"

int g_SceneId = 0;
uint8_t g_SceneEnter = 0;
int g_SceneIdRun = 0xFFFF;

namespace {
SceneHandlers g_SceneTable[256];
}

void RegisterScene(int id, SceneHandlers handlers) {
  if (id >= 0 && id < 256) g_SceneTable[id] = handlers;
}

const SceneHandlers& GetSceneHandlers(int id) {
  static const SceneHandlers kNone;
  return id >= 0 && id < 256 ? g_SceneTable[id] : kNone;
}

void ClearSceneTable() {
  for (SceneHandlers& h : g_SceneTable) h = SceneHandlers{};
}

CSceneProcess& GetSceneProcess() {
  static CSceneProcess process = [] {
    CSceneProcess p;
    p.pacing.Init();
    p.pacing.sceneUnchanged = [] { return g_SceneIdRun == g_SceneId; };
    p.pacing.updateNetConnection = [] { return UpdateNetVSConnection(); };
    p.pacing.isMoviePlaying = [] { return IsMoviePlaying() != 0; };
    return p;
  }();
  return process;
}

int UpdateSceneFrame(int continueFlag) {
  (void)continueFlag;
  if (g_AppRunState != nullptr && g_AppRunState->quitRequested != 0) return 0;
  // No scene runs yet: the frame binds and clears the scene targets, as in test mode.
  if (g_D3DDevice != nullptr) BindSceneRenderTargets();
  g_SceneIdRun = g_SceneId;
  UpdateTotalPlayTime();  // the loaded total plus the run timer's whole seconds
  UpdateSoundRequests();  // the frame's effect requests play after the scene update
  return 1;
}

int PollSceneInput() { return 1; }

void ReseedNetMatchRandom() {}

void DrawSceneFrame() {
  CSceneProcess& p = GetSceneProcess();
  if (g_D3DDevice != nullptr) {
    // Texture creation and locking on other threads (the character loader, the movie) take the
    // device lock, so the renders and the present hold it, and the list lock inside it, as
    // every renderer does: device lock first, list lock second.
    auto device = LockD3DDevice();
    std::lock_guard<std::recursive_mutex> lists(g_DrawListLock);
    RunDrawList(&g_MainDrawList);  // the scene's commands, into the scene targets
    CaptureScreenTexture();
    RestoreBackBufferTargets();
    ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF000000u);
    QueueSceneComposition();  // the 640 x 480 scene, letterboxed
    RunDrawList(&g_MainDrawList);
    ResetDrawList(&g_MainDrawList);
    PresentFrame(g_D3DManager, 0.0f);
  }
  p.pacing.WaitNextFrame(1.0 / 60.0);
  ++p.framesCounted;
}

void ResetFrameRateCounters() {
  CSceneProcess& p = GetSceneProcess();
  p.frameTime = 0.0;
  p.framesLastSecond = 60;
  p.instantRate = 1.0;
  p.sumTime = 0.0;
  p.sumCount = 0;
}

void SetFirstScene() {
  g_SceneId = 3;  // boot scene
  g_SceneEnter = 1;
}
