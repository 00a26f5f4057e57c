// Battle figures: the update half alone with two sample characters and a busy pool of 200 and
// of 1,000 live objects (frames simulated per second headless), the whole frame with the
// drawing half, the state hash over its own busy pools and side by side with the update, and
// the character load on the loader thread; the hit phase with four characters and 200 live
// projectiles, a scripted attacker/defender frame drawn on the recording device and the
// character list read over all its sections; the scripted three-round match headless and with
// its drawing half on the recording device, and the state hash over a full particle pool. Run
// from the repository or with VT_SAMPLE_DIR set.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_driver.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/chara_command.h"
#include "battle/chara_list.h"
#include "battle/cpu_ai.h"
#include "battle/cpu_defence.h"
#include "battle/cpu_patterns.h"
#include "battle/game_mode.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"
#include "battle/particle_pool.h"
#include "battle/screen_break.h"

namespace {

std::filesystem::path SampleDir() {
  if (const char* env = std::getenv("VT_SAMPLE_DIR")) return env;
  return std::filesystem::path("build") / "gamedata";
}

bool Ready() {
  static bool ok = [] {
    vt::SetDebugQuiet(true);
    std::error_code ec;
    std::filesystem::current_path(SampleDir(), ec);
    return !ec && HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree);
  }();
  return ok;
}

int LivePoolObjects() {
  int live = 0;
  for (const ObjectPoolSlot& s : g_ObjectPool) live += s.inUse;
  return live;
}

// Starts a fresh round and runs the scripted match until `target` pool objects are live (at
// most 200 come from play), so every benchmark that needs a busy pool builds its own whatever
// ran before it. Beyond 200 the free slots take copies of the live objects (orbs and their
// effects in mid-flight), as a pool filled by a long exchange would hold. Returns the number
// reached.
int MakePoolBusy(int target) {
  const HarnessScript script = HarnessDefaultScript(3);
  HarnessPrepareRound();
  // The duelist's orb special ("236A", every 40 frames) keeps the pool filling.
  const HarnessScript fire = [&script](uint32_t frame, int side) {
    HarnessPad p = script(frame, side);
    const uint32_t t = frame % 40;
    if (side == 1 && t < 9) {
      static constexpr uint8_t kQuarter[3] = {2, 1, 4};  // down, down-forward, forward facing left
      p.dir = kQuarter[t / 3];
      p.buttons = t == 8 ? 0x1 : 0;
    }
    return p;
  };
  for (int i = 0; i < 20000 && LivePoolObjects() < std::min(target, 200); ++i) {
    HarnessRunFrame(fire);
    for (ObjectPoolSlot& s : g_ObjectPool)
      if (s.inUse && s.obj.kind == 255) s.obj.flags &= static_cast<uint16_t>(~0x0004);  // keep them alive
  }
  std::vector<int> live;
  for (int i = 0; i < kObjectPoolSize; ++i)
    if (g_ObjectPool[i].inUse) live.push_back(i);
  size_t next = 0;
  for (int i = 0; i < kObjectPoolSize && !live.empty() && LivePoolObjects() < target; ++i) {
    if (g_ObjectPool[i].inUse) continue;
    g_ObjectPool[i] = g_ObjectPool[live[next++ % live.size()]];
    NotePoolSlotTaken(g_ObjectPool[i]);
  }
  return LivePoolObjects();
}

void BM_RunBattleFrame(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  MakePoolBusy(static_cast<int>(state.range(0)));
  for (auto _ : state) RunBattleFrame();
  state.counters["pool"] = LivePoolObjects();
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RunBattleFrame)->ArgName("live")->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_BattleFrameWithDrawingHalf(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  MakePoolBusy(200);
  for (auto _ : state) {
    RunBattleFrame();
    DrawBattle();
  }
}
BENCHMARK(BM_BattleFrameWithDrawingHalf)->Unit(benchmark::kMicrosecond);

