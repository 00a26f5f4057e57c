// The screen configuration (".\System\_App.ini", section "System") and the debug settings
// (".\_Debug.ini", section "Debug").
#pragma once

#include <string>

struct AppConfig {
  int NoVsMovie = 0;
  int Windowed = 1;
  int ScreenW = 640;
  int ScreenH = 480;
  int Bpp = 32;
  int PosX = 0;
  int PosY = 0;
  int AspectRatio = 0;
};

extern AppConfig g_AppConfig;

struct DebugConfig {
  std::string SSFormat;
  float FrameSkip = 60.0f;
};
extern DebugConfig g_DebugConfig;

void LoadAppConfig();
void SaveAppConfig();
// Reads ".\_Debug.ini" when it loads; returns whether it did (SSFormat then always applies).
bool LoadDebugConfig();

// The aspect pair of the letterbox: 16:9, 16:10 or 4:3.
void GetAspectRatio(float* x, float* y);
