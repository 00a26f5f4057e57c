// The roster rules: the grid cursor, the clash rule, the random character, colour and style with
// the draws they take, style turning, colour browsing, side initialisation by mode and form, the
// selection resets and the scale class, and a character list lacking grid characters.
#include "scene/chara_roster.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Sound/soundproc.h"
#include "app/random.h"
#include "battle/chara_list.h"
#include "battle/chara_loader.h"
#include "scene/scene_fixture.h"
#include "support/test_util.h"

namespace {

// Every grid character, with the data names of the style tests on a few of them: "s0" has
// style 0 only, "s1" style 1 only, "s02" styles 0 and 2, "none" no style file at all, "pair" a
// second file whose styles 0 and 1 exist where its first file has 0 and 2.
std::string RosterList(const std::vector<int>& leaveOut = {}, const std::vector<int>& extra = {}) {
  std::string list;
  auto add = [&list](int n, const std::string& file1, const std::string& file2) {
    list += "[CharaNo_" +
            std::string(n < 10    ? "00"
                        : n < 100 ? "0"
                                  : "") +
            std::to_string(n) + "]\r\nName=C" + std::to_string(n) + "\r\nFile1=" + file1 +
            "\r\nFile2=" + file2 + "\r\n";
  };
  for (int cell = 0; cell < kRosterCells; ++cell) {
    const int c = RosterCellCharacter(cell);
    if (c < 0 || c == kRosterRandomCell) continue;
    bool skip = false;
    for (int l : leaveOut) skip |= l == c;
    if (skip) continue;
    const char* file = c == 7 ? "s0" : c == 8 ? "s1" : c == 9 ? "s02" : c == 10 ? "none" : "s0";
    add(c, file, c == 12 ? "pair" : "0");
  }
  for (int n : extra) add(n, "s0", "0");
  return list;
}

class Roster : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    for (auto& s : g_CharaSelectSides) s = CharaSelectSide{};
    for (const char* f : {"s0_0", "s1_1", "s02_0", "s02_2", "pair_0", "pair_1"})
      vt::test::WriteFile(std::string("data/") + f + ".txt", "x");
    std::filesystem::create_directories("data/s0_1.txt");  // a folder is not a style file
    ASSERT_EQ(LoadCharaSelectList(RosterList()), kRosterCharacterCount);
    ClearSounds();
  }
  void TearDown() override {
    FreeCharaSelectList();
    for (auto& s : g_CharaSelectSides) s = CharaSelectSide{};
    SceneTest::TearDown();
  }
  static void ClearSounds() { std::fill(std::begin(g_SeRequest), std::end(g_SeRequest), 0); }
  // The next common draw without taking it.
  static int32_t PeekDraw() {
    RandStream saved = g_RandStreams[kRandCommonStream];
    const int32_t v = RandStreamNext(kRandCommonStream);
    g_RandStreams[kRandCommonStream] = saved;
    return v;
  }
  static void Decided(int side, int character, int colour) {
    PlayerSelection& s = g_PlayerSelections[side];
    s.character = character;
    s.color = colour;
    s.decided = 1;
  }
};

TEST_F(Roster, CursorMovesOverFilledCells) {
  const struct {
    int cell, direction, expected;
  } cases[] = {
      {40, 2, 49},               // down from character 20 reaches the random cell
      {49, 2, 4},                // and wraps to the top of the middle column (character 51)
      {4, 8, 49},                // up from the top wraps to the random cell
      {6, 6, 2},                 // right from the last cell of row 0 wraps to its first
      {2, 4, 6},                 // and left back
      {10, 4, 16},               // left from column 1 passes the empty edges
      {49, 4, 49},               // the random cell's row leads back to the random cell
      {49, 6, 49}, {12, 5, 12},  // not a move
      {0, 2, 0},                 // an empty column (a cell set from outside): the search ends where it began
  };
  for (const auto& c : cases) {
    ClearSounds();
    EXPECT_EQ(MoveRosterCursor(c.cell, c.direction), c.expected) << c.cell << " " << c.direction;
    EXPECT_EQ(g_SeRequest[152], c.direction == 5 ? 0 : 1) << c.cell << " " << c.direction;
  }
}

