// Draw-command lists: slot chains, the command pool and the queueing calls.
#include "Dxtools/GrpManager/grp_draw_list.h"

#include <cmath>
#include <new>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_screen.h"

using namespace vt::gfx;

GrpDrawList g_MainDrawList;
std::recursive_mutex g_DrawListLock;
uint8_t g_DrawBlendMode = 1;
uint8_t g_DrawFilterMode = 1;

const DrawKindInfo DrawKindTable[10] = {
    {0, PT_POINTLIST, 0, 0, false},         {0x1C4, PT_TRIANGLELIST, 32, 4, true},
    {0x1C2, PT_TRIANGLELIST, 28, 4, false}, {0x112, PT_TRIANGLELIST, 32, 4, false},
    {0x8C4, PT_TRIANGLELIST, 88, 4, false}, {0x1C4, PT_TRIANGLELIST, 32, 3, false},
    {0x1C2, PT_TRIANGLELIST, 28, 3, false}, {0x112, PT_TRIANGLELIST, 32, 3, false},
    {0x1C4, PT_LINELIST, 32, 2, true},      {0x1C2, PT_LINELIST, 28, 2, true},
};

namespace {
GrpDrawList* ListOrMain(GrpDrawList* list) { return list ? list : &g_MainDrawList; }

GrpDrawCommand* TakeCommand(GrpDrawList* list, uint32_t* familyCount) {
  GrpDrawCommand* c = nullptr;
  if (list->nextFree < list->pool.size()) {
    c = list->pool[list->nextFree];
  } else {
    c = new (std::nothrow) GrpDrawCommand();
    if (!c) return nullptr;
    list->pool.push_back(c);
  }
  ++list->nextFree;
  ++*familyCount;
  return c;
}

// Stamps a freshly taken command with its kind and the three draw-state globals.
void Stamp(GrpDrawCommand* c, uint8_t kind) {
  c->next = nullptr;
  c->queued = false;
  c->holdsRef = false;
  c->kind = kind;
  c->blendMode = g_DrawBlendMode;
  c->filterMode = g_DrawFilterMode;
  c->effectTag = g_CurrentEffectTag;
  c->texture = nullptr;
}

void SetFlatCorners(GrpDrawCommand* c, int32_t x, int32_t y, int32_t w, int32_t h) {
  float fx = static_cast<float>(x), fy = static_cast<float>(y);
  float fw = static_cast<float>(w), fh = static_cast<float>(h);
  float xs[4] = {fx, fx + fw, fx, fx + fw};
  float ys[4] = {fy, fy, fy + fh, fy + fh};
  for (int i = 0; i < 4; ++i) {
    c->v[i].x = xs[i];
    c->v[i].y = ys[i];
    c->v[i].z = 0.0f;
    c->v[i].rhw = 1.0f;
  }
}

void SetColours(GrpDrawCommand* c, uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br, uint32_t specular) {
  uint32_t cs[4] = {tl, tr, bl, br};
  for (int i = 0; i < 4; ++i) {
    c->v[i].diffuse = cs[i];
    c->v[i].specular = specular;
  }
}

// Corners relative to the pivot, transformed as homogeneous points and divided by w.
void TransformCorners(GrpDrawCommand* c, const D3DMatrix& m, int32_t w, int32_t h, float pivotX,
                      float pivotY) {
  float fw = static_cast<float>(w), fh = static_cast<float>(h);
  float cx[4] = {-pivotX, fw - pivotX, -pivotX, fw - pivotX};
  float cy[4] = {-pivotY, -pivotY, fh - pivotY, fh - pivotY};
  float pts[4][4];
  for (int i = 0; i < 4; ++i) TransformPoint(m, cx[i], cy[i], 0.0f, pts[i]);
  ProjectQuadVertices(pts, c);
}
}  // namespace

void InitGrpManager() {
  if (g_MainDrawList.slots) return;
  CreateDrawList(&g_MainDrawList, kMainDrawListSlots, kMainDrawListPool);
  InitScreenMessages();
}

void ShutdownGrpManager() {
  DestroyDrawList(&g_MainDrawList);
  FreeScreenMessages();
}

void CreateDrawList(GrpDrawList* list, uint32_t slotCount, uint32_t poolCount) {
  list = ListOrMain(list);
  if (list->slots || slotCount == 0) return;
  list->slots = new GrpDrawCommand[slotCount];
  list->slotCount = slotCount;
  list->pool.clear();
  GrowDrawCommandPool(list, poolCount);
  RelinkDrawSlots(list->slots, slotCount);
}

