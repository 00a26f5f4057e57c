// The winner demo scene: entry, the kind of demo, the match's bookkeeping, the step machine and
// the ways out of it.
#include "scene/winner_demo.h"

#include <algorithm>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Replay/replay_controller.h"
#include "Sound/soundproc.h"
#include "app/input/app_joystick.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/battle_sound.h"
#include "battle/chara_loader.h"
#include "battle/command_input.h"
#include "battle/game_mode.h"
#include "battle/particle_pool.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"
#include "directnet/direct_net_state.h"
#include "scene/battle_hud.h"
#include "scene/continue_screen.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/name_entry.h"
#include "scene/new_challenger.h"
#include "scene/online_mode_manager.h"
#include "scene/online_standins.h"
#include "scene/scene_battle.h"
#include "scene/stage_bg.h"
#include "scene/story_scene.h"
#include "scene/vs_result_menu.h"
#include "scene/win_quotes.h"
#include "scene/winner_screen.h"

PlayCountIncrements g_PlayCountIncrements;
WinnerDemoArcadeCalls g_WinnerDemoArcadeCalls;

namespace {

constexpr int kProceedAfterTextFrames = 300;
constexpr int kInputDelayFrames = 30;
constexpr int kFadeFrames = 30;

bool IsVersusMode() {
  return g_GameModeFlags == MODE_VS_PLAYER || g_GameModeFlags == MODE_VS_CPU ||
         g_GameModeFlags == MODE_CPU_VS_CPU;
}
bool IsNetworkModeWord() { return (g_GameModeFlags & (kTagBattleFlag | kFourPlayerFlag)) != 0; }
bool ConfigModeOne() { return g_GameData && g_GameData->ConfigMode == 1; }
StoryBattleRoute* MainRoute() { return StoryBattleRouteOfSide(g_MainSide); }

void SetJoinModes(int mode) {
  for (CreditPlayer& p : g_CreditState.players) p.joinMode = mode;
}

uint32_t SaturatingAdd(uint32_t a, uint32_t b) { return a > UINT32_MAX - b ? UINT32_MAX : a + b; }

// An online match: the online mode active with neither standby search running.
bool OnlineMatchRuns() { return GetOnlineModeManager().IsNetMatchActive(); }

void StopWinnerSounds() {
  StopBgm();
  FreeBgm();
}

}  // namespace

CSceneWinnerDemo& GetWinnerDemo() {
  static CSceneWinnerDemo scene;
  return scene;
}

void SetPlayCountIncrements(int side, int reason) {
  PlayCountIncrements& p = g_PlayCountIncrements;
  const int s = side == 1 ? 1 : 0;
  switch (reason) {
    case 0:
      p.count1 = ConfigModeOne() ? 1 : 2;
      p.count2 = 1;
      p.sideFlag[s] = 1;
      p.modeFlag = 1;
      break;
    case 1:
      p.count1 = 1;
      p.count2 = 1;
      p.sideFlag[0] = 1;
      p.modeFlag = 1;
      break;
    case 2:
      p.count1 = p.count2 = 0;
      p.sideFlag[0] = p.sideFlag[1] = 0;
      p.modeFlag = 0;
      break;
    case 3:
      p.count1 = 1;
      p.count2 = 0;
      p.sideFlag[g_MainSide & 1] = 1;
      p.modeFlag = 0;
      break;
    default:
      break;
  }
}

void UpdatePlayStatistics() {
  PlayData* d = g_PlayData;
  if (!d) return;
  PlayCountIncrements& p = g_PlayCountIncrements;
  bool changed = false;
  if (p.sideFlag[0] || p.sideFlag[1]) {
    d->playSeconds = SaturatingAdd(d->playSeconds, g_PlayTimers[kPlayTimer].ElapsedSeconds());
    StopPlayTimers();
    if (GetWinnerDemo().continued) StartPlayTimers(1);
    changed = true;
  }
  if (p.modeFlag) {
    d->modePlaySeconds = SaturatingAdd(d->modePlaySeconds, g_PlayTimers[kModeTotalTimer].ElapsedSeconds());
    g_PlayTimers[kModeTotalTimer].Reset();
    changed = true;
  }
  for (int i = 0; i < p.count1; ++i) d->playCount = SaturatingAdd(d->playCount, 1);
  for (int i = 0; i < p.count2; ++i) d->modePlayCount = SaturatingAdd(d->modePlayCount, 1);
  if (p.count1 || p.count2) changed = true;
  if (changed) SavePlayData();
}

