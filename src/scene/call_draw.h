// What the call overlays' files share: their texture sets and the queueing helpers that set the
// blend and filter modes and queue nothing while the battle's drawing is not submitted.
#pragma once

#include <cstdint>

#include "Dxtools/GrpManager/grp_draw_list.h"

struct TextureHandle;

namespace calls {

struct CallGraphics {
  // fight call
  TextureHandle* fightFont = nullptr;  // rd_font00_01
  TextureHandle* fightNoise = nullptr;
  GrpDrawList fightList;
  TextureHandle* fightTarget = nullptr;
  bool fightLoaded = false;
  // round-call bars
  TextureHandle* barsBlack = nullptr;
  TextureHandle* barsFont = nullptr;
  bool barsLoaded = false;
  // round call body
  TextureHandle* disk[2] = {};
  TextureHandle* font = nullptr;  // rd_font00_00
  TextureHandle* noise = nullptr;
  TextureHandle* flare = nullptr;
  TextureHandle* eff01 = nullptr;
  TextureHandle* program[2] = {};
  TextureHandle* stageName[100] = {};
  GrpDrawList bodyList;
  GrpDrawList stripList;
  TextureHandle* bodyTarget = nullptr;
  TextureHandle* stripTarget = nullptr;
  bool bodyLoaded = false;
  // KO call
  TextureHandle* koEffect[2][20] = {};
  TextureHandle* koLogo[4] = {};
  bool koLoaded = false;
  // winner call
  TextureHandle* koName[100] = {};
  TextureHandle* winf = nullptr;
  TextureHandle* winner = nullptr;
  TextureHandle* player = nullptr;
  TextureHandle* winnerBlack = nullptr;
  bool winnerLoaded = false;
};
extern CallGraphics g_CallGraphics;

constexpr uint8_t kBlendAlpha = 1;
constexpr uint8_t kBlendAdd = 2;
constexpr uint8_t kBlendErase = 6;
constexpr uint8_t kFilterPoint = 1;
constexpr uint8_t kFilterLinear = 2;

// Loads folder + name (the image loader's lookup; null when missing); frees and clears a handle.
TextureHandle* LoadFrom(const char* folder, const char* name);
void FreeHandle(TextureHandle*& t);

// An alpha of 0..1 scaled to 0..scale and put on an RGB colour (truncated, as the screens do).
uint32_t Argb(float alpha, float scale, uint32_t rgb);

// The queueing helpers; each does nothing unless the battle's drawing is submitted and the list
// exists (a private list that was never made is not replaced by the main list).
void Sprite(GrpDrawList* list, TextureHandle* t, float x, float y, float w, float h, float sx, float sy,
            float sw, float sh, uint32_t colour, int32_t priority, uint8_t blend = kBlendAlpha,
            uint8_t filter = kFilterPoint);
void Rect(GrpDrawList* list, float x, float y, float w, float h, uint32_t colour, int32_t priority,
          uint8_t blend = kBlendAlpha);
// A sprite of w x h turned by `degrees` about its centre, placed at (cx, cy).
void TurnedSprite(GrpDrawList* list, TextureHandle* t, float cx, float cy, float w, float h, float sx,
                  float sy, float sw, float sh, float degrees, uint32_t colour, int32_t priority);
// Starts a private 640 x h picture: opaque black with `erase` of its alpha taken away again.
void StartCutOut(GrpDrawList* list, int32_t h, float erase, int32_t slot);

}  // namespace calls
