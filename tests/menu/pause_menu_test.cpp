// The pause menu: its items by mode and replay state, the result each item leaves for the pause
// control, the return question (only YES goes on), VIEW SCREEN, the key settings saving their
// own file, the command list run from it, and the menu opened and closed through the pause
// control's hook.
#include "menu/pause_menu.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "MenuWindow/menu_test_util.h"
#include "Replay/replay_controller.h"
#include "app/input/app_joystick.h"
#include "app/save_data.h"
#include "battle/battle_clock.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "directnet/direct_net_state.h"
#include "menu/command_list.h"
#include "menu/pause_control.h"
#include "scene/game_modes.h"
#include "scene/scene_fixture.h"
#include "scene/scene_frame.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

class PauseMenuTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    battle_test::ResetWorld();
    scene_test::ResetSceneWords();
    FillDefaultGameData(config_);
    g_GameData = &config_;
    g_AppJoystick = &GetAppJoystickInstance();
    g_AppJoystick->ClearAll();
    Release();
    g_ReplayController.Reset();
    g_ReplayController.file.rounds.clear();
    g_ReplayController.file.roundIndex = 0;
    ResetPauseControl();
    g_PauseControlHooks = PauseControlHooks{};
    g_CommandListRequested = 0;
    g_GameModeFlags = MODE_VS_PLAYER;
  }
  void TearDown() override {
    ResetPauseControl();
    g_PauseControlHooks = PauseControlHooks{};
    FreeCommandList();
    Release();
    g_ReplayController.Reset();
    g_GameData = nullptr;
    scene_test::ResetSceneWords();
    battle_test::ResetWorld();
    MenuTest::TearDown();
  }

  // Menu buttons of a player pressed this frame (bit n: button n).
  static void Press(int player, uint32_t buttons) {
    PadState& s = g_AppJoystick->menuBank[static_cast<size_t>(player)];
    s = PadState{};
    for (int b = 0; b < 32; ++b)
      if ((buttons >> b) & 1) s.button[b] = PadState::kHeld | PadState::kPressed;
  }
  static void Release() {
    for (PadState& s : g_AppJoystick->menuBank) s = PadState{};
  }
  static std::vector<std::string> Ids(CPauseMenuManager& m) {
    std::vector<std::string> ids;
    for (CGameMenu_Element* e : m.sets[0]->elements) ids.push_back(e->IsSpacer() ? "-" : e->id);
    return ids;
  }
  // Frames without input until the menu takes input.
  static void Open(CPauseMenuManager& m) {
    for (int i = 0; i < 40 && !(m.openState == CPauseMenu_Default::kOpen && m.inputEnabled); ++i)
      m.Input(0, 0);
    ASSERT_EQ(m.openState, CPauseMenu_Default::kOpen);
  }
  static void MoveTo(CPauseMenuManager& m, const std::string& id) {
    for (int i = 0; i < 20 && m.GetCursorElement()->id != id; ++i) m.Input(2, 0);
    ASSERT_EQ(m.GetCursorElement()->id, id);
  }
  // Frames without input until the state is reached (or 200 frames ran).
  static void RunUntil(CPauseMenuManager& m, int state) {
    for (int i = 0; i < 200 && m.openState != state; ++i) m.Input(0, 0);
  }
  // Answers the return question: 'y' YES, 'n' NO, 'c' cancel.
  static void Answer(CPauseMenuManager& m, char answer) {
    ASSERT_NE(m.confirm, nullptr);
    CPauseGoTitleMenu& box = *m.confirm;
    for (int i = 0; i < 40 && !(box.openState == CPauseMenu_Default::kOpen && box.inputEnabled); ++i)
      m.Input(0, 0);
    if (answer == 'y') m.Input(8, 0);
    m.Input(0, answer == 'c' ? kMenuButtonCancel : kMenuButtonDecide);
  }

  GameData config_{};
};

struct ItemCase {
  const char* name;
  int32_t mode;
  int replayMode;
  uint32_t roundIndex;
  int rounds;
  uint8_t challenge;
  int32_t network;
  std::vector<std::string> ids;
};

