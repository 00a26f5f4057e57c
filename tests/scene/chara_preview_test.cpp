// The preview slots' hand-shake with the preloader, driven one pass at a time with a load step
// that records what it is asked to load: rapid moves load only the newest request, a waiting or
// loading slot is not restarted, a colour change rebuilds without the thread, a side losing its
// controller drops only an unclaimed request, the decision pose draws by the list; and the real
// load step over the sample data: one layer for a single character, two for a partner, the
// portraits, and a stop that frees everything.
#include "scene/chara_preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_builder.h"
#include "Dxtools/BmpcutFiles/cut_sprite_palette.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/chara_list.h"
#include "scene/scene_fixture.h"
#include "support/test_util.h"

namespace {

namespace fs = std::filesystem;

struct FakeLoader {
  std::vector<std::pair<int, int>> loads;  // (side, character)
  std::function<void(CharaPreviewSlot&, int side)> during;
  bool fill = true;
};
FakeLoader g_Fake;

// Patterns 0 (two frames, looping), 1 (one frame) and, unless `withPose2` is false, 2.
Han6PatternSet* FakePatterns(bool withPose2) {
  Han6PatternSet* set = InitHan6PatternSet();
  for (int n = 0; n < (withPose2 ? 3 : 2); ++n) {
    auto p = std::make_unique<Han6Pattern>();
    for (int f = 0; f < (n == 0 ? 2 : 1); ++f) {
      Han6Frame frame;
      frame.spriteIndex = 5;
      frame.duration = 4;
      frame.endAction = n == 0 && f == 1 ? 2 : 1;
      p->frames.push_back(frame);
    }
    set->patterns[static_cast<size_t>(n)] = std::move(p);
  }
  return set;
}

// A sheet with one 8-bit sprite (number 5) of palette index 3, its pixels kept for page builds.
CutSpriteSheet* FakeSheet() {
  CutSpriteSheetBuilder b(16);
  CutSpriteImage a;
  a.number = 5;
  a.name = "five";
  a.pixelType = 0;
  a.left = 128;
  a.top = 224;
  a.width = 16;
  a.height = 16;
  a.pixels.assign(16 * 16, 3);
  b.Add(a);
  return ParseCutSpriteSheet(WriteCutSpriteFile(b.Build()), 1, "fake");
}

// Two palettes whose entry 3 is pure red and pure blue.
std::vector<uint8_t> FakePalettes() {
  std::vector<CutSpritePalette> p(2);
  p[0][12] = 255;
  p[0][15] = 255;
  p[1][14] = 255;
  p[1][15] = 255;
  return WritePaletteFile(p);
}

bool g_WithPose2 = true;

void FakeStep(CharaPreviewSlot& slot, int side, int character) {
  g_Fake.loads.push_back({side, character});
  if (g_Fake.during) g_Fake.during(slot, side);
  if (g_Fake.fill) {
    const int layers = character == 2 ? 2 : 1;  // character 2 has a partner in the list below
    for (int l = 0; l < layers; ++l) {
      slot.player.layer[l].frameData.patterns = FakePatterns(g_WithPose2);
      slot.player.layer[l].frameData.sprites = FakeSheet();
      slot.player.layer[l].palette = FakePalettes();
    }
  }
  BuildCharaPreviewSprites(slot);
}

class Previews : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    battle_test::ResetWorld();
    scene_test::ResetSceneWords();
    FillDefaultGameData(config_);
    g_GameData = &config_;
    g_Fake = FakeLoader{};
    g_WithPose2 = true;
    previous_ = SetCharaPreviewLoadStep(FakeStep);
    ASSERT_EQ(LoadCharaSelectList("[CharaNo_000]\r\nName=A\r\nFile1=tester\r\nFile2=0\r\n"
                                  "[CharaNo_002]\r\nName=P\r\nFile1=duelist\r\nFile2=tester\r\nTagType=1\r\n"
                                  "[CharaNo_003]\r\nName=B\r\nFile1=duelist\r\nFile2=1\r\n"
                                  "[CharaNo_005]\r\nName=C\r\nFile1=tester\r\nFile2=0\r\n"
                                  "[CharaNo_011]\r\nName=D\r\nFile1=duelist\r\nFile2=0\r\n"),
              5);
    for (int s = 0; s < 2; ++s) {
      g_CharaSelectSides[s] = CharaSelectSide{};
      g_CharaSelectSides[s].controller = s;
      g_CharaSelectSides[s].character = s == 0 ? 0 : 11;
    }
    vt::SetDebugQuiet(true);
    SetUpCharaPreviews();
  }
  void TearDown() override {
    StopCharaPreloader();
    SetCharaPreviewLoadStep(previous_);
    vt::SetDebugQuiet(false);
    FreeCharaSelectList();
    g_GameData = nullptr;
    scene_test::ResetSceneWords();
    battle_test::ResetWorld();
    RecordingGfx::TearDown();
  }
  static CharaPreviewSlot& Slot(int side) { return *GetCharaPreviewSlot(side); }
  // Frames until both slots show what their sides ask for, running a pass between them.
  static void Settle() {
    for (int i = 0; i < 6; ++i) {
      UpdateCharaPreviews(true);
      RunCharaPreloaderPass();
    }
    UpdateCharaPreviews(true);
  }
  std::vector<int> LoadsOf(int side) const {
    std::vector<int> out;
    for (auto [s, c] : g_Fake.loads)
      if (s == side) out.push_back(c);
    return out;
  }
  GameData config_{};
  CharaPreviewLoadStep previous_ = nullptr;
};

