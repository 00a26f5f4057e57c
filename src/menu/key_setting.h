// The in-game key setting screen: one setting menu per player (keyboard keys or controller
// buttons), each opening a capture box for the chosen function, with DEFAULT and EXIT, and a help
// window under them. The caller saves the assignments once the screen has finished.
#pragma once
#include <cstdint>
#include <memory>

#include "MenuWindow/game_menu.h"
#include "MenuWindow/info_window.h"

// Shared by both setting menus: the capture box, the brightness, DEFAULT and EXIT.
class CKeySettingMenuBase : public CPauseMenu_Default {
 public:
  CKeySettingMenuBase(int player, int menuX, const char* setName);
  ~CKeySettingMenuBase() override;
  int Input(int direction, int button) override;
  void Update() override;
  void Draw() override;
  // Every function element shows its current assignment again.
  virtual void RefreshTexts() = 0;

  int32_t player = 0;
  float brightness = 1.0f;
  CGameMenu_InfoGrp* capture = nullptr;  // the open capture box, owned
  int32_t captureIndex = -1;             // the function being captured

  struct Function {
    const char* label;
    const char* id;
    int32_t index;  // entry (pad) or slot (keyboard)
  };

 protected:
  void Build(const Function* functions, int count);
  virtual CGameMenu_InfoGrp* MakeCapture() = 0;
  virtual void Assign(int index, int code) = 0;
  virtual void ResetDefaults() = 0;
  // The player's controller slot, -1 when none is assigned.
  int PadSlot() const;

  const Function* functions_ = nullptr;
  int functionCount_ = 0;
  CGameMenuSet* set_ = nullptr;
};

class CControllerSettingMenu : public CKeySettingMenuBase {
 public:
  CControllerSettingMenu(int player, int menuX);
  void RefreshTexts() override;

 protected:
  CGameMenu_InfoGrp* MakeCapture() override;
  void Assign(int index, int code) override;
  void ResetDefaults() override;
};

class CKeyboardSettingMenu : public CKeySettingMenuBase {
 public:
  CKeyboardSettingMenu(int player, int menuX);
  void RefreshTexts() override;

 protected:
  CGameMenu_InfoGrp* MakeCapture() override;
  void Assign(int index, int code) override;
  void ResetDefaults() override;
};

class KeySettingScreen {
 public:
  enum Mode : int32_t { kKeyboard = 0, kController = 1 };
  KeySettingScreen() = default;
  ~KeySettingScreen() { Close(); }
  KeySettingScreen(const KeySettingScreen&) = delete;
  KeySettingScreen& operator=(const KeySettingScreen&) = delete;

  void Open(int mode);
  // Feeds each player's menu bank to that player's menu; the last menu's result.
  int Update();
  void Draw();
  int IsFinished();
  void RequestClose();
  void Close();
  // What the options screen, the pause menu and the training menu do once the screen finished.
  static bool SaveConfigFiles();

  int32_t open = 0;
  int32_t mode = kKeyboard;
  std::unique_ptr<CKeySettingMenuBase> menus[2];
  std::unique_ptr<CInformationWindow> help;
};
