// The title screen.
#include "scene/title_scene.h"

#include <algorithm>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "MenuWindow/game_menu.h"
#include "Replay/replay_controller.h"
#include "Sound/soundproc.h"
#include "app/app_state.h"
#include "app/file_loader.h"
#include "app/input/app_joystick.h"
#include "app/input/input_hooks.h"
#include "app/save_data.h"
#include "battle/battle_camera.h"
#include "battle/battle_records.h"
#include "battle/battle_sound.h"
#include "battle/chara_list.h"
#include "battle/chara_loader.h"
#include "battle/particle_pool.h"
#include "battle/round_flow.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"
#include "scene/stage_bg.h"

int32_t g_TitleQuitConfirmed;

namespace {

TitleScreenState g_title;

void FreeTitleTextures() {
  for (TextureHandle*& t : g_title.logos) {
    FreeTexture(t);
    t = nullptr;
  }
  FreeTexture(g_title.prompt);
  g_title.prompt = nullptr;
}

void LoadTitleGraphics() {
  FreeTitleTextures();
  g_title.logos[0] = LoadTexture(".\\grp\\title_QZ\\title_mainlogo00");
  g_title.logos[1] = LoadTexture(".\\grp\\title_QZ\\title_mainlogo01");
  g_title.prompt = LoadTexture(".\\grp\\title_QZ\\title_manu00");
}

void ReleaseTitleMovie() {
  if (g_title.movie.display != nullptr || g_title.movie.staging != nullptr)
    FreeMovieTextures(&g_title.movie);
  else
    ReleaseMovie();
}

// Both players' credit rows as a net match's messages left them: not joined, joining open, no
// continue running.
void ClearCreditRows() {
  for (CreditPlayer& p : g_CreditState.players) {
    p.joined = 0;
    p.joinMode = 0;
    p.continueState = 0;
    p.continueTimer = 0;
  }
}

// A name entry left finished but not stored keeps its score: it is registered (and the play
// data saved) before it is closed.
void CloseFinishedNameEntries() {
  for (int p = 0; p < 2; ++p) StoreFinishedNameEntry(p);
}

bool MoviePlaying() { return IsMoviePlaying() != 0; }

int StepTitleFadeOut() {
  ++g_title.fadeCounter;
  const uint32_t black = static_cast<uint32_t>(std::min(g_title.fadeCounter * 255 / 16, 255)) << 24;
  DrawRect(&g_MainDrawList, 0, 0, 640, 480, black, black, black, black, 511);
  if (g_title.fadeCounter <= 15) return 1;
  g_title.fadeCounter = 0;
  return g_title.nextScene == -1 ? 1 : g_title.nextScene;
}

void StartFade(int next) {
  g_title.mode = kTitleModeFade;
  g_title.fadeCounter = 0;
  g_title.nextScene = next;
}

// While the quit box is open: every player's menu input drives it.
void StepQuitBox() {
  CGameMenu_YESNO& box = *g_title.quitBox;
  int direction = 0;
  uint32_t pressed = 0;
  if (g_AppJoystick != nullptr) g_AppJoystick->GetAllPlayersMenuInput(&direction, &pressed, nullptr, 0);
  const int button = (pressed & 0x2) ? 2 : (pressed & 0x1) ? 1 : 0;
  box.Input(direction, button);
  box.Draw();
  if (box.openState != CPauseMenu_Default::kClosed) return;
  // Only "MENU_YES" confirms: a cancel closes the box as a no.
  if (box.confirmed != 0) g_TitleQuitConfirmed = 1;
  g_title.quitBox.reset();
}

int StepTitleMenu() {
  if (g_title.quitBox) {
    StepQuitBox();
    return 1;
  }
  switch (g_title.menu.Update(g_title.idleFrames)) {
    case kTitleActionArcade:
      g_SeRequest[151] = 1;
      StartFade(255);
      break;
    case kTitleActionAttract:
      StartFade(253);
      break;
    case kTitleActionQuit:
      if (!g_title.quitBox) {
        g_title.quitBox = std::make_unique<CGameMenu_YESNO>();
        g_title.quitBox->SetTitle("Check");
        g_title.quitBox->SetInfoText(TitleQuitQuestion(g_GameData ? g_GameData->SELECT_LANGUAGE : 0));
      }
      break;
    default:
      break;
  }
  return 1;
}

}  // namespace

TitleScreenState& GetTitleScreenState() { return g_title; }

const char* TitleQuitQuestion(int language) {
  // Texts are drawn from Shift-JIS: "ゲームを終了します、よろしいですか？".
  return language == 1 ? "Quit the game?"
                       : "\x83\x51\x81\x5B\x83\x80\x82\xF0\x8F\x49\x97\xB9\x82\xB5\x82\xDC\x82\xB7\x81\x41"
                         "\x82\xE6\x82\xEB\x82\xB5\x82\xA2\x82\xC5\x82\xB7\x82\xA9\x81\x48";
}

void InitTitleScreenState() {
  g_title.quitBox.reset();
  g_title = TitleScreenState{};
  g_title.menu.Reset();
  g_title.mode = kTitleModeMenu;
}

void ReleaseTitleScreenState() {
  g_title.quitBox.reset();
  ReleaseTitleMovie();
}