TEST_F(PauseMenuTest, ItemsFollowModeReplayRoundsChallengeAndNetwork) {
  const std::vector<std::string> head = {
      "CONTINUE", "-", "COMMAND_LIST", "VIEW_SCREEN", "KEYBOARD_SETTING", "CONTROLLER_SETTING"};
  auto with = [&](std::vector<std::string> tail) {
    std::vector<std::string> all = head;
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
  };
  const ItemCase cases[] = {
      {"arcade", MODE_ARCADE, 1, 0, 0, 0, 0, with({"-", "RETURN_TITLE"})},
      {"arcade never shows the replay items", MODE_ARCADE, 2, 0, 3, 0, 0, with({"-", "RETURN_TITLE"})},
      {"versus", MODE_VS_PLAYER, 1, 0, 0, 0, 0, with({"CHARACTER_SELECT", "-", "RETURN_TITLE"})},
      {"versus CPU", MODE_VS_CPU, 1, 0, 0, 0, 0, with({"CHARACTER_SELECT", "-", "RETURN_TITLE"})},
      {"a challenger keeps character select out", MODE_VS_CPU, 1, 0, 0, 1, 0, with({"-", "RETURN_TITLE"})},
      {"network", MODE_VS_PLAYER, 1, 0, 0, 0, 1, with({"CHARACTER_SELECT", "-", "RETURN_NET_MENU"})},
      {"playback, first of three", MODE_CPU_VS_CPU, 2, 0, 3, 0, 0,
       with({"-", "RESET_ROUND", "NEXT_ROUND", "-", "RETURN_REPLAY_FILE_SELECT", "-", "-", "RETURN_TITLE"})},
      {"playback, middle", MODE_VS_PLAYER, 2, 1, 3, 0, 0,
       with({"-", "RESET_ROUND", "NEXT_ROUND", "PREVIOUS_ROUND", "-", "RETURN_REPLAY_FILE_SELECT", "-", "-",
             "RETURN_TITLE"})},
      {"playback, last", MODE_VS_PLAYER, 2, 2, 3, 0, 0,
       with({"-", "RESET_ROUND", "PREVIOUS_ROUND", "-", "RETURN_REPLAY_FILE_SELECT", "-", "-",
             "RETURN_TITLE"})},
      {"playback of one round", MODE_VS_CPU, 2, 0, 1, 0, 0,
       with({"-", "RESET_ROUND", "-", "RETURN_REPLAY_FILE_SELECT", "-", "-", "RETURN_TITLE"})},
  };
  for (const ItemCase& c : cases) {
    g_GameModeFlags = c.mode;
    g_ReplayController.mode = static_cast<uint32_t>(c.replayMode);
    g_ReplayController.file.rounds.assign(static_cast<size_t>(c.rounds), ReplayRound{});
    g_ReplayController.file.roundIndex = c.roundIndex;
    g_ChallengeState = c.challenge;
    g_NetworkMatch = c.network;
    CPauseMenuManager m;
    EXPECT_EQ(Ids(m), c.ids) << c.name;
    EXPECT_EQ(m.GetCursorElement()->id, "CONTINUE") << c.name;
    EXPECT_EQ(m.sets[0]->name, "PAUSE_MENU");
    EXPECT_EQ(m.sets[0]->resultNames.size(), 12u);
  }
}

TEST_F(PauseMenuTest, TitleNamesTheMenuPlayer) {
  CPauseMenuManager m;
  m.menuPlayer = 1;
  m.RefreshTitle();
  EXPECT_EQ(m.title, "2P PAUSE MENU");
}

struct ResultCase {
  const char* id;
  int32_t mode;
  int replayMode;
  int32_t network;
  bool asks;     // the return question comes first (answered YES)
  int32_t code;  // the result the pause control gets
};

