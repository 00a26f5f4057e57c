// The battle camera.
//
// Precision (replays and peers recompute the camera, and box placement reads the camera point
// through >> 7, so one unit can move a box by a pixel):
// - The follow zoom, its target, the drawn scale, the override's zoom and weight are float32.
// - 1 / zoom (camera limits, the height ceiling, the screen edges) is a float32 reciprocal,
//   multiplied by the integer base in float32 and truncated: trunc((1.0f / z) * base). One step
//   above the widest zoom (0x3F57035D) half the width is 48768 so, 48767 in double or as 40960 / z;
//   at the widest zoom the height ceiling's trunc((1 / z - 1) x -61440) is -11711 so, -11712 in
//   double.
// - The shake's a / s x V and the sway's -96 x w / s are float32 and truncated.
// - The horizontal zoom-out's `want` is worked out in double and stored as float32; so is the
//   vertical 35840 / spread. The steps 0.03, 0.01 and 0.002 and the ease-in (target - z) / 16
//   are double arithmetic on the float32 zoom, stored back as float32.
// - The override's weight frame / rampIn and 1 - e / rampOut are float32.
// Every float-to-int conversion goes through FloatToInt32.
#include "battle/battle_camera.h"

#include <algorithm>
#include <cstdlib>

#include "battle/battle_draw.h"
#include "battle/battle_driver.h"
#include "battle/battle_facing.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"

int32_t g_CameraX = 0, g_CameraY = 0;
int32_t g_CameraTargetX = 0, g_CameraTargetY = 0;
int32_t g_CameraSavedX = 0, g_CameraSavedY = 0;
int32_t g_CameraDeltaX = 0, g_CameraDeltaY = 0;
float g_CameraZoom = 1.0f, g_CameraTargetZoom = 1.0f, g_CameraScale = 1.0f;
int32_t g_ZoomSteadyFrames = 0;
int32_t g_CameraSnap = 0;
uint8_t g_CameraHold = 0;
uint8_t g_CameraFocus = 255;
uint8_t g_CameraFollow[4] = {1, 1, 1, 1};
int32_t g_CameraEdge = 0;
ZoomOverride g_ZoomOverride;
int32_t g_FixedZoomOn = 0;
float g_FixedZoom = 1.0f;
int32_t g_StorySwayOn = 0;
int32_t g_StoryCameraY = 0;

Han6Matrix g_CameraZoomMatrix = Han6Matrix::Identity();
Han6Matrix g_CameraScreenMatrix = Han6Matrix::Identity();
Han6Matrix g_BattleCameraMatrix = Han6Matrix::Identity();
Han6Matrix g_BattleProjection = Han6Matrix::Identity();
Han6Matrix g_BattleViewMatrix = Han6Matrix::Identity();
Han6Matrix g_TiltMatrix = Han6Matrix::Identity();
Han6Matrix g_FloorMatrix = Han6Matrix::Identity();

