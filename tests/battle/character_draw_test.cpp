// The character draw on the recording device: the flash colours, the status and stage tints,
// the hit-stop shake, the shadows (straight down, per stage light, giants), the partner rule;
// the spawns the draw makes (the aura every seventh step, the heat aura, the status particles
// with their two random draws each); the pass over the slots with its trail calls; and
// IsAnyHeatActive.
#include "battle/character_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/gfx_test_env.h"
#include "Dxtools/han6_draw_fixture.h"
#include "app/random.h"
#include "battle/battle_camera.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle_fixture.h"
#include "platform/image.h"

namespace {

using battle_test::BoxDef;
using battle_test::FrameDef;

// The sprite of the small sheet, 32 x 48, stands right of the anchor, drawn doubled.
constexpr float kSpriteW = 64.0f, kSpriteH = 96.0f;

constexpr float kGround = 400.0f;

struct Extent {
  float x0, x1, y0, y1;
};

// Corner extent after the divide by w (shadows are seen in perspective).
Extent ExtentOf(const Han6Quad& q) {
  Extent e{1e9f, -1e9f, 1e9f, -1e9f};
  for (const auto& p : q.pos) {
    const float w = p[3] == 0.0f ? 1.0f : p[3];
    e.x0 = std::min(e.x0, p[0] / w);
    e.x1 = std::max(e.x1, p[0] / w);
    e.y0 = std::min(e.y0, p[1] / w);
    e.y1 = std::max(e.y1, p[1] / w);
  }
  return e;
}

struct ParticleRequest {
  int number;
  int32_t x, y, p2;
  int flip;
};
std::vector<ParticleRequest> g_Requests;
int g_Giant = 0;
BattleStageLights g_Lights;
uint8_t g_Factors[3] = {255, 255, 255};

class CharacterDraw : public battle_test::BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    ResetBattleDrawSeams();
    SetHan6TextureBackend(&backend_);
    SetHan6DrawSink(&sink_);
    FlushHan6TextureCache();
    g_Requests.clear();
    g_Giant = 0;
    g_Lights = BattleStageLights{};
    std::fill(std::begin(g_Factors), std::end(g_Factors), 255);
    InstallCharacterDrawSeams();
    g_BattleSeams.IsGiantCharacter = [](const BattleObject*) { return g_Giant; };
    g_BattleSeams.SpawnParticleEffect = [](int n, const int32_t* b, int flip, BattleObject*) {
      g_Requests.push_back({n, b[0], b[1], b[2], flip});
    };
    g_BattleDrawSeams.StageLights = [](BattleStageLights* out) { *out = g_Lights; };
    g_BattleDrawSeams.TintFactors = [](uint8_t rgb[3]) { std::copy(g_Factors, g_Factors + 3, rgb); };
    BuildBattleCameraMatrices();
    // The ground line at y = 400 (so a jump stays on the screen).
    g_BattleDrawSeams.CameraMatrix = [](bool, Han6Matrix* m) { *m = Han6Matrix::Translation(0, kGround, 0); };

    // Pattern 0: a cut sprite with one hurt box, and a second frame without boxes (spawned
    // effects count their numbers from the fighter's pattern); pattern 2 a part-animation frame.
    FrameDef f;
    f.spriteKind = 0;
    f.sprite = 5;
    f.endAction = 0;
    f.boxes = {BoxDef{-20, -100, 20, 0}, BoxDef{-10, -40, 10, 0}};
    // The sprite stands on the anchor: its frame offset lifts it by its height.
    FrameDef bare = f;
    bare.boxes.clear();
    Han6Pattern& p0 = data_.Pattern(0, {f, bare});
    for (Han6Frame& fr : p0.frames) fr.offsetY = -48;
    FrameDef part = f;
    part.spriteKind = 1;
    data_.Pattern(2, {part});
    sheet_.emplace();  // its pages need the texture backend
    data_.Set()->sprites = sheet_->sheet.get();
    // The common effects the draw spawns: the aura (4), heat (100, 101), status 179.
    FrameDef still;
    still.endAction = 0;
    for (int n : {4, 100, 101, 179}) common_.Pattern(n, {still});
    g_CommonFrameData = *common_.Set();

