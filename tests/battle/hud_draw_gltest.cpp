// The combo HUD and the afterimages on the offscreen GL device, against reference pictures: a
// HUD board (counters from both sheets, banners with their bars, the counter banner, both
// indicator modes) over a plain background, and an afterimage board (the two sample fighters
// after a walk, leaving blue images and added red ones). The pictures are compared at half
// size, per channel within a tolerance, with a cap on the pixels that may differ.
//
// To re-make the references after a meant change, run from the build folder:
//   VT_REMAKE_REFERENCES=1 ./tests/test_battle_gl --gtest_filter='HudBoardGl.*'
// Screenshots of scripted frames go where VT_BATTLE_SHOTS names a folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/afterimage.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/character_draw.h"
#include "battle/combo_records.h"
#include "battle/hud_draw.h"
#include "battle_gl_fixture.h"
#include "platform/gfx/texture.h"
#include "platform/image.h"

namespace vt::test {
namespace {

constexpr int kW = 640, kH = 480;
// Half-size pictures: each pixel the mean of a 2 x 2 block.
constexpr int kRefW = kW / 2, kRefH = kH / 2;
// A channel may be off by this much, and at most this many pixels may be off by more.
constexpr int kTolerance = 12;
constexpr int kMaxDiffering = kRefW * kRefH / 200;

std::vector<uint8_t> HalfSize(const std::vector<uint8_t>& bgra) {
  std::vector<uint8_t> out(static_cast<size_t>(kRefW) * kRefH * 4);
  for (int y = 0; y < kRefH; ++y)
    for (int x = 0; x < kRefW; ++x)
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int dy = 0; dy < 2; ++dy)
          for (int dx = 0; dx < 2; ++dx)
            sum += bgra[(static_cast<size_t>(2 * y + dy) * kW + 2 * x + dx) * 4 + c];
        out[(static_cast<size_t>(y) * kRefW + x) * 4 + c] = static_cast<uint8_t>((sum + 2) / 4);
      }
  return out;
}

std::vector<uint8_t> ReadPng(const std::filesystem::path& path, int* w, int* h) {
  std::ifstream f(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  image::Image img;
  if (bytes.empty() || !image::DecodeImage(bytes, &img, path.string().c_str())) return {};
  *w = static_cast<int>(img.info.width);
  *h = static_cast<int>(img.info.height);
  return gfx::DecodeToBgra(img.info.format, img.pixels.data(), img.pitch, *w, *h);
}

class HudBoardGl : public BattleGl {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartBattleGl("combo hud"));
    namespace fs = std::filesystem;
    fs::create_directories("grp/Combo");
    for (const char* f : {"grp/Combo/sys_combo00.png", "grp/Combo/sys_combo01.png"})
      fs::copy_file(fs::path(VT_SAMPLE_DIR) / f, f, fs::copy_options::overwrite_existing);
  }
  void TearDown() override {
    FreeBattleHudTextures();
    BattleGl::TearDown();
  }

  // Renders what the main list holds over a dark blue-grey background and reads it back.
  std::vector<uint8_t> Render() {
    return Picture(0xFF304050u, [] {});
  }

  // Compares a picture with its reference under tests/battle (or re-makes it).
  static void CompareWithReference(const std::vector<uint8_t>& bgra, const std::string& name) {
    ASSERT_EQ(bgra.size(), static_cast<size_t>(kW) * kH * 4);
    const std::vector<uint8_t> half = HalfSize(bgra);
    const std::filesystem::path ref =
        std::filesystem::path(VT_SOURCE_DIR) / "tests" / "battle" / (name + ".png");
    if (std::getenv("VT_REMAKE_REFERENCES")) {
      ASSERT_TRUE(image::SaveImage(ref.string(), image::kFilePng, half.data(), kRefW, kRefH));
      std::printf("re-made %s\n", ref.string().c_str());
      return;
    }
    int w = 0, h = 0;
    const std::vector<uint8_t> want = ReadPng(ref, &w, &h);
    ASSERT_EQ(w, kRefW) << ref;
    ASSERT_EQ(h, kRefH) << ref;
    int differing = 0, worst = 0;
    for (size_t p = 0; p < half.size(); p += 4) {
      int d = 0;
      for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(int{half[p + c]} - int{want[p + c]}));
      worst = std::max(worst, d);
      differing += d > kTolerance;
    }
    EXPECT_LE(differing, kMaxDiffering) << name << ": worst channel difference " << worst;
  }

  // Scripted HUD state: a 3-hit combo slid in on side 0 with banners, a combo from the second
  // sheet with the recovery label on side 1, the counter banner, and both indicator kinds.
  static void HudBoardState() {
    ResetComboRoundWords();
    ComboRecord& a = g_SideStatus[0].combos[0];
    a.hits = 3;
    a.damage = 1234;
    g_SideStatus[1].comboShown = g_SideStatus[1].comboIndex = 6;
    ComboRecord& b = g_SideStatus[1].combos[6];
    b.hits = 27;
    b.damage = 8765;
    b.recovery = 1;
    PushBanner(0, 12);
    PushBanner(0, 4);
    PushBanner(0, 0);
    PushBanner(1, 16);
    PushBanner(1, 18);  // a kind past the table: queued, drawn as nothing
    for (int i = 0; i < 14; ++i) {
      if (i == 4) g_SideStatus[1].counterBanner = 60;
      if (i == 8) TellGuardDisplay(1, 2);
      if (i >= 8) g_HudBlocks[0].indicatorTimer = 20;  // a character of side 0 is being combo'd
      ResetDrawList(&g_MainDrawList);
      UpdateDrawHud();
    }
  }
};