TEST_F(Roster, GridRevealsInAZigZag) {
  const auto grid = BuildRosterGrid();
  EXPECT_EQ(grid[0].revealOrder, 0);
  EXPECT_EQ(grid[8].revealOrder, 8);
  EXPECT_EQ(grid[17].revealOrder, 1);  // row 1 counts from the right
  EXPECT_EQ(grid[62].revealOrder, 14);
  EXPECT_EQ(grid[49].character, kRosterRandomCell);
  EXPECT_FLOAT_EQ(grid[49].x, 136.0f + 4 * 40);
  EXPECT_FLOAT_EQ(grid[49].y, 38.0f + 5 * 45);
}

TEST_F(Roster, ClashRule) {
  const struct {
    int other, otherColour, own, wanted, expected;
  } cases[] = {
      {4, 3, 6, 3, 0},                       // 4 and 6 clash
      {4, 3, 5, 3, 0},                       // 4 and 5 clash
      {6, 3, 5, 3, 3},                       // 5 and 6 never do
      {20, 0, 34, 0, 1},                     // 20 and 34 only on colour 0
      {20, 5, 34, 5, 5}, {35, 0, 4, 0, 1},   // 4 and 35 on colour 0
      {35, 7, 4, 7, 7},  {14, 9, 35, 9, 0},  // 14 and 35 always
      {11, 2, 11, 2, 0},                     // the same character always
      {11, 2, 11, 3, 3},                     // in another colour it is free
      {11, 0, 11, 0, 1},                     // the first free colour counting up from 0
  };
  for (const auto& c : cases) {
    Decided(0, c.other, c.otherColour);
    g_PlayerSelections[1].character = c.own;
    EXPECT_EQ(ResolveColourClash(1, c.wanted), c.expected) << c.other << " " << c.own << " " << c.wanted;
  }
  // A side still choosing blocks nothing.
  Decided(0, 4, 3);
  g_PlayerSelections[0].decided = 0;
  g_PlayerSelections[1].character = 4;
  EXPECT_EQ(ResolveColourClash(1, 3), 3);
  // Never above 35, whatever comes in.
  for (int wanted : {-1, 36, 99}) EXPECT_EQ(ResolveColourClash(1, wanted), 0) << wanted;
}

TEST_F(Roster, RandomCharacterIsOneDrawModulo31) {
  std::vector<int> grid;
  for (int cell = 0; cell < kRosterCells; ++cell) {
    const int c = RosterCellCharacter(cell);
    if (c >= 0 && c != kRosterRandomCell) grid.push_back(c);
  }
  ASSERT_EQ(grid.size(), 31u);
  SeedRandStream(kRandCommonStream, 1234);
  for (int i = 0; i < 40; ++i) {
    const int32_t next = PeekDraw();
    const int32_t count = g_RandDrawCount;
    EXPECT_EQ(PickRandomCharacter(), grid[next % 31]);
    EXPECT_EQ(g_RandDrawCount, count + 1);
  }
}

TEST_F(Roster, AbsentCharactersAreNeitherPickedNorConfirmable) {
  // The list lacks characters 7 and 51 and defines 199, which is not on the grid.
  ASSERT_EQ(LoadCharaSelectList(RosterList({7, 51}, {199})), 30);
  EXPECT_FALSE(IsRosterCellConfirmable(FindRosterCell(7)));
  EXPECT_FALSE(IsRosterCellConfirmable(FindRosterCell(51)));
  EXPECT_TRUE(IsRosterCellConfirmable(FindRosterCell(22)));
  EXPECT_TRUE(IsRosterCellConfirmable(FindRosterCell(kRosterRandomCell)));
  EXPECT_FALSE(IsRosterCellConfirmable(0));  // an empty cell
  SeedRandStream(kRandCommonStream, 99);
  for (int i = 0; i < 300; ++i) {
    const int32_t count = g_RandDrawCount;
    const int c = PickRandomCharacter();
    EXPECT_NE(c, 7);
    EXPECT_NE(c, 51);
    EXPECT_NE(c, 199);
    EXPECT_TRUE(IsRosterCharacterPresent(c));
    EXPECT_EQ(g_RandDrawCount, count + 1);
  }
  // No grid character at all: no pick, no draw, and the random cell cannot be confirmed.
  ASSERT_EQ(LoadCharaSelectList("[CharaNo_199]\r\nName=Far\r\nFile1=s0\r\nFile2=0\r\n"), 1);
  const int32_t count = g_RandDrawCount;
  EXPECT_EQ(PickRandomCharacter(), -1);
  EXPECT_EQ(g_RandDrawCount, count);
  EXPECT_FALSE(IsRosterCellConfirmable(FindRosterCell(kRosterRandomCell)));
}

