// Winner demo benchmarks: one frame of the winner screen (quote being written, particles, menu)
// through the game's logic frame on the recording device and on the offscreen GL device, and the
// quote text picture's rendering. Run from the build folder (the sample folder is ./gamedata, or
// VT_SAMPLE_DIR); the run works in a temporary copy of it. Measured on the shared build machine
// under load: 210 us a frame on the recording device, 11.2 ms on llvmpipe, 0.056 ms for the quote
// picture.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "app/text_list.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"
#include "scene/scene_frame.h"
#include "scene/scene_harness.h"
#include "scene/winner_screen.h"

namespace {

GameData g_config{};

bool EnterSampleCopy() {
  namespace fs = std::filesystem;
  static bool done = false;
  if (done) return true;
  const fs::path sample =
      fs::absolute(std::getenv("VT_SAMPLE_DIR") != nullptr ? std::getenv("VT_SAMPLE_DIR") : "gamedata");
  const fs::path copy = fs::temp_directory_path() / "vt_bench_winner";
  std::error_code ec;
  fs::remove_all(copy, ec);
  fs::copy(sample, copy, fs::copy_options::recursive, ec);
  if (ec) return false;
  fs::current_path(copy, ec);
  if (ec) return false;
  vt::SetDebugQuiet(true);
  FillDefaultGameData(g_config);
  g_config.SELECT_LANGUAGE = 1;
  g_GameData = &g_config;
  done = true;
  return true;
}

void SetVersusWin() {
  g_GameModeFlags = MODE_VS_PLAYER;
  g_MainSide = 0;
  g_MatchWinnerSide = 0;
  g_WinnerCharacter = 0;
  g_LoserCharacter = 1;
  g_MainSideLost = 0;
}

void WinnerDemoFrame(benchmark::State& state, bool gl) {
  if (!EnterSampleCopy()) {
    state.SkipWithError("no sample folder");
    return;
  }
  SetVersusWin();
  SceneHarness harness;
  SceneHarnessOptions o;
  o.gl = gl;
  o.commonResources = true;
  o.firstScene = SCENE_WINNER_DEMO;
  if (!harness.Start(o)) {
    state.SkipWithError("no device");
    return;
  }
  const DataBuffer list = LoadDataFile(".\\charaselect.txt");
  if (list) LoadCharaSelectList(list.text());
  LoadGameText();
  ChangeScene(SCENE_WINNER_DEMO);
  int frames = 0;
  for (auto _ : state) {
    // Every 400 frames the demo starts again, so the frames measured are the winner screen's.
    if (++frames % 400 == 0) {
      state.PauseTiming();
      SetVersusWin();
      ChangeScene(SCENE_WINNER_DEMO);
      state.ResumeTiming();
    }
    harness.RunFrame();
  }
  harness.LeaveScene();
  harness.Stop();
  FreeCharaSelectList();
}

void BM_WinnerDemoFrameRecording(benchmark::State& state) { WinnerDemoFrame(state, false); }
void BM_WinnerDemoFrameGl(benchmark::State& state) { WinnerDemoFrame(state, true); }

void BM_QuoteTextPicture(benchmark::State& state) {
  if (!EnterSampleCopy()) {
    state.SkipWithError("no sample folder");
    return;
  }
  SceneHarness harness;
  SceneHarnessOptions o;
  o.commonResources = true;
  if (!harness.Start(o)) {
    state.SkipWithError("no device");
    return;
  }
  // A two-line quote of full-width letters with a reading.
  std::string text = "<\x82\xA0>";
  for (int i = 0; i < 20; ++i) text += "\x82\x60";
  text += "\x81\xA1";
  for (int i = 0; i < 20; ++i) text += "\x82\x61";
  for (auto _ : state) MakeWinQuoteText(text);
  FreeWinnerScreenParts();
  harness.Stop();
}

BENCHMARK(BM_WinnerDemoFrameRecording)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WinnerDemoFrameGl)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuoteTextPicture)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
