// Writer-side helper for cut-sprite files: takes whole sprite images, cuts them into strips of
// cells, packs the strips onto 256 x 256 pages (identical strips are stored once and the
// repeats written as skipped chunks) and yields the file description for WriteCutSpriteFile.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"

struct CutSpriteImage {
  int number = 0;
  std::string name;
  int32_t pixelType = 0;
  int left = 0, top = 0;  // position of the image's top-left pixel in the sprite frame (origin 128, 224)
  int width = 0, height = 0;
  // Types 0, 2, 3: one byte per pixel; type 1: B, G, R, A; types 4 and 5: index, alpha pairs.
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> ownPalette;  // 4 bytes per entry, for types 2, 3 and 4
};

class CutSpriteSheetBuilder {
 public:
  explicit CutSpriteSheetBuilder(int cellSize = 16) : cellSize_(cellSize) {}
  void SetPalette(std::span<const uint8_t, 1024> palette);
  void Add(CutSpriteImage image) { images_.push_back(std::move(image)); }
  // Cuts and packs every image: sprites of type 0 first on the low pages, then the others from
  // a fresh page, so that the 16-bit pages stay below the 32-bit ones.
  CutSpriteFileDesc Build() const;

 private:
  int cellSize_;
  std::array<uint8_t, 1024> palette_{};
  std::vector<CutSpriteImage> images_;
};
