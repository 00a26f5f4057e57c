// The four training setting menus: their rows against the settings record (labels, ids, screen
// order, values, defaults), opening on the stored value, DEFAULT, the no-wrap choices and the
// wrapping cursor over spacers, and the values stored only when the menu goes, however it went.
#include "menu/training_setting_menus.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "battle/battle_records.h"
#include "menu/training_settings.h"
#include "scene/scene_fixture.h"

namespace {

constexpr int kLeft = 4, kRight = 6, kUp = 8, kDown = 2;

struct ChoiceRow {
  const char* label;
  int32_t value;
};
struct ItemRow {
  const char* label;
  const char* id;
  std::vector<ChoiceRow> choices;
  int32_t defaultValue;
};
struct MenuRow {
  const char* name;
  std::function<CTM_SettingMenu*()> make;
  const char* title;
  const char* setName;
  std::vector<ItemRow> items;
};

int32_t& Field(const std::string& id) {
  static const std::pair<const char*, TrainingSettingId> kIds[] = {
      {"ENEMY_ACTION", ENEMY_ACTION},
      {"ENEMY_DEFENCE", ENEMY_DEFENCE},
      {"ENEMY_DEFENCETYPE", ENEMY_DEFENCETYPE},
      {"LIFE", LIFE},
      {"MAGIC_CIRCUIT", MAGIC_CIRCUIT},
      {"GUARD_GAUGE", GUARD_GAUGE},
      {"GUARD_QUALITY", GUARD_QUALITY},
      {"AIR_RECOVERY", AIR_RECOVERY},
      {"DOWN_RECOVERY", DOWN_RECOVERY},
      {"COUNTER_HIT", COUNTER_HIT},
      {"THROW_RECOVERY", THROW_RECOVERY},
      {"REDUCE_DAMAGE", REDUCE_DAMAGE},
      {"CRITICAL_HIT", CRITICAL_HIT},
      {"REPLAY_TIME_DISPLAY", REPLAY_TIME_DISPLAY},
      {"REPLAY_TYPE", REPLAY_TYPE},
      {"REPLAY_SLOT", REPLAY_SLOT}};
  if (id == "ATTACK_DISPLAY") return g_BattleState[BattleStateIndex::kTrainingDisplay];
  if (id == "INPUT_DISPLAY") return g_InputDisplay;
  for (const auto& [name, field] : kIds)
    if (id == name) return g_TrainingSettings[field];
  ADD_FAILURE() << "no field " << id;
  static int32_t none;
  return none;
}

const std::vector<ChoiceRow> kRecoveries = {{"OFF", 5},     {"NEUTRAL", 0}, {"BACK", 1},
                                            {"FORWARD", 2}, {"RANDOM1", 3}, {"RANDOM2", 4}};
const std::vector<ChoiceRow> kPercent = {{"0%", 4}, {"25%", 3}, {"50%", 2}, {"75%", 1}, {"100%", 0}};

const std::vector<MenuRow>& Menus() {
  static const std::vector<MenuRow> menus = {
      {"battle",
       [] { return new CTM_PSMenu(); },
       "BATTLE SETTING MENU",
       "TRAINING_PLAYERSETTING_MENU",
       {{"LIFE",
         "LIFE",
         {{"NO RECOVER", 4},
          {"RECOVER  25%", 3},
          {"RECOVER  50%", 2},
          {"RECOVER  75%", 1},
          {"RECOVER 100%", 0}},
         0},
        {"MAGIC CIRCUIT",
         "MAGIC_CIRCUIT",
         {{"NORMAL", 0}, {"MAX", 1}, {"Immediately MAX", 2}, {"UNLIMITED", 3}},
         0},
        {"GUARD GAUGE", "GUARD_GAUGE", kPercent, 0},
        {"GUARD QUALITY", "GUARD_QUALITY", kPercent, 0},
        {"COUNTER HIT",
         "COUNTER_HIT",
         {{"NORMAL", 0},
          {"FIRST HIT", 1},
          {"LOW COUNTER", 2},
          {"HIGH COUNTER", 3},
          {"RANDOM", 4},
          {"RANDOM LOW", 5},
          {"RANDOM HIGH", 6}},
         0},
        {"CRITICAL HIT", "CRITICAL_HIT", {{"OFF", 1}, {"NORMAL", 0}}, 1}}},
      {"enemy",
       [] { return new CTM_ESMenu(); },
       "ENEMY SETTING MENU",
       "TRAINING_ENEMYSETTING_MENU",
       {{"ENEMY ACTION",
         "ENEMY_ACTION",
         {{"OFF", 0},
          {"ACTION A", 1},
          {"ACTION B", 2},
          {"ACTION C", 3},
          {"ACTION D", 4},
          {"RECOVER A", 5},
          {"RECOVER B", 6},
          {"RECOVER C", 7},
          {"RECOVER D", 8}},
         0},
        {"ENEMY DEFENCE",
         "ENEMY_DEFENCE",
         {{"OFF", 0},
          {"ALL GUARD", 1},
          {"STATUS GUARD", 2},
          {"ALL SHIELD", 3},
          {"STATUS SHIELD", 4},
          {"DODGE", 5}},
         0},
        {"ENEMY DEFENCE TYPE", "ENEMY_DEFENCETYPE", {{"NORMAL", 0}, {"COMBO", 1}, {"RANDOM", 2}}, 0},
        {"AIR RECOVERY", "AIR_RECOVERY", kRecoveries, 0},
        {"DOWN RECOVERY", "DOWN_RECOVERY", kRecoveries, 0},
        {"THROW RECOVERY",
         "THROW_RECOVERY",
         {{"NORMAL", 0},
          {"ALL-FAST FRAME", 1},
          {"ALL-LATE FRAME", 2},
          {"ALL-RANDOM FRAME", 3},
          {"RANDOM-FAST FRAME", 4},
          {"RANDOM-LATE FRAME", 5},
          {"RANDOM-RANDOM FRAME", 6}},
         0},
        {"REDUCE DAMAGE", "REDUCE_DAMAGE", {{"NORMAL", 0}, {"ALL", 1}, {"RANDOM", 2}}, 0}}},
      {"display",
       [] { return new CTM_TDMenu(); },
       "TRAINING DISPLAY MENU",
       "TRAINING_DISPLAYSETTING_MENU",
       {{"ATTACK DISPLAY", "ATTACK_DISPLAY", {{"OFF", 0}, {"ON", 1}}, 0},
        {"INPUT DISPLAY", "INPUT_DISPLAY", {{"OFF", 0}, {"ON", 1}}, 0}}},
      {"dummy",
       [] { return new CTM_DSMenu(); },
       "DUMMY SETTING MENU",
       "TRAINING_DISPLAYSETTING_MENU",  // the same name as the display menu's
       {{"REPLAY TIME DISPLAY", "REPLAY_TIME_DISPLAY", {{"OFF", 1}, {"ON", 0}}, 0},
        {"REPLAY TYPE", "REPLAY_TYPE", {{"NORMAL", 0}, {"RECOVER", 1}, {"WAIT", 2}}, 0},
        {"REPLAY SLOT", "REPLAY_SLOT", {{"SELECT SLOT", 0}, {"RANDOM", 1}}, 0}}},
  };
  return menus;
}

class TrainingSettingMenus : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    ResetTrainingSettings();
    g_InputDisplay = 0;
  }
  void TearDown() override {
    menu.reset();
    ResetTrainingSettings();
    g_InputDisplay = 0;
    SceneTest::TearDown();
  }
  // Builds the menu and runs it until it takes input.
  void Open(const MenuRow& row) {
    menu.reset(row.make());
    for (int i = 0; i < 40 && !(menu->openState == CPauseMenu_Default::kOpen && menu->inputEnabled); ++i)
      menu->Input(0, 0);
    ASSERT_EQ(menu->openState, CPauseMenu_Default::kOpen);
  }
  CGameMenuSet& Set() { return *menu->sets[0]; }
  CGameMenu_Element* Element(const char* id) { return Set().FindElement(id); }
  std::string CursorId() { return Set().CursorElement() ? Set().CursorElement()->id : "?"; }
  std::string ChoiceLabel(const char* id) {
    CGameMenu_Element* e = Element(id);
    return e && e->GetChoiceLabel(e->GetChoiceIndex()) ? e->GetChoiceLabel(e->GetChoiceIndex()) : "?";
  }
  void Decide(const char* id) {
    Set().SetCursorById(id);
    menu->Input(0, kMenuButtonDecide);
  }
  // Runs the menu until it has closed, then deletes it as the main menu does.
  void CloseWith(int button) {
    menu->Input(0, button);
    for (int i = 0; i < 40 && menu->openState != CPauseMenu_Default::kClosed; ++i) menu->Input(0, 0);
    ASSERT_EQ(menu->openState, CPauseMenu_Default::kClosed);
  }
  std::unique_ptr<CTM_SettingMenu> menu;
};

