// Draw lists and the batch renderer on the recording device: order, batching, texture
// coordinates, references, refusals and batch overflow.
#include <gtest/gtest.h>

#include "gfx_test_env.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

class DrawListTest : public RecordingGfx {
 protected:
  // The x position of every quad drawn, in drawing order (vertex 0 of each quad).
  static std::vector<float> DrawnQuadXs() {
    std::vector<float> xs;
    for (const DeviceRecord* d : Draws())
      for (size_t i = 0; i < d->vertices.size(); i += 4) xs.push_back(d->vertices[i].x);
    return xs;
  }
};

TEST_F(DrawListTest, OrderByPriorityThenNewestFirst) {
  struct Case {
    int x, priority;
  };
  // Queued in this order; x names the sprite.
  const Case queued[] = {{1, 10}, {2, 10}, {3, 0}, {4, 1599}, {5, 5}, {6, 10}};
  for (const Case& c : queued) DrawRect(nullptr, c.x, 0, 1, 1, ~0u, ~0u, ~0u, ~0u, c.priority);
  ASSERT_EQ(RenderMain(), 1);
  EXPECT_EQ(DrawnQuadXs(), (std::vector<float>{3, 5, 6, 2, 1, 4}));
}

TEST_F(DrawListTest, EqualStateMergesAndEachChangeSplits) {
  TextureHandle* a = SolidTexture(16, 16, 0xFFFFFFFFu);
  TextureHandle* b = SolidTexture(16, 16, 0xFF000000u);
  struct Step {
    TextureHandle* tex;
    uint8_t blend, filter;
    bool tag;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    size_t drawCalls;
  };
  const Case cases[] = {
      {"five equal quads",
       {{a, 1, 1, false}, {a, 1, 1, false}, {a, 1, 1, false}, {a, 1, 1, false}, {a, 1, 1, false}},
       1},
      {"texture change", {{a, 1, 1, false}, {b, 1, 1, false}, {a, 1, 1, false}}, 3},
      {"blend change", {{a, 1, 1, false}, {a, 2, 1, false}}, 2},
      {"filter change", {{a, 1, 1, false}, {a, 1, 2, false}}, 2},
      {"untextured after textured", {{a, 1, 1, false}, {nullptr, 1, 1, false}}, 2},
  };
  for (const Case& c : cases) {
    ResetDrawList(&g_MainDrawList);
    g_D3DDevice->Records().clear();
    // Same priority: the last queued draws first, so queue in reverse to draw in step order.
    for (auto it = c.steps.rbegin(); it != c.steps.rend(); ++it) {
      g_DrawBlendMode = it->blend;
      g_DrawFilterMode = it->filter;
      DrawSprite(nullptr, it->tex, 0, 0, 16, 16, 0, 0, 16, 16, ~0u, 0, 100);
    }
    g_DrawBlendMode = g_DrawFilterMode = 1;
    RenderMain();
    EXPECT_EQ(Draws().size(), c.drawCalls) << c.name;
  }
  ResetDrawList(&g_MainDrawList);
  FreeTexture(a);
  FreeTexture(b);
}

TEST_F(DrawListTest, FilterFifteenKeepsThePreviousFilter) {
  struct Case {
    std::vector<uint8_t> filters;  // per batch, in drawing order
    std::vector<TextureFilter> expected;
  };
  const Case cases[] = {
      {{15}, {FILTER_LINEAR}},  // the render starts with linear filtering
      {{1, 15}, {FILTER_POINT, FILTER_POINT}},
      {{2, 15, 3, 15}, {FILTER_LINEAR, FILTER_LINEAR, FILTER_ANISOTROPIC, FILTER_ANISOTROPIC}},
      {{0, 4, 5, 99}, {FILTER_POINT, FILTER_LINEAR, FILTER_LINEAR, FILTER_POINT}},
  };
  for (const Case& c : cases) {
    ResetDrawList(&g_MainDrawList);
    g_D3DDevice->Records().clear();
    for (size_t i = 0; i < c.filters.size(); ++i) {
      g_DrawFilterMode = c.filters[i];
      // Alternate the blend mode so neighbouring batches never merge even when filters are equal.
      g_DrawBlendMode = (i % 2) ? 2 : 1;
      DrawRect(nullptr, 0, 0, 1, 1, ~0u, ~0u, ~0u, ~0u, static_cast<int>(i));
    }
    g_DrawBlendMode = g_DrawFilterMode = 1;
    RenderMain();
    auto draws = Draws();
    ASSERT_EQ(draws.size(), c.expected.size());
    for (size_t i = 0; i < draws.size(); ++i) EXPECT_EQ(draws[i]->filter, c.expected[i]) << "batch " << i;
  }
}

