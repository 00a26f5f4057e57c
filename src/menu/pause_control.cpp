// The battle's pause control.
#include "menu/pause_control.h"

#include <algorithm>

#include "Replay/replay_controller.h"
#include "Sound/soundproc.h"
#include "app/app_state.h"
#include "app/input/app_joystick.h"
#include "battle/battle_clock.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"
#include "directnet/direct_net_state.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"

uint8_t g_PauseStep;
int32_t g_PauseMenuActive;
int32_t g_PausePlayer;
int32_t g_PauseMenuPlayer;
int32_t g_PauseResult = -1;
int32_t g_PauseResultReady;
std::unique_ptr<PauseMenu> g_PauseMenu;
PauseControlHooks g_PauseControlHooks;

namespace {

constexpr uint32_t kStartBit = 1u << 2;  // menu button 2

bool IsVersusWord(int32_t mode) {
  return mode == MODE_VS_PLAYER || mode == MODE_ARCADE || mode == MODE_VS_CPU || mode == MODE_CPU_VS_CPU;
}

bool IsCpu(int side) { return g_PlayerSelections[side].controller == 1; }

uint32_t MenuPressed(int player) {
  uint32_t pressed = 0;
  if (g_AppJoystick != nullptr && player >= 0 && player < 4)
    g_AppJoystick->menuBank[static_cast<size_t>(player)].GetButtonMasks(&pressed, nullptr);
  return pressed;
}

bool IsStartPressed(int player) { return (MenuPressed(player) & kStartBit) != 0; }

// The round's opening hold (the command lock at 2 from round set-up to the fight call) and the
// judge keep the start button from pausing.
bool RoundAllowsPause() { return g_CommandLock != 2 && g_JudgeState == 0; }

// Whether this player's start press counts this frame.
bool MayPause(int player) {
  const int32_t mode = g_GameModeFlags;
  if (IsVersusWord(mode)) {
    const bool allowed = (IsCpu(0) && IsCpu(1)) ? player == g_MainSide : !IsCpu(player);
    return allowed && RoundAllowsPause() && g_DirectNetSession != 1;
  }
  if (mode == MODE_TRAINING) return player == g_MainSide && RoundAllowsPause();
  return false;  // the network word: the start button is not read
}

bool TrainingMenuPresent() { return g_PauseControlHooks.updateTrainingMenu != nullptr; }

void PauseForTraining() {
  g_Paused = 1;
  g_PauseStep = 1;
  g_PauseMenuActive = 1;
}

void CheckReplayPause() {
  const ReplayController& c = g_ReplayController;
  if (c.dummyMode != 0) {
    if (c.mode == static_cast<uint32_t>(kReplayPlay) && g_PauseControlHooks.dummyPlaybackEnd)
      g_PauseControlHooks.dummyPlaybackEnd();
    return;
  }
  // Without the training menu nobody could resume the battle: it is not frozen.
  if (c.mode == static_cast<uint32_t>(kReplayPlay) && g_GameModeFlags == MODE_TRAINING &&
      TrainingMenuPresent())
    PauseForTraining();
}

void Resume() {
  g_PauseStep = 0;
  g_Paused = 0;
  g_PauseMenu.reset();
}

void ReenterBattle() {
  ChangeScene(SCENE_BATTLE);
  g_CaptureScreenRequest = 1;
}

// Moves the playback by one round either way. The battle's own round change takes the counter
// as (counter + 1) mod 9, so the counter follows the index mod 9: a jump to index 9 runs the
// first-round set-up the recording ran there. There is no round before the first.
void JumpRound(int delta) {
  uint32_t& index = g_ReplayController.file.roundIndex;
  if (delta < 0 && index == 0) return;
  index = delta < 0 ? index - 1 : index + 1;
  g_RoundCounter = static_cast<int32_t>(index % 9);
}

void ActOnResult(int32_t result) {
  switch (result) {
    case kPauseReturnToMenu:
      if (g_DirectNetMode == 1 && g_NetworkMatch == 1)
        ReturnToNetworkMenu();
      else
        ReturnToMainMenu();
      break;
    case kPauseCharacterSelect:
      ChangeScene(SCENE_CHARA_SELECT);
      break;
    case kPauseResetRound:
      ReenterBattle();
      break;
    case kPauseNextRound:
    case kPausePreviousRound:
      JumpRound(result == kPauseNextRound ? 1 : -1);
      ReenterBattle();
      break;
    case kPauseReplaySelect:
      GoToReplaySelect();
      break;
    default:  // -1, 0 and anything else resume
      break;
  }
}

void StopVoiceStream() {
  if (g_SeSlots[kVoiceSlot]) g_SeSlots[kVoiceSlot]->Stop();
  FreeSoundSlot(kVoiceSlot);
  g_VoiceState = 0;
}

}  // namespace

