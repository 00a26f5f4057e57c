// Texture side of the text renderers: locking a texture as a picture to write into, and the
// draw state around system-font glyphs.
#include "Dxtools/Text/text_texture.h"

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"

namespace vt::text {

bool LockTargetTexture(TextureHandle* texture, PixelTarget* out) {
  if (!texture || !texture->dx || !texture->dx->texture) return false;
  DxTexture* dx = texture->dx;
  PixelFormat format;
  if (dx->desc.format == vt::gfx::FMT_A8R8G8B8)
    format = PixelFormat::kA8R8G8B8;
  else if (dx->desc.format == vt::gfx::FMT_A4R4G4B4)
    format = PixelFormat::kA4R4G4B4;
  else
    return false;  // the renderers write no other format
  void* bits = LockTexture(dx, nullptr);
  if (!bits) return false;
  PixelTarget t{static_cast<uint8_t*>(bits), dx->lockPitch, static_cast<int>(dx->desc.Width),
                static_cast<int>(dx->desc.Height), format};
  if (!t.Valid()) {
    UnlockTexture(dx);
    return false;
  }
  *out = t;
  return true;
}

void UnlockTargetTexture(TextureHandle* texture) {
  if (texture && texture->dx) UnlockTexture(texture->dx);
}

void BeginSysFontDraw() { g_DrawFilterMode = 2; }

void EndSysFontDraw() {
  g_DrawFilterMode = 1;
  g_DrawBlendMode = 1;
}

}  // namespace vt::text
