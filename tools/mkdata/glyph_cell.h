// Glyph rasterising for the sample pictures: one glyph of an installed face rendered into a
// fixed cell of coverage levels, shared by the bitmap fonts and the HUD glyph sheets.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/glyph/glyph_source.h"

namespace mkdata {

// Renders a glyph into a cell of w x h values at `levels` levels (2, 4, 16 or 256), the box placed
// by its origin below the face's ascent and shifted right by `left`. Returns the glyph's advance,
// or -1 when the face has no glyph.
int RenderGlyphCell(vt::glyph::GlyphFace& face, uint32_t code, int w, int h, int levels, int left,
                    std::vector<uint8_t>* out);

}  // namespace mkdata