void RestoreTitleBgmVolume() {
  const int32_t current = g_BgmStream ? g_BgmStream->volume() : g_BgmVolume;
  if (current == kSilentVolume)
    StopBgm();
  else
    PauseBgm();
  const std::optional<SoundGameOptions> options = GetSoundOptions();
  // The mute rule silences it while the attract loop runs with background sound off.
  SetBgmVolume(VolumeFromStep(options ? options->BgmVolume : 0));
}

void ResetToTitle() {
  g_AttractDemo = 0;
  FreeBgm();
  if (g_GameData != nullptr) g_GameData->HiddenInputUnlocked = 1;
  g_AttractMute = 1;
  ApplySoundVolumes();
  if (DataBuffer list = LoadDataFile(".\\charaselect.txt")) LoadCharaSelectList(list.text());
  ResetBattleCounters();
  if (g_SceneEnter == kSceneFreshEntry) RestoreTitleBgmVolume();
  LoadBgList();
  CloseFinishedNameEntries();
  SavePlayData();
  FreeCharacterData();
  ResetStageBg();
  FreeCharacterSounds();
  FlushHan6TextureCache();
  g_CameraX = 0;
  g_CameraY = 0;
  g_Paused = 0;
  ClearObjectPool();
  ClearParticlePool();
  ResetSideProgress(-1);
  g_ChallengeState = 0;
  ResetBattleCamera();
  ApplyMatchRules();
  ResetPlayTimers();
}

void InitTitleScreen() {
  ResetToTitle();
  g_title.nextScene = -1;
  g_title.idleFrames = 0;
  g_title.fadeCounter = 0;
  // Without its movie the title has no background, logos or prompt: they are timed by it.
  if (OpenMovieTexture(kTitleMovie) != 0) CreateMovieTextures(&g_title.movie);
  LoadTitleGraphics();
  g_title.mode = kTitleModeFirstFrame;
  g_ReplayController.Reset();
  ClearCreditRows();
  g_SceneEnter = 0;
  g_title.promptAlpha = 0;
}

void ReleaseTitleScreen() {
  ReleaseTitleMovie();
  FreeTitleTextures();
  StopBgm();
  FreeBgm();
}

int CheckTitleMovieSkip() {
  if (GetMoviePosition() >= kTitleIntroEnd) return 0;
  if (g_TitleSkipIntro == 0 && IsAnyStartOrButtonInput() == 0) return 0;
  const int r = SeekMovie(kTitleIntroEnd, false);
  g_TitleSkipIntro = 0;
  g_title.promptAlpha = 255;
  return r;
}

void DrawTitleScreen() {
  if (g_title.movie.display == nullptr) return;
  const double x = GetMoviePosition();
  if (x >= kTitleLogo0Time && g_title.logos[0] != nullptr)
    DrawSprite(&g_MainDrawList, g_title.logos[0], 0, 0, 640, 256, 0.0f, 0.0f, 640.0f, 256.0f, 0xFFFFFFFFu, 0,
               10);
  if (x >= kTitleLogo1Time && g_title.logos[1] != nullptr)
    DrawSprite(&g_MainDrawList, g_title.logos[1], 0, 0, 640, 256, 0.0f, 0.0f, 640.0f, 256.0f, 0xFFFFFFFFu, 0,
               10);
  if (x >= kTitlePromptTime) {
    g_title.promptAlpha = std::min(g_title.promptAlpha + 10, 255);
    if (g_title.prompt != nullptr) {
      const uint32_t a = static_cast<uint32_t>(g_title.promptAlpha);
      DrawSprite(&g_MainDrawList, g_title.prompt, 380, 410, 256, 64, 0.0f, 0.0f, 256.0f, 64.0f,
                 (a << 24) | 0xFFFFFFu, 0, 10);
      DrawSprite(&g_MainDrawList, g_title.prompt, 380, 410, 256, 64, 0.0f, 64.0f, 256.0f, 64.0f,
                 ((255u - a) << 24) | 0xFFFFFFu, 0, 10);
    }
  }
  DrawMovieFrame(&g_title.movie, 1);
}

int StepTitleScreen() {
  int code = 1;
  switch (g_title.mode) {
    case kTitleModeMenu:
      code = StepTitleMenu();
      break;
    case kTitleModeFirstFrame:
      g_title.mode = kTitleModeMenu;
      g_title.idleFrames = 0;
      break;
    case kTitleModeFade:
      code = StepTitleFadeOut();
      break;
    default:
      break;
  }
  CheckTitleMovieSkip();
  DrawTitleScreen();
  // The idle counter only runs once the movie has ended.
  if (!MoviePlaying()) ++g_title.idleFrames;
  if (g_SceneEnter != 0 || code >= 240) ReleaseTitleScreen();
  return code;
}

int TitleScene(int /*keepRunning*/) {
  if (g_SceneEnter != 0) InitTitleScreen();
  PollSceneInput();
  const int r = StepTitleScreen();
  if (r == 253)
    ChangeScene(SCENE_DEMO_VS_SCREEN);
  else if (r == 255)
    ReturnToMainMenu();
  return 1;
}

void LeaveTitleScene() {
  g_title.quitBox.reset();
  ReleaseTitleScreen();
}

void InstallTitleScene() {
  InitTitleScreenState();
  g_TitleQuitConfirmed = 0;
  RegisterScene(SCENE_TITLE, {TitleScene, LeaveTitleScene});
  GetInputGameHooks().titleQuitConfirmed = [] { return g_TitleQuitConfirmed != 0; };
}
