// The running stage: object states stepping through their frames, motion, spawns and position
// conditions, the drop layer, the heat blur, the background override, their queueing in two
// depth lists, and the stage's state hash.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Han6Draw/han6_draw.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "scene/stage_bg.h"

StageObjectState g_StageObjects[kStageObjectCount];
HeatBlurState g_HeatBlur;
DropObject g_DropObjects[kStageMaxDrops];
float g_StageBrightness = 1.0f;
int32_t g_StageFrameCounter = 0;
int32_t g_StageBgSimpleDraw = 0;
int32_t g_StageFadeLevel = 0;
TextureHandle* g_StageFlareTexture = nullptr;

namespace {

// Background (0) and foreground (1) buckets, filled and emptied every frame.
std::vector<StageObjectState*> g_Buckets[2][kStageBucketCount];

constexpr float kPi = 3.14159265358979323846f;

const StageObject* ObjectRecord(int n) {
  if (g_StageBgData == nullptr || n < 0 || n >= kStageObjectCount) return nullptr;
  return g_StageBgData->objects[n].get();
}

const StageFrame* FrameAt(const StageObjectState& s, int frame) {
  const StageObject* o = ObjectRecord(s.object);
  if (o == nullptr || frame < 0 || static_cast<uint32_t>(frame) >= o->frameCount) return nullptr;
  return &o->frames[static_cast<size_t>(frame)];
}

void Free(StageObjectState& s) { s = StageObjectState{}; }

// Moves a state to frame n and enters it. Frame numbers are bytes: the number is tested against
// the count before it is stored, so 255 + 1 ends the object instead of wrapping to frame 0.
bool GoToFrame(StageObjectState& s, int n) {
  const StageObject* o = ObjectRecord(s.object);
  if (o == nullptr || n < 0 || static_cast<uint32_t>(n) >= o->frameCount) {
    Free(s);
    return false;
  }
  s.frame = static_cast<uint8_t>(n);
  EnterStageObjectFrame(&s);
  return true;
}

// The object passes also hold while the battle's background hold timer runs (g_BgHoldTimer: the
// battle's tick counts it down, particle effect 2 sets it; the stage only reads it).
bool ObjectPassesHeld() { return StageTimeStopped() || BattleSeamBgHoldTimer() != 0; }

float RandUnit() { return static_cast<float>(RandStreamNext(0)) / 2147483648.0f; }

// low + r mod (high - low) with a draw, or low without one when the span is 0 or below (equal
// bounds give the bound; reversed bounds would divide by 0 or by a negative number).
int32_t RandomInRange(int32_t low, int64_t span) {
  if (span <= 0) return low;
  return static_cast<int32_t>(low + RandStreamNext(0) % span);
}

void SpawnObject(const StageObjectState& parent, int number, int32_t a, int32_t b) {
  const StageObject* rec = ObjectRecord(number);
  if (rec == nullptr) return;
  StageObjectState* s = nullptr;
  for (StageObjectState& c : g_StageObjects)
    if (c.active == 0) {
      s = &c;
      break;
    }
  if (s == nullptr) return;
  InitStageObject(s, number, rec->bucket, rec->scroll, rec->foreground, rec->linear);
  // Far objects overflow 32 bits in these products: 64-bit intermediates, each product
  // truncated toward zero, the sum stored as int32.
  const int64_t camX = BattleSeamCameraX(), camY = BattleSeamCameraY();
  const int64_t x = 128 * int64_t{a} + (int64_t{parent.x} - camX + 24576) * parent.scroll / 256 +
                    (camX - 24576) * s->scroll / 256;
  const int64_t y =
      128 * int64_t{b} + (int64_t{parent.y} - camY) * parent.scroll / 256 + camY * s->scroll / 256;
  s->x = static_cast<int32_t>(x);
  s->y = static_cast<int32_t>(y);
}

int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

uint32_t Argb(int a, int r, int g, int b) {
  auto c = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
  return c(a) << 24 | c(r) << 16 | c(g) << 8 | c(b);
}

// The camera matrix Q and the screen matrix P.
D3DMatrix CameraMatrix() {
  const float scale = BattleSeamCameraScale();
  return MulHan6(D3DMatrix::Translation(-static_cast<float>(BattleSeamCameraX()) / 128.0f,
                                        -static_cast<float>(BattleSeamCameraY()) / 128.0f, 0.0f),
                 D3DMatrix::Scaling(scale, scale, 1.0f));
}
D3DMatrix ScreenMatrix() { return D3DMatrix::Translation(320.0f, 432.0f, 0.0f); }

D3DMatrix ParallaxMatrix(int scroll) {
  const D3DMatrix q = CameraMatrix();
  float v[4];
  TransformHan6Point(q, 1.0f, 1.0f, 0.0f, v);
  const float s = static_cast<float>(scroll) / 256.0f;
  return MulHan6(q, D3DMatrix::Translation((s - 1.0f) * v[0], (s - 1.0f) * v[1], 0.0f));
}

void QueueQuad(GrpDrawList* list, TextureHandle* texture, const float pos[4][4], const float u[4],
               const float v[4], uint32_t colour, uint32_t specular, uint8_t blend, uint8_t filter,
               int32_t priority) {
  GrpDrawCommand c;
  ProjectQuadVertices(pos, &c);
  for (int i = 0; i < 4; ++i) {
    c.v[i].diffuse = colour;
    c.v[i].specular = specular;
    c.v[i].u = u[i];
    c.v[i].v = v[i];
  }
  c.texture = HandleTexture(texture);
  g_DrawBlendMode = blend;
  g_DrawFilterMode = filter;
  DrawQuad(list, &c, priority);
  g_DrawBlendMode = 1;
  g_DrawFilterMode = 1;
}

// A textured rectangle w x h around a pivot, rotated by `degrees`, its pivot at (x, y).
void QueueSprite(GrpDrawList* list, TextureHandle* texture, float x, float y, float w, float h, float px,
                 float py, float degrees, const float src[4], bool mirror, uint32_t colour, uint8_t blend,
                 int32_t priority) {
  vt::gfx::Texture* t = HandleTexture(texture);
  if (t == nullptr) return;
  const float rad = degrees * kPi / 180.0f;
  const float cs = static_cast<float>(BattleCos(rad)), sn = static_cast<float>(BattleSin(rad));
  const float cx[4] = {-px, w - px, -px, w - px}, cy[4] = {-py, -py, h - py, h - py};
  float pos[4][4];
  for (int i = 0; i < 4; ++i) {
    pos[i][0] = x + cx[i] * cs - cy[i] * sn;
    pos[i][1] = y + cx[i] * sn + cy[i] * cs;
    pos[i][2] = 0.0f;
    pos[i][3] = 1.0f;
  }
  const float W = static_cast<float>(t->Width()), H = static_cast<float>(t->Height());
  float u0 = src[0] / W, u1 = (src[0] + src[2]) / W;
  if (mirror) std::swap(u0, u1);
  const float v0 = src[1] / H, v1 = (src[1] + src[3]) / H;
  const float u[4] = {u0, u1, u0, u1}, v[4] = {v0, v0, v1, v1};
  QueueQuad(list, texture, pos, u, v, colour, 0, blend, 2, priority);
}

void FillScreen(GrpDrawList* list, uint32_t colour) {
  DrawRect(list, 0, 0, 640, 480, colour, colour, colour, colour, 266);
}

// The radial burst of override kinds 31 and 32.
void DrawOverrideBurst(GrpDrawList* list, int kind, int e) {
  TextureHandle* tex = g_StageFlareTexture;
  if (tex == nullptr) return;
  const int g = e - 8;
  const int alpha = e <= 52 ? std::min(16 * g, 255) : std::max(975 - 16 * g, 0);
  const uint32_t colour = Argb(alpha, 255, 255, 255);
  const bool mirror = kind == 32;
  const float o = mirror ? -1.0f : 1.0f;
  const float backdrop[4] = {0, 0, 288, 192};
  QueueSprite(list, tex, mirror ? 0.0f : 64.0f, 0.0f, 576, 384, 0, 0, 0, backdrop, mirror, colour, 2, 266);
  const float cx = mirror ? 128.0f : 512.0f, cy = 128.0f;
  static const float kSpeeds[10] = {0.5f, 1.0f, 0.7f, 1.3f, 0.1f, 1.25f, 0.6f, 1.8f, 0.4f, 0.9f};
  const float ray[4] = {480, 32, 32, 256};
  for (int i = 0; i < 10; ++i) {
    const float turn =
        std::fmod(static_cast<float>(g) * kSpeeds[i] * 0.5f + 43.0f * static_cast<float>(i), 360.0f);
    QueueSprite(list, tex, cx, cy, 32, 384, 16, 0, 359.0f - turn, ray, mirror, colour, 2, 266);
  }
  const float ringSize = (0.8f * static_cast<float>(g) + 0.5f) * 144.0f;
  const float ring[4] = {0, 208, 144, 144};
  QueueSprite(list, tex, cx, cy, ringSize, ringSize, ringSize / 2, ringSize / 2, 0, ring, mirror, colour, 2,
              266);
  const float gf = static_cast<float>(g);
  const float d[4] = {0.5f * gf + 32, gf + 64, 1.5f * gf + 96, 2 * gf + 128};
  const float sizes[4] = {80, 32, 192, 288};
  const float src[4][4] = {{288, 192, 80, 80}, {480, 0, 32, 32}, {288, 0, 192, 192}, {144, 208, 144, 144}};
  for (int k = 0; k < 4; ++k)
    QueueSprite(list, tex, cx - 1.3f * o * d[k], 128 + d[k], sizes[k], sizes[k], sizes[k] / 2, sizes[k] / 2,
                0, src[k], mirror, colour, 2, 266);
}

void DrawBlockAObject(const StageObjectState& s, const StageFrame& f, GrpDrawList* list, int32_t priority,
                      const D3DMatrix& parallax) {
  const StageObject* rec = ObjectRecord(s.object);
  if (g_StageBgData == nullptr || !g_StageBgData->blockA || rec == nullptr || rec->frameCount == 0) return;
  const StageBlockA& a = *g_StageBgData->blockA;
  const StageFrame* nf = FrameAt(s, s.nextFrame);
  auto patternOf = [&](const StageFrame* fr) -> const StagePattern* {
    if (fr == nullptr || fr->image < 0 || fr->image >= kStagePatternCount) return nullptr;
    return a.patterns[fr->image].get();
  };
  const StagePattern* pat = patternOf(&f);
  const StagePattern* next = patternOf(nf);
  if (pat == nullptr || next == nullptr) return;
  int order[kStagePartSlots];
  std::iota(order, order + kStagePartSlots, 0);
  std::stable_sort(order, order + kStagePartSlots,
                   [&](int l, int r) { return pat->refs[l].priority < pat->refs[r].priority; });
  const D3DMatrix base =
      MulHan6(MulHan6(MulHan6(D3DMatrix::Translation(f.x, f.y, 0.0f),
                              D3DMatrix::Translation(static_cast<float>(s.x) / 128.0f,
                                                     static_cast<float>(s.y) / 128.0f, 0.0f)),
                      parallax),
              ScreenMatrix());
  const bool blending = f.blendNext != 0 && f.duration != 0;
  const float t = blending ? static_cast<float>(s.timer) / static_cast<float>(f.duration) : 0.0f;
  for (int slot : order) {
    const StagePartRef& ref = pat->refs[slot];
    if (ref.part < 0 || ref.part >= kStagePartCount) continue;
    const StagePartDef* def = a.parts[ref.part].get();
    if (def == nullptr) continue;
    TextureHandle* tex = StageImageTexture(def->image);
    vt::gfx::Texture* gt = HandleTexture(tex);
    if (gt == nullptr) continue;
    uint8_t blend = 1, filter = 1;
    if (ref.additive) blend = filter = 2;
    if (ref.linear || s.linear) filter = 2;
    float zx = static_cast<float>(ref.zoomX) / 1000.0f, zy = static_cast<float>(ref.zoomY) / 1000.0f;
    if (blending) {
      const StagePartRef& to = next->refs[slot];
      zx = zx * (1.0f - t) + static_cast<float>(to.zoomX) / 1000.0f * t;
      zy = zy * (1.0f - t) + static_cast<float>(to.zoomY) / 1000.0f * t;
    }
    const D3DMatrix m =
        MulHan6(MulHan6(D3DMatrix::Scaling(zx, zy, 1.0f),
                        D3DMatrix::Translation(static_cast<float>(ref.x), static_cast<float>(ref.y), 0.0f)),
                base);
    const float px = static_cast<float>(def->pivotX), py = static_cast<float>(def->pivotY);
    const float w = static_cast<float>(def->width), h = static_cast<float>(def->height);
    const float cx[4] = {-px, w - px, -px, w - px}, cy[4] = {-py, -py, h - py, h - py};
    float pos[4][4];
    for (int i = 0; i < 4; ++i) TransformHan6Point(m, cx[i], cy[i], 0.0f, pos[i]);
    float sx = static_cast<float>(def->sx), sy = static_cast<float>(def->sy);
    float sw = static_cast<float>(def->sw), sh = static_cast<float>(def->sh);
    if (ref.flip & 1) {
      sx = sx + sw - 1;
      sw = -sw;
    }
    if (ref.flip & 2) {
      sy = sy + sh - 1;
      sh = -sh;
    }
    const float W = static_cast<float>(gt->Width()), H = static_cast<float>(gt->Height());
    const float u[4] = {sx / W, (sx + sw) / W, sx / W, (sx + sw) / W};
    const float v[4] = {sy / H, sy / H, (sy + sh) / H, (sy + sh) / H};
    QueueQuad(list, tex, pos, u, v, Argb(ref.alpha, ref.red, ref.green, ref.blue),
              Argb(0, ref.addRed, ref.addGreen, ref.addBlue), blend, filter, priority);
  }
}

void DrawStageObject(const StageObjectState& s, GrpDrawList* list, uint32_t colour, int32_t priority,
                     int covered) {
  const StageFrame* f = FrameAt(s, s.frame);
  if (f == nullptr) return;
  const D3DMatrix parallax = ParallaxMatrix(s.scroll);
  if (f->image < 10000) {
    DrawBlockAObject(s, *f, list, priority, parallax);
    return;
  }
  const int sprite = f->image - 10000;
  if (sprite >= kCutSpriteSlotCount || g_StageSprites == nullptr || g_StageSprites->Record(sprite) == nullptr)
    return;
  float a = f->blend == 0 ? 255.0f : static_cast<float>(f->alpha);
  if (f->blendNext != 0 && f->duration != 0) {
    const float t = static_cast<float>(s.timer) / static_cast<float>(f->duration);
    // A next frame outside the object has no alpha to blend toward: the frame keeps its own.
    const StageFrame* nf = FrameAt(s, s.nextFrame);
    const float n = nf == nullptr ? a : nf->blend == 0 ? 255.0f : static_cast<float>(nf->alpha);
    a = a * (1.0f - t) + n * t;
  }
  const uint8_t blend = f->blend == 2 ? 2 : f->blend == 3 ? 4 : 1;
  float h = 234.0f;
  if (!covered) {
    if (s.foreground) {
      if (g_StageBrightness != 1.0f) a *= g_StageBrightness;
      int32_t& mode = g_BattleState[BattleStateIndex::kScreenMode];
      if (mode != 0) {
        a *= static_cast<float>(g_StageFadeLevel) / 255.0f;
        if (mode == 2) {
          g_StageFadeLevel += 6;
          if (g_StageFadeLevel > 255) {
            mode = 0;
            g_StageFadeLevel = 0;
          }
        } else if (mode == 3) {
          g_StageFadeLevel -= 6;
          if (g_StageFadeLevel < 0) {
            mode = 1;
            g_StageFadeLevel = 0;
          }
        }
      }
    }
  } else {
    h = 234.0f * g_StageBrightness;
  }
  auto channel = [&](int shift, float scale) {
    return static_cast<int>(static_cast<float>((colour >> shift) & 0xFF) / 255.0f * scale);
  };
  CutSpriteDrawParams p;
  p.list = list;
  p.priority = priority;
  p.blendMode = blend;
  p.color = Argb(channel(24, a), channel(16, h), channel(8, h), channel(0, h));
  p.key = sprite | StageSpriteKeyBase();
  // Colour sprites draw linear unless bit 30 asks for point filtering.
  p.drawFlags = (s.linear || blend == 2) ? 0 : (1 << 30);
  p.spriteNumber = sprite;
  const D3DMatrix m = MulHan6(MulHan6(D3DMatrix::Translation(static_cast<float>(f->x + (s.x >> 7)),
                                                             static_cast<float>(f->y + (s.y >> 7)), 0.0f),
                                      parallax),
                              ScreenMatrix());
  p.transform = &m;
  p.sheet = g_StageSprites;
  DrawCutSprite(p);
}

// One tile of the checkered room through the room's perspective camera.
struct RoomCamera {
  float ex, ey, ez, focal;
  void Project(float x, float y, float z, float out[4]) const {
    const float dz = std::max(z - ez, 0.01f);
    out[0] = 320.0f + focal * (x - ex) / dz;
    out[1] = 240.0f + focal * (y - ey) / dz;
    out[2] = 0.0f;
    out[3] = 1.0f;
  }
};

void RoomTile(GrpDrawList* list, const RoomCamera& cam, const float corners[4][3], uint32_t colour) {
  float pos[4][4];
  for (int i = 0; i < 4; ++i) cam.Project(corners[i][0], corners[i][1], corners[i][2], pos[i]);
  const float zero[4] = {};
  QueueQuad(list, nullptr, pos, zero, zero, colour, 0, 1, 1, 8);
}

uint32_t RoomColour(float r, float g, float b, bool dark) {
  const float k = g_StageBrightness * (dark ? 0.5f : 1.0f);
  return Argb(255, static_cast<int>(r * k), static_cast<int>(g * k), static_cast<int>(b * k));
}

uint64_t HashBytes(uint64_t h, const void* p, size_t n) {
  const auto* b = static_cast<const uint8_t*>(p);
  for (size_t i = 0; i < n; ++i) {
    h ^= b[i];
    h *= 1099511628211ull;
  }
  return h;
}
template <typename T>
uint64_t HashValue(uint64_t h, T v) {
  return HashBytes(h, &v, sizeof v);
}
uint64_t HashFloat(uint64_t h, float f) {
  uint32_t bits = 0;
  std::memcpy(&bits, &f, 4);
  return HashValue(h, bits);
}

}  // namespace