    o_ = &battle_test::PlaceCharacter(0, data_.Set(), 0);
    o_->drawPriority = 100;
    o_->scaleX = o_->scaleY = 1.0f;
    g_BattleTimeStepped = 1;
  }
  void TearDown() override {
    g_CommonFrameData = FrameDataSet{};
    FlushHan6TextureCache();
    sheet_.reset();  // its pages go back through the texture backend
    SetHan6DrawSink(nullptr);
    SetHan6TextureBackend(nullptr);
    ResetBattleDrawSeams();
    g_BattleTimeStepped = 0;
    g_BattleDrawSubmit = true;
    BattleTest::TearDown();
  }

  // Draws the fighter; the character's own quad (priority 356) and its shadows.
  void Draw() {
    sink_.quads.clear();
    // The state step keeps the frame record; these tests change the pattern by hand.
    o_->frameRec = GetHan6Frame(data_.Set()->patterns, o_->pattern, o_->frame);
    DrawCharacter(*o_);
  }
  const Han6Quad* Body() const {
    for (const Han6Quad& q : sink_.quads)
      if (q.priority == 356) return &q;
    return nullptr;
  }
  std::vector<Han6Quad> Shadows() const {
    std::vector<Han6Quad> out;
    for (const Han6Quad& q : sink_.quads)
      if (q.priority != 356) out.push_back(q);
    return out;
  }
  // Pool objects in use, by pattern.
  std::vector<int32_t> Spawned() const {
    std::vector<int32_t> out;
    for (const ObjectPoolSlot& s : g_ObjectPool)
      if (s.inUse) out.push_back(s.obj.pattern);
    return out;
  }

  vt::test::han6::FakeBackend backend_;
  vt::test::han6::RecordingSink sink_;
  std::optional<vt::test::han6::SmallSheet> sheet_;
  battle_test::TestFrameData data_, common_;
  BattleObject* o_ = nullptr;
};

// --- flash colours --------------------------------------------------------------------------

struct FlashCase {
  uint8_t kind, timer, length;
  uint32_t specular;
};

TEST_F(CharacterDraw, FlashKinds) {
  const FlashCase cases[] = {
      {0, 4, 10, 0x0000FF},
      {0, 3, 10, 0},
      {1, 2, 10, 0xFFFFFF},
      {2, 2, 10, 0xFFFF00},
      {3, 2, 10, 0x00FF00},
      {4, 2, 10, 0x808080},
      {4, 1, 10, 0},
      // Levels fall with the timer: 6 x 255 / 10 = 153.
      {5, 6, 10, 0x999999},
      {6, 6, 10, 0x000099},
      {7, 6, 10, 0x990000},
      {5, 10, 10, 0xFFFFFF},
      // A zero length (heat activation sets only the timer) shows nothing, and does not divide.
      {5, 6, 0, 0},
      {6, 6, 0, 0},
      {7, 6, 0, 0},
      // No timer, or a kind that is none of these: no flash.
      {1, 0, 10, 0},
      {8, 2, 10, 0},
      {255, 2, 10, 0},
  };
  for (const FlashCase& c : cases) {
    o_->flashKind = c.kind;
    o_->flashTimer = c.timer;
    o_->flashLength = c.length;
    Draw();
    const Han6Quad* q = Body();
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->specular, c.specular) << int{c.kind} << " t " << int{c.timer} << " length " << int{c.length};
    EXPECT_EQ(q->colour, 0xFFFFFFFFu);  // the flash adds, it does not tint
  }
}

// --- tints ----------------------------------------------------------------------------------

struct TintCase {
  const char* name;
  uint8_t kind, timer;
  int32_t stepFrames;
  int giant;
  uint32_t rgb;
};

TEST_F(CharacterDraw, StatusTintsAndTheGiantException) {
  const TintCase cases[] = {
      {"none", 0, 0, 0, 0, 0xFFFFFF},
      {"burn by step 0", 1, 50, 3, 0, 0xFF6400},
      {"burn by step 1", 1, 50, 4, 0, 0xFF6464},
      {"burn by step 2", 1, 50, 5, 0, 0xFF3232},
      {"freeze by timer 0", 2, 3, 0, 0, 0x4064C8},
      {"freeze by timer 1", 2, 4, 0, 0, 0xC8C8FF},
      {"freeze by timer 2", 2, 5, 0, 0, 0x4064FA},
      {"shock by timer 0", 3, 6, 0, 0, 0xFFFF80},
      {"shock by timer 1", 3, 7, 0, 0, 0x000000},
      {"shock by timer 2", 3, 8, 0, 0, 0x808080},
      {"dark", 100, 1, 0, 0, 0x000000},
      {"mark without timer", 1, 0, 3, 0, 0xFFFFFF},
      {"reversed controls do not tint", 4, 9, 0, 0, 0xFFFFFF},
      {"giant never tinted", 100, 1, 0, 1, 0xFFFFFF},
      {"giant of flag 2 neither", 1, 50, 3, 2, 0xFFFFFF},
  };
  for (const TintCase& c : cases) {
    o_->statusKind = c.kind;
    o_->statusTimer = c.timer;
    o_->stepFrames = c.stepFrames;
    g_Giant = c.giant;
    g_BattleDrawSubmit = true;
    Draw();
    const Han6Quad* q = Body();
    ASSERT_NE(q, nullptr) << c.name;
    EXPECT_EQ(q->colour, 0xFF000000u | c.rgb) << c.name;
  }
}