TEST_F(Previews, NothingHappensUntilTheGridIsReady) {
  UpdateCharaPreviews(false);
  RunCharaPreloaderPass();
  EXPECT_TRUE(g_Fake.loads.empty());
  EXPECT_EQ(Slot(0).shown.load(), 1);
}

TEST_F(Previews, RapidMovesLoadOnlyTheNewestRequest) {
  UpdateCharaPreviews(true);  // both sides ask for their characters
  EXPECT_EQ(Slot(0).requestedCharacter.load(), 0);
  EXPECT_EQ(Slot(0).shown.load(), 0);
  // The cursor runs on over several characters while the thread has not looked yet: the
  // waiting request is not restarted.
  for (int c : {2, 3, 5}) {
    g_CharaSelectSides[0].character = c;
    UpdateCharaPreviews(true);
    EXPECT_EQ(Slot(0).requestedCharacter.load(), 0);
  }
  EXPECT_EQ(RunCharaPreloaderPass(), 2);
  EXPECT_EQ(Slot(0).loadState.load(), kPreviewLoaded);
  UpdateCharaPreviews(true);  // the load is seen: shown
  EXPECT_EQ(Slot(0).shown.load(), 1);
  EXPECT_EQ(Slot(0).portraitsPresent, 1);
  UpdateCharaPreviews(true);  // the target test sees the newest character and asks for it
  EXPECT_EQ(Slot(0).requestedCharacter.load(), 5);
  EXPECT_EQ(Slot(0).shown.load(), 0);
  EXPECT_EQ(Slot(0).portraitsPresent, 0);
  RunCharaPreloaderPass();
  EXPECT_EQ(LoadsOf(0), (std::vector<int>{0, 5}));
  EXPECT_EQ(LoadsOf(1), (std::vector<int>{11}));
}

TEST_F(Previews, ALoadingSlotIsNotRestarted) {
  UpdateCharaPreviews(true);
  g_Fake.during = [](CharaPreviewSlot& slot, int side) {
    if (side != 0) return;
    // Frames the scene runs while the thread loads: the character moves on.
    g_CharaSelectSides[0].character = 3;
    UpdateCharaPreviews(true);
    EXPECT_EQ(slot.loadState.load(), kPreviewLoading);
    EXPECT_EQ(slot.requestedCharacter.load(), 0);
    EXPECT_EQ(slot.shown.load(), 0);
  };
  RunCharaPreloaderPass();
  g_Fake.during = nullptr;
  Settle();
  EXPECT_EQ(LoadsOf(0), (std::vector<int>{0, 3}));
  EXPECT_EQ(Slot(0).player.character, 3);
}

