// The in-game key setting screen and its two setting menus.
#include "menu/key_setting.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/system_font.h"
#include "app/input/app_joystick.h"
#include "app/input/key_config.h"
#include "app/save_data.h"
#include "app/text_list.h"
#include "scene/calc_ease.h"

namespace {

constexpr float kBrightStep = 0.0625f;

// Pad functions in menu order, with their entries.
constexpr CKeySettingMenuBase::Function kPadFunctions[] = {
    {"A", "PAD_A", 8},    {"B", "PAD_B", 9},      {"C", "PAD_C", 7},      {"D", "PAD_D", 6},
    {"QA", "PAD_QA", 11}, {"FN1", "PAD_FN1", 12}, {"FN2", "PAD_FN2", 13}, {"A+B", "PAD_AB", 10},
};

constexpr CKeySettingMenuBase::Function kKeyFunctions[] = {
    {"UP", "KEYBOARD_UP", kKeyUp},       {"DOWN", "KEYBOARD_DOWN", kKeyDown},
    {"LEFT", "KEYBOARD_LEFT", kKeyLeft}, {"RIGHT", "KEYBOARD_RIGHT", kKeyRight},
    {"A", "KEYBOARD_A", kKeyA},          {"B", "KEYBOARD_B", kKeyB},
    {"C", "KEYBOARD_C", kKeyC},          {"D", "KEYBOARD_D", kKeyD},
    {"QA", "KEYBOARD_QA", kKeyQA},
};

bool English() { return GetSelectLanguage() == 1; }

}  // namespace

// ---- Shared menu ----

CKeySettingMenuBase::CKeySettingMenuBase(int p, int menuX, const char* setName) : player(p) {
  x = menuX;
  centreX = menuX + 110;
  layer = 762;
  glyphWidth = glyphHeight = 14;
  narrow = 1;
  labelAlign = 2;
  drawBackground = 0;
  set_ = new CGameMenuSet(this, setName);
}

CKeySettingMenuBase::~CKeySettingMenuBase() { delete capture; }

void CKeySettingMenuBase::Build(const Function* functions, int count) {
  functions_ = functions;
  functionCount_ = count;
  for (int i = 0; i < count; ++i) {
    auto* e = new CPauseMenu_SelectElement(functions[i].label, functions[i].id, 100);
    e->AddChoice({"", "", 0});
    set_->AddElement(e);
    set_->AddResultName(functions[i].id);
  }
  set_->AddElement(new CPauseMenu_SpaceElement(8));
  set_->AddElement(new CPauseMenu_NormalElement("DEFAULT", "DEFAULT"));
  set_->AddElement(new CPauseMenu_NormalElement("EXIT", "EXIT"));
  set_->AddResultName("DEFAULT");
  set_->AddResultName("EXIT");
  set_->cursor = 0;
  RefreshTexts();
}

int CKeySettingMenuBase::PadSlot() const {
  const int32_t num = GetKeyConfig().pads[static_cast<size_t>(std::clamp(player, 0, 3))].Num;
  return num > 0 ? num - 1 : -1;
}

int CKeySettingMenuBase::Input(int direction, int button) {
  if (capture) {
    // The capture box reads the devices itself: the menu buttons would be taken as a choice.
    capture->Input(0, 0);
    Update();
    return 0;
  }
  return CPauseMenu_Default::Input(direction, button);
}

void CKeySettingMenuBase::Update() {
  const float target = capture ? 0.3f : 1.0f;
  if (brightness < target)
    brightness = std::min(target, brightness + kBrightStep);
  else if (brightness > target)
    brightness = std::max(target, brightness - kBrightStep);
  opacity = brightness;
  MarkCursorElements();
  StepOpenClose();
  if (capture && capture->openState == kClosed) {
    if (!capture->declined && capture->capturedCode != 0 && captureIndex >= 0)
      Assign(functions_[captureIndex].index, capture->capturedCode);
    delete capture;
    capture = nullptr;
    captureIndex = -1;
    RefreshTexts();
  }
  if (decided && !capture && openState == kOpen) {
    // Handled once: the manager keeps the flag until its next input, and while a capture box is
    // open the menu gets none.
    decided = 0;
    if (resultName == "EXIT") {
      StartClosing();
    } else if (resultName == "DEFAULT") {
      ResetDefaults();
      RefreshTexts();
    } else {
      for (int i = 0; i < functionCount_; ++i) {
        if (resultName == functions_[i].id) {
          captureIndex = i;
          capture = MakeCapture();
          capture->title = "Check";
          capture->layer = layer + 1;
          break;
        }
      }
    }
  }
  ++frameCount;
  ++stateFrames;
}

