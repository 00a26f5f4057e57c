// The afterimage trail (the ring's reset and push, which entry image i draws, its alpha law and
// colour modes, the gates) and the frame-point lookups on a part-animation fixture (facing,
// scale, rotation, the frame's offset, a cut-sprite frame, the blend toward the next frame) and
// the target point; and the trail's place in the battle state hash.
#include "battle/afterimage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "Dxtools/Han6Files/pani_data.h"
#include "Dxtools/han6_draw_fixture.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/battle_rules.h"
#include "battle/battle_seams.h"
#include "battle/character_draw.h"
#include "battle_fixture.h"

namespace {

using battle_test::FrameDef;

float Left(const Han6Quad& q) {
  float x = 1e9f;
  for (const auto& p : q.pos) x = std::min(x, p[0] / (p[3] == 0.0f ? 1.0f : p[3]));
  return x;
}

class Afterimage : public battle_test::BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    ResetBattleDrawSeams();
    SetHan6TextureBackend(&backend_);
    SetHan6DrawSink(&sink_);
    FlushHan6TextureCache();
    InstallAfterimageSeams();
    // Pattern 0: a cut sprite, two frames; pattern 300 (past a byte) a cut sprite too.
    FrameDef f;
    f.spriteKind = 0;
    f.sprite = 5;
    f.endAction = 0;
    data_.Pattern(0, {f, f});
    data_.Pattern(300, {f});
    sheet_.emplace();
    data_.Set()->sprites = sheet_->sheet.get();
    o_ = &battle_test::PlaceCharacter(0, data_.Set(), 100 * 128);
    o_->drawPriority = 100;
    o_->scaleX = o_->scaleY = 1.0f;
  }
  void TearDown() override {
    FlushHan6TextureCache();
    sheet_.reset();
    SetHan6DrawSink(nullptr);
    SetHan6TextureBackend(nullptr);
    ResetBattleDrawSeams();
    g_BattleDrawSubmit = true;
    BattleTest::TearDown();
  }
  // The afterimage quads (one priority below the fighter's 356).
  std::vector<Han6Quad> Images() const {
    std::vector<Han6Quad> out;
    for (const Han6Quad& q : sink_.quads)
      if (q.priority == 355) out.push_back(q);
    return out;
  }

  vt::test::han6::FakeBackend backend_;
  vt::test::han6::RecordingSink sink_;
  std::optional<vt::test::han6::SmallSheet> sheet_;
  battle_test::TestFrameData data_;
  BattleObject* o_ = nullptr;
};

TEST_F(Afterimage, ResetFillsTheRingAndPushShiftsItNewestFirst) {
  o_->pattern = 300;
  o_->frame = 0;
  o_->facing = 1;
  o_->frameTimer = 4;
  ResetTrail(0, *o_);
  for (const TrailEntry& e : g_AfterimageTrail[0]) {
    EXPECT_EQ(e.x, 100 * 128);
    EXPECT_EQ(e.pattern, 300);  // kept whole, not cut to a byte
    EXPECT_EQ(e.facing, 1);
    EXPECT_EQ(e.frameTimer, 4);
    EXPECT_NE(e.frameRec, nullptr);
  }
  for (int step = 1; step <= 3; ++step) {
    o_->posX = (100 + step) * 128;
    o_->pattern = 0;
    o_->frame = step & 1;
    BattleSeamPushTrail(o_);
  }
  const TrailEntry* ring = g_AfterimageTrail[0];
  EXPECT_EQ(ring[0].x, 103 * 128);
  EXPECT_EQ(ring[0].frame, 1);
  EXPECT_EQ(ring[1].x, 102 * 128);
  EXPECT_EQ(ring[1].frame, 0);
  EXPECT_EQ(ring[2].x, 101 * 128);
  EXPECT_EQ(ring[3].x, 100 * 128);
  EXPECT_EQ(ring[3].pattern, 300);
  EXPECT_EQ(ring[119].pattern, 300);
  // Other slots' rings are untouched; a slot outside 0..3 and an object that is no character
  // change nothing.
  EXPECT_EQ(g_AfterimageTrail[1][0].frameRec, nullptr);
  BattleObject stranger = *o_;
  PushTrail(stranger);
  ResetTrail(4, *o_);
  ResetTrail(-1, *o_);
  EXPECT_EQ(ring[0].x, 103 * 128);
  for (int s = 1; s < 4; ++s) EXPECT_EQ(g_AfterimageTrail[s][0].frameRec, nullptr);
}

