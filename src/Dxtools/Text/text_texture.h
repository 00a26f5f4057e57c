// The bridge between the text renderers and textures: locking a texture as a picture to write
// into, and making the textures the renderers fill.
#pragma once

#include "Dxtools/Text/pixel_target.h"

struct TextureHandle;

namespace vt::text {

// Locks level 0 of the texture and describes it (allocated size, pitch, format); false when it
// cannot be locked or its format is not one the renderers write.
bool LockTargetTexture(TextureHandle* texture, PixelTarget* out);
void UnlockTargetTexture(TextureHandle* texture);

// Draw state around system-font glyphs: linear filtering while they are queued, then the
// filter and blend modes back to 1.
void BeginSysFontDraw();
void EndSysFontDraw();

}  // namespace vt::text
