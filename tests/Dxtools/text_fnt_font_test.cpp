// Bitmap glyph fonts: binding (and refusing damaged files), code mapping, glyph pixels in both
// texture formats, clipping, message pictures with ruby, and the plain copy of a message.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Dxtools/Text/fnt_font.h"
#include "Dxtools/Text/fnt_writer.h"

namespace vt::text {
namespace {

// A glyph whose only ink is `value` at (px, py), or everywhere when px < 0.
FntGlyphSpec Glyph(uint32_t code, int w, int h, uint8_t value, int px = -1, int py = 0, uint8_t advance = 0) {
  FntGlyphSpec g;
  g.code = code;
  g.advance = advance;
  g.levels.assign(size_t(w) * h, px < 0 ? value : 0);
  if (px >= 0) g.levels[size_t(py) * w + px] = value;
  return g;
}

struct Picture {
  Picture(int w, int h, PixelFormat f = PixelFormat::kA8R8G8B8) : bpp(f == PixelFormat::kA8R8G8B8 ? 4 : 2) {
    // Exactly the picture's bytes, so a write past it is caught under the address sanitizer.
    bytes.assign(size_t(w) * h * bpp, 0);
    target = {bytes.data(), w * bpp, w, h, f};
  }
  uint32_t At(int x, int y) const { return bpp == 4 ? target.Get32(x, y) : target.Get16(x, y); }
  int Inked() const {
    int n = 0;
    for (int y = 0; y < target.height; ++y)
      for (int x = 0; x < target.width; ++x) n += At(x, y) != 0;
    return n;
  }
  int bpp;
  std::vector<uint8_t> bytes;
  PixelTarget target;
};

// Text in an exact-size heap buffer: a read past its terminating zero is caught.
struct ExactText {
  explicit ExactText(const char* s) : bytes(s, s + std::strlen(s) + 1) {}
  const char* c_str() const { return bytes.data(); }
  std::vector<char> bytes;
};

struct BoundFont {
  explicit BoundFont(const FntWriteSpec& layout) : image(WriteFntFont(layout)) {
    ok = BindFntFont(&font, image, "test.fnt") == 1;
  }
  std::vector<uint8_t> image;
  FntFont font;
  bool ok = false;
};

TEST(FntFontTest, WriterAndBinderAgree) {
  FntWriteSpec layout;
  layout.width = 12;
  layout.height = 10;
  layout.bitsPerPixel = 2;
  layout.exV1 = true;
  layout.glyphs = {Glyph(0x889F, 12, 10, 3, 5, 4, 9), Glyph(0xF061, 12, 10, 1, 0, 0, 7)};
  BoundFont f(layout);
  ASSERT_TRUE(f.ok);
  EXPECT_EQ(f.font.count, 2);
  EXPECT_EQ(f.font.width, 12);
  EXPECT_EQ(f.font.height, 10);
  EXPECT_EQ(f.font.pixelsPerByte, 4);
  EXPECT_EQ(f.font.bitsPerPixel, 2);
  EXPECT_EQ(IsFntMakeExV1(&f.font), 1);
  EXPECT_EQ(FntGlyphNumber(&f.font, 0x889F), 0);
  EXPECT_EQ(FntGlyphNumber(&f.font, 0xF061), 1);
  EXPECT_EQ(FntGlyphNumber(&f.font, 0x88A0), -1);
  EXPECT_EQ(GetFntGlyphWidth(&f.font, "\x88\x9F"), 9);
  EXPECT_EQ(GetFntGlyphWidth(&f.font, "A"), 7);  // "A" is "Ａ", stored at 0xF061
  EXPECT_EQ(GetFntGlyphWidth(&f.font, "\x88\xA0"), 12);
  Picture p(32, 16);
  EXPECT_EQ(DrawFntGlyphToPixels(&f.font, p.target, 1, 2, "\x88\x9F", 0xFFFFFFFF), 2);
  EXPECT_EQ(p.At(6, 6), 0xFFFFFFFFu);
  EXPECT_EQ(p.Inked(), 1);
}

TEST(FntFontTest, CodeMappingOfPlainAndVersionOneFonts) {
  // Glyph 0 is stored at "Ａ" (0x8260), glyph 1 at the private code 0xF061; each marks its own
  // column so the drawn glyph can be told apart.
  FntWriteSpec layout;
  layout.width = 8;
  layout.height = 4;
  layout.glyphs = {Glyph(0x8260, 8, 4, 1, 0), Glyph(0xF061, 8, 4, 1, 1), Glyph(0x8140, 8, 4, 1, 2),
                 Glyph(0xF040, 8, 4, 1, 3)};
  BoundFont plain(layout);
  layout.exV1 = true;
  BoundFont v1(layout);
  ASSERT_TRUE(plain.ok && v1.ok);
  EXPECT_EQ(IsFntMakeExV1(&plain.font), 0);
  struct Case {
    const FntFont* font;
    const char* text;
    int consumed;
    int column;  // -1: nothing drawn
  } cases[] = {
      {&plain.font, "\x82\x60", 2, 0},  // "Ａ"
      {&plain.font, "A", 1, 0},         // ASCII A draws "Ａ"
      {&v1.font, "\x82\x60", 2, 1},    {&v1.font, "A", 1, 1},
      {&plain.font, " ", 1, 2},       // a space draws the ideographic space
      {&v1.font, " ", 1, -1},         // version 1 skips it
      {&v1.font, "\x81\x40", 2, -1},  // and the ideographic space
      {&v1.font, "\x81\xDD", 2, -1},   {&plain.font, "\x82\x61", 2, -1},  // no glyph
      {&plain.font, "\x82", 1, -1},  // a lead byte at the end stands alone
  };
  for (const Case& c : cases) {
    Picture p(16, 8);
    ExactText t(c.text);
    EXPECT_EQ(DrawFntGlyphToPixels(c.font, p.target, 0, 0, t.c_str(), 0xFFFFFFFF), c.consumed) << c.text;
    for (int col = 0; col < 8; ++col)
      EXPECT_EQ(p.At(col, 0) != 0, col == c.column) << c.text << " column " << col;
  }
  EXPECT_EQ(MapFntCharCode(0x8260), 0xF061u);
  EXPECT_EQ(MapFntCharCode(0xFA56), 0xF047u);  // "＇" at the apostrophe's place
  EXPECT_EQ(MapFntCharCode(0x8166), 0x8166u);  // "’" is not in the version-1 table
  EXPECT_EQ(MapFntCharCode(0x8197), 0xF060u);  // "＠": its first position
  EXPECT_EQ(MapFntCharCode(0x889F), 0x889Fu);
  EXPECT_EQ(FntFullWidthCode('\''), 0x8166u);
  EXPECT_EQ(FntFullWidthCode('~'), 0x8197u);
}

struct PixelCase {
  const char* name;
  int bitsPerPixel;
  uint8_t value;
  PixelFormat format;
  uint32_t colour;
  uint32_t expect;
};

class FntPixelTest : public testing::TestWithParam<PixelCase> {};

TEST_P(FntPixelTest, LevelBecomesAlpha) {
  const PixelCase& c = GetParam();
  FntWriteSpec layout;
  layout.width = 8;
  layout.height = 2;
  layout.bitsPerPixel = c.bitsPerPixel;
  layout.glyphs = {Glyph(0x889F, 8, 2, c.value, 3, 1)};
  BoundFont f(layout);
  ASSERT_TRUE(f.ok);
  Picture p(16, 16, c.format);
  p.bytes.assign(p.bytes.size(), 0x5A);  // level 0 is not written
  DrawFntGlyphToPixels(&f.font, p.target, 0, 0, "\x88\x9F", c.colour);
  EXPECT_EQ(p.At(3, 1), c.expect);
  EXPECT_EQ(p.At(2, 1), c.format == PixelFormat::kA8R8G8B8 ? 0x5A5A5A5Au : 0x5A5Au);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, FntPixelTest,
    testing::Values(PixelCase{"OneBit", 1, 1, PixelFormat::kA8R8G8B8, 0xFFFFFFFF, 0xFFFFFFFF},
                    PixelCase{"TwoBitTwo", 2, 2, PixelFormat::kA8R8G8B8, 0xFFFFFFFF, 0xAAFFFFFF},
                    PixelCase{"TwoBitOne", 2, 1, PixelFormat::kA8R8G8B8, 0x00123456, 0x55123456},
                    PixelCase{"FourBitSeven", 4, 7, PixelFormat::kA8R8G8B8, 0xFFFFFFFF, 0x77FFFFFF},
                    PixelCase{"FourBitFifteenInto4444", 4, 15, PixelFormat::kA4R4G4B4, 0xFFFFFFFF, 0xFFFF},
                    PixelCase{"SmallChannelsRoundUpTo1", 4, 15, PixelFormat::kA4R4G4B4, 0x00108001, 0xF181},
                    PixelCase{"TwoBitOneInto4444", 2, 1, PixelFormat::kA4R4G4B4, 0x00FFFFFF, 0x5FFF}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FntFontTest, GlyphsAreClippedToTheAllocatedPicture) {
  for (int bpp : {1, 2, 4}) {
    FntWriteSpec layout;
    layout.width = 16;
    layout.height = 16;
    layout.bitsPerPixel = bpp;
    layout.glyphs = {Glyph(0x889F, 16, 16, 1)};
    BoundFont f(layout);
    ASSERT_TRUE(f.ok);
    struct Case {
      int x, y, inked;
    } cases[] = {
        {0, 0, 16 * 16},  {20, 0, 12 * 16}, {0, 24, 16 * 8}, {28, 28, 4 * 4},
        {0, -4, 16 * 12}, {40, 40, 0},      {-100, 0, 0},    {0, -100, 0},
    };
    for (const Case& c : cases) {
      Picture p(32, 32);
      DrawFntGlyphToPixels(&f.font, p.target, c.x, c.y, "\x88\x9F", 0xFFFFFFFF);
      EXPECT_EQ(p.Inked(), c.inked) << bpp << " bits at " << c.x << "," << c.y;
    }
    // Left of column 0: one-bit fonts drop pixels, deeper fonts whole bytes whose first pixel
    // lies left of 0 (kept on purpose).
    Picture p(32, 32);
    DrawFntGlyphToPixels(&f.font, p.target, -3, 0, "\x88\x9F", 0xFFFFFFFF);
    int ppb = 8 / bpp;
    int firstDrawn = bpp == 1 ? 0 : ((3 + ppb - 1) / ppb) * ppb - 3;
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(p.At(x, 0) != 0, x >= firstDrawn && x < 13) << bpp << " bits, x " << x;
  }
}

struct DamageCase {
  const char* name;
  size_t size;  // truncate to this size (0 = keep)
  int patchAt;  // byte offset to overwrite (-1 = none)
  uint8_t patch[2];
  int bound;  // expected BindFntFont result
};

class FntDamageTest : public testing::TestWithParam<DamageCase> {};

TEST_P(FntDamageTest, DamagedFontsAreRefusedOrDrawNothingOutOfRange) {
  const DamageCase& c = GetParam();
  FntWriteSpec layout;
  layout.width = 8;
  layout.height = 8;
  layout.bitsPerPixel = 1;
  layout.exV1 = true;
  layout.glyphs = {Glyph(0x889F, 8, 8, 1), Glyph(0x8260, 8, 8, 1)};
  std::vector<uint8_t> image = WriteFntFont(layout);
  if (c.size) image.resize(c.size);
  if (c.patchAt >= 0) {
    image[size_t(c.patchAt)] = c.patch[0];
    image[size_t(c.patchAt) + 1] = c.patch[1];
  }
  // Exact-size copy: reads past the image are caught.
  std::vector<uint8_t> exact(image);
  FntFont font;
  ASSERT_EQ(BindFntFont(&font, exact, "damaged.fnt"), c.bound);
  if (!c.bound) return;
  Picture p(32, 32);
  // Every code: in range or not, mapped or not, nothing is drawn from outside the image.
  for (uint32_t code : {0x0000u, 0x0041u, 0x80FFu, 0x8100u, 0x889Fu, 0x8260u, 0xF061u, 0xFFFEu, 0xFFFFu}) {
    char text[3] = {char(code >> 8), char(code & 0xFF), 0};
    if (!text[0]) text[0] = char(code), text[1] = 0;
    DrawFntGlyphToPixels(&font, p.target, 0, 0, text, 0xFFFFFFFF);
    GetFntGlyphWidth(&font, text);
  }
}

// Offsets: the code map entry of 0x889F is at 8 + (0x889F + 0x7F00 - 0x10000) x 2.
constexpr int kMap889F = 8 + (0x889F + 0x7F00 - 0x10000) * 2;
constexpr int kBitmaps = 65030;
constexpr int kExBlock = kBitmaps + 2 * 8;

INSTANTIATE_TEST_SUITE_P(
    Damage, FntDamageTest,
    testing::Values(DamageCase{"Intact", 0, -1, {0, 0}, 1}, DamageCase{"ShortHeader", 6, -1, {0, 0}, 0},
                    DamageCase{"ShortCodeMap", 40000, -1, {0, 0}, 0},
                    DamageCase{"BitmapsCutShort", kBitmaps + 12, -1, {0, 0}, 0},
                    DamageCase{"CountBeyondFile", 0, 0, {0xFF, 0x7F}, 0},
                    DamageCase{"BadDepth", 0, 6, {3, 3}, 0}, DamageCase{"ZeroDepth", 0, 6, {0, 0}, 0},
                    DamageCase{"MapEntryBeyondCount", 0, kMap889F, {0x05, 0x00}, 1},
                    DamageCase{"MapEntryAtLimit", 0, kMap889F, {0xFE, 0xFF}, 1},
                    DamageCase{"WidthTableOffsetOutside", 0, kExBlock + 20, {0xFF, 0xFF}, 1},
                    DamageCase{"ExBlockCut", kExBlock + 100, -1, {0, 0}, 1},
                    DamageCase{"ZeroSizedGlyphs", 0, 2, {0, 0}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FntFontTest, WidthTableOutsideTheFileFallsBackToTheGlyphWidth) {
  FntWriteSpec layout;
  layout.width = 8;
  layout.height = 8;
  layout.exV1 = true;
  layout.glyphs = {Glyph(0xF061, 8, 8, 1, -1, 0, 5)};
  std::vector<uint8_t> image = WriteFntFont(layout);
  image[kBitmaps + 8 + 20] = 0xFF;  // table offset far outside
  FntFont font;
  ASSERT_EQ(BindFntFont(&font, image), 1);
  EXPECT_EQ(IsFntMakeExV1(&font), 1);
  EXPECT_EQ(GetFntGlyphWidth(&font, "A"), 8);
  EXPECT_EQ(BindFntFont(&font, {}), 0);
}

// ---------------------------------------------------------------------------------------------
// Message pictures

class MessageTest : public testing::Test {
 protected:
  void SetUp() override {
    FntWriteSpec big;
    big.width = 20;
    big.height = 20;
    big.bitsPerPixel = 2;
    big.exV1 = true;
    // Each glyph inks its top-left pixel only, so positions can be read back.
    for (uint32_t code : {0x8ABFu, 0x8E9Au, 0xF061u, 0xF062u})
      big.glyphs.push_back(Glyph(code, 20, 20, 3, 0, 0, code == 0xF061 ? 11 : 0));
    bigFont = std::make_unique<BoundFont>(big);
    FntWriteSpec small;
    small.width = 8;
    small.height = 8;
    for (uint32_t code : {0x82A9u, 0x82F1u}) small.glyphs.push_back(Glyph(code, 8, 8, 1, 0, 0));
    rubyFont = std::make_unique<BoundFont>(small);
    ASSERT_TRUE(bigFont->ok && rubyFont->ok);
  }
  std::vector<std::pair<int, int>> Render(const char* text, int height, int x, bool english = false,
                                          bool ruby = true) {
    Picture p(1024, height);
    ExactText t(text);
    RenderMessagePixels(p.target, height, x, t.c_str(), &bigFont->font, ruby ? &rubyFont->font : nullptr,
                        english);
    std::vector<std::pair<int, int>> ink;
    for (int y = 0; y < height; ++y)
      for (int xx = 0; xx < 1024; ++xx)
        if (p.At(xx, y)) ink.emplace_back(xx, y);
    return ink;
  }
  std::unique_ptr<BoundFont> bigFont, rubyFont;
};

using Ink = std::vector<std::pair<int, int>>;

TEST_F(MessageTest, LinesRubyAndWidths) {
  // 漢 = 0x8ABF, 字 = 0x8E9A, か = 0x82A9, ん = 0x82F1, ■ = 0x81A1.
  struct Case {
    const char* name;
    const char* text;
    int height, x;
    bool english;
    Ink expect;
  } cases[] = {
      {"TwoGlyphs", "\x8a\xbf\x8e\x9a", 64, 100, false, {{100, 0}, {120, 0}}},
      {"NewLineMark", "\x8a\xbf\x81\xa1\x8e\x9a", 64, 100, false, {{100, 0}, {100, 20}}},
      {"StopsAtBackslash", "\x8a\xbf\\\x8e\x9a", 64, 100, false, {{100, 0}}},
      {"StartsWithBackslash", "\\\x8a\xbf", 64, 100, false, {}},
      // Ruby over the first glyph: pen = 1 x 20 + 100 - (2 x 8 + 20) / 2 = 102, 256 below.
      {"Ruby",
       "\x8a\xbf<\x82\xa9\x82\xf1>\x8e\x9a",
       512,
       100,
       false,
       {{100, 0}, {120, 0}, {102, 256}, {110, 256}}},
      {"RubyOnSecondLine", "\x81\xa1\x8a\xbf<\x82\xa9>", 512, 0, false, {{0, 20}, {6, 276}}},
      // The ruby must end above the used height: 0 + 256 + 8 < 264 fails, nothing drawn.
      {"RubyTooLow", "\x8a\xbf<\x82\xa9\x82\xf1>", 264, 100, false, {{100, 0}}},
      {"EnglishTakesTableWidths", "AA", 64, 0, true, {{0, 0}, {11, 0}}},
      {"JapaneseTakesGlyphWidth", "AA", 64, 0, false, {{0, 0}, {20, 0}}},
      {"UnclosedRubyEndsAtTheEnd", "\x8a\xbf<\x82\xa9\x82", 512, 100, false, {{100, 0}, {102, 256}}},
      {"FinalLeadByte", "\x8a\xbf\x8e", 64, 0, false, {{0, 0}}},
      // Glyphs past the right edge are clipped, never wrapped.
      {"RightEdge", "\x8a\xbf\x8a\xbf", 64, 1004, false, {{1004, 0}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Render(c.text, c.height, c.x, c.english), c.expect) << c.name;
  // Without a ruby font the reading is passed over.
  EXPECT_EQ(Render("\x8a\xbf<\x82\xa9\x82\xf1>\x8e\x9a", 512, 100, false, false), (Ink{{100, 0}, {120, 0}}));
}

TEST(StripMessageMarkupTest, Modes) {
  struct Case {
    const char* text;
    int mode;
    std::string expect;
  } cases[] = {
      {"\x8a\xbf<\x82\xa9\x82\xf1>\x8e\x9a", 0, "\x8a\xbf\x8e\x9a"},
      {"AB\x8a\xbf CD", 2, "\x8a\xbf"},                     // printable ASCII dropped
      {"\x8a\xbf\\n\x8e\x9a", 0, "\x8a\xbf"},               // backslash ends mode 0
      {"\x8a\xbf\\n\x8e\x9a", 1, "\x8a\xbf\x8e\x9a"},       // dropped otherwise (and the "n")
      {"\x8a\xbf\r\n\x8e\x9a", 0, "\x8a\xbf\r\n\x8e\x9a"},  // CR kept with the byte after it
      {"\x8a\xbf\r\n\x8e\x9a", 1, "\x8a\xbf"},              // CR ends mode 1
      {"\x8a\xbf\x81\xa1\x8e\x9a", 1, "\x8a\xbf\x8e\x9a"},  // mode 1 drops the line mark
      {"\x8a\xbf\x81\xa1\x8e\x9a", 2, "\x8a\xbf\x81\xa1\x8e\x9a"},
      {"\x8a\xbf\r", 0, "\x8a\xbf\r"},       // a final CR ends the copy
      {"\x8a\xbf\x82", 0, "\x8a\xbf"},       // a final lead byte is not copied
      {"\x8a\xbf<\x82\xa9", 0, "\x8a\xbf"},  // unclosed ruby runs to the end
  };
  for (const Case& c : cases) {
    ExactText t(c.text);
    EXPECT_EQ(StripMessageMarkup(t.c_str(), c.mode), c.expect) << c.text << " mode " << c.mode;
  }
  EXPECT_EQ(StripMessageMarkup(nullptr, 0), "");
}

TEST(StripMessageMarkupTest, CopiesAtMostTheCap) {
  std::string longText;
  for (int i = 0; i < 700; ++i) longText += "\x8a\xbf";
  std::string out = StripMessageMarkup(longText.c_str(), 0);
  EXPECT_EQ(out.size(), kMessageStripCap);
  std::string units;
  for (int i = 0; i < 511; ++i) units += "\x8a\xbf";
  EXPECT_EQ(StripMessageMarkup((units + "\r").c_str(), 0).size(), kMessageStripCap - 1);
  units += "\x8a\xbf";
  EXPECT_EQ(StripMessageMarkup((units + "\r").c_str(), 0).size(), kMessageStripCap);
}

}  // namespace
}  // namespace vt::text
