// Texture side of the text renderers. Until the texture layer is wired in, no texture can be
// locked and the renderers draw into pictures only.
#include "Dxtools/Text/text_texture.h"

namespace vt::text {

bool LockTargetTexture(TextureHandle*, PixelTarget*) { return false; }
void UnlockTargetTexture(TextureHandle*) {}
void BeginSysFontDraw() {}
void EndSysFontDraw() {}

}  // namespace vt::text