void DestroyDrawList(GrpDrawList* list) {
  list = ListOrMain(list);
  // Commands taken on a list that was never created still sit in its pool: free them too.
  if (list->slots) {
    ResetDrawList(list);
    delete[] list->slots;
    list->slots = nullptr;
    list->slotCount = 0;
  }
  for (GrpDrawCommand* c : list->pool) delete c;
  list->pool.clear();
  list->pool.shrink_to_fit();
  list->nextFree = list->triangleCount = list->quadCount = list->lineCount = 0;
}

void ResetDrawList(GrpDrawList* list) {
  list = ListOrMain(list);
  std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
  if (list->slots) RelinkDrawSlots(list->slots, list->slotCount);
  list->triangleCount = list->quadCount = list->lineCount = 0;
  list->nextFree = 0;
}

void RelinkDrawSlots(GrpDrawCommand* slots, uint32_t slotCount) {
  if (!slots || slotCount == 0) return;
  ReleaseDrawCommands(slots);
  // Commands that were linked are no longer: clear their marks as the chain goes.
  for (GrpDrawCommand* c = slots[0].next; c;) {
    GrpDrawCommand* next = c->next;
    if (c->kind != kDrawKindHead) c->queued = false;
    c = next;
  }
  for (uint32_t i = 0; i < slotCount; ++i) {
    slots[i].kind = kDrawKindHead;
    slots[i].next = i + 1 < slotCount ? &slots[i + 1] : nullptr;
  }
  slots[0].slotCount = slotCount;
  slots[0].renderedCount = 0;
}

void ResetDrawCommandPool(GrpDrawList* list) {
  list = ListOrMain(list);
  if (list->slots) RelinkDrawSlots(list->slots, list->slotCount);
  for (GrpDrawCommand* c : list->pool) delete c;
  list->pool.clear();
  list->nextFree = list->triangleCount = list->quadCount = list->lineCount = 0;
}

void GrowDrawCommandPool(GrpDrawList* list, uint32_t count) {
  list = ListOrMain(list);
  list->pool.reserve(count);
  while (list->pool.size() < count) {
    GrpDrawCommand* c = new (std::nothrow) GrpDrawCommand();
    if (!c) return;
    list->pool.push_back(c);
  }
}

int RunDrawList(GrpDrawList* list) {
  list = ListOrMain(list);
  // Whoever renders holds the device lock first and the list lock second.
  auto device = LockD3DDevice();
  std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
  return RenderDrawList(list->slots);
}

GrpDrawCommand* AllocQuadCommand(GrpDrawList* list) {
  list = ListOrMain(list);
  return TakeCommand(list, &list->quadCount);
}

GrpDrawCommand* AllocTriangleCommand(GrpDrawList* list) {
  list = ListOrMain(list);
  return TakeCommand(list, &list->triangleCount);
}

GrpDrawCommand* AllocLineCommand(GrpDrawList* list) {
  list = ListOrMain(list);
  return TakeCommand(list, &list->lineCount);
}

int InsertDrawCommand(GrpDrawCommand* slots, int32_t priority, GrpDrawCommand* command) {
  if (!slots || !command || command->queued) return 0;
  // Callers add 256 to their layers and private lists have fewer slots: a priority outside the
  // list is refused rather than clamped.
  if (priority < 0 || static_cast<uint32_t>(priority) >= slots[0].slotCount) return 0;
  if (command->texture && command->kind < kDrawKindLine) {
    command->texture->AddRef();
    command->holdsRef = true;
  }
  command->next = slots[priority].next;
  slots[priority].next = command;
  command->queued = true;
  return 1;
}

void ReleaseDrawCommands(GrpDrawCommand* slots) {
  if (!slots) return;
  for (GrpDrawCommand* c = slots[0].next; c; c = c->next) {
    if (c->holdsRef && c->texture) c->texture->Release();
    c->holdsRef = false;
  }
}

void SetQuadSourceRect(GrpDrawCommand* c, TextureHandle* texture, float sx, float sy, float sw, float sh) {
  Texture* t = HandleTexture(texture);
  float l = 0.0f, tp = 0.0f, r = 1.0f, b = 1.0f;
  if (t) {
    float W = static_cast<float>(t->Width()), H = static_cast<float>(t->Height());
    // Kept on purpose: the half-texel inset is applied on the left and top edges only.
    l = (sx + 0.5f) / W;
    tp = (sy + 0.5f) / H;
    r = (sx + sw) / W;
    b = (sy + sh) / H;
  }
  c->texture = t;
  c->v[0].u = l, c->v[0].v = tp;
  c->v[1].u = r, c->v[1].v = tp;
  c->v[2].u = l, c->v[2].v = b;
  c->v[3].u = r, c->v[3].v = b;
}