TEST_F(CharacterDraw, StageFactorsScaleTheTintAndBlackoutDrawsBlack) {
  o_->statusKind = 2;
  o_->statusTimer = 4;  // (200, 200, 255)
  g_Factors[0] = 255;
  g_Factors[1] = 128;
  g_Factors[2] = 51;
  Draw();
  ASSERT_NE(Body(), nullptr);
  EXPECT_EQ(Body()->colour, 0xFFC86433u);  // 200, 200 x 128 / 255, 255 x 51 / 255
  std::fill(std::begin(g_Factors), std::end(g_Factors), 0);
  Draw();
  EXPECT_EQ(Body()->colour, 0xFF000000u);
}

// --- hit-stop shake -------------------------------------------------------------------------

TEST_F(CharacterDraw, HitStopShakeOnOddTimers) {
  struct Case {
    uint8_t timer;
    int shift;  // toward -x facing right
  };
  const Case cases[] = {{0, 0}, {1, 3},   {5, 3},  {6, 0},   {7, 3},
                        {9, 4}, {21, 10}, {22, 0}, {23, 10}, {59, 10}};
  Draw();
  const Extent still = ExtentOf(*Body());
  for (int facing : {0, 1}) {
    o_->facing = static_cast<uint8_t>(facing);
    o_->hitStopLength = 0;
    Draw();
    const Extent base = ExtentOf(*Body());
    if (facing == 0) {
      EXPECT_FLOAT_EQ(base.x0, still.x0);
    }
    for (const Case& c : cases) {
      o_->hitStopLength = c.timer;
      Draw();
      const Extent e = ExtentOf(*Body());
      const float want = facing == 0 ? -c.shift : c.shift;
      EXPECT_FLOAT_EQ(e.x0 - base.x0, want) << "timer " << int{c.timer} << " facing " << facing;
      EXPECT_FLOAT_EQ(e.y0, base.y0);
      // The shadow stays where it is.
      const std::vector<Han6Quad> s = Shadows();
      ASSERT_EQ(s.size(), 1u);
    }
  }
  EXPECT_EQ(HitStopShake(*o_), 10);  // 59, facing left
}

// --- shadows --------------------------------------------------------------------------------

TEST_F(CharacterDraw, OneFlattenedShadowWithoutLights) {
  o_->posX = 100 * 128;
  Draw();
  ASSERT_NE(Body(), nullptr);
  const Extent body = ExtentOf(*Body());
  EXPECT_FLOAT_EQ(body.x0, 100.0f);
  EXPECT_FLOAT_EQ(body.y1 - body.y0, kSpriteH);
  const std::vector<Han6Quad> s = Shadows();
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0].priority, 110 + 256);
  EXPECT_EQ(s[0].colour, 0x7F000000u);  // black, half alpha
  EXPECT_EQ(s[0].specular, 0u);
  const Extent e = ExtentOf(s[0]);
  // It lies on the floor: its far edge (the feet) on the ground line under the fighter, the
  // head toward the viewer, flattened to a fraction of the fighter's height, and not a line.
  EXPECT_NEAR(e.y0, kGround, 1e-3f);
  EXPECT_GT(e.y1 - e.y0, 5.0f);
  EXPECT_LT(e.y1 - e.y0, kSpriteH / 3);
  EXPECT_NEAR(e.x0, 100.0f, 1e-3f);
  // A jump leaves the shadow on the ground.
  o_->posY = -200 * 128;
  Draw();
  const Extent air = ExtentOf(Shadows().at(0));
  EXPECT_NEAR(air.y0, e.y0, 1e-3f);
  EXPECT_NEAR(air.y1, e.y1, 1e-3f);
  EXPECT_FLOAT_EQ(ExtentOf(*Body()).y0, body.y0 - 200.0f);
  // Coloured shadows take the fighter's tint.
  o_->posY = 0;
  o_->statusKind = 3;
  o_->statusTimer = 8;  // (128, 128, 128)
  g_Lights.colouredShadows = 1;
  Draw();
  EXPECT_EQ(Shadows().at(0).colour, 0x7F808080u);
}

