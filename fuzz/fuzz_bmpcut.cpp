// Fuzz target: cut-sprite sheets and palette files. A parsed sheet is composed into pages and
// every sprite assembled from them, so damage that slips past the parser shows up here.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_palette.h"
#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "app/lib_debug.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  std::span<const uint8_t> image(data, size);
  CutSpritePalette palette{};
  ReadPaletteFileEntry(image, 1, palette, "fuzz");
  CutSpriteSheet* sheet = ParseCutSpriteSheet(image, 1, "fuzz");
  if (sheet == nullptr) return 0;
  const uint8_t mask[3] = {1, 0, 1};
  std::vector<CutSpritePageImage> pages;
  if (ComposeCutSpritePages(*sheet, palette.data(), (size & 1) != 0 ? mask : nullptr, 3, false, pages)) {
    std::vector<CutSpritePageView> views;
    for (const auto& p : pages) views.push_back({p.made ? p.pixels.data() : nullptr, p.format});
    for (int n = 0; n < kCutSpriteSlotCount; ++n) {
      const CutSpriteRecord* r = sheet->Record(n);
      if (r == nullptr) continue;
      // A small texture on purpose: whatever lies outside it must be clipped.
      std::vector<uint8_t> tex(64 * 64 * 4);
      CopyCutSpriteRuns(*sheet, *r, views, tex.data(), 64 * 4, 64, 64, CutPixelFormat::kA8R8G8B8);
    }
  }
  FreeCutSpriteSheet(sheet);
  return 0;
}
