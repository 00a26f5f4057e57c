// The stage driver (test tooling): a sample stage loaded from the sample folder's list and built,
// then run frame by frame through DrawStageBg under a scripted camera pan, with the per-frame
// stage hash; on a GL device each frame is rendered into the scene targets.
#pragma once

#include <filesystem>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "app/random.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "scene/stage_bg.h"

namespace vt::test {

struct StageScript {
  int32_t camX = 0, camY = 0;  // 1/128 pixel
  int heat = 0;
};

// The pan: the camera sweeps 120 pixels either side and bobs a little; heat from frame 200 to 320.
inline StageScript StageScriptAt(int frame) {
  StageScript s;
  const int t = frame % 480;
  const int px = t < 240 ? t - 120 : 360 - t;
  s.camX = px * 128;
  s.camY = ((frame / 4) % 20 - 10) * 64;
  s.heat = frame >= 200 && frame < 320;
  return s;
}

class StageDriver {
 public:
  static inline StageScript current;

  // Copies what the stage reads from the sample folder into the working directory: the stages,
  // the effects with the pictures they load (the heat blur's normal map among them) and the
  // override burst's `.\grp\system\Flare00`.
  static void CopySample() {
    for (const char* folder : {"Bg", "Shader", "grp"})
      if (!std::filesystem::exists(folder))
        std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / folder, folder,
                              std::filesystem::copy_options::recursive);
  }

  // Loads stage `stage` of the sample list and builds it, with the stream seeded.
  static bool Start(int stage) {
    InstallStageSeams();
    g_BattleSeams.CameraX = [] { return current.camX; };
    g_BattleSeams.CameraY = [] { return current.camY; };
    g_BattleSeams.AnyHeatActive = [] { return current.heat; };
    if (LoadBgList() != 1) return false;
    ResetStageBg();
    ResetAllBattleGlobals();
    SeedRandStream(0, 20260101);
    g_MatchStage = stage;
    if (LoadStageBgFile(stage, 0) != 1) return false;
    BuildStageBg();
    return g_StageBgData != nullptr;
  }

  // One frame: script, stage draw, hash; rendered into the scene targets when `render`.
  static uint64_t Frame(int frame, bool render) {
    current = StageScriptAt(frame);
    g_BattleFrame = static_cast<uint32_t>(frame);
    ResetDrawList(&g_MainDrawList);
    DrawStageBg(1);
    const uint64_t h = StageStateHash();
    if (render) {
      BindSceneRenderTargets();
      {
        std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
        RenderDrawList(g_MainDrawList.slots);
      }
      RestoreBackBufferTargets();
    }
    ReleaseEffectTags();
    ResetDrawList(&g_MainDrawList);
    AgeHan6TextureCache();
    return h;
  }

  static std::vector<uint64_t> Run(int stage, int frames, bool render) {
    std::vector<uint64_t> out;
    if (!Start(stage)) return out;
    for (int f = 0; f < frames; ++f) out.push_back(Frame(f, render));
    return out;
  }

  static void Stop() {
    ResetStageBg();
    FreeStageList();
    FlushHan6TextureCache();
    ResetBattleSeams();
  }
};

}  // namespace vt::test
