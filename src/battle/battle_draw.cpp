// The drawing of battle objects: pool-object looks and the frame draw through the pattern drawing.
#include "battle/battle_draw.h"

#include <algorithm>

#include "Dxtools/Han6Draw/han6_draw.h"
#include "Dxtools/Han6Files/han6_data.h"
#include "battle/battle_match_setup.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/character_draw.h"

BattleDrawSeams g_BattleDrawSeams;
bool g_BattleDrawSubmit = true;

void ResetBattleDrawSeams() { g_BattleDrawSeams = BattleDrawSeams{}; }

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }

struct AfterimageMode {
  int mode;
  uint32_t rgb;
  uint8_t blend;
};
// The afterimage colour modes; any mode not listed is white with alpha blending.
constexpr AfterimageMode kAfterimageModes[] = {
    {1, Rgb(0, 0, 255), 1},       {2, Rgb(255, 0, 0), 1},      {3, Rgb(0, 255, 0), 1},
    {4, Rgb(255, 255, 0), 1},     {6, Rgb(0, 0, 0), 1},        {7, Rgb(50, 50, 255), 2},
    {8, Rgb(255, 50, 50), 2},     {9, Rgb(50, 255, 50), 2},    {10, Rgb(255, 255, 50), 2},
    {11, Rgb(255, 255, 255), 2},  {12, Rgb(255, 255, 255), 2}, {101, Rgb(255, 255, 255), 2},
    {102, Rgb(255, 255, 255), 2},
};

}  // namespace

uint32_t FlashColour(const BattleObject& o) {
  const int t = o.flashTimer;
  if (t == 0) return 0;
  static constexpr uint32_t kBlink[5] = {Rgb(0, 0, 255), Rgb(255, 255, 255), Rgb(255, 255, 0), Rgb(0, 255, 0),
                                         0x808080u};
  if (o.flashKind <= 4) return (t & 1) ? 0u : kBlink[o.flashKind];
  if (o.flashKind > 7) return 0;
  // A level falling with the timer; a zero length shows nothing rather than dividing by 0.
  if (o.flashLength == 0) return 0;
  const uint32_t g = static_cast<uint32_t>(t * 255 / o.flashLength) & 0xFF;
  if (o.flashKind == 5) return Rgb(g, g, g);
  if (o.flashKind == 6) return Rgb(0, 0, g);
  return Rgb(g, 0, 0);
}

BattleDrawLook PoolObjectLook(const BattleObject& o) {
  BattleDrawLook look;
  look.priority = o.drawPriority;
  uint32_t rgb = Rgb(255, 255, 255);
  uint32_t alpha = 255;
  if (o.kind == kKindAfterimage) {
    if (o.afterPriorityFlag & 1) look.priority += 10;
    // Remaining life over initial life; the spawn keeps the life at 1 or more, and a zero
    // initial life (never spawned that way) fades to nothing instead of dividing by 0.
    alpha =
        o.afterLife > 0
            ? static_cast<uint32_t>(std::clamp<int64_t>(int64_t{o.frameTimer} * 255 / o.afterLife, 0, 255))
            : 0u;
    look.blendMode = 1;
    for (const AfterimageMode& m : kAfterimageModes) {
      if (m.mode != o.afterColour) continue;
      rgb = m.rgb;
      look.blendMode = m.blend;
    }
    if (o.afterColour == 12) look.specular = Rgb(255, 255, 255);
    if (o.afterColour == 101 || o.afterColour == 102) {
      alpha /= 2;
      // 101 and 102 pick the two character techniques of the pattern drawing.
      look.shaderMode = o.afterColour - 100;
    }
  }
  look.specular |= FlashColour(o);
  uint8_t tint[3] = {255, 255, 255};
  if (g_BattleDrawSeams.TintFactors) g_BattleDrawSeams.TintFactors(tint);
  const uint32_t r = ((rgb >> 16) & 0xFF) * tint[0] / 255;
  const uint32_t g = ((rgb >> 8) & 0xFF) * tint[1] / 255;
  const uint32_t b = (rgb & 0xFF) * tint[2] / 255;
  look.color = (alpha << 24) | Rgb(r, g, b);
  return look;
}

int32_t SpriteKeyBase(const FrameDataSet* set) {
  // Sprite numbers fill the low 16 bits of a key, so each set takes its own 64 Ki block.
  for (int i = 0; i < kPlayerSlots; ++i)
    if (set == &g_FrameDataSets[i]) return (i + 1) << 16;
  if (set == &g_CommonFrameData) return (kPlayerSlots + 1) << 16;
  return (kPlayerSlots + 2) << 16;
}

