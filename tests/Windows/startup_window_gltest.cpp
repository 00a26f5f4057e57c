// Sizing a window to a client area keeps its top-left corner.
#include <SDL.h>
#include <gtest/gtest.h>

#include "Windows/StartUpDialog.h"

TEST(ResizeClientArea, SizeChangesCornerStays) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
  SDL_Window* w = SDL_CreateWindow("resize", 40, 30, 200, 100, SDL_WINDOW_HIDDEN);
  ASSERT_NE(w, nullptr) << SDL_GetError();
  int x0 = 0, y0 = 0;
  SDL_GetWindowPosition(w, &x0, &y0);
  struct Case {
    int w, h, expectW, expectH;
  } cases[] = {{640, 480, 640, 480}, {1280, 720, 1280, 720}, {0, 480, 1280, 720}, {-5, -5, 1280, 720}};
  for (const Case& c : cases) {
    ResizeClientArea(w, c.w, c.h);
    int cw = 0, ch = 0, x = 0, y = 0;
    SDL_GetWindowSize(w, &cw, &ch);
    SDL_GetWindowPosition(w, &x, &y);
    EXPECT_EQ(cw, c.expectW);
    EXPECT_EQ(ch, c.expectH);
    EXPECT_EQ(x, x0);
    EXPECT_EQ(y, y0);
  }
  ResizeClientArea(nullptr, 10, 10);
  SDL_DestroyWindow(w);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// A desktop SDL reports as 24 bits per pixel in 32-bit storage (RGB888, the usual Linux
// desktop) counts as 32 and keeps the window mode.
TEST(DesktopDepth, UsualDesktopKeepsWindowMode) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
  SDL_DisplayMode mode;
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &mode), 0);
  const bool fourBytes = SDL_BYTESPERPIXEL(mode.format) == 4;
  EXPECT_EQ(DesktopBitsPerPixel(), fourBytes ? 32 : DesktopBitsPerPixel())
      << SDL_GetPixelFormatName(mode.format);
  if (fourBytes) {
    int windowed = 1, bpp = 0, aspect = 0;
    RunStartUpDialogPages({&windowed, &bpp, &aspect});
    EXPECT_EQ(windowed, 1);
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