void CKeySettingMenuBase::Draw() {
  CPauseMenu_Default::Draw();
  if (capture) capture->Draw();
}

// ---- Controller ----

CControllerSettingMenu::CControllerSettingMenu(int p, int menuX)
    : CKeySettingMenuBase(p, menuX, "CONTROLLER_SETTING_MENU") {
  char text[64];
  std::snprintf(text, sizeof text, "%dP CONTROLLER SETTING", p + 1);
  title = text;
  Build(kPadFunctions, static_cast<int>(std::size(kPadFunctions)));
}

void CControllerSettingMenu::RefreshTexts() {
  const PadAssignment& pad = GetKeyConfig().pads[static_cast<size_t>(std::clamp(player, 0, 3))];
  for (int i = 0; i < functionCount_; ++i)
    if (CGameMenu_Element* e = set_->FindElement(functions_[i].id))
      e->SetChoiceLabel(0, GetInputCodeName(pad.Val[static_cast<size_t>(functions_[i].index)], false));
}

CGameMenu_InfoGrp* CControllerSettingMenu::MakeCapture() {
  auto* box = new CGameMenu_InputPad(PadSlot());
  box->x = x - (English() ? 48 : 32);
  box->SetInfoText(GetGameText(67));
  return box;
}

void CControllerSettingMenu::Assign(int index, int code) { AssignPadButton(player, index, code); }

void CControllerSettingMenu::ResetDefaults() { ResetPadDefaults(player); }

// ---- Keyboard ----

CKeyboardSettingMenu::CKeyboardSettingMenu(int p, int menuX)
    : CKeySettingMenuBase(p, menuX, "KEYBOARD_SETTING_MENU") {
  char text[64];
  std::snprintf(text, sizeof text, "%dP KEYBOARD SETTING", p + 1);
  title = text;
  Build(kKeyFunctions, static_cast<int>(std::size(kKeyFunctions)));
}

void CKeyboardSettingMenu::RefreshTexts() {
  const auto& row = GetKeyConfig().keyboard[static_cast<size_t>(std::clamp(player, 0, 1))];
  for (int i = 0; i < functionCount_; ++i)
    if (CGameMenu_Element* e = set_->FindElement(functions_[i].id))
      e->SetChoiceLabel(0, GetAssignableKeyName(row[static_cast<size_t>(functions_[i].index)]));
}

CGameMenu_InfoGrp* CKeyboardSettingMenu::MakeCapture() {
  auto* box = new CGameMenu_InputKey(player, PadSlot());
  box->x = x - 32;
  box->SetInfoText(GetGameText(66));
  return box;
}

void CKeyboardSettingMenu::Assign(int index, int code) { AssignKey(player, index, code); }

void CKeyboardSettingMenu::ResetDefaults() { ResetKeyboardMap(player); }

// ---- Screen ----

void KeySettingScreen::Open(int m) {
  Close();
  mode = m;
  for (int p = 0; p < 2; ++p) {
    if (mode == kController)
      menus[p] = std::make_unique<CControllerSettingMenu>(p, p * 320);
    else
      menus[p] = std::make_unique<CKeyboardSettingMenu>(p, p * 320);
  }
  help = std::make_unique<CInformationWindow>();
  help->layer = 762;
  help->centreY = 410;
  help->bandHeight = 72;
  help->scaleX = 0.7f;
  help->scaleY = 0.9f;
  help->LoadTexts(English() ? ".\\Information\\eng\\KeySettingInfo.ini"
                            : ".\\Information\\jpn\\KeySettingInfo.ini");
  help->SetTitle("1P Information");
  std::string key, choiceKey;
  MakeMenuHelpKeys(menus[0].get(), &key, &choiceKey, "");
  help->SetKey(key);
  help->SetKey2(choiceKey);
  open = 1;
}