CSceneWinnerDemo::CSceneWinnerDemo()
    : ownWindows_(std::make_unique<NetVSMessageWindows>()),
      ownClose_(std::make_unique<CKillGameSessionCloseEx>()) {
  windows_ = ownWindows_.get();
  close_ = ownClose_.get();
}

CSceneWinnerDemo::~CSceneWinnerDemo() = default;

void CSceneWinnerDemo::SetMessageWindows(NetVSMessageWindows* windows) {
  windows_ = windows != nullptr ? windows : ownWindows_.get();
}

void CSceneWinnerDemo::SetSessionClose(CKillGameSessionClose* close) {
  close_ = close != nullptr ? close : ownClose_.get();
}

void CSceneWinnerDemo::FreeNetTexts() {
  if (!netTextsLoaded_) return;
  windows_->FreeKillInfo();
  netTextsLoaded_ = false;
}

void CSceneWinnerDemo::ReturnFromNetMatch() {
  // The sequence's result names where the network menu resumes; other results leave it.
  switch (GetNetMatchResultSeq().Result()) {
    case 1:
      GetOnlineModeManager().SetResumeState(5);  // rank top
      break;
    case 2:
      GetOnlineModeManager().SetResumeState(9);  // player top
      break;
    case 3:
      GetOnlineModeManager().SetResumeState(11);  // player room
      break;
    default:
      break;
  }
  ReturnToNetworkMenu();
}

int CSceneWinnerDemo::StepNetMatchResult() {
  if (!OnlineMatchRuns()) return 0;
  CSteamNetSeqMatchResult& seq = GetNetMatchResultSeq();
  seq.Update();
  if (seq.ResultsStored()) return 0;
  if (seq.SubState() == CSteamNetSeqMatchResult::kSubStateDone) ReturnFromNetMatch();
  return 1;
}

int CSceneWinnerDemo::Process(int keepRunning) {
  (void)keepRunning;
  if (g_SceneEnter) Init();
  Execute();
  return 1;
}

void CSceneWinnerDemo::Init() {
  ReseedNetMatchRandom();
  if (g_AppJoystick) g_AppJoystick->ClearAll();
  choiceOverride = -1;
  closeState = 0;
  g_VsResultSavedName.clear();
  windows_->Reset();
  FreeNetTexts();
  if (g_NetworkMatch != 0) {
    windows_->LoadKillInfo();
    netTextsLoaded_ = true;
  }
  close_->Reset();
  const StoryBattleRoute* main = MainRoute();
  extraRouteMarker = main && main->extraRoute == 1 ? 1 : 0;
  frames = 0;
  continued = 0;
  g_PlayCountIncrements = PlayCountIncrements{};
  g_PlayCountIncrements.modeWord = g_GameModeFlags;
  ApplySoundVolumes();
  winnerCharacter = g_WinnerCharacter;
  record = WinnerScreenRecord{};
  step = kStepShowWinner;
  voiceState = 0;
  challengerMatchDone = 0;
  afterTextFrames = 0;
  gameOver = 0;
  ChooseKind();
  if (kind != kWinnerRouteComplete) {
    WinnerScreenState& s = GetWinnerScreen();
    if (IsVersusMode())
      s.labelSide = g_MatchWinnerSide;
    else
      s.labelSide = g_MatchWinnerSide == g_MainSide ? g_MatchWinnerSide : 2;
    s.character = g_WinnerCharacter;
    LoadWinnerScreen(kind == kWinnerVersusDraw ? 1 : 0);
  }
  GetWinnerScreen().quoteFrames = 0;
  frames = 0;
  ClearObjectPool();
  ClearParticlePool();
  fadeColour = 0;
  fadeAlpha = 0;
  inputGate = 1;
  if (g_MatchWinnerSide != 255) SettleMatchResult();
  DeleteVsResultMenu();
  CreateVsResultMenu(closeState != 0);
  if (OnlineMatchRuns()) GetNetMatchResultSeq().Reset();
  g_SceneEnter = 0;
  Reset();
}

