// The in-battle pause menu, its set, its return question and its pause-control hook.
#include "menu/pause_menu.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Replay/replay_controller.h"
#include "Sound/soundproc.h"
#include "app/input/app_joystick.h"
#include "app/input/key_config.h"
#include "app/save_data.h"
#include "app/text_list.h"
#include "battle/game_mode.h"
#include "directnet/direct_net_state.h"
#include "menu/command_list.h"
#include "menu/pause_control.h"
#include "scene/game_modes.h"

namespace {

constexpr int kCursorSound = 152;
constexpr int kMenuLayer = 752;
constexpr int kQuestionLayer = 753;
constexpr float kDimStep = 0.0625f;
constexpr float kDimFloor = 0.3f;
constexpr float kViewStep = 0.125f;
constexpr float kBlackoutStep = 0.0625f;
constexpr float kBlackoutEnd = 1.125f;

struct ResultRow {
  const char* id;
  int32_t code;
};
constexpr ResultRow kResults[] = {
    {"CONTINUE", kPauseContinue},
    {"RETURN_NET_MENU", kPauseReturnToMenu},
    {"RETURN_TITLE", kPauseReturnToMenu},
    {"CHARACTER_SELECT", kPauseCharacterSelect},
    {"RESET_ROUND", kPauseResetRound},
    {"NEXT_ROUND", kPauseNextRound},
    {"PREVIOUS_ROUND", kPausePreviousRound},
    {"RETURN_REPLAY_FILE_SELECT", kPauseReplaySelect},
};

// The game text of each return's question.
struct QuestionRow {
  const char* id;
  int text;
};
constexpr QuestionRow kQuestions[] = {
    {"RETURN_NET_MENU", 14},
    {"RETURN_TITLE", 15},
    {"CHARACTER_SELECT", 16},
    {"RETURN_REPLAY_FILE_SELECT", 17},
};

bool IsVersusMode() {
  const int32_t m = g_GameModeFlags;
  return m == MODE_VS_PLAYER || m == MODE_VS_CPU || m == MODE_CPU_VS_CPU;
}

bool IsRoundOperation(std::string_view id) {
  return id == "RESET_ROUND" || id == "NEXT_ROUND" || id == "PREVIOUS_ROUND";
}

uint32_t MenuPressed(int player) {
  uint32_t pressed = 0;
  if (g_AppJoystick != nullptr && player >= 0 && player < 4)
    g_AppJoystick->menuBank[static_cast<size_t>(player)].GetButtonMasks(&pressed, nullptr);
  return pressed;
}

// What the pause control holds: the menu behind its three calls.
class PauseMenuHandle : public PauseMenu {
 public:
  explicit PauseMenuHandle(std::unique_ptr<CPauseMenuManager> m) : menu_(std::move(m)) {}
  void Draw() override { menu_->Draw(); }
  void Input(int direction, int button) override { menu_->Input(direction, button); }
  int State() override { return menu_->openState; }

 private:
  std::unique_ptr<CPauseMenuManager> menu_;
};

std::unique_ptr<PauseMenu> CreateMenuFor(int player) {
  auto menu = std::make_unique<CPauseMenuManager>();
  menu->menuPlayer = player;
  menu->RefreshTitle();
  return std::make_unique<PauseMenuHandle>(std::move(menu));
}

}  // namespace

CPauseGoTitleMenu::CPauseGoTitleMenu() {
  title = "Check";
  layer = kQuestionLayer;
}

