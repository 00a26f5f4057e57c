// Glyph rasterising for the sample pictures (see glyph_cell.h).
#include "glyph_cell.h"

#include <algorithm>
#include <cstring>

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

void PaintCoverage(Canvas& c, int x, int y, int w, int h, const std::vector<uint8_t>& cover, int rim,
                   const Rgba& ink) {
  auto at = [&](int cx, int cy) -> float {
    if (cx < 0 || cy < 0 || cx >= w || cy >= h) return 0.0f;
    return cover[size_t(cy) * w + cx] / 255.0f;
  };
  for (int cy = 0; cy < h; ++cy)
    for (int cx = 0; cx < w; ++cx) {
      if (x + cx < 0 || y + cy < 0 || x + cx >= c.Width() || y + cy >= c.Height()) continue;
      float edge = 0.0f;
      for (int dy = -rim; dy <= rim; ++dy)
        for (int dx = -rim; dx <= rim; ++dx) edge = std::max(edge, at(cx + dx, cy + dy));
      if (edge > 0.0f) c.Blend(x + cx, y + cy, {0.05f, 0.05f, 0.1f, 1.0f}, edge);
      const float a = at(cx, cy);
      if (a > 0.0f) c.Blend(x + cx, y + cy, ink, a);
    }
}

bool PaintGlyph(Canvas& c, vt::glyph::GlyphFace& face, char ch, int x, int y, int w, int h, int rim, int top,
                const Rgba& ink) {
  std::vector<uint8_t> cover;
  const int advance = RenderGlyphCell(face, static_cast<uint8_t>(ch), w, h - top, 256, 0, &cover);
  if (advance < 0) return false;
  const int left = std::max(0, (w - advance) / 2);
  RenderGlyphCell(face, static_cast<uint8_t>(ch), w, h - top, 256, left, &cover);
  PaintCoverage(c, x, y + top, w, h - top, cover, rim, ink);
  return true;
}

bool PaintText(Canvas& c, vt::glyph::GlyphFace& face, const char* text, int x, int y, int w, int h, int rim,
               const Rgba& ink) {
  std::vector<uint8_t> cover;
  std::vector<int> advances;
  int total = 0;
  for (const char* p = text; *p; ++p) {
    const int a = RenderGlyphCell(face, static_cast<uint8_t>(*p), 1, 1, 256, 0, &cover);
    if (a < 0) return false;
    advances.push_back(a);
    total += a;
  }
  int at = x + std::max(0, (w - total) / 2);
  for (size_t i = 0; text[i]; ++i) {
    // Each glyph gets its advance and some room for overhang; nothing is painted past the box.
    const int cell = std::min(advances[i] + 4, x + w - at);
    if (cell <= 0) break;
    RenderGlyphCell(face, static_cast<uint8_t>(text[i]), cell, h, 256, 0, &cover);
    PaintCoverage(c, at, y, cell, h, cover, rim, ink);
    at += advances[i];
  }
  return true;
}

}  // namespace mkdata
