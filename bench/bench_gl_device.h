// The benchmarks' GL device: a 1280 x 720 device that renders (no recording) on the given
// window (or a hidden one), current on the calling thread, with the draw-list manager started.
#pragma once

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "platform/gfx/gl_backend.h"

inline bool StartBenchDevice(SDL_Window* window) {
  if (!InitD3DTools()) return false;
  DeviceRequest req;
  req.window = window;
  req.width = 1280;
  req.height = 720;
  if (!CreateD3DDevice(req)) return false;
  if (!vt::gfx::MakeDeviceCurrentOnThisThread()) return false;
  g_D3DDevice->SetRecording(false);
  InitGrpManager();
  return true;
}
