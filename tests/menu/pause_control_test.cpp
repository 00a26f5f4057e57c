// The pause control: who may pause in each mode, the attract demo's end on any input, the menu's
// input mapping against a recording menu, the result table through the result words the menu's
// destructor writes, the round jumps of a playback, the arcade's challenger interrupt, and the
// rule that nothing freezes while no menu could resume the battle.
#include "menu/pause_control.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Replay/replay_controller.h"
#include "app/app_state.h"
#include "app/input/app_joystick.h"
#include "battle/battle_clock.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_fixture.h"

namespace {

// A menu that records what it was fed and closes (storing its result on deletion) when told.
struct MenuLog {
  std::vector<std::pair<int, int>> inputs;
  int created = 0;
  int draws = 0;
  int createdFor = -1;
  int closeWith = -2;  // -2: stays open
};
MenuLog g_log;

class RecordingMenu : public PauseMenu {
 public:
  ~RecordingMenu() override {
    if (g_log.closeWith != -2) {
      g_PauseResult = g_log.closeWith;
      g_PauseResultReady = 1;
    }
  }
  void Draw() override { ++g_log.draws; }
  void Input(int direction, int button) override { g_log.inputs.emplace_back(direction, button); }
  int State() override { return g_log.closeWith != -2 ? 4 : 2; }
};

std::unique_ptr<PauseMenu> MakeRecordingMenu(int player) {
  ++g_log.created;
  g_log.createdFor = player;
  return std::make_unique<RecordingMenu>();
}

float g_challengerClock = 0.0f;
int g_challengerStarts = 0;

class PauseControl : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    ResetPauseControl();
    g_PauseControlHooks = PauseControlHooks{};
    g_log = MenuLog{};
    g_AppJoystick = &GetAppJoystickInstance();
    g_AppJoystick->ClearAll();
    for (PadState& s : g_AppJoystick->menuBank) s = PadState{};
    g_ReplayController.Reset();
    g_ReplayController.file.rounds.clear();
    g_ReplayController.file.roundIndex = 0;
    g_RoundCounter = 0;
    g_CaptureScreenRequest = 0;
    g_BattlePhase = 255;
    g_SceneId = SCENE_BATTLE;
    g_SceneEnter = 0;
    g_challengerClock = 0.0f;
    g_challengerStarts = 0;
    InstallPauseControl();
  }
  void TearDown() override {
    ResetPauseControl();
    g_PauseControlHooks = PauseControlHooks{};
    for (PadState& s : g_AppJoystick->menuBank) s = PadState{};
    SetOnlineModeManager(nullptr);
    g_CaptureScreenRequest = 0;
    SceneTest::TearDown();
  }
  // Presses menu buttons of a player this frame (bit n: button n).
  static void Press(int player, uint32_t buttons, uint8_t menuDirection = 0) {
    PadState& s = g_AppJoystick->menuBank[static_cast<size_t>(player)];
    s = PadState{};
    for (int b = 0; b < 32; ++b)
      if ((buttons >> b) & 1) s.button[b] = PadState::kHeld | PadState::kPressed;
    s.menuDirection = menuDirection;
  }
  static void Release() {
    for (PadState& s : g_AppJoystick->menuBank) s = PadState{};
  }
  static void Versus(int32_t mode, int c0, int c1, int main = 0) {
    g_GameModeFlags = mode;
    g_PlayerSelections[0].controller = c0;
    g_PlayerSelections[1].controller = c1;
    g_MainSide = static_cast<uint8_t>(main);
  }
};

constexpr uint32_t kStart = 1u << 2;

struct WhoCase {
  const char* name;
  int32_t mode;
  int c0, c1, main;
  int presser;  // 0, 1, or 2 for both
  uint8_t commandLock;
  uint8_t judge;
  uint8_t challenge;
  int32_t directSession;
  int start;   // ReadPauseRequest's result
  int player;  // g_PausePlayer afterwards (-1: not looked at)
};

