// The title screen: the title movie with its two logos and the prompt over it, the title item
// menu while it waits, the quit question, the closing fade to the main menu or the attract demo,
// and the reset of the game to its attract state on every entry.
#pragma once

#include <cstdint>
#include <memory>

#include "Dxtools/Dshowtool/Dshowtool.h"
#include "scene/title_item_menu.h"

struct TextureHandle;
class CGameMenu_YESNO;

inline constexpr char kTitleMovie[] = ".\\dat\\dat_m_ttl.d";
// Movie times (seconds) of the logos, the prompt and the end of the intro.
inline constexpr double kTitleLogo0Time = 6.05;
inline constexpr double kTitleLogo1Time = 9.08;
inline constexpr double kTitlePromptTime = 10.0;
inline constexpr double kTitleIntroEnd = 13.5;

inline constexpr int32_t kTitleModeMenu = 0;
inline constexpr int32_t kTitleModeFirstFrame = 254;
inline constexpr int32_t kTitleModeFade = 0xFFFF;

struct TitleScreenState {
  int32_t fadeCounter = 0;
  int32_t nextScene = -1;  // of the closing fade; -1 none
  TitleItemMenu menu;
  int32_t idleFrames = 0;
  std::unique_ptr<CGameMenu_YESNO> quitBox;
  int32_t mode = kTitleModeMenu;
  TextureHandle* logos[2] = {};
  TextureHandle* prompt = nullptr;
  int32_t promptAlpha = 0;
  MovieTextures movie;
};
TitleScreenState& GetTitleScreenState();

// Set when the quit box was answered yes; the input manager's quit test reads it.
extern int32_t g_TitleQuitConfirmed;

// The quit question for the language option (1 English, else Japanese).
const char* TitleQuitQuestion(int language);

// Built at program start and destroyed at exit.
void InitTitleScreenState();
void ReleaseTitleScreenState();

// The handler of scene 2 and its leave hook.
int TitleScene(int keepRunning);
void LeaveTitleScene();
void InitTitleScreen();
void ReleaseTitleScreen();

// The steps (tests call them).
void ResetToTitle();
void RestoreTitleBgmVolume();
int StepTitleScreen();
int CheckTitleMovieSkip();
void DrawTitleScreen();

void InstallTitleScene();
