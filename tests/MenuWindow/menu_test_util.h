// Shared helpers of the menu tests: a recording device with a fake glyph source, a fake outline
// font whose glyph cells tell the drawn characters back, and readers of the queued commands of
// one priority in queue order.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/system_font.h"
#include "Dxtools/gfx_test_env.h"
#include "Sound/soundproc.h"
#include "platform/glyph/glyph_source.h"

namespace vt::test {

// One queued quad, read back.
struct QueuedQuad {
  float x0, y0, x1, y1;  // bounds
  uint32_t colour;       // top-left corner
  bool textured;
  bool glyph;  // a glyph of the fake outline font
};

class MenuTest : public RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    glyph::SetGlyphSource(&fake);
    savedFont = text::g_SystemFonts[text::kOutlineFont];
    // 8-pixel cells, 16 to a row: a glyph's source cell names its character.
    text::SystemFont& f = text::g_SystemFonts[text::kOutlineFont];
    f = text::SystemFont{};
    f.defaultWidth = 8;
    for (int& w : f.widths) w = 8;
    f.FontWidth = f.FontHeight = 8;
    f.FontWidthNum = 16;
    f.TexWidth = f.TexHeight = 128;
    fontTexture = SolidTexture(128, 128, 0xFFFFFFFF);
    f.texture = fontTexture;
    std::fill(std::begin(g_SeRequest), std::end(g_SeRequest), 0);
  }
  void TearDown() override {
    text::SetSysFontSpriteSink(nullptr);
    text::g_SystemFonts[text::kOutlineFont] = savedFont;
    ResetDrawList(&g_MainDrawList);
    FreeTexture(fontTexture);
    glyph::SetGlyphSource(nullptr);
    RecordingGfx::TearDown();
  }

  // The commands queued at a priority, in queue order (the first queued first).
  std::vector<QueuedQuad> Queued(int priority) const {
    std::vector<QueuedQuad> out;
    GrpDrawCommand* head = &g_MainDrawList.slots[priority];
    for (GrpDrawCommand* c = head->next; c && c->kind != kDrawKindHead; c = c->next) {
      QueuedQuad q{};
      q.x0 = q.x1 = c->v[0].x;
      q.y0 = q.y1 = c->v[0].y;
      for (const auto& v : c->v) {
        q.x0 = std::min(q.x0, v.x);
        q.x1 = std::max(q.x1, v.x);
        q.y0 = std::min(q.y0, v.y);
        q.y1 = std::max(q.y1, v.y);
      }
      q.colour = c->v[0].diffuse;
      q.textured = c->texture != nullptr;
      q.glyph = c->texture && c->texture == HandleTexture(fontTexture);
      out.push_back(q);
    }
    std::reverse(out.begin(), out.end());  // the list holds the last queued first
    return out;
  }

  // Characters drawn through the outlined-text drawer while f runs (each glyph once per copy).
  template <class F>
  static std::string GlyphsDrawn(F f) {
    std::string drawn;
    text::SetSysFontSpriteSink(
        [&](const text::SysGlyphSprite& g) { drawn += static_cast<char>(32 + g.sy / 8 * 16 + g.sx / 8); });
    f();
    text::SetSysFontSpriteSink(nullptr);
    return drawn;
  }

  glyph::FakeGlyphSource fake{{12, 4, 16}, {}};
  text::SystemFont savedFont;
  TextureHandle* fontTexture = nullptr;
};

}  // namespace vt::test