TEST_F(PauseControl, WhoMayPauseByModeControllersAndRoundState) {
  const WhoCase cases[] = {
      {"VersusPlayerTwo", MODE_VS_PLAYER, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1},
      {"VersusBothPlayerOneFirst", MODE_VS_PLAYER, 0, 0, 1, 2, 0, 0, 0, 0, 1, 0},
      {"VsCpuCpuSideIgnored", MODE_VS_CPU, 0, 1, 0, 1, 0, 0, 0, 0, 0, -1},
      {"VsCpuHumanSide", MODE_VS_CPU, 1, 0, 1, 1, 0, 0, 0, 0, 1, 1},
      {"CpuVsCpuMainSideOnly", MODE_CPU_VS_CPU, 1, 1, 1, 0, 0, 0, 0, 0, 0, -1},
      {"CpuVsCpuMainSide", MODE_CPU_VS_CPU, 1, 1, 1, 1, 0, 0, 0, 0, 1, 1},
      {"ArcadeHuman", MODE_ARCADE, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0},
      {"RoundOpeningHold", MODE_VS_PLAYER, 0, 0, 0, 0, 2, 0, 0, 0, 0, -1},
      {"FightCallStarted", MODE_VS_PLAYER, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0},
      {"Judged", MODE_VS_PLAYER, 0, 0, 0, 0, 0, 3, 0, 0, 0, -1},
      {"ChallengerRunning", MODE_ARCADE, 0, 0, 0, 2, 0, 0, 1, 0, 0, -1},
      {"DirectSession", MODE_VS_PLAYER, 0, 0, 0, 0, 0, 0, 0, 1, 0, -1},
      {"TrainingMainSide", MODE_TRAINING, 0, 1, 1, 1, 0, 0, 0, 0, 1, 1},
      {"TrainingOtherSide", MODE_TRAINING, 0, 0, 1, 0, 0, 0, 0, 0, 0, -1},
      {"TrainingOpeningHold", MODE_TRAINING, 0, 0, 0, 0, 2, 0, 0, 0, 0, -1},
      {"NetworkWordNever", MODE_NETWORK, 0, 0, 0, 2, 0, 0, 0, 0, 0, -1},
      {"TeamBattleNever", MODE_TEAM_BATTLE, 0, 0, 0, 2, 0, 0, 0, 0, 0, -1},
  };
  for (const WhoCase& c : cases) {
    SCOPED_TRACE(c.name);
    Versus(c.mode, c.c0, c.c1, c.main);
    g_CommandLock = c.commandLock;
    g_JudgeState = c.judge;
    g_ChallengeState = c.challenge;
    g_DirectNetSession = c.directSession;
    Release();
    if (c.presser != 1) Press(0, kStart);
    if (c.presser != 0) Press(1, kStart);
    g_PausePlayer = -1;
    EXPECT_EQ(ReadPauseRequest(), c.start);
    if (c.player >= 0) EXPECT_EQ(g_PausePlayer, c.player);
  }
}

TEST_F(PauseControl, OnlyABattlePhaseWithoutAnOnlineMatchRunsTheControl) {
  EXPECT_EQ(IsPauseAllowed(), 1);
  g_BattlePhase = 0;
  EXPECT_EQ(IsPauseAllowed(), 0);
  g_BattlePhase = 255;
  ScriptedOnlineModeManager online;
  online.netMatchActive = true;
  SetOnlineModeManager(&online);
  EXPECT_EQ(IsPauseAllowed(), 0);
}

struct AttractCase {
  const char* name;
  int presser;
  uint32_t buttons;
  int credit, startInput;
  uint8_t commandLock;
  uint8_t restart;  // g_RoundRestart afterwards
};