// Every member against its rows: title, set name, choice items in order with their choices in
// screen order, then DEFAULT and RETURN; each value written to its own field, and DEFAULT
// restoring each default.
TEST_F(TrainingSettingMenus, RowsLabelsValuesAndDefaultsAgainstTheRecord) {
  for (const MenuRow& row : Menus()) {
    SCOPED_TRACE(row.name);
    Open(row);
    EXPECT_EQ(menu->title, row.title);
    ASSERT_EQ(menu->sets.size(), 1u);
    EXPECT_EQ(Set().name, row.setName);
    std::vector<std::string> selectable;
    for (CGameMenu_Element* e : Set().elements) {
      if (e->IsSpacer())
        EXPECT_EQ(e->GetHeight(), 8);
      else
        selectable.push_back(e->id);
    }
    std::vector<std::string> want;
    for (const ItemRow& item : row.items) want.push_back(item.id);
    want.push_back("DEFAULT");
    want.push_back("RETURN");
    EXPECT_EQ(selectable, want);
    for (const ItemRow& item : row.items) {
      SCOPED_TRACE(item.id);
      CGameMenu_Element* e = Element(item.id);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->label, item.label);
      ASSERT_EQ(e->GetChoiceCount(), static_cast<int>(item.choices.size()));
      for (size_t i = 0; i < item.choices.size(); ++i) {
        EXPECT_STREQ(e->GetChoiceLabel(static_cast<int>(i)), item.choices[i].label);
        EXPECT_EQ(e->GetChoiceValue(static_cast<int>(i)), item.choices[i].value);
      }
      // The last screen choice, stored in the item's own field.
      e->SetChoiceIndex(e->GetChoiceCount() - 1);
    }
    menu->Apply();
    for (const ItemRow& item : row.items) EXPECT_EQ(Field(item.id), item.choices.back().value) << item.id;
    Decide("DEFAULT");
    EXPECT_EQ(menu->openState, CPauseMenu_Default::kOpen) << "DEFAULT keeps the menu open";
    menu->Apply();
    for (const ItemRow& item : row.items) EXPECT_EQ(Field(item.id), item.defaultValue) << item.id;
    menu.reset();
  }
}

