// Frame boxes on the screen.
#include "battle/box_to_screen.h"

#include <algorithm>

#include "battle/battle_seams.h"
#include "battle/object_state.h"

namespace {
// Arithmetic shift of a difference taken in 64 bits: an object far off the stage must not
// overflow.
int32_t ToPixels(int64_t world, int64_t camera, int32_t origin) {
  return static_cast<int32_t>(((world - camera) >> 7) + origin);
}
}  // namespace

int32_t WorldToScreenX(int64_t worldX) { return ToPixels(worldX, BattleSeamCameraX(), 320); }
int32_t WorldToScreenY(int64_t worldY) { return ToPixels(worldY, BattleSeamCameraY(), 432); }

int32_t BoxToScreen(const BattleObject& o, const Han6Box& box, ScreenRect* out) {
  int64_t ax = o.posX, ay = o.posY;
  if (o.held) {
    ax += o.throwOffsetX;
    ay += o.throwOffsetY;
  }
  const int32_t sx = WorldToScreenX(ax), sy = WorldToScreenY(ay);
  const int32_t scale = IsCutSpriteFrame(o) ? 2 : 1;
  int32_t x1 = box.x1 * scale, x2 = box.x2 * scale;
  if (o.facing == 1) {
    x1 = -x1;
    x2 = -x2;
  }
  const int32_t y1 = box.y1 * scale, y2 = box.y2 * scale;
  out->x1 = sx + std::min(x1, x2);
  out->x2 = sx + std::max(x1, x2);
  out->y1 = sy + std::min(y1, y2);
  out->y2 = sy + std::max(y1, y2);
  return out->y2;
}

const Han6Box* FrameBox(const BattleObject& o, int n) {
  const Han6Frame* f = o.frameRec;
  if (!f || n < 0 || n >= f->boxCount || static_cast<size_t>(n) >= f->boxes.size()) return nullptr;
  return f->boxes[static_cast<size_t>(n)];
}
