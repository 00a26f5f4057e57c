// The screen break-up, the HUD digit drawers and the image copy, on the recording device: what
// each queues (place, size, source, colour, sheet) as the batch renderer draws it; the
// break-up's progress steps and its random draws; the direct-netplay predicate.
#include "battle/screen_break.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "Dxtools/gfx_test_env.h"
#include "app/random.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/character_draw.h"
#include "battle_fixture.h"
#include "directnet/direct_net_state.h"

namespace {

// One drawn quad, read back from the device's records: destination, source rectangle in
// texels of its texture, colour and the texture's serial.
struct Quad {
  float x, y, w, h;
  float sx, sy, sw, sh;
  uint32_t colour;
  uint64_t texture;
  vt::gfx::TextureFilter filter;
};

class ScreenBreakTest : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    battle_test::ResetWorld();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
    ASSERT_NE(g_CaptureTarget, nullptr);
    for (int i = 0; i < 3; ++i) Sheets()[i] = nullptr;
    Sheets()[0] = CreateTexture(512, 128, vt::gfx::FMT_A8R8G8B8);  // gauge sheet 1
    Sheets()[1] = CreateTexture(512, 256, vt::gfx::FMT_A8R8G8B8);  // gauge sheet 3
    Sheets()[2] = CreateTexture(256, 256, vt::gfx::FMT_A8R8G8B8);  // gauge sheet 5
    g_BattleHudTextures.gauge[1] = Sheets()[0];
    g_BattleHudTextures.gauge[3] = Sheets()[1];
    g_BattleHudTextures.gauge[5] = Sheets()[2];
    g_D3DDevice->Records().clear();
  }
  void TearDown() override {
    ResetDrawList(&g_MainDrawList);
    g_BattleHudTextures = {};
    for (int i = 0; i < 3; ++i) {
      FreeTexture(Sheets()[i]);
      Sheets()[i] = nullptr;
    }
    std::memset(g_ScreenBreakCells, 0, sizeof g_ScreenBreakCells);
    g_TimerShown = 0.0f;
    battle_test::ResetWorld();
    RecordingGfx::TearDown();
  }

  static TextureHandle** Sheets() {
    static TextureHandle* sheets[3];
    return sheets;
  }
  static uint64_t Serial(TextureHandle* t) { return HandleTexture(t)->Serial(); }

  // Renders the main list and returns its quads in drawing order.
  static std::vector<Quad> RenderQuads() {
    RenderMain();
    std::vector<Quad> out;
    for (const vt::gfx::DeviceRecord* d : Draws()) {
      float W = 1.0f, H = 1.0f;
      // The serial tells the texture; the sizes of the ones the tests use are known.
      if (d->textureSerial == Serial(g_CaptureTarget)) {
        W = static_cast<float>(HandleTexture(g_CaptureTarget)->Width());
        H = static_cast<float>(HandleTexture(g_CaptureTarget)->Height());
      }
      for (TextureHandle* s : {Sheets()[0], Sheets()[1], Sheets()[2]})
        if (d->textureSerial == Serial(s)) {
          W = static_cast<float>(HandleTexture(s)->Width());
          H = static_cast<float>(HandleTexture(s)->Height());
        }
      for (size_t i = 0; i + 3 < d->vertices.size(); i += 4) {
        const auto& a = d->vertices[i];
        const auto& b = d->vertices[i + 3];
        Quad q;
        q.x = a.x;
        q.y = a.y;
        q.w = b.x - a.x;
        q.h = b.y - a.y;
        // The left and top edges carry a half-texel inset.
        q.sx = a.u * W - 0.5f;
        q.sy = a.v * H - 0.5f;
        q.sw = b.u * W - q.sx;
        q.sh = b.v * H - q.sy;
        q.colour = a.diffuse;
        q.texture = d->textureSerial;
        q.filter = d->filter;
        out.push_back(q);
      }
    }
    g_D3DDevice->Records().clear();
    ResetDrawList(&g_MainDrawList);
    return out;
  }
};

// Place and source of a glyph, as the tests name them.
struct Glyph {
  int x, y, w, h, sx, sy;
};