TEST_F(DrawListTest, SourceRectangleGivesHalfTexelInsetOnLeftAndTopOnly) {
  TextureHandle* t = CreateTexture(128, 128, FMT_A8R8G8B8);
  DrawSprite(nullptr, t, 0, 0, 64, 64, 0, 0, 64, 64, ~0u, 0, 0);
  RenderMain();
  auto draws = Draws();
  ASSERT_EQ(draws.size(), 1u);
  const auto& v = draws[0]->vertices;
  EXPECT_FLOAT_EQ(v[0].u, 0.00390625f);
  EXPECT_FLOAT_EQ(v[0].v, 0.00390625f);
  EXPECT_FLOAT_EQ(v[3].u, 0.5f);
  EXPECT_FLOAT_EQ(v[3].v, 0.5f);
  EXPECT_FLOAT_EQ(v[1].u, 0.5f);
  EXPECT_FLOAT_EQ(v[1].v, 0.00390625f);
  ResetDrawList(&g_MainDrawList);
  FreeTexture(t);
}

TEST_F(DrawListTest, SecondRenderWithoutResetDrawsNothing) {
  DrawRect(nullptr, 0, 0, 4, 4, ~0u, ~0u, ~0u, ~0u, 3);
  EXPECT_EQ(RenderMain(), 1);
  size_t first = Draws().size();
  EXPECT_EQ(first, 1u);
  RenderMain();
  EXPECT_EQ(Draws().size(), first);
}

TEST_F(DrawListTest, TextureFreedWhileQueuedStillDrawsAndIsReleasedAfter) {
  TextureHandle* t = SolidTexture(16, 16, 0xFF112233u);
  Texture* raw = HandleTexture(t);
  raw->AddRef();  // the test's own look at the object
  DrawSprite(nullptr, t, 0, 0, 16, 16, 0, 0, 16, 16, ~0u, 0, 1);
  FreeTexture(t);
  EXPECT_EQ(raw->RefCount(), 2u);  // the test and the queued command
  RenderMain();
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0]->textureSerial, raw->Serial());
  ResetDrawList(&g_MainDrawList);
  EXPECT_EQ(raw->RefCount(), 1u);
  raw->Release();
}

TEST_F(DrawListTest, ResetBeforeRenderDropsReferencesOnce) {
  TextureHandle* t = SolidTexture(16, 16, ~0u);
  Texture* raw = HandleTexture(t);
  uint32_t before = raw->RefCount();
  for (int i = 0; i < 3; ++i) DrawSprite(nullptr, t, 0, 0, 16, 16, 0, 0, 16, 16, ~0u, 0, 1599);
  EXPECT_EQ(raw->RefCount(), before + 3);
  ResetDrawList(&g_MainDrawList);
  EXPECT_EQ(raw->RefCount(), before);
  ResetDrawList(&g_MainDrawList);
  EXPECT_EQ(raw->RefCount(), before);
  FreeTexture(t);
}

