// Main window on SDL2.
#include "app/app_window.h"

#include <SDL.h>

#include "app/app_config.h"
#include "app/app_state.h"
#include "app/lib_debug.h"
#include "platform/window_events.h"

namespace vt {

void GetDesktopSize(int* width, int* height) {
  SDL_DisplayMode mode{};
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
    *width = mode.w;
    *height = mode.h;
  } else {
    *width = 1920;
    *height = 1080;
  }
}

bool HandleMainWindowEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      return true;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) return true;
      if (event.window.event == SDL_WINDOWEVENT_MOVED && g_AppConfig.Windowed) {
        g_AppConfig.PosX = event.window.data1;
        g_AppConfig.PosY = event.window.data2;
      }
      return false;
    case SDL_KEYDOWN:
      // Alt+Enter switches window and full screen at the end of the current frame. Alt+F4 is
      // not a window command here: the frame loop's quit test handles it.
      if ((event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER) &&
          (event.key.keysym.mod & KMOD_ALT) != 0 && event.key.repeat == 0) {
        g_ScreenModeRequest.store(1, std::memory_order_release);
      }
      return false;
    default:
      return false;
  }
}

}  // namespace vt

bool CreateMainWindow() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    DebugPrint("SDL video init failed: %s\n", SDL_GetError());
    return false;
  }
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // Created small and hidden; start-up gives it its size and shows it.
  SDL_Window* window = SDL_CreateWindow("Vantorel", 0, 0, 640, 480, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (window == nullptr) {
    DebugPrint("SDL window creation failed: %s\n", SDL_GetError());
    return false;
  }
  g_MainWindow = window;
  SDL_StopTextInput();  // no input-method context on the game window
  SDL_StartTextInput();
  return true;
}

void CloseMainWindow() {
  if (g_MainWindow != nullptr) SDL_HideWindow(g_MainWindow);
}

void DestroyMainWindow() {
  if (g_MainWindow != nullptr) {
    SDL_DestroyWindow(g_MainWindow);
    g_MainWindow = nullptr;
  }
}

void ApplyWindowStyle(SDL_Window* window) {
  int desktopW = 0, desktopH = 0;
  vt::GetDesktopSize(&desktopW, &desktopH);
  AppConfig& c = g_AppConfig;
  if (c.PosX >= desktopW - c.ScreenW) c.PosX = desktopW - c.ScreenW;
  if (c.PosY >= desktopH - c.ScreenH) c.PosY = desktopH - c.ScreenH;
  if (c.PosX < 0) c.PosX = 0;
  if (c.PosY < 0) c.PosY = 0;
  if (window == nullptr) return;
  if (c.Windowed) {
    SDL_SetWindowFullscreen(window, 0);
    SDL_SetWindowBordered(window, SDL_TRUE);
    SDL_SetWindowSize(window, c.ScreenW, c.ScreenH);
    SDL_SetWindowPosition(window, c.PosX, c.PosY);
    SDL_ShowCursor(SDL_ENABLE);
  } else {
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    SDL_ShowCursor(SDL_DISABLE);
  }
  SDL_ShowWindow(window);
}

void ApplyScreenModeChange(SDL_Window* window, bool windowed) {
  g_AppConfig.Windowed = windowed ? 1 : 0;
  if (window != nullptr) SDL_GetWindowPosition(window, &g_AppConfig.PosX, &g_AppConfig.PosY);
  ApplyWindowStyle(window);
  if (window != nullptr) SDL_GetWindowPosition(window, &g_AppConfig.PosX, &g_AppConfig.PosY);
  SaveAppConfig();
}
