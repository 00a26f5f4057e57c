// The scene harness on the offscreen GL device: the same script gives the recording device's
// reports, and a frame is presented letterboxed with its side panels (saved for a look).
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "platform/gfx/device.h"
#include "platform/image.h"
#include "scene/scene_frame.h"
#include "scene/scene_harness.h"

namespace vt::test {
namespace {

// A scene that fills its 640 x 480 picture with a grey frame and a white centre, and leaves for
// the title on its fifth frame.
int g_frames = 0;
int PictureScene(int) {
  if (g_SceneEnter != 0) g_SceneEnter = 0;
  uint8_t blend = g_DrawBlendMode;
  g_DrawBlendMode = 5;
  DrawRect(nullptr, 0, 0, 640, 480, 0xFF404040u, 0xFF404040u, 0xFF404040u, 0xFF404040u, 10);
  DrawRect(nullptr, 160, 120, 320, 240, ~0u, ~0u, ~0u, ~0u, 11);
  g_DrawBlendMode = blend;
  if (++g_frames == 5) ChangeScene(SCENE_TITLE);
  return 1;
}

TextureHandle* Solid(int w, int h, uint32_t argb) {
  TextureHandle* t = CreateTexture(w, h, vt::gfx::FMT_A8R8G8B8);
  auto* p = static_cast<uint32_t*>(LockTexture(t->dx, nullptr));
  const int pitch = GetTexturePitch(t) / 4;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p[y * pitch + x] = argb;
  UnlockTexture(t->dx);
  return t;
}

std::vector<SceneFrameReport> RunPictureScript(bool gl, std::vector<uint8_t>* backBuffer = nullptr) {
  SceneHarness h;
  SceneHarnessOptions o;
  o.gl = gl;
  o.firstScene = SCENE_MAIN_MENU;
  EXPECT_TRUE(h.Start(o));
  RegisterScene(SCENE_MAIN_MENU, {PictureScene, nullptr});
  SidePanelState& panels = GetSceneProcess().panels;
  panels.defaults[0] = Solid(160, 720, 0xFF2040C0u);
  panels.defaults[1] = Solid(160, 720, 0xFFC04020u);
  g_frames = 0;
  std::vector<SceneFrameReport> r = h.Run(3);
  if (backBuffer != nullptr) {
    vt::gfx::TextureRef back = g_D3DDevice->GetBackBuffer();
    vt::gfx::TextureRef sys = g_D3DDevice->CreateTexture(back->Width(), back->Height(), 0,
                                                         vt::gfx::FMT_A8R8G8B8, vt::gfx::POOL_SYSTEMMEM);
    EXPECT_EQ(g_D3DDevice->GetRenderTargetData(back.get(), sys.get()), vt::gfx::kOk);
    *backBuffer = sys->Pixels();
  }
  std::vector<SceneFrameReport> rest = h.Run(4);
  r.insert(r.end(), rest.begin(), rest.end());
  h.Stop();
  return r;
}

TEST(SceneHarnessGl, SameReportsAsTheRecordingDeviceAndALetterboxedFrame) {
  std::vector<uint8_t> px;
  const std::vector<SceneFrameReport> gl = RunPictureScript(true, &px);
  const std::vector<SceneFrameReport> rec = RunPictureScript(false);
  ASSERT_EQ(gl.size(), rec.size());
  for (size_t i = 0; i < gl.size(); ++i) {
    EXPECT_EQ(gl[i].sceneId, rec[i].sceneId) << i;
    EXPECT_EQ(gl[i].enter, rec[i].enter) << i;
    EXPECT_EQ(gl[i].battleHash, rec[i].battleHash) << i;
    EXPECT_EQ(gl[i].stageHash, rec[i].stageHash) << i;
  }
  EXPECT_EQ(gl[4].sceneId, SCENE_TITLE);

  // 1280 x 720: blue panel left, the picture 960 wide from x 160, red panel right.
  ASSERT_EQ(px.size(), 1280u * 720u * 4u);
  auto at = [&](int x, int y) {
    const uint8_t* p = px.data() + (static_cast<size_t>(y) * 1280 + x) * 4;
    return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
  };
  EXPECT_EQ(at(80, 360), 0x2040C0u);
  EXPECT_EQ(at(1200, 360), 0xC04020u);
  EXPECT_EQ(at(170, 10), 0x404040u);
  EXPECT_EQ(at(640, 360), 0xFFFFFFu);
  const char* shots = "/work/shots/dispatch";
  if (std::filesystem::exists(shots)) {
    vt::image::SaveImage(std::string(shots) + "/letterbox_panels_1280x720.png", vt::image::kFilePng,
                         px.data(), 1280, 720);
  }
}

}  // namespace
}  // namespace vt::test
