// Small stage files for the stage tests, written by the stage-file writer.
#pragma once

#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_builder.h"
#include "scene/stage_file.h"

namespace vt::test {

// A frame showing sprite `sprite` of block B for `duration` frames, then the next frame.
inline StageFrameDesc SpriteFrame(int sprite, uint16_t duration = 4, uint8_t endAction = 1) {
  StageFrameDesc f;
  f.image = static_cast<int16_t>(10000 + sprite);
  f.duration = duration;
  f.endAction = endAction;
  return f;
}

// A 32-bit sprite sheet with sprites 0..count-1, each a w x h block of one colour.
inline CutSpriteFileDesc SolidSheet(int count, int w = 32, int h = 32) {
  CutSpriteSheetBuilder b;
  for (int i = 0; i < count; ++i) {
    CutSpriteImage im;
    im.number = i;
    im.name = "s" + std::to_string(i);
    im.pixelType = 1;
    im.left = 128;
    im.top = 224;
    im.width = w;
    im.height = h;
    im.pixels.resize(static_cast<size_t>(w) * h * 4);
    for (size_t p = 0; p < im.pixels.size(); p += 4) {
      im.pixels[p] = static_cast<uint8_t>(40 * i);
      im.pixels[p + 1] = 200;
      im.pixels[p + 2] = static_cast<uint8_t>(255 - 40 * i);
      im.pixels[p + 3] = 255;
    }
    b.Add(im);
  }
  return b.Build();
}

// Block A with one image (size x size), part 0 on it and pattern 0 showing part 0 in slot 0.
inline void AddSmallBlockA(StageFileDesc& d, int size = 256) {
  d.blockA = true;
  StageImageDesc im;
  im.number = 0;
  im.size = size;
  im.bgra.assign(static_cast<size_t>(size) * size * 4, 0xFF);
  d.images.push_back(im);
  StagePartDesc part;
  part.number = 0;
  part.def = {0, 16, 32, 64, 48, 64, 48, 32, 24};
  d.parts.push_back(part);
  StagePatternDesc pat;
  pat.number = 0;
  pat.refs[0].part = 0;
  for (int s = 1; s < kStagePartSlots; ++s) pat.refs[s].part = -1;
  d.patterns.push_back(pat);
}

}  // namespace vt::test
