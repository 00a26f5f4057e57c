// The command list: the list file's parser and the colour file's reader over small texts, the
// results and scrolling of a frame against the menu bank, the side switch reloading the other
// character's list, the missing file and unknown character, and the icons of a long line kept
// left of the scroll bar.
#include "menu/command_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "MenuWindow/menu_test_util.h"
#include "app/input/app_joystick.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

namespace fs = std::filesystem;

std::string List(const std::string& body) { return "[CommandList]\r\n" + body; }

struct ParseCase {
  const char* name;
  std::string text;
  int result;
  size_t lines;
  std::function<void(const std::vector<CommandListLine>&)> check;
};

TEST(CommandListParse, KeysValuesLimitsAndTree) {
  const std::string air = CommandSubKeyword(20);    // group L
  const std::string hit = CommandSubKeyword(1);     // group P
  const std::string airOk = CommandSubKeyword(10);  // group S
  std::string nineSubs, nineChildren, chain, longName(300, 'N'), sjisName(255, 'a');
  for (int i = 0; i < 9; ++i) nineSubs += "CmdSub=" + hit + "\r\n";
  for (int i = 0; i < 9; ++i) nineChildren += "Child=" + std::to_string(i + 1) + "\r\n";
  for (int i = 0; i < 20; ++i) chain += "[L]\r\nChild=1\r\n";
  sjisName += "\x83W";  // a double-byte character across the 256-byte bound
  const ParseCase cases[] = {
      {"plain line", List("[a]\r\nName=Jab\r\nType=1\r\nCmd=236A\r\n"), 1, 1,
       [](auto& l) {
         EXPECT_EQ(l[0].Name, "Jab");
         EXPECT_EQ(l[0].Type, 1);
         EXPECT_EQ(l[0].Cmd, "236A");
         EXPECT_EQ(l[0].index, 0);
       }},
      {"comments, blanks and a TAB before =",
       List("// head\r\n[a]\r\n\r\n// Name=Wrong\r\nName\t= Jab  // a note\r\n\tCmd = 2 A\r\n"), 1, 1,
       [](auto& l) {
         EXPECT_EQ(l[0].Name, "Jab");
         EXPECT_EQ(l[0].Cmd, "2 A");
       }},
      {"a Type line without = gives 0", List("[a]\r\nType=5\r\nType\t5\r\n"), 1, 1,
       [](auto& l) { EXPECT_EQ(l[0].Type, 0); }},
      {"Type kept in 16 bits", List("[a]\r\nType=70000\r\n"), 1, 1,
       [](auto& l) { EXPECT_EQ(l[0].Type, static_cast<int16_t>(70000 - 65536)); }},
      {"keys are case-sensitive", List("[a]\r\nname=Jab\r\nNAME=Jab\r\ncmd=A\r\n"), 1, 1,
       [](auto& l) {
         EXPECT_EQ(l[0].Name, "");
         EXPECT_EQ(l[0].Cmd, "");
       }},
      {"a line with neither TAB nor = is no key", List("[a]\r\nName Jab\r\n"), 1, 1,
       [](auto& l) { EXPECT_EQ(l[0].Name, ""); }},
      {"a 300-character key is cut and matches nothing",
       List("[a]\r\nName" + std::string(296, 'x') + "=Jab\r\n"), 1, 1,
       [](auto& l) { EXPECT_EQ(l[0].Name, ""); }},
      {"a 64-character key still compares whole",
       List("[a]\r\n" + std::string(64, 'k') + "=1\r\nName=Jab\r\n"), 1, 1,
       [](auto& l) { EXPECT_EQ(l[0].Name, "Jab"); }},
      {"a 300-character Name keeps 256", List("[a]\r\nName=" + longName + "\r\n"), 1, 1,
       [](auto& l) { EXPECT_EQ(l[0].Name, std::string(256, 'N')); }},
      {"a Name is never cut inside a double-byte character", List("[a]\r\nName=" + sjisName + "\r\n"), 1, 1,
       [](auto& l) { EXPECT_EQ(l[0].Name, std::string(255, 'a')); }},
      {"CmdSub by keyword, an unknown one adds nothing",
       List("[a]\r\nCmdSub=" + hit + "\r\nCmdSub=nothing\r\nCmdSub=" + airOk + "\r\nCmdSub=" + air + "\r\n"),
       1, 1,
       [](auto& l) {
         ASSERT_EQ(l[0].cmdSubCount, 3);
         EXPECT_EQ(l[0].CmdSub[0], 1);
         EXPECT_EQ(l[0].CmdSub[1], 10);
         EXPECT_EQ(l[0].CmdSub[2], 20);
       }},
      {"a ninth CmdSub is ignored", List("[a]\r\n" + nineSubs), 1, 1,
       [](auto& l) { EXPECT_EQ(l[0].cmdSubCount, 8); }},
      {"a ninth Child is ignored", List("[a]\r\n" + nineChildren), 1, 1,
       [](auto& l) { EXPECT_EQ(l[0].childCount, 8); }},
      {"Child 0, 256 and -1 are ignored", List("[a]\r\nChild=0\r\nChild=256\r\nChild=-1\r\n[b]\r\n"), 1, 2,
       [](auto& l) {
         EXPECT_EQ(l[0].childCount, 0);
         EXPECT_EQ(l[1].depth, 0);
       }},
      {"a Child past the end is ignored", List("[a]\r\nChild=5\r\nChild=1\r\n[b]\r\n"), 1, 2,
       [](auto& l) {
         EXPECT_EQ(l[0].childCount, 2);
         EXPECT_EQ(l[1].depth, 1);
       }},
      {"a 20-deep chain stays at depth 17", List(chain), 1, 20,
       [](auto& l) {
         for (int i = 0; i < 20; ++i) EXPECT_EQ(l[i].depth, std::min(i, 17)) << i;
       }},
      {"sections before the list are no lines", "[Head]\r\nName=X\r\n" + List("[a]\r\nName=Jab\r\n"), 1, 1,
       [](auto& l) { EXPECT_EQ(l[0].Name, "Jab"); }},
      {"LF line ends", "[CommandList]\n[a]\nName=Jab\n[b]\nName=Kick\n", 1, 2,
       [](auto& l) { EXPECT_EQ(l[1].Name, "Kick"); }},
      {"no CommandList section", "[a]\r\nName=Jab\r\n", 0, 0, nullptr},
      {"empty text", "", 0, 0, nullptr},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<CommandListLine> lines;
    EXPECT_EQ(ParseCommandListText(c.text, lines), c.result);
    ASSERT_EQ(lines.size(), c.lines);
    if (c.check) c.check(lines);
  }
}

