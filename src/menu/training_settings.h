// The training settings: one process-wide record of the training menus' seventeen items, which
// the training hooks, the battle HUD and the CPU dummy read (through the battle's TrainingSetting
// seam). It lives for the whole process and is never written to disk.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The fields in record order; each is the id of the menu item that edits it.
enum TrainingSettingId : int {
  ENEMY_STATUS = 0,         // 0 STAND, 1 JUMP, 2 CROUCH, 3 CPU, 4 MANUAL, 5 DUMMY
  ENEMY_ACTION = 1,         // 0 OFF, 1..4 ACTION A..D, 5..8 RECOVER A..D
  ENEMY_DEFENCE = 2,        // 0 OFF, 1 ALL GUARD, 2 STATUS GUARD, 3 ALL SHIELD, 4 STATUS SHIELD, 5 DODGE
  ENEMY_DEFENCETYPE = 3,    // 0 NORMAL, 1 COMBO, 2 RANDOM
  LIFE = 4,                 // 0..3 RECOVER 100/75/50/25%, 4 NO RECOVER
  MAGIC_CIRCUIT = 5,        // 0 NORMAL, 1 MAX, 2 Immediately MAX, 3 UNLIMITED
  GUARD_GAUGE = 6,          // 0..4: 100/75/50/25/0%
  GUARD_QUALITY = 7,        // 0..4: 100/75/50/25/0%
  AIR_RECOVERY = 8,         // 0 NEUTRAL, 1 BACK, 2 FORWARD, 3 RANDOM1, 4 RANDOM2, 5 OFF
  DOWN_RECOVERY = 9,        // as AIR_RECOVERY
  COUNTER_HIT = 10,         // 0 NORMAL, 1 FIRST HIT, 2 LOW, 3 HIGH, 4 RANDOM, 5 RANDOM LOW, 6 RANDOM HIGH
  THROW_RECOVERY = 11,      // 0 NORMAL, 1..6 ALL/RANDOM x FAST/LATE/RANDOM FRAME
  REDUCE_DAMAGE = 12,       // 0 NORMAL, 1 ALL, 2 RANDOM
  CRITICAL_HIT = 13,        // 0 NORMAL, 1 OFF
  REPLAY_TIME_DISPLAY = 14, // 0 ON, 1 OFF
  REPLAY_TYPE = 15,         // 0 NORMAL, 1 RECOVER, 2 WAIT
  REPLAY_SLOT = 16,         // 0 SELECT SLOT, 1 RANDOM
  kTrainingSettingCount = 17
};

// ENEMY_STATUS values.
inline constexpr int32_t kEnemyStand = 0;
inline constexpr int32_t kEnemyJump = 1;
inline constexpr int32_t kEnemyCrouch = 2;
inline constexpr int32_t kEnemyCpu = 3;
inline constexpr int32_t kEnemyManual = 4;
inline constexpr int32_t kEnemyDummy = 5;

struct TrainingSettings {
  std::array<int32_t, kTrainingSettingCount> value{};
  int32_t& operator[](TrainingSettingId id) { return value[static_cast<std::size_t>(id)]; }
  int32_t operator[](TrainingSettingId id) const { return value[static_cast<std::size_t>(id)]; }
};

extern TrainingSettings g_TrainingSettings;
// The slot chosen in the training menu's DUMMY_RECORDING_SLOT item (0..9): where a new dummy
// recording goes, and the playback slot while REPLAY_SLOT is SELECT SLOT.
extern int32_t g_SelectedDummySlot;

// Every field to its initial value (all 0 but CRITICAL_HIT, which starts OFF), the slot to 0.
// Start-up calls it once, before the first scene.
void ResetTrainingSettings();
// The battle's TrainingSetting seam: the field of that index, 0 outside the record.
int TrainingSettingValue(int entry);

// The training display menu's INPUT DISPLAY switch (1 shows the input history). Viewer-side and
// process-wide: nothing resets it and no battle hash includes it. ATTACK DISPLAY lives in the
// battle state's word BattleState::kTrainingDisplay.
extern int32_t g_InputDisplay;