bool StageTimeStopped() {
  return g_Paused != 0 || g_GlobalFreeze != 0 || (g_SlowMotion != 0 && g_BattleFrame % 3 != 0);
}

int DrawStageBg(int animate) {
  // Stored 1 is "STAGE ANIMATION OFF": the background animates for its first two frames and
  // then stands still.
  const int32_t option = g_GameData != nullptr ? g_GameData->StageAnimation : 0;
  if (animate && (option == 0 || g_StageFrameCounter <= 1)) {
    AdvanceStageObjects();
    UpdateStageObjectMotion();
    RunStageSpawnEvents();
    RunStagePositionConditions();
    UpdateDropObjects();
    UpdateHeatBlurState();
  }
  const float c = DrawHeatPointBlur();
  DrawStageLayers(&g_MainDrawList, 1.0f - c);
  ++g_StageFrameCounter;
  return 1;
}

void StartStageObjects() {
  for (StageObjectState& s : g_StageObjects) s = StageObjectState{};
  for (int i = 0; i < kStageObjectCount; ++i) {
    const StageObject* rec = ObjectRecord(i);
    if (rec == nullptr || rec->spawnOnly != 0) continue;
    InitStageObject(&g_StageObjects[i], i, rec->bucket, rec->scroll, rec->foreground, rec->linear);
  }
  g_StageFrameCounter = 0;
  InitDropObjects();
  g_HeatBlur = HeatBlurState{};
}

