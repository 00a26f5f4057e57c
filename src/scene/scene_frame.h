// The scene frame the frame loop calls: the scene ids and the scene process with its pacing
// stopwatch. The dispatcher has no scenes yet; a frame binds and clears the scene targets only.
#pragma once

#include <cstdint>

#include "app/frame_pacer.h"

// Scene ids (g_SceneId).
enum SceneId : int {
  SCENE_BATTLE = 1,
  SCENE_TITLE = 2,
  SCENE_BOOT = 3,
  SCENE_STORY_ENDING = 4,
  SCENE_WINNER_DEMO = 5,
  SCENE_VS_SCREEN = 8,
  SCENE_STORY = 9,
  SCENE_NEXT_STAGE = 10,
  SCENE_RANKING = 11,
  SCENE_OPTION = 12,
  SCENE_DEMO_VS_SCREEN = 13,
  SCENE_CHARA_SELECT = 20,
  SCENE_MAIN_MENU = 25,
  SCENE_REPLAY_SELECT = 26,
  SCENE_PROC_TEST = 50,
  SCENE_NETWORK_MENU = 100,
  SCENE_QUIT = 255,
};

// What runs a scene id: its per-frame entry (given the keep-running flag; returns the
// dispatcher's result) and the hook run once when the id leaves it. The scene wiring registers
// them; an id with no entry runs only the frame's common steps.
struct SceneHandlers {
  int (*process)(int keepRunning) = nullptr;
  void (*leave)() = nullptr;
};
void RegisterScene(int id, SceneHandlers handlers);
const SceneHandlers& GetSceneHandlers(int id);
void ClearSceneTable();

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
// 1 when the battle frame may advance (the opponent's input is in); the pads are read.
int PollSceneInput();
// In a network match: the random streams from the shared match seed.
void ReseedNetMatchRandom();
void DrawSceneFrame();
void ResetFrameRateCounters();
void SetFirstScene();