TEST_F(PauseControl, AttractDemoEndsOnAnyInputAndNeverPauses) {
  g_PauseControlHooks.createPauseMenu = MakeRecordingMenu;
  const AttractCase cases[] = {
      {"Nothing", -1, 0, 0, 0, 0, 0},
      {"MainSideStart", 0, kStart, 0, 0, 0, 1},
      {"OtherSideStart", 1, kStart, 0, 0, 0, 100},
      {"AnyButton", 1, 1u << 5, 0, 0, 0, 100},
      {"DecideOnMainSide", 0, 1u, 0, 0, 0, 100},
      {"CoinPending", -1, 0, 1, 0, 0, 100},
      {"StartPending", -1, 0, 0, 1, 0, 100},
      {"StartDuringOpeningHoldIsAnyButton", 0, kStart, 0, 0, 2, 100},
  };
  for (const AttractCase& c : cases) {
    SCOPED_TRACE(c.name);
    Versus(MODE_VS_PLAYER, 1, 1, 0);
    g_AttractDemo = 1;
    g_CommandLock = c.commandLock;
    g_RoundRestart = 0;
    g_CreditState.creditInput[1] = c.credit;
    g_CreditState.startInput[0] = c.startInput;
    Release();
    if (c.presser >= 0) Press(c.presser, c.buttons);
    UpdatePauseControl();
    EXPECT_EQ(g_RoundRestart, c.restart);
    EXPECT_EQ(g_Paused, 0);
    EXPECT_EQ(g_log.created, 0);
  }
}

TEST_F(PauseControl, MenuInputMapsRepeatDirectionAndButtons) {
  g_PauseControlHooks.createPauseMenu = MakeRecordingMenu;
  Versus(MODE_VS_PLAYER, 0, 0);
  Press(1, kStart);
  UpdatePauseControl();
  ASSERT_EQ(g_log.created, 1);
  EXPECT_EQ(g_log.createdFor, 1);
  EXPECT_EQ(g_PauseMenuPlayer, 1);
  EXPECT_EQ(g_Paused, 1);
  EXPECT_EQ(g_PauseStep, 0);
  EXPECT_EQ(g_PauseResult, -1);
  // The opening frame already fed the new menu its start press as a cancel (a menu still opening
  // takes no input).
  EXPECT_EQ(g_log.inputs, (std::vector<std::pair<int, int>>{{0, 2}}));
  g_log.inputs.clear();
  struct Feed {
    int player;
    uint32_t buttons;
    uint8_t dir;
    std::pair<int, int> fed;
  };
  const Feed feeds[] = {
      {1, 0, 0x02, {0, 0}},                   // direction without the repeat bit
      {1, 0, 0x80 | 0x02, {2, 0}},            // repeat bit: the low four bits
      {1, 1u << 0, 0, {0, 1}},                // decide
      {1, 1u << 1, 0, {0, 2}},                // cancel
      {1, kStart, 0, {0, 2}},                 // start backs out
      {1, (1u << 0) | (1u << 1), 0, {0, 2}},  // cancel wins over decide
      {1, 1u << 3, 0x80 | 0x08, {8, 0}},      // other buttons do nothing
      {0, 1u << 0, 0x80 | 0x06, {0, 0}},      // the other player's bank is not read
  };
  for (const Feed& f : feeds) {
    Release();
    Press(f.player, f.buttons, f.dir);
    FeedPauseMenuInput();
    ASSERT_FALSE(g_log.inputs.empty());
    EXPECT_EQ(g_log.inputs.back(), f.fed) << f.buttons << " " << int(f.dir);
  }
}

struct ResultCase {
  const char* name;
  int32_t result;
  int scene;  // the scene afterwards
  uint8_t enter;
  int capture;
  uint32_t roundIndex;
  int32_t counter;
};