void InitStageObject(StageObjectState* s, int object, int bucket, int scroll, int foreground, int linear) {
  *s = StageObjectState{};
  s->active = 1;
  s->object = static_cast<uint8_t>(object);
  s->frame = 0;
  s->bucket = static_cast<int16_t>(bucket);
  s->scroll = static_cast<int16_t>(scroll);
  s->foreground = static_cast<uint8_t>(foreground);
  s->linear = static_cast<uint8_t>(linear);
  EnterStageObjectFrame(s);
}

void EnterStageObjectFrame(StageObjectState* s) {
  s->timer = 0;
  s->eventsDone = 0;
  s->motionSet = 0;
  const StageFrame* f = FrameAt(*s, s->frame);
  if (f == nullptr) return;
  if (f->loopCount != 0) s->loopCounter = f->loopCount;
  switch (f->endAction) {
    case 0:
      s->nextFrame = s->frame;
      break;
    case 1:
    case 3:
      // Kept as the game has it: the stored next frame raised by one. After a step made by an
      // end action that is the shown frame + 1; after a position condition's jump it is one past
      // the frame that was to follow before the jump. Only blending toward the next frame sees it.
      s->nextFrame = static_cast<uint8_t>(s->nextFrame + 1);
      break;
    case 2:
    case 4:
      s->nextFrame = f->target;
      break;
    case 5:
      s->nextFrame = s->loopCounter <= 1 ? f->exitFrame : f->target;
      break;
    default:
      break;
  }
}

