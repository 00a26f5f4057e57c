// Record and playback on the battle harness. Each row of the table records a versus match to its
// judgement, saves it, changes what a viewer may change (the common generator advanced, the other
// main side, random pads pressed throughout, the viewer's options and displays), loads the file
// and plays it twice ("ONCE AGAIN"): the same replay hash every frame of every round, the same
// winner and marks, and no frame whose common draw differs from the recorded log. Beside the
// table: the generators' bookkeeping overwritten at every round start, the jump to a round's start
// (next and previous round), and the log line a changed random log gives.
#include "Replay/replay_exactness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "Replay/replay_controller.h"
#include "Replay/replay_file.h"
#include "Sound/soundproc.h"
#include "app/app_config.h"
#include "app/game_wiring.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"
#include "menu/training_settings.h"

namespace {

using namespace replay_test;

constexpr const char* kTrace = "replay_trace.txt";

// ---- the viewer's settings ----

GameData g_Options;

int LocalSide0(int side) { return side == 0; }
int LocalSide1(int side) { return side == 1; }
int EverySettingOn(int) { return 1; }

void ViewerNone() {}
void ViewerCharaFilter() {
  g_Options.CharaFilter = 3;
  for (PlayerSelection& s : g_PlayerSelections) s.drawOption = GetCharaFilter();
}
void ViewerStageAnimation() { g_Options.StageAnimation = 1 - g_Options.StageAnimation; }
void ViewerFrameSkip() {
  g_Options.FrameSkip = 1;
  g_DebugConfig.FrameSkip = 30.0f;
}
void ViewerLanguage() { g_Options.SELECT_LANGUAGE = 1 - g_Options.SELECT_LANGUAGE; }
void ViewerVolumes() {
  g_Options.BgmVolume = 0;
  g_Options.SeVolume = 21;
}
void ViewerAttractMute() { g_AttractMute = 1; }
void ViewerAttackDisplayOn() { g_BattleState[BattleStateIndex::kTrainingDisplay] = 1; }
// The training menu's displays (ATTACK DISPLAY, INPUT DISPLAY) and every other setting left on
// from a training session before the playback.
void ViewerTrainingDisplays() {
  g_BattleState[BattleStateIndex::kTrainingDisplay] = 1;
  g_BattleSeams.TrainingSetting = EverySettingOn;
}
// ATTACK DISPLAY and INPUT DISPLAY switched between recording and playback.
void ViewerDisplaysOn() {
  g_BattleState[BattleStateIndex::kTrainingDisplay] = 1;
  g_InputDisplay = 1;
}
void ViewerDisplaysOff() {
  g_BattleState[BattleStateIndex::kTrainingDisplay] = 0;
  g_InputDisplay = 0;
}
void ViewerLocalSide0() { g_BattleSeams.IsLocalSide = LocalSide0; }
void ViewerLocalSide1() { g_BattleSeams.IsLocalSide = LocalSide1; }
void ViewerAttackDisplayLocal0() {
  ViewerAttackDisplayOn();
  ViewerLocalSide0();
}

// The pause control pausing for 40 frames in the first round, a few frames after the fight call
// released the fighters (the call is still on the screen).
uint32_t g_ReleasedAt = 0;
void PauseInTheCallsTail(uint32_t frame) {
  if (g_RoundCounter != 0) return;
  if (g_ReleasedAt == 0 && g_CommandLock == 0 && g_BattlePhase == 255) g_ReleasedAt = frame;
  if (g_ReleasedAt == 0) return;
  g_Paused = frame >= g_ReleasedAt + 5 && frame < g_ReleasedAt + 45 ? 1 : 0;
}

const Match kHumans{{"duelist", 0, 0}, {"duelist", 0, 1}, MODE_VS_PLAYER, 2, 2, 4, Scripted};

struct Row {
  const char* name;
  Match match;
  Viewer recordViewer;
  Viewer playViewer;
  FrameStep recordStep = nullptr;
  HarnessPad (*playPads)(uint32_t, int) = Noise;
};

const Row kRows[] = {
    {"human vs human, holds past a run, 3 rounds to win", kHoldingMatch, ViewerNone, ViewerNone},
    {"human vs CPU, timer speed 4",
     {{"duelist", 0, 0}, {"tester", 0, 1, 1}, MODE_VS_CPU, 2, 2, 4, Pads1},
     ViewerNone,
     ViewerNone},
    {"CPU vs CPU",
     {{"duelist", 0, 0, 1}, {"tester", 0, 1, 1}, MODE_CPU_VS_CPU, 3, 2, 4, Idle},
     ViewerNone,
     ViewerNone},
    {"a draw round, hit-stop and slow motion",
     {{"duelist", 0, 0}, {"duelist", 0, 1}, MODE_VS_PLAYER, 2, 2, 4, DrawThenGuardCrush},
     ViewerNone,
     ViewerNone},
    {"a pause in the fight call's tail while recording", kHumans, ViewerNone, ViewerNone,
     PauseInTheCallsTail},
    {"pads pressed through the openings and win poses",
     {{"duelist", 0, 0}, {"duelist", 0, 1}, MODE_VS_PLAYER, 2, 2, 4, PressingThroughOpenings},
     ViewerNone,
     ViewerNone},
    {"ATTACK DISPLAY on while recording, off in playback; the local side flipped", kHumans,
     ViewerAttackDisplayLocal0, ViewerLocalSide1},
    {"character filter", kHumans, ViewerNone, ViewerCharaFilter},
    {"stage animation", kHumans, ViewerNone, ViewerStageAnimation},
    {"frame skip", kHumans, ViewerNone, ViewerFrameSkip},
    {"language", kHumans, ViewerNone, ViewerLanguage},
    {"volumes", kHumans, ViewerNone, ViewerVolumes},
    {"attract mute", kHumans, ViewerNone, ViewerAttractMute},
    {"ATTACK DISPLAY and INPUT DISPLAY on in playback", kHumans, ViewerNone, ViewerTrainingDisplays},
    {"the local side: both sides' in playback", kHumans, ViewerNone,
     [] { g_BattleSeams.IsLocalSide = EverySettingOn; }},
    // A window without focus reads no key: the viewer's pads are all released.
    {"window focus lost in playback", kHumans, ViewerNone, ViewerNone, nullptr,
     [](uint32_t, int) { return HarnessPad{}; }},
    {"ATTACK DISPLAY and INPUT DISPLAY on while recording, off in playback", kHumans, ViewerDisplaysOn,
     ViewerDisplaysOff},
};

const Row& RowNamed(std::string_view name) {
  for (const Row& row : kRows)
    if (row.name == name) return row;
  return kRows[0];
}

std::vector<std::string> DivergenceLines() {
  std::vector<std::string> lines;
  std::ifstream in(kTrace);
  std::string line;
  while (std::getline(in, line))
    if (line.find(": random log expected") != std::string::npos) lines.push_back(line);
  return lines;
}

class ReplayExactness : public battle_test::HarnessSamplePackTest {
 protected:
  void SetUp() override {
    HarnessSamplePackTest::SetUp();
    std::filesystem::remove(kTrace);
    vt::SetDebugTraceFile(kTrace);
    FillDefaultGameData(g_Options);
    g_GameData = &g_Options;
    g_ReplayController = ReplayController{};
    g_ReplaySceneCalls = {};
  }
  void TearDown() override {
    vt::SetDebugTraceFile("");
    g_GameData = nullptr;
    g_AttractMute = 0;
    g_DebugConfig = DebugConfig{};
    g_ReplayController = ReplayController{};
    HarnessSamplePackTest::TearDown();
  }

