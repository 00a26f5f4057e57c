// What training draws over the fight: the action countdown, the dummy recording and playback
// status, the damage panel and the input history.
#pragma once

#include <array>
#include <cstdint>

// One row of the input history: a direction and the buttons held with it, and for how long.
struct InputHistoryRow {
  uint32_t direction = 0;   // facing-relative numpad direction, 0..9
  uint32_t buttons = 0;     // bits 0..3: A, B, C, D pressed or held
  uint32_t framesHeld = 0;  // from 1
};

// The main side's recent inputs, newest first. Process-wide, viewer-side: no battle reads it.
struct TrainingInputHistory {
  static constexpr int kRows = 32;
  std::array<InputHistoryRow, kRows> rows{};
  int32_t count = 0;
};
extern TrainingInputHistory g_TrainingInputHistory;

void DrawActionTime();
// kind: 1 playing, 2 recording, anything else only a full bar.
void DrawDummyReplayStatus(int kind);
void DrawTrainingDamageInfo();
// Records this frame's input of the main side into the history, then draws the history.
void DrawTrainingInputHistory();
void AddInputHistoryRow(int direction, int buttons);
void DrawTrainingProgressBar(int y, int width, float fraction, int priority);
// Empties the input history (row count 0): a training battle's start, and every frame on which
// INPUT DISPLAY is off.
void ClearInputHistory();
