// The exactness runs shared by the headless and the rendered replay tests: a versus match set up
// as the VS screen and the battle scene set it up for the replay controller, played to its end on
// the harness, with the replay hash of every frame of every round from the round's start on.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "Replay/replay_controller.h"
#include "Replay/replay_file.h"
#include "app/game_wiring.h"
#include "app/random.h"
#include "battle/battle_draw.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"

namespace replay_test {

inline constexpr int kBudget = 40000;

struct Recorded {
  bool loaded = false;
  std::vector<std::vector<uint64_t>> rounds;  // per round, the replay hash of every unpaused frame
  HarnessMatchResult result;
  uint8_t winner = 0;
  std::array<int32_t, 26> marks{};  // both sides' round-mark blocks and match-point flags
  int timeOvers = 0;                // rounds that ended with the clock at 0
  int draws = 0;                    // rounds that ended in a draw
  int slowFrames = 0;               // frames run in slow motion
  int hitStopFrames = 0;            // frames a fighter spent in hit-stop
  int pausedFrames = 0;             // frames that ended paused
  std::vector<size_t> released;     // per round, the first hash taken with the fighters free
};

// A match as the scenes set it up: the characters, the mode word, the rules ApplyMatchRules sets
// from the options (in playback the header's replace them), the pads.
struct Match {
  HarnessCharacter side0, side1;
  int32_t gameMode = MODE_VS_PLAYER;
  int32_t cpuLevel = 2;
  int32_t roundsToWin = 2;
  uint8_t timerSpeed = 4;
  HarnessScript (*script)() = nullptr;
};

// What one frame may do besides the pads (the pause control, for one); run before the frame.
using FrameStep = void (*)(uint32_t frame);
// Changes made after the match is set up and before its first frame (the viewer's side).
using Viewer = void (*)();

// The round whose start the replay controller last handled: a round's frames are compared from
// there on (before it the generators still hold whatever the process drew before the match).
inline uint32_t g_StartedRound = UINT32_MAX;
inline void (*g_RoundStartHook)() = nullptr;
inline void NoteRoundStart() {
  g_RoundStartHook();
  g_StartedRound = g_ReplayController.file.roundIndex;
}
inline void WatchRoundStarts() {
  g_StartedRound = UINT32_MAX;
  g_RoundStartHook = g_BattleSeams.ReplayRoundStart;
  g_BattleSeams.ReplayRoundStart = NoteRoundStart;
}

// The VS screen's and the battle's calls to the controller in the battle scene's order, up to the
// first round's set-up. In playback the characters come from the loaded header. False when the
// match could not be set up.
inline bool SetUpMatch(const Match& m, uint32_t seed, Viewer viewer) {
  ReplayController& c = g_ReplayController;
  HarnessCharacter sides[2] = {m.side0, m.side1};
  int32_t mode = m.gameMode;
  int32_t cpuLevel = m.cpuLevel;
  if (c.mode == 2) {
    // What the replay select does: the header judged against the game's character list, the
    // selections rebuilt from it.
    InstallGameWiring();
    if (!HarnessLoadCharaList()) return false;
    if (!StartReplayPlayback()) {
      ADD_FAILURE() << c.file.errorText;
      return false;
    }
    mode = g_GameModeFlags;
    cpuLevel = static_cast<int32_t>(c.file.header.cpuLevel);
    for (int i = 0; i < 2; ++i) {
      const ReplayFileHeader::Player& p = c.file.header.players[i];
      const CharaListEntry* e = GetCharaListEntry(static_cast<int>(p.character));
      if (e == nullptr) return false;
      sides[i] = {e->File1, static_cast<int>(p.type), static_cast<int>(p.colour),
                  static_cast<int>(p.controller)};
    }
  }
  g_BattleDrawSubmit = false;
  if (!HarnessLoadMatch(sides[0], sides[1], false, RoundStart::kGame, seed, {mode, cpuLevel, g_MainSide, 0}))
    return false;
  // ApplyMatchRules: the options' rules, then the replay's sync (playback takes the header's).
  g_CpuLevel = m.cpuLevel;
  g_RoundsToWin = m.roundsToWin;
  g_TimerSpeed = m.timerSpeed;
  g_DamageLevel = 2;
  SyncReplaySettings();
  SyncReplayStageAndPlayers();
  if (viewer) viewer();
  WatchRoundStarts();
  c.recordingAllowed = 1;
  c.hold = 0;
  if (c.mode == 1) c.ClearRounds();
  HarnessPrepareRound();  // the first round set up with the match's rules in force
  return true;
}

// The match set up as above, then played to its end, headless.
// `afterFrame`, when given, runs after each frame (a rendered run draws there; the drawing half
// queues the frame only while g_BattleDrawSubmit is set, which `render` leaves on).
inline Recorded Play(const Match& m, const HarnessScript& pads, uint32_t seed, Viewer viewer,
                     FrameStep step = nullptr, bool render = false,
                     const std::function<void()>& afterFrame = {}) {
  Recorded r;
  ReplayController& c = g_ReplayController;
  r.loaded = SetUpMatch(m, seed, viewer);
  g_BattleDrawSubmit = render;
  if (!r.loaded) return r;
  const HarnessScript script = [&](uint32_t frame, int side) {
    if (side == 0 && step) step(frame);
    return pads(frame, side);
  };
  r.result = HarnessRunMatch(script, kBudget, [&](uint64_t) {
    if (afterFrame) afterFrame();
    const size_t round = c.file.roundIndex;
    if (r.rounds.size() <= round) r.rounds.resize(round + 1);
    if (r.released.size() <= round) r.released.resize(round + 1, SIZE_MAX);
    if (g_Paused == 0 && g_StartedRound == round) {
      r.rounds[round].push_back(ReplayStateHash());
      if (g_CommandLock != 2 && r.released[round] == SIZE_MAX) r.released[round] = r.rounds[round].size() - 1;
    }
    if (g_RoundRestart != 0 && g_RoundTimer == 0) ++r.timeOvers;
    if (g_RoundRestart != 0 && g_RoundWinner == 255) ++r.draws;
    r.slowFrames += g_SlowMotion != 0;
    r.pausedFrames += g_Paused != 0;
    r.hitStopFrames += g_PlayerRecords[0].obj.hitStop != 0 || g_PlayerRecords[1].obj.hitStop != 0;
  });
  r.winner = g_MatchWinnerSide;
  std::copy_n(&g_BattleState[BattleStateIndex::kMatchPoint0], r.marks.size(), r.marks.begin());
  HarnessRelease();
  g_BattleDrawSubmit = true;
  return r;
}

// Seeded pads that hold each input for a while, now and then for longer than a run holds (248
// frames), mixed with quick presses.
inline HarnessScript HoldingPads(uint32_t seed) {
  struct Hold {
    uint32_t until;
    HarnessPad pad;
  };
  auto holds = std::make_shared<std::array<std::vector<Hold>, 2>>();
  std::mt19937 gen(seed);
  for (auto& side : *holds) {
    uint32_t at = 0;
    while (at < static_cast<uint32_t>(kBudget)) {
      const uint32_t length = gen() % 4 == 0 ? 250 + gen() % 150 : 1 + gen() % 24;
      at += length;
      side.push_back({at, {static_cast<uint8_t>(gen() % 10), static_cast<uint8_t>(gen() % 32)}});
    }
  }
  return [holds](uint32_t frame, int side) {
    const auto& list = (*holds)[side];
    const auto it = std::upper_bound(list.begin(), list.end(), frame,
                                     [](uint32_t f, const Hold& h) { return f < h.until; });
    return it == list.end() ? HarnessPad{} : it->pad;
  };
}

inline HarnessScript Pads1() { return HoldingPads(1); }
inline HarnessScript Scripted() { return HarnessScriptedMatch(); }
inline HarnessScript Idle() {
  return [](uint32_t, int) { return HarnessPad{}; };
}
// Both sides stand still through the first round (a time-over draw); then side 0 walks in and
// presses C again and again while side 1 holds back and guards: hit-stop on every blow, and the
// guard crushed at last, with its slow motion.
inline HarnessScript DrawThenGuardCrush() {
  return [](uint32_t frame, int side) {
    HarnessPad pad;
    if (g_RoundCounter == 0 || g_CommandLock != 0 || g_JudgeState != 0) return pad;
    const int64_t dx = int64_t{g_PlayerRecords[1 - side].obj.posX} - g_PlayerRecords[side].obj.posX;
    const uint8_t toward = dx > 0 ? 6 : 4;
    const uint8_t away = dx > 0 ? 4 : 6;
    if (side == 1) {
      pad.dir = away;
    } else if (dx > 64 * 128 || dx < -64 * 128) {
      pad.dir = toward;
    } else if (frame % 12 < 2) {
      pad.buttons = 0x4;
    }
    return pad;
  };
}

// The scripted match, with every button held and the stick pushed through the round openings and
// the win poses, where the file holds nothing.
inline HarnessScript PressingThroughOpenings() {
  return [script = HarnessScriptedMatch()](uint32_t frame, int side) {
    if (g_CommandLock == 2 || g_JudgeState != 0)
      return HarnessPad{static_cast<uint8_t>(frame % 2 ? 6 : 4), static_cast<uint8_t>(frame % 3 ? 0x1F : 0)};
    return script(frame, side);
  };
}

// A viewer pressing everything during playback.
inline HarnessPad Noise(uint32_t frame, int side) {
  return HarnessPad{static_cast<uint8_t>((frame * 7 + side) % 10), static_cast<uint8_t>(frame * 13 % 32)};
}

// The first row's match: human against human on seeded holding pads, three rounds to win; and the
// last replay hash of its recording in every build (-O0 with sanitizers, optimised) and on every
// machine. The value moves, on purpose, whenever the battle's rules or data change: record the new
// one with the reason.
inline const Match kHoldingMatch{{"duelist", 0, 0}, {"duelist", 0, 1}, MODE_VS_PLAYER, 2, 3, 4, Pads1};
inline constexpr int kHoldingMatchFrames = 12482;
inline constexpr uint64_t kHoldingMatchLastHash = 0xc9187549324af8e2ull;

}  // namespace replay_test
