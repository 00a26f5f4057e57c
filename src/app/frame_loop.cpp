// The window thread's loop, the logic thread's frames and the hand-off between them.
//
// The hand-off keeps the game's protocol: the logic thread raises a flag and waits until the
// window thread, idle between events, has serviced and cleared it; no frame is in flight while
// the device is reset. The flags are atomics, every wait also ends on quit, and after leaving its
// pump the window thread keeps clearing them until the logic thread has ended, so neither side
// can wait for the other at exit.
#include "app/frame_loop.h"

#include <SDL.h>
#include <pthread.h>

#include <atomic>
#include <thread>

#include "app/app_config.h"
#include "app/app_services.h"
#include "app/app_state.h"
#include "app/app_window.h"
#include "app/e2e_run.h"
#include "app/lib_debug.h"
#include "platform/clock.h"
#include "platform/window_events.h"

namespace {

std::atomic<long> g_autoQuitFrames{0};
std::atomic<long> g_framesRun{0};

// Waits while a hand-off flag is raised; ends early on quit.
void SpinWhileRaised(const std::atomic<uint8_t>& flag) {
  if (flag.load(std::memory_order_acquire) == 0) return;
  vt::platform::WakeWindowThread();
  while (flag.load(std::memory_order_acquire) != 0 && !g_QuitRequested.load(std::memory_order_acquire)) {
    std::this_thread::yield();
  }
}

void* LogicThreadEntry(void* done) {
  MainLoopThread();
  static_cast<std::atomic<bool>*>(done)->store(true, std::memory_order_release);
  vt::platform::WakeWindowThread();
  return nullptr;
}

}  // namespace

namespace vt {
uint64_t ProcessStartCounter() {
  static const uint64_t start = platform::GetClock().Counter();
  return start;
}
void SetAutoQuitFrames(long frames) { g_autoQuitFrames = frames; }
long FramesRun() { return g_framesRun.load(); }
}  // namespace vt

int RunLogicFrame() {
  vt::AppServices& s = vt::Services();
  int continueFlag = 1;
  // An end-to-end run's script sets the fake pads and keys for this frame before they are read;
  // its quit (or a wait that ran out) takes the automatic-quit path.
  const bool scriptQuit = vt::e2e::EndToEndFrameStart() == 0;
  s.PollInput();
  if (s.IsQuitRequested()) {
    if (g_AppRunState != nullptr) g_AppRunState->quitRequested = 1;
    continueFlag = 0;
  }
  long autoQuit = g_autoQuitFrames.load();
  if (((autoQuit > 0 && g_framesRun.load() + 1 >= autoQuit) || scriptQuit) && g_AppRunState != nullptr) {
    g_AppRunState->quitRequested = 1;  // the automatic quit takes the Alt+F4 path
    continueFlag = 0;
  }
  s.UpdateCredits();
  s.ResetMainDrawList();
  s.RunOnlineTaskList(0);
  int result = s.UpdateSceneFrame(continueFlag) != 0 ? continueFlag : 0;
  s.RunOnlineTaskList(1);
  s.DrawSceneFrame();
  s.MarkSceneRunDone();
  vt::e2e::EndToEndFrameEnd();
  s.AgeSpriteCache();
  s.ReleaseEffectTags();
  SyncWithWindowThread();
  s.FlushAchievements();
  s.RunOnlineCallbacks();
  if (g_framesRun.fetch_add(1) == 0) {
    // The start is read before the present time: a start counter first taken here (a program
    // that never called it at its start) must not come out later than "now".
    const uint64_t start = vt::ProcessStartCounter();
    const uint64_t now = vt::platform::GetClock().Counter();
    DebugPrint("# First frame presented %.1f ms after start\n",
               static_cast<double>(now - start) /
                   static_cast<double>(vt::platform::GetClock().CounterFrequency()) * 1000.0);
  }
  return result;
}

int SyncWithWindowThread() {
  vt::AppServices& s = vt::Services();
  int result = 0;
  if (g_ScreenModeRequest.exchange(0, std::memory_order_acq_rel) != 0) {
    vt::PresentParams p = s.GetPresentParameters();
    if (g_KeepWindowMode.load() == 0) p.windowed = !p.windowed;
    p.backBufferWidth = g_AppConfig.ScreenW;
    p.backBufferHeight = g_AppConfig.ScreenH;
    p.fullScreenRefreshRate = 0;
    p.swapEffectCopy = 1;
    p.presentImmediate = 1;
    if (p.windowed) {
      p.backBufferCount = 0;
      p.backBufferFormat = 0;
    } else {
      p.backBufferCount = 1;
    }
    if (s.HasDevice()) s.SetPendingPresentParameters(p);
    result = 1;
    g_KeepWindowMode.store(0);
  }
  g_ApplyModeSwitch.store(static_cast<uint8_t>(result), std::memory_order_release);
  SpinWhileRaised(g_ApplyModeSwitch);
  g_ResetDeviceRequest.store(g_DeviceLost.load(std::memory_order_acquire), std::memory_order_release);
  SpinWhileRaised(g_ResetDeviceRequest);
  return result;
}