void AdvanceStageObjects() {
  if (ObjectPassesHeld()) return;
  for (StageObjectState& s : g_StageObjects) {
    if (s.active == 0) continue;
    if (s.active == 1) s.active = 2;
    ++s.timer;
    const StageFrame* f = FrameAt(s, s.frame);
    if (f == nullptr) {
      Free(s);
      continue;
    }
    if (s.timer < f->duration) continue;
    switch (f->endAction) {
      case 0:
        Free(s);
        break;
      case 2:
      case 4:
        if (s.loopCounter != 0) --s.loopCounter;
        GoToFrame(s, f->target);
        break;
      case 5:
        if (s.loopCounter != 0) --s.loopCounter;
        GoToFrame(s, s.loopCounter != 0 ? f->target : f->exitFrame);
        break;
      case 1:
      case 3:
        GoToFrame(s, s.frame + 1);
        break;
      default:
        break;
    }
  }
}

void UpdateStageObjectMotion() {
  if (ObjectPassesHeld()) return;
  for (StageObjectState& s : g_StageObjects) {
    if (s.active != 2) continue;
    if (s.motionSet == 1) {
      s.x = Wrap(int64_t{s.x} + s.vx);
      s.y = Wrap(int64_t{s.y} + s.vy);
      s.vx = Wrap(int64_t{s.vx} + s.ax);
      s.vy = Wrap(int64_t{s.vy} + s.ay);
      continue;
    }
    const StageFrame* f = FrameAt(s, s.frame);
    if (f == nullptr) continue;
    if (f->clearX) s.vx = s.ax = 0;
    if (f->clearY) s.vy = s.ay = 0;
    if (f->setX) {
      s.vx = f->vx;
      s.ax = f->ax;
    }
    if (f->setY) {
      s.vy = f->vy;
      s.ay = f->ay;
    }
    s.motionSet = 1;
  }
}

