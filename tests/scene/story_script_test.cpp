// The story script interpreter frame by frame: the command table's flow and effects, reveal and
// close timing, fast forward, skip and endings, mirroring, music numbers, the routing by story
// kind, the staging words it writes in the battle, and damaged scripts.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "battle/battle_camera.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/character_draw.h"
#include "battle/story_routes.h"
#include "scene/game_modes.h"
#include "scene/scene_battle.h"
#include "scene/story_draw.h"
#include "scene/story_scene.h"
#include "story_fixture.h"

namespace story_test {
namespace {

std::string Units(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "\x82\xa0";
  return s;
}

// A command followed by a marker that shows whether the frame went on to the next line.
struct FlowRow {
  const char* name;
  std::string command;
  enum { kContinue, kYield, kWait } flow;
  std::function<void()> check;
};

TEST_F(StoryTest, EachCommandChangesItsStateAndThenContinuesYieldsOrWaits) {
  const FlowRow rows[] = {
      {"NS", "NS", FlowRow::kContinue, nullptr},
      {"RT", "RT", FlowRow::kYield, nullptr},
      {"WI", "WI 2 10 20 0", FlowRow::kContinue,
       [] {
         EXPECT_EQ(S().windows[2].x, 10);
         EXPECT_EQ(S().windows[2].y, 20);
         EXPECT_EQ(S().windows[2].visible, 1);
       }},
      {"WS", "WS 3 1", FlowRow::kYield, [] { EXPECT_EQ(S().windows[3].visible, 1); }},
      {"MC", "WI 1 0 0 0\r\nMC 1", FlowRow::kYield, [] { EXPECT_EQ(S().windows[1].visible, 0); }},
      {"KW waits for a press", "KW", FlowRow::kWait, nullptr},
      {"NP", "NP 5", FlowRow::kYield, [] { EXPECT_EQ(S().waitCounter, 5); }},
      {"EF wait", "EF 30001 0 0 0 0 0", FlowRow::kYield, [] { EXPECT_EQ(S().transTimer, 29); }},
      {"XY", "XY 1 10", FlowRow::kYield, [] { EXPECT_EQ(S().transTimer, 9); }},
      {"XC", "XC", FlowRow::kYield, [] { EXPECT_EQ(S().drawingOn, 0); }},
      {"AC pending", "AC 0 57 0", FlowRow::kContinue,
       [] { EXPECT_EQ(g_PlayerRecords[0].obj.pendingPattern, 57); }},
      {"CD hides", "CD 0 0", FlowRow::kContinue, [] { EXPECT_EQ(g_StoryCharacterVisible[0], 0); }},
      {"CD 56 sets the particle word", "CD 56 0", FlowRow::kContinue,
       [] { EXPECT_EQ(g_StoryParticleFlag, 0); }},
      {"BD", "BD 0", FlowRow::kContinue, [] { EXPECT_EQ(g_DrawCharactersOn, 0); }},
      {"CO", "CO 0 3 -2", FlowRow::kContinue,
       [] {
         EXPECT_EQ(g_PlayerRecords[0].obj.posX, 3 * 128);
         EXPECT_EQ(g_PlayerRecords[0].obj.posY, -2 * 128);
       }},
      {"YS", "YS 6 0", FlowRow::kContinue, [] { EXPECT_EQ(g_StorySwayOn, 1); }},
      {"TS in the story scene goes on", "TS", FlowRow::kContinue, nullptr},
      {"BC in staff-roll-less battle does nothing", "BC", FlowRow::kYield, nullptr},
      {"unknown command", "QQ 1 2", FlowRow::kContinue, nullptr},
      {"FL", "FL 1", FlowRow::kContinue, nullptr},
      {"unlisted G line", "GZ 4", FlowRow::kContinue, nullptr},
      {"comment", "; a comment", FlowRow::kContinue, nullptr},
  };
  for (const FlowRow& row : rows) {
    SCOPED_TRACE(row.name);
    EndStoryScript();
    g_SceneId = std::string(row.name).rfind("BC", 0) == 0 ? SCENE_BATTLE : SCENE_STORY;
    for (uint8_t& v : g_StoryCharacterVisible) v = 1;
    g_PlayerRecords[0].obj = BattleObject{};
    ASSERT_EQ(LoadStoryScriptText(row.command + "\r\nMX 9 77\r\nBT\r\n"), 1);
    const int result = Frame();
    if (row.flow == FlowRow::kContinue) {
      EXPECT_EQ(S().windows[9].scale, 77);
      EXPECT_EQ(result, kStoryFinished);
    } else {
      EXPECT_EQ(S().windows[9].scale, 0);
      EXPECT_EQ(result, kStoryRunning);
    }
    if (row.flow == FlowRow::kWait) {
      Frame();
      EXPECT_EQ(S().windows[9].scale, 0) << "a waiting command stays on its line";
    }
    if (row.check) row.check();
  }
}

TEST_F(StoryTest, KeyWaitMovesOnAtThePress) {
  LoadStoryScriptText("KW\r\nMX 0 50\r\nBT\r\n");
  for (int f = 0; f < 5; ++f) EXPECT_EQ(Frame(), kStoryRunning);
  StoryInput press = Active();
  press.advance = 1;
  EXPECT_EQ(Frame(press), kStoryRunning);
  EXPECT_EQ(S().windows[0].scale, 0);
  EXPECT_EQ(Frame(), kStoryFinished);
  EXPECT_EQ(S().windows[0].scale, 50);
}

TEST_F(StoryTest, AMessageRevealsOneUnitEveryThreeFramesAndClosesAfterItsIdleTime) {
  LoadStoryScriptText("MD 0 0\r\n" + Units(30) + "\\\r\nBT\r\n");
  for (int f = 1; f <= 89; ++f) Frame();
  EXPECT_EQ(S().windows[0].revealed, 29);
  Frame();  // frame 90
  EXPECT_EQ(S().windows[0].revealed, 30);
  EXPECT_EQ(S().windows[0].length, 30);
  for (int f = 91; f <= 209; ++f) Frame();
  EXPECT_EQ(S().awaited, 0) << "still open 119 frames after it completed";
  Frame();  // frame 210: idle passes 120
  EXPECT_EQ(S().awaited, -1);
  EXPECT_EQ(S().windows[0].visible, 1) << "a closed window keeps its text on screen";
  EXPECT_EQ(Frame(), kStoryFinished);
}

TEST_F(StoryTest, ALineBreakCountsAsOneUnitOfRevealTime) {
  LoadStoryScriptText("MD 0 0\r\n" + Units(2) + "\r\n" + Units(2) + "\\\r\nBT\r\n");
  EXPECT_EQ(S().windows[0].length, 0);
  Frame();
  EXPECT_EQ(S().windows[0].length, 5);
  for (int f = 2; f <= 15; ++f) Frame();
  EXPECT_EQ(S().windows[0].revealed, 5);
}

TEST_F(StoryTest, AdvanceCompletesTheTextThenClosesIt) {
  LoadStoryScriptText("MD 0 0\r\n" + Units(10) + "\\\r\nBT\r\n");
  Frame();
  StoryInput press = Active();
  press.advance = 1;
  Frame(press);
  EXPECT_EQ(S().windows[0].revealed, 10);
  EXPECT_EQ(S().awaited, 0);
  Frame(press);
  EXPECT_EQ(S().awaited, -1);
  EXPECT_EQ(Frame(), kStoryFinished);
}

TEST_F(StoryTest, FastForwardHurriesMdButNotMs) {
  struct Row {
    const char* command;
    bool closesWithinTwoFrames;
  } rows[] = {{"MD 0 0", true}, {"MS 0 0 1 2 3", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command);
    LoadStoryScriptText(std::string(row.command) + "\r\n" + Units(10) + "\\\r\nBT\r\n");
    Frame();
    StoryInput ff = Active();
    ff.fastForward = 1;
    Frame(ff);
    Frame(ff);
    EXPECT_EQ(S().awaited < 0, row.closesWithinTwoFrames);
  }
}

TEST_F(StoryTest, MsTakesItsTransitionParametersAndWaitsAsNumberPlus100) {
  LoadStoryScriptText("MS 2 0 7 8 9\r\n" + Units(3) + "\\\r\nBT\r\n");
  Frame();
  EXPECT_EQ(S().awaited, 102);
  EXPECT_EQ(S().transParam[0], 7);
  EXPECT_EQ(S().transParam[1], 8);
  EXPECT_EQ(S().transParam[2], 9);
  EXPECT_EQ(S().speaker, -1) << "MS leaves the speaker alone";
}

TEST_F(StoryTest, MainSideOneMirrorsWindowsAndFaceSlotsUntilXw) {
  g_MainSide = 1;
  LoadStoryScriptText("MD 0 0\r\nA\\\r\nFC 0 3 1\r\nXW 1 0\r\nMD 0 0\r\nB\\\r\nFC 0 3 1\r\nBT\r\n");
  StoryInput press = Active();
  press.advance = 1;
  Frame();
  EXPECT_EQ(S().speaker, 1);
  EXPECT_EQ(S().awaited, 1);
  Frame(press);
  Frame(press);
  Frame();
  EXPECT_EQ(S().faces[1].face, 3);
  EXPECT_EQ(S().windows[1].faceArmed, 1);
  EXPECT_EQ(S().faces[0].face, 0);
  for (int f = 0; f < 4; ++f) Frame();  // XW and its one-frame band fade
  EXPECT_EQ(S().mirrorOff, 1);
  EXPECT_EQ(S().speaker, 0);
  EXPECT_EQ(S().awaited, 0);
}

TEST_F(StoryTest, MusicNumbersOfBp) {
  struct Row {
    const char* arg;
    int number;
  } rows[] = {{"1a", 110}, {"2c", 122}, {"12", 12}, {"0", 0}, {"Z", 0}, {"3{", 0}, {"", 0}, {"13z", 155}};
  for (const Row& row : rows) EXPECT_EQ(StoryMusicNumber(row.arg), row.number) << row.arg;
}

TEST_F(StoryTest, SkipFadesOverSixteenFramesThenReports256ButNotInAnEnding) {
  LoadStoryScriptText("MD 0 0\r\n" + Units(10) + "\\\r\nBT\r\n");
  Frame();
  StoryInput skip = Active();
  skip.skip = 1;
  int result = 0;
  const int frames = RunUntilEnd(40, &result, skip);
  EXPECT_EQ(result, kStorySkipped);
  EXPECT_EQ(frames, 18) << "requested, sixteen 1/16 steps, then the frame that finds it full";

  LoadStoryScriptText("MD 0 0\r\n" + Units(10) + "\\\r\nBT\r\n");
  skip.ending = 1;
  for (int f = 0; f < 40; ++f) EXPECT_NE(Frame(skip), kStorySkipped);
  EXPECT_EQ(S().skipFade, 0);
}

TEST_F(StoryTest, EndOfTextAndEdReport255EveryFrame) {
  for (const char* text : {"ED\r\n", "", "NS\r\nRT\r\n"}) {
    SCOPED_TRACE(text);
    LoadStoryScriptText(text);
    int result = 0;
    ASSERT_GT(RunUntilEnd(5, &result), 0);
    EXPECT_EQ(result, kStoryEndReached);
    EXPECT_EQ(Frame(), kStoryEndReached);
  }
}

TEST_F(StoryTest, RouteStoryResultByKindResultAndScene) {
  struct Row {
    int kind, result, scene;
    int routed, nextScene;
  } rows[] = {
      {STORY_STAGE, kStoryEndReached, SCENE_STORY, 1, SCENE_VS_SCREEN},
      {STORY_STAGE, kStorySkipped, SCENE_STORY, 1, SCENE_VS_SCREEN},
      {STORY_STAGE, kStoryRunning, SCENE_STORY, 0, SCENE_STORY},
      {STORY_OPENING, kStoryEndReached, SCENE_STORY, 1, SCENE_NEXT_STAGE},
      {STORY_ENDING, kStoryFinished, SCENE_STORY, 1, SCENE_WINNER_DEMO},
      // An ending that ends without a staff roll would otherwise never leave.
      {STORY_ENDING, kStoryEndReached, SCENE_STORY, 1, SCENE_WINNER_DEMO},
      {STORY_ENDING, kStorySkipped, SCENE_STORY, 0, SCENE_STORY},
      {STORY_NONE, kStoryEndReached, SCENE_STORY, 0, SCENE_STORY},
      {7, kStoryFinished, SCENE_STORY, 1, SCENE_TITLE},
      {STORY_STAGE, kStoryEndReached, SCENE_BATTLE, 1, SCENE_BATTLE},
      {STORY_STAGE, kStoryEndReached, SCENE_WINNER_DEMO, 1, SCENE_WINNER_DEMO},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.kind << " " << row.result << " " << row.scene);
    g_SceneId = row.scene;
    g_SceneEnter = 0;
    g_StoryKind = row.kind;
    g_TitleSkipIntro = 1;
    g_StoryBattleRoutes[0].progress[kRouteOpeningShown] = 0;
    EXPECT_EQ(RouteStoryResult(row.result), row.routed);
    EXPECT_EQ(g_SceneId, row.nextScene);
    if (row.nextScene != row.scene) {
      EXPECT_EQ(g_SceneEnter, kSceneFreshEntry);
    }
    if (row.kind == STORY_OPENING) {
      EXPECT_EQ(g_StoryBattleRoutes[0].progress[kRouteOpeningShown], 1);
    }
    if (row.nextScene == SCENE_TITLE) {
      EXPECT_EQ(g_TitleSkipIntro, 0);
    }
  }
}

TEST_F(StoryTest, ResetRestoresStagingAndKeepsASpecialStagesZoom) {
  struct Row {
    const char* script;
    int zoomOnBefore;
    float zoomBefore;
  } rows[] = {{"CZ 30\r\nCM 20\r\nQS 40\r\nBD 0\r\nCD 0 0\r\nRT\r\n", 1, 0.9f},
              {"CM 20\r\nRT\r\n", 1, 0.9f},
              {"CZ 10\r\nRT\r\n", 0, 1.0f}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.script);
    g_FixedZoomOn = row.zoomOnBefore;
    g_FixedZoom = row.zoomBefore;
    LoadStoryScriptText(row.script);
    Frame();
    Frame();
    ResetStoryScriptState();
    EXPECT_EQ(g_FixedZoomOn, row.zoomOnBefore);
    EXPECT_EQ(g_FixedZoom, row.zoomBefore);
    EXPECT_EQ(g_StoryCameraY, 0);
    EXPECT_EQ(g_StorySwayOn, 0);
    EXPECT_EQ(g_BattleState[0], 0);
    EXPECT_EQ(g_BattleState[1], 0);
    EXPECT_EQ(g_DrawCharactersOn, 1);
    EXPECT_EQ(g_StoryCharacterVisible[0], 1);
    EXPECT_EQ(g_StoryParticleFlag, 1);
  }
}

