// Character loading: the load setups, the progress word, the thread operations, palettes and
// the checks on selections, over characters written into the test's folder.
#include "battle/chara_loader.h"

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/Han6Files/han6_project.h"
#include "app/lib_debug.h"
#include "battle/chara_command.h"
#include "battle_fixture.h"
#include "support/test_util.h"

namespace {

using battle_test::BattleTest;

// Two list entries: 0 "alpha" with a second body "alpha2", 1 "beta" without one.
int ListCount() { return 2; }
int ListFiles(int index, std::string* f1, std::string* f2) {
  if (index == 0) {
    *f1 = "alpha";
    *f2 = "alpha2";
    return 1;
  }
  if (index == 1) {
    *f1 = "beta";
    *f2 = "0";
    return 1;
  }
  return 0;
}

void WriteCharacter(const std::string& name, int type, int palettes) {
  Han6PatternSet set;
  auto p = std::make_unique<Han6Pattern>();
  p->frames.emplace_back();
  p->frames.back().duration = 10;
  set.patterns[0] = std::move(p);
  const auto data = WriteHan6DataFile(set);
  vt::test::WriteFile("data/" + name + ".ha6", std::string(data.begin(), data.end()));
  Han6Project project;
  project.projectName = name;
  project.projectPath = ".\\data\\" + name + "_" + std::to_string(type) + ".txt";
  project.dataFiles = {name + ".ha6"};
  vt::test::WriteFile("data/" + name + "_" + std::to_string(type) + ".txt", WriteHan6ProjectText(project));
  std::string pal(4 + 1024 * static_cast<size_t>(palettes), '\0');
  pal[0] = static_cast<char>(palettes);
  vt::test::WriteFile("data/" + name + ".pal", pal);
  vt::test::WriteFile("data/" + name + "_" + std::to_string(type) + "_c.txt",
                      "0 236A 1 0 10 0 0 0 0\r\nEND\r\n[Status]\r\nAirJumpNum=1\r\n");
}

class CharaLoader : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    g_BattleSeams.CharaListCount = ListCount;
    g_BattleSeams.CharaListFiles = ListFiles;
    vt::SetDebugQuiet(true);
  }
  void TearDown() override {
    vt::SetDebugQuiet(false);
    for (FrameDataSet& s : g_FrameDataSets) FreeFrameDataSetContents(s);
    FreeFrameDataSetContents(g_CommonFrameData);
    BattleTest::TearDown();
  }
};

TEST_F(CharaLoader, LoadSetups) {
  const struct {
    const char* name;
    PlayerSelection sel;
    int allCpu;
    int mainChara, mainType, mainController, mainRatio, partnerChara, partnerFileSet;
  } cases[] = {
      {"second body", {0, 1, 0, 0, 0, 2, 1, 100, 0, 0, 0}, 0, 0, 2, 0, 100, 0, 1},
      {"no second body", {0, 1, 1, 0, 0, 2, 1, 40, 0, 0, 0}, 0, 1, 2, 0, 40, -1, 0},
      {"override mode 1: no second body", {0, 1, 0, 0, 0, 2, 1, 100, 0, 1, 1}, 0, 0, 2, 0, 100, -1, 0},
      {"override mode 2 changes the type", {0, 1, 0, 0, 0, 2, 1, 100, 0, 2, 7}, 0, 0, 7, 0, 100, 0, 1},
      {"all CPU", {0, 1, 1, 0, 1, 3, 1, 160, 0, 0, 0}, 1, 1, 3, 1, 100, -1, 0},
      {"no character", {0, 1, -1, 0, 0, 3, 1, 100, 0, 0, 0}, 0, -1, 3, 0, 100, -1, 0},
      {"character outside the list", {0, 1, 5, 0, 0, 3, 1, 100, 0, 0, 0}, 0, -1, 3, 0, 100, -1, 0},
  };
  for (const auto& c : cases) {
    g_PlayerSelections[0] = c.sel;
    CharaLoadSetup setups[4];
    BuildCharaLoadSetups(setups, c.allCpu);
    EXPECT_EQ(setups[0].character, c.mainChara) << c.name;
    EXPECT_EQ(setups[0].type, c.mainType) << c.name;
    EXPECT_EQ(setups[0].controller, c.mainController) << c.name;
    EXPECT_EQ(setups[0].ratio, c.mainRatio) << c.name;
    EXPECT_EQ(setups[0].fileSet, 0) << c.name;
    EXPECT_EQ(setups[2].character, c.partnerChara) << c.name;
    EXPECT_EQ(setups[2].fileSet, c.partnerFileSet) << c.name;
  }
}

