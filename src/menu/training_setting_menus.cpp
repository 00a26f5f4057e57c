// The training setting menus: one family told by a table per member.
#include "menu/training_setting_menus.h"

#include <algorithm>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "battle/battle_records.h"
#include "menu/training_settings.h"

namespace {

constexpr int kSpacerHeight = 8;
constexpr int kLabelX = 250;
constexpr int kChoiceX = 160;

template <TrainingSettingId Id>
int32_t* RecordField() {
  return &g_TrainingSettings[Id];
}
int32_t* AttackDisplayField() { return &g_BattleState[BattleStateIndex::kTrainingDisplay]; }
int32_t* InputDisplayField() { return &g_InputDisplay; }

// Choices in screen order. Several lists open on a choice that is not value 0 (the stored value
// is selected, not the first choice).
constexpr TrainingMenuChoice kLife[] = {
    {"NO RECOVER", 4}, {"RECOVER  25%", 3}, {"RECOVER  50%", 2}, {"RECOVER  75%", 1}, {"RECOVER 100%", 0}};
constexpr TrainingMenuChoice kMagicCircuit[] = {
    {"NORMAL", 0}, {"MAX", 1}, {"Immediately MAX", 2}, {"UNLIMITED", 3}};
constexpr TrainingMenuChoice kPercent[] = {{"0%", 4}, {"25%", 3}, {"50%", 2}, {"75%", 1}, {"100%", 0}};
constexpr TrainingMenuChoice kCounterHit[] = {{"NORMAL", 0},       {"FIRST HIT", 1}, {"LOW COUNTER", 2},
                                              {"HIGH COUNTER", 3}, {"RANDOM", 4},    {"RANDOM LOW", 5},
                                              {"RANDOM HIGH", 6}};
constexpr TrainingMenuChoice kCriticalHit[] = {{"OFF", 1}, {"NORMAL", 0}};

constexpr TrainingMenuChoice kEnemyAction[] = {{"OFF", 0},       {"ACTION A", 1},  {"ACTION B", 2},
                                               {"ACTION C", 3},  {"ACTION D", 4},  {"RECOVER A", 5},
                                               {"RECOVER B", 6}, {"RECOVER C", 7}, {"RECOVER D", 8}};
constexpr TrainingMenuChoice kEnemyDefence[] = {{"OFF", 0},        {"ALL GUARD", 1},     {"STATUS GUARD", 2},
                                                {"ALL SHIELD", 3}, {"STATUS SHIELD", 4}, {"DODGE", 5}};
constexpr TrainingMenuChoice kDefenceType[] = {{"NORMAL", 0}, {"COMBO", 1}, {"RANDOM", 2}};
constexpr TrainingMenuChoice kRecovery[] = {{"OFF", 5},     {"NEUTRAL", 0}, {"BACK", 1},
                                            {"FORWARD", 2}, {"RANDOM1", 3}, {"RANDOM2", 4}};
constexpr TrainingMenuChoice kThrowRecovery[] = {{"NORMAL", 0},
                                                 {"ALL-FAST FRAME", 1},
                                                 {"ALL-LATE FRAME", 2},
                                                 {"ALL-RANDOM FRAME", 3},
                                                 {"RANDOM-FAST FRAME", 4},
                                                 {"RANDOM-LATE FRAME", 5},
                                                 {"RANDOM-RANDOM FRAME", 6}};
constexpr TrainingMenuChoice kReduceDamage[] = {{"NORMAL", 0}, {"ALL", 1}, {"RANDOM", 2}};

constexpr TrainingMenuChoice kOffOn[] = {{"OFF", 0}, {"ON", 1}};
constexpr TrainingMenuChoice kReplayTimeDisplay[] = {{"OFF", 1}, {"ON", 0}};
constexpr TrainingMenuChoice kReplayType[] = {{"NORMAL", 0}, {"RECOVER", 1}, {"WAIT", 2}};
constexpr TrainingMenuChoice kReplaySlot[] = {{"SELECT SLOT", 0}, {"RANDOM", 1}};

constexpr TrainingMenuItem kSpacer{nullptr, nullptr, {}, 0, nullptr};

const TrainingMenuItem kBattleItems[] = {
    {"LIFE", "LIFE", kLife, 0, RecordField<LIFE>},
    {"MAGIC CIRCUIT", "MAGIC_CIRCUIT", kMagicCircuit, 0, RecordField<MAGIC_CIRCUIT>},
    kSpacer,
    {"GUARD GAUGE", "GUARD_GAUGE", kPercent, 0, RecordField<GUARD_GAUGE>},
    {"GUARD QUALITY", "GUARD_QUALITY", kPercent, 0, RecordField<GUARD_QUALITY>},
    kSpacer,
    {"COUNTER HIT", "COUNTER_HIT", kCounterHit, 0, RecordField<COUNTER_HIT>},
    {"CRITICAL HIT", "CRITICAL_HIT", kCriticalHit, 1, RecordField<CRITICAL_HIT>},
};
const TrainingMenuItem kEnemyItems[] = {
    {"ENEMY ACTION", "ENEMY_ACTION", kEnemyAction, 0, RecordField<ENEMY_ACTION>},
    kSpacer,
    {"ENEMY DEFENCE", "ENEMY_DEFENCE", kEnemyDefence, 0, RecordField<ENEMY_DEFENCE>},
    {"ENEMY DEFENCE TYPE", "ENEMY_DEFENCETYPE", kDefenceType, 0, RecordField<ENEMY_DEFENCETYPE>},
    kSpacer,
    {"AIR RECOVERY", "AIR_RECOVERY", kRecovery, 0, RecordField<AIR_RECOVERY>},
    {"DOWN RECOVERY", "DOWN_RECOVERY", kRecovery, 0, RecordField<DOWN_RECOVERY>},
    kSpacer,
    {"THROW RECOVERY", "THROW_RECOVERY", kThrowRecovery, 0, RecordField<THROW_RECOVERY>},
    kSpacer,
    {"REDUCE DAMAGE", "REDUCE_DAMAGE", kReduceDamage, 0, RecordField<REDUCE_DAMAGE>},
};
const TrainingMenuItem kDisplayItems[] = {
    {"ATTACK DISPLAY", "ATTACK_DISPLAY", kOffOn, 0, AttackDisplayField},
    {"INPUT DISPLAY", "INPUT_DISPLAY", kOffOn, 0, InputDisplayField},
};
const TrainingMenuItem kDummyItems[] = {
    {"REPLAY TIME DISPLAY", "REPLAY_TIME_DISPLAY", kReplayTimeDisplay, 0, RecordField<REPLAY_TIME_DISPLAY>},
    {"REPLAY TYPE", "REPLAY_TYPE", kReplayType, 0, RecordField<REPLAY_TYPE>},
    {"REPLAY SLOT", "REPLAY_SLOT", kReplaySlot, 0, RecordField<REPLAY_SLOT>},
};

const TrainingSettingMenuInfo kBattleMenu{"BATTLE SETTING MENU", "TRAINING_PLAYERSETTING_MENU", kBattleItems};
const TrainingSettingMenuInfo kEnemyMenu{"ENEMY SETTING MENU", "TRAINING_ENEMYSETTING_MENU", kEnemyItems};
// The display and dummy menus share one set name on purpose: each lives in a menu of its own, so
// the name never has to tell them apart.
const TrainingSettingMenuInfo kDisplayMenu{"TRAINING DISPLAY MENU", "TRAINING_DISPLAYSETTING_MENU",
                                           kDisplayItems};
const TrainingSettingMenuInfo kDummyMenu{"DUMMY SETTING MENU", "TRAINING_DISPLAYSETTING_MENU", kDummyItems};

}  // namespace

