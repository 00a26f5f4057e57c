// The particle draw laws on the recording device: per kind the commands queued at the start,
// the middle and the end of a life (count, texture, blend, filter, priority, alpha), the divisors
// of the life that reach 0, the portrait's player and slot checks, the fans as triangles, the
// screen placement, the submit gate, and the particle pass handing its draws to the laws.
#include "battle/particle_draw.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Dxtools/gfx_test_env.h"
#include "battle/battle_camera.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/effect_geometry.h"
#include "battle/particle_pool.h"
#include "platform/image.h"

namespace {

struct Queued {
  int32_t priority;
  const GrpDrawCommand* command;
};

class ParticleDraw : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    ResetSpriteViewMatrix();
    ResetSpriteProjMatrix();
    ResetBattleDrawSeams();
    g_BattleDrawSubmit = true;
    g_CameraX = g_CameraY = 0;
    // Textures of distinct sizes, so each command tells which it samples.
    for (int i = 0; i < kSystemEffectTextureCount; ++i)
      g_SystemEffectTextures[i] = SolidTexture(16 << (i % 3), 64, 0xFFFFFFFFu);
    g_EffectStripTexture = g_SystemEffectTextures[0];
    portrait_ = SolidTexture(512, 512, 0xFFFFFFFFu);
    s_portrait = portrait_;
  }
  void TearDown() override {
    ResetDrawList(&g_MainDrawList);
    FreeSystemEffectTextures();
    FreeTexture(portrait_);
    s_portrait = nullptr;
    ResetBattleDrawSeams();
    g_BattleDrawSubmit = true;
    g_DrawBlendMode = g_DrawFilterMode = 1;
    ClearParticlePool();
    RecordingGfx::TearDown();
  }

  // Every queued command, slots in priority order and each slot in queue order.
  static std::vector<Queued> All() {
    std::vector<Queued> out;
    for (uint32_t s = 0; s < g_MainDrawList.slotCount; ++s) {
      std::vector<Queued> slot;
      for (const GrpDrawCommand* c = g_MainDrawList.slots[s].next; c && c->kind != kDrawKindHead; c = c->next)
        slot.push_back({static_cast<int32_t>(s), c});
      std::reverse(slot.begin(), slot.end());
      out.insert(out.end(), slot.begin(), slot.end());
    }
    return out;
  }
  static int TextureIndex(const GrpDrawCommand* c) {
    if (!c->texture) return -1;
    for (int i = 0; i < kSystemEffectTextureCount; ++i)
      if (c->texture == HandleTexture(g_SystemEffectTextures[i])) return i;
    if (c->texture == HandleTexture(s_portrait)) return 100;
    return -2;
  }
  static Particle Make(int kind, int life, int maxLife) {
    Particle p{};
    p.inUse = 1;
    p.kind = static_cast<int16_t>(kind);
    p.life = static_cast<int16_t>(life);
    p.maxLife = static_cast<int16_t>(maxLife);
    return p;
  }
  static TextureHandle* CutIn(int player, int slot) {
    return player == 1 && slot == 2 ? s_portrait : nullptr;
  }

  TextureHandle* portrait_ = nullptr;
  static inline TextureHandle* s_portrait = nullptr;
};

constexpr int kNone = -1;
constexpr int kAny = -1000;  // alpha not checked at this life

struct KindCase {
  const char* name;
  int kind;
  std::function<void(Particle&)> params;
  int count[3];  // commands at lives 20, 10 and 1 (of 20)
  int texture;   // system-effect texture index; -1 untextured, 100 the portrait
  uint8_t blend;
  uint8_t filter;
  int32_t priority;
  int vertex;    // the vertex whose alpha is read (of the first command)
  int alpha[3];  // at lives 20, 10 and 1
};

const auto kNoParams = [](Particle&) {};

// An object that moved 40 pixels right and 30 up this step.
BattleObject& StreakObject() {
  static BattleObject o = [] {
    BattleObject b{};
    b.posX = 140 * 128, b.posY = -80 * 128, b.prevPosX = 100 * 128, b.prevPosY = -50 * 128;
    return b;
  }();
  return o;
}

