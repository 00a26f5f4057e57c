// The VS result menu after a versus match: once again, character select, replay file select,
// saving the match's replay (with its OK box telling the outcome), the leave prompt of a direct
// connection and the automatic save of the ReplaySave option.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "MenuWindow/game_menu.h"
#include "MenuWindow/info_window.h"

// The OK box that reports a save's outcome; a decided "MENU_OK" closes it.
class CVSResultOKMenuManager : public CGameMenu_InfoGrp {
 public:
  CVSResultOKMenuManager();
  void Update() override;
};

// The menu's one set: it only lists the result names.
class CVSResultMenuSet : public CGameMenuSet {
 public:
  CVSResultMenuSet(CGameMenuManager* owner, bool closing, bool playMode, bool direct);
};

class CVSResultMenuManager : public CPauseMenu_Default {
 public:
  // Open/close states beyond the framework's five.
  static constexpr int32_t kSaveBox = 5;
  static constexpr int32_t kLeavePrompt = 6;
  // Automatic-save states.
  static constexpr int32_t kAutoSaveNone = 0, kAutoSaveRequested = 1, kAutoSaveRunning = 100,
                           kAutoSaveDone = 255;

  CVSResultMenuManager(int closing, std::string* savedName);
  ~CVSResultMenuManager() override;
  int Input(int direction, int button) override;
  void Update() override;
  void Draw() override;
  // A query of the decided id whose answer nobody uses.
  void OnResult() override {}

  CVSResultOKMenuManager* okBox = nullptr;
  CGameMenu_YESNO* yesNo = nullptr;
  std::string* savedName = nullptr;
  int32_t autoSave = kAutoSaveNone;
  std::unique_ptr<CInformationWindow> help;
  int32_t frozen = 0;
  int32_t closing = 0;
  // The id that closed the menu (the cursor's id moves on with every input, this one stays).
  std::string chosenId;
  // The message the last save showed (tests and the screenshot read it).
  std::string lastMessage;

 private:
  void UpdateSaveBox();
  void UpdateLeavePrompt();
};

// g_VsResultChoice values.
enum VsResultChoice : int {
  kVsOnceAgain = 0,
  kVsCharacterSelect = 1,
  kVsSaveReplay = 2,
  kVsReturnTitle = 3,
  kVsExitVsGame = 4,
  kVsReplayFileSelect = 5,
};

extern int g_VsResultChoice;
extern CVSResultMenuManager* g_VsResultMenu;
extern int g_VsResultMenuFrozen;
// The name the match's replay was saved under; emptied at each winner demo entry.
extern std::string g_VsResultSavedName;

// Writes the match's replay and returns the message to show: text 57 when the recording stopped,
// 60 when this match was saved before, 58 with the new name, or 59 (and the name forgotten) when
// the file could not be written.
std::string SaveVsResultReplay(std::string& savedName);

void CreateVsResultMenu(int closing);
// 1 when the menu was closed this frame and the winner demo may go on (a save never closes it).
int RunVsResultMenu(int direction, uint32_t pressed);
// 1 when the direction moved the cursor (up or down).
int InputVsResultMenu(int direction, uint32_t buttons);
void CloseVsResultMenu();
void CloseVsResultMenuForPeer();
void DeleteVsResultMenu();