// Both characters acting from the scripted pads (walks, jumps, normals, chains, the orb
// special) through the control rules and the command list: update and drawing half.
void BM_BattleFrameScripted(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  const HarnessScript script = HarnessDefaultScript(5);
  HarnessPrepareRound();
  for (auto _ : state) benchmark::DoNotOptimize(HarnessRunFrame(script));
}
BENCHMARK(BM_BattleFrameScripted)->Unit(benchmark::kMicrosecond);

void BM_BattleStateHash(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  MakePoolBusy(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(BattleStateHash());
  state.counters["pool"] = LivePoolObjects();
}
BENCHMARK(BM_BattleStateHash)->ArgName("live")->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The hash against the update it checks, frame by frame over the same busy pool: each
// iteration is one update followed by one hash; the counters give both in microseconds per
// frame and the hash's share.
void BM_HashAgainstUpdate(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  MakePoolBusy(static_cast<int>(state.range(0)));
  using Clock = std::chrono::steady_clock;
  double update = 0.0, hash = 0.0;
  int64_t live = 0;
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    RunBattleFrame();
    const Clock::time_point t1 = Clock::now();
    benchmark::DoNotOptimize(BattleStateHash());
    const Clock::time_point t2 = Clock::now();
    update += std::chrono::duration<double, std::micro>(t1 - t0).count();
    hash += std::chrono::duration<double, std::micro>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    live += LivePoolObjects();
  }
  const double n = static_cast<double>(std::max<int64_t>(state.iterations(), 1));
  state.counters["pool"] = static_cast<double>(live) / n;
  state.counters["update us"] = update / n;
  state.counters["hash us"] = hash / n;
  state.counters["hash/update"] = update > 0.0 ? hash / update : 0.0;
}
BENCHMARK(BM_HashAgainstUpdate)
    ->ArgName("live")
    ->Arg(200)
    ->Arg(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// A player record's state without its command table (owned by the record that loaded it).
void CopyPlayerState(const PlayerRecord& from, PlayerRecord& to) {
  to.inUse = from.inUse;
  to.obj = from.obj;
  PlayerExtension& e = to.ext;
  const PlayerExtension& f = from.ext;
  e.recoveryRate = f.recoveryRate;
  e.recoveryDelay = f.recoveryDelay;
  std::copy(std::begin(f.timedState), std::end(f.timedState), e.timedState);
  std::copy(std::begin(f.timedStateMore), std::end(f.timedStateMore), e.timedStateMore);
  e.chain = f.chain;
  e.history = f.history;
  e.commandSerial = f.commandSerial;
  e.lastCommand = f.lastCommand;
  e.macroMode = f.macroMode;
}

// Copies a loaded character into a free slot as a partner standing in the fight, so the hit
// phase walks four characters (the copy shares the source's frame data).
void AddFightingCopy(int from, int to, int32_t x) {
  PlayerRecord& r = g_PlayerRecords[to];
  CopyPlayerState(g_PlayerRecords[from], r);
  r.obj.playerIndex = static_cast<uint8_t>(to);
  r.obj.dataIndex = r.obj.playerIndex;
  r.obj.playerRecord = &r;
  r.obj.owner = &r.obj;
  r.obj.posX = x;
}

// The pending hits of the four characters.
int64_t PendingHits() {
  int64_t n = 0;
  for (const PlayerRecord& r : g_PlayerRecords) n += r.obj.pendingHitCount;
  return n;
}

// The hit phase of one frame: the pool's clash checks and detection, the characters'
// resolution, then the characters' clash checks and detection, as the update runs them. Four
// characters (two a side, 40 pixels apart, 120 pixels between the sides) and 200 live
// projectiles: copies of side 1's orb in flight, each with its hit left, spread in 16-pixel steps
// over 640 pixels at the height of a standing character's body, so that those over side 0's
// characters strike them (eight pending entries each at most) and the rest pass. Every
// iteration starts from the same placed objects (restored outside the timing), so each frame
// finds the same contacts; the set-up checks that it finds some.
void BM_HitPhase(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  MakePoolBusy(200);
  const ObjectPoolSlot* orb = nullptr;
  for (const ObjectPoolSlot& s : g_ObjectPool)
    if (s.inUse && s.obj.pattern == 400 && s.obj.attackRec) orb = &s;
  if (!orb) return state.SkipWithError("no orb in flight to copy");
  const ObjectPoolSlot projectile = *orb;
  int n = 0;
  for (ObjectPoolSlot& s : g_ObjectPool) {
    if (!s.inUse) continue;
    s = projectile;
    s.obj.posX = (n++ % 41 - 20) * 16 * 128;
    s.obj.posY = -100 * 128;
    s.obj.hitsLeft = 1;
  }
  for (int side = 0; side < 2; ++side) {
    BattleObject& o = g_PlayerRecords[side].obj;
    o.posX = (side == 0 ? -60 : 60) * 128;
    o.posY = 0;
  }
  AddFightingCopy(0, 2, g_PlayerRecords[0].obj.posX - 40 * 128);
  AddFightingCopy(1, 3, g_PlayerRecords[1].obj.posX + 40 * 128);
  static PlayerRecord players[kPlayerSlots];
  static ObjectPoolSlot pool[kObjectPoolSize];
  for (int i = 0; i < kPlayerSlots; ++i) CopyPlayerState(g_PlayerRecords[i], players[i]);
  std::copy(std::begin(g_ObjectPool), std::end(g_ObjectPool), pool);
  auto restore = [] {
    for (int i = 0; i < kPlayerSlots; ++i) CopyPlayerState(players[i], g_PlayerRecords[i]);
    std::copy(std::begin(pool), std::end(pool), g_ObjectPool);
  };
  // The set-up must give the hit phase contacts to detect and resolve.
  PoolObjectsHitPhase();
  const int64_t found = PendingHits();
  restore();
  if (found == 0) return state.SkipWithError("the projectiles meet no character");
  using Clock = std::chrono::steady_clock;
  int64_t hits = 0;
  for (auto _ : state) {
    restore();
    const Clock::time_point t0 = Clock::now();
    PoolObjectsHitPhase();
    hits += PendingHits();
    ResolveCharacterHits();
    CharactersHitPhase();
    const Clock::time_point t1 = Clock::now();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    hits += PendingHits();
  }
  state.counters["characters"] = 4;
  state.counters["projectiles"] = n;
  state.counters["contacts/frame"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
  g_PlayerRecords[2].inUse = g_PlayerRecords[3].inUse = 0;
  HarnessPrepareRound();
}
BENCHMARK(BM_HitPhase)->UseManualTime()->Unit(benchmark::kMicrosecond);

// An attacker/defender pair: side 0 walks in and presses A, B and C in turn, side 1 guards
// (holds back) and lets every fourth attack through. Rounds restart every 600 frames, outside
// the timing.
HarnessPad PairPad(uint32_t frame, int side) {
  const uint32_t t = frame % 30;
  if (side == 1) return {static_cast<uint8_t>((frame / 30) % 4 == 3 ? 0 : 6), 0};
  if (t < 12) return {6, 0};
  static constexpr uint8_t kButtons[3] = {0x1, 0x2, 0x4};
  return {0, static_cast<uint8_t>(t < 15 ? kButtons[(frame / 30) % 3] : 0)};
}

// The recording device with the draw lists, the drawing half submitting to them; false (the
// benchmark skipped) when there is none.
bool StartRecordingDevice(benchmark::State& state) {
  if (InitD3DTools() != 1) {
    state.SkipWithError("no device tools");
    return false;
  }
  DeviceRequest request;
  request.window = nullptr;  // the recording device
  if (CreateD3DDevice(request) != 1 || !vt::gfx::MakeDeviceCurrentOnThisThread()) {
    ShutdownD3DTools();
    state.SkipWithError("no recording device");
    return false;
  }
  InitGrpManager();
  g_BattleDrawSubmit = true;
  return true;
}

void StopRecordingDevice() {
  ResetDrawList(&g_MainDrawList);
  FlushHan6TextureCache();
  ShutdownGrpManager();
  ShutdownD3DTools();
}

// The pair's frame with its drawing half handing its draws to the graphics layer on the
// recording device: update, drawing half, the draw list run and cleared.
void BM_PairFrameRecordingDevice(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  if (!StartRecordingDevice(state)) return;
  HarnessPrepareRound();
  uint32_t frames = 0;
  int64_t queued = 0;
  for (auto _ : state) {
    if (++frames % 600 == 0) {
      state.PauseTiming();
      HarnessPrepareRound();
      state.ResumeTiming();
    }
    ResetDrawList(&g_MainDrawList);
    benchmark::DoNotOptimize(HarnessRunFrame(PairPad));
    queued += g_MainDrawList.quadCount;
    {
      std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
      RenderDrawList(g_MainDrawList.slots);
    }
    ReleaseEffectTags();
  }
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["quads/frame"] = static_cast<double>(queued) / static_cast<double>(state.iterations());
  StopRecordingDevice();
  HarnessPrepareRound();
}
BENCHMARK(BM_PairFrameRecordingDevice)->Unit(benchmark::kMicrosecond);

// The character list read from a file with all 200 sections filled.
void BM_LoadCharaSelectList(benchmark::State& state) {
  std::string text;
  char line[160];
  for (int n = 0; n < kCharaListItems; ++n) {
    std::snprintf(line, sizeof line,
                  "[CharaNo_%03d]\r\nName=Fighter%03d\r\nFile1=fighter%03d\r\nFile2=0\r\nGiantFlag=%d\r\n"
                  "TagType=%d\r\nCharaNum1=Fighter%03d\r\nCharaNum2=Fighter%03d\r\n\r\n",
                  n, n, n, n % 7 == 0, n % 3, (n + 1) % kCharaListItems, (n + 2) % kCharaListItems);
    text += line;
  }
  for (auto _ : state) benchmark::DoNotOptimize(LoadCharaSelectList(text));
  state.counters["sections"] = CharaListItemCount();
  state.counters["bytes"] = static_cast<double>(text.size());
  // The harness's match goes on with the game's own list.
  const DataBuffer list = LoadDataFile(".\\charaselect.txt");
  if (list) LoadCharaSelectList(list.text());
}
BENCHMARK(BM_LoadCharaSelectList)->Unit(benchmark::kMicrosecond);

void BM_CharacterLoadOnThread(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  int64_t held = 0;
  for (auto _ : state) {
    state.PauseTiming();
    HarnessRelease();
    const int64_t before = static_cast<int64_t>(mallinfo2().uordblks);
    state.ResumeTiming();
    HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, true, RoundStart::kFightersFree);
    held = static_cast<int64_t>(mallinfo2().uordblks) - before;
  }
  // Heap held after a load of the two characters (and the common effects they share), per
  // character; textures made on a GL device come on top.
  state.counters["KiB per character"] = static_cast<double>(held) / 2.0 / 1024.0;
}
BENCHMARK(BM_CharacterLoadOnThread)->Unit(benchmark::kMillisecond)->Iterations(5);

// A round start's screen break-up layout: 1200 cells, two common draws each.
void BM_RoundStartScreenBreak(benchmark::State& state) {
  for (auto _ : state) {
    ResetScreenBreakEffect();
    benchmark::DoNotOptimize(g_ScreenBreakCells);
  }
  state.counters["draws"] = 2.0 * kScreenBreakCellCount;
}
BENCHMARK(BM_RoundStartScreenBreak)->Unit(benchmark::kMicrosecond);

// One frame's break-up queued on the main list (1200 sprites from the capture target) on the
// recording device, the list reset after each frame.
void BM_ScreenBreakQueue(benchmark::State& state) {
  if (InitD3DTools() != 1) return state.SkipWithError("no device tools");
  DeviceRequest request;
  request.window = nullptr;  // the recording device
  if (CreateD3DDevice(request) != 1 || !vt::gfx::MakeDeviceCurrentOnThisThread() ||
      CreateFrameRenderTargets() != 1) {
    ShutdownD3DTools();
    return state.SkipWithError("no recording device");
  }
  InitGrpManager();
  g_BattleDrawSubmit = true;
  ResetScreenBreakEffect();
  SetScreenBreakProgress(0.3f);  // columns part way through their fade, the rest whole
  int64_t queued = 0;
  for (auto _ : state) {
    DrawScreenBreakEffect();
    queued += g_MainDrawList.quadCount;
    ResetDrawList(&g_MainDrawList);
  }
  state.counters["sprites/frame"] = static_cast<double>(queued) / static_cast<double>(state.iterations());
  ResetDrawList(&g_MainDrawList);
  FreeFrameRenderTargets();
  ShutdownGrpManager();
  ShutdownD3DTools();
}
BENCHMARK(BM_ScreenBreakQueue)->Unit(benchmark::kMicrosecond);

// The scripted three-round match (the duelist against itself, the game's round start, timer
// speed 4), one frame per iteration through the match driver; a finished match loads again
// outside the timing. `device` runs the drawing half's list on the recording device as well.
void RunScriptedMatchFrames(benchmark::State& state, bool device) {
  const auto load = [] {
    g_TimerSpeed = 4;
    return HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kGame);
  };
  if (!Ready() || !load()) return state.SkipWithError("sample data not found");
  const HarnessScript script = HarnessScriptedMatch();
  int64_t matches = 0;
  for (auto _ : state) {
    if (device) ResetDrawList(&g_MainDrawList);
    if (HarnessRunMatch(script, 1).ending != 0) {
      state.PauseTiming();
      ++matches;
      load();
      state.ResumeTiming();
    }
    if (device) {
      std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
      RenderDrawList(g_MainDrawList.slots);
      ReleaseEffectTags();
    }
  }
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["matches ended"] = static_cast<double>(matches);
  // The benchmarks after this one find the harness's usual pair again.
  g_TimerSpeed = 0;
  HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree);
}

