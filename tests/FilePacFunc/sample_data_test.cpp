// The sample game folder built by the sample-data builder reads the way the game expects: nine
// packs mount, the first mounted pack wins, the version file and the game texts come from packs,
// and `.EX3` companions expand to their plain files.
#include <gtest/gtest.h>

#include <filesystem>

#include "FilePacFunc/FilePac.h"
#include "app/file_loader.h"
#include "app/save_data.h"
#include "app/text_list.h"
#include "support/test_util.h"

namespace {

namespace fs = std::filesystem;

class SampleDataTest : public testing::Test {
 protected:
  void SetUp() override {
    GetPackList().Clear();
    // Mounted by absolute path in the game's order; the working directory has no loose files.
    for (const char* name :
         {"0008.p", "0003.p", "0005.p", "0002.p", "0007.p", "0000.p", "0004.p", "0006.p", "0001.p"}) {
      ASSERT_EQ(MountPack((fs::path(VT_SAMPLE_DIR) / name).string()), 1) << name;
    }
  }
  void TearDown() override {
    GetPackList().Clear();
    g_GameTextTable.clear();
  }
};

TEST_F(SampleDataTest, VersionFileAndOrder) {
  EXPECT_TRUE(CheckPackDataVersion());
  EXPECT_FALSE(fs::exists(fs::path(VT_SAMPLE_DIR) / "PackDataVersion" / "pack_0008_version.txt"));
  DataBuffer order = LoadDataFile(".\\data\\pack_order.txt");
  ASSERT_TRUE(order);
  EXPECT_EQ(order.text(), "0008\r\n");
  EXPECT_EQ(vt::test::ReadFile(fs::path(VT_SAMPLE_DIR) / "data" / "pack_order.txt"), "disk\r\n");
}

TEST_F(SampleDataTest, GameTextsInBothLanguages) {
  LoadGameText();
  ASSERT_GE(g_GameTextTable.size(), 68u);
  for (const GameTextEntry& e : g_GameTextTable) {
    EXPECT_FALSE(e.japanese.empty());
    EXPECT_FALSE(e.english.empty());
  }
  EXPECT_EQ(g_GameTextTable[66].english, "Press a key");
  EXPECT_EQ(g_GameTextTable[67].english, "Press a button");
  EXPECT_EQ(g_GameTextTable[0].japanese, "\x95\x5C\x8E\xA6");
}

TEST_F(SampleDataTest, CompanionsExpandToTheirPlainFiles) {
  int checked = 0;
  for (const auto& entry : fs::recursive_directory_iterator(VT_SAMPLE_DIR)) {
    if (entry.path().extension() != ".EX3") continue;
    fs::path plain = entry.path();
    plain.replace_extension(".txt");
    if (!fs::exists(plain)) continue;
    std::string relative = fs::relative(plain, VT_SAMPLE_DIR).string();
    DataBuffer expanded = LoadDataFileEx3((fs::path(VT_SAMPLE_DIR) / relative).string());
    ASSERT_TRUE(expanded) << relative;
    EXPECT_EQ(std::string(expanded.text()), vt::test::ReadFile(plain)) << relative;
    ++checked;
  }
  RecordProperty("companions", checked);
}

}  // namespace
