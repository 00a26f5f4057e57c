// The replay controller: records a local match (per round the random seeds it hands out, the
// battle state at the round's start and each human character's input) and plays one back; in
// dummy mode its rounds are the training dummy's ten recording slots. The battle reaches it
// through the replay seams, which InstallReplaySeams fills.
#pragma once

#include <cstdint>
#include <string>

#include "Replay/replay_file.h"

// Frames a round's input may run to before recording stops (30 minutes).
inline constexpr uint32_t kReplayRecordLimit = 108000;
inline constexpr int kDummySlots = 10;

struct ReplayController {
  uint32_t dummyMode = 0;
  uint32_t mode = 1;  // 0 off, 1 record, 2 play
  uint32_t hold = 0;  // play mode: the streams wait while set
  CReplayFile file;
  int32_t recordingAllowed = 1;
  // Playback's check of the common generator against the round's random log: the draws compared
  // in the current round, and whether its first mismatch has been logged.
  uint32_t logPosition = 0;
  uint32_t divergenceLogged = 0;

  // recordingAllowed 1, hold 0, every round released, round 0; the modes stay.
  void ClearRounds();
  // ClearRounds, and dummy mode and mode 0.
  void Reset();
  void RewindCurrentRound();
  void EnsureRound();
  void ApplyRoundSeeds();
  void StartDummyRecording(int slot);
  void StartDummyPlayback(int slot);
  void ClearRoundSlot(int slot);
  // 1 when there is no current round (none at all, or a dummy slot the file does not hold) or
  // the current round has played to its end; else 0.
  int IsPlaybackFinished() const;
};
extern ReplayController g_ReplayController;

// Battle hooks.
void ReplayRoundStart();
void RecordPlayerInput(int slot, const uint8_t& direction, const uint32_t& buttons, const uint32_t& third);
void PlayPlayerInput(int slot, uint8_t* direction, uint32_t* buttons, uint32_t* third);
void ReplayFrameTick();
// 1 while a replay records or plays a versus match (not the dummy): the live pads then reach no
// character through the round openings and no press reaches the round flow or the judge, so
// what the file holds is all that decides the match.
int ReplayLocksLivePads();

// Scene calls.
void SyncReplaySettings();
void SyncReplayStageAndPlayers();
// The battle scene's round change: the next round, hold cleared; in play mode 1 when the
// replay has no more rounds (the caller ends the battle), else 0.
int AdvanceReplayRound();
// The loaded replay's header, judged before a playback starts: 1 when it may play; else 0 with
// the field that fails in `why`.
int CheckReplayHeader(const ReplayFileHeader& header, std::string* why);
// Starts playing the loaded replay (selections and rules from its header, mode 2, the VS
// screen next). 0 and nothing started for a header that fails or a replay of no rounds.
int StartReplayPlayback();

// What a playback start asks of the scenes: the match state reset (the main side is kept around
// it) and the change to the VS screen. Filled by the scene wiring.
struct ReplaySceneCalls {
  void (*resetMatchState)() = nullptr;
  void (*enterVsScreen)() = nullptr;
};
extern ReplaySceneCalls g_ReplaySceneCalls;

// Fills the battle's replay seams (input hook, frame tick, mode, round start, live-pad lock).
void InstallReplaySeams();
