// The story text layout into its picture: main text in the upper half, readings centred over the
// character before them in the lower half, each clipped to its half, and English glyph widths.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Dxtools/Text/fnt_font.h"
#include "Dxtools/Text/fnt_writer.h"
#include "scene/story_draw.h"

namespace {

using vt::text::FntFont;
using vt::text::PixelFormat;
using vt::text::PixelTarget;

constexpr uint32_t kA = 0x82A0;  // main-text glyph
constexpr uint32_t kI = 0x82A2;  // reading glyph

struct Font {
  std::vector<uint8_t> image;
  FntFont font;
  Font(int size, bool exV1, uint8_t advance) {
    vt::text::FntWriteSpec layout;
    layout.width = layout.height = size;
    layout.exV1 = exV1;
    layout.bitsPerPixel = 4;  // two pixels a byte: the 10- and 20-pixel rows fill whole bytes
    for (uint32_t code : {kA, kI}) {
      vt::text::FntGlyphSpec g;
      g.code = code;
      g.advance = advance;
      g.levels.assign(static_cast<size_t>(size) * size, 15);
      layout.glyphs.push_back(g);
    }
    image = vt::text::WriteFntFont(layout);
    EXPECT_EQ(vt::text::BindFntFont(&font, image, "test"), 1);
  }
};

struct Picture {
  std::vector<uint32_t> px = std::vector<uint32_t>(1024 * 512, 0);
  PixelTarget target{reinterpret_cast<uint8_t*>(px.data()), 1024 * 4, 1024, 512, PixelFormat::kA8R8G8B8};
  bool Set(int x, int y) const { return px[static_cast<size_t>(y) * 1024 + x] != 0; }
  // The set pixels' bounding box within rows y0..y1: {minX, minY, maxX, maxY}, or all -1.
  std::vector<int> Box(int y0, int y1) const {
    std::vector<int> b = {-1, -1, -1, -1};
    for (int y = y0; y <= y1; ++y)
      for (int x = 0; x < 1024; ++x)
        if (Set(x, y)) {
          if (b[0] < 0 || x < b[0]) b[0] = x;
          if (b[1] < 0) b[1] = y;
          b[2] = std::max(b[2], x);
          b[3] = y;
        }
    return b;
  }
};

class StoryText : public ::testing::Test {
 protected:
  void SetUp() override { GetStoryFontMetrics() = StoryFontMetrics{}; }
  void TearDown() override { GetStoryFontMetrics() = StoryFontMetrics{}; }
  Font main_{20, false, 0};
  Font reading_{10, false, 0};
};

std::string A(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "\x82\xa0";
  return s;
}

TEST_F(StoryText, MainTextAndReadingPlacement) {
  struct Row {
    const char* name;
    std::string text;
    std::vector<int> upper, lower;
    int width;
  } rows[] = {
      {"one character", A(1), {32, 0, 51, 19}, {-1, -1, -1, -1}, 20},
      // Advance 17: the reading of one 10-pixel unit after the second character starts at
      // 17 x 2 - (10 + 17) / 2 + 32 = 53.
      {"reading over the second", A(2) + "<\x82\xa2>", {32, 0, 71, 19}, {53, 256, 62, 265}, 40},
      {"second line", A(1) + "\r\n" + A(1), {32, 0, 51, 39}, {-1, -1, -1, -1}, 20},
      {"stops at the backslash", A(1) + "\\" + A(3), {32, 0, 51, 19}, {-1, -1, -1, -1}, 20},
      {"a final lead byte ends it", A(1) + "\x82", {32, 0, 51, 19}, {-1, -1, -1, -1}, 20},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Picture p;
    EXPECT_EQ(RenderStoryTextPixels(p.target, row.text, &main_.font, &reading_.font), row.width);
    EXPECT_EQ(p.Box(0, 255), row.upper);
    EXPECT_EQ(p.Box(256, 511), row.lower);
  }
}

TEST_F(StoryText, MainTextNeverRunsIntoTheReadingHalfNorReadingsPastTheirs) {
  std::string many;
  for (int line = 0; line < 30; ++line) many += A(3) + "<\x82\xa2>\r\n";
  Picture p;
  RenderStoryTextPixels(p.target, many, &main_.font, &reading_.font);
  // Rows 256.. hold only readings: 10-pixel glyphs at each 20-pixel line start.
  for (int y = 256; y < 512; ++y) {
    const int line = (y - 256) / 20;
    const int inLine = (y - 256) % 20;
    bool any = false;
    for (int x = 0; x < 1024; ++x) any = any || p.Set(x, y);
    EXPECT_EQ(any, inLine < 10) << "row " << y << " of line " << line;
  }
}

TEST_F(StoryText, ALongLineIsClippedAtThePictureEdgeAndReadingsStopAtOneHundredUnits) {
  Picture p;
  std::string reading = A(1) + "<";
  for (int i = 0; i < 150; ++i) reading += "\x82\xa2";
  reading += ">" + A(60);
  const int width = RenderStoryTextPixels(p.target, reading, &main_.font, &reading_.font);
  EXPECT_EQ(width, 61 * 20);
  const std::vector<int> lower = p.Box(256, 511);
  // One hundred 10-pixel units from 17 - (1000 + 17) / 2 + 32 = -459: the last ends at 540.
  EXPECT_EQ(lower[2], -459 + 1000 - 1);
  EXPECT_EQ(p.Box(0, 255)[2], 1023);
}

TEST_F(StoryText, EnglishPensAdvanceByTheGlyphWidths) {
  Font english(20, true, 12);
  GetStoryFontMetrics().english = true;
  Picture p;
  EXPECT_EQ(RenderStoryTextPixels(p.target, A(3), &english.font, &reading_.font), 36);
}

}  // namespace