TEST_F(CharacterDraw, OneShadowPerLightInReach) {
  // Lights at x - 512: 0 px (on the fighter), 150 px (half its reach away), 400 px (out of
  // reach), and one without reach.
  static const float xs[4] = {512.0f, 662.0f, 912.0f, 512.0f};
  static const float radii[4] = {300.0f, 300.0f, 300.0f, 0.0f};
  g_Lights.count = 4;
  g_Lights.x = xs;
  g_Lights.radius = radii;
  Draw();
  const std::vector<Han6Quad> s = Shadows();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].colour, 0x7F000000u);
  EXPECT_EQ(s[1].colour, 0x3F000000u);  // 127 x (1 - 150 / 300), truncated
  for (const Han6Quad& q : s) EXPECT_EQ(q.priority, 366);
  // Both on the ground line at the fighter's feet; the far light's shadow leans away from it
  // (toward -x), the one straight above does not lean.
  const Extent a = ExtentOf(s[0]), b = ExtentOf(s[1]);
  EXPECT_NEAR(a.y0, kGround, 1e-3f);
  EXPECT_NEAR(b.y0, kGround, 1e-3f);
  EXPECT_NEAR(a.x0, 0.0f, 1e-3f);
  EXPECT_LT(b.x0, -1.0f);
}

TEST_F(CharacterDraw, GiantShadows) {
  g_Giant = 2;
  Draw();
  ASSERT_EQ(Shadows().size(), 1u);
  EXPECT_EQ(Shadows()[0].priority, 269);
  // A giant drawn from a part-animation frame casts none (nor draws a quad without its parts).
  o_->pattern = 2;
  Draw();
  EXPECT_TRUE(Shadows().empty());
}

// --- the partner rule and the headless draw -------------------------------------------------

TEST_F(CharacterDraw, PartnerRule) {
  BattleObject& partner = battle_test::PlaceCharacter(2, data_.Set(), 0);
  o_->partner = &partner;
  partner.partner = o_;
  o_->auraEffect = 5;
  o_->stepped = 1;
  struct Case {
    int32_t active, show;
    bool drawn;
  };
  for (const Case c : {Case{0, 0, true}, Case{2, 0, false}, Case{2, 1, true}}) {
    g_SideStatus[0].activePlayer = c.active;
    g_SideStatus[0].showPartner = c.show;
    ClearObjectPool();
    Draw();
    EXPECT_EQ(Body() != nullptr, c.drawn) << c.active << " " << c.show;
    // A hidden partner spawns no aura either.
    EXPECT_EQ(Spawned().size(), c.drawn ? 1u : 0u) << c.active << " " << c.show;
  }
  // Without a partner a fighter is always drawn.
  o_->partner = nullptr;
  Draw();
  EXPECT_NE(Body(), nullptr);
}

TEST_F(CharacterDraw, HeadlessQueuesNothingButSpawnsTheSame) {
  o_->auraEffect = 5;
  o_->stepped = 1;
  o_->statusKind = 1;
  o_->statusTimer = 30;
  g_BattleDrawSubmit = false;
  Draw();
  EXPECT_TRUE(sink_.quads.empty());
  EXPECT_EQ(Spawned(), std::vector<int32_t>{4});
  EXPECT_EQ(g_Requests.size(), 1u);
}

// --- spawns ---------------------------------------------------------------------------------

TEST_F(CharacterDraw, AuraEverySeventhStepWhenStepped) {
  o_->auraEffect = 5;  // common effect 4
  std::vector<int32_t> at;
  for (int32_t step = 0; step <= 21; ++step) {
    ClearObjectPool();
    o_->stepFrames = step;
    o_->stepped = 1;
    Draw();
    if (!Spawned().empty()) at.push_back(step);
  }
  EXPECT_EQ(at, (std::vector<int32_t>{0, 7, 14, 21}));
  ASSERT_EQ(Spawned(), std::vector<int32_t>{4});

  struct Gate {
    const char* name;
    void (*set)(BattleObject&);
  };
  const Gate gates[] = {
      {"not stepped", [](BattleObject& o) { o.stepped = 0; }},
      {"paused", [](BattleObject&) { g_Paused = 1; }},
      {"global freeze", [](BattleObject&) { g_GlobalFreeze = 5; }},
      {"another's freeze", [](BattleObject&) { g_BattleState[FreezeTimerIndex(1)] = 5; }},
      {"slow-motion skip frame",
       [](BattleObject&) {
         g_SlowMotion = 10;
         g_BattleFrame = 4;
       }},
      {"no aura", [](BattleObject& o) { o.auraEffect = 0; }},
  };
  for (const Gate& g : gates) {
    ClearObjectPool();
    o_->stepFrames = 14;
    o_->stepped = 1;
    o_->auraEffect = 5;
    g.set(*o_);
    Draw();
    EXPECT_TRUE(Spawned().empty()) << g.name;
    g_Paused = 0;
    g_GlobalFreeze = 0;
    g_BattleState[FreezeTimerIndex(1)] = 0;
    g_SlowMotion = 0;
    g_BattleFrame = 0;
  }
}