// Hand values, M = 20: "fading with K" is (L - 1) x K / 20: K = 100 gives 95, 45, 0; 128 gives
// 121, 57, 0; 255 gives 242, 114, 0; 250 gives 237, 112, 0; 180 gives -, 81, 0; 64 gives 60, 28, 0.
const KindCase kKinds[] = {
    {"0 shock ring", 0, kNoParams, {9, 9, 9}, kNone, 2, 2, 396, 0, {95, 45, 0}},
    {"1 expanding disc", 1, kNoParams, {9, 9, 9}, kNone, 1, 2, 396, 0, {121, 57, 0}},
    // 128 / m outside the dark ring, m = 21 - L.
    {"2 burst", 2, kNoParams, {46, 46, 46}, kNone, 1, 2, 396, 0, {128, 11, 6}},
    // (200 L - 200) / 20 + 55; 40 segments for a maximum life of 15 or more.
    {"3 textured ring", 3, kNoParams, {40, 40, 40}, 0, 2, 2, 396, 0, {245, 145, 55}},
    {"4 tilted ring", 4, kNoParams, {10, 10, 10}, kNone, 1, 2, 396, 0, {190, 90, 0}},
    {"8 flash quad", 8, kNoParams, {1, 1, 1}, 0, 2, 2, 396, 0, {60, 28, 0}},
    {"8 black quad", 8, [](Particle& p) { p.p0 = 1; }, {1, 1, 1}, 0, 1, 2, 396, 0, {60, 28, 0}},
    {"9 textured ring", 9, kNoParams, {20, 20, 20}, 0, 2, 2, 396, 0, {242, 114, 0}},
    {"10 textured ring", 10, kNoParams, {20, 20, 20}, 0, 2, 2, 396, 0, {242, 114, 0}},
    {"11 spiky burst", 11, kNoParams, {4, 4, 4}, 0, 2, 2, 396, 0, {237, 112, 0}},
    {"12 sparkle ring", 12, kNoParams, {20, 20, 20}, kNone, 2, 2, 396, 0, {242, 114, 0}},
    // k = L - M + p4 = L: 255 L / 20.
    {"13 growing ring",
     13,
     [](Particle& p) { p.p4 = 20, p.p5 = 130, p.p0 = 130; },
     {20, 20, 20},
     0,
     2,
     2,
     396,
     0,
     {255, 127, 12}},
    {"14 twin rings", 14, kNoParams, {20, 20, 20}, 0, 2, 2, 396, 0, {128, 128, 128}},
    {"15 ring", 15, kNoParams, {20, 20, 20}, 0, 2, 2, 396, 0, {121, 57, 0}},
    // Held at 255 while L >= p4 = 5, then 255 / (40 - 5) x 1 = 7.
    {"19 flash", 19, [](Particle& p) { p.p4 = 5; }, {1, 1, 1}, kNone, 1, 2, 512, 0, {255, 255, 7}},
    {"19 flash behind",
     19,
     [](Particle& p) { p.p4 = 5, p.p1 = 1; },
     {1, 1, 1},
     kNone,
     1,
     2,
     269,
     0,
     {255, 255, 7}},
    // (20 - L) x 255 / 5, at most 255.
    {"20 fade-in", 20, [](Particle& p) { p.p4 = 5; }, {1, 1, 1}, kNone, 1, 2, 512, 0, {0, 255, 255}},
    {"21 thin quad", 21, [](Particle& p) { p.p1 = 40; }, {1, 1, 1}, 0, 2, 2, 396, 0, {242, 114, 0}},
    {"26 glow", 26, kNoParams, {1, 1, 1}, 1, 2, 2, 456, 0, {242, 114, 0}},
    {"27 rotating pair", 27, kNoParams, {2, 2, 2}, 0, 2, 2, 456, 0, {242, 114, 0}},
    // f = (20 - L) / 20: 200 until 0.7, then 200 (1 - (0.95 - 0.7) / 0.3) = 33.
    {"28 debris", 28, [](Particle& p) { p.p4 = 48; }, {1, 1, 1}, 1, 1, 2, 456, 0, {200, 200, 33}},
    {"257 spark", 257, kNoParams, {1, 1, 1}, 1, 2, 2, 456, 0, {200, 200, 200}},
    // A line from its second frame, the second line from its third.
    {"258 trail", 258, kNoParams, {0, 2, 2}, kNone, 2, 2, 200, 0, {kAny, 81, 0}},
    {"259 smoke", 259, kNoParams, {1, 1, 1}, 2, 2, 2, 456, 0, {100, 100, 100}},
    {"260 glow", 260, kNoParams, {1, 1, 1}, 1, 2, 2, 456, 0, {72, 72, 72}},
    {"261 beam", 261, [](Particle& p) { p.p1 = 20, p.p2 = 100; }, {1, 1, 1}, 0, 2, 2, 396, 0, {60, 28, 0}},
    {"262 flat ring", 262, [](Particle& p) { p.p0 = 1; }, {20, 20, 20}, kNone, 2, 2, 396, 0, {242, 114, 0}},
    {"263 wedge", 263, [](Particle& p) { p.p2 = 60; }, {1, 1, 1}, kNone, 2, 2, 396, 0, {128, 128, 128}},
    // (L - 1) x 255 / 40.
    {"265 wedges", 265, [](Particle& p) { p.p1 = 255; }, {4, 4, 4}, kNone, 2, 2, 396, 0, {121, 57, 0}},
    // (255 L - 255) / 100 on the inner edge.
    {"264 ring", 264, [](Particle& p) { p.p0 = 2; }, {30, 30, 30}, kNone, 1, 2, 396, 2, {48, 22, 0}},
    {"264 full ring",
     264,
     [](Particle& p) { p.p0 = 2, p.p1 = 1; },
     {30, 30, 30},
     kNone,
     1,
     2,
     396,
     2,
     {255, 255, 255}},
    {"270 band", 270, kNoParams, {1, 1, 1}, 1, 2, 2, 456, 0, {255, 255, 255}},
    {"271 band", 271, kNoParams, {1, 1, 1}, 1, 2, 2, 456, 0, {255, 255, 255}},
    {"272 flash", 272, [](Particle& p) { p.p1 = 4, p.p2 = 2; }, {1, 1, 1}, 1, 2, 2, 456, 0, {255, 255, 255}},
    {"273 twin rings", 273, [](Particle& p) { p.p1 = 10; }, {40, 40, 40}, 0, 2, 2, 396, 0, {121, 57, 0}},
    {"275 beam", 275, kNoParams, {1, 1, 1}, 0, 2, 2, 396, 0, {237, 112, 0}},
    // Stretched between the object's previous and present positions.
    {"282 streak",
     282,
     [](Particle& p) { p.object = &StreakObject(); },
     {1, 1, 1},
     1,
     2,
     2,
     456,
     0,
     {242, 114, 0}},
    {"282 without an object", 282, kNoParams, {0, 0, 0}, kNone, 1, 1, 0, 0, {}},
    {"280 dust", 280, kNoParams, {1, 1, 1}, 0, 2, 2, 396, 0, {255, 255, 255}},
    {"301 ripple",
     301,
     [](Particle& p) { p.p4 = 10, p.p2 = 0xF0F080; },
     {1, 1, 1},
     1,
     2,
     2,
     456,
     0,
     {255, kAny, kAny}},
    {"302 circle segment",
     302,
     [](Particle& p) { p.p2 = 0xFFFFFF, p.p3 = 128; },
     {1, 1, 1},
     1,
     2,
     2,
     456,
     0,
     {242, 114, 0}},
    {"303 circle centre", 303, kNoParams, {16, 16, 16}, kNone, 2, 2, 396, 0, {255, kAny, kAny}},
    {"999 round-win mark", 999, [](Particle& p) { p.p1 = 1; }, {1, 1, 1}, 3, 1, 2, 716, 0, {255, 255, 255}},
    // r = 1 - (age + 1) / 20: 0.95, 0.45, 0.
    {"1257 spark piece", 1257, kNoParams, {1, 1, 1}, 1, 2, 2, 456, 0, {242, 114, 0}},
    {"1282 ribbon", 1282, kNoParams, {1, 1, 1}, kNone, 2, 2, 200, 0, {242, 114, 0}},
    {"2000 portrait",
     2000,
     [](Particle& p) { p.p0 = 1, p.p1 = 2; },
     {1, 1, 1},
     100,
     1,
     2,
     306,
     0,
     {255, 255, 255}},
    {"2000 portrait in front",
     2000,
     [](Particle& p) { p.p0 = 1, p.p1 = 2, p.p4 = 1; },
     {1, 1, 1},
     100,
     1,
     2,
     496,
     0,
     {255, 255, 255}},
    // Markers, the emitter, timers and the calls queue nothing here.
    {"5 marker", 5, kNoParams, {0, 0, 0}, kNone, 1, 1, 0, 0, {}},
    {"6 emitter", 6, kNoParams, {0, 0, 0}, kNone, 1, 1, 0, 0, {}},
    {"17 marker", 17, kNoParams, {0, 0, 0}, kNone, 1, 1, 0, 0, {}},
    {"1002 timer", 1002, kNoParams, {0, 0, 0}, kNone, 1, 1, 0, 0, {}},
    {"1004 marker", 1004, kNoParams, {0, 0, 0}, kNone, 1, 1, 0, 0, {}},
    {"1001 round call", 1001, kNoParams, {0, 0, 0}, kNone, 1, 1, 0, 0, {}},
};

