// Drawing one frame of a pattern: cut sprites through their cached textures, part animations
// part by part.
#include "Dxtools/Han6Draw/han6_draw.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/Han6Draw/han6_gfx.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Han6Files/han6_data.h"
#include "Dxtools/Han6Files/pani_data.h"

namespace {

std::atomic<Han6DrawSink*> g_sink{nullptr};

Han6DrawSink* Sink() {
  Han6DrawSink* s = g_sink.load(std::memory_order_acquire);
  return s != nullptr ? s : GfxHan6DrawSink();
}

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

uint32_t LerpChannels(uint32_t from, uint32_t to, float t) {
  uint32_t out = 0;
  for (int s = 0; s < 32; s += 8) {
    const float v =
        static_cast<float>((from >> s) & 0xFF) * (1.0f - t) + static_cast<float>((to >> s) & 0xFF) * t;
    out |= static_cast<uint32_t>(std::clamp(v, 0.0f, 255.0f)) << s;
  }
  return out;
}

}  // namespace

Han6DrawSink* SetHan6DrawSink(Han6DrawSink* sink) { return g_sink.exchange(sink, std::memory_order_acq_rel); }

uint8_t MapFrameBlendMode(uint8_t frameBlend) {
  if (frameBlend == 0 || frameBlend == 2 || frameBlend == 3) return frameBlend;
  return 1;
}

uint32_t ModulateArgb(uint32_t a, uint32_t b) {
  if (a == b) return a;
  uint32_t out = 0;
  for (int s = 0; s < 32; s += 8) out |= (((a >> s) & 0xFF) * ((b >> s) & 0xFF) / 255) << s;
  return out;
}

void DrawPatternFrame(const Han6DrawParams& params) {
  const Han6FramePosition* pos = params.position;
  if (pos == nullptr) return;
  const Han6Frame* f = GetHan6Frame(params.patternSet, pos->pattern, pos->frame);
  if (f == nullptr) return;
  // Keys are keyBase | sprite number: a key base with any of the low 12 bits set would collide.
  assert((params.keyBase & 0xFFF) == 0);
  const uint8_t blend = params.blendMode != 0 ? params.blendMode : MapFrameBlendMode(f->blendMode);
  uint32_t alpha = f->blendMode != 0 ? f->alpha : 255;
  uint32_t r = f->colorR, g = f->colorG, b = f->colorB;
  const float t = EaseValue(pos->easing, pos->progress);
  const Han6Frame* from =
      pos->easing != 0 ? GetHan6Frame(params.patternSet, pos->fromPattern, pos->fromFrame) : nullptr;
  if (from != nullptr) {
    auto mix = [t](uint32_t a, uint32_t c) {
      return static_cast<uint32_t>(
          std::clamp(static_cast<float>(a) * (1.0f - t) + static_cast<float>(c) * t, 0.0f, 255.0f));
    };
    r = mix(from->colorR, r);
    g = mix(from->colorG, g);
    b = mix(from->colorB, b);
    const uint32_t fromAlpha = f->blendMode != 0 ? from->alpha : 255;
    alpha = mix(fromAlpha, alpha);
  }
  const uint32_t colour = ModulateArgb(Argb(alpha, r, g, b), params.color);
  Han6Matrix m = Han6Matrix::Identity();
  ApplyFrameTransform(&m, params.patternSet, pos);
  if (params.world != nullptr) m = MulHan6(m, *params.world);

  if (f->spriteKind == 0) {
    CutSpriteDrawParams c;
    c.list = params.list;
    c.priority = params.priority;
    c.blendMode = blend;
    c.color = colour;
    c.specular = params.specular;
    c.key = params.keyBase | static_cast<uint16_t>(f->spriteIndex);
    std::copy(params.edgeColor, params.edgeColor + 4, c.edgeColor);
    c.edgeFlag = params.edgeFlag;
    c.shaderMode = params.shaderMode;
    c.spriteNumber = f->spriteIndex;
    c.transform = &m;
    c.sheet = params.sheet;
    DrawCutSprite(c);
  } else if (f->spriteKind == 1) {
    PAniDrawParams p;
    p.list = params.list;
    p.priority = params.priority;
    p.blendMode = blend;
    p.color = colour;
    p.specular = params.specular;
    p.outlineParts = params.outlineParts;
    p.partPriority = params.partPriority;
    p.paniPattern = f->spriteIndex;
    p.fromPaniPattern = from != nullptr && from->spriteKind == 1 ? from->spriteIndex : -1;
    p.transform = &m;
    p.progress = t;
    p.pani = params.pani;
    DrawPAniPattern(p);
  }
}

