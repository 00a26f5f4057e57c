// Effect drawing routines and the small geometry functions the battle shares: rings, discs,
// wedges, beams and fans built from screen-space quads (optionally turned in three dimensions
// and projected with the sprite view and projection matrices), angles of vectors, polar
// offsets, a line-circle intersection and the split of a frame count into a clock time.
//
// The geometry functions may feed the simulation and are built on battle_math.h; the drawing
// routines only queue commands, return at the g_BattleDrawSubmit gate and store nothing.
#pragma once

#include <cstdint>

struct TextureHandle;

// ---- drawing ----

// The priority every routine here queues at.
inline constexpr int32_t kEffectDrawPriority = 396;

// The parameter record of DrawRing.
struct RingDesc {
  int32_t segments = 0;              // quads around the circle; fewer than 3 draws nothing
  int32_t x = 0, y = 0;              // centre in screen pixels
  TextureHandle* texture = nullptr;  // null: untextured
  // Texture rectangle in 1/256 of the texture.
  int32_t sourceX = 0, sourceY = 0, sourceW = 0, sourceH = 0;
  int32_t outerRadius = 0, innerRadius = 0;   // pixels
  int32_t outerDepth = 0;                     // z of the outer edge; the inner edge is at z = 0
  int32_t pitch = 0, yaw = 0, roll = 0;       // degrees; roll is the first segment's angle
  uint32_t outerColour = 0, innerColour = 0;  // ARGB
  uint8_t perspective = 0;                    // 1: projected with the sprite view and projection matrices
};

// The system-effect texture 0 that textured rings and beams sample (its ring strips at
// (32 x row, 192) and its beam strip at u 192..256). The system-effect texture loader sets it
// and clears it when the textures are freed; null draws those shapes untextured.
extern TextureHandle* g_EffectStripTexture;

// One quad command per segment on the main draw list, at the current blend, filter and effect tag.
void DrawRing(const RingDesc& desc);
// Untextured with perspective.
void DrawRingPerspective(int32_t segments, int32_t x, int32_t y, int32_t outerRadius, int32_t innerRadius,
                         int32_t outerDepth, int32_t pitch, int32_t yaw, int32_t roll, uint32_t outerColour,
                         uint32_t innerColour);
// The same ring as DrawRingPerspective.
void DrawRingTilted(int32_t segments, int32_t x, int32_t y, int32_t outerRadius, int32_t innerRadius,
                    int32_t outerDepth, int32_t pitch, int32_t yaw, int32_t roll, uint32_t outerColour,
                    uint32_t innerColour);
// 20 segments, untextured, flat, not projected.
void DrawRingFlat(int32_t x, int32_t y, int32_t outerRadius, int32_t innerRadius, int32_t roll,
                  uint32_t outerColour, uint32_t innerColour);
// The ring strip `row` of the system-effect texture, white at the alpha, with perspective.
void DrawRingTextured(int32_t segments, int32_t x, int32_t y, int32_t outerRadius, int32_t innerRadius,
                      int32_t outerDepth, int32_t pitch, int32_t yaw, int32_t roll, int32_t alpha,
                      int32_t row);

// Texture rectangle in 1/256 of the texture.
struct EffectSourceRect {
  int32_t x = 0, y = 0, w = 0, h = 0;
};
// One textured quad (-halfW, -halfH) .. (halfW, halfH) turned about z by `angle` degrees, placed
// at (x, y, z) and projected.
void DrawQuadPerspective(TextureHandle* texture, int32_t x, int32_t y, int32_t z, int32_t halfWidth,
                         int32_t halfHeight, const EffectSourceRect& source, int32_t angle, uint32_t colour);
// `segments` triangles from the centre to rim points 360 / segments degrees apart, from
// `startAngle` on, projected. Queued as triangle commands, which the renderer keeps in their
// place but does not draw (kept on purpose).
void DrawTriangleFan(int32_t segments, int32_t x, int32_t y, int32_t radius, int32_t startAngle,
                     uint32_t centreColour, uint32_t rimColour);
// An untextured wedge from distance `start` to distance `length`, opening `opening` degrees,
// turned by angle + roll about z and projected; the near edge takes the apex colour.
void DrawWedgeQuad(int32_t angle, int32_t opening, int32_t x, int32_t y, int32_t length, int32_t start,
                   int32_t roll, uint32_t apexColour, uint32_t baseColour);
// A strip 2 x halfWidth wide from the inner to the outer distance, turned by yaw, pitch and
// angle + roll and projected; the beam strip of the system-effect texture at 32-pixel row `row`;
// corner k (far left, far right, near left, near right) takes byte k of `cornerAlphas` (from the
// low end) as its alpha over white.
void DrawBeamQuad(int32_t angle, int32_t halfWidth, int32_t x, int32_t y, int32_t outerDistance,
                  int32_t innerDistance, int32_t pitch, int32_t yaw, int32_t roll, uint32_t cornerAlphas,
                  int32_t row);

// ---- geometry ----

// The direction of (dx, dy) in degrees in [0, 360), with the kept constant 3.1415 for pi:
// (1, 1) gives 45.0013.
void VectorAngle(double dx, double dy, double* degrees);
// (trunc(sin(a) x radius), trunc(cos(a) x radius)) for the angle a in degrees.
void PolarToXY(int32_t radius, int32_t degrees, int32_t* x, int32_t* y);
// The direction of (x, y) as a fraction of a turn in [0, 1): 0 straight up (y < 0 on screen
// counts as up), a quarter toward +x. Worked in double: world-unit vectors square past int32.
double VectorToTurn(double x, double y);

struct GeoLine {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
struct GeoCircle {
  double cx = 0, cy = 0, r = 0;
};
struct GeoPointPair {
  double xa = 0, ya = 0, xb = 0, yb = 0;
};
// -1: the line's points coincide or the circle misses the line; 1: the line touches the circle
// at (xa, ya); 2: both crossings, (xa, ya) first along the line's direction.
int LineCircleIntersection(const GeoLine& line, const GeoCircle& circle, GeoPointPair* out);

// A frame count at 60 frames per second as minutes, seconds and hundredths; 100 minutes or more
// shows 99:59:99. With `minutes` null the seconds take the whole minutes too.
void SplitFrameTime(int32_t frames, int32_t* minutes, int32_t* seconds, int32_t* hundredths);