TEST_F(StoryTest, PanZoomAndQuakeValuesAtChosenFrames) {
  // CZ 0 takes its end value at once instead of dividing by zero.
  LoadStoryScriptText("CZ 0\r\nRT\r\n");
  Frame();
  EXPECT_EQ(g_FixedZoomOn, 1);
  EXPECT_NEAR(g_FixedZoom, 0.839895f, 1e-6f);

  LoadStoryScriptText("CZ 90\r\nRT\r\n");
  Frame();  // the command and one step: 1 degree of the 90
  EXPECT_NEAR(g_FixedZoom, 1.0f - std::sin(1.0 * kBattlePi / 180.0) * 0.160105f, 1e-5f);
  for (int f = 0; f < 89; ++f) Frame();
  EXPECT_NEAR(g_FixedZoom, 0.839895f, 1e-5f);

  LoadStoryScriptText("CM 0\r\nRT\r\n");
  g_CameraX = 5000;
  Frame();
  EXPECT_EQ(g_StoryCameraY, -47552);
  EXPECT_EQ(g_CameraX, 0);

  LoadStoryScriptText("CM 10\r\nRT\r\n");
  Frame();
  EXPECT_LT(g_StoryCameraY, -47000) << "raised, then panning down";
  int frames = 0;
  while (g_StoryCameraY != 0 && frames < 500) Frame(), ++frames;
  EXPECT_GT(frames, 5);
  EXPECT_LT(frames, 500) << "the pan ends at 90 degrees";

  LoadStoryScriptText("QS 100\r\nRT\r\n");
  for (int f = 0; f < 120; ++f) Frame();
  EXPECT_NEAR(g_BattleState[0], 100, 1) << "swollen to the full amplitude";
  LoadStoryScriptText("YS 6 0\r\nRT\r\n");
  std::vector<int> vertical;
  for (int f = 0; f < 31; ++f) Frame(), vertical.push_back(g_BattleState[1]);
  EXPECT_EQ(vertical[0], 6);
  EXPECT_EQ(vertical[3], -6);
  EXPECT_EQ(vertical[30], 0);
}

