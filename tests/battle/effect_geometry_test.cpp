// The effect drawing routines on the recording device (corner positions, colours, texture
// coordinates, the projection's divide, the submit gate) and the geometry functions at their
// edge cases.
#include "battle/effect_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <vector>

#include "Dxtools/gfx_test_env.h"
#include "battle/battle_draw.h"

namespace {

// ---- geometry ----

struct AngleCase {
  double dx, dy, degrees;
};
// pi / 3.1415 = 1.0000295: the kept constant shows off the axes.
const AngleCase kAngleCases[] = {
    {0, 0, 0},          {5, 0, 0},        {-1, 0, 180},       {0, 3, 90},
    {0, -5, 270},       {1, 1, 45.00133}, {-1, 1, 134.99867}, {-1, -1, 225.00133},
    {1, -1, 314.99867}, {1e9, 1, 0.0},    {-1e9, -1, 180.0},
};

TEST(VectorAngle, QuadrantsAxesAndTheKeptConstant) {
  for (const AngleCase& c : kAngleCases) {
    double d = -1;
    VectorAngle(c.dx, c.dy, &d);
    EXPECT_NEAR(d, c.degrees, 2e-5) << c.dx << ", " << c.dy;
    EXPECT_GE(d, 0.0);
    EXPECT_LT(d, 360.0);
  }
}

struct PolarCase {
  int32_t radius, degrees, x, y;
};
const PolarCase kPolarCases[] = {
    {100, 0, 0, 100},
    {100, 90, 100, 0},
    {100, 450, 100, 0},
    {100, 180, 0, -100},
    {100, 270, -100, 0},
    {100, -90, -100, 0},
    {100, -450, -100, 0},
    {100, 720, 0, 100},
    {200, 135, 141, -141},
    {-100, 90, -100, 0},
    {0, 33, 0, 0},
    // Below -360 the one addition leaves the angle negative; it turns the same.
    {100, -810, -100, 0},
    // Rounding past the int32 range saturates instead of wrapping.
    {INT32_MAX, 90, INT32_MAX, 0},
};

TEST(PolarToXY, SinForXCosForYAndAnglesBroughtIntoOneTurn) {
  for (const PolarCase& c : kPolarCases) {
    int32_t x = 12345, y = 12345;
    PolarToXY(c.radius, c.degrees, &x, &y);
    EXPECT_EQ(x, c.x) << c.radius << " at " << c.degrees;
    EXPECT_EQ(y, c.y) << c.radius << " at " << c.degrees;
  }
}

struct TurnCase {
  double x, y, turn;
};
const TurnCase kTurnCases[] = {
    {0, -1, 0.0},
    {0, 0, 0.0},
    {0, 1, 0.5},
    {1, 0, 0.25},
    {-1, 0, 0.75},
    {1, -1, 0.124997},
    {1, 1, 0.375003},
    {-1, 1, 0.625011},
    {-1, -1, 0.874989},
    // World-unit vectors whose squares pass int32 (and even int64 for the last).
    {100000, 100000, 0.375003},
    {-3e9, -3e9, 0.874989},
    {4e18, -1, 0.25},
};

TEST(VectorToTurn, FractionOfATurnFromStraightUp) {
  for (const TurnCase& c : kTurnCases) {
    const double t = VectorToTurn(c.x, c.y);
    EXPECT_NEAR(t, c.turn, 2e-6) << c.x << ", " << c.y;
    EXPECT_GE(t, 0.0);
    EXPECT_LT(t, 1.0);
  }
}

struct LineCase {
  const char* name;
  GeoLine line;
  GeoCircle circle;
  int result;
  GeoPointPair points;
};
const LineCase kLineCases[] = {
    {"miss", {-10, 10, 10, 10}, {0, 0, 5}, -1, {}},
    {"degenerate line", {3, 3, 3, 3}, {0, 0, 5}, -1, {}},
    {"tangent", {-10, 5, 10, 5}, {0, 0, 5}, 1, {0, 5, 0, 5}},
    {"two points along the direction", {-10, 0, 10, 0}, {0, 0, 5}, 2, {-5, 0, 5, 0}},
    {"the other direction", {10, 0, -10, 0}, {0, 0, 5}, 2, {5, 0, -5, 0}},
    {"a line, not a segment", {-20, 0, -10, 0}, {0, 0, 5}, 2, {-5, 0, 5, 0}},
    {"off-centre circle", {100, 400, 100, 0}, {100, 200, 10}, 2, {100, 210, 100, 190}},
    {"slanted", {0, 0, 1, 1}, {0, 0, 2}, 2, {-1.41421356, -1.41421356, 1.41421356, 1.41421356}},
    {"world units",
     {-300000, 70000, 300000, 70000},
     {0, 0, 100000},
     2,
     {-71414.284285, 70000, 71414.284285, 70000}},
};

TEST(LineCircleIntersection, MissTangentAndCrossingsInLineOrder) {
  for (const LineCase& c : kLineCases) {
    GeoPointPair p{-1, -1, -1, -1};
    ASSERT_EQ(LineCircleIntersection(c.line, c.circle, &p), c.result) << c.name;
    if (c.result < 0) continue;
    EXPECT_NEAR(p.xa, c.points.xa, 1e-6 * (1 + std::fabs(c.points.xa))) << c.name;
    EXPECT_NEAR(p.ya, c.points.ya, 1e-6 * (1 + std::fabs(c.points.ya))) << c.name;
    if (c.result < 2) continue;
    EXPECT_NEAR(p.xb, c.points.xb, 1e-6 * (1 + std::fabs(c.points.xb))) << c.name;
    EXPECT_NEAR(p.yb, c.points.yb, 1e-6 * (1 + std::fabs(c.points.yb))) << c.name;
  }
}

struct ClockCase {
  int32_t frames;
  int32_t minutes, seconds, hundredths;  // with the minutes
  int32_t allSeconds;                    // the seconds with the minutes omitted
};
const ClockCase kClockCases[] = {
    {0, 0, 0, 0, 0},
    {3661, 1, 1, 1, 61},
    {59, 0, 0, 98, 0},  // float32 59 x 1.6666666 is 98.3
    {3600, 1, 0, 0, 60},
    {359999, 99, 59, 98, 5999},
    {360000, 99, 59, 99, 5999},
    {7260000, 99, 59, 99, 5999},
    {INT32_MAX, 99, 59, 99, 5999},
};

TEST(SplitFrameTime, ClockPartsAndTheHundredMinuteCap) {
  for (const ClockCase& c : kClockCases) {
    int32_t m = -1, s = -1, h = -1;
    SplitFrameTime(c.frames, &m, &s, &h);
    EXPECT_EQ(m, c.minutes) << c.frames;
    EXPECT_EQ(s, c.seconds) << c.frames;
    EXPECT_EQ(h, c.hundredths) << c.frames;
    s = h = -1;
    SplitFrameTime(c.frames, nullptr, &s, &h);
    EXPECT_EQ(s, c.allSeconds) << c.frames << " without minutes";
    EXPECT_EQ(h, c.hundredths) << c.frames << " without minutes";
  }
}

// ---- drawing ----

class EffectDraw : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    ResetSpriteViewMatrix();
    ResetSpriteProjMatrix();
    std::copy(std::begin(g_CutSpriteUvBias), std::end(g_CutSpriteUvBias), savedBias_);
    std::fill(std::begin(g_CutSpriteUvBias), std::end(g_CutSpriteUvBias), 0.0f);
  }
  void TearDown() override {
    ResetDrawList(&g_MainDrawList);
    g_EffectStripTexture = nullptr;
    if (strip_) FreeTexture(strip_);
    g_BattleDrawSubmit = true;
    g_DrawBlendMode = g_DrawFilterMode = 1;
    ResetSpriteViewMatrix();
    ResetSpriteProjMatrix();
    std::copy(std::begin(savedBias_), std::end(savedBias_), g_CutSpriteUvBias);
    RecordingGfx::TearDown();
  }
  // The commands at the routines' priority, in queue order.
  static std::vector<const GrpDrawCommand*> Queued() {
    std::vector<const GrpDrawCommand*> out;
    for (const GrpDrawCommand* c = g_MainDrawList.slots[kEffectDrawPriority].next;
         c && c->kind != kDrawKindHead; c = c->next)
      out.push_back(c);
    std::reverse(out.begin(), out.end());
    return out;
  }
  static void ExpectCorner(const GrpDrawCommand* c, int i, float x, float y, uint32_t colour) {
    SCOPED_TRACE(testing::Message() << "corner " << i);
    EXPECT_NEAR(c->v[i].x, x, 1e-3f);
    EXPECT_NEAR(c->v[i].y, y, 1e-3f);
    EXPECT_EQ(c->v[i].diffuse, colour);
  }
  void UseStripTexture() {
    strip_ = SolidTexture(256, 256, 0xFFFFFFFFu);
    g_EffectStripTexture = strip_;
  }
  TextureHandle* strip_ = nullptr;
  float savedBias_[4] = {};
};

