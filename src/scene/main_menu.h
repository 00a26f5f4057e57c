// The main menu (scene 25): the root and versus lists on the in-game menu framework with their
// help line, background and leave questions; the scene routine that drives it, the reset run on
// entry, and the action each result starts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "MenuWindow/game_menu.h"
#include "MenuWindow/info_window.h"

class CGameMenuSet_Root : public CGameMenuSet {
 public:
  explicit CGameMenuSet_Root(CGameMenuManager* owner);
};

class CGameMenuSet_VS : public CGameMenuSet {
 public:
  explicit CGameMenuSet_VS(CGameMenuManager* owner);
  // Reopened (arg above 0): the cursor back on the first entry. Either way the result state
  // is cleared.
  void Reset(int arg) override;
};

class CTitleMenuManager : public CPauseMenu_Default {
 public:
  // States of the menu's machine (the framework's state word).
  enum : int32_t {
    kMenuOpen = 0,
    kMenuRunning = 2,
    kMenuClosing = 3,
    kMenuClosed = 4,
    kMenuIdle = 5,
    kMenuConfirm = 6
  };

  CTitleMenuManager();
  ~CTitleMenuManager() override;
  int Input(int direction, int button) override;
  void Draw() override;
  void Update() override;
  // The leave question: -1 while the box is open; 1 when YES was taken, else 0 (a cancel is
  // a NO). The box is made on the first call and deleted when it reports closed.
  int AskYesNo(std::string_view question);

  float screenFade = 0.0f;  // 0 clear, 1 black
  CInformationWindow help;
  CGameMenu_YESNO* yesNo = nullptr;
  TextureHandle* background = nullptr;
  int32_t menuActive = 1;
  int32_t rootCancel = 0;
  // The result the scene acts on: the decided id, or "RETURN_TITLE" after a confirmed root
  // cancel. Kept apart from the framework's result name, which follows the cursor every frame.
  std::string choice;
  // The question of the box now shown (empty when none).
  std::string question;
};

// The scene-25 routine and its leave hook.
int MainMenuScene(int keepRunning);
void LeaveMainMenu();
// The menu of the running scene (null when none is open).
CTitleMenuManager* GetMainMenu();
// The entry reset; `enter` is the scene's enter flag (1 a fresh entry).
void ResetForMainMenu(int enter);
// Starts the mode of a result and switches the scene; `chooser` is the player who chose.
void MainMenuAction(std::string_view result, int chooser);

void InstallMainMenu();
