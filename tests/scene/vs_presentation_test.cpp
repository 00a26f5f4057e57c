// The VS presentation's pieces: the clock, the panel slide, the style tables, VsInfo from the
// selections, and what is loaded for hidden sides, absent characters and a movie that will not
// open.
#include "scene/vs_presentation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "Dxtools/Dshowtool/Dshowtool.h"
#include "Sound/soundproc.h"
#include "app/app_config.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "boot_title_fixture.h"
#include "scene/scene_frame.h"

namespace {

constexpr char kList[] =
    "[CharaNo_000]\nName=Tester\nFile1=tester\n"
    "[CharaNo_001]\nName=Duelist\nFile1=duelist\n"
    "[CharaNo_007]\nName=Birch\nFile1=duelist\n";

struct VsInfoTest : ::testing::Test {
  void SetUp() override {
    LoadCharaSelectList(kList);
    for (PlayerSelection& s : g_PlayerSelections) s = PlayerSelection{};
    g_VsInfo = VsInfo{};
  }
  void TearDown() override {
    FreeCharaSelectList();
    for (PlayerSelection& s : g_PlayerSelections) s = PlayerSelection{};
  }
  static void Select(int i, int character, int side, int colour = 0, int type = 0, int controller = 0) {
    PlayerSelection& s = g_PlayerSelections[i];
    s.character = character;
    s.side = side;
    s.color = colour;
    s.type = type;
    s.controller = controller;
  }
};

TEST(VsClock, StepsFromTheMovieOrTheFrame) {
  constexpr float kStep = 1.0f / 60.0f;
  struct Row {
    const char* what;
    bool movie, playing;
    double position;
    float clock, expected;
  } rows[] = {
      {"no movie: a frame on", false, false, -1.0, 2.0f, 2.0f + kStep},
      {"no movie ignores a position", false, true, 5.0, 2.0f, 2.0f + kStep},
      {"playing movie: its position", true, true, 3.25, 2.0f, 3.25f},
      {"stopped movie jumps to the end", true, false, 1.0, 1.0f, 9.4f},
      {"unknown position: a frame on", true, true, -1.0, 4.0f, 4.0f + kStep},
  };
  for (const Row& r : rows)
    EXPECT_FLOAT_EQ(NextVsClock(r.clock, r.movie, r.playing, r.position), r.expected) << r.what;
}

TEST(VsClock, TheStillShowEndsAtFrame564) {
  // Without a movie the show is exactly 564 frames of float steps (9.4 reached with ~3e-5 over).
  FreeVsScreen();
  g_VsScreenTime = 0.0f;
  g_VsScreenFinished = 0;
  int frames = 0;
  while (UpdateVsScreen() == 0 && frames < 1000) ++frames;
  EXPECT_EQ(frames + 1, 564);
  EXPECT_NEAR(g_VsScreenTime, 9.4f, 1e-4f);
  // Finished stays set.
  UpdateVsScreen();
  EXPECT_EQ(g_VsScreenFinished, 1);
}

TEST(VsPanelSlide, RowsEnterFromOneSideAndLeaveTowardsTheOther) {
  struct Row {
    int side, row;
    float n;
    float offset, alpha;
  } rows[] = {
      {0, 0, -0.01f, -360.0f, 0.0f},  {1, 0, -0.01f, 360.0f, 0.0f},   // not yet in
      {0, 1, 0.0f, -360.0f, 0.0f},    {1, 1, 0.0f, 360.0f, 0.0f},     // row 1 starts 0.01 later
      {0, 0, 0.05f, -180.0f, 255.0f}, {1, 0, 0.05f, 180.0f, 255.0f},  // half way in (symmetric ease)
      {0, 0, 0.5f, 0.0f, 255.0f},     {1, 3, 0.5f, 0.0f, 255.0f},     // resting
      {0, 0, 1.0f, 360.0f, 0.0f},     {1, 0, 1.0f, -360.0f, 0.0f},    // gone to the other side
  };
  for (const Row& r : rows) {
    const VsPanelSlide s = CalcVsPanelSlide(r.side, r.row, r.n);
    EXPECT_NEAR(s.offset, r.offset, 0.5f) << "side " << r.side << " row " << r.row << " n " << r.n;
    EXPECT_NEAR(s.alpha, r.alpha, 0.5f) << "side " << r.side << " row " << r.row << " n " << r.n;
  }
  // On the way out (d = 0.92) the row has left part of the way and faded as much: moving towards
  // +360 on side 0 and -360 on side 1.
  for (int side = 0; side < 2; ++side) {
    const VsPanelSlide s = CalcVsPanelSlide(side, 0, 0.92f);
    EXPECT_GT(s.alpha, 0.0f);
    EXPECT_LT(s.alpha, 255.0f);
    EXPECT_EQ(s.offset > 0.0f, side == 0);
    EXPECT_NEAR(std::fabs(s.offset) / 360.0f, 1.0f - s.alpha / 255.0f, 1e-3f);
  }
}

TEST(VsStyleTables, TypeToPictures) {
  struct Row {
    int type, art, list;
  } rows[] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 0, 0},  {5, 0, 0},
              {6, 0, 0}, {7, 0, 0}, {8, 2, 3}, {9, 3, 3}, {-1, 0, 0}, {10, 0, 0}};
  for (const Row& r : rows) {
    EXPECT_EQ(VsStyleIndex(r.type), r.art) << r.type;
    EXPECT_EQ(VsCommandListIndex(r.type), r.list) << r.type;
  }
}

