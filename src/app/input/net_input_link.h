// The net-battle layer as the input exchange of a network battle sees it: the remote-input
// check with its stall and hold flags, the local battle role, sending the local input,
// fetching each side's exchanged input for the current frame, relaying, and the frame counter.
// The online layer installs its implementation; the loopback one below stands in for it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "app/input/pad_state.h"

class NetInputLink {
 public:
  virtual ~NetInputLink() = default;
  // Once per frame before input is read: sets the stall flag (and the hold flag) when the
  // remote input of the current frame is missing.
  virtual void CheckRemoteInput() = 0;
  virtual bool IsStalled() const = 0;
  virtual bool IsHeld() const = 0;
  // -1 no session, 1 first battler (side 0), 2 second battler (side 1), 3 spectator.
  virtual int GetBattleRole() const = 0;
  // Stores the local side's input (extra = the four direction/spare bytes, little endian);
  // 0 when nothing was stored.
  virtual int SendLocalInput(int side, uint32_t buttons, uint32_t extra) = 0;
  // The exchanged input of player 0 or 1 for the current frame, synchronisation mark stripped.
  virtual NetPadInput GetFrameInput(int player) = 0;
  virtual void SendInputUpdates(int force) = 0;
  virtual void AdvanceFrame() = 0;
};

// The installed link (the loopback one when none was installed).
NetInputLink& GetNetInputLink();
void SetNetInputLink(NetInputLink* link);

// An in-process exchange: the local battler's input is stored with one frame of lead, the
// other side's input is pushed by hand (a test, a local second player). Frame 0 is known to
// be empty for both sides, as at the start of every exchange.
class LoopbackNetInputLink : public NetInputLink {
 public:
  static constexpr uint32_t kHistoryFrames = 360000;
  static constexpr uint32_t kSyncMark = 0x8000;

  LoopbackNetInputLink() { Reset(-1); }
  // Starts an exchange with the given local role.
  void Reset(int role);
  // Input of the side that is not local, appended as its next frame.
  void PushRemoteInput(const NetPadInput& input);
  // Side 0 marks its input frames while this is set (the lead agreement).
  void SetSyncMark(bool on) { syncMark_ = on; }

  uint32_t frame() const { return frame_; }
  uint32_t received(int side) const { return static_cast<uint32_t>(history_[side].size()); }
  const std::vector<NetPadInput>& history(int side) const { return history_[side]; }

  void CheckRemoteInput() override;
  bool IsStalled() const override { return stalled_; }
  bool IsHeld() const override { return held_; }
  int GetBattleRole() const override { return role_; }
  int SendLocalInput(int side, uint32_t buttons, uint32_t extra) override;
  NetPadInput GetFrameInput(int player) override;
  void SendInputUpdates(int) override { ++updates_; }
  void AdvanceFrame() override { ++frame_; }
  int updates() const { return updates_; }

 private:
  int LocalSide() const { return role_ == 1 ? 0 : role_ == 2 ? 1 : -1; }
  int role_ = -1;
  uint32_t frame_ = 0;
  bool stalled_ = false;
  bool held_ = false;
  bool syncMark_ = false;
  int updates_ = 0;
  std::array<std::vector<NetPadInput>, 2> history_;
};