TEST_F(PauseMenuTest, EachItemLeavesItsResultOnlyOnceClosed) {
  const ResultCase cases[] = {
      {"CONTINUE", MODE_VS_PLAYER, 1, 0, false, kPauseContinue},
      {"RETURN_TITLE", MODE_VS_PLAYER, 1, 0, true, kPauseReturnToMenu},
      {"RETURN_NET_MENU", MODE_VS_PLAYER, 1, 1, true, kPauseReturnToMenu},
      {"CHARACTER_SELECT", MODE_VS_CPU, 1, 0, true, kPauseCharacterSelect},
      {"RETURN_REPLAY_FILE_SELECT", MODE_VS_PLAYER, 2, 0, true, kPauseReplaySelect},
      {"RESET_ROUND", MODE_VS_PLAYER, 2, 0, false, kPauseResetRound},
      {"NEXT_ROUND", MODE_VS_PLAYER, 2, 0, false, kPauseNextRound},
      {"PREVIOUS_ROUND", MODE_VS_PLAYER, 2, 0, false, kPausePreviousRound},
  };
  for (const ResultCase& c : cases) {
    SCOPED_TRACE(c.id);
    g_GameModeFlags = c.mode;
    g_ReplayController.mode = static_cast<uint32_t>(c.replayMode);
    g_ReplayController.file.rounds.assign(3, ReplayRound{});
    g_ReplayController.file.roundIndex = 1;
    g_NetworkMatch = c.network;
    g_PauseResult = -1;
    g_PauseResultReady = 0;
    CPauseMenuManager m;
    Open(m);
    MoveTo(m, c.id);
    m.Input(0, kMenuButtonDecide);
    if (c.asks) {
      RunUntil(m, CPauseMenuManager::kConfirm);
      m.Input(0, 0);
      m.Input(0, 0);
      EXPECT_LT(m.opacity, 1.0f);  // dimmed under the question
      Answer(m, 'y');
    }
    const bool blacksOut = c.asks || c.code >= kPauseResetRound;
    if (blacksOut) {
      RunUntil(m, CPauseMenuManager::kBlackout);
      ASSERT_EQ(m.openState, CPauseMenuManager::kBlackout);
    }
    EXPECT_EQ(g_PauseResultReady, 0) << "nothing is stored while the menu runs";
    RunUntil(m, CPauseMenu_Default::kClosed);
    ASSERT_EQ(m.openState, CPauseMenu_Default::kClosed);
    if (blacksOut) EXPECT_GE(m.blackout, 1.125f);
    EXPECT_EQ(g_PauseResultReady, 1);
    EXPECT_EQ(g_PauseResult, c.code);
  }
}

TEST_F(PauseMenuTest, OnlyAnExplicitYesLeavesNoAndCancelComeBack) {
  for (char answer : {'n', 'c'}) {
    SCOPED_TRACE(answer);
    g_PauseResult = -1;
    g_PauseResultReady = 0;
    CPauseMenuManager m;
    Open(m);
    MoveTo(m, "RETURN_TITLE");
    m.Input(0, kMenuButtonDecide);
    RunUntil(m, CPauseMenuManager::kConfirm);
    m.Input(0, 0);
    Answer(m, answer);
    for (int i = 0; i < 40 && m.confirm; ++i) m.Input(0, 0);
    EXPECT_EQ(m.confirm, nullptr);
    EXPECT_EQ(m.openState, CPauseMenu_Default::kOpen);
    EXPECT_EQ(m.inputEnabled, 1);
    EXPECT_EQ(m.blackout, 0.0f);
    EXPECT_EQ(g_PauseResultReady, 0);
    // Back in the menu: cancel at the top continues.
    m.Input(0, kMenuButtonCancel);
    RunUntil(m, CPauseMenu_Default::kClosed);
    EXPECT_EQ(g_PauseResultReady, 1);
    EXPECT_EQ(g_PauseResult, kPauseContinue);
    for (int i = 0; i < 20; ++i) m.Input(0, 0);
    EXPECT_GE(m.opacity, 1.0f) << "brightness back after the question";
  }
}

TEST_F(PauseMenuTest, CancelAtTheTopContinues) {
  CPauseMenuManager m;
  Open(m);
  MoveTo(m, "RETURN_TITLE");  // the cursor's id is no decision
  m.Input(0, kMenuButtonCancel);
  RunUntil(m, CPauseMenu_Default::kClosed);
  EXPECT_EQ(g_PauseResultReady, 1);
  EXPECT_EQ(g_PauseResult, kPauseContinue);
}

TEST_F(PauseMenuTest, DeletingAnUndecidedMenuStoresNothing) {
  {
    CPauseMenuManager m;
    Open(m);
    MoveTo(m, "RETURN_TITLE");
  }
  EXPECT_EQ(g_PauseResultReady, 0);
  EXPECT_EQ(g_PauseResult, -1);
}