void RunStageSpawnEvents() {
  if (ObjectPassesHeld()) return;
  for (StageObjectState& s : g_StageObjects) {
    if (s.active != 2 || s.eventsDone) continue;
    const StageFrame* f = FrameAt(s, s.frame);
    const StageObject* rec = ObjectRecord(s.object);
    if (f == nullptr || rec == nullptr) continue;
    for (int16_t n : f->spawns) {
      if (n < 0 || static_cast<size_t>(n) >= rec->spawns.size()) continue;
      const StageEvent& e = rec->spawns[static_cast<size_t>(n)];
      if (e.type == 1) {
        SpawnObject(s, e.object, e.a4, e.a8);
      } else if (e.type == 2) {
        const int32_t r1 = RandStreamNext(0);
        const int count = std::max<int>(e.count20, 1);
        const int number = e.object + r1 % count;
        const int32_t x = RandomInRange(e.a4, int64_t{e.a12} - e.a4 + 1);
        const int32_t y = RandomInRange(e.a8, int64_t{e.a16} - e.a8 + 1);
        SpawnObject(s, number, x, y);
      } else if (e.type == 100 && e.object == 0) {
        const int32_t v = RandomInRange(e.a4, int64_t{e.a8} - e.a4);
        const int32_t acc = RandomInRange(e.a12, int64_t{e.a16} - e.a12);
        if (e.axis20 == 0) {
          s.vx = v;
          s.ax = acc;
        } else {
          s.vy = v;
          s.ay = acc;
        }
      }
    }
    s.eventsDone = 1;
  }
}

void RunStagePositionConditions() {
  if (ObjectPassesHeld()) return;
  for (StageObjectState& s : g_StageObjects) {
    if (s.active != 2) continue;
    const StageObject* rec = ObjectRecord(s.object);
    if (rec == nullptr) continue;
    for (int k = 0; k < 8 && s.active == 2; ++k) {
      // Read from the frame shown now: a jump changes where later numbers come from.
      const StageFrame* f = FrameAt(s, s.frame);
      if (f == nullptr) break;
      const int16_t n = f->conditions[k];
      if (n < 0 || static_cast<size_t>(n) >= rec->conditions.size()) continue;
      const StageEvent& e = rec->conditions[static_cast<size_t>(n)];
      if (e.type != 1) continue;
      const int32_t pos = e.a12 == 0 ? s.x : s.y;
      const bool holds = e.a16 == 0 ? e.a8 < pos : pos < e.a8;
      if (!holds) continue;
      if (e.a4 == -1) {
        Free(s);
        break;
      }
      // A target outside the object's frames would read past it: such a jump frees the state.
      if (!GoToFrame(s, e.a4)) break;
    }
  }
}

void InitDropObjects() {
  for (DropObject& d : g_DropObjects) d = DropObject{};
  const StageInfo& in = g_StageInfo;
  if (in.dropOn == 0) return;
  if (in.dropType == 0) {
    for (DropObject& d : g_DropObjects) {
      d.x = 1024.0f * RandUnit() - 512.0f;
      d.y = -1024.0f * RandUnit();
      d.pattern = RandStreamNext(0) % in.patternCount;
      d.vy = 1.0f + 2.0f * RandUnit();
      d.alpha = 255;
      d.vx = RandUnit() - 0.5f;
      d.phase = static_cast<int32_t>(256.0f * RandUnit());
    }
  } else if (in.dropType == 1) {
    for (int i = 0; i < in.dropCount; ++i) {
      DropObject& d = g_DropObjects[i];
      d.x = 1124.0f * RandUnit() - 512.0f;
      d.y = -1024.0f * RandUnit();
      d.pattern = 0;
      const float angle = (0.5f + 0.005f * RandUnit()) * 2.0f * kPi;
      const float wait = static_cast<float>(in.wait);
      const float speed = wait + (wait / 5.0f) * RandUnit();
      d.vx = static_cast<float>(BattleSin(angle)) * speed;
      d.vy = -static_cast<float>(BattleCos(angle)) * speed;
      d.alpha = 255;
      d.phase = static_cast<int32_t>(256.0f * RandUnit());
    }
  }
}

