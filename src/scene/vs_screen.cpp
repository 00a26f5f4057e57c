// The VS screens (see vs_screen.h): the shared Init and Step, the normal screen's set-up with the
// stage and the arcade opponent, the attract screen's random CPU match, and the leave hooks.
#include "scene/vs_screen.h"

#include <thread>

#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Replay/replay_controller.h"
#include "Sound/soundproc.h"
#include "app/app_state.h"
#include "app/input/app_joystick.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/battle_sound.h"
#include "battle/chara_loader.h"
#include "battle/cpu_defence.h"
#include "battle/game_mode.h"
#include "battle/particle_pool.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"
#include "directnet/direct_net_state.h"
#include "directnet/net_connect.h"
#include "menu/training_settings.h"
#include "scene/battle_hud.h"
#include "scene/chara_roster.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_battle.h"
#include "scene/stage_bg.h"
#include "scene/vs_presentation.h"

namespace {

CCharaDataLoader* g_vsLoader = nullptr;

constexpr int kExtraOpponent = 51;
constexpr int kExtraOpponentType = 9;
constexpr int kExtraStage = 18;

// Frees what a load filled and the stage: before a new load, and when the screen goes back to
// the title or is released.
void FreeLoadedMatch() {
  // A load that could not be joined (the program is quitting) may still be writing: leave it.
  if (VsScreenLoader().HasThread() != 0) return;
  FreeCharacterData();
  FreeCharacterSounds();
  FreeBattleHudGraphics();
  ResetStageBg();
}

}  // namespace

CCharaDataLoader& VsScreenLoader() { return g_vsLoader ? *g_vsLoader : GetCharaDataLoader(); }

void SetVsScreenLoader(CCharaDataLoader* loader) { g_vsLoader = loader; }

// ---- Shared ----

int CSceneVSScreenBase::Process(int /*keepRunning*/) {
  if (g_SceneEnter != 0) Init();
  // The screen polls the pads itself, as every scene does.
  if (g_AppJoystick) {
    g_AppJoystick->ReadDevices();
    g_AppJoystick->UpdateBanks();
  }
  if (CheckSession() == 0) return 0;
  UpdateVsScreen();
  DrawVsScreen();
  Step();
  return 1;
}

int CSceneVSScreenBase::Init() {
  // A load still running from an earlier entry writes the very data freed below: wait for it and
  // take back the presentation first.
  JoinLoader();
  if (holding_) {
    holding_ = false;
    FreeVsScreen();
  }

  g_ReplayController.recordingAllowed = 1;
  if (g_ReplayController.mode == 1) g_ReplayController.ClearRounds();
  g_ReplayController.hold = 0;
  g_SceneEnter = 0;
  // The volume walk touches every sound slot: it runs before the loader owns the character ones.
  ApplySoundVolumes();
  ClearObjectPool();
  ClearParticlePool();
  FreeLoadedMatch();
  ApplyMatchRules();
  int hidden = -1, allCpu = 0;
  if (SetUpMatch(&hidden, &allCpu) == 0) return 0;
  BuildVsInfo(hidden);
  LoadVsScreen();
  holding_ = true;
  CCharaDataLoader& loader = VsScreenLoader();
  loader.allCpu = allCpu;
  loader.progress.store(0);
  return loader.Start() != 0 ? 1 : 0;
}

// Who touches the match data while the loader runs. From Start until the join that follows
// IsFinished returning 1, the loader thread alone writes the four player records and the effect
// owner, the side records' partner marks, action locks and attack factors, the frame-data sets,
// the character voice slots and their lengths, the battle HUD graphics and the stage file, and it
// reads the player selections and the character list. In that time the logic thread reads and
// writes none of them, changes no selection, requests no character sound and runs nothing that
// walks every sound slot (Init runs the volume walk before Start). The screen meanwhile touches
// only g_VsInfo, its own textures and targets, the movie and the music stream, and asks the loader
// only HasThread and IsFinished. Every path that reads or frees the loader's output joins first:
// exit codes 1, 2 and 3, Init on re-entry, the leave hook, and shutdown.
void CSceneVSScreenBase::Step() {
  CheckSkip();
  CCharaDataLoader& loader = VsScreenLoader();
  int code = kVsStay;
  // Under the frame clock, once the show has played out, the real loader's job is waited for
  // here, so the battle starts on the show's last frame whatever the thread's speed (a stand-in
  // loader finishes on a frame of its own).
  if (g_FrameClockWaits && g_VsScreenFinished != 0 && holding_ && &loader == &GetCharaDataLoader() &&
      loader.HasThread() != 0)
    while (loader.IsFinished() == 0) std::this_thread::yield();
  if (!holding_ || loader.HasThread() == 0)
    code = kVsTitle;
  else if (loader.IsFinished())
    code = CheckExit();
  code = CheckLeave(code);
  switch (code) {
    case kVsBattle:
      Finish();
      BuildStageBg();
      RelinkPlayerRecords();
      InitMatchBattleState();
      ChangeScene(SCENE_BATTLE);
      break;
    case kVsTitle:
      Finish();
      FreeLoadedMatch();
      FlushHan6TextureCache();
      g_TitleSkipIntro = 1;
      ChangeScene(SCENE_TITLE);
      break;
    case kVsChosen:
      Finish();
      ReleaseScene();
      break;
    default:
      break;
  }
}