constexpr uint32_t kOuter = 0xFF102030u, kInner = 0x80405060u;

TEST_F(EffectDraw, RingOfFourSegmentsAgainstHandValues) {
  RingDesc d;
  d.segments = 4;
  d.x = 100;
  d.y = 50;
  d.outerRadius = 20;
  d.innerRadius = 10;
  d.outerColour = kOuter;
  d.innerColour = kInner;
  DrawRing(d);
  const auto q = Queued();
  ASSERT_EQ(q.size(), 4u);
  // The first segment starts straight up and turns toward +x (clockwise on screen).
  ExpectCorner(q[0], 0, 100, 30, kOuter);
  ExpectCorner(q[0], 1, 120, 50, kOuter);
  ExpectCorner(q[0], 2, 100, 40, kInner);
  ExpectCorner(q[0], 3, 110, 50, kInner);
  ExpectCorner(q[1], 0, 120, 50, kOuter);
  ExpectCorner(q[1], 1, 100, 70, kOuter);
  ExpectCorner(q[3], 1, 100, 30, kOuter);  // the last segment closes the ring
  ExpectCorner(q[3], 3, 100, 40, kInner);
  for (const GrpDrawCommand* c : q) {
    EXPECT_EQ(c->kind, kDrawKindQuad);
    EXPECT_EQ(c->texture, nullptr);
    for (const auto& v : c->v) EXPECT_FLOAT_EQ(v.rhw, 1.0f);
  }
}

