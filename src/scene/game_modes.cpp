// Game modes and match rules (see game_modes.h).
#include "scene/game_modes.h"

#include "Sound/soundproc.h"
#include "app/save_data.h"
#include "battle/battle_camera.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/cpu_defence.h"
#include "battle/game_mode.h"
#include "battle/particle_pool.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"
#include "directnet/direct_net_state.h"
#include "scene/credits.h"
#include "scene/menu_player.h"

uint8_t g_ChallengeState;
uint8_t g_ArcadeVariant;
int32_t g_DrawCharactersOn = 1;
int32_t g_AttractIdleFrames;
MatchRuleHooks g_MatchRuleHooks;

namespace {

void SetReplayMode(int mode) {
  if (g_MatchRuleHooks.setReplayMode) g_MatchRuleHooks.setReplayMode(mode);
}

void SetJoinedBoth(int32_t joined) {
  for (CreditPlayer& p : g_CreditState.players) p.joined = joined;
}

// The common prelude of the starters: replay off, the attract loop's silence over, volumes.
void SoundPrelude(bool replayOff = true) {
  if (replayOff) SetReplayMode(kReplayOff);
  g_AttractMute = 0;
  ApplySoundVolumes();
}

void SetSideAndMode(int side, int32_t mode) {
  g_MainSide = static_cast<uint8_t>(side);
  g_MenuPlayer = side;
  g_GameModeFlags = mode;
}

// The common starter: prelude, the replay mode, the reset, side and mode, both players joined.
void StartMode(int side, int replayMode, int32_t mode) {
  SoundPrelude();
  SetReplayMode(replayMode);
  ResetMatchState();
  SetSideAndMode(side, mode);
  SetJoinedBoth(1);
}

int32_t ConfigMode() { return g_GameData ? g_GameData->ConfigMode : 0; }

// The arcade start after its join words (shared by the menu and title forms; the title's form
// leaves the replay controller alone).
void StartArcadeBody(int side, bool replayOff) {
  SoundPrelude(replayOff);
  ResetMatchState();
  if (ConfigMode() == 1) {
    // Event mode: an arcade start is a versus match with both players in.
    SetSideAndMode(side, MODE_VS_PLAYER);
    g_ChallengeState = 255;
    SetJoinedBoth(1);
    StartPlayTimers(0x3);
    StartModePlayTimer(0);
    StartModePlayTimer(1);
    return;
  }
  SetSideAndMode(side, MODE_ARCADE);
  g_CreditState.players[side & 1].joined = 1;
  StartPlayTimers(1 << (side & 1));
}

void SetJoinModeBoth(int32_t mode) {
  for (CreditPlayer& p : g_CreditState.players) p.joinMode = mode;
}

StoryBattleRoute* MainRoute() { return StoryBattleRouteOfSide(g_MainSide); }

// The four rules from a mode record, the rounds to win as the mode takes them.
void SetRulesFrom(const ModeRecord& r, int32_t roundsToWin) {
  g_CpuLevel = r.Difficulty;
  g_DamageLevel = r.DamageLevel;
  g_RoundsToWin = roundsToWin;
  g_TimerSpeed = static_cast<uint8_t>(r.TimeSpeed);
}

}  // namespace

void StartArcadeMode(int side) {
  SetJoinModeBoth(1);
  SetJoinedBoth(0);
  StartArcadeBody(side, true);
}

void StartArcadeModeFromTitle(int side) {
  SetJoinModeBoth(1);
  StartArcadeBody(side, false);
}

void StartTrainingMode(int side) {
  StartMode(side, kReplayOff, MODE_TRAINING);
  g_NetworkMatch = 0;
}

void StartVsPlayer(int side) { StartMode(side, kReplayRecord, MODE_VS_PLAYER); }
void StartVsCpu(int side) { StartMode(side, kReplayRecord, MODE_VS_CPU); }
void StartCpuVsCpu(int side) { StartMode(side, kReplayRecord, MODE_CPU_VS_CPU); }
void StartReplayMode(int side) { StartMode(side, kReplayPlay, MODE_VS_PLAYER); }

void StartNetworkMode(int side) {
  ResetMatchState();
  SetSideAndMode(side, MODE_NETWORK);
  g_NetworkMatch = 1;
  g_MenuPlayer = 1 << (side & 1);
  SetJoinedBoth(1);
}

void PrepareMenuScreen(int /*side*/) {
  SoundPrelude();
  SetJoinedBoth(1);
}

void StartRematchVsPlayer(int side) {
  ResetMatchState();
  SetSideAndMode(side, MODE_VS_PLAYER);
}

