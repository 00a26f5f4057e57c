// The training menu driven as the pause control drives it (UpdateTrainingMenu on paused frames,
// the main side's menu bank): decided ids to states, results to actions, the exit item by
// standby, cursor memory across runs, slot labels, the overwrite, clear and leave boxes (only an
// explicit YES acts), VIEW SCREEN, COMMAND LIST, key settings and the help keys.
#include "menu/training_menu.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Replay/replay_controller.h"
#include "app/input/app_joystick.h"
#include "app/text_list.h"
#include "battle/cpu_defence.h"
#include "menu/command_list.h"
#include "menu/key_setting.h"
#include "menu/pause_control.h"
#include "menu/training_hooks.h"
#include "menu/training_setting_menus.h"
#include "menu/training_settings.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_fixture.h"

namespace {

constexpr int kLeft = 4, kRight = 6, kDown = 2;
constexpr uint32_t kDecide = 1u << 0, kCancel = 1u << 1, kThird = 1u << 2;
using State = CTM_MainMenu::State;

class TrainingMenuTest : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    config_.SELECT_LANGUAGE = 1;
    std::string texts;
    for (int i = 0; i < 20; ++i) {
      const char* t = i == 10   ? "Clear slot %d? %d"
                      : i == 11 ? "Overwrite slot %d?"
                      : i == 12 ? "To the select?"
                      : i == 13 ? "Exit?"
                      : i == 18 ? "Leave the rank match?"
                      : i == 19 ? "Leave the room?"
                                : "t";
      texts += "T" + std::to_string(i) + "=" + t + "\r\n";
    }
    LoadGameTextFrom("[Japanese]\r\n" + texts + "[English]\r\n" + texts);
    g_GameModeFlags = MODE_TRAINING;
    g_SceneId = SCENE_BATTLE;
    g_AppJoystick = &GetAppJoystickInstance();
    Release();
    ResetPauseControl();
    ResetTrainingSettings();
    g_ReplayController.Reset();
    g_ReplayController.file = CReplayFile{};
    g_CommandListRequested = 0;
    SetOnlineModeManager(&online);
    // The memory lives for the whole process: every test starts from the menus' first rows.
    SaveMenuCursor("TRAINING_MAIN_MENU", "PLAYER_SETTING");
    for (const char* name : {"TRAINING_PS_MENU", "TRAINING_ES_MENU", "TRAINING_TD_MENU", "TRAINING_DS_MENU"})
      SaveMenuCursor(name, "");
  }
  void TearDown() override {
    CloseTrainingMenu();
    Release();
    ResetPauseControl();
    SetOnlineModeManager(nullptr);
    g_ReplayController.Reset();
    g_ReplayController.file = CReplayFile{};
    g_GameTextTable.clear();
    ResetTrainingSettings();
    g_CommandListRequested = 0;
    SceneTest::TearDown();
  }

  static void Release() {
    for (PadState& s : g_AppJoystick->menuBank) s = PadState{};
  }
  // One paused frame with these menu buttons pressed (and a direction) on the main side.
  void Frame(uint32_t buttons = 0, int direction = 0) {
    PadState& s = g_AppJoystick->menuBank[g_MainSide];
    s = PadState{};
    for (int b = 0; b < 3; ++b)
      if ((buttons >> b) & 1) s.button[b] = PadState::kHeld | PadState::kPressed;
    if (direction) s.menuDirection = static_cast<uint8_t>(direction | PadState::kChanged);
    UpdateTrainingMenu();
    Release();
  }
  // The pause control's first paused frame, then frames until the menu takes input.
  void Open() {
    g_Paused = 1;
    g_PauseStep = 1;
    g_PauseMenuActive = 1;
    Frame();
    ASSERT_NE(g_TrainingMainMenu, nullptr);
    RunUntilOpen();
  }
  void RunUntilOpen() {
    for (int i = 0; i < 60 && g_TrainingMainMenu && !MenuTakesInput(); ++i) Frame();
    ASSERT_TRUE(g_TrainingMainMenu && MenuTakesInput());
  }
  bool MenuTakesInput() { return Menu().openState == CPauseMenu_Default::kOpen && Menu().inputEnabled; }
  CTM_MainMenu& Menu() { return *g_TrainingMainMenu; }
  CGameMenuSet& Set() { return *Menu().sets[0]; }
  std::string CursorId() { return Set().CursorElement() ? Set().CursorElement()->id : "?"; }
  void Decide(const char* id) {
    Set().SetCursorById(id);
    Frame(kDecide);
  }
  // Frames until the open yes/no box takes input.
  void RunUntilBox() {
    for (int i = 0; i < 60 && !(Menu().yesNo && Menu().yesNo->openState == CPauseMenu_Default::kOpen); ++i)
      Frame();
    ASSERT_NE(Menu().yesNo, nullptr);
  }
  // Answers the open box: "YES", "NO" or cancel.
  void Answer(const std::string& how) {
    RunUntilBox();
    CTM_YesNo* box = Menu().yesNo;
    if (how == "cancel") {
      Frame(kCancel);
    } else {
      box->sets[0]->SetCursorById(how == "YES" ? "MENU_YES" : "MENU_NO");
      Frame(kDecide);
    }
  }
  // Frames until the run has ended (the menu is gone).
  void RunUntilGone() {
    for (int i = 0; i < 120 && g_TrainingMainMenu; ++i) Frame();
    ASSERT_EQ(g_TrainingMainMenu, nullptr);
  }
  // Slot `slot` recorded with `frames` frames of input.
  static void RecordSlot(int slot, uint32_t frames) {
    CReplayFile& f = g_ReplayController.file;
    if (f.rounds.size() < static_cast<size_t>(kDummySlots)) f.rounds.resize(kDummySlots);
    f.roundIndex = static_cast<uint32_t>(slot);
    ReplayInputEntry e;
    e.lever = 5;
    for (uint32_t i = 0; i < frames; ++i) f.AppendInput(0, e);  // one frame each
    f.roundIndex = 0;
  }
  // The confirmations need the slot query of the training hooks.
  bool SlotQueryAnswers(int slot) { return IsDummySlotRecorded(slot) != 0; }

  ScriptedOnlineModeManager online;
};