TEST_F(Roster, RandomColourIsOneDrawThenTheClashRule) {
  SeedRandStream(kRandCommonStream, 77);
  g_PlayerSelections[1].character = 11;
  for (int i = 0; i < 30; ++i) {
    const int32_t next = PeekDraw();
    // Every other time the other side holds the colour the draw lands on, with the same character.
    const bool taken = i % 2 == 0;
    Decided(0, 11, next % 36);
    g_PlayerSelections[0].decided = taken ? 1 : 0;
    const int32_t count = g_RandDrawCount;
    const int expected = !taken ? next % 36 : next % 36 == 0 ? 1 : 0;
    EXPECT_EQ(PickRandomColour(1), expected) << i;
    EXPECT_EQ(g_RandDrawCount, count + 1);
  }
}

TEST_F(Roster, RandomStyleDrawsOverTheAvailableStyles) {
  g_PlayerSelections[0].character = 9;  // styles 0 and 2
  SeedRandStream(kRandCommonStream, 5);
  for (int i = 0; i < 10; ++i) {
    const int32_t next = PeekDraw();
    const int32_t count = g_RandDrawCount;
    EXPECT_EQ(PickRandomStyle(0), next % 2 == 0 ? 0 : 2);
    EXPECT_EQ(g_PlayerSelections[0].type, next % 2 == 0 ? 0 : 2);
    EXPECT_EQ(g_RandDrawCount, count + 1);
  }
  // None available: no draw, nothing changed.
  g_PlayerSelections[0].character = 10;
  g_PlayerSelections[0].type = 2;
  const int32_t count = g_RandDrawCount;
  EXPECT_EQ(PickRandomStyle(0), 2);
  EXPECT_EQ(g_PlayerSelections[0].type, 2);
  EXPECT_EQ(g_RandDrawCount, count);
}

TEST_F(Roster, StylesExistAsDataFiles) {
  const struct {
    int character;
    int available[3];
  } cases[] = {
      {7, {1, 0, 0}},   // s0 (its "style 1" is a folder)
      {8, {0, 1, 0}},   // s1
      {9, {1, 0, 1}},   // s02
      {10, {0, 0, 0}},  // none
      {12, {1, 0, 0}},  // s0 with a second file that has 0 and 1: both files needed
      {16, {0, 0, 0}},  // not in the list
  };
  for (const auto& c : cases) {
    g_PlayerSelections[1].character = c.character;
    for (int style = 0; style < 3; ++style)
      EXPECT_EQ(IsStyleAvailable(1, style), c.available[style]) << c.character << " " << style;
  }
}

TEST_F(Roster, StyleDiskTurnsToAvailableStylesAndEnds) {
  const struct {
    int character, from, step, expected;
  } cases[] = {
      {7, 0, 1, 0},  {7, 0, -1, 0},  {7, 2, 1, 0},   // {0}: both ways back to 0
      {8, 0, 1, 1},  {8, 1, -1, 1},  {8, 2, 1, 1},   // {1}
      {9, 0, 1, 2},  {9, 2, 1, 0},   {9, 0, -1, 2},  // {0, 2}: 1 is passed over
      {10, 0, 1, 0}, {10, 1, -1, 0}, {10, 2, 1, 0},  // {}: the turn ends, on style 0
  };
  for (const auto& c : cases) {
    g_PlayerSelections[0].character = c.character;
    EXPECT_EQ(TurnStyleDisk(0, c.from, c.step), c.expected) << c.character << " " << c.from << " " << c.step;
  }
}