namespace {

constexpr int32_t kWall = 65536;
// The visible area may pass the walls by 16 pixels.
constexpr int64_t kViewLimit = 67584;

bool PassesFocus(int slot) { return g_CameraFocus == 255 || g_CameraFocus == slot; }

bool CountsForHeight(int slot) {
  return CountsForCamera(g_PlayerRecords[slot]) && g_CameraFollow[slot] != 0 && PassesFocus(slot);
}

// trunc((1 / zoom) x base) in float32; the base itself at zoom 1.0.
int32_t ByZoom(int32_t base) {
  if (g_CameraZoom == 1.0f) return base;
  const float reciprocal = 1.0f / g_CameraZoom;
  return FloatToInt32(reciprocal * static_cast<float>(base));
}

float ClampZoom(float z) { return std::clamp(z, kCameraMinZoom, 1.0f); }

int32_t Clamp32(int64_t v, int64_t lo, int64_t hi) {
  if (v < lo) v = lo;
  if (v > hi) v = hi;
  return Wrap<int32_t>(v);
}

// D3DXMatrixPerspectiveFovLH with aspect 1: y scale cot(fov / 2).
Han6Matrix PerspectiveFov(double fovRadians, float zn, float zf) {
  const float yScale = static_cast<float>(BattleCos(fovRadians / 2.0) / BattleSin(fovRadians / 2.0));
  Han6Matrix m{};
  m.m[0][0] = yScale;
  m.m[1][1] = yScale;
  m.m[2][2] = zf / (zf - zn);
  m.m[2][3] = 1.0f;
  m.m[3][2] = -zn * zf / (zf - zn);
  return m;
}

Han6Matrix LookAtOrigin(float eyeZ) {
  Han6Matrix m;
  BuildLookAtMatrix(&m, D3DVector3{0.0f, 0.0f, eyeZ}, D3DVector3{0.0f, 0.0f, 0.0f},
                    D3DVector3{0.0f, 1.0f, 0.0f});
  return m;
}

// Left-handed rotation about x for row vectors, through the game's own sine.
Han6Matrix RotationX(double radians) {
  const float c = static_cast<float>(BattleCos(radians)), s = static_cast<float>(BattleSin(radians));
  Han6Matrix m = Han6Matrix::Identity();
  m.m[1][1] = c;
  m.m[1][2] = s;
  m.m[2][1] = -s;
  m.m[2][2] = c;
  return m;
}

// Seam forms of the state reads.
int32_t SeamCameraX() { return g_CameraX; }
int32_t SeamCameraY() { return g_CameraY; }
int32_t SeamCameraTargetX() { return g_CameraTargetX; }
int32_t SeamCameraDeltaX() { return g_CameraDeltaX; }
int32_t SeamCameraDeltaY() { return g_CameraDeltaY; }
float SeamCameraZoom() { return g_CameraZoom; }
float SeamCameraScale() { return g_CameraScale; }
int32_t SeamHeldSpanEdgeCorrection(BattleObject* o) { return o ? HeldSpanEdgeCorrection(*o) : 0; }
int SeamAutoFace(BattleObject* o, int offset) { return o ? AutoFace(*o, offset) : -1; }
void SeamAutoFacing(BattleObject* o) {
  if (o) AutoFacing(*o);
}
void SeamFacePartner(BattleObject* o) {
  if (o) FacePartner(*o);
}
void SeamCameraMatrix(bool zoom, Han6Matrix* out) {
  *out = zoom ? g_BattleCameraMatrix : g_CameraScreenMatrix;
}

}  // namespace

void ResetBattleCamera() {
  g_ZoomOverride.active = 0;
  g_ZoomOverride.weight = 0.0f;
  g_CameraX = g_CameraY = 0;
  g_CameraTargetX = g_CameraTargetY = 0;
  g_CameraSavedX = g_CameraSavedY = 0;
  g_CameraDeltaX = g_CameraDeltaY = 0;
  g_CameraZoom = g_CameraScale = g_CameraTargetZoom = 1.0f;
  g_ZoomSteadyFrames = 0;
  g_CameraSnap = 0;
  g_CameraFocus = 255;
  g_CameraHold = 0;
}

void ResetBattleCameraForRound() {
  ResetBattleCamera();
  for (uint8_t& f : g_CameraFollow) f = 1;
}

void ResetBattleCameraState() {
  ResetBattleCameraForRound();
  g_ZoomOverride = ZoomOverride{};
  g_CameraEdge = 0;
  g_FixedZoomOn = 0;
  g_FixedZoom = 1.0f;
  g_StorySwayOn = 0;
  g_StoryCameraY = 0;
  BuildBattleCameraMatrices();
  g_FloorMatrix = Han6Matrix::Identity();
}

void SetupMatchCamera() { g_CameraScale = 1.0f; }

void SetFixedZoom(int mode) {
  if (mode == 0 || mode == 1) {
    g_CameraZoom = g_CameraTargetZoom = mode == 0 ? 1.0f : kCameraMinZoom;
    g_CameraSnap = 1;
  } else {
    g_CameraSnap = 2;
  }
}

void SetStageFixedZoom(float zoom) {
  g_FixedZoomOn = 1;
  g_FixedZoom = zoom;
}

void SetCameraHold(int on) { g_CameraHold = on != 0 ? 1 : 0; }
void SetCameraFocus(int slot) { g_CameraFocus = Wrap<uint8_t>(slot); }
// Slot 0's entry whatever object runs the effect: kept as the effect has always worked.
void SetCameraLock(int on) { g_CameraFollow[0] = on != 0 ? 1 : 0; }