TEST_F(TrainingMenuTest, DecidedIdsSetTheirStates) {
  struct Case {
    const char* id;
    int32_t state;  // -1: nothing happens
  };
  const Case cases[] = {
      {"PLAYER_SETTING", State::kBattleSetting},
      {"ENEMY_SETTING", State::kEnemySetting},
      {"TRAINING_DISPLAY", State::kDisplaySetting},
      {"DUMMY_SETTING", State::kDummySetting},
      {"DUMMY_RECORDING", CPauseMenu_Default::kClosing},  // an empty slot needs no question
      {"DUMMY_RECORDING_SLOT", -1},                       // an empty slot has nothing to clear
      {"VIEW_SCREEN", State::kViewScreen},
      {"COMMAND_LIST", State::kCommandList},
      {"KEYBOARD_SETTING", State::kKeyboardSetting},
      {"CONTROLLER_SETTING", State::kControllerSetting},
      {"CHARACTER_SELECT", State::kLeaveConfirm},
      {"EXIT", State::kLeaveConfirm},
      {"CONTINUE", CPauseMenu_Default::kClosing},
      {"RESTART", CPauseMenu_Default::kClosing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Open();
    Decide(c.id);
    if (c.state < 0) {
      EXPECT_EQ(Menu().openState, CPauseMenu_Default::kOpen);
      EXPECT_TRUE(Menu().inputEnabled);
    } else {
      EXPECT_EQ(Menu().openState, c.state);
      EXPECT_FALSE(Menu().inputEnabled);
      ASSERT_NE(FindMenuCursor("TRAINING_MAIN_MENU"), nullptr);
      EXPECT_EQ(FindMenuCursor("TRAINING_MAIN_MENU")->elementId, c.id);
    }
    CloseTrainingMenu();
  }
}

TEST_F(TrainingMenuTest, RowsAndTheExitItemByStandby) {
  struct Case {
    bool rank, room;
    const char* label;
    const char* id;
  };
  const Case cases[] = {{false, false, "RETURN MAIN MENU", "EXIT"},
                        {true, false, "RETURN NETWORK MENU", "EXIT_RANK"},
                        {false, true, "RETURN TO THE ROOM", "EXIT_PLAYER"},
                        {true, true, "RETURN NETWORK MENU", "EXIT_RANK"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    online.rankSearchStandby = c.rank;
    online.roomWaitStandby = c.room;
    Open();
    std::string rows;
    for (CGameMenu_Element* e : Set().elements) rows += e->IsSpacer() ? std::string("|") : e->id + ",";
    EXPECT_EQ(rows,
              std::string("PLAYER_SETTING,|ENEMY_STATUS,ENEMY_SETTING,|DUMMY_SETTING,DUMMY_RECORDING_SLOT,"
                          "DUMMY_RECORDING,|TRAINING_DISPLAY,|COMMAND_LIST,|KEYBOARD_SETTING,"
                          "CONTROLLER_SETTING,|VIEW_SCREEN,|CHARACTER_SELECT,") +
                  c.id + ",|RESTART,CONTINUE,");
    EXPECT_EQ(Set().FindElement(c.id)->label, c.label);
    EXPECT_EQ(Menu().title, "TRAINING MENU");
    EXPECT_EQ(Set().name, "TRAINING_MAIN_MENU");
    CloseTrainingMenu();
  }
}

// Which result each way out gives, seen by what it does to the scene words and the online
// manager. Leaving asks first; only YES leaves.
TEST_F(TrainingMenuTest, ResultsToActions) {
  struct Case {
    const char* name;
    const char* id;  // nullptr: cancel at the top
    bool rank, room;
    int scene;
    uint8_t enter;
    uint8_t paused;
    int32_t resume;
    int charaRequests, leaveRequests;
  };
  const Case cases[] = {
      {"cancel", nullptr, false, false, SCENE_BATTLE, 0, 0, 0, 0, 0},
      {"continue", "CONTINUE", false, false, SCENE_BATTLE, 0, 0, 0, 0, 0},
      {"character select", "CHARACTER_SELECT", false, false, SCENE_CHARA_SELECT, 1, 0, 0, 0, 0},
      {"main menu", "EXIT", false, false, SCENE_MAIN_MENU, 1, 0, 0, 0, 0},
      {"select in a standby", "CHARACTER_SELECT", true, false, SCENE_CHARA_SELECT, 1, 0, 0, 1, 0},
      {"network menu", "EXIT_RANK", true, false, SCENE_NETWORK_MENU, 1, 0, 5, 0, 1},
      {"player room", "EXIT_PLAYER", false, true, SCENE_NETWORK_MENU, 1, 0, 11, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    online = ScriptedOnlineModeManager{};
    online.rankSearchStandby = c.rank;
    online.roomWaitStandby = c.room;
    g_SceneId = SCENE_BATTLE;
    g_SceneEnter = 7;
    g_GameModeFlags = MODE_TRAINING;
    g_AppliedEnemyAction = 3;
    g_TrainingActionTimer = 77;
    Open();
    if (c.id == nullptr) {
      Frame(kCancel);
    } else {
      Decide(c.id);
      if (Menu().openState == State::kLeaveConfirm) Answer("YES");
    }
    RunUntilGone();
    EXPECT_EQ(g_TrainingMenuScreen, nullptr);
    EXPECT_EQ(g_SceneId, c.scene);
    EXPECT_EQ(g_SceneEnter, c.enter);
    EXPECT_EQ(g_Paused, c.paused);
    EXPECT_EQ(online.resumeState, c.resume);
    EXPECT_EQ(online.charaSelectRequests, c.charaRequests);
    EXPECT_EQ(online.leaveRequests, c.leaveRequests);
    EXPECT_EQ(g_TrainingActionTimer, 0);
    EXPECT_EQ(g_PauseMenuActive, 0);
    if (c.scene == SCENE_CHARA_SELECT) {
      EXPECT_EQ(g_GameModeFlags, MODE_TRAINING);
      EXPECT_EQ(g_AppliedEnemyAction, -1);
    }
    if (c.scene == SCENE_BATTLE) {
      EXPECT_EQ(g_PauseStep, 2) << "the battle resumes";
    }
  }
}

TEST_F(TrainingMenuTest, RestartLeavesTheSceneToTheTrainingRestart) {
  Open();
  Decide("RESTART");
  RunUntilGone();
  EXPECT_EQ(g_SceneId, SCENE_BATTLE);
  EXPECT_NE(g_SceneEnter, 1) << "no scene change: the battle restarts in place";
}

// NO and cancel in the leave box go back to the menu; a later cancel at the top continues,
// although the last decided id was a way out.
TEST_F(TrainingMenuTest, LeaveBoxActsOnlyOnYes) {
  for (const char* how : {"NO", "cancel"}) {
    SCOPED_TRACE(how);
    g_SceneId = SCENE_BATTLE;
    Open();
    Decide("EXIT");
    RunUntilBox();
    EXPECT_EQ(Menu().yesNo->question, "Exit?");
    EXPECT_EQ(Menu().yesNo->title, "Check");
    EXPECT_EQ(Menu().active, 0);
    Answer(how);
    for (int i = 0; i < 40 && Menu().yesNo; ++i) Frame();
    EXPECT_EQ(Menu().yesNo, nullptr);
    EXPECT_TRUE(MenuTakesInput());
    EXPECT_EQ(Menu().active, 1);
    EXPECT_EQ(CursorId(), "EXIT");
    Frame(kCancel);
    RunUntilGone();
    EXPECT_EQ(g_SceneId, SCENE_BATTLE);
    EXPECT_EQ(g_Paused, 0);
  }
}

// The cursor comes back where it was left, in this run and in a later training battle; each
// setting menu keeps its own element although two of them share a set name.
TEST_F(TrainingMenuTest, CursorMemoryAcrossRunsAndPerSettingMenu) {
  Open();
  Set().SetCursorById("VIEW_SCREEN");
  Frame(kCancel);
  RunUntilGone();
  EXPECT_EQ(FindMenuCursor("TRAINING_MAIN_MENU")->elementId, "VIEW_SCREEN");

  CloseTrainingMenu();  // the next training battle's start
  Open();
  EXPECT_EQ(CursorId(), "VIEW_SCREEN");

  struct Visit {
    const char* item;
    const char* settingName;
    const char* element;
  };
  const Visit visits[] = {{"TRAINING_DISPLAY", "TRAINING_TD_MENU", "INPUT_DISPLAY"},
                          {"DUMMY_SETTING", "TRAINING_DS_MENU", "REPLAY_SLOT"}};
  for (const Visit& v : visits) {
    Decide(v.item);
    Frame();
    CTM_SettingMenu* menu = Menu().OpenSettingMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->y, 190);
    for (int i = 0; i < 40 && !menu->inputEnabled; ++i) Frame();
    menu->sets[0]->SetCursorById(v.element);
    Frame(kCancel);
    for (int i = 0; i < 40 && Menu().OpenSettingMenu(); ++i) Frame();
    EXPECT_EQ(FindMenuCursor(v.settingName)->elementId, v.element);
    EXPECT_EQ(CursorId(), v.item);
  }
  for (const Visit& v : visits) {
    Decide(v.item);
    Frame();
    CTM_SettingMenu* menu = Menu().OpenSettingMenu();
    EXPECT_EQ(menu->sets[0]->CursorElement()->id, v.element) << v.item;
    for (int i = 0; i < 40 && !menu->inputEnabled; ++i) Frame();
    Frame(kCancel);
    for (int i = 0; i < 40 && Menu().OpenSettingMenu(); ++i) Frame();
  }
}

TEST_F(TrainingMenuTest, SlotLabels) {
  RecordSlot(2, 750);
  RecordSlot(4, 59);
  RecordSlot(5, 61);
  RecordSlot(6, 108000);
  struct Case {
    int slot;
    const char* label;
  };
  const Case cases[] = {
      {2, "SLOT 03 (12\"50)"}, {0, "SLOT 01 (NO DATA)"},  {4, "SLOT 05 (00\"98)"},
      {5, "SLOT 06 (01\"01)"}, {6, "SLOT 07 (1800\"00)"}, {9, "SLOT 10 (NO DATA)"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDummySlotLabel(c.slot), c.label);
  // A file of fewer rounds than slots: the slots past its end read NO DATA.
  g_ReplayController.file.rounds.resize(3);
  EXPECT_EQ(FormatDummySlotLabel(7), "SLOT 08 (NO DATA)");
  EXPECT_EQ(FormatDummySlotLabel(2), "SLOT 03 (12\"50)");
}

// Opening stops the replay controller and shows the stored enemy status and slot; closing
// stores the choices; recording into an empty slot starts at once on resume.
TEST_F(TrainingMenuTest, OpensOnTheStoredChoicesAndStartsARecordingIntoAnEmptySlot) {
  RecordSlot(1, 120);
  g_ReplayController.dummyMode = 1;
  g_ReplayController.mode = kReplayPlay;
  g_ReplayController.hold = 1;
  g_TrainingSettings[ENEMY_STATUS] = kEnemyCpu;
  g_SelectedDummySlot = 1;
  Open();
  EXPECT_EQ(g_ReplayController.mode, 0u);
  EXPECT_EQ(g_ReplayController.dummyMode, 0u);
  EXPECT_EQ(g_ReplayController.hold, 0u);
  CGameMenu_Element* status = Set().FindElement("ENEMY_STATUS");
  EXPECT_STREQ(status->GetChoiceLabel(status->GetChoiceIndex()), "CPU");
  CGameMenu_Element* slot = Set().FindElement("DUMMY_RECORDING_SLOT");
  EXPECT_STREQ(slot->GetChoiceLabel(slot->GetChoiceIndex()), "SLOT 02 (02\"00)");

  Set().SetCursorById("ENEMY_STATUS");
  Frame(0, kRight);
  Frame(0, kRight);
  Set().SetCursorById("DUMMY_RECORDING_SLOT");
  Frame(0, kRight);
  Frame(0, kRight);
  EXPECT_EQ(g_TrainingSettings[ENEMY_STATUS], kEnemyCpu) << "stored only when the menu closes";
  Decide("DUMMY_RECORDING");  // slot 4 (index 3) is empty: no question
  EXPECT_EQ(Menu().yesNo, nullptr);
  RunUntilGone();
  EXPECT_EQ(g_TrainingSettings[ENEMY_STATUS], kEnemyDummy);
  EXPECT_EQ(g_SelectedDummySlot, 3);
  EXPECT_EQ(g_ReplayController.dummyMode, 1u);
  EXPECT_EQ(g_ReplayController.mode, static_cast<uint32_t>(kReplayRecord));
  EXPECT_EQ(g_ReplayController.file.roundIndex, 3u);
  EXPECT_EQ(g_Paused, 0);
}

// A cancel after choosing slot and status still stores them, and starts no recording.
TEST_F(TrainingMenuTest, CancelStoresTheChoicesAndStartsNothing) {
  Open();
  Set().SetCursorById("DUMMY_RECORDING_SLOT");
  Frame(0, kRight);
  Frame(kCancel);
  RunUntilGone();
  EXPECT_EQ(g_SelectedDummySlot, 1);
  EXPECT_EQ(g_ReplayController.dummyMode, 0u);
  EXPECT_EQ(g_ReplayController.mode, 0u);
}

// Overwriting a recorded slot asks with text 11 and the slot number; only YES records.
TEST_F(TrainingMenuTest, OverwriteBoxRecordsOnlyOnYes) {
  RecordSlot(3, 300);
  if (!SlotQueryAnswers(3)) GTEST_SKIP() << "the training hooks' slot query is not built yet";
  for (const char* how : {"NO", "cancel", "YES"}) {
    SCOPED_TRACE(how);
    g_SelectedDummySlot = 3;
    Open();
    Decide("DUMMY_RECORDING");
    EXPECT_EQ(Menu().openState, State::kOverwriteConfirm);
    RunUntilBox();
    EXPECT_EQ(Menu().yesNo->question, "Overwrite slot 4?");
    Answer(how);
    if (std::string(how) == "YES") {
      RunUntilGone();
      EXPECT_EQ(g_ReplayController.mode, static_cast<uint32_t>(kReplayRecord));
      EXPECT_EQ(g_ReplayController.dummyMode, 1u);
      EXPECT_EQ(g_ReplayController.file.roundIndex, 3u);
    } else {
      for (int i = 0; i < 40 && Menu().yesNo; ++i) Frame();
      EXPECT_TRUE(MenuTakesInput());
      EXPECT_EQ(CursorId(), "DUMMY_RECORDING");
      EXPECT_EQ(g_ReplayController.mode, 0u);
      EXPECT_GT(g_ReplayController.file.rounds[3].GetLength(), 0u);
      CloseTrainingMenu();  // as a battle start does: a declined overwrite records nothing
      EXPECT_EQ(g_ReplayController.mode, 0u);
      EXPECT_GT(g_ReplayController.file.rounds[3].GetLength(), 0u);
    }
  }
}

// Clearing a recorded slot asks with text 10 (only its first "%d" is the number); YES clears it
// and relabels it at once.
TEST_F(TrainingMenuTest, ClearBoxClearsAndRelabelsOnlyOnYes) {
  RecordSlot(2, 750);
  if (!SlotQueryAnswers(2)) GTEST_SKIP() << "the training hooks' slot query is not built yet";
  g_SelectedDummySlot = 2;
  Open();
  for (const char* how : {"NO", "cancel", "YES"}) {
    SCOPED_TRACE(how);
    Decide("DUMMY_RECORDING_SLOT");
    EXPECT_EQ(Menu().openState, State::kClearConfirm);
    RunUntilBox();
    EXPECT_EQ(Menu().yesNo->question, "Clear slot 3? %d");
    Answer(how);
    for (int i = 0; i < 40 && Menu().yesNo; ++i) Frame();
    EXPECT_TRUE(MenuTakesInput());
    CGameMenu_Element* slot = Set().FindElement("DUMMY_RECORDING_SLOT");
    const std::string label = slot->GetChoiceLabel(slot->GetChoiceIndex());
    if (std::string(how) == "YES") {
      EXPECT_EQ(label, "SLOT 03 (NO DATA)");
      EXPECT_EQ(g_ReplayController.file.rounds[2].GetLength(), 0u);
    } else {
      EXPECT_EQ(label, "SLOT 03 (12\"50)");
    }
  }
  Decide("DUMMY_RECORDING_SLOT");
  EXPECT_EQ(Menu().openState, CPauseMenu_Default::kOpen) << "an empty slot is not offered for clearing";
}

// The third button in a setting menu closes it and then the whole menu; its values are stored.
TEST_F(TrainingMenuTest, ThirdButtonInASettingMenuClosesEverything) {
  Open();
  Decide("PLAYER_SETTING");
  Frame();
  CTM_SettingMenu* menu = Menu().OpenSettingMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(Menu().active, 0);
  for (int i = 0; i < 40 && !menu->inputEnabled; ++i) Frame();
  menu->sets[0]->SetCursorById("LIFE");
  Frame(0, kLeft);  // RECOVER 100% -> RECOVER 75%
  EXPECT_EQ(g_TrainingSettings[LIFE], 0);
  Frame(kThird);
  RunUntilGone();
  EXPECT_EQ(g_TrainingSettings[LIFE], 1);
  EXPECT_EQ(g_SceneId, SCENE_BATTLE);
  EXPECT_EQ(g_Paused, 0);
}

TEST_F(TrainingMenuTest, ViewScreenHidesUntilAnyMenuButton) {
  Open();
  Decide("VIEW_SCREEN");
  for (int i = 0; i < 30; ++i) Frame();
  EXPECT_EQ(Menu().openState, State::kViewScreen);
  EXPECT_EQ(Menu().fade, 0.0f);
  EXPECT_LT(Menu().help->fade, 1.0f);
  g_MainSide = 1;  // only the menu player's buttons count
  Frame(kDecide);
  g_MainSide = 0;
  EXPECT_EQ(Menu().openState, State::kViewScreen);
  Frame(kThird);
  for (int i = 0; i < 20 && Menu().openState == State::kViewScreen; ++i) Frame();
  EXPECT_TRUE(MenuTakesInput());
  EXPECT_EQ(Menu().fade, 1.0f);
}

TEST_F(TrainingMenuTest, CommandListRequestedAndBackToTheMenu) {
  Open();
  Decide("COMMAND_LIST");
  Frame();
  EXPECT_EQ(g_CommandListRequested, 1);
  for (int i = 0; i < 600 && Menu().openState == State::kCommandList; ++i) Frame(i % 2 ? kCancel : 0);
  EXPECT_TRUE(MenuTakesInput());
}

// Keyboard settings: the key screen takes the input, cancel in one player's menu closes both,
// the keyboard file is saved and the menu comes back.
TEST_F(TrainingMenuTest, KeyboardSettingSavesAndReturns) {
  Open();
  Decide("KEYBOARD_SETTING");
  Frame();
  ASSERT_TRUE(Menu().keyScreen->open);
  EXPECT_EQ(Menu().keyScreen->mode, KeySettingScreen::kKeyboard);
  EXPECT_EQ(Menu().active, 0);
  for (int i = 0; i < 40 && !Menu().keyScreen->menus[0]->inputEnabled; ++i) Frame();
  Frame(kCancel);
  for (int i = 0; i < 60 && Menu().openState == State::kKeyboardSetting; ++i) Frame();
  EXPECT_TRUE(MenuTakesInput());
  EXPECT_FALSE(Menu().keyScreen->open);
  EXPECT_TRUE(std::filesystem::exists("System/_KeyboardConfig.ini"));
}

// Help keys: the setting menu's prefix and the choice value, nothing while a box is open, and the
// narrower English text of the replay type.
TEST_F(TrainingMenuTest, HelpKeys) {
  Open();
  Set().SetCursorById("ENEMY_STATUS");
  Frame();
  EXPECT_EQ(Menu().help->key1, "ENEMY_STATUS");
  EXPECT_EQ(Menu().help->key2, "ENEMY_STATUS_0");

  Decide("ENEMY_SETTING");
  Frame();
  CTM_SettingMenu* es = Menu().OpenSettingMenu();
  for (int i = 0; i < 40 && !es->inputEnabled; ++i) Frame();
  es->sets[0]->SetCursorById("AIR_RECOVERY");
  Frame(0, kLeft);  // NEUTRAL -> OFF
  EXPECT_EQ(Menu().help->key1, "ES_AIR_RECOVERY");
  EXPECT_EQ(Menu().help->key2, "ES_AIR_RECOVERY_5");
  Frame(kCancel);
  for (int i = 0; i < 40 && Menu().OpenSettingMenu(); ++i) Frame();

  struct Case {
    int32_t language;
    const char* element;
    float scale;
  };
  const Case cases[] = {{1, "REPLAY_TYPE", 0.6f}, {1, "REPLAY_SLOT", 0.7f}, {0, "REPLAY_TYPE", 0.7f}};
  Decide("DUMMY_SETTING");
  Frame();
  CTM_SettingMenu* ds = Menu().OpenSettingMenu();
  for (int i = 0; i < 40 && !ds->inputEnabled; ++i) Frame();
  for (const Case& c : cases) {
    config_.SELECT_LANGUAGE = c.language;
    ds->sets[0]->SetCursorById(c.element);
    Frame();
    EXPECT_EQ(Menu().help->key1, std::string("DS_") + c.element);
    EXPECT_FLOAT_EQ(Menu().help->scaleX, c.scale) << c.language << " " << c.element;
  }
  Frame(kCancel);
  for (int i = 0; i < 40 && Menu().OpenSettingMenu(); ++i) Frame();

  Decide("EXIT");
  RunUntilBox();
  EXPECT_EQ(Menu().help->key1, "");
  EXPECT_EQ(Menu().help->key2, "");
}

// The menu reads the main side's bank: the other side's presses do nothing.
TEST_F(TrainingMenuTest, OnlyTheMainSideDrivesTheMenu) {
  g_MainSide = 1;
  Open();
  EXPECT_EQ(Menu().player, 1);
  PadState& other = g_AppJoystick->menuBank[0];
  other.button[1] = PadState::kHeld | PadState::kPressed;
  UpdateTrainingMenu();
  Release();
  EXPECT_TRUE(MenuTakesInput());
  Frame(0, kDown);
  EXPECT_EQ(CursorId(), "ENEMY_STATUS");
  Frame(kCancel);
  RunUntilGone();
}

}  // namespace
