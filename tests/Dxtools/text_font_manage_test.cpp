// Glyph text into pictures with a fake glyph source: colour ramp, escapes, new lines, centring,
// clipping on every edge and strings that end inside a character.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Dxtools/Text/font_manage.h"
#include "platform/glyph/glyph_source.h"

namespace vt::text {
namespace {

using glyph::FakeGlyphSource;

class FontManageTest : public testing::Test {
 protected:
  // Ascent 12, cell height 16; default glyph: 8 x 12 box at origin (0, 12), i.e. its top-left
  // lands on (x, y); advance 10.
  FakeGlyphSource fake{{12, 4, 16}, {}};
  void SetUp() override { glyph::SetGlyphSource(&fake); }
  void TearDown() override { glyph::SetGlyphSource(nullptr); }

  // A manager drawing into a w x h picture prefilled with `fill`; quality 4 = grey glyphs.
  void Make(int w, int h, int quality = 4, uint32_t fill = 0) {
    FontManageDesc desc;
    desc.SetDefaults();
    desc.quality = static_cast<uint8_t>(quality);
    manager = std::make_unique<CD3DXFontManage>(desc);
    width = w;
    height = h;
    pixels.assign(size_t(w) * h, fill);
    manager->SetTargetPixels(
        {reinterpret_cast<uint8_t*>(pixels.data()), w * 4, w, h, PixelFormat::kA8R8G8B8});
  }
  void Draw(int x, int y, const char* text, uint32_t colour = 0xFFFFFFFF, uint32_t flags = 0, int raw = 0) {
    manager->BeginDraw();
    DrawStringArgs a;
    a.x = x;
    a.y = y;
    a.text = text;
    a.colour = colour;
    a.flags = flags;
    a.raw = raw;
    manager->DrawString(a);
    manager->EndDraw();
  }
  uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
  // Leftmost and topmost pixel with nonzero alpha, or (-1, -1).
  std::pair<int, int> FirstInk() const {
    int bx = -1, by = -1;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (At(x, y) >> 24) {
          if (bx < 0 || x < bx) bx = x;
          if (by < 0 || y < by) by = y;
        }
    return {bx, by};
  }