TEST_F(Afterimage, WhichEntryImageIDraws) {
  struct Row {
    uint8_t stride, count;
    int i;
    int entry;  // -1: nothing drawn
  };
  const Row rows[] = {
      {40, 3, 0, 40}, {40, 3, 1, 80},  {40, 3, 2, -1},  // entry 120 is past the ring
      {1, 3, 0, 1},   {59, 3, 1, 118}, {119, 2, 0, 119}, {120, 2, 0, -1}, {255, 2, 0, -1},
  };
  // The fighter's own sprite at 100 pixels, for the images' places.
  DrawBattleObject(*o_, BattleDrawLook{});
  ASSERT_EQ(sink_.quads.size(), 1u);
  const float base = Left(sink_.quads[0]);
  for (const Row& r : rows) {
    // Entry k stands k pixels right of the fighter.
    for (int k = kTrailLength - 1; k >= 0; --k) {
      o_->posX = (100 + k) * 128;
      PushTrail(*o_);
    }
    o_->posX = 100 * 128;
    o_->trailStride = r.stride;
    o_->trailCount = r.count;
    o_->trailColour = 5;
    sink_.quads.clear();
    DrawAfterimage(0, *o_, r.i);
    const std::vector<Han6Quad> q = Images();
    if (r.entry < 0) {
      EXPECT_TRUE(q.empty()) << int{r.stride} << " " << r.i;
      continue;
    }
    ASSERT_EQ(q.size(), 1u) << int{r.stride} << " " << r.i;
    EXPECT_FLOAT_EQ(Left(q[0]) - base, static_cast<float>(r.entry)) << int{r.stride} << " " << r.i;
  }
}

TEST_F(Afterimage, AlphaFallsWithTheImageNumber) {
  struct Row {
    uint8_t count;
    int i;
    uint32_t alpha;
  };
  const Row rows[] = {{3, 0, 150}, {3, 1, 100}, {3, 2, 50}, {1, 0, 150}, {7, 3, 85}, {7, 6, 21}};
  ResetTrail(0, *o_);
  o_->trailStride = 1;
  o_->trailColour = 5;
  for (const Row& r : rows) {
    o_->trailCount = r.count;
    sink_.quads.clear();
    DrawAfterimage(0, *o_, r.i);
    ASSERT_EQ(Images().size(), 1u);
    EXPECT_EQ(Images()[0].colour >> 24, r.alpha) << int{r.count} << " " << r.i;
  }
}

TEST_F(Afterimage, ColourModes) {
  struct Row {
    uint8_t mode;
    uint32_t rgb;
    uint8_t blend;
  };
  const Row rows[] = {
      {1, 0x0000FF, 1},  {2, 0xFF0000, 1},  {3, 0x00FF00, 1}, {4, 0xFFFF00, 1},   {5, 0xFFFFFF, 1},
      {6, 0x000000, 1},  {7, 0x0000FF, 2},  {8, 0xFF0000, 2}, {9, 0x00FF00, 2},   {10, 0xFFFF00, 2},
      {11, 0xFFFFFF, 2}, {12, 0xFFFFFF, 1}, {0, 0xFFFFFF, 1}, {200, 0xFFFFFF, 1},
  };
  ResetTrail(0, *o_);
  o_->trailStride = 2;
  o_->trailCount = 1;
  for (const Row& r : rows) {
    o_->trailColour = r.mode;
    sink_.quads.clear();
    DrawAfterimage(0, *o_, 0);
    ASSERT_EQ(Images().size(), 1u) << int{r.mode};
    EXPECT_EQ(Images()[0].colour, 150u << 24 | r.rgb) << int{r.mode};
    EXPECT_EQ(Images()[0].blendMode, r.blend) << int{r.mode};
  }
}

TEST_F(Afterimage, NothingWhileHiddenHeadlessOrWithoutAFrame) {
  o_->trailStride = 1;
  o_->trailCount = 2;
  o_->trailColour = 1;
  struct Gate {
    const char* name;
    void (*set)(BattleObject&);
  };
  const Gate gates[] = {
      {"trail hidden", [](BattleObject&) { g_TrailHidden = 60; }},
      {"trail hidden, last frame", [](BattleObject&) { g_TrailHidden = 1; }},
      {"headless", [](BattleObject&) { g_BattleDrawSubmit = false; }},
      {"entry without a frame", [](BattleObject&) { ClearAfterimageTrails(); }},
      {"no images", [](BattleObject& o) { o.trailCount = 0; }},
  };
  for (const Gate& g : gates) {
    ResetTrail(0, *o_);
    g.set(*o_);
    sink_.quads.clear();
    for (int i = 0; i < 2; ++i) DrawAfterimage(0, *o_, i);
    EXPECT_TRUE(Images().empty()) << g.name;
    g_TrailHidden = 0;
    g_BattleDrawSubmit = true;
    o_->trailCount = 2;
  }
  // Open again: both images.
  ResetTrail(0, *o_);
  sink_.quads.clear();
  for (int i = 0; i < 2; ++i) DrawAfterimage(0, *o_, i);
  EXPECT_EQ(Images().size(), 2u);
}

