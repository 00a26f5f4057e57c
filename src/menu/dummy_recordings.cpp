// The training dummy's recordings: the dummy file's name, its loading and saving, and the
// playback control of the NORMAL, RECOVER and WAIT replay types.
#include "menu/dummy_recordings.h"

#include "Replay/replay_controller.h"
#include "Replay/replay_file.h"
#include "Replay/replay_naming.h"
#include "app/lib_debug.h"
#include "battle/battle_records.h"
#include "battle/battle_support.h"
#include "battle/game_mode.h"
#include "battle/object_state.h"
#include "menu/training_hooks.h"
#include "menu/training_settings.h"
#include "platform/clock.h"

int32_t g_RecoverPlayState;

namespace {

constexpr uint32_t kReplayRecord = 1;
constexpr uint32_t kReplayPlay = 2;
constexpr int32_t kTypeNormal = 0;
constexpr int32_t kTypeRecover = 1;
constexpr int32_t kTypeWait = 2;

// RECOVER's steps.
constexpr int32_t kRecoverWaitHit = 0;
constexpr int32_t kRecoverWaitFree = 100;
constexpr int32_t kRecoverStart = 255;
constexpr int32_t kRecoverPlaying = 1000;

void PlayPickedSlot() {
  PickRandomDummySlot();
  g_ReplayController.StartDummyPlayback(g_DummyPlaySlot);
}

// The dummy waits at the start of its slot.
void HoldPlayback() {
  ReplayController& c = g_ReplayController;
  c.hold = 1;
  c.RewindCurrentRound();
}

}  // namespace

// The file is found again by its name, so it is replaced under that name: the never-overwrite
// suffix of the versus replays does not apply here.
std::string MakeDummyFileName() {
  std::string name;
  BuildReplayFileName(kDummyTemplateFile, &name, kDefaultDummyTemplate, vt::platform::GetClock().LocalNow());
  return std::string(kDummyFolder) + name;
}

void LoadDummyRecordingFile() {
  const std::string name = MakeDummyFileName();
  ReplayController& c = g_ReplayController;
  c.ClearRounds();  // recording allowed, no hold, no rounds, slot 0
  // A missing or damaged file leaves every slot empty.
  if (ProbeReplayFile(name) == 1) c.file.Load(name);
}

void StopDummyAndSave() {
  ReplayController& c = g_ReplayController;
  if (c.mode == 0) return;
  if (c.dummyMode != 0) {
    c.RewindCurrentRound();
    if (c.mode == kReplayRecord) {
      const std::string name = MakeDummyFileName();
      // The save replaces the file whole or not at all; a failed one keeps the slots in memory,
      // so the next save may still write them.
      if (c.file.Save(name) == 0)
        DebugPrint("dummy recordings: %s not written; the slots stay in memory\n", name.c_str());
    }
  }
  c.hold = 0;
  c.mode = 0;
  c.dummyMode = 0;
}

int UpdateDummyPlaybackLoop() {
  const ReplayController& c = g_ReplayController;
  if (g_GameModeFlags != MODE_TRAINING || c.dummyMode == 0 || c.mode != kReplayPlay) return 0;
  switch (g_TrainingSettings[REPLAY_TYPE]) {
    case kTypeRecover:
      UpdateRecoverPlayback();
      break;
    case kTypeWait:
      if (c.IsPlaybackFinished()) {
        PlayPickedSlot();
        g_ReplayController.hold = 1;  // until the play hotkey releases it
      }
      break;
    case kTypeNormal:
      if (c.IsPlaybackFinished()) PlayPickedSlot();
      break;
    default:
      break;
  }
  return 0;
}

void UpdateRecoverPlayback() {
  ReplayController& c = g_ReplayController;
  const BattleObject* dummy = GetSidePlayer(1 - (g_MainSide & 1), 0);
  const bool movable = dummy != nullptr && FrameState(*dummy).asmv != 0;
  switch (g_RecoverPlayState) {
    case kRecoverWaitHit:
      if (!movable) g_RecoverPlayState = kRecoverWaitFree;
      HoldPlayback();
      break;
    case kRecoverWaitFree:
      if (movable) {
        c.RewindCurrentRound();
        g_RecoverPlayState = kRecoverStart;
      }
      HoldPlayback();
      break;
    case kRecoverStart:
      PlayPickedSlot();
      g_RecoverPlayState = kRecoverPlaying;
      c.hold = 0;
      break;
    case kRecoverPlaying:
      if (c.IsPlaybackFinished()) g_RecoverPlayState = kRecoverWaitHit;
      c.hold = 0;
      break;
    default:
      HoldPlayback();
      break;
  }
}
