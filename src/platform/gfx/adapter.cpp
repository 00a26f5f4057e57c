// Adapter answers from SDL's display list (fixed answers without a display).
#include "platform/gfx/adapter.h"

#include <SDL.h>

#include <algorithm>

namespace vt::gfx {

namespace {
Format FormatOf(uint32_t sdlFormat) {
  switch (sdlFormat) {
    case SDL_PIXELFORMAT_RGB565:
      return FMT_R5G6B5;
    case SDL_PIXELFORMAT_RGB555:
      return FMT_X1R5G5B5;
    default:
      // XRGB8888, RGB888, ARGB8888 and whatever else a modern desktop runs at.
      return FMT_X8R8G8B8;
  }
}

bool VideoUp() { return SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_GetNumVideoDisplays() > 0; }
}  // namespace

DisplayMode GetAdapterDisplayMode() {
  DisplayMode m{1280, 720, 60, FMT_X8R8G8B8};
  SDL_DisplayMode dm;
  if (VideoUp() && SDL_GetDesktopDisplayMode(0, &dm) == 0) {
    m.Width = static_cast<uint32_t>(dm.w);
    m.Height = static_cast<uint32_t>(dm.h);
    m.RefreshRate = static_cast<uint32_t>(dm.refresh_rate);
    m.format = FormatOf(dm.format);
  }
  return m;
}

std::vector<DisplayMode> EnumAdapterModes(Format format) {
  std::vector<DisplayMode> modes;
  if (VideoUp()) {
    int n = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < n; ++i) {
      SDL_DisplayMode dm;
      if (SDL_GetDisplayMode(0, i, &dm) != 0 || FormatOf(dm.format) != format) continue;
      modes.push_back(DisplayMode{static_cast<uint32_t>(dm.w), static_cast<uint32_t>(dm.h),
                                  static_cast<uint32_t>(dm.refresh_rate), format});
    }
  }
  if (modes.empty()) {
    DisplayMode d = GetAdapterDisplayMode();
    if (d.format == format) modes.push_back(d);
  }
  return modes;
}

DeviceCaps GetDeviceCaps() {
  DeviceCaps c;
  c.PixelShaderVersion = 0xFFFF0300u;
  c.VertexShaderVersion = 0xFFFE0300u;
  c.MaxVertexIndex = 0x00FFFFFFu;
  c.MaxTextureWidth = 8192;
  c.MaxTextureHeight = 8192;
  c.NumSimultaneousRTs = kMaxRenderTargets;
  c.MaxAnisotropy = 16;
  return c;
}

AdapterIdentifier GetAdapterIdentifier() {
  AdapterIdentifier id;
  id.Driver = "OpenGL 3.3 core";
  id.Description = "OpenGL 3.3 core device (SDL2)";
  id.VendorId = 0;
  id.DeviceId = 0;
  id.DriverVersion = 0x0003000300000000ull;
  return id;
}

bool CheckDeviceType(Format displayFormat, Format backBufferFormat, bool windowed) {
  (void)windowed;
  auto ok = [](Format f) {
    return f == FMT_X8R8G8B8 || f == FMT_A8R8G8B8 || f == FMT_R5G6B5 || f == FMT_X1R5G5B5;
  };
  return ok(displayFormat) && (backBufferFormat == FMT_UNKNOWN || ok(backBufferFormat));
}

bool CheckDeviceFormat(Format displayFormat, uint32_t usage, Format format) {
  (void)displayFormat;
  if (usage & USAGE_RENDERTARGET) return BytesPerPixel(format) != 0;
  return IsTextureFormatSupported(format);
}

}  // namespace vt::gfx
