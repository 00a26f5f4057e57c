// The training menu: its run, main menu, yes/no box, cursor memory and result.
#include "menu/training_menu.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Replay/replay_controller.h"
#include "Sound/soundproc.h"
#include "app/input/app_joystick.h"
#include "app/input/key_config.h"
#include "app/save_data.h"
#include "app/text_list.h"
#include "battle/battle_records.h"
#include "battle/cpu_defence.h"
#include "battle/game_mode.h"
#include "menu/command_list.h"
#include "menu/dummy_recordings.h"
#include "menu/key_setting.h"
#include "menu/pause_control.h"
#include "menu/training_hooks.h"
#include "menu/training_setting_menus.h"
#include "menu/training_settings.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_frame.h"

TrainingMenuScreen* g_TrainingMenuScreen = nullptr;
CTM_MainMenu* g_TrainingMainMenu = nullptr;

namespace {

constexpr int kCursorSound = 152;
constexpr const char* kMainMenuName = "TRAINING_MAIN_MENU";
constexpr float kFadeStep = 0.0625f;
constexpr float kViewFadeStep = 0.125f;

bool English() { return GetSelectLanguage() == 1; }

std::vector<MenuCursorRecord>& CursorRecords() {
  static std::vector<MenuCursorRecord> records;
  return records;
}

float Toward(float value, float target, float step) {
  return value < target ? std::min(value + step, target) : std::max(value - step, target);
}

// The enemy status choices and the labels of the main menu's rows (an empty label is a spacer).
constexpr struct {
  const char* label;
  int32_t value;
} kEnemyStatus[] = {{"STAND", 0}, {"JUMP", 1}, {"CROUCH", 2}, {"CPU", 3}, {"MANUAL", 4}, {"DUMMY", 5}};

}  // namespace

// ---- Cursor memory ----

void SaveMenuCursor(std::string_view setName, std::string_view elementId) {
  for (MenuCursorRecord& r : CursorRecords()) {
    if (r.setName == setName) {
      r.elementId = std::string(elementId);
      return;
    }
  }
  CursorRecords().push_back({std::string(setName), std::string(elementId)});
}

const MenuCursorRecord* FindMenuCursor(std::string_view setName) {
  for (const MenuCursorRecord& r : CursorRecords())
    if (r.setName == setName) return &r;
  return nullptr;
}

void RestoreMenuCursor(CGameMenuManager* menu, std::string_view setName) {
  const MenuCursorRecord* r = FindMenuCursor(setName);
  if (!menu || !r || menu->sets.empty()) return;
  CGameMenuSet* set = menu->sets[0];
  // An element that is not there (or is a spacer) leaves the cursor where it was.
  CGameMenu_Element* e = set->FindElement(r->elementId);
  if (!e || !e->selectable) return;
  set->SetCursorById(r->elementId);
}

void RememberMenuCursor(CGameMenuManager* menu, std::string_view setName) {
  if (menu) SaveMenuCursor(setName, menu->resultName);
}

// ---- Slot labels ----

std::string FormatDummySlotLabel(int slot) {
  char head[32];
  std::snprintf(head, sizeof head, "SLOT %02d (", slot + 1);
  std::string label = head;
  std::vector<ReplayRound>& rounds = g_ReplayController.file.rounds;
  const uint32_t frames = slot >= 0 && static_cast<size_t>(slot) < rounds.size()
                              ? rounds[static_cast<size_t>(slot)].GetLength()
                              : 0;
  if (frames > 0) {
    // (frames mod 60) x 5 / 3 is kept as the slot label has always shown it, though it may read
    // one hundredth off the battle clock's own split.
    char time[32];
    std::snprintf(time, sizeof time, "%02u\"%02u", frames / 60, (frames % 60) * 5 / 3);
    label += time;
  } else {
    label += "NO DATA";
  }
  label += ")";
  return label;
}

// ---- The yes/no box ----

CTM_YesNo::CTM_YesNo(std::string_view text) : question(text) {
  title = "Check";
  layer = 753;
  drawBackground = 0;
  y = 190;
  SetInfoText(question);
}

// ---- The main menu's set ----

