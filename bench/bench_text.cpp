// Text rendering figures: a 40-character Japanese line rendered into a picture (cold: the face
// opened for every line; warm: one manager kept), and system-font text queued per glyph.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

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

void BM_TextLineCold(benchmark::State& state) {
  std::string line = JapaneseLine();
  for (auto _ : state) {
    RenderedText out;
    RenderTextPixels(20, line.c_str(), false, 0, &out);
    benchmark::DoNotOptimize(out.pixels.data());
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
  int width = MeasureFontString(&manager, line.c_str(), 0);
  std::vector<uint8_t> pixels(size_t(TextureAllocSize(width)) * 32 * 4);
  manager.SetTargetPixels(
      {pixels.data(), TextureAllocSize(width) * 4, TextureAllocSize(width), 32, PixelFormat::kA8R8G8B8});
  for (auto _ : state) {
    manager.BeginDraw();
    DrawStringArgs args;
    args.text = line.c_str();
    manager.DrawString(args);
    manager.EndDraw();
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_TextLineFaceLoaded)->Unit(benchmark::kMicrosecond);

void BM_SysFontText80(benchmark::State& state) {
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