TEST_F(Roster, StyleChoiceFirstFrameAndInput) {
  const struct {
    int character, type, diskIndex, expected;
  } first[] = {
      {9, 2, 0, 2},                  // the side's type is available: the disk turns to it
      {9, -1, 1, 2},                 // unset: forward from where it stands to the first available
      {9, 1, 0, 0},                  // not available: the disk stays on its available style
      {8, 0, 2, 1},  {10, 2, 1, 0},  // nothing available: style 0
  };
  for (const auto& c : first) {
    CharaSelectSide& s = g_CharaSelectSides[0];
    s.character = c.character;
    s.type = c.type;
    StyleDisk disk;
    disk.initPending = 1;
    disk.styleIndex = c.diskIndex;
    EXPECT_EQ(UpdateStyleChoice(0, disk, {}), 1);
    EXPECT_EQ(g_PlayerSelections[0].character, c.character);
    EXPECT_EQ(disk.styleIndex, c.expected) << c.character << " " << c.type;
    EXPECT_EQ(s.type, c.expected);
    EXPECT_EQ(disk.state, kStyleDiskShown);
  }

  CharaSelectSide& s = g_CharaSelectSides[0];
  s.character = 9;
  StyleDisk disk;
  disk.initPending = 1;
  UpdateStyleChoice(0, disk, {});
  ClearSounds();
  SideFrameInput in;
  in.direction = 6;
  EXPECT_EQ(UpdateStyleChoice(0, disk, in), 1);
  EXPECT_EQ(disk.styleIndex, 2);
  EXPECT_EQ(s.type, 2);
  EXPECT_FLOAT_EQ(disk.angle, 60.0f);
  EXPECT_FLOAT_EQ(disk.spin, 1.0f);
  EXPECT_EQ(g_SeRequest[152], 1);
  in.direction = 8;
  UpdateStyleChoice(0, disk, in);
  EXPECT_EQ(disk.styleIndex, 0);
  EXPECT_FLOAT_EQ(disk.angle, 0.0f);
  EXPECT_FLOAT_EQ(disk.spin, -1.0f);

  in = {};
  in.pressed = 1;
  EXPECT_EQ(UpdateStyleChoice(0, disk, in), 255);
  EXPECT_EQ(disk.state, kStyleDiskDecided);
  EXPECT_EQ(g_SeRequest[151], 1);
  // Online the net layer's flag starts the animation: the rules only report the decision.
  disk.state = kStyleDiskShown;
  ClearSounds();
  in.online = true;
  EXPECT_EQ(UpdateStyleChoice(0, disk, in), 255);
  EXPECT_EQ(disk.state, kStyleDiskShown);
  EXPECT_EQ(g_SeRequest[151], 0);

  in = {};
  in.pressed = 2;
  in.online = true;
  EXPECT_EQ(UpdateStyleChoice(0, disk, in), 1);  // no cancel online
  in.online = false;
  s.locked = 255;
  EXPECT_EQ(UpdateStyleChoice(0, disk, in), -100);
  s.locked = 0;
  EXPECT_EQ(UpdateStyleChoice(0, disk, in), -1);
  EXPECT_EQ(disk.state, kStyleDiskHidden);
}

