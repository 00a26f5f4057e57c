// Cost of one frame of command input for a character with 60 commands: one frame pushed into a
// full input history (every channel has wrapped its 64 entries) and the scan of the command
// list, which matches every available notation against the history. The input keeps changing
// so the windows see real runs; a command that fires is cleared so the scan stays busy.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string_view>

#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/command_input.h"

namespace {

constexpr std::array<std::string_view, 20> kNotations = {
    "236A",   "236B", "236C", "623A", "623B", "623C", "214A",  "214B",  "214C",  "41236C",
    "63214B", "22A",  "22C",  "2+A",  "2+B",  "2+C",  "6+A+B", "-+A+D", "0202D", "<+C"};

void SetUpCharacter(Han6Frame& frame, Han6FrameState& state) {
  ResetAllBattleGlobals();
  ResetBattleSeams();
  InstallCommandInputSeams();
  state.asmv = 1;
  state.stance = 0;
  frame.state = &state;
  PlayerRecord& r = g_PlayerRecords[0];
  r.inUse = 1;
  r.obj.playerRecord = &r;
  r.obj.frameRec = &frame;
  r.ext.commandTable = std::make_unique<CharaCommandTable>();
  auto& list = r.ext.commandTable->commands;
  for (uint32_t id = 0; id < 60; ++id) {
    auto e = std::make_unique<CommandEntry>();
    e->id = id;
    CompileNotation(e->notation, kNotations[id % kNotations.size()]);
    e->flags = 0x7;  // standing, air and crouching
    e->pattern = 100 + id;
    e->cancelKind = 1;
    list.push_back(std::move(e));
  }
}

// The pad of frame n: a quarter-circle motion, and buttons every few frames while `busy` (the
// history is filled that way until every channel has wrapped); in the measured frames a button
// goes down only every 40th frame, as in play, so most frames match nothing and the whole list
// is scanned.
void PushFrame(InputHistory& h, int n, bool busy) {
  static constexpr int kDirs[] = {2, 3, 6, 0, 6, 2, 3, 0, 4, 1, 2, 0};
  uint32_t held = 0;
  if (busy)
    held = static_cast<uint32_t>((n % 5 == 0 ? 1 : 0) | (n % 7 == 0 ? 2 : 0) | (n % 3 == 0 ? 4 : 0) |
                                 (n % 11 == 0 ? 8 : 0) | (n % 4 == 0 ? 16 : 0) | (n % 9 == 0 ? 32 : 0));
  else if (n % 40 == 0)
    held = 1u << ((n / 40) % 4);
  PushInputHistory(h, kDirs[n % 12], held);
}

void BM_CommandScanFrame(benchmark::State& state) {
  Han6Frame frame;
  Han6FrameState st;
  SetUpCharacter(frame, st);
  PlayerRecord& r = g_PlayerRecords[0];
  int n = 0;
  for (; n < 64 * 40; ++n) PushFrame(r.ext.history, n, true);
  int64_t fired = 0;
  for (auto _ : state) {
    PushFrame(r.ext.history, n++, false);
    r.obj.pendingPattern = -1;
    r.obj.pendingPriority = -1;
    const int index = ScanCommandList(r);
    fired += index >= 0;
    benchmark::DoNotOptimize(index);
  }
  state.counters["fired per frame"] =
      benchmark::Counter(static_cast<double>(fired), benchmark::Counter::kAvgIterations);
  ResetAllBattleGlobals();
  ResetBattleSeams();
}
BENCHMARK(BM_CommandScanFrame);

// One notation matched against the full history (the matcher alone).
void BM_MatchNotation(benchmark::State& state) {
  InputHistory h;
  int n = 0;
  for (; n < 64 * 40; ++n) PushFrame(h, n, true);
  uint8_t code[20];
  CompileNotation(code, "41236C");
  for (auto _ : state) {
    benchmark::DoNotOptimize(MatchCommandNotation(h, code));
    PushFrame(h, n++, false);
  }
}
BENCHMARK(BM_MatchNotation);

}  // namespace

BENCHMARK_MAIN();
