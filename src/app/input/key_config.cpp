// Key and pad configuration: defaults, files, assignment rules and the start-up loading.
#include "app/input/key_config.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/lib_debug.h"

namespace {

constexpr const char* kKeyConfigPath = "./System/_KeyConfig.ini";
constexpr const char* kKeyboardConfigPath = "./System/_KeyboardConfig.ini";

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
  size_t n = 0;
  while (value[n] && value[n] != '\r' && value[n] != '\n' && !(value[n] == '/' && value[n + 1] == '/')) ++n;
  while (n > 0 && (value[n - 1] == ' ' || value[n - 1] == '\t')) --n;
  return std::string(value, n);
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
  cfg.NoKeyboard = v ? std::atoi(v) : 0;
  char key[32];
  for (int p = 0; p < 4; ++p) {
    PadAssignment& pad = cfg.pads[p];
    std::snprintf(key, sizeof key, "P%01d_Num", p);
    v = ini("KeyConfig", key);
    pad.Num = v ? std::atoi(v) : -1;
    std::snprintf(key, sizeof key, "P%01d_Name", p);
    if ((v = ini("KeyConfig", key))) pad.Name = ValueText(v).substr(0, 256);
    for (int e = 0; e < 24; ++e) {
      std::snprintf(key, sizeof key, "P%01d_Val%02d", p, e);
      v = ini("KeyConfig", key);
      pad.Val[e] = v ? std::atoi(v) : -1;
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
      const int code = std::atoi(v);
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

bool LoadKeyConfigFile() {
  KeyConfigIni ini;
  if (!ini.Load(kKeyConfigPath)) return false;
  LoadKeyConfig(ini.Lookup());
  return true;
}

bool LoadKeyboardConfigFile() {
  KeyConfigIni ini;
  if (!ini.Load(kKeyboardConfigPath)) return false;
  LoadKeyboardConfig(ini.Lookup());
  return true;
}

bool SaveKeyConfig() {
  return SaveKeyConfig(
      [](const char* s, const char* k, const char* v) { return WriteProfileValue(kKeyConfigPath, s, k, v); });
}

bool SaveKeyboardConfig() {
  return SaveKeyboardConfig([](const char* s, const char* k, const char* v) {
    return WriteProfileValue(kKeyboardConfigPath, s, k, v);
  });
}

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

// --- minimal key=value reader and profile writer ---

bool KeyConfigIni::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

void KeyConfigIni::SetText(std::string text) { text_ = std::move(text); }

const char* KeyConfigIni::FindKey(const char* section, const char* key) const {
  const char* p = text_.c_str();
  const char* end = p + text_.size();
  bool inSection = false;
  const size_t keyLen = std::strlen(key);
  while (p < end) {
    const char* lineEnd = p;
    while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n') ++lineEnd;
    const char* s = p;
    while (s < lineEnd && (*s == ' ' || *s == '\t')) ++s;
    if (s < lineEnd && *s == '[') {
      const char* close = static_cast<const char*>(std::memchr(s, ']', lineEnd - s));
      inSection = close && std::string_view(s + 1, close - s - 1) == section;
    } else if (inSection && !(lineEnd - s >= 2 && s[0] == '/' && s[1] == '/')) {
      const char* k = s;
      while (k < lineEnd && *k != '=' && *k != '\t' && !(k[0] == '/' && k + 1 < lineEnd && k[1] == '/')) ++k;
      const char* kEnd = k;
      while (kEnd > s && kEnd[-1] == ' ') --kEnd;
      if (static_cast<size_t>(kEnd - s) == keyLen && std::memcmp(s, key, keyLen) == 0) {
        const char* eq = static_cast<const char*>(std::memchr(s, '=', lineEnd - s));
        if (!eq) return nullptr;
        const char* v = eq + 1;
        while (v < lineEnd && (*v == ' ' || *v == '\t')) ++v;
        return v;
      }
    }
    p = lineEnd;
    while (p < end && (*p == '\r' || *p == '\n')) ++p;
  }
  return nullptr;
}

bool WriteProfileValue(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view value) {
  std::vector<std::string> lines;
  {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t pos = 0;
    while (pos < text.size()) {
      size_t e = text.find_first_of("\r\n", pos);
      if (e == std::string::npos) e = text.size();
      lines.emplace_back(text.substr(pos, e - pos));
      pos = e;
      if (pos < text.size() && text[pos] == '\r') ++pos;
      if (pos < text.size() && text[pos] == '\n') ++pos;
    }
  }
  const std::string newLine = std::string(key) + "=" + std::string(value);
  int sectionLine = -1;
  int insertAt = -1;
  bool replaced = false;
  for (size_t i = 0; i < lines.size() && !replaced; ++i) {
    std::string_view l = lines[i];
    size_t b = l.find_first_not_of(" \t");
    if (b != std::string_view::npos && l[b] == '[') {
      if (sectionLine >= 0) break;  // end of our section
      size_t close = l.find(']', b);
      if (close != std::string_view::npos && l.substr(b + 1, close - b - 1) == section) {
        sectionLine = static_cast<int>(i);
        insertAt = static_cast<int>(i) + 1;
      }
      continue;
    }
    if (sectionLine < 0) continue;
    if (b != std::string_view::npos) insertAt = static_cast<int>(i) + 1;
    size_t eq = l.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view k = l.substr(0, eq);
    while (!k.empty() && (k.back() == ' ' || k.back() == '\t')) k.remove_suffix(1);
    while (!k.empty() && (k.front() == ' ' || k.front() == '\t')) k.remove_prefix(1);
    if (k == key) {
      lines[i] = newLine;
      replaced = true;
    }
  }
  if (!replaced) {
    if (sectionLine < 0) {
      lines.push_back("[" + std::string(section) + "]");
      lines.push_back(newLine);
    } else {
      lines.insert(lines.begin() + insertAt, newLine);
    }
  }
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  const std::string tmp = path + ".tmp";
  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    DebugPrint("%s: could not be created\n", path.c_str());
    return false;
  }
  bool ok = ::write(fd, out.data(), out.size()) == static_cast<ssize_t>(out.size());
  ok &= ::fsync(fd) == 0;
  ok &= ::close(fd) == 0;
  if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
    DebugPrint("%s: could not be written\n", path.c_str());
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}