int IsPauseAllowed() { return g_BattlePhase != 0 && !GetOnlineModeManager().IsNetMatchActive() ? 1 : 0; }

int ReadPauseRequest() {
  int start = 0;
  for (int p = 0; p < 2 && start == 0; ++p) {
    if (g_ChallengeState == 1) continue;
    if (MayPause(p) && IsStartPressed(p)) {
      g_PausePlayer = p;
      start = 1;
    }
  }
  if (g_AttractDemo != 1) return start;
  // The demo ends on any input: the main side's start first seen ends it as its time-out does.
  if (start != 0 && g_PausePlayer == g_MainSide) return 1;
  const CreditState& c = g_CreditState;
  for (int p = 0; p < 2; ++p)
    if (c.creditInput[p] || c.startInput[p] || MenuPressed(p) != 0) return 100;
  return 0;
}

int ReadPauseRequestWhilePaused() { return IsStartPressed(g_PausePlayer) ? 1 : 0; }

void CreatePauseMenu(int player) {
  g_PauseMenuPlayer = player;
  g_PauseResult = -1;
  g_PauseResultReady = 0;
  g_PauseMenu = g_PauseControlHooks.createPauseMenu ? g_PauseControlHooks.createPauseMenu(player) : nullptr;
}

void OpenPauseMenu() {
  // Direct netplay's connection sequence has no object in this build (its mode is never set), so
  // its pause handshake has nothing to arm. Without a pause menu nothing opens and the battle is
  // not frozen: nobody could resume it.
  if (g_PauseControlHooks.createPauseMenu == nullptr) return;
  CreatePauseMenu(g_PausePlayer);
  g_Paused = 1;
  g_PauseStep = 0;
}

void HandlePauseRequest(int start) {
  const int32_t mode = g_GameModeFlags;
  const bool arcade = mode == MODE_ARCADE;
  if (mode == MODE_VS_PLAYER || mode == MODE_VS_CPU || mode == MODE_CPU_VS_CPU || arcade) {
    if (!arcade) CheckReplayPause();
    if (g_PauseStep > 1) return;
    if (start != 0) {
      if (g_Paused == 0) OpenPauseMenu();
    } else if (arcade && CheckChallengerInterrupt()) {
      g_Paused = 1;
      g_PauseStep = 0;
      g_ChallengeState = 1;
    }
  } else if (mode == MODE_TRAINING) {
    CheckReplayPause();
    if (start != 0 && g_Paused == 0 && TrainingMenuPresent()) PauseForTraining();
  }
}

void FeedPauseMenuInput() {
  if (!g_PauseMenu) return;
  int direction = 0;
  uint32_t pressed = 0;
  if (g_AppJoystick != nullptr && g_PauseMenuPlayer >= 0 && g_PauseMenuPlayer < 4) {
    const PadState& s = g_AppJoystick->menuBank[static_cast<size_t>(g_PauseMenuPlayer)];
    if (s.menuDirection & PadState::kChanged) direction = s.menuDirection & 0x0F;
    s.GetButtonMasks(&pressed, nullptr);
  }
  // Cancel and start both back out of the menu.
  const int button = (pressed & 0x6) ? 2 : (pressed & 0x1) ? 1 : 0;
  g_PauseMenu->Input(direction, button);
  if (g_PauseMenu && g_PauseMenu->State() == 4) g_PauseMenu.reset();  // stores the result
}