CTM_MainMenuSet::CTM_MainMenuSet(CGameMenuManager* owner) : CGameMenuSet(owner, kMainMenuName) {
  for (const char* id :
       {"PLAYER_SETTING", "ENEMY_SETTING", "DUMMY_RECORDING", "DUMMY_SETTING", "TRAINING_DISPLAY",
        "COMMAND_LIST", "KEYBOARD_SETTING", "CONTROLLER_SETTING", "VIEW_SCREEN", "CHARACTER_SELECT",
        "DUMMY_RECORDING_SLOT", "CONTINUE", "RESTART", "EXIT", "EXIT_RANK", "EXIT_PLAYER"})
    AddResultName(id);
  constexpr int kChoiceX = 128;
  auto spacer = [this] { AddElement(new CPauseMenu_SpaceElement(8)); };
  auto normal = [this](const char* label, const char* id) {
    AddElement(new CPauseMenu_NormalElement(label, id));
  };
  normal("BATTLE SETTING", "PLAYER_SETTING");
  spacer();
  auto* status = new CPauseMenu_SelectElement("ENEMY STATUS", "ENEMY_STATUS", kChoiceX);
  for (const auto& c : kEnemyStatus) status->AddChoice({c.label, c.label, c.value});
  AddElement(status);
  normal("ENEMY SETTING", "ENEMY_SETTING");
  spacer();
  normal("DUMMY SETTING", "DUMMY_SETTING");
  auto* slot = new CPauseMenu_SelectElement("DUMMY RECORDING SLOT", "DUMMY_RECORDING_SLOT", kChoiceX);
  for (int i = 0; i < kDummySlots; ++i) {
    const std::string label = FormatDummySlotLabel(i);
    slot->AddChoice({label, label, i});
  }
  AddElement(slot);
  normal("DUMMY RECORDING START", "DUMMY_RECORDING");
  spacer();
  normal("TRAINING DISPLAY", "TRAINING_DISPLAY");
  spacer();
  normal("COMMAND LIST", "COMMAND_LIST");
  spacer();
  normal("KEYBOARD SETTING", "KEYBOARD_SETTING");
  normal("CONTROLLER SETTING", "CONTROLLER_SETTING");
  spacer();
  normal("VIEW SCREEN", "VIEW_SCREEN");
  spacer();
  normal("CHARACTER SELECT", "CHARACTER_SELECT");
  OnlineModeManager& online = GetOnlineModeManager();
  if (online.IsRankSearchStandby())
    normal("RETURN NETWORK MENU", "EXIT_RANK");
  else if (online.IsRoomWaitStandby())
    normal("RETURN TO THE ROOM", "EXIT_PLAYER");
  else
    normal("RETURN MAIN MENU", "EXIT");
  spacer();
  normal("RESTART", "RESTART");
  normal("CONTINUE", "CONTINUE");
}

// ---- The main menu ----

CTM_MainMenu::CTM_MainMenu()
    : keyScreen(std::make_unique<KeySettingScreen>()), help(std::make_unique<CInformationWindow>()) {
  SetTitle("TRAINING MENU");
  auto* set = new CTM_MainMenuSet(this);
  // The menu takes the slots over: nothing records or plays while it is open.
  g_ReplayController.hold = 0;
  g_ReplayController.mode = 0;
  g_ReplayController.dummyMode = 0;
  set->SetCursorById("PLAYER_SETTING");
  RestoreMenuCursor(this, kMainMenuName);
  set->SelectChoiceByValue("ENEMY_STATUS", g_TrainingSettings[ENEMY_STATUS]);
  set->SelectChoiceByValue("DUMMY_RECORDING_SLOT", g_SelectedDummySlot);
  layer = 752;
  drawBackground = 0;
  labelAlign = 2;
  centreX = 266;
  glyphWidth = 14;
  y = 200;
  help->layer = 752;
  help->bandHeight = 80;
  help->scaleX = 0.7f;
  help->scaleY = 0.9f;
  help->LoadTexts(English() ? ".\\Information\\eng\\Training.ini" : ".\\Information\\jpn\\Training.ini");
  help->centreY = (set->TotalHeight() + 80) / 2 + 232;
}

CTM_MainMenu::~CTM_MainMenu() {
  help.reset();
  delete yesNo;
  yesNo = nullptr;
  DeleteSettingMenus();
  keyScreen.reset();
  OnResult();
}

