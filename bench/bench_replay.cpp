// Replay figures: the file size and input runs per minute of play for each pairing (human against
// human with holding and with scripted pads, human against CPU, CPU against CPU), loading and
// saving a 30-minute human replay, the harness's frames per second with the controller off,
// recording and playing, and the replay hash beside the battle hash per frame. Run from the build
// folder (the sample folder is ./gamedata) or with VT_SAMPLE_DIR set.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "../tests/Replay/replay_exactness.h"
#include "FilePacFunc/FilePac.h"
#include "app/app_config.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/battle_records.h"

namespace {

using namespace replay_test;

GameData g_Options;

bool Ready() {
  static const bool ok = [] {
    vt::SetDebugQuiet(true);
    const char* env = std::getenv("VT_SAMPLE_DIR");
    std::error_code ec;
    std::filesystem::current_path(env != nullptr ? env : "gamedata", ec);
    if (ec || MountPack("0000.p") != 1) return false;
    FillDefaultGameData(g_Options);
    g_GameData = &g_Options;
    return true;
  }();
  return ok;
}

const char* const kScratch = ".\\ReplayVS\\bench_scratch.rep";

void RemoveScratch() {
  std::error_code ec;
  std::filesystem::remove("ReplayVS/bench_scratch.rep", ec);
}

// Records a match with the controller in `mode` (0 off, 1 record) or plays the scratch file back
// (2); the frames played.
uint64_t RunMatch(const Match& m, uint32_t mode) {
  ReplayController& c = g_ReplayController;
  if (mode == 2) {
    c = ReplayController{};
    if (c.file.Load(kScratch) != 1) return 0;
  } else {
    c.Reset();
  }
  c.mode = mode;
  g_MainSide = 0;
  const Recorded r = Play(m, m.script(), 1, nullptr);
  return r.loaded ? static_cast<uint64_t>(r.result.frames) : 0;
}

const Match kPairings[] = {
    kHoldingMatch,
    {{"duelist", 0, 0}, {"duelist", 0, 1}, MODE_VS_PLAYER, 2, 2, 4, Scripted},
    {{"duelist", 0, 0}, {"tester", 0, 1, 1}, MODE_VS_CPU, 2, 2, 4, Pads1},
    {{"duelist", 0, 0, 1}, {"tester", 0, 1, 1}, MODE_CPU_VS_CPU, 3, 2, 4, Idle},
};
const char* const kPairingNames[] = {"human vs human, holding pads", "human vs human, scripted pads",
                                     "human vs CPU", "CPU vs CPU"};

// File bytes and input runs per minute of play (60 frames a second).
void BM_ReplaySizePerMinute(benchmark::State& state) {
  const Match& m = kPairings[state.range(0)];
  state.SetLabel(kPairingNames[state.range(0)]);
  if (!Ready()) {
    state.SkipWithError("no sample folder");
    return;
  }
  uint64_t frames = 0;
  for (auto _ : state) frames = RunMatch(m, 1);
  const CReplayFile& f = g_ReplayController.file;
  uint64_t runs = 0;
  for (const ReplayRound& round : f.rounds)
    for (const ReplayInputStream& s : round.streams) runs += s.entries.size();
  const double minutes = static_cast<double>(frames) / 3600.0;
  if (frames == 0 || minutes <= 0.0) {
    state.SkipWithError("the match did not run");
    return;
  }
  state.counters["frames"] = static_cast<double>(frames);
  state.counters["bytes_per_min"] = static_cast<double>(f.Serialise().size()) / minutes;
  state.counters["runs_per_min"] = static_cast<double>(runs) / minutes;
  g_ReplayController = ReplayController{};
}
BENCHMARK(BM_ReplaySizePerMinute)->DenseRange(0, 3)->Iterations(1)->Unit(benchmark::kMillisecond);

// A 30-minute human replay: the rounds of a recorded holding match repeated until they hold
// 108,000 frames, each with its seeds, start state, input runs and random log.
CReplayFile& ThirtyMinutes() {
  static CReplayFile file = [] {
    CReplayFile f;
    if (RunMatch(kHoldingMatch, 1) == 0) return f;
    const CReplayFile recorded = g_ReplayController.file;
    f.header = recorded.header;
    uint64_t frames = 0;
    while (frames < kReplayRecordLimit)
      for (ReplayRound round : recorded.rounds) {
        frames += round.GetLength();
        f.rounds.push_back(std::move(round));
      }
    g_ReplayController = ReplayController{};
    return f;
  }();
  return file;
}

void BM_Save30MinuteReplay(benchmark::State& state) {
  if (!Ready()) {
    state.SkipWithError("no sample folder");
    return;
  }
  CReplayFile& f = ThirtyMinutes();
  for (auto _ : state)
    if (f.Save(kScratch) != 1) state.SkipWithError("save failed");
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size("ReplayVS/bench_scratch.rep"));
}
BENCHMARK(BM_Save30MinuteReplay)->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_Load30MinuteReplay(benchmark::State& state) {
  if (!Ready() || ThirtyMinutes().Save(kScratch) != 1) {
    state.SkipWithError("no sample folder");
    return;
  }
  CReplayFile f;
  for (auto _ : state)
    if (f.Load(kScratch) != 1) state.SkipWithError("load failed");
  RemoveScratch();
}
BENCHMARK(BM_Load30MinuteReplay)->Iterations(20)->Unit(benchmark::kMillisecond);

// The holding match headless with the controller off (0), recording (1) and playing (2).
void BM_HarnessFramesPerSecond(benchmark::State& state) {
  const uint32_t mode = static_cast<uint32_t>(state.range(0));
  state.SetLabel(mode == 0 ? "controller off" : mode == 1 ? "recording" : "playing");
  if (!Ready()) {
    state.SkipWithError("no sample folder");
    return;
  }
  if (mode == 2 && (RunMatch(kHoldingMatch, 1) == 0 || g_ReplayController.file.Save(kScratch) != 1)) {
    state.SkipWithError("no recording");
    return;
  }
  uint64_t frames = 0;
  double seconds = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    frames += RunMatch(kHoldingMatch, mode);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  state.counters["fps"] = seconds > 0 ? static_cast<double>(frames) / seconds : 0;
  g_ReplayController = ReplayController{};
  RemoveScratch();
}
BENCHMARK(BM_HarnessFramesPerSecond)->DenseRange(0, 2)->Iterations(3)->Unit(benchmark::kMillisecond);

// Both hashes over the state of a match in its first round.
template <uint64_t (*Hash)()>
void HashPerFrame(benchmark::State& state) {
  if (!Ready()) {
    state.SkipWithError("no sample folder");
    return;
  }
  g_ReplayController.Reset();
  g_ReplayController.mode = 0;
  if (!SetUpMatch(kHoldingMatch, 1, nullptr)) {
    state.SkipWithError("the match did not load");
    return;
  }
  const HarnessScript pads = Pads1();
  HarnessRunMatch(pads, 600, [](uint64_t) {});
  for (auto _ : state) benchmark::DoNotOptimize(Hash());
  HarnessRelease();
}
void BM_ReplayStateHash(benchmark::State& state) { HashPerFrame<ReplayStateHash>(state); }
void BM_BattleStateHash(benchmark::State& state) { HashPerFrame<BattleStateHash>(state); }
BENCHMARK(BM_ReplayStateHash)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BattleStateHash)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