TEST_F(PauseControl, ResultsThroughTheResultWords) {
  const ResultCase cases[] = {
      {"None", -1, SCENE_BATTLE, 0, 0, 8, 8},
      {"Continue", 0, SCENE_BATTLE, 0, 0, 8, 8},
      {"MainMenu", 3, SCENE_MAIN_MENU, 1, 0, 8, 8},
      {"CharacterSelect", 4, SCENE_CHARA_SELECT, 1, 0, 8, 8},
      {"ResetRound", 10, SCENE_BATTLE, 1, 1, 8, 8},
      {"NextRoundWrapsTheCounter", 11, SCENE_BATTLE, 1, 1, 9, 0},
      {"PreviousRound", 12, SCENE_BATTLE, 1, 1, 7, 7},
      {"ReplaySelect", 13, SCENE_REPLAY_SELECT, 1, 0, 8, 8},
      {"OtherResumes", 7, SCENE_BATTLE, 0, 0, 8, 8},
  };
  for (const ResultCase& c : cases) {
    SCOPED_TRACE(c.name);
    Versus(MODE_VS_PLAYER, 0, 0);
    g_SceneId = SCENE_BATTLE;
    g_SceneEnter = 0;
    g_CaptureScreenRequest = 0;
    g_ReplayController.file.roundIndex = 8;
    g_RoundCounter = 8;
    g_Paused = 1;
    g_PauseStep = 0;
    g_PauseResult = c.result;
    g_PauseResultReady = 1;
    Release();
    UpdatePauseControl();
    EXPECT_EQ(g_SceneId, c.scene);
    EXPECT_EQ(g_SceneEnter, c.enter);
    EXPECT_EQ(g_CaptureScreenRequest.load(), c.capture);
    EXPECT_EQ(g_ReplayController.file.roundIndex, c.roundIndex);
    EXPECT_EQ(g_RoundCounter, c.counter);
    EXPECT_EQ(g_Paused, 0);
    EXPECT_EQ(g_PauseStep, 0);
  }
}

TEST_F(PauseControl, AClosedMenuStoresItsResultAndTheBattleResumes) {
  g_PauseControlHooks.createPauseMenu = MakeRecordingMenu;
  Versus(MODE_VS_CPU, 0, 1);
  Press(0, kStart);
  UpdatePauseControl();
  ASSERT_EQ(g_Paused, 1);
  // Open frames: drawn and fed, still paused.
  Release();
  UpdatePauseControl();
  UpdatePauseControl();
  EXPECT_EQ(g_Paused, 1);
  EXPECT_EQ(g_log.draws, 3);
  // The menu closes with cancel: its result 0 resumes in the same frame.
  g_log.closeWith = 0;
  Press(0, 1u << 1);
  UpdatePauseControl();
  EXPECT_EQ(g_PauseMenu, nullptr);
  EXPECT_EQ(g_Paused, 0);
  EXPECT_EQ(g_SceneId, SCENE_BATTLE);
}

TEST_F(PauseControl, PreviousRoundStopsAtTheFirst) {
  g_ReplayController.file.roundIndex = 0;
  g_RoundCounter = 0;
  g_Paused = 1;
  g_PauseResult = kPausePreviousRound;
  g_PauseResultReady = 1;
  Versus(MODE_VS_PLAYER, 0, 0);
  UpdatePauseControl();
  EXPECT_EQ(g_ReplayController.file.roundIndex, 0u);
  EXPECT_EQ(g_RoundCounter, 0);
}

TEST_F(PauseControl, StartFreezesNothingWhileTheMenusAreAbsent) {
  for (int32_t mode : {MODE_VS_PLAYER, MODE_ARCADE, MODE_TRAINING}) {
    SCOPED_TRACE(mode);
    Versus(mode, 0, 1);
    Press(0, kStart);
    UpdatePauseControl();
    EXPECT_EQ(g_Paused, 0);
    EXPECT_EQ(g_PauseStep, 0);
  }
  // A training replay does not pause on its own either.
  g_ReplayController.mode = kReplayPlay;
  Release();
  UpdatePauseControl();
  EXPECT_EQ(g_Paused, 0);
}