void StartZoomOverride(int rampIn, int hold, int rampOut, float zoom) {
  ZoomOverride& z = g_ZoomOverride;
  z.rampIn = rampIn;
  z.hold = hold;
  z.rampOut = rampOut;
  // A zoom of 0 or below (or not a number) would scale the view to nothing and make the shake
  // divide by it: it reads as 1.0, as the frame effect reads its parameter.
  z.zoom = zoom > 0.0f ? zoom : 1.0f;
  z.frame = 0;
  z.weight = 0.0f;
  z.active = 1;
}

void StopZoomOverride() {
  g_ZoomOverride.active = 0;
  g_ZoomOverride.weight = 0.0f;
}

bool CountsForCamera(const PlayerRecord& r) { return r.inUse && r.obj.partnerState == 0 && r.obj.held != 1; }

void UpdateBattleCamera() {
  const int32_t startX = g_CameraX, startY = g_CameraY;
  int32_t minX = 200000, maxX = -200000, minY = 200000, maxY = -200000;
  bool any = false;
  for (int i = 0; i < kPlayerSlots; ++i) {
    if (!CountsForHeight(i)) continue;
    BattleObject& o = g_PlayerRecords[i].obj;
    const int32_t c = HeldSpanEdgeCorrection(o);
    if (c != 0) {
      o.posX = WrapAdd(o.posX, c);
      if (o.heldObject && o.holding) o.heldObject->posX = WrapAdd(o.heldObject->posX, c);
    }
    minX = std::min(minX, o.posX);
    maxX = std::max(maxX, o.posX);
    minY = std::min(minY, o.posY);
    maxY = std::max(maxY, o.posY);
    any = true;
  }
  if (!any) {
    // The camera stands still: frame condition 16 must not move objects by the last update's
    // movement.
    g_CameraDeltaX = g_CameraDeltaY = 0;
    return;
  }
  if (!(g_Paused || g_GlobalFreeze != 0 || IsSlowMotionSkipFrame())) {
    g_CameraX = g_CameraSavedX;
    g_CameraY = g_CameraSavedY;
    bool zoomed = false;
    if (g_CameraSnap != 2 && g_CameraHold == 0) {
      UpdateCameraZoom(minX, maxX, minY, maxY);
      zoomed = true;
      UpdateCameraTargetY();
      UpdateCameraTargetX();
    }
    if (g_CameraSnap != 0) {
      g_CameraX = g_CameraTargetX;
      g_CameraY = g_CameraTargetY;
      g_CameraSnap = 0;
      if (!zoomed) UpdateCameraZoom(minX, maxX, minY, maxY);
    } else {
      ApproachValue(g_CameraX, g_CameraTargetX, 4096, 256);
      ApproachValue(g_CameraY, g_CameraTargetY, 4096, 256);
    }
    g_CameraSavedX = g_CameraX;
    g_CameraSavedY = g_CameraY;
    ApplyScreenShake();
  }
  BuildBattleCameraMatrices();
  g_CameraDeltaX = Wrap<int32_t>(int64_t{g_CameraX} - startX);
  g_CameraDeltaY = Wrap<int32_t>(int64_t{g_CameraY} - startY);
}

