// The afterimage trail and the frame-point lookups.
#include "battle/afterimage.h"

#include <algorithm>
#include <cstring>

#include "Dxtools/Han6Draw/han6_draw_math.h"
#include "Dxtools/Han6Files/han6_data.h"
#include "Dxtools/Han6Files/pani_data.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"

TrailEntry g_AfterimageTrail[4][kTrailLength];

namespace {

int SlotOf(const BattleObject& o) {
  for (int i = 0; i < kPlayerSlots; ++i)
    if (&g_PlayerRecords[i].obj == &o) return i;
  return -1;
}

const Han6Frame* FrameOf(const BattleObject& o, int32_t pattern, int32_t frame) {
  const FrameDataSet* set = o.frameData;
  return set && set->patterns ? GetHan6Frame(set->patterns, pattern, frame) : nullptr;
}

TrailEntry Present(const BattleObject& o) {
  TrailEntry e;
  e.x = o.posX;
  e.y = o.posY;
  e.pattern = o.pattern;
  e.frame = o.frame;
  const Han6FramePosition blend = ComputeFrameBlend(o);
  e.nextSprite = blend.easing != 0 ? blend.fromFrame : -1;
  e.frameTimer = o.frameTimer;
  e.facing = o.facing;
  e.frameRec = FrameOf(o, o.pattern, o.frame);
  e.state = e.frameRec ? e.frameRec->state : nullptr;
  return e;
}

struct TrailColour {
  uint32_t rgb;
  uint8_t blend;
};
// Modes 1..6 with alpha blending, 7..11 the same colours added; any other mode is untinted.
TrailColour ColourOf(uint8_t mode) {
  static constexpr uint32_t kColours[6] = {0x0000FF, 0xFF0000, 0x00FF00, 0xFFFF00, 0xFFFFFF, 0x000000};
  if (mode >= 1 && mode <= 6) return {kColours[mode - 1], 1};
  if (mode >= 7 && mode <= 11) return {kColours[mode - 7], 2};
  return {0xFFFFFF, 1};
}

// Row-vector rotations about the three axes, as the drawing's matrices turn a point, but with
// the battle's own sine and cosine.
void RotateX(float turns, float p[3]) {
  const float a = turns * 2.0f * static_cast<float>(kBattlePi);
  const float c = static_cast<float>(BattleCos(a)), s = static_cast<float>(BattleSin(a));
  const float y = p[1] * c - p[2] * s, z = p[1] * s + p[2] * c;
  p[1] = y;
  p[2] = z;
}
void RotateY(float turns, float p[3]) {
  const float a = turns * 2.0f * static_cast<float>(kBattlePi);
  const float c = static_cast<float>(BattleCos(a)), s = static_cast<float>(BattleSin(a));
  const float x = p[0] * c + p[2] * s, z = -p[0] * s + p[2] * c;
  p[0] = x;
  p[2] = z;
}
void RotateZRadians(float a, float p[3]) {
  const float c = static_cast<float>(BattleCos(a)), s = static_cast<float>(BattleSin(a));
  const float x = p[0] * c - p[1] * s, y = p[0] * s + p[1] * c;
  p[0] = x;
  p[1] = y;
}

}  // namespace

void ResetTrail(int slot, const BattleObject& o) {
  if (slot < 0 || slot >= kPlayerSlots) return;
  const TrailEntry e = Present(o);
  std::fill(std::begin(g_AfterimageTrail[slot]), std::end(g_AfterimageTrail[slot]), e);
}

void PushTrail(const BattleObject& o) {
  const int slot = SlotOf(o);
  if (slot < 0) return;
  TrailEntry* ring = g_AfterimageTrail[slot];
  std::move_backward(ring, ring + kTrailLength - 1, ring + kTrailLength);
  ring[0] = Present(o);
}

void ClearAfterimageTrails() {
  for (auto& ring : g_AfterimageTrail) std::fill(std::begin(ring), std::end(ring), TrailEntry{});
}

void DrawAfterimage(int slot, const BattleObject& o, int i) {
  if (!g_BattleDrawSubmit || g_TrailHidden != 0) return;
  if (slot < 0 || slot >= kPlayerSlots || i < 0 || o.trailCount == 0) return;
  const int64_t index = int64_t{o.trailStride} * (i + 1);
  if (index >= kTrailLength) return;
  const TrailEntry& e = g_AfterimageTrail[slot][index];
  if (e.frameRec == nullptr) return;
  // A still copy of the character at the remembered pose; the present scale, rotation and
  // frame data carry over.
  BattleObject copy = o;
  copy.posX = e.x;
  copy.posY = e.y;
  copy.pattern = e.pattern;
  copy.frame = e.frame;
  copy.frameTimer = e.frameTimer;
  copy.facing = e.facing;
  copy.held = 0;  // the remembered position already is where it stood
  const int64_t alpha = std::clamp<int64_t>((int64_t{o.trailCount} - i) * 150 / o.trailCount, 0, 255);
  const TrailColour colour = ColourOf(o.trailColour);
  BattleDrawLook look;
  look.color = static_cast<uint32_t>(alpha) << 24 | colour.rgb;
  look.blendMode = colour.blend;
  // The images stand just behind the fighter that leaves them.
  look.priority = o.drawPriority - 1;
  DrawBattleObject(copy, look);
}