TEST_F(Roster, ColourBrowsing) {
  const struct {
    int side, colour, random, direction;
    int expectedColour, expectedRandom;
  } cases[] = {
      {0, 3, 0, 4, 33, 0},  // to the same place in the previous group, wrapping
      {0, 33, 0, 6, 3, 0},
      {0, 3, 0, 6, 9, 0},
      {0, 3, 0, 2, 4, 0},  // next and previous inside the group
      {0, 3, 0, 8, 2, 0},
      {0, 5, 0, 2, 5, 1},  // leaving the group lands on the random entry, the colour
                           // kept
      {0, 0, 0, 8, 0, 1},  // so does going below 0
      {0, 12, 0, 8, 12, 1},
      {0, 8, 1, 2, 6, 0},   // from the random entry: 2 to the group's first colour
      {0, 8, 1, 8, 11, 0},  // and 8 to its last
      {0, 8, 1, 4, 8, 1},   // left and right do nothing there
      {0, 8, 1, 6, 8, 1},
      {1, 3, 0, 4, 9, 0},  // side 1: left and right swap
      {1, 3, 0, 6, 33, 0},
      {1, 3, 0, 2, 4, 0},
  };
  for (const auto& c : cases) {
    CharaSelectSide& s = g_CharaSelectSides[c.side];
    s.colour = c.colour;
    ColourList list;
    list.randomFlag = c.random;
    SideFrameInput in;
    in.direction = static_cast<uint8_t>(c.direction);
    ClearSounds();
    EXPECT_EQ(UpdateColourChoice(c.side, list, in, nullptr), 1);
    EXPECT_EQ(s.colour, c.expectedColour) << c.side << " " << c.colour << " " << c.direction;
    EXPECT_EQ(list.randomFlag, c.expectedRandom) << c.side << " " << c.colour << " " << c.direction;
    const bool moved = c.expectedColour != c.colour || c.expectedRandom != c.random;
    EXPECT_EQ(g_SeRequest[152], moved ? 1 : 0);
    // A new colour turns the list: its group takes the first places.
    if (c.expectedColour != c.colour) {
      EXPECT_FLOAT_EQ(list.transition, 1.0f);
      EXPECT_FLOAT_EQ(list.places[c.expectedColour].position, static_cast<float>(c.expectedColour % 6));
    }
  }
}

TEST_F(Roster, ColourListPlacesGroupsAfterThePresentOne) {
  EXPECT_EQ(ColourListPosition(14, 14), 2);
  EXPECT_EQ(ColourListPosition(20, 14), 8);
  EXPECT_EQ(ColourListPosition(0, 14), 24);  // wrapping
  ColourList list;
  TurnColourList(list, 0);
  TurnColourList(list, 0);
  for (int c = 0; c < 36; ++c) EXPECT_FLOAT_EQ(list.places[c].previous, list.places[c].position);
  TurnColourList(list, 6);
  EXPECT_FLOAT_EQ(list.places[6].previous, 6.0f);
  EXPECT_FLOAT_EQ(list.places[6].position, 0.0f);
}

TEST_F(Roster, ColourDecision) {
  g_PlayerSelections[1].character = 6;
  Decided(0, 4, 3);
  CharaSelectSide& s = g_CharaSelectSides[1];
  s.colour = 3;
  ColourList list;
  SideFrameInput in;
  in.pressed = 1;
  ClearSounds();
  EXPECT_EQ(UpdateColourChoice(1, list, in, nullptr), 255);
  EXPECT_EQ(s.colour, 0);  // 4 holds colour 3 and 6 clashes with it
  EXPECT_EQ(g_PlayerSelections[1].color, 0);
  EXPECT_EQ(g_SeRequest[151], 1);

  // From the random entry: one draw, resolved, the entry left.
  SeedRandStream(kRandCommonStream, 31);
  const int32_t next = PeekDraw();
  list.randomFlag = 1;
  const int32_t count = g_RandDrawCount;
  EXPECT_EQ(UpdateColourChoice(1, list, in, nullptr), 255);
  EXPECT_EQ(g_RandDrawCount, count + 1);
  EXPECT_EQ(s.colour, next % 36 == 3 ? 0 : next % 36);
  EXPECT_EQ(list.randomFlag, 0);

  in.pressed = 2;
  EXPECT_EQ(UpdateColourChoice(1, list, in, nullptr), -1);
  in.directLink = true;
  EXPECT_EQ(UpdateColourChoice(1, list, in, nullptr), 1);
}

struct SentColour {
  int side, randomFlag, colour;
};
std::vector<SentColour> g_Sent;