  // Records the row's match and saves it; the recording.
  static Recorded Record(const Row& row, const std::string& file) {
    ReplayController& c = g_ReplayController;
    c.Reset();
    c.mode = 1;
    g_MainSide = 0;
    g_ReleasedAt = 0;
    Recorded r = Play(row.match, row.match.script(), 1, row.recordViewer, row.recordStep);
    g_Paused = 0;
    g_BattleSeams.IsLocalSide = nullptr;
    g_BattleSeams.TrainingSetting = nullptr;
    EXPECT_EQ(c.file.Save(file), 1) << row.name;
    return r;
  }

  // Loads the file and plays it back as the viewer has things set.
  static Recorded PlayBack(const Row& row, const std::string& file, bool reload = true) {
    ReplayController& c = g_ReplayController;
    if (reload) {
      c = ReplayController{};
      EXPECT_EQ(c.file.Load(file), 1) << c.file.errorText;
    }
    c.mode = 2;
    // The viewer's own rules and state, which the header's replace or which must not matter.
    RandNext();
    RandNext();
    g_MainSide = 1;
    Match m = row.match;
    m.cpuLevel = 0;
    m.roundsToWin = 1;
    m.timerSpeed = 1;
    const HarnessScript pads = row.playPads;
    Recorded r = Play(m, pads, 7, row.playViewer);
    RestoreViewer();
    return r;
  }

  static void RestoreViewer() {
    FillDefaultGameData(g_Options);
    g_InputDisplay = 0;
    g_AttractMute = 0;
    g_DebugConfig = DebugConfig{};
    g_BattleSeams.IsLocalSide = nullptr;
    g_BattleSeams.TrainingSetting = nullptr;
    g_MainSide = 0;
  }