void DrawCutSprite(const CutSpriteDrawParams& params) {
  const CutSpriteSheet* sheet = params.sheet;
  if (sheet == nullptr || sheet->recordCount == 0 || sheet->pages.empty()) return;
  const CutSpriteRecord* r = sheet->Record(params.spriteNumber);
  if (r == nullptr) return;
  Han6DrawSink* sink = Sink();
  Han6Quad q;
  q.colour = params.color;
  if (params.blendMode != 0) {
    if ((params.color >> 24) == 0) return;
    q.blendMode = params.blendMode;
  } else {
    q.blendMode = 1;
    q.colour |= 0xFF000000u;
  }
  const Han6Matrix m = params.transform != nullptr ? *params.transform : Han6Matrix::Identity();
  const float xs[4] = {static_cast<float>(r->left - 128), static_cast<float>(r->right - 127),
                       static_cast<float>(r->left - 128), static_cast<float>(r->right - 127)};
  const float ys[4] = {static_cast<float>(r->top - 224), static_cast<float>(r->top - 224),
                       static_cast<float>(r->bottom - 223), static_cast<float>(r->bottom - 223)};
  bool allLeft = true, allAbove = true, allRight = true, allBelow = true;
  for (int i = 0; i < 4; ++i) {
    TransformHan6Point(m, xs[i], ys[i], 0.0f, q.pos[i]);
    allLeft &= q.pos[i][0] < 0.0f;
    allAbove &= q.pos[i][1] < 0.0f;
    allRight &= q.pos[i][0] >= 1280.0f;
    allBelow &= q.pos[i][1] >= 720.0f;
  }
  if (allLeft || allAbove || allRight || allBelow) return;  // off screen: the cache is not touched
  TextureHandle* tex = GetCutSpriteTexture(sheet, params.spriteNumber, params.key, 0, 0);
  if (tex == nullptr) return;
  int texW = 0, texH = 0;
  GetHan6TextureBackend()->TextureSize(tex, texW, texH);
  if (texW <= 0 || texH <= 0) return;
  const float W = static_cast<float>(texW), H = static_cast<float>(texH);
  const float w = static_cast<float>(r->right - r->left + 1), h = static_cast<float>(r->bottom - r->top + 1);
  const float u0 = 0.25f / W, v0 = 0.25f / H, u1 = w / W, v1 = h / H;
  q.u[0] = q.u[2] = u0;
  q.u[1] = q.u[3] = u1;
  q.v[0] = q.v[1] = v0;
  q.v[2] = q.v[3] = v1;
  q.texture = tex;
  q.specular = params.specular;
  q.priority = params.priority;
  if (r->bitDepth == 8) {
    if (m.m[0][1] == 0.0f) {
      if (params.edgeFlag != 0)
        q.technique = "TecCharaDraw_Edge";
      else if (params.shaderMode == 2)
        q.technique = "TecCharaDrawEx";
      else if (params.shaderMode == 1)
        q.technique = "TecCharaDraw";
      if (params.shaderMode == 3) q.filterMode = 2;
      q.texelN[0] = 1.0f / W;
      q.texelN[1] = 1.0f / H;
      // A zero scale element would give an infinite texel step: the plain texel size stands in.
      q.texelX[0] = m.m[0][0] != 0.0f ? (1.0f / W) / m.m[0][0] : q.texelN[0];
      q.texelX[1] = m.m[1][1] != 0.0f ? (1.0f / H) / m.m[1][1] : q.texelN[1];
      std::copy(params.edgeColor, params.edgeColor + 4, q.edgeColor);
    } else if (params.shaderMode != 0) {
      q.filterMode = 2;
    }
  } else if ((params.drawFlags & (1 << 30)) == 0) {
    q.filterMode = 2;
  }
  sink->Queue(params.list, q);
}

