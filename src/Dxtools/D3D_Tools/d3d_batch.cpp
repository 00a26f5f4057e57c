// The batch renderer: one draw call per run of equal state along a list's slot chain, the blend
// and filter tables, and the shadow copies of render targets that effect batches read.
#include "Dxtools/D3D_Tools/d3d_batch.h"

#include <algorithm>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"

using namespace vt::gfx;

BatchRenderer* g_BatchRenderer = nullptr;

void InitBatchRenderer(D3DManager* manager) {
  if (g_BatchRenderer) return;
  g_BatchRenderer = new BatchRenderer();
  g_BatchRenderer->manager = manager;
  for (auto& b : g_BatchRenderer->batches) {
    b.vertices.resize(kBatchMaxVertices);
    b.indices.resize(kBatchMaxIndices);
  }
}

void FreeBatchRenderer() {
  delete g_BatchRenderer;
  g_BatchRenderer = nullptr;
}

bool BlendModeState(uint8_t mode, BlendState* out) {
  struct Row {
    BlendOp op;
    BlendFactor src, dst, srcAlpha, dstAlpha;
  };
  static const Row kRows[7] = {
      {BLENDOP_ADD, BLEND_SRCALPHA, BLEND_INVSRCALPHA, BLEND_SRCALPHA, BLEND_ONE},
      {BLENDOP_ADD, BLEND_SRCALPHA, BLEND_ONE, BLEND_SRCALPHA, BLEND_ONE},
      {BLENDOP_REVSUBTRACT, BLEND_SRCALPHA, BLEND_ONE, BLEND_SRCALPHA, BLEND_ONE},
      {BLENDOP_ADD, BLEND_INVDESTCOLOR, BLEND_ZERO, BLEND_SRCALPHA, BLEND_ONE},
      {BLENDOP_ADD, BLEND_ONE, BLEND_ZERO, BLEND_ONE, BLEND_ZERO},
      {BLENDOP_ADD, BLEND_ZERO, BLEND_ONE, BLEND_ZERO, BLEND_INVSRCALPHA},
      {BLENDOP_ADD, BLEND_ZERO, BLEND_ZERO, BLEND_ZERO, BLEND_ZERO},
  };
  if (mode < 1 || mode > 7) return false;
  const Row& r = kRows[mode - 1];
  out->enable = true;
  out->op = r.op;
  out->src = r.src;
  out->dst = r.dst;
  out->separateAlpha = true;
  out->opAlpha = BLENDOP_ADD;  // the alpha blend operation is never set: it stays add
  out->srcAlpha = r.srcAlpha;
  out->dstAlpha = r.dstAlpha;
  return true;
}

void SetBlendMode(uint8_t mode) {
  BlendState b;
  if (g_D3DDevice && BlendModeState(mode, &b)) g_D3DDevice->SetBlendState(b);
}

void SetFilterMode(uint8_t mode) {
  if (!g_D3DDevice) return;
  TextureFilter f = FILTER_POINT;
  switch (mode) {
    case 15:
      return;  // keeps the filter of the previous batch
    case 2:
    case 4:
    case 5:
      f = FILTER_LINEAR;
      break;
    case 3:
      f = FILTER_ANISOTROPIC;
      break;
    default:
      f = FILTER_POINT;
      break;
  }
  g_D3DDevice->SetFilter(0, f);
}