void ServiceDeviceReset() {
  vt::AppServices& s = vt::Services();
  bool lost = s.HasDevice() && s.TestCooperativeLevel() == vt::CooperativeLevel::NotReset;
  g_DeviceLost.store(lost ? 1 : 0, std::memory_order_release);
  bool modeSwitch = g_ApplyModeSwitch.load(std::memory_order_acquire) != 0;
  bool resetWanted = lost && g_ResetDeviceRequest.load(std::memory_order_acquire) != 0;
  if (!modeSwitch && !resetWanted) {
    // A device that recovered after the logic thread asked for a reset needs none: answer the
    // request, or the logic thread would wait at the hand-off for ever.
    if (!lost) g_ResetDeviceRequest.store(0, std::memory_order_release);
    return;
  }
  s.LoseEffects();
  s.ReleaseDefaultPoolTextures();
  if (s.HasDevice() && s.ResetDevice()) g_DeviceLost.store(0, std::memory_order_release);
  s.RecreateDefaultPoolTextures();
  s.RestoreEffects();
  s.FlushSpriteCache();
  if (modeSwitch) {
    vt::PresentParams p = s.GetPresentParameters();
    ApplyScreenModeChange(p.window, p.windowed);
    g_AppConfig.Windowed = p.windowed ? 1 : 0;
  }
  s.SetMovieDeviceResetFlag();
  g_ApplyModeSwitch.store(0, std::memory_order_release);
  g_ResetDeviceRequest.store(0, std::memory_order_release);
}

int MainLoopThread() {
  vt::AppServices& s = vt::Services();
  s.OnLogicThreadStart();
  while (!g_QuitRequested.load(std::memory_order_acquire)) {
    if (g_LogicRunning.load(std::memory_order_acquire)) {
      g_LogicRunning.store(RunLogicFrame() == 1, std::memory_order_release);
      if (g_LogicRunning.load(std::memory_order_acquire)) continue;
    }
    DebugOutput("#AppricationLoopCallbackからの終了\n");
    vt::RequestQuit();
  }
  s.OnLogicThreadEnd();
  DebugOutput("#MainLoopThread End\n");
  return 0;
}

void RunWindowLoop() {
  // The logic thread keeps normal priority; it gets a large stack for deep spawn chains.
  std::atomic<bool> logicDone{false};
  vt::Services().BeforeLogicThreadStart();
  pthread_t logic{};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 16u << 20);
  bool started = pthread_create(&logic, &attr, LogicThreadEntry, &logicDone) == 0;
  pthread_attr_destroy(&attr);

  bool quitMessage = false;
  while (!quitMessage) {
    SDL_Event event;
    int got = SDL_WasInit(SDL_INIT_EVENTS) != 0 ? SDL_WaitEventTimeout(&event, 1) : 0;
    if (got != 0) {
      vt::platform::DispatchWindowEvent(event);
      if (vt::HandleMainWindowEvent(event)) {
        CloseMainWindow();
        quitMessage = true;
      }
      continue;
    }
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) vt::platform::GetClock().SleepMs(1);
    vt::platform::RunWindowThreadCalls();
    ServiceDeviceReset();
    if (g_QuitRequested.load(std::memory_order_acquire)) {
      CloseMainWindow();
      quitMessage = true;
    }
  }
  DebugOutput("# メインメッセージループから抜けた\n");
  vt::RequestQuit();
  DebugOutput("# JoinMainLoopThread Begin\n");
  if (started) {
    // Keep the hand-off flags clear until the logic thread has ended, so it cannot wait on us.
    while (!logicDone.load(std::memory_order_acquire)) {
      g_ApplyModeSwitch.store(0, std::memory_order_release);
      g_ResetDeviceRequest.store(0, std::memory_order_release);
      vt::platform::GetClock().SleepMs(1);
    }
    pthread_join(logic, nullptr);
  }
  DebugOutput("# JoinMainLoopThread End\n");
}