TEST_F(EffectDraw, RingSegmentCountsAndRoll) {
  struct Case {
    int32_t segments, roll;
    size_t quads;
    float firstX, firstY;  // the first outer corner, centre (0, 0), radius 10
  };
  for (const Case c : {Case{2, 0, 0, 0, 0}, Case{0, 0, 0, 0, 0}, Case{-3, 0, 0, 0, 0}, Case{3, 0, 3, 0, -10},
                       Case{3, 90, 3, 10, 0}, Case{20, 180, 20, 0, 10}}) {
    ResetDrawList(&g_MainDrawList);
    DrawRingPerspective(c.segments, 0, 0, 10, 5, 0, 0, 0, c.roll, kOuter, kInner);
    const auto q = Queued();
    ASSERT_EQ(q.size(), c.quads) << c.segments;
    if (q.empty()) continue;
    ExpectCorner(q[0], 0, c.firstX, c.firstY, kOuter);
    // Each quad spans 360 / segments degrees and the segments meet.
    for (size_t i = 0; i + 1 < q.size(); ++i) {
      EXPECT_NEAR(q[i]->v[1].x, q[i + 1]->v[0].x, 1e-3f) << i;
      EXPECT_NEAR(q[i]->v[1].y, q[i + 1]->v[0].y, 1e-3f) << i;
    }
    EXPECT_NEAR(q.back()->v[1].x, q[0]->v[0].x, 1e-3f);
    EXPECT_NEAR(q.back()->v[1].y, q[0]->v[0].y, 1e-3f);
  }
}

TEST_F(EffectDraw, RingDepthPitchAndYaw) {
  // Depth puts the outer edge at z; pitch 90 lays the ring flat, so every corner sits on the
  // centre's row and the radius goes into z; yaw 90 then turns that depth into x.
  DrawRingPerspective(4, 100, 50, 20, 10, 7, 0, 0, 0, kOuter, kInner);
  DrawRingPerspective(4, 100, 50, 20, 10, 0, 90, 0, 0, kOuter, kInner);
  DrawRingPerspective(4, 100, 50, 20, 10, 0, 90, 90, 0, kOuter, kInner);
  const auto q = Queued();
  ASSERT_EQ(q.size(), 12u);
  // Depths are held within the device's range 0..1 (the shape is in x and y).
  EXPECT_NEAR(q[0]->v[0].z, 1.0f, 1e-4f);
  EXPECT_NEAR(q[0]->v[2].z, 0.0f, 1e-4f);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(q[4]->v[i].y, 50.0f, 1e-3f) << i;
  EXPECT_NEAR(q[4]->v[0].z, 0.0f, 1e-3f);
  EXPECT_NEAR(q[8]->v[0].x, 80.0f, 1e-3f);
  EXPECT_NEAR(q[8]->v[0].y, 50.0f, 1e-3f);
}

