// The VS result menu: its elements by mode, the replay save's messages against the real file
// layer, the automatic save, input after the OK box, cancel, and the choice it hands on.
#include "scene/vs_result_menu.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Replay/replay_controller.h"
#include "app/lib_debug.h"
#include "app/text_list.h"
#include "scene/scene_fixture.h"
#include "support/test_util.h"

namespace {

constexpr int kUp = 8, kDown = 2;

class VsResultMenuTest : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    config_.SELECT_LANGUAGE = 1;
    LoadTexts();
    g_ReplayController.Reset();
    g_ReplayController.mode = kReplayRecord;
    g_ReplayController.file = CReplayFile{};
    ReplayInputEntry e;
    e.lever = 5;
    e.repeat = 10;
    g_ReplayController.file.AppendInput(0, e);
    g_VsResultSavedName.clear();
    g_GameModeFlags = MODE_VS_PLAYER;
  }
  void TearDown() override {
    DeleteVsResultMenu();
    g_ReplayController.Reset();
    g_ReplayController.file = CReplayFile{};
    g_GameTextTable.clear();
    SceneTest::TearDown();
  }
  // Texts 0..62 with 57..62 as the save and leave messages; texts 58 and 60 as given.
  std::string Texts() {
    std::string s;
    for (int i = 0; i < 57; ++i) s += "T" + std::to_string(i) + "=t\r\n";
    s += "T57=TOO LONG\r\nT58=" + text58 + "\r\nT59=FAILED\r\nT60=" + text60 +
         "\r\nT61=LEAVE\r\nT62=LEAVE CLOSING\r\n";
    return s;
  }
  // The table is as long as its Japanese section; the tests read the English texts.
  void LoadTexts() { LoadGameTextFrom("[Japanese]\r\n" + Texts() + "[English]\r\n" + Texts()); }
  std::vector<std::string> Labels() {
    std::vector<std::string> out;
    for (CGameMenu_Element* e : g_VsResultMenu->sets[0]->elements) out.push_back(e->label);
    return out;
  }
  // Frames of the menu with no input until it is open and taking input.
  void OpenMenu() {
    for (int i = 0; i < 40 && g_VsResultMenu->openState != CPauseMenu_Default::kOpen; ++i)
      InputVsResultMenu(0, 0);
    ASSERT_EQ(g_VsResultMenu->openState, CPauseMenu_Default::kOpen);
  }
  void MoveTo(const char* id) { g_VsResultMenu->sets[0]->SetCursorById(id); }
  // Decides the cursor's element, then runs frames until the OK box is open.
  void Decide() { InputVsResultMenu(0, 1); }
  void RunUntilOkBoxOpen() {
    for (int i = 0; i < 40; ++i) {
      if (g_VsResultMenu->okBox && g_VsResultMenu->okBox->openState == CPauseMenu_Default::kOpen) return;
      InputVsResultMenu(0, 0);
    }
    FAIL() << "no OK box";
  }
  void CloseOkBox() {
    InputVsResultMenu(0, 1);
    for (int i = 0; i < 40 && g_VsResultMenu->okBox; ++i) InputVsResultMenu(0, 0);
    ASSERT_EQ(g_VsResultMenu->okBox, nullptr);
  }
  int ReplayFiles() {
    if (!std::filesystem::is_directory("ReplayVS")) return 0;
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator("ReplayVS")) n += e.is_regular_file() ? 1 : 0;
    return n;
  }
  std::string text58 = "SAVED %s";
  std::string text60 = "ALREADY %s";
};

