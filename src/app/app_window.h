// The main window: creation, the style for window or full screen, the screen-mode change and
// the window-procedure stand-in that handles the window thread's SDL events.
#pragma once

struct SDL_Window;
union SDL_Event;

bool CreateMainWindow();
// Closing hides the window; it is destroyed at shutdown, after the device that draws into it.
void CloseMainWindow();
void DestroyMainWindow();
void ApplyWindowStyle(SDL_Window* window);
void ApplyScreenModeChange(SDL_Window* window, bool windowed);

namespace vt {
// Handles one window event as the game's window procedure does; true when the window was
// closed (the message loop then ends).
bool HandleMainWindowEvent(const SDL_Event& event);
// Desktop size used to clamp the saved window position.
void GetDesktopSize(int* width, int* height);
}  // namespace vt
