// The stage list and its random choice, loading, building and releasing a stage, its info file,
// block A's textures, the sprite-cache keys and the stage's seams, over files written in the
// test's working directory and the recording device.
#include <gtest/gtest.h>

#include <cstring>

#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Han6Files/han6_data.h"
#include "Dxtools/IniFile.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/frame_effects.h"
#include "scene/stage_bg.h"
#include "scene/stage_fixture.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

void WriteStage(const std::string& name, const StageFileDesc& d) {
  const std::vector<uint8_t> bytes = WriteStageFile(d);
  WriteFile("Bg/" + name + ".dat",
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

StageFileDesc OneObjectStage() {
  StageFileDesc d;
  StageObjectDesc o;
  o.number = 0;
  o.frames = {SpriteFrame(0, 4, 5)};
  d.objects.push_back(o);
  d.blockB = SolidSheet(2);
  return d;
}

int ActiveStates() {
  int n = 0;
  for (const StageObjectState& s : g_StageObjects) n += s.active != 0;
  return n;
}

class StageList : public RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    vt::SetDebugQuiet(true);
    InstallStageSeams();
  }
  void TearDown() override {
    ResetStageBg();
    FreeStageList();
    FlushHan6TextureCache();
    ResetBattleSeams();
    ResetBattleDrawSeams();
    vt::SetDebugQuiet(false);
    RecordingGfx::TearDown();
  }
};

TEST_F(StageList, ListWithoutSectionsHasEntryZeroOnly) {
  WriteFile("Bg/BgList.ini", "[Other]\r\nDataFile=x\r\n");
  ASSERT_EQ(LoadBgList(), 1);
  ASSERT_NE(g_StageList[0], nullptr);
  EXPECT_EQ(g_StageList[0]->IsSelectAble, 1);
  EXPECT_EQ(g_StageList[0]->DataFile, "");
  for (int i = 1; i < kStageListSize; ++i) EXPECT_EQ(g_StageList[i], nullptr) << i;
}

TEST_F(StageList, EntriesNamesAndMissingFiles) {
  const std::string longName(40, 'a');
  WriteStage(longName.substr(0, 32), OneObjectStage());
  WriteStage("harbour", OneObjectStage());
  WriteFile("Bg/BgList.ini",
            "[Bg_001]\r\nDataFile=harbour\r\nInfoFile=1\r\nIsSelectAble=1\r\nIsGiantStage=1\r\nStageColorVal="
            "0.75\r\n"
            "[Bg_002]\r\nDataFile=" +
                longName +
                "\r\n"
                "[Bg_004]\r\nDataFile=missing\r\n"
                "[Bg_005]\r\nIsSelectAble=1\r\n");
  ASSERT_EQ(LoadBgList(), 1);
  ASSERT_NE(g_StageList[1], nullptr);
  EXPECT_EQ(g_StageList[1]->InfoFile, 1);
  EXPECT_EQ(g_StageList[1]->IsGiantStage, 1);
  EXPECT_FLOAT_EQ(g_StageList[1]->StageColorVal, 0.75f);
  ASSERT_NE(g_StageList[2], nullptr) << "the name is cut to 32 characters before the existence test";
  EXPECT_EQ(g_StageList[2]->DataFile, longName.substr(0, 32));
  EXPECT_EQ(g_StageList[4], nullptr) << "a missing .dat drops the stage";
  ASSERT_NE(g_StageList[5], nullptr) << "an empty name needs no file";
  EXPECT_EQ(g_StageList[3], nullptr);
  std::filesystem::remove("Bg/BgList.ini");
  EXPECT_EQ(LoadBgList(), 0);
  EXPECT_NE(g_StageList[1], nullptr) << "a missing list keeps the old one";
}