void BM_ScriptedMatchHeadless(benchmark::State& state) {
  g_BattleDrawSubmit = false;
  RunScriptedMatchFrames(state, false);
  g_BattleDrawSubmit = true;
}
BENCHMARK(BM_ScriptedMatchHeadless)->Unit(benchmark::kMicrosecond);

void BM_ScriptedMatchRecordingDevice(benchmark::State& state) {
  if (!StartRecordingDevice(state)) return;
  RunScriptedMatchFrames(state, true);
  StopRecordingDevice();
}
BENCHMARK(BM_ScriptedMatchRecordingDevice)->Unit(benchmark::kMicrosecond);

// The state hash with every particle slot live (the reserved call slots included), each with
// an anchor and an object, beside the harness's own pool.
void BM_StateHashFullParticlePool(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  HarnessPrepareRound();
  ClearParticlePool();
  int n = 0;
  while (Particle* p = AllocCallParticle()) {
    p->kind = static_cast<int16_t>(n % 2 ? 257 : 6);
    p->life = 100;
    p->maxLife = 100;
    p->x = n * 37;
    p->anchor = &g_PlayerRecords[n % 2].obj;
    p->object = &g_PlayerRecords[(n + 1) % 2].obj;
    ++n;
  }
  for (auto _ : state) benchmark::DoNotOptimize(BattleStateHash());
  state.counters["particles"] = CountLiveParticles();
  ClearParticlePool();
  HarnessPrepareRound();
}
BENCHMARK(BM_StateHashFullParticlePool)->Unit(benchmark::kMicrosecond);