// Items whose first screen choice is not value 0 open on the stored value, not on that choice.
TEST_F(TrainingSettingMenus, OpenOnTheStoredValueNotTheFirstChoice) {
  struct Case {
    const char* menu;
    const char* id;
    int32_t stored;
    const char* shown;
  };
  const Case cases[] = {
      {"battle", "LIFE", 0, "RECOVER 100%"},     {"battle", "LIFE", 2, "RECOVER  50%"},
      {"battle", "GUARD_GAUGE", 0, "100%"},      {"battle", "GUARD_QUALITY", 3, "25%"},
      {"battle", "CRITICAL_HIT", 0, "NORMAL"},   {"battle", "CRITICAL_HIT", 1, "OFF"},
      {"enemy", "AIR_RECOVERY", 0, "NEUTRAL"},   {"enemy", "DOWN_RECOVERY", 5, "OFF"},
      {"dummy", "REPLAY_TIME_DISPLAY", 0, "ON"}, {"display", "ATTACK_DISPLAY", 1, "ON"},
      {"display", "INPUT_DISPLAY", 1, "ON"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.id) + "=" + std::to_string(c.stored));
    for (const MenuRow& row : Menus()) {
      if (std::string(row.name) != c.menu) continue;
      Field(c.id) = c.stored;
      Open(row);
      EXPECT_EQ(ChoiceLabel(c.id), c.shown);
      menu.reset();
      Field(c.id) = 0;
    }
  }
}

