// The battle scene (see scene_battle.h).
#include "scene/scene_battle.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <utility>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Text/system_font.h"
#include "Sound/soundproc.h"
#include "app/app_state.h"
#include "app/e2e_run.h"
#include "app/input/app_joystick.h"
#include "app/input/input_hooks.h"
#include "app/save_data.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_driver.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/character_draw.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"
#include "battle/screen_break.h"
#include "battle/story_routes.h"
#include "directnet/direct_net_state.h"
#include "scene/battle_hud.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/scene_frame.h"
#include "scene/stage_bg.h"

int32_t g_SideWinCounts[2];
int32_t g_SceneBattleFrame;
int32_t g_TitleSkipIntro;
int32_t g_RankingReturnScene;
int32_t g_RankingFromMenu;
SceneBattleHooks g_SceneBattleHooks;

namespace {

bool IsVersusFamily(int32_t mode) {
  return mode == MODE_VS_PLAYER || mode == MODE_ARCADE || mode == MODE_VS_CPU || mode == MODE_CPU_VS_CPU;
}

StoryBattleRoute* MainRoute() { return StoryBattleRouteOfSide(g_MainSide); }

void SwitchScene(int id) {
  g_SceneId = id;
  g_SceneEnter = 1;
}

void CallHook(void (*hook)()) {
  if (hook) hook();
}

int ProcessBattleScene(int keepRunning) { return GetSceneBattle().Process(keepRunning); }

int SendBarrierStep(int step) {
  return g_SceneBattleHooks.sendBarrierStep ? g_SceneBattleHooks.sendBarrierStep(step) : 0;
}

int BothReportedStep(int step) {
  return g_SceneBattleHooks.bothReportedStep ? g_SceneBattleHooks.bothReportedStep(step) : 0;
}

// The battle start's steps between the engine's resets and the round set-up.
void BeforeRound() {
  if (g_RoundCounter == 0) LoadSideWinCounts(g_SideWinCounts);
  if (g_GameModeFlags == MODE_TRAINING) CallHook(g_SceneBattleHooks.startTrainingBattle);
  // The round set-up's first step, the stage's round reset: its objects start again.
  StartStageObjects();
}

}  // namespace

CSceneBattle& GetSceneBattle() {
  static CSceneBattle scene;
  return scene;
}

int CSceneBattle::Process(int /*keepRunning*/) {
  if (g_SceneEnter != 0) InitBattle();
  // The scene process's common step: the frame records the scene that ran and, unless a direct
  // connection failed (which sends the game to the network menu), the update.
  Execute();
  // What the battle holds is released when the id leaves scene 1 (the leave hook), whoever
  // moved it.
  return 1;
}

void CSceneBattle::Update() {
  if (!PollSceneInput()) return;  // the opponent's input has not arrived
  UpdateAttractOverlay();
  RunBattleFrame();
  DrawBattle();
  UpdateBattleEnd();
  g_SceneBattleFrame = g_SceneBattleFrame + 1;
}

void CSceneBattle::InitBattle() {
  const bool firstRound = g_RoundCounter == 0;
  if (firstRound) g_SceneBattleFrame = 0;
  ReseedNetMatchRandom();
  if (firstRound) {
    ApplyMatchRules();
    endState = 0;
  }
  if (g_AppJoystick) g_AppJoystick->ClearAll();
  // CPU states, counters, patterns, the scene's steps, the round set-up; no warm-up frames online.
  InitBattleEngine(RoundStart::kGame, !BattleSeamIsNetMatchActive(), BeforeRound);
  // A restart from within training skips the opening screen break-up.
  if (g_SceneEnter == 255) SetScreenBreakProgress(1.0f);
  g_SceneEnter = 0;
  if (firstRound) delayShown = delayFlag = delayMode = 0;
}