TEST_F(StageList, PickRandomStageOverTheExcludeLists) {
  WriteStage("s", OneObjectStage());
  std::string ini;
  for (int s : {1, 2, 3, 55, 57})
    ini += "[Bg_" + std::string(s < 10 ? "00" : "0") + std::to_string(s) + "]\r\nDataFile=s\r\n";
  WriteFile("Bg/BgList.ini", ini);
  ASSERT_EQ(LoadBgList(), 1);
  struct Case {
    const int32_t* exclude;
    std::vector<int32_t> candidates;
  };
  const int32_t all[] = {1, 2, 3, 55, 57, -1};
  const std::vector<Case> cases = {{nullptr, {1, 2, 3, 55, 57}},
                                   {TrainingStageExcludeList, {1, 2, 3}},
                                   {VersusStageExcludeList, {1, 2}},
                                   {all, {}}};
  for (const Case& c : cases) {
    for (int seed = 1; seed < 6; ++seed) {
      SeedRandStream(kRandCommonStream, seed);
      const RandStream saved = g_RandStreams[kRandCommonStream];
      const int32_t count = g_RandDrawCount;
      const int32_t r = RandNext();
      g_RandStreams[kRandCommonStream] = saved;
      g_RandDrawCount = count;
      int32_t stage = -5;
      uint8_t copy = 0;
      PickRandomStage(c.exclude, &stage, &copy);
      if (c.candidates.empty()) {
        EXPECT_EQ(stage, 1);
        EXPECT_EQ(g_RandDrawCount, count) << "no candidate: no draw";
      } else {
        EXPECT_EQ(stage, c.candidates[static_cast<size_t>(r) % c.candidates.size()]);
        EXPECT_EQ(g_RandDrawCount, count + 1) << "exactly one common-stream draw";
        EXPECT_EQ(g_RandLastValue, r);
      }
      EXPECT_EQ(copy, static_cast<uint8_t>(stage));
    }
  }
}

TEST_F(StageList, LoadTwiceWithoutAndWithForce) {
  WriteStage("s", OneObjectStage());
  WriteFile("Bg/BgList.ini", "[Bg_001]\r\nDataFile=s\r\n");
  ASSERT_EQ(LoadBgList(), 1);
  EXPECT_EQ(LoadStageBgFile(0 - 1, 0), 0);
  EXPECT_EQ(LoadStageBgFile(7, 0), 0);
  ASSERT_EQ(LoadStageBgFile(1, 0), 1);
  EXPECT_EQ(g_LoadedStagePath, ".\\Bg\\s.dat");
  EXPECT_EQ(g_LoadedStageBg, 1);
  g_StageBgBuilt = 1;  // what a build leaves
  ASSERT_EQ(LoadStageBgFile(1, 0), 1);
  EXPECT_EQ(g_StageBgBuilt, 1) << "the same file without force is kept";
  ASSERT_EQ(LoadStageBgFile(1, 1), 1);
  EXPECT_EQ(g_StageBgBuilt, 0) << "force reads it anew";
  ASSERT_EQ(BuildStageBg(), 1);
  EXPECT_EQ(ActiveStates(), 1);
}

// The VS screen's sequence: the loaded-path test never holds for a named stage, so the screen
// forgets the background and the loader reads it again, which brings a released stage back.
TEST_F(StageList, LoadBuildReleaseNextMatch) {
  WriteStage("s", OneObjectStage());
  WriteFile("Bg/BgList.ini", "[Bg_001]\r\nDataFile=s\r\n[Bg_002]\r\n");
  ASSERT_EQ(LoadBgList(), 1);
  EXPECT_EQ(IsStageBgLoaded(2), 1) << "an empty name with nothing loaded";
  g_MatchStage = 1;
  BattleSeamLoadStageBgFile();  // the loader's call
  EXPECT_EQ(g_LoadedStageBg, 1);
  EXPECT_EQ(IsStageBgLoaded(1), 0);
  BuildStageBg();
  EXPECT_EQ(ActiveStates(), 1);
  ReleaseStageBg();
  EXPECT_EQ(ActiveStates(), 0);
  EXPECT_EQ(g_StageBgBuilt, 1) << "release keeps the built flag";
  BuildStageBg();
  EXPECT_EQ(ActiveStates(), 0) << "a released stage stays empty until it is forgotten";
  // Next match.
  if (!IsStageBgLoaded(g_MatchStage)) ResetStageBg();
  BattleSeamLoadStageBgFile();
  BuildStageBg();
  EXPECT_EQ(ActiveStates(), 1) << "the background is back";
}