TEST_F(EffectDraw, ProjectionDividesByWAndTakesZeroAsOne) {
  struct Case {
    float w;
    float x, y, rhw;  // the first outer corner of a ring at (100, 50), radius 20
  };
  for (const Case c : {Case{2, 50, 15, 0.5f}, Case{0, 100, 30, 1}, Case{1, 100, 30, 1}}) {
    ResetDrawList(&g_MainDrawList);
    g_SpriteProjMatrix = D3DMatrix::Identity();
    g_SpriteProjMatrix.m[3][3] = c.w;
    DrawRingPerspective(3, 100, 50, 20, 10, 0, 0, 0, 0, kOuter, kInner);
    // A flat ring is never projected.
    DrawRingFlat(100, 50, 20, 10, 0, kOuter, kInner);
    const auto q = Queued();
    ASSERT_EQ(q.size(), 23u);
    ExpectCorner(q[0], 0, c.x, c.y, kOuter);
    EXPECT_FLOAT_EQ(q[0]->v[0].rhw, c.rhw);
    ExpectCorner(q[3], 0, 100, 30, kOuter);
    ExpectCorner(q[3], 2, 100, 40, kInner);
    EXPECT_FLOAT_EQ(q[3]->v[0].rhw, 1.0f);
  }
}

TEST_F(EffectDraw, TexturedRingTakesItsStripAndTheBias) {
  UseStripTexture();
  g_CutSpriteUvBias[0] = 0.001f;  // left
  g_CutSpriteUvBias[1] = 0.002f;  // top
  g_CutSpriteUvBias[2] = 0.003f;  // bottom
  g_CutSpriteUvBias[3] = 0.004f;  // right
  g_DrawBlendMode = 2;
  DrawRingTextured(3, 0, 0, 30, 10, 0, 0, 0, 0, 0x80, 3);
  const auto q = Queued();
  ASSERT_EQ(q.size(), 3u);
  const GrpDrawCommand* c = q[0];
  EXPECT_EQ(c->texture, HandleTexture(strip_));
  EXPECT_EQ(c->blendMode, 2);
  for (const auto& v : c->v) EXPECT_EQ(v.diffuse, 0x80FFFFFFu);
  // Row 3: u 96..128 and v 192..256 of 256, outer edge at the top.
  EXPECT_FLOAT_EQ(c->v[0].u, 96 / 256.0f + 0.001f);
  EXPECT_FLOAT_EQ(c->v[1].u, 128 / 256.0f + 0.004f);
  EXPECT_FLOAT_EQ(c->v[0].v, 192 / 256.0f + 0.002f);
  EXPECT_FLOAT_EQ(c->v[2].v, 1.0f + 0.003f);
  EXPECT_FLOAT_EQ(c->v[2].u, c->v[0].u);
  EXPECT_FLOAT_EQ(c->v[3].v, c->v[2].v);
}

TEST_F(EffectDraw, PerspectiveQuadTurnsAboutItsCentre) {
  UseStripTexture();
  const EffectSourceRect src{32, 0, 24, 24};
  DrawQuadPerspective(strip_, 200, 100, 0, 10, 5, src, 0, kOuter);
  DrawQuadPerspective(strip_, 200, 100, 0, 10, 5, src, 90, kOuter);
  const auto q = Queued();
  ASSERT_EQ(q.size(), 2u);
  ExpectCorner(q[0], 0, 190, 95, kOuter);
  ExpectCorner(q[0], 1, 210, 95, kOuter);
  ExpectCorner(q[0], 2, 190, 105, kOuter);
  ExpectCorner(q[0], 3, 210, 105, kOuter);
  EXPECT_FLOAT_EQ(q[0]->v[0].u, 32 / 256.0f);
  EXPECT_FLOAT_EQ(q[0]->v[3].u, 56 / 256.0f);
  EXPECT_FLOAT_EQ(q[0]->v[3].v, 24 / 256.0f);
  // A quarter turn clockwise on screen: the top-left corner goes to the top right.
  ExpectCorner(q[1], 0, 205, 90, kOuter);
  ExpectCorner(q[1], 3, 195, 110, kOuter);
  EXPECT_EQ(q[1]->texture, HandleTexture(strip_));
}

TEST_F(EffectDraw, FanQueuesTrianglesFromTheCentre) {
  DrawTriangleFan(4, 50, 50, 10, 0, kInner, kOuter);
  DrawTriangleFan(3, 50, 50, 10, 90, kInner, kOuter);
  DrawTriangleFan(0, 50, 50, 10, 0, kInner, kOuter);
  const auto q = Queued();
  ASSERT_EQ(q.size(), 7u);
  for (const GrpDrawCommand* c : q) {
    EXPECT_EQ(c->kind, kDrawKindTriangle);
    ExpectCorner(c, 0, 50, 50, kInner);
  }
  ExpectCorner(q[0], 1, 50, 40, kOuter);
  ExpectCorner(q[0], 2, 60, 50, kOuter);
  ExpectCorner(q[3], 2, 50, 40, kOuter);
  ExpectCorner(q[4], 1, 60, 50, kOuter);  // the start angle turns the first rim point
  EXPECT_EQ(g_MainDrawList.triangleCount, 7u);
}