int KeySettingScreen::Update() {
  if (!open) return 0;
  int result = 0;
  for (int p = 0; p < 2; ++p) {
    int direction = 0, button = 0;
    if (g_AppJoystick) {
      const PadState& s = g_AppJoystick->menuBank[static_cast<size_t>(p)];
      if (s.menuDirection & PadState::kChanged) direction = s.menuDirection & 0x0F;
      if (s.button[1] & PadState::kPressed)
        button = 2;
      else if (s.button[0] & PadState::kPressed)
        button = 1;
    }
    result = menus[p]->Input(direction, button);
    if (result) {
      char title[32];
      std::snprintf(title, sizeof title, "%dP Information", p + 1);
      help->SetTitle(title);
      std::string key, choiceKey;
      MakeMenuHelpKeys(menus[p].get(), &key, &choiceKey, "");
      help->SetKey(key);
      help->SetKey2(choiceKey);
    }
  }
  help->Update();
  return result;
}

void KeySettingScreen::Draw() {
  if (!open) return;
  for (auto& m : menus) m->Draw();
  // The screen draws its help band itself: the title fades by its alpha, not its grey.
  const float a = help->fade;
  if (a <= 0.0f) return;
  const float e = CalcEase(1, a);
  const float h = static_cast<float>(help->bandHeight) * e;
  const int top = static_cast<int>(static_cast<float>(help->centreY) - h / 2.0f);
  const int priority = help->layer + 256;
  if (a >= 1.0f) {
    g_DrawFilterMode = 2;
    for (int i = 0; i < 2; ++i) {
      const auto& line = help->lines[i];
      if (!line.rendered || !line.texture) continue;
      DrawSprite(nullptr, line.texture, 48, top + (i ? 43 : 16), static_cast<int>(1024 * help->scaleX),
                 static_cast<int>(64 * help->scaleY), 0, 0, 1024, 64, 0xFFFFFFFF, 0, priority);
    }
    g_DrawFilterMode = 1;
  }
  vt::text::DrawOutlinedText(32, top - 10, help->title.c_str(), 255, static_cast<int>(255.0f * e), 10, 14, 0,
                             help->layer);
  const uint32_t grey = static_cast<uint32_t>(220.0f * e);
  const uint32_t lineColour = 0xFF000000u | grey * 0x010101u;
  const int height = static_cast<int>(h);
  DrawRect(nullptr, 0, top + 4, 640, 1, lineColour, lineColour, lineColour, lineColour, priority);
  DrawRect(nullptr, 0, top + height - 4, 640, 1, lineColour, lineColour, lineColour, lineColour, priority);
  DrawRect(nullptr, 0, top, 640, height, 0xB4000000, 0xB4000000, 0xB4000000, 0xB4000000, priority);
}

int KeySettingScreen::IsFinished() {
  if (!open) return 0;
  return menus[0]->openState == CPauseMenu_Default::kClosed &&
                 menus[1]->openState == CPauseMenu_Default::kClosed
             ? 1
             : 0;
}

void KeySettingScreen::RequestClose() {
  if (!open) return;
  for (int p = 0; p < 2; ++p) {
    CKeySettingMenuBase* other = menus[1 - p].get();
    if (menus[p]->IsClosing() && !other->IsClosing()) {
      delete other->capture;
      other->capture = nullptr;
      other->StartClosing();
    }
  }
}

void KeySettingScreen::Close() {
  menus[0].reset();
  menus[1].reset();
  help.reset();
  open = 0;
}

bool KeySettingScreen::SaveConfigFiles() {
  const bool keyboard = SaveKeyboardConfig();
  const bool pads = SaveKeyConfig();
  return keyboard && pads;
}