void CSceneWinnerDemo::ChooseKind() {
  StoryBattleRoute* main = MainRoute();
  if (g_GameModeFlags == MODE_VS_PLAYER && !g_ChallengeState && g_MatchWinnerSide == 255) {
    kind = kWinnerVersusDraw;
    step = kStepResultMenu;  // a local draw goes straight to the menu
    return;
  }
  if (!main || main->stageIndex < main->stageCount || main->stageCount == 0) {
    kind = kWinnerWithQuote;
    LoadWinQuotes(g_WinnerCharacter);
    int d;
    if (IsNetworkModeWord()) {
      quoteIndex = ChooseWinQuote(nullptr);
      d = g_MatchWinnerSide == 1 ? 3 : 2;
    } else {
      const bool cpuMode = g_GameModeFlags == MODE_ARCADE || g_GameModeFlags == MODE_VS_CPU ||
                           g_GameModeFlags == MODE_CPU_VS_CPU;
      d = cpuMode && g_MatchWinnerSide != g_MainSide ? 4 : g_MatchWinnerSide == 0 ? 0 : 1;
      quoteIndex = ChooseWinQuoteForSide(d);
    }
    record.kindCode = d;
    const WinQuote* q = g_WinQuoteTable.count > 0 ? &g_WinQuoteTable.entries[quoteIndex] : nullptr;
    WinnerScreenState& s = GetWinnerScreen();
    s.picture = q ? q->picture : 0;
    s.voice = q ? q->voice : "";
    record.pictureWinner = s.picture;
    MakeWinQuoteText(q ? q->text : "");
    return;
  }
  // The route was complete on entry: straight to the game over.
  if (g_WinnerDemoArcadeCalls.resetContinueScreen) g_WinnerDemoArcadeCalls.resetContinueScreen();
  if (g_WinnerDemoArcadeCalls.setContinueState) g_WinnerDemoArcadeCalls.setContinueState(2);
  kind = kWinnerRouteComplete;
  step = kStepGameOver;
  PlayCountIncrements& p = g_PlayCountIncrements;
  if (g_ChallengeState) {
    p.count1 = 2;
    p.count2 = 1;
    p.sideFlag[0] = p.sideFlag[1] = 1;
    p.modeFlag = 1;
  } else {
    p.count1 = 1;
    p.count2 = 0;
    p.sideFlag[g_MainSide & 1] = 1;
    p.modeFlag = 0;
  }
  if (!IsDirectNetMatch()) {
    for (CreditPlayer& c : g_CreditState.players) {
      c.joined = 0;
      c.continueState = 1;
      c.continueTimer = 1;
      c.playTimeOpen = 0;
      c.joinMode = 1;
    }
  }
}

void CSceneWinnerDemo::SettleMatchResult() {
  if (IsVersusMode())
    SettleVersusResult();
  else if (g_GameModeFlags == MODE_ARCADE)
    SettleArcadeResult();
  if (gameOver && g_AttractDemo == 0) SetJoinModes(1);
}

void CSceneWinnerDemo::SettleVersusResult() {
  if (g_MatchWinnerSide != 255) {
    if (CountChallengerMatch(g_MatchWinnerSide) == 0) {
      gameOver = 1;
      SetPlayCountIncrements(g_MatchWinnerSide, 0);
    } else if (ConfigModeOne()) {
      gameOver = 1;
      SetPlayCountIncrements(g_MatchWinnerSide, 1);
    }
  }
  if (!g_ChallengeState) return;
  // A new challenger's match inside arcade: count it for both characters and go back to arcade.
  if (PlayData* d = g_PlayData) {
    for (int side = 0; side < 2; ++side) {
      const int r = CharacterRecordIndex(g_PlayerSelections[side].character);
      if (r >= 0 && d->characters[r].counters[1] < INT32_MAX) ++d->characters[r].counters[1];
    }
  }
  if (g_MatchWinnerSide != 255)
    CountMatchResultByCharacter(g_PlayerSelections[g_MatchWinnerSide & 1].character,
                                g_PlayerSelections[(g_MatchWinnerSide & 1) ^ 1].character);
  if (!gameOver) KeepChallengeWinner();
  challengerMatchDone = 1;
  SetJoinModes(0);
  g_GameModeFlags = MODE_ARCADE;
  g_ChallengeState = 0;
  g_MainSideLost = 0;
  if (StoryBattleRoute* loser = StoryBattleRouteOfSide((g_MatchWinnerSide & 1) ^ 1))
    loser->progress[kRouteChallengerCount] = 0;
}

void CSceneWinnerDemo::KeepChallengeWinner() {
  CreditPlayer& loser = g_CreditState.players[(g_MatchWinnerSide & 1) ^ 1];
  loser.joined = 0;
  loser.continueState = 1;
  loser.playTimeOpen = 1;
  loser.continueTimer = 599;
  if (g_MatchWinnerSide != g_MainSide) {
    g_MainSide = g_MatchWinnerSide;
  } else if (StoryBattleRoute* r = MainRoute(); r && r->extraRoute == 1) {
    ++r->stageIndex;
  }
}

