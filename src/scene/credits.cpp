// The credit table (see credits.h).
#include "scene/credits.h"

#include <cstdio>
#include <cstring>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/system_font.h"
#include "Sound/soundproc.h"
#include "app/app_state.h"
#include "app/input/app_joystick.h"
#include "app/input/input_hooks.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/game_mode.h"
#include "battle/story_routes.h"
#include "scene/name_entry.h"
#include "scene/scene_frame.h"

CreditState g_CreditState;
int (*g_CoinQuery)(int player) = nullptr;

namespace {

bool MenuButton2Pressed(int player) {
  return g_AppJoystick && g_AppJoystick->IsPlayerMenuButton2Pressed(player);
}

bool MenuButton0Pressed(int player) { return g_AppJoystick && g_AppJoystick->IsPlayerMenuButton0(player, 2); }

constexpr int kCreditSound = 140;
constexpr int32_t kFreshCountdown = 599;

// The countdown of joinMode 0 or 2. True when the play time is to be accounted (the count ran
// out without opening a name entry while the player's play time was open); sets `running` when
// the player's name entry is open and no count runs.
bool StepCountdown(int i, int& running) {
  CreditState& c = g_CreditState;
  CreditPlayer& p = c.players[i];
  if (p.continueState != 0 && p.continueTimer != 0) {
    c.counting[i] = 1;
    const int32_t t = p.continueTimer - 1;
    if (t > 0) {
      p.continueTimer = t;
      if (c.creditInput[i]) p.continueTimer = kFreshCountdown;
      if (p.continueState == 1 && MenuButton0Pressed(i)) {
        // Button 0 drops the shown number by one at once, but not while it shows 7, 8 or 9.
        const int32_t n = t / 60;
        p.continueTimer = n > 6 ? t : n >= 1 ? n * 60 - 1 : 1;
      }
      return false;
    }
    bool account = false;
    if (!TryStartNameEntry(i) && p.playTimeOpen == 1) account = true;
    p.continueState = 0;
    p.continueTimer = 0;
    ResetSideProgress(i);
    c.counting[i] = 0;
    return account;
  }
  if (!IsNameEntryFinished(i)) running = 1;
  c.counting[i] = 0;
  return false;
}

void AccountPlayTime(int i) {
  AccumulatePlayTime();
  g_PlayTimers[kModeTimer0 + i].Reset();
  SavePlayData();
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
    bool account = false;
    int running = 0;
    switch (c.players[0].joinMode) {
      case 0:
      case 2:
        account = StepCountdown(i, running);
        break;
      case 1:
        if (p.continueState != 0 && p.continueTimer != 0 && c.creditInput[i])
          p.continueTimer = kFreshCountdown;
        break;
      default:
        break;
    }
    if (MenuButton2Pressed(i) || c.creditInput[i]) c.startInput[i] = 1;
    const bool finished = g_AppJoystick && g_AppJoystick->UpdateNameEntryInput(i, running) != 0;
    if ((finished && p.playTimeOpen == 1) || account) AccountPlayTime(i);
  }
  // The first update after start-up plays no credit sound.
  if (c.suppressCreditSoundOnce) {
    c.suppressCreditSoundOnce = 0;
    ++c.blinkCounter;
    return 1;
  }
  if (c.creditInput[0] || c.creditInput[1]) {
    const int32_t step = g_GameData ? g_GameData->SeVolume : 0;
    if (g_SeSlots[kCreditSound]) g_SeSlots[kCreditSound]->SetVolume(VolumeFromStep(step));
    g_SeRequest[kCreditSound] = 1;
  }
  ++c.blinkCounter;
  return 1;
}

int GetContinueFrames(int player) {
  if (player < 0 || player > 1) return 0;
  const CreditPlayer& p = g_CreditState.players[player];
  return p.continueState != 0 ? p.continueTimer : 0;
}