void CTM_MainMenu::Apply() {
  if (sets.empty()) return;
  CGameMenuSet* set = sets[0];
  if (CGameMenu_Element* e = set->FindElement("ENEMY_STATUS"); e && e->GetChoiceIndex() >= 0)
    g_TrainingSettings[ENEMY_STATUS] = e->GetChoiceValue(e->GetChoiceIndex());
  g_SelectedDummySlot = ChosenSlot();
}

void CTM_MainMenu::OnResult() {
  Apply();
  // Only a menu that went out through DUMMY_RECORDING records: one deleted while still open (a
  // battle start closing it, or a question not yet answered) starts nothing.
  const bool closed = openState == kClosing || openState == kClosed;
  if (closed && !ClosedByRequest() && chosenId == "DUMMY_RECORDING")
    g_ReplayController.StartDummyRecording(g_SelectedDummySlot);
}

int32_t CTM_MainMenu::ChosenSlot() {
  CGameMenu_Element* e = sets.empty() ? nullptr : sets[0]->FindElement("DUMMY_RECORDING_SLOT");
  if (!e || e->GetChoiceIndex() < 0) return g_SelectedDummySlot;
  return e->GetChoiceValue(e->GetChoiceIndex());
}

CTM_SettingMenu* CTM_MainMenu::OpenSettingMenu() {
  if (psMenu) return static_cast<CTM_SettingMenu*>(psMenu);
  if (esMenu) return static_cast<CTM_SettingMenu*>(esMenu);
  if (tdMenu) return static_cast<CTM_SettingMenu*>(tdMenu);
  if (dsMenu) return static_cast<CTM_SettingMenu*>(dsMenu);
  return nullptr;
}

int CTM_MainMenu::Input(int direction, int button) {
  int r;
  if (yesNo)
    r = yesNo->Input(direction, button);
  else if (CTM_SettingMenu* menu = OpenSettingMenu())
    r = menu->Input(direction, button);
  else if (keyScreen->open)
    r = keyScreen->Update();  // it reads the pads itself
  else
    r = inputEnabled ? CGameMenuManager::Input(direction, button) : CGameMenuManager::Input(0, 0);
  Update();
  help->Update();
  UpdateHelpKeys();
  if (r) g_SeRequest[kCursorSound] = 1;
  return r;
}

void CTM_MainMenu::UpdateHelpKeys() {
  std::string key, choiceKey;
  if (!yesNo) {
    if (psMenu)
      MakeMenuHelpKeys(static_cast<CGameMenuManager*>(psMenu), &key, &choiceKey, "PS_");
    else if (esMenu)
      MakeMenuHelpKeys(static_cast<CGameMenuManager*>(esMenu), &key, &choiceKey, "ES_");
    else if (tdMenu)
      MakeMenuHelpKeys(static_cast<CGameMenuManager*>(tdMenu), &key, &choiceKey, "TD_");
    else if (dsMenu)
      MakeMenuHelpKeys(static_cast<CGameMenuManager*>(dsMenu), &key, &choiceKey, "DS_");
    else
      MakeMenuHelpKeys(this, &key, &choiceKey, "");
  }
  help->SetKey(key);
  help->SetKey2(choiceKey);
  // The English text of the replay type runs long: that one key is drawn narrower.
  help->scaleX = English() && key == "DS_REPLAY_TYPE" ? 0.6f : 0.7f;
}

void CTM_MainMenu::StateFromDecision(const std::string& id) {
  int32_t next = -1;
  if (id == "PLAYER_SETTING")
    next = kBattleSetting;
  else if (id == "ENEMY_SETTING")
    next = kEnemySetting;
  else if (id == "TRAINING_DISPLAY")
    next = kDisplaySetting;
  else if (id == "DUMMY_SETTING")
    next = kDummySetting;
  else if (id == "DUMMY_RECORDING")
    next = IsDummySlotRecorded(ChosenSlot()) ? int32_t{kOverwriteConfirm} : int32_t{kClosing};
  else if (id == "DUMMY_RECORDING_SLOT")
    next = IsDummySlotRecorded(ChosenSlot()) ? kClearConfirm : -1;  // an empty slot: nothing to clear
  else if (id == "VIEW_SCREEN")
    next = kViewScreen;
  else if (id == "COMMAND_LIST")
    next = kCommandList;
  else if (id == "KEYBOARD_SETTING")
    next = kKeyboardSetting;
  else if (id == "CONTROLLER_SETTING")
    next = kControllerSetting;
  else if (id == "CHARACTER_SELECT" || id == "EXIT" || id == "EXIT_RANK" || id == "EXIT_PLAYER")
    next = kLeaveConfirm;
  else if (id == "CONTINUE" || id == "RESTART")
    next = kClosing;
  if (next < 0) return;
  chosenId = id;
  SetOpenState(next);
  subStep = kSubStart;
  inputEnabled = 0;
  SaveMenuCursor(kMainMenuName, id);
}