int CSceneBattle::UpdateBattleEnd() {
  switch (endState) {
    case 0:
      if (g_RoundRestart == 0) return 0;
      vt::e2e::ReportJudgement();
      if (AdvanceRound() != 0) return 1;
      if (LeaveToCharacterSelect() != 0) return 1;
      if (IsDirectNetVsActive()) {
        // Both peers leave the battle together: no build starts such a session yet.
        if (!SendBarrierStep(4)) {
          CallHook(g_SceneBattleHooks.returnToNetworkMenu);
          endState = 3;
          return 1;
        }
        endState = 1;
        return 0;
      }
      RouteMatchEnd();
      return 1;
    case 1:
      if (BothReportedStep(4)) {
        SendBarrierStep(1);
        endState = 2;
      }
      return 0;
    case 2:
      if (!BothReportedStep(1)) return 0;
      RouteMatchEnd();
      return 1;
    default:
      return 0;
  }
}

int CSceneBattle::AdvanceRound() {
  const int changed = ChangeRound();
  if (changed == 0) return 0;
  g_SceneEnter = 1;
  if (changed == 2) {  // the replay's rounds are used up
    endState = 3;
    g_TitleSkipIntro = 1;
    SwitchScene(SCENE_TITLE);
    return 2;
  }
  return 1;
}

int CSceneBattle::LeaveToCharacterSelect() {
  if (g_RoundRestart != 254) return 0;
  endState = 3;
  g_SceneEnter = 1;
  GoToCharacterSelect();
  return 1;
}

void CSceneBattle::RouteMatchEnd() {
  const int route = GetMatchEndRoute();
  endState = 3;
  g_SceneEnter = 1;
  StopBgm();
  g_CaptureScreenRequest = 1;
  ApplyMatchEndRoute(route);
}

void CSceneBattle::DrawBattle() {
  ::DrawBattle();  // camera, characters, pool objects, particles, the engine's HUD
  DrawBattleHud();
  DrawBattleStage();
}

void CSceneBattle::DrawBattleStage() {
  // The background animates only while the battle world is drawn (and its option allows).
  DrawStageBg(g_DrawCharactersOn != 0 ? 1 : 0);
}

int GetMatchEndRoute() {
  if (!IsVersusFamily(g_GameModeFlags)) return 12;
  if (g_AttractDemo) return g_RoundRestart == 100 ? 11 : 9;
  switch (g_RoundRestart) {
    case 2:
      return BattleSeamReplayMode() == 0 && g_ChallengeState == 0 ? 6 : 7;
    case 3:
      return 5;
    case 4:
      return 4;
    case 13:
      return 3;
    case 14:
      return 2;
    default:
      return 8;
  }
}

void ApplyMatchEndRoute(int route) {
  StoryBattleRoute* r = MainRoute();
  switch (route) {
    case 2:
      if (r) ++r->stageIndex;
      CallHook(g_SceneBattleHooks.storyAfterBattle);
      break;
    case 3:
      if (r) r->stageIndex = r->stageCount;
      CallHook(g_SceneBattleHooks.storyRouteEnd);
      break;
    case 4:
      SwitchScene(SCENE_VS_SCREEN);
      break;
    case 5:
      if (r) ++r->stageIndex;
      SwitchScene(SCENE_NEXT_STAGE);
      break;
    case 6:
      SwitchScene(g_GameModeFlags == MODE_VS_PLAYER ? SCENE_WINNER_DEMO : SCENE_CHARA_SELECT);
      break;
    case 7:
      if (g_GameModeFlags == MODE_ARCADE && r) r->stageIndex = r->stageCount;
      SwitchScene(SCENE_WINNER_DEMO);
      break;
    case 8:
      SwitchScene(SCENE_WINNER_DEMO);
      break;
    case 9:
      g_RankingReturnScene = 1;
      g_RankingFromMenu = 0;
      SwitchScene(SCENE_RANKING);
      break;
    case 11:
    case 12:
    default:
      g_TitleSkipIntro = 1;
      SwitchScene(SCENE_TITLE);
      break;
  }
}

void LoadSideWinCounts(int32_t counts[2]) {
  for (int s = 0; s < 2; ++s) {
    const StoryBattleRoute* r = StoryBattleRouteOfSide(s);
    counts[s] = r ? r->progress[kRouteChallengerCount] : 0;
  }
}