void UpdateDropObjects() {
  const StageInfo& in = g_StageInfo;
  if (in.dropOn == 0 || StageTimeStopped()) return;
  if (in.dropType != 0 && in.dropType != 1) return;
  const int count = in.dropType == 0 ? kStageMaxDrops : in.dropCount;
  for (int i = 0; i < count; ++i) {
    DropObject& d = g_DropObjects[i];
    d.x += d.vx;
    d.vx += d.ax;
    d.y += d.vy;
    d.vy += d.ay;
    if (in.dropType == 1) {
      if (d.y > 64.0f) {
        d.y = -1024.0f;
        d.x = 1124.0f * RandUnit() - 512.0f;
        d.phase = static_cast<int32_t>(256.0f * RandUnit());
      }
    } else if (d.y > 0.0f) {
      d.alpha -= 16;
      if (d.alpha < 0) {
        d.y = -1024.0f;
        d.x = 1024.0f * RandUnit() - 512.0f;
        d.alpha = 255;
        d.pattern = RandStreamNext(0) % in.patternCount;
        d.phase = static_cast<int32_t>(256.0f * RandUnit());
      }
    }
    if (++d.timer >= in.wait) {
      if (++d.column >= in.frameCount) d.column = 0;
      d.timer = 0;
    }
  }
}

void UpdateHeatBlurState() {
  if (StageTimeStopped()) return;
  HeatBlurState& h = g_HeatBlur;
  const bool a = BattleSeamAnyHeatActive() != 0;
  switch (h.state) {
    case 0:
      if (a) {
        h.state = 1;
        h.x = 0.0f;
        h.total = 0.0f;
      }
      break;
    case 1:
      h.x += 1.0f / 15.0f;
      if (h.x >= 1.0f) {
        h.state = 100;
        h.x = 0.0f;
        h.lastPower = 0.0f;
      }
      break;
    case 100:
      if (a) {
        h.x += 1.0f / 60.0f;
      } else {
        h.state = 255;
        h.x = 0.0f;
      }
      break;
    case 255:
      if (h.x >= 1.0f) {
        h.state = 0;
        h.x = 0.0f;
      } else if (a) {
        h.state = 1;
        h.x = 0.0f;
      } else {
        h.x += 1.0f / 30.0f;
      }
      break;
    default:
      break;
  }
  h.total += 1.0f / 60.0f;
}

float DrawHeatPointBlur() {
  HeatBlurState& h = g_HeatBlur;
  float c = 0.0f, d = 0.0f;
  switch (h.state) {
    case 1:
      c = h.x;
      d = 0.02f * h.x;
      break;
    case 100: {
      const float phase = h.x / 5.0f - std::floor(h.x / 5.0f);
      c = 1.0f;
      d = 0.02f + 0.005f * static_cast<float>(BattleSin(2.0f * kPi * phase));
      h.lastPower = d;
      break;
    }
    case 255:
      c = 1.0f - h.x;
      d = c * h.lastPower;
      break;
    default:
      return 0.0f;
  }
  const float turn = 2.0f * kPi * (h.total / 3.0f);
  const float cx = 320.0f + 32.0f * static_cast<float>(BattleSin(turn));
  const float cy = 240.0f - 32.0f * static_cast<float>(BattleCos(turn));
  if (d != 0.0f) {
    const StageListEntry* e = g_LoadedStageBg >= 0 && g_LoadedStageBg < kStageListSize
                                  ? g_StageList[g_LoadedStageBg].get()
                                  : nullptr;
    PointBlur blur{0, 0, 640, 480, cx, cy, d, c, e != nullptr ? e->StageColorVal : 0.0f, &g_MainDrawList, 11};
    DrawPointBlur(blur);
  }
  return c;
}

int DrawBattleBackgroundOverride(GrpDrawList* list) {
  g_StageBrightness = 1.0f;
  for (int k = 63; k >= 0; --k) {
    int row = -1;
    int32_t best = 0;
    for (int r = 0; r < 5; ++r) {
      const int32_t timer = g_BattleState[8 + k + kBattleStateRow * r];
      if (timer > best) {
        best = timer;
        row = r;
      }
    }
    if (row < 0) continue;
    if (!(k <= 5 || k == 31 || k == 32)) continue;
    const int32_t e = g_BattleState[72 + k + kBattleStateRow * row];
    const float dim = 1.0f - std::min(static_cast<float>(e) / 15.0f, 1.0f);
    switch (k) {
      case 0:
        if (e > 0) FillScreen(list, Argb(e >= 15 ? 120 : 8 * e, 0, 0, 0));
        g_StageBrightness = dim;
        return 0;
      case 1:
        FillScreen(list, 0xFF000000u);
        g_StageBrightness = 0.0f;
        return 1;
      case 2:
        FillScreen(list, Argb(255, 50, 50, 200));
        g_StageBrightness = 0.0f;
        return 1;
      case 3:
      case 5:
        FillScreen(list, Argb(255, 200, 20, 20));
        g_StageBrightness = 0.0f;
        return 1;
      case 4:
        FillScreen(list, 0xFFFFFFFFu);
        g_StageBrightness = 0.0f;
        return 1;
      default:  // 31, 32
        g_StageBrightness = dim;
        if (e < 8) {
          if (e > 0) FillScreen(list, Argb(31 * e, 0, 0, 0));
          return 0;
        }
        DrawOverrideBurst(list, k, e);
        FillScreen(list, 0xFF000000u);
        return 1;
    }
  }
  return 0;
}

