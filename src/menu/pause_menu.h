// The in-battle pause menu that the pause control opens for the player who pressed start:
// continue, the command list, a view of the frozen screen, the key settings, the replay round
// operations, and the returns to the replay files, character select and the main (or network)
// menu, each return asked again in a yes/no box. Closing stores the result for the pause control.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "MenuWindow/game_menu.h"
#include "MenuWindow/info_window.h"
#include "menu/key_setting.h"

// The question before a return to another scene. It answers like every yes/no box: only
// "MENU_YES" sets `confirmed`; NO and cancel both leave it clear.
class CPauseGoTitleMenu : public CGameMenu_YESNO {
 public:
  CPauseGoTitleMenu();
};

// "PAUSE_MENU": the items of the current mode; every id is a result id.
class CPauseMenuSet : public CGameMenuSet {
 public:
  explicit CPauseMenuSet(CGameMenuManager* owner);
};

class CPauseMenuManager : public CPauseMenu_Default {
 public:
  // States beyond the framework's open/close machine (0-4).
  enum : int32_t {
    kCommandList = 5,
    kViewHiding = 6,
    kViewHidden = 7,
    kViewShowing = 8,
    kKeyboardSetting = 9,
    kControllerSetting = 10,
    kConfirm = 11,
    kBlackout = 12,
  };

  CPauseMenuManager();
  // Stores the result first, so that deleting a closed menu always leaves it.
  ~CPauseMenuManager() override;
  int Input(int direction, int button) override;
  void Update() override;
  void Draw() override;
  // "%dP PAUSE MENU" with the menu player + 1.
  void RefreshTitle() override;
  // The result code into g_PauseResult and g_PauseResultReady (nothing for an undecided menu).
  void OnResult() override;

  int32_t menuPlayer = 0;
  std::unique_ptr<CPauseGoTitleMenu> confirm;
  // The base drawing's brightness (opacity) moves toward 1.0 while this is set, else to 0.3.
  int32_t dimRising = 1;
  float blackout = 0.0f;
  std::unique_ptr<CInformationWindow> help;
  KeySettingScreen keys;
  // The id that was decided (the framework's result name follows the cursor every frame).
  std::string chosenId;

 private:
  void UpdateConfirm();
  void UpdateKeySetting();
  void ActOnDecision();
};

// Fills the pause control's pause-menu hook. The game's wiring calls it after the pause control.
void InstallPauseMenu();
