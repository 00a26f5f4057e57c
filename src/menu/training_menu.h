// The training menu: what a paused training battle shows instead of the pause menu. It stops the
// dummy, lets the player change the enemy status, open the four setting menus, choose and start a
// dummy recording slot, see the command list, change the key assignment, look at the paused
// screen, and leave (continue, restart, character select, main menu or the online menus). Also
// the memory of each training menu's last cursor element, kept for the whole process.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "MenuWindow/game_menu.h"
#include "MenuWindow/info_window.h"

class CTM_PSMenu;
class CTM_ESMenu;
class CTM_TDMenu;
class CTM_DSMenu;
class CTM_SettingMenu;
class KeySettingScreen;

// The run's result codes.
enum TrainingMenuResult : int32_t {
  kTrainingMenuOpen = 0,
  kTrainingContinue = 1,
  kTrainingRestart = 2,
  kTrainingCharacterSelect = 3,
  kTrainingMainMenu = 4,
  kTrainingNetworkMenu = 5,
  kTrainingPlayerRoom = 6,
};

// One run of the training menu, from its opening to its closing.
struct TrainingMenuScreen {
  int32_t result = kTrainingMenuOpen;
};

// ---- Cursor memory ----

struct MenuCursorRecord {
  std::string setName;
  std::string elementId;
};
// Stores the element under the name (a record is added the first time a name is stored).
void SaveMenuCursor(std::string_view setName, std::string_view elementId);
// The record of the name, or null.
const MenuCursorRecord* FindMenuCursor(std::string_view setName);
// Puts the menu's first set's cursor on the remembered element (nothing when the name or the
// element is absent).
void RestoreMenuCursor(CGameMenuManager* menu, std::string_view setName);
// Stores the menu's current result name under the name.
void RememberMenuCursor(CGameMenuManager* menu, std::string_view setName);

// ---- The yes/no box ----

// "Check" with YES and NO; only YES (confirmed) is an answer to act on: NO and cancel decline.
class CTM_YesNo : public CGameMenu_YESNO {
 public:
  explicit CTM_YesNo(std::string_view question);
  // The question shown (the info text).
  std::string question;
};

// ---- The main menu ----

class CTM_MainMenu : public CPauseMenu_Default {
 public:
  // States beyond the framework's five (0 start .. 4 closed).
  enum State : int32_t {
    kBattleSetting = 6,
    kEnemySetting = 7,
    kDisplaySetting = 8,
    kDummySetting = 9,
    kOverwriteConfirm = 10,
    kClearConfirm = 11,
    kViewScreen = 12,
    kCommandList = 13,
    kKeyboardSetting = 14,
    kControllerSetting = 15,
    kLeaveConfirm = 16,
    kFadeToBlack = 17,
  };
  // Sub-steps of VIEW SCREEN and COMMAND LIST.
  enum SubStep : int32_t { kSubStart = 0, kSubRunning = 100, kSubReturning = 255 };

  CTM_MainMenu();
  // Deletes the children (each setting menu stores its values), then OnResult.
  ~CTM_MainMenu() override;
  int Input(int direction, int button) override;
  void Draw() override;
  void Update() override;
  // Apply, then a recording into the chosen slot when the menu closed on DUMMY_RECORDING.
  void OnResult() override;
  // The enemy status into the settings record, the slot choice into g_SelectedDummySlot.
  void Apply();

  // The slot the slot item shows.
  int32_t ChosenSlot();
  // The open setting menu or null.
  CTM_SettingMenu* OpenSettingMenu();
  // 1 when the menu was closed by a close request (cancel at the top or the third button).
  bool ClosedByRequest() const { return endCode != 0; }

  int32_t player = 0;
  int32_t active = 1;
  float backdropAlpha = 0.0f;
  CTM_YesNo* yesNo = nullptr;
  CTM_PSMenu* psMenu = nullptr;
  CTM_ESMenu* esMenu = nullptr;
  CTM_TDMenu* tdMenu = nullptr;
  CTM_DSMenu* dsMenu = nullptr;
  std::unique_ptr<KeySettingScreen> keyScreen;
  int32_t subStep = kSubStart;
  std::unique_ptr<CInformationWindow> help;
  // The id that set the present state (the result name moves with the cursor, this one stays).
  std::string chosenId;

 private:
  void StateFromDecision(const std::string& id);
  void UpdateSettingMenu();
  void UpdateOverwrite();
  void UpdateClear();
  void UpdateViewScreen();
  void UpdateCommandListState();
  void UpdateKeySetting();
  void UpdateLeave();
  // The yes/no box of a confirmation: made on the first call, then kBoxOpen until it has closed;
  // then deleted, and the answer.
  enum BoxAnswer : int { kBoxOpen = -1, kBoxNo = 0, kBoxYes = 1 };
  int StepYesNo(const std::string& question);
  void DeleteSettingMenus();
  void FadeBackIn();
  void BackToMenu();
  void UpdateHelpKeys();
};

class CTM_MainMenuSet : public CGameMenuSet {
 public:
  explicit CTM_MainMenuSet(CGameMenuManager* owner);
};

extern TrainingMenuScreen* g_TrainingMenuScreen;
extern CTM_MainMenu* g_TrainingMainMenu;

// One paused frame of the training menu (the pause control calls it in training).
void UpdateTrainingMenu();
// 1 when the menu is open, 0 when it could not be made (the battle then resumes).
int OpenTrainingMenu();
// The main menu has closed: the result code, the menu deleted, the result acted on, the run ended.
void FinishTrainingMenu();
void HandleTrainingMenuResult();
// Deletes the run and its menu; clears the action countdown and the pause-menu word. Every
// training battle start calls it, so no menu outlives a restart.
void CloseTrainingMenu();
// "SLOT 03 (12"50)" for a slot of 750 frames at index 2, "SLOT 01 (NO DATA)" for an empty one.
std::string FormatDummySlotLabel(int slot);