void DrawPAniPattern(const PAniDrawParams& params) {
  if (params.pani == nullptr) return;
  const PAniPattern* pattern = params.pani->Pattern(params.paniPattern);
  if (pattern == nullptr) return;
  const PAniPattern* from =
      params.fromPaniPattern != -1 ? params.pani->Pattern(params.fromPaniPattern) : nullptr;
  std::vector<int> slots;
  for (int s = 0; s < kPAniSlotCount; ++s)
    if (pattern->refs[s] != nullptr) slots.push_back(s);
  std::stable_sort(slots.begin(), slots.end(), [&](int a, int b) {
    return pattern->refs[a]->partPriority < pattern->refs[b]->partPriority;
  });
  const Han6Matrix m = params.transform != nullptr ? *params.transform : Han6Matrix::Identity();
  for (int s : slots) {
    const PAniPartRef* ref = pattern->refs[s].get();
    PAniDrawParams p = params;
    if (params.partPriority == 0 && ref->partPriority == 0)
      p.priority = params.priority + 2;
    else if (params.partPriority != 0 && ref->partPriority >= 128)
      p.priority = params.partPriority;
    DrawPAniPart(p, ref, from != nullptr ? from->refs[s].get() : nullptr, &m);
  }
}

void DrawPAniPart(const PAniDrawParams& params, const PAniPartRef* part, const PAniPartRef* fromPart,
                  const Han6Matrix* matrix) {
  if (params.pani == nullptr || part == nullptr) return;
  const PAniPart* def = params.pani->Part(part->partId);
  if (def == nullptr) return;
  const PAniTexture* tex = params.pani->Texture(def->texture);
  if (tex == nullptr || tex->texture == nullptr) return;
  Han6DrawSink* sink = Sink();
  const float t = params.progress;
  Han6Quad q;
  q.texture = tex->texture;
  q.blendMode = part->blend == 1 ? 2 : 1;
  q.filterMode = part->filter == 1 ? 2 : 1;
  uint32_t colour = part->color, specular = part->specular;
  if (fromPart != nullptr) {
    colour = LerpChannels(fromPart->color, part->color, t);
    specular = LerpChannels(fromPart->specular, part->specular, t);
  }
  q.colour = ModulateArgb(colour, params.color);
  q.specular = specular;
  q.priority = params.priority;
  Han6Matrix m = matrix != nullptr ? *matrix : Han6Matrix::Identity();
  ApplyPartTransform(&m, part, t, fromPart);
  const float x0 = static_cast<float>(-def->pivotX), y0 = static_cast<float>(-def->pivotY);
  const float x1 = static_cast<float>(def->width - def->pivotX),
              y1 = static_cast<float>(def->height - def->pivotY);
  const float xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
  for (int i = 0; i < 4; ++i) {
    TransformHan6Point(m, xs[i], ys[i], 0.0f, q.pos[i]);
    const float w = q.pos[i][3] == 0.0f ? 1.0f : q.pos[i][3];
    for (int k = 0; k < 3; ++k) q.pos[i][k] /= w;
    q.pos[i][3] = 1.0f;
  }
  float left = static_cast<float>(def->u) / 256.0f, right = static_cast<float>(def->u + def->w) / 256.0f;
  float top = static_cast<float>(def->v) / 256.0f, bottom = static_cast<float>(def->v + def->h) / 256.0f;
  if ((part->reverse & 0x01) != 0) {
    left = static_cast<float>(def->u + def->w - 1) / 256.0f;
    right = static_cast<float>(def->u - 1) / 256.0f;
  }
  if ((part->reverse & 0x02) != 0) {
    top = static_cast<float>(def->v + def->h - 1) / 256.0f;
    bottom = static_cast<float>(def->v - 1) / 256.0f;
  }
  if (const float* bias = sink->UvBias()) {
    left += bias[0];
    top += bias[1];
    bottom += bias[2];
    right += bias[3];
  }
  q.u[0] = q.u[2] = left;
  q.u[1] = q.u[3] = right;
  q.v[0] = q.v[1] = top;
  q.v[2] = q.v[3] = bottom;
  sink->Queue(params.list, q);
  if (params.outlineParts != 0) {
    Han6Quad outline = q;
    outline.texture = nullptr;
    outline.colour = 0x9600FF00u;  // alpha 150, green
    outline.specular = 0;
    outline.blendMode = 1;
    outline.filterMode = 1;
    sink->Queue(params.list, outline);
  }
}