TEST_F(CharacterDraw, HeatAura) {
  struct Case {
    const char* name;
    uint8_t mode;
    int32_t step;
    int32_t spawned;  // pattern, or -1 for none
  };
  const Case cases[] = {
      {"mode 1", 1, 3, 100}, {"mode 2", 2, 6, 100}, {"mode 3", 3, 0, 101},
      {"mode 5", 5, 3, -1},  {"no heat", 0, 3, -1}, {"off the third step", 1, 4, -1},
  };
  for (const Case& c : cases) {
    ClearObjectPool();
    o_->gaugeMode = c.mode;
    o_->stepFrames = c.step;
    Draw();
    if (c.spawned < 0) {
      EXPECT_TRUE(Spawned().empty()) << c.name;
    } else {
      ASSERT_EQ(Spawned().size(), 1u) << c.name;
      const BattleObject& s = g_ObjectPool[0].obj;
      EXPECT_EQ(s.pattern, c.spawned) << c.name;
      // Offset (2, 1) sprite pixels, doubled for the cut-sprite frame; it moves with the fighter.
      EXPECT_EQ(s.posX, o_->posX + 2 * 128 * 2) << c.name;
      EXPECT_EQ(s.posY, o_->posY + 1 * 128 * 2) << c.name;
      EXPECT_EQ(s.spawnFlags & 0x0C, 0x0C) << c.name;
    }
  }
  struct Gate {
    const char* name;
    void (*set)(BattleObject&);
  };
  const Gate gates[] = {
      {"held", [](BattleObject& o) { o.held = 1; }},
      {"standing by", [](BattleObject& o) { o.partnerState = 1; }},
      {"decided", [](BattleObject&) { g_JudgeState = 1; }},
      {"time not stepped", [](BattleObject&) { g_BattleTimeStepped = 0; }},
      {"paused", [](BattleObject&) { g_Paused = 1; }},
  };
  for (const Gate& g : gates) {
    ClearObjectPool();
    o_->gaugeMode = 1;
    o_->stepFrames = 3;
    g.set(*o_);
    Draw();
    EXPECT_TRUE(Spawned().empty()) << g.name;
    o_->held = 0;
    o_->partnerState = 0;
    g_JudgeState = 0;
    g_BattleTimeStepped = 1;
    g_Paused = 0;
  }
}

TEST_F(CharacterDraw, StatusParticlesDrawTwiceEach) {
  struct Case {
    const char* name;
    uint8_t kind, timer;
    int32_t frame;  // the fighter's frame (1 has no hurt box)
    int particle;   // effect number requested, 0 none
    bool object;    // common effect 179 spawned
    int draws;
  };
  const Case cases[] = {
      {"burn", 1, 31, 0, 6, false, 2},
      {"freeze even", 2, 30, 0, 7, false, 2},
      {"freeze odd", 2, 31, 0, 0, false, 0},
      {"shock on five", 3, 35, 0, 0, true, 2},
      {"shock off five", 3, 36, 0, 0, false, 0},
      {"no timer", 1, 0, 0, 0, false, 0},
      {"dark has no particle", 100, 30, 0, 0, false, 0},
      {"burn without a box", 1, 31, 1, 6, false, 0},
      {"shock without a box", 3, 35, 1, 0, true, 0},
  };
  o_->posX = 50 * 128;
  // The point is drawn on the screen and taken back to the world through the camera.
  battle_test::SetCamera(1000 * 128, -50 * 128);
  for (const Case& c : cases) {
    ClearObjectPool();
    g_Requests.clear();
    o_->statusKind = c.kind;
    o_->statusTimer = c.timer;
    o_->frame = c.frame;
    const int32_t before = g_RandDrawCount;
    Draw();
    EXPECT_EQ(g_RandDrawCount - before, c.draws) << c.name;
    if (c.particle) {
      ASSERT_EQ(g_Requests.size(), 1u) << c.name;
      const ParticleRequest& r = g_Requests[0];
      EXPECT_EQ(r.number, c.particle) << c.name;
      EXPECT_EQ(r.p2, 1) << c.name;
      if (c.draws) {
        // Inside the hurt box {-10, -40, 10, 0} doubled, at x 50 px, in world units.
        EXPECT_GE(r.x, (50 - 20) * 128) << c.name;
        EXPECT_LT(r.x, (50 + 20) * 128) << c.name;
        EXPECT_GE(r.y, -80 * 128) << c.name;
        EXPECT_LT(r.y, 0) << c.name;
      } else {
        EXPECT_EQ(r.x, o_->posX) << c.name;
        EXPECT_EQ(r.y, o_->posY) << c.name;
      }
    } else {
      EXPECT_TRUE(g_Requests.empty()) << c.name;
    }
    const std::vector<int32_t> spawned = Spawned();
    EXPECT_EQ(!spawned.empty(), c.object) << c.name;
    if (c.object) {
      EXPECT_EQ(spawned, std::vector<int32_t>{179}) << c.name;
      const BattleObject& s = g_ObjectPool[0].obj;
      if (c.draws) {
        EXPECT_GE(s.posX, (50 - 20) * 128) << c.name;
        EXPECT_LT(s.posX, (50 + 20) * 128) << c.name;
      } else {
        EXPECT_EQ(s.posX, o_->posX) << c.name;
      }
    }
  }
  // Frozen, paused or between battle steps: no particle and no draw.
  o_->frame = 0;
  o_->statusKind = 1;
  o_->statusTimer = 31;
  for (int gate = 0; gate < 3; ++gate) {
    g_Requests.clear();
    g_Paused = gate == 0;
    g_GlobalFreeze = gate == 1 ? 3 : 0;
    g_BattleTimeStepped = gate == 2 ? 0 : 1;
    const int32_t before = g_RandDrawCount;
    Draw();
    EXPECT_TRUE(g_Requests.empty()) << gate;
    EXPECT_EQ(g_RandDrawCount, before) << gate;
  }
}