TEST_F(VsInfoTest, SlotsBySideWithTheHiddenOne) {
  struct Row {
    const char* what;
    int side0, side1, hidden;
    int slotChara[2];
    int slotHidden[2];
    int slotSide[2];
  } rows[] = {
      {"sides in order, nobody hidden", 0, 1, -1, {0, 1}, {0, 0}, {0, 1}},
      {"sides swapped", 1, 0, -1, {1, 0}, {0, 0}, {1, 0}},
      {"slot 1 hidden", 0, 1, 1, {0, 1}, {0, 1}, {0, 1}},
      {"slot 0 hidden, sides swapped", 1, 0, 0, {1, 0}, {1, 0}, {1, 0}},
      // Both on one side: slots 0 and 1 in selection order, none left empty.
      {"both on side 0", 0, 0, -1, {0, 1}, {0, 0}, {0, 1}},
      {"both on side 1", 1, 1, -1, {0, 1}, {0, 0}, {0, 1}},
      {"side out of range", 5, 1, -1, {0, 1}, {0, 0}, {0, 1}},
  };
  for (const Row& r : rows) {
    Select(0, 0, r.side0, 3, 8, 0);
    Select(1, 1, r.side1, 5, 2, 1);
    BuildVsInfo(r.hidden);
    EXPECT_EQ(g_VsInfo.count, 2u) << r.what;
    for (int slot = 0; slot < 2; ++slot) {
      const VsInfoEntry& e = g_VsInfo.entries[slot];
      const int k = r.slotSide[slot];
      EXPECT_EQ(e.character, r.slotChara[slot]) << r.what << " slot " << slot;
      EXPECT_EQ(e.hidden, r.slotHidden[slot]) << r.what << " slot " << slot;
      EXPECT_EQ(e.slotSide, k) << r.what << " slot " << slot;
      EXPECT_EQ(e.colour, k == 0 ? 3 : 5) << r.what;
      EXPECT_EQ(e.type, k == 0 ? 8 : 2) << r.what;
      EXPECT_EQ(e.controller, k) << r.what;
      EXPECT_STREQ(e.name, k == 0 ? "Tester" : "Duelist") << r.what;
    }
    for (int slot = 2; slot < 4; ++slot) EXPECT_EQ(g_VsInfo.entries[slot].character, 0) << r.what;
  }
}

TEST_F(VsInfoTest, AbsentCharacterHasNoNameAndSpecialFormShowsCharacterOne) {
  Select(0, 42, 0);  // no entry 42 in the list
  Select(1, 7, 1);
  g_PlayerSelections[1].overrideMode = 1;
  BuildVsInfo(-1);
  EXPECT_EQ(g_VsInfo.entries[0].character, 42);
  EXPECT_STREQ(g_VsInfo.entries[0].name, "");
  EXPECT_EQ(g_VsInfo.entries[1].character, 1);
  EXPECT_STREQ(g_VsInfo.entries[1].name, "Duelist");
}

