// The particle draw laws on the GL device (llvmpipe through SDL's offscreen driver), sampling the
// generated system-effect textures: a board of the drawn kinds at mid-life against a reference
// image, and exact pixel facts (a flat ring leaves its hole clear, additive draws add to what is
// there). With VT_BATTLE_SHOTS set, scripted frames of a spark burst, rings, beams and a
// super-move portrait are written there to be looked at.
//
// The reference image is tests/battle/particle_board.png. When a change to the pictures is meant,
// re-make it with:
//   VT_UPDATE_REFERENCE=1 build/tests/test_battle_gl --gtest_filter='ParticleDrawGl.BoardMatchesReference'
// (the test then writes the image into the source tree instead of comparing).
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "Dxtools/gfx_test_env.h"
#include "app/random.h"
#include "battle/battle_camera.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/particle_draw.h"
#include "battle/particle_pool.h"
#include "battle_fixture.h"
#include "platform/image.h"

namespace {

using namespace vt::gfx;
namespace fs = std::filesystem;

constexpr int kW = 640, kH = 480;

class ParticleDrawGl : public vt::test::GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("particles", kW, kH));
    battle_test::ResetWorld();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
    ResetSpriteViewMatrix();
    ResetSpriteProjMatrix();
    ResetBattleDrawSeams();
    g_BattleDrawSubmit = true;
    g_CameraX = g_CameraY = 0;
    ClearParticlePool();
    for (const char* folder : {"system", "_NewFx"}) {
      fs::create_directories(fs::path("grp") / folder);
      fs::copy(fs::path(VT_SAMPLE_DIR) / "grp" / folder, fs::path("grp") / folder,
               fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    ASSERT_EQ(LoadSystemEffectTextures(), 1);
    for (int i = 0; i < kSystemEffectTextureCount; ++i) ASSERT_NE(g_SystemEffectTextures[i], nullptr) << i;
  }
  void TearDown() override {
    ResetDrawList(&g_MainDrawList);
    ClearParticlePool();
    FreeSystemEffectTextures();
    if (s_portrait) FreeTexture(s_portrait);
    s_portrait = nullptr;
    ResetBattleDrawSeams();
    battle_test::ResetWorld();
    StopGl();
  }

  // Renders the queued draws over a cleared scene target 0 and gives its 640 x 480 pixels
  // (B, G, R, A).
  static std::vector<uint8_t> Render(uint32_t clear = 0xFF000000u) {
    SetRenderTargetTexture(g_SceneTargets[0]);
    ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, clear);
    RenderMain();
    ResetDrawList(&g_MainDrawList);
    RestoreBackBufferTargets();
    Texture* rt = HandleTexture(g_SceneTargets[0]);
    TextureRef sys = g_D3DDevice->CreateTexture(rt->Width(), rt->Height(), 0, FMT_A8R8G8B8, POOL_SYSTEMMEM);
    EXPECT_EQ(g_D3DDevice->GetRenderTargetData(rt, sys.get()), kOk);
    const std::vector<uint8_t> all = sys->Pixels();
    std::vector<uint8_t> out(static_cast<size_t>(kW) * kH * 4);
    const size_t pitch = static_cast<size_t>(rt->Width()) * 4;
    for (int y = 0; y < kH; ++y) std::memcpy(&out[y * kW * 4], &all[y * pitch], kW * 4);
    return out;
  }
  static const uint8_t* At(const std::vector<uint8_t>& px, int x, int y) { return &px[(y * kW + x) * 4]; }
  static void Shot(const std::vector<uint8_t>& px, const char* name) {
    const char* dir = std::getenv("VT_BATTLE_SHOTS");
    if (!dir) return;
    fs::create_directories(dir);
    EXPECT_TRUE(
        vt::image::SaveImage((fs::path(dir) / name).string(), vt::image::kFilePng, px.data(), kW, kH));
  }

  // A particle placed by hand at a screen point (camera at the origin: world = (x - 320, y - 432)
  // pixels).
  static Particle& Place(int kind, int life, int maxLife, int x, int y) {
    Particle* p = AllocParticle();
    EXPECT_NE(p, nullptr);
    p->kind = static_cast<int16_t>(kind);
    p->life = static_cast<int16_t>(life);
    p->maxLife = static_cast<int16_t>(maxLife);
    p->x = (x - 320) * 128;
    p->y = (y - 432) * 128;
    return *p;
  }
  // Runs the particle pass `frames` times without queueing, then once drawing.
  static void Advance(int frames) {
    g_BattleDrawSubmit = false;
    for (int i = 0; i < frames; ++i) UpdateDrawParticles();
    g_BattleDrawSubmit = true;
    UpdateDrawParticles();
  }

  // A 512 x 512 portrait: a dark figure on a sky gradient, with a bright rim.
  static TextureHandle* MakePortrait() {
    TextureHandle* t = CreateTexture(512, 512, FMT_A8R8G8B8);
    auto* p = static_cast<uint32_t*>(LockTexture(t->dx, nullptr));
    const int pitch = GetTexturePitch(t) / 4;
    for (int y = 0; y < 512; ++y)
      for (int x = 0; x < 512; ++x) {
        const int dx = x - 256, dy = y - 200;
        const bool head = dx * dx + dy * dy < 70 * 70;
        const bool body = y > 260 && std::abs(dx) < 60 + (y - 260) / 2;
        uint32_t c;
        if (head || body)
          c = 0xFF302040u + (std::abs(dx) > 50 && head ? 0x00A06000u : 0);
        else
          c = 0xC0000000u | (static_cast<uint32_t>(255 - y / 4) << 16) |
              (static_cast<uint32_t>(120 + y / 8) << 8) | static_cast<uint32_t>(40 + y / 4);
        if (x < 6 || x > 505) c = 0x00000000u;  // clear side edges
        p[y * pitch + x] = c;
      }
    UnlockTexture(t->dx);
    return t;
  }
  static inline TextureHandle* s_portrait = nullptr;
};

