// The batch renderer: walks a draw list's slot chain in priority order and merges runs of
// commands with one render state into single indexed draw calls; the blend and filter tables.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/device.h"

struct D3DManager;
struct GrpDrawCommand;

struct BatchState {
  vt::gfx::PrimitiveType primitive = vt::gfx::PT_POINTLIST;
  uint32_t fvf = 0;
  uint32_t stride = 0;
  vt::gfx::Texture* texture = nullptr;
  uint8_t blendMode = 0xFF;
  uint8_t filterMode = 0xFF;
  uint16_t effectTag = 0;
};

constexpr uint32_t kBatchVertexBytes = 352000;
constexpr uint32_t kBatchMaxVertices = kBatchVertexBytes / 32;
constexpr uint32_t kBatchMaxIndices = 16383;

struct VertexBatch {
  uint32_t vertexCount = 0;
  std::vector<vt::gfx::ScreenVertex> vertices;
  uint32_t indexCount = 0;
  std::vector<uint32_t> indices;
  uint32_t stride = 0;
};

struct BatchRenderer {
  D3DManager* manager = nullptr;
  VertexBatch batches[2];
  int current = 0;
  BatchState batch;
  BatchState applied;
  BatchState examined;
  // Copies of render targets that an effect batch reads while they are bound for drawing.
  vt::gfx::TextureRef shadows[vt::gfx::kMaxRenderTargets];
  uint64_t shadowCopies = 0;
};

extern BatchRenderer* g_BatchRenderer;

void InitBatchRenderer(D3DManager* manager);
void FreeBatchRenderer();

int RenderDrawList(GrpDrawCommand* slots);
void ExecuteDrawCommands(GrpDrawCommand* slots);
void FlushBatch();
void SetBlendMode(uint8_t mode);
void SetFilterMode(uint8_t mode);
void BatchQuadState(const GrpDrawCommand* command, BatchState* out);
void BatchLineState(const GrpDrawCommand* command, BatchState* out);
void BatchLine3DState(const GrpDrawCommand* command, BatchState* out);
// The device blend state of a blend mode (false for values outside 1..7).
bool BlendModeState(uint8_t mode, vt::gfx::BlendState* out);