  std::unique_ptr<CD3DXFontManage> manager;
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
};

TEST_F(FontManageTest, HalfAlphaColourGivesRampOfEvenSteps) {
  FakeGlyphSource::Box ramp;
  ramp.width = 65;
  ramp.height = 1;
  ramp.level = -1;  // pixel i has level i
  fake.SetBox('A', ramp);
  Make(128, 16);
  Draw(0, 0, "A", 0x80FFFFFF);
  for (int i = 0; i <= 64; ++i) {
    EXPECT_EQ(manager->Writer().ramp[i], 2 * i) << i;
    EXPECT_EQ(At(i, 0), (uint32_t(2 * i) << 24) | 0xFFFFFF) << i;
  }
}

TEST_F(FontManageTest, NewLineEscapeReturnsToLineStartOneFontHeightDown) {
  FakeGlyphSource::Box none;
  none.width = 0;
  FakeGlyphSource::Box ink;
  ink.width = 3;
  ink.height = 3;
  for (char c : {'P', 'Q', 'S'}) fake.SetBox(uint8_t(c), none);
  fake.SetBox('R', ink);
  Make(64, 64);
  Draw(10, 0, "PQ\\nRS");
  EXPECT_EQ(FirstInk(), std::make_pair(10, 16));
}

struct ColourCase {
  const char* name;
  const char* text;
  uint32_t expectAtOrigin;  // pixel (0, 0): X is the only glyph with ink
};

class ColourEscapeTest : public FontManageTest, public testing::WithParamInterface<ColourCase> {};

TEST_P(ColourEscapeTest, SetsTheColourOfWhatFollows) {
  FakeGlyphSource::Box none;
  none.width = 0;
  none.advance = 0;
  for (int c = 0x21; c < 0x7F; ++c)
    if (c != 'X') fake.SetBox(uint32_t(c), none);
  Make(32, 32, 4, 0xDEADBEEF);
  Draw(0, 0, GetParam().text, 0xFF0000FF);
  EXPECT_EQ(At(0, 0), GetParam().expectAtOrigin);
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, ColourEscapeTest,
    testing::Values(ColourCase{"FourNumbers", "\\@COLOR@<255,0,0,255>X", 0xFFFF0000},
                    ColourCase{"ThreeNumbersGiveAlphaZero", "\\@COLOR@<255,0,0>X", 0x00FF0000},
                    ColourCase{"NoCloseConsumesTheRest", "\\@COLOR@<0,255,0,255X", 0xDEADBEEF},
                    ColourCase{"NoOpenKeepsColourAndSkipsToClose", "\\@COLOR@junk>X", 0xFF0000FF},
                    ColourCase{"OtherEscapeDrawsTheNextCharacter", "\\X", 0xFF0000FF},
                    ColourCase{"EscapeChangesOnlyWhatFollows", "X\\@COLOR@<255,0,0,255>", 0xFF0000FF}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FontManageTest, CentringUsesTheFirstLineForEveryLine) {
  FakeGlyphSource::Box b;
  b.advance = 17;
  b.width = 2;
  b.height = 2;
  fake.SetBox('A', b);
  FakeGlyphSource::Box none;
  none.width = 0;
  none.advance = 17;
  fake.SetBox('B', none);
  Make(256, 64);
  // First line "ABB" measures 51: it starts at (200 - 51) / 2 = 74; the longer second line
  // starts there too.
  Draw(200, 0, "ABB\\nABBBBB", 0xFFFFFFFF, 1);
  EXPECT_NE(At(74, 0) >> 24, 0u);
  EXPECT_EQ(At(73, 0) >> 24, 0u);
  EXPECT_NE(At(74, 16) >> 24, 0u);
  EXPECT_EQ(At(73, 16) >> 24, 0u);
}

TEST_F(FontManageTest, GlyphEndingAtTheBottomEdgeKeepsItsLastRow) {
  Make(32, 16);
  Draw(0, 4, "A");  // rows 4..15: the box ends exactly at the bottom
  EXPECT_NE(At(0, 15) >> 24, 0u);
  EXPECT_NE(At(7, 15) >> 24, 0u);
}

struct ClipCase {
  const char* name;
  int originX;
  int x, y;
  uint32_t flags;  // bit 0: centre in a box of width x
  int inkX;        // a column the visible part of the glyphs covers on their top row
};

class ClipTest : public FontManageTest, public testing::WithParamInterface<ClipCase> {};

// A glyph starting left of column 0 must not spill into the end of the row above (or before
// the picture); the visible part keeps its place.
TEST_P(ClipTest, NothingIsWrittenOutsideThePicture) {
  const ClipCase& c = GetParam();
  FakeGlyphSource::Box b;
  b.originX = c.originX;
  b.width = 8;
  b.height = 4;
  b.originY = 12;
  fake.SetBox('A', b);
  // The picture sits inside a guarded buffer: one guard row before and after.
  const int w = 16, h = 8;
  std::vector<uint32_t> buf(size_t(w) * (h + 2), 0x12345678);
  uint32_t* pic = buf.data() + w;
  std::fill(pic, pic + w * h, 0u);
  FontManageDesc desc;
  desc.SetDefaults();
  desc.quality = 4;
  CD3DXFontManage m(desc);
  m.SetTargetPixels({reinterpret_cast<uint8_t*>(pic), w * 4, w, h, PixelFormat::kA8R8G8B8});
  m.BeginDraw();
  DrawStringArgs a;
  a.x = c.x;
  a.y = c.y;
  a.text = "AAAAAA";
  a.flags = c.flags;
  m.DrawString(a);
  m.EndDraw();
  for (int i = 0; i < w; ++i) {
    EXPECT_EQ(buf[i], 0x12345678u) << "guard before, column " << i;
    EXPECT_EQ(buf[size_t(w) * (h + 1) + i], 0x12345678u) << "guard after, column " << i;
  }
  // Rows above the glyph stay empty: a left spill would land at the end of the row above.
  int top = c.y < 0 ? 0 : c.y;
  for (int r = 0; r < top; ++r)
    for (int i = 0; i < w; ++i) EXPECT_EQ(pic[r * w + i], 0u) << r << "," << i;
  EXPECT_NE(pic[top * w + c.inkX] >> 24, 0u);
}

INSTANTIATE_TEST_SUITE_P(Edges, ClipTest,
                         testing::Values(ClipCase{"NegativeOrigin", -3, 0, 2, 0, 0},
                                         ClipCase{"NegativePen", 0, -5, 2, 0, 0},
                                         ClipCase{"CentredWiderThanBox", 0, 10, 2, 1, 10},
                                         ClipCase{"AboveTheTop", 0, 0, -2, 0, 0},
                                         ClipCase{"PastRightAndBottom", 0, 12, 6, 0, 12}),
                         [](const auto& info) { return std::string(info.param.name); });

// Strings that end in the middle of a character: the walk must stop at the terminating zero.
// The text lives in an exact-size heap buffer so that a read past it is caught.
TEST_F(FontManageTest, FinalLeadByteOrBackslashStopsAtTheEnd) {
  struct Case {
    const char* text;
    int raw;
    int width;  // advance 10 per character
  } cases[] = {
      {"A\x82", 0, 20}, {"A\x82", 1, 20}, {"AB\\", 0, 20}, {"AB\\", 1, 30}, {"\\@COLOR@<1,2", 0, 0},
  };
  Make(64, 16);
  for (const Case& c : cases) {
    std::vector<char> exact(c.text, c.text + std::strlen(c.text) + 1);
    EXPECT_EQ(MeasureFontString(manager.get(), exact.data(), c.raw), c.width) << c.text;
    Draw(0, 0, exact.data(), 0xFFFFFFFF, 0, c.raw);
  }
}

TEST_F(FontManageTest, OneBitGlyphReplacesItsWholeBox) {
  FakeGlyphSource::Box clear;
  clear.level = 0;  // no bit set
  fake.SetBox('C', clear);
  Make(32, 16, 0, 0xDEADBEEF);
  Draw(0, 0, "AC", 0x80FF8040);
  EXPECT_EQ(At(0, 0), 0x80FF8040u);   // set bit: the colour with its alpha
  EXPECT_EQ(At(10, 0), 0x00FF8040u);  // clear bit: the colour with alpha 0
  EXPECT_EQ(At(8, 0), 0xDEADBEEFu);   // between the boxes nothing changes
}

TEST_F(FontManageTest, NothingIsDrawnWithoutALockedTarget) {
  Make(16, 16);
  DrawStringArgs a;
  a.text = "A";
  EXPECT_EQ(manager->DrawString(a), 0);
  EXPECT_EQ(FirstInk(), std::make_pair(-1, -1));
}

TEST_F(FontManageTest, RenderTextPixelsSizesToTheMeasuredWidth) {
  RenderedText out;
  ASSERT_TRUE(RenderTextPixels(20, "ABC", false, 0, &out));
  EXPECT_EQ(out.width, 30);
  EXPECT_EQ(out.target.width, 32);
  EXPECT_EQ(out.target.height, 32);
  EXPECT_EQ(fake.lastRequest.face, "MS UI Gothic");
  EXPECT_EQ(fake.lastRequest.quality, 4);
  EXPECT_EQ(out.target.Get32(20, 0), 0xFFFFFFFFu);
  ASSERT_TRUE(RenderTextPixels(20, "A", true, 0, &out));
  EXPECT_EQ(fake.lastRequest.face, "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E");
}

}  // namespace
}  // namespace vt::text