TEST_F(ParticleDraw, EachKindAtTheStartMiddleAndEndOfItsLife) {
  g_BattleDrawSeams.CutInTexture = &ParticleDraw::CutIn;
  for (const KindCase& c : kKinds) {
    const int lives[3] = {20, 10, 1};
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(testing::Message() << c.name << " at life " << lives[i]);
      ResetDrawList(&g_MainDrawList);
      Particle p = Make(c.kind, lives[i], 20);
      p.x = 100 * 128;
      p.y = -50 * 128;
      c.params(p);
      g_DrawBlendMode = 7;
      g_DrawFilterMode = 7;
      DrawParticle(p, p.x, p.y);
      // The modes are put back to 1 after every draw.
      const bool draws = c.count[0] + c.count[1] + c.count[2] > 0 || c.kind == 1004;
      EXPECT_EQ(g_DrawBlendMode, draws ? 1 : 7);
      EXPECT_EQ(g_DrawFilterMode, draws ? 1 : 7);
      const auto q = All();
      ASSERT_EQ(static_cast<int>(q.size()), c.count[i]);
      if (q.empty()) continue;
      const GrpDrawCommand* first = q[0].command;
      EXPECT_EQ(q[0].priority, c.priority);
      EXPECT_EQ(TextureIndex(first), c.texture);
      EXPECT_EQ(first->blendMode, c.blend);
      EXPECT_EQ(first->filterMode, c.filter);
      if (c.alpha[i] != kAny) EXPECT_EQ(static_cast<int>(first->v[c.vertex].diffuse >> 24), c.alpha[i]);
    }
  }
}