namespace {
void StateOf(const GrpDrawCommand* c, BatchState* out) {
  const DrawKindInfo& k = DrawKindTable[c->kind];
  out->primitive = k.primitive;
  out->fvf = k.fvf;
  out->stride = k.stride;
  out->texture = c->kind < kDrawKindLine ? c->texture : nullptr;
  out->blendMode = c->blendMode;
  out->filterMode = c->filterMode;
  out->effectTag = c->effectTag;
}

bool SameState(const BatchState& a, const BatchState& b) {
  return a.primitive == b.primitive && a.fvf == b.fvf && a.texture == b.texture &&
         a.blendMode == b.blendMode && a.filterMode == b.filterMode && a.effectTag == b.effectTag;
}

BatchState NoneState() {
  BatchState s;
  s.primitive = static_cast<PrimitiveType>(0);
  return s;
}

// The render target a texture currently is, or -1.
int BoundTargetIndex(Texture* t) {
  if (!t || !t->IsRenderTarget()) return -1;
  for (int i = 0; i < kMaxRenderTargets; ++i)
    if (g_D3DDevice->GetRenderTarget(i).get() == t) return i;
  return -1;
}

// Sampling a texture that is being rendered into is undefined: an effect batch that reads a bound
// target reads a copy of it taken just before the batch.
Texture* ShadowOf(Texture* t) {
  int index = BoundTargetIndex(t);
  if (index < 0) return t;
  BatchRenderer& r = *g_BatchRenderer;
  TextureRef& shadow = r.shadows[index];
  if (!shadow || shadow->Width() != t->Width() || shadow->Height() != t->Height() ||
      shadow->GetFormat() != t->GetFormat()) {
    shadow =
        g_D3DDevice->CreateTexture(t->Width(), t->Height(), USAGE_RENDERTARGET, t->GetFormat(), POOL_DEFAULT);
    if (!shadow) return t;
  }
  // Only the part of the target in use (a 1280 x 720 scene target lies in a 2048 x 1024 texture).
  Rect used{0, 0, static_cast<int32_t>(t->Width()), static_cast<int32_t>(t->Height())};
  int32_t uw = 0, uh = 0;
  if (DefaultPoolUsedSize(t, &uw, &uh)) {
    used.right = std::min(used.right, uw);
    used.bottom = std::min(used.bottom, uh);
  }
  g_D3DDevice->CopyRenderTarget(t, used, shadow.get());
  ++r.shadowCopies;
  return shadow.get();
}

// The screen device has no transform stage, so a 3-D line's ends are carried through the sprite
// view and projection matrices in force at the render (where a transforming device applies its
// matrices, at the draw) and divided by w (0 taken as 1), as 3-D sprites are; the colours stay.
ScreenVertex ProjectLineEnd(const ScreenVertex& v, const D3DMatrix& viewProjection) {
  float p[4];
  TransformPoint(viewProjection, v.x, v.y, v.z, p);
  ScreenVertex out = v;
  ProjectVertex(p, &out);
  return out;
}

void Draw(VertexBatch& vb, uint32_t primitiveCount, PrimitiveType type) {
  g_D3DDevice->DrawIndexedPrimitiveUP(type, 0, vb.vertexCount, primitiveCount, vb.indices.data(),
                                      vb.vertices.data(), kScreenVertexStride);
}
}  // namespace

void BatchQuadState(const GrpDrawCommand* c, BatchState* out) { StateOf(c, out); }
void BatchLineState(const GrpDrawCommand* c, BatchState* out) { StateOf(c, out); }
void BatchLine3DState(const GrpDrawCommand* c, BatchState* out) { StateOf(c, out); }

void FlushBatch() {
  BatchRenderer& r = *g_BatchRenderer;
  D3DDevice* d = g_D3DDevice;
  VertexBatch& vb = r.batches[r.current];
  if (r.batch.fvf != r.applied.fvf) d->SetFvf(r.batch.fvf);
  if (r.batch.blendMode != r.applied.blendMode) SetBlendMode(r.batch.blendMode);
  if (r.batch.filterMode != r.applied.filterMode) SetFilterMode(r.batch.filterMode);
  if (r.batch.texture != r.applied.texture) d->SetTexture(0, r.batch.texture);
  uint32_t primitives = r.batch.primitive == PT_TRIANGLELIST ? vb.indexCount / 3
                        : r.batch.primitive == PT_LINELIST   ? vb.indexCount / 2
                                                             : 0;
  d->EndScene();
  if (d->BeginScene() == kOk) {
    CDxEffTag* tag = ApplyEffectTag(r.batch.effectTag);
    if (tag && primitives > 0) {
      Effect* e = tag->Effect();
      // Shadow copies of bound targets that this batch samples.
      Texture* stage = r.batch.texture;
      Texture* stageShadow = ShadowOf(stage);
      if (stageShadow != stage) d->SetTexture(0, stageShadow);
      for (uint32_t h : e->TextureParameters()) {
        Texture* t = e->GetTexture(h);
        Texture* s = ShadowOf(t);
        if (s != t) e->SetTextureSubstitute(t, s);
      }
      e->SetTechnique(tag->Technique());
      uint32_t passes = 0;
      if (e->Begin(d, &passes) == kOk) {
        for (uint32_t p = 0; p < passes; ++p) {
          e->BeginPass(p);
          Draw(vb, primitives, r.batch.primitive);
          e->EndPass();
        }
        e->End();
      }
      e->ClearTextureSubstitutes();
      if (stageShadow != stage) d->SetTexture(0, stage);
    } else if (primitives > 0) {
      // A sprite of a target drawn while that target is bound reads a copy as well.
      Texture* stage = r.batch.texture;
      Texture* stageShadow = ShadowOf(stage);
      if (stageShadow != stage) d->SetTexture(0, stageShadow);
      Draw(vb, primitives, r.batch.primitive);
      if (stageShadow != stage) d->SetTexture(0, stage);
    }
    d->EndScene();
  }
  r.applied = r.batch;
  r.current ^= 1;
  VertexBatch& next = r.batches[r.current];
  next.vertexCount = 0;
  next.indexCount = 0;
  r.batch = r.examined;
  next.stride = r.batch.stride;
  d->BeginScene();
}

