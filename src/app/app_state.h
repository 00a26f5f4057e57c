// Process-wide state of the program's spine: command-line results, the run-state record, the
// quit request and the two hand-off flags between the logic thread and the window thread.
// Flags read by both threads are atomics (acquire/release); every spin on them also ends on quit.
#pragma once

#include <atomic>
#include <cstdint>

struct SDL_Window;

struct AppRunState {
  uint8_t testMode = 0;
  std::atomic<uint8_t> quitRequested{0};     // set when the input manager reports Alt+F4
  std::atomic<uint8_t> quitAcknowledged{0};  // set by the logic step that saw the request
};

extern int64_t g_ConnectLobbyId;
extern uint8_t g_TestMode;
extern AppRunState* g_AppRunState;
extern SDL_Window* g_MainWindow;
extern std::atomic<bool> g_LogicRunning;
extern std::atomic<bool> g_QuitRequested;
extern std::atomic<int> g_ScreenModeRequest;
extern std::atomic<int> g_KeepWindowMode;
extern std::atomic<uint8_t> g_ApplyModeSwitch;
extern std::atomic<uint8_t> g_ResetDeviceRequest;
extern std::atomic<uint8_t> g_DeviceLost;
extern std::atomic<int> g_CaptureScreenRequest;

namespace vt {
// Sets the global quit request from any thread and wakes the window thread's pump.
void RequestQuit();
}  // namespace vt
