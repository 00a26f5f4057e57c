// The match words the scenes own (challenge state, arcade variant, draw switch), the mode
// starters the menus call to begin a mode, the per-match state reset, the match rules each
// battle applies at its first round, and the arcade-route rules kept beside them.
#pragma once

#include <cstdint>

// Versus-from-arcade state: 0 none, 1 a challenger match started, 2 set by the battle's join
// path, 255 event mode or an arcade versus start.
extern uint8_t g_ChallengeState;
// 1 while a match of the arcade start variant runs (the battle reads it through its seam).
extern uint8_t g_ArcadeVariant;
// The battle world's draw switch (the battle sets and reads it through its seams).
extern int32_t g_DrawCharactersOn;
// The attract loop's idle counter of the title item menu (frames without input).
extern int32_t g_AttractIdleFrames;

// What the match rules and the starters ask of the layers built elsewhere (replays, the online
// session). Null entries: no replay controller, no agreed net session.
struct MatchRuleHooks {
  void (*setReplayMode)(int mode) = nullptr;  // 0 off, 1 record, 2 play
  void (*syncReplaySettings)() = nullptr;
  // The round count and timer byte agreed in the net session.
  int32_t (*netRoundsToWin)() = nullptr;
  int32_t (*netTimerSpeed)() = nullptr;
  // The training menu's AIR_RECOVERY and DOWN_RECOVERY settings back to 0.
  void (*clearTrainingRecovery)() = nullptr;
};
extern MatchRuleHooks g_MatchRuleHooks;

inline constexpr int kReplayOff = 0;
inline constexpr int kReplayRecord = 1;
inline constexpr int kReplayPlay = 2;

// Mode starters: each takes the side of the player who chose. The caller switches the scene.
void StartArcadeMode(int side);
// The title's form: no replay-mode step, the join words are not cleared first.
void StartArcadeModeFromTitle(int side);
void StartTrainingMode(int side);
void StartVsPlayer(int side);
void StartVsCpu(int side);
void StartCpuVsCpu(int side);
void StartReplayMode(int side);
void StartNetworkMode(int side);
void PrepareMenuScreen(int side);
void StartRematchVsPlayer(int side);
void EnterNetworkMatchMode(int side);
// The title's idle step: 5 when the attract demo starts now, else 0.
int CheckAttractTimeout();

void ResetMatchState();
void ApplyMatchRules();
void ApplyModeRules();

int IsArcadeExtraRoute();
int CheckArcadeExtraRoute();
int CountChallengerMatch(int side);
int IsDirectNetMatch();

// The route record's progress words the arcade rules keep.
inline constexpr int kRoutePerfectWins = 0;
inline constexpr int kRouteWonRounds = 1;
inline constexpr int kRouteChallengerCount = 2;

// Fills the battle seams these words answer.
void InstallGameModes();
