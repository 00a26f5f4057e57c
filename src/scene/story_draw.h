// The story script's presentation: the text font and the rendering of a message block, the
// transitions the commands start, the ending pictures, the camera pan, zoom and quakes, and the
// frame's drawing of stage, pictures, bands, faces, name plates and texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Dxtools/Text/pixel_target.h"

struct TextureHandle;
namespace vt::text {
struct FntFont;
}

struct StoryFontMetrics {
  int32_t cellWidth = 0;
  int32_t cellHeight = 0;
  int32_t advance = 0;  // truncated 0.85 x cell width
  bool english = false;
  const vt::text::FntFont* widthFont = nullptr;  // the English font, for its glyph widths
};
StoryFontMetrics& GetStoryFontMetrics();

void SetStoryTextFont(int index);
// Lays a message block out into a 1024 x 512 picture: main text into rows 0..255, readings into
// 256..511, each clipped to its half. Returns the laid-out width of the last line.
int RenderStoryTextPixels(const vt::text::PixelTarget& target, std::string_view block,
                          const vt::text::FntFont* main, const vt::text::FntFont* reading);
// The block rendered into a new texture with the story fonts; null when the needed font is not
// loaded (width untouched then).
TextureHandle* RenderStoryBlock(std::string_view block, int32_t* laidOutWidth);

void StartStoryTransition();
void StepStoryTransition();
// XH's picture a loaded into the other ending buffer and made visible; a negative a loads nothing.
void LoadEndingPicture(int a);
void CaptureStoryStage();
void StartStoryPan(int frames);
void StartStoryZoom(int frames);
// The battle camera's position, zoom and scale back to rest, the matrices rebuilt.
void ResetStoryCamera();
// Pan, zoom and quakes of one frame (their words are battle state).
void StepStoryCamera();
// Frees every story texture; the band and window pictures too when `all`.
void FreeStoryTextures(bool all);

void DrawStoryScene();
void DrawStoryBand();
void DrawStoryLowerBand();
