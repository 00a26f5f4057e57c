// Start-up's common resources on the sample data: the battle tables, the battle HUD textures and
// the default side panels load, and shutdown's frees release them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Dxtools/gfx_test_env.h"
#include "app/app_services.h"
#include "app/save_data.h"
#include "battle/battle_tables.h"
#include "battle/character_draw.h"
#include "scene/scene_frame.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

class CommonResources : public RecordingGfx {
 protected:
  void SetUp() override {
    for (const char* folder : {"Shader", "grp", "data", "apm_com"}) {
      const std::filesystem::path from = std::filesystem::path(VT_SAMPLE_DIR) / folder;
      if (std::filesystem::exists(from) && !std::filesystem::exists(folder))
        std::filesystem::copy(from, folder, std::filesystem::copy_options::recursive);
    }
    RecordingGfx::SetUp();
    ResetSceneSpine();
  }
  void TearDown() override {
    ResetSceneSpine();
    RecordingGfx::TearDown();
  }
};

TEST_F(CommonResources, StartUpLoadsTheBattleTablesHudTexturesAndPanels) {
  // Panels of the current language (English without a configuration record).
  if (!std::filesystem::exists("apm_com/eng/apm_com_default_1p.png")) {
    const std::string png = ReadFile(std::filesystem::path(VT_SAMPLE_DIR) / "grp" / "system" / "Flare00.png");
    ASSERT_FALSE(png.empty());
    WriteFile("apm_com/eng/apm_com_default_1p.png", png);
    WriteFile("apm_com/eng/apm_com_default_2p.png", png);
  }
  g_VectorTables = VectorTables{};
  for (TypeParams& t : g_TypeParams) t = TypeParams{};
  vt::AppServices services;
  services.LoadCommonResources();
  EXPECT_FALSE(g_VectorTables.motion.empty());
  EXPECT_FALSE(g_VectorTables.hit.empty());
  bool anyType = false;
  for (const TypeParams& t : g_TypeParams) anyType = anyType || t.magicCircuitMax != 0;
  EXPECT_TRUE(anyType);
  EXPECT_NE(g_BattleHudTextures.gauge[0], nullptr);
  EXPECT_NE(GetSceneProcess().panels.defaults[0], nullptr);
  EXPECT_NE(GetSceneProcess().panels.defaults[1], nullptr);

  services.FreeCommonResources();
  EXPECT_TRUE(g_VectorTables.motion.empty());
  EXPECT_EQ(g_BattleHudTextures.gauge[0], nullptr);
  EXPECT_EQ(GetSceneProcess().panels.defaults[0], nullptr);
  for (const TypeParams& t : g_TypeParams) EXPECT_EQ(t.magicCircuitMax, 0);
}

}  // namespace
}  // namespace vt::test
