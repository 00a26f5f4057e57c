// The character sprite player: the change flags of its targets, the state-255 rule, frames and
// their end actions, the fade-in of its colour, where the layers stand by tag type, and the
// cache keys its sprites are converted under.
#include "scene/chara_sprite_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Dxtools/han6_draw_fixture.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"

namespace {

using vt::test::han6::Han6DrawTest;
using vt::test::han6::SmallSheet;

struct FrameSpec {
  int16_t sprite;
  uint16_t duration;
  uint8_t endAction;
  int16_t jump;
};

// Pattern 0: sprite 5 for 2 frames, then sprite 7 for 3 frames looping back to frame 0.
// Pattern 1: one frame that ends into pattern 9, which does not exist.
// Pattern 2: one frame that jumps to frame 4 of its own pattern, which does not exist.
Han6PatternSet* TestPatterns() {
  Han6PatternSet* set = InitHan6PatternSet();
  auto pattern = [set](int number, std::initializer_list<FrameSpec> frames) {
    auto p = std::make_unique<Han6Pattern>();
    for (const FrameSpec& f : frames) {
      Han6Frame frame;
      frame.spriteIndex = f.sprite;
      frame.duration = f.duration;
      frame.endAction = f.endAction;
      frame.jumpTarget = f.jump;
      p->frames.push_back(frame);
    }
    set->patterns[static_cast<size_t>(number)] = std::move(p);
  };
  pattern(0, {{5, 2, 1, 0}, {7, 3, 2, 0}});
  pattern(1, {{5, 2, 0, 9}});
  pattern(2, {{7, 2, 2, 4}});
  return set;
}

class SpritePlayer : public Han6DrawTest {
 protected:
  void SetUp() override {
    Han6DrawTest::SetUp();
    std::string list;
    const int tags[] = {0, 1, 2, 3, 255};
    for (int i = 0; i < 5; ++i)
      list += "[CharaNo_00" + std::to_string(i) + "]\r\nName=T" + std::to_string(i) +
              "\r\nFile1=a\r\nFile2=b\r\nTagType=" + std::to_string(tags[i]) + "\r\n";
    ASSERT_EQ(LoadCharaSelectList(list), 5);
    for (PlayerSelection& s : g_PlayerSelections) s = PlayerSelection{};
  }
  void TearDown() override {
    for (CharaSpriteLayerData& l : player_.layer) ReleaseCharaSpriteLayer(l);
    FreeCharaSelectList();
    Han6DrawTest::TearDown();
  }
  // Both layers with frame data and a sheet, the player ready at character c, colour k.
  void Fill(int character, int colour) {
    InitCharaSpritePlayer(player_, 0);
    for (CharaSpriteLayerData& l : player_.layer) {
      l.frameData.patterns = TestPatterns();
      SmallSheet small;
      l.frameData.sprites = small.sheet.release();
    }
    SetCharaSpriteTarget(player_, character, colour);
    player_.shownFrames = 1;
  }
  CharaSpritePlayer player_;
};

TEST_F(SpritePlayer, TargetChangeFlags) {
  InitCharaSpritePlayer(player_, 1);
  const struct {
    int character, colour;
    uint32_t flags;
  } steps[] = {
      {3, 5, 0x10000 | 2 | 1},  // from none: both
      {3, 5, 0},                // no change
      {3, 6, 1},                // colour only
      {4, 6, 2},                // character only
      {-1, -1, 3},              // back to none: no "from none" mark
      {-1, 2, 1},
  };
  uint32_t all = 0;
  for (const auto& s : steps) {
    player_.shownFrames = 9;
    EXPECT_EQ(SetCharaSpriteTarget(player_, s.character, s.colour), s.flags)
        << s.character << " " << s.colour;
    EXPECT_EQ(player_.character, s.character);
    EXPECT_EQ(player_.colour, s.colour);
    EXPECT_EQ(player_.shownFrames, s.flags != 0 ? 0 : 9);
    all |= s.flags;
    EXPECT_EQ(player_.changeFlags, all);
  }
}

TEST_F(SpritePlayer, NotReadyIgnoresTargetsTicksAndDraws) {
  Fill(0, 3);
  for (int i = 0; i < 10; ++i) TickCharaSpritePlayer(player_);
  player_.state.store(0);
  const CharaSpriteFrameState before = player_.layerFrame[0];
  EXPECT_EQ(SetCharaSpriteTarget(player_, 2, 4), 0u);
  EXPECT_EQ(player_.character, 0);
  EXPECT_EQ(SetCharaSpriteFrame(player_, 0, 1, 0, 1), 0);
  EXPECT_EQ(TickCharaSpritePlayer(player_), 0);
  EXPECT_EQ(player_.layerFrame[0].frameTimer, before.frameTimer);
  EXPECT_EQ(DrawCharaSpritePlayer(player_, 0, 100, 400, 190), 0);
  EXPECT_TRUE(sink_.quads.empty());
  // Ready but not yet shown: nothing ticks or draws either.
  player_.state.store(kCharaSpriteReady);
  player_.shownFrames = 0;
  EXPECT_EQ(TickCharaSpritePlayer(player_), 0);
  EXPECT_EQ(DrawCharaSpritePlayer(player_, 0, 100, 400, 190), 0);
  EXPECT_TRUE(sink_.quads.empty());
}

TEST_F(SpritePlayer, FramesFollowTheirEndActions) {
  Fill(0, 3);
  // Frame 0 lasts 2 frames and goes on to frame 1, which lasts 3 and jumps back to frame 0.
  const int expected[][2] = {{0, 0}, {0, 0}, {0, 1}, {0, 1}, {0, 1}, {0, 0}, {0, 0}, {0, 1}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(player_.layerFrame[0].pattern, expected[i][0]) << i;
    EXPECT_EQ(player_.layerFrame[0].frame, expected[i][1]) << i;
    EXPECT_EQ(player_.layerFrame[0].spriteIndex, expected[i][1] == 0 ? 5 : 7) << i;
    TickCharaSpritePlayer(player_);
  }
  EXPECT_EQ(player_.shownFrames, 9);
  EXPECT_EQ(player_.framesSinceChange, 8);
}

TEST_F(SpritePlayer, AJumpToAMissingFrameStays) {
  Fill(0, 3);
  for (int pattern : {1, 2}) {
    ASSERT_EQ(SetCharaSpriteFrame(player_, 0, pattern, 0, 1), 1);
    for (int i = 0; i < 6; ++i) TickCharaSpritePlayer(player_);
    EXPECT_EQ(player_.layerFrame[0].pattern, pattern);
    EXPECT_EQ(player_.layerFrame[0].frame, 0);
  }
  EXPECT_EQ(SetCharaSpriteFrame(player_, 0, 9, 0, 1), 0);  // and so does a direct one
  EXPECT_EQ(player_.layerFrame[0].pattern, 2);
  // The same frame without force is kept as it runs.
  const int timer = player_.layerFrame[0].frameTimer;
  EXPECT_EQ(SetCharaSpriteFrame(player_, 0, 2, 0, 0), 1);
  EXPECT_EQ(player_.layerFrame[0].frameTimer, timer);
  // A layer without frame data takes no frame.
  ReleaseCharaSpriteLayer(player_.layer[1]);
  EXPECT_EQ(SetCharaSpriteFrame(player_, 1, 0, 0, 1), 0);
}

TEST_F(SpritePlayer, AColourChangeKeepsTheFrameACharacterChangeRestarts) {
  Fill(0, 3);
  for (int i = 0; i < 3; ++i) TickCharaSpritePlayer(player_);
  ASSERT_EQ(player_.layerFrame[0].frame, 1);
  const int since = player_.framesSinceChange;
  EXPECT_EQ(SetCharaSpriteTarget(player_, 0, 8), kCharaSpriteColourChanged);
  EXPECT_EQ(player_.layerFrame[0].frame, 1);
  EXPECT_EQ(player_.layerFrame[1].frame, 1);
  EXPECT_EQ(player_.framesSinceChange, since);
  EXPECT_EQ(SetCharaSpriteTarget(player_, 1, 8), kCharaSpriteCharacterChanged);
  for (int l = 0; l < 2; ++l) {
    EXPECT_EQ(player_.layerFrame[l].pattern, 0);
    EXPECT_EQ(player_.layerFrame[l].frame, 0);
    EXPECT_EQ(player_.layerFrame[l].frameTimer, 0);
  }
  EXPECT_EQ(player_.framesSinceChange, 0);
}

TEST_F(SpritePlayer, ColourFadesIn) {
  const struct {
    int colour, frames;
    uint32_t alpha, rgb, specular;
  } cases[] = {
      {-1, 1, 8, 0, 0xC8C8C8},    {-1, 15, 120, 0, 0xC8C8C8}, {-1, 16, 128, 0, 0xC8C8C8},
      {-1, 40, 128, 0, 0xC8C8C8}, {4, 1, 31, 0xFFFFFF, 0},    {4, 4, 127, 0xFFFFFF, 0},
      {4, 8, 255, 0xFFFFFF, 0},   {4, 30, 255, 0xFFFFFF, 0},
  };
  for (const auto& c : cases) {
    Fill(0, c.colour);
    for (int i = 0; i < c.frames; ++i) TickCharaSpritePlayer(player_);
    sink_.quads.clear();
    ASSERT_EQ(DrawCharaSpritePlayer(player_, 0, 100, 400, 190), 1);
    ASSERT_EQ(sink_.quads.size(), 1u);
    EXPECT_EQ(sink_.quads[0].colour >> 24, c.alpha) << c.colour << " " << c.frames;
    EXPECT_EQ(sink_.quads[0].colour & 0xFFFFFF, c.rgb);
    EXPECT_EQ(sink_.quads[0].specular, c.specular);
  }
  // The override colour stands in for the fade.
  player_.colourOverrideOn = 1;
  player_.overrideColour = 0x80102030u;
  sink_.quads.clear();
  DrawCharaSpritePlayer(player_, 0, 100, 400, 190);
  ASSERT_EQ(sink_.quads.size(), 1u);
  EXPECT_EQ(sink_.quads[0].colour, 0x80102030u);
}

TEST_F(SpritePlayer, LayersStandByTagType) {
  // The left edge of each drawn quad against a single character's, per side.
  auto lefts = [this](int character, int side) {
    Fill(character, 2);
    for (int i = 0; i < 8; ++i) TickCharaSpritePlayer(player_);
    player_.layerFrame[0] = player_.layerFrame[1] = CharaSpriteFrameState{0, 0, 0, 5};
    sink_.quads.clear();
    DrawCharaSpritePlayer(player_, side, 300, 400, 190);
    std::vector<std::pair<float, int>> out;
    for (const Han6Quad& q : sink_.quads)
      out.push_back({std::min({q.pos[0][0], q.pos[1][0], q.pos[2][0], q.pos[3][0]}), q.priority});
    return out;
  };
  const struct {
    int character;
    int layer0, layer1;  // shift on side 0; side 1 mirrors it
    bool partnerInFront;
  } cases[] = {
      {1, 24, -24, false},  // tag 1: in towards the middle, the partner behind towards the edge
      {2, 24, -24, false},  // tag 2 likewise
      {3, -24, 24, true},   // tag 3: out towards the edge, the partner in front towards the middle
      {4, 24, -24, false},  // tag 255 is placed as 1
  };
  for (int side : {0, 1}) {
    const auto single = lefts(0, side);
    ASSERT_EQ(single.size(), 1u);  // tag 0: one layer, unmoved
    const float base = single[0].first;
    EXPECT_FLOAT_EQ(base, side == 0 ? 300.0f : 300.0f - 64.0f);  // drawn twice the size, mirrored on side 1
    const int inward = side == 0 ? 1 : -1;
    for (const auto& c : cases) {
      const auto q = lefts(c.character, side);
      ASSERT_EQ(q.size(), 2u) << c.character;
      // Queued layer 0 first, then layer 1.
      EXPECT_FLOAT_EQ(q[0].first - base, static_cast<float>(c.layer0 * inward)) << c.character << " " << side;
      EXPECT_FLOAT_EQ(q[1].first - base, static_cast<float>(c.layer1 * inward)) << c.character << " " << side;
      EXPECT_EQ(q[0].second, 190);
      EXPECT_EQ(q[1].second, c.partnerInFront ? 191 : 190);
    }
  }
}

TEST_F(SpritePlayer, EachColourOfEachCharacterHasItsOwnCacheKeys) {
  EXPECT_EQ(CharaSpriteCacheKey(0, 3, 7), (3 << 8 | 7) << 16);
  EXPECT_EQ(CharaSpriteCacheKey(1, 3, 7), ((3 | 0x40) << 8 | 7) << 16);
  EXPECT_EQ(static_cast<uint32_t>(CharaSpriteCacheKey(0, 35, 51)),
            static_cast<uint32_t>((35 << 8 | 51) << 16));
  // The silhouette (colour -1) keeps the layers apart as well.
  EXPECT_NE(CharaSpriteCacheKey(0, -1, 7), CharaSpriteCacheKey(1, -1, 7));
  std::vector<int32_t> keys;
  for (int layer = 0; layer < 2; ++layer)
    for (int colour = -1; colour < 36; ++colour)
      for (int character : {0, 1, 51, 199}) keys.push_back(CharaSpriteCacheKey(layer, colour, character));
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
  for (int32_t k : keys) EXPECT_EQ(k & 0xFFFF, 0);  // room for the sprite number

  // Drawn sprites are cached under them.
  Fill(1, 6);
  for (int i = 0; i < 8; ++i) TickCharaSpritePlayer(player_);
  DrawCharaSpritePlayer(player_, 0, 300, 400, 190);
  std::vector<int32_t> cached;
  for (const Han6CacheEntry& e : Han6CacheSnapshot()) cached.push_back(e.key);
  for (int layer = 0; layer < 2; ++layer) {
    const int32_t key = CharaSpriteCacheKey(layer, 6, 1) | player_.layerFrame[layer].spriteIndex;
    EXPECT_NE(std::find(cached.begin(), cached.end(), key), cached.end()) << layer;
  }
}

TEST_F(SpritePlayer, PaletteOfAColour) {
  CharaSpriteLayerData layer;
  EXPECT_EQ(CharaSpritePaletteOf(layer, 0), nullptr);
  layer.palette.assign(4 + 2 * 1024, 0);
  layer.palette[0] = 3;  // declares three, holds two
  layer.palette[4 + 1024] = 77;
  EXPECT_NE(CharaSpritePaletteOf(layer, 0), nullptr);
  ASSERT_NE(CharaSpritePaletteOf(layer, 1), nullptr);
  EXPECT_EQ(CharaSpritePaletteOf(layer, 1)[0], 77);
  EXPECT_EQ(CharaSpritePaletteOf(layer, 2), nullptr);
  EXPECT_EQ(CharaSpritePaletteOf(layer, -1), nullptr);
}

}  // namespace
