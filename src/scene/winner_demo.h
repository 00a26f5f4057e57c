// The winner demo (scene 5): after a decided match it shows the winner screen with the quote and
// its voice, settles the match's bookkeeping, then by mode opens the VS result menu, advances
// the arcade route, offers a continue or ends the game, and leaves for the next scene.
#pragma once

#include <cstdint>
#include <memory>

#include "scene/scene_frame.h"

enum WinnerDemoKind : int { kWinnerWithQuote = 0, kWinnerRouteComplete = 2, kWinnerVersusDraw = 3 };

enum WinnerDemoStep : int {
  kStepShowWinner = 0,
  kStepResultMenu = 10,
  kStepContinue = 14,
  kStepGameOverWait = 15,
  kStepGameOver = 16,
  kStepLeave = 255,
  kStepLightFade = 1024,
  kStepDarkFade = 1025,
  kStepChallenger = 10001,
};

struct WinnerScreenRecord {
  int32_t player = 0, partner = 0;
  int32_t pictureWinner = 0, pictureOther = 0;
  int32_t flag = 0;
  int32_t kindCode = 0;  // 0/1 winner side, 2/3 network by side, 4 a CPU or other side won
  uint64_t score = 0;
  int32_t counters[2] = {};
  int32_t stageIndex = 0, stageCount = 0;
};

struct PlayCountIncrements {
  int32_t sideFlag[2] = {};
  int32_t count1 = 0;
  int32_t modeFlag = 0;
  int32_t count2 = 0;
  int32_t modeWord = 0;
};
extern PlayCountIncrements g_PlayCountIncrements;

// What the arcade route and story layers answer; null entries do nothing (continue screen,
// credits, the new challenger screen, the ending story and the name entry are built there).
struct WinnerDemoArcadeCalls {
  void (*resetContinueScreen)() = nullptr;
  void (*setContinueState)(int state) = nullptr;
  int (*continueState)() = nullptr;                       // 2, 3 game over
  int (*updateContinueScreen)(uint32_t input) = nullptr;  // 1 a continue was taken
  void (*drawContinueScreen)() = nullptr;
  int (*continueCount)() = nullptr;
  float (*continueStateSeconds)() = nullptr;
  int (*acceptContinue)() = nullptr;  // the side whose continue was accepted
  void (*expireAllCredits)() = nullptr;
  void (*expireMainSideIfRanked)() = nullptr;
  void (*startChallengerScreen)() = nullptr;
  void (*updateChallengerScreen)() = nullptr;
  void (*drawChallengerScreen)() = nullptr;
  float (*challengerSeconds)() = nullptr;
  void (*startEndingStory)() = nullptr;
  int (*nameEntryOpen)() = nullptr;
};
extern WinnerDemoArcadeCalls g_WinnerDemoArcadeCalls;

class NetVSMessageWindows;
class CKillGameSessionClose;

class CSceneWinnerDemo : public CSceneProcessBase {
 public:
  CSceneWinnerDemo();
  ~CSceneWinnerDemo() override;
  int Process(int keepRunning) override;
  void Update() override;
  void Init();

  WinnerScreenRecord record;
  int32_t kind = 0;
  int32_t frames = 0;
  int32_t winnerCharacter = 0;
  int32_t afterTextFrames = 0;
  int32_t step = 0;
  int32_t voiceState = 0;
  int32_t quoteIndex = 0;
  int32_t gameOver = 0;
  int32_t closeState = 0;
  int32_t extraRouteMarker = 0;
  int32_t challengerMatchDone = 0;
  int32_t fadeColour = 0;
  int32_t fadeAlpha = 0;
  int32_t inputGate = 1;
  int32_t continued = 0;
  int32_t choiceOverride = -1;

  // The net match's message windows and close handler (offline ones unless a test sets its own;
  // nullptr puts the own one back). The caller keeps ownership.
  void SetMessageWindows(NetVSMessageWindows* windows);
  void SetSessionClose(CKillGameSessionClose* close);
  NetVSMessageWindows& Windows() { return *windows_; }
  CKillGameSessionClose& SessionClose() { return *close_; }
  // Frees the net message texts when this demo loaded them.
  void FreeNetTexts();

 private:
  // The online after-match sequence: stepped every frame of an online match; 1 while the frame
  // must end here (results not stored yet, or the sequence handed back to the network menu).
  int StepNetMatchResult();
  void ReturnFromNetMatch();
  std::unique_ptr<NetVSMessageWindows> ownWindows_;
  std::unique_ptr<CKillGameSessionClose> ownClose_;
  NetVSMessageWindows* windows_ = nullptr;
  CKillGameSessionClose* close_ = nullptr;
  bool netTextsLoaded_ = false;

  void ChooseKind();
  void SettleMatchResult();
  void SettleVersusResult();
  void SettleArcadeResult();
  void KeepChallengeWinner();
  // The step machine; 1 when a play ended this frame.
  int RunStep(int direction, uint32_t pressed, int gate);
  void FinishWinnerScreen();
  void ContinueArcadeAfterWin();
  void AdvanceArcadeRoute();
  void LeaveVersus();
  void LeaveArcade();
  int CheckChallenger();
};
CSceneWinnerDemo& GetWinnerDemo();

void SetPlayCountIncrements(int side, int reason);
void UpdatePlayStatistics();
// The scene's leave hook: sounds, the winner screen and the menu released; the match's
// characters, sounds, HUD and stage unless the next scene is the battle or the demo again.
void LeaveWinnerDemo();
void InstallWinnerDemo();
