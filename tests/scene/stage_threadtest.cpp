// The landed loader thread loads two sample characters and then the match stage's file through
// seam LoadStageBgFile, while the logic thread renders frames; the stage is built after the join.
// Run under ThreadSanitizer this shows that the loader touches only the loaded-file state and
// that the logic thread reads it only after the join.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Dxtools/GrpManager/grp_screen.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_fixture.h"
#include "battle/chara_loader.h"
#include "scene/stage_bg.h"

namespace {

class StageLoaderThread : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    for (const char* folder : {"data", "Bg"})
      std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / folder, folder,
                            std::filesystem::copy_options::recursive);
    battle_test::ResetWorld();
    InstallStageSeams();
    battle_test::UseTwoSampleCharacters();
    InitScreenMessages();
    vt::SetDebugQuiet(true);
  }
  void TearDown() override {
    vt::SetDebugQuiet(false);
    ResetStageBg();
    FreeStageList();
    for (FrameDataSet& s : g_FrameDataSets) FreeFrameDataSetContents(s);
    FreeFrameDataSetContents(g_CommonFrameData);
    FreeScreenMessages();
    battle_test::ResetWorld();
    FlushHan6TextureCache();  // the stage's preloaded sprites
    RecordingGfx::TearDown();
  }
};

TEST_F(StageLoaderThread, StageFileLoadsOnTheLoaderThreadAndBuildsAfterTheJoin) {
  ASSERT_EQ(LoadBgList(), 1);
  ResetStageBg();
  g_MatchStage = 1;
  TextureHandle* sprite = SolidTexture(64, 64, 0xFF40C080u);
  CCharaDataLoader& loader = GetCharaDataLoader();
  loader.allCpu = 0;
  loader.progress = 0;
  ASSERT_EQ(loader.Start(), 1);
  int frames = 0;
  while (!loader.IsFinished() || frames < 3) vt::test::DrawTestSceneFrame(sprite, frames++);
  EXPECT_EQ(loader.JoinThread(), 1);
  EXPECT_EQ(g_LoadedStageBg, 1);
  EXPECT_EQ(g_LoadedStagePath, ".\\Bg\\harbour.dat");
  ASSERT_EQ(BuildStageBg(), 1);
  int running = 0;
  for (const StageObjectState& s : g_StageObjects) running += s.active != 0;
  EXPECT_GT(running, 5);
  ASSERT_NE(g_StageSprites, nullptr);
  DrawStageBg(1);
  FreeTexture(sprite);
}

}  // namespace
