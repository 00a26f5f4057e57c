// Fuzz target for system-font text: the input's first byte picks the glyph width, the rest is
// the text (up to its first zero), laid out, measured and outlined in fonts with odd cells.
#include <cstdint>
#include <string>

#include "Dxtools/Text/system_font.h"
#include "app/lib_debug.h"

using namespace vt::text;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  static const bool ready = [] {
    SetSysFontSpriteSink([](const SysGlyphSprite& s) {
      if (s.sw < 0 || s.sh < 0) __builtin_trap();
    });
    const char* cells[3][3] = {{"8", "12", "16"}, {"0", "24", "3"}, {"16", "24", "0"}};
    for (int i = 0; i < 3; ++i)
      FillSystemFont(&g_SystemFonts[i], [&](const char* key) -> const char* {
        std::string k = key;
        if (k == "FontWidth") return cells[i][0];
        if (k == "FontHeight") return cells[i][1];
        if (k == "FontWidthNum") return cells[i][2];
        if (k == "<0>") return "7";
        return nullptr;
      });
    return true;
  }();
  (void)ready;
  if (size == 0) return 0;
  int glyphWidth = static_cast<int8_t>(data[0]);
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.c_str();
  for (int font = 0; font < 3; ++font)
    DrawSysFontText(3, 4, text.c_str(), 255, 255, 0, font, glyphWidth, 12, font == 1 ? 11 : 0, font == 1);
  MeasureSysFontText(text.c_str(), glyphWidth);
  DrawOutlinedText(320, 20, text.c_str(), 255, 255, glyphWidth, 12, 1, 0);
  return 0;
}