  static void ExpectSame(const Recorded& want, const Recorded& got, const std::string& what) {
    ASSERT_TRUE(got.loaded) << what;
    EXPECT_EQ(got.result.ending, want.result.ending) << what;
    EXPECT_EQ(got.result.rounds, want.result.rounds) << what;
    EXPECT_EQ(got.winner, want.winner) << what;
    EXPECT_EQ(got.marks, want.marks) << what;
    ASSERT_EQ(got.rounds.size(), want.rounds.size()) << what;
    for (size_t round = 0; round < want.rounds.size(); ++round) {
      ASSERT_EQ(got.rounds[round].size(), want.rounds[round].size()) << what << ", round " << round;
      for (size_t f = 0; f < want.rounds[round].size(); ++f)
        ASSERT_EQ(got.rounds[round][f], want.rounds[round][f])
            << what << ", round " << round << ", frame " << f;
    }
  }
};

TEST_F(ReplayExactness, EveryRowPlaysBackFrameForFrame) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    const std::string file = ".\\ReplayVS\\exact.rep";
    const Recorded recorded = Record(row, file);
    ASSERT_TRUE(recorded.loaded);
    ASSERT_NE(recorded.result.ending, 0) << "the recorded match reaches its judgement";
    ASSERT_EQ(recorded.rounds.size(), g_ReplayController.file.rounds.size());
    std::printf("%s: %d frames, %d rounds, winner %d, %d time-overs, %d draws\n", row.name,
                recorded.result.frames, recorded.result.rounds, recorded.winner, recorded.timeOvers,
                recorded.draws);

    const Recorded played = PlayBack(row, file);
    ExpectSame(recorded, played, "playback");
    // "ONCE AGAIN": the same replay played a second time from the controller.
    const Recorded again = PlayBack(row, file, false);
    ExpectSame(recorded, again, "once again");
    EXPECT_EQ(DivergenceLines(), std::vector<std::string>{});
  }
}

// What each special row is about actually happened in its recording.
TEST_F(ReplayExactness, TheRowsRecordWhatTheyAreAbout) {
  // Holds past 248 frames are cut into runs of 248.
  Recorded r = Record(kRows[0], ".\\ReplayVS\\a.rep");
  bool fullRun = false;
  for (const ReplayRound& round : g_ReplayController.file.rounds)
    for (const ReplayInputStream& s : round.streams)
      for (const ReplayInputEntry& e : s.entries) fullRun |= e.repeat == kReplayRunLimit;
  EXPECT_TRUE(fullRun);
  EXPECT_GE(r.result.rounds, 3);
  // A CPU match: seeds, start states and the log, no input; the CPU side of a human-vs-CPU match
  // records nothing either.
  r = Record(kRows[2], ".\\ReplayVS\\b.rep");
  ASSERT_FALSE(g_ReplayController.file.rounds.empty());
  for (const ReplayRound& round : g_ReplayController.file.rounds) {
    for (const ReplayInputStream& s : round.streams) EXPECT_TRUE(s.entries.empty());
    EXPECT_FALSE(round.randomLog.empty());
  }
  r = Record(kRows[1], ".\\ReplayVS\\c.rep");
  for (const ReplayRound& round : g_ReplayController.file.rounds) {
    EXPECT_FALSE(round.streams[0].entries.empty());
    EXPECT_TRUE(round.streams[1].entries.empty());
  }
  EXPECT_GT(r.timeOvers, 0) << "a round runs out of time";
  r = Record(RowNamed("a draw round, hit-stop and slow motion"), ".\\ReplayVS\\d.rep");
  EXPECT_GT(r.draws, 0);
  EXPECT_GT(r.slowFrames, 0);
  EXPECT_GT(r.hitStopFrames, 100);
  r = Record(RowNamed("a pause in the fight call's tail while recording"), ".\\ReplayVS\\e.rep");
  EXPECT_EQ(r.pausedFrames, 40);
  EXPECT_NE(r.result.ending, 0);
}

// Nothing reads the common generator's last value or draw count: overwritten at every round start
// of a playback, they change no replay hash.
TEST_F(ReplayExactness, GeneratorBookkeepingChangesNothing) {
  Row row = RowNamed("character filter");
  const Recorded recorded = Record(row, ".\\ReplayVS\\keep.rep");
  row.playViewer = [] {
    g_BattleSeams.ReplayRoundStart = [] {
      ReplayRoundStart();
      g_RandLastValue = 0x5A5A5A5A;
      g_RandDrawCount = -77;
    };
  };
  const Recorded played = PlayBack(row, ".\\ReplayVS\\keep.rep");
  ExpectSame(recorded, played, "bookkeeping overwritten");
  EXPECT_EQ(DivergenceLines(), std::vector<std::string>{});
}

