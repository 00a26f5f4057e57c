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

std::vector<uint8_t> WriteFntFont(const FntWriteSpec& spec) {
  const int bpp = spec.bitsPerPixel;
  if (bpp != 1 && bpp != 2 && bpp != 4) return {};
  const int ppb = 8 / bpp;
  if (spec.width <= 0 || spec.height <= 0 || spec.width > 0xFFFF || spec.height > 0xFFFF ||
      spec.width % ppb != 0 || spec.glyphs.size() >= kFntNoGlyph)
    return {};
  const size_t rowBytes = size_t(spec.width) / ppb;
  const size_t glyphBytes = rowBytes * spec.height;
  std::vector<uint8_t> out(kFntBitmapOffset + glyphBytes * spec.glyphs.size(), 0);
  PutU16(out, 0, static_cast<uint32_t>(spec.glyphs.size()));
  PutU16(out, 2, static_cast<uint32_t>(spec.width));
  PutU16(out, 4, static_cast<uint32_t>(spec.height));
  out[6] = static_cast<uint8_t>(ppb);
  out[7] = static_cast<uint8_t>(bpp);
  std::memset(out.data() + kFntHeaderSize, 0xFF, kFntCodeMapEntries * 2);
  std::vector<uint8_t> widths(kFntCodeMapEntries, static_cast<uint8_t>(spec.width > 255 ? 255 : spec.width));
  const uint8_t maxLevel = static_cast<uint8_t>((1 << bpp) - 1);
  for (size_t g = 0; g < spec.glyphs.size(); ++g) {
    const FntGlyphSpec& gs = spec.glyphs[g];
    uint32_t code = gs.code;
    int index = FntCodeIndex(code);
    if (index < 0) return {};
    PutU16(out, kFntHeaderSize + size_t(index) * 2, static_cast<uint32_t>(g));
    if (gs.advance) widths[index] = gs.advance;
    uint8_t* dst = out.data() + kFntBitmapOffset + g * glyphBytes;
    for (int r = 0; r < spec.height; ++r)
      for (int c = 0; c < spec.width; ++c) {
        size_t i = size_t(r) * spec.width + c;
        uint8_t v = i < gs.levels.size() ? gs.levels[i] : 0;
        if (v > maxLevel) v = maxLevel;
        dst[size_t(r) * rowBytes + c / ppb] |= static_cast<uint8_t>(v << (8 - bpp * (c % ppb + 1)));
      }
  }
  if (spec.exV1) {
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