TEST_F(ParticleDraw, TheFansAreQueuedAsTrianglesTheRendererDoesNotDraw) {
  for (int kind : {7, 256}) {
    ResetDrawList(&g_MainDrawList);
    Particle p = Make(kind, 20, 30);
    DrawParticle(p, 0, 0);
    const auto q = All();
    ASSERT_EQ(q.size(), kind == 7 ? 3u : 5u) << kind;
    for (const Queued& e : q) {
      EXPECT_EQ(e.command->kind, kDrawKindTriangle);
      EXPECT_EQ(e.command->blendMode, 2);
    }
    // Kind 7's centre fades with 255 (19 x 255 / 30 = 161), its rim is clear; kind 256 takes its
    // life as the alpha of both.
    EXPECT_EQ(q[0].command->v[0].diffuse, kind == 7 ? 0xA1FFFFFFu : 0x14FFFFFFu);
    EXPECT_EQ(q[0].command->v[1].diffuse, kind == 7 ? 0x00C80000u : 0x140000FFu);
    g_D3DDevice->Records().clear();
    EXPECT_EQ(RenderMain(), 1);
    EXPECT_TRUE(Draws().empty()) << kind;
  }
}

// Laws whose divisor is an expression of the life: at 0 or below, alpha (and size) 0.
struct DivisorCase {
  const char* name;
  int kind, life, maxLife;
  std::function<void(Particle&)> params;
  int vertex;
};
const DivisorCase kDivisors[] = {
    {"fading with K, M = 0", 0, 1, 0, kNoParams, 0},
    {"fading with K, M < 0", 9, 1, -3, kNoParams, 0},
    {"19 with 2M - p4 = 0", 19, 1, 1, [](Particle& p) { p.p4 = 2; }, 0},
    {"19 with 2M - p4 < 0", 19, 1, 1, [](Particle& p) { p.p4 = 5; }, 0},
    {"20 with p4 = 0", 20, 1, 10, kNoParams, 0},
    {"28 with M = 0", 28, 0, 0, [](Particle& p) { p.p4 = 48; }, 0},
    {"14 with M = 50", 14, -3, 50, kNoParams, 0},
    {"261 with M = 0", 261, 5, 0, [](Particle& p) { p.p1 = 20; }, 0},
    {"265 with M = 0", 265, 5, 0, [](Particle& p) { p.p1 = 255; }, 0},
    {"264 with M = 0", 264, 5, 0, [](Particle& p) { p.p0 = 2; }, 2},
    {"1257 with M = 0", 1257, 5, 0, kNoParams, 0},
    {"13 with p4 = 0", 13, 5, 5, kNoParams, 0},
    {"3 with M = 0", 3, 5, 0, kNoParams, 0},
    {"2 with m = 0", 2, 21, 20, kNoParams, 0},
};