// The pause menu's NEXT ROUND and PREVIOUS ROUND: the round index moved, the round counter set to
// it and the battle started again from that round's set-up. From there the frames are those of a
// straight playback.
TEST_F(ReplayExactness, JumpingToARoundPlaysItAsAStraightPlayback) {
  const Row& row = kRows[0];
  const std::string file = ".\\ReplayVS\\jump.rep";
  const Recorded recorded = Record(row, file);
  ASSERT_GE(recorded.rounds.size(), 3u);
  ReplayController& c = g_ReplayController;
  c = ReplayController{};
  ASSERT_EQ(c.file.Load(file), 1);
  struct Jump {
    uint32_t from;
    uint32_t to;
  };
  for (const Jump j : {Jump{0, 1}, Jump{1, 2}, Jump{2, 1}, Jump{0, 2}}) {
    SCOPED_TRACE(testing::Message() << "round " << j.from << " to " << j.to);
    c.mode = 2;
    g_MainSide = 1;
    ASSERT_TRUE(SetUpMatch(row.match, 3, nullptr));
    // Straight on to the middle of round `from`.
    const HarnessScript noise = Noise;
    while (c.file.roundIndex < j.from || g_RoundCounter < static_cast<int32_t>(j.from)) {
      HarnessRunFrame(noise);
      if (g_RoundRestart != 0) {
        ASSERT_EQ(StartNextRound(RoundStart::kGame), 1);
      }
    }
    for (int f = 0; f < 400 && g_RoundRestart == 0; ++f) HarnessRunFrame(noise);
    ASSERT_EQ(g_RoundRestart, 0);
    // The pause menu's choice, taken while paused.
    g_Paused = 1;
    c.file.roundIndex = j.to;
    g_RoundCounter = static_cast<int32_t>(j.to);
    c.hold = 0;
    HarnessPrepareRound();
    std::vector<uint64_t> hashes;
    size_t released = SIZE_MAX;
    for (int f = 0; f < kBudget && g_RoundRestart == 0; ++f) {
      HarnessRunFrame(noise);
      if (g_Paused != 0 || g_StartedRound != j.to) continue;
      hashes.push_back(ReplayStateHash());
      if (g_CommandLock != 2 && released == SIZE_MAX) released = hashes.size() - 1;
    }
    HarnessRelease();
    g_BattleDrawSubmit = true;
    // Through the opening, and on the frame the fight call releases them, the fighters' chain
    // memory still holds the free mark of the state the jump left (a round's set-up keeps it and
    // the file does not hold it); the first state change of the fight overwrites it, and from the
    // frame after the release on the round is the straight playback's.
    ASSERT_EQ(hashes.size(), recorded.rounds[j.to].size());
    ASSERT_EQ(released, recorded.released[j.to]);
    for (size_t f = released + 1; f < hashes.size(); ++f)
      ASSERT_EQ(hashes[f], recorded.rounds[j.to][f]) << "frame " << f;
  }
  RestoreViewer();
  EXPECT_EQ(DivergenceLines(), std::vector<std::string>{});
}

// A random log value changed in a saved file: one line for that round, at the changed frame,
// naming the file and both values; the other rounds give none, and the playback goes on.
TEST_F(ReplayExactness, AChangedRandomLogIsLoggedOncePerRound) {
  const Row& row = RowNamed("character filter");
  const std::string file = ".\\ReplayVS\\log.rep";
  Record(row, file);
  ReplayController& c = g_ReplayController;
  ASSERT_GE(c.file.rounds.size(), 2u);
  std::vector<uint32_t>& log = c.file.rounds[1].randomLog;
  ASSERT_GT(log.size(), 40u);
  const uint32_t original = log[30];
  log[30] ^= 0x00010000u;
  log[31] ^= 0x00010000u;  // a second mismatch in the same round: no second line
  const uint32_t changed = log[30];
  ASSERT_EQ(c.file.Save(file), 1);

  const Recorded played = PlayBack(row, file);
  EXPECT_NE(played.result.ending, 0) << "the playback goes on to the judgement";
  char expected[128];
  std::snprintf(expected, sizeof expected, "replay %s: round 2, frame 30: random log expected %08x, got %08x",
                file.c_str(), changed, original);
  EXPECT_EQ(DivergenceLines(), std::vector<std::string>{expected});
}

// The first row's recording ends at its recorded frame with its recorded last replay hash.
TEST_F(ReplayExactness, MatchesTheRecordedRun) {
  const Recorded r = Record(kRows[0], ".\\ReplayVS\\recorded.rep");
  ASSERT_FALSE(r.rounds.empty());
  std::printf("recorded replay: %d frames, last replay hash %016llx\n", r.result.frames,
              static_cast<unsigned long long>(r.rounds.back().back()));
  EXPECT_EQ(r.result.frames, kHoldingMatchFrames);
  EXPECT_EQ(r.rounds.back().back(), kHoldingMatchLastHash);
}

}  // namespace