TEST_F(Roster, ColourOnlineMessagesAndDecisionSound) {
  g_Sent.clear();
  ColourNet net;
  net.localSide = true;
  net.sendColour = [](int side, int flag, int colour) { g_Sent.push_back({side, flag, colour}); };
  int32_t played = 0;
  net.decidedSoundPlayed = &played;
  CharaSelectSide& s = g_CharaSelectSides[0];
  s.colour = 5;
  ColourList list;
  SideFrameInput in;
  in.online = true;
  in.direction = 8;
  UpdateColourChoice(0, list, in, &net);  // a new colour: (side, 0, colour)
  in.direction = 2;
  UpdateColourChoice(0, list, in, &net);
  UpdateColourChoice(0, list, in, &net);  // onto the random entry: the flag differs from the layer's
  ASSERT_EQ(g_Sent.size(), 3u);
  EXPECT_EQ(g_Sent[0].colour, 4);
  EXPECT_EQ(g_Sent[0].randomFlag, 0);
  EXPECT_EQ(g_Sent[1].colour, 5);
  EXPECT_EQ(g_Sent[2].randomFlag, 1);
  EXPECT_EQ(g_Sent[2].colour, 5);
  net.layerRandomFlag = 1;  // the layer caught up: nothing more to send
  in.direction = 0;
  UpdateColourChoice(0, list, in, &net);
  EXPECT_EQ(g_Sent.size(), 3u);

  // The decision sound plays once per side and match.
  in.pressed = 1;
  ClearSounds();
  UpdateColourChoice(0, list, in, &net);
  EXPECT_EQ(g_SeRequest[151], 1);
  ClearSounds();
  UpdateColourChoice(0, list, in, &net);
  EXPECT_EQ(g_SeRequest[151], 0);

  // The other side's flag follows the layer's, with the cursor sound when it changes.
  ColourNet peer;
  peer.layerRandomFlag = 1;
  ColourList other;
  ClearSounds();
  UpdateColourChoice(1, other, SideFrameInput{0, 0, true, false}, &peer);
  EXPECT_EQ(other.randomFlag, 1);
  EXPECT_EQ(g_SeRequest[152], 1);
}

TEST_F(Roster, ACharacterChangeResetsTypeAndColour) {
  CharaSelectSide& s = g_CharaSelectSides[1];
  s.type = 2;
  s.colour = 17;
  NoteShownCharacterChange(1, -1, 5);  // from none: kept
  EXPECT_EQ(s.type, 2);
  EXPECT_EQ(s.colour, 17);
  NoteShownCharacterChange(1, 5, 5);
  EXPECT_EQ(s.colour, 17);
  NoteShownCharacterChange(1, 5, 6);
  EXPECT_EQ(s.type, 0);
  EXPECT_EQ(s.colour, 0);
}

TEST_F(Roster, SideInitialisationByMode) {
  const struct {
    int32_t mode;
    int mainSide;
    int controller, selectionController, joined, mainSelectionController;
  } cases[] = {
      {MODE_ARCADE, 0, kCpuSideNeedsNoChoice, 1, 0, 0},
      {MODE_VS_CPU, 0, -1, 1, 0, 0},
      {MODE_CPU_VS_CPU, 0, -1, 1, 0, 1},
      {MODE_CPU_VS_CPU, 1, -1, 1, 0, 1},
      {MODE_TRAINING, 1, -1, 0, 0, 0},
      {MODE_VS_PLAYER, 0, 1, 0, 1, 0},
  };
  for (const auto& c : cases) {
    g_GameModeFlags = c.mode;
    g_MainSide = static_cast<uint8_t>(c.mainSide);
    g_CreditState = CreditState{};
    InitSelectSides(false);
    const int other = 1 - c.mainSide;
    const CharaSelectSide& o = g_CharaSelectSides[other];
    const CharaSelectSide& m = g_CharaSelectSides[c.mainSide];
    EXPECT_EQ(o.controller, c.mode == MODE_VS_PLAYER ? other : c.controller) << c.mode;
    EXPECT_EQ(g_PlayerSelections[other].controller, c.selectionController) << c.mode;
    EXPECT_EQ(g_CreditState.players[other].joined, c.joined) << c.mode;
    EXPECT_EQ(m.controller, c.mainSide);
    EXPECT_EQ(g_PlayerSelections[c.mainSide].controller, c.mainSelectionController) << c.mode;
    EXPECT_EQ(g_CreditState.players[c.mainSide].joined, 1);
  }
}

