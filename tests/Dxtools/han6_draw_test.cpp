// Pattern-frame drawing over a CPU texture backend and a recording sink: easing and angle
// tables, blend mapping, transform order, culling, part order, priorities and mirrored
// coordinates, the texture cache scenarios, and every pattern of the sample character.
#include "Dxtools/Han6Draw/han6_draw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "Dxtools/BmpcutFiles/cut_sprite_builder.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Han6Files/byte_stream.h"
#include "Dxtools/Han6Files/han6_file_loading.h"
#include "Dxtools/Han6Files/han6_project.h"
#include "Dxtools/Han6Files/pani_data.h"
#include "app/lib_debug.h"
#include "han6_draw_fixture.h"

namespace {

using namespace vt::test::han6;
TEST(Han6Easing, Table) {
  struct Case {
    int type;
    float t, want;
  } cases[] = {{1, 0.25f, 0.25f},  {2, 0.5f, 0.75f},   {3, 0.5f, 0.25f},   {4, 0.25f, 0.125f},
               {4, 0.75f, 0.875f}, {5, 0.25f, 0.375f}, {5, 0.75f, 0.625f}, {4, 0.5f, 0.5f},
               {0, 0.3f, 1.0f},    {6, 0.0f, 1.0f},    {2, 1.0f, 1.0f},    {3, 0.0f, 0.0f}};
  for (const auto& tc : cases) EXPECT_FLOAT_EQ(EaseValue(tc.type, tc.t), tc.want) << tc.type << " " << tc.t;
}

TEST(Han6Easing, AngleBlendTakesTheShorterWay) {
  struct Case {
    float a, b, t, want;
  } cases[] = {
      {0.1f, 0.9f, 0.5f, 0.0f},                                // 0.9 toward 0.1 passes through 0
      {0.1f, 0.9f, 0.25f, -0.05f},                             // three quarters of the way from 0.9
      {0.1f, 0.9f, 1.0f, 0.1f},                                // progress 1: this frame's angle
      {0.1f, 0.9f, 0.0f, 0.9f},                                // progress 0: the from-frame's
      {0.3f, 0.3f, 0.5f, 0.3f},    {0.0f, 0.5f, 0.5f, 0.25f},  // exactly half a turn: e = 0.5 stays
      {0.0f, -0.5f, 0.5f, 0.25f},                              // -0.5 wraps to +0.5
      {0.75f, 0.25f, 0.5f, 0.0f},                              // 1.0 wraps to 0
  };
  for (const auto& tc : cases)
    EXPECT_NEAR(LerpAngleTurns(tc.a, tc.b, tc.t), tc.want, 1e-6) << tc.a << " " << tc.b << " " << tc.t;
}

TEST_F(Han6DrawTest, BlendModesAndColour) {
  SmallSheet s;
  struct Case {
    const char* name;
    int32_t blend, alpha;
    uint8_t override;
    uint8_t wantMode;
    uint32_t wantColour;
  } cases[] = {
      {"no AFAL draws opaque", 0, 0, 0, 1, 0xFFFFFFFF},
      {"blend 5 is alpha blending", 5, 128, 0, 1, 0x80FFFFFF},
      {"blend 2 additive", 2, 64, 0, 2, 0x40FFFFFF},
      {"blend 3 reverse subtract", 3, 255, 0, 3, 0xFFFFFFFF},
      {"override wins", 2, 100, 1, 1, 0x64FFFFFF},
      {"override on an opaque frame keeps the frame's 255", 0, 7, 2, 2, 0xFFFFFFFF},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    auto set = Frames([&](han6io::ByteWriter& w) {
      OneFramePattern(w, 0, {[&](han6io::ByteWriter& f) {
                        f.PutTag("AFGP");
                        f.PutI32(0);
                        f.PutI32(5);
                        if (tc.blend != 0 || tc.alpha != 0) {
                          f.PutTag("AFAL");
                          f.PutI32(tc.blend);
                          f.PutI32(tc.alpha);
                        }
                      }});
    });
    sink_.quads.clear();
    Han6FramePosition pos;
    Han6DrawParams p;
    p.position = &pos;
    p.patternSet = set.get();
    p.sheet = s.sheet.get();
    p.blendMode = tc.override;
    DrawPatternFrame(p);
    ASSERT_EQ(sink_.quads.size(), 1u);
    EXPECT_EQ(sink_.quads[0].blendMode, tc.wantMode);
    EXPECT_EQ(sink_.quads[0].colour, tc.wantColour);
  }
  // A transparent colour with blending draws nothing.
  auto set = Frames([](han6io::ByteWriter& w) {
    OneFramePattern(w, 0, {[](han6io::ByteWriter& f) {
                      f.PutTag("AFGP");
                      f.PutI32(0);
                      f.PutI32(5);
                      f.PutTag("AFAL");
                      f.PutI32(1);
                      f.PutI32(0);
                    }});
  });
  sink_.quads.clear();
  Han6FramePosition pos;
  Han6DrawParams p;
  p.position = &pos;
  p.patternSet = set.get();
  p.sheet = s.sheet.get();
  DrawPatternFrame(p);
  EXPECT_TRUE(sink_.quads.empty());
}

TEST_F(Han6DrawTest, TransformOrderAndBlending) {
  SmallSheet s;
  // Frame 0: offset (10, 0), a quarter turn about z, scale 2 x 3. Frame 1: no transform, red.
  auto set = Frames([](han6io::ByteWriter& w) {
    OneFramePattern(w, 0,
                    {[](han6io::ByteWriter& f) {
                       f.PutTag("AFGP");
                       f.PutI32(0);
                       f.PutI32(5);
                       f.PutTag("AFOF");
                       f.PutI32(10);
                       f.PutI32(0);
                       f.PutTag("AFAZ");
                       f.PutF32(0.25f);
                       f.PutTag("AFZM");
                       f.PutF32(2.0f);
                       f.PutF32(3.0f);
                     },
                     [](han6io::ByteWriter& f) {
                       f.PutTag("AFGP");
                       f.PutI32(0);
                       f.PutI32(5);
                       f.PutTag("AFRG");
                       f.PutI32(255);
                       f.PutI32(0);
                       f.PutI32(0);
                     }});
  });
  Han6FramePosition pos;
  Han6Matrix world = Han6Matrix::Translation(400, 300, 0);  // the world matrix comes last
  Han6DrawParams p;
  p.position = &pos;
  p.world = &world;
  p.patternSet = set.get();
  p.sheet = s.sheet.get();
  DrawPatternFrame(p);
  ASSERT_EQ(sink_.quads.size(), 1u);
  // Top-left corner (0, 0): offset to (10, 0), a quarter turn (x, y) -> (-y, x) gives (0, 10),
  // then scaled by (2, 3): (0, 30). Bottom-right (32, 48): (42, 48) -> (-48, 42) -> (-96, 126).
  EXPECT_NEAR(sink_.quads[0].pos[0][0], 400.0f + 0.0f, 1e-3);
  EXPECT_NEAR(sink_.quads[0].pos[0][1], 300.0f + 30.0f, 1e-3);
  EXPECT_NEAR(sink_.quads[0].pos[3][0], 400.0f - 96.0f, 1e-3);
  EXPECT_NEAR(sink_.quads[0].pos[3][1], 300.0f + 126.0f, 1e-3);

  // Blending frame 1 from frame 0: progress 0 shows the from-frame's colour and scale; the
  // offset is always this frame's (0).
  struct Case {
    float progress;
    uint32_t colour;
    float corner3x;
  } cases[] = {{0.0f, 0xFFFFFFFF, 400.0f - 96.0f}, {1.0f, 0xFFFF0000, 400.0f + 32.0f}};
  for (const auto& tc : cases) {
    sink_.quads.clear();
    Han6FramePosition blend;
    blend.frame = 1;
    blend.easing = 1;
    blend.progress = tc.progress;
    blend.fromFrame = 0;
    p.position = &blend;
    DrawPatternFrame(p);
    ASSERT_EQ(sink_.quads.size(), 1u);
    EXPECT_EQ(sink_.quads[0].colour, tc.colour) << tc.progress;
    EXPECT_NEAR(sink_.quads[0].pos[3][0], tc.corner3x, 1e-3) << tc.progress;
  }
}

TEST_F(Han6DrawTest, OffScreenQuadsAreCulledWithoutTouchingTheCache) {
  SmallSheet s;
  struct Case {
    float dx, dy;
    bool drawn;
  } cases[] = {{-40, 0, false}, {0, -60, false},  {1280, 0, false},
               {0, 720, false}, {-20, -20, true}, {1270, 700, true}};
  for (const auto& tc : cases) {
    FlushHan6TextureCache();
    sink_.quads.clear();
    Han6Matrix m = Han6Matrix::Translation(tc.dx, tc.dy, 0);
    CutSpriteDrawParams c;
    c.sheet = s.sheet.get();
    c.spriteNumber = 5;
    c.key = 5;
    c.transform = &m;
    DrawCutSprite(c);
    EXPECT_EQ(sink_.quads.size(), tc.drawn ? 1u : 0u) << tc.dx << "," << tc.dy;
    EXPECT_EQ(Han6CacheSnapshot().size(), tc.drawn ? 1u : 0u);
  }
}

TEST_F(Han6DrawTest, EightBitTechniquesFiltersAndTexelSteps) {
  SmallSheet s;
  struct Case {
    int sprite;
    int32_t edge, shader, flags;
    float scaleX, rotate;
    const char* technique;
    uint8_t filter;
    float texelX0;  // in units of 1/W (W = 32)
  } cases[] = {
      {5, 1, 1, 0, 1.0f, 0, "TecCharaDraw_Edge", 1, 1.0f},
      {5, 0, 2, 0, 2.0f, 0, "TecCharaDrawEx", 1, 0.5f},
      {5, 0, 1, 0, 1.0f, 0, "TecCharaDraw", 1, 1.0f},
      {5, 0, 3, 0, 1.0f, 0, nullptr, 2, 1.0f},
      {5, 0, 1, 0, 0.0f, 0, "TecCharaDraw", 1, 1.0f},  // zero scale: the plain texel size
      {5, 0, 1, 0, 1.0f, 0.1f, nullptr, 2, 0.0f},      // rotated: no technique, linear
      {5, 0, 0, 0, 1.0f, 0.1f, nullptr, 1, 0.0f},
      {7, 0, 1, 0, 1.0f, 0, nullptr, 2, 0.0f},        // colour sprites filter linearly
      {7, 0, 1, 1 << 30, 1.0f, 0, nullptr, 1, 0.0f},  // unless bit 30 keeps point filtering
  };
  for (const auto& tc : cases) {
    sink_.quads.clear();
    Han6Matrix m =
        MulHan6(MulHan6(Han6Matrix::RotationZ(tc.rotate), Han6Matrix::Scaling(tc.scaleX, 1.0f, 1.0f)),
                Han6Matrix::Translation(300, 300, 0));
    CutSpriteDrawParams c;
    c.sheet = s.sheet.get();
    c.spriteNumber = tc.sprite;
    c.key = tc.sprite;
    c.transform = &m;
    c.edgeFlag = tc.edge;
    c.shaderMode = tc.shader;
    c.drawFlags = tc.flags;
    DrawCutSprite(c);
    ASSERT_EQ(sink_.quads.size(), 1u);
    const Han6Quad& q = sink_.quads[0];
    if (tc.technique == nullptr) {
      EXPECT_EQ(q.technique, nullptr);
    } else {
      ASSERT_NE(q.technique, nullptr);
      EXPECT_STREQ(q.technique, tc.technique);
    }
    EXPECT_EQ(q.filterMode, tc.filter);
    if (tc.texelX0 != 0.0f) {
      EXPECT_TRUE(std::isfinite(q.texelX[0]));
      EXPECT_FLOAT_EQ(q.texelX[0], tc.texelX0 / 32.0f);
    }
    // Texture coordinates inset by a quarter texel, ending at the sprite's size.
    EXPECT_FLOAT_EQ(q.u[0], 0.25f / 32.0f);
    EXPECT_FLOAT_EQ(q.v[3], 48.0f / 64.0f);
  }
}

// A part-animation file with one 256 x 256 texture and parts in several slots.
std::unique_ptr<PAniData> Parts(const std::vector<std::pair<int, int>>& slotPriorities, uint8_t reverse = 0) {
  auto pani = std::make_unique<PAniData>();
  auto tex = std::make_unique<PAniTexture>();
  tex->width = tex->height = 256;
  tex->pixels.assign(256 * 256 * 4, 0xFF);
  pani->textures.push_back(std::move(tex));
  auto part = std::make_unique<PAniPart>();
  part->u = 16;
  part->v = 32;
  part->w = 64;
  part->h = 8;
  part->width = 64;
  part->height = 8;
  part->pivotX = 32;
  part->pivotY = 4;
  pani->parts[2] = std::move(part);
  auto pattern = std::make_unique<PAniPattern>();
  for (const auto& [slot, priority] : slotPriorities) {
    auto r = std::make_unique<PAniPartRef>();
    r->partId = 2;
    r->partPriority = priority;
    r->x = slot;  // tells the slots apart in the queued quads
    r->reverse = reverse;
    pattern->refs[slot] = std::move(r);
  }
  pani->patterns[0] = std::move(pattern);
  return pani;
}

TEST_F(Han6DrawTest, PartOrderAndPriorities) {
  auto pani = Parts({{0, 5}, {1, 0}, {2, 130}, {3, 0}, {4, 2}});
  CreatePAniTextures(pani.get());
  struct Case {
    int32_t partPriority;
    std::vector<int> slots;  // queue order
    std::vector<int32_t> priorities;
  } cases[] = {
      {0, {1, 3, 4, 0, 2}, {102, 102, 100, 100, 100}},    // part priority 0 is raised by 2
      {700, {1, 3, 4, 0, 2}, {100, 100, 100, 100, 700}},  // 128 and up take the params' priority
  };
  for (const auto& tc : cases) {
    sink_.quads.clear();
    PAniDrawParams p;
    p.pani = pani.get();
    p.priority = 100;
    p.partPriority = tc.partPriority;
    DrawPAniPattern(p);
    ASSERT_EQ(sink_.quads.size(), tc.slots.size());
    for (size_t i = 0; i < tc.slots.size(); ++i) {
      // x of the quad's first corner: -pivot + slot.
      EXPECT_NEAR(sink_.quads[i].pos[0][0], -32.0f + static_cast<float>(tc.slots[i]), 1e-4) << i;
      EXPECT_EQ(sink_.quads[i].priority, tc.priorities[i]) << i;
    }
  }
}

TEST_F(Han6DrawTest, MirroredTextureCoordinates) {
  struct Case {
    uint8_t reverse;
    float left, right, top, bottom;  // in 1/256 units
  } cases[] = {{0, 16, 80, 32, 40}, {1, 79, 15, 32, 40}, {2, 16, 80, 39, 31}, {3, 79, 15, 39, 31}};
  sink_.bias[0] = 0.5f / 256;   // left
  sink_.bias[3] = 0.25f / 256;  // right
  for (const auto& tc : cases) {
    auto pani = Parts({{0, 0}}, tc.reverse);
    CreatePAniTextures(pani.get());
    sink_.quads.clear();
    PAniDrawParams p;
    p.pani = pani.get();
    p.outlineParts = 1;
    DrawPAniPattern(p);
    ASSERT_EQ(sink_.quads.size(), 2u);
    const Han6Quad& q = sink_.quads[0];
    EXPECT_FLOAT_EQ(q.u[0] * 256, tc.left + 0.5f) << int(tc.reverse);
    EXPECT_FLOAT_EQ(q.u[1] * 256, tc.right + 0.25f) << int(tc.reverse);
    EXPECT_FLOAT_EQ(q.v[0] * 256, tc.top) << int(tc.reverse);
    EXPECT_FLOAT_EQ(q.v[2] * 256, tc.bottom) << int(tc.reverse);
    EXPECT_EQ(sink_.quads[1].texture, nullptr);  // the outline quad
    EXPECT_EQ(sink_.quads[1].colour, 0x9600FF00u);
  }
}

// Made-up handles for cache entries with fake sizes.
TextureHandle* FakeHandle(int i) { return reinterpret_cast<TextureHandle*>(static_cast<uintptr_t>(16 + i)); }

TEST_F(Han6DrawTest, CacheAgeingTrimAndFlush) {
  constexpr int32_t kMiB = 1 << 20;
  // Ageing: a sprite drawn every frame stays; one left alone for 300 frames goes; preloaded
  // entries stay until a flush.
  SmallSheet s;
  AddHan6CacheEntry("idle", 100, FakeHandle(1), 1000, false);
  AddHan6CacheEntry("stage", 101, FakeHandle(2), 5000, true);
  for (int frame = 0; frame < 299; ++frame) {
    ASSERT_NE(GetCutSpriteTexture(s.sheet.get(), 5, 5, 0, 0), nullptr);
    AgeHan6TextureCache();
  }
  EXPECT_EQ(Han6CacheSnapshot().size(), 3u);
  AgeHan6TextureCache();  // the 300th idle frame of "idle"
  std::vector<Han6CacheEntry> left = Han6CacheSnapshot();
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[0].key, 101);
  EXPECT_EQ(left[1].key, 5);
  EXPECT_EQ(Han6CachePreloadedBytes(), 5000);