// ---- Sets ----

CTM_SettingMenuSet::CTM_SettingMenuSet(CGameMenuManager* owner, const TrainingSettingMenuInfo& info)
    : CGameMenuSet(owner, info.setName) {
  AddResultName("DEFAULT");
  AddResultName("RETURN");
  for (const TrainingMenuItem& item : info.items) {
    if (item.id == nullptr) {
      AddElement(new CPauseMenu_SpaceElement(kSpacerHeight));
      continue;
    }
    auto* e = new CPauseMenu_SelectElement(item.label, item.id, kChoiceX);
    for (const TrainingMenuChoice& c : item.choices) e->AddChoice({c.label, c.label, c.value});
    AddElement(e);
  }
  AddElement(new CPauseMenu_SpaceElement(kSpacerHeight));
  AddElement(new CPauseMenu_NormalElement("DEFAULT", "DEFAULT"));
  AddElement(new CPauseMenu_SpaceElement(kSpacerHeight));
  AddElement(new CPauseMenu_NormalElement("RETURN", "RETURN"));
  SetCursorById(info.items.front().id);
}

CTM_PSMenuSet::CTM_PSMenuSet(CGameMenuManager* owner) : CTM_SettingMenuSet(owner, kBattleMenu) {}
CTM_ESMenuSet::CTM_ESMenuSet(CGameMenuManager* owner) : CTM_SettingMenuSet(owner, kEnemyMenu) {}
CTM_TDMenuSet::CTM_TDMenuSet(CGameMenuManager* owner) : CTM_SettingMenuSet(owner, kDisplayMenu) {}
CTM_DSMenuSet::CTM_DSMenuSet(CGameMenuManager* owner) : CTM_SettingMenuSet(owner, kDummyMenu) {}

