// Sample character loading (frame data, sprites, part animation, pages) and drawing two
// characters for one frame with the sprite cache warm and cold. Reads the sample game folder
// (VT_SAMPLE_DIR, else ../gamedata beside the bench program) through the game's file readers. Textures live
// in CPU memory here.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Han6Draw/han6_draw.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Han6Files/han6_file_loading.h"
#include "Dxtools/Han6Files/han6_project.h"
#include "Dxtools/Han6Files/pani_data.h"
#include "app/lib_debug.h"
#include "platform/gfx/device.h"

namespace {

std::filesystem::path SampleDir() {
  if (const char* env = std::getenv("VT_SAMPLE_DIR")) return env;
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "gamedata";
}

struct CpuTexture {
  int w, h;
  CutPixelFormat format;
  std::vector<uint8_t> pixels;
};

class CpuBackend : public Han6TextureBackend {
 public:
  static CpuTexture* Of(TextureHandle* t) { return reinterpret_cast<CpuTexture*>(t); }
  TextureHandle* CreateTexture(int width, int height, CutPixelFormat format, bool, int& w, int& h) override {
    auto up = [](int v) {
      int p = 1;
      while (p < v) p <<= 1;
      return p;
    };
    w = up(width);
    h = up(height);
    bytes += static_cast<int64_t>(w) * h * CutPixelFormatBytes(format);
    return reinterpret_cast<TextureHandle*>(new CpuTexture{
        w, h, format, std::vector<uint8_t>(static_cast<size_t>(w) * h * CutPixelFormatBytes(format))});
  }
  uint8_t* Lock(TextureHandle* t, int& pitch) override {
    pitch = Of(t)->w * CutPixelFormatBytes(Of(t)->format);
    return Of(t)->pixels.data();
  }
  void Unlock(TextureHandle*) override {}
  void Free(TextureHandle* t) override {
    bytes -= static_cast<int64_t>(Of(t)->pixels.size());
    delete Of(t);
  }
  void TextureSize(TextureHandle* t, int& w, int& h) override {
    w = Of(t)->w;
    h = Of(t)->h;
  }
  CutSpritePageView PageView(TextureHandle* p) override { return {Of(p)->pixels.data(), Of(p)->format}; }
  bool Display16() override { return false; }
  int64_t bytes = 0;
};

class NullSink : public Han6DrawSink {
 public:
  void Queue(GrpDrawList*, const Han6Quad& q) override { benchmark::DoNotOptimize(q.pos[0][0]); }
  const float* UvBias() const override { return nullptr; }
};

CpuBackend g_backend;
NullSink g_sink;

// Loads a project the way the character loader does: data, sprites, page map, pages, parts.
FrameDataSet LoadCharacter(const char* projectPath) {
  FrameDataSet set;
  std::unique_ptr<Han6Project> project(LoadHan6Project(projectPath));
  LoadHan6ProjectData(set, project.get());
  std::vector<uint8_t> mask(2048, 0);
  MarkUsedCutSprites(set.patterns, set.sprites, mask.data(), mask.size());
  CreateCutSpritePages(set.sprites, nullptr, mask.data(), mask.size(), 0);
  CreatePAniTextures(set.pani);
  return set;
}

int64_t HeldBytes(const FrameDataSet& set) {
  int64_t bytes = 0;
  if (set.sprites != nullptr) {
    bytes += static_cast<int64_t>(set.sprites->records.capacity() * sizeof(CutSpriteRecord) +
                                  set.sprites->cellRuns.capacity() * sizeof(CutSpriteCellRun) +
                                  set.sprites->paletteStore.capacity() + set.sprites->pixelStore.capacity());
  }
  if (set.patterns != nullptr) {
    for (const auto& p : set.patterns->patterns) {
      if (p == nullptr) continue;
      bytes += static_cast<int64_t>(
          sizeof(Han6Pattern) + p->frames.capacity() * sizeof(Han6Frame) +
          p->boxPool.size() * sizeof(Han6Box) + p->statePool.size() * sizeof(Han6FrameState) +
          p->attackPool.size() * sizeof(Han6AttackData) + p->effectPool.size() * sizeof(Han6Effect) +
          p->conditionPool.size() * sizeof(Han6Condition));
      for (const Han6Frame& f : p->frames)
        bytes += static_cast<int64_t>(
            (f.boxes.capacity() + f.attackBoxes.capacity() + f.effects.capacity() + f.conditions.capacity()) *
            sizeof(void*));
    }
  }
  return bytes;
}

void BM_LoadSampleCharacter(benchmark::State& state) {
  vt::SetDebugQuiet(true);
  SetHan6TextureBackend(&g_backend);
  int64_t held = 0, textures = 0;
  for (auto _ : state) {
    FrameDataSet set = LoadCharacter(".\\data\\tester_0.txt");
    if (set.patterns == nullptr || set.sprites == nullptr) {
      state.SkipWithError("sample character missing");
      break;
    }
    held = HeldBytes(set);
    textures = g_backend.bytes;
    FreeFrameDataSetContents(set);
  }
  state.counters["held_bytes"] = static_cast<double>(held);
  state.counters["texture_bytes"] = static_cast<double>(textures);
  SetHan6TextureBackend(nullptr);
}
BENCHMARK(BM_LoadSampleCharacter)->Unit(benchmark::kMillisecond);

// Draws the standing frame of two characters; arg 1 keeps the cache warm, 0 flushes it first.
void BM_DrawTwoCharacters(benchmark::State& state) {
  vt::SetDebugQuiet(true);
  SetHan6TextureBackend(&g_backend);
  SetHan6DrawSink(&g_sink);
  FrameDataSet set = LoadCharacter(".\\data\\tester_0.txt");
  const bool warm = state.range(0) != 0;
  Han6FramePosition pos[2];
  pos[1].pattern = 200;  // the other side punches
  Han6Matrix world[2] = {Han6Matrix::Translation(240, 430, 0),
                         MulHan6(Han6Matrix::Scaling(-1, 1, 1), Han6Matrix::Translation(400, 430, 0))};
  int frame = 0;
  for (auto _ : state) {
    if (!warm) FlushHan6TextureCache();
    for (int side = 0; side < 2; ++side) {
      pos[side].frame = frame % 3;
      Han6DrawParams p;
      p.position = &pos[side];
      p.world = &world[side];
      p.patternSet = set.patterns;
      p.sheet = set.sprites;
      p.pani = set.pani;
      p.keyBase = 0x1000 * (side + 1);
      DrawPatternFrame(p);
    }
    AgeHan6TextureCache();
    ++frame;
  }
  FlushHan6TextureCache();
  FreeFrameDataSetContents(set);
  SetHan6DrawSink(nullptr);
  SetHan6TextureBackend(nullptr);
}
BENCHMARK(BM_DrawTwoCharacters)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The same two characters through the graphics layer on the recording device: real textures
// (CPU images), the draw list and its commands; arg 1 warm, 0 cold.
void BM_DrawTwoCharactersRecordingDevice(benchmark::State& state) {
  vt::SetDebugQuiet(true);
  if (InitD3DTools() != 1) {
    state.SkipWithError("no device tools");
    return;
  }
  DeviceRequest request;
  request.window = nullptr;  // the recording device
  if (CreateD3DDevice(request) != 1 || !vt::gfx::MakeDeviceCurrentOnThisThread()) {
    ShutdownD3DTools();
    state.SkipWithError("no recording device");
    return;
  }
  InitGrpManager();
  FrameDataSet set = LoadCharacter(".\\data\\tester_0.txt");
  const bool warm = state.range(0) != 0;
  Han6FramePosition pos[2];
  pos[1].pattern = 200;
  Han6Matrix world[2] = {Han6Matrix::Translation(240, 430, 0),
                         MulHan6(Han6Matrix::Scaling(-1, 1, 1), Han6Matrix::Translation(400, 430, 0))};
  int frame = 0;
  for (auto _ : state) {
    ResetDrawList(&g_MainDrawList);
    if (!warm) FlushHan6TextureCache();
    for (int side = 0; side < 2; ++side) {
      pos[side].frame = frame % 3;
      Han6DrawParams p;
      p.position = &pos[side];
      p.world = &world[side];
      p.patternSet = set.patterns;
      p.sheet = set.sprites;
      p.pani = set.pani;
      p.keyBase = 0x1000 * (side + 1);
      DrawPatternFrame(p);
    }
    AgeHan6TextureCache();
    ++frame;
  }
  ResetDrawList(&g_MainDrawList);
  FlushHan6TextureCache();
  FreeFrameDataSetContents(set);
  ShutdownGrpManager();
  ShutdownD3DTools();
}
BENCHMARK(BM_DrawTwoCharactersRecordingDevice)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // Game paths are relative to the game folder.
  std::error_code ec;
  std::filesystem::current_path(SampleDir(), ec);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