TEST(CommandListColours, FourNumbersEachInRangeOrTheDefault) {
  struct Case {
    const char* value;
    uint32_t expected;  // Col_EX (default 0xFF6464FF)
  };
  const Case cases[] = {
      {"1,2,3,4", 0x04010203},     {"10, 20, 30, 255", 0xFF0A141E}, {"255,255,255,0", 0x00FFFFFF},
      {"256,0,0,255", 0xFF6464FF}, {"1,2,3", 0xFF6464FF},           {"1,2,3,4,5", 0xFF6464FF},
      {"-1,2,3,4", 0xFF6464FF},    {"a,b,c,d", 0xFF6464FF},         {"", 0xFF6464FF},
      {"99999,0,0,0", 0xFF6464FF},
  };
  for (const Case& c : cases) {
    uint32_t colours[kCommandColourCount];
    ResetCommandColours(colours);
    ReadCommandColours(std::string("[Data]\r\nCol_EX=") + c.value + "\r\n", colours);
    EXPECT_EQ(colours[kColEX], c.expected) << c.value;
    EXPECT_EQ(colours[kColNormal], 0xFFFFFFFFu) << "a key not given keeps its default";
  }
  uint32_t colours[kCommandColourCount];
  ResetCommandColours(colours);
  ReadCommandColours("[Other]\r\nCol_EX=1,2,3,4\r\n", colours);
  EXPECT_EQ(colours[kColEX], 0xFF6464FFu);
  // Bands by Type; any other Type is green.
  ResetCommandColours(colours);
  const std::pair<int, uint32_t> bands[] = {{0, 0xFFFFFFFF},  {1, 0xFF6464FF},   {10, 0xFFFF64FF},
                                            {11, 0xFFFF64FF}, {100, 0xFFFF6464}, {2, 0xFF64FF64},
                                            {5, 0xFF00FF00},  {-1, 0xFF00FF00}};
  for (auto [type, colour] : bands) EXPECT_EQ(CommandBandColour(colours, type), colour) << type;
}

TEST(CommandListNotation, WidthIsTheSumOfAdvances) {
  EXPECT_EQ(MeasureCommandNotation(""), 0);
  EXPECT_EQ(MeasureCommandNotation("236A"), 96);
  EXPECT_EQ(MeasureCommandNotation("A o B"), 24 + 8 + 12 + 8 + 24);
  EXPECT_EQ(MeasureCommandNotation("4.D+C"), 24 + 16 + 24 + 16 + 24);
  EXPECT_EQ(MeasureCommandNotation("x?E"), 0) << "characters without a glyph take no room";
}