TEST_F(Roster, FreshSidesStartOnTheirCharacters) {
  g_GameModeFlags = MODE_VS_PLAYER;
  g_StoryBattleRoutes[0].stageCount = 3;
  g_StoryBattleRoutes[0].stageIndex = 2;
  g_StoryBattleRoutes[0].stages[0].opponent = 4;
  InitSelectSides(false);
  for (int s = 0; s < 2; ++s) {
    const CharaSelectSide& side = g_CharaSelectSides[s];
    const PlayerSelection& sel = g_PlayerSelections[s];
    EXPECT_EQ(side.character, s == 0 ? 0 : 11);
    EXPECT_EQ(side.cursorCell, s == 0 ? 12 : 14);
    EXPECT_EQ(side.phase, 0);
    EXPECT_EQ(side.changed, 1);
    EXPECT_EQ(side.link, -1);
    EXPECT_EQ(side.locked, 0);
    EXPECT_EQ(sel.decided, 0);
    EXPECT_EQ(sel.color, 0);
    EXPECT_EQ(sel.type, -1);
    EXPECT_EQ(sel.drawOption, GetCharaFilter());
  }
  // A route without a stored character is cleared, its entries too.
  EXPECT_EQ(g_StoryBattleRoutes[0].stageCount, 0);
  EXPECT_EQ(g_StoryBattleRoutes[0].stageIndex, 0);
  EXPECT_EQ(g_StoryBattleRoutes[0].stages[0].opponent, 255);
}

TEST_F(Roster, ChallengerMatchLocksTheMainSideOnItsRoute) {
  g_GameModeFlags = MODE_VS_PLAYER;
  g_ChallengeState = 1;
  g_MainSide = 1;
  StoryBattleRoute& route = g_StoryBattleRoutes[1];
  route.playerCharacter = 29;
  route.playerColor = 4;
  route.playerType = 2;
  route.stageIndex = 3;
  InitSelectSides(false);
  const CharaSelectSide& m = g_CharaSelectSides[1];
  EXPECT_EQ(m.locked, 1);
  EXPECT_EQ(g_PlayerSelections[1].decided, 1);
  EXPECT_EQ(m.character, 29);
  EXPECT_EQ(m.colour, 4);
  EXPECT_EQ(m.type, 2);
  EXPECT_EQ(m.cursorCell, FindRosterCell(29));
  EXPECT_EQ(g_PlayerSelections[1].color, 4);  // a decided side's colour is where the clash rule reads it
  EXPECT_EQ(route.stageIndex, 3);             // a route with a character goes on
  EXPECT_EQ(g_CharaSelectSides[0].locked, 0);
  EXPECT_EQ(g_CharaSelectSides[0].character, 0);

  // Event mode: no lock.
  config_.ConfigMode = 1;
  InitSelectSides(false);
  EXPECT_EQ(g_CharaSelectSides[1].locked, 0);
  EXPECT_EQ(g_PlayerSelections[1].decided, 0);
}

