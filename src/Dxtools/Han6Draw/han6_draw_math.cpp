// Matrices, easing, angle blending and the frame and part transforms.
#include "Dxtools/Han6Draw/han6_draw_math.h"

#include <cmath>

#include "Dxtools/Han6Files/han6_data.h"
#include "Dxtools/Han6Files/pani_data.h"

namespace {
constexpr float kTurn = 6.283185307179586f;  // radians per turn
}

float EaseValue(int type, float t) {
  switch (type) {
    case 1:
      return t;
    case 2:
      return 1.0f - (1.0f - t) * (1.0f - t);
    case 3:
      return t * t;
    case 4:
      if (t <= 0.5f) return (2.0f * t) * (2.0f * t) / 2.0f;
      return 0.5f + (1.0f - (1.0f - 2.0f * (t - 0.5f)) * (1.0f - 2.0f * (t - 0.5f))) / 2.0f;
    case 5:
      if (t <= 0.5f) return (1.0f - (1.0f - 2.0f * t) * (1.0f - 2.0f * t)) / 2.0f;
      return 0.5f + (2.0f * (t - 0.5f)) * (2.0f * (t - 0.5f)) / 2.0f;
    default:
      return 1.0f;
  }
}

float LerpAngleTurns(float a, float b, float t) {
  if (a == b) return a;
  const float d = 1.0f - t;
  if (d == 0.0f) return a;
  if (d == 1.0f) return b;
  float e = b - a;
  if (e > 0.5f)
    e -= 1.0f;
  else if (e <= -0.5f)
    e += 1.0f;
  float r = a + e * d;
  // Bounded loops: a value far outside the turn range is brought in by whole turns at once.
  if (std::fabs(r) > 64.0f) r = std::fmod(r, 1.0f);
  while (r >= 1.0f) r -= 1.0f;
  while (r <= -1.0f) r += 1.0f;
  return r;
}

float InterpolatePartAngle(const PAniPartRef* part, const PAniPartRef* fromPart, float t) {
  if (part == nullptr) return 0.0f;
  const float turns = fromPart != nullptr ? LerpAngleTurns(part->angle, fromPart->angle, t) : part->angle;
  return turns * 360.0f;
}

void ApplyFrameTransform(Han6Matrix* matrix, Han6PatternSet* patternSet, const Han6FramePosition* position) {
  if (matrix == nullptr || position == nullptr) return;
  const Han6Frame* f = GetHan6Frame(patternSet, position->pattern, position->frame);
  if (f == nullptr) return;
  float sx = f->scaleX, sy = f->scaleY;
  float rx = f->rotationX, ry = f->rotationY, rz = f->rotationZ;
  const Han6Frame* from =
      position->easing != 0 ? GetHan6Frame(patternSet, position->fromPattern, position->fromFrame) : nullptr;
  if (from != nullptr) {
    const float t = EaseValue(position->easing, position->progress);
    sx = from->scaleX * (1.0f - t) + f->scaleX * t;
    sy = from->scaleY * (1.0f - t) + f->scaleY * t;
    rx = LerpAngleTurns(f->rotationX, from->rotationX, t);
    ry = LerpAngleTurns(f->rotationY, from->rotationY, t);
    rz = LerpAngleTurns(f->rotationZ, from->rotationZ, t);
  }
  // Offsets are never blended.
  Han6Matrix m = MulHan6(
      *matrix, Han6Matrix::Translation(static_cast<float>(f->offsetX), static_cast<float>(f->offsetY), 0));
  const Han6Matrix x = Han6Matrix::RotationX(rx * kTurn), y = Han6Matrix::RotationY(ry * kTurn),
                   z = Han6Matrix::RotationZ(rz * kTurn);
  if (f->rotationOrder == 0) {
    m = MulHan6(MulHan6(MulHan6(m, x), y), z);
  } else if (f->rotationOrder == 1) {
    m = MulHan6(MulHan6(MulHan6(m, z), x), y);
  }
  *matrix = MulHan6(m, Han6Matrix::Scaling(sx, sy, 0.0f));
}

void ApplyPartTransform(Han6Matrix* matrix, const PAniPartRef* part, float t, const PAniPartRef* fromPart) {
  if (matrix == nullptr || part == nullptr) return;
  float zx = part->zoomX, zy = part->zoomY;
  float x = static_cast<float>(part->x), y = static_cast<float>(part->y);
  if (fromPart != nullptr) {
    zx = fromPart->zoomX * (1.0f - t) + part->zoomX * t;
    zy = fromPart->zoomY * (1.0f - t) + part->zoomY * t;
    x = static_cast<float>(fromPart->x) * (1.0f - t) + static_cast<float>(part->x) * t;
    y = static_cast<float>(fromPart->y) * (1.0f - t) + static_cast<float>(part->y) * t;
  }
  const float degrees = InterpolatePartAngle(part, fromPart, t);
  const Han6Matrix part3 =
      MulHan6(MulHan6(Han6Matrix::Scaling(zx, zy, 1.0f), Han6Matrix::RotationZ(degrees / 360.0f * kTurn)),
              Han6Matrix::Translation(x, y, 0.0f));
  *matrix = MulHan6(part3, *matrix);
}