// The drawn kinds at mid-life, one per cell of an 8 x 4 grid (cells 80 x 120).
struct BoardEntry {
  int kind, life, maxLife;
  std::function<void(Particle&)> params;
};
const auto kPlain = [](Particle&) {};
const BoardEntry kBoard[] = {
    {0, 4, 8, kPlain},
    {1, 3, 6, kPlain},
    {2, 2, 4, kPlain},
    {3, 6, 12, kPlain},
    {4, 4, 8, kPlain},
    {8, 10, 20, kPlain},
    {9, 3, 4, kPlain},
    {10, 3, 4, [](Particle& p) { p.p0 = 2; }},
    {11, 3, 6, [](Particle& p) { p.p0 = 30; }},
    {12, 3, 4, [](Particle& p) { p.p0 = 60; }},
    {13, 20, 25, [](Particle& p) { p.p1 = 60, p.p3 = 3, p.p4 = 25, p.p5 = 20, p.p0 = 40; }},
    {14, 20, 30, kPlain},
    {15, 4, 6, [](Particle& p) { p.p0 = 1; }},
    {21, 10, 20, [](Particle& p) { p.p0 = 30, p.p1 = 30; }},
    {26, 10, 20, kPlain},
    {27, 10, 20, [](Particle& p) { p.p0 = 15; }},
    {28, 10, 20, [](Particle& p) { p.p4 = 40, p.p3 = 20, p.p0 = 2, p.p1 = 1000; }},
    {257, 10, 20, [](Particle& p) { p.p5 = 0; }},
    {259, 6, 13, kPlain},
    {260, 10, 20, kPlain},
    {261, 10, 20, [](Particle& p) { p.p0 = 45, p.p1 = 20, p.p2 = 40, p.p3 = 0; }},
    {262, 5, 10, [](Particle& p) { p.p0 = 0; }},
    {264, 10, 20, [](Particle& p) { p.p0 = 1, p.p1 = 1; }},
    {265, 10, 20, [](Particle& p) { p.p1 = 255, p.p2 = 10; }},
    {270, 8, 16, [](Particle& p) { p.p1 = 4, p.p2 = 2; }},
    {272, 6, 13, [](Particle& p) { p.p1 = 3, p.p2 = 2, p.p5 = 1; }},
    {273, 4, 8, [](Particle& p) { p.p0 = 6, p.p1 = 6; }},
    {275, 3, 6, [](Particle& p) { p.p1 = 0; }},
    {280, 10, 20, kPlain},
    {302, 30, 60, [](Particle& p) { p.p1 = 30, p.p2 = 0xFFD080, p.p3 = 30; }},
    {1257, 5, 12, [](Particle& p) { p.p1 = 2, p.p5 = 2, p.vx = 300, p.vy = -300; }},
    {999, 5, 13, [](Particle& p) { p.p0 = 0, p.p1 = 0; }},
};