TEST_F(StageList, OnlyBlockAAtOffsetZeroShowsNothing) {
  StageFileDesc d = OneObjectStage();
  d.blockB.reset();
  AddSmallBlockA(d);
  std::vector<uint8_t> bytes = WriteStageFile(d);
  const uint32_t zero = 0;
  std::memcpy(bytes.data() + 20, &zero, 4);
  WriteFile("Bg/a0.dat", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  WriteFile("Bg/BgList.ini", "[Bg_001]\r\nDataFile=a0\r\n");
  ASSERT_EQ(LoadBgList(), 1);
  LoadStageBgFile(1, 0);
  EXPECT_EQ(SplitStageData(), 0);
  EXPECT_EQ(ActiveStates(), 0);
  EXPECT_EQ(g_StageBgData, nullptr);
}

TEST_F(StageList, ImageTexturesAndScaledSourceRectangles) {
  StageFileDesc d = OneObjectStage();
  AddSmallBlockA(d, 512);
  StageImageDesc second;
  second.number = 1;
  second.size = 128;
  second.bgra.assign(128 * 128 * 4, 0x40);
  d.images.push_back(second);
  WriteStage("a", d);
  WriteFile("Bg/BgList.ini", "[Bg_003]\r\nDataFile=a\r\n");
  ASSERT_EQ(LoadBgList(), 1);
  LoadStageBgFile(3, 0);
  BuildStageBg();
  ASSERT_EQ(StageImageTextureCount(), 2);
  vt::gfx::Texture* t = HandleTexture(StageImageTexture(0));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Width(), 512u);
  EXPECT_EQ(t->GetFormat(), vt::gfx::FMT_A8R8G8B8);
  const StagePartDef& p = *g_StageBgData->blockA->parts[0];
  EXPECT_EQ(p.sx, 32);
  EXPECT_EQ(p.sy, 64);
  EXPECT_EQ(p.sw, 128);
  EXPECT_EQ(p.sh, 96);
  EXPECT_EQ(p.width, 64) << "drawn sizes stay";
  // Stage sprites are preloaded under ((stage | 0x7000) << 16) | sprite.
  std::vector<int32_t> keys;
  for (const Han6CacheEntry& e : Han6CacheSnapshot()) keys.push_back(e.key);
  EXPECT_NE(std::find(keys.begin(), keys.end(), ((3 | 0x7000) << 16) | 1), keys.end());
  ReleaseStageBg();
  EXPECT_EQ(StageImageTextureCount(), 0);
}