void CTM_MainMenu::Update() {
  opacity = std::clamp(Toward(opacity, active ? 1.0f : 0.3f, kFadeStep), 0.3f, 1.0f);
  MarkCursorElements();
  switch (openState) {
    case kStart:
    case kOpening:
    case kOpen:
      StepOpenClose();
      break;
    case kClosing:
      if (help->state != CInformationWindow::kFadingOutToHidden && help->state != CInformationWindow::kHidden)
        help->FadeOut();
      StepOpenClose();
      break;
    case kBattleSetting:
    case kEnemySetting:
    case kDisplaySetting:
    case kDummySetting:
      UpdateSettingMenu();
      break;
    case kOverwriteConfirm:
      UpdateOverwrite();
      break;
    case kClearConfirm:
      UpdateClear();
      break;
    case kViewScreen:
      UpdateViewScreen();
      break;
    case kCommandList:
      UpdateCommandListState();
      break;
    case kKeyboardSetting:
    case kControllerSetting:
      UpdateKeySetting();
      break;
    case kLeaveConfirm:
      UpdateLeave();
      break;
    case kFadeToBlack:
      backdropAlpha += kFadeStep;
      if (backdropAlpha >= 1.125f) SetOpenState(kClosed);
      break;
    default:
      break;
  }
  if (decided) {
    decided = 0;
    StateFromDecision(resultName);
  }
  if (endCode) SaveMenuCursor(kMainMenuName, resultName);
  ++frameCount;
  ++stateFrames;
}

void CTM_MainMenu::DeleteSettingMenus() {
  // Each stores its values as it goes.
  delete psMenu;
  delete esMenu;
  delete tdMenu;
  delete dsMenu;
  psMenu = nullptr;
  esMenu = nullptr;
  tdMenu = nullptr;
  dsMenu = nullptr;
}

void CTM_MainMenu::BackToMenu() {
  chosenId.clear();
  active = 1;
  inputEnabled = 1;
  SetOpenState(kOpen);
}

void CTM_MainMenu::UpdateSettingMenu() {
  static constexpr const char* kNames[] = {"TRAINING_PS_MENU", "TRAINING_ES_MENU", "TRAINING_TD_MENU",
                                           "TRAINING_DS_MENU"};
  const char* name = kNames[openState - kBattleSetting];
  CTM_SettingMenu* menu = OpenSettingMenu();
  if (!menu) {
    switch (openState) {
      case kBattleSetting:
        menu = static_cast<CTM_SettingMenu*>(psMenu = new CTM_PSMenu());
        break;
      case kEnemySetting:
        menu = static_cast<CTM_SettingMenu*>(esMenu = new CTM_ESMenu());
        break;
      case kDisplaySetting:
        menu = static_cast<CTM_SettingMenu*>(tdMenu = new CTM_TDMenu());
        break;
      default:
        menu = static_cast<CTM_SettingMenu*>(dsMenu = new CTM_DSMenu());
        break;
    }
    active = 0;
    menu->y = 190;
    RestoreMenuCursor(menu, name);
    return;
  }
  if (menu->openState != kClosed) return;
  RememberMenuCursor(menu, name);
  // The third button closes the whole training menu, through the same request.
  if (menu->endCode == 2) endCode = 2;
  DeleteSettingMenus();
  BackToMenu();
}