void UpdateCameraZoom(int32_t minX, int32_t maxX, int32_t minY, int32_t maxY) {
  const int64_t spreadX = int64_t{maxX} - minX, spreadY = int64_t{maxY} - minY;
  float z = g_CameraZoom;
  int32_t steady = g_ZoomSteadyFrames;
  if (spreadX >= 57600) {
    // Reaches the widest zoom at a spread of 93440 (730 pixels).
    float want =
        static_cast<float>(1.0 - static_cast<double>(spreadX - 57600) * 0.16010498687664043 / 35840.0);
    if (z > want) {
      z = static_cast<float>(std::max(static_cast<double>(z) - 0.03, static_cast<double>(want)));
      z = ClampZoom(z);
      g_CameraTargetZoom = z;
      steady = 0;
    } else {
      want = ClampZoom(want);
      g_CameraTargetZoom = want;
      steady = want == z ? 0 : g_ZoomSteadyFrames;
    }
  }
  if (spreadY >= 35840) {
    const float want = static_cast<float>(35840.0 / static_cast<double>(spreadY));
    if (z > want) z = static_cast<float>(std::max(static_cast<double>(z) - 0.01, static_cast<double>(want)));
    z = ClampZoom(z);
    g_CameraTargetZoom = z;
    steady = 0;
  }
  // Between 55040 and 57600 the target is left as it was, so the zoom does not flutter.
  if (z < 1.0f && spreadX < 55040 && spreadY < 29440) g_CameraTargetZoom = 1.0f;
  if (steady > 30 && g_CameraTargetZoom > z) {
    double step = (static_cast<double>(g_CameraTargetZoom) - z) / 16.0;
    if (step < 0.002) step = 0.002;
    z = static_cast<float>(std::min(static_cast<double>(z) + step, 1.0));
  }
  if (g_FixedZoomOn) {
    z = g_FixedZoom;
    // Raised to the widest follow zoom (the special stage's 0.742459 shows as 0.839895); a
    // fixed zoom that is not a number counts as lower.
    if (!(z >= kCameraMinZoom)) z = kCameraMinZoom;
  }
  UpdateZoomOverride();
  g_ZoomSteadyFrames = Wrap<int32_t>(int64_t{steady} + 1);
  g_CameraZoom = z;
  // The override changes only what is drawn.
  const ZoomOverride& o = g_ZoomOverride;
  g_CameraScale = o.active ? z + (o.zoom - z) * o.weight : z;
}

void UpdateZoomOverride() {
  ZoomOverride& o = g_ZoomOverride;
  if (!o.active) return;
  o.frame = WrapAdd(o.frame, 1);
  o.weight = 0.0f;
  if (o.rampIn != 0 && o.rampIn > o.frame)
    o.weight = static_cast<float>(o.frame) / static_cast<float>(o.rampIn);
  // The hold counts from the frame after the ramp in, so without a ramp in it shows one frame
  // fewer than asked: kept as the override has always been timed.
  const int64_t e = int64_t{o.frame} - o.rampIn;
  if (e >= 0) {
    if (e < o.hold) o.weight = 1.0f;
    const int64_t e2 = e - o.hold;
    if (e2 >= 0 && o.rampOut != 0 && e2 < o.rampOut)
      o.weight = 1.0f - static_cast<float>(e2) / static_cast<float>(o.rampOut);
  }
  if (int64_t{o.rampIn} + o.hold + o.rampOut < o.frame) {
    o.active = 0;
    o.weight = 0.0f;
  }
}

void UpdateCameraTargetY() {
  int32_t top = 1, bottom = -1000000;
  bool any = false;
  for (int i = 0; i < kPlayerSlots; ++i) {
    if (!CountsForHeight(i)) continue;
    const BattleObject& o = g_PlayerRecords[i].obj;
    top = std::min(top, o.posY);
    bottom = std::max(bottom, o.posY);
    any = true;
  }
  if (!any) return;
  int64_t t = int64_t{top} + 10240;
  // A character more than 80 pixels up: the camera looks between the highest and the lowest.
  if (t < 0) t = (int64_t{top} + bottom) / 2 + 10240;
  int64_t ceiling = -43520;
  if (g_CameraZoom != 1.0f) {
    // The camera may rise less when zoomed out.
    const float reciprocal = 1.0f / g_CameraZoom;
    ceiling = -43520 - int64_t{FloatToInt32((reciprocal - 1.0f) * -61440.0f)};
  }
  g_CameraTargetY = Wrap<int32_t>(std::min<int64_t>(std::max(t, ceiling), 0));
}

void UpdateCameraTargetX() {
  int32_t left = 0, right = 0;
  bool any = false;
  for (const PlayerRecord& r : g_PlayerRecords) {
    if (!CountsForCamera(r)) continue;
    left = any ? std::min(left, r.obj.posX) : r.obj.posX;
    right = any ? std::max(right, r.obj.posX) : r.obj.posX;
    any = true;
  }
  if (!any) return;
  if (int64_t{right} - left > 46080) {
    SetCameraTargetX(Wrap<int32_t>((int64_t{left} + right) / 2));
    return;
  }
  // The dead zone: the character farther from the camera (the right one on a tie) may stand
  // up to 23040 (180 pixels) from it.
  int64_t c = g_CameraX;
  const int64_t dl = std::llabs(left - c), dr = std::llabs(right - c);
  const int64_t far = dr >= dl ? right : left;
  const int64_t d = std::max(dl, dr);
  if (d > 23040) c = c > far ? far + 23040 : far - 23040;
  SetCameraTargetX(Wrap<int32_t>(c));
}

