#include "menu/training_displays.h"

void DrawActionTime() {}
void DrawDummyReplayStatus(int) {}
void DrawTrainingDamageInfo() {}
void DrawTrainingInputHistory() {}
void AddInputHistoryRow(int, int) {}
void DrawTrainingProgressBar(int, int, float, int) {}
void ClearInputHistory() {}