int CTM_MainMenu::StepYesNo(const std::string& question) {
  if (!yesNo) {
    yesNo = new CTM_YesNo(question);
    active = 0;
    return kBoxOpen;
  }
  if (yesNo->openState != kClosed) return kBoxOpen;
  // Only an answered YES counts: NO and cancel both decline.
  const int answer = yesNo->confirmed ? kBoxYes : kBoxNo;
  delete yesNo;
  yesNo = nullptr;
  active = 1;
  return answer;
}

void CTM_MainMenu::UpdateOverwrite() {
  const int answer = StepYesNo(FormatGameText(GetGameText(11), ChosenSlot() + 1));
  if (answer == kBoxYes)
    SetOpenState(kClosing);  // the menu closes with DUMMY_RECORDING
  else if (answer == kBoxNo)
    BackToMenu();
}

void CTM_MainMenu::UpdateClear() {
  const int answer = StepYesNo(FormatGameText(GetGameText(10), ChosenSlot() + 1));
  if (answer == kBoxOpen) return;
  if (answer == kBoxYes) {
    const int32_t slot = ChosenSlot();
    g_ReplayController.ClearRoundSlot(slot);
    if (CGameMenu_Element* e = sets[0]->FindElement("DUMMY_RECORDING_SLOT"))
      e->SetChoiceLabel(e->GetChoiceIndex(), FormatDummySlotLabel(slot));
  }
  BackToMenu();
}

void CTM_MainMenu::FadeBackIn() {
  fade = std::min(fade + kViewFadeStep, 1.0f);
  if (fade >= 1.0f) {
    subStep = kSubStart;
    BackToMenu();
  }
}

void CTM_MainMenu::UpdateViewScreen() {
  switch (subStep) {
    case kSubStart:
      fade = std::max(fade - kViewFadeStep, 0.0f);
      if (fade <= 0.0f) {
        help->FadeOut();
        subStep = kSubRunning;
      }
      break;
    case kSubRunning:
      if (g_AppJoystick && g_AppJoystick->IsPlayerAnyMenuButtonPressed(player)) {
        fade = 0.0f;
        help->FadeIn();
        subStep = kSubReturning;
      }
      break;
    default:
      FadeBackIn();
      break;
  }
}

void CTM_MainMenu::UpdateCommandListState() {
  switch (subStep) {
    case kSubStart:
      g_CommandListRequested = 1;
      help->FadeOut();
      subStep = kSubRunning;
      break;
    case kSubRunning:
      fade = std::max(fade - kFadeStep, 0.0f);
      if (UpdateCommandList(player) <= 0) {
        help->FadeIn();
        subStep = kSubReturning;
      }
      break;
    default:
      FadeBackIn();
      break;
  }
}

void CTM_MainMenu::UpdateKeySetting() {
  if (!keyScreen->open) {
    active = 0;
    keyScreen->Open(openState == kKeyboardSetting ? KeySettingScreen::kKeyboard
                                                  : KeySettingScreen::kController);
    return;
  }
  // One player's menu closing closes the other's too.
  keyScreen->RequestClose();
  if (!keyScreen->IsFinished()) return;
  if (openState == kKeyboardSetting)
    SaveKeyboardConfig();
  else
    SaveKeyConfig();
  keyScreen->Close();
  BackToMenu();
}

void CTM_MainMenu::UpdateLeave() {
  const int text = chosenId == "CHARACTER_SELECT" ? 12
                   : chosenId == "EXIT_RANK"      ? 18
                   : chosenId == "EXIT_PLAYER"    ? 19
                                                  : 13;
  const int answer = StepYesNo(GetGameText(text));
  if (answer == kBoxOpen) return;
  if (answer == kBoxNo) {
    BackToMenu();
    return;
  }
  OnlineModeManager& online = GetOnlineModeManager();
  if (online.IsStandbyActive()) {
    if (chosenId == "CHARACTER_SELECT")
      online.StandbyCharaSelectRequest();
    else if (chosenId == "EXIT_RANK" || chosenId == "EXIT_PLAYER")
      online.StandbyLeaveRequest();
  }
  SetOpenState(kFadeToBlack);
}