void ExpectGlyphs(const std::vector<Quad>& quads, const std::vector<Glyph>& glyphs, uint64_t sheet,
                  uint32_t colour, const char* what) {
  ASSERT_EQ(quads.size(), glyphs.size()) << what;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const Quad& q = quads[i];
    const Glyph& g = glyphs[i];
    SCOPED_TRACE(testing::Message() << what << " glyph " << i);
    EXPECT_EQ(q.x, g.x);
    EXPECT_EQ(q.y, g.y);
    EXPECT_EQ(q.w, g.w);
    EXPECT_EQ(q.h, g.h);
    EXPECT_NEAR(q.sx, g.sx, 0.01);
    EXPECT_NEAR(q.sy, g.sy, 0.01);
    EXPECT_NEAR(q.sw, g.w, 0.01);
    EXPECT_NEAR(q.sh, g.h, 0.01);
    EXPECT_EQ(q.colour, colour);
    EXPECT_EQ(q.texture, sheet);
  }
}

// Progress at 0: every cell whole and opaque, 32 x 32 at a 16-pixel pitch from the same square
// of the capture, between what lies at priorities 784 and 786.
TEST_F(ScreenBreakTest, WholePictureAtTheStart) {
  ResetScreenBreakEffect();
  DrawRect(nullptr, -1, -1, 1, 1, ~0u, ~0u, ~0u, ~0u, 784);
  DrawScreenBreakEffect();
  DrawRect(nullptr, -2, -2, 1, 1, ~0u, ~0u, ~0u, ~0u, 786);
  const std::vector<Quad> quads = RenderQuads();
  ASSERT_EQ(quads.size(), static_cast<size_t>(kScreenBreakCellCount + 2));
  EXPECT_EQ(quads.front().x, -1);
  EXPECT_EQ(quads.back().x, -2);
  // One priority: the cell queued last (row 29, column 39) draws first.
  for (int k = 0; k < kScreenBreakCellCount; ++k) {
    const Quad& q = quads[static_cast<size_t>(k) + 1];
    const int i = kScreenBreakCellCount - 1 - k;
    const int c = i % kScreenBreakColumns, r = i / kScreenBreakColumns;
    SCOPED_TRACE(testing::Message() << "cell " << i);
    EXPECT_EQ(q.x, 16 * c);
    EXPECT_EQ(q.y, 16 * r);
    EXPECT_EQ(q.w, 32);
    EXPECT_EQ(q.h, 32);
    EXPECT_NEAR(q.sx, 16 * c, 0.01);
    EXPECT_NEAR(q.sy, 16 * r, 0.01);
    EXPECT_NEAR(q.sw, 32, 0.01);
    EXPECT_NEAR(q.sh, 32, 0.01);
    EXPECT_EQ(q.colour, 0xFFFFFFFFu);
    EXPECT_EQ(q.texture, Serial(g_CaptureTarget));
    if (HasFailure()) return;
  }
}

// Progress at 0.5: column c is at t = 1 - 0.025c. Drifts are set by hand so the offsets show.
TEST_F(ScreenBreakTest, HalfWayColumnsShrinkDriftAndFade) {
  ResetScreenBreakEffect();
  SetScreenBreakProgress(0.5f);
  const int row = 7;
  for (int c = 0; c < kScreenBreakColumns; ++c) {
    g_ScreenBreakCells[row * kScreenBreakColumns + c].driftX = 10.0f;
    g_ScreenBreakCells[row * kScreenBreakColumns + c].driftY = -20.0f;
  }
  DrawScreenBreakEffect();
  const std::vector<Quad> quads = RenderQuads();
  ASSERT_EQ(quads.size(), static_cast<size_t>(kScreenBreakCellCount));
  struct Case {
    int column;
    int size;
    uint32_t alpha;
    int dx, dy;  // offset from the cell's corner: trunc(drift x t + (16 - size) / 2)
  };
  const Case cases[] = {
      // Gone: size 0, alpha 0, the whole drift.
      {0, 0, 0, 18, -12},
      // t = 0.75: 4 x 4, offset trunc(7.5 + 6) and trunc(-15 + 6).
      {10, 4, 63, 13, -9},
      // t = 0.5: 8 x 8, offset by 4 pixels plus half the drift, alpha 127.
      {20, 8, 127, 9, -6},
      // t = 0.025: nearly whole, 15 x 15 with alpha 248 and no centring left.
      {39, 15, 248, 0, 0},
  };
  for (const Case& cs : cases) {
    const int i = row * kScreenBreakColumns + cs.column;
    const Quad& q = quads[static_cast<size_t>(kScreenBreakCellCount - 1 - i)];
    SCOPED_TRACE(testing::Message() << "column " << cs.column);
    EXPECT_EQ(q.x, 16 * cs.column + cs.dx);
    EXPECT_EQ(q.y, 16 * row + cs.dy);
    EXPECT_EQ(q.w, cs.size);
    EXPECT_EQ(q.h, cs.size);
    EXPECT_EQ(q.colour, cs.alpha << 24 | 0xFFFFFFu);
    // The source stays the cell's whole square.
    EXPECT_NEAR(q.sx, 16 * cs.column, 0.01);
    EXPECT_NEAR(q.sy, 16 * row, 0.01);
    EXPECT_NEAR(q.sw, 32, 0.01);
  }
}