void FormatContinueText(char* buffer, size_t size, int player, int frames) {
  (void)player;
  const int phase = (g_CreditState.blinkCounter / 60) % 4;
  if (phase == 1 || phase == 3)
    std::snprintf(buffer, size, "PRESS START BUTTON");
  else
    std::snprintf(buffer, size, "CONTINUE? %0d", frames / 60);
}

std::string CreditLine(int player) {
  const CreditState& c = g_CreditState;
  if (c.players[player].joined != 0) return {};
  char line[64] = "";
  const int frames = GetContinueFrames(player);
  switch (c.players[0].joinMode) {
    case 0:
      if (!IsNameEntryFinished(player)) return {};
      if (frames < 2) return "PRESS START BUTTON";
      FormatContinueText(line, sizeof line, player, frames);
      return line;
    case 2:
      if (!IsNameEntryFinished(player)) return {};
      if (frames > 1 && player == g_MainSide) {
        FormatContinueText(line, sizeof line, player, frames);
        return line;
      }
      return "PLEASE WAIT";
    case 1:
      return "PLEASE WAIT";
    case 3:
      return {};
    default:
      return "UNKNOWN STATUS";
  }
}

int DrawCreditTexts() {
  CreditState& c = g_CreditState;
  if (g_TestMode) return 0;
  if (c.hideCreditTextsOnce) {
    c.hideCreditTextsOnce = 0;
    return 0;
  }
  if (g_SceneId == SCENE_TITLE) return 0;
  const uint8_t filter = g_DrawFilterMode;
  g_DrawFilterMode = 2;
  for (int i = 0; i < 2; ++i) {
    if (c.players[i].joined != 0) continue;
    const int mode = c.players[0].joinMode;
    // While the name entry is open its panel takes the place of the line.
    if ((mode == 0 || mode == 2) && !IsNameEntryFinished(i)) {
      DrawNameEntry(i);
      continue;
    }
    const std::string line = CreditLine(i);
    if (line.empty()) continue;
    const int centre = i == 0 ? 160 : 472;
    const int length = static_cast<int>(line.size());
    vt::text::DrawSysFontText(centre - (length * 11) / 2, -2, line.c_str(), 255, 255, 999, 1, 14, 24, 11, 1);
  }
  g_DrawFilterMode = filter;
  return 1;
}

void AcceptContinue() {
  CreditState& c = g_CreditState;
  const int side = g_MainSide;
  if (side > 1) return;
  CreditPlayer& p = c.players[side];
  p.joined = 1;
  for (CreditPlayer& row : c.players) row.joinMode = 0;
  p.continueState = p.continueTimer = p.playTimeOpen = 0;
}

void ExpireSideCredit(int side) {
  for (int i = 0; i < 2; ++i) {
    if (side != -1 && side != i) continue;
    CreditPlayer& p = g_CreditState.players[i];
    // The count ends on the next update.
    p.joined = 0;
    p.continueState = 1;
    p.continueTimer = 1;
    p.playTimeOpen = 0;
  }
}

static void SetJoinModeBoth(int32_t mode) {
  for (CreditPlayer& p : g_CreditState.players) p.joinMode = mode;
}

void ExpireAllCredits() {
  ExpireSideCredit(-1);
  SetJoinModeBoth(2);
}

void ExpireMainSideIfRanked() {
  if (g_GameModeFlags == MODE_TEAM_BATTLE) return;
  if (!CheckRankingPlace(g_MainSide, nullptr, nullptr) || RouteCharacter(g_MainSide) < 0) return;
  ExpireSideCredit(g_MainSide);
  SetJoinModeBoth(2);
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

void SetCreditLocks(int on) { SetJoinModeBoth(on ? 1 : 0); }

void InstallCredits() {
  g_BattleSeams.SetCreditLocks = SetCreditLocks;
  InputGameHooks& h = GetInputGameHooks();
  h.clearJoined = [](int player) {
    if (player >= 0 && player < 2) g_CreditState.players[player].joined = 0;
  };
}