int GetFramePart(const BattleObject& o, int part, PAniPartRef* out) {
  const FrameDataSet* set = o.frameData;
  const Han6Frame* f = FrameOf(o, o.pattern, o.frame);
  if (!f || f->spriteKind != 1 || !set->pani || part < 0 || part >= kPAniSlotCount) return 0;
  const PAniPartRef* ref = GetPAniPartRef(set->pani, f->spriteIndex, part);
  if (!ref) return 0;
  PAniPartRef r = *ref;
  // Blended as the drawing blends it: toward this frame's values as the progress nears 1.
  const Han6FramePosition pos = ComputeFrameBlend(o);
  const Han6Frame* from = pos.easing != 0 ? FrameOf(o, pos.fromPattern, pos.fromFrame) : nullptr;
  const PAniPartRef* fromRef =
      from && from->spriteKind == 1 ? GetPAniPartRef(set->pani, from->spriteIndex, part) : nullptr;
  if (fromRef) {
    const float t = EaseValue(pos.easing, pos.progress);
    r.x = FloatToInt32(static_cast<float>(fromRef->x) * (1.0f - t) + static_cast<float>(ref->x) * t);
    r.y = FloatToInt32(static_cast<float>(fromRef->y) * (1.0f - t) + static_cast<float>(ref->y) * t);
    r.zoomX = fromRef->zoomX * (1.0f - t) + ref->zoomX * t;
    r.zoomY = fromRef->zoomY * (1.0f - t) + ref->zoomY * t;
    r.angle = LerpAngleTurns(ref->angle, fromRef->angle, t);
  }
  *out = r;
  return 1;
}

int GetFramePointWorld(const BattleObject& o, int point, int32_t* x, int32_t* y) {
  const FrameDataSet* set = o.frameData;
  const Han6Frame* f = FrameOf(o, o.pattern, o.frame);
  if (!f || f->spriteKind != 1 || !set->pani || point < 0 || point >= kPAniSlotCount) return 0;
  const PAniPartRef* ref = GetPAniPartRef(set->pani, f->spriteIndex, point);
  if (!ref) return 0;
  // The part's anchor in the pattern, through the frame's own transform (offset, rotations,
  // scale; the frame's blend is left out: the point follows the frame it stands in).
  float p[3] = {static_cast<float>(ref->x) + static_cast<float>(f->offsetX),
                static_cast<float>(ref->y) + static_cast<float>(f->offsetY), 0.0f};
  if (f->rotationOrder == 0) {
    RotateX(f->rotationX, p);
    RotateY(f->rotationY, p);
    RotateZRadians(f->rotationZ * 2.0f * static_cast<float>(kBattlePi), p);
  } else if (f->rotationOrder == 1) {
    RotateZRadians(f->rotationZ * 2.0f * static_cast<float>(kBattlePi), p);
    RotateX(f->rotationX, p);
    RotateY(f->rotationY, p);
  }
  p[0] *= f->scaleX;
  p[1] *= f->scaleY;
  // Then the object matrix of a part-animation frame: scale, rotation about the pivot, mirror.
  p[0] *= o.scaleX;
  p[1] *= o.scaleY;
  if (o.rotation != 0) {
    const float px = static_cast<float>(o.rotationPivotX), py = static_cast<float>(o.rotationPivotY);
    p[0] -= px;
    p[1] -= py;
    RotateZRadians(static_cast<float>(o.rotation) * (2.0f * static_cast<float>(kBattlePi) / 10000.0f), p);
    p[0] += px;
    p[1] += py;
  }
  if (o.facing == 1) p[0] = -p[0];
  // Frame pixels of a part-animation frame are whole pixels: 128 world units each.
  *x = Wrap<int32_t>(int64_t{o.posX} + FloatToInt32(p[0] * 128.0f));
  *y = Wrap<int32_t>(int64_t{o.posY} + FloatToInt32(p[1] * 128.0f));
  return 1;
}

int GetTargetPoint(const BattleObject& o, int32_t depth, int32_t* x, int32_t* y) {
  // Effect 6/23's "target point at a depth": the target's position raised (y up is negative)
  // by that many world units.
  const BattleObject* t = o.target;
  if (t == nullptr) return 0;
  *x = t->posX;
  *y = Wrap<int32_t>(int64_t{t->posY} - depth);
  return 1;
}

void InstallAfterimageSeams() {
  g_BattleSeams.PushTrail = [](BattleObject* o) {
    if (o) PushTrail(*o);
  };
  g_BattleSeams.ResetTrail = [](int slot, BattleObject* o) {
    if (o) ResetTrail(slot, *o);
  };
  g_BattleSeams.DrawAfterimage = [](int slot, BattleObject* o, int i) {
    if (o) DrawAfterimage(slot, *o, i);
  };
  g_BattleSeams.FramePoint = [](BattleObject* o, int point, int32_t* x, int32_t* y, int32_t* angle) {
    if (!o || !GetFramePointWorld(*o, point, x, y)) return 0;
    // The angle in degrees, from the point's part.
    PAniPartRef part;
    if (angle) *angle = GetFramePart(*o, point, &part) ? FloatToInt32(part.angle * 360.0f) : 0;
    return 1;
  };
  g_BattleSeams.GetTargetPoint = [](BattleObject* o, int32_t depth, int32_t* x, int32_t* y) {
    return o ? GetTargetPoint(*o, depth, x, y) : 0;
  };
}