void CSceneWinnerDemo::SettleArcadeResult() {
  StoryBattleRoute* r = MainRoute();
  if (!r) return;
  const bool extra = r->extraRoute != 0;
  if (g_MatchWinnerSide == g_MainSide || extra) {
    r->progress[kRouteWonRounds] += g_SideStatus[g_MainSide & 1].roundsWon;
    SetJoinModes(r->stageCount > 0 && r->stageIndex + 1 >= r->stageCount ? 1 : 0);
  } else {
    SetJoinModes(2);  // only the main side may continue
  }
}

void CSceneWinnerDemo::Update() {
  if (!PollSceneInput()) return;
  ++frames;
  if (StepNetMatchResult()) return;
  int gate = (kind == kWinnerRouteComplete || kind == kWinnerVersusDraw) ? 1 : inputGate;
  const int textDone = UpdateDrawWinnerScreen(kind, inputGate);
  if (!textDone && g_ReplayController.mode == kReplayOff) {
    if (challengerMatchDone || g_MainSideLost) gate = 0;
  }
  const bool voiceSounding =
      IsVoiceStreamBusy() || (g_SeSlots[kVoiceSlot] && g_SeSlots[kVoiceSlot]->IsPlaying());
  if (!voiceSounding && textDone) ++afterTextFrames;
  int direction = 0;
  uint32_t pressed = 0;
  if (gate) {
    if (g_ReplayController.mode == kReplayPlay || ConfigModeOne()) {
      if (g_AppJoystick) g_AppJoystick->GetAllPlayersMenuInput(&direction, &pressed, nullptr, 0);
    } else {
      ReadHumanPlayersInput(&direction, &pressed, nullptr);
    }
  }
  if (RunStep(direction, pressed, gate)) UpdatePlayStatistics();
  {
    const uint8_t filter = g_DrawFilterMode;
    g_DrawFilterMode = 2;  // linear
    windows_->Draw();
    g_DrawFilterMode = filter;
  }
  if (fadeAlpha != 0) {
    const uint32_t c =
        (static_cast<uint32_t>(fadeAlpha) << 24) | (static_cast<uint32_t>(fadeColour) & 0xFFFFFF);
    DrawRect(nullptr, 0, 0, 640, 480, c, c, c, c, 846);
  }
}

