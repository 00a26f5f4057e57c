// The credit table: per player whether the player takes part, who may join, the continue
// countdown words; its reset, the per-frame update's credit and start inputs, the join test and
// the title's "press any button" line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct CreditPlayer {
  int32_t credits = 0;       // 0..99
  int32_t extraCredits = 0;  // a second counter; a rise of either is a credit input
  int32_t joined = 0;        // 1 while the player takes part in the running game
  int32_t joinMode = 0;      // 0 open, 1 locked, 2 only the main side, 3 no credit lines
  int32_t continueState = 0;
  int32_t continueTimer = 0;
  int32_t playTimeOpen = 0;
};

// The only virtual operation is the destructor; start-up stores the static object's address.
struct CCreditManageBase {
  virtual ~CCreditManageBase() = default;
};

struct CreditState {
  int32_t selectWords[4] = {};  // character select's two per-player words and two more
  CreditPlayer players[2];
  int32_t counting[2] = {};
  int32_t creditInput[2] = {};
  int32_t suppressCreditSoundOnce = 0;
  int32_t hideCreditTextsOnce = 0;
  CreditPlayer previous[2];
  int32_t startInput[2] = {};
  int32_t blinkCounter = 0;
  CCreditManageBase* manager = nullptr;
};
extern CreditState g_CreditState;

// The input manager's coin query: 1 when a coin came in for the player's port this frame. The
// platform input manager has no coin input, so the default (null) reports none.
extern int (*g_CoinQuery)(int player);

void ResetCredits();
// Start-up: the first update after it plays no credit sound.
void SetCreditsStartupFlag();
int UpdateCredits();
int IsAnyStartOrButtonInput();
// The frames left on the player's countdown, 0 when none runs.
int GetContinueFrames(int player);
// "CONTINUE? n" (whole seconds), alternating each second with "PRESS START BUTTON".
void FormatContinueText(char* buffer, size_t size, int player, int frames);
// The player's credit line by join mode; empty when no line is drawn (joined, no lines, or the
// name entry's panel in its place).
std::string CreditLine(int player);
// The credit lines (or name entry panels) at the top of the screen; 0 when it drew nothing.
int DrawCreditTexts();
// The main side continues: joined, joining open, its countdown closed.
void AcceptContinue();
// Side 0, 1 or -1 for both: the countdown ends on the next update.
void ExpireSideCredit(int side);
void ExpireAllCredits();
void ExpireMainSideIfRanked();
int CanPlayerJoin(int side);
int DrawPressAnyButton();
// The round flow's credit locks: joining locked (1) or free (0), in both rows.
void SetCreditLocks(int on);

void InstallCredits();
