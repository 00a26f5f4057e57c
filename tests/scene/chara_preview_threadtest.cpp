// The preloader thread against the logic thread: both cursors run over the sample roster frame
// after frame, colours change, a side loses and regains its player, characters are confirmed,
// and every frame the previews are updated, drawn and rendered while the thread loads whatever
// is asked. Run under ThreadSanitizer this shows that the slots are shared only through their
// atomics and the hand-shake; at the end both sides show what they ask for, and stopping frees
// every texture the previews made.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/chara_list.h"
#include "scene/chara_preview.h"
#include "scene/scene_fixture.h"
#include "support/test_util.h"

namespace {

namespace fs = std::filesystem;

class PreloaderThread : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    battle_test::ResetWorld();
    scene_test::ResetSceneWords();
    for (const char* folder : {"data", "grp"})
      fs::copy(fs::path(VT_SAMPLE_DIR) / folder, folder, fs::copy_options::recursive);
    ASSERT_EQ(LoadCharaSelectList(vt::test::ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt")),
              kRosterCharacterCount);
    vt::SetDebugQuiet(true);
  }
  void TearDown() override {
    StopCharaPreloader();
    vt::SetDebugQuiet(false);
    FreeCharaSelectList();
    scene_test::ResetSceneWords();
    battle_test::ResetWorld();
    RecordingGfx::TearDown();
  }
  static void Frame() {
    UpdateCharaPreviews(true);
    DrawCharaPreviews();
    RenderMain();
    ResetDrawList(&g_MainDrawList);
    AgeHan6TextureCache();
  }
};

TEST_F(PreloaderThread, RapidCursorMovesWhileTheThreadLoads) {
  const int textures = g_TextureCount.load();
  StartCharaPreloader();
  int cells[2] = {FindRosterCell(0), FindRosterCell(11)};
  for (int s = 0; s < 2; ++s) {
    g_CharaSelectSides[s] = CharaSelectSide{};
    g_CharaSelectSides[s].controller = s;
    g_CharaSelectSides[s].cursorCell = cells[s];
    g_CharaSelectSides[s].character = RosterCellCharacter(cells[s]);
  }
  RandStream moves;
  SeedOwnRandStream(moves, 2024);
  const int directions[] = {2, 4, 6, 8};
  for (int frame = 0; frame < 600; ++frame) {
    for (int s = 0; s < 2; ++s) {
      CharaSelectSide& side = g_CharaSelectSides[s];
      const int32_t r = OwnRandStreamNext(moves);
      // Bursts of moves with pauses between them, so that loads both finish and get overtaken.
      if ((frame / 40) % 2 == 0 || r % 7 == 0) {
        side.cursorCell = MoveRosterCursor(side.cursorCell, directions[r % 4]);
        side.character = RosterCellCharacter(side.cursorCell);
      }
      if (r % 13 == 0) side.colour = r % 36;
      if (r % 97 == 0) side.controller = side.controller < 0 ? s : -1;
      if (r % 89 == 0) PlayCharaPreviewDecisionPose(s);
      if (r % 61 == 0) FlashCharaPreview(s);
    }
    Frame();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // The cursors stop on two characters: both sides come to show them.
  for (int s = 0; s < 2; ++s) {
    g_CharaSelectSides[s].controller = s;
    g_CharaSelectSides[s].cursorCell = FindRosterCell(s == 0 ? 2 : 4);
    g_CharaSelectSides[s].character = s == 0 ? 2 : 4;
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  auto settled = [] {
    for (int s = 0; s < 2; ++s) {
      CharaPreviewSlot* slot = GetCharaPreviewSlot(s);
      if (slot->shown.load() == 0 || slot->player.character != g_CharaSelectSides[s].character ||
          slot->player.colour != g_CharaSelectSides[s].colour)
        return false;
    }
    return true;
  };
  while (!settled() && std::chrono::steady_clock::now() < until) {
    Frame();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_TRUE(settled());
  for (int s = 0; s < 2; ++s) {
    CharaPreviewSlot* slot = GetCharaPreviewSlot(s);
    EXPECT_EQ(slot->requestedCharacter.load(), g_CharaSelectSides[s].character);
    EXPECT_NE(slot->player.layer[0].frameData.patterns, nullptr) << s;
    EXPECT_EQ(slot->player.layer[1].frameData.patterns != nullptr, s == 0) << s;  // 2 has a partner
    EXPECT_NE(slot->portrait, nullptr);
  }
  StopCharaPreloader();
  EXPECT_EQ(g_TextureCount.load(), textures);
}

}  // namespace