void ExecuteDrawCommands(GrpDrawCommand* slots) {
  if (!slots || slots[0].renderedCount != 0) return;
  BatchRenderer& r = *g_BatchRenderer;
  r.current = 0;
  for (auto& b : r.batches) {
    b.vertexCount = 0;
    b.indexCount = 0;
  }
  r.batch = NoneState();
  r.applied = NoneState();
  r.examined = NoneState();
  g_D3DDevice->SetTexture(0, nullptr);
  D3DMatrix viewProjection;
  MultiplyMatrix(&viewProjection, g_SpriteViewMatrix, g_SpriteProjMatrix);
  for (GrpDrawCommand* c = slots[0].next; c; c = c->next) {
    uint32_t nv = 0, ni = 0;
    switch (c->kind) {
      case kDrawKindQuad:
        BatchQuadState(c, &r.examined);
        nv = 4;
        ni = 6;
        break;
      case kDrawKindLine:
        BatchLineState(c, &r.examined);
        nv = 2;
        ni = 2;
        break;
      case kDrawKindLine3D:
        BatchLine3DState(c, &r.examined);
        nv = 2;
        ni = 2;
        break;
      default:
        // Kind-5 triangles keep their place and reference but are not drawn (kept on purpose).
        continue;
    }
    if (!SameState(r.examined, r.batch)) FlushBatch();
    VertexBatch* vb = &r.batches[r.current];
    // A run of one state longer than a batch holds is split: flush and carry on in the same state.
    if (vb->vertexCount + nv > kBatchMaxVertices || vb->indexCount + ni > kBatchMaxIndices) {
      FlushBatch();
      vb = &r.batches[r.current];
    }
    uint32_t n = vb->vertexCount;
    if (c->kind == kDrawKindLine3D) {
      vb->vertices[n] = ProjectLineEnd(c->v[0], viewProjection);
      vb->vertices[n + 1] = ProjectLineEnd(c->v[1], viewProjection);
    } else {
      std::copy(c->v, c->v + nv, vb->vertices.begin() + n);
    }
    vb->vertexCount += nv;
    uint32_t* idx = vb->indices.data() + vb->indexCount;
    if (nv == 4) {
      uint32_t q[6] = {n, n + 1, n + 2, n + 3, n + 2, n + 1};
      std::copy(q, q + 6, idx);
    } else {
      idx[0] = n;
      idx[1] = n + 1;
    }
    vb->indexCount += ni;
  }
  r.examined = NoneState();
  FlushBatch();
  ReleaseDrawCommands(slots);
  g_D3DDevice->SetTexture(0, nullptr);
}

int RenderDrawList(GrpDrawCommand* slots) {
  if (!slots) return 0;
  D3DDevice* d = g_D3DDevice;
  if (d && g_BatchRenderer && d->TestCooperativeLevel() != kErrDeviceNotReset) {
    d->ServiceRenderThread();
    SetBlendMode(1);
    d->SetFilter(0, FILTER_LINEAR);
    d->SetPixelProgram(nullptr);
    if (d->BeginScene() == kOk) {
      ExecuteDrawCommands(slots);
      ++slots[0].renderedCount;
      return d->EndScene() == kOk ? 1 : 0;
    }
  }
  ReleaseDrawCommands(slots);
  ++slots[0].renderedCount;
  return 0;
}