  // Trim: 50 MiB of counted entries idle for 25 frames; one pass at threshold 20 frees them in
  // list order until the total is below the target.
  FlushHan6TextureCache();
  for (int i = 0; i < 50; ++i) AddHan6CacheEntry("big", 1000 + i, FakeHandle(i), kMiB, false);
  for (int f = 0; f < 25; ++f) AgeHan6TextureCache();
  TrimHan6TextureCache();
  std::vector<Han6CacheEntry> trimmed = Han6CacheSnapshot();
  EXPECT_LT(Han6CacheCountedBytes(), kHan6CacheTrimTarget);
  EXPECT_GE(Han6CacheCountedBytes(), kHan6CacheTrimTarget - kMiB);
  ASSERT_FALSE(trimmed.empty());
  EXPECT_EQ(trimmed.front().key, 1000 + 50 - static_cast<int>(trimmed.size()));  // the oldest went first

  // All idle counts 0: the trim before a new entry flushes everything, preloaded entries too.
  FlushHan6TextureCache();
  for (int i = 0; i < 50; ++i) AddHan6CacheEntry("big", 2000 + i, FakeHandle(i), kMiB, false);
  AddHan6CacheEntry("stage", 3000, FakeHandle(60), kMiB, true);
  ASSERT_NE(GetCutSpriteTexture(s.sheet.get(), 7, 7, 0, 0), nullptr);
  std::vector<Han6CacheEntry> after = Han6CacheSnapshot();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].key, 7);
  EXPECT_EQ(Han6CachePreloadedBytes(), 0);

  // Two key bases give two entries for one sprite.
  FlushHan6TextureCache();
  GetCutSpriteTexture(s.sheet.get(), 5, 0x1000 | 5, 0, 0);
  GetCutSpriteTexture(s.sheet.get(), 5, 0x2000 | 5, 0, 0);
  EXPECT_EQ(Han6CacheSnapshot().size(), 2u);
  // Sizes: 32 x 48 enlarged to 32 x 64, two bytes a pixel for 8-bit sprites.
  EXPECT_EQ(Han6CacheCountedBytes(), 2 * 32 * 64 * 2);
}

