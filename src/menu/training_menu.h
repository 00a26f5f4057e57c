// The training menu: what a paused training battle shows instead of the pause menu.
#pragma once

#include <string>

void UpdateTrainingMenu();
int OpenTrainingMenu();
void FinishTrainingMenu();
void HandleTrainingMenuResult();
void CloseTrainingMenu();
std::string FormatDummySlotLabel(int slot);
