// The training mode's hooks into the battle.
#include "menu/training_hooks.h"

#include <vector>

#include "Replay/replay_controller.h"
#include "app/app_state.h"
#include "app/input/app_joystick.h"
#include "app/random.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/cpu_defence.h"
#include "battle/cpu_patterns.h"
#include "battle/game_mode.h"
#include "battle/hud_draw.h"
#include "menu/dummy_recordings.h"
#include "menu/pause_control.h"
#include "menu/training_displays.h"
#include "menu/training_menu.h"
#include "menu/training_settings.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"

int32_t g_AppliedEnemyAction = -1;
int32_t g_DummyPlaySlot;
int32_t g_ShowAttackFrames;

namespace {

constexpr char kDummyPatternFile[] = ".\\data\\deku.cpf";
constexpr uint32_t kFn1Bit = 1u << 3;  // menu button 3: take the dummy over while held
constexpr uint32_t kFn2Bit = 1u << 4;  // menu button 4: restart
constexpr uint32_t kReplayOff = 0;
constexpr uint32_t kReplayRecord = 1;
constexpr uint32_t kReplayPlay = 2;
constexpr int32_t kReplayTypeRecover = 1;
constexpr int32_t kReplayTypeWait = 2;
constexpr int32_t kReplaySlotRandom = 1;
// Frames a dummy recording may hold before the battle pauses for the training menu (90 s).
constexpr uint32_t kDummyRecordLimit = 5400;

bool InTraining() { return g_GameModeFlags == MODE_TRAINING; }

// The main side's menu-bank buttons: pressed this frame, or held.
uint32_t MainMenuButtons(bool held) {
  if (g_AppJoystick == nullptr || g_MainSide > 3) return 0;
  uint32_t pressed = 0;
  uint32_t down = 0;
  g_AppJoystick->menuBank[g_MainSide].GetButtonMasks(&pressed, &down);
  return held ? down : pressed;
}

void SetSideController(int side, uint8_t controller) {
  g_PlayerRecords[side].obj.controller = controller;
  if (g_SideStatus[side].hasPartner != 0) g_PlayerRecords[side + 2].obj.controller = controller;
}

}  // namespace

// The input history's emptying by these hooks is the displays' ClearInputHistory: the list is
// kept as rows (row count 0 is empty), not as the count, restart mark and age named elsewhere.
void StartTrainingBattle() {
  g_AppliedEnemyAction = -1;
  CloseTrainingMenu();
  if (g_ReplayController.mode != kReplayOff) {
    RestartDummyAction();
    return;
  }
  // The dummy file is loaded before the settings are applied, not after: loading empties the
  // controller's round list, puts it back on slot 0 and clears the hold, which would otherwise
  // undo a DUMMY playback just started on the chosen slot and a WAIT hold.
  if (g_SceneEnter != 255) LoadDummyRecordingFile();
  ApplyTrainingSettings(1, g_MainSide);
  ClearInputHistory();
}

void ApplyTrainingSettings(int force, int side) {
  ReplayController& c = g_ReplayController;
  const int other = 1 - side;
  const int32_t action = g_TrainingSettings[ENEMY_STATUS];
  g_AirRecoveryMode = g_TrainingSettings[AIR_RECOVERY];
  g_DownRecoveryMode = g_TrainingSettings[DOWN_RECOVERY];
  g_RecoverPlayState = 0;
  if (c.dummyMode != 0 && c.mode == kReplayRecord) {
    // A recording is being made: the player steers the other side's characters.
    g_AppliedEnemyAction = -1;
    ApplyEnemyAction(side, other);
  } else if (action == kEnemyDummy) {
    g_AppliedEnemyAction = kEnemyDummy;
    SetSideController(0, 0);
    SetSideController(1, 0);
    PickRandomDummySlot();
    c.StartDummyPlayback(g_DummyPlaySlot);
  } else {
    if (force == 0 && g_AppliedEnemyAction == action) return;
    ApplyEnemyAction(side, side);
    g_AppliedEnemyAction = action;
  }
  c.hold = g_TrainingSettings[REPLAY_TYPE] == kReplayTypeWait ? 1 : 0;
}

void ApplyEnemyAction(int side, int playerSide) {
  if (playerSide < 0 || playerSide > 1) return;
  SetSideController(playerSide, 0);
  SetSideController(1 - playerSide, 1);
  int32_t action = g_TrainingSettings[ENEMY_STATUS];
  if (action == kEnemyDummy && side == playerSide) action = -1;
  if (action == kEnemyCpu) {
    LoadCharacterCpuPatterns(0);
    LoadCharacterCpuPatterns(1);
    return;
  }
  if (action == kEnemyManual || action == kEnemyDummy) {
    SetSideController(1 - playerSide, 0);
    return;
  }
  // Standing, jumping, crouching (and the forced -1): the dummy pattern file into both sides'
  // slots, read anew at every application. All four slots go through the pattern reader, which
  // checks what it reads; a missing file leaves them zero.
  for (int k = 0; k < 2; ++k) {
    LoadCpuPatternFile(kDummyPatternFile, k);
    g_PlayerRecords[k].obj.aiGuardDecision = 0;
    if (g_SideStatus[k].hasPartner != 0) {
      LoadCpuPatternFile(kDummyPatternFile, k + 2);
      g_PlayerRecords[k + 2].obj.aiGuardDecision = 0;
    }
  }
}

