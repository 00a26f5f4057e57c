// The training hooks, with the replay controller driven directly: the random slot choice and its
// single draw, the recording limit, the settings applied to the characters (controllers, the dummy
// pattern file, the CPU's own patterns, DUMMY playback and the WAIT hold), the dummy's restart by
// mode and hold, the FN1 take-over and FN2 restart, the training restart, the battle start with
// and without reloading the recordings, and the per-frame call's cut-in release.
#include "menu/training_hooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Replay/replay_controller.h"
#include "app/game_wiring.h"
#include "app/input/app_joystick.h"
#include "app/random.h"
#include "battle/battle_fixture.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/cpu_defence.h"
#include "battle/cpu_patterns.h"
#include "battle/game_mode.h"
#include "battle/hud_draw.h"
#include "menu/dummy_recordings.h"
#include "menu/pause_control.h"
#include "menu/training_settings.h"
#include "scene/scene_frame.h"

namespace {

constexpr uint32_t kFn1 = 1u << 3;
constexpr uint32_t kFn2 = 1u << 4;

// The training state every test starts from and leaves behind.
void ResetTraining() {
  ResetAllBattleGlobals();
  g_GameModeFlags = MODE_TRAINING;
  g_ReplayController = ReplayController{};
  g_ReplayController.mode = 0;  // the training mode starter leaves the controller off
  ResetTrainingSettings();
  g_AppliedEnemyAction = -1;
  g_DummyPlaySlot = 0;
  g_RecoverPlayState = 0;
  ResetPauseControl();
  g_SceneEnter = 0;
  for (CpuPatternFile& f : g_CpuPatternSlots) f = CpuPatternFile{};
  if (g_AppJoystick)
    for (PadState& s : g_AppJoystick->menuBank) s = PadState{};
}

class TrainingHooks : public ::testing::Test {
 protected:
  void SetUp() override {
    vt::SetDebugQuiet(true);
    InstallGameWiring();
    g_AppJoystick = &GetAppJoystickInstance();
    ResetTraining();
    g_MainSide = 0;
    SeedRandomGeneratorsFrom(77);
  }
  void TearDown() override {
    ResetTraining();
    g_GameModeFlags = 0;
    ResetBattleSeams();
    g_PauseControlHooks = PauseControlHooks{};
    vt::SetDebugQuiet(false);
  }
  // Slots given a recorded frame (the list grows to `rounds`).
  static void Record(const std::vector<int>& slots, size_t rounds = 10) {
    CReplayFile& f = g_ReplayController.file;
    f.rounds.resize(rounds);
    for (int s : slots) f.rounds[static_cast<size_t>(s)].streams[0].Append({6, 1, 0x10});
  }
  // Menu buttons of the main side this frame: pressed (and held), or held only.
  static void Press(uint32_t buttons, bool heldOnly = false) {
    PadState& s = g_AppJoystick->menuBank[g_MainSide];
    s = PadState{};
    for (int b = 0; b < 32; ++b)
      if ((buttons >> b) & 1) s.button[b] = heldOnly ? PadState::kHeld : PadState::kHeld | PadState::kPressed;
  }
  static void WriteDeku(int32_t guardRate, int32_t weight = 5) {
    CpuPatternFile f;
    f.guardRate = guardRate;
    f.records[1].weight = weight;
    f.records[1].chance = 100;
    const std::vector<uint8_t> bytes = WriteCpuPatternFile(f);
    std::filesystem::create_directories("data");
    std::ofstream("data/deku.cpf", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
};

// A seed of stream 1 whose first number is n modulo 10.
int32_t SeedDrawing(int n) {
  for (int32_t seed = 1;; ++seed) {
    RandStream r{};
    SeedOwnRandStream(r, seed);
    if (OwnRandStreamNext(r) % 10 == n) return seed;
  }
}

struct PickCase {
  const char* name;
  std::vector<int> recorded;
  size_t rounds;
  int32_t slotSetting;  // REPLAY_SLOT
  int draw;             // stream 1's next number mod 10
  int32_t selected;
  int32_t expected;
  int draws;  // numbers taken from stream 1
};

TEST_F(TrainingHooks, PickRandomDummySlotCountsAroundTheRecordedSlotsWithOneDrawOfStreamOne) {
  const PickCase cases[] = {
      {"one recorded slot, draw 0", {4}, 10, 1, 0, 0, 4, 1},
      {"one recorded slot, draw 9", {4}, 10, 1, 9, 0, 4, 1},
      {"1 and 7, draw 5", {1, 7}, 10, 1, 5, 0, 7, 1},
      {"1 and 7, draw 4", {1, 7}, 10, 1, 4, 0, 1, 1},
      {"three recorded, draw 7", {0, 2, 9}, 10, 1, 7, 0, 2, 1},
      {"none recorded: the selected slot", {}, 10, 1, 5, 6, 6, 0},
      {"no rounds at all", {}, 0, 1, 5, 3, 3, 0},
      {"SELECT SLOT ignores the recordings", {1, 7}, 10, 0, 5, 3, 3, 0},
      // A file of three rounds: slots past them are empty and never picked.
      {"three-round file", {0, 2}, 3, 1, 3, 8, 2, 1},
  };
  for (const PickCase& c : cases) {
    SCOPED_TRACE(c.name);
    g_ReplayController.file.rounds.clear();
    Record(c.recorded, c.rounds);
    g_TrainingSettings[REPLAY_SLOT] = c.slotSetting;
    g_SelectedDummySlot = c.selected;
    SeedRandStream(1, SeedDrawing(c.draw));
    RandStream before[kRandStreamCount];
    std::memcpy(before, g_RandStreams, sizeof before);
    const int32_t drawCount = g_RandDrawCount;

    EXPECT_EQ(PickRandomDummySlot(), c.expected);
    EXPECT_EQ(g_DummyPlaySlot, c.expected);

    RandStream expected = before[1];
    for (int k = 0; k < c.draws; ++k) OwnRandStreamNext(expected);
    EXPECT_EQ(std::memcmp(&expected, &g_RandStreams[1], sizeof expected), 0) << "stream 1 draws";
    for (int s = 0; s < kRandStreamCount; ++s)
      if (s != 1)
        EXPECT_EQ(std::memcmp(&before[s], &g_RandStreams[s], sizeof(RandStream)), 0) << "stream " << s;
    EXPECT_EQ(g_RandDrawCount, drawCount);
  }
}

TEST_F(TrainingHooks, SlotIsRecordedOnlyWhenHeldAndNotEmpty) {
  Record({2}, 4);
  const int expected[] = {0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  for (int s = 0; s < 10; ++s) EXPECT_EQ(IsDummySlotRecorded(s), expected[s]) << s;
  EXPECT_EQ(IsDummySlotRecorded(-1), 0);
  EXPECT_EQ(IsDummySlotRecorded(1000), 0);
}

struct LimitCase {
  uint32_t mode;
  uint32_t frames;
  uint32_t roundIndex;
  int result;
  int indicator;
};

TEST_F(TrainingHooks, RecordLimitAt5400FramesWithTheIndicator) {
  const LimitCase cases[] = {
      {1, 5399, 3, 0, 2}, {1, 5400, 3, 1, 2},
      {1, 6000, 3, 1, 2}, {2, 5400, 3, 0, 1},   // playing a full slot is no limit
      {0, 5400, 3, 0, 0}, {1, 5400, 12, 0, 2},  // a slot past the rounds holds nothing
  };
  for (const LimitCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " frames " << c.frames << " index "
                                    << c.roundIndex);
    ReplayController& r = g_ReplayController;
    r.file.rounds.assign(10, ReplayRound{});
    for (uint32_t f = 0; f < c.frames; ++f) r.file.rounds[3].streams[0].Append({5, 1, 0});
    r.dummyMode = 1;
    r.mode = c.mode;
    r.file.roundIndex = c.roundIndex;
    int indicator = -1;
    EXPECT_EQ(CheckDummyRecordLimit(&indicator), c.result);
    EXPECT_EQ(indicator, c.indicator);
  }
}

// What an application leaves: the four characters' controllers.
struct ControllerCase {
  const char* name;
  int32_t status;
  int side, playerSide;
  int partner0, partner1;
  int expected[4];  // slots 0..3; -1: untouched (stays 9)
};

TEST_F(TrainingHooks, EnemyActionGivesEachSideItsController) {
  WriteDeku(20);
  const ControllerCase cases[] = {
      {"STAND, the player on side 0", kEnemyStand, 0, 0, 0, 0, {0, 1, -1, -1}},
      {"STAND, the player on side 1", kEnemyStand, 1, 1, 0, 0, {1, 0, -1, -1}},
      {"CROUCH with partners", kEnemyCrouch, 0, 0, 1, 1, {0, 1, 0, 1}},
      {"CPU", kEnemyCpu, 0, 0, 0, 1, {0, 1, -1, 1}},
      {"MANUAL: the pad steers the dummy", kEnemyManual, 0, 0, 1, 1, {0, 0, 0, 0}},
      {"DUMMY for the other side", kEnemyDummy, 0, 1, 0, 0, {0, 0, -1, -1}},
      {"DUMMY on its own side stands", kEnemyDummy, 1, 1, 0, 0, {1, 0, -1, -1}},
  };
  for (const ControllerCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (int i = 0; i < 4; ++i) g_PlayerRecords[i].obj.controller = 9;
    g_SideStatus[0].hasPartner = c.partner0;
    g_SideStatus[1].hasPartner = c.partner1;
    g_TrainingSettings[ENEMY_STATUS] = c.status;
    ApplyEnemyAction(c.side, c.playerSide);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(g_PlayerRecords[i].obj.controller, c.expected[i] < 0 ? 9 : c.expected[i]) << "slot " << i;
  }
}

// STAND, JUMP and CROUCH read the dummy pattern file anew at every application, into all four
// slots through the pattern reader (whose checks hold: a negative weight counts as 0); a missing
// file leaves the slots zero.
TEST_F(TrainingHooks, StandingDummyReloadsThePatternFileThroughTheReaderEveryTime) {
  g_SideStatus[1].hasPartner = 1;
  WriteDeku(11, -5);
  g_PlayerRecords[0].obj.aiGuardDecision = g_PlayerRecords[3].obj.aiGuardDecision = 7;
  g_CpuAiStates[0].record = 4;
  ApplyTrainingSettings(1, 0);
  EXPECT_EQ(g_CpuPatternSlots[0].guardRate, 11);
  EXPECT_EQ(g_CpuPatternSlots[1].guardRate, 11);
  EXPECT_EQ(g_CpuPatternSlots[3].guardRate, 11) << "side 1's partner";
  EXPECT_EQ(g_CpuPatternSlots[2].guardRate, 0) << "side 0 has no partner";
  for (int k : {0, 1, 3}) EXPECT_EQ(g_CpuPatternSlots[k].records[1].weight, 0) << "slot " << k << ": checked";
  EXPECT_EQ(g_CpuAiStates[0].record, 0);
  EXPECT_EQ(g_PlayerRecords[0].obj.aiGuardDecision, 0);
  EXPECT_EQ(g_PlayerRecords[3].obj.aiGuardDecision, 0);
  EXPECT_EQ(g_AppliedEnemyAction, kEnemyStand);

  // The same status again: nothing happens unless forced.
  WriteDeku(22);
  const uint32_t loads = CpuPatternLoadCount(0);
  ApplyTrainingSettings(0, 0);
  EXPECT_EQ(CpuPatternLoadCount(0), loads);
  EXPECT_EQ(g_CpuPatternSlots[0].guardRate, 11);
  ApplyTrainingSettings(1, 0);
  EXPECT_EQ(g_CpuPatternSlots[0].guardRate, 22);
  // A changed status applies without force.
  g_TrainingSettings[ENEMY_STATUS] = kEnemyJump;
  WriteDeku(33);
  ApplyTrainingSettings(0, 0);
  EXPECT_EQ(g_CpuPatternSlots[1].guardRate, 33);

  std::filesystem::remove("data/deku.cpf");
  ApplyTrainingSettings(1, 0);
  for (int k : {0, 1, 3}) EXPECT_EQ(g_CpuPatternSlots[k], CpuPatternFile{}) << "slot " << k;
}

TEST_F(TrainingHooks, ApplicationCopiesRecoveriesAndResetsTheRecoverStep) {
  g_TrainingSettings[AIR_RECOVERY] = 3;
  g_TrainingSettings[DOWN_RECOVERY] = 5;
  g_RecoverPlayState = 1000;
  g_AppliedEnemyAction = kEnemyStand;
  ApplyTrainingSettings(0, 0);  // nothing reloads, the copies still happen
  EXPECT_EQ(g_AirRecoveryMode, 3);
  EXPECT_EQ(g_DownRecoveryMode, 5);
  EXPECT_EQ(g_RecoverPlayState, 0);
}

TEST_F(TrainingHooks, RecordingGivesThePlayerTheOtherSide) {
  g_ReplayController.StartDummyRecording(2);
  g_AppliedEnemyAction = kEnemyStand;
  ApplyTrainingSettings(0, 0);
  EXPECT_EQ(g_PlayerRecords[0].obj.controller, 1);
  EXPECT_EQ(g_PlayerRecords[1].obj.controller, 0);
  EXPECT_EQ(g_AppliedEnemyAction, -1) << "the next application runs in full";
  EXPECT_EQ(g_ReplayController.mode, 1u) << "still recording";
}

struct DummyCase {
  int32_t replayType;
  uint32_t hold;
};

TEST_F(TrainingHooks, DummyMakesEveryCharacterPlayerControlledAndPlaysTheSlotWaitHolds) {
  const DummyCase cases[] = {{0, 0}, {1, 0}, {2, 1}};
  for (const DummyCase& c : cases) {
    SCOPED_TRACE(c.replayType);
    ResetTraining();
    Record({5});
    g_SideStatus[0].hasPartner = g_SideStatus[1].hasPartner = 1;
    for (int i = 0; i < 4; ++i) g_PlayerRecords[i].obj.controller = 1;
    g_TrainingSettings[ENEMY_STATUS] = kEnemyDummy;
    g_TrainingSettings[REPLAY_TYPE] = c.replayType;
    g_SelectedDummySlot = 5;
    ApplyTrainingSettings(1, 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(g_PlayerRecords[i].obj.controller, 0) << i;
    EXPECT_EQ(g_AppliedEnemyAction, kEnemyDummy);
    EXPECT_EQ(g_ReplayController.dummyMode, 1u);
    EXPECT_EQ(g_ReplayController.mode, 2u);
    EXPECT_EQ(g_ReplayController.file.roundIndex, 5u);
    EXPECT_EQ(g_DummyPlaySlot, 5);
    EXPECT_EQ(g_ReplayController.hold, c.hold);
  }
}

// The CPU dummy fights with its own character's patterns (on the sample characters).
class TrainingHooksSample : public battle_test::HarnessSampleTest {
 protected:
  void SetUp() override {
    HarnessSampleTest::SetUp();
    ResetTraining();
  }
  void TearDown() override {
    ResetTraining();
    g_GameModeFlags = 0;
    HarnessSampleTest::TearDown();
  }
};

TEST_F(TrainingHooksSample, CpuLoadsEachCharactersOwnPatterns) {
  HarnessMatchRules rules;
  rules.gameMode = MODE_TRAINING;
  ASSERT_TRUE(
      HarnessLoadMatch({"duelist", 0, 0}, {"tester", 0, 0}, false, RoundStart::kFightersFree, 1, rules));
  for (CpuPatternFile& f : g_CpuPatternSlots) f = CpuPatternFile{};
  g_TrainingSettings[ENEMY_STATUS] = kEnemyCpu;
  ApplyTrainingSettings(1, 0);
  EXPECT_EQ(g_CpuPatternSlots[0].guardRate, 50) << "duelist_0.cpf";
  EXPECT_EQ(g_CpuPatternSlots[1].guardRate, 30) << "tester.cpf";
  EXPECT_EQ(g_PlayerRecords[0].obj.controller, 0);
  EXPECT_EQ(g_PlayerRecords[1].obj.controller, 1);
}

struct RestartCase {
  const char* name;
  uint32_t mode;
  uint32_t hold;
  int32_t replayType;
  // Afterwards:
  uint32_t hold2;
  int32_t recoverState;
  bool rewound;  // slot 4's streams back at their start
  bool cleared;  // slot 4 emptied for a new recording
};

TEST_F(TrainingHooks, RestartDummyActionByModeAndHold) {
  const RestartCase cases[] = {
      {"recording starts over", 1, 0, 0, 0, 55, false, true},
      {"held RECOVER: released, playing", 2, 1, 1, 0, 1000, false, false},
      {"held WAIT: released", 2, 1, 2, 0, 55, false, false},
      {"running playback starts over", 2, 0, 0, 0, 55, true, false},
      {"another hold value does nothing", 2, 2, 0, 2, 55, false, false},
      {"off: nothing", 0, 0, 0, 0, 55, false, false},
  };
  for (const RestartCase& c : cases) {
    SCOPED_TRACE(c.name);
    ResetTraining();
    Record({4});
    ReplayController& r = g_ReplayController;
    r.file.rounds[4].streams[0].Append({2, 1, 0});
    r.file.roundIndex = 4;
    r.file.rounds[4].Step();  // one frame in
    r.dummyMode = c.mode != 0 ? 1 : 0;
    r.mode = c.mode;
    r.hold = c.hold;
    g_SelectedDummySlot = 4;
    g_TrainingSettings[REPLAY_TYPE] = c.replayType;
    g_RecoverPlayState = 55;
    RestartDummyAction();
    EXPECT_EQ(r.hold, c.hold2);
    EXPECT_EQ(g_RecoverPlayState, c.recoverState);
    EXPECT_EQ(r.file.rounds[4].GetPosition() == 0 && !r.file.rounds[4].streams[0].entries.empty(), c.rewound);
    EXPECT_EQ(r.file.rounds[4].streams[0].entries.empty(), c.cleared);
  }
}

TEST_F(TrainingHooks, Fn1TakesTheDummyOverOnlyInTrainingWhileTheControllerIsOff) {
  BattleObject& cpu = g_PlayerRecords[1].obj;
  BattleObject& player = g_PlayerRecords[0].obj;
  cpu.controller = 1;
  player.controller = 0;
  struct Case {
    int32_t mode;
    uint32_t replay;
    uint32_t buttons;
    int takenOver;
  } cases[] = {
      {MODE_TRAINING, 0, kFn1, 1}, {MODE_TRAINING, 0, 0, 0},     {MODE_TRAINING, 1, kFn1, 0},
      {MODE_TRAINING, 2, kFn1, 0}, {MODE_VS_PLAYER, 0, kFn1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << " replay " << c.replay << " buttons " << c.buttons);
    g_GameModeFlags = c.mode;
    g_ReplayController.mode = c.replay;
    Press(c.buttons, true);
    EXPECT_EQ(BattleSeamIsDummyTakenOver(), c.takenOver);
    EXPECT_EQ(BattleSeamIsTrainingDummy(&cpu), c.takenOver);
    EXPECT_EQ(BattleSeamIsTrainingDummy(&player), 0);
    EXPECT_EQ(BattleSeamInTrainingPlayback(&cpu), c.mode == MODE_TRAINING && c.replay == 2 ? 1 : 0);
  }
  // The main side's bank only.
  g_GameModeFlags = MODE_TRAINING;
  g_ReplayController.mode = 0;
  g_MainSide = 1;
  Press(0, true);
  g_AppJoystick->menuBank[0].button[3] = PadState::kHeld;
  EXPECT_EQ(IsDummyTakenOver(), 0);
}

TEST_F(TrainingHooks, Fn2RestartsTheBattleWhenOffAndTheDummyOtherwise) {
  // Off: the training restart (settings applied in full, the pause words flipped, the battle
  // scene started over).
  WriteDeku(40);
  g_AppliedEnemyAction = kEnemyStand;
  Press(kFn2);
  HandleTrainingHotkeys();
  EXPECT_EQ(g_SceneEnter, 255);
  EXPECT_EQ(g_Paused, 1);
  EXPECT_EQ(g_PauseStep, 1);
  EXPECT_EQ(g_CpuPatternSlots[0].guardRate, 40) << "forced";

  // Playing: only the dummy restarts.
  ResetTraining();
  Record({4});
  g_SelectedDummySlot = 4;
  g_ReplayController.StartDummyPlayback(4);
  g_ReplayController.file.rounds[4].Step();
  Press(kFn2);
  HandleTrainingHotkeys();
  EXPECT_EQ(g_SceneEnter, 0);
  EXPECT_EQ(g_Paused, 0);
  EXPECT_EQ(g_ReplayController.file.rounds[4].GetPosition(), 0u);

  // FN2 held from an earlier frame is no new press; FN1 is no restart.
  g_ReplayController.file.rounds[4].Step();
  Press(kFn2, true);
  HandleTrainingHotkeys();
  Press(kFn1);
  HandleTrainingHotkeys();
  EXPECT_EQ(g_ReplayController.file.rounds[4].GetPosition(), 1u);
}

TEST_F(TrainingHooks, TrainingPauseTogglesBothWaysAndRestartsTheScene) {
  BattleSeamToggleTrainingPause();  // the judge's end of a training round
  EXPECT_EQ(g_Paused, 1);
  EXPECT_EQ(g_PauseStep, 1);
  EXPECT_EQ(g_PauseMenuActive, 1);
  EXPECT_EQ(g_SceneEnter, 255);
  EXPECT_EQ(g_AppliedEnemyAction, kEnemyStand);
  g_SceneEnter = 0;
  ToggleTrainingPause();
  EXPECT_EQ(g_Paused, 0);
  EXPECT_EQ(g_PauseStep, 2);
  EXPECT_EQ(g_SceneEnter, 255);
}

// The battle start: from outside it loads the dummy file; a restart from within training (scene
// enter 255) keeps the slots as they are in memory; a running recording or playback restarts.
TEST_F(TrainingHooks, BattleStartLoadsTheRecordingsOnlyFromOutside) {
  g_ReplayController.StartDummyRecording(1);
  g_ReplayController.file.AppendInput(0, {6, 1, 0});
  StopDummyAndSave();  // writes the dummy file
  ASSERT_EQ(IsDummySlotRecorded(1), 1);

  g_ReplayController.ClearRoundSlot(1);
  g_SceneEnter = 255;
  StartTrainingBattle();
  EXPECT_EQ(IsDummySlotRecorded(1), 0) << "cleared in memory, not reloaded";
  EXPECT_EQ(g_AppliedEnemyAction, kEnemyStand);

  g_SceneEnter = 1;
  StartTrainingBattle();
  EXPECT_EQ(IsDummySlotRecorded(1), 1) << "loaded again";

  // Recording: the battle start begins the slot again, nothing loaded or applied.
  g_SelectedDummySlot = 1;
  g_ReplayController.StartDummyRecording(1);
  g_ReplayController.file.AppendInput(0, {6, 1, 0});
  g_ReplayController.file.AppendInput(0, {4, 1, 0});
  g_AppliedEnemyAction = 3;
  StartTrainingBattle();
  EXPECT_EQ(g_ReplayController.mode, 1u);
  EXPECT_EQ(IsDummySlotRecorded(1), 0);
  EXPECT_EQ(g_AppliedEnemyAction, -1);
}

// DUMMY at a battle start from outside plays the chosen slot of the file just loaded, held
// under WAIT: the load comes first, so it does not put the controller back on slot 0 or release
// the hold.
TEST_F(TrainingHooks, DummyAtAFreshStartPlaysTheChosenSlotOfTheLoadedFile) {
  g_ReplayController.StartDummyRecording(6);
  g_ReplayController.file.AppendInput(0, {6, 1, 0});
  StopDummyAndSave();
  ResetTraining();
  g_TrainingSettings[ENEMY_STATUS] = kEnemyDummy;
  g_TrainingSettings[REPLAY_TYPE] = 2;
  g_SelectedDummySlot = 6;
  g_SceneEnter = 1;
  StartTrainingBattle();
  EXPECT_EQ(g_ReplayController.mode, 2u);
  EXPECT_EQ(g_ReplayController.file.roundIndex, 6u);
  EXPECT_EQ(g_ReplayController.hold, 1u);
  EXPECT_EQ(IsDummySlotRecorded(6), 1);
}

TEST_F(TrainingHooks, PerFrameCallReleasesExpiredCutInsWhateverTheMenu) {
  for (int32_t menu : {0, 1}) {
    g_PauseMenuActive = menu;
    g_CutIns[0] = CutInOwner{};
    g_CutIns[0].count = 1;
    g_CutIns[0].slots[0].timer = 1;
    UpdateTrainingFrame();
    EXPECT_EQ(g_CutIns[0].count, 0) << "menu " << menu;
  }
  g_CutIns[0] = CutInOwner{};
}

}  // namespace
