// The five-second "new challenger" interruption: emblem, ripples and flare, 24 silhouette pieces
// flashing through a slit in a shuffled order, the title and subtitle, the rule, over a bloom
// pass and noise bursts, with its own music. Each caller starts it once, updates and draws it
// every frame and ends it once its time passes 5 s.
#pragma once

#include <cstdint>

#include "Dxtools/GrpManager/grp_draw_list.h"

struct TextureHandle;

struct ChallengerScreenState {
  int32_t frames = 0;
  float t = 0.0f;
  int32_t emblemFrame = 0;
  int32_t emblemCount = 0;
  float rippleStart = 0.45f, bloomStart = 0.5f, ruleStart = 0.7f, silhouetteStart = 0.75f, titleStart = 1.0f;
  float ripple = 0.0f;
  float rippleAlpha = 0.0f;
  float bloom = 0.0f;
  float ruleTime = 0.0f;
  float silhouette = 0.0f;
  float titleFade = 1.0f;
  float titleTime = 0.0f;
  int32_t order[24] = {};
};
extern ChallengerScreenState g_ChallengerScreen;

struct ChallengerGraphics {
  TextureHandle* emblem[40] = {};
  TextureHandle* silhouette[24] = {};
  TextureHandle* font[4] = {};
  TextureHandle* line[2] = {};
  TextureHandle* title[4] = {};
  TextureHandle* flare = nullptr;
  TextureHandle* ripple = nullptr;
  TextureHandle* noise = nullptr;
  GrpDrawList list;
  TextureHandle* target = nullptr;
};
extern ChallengerGraphics g_ChallengerGraphics;

inline constexpr float kChallengerSeconds = 5.0f;

void LoadChallengerGraphics();
void FreeChallengerGraphics();
void StartChallengerScreen();
void UpdateChallengerScreen();
void DrawChallengerScreen();
// The slit the silhouettes show through at silhouette time s: its alpha (0 when not drawn), left
// edge and width.
int ChallengerSlit(float s, float* x, float* w);
// The screen's clock in seconds (callers end it after kChallengerSeconds).
float ChallengerScreenTime();