CPauseMenuSet::CPauseMenuSet(CGameMenuManager* owner) : CGameMenuSet(owner, "PAUSE_MENU") {
  for (const char* id : {"CONTINUE", "COMMAND_LIST", "VIEW_SCREEN", "KEYBOARD_SETTING", "CONTROLLER_SETTING",
                         "RESET_ROUND", "NEXT_ROUND", "PREVIOUS_ROUND", "RETURN_REPLAY_FILE_SELECT",
                         "CHARACTER_SELECT", "RETURN_NET_MENU", "RETURN_TITLE"})
    AddResultName(id);
  const bool versus = IsVersusMode();
  const bool playback = versus && g_ReplayController.mode == static_cast<uint32_t>(kReplayPlay);
  const uint32_t index = g_ReplayController.file.roundIndex;
  const size_t rounds = g_ReplayController.file.rounds.size();
  auto spacer = [this] { AddElement(new CPauseMenu_SpaceElement(4)); };
  auto item = [this](const char* label, const char* id) {
    AddElement(new CPauseMenu_NormalElement(label, id));
  };
  item("CONTINUE", "CONTINUE");
  spacer();
  item("COMMAND LIST", "COMMAND_LIST");
  item("VIEW SCREEN", "VIEW_SCREEN");
  item("KEYBOARD SETTING", "KEYBOARD_SETTING");
  item("CONTROLLER SETTING", "CONTROLLER_SETTING");
  if (playback) {
    spacer();
    item("RESET ROUND", "RESET_ROUND");
    if (static_cast<size_t>(index) + 1 < rounds) item("NEXT ROUND", "NEXT_ROUND");
    if (index != 0) item("PREVIOUS ROUND", "PREVIOUS_ROUND");
    spacer();
    item("RETURN REPLAY FILE SELECT", "RETURN_REPLAY_FILE_SELECT");
    spacer();
  }
  if (versus && !playback && g_ChallengeState == 0) item("CHARACTER SELECT", "CHARACTER_SELECT");
  spacer();
  if (g_NetworkMatch == 1)
    item("RETURN NET VS MENU", "RETURN_NET_MENU");
  else
    item("RETURN MAIN MENU", "RETURN_TITLE");
  SetCursorById("CONTINUE");
}

CPauseMenuManager::CPauseMenuManager() : help(std::make_unique<CInformationWindow>()) {
  auto* set = new CPauseMenuSet(this);
  layer = kMenuLayer;
  y = 200;
  help->layer = kMenuLayer;
  help->bandHeight = 80;
  help->scaleX = 0.7f;
  help->scaleY = 0.9f;
  help->centreY = (set->TotalHeight() + 80) / 2 + 232;
  help->LoadTexts(GetSelectLanguage() == 1 ? ".\\Information\\eng\\PauseInfo.ini"
                                           : ".\\Information\\jpn\\PauseInfo.ini");
}

CPauseMenuManager::~CPauseMenuManager() {
  OnResult();
  // Deleted with its command list open (the battle scene leaving): the list goes with it.
  if (openState == kCommandList) FreeCommandList();
  confirm.reset();
  keys.Close();
  if (help) help->Release();
}

void CPauseMenuManager::RefreshTitle() {
  char text[32];
  std::snprintf(text, sizeof text, "%dP PAUSE MENU", menuPlayer + 1);
  SetTitle(text);
}

void CPauseMenuManager::OnResult() {
  int32_t code = -1;
  if (cancelled) {
    code = kPauseContinue;
  } else {
    for (const ResultRow& r : kResults)
      if (chosenId == r.id) code = r.code;
  }
  if (code < 0) return;
  g_PauseResult = code;
  g_PauseResultReady = 1;
}

int CPauseMenuManager::Input(int direction, int button) {
  int moved = 0;
  if (confirm) {
    confirm->Input(direction, button);
  } else if (keys.open) {
    keys.Update();
  } else {
    moved = inputEnabled ? CGameMenuManager::Input(direction, button) : CGameMenuManager::Input(0, 0);
  }
  Update();
  help->Update();
  if (!confirm) {
    std::string key, choiceKey;
    MakeMenuHelpKeys(this, &key, &choiceKey, "");
    help->SetKey(key);
    help->SetKey2(choiceKey);
  }
  if (moved) g_SeRequest[kCursorSound] = 1;
  return moved;
}