TEST_F(ScreenBreakTest, HeadlessQueuesNothing) {
  ResetScreenBreakEffect();
  g_TimerShown = 12.0f;
  g_BattleDrawSubmit = false;
  DrawScreenBreakEffect();
  DrawTimerDigits(10, 255, 100);
  DrawDecimalValue(0, 0, 1234, 100);
  DrawDigitString(0, 0, 10, "ABC", 100);
  DrawScoreDigits(0, 0, 100, 0);
  g_BattleDrawSubmit = true;
  EXPECT_TRUE(RenderQuads().empty());
}

TEST_F(ScreenBreakTest, ProgressReachesOneOnTheFortyFirstStep) {
  ResetScreenBreakEffect();
  EXPECT_EQ(ScreenBreakProgress(), 0.0f);
  EXPECT_EQ(g_BattleState[BattleStateIndex::kScreenBreakProgress], 0);
  for (int step = 1; step <= 45; ++step) {
    AdvanceScreenBreakProgress();
    const float p = ScreenBreakProgress();
    SCOPED_TRACE(testing::Message() << "step " << step);
    if (step <= 40) {
      EXPECT_LT(p, 1.0f);
    }
    if (step == 40) {
      EXPECT_EQ(p, 0.99999958f);  // forty float32 additions of 0.025
    }
    if (step >= 41) {
      EXPECT_EQ(p, 1.0f);
    }
  }
  // The word holds the float's bits.
  EXPECT_EQ(g_BattleState[BattleStateIndex::kScreenBreakProgress], 0x3F800000);
}

TEST_F(ScreenBreakTest, LayoutTakesTwoCommonDrawsPerCellAndLeavesTheCountAndLastValue) {
  SeedRandomGeneratorsFrom(777);
  g_RandLastValue = 4242;
  g_RandDrawCount = 17;
  RandStream expected = g_RandStreams[kRandCommonStream];
  SetScreenBreakProgress(0.7f);

  ResetScreenBreakEffect();
  EXPECT_EQ(g_RandLastValue, 4242);
  EXPECT_EQ(g_RandDrawCount, 17);
  EXPECT_EQ(ScreenBreakProgress(), 0.0f);

  // The same draws taken on a copy of the stream, in row order, x drift then y drift.
  RandStream saved = g_RandStreams[kRandCommonStream];
  g_RandStreams[kRandCommonStream] = expected;
  for (int i = 0; i < kScreenBreakCellCount; ++i) {
    const double f1 = RandFloat();
    const double f2 = RandFloat();
    const ScreenBreakCell& c = g_ScreenBreakCells[i];
    SCOPED_TRACE(testing::Message() << "cell " << i);
    EXPECT_EQ(c.x, 16.0f * static_cast<float>(i % kScreenBreakColumns));
    EXPECT_EQ(c.y, 16.0f * static_cast<float>(i / kScreenBreakColumns));
    EXPECT_EQ(c.driftX, static_cast<float>(f1 * 100.0));
    EXPECT_EQ(c.driftY, static_cast<float>(f2 * 60.0 - 30.0));
    EXPECT_GE(c.driftX, 0.0f);
    EXPECT_LE(c.driftX, 100.0f);
    EXPECT_GE(c.driftY, -30.0f);
    EXPECT_LE(c.driftY, 30.0f);
    if (HasFailure()) return;
  }
  // Exactly 2400 draws: both streams are at the same place now.
  EXPECT_EQ(std::memcmp(&saved, &g_RandStreams[kRandCommonStream], sizeof saved), 0);
}

