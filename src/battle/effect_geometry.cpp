// Ring, fan, wedge, beam and perspective-quad drawing, and the shared geometry functions.
#include "battle/effect_geometry.h"

#include <algorithm>
#include <cmath>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "battle/battle_draw.h"
#include "battle/battle_math.h"

TextureHandle* g_EffectStripTexture = nullptr;

namespace {

// Drawing only: these angles never feed the simulation, so float and the matrix helpers' own
// trigonometry are fine here.
constexpr float kDegToRad = static_cast<float>(kBattlePi / 180.0);

float Rad(double degrees) { return static_cast<float>(degrees) * kDegToRad; }

// Turned by yaw, pitch and roll in that order of naming (roll about z first, then pitch about x,
// then yaw about y, as row vectors), then placed at (x, y, z) and, when asked, taken through the
// sprite view and projection matrices.
D3DMatrix PlacementMatrix(double pitch, double yaw, double roll, float x, float y, float z, bool project) {
  D3DMatrix m = D3DMatrix::RotationZ(Rad(roll));
  MultiplyMatrix(&m, m, D3DMatrix::RotationX(Rad(pitch)));
  MultiplyMatrix(&m, m, D3DMatrix::RotationY(Rad(yaw)));
  MultiplyMatrix(&m, m, D3DMatrix::Translation(x, y, z));
  if (project) {
    MultiplyMatrix(&m, m, g_SpriteViewMatrix);
    MultiplyMatrix(&m, m, g_SpriteProjMatrix);
  }
  return m;
}

// One corner through the matrix, divided by its w (w = 0 taken as 1).
void PlaceVertex(const D3DMatrix& m, float x, float y, float z, uint32_t colour, float u, float v,
                 vt::gfx::ScreenVertex* out) {
  float p[4];
  TransformPoint(m, x, y, z, p);
  ProjectVertex(p, out);
  // The commands are screen-space vertices, which the device clips outside the depth range
  // 0..1; the depth has already shaped the ring through the rotation (the battle draws without
  // a depth test), so it is held within the range and a tilted or coned ring shows whole.
  out->z = std::clamp(out->z, 0.0f, 1.0f);
  out->diffuse = colour;
  out->specular = 0;
  out->u = u;
  out->v = v;
}

// Texture coordinates of a rectangle in 1/256 of the texture, with the adapter's bias on each
// edge (left, top, bottom, right).
struct UvRect {
  float left, top, right, bottom;
};
UvRect SourceUv(double x, double y, double w, double h) {
  return {static_cast<float>(x / 256.0) + g_CutSpriteUvBias[0],
          static_cast<float>(y / 256.0) + g_CutSpriteUvBias[1],
          static_cast<float>((x + w) / 256.0) + g_CutSpriteUvBias[3],
          static_cast<float>((y + h) / 256.0) + g_CutSpriteUvBias[2]};
}

// The four corners of a quad in strip order (0 and 1 the far edge, 2 and 3 the near one).
struct QuadCorners {
  float x[4], y[4], z[4];
  uint32_t colour[4];
  float u[4], v[4];
};

void QueueQuad(const D3DMatrix& m, const QuadCorners& q, TextureHandle* texture) {
  GrpDrawCommand quad;
  for (int i = 0; i < 4; ++i) PlaceVertex(m, q.x[i], q.y[i], q.z[i], q.colour[i], q.u[i], q.v[i], &quad.v[i]);
  quad.texture = HandleTexture(texture);
  DrawQuad(&g_MainDrawList, &quad, kEffectDrawPriority);
}

// The point at `distance` from the origin in the direction `degrees` (0 straight up, turning
// toward +x), as the z rotation of the matrices turns (0, -distance).
void RayPoint(double degrees, double distance, float* x, float* y) {
  const D3DMatrix r = D3DMatrix::RotationZ(Rad(degrees));
  float p[4];
  TransformPoint(r, 0.0f, static_cast<float>(-distance), 0.0f, p);
  *x = p[0];
  *y = p[1];
}

}  // namespace

