// The start-up dialog's pages and their side effects.
#include "Windows/StartUpDialog.h"

#include <SDL.h>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Windows/SystemReport.h"
#include "app/app_config.h"
#include "app/input/input_manager.h"
#include "app/input/key_config.h"
#include "app/lib_debug.h"
#include "platform/gfx/adapter.h"

namespace {

// Field sizes of the two edit boxes of the main-settings page.
constexpr size_t kUserNameBytes = 16;
constexpr size_t kCommentBytes = 32;

bool IsShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

struct MainSettingsPage {
  std::string userNameBox;
  std::string commentBox;

  void Create(const StartUpScreenSettings& s) {
    const StartUpDialogHooks& hooks = GetStartUpDialogHooks();
    const int depth = hooks.desktopBitsPerPixel ? hooks.desktopBitsPerPixel() : 0;
    if (depth != 16 && depth != 32) {
      DebugPrint("StartUp: desktop depth %d, full screen\n", depth);
      *s.Windowed = 0;
    }
    *s.Bpp = 32;
    *s.AspectRatio = 0;
    userNameBox = CopyToField(hooks.getNetUserName(), kUserNameBytes);
    commentBox = CopyToField(hooks.getNetComment(), kCommentBytes);
  }
  void Destroy() {
    const StartUpDialogHooks& hooks = GetStartUpDialogHooks();
    hooks.setNetUserName(userNameBox);
    hooks.setNetComment(commentBox);
  }
};

}  // namespace

StartUpDialogHooks& GetStartUpDialogHooks() {
  static StartUpDialogHooks hooks = [] {
    StartUpDialogHooks h;
    h.desktopBitsPerPixel = DesktopBitsPerPixel;
    return h;
  }();
  return hooks;
}

int DesktopBitsPerPixel() { return FormatBitsPerPixel(vt::gfx::GetAdapterDisplayMode().format); }

std::string CopyToField(std::string_view text, size_t size) {
  size_t n = 0;
  while (n < text.size()) {
    const size_t step = IsShiftJisLead(static_cast<unsigned char>(text[n])) ? 2 : 1;
    if (n + step > size || n + step > text.size()) break;
    n += step;
  }
  return std::string(text.substr(0, n));
}

int RunStartUpDialogPages(const StartUpScreenSettings& settings) {
  const std::vector<std::string> pads = g_InputManager.GetPadNames();
  MainSettingsPage main;
  main.Create(settings);
  KeyConfigPageCreate(pads);
  WriteSystemReport();
  main.Destroy();
  KeyConfigPageDestroy(pads);
  return 1;
}

int RunStartUpDialogPages() {
  return RunStartUpDialogPages({&g_AppConfig.Windowed, &g_AppConfig.Bpp, &g_AppConfig.AspectRatio});
}

void ResizeClientArea(SDL_Window* window, int width, int height) {
  if (!window || width <= 0 || height <= 0) return;
  // SDL sizes the client area; the top-left corner stays where it is.
  int x = 0, y = 0;
  SDL_GetWindowPosition(window, &x, &y);
  SDL_SetWindowSize(window, width, height);
  SDL_SetWindowPosition(window, x, y);
}