TEST_F(ScreenBreakTest, TimerDigits) {
  struct Case {
    const char* name;
    float shown;
    std::vector<Glyph> glyphs;  // in queueing order
  };
  const int y = 12;
  const Case cases[] = {
      {"no limit", -1.0f, {{296, y, 48, 40, 64, 80}}},
      {"99.9 shows 99", 99.9f, {{291, y, 32, 40, 32, 80}, {317, y, 32, 40, 32, 80}}},
      {"5.5 shows 05", 5.5f, {{291, y, 32, 40, 0, 0}, {317, y, 32, 40, 32, 40}}},
      {"above 99 is limited", 250.0f, {{291, y, 32, 40, 32, 80}, {317, y, 32, 40, 32, 80}}},
      {"zero", 0.0f, {{291, y, 32, 40, 0, 0}, {317, y, 32, 40, 0, 0}}},
  };
  for (const Case& c : cases) {
    g_TimerShown = c.shown;
    DrawTimerDigits(y, 0x80, 300);
    EXPECT_EQ(g_DrawBlendMode, 1);
    EXPECT_EQ(g_DrawFilterMode, 1);
    std::vector<Quad> quads = RenderQuads();
    std::reverse(quads.begin(), quads.end());
    ExpectGlyphs(quads, c.glyphs, Serial(Sheets()[2]), 0xFF808080u, c.name);
    for (const Quad& q : quads) EXPECT_EQ(q.filter, vt::gfx::FILTER_LINEAR) << c.name;
  }
}

TEST_F(ScreenBreakTest, DecimalValue) {
  struct Case {
    const char* name;
    int32_t value;
    std::vector<Glyph> glyphs;
  };
  const int x = 100, y = 50;
  const Glyph point{x + 43, y, 20, 24, 160, 48};
  const Glyph unit{x + 68, y, 16, 24, 160, 72};
  const Case cases[] = {
      {"1234",
       1234,
       {{x, y, 16, 24, 16, 48},
        {x + 15, y, 16, 24, 32, 48},
        {x + 30, y, 16, 24, 48, 48},
        point,
        {x + 53, y, 16, 24, 64, 72},
        unit}},
      // Blanks take their place: the whole part's 0 lands at x + 30.
      {"5", 5, {{x + 30, y, 16, 24, 0, 48}, point, {x + 53, y, 16, 24, 80, 72}, unit}},
      // Minus signs are skipped; a negative tenth's digit moves one place right.
      {"-15", -15, {{x + 30, y, 16, 24, 16, 48}, point, {x + 69, y, 16, 24, 80, 72}, unit}},
  };
  for (const Case& c : cases) {
    DrawDecimalValue(x, y, c.value, 200);
    std::vector<Quad> quads = RenderQuads();
    std::reverse(quads.begin(), quads.end());
    ExpectGlyphs(quads, c.glyphs, Serial(Sheets()[1]), 0xFFFFFFFFu, c.name);
  }
}

TEST_F(ScreenBreakTest, DigitStringIsQueuedFromTheLastCharacter) {
  // A printable text with a blank, the last printable code and one that has no glyph.
  DrawDigitString(20, 30, 12,
                  "A ~\x1f"
                  "0",
                  100);
  std::vector<Quad> quads = RenderQuads();
  // Drawn newest first, so the drawing order is the text's order again.
  ExpectGlyphs(quads,
               {{20, 30, 16, 16, 16, 32},    // 'A' (33)
                {32, 30, 16, 16, 0, 16},     // ' ' (0)
                {44, 30, 16, 16, 480, 48},   // '~' (94)
                {68, 30, 16, 16, 256, 16}},  // '0' (16), after the skipped control code
               Serial(Sheets()[0]), 0xFFFFFFFFu, "text");
}

