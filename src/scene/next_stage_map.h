// The next-stage screen between two battles of the arcade route (scene 10): flash line, shutters
// opening on a perspective map that swings to the next stage's point, the stage's name and
// picture, the route's opponents and the player's character. It leads to the VS screen after
// 10 s or a human button, or to the challenger interrupt when a second player joins.
#pragma once

#include <cstdint>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "scene/scene_frame.h"

inline constexpr int kNextStageEntries = 16;
inline constexpr int kHomeStageCount = 38;
inline constexpr int kMapPointCount = 21;
inline constexpr int kStageMapPointCount = 100;

struct NextStageEntry {
  int32_t stage = 0;
  int32_t opponent = 0;
  int32_t hidden = 0;
};

struct NextStageRoute {
  char name[32] = {};
  int32_t character = -1;
  NextStageEntry entries[kNextStageEntries] = {};
  int32_t count = 0;
  int32_t current = 0;
};

struct NextStageState {
  NextStageRoute route;
  int32_t frames = 0;
  float seconds = 0.0f;
  uint32_t skipInput = 0;
  int32_t skipLatch = 0;
  float flashClock = 0.0f;
  float shutterClock = 0.0f;
};
extern NextStageState g_NextStage;

extern const int32_t g_HomeStageTable[kHomeStageCount];
extern const int32_t MAP_POINTS[kMapPointCount][2];
extern const int32_t STAGE_MAP_POINT[kStageMapPointCount];

struct KeyframeTracker {
  float start = 0.0f;
  float current = 0.0f;
  int32_t index = 0;
  float timeInSegment = 0.0f;
  float fraction = 0.0f;
};
// Fills index, time into the segment and fraction from durations ending with a value <= 0. A
// time past the end, or before the start, resolves to the last segment, completed.
void LookUpKeyframeSegment(KeyframeTracker& tracker, const float* durations);
float ComputeFadeRatio(int direction, float t, float start, float length);

// The home stage of an opponent (0, which lets the VS screen choose, for one outside the table)
// and the map point of a stage (point 0 for one outside 0..99).
int32_t HomeStageOf(int32_t opponent);
int32_t MapPointOfStage(int32_t stage);

// Builds the route record from the main side's selection and route and sets g_MatchStage.
void BuildNextStageRoute(NextStageRoute& route);
// The map matrix for swing G and depth offset z, about map point (px, py).
D3DMatrix NextStageMapMatrix(float swing, float depth, int32_t px, int32_t py);
// A map point under the map matrix, on screen.
void ProjectMapPoint(const D3DMatrix& m, float x, float y, float* sx, float* sy);

class CSceneNextStage : public CSceneProcessBase {
 public:
  int Process(int keepRunning) override;
  void Update() override;
};

void InitNextStageScene();
void TickNextStage();
void DrawNextStageMap();
void LoadNextStageGraphics();
void FreeNextStageGraphics();

void InstallNextStageScene();
