#include "menu/training_settings.h"

TrainingSettings g_TrainingSettings;
int32_t g_SelectedDummySlot;
int32_t g_InputDisplay;

void ResetTrainingSettings() {
  g_TrainingSettings = TrainingSettings{};
  g_TrainingSettings[CRITICAL_HIT] = 1;
  g_SelectedDummySlot = 0;
}

int TrainingSettingValue(int entry) {
  if (entry < 0 || entry >= kTrainingSettingCount) return 0;
  return g_TrainingSettings.value[static_cast<std::size_t>(entry)];
}
