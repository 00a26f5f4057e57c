// The battle camera: the camera point that follows the fighters with a dead zone and rises when
// they jump high, the follow zoom that widens the view when they part, the timed zoom override,
// the screen shake and the story sway, the screen edges, the wall correction of a character and
// the matrices every battle sprite, particle and stage layer is drawn through.
//
// Positions are world units of 1/128 pixel; the walls stand at -65536 and +65536. The zooms and
// the drawn scale are float32; see battle_camera.cpp for the precision of each computation.
#pragma once

#include <bit>
#include <cstdint>

#include "Dxtools/Han6Draw/han6_draw_math.h"

struct BattleObject;
struct PlayerRecord;

// The timed zoom override: blends the drawn scale toward `zoom` over rampIn frames, holds it,
// and blends back over rampOut frames.
struct ZoomOverride {
  int32_t active = 0;
  float zoom = 1.0f;
  int32_t rampIn = 0;
  int32_t hold = 0;
  int32_t rampOut = 0;
  int32_t frame = 0;
  float weight = 0.0f;
};

// The widest follow zoom, 0.839895.
inline constexpr float kCameraMinZoom = std::bit_cast<float>(0x3F57035Cu);

// The shown camera point (drawn at screen pixel 320, 432), where it heads, the point of the last
// update before the shake, and how far the last update moved it.
extern int32_t g_CameraX, g_CameraY;
extern int32_t g_CameraTargetX, g_CameraTargetY;
extern int32_t g_CameraSavedX, g_CameraSavedY;
extern int32_t g_CameraDeltaX, g_CameraDeltaY;
// The follow zoom (limits, height ceiling and screen edges use it), the zoom it heads for, and
// the scale actually drawn (the follow zoom blended toward the override).
extern float g_CameraZoom, g_CameraTargetZoom, g_CameraScale;
// Camera updates since the zoom last had to move out.
extern int32_t g_ZoomSteadyFrames;
// 0 follow; 1 recompute the targets and jump to them; 2 jump to the present targets.
extern int32_t g_CameraSnap;
// Non-zero: the targets and the zoom are kept.
extern uint8_t g_CameraHold;
// 255: every fighter counts for the height and the zoom; else only that slot.
extern uint8_t g_CameraFocus;
// Per slot, 1 = counts for the height, the zoom and the wall correction.
extern uint8_t g_CameraFollow[4];
// 1 / 2 while the camera stands on the left / right limit it was heading for.
extern int32_t g_CameraEdge;
extern ZoomOverride g_ZoomOverride;
// The fixed zoom (special stage, story script) and the story script's sway and fixed height;
// the story script sets them, the camera only reads them.
extern int32_t g_FixedZoomOn;
extern float g_FixedZoom;
extern int32_t g_StorySwayOn;
extern int32_t g_StoryCameraY;

// Row-vector, left-handed matrices.
extern Han6Matrix g_CameraZoomMatrix;    // minus the camera point in pixels, then the scale
extern Han6Matrix g_CameraScreenMatrix;  // translation by (320, 432)
extern Han6Matrix g_BattleCameraMatrix;  // zoom matrix x screen matrix
extern Han6Matrix g_BattleProjection;    // 65-degree perspective
extern Han6Matrix g_BattleViewMatrix;    // its look-at view
extern Han6Matrix g_TiltMatrix;          // the tilted ring particles' view in units of 256 pixels
extern Han6Matrix g_FloorMatrix;         // the last BuildFloorMatrix

// Every camera word back to program start: the reset camera, every slot followed, no fixed
// zoom, no story sway or height.
void ResetBattleCameraState();
void ResetBattleCamera();
// The round start's camera: ResetBattleCamera and every slot followed again.
void ResetBattleCameraForRound();
// The match set-up's part: the drawn scale back to 1.0.
void SetupMatchCamera();
void SetFixedZoom(int mode);
// The special stage's fixed zoom (raised to the widest follow zoom when drawn).
void SetStageFixedZoom(float zoom);
void SetCameraHold(int on);
void SetCameraFocus(int slot);
// Effect 18's switch: whether slot 0 is followed.
void SetCameraLock(int on);
void StartZoomOverride(int rampIn, int hold, int rampOut, float zoom);
void StopZoomOverride();

// Whether a character slot is a fighting character (in use, not a waiting partner, not held).
bool CountsForCamera(const PlayerRecord& r);

// The per-frame update and its steps.
void UpdateBattleCamera();
void UpdateCameraZoom(int32_t minX, int32_t maxX, int32_t minY, int32_t maxY);
void UpdateZoomOverride();
void UpdateCameraTargetY();
void UpdateCameraTargetX();
void SetCameraTargetX(int32_t x);
void ApproachValue(int32_t& value, int32_t target, int32_t maxStep, int32_t minStep);
void ApplyScreenShake();
void BuildBattleCameraMatrices();
void BuildFloorMatrix(float x, float y);
// The drawing half's camera step: the story script's fixed height (matrices rebuilt, deltas 0),
// or the update.
void BattleDrawCameraStep();

// Half the visible width, trunc(40960 / zoom), and the camera centre's limit 67584 - half.
int32_t CameraHalfWidth();
// 0 left and 1 right edge (16 pixels inside), 2 top and 3 bottom of the screen; else 0.
int32_t GetScreenEdge(int index);
// 1 at or beyond the right wall, 2 at or beyond the left wall, else 0.
int EdgeSide(const BattleObject& o);
// The x correction that brings the object and the one it carries inside the walls.
int32_t HeldSpanEdgeCorrection(BattleObject& o);

// Fills the camera's seam rows and draw seams, the automatic facing's included.
void InstallBattleCameraSeams();
