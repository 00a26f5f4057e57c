// The boot scene: four logo pictures one after the other with black fades, then the opening
// movie, then the title. It runs first after start-up and again at the end of the attract loop;
// a press shortens a logo or skips the movie.
#pragma once

#include <cstdint>

#include "Dxtools/Dshowtool/Dshowtool.h"

struct TextureHandle;

struct BootState {
  int32_t step = 0;     // 1 (and 2) the logos, 5 the opening movie
  int32_t restart = 0;  // the current step starts over
  int32_t logoIndex = 0;
  int32_t frame = 0;  // +1 at the end of every frame of the scene
  int32_t duration = 0;
  TextureHandle* logo = nullptr;
  uint8_t skippable = 0;
  int32_t movieDone = 0;
  MovieTextures movie;
};
extern BootState g_BootState;

struct BootLogo {
  const char* file;
  int32_t duration;  // frames
  int32_t fade;      // fade-in and fade-out frames
};
inline constexpr BootLogo kBootLogos[] = {
    {".\\grp\\logo\\logo02", 210, 30},
    {".\\grp\\logo\\logo03", 210, 30},
    {".\\grp\\logo\\logo00", 420, 60},
    {".\\grp\\logo\\logo01", 240, 60},
};
inline constexpr char kOpeningMovie[] = ".\\Movie\\ZOLV_OP.mpeg";

// What the boot asks of the online layer: the networker's join-request state (1: a lobby given
// on the command line waits; 2: the online layer may join it now). Null: no such request.
struct BootSceneHooks {
  int (*joinRequestState)() = nullptr;
  void (*setJoinRequestState)(int state) = nullptr;
};
extern BootSceneHooks g_BootSceneHooks;

// The handler of scene 3 and its leave hook.
int BootScene(int keepRunning);
void LeaveBootScene();
void InitBootScene();

// The steps (tests read them).
int StepBootLogo();
int GetBootLogoFade();
int RunBootMovie();
int StepBootMovie();

void InstallBootScene();
