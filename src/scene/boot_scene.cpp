// The boot scene.
#include "scene/boot_scene.h"

#include <algorithm>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Sound/soundproc.h"
#include "app/app_state.h"
#include "battle/chara_loader.h"
#include "battle/round_flow.h"
#include "scene/credits.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"

BootState g_BootState;
BootSceneHooks g_BootSceneHooks;

namespace {

constexpr int kLogoCount = static_cast<int>(std::size(kBootLogos));

int CurrentFade() {
  const int i = std::clamp(g_BootState.logoIndex - 1, 0, kLogoCount - 1);
  return kBootLogos[i].fade;
}

void FreeLogo() {
  FreeTexture(g_BootState.logo);
  g_BootState.logo = nullptr;
}

void DrawBootLogo(int alpha) {
  if (g_BootState.logo != nullptr)
    DrawSprite(&g_MainDrawList, g_BootState.logo, 0, 0, 640, 480, 0.0f, 0.0f, 640.0f, 480.0f, 0xFFFFFFFFu, 0,
               256);
  if (alpha > 0) {
    const uint32_t black = static_cast<uint32_t>(alpha) << 24;
    DrawRect(&g_MainDrawList, 0, 0, 640, 480, black, black, black, black, 266);
  }
}

// 1 when no logo is left; else the next one loads on the following frame.
int NextBootLogo() {
  FreeLogo();
  if (g_BootState.logoIndex >= kLogoCount || kBootLogos[g_BootState.logoIndex].file[0] == '\0') return 1;
  g_BootState.frame = 0;
  return 0;
}

void BootLogoStep() {
  BootState& b = g_BootState;
  if (b.restart != 0) {
    for (CreditPlayer& p : g_CreditState.players) p.joinMode = 0;
    b.duration = 0;
    b.logoIndex = 0;
    b.frame = 1;
    b.restart = 0;
  }
  if (StepBootLogo() == 1) {
    b.step = 5;
    b.restart = 1;
  }
}

void OpenBootMovie() {
  // The texture set-up starts the movie, unlooped, at the volume of the music step (silent in the
  // attract loop with background sound off).
  if (OpenMovieTexture(kOpeningMovie) != 0) CreateMovieTextures(&g_BootState.movie);
}

void ReleaseBootMovie() {
  if (g_BootState.movie.display != nullptr || g_BootState.movie.staging != nullptr)
    FreeMovieTextures(&g_BootState.movie);
  else
    ReleaseMovie();
}

// 1 drawn, 0 skipped by a press.
int DrawOrSkipBootMovie() {
  if (IsAnyStartOrButtonInput() != 0) {
    g_BootState.movieDone = 1;
    return 0;
  }
  DrawMovieFrame(&g_BootState.movie, 0);
  return 1;
}

void BootMovieStep() {
  const int r = RunBootMovie();
  if (r == 0) return;
  ChangeScene(SCENE_TITLE);
  g_TitleSkipIntro = r == 2 ? 1 : 0;
}

}  // namespace

int GetBootLogoFade() {
  BootState& b = g_BootState;
  const int f = CurrentFade();
  const int c = b.frame;
  const int d = b.duration;
  if (c < f) {
    // The first logos ignore a press in their first frames.
    if (f != 30 || c > 4) b.skippable = 1;
    return 255 - c * 255 / f;
  }
  if (c <= d - f) return 0;
  b.skippable = 0;
  return std::min(255, (c - d + f) * 255 / f);
}

int StepBootLogo() {
  BootState& b = g_BootState;
  if (b.frame == 1) {
    if (b.logoIndex >= kLogoCount) return 1;
    FreeLogo();
    b.logo = LoadTexture(kBootLogos[b.logoIndex].file);
    b.duration = kBootLogos[b.logoIndex].duration;
    ++b.logoIndex;
  }
  DrawBootLogo(GetBootLogoFade());
  if (IsAnyStartOrButtonInput() != 0 && b.skippable != 0) b.frame = b.duration - CurrentFade();
  if (b.frame >= b.duration) return NextBootLogo();
  return 0;
}

int StepBootMovie() {
  int r;
  if (IsMoviePlaying() != 0) {
    // A skipped movie gives 2, so the title starts at the end of its intro; a drawn frame 0.
    r = DrawOrSkipBootMovie() != 0 ? 0 : 2;
  } else {
    g_BootState.movieDone = 1;
    r = 1;
  }
  if (g_TestMode == 0 && g_AppRunState != nullptr &&
      (g_AppRunState->quitRequested != 0 || g_AppRunState->quitAcknowledged != 0)) {
    g_BootState.movieDone = 1;
    r = 1;
  }
  return r;
}

int RunBootMovie() {
  BootState& b = g_BootState;
  if (b.restart != 0) {
    OpenBootMovie();
    b.frame = 1;
    b.restart = 0;
  }
  const int r = StepBootMovie();
  if (b.movieDone != 0) {
    ReleaseBootMovie();
    b.movieDone = 0;
  }
  return r;
}

void InitBootScene() {
  BootState& b = g_BootState;
  b.step = g_SceneEnter;
  b.restart = g_SceneEnter;
  g_AttractDemo = 0;
  StopBgm();
  FreeBgm();
  FreeCharacterData();
  g_SceneEnter = 0;
  if (g_BootSceneHooks.joinRequestState && g_BootSceneHooks.joinRequestState() == 1 &&
      g_BootSceneHooks.setJoinRequestState)
    g_BootSceneHooks.setJoinRequestState(2);
}

int BootScene(int /*keepRunning*/) {
  if (g_SceneEnter != 0) InitBootScene();
  PollSceneInput();
  BootState& b = g_BootState;
  if (b.step == 1 || b.step == 2)
    BootLogoStep();
  else if (b.step == 5)
    BootMovieStep();
  if (g_SceneId != SCENE_BOOT || g_SceneEnter != 0) FreeLogo();
  ++b.frame;
  return 1;
}

void LeaveBootScene() {
  FreeLogo();
  if (g_BootState.movie.display != nullptr || g_BootState.movie.staging != nullptr)
    FreeMovieTextures(&g_BootState.movie);
}

void InstallBootScene() { RegisterScene(SCENE_BOOT, {BootScene, LeaveBootScene}); }