// Two CPU duelists at level 4 playing whole matches headless (the game's round start, timer speed
// 4), one frame per iteration; a finished match loads again outside the timing.
bool LoadCpuMatch() {
  g_TimerSpeed = 4;
  return HarnessLoadMatch({"duelist", 0, 0, 1}, {"duelist", 0, 1, 1}, false, RoundStart::kGame, 1,
                          HarnessMatchRules{MODE_CPU_VS_CPU, 4, 0, 0});
}

void RestoreUsualPair() {
  g_TimerSpeed = 0;
  HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree);
}

void BM_CpuVsCpuHeadless(benchmark::State& state) {
  if (!Ready() || !LoadCpuMatch()) return state.SkipWithError("sample data not found");
  g_BattleDrawSubmit = false;
  const HarnessScript idle = [](uint32_t, int) { return HarnessPad{}; };
  int64_t matches = 0;
  for (auto _ : state) {
    if (HarnessRunMatch(idle, 1).ending != 0) {
      state.PauseTiming();
      ++matches;
      LoadCpuMatch();
      state.ResumeTiming();
    }
  }
  g_BattleDrawSubmit = true;
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["matches ended"] = static_cast<double>(matches);
  RestoreUsualPair();
}
BENCHMARK(BM_CpuVsCpuHeadless)->Unit(benchmark::kMicrosecond);

