// The installed net-input link and the loopback exchange.
#include "app/input/net_input_link.h"

namespace {
NetInputLink* g_installedLink = nullptr;
}

NetInputLink& GetNetInputLink() {
  static LoopbackNetInputLink loopback;
  return g_installedLink ? *g_installedLink : loopback;
}

void SetNetInputLink(NetInputLink* link) { g_installedLink = link; }

void LoopbackNetInputLink::Reset(int role) {
  role_ = role;
  frame_ = 0;
  stalled_ = held_ = false;
  updates_ = 0;
  for (auto& h : history_) h.assign(1, NetPadInput{});
}

void LoopbackNetInputLink::PushRemoteInput(const NetPadInput& input) {
  const int side = LocalSide() == 1 ? 0 : 1;
  if (history_[side].size() < kHistoryFrames) history_[side].push_back(input);
}

void LoopbackNetInputLink::CheckRemoteInput() {
  stalled_ = held_ = false;
  const int local = LocalSide();
  if (local < 0 && role_ != 3) return;
  // A spectator waits for side 0, a battler for its opponent.
  const int remote = local < 0 ? 0 : 1 - local;
  if (frame_ >= history_[remote].size()) stalled_ = held_ = true;
}

int LoopbackNetInputLink::SendLocalInput(int side, uint32_t buttons, uint32_t extra) {
  if (held_ || side != LocalSide()) return 0;
  if (side == 0 && syncMark_) buttons |= kSyncMark;
  NetPadInput in;
  in.buttons = buttons;
  in.direction = static_cast<uint8_t>(extra);
  in.lever2Direction = static_cast<uint8_t>(extra >> 8);
  in.lever3Direction = static_cast<uint8_t>(extra >> 16);
  in.spare = static_cast<uint8_t>(extra >> 24);
  if (history_[side].size() < kHistoryFrames) history_[side].push_back(in);
  return 1;
}

NetPadInput LoopbackNetInputLink::GetFrameInput(int player) {
  if (player < 0 || player > 1 || frame_ >= history_[player].size()) return NetPadInput{};
  NetPadInput in = history_[player][frame_];
  in.buttons &= ~kSyncMark;
  return in;
}