int CSceneVSScreenBase::CheckLeave(int code) {
  if (code == kVsChosen) return code;
  // Kept: a scene change made by someone else inside this frame sends the screen to the title.
  if (g_SceneId != GetSceneId() || g_SceneEnter != 0) return kVsTitle;
  return code;
}

void CSceneVSScreenBase::ReleaseScene() {
  FreeLoadedMatch();
  FlushHan6TextureCache();
}

void CSceneVSScreenBase::JoinLoader() {
  CCharaDataLoader& loader = VsScreenLoader();
  if (&loader == &GetCharaDataLoader())
    WaitCharaDataLoader();
  else if (loader.HasThread())
    loader.JoinThread();
}

void CSceneVSScreenBase::Finish() {
  JoinLoader();
  if (!holding_) return;
  holding_ = false;
  FreeVsScreen();
  StopBgm();
  FreeBgm();
  g_CaptureScreenRequest = 1;
}

void CSceneVSScreenBase::Leave() {
  // A change from outside the frame never reached CheckLeave: the scene chosen stays, and the
  // screen releases as exit code 3 does.
  if (!holding_) return;
  Finish();
  ReleaseScene();
}

// ---- Normal screen ----

int CSceneNormalVSScreen::Init() {
  if (g_NetworkMatch == 1) g_ReplayController.Reset();
  return CSceneVSScreenBase::Init();
}

int SetUpVersusStageAndOpponent() {
  // Normal matches; training sets its own values below.
  g_AirRecoveryMode = 4;
  g_DownRecoveryMode = 4;
  int hidden = -1;
  bool pickAlways = false;
  const int mode = g_GameModeFlags;
  StoryBattleRoute& route = g_StoryBattleRoutes[g_MainSide == 1 ? 1 : 0];
  const RouteStage* entry = nullptr;
  if (route.stageIndex >= 0 && route.stageIndex < kRouteStageSlots) entry = &route.stages[route.stageIndex];
  if (mode == 1 || mode == 0x11 || mode == 0x12) {
    g_TrainingSettings[AIR_RECOVERY] = 4;
    g_TrainingSettings[DOWN_RECOVERY] = 4;
    if (g_ChallengeState != 0) {
      g_MatchStage = 0;
      pickAlways = true;
    }
  } else if (mode == 0x10) {
    const int cpu = 1 - (g_MainSide == 1 ? 1 : 0);
    PlayerSelection& opponent = g_PlayerSelections[cpu];
    if (route.extraRoute == 1) {
      g_MatchStage = kExtraStage;
      opponent.character = kExtraOpponent;
      opponent.color = 0;
      opponent.type = kExtraOpponentType;
      opponent.controller = 1;
    } else if (entry) {
      g_MatchStage = entry->stage;
      opponent.character = entry->opponent;
      opponent.color = 0;
      opponent.type = PickRandomStyle(cpu);
      opponent.controller = 1;
    }
    const int flags = entry ? entry->flags : 0;
    if (flags & 0x1) hidden = cpu;
    for (PlayerSelection& s : g_PlayerSelections) s.overrideMode = s.overrideValue = 0;
    PlayerSelection& main = g_PlayerSelections[g_MainSide == 1 ? 1 : 0];
    if (flags & 0x400) {
      main.overrideMode = 1;
      main.overrideValue = 1;
    } else if (flags & 0x800) {
      main.overrideMode = 2;
      main.overrideValue = 9;
    }
  } else if (mode == 0x1010) {
    g_AirRecoveryMode = 0;
    g_DownRecoveryMode = 0;
    g_TrainingSettings[ENEMY_STATUS] = 0;
    g_TrainingSettings[AIR_RECOVERY] = 0;
    g_TrainingSettings[DOWN_RECOVERY] = 0;
    if (g_ChallengeState != 0) g_MatchStage = 0;
  }
  if (g_MatchStage == 0 || pickAlways) {
    const bool training = mode == 0x1010 && g_ChallengeState == 0;
    uint8_t byte = 0;
    PickRandomStage(training ? TrainingStageExcludeList : VersusStageExcludeList, &g_MatchStage, &byte);
  }
  if (mode == 0x10 && entry && entry->stageVariant != 0)
    g_MatchStageByte = static_cast<uint8_t>(entry->stageVariant);
  else
    g_MatchStageByte = static_cast<uint8_t>(g_MatchStage);
  SyncReplayStageAndPlayers();
  return hidden;
}

