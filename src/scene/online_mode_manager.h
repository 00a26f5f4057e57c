// The online-mode manager as the scenes call it: its active and message-block flags, the
// battle-running flag, the net-battle control's input-mode word, whether a network match is
// active and the shared match seed, its per-frame update and message window, and what the main
// menu and the character select ask of it (standby searches, lost connection, net mode, resume
// state, the match start and the name plates). The game runs the offline default until the
// online work installs the real manager; tests script a fake.
#pragma once

#include <cstdint>

class OnlineModeManager {
 public:
  virtual ~OnlineModeManager() = default;
  virtual bool IsActive() = 0;
  // Clears the active flag and the message-block flag (the way back to the main menu).
  virtual void Deactivate() = 0;
  virtual void ClearBattleRunning() = 0;
  // The net-battle control's input-mode word: non-zero while an online battle exchanges input.
  virtual int32_t InputMode() = 0;
  virtual void SetInputMode(int32_t mode) = 0;
  // Online mode active with no training standby search or room wait.
  virtual bool IsNetMatchActive() = 0;
  virtual int32_t MatchSeed() = 0;
  virtual void SetMatchSeed(int32_t seed) = 0;
  // 1 when the battle or the character select may advance this frame.
  virtual int CanAdvanceGame() = 0;
  // After every scene, every frame.
  virtual void Update() = 0;
  // Queues the message window.
  virtual void Draw() = 0;

  // The two standby searches that keep the online mode active outside a match: the rank-match
  // search and the room wait.
  virtual bool IsRankSearchStandby() { return false; }
  virtual bool IsRoomWaitStandby() { return false; }
  // Either standby runs.
  bool IsStandbyActive() { return IsRankSearchStandby() || IsRoomWaitStandby(); }
  // What the training menu asks of a running standby when the player leaves training: the
  // character select, or leaving the standby for the online menus.
  virtual void StandbyCharaSelectRequest() {}
  virtual void StandbyLeaveRequest() {}
  // True while the session's connection is lost (its message window says so; menus take no
  // input meanwhile).
  virtual bool IsConnectionLost() { return false; }
  // The net mode word: 13 rank match, other values player matches; 0 offline.
  virtual int32_t NetMode() { return 0; }
  // The state the network menu resumes at when a scene hands back to it.
  virtual int32_t ResumeState() { return 0; }
  virtual void SetResumeState(int32_t) {}
  // The character select's entry in an online match.
  virtual void BeginNetMatch() {}
  // The name plate of a side (empty offline).
  virtual const char* NamePlate(int) { return ""; }
};

// Offline: never active, nothing exchanged, nothing drawn.
class OfflineModeManager : public OnlineModeManager {
 public:
  bool IsActive() override { return false; }
  void Deactivate() override {}
  void ClearBattleRunning() override {}
  int32_t InputMode() override { return 0; }
  void SetInputMode(int32_t) override {}
  bool IsNetMatchActive() override { return false; }
  int32_t MatchSeed() override { return 0; }
  void SetMatchSeed(int32_t) override {}
  int CanAdvanceGame() override { return 1; }
  void Update() override {}
  void Draw() override {}
};

// A manager whose answers a test sets and whose calls it counts.
class ScriptedOnlineModeManager : public OnlineModeManager {
 public:
  bool active = false;
  bool messageBlock = false;
  bool battleRunning = false;
  int32_t inputMode = 0;
  bool netMatchActive = false;
  int32_t seed = 0;
  int canAdvance = 1;
  int updates = 0;
  int draws = 0;
  // Called from Update (a scripted scene change from outside the scene, for example).
  void (*onUpdate)() = nullptr;
  bool rankSearchStandby = false;
  bool roomWaitStandby = false;
  bool connectionLost = false;
  int32_t netMode = 0;
  int32_t resumeState = 0;
  int beginNetMatchCalls = 0;
  int charaSelectRequests = 0;
  int leaveRequests = 0;
  const char* namePlates[2] = {"", ""};

  bool IsActive() override { return active; }
  void Deactivate() override {
    active = false;
    messageBlock = false;
  }
  void ClearBattleRunning() override { battleRunning = false; }
  int32_t InputMode() override { return inputMode; }
  void SetInputMode(int32_t mode) override { inputMode = mode; }
  bool IsNetMatchActive() override { return netMatchActive; }
  int32_t MatchSeed() override { return seed; }
  void SetMatchSeed(int32_t s) override { seed = s; }
  int CanAdvanceGame() override { return canAdvance; }
  void Update() override {
    ++updates;
    if (onUpdate != nullptr) onUpdate();
  }
  void Draw() override { ++draws; }
  bool IsRankSearchStandby() override { return rankSearchStandby; }
  bool IsRoomWaitStandby() override { return roomWaitStandby; }
  bool IsConnectionLost() override { return connectionLost; }
  int32_t NetMode() override { return netMode; }
  int32_t ResumeState() override { return resumeState; }
  void SetResumeState(int32_t s) override { resumeState = s; }
  void BeginNetMatch() override { ++beginNetMatchCalls; }
  void StandbyCharaSelectRequest() override { ++charaSelectRequests; }
  void StandbyLeaveRequest() override { ++leaveRequests; }
  const char* NamePlate(int side) override { return side == 0 || side == 1 ? namePlates[side] : ""; }
};

OnlineModeManager& GetOnlineModeManager();
// Installs a manager (nullptr: the offline default). The caller keeps ownership.
void SetOnlineModeManager(OnlineModeManager* manager);