TEST_F(ScreenBreakTest, ScoreDigits) {
  struct Case {
    const char* name;
    int32_t score;
    int32_t before, challengers;  // the side's two counters
    const char* digits;           // eight score digits then two count digits
  };
  const Case cases[] = {
      {"negative", -50, 0, 0, "0000000000"},
      {"above the limit", 12345678, 0, 0, "0999999900"},
      {"plain", 4321, 3, 4, "0000432107"},
      {"count limited to 99", 7, 60, 70, "0000000799"},
  };
  for (const Case& c : cases) {
    g_SideStatus[1].arcadeTotals[8] = c.before;
    g_SideStatus[1].arcadeTotals[9] = c.challengers;
    DrawScoreDigits(40, 8, c.score, 1);
    std::vector<Quad> quads = RenderQuads();
    std::vector<Glyph> glyphs;
    for (int i = 0; i < 10; ++i) {
      const int g = c.digits[i] - 32;
      const int x = i < 8 ? 40 + 10 * i : 40 + 80 + 10 * (i - 8);
      glyphs.push_back({x, 8, 16, 16, g % 32 * 16, (g / 32 + 1) * 16});
    }
    // Score digits: one string, drawn in text order. The count's two glyphs were queued after
    // it at the same priority, so they draw first, the second before the first.
    std::vector<Quad> ordered(quads.begin() + 2, quads.end());
    if (quads.size() >= 2) {
      ordered.push_back(quads[1]);
      ordered.push_back(quads[0]);
    }
    ExpectGlyphs(ordered, glyphs, Serial(Sheets()[0]), 0xFFFFFFFFu, c.name);
  }
}

TEST_F(ScreenBreakTest, HudGlyphsSitAboveTheirPriority) {
  // A digit string at 100 goes to 356: between markers at 355 and 357.
  DrawRect(nullptr, -1, -1, 1, 1, ~0u, ~0u, ~0u, ~0u, 355);
  DrawDigitString(0, 0, 10, "1", 100);
  DrawRect(nullptr, -2, -2, 1, 1, ~0u, ~0u, ~0u, ~0u, 357);
  const std::vector<Quad> quads = RenderQuads();
  ASSERT_EQ(quads.size(), 3u);
  EXPECT_EQ(quads[0].x, -1);
  EXPECT_EQ(quads[1].x, 0);
  EXPECT_EQ(quads[2].x, -2);
}

// A 300 x 300 image with a distinct value per pixel: bytes blue, green, red, alpha.
std::vector<uint8_t> TestImage(int w, int h) {
  std::vector<uint8_t> img(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &img[(static_cast<size_t>(y) * w + x) * 4];
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(x >> 8 | (y >> 8) << 4);
      p[3] = 0xA5;
    }
  return img;
}

TEST_F(ScreenBreakTest, CopyCutsALargeImageToTheTexture) {
  const std::vector<uint8_t> img = TestImage(300, 300);
  TextureHandle* t = CreateTexture(256, 256, vt::gfx::FMT_A8R8G8B8);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(CopyImageToTexture(t, img.data(), 300, 300), 1);
  auto* bits = static_cast<const uint8_t*>(LockTexture(t->dx, nullptr));
  const int pitch = GetTexturePitch(t);
  for (auto [x, y] : {std::pair{0, 0}, {255, 0}, {0, 255}, {255, 255}, {17, 200}}) {
    uint32_t got, want;
    std::memcpy(&got, bits + y * pitch + x * 4, 4);
    std::memcpy(&want, &img[(static_cast<size_t>(y) * 300 + x) * 4], 4);
    EXPECT_EQ(got, want) << x << "," << y;
  }
  UnlockTexture(t->dx);
  FreeTexture(t);
}