TEST_F(VsResultMenuTest, ElementsByPlayModeClosingAndArcade) {
  struct Case {
    uint32_t mode;
    int closing;
    std::vector<std::string> want;
  } cases[] = {
      {kReplayRecord, 0, {"ONCE AGAIN", "CHARACTER SELECT", "SAVE REPLAY", "RETURN MAIN MENU"}},
      {kReplayPlay, 0, {"ONCE AGAIN", "REPLAY FILE SELECT", "RETURN MAIN MENU"}},
      {kReplayRecord, 1, {"SAVE REPLAY", "RETURN MAIN MENU"}},
      {kReplayOff, 0, {"ONCE AGAIN", "CHARACTER SELECT", "SAVE REPLAY", "RETURN MAIN MENU"}},
  };
  for (const Case& c : cases) {
    g_ReplayController.mode = c.mode;
    CreateVsResultMenu(c.closing);
    ASSERT_NE(g_VsResultMenu, nullptr);
    EXPECT_EQ(Labels(), c.want) << c.mode << " " << c.closing;
    DeleteVsResultMenu();
  }
  // No menu in arcade, nor for a new challenger's match.
  g_GameModeFlags = MODE_ARCADE;
  CreateVsResultMenu(0);
  EXPECT_EQ(g_VsResultMenu, nullptr);
  g_GameModeFlags = MODE_VS_PLAYER;
  g_ChallengeState = 1;
  CreateVsResultMenu(0);
  EXPECT_EQ(g_VsResultMenu, nullptr);
}

TEST_F(VsResultMenuTest, SaveTwiceWritesOneFileThatLoadsBack) {
  CreateVsResultMenu(0);
  OpenMenu();
  MoveTo("SAVE_REPLAY");
  Decide();
  RunUntilOkBoxOpen();
  EXPECT_EQ(g_VsResultMenu->okBox->title, "SaveReplay");
  ASSERT_FALSE(g_VsResultSavedName.empty());
  EXPECT_EQ(g_VsResultMenu->lastMessage, "SAVED " + g_VsResultSavedName);
  EXPECT_EQ(ReplayFiles(), 1);
  CReplayFile back;
  ASSERT_EQ(back.Load(std::string(".\\ReplayVS\\") + g_VsResultSavedName), 1) << back.errorText;
  EXPECT_EQ(back.rounds.size(), g_ReplayController.file.rounds.size());

  CloseOkBox();
  // Back in the menu, which takes input at once: the cursor moves and a second save reports 60.
  EXPECT_EQ(g_VsResultMenu->openState, CPauseMenu_Default::kOpen);
  const int before = g_VsResultMenu->sets[0]->cursor;
  InputVsResultMenu(kDown, 0);
  EXPECT_NE(g_VsResultMenu->sets[0]->cursor, before);
  MoveTo("SAVE_REPLAY");
  Decide();
  RunUntilOkBoxOpen();
  EXPECT_EQ(g_VsResultMenu->lastMessage, "ALREADY " + g_VsResultSavedName);
  EXPECT_EQ(ReplayFiles(), 1);
  CloseOkBox();
  // A save never closes the menu; a leaving choice does, with its value.
  MoveTo("RETURN_TITLE");
  Decide();
  int closedAt = -1;
  for (int i = 0; i < 40; ++i)
    if (RunVsResultMenu(0, 0)) {
      closedAt = i;
      break;
    }
  EXPECT_GE(closedAt, 0);
  EXPECT_EQ(g_VsResultChoice, kVsReturnTitle);
  EXPECT_EQ(g_VsResultMenu, nullptr);
}

