// Key and pad configuration, the data half: the four pad assignments, the keyboard map of
// players 1 and 2, their defaults, the files .\System\_KeyConfig.ini and
// .\System\_KeyboardConfig.ini, the assignment rules and the start-up loading.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

// Input codes of a pad assignment entry: 0 none, 1..16 buttons, 17..20 hat halves,
// 21..34 axis halves.
inline constexpr int kMaxInputCode = 34;

struct PadAssignment {
  int32_t Num = 0;                // 1-based controller number; 0 none; -1 when the file lacked the key
  std::string Name;               // controller product name, at most 256 characters
  std::array<int32_t, 24> Val{};  // input codes
};

// Keyboard map slots.
enum KeyboardSlot { kKeyDown, kKeyUp, kKeyLeft, kKeyRight, kKeyA, kKeyB, kKeyC, kKeyD, kKeyQA, kKeyStart };

struct KeyConfigData {
  std::array<PadAssignment, 4> pads;
  int32_t NoKeyboard = 0;
  std::array<std::array<int32_t, 10>, 2> keyboard{};
};

// The process-wide configuration the input manager reads every frame.
KeyConfigData& GetKeyConfig();

// Reading side of an ini file: the value text of key in section (up to the line end), or
// nullptr when missing.
using IniLookup = std::function<const char*(const char* section, const char* key)>;
// Writing side: the profile-string writer for one file.
using ProfileWrite = std::function<bool(const char* section, const char* key, const char* value)>;

void ResetPadDefaults(int player);
void ResetKeyboardMap(int player);

void LoadKeyConfig(const IniLookup& ini);
void LoadKeyboardConfig(const IniLookup& ini);
bool SaveKeyConfig(const ProfileWrite& write);
bool SaveKeyboardConfig(const ProfileWrite& write);
// The same against the files in .\System\ (read from disk only).
bool LoadKeyConfigFile();
bool LoadKeyboardConfigFile();
bool SaveKeyConfig();
bool SaveKeyboardConfig();

void AssignPadButton(int player, int entry, int buttonNumber);
void AssignKey(int player, int slot, int scanCode);

// The keys the keyboard setting menu can capture, in its order.
struct AssignableKey {
  uint8_t code;
  const char* name;
};
std::span<const AssignableKey> GetAssignableKeys();
// Display name of an assignable key ("" when the key is not in the table).
const char* GetAssignableKeyName(int scanCode);
// Display name of an input code for a plain or a standard-layout controller.
const char* GetInputCodeName(int code, bool standardController);

// The first assignable key that went down this frame (keyboard state bit 0x40).
bool FindPressedAssignableKey(std::span<const uint8_t, 256> keyboard, int* scanCode);

// The highest button among 1..10 pressed this frame on a pad slot (button 10 first), 0 when
// none; and whether that is button 9 on the first or second slot (the title screen asks).
int GetPadButtonNumber(int padSlot);
int IsPadButton9Pressed();

// Start-up: what the key-configuration page does when it is created and destroyed.
// controllerNames lists the enumerated controllers' product names in order.
void KeyConfigPageCreate(std::span<const std::string> controllerNames);
void KeyConfigPageDestroy(std::span<const std::string> controllerNames);