int CSceneWinnerDemo::RunStep(int direction, uint32_t pressed, int gate) {
  WinnerDemoArcadeCalls& a = g_WinnerDemoArcadeCalls;
  switch (step) {
    case kStepShowWinner: {
      bool proceed = false;
      if (frames >= kInputDelayFrames)
        proceed = afterTextFrames > kProceedAfterTextFrames || (gate && pressed);
      if (proceed && OnlineMatchRuns()) {
        // Online the demo fades out once the after-match sequence is done, and waits till then.
        if (GetNetMatchResultSeq().SubState() == CSteamNetSeqMatchResult::kSubStateDone) {
          step = kStepDarkFade;
          frames = 0;
        }
      } else if (proceed) {
        FinishWinnerScreen();
      } else if (CheckChallenger()) {
        step = kStepChallenger;
        if (a.startChallengerScreen) a.startChallengerScreen();
        g_ChallengeState = 1;
        inputGate = 0;
      }
      return 0;
    }
    case kStepResultMenu:
      if (RunVsResultMenu(direction, pressed)) {
        frames = 0;
        step = kStepDarkFade;
      }
      return 0;
    case kStepContinue: {
      const uint32_t input = (g_AppJoystick && g_AppJoystick->IsMenuButton2Pressed(0) ? 0x80000000u : 0u) |
                             (g_AppJoystick && g_AppJoystick->IsMenuButton0Pressed(0) ? 1u : 0u);
      g_CreditState.players[g_MainSide & 1].joined = 0;
      const int taken = a.updateContinueScreen ? a.updateContinueScreen(input) : 0;
      if (a.drawContinueScreen) a.drawContinueScreen();
      if (a.continueCount)
        g_CreditState.players[g_MainSide & 1].continueTimer =
            std::clamp(static_cast<int>(static_cast<float>(a.continueCount()) * 0.6f), 2, 599);
      if (taken) {
        SavePlayData();
        StopWinnerSounds();
        step = kStepDarkFade;
        frames = 0;
        SetPlayCountIncrements(a.acceptContinue ? a.acceptContinue() : g_MainSide, 3);
        g_VsResultChoice = kVsCharacterSelect;
        int32_t& count = g_SideStatus[g_MainSide & 1].arcadeTotals[9];
        if (count < 99) ++count;
        continued = 1;
        return 1;
      }
      const int state = a.continueState ? a.continueState() : 2;
      if (state == 2 || state == 3) {
        step = kStepGameOverWait;
        SetJoinModes(2);
        for (CreditPlayer& c : g_CreditState.players) c.continueTimer = 1;
        SetPlayCountIncrements(g_MainSide, 3);
      }
      return 0;
    }
    case kStepGameOverWait: {
      if (a.updateContinueScreen) a.updateContinueScreen(0);
      if (a.drawContinueScreen) a.drawContinueScreen();
      const int state = a.continueState ? a.continueState() : 3;
      const float secs = a.continueStateSeconds ? a.continueStateSeconds() : 99.0f;
      if (state != 3 || secs <= 5.0f || (a.nameEntryOpen && a.nameEntryOpen())) return 0;
      SavePlayData();
      for (CreditPlayer& c : g_CreditState.players) c.joined = 0;
      g_AttractMute = 1;
      g_ChallengeState = 0;
      g_RankingFromMenu = 0;
      g_RankingReturnScene = SCENE_WINNER_DEMO;
      ChangeScene(SCENE_RANKING);
      return 1;
    }
    case kStepGameOver:
      if (IsDirectNetMatch()) {
        if (a.expireMainSideIfRanked) a.expireMainSideIfRanked();
      } else if (a.expireAllCredits) {
        a.expireAllCredits();
      }
      step = kStepGameOverWait;
      return 0;
    case kStepLightFade:
    case kStepDarkFade:
      fadeColour = step == kStepLightFade ? 0xFFFFFF : 0;
      fadeAlpha = std::min(frames * 255 / kFadeFrames, 255);
      if (frames >= kFadeFrames) {
        fadeAlpha = 255;
        step = kStepLeave;
      }
      return 0;
    case kStepLeave:
      StopWinnerSounds();
      if (IsVersusMode())
        LeaveVersus();
      else if (g_GameModeFlags == MODE_ARCADE)
        LeaveArcade();
      return 0;
    case kStepChallenger:
      if (a.updateChallengerScreen) a.updateChallengerScreen();
      if (a.drawChallengerScreen) a.drawChallengerScreen();
      if ((a.challengerSeconds ? a.challengerSeconds() : 99.0f) > 5.0f) GoToCharacterSelect();
      return 0;
    default:
      return 0;
  }
}

void CSceneWinnerDemo::FinishWinnerScreen() {
  StopWinnerSounds();
  voiceState = 1;
  if (g_GameModeFlags == MODE_ARCADE)
    ContinueArcadeAfterWin();
  else
    step = kStepResultMenu;
}

void CSceneWinnerDemo::ContinueArcadeAfterWin() {
  WinnerDemoArcadeCalls& a = g_WinnerDemoArcadeCalls;
  StoryBattleRoute* r = MainRoute();
  if (gameOver) {
    if (a.resetContinueScreen) a.resetContinueScreen();
    if (a.setContinueState) a.setContinueState(2);
    step = kStepGameOver;
  } else if (g_MatchWinnerSide != g_MainSide && !(r && r->extraRoute == 1)) {
    step = kStepContinue;
    if (a.resetContinueScreen) a.resetContinueScreen();
    CreditPlayer& c = g_CreditState.players[g_MainSide & 1];
    c.continueState = 2;
    c.playTimeOpen = 0;
    c.continueTimer = 539;
  } else {
    AdvanceArcadeRoute();
  }
}

void CSceneWinnerDemo::AdvanceArcadeRoute() {
  StoryBattleRoute* r = MainRoute();
  if (!r) {
    step = kStepDarkFade;
    frames = 0;
    return;
  }
  if (!challengerMatchDone) ++r->stageIndex;
  step = r->stageIndex < r->stageCount ? kStepDarkFade : kStepLightFade;
  frames = 0;
  if (r->extraRoute == 1) r->extraRoute = 255;
}

