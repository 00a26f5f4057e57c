// The window thread's event pump hooks. Services that need window events (keyboard, text
// input, movie notices) register here; the pump calls them on the window thread.
#pragma once

#include <SDL.h>

#include <functional>

namespace vt::platform {

using EventHandler = std::function<void(const SDL_Event&)>;
using PumpHook = std::function<void()>;

// Called on the window thread for every SDL event, in registration order. Returns an id.
int AddEventHandler(EventHandler handler);
void RemoveEventHandler(int id);

// Called on the window thread after each pass of the pump (keyboard snapshots and the like).
int AddPumpHook(PumpHook hook);
void RemovePumpHook(int id);

// Queues a call to run on the window thread at its next pump pass (the stand-in for posting a
// window message to the main window). Safe from any thread; wakes the pump.
void PostToWindowThread(std::function<void()> call);

// Window-thread side: runs the handlers for one event / the queued calls and the pump hooks.
void DispatchWindowEvent(const SDL_Event& event);
void RunWindowThreadCalls();

// Wakes a window thread blocked waiting for events (safe from any thread; no-op without SDL events).
void WakeWindowThread();

}  // namespace vt::platform