TEST_F(Previews, AColourChangeRebuildsWithoutTheThread) {
  Settle();
  CharaPreviewSlot& slot = Slot(0);
  ASSERT_EQ(slot.shown.load(), 1);
  ASSERT_EQ(SetCharaSpriteFrame(slot.player, 0, 0, 1, 1), 1);
  UpdateCharaPreviews(true);
  const CharaSpriteFrameState frame = slot.player.layerFrame[0];
  ASSERT_EQ(frame.frame, 1);
  const size_t loads = g_Fake.loads.size();
  // The sprite's pixels (palette entry 3) on its page take the palette of the colour shown:
  // red for colour 0, blue for colour 1.
  auto pageColour = [&slot]() -> std::array<uint8_t, 4> {
    std::array<uint8_t, 4> argb{};
    CutSpriteSheet* sheet = slot.player.layer[0].frameData.sprites;
    if (sheet == nullptr || sheet->pages.empty() || sheet->pages[0] == nullptr) return argb;
    vt::gfx::Texture* t = HandleTexture(sheet->pages[0]);
    const CutPixelFormat format = CutSpritePageFormat(*sheet, 0, false);
    const int bpp = CutPixelFormatBytes(format);
    for (uint32_t y = 0; y < t->Height(); ++y)
      for (uint32_t x = 0; x < t->Width(); ++x) {
        ReadFormatPixel(t->Pixels().data() + y * t->Pitch() + x * bpp, format, argb.data());
        if (argb[0] != 0) return argb;
      }
    return argb;
  };
  auto before = pageColour();
  EXPECT_GT(before[1], 200);
  EXPECT_LT(before[3], 50);
  g_CharaSelectSides[0].colour = 1;
  UpdateCharaPreviews(true);
  EXPECT_EQ(slot.shown.load(), 1);
  EXPECT_EQ(slot.player.shownFrames, 1);
  EXPECT_EQ(slot.player.colour, 1);
  EXPECT_EQ(slot.player.layerFrame[0].pattern, frame.pattern);
  EXPECT_EQ(slot.player.layerFrame[0].frame, frame.frame);
  auto after = pageColour();
  EXPECT_LT(after[1], 50);
  EXPECT_GT(after[3], 200);
  EXPECT_EQ(RunCharaPreloaderPass(), 0);
  EXPECT_EQ(g_Fake.loads.size(), loads);
}

TEST_F(Previews, ACharacterChangeResetsTypeAndColour) {
  Settle();
  CharaSelectSide& side = g_CharaSelectSides[1];
  side.type = 2;
  side.colour = 9;
  UpdateCharaPreviews(true);  // colour only: kept
  EXPECT_EQ(side.colour, 9);
  side.character = 5;
  UpdateCharaPreviews(true);
  EXPECT_EQ(side.type, 0);
  EXPECT_EQ(side.colour, 0);
  EXPECT_FLOAT_EQ(Slot(1).colourList.places[0].position, 0.0f);
}