// ---- The family ----

CTM_SettingMenu::CTM_SettingMenu(const TrainingSettingMenuInfo& info) : items_(info.items) {
  SetTitle(info.title);
  layer = 753;
  drawBackground = 0;
  labelAlign = 2;
  centreX = kLabelX;
  glyphWidth = 14;
  y = 190;
}

CTM_SettingMenu::~CTM_SettingMenu() { Apply(); }

void CTM_SettingMenu::SelectStoredValues() {
  CGameMenuSet* set = sets.empty() ? nullptr : sets[0];
  if (!set) return;
  for (const TrainingMenuItem& item : items_)
    if (item.id) set->SelectChoiceByValue(item.id, *item.field());
}

void CTM_SettingMenu::Apply() {
  CGameMenuSet* set = sets.empty() ? nullptr : sets[0];
  if (!set) return;
  for (const TrainingMenuItem& item : items_) {
    if (!item.id) continue;
    CGameMenu_Element* e = set->FindElement(item.id);
    if (e && e->GetChoiceIndex() >= 0) *item.field() = e->GetChoiceValue(e->GetChoiceIndex());
  }
}

void CTM_SettingMenu::SetDefaults() {
  CGameMenuSet* set = sets.empty() ? nullptr : sets[0];
  if (!set) return;
  for (const TrainingMenuItem& item : items_)
    if (item.id) set->SelectChoiceByValue(item.id, item.defaultValue);
}

void CTM_SettingMenu::Update() {
  const float target = active ? 1.0f : 0.3f;
  opacity = opacity < target ? std::min(opacity + 0.0625f, target) : std::max(opacity - 0.0625f, target);
  opacity = std::clamp(opacity, 0.3f, 1.0f);
  MarkCursorElements();
  StepOpenClose();
  if (decided) {
    decided = 0;
    if (resultName == "RETURN") {
      StartClosing();
    } else if (resultName == "DEFAULT") {
      SetDefaults();
    }
  }
  ++frameCount;
  ++stateFrames;
}

void CTM_SettingMenu::Draw() {
  if (backdropAlpha > 0.0f) {
    const auto a = static_cast<uint32_t>(std::min(255.0f, backdropAlpha * 255.0f));
    DrawRect(nullptr, 0, 0, 640, 480, a << 24, a << 24, a << 24, a << 24, layer + 256);
  }
  CPauseMenu_Default::Draw();
}

// ---- Members ----

CTM_PSMenu::CTM_PSMenu() : CTM_SettingMenu(kBattleMenu) {
  new CTM_PSMenuSet(this);
  SelectStoredValues();
}
CTM_ESMenu::CTM_ESMenu() : CTM_SettingMenu(kEnemyMenu) {
  new CTM_ESMenuSet(this);
  SelectStoredValues();
}
CTM_TDMenu::CTM_TDMenu() : CTM_SettingMenu(kDisplayMenu) {
  new CTM_TDMenuSet(this);
  SelectStoredValues();
}
CTM_DSMenu::CTM_DSMenu() : CTM_SettingMenu(kDummyMenu) {
  new CTM_DSMenuSet(this);
  SelectStoredValues();
}
