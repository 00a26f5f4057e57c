// The credit table (see credits.h).
#include "scene/credits.h"

#include <cstring>

#include "Dxtools/Text/system_font.h"
#include "app/input/app_joystick.h"
#include "app/input/input_hooks.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"

CreditState g_CreditState;
int (*g_CoinQuery)(int player) = nullptr;

namespace {

bool MenuButton2Pressed(int player) {
  return g_AppJoystick && g_AppJoystick->IsPlayerMenuButton2Pressed(player);
}

}  // namespace

void ResetCredits() {
  CreditState& c = g_CreditState;
  for (int i = 0; i < 2; ++i) {
    CreditPlayer& p = c.players[i];
    // The continue words and the open play time keep their values.
    p.credits = p.extraCredits = p.joined = p.joinMode = 0;
    c.previous[i] = p;
    c.creditInput[i] = 0;
    c.startInput[i] = 0;
  }
  c.blinkCounter = 0;
}

void SetCreditsStartupFlag() { g_CreditState.suppressCreditSoundOnce = 1; }

int UpdateCredits() {
  CreditState& c = g_CreditState;
  for (int i = 0; i < 2; ++i) c.counting[i] = c.creditInput[i] = c.startInput[i] = 0;
  for (int i = 0; i < 2; ++i) {
    CreditPlayer& p = c.players[i];
    if (g_CoinQuery && g_CoinQuery(i)) {
      if (p.credits < 99) ++p.credits;
      c.creditInput[i] = 1;
    }
    const CreditPlayer& before = c.previous[i];
    if (before.credits < p.credits || before.extraCredits < p.extraCredits) c.creditInput[i] = 1;
    if (before.credits != p.credits || before.extraCredits != p.extraCredits) c.blinkCounter = 0;
    c.previous[i] = p;
    // The continue countdown and the name entry's input step belong to the arcade route's part
    // of this update.
    if (MenuButton2Pressed(i) || c.creditInput[i]) c.startInput[i] = 1;
  }
  // The first update after start-up plays no credit sound; the sound itself (for a credit input)
  // goes with the arcade route's part of this update. Both count the blink.
  c.suppressCreditSoundOnce = 0;
  ++c.blinkCounter;
  return 1;
}

int IsAnyStartOrButtonInput() {
  const CreditState& c = g_CreditState;
  for (int i = 0; i < 2; ++i)
    if (c.creditInput[i] || c.startInput[i]) return 1;
  if (g_AppJoystick &&
      (g_AppJoystick->IsPlayerAnyMenuButtonPressed(0) || g_AppJoystick->IsPlayerAnyMenuButtonPressed(1)))
    return 1;
  return 0;
}

int CanPlayerJoin(int side) {
  // Every writer stores one join mode in both rows; player 0's row is the one read.
  const int32_t mode = g_CreditState.players[0].joinMode;
  if (side < 0 || side > 1) return 0;
  if (mode == 1 || g_CreditState.players[side].joined == 1) return 0;
  if (mode == 2 && side != g_MainSide) return 0;
  return 1;
}

int DrawPressAnyButton() {
  static constexpr char kText[] = "PRESS 1P or 2P ANY BUTTON";
  if ((g_CreditState.blinkCounter / 60) % 2 == 0) {
    const int length = static_cast<int>(std::strlen(kText));
    vt::text::DrawSysFontText(320 - (length * 11) / 2, 320, kText, 255, 255, 100, 1, 14, 24, 11, 1);
  }
  g_CreditState.hideCreditTextsOnce = 1;
  return 0;
}

void SetCreditLocks(int on) {
  for (CreditPlayer& p : g_CreditState.players) p.joinMode = on ? 1 : 0;
}

void InstallCredits() {
  g_BattleSeams.SetCreditLocks = SetCreditLocks;
  InputGameHooks& h = GetInputGameHooks();
  h.clearJoined = [](int player) {
    if (player >= 0 && player < 2) g_CreditState.players[player].joined = 0;
  };
}