int32_t CameraHalfWidth() { return ByZoom(40960); }

void SetCameraTargetX(int32_t x) {
  const int64_t limit = kViewLimit - CameraHalfWidth();
  int64_t t = x;
  int32_t edge = 0;
  if (t <= -limit) {
    edge = 1;
    t = -limit;
  } else if (t >= limit) {
    edge = 2;
    t = limit;
  }
  g_CameraTargetX = Wrap<int32_t>(t);
  // Not std::clamp: a zoom that is not a number leaves no ordered range to clamp into.
  g_CameraX = Clamp32(g_CameraX, -limit, limit);
  if (edge != 0 && edge == g_CameraEdge) g_CameraX = g_CameraTargetX;
  g_CameraEdge = edge != 0 && g_CameraX == g_CameraTargetX ? edge : 0;
}

void ApproachValue(int32_t& value, int32_t target, int32_t maxStep, int32_t minStep) {
  if (maxStep == 0) return;
  const int64_t gap = int64_t{target} - value;
  int64_t step = std::llabs(gap) / 4;
  if (step < minStep) step = minStep;
  if (step > maxStep) step = maxStep;
  if (step > std::llabs(gap)) step = std::llabs(gap);
  value = Wrap<int32_t>(int64_t{value} + (gap < 0 ? -step : step));
}

void ApplyScreenShake() {
  const float s = g_CameraScale;
  // A scale of 0 or below (or not a number) would put an infinity into the camera point.
  if (!(s > 0.0f)) return;
  const int32_t k = g_ScreenShake;
  // Strengths come from data and can be negative, which would index the tables below before
  // their start: 0 or less shakes nothing.
  if (k > 0) {
    const int i = k % 4;
    if (g_ScreenShakeAxis == 0) {
      static constexpr int32_t kV[4] = {0, 4, 8, 4};
      const int32_t a = std::clamp(16 * k, 128, 256);
      const int32_t dy = FloatToInt32(static_cast<float>(a) / s * static_cast<float>(kV[i]));
      g_CameraY = Wrap<int32_t>(int64_t{g_CameraY} - dy);
    } else if (g_ScreenShakeAxis == 1) {
      static constexpr int32_t kH[4] = {0, 5, 0, -5};
      const int32_t a = std::clamp(16 * k, 128, 512);
      const int32_t dx = FloatToInt32(static_cast<float>(a) / s * static_cast<float>(kH[i]));
      g_CameraX = Wrap<int32_t>(int64_t{g_CameraX} - dx);
    }
  }
  if (g_StorySwayOn) {
    const float swayX = static_cast<float>(int64_t{-96} * g_BattleState[0]) / s;
    const float swayY = static_cast<float>(int64_t{-96} * g_BattleState[1]) / s;
    g_CameraX = WrapAdd(g_CameraX, FloatToInt32(swayX));
    g_CameraY = WrapAdd(g_CameraY, FloatToInt32(swayY));
  }
}

void BuildBattleCameraMatrices() {
  const float s = g_CameraScale;
  g_CameraZoomMatrix = MulHan6(Han6Matrix::Translation(-static_cast<float>(g_CameraX) / 128.0f,
                                                       -static_cast<float>(g_CameraY) / 128.0f, 0.0f),
                               Han6Matrix::Scaling(s, s, 1.0f));
  g_CameraScreenMatrix = Han6Matrix::Translation(320.0f, 432.0f, 0.0f);
  g_BattleCameraMatrix = MulHan6(g_CameraZoomMatrix, g_CameraScreenMatrix);
  // 65 degrees, near 0.1, far 1000; the eye stands back by the y scale so that a unit square at
  // the origin fills the view.
  g_BattleProjection = PerspectiveFov(65.0 * kBattlePi / 180.0, 0.1f, 1000.0f);
  g_BattleViewMatrix = LookAtOrigin(-g_BattleProjection.m[1][1]);
  // 75 degrees, near 0.02, far 2000, the eye on the positive z side.
  const Han6Matrix q = PerspectiveFov(75.0 * kBattlePi / 180.0, 0.02f, 2000.0f);
  const Han6Matrix w = LookAtOrigin(q.m[1][1]);
  g_TiltMatrix =
      MulHan6(MulHan6(MulHan6(Han6Matrix::Scaling(1.0f / 256.0f, 1.0f / 256.0f, 1.0f / 1024.0f), w), q),
              Han6Matrix::Scaling(256.0f, 256.0f, 1.0f));
}