TEST_F(PauseControl, TrainingHandsFramesToTheTrainingMenus) {
  static std::vector<std::string> calls;
  calls.clear();
  g_PauseControlHooks.updateTrainingMenu = [] { calls.push_back("menu"); };
  g_PauseControlHooks.handleTrainingHotkeys = [] { calls.push_back("hotkeys"); };
  g_PauseControlHooks.updateTrainingFrame = [] { calls.push_back("frame"); };
  g_PauseControlHooks.drawActionTime = [] { calls.push_back("time"); };
  Versus(MODE_TRAINING, 0, 1);
  Release();
  UpdatePauseControl();
  EXPECT_EQ(calls, (std::vector<std::string>{"time", "hotkeys", "frame"}));
  calls.clear();
  Press(0, kStart);
  UpdatePauseControl();  // paused this frame: the training menu gets it
  EXPECT_EQ(g_Paused, 1);
  EXPECT_EQ(g_PauseStep, 1);
  EXPECT_EQ(g_PauseMenuActive, 1);
  EXPECT_EQ(calls, (std::vector<std::string>{"time", "menu", "frame"}));
  calls.clear();
  UpdatePauseControl();  // the menu is active: no action time
  EXPECT_EQ(calls, (std::vector<std::string>{"menu", "frame"}));
}

TEST_F(PauseControl, TogglePauseFlipsAndMarksTheStep) {
  EXPECT_EQ(TogglePause(), 1);
  EXPECT_EQ(g_Paused, 1);
  EXPECT_EQ(g_PauseStep, 1);
  EXPECT_EQ(g_PauseMenuActive, 1);
  g_PauseMenuActive = 0;
  EXPECT_EQ(TogglePause(), 0);
  EXPECT_EQ(g_Paused, 0);
  EXPECT_EQ(g_PauseStep, 2);
  EXPECT_EQ(g_PauseMenuActive, 1);
}

class ChallengerTest : public PauseControl {
 protected:
  void SetUp() override {
    PauseControl::SetUp();
    g_BattleSeams.StartChallengerScreen = [] { ++g_challengerStarts; };
    g_BattleSeams.ChallengerScreenClock = [] { return g_challengerClock; };
    Versus(MODE_ARCADE, 0, 1, 0);
    g_CreditState.players[0].joined = 1;
    g_StoryBattleRoutes[0].stageCount = 3;
    g_StoryBattleRoutes[0].stageIndex = 1;
  }
};

TEST_F(ChallengerTest, AJoinPausesAndTheInterruptEndsAfterFiveSeconds) {
  Press(1, kStart);  // player 2's start: a join
  UpdatePauseControl();
  EXPECT_EQ(g_challengerStarts, 1);
  EXPECT_EQ(g_Paused, 1);
  EXPECT_EQ(g_PauseStep, 0);
  EXPECT_EQ(g_ChallengeState, 1);
  EXPECT_EQ(g_RoundRestart, 0);
  Release();
  g_challengerClock = 5.0f;
  UpdatePauseControl();
  EXPECT_EQ(g_RoundRestart, 0);
  g_challengerClock = 5.01f;
  UpdatePauseControl();
  EXPECT_EQ(g_RoundRestart, 254);
}

TEST_F(ChallengerTest, NoChallengerWhilePausedOrAfterTheFinalWin) {
  g_PauseControlHooks.createPauseMenu = MakeRecordingMenu;
  g_Paused = 1;  // the pause menu is open
  g_PauseMenu = MakeRecordingMenu(0);
  Press(1, kStart);
  UpdatePauseControl();
  EXPECT_EQ(g_challengerStarts, 0);
  EXPECT_EQ(g_ChallengeState, 0);
  ResetPauseControl();
  g_Paused = 0;
  // The main side has just won the last stage's match.
  g_StoryBattleRoutes[0].stageIndex = 2;
  g_JudgeState = 3;
  g_RoundWinner = 0;
  g_BattleState[BattleStateIndex::kMatchPoint0] = 1;
  EXPECT_EQ(IsChallengerAllowed(), 0);
  UpdatePauseControl();
  EXPECT_EQ(g_challengerStarts, 0);
  EXPECT_EQ(g_Paused, 0);
  // Any one of the four conditions missing allows it.
  g_RoundWinner = 1;
  EXPECT_EQ(IsChallengerAllowed(), 1);
}

}  // namespace
