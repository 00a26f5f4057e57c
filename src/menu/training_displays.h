// What training draws over the fight: the action countdown, the dummy recording and playback
// status, the damage panel and the input history.
#pragma once

void DrawActionTime();
void DrawDummyReplayStatus(int kind);
void DrawTrainingDamageInfo();
void DrawTrainingInputHistory();
void AddInputHistoryRow(int direction, int buttons);
void DrawTrainingProgressBar(int y, int width, float fraction, int priority);
// Empties the input history (a training battle's start).
void ClearInputHistory();
