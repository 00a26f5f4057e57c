// Key and pad configuration: defaults, files, assignment rules and the start-up loading.
#include "app/input/key_config.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Dxtools/IniFile.h"
#include "app/input/input_manager.h"
#include "app/lib_debug.h"
#include "platform/profile_string.h"

namespace {

constexpr const char* kKeyConfigPath = ".\\System\\_KeyConfig.ini";
constexpr const char* kKeyboardConfigPath = ".\\System\\_KeyboardConfig.ini";

// Default rows in the order the key-configuration page lists them: {entry, code}.
constexpr int kPadDefaultRows[15][2] = {
    {0, 24}, {1, 23}, {2, 22}, {3, 21}, {4, 10}, {14, 2}, {15, 3}, {8, 1},
    {9, 4},  {7, 3},  {6, 2},  {11, 6}, {12, 0}, {13, 0}, {10, 0},
};

constexpr int32_t kKeyboardDefaults[2][10] = {
    {31, 17, 30, 32, 22, 23, 24, 36, 38, 15},
    {208, 200, 203, 205, 71, 72, 73, 75, 77, 28},
};

constexpr AssignableKey kAssignableKeys[] = {
    {0x02, "1"},           {0x03, "2"},     {0x04, "3"},         {0x05, "4"},          {0x06, "5"},
    {0x07, "6"},           {0x08, "7"},     {0x09, "8"},         {0x0A, "9"},          {0x0B, "0"},
    {0x0C, "-"},           {0x10, "Q"},     {0x11, "W"},         {0x12, "E"},          {0x13, "R"},
    {0x14, "T"},           {0x15, "Y"},     {0x16, "U"},         {0x17, "I"},          {0x18, "O"},
    {0x19, "P"},           {0x1A, "["},     {0x1B, "]"},         {0x1D, "Left Ctrl"},  {0x1E, "A"},
    {0x1F, "S"},           {0x20, "D"},     {0x21, "F"},         {0x22, "G"},          {0x23, "H"},
    {0x24, "J"},           {0x25, "K"},     {0x26, "L"},         {0x27, ";"},          {0x2A, "Left Shift"},
    {0x2C, "Z"},           {0x2D, "X"},     {0x2E, "C"},         {0x2F, "V"},          {0x30, "B"},
    {0x31, "N"},           {0x32, "M"},     {0x33, ","},         {0x34, "."},          {0x35, "/"},
    {0x36, "Right Shift"}, {0x37, "Num *"}, {0x38, "Left Alt"},  {0x39, "Space"},      {0x3B, "F1"},
    {0x3C, "F2"},          {0x3D, "F3"},    {0x3E, "F4"},        {0x3F, "F5"},         {0x40, "F6"},
    {0x41, "F7"},          {0x42, "F8"},    {0x47, "Num 7"},     {0x48, "Num 8"},      {0x49, "Num 9"},
    {0x4A, "Num -"},       {0x4B, "Num 4"}, {0x4C, "Num 5"},     {0x4D, "Num 6"},      {0x4E, "Num +"},
    {0x4F, "Num 1"},       {0x50, "Num 2"}, {0x51, "Num 3"},     {0x52, "Num 0"},      {0x53, "Num ."},
    {0x91, "@"},           {0x92, ":"},     {0x9C, "Num Enter"}, {0x9D, "Right Ctrl"}, {0xB5, "Num /"},
    {0xB8, "Right Alt"},   {0xC8, "UP"},    {0xCB, "LEFT"},      {0xCD, "RIGHT"},      {0xD0, "DOWN"},
};
static_assert(std::size(kAssignableKeys) == 80);

constexpr const char* kCodeNames[kMaxInputCode + 1] = {
    "- None -",   "Button01",   "Button02",   "Button03",   "Button04",   "Button05",  "Button06",
    "Button07",   "Button08",   "Button09",   "Button10",   "Button11",   "Button12",  "Button13",
    "Button14",   "Button15",   "Button16",   "POV_0",      "POV_180",    "POV_270",   "POV_90",
    "Axis_X(+)",  "Axis_X(-)",  "Axis_Y(+)",  "Axis_Y(-)",  "Axis_Z(+)",  "Axis_Z(-)", "Axis_RX(+)",
    "Axis_RX(-)", "Axis_RY(+)", "Axis_RY(-)", "Axis_RZ(+)", "Axis_RZ(-)", "Slider(+)", "Slider(-)",
};
constexpr const char* kStandardButtonNames[10] = {"X",  "A",  "B",  "Y",    "LB",
                                                  "RB", "LT", "RT", "BACK", "START"};

// The value text up to the line end or a "//" comment, trailing blanks removed.
std::string ValueText(const char* value) {
  if (!value) return {};
  return std::string(value, IniValueLength(value));
}

// The value as an integer (atoi's reading), held to the 32-bit range instead of overflowing.
int32_t ParseInt(const char* v) {
  const long long n = std::strtoll(v, nullptr, 10);
  return static_cast<int32_t>(std::clamp<long long>(n, INT32_MIN, INT32_MAX));
}

bool ValidPlayer(int player, int count) { return player >= 0 && player < count; }

}  // namespace

