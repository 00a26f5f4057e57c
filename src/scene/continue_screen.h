// The continue and game-over screen the winner demo shows after an arcade loss: the intro over
// the frozen scene, the count from 10.00 down to 00.00 with its cracks and noise bursts, and the
// game over. The winner demo feeds the main side's inputs in and reads the result back.
#pragma once

#include <cstdint>

struct TextureHandle;

struct ContinueScreen {
  TextureHandle* countDigits = nullptr;
  TextureHandle* crack[6] = {};
  TextureHandle* line = nullptr;
  TextureHandle* logo = nullptr;
  TextureHandle* noise = nullptr;
  TextureHandle* breaks[10] = {};
  TextureHandle* gameOverBlood = nullptr;
  TextureHandle* gameOverLogo = nullptr;
  TextureHandle* gameOverLine = nullptr;

  int32_t frames = 0;
  float time = 0.0f;
  float introTime = 0.0f;
  float countTime = 0.0f;
  int32_t count = 1000;  // 1000 = 10.00 s
  int32_t skipPenalty = 0;
  int32_t fullCountFrame = 0;
  int32_t state = 0;  // 0 intro, 1 counting, 2 game over starts, 3 game over
  int32_t accepted = 0;
  int32_t visible = 1;
  int32_t firstFrame = 1;
  int32_t startPressed = 0;
  uint32_t inputWord = 0;  // bit 31 continue, bit 0 speed-up
  float gameOverStart = 0.0f;
  float gameOverTime = 0.0f;
};
extern ContinueScreen g_ContinueScreen;

inline constexpr uint32_t kContinueButtonBit = 1u << 31;
inline constexpr uint32_t kSpeedUpButtonBit = 1u;

void LoadContinueGraphics();
void FreeContinueGraphics();
void ResetContinueScreen();
void UpdateContinueScreen();
void DrawContinueScreen();
