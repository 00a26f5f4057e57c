// Definitions of the spine's process-wide state.
#include "app/app_state.h"

#include "platform/window_events.h"

int64_t g_ConnectLobbyId = 0;
uint8_t g_TestMode = 0;
AppRunState* g_AppRunState = nullptr;
SDL_Window* g_MainWindow = nullptr;
std::atomic<bool> g_LogicRunning{false};
std::atomic<bool> g_QuitRequested{false};
std::atomic<int> g_ScreenModeRequest{0};
std::atomic<int> g_KeepWindowMode{0};
std::atomic<uint8_t> g_ApplyModeSwitch{0};
std::atomic<uint8_t> g_ResetDeviceRequest{0};
std::atomic<uint8_t> g_DeviceLost{0};
std::atomic<int> g_CaptureScreenRequest{0};

namespace vt {
void RequestQuit() {
  g_QuitRequested.store(true, std::memory_order_release);
  platform::WakeWindowThread();
}
}  // namespace vt