Han6FramePosition ComputeFrameBlend(const BattleObject& o) {
  Han6FramePosition pos;
  pos.pattern = o.pattern;
  pos.frame = o.frame;
  const FrameDataSet* set = o.frameData;
  const Han6Frame* f = set && set->patterns ? GetHan6Frame(set->patterns, o.pattern, o.frame) : nullptr;
  // The frame's AFHK byte turns the blend on and names its easing curve (1 linear .. 5
  // out-in, as the pattern drawing reads it). An afterimage counts its life in the frame timer
  // and stays a still copy.
  if (!f || f->afhk == 0 || o.kind == kKindAfterimage) return pos;
  int32_t next;
  if (f->endAction == 1) {
    next = o.frame + 1;
  } else if (f->endAction == 2) {
    if ((f->flowFlags & 0x02) && o.loopCounter == 0)
      next = f->loopExitTarget + ((f->flowFlags & 0x08) ? o.frame : 0);
    else
      next = f->jumpTarget + ((f->flowFlags & 0x04) ? o.frame : 0);
  } else {
    return pos;  // the pattern ends or holds: nothing follows within it
  }
  if (!GetHan6Frame(set->patterns, o.pattern, next)) return pos;
  const int32_t duration = f->duration > 0 ? f->duration : 1;
  pos.easing = f->afhk;
  pos.fromPattern = o.pattern;
  pos.fromFrame = next;
  // float32: the share of the frame still to play.
  pos.progress =
      std::clamp(1.0f - static_cast<float>(o.frameTimer) / static_cast<float>(duration), 0.0f, 1.0f);
  return pos;
}

BattleDrawLook ShadowLook(const BattleObject& o) {
  BattleDrawLook look;
  look.priority = 110;
  look.shadow = true;
  look.blendMode = 1;
  const FrameDataSet* set = o.frameData;
  const Han6Frame* f = set && set->patterns ? GetHan6Frame(set->patterns, o.pattern, o.frame) : nullptr;
  // The frame's alpha counts only when it blends; an opaque frame casts a half-dark shadow.
  const uint32_t alpha = f && f->blendMode != 0 ? f->alpha : 255u;
  look.color = (alpha / 2) << 24;
  return look;
}

void DrawBattleObject(const BattleObject& o, const BattleDrawLook& look) {
  const FrameDataSet* set = o.frameData;
  if (set == nullptr || set->patterns == nullptr) return;
  const Han6Frame* f = GetHan6Frame(set->patterns, o.pattern, o.frame);
  if (f == nullptr) return;
  Han6Matrix m;
  BuildObjectMatrix(&m, o, f->spriteKind);
  int32_t x = (o.posX >> 7) + look.shiftX, y = (o.posY >> 7) + look.shiftY;
  if (o.held) {
    x += o.throwOffsetX >> 7;
    y += o.throwOffsetY >> 7;
  }
  if (y < -650) return;  // far above the screen
  // A shadow lies on the ground under the object.
  if (look.shadow) y = look.shiftY;
  PlaceObjectMatrix(&m, x, y, f->spriteKind, nullptr);
  if (look.shadow && g_BattleDrawSeams.FloorMatrix) {
    Han6Matrix floor = Han6Matrix::Identity();
    g_BattleDrawSeams.FloorMatrix(static_cast<float>(x), static_cast<float>(y), &floor);
    m = MulHan6(m, floor);
  }
  Han6Matrix camera = Han6Matrix::Identity();
  if (g_BattleDrawSeams.CameraMatrix) g_BattleDrawSeams.CameraMatrix((o.flags & 0x8000) == 0, &camera);
  m = MulHan6(m, camera);

  Han6FramePosition position = ComputeFrameBlend(o);
  Han6DrawParams p;
  p.list = g_BattleDrawSeams.DrawList ? g_BattleDrawSeams.DrawList() : nullptr;
  p.priority = look.priority + 256;
  p.blendMode = look.blendMode;
  p.color = look.color;
  p.specular = look.specular;
  p.shaderMode = look.shaderMode;
  p.edgeFlag = look.edgeFlag;
  std::copy(look.edgeColor, look.edgeColor + 4, p.edgeColor);
  p.keyBase = SpriteKeyBase(set);
  p.position = &position;
  p.world = &m;
  p.patternSet = set->patterns;
  p.sheet = set->sprites;
  p.pani = set->pani;
  DrawPatternFrame(p);
}

void DrawPoolObject(const BattleObject& o) {
  if (!g_BattleDrawSubmit) return;
  if (g_BattleDrawSeams.HiddenPartner && g_BattleDrawSeams.HiddenPartner(&o)) return;
  BattleDrawLook look = PoolObjectLook(o);
  // On a special stage the stage's own objects sit by the character offsets: x toward the
  // object's side of the screen, y down.
  int32_t ox = g_SpecialStageOffsetX, oy = g_SpecialStageOffsetY;
  const bool offsets = g_BattleDrawSeams.SpecialStageOffsets
                           ? g_BattleDrawSeams.SpecialStageOffsets(&ox, &oy) != 0
                           : (ox != 0 || oy != 0);
  if (g_BattleState[BattleStateIndex::kSpecialStage] != 0 && (o.pattern == 200 || o.pattern == 230) &&
      offsets) {
    look.shiftX = o.side == 1 ? -ox : ox;
    look.shiftY = oy;
  }
  // Objects spawned with the shadow flag cast one, drawn before the object at priority 110.
  // A giant character's part-animation frames cast none.
  const BattleObject* chara = o.owner ? o.owner : &o;
  const Han6Frame* f = o.frameData && o.frameData->patterns
                           ? GetHan6Frame(o.frameData->patterns, o.pattern, o.frame)
                           : nullptr;
  if ((o.flags & 0x0001) && f && !(f->spriteKind == 1 && BattleSeamIsGiantCharacter(chara)))
    DrawBattleObject(o, ShadowLook(o));
  DrawBattleObject(o, look);
}
