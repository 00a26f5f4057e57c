// What the character select and the main menu ask of the online layer, each with the offline
// answer the game runs until the online work installs its own, and a scripted fake for tests:
// the net-battle control's select view (both sides' select records, the stage word, the
// settings-fixed byte, the stage synchronisation step, the select messages and the match-side
// records), the net-match message windows and the game-session close handler.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

// One side's choices as the net-battle control layer keeps them from the peers' messages.
struct NetSelectRecord {
  int32_t cell = -1;  // roster cell under the side's cursor
  uint8_t characterDecided = 0;
  int32_t character = -1;
  uint8_t type = 0;
  uint8_t typeDecided = 0;
  uint8_t colour = 0;
  uint8_t randomColour = 0;
  uint8_t colourDecided = 0;
};

// Select message types.
enum NetSelectMessage : int {
  kNetMsgCursor = 20,
  kNetMsgCharacter = 22,
  kNetMsgType = 30,
  kNetMsgTypeDecided = 31,
  kNetMsgColourCursor = 33,
  kNetMsgColourDecided = 34,
  kNetMsgStageCursor = 36,
  kNetMsgStageDecided = 37,
};

class NetCtrl {
 public:
  virtual ~NetCtrl() = default;
  // The local battle role, from the input exchange's link (one source for the battle and the
  // select): -1 no session, 1 first battler, 2 second battler, 3 spectator.
  int GetBattleRole() const;
  virtual const NetSelectRecord& SelectRecord(int side) = 0;
  virtual int32_t StageWord() = 0;
  virtual uint8_t SettingsFixed() = 0;
  // 1 once both peers reached the step.
  virtual int SyncStageStep(int step) = 0;
  // A select message with its payload words (message types above).
  virtual void Send(int type, std::vector<int32_t> payload) = 0;
  // The match-side records of the finished select: both reset (character -1, the four words
  // after it 0), then each side's character.
  virtual void ResetMatchSides() = 0;
  virtual void SetMatchSideCharacter(int side, int32_t character) = 0;
  // In a rank match: the rank records of both sides from the room members.
  virtual void FillRankRecordsFromRoom() = 0;
};

// Offline: no session; empty records, stage 0, nothing fixed, nothing sent.
class OfflineNetCtrl : public NetCtrl {
 public:
  const NetSelectRecord& SelectRecord(int) override { return empty_; }
  int32_t StageWord() override { return 0; }
  uint8_t SettingsFixed() override { return 0; }
  int SyncStageStep(int) override { return 1; }
  void Send(int, std::vector<int32_t>) override {}
  void ResetMatchSides() override {}
  void SetMatchSideCharacter(int, int32_t) override {}
  void FillRankRecordsFromRoom() override {}

 private:
  NetSelectRecord empty_;
};

struct NetMatchSide {
  int32_t character = -1;
  int32_t notWon = 0;
  int32_t tallies[3] = {};
};

// A view whose records a test sets and which logs every message sent.
class ScriptedNetCtrl : public NetCtrl {
 public:
  struct Message {
    int type = 0;
    std::vector<int32_t> payload;
    bool operator==(const Message&) const = default;
  };
  NetSelectRecord records[2];
  int32_t stage = 0;
  uint8_t settingsFixed = 0;
  int syncAnswer = 1;
  std::vector<int> syncSteps;
  std::vector<Message> sent;
  NetMatchSide sides[2];
  int rankFills = 0;

  const NetSelectRecord& SelectRecord(int side) override { return records[side == 1 ? 1 : 0]; }
  int32_t StageWord() override { return stage; }
  uint8_t SettingsFixed() override { return settingsFixed; }
  int SyncStageStep(int step) override {
    syncSteps.push_back(step);
    return syncAnswer;
  }
  void Send(int type, std::vector<int32_t> payload) override { sent.push_back({type, std::move(payload)}); }
  void ResetMatchSides() override { sides[0] = sides[1] = NetMatchSide{}; }
  void SetMatchSideCharacter(int side, int32_t character) override {
    if (side == 0 || side == 1) sides[side].character = character;
  }
  void FillRankRecordsFromRoom() override { ++rankFills; }
};

NetCtrl& GetNetCtrl();
// nullptr: the offline default. The caller keeps ownership.
void SetNetCtrl(NetCtrl* ctrl);

// The net-match prompts and notices of the select. Update's result: 0 nothing running, 1 a
// notice or fade runs, 2 a leave prompt was answered yes (close the session), 3 and 4 a notice
// ran out, 5 the close is under way, 6 the close may finish.
class NetVSMessageWindows {
 public:
  virtual ~NetVSMessageWindows() = default;
  virtual void Reset() {}
  virtual bool IsActive() { return false; }
  virtual int Update() { return 0; }
  // A player's leave prompt: kind 0 direct session, 1 network match, 2 direct link.
  virtual void OpenPrompt(int, int) {}
  virtual bool IsPromptOpen(int) { return false; }
  virtual void ClosePrompt(int) {}
  virtual void ShowConnectionWait() {}
  virtual void CloseConnectionWait() {}
  virtual void ShowMatchNotice(int, int) {}
  // The kill-info word list (`NetVSKillInfoWord.ini`) of a network match.
  virtual void LoadKillInfo() {}
  virtual void FreeKillInfo() {}
  virtual void Draw() {}
};

