// Fuzz target for message pictures and their plain copies: the input is the message text
// (drawn with fixed fonts of every depth, with and without ruby, in both widths modes) after
// two bytes that choose the left margin and the used height.
#include <cstdint>
#include <string>
#include <vector>

#include "Dxtools/Text/fnt_font.h"
#include "Dxtools/Text/fnt_writer.h"
#include "app/lib_debug.h"

using namespace vt::text;

namespace {

struct Fonts {
  std::vector<uint8_t> images[3];
  FntFont fonts[3];
  Fonts() {
    const uint32_t codes[] = {0x8ABF, 0x8E9A, 0x82A9, 0x82F1, 0x8260, 0xF061, 0x8140, 0x81A1, 0x0D0A, 0xF040};
    for (int i = 0; i < 3; ++i) {
      FntWriteSpec layout;
      layout.bitsPerPixel = 1 << i;
      layout.width = 12 + 4 * i;
      layout.height = 10 + 6 * i;
      layout.exV1 = i != 1;
      for (uint32_t c : codes) {
        FntGlyphSpec g;
        g.code = c;
        g.advance = static_cast<uint8_t>(c & 15);
        g.levels.assign(size_t(layout.width) * layout.height, static_cast<uint8_t>(c));
        layout.glyphs.push_back(g);
      }
      images[i] = WriteFntFont(layout);
      BindFntFont(&fonts[i], images[i], "fuzz");
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  static Fonts fonts;
  if (size < 2) return 0;
  int x = static_cast<int8_t>(data[0]) * 9;
  int height = 16 + (data[1] % 64) * 8;
  std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
  text = text.c_str();  // up to the first zero, like the game's strings
  int allocated = 16;
  while (allocated < height) allocated <<= 1;
  std::vector<uint8_t> argb(size_t(1024) * allocated * 4);
  std::vector<uint8_t> a4(size_t(1024) * allocated * 2);
  PixelTarget t32{argb.data(), 1024 * 4, 1024, allocated, PixelFormat::kA8R8G8B8};
  PixelTarget t16{a4.data(), 1024 * 2, 1024, allocated, PixelFormat::kA4R4G4B4};
  for (int i = 0; i < 3; ++i) {
    RenderMessagePixels(t32, height, x, text.c_str(), &fonts.fonts[i], &fonts.fonts[(i + 1) % 3], i == 0);
    RenderMessagePixels(t16, height, x, text.c_str(), &fonts.fonts[i], nullptr, i != 0);
  }
  for (int mode = 0; mode < 4; ++mode) {
    std::string plain = StripMessageMarkup(text.c_str(), mode);
    if (plain.size() > kMessageStripCap) __builtin_trap();
  }
  return 0;
}