TEST_F(Previews, ASideLosingItsControllerDropsOnlyAnUnclaimedRequest) {
  UpdateCharaPreviews(true);
  ASSERT_EQ(Slot(1).requestedCharacter.load(), 11);
  // Claimed: the load goes on with its request.
  g_Fake.during = [](CharaPreviewSlot& slot, int side) {
    if (side != 1) return;
    g_CharaSelectSides[1].controller = -1;
    UpdateCharaPreviews(true);
    EXPECT_EQ(slot.requestedCharacter.load(), 11);
    EXPECT_EQ(slot.loadState.load(), kPreviewLoading);
  };
  RunCharaPreloaderPass();
  g_Fake.during = nullptr;
  EXPECT_EQ(LoadsOf(1), (std::vector<int>{11}));

  // Given its player back, the side shows what was loaded for it.
  g_CharaSelectSides[1].controller = 1;
  Settle();
  EXPECT_EQ(Slot(1).shown.load(), 1);
  EXPECT_EQ(Slot(1).player.character, 11);
  // Unclaimed: dropped, and nothing is loaded for it.
  g_CharaSelectSides[1].character = 5;
  UpdateCharaPreviews(true);
  ASSERT_EQ(Slot(1).shown.load(), 0);
  ASSERT_EQ(Slot(1).requestedCharacter.load(), 5);
  g_CharaSelectSides[1].controller = -1;
  UpdateCharaPreviews(true);
  EXPECT_EQ(Slot(1).requestedCharacter.load(), -1);
  RunCharaPreloaderPass();
  EXPECT_EQ(LoadsOf(1), (std::vector<int>{11}));
  // Given a player again, the side asks anew and is shown.
  g_CharaSelectSides[1].controller = 0;
  Settle();
  EXPECT_EQ(LoadsOf(1), (std::vector<int>{11, 5}));
  EXPECT_EQ(Slot(1).shown.load(), 1);
  EXPECT_EQ(Slot(1).requestedCharacter.load(), 5);
}

TEST_F(Previews, DecisionPoseDrawsOneCoinPerLayerOfTheCharacter) {
  SeedRandStream(kRandCommonStream, 4242);
  g_CharaSelectSides[0].character = 2;  // a partner: two layers
  // Not loaded yet: the coins are drawn all the same.
  UpdateCharaPreviews(true);
  int32_t count = g_RandDrawCount;
  PlayCharaPreviewDecisionPose(0);
  EXPECT_EQ(g_RandDrawCount, count + 2);
  PlayCharaPreviewDecisionPose(1);  // character 11: one layer
  EXPECT_EQ(g_RandDrawCount, count + 3);

  Settle();
  for (bool withPose2 : {true, false}) {
    g_WithPose2 = withPose2;
    g_CharaSelectSides[0].character = withPose2 ? 0 : 5;
    Settle();
    CharaPreviewSlot& slot = Slot(0);
    ASSERT_EQ(slot.shown.load(), 1);
    RandStream saved = g_RandStreams[kRandCommonStream];
    const int pattern = 1 + RandStreamNext(kRandCommonStream) % 2;
    g_RandStreams[kRandCommonStream] = saved;
    count = g_RandDrawCount;
    PlayCharaPreviewDecisionPose(0);
    EXPECT_EQ(g_RandDrawCount, count + 1);
    // Without pattern 2 the pose falls back to pattern 1.
    EXPECT_EQ(slot.player.layerFrame[0].pattern, withPose2 ? pattern : 1) << withPose2;
    EXPECT_EQ(slot.player.layerFrame[0].frame, 0);
  }
}

TEST_F(Previews, ConfirmedCharacterFlashes) {
  Settle();
  FlashCharaPreview(0);
  EXPECT_FLOAT_EQ(Slot(0).flash, 1.0f);
  UpdateCharaPreviews(true);
  EXPECT_FLOAT_EQ(Slot(0).flash, 1.0f - 1.0f / 30.0f);
}

TEST_F(Previews, NameNumbers) {
  const int cases[][2] = {{0, 0},   {15, 15}, {16, 29}, {17, 16}, {20, 19}, {21, -1}, {22, 20},
                          {23, 21}, {25, 22}, {28, 23}, {35, 30}, {51, 31}, {99, -1}, {-1, -1}};
  for (const auto& c : cases) EXPECT_EQ(CharaNameNumber(c[0]), c[1]) << c[0];
}

TEST_F(Previews, MissingPicturesDrawNothing) {
  Settle();
  for (int i = 0; i < 20; ++i) UpdateCharaPreviews(true);
  ResetDrawList(&g_MainDrawList);
  g_D3DDevice->Records().clear();
  // No portrait, no name sheets, no frame data: nothing at all.
  for (int s = 0; s < 2; ++s) ReleaseCharaSpriteLayer(Slot(s).player.layer[0]);
  DrawCharaPreviews();
  RenderMain();
  EXPECT_TRUE(Draws().empty());
}

// ---- the real load step over the sample data ----

