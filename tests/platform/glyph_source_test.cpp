// The FreeType glyph source on the installed Japanese face: CP932 conversion, face mapping,
// metrics, glyph layouts, and a Japanese and English line rendered into a picture.
#include "platform/glyph/glyph_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dxtools/Text/font_manage.h"

namespace vt::glyph {
namespace {

TEST(GlyphSourceTest, ShiftJisConvertsAsCodePage932) {
  struct Case {
    uint32_t sjis, unicode;
  } cases[] = {
      {0x41, 0x41},      // ASCII stays
      {0x5C, 0x5C},      // the backslash stays a backslash
      {0xA6, 0xFF66},    // half-width katakana
      {0x8140, 0x3000},  // ideographic space
      {0x82A0, 0x3042},  // あ
      {0x8365, 0x30C6},  // テ
      {0x8160, 0xFF5E},  // the code page's own full-width tilde
      {0x889F, 0x4E9C},  // 亜
      {0x8540, 0},       // unassigned
      {0x81, 0},         // a lone lead byte
      {0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ShiftJisToUnicode(c.sjis), c.unicode) << std::hex << c.sjis;
}

TEST(GlyphSourceTest, GameFacesMapToTheInstalledJapaneseFaces) {
  // The proportional face for the UI face, the fixed-pitch one for the full-width face, named
  // in UTF-8 or in the game's Shift-JIS alike.
  std::string ui = ResolveFaceFile("MS UI Gothic");
  std::string fixedUtf8 =
      ResolveFaceFile("\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF");
  std::string fixedSjis = ResolveFaceFile("\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E");
  EXPECT_NE(ui.find("ipagp"), std::string::npos) << ui;
  EXPECT_FALSE(fixedUtf8.empty());
  EXPECT_NE(fixedUtf8, ui);
  EXPECT_EQ(fixedSjis, fixedUtf8);
  EXPECT_FALSE(ResolveFaceFile("No Such Face At All").empty());  // falls back to a Japanese face
}

TEST(GlyphSourceTest, GlyphsComeInBothLayoutsWithCellHeightMetrics) {
  auto source = MakeFreeTypeGlyphSource();
  for (int height : {12, 16, 22}) {
    auto face = source->OpenFace({"MS UI Gothic", height, 400, 4});
    ASSERT_TRUE(face);
    TextMetrics m = face->Metrics();
    EXPECT_EQ(m.height, height);
    EXPECT_EQ(m.ascent + m.descent, height);
    EXPECT_GT(m.ascent, m.descent);
    for (GlyphFormat fmt : {GlyphFormat::kGrey65, GlyphFormat::kMono}) {
      GlyphBitmap g;
      ASSERT_TRUE(face->Glyph(0x82A0, fmt, &g));  // あ
      EXPECT_GT(g.boxWidth, 0);
      EXPECT_LE(g.originY, m.ascent + 1);
      EXPECT_GE(g.advance, height / 2);
      int rowBytes = fmt == GlyphFormat::kMono ? MonoRowBytes(g.boxWidth) : GreyRowBytes(g.boxWidth);
      ASSERT_EQ(g.bits.size(), size_t(rowBytes) * g.boxHeight);
      int maxLevel = 0;
      for (uint8_t b : g.bits) maxLevel = std::max<int>(maxLevel, b);
      if (fmt == GlyphFormat::kGrey65) {
        EXPECT_GE(maxLevel, 48);
        EXPECT_LE(maxLevel, 64);
      } else {
        EXPECT_GT(maxLevel, 0);
      }
    }
    GlyphBitmap space;
    ASSERT_TRUE(face->Glyph(' ', GlyphFormat::kGrey65, &space));
    EXPECT_GT(space.advance, 0);
  }
}

// "テスト ABC" rendered with the real face: each character has ink inside its own cell and the
// space has none.
TEST(GlyphSourceTest, JapaneseAndEnglishLineRendersInItsCells) {
  const char* text = "\x83\x65\x83\x58\x83\x67 ABC";
  const char* prefixes[] = {"",
                            "\x83\x65",
                            "\x83\x65\x83\x58",
                            "\x83\x65\x83\x58\x83\x67",
                            "\x83\x65\x83\x58\x83\x67 ",
                            "\x83\x65\x83\x58\x83\x67 A",
                            "\x83\x65\x83\x58\x83\x67 AB",
                            "\x83\x65\x83\x58\x83\x67 ABC"};
  text::FontManageDesc desc;
  desc.SetDefaults();
  desc.height = 20;
  desc.quality = 4;
  text::CD3DXFontManage measure(desc);
  int edges[8];
  for (int i = 0; i < 8; ++i) edges[i] = text::MeasureFontString(&measure, prefixes[i], 0);

  text::RenderedText out;
  ASSERT_TRUE(text::RenderTextPixels(20, text, false, 0, &out));
  EXPECT_EQ(out.width, edges[7]);
  auto inkIn = [&](int x0, int x1) {
    int n = 0;
    for (int y = 0; y < out.target.height; ++y)
      for (int x = std::max(0, x0); x < std::min(x1, out.target.width); ++x)
        if (out.target.Get32(x, y) >> 24) ++n;
    return n;
  };
  for (int i = 0; i < 7; ++i) {
    int n = inkIn(edges[i], edges[i + 1]);
    if (i == 3)
      EXPECT_EQ(n, 0) << "the space";
    else
      EXPECT_GT(n, 8) << "character " << i;
  }
  EXPECT_EQ(inkIn(edges[7] + 2, out.target.width), 0);
}

}  // namespace
}  // namespace vt::glyph