TEST_F(ParticleDraw, ADivisorOfZeroOrLessGivesAlphaZero) {
  for (const DivisorCase& c : kDivisors) {
    SCOPED_TRACE(c.name);
    ResetDrawList(&g_MainDrawList);
    Particle p = Make(c.kind, c.life, c.maxLife);
    c.params(p);
    DrawParticle(p, 0, 0);
    const auto q = All();
    ASSERT_FALSE(q.empty());
    EXPECT_EQ(q[0].command->v[c.vertex].diffuse >> 24, 0u);
  }
  // The debris and the spark are also of no size.
  for (int kind : {28, 257}) {
    ResetDrawList(&g_MainDrawList);
    Particle p = Make(kind, 3, 0);
    p.p4 = 48;
    DrawParticle(p, 0, 0);
    const auto q = All();
    ASSERT_EQ(q.size(), 1u);
    for (int i = 1; i < 4; ++i) {
      EXPECT_FLOAT_EQ(q[0].command->v[i].x, q[0].command->v[0].x) << kind;
      EXPECT_FLOAT_EQ(q[0].command->v[i].y, q[0].command->v[0].y) << kind;
    }
  }
}

TEST_F(ParticleDraw, ThePortraitNeedsAPlayerOfTheFourAndAFilledSlot) {
  struct Case {
    int player, slot;
    bool seam;
    size_t commands;
  };
  for (const Case c : {Case{1, 2, true, 1}, Case{1, 3, true, 0}, Case{4, 2, true, 0}, Case{-1, 2, true, 0},
                       Case{255, 2, true, 0}, Case{1, 2, false, 0}}) {
    ResetDrawList(&g_MainDrawList);
    g_BattleDrawSeams.CutInTexture = c.seam ? &ParticleDraw::CutIn : nullptr;
    Particle p = Make(2000, 41, 41);
    p.p0 = c.player;
    p.p1 = c.slot;
    DrawParticle(p, 0, 0);
    EXPECT_EQ(All().size(), c.commands) << c.player << " " << c.slot << " " << c.seam;
  }
}

