// The scene frame: the run-state quit test, the (empty) dispatcher and the paced draw.
#include "scene/scene_frame.h"

#include "app/app_state.h"
#include "directnet/net_connect.h"

int g_SceneId = 0;
uint8_t g_SceneEnter = 0;
int g_SceneIdRun = 0xFFFF;

CSceneProcess& GetSceneProcess() {
  static CSceneProcess process = [] {
    CSceneProcess p;
    p.pacing.Init();
    p.pacing.sceneUnchanged = [] { return g_SceneIdRun == g_SceneId; };
    p.pacing.updateNetConnection = [] { return UpdateNetVSConnection(); };
    return p;
  }();
  return process;
}

int UpdateSceneFrame(int continueFlag) {
  (void)continueFlag;
  if (g_AppRunState != nullptr && g_AppRunState->quitRequested != 0) return 0;
  g_SceneIdRun = g_SceneId;
  return 1;
}

void DrawSceneFrame() {
  CSceneProcess& p = GetSceneProcess();
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