TEST_F(StageList, InfoFiles) {
  struct Case {
    const char* text;
    StageInfo want;
    int lights;
  };
  auto info = [](int lights, int on, int type, int pat, int frames, int wait, int w, int h, int count,
                 int alpha) {
    StageInfo i;
    i.lightCount = lights;
    i.dropOn = on;
    i.dropType = type;
    i.patternCount = pat;
    i.frameCount = frames;
    i.wait = wait;
    i.width = w;
    i.height = h;
    i.dropCount = count;
    i.dropAlpha = alpha;
    return i;
  };
  const std::vector<Case> cases = {
      {"[Data]\r\n", info(0, 0, -1, 0, 0, 0, 0, 0, 100, 0), 0},
      {"[Data]\r\nLightNum=2\r\nLight00Pos=612\r\nLight00Power=300\r\nLight01Pos=100\r\nDropObj=1\r\n",
       info(2, 1, -1, 0, 0, 0, 0, 0, 100, 0), 2},
      {"[Data]\r\nLightNum=12\r\nDropObj=1\r\nDropObj_Type=1\r\n", info(10, 1, 1, 0, 0, 50, 0, 150, 100, 100),
       10},
      {"[Data]\r\nDropObj=1\r\nDropObj_Type=1\r\nDropObj_Max=500\r\nDropObj_Alpha=80\r\nDropObj_H=90\r\n"
       "DropObj_Wait=20\r\n",
       info(0, 1, 1, 0, 0, 20, 0, 90, 100, 80), 0},
      {"[Data]\r\nDropObj=1\r\nDropObj_Type=0\r\nDropObjFile=petal\r\nDropObj_PatNum=4\r\nDropObj_FrameNum="
       "4\r\n"
       "DropObj_Wait=6\r\nDropObj_W=32\r\nDropObj_H=32\r\nDropObj_Max=7\r\n",
       info(0, 1, 0, 4, 4, 6, 32, 32, 100, 0), 0},
      {"[Data]\r\nDropObj=1\r\nDropObj_Type=0\r\nDropObj_PatNum=0\r\n", info(0, 0, 0, 0, 0, 0, 0, 0, 100, 0),
       0},
      {"[Data]\r\nDropObj=1\r\nDropObj_Type=5\r\nDropObj_Wait=9\r\n", info(0, 1, 5, 0, 0, 0, 0, 0, 100, 0),
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    WriteFile("Bg/tInfo.txt", c.text);
    LoadStageInfo(".\\Bg\\tInfo.txt");
    const StageInfo& g = g_StageInfo;
    EXPECT_EQ(g.lightCount, c.want.lightCount);
    EXPECT_EQ(g.dropOn, c.want.dropOn);
    EXPECT_EQ(g.dropType, c.want.dropType);
    EXPECT_EQ(g.patternCount, c.want.patternCount);
    EXPECT_EQ(g.frameCount, c.want.frameCount);
    EXPECT_EQ(g.wait, c.want.wait);
    EXPECT_EQ(g.width, c.want.width);
    EXPECT_EQ(g.height, c.want.height);
    EXPECT_EQ(g.dropCount, c.want.dropCount);
    EXPECT_EQ(g.dropAlpha, c.want.dropAlpha);
    EXPECT_EQ(g_StageLightCount, c.lights);
  }
  // The lights as the battle drawing reads them, through the seam.
  WriteFile("Bg/tInfo.txt",
            "[Data]\r\nLightNum=2\r\nLight00Pos=612\r\nLight00Power=300\r\nLight01Pos=100\r\n");
  LoadStageInfo(".\\Bg\\tInfo.txt");
  BattleStageLights lights;
  ASSERT_NE(g_BattleDrawSeams.StageLights, nullptr);
  g_BattleDrawSeams.StageLights(&lights);
  ASSERT_EQ(lights.count, 2);
  EXPECT_EQ(lights.x[0], 612.0f);
  EXPECT_EQ(lights.radius[0], 300.0f);
  EXPECT_EQ(lights.x[1], 100.0f);
  EXPECT_EQ(lights.radius[1], 0.0f);
  EXPECT_EQ(lights.colouredShadows, 0);
  LoadStageInfo(".\\Bg\\missingInfo.txt");
  g_BattleDrawSeams.StageLights(&lights);
  EXPECT_EQ(lights.count, 0) << "a missing info file: no lights";
}

TEST_F(StageList, TintAndFadeSeams) {
  uint8_t rgb[3] = {};
  ASSERT_NE(g_BattleDrawSeams.TintFactors, nullptr);
  ResetStageEffectState();
  g_BattleDrawSeams.TintFactors(rgb);
  EXPECT_EQ(rgb[0], 255);
  EXPECT_EQ(rgb[2], 255);
  g_StageBlackout = 1;
  g_BattleDrawSeams.TintFactors(rgb);
  EXPECT_EQ(rgb[0] | rgb[1] | rgb[2], 0);
  g_StageBlackout = 0;
  // Frame effect 6/152 sets the stage mode (word 4) and routes the fade level to the stage.
  ResetAllBattleGlobals();
  Han6Effect e;
  e.type = 6;
  e.number = 152;
  e.params[0] = 3;
  RunFrameEffect(&g_PlayerRecords[0].obj, &e);
  EXPECT_EQ(g_BattleState[BattleStateIndex::kScreenMode], 3);
  EXPECT_EQ(g_StageFadeLevel, 255);
  e.params[0] = 2;
  RunFrameEffect(&g_PlayerRecords[0].obj, &e);
  EXPECT_EQ(g_BattleState[BattleStateIndex::kScreenMode], 2);
  EXPECT_EQ(g_StageFadeLevel, 0);
  ResetAllBattleGlobals();
}

TEST(StageInfoText, ReaderClampsWhatOverflowsItsTables) {
  IniFile ini;
  ini.LoadFromText("[Data]\r\nLightNum=-4\r\nDropObj=1\r\nDropObj_Type=1\r\nDropObj_Max=-3\r\n");
  StageInfo info;
  std::string file;
  ReadStageInfo(ini, &info, &file);
  EXPECT_EQ(info.lightCount, 0);
  EXPECT_EQ(info.dropCount, 0);
}

}  // namespace
}  // namespace vt::test