TEST_F(Afterimage, TheCharacterPassDrawsTheImagesThroughTheSeams) {
  o_->trailStride = 10;
  o_->trailCount = 3;
  o_->trailColour = 8;
  o_->trailReset = 1;
  o_->frameRec = GetHan6Frame(data_.Set()->patterns, 0, 0);
  DrawCharacters();
  EXPECT_EQ(o_->trailReset, 0);
  EXPECT_EQ(Images().size(), 3u);
  for (const Han6Quad& q : Images()) EXPECT_EQ(q.blendMode, 2);
}

TEST_F(Afterimage, TheTrailIsPartOfTheStateHash) {
  ResetTrail(0, *o_);
  const uint64_t h = BattleStateHash();
  EXPECT_EQ(BattleStateHash(), h);
  struct Change {
    const char* name;
    void (*apply)(TrailEntry&);
  };
  const Change changes[] = {
      {"x", [](TrailEntry& e) { ++e.x; }},
      {"y", [](TrailEntry& e) { ++e.y; }},
      {"pattern", [](TrailEntry& e) { e.pattern += 256; }},
      {"frame", [](TrailEntry& e) { ++e.frame; }},
      {"facing", [](TrailEntry& e) { e.facing ^= 1; }},
      {"frame timer", [](TrailEntry& e) { ++e.frameTimer; }},
      {"no frame", [](TrailEntry& e) { e.frameRec = nullptr; }},
  };
  for (const Change& c : changes) {
    const TrailEntry saved = g_AfterimageTrail[0][77];
    c.apply(g_AfterimageTrail[0][77]);
    EXPECT_NE(BattleStateHash(), h) << c.name;
    g_AfterimageTrail[0][77] = saved;
  }
  // Where the frame record lies in memory is no state: another address of a frame hashes alike.
  ResetTrail(0, *o_);
  const uint64_t before = BattleStateHash();
  static Han6Frame other;
  for (TrailEntry& e : g_AfterimageTrail[0]) e.frameRec = &other;
  EXPECT_EQ(BattleStateHash(), before);
}

// --- frame points -------------------------------------------------------------------------------

class FramePoints : public battle_test::BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    InstallAfterimageSeams();
    // PAni pattern 7: slot 2 at (10, -20), a quarter turn; pattern 8: slot 2 at (30, -20), a half.
    pani_.patterns.resize(9);
    for (int n : {7, 8}) {
      pani_.patterns[n] = std::make_unique<PAniPattern>();
      auto ref = std::make_unique<PAniPartRef>();
      ref->partId = 1;
      ref->x = n == 7 ? 10 : 30;
      ref->y = -20;
      ref->angle = n == 7 ? 0.25f : 0.5f;
      ref->zoomX = ref->zoomY = 1.0f;
      pani_.patterns[n]->refs[2] = std::move(ref);
    }
    FrameDef part;  // part animation, pattern 7
    part.sprite = 7;
    part.endAction = 1;
    part.duration = 10;
    FrameDef next = part;
    next.sprite = 8;
    FrameDef cut = part;
    cut.spriteKind = 0;
    data_.Pattern(0, {part, next});
    data_.Pattern(1, {cut});
    data_.Set()->pani = &pani_;
    o_ = &battle_test::PlaceCharacter(0, data_.Set(), 1000 * 128);
    o_->posY = -50 * 128;
    o_->scaleX = o_->scaleY = 1.0f;
  }
  void TearDown() override {
    data_.Set()->pani = nullptr;
    BattleTest::TearDown();
  }
  Han6Frame& Frame(int pattern, int frame) { return data_.Set()->patterns->patterns[pattern]->frames[frame]; }

  PAniData pani_;
  battle_test::TestFrameData data_;
  BattleObject* o_ = nullptr;
};

