// The character select scene (scene 20): each side's player moves over the roster grid, confirms
// a character, turns the style disk and picks a colour; one player may choose the CPU side too;
// in the versus modes the stage select follows. Online each choice travels to the peer and the
// scene follows the net-battle control's copy of both sides. When every side is done the select
// is finished and hands over to the VS screen, the story or the next-stage map.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "scene/chara_roster.h"
#include "scene/online_standins.h"
#include "scene/scene_frame.h"

class CGameMenu_YESNO;

// One player's menu input for the frame.
struct CharaSelectInput {
  int32_t lock = -1;      // frames the player's input is kept out; -1 no lock
  uint8_t direction = 0;  // numeric keypad, a new direction this frame; 0 none
  uint32_t pressed = 0;   // bit 0 decide, bit 1 cancel
  uint32_t held = 0;
};

// Scene states.
enum CharaSelectState : int32_t {
  kSelectSides = 0,
  kSelectStage = 1,
  kSelectBattleTable = 2,
  kSelectLeaveBox = 3,
  kSelectStageAgreement = 4,
  kSelectDirectReady = 5,
  kSelectExitFade = 6,
  kSelectDirectBarrier4 = 7,
  kSelectDirectBarrier1 = 8,
  kSelectNextScene = 9,
};

// Results of the side pass.
inline constexpr int kSidesContinue = 1;
inline constexpr int kSidesDoneStage = 255;
inline constexpr int kSidesDoneNoStage = 254;
inline constexpr int kSidesLeave = -1;
inline constexpr int kSidesSessionLost = -2;
inline constexpr int kSidesNoticeOver = 200;

// Leave reasons handed to the network menu.
inline constexpr int kSelectSessionLostReason = 0x1018001;
inline constexpr int kSelectBarrierFailedReason = 0x1018002;

// The direct-netplay steps the select calls. Direct netplay opens no connection in this build, so
// the defaults report every step done; they are kept so the select's order of calls stays whole.
struct SelectDirectNetHooks {
  std::function<bool()> readyTokensArrived;      // both sides' ready tokens
  std::function<bool(int step)> sendBarrier;     // input terminator and barrier step; false: failed
  std::function<bool(int step)> barrierReached;  // both sides reached the step
  std::function<void()> startMatchingClient;
  std::function<void()> endDirectMatch;  // connection closed and reset, matching restarted
  std::function<void()> createDelayOverlay;
  std::function<void()> drawDelayOverlay;
};
SelectDirectNetHooks& GetSelectDirectNetHooks();
void ResetSelectDirectNetHooks();

class CSceneCharaSelect : public CSceneProcessBase {
 public:
  CSceneCharaSelect();
  ~CSceneCharaSelect() override;
  int Process(int keepRunning) override;
  void Update() override;

  // A fresh entry.
  void Enter();
  // Everything the scene loaded, in the order the scene leaves; safe to call twice.
  void Release();

  // The side pass of state 0 and its parts.
  int UpdateSelectSides();
  int CheckSidesDone(bool leaveRequested);

  // The message windows and the close handler the scene talks to (tests install fakes; null
  // restores the scene's own offline ones). The caller keeps ownership.
  void SetMessageWindows(NetVSMessageWindows* windows);
  void SetSessionClose(CKillGameSessionClose* close);
  NetVSMessageWindows& Windows() { return *windows_; }
  CKillGameSessionClose& SessionClose() { return *close_; }
  CGameMenu_YESNO* LeaveBox() { return box_; }

  // The colour list of a side: the preview slot's while the previews run (the screen draws that
  // one), else a list of the scene's own.
  ColourList& SideColourList(int side);

  CharaSelectInput inputs[2];
  int32_t frameCounter = 0;
  int32_t battleTableResult = 0;
  int32_t state = kSelectSides;
  int32_t leavingPlayer = 0;
  int32_t timeLimitDecision = 0;
  int32_t directLink = 0;
  int32_t delayOverlay = 0;
  StyleDisk disks[2];
  // The stage the 2P battler and spectators last took from the net-battle control.
  int32_t netStageSeen = 0;
  bool stageDecidedSent = false;

 private:
  bool OnlineMatch() const;
  int LocalSide() const;
  void ReadInputs();
  void RunState();
  int RunStageSelect();
  void RunLeaveBox();
  int UpdateCharacterPhase(int side, int player);
  void ConfirmCharacter(int side, int player);
  int UpdateStylePhase(int side, int player);
  int UpdateColourPhase(int side, int player);
  void FinishSidePhase(int side, int player);
  void UndoSideDone(int side, int player);
  void HandBackSide(int side, int player);
  void DecisionLock(int player);
  void ResetTimeLimit();

  CGameMenu_YESNO* box_ = nullptr;
  std::unique_ptr<NetVSMessageWindows> ownWindows_;
  std::unique_ptr<CKillGameSessionClose> ownClose_;
  NetVSMessageWindows* windows_ = nullptr;
  CKillGameSessionClose* close_ = nullptr;
  ColourList ownLists_[2];
  bool killInfoLoaded_ = false;
  bool loaded_ = false;
  // The side whose prompt was answered in the message windows, for the match notice.
  int promptSide_ = 0;
};

CSceneCharaSelect& GetCharaSelectScene();

// One flag per side: the colour-decided sound has played in this online match.
extern int32_t g_SelectColourSoundPlayed[2];

// Scene 20's entry and leave hook.
int CharaSelectScene(int keepRunning);
void LeaveCharaSelect();
void InstallCharaSelect();
