// Two generated characters load on the loader thread while the logic thread keeps rendering
// frames on the recording device and reading the loader's notices and progress. Run under
// ThreadSanitizer (VT_TSAN) this shows the hand-over: the loader creates its sprite pages under
// the device lock while the logic thread renders, and the logic thread touches the loaded
// records only after the join.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/GrpManager/grp_screen.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/chara_loader.h"
#include "battle_fixture.h"

namespace {

int ListCount() { return 2; }
int ListFiles(int index, std::string* f1, std::string* f2) {
  if (index < 0 || index > 1) return 0;
  *f1 = index == 0 ? "tester" : "duelist";
  *f2 = "0";
  return 1;
}

class LoaderWhileRendering : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / "data", "data",
                          std::filesystem::copy_options::recursive);
    battle_test::ResetWorld();
    g_BattleSeams.CharaListCount = ListCount;
    g_BattleSeams.CharaListFiles = ListFiles;
    InitScreenMessages();
    vt::SetDebugQuiet(true);
  }
  void TearDown() override {
    vt::SetDebugQuiet(false);
    for (FrameDataSet& s : g_FrameDataSets) FreeFrameDataSetContents(s);
    FreeFrameDataSetContents(g_CommonFrameData);
    FreeScreenMessages();
    battle_test::ResetWorld();
    RecordingGfx::TearDown();
  }
};

TEST_F(LoaderWhileRendering, TwoGeneratedCharactersLoadWhileFramesRender) {
  for (int i = 0; i < 2; ++i) {
    PlayerSelection& s = g_PlayerSelections[i];
    s = PlayerSelection{};
    s.character = i;
    s.side = i;
    s.type = 0;
    s.decided = 1;
  }
  TextureHandle* sprite = SolidTexture(64, 64, 0xFF40C080u);
  CCharaDataLoader& loader = GetCharaDataLoader();
  loader.allCpu = 0;
  loader.progress = 0;
  ASSERT_EQ(loader.Start(), 1);
  // The VS screen's frames: render, show the notices, ask whether the load has ended.
  int frames = 0;
  size_t notices = 0;
  uint32_t seen = 0;
  while (!loader.IsFinished() || frames < 3) {
    vt::test::DrawTestSceneFrame(sprite, frames++);
    notices = GetScreenMessages().size();
    const uint32_t p = loader.progress.load();
    EXPECT_GE(p, seen);  // the word only grows
    seen = p;
  }
  EXPECT_EQ(loader.JoinThread(), 1);
  EXPECT_EQ(loader.progress.load(), 0x82210099u);
  EXPECT_GT(notices, 0u);  // the loader's "LOAD OK" and page notices reached the logic thread
  RelinkPlayerRecords();
  for (int i = 0; i < 2; ++i) {
    const FrameDataSet& set = g_FrameDataSets[i];
    EXPECT_EQ(g_PlayerRecords[i].inUse, 1) << i;
    ASSERT_TRUE(set.patterns) << i;
    EXPECT_TRUE(set.patterns->patterns[0]) << i;
    ASSERT_TRUE(set.sprites) << i;
    int pages = 0;
    for (TextureHandle* page : set.sprites->pages) pages += page != nullptr;
    EXPECT_GT(pages, 0) << i;  // made on the loader thread
    ASSERT_TRUE(g_PlayerRecords[i].ext.commandTable) << i;
  }
  FreeTexture(sprite);
}

}  // namespace