TEST_F(PauseMenuTest, ViewScreenHidesUntilTheMenuPlayerPressesAButton) {
  CPauseMenuManager m;
  m.menuPlayer = 1;
  Open(m);
  MoveTo(m, "VIEW_SCREEN");
  m.Input(0, kMenuButtonDecide);
  RunUntil(m, CPauseMenuManager::kViewHidden);
  ASSERT_EQ(m.openState, CPauseMenuManager::kViewHidden);
  EXPECT_EQ(m.fade, 0.0f);
  EXPECT_EQ(m.inputEnabled, 0);
  Press(0, 0x1);  // the other player
  m.Input(0, 0);
  Release();
  EXPECT_EQ(m.openState, CPauseMenuManager::kViewHidden);
  for (int i = 0; i < 30; ++i) m.Input(0, kMenuButtonCancel);  // the fed buttons do not leave either
  EXPECT_EQ(m.openState, CPauseMenuManager::kViewHidden);
  Press(1, 1u << 3);  // any menu button of the menu player
  m.Input(0, 0);
  Release();
  EXPECT_EQ(m.openState, CPauseMenuManager::kViewShowing);
  RunUntil(m, CPauseMenu_Default::kOpen);
  EXPECT_EQ(m.fade, 1.0f);
  EXPECT_EQ(m.inputEnabled, 1);
  EXPECT_EQ(g_PauseResultReady, 0);
}

TEST_F(PauseMenuTest, KeySettingsSaveTheirOwnFileWhenBothMenusClosed) {
  namespace fs = std::filesystem;
  struct Row {
    const char* id;
    const char* saved;
    const char* notSaved;
  };
  for (const Row& r : {Row{"KEYBOARD_SETTING", "System/_KeyboardConfig.ini", "System/_KeyConfig.ini"},
                       Row{"CONTROLLER_SETTING", "System/_KeyConfig.ini", "System/_KeyboardConfig.ini"}}) {
    SCOPED_TRACE(r.id);
    fs::remove_all("System");
    CPauseMenuManager m;
    Open(m);
    MoveTo(m, r.id);
    m.Input(0, kMenuButtonDecide);
    m.Input(0, 0);
    ASSERT_EQ(m.keys.open, 1);
    for (int i = 0; i < 20; ++i) m.Input(0, 0);
    EXPECT_FALSE(fs::exists(r.saved));
    Press(0, 0x2);  // player 1 backs out of the screen; player 2's menu closes with it
    m.Input(0, 0);
    Release();
    for (int i = 0; i < 60 && m.keys.open; ++i) m.Input(0, 0);
    EXPECT_EQ(m.keys.open, 0);
    EXPECT_TRUE(fs::exists(r.saved));
    EXPECT_FALSE(fs::exists(r.notSaved));
    EXPECT_EQ(m.openState, CPauseMenu_Default::kOpen);
    EXPECT_EQ(m.inputEnabled, 1);
  }
}

TEST_F(PauseMenuTest, CommandListRunsForTheMenuPlayerUntilClosed) {
  CPauseMenuManager m;
  m.menuPlayer = 1;
  Open(m);
  MoveTo(m, "COMMAND_LIST");
  m.Input(0, kMenuButtonDecide);
  EXPECT_EQ(m.openState, CPauseMenuManager::kCommandList);
  EXPECT_EQ(g_CommandListRequested, 1);
  m.Input(0, 0);
  EXPECT_EQ(g_CommandListRequested, 0);
  EXPECT_EQ(g_CommandListSide, 1) << "the list opens on the menu player's side";
  for (int i = 0; i < 5; ++i) m.Input(0, kMenuButtonCancel);  // the menu's own input is not the list's
  EXPECT_EQ(m.openState, CPauseMenuManager::kCommandList);
  Press(1, 0x2);
  m.Input(0, 0);
  Release();
  EXPECT_EQ(m.openState, CPauseMenu_Default::kOpen);
  EXPECT_EQ(m.inputEnabled, 1);
  EXPECT_EQ(g_PauseResultReady, 0);
}

