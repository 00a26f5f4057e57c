// The character select's screen on the recording device: the grid's reveal and when the select
// opens, the colour lists' places, the time text with its colours and its run to 0 (and a
// select without a limit, which must never reach 0), the style disks' states, the English
// legend, missing sheets, characters the list lacks or adds, the common stream's draws in their
// order, and the ranking screen's form of the background.
#include "scene/select_screen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Dxtools/Text/system_font.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/chara_list.h"
#include "scene/scene_fixture.h"
#include "scene/select_screen_layout.h"
#include "scene/stage_select.h"
#include "support/test_util.h"

namespace {

namespace fs = std::filesystem;
namespace L = select_layout;
using vt::test::ReadFile;
using vt::test::WriteFile;

struct Queued {
  int priority;
  const GrpDrawCommand* c;
};

std::vector<Queued> QueuedCommands() {
  std::vector<Queued> out;
  GrpDrawCommand* slots = g_MainDrawList.slots;
  for (uint32_t p = 0; p < slots[0].slotCount; ++p)
    for (const GrpDrawCommand* c = slots[p].next; c != nullptr && c->kind != kDrawKindHead; c = c->next)
      out.push_back({static_cast<int>(p), c});
  return out;
}

int CountWith(const std::vector<Queued>& q, TextureHandle* sheet, int priority = -1) {
  int n = 0;
  for (const Queued& e : q)
    if (e.c->texture == HandleTexture(sheet) && (priority < 0 || e.priority == priority)) ++n;
  return n;
}

// A 24-bit BMP of one colour, for sheets whose size alone tells them apart.
std::string Bmp(int w, int h) {
  const int row = (w * 3 + 3) & ~3;
  std::string b(54 + row * h, '\0');
  auto put32 = [&b](size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<uint32_t>(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  b[26] = 1;
  b[28] = 24;
  for (size_t i = 54; i < b.size(); ++i) b[i] = static_cast<char>(0x80);
  return b;
}

const char* kSampleSheets = "grp/C_Sel_QZ";

class SelectScreen : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    battle_test::ResetWorld();
    scene_test::ResetSceneWords();
    FillDefaultGameData(config_);
    g_GameData = &config_;
    vt::SetDebugQuiet(true);
    for (int s = 0; s < 2; ++s) {
      g_CharaSelectSides[s] = CharaSelectSide{};
      g_CharaSelectSides[s].controller = s;
      g_CharaSelectSides[s].character = s == 0 ? 0 : 11;
      g_CharaSelectSides[s].cursorCell = FindRosterCell(s == 0 ? 0 : 11);
      ResetStyleDisk(disks_[s], s);
      frame_.disks[s] = &disks_[s];
      frame_.colourLists[s] = &lists_[s];
      TurnColourList(lists_[s], 0);
      TurnColourList(lists_[s], 0);
    }
    g_SelectTimeLimit = -1.0f;
    g_SelectExitFade = 0.0f;
    g_SelectOpeningFadeIn = 0.0f;
  }
  void TearDown() override {
    FreeCharaSelectScreen();
    FreeStageSelect();
    FreeCharaSelectList();
    vt::SetDebugQuiet(false);
    g_GameData = nullptr;
    g_SelectTimeLimit = -1.0f;
    g_SelectGridReady = false;
    scene_test::ResetSceneWords();
    battle_test::ResetWorld();
    RecordingGfx::TearDown();
  }
  static void CopySampleSheets() {
    fs::create_directories("grp");
    fs::copy(fs::path(VT_SAMPLE_DIR) / kSampleSheets, kSampleSheets, fs::copy_options::recursive);
  }
  static void LoadFullList() {
    ASSERT_EQ(LoadCharaSelectList(ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt")),
              kRosterCharacterCount);
  }
  // One screen frame as the scene runs it: update, then (when asked) a fresh draw.
  void Frame(bool draw = false) {
    frame_.frame = frameNumber_++;
    UpdateCharaSelectScreen(frame_);
    if (draw) {
      ResetDrawList(&g_MainDrawList);
      DrawCharaSelectScreen(frame_);
    }
  }
  void RunUntilReady() {
    for (int i = 0; i < 200 && !g_SelectGridReady; ++i) Frame();
    ASSERT_TRUE(g_SelectGridReady);
  }

  GameData config_{};
  CharaSelectScreenFrame frame_;
  StyleDisk disks_[2];
  ColourList lists_[2];
  int frameNumber_ = 0;
};

TEST_F(SelectScreen, GridOpensOnlyOnceTheLastCellIsClear) {
  LoadCharaSelectScreen(0);
  g_SelectTimeLimit = 20.0f;
  int readyFrame = -1;
  for (int f = 0; f < 200 && readyFrame < 0; ++f) {
    Frame();
    float most = 0.0f;
    for (const RosterCell& c : GetCharaSelectScreen().grid) most = std::max(most, c.coverAlpha);
    if (g_SelectGridReady) {
      readyFrame = f;
      EXPECT_EQ(most, 0.0f) << "ready while a cell is still covered";
    } else {
      // Nothing runs before the grid opens: the time limit and the time's fade-in stand still.
      EXPECT_EQ(g_SelectTimeLimit, 20.0f);
      EXPECT_EQ(g_SelectOpeningFadeIn, 0.0f);
      if (f == 89) {
        // The last cells (order 14) have not begun to lift yet: the clock reaches 60 a frame later.
        for (const RosterCell& c : GetCharaSelectScreen().grid)
          if (c.revealOrder == 14) EXPECT_EQ(c.coverAlpha, 1.0f) << c.cell;
      }
      if (f < 30)
        for (const RosterCell& c : GetCharaSelectScreen().grid) EXPECT_EQ(c.coverAlpha, 1.0f);
    }
  }
  EXPECT_GE(readyFrame, 108);
  EXPECT_LE(readyFrame, 111);
  // The first frame after the reveal the limit starts to run.
  Frame();
  EXPECT_LT(g_SelectTimeLimit, 20.0f);
}

TEST_F(SelectScreen, ColourListPlaces) {
  struct Row {
    int side, p;
    float x, y, grey;
  };
  const Row rows[] = {
      {0, 0, -128, 290, 255}, {0, 5, -108, 370, 255}, {0, 6, -112, 293, 127.5f}, {0, 35, -28, 385, 42.5f},
      {1, 0, 464, 290, 255},  {1, 5, 444, 370, 255},  {1, 6, 448, 293, 127.5f},  {1, 35, 364, 385, 42.5f},
  };
  for (const Row& r : rows) {
    const ColourListPlace p = ColourListPlaceOf(r.side, r.p);
    EXPECT_EQ(p.x, r.x) << r.side << "/" << r.p;
    EXPECT_EQ(p.y, r.y) << r.side << "/" << r.p;
    EXPECT_FLOAT_EQ(p.grey, r.grey) << r.side << "/" << r.p;
  }
}

TEST_F(SelectScreen, OpenColourListDrawsEachColourAtItsPlace) {
  CopySampleSheets();
  LoadFullList();
  LoadCharaSelectScreen(0);
  RunUntilReady();
  // Side 1 browses colour 8 (group 1, which takes places 0..5); side 0 stays in its character.
  g_CharaSelectSides[1].phase = 2;
  g_CharaSelectSides[1].colour = 8;
  TurnColourList(lists_[1], 8);
  for (int i = 0; i < 80; ++i) Frame();
  EXPECT_EQ(lists_[1].slide, 1.0f);
  EXPECT_EQ(lists_[1].transition, 0.0f);
  EXPECT_EQ(lists_[1].timer, 32);
  EXPECT_EQ(lists_[0].slide, 0.0f);
  ResetDrawList(&g_MainDrawList);
  DrawCharaSelectScreen(frame_);
  TextureHandle* parts = g_CharaSelectPartsTexture.texture;
  ASSERT_NE(parts, nullptr);
  struct Want {
    int colour;
    float x, y;
    int priority;
    bool chosen;
  };
  // Colour 8 stands at place 2 and out 32 pixels towards the middle; colour 6 leads the list;
  // colour 0 (group 0) follows the last group, at places 30..35.
  const Want wants[] = {
      {8, 456 - 32, 322, 352, true}, {6, 464, 290, 352, false}, {0, (2 * 5 + 116 - 30) * 4, 305, 347, false}};
  for (const Want& w : wants) {
    int found = 0;
    const float barY = static_cast<float>(L::kBarY + (2 + (w.chosen ? 1 : 0)) * L::kBarH);
    for (const Queued& q : QueuedCommands()) {
      if (q.c->texture != HandleTexture(parts) || q.priority != w.priority) continue;
      if (q.c->v[0].x == w.x && q.c->v[0].y == w.y && q.c->v[1].x - q.c->v[0].x == L::kBarW) {
        ++found;
        // The bar's source row: side 1's, chosen or not.
        EXPECT_NEAR(q.c->v[0].v * 256.0f, barY, 1.0f) << w.colour;
      }
    }
    EXPECT_EQ(found, 1) << "colour " << w.colour;
  }
}

TEST_F(SelectScreen, TimeTextAndColours) {
  struct Row {
    float seconds;
    const char* text;
    uint32_t colour;  // at alpha 1
  };
  const Row rows[] = {
      {20.0f, "20.00", 0xFFFFFFFFu}, {10.0f, "10.00", 0xFFFFFFFFu}, {9.5f, "09.50", 0xFFFF7F7Fu},
      {9.0f, "09.00", 0xFFFF0000u},  {5.0f, "05.00", 0xFFFF0000u},  {4.75f, "04.75", 0xFFFF7F7Fu},
      {4.25f, "04.25", 0xFFFF7F7Fu}, {0.0f, "00.00", 0xFFFF0000u},  {150.0f, "99.99", 0xFFFFFFFFu},
  };
  for (const Row& r : rows) {
    char text[8];
    FormatSelectTime(r.seconds, text);
    EXPECT_STREQ(text, r.text) << r.seconds;
    EXPECT_EQ(SelectTimeColour(r.seconds, 1.0f), r.colour) << r.seconds;
  }
  EXPECT_EQ(SelectTimeColour(20.0f, 0.0f) >> 24, 0u);
}

TEST_F(SelectScreen, TwentySecondsRunOutOnTheFrameTheFloatStepsGive) {
  LoadCharaSelectScreen(0);
  RunUntilReady();
  // The frames the limit takes, counted with the same float steps (not assumed to be 1200).
  int expected = 0;
  for (float t = 20.0f; t > 0.0f; ++expected) t = std::max(0.0f, t - 1.0f / 60.0f);
  g_SelectTimeLimit = 20.0f;
  int frames = 0;
  while (g_SelectTimeLimit > 0.0f && frames < 2000) {
    Frame();
    ++frames;
  }
  EXPECT_EQ(frames, expected);
  EXPECT_EQ(g_SelectTimeLimit, 0.0f);
  Frame();
  EXPECT_EQ(g_SelectTimeLimit, 0.0f) << "the limit stops at 0";
  // A box stops the clock.
  g_SelectTimeLimit = 5.0f;
  frame_.boxOpen = true;
  for (int i = 0; i < 10; ++i) Frame();
  EXPECT_EQ(g_SelectTimeLimit, 5.0f);
}

TEST_F(SelectScreen, NoLimitShowsTheInfinityPieceAndNeverReachesZero) {
  CopySampleSheets();
  LoadCharaSelectScreen(0);
  RunUntilReady();
  g_SelectTimeLimit = -1.0f;
  for (int i = 0; i < 300; ++i) Frame();
  // Taken down to 0 it would decide for every side as soon as the grid opened.
  EXPECT_EQ(g_SelectTimeLimit, -1.0f);
  EXPECT_EQ(g_SelectOpeningFadeIn, 1.0f);
  ResetDrawList(&g_MainDrawList);
  DrawCharaSelectScreen(frame_);
  TextureHandle* parts = g_CharaSelectPartsTexture.texture;
  int infinity = 0, digits = 0;
  for (const Queued& q : QueuedCommands()) {
    if (q.c->texture != HandleTexture(parts) || q.priority != 456) continue;
    const float sy = q.c->v[0].v * 256.0f;
    if (q.c->v[0].y == 352 && q.c->v[1].x - q.c->v[0].x == L::kInfinity.w) ++infinity;
    if (q.c->v[0].y == 352 && std::abs(sy - L::kTimeDigitY) < 1.0f &&
        q.c->v[1].x - q.c->v[0].x == L::kTimeDigitW)
      ++digits;
  }
  EXPECT_EQ(infinity, 1);
  EXPECT_EQ(digits, 0);
  // With a limit the five characters of "20.00" replace it.
  g_SelectTimeLimit = 20.0f;
  ResetDrawList(&g_MainDrawList);
  DrawCharaSelectScreen(frame_);
  digits = 0;
  for (const Queued& q : QueuedCommands())
    if (q.c->texture == HandleTexture(parts) && q.c->v[0].y == 352 &&
        q.c->v[1].x - q.c->v[0].x == L::kTimeDigitW)
      ++digits;
  EXPECT_EQ(digits, 5);
}

TEST_F(SelectScreen, StyleDiskStates) {
  LoadCharaSelectScreen(0);
  StyleDisk& d = disks_[0];
  EXPECT_EQ(d.x, 151.0f);
  EXPECT_EQ(disks_[1].x, 489.0f);
  EXPECT_EQ(d.y, 50.0f);
  // Shown: appears over 16 frames.
  d.state = kStyleDiskShown;
  d.spin = 1.0f;
  for (int i = 0; i < 11; ++i) Frame();
  EXPECT_GT(d.spin, 0.0f);
  for (int i = 0; i < 4; ++i) Frame();
  EXPECT_LT(d.appear, 1.0f);
  Frame();
  EXPECT_EQ(d.appear, 1.0f);
  EXPECT_EQ(d.easedAppear, 1.0f);
  EXPECT_NEAR(d.spin, 0.0f, 1e-6f) << "the spin settles in 12 frames";
  // Decided: it flashes and shrinks away over 30 frames, then bursts.
  d.state = kStyleDiskDecided;
  Frame();
  EXPECT_NEAR(d.flash, 1.0f - 1.0f / 30.0f, 1e-6f);
  int frames = 1;
  while (d.state == kStyleDiskDecided && frames < 100) {
    Frame();
    ++frames;
  }
  EXPECT_EQ(d.state, 1000);
  EXPECT_GE(frames, 30);
  EXPECT_LE(frames, 31);
  EXPECT_EQ(d.appear, 0.0f);
  // The burst runs its 15 frames at one per two screen frames, then the second flash.
  frames = 0;
  while (d.state == 1000 && frames < 100) {
    Frame();
    ++frames;
  }
  EXPECT_EQ(d.state, 1001);
  EXPECT_EQ(frames, 30);
  EXPECT_NEAR(d.secondFlash, 1.0f, 1e-6f);
  // Hidden: the other disk, once shown, leaves over 16 frames.
  disks_[1].state = kStyleDiskShown;
  for (int i = 0; i < 16; ++i) Frame();
  disks_[1].state = kStyleDiskHidden;
  for (int i = 0; i < 16; ++i) Frame();
  EXPECT_EQ(disks_[1].appear, 0.0f);
}

TEST_F(SelectScreen, EnglishLanguageLoadsTheEnglishLegend) {
  fs::create_directories("grp/c_sel_QZ");
  WriteFile("grp/c_sel_QZ/csel_Style00.bmp", Bmp(16, 8));
  WriteFile("grp/c_sel_QZ/csel_Style00_eng.bmp", Bmp(32, 8));
  const struct {
    int language;
    uint32_t width;
  } rows[] = {{1, 32}, {0, 16}};
  for (const auto& r : rows) {
    config_.SELECT_LANGUAGE = r.language;
    LoadCharaSelectScreen(0);
    TextureHandle* legend = GetCharaSelectScreen().sheets.styleLegend;
    ASSERT_NE(legend, nullptr) << r.language;
    EXPECT_EQ(HandleTexture(legend)->Width(), r.width) << r.language;
    EXPECT_EQ(HandleTexture(GetCharaSelectScreen().sheets.styleLabels)->Width(), r.width) << r.language;
  }
  // The ranking screen's form has no legend.
  LoadCharaSelectScreen(1);
  EXPECT_EQ(GetCharaSelectScreen().sheets.styleLegend, nullptr);
}

TEST_F(SelectScreen, MissingSheetsDrawNothing) {
  LoadFullList();
  LoadCharaSelectScreen(0);
  RunUntilReady();
  // Everything that can show: panels, disks, an open colour list, a running time.
  g_SelectTimeLimit = 8.0f;
  g_CharaSelectSides[0].phase = 2;
  g_CharaSelectSides[1].phase = 1;
  disks_[1].state = kStyleDiskShown;
  for (int i = 0; i < 60; ++i) Frame();
  ResetDrawList(&g_MainDrawList);
  DrawCharaSelectScreen(frame_);
  // No plain quads stand in for missing pictures (the fades are over by now).
  EXPECT_TRUE(QueuedCommands().empty())
      << QueuedCommands().size() << " commands, first at priority " << QueuedCommands()[0].priority;
  // The fades are drawn without a sheet all the same.
  g_SelectExitFade = 0.5f;
  ResetDrawList(&g_MainDrawList);
  DrawCharaSelectScreen(frame_);
  const auto q = QueuedCommands();
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(q[0].priority, 512);
  EXPECT_EQ(q[0].c->v[0].diffuse, 0x7FFFFFFFu);
}

TEST_F(SelectScreen, IconTable) {
  const struct {
    int character, icon;
  } rows[] = {{0, 0},   {15, 15}, {16, 33}, {17, 16}, {20, 19}, {21, -1}, {22, 20},
              {23, 21}, {25, 23}, {28, 22}, {29, 24}, {33, 28}, {34, 31}, {35, 32},
              {51, 34}, {99, 29}, {36, -1}, {-1, -1}, {-5, -1}, {199, -1}};
  for (const auto& r : rows) EXPECT_EQ(SelectIconNumber(r.character), r.icon) << r.character;
}

TEST_F(SelectScreen, CharactersTheListLacksDrawTheNoIconSquare) {
  CopySampleSheets();
  // The sample list without character 7 (cell 3) and with a character 199 the grid never names.
  std::string list = ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt");
  const size_t at = list.find("[CharaNo_007]");
  ASSERT_NE(at, std::string::npos);
  const size_t next = list.find("[CharaNo_", at + 1);
  list.erase(at, next == std::string::npos ? std::string::npos : next - at);
  list += "\r\n[CharaNo_199]\r\nName=Far\r\nFile1=tester\r\nFile2=0\r\n";
  ASSERT_GT(LoadCharaSelectList(list), 0);
  ASSERT_FALSE(IsRosterCharacterPresent(7));
  LoadCharaSelectScreen(0);
  // Side 0's cursor stands on the missing character's cell.
  g_CharaSelectSides[0].cursorCell = 3;
  RunUntilReady();
  ResetDrawList(&g_MainDrawList);
  DrawCharaSelectScreen(frame_);
  const auto q = QueuedCommands();
  TextureHandle* icons = GetCharaSelectScreen().sheets.icons;
  // Every other grid character and the random cell draw an icon; side 1's cursor cell adds its
  // highlighted icon, side 0's (on the missing character) none.
  EXPECT_EQ(CountWith(q, icons, 356), kRosterCharacterCount - 1 + 1);
  EXPECT_EQ(CountWith(q, icons, 357), 1);
  int squares = 0;
  const RosterCell& cell = GetCharaSelectScreen().grid[3];
  for (const Queued& e : q)
    if (e.c->texture == nullptr && e.priority == 356) {
      ++squares;
      EXPECT_EQ(e.c->v[0].x, cell.x + 12);
      EXPECT_EQ(e.c->v[0].y, cell.y + 20);
      EXPECT_EQ(e.c->v[1].x - e.c->v[0].x, 24.0f);
      EXPECT_EQ(e.c->v[0].diffuse >> 24, 0x7Fu);
    }
  EXPECT_EQ(squares, 1);
  // Both cursors are drawn, side 0's too.
  EXPECT_EQ(CountWith(q, g_CharaSelectCursorTexture.texture), 4);
}

TEST_F(SelectScreen, CommonStreamDrawsInOrder) {
  LoadCharaSelectScreen(0);
  SeedRandStream(kRandCommonStream, 1234);
  const int32_t before = g_RandDrawCount;
  // The first frame starts a particle: strip, x, y, hold, speed, sign.
  RandStream copy = g_RandStreams[kRandCommonStream];
  int32_t v[6];
  for (int32_t& x : v) x = OwnRandStreamNext(copy);
  Frame();
  EXPECT_EQ(g_RandDrawCount - before, 6);
  const SelectParticle& p = GetCharaSelectScreen().particles[0];
  EXPECT_EQ(p.row, v[0] % 7);
  EXPECT_EQ(p.x, static_cast<float>(v[1] % 640) + p.speed);
  EXPECT_EQ(p.y, static_cast<float>(150 + v[2] % 298));
  EXPECT_EQ(p.holdFrames, 30 + v[3] % 60);
  EXPECT_FLOAT_EQ(std::abs(p.speed), 0.25f + static_cast<float>(v[4] % 76) / 100.0f);
  EXPECT_EQ(p.speed < 0.0f, v[5] % 2 != 0);
  // Frames 1..89 draw only at frame 40 and 80; the spark countdown's 90th frame adds a spark's
  // three draws and the next countdown.
  for (int f = 1; f < 89; ++f) Frame();
  EXPECT_EQ(g_RandDrawCount - before, 18);
  Frame();
  EXPECT_EQ(g_RandDrawCount - before, 22);
}

TEST_F(SelectScreen, RankingFormIsBackgroundAndChainsOnly) {
  CopySampleSheets();
  LoadCharaSelectScreen(1);
  const int32_t before = g_RandDrawCount;
  for (int i = 0; i < 320; ++i) Frame();
  EXPECT_EQ(g_RandDrawCount, before) << "the ranking screen must leave the common stream alone";
  EXPECT_FALSE(g_SelectGridReady);
  ResetDrawList(&g_MainDrawList);
  DrawCharaSelectScreen(frame_);
  const auto q = QueuedCommands();
  ASSERT_FALSE(q.empty());
  int chains = 0;
  for (const Queued& e : q) {
    EXPECT_TRUE(e.priority == 256 || e.priority == 257 || e.priority == 261 || e.priority == 264)
        << e.priority;
    chains += e.priority == 261;
  }
  EXPECT_GE(chains, 7);
  const CharaSelectScreen& s = GetCharaSelectScreen();
  EXPECT_EQ(s.background.scrollA, 160.0f);
  EXPECT_EQ(s.background.scrollB, 180.0f);
  EXPECT_EQ(s.background.brightness, 1.0f);
  EXPECT_EQ(s.chainAlpha, 1.0f);
}

TEST_F(SelectScreen, OpeningCoverIsBlackUntilItFades) {
  LoadCharaSelectScreen(0);
  // The opening: a black cover at full alpha on the first frame (no challenger).
  ResetDrawList(&g_MainDrawList);
  DrawCharaSelectScreen(frame_);
  auto q = QueuedCommands();
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(q[0].priority, 512);
  EXPECT_EQ(q[0].c->v[0].diffuse, 0xFF000000u);
  for (int i = 0; i < 30; ++i) Frame();
  EXPECT_EQ(GetCharaSelectScreen().background.openingFade, 0.0f);
}

TEST_F(SelectScreen, OperatorTexts) {
  // The second system font with 8-pixel cells, 16 to a row: a glyph's source cell names it.
  namespace text = vt::text;
  const text::SystemFont saved = text::g_SystemFonts[1];
  text::SystemFont& font = text::g_SystemFonts[1];
  font = text::SystemFont{};
  font.defaultWidth = 8;
  for (int& w : font.widths) w = 8;
  font.FontWidth = font.FontHeight = 8;
  font.FontWidthNum = 16;
  font.TexWidth = font.TexHeight = 128;
  TextureHandle* fontTexture = SolidTexture(128, 128, 0xFFFFFFFFu);
  font.texture = fontTexture;
  struct Line {
    int y;
    const char* text;
  };
  const struct {
    int configMode, stageLimitWord;
    std::vector<Line> lines;
  } rows[] = {
      {0, 0, {}},
      {1, 0, {{454, "EVENT MODE"}}},
      {2, 0, {{454, "VS 3WIN LIMIT"}}},
      {5, 0, {{454, "VS 10WIN LIMIT"}}},
      // Kept as it stands: the word is one a valid record holds at 0; were it set, the line
      // would show and push the mode's line up.
      {3, 1, {{454, "5 STAGE LIMIT"}, {436, "VS 5WIN LIMIT"}}},
      {0, 1, {{454, "5 STAGE LIMIT"}}},
  };
  LoadCharaSelectScreen(0);
  for (int i = 0; i < 40; ++i) Frame();
  for (const auto& r : rows) {
    config_.ConfigMode = r.configMode;
    config_.reserved = r.stageLimitWord;
    std::map<int, std::string> drawn;
    std::map<int, int> firstX;
    text::SetSysFontSpriteSink([&](const text::SysGlyphSprite& g) {
      EXPECT_EQ(g.priority, 900 + 256);
      if (!firstX.count(g.y)) firstX[g.y] = g.x;
      drawn[g.y] += static_cast<char>(32 + g.sy / 8 * 16 + g.sx / 8);
    });
    ResetDrawList(&g_MainDrawList);
    DrawCharaSelectScreen(frame_);
    text::SetSysFontSpriteSink(nullptr);
    EXPECT_EQ(drawn.size(), r.lines.size()) << r.configMode << "/" << r.stageLimitWord;
    for (const Line& l : r.lines) {
      std::string want = l.text;
      std::erase(want, ' ');
      std::string got = drawn[l.y];
      std::erase(got, ' ');
      EXPECT_EQ(got, want) << l.text;
      // Centred on x 320 with an advance of 11.
      EXPECT_NEAR(firstX[l.y], 320 - static_cast<int>(std::strlen(l.text)) * 11 / 2, 3) << l.text;
    }
  }
  text::g_SystemFonts[1] = saved;
  FreeTexture(fontTexture);
}

TEST_F(SelectScreen, ChallengerOpeningSplitsTheLastBattlePicture) {
  ASSERT_EQ(CreateFrameRenderTargets(), 1);
  ASSERT_NE(g_CaptureTarget, nullptr);
  LoadCharaSelectScreen(0);
  const struct {
    uint8_t challenge;
    int quarters;
  } rows[] = {{0, 0}, {255, 0}, {1, 4}};
  for (const auto& r : rows) {
    g_ChallengeState = r.challenge;
    GetCharaSelectScreen().background.openingFade = 0.5f;
    ResetDrawList(&g_MainDrawList);
    DrawCharaSelectScreen(frame_);
    const auto q = QueuedCommands();
    EXPECT_EQ(CountWith(q, g_CaptureTarget, 456), r.quarters) << int(r.challenge);
    // Otherwise the black cover.
    int covers = 0;
    for (const Queued& e : q) covers += e.priority == 512 && e.c->v[0].diffuse == 0x7F000000u;
    EXPECT_EQ(covers, r.quarters == 0 ? 1 : 0) << int(r.challenge);
    if (r.quarters == 0) continue;
    // Half-way the quarters have flown an eased quarter of their way (ease-in of 0.5).
    int topLeft = 0;
    for (const Queued& e : q)
      if (e.c->texture == HandleTexture(g_CaptureTarget) && e.c->v[0].x == -80.0f && e.c->v[0].y == -60.0f)
        ++topLeft;
    EXPECT_EQ(topLeft, 1);
  }
}

}  // namespace
