// Fuzz target: arbitrary bytes as a training dummy file. Whatever the reader accepts becomes the
// dummy's slots; then every slot's label and recorded state are asked for, and every slot is
// played for a bounded number of frames under each replay type, selected and at random, as the
// battle's frame runs the playback control, the dummy's input and the controller's tick.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "Replay/replay_controller.h"
#include "app/random.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "menu/dummy_recordings.h"
#include "menu/training_hooks.h"
#include "menu/training_menu.h"
#include "menu/training_settings.h"

namespace {

constexpr int kFramesPerRun = 48;

void PlaySlot(int slot, int replayType, int slotSetting) {
  ReplayController& c = g_ReplayController;
  c.mode = 0;
  c.dummyMode = 0;
  g_TrainingSettings[ENEMY_STATUS] = kEnemyDummy;
  g_TrainingSettings[REPLAY_TYPE] = replayType;
  g_TrainingSettings[REPLAY_SLOT] = slotSetting;
  g_SelectedDummySlot = slot;
  ApplyTrainingSettings(1, 0);
  for (int f = 0; f < kFramesPerRun; ++f) {
    UpdateDummyPlaybackLoop();
    if (f % 7 == 3) RestartDummyAction();  // the play hotkey now and then
    BattleObject& dummy = g_PlayerRecords[1].obj;
    PlayPlayerInput(1, &dummy.inputDir, &dummy.inputButtons, &dummy.inputReleased);
    ReplayFrameTick();
    int indicator = 0;
    CheckDummyRecordLimit(&indicator);
    if (indicator != 1) std::abort();  // a playback stays a playback
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetAllBattleGlobals();
  g_GameModeFlags = MODE_TRAINING;
  SeedRandomGeneratorsFrom(1);
  ResetTrainingSettings();
  ReplayController& c = g_ReplayController;
  c = ReplayController{};
  c.mode = 0;
  if (c.file.Parse(std::span<const uint8_t>(data, size), "fuzz") == 0) {
    if (!c.file.rounds.empty()) std::abort();  // a refused file leaves the slots empty
    return 0;
  }
  for (int slot = 0; slot < kDummySlots; ++slot) {
    const int recorded = IsDummySlotRecorded(slot);
    if (recorded != 0 && static_cast<size_t>(slot) >= c.file.rounds.size()) std::abort();
    (void)FormatDummySlotLabel(slot);
  }
  const size_t rounds = c.file.rounds.size();
  for (int slot = 0; slot < kDummySlots; ++slot)
    for (int type = 0; type < 3; ++type) PlaySlot(slot, type, 0);
  for (int type = 0; type < 3; ++type) {
    PlaySlot(0, type, 1);
    if (IsDummySlotRecorded(g_DummyPlaySlot) == 0) {
      // RANDOM falls back to the selected slot only when nothing is recorded.
      for (int s = 0; s < kDummySlots; ++s)
        if (IsDummySlotRecorded(s)) std::abort();
    }
  }
  if (c.file.rounds.size() != rounds) std::abort();  // playing never adds or drops a slot
  g_ReplayController = ReplayController{};
  g_GameModeFlags = 0;
  return 0;
}
