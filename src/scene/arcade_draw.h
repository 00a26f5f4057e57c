// The arcade screens' queueing helpers: a textured or plain quad with its blend and filter modes,
// the shared modes put back afterwards, and the clamps and eases their timings use.
#pragma once

#include <algorithm>
#include <cstdint>

#include "Dxtools/GrpManager/grp_draw_list.h"

struct TextureHandle;

namespace arcade {

constexpr uint8_t kBlendAlpha = 1;
constexpr uint8_t kBlendAdd = 2;
constexpr uint8_t kBlendErase = 6;
constexpr uint8_t kFilterPoint = 1;
constexpr uint8_t kFilterLinear = 2;

inline float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
// Alpha 0..255 (clamped) over an RGB colour.
inline uint32_t Argb(int alpha, uint32_t rgb = 0xFFFFFF) {
  return (static_cast<uint32_t>(std::clamp(alpha, 0, 255)) << 24) | (rgb & 0xFFFFFFu);
}
// Added white of level 0..255 (clamped) as a specular colour.
inline uint32_t White(int level) {
  const uint32_t v = static_cast<uint32_t>(std::clamp(level, 0, 255));
  return v << 16 | v << 8 | v;
}

// A texture quad; nothing when the texture is missing (its element stays undrawn).
void Quad(GrpDrawList* list, TextureHandle* t, float x, float y, float w, float h, float sx, float sy,
          float sw, float sh, uint32_t colour, uint32_t specular, int32_t priority,
          uint8_t blend = kBlendAlpha, uint8_t filter = kFilterLinear);
// An untextured quad of one colour.
void Fill(GrpDrawList* list, float x, float y, float w, float h, uint32_t colour, int32_t priority,
          uint8_t blend = kBlendAlpha);

// A private list made when missing (slots, pool); its 640 x h target (made once, under the device
// lock, when there is a device).
void MakeList(GrpDrawList& list, uint32_t slots, uint32_t pool);
void MakeTarget(TextureHandle*& target, int32_t w, int32_t h);
// Renders the private list into its target and empties it (without a device only empties it).
void RenderPrivateList(GrpDrawList& list, TextureHandle* target);
// The same, drawing only while draw is set (into the back buffer when target is null); the list
// is emptied either way.
void RenderPrivateList(GrpDrawList& list, TextureHandle* target, bool draw);

// "folder" + "name" through the texture loader (null when missing); frees and clears a handle.
TextureHandle* Load(const char* path);
// folder + the name `format` gives with n (a printf format of one int).
TextureHandle* LoadNumbered(const char* folder, const char* format, int n);
void Free(TextureHandle*& t);

}  // namespace arcade
