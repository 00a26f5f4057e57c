// PadState record operations and the network input packing.
#include "app/input/pad_state.h"

namespace {

void ClearForSet(PadState& s) {
  // The menu direction and the repeat count carry over; everything else is rebuilt.
  s.direction = 0;
  for (uint8_t& b : s.button) b = 0;
  s.spareButton = 0;
  s.lever2Direction = 0;
  s.lever3Direction = 0;
}

}  // namespace

void NetPadInputToBytes(const NetPadInput& in, uint8_t out[8]) {
  out[0] = static_cast<uint8_t>(in.buttons);
  out[1] = static_cast<uint8_t>(in.buttons >> 8);
  out[2] = static_cast<uint8_t>(in.buttons >> 16);
  out[3] = static_cast<uint8_t>(in.buttons >> 24);
  out[4] = in.direction;
  out[5] = in.lever2Direction;
  out[6] = in.lever3Direction;
  out[7] = in.spare;
}

NetPadInput NetPadInputFromBytes(const uint8_t in[8]) {
  NetPadInput r;
  r.buttons = static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) |
              (static_cast<uint32_t>(in[2]) << 16) | (static_cast<uint32_t>(in[3]) << 24);
  r.direction = in[4];
  r.lever2Direction = in[5];
  r.lever3Direction = in[6];
  r.spare = in[7];
  return r;
}

void PadState::SetFromRaw(const PadRawState& raw, ButtonMap map) {
  ClearForSet(*this);
  direction = raw.direction;
  lever2Direction = static_cast<uint8_t>(raw.lever2Direction);
  lever3Direction = static_cast<uint8_t>(raw.lever3Direction);
  for (int i = 0; i < 32; ++i) {
    if (raw.buttons & map[i]) button[i] = kHeld;
  }
  if (raw.spare) spareButton = kHeld;
}

void PadState::SetFromNet(const NetPadInput& input) {
  ClearForSet(*this);
  direction = input.direction;
  lever2Direction = input.lever2Direction;
  lever3Direction = input.lever3Direction;
  for (int i = 0; i < 32; ++i) {
    if (input.buttons & (1u << i)) button[i] = kHeld;
  }
  if (input.spare) spareButton = kHeld;
}

void PadState::Update(const PadState& previous) {
  if ((direction & 0x0F) != (previous.direction & 0x0F)) {
    repeatCount = 0;
    direction |= kChanged;
  }
  menuDirection = direction;
  // The change frame evaluates count 0; afterwards the direction repeats at 24, 28, 32, ...
  if (repeatCount > 20 && (repeatCount - 20) % 4 == 0) menuDirection |= kChanged;
  ++repeatCount;
  if ((lever2Direction & 0x0F) != (previous.lever2Direction & 0x0F)) lever2Direction |= kChanged;
  if ((lever3Direction & 0x0F) != (previous.lever3Direction & 0x0F)) lever3Direction |= kChanged;
  auto edges = [](uint8_t& now, uint8_t before) {
    const bool held = now & kHeld;
    const bool wasHeld = before & kHeld;
    if (held && !wasHeld) now |= kPressed;
    if (!held && wasHeld) now |= kReleased;
  };
  for (int i = 0; i < 32; ++i) edges(button[i], previous.button[i]);
  edges(spareButton, previous.spareButton);
}

void PadState::GetButtonMasks(uint32_t* pressed, uint32_t* held) const {
  for (int i = 0; i < 32; ++i) {
    if (pressed && (button[i] & kPressed)) *pressed |= 1u << i;
    if (held && (button[i] & kHeld)) *held |= 1u << i;
  }
}

void PackNetPadInput(NetPadInput* out, const PadRawState& raw, ButtonMap map) {
  NetPadInput r;
  for (int i = 0; i < 32; ++i) {
    if (raw.buttons & map[i]) r.buttons |= 1u << i;
  }
  r.direction = raw.direction;
  r.lever2Direction = static_cast<uint8_t>(raw.lever2Direction);
  r.lever3Direction = static_cast<uint8_t>(raw.lever3Direction);
  r.spare = raw.spare != 0 ? 1 : 0;
  *out = r;
}