// The list on screen, on the recording device, with the sample sheets and lists written by the
// test into its folder.
class CommandListTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    g_AppJoystick = &GetAppJoystickInstance();
    FillDefaultGameData(config_);
    config_.SELECT_LANGUAGE = 1;
    g_GameData = &config_;
    ASSERT_GT(LoadCharaSelectList(ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt")), 1);
    fs::create_directories("grp");
    fs::copy(fs::path(VT_SAMPLE_DIR) / "grp" / "command", "grp/command", fs::copy_options::recursive);
    g_AppJoystick->ClearAll();
    Release();
    for (int s = 0; s < 2; ++s) {
      g_PlayerSelections[s] = PlayerSelection{};
      g_PlayerSelections[s].character = s;  // Tester, Duelist
    }
    g_CommandListRequested = 0;
    g_CommandListSide = 0;
  }
  void TearDown() override {
    FreeCommandList();
    Release();
    FreeCharaSelectList();
    for (PlayerSelection& p : g_PlayerSelections) p = PlayerSelection{};
    g_GameData = nullptr;
    MenuTest::TearDown();
  }
  static void Release() {
    for (PadState& s : g_AppJoystick->menuBank) s = PadState{};
  }
  // One frame for player 0 with these menu buttons pressed (bit n), held (bit n) and direction.
  static int Frame(uint32_t pressed = 0, uint8_t dir = 0, uint32_t held = 0) {
    PadState& s = g_AppJoystick->menuBank[0];
    s = PadState{};
    for (int b = 0; b < 32; ++b) {
      if ((held >> b) & 1) s.button[b] |= PadState::kHeld;
      if ((pressed >> b) & 1) s.button[b] |= PadState::kHeld | PadState::kPressed;
    }
    s.menuDirection = dir ? static_cast<uint8_t>(dir | PadState::kChanged) : 0;
    ResetDrawList(&g_MainDrawList);
    const int r = UpdateCommandList(0);
    Release();
    return r;
  }
  // A list of n lines for the Tester's type 0.
  static void WriteTesterList(int n) {
    std::string t = "[CommandList]\r\n";
    for (int i = 0; i < n; ++i) t += "[L]\r\nName=Move " + std::to_string(i) + "\r\nCmd=236A\r\n";
    WriteFile("grp/command/com_txt/eng/_cl_Tester_0.txt", t);
  }
  static int Open() {
    g_CommandListRequested = 1;
    return Frame();
  }
  GameData config_{};
};

TEST_F(CommandListTest, ResultsByButtonCancelWinsAndClosingFreesEverything) {
  struct Case {
    uint32_t pressed;
    int result;
  };
  for (const Case& c : {Case{0, 1}, Case{1u << 0, 1}, Case{1u << 1, 0}, Case{1u << 2, -1}, Case{0x6, 0}}) {
    SCOPED_TRACE(c.pressed);
    ASSERT_EQ(Open(), 1);
    const CommandListView& v = GetCommandListView();
    EXPECT_EQ(v.lineCount, 9) << "the sample list";
    EXPECT_NE(v.sysCom00, nullptr);
    EXPECT_EQ(Frame(c.pressed), c.result);
    if (c.result <= 0) {
      EXPECT_EQ(v.lineCount, 0);
      EXPECT_TRUE(v.lines.empty());
      EXPECT_EQ(v.sysCom00, nullptr);
      EXPECT_EQ(v.namePicture, nullptr);
    }
    FreeCommandList();
  }
}

