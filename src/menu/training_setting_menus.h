// The training menu's four setting menus: BATTLE SETTING, ENEMY SETTING, TRAINING DISPLAY and
// DUMMY SETTING. Each is a list of choice items plus DEFAULT and RETURN; it reads the stored
// values when it is built and writes the chosen ones back when it is deleted, so nothing changes
// in the battle while its choices move.
#pragma once

#include <cstdint>
#include <span>

#include "MenuWindow/game_menu.h"

struct TrainingMenuChoice {
  const char* label;
  int32_t value;
};

// One row of a setting menu; a row without an id is an 8-pixel spacer.
struct TrainingMenuItem {
  const char* label;
  const char* id;
  std::span<const TrainingMenuChoice> choices;
  int32_t defaultValue;
  // Where the item's value lives.
  int32_t* (*field)();
};

// What tells one member of the family from another.
struct TrainingSettingMenuInfo {
  const char* title;
  const char* setName;
  std::span<const TrainingMenuItem> items;
};

// The set of one setting menu: its rows, then a spacer, "DEFAULT", a spacer and "RETURN".
class CTM_SettingMenuSet : public CGameMenuSet {
 public:
  CTM_SettingMenuSet(CGameMenuManager* owner, const TrainingSettingMenuInfo& info);
};
class CTM_PSMenuSet : public CTM_SettingMenuSet {
 public:
  explicit CTM_PSMenuSet(CGameMenuManager* owner);
};
class CTM_ESMenuSet : public CTM_SettingMenuSet {
 public:
  explicit CTM_ESMenuSet(CGameMenuManager* owner);
};
class CTM_TDMenuSet : public CTM_SettingMenuSet {
 public:
  explicit CTM_TDMenuSet(CGameMenuManager* owner);
};
class CTM_DSMenuSet : public CTM_SettingMenuSet {
 public:
  explicit CTM_DSMenuSet(CGameMenuManager* owner);
};

// The family: everything but the title, the set and the items is shared.
class CTM_SettingMenu : public CPauseMenu_Default {
 public:
  // Writes the values back, whichever way the menu was closed.
  ~CTM_SettingMenu() override;
  void Draw() override;
  void Update() override;
  void OnResult() override { Apply(); }
  // Every choice item's current value into its field.
  void Apply();
  // Every choice item onto the choice of its default value.
  void SetDefaults();

  int32_t active = 1;
  float backdropAlpha = 0.0f;

 protected:
  // The set is made by the member (it registers itself); then the stored values are selected.
  explicit CTM_SettingMenu(const TrainingSettingMenuInfo& info);
  void SelectStoredValues();

 private:
  std::span<const TrainingMenuItem> items_;
};

class CTM_PSMenu : public CTM_SettingMenu {
 public:
  CTM_PSMenu();
};
class CTM_ESMenu : public CTM_SettingMenu {
 public:
  CTM_ESMenu();
};
class CTM_TDMenu : public CTM_SettingMenu {
 public:
  CTM_TDMenu();
};
class CTM_DSMenu : public CTM_SettingMenu {
 public:
  CTM_DSMenu();
};