TEST_F(VsResultMenuTest, SaveMessagesForStoppedRecordingAndAFolderInTheWay) {
  vt::SetDebugQuiet(true);
  struct Case {
    const char* name;
    bool stopped;
    bool blocked;
    const char* want;  // null: text 58
    bool nameKept;
  } cases[] = {
      {"recording stopped", true, false, "TOO LONG", false},
      {"a plain file named ReplayVS", false, true, "FAILED", false},
      {"saved", false, false, nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all("ReplayVS");
    if (c.blocked) vt::test::WriteFile("ReplayVS", "in the way");
    g_ReplayController.recordingAllowed = c.stopped ? 0 : 1;
    std::string name;
    const std::string msg = SaveVsResultReplay(name);
    if (c.want)
      EXPECT_EQ(msg, c.want);
    else
      EXPECT_EQ(msg, "SAVED " + name);
    EXPECT_EQ(!name.empty(), c.nameKept);
    // After a failure the next try builds a name again (and succeeds once the way is clear).
    if (c.blocked) {
      std::filesystem::remove("ReplayVS");
      const std::string again = SaveVsResultReplay(name);
      EXPECT_FALSE(name.empty());
      EXPECT_EQ(again, "SAVED " + name);
    }
  }
  vt::SetDebugQuiet(false);
}

TEST_F(VsResultMenuTest, StrayConversionsInTheTextsPrintLiterally) {
  text58 = "%d saved %s as %s";
  text60 = "%s%n%s";
  LoadTexts();
  std::string name;
  const std::string first = SaveVsResultReplay(name);
  EXPECT_EQ(first, "%d saved " + name + " as %s");
  EXPECT_EQ(SaveVsResultReplay(name), name + "%n%s");
}

TEST_F(VsResultMenuTest, AutomaticSaveRunsOnceThenWaitsForAChoice) {
  config_.modes[1].flag = 1;
  CreateVsResultMenu(0);
  ASSERT_EQ(g_VsResultMenu->autoSave, CVSResultMenuManager::kAutoSaveRequested);
  OpenMenu();
  InputVsResultMenu(0, 0);
  RunUntilOkBoxOpen();
  EXPECT_EQ(g_VsResultMenu->okBox->title, "SaveReplay(AUTO)");
  EXPECT_EQ(g_VsResultMenu->autoSave, CVSResultMenuManager::kAutoSaveDone);
  EXPECT_EQ(ReplayFiles(), 1);
  CloseOkBox();
  for (int i = 0; i < 60; ++i) EXPECT_EQ(RunVsResultMenu(0, 0), 0);
  EXPECT_EQ(g_VsResultMenu->okBox, nullptr);
  EXPECT_EQ(ReplayFiles(), 1);
  EXPECT_EQ(g_VsResultMenu->openState, CPauseMenu_Default::kOpen);
  // It takes a choice.
  MoveTo("CHARACTER_SELECT");
  Decide();
  int r = 0;
  for (int i = 0; i < 40 && !r; ++i) r = RunVsResultMenu(0, 0);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(g_VsResultChoice, kVsCharacterSelect);

  // Without the option, or while playing a replay back, nothing saves itself.
  config_.modes[1].flag = 0;
  CreateVsResultMenu(0);
  EXPECT_EQ(g_VsResultMenu->autoSave, CVSResultMenuManager::kAutoSaveNone);
  DeleteVsResultMenu();
  config_.modes[1].flag = 1;
  g_ReplayController.mode = kReplayPlay;
  CreateVsResultMenu(0);
  EXPECT_EQ(g_VsResultMenu->autoSave, CVSResultMenuManager::kAutoSaveNone);
}

TEST_F(VsResultMenuTest, CancelDoesNothing) {
  CreateVsResultMenu(0);
  OpenMenu();
  for (int i = 0; i < 60; ++i) EXPECT_EQ(RunVsResultMenu(0, 2), 0);
  ASSERT_NE(g_VsResultMenu, nullptr);
  EXPECT_EQ(g_VsResultMenu->openState, CPauseMenu_Default::kOpen);
  EXPECT_EQ(g_VsResultMenu->sets[0]->CursorElement()->id, "ONCE_AGAIN");
}

TEST_F(VsResultMenuTest, ChoicesMapToTheirValues) {
  struct Case {
    uint32_t mode;
    int moves;  // downs from the first element
    int want;
  } cases[] = {
      {kReplayRecord, 0, kVsOnceAgain},    {kReplayRecord, 1, kVsCharacterSelect},
      {kReplayRecord, 3, kVsReturnTitle},  {kReplayPlay, 1, kVsReplayFileSelect},
      {kReplayRecord, 4, kVsOnceAgain},  // wraps round
      {kReplayRecord, -1, kVsReturnTitle},
  };
  for (const Case& c : cases) {
    g_ReplayController.mode = c.mode;
    CreateVsResultMenu(0);
    OpenMenu();
    for (int i = 0; i < std::abs(c.moves); ++i) InputVsResultMenu(c.moves > 0 ? kDown : kUp, 0);
    Decide();
    int r = 0;
    for (int i = 0; i < 40 && !r; ++i) r = RunVsResultMenu(0, 0);
    EXPECT_EQ(r, 1) << c.moves;
    EXPECT_EQ(g_VsResultChoice, c.want) << c.moves;
    DeleteVsResultMenu();
  }
}

}  // namespace
