// Per-player input records: the raw state of a port as the input manager reports it, the
// 8-byte input a network battle exchanges, and the banked PadState with its change, press,
// release and menu-repeat bits.
#pragma once

#include <cstdint>
#include <span>

// One port's state for one frame (cleared before the input manager fills it).
struct PadRawState {
  uint8_t direction = 0;  // numeric-keypad digit, 0 neutral
  int32_t lever2Direction = 0;
  int32_t lever3Direction = 0;
  uint32_t buttons = 0;  // raw button word, bit k = key-configuration function k
  int32_t spare = 0;     // never set by a device
};

// The per-frame input a network battle exchanges, byte for byte: the game-button word (little
// endian), direction, second and third lever direction, spare flag.
struct NetPadInput {
  uint32_t buttons = 0;
  uint8_t direction = 0;
  uint8_t lever2Direction = 0;
  uint8_t lever3Direction = 0;
  uint8_t spare = 0;
};
static_assert(sizeof(NetPadInput) == 8);

// The wire form of a NetPadInput and back.
void NetPadInputToBytes(const NetPadInput& in, uint8_t out[8]);
NetPadInput NetPadInputFromBytes(const uint8_t in[8]);

// One player's 32-entry bit map: entry i is the mask of raw bits that hold game button i.
using ButtonMap = std::span<const uint32_t, 32>;

struct PadState {
  // Button byte bits.
  static constexpr uint8_t kHeld = 0x01;
  static constexpr uint8_t kPressed = 0x02;
  static constexpr uint8_t kReleased = 0x04;
  // Direction bytes carry this bit on change (and the menu direction on repeat).
  static constexpr uint8_t kChanged = 0x80;

  uint8_t direction = 0;
  uint8_t button[32] = {};
  uint8_t spareButton = 0;
  uint8_t menuDirection = 0;
  int32_t repeatCount = 0;
  uint8_t lever2Direction = 0;
  uint8_t lever3Direction = 0;

  void SetFromRaw(const PadRawState& raw, ButtonMap map);
  void SetFromNet(const NetPadInput& input);
  // Sets the change, repeat, press and release bits against the record as it was before.
  void Update(const PadState& previous);
  // ORs bit i into *pressed for every button pressed this frame and into *held (may be null)
  // for every held button. The caller clears both first.
  void GetButtonMasks(uint32_t* pressed, uint32_t* held) const;
};

// Packs a raw state through one player's bit map into the exchanged form.
void PackNetPadInput(NetPadInput* out, const PadRawState& raw, ButtonMap map);