// Loading from pictures written into the working folder, on the recording device.
class VsLoadTest : public boot_title_test::HarnessTest {
 protected:
  void SetUp() override {
    HarnessTest::SetUp();
    dir_ = std::filesystem::temp_directory_path() / ("vs_load_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    using boot_title_test::WritePicture;
    const std::string f = "grp/vsdemo_QZ/";
    for (const char* chara : {"00", "01", "99"}) {
      WritePicture(f + "vs_name01/vs_name01_" + chara + ".png", 256, 32, 0xFF102030);
      WritePicture(f + "vs_name00/vs_name00_" + chara + ".png", 512, 48, 0xFF102030);
    }
    for (const char* chara : {"00", "01"}) {
      WritePicture(f + "vs_cut/vs_cut" + chara + ".png", 256, 512, 0xFF204060);
      WritePicture(f + "vs_flash/vs_fl" + chara + ".png", 512, 512, 0xFFFFFFFF);
      WritePicture(f + "vs_color/vs_chcolor" + chara + ".png", 256, 256, 0xFF808080);
      WritePicture("grp/c_sel_QZ/Chara/csel_c" + std::string(chara) + ".png", 512, 512, 0xFF406080);
    }
    WritePicture(f + "vs_command/eng/vs_com00_3.png", 512, 80, 0xFF000000);
    WritePicture(f + "vs_command/eng/vs_com01_0.png", 512, 80, 0xFF000000);
    WritePicture(f + "vs_command/eng/vs_com99_0.png", 512, 80, 0xFF000000);
    WritePicture("dat/vs_nomovieBG.png", 640, 480, 0xFF300030);
    std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / "bgm", "bgm",
                          std::filesystem::copy_options::recursive);
    LoadCharaSelectList(kList);
    ASSERT_TRUE(Start(SCENE_OPTION));
    LoadBgmList();
  }
  void TearDown() override {
    FreeVsScreen();
    FreeCharaSelectList();
    for (PlayerSelection& s : g_PlayerSelections) s = PlayerSelection{};
    g_AppConfig.NoVsMovie = 0;
    HarnessTest::TearDown();
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_, old_;
};

TEST_F(VsLoadTest, HiddenSideTakesThe99PicturesAndAnAbsentCharacterNone) {
  g_PlayerSelections[0] = PlayerSelection{};
  g_PlayerSelections[0].character = 0;
  g_PlayerSelections[0].type = 8;  // command list 3
  g_PlayerSelections[1].character = 1;
  g_PlayerSelections[1].side = 1;
  g_AppConfig.NoVsMovie = 1;
  BuildVsInfo(1);
  LoadVsScreen();
  const VsSidePictures& open = GetVsSidePictures(0);
  const VsSidePictures& hidden = GetVsSidePictures(1);
  EXPECT_NE(open.commandList, nullptr);    // vs_com00_3
  EXPECT_NE(hidden.name, nullptr);         // vs_name01_99
  EXPECT_NE(hidden.plate, nullptr);        // vs_name00_99
  EXPECT_NE(hidden.commandList, nullptr);  // vs_com99_0 (there is no vs_com01_1 or _0 needed)
  EXPECT_NE(hidden.portrait, nullptr);     // drawn black, but its own
  FreeVsScreen();

  // An absent character (not in the list) opens no file under a made-up number.
  g_PlayerSelections[1].character = 42;
  BuildVsInfo(-1);
  LoadVsScreen();
  const VsSidePictures& absent = GetVsSidePictures(1);
  for (TextureHandle* t : {absent.name, absent.plate, absent.commandList, absent.portrait, absent.flash,
                           absent.cut, absent.colourStrip})
    EXPECT_EQ(t, nullptr);
  EXPECT_NE(GetVsSidePictures(0).portrait, nullptr);
}

TEST_F(VsLoadTest, AMovieThatWillNotOpenGivesTheStill) {
  // No dat/dat_m_vs.d in the folder and the setting off: the still background and music 84, as
  // with the setting on.
  g_PlayerSelections[0].character = 0;
  g_PlayerSelections[1].character = 1;
  g_PlayerSelections[1].side = 1;
  for (int setting : {0, 1}) {
    g_AppConfig.NoVsMovie = setting;
    BuildVsInfo(-1);
    LoadVsScreen();
    EXPECT_FALSE(VsScreenHasMovie()) << setting;
    EXPECT_NE(GetVsStillBackground(), nullptr) << setting;
    FreeVsScreen();
  }
}

}  // namespace
