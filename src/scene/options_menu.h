// The options screen (scene 12): the option menu over the configuration record (arcade and
// versus rules, volumes, drawing options, language, key settings, screen size and mode) with its
// help window, the portrait in the corner and the background; the scene routine and its release.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MenuWindow/game_menu.h"
#include "MenuWindow/info_window.h"
#include "menu/key_setting.h"

struct CharaSpritePlayer;

// One screen size the options offer: width, height and the mode's refresh rate and depth.
struct DisplayModeEntry {
  int32_t width = 0;
  int32_t height = 0;
  int32_t refresh = 0;
  int32_t bits = 32;
};

// The screen sizes of the adapter's mode list, each size once, in the adapter's order; the size
// the screen configuration holds now is always among them (an adapter that lists no mode, as SDL
// does headless, still gives the present size).
std::vector<DisplayModeEntry> BuildDisplayModeList();

class COptionMenuSet : public CGameMenuSet {
 public:
  COptionMenuSet(CGameMenuManager* owner, const std::vector<DisplayModeEntry>& modes);
};

class COptionMenu : public CPauseMenu_Default {
 public:
  // States beyond the framework's five.
  static constexpr int32_t kKeyboardSetting = 6;
  static constexpr int32_t kControllerSetting = 7;
  static constexpr int32_t kIdle = 8;

  explicit COptionMenu(std::vector<DisplayModeEntry> modes);
  ~COptionMenu() override;
  int Input(int direction, int button) override;
  void Update() override;
  void Draw() override;
  void RefreshTitle() override;

  // Every choice item on the value its configuration field holds; the screen items from the
  // screen configuration, or from the record after DEFAULT.
  void LoadValues();
  // The choice items with a configuration field into the record.
  void StoreValues();
  // 1 when the chosen size or mode differs from the present screen.
  int PendingScreenChange(int* entry, int* chosenMode, int* presentMode);
  COptionMenuSet* Set() { return set_; }

  std::vector<DisplayModeEntry> displayModes;
  KeySettingScreen keySetting;
  int32_t loadFromGameData = 0;
  float closeFade = 0.0f;
  int32_t active = 1;
  float brightness = 1.0f;
  CInformationWindow help;
  // How the menu was closed: by cancel, or by deciding CHANGE SCREEN.
  int32_t closedByCancel = 0;
  int32_t closedByChangeScreen = 0;
  int32_t menuPlayer = 0;

 private:
  // A live item is written only when its choice moved since the values were loaded: a stored
  // value that no choice holds (volume step 20) stays as the player left it until then.
  struct LiveItem {
    const char* id;
    int32_t shownIndex;
  };
  bool LiveChoiceMoved(LiveItem& item);
  void WriteLiveValues(bool fromStore);
  void RememberLiveChoices();
  void EnterState(int32_t s);

  COptionMenuSet* set_ = nullptr;
  LiveItem live_[5] = {{"BgmVolume", -1},
                       {"SeVolume", -1},
                       {"SCREEN_FILTER", -1},
                       {"SELECT_LANGUAGE", -1},
                       {"CharaFilter", -1}};
};

// The scene-12 routine, its parts and its leave hook.
int OptionScene(int keepRunning);
void InitOptionScene();
void ReleaseOptionScene();
void UpdateOptionScene();
// The menu and portrait of the running scene (null when none is built).
COptionMenu* GetOptionMenu();
CharaSpritePlayer* GetOptionPortrait();

void InstallOptionsScene();
