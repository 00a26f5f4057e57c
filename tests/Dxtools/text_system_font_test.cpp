// System bitmap fonts: glyph cells, advances and truncation, the spacing tag, fixed cells,
// outlined text and the refusals when fonts are missing.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Dxtools/Text/system_font.h"

namespace vt::text {
namespace {

class SystemFontTest : public testing::Test {
 protected:
  void SetUp() override {
    SetSysFontSpriteSink([this](const SysGlyphSprite& s) { sprites.push_back(s); });
    // Font 0 and 2: cells 8 x 12, 16 per row; widths A 10, B 6, space 4, "0" 7, default 9.
    std::map<std::string, std::string> keys = {
        {"TexWidth", "128"},    {"TexHeight", "96"}, {"FontWidth", "8"}, {"FontHeight", "12"},
        {"FontWidthNum", "16"}, {"Default", "9"},    {"<A>", "10"},      {"<B>", "6"},
        {"< >", "4"},           {"<0>", "7"},
    };
    for (int i : {0, 2}) {
      g_SystemFonts[i] = SystemFont{};
      FillSystemFont(&g_SystemFonts[i], [&](const char* key) -> const char* {
        auto it = keys.find(key);
        return it == keys.end() ? nullptr : it->second.c_str();
      });
    }
    g_SystemFonts[1] = SystemFont{};  // not loaded
  }
  void TearDown() override {
    SetSysFontSpriteSink(nullptr);
    for (SystemFont& f : g_SystemFonts) f = SystemFont{};
  }
  std::vector<int> Xs() const {
    std::vector<int> xs;
    for (const auto& s : sprites) xs.push_back(s.x);
    return xs;
  }
  std::vector<SysGlyphSprite> sprites;
};

TEST_F(SystemFontTest, MissingKeysTakeTheirDefaults) {
  SystemFont f;
  FillSystemFont(&f, [](const char*) -> const char* { return nullptr; });
  EXPECT_EQ(f.FontWidthNum, 1);
  EXPECT_EQ(f.defaultWidth, 16);
  EXPECT_EQ(f.Width('x'), 16);
  EXPECT_EQ(f.FontWidth, 0);
  EXPECT_EQ(g_SystemFonts[0].Width('A'), 10);
  EXPECT_EQ(g_SystemFonts[0].Width('C'), 9);
  // Out-of-range numbers are cut down, so scaled advances cannot overflow.
  FillSystemFont(&f, [](const char* key) -> const char* {
    return std::strcmp(key, "FontWidth") == 0 ? "1" : "99999999999";
  });
  EXPECT_EQ(f.Width('A'), 8192);
  g_SystemFonts[0] = f;
  EXPECT_EQ(DrawSysFontText(0, 0, "AA\x81KSA:A99]A", 255, 255, 0, 0, 1000, 24, 0, 0), 1);
}

TEST_F(SystemFontTest, GlyphComesFromItsCell) {
  ASSERT_EQ(DrawSysFontText(5, 7, "A~", 200, 100, 3, 0, -1, -1, 0, 0), 1);
  ASSERT_EQ(sprites.size(), 2u);
  const SysGlyphSprite& a = sprites[0];
  EXPECT_EQ(a.sx, 8);  // code 65, cell 33: column 1, row 2
  EXPECT_EQ(a.sy, 24);
  EXPECT_EQ(a.sw, 8);
  EXPECT_EQ(a.sh, 12);
  EXPECT_EQ(a.x, 5);
  EXPECT_EQ(a.y, 7);
  EXPECT_EQ(a.w, 8);
  EXPECT_EQ(a.h, 12);
  EXPECT_EQ(a.colour, 0x64C8C8C8u);
  EXPECT_EQ(a.priority, 3 + 256);
  EXPECT_EQ(sprites[1].sx, (94 % 16) * 8);
  EXPECT_EQ(sprites[1].sy, (94 / 16) * 12);
}

struct AdvanceCase {
  const char* name;
  const char* text;
  int glyphWidth;
  std::vector<int> xs;  // x of every queued glyph, pen from 0
  int measured;
};

class SysAdvanceTest : public SystemFontTest, public testing::WithParamInterface<AdvanceCase> {};

TEST_P(SysAdvanceTest, PenAdvances) {
  const AdvanceCase& c = GetParam();
  std::vector<char> exact(c.text, c.text + std::strlen(c.text) + 1);  // reads past it are caught
  ASSERT_EQ(DrawSysFontText(0, 0, exact.data(), 255, 255, 0, 0, c.glyphWidth, 12, 0, 0), 1);
  EXPECT_EQ(Xs(), c.xs);
  EXPECT_EQ(MeasureSysFontText(exact.data(), c.glyphWidth), c.measured);
}

INSTANTIATE_TEST_SUITE_P(
    Advances, SysAdvanceTest,
    testing::Values(AdvanceCase{"SpaceBetween", "A B", 8, {0, 14}, 20},
                    // Glyph width 7 on 8-pixel cells: 10 x 0.875 = 8.75 -> 8, 4 x 0.875 -> 3, 6 x 0.875 -> 5.
                    AdvanceCase{"ScaledAndTruncated", "A B", 7, {0, 11}, 16},
                    // Other high bytes and control bytes take the default width, unscaled.
                    AdvanceCase{"HighAndControlBytes", "A\xE0\tB", 7, {0, 26}, 31},
                    AdvanceCase{"SpacingTag", "A\x81KSA:003]B", 8, {0, 31}, 37},
                    AdvanceCase{"SpacingTagScaled", "\x81KSA:A02]B", 4, {10}, 13},
                    AdvanceCase{"MalformedTagEnds", "A\x81KSB:003]B", 8, {0}, 10},
                    AdvanceCase{"BadDigitEnds", "A\x81KSA:0x3]B", 8, {0}, 10},
                    AdvanceCase{"TagCutByTheEnd", "A\x81KSA:0", 8, {0}, 10},
                    AdvanceCase{"TagLeadAtTheEnd", "A\x81", 8, {0}, 19},
                    AdvanceCase{"LeadWithoutK", "\x81@", 8, {9}, 18}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SystemFontTest, FixedCellsCentreEachGlyph) {
  // Cell 11 (fixed advance), glyph 14 wide: A advances 10 x 1.75 = 17 -> drawn at (11 - 17) / 2.
  ASSERT_EQ(DrawSysFontText(100, 0, "AB A", 255, 255, 0, 0, 14, 24, 11, 1), 1);
  EXPECT_EQ(Xs(), (std::vector<int>{100 + (11 - 17) / 2, 111 + (11 - 10) / 2, 133 + (11 - 17) / 2}));
  sprites.clear();
  // Fixed advance 0: the cell is the glyph width.
  DrawSysFontText(0, 0, "BB", 255, 255, 0, 0, 16, 24, 0, 1);
  EXPECT_EQ(Xs(), (std::vector<int>{(16 - 12) / 2, 16 + (16 - 12) / 2}));
}

TEST_F(SystemFontTest, ZeroCellWidthDrawsAtScaleOne) {
  g_SystemFonts[0].FontWidth = 0;
  ASSERT_EQ(DrawSysFontText(0, 0, "AB", 255, 255, 0, 0, 14, 24, 0, 0), 1);
  EXPECT_EQ(Xs(), (std::vector<int>{0, 10}));
}

TEST_F(SystemFontTest, OutlinedTextDrawsFiveCopiesInOrder) {
  g_SystemFonts[2].widths['4' - 1] = 4;
  const char* text = "AAB0 4";  // 10 + 10 + 6 + 7 + 4 + 4 = 41
  ASSERT_EQ(MeasureSysFontText(text, 8), 41);
  ASSERT_EQ(DrawOutlinedText(200, 50, text, 180, 90, 8, 12, 1, 10), 1);
  ASSERT_EQ(sprites.size(), 25u);  // five glyphs (the space draws nothing), five copies
  struct Copy {
    int dx, dy;
    uint32_t colour;
  } copies[] = {
      {0, 0, 0x5AB4B4B4}, {1, 0, 0x5A000000}, {-1, 0, 0x5A000000}, {0, 1, 0x5A000000}, {0, -1, 0x5A000000}};
  for (int k = 0; k < 5; ++k) {
    const SysGlyphSprite& first = sprites[size_t(k) * 5];
    EXPECT_EQ(first.x, 180 + copies[k].dx) << k;  // 200 - 41 / 2
    EXPECT_EQ(first.y, 50 + copies[k].dy) << k;
    EXPECT_EQ(first.colour, copies[k].colour) << k;
    EXPECT_EQ(first.priority, 266);
  }
  sprites.clear();
  DrawOutlinedText(200, 50, text, 255, 255, 8, 12, 2, 10);
  EXPECT_EQ(sprites[0].x, 159);
  sprites.clear();
  DrawOutlinedText(200, 50, text, 255, 255, 8, 12, 0, 10);
  EXPECT_EQ(sprites[0].x, 200);
}

TEST_F(SystemFontTest, MissingFontsDrawNothing) {
  EXPECT_EQ(DrawSysFontText(0, 0, "A", 255, 255, 0, 1, 8, 12, 0, 0), 0);  // font 1 not loaded
  EXPECT_EQ(DrawSysFontText(0, 0, nullptr, 255, 255, 0, 0, 8, 12, 0, 0), 0);
  EXPECT_EQ(DrawSysFontText(0, 0, "A", 255, 255, 0, 3, 8, 12, 0, 0), 0);
  EXPECT_EQ(DrawSysFontText(0, 0, "A", 255, 255, 0, -1, 8, 12, 0, 0), 0);
  g_SystemFonts[0].FontWidthNum = 0;
  EXPECT_EQ(DrawSmallText(0, 0, "A"), 0);
  EXPECT_TRUE(sprites.empty());
}

TEST(SpacingTagTest, Halves) {
  const char* t = "\x81KSA:Z12]";
  uint8_t c = 0;
  int n = 0;
  EXPECT_EQ(ParseSaTag(t, 2, 9), 1);
  EXPECT_EQ(ParseSaTag(t, 2, 4), 0);  // runs past the length
  EXPECT_EQ(ParseSaTag(t, 1, 9), 0);
  EXPECT_EQ(ParseIndexTag(t, 5, 9, &c, &n), 1);
  EXPECT_EQ(c, 'Z');
  EXPECT_EQ(n, 12);
  EXPECT_EQ(ParseIndexTag(t, 5, 8, &c, &n), 0);
  EXPECT_EQ(ParseIndexTag("\x81KSA:Z1]]", 5, 9, &c, &n), 0);
  EXPECT_EQ(MakeSpacingTag('0', 3), "\x81KSA:003]");
  EXPECT_EQ(MakeSpacingTag('A', 123), "\x81KSA:A99]");
}

TEST_F(SystemFontTest, WrittenSpacingTagAdvancesByItsCount) {
  for (int n : {0, 1, 7, 42}) {
    std::string text = "A" + MakeSpacingTag('0', n) + "B";
    EXPECT_EQ(MeasureSysFontText(text.c_str(), 8), 10 + 7 * n + 6) << n;
  }
}

}  // namespace
}  // namespace vt::text