TEST_F(FramePoints, WorldPositionOfAPartSlot) {
  struct Row {
    const char* name;
    uint8_t facing;
    float scale;
    int32_t rotation;  // 1/10000 turns, pivot (0, 0)
    int32_t offsetX;   // the frame's offset
    int32_t dx, dy;    // pixels from the object
    int32_t ey = 0;    // world units off the exact value
  };
  const Row rows[] = {
      {"plain", 0, 1.0f, 0, 0, 10, -20},
      {"facing left", 1, 1.0f, 0, 0, -10, -20},
      {"scaled", 0, 2.0f, 0, 0, 20, -40},
      // A quarter turn in float32 stops a hair short of 90 degrees, and the truncation of the
      // world position takes the point's y one unit short.
      {"quarter turn", 0, 1.0f, 2500, 0, 20, 10, -1},
      {"quarter turn, left", 1, 1.0f, 2500, 0, -20, 10, -1},
      {"frame offset", 0, 1.0f, 0, 5, 15, -20},
  };
  for (const Row& r : rows) {
    o_->facing = r.facing;
    o_->scaleX = o_->scaleY = r.scale;
    o_->rotation = r.rotation;
    Frame(0, 0).offsetX = r.offsetX;
    int32_t x = 0, y = 0;
    ASSERT_EQ(GetFramePointWorld(*o_, 2, &x, &y), 1) << r.name;
    EXPECT_EQ(x, (1000 + r.dx) * 128) << r.name;
    EXPECT_EQ(y, (-50 + r.dy) * 128 + r.ey) << r.name;
  }
}

TEST_F(FramePoints, NoPointOnACutSpriteFrameOrAnEmptySlot) {
  int32_t x = 7, y = 7;
  EXPECT_EQ(GetFramePointWorld(*o_, 3, &x, &y), 0);   // empty slot
  EXPECT_EQ(GetFramePointWorld(*o_, 40, &x, &y), 0);  // past the slots
  EXPECT_EQ(GetFramePointWorld(*o_, -1, &x, &y), 0);
  PAniPartRef part;
  EXPECT_EQ(GetFramePart(*o_, 3, &part), 0);
  o_->pattern = 1;  // a cut-sprite frame
  EXPECT_EQ(GetFramePointWorld(*o_, 2, &x, &y), 0);
  EXPECT_EQ(GetFramePart(*o_, 2, &part), 0);
  o_->pattern = 5;  // no frame at all
  EXPECT_EQ(GetFramePointWorld(*o_, 2, &x, &y), 0);
  EXPECT_EQ(x, 7);
  EXPECT_EQ(y, 7);
  int32_t angle = 9;
  EXPECT_EQ(BattleSeamFramePoint(o_, 2, &x, &y, &angle), 0);
}

TEST_F(FramePoints, PartBlendsTowardTheNextFrame) {
  PAniPartRef part;
  // No blend on the frame: its own part.
  ASSERT_EQ(GetFramePart(*o_, 2, &part), 1);
  EXPECT_EQ(part.x, 10);
  EXPECT_FLOAT_EQ(part.angle, 0.25f);
  // Linear blend, half the frame played: halfway to the next frame's part.
  Frame(0, 0).afhk = 1;
  o_->frameTimer = 5;
  ASSERT_EQ(GetFramePart(*o_, 2, &part), 1);
  EXPECT_EQ(part.x, 20);
  EXPECT_EQ(part.y, -20);
  EXPECT_FLOAT_EQ(part.angle, 0.375f);
  // The frame point stays with the frame it stands in; the seam's angle comes from the part.
  int32_t x = 0, y = 0, angle = 0;
  ASSERT_EQ(BattleSeamFramePoint(o_, 2, &x, &y, &angle), 1);
  EXPECT_EQ(x, 1010 * 128);
  EXPECT_EQ(angle, 135);
  Frame(0, 0).afhk = 0;
  ASSERT_EQ(BattleSeamFramePoint(o_, 2, &x, &y, &angle), 1);
  EXPECT_EQ(angle, 90);
}

TEST_F(FramePoints, TargetPointIsTheTargetRaisedByTheDepth) {
  int32_t x = 5, y = 5;
  EXPECT_EQ(BattleSeamGetTargetPoint(o_, 3 * 256, &x, &y), 0);
  EXPECT_EQ(x, 5);
  BattleObject& t = battle_test::PlaceCharacter(1, data_.Set(), 1200 * 128);
  t.posY = -1000;
  o_->target = &t;
  ASSERT_EQ(BattleSeamGetTargetPoint(o_, 3 * 256, &x, &y), 1);
  EXPECT_EQ(x, 1200 * 128);
  EXPECT_EQ(y, -1000 - 768);
  // Far up the wrap keeps the store defined.
  t.posY = INT32_MIN;
  ASSERT_EQ(GetTargetPoint(*o_, 256, &x, &y), 1);
  EXPECT_EQ(y, INT32_MAX - 255);
}

}  // namespace