// One CpuAiFrame of side 0, standing free after 600 frames of a CPU match. Arg 0: the duelist's
// own file (a pick among the records its distance allows, or a running record's tick). Arg 1:
// the worst case, 99 records that pass every condition with weights 1..99 (every call ends the
// last record, gathers 99 candidates and races them).
void BM_CpuAiFrame(benchmark::State& state) {
  if (!Ready() || !LoadCpuMatch()) return state.SkipWithError("sample data not found");
  g_BattleDrawSubmit = false;
  const HarnessScript idle = [](uint32_t, int) { return HarnessPad{}; };
  for (int i = 0; i < 600; ++i) HarnessRunFrame(idle);
  g_BattleDrawSubmit = true;
  if (state.range(0) == 1) {
    CpuPatternFile& f = g_CpuPatternSlots[0];
    for (int n = 1; n < kCpuPatternRecords; ++n) {
      f.records[n] = CpuPatternRecord{};
      f.records[n].chance = 100;
      f.records[n].weight = n;
      f.records[n].steps[0].duration = 1;
      f.records[n].steps[0].flags = kCpuStepEndRecord;
    }
  }
  PlayerRecord& p = g_PlayerRecords[0];
  p.obj.pattern = 0;
  p.obj.frame = 0;
  RefreshFramePointers(p.obj);
  p.obj.noCommand = 0;
  g_CommandLock = 0;
  int64_t started = 0;
  for (auto _ : state) {
    g_CpuAiStates[0].waitTimer = 0;
    for (int16_t& c : g_CpuAiStates[0].cooldown) c = 0;
    CpuAiFrame(p, 0);
    started += p.obj.aiRecord != 0;
  }
  state.counters["record running"] = static_cast<double>(started) / static_cast<double>(state.iterations());
  RestoreUsualPair();
}
BENCHMARK(BM_CpuAiFrame)->ArgName("worst")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// One CpuDefenceInput of side 0 in a CPU match (the input cleared, the giant check, the shield
// and dodge reactions). Arg 1: over a busy pool (1000 live objects), which its threat search
// walks every call.
void BM_CpuDefenceInput(benchmark::State& state) {
  if (!Ready() || !LoadCpuMatch()) return state.SkipWithError("sample data not found");
  g_BattleDrawSubmit = false;
  const HarnessScript idle = [](uint32_t, int) { return HarnessPad{}; };
  for (int i = 0; i < 600; ++i) HarnessRunFrame(idle);
  g_BattleDrawSubmit = true;
  if (state.range(0) == 1) MakePoolBusy(1000);
  BattleObject& o = g_PlayerRecords[0].obj;
  o.noCommand = 0;
  g_CommandLock = 0;
  g_JudgeState = 0;
  for (auto _ : state) {
    o.aiGuardDecision = 2;
    CpuDefenceInput(o);
  }
  RestoreUsualPair();
}
BENCHMARK(BM_CpuDefenceInput)->ArgName("busy")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The threat search over a busy pool (1000 live objects), from side 0's character.
void BM_FindImminentThreat(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  MakePoolBusy(1000);
  for (auto _ : state) benchmark::DoNotOptimize(FindImminentThreat(g_PlayerRecords[0].obj));
  state.counters["pool"] = LivePoolObjects();
}
BENCHMARK(BM_FindImminentThreat)->Unit(benchmark::kMicrosecond);

// A ".cpf" load from the disk into a slot (the slot cleared, the file read and parsed).
void BM_CpuPatternLoad(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  for (auto _ : state) benchmark::DoNotOptimize(LoadCpuPatternFile(".\\data\\duelist_0.cpf", 0));
}
BENCHMARK(BM_CpuPatternLoad)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
