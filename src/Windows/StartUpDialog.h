// The start-up settings dialog. It never stays on screen: its three pages are created and
// destroyed at once, and what matters is what they do then. The main-settings page adjusts
// the screen settings and stores back the direct-connection user name and comment, the
// key-configuration page loads the pad and keyboard assignments, the system-information page
// writes the system report. Also the helper that sizes a window to a client area.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct SDL_Window;

struct StartUpDialogHooks {
  // The desktop's bits per pixel; 0 when the query fails.
  std::function<int()> desktopBitsPerPixel;
  // The direct-connection settings' user name and comment.
  std::function<std::string()> getNetUserName = [] { return std::string(); };
  std::function<std::string()> getNetComment = [] { return std::string(); };
  std::function<void(std::string_view)> setNetUserName = [](std::string_view) {};
  std::function<void(std::string_view)> setNetComment = [](std::string_view) {};
};
StartUpDialogHooks& GetStartUpDialogHooks();

// The desktop's bits per pixel as the start-up rules count them: the adapter's display mode
// format (24 for R8G8B8; 32 for A8R8G8B8, X8R8G8B8; 16 for the 16-bit formats; 0 otherwise).
// The adapter reports SDL's 8-bit-channel desktops, which SDL may call 24-bit, as X8R8G8B8.
int DesktopBitsPerPixel();

// The settings the main-settings page works on (the screen configuration).
struct StartUpScreenSettings {
  int* Windowed;
  int* Bpp;
  int* AspectRatio;
};

// Creates and destroys the three pages in order: main settings, key configuration, system
// information. Returns 1, as the dialog always ends itself with 1.
int RunStartUpDialogPages(const StartUpScreenSettings& settings);
// The same on the screen configuration of .\System\_App.ini (g_AppConfig).
int RunStartUpDialogPages();

// Copies text into a field of `size` bytes (the edit box), cut on a Shift-JIS character
// boundary so that no double-byte character is split.
std::string CopyToField(std::string_view text, size_t size);

// Sizes the window so that its client area is width x height, keeping its top-left corner.
void ResizeClientArea(SDL_Window* window, int width, int height);