void DispatchPauseMenu(int /*start*/) {
  if (g_Paused == 0) return;
  if (g_ChallengeState == 1) {
    if (RunChallengerInterrupt() == 0) g_RoundRestart = 254;
    return;
  }
  if (g_PauseMenu) {
    g_PauseMenu->Draw();
    FeedPauseMenuInput();
  }
  if (g_PauseResultReady != 1) return;
  ActOnResult(g_PauseResult);
  Resume();
}

int IsChallengerAllowed() {
  const StoryBattleRoute* route = StoryBattleRouteOfSide(g_MainSide);
  const bool lastStage =
      route != nullptr && route->stageCount != 0 && route->stageIndex == route->stageCount - 1;
  const bool wonFinal =
      g_JudgeState != 0 && lastStage && g_RoundWinner == g_MainSide && IsAtMatchPoint(g_MainSide) != 0;
  return wonFinal ? 0 : 1;
}

int CheckChallengerInterrupt() {
  // Direct netplay's challenger path waits on a connection sequence that never runs here.
  if (g_DirectNetMode == 1 && g_NetworkMatch == 1) return 0;
  if (CheckNewChallenger() == 0 || g_Paused != 0 || IsChallengerAllowed() == 0) return 0;
  StopVoiceStream();
  BattleSeamStartChallengerScreen();
  return 1;
}

int RunChallengerInterrupt() {
  BattleSeamUpdateChallengerScreen();
  BattleSeamDrawChallengerScreen();
  if (g_DirectNetMode == 1 && g_NetworkMatch == 1) return 1;  // no connection sequence ever ends it
  return BattleSeamChallengerScreenClock() <= 5.0f ? 1 : 0;
}

void UpdatePauseControl() {
  const bool training = g_GameModeFlags == MODE_TRAINING;
  const PauseControlHooks& h = g_PauseControlHooks;
  if (training && g_PauseMenuActive == 0) {
    if (h.drawActionTime) h.drawActionTime();
    int indicator = 0;
    int limit = 0;
    if (g_ReplayController.dummyMode != 0 && h.checkDummyRecordLimit)
      limit = h.checkDummyRecordLimit(&indicator);
    const bool hideStatus = h.replayTimeDisplay && h.replayTimeDisplay() == 1 && indicator == 1;
    if (!hideStatus && h.drawDummyReplayStatus) h.drawDummyReplayStatus(indicator);
    if (limit != 0) PauseForTraining();
  }
  const int start = g_Paused != 0 ? ReadPauseRequestWhilePaused() : ReadPauseRequest();
  if (g_AttractDemo == 1) {
    if (start != 0) g_RoundRestart = static_cast<uint8_t>(start);
  } else {
    HandlePauseRequest(start);
  }
  if (training) {
    if (g_Paused != 0) {
      if (h.updateTrainingMenu) h.updateTrainingMenu();
    } else if (h.handleTrainingHotkeys) {
      h.handleTrainingHotkeys();
    }
    if (h.updateTrainingFrame) h.updateTrainingFrame();
  } else {
    DispatchPauseMenu(start);
  }
}

int TogglePause() {
  g_Paused = g_Paused != 0 ? 0 : 1;
  g_PauseStep = g_Paused != 0 ? 1 : 2;
  g_PauseMenuActive = 1;
  return g_Paused;
}

void ResetPauseControl() {
  g_PauseMenu.reset();
  g_PauseStep = 0;
  g_PauseMenuActive = 0;
  g_PausePlayer = 0;
  g_PauseMenuPlayer = 0;
  g_PauseResult = -1;
  g_PauseResultReady = 0;
}

void InstallPauseControl() {
  g_BattleSeams.IsPauseAllowed = IsPauseAllowed;
  g_BattleSeams.UpdatePauseControl = UpdatePauseControl;
}