void CTM_MainMenu::Draw() {
  if (backdropAlpha > 0.0f) {
    const auto a = static_cast<uint32_t>(std::min(255.0f, backdropAlpha * 255.0f));
    DrawRect(nullptr, 0, 0, 640, 480, a << 24, a << 24, a << 24, a << 24, layer + 256);
  }
  help->Draw();
  CPauseMenu_Default::Draw();
  if (yesNo) yesNo->Draw();
  if (CTM_SettingMenu* menu = OpenSettingMenu()) menu->Draw();
  keyScreen->Draw();
}

// ---- The run ----

void UpdateTrainingMenu() {
  if (g_PauseStep == 1 && !OpenTrainingMenu()) return;
  CTM_MainMenu* menu = g_TrainingMainMenu;
  if (!menu) return;
  int direction = 0;
  int button = 0;
  if (g_AppJoystick && g_MainSide < 4) {
    const PadState& s = g_AppJoystick->menuBank[g_MainSide];
    if (s.menuDirection & PadState::kChanged) direction = s.menuDirection & 0x0F;
    if (s.button[2] & PadState::kPressed)
      button = kMenuButtonAlt;
    else if (s.button[1] & PadState::kPressed)
      button = kMenuButtonCancel;
    else if (s.button[0] & PadState::kPressed)
      button = kMenuButtonDecide;
  }
  menu->Input(direction, button);
  menu->Draw();
  if (menu->openState == CPauseMenu_Default::kClosed) FinishTrainingMenu();
}

int OpenTrainingMenu() {
  if (g_TrainingMainMenu) {  // already open: this pause goes on with it
    g_PauseStep = 0;
    return 1;
  }
  StopDummyAndSave();
  ApplyTrainingSettings(1, g_MainSide);
  g_TrainingMenuScreen = new (std::nothrow) TrainingMenuScreen{};
  if (!g_TrainingMenuScreen) {
    TogglePause();
    return 0;
  }
  g_TrainingMainMenu = new CTM_MainMenu();
  g_TrainingMainMenu->player = g_MainSide;
  g_PauseStep = 0;
  return 1;
}

void FinishTrainingMenu() {
  CTM_MainMenu* menu = g_TrainingMainMenu;
  if (!menu) return;
  int32_t result = kTrainingContinue;
  if (!menu->ClosedByRequest()) {
    const std::string& id = menu->chosenId;
    if (id == "EXIT")
      result = kTrainingMainMenu;
    else if (id == "EXIT_RANK")
      result = kTrainingNetworkMenu;
    else if (id == "EXIT_PLAYER")
      result = kTrainingPlayerRoom;
    else if (id == "RESTART")
      result = kTrainingRestart;
    else if (id == "CHARACTER_SELECT")
      result = kTrainingCharacterSelect;
  }
  if (g_TrainingMenuScreen) g_TrainingMenuScreen->result = result;
  g_TrainingMainMenu = nullptr;
  delete menu;
  HandleTrainingMenuResult();
  CloseTrainingMenu();
}

void HandleTrainingMenuResult() {
  if (!g_TrainingMenuScreen) return;
  switch (g_TrainingMenuScreen->result) {
    case kTrainingContinue:
      // Re-applies the dummy only when the enemy status changed, or for a recording.
      ApplyTrainingSettings(0, g_MainSide);
      TogglePause();
      g_SceneEnter = 0;
      break;
    case kTrainingRestart:
      ToggleTrainingPause();
      break;
    case kTrainingCharacterSelect:
      g_GameModeFlags = MODE_TRAINING;
      ChangeScene(SCENE_CHARA_SELECT);
      g_AppliedEnemyAction = -1;
      g_Paused = 0;
      break;
    case kTrainingMainMenu:
      ChangeScene(SCENE_MAIN_MENU);
      g_Paused = 0;
      break;
    case kTrainingNetworkMenu:
    case kTrainingPlayerRoom:
      GetOnlineModeManager().SetResumeState(g_TrainingMenuScreen->result == kTrainingNetworkMenu ? 5 : 11);
      ReturnToNetworkMenu();
      g_Paused = 0;
      break;
    default:
      break;
  }
}

void CloseTrainingMenu() {
  CTM_MainMenu* menu = g_TrainingMainMenu;
  g_TrainingMainMenu = nullptr;
  delete menu;
  delete g_TrainingMenuScreen;
  g_TrainingMenuScreen = nullptr;
  g_TrainingActionTimer = 0;
  g_PauseMenuActive = 0;
}