TEST_F(ScreenBreakTest, CopyInto16BitKeepsFaintChannels) {
  struct Case {
    uint8_t byte;
    uint16_t nibble;
  };
  const Case cases[] = {{0x0F, 1}, {0x00, 0}, {0xFF, 15}, {0x01, 1}, {0x10, 1}, {0x80, 8}, {0xEF, 14}};
  for (const Case& c : cases) {
    // Each channel in turn carries the byte; the others carry 0xFF.
    for (int channel = 0; channel < 4; ++channel) {
      std::vector<uint8_t> img(3 * 2 * 4, 0xFF);
      for (size_t p = 0; p < img.size(); p += 4) img[p + channel] = c.byte;
      TextureHandle* t = CreateTexture(2, 2, vt::gfx::FMT_A4R4G4B4);
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(CopyImageToTexture(t, img.data(), 3, 2), 1);
      auto* bits = static_cast<const uint8_t*>(LockTexture(t->dx, nullptr));
      const int pitch = GetTexturePitch(t);
      // Blue in the low nibble, then green, red and alpha.
      const uint16_t want =
          static_cast<uint16_t>((0xFFFF & ~(0xF << (4 * channel))) | c.nibble << (4 * channel));
      for (auto [x, y] : {std::pair{0, 0}, {1, 1}}) {
        uint16_t got;
        std::memcpy(&got, bits + y * (pitch & ~1) + x * 2, 2);
        EXPECT_EQ(got, want) << "byte " << int(c.byte) << " channel " << channel;
      }
      UnlockTexture(t->dx);
      FreeTexture(t);
    }
  }
}

TEST_F(ScreenBreakTest, CopyLeavesOtherFormatsAlone) {
  const std::vector<uint8_t> img = TestImage(4, 4);
  TextureHandle* t = CreateTexture(4, 4, vt::gfx::FMT_R5G6B5);
  ASSERT_NE(t, nullptr);
  auto* bits = static_cast<uint8_t*>(LockTexture(t->dx, nullptr));
  std::memset(bits, 0x5A, static_cast<size_t>(GetTexturePitch(t)) * 4);
  UnlockTexture(t->dx);
  EXPECT_EQ(CopyImageToTexture(t, img.data(), 4, 4), 1);
  bits = static_cast<uint8_t*>(LockTexture(t->dx, nullptr));
  EXPECT_TRUE(std::all_of(bits, bits + GetTexturePitch(t) * 4, [](uint8_t b) { return b == 0x5A; }));
  UnlockTexture(t->dx);
  FreeTexture(t);
}

TEST_F(ScreenBreakTest, CopyGivesUpOnATextureThatCannotBeLocked) {
  const std::vector<uint8_t> img = TestImage(8, 8);
  // A render target never locks; a texture someone else holds locked does not either.
  TextureHandle* target = CreateRenderTargetTexture(8, 8, vt::gfx::FMT_A8R8G8B8);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(CopyImageToTexture(target, img.data(), 8, 8), 0);
  EXPECT_EQ(target->dx->locked, 0);
  FreeTexture(target);

  TextureHandle* held = CreateTexture(8, 8, vt::gfx::FMT_A8R8G8B8);
  vt::gfx::LockedRect lr;
  ASSERT_EQ(HandleTexture(held)->LockRect(&lr, nullptr), vt::gfx::kOk);
  EXPECT_EQ(CopyImageToTexture(held, img.data(), 8, 8), 0);
  HandleTexture(held)->UnlockRect();
  // Once free it copies.
  EXPECT_EQ(CopyImageToTexture(held, img.data(), 8, 8), 1);
  FreeTexture(held);

  EXPECT_EQ(CopyImageToTexture(nullptr, img.data(), 8, 8), 0);
}

TEST(DirectNetVs, ActiveOnlyWhenAllThreeWordsAreOne) {
  struct Case {
    int32_t mode, match, session;
    int active;
  };
  const Case cases[] = {{0, 0, 0, 0}, {1, 1, 1, 1}, {1, 1, 0, 0}, {1, 0, 1, 0},
                        {0, 1, 1, 0}, {2, 1, 1, 0}, {1, 1, -1, 0}};
  for (const Case& c : cases) {
    g_DirectNetMode = c.mode;
    g_NetworkMatch = c.match;
    g_DirectNetSession = c.session;
    EXPECT_EQ(IsDirectNetVsActive(), c.active) << c.mode << c.match << c.session;
  }
  g_DirectNetMode = g_NetworkMatch = g_DirectNetSession = 0;
}

}  // namespace