// A PNG's pixels (B, G, R, A rows); empty when it cannot be read.
std::vector<uint8_t> ReadPng(const fs::path& path, int* w, int* h) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  vt::image::Image img;
  if (bytes.empty() || !vt::image::DecodeImage(bytes, &img)) return {};
  *w = static_cast<int>(img.info.width);
  *h = static_cast<int>(img.info.height);
  return img.pixels;
}

TEST_F(ParticleDrawGl, BoardMatchesReference) {
  for (size_t i = 0; i < std::size(kBoard); ++i) {
    const BoardEntry& e = kBoard[i];
    const int cx = 40 + 80 * static_cast<int>(i % 8), cy = 60 + 120 * static_cast<int>(i / 8);
    Particle p{};
    p.inUse = 1;
    p.kind = static_cast<int16_t>(e.kind);
    p.life = static_cast<int16_t>(e.life);
    p.maxLife = static_cast<int16_t>(e.maxLife);
    e.params(p);
    if (e.kind == 999) {
      // The mark stands at its HUD place: shift the HUD onto the cell by the side's index.
      p.p1 = (233 - (cx - 32)) / 26;
    }
    DrawParticle(p, (cx - 320) * 128, (cy - 432) * 128);
  }
  const std::vector<uint8_t> board = Render();
  Shot(board, "particle_board.png");
  const fs::path reference = fs::path(VT_SOURCE_DIR) / "tests" / "battle" / "particle_board.png";
  if (std::getenv("VT_UPDATE_REFERENCE")) {
    ASSERT_TRUE(vt::image::SaveImage(reference.string(), vt::image::kFilePng, board.data(), kW, kH));
    GTEST_SKIP() << "reference written to " << reference;
  }
  int w = 0, h = 0;
  const std::vector<uint8_t> want = ReadPng(reference, &w, &h);
  ASSERT_EQ(w, kW);
  ASSERT_EQ(h, kH);
  // Per channel within 6 of the reference (rasteriser rounding); at most 0.2 % of the pixels
  // further off (edges of thin shapes).
  int differing = 0;
  for (int i = 0; i < kW * kH; ++i)
    for (int c = 0; c < 3; ++c)
      if (std::abs(board[i * 4 + c] - want[i * 4 + c]) > 6) {
        ++differing;
        break;
      }
  EXPECT_LE(differing, kW * kH / 500) << "write the board with VT_BATTLE_SHOTS to compare";
}

TEST_F(ParticleDrawGl, AFlatRingLeavesItsHoleClearAndAdditiveDrawsAdd) {
  // Kind 262 colour 0 at life 5: radii 50 and 40 about (200, 200). Kind 12 at life 2 of 2 over a
  // grey field: colour 0x6464FF at alpha 127, added.
  Place(262, 5, 10, 200, 200);
  Particle& add = Place(12, 2, 2, 450, 240);
  add.p0 = -6;  // pitch p0 + 3w = 0: a flat ring
  const uint32_t grey = 0xFF202020u;
  DrawRect(nullptr, 400, 0, 240, 480, grey, grey, grey, grey, 10);
  UpdateDrawParticles();
  const std::vector<uint8_t> px = Render();
  Shot(px, "particle_probes.png");
  // The hole and the outside are untouched black; the band itself is lit.
  for (const auto& [x, y] : {std::pair{200, 200}, std::pair{200 + 35, 200}, std::pair{200, 200 - 30}}) {
    const uint8_t* p = At(px, x, y);
    EXPECT_EQ(p[0] | p[1] | p[2], 0) << x << "," << y;
  }
  for (const auto& [x, y] : {std::pair{200, 200 - 45}, std::pair{200 + 45, 200}, std::pair{200, 200 + 45}}) {
    const uint8_t* p = At(px, x, y);
    EXPECT_GT(p[0], 40) << x << "," << y;  // blue
  }
  // Beyond the ring's reach the grey is unchanged; where it is drawn each channel is the grey plus
  // the colour at 127 / 255.
  const uint8_t* untouched = At(px, 630, 20);
  EXPECT_EQ(untouched[2], 0x20);
  int lit = 0, exact = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 400; x < kW; ++x) {
      const uint8_t* p = At(px, x, y);
      if (p[0] == 0x20) continue;
      ++lit;
      // Blue 32 + 255 x 127 / 255 = 159, red and green 32 + 100 x 127 / 255 = 82.
      if (std::abs(p[0] - 159) <= 2 && std::abs(p[1] - 82) <= 2 && std::abs(p[2] - 82) <= 2) {
        ++exact;
      } else {
        // Rasteriser edges mix with the grey: they stay between the two.
        EXPECT_LE(p[0], 162) << x << "," << y;
        EXPECT_GE(p[0], 0x20) << x << "," << y;
      }
    }
  EXPECT_GT(lit, 500);
  EXPECT_GT(exact, lit / 2);
}

