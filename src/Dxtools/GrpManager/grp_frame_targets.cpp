// Frame render targets, their binding, the capture and the letterboxed composition.
#include "Dxtools/GrpManager/grp_frame_targets.h"

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/app_state.h"

using namespace vt::gfx;

TextureHandle* g_SceneTargets[3] = {};
TextureHandle* g_CaptureTarget = nullptr;

TextureHandle* GetSceneTarget(int index) {
  if (index < 0 || index > 2) return nullptr;
  return g_SceneTargets[index];
}

int CreateFrameRenderTargets() {
  if (!g_D3DDevice) return 0;
  Format f = g_D3DDevice->GetBackBuffer() ? g_D3DDevice->GetBackBuffer()->GetFormat() : FMT_X8R8G8B8;
  for (auto& t : g_SceneTargets)
    if (!t) t = CreateRenderTargetTexture(1280, 720, f);
  if (!g_CaptureTarget) g_CaptureTarget = CreateRenderTargetTexture(1280, 720, f);
  return g_SceneTargets[0] ? 1 : 0;
}

void FreeFrameRenderTargets() {
  for (auto& t : g_SceneTargets) {
    FreeTexture(t);
    t = nullptr;
  }
  FreeTexture(g_CaptureTarget);
  g_CaptureTarget = nullptr;
}

void SetSceneRenderTargets() {
  if (!g_D3DDevice) return;
  g_D3DDevice->SetRenderTarget(0, HandleTexture(g_SceneTargets[0]));  // null: the back buffer
  g_D3DDevice->SetRenderTarget(1, HandleTexture(g_SceneTargets[1]));
  g_D3DDevice->SetRenderTarget(2, HandleTexture(g_SceneTargets[2]));
}

void BindSceneRenderTargets() {
  if (!g_D3DDevice) return;
  SetSceneRenderTargets();
  g_D3DDevice->Clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
}

void RestoreBackBufferTargets() {
  if (g_D3DDevice) {
    g_D3DDevice->SetRenderTarget(0, nullptr);
    g_D3DDevice->SetRenderTarget(1, nullptr);
    g_D3DDevice->SetRenderTarget(2, nullptr);
  }
  ResetDrawList(&g_MainDrawList);
}

void CaptureScreenTexture() {
  if (!g_CaptureScreenRequest.load(std::memory_order_acquire) || !g_D3DDevice) return;
  D3DSurface* saved[3];
  SaveRenderTargets(saved);
  g_D3DDevice->SetRenderTarget(0, HandleTexture(g_CaptureTarget));
  g_D3DDevice->SetRenderTarget(1, nullptr);
  g_D3DDevice->SetRenderTarget(2, nullptr);
  g_D3DDevice->Clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0, 1.0f, 0);
  ResetDrawList(&g_MainDrawList);
  DrawSprite(&g_MainDrawList, g_SceneTargets[0], 0, 0, 640, 480, 0, 0, 640, 480, 0xFFFFFFFFu, 0, 0);
  RunDrawList(&g_MainDrawList);
  RestoreRenderTargets(saved);
  ReleaseRenderTargets(saved);
  g_CaptureScreenRequest.store(0, std::memory_order_release);
}

void GetSceneLetterboxFor(int bw, int bh, int* x, int* y, int* w, int* h) {
  *x = *y = *w = *h = 0;
  if (bw <= 0 || bh <= 0) return;  // no back buffer: nothing is presented
  // The largest centred 4:3 rectangle: side bars above 4:3, bars top and bottom below it.
  // Three quarters of the width (the old rule) is right only for 16:9; it squashed 16:10 and
  // stretched wider screens.
  const int64_t fitW = (static_cast<int64_t>(bh) * 4 + 1) / 3;  // round(H x 4/3)
  const int64_t fitH = (static_cast<int64_t>(bw) * 3 + 2) / 4;  // round(W x 3/4)
  *w = static_cast<int>(fitW < bw ? fitW : bw);
  *h = static_cast<int>(fitH < bh ? fitH : bh);
  *x = (bw - *w) / 2;
  *y = (bh - *h) / 2;
}

void GetSceneLetterbox(int* x, int* y, int* w, int* h) {
  int bw = 640, bh = 480;
  if (g_D3DDevice) {
    TextureRef back = g_D3DDevice->GetBackBuffer();
    bw = back ? static_cast<int>(back->Width()) : 0;
    bh = back ? static_cast<int>(back->Height()) : 0;
  }
  GetSceneLetterboxFor(bw, bh, x, y, w, h);
}

int QueueSceneComposition(TextureHandle* scene, int filter) {
  int x, y, w, h;
  GetSceneLetterbox(&x, &y, &w, &h);
  if (w <= 0 || h <= 0) return 0;
  uint8_t blend = g_DrawBlendMode, filterMode = g_DrawFilterMode;
  g_DrawBlendMode = 5;  // opaque copy of the scene
  g_DrawFilterMode = static_cast<uint8_t>(filter);
  TextureRef back = g_D3DDevice ? g_D3DDevice->GetBackBuffer() : TextureRef();
  if (back) {
    int32_t bw = static_cast<int32_t>(back->Width()), bh = static_cast<int32_t>(back->Height());
    DrawRect(&g_MainDrawList, 0, 0, bw, bh, 0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u, 0);
  }
  int r = DrawSprite(&g_MainDrawList, scene, x, y, w, h, 0, 0, 640, 480, 0xFFFFFFFFu, 0, 1);
  g_DrawBlendMode = blend;
  g_DrawFilterMode = filterMode;
  return r;
}

int QueueSceneComposition() { return QueueSceneComposition(g_SceneTargets[0], 2); }