void DrawRing(const RingDesc& d) {
  if (!g_BattleDrawSubmit || d.segments < 3) return;
  const double step = 360.0 / d.segments;
  const UvRect uv = SourceUv(d.sourceX, d.sourceY, d.sourceW, d.sourceH);
  // The segment's own two edges: straight up and turned by one segment.
  float ox[2], oy[2], ix[2], iy[2];
  RayPoint(0.0, d.outerRadius, &ox[0], &oy[0]);
  RayPoint(step, d.outerRadius, &ox[1], &oy[1]);
  RayPoint(0.0, d.innerRadius, &ix[0], &iy[0]);
  RayPoint(step, d.innerRadius, &ix[1], &iy[1]);
  const float depth = static_cast<float>(d.outerDepth);
  const QuadCorners q{{ox[0], ox[1], ix[0], ix[1]},
                      {oy[0], oy[1], iy[0], iy[1]},
                      {depth, depth, 0.0f, 0.0f},
                      {d.outerColour, d.outerColour, d.innerColour, d.innerColour},
                      {uv.left, uv.right, uv.left, uv.right},
                      {uv.top, uv.top, uv.bottom, uv.bottom}};
  for (int32_t i = 0; i < d.segments; ++i) {
    const D3DMatrix m = PlacementMatrix(d.pitch, d.yaw, d.roll + i * step, static_cast<float>(d.x),
                                        static_cast<float>(d.y), 0.0f, d.perspective != 0);
    QueueQuad(m, q, d.texture);
  }
}

namespace {
// A projected ring's shape; the caller adds the colours and any texture.
RingDesc ProjectedRing(int32_t segments, int32_t x, int32_t y, int32_t outerRadius, int32_t innerRadius,
                       int32_t outerDepth, int32_t pitch, int32_t yaw, int32_t roll) {
  RingDesc d;
  d.segments = segments;
  d.x = x;
  d.y = y;
  d.outerRadius = outerRadius;
  d.innerRadius = innerRadius;
  d.outerDepth = outerDepth;
  d.pitch = pitch;
  d.yaw = yaw;
  d.roll = roll;
  d.perspective = 1;
  return d;
}
}  // namespace

void DrawRingPerspective(int32_t segments, int32_t x, int32_t y, int32_t outerRadius, int32_t innerRadius,
                         int32_t outerDepth, int32_t pitch, int32_t yaw, int32_t roll, uint32_t outerColour,
                         uint32_t innerColour) {
  RingDesc d = ProjectedRing(segments, x, y, outerRadius, innerRadius, outerDepth, pitch, yaw, roll);
  d.outerColour = outerColour;
  d.innerColour = innerColour;
  DrawRing(d);
}

void DrawRingTilted(int32_t segments, int32_t x, int32_t y, int32_t outerRadius, int32_t innerRadius,
                    int32_t outerDepth, int32_t pitch, int32_t yaw, int32_t roll, uint32_t outerColour,
                    uint32_t innerColour) {
  DrawRingPerspective(segments, x, y, outerRadius, innerRadius, outerDepth, pitch, yaw, roll, outerColour,
                      innerColour);
}

void DrawRingFlat(int32_t x, int32_t y, int32_t outerRadius, int32_t innerRadius, int32_t roll,
                  uint32_t outerColour, uint32_t innerColour) {
  RingDesc d;
  d.segments = 20;
  d.x = x;
  d.y = y;
  d.outerRadius = outerRadius;
  d.innerRadius = innerRadius;
  d.roll = roll;
  d.outerColour = outerColour;
  d.innerColour = innerColour;
  DrawRing(d);
}

void DrawRingTextured(int32_t segments, int32_t x, int32_t y, int32_t outerRadius, int32_t innerRadius,
                      int32_t outerDepth, int32_t pitch, int32_t yaw, int32_t roll, int32_t alpha,
                      int32_t row) {
  RingDesc d = ProjectedRing(segments, x, y, outerRadius, innerRadius, outerDepth, pitch, yaw, roll);
  d.texture = g_EffectStripTexture;
  // The ring strips stand side by side, 32 wide and 64 high, from v 192.
  d.sourceX = static_cast<int32_t>(int64_t{32} * row);
  d.sourceY = 192;
  d.sourceW = 32;
  d.sourceH = 64;
  d.outerColour = d.innerColour = (static_cast<uint32_t>(alpha) << 24) | 0xFFFFFFu;
  DrawRing(d);
}