void ProjectVertex(const float p[4], ScreenVertex* v) {
  float w = p[3] == 0.0f ? 1.0f : p[3];
  v->x = p[0] / w;
  v->y = p[1] / w;
  v->z = p[2] / w;
  v->rhw = 1.0f / w;
}

void ProjectQuadVertices(const float p[4][4], GrpDrawCommand* c) {
  for (int i = 0; i < 4; ++i) ProjectVertex(p[i], &c->v[i]);
}

void NormalizeQuadW(GrpDrawCommand* c) {
  for (int i = 0; i < 4; ++i) {
    float w = c->v[i].rhw;
    if (w == 0.0f) {
      c->v[i].rhw = 1.0f;
    } else if (w != 1.0f) {
      c->v[i].x /= w;
      c->v[i].y /= w;
      c->v[i].z /= w;
      c->v[i].rhw = 1.0f / w;
    }
  }
}

int DrawSprite(GrpDrawList* list, TextureHandle* texture, int32_t x, int32_t y, int32_t w, int32_t h,
               float sx, float sy, float sw, float sh, uint32_t colour, uint32_t specular, int32_t priority) {
  list = ListOrMain(list);
  GrpDrawCommand* c = AllocQuadCommand(list);
  if (!c) return 0;  // the game answered 1 here even without a command
  Stamp(c, kDrawKindQuad);
  SetFlatCorners(c, x, y, w, h);
  SetColours(c, colour, colour, colour, colour, specular);
  SetQuadSourceRect(c, texture, sx, sy, sw, sh);
  return InsertDrawCommand(list->slots, priority, c);
}

int DrawSpriteGradient(GrpDrawList* list, TextureHandle* texture, int32_t x, int32_t y, int32_t w, int32_t h,
                       float sx, float sy, float sw, float sh, uint32_t tl, uint32_t tr, uint32_t bl,
                       uint32_t br, uint32_t, int32_t priority) {
  list = ListOrMain(list);
  GrpDrawCommand* c = AllocQuadCommand(list);
  if (!c) return 0;
  Stamp(c, kDrawKindQuad);
  SetFlatCorners(c, x, y, w, h);
  SetColours(c, tl, tr, bl, br, 0);
  SetQuadSourceRect(c, texture, sx, sy, sw, sh);
  return InsertDrawCommand(list->slots, priority, c);
}

int DrawSpriteDesc(GrpDrawList* list, const SpriteDesc* d) {
  if (!d) return 0;
  list = ListOrMain(list);
  GrpDrawCommand* c = AllocQuadCommand(list);
  if (!c) return 0;
  Stamp(c, kDrawKindQuad);
  for (int i = 0; i < 4; ++i) {
    c->v[i].x = d->pos[i][0];
    c->v[i].y = d->pos[i][1];
    c->v[i].z = d->pos[i][2];
    c->v[i].rhw = 1.0f;
  }
  SetColours(c, d->colour[0], d->colour[1], d->colour[2], d->colour[3], d->specular[0]);
  SetQuadSourceRect(c, d->texture, d->sx, d->sy, d->sw, d->sh);
  return InsertDrawCommand(list->slots, d->priority, c);
}

int DrawSprite3D(GrpDrawList* list, TextureHandle* texture, int32_t x, int32_t y, int32_t z, int32_t w,
                 int32_t h, float pivotX, float pivotY, float sx, float sy, float sw, float sh, float rotX,
                 float rotY, float rotZ, uint32_t colour, uint32_t specular, int32_t priority) {
  if (z > 500) return 0;
  list = ListOrMain(list);
  constexpr float kDegToRad = 3.14159265358979323846f / 180.0f;
  D3DMatrix m = D3DMatrix::RotationZ(rotZ * kDegToRad);
  MultiplyMatrix(&m, m, D3DMatrix::RotationX(rotX * kDegToRad));
  MultiplyMatrix(&m, m, D3DMatrix::RotationY(rotY * kDegToRad));
  MultiplyMatrix(&m, m,
                 D3DMatrix::Translation(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)));
  ResetSpriteViewMatrix();
  ResetSpriteProjMatrix();
  MultiplyMatrix(&m, m, g_SpriteViewMatrix);
  MultiplyMatrix(&m, m, g_SpriteProjMatrix);
  MultiplyMatrix(&m, m, D3DMatrix::Scaling(1.0f, 1.0f, 0.0f));
  GrpDrawCommand* c = AllocQuadCommand(list);
  if (!c) return 0;
  Stamp(c, kDrawKindQuad);
  TransformCorners(c, m, w, h, pivotX, pivotY);
  SetColours(c, colour, colour, colour, colour, specular);
  SetQuadSourceRect(c, texture, sx, sy, sw, sh);
  return InsertDrawCommand(list->slots, priority, c);
}

