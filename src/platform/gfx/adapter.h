// Adapter answers of the device stand-in: the desktop display mode, its mode list, device caps,
// the adapter identifier and the format probes the game makes before creating its device.
#pragma once

#include <vector>

#include "platform/gfx/gfx_types.h"

namespace vt::gfx {

// The desktop mode (1280 x 720 X8R8G8B8 when no display is known, as on headless runs). 32-bit
// desktops (XRGB8888, RGB888, ARGB8888) report X8R8G8B8 whatever depth SDL states for them.
DisplayMode GetAdapterDisplayMode();
std::vector<DisplayMode> EnumAdapterModes(Format format);
// Shader model 3.0, 32-bit indices, three simultaneous render targets.
DeviceCaps GetDeviceCaps();
AdapterIdentifier GetAdapterIdentifier();
// Display/back-buffer pair accepted by the hardware device (windowed or full screen).
bool CheckDeviceType(Format displayFormat, Format backBufferFormat, bool windowed);
// Whether a resource of the format can be made with the usage.
bool CheckDeviceFormat(Format displayFormat, uint32_t usage, Format format);

}  // namespace vt::gfx
