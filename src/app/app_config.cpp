// ".\System\_App.ini" and ".\_Debug.ini".
#include "app/app_config.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "Dxtools/IniFile.h"
#include "platform/profile_string.h"

AppConfig g_AppConfig;
DebugConfig g_DebugConfig;

void LoadAppConfig() {
  AppConfig& c = g_AppConfig;
  IniFile ini;
  // Files under System are read from disk only: a pack member there never shadows them.
  if (ini.Load(".\\System\\_App.ini")) {
    auto get = [&ini](const char* key, int missing) {
      const char* v = ini.FindKey("System", key);
      return v != nullptr ? std::atoi(v) : missing;
    };
    c.NoVsMovie = get("NoVsMovie", 0) != 0 ? 1 : 0;
    c.Windowed = get("Windowed", 1) != 0 ? 1 : 0;
    c.ScreenW = get("ScreenW", 0);
    c.ScreenH = get("ScreenH", 0);
    int bpp = get("Bpp", 32);
    c.Bpp = (bpp == 16 || bpp == 32) ? bpp : 32;
    c.PosX = get("PosX", 0);
    c.PosY = get("PosY", 0);
    c.AspectRatio = get("AspectRatio", 0);
    // A missing or non-positive size would give a 0 x 0 window: take the defaults of a
    // missing file instead (the file keeps its format).
    if (c.ScreenW <= 0 || c.ScreenH <= 0) {
      c.ScreenW = 1280;
      c.ScreenH = 720;
    }
  } else {
    c.NoVsMovie = 0;
    c.Windowed = 1;
    c.ScreenW = 1280;
    c.ScreenH = 720;
    c.Bpp = 32;
    c.AspectRatio = 0;
  }
  if (c.PosX < 0) c.PosX = 0;
  if (c.PosY < 0) c.PosY = 0;
}

void SaveAppConfig() {
  const AppConfig& c = g_AppConfig;
  const std::pair<const char*, int> values[] = {
      {"NoVsMovie", c.NoVsMovie},
      {"Windowed", c.Windowed},
      {"ScreenW", c.ScreenW},
      {"ScreenH", c.ScreenH},
      {"Bpp", c.Bpp},
      {"PosX", c.PosX},
      {"PosY", c.PosY},
      {"AspectRatio", c.AspectRatio},
  };
  // Each number with " %d"; the eight keys reach the file in one write.
  std::vector<std::pair<std::string, std::string>> lines;
  for (const auto& [key, value] : values) {
    char text[32];
    std::snprintf(text, sizeof text, " %d", value);
    lines.emplace_back(key, text);
  }
  vt::platform::WriteProfileStrings("System", lines, ".\\System\\_App.ini");
}

bool LoadDebugConfig() {
  IniFile ini;
  if (!ini.Load(".\\_Debug.ini")) return false;
  const char* format = ini.FindKey("Debug", "SSFormat");
  g_DebugConfig.SSFormat =
      format != nullptr ? std::string(format, IniValueLength(format)).substr(0, 256) : "";
  if (const char* skip = ini.FindKey("Debug", "FrameSkip"))
    g_DebugConfig.FrameSkip = std::strtof(skip, nullptr);
  return true;
}

void GetAspectRatio(float* x, float* y) {
  switch (g_AppConfig.AspectRatio) {
    case 1:
      *x = 16.0f;
      *y = 9.0f;
      break;
    case 2:
      *x = 16.0f;
      *y = 10.0f;
      break;
    default:
      *x = 4.0f;
      *y = 3.0f;
      break;
  }
}