TEST_F(PauseMenuTest, DeletedWithItsCommandListOpenTheListGoesToo) {
  namespace fs = std::filesystem;
  ASSERT_GT(LoadCharaSelectList(ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt")), 1);
  fs::create_directories("grp");
  fs::copy(fs::path(VT_SAMPLE_DIR) / "grp" / "command", "grp/command", fs::copy_options::recursive);
  g_PlayerSelections[0].character = 0;
  {
    CPauseMenuManager m;
    Open(m);
    MoveTo(m, "COMMAND_LIST");
    m.Input(0, kMenuButtonDecide);
    m.Input(0, 0);
    ASSERT_EQ(GetCommandListView().lineCount, 9);
    ASSERT_NE(GetCommandListView().sysCom00, nullptr);
  }
  EXPECT_EQ(GetCommandListView().lineCount, 0);
  EXPECT_EQ(GetCommandListView().sysCom00, nullptr);
  EXPECT_EQ(GetCommandListView().namePicture, nullptr);
  FreeCharaSelectList();
}

TEST_F(PauseMenuTest, BlackoutQuadCoversTheScreenOverTheMenu) {
  g_ReplayController.mode = kReplayPlay;
  g_ReplayController.file.rounds.assign(2, ReplayRound{});
  CPauseMenuManager m;
  Open(m);
  MoveTo(m, "RESET_ROUND");
  m.Input(0, kMenuButtonDecide);
  for (int i = 0; i < 8; ++i) m.Input(0, 0);
  ResetDrawList(&g_MainDrawList);
  m.Draw();
  const std::vector<QueuedQuad> q = Queued(m.layer + 256);
  ASSERT_FALSE(q.empty());
  // Queued first, so drawn last: over everything of the menu's priority.
  EXPECT_EQ(q.front().x0, 0.0f);
  EXPECT_EQ(q.front().y0, 0.0f);
  EXPECT_EQ(q.front().x1, 640.0f);
  EXPECT_EQ(q.front().y1, 480.0f);
  EXPECT_EQ(q.front().colour >> 24, static_cast<uint32_t>(std::min(255.0f, m.blackout * 255.0f)));
  EXPECT_EQ(q.front().colour & 0xFFFFFF, 0u);
}

// Through the pause control, as the battle runs it: the start press opens the menu for its
// player, cancel resumes, and a confirmed return leaves for the main menu.
TEST_F(PauseMenuTest, PauseControlOpensTheMenuAndActsOnItsResult) {
  InstallPauseControl();
  InstallPauseMenu();
  g_BattlePhase = 255;
  g_SceneId = SCENE_BATTLE;
  g_PlayerSelections[0].controller = 0;
  g_PlayerSelections[1].controller = 0;
  auto frame = [](int player, uint32_t buttons, uint8_t dir = 0) {
    Press(player, buttons);
    g_AppJoystick->menuBank[static_cast<size_t>(player)].menuDirection =
        dir ? static_cast<uint8_t>(dir | PadState::kChanged) : 0;
    UpdatePauseControl();
    Release();
  };
  frame(1, 1u << 2);  // start by player 2
  ASSERT_NE(g_PauseMenu, nullptr);
  EXPECT_EQ(g_PauseMenuPlayer, 1);
  EXPECT_EQ(g_Paused, 1);
  for (int i = 0; i < 30; ++i) frame(1, 0);
  frame(1, 0x2);  // cancel
  for (int i = 0; i < 30 && g_Paused; ++i) frame(1, 0);
  EXPECT_EQ(g_Paused, 0);
  EXPECT_EQ(g_PauseMenu, nullptr);
  EXPECT_EQ(g_SceneId, SCENE_BATTLE);

  frame(0, 1u << 2);
  ASSERT_NE(g_PauseMenu, nullptr);
  for (int i = 0; i < 30; ++i) frame(0, 0);
  frame(0, 0, 8);  // up from CONTINUE wraps to the last item, RETURN MAIN MENU
  frame(0, 0x1);
  for (int i = 0; i < 40; ++i) frame(0, 0);
  frame(0, 0, 8);  // YES
  frame(0, 0x1);
  for (int i = 0; i < 60 && g_Paused; ++i) frame(0, 0);
  EXPECT_EQ(g_Paused, 0);
  EXPECT_EQ(g_SceneId, SCENE_MAIN_MENU);
}

}  // namespace
}  // namespace vt::test
