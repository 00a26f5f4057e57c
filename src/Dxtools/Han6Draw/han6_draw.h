// Pattern-frame drawing: finds a frame, blends it toward the frame it comes from, builds its
// transform and queues one cut sprite or every part of a part-animation pattern. Quads go to a
// sink: the graphics layer's draw list in the game, a recorder in tests.
#pragma once

#include <cstdint>

#include "Dxtools/Han6Draw/han6_draw_math.h"

struct GrpDrawList;
struct TextureHandle;
struct Han6PatternSet;
struct CutSpriteSheet;
struct PAniData;
struct PAniPartRef;

// One queued quad. Corners are top-left, top-right, bottom-left, bottom-right as (x, y, z, w).
struct Han6Quad {
  TextureHandle* texture = nullptr;  // null: an untextured quad
  float pos[4][4] = {};
  float u[4] = {}, v[4] = {};
  uint32_t colour = 0xFFFFFFFFu;
  uint32_t specular = 0;
  int32_t priority = 0;
  uint8_t blendMode = 1;            // 1 alpha, 2 additive, 3 reverse subtract
  uint8_t filterMode = 1;           // 1 point, 2 linear
  const char* technique = nullptr;  // effect technique, or none
  float texelN[2] = {}, texelX[2] = {}, edgeColor[4] = {};
};

class Han6DrawSink {
 public:
  virtual ~Han6DrawSink() = default;
  virtual void Queue(GrpDrawList* list, const Han6Quad& quad) = 0;
  // Texture-coordinate offsets added to the left, top, bottom and right edges of part quads.
  virtual const float* UvBias() const = 0;
};
// Installs a sink (null goes back to the graphics layer's draw lists); returns the previous one.
Han6DrawSink* SetHan6DrawSink(Han6DrawSink* sink);

struct Han6DrawParams {
  GrpDrawList* list = nullptr;
  int32_t priority = 0;
  uint8_t blendMode = 0;  // override; 0 takes the frame's
  uint32_t color = 0xFFFFFFFFu;
  uint32_t specular = 0;
  int32_t outlineParts = 0;
  int32_t keyBase = 0;  // a multiple of 4096: cache keys are keyBase | sprite number
  float edgeColor[4] = {};
  int32_t edgeFlag = 0;
  int32_t shaderMode = 0;
  int32_t partPriority = 0;
  const Han6FramePosition* position = nullptr;
  const Han6Matrix* world = nullptr;
  Han6PatternSet* patternSet = nullptr;
  const CutSpriteSheet* sheet = nullptr;
  const PAniData* pani = nullptr;
};

struct CutSpriteDrawParams {
  GrpDrawList* list = nullptr;
  int32_t priority = 0;
  uint8_t blendMode = 0;
  uint32_t color = 0xFFFFFFFFu;
  uint32_t specular = 0;
  int32_t key = 0;
  float edgeColor[4] = {};
  int32_t edgeFlag = 0;
  int32_t shaderMode = 0;
  int32_t drawFlags = 0;  // bit 30 keeps point filtering for colour sprites
  int32_t spriteNumber = 0;
  const Han6Matrix* transform = nullptr;
  const CutSpriteSheet* sheet = nullptr;
};

struct PAniDrawParams {
  GrpDrawList* list = nullptr;
  int32_t priority = 0;
  uint8_t blendMode = 0;
  uint32_t color = 0xFFFFFFFFu;
  uint32_t specular = 0;
  int32_t outlineParts = 0;
  int32_t partPriority = 0;
  int32_t paniPattern = 0;
  int32_t fromPaniPattern = -1;
  const Han6Matrix* transform = nullptr;
  float progress = 1.0f;
  const PAniData* pani = nullptr;
};

// The blend mode a frame's byte asks for: 0 opaque, 2 additive, 3 reverse subtract, others alpha.
uint8_t MapFrameBlendMode(uint8_t frameBlend);
// Channel-by-channel product of two ARGB colours (a colour with itself stays as it is).
uint32_t ModulateArgb(uint32_t a, uint32_t b);

void DrawPatternFrame(const Han6DrawParams& params);
void DrawCutSprite(const CutSpriteDrawParams& params);
void DrawPAniPattern(const PAniDrawParams& params);
void DrawPAniPart(const PAniDrawParams& params, const PAniPartRef* part, const PAniPartRef* fromPart,
                  const Han6Matrix* matrix);