KeyConfigData& GetKeyConfig() {
  static KeyConfigData data;
  return data;
}

void ResetPadDefaults(int player) {
  if (!ValidPlayer(player, 4)) return;
  PadAssignment& pad = GetKeyConfig().pads[player];
  pad.Val.fill(0);
  for (const auto& row : kPadDefaultRows) pad.Val[row[0]] = row[1];
  for (int i = 0; i < 4; ++i) pad.Val[16 + i] = 17 + i;
}

void ResetKeyboardMap(int player) {
  if (!ValidPlayer(player, 2)) return;
  for (int s = 0; s < 10; ++s) GetKeyConfig().keyboard[player][s] = kKeyboardDefaults[player][s];
}

void LoadKeyConfig(const IniLookup& ini) {
  KeyConfigData& cfg = GetKeyConfig();
  const char* v = ini("KeyConfig", "NoKeyboard");
  cfg.NoKeyboard = v ? ParseInt(v) : 0;
  char key[32];
  for (int p = 0; p < 4; ++p) {
    PadAssignment& pad = cfg.pads[p];
    std::snprintf(key, sizeof key, "P%01d_Num", p);
    v = ini("KeyConfig", key);
    pad.Num = v ? ParseInt(v) : -1;
    std::snprintf(key, sizeof key, "P%01d_Name", p);
    if ((v = ini("KeyConfig", key))) pad.Name = ValueText(v).substr(0, 256);
    for (int e = 0; e < 24; ++e) {
      std::snprintf(key, sizeof key, "P%01d_Val%02d", p, e);
      v = ini("KeyConfig", key);
      pad.Val[e] = v ? ParseInt(v) : -1;
    }
  }
}

void LoadKeyboardConfig(const IniLookup& ini) {
  KeyConfigData& cfg = GetKeyConfig();
  char key[32];
  for (int p = 0; p < 2; ++p) {
    for (int s = 0; s < 10; ++s) {
      std::snprintf(key, sizeof key, "P%01d_Val%02d", p, s);
      const char* v = ini("KeyboardConfig", key);
      if (!v) continue;
      const int code = ParseInt(v);
      // A code outside the 256-byte keyboard state would index past it: keep the default.
      if (code < 0 || code > 255) {
        DebugPrint("%s: %s = %d is not a scan code, ignored\n", kKeyboardConfigPath, key, code);
        continue;
      }
      cfg.keyboard[p][s] = code;
    }
  }
}

bool SaveKeyConfig(const ProfileWrite& write) {
  const KeyConfigData& cfg = GetKeyConfig();
  char key[32];
  char value[32];
  bool ok = true;
  std::snprintf(value, sizeof value, " %d", cfg.NoKeyboard);
  ok &= write("KeyConfig", "NoKeyboard", value);
  for (int p = 0; p < 4; ++p) {
    const PadAssignment& pad = cfg.pads[p];
    std::snprintf(key, sizeof key, "P%01d_Num", p);
    std::snprintf(value, sizeof value, " %d", pad.Num);
    ok &= write("KeyConfig", key, value);
    std::snprintf(key, sizeof key, "P%01d_Name", p);
    ok &= write("KeyConfig", key, pad.Name.c_str());
    for (int e = 0; e < 24; ++e) {
      std::snprintf(key, sizeof key, "P%01d_Val%02d", p, e);
      std::snprintf(value, sizeof value, " %d", pad.Val[e]);
      ok &= write("KeyConfig", key, value);
    }
  }
  return ok;
}

bool SaveKeyboardConfig(const ProfileWrite& write) {
  const KeyConfigData& cfg = GetKeyConfig();
  char key[32];
  char value[32];
  bool ok = true;
  for (int p = 0; p < 2; ++p) {
    for (int s = 0; s < 10; ++s) {
      std::snprintf(key, sizeof key, "P%01d_Val%02d", p, s);
      std::snprintf(value, sizeof value, " %d", cfg.keyboard[p][s]);
      ok &= write("KeyboardConfig", key, value);
    }
  }
  return ok;
}