class SamplePreviews : public Previews {
 protected:
  void SetUp() override {
    Previews::SetUp();
    SetCharaPreviewLoadStep(nullptr);
    for (const char* folder : {"data", "grp"})
      fs::copy(fs::path(VT_SAMPLE_DIR) / folder, folder, fs::copy_options::recursive);
    ASSERT_EQ(LoadCharaSelectList(vt::test::ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt")), 31);
    // An entry whose second file begins with "1": no second layer either.
    ASSERT_EQ(LoadCharaSelectList(vt::test::ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt") +
                                  "[CharaNo_040]\r\nName=Odd\r\nFile1=duelist\r\nFile2=1\r\nTagType=1\r\n"),
              32);
  }
};

TEST_F(SamplePreviews, SecondFileZeroOrOneGivesOneLayer) {
  const struct {
    int character;
    bool secondLayer;
  } cases[] = {{0, false}, {2, true}, {3, true}, {40, false}, {4, false}};
  for (const auto& c : cases) {
    g_CharaSelectSides[0].character = c.character;
    Settle();
    CharaPreviewSlot& slot = Slot(0);
    ASSERT_EQ(slot.shown.load(), 1) << c.character;
    EXPECT_NE(slot.player.layer[0].frameData.patterns, nullptr) << c.character;
    EXPECT_EQ(slot.player.layer[1].frameData.patterns != nullptr, c.secondLayer) << c.character;
    EXPECT_EQ(slot.player.layer[1].palette.empty(), !c.secondLayer) << c.character;
    EXPECT_GE(slot.player.shownFrames, 1);
    EXPECT_EQ(slot.player.state.load(), kCharaSpriteReady);
    // The portrait exists for the grid's characters only.
    EXPECT_EQ(slot.portrait != nullptr, c.character != 40) << c.character;
    EXPECT_NE(GetHan6Frame(slot.player.layer[0].frameData.patterns, 1, 0), nullptr);
    EXPECT_NE(GetHan6Frame(slot.player.layer[0].frameData.patterns, 2, 0), nullptr);
  }
}

TEST_F(SamplePreviews, PreviewsDrawPortraitsPlatesAndTheCharacter) {
  StopCharaPreloader();
  SetUpCharaPreviews();  // with the sample's name sheets
  g_CharaSelectSides[1].character = 2;
  Settle();
  for (int i = 0; i < 30; ++i) UpdateCharaPreviews(true);
  ResetDrawList(&g_MainDrawList);
  g_D3DDevice->Records().clear();
  DrawCharaPreviews();
  RenderMain();
  // Quads of one texture may share a draw call: they are counted by their triangles.
  const uint64_t portrait0 = HandleTexture(Slot(0).portrait)->Serial();
  uint32_t portraitTriangles = 0, all = 0;
  for (const auto* d : Draws()) {
    if (d->textureSerial == portrait0) portraitTriangles += d->primitiveCount;
    all += d->primitiveCount;
  }
  EXPECT_EQ(portraitTriangles, 4u);  // the portrait and its shadow
  EXPECT_GE(all, 4u + 4u + 8u);      // with the other side's, and the four name plates
}

TEST_F(SamplePreviews, StopJoinsAndFreesEverything) {
  StopCharaPreloader();
  const int textures = g_TextureCount.load();
  StartCharaPreloader();
  g_CharaSelectSides[1].character = 2;
  UpdateCharaPreviews(true);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (Slot(1).loadState.load() != kPreviewLoaded && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(Slot(1).loadState.load(), kPreviewLoaded);
  for (int i = 0; i < 10; ++i) {
    UpdateCharaPreviews(true);
    DrawCharaPreviews();
    RenderMain();
    ResetDrawList(&g_MainDrawList);
  }
  EXPECT_GT(g_TextureCount.load(), textures);
  StopCharaPreloader();
  EXPECT_EQ(GetCharaPreviewSlot(0), nullptr);
  EXPECT_EQ(g_TextureCount.load(), textures);
  EXPECT_TRUE(Han6CacheSnapshot().empty());
}

}  // namespace
