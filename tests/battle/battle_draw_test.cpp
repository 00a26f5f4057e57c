// Drawing of pool objects: the afterimage colour modes and fade, the colour flash, the stage
// tint; and the drawing half's determinism: a run that queues its draws gives the same state
// hashes frame by frame as a headless run that queues nothing.
#include "battle/battle_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "Dxtools/Han6Draw/han6_draw.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Han6Files/han6_data.h"
#include "app/lib_debug.h"
#include "battle/battle_harness.h"
#include "battle/battle_match_setup.h"
#include "battle/battle_records.h"
#include "battle/object_pool.h"
#include "battle_fixture.h"

namespace {

struct LookCase {
  const char* name;
  uint8_t kind;
  uint8_t afterColour;
  int32_t remaining;  // frame timer
  int16_t life;       // initial life
  int16_t priorityFlag;
  uint8_t flashKind, flashTimer, flashLength;
  uint32_t color;
  uint32_t specular;
  uint8_t blend;
  int32_t shaderMode;
  int32_t priority;  // the object's is 100
};

const LookCase kLookCases[] = {
    // Plain objects: white, opaque, the frame's own blend.
    {"plain", 255, 0, 0, 0, 0, 0, 0, 0, 0xFFFFFFFFu, 0, 0, 0, 100},
    // Afterimages fade by remaining / initial life and take their mode's colour and blend.
    {"blue half life", 31, 1, 5, 10, 0, 0, 0, 0, 0x7F0000FFu, 0, 1, 0, 100},
    {"black full life", 31, 6, 8, 8, 0, 0, 0, 0, 0xFF000000u, 0, 1, 0, 100},
    {"mode 5 is white", 31, 5, 1, 3, 0, 0, 0, 0, 0x55FFFFFFu, 0, 1, 0, 100},
    {"additive red", 31, 8, 3, 3, 0, 0, 0, 0, 0xFFFF3232u, 0, 2, 0, 100},
    {"additive white", 31, 11, 3, 3, 0, 0, 0, 0, 0xFFFFFFFFu, 0, 2, 0, 100},
    {"white add-colour", 31, 12, 3, 3, 0, 0, 0, 0, 0xFFFFFFFFu, 0xFFFFFF, 2, 0, 100},
    {"technique at half alpha", 31, 102, 10, 10, 0, 0, 0, 0, 0x7FFFFFFFu, 0, 2, 2, 100},
    {"priority flag bit 0", 31, 3, 1, 1, 3, 0, 0, 0, 0xFF00FF00u, 0, 1, 0, 110},
    {"priority flag bit 1 only", 31, 3, 1, 1, 2, 0, 0, 0, 0xFF00FF00u, 0, 1, 0, 100},
    // A zero initial life fades to nothing instead of dividing by 0.
    {"zero life", 31, 1, 5, 0, 0, 0, 0, 0, 0x000000FFu, 0, 1, 0, 100},
    // Blinking flashes show on even timer values only.
    {"blink yellow even", 255, 0, 0, 0, 0, 2, 4, 9, 0xFFFFFFFFu, 0xFFFF00, 0, 0, 100},
    {"blink yellow odd", 255, 0, 0, 0, 0, 2, 5, 9, 0xFFFFFFFFu, 0, 0, 0, 100},
    {"blink grey", 255, 0, 0, 0, 0, 4, 2, 9, 0xFFFFFFFFu, 0x808080, 0, 0, 100},
    // Levels fall with the timer: 3 x 255 / 5 = 153.
    {"grey level", 255, 0, 0, 0, 0, 5, 3, 5, 0xFFFFFFFFu, 0x999999, 0, 0, 100},
    {"blue level", 255, 0, 0, 0, 0, 6, 3, 5, 0xFFFFFFFFu, 0x000099, 0, 0, 100},
    {"red level", 255, 0, 0, 0, 0, 7, 3, 5, 0xFFFFFFFFu, 0x990000, 0, 0, 100},
    {"level with zero length", 255, 0, 0, 0, 0, 5, 3, 0, 0xFFFFFFFFu, 0, 0, 0, 100},
    {"unknown flash kind", 255, 0, 0, 0, 0, 8, 2, 5, 0xFFFFFFFFu, 0, 0, 0, 100},
    // The flash adds onto an afterimage's own add-colour.
    {"afterimage flash", 31, 12, 1, 1, 0, 1, 2, 5, 0xFFFFFFFFu, 0xFFFFFF, 2, 0, 100},
};

class PoolLook : public testing::TestWithParam<LookCase> {
 protected:
  void TearDown() override { ResetBattleDrawSeams(); }
};

TEST_P(PoolLook, ColourBlendAndPriority) {
  const LookCase& c = GetParam();
  BattleObject o{};
  o.kind = c.kind;
  o.afterColour = c.afterColour;
  o.frameTimer = c.remaining;
  o.afterLife = c.life;
  o.afterPriorityFlag = c.priorityFlag;
  o.flashKind = c.flashKind;
  o.flashTimer = c.flashTimer;
  o.flashLength = c.flashLength;
  o.drawPriority = 100;
  const BattleDrawLook look = PoolObjectLook(o);
  EXPECT_EQ(look.color, c.color);
  EXPECT_EQ(look.specular, c.specular);
  EXPECT_EQ(look.blendMode, c.blend);
  EXPECT_EQ(look.shaderMode, c.shaderMode);
  EXPECT_EQ(look.priority, c.priority);
}

INSTANTIATE_TEST_SUITE_P(Cases, PoolLook, testing::ValuesIn(kLookCases), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

TEST(PoolLookTint, StageFactorsScaleTheColourNotTheAlpha) {
  g_BattleDrawSeams.TintFactors = [](uint8_t rgb[3]) {
    rgb[0] = 255;
    rgb[1] = 128;
    rgb[2] = 0;
  };
  BattleObject o{};
  o.kind = kKindAfterimage;
  o.afterColour = 10;  // (255, 255, 50) additive
  o.frameTimer = o.afterLife = 4;
  EXPECT_EQ(PoolObjectLook(o).color, 0xFFFF8000u);
  ResetBattleDrawSeams();
}

// Which pool objects reach the draw, and when afterimages grow. The partner seam records the
// objects that get that far and hides them, so nothing needs sprites.
struct GateCase {
  const char* name;
  int32_t specialStage;
  int poolDrawing;  // the round flow's switch
  uint8_t paused;
  int32_t pattern;
  bool reaches;
  bool grows;  // an afterimage's scale moves
};

const GateCase kGateCases[] = {
    {"ordinary", 0, 1, 0, 91, true, true},
    {"special 1 hides 91", 1, 1, 0, 91, false, false},
    {"special 1 keeps 200", 1, 1, 0, 200, true, true},
    {"special 2 hides 91", 2, 1, 0, 91, false, false},
    {"special 2 hides 200", 2, 1, 0, 200, false, false},
    {"special 2 keeps 230", 2, 1, 0, 230, true, true},
    {"special 3 is no special stage", 3, 1, 0, 91, true, true},
    {"pool drawing off", 0, 0, 0, 5, false, false},
    {"paused: drawn, not grown", 0, 1, 1, 5, true, false},
};

class PoolDrawGates : public testing::TestWithParam<GateCase> {
 protected:
  void TearDown() override {
    ResetBattleDrawSeams();
    ResetAllBattleGlobals();
  }
};

std::vector<const BattleObject*> g_Reached;
int g_PoolDrawingSwitch = 1;

TEST_P(PoolDrawGates, Table) {
  const GateCase& c = GetParam();
  ResetAllBattleGlobals();
  g_Reached.clear();
  g_PoolDrawingSwitch = c.poolDrawing;
  g_BattleDrawSeams.PoolDrawingOn = [] { return g_PoolDrawingSwitch; };
  g_BattleDrawSeams.HiddenPartner = [](const BattleObject* o) {
    g_Reached.push_back(o);
    return 1;
  };
  g_BattleState[BattleStateIndex::kSpecialStage] = c.specialStage;
  g_BattlePhase = 1;
  g_Paused = c.paused;
  // Slot 2 holds the afterimage under test, slot 0 a plain object; slot 1 is free.
  for (int i : {0, 2}) {
    ObjectPoolSlot& s = g_ObjectPool[i];
    s.inUse = 1;
    s.obj.kind = i == 2 ? kKindAfterimage : 255;
    s.obj.pattern = c.pattern;
    s.obj.scaleX = s.obj.scaleY = 1.0f;
    s.obj.afterScaleSpeedX = 64;
    s.obj.afterScaleSpeedY = -128;
    NotePoolSlotTaken(s);
  }
  DrawPoolObjects();
  const BattleObject& after = g_ObjectPool[2].obj;
  if (c.reaches) {
    ASSERT_EQ(g_Reached.size(), 2u);
    EXPECT_EQ(g_Reached[0], &g_ObjectPool[0].obj);  // slot order
    EXPECT_EQ(g_Reached[1], &after);
  } else {
    EXPECT_TRUE(g_Reached.empty());
  }
  EXPECT_EQ(after.scaleX, c.grows ? 1.25f : 1.0f);
  EXPECT_EQ(after.scaleY, c.grows ? 0.5f : 1.0f);
  EXPECT_EQ(g_ObjectPool[0].obj.scaleX, 1.0f);  // only afterimages grow
}

INSTANTIATE_TEST_SUITE_P(Cases, PoolDrawGates, testing::ValuesIn(kGateCases), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

TEST(SpriteKeys, EachSetHasItsOwnMultipleOf4096) {
  std::vector<int32_t> bases;
  for (const FrameDataSet& s : g_FrameDataSets) bases.push_back(SpriteKeyBase(&s));
  bases.push_back(SpriteKeyBase(&g_CommonFrameData));
  bases.push_back(SpriteKeyBase(nullptr));
  for (size_t i = 0; i < bases.size(); ++i) {
    EXPECT_EQ(bases[i] & 0xFFFF, 0) << i;  // sprite numbers fill 16 bits
    for (size_t j = i + 1; j < bases.size(); ++j) EXPECT_NE(bases[i], bases[j]);
  }
}

// CPU textures for the sprite cache; the handle points at one.
struct CpuTexture {
  int w = 0, h = 0;
  CutPixelFormat format = CutPixelFormat::kA8R8G8B8;
  std::vector<uint8_t> pixels;
};

class CpuBackend : public Han6TextureBackend {
 public:
  std::mutex mutex;
  static CpuTexture* Of(TextureHandle* t) { return reinterpret_cast<CpuTexture*>(t); }
  TextureHandle* CreateTexture(int width, int height, CutPixelFormat format, bool, int& texW,
                               int& texH) override {
    auto* t = new CpuTexture;
    t->w = texW = width;
    t->h = texH = height;
    t->format = format;
    t->pixels.assign(static_cast<size_t>(width) * height * CutPixelFormatBytes(format), 0);
    return reinterpret_cast<TextureHandle*>(t);
  }
  uint8_t* Lock(TextureHandle* t, int& pitch) override {
    pitch = Of(t)->w * CutPixelFormatBytes(Of(t)->format);
    return Of(t)->pixels.data();
  }
  void Unlock(TextureHandle*) override {}
  void Free(TextureHandle* t) override { delete Of(t); }
  void TextureSize(TextureHandle* t, int& w, int& h) override {
    w = Of(t)->w;
    h = Of(t)->h;
  }
  CutSpritePageView PageView(TextureHandle* page) override {
    return {Of(page)->pixels.data(), Of(page)->format};
  }
  bool Display16() override { return false; }
};

class CountingSink : public Han6DrawSink {
 public:
  std::vector<Han6Quad> quads;
  float bias[4] = {0, 0, 0, 0};
  void Queue(GrpDrawList*, const Han6Quad& q) override { quads.push_back(q); }
  const float* UvBias() const override { return bias; }
};

class DrawHalfDeterminism : public testing::Test {
 protected:
  void SetUp() override {
    battle_test::CopyHarnessSampleData();
    vt::SetDebugQuiet(true);
    previousBackend_ = SetHan6TextureBackend(&backend_);
    previousSink_ = SetHan6DrawSink(&sink_);
  }
  void TearDown() override {
    HarnessRelease();
    FlushHan6TextureCache();
    SetHan6DrawSink(previousSink_);
    SetHan6TextureBackend(previousBackend_);
    g_BattleDrawSubmit = true;
    ResetBattleDrawSeams();
    vt::SetDebugQuiet(false);
  }
  // Runs the sample match; returns the per-frame hashes and counts the frames that queued a
  // pool object's quad.
  std::vector<uint64_t> Run(bool submit, int frames, int& poolQuadFrames) {
    g_BattleDrawSubmit = submit;
    // The screen is 480 pixels high with the ground near its foot.
    g_BattleDrawSeams.CameraMatrix = [](bool, Han6Matrix* m) { *m = Han6Matrix::Translation(0, 400, 0); };
    std::vector<uint64_t> hashes;
    poolQuadFrames = 0;
    if (!HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree))
      return hashes;
    const HarnessScript script = HarnessDefaultScript(11);
    for (int i = 0; i < frames; ++i) {
      sink_.quads.clear();
      hashes.push_back(HarnessRunFrame(script));
      poolQuadFrames += !sink_.quads.empty();
    }
    HarnessRelease();
    return hashes;
  }
  CpuBackend backend_;
  CountingSink sink_;
  Han6TextureBackend* previousBackend_ = nullptr;
  Han6DrawSink* previousSink_ = nullptr;
};

TEST_F(DrawHalfDeterminism, QueuedDrawsLeaveTheSameHashesAsHeadless) {
  constexpr int kFrames = 1200;
  int renderedFrames = 0, headlessFrames = 0;
  const std::vector<uint64_t> rendered = Run(true, kFrames, renderedFrames);
  ASSERT_EQ(rendered.size(), static_cast<size_t>(kFrames));
  // The rendered run really drew pool objects; the headless one queued nothing.
  EXPECT_GT(renderedFrames, 0);
  const std::vector<uint64_t> headless = Run(false, kFrames, headlessFrames);
  ASSERT_EQ(headless.size(), rendered.size());
  EXPECT_EQ(headlessFrames, 0);
  for (size_t i = 0; i < rendered.size(); ++i) ASSERT_EQ(rendered[i], headless[i]) << "frame " << i;
}

}  // namespace

namespace {

class ObjectPlacement : public DrawHalfDeterminism {
 protected:
  // The corners' x and y ranges of the one quad a draw queues.
  struct Extent {
    float x0, x1, y0, y1;
    int32_t priority;
  };
  std::optional<Extent> DrawOne(const BattleObject& o, const BattleDrawLook* look) {
    sink_.quads.clear();
    if (look)
      DrawBattleObject(o, *look);
    else
      DrawPoolObject(o);
    if (sink_.quads.size() != 1) return std::nullopt;
    const Han6Quad& q = sink_.quads[0];
    Extent e{q.pos[0][0], q.pos[0][0], q.pos[0][1], q.pos[0][1], q.priority};
    for (const auto& p : q.pos) {
      e.x0 = std::min(e.x0, p[0]);
      e.x1 = std::max(e.x1, p[0]);
      e.y0 = std::min(e.y0, p[1]);
      e.y1 = std::max(e.y1, p[1]);
    }
    return e;
  }
};

std::pair<int32_t, int32_t> g_StageOffsets{-50, 130};

TEST_F(ObjectPlacement, ShiftMirrorPriorityAndStageOffsets) {
  ASSERT_TRUE(HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
  g_BattleDrawSeams.CameraMatrix = [](bool, Han6Matrix* m) { *m = Han6Matrix::Translation(320, 400, 0); };
  FrameDataSet* set = &g_FrameDataSets[0];
  const Han6Frame* f = GetHan6Frame(set->patterns, 0, 0);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->spriteKind, 0);  // a cut sprite: one quad
  BattleObject o{};
  o.frameData = set;
  o.posX = 100 * 128;
  o.scaleX = o.scaleY = 1.0f;
  o.drawPriority = 100;
  BattleDrawLook look = PoolObjectLook(o);
  const auto base = DrawOne(o, &look);
  ASSERT_TRUE(base);
  EXPECT_EQ(base->priority, 356);
  // The anchor sits at the camera's origin plus the position in pixels.
  EXPECT_LT(base->x0, 420.0f);
  EXPECT_GT(base->x1, 420.0f);
  EXPECT_LE(base->y1, 400.5f + 2 * 224);
  look.shiftX = 7;
  look.shiftY = -3;
  const auto shifted = DrawOne(o, &look);
  ASSERT_TRUE(shifted);
  EXPECT_FLOAT_EQ(shifted->x0, base->x0 + 7);
  EXPECT_FLOAT_EQ(shifted->y1, base->y1 - 3);
  // Facing left mirrors about the anchor.
  look.shiftX = look.shiftY = 0;
  o.facing = 1;
  const auto mirrored = DrawOne(o, &look);
  ASSERT_TRUE(mirrored);
  EXPECT_NEAR(mirrored->x0, 840.0f - base->x1, 1.01f);
  EXPECT_NEAR(mirrored->x1, 840.0f - base->x0, 1.01f);
  o.facing = 0;

  // The stage's own patterns on a special stage: moved by the offsets, x toward the side.
  std::swap(set->patterns->patterns[0], set->patterns->patterns[200]);
  g_BattleState[BattleStateIndex::kSpecialStage] = 1;
  g_BattleDrawSeams.SpecialStageOffsets = [](int32_t* x, int32_t* y) {
    *x = g_StageOffsets.first;
    *y = g_StageOffsets.second;
    return 1;
  };
  o.pattern = 200;
  struct Case {
    uint8_t side;
    int32_t stage;
    float dx, dy;
  };
  for (const Case c : {Case{0, 1, -50, 130}, Case{1, 1, 50, 130}, Case{0, 0, 0, 0}}) {
    o.side = c.side;
    g_BattleState[BattleStateIndex::kSpecialStage] = c.stage;
    const auto e = DrawOne(o, nullptr);
    EXPECT_TRUE(e) << int{c.side};
    if (!e) continue;
    EXPECT_FLOAT_EQ(e->x0, base->x0 + c.dx) << int{c.side} << " " << c.stage;
    EXPECT_FLOAT_EQ(e->y0, base->y0 + c.dy) << int{c.side} << " " << c.stage;
  }
  // Without the seam the match set-up's offsets are used.
  g_BattleDrawSeams.SpecialStageOffsets = nullptr;
  g_SpecialStageOffsetX = -50;
  g_SpecialStageOffsetY = 130;
  o.side = 1;
  g_BattleState[BattleStateIndex::kSpecialStage] = 1;
  const auto fromSetup = DrawOne(o, nullptr);
  ASSERT_TRUE(fromSetup);
  EXPECT_FLOAT_EQ(fromSetup->x0, base->x0 + 50);
  EXPECT_FLOAT_EQ(fromSetup->y0, base->y0 + 130);
  g_SpecialStageOffsetX = g_SpecialStageOffsetY = 0;
  std::swap(set->patterns->patterns[0], set->patterns->patterns[200]);
}

}  // namespace

namespace {

// A pool object spawned with the shadow flag casts a black shadow at half the frame's alpha,
// at priority 110 on the ground under it, queued before the object itself.
TEST_F(ObjectPlacement, ShadowFlagQueuesAShadowOnTheGround) {
  ASSERT_TRUE(HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
  g_BattleDrawSeams.CameraMatrix = [](bool, Han6Matrix* m) { *m = Han6Matrix::Translation(320, 400, 0); };
  FrameDataSet* set = &g_FrameDataSets[0];
  const Han6Frame* f = GetHan6Frame(set->patterns, 0, 0);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->blendMode, 0);  // opaque: the shadow takes half of 255
  BattleObject o{};
  o.frameData = set;
  o.posY = -60 * 128;
  o.scaleX = o.scaleY = 1.0f;
  o.drawPriority = 100;
  o.kind = kKindSpawned;
  for (uint16_t flags : {uint16_t{0}, uint16_t{0x0001}}) {
    o.flags = flags;
    sink_.quads.clear();
    DrawPoolObject(o);
    ASSERT_EQ(sink_.quads.size(), flags ? 2u : 1u) << flags;
  }
  const Han6Quad& shadow = sink_.quads[0];
  const Han6Quad& body = sink_.quads[1];
  EXPECT_EQ(shadow.priority, 110 + 256);
  EXPECT_EQ(body.priority, 100 + 256);
  EXPECT_EQ(shadow.colour, 0x7F000000u);
  // The body stands 60 pixels up; the shadow stays on the ground: it is where it is under a
  // body standing on the ground (it lies on the floor, seen in perspective: divided by w).
  const Han6Quad up = shadow, upBody = body;
  o.posY = 0;
  sink_.quads.clear();
  DrawPoolObject(o);
  ASSERT_EQ(sink_.quads.size(), 2u);
  EXPECT_FLOAT_EQ(sink_.quads[1].pos[3][1] - upBody.pos[3][1], 60.0f);
  for (int i = 0; i < 4; ++i)
    EXPECT_FLOAT_EQ(up.pos[i][1] / up.pos[i][3], sink_.quads[0].pos[i][1] / sink_.quads[0].pos[i][3]) << i;
}

}  // namespace

namespace {

// The next-sprite blend: a frame whose AFHK byte is set blends toward the frame that follows
// it (the next one, or the jump's target), by the share of its duration still to play.
TEST(FrameBlend, FollowingFrameAndProgress) {
  battle_test::ResetWorld();
  battle_test::TestFrameData data;
  battle_test::FrameDef plain, jumpBack, loopEnd, ends;
  plain.duration = 4;
  jumpBack.duration = 4;
  jumpBack.endAction = 2;
  jumpBack.jump = 0;
  loopEnd = jumpBack;
  loopEnd.flow = 0x02;
  loopEnd.loopExit = 4;
  ends.duration = 4;
  ends.endAction = 0;
  Han6Pattern& p = data.Pattern(1, {plain, plain, jumpBack, loopEnd, ends});
  for (Han6Frame& f : p.frames) f.afhk = 2;
  const struct {
    const char* name;
    int frame;
    int32_t timer;
    uint8_t loopCounter;
    uint8_t afhk;
    uint8_t kind;
    int32_t easing, from;
    float progress;
  } cases[] = {
      {"next frame, start", 0, 0, 0, 2, 255, 2, 1, 1.0f},
      {"next frame, one step in", 0, 1, 0, 2, 255, 2, 1, 0.75f},
      {"blend off", 0, 1, 0, 0, 255, 0, 0, 1.0f},
      {"jump back", 2, 2, 0, 2, 255, 2, 0, 0.5f},
      {"loop still running", 3, 3, 2, 2, 255, 2, 0, 0.25f},
      {"loop run out", 3, 3, 0, 2, 255, 2, 4, 0.25f},
      {"the pattern ends", 4, 1, 0, 2, 255, 0, 0, 1.0f},
      {"an afterimage stays still", 0, 1, 0, 2, kKindAfterimage, 0, 0, 1.0f},
  };
  for (const auto& c : cases) {
    for (Han6Frame& f : p.frames) f.afhk = c.afhk;
    BattleObject o{};
    o.frameData = data.Set();
    o.pattern = 1;
    o.frame = c.frame;
    o.frameTimer = c.timer;
    o.loopCounter = c.loopCounter;
    o.kind = c.kind;
    const Han6FramePosition pos = ComputeFrameBlend(o);
    EXPECT_EQ(pos.pattern, 1) << c.name;
    EXPECT_EQ(pos.frame, c.frame) << c.name;
    EXPECT_EQ(pos.easing, c.easing) << c.name;
    if (c.easing) {
      EXPECT_EQ(pos.fromPattern, 1) << c.name;
      EXPECT_EQ(pos.fromFrame, c.from) << c.name;
    }
    EXPECT_FLOAT_EQ(pos.progress, c.progress) << c.name;
  }
}

}  // namespace