int CSceneWinnerDemo::CheckChallenger() {
  StoryBattleRoute* r = MainRoute();
  const bool allowed =
      g_GameModeFlags == MODE_VS_PLAYER ||
      (g_GameModeFlags == MODE_ARCADE && (g_MatchWinnerSide == g_MainSide || (r && r->extraRoute)));
  if (!allowed) return 0;
  if (challengerMatchDone) return CheckNewChallenger();
  if (r && r->stageCount && r->stageIndex + 1 >= r->stageCount) return 0;
  return CheckNewChallenger();
}

void CSceneWinnerDemo::LeaveVersus() {
  if (g_ChallengeState != 0) return;
  if (OnlineMatchRuns()) {
    ReturnFromNetMatch();
    return;
  }
  const int choice = choiceOverride != -1 ? choiceOverride : g_VsResultChoice;
  switch (choice) {
    case kVsOnceAgain:
      if (g_ReplayController.mode == kReplayPlay) StartReplayPlayback();
      ChangeScene(SCENE_VS_SCREEN);
      break;
    case kVsReturnTitle:
      ReturnToMainMenu();
      break;
    case kVsExitVsGame:
      ReturnToNetworkMenu();
      break;
    case kVsReplayFileSelect:
      GoToReplaySelect();
      g_ReplayController.mode = kReplayPlay;
      StartRematchVsPlayer(g_MainSide);
      break;
    default:
      ChangeScene(SCENE_CHARA_SELECT);
      break;
  }
}

void CSceneWinnerDemo::LeaveArcade() {
  StoryBattleRoute* r = MainRoute();
  if (r && r->stageCount && r->stageIndex >= r->stageCount) {
    GetWinnerScreen().quoteFrames = 0;
    if (g_WinnerDemoArcadeCalls.startEndingStory) g_WinnerDemoArcadeCalls.startEndingStory();
  } else if (g_VsResultChoice == kVsCharacterSelect && continued) {
    ChangeScene(SCENE_CHARA_SELECT);
  } else {
    GoToNextArcadeStage();
  }
  if (challengerMatchDone) SetPlayCountIncrements(g_MainSide, 2);
}

void LeaveWinnerDemo() {
  StopWinnerSounds();
  FreeWinnerScreenParts();
  FreeWinnerScreenTarget();
  DeleteVsResultMenu();
  GetWinnerDemo().FreeNetTexts();
  if (g_SceneId != SCENE_BATTLE && g_SceneId != SCENE_WINNER_DEMO) {
    FreeCharacterData();
    FreeCharacterSounds();
    FreeBattleHudGraphics();
    ResetStageBg();
    FlushHan6TextureCache();
  }
}

void InstallWinnerDemo() {
  // The arcade pieces the demo calls: the continue and game-over screen, the credit rows, the new
  // challenger screen, the name entry and the ending story.
  g_WinnerDemoArcadeCalls.resetContinueScreen = ResetContinueScreen;
  g_WinnerDemoArcadeCalls.setContinueState = [](int state) { g_ContinueScreen.state = state; };
  g_WinnerDemoArcadeCalls.startEndingStory = [] { StartEndingStoryScript(); };
  WinnerDemoArcadeCalls& a = g_WinnerDemoArcadeCalls;
  a.continueState = [] { return static_cast<int>(g_ContinueScreen.state); };
  a.updateContinueScreen = [](uint32_t input) {
    g_ContinueScreen.inputWord = input;
    UpdateContinueScreen();
    return static_cast<int>(g_ContinueScreen.accepted);
  };
  a.drawContinueScreen = DrawContinueScreen;
  a.continueCount = [] { return static_cast<int>(g_ContinueScreen.count); };
  a.continueStateSeconds = [] { return g_ContinueScreen.gameOverTime; };
  a.acceptContinue = [] {
    AcceptContinue();
    return static_cast<int>(g_MainSide);
  };
  a.expireAllCredits = ExpireAllCredits;
  a.expireMainSideIfRanked = ExpireMainSideIfRanked;
  a.startChallengerScreen = StartChallengerScreen;
  a.updateChallengerScreen = UpdateChallengerScreen;
  a.drawChallengerScreen = DrawChallengerScreen;
  a.challengerSeconds = ChallengerScreenTime;
  a.nameEntryOpen = [] {
    for (const NameEntry& e : g_NameEntries)
      if (e.active) return 1;
    return 0;
  };
  RegisterScene(SCENE_WINNER_DEMO,
                {[](int keepRunning) { return GetWinnerDemo().Process(keepRunning); }, LeaveWinnerDemo});
}
