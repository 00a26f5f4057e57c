// Conversions between the spine's device types and the device layer's.
#include "Dxtools/D3D_Tools/d3d_spine.h"

using namespace vt::gfx;

DeviceRequest DeviceRequestFromSpine(const vt::DeviceRequest& r) {
  DeviceRequest out;
  out.window = r.window;
  out.windowed = r.windowed ? 1 : 0;
  out.width = r.width;
  out.height = r.height;
  out.bitsPerPixel = r.bitsPerPixel;
  out.depthBuffer = r.depthBuffer ? 1 : 0;
  out.verticalSync = r.verticalSync ? 1 : 0;
  return out;
}

vt::PresentParams SpinePresentParams(const D3DPresentParameters& p) {
  vt::PresentParams out;
  out.window = p.hDeviceWindow;
  out.backBufferWidth = static_cast<int>(p.BackBufferWidth);
  out.backBufferHeight = static_cast<int>(p.BackBufferHeight);
  out.backBufferCount = static_cast<int>(p.BackBufferCount);
  out.backBufferFormat = static_cast<int>(p.BackBufferFormat);
  out.windowed = p.Windowed != 0;
  out.fullScreenRefreshRate = static_cast<int>(p.FullScreen_RefreshRateInHz);
  out.swapEffectCopy = p.SwapEffect == SWAPEFFECT_COPY ? 1 : 0;
  out.presentImmediate = p.PresentationInterval == PRESENT_INTERVAL_IMMEDIATE ? 1 : 0;
  return out;
}

D3DPresentParameters PresentParamsFromSpine(const vt::PresentParams& s, const D3DPresentParameters& base) {
  D3DPresentParameters p = base;
  p.hDeviceWindow = s.window;
  p.BackBufferWidth = static_cast<uint32_t>(std::max(s.backBufferWidth, 0));
  p.BackBufferHeight = static_cast<uint32_t>(std::max(s.backBufferHeight, 0));
  p.BackBufferCount = static_cast<uint32_t>(std::max(s.backBufferCount, 0));
  p.BackBufferFormat = static_cast<Format>(s.backBufferFormat);
  p.Windowed = s.windowed ? 1 : 0;
  p.FullScreen_RefreshRateInHz = static_cast<uint32_t>(std::max(s.fullScreenRefreshRate, 0));
  p.SwapEffect = s.swapEffectCopy ? SWAPEFFECT_COPY : SWAPEFFECT_DISCARD;
  p.PresentationInterval = s.presentImmediate ? PRESENT_INTERVAL_IMMEDIATE : PRESENT_INTERVAL_ONE;
  return p;
}

vt::CooperativeLevel SpineCooperativeLevel() {
  switch (TestCooperativeLevel()) {
    case kOk:
      return vt::CooperativeLevel::Ok;
    case kErrDeviceNotReset:
      return vt::CooperativeLevel::NotReset;
    default:
      return vt::CooperativeLevel::Lost;
  }
}

void SetDisplayAspectAndClear(float aspectW, float aspectH) {
  if (g_D3DManager) {
    g_D3DManager->aspectW = aspectW;
    g_D3DManager->aspectH = aspectH;
  }
  ClearScreen(CLEAR_TARGET, 0);
}
