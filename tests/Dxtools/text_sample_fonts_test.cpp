// The sample game folder's glyph fonts: each binds, has the depth it is meant to have, covers
// the characters the sample texts use, and renders Japanese and English messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/Text/fnt_font.h"
#include "support/test_util.h"

namespace vt::text {
namespace {

struct SampleFont {
  explicit SampleFont(const char* name) {
    std::string bytes = vt::test::ReadFile(std::filesystem::path(VT_SAMPLE_DIR) / name);
    image.assign(bytes.begin(), bytes.end());
    ok = BindFntFont(&font, image, name) == 1;
  }
  std::vector<uint8_t> image;
  FntFont font;
  bool ok = false;
};

TEST(SampleFontsTest, DepthsVersionsAndCoverage) {
  struct Case {
    const char* file;
    int size, bits;
    bool v1, kanji;
  } cases[] = {
      {"fontl.fnt", 20, 2, false, true},
      {"fonts.fnt", 12, 2, false, false},
      {"font.fnt", 16, 1, false, true},
      {"fontl_eng.fnt", 20, 4, true, false},
  };
  for (const Case& c : cases) {
    SampleFont f(c.file);
    ASSERT_TRUE(f.ok) << c.file;
    EXPECT_EQ(f.font.width, c.size) << c.file;
    EXPECT_EQ(f.font.height, c.size) << c.file;
    EXPECT_EQ(f.font.bitsPerPixel, c.bits) << c.file;
    EXPECT_EQ(IsFntMakeExV1(&f.font), c.v1 ? 1 : 0) << c.file;
    // あ, ン, Ａ (at its private code in the version-1 font), 漢
    EXPECT_GE(FntGlyphNumber(&f.font, 0x82A0), 0) << c.file;
    EXPECT_GE(FntGlyphNumber(&f.font, 0x8393), 0) << c.file;
    EXPECT_GE(FntGlyphNumber(&f.font, c.v1 ? 0xF061 : 0x8260), 0) << c.file;
    EXPECT_EQ(FntGlyphNumber(&f.font, 0x8ABF) >= 0, c.kanji) << c.file;
    EXPECT_EQ(FntGlyphNumber(&f.font, 0x989F) >= 0, c.kanji) << c.file;  // a level-2 kanji
  }
}

TEST(SampleFontsTest, EnglishFontIsProportional) {
  SampleFont f("fontl_eng.fnt");
  ASSERT_TRUE(f.ok);
  int i = GetFntGlyphWidth(&f.font, "i"), m = GetFntGlyphWidth(&f.font, "M");
  EXPECT_GT(i, 0);
  EXPECT_LT(i, m);
  EXPECT_LE(m, 20);
  EXPECT_GT(GetFntGlyphWidth(&f.font, " "), 0);
}

TEST(SampleFontsTest, MessagesRenderWithRuby) {
  SampleFont large("fontl.fnt"), ruby("fonts.fnt"), eng("fontl_eng.fnt");
  ASSERT_TRUE(large.ok && ruby.ok && eng.ok);
  std::vector<uint8_t> bytes(size_t(1024) * 512 * 4);
  PixelTarget t{bytes.data(), 1024 * 4, 1024, 512, PixelFormat::kA8R8G8B8};
  auto inkIn = [&](int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += (t.Get32(x, y) >> 24) != 0;
    return n;
  };
  // 漢字<かんじ>■テスト: two kanji on line 0 with their reading 256 below, three kana on line 1.
  RenderMessagePixels(t, 512, 32,
                      "\x8a\xbf\x8e\x9a<\x82\xa9\x82\xf1\x82\xb6>\x81\xa1\x83\x65\x83\x58\x83\x67",
                      &large.font, &ruby.font, false);
  EXPECT_GT(inkIn(32, 0, 52, 20), 20);
  EXPECT_GT(inkIn(52, 0, 72, 20), 20);
  EXPECT_EQ(inkIn(72, 0, 1024, 20), 0);
  EXPECT_GT(inkIn(32, 20, 92, 40), 40);
  EXPECT_GT(inkIn(0, 256, 1024, 268), 30);  // the reading
  std::fill(bytes.begin(), bytes.end(), 0);
  RenderMessagePixels(t, 512, 0, "Hello, world", &eng.font, nullptr, true);
  int width = 0;
  for (const char* p = "Hello, world"; *p; ++p) width += GetFntGlyphWidth(&eng.font, p);
  EXPECT_LT(width, 12 * 20);
  EXPECT_GT(inkIn(0, 0, width, 20), 60);
  EXPECT_EQ(inkIn(width + 1, 0, 1024, 20), 0);
}

}  // namespace
}  // namespace vt::text