TEST_F(DrawListTest, RefusalsReturnZero) {
  struct Case {
    const char* name;
    int (*call)();
    int expected;
  };
  const Case cases[] = {
      {"DrawSprite3D z 500",
       [] { return DrawSprite3D(nullptr, nullptr, 0, 0, 500, 8, 8, 0, 0, 0, 0, 8, 8, 0, 0, 0, ~0u, 0, 1); },
       1},
      {"DrawSprite3D z 501",
       [] { return DrawSprite3D(nullptr, nullptr, 0, 0, 501, 8, 8, 0, 0, 0, 0, 8, 8, 0, 0, 0, ~0u, 0, 1); },
       0},
      {"priority 1599", [] { return DrawRect(nullptr, 0, 0, 1, 1, 0, 0, 0, 0, 1599); }, 1},
      {"priority 1600", [] { return DrawRect(nullptr, 0, 0, 1, 1, 0, 0, 0, 0, 1600); }, 0},
      {"priority -1", [] { return DrawSprite(nullptr, nullptr, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, -1); }, 0},
      {"line at 1856", [] { return DrawLine(0, 0, 1, 1, 0, 0, 0, 1856); }, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.call(), c.expected) << c.name;
}

TEST_F(DrawListTest, PrivateListRefusesPrioritiesBeyondItsSlots) {
  GrpDrawList list;
  CreateDrawList(&list, 8, 4);
  EXPECT_EQ(DrawRect(&list, 0, 0, 1, 1, 0, 0, 0, 0, 7), 1);
  EXPECT_EQ(DrawRect(&list, 0, 0, 1, 1, 0, 0, 0, 0, 8), 0);
  DestroyDrawList(&list);
}

TEST_F(DrawListTest, CommandInLastSlotCannotBeLinkedTwice) {
  GrpDrawCommand* c = AllocQuadCommand(nullptr);
  *c = GrpDrawCommand{};
  c->kind = kDrawKindQuad;
  EXPECT_EQ(InsertDrawCommand(g_MainDrawList.slots, 1599, c), 1);
  EXPECT_EQ(c->next, nullptr);  // the end of the chain
  EXPECT_EQ(InsertDrawCommand(g_MainDrawList.slots, 1599, c), 0);
  EXPECT_EQ(InsertDrawCommand(g_MainDrawList.slots, 3, c), 0);
  RenderMain();
  EXPECT_EQ(Draws().size(), 1u);
}

TEST_F(DrawListTest, LongRunsSplitAtTheBatchLimitsAndKeepTheirState) {
  struct Case {
    int quads;
    std::vector<uint32_t> primitivesPerCall;
  };
  // 16383 indices hold 2730 quads (6 indices each).
  const Case cases[] = {
      {2730, {5460}},
      {2731, {5460, 2}},
      {6000, {5460, 5460, 1080}},
  };
  for (const Case& c : cases) {
    ResetDrawList(&g_MainDrawList);
    g_D3DDevice->Records().clear();
    for (int i = 0; i < c.quads; ++i) DrawRect(nullptr, i % 640, 0, 2, 2, ~0u, ~0u, ~0u, ~0u, 700);
    RenderMain();
    auto draws = Draws();
    ASSERT_EQ(draws.size(), c.primitivesPerCall.size()) << c.quads;
    for (size_t i = 0; i < draws.size(); ++i) {
      EXPECT_EQ(draws[i]->primitiveCount, c.primitivesPerCall[i]);
      EXPECT_EQ(draws[i]->blend, draws[0]->blend);
      for (uint32_t idx : draws[i]->indices) ASSERT_LT(idx, draws[i]->vertices.size());
    }
  }
}

TEST_F(DrawListTest, TrianglesHoldTheirPlaceButAreNotDrawn) {
  GrpDrawCommand tri;
  EXPECT_EQ(DrawTriangle(&tri), 1);
  DrawRect(nullptr, 0, 0, 1, 1, 0, 0, 0, 0, 396);
  RenderMain();
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0]->primitiveCount, 2u);
}

TEST_F(DrawListTest, LinesAreDrawnAsLineLists) {
  DrawLine(0, 0, 10, 10, 0xFFFF0000u, 0xFF00FF00u, 0, 5);
  DrawLine(5, 0, 10, 10, 0xFFFF0000u, 0xFF00FF00u, 0, 5);
  RenderMain();
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0]->primitive, PT_LINELIST);
  EXPECT_EQ(Draws()[0]->primitiveCount, 2u);
  EXPECT_EQ(Draws()[0]->textureSerial, 0u);
}