namespace {

// Files under .\System\ are the player's own: the ini reader takes them from the disk only.
bool LoadFile(const char* path, void (*load)(const IniLookup&)) {
  IniFile ini;
  if (!ini.Load(path)) return false;
  load([&ini](const char* s, const char* k) { return ini.FindKey(s, k); });
  return true;
}

bool SaveFile(const char* path, bool (*save)(const ProfileWrite&)) {
  return save([path](const char* s, const char* k, const char* v) {
    return vt::platform::WriteProfileString(s, k, v, path);
  });
}

}  // namespace

bool LoadKeyConfigFile() { return LoadFile(kKeyConfigPath, LoadKeyConfig); }
bool LoadKeyboardConfigFile() { return LoadFile(kKeyboardConfigPath, LoadKeyboardConfig); }
bool SaveKeyConfig() { return SaveFile(kKeyConfigPath, SaveKeyConfig); }
bool SaveKeyboardConfig() { return SaveFile(kKeyboardConfigPath, SaveKeyboardConfig); }

void AssignPadButton(int player, int entry, int buttonNumber) {
  if (!ValidPlayer(player, 4) || entry < 6 || entry > 13) return;
  auto& val = GetKeyConfig().pads[player].Val;
  if (buttonNumber == 9) {
    val[entry] = 0;
    return;
  }
  for (int other = 6; other <= 13; ++other) {
    if (other != entry && val[other] == buttonNumber) {
      std::swap(val[other], val[entry]);
      return;
    }
  }
  val[entry] = buttonNumber;
}

void AssignKey(int player, int slot, int scanCode) {
  if (!ValidPlayer(player, 2) || slot < 0 || slot > 9) return;
  auto& rows = GetKeyConfig().keyboard;
  for (int s = 0; s < 10; ++s) {
    if (rows[player][s] == scanCode) {
      std::swap(rows[player][s], rows[player][slot]);
      return;
    }
  }
  for (int s = 0; s < 10; ++s) {
    if (rows[1 - player][s] == scanCode) return;
  }
  rows[player][slot] = scanCode;
}

std::span<const AssignableKey> GetAssignableKeys() { return kAssignableKeys; }

const char* GetAssignableKeyName(int scanCode) {
  for (const AssignableKey& k : kAssignableKeys) {
    if (k.code == scanCode) return k.name;
  }
  return "";
}

const char* GetInputCodeName(int code, bool standardController) {
  if (code < 0 || code > kMaxInputCode) return kCodeNames[0];
  if (standardController && code >= 1 && code <= 10) return kStandardButtonNames[code - 1];
  return kCodeNames[code];
}

bool FindPressedAssignableKey(std::span<const uint8_t, 256> keyboard, int* scanCode) {
  for (const AssignableKey& k : kAssignableKeys) {
    if (keyboard[k.code] & 0x40) {
      *scanCode = k.code;
      return true;
    }
  }
  return false;
}

int GetPadButtonNumber(int padSlot) {
  if (padSlot < 0 || padSlot >= kPadSlotCount) return 0;
  const uint32_t pressed = g_InputManager.GetPadSlot(padSlot).pressed;
  for (int b = 10; b >= 1; --b) {
    if (pressed & (1u << (b - 1))) return b;
  }
  return 0;
}

int IsPadButton9Pressed() { return GetPadButtonNumber(0) == 9 || GetPadButtonNumber(1) == 9 ? 1 : 0; }

void KeyConfigPageCreate(std::span<const std::string> controllerNames) {
  for (size_t i = 0; i < controllerNames.size() && i < 4; ++i) ResetPadDefaults(static_cast<int>(i));
  LoadKeyConfigFile();
}

void KeyConfigPageDestroy(std::span<const std::string> controllerNames) {
  KeyConfigData& cfg = GetKeyConfig();
  for (int i = 0; i < 4; ++i) {
    PadAssignment& pad = cfg.pads[i];
    if (i < static_cast<int>(controllerNames.size())) {
      std::string name = controllerNames[i];
      while (!name.empty() && name.back() == ' ') name.pop_back();
      pad.Name = name.substr(0, 256);
      if (pad.Num == 0) {
        pad.Num = i + 1;
        ResetPadDefaults(i);
      }
    } else {
      pad.Name.clear();
      pad.Num = 0;
      ResetPadDefaults(i);
    }
  }
  LoadKeyboardConfigFile();
}