TEST_F(StoryTest, ScreenFadesKeepTheirLastColour) {
  LoadStoryScriptText("EF 0 3 30 0 0 0\r\nNP 10\r\nEF 0 2 30 0 0 0\r\nRT\r\n");
  for (int f = 0; f < 30; ++f) Frame();
  EXPECT_EQ(S().overlayColour, 0xFF000000u);
  for (int f = 0; f < 5; ++f) Frame();
  EXPECT_EQ(S().overlayColour, 0xFF000000u) << "stays until another screen fade";
  for (int f = 0; f < 40; ++f) Frame();
  EXPECT_EQ(S().overlayColour >> 24, 0u);
}

TEST_F(StoryTest, TransitionTable) {
  struct Row {
    const char* script;
    int timerAfterFirstFrame;
    int modeAfterFirstFrame;
    bool fastForward;
  } rows[] = {
      {"EF 30001 0 0 0 0 0", 29, 30001, false}, {"EF 30001 0 0 0 0 0", 1, 30001, true},
      {"EF 30000 0 0 0 0 0", 59, 30002, false}, {"EF 30000 -1 0 0 0 0", 0, 30001, false},
      {"EF 40002 0 0 0 0 0", 0, 40002, false},  {"EF 1 0 10 0 0 0", 9, 1, false},
      {"EF 0 1 0 0 0 0", 0, -1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.script);
    LoadStoryScriptText(std::string(row.script) + "\r\nRT\r\n");
    StoryInput in = Active();
    in.fastForward = row.fastForward;
    Frame(in);
    EXPECT_EQ(S().transTimer, row.timerAfterFirstFrame);
    if (row.timerAfterFirstFrame > 0) {
      EXPECT_EQ(S().transMode, row.modeAfterFirstFrame);
    }
  }
}