void DrawStageLayers(GrpDrawList* list, float alpha) {
  const int b = g_StageBgSimpleDraw ? 0 : DrawBattleBackgroundOverride(list);
  for (StageObjectState& s : g_StageObjects) {
    if (s.active != 2) continue;
    if (s.bucket == kStageAlwaysBucket) {
      if (!s.foreground)
        g_Buckets[0][279].push_back(&s);
      else if (alpha != 0.0f)
        g_Buckets[1][kStageAlwaysBucket].push_back(&s);
    } else if (b == 0) {
      if (s.foreground) {
        if (alpha != 0.0f) g_Buckets[1][s.bucket].push_back(&s);
      } else {
        g_Buckets[0][s.bucket].push_back(&s);
      }
    }
  }
  // The list draws what is queued last first: walking the buckets from 299 down and each from its
  // last state draws them in ascending bucket and state order.
  const uint32_t fgColour = Argb(static_cast<int>(255.0f * alpha), 255, 255, 255);
  const int32_t fgPriority = g_StageBgSimpleDraw ? 200 : 600;
  for (int k = kStageBucketCount - 1; k >= 0; --k)
    for (auto it = g_Buckets[1][k].rbegin(); it != g_Buckets[1][k].rend(); ++it)
      DrawStageObject(**it, list, fgColour, fgPriority, b);
  if (b == 0) DrawDropObjects(list);
  for (int k = kStageBucketCount - 1; k >= 0; --k)
    for (auto it = g_Buckets[0][k].rbegin(); it != g_Buckets[0][k].rend(); ++it)
      DrawStageObject(**it, list, 0xFFFFFFFFu, 10, b);
  for (auto& side : g_Buckets)
    for (auto& bucket : side) bucket.clear();
}

void DrawDropObjects(GrpDrawList* list) {
  const StageInfo& in = g_StageInfo;
  if (in.dropOn == 0) return;
  const int32_t priority = g_StageBgSimpleDraw ? 255 : 522;
  const D3DMatrix dm = MulHan6(CameraMatrix(), ScreenMatrix());
  if (in.dropType == 0) {
    TextureHandle* target1 = GetSceneTarget(1);
    TextureHandle* target2 = GetSceneTarget(2);
    vt::gfx::Texture* t1 = HandleTexture(target1);
    // The scene targets are larger than the screen and hold the picture in their top-left
    // 640 x 480 texels (as the scene's composition reads target 0): target 1 is drawn from that
    // rectangle, not stretched whole over the screen.
    auto drawTarget1 = [&] {
      DrawSprite(list, target1, 0, 0, 640, 480, 0, 0, 640, 480, 0xFFFFFFFFu, 0, priority);
    };
    g_DrawBlendMode = 2;
    g_DrawFilterMode = 2;
    if (t1 != nullptr) drawTarget1();
    g_DrawBlendMode = 1;
    g_DrawFilterMode = 1;
    if (t1 != nullptr) {
      if (CDxEffTag* tag = UseEffect("TecSakuraBloom_Update")) {
        const float w = static_cast<float>(t1->Width()), h = static_cast<float>(t1->Height());
        tag->AddFloat2("bloom_texelA", 1.5f / w, 1.5f / h);
        tag->AddFloat2("bloom_texelB", -1.5f / w, 1.5f / h);
        tag->AddTexture("targetTex0", t1);
        tag->AddTexture("targetTex1", HandleTexture(target2));
        drawTarget1();
      }
      SetCurrentEffectTag(nullptr);
    }
    if (vt::gfx::Texture* dt = HandleTexture(in.dropTexture)) {
      UseEffect("TecSakuraBloom");
      const float W = static_cast<float>(dt->Width()), H = static_cast<float>(dt->Height());
      const float w = static_cast<float>(in.width), h = static_cast<float>(in.height);
      for (const DropObject& d : g_DropObjects) {
        const float cx[4] = {d.x - w / 2, d.x + w / 2, d.x - w / 2, d.x + w / 2};
        const float cy[4] = {d.y - h / 2, d.y - h / 2, d.y + h / 2, d.y + h / 2};
        float pos[4][4];
        for (int i = 0; i < 4; ++i) TransformHan6Point(dm, cx[i], cy[i], 0.0f, pos[i]);
        const float sx = w * static_cast<float>(d.column), sy = h * static_cast<float>(d.pattern);
        const float u[4] = {sx / W, (sx + w) / W, sx / W, (sx + w) / W};
        const float v[4] = {sy / H, sy / H, (sy + h) / H, (sy + h) / H};
        QueueQuad(list, in.dropTexture, pos, u, v, Argb(d.alpha, 234, 234, 234), 0, 1, 1, priority);
      }
      SetCurrentEffectTag(nullptr);
    }
    UseEffect("TecSakuraBloom_Ready");
    DrawRect(list, 0, 0, 640, 480, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, priority);
    SetCurrentEffectTag(nullptr);
  } else if (in.dropType == 1) {
    const uint32_t head = Argb(in.dropAlpha, 234, 234, 234), tail = 0x00FFFFFFu;
    for (int i = 0; i < in.dropCount; ++i) {
      const DropObject& d = g_DropObjects[i];
      const float len = std::sqrt(d.vx * d.vx + d.vy * d.vy);
      if (len == 0.0f) continue;
      const float tx = d.x - d.vx / len * static_cast<float>(in.height);
      const float ty = d.y - d.vy / len * static_cast<float>(in.height);
      float p0[4], p1[4];
      TransformHan6Point(dm, d.x, d.y, 0.0f, p0);
      TransformHan6Point(dm, tx, ty, 0.0f, p1);
      DrawLine(static_cast<int32_t>(p0[0]), static_cast<int32_t>(p0[1]), static_cast<int32_t>(p1[0]),
               static_cast<int32_t>(p1[1]), head, tail, 0, priority);
    }
  } else if (in.dropType == -1) {
    DrawCheckerRoom(list);
  }
}