TEST_F(Han6DrawTest, SpriteRunsOutsideTheirRectangleAreClipped) {
  // A sprite whose bounding rectangle is smaller than its strip: the copy must stay inside a
  // texture of exactly the rectangle's size.
  backend_.powerOfTwo = false;
  CutSpriteFileDesc d;
  d.cellSize = 32;
  CutSpriteDesc sp;
  sp.number = 1;
  sp.pixelType = 1;
  sp.left = 130;
  sp.top = 230;
  sp.right = 139;  // 10 x 6, while the strip is 32 x 64 starting left of and above it
  sp.bottom = 235;
  sp.chunks.push_back({120, 220, 32, 64, 0, 0, 0, 0});
  sp.pixels.assign(32 * 64 * 4, 0x7F);
  d.sprites.push_back(sp);
  SheetPtr sheet(ParseCutSpriteSheet(WriteCutSpriteFile(d), 1, "clip"));
  ASSERT_NE(sheet, nullptr);
  ASSERT_EQ(CreateCutSpritePages(sheet.get(), nullptr, nullptr, 0, 0), 1);
  TextureHandle* tex = GetCutSpriteTexture(sheet.get(), 1, 1, 0, 0);
  ASSERT_NE(tex, nullptr);
  FakeTexture* t = FakeBackend::Of(tex);
  EXPECT_EQ(t->w, 10);
  EXPECT_EQ(t->h, 6);
  EXPECT_EQ(t->pixels[0], 0x7F);
  EXPECT_EQ(t->pixels.back(), 0x7F);
}

