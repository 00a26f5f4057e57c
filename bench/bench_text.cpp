// Text rendering figures: a 40-character Japanese line rendered into a texture (cold: the face
// opened and the texture made for every line, as `RenderTextTexture` does; warm: one manager and
// texture kept), and system-font text queued per glyph into the main draw list. The device is
// the recording device.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/font_manage.h"
#include "Dxtools/Text/system_font.h"

using namespace vt::text;

namespace {

// 40 characters: kana, kanji and full-width letters.
std::string JapaneseLine() {
  const char* unit =
      "\x82\xb1\x82\xea\x82\xcd\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x58\x83\x67\x82\x60";
  std::string s;
  while (s.size() < 80) s += unit;
  return s.substr(0, 80);
}

void StartDevice() {
  static bool started = [] {
    InitD3DTools();
    DeviceRequest req;
    req.width = 640;
    req.height = 480;
    CreateD3DDevice(req);
    vt::gfx::MakeDeviceCurrentOnThisThread();
    InitGrpManager();
    return true;
  }();
  (void)started;
}

void BM_TextLineCold(benchmark::State& state) {
  StartDevice();
  std::string line = JapaneseLine();
  for (auto _ : state) {
    int width = 0;
    TextureHandle* t = RenderTextTexture(20, line.c_str(), &width, 0, 0);
    benchmark::DoNotOptimize(t);
    FreeTexture(t);
  }
}
BENCHMARK(BM_TextLineCold)->Unit(benchmark::kMicrosecond);

void BM_TextLineFaceLoaded(benchmark::State& state) {
  std::string line = JapaneseLine();
  FontManageDesc desc;
  desc.SetDefaults();
  desc.height = 20;
  desc.quality = 4;
  CD3DXFontManage manager(desc);
  StartDevice();
  int width = MeasureFontString(&manager, line.c_str(), 0);
  TextureHandle* texture = CreateTexture(width, 20, vt::gfx::FMT_A8R8G8B8);
  manager.SetTargetTexture(texture);
  for (auto _ : state) {
    manager.BeginDraw();
    DrawStringArgs args;
    args.text = line.c_str();
    manager.DrawString(args);
    manager.EndDraw();
  }
  manager.SetTargetTexture(nullptr);
  FreeTexture(texture);
}
BENCHMARK(BM_TextLineFaceLoaded)->Unit(benchmark::kMicrosecond);

void BM_SysFontText80(benchmark::State& state) {
  StartDevice();
  SystemFont& f = g_SystemFonts[0];
  f = SystemFont{};
  FillSystemFont(&f, [](const char* key) -> const char* {
    std::string k = key;
    if (k == "FontWidth") return "16";
    if (k == "FontHeight") return "24";
    if (k == "FontWidthNum") return "16";
    return nullptr;
  });
  std::string text;
  for (int i = 0; i < 80; ++i) text.push_back(static_cast<char>('!' + i % 90));
  for (auto _ : state)
    benchmark::DoNotOptimize(DrawSysFontText(0, 0, text.c_str(), 255, 255, 0, 0, 14, 24, 0, 0));
  state.SetItemsProcessed(state.iterations() * 80);
}
BENCHMARK(BM_SysFontText80);

}  // namespace

BENCHMARK_MAIN();