TEST_F(CommandListTest, StepsAndClampsByLineCount) {
  struct Move {
    uint8_t dir;
    bool fast;  // the first button held
    int top;
  };
  struct Case {
    int lines;
    std::vector<Move> moves;
  };
  const Case cases[] = {
      {20,
       {{2, false, 1},
        {2, true, 8},
        {3, true, 13},
        {1, false, 13},
        {8, false, 12},
        {9, true, 5},
        {7, true, 0},
        {8, false, 0}}},
      {5, {{2, false, 0}, {2, true, 0}, {8, false, 0}}},
      {7, {{2, false, 0}}},
      {8, {{2, true, 1}, {8, true, 0}}},
      {0, {{2, false, 0}, {2, true, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    WriteTesterList(c.lines);
    ASSERT_EQ(Open(), 1);
    EXPECT_EQ(GetCommandListView().lineCount, c.lines);
    for (const Move& m : c.moves) {
      Frame(0, m.dir, m.fast ? 1u : 0u);
      EXPECT_EQ(g_CommandListTop, m.top) << int(m.dir) << (m.fast ? " fast" : "");
      EXPECT_EQ(GetCommandListView().topLine, m.top);
    }
    FreeCommandList();
  }
}

TEST_F(CommandListTest, LeftAndRightReloadTheOtherSide) {
  WriteTesterList(12);
  ASSERT_EQ(Open(), 1);
  EXPECT_EQ(GetCommandListView().side, 0);
  EXPECT_EQ(GetCommandListView().lineCount, 12);
  Frame(0, 2);
  EXPECT_EQ(g_CommandListTop, 1);
  EXPECT_EQ(Frame(0, 6), 1);
  EXPECT_EQ(g_CommandListRequested, 2);
  EXPECT_EQ(g_CommandListSide, 1);
  EXPECT_TRUE(GetCommandListView().lines.empty()) << "switching frees the list";
  Frame();
  EXPECT_EQ(GetCommandListView().side, 1);
  EXPECT_EQ(GetCommandListView().character, 1);
  EXPECT_EQ(GetCommandListView().lineCount, 9) << "the Duelist's sample list";
  EXPECT_EQ(g_CommandListTop, 0) << "a load starts at the top";
  Frame(0, 4);
  Frame();
  EXPECT_EQ(GetCommandListView().side, 0);
  EXPECT_EQ(GetCommandListView().lineCount, 12);
}

TEST_F(CommandListTest, AMissingFileShowsAnEmptyListWithoutThumb) {
  fs::remove("grp/command/com_txt/eng/_cl_Tester_0.txt");
  ASSERT_EQ(Open(), 1);
  const CommandListView& v = GetCommandListView();
  EXPECT_EQ(v.lineCount, 0);
  EXPECT_NE(v.sysCom00, nullptr) << "the header is still drawn";
  Frame();
  bool thumb = false;
  for (const QueuedQuad& q : Queued(v.layer + 256))
    if (q.x0 == 611.0f && !q.textured) thumb = true;
  EXPECT_FALSE(thumb);
  WriteTesterList(3);
  FreeCommandList();
  ASSERT_EQ(Open(), 1);
  Frame();
  thumb = false;
  for (const QueuedQuad& q : Queued(v.layer + 256))
    if (q.x0 == 611.0f && !q.textured) thumb = true;
  EXPECT_TRUE(thumb);
}

TEST_F(CommandListTest, ACharacterOutsideTheListLoadsNothing) {
  g_PlayerSelections[0].character = 150;
  ASSERT_EQ(Open(), 1);
  const CommandListView& v = GetCommandListView();
  EXPECT_EQ(v.lineCount, 0);
  EXPECT_EQ(v.sysCom00, nullptr);
  EXPECT_EQ(v.namePicture, nullptr);
}

TEST_F(CommandListTest, ALongLineKeepsItsIconsLeftOfTheScrollBar) {
  std::string t = "[CommandList]\r\n[L]\r\nName=Long\r\nCmd=236236AB\r\n";
  for (int s : {10, 11, 12, 20}) t += std::string("CmdSub=") + CommandSubKeyword(s) + "\r\n";
  t += "[L]\r\nName=Short\r\nCmd=A\r\nCmdSub=" + std::string(CommandSubKeyword(10)) + "\r\n";
  WriteFile("grp/command/com_txt/eng/_cl_Tester_0.txt", t);
  ASSERT_EQ(Open(), 1);
  const CommandListView& v = GetCommandListView();
  vt::gfx::Texture* icons = HandleTexture(v.sysCom02);
  ASSERT_NE(icons, nullptr);
  float rightmost[2] = {0, 0};
  float leftmost[2] = {640, 640};
  const GrpDrawCommand* head = &g_MainDrawList.slots[v.layer + 256];
  for (const GrpDrawCommand* c = head->next; c && c->kind != kDrawKindHead; c = c->next) {
    if (c->texture != icons) continue;
    const int row = c->v[0].y < 150 ? 0 : 1;  // rows at y 98 and 150, icons 24 below
    for (const auto& p : c->v) {
      rightmost[row] = std::max(rightmost[row], p.x);
      leftmost[row] = std::min(leftmost[row], p.x);
    }
  }
  // Notation 192 wide and suffix icons 272 wide would end at 802: everything moves 194 left, the
  // suffix icons ending at the bar and the prefix icon (60 wide) before the notation.
  EXPECT_EQ(rightmost[0], 608.0f);
  EXPECT_EQ(leftmost[0], 336.0f - 194 - 60);
  // The short line's icon follows its notation at the usual place.
  EXPECT_EQ(leftmost[1], 336.0f + 2 + 24);
}

}  // namespace
}  // namespace vt::test
