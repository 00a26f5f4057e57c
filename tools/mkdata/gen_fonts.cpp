// Sample fonts: the four bitmap glyph fonts (".fnt"), rasterised at build time from the
// installed Japanese faces, and the three system bitmap fonts: ".\_sysfont.ini" and the
// DBGFNT glyph textures (PNG) rasterised from a monospace face.
//
// The glyph fonts:
//   fontl.fnt      20 x 20, 2 bits  Japanese message text (kana, both kanji levels and the
//                                   code page's extra kanji, symbols, full-width letters)
//   fonts.fnt      12 x 12, 2 bits  ruby readings (kana and symbols)
//   font.fnt       16 x 16, 1 bit   the same set as fontl at a smaller size
//   fontl_eng.fnt  20 x 20, 4 bits  English message text: a version-1 font whose ASCII-range
//                                   glyphs are proportional letters at their private codes,
//                                   with a width table
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Dxtools/Text/fnt_font.h"
#include "Dxtools/Text/fnt_writer.h"
#include "canvas.h"
#include "glyph_cell.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"

namespace {

using vt::glyph::GlyphFace;
using vt::text::FntGlyphSpec;
using vt::text::FntWriteSpec;

const char* kFixedFace =
    "\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";  // ＭＳ ゴシック

// The Shift-JIS codes of the sample sets.
std::vector<uint32_t> Codes(bool kanji) {
  std::vector<uint32_t> codes;
  auto addRow = [&](uint32_t lead) {
    for (uint32_t t = 0x40; t <= 0xFC; ++t)
      if (t != 0x7F) codes.push_back((lead << 8) | t);
  };
  for (uint32_t lead = 0x81; lead <= 0x84; ++lead) addRow(lead);  // symbols, letters, kana
  addRow(0x87);                                                   // circled numbers and units
  if (kanji) {
    // Both kanji levels and the code page's extra kanji, so any sample text finds its glyphs.
    for (uint32_t lead = 0x88; lead <= 0x9F; ++lead) addRow(lead);
    for (uint32_t lead = 0xE0; lead <= 0xEA; ++lead) addRow(lead);
    for (uint32_t lead = 0xFA; lead <= 0xFC; ++lead) addRow(lead);
  }
  std::vector<uint32_t> mapped;
  for (uint32_t c : codes)
    if (vt::glyph::ShiftJisToUnicode(c) != 0) mapped.push_back(c);
  return mapped;
}

bool WriteGlyphFont(const std::filesystem::path& root, const char* file, int size, int bits, bool kanji) {
  auto face = vt::glyph::CurrentGlyphSource().OpenFace({kFixedFace, size, 400, 4});
  if (!face) return false;
  FntWriteSpec layout;
  layout.width = size;
  layout.height = size;
  layout.bitsPerPixel = bits;
  for (uint32_t code : Codes(kanji)) {
    FntGlyphSpec g;
    g.code = code;
    if (mkdata::RenderGlyphCell(*face, code, size, size, 1 << bits, 0, &g.levels) < 0) continue;
    layout.glyphs.push_back(std::move(g));
  }
  std::vector<uint8_t> image = vt::text::WriteFntFont(layout);
  return !image.empty() && mkdata::WriteBytes(root, file, image.data(), image.size());
}

bool WriteEnglishFont(const std::filesystem::path& root) {
  const int size = 20;
  auto fixed = vt::glyph::CurrentGlyphSource().OpenFace({kFixedFace, size, 400, 4});
  auto prop = vt::glyph::CurrentGlyphSource().OpenFace({"MS UI Gothic", size, 400, 4});
  if (!fixed || !prop) return false;
  FntWriteSpec layout;
  layout.width = size;
  layout.height = size;
  layout.bitsPerPixel = 4;
  layout.exV1 = true;
  // ASCII-range characters: the proportional letter at the private code of its full-width form,
  // one pixel in from the left and one pixel of spacing after it.
  for (int ascii = 0x21; ascii <= 0x7E; ++ascii) {
    FntGlyphSpec g;
    g.code = vt::text::MapFntCharCode(vt::text::FntFullWidthCode(static_cast<uint8_t>(ascii)));
    int advance = mkdata::RenderGlyphCell(*prop, static_cast<uint32_t>(ascii), size, size, 16, 1, &g.levels);
    if (advance < 0) continue;
    g.advance = static_cast<uint8_t>(std::min(size, advance + 2));
    layout.glyphs.push_back(std::move(g));
  }
  FntGlyphSpec space;  // the space advances but draws nothing
  space.code = vt::text::MapFntCharCode(0x8140);
  space.levels.assign(size_t(size) * size, 0);
  space.advance = 7;
  layout.glyphs.push_back(space);
  for (uint32_t code : Codes(false)) {
    uint32_t stored = vt::text::MapFntCharCode(code);
    if (stored != code || code == 0x8140) continue;  // the ASCII range is done above
    FntGlyphSpec g;
    g.code = code;
    int advance = mkdata::RenderGlyphCell(*fixed, code, size, size, 16, 0, &g.levels);
    if (advance < 0) continue;
    g.advance = static_cast<uint8_t>(std::min(size, advance));
    layout.glyphs.push_back(std::move(g));
  }
  std::vector<uint8_t> image = vt::text::WriteFntFont(layout);
  return !image.empty() && mkdata::WriteBytes(root, "fontl_eng.fnt", image.data(), image.size());
}

bool WriteGlyphFonts(const std::filesystem::path& root) {
  return WriteGlyphFont(root, "fontl.fnt", 20, 2, true) && WriteGlyphFont(root, "fonts.fnt", 12, 2, false) &&
         WriteGlyphFont(root, "font.fnt", 16, 1, true) && WriteEnglishFont(root);
}
MKDATA_STEP("30_glyph_fonts", WriteGlyphFonts);

// ---------------------------------------------------------------------------------------------
// System fonts: cells of 16 x 24, 16 per row, characters 0x20..0x7F (six rows); white glyphs
// with their coverage in alpha. Font 0 plain, font 1 bold (menus), font 2 plain (outlined text).

bool WriteSystemFonts(const std::filesystem::path& root) {
  const int cw = 16, ch = 24, perRow = 16, rows = 6;
  const int tw = cw * perRow, th = ch * rows;
  std::string ini;
  for (int font = 0; font < 3; ++font) {
    auto face = vt::glyph::CurrentGlyphSource().OpenFace({"monospace", 22, font == 1 ? 700 : 400, 4});
    if (!face) return false;
    mkdata::Canvas sheet(tw, th);
    int widths[128] = {};
    for (int c = 0x20; c < 0x80; ++c) {
      int k = c - 32;
      std::vector<uint8_t> cell;
      int advance = mkdata::RenderGlyphCell(*face, static_cast<uint32_t>(c), cw, ch, 256, 1, &cell);
      if (advance < 0) continue;
      widths[c] = std::min(cw, advance + 1);
      for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
          const uint32_t a = cell[size_t(y) * cw + x];
          sheet.SetArgb((k % perRow) * cw + x, (k / perRow) * ch + y, a << 24 | 0xFFFFFFu);
        }
    }
    char name[64];
    std::snprintf(name, sizeof(name), "grp/system/DBGFNT%02d.png", font);
    if (!sheet.Save(root, name)) return false;

    char line[256];
    std::snprintf(line, sizeof(line), "[DATA%02d]\r\n", font);
    ini += line;
    std::snprintf(
        line, sizeof(line),
        "TexWidth = %d\r\nTexHeight = %d\r\nFontWidth = %d\r\nFontHeight = %d\r\nFontWidthNum = %d\r\n"
        "FontStartU = 0\r\nFontStartV = 0\r\n",
        tw, th, cw, ch, perRow);
    ini += line;
    std::snprintf(line, sizeof(line), "Default = %d\r\n", widths[' '] ? widths[' '] : 10);
    ini += line;
    for (int c = 0x20; c < 0x7F; ++c) {
      if (!widths[c]) continue;
      // Written for every character; the reader's key for "=" ends at the "=", so that line
      // never matches and "=" takes the Default width.
      std::snprintf(line, sizeof(line), "<%c>=%d\r\n", c, widths[c]);
      ini += line;
    }
    ini += "\r\n";
  }
  return mkdata::WriteText(root, "_sysfont.ini", ini);
}
MKDATA_STEP("30_system_fonts", WriteSystemFonts);

}  // namespace