TEST_F(CharaLoader, SelectionValidation) {
  PlayerSelection good{0, 1, 1, 0, 1, 3, 1, 100, 0, 0, 0};
  EXPECT_TRUE(ValidatePlayerSelection(good, "t"));
  const struct {
    PlayerSelection in;
    int character, color, type, ratio, overrideMode, side;
  } cases[] = {
      {{0, -4, 1, 0, 1, 3, 1, 100, 0, 0, 0}, 1, 0, 3, 100, 0, 1},
      {{0, 1, 9, 0, 1, 3, 1, 100, 0, 0, 0}, -1, 1, 3, 100, 0, 1},
      {{0, 1, 1, 0, 7, 12, 1, -5, 0, 0, 0}, 1, 1, 0, 100, 0, 0},
      {{0, 1, 1, 0, 1, 3, 1, 100, 0, 1, 50}, 1, 1, 3, 100, 0, 1},
      {{0, 1, 1, 0, 1, 3, 1, 100, 0, 9, 0}, 1, 1, 3, 100, 0, 1},
  };
  for (const auto& c : cases) {
    PlayerSelection s = c.in;
    EXPECT_FALSE(ValidatePlayerSelection(s, "t"));
    EXPECT_EQ(s.character, c.character);
    EXPECT_EQ(s.color, c.color);
    EXPECT_EQ(s.type, c.type);
    EXPECT_EQ(s.ratio, c.ratio);
    EXPECT_EQ(s.overrideMode, c.overrideMode);
    EXPECT_EQ(s.side, c.side);
  }
}