int CheckNewChallenger() {
  if (g_ChallengeState != 0 || g_Paused != 0 || BattleSeamReplayMode() == 2) return 0;
  const StoryBattleRoute* route = MainRoute();
  if (route && route->stageCount != 0 && route->stageIndex >= route->stageCount) return 0;
  if (g_CreditState.players[0].joinMode != 0) return 0;
  const int other = g_MainSide == 0 ? 1 : 0;
  // The other side's name entry would take the button; it runs only once arcade play has ended.
  if (GetInputGameHooks().nameEntryState(other) == 1) return 0;
  if (!g_AppJoystick || !g_AppJoystick->IsPlayerMenuButton2Pressed(other)) return 0;
  const int join = CanPlayerJoin(other);
  if (!join) return 0;
  CreditPlayer& p = g_CreditState.players[other];
  if (p.continueState != 0 && p.continueTimer != 0) {
    p.continueState = p.continueTimer = p.playTimeOpen = 0;
    int32_t& count = g_SideStatus[other].arcadeTotals[9];
    if (count < 99) ++count;
    AccumulatePlayTime();
  }
  p.joined = 1;
  StartModePlayTimer(other);
  return join;
}

void GoToCharacterSelect() {
  g_GameModeFlags = MODE_VS_PLAYER;
  g_ChallengeState = 2;
  if (StoryBattleRoute* r = MainRoute(); r && r->extraRoute == 1) r->extraRoute = 255;
  if (g_SceneId == SCENE_CHARA_SELECT) return;
  SwitchScene(SCENE_CHARA_SELECT);
  g_CaptureScreenRequest = 1;
}

void UpdateAttractOverlay() {
  if (g_AttractDemo != 1) return;
  if (g_BattleDrawSubmit && g_BattleHudTextures.demoMark)
    DrawSprite(&g_MainDrawList, g_BattleHudTextures.demoMark, 192, 362, 256, 96, 0.0f, 0.0f, 256.0f, 96.0f,
               0xFFFFFFFFu, 0, 1023);
  if (g_FightTime > 1800 || g_BattleFrame > 4800) g_RoundRestart = 1;
}

void DrawStartMessages(int count, int selected) {
  struct Entry {
    int x, y;
    char text[64];
  };
  static const auto kEntries = [] {
    std::array<Entry, 15> e{};
    e[0] = {50, 50, "START MESSAGE"};
    for (int i = 1; i < 15; ++i) {
      e[i].x = 50;
      e[i].y = 50 + 25 * i;
      std::snprintf(e[i].text, sizeof e[i].text, "BATTLE %02d", i - 1);
    }
    return e;
  }();
  if (count > static_cast<int>(kEntries.size())) count = static_cast<int>(kEntries.size());
  for (int i = 0; i < count; ++i) {
    const Entry& e = kEntries[static_cast<size_t>(i)];
    const int x = e.x + (i == selected ? 0 : 16);
    vt::text::DrawSysFontText(x, e.y, e.text, 255, 255, 767, 0, 12, 20, 0, 0);
    for (const auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
      vt::text::DrawSysFontText(x + dx, e.y + dy, e.text, 0, 255, 767, 0, 12, 20, 0, 0);
  }
}

void LeaveBattleScene() {
  // The dispatcher's clean-up (stage, characters, HUD graphics, panels), then the scene's own.
  LeaveBattleCleanup();
  CallHook(g_SceneBattleHooks.closeTrainingMenu);
  GetSceneBattle().delayShown = 0;
}

void InstallBattleScene() {
  InstallGameModes();
  InstallCredits();
  RegisterScene(SCENE_BATTLE, {ProcessBattleScene, LeaveBattleScene});
  g_BattleSeams.ShakeLifeBar = [](BattleObject* o) {
    const int32_t slot = BattleObjectRef(o);
    if (slot >= 0 && slot < kPlayerSlots) ShakeHudLifeBar(slot);
  };
  InputGameHooks& h = GetInputGameHooks();
  h.gameMode = [] { return static_cast<int>(g_GameModeFlags); };
  h.mainSide = [] { return static_cast<int>(g_MainSide); };
  h.requestSound = [](int slot) {
    if (slot >= 0 && slot < kSeSlotCount) g_SeRequest[slot] = 1;
  };
  h.resetSideProgress = [](int side) { ResetSideProgress(side); };
}
