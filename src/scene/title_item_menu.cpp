// The title item menu.
#include "scene/title_item_menu.h"

#include "app/input/app_joystick.h"
#include "app/input/input_manager.h"
#include "app/input/key_config.h"
#include "scene/credits.h"
#include "scene/game_modes.h"

namespace {

constexpr int kEscapeScanCode = 0x01;

bool EscapeDown() {
  if (!g_InputManager.IsInitialized()) return false;
  return (g_InputManager.GetKeyboardState()[kEscapeScanCode] & 0x80) != 0;
}

uint32_t MenuPressed(int player) {
  uint32_t pressed = 0;
  if (g_AppJoystick != nullptr)
    g_AppJoystick->menuBank[static_cast<size_t>(player)].GetButtonMasks(&pressed, nullptr);
  return pressed;
}

// The attract step reads the title's counter. The shared step counts a frame before it tests
// (it is g_AttractIdleFrames' own idle step); the title counts its frames itself, and only once
// its movie has ended, so the step is handed the count one short and gives back the count it
// leaves (0 after a credit input).
int AttractStep(int32_t& idleFrames) {
  g_AttractIdleFrames = idleFrames - 1;
  const int r = CheckAttractTimeout();
  idleFrames = g_AttractIdleFrames;
  return r;
}

}  // namespace

void TitleItemMenu::Reset() { item = 0; }

int TitleItemMenu::Decide(int player) {
  if (CanPlayerJoin(player) == 0) return kTitleActionNone;
  StartArcadeModeFromTitle(player);
  return kTitleActionArcade;
}

int TitleItemMenu::Update(int32_t& idleFrames) {
  if (EscapeDown() || IsPadButton9Pressed() != 0) return kTitleActionQuit;
  for (int player = 0; player < 2; ++player) {
    DrawPressAnyButton();
    if (MenuPressed(player) == 0) continue;
    idleFrames = 0;
    for (int32_t& w : g_CreditState.selectWords) w = 0;
    const int r = Decide(player);
    // A player who may not join still ends the wait; the other player is not looked at.
    return r != kTitleActionNone ? r : AttractStep(idleFrames);
  }
  return AttractStep(idleFrames);
}
