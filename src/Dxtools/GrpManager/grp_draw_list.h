// Draw-command lists: the prioritised slot chain, the command pool, the queueing calls every part
// draws through, and the list lock. Rendering of a list is the batch renderer's (d3d_batch.h).
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/gfx/device.h"

struct TextureHandle;
struct D3DMatrix;

// One command, or a slot head (kind 0). Head 0 also carries the list's rendered count and slot
// count.
struct GrpDrawCommand {
  GrpDrawCommand* next = nullptr;
  uint8_t kind = 0;
  // Set while the command is linked into a chain. The link alone cannot say so: the first
  // command queued in the last slot has a null link.
  bool queued = false;
  // Set while the command holds its reference on the texture; each reference is dropped once.
  bool holdsRef = false;
  vt::gfx::ScreenVertex v[4] = {};
  vt::gfx::Texture* texture = nullptr;
  uint8_t blendMode = 1;
  uint8_t filterMode = 1;
  uint16_t effectTag = 0;
  // Head 0 only.
  uint32_t renderedCount = 0;
  uint32_t slotCount = 0;
};

struct GrpDrawList {
  GrpDrawCommand* slots = nullptr;
  uint32_t slotCount = 0;
  std::vector<GrpDrawCommand*> pool;
  uint32_t triangleCount = 0;
  uint32_t quadCount = 0;
  uint32_t lineCount = 0;
  uint32_t nextFree = 0;
};

// Draw kinds.
enum : uint8_t {
  kDrawKindHead = 0,
  kDrawKindQuad = 1,
  kDrawKindTriangle = 5,
  kDrawKindLine = 8,
  kDrawKindLine3D = 9,
};

struct DrawKindInfo {
  uint32_t fvf;
  vt::gfx::PrimitiveType primitive;
  uint32_t stride;
  uint32_t vertices;
  bool rendered;
};
extern const DrawKindInfo DrawKindTable[10];

// A sprite that is not an axis-aligned rectangle.
struct SpriteDesc {
  TextureHandle* texture = nullptr;
  float pos[4][3] = {};
  float sx = 0, sy = 0, sw = 0, sh = 0;
  uint32_t colour[4] = {};
  uint32_t specular[4] = {};
  int32_t priority = 0;
};

constexpr uint32_t kMainDrawListSlots = 1600;
constexpr uint32_t kMainDrawListPool = 8000;

extern GrpDrawList g_MainDrawList;
extern std::recursive_mutex g_DrawListLock;
extern uint8_t g_DrawBlendMode;
extern uint8_t g_DrawFilterMode;

void InitGrpManager();
void ShutdownGrpManager();
void CreateDrawList(GrpDrawList* list, uint32_t slotCount, uint32_t poolCount);
void DestroyDrawList(GrpDrawList* list);
void ResetDrawList(GrpDrawList* list);
void RelinkDrawSlots(GrpDrawCommand* slots, uint32_t slotCount);
void ResetDrawCommandPool(GrpDrawList* list);
void GrowDrawCommandPool(GrpDrawList* list, uint32_t count);
int RunDrawList(GrpDrawList* list);

GrpDrawCommand* AllocQuadCommand(GrpDrawList* list);
GrpDrawCommand* AllocTriangleCommand(GrpDrawList* list);
GrpDrawCommand* AllocLineCommand(GrpDrawList* list);
int InsertDrawCommand(GrpDrawCommand* slots, int32_t priority, GrpDrawCommand* command);
void SetQuadSourceRect(GrpDrawCommand* command, TextureHandle* texture, float sx, float sy, float sw,
                       float sh);
// Writes one homogeneous point (x, y, z, w) into a vertex divided by w (w = 0 taken as 1), rhw = 1/w.
void ProjectVertex(const float point[4], vt::gfx::ScreenVertex* vertex);
void ProjectQuadVertices(const float points[4][4], GrpDrawCommand* command);
void NormalizeQuadW(GrpDrawCommand* command);
void ReleaseDrawCommands(GrpDrawCommand* slots);

int DrawSprite(GrpDrawList* list, TextureHandle* texture, int32_t x, int32_t y, int32_t w, int32_t h,
               float sx, float sy, float sw, float sh, uint32_t colour, uint32_t specular, int32_t priority);
int DrawSpriteGradient(GrpDrawList* list, TextureHandle* texture, int32_t x, int32_t y, int32_t w, int32_t h,
                       float sx, float sy, float sw, float sh, uint32_t colourTopLeft,
                       uint32_t colourTopRight, uint32_t colourBottomLeft, uint32_t colourBottomRight,
                       uint32_t ignored, int32_t priority);
int DrawSpriteDesc(GrpDrawList* list, const SpriteDesc* desc);
int DrawSprite3D(GrpDrawList* list, TextureHandle* texture, int32_t x, int32_t y, int32_t z, int32_t w,
                 int32_t h, float pivotX, float pivotY, float sx, float sy, float sw, float sh, float rotX,
                 float rotY, float rotZ, uint32_t colour, uint32_t specular, int32_t priority);
int DrawSpriteMatrix(GrpDrawList* list, TextureHandle* texture, const D3DMatrix* matrix, int32_t w, int32_t h,
                     float pivotX, float pivotY, float sx, float sy, float sw, float sh, uint32_t colour,
                     uint32_t ignored, int32_t priority);
int DrawTextureStretched(GrpDrawList* list, TextureHandle* texture, int32_t x, int32_t y, int32_t w,
                         int32_t h, uint32_t colour, uint32_t ignored, int32_t priority);
int DrawTexture(TextureHandle* texture, int32_t x, int32_t y, uint32_t colour, uint32_t ignored,
                int32_t priority);
int DrawRect(GrpDrawList* list, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colourTopLeft,
             uint32_t colourTopRight, uint32_t colourBottomLeft, uint32_t colourBottomRight,
             int32_t priority);
int DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour0, uint32_t colour1,
             uint32_t ignored, int32_t priority);
// quad: four kind-1 vertices and a texture, laid out as in a command.
int DrawQuad(GrpDrawList* list, const GrpDrawCommand* quad, int32_t priority);
int DrawTriangle(const GrpDrawCommand* triangle);
