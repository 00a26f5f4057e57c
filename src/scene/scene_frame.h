// The scene frame the frame loop calls: the scene ids and the scene process with its pacing
// stopwatch. The dispatcher has no scenes yet; a frame binds and clears the scene targets only.
#pragma once

#include <cstdint>

#include "app/frame_pacer.h"

extern int g_SceneId;
extern uint8_t g_SceneEnter;
extern int g_SceneIdRun;

struct CSceneProcess {
  PacingStopwatch pacing;
  // Frame-rate counters.
  double frameTime = 0.0;
  int framesLastSecond = 60;
  double instantRate = 1.0;
  double sumTime = 0.0;
  int sumCount = 0;
  long framesCounted = 0;
};

CSceneProcess& GetSceneProcess();

int UpdateSceneFrame(int continueFlag);
void DrawSceneFrame();
void ResetFrameRateCounters();
void SetFirstScene();
