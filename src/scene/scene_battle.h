// The battle scene: the scene object that runs the battle round after round, its start and end,
// the match-end routes, the join check of a new challenger and the attract demo's overlay.
#pragma once

#include <cstdint>

#include "scene/scene_frame.h"

// Consecutive wins shown beside each side, loaded at the first round of a match.
extern int32_t g_SideWinCounts[2];

class CSceneBattle : public CSceneProcessBase {
 public:
  int32_t endState = 0;  // 0 fighting, 1 and 2 at the direct-netplay end barrier, 3 finished
  int32_t delayShown = 0;
  int32_t delayFlag = 0;
  int32_t delayMode = 0;

  // The scene's per-frame entry (registered for scene 1).
  int Process(int keepRunning) override;
  void Update() override;
  // The battle start, at every round (each round re-enters the scene with enter 1).
  void InitBattle();
  // 1 when the battle ends this frame.
  int UpdateBattleEnd();
  // 1 when the next round starts, 2 when a replay has used up its rounds; else 0.
  int AdvanceRound();
  int LeaveToCharacterSelect();
  void RouteMatchEnd();
  // The engine's draw, the HUD pass and the stage, every frame.
  void DrawBattle();
  void DrawBattleStage();
};

CSceneBattle& GetSceneBattle();

// The scene's battle frame counter (+1 per updated frame; 0 at a match's first round).
extern int32_t g_SceneBattleFrame;
// 1 when the last battle picture is captured for the next scene; 1 when the title skips its intro;
// where the ranking scene returns to and whether it came from a menu.
extern int32_t g_TitleSkipIntro;
extern int32_t g_RankingReturnScene;
extern int32_t g_RankingFromMenu;

// What the scene asks of layers built elsewhere; null entries do nothing.
struct SceneBattleHooks {
  // Training: the battle start of a training battle; closing the training menu.
  void (*startTrainingBattle)() = nullptr;
  void (*closeTrainingMenu)() = nullptr;
  // Arcade route and story: the after-battle and route-end story steps (routes 2 and 3).
  void (*storyAfterBattle)() = nullptr;
  void (*storyRouteEnd)() = nullptr;
  // Direct netplay's end barrier: the input terminator and a barrier step sent (0 when the send
  // failed), both sides having reported a step, and the way back to the network menu.
  int (*sendBarrierStep)(int step) = nullptr;
  int (*bothReportedStep)(int step) = nullptr;
  void (*returnToNetworkMenu)() = nullptr;
};
extern SceneBattleHooks g_SceneBattleHooks;

// Route number of a finished match: 2..9, 11 or 12.
int GetMatchEndRoute();
// Applies a route: next scene, route changes and extras.
void ApplyMatchEndRoute(int route);
void LoadSideWinCounts(int32_t counts[2]);
int CheckNewChallenger();
void GoToCharacterSelect();
void UpdateAttractOverlay();
void DrawStartMessages(int count, int selected);
// The hook run when the id leaves scene 1: the dispatcher's battle clean-up, then the scene's own
// (the training menu closed).
void LeaveBattleScene();

// Registers the battle scene and fills the battle seams and input hooks the scenes answer.
void InstallBattleScene();