int DrawSpriteMatrix(GrpDrawList* list, TextureHandle* texture, const D3DMatrix* matrix, int32_t w, int32_t h,
                     float pivotX, float pivotY, float sx, float sy, float sw, float sh, uint32_t colour,
                     uint32_t, int32_t priority) {
  if (!matrix) return 0;
  list = ListOrMain(list);
  GrpDrawCommand* c = AllocQuadCommand(list);
  if (!c) return 0;
  Stamp(c, kDrawKindQuad);
  TransformCorners(c, *matrix, w, h, pivotX, pivotY);
  SetColours(c, colour, colour, colour, colour, 0);
  SetQuadSourceRect(c, texture, sx, sy, sw, sh);
  return InsertDrawCommand(list->slots, priority, c);
}

int DrawTextureStretched(GrpDrawList* list, TextureHandle* texture, int32_t x, int32_t y, int32_t w,
                         int32_t h, uint32_t colour, uint32_t, int32_t priority) {
  list = ListOrMain(list);
  GrpDrawCommand* c = AllocQuadCommand(list);
  if (!c) return 0;
  Stamp(c, kDrawKindQuad);
  SetFlatCorners(c, x, y, w, h);
  SetColours(c, colour, colour, colour, colour, 0);
  c->texture = HandleTexture(texture);
  float uv[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  for (int i = 0; i < 4; ++i) {
    c->v[i].u = uv[i][0];
    c->v[i].v = uv[i][1];
  }
  return InsertDrawCommand(list->slots, priority, c);
}

int DrawTexture(TextureHandle* texture, int32_t x, int32_t y, uint32_t colour, uint32_t ignored,
                int32_t priority) {
  Texture* t = HandleTexture(texture);
  int32_t w = t ? static_cast<int32_t>(t->Width()) : 0;
  int32_t h = t ? static_cast<int32_t>(t->Height()) : 0;
  return DrawTextureStretched(nullptr, texture, x, y, w, h, colour, ignored, priority);
}

int DrawRect(GrpDrawList* list, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t tl, uint32_t tr,
             uint32_t bl, uint32_t br, int32_t priority) {
  list = ListOrMain(list);
  GrpDrawCommand* c = AllocQuadCommand(list);
  if (!c) return 0;
  Stamp(c, kDrawKindQuad);
  SetFlatCorners(c, x, y, w, h);
  SetColours(c, tl, tr, bl, br, 0);
  for (int i = 0; i < 4; ++i) c->v[i].u = c->v[i].v = 0.0f;
  return InsertDrawCommand(list->slots, priority, c);
}

int DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour0, uint32_t colour1, uint32_t,
             int32_t priority) {
  GrpDrawList* list = &g_MainDrawList;
  GrpDrawCommand* c = AllocLineCommand(list);
  if (!c) return 0;
  Stamp(c, kDrawKindLine);
  c->v[0] = ScreenVertex{static_cast<float>(x0), static_cast<float>(y0), 0.0f, 1.0f, colour0, 0, 0.0f, 0.0f};
  c->v[1] = ScreenVertex{static_cast<float>(x1), static_cast<float>(y1), 0.0f, 1.0f, colour1, 0, 0.0f, 0.0f};
  return InsertDrawCommand(list->slots, priority, c);
}

int DrawQuad(GrpDrawList* list, const GrpDrawCommand* quad, int32_t priority) {
  if (!quad) return 0;
  list = ListOrMain(list);
  GrpDrawCommand* c = AllocQuadCommand(list);
  if (!c) return 0;
  Stamp(c, kDrawKindQuad);
  for (int i = 0; i < 4; ++i) c->v[i] = quad->v[i];
  c->texture = quad->texture;
  return InsertDrawCommand(list->slots, priority, c);
}

int DrawTriangle(const GrpDrawCommand* triangle) {
  if (!triangle) return 0;
  GrpDrawList* list = &g_MainDrawList;
  GrpDrawCommand* c = AllocTriangleCommand(list);
  if (!c) return 0;
  Stamp(c, kDrawKindTriangle);
  for (int i = 0; i < 3; ++i) c->v[i] = triangle->v[i];
  c->texture = triangle->texture;
  return InsertDrawCommand(list->slots, 396, c);
}
