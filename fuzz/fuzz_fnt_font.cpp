// Fuzz target for bitmap glyph font files: binding, glyph widths and glyph drawing in both
// texture formats. A whole font file is too large for a useful corpus, so the input is spread
// over one: the first 8 bytes are the header, byte 8 seeds the code map (entry i = (i + seed)
// mod (count + 3), so some entries lie beyond the glyph count), bytes 9.. up to a zero are the
// text to draw, and the rest follows the code map (glyph bitmaps and the extension block).
// Inputs of at least 65030 bytes are taken as a font file as they stand.
#include <cstdint>
#include <cstring>
#include <vector>

#include "Dxtools/Text/fnt_font.h"
#include "app/lib_debug.h"

using namespace vt::text;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  std::vector<uint8_t> image;
  std::vector<char> text;
  if (size >= kFntBitmapOffset) {
    image.assign(data, data + size);
    text = {'A', '\x88', '\x9F', '\x82', '\x60', ' ', '\x81', '\x40', '\x82', 0};
  } else {
    if (size < 9) {
      FntFont font;
      BindFntFont(&font, {data, size}, "fuzz.fnt");  // too short: refused
      return 0;
    }
    image.assign(kFntBitmapOffset, 0);
    std::memcpy(image.data(), data, 8);
    uint16_t count = static_cast<uint16_t>(data[0] | (data[1] << 8));
    uint8_t seed = data[8];
    for (size_t i = 0; i < kFntCodeMapEntries; ++i) {
      uint16_t v = static_cast<uint16_t>((i + seed) % (uint32_t(count) + 3));
      image[kFntHeaderSize + i * 2] = static_cast<uint8_t>(v);
      image[kFntHeaderSize + i * 2 + 1] = static_cast<uint8_t>(v >> 8);
    }
    size_t p = 9;
    while (p < size && data[p] != 0 && text.size() < 64) text.push_back(static_cast<char>(data[p++]));
    text.push_back(0);
    if (p < size) ++p;
    image.insert(image.end(), data + p, data + size);
  }
  FntFont font;
  if (!BindFntFont(&font, image, "fuzz.fnt")) return 0;
  std::vector<uint8_t> argb(64 * 40 * 4), a4(64 * 40 * 2);
  PixelTarget t32{argb.data(), 64 * 4, 64, 40, PixelFormat::kA8R8G8B8};
  PixelTarget t16{a4.data(), 64 * 2, 64, 40, PixelFormat::kA4R4G4B4};
  const char* p = text.data();
  int x = -7;
  while (*p) {
    GetFntGlyphWidth(&font, p);
    DrawFntGlyphToPixels(&font, t16, x, -3, p, 0x80FF7F01);
    int n = DrawFntGlyphToPixels(&font, t32, x, 5, p, 0xFFFFFFFF);
    if (n <= 0) break;
    p += n;
    x += 9;
  }
  RenderMessagePixels(t32, 40, 3, text.data(), &font, &font, true);
  return 0;
}