TEST_F(ParticleDraw, ThePortraitSlidesInHoldsThenFadesAndDrops) {
  g_BattleDrawSeams.CutInTexture = &ParticleDraw::CutIn;
  struct Case {
    int life, state, flip;
    float x, y;
    uint32_t alpha;
  };
  // Life 41: 16 frames in (x offset 512 (1 - eased)), then the hold, then 16 frames down.
  for (const Case c :
       {Case{41, 0, 0, -512, -16, 255}, Case{33, 1, 0, -256, -16, 255}, Case{33, 1, 1, 384, -16, 255},
        Case{25, 1, 0, 0, -16, 255}, Case{20, 10, 0, 0, -16, 255}, Case{20, 10, 1, 128, -16, 255},
        Case{8, 100, 0, 0, 84, 127}, Case{1, -1, 0, 0, 171, 16}}) {
    ResetDrawList(&g_MainDrawList);
    Particle p = Make(2000, c.life, 41);
    p.p0 = 1, p.p1 = 2, p.state = c.state, p.flip = static_cast<uint8_t>(c.flip);
    DrawParticle(p, 0, 0);
    const auto q = All();
    ASSERT_EQ(q.size(), 1u);
    SCOPED_TRACE(testing::Message() << "life " << c.life << " flip " << c.flip);
    EXPECT_NEAR(q[0].command->v[0].x, c.x, 1.0f);
    EXPECT_NEAR(q[0].command->v[0].y, c.y, 1.0f);
    EXPECT_NEAR(q[0].command->v[3].x - q[0].command->v[0].x, 512.0f, 0.01f);
    EXPECT_NEAR(static_cast<double>(q[0].command->v[0].diffuse >> 24), c.alpha, 1.0);
  }
}

TEST_F(ParticleDraw, RingsSitAtTheScreenPositionAndSpritesGoThroughTheCamera) {
  // World (100, -50) pixels with the camera at (20, -10) pixels: screen (400, 392).
  g_CameraX = 20 * 128;
  g_CameraY = -10 * 128;
  Particle ring = Make(262, 5, 10);
  ring.p0 = 1;
  DrawParticle(ring, 100 * 128, -50 * 128);
  auto q = All();
  ASSERT_EQ(q.size(), 20u);
  // The flat ring's first outer corner stands straight up at (10 - L) x 10 = 50.
  EXPECT_NEAR(q[0].command->v[0].x, 400.0f, 1e-3f);
  EXPECT_NEAR(q[0].command->v[0].y, 342.0f, 1e-3f);
  // A spark sprite (32 x 32 scaled by L / M = 1, its centre on the point) without the camera seam
  // and with a camera seam that doubles.
  ResetDrawList(&g_MainDrawList);
  Particle spark = Make(257, 10, 10);
  DrawParticle(spark, 100 * 128, -50 * 128);
  q = All();
  ASSERT_EQ(q.size(), 1u);
  EXPECT_NEAR(q[0].command->v[0].x, 384.0f, 1e-3f);
  EXPECT_NEAR(q[0].command->v[3].y, 408.0f, 1e-3f);
  ResetDrawList(&g_MainDrawList);
  g_BattleDrawSeams.CameraMatrix = [](bool, Han6Matrix* m) { *m = Han6Matrix::Scaling(2, 2, 1); };
  DrawParticle(spark, 100 * 128, -50 * 128);
  q = All();
  ASSERT_EQ(q.size(), 1u);
  EXPECT_NEAR(q[0].command->v[0].x, 168.0f, 1e-3f);
  EXPECT_NEAR(q[0].command->v[0].y, -132.0f, 1e-3f);
  // The spark drifts by (p1, p2) x age / 128 and shrinks by L / M.
  ResetDrawList(&g_MainDrawList);
  g_BattleDrawSeams.CameraMatrix = nullptr;
  g_CameraX = g_CameraY = 0;
  Particle drift = Make(257, 5, 10);
  drift.p1 = 256;
  drift.p2 = -128;
  DrawParticle(drift, 0, 0);
  q = All();
  ASSERT_EQ(q.size(), 1u);
  EXPECT_NEAR(q[0].command->v[0].x, 320 + 10 - 8, 1e-3f);
  EXPECT_NEAR(q[0].command->v[0].y, 432 - 5 - 8, 1e-3f);
}

