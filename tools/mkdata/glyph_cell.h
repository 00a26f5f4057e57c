// Glyph rasterising for the sample pictures: one glyph of an installed face rendered into a
// fixed cell of coverage levels, shared by the bitmap fonts and the HUD glyph sheets.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"
#include "platform/glyph/glyph_source.h"

namespace mkdata {

// Renders a glyph into a cell of w x h values at `levels` levels (2, 4, 16 or 256), the box placed
// by its origin below the face's ascent and shifted right by `left`. Returns the glyph's advance,
// or -1 when the face has no glyph.
int RenderGlyphCell(vt::glyph::GlyphFace& face, uint32_t code, int w, int h, int levels, int left,
                    std::vector<uint8_t>* out);

// Paints a coverage cell (0..255) at (x, y): a dark rim of `rim` pixels under the glyph in
// `ink`, so the glyph reads on any stage.
void PaintCoverage(Canvas& c, int x, int y, int w, int h, const std::vector<uint8_t>& cover, int rim,
                   const Rgba& ink = {1, 1, 1, 1});
// One character centred in the cell (x, y, w, h), `top` pixels down. False when the face has no
// such glyph.
bool PaintGlyph(Canvas& c, vt::glyph::GlyphFace& face, char ch, int x, int y, int w, int h, int rim,
                int top = 0, const Rgba& ink = {1, 1, 1, 1});
// A line of text centred in the box (x, y, w, h), cut to it. False when a glyph is missing.
bool PaintText(Canvas& c, vt::glyph::GlyphFace& face, const char* text, int x, int y, int w, int h, int rim,
               const Rgba& ink = {1, 1, 1, 1});

}  // namespace mkdata