void DrawQuadPerspective(TextureHandle* texture, int32_t x, int32_t y, int32_t z, int32_t halfWidth,
                         int32_t halfHeight, const EffectSourceRect& source, int32_t angle, uint32_t colour) {
  if (!g_BattleDrawSubmit) return;
  const float w = static_cast<float>(halfWidth), h = static_cast<float>(halfHeight);
  const UvRect uv = SourceUv(source.x, source.y, source.w, source.h);
  const QuadCorners q{{-w, w, -w, w},
                      {-h, -h, h, h},
                      {0.0f, 0.0f, 0.0f, 0.0f},
                      {colour, colour, colour, colour},
                      {uv.left, uv.right, uv.left, uv.right},
                      {uv.top, uv.top, uv.bottom, uv.bottom}};
  QueueQuad(
      PlacementMatrix(0, 0, angle, static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), true),
      q, texture);
}

void DrawTriangleFan(int32_t segments, int32_t x, int32_t y, int32_t radius, int32_t startAngle,
                     uint32_t centreColour, uint32_t rimColour) {
  // No segments leaves nothing to span (and no angle to divide by).
  if (!g_BattleDrawSubmit || segments <= 0) return;
  const double step = 360.0 / segments;
  float rx[2], ry[2];
  RayPoint(0.0, radius, &rx[0], &ry[0]);
  RayPoint(step, radius, &rx[1], &ry[1]);
  for (int32_t i = 0; i < segments; ++i) {
    const D3DMatrix m = PlacementMatrix(0, 0, startAngle + i * step, static_cast<float>(x),
                                        static_cast<float>(y), 0.0f, true);
    GrpDrawCommand tri;
    PlaceVertex(m, 0.0f, 0.0f, 0.0f, centreColour, 0.0f, 0.0f, &tri.v[0]);
    PlaceVertex(m, rx[0], ry[0], 0.0f, rimColour, 0.0f, 0.0f, &tri.v[1]);
    PlaceVertex(m, rx[1], ry[1], 0.0f, rimColour, 0.0f, 0.0f, &tri.v[2]);
    DrawTriangle(&tri);
  }
}

void DrawWedgeQuad(int32_t angle, int32_t opening, int32_t x, int32_t y, int32_t length, int32_t start,
                   int32_t roll, uint32_t apexColour, uint32_t baseColour) {
  if (!g_BattleDrawSubmit) return;
  const double half = opening / 2.0;
  float fx[2], fy[2], nx[2], ny[2];
  RayPoint(-half, length, &fx[0], &fy[0]);
  RayPoint(half, length, &fx[1], &fy[1]);
  RayPoint(-half, start, &nx[0], &ny[0]);
  RayPoint(half, start, &nx[1], &ny[1]);
  const QuadCorners q{{fx[0], fx[1], nx[0], nx[1]}, {fy[0], fy[1], ny[0], ny[1]},
                      {0.0f, 0.0f, 0.0f, 0.0f},     {baseColour, baseColour, apexColour, apexColour},
                      {0.0f, 0.0f, 0.0f, 0.0f},     {0.0f, 0.0f, 0.0f, 0.0f}};
  QueueQuad(
      PlacementMatrix(0, 0, int64_t{angle} + roll, static_cast<float>(x), static_cast<float>(y), 0.0f, true),
      q, nullptr);
}

void DrawBeamQuad(int32_t angle, int32_t halfWidth, int32_t x, int32_t y, int32_t outerDistance,
                  int32_t innerDistance, int32_t pitch, int32_t yaw, int32_t roll, uint32_t cornerAlphas,
                  int32_t row) {
  if (!g_BattleDrawSubmit) return;
  const float w = static_cast<float>(halfWidth);
  const float farY = -static_cast<float>(outerDistance), nearY = -static_cast<float>(innerDistance);
  // The beam strip runs along the beam, u 192..256 from the near end out; its 32-pixel row
  // spans the width.
  const UvRect uv = SourceUv(192, 32.0 * row, 64, 32);
  uint32_t colour[4];
  for (int i = 0; i < 4; ++i) colour[i] = (((cornerAlphas >> (8 * i)) & 0xFFu) << 24) | 0xFFFFFFu;
  const QuadCorners q{{-w, w, -w, w},
                      {farY, farY, nearY, nearY},
                      {0.0f, 0.0f, 0.0f, 0.0f},
                      {colour[0], colour[1], colour[2], colour[3]},
                      {uv.right, uv.right, uv.left, uv.left},
                      {uv.top, uv.bottom, uv.top, uv.bottom}};
  QueueQuad(PlacementMatrix(pitch, yaw, int64_t{angle} + roll, static_cast<float>(x), static_cast<float>(y),
                            0.0f, true),
            q, g_EffectStripTexture);
}

