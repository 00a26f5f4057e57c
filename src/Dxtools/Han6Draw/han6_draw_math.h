// Pattern-frame drawing maths: row-vector matrices (p' = p * M), easing, angle blending in turns,
// and the frame and part-animation part transforms that the drawing and the battle share.
#pragma once

#include <cstdint>

struct Han6PatternSet;
struct PAniPartRef;

// A 4 x 4 matrix for row vectors, left-handed rotations.
struct Han6Matrix {
  float m[4][4];
  static Han6Matrix Identity();
  static Han6Matrix Translation(float x, float y, float z);
  static Han6Matrix Scaling(float x, float y, float z);
  static Han6Matrix RotationX(float radians);
  static Han6Matrix RotationY(float radians);
  static Han6Matrix RotationZ(float radians);
};
Han6Matrix operator*(const Han6Matrix& a, const Han6Matrix& b);
// (x, y, z, 1) * m.
void TransformHan6Point(const Han6Matrix& m, float x, float y, float z, float out[4]);

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
