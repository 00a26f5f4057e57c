// Training figures: a dummy file of ten full 5400-frame slots (its size, saving it through the
// dummy's stop and loading it at a battle start), and the dummy pattern file's reload that every
// application of STAND makes inside a battle frame. Runs in a scratch folder of its own.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Replay/replay_controller.h"
#include "app/lib_debug.h"
#include "battle/battle_records.h"
#include "battle/cpu_patterns.h"
#include "battle/game_mode.h"
#include "menu/dummy_recordings.h"
#include "menu/training_hooks.h"
#include "menu/training_settings.h"

namespace {

constexpr uint32_t kFullSlot = 5400;

bool Ready() {
  static const bool ok = [] {
    vt::SetDebugQuiet(true);
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vt_bench_training";
    std::filesystem::create_directories(dir / "data", ec);
    std::filesystem::current_path(dir, ec);
    if (ec) return false;
    g_GameModeFlags = MODE_TRAINING;
    ResetTrainingSettings();
    return true;
  }();
  return ok;
}

// Ten slots of 5400 frames whose input changes every `runFrames` frames (1: every frame, the
// largest file; 8: a player's usual pace).
void FillTenSlots(int runFrames) {
  ReplayController& c = g_ReplayController;
  c = ReplayController{};
  c.StartDummyRecording(0);
  for (int s = 0; s < kDummySlots; ++s) {
    ReplayRound& r = c.file.rounds[static_cast<size_t>(s)];
    for (uint32_t f = 0; f < kFullSlot; ++f) {
      const uint32_t step = f / static_cast<uint32_t>(runFrames);
      r.streams[0].Append(
          {static_cast<uint8_t>(1 + step % 9), 1, ReplayInputEntry::Pack((step & 7) << 12, 0)});
    }
  }
}

void BM_DummyFileSave(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("no scratch folder");
  FillTenSlots(static_cast<int>(state.range(0)));
  const ReplayController filled = g_ReplayController;
  for (auto _ : state) {
    state.PauseTiming();
    g_ReplayController = filled;
    state.ResumeTiming();
    StopDummyAndSave();
  }
  std::error_code ec;
  state.counters["file_bytes"] =
      static_cast<double>(std::filesystem::file_size("RepDummy/RepD_@CPUNAME@_@CPUSTYLE@.dmr", ec));
}
BENCHMARK(BM_DummyFileSave)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_DummyFileLoad(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("no scratch folder");
  FillTenSlots(static_cast<int>(state.range(0)));
  StopDummyAndSave();
  for (auto _ : state) {
    LoadDummyRecordingFile();
    benchmark::DoNotOptimize(g_ReplayController.file.rounds.data());
  }
  if (g_ReplayController.file.rounds.size() != kDummySlots ||
      g_ReplayController.file.rounds[9].GetLength() != kFullSlot)
    state.SkipWithError("the file did not load whole");
}
BENCHMARK(BM_DummyFileLoad)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

// STAND applied in full, as a training restart does inside the battle frame: the pattern file
// read into both sides' slots (and a partner's when arg 1).
void BM_StandReloadsThePatternFile(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("no scratch folder");
  const std::vector<uint8_t> deku = WriteCpuPatternFile(CpuPatternFile{});
  FILE* f = std::fopen("data/deku.cpf", "wb");
  if (f == nullptr) return state.SkipWithError("cannot write the pattern file");
  std::fwrite(deku.data(), 1, deku.size(), f);
  std::fclose(f);
  g_ReplayController = ReplayController{};
  g_ReplayController.mode = 0;
  g_TrainingSettings[ENEMY_STATUS] = kEnemyStand;
  g_SideStatus[1].hasPartner = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    ApplyTrainingSettings(1, 0);
    benchmark::DoNotOptimize(g_CpuPatternSlots[0].guardRate);
  }
  g_SideStatus[1].hasPartner = 0;
}
BENCHMARK(BM_StandReloadsThePatternFile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
