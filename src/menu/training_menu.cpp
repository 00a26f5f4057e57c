#include "menu/training_menu.h"

void UpdateTrainingMenu() {}
int OpenTrainingMenu() { return 0; }
void FinishTrainingMenu() {}
void HandleTrainingMenuResult() {}
void CloseTrainingMenu() {}
std::string FormatDummySlotLabel(int) { return {}; }