// ---- geometry ----

void VectorAngle(double dx, double dy, double* degrees) {
  double t;
  if (dy == 0) {
    t = dx >= 0 ? 0.0 : 0.5;
  } else if (dx == 0) {
    t = dy > 0 ? 0.25 : 0.75;
  } else {
    // atan(dy / dx) through the battle's own arctangent; 3.1415 for pi is kept on purpose, so
    // the diagonal is 45.0013 degrees, not 45.
    t = BattleAtan2(dy / dx, 1.0) / 3.1415 * 0.5;
    if (t >= 0 && dy < 0)
      t += 0.5;
    else if (t < 0 && dy >= 0)
      t += 0.5;
    else if (t < 0 && dy < 0)
      t += 1.0;
  }
  *degrees = t * 360.0;
}

namespace {
// trunc toward zero, saturating: sin x radius can pass the int32 range by a rounding step.
int32_t TruncToInt32(double v) {
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}
}  // namespace

void PolarToXY(int32_t radius, int32_t degrees, int32_t* x, int32_t* y) {
  int32_t a = degrees;
  if (a >= 360) a -= a / 360 * 360;
  if (a < 0) a += 360;  // once only: below -360 the angle stays negative, which turns the same
  // A full-precision pi: with 3.1415 the quarter turn would give 99 for a radius of 100.
  const double r = a * (kBattlePi / 180.0);
  *x = TruncToInt32(BattleSin(r) * radius);
  *y = TruncToInt32(BattleCos(r) * radius);
}

double VectorToTurn(double x, double y) {
  if (x == 0) return y > 0 ? 0.5 : 0.0;
  if (y == 0) return x >= 0 ? 0.25 : 0.75;
  // acos(x / length) is the angle atan2(|y|, x) in [0, pi]; 3.1415 for pi is kept on purpose.
  double c = BattleAtan2(std::fabs(y), x) / 3.1415 * 0.5;
  if (y < 0) c = 1.0 - c;
  c += 0.25;
  if (c >= 1.0) c -= 1.0;
  return c;
}

int LineCircleIntersection(const GeoLine& line, const GeoCircle& circle, GeoPointPair* out) {
  // In the circle's frame: the chord form, disc = r^2 |d|^2 - D^2 with D the cross product of
  // the two points.
  const double x1 = line.x1 - circle.cx, y1 = line.y1 - circle.cy;
  const double x2 = line.x2 - circle.cx, y2 = line.y2 - circle.cy;
  const double dx = x2 - x1, dy = y2 - y1;
  const double dr2 = dx * dx + dy * dy;
  if (dr2 < 1e-15) return -1;
  const double cross = x1 * y2 - x2 * y1;
  const double disc = circle.r * circle.r * dr2 - cross * cross;
  if (disc < -1e-15) return -1;
  // The foot of the perpendicular from the centre, then half the chord along the direction.
  const double fx = cross * dy / dr2, fy = -cross * dx / dr2;
  if (disc <= 1e-15) {
    out->xa = out->xb = fx + circle.cx;
    out->ya = out->yb = fy + circle.cy;
    return 1;
  }
  const double s = std::sqrt(disc) / dr2;
  out->xa = fx - dx * s + circle.cx;
  out->ya = fy - dy * s + circle.cy;
  out->xb = fx + dx * s + circle.cx;
  out->yb = fy + dy * s + circle.cy;
  return 2;
}

void SplitFrameTime(int32_t frames, int32_t* minutes, int32_t* seconds, int32_t* hundredths) {
  int32_t m = frames / 3600;
  int32_t s = frames % 3600 / 60;
  // float32, as the clock displays always computed it: 59 frames show 98.
  int32_t h = static_cast<int32_t>(static_cast<float>(frames % 60) * 1.6666666f);
  if (m >= 100) {
    m = 99;
    s = 59;
    h = 99;
  }
  if (minutes) {
    *minutes = m;
    *seconds = s;
  } else {
    // Told two ways for 100 minutes and more; decided: 5999 seconds, as 99 minutes and 59 seconds.
    *seconds = m * 60 + s;
  }
  *hundredths = h;
}