TEST_F(HudBoardGl, HudBoardMatchesItsReference) {
  ASSERT_EQ(LoadBattleHudTextures(), 1);
  ASSERT_NE(g_BattleHudTextures.comboDigits[0], nullptr);
  ASSERT_NE(g_BattleHudTextures.comboDigits[1], nullptr);
  HudBoardState();
  const std::vector<uint8_t> picture = Render();
  ASSERT_FALSE(picture.empty());
  // An exact probe: no HUD piece covers the screen's middle, which keeps the background.
  const size_t mid = (static_cast<size_t>(300) * kW + 320) * 4;
  EXPECT_EQ(picture[mid + 0], 0x50);
  EXPECT_EQ(picture[mid + 1], 0x40);
  EXPECT_EQ(picture[mid + 2], 0x30);
  CompareWithReference(picture, "hud_board_ref");
  Shot(picture, "hud_board");
}

// The scripted frames of a match: side 0's 3-hit combo counter and its banners, then the
// counter banner, over the two sample fighters. The match's own frame updates and queues the
// HUD; the fighters are drawn here, as the drawing half does not draw them yet.
TEST_F(HudBoardGl, ComboCounterAndCounterBannerInAMatch) {
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
  ASSERT_EQ(LoadBattleHudTextures(), 1);
  const HarnessScript stand = [](uint32_t, int) { return HarnessPad{}; };
  for (int i = 0; i < 20; ++i) {
    ResetDrawList(&g_MainDrawList);
    HarnessRunFrame(stand);
  }
  // The combo as the hit resolution leaves it: three hits counted into side 0's record.
  ComboRecord& r = g_SideStatus[0].combos[g_SideStatus[0].comboIndex & 7];
  r.hits = 3;
  r.damage = 1450;
  PushBanner(0, 4);
  std::vector<uint8_t> counter;
  for (int i = 0; i < 14; ++i) {
    ResetDrawList(&g_MainDrawList);
    HarnessRunFrame(stand);
  }
  for (const PlayerRecord& p : g_PlayerRecords)
    if (p.inUse) DrawBattleObject(p.obj, BattleDrawLook{});
  counter = Render();
  ASSERT_FALSE(counter.empty());
  Shot(counter, "combo_counter_3_hits");
  g_SideStatus[1].counterBanner = 60;
  for (int i = 0; i < 18; ++i) {
    ResetDrawList(&g_MainDrawList);
    HarnessRunFrame(stand);
  }
  for (const PlayerRecord& p : g_PlayerRecords)
    if (p.inUse) DrawBattleObject(p.obj, BattleDrawLook{});
  const std::vector<uint8_t> banner = Render();
  ASSERT_FALSE(banner.empty());
  Shot(banner, "counter_banner");
  // The counter banner's last frame stands at (384, 172) on side 1: its strip is opaque there.
  EXPECT_NE(banner, counter);
}

// Both fighters walk apart leaving trails: side 0 blue images (blend 1), side 1
// red ones added (blend 2), four images each, eight entries apart.
TEST_F(HudBoardGl, AfterimageBoardMatchesItsReference) {
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
  const HarnessScript walk = [](uint32_t, int side) {
    return HarnessPad{static_cast<uint8_t>(side ? 6 : 4), 0};
  };
  const uint8_t colours[2] = {1, 8};
  for (int s = 0; s < 2; ++s) {
    BattleObject& o = g_PlayerRecords[s].obj;
    o.trailStride = 8;
    o.trailCount = 4;
    o.trailColour = colours[s];
    ResetTrail(s, o);
  }
  for (int i = 0; i < 40; ++i) {
    ResetDrawList(&g_MainDrawList);
    HarnessRunFrame(walk);
  }
  ResetDrawList(&g_MainDrawList);
  for (int s = 0; s < 2; ++s) {
    BattleObject& o = g_PlayerRecords[s].obj;
    for (int k = 0; k < o.trailCount; ++k) DrawAfterimage(s, o, k);
    DrawBattleObject(o, BattleDrawLook{});
  }
  const std::vector<uint8_t> picture = Render();
  ASSERT_FALSE(picture.empty());
  CompareWithReference(picture, "afterimage_board_ref");
  Shot(picture, "afterimages");
  // While the trail is hidden only the fighters are drawn.
  g_TrailHidden = 60;
  for (int s = 0; s < 2; ++s) {
    BattleObject& o = g_PlayerRecords[s].obj;
    for (int k = 0; k < o.trailCount; ++k) DrawAfterimage(s, o, k);
    DrawBattleObject(o, BattleDrawLook{});
  }
  const std::vector<uint8_t> hidden = Render();
  g_TrailHidden = 0;
  EXPECT_NE(hidden, picture);
}

}  // namespace
}  // namespace vt::test
