// The quote walk: when each unit is due and how bright, new lines, the end of the text (an odd
// byte and a NUL inside a unit among them) and the Japanese widths.
#include "scene/winner_screen.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/random.h"
#include "battle/chara_list.h"
#include "scene/boot_title_fixture.h"
#include "scene/online_mode_manager.h"
#include "scene/online_standins.h"
#include "scene/scene_frame.h"

namespace {

// Two lines: "A" "B", a new line, "C"; full-width letters.
const std::string kTwoLines = std::string("\x82\x60\x82\x61\x81\xA1\x82\x62", 8);

TEST(QuoteWalk, UnitsFallDueEveryTwoFramesAndBrighten) {
  struct Case {
    int n;
    size_t units;
    int lastAlpha;
    int completeLines;
    int partial;
    int result;
  } cases[] = {
      {0, 0, 0, 0, 0, 0},      // not started
      {1, 1, 8, 0, 1, 0},      // unit 0 due at once, faint
      {2, 2, 0, 0, 2, 0},      // unit 1 due with alpha 0: it still moves the positions
      {3, 2, 8, 0, 2, 0},      //
      {5, 3, 8, 1, 0, 0},      // the new line shown counts its line complete
      {6, 4, 0, 1, 1, 1},      // the last unit due: the walk is over, the partial line complete
      {400, 4, 255, 2, 0, 1},  // alpha caps at 255
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    const QuoteWalk w = WalkWinQuoteText(kTwoLines, c.n, 80, 342, false, nullptr);
    ASSERT_EQ(w.units.size(), c.units);
    if (c.units) EXPECT_EQ(w.units.back().alpha, c.lastAlpha);
    EXPECT_EQ(w.result, c.result);
    if (c.result == 0) {
      EXPECT_EQ(w.completeLines, c.completeLines);
      EXPECT_EQ(w.partialUnits, c.partial);
    }
  }
}

TEST(QuoteWalk, PositionsAcrossANewLine) {
  const QuoteWalk w = WalkWinQuoteText(kTwoLines, 400, 80, 342, false, nullptr, 18);
  ASSERT_EQ(w.units.size(), 4u);
  // Japanese: 24 from the picture, 18 on screen.
  EXPECT_EQ(w.units[0].x, 80);
  EXPECT_EQ(w.units[0].u, 32);
  EXPECT_EQ(w.units[1].x, 98);
  EXPECT_EQ(w.units[1].u, 56);
  EXPECT_EQ(w.units[1].wd, 18);
  EXPECT_EQ(w.units[1].ws, 24);
  // After the new line: back to x and u 32, 30 lower on screen and 24 in the picture.
  EXPECT_EQ(w.units[3].x, 80);
  EXPECT_EQ(w.units[3].y, 372);
  EXPECT_EQ(w.units[3].u, 32);
  EXPECT_EQ(w.units[3].v, 24);
}

TEST(QuoteWalk, EndsInsideTheTextOnOddBytesAndNuls) {
  struct Case {
    const char* name;
    std::string text;
    size_t units;
  } cases[] = {
      {"odd length", std::string("\x82\x60\x82", 3), 1},
      {"NUL in the second byte", std::string("\x82\x60\x82\0\x82\x61", 6), 1},
      {"NUL first", std::string("\0\x82\x60", 3), 0},
      {"no quote", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QuoteWalk w = WalkWinQuoteText(c.text, 1000, 60, 338, false, nullptr);
    EXPECT_EQ(w.units.size(), c.units);
    EXPECT_EQ(w.result, 1);
  }
}

}  // namespace

namespace {

// A particle past x -512 comes back at 640 with three draws of the common stream; stream 1,
// which placed the particles, is left alone.
TEST(WinnerParticles, RespawnDrawsFromTheCommonStream) {
  SeedRandStream(1, 4);
  SeedRandStream(kRandCommonStream, 9);
  WinnerScreenState& s = GetWinnerScreen();
  for (WinnerScreenParticle& p : s.particles) p = {100.0f, 50.0f, 1.0f, 0};
  s.particles[3] = {-511.5f, 50.0f, 1.0f, 0};
  const RandStream one = g_RandStreams[1];
  RandStream common = g_RandStreams[kRandCommonStream];
  for (int i = 0; i < 3; ++i) OwnRandStreamNext(common);
  UpdateWinnerScreen();
  EXPECT_EQ(std::memcmp(&one, &g_RandStreams[1], sizeof one), 0);
  EXPECT_EQ(std::memcmp(&common, &g_RandStreams[kRandCommonStream], sizeof common), 0);
  EXPECT_EQ(s.particles[3].x, 640.0f);
  EXPECT_EQ(s.particles[0].x, 99.0f);
  EXPECT_GE(s.particles[3].speed, 0.2f);
  s = WinnerScreenState{};
}

}  // namespace

namespace {

// The "WINNER" letters drop onto y 160 one after another (each starts from where the one before
// it stands); the player label rises onto y 208 the same way.
TEST(WinnerLetters, DropAndRiseOneAfterAnother) {
  struct Case {
    float t;
    int k;
    float baseY, dy;
    float y, o;
  } cases[] = {
      {0.0f, 0, 160, -32, 128, 0},          // not yet drawn
      {0.05f, 0, 160, -32, 136, 0.5f},      // half way: 32 (1 - 0.25) above
      {0.05f, 1, 160, -32, 104, 0},         // the next one waits above the first
      {0.1f, 1, 160, -32, 136, 0.5f},       // the first has landed
      {1.0f, 5, 160, -32, 160, 1},          // all down
      {0.05f, 0, 208, 32, 232, 0.5f},       // the label rises from below
      {0.35f, 6, 208, 32, 208 + 24, 0.5f},  // its seventh letter half way
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "t " << c.t << " letter " << c.k << " base " << c.baseY);
    const WinnerLetter l = PlaceWinnerLetter(c.t, c.k, c.baseY, c.dy);
    EXPECT_NEAR(l.y, c.y, 1e-3);
    EXPECT_NEAR(l.o, c.o, 1e-4);
  }
}

// The screen drawn on the recording device from small pictures written into a fresh folder.
class WinnerScreenDraw : public boot_title_test::HarnessTest {
 protected:
  void SetUp() override {
    HarnessTest::SetUp();
    dir_ = std::filesystem::temp_directory_path() / ("winner_draw_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    using boot_title_test::WritePicture;
    const std::string f = "grp/win_qz/";
    WritePicture(f + "win_font00.png", 216, 192, 0xFFFFFFFF);
    WritePicture(f + "win_font01.png", 512, 320, 0xFFFFFFFF);
    WritePicture(f + "win_player00.png", 128, 128, 0xFFFFFFFF);
    WritePicture(f + "win_wave00.png", 512, 256, 0xFF2040A0);
    WritePicture(f + "win_chara/win_chara_0000.png", 256, 480, 0xFF808080);
    WritePicture(f + "win_name/win_name00.png", 256, 32, 0xFF808080);
    WritePicture("grp/net_vs_select/net_ranking01.png", 512, 256, 0xFF203040);
    ASSERT_EQ(LoadCharaSelectList("[CharaNo_000]\r\nName=Ayla\r\n"), 1);
    ASSERT_TRUE(Start(SCENE_OPTION));
    SetOnlineModeManager(&online_);
    SetNetMatchResultSeq(&seq_);
  }
  void TearDown() override {
    FreeWinnerScreenParts();
    FreeWinnerScreenTarget();
    GetWinnerScreen() = WinnerScreenState{};
    SetOnlineModeManager(nullptr);
    SetNetMatchResultSeq(nullptr);
    FreeCharaSelectList();
    HarnessTest::TearDown();
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }
  // Loads the screen for character 0 and draws it once at `seconds`.
  void DrawAt(int kind, float seconds) {
    WinnerScreenState& s = GetWinnerScreen();
    s.character = 0;
    s.picture = 0;
    s.labelSide = 0;
    LoadWinnerScreen(kind);
    s.frames = static_cast<int>(seconds * 60.0f + 0.5f);
    s.t = static_cast<float>(s.frames) / 60.0f;
    ResetDrawList(&g_MainDrawList);
    DrawWinnerScreen();
  }
  // The left edges of the quads queued at `priority`.
  static std::vector<float> At(int priority) {
    std::vector<float> xs;
    for (const GrpDrawCommand* c = g_MainDrawList.slots[priority].next; c && c->kind != kDrawKindHead;
         c = c->next)
      xs.push_back(std::min(c->v[0].x, c->v[1].x));
    return xs;
  }
  ScriptedOnlineModeManager online_;
  ScriptedMatchResultSeq seq_;
  std::filesystem::path dir_, old_;
};

// Kind 0 starts with the letters and shows the masked background only from 1.6 s; a draw (kind 1)
// shows the background alone, from the start.
TEST_F(WinnerScreenDraw, ElementsByKindAndTime) {
  struct Case {
    int kind;
    float t;
    bool letters, background, chara;
  } cases[] = {
      {0, 0.5f, true, false, false}, {0, 1.65f, true, true, false}, {0, 2.0f, true, true, true},
      {1, 0.5f, false, true, false}, {1, 3.0f, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " at " << c.t);
    DrawAt(c.kind, c.t);
    EXPECT_EQ(!At(572).empty(), c.letters);
    EXPECT_EQ(!At(562).empty(), c.background);
    EXPECT_EQ(!At(569).empty(), c.chara);
  }
}

// The rank plates show only in net modes 13 and 15, with each side's rank points once open.
TEST_F(WinnerScreenDraw, RankPlatesOnlyInRankModes) {
  seq_.rows.rows[0].points = 1234;
  seq_.rows.rows[1].points = 0;
  for (const int mode : {0, 12, 13, 14, 15}) {
    SCOPED_TRACE(mode);
    online_.netMode = mode;
    DrawAt(0, 3.0f);
    const bool shown = mode == 13 || mode == 15;
    std::vector<float> digits = At(574);
    std::sort(digits.begin(), digits.end());
    if (!shown) {
      EXPECT_TRUE(digits.empty());
      continue;
    }
    // 1234 centred on 129 (plate x 29 + 100): 56 wide from 101; 0 is one cell centred on 511.
    ASSERT_EQ(digits.size(), 5u);
    EXPECT_NEAR(digits[0], 101.0f, 0.5f);
    EXPECT_NEAR(digits[3], 143.0f, 0.5f);
    EXPECT_NEAR(digits[4], 504.0f, 0.5f);
  }
  // Still opening at 1.8 s: the plates, but no points yet.
  online_.netMode = 13;
  DrawAt(0, 1.8f);
  EXPECT_TRUE(At(574).empty());
  EXPECT_FALSE(At(572).empty());
}

}  // namespace