TEST_F(ParticleDraw, TheRoundWinMarkStandsAtItsSideAndSlidesWithTheHud) {
  struct Case {
    int side, index;
    float slide;
    float x, y;
    size_t commands;
  };
  for (const Case c : {Case{0, 0, 0, 233, 60, 1}, Case{0, 2, 0, 181, 60, 1}, Case{1, 1, 0, 371, 60, 1},
                       Case{1, 0, 0.5f, 345, -68, 1}, Case{2, 0, 0, 0, 0, 0}}) {
    ResetDrawList(&g_MainDrawList);
    static float slide;
    slide = c.slide;
    g_BattleDrawSeams.HudSlide = [] { return slide; };
    Particle p = Make(999, 13, 13);
    p.p0 = c.side;
    p.p1 = c.index;
    DrawParticle(p, 0, 0);
    const auto q = All();
    ASSERT_EQ(q.size(), c.commands);
    if (q.empty()) continue;
    EXPECT_FLOAT_EQ(q[0].command->v[0].x, c.x);
    EXPECT_FLOAT_EQ(q[0].command->v[0].y, c.y);
  }
}

TEST_F(ParticleDraw, NothingIsQueuedOrChangedWhileDrawsAreNotSubmitted) {
  g_BattleDrawSeams.CutInTexture = &ParticleDraw::CutIn;
  g_BattleDrawSubmit = false;
  for (const KindCase& c : kKinds) {
    Particle p = Make(c.kind, 10, 20);
    c.params(p);
    const Particle before = p;
    g_DrawBlendMode = 1;
    DrawParticle(p, 0, 0);
    EXPECT_TRUE(All().empty()) << c.name;
    EXPECT_EQ(g_MainDrawList.nextFree, 0u) << c.name;
    EXPECT_EQ(std::memcmp(&before, &p, sizeof p), 0) << c.name;
  }
}

TEST_F(ParticleDraw, ThePassDrawsEveryLiveParticleOnceAndHeadlessRunsAgeTheSame) {
  // Two rings and a spark through the pool; then the same pool headless.
  auto place = [](int kind, int life) {
    Particle* p = AllocParticle();
    ASSERT_NE(p, nullptr);
    p->kind = static_cast<int16_t>(kind);
    p->life = p->maxLife = static_cast<int16_t>(life);
  };
  place(0, 10);
  place(12, 10);
  place(257, 10);
  UpdateDrawParticles();
  EXPECT_EQ(All().size(), 9u + 20u + 1u);
  EXPECT_EQ(g_ParticlePool[0].life, 9);
  ResetDrawList(&g_MainDrawList);
  g_BattleDrawSubmit = false;
  UpdateDrawParticles();
  EXPECT_TRUE(All().empty());
  EXPECT_EQ(g_ParticlePool[0].life, 8);
  EXPECT_EQ(g_ParticlePool[2].life, 8);
}

TEST_F(ParticleDraw, TexturesLoadByNameAndAMissingFileLeavesItsHandleNull) {
  FreeSystemEffectTextures();
  EXPECT_EQ(g_EffectStripTexture, nullptr);
  // A folder holding only ".\grp\system\EFF01" (as a 64 x 32 PNG).
  namespace fs = std::filesystem;
  const fs::path before = fs::current_path();
  const fs::path dir = fs::temp_directory_path() / ("vt_particle_textures_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "grp" / "system");
  fs::current_path(dir);
  const std::vector<uint8_t> px(64 * 32 * 4, 0xFF);
  ASSERT_TRUE(vt::image::SaveImage("grp/system/EFF01.png", vt::image::kFilePng, px.data(), 64, 32));
  EXPECT_EQ(LoadSystemEffectTextures(), 1);
  fs::current_path(before);
  fs::remove_all(dir);
  for (int i = 0; i < kSystemEffectTextureCount; ++i)
    EXPECT_EQ(g_SystemEffectTextures[i] != nullptr, i == 1) << i;
  // The ring strips' texture is missing: the textured rings draw untextured.
  EXPECT_EQ(g_EffectStripTexture, nullptr);
  Particle p = Make(9, 10, 20);
  DrawParticle(p, 0, 0);
  const auto q = All();
  ASSERT_EQ(q.size(), 20u);
  EXPECT_EQ(q[0].command->texture, nullptr);
  FreeSystemEffectTextures();
  for (TextureHandle* t : g_SystemEffectTextures) EXPECT_EQ(t, nullptr);
}

}  // namespace