int CSceneNormalVSScreen::SetUpMatch(int* hiddenSide, int* allCpu) {
  connectionFlags = 0;
  leaveCode = 0;
  ReseedNetMatchRandom();
  // No direct-netplay session is ever opened in this build: the screen runs as a local one.
  connectionType = g_DirectNetSession != 0 ? 2 : 1;
  if (g_AttractDemo == 0)
    for (CreditPlayer& p : g_CreditState.players) p.joinMode = 1;
  *hiddenSide = SetUpVersusStageAndOpponent();
  // Cleared for both sides before every match.
  g_SideStatus[0].perMatchWord = 0;
  g_SideStatus[1].perMatchWord = 0;
  if (IsStageBgLoaded(g_MatchStage) == 0) ResetStageBg();
  *allCpu = 0;
  return 1;
}

int CSceneNormalVSScreen::SkipRequested() {
  int press = g_AppJoystick ? g_AppJoystick->IsAnyMenuButtonPressed() : 0;
  // Presses do not skip an online match's show: both sides wait for it whole.
  if (GetOnlineModeManager().IsNetMatchActive()) press = 0;
  return press != 0 || g_VsScreenFinished != 0 ? 1 : 0;
}

int CSceneNormalVSScreen::CheckExit() {
  if (connectionFlags != 0) {
    ReturnToNetworkMenu();
    return kVsChosen;
  }
  switch (connectionType) {
    case 1:
      return SkipRequested() ? kVsBattle : kVsStay;
    case 2:
      // Without a direct channel the start code cannot be sent: wait as for the peer's start.
      if (SkipRequested()) connectionType = 3;
      return kVsStay;
    case 3:
      return kVsStay;
    default:
      return kVsTitle;
  }
}

int CSceneNormalVSScreen::CheckSession() {
  g_SceneIdRun = g_SceneId;
  if (UpdateNetVSConnection() == 0 && (connectionFlags & 1) == 0) connectionFlags |= 1;
  return 1;
}

// ---- Attract screen ----

int CSceneDemoVSScreen::SetUpMatch(int* hiddenSide, int* allCpu) {
  skipRequested = 0;
  uint8_t byte = 0;
  PickRandomStage(VersusStageExcludeList, &g_MatchStage, &byte);
  g_MatchStageByte = byte;
  ResetPlayerSelections();
  for (int i = 0; i < 2; ++i) {
    PlayerSelection& s = g_PlayerSelections[i];
    s.character = PickRandomCharacter();
    s.type = PickRandomStyle(i);
    s.side = i;
    s.color = ResolveColourClash(i, static_cast<int>(RandNext() % 36));
    s.fileSet = GetCharaFilter();
  }
  *hiddenSide = -1;
  *allCpu = 1;
  return 1;
}

void CSceneDemoVSScreen::CheckSkip() {
  const CreditState& c = g_CreditState;
  bool press = c.creditInput[0] || c.creditInput[1] || c.startInput[0] || c.startInput[1];
  if (g_AppJoystick)
    press = press || g_AppJoystick->IsPlayerAnyMenuButtonPressed(0) ||
            g_AppJoystick->IsPlayerAnyMenuButtonPressed(1);
  if (press) skipRequested = 1;
}

int CSceneDemoVSScreen::CheckExit() {
  // A press made at any time is acted on once the load is done, and leads to the title.
  if (skipRequested) return kVsTitle;
  return g_VsScreenFinished ? kVsBattle : kVsStay;
}

int CSceneDemoVSScreen::CheckSession() {
  g_SceneIdRun = g_SceneId;
  if (UpdateNetVSConnection() == 0) {
    ReturnToNetworkMenu();
    return 0;
  }
  return 1;
}

// ---- Scene table ----

CSceneNormalVSScreen& GetNormalVSScreen() {
  static CSceneNormalVSScreen scene;
  return scene;
}

CSceneDemoVSScreen& GetDemoVSScreen() {
  static CSceneDemoVSScreen scene;
  return scene;
}

void InstallVsScreens() {
  RegisterScene(SCENE_VS_SCREEN, {[](int keepRunning) { return GetNormalVSScreen().Process(keepRunning); },
                                  [] { GetNormalVSScreen().Leave(); }});
  RegisterScene(SCENE_DEMO_VS_SCREEN, {[](int keepRunning) { return GetDemoVSScreen().Process(keepRunning); },
                                       [] { GetDemoVSScreen().Leave(); }});
}
