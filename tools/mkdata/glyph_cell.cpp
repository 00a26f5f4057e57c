// Glyph rasterising for the sample pictures (see glyph_cell.h).
#include "glyph_cell.h"

namespace mkdata {

int RenderGlyphCell(vt::glyph::GlyphFace& face, uint32_t code, int w, int h, int levels, int left,
                    std::vector<uint8_t>* out) {
  vt::glyph::GlyphBitmap g;
  if (!face.Glyph(code, vt::glyph::GlyphFormat::kGrey65, &g)) return -1;
  out->assign(size_t(w) * h, 0);
  const int ascent = face.Metrics().ascent;
  const int rowBytes = vt::glyph::GreyRowBytes(g.boxWidth);
  for (int r = 0; r < g.boxHeight; ++r) {
    int y = ascent - g.originY + r;
    if (y < 0 || y >= h) continue;
    for (int c = 0; c < g.boxWidth; ++c) {
      int x = left + g.originX + c;
      if (x < 0 || x >= w) continue;
      int grey = g.bits[size_t(r) * rowBytes + c];
      int v = levels == 2 ? (grey >= 28 ? 1 : 0) : (grey * (levels - 1) + 32) / 64;
      (*out)[size_t(y) * w + x] = static_cast<uint8_t>(v);
    }
  }
  return g.advance;
}

}  // namespace mkdata
