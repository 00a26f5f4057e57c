// The ranking scene (scene 11): the ten best scores as a champion panel and a wheel of the other
// nine rows over the character select's background. It runs from the main menu and the title
// (left by a button) and in the attract loop (10 s, or at once on a start press).
#pragma once

#include <cstdint>

#include "scene/RankingTable.h"

struct RankingScreenState {
  RankingRow rows[kRankingRows] = {};
  int32_t frames = 0;
  float seconds = 0.0f;
  int32_t exitWord = 0;
  int32_t scroll = 0;  // -48..0
};
extern RankingScreenState g_RankingScreen;
// Rankings shown in the current attract loop.
extern int32_t g_AttractRankingCount;

// 0 stay, 1 leave, 2 leave because a start press or a credit came in.
int RankingSceneStep();
// The handler of scene 11.
int RankingScene(int keepRunning);

// The name picture's cell of a character (-1: no name) and the type label of a fighting type.
int RankingNameCell(int32_t character);
int RankingTypeLabel(int32_t type);
// "%08u%02u" of a score key; a key above 9,999,999,999 shows as 9999999999.
void FormatRankingScore(uint64_t key, char out[11]);
// The row's anchor on the wheel (about the wheel centre) and its angle in degrees at seconds s.
void RankingRowAnchor(int row, float s, int32_t scroll, float* x, float* y, float* angle, float* settle);

void LoadRankingGraphics();
void FreeRankingGraphics();
void InitRankingScreen();
void StepRankingBackground();
void DrawRankingScreen();

void InstallRankingScene();