TEST_F(CharaLoader, TwoCharactersLoadOnTheThreadWithTheDocumentedProgress) {
  WriteCharacter("alpha", 2, 3);
  WriteCharacter("beta", 1, 3);
  // Both on side 0's list entry 1 (no second body) and side 1's entry 1.
  g_PlayerSelections[0] = {0, 2, 1, 0, 0, 1, 1, 75, 0, 0, 0};
  g_PlayerSelections[1] = {1, 3, 1, 0, 1, 1, 1, 160, 0, 0, 0};
  CCharaDataLoader& loader = GetCharaDataLoader();
  loader.progress = 0;
  ASSERT_EQ(loader.Start(), 1);
  EXPECT_EQ(loader.HasThread(), 1);
  // The logic thread only polls meanwhile.
  while (!loader.IsFinished()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(loader.JoinThread(), 1);
  EXPECT_EQ(loader.HasThread(), 0);
  EXPECT_EQ(loader.JoinThread(), 0);
  EXPECT_EQ(WaitCharaDataLoader(), 0);
  EXPECT_EQ(loader.progress.load(), 0x82210099u);
  RelinkPlayerRecords();
  for (int i = 0; i < 2; ++i) {
    const PlayerRecord& r = g_PlayerRecords[i];
    EXPECT_EQ(r.inUse, 1);
    EXPECT_EQ(r.obj.frameData, &g_FrameDataSets[i]);
    ASSERT_TRUE(g_FrameDataSets[i].patterns);
    EXPECT_TRUE(g_FrameDataSets[i].patterns->patterns[0]);
    ASSERT_TRUE(r.ext.commandTable);
    EXPECT_EQ(r.ext.commandTable->airJumps, 1);
    EXPECT_EQ(r.obj.playerIndex, i);
    EXPECT_EQ(r.obj.facing, i);
  }
  EXPECT_EQ(g_PlayerRecords[1].obj.controller, 1);
  EXPECT_EQ(g_PlayerRecords[0].obj.colorIndex, 2);
  EXPECT_EQ(g_PlayerRecords[2].inUse, 0);
  EXPECT_EQ(g_SideStatus[0].attackFactor, 0.75f);
  EXPECT_EQ(g_SideStatus[1].attackFactor, 1.5f);
  EXPECT_EQ(g_SideStatus[0].hasPartner, 0);
}

TEST_F(CharaLoader, SecondBodyGetsTheSideFacingAndMarksThePartner) {
  WriteCharacter("alpha", 0, 1);
  WriteCharacter("alpha2", 0, 1);
  g_PlayerSelections[0] = {0, 0, -1, 0, 0, 0, 1, 100, 0, 0, 0};
  g_PlayerSelections[1] = {0, 0, 0, 0, 1, 0, 1, 100, 0, 0, 0};
  CharaLoadSetup setups[4];
  BuildCharaLoadSetups(setups, 0);
  std::atomic<uint32_t> progress{0};
  LoadCharacters(setups, &progress);
  EXPECT_EQ(g_PlayerRecords[0].inUse, 0);
  EXPECT_EQ(g_PlayerRecords[2].inUse, 0);
  EXPECT_EQ(g_PlayerRecords[1].inUse, 1);
  EXPECT_EQ(g_PlayerRecords[3].inUse, 1);
  EXPECT_EQ(g_PlayerRecords[3].obj.facing, 1);  // slot 3 is on side 1: facing 1, not 3
  EXPECT_EQ(g_PlayerRecords[3].obj.posX, 94720);
  EXPECT_EQ(g_SideStatus[1].hasPartner, 1);
  EXPECT_EQ(progress.load(), 0x10000u + 0x90u + 0x9000u);
}

TEST_F(CharaLoader, AttackFactorComesFromTheSidesCheckedRatio) {
  WriteCharacter("beta", 0, 1);
  const struct {
    int32_t ratio, allCpu;
    float factor;
  } cases[] = {{40, 0, 0.5f},  {160, 0, 1.5f}, {100, 0, 1.0f},
               {75, 0, 0.75f}, {160, 1, 1.5f},  // the all-CPU setup's ratio of 100 does not reach the factor
               {-5, 0, 1.0f},                   // out of range: read as 100, never a negative factor
               {0, 0, 1.0f}};
  for (const auto& c : cases) {
    g_PlayerSelections[0] = {0, 0, 1, 0, 0, 0, 1, c.ratio, 0, 0, 0};
    g_PlayerSelections[1] = {0, 0, 1, 0, 1, 0, 1, 100, 0, 0, 0};
    CharaLoadSetup setups[4];
    BuildCharaLoadSetups(setups, c.allCpu);
    LoadCharacters(setups, nullptr);
    EXPECT_EQ(g_SideStatus[0].attackFactor, c.factor) << c.ratio << " " << c.allCpu;
    EXPECT_EQ(g_SideStatus[1].attackFactor, 1.0f) << c.ratio;
  }
}

TEST_F(CharaLoader, MissingFilesLeaveTheSlotInUseAndTheLoadGoesOn) {
  g_PlayerSelections[0] = {0, 7, 1, 0, 0, 4, 1, 100, 0, 0, 0};
  g_PlayerSelections[1] = {0, 0, -1, 0, 1, 0, 1, 100, 0, 0, 0};
  CharaLoadSetup setups[4];
  BuildCharaLoadSetups(setups, 0);
  EXPECT_EQ(LoadCharacters(setups, nullptr), 1);
  EXPECT_EQ(g_PlayerRecords[0].inUse, 1);
  EXPECT_FALSE(g_PlayerRecords[0].ext.commandTable);
}

// Sheets without pixels of their own take their pages from bitmap files named after the
// selected character, also when the data files come from an override character.
TEST_F(CharaLoader, PageBitmapsGoByTheSelectedCharactersName) {
  WriteCharacter("alpha", 0, 1);
  static std::vector<std::string> sheets, panis;
  sheets.clear();
  panis.clear();
  g_BattleSeams.LoadCutSpritePageBitmaps = [](CutSpriteSheet*, const char* name, const uint8_t*,
                                              const uint8_t*) {
    sheets.emplace_back(name);
    return 1;
  };
  g_BattleSeams.LoadPAniPageBitmaps = [](PAniData*, const char* name) {
    panis.emplace_back(name);
    return 1;
  };
  // Side 0 plays "beta" with the data files of "alpha" (override mode 1); side 1 is empty.
  g_PlayerSelections[0] = {0, 0, 1, 0, 0, 0, 1, 100, 0, 1, 0};
  g_PlayerSelections[1] = {0, 0, -1, 0, 1, 0, 1, 100, 0, 0, 0};
  for (int embedded : {1, 0}) {
    sheets.clear();
    panis.clear();
    g_EmbeddedSpritePixels = embedded;
    CharaLoadSetup setups[4];
    BuildCharaLoadSetups(setups, 0);
    LoadCharacters(setups, nullptr);
    EXPECT_TRUE(g_FrameDataSets[0].patterns) << embedded;
    EXPECT_EQ(sheets, embedded ? std::vector<std::string>{} : std::vector<std::string>{"beta"});
    EXPECT_EQ(panis, embedded ? std::vector<std::string>{} : std::vector<std::string>{"beta"});
  }
  g_EmbeddedSpritePixels = 1;
}

// The palette override: palette `color` of the ".pal" file when it is below the declared count
// and inside the file; otherwise the sprites keep their own palettes.
TEST_F(CharaLoader, PaletteOverrideOnlyForAPaletteThatIsThere) {
  WriteCharacter("beta", 0, 1);
  static int seen;  // first byte of the palette handed over, -1 for none
  g_BattleSeams.LoadCutSpritePageBitmaps = [](CutSpriteSheet*, const char*, const uint8_t* palette,
                                              const uint8_t*) {
    seen = palette ? palette[0] : -1;
    return 1;
  };
  const struct {
    const char* name;
    int32_t declared, present, color, seen;
  } cases[] = {
      {"palette 1 of 3", 3, 3, 1, 11},        {"palette 3 of 3", 3, 3, 3, -1},
      {"count beyond the file", 9, 2, 5, -1}, {"count beyond the file, palette present", 9, 2, 1, 11},
      {"negative count", -1, 2, 0, -1},       {"negative colour reads as 0", 3, 3, -2, 10},
  };
  g_EmbeddedSpritePixels = 0;
  for (const auto& c : cases) {
    std::string pal(4 + 1024 * static_cast<size_t>(c.present), '\0');
    std::memcpy(pal.data(), &c.declared, 4);
    for (int k = 0; k < c.present; ++k) pal[4 + 1024 * static_cast<size_t>(k)] = static_cast<char>(10 + k);
    vt::test::WriteFile("data/beta.pal", pal);
    g_PlayerSelections[0] = {0, c.color, 1, 0, 0, 0, 1, 100, 0, 0, 0};
    g_PlayerSelections[1] = {0, 0, -1, 0, 1, 0, 1, 100, 0, 0, 0};
    CharaLoadSetup setups[4];
    BuildCharaLoadSetups(setups, 0);
    seen = -2;
    LoadCharacters(setups, nullptr);
    EXPECT_EQ(seen, c.seen) << c.name;
  }
  g_EmbeddedSpritePixels = 1;
}

}  // namespace
