// Shared helpers of the battle's GL tests: the scene target read back as BGRA pixels, and the
// screenshots written where VT_BATTLE_SHOTS names a folder.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "platform/gfx/texture.h"
#include "platform/image.h"

namespace battle_test {

// The top-left w x h of scene target 0; empty when it cannot be read.
inline std::vector<uint8_t> ReadSceneTarget(int w, int h) {
  vt::gfx::Texture* t = HandleTexture(GetSceneTarget(0));
  if (t == nullptr) return {};
  vt::gfx::TextureRef copy =
      g_D3DDevice->CreateTexture(t->Width(), t->Height(), 0, t->GetFormat(), vt::gfx::POOL_SYSTEMMEM);
  if (!copy || g_D3DDevice->GetRenderTargetData(t, copy.get()) != vt::gfx::kOk) return {};
  return vt::gfx::DecodeToBgra(copy->GetFormat(), copy->Pixels().data(), copy->Pitch(), w, h);
}

// Writes name.png into the folder the variable (VT_BATTLE_SHOTS unless given) names; nothing
// when it is unset or the picture empty.
inline void SaveBattleShot(const std::vector<uint8_t>& bgra, int w, int h, const std::string& name,
                           const char* variable = "VT_BATTLE_SHOTS") {
  const char* dir = std::getenv(variable);
  if (dir == nullptr || bgra.empty()) return;
  std::filesystem::create_directories(dir);
  vt::image::SaveImage((std::filesystem::path(dir) / (name + ".png")).string(), vt::image::kFilePng,
                       bgra.data(), w, h);
}

}  // namespace battle_test