TEST_F(ParticleDrawGl, ScriptedFramesOfSparksRingsBeamsAndAPortrait) {
  // A spark burst: effect 9 of size class 2 with 24 sparks, seen 4 frames on.
  {
    const int32_t block[8] = {(200 - 320) * 128, (240 - 432) * 128, 24, 0, 2, 0, 0, 0};
    SpawnParticleEffect(9, block, 0, nullptr);
    const int32_t block2[8] = {(440 - 320) * 128, (240 - 432) * 128, 24, 0, 10, 0, 0, 0};
    SpawnParticleEffect(9, block2, 1, nullptr);
    Advance(4);
    Shot(Render(), "spark_burst.png");
    ClearParticlePool();
  }
  // Rings: the shock ring, textured rings 9 and 10, three sparkle rings (effect 20) and the
  // growing ring (effect 21), 6 frames on.
  {
    Place(0, 16, 16, 120, 240);
    Place(9, 30, 30, 320, 120).p0 = 0;
    Place(10, 30, 30, 320, 360).p0 = 1;
    const int32_t sparkle[8] = {(520 - 320) * 128, (240 - 432) * 128, 0, 0, 0, 0, 0, 0};
    SpawnParticleEffect(20, sparkle, 0, nullptr);
    const int32_t growing[8] = {(120 - 320) * 128, (400 - 432) * 128, 70, 0, 3, 0, 0, 0};
    SpawnParticleEffect(21, growing, 0, nullptr);
    Advance(6);
    Shot(Render(), "rings.png");
    ClearParticlePool();
  }
  // Beams: effect 8 (nine beams and ten line pairs) and the spiky burst, 3 frames on.
  {
    const int32_t beams[8] = {(220 - 320) * 128, (240 - 432) * 128, 0, 0, 0, 0, 0, 0};
    SpawnParticleEffect(8, beams, 0, nullptr);
    const int32_t spiky[8] = {(470 - 320) * 128, (260 - 432) * 128, 0, 20, 0, 0, 0, 0};
    SpawnParticleEffect(19, spiky, 0, nullptr);
    Advance(3);
    const std::vector<uint8_t> px = Render();
    Shot(px, "beams.png");
    // Something was lit around each centre.
    int lit = 0;
    for (int y = 140; y < 340; ++y)
      for (int x = 120; x < 320; ++x) lit += At(px, x, y)[0] > 20;
    EXPECT_GT(lit, 200);
    ClearParticlePool();
  }
  // A super-move portrait of player 0's slot 1 from a fixture texture, 10 frames into its slide
  // and at its hold.
  {
    s_portrait = MakePortrait();
    g_BattleDrawSeams.CutInTexture = [](int player, int slot) {
      return player == 0 && slot == 1 ? s_portrait : nullptr;
    };
    Particle& p = Place(2000, 41, 41, 320, 240);
    p.p0 = 0;
    p.p1 = 1;
    Advance(10);
    std::vector<uint8_t> px = Render(0xFF103010u);
    Shot(px, "portrait_sliding.png");
    Advance(10);
    px = Render(0xFF103010u);
    Shot(px, "portrait_held.png");
    // Held at the left edge: the figure's head stands at (256, 184).
    const uint8_t* head = At(px, 256, 184);
    EXPECT_NEAR(head[2], 0x30, 3);
    EXPECT_NEAR(head[0], 0x40, 3);
  }
}

}  // namespace
