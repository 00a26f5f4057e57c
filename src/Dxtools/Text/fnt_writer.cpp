// Writer of bitmap glyph fonts.
#include "Dxtools/Text/fnt_writer.h"

#include <cstring>

#include "Dxtools/Text/fnt_font.h"

namespace vt::text {

namespace {
void PutU16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

std::vector<uint8_t> WriteFntFont(const FntWriteSpec& layout) {
  const int bpp = layout.bitsPerPixel;
  if (bpp != 1 && bpp != 2 && bpp != 4) return {};
  const int ppb = 8 / bpp;
  if (layout.width <= 0 || layout.height <= 0 || layout.width > 0xFFFF || layout.height > 0xFFFF ||
      layout.width % ppb != 0 || layout.glyphs.size() >= kFntNoGlyph)
    return {};
  const size_t rowBytes = size_t(layout.width) / ppb;
  const size_t glyphBytes = rowBytes * layout.height;
  std::vector<uint8_t> out(kFntBitmapOffset + glyphBytes * layout.glyphs.size(), 0);
  PutU16(out, 0, static_cast<uint32_t>(layout.glyphs.size()));
  PutU16(out, 2, static_cast<uint32_t>(layout.width));
  PutU16(out, 4, static_cast<uint32_t>(layout.height));
  out[6] = static_cast<uint8_t>(ppb);
  out[7] = static_cast<uint8_t>(bpp);
  std::memset(out.data() + kFntHeaderSize, 0xFF, kFntCodeMapEntries * 2);
  std::vector<uint8_t> widths(kFntCodeMapEntries, static_cast<uint8_t>(layout.width > 255 ? 255 : layout.width));
  const uint8_t maxLevel = static_cast<uint8_t>((1 << bpp) - 1);
  for (size_t g = 0; g < layout.glyphs.size(); ++g) {
    const FntGlyphSpec& gs = layout.glyphs[g];
    uint32_t code = gs.code;
    int index = FntCodeIndex(code);
    if (index < 0) return {};
    PutU16(out, kFntHeaderSize + size_t(index) * 2, static_cast<uint32_t>(g));
    if (gs.advance) widths[index] = gs.advance;
    uint8_t* dst = out.data() + kFntBitmapOffset + g * glyphBytes;
    for (int r = 0; r < layout.height; ++r)
      for (int c = 0; c < layout.width; ++c) {
        size_t i = size_t(r) * layout.width + c;
        uint8_t v = i < gs.levels.size() ? gs.levels[i] : 0;
        if (v > maxLevel) v = maxLevel;
        dst[size_t(r) * rowBytes + c / ppb] |= static_cast<uint8_t>(v << (8 - bpp * (c % ppb + 1)));
      }
  }
  if (layout.exV1) {
    size_t block = out.size();
    out.resize(block + kFntExBlockHeader + kFntCodeMapEntries, 0);
    std::memcpy(out.data() + block, "FNT MAKE EX", 12);
    PutU32(out, block + 16, 1);
    PutU32(out, block + 20, static_cast<uint32_t>(kFntExBlockHeader));
    std::memcpy(out.data() + block + kFntExBlockHeader, widths.data(), widths.size());
  }
  return out;
}

}  // namespace vt::text