TEST_F(StoryTest, EndingPictureNames) {
  struct Row {
    int a;
    const char* lettered;
    const char* plain;
  } rows[] = {
      {205, ".\\grp\\ending\\ed_bg\\ed_chaBG02f_00", ".\\grp\\ending\\ed_bg\\ed_chaBG02_00"},
      {100, ".\\grp\\ending\\ed_bg\\ed_chaBG01a_00", ".\\grp\\ending\\ed_bg\\ed_chaBG01_00"},
      // Past z the unlettered name is taken.
      {230, ".\\grp\\ending\\ed_bg\\ed_chaBG02_00", ".\\grp\\ending\\ed_bg\\ed_chaBG02_00"},
      {-3, "", ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(EndingPictureName(row.a, true), row.lettered) << row.a;
    EXPECT_EQ(EndingPictureName(row.a, false), row.plain) << row.a;
  }
}

TEST_F(StoryTest, StrippedTextDropsReadingsAndEndsAtAFinalLeadByte) {
  struct Row {
    std::string block;
    size_t units;
  } rows[] = {
      {"\x82\xa0<\x82\xa2\x82\xa4>\x82\xa0", 2},
      {"AB\r\nC", 4},
      {"\x82\xa0\x82", 1},
      {"\x82\xa0<never closed", 1},
      {"\x82\xa0\\ignored", 1},
      {"\x81\xdd", 1},
  };
  for (const Row& row : rows) EXPECT_EQ(StripStoryText(row.block).size(), row.units) << row.block;
  EXPECT_EQ(StripStoryText("\x81\xdd")[0], kStorySymbolUnit);
  EXPECT_EQ(StripStoryText("A\r\nB")[1], kStoryLineBreak);
}

// Damaged scripts: each runs to its decided end without stalling, writing outside a table or
// running more commands than the text has lines.
TEST_F(StoryTest, DamagedScriptsNeverStallOrWriteOutsideTheTables) {
  struct Row {
    const char* name;
    std::string script;
    int expected;
  } rows[] = {
      {"unterminated message", "MD 0 0\r\n" + Units(3), kStoryEndReached},
      {"no backslash and more lines", "MD 0 0\r\nabc\r\ndef\r\nBT\r\n", kStoryEndReached},
      {"final lead byte", "MD 0 0\r\n\x82", kStoryEndReached},
      {"window 12", "MD 12 0\r\nabc\\\r\nBT\r\n", kStoryFinished},
      {"negative window", "MD -3 0\r\nabc\\\r\nBT\r\n", kStoryFinished},
      {"face slot 7", "FC 7 1 1\r\nFW 9 1 1 1 1 1\r\nFG 8 1\r\nFI 6\r\nBT\r\n", kStoryFinished},
      {"picture record 99", "CS 99 1\r\nCS -1 1\r\nBT\r\n", kStoryFinished},
      {"voice outside the folder", "SE ..\\..\\x\r\nSE \\abs\r\nBT\r\n", kStoryFinished},
      {"absolute picture", "LB /etc/passwd\r\nLB C:\\x\r\nLF 0 0 ..\\y\r\nBT\r\n", kStoryFinished},
      {"300-character name", "LB " + std::string(300, 'n') + "\r\nBT\r\n", kStoryFinished},
      {"BP Z", "BP Z\r\nBP 99999999999\r\nBT\r\n", kStoryFinished},
      {"unknown command", "QQ\r\nFL\r\nZ\r\nBT\r\n", kStoryFinished},
      {"reading without end", "MD 0 0\r\nab<cd\\\r\nBT\r\n", kStoryFinished},
      {"150-unit reading", "MD 0 0\r\n\x82\xa0<" + Units(150) + ">\\\r\nBT\r\n", kStoryFinished},
      {"60 lines",
       "MD 0 0\r\n" +
           [] {
             std::string s;
             for (int i = 0; i < 60; ++i) s += Units(3) + "\r\n";
             return s;
           }() +
           "\\\r\nBT\r\n",
       kStoryFinished},
      {"NUL inside", std::string("NS\r\n\0BT\r\n", 9), kStoryEndReached},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LoadStoryScriptText(row.script);
    StoryInput press = Active();
    press.advance = 1;
    int result = 0;
    const int frames = RunUntilEnd(400, &result, press);
    EXPECT_GT(frames, 0);
    EXPECT_EQ(result, row.expected);
    EXPECT_EQ(S().voiceClip, 0);
    EXPECT_EQ(GetStoryTextures().picture, nullptr);
  }
}

TEST_F(StoryTest, ApplyBackgroundStopsAtEdAndMarksTheEnd) {
  LoadStoryScriptText("XW 1 10\r\nRT\r\nGI -1\r\nED\r\n");
  Frame();
  ApplyStoryScriptBackground();
  EXPECT_EQ(S().staffRollEndState, 1);
  EXPECT_EQ(S().speaker, -1);
  EXPECT_EQ(S().transMode, 50001);
  EXPECT_EQ(S().transParam[0], 0) << "the lower band fades out";
  // Without a script nothing happens.
  EndStoryScript();
  S().staffRollEndState = 0;
  ApplyStoryScriptBackground();
  EXPECT_EQ(S().staffRollEndState, 0);
}

TEST_F(StoryTest, AStaffRollEndingFinishesThroughTheRoll) {
  // An empty roll: the script's ED ends the scroll at once; 8 s wait, 7 s of logo and fade.
  LoadStoryScriptText("XR 30\r\nED\r\n");
  StoryInput in = Active();
  in.ending = 1;
  int result = 0;
  const int frames = RunUntilEnd(2000, &result, in);
  EXPECT_EQ(result, kStoryFinished);
  EXPECT_NEAR(frames, 15 * 60, 3);
  EXPECT_EQ(GetStaffRoll().speed, 30.0f);
}

TEST_F(StoryTest, SkipDuringTheRollJumpsToTheLogoAndMutesVoices) {
  LoadStoryScriptText("XR 30\r\nED\r\n");
  StoryInput in = Active();
  in.ending = 1;
  Frame(in);
  in.skip = 1;
  Frame(in);
  EXPECT_EQ(GetStaffRoll().ending, 1);
  EXPECT_EQ(S().voiceMuted, 1);
  in.skip = 0;
  in.advance = 1;
  Frame(in);  // a press in the logo phase moves to the white fade
  in.advance = 0;
  int result = 0;
  const int frames = RunUntilEnd(200, &result, in);
  EXPECT_EQ(result, kStoryFinished);
  EXPECT_LE(frames, 61);
}

}  // namespace
}  // namespace story_test