TEST_F(DrawListTest, ThreeDLinesAreProjectedThroughTheSpriteMatricesWithTheirColours) {
  D3DMatrix wOfTwo = D3DMatrix::Identity();
  wOfTwo.m[3][3] = 2.0f;
  struct Case {
    const char* name;
    D3DMatrix view, projection;
    float x0, y0, x1, y1, rhw;
  };
  const Case cases[] = {
      {"identity", D3DMatrix::Identity(), D3DMatrix::Identity(), 3, 4, 13, 9, 1.0f},
      {"view moves", D3DMatrix::Translation(100, 50, 0), D3DMatrix::Identity(), 103, 54, 113, 59, 1.0f},
      {"w of 2 halves", D3DMatrix::Identity(), wOfTwo, 1.5f, 2, 6.5f, 4.5f, 0.5f},
  };
  const float a[3] = {3, 4, 0}, b[3] = {13, 9, 0};
  for (const Case& c : cases) {
    g_D3DDevice->Records().clear();
    g_SpriteViewMatrix = c.view;
    g_SpriteProjMatrix = c.projection;
    ASSERT_EQ(QueueLine3D(a, b, 0xFFFF0000u, 0x800000FFu, 5), 1) << c.name;
    RenderMain();
    ResetDrawList(&g_MainDrawList);
    auto draws = Draws();
    ASSERT_EQ(draws.size(), 1u) << c.name;
    EXPECT_EQ(draws[0]->primitive, PT_LINELIST) << c.name;
    EXPECT_EQ(draws[0]->primitiveCount, 1u) << c.name;
    EXPECT_EQ(draws[0]->textureSerial, 0u) << c.name;
    ASSERT_EQ(draws[0]->vertices.size(), 2u) << c.name;
    const ScreenVertex* v = draws[0]->vertices.data();
    EXPECT_FLOAT_EQ(v[0].x, c.x0) << c.name;
    EXPECT_FLOAT_EQ(v[0].y, c.y0) << c.name;
    EXPECT_FLOAT_EQ(v[1].x, c.x1) << c.name;
    EXPECT_FLOAT_EQ(v[1].y, c.y1) << c.name;
    EXPECT_FLOAT_EQ(v[0].rhw, c.rhw) << c.name;
    EXPECT_EQ(v[0].diffuse, 0xFFFF0000u) << c.name;
    EXPECT_EQ(v[1].diffuse, 0x800000FFu) << c.name;
  }
  ResetSpriteViewMatrix();
  ResetSpriteProjMatrix();
}

TEST_F(DrawListTest, LostDeviceSkipsRenderingAndDropsReferences) {
  TextureHandle* t = SolidTexture(16, 16, ~0u);
  uint32_t before = HandleTexture(t)->RefCount();
  DrawSprite(nullptr, t, 0, 0, 16, 16, 0, 0, 16, 16, ~0u, 0, 1);
  g_D3DDevice->ForceLost();
  EXPECT_EQ(TestCooperativeLevel(), kErrDeviceLost);
  EXPECT_EQ(TestCooperativeLevel(), kErrDeviceNotReset);
  EXPECT_EQ(RenderMain(), 0);
  EXPECT_TRUE(Draws().empty());
  EXPECT_EQ(HandleTexture(t)->RefCount(), before);
  ResetDrawList(&g_MainDrawList);
  FreeTexture(t);
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST_F(DrawListTest, SpriteOfABoundTargetReadsACopy) {
  ASSERT_EQ(CreateFrameRenderTargets(), 1);
  BindSceneRenderTargets();
  // Target 1 drawn over the screen while targets 0..2 are bound (as the drop layer does).
  DrawSprite(nullptr, g_SceneTargets[1], 0, 0, 640, 480, 0, 0, 640, 480, ~0u, 0, 522);
  RenderMain();
  auto draws = Draws();
  ASSERT_EQ(draws.size(), 1u);
  uint64_t target1 = HandleTexture(g_SceneTargets[1])->Serial();
  EXPECT_NE(draws[0]->textureSerial, target1);
  EXPECT_NE(draws[0]->textureSerial, 0u);
  RestoreBackBufferTargets();
  // Unbound, the target itself is sampled.
  DrawSprite(nullptr, g_SceneTargets[1], 0, 0, 640, 480, 0, 0, 640, 480, ~0u, 0, 522);
  RenderMain();
  EXPECT_EQ(Draws().back()->textureSerial, target1);
}

}  // namespace
}  // namespace vt::test
