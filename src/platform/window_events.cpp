// Registry of window-thread event handlers, pump hooks and posted calls.
#include "platform/window_events.h"

#include <mutex>
#include <utility>
#include <vector>

namespace vt::platform {
namespace {

struct Registry {
  std::mutex mutex;
  int nextId = 1;
  std::vector<std::pair<int, EventHandler>> handlers;
  std::vector<std::pair<int, PumpHook>> hooks;
  std::vector<std::function<void()>> calls;
};

Registry& GetRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

int AddEventHandler(EventHandler handler) {
  Registry& r = GetRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.handlers.emplace_back(r.nextId, std::move(handler));
  return r.nextId++;
}

void RemoveEventHandler(int id) {
  Registry& r = GetRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::erase_if(r.handlers, [id](const auto& h) { return h.first == id; });
}

int AddPumpHook(PumpHook hook) {
  Registry& r = GetRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.hooks.emplace_back(r.nextId, std::move(hook));
  return r.nextId++;
}

void RemovePumpHook(int id) {
  Registry& r = GetRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::erase_if(r.hooks, [id](const auto& h) { return h.first == id; });
}

void PostToWindowThread(std::function<void()> call) {
  Registry& r = GetRegistry();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    r.calls.push_back(std::move(call));
  }
  WakeWindowThread();
}

void DispatchWindowEvent(const SDL_Event& event) {
  Registry& r = GetRegistry();
  std::vector<EventHandler> handlers;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    for (auto& h : r.handlers) handlers.push_back(h.second);
  }
  for (auto& h : handlers) h(event);
}

void RunWindowThreadCalls() {
  Registry& r = GetRegistry();
  std::vector<std::function<void()>> calls;
  std::vector<PumpHook> hooks;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    calls.swap(r.calls);
    for (auto& h : r.hooks) hooks.push_back(h.second);
  }
  for (auto& c : calls) c();
  for (auto& h : hooks) h();
}

void WakeWindowThread() {
  if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return;
  SDL_Event wake{};
  wake.type = SDL_USEREVENT;
  SDL_PushEvent(&wake);
}

}  // namespace vt::platform