// --- the heat pulse -------------------------------------------------------------------------

TEST_F(CharacterDraw, HeatPulseGlowsThroughTheEdgeColour) {
  o_->gaugeMode = 1;
  Draw();
  const Han6Quad* q = Body();
  ASSERT_NE(q, nullptr);
  EXPECT_STREQ(q->technique, "TecCharaDraw_Edge");
  EXPECT_FLOAT_EQ(q->edgeColor[0], 0.2f);
  EXPECT_FLOAT_EQ(q->edgeColor[2], 1.0f);
  EXPECT_EQ(g_HeatPulseCount[0], 1);
  // Half a period on, the glow is at its lowest; a full period brings it back.
  g_HeatPulseCount[0] = 22;
  HeatGlow g = HeatPulse(*o_);
  EXPECT_TRUE(g.on);
  EXPECT_NEAR(g.value[2], (std::cos(2 * std::numbers::pi * 22 / 45) + 1) / 2, 1e-6);
  g_HeatPulseCount[0] = 45;
  g = HeatPulse(*o_);
  EXPECT_FLOAT_EQ(g.value[3], 1.0f);
  EXPECT_EQ(g_HeatPulseCount[0], 46);
  // Gold in modes 3 and 5.
  o_->gaugeMode = 5;
  g_HeatPulseCount[0] = 0;
  g = HeatPulse(*o_);
  EXPECT_FLOAT_EQ(g.value[0], 1.0f);
  EXPECT_FLOAT_EQ(g.value[2], 0.0f);
  // Paused: the pulse holds.
  g_Paused = 1;
  HeatPulse(*o_);
  EXPECT_EQ(g_HeatPulseCount[0], 1);
  g_Paused = 0;
  // None in a hit reaction, while held, once decided, or without heat; the counter starts over.
  for (int gate = 0; gate < 4; ++gate) {
    o_->gaugeMode = gate == 3 ? 0 : 3;
    o_->hitReaction = gate == 0 ? 5 : 0;
    o_->held = gate == 1;
    g_JudgeState = gate == 2;
    g_HeatPulseCount[0] = 9;
    EXPECT_FALSE(HeatPulse(*o_).on) << gate;
    EXPECT_EQ(g_HeatPulseCount[0], 0) << gate;
  }
}

// --- the pass -------------------------------------------------------------------------------

std::vector<std::string> g_TrailCalls;