TEST_F(Han6DrawTest, SampleCharacterDrawsEveryPattern) {
  // The sample folder's data, read through the game's file and ini readers.
  std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / "data", "data",
                        std::filesystem::copy_options::recursive);
  for (const char* projectPath : {".\\data\\tester_0.txt", ".\\data\\effect.txt"}) {
    SCOPED_TRACE(projectPath);
    std::unique_ptr<Han6Project> project(LoadHan6Project(projectPath));
    ASSERT_NE(project, nullptr);
    FrameDataSet set;
    std::string error;
    ASSERT_EQ(LoadHan6ProjectData(set, project.get(), &error), 1) << error;
    std::vector<uint8_t> mask(2048, 0);
    const int pages = MarkUsedCutSprites(set.patterns, set.sprites, mask.data(), mask.size());
    EXPECT_GT(pages, 0);
    ASSERT_EQ(CreateCutSpritePages(set.sprites, nullptr, mask.data(), mask.size(), 0), 1);
    CreatePAniTextures(set.pani);
    int frames = 0;
    for (int n = 0; n < kHan6PatternSlots; ++n) {
      for (int f = 0; GetHan6Frame(set.patterns, n, f) != nullptr; ++f, ++frames) {
        sink_.quads.clear();
        Han6FramePosition pos;
        pos.pattern = n;
        pos.frame = f;
        Han6Matrix world = Han6Matrix::Translation(320, 400, 0);
        Han6DrawParams p;
        p.position = &pos;
        p.world = &world;
        p.patternSet = set.patterns;
        p.sheet = set.sprites;
        p.pani = set.pani;
        p.keyBase = 0x10000;
        DrawPatternFrame(p);
        EXPECT_FALSE(sink_.quads.empty()) << "pattern " << n << " frame " << f;
      }
    }
    EXPECT_GT(frames, 10);
    FlushHan6TextureCache();
    FreeFrameDataSetContents(set);
  }
}

}  // namespace