void CPauseMenuManager::UpdateConfirm() {
  if (!confirm) {
    dimRising = 0;
    int text = 0;
    for (const QuestionRow& q : kQuestions)
      if (chosenId == q.id) text = q.text;
    confirm = std::make_unique<CPauseGoTitleMenu>();
    confirm->SetInfoText(GetGameText(text));
    return;
  }
  if (confirm->openState != kClosed) return;
  // Only an answered YES goes on; NO and cancel both come back to the menu.
  const bool yes = confirm->confirmed != 0;
  confirm.reset();
  dimRising = 1;
  if (yes) {
    SetOpenState(kBlackout);
    inputEnabled = 0;
    dimRising = 0;
  } else {
    SetOpenState(kOpen);
    inputEnabled = 1;
    chosenId.clear();
  }
}

void CPauseMenuManager::UpdateKeySetting() {
  if (!keys.open) {
    dimRising = 0;
    keys.Open(openState == kKeyboardSetting ? KeySettingScreen::kKeyboard : KeySettingScreen::kController);
    return;
  }
  keys.RequestClose();
  if (!keys.IsFinished()) return;
  if (openState == kKeyboardSetting)
    SaveKeyboardConfig();
  else
    SaveKeyConfig();
  keys.Close();
  SetOpenState(kOpen);
  inputEnabled = 1;
  dimRising = 1;
}

void CPauseMenuManager::ActOnDecision() {
  const std::string id = resultName;
  int32_t next = -1;
  if (id == "KEYBOARD_SETTING") {
    next = kKeyboardSetting;
  } else if (id == "CONTROLLER_SETTING") {
    next = kControllerSetting;
  } else if (id == "CONTINUE") {
    next = kClosing;
  } else if (id == "COMMAND_LIST") {
    next = kCommandList;
    g_CommandListRequested = 1;
    dimRising = 0;
  } else if (id == "VIEW_SCREEN") {
    next = kViewHiding;
    help->FadeOut();
  } else if (id == "RETURN_TITLE" || id == "RETURN_NET_MENU" || id == "CHARACTER_SELECT" ||
             id == "RETURN_REPLAY_FILE_SELECT") {
    next = kConfirm;
  } else if (IsRoundOperation(id)) {
    next = kBlackout;
  }
  if (next < 0) return;
  chosenId = id;
  decided = 0;
  inputEnabled = 0;
  SetOpenState(next);
}

void CPauseMenuManager::Update() {
  opacity = std::clamp(opacity + (dimRising ? kDimStep : -kDimStep), kDimFloor, 1.0f);
  MarkCursorElements();
  switch (openState) {
    case kStart:
    case kOpening:
    case kOpen:
      StepOpenClose();
      break;
    case kClosing:
      help->FadeOut();
      StepOpenClose();
      break;
    case kCommandList:
      if (UpdateCommandList(menuPlayer) <= 0) {
        SetOpenState(kOpen);
        inputEnabled = 1;
        dimRising = 1;
      }
      break;
    case kViewHiding:
      StepFade(-kViewStep, kViewHidden);
      break;
    case kViewHidden:
      if (MenuPressed(menuPlayer) != 0) {
        SetOpenState(kViewShowing);
        help->FadeIn();
      }
      break;
    case kViewShowing:
      if (StepFade(kViewStep, kOpen)) inputEnabled = 1;
      break;
    case kKeyboardSetting:
    case kControllerSetting:
      UpdateKeySetting();
      break;
    case kConfirm:
      UpdateConfirm();
      break;
    case kBlackout:
      blackout += kBlackoutStep;
      if (blackout >= kBlackoutEnd) SetOpenState(kClosed);
      break;
    default:
      break;
  }
  if (decided) ActOnDecision();
  if (openState == kClosed) OnResult();
  ++frameCount;
  ++stateFrames;
}

void CPauseMenuManager::Draw() {
  if (blackout > 0.0f) {
    const int a = std::min(255, static_cast<int>(blackout * 255.0f));
    const uint32_t c = static_cast<uint32_t>(a) << 24;
    DrawRect(&g_MainDrawList, 0, 0, 640, 480, c, c, c, c, layer + 256);
  }
  help->Draw();
  CPauseMenu_Default::Draw();
  if (confirm) confirm->Draw();
  keys.Draw();
}

void InstallPauseMenu() { g_PauseControlHooks.createPauseMenu = CreateMenuFor; }