TEST_F(CharacterDraw, PassOverSlotsWithTrailAndStoryVisibility) {
  BattleObject& b = battle_test::PlaceCharacter(1, data_.Set(), 0);
  b.drawPriority = 100;
  g_TrailCalls.clear();
  g_BattleSeams.ResetTrail = [](int slot, BattleObject*) {
    g_TrailCalls.push_back("reset " + std::to_string(slot));
  };
  g_BattleSeams.DrawAfterimage = [](int slot, BattleObject*, int i) {
    g_TrailCalls.push_back("image " + std::to_string(slot) + " " + std::to_string(i));
  };
  o_->trailColour = 2;
  o_->trailCount = 3;
  o_->trailReset = 1;
  g_StoryCharacterVisible[0] = 0;  // hidden by the story script: its afterimages still draw
  sink_.quads.clear();
  DrawCharacters();
  g_StoryCharacterVisible[0] = 1;
  EXPECT_EQ(g_TrailCalls, (std::vector<std::string>{"reset 0", "image 0 0", "image 0 1", "image 0 2"}));
  EXPECT_EQ(o_->trailReset, 0);
  // Only slot 1's body and shadow.
  EXPECT_EQ(sink_.quads.size(), 2u);
  // The special stage's own character stands aside in its pattern 0.
  g_TrailCalls.clear();
  b.charaIndex = 32;
  g_BattleState[BattleStateIndex::kSpecialStage] = 1;
  sink_.quads.clear();
  DrawCharacters();
  EXPECT_EQ(sink_.quads.size(), 2u);  // slot 0 only
  EXPECT_EQ(g_TrailCalls, (std::vector<std::string>{"image 0 0", "image 0 1", "image 0 2"}));
}

// --- IsAnyHeatActive ------------------------------------------------------------------------

TEST_F(CharacterDraw, AnyHeatActive) {
  BattleObject& b = battle_test::PlaceCharacter(1, data_.Set(), 0);
  struct Case {
    const char* name;
    uint8_t mode0, mode1;
    int32_t gameMode;
    uint8_t judge;
    int want;
  };
  const Case cases[] = {
      {"none", 0, 0, 0, 0, 0},
      {"mode 1", 1, 0, 0, 0, 1},
      {"mode 3 other side", 0, 3, 0, 0, 1},
      {"mode 2 is not heat", 2, 2, 0, 0, 0},
      {"mode 5 is not heat", 5, 0, 0, 0, 0},
      {"decided", 1, 3, 0, 1, 0},
  };
  for (const Case& c : cases) {
    o_->gaugeMode = c.mode0;
    b.gaugeMode = c.mode1;
    g_GameModeFlags = c.gameMode;
    g_JudgeState = c.judge;
    EXPECT_EQ(IsAnyHeatActive(), c.want) << c.name;
    EXPECT_EQ(BattleSeamAnyHeatActive(), c.want) << c.name;  // installed for the stage
  }
  // Four players: only each side's active character counts (the first of the side in use).
  g_JudgeState = 0;
  g_GameModeFlags = 0x200;
  BattleObject& c2 = battle_test::PlaceCharacter(2, data_.Set(), 0);
  o_->gaugeMode = 0;
  b.gaugeMode = 0;
  c2.gaugeMode = 1;  // side 0's second character
  EXPECT_EQ(IsAnyHeatActive(), 0);
  o_->gaugeMode = 3;
  EXPECT_EQ(IsAnyHeatActive(), 1);
  g_GameModeFlags = 0;
  EXPECT_EQ(IsAnyHeatActive(), 1);
}

// --- the matrices ---------------------------------------------------------------------------

TEST(ObjectMatrix, ScaleRotationAboutPivotMirrorAndHalfSize) {
  BattleObject o{};
  o.scaleX = o.scaleY = 1.0f;
  Han6Matrix m;
  float p[4];
  // A cut sprite: doubled; mirrored when facing left (and reported).
  EXPECT_EQ(BuildObjectMatrix(&m, o, 0), 0);
  TransformHan6Point(m, 3.0f, 4.0f, 0.0f, p);
  EXPECT_FLOAT_EQ(p[0], 6.0f);
  EXPECT_FLOAT_EQ(p[1], 8.0f);
  o.facing = 1;
  EXPECT_EQ(BuildObjectMatrix(&m, o, 1), 1);
  TransformHan6Point(m, 3.0f, 4.0f, 0.0f, p);
  EXPECT_FLOAT_EQ(p[0], -3.0f);
  EXPECT_FLOAT_EQ(p[1], 4.0f);
  // A quarter turn about the pivot (10, 0): the pivot stays, (20, 0) goes to (10, 10).
  o.facing = 0;
  o.rotation = 2500;
  o.rotationPivotX = 10;
  BuildObjectMatrix(&m, o, 1);
  TransformHan6Point(m, 10.0f, 0.0f, 0.0f, p);
  EXPECT_NEAR(p[0], 10.0f, 1e-4f);
  EXPECT_NEAR(p[1], 0.0f, 1e-4f);
  TransformHan6Point(m, 20.0f, 0.0f, 0.0f, p);
  EXPECT_NEAR(p[0], 10.0f, 1e-4f);
  EXPECT_NEAR(std::abs(p[1]), 10.0f, 1e-4f);
  // Placement: translated, then through the camera; far above the screen nothing is placed.
  o.rotation = 0;
  o.scaleX = 0.5f;
  BuildObjectMatrix(&m, o, 1);
  const Han6Matrix camera = Han6Matrix::Translation(320.0f, 432.0f, 0.0f);
  EXPECT_EQ(PlaceObjectMatrix(&m, 100, -20, 1, &camera), 1);
  TransformHan6Point(m, 10.0f, 0.0f, 0.0f, p);
  EXPECT_FLOAT_EQ(p[0], 425.0f);
  EXPECT_FLOAT_EQ(p[1], 412.0f);
  Han6Matrix n = Han6Matrix::Identity();
  EXPECT_EQ(PlaceObjectMatrix(&n, 0, -651, 0, &camera), 0);
  EXPECT_EQ(PlaceObjectMatrix(&n, 0, -651, 0, nullptr), 1);
}

}  // namespace