TEST_F(Roster, ChallengerFormKeepsTheMainSide) {
  g_GameModeFlags = MODE_ARCADE;
  g_MainSide = 0;
  InitSelectSides(false);
  CharaSelectSide& m = g_CharaSelectSides[0];
  m.character = 3;
  m.type = 1;
  m.colour = 9;
  m.phase = 2;
  g_PlayerSelections[0].decided = 1;
  // A challenger joins during the select.
  g_GameModeFlags = MODE_VS_PLAYER;
  g_ChallengeState = 255;
  g_CharaSelectSides[1].character = 20;
  InitSelectSides(true);
  EXPECT_EQ(m.character, 3);
  EXPECT_EQ(m.type, 1);
  EXPECT_EQ(m.colour, 9);
  EXPECT_EQ(m.phase, 2);
  EXPECT_EQ(g_PlayerSelections[0].decided, 0);
  const CharaSelectSide& c = g_CharaSelectSides[1];
  EXPECT_EQ(c.character, 11);
  EXPECT_EQ(c.phase, 0);
  EXPECT_EQ(c.controller, 1);
  EXPECT_EQ(c.cursorCell, 14);
  EXPECT_EQ(g_PlayerSelections[1].type, -1);
  EXPECT_EQ(g_CreditState.players[1].joined, 1);

  // Without a challenge state only phase, controller and the changed flag are set.
  g_ChallengeState = 0;
  m.phase = 2;
  InitSelectSides(true);
  EXPECT_EQ(m.phase, 0);
  EXPECT_EQ(m.character, 3);
  EXPECT_EQ(m.colour, 9);
  EXPECT_EQ(m.changed, 1);
}

TEST_F(Roster, SelectionResetsAndScaleClass) {
  g_PlayerSelections[0].fileSet = 7;
  ResetPlayerSelections();
  for (const PlayerSelection& s : g_PlayerSelections) {
    EXPECT_EQ(s.controller, 1);
    EXPECT_EQ(s.color, -1);
    EXPECT_EQ(s.character, -1);
    EXPECT_EQ(s.type, 0);
    EXPECT_EQ(s.ratio, 100);
    EXPECT_EQ(s.overrideMode, 0);
    EXPECT_EQ(s.overrideValue, 0);
  }
  EXPECT_EQ(g_PlayerSelections[0].fileSet, 7);  // the word the select leaves alone
  const struct { int ratio, expected; } cases[] = {{40, -1}, {100, 0}, {160, 1}, {41, 0}};
  for (const auto& c : cases) {
    g_PlayerSelections[1].ratio = c.ratio;
    EXPECT_EQ(GetPlayerScaleClass(1), c.expected) << c.ratio;
  }
}

}  // namespace

// The sample roster: its style sets exist as the loader reads them.
TEST_F(Roster, SampleRosterStyles) {
  std::filesystem::remove_all("data");
  std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / "data", "data",
                        std::filesystem::copy_options::recursive);
  ASSERT_EQ(LoadCharaSelectList(vt::test::ReadFile(std::filesystem::path(VT_SAMPLE_DIR) / "charaselect.txt")),
            kRosterCharacterCount);
  const struct {
    int character;
    int available[3];
  } cases[] = {
      {0, {1, 0, 0}},  // Tester
      {2, {1, 0, 0}},  // a partner pair: both files' styles
      {4, {1, 1, 1}},  // Trio
      {5, {0, 1, 0}},  // Solo
  };
  for (const auto& c : cases) {
    g_PlayerSelections[0].character = c.character;
    for (int style = 0; style < 3; ++style)
      EXPECT_EQ(IsStyleAvailable(0, style), c.available[style]) << c.character << " " << style;
  }
  int tags[256] = {};
  for (int cell = 0; cell < kRosterCells; ++cell) {
    const int c = RosterCellCharacter(cell);
    if (c < 0 || c == kRosterRandomCell) continue;
    ASSERT_TRUE(IsRosterCharacterPresent(c)) << c;
    ++tags[GetCharacterTagType(c) & 0xFF];
  }
  EXPECT_GT(tags[0], 0);
  EXPECT_GT(tags[1], 0);
  EXPECT_GT(tags[255], 0);
  // (The tester's own projects carry part animations, whose textures need a device.)
  for (const char* project : {".\\data\\trio_2.txt", ".\\data\\_csel\\csel_trio.txt"}) {
    FrameDataSet set;
    EXPECT_EQ(LoadFrameDataSet(&set, project), 1) << project;
    FreeFrameDataSetContents(set);
  }
  EXPECT_TRUE(std::filesystem::exists("data/trio_2_c.txt"));
  EXPECT_TRUE(std::filesystem::exists("data/solo_1.txt"));
  EXPECT_TRUE(std::filesystem::exists("data/solo_1_c.txt"));
  EXPECT_TRUE(std::filesystem::exists("data/solo.pal"));
}