void EnterNetworkMatchMode(int side) {
  ResetMatchState();
  g_GameModeFlags = MODE_NETWORK;
  g_NetworkMatch = 1;
  g_MenuPlayer = 1 << (side & 1);
  g_MainSide = static_cast<uint8_t>(side);
}

int CheckAttractTimeout() {
  if (g_CreditState.creditInput[0] || g_CreditState.creditInput[1]) {
    g_AttractIdleFrames = 0;
    return 0;
  }
  if (++g_AttractIdleFrames <= 2400) return 0;
  g_AttractDemo = 1;
  ResetMatchState();
  g_GameModeFlags = MODE_VS_PLAYER;
  g_MainSide = 0;
  g_MenuPlayer = 0;
  g_AirRecoveryMode = 4;
  g_DownRecoveryMode = 4;
  return 5;
}

void ResetMatchState() {
  g_Paused = 0;
  ClearObjectPool();
  ClearParticlePool();
  ResetSideProgress(0);
  ResetSideProgress(1);
  ResetBattleCamera();
  g_GameModeFlags = MODE_ARCADE;
  g_MainSide = 0;
  g_ChallengeState = 0;
  g_DirectNetMode = 0;
  g_DirectNetSession = 0;
  g_NetworkMatch = 0;
  // Every mode start runs this first, so the variant start sets its flag after it.
  g_ArcadeVariant = 0;
  // The training menu's AIR_RECOVERY and DOWN_RECOVERY settings (not the engine's recovery words,
  // which the match set-up and the attract start set).
  if (g_MatchRuleHooks.clearTrainingRecovery) g_MatchRuleHooks.clearTrainingRecovery();
}

void ApplyModeRules() {
  if (!g_GameData) return;
  const ModeRecord& general = g_GameData->modes[0];
  switch (g_GameModeFlags) {
    case MODE_VS_PLAYER:
    case MODE_VS_CPU:
    case MODE_CPU_VS_CPU:
      SetRulesFrom(general, g_GameData->modes[1].WinCount);
      break;
    case MODE_ARCADE:
      SetRulesFrom(general, general.WinCount);
      break;
    case MODE_TRAINING:
      g_RoundsToWin = 0;
      g_TimerSpeed = 0;
      break;
    default:
      break;
  }
}

void ApplyMatchRules() {
  if (g_GameData) SetRulesFrom(g_GameData->modes[0], g_GameData->modes[0].WinCount);
  ApplyModeRules();
  if (BattleSeamIsNetMatchActive()) {
    // Online both peers play the same rules whatever their local options say.
    g_CpuLevel = 2;
    g_DamageLevel = 2;
    if (g_MatchRuleHooks.netRoundsToWin) g_RoundsToWin = g_MatchRuleHooks.netRoundsToWin();
    if (g_MatchRuleHooks.netTimerSpeed) g_TimerSpeed = static_cast<uint8_t>(g_MatchRuleHooks.netTimerSpeed());
  }
  if (g_MatchRuleHooks.syncReplaySettings) g_MatchRuleHooks.syncReplaySettings();
}

int IsArcadeExtraRoute() {
  const StoryBattleRoute* route = MainRoute();
  return route && route->extraRoute == 1 ? 1 : 0;
}

int CheckArcadeExtraRoute() {
  StoryBattleRoute* route = MainRoute();
  if (!route || route->extraRoute != 0 || route->stageIndex != 6) return 0;
  const int64_t count = int64_t{g_MatchPerfectWins} + route->progress[kRoutePerfectWins];
  const int64_t needed = g_RoundsToWin == 1 ? 5 : 8;
  if (count < needed) return 0;
  route->extraRoute = 1;
  return 1;
}

int CountChallengerMatch(int side) {
  StoryBattleRoute* route = StoryBattleRouteOfSide(side);
  if (!route) return 1;
  int32_t& counter = route->progress[kRouteChallengerCount];
  if (counter < 99) ++counter;
  static constexpr int32_t kLimits[6] = {0, 0, 3, 5, 8, 10};
  const int32_t mode = ConfigMode();
  if (mode < 2 || mode > 5) return 1;
  return counter >= kLimits[mode] ? 0 : 1;
}

int IsDirectNetMatch() {
  return g_DirectNetMode == 1 && g_NetworkMatch == 1 && g_DirectNetSession == 0 ? 1 : 0;
}

void InstallGameModes() {
  BattleSeams& s = g_BattleSeams;
  s.ArcadeVariant = [] { return static_cast<int>(g_ArcadeVariant); };
  s.SetDrawCharactersOn = [](int on) { g_DrawCharactersOn = on; };
  s.DrawCharactersOn = [] { return static_cast<int>(g_DrawCharactersOn); };
  s.CheckArcadeExtraRoute = CheckArcadeExtraRoute;
  s.IsArcadeExtraRoute = IsArcadeExtraRoute;
}