int32_t PickRandomDummySlot() {
  g_DummyPlaySlot = g_SelectedDummySlot;
  if (g_TrainingSettings[REPLAY_SLOT] != kReplaySlotRandom) return g_DummyPlaySlot;
  std::vector<int32_t> recorded;
  for (int s = 0; s < kDummySlots; ++s)
    if (IsDummySlotRecorded(s)) recorded.push_back(s);
  if (recorded.empty()) return g_DummyPlaySlot;
  // Counting n down over the recorded slots in a circle ends on the (n mod k)-th of them.
  const int32_t n = RandStreamNext(1) % 10;
  g_DummyPlaySlot = recorded[static_cast<size_t>(n) % recorded.size()];
  return g_DummyPlaySlot;
}

int IsDummySlotRecorded(int slot) {
  std::vector<ReplayRound>& rounds = g_ReplayController.file.rounds;
  if (slot < 0 || static_cast<size_t>(slot) >= rounds.size()) return 0;
  return rounds[static_cast<size_t>(slot)].GetLength() != 0 ? 1 : 0;
}

int CheckDummyRecordLimit(int* indicator) {
  ReplayController& c = g_ReplayController;
  const int shown = c.mode == kReplayPlay ? 1 : c.mode == kReplayRecord ? 2 : 0;
  if (indicator) *indicator = shown;
  if (c.mode != kReplayRecord) return 0;
  std::vector<ReplayRound>& rounds = c.file.rounds;
  if (c.file.roundIndex >= rounds.size()) return 0;
  return rounds[c.file.roundIndex].GetLength() >= kDummyRecordLimit ? 1 : 0;
}

int IsDummyTakenOver() {
  if (!InTraining() || g_ReplayController.mode != kReplayOff) return 0;
  return (MainMenuButtons(true) & kFn1Bit) != 0 ? 1 : 0;
}

int IsTrainingDummy(BattleObject* o) {
  return o != nullptr && o->controller == 1 && IsDummyTakenOver() != 0 ? 1 : 0;
}

int InTrainingPlayback(BattleObject*) {
  return InTraining() && g_ReplayController.mode == kReplayPlay ? 1 : 0;
}

void RestartDummyAction() {
  ReplayController& c = g_ReplayController;
  if (c.mode == kReplayRecord) {
    c.StartDummyRecording(g_SelectedDummySlot);
  } else if (c.mode == kReplayPlay) {
    if (c.hold == 1) {
      c.hold = 0;
      if (g_TrainingSettings[REPLAY_TYPE] == kReplayTypeRecover) g_RecoverPlayState = 1000;
    } else if (c.hold == 0) {
      PickRandomDummySlot();
      c.StartDummyPlayback(g_DummyPlaySlot);
    }
  }
}

void HandleTrainingHotkeys() {
  if (!InTraining() || (MainMenuButtons(false) & kFn2Bit) == 0) return;
  if (g_ReplayController.mode == kReplayOff) {
    ToggleTrainingPause();
    CloseTrainingMenu();
  } else if (g_ReplayController.mode == kReplayRecord || g_ReplayController.mode == kReplayPlay) {
    RestartDummyAction();
  }
}

void UpdateTrainingFrame() {
  if (g_PauseMenuActive == 0) {
    if (g_BattleState[BattleStateIndex::kTrainingDisplay] != 0) DrawTrainingDamageInfo();
    if (g_InputDisplay != 0)
      DrawTrainingInputHistory();
    else
      ClearInputHistory();
    if (g_ShowAttackFrames != 0) DrawTrainingAttackFrames();
  }
  ReleaseExpiredCutIns();
}

void ToggleTrainingPause() {
  ApplyTrainingSettings(1, g_MainSide);
  TogglePause();       // the pause words: menu active, paused flipped, pausing or resuming
  g_SceneEnter = 255;  // the battle starts over; its round start clears the pause again
}

// No menu sets the attack-frame switch and no frame-data display exists: the call is kept, the
// switch stays 0 and nothing is drawn.
void DrawTrainingAttackFrames() {}

void InstallTrainingHooks() {
  ResetTrainingSettings();
  BattleSeams& s = g_BattleSeams;
  s.IsDummyTakenOver = IsDummyTakenOver;
  s.IsTrainingDummy = IsTrainingDummy;
  s.InTrainingPlayback = InTrainingPlayback;
  s.TrainingSetting = TrainingSettingValue;
  s.ToggleTrainingPause = ToggleTrainingPause;
  PauseControlHooks& p = g_PauseControlHooks;
  p.drawActionTime = DrawActionTime;
  p.checkDummyRecordLimit = CheckDummyRecordLimit;
  p.drawDummyReplayStatus = DrawDummyReplayStatus;
  p.replayTimeDisplay = [] { return static_cast<int>(g_TrainingSettings[REPLAY_TIME_DISPLAY]); };
  p.updateTrainingMenu = UpdateTrainingMenu;
  p.handleTrainingHotkeys = HandleTrainingHotkeys;
  p.updateTrainingFrame = UpdateTrainingFrame;
  p.dummyPlaybackEnd = [] { UpdateDummyPlaybackLoop(); };
  g_SceneBattleHooks.startTrainingBattle = StartTrainingBattle;
  g_SceneBattleHooks.closeTrainingMenu = CloseTrainingMenu;
}