// Scripted results, taken one per Update (0 once the list is used up), and a log of the calls.
class ScriptedMessageWindows : public NetVSMessageWindows {
 public:
  std::deque<int> results;
  bool active = false;
  bool promptOpen[2] = {};
  std::vector<int> prompts;  // player * 10 + kind
  int connectionWaits = 0;
  std::vector<int> notices;  // reason * 10 + outcome
  int killInfoLoads = 0;

  void Reset() override { promptOpen[0] = promptOpen[1] = false; }
  bool IsActive() override { return active; }
  int Update() override {
    if (results.empty()) return 0;
    const int r = results.front();
    results.pop_front();
    return r;
  }
  void OpenPrompt(int player, int kind) override {
    prompts.push_back(player * 10 + kind);
    if (player == 0 || player == 1) promptOpen[player] = true;
  }
  bool IsPromptOpen(int side) override { return (side == 0 || side == 1) && promptOpen[side]; }
  void ClosePrompt(int side) override {
    if (side == 0 || side == 1) promptOpen[side] = false;
  }
  void ShowConnectionWait() override { ++connectionWaits; }
  void CloseConnectionWait() override { --connectionWaits; }
  void ShowMatchNotice(int reason, int outcome) override { notices.push_back(reason * 10 + outcome); }
  void LoadKillInfo() override { ++killInfoLoads; }
  int killInfoFrees = 0;
  void FreeKillInfo() override { ++killInfoFrees; }
};

// Closes the game session when a player leaves an online match: a request, steps while the
// close runs, a poll, and the closed notification. States: 0 idle, 1 closing, 2 closed.
class CKillGameSessionClose {
 public:
  virtual ~CKillGameSessionClose() = default;
  virtual void Reset() { state = 0; }
  // True when the close started (offline there is no session to close).
  virtual bool RequestClose() { return false; }
  virtual void Step() {}
  // 1 when the close has finished.
  virtual int PollClose() { return 0; }
  virtual void OnClosed() {}
  bool IsClosing() const { return state == 1; }
  void MarkClosed() { state = 2; }
  int32_t state = 0;
};

// The winner demo's close handler: the same close, given at most 10,000 ms to finish.
class CKillGameSessionCloseEx : public CKillGameSessionClose {
 public:
  static constexpr int32_t kCloseLimitMs = 10000;
};

class ScriptedSessionClose : public CKillGameSessionClose {
 public:
  bool startAnswer = true;
  int pollAnswer = 1;
  int requests = 0, steps = 0, closedCalls = 0;
  bool RequestClose() override {
    ++requests;
    if (startAnswer) state = 1;
    return startAnswer;
  }
  void Step() override { ++steps; }
  int PollClose() override { return pollAnswer; }
  void OnClosed() override { ++closedCalls; }
};

// ---- After the match ----

struct TextureHandle;

// One side's row of an online match's result: its character, the rank-point change and the rank
// points after the match.
struct NetMatchResultRow {
  uint32_t character = 0;
  int32_t pointChange = 0;
  uint32_t points = 0;
};
struct NetMatchResultRows {
  NetMatchResultRow rows[2];
};

// The online mode's after-match sequence, stepped by the winner demo while an online match runs:
// it stores the match's results (the rows above), then finishes at sub-state 7 with a result
// naming where the network menu resumes (1 rank top, 2 player top, 3 player room).
class CSteamNetSeqMatchResult {
 public:
  static constexpr int kSubStateDone = 7;
  virtual ~CSteamNetSeqMatchResult() = default;
  virtual void Reset() {}
  virtual void Update() {}
  // 1 once the match's results are stored; until then the winner demo does nothing else.
  virtual int ResultsStored() { return 1; }
  virtual int SubState() { return 0; }
  virtual int Result() { return 0; }
  virtual const NetMatchResultRows& ResultRows() { return rows_; }
  // The player-name picture of a side for the rank plates (none offline).
  virtual TextureHandle* NameTexture(int) { return nullptr; }

 protected:
  NetMatchResultRows rows_;
};

// A sequence a test drives: each Update takes the next scripted sub-state (the last one stays),
// results are stored from the sub-state `storedFrom` on.
class ScriptedMatchResultSeq : public CSteamNetSeqMatchResult {
 public:
  std::deque<int> subStates;
  int subState = 0;
  int storedFrom = 1;
  int result = 0;
  int resets = 0, updates = 0;
  NetMatchResultRows rows;
  TextureHandle* names[2] = {};

  void Reset() override {
    ++resets;
    subState = 0;
  }
  void Update() override {
    ++updates;
    if (!subStates.empty()) {
      subState = subStates.front();
      subStates.pop_front();
    }
  }
  int ResultsStored() override { return subState >= storedFrom ? 1 : 0; }
  int SubState() override { return subState; }
  int Result() override { return result; }
  const NetMatchResultRows& ResultRows() override { return rows; }
  TextureHandle* NameTexture(int side) override { return side == 0 || side == 1 ? names[side] : nullptr; }
};

CSteamNetSeqMatchResult& GetNetMatchResultSeq();
// nullptr: the offline default. The caller keeps ownership.
void SetNetMatchResultSeq(CSteamNetSeqMatchResult* seq);