// --- on the recording device: the reversed-controls marks and the HUD textures ----------------

namespace {

class CharacterDrawDevice : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    battle_test::ResetWorld();
    ResetBattleDrawSeams();
  }
  void TearDown() override {
    FreeBattleHudTextures();
    ResetBattleDrawSeams();
    g_BattleDrawSubmit = true;
    battle_test::ResetWorld();
    RecordingGfx::TearDown();
  }
  // Quads queued on the main list at a priority.
  static int QueuedAt(int priority) {
    int n = 0;
    for (const GrpDrawCommand* c = g_MainDrawList.slots[priority].next; c && c->kind != kDrawKindHead;
         c = c->next)
      n += c->kind == kDrawKindQuad;
    return n;
  }
};

TEST_F(CharacterDrawDevice, ReversedControlsMarksCircleTheHead) {
  BattleObject& o = battle_test::PlaceCharacter(0, nullptr, 0);
  o.drawPriority = 100;
  o.reversedFrames = 600;
  // Frame 0: the marks stand at 0, 72, 144, 216 and 288 degrees; three are in front (b below
  // 180) at priority + 255, two behind at + 257.
  g_BattleFrame = 0;
  StatusEffectsStep(o);
  EXPECT_EQ(QueuedAt(355), 3);
  EXPECT_EQ(QueuedAt(357), 2);
  struct Gate {
    const char* name;
    void (*set)(BattleObject&);
  };
  const Gate gates[] = {
      {"no reversed frames", [](BattleObject& o) { o.reversedFrames = 0; }},
      {"held", [](BattleObject& o) { o.held = 1; }},
      {"side's action lock", [](BattleObject&) { g_SideStatus[0].actionLock = 1; }},
      {"giant",
       [](BattleObject&) { g_BattleSeams.IsGiantCharacter = [](const BattleObject*) { return 1; }; }},
      {"headless", [](BattleObject&) { g_BattleDrawSubmit = false; }},
      {"inactive partner",
       [](BattleObject& o) {
         o.partner = &g_PlayerRecords[2].obj;
         g_SideStatus[0].activePlayer = 2;
       }},
  };
  for (const Gate& g : gates) {
    ResetDrawList(&g_MainDrawList);
    battle_test::ResetWorld();
    BattleObject& c = battle_test::PlaceCharacter(0, nullptr, 0);
    c.drawPriority = 100;
    c.reversedFrames = 600;
    g.set(c);
    StatusEffectsStep(c);
    EXPECT_EQ(QueuedAt(355) + QueuedAt(357), 0) << g.name;
    g_BattleDrawSubmit = true;
  }
}

TEST_F(CharacterDrawDevice, HudTexturesLoadWhatExistsAndFreeEverything) {
  std::filesystem::create_directories("grp/system");
  std::filesystem::create_directories("grp/Gauge_QZ");
  const std::vector<uint8_t> pixels(4 * 4 * 4, 0x80);
  ASSERT_TRUE(vt::image::SaveImage("grp/system/monitor.png", vt::image::kFilePng, pixels.data(), 4, 4));
  ASSERT_TRUE(vt::image::SaveImage("grp/Gauge_QZ/gauge03.png", vt::image::kFilePng, pixels.data(), 4, 4));
  EXPECT_EQ(LoadBattleHudTextures(), 1);
  const BattleHudTextures& t = g_BattleHudTextures;
  EXPECT_NE(t.monitor, nullptr);
  EXPECT_NE(t.gauge[3], nullptr);
  // Missing files leave their handles null.
  EXPECT_EQ(t.gauge[2], nullptr);
  EXPECT_EQ(t.fade, nullptr);
  EXPECT_EQ(t.comboDigits[0], nullptr);
  FreeBattleHudTextures();
  EXPECT_EQ(t.monitor, nullptr);
  EXPECT_EQ(t.gauge[3], nullptr);
  FreeBattleHudTextures();  // twice is harmless
}

}  // namespace
