// Coordinate conversions of the battle.
#include "battle/box_to_screen.h"

#include <algorithm>

#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/object_state.h"

namespace {
// Arithmetic shift of a difference taken in 64 bits: an object far off the stage must not
// overflow.
int32_t ToPixels(int64_t world, int64_t camera, int32_t origin) {
  return static_cast<int32_t>(((world - camera) >> 7) + origin);
}

// The box's values mirrored for a left-facing object and doubled for a cut-sprite frame, then
// ordered; the anchor is added afterwards by the caller.
ScreenRect FrameBoxValues(const BattleObject& o, const Han6Box& box) {
  const int32_t scale = IsCutSpriteFrame(o) ? 2 : 1;
  int32_t x1 = box.x1 * scale, x2 = box.x2 * scale;
  if (o.facing == 1) {
    x1 = -x1;
    x2 = -x2;
  }
  const int32_t y1 = box.y1 * scale, y2 = box.y2 * scale;
  return ScreenRect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// The anchor of the boxes: the position, plus the throw offsets while held.
void Anchor(const BattleObject& o, int64_t* x, int64_t* y) {
  *x = o.posX;
  *y = o.posY;
  if (o.held) {
    *x += o.throwOffsetX;
    *y += o.throwOffsetY;
  }
}
}  // namespace

int32_t WorldToScreenX(int64_t worldX) { return ToPixels(worldX, BattleSeamCameraX(), 320); }
int32_t WorldToScreenY(int64_t worldY) { return ToPixels(worldY, BattleSeamCameraY(), 432); }

int32_t BoxToScreen(const BattleObject& o, const Han6Box& box, ScreenRect* out) {
  int64_t ax, ay;
  Anchor(o, &ax, &ay);
  const int32_t sx = WorldToScreenX(ax), sy = WorldToScreenY(ay);
  const ScreenRect v = FrameBoxValues(o, box);
  *out = ScreenRect{sx + v.x1, sy + v.y1, sx + v.x2, sy + v.y2};
  return out->y2;
}

void BoxToWorld(const BattleObject& o, const Han6Box& box, WorldRect* out) {
  int64_t ax, ay;
  Anchor(o, &ax, &ay);
  const ScreenRect v = FrameBoxValues(o, box);
  // The values are ordered before the anchor is added: positions wrap at 32 bits, and so does a
  // box hanging from an object placed near the ends, without its corners trading places.
  out->x1 = Wrap(ax + int64_t{v.x1} * 128);
  out->x2 = Wrap(ax + int64_t{v.x2} * 128);
  out->y1 = Wrap(ay + int64_t{v.y1} * 128);
  out->y2 = Wrap(ay + int64_t{v.y2} * 128);
}

const Han6Box* FrameBox(const BattleObject& o, int n) {
  const Han6Frame* f = o.frameRec;
  if (!f || n < 0 || n >= f->boxCount || static_cast<size_t>(n) >= f->boxes.size()) return nullptr;
  return f->boxes[static_cast<size_t>(n)];
}

int ScreenToFrameCoords(const BattleObject& o, int32_t* x, int32_t* y) {
  // 40960 and 55296 are the 320 and 432 pixels of the screen origin.
  int64_t dx = int64_t{BattleSeamCameraX()} + int64_t{*x} * 128 - o.posX - 40960;
  int64_t dy = int64_t{*y} * 128 + BattleSeamCameraY() - o.posY - 55296;
  const int kind = o.frameRec ? o.frameRec->spriteKind : -1;
  if (kind == 0) {
    dx >>= 8;
    dy >>= 8;
  } else if (kind == 1) {
    dx >>= 7;
    dy >>= 7;
  }
  if (o.facing == 1) dx = -dx;
  *x = Wrap(dx);
  *y = Wrap(dy);
  return kind - 1;
}

void WorldToLocalOffset(const BattleObject& o, int32_t* x, int32_t* y) {
  int64_t dx = (int64_t{*x} - o.posX) >> 8;
  const int64_t dy = (int64_t{*y} - o.posY) >> 8;
  if (o.facing == 1) dx = -dx;
  *x = Wrap(dx);
  *y = Wrap(dy);
}
