// The replay select scene (scene 26): wraps the replay browser with its fades, the delete
// confirmation and the start of the chosen replay's playback.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Replay/replay_browser.h"

class CGameMenu_YESNO;

class CSceneReplayVSMenu {
 public:
  enum FadeState : int32_t { kFadeStart = 0, kFadingIn = 1, kFadingOut = 2, kShown = 3, kFadedOut = 4 };

  virtual ~CSceneReplayVSMenu();

  int32_t frameCounter = 0;
  float fadeLevel = 0.0f;
  int32_t fadeState = kFadeStart;
  std::unique_ptr<CReplayFilerLayer> browser;
  std::string chosenPath;
};

extern CSceneReplayVSMenu g_SceneReplayVSMenu;
// The delete confirmation while open.
extern CGameMenu_YESNO* g_ReplayDeleteBox;

void CreateReplayBrowser();
int RunReplaySelectScene(int keepRunning);
void OpenDeleteReplayConfirm();
// Deletes the replay under the browser's cursor after a YES: only a valid replay (probe 1) that
// is a regular file lying inside ".\ReplayVS". 1 when the file was deleted.
int DeleteCursorReplay();
void DrawReplaySelectFade();
void LeaveReplaySelect();
void PlayChosenReplay();
// The leave hook of scene 26: closes the browser (joining its worker), the confirmation and the
// chosen path, whatever took the scene away.
void ReleaseReplaySelect();
void InstallReplaySelectScene();