void DrawCheckerRoom(GrpDrawList* list) {
  // A field of view of pi/4 over the screen height; the eye stands in front of the room's open
  // side, close enough for the room to fill the screen wherever the camera pans, and moves with
  // the battle camera at 80 battle pixels per tile.
  RoomCamera cam;
  cam.focal = 240.0f / std::tan(kPi / 8.0f);
  cam.ex = static_cast<float>(BattleSeamCameraX()) / 128.0f / 80.0f;
  cam.ey = -4.5f + static_cast<float>(BattleSeamCameraY()) / 128.0f / 80.0f;
  cam.ez = -12.0f;
  auto shade = [](float z) { return 1.0f - z / 8.0f; };
  for (int x = -7; x < 7; ++x)
    for (int z = -3; z < 4; ++z) {
      const bool dark = ((x + z) & 1) != 0;
      const float s = shade(static_cast<float>(z));
      const float fx = static_cast<float>(x), fz = static_cast<float>(z);
      const float floor[4][3] = {{fx, 0, fz + 1}, {fx + 1, 0, fz + 1}, {fx, 0, fz}, {fx + 1, 0, fz}};
      RoomTile(list, cam, floor, RoomColour(200 * s, 200 * s, 200 * s, dark));
      const float ceiling[4][3] = {{fx, -9, fz}, {fx + 1, -9, fz}, {fx, -9, fz + 1}, {fx + 1, -9, fz + 1}};
      RoomTile(list, cam, ceiling, RoomColour(200 * s, 200 * s, 200 * s, dark));
    }
  for (int x = -7; x < 7; ++x)
    for (int y = -9; y < 0; ++y) {
      const bool dark = ((x + y) & 1) != 0;
      const float fx = static_cast<float>(x), fy = static_cast<float>(y);
      const float wall[4][3] = {{fx, fy, 4}, {fx + 1, fy, 4}, {fx, fy + 1, 4}, {fx + 1, fy + 1, 4}};
      RoomTile(list, cam, wall, RoomColour(64, 100, 100, dark));
    }
  for (int side = -7; side <= 7; side += 14)
    for (int z = -3; z < 4; ++z)
      for (int y = -9; y < 0; ++y) {
        const bool dark = ((z + y) & 1) != 0;
        const float s = shade(static_cast<float>(z));
        const float fx = static_cast<float>(side), fy = static_cast<float>(y), fz = static_cast<float>(z);
        const float wall[4][3] = {{fx, fy, fz}, {fx, fy, fz + 1}, {fx, fy + 1, fz}, {fx, fy + 1, fz + 1}};
        RoomTile(list, cam, wall, RoomColour(200 * s, 128 * s, 200 * s, dark));
      }
}

uint64_t StageStateHash() {
  uint64_t h = 14695981039346656037ull;
  for (const StageObjectState& s : g_StageObjects) {
    for (uint8_t b : {s.active, s.object, s.frame, s.nextFrame, s.loopCounter, s.eventsDone, s.motionSet,
                      s.foreground, s.linear})
      h = HashValue(h, b);
    h = HashValue(h, s.scroll);
    h = HashValue(h, s.bucket);
    for (int32_t v : {s.x, s.y, s.vx, s.vy, s.ax, s.ay, s.timer}) h = HashValue(h, v);
  }
  for (const DropObject& d : g_DropObjects) {
    h = HashFloat(HashFloat(h, d.x), d.y);
    for (int32_t v : {d.pattern, d.column, d.timer, d.alpha, d.phase}) h = HashValue(h, v);
    for (float f : {d.vx, d.vy, d.ax, d.ay}) h = HashFloat(h, f);
  }
  h = HashValue(h, g_HeatBlur.state);
  for (float f : {g_HeatBlur.x, g_HeatBlur.total, g_HeatBlur.lastPower}) h = HashFloat(h, f);
  h = HashValue(h, g_StageFrameCounter);
  h = HashFloat(h, g_StageBrightness);
  h = HashValue(h, g_StageFadeLevel);
  for (float f : g_StageColorFactors) h = HashFloat(h, f);
  h = HashValue(h, g_StageBlackout);
  h = HashValue(h, g_StageColoredShadows);
  h = HashValue(h, g_StageLightCount);
  for (int i = 0; i < kStageMaxLights; ++i)
    h = HashFloat(HashFloat(h, g_StageLightX[i]), g_StageLightRadius[i]);
  return h;
}