TEST_F(EffectDraw, WedgeOpensAboutItsAxis) {
  constexpr uint32_t kApex = 0xFFFFFFFFu, kBase = 0x00FF0000u;
  DrawWedgeQuad(0, 90, 100, 100, 20, 10, 0, kApex, kBase);
  // angle and roll add up.
  DrawWedgeQuad(60, 90, 100, 100, 20, 10, 30, kApex, kBase);
  const auto q = Queued();
  ASSERT_EQ(q.size(), 2u);
  const float f = 20 * 0.70710678f, n = 10 * 0.70710678f;
  ExpectCorner(q[0], 0, 100 - f, 100 - f, kBase);
  ExpectCorner(q[0], 1, 100 + f, 100 - f, kBase);
  ExpectCorner(q[0], 2, 100 - n, 100 - n, kApex);
  ExpectCorner(q[0], 3, 100 + n, 100 - n, kApex);
  ExpectCorner(q[1], 0, 100 + f, 100 - f, kBase);
  ExpectCorner(q[1], 1, 100 + f, 100 + f, kBase);
  EXPECT_EQ(q[0]->texture, nullptr);
}

TEST_F(EffectDraw, BeamCornersTakeTheirAlphaBytesAndTheStrip) {
  UseStripTexture();
  DrawBeamQuad(0, 5, 100, 100, 50, 10, 0, 0, 0, 0x11223344u, 1);
  DrawBeamQuad(90, 5, 100, 100, 50, 10, 0, 0, 0, 0xFFFFFFFFu, 1);
  const auto q = Queued();
  ASSERT_EQ(q.size(), 2u);
  ExpectCorner(q[0], 0, 95, 50, 0x44FFFFFFu);
  ExpectCorner(q[0], 1, 105, 50, 0x33FFFFFFu);
  ExpectCorner(q[0], 2, 95, 90, 0x22FFFFFFu);
  ExpectCorner(q[0], 3, 105, 90, 0x11FFFFFFu);
  EXPECT_EQ(q[0]->texture, HandleTexture(strip_));
  // u 192..256 from the near end out, row 1's v 32..64 across.
  EXPECT_FLOAT_EQ(q[0]->v[0].u, 1.0f);
  EXPECT_FLOAT_EQ(q[0]->v[2].u, 192 / 256.0f);
  EXPECT_FLOAT_EQ(q[0]->v[0].v, 32 / 256.0f);
  EXPECT_FLOAT_EQ(q[0]->v[1].v, 64 / 256.0f);
  // A quarter turn points the beam toward +x.
  ExpectCorner(q[1], 0, 150, 95, 0xFFFFFFFFu);
  ExpectCorner(q[1], 3, 110, 105, 0xFFFFFFFFu);
}

TEST_F(EffectDraw, NothingIsQueuedWhileDrawsAreNotSubmitted) {
  UseStripTexture();
  const std::vector<std::function<void()>> draws = {
      [] { DrawRingPerspective(9, 0, 0, 10, 5, 0, 0, 0, 0, kOuter, kInner); },
      [] { DrawRingTilted(9, 0, 0, 10, 5, 0, 0, 0, 0, kOuter, kInner); },
      [] { DrawRingFlat(0, 0, 10, 5, 0, kOuter, kInner); },
      [] { DrawRingTextured(9, 0, 0, 10, 5, 0, 0, 0, 0, 255, 0); },
      [this] {
        DrawQuadPerspective(strip_, 0, 0, 0, 4, 4, EffectSourceRect{0, 0, 8, 8}, 0, kOuter);
      },
      [] { DrawTriangleFan(3, 0, 0, 10, 0, kOuter, kInner); },
      [] { DrawWedgeQuad(0, 30, 0, 0, 20, 0, 0, kOuter, kInner); },
      [] { DrawBeamQuad(0, 4, 0, 0, 40, 0, 0, 0, 0, 0xFFFFFFFFu, 0); },
  };
  for (size_t i = 0; i < draws.size(); ++i) {
    ResetDrawList(&g_MainDrawList);
    g_BattleDrawSubmit = false;
    draws[i]();
    EXPECT_TRUE(Queued().empty()) << i;
    EXPECT_EQ(g_MainDrawList.nextFree, 0u) << i;
    g_BattleDrawSubmit = true;
    draws[i]();
    EXPECT_FALSE(Queued().empty()) << i;
  }
}

}  // namespace
