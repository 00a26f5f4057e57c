// Pattern-frame drawing maths: row-vector matrices (p' = p * M), easing, angle blending in turns,
// and the frame and part-animation part transforms that the drawing and the battle share.
#pragma once

#include <cstdint>

#include "Dxtools/D3D_Tools/d3d_device.h"

struct Han6PatternSet;
struct PAniPartRef;

// Matrices are the device layer's: row vectors (p' = p * M), left-handed rotations.
using Han6Matrix = D3DMatrix;
// a * b.
inline Han6Matrix MulHan6(const Han6Matrix& a, const Han6Matrix& b) {
  Han6Matrix r;
  MultiplyMatrix(&r, a, b);
  return r;
}
// (x, y, z, 1) * m.
inline void TransformHan6Point(const Han6Matrix& m, float x, float y, float z, float out[4]) {
  TransformPoint(m, x, y, z, out);
}

// The playback position the battle keeps per object.
struct Han6FramePosition {
  int32_t pattern = 0;
  int32_t frame = 0;
  float progress = 1.0f;  // 0..1 toward this frame
  int32_t easing = 0;     // 0: no blending
  int32_t fromPattern = 0;
  int32_t fromFrame = 0;
};

// Easing of t in 0..1: 1 linear, 2 ease-out, 3 ease-in, 4 in-out, 5 out-in; other types 1.0.
float EaseValue(int type, float t);
// Blends angle b (progress 0) toward angle a (progress 1) in turns, the shorter way round.
float LerpAngleTurns(float a, float b, float t);
// A part's angle in degrees, blended toward the from-part when there is one.
float InterpolatePartAngle(const PAniPartRef* part, const PAniPartRef* fromPart, float t);
// matrix = matrix * translation(offset) * rotations(order) * scaling(scale x, scale y, 0).
void ApplyFrameTransform(Han6Matrix* matrix, Han6PatternSet* patternSet, const Han6FramePosition* position);
// matrix = scaling(zoom) * rotationZ(angle) * translation(x, y) * matrix, blended toward fromPart.
void ApplyPartTransform(Han6Matrix* matrix, const PAniPartRef* part, float t, const PAniPartRef* fromPart);