// DEFAULT in the battle menu puts CRITICAL HIT on OFF and the rest on 100% / NORMAL; in the enemy
// menu both recoveries go to NEUTRAL, not to the OFF that is their first choice.
TEST_F(TrainingSettingMenus, DefaultCriticalHitOffAndRecoveriesNeutral) {
  g_TrainingSettings[CRITICAL_HIT] = 0;
  g_TrainingSettings[LIFE] = 4;
  g_TrainingSettings[GUARD_GAUGE] = 4;
  Open(Menus()[0]);
  Decide("DEFAULT");
  EXPECT_EQ(ChoiceLabel("CRITICAL_HIT"), "OFF");
  EXPECT_EQ(ChoiceLabel("LIFE"), "RECOVER 100%");
  EXPECT_EQ(ChoiceLabel("GUARD_GAUGE"), "100%");
  menu.reset();
  EXPECT_EQ(g_TrainingSettings[CRITICAL_HIT], 1);
  EXPECT_EQ(g_TrainingSettings[LIFE], 0);

  g_TrainingSettings[AIR_RECOVERY] = 5;
  g_TrainingSettings[DOWN_RECOVERY] = 3;
  Open(Menus()[1]);
  Decide("DEFAULT");
  EXPECT_EQ(ChoiceLabel("AIR_RECOVERY"), "NEUTRAL");
  EXPECT_EQ(ChoiceLabel("DOWN_RECOVERY"), "NEUTRAL");
  menu.reset();
  EXPECT_EQ(g_TrainingSettings[AIR_RECOVERY], 0);
  EXPECT_EQ(g_TrainingSettings[DOWN_RECOVERY], 0);
}

// Left and right stop at both ends; up and down wrap and never land on a spacer.
TEST_F(TrainingSettingMenus, ChoicesStopAtTheEndsCursorWrapsOverSpacers) {
  Open(Menus()[0]);
  g_TrainingSettings[LIFE] = 4;  // not read again: the menu is open
  Set().SetCursorById("LIFE");
  Element("LIFE")->SetChoiceIndex(0);
  menu->Input(kLeft, 0);
  EXPECT_EQ(ChoiceLabel("LIFE"), "NO RECOVER");
  for (int i = 0; i < 6; ++i) menu->Input(kRight, 0);
  EXPECT_EQ(ChoiceLabel("LIFE"), "RECOVER 100%");

  struct Move {
    const char* from;
    int direction;
    const char* to;
  };
  const Move moves[] = {{"LIFE", kUp, "RETURN"},
                        {"RETURN", kDown, "LIFE"},
                        {"MAGIC_CIRCUIT", kDown, "GUARD_GAUGE"},
                        {"GUARD_GAUGE", kUp, "MAGIC_CIRCUIT"},
                        {"CRITICAL_HIT", kDown, "DEFAULT"},
                        {"DEFAULT", kDown, "RETURN"}};
  for (const Move& m : moves) {
    Set().SetCursorById(m.from);
    menu->Input(m.direction, 0);
    EXPECT_EQ(CursorId(), m.to) << m.from << " " << m.direction;
  }
}

// RETURN, cancel and the third button all store the changed values, and only once the menu is
// deleted; the close code tells the third button (2) from cancel (1).
TEST_F(TrainingSettingMenus, EveryWayOutStoresTheValuesOnlyWhenDeleted) {
  struct Case {
    const char* name;
    int button;  // 0: RETURN decided
    int32_t endCode;
  };
  const Case cases[] = {
      {"RETURN", 0, 0}, {"cancel", kMenuButtonCancel, 1}, {"third button", kMenuButtonAlt, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetTrainingSettings();
    Open(Menus()[1]);
    Set().SetCursorById("ENEMY_DEFENCE");
    menu->Input(kRight, 0);
    menu->Input(kRight, 0);
    EXPECT_EQ(ChoiceLabel("ENEMY_DEFENCE"), "STATUS GUARD");
    if (c.button == 0) {
      Decide("RETURN");
      CloseWith(0);
    } else {
      CloseWith(c.button);
    }
    EXPECT_EQ(menu->endCode, c.endCode);
    EXPECT_EQ(g_TrainingSettings[ENEMY_DEFENCE], 0) << "nothing changes before the menu goes";
    menu.reset();
    EXPECT_EQ(g_TrainingSettings[ENEMY_DEFENCE], 2);
  }
}

}  // namespace
