// Writer of bitmap glyph fonts (".fnt"), the counterpart of `BindFntFont`: the sample data and
// the tests build their fonts with it.
#pragma once

#include <cstdint>
#include <vector>

namespace vt::text {

struct FntGlyphSpec {
  uint32_t code = 0;            // Shift-JIS code the glyph is drawn for
  std::vector<uint8_t> levels;  // width x height pixel values, 0 .. 2^bits - 1, row by row
  uint8_t advance = 0;          // width-table byte (version-1 fonts); 0 = the glyph width
};

struct FntWriteSpec {
  int width = 16;
  int height = 16;
  int bitsPerPixel = 1;  // 1, 2 or 4
  // Adds the "FNT MAKE EX" version-1 block with a width table. Such fonts keep the glyphs of
  // the ASCII-range full-width characters at their private codes (`MapFntCharCode`): the
  // caller gives the codes as they are stored.
  bool exV1 = false;
  std::vector<FntGlyphSpec> glyphs;
};

// The file image; empty when the font cannot be written (bad depth, size or code).
std::vector<uint8_t> WriteFntFont(const FntWriteSpec& layout);

}  // namespace vt::text