void BuildFloorMatrix(float x, float y) {
  Han6Matrix m = RotationX(kBattlePi / 2.0);
  m = MulHan6(m, Han6Matrix::Translation(-x, -y, 0.0f));
  m = MulHan6(m, Han6Matrix::Scaling(1.0f / 640.0f, 1.0f / 640.0f, 1.0f / 640.0f));
  m = MulHan6(m, g_BattleViewMatrix);
  m = MulHan6(m, g_BattleProjection);
  m = MulHan6(m, Han6Matrix::Scaling(640.0f, 640.0f, 0.0f));
  g_FloorMatrix = MulHan6(m, Han6Matrix::Translation(x, y, 0.0f));
}

void BattleDrawCameraStep() {
  if (g_StoryCameraY != 0) {
    g_CameraY = g_StoryCameraY;
    BuildBattleCameraMatrices();
    // No update moves the camera: the objects that move along with it must not go on moving by
    // the last update's movement.
    g_CameraDeltaX = g_CameraDeltaY = 0;
    return;
  }
  BattleSeamUpdateBattleCamera();
}

int32_t GetScreenEdge(int index) {
  static constexpr int32_t kBase[4] = {-40960, 40960, -54272, 7168};
  if (index < 0 || index > 3) return 0;
  const int64_t base = ByZoom(kBase[index]);
  if (index == 0) return Wrap<int32_t>(g_CameraX + base + 2048);
  if (index == 1) return Wrap<int32_t>(g_CameraX + base - 2048);
  return Wrap<int32_t>(g_CameraY + base);
}

int EdgeSide(const BattleObject& o) {
  if (o.posX >= kWall) return 1;
  if (o.posX <= -kWall) return 2;
  return 0;
}

int32_t HeldSpanEdgeCorrection(BattleObject& o) {
  int64_t left = o.posX, right = o.posX;
  if (o.heldObject && o.holding) {
    const int32_t offset = o.heldObject->throwOffsetX;
    if (offset < 0)
      left += offset;
    else
      right += offset;
  }
  if (right > kWall) {
    o.wallTouch = 1;
    return Wrap<int32_t>(kWall - right);
  }
  if (left < -kWall) {
    o.wallTouch = 2;
    return Wrap<int32_t>(-kWall - left);
  }
  return 0;
}

void InstallBattleCameraSeams() {
  BattleSeams& s = g_BattleSeams;
  s.SetupMatchCamera = SetupMatchCamera;
  s.CameraX = SeamCameraX;
  s.CameraY = SeamCameraY;
  s.ResetBattleCamera = ResetBattleCamera;
  s.SetFixedZoom = SetFixedZoom;
  s.SetCameraHold = SetCameraHold;
  s.SetCameraFocus = SetCameraFocus;
  s.SetCameraLock = SetCameraLock;
  s.StartZoomOverride = StartZoomOverride;
  s.StopZoomOverride = StopZoomOverride;
  s.CameraZoom = SeamCameraZoom;
  s.GetScreenEdge = GetScreenEdge;
  s.CameraDeltaX = SeamCameraDeltaX;
  s.CameraDeltaY = SeamCameraDeltaY;
  s.CameraTargetX = SeamCameraTargetX;
  s.HeldSpanEdgeCorrection = SeamHeldSpanEdgeCorrection;
  s.SetStageFixedZoom = SetStageFixedZoom;
  s.UpdateBattleCamera = UpdateBattleCamera;
  s.CameraScale = SeamCameraScale;
  s.AutoFace = SeamAutoFace;
  s.AutoFacing = SeamAutoFacing;
  s.FacePartner = SeamFacePartner;
  g_BattleDrawSeams.CameraMatrix = SeamCameraMatrix;
  // The floor matrix is built here but not yet handed to the drawing: a 90-degree tilt seen from
  // an eye in the floor's own plane leaves a shadow no height at all, so the shadow drawing keeps
  // its upright stand-in until the character drawing settles how shadows lie on the floor.
}
