// Training displays with a full input history (32 rows, 24 drawn), the status line and bar, the
// action countdown and the damage panel queued on the recording device: us per frame, the draw
// list reset after each frame as the frame's presentation does. Fonts and the icon sheet come
// from the sample folder: run from the build tree's gamedata or with VT_SAMPLE_DIR set.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/system_font.h"
#include "Replay/replay_controller.h"
#include "battle/battle_records.h"
#include "battle/character_draw.h"
#include "menu/training_displays.h"
#include "menu/training_settings.h"

namespace {

void BM_TrainingDisplaysFullHistory(benchmark::State& state) {
  if (const char* dir = std::getenv("VT_SAMPLE_DIR")) std::filesystem::current_path(dir);
  InitD3DTools();
  DeviceRequest req;
  req.width = 1280;
  req.height = 720;
  CreateD3DDevice(req);
  InitGrpManager();
  vt::text::LoadSystemFonts();
  LoadBattleHudTextures();
  g_TrainingSettings[ENEMY_STATUS] = kEnemyStand;
  g_TrainingSettings[ENEMY_ACTION] = 1;
  g_TrainingSettings[REPLAY_SLOT] = 1;
  g_TrainingSettings[REPLAY_TYPE] = 2;
  g_BattleState[BattleStateIndex::kTrainingDisplay] = 1;
  g_ReplayController.file.rounds.resize(kDummySlots);
  for (int i = 0; i < 40; ++i) AddInputHistoryRow(i % 9 + 1, i % 16);
  BattleObject& o = g_PlayerRecords[0].obj;
  uint32_t frame = 0;
  for (auto _ : state) {
    // Every frame a change: the history shifts its 32 rows each time.
    o.inputDirFacing = static_cast<uint8_t>(frame % 9 + 1);
    o.inputButtons = frame % 16;
    DrawActionTime();
    DrawDummyReplayStatus(1);
    DrawTrainingDamageInfo();
    DrawTrainingInputHistory();
    ResetDrawList(&g_MainDrawList);
    ++frame;
  }
  FreeBattleHudTextures();
  vt::text::FreeBitmapFonts();
  ShutdownGrpManager();
  ShutdownD3DTools();
}
BENCHMARK(BM_TrainingDisplaysFullHistory)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
