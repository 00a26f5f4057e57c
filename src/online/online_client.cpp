// Stand-in online client and empty task lists.
#include "online/online_client.h"

#include <cstdlib>
#include <mutex>
#include <vector>

#include "online/qz_application.h"

namespace {
std::mutex g_callbackMutex;
std::vector<std::function<void()>> g_callbacks;
bool g_forceFailure = false;
bool g_started = false;
}  // namespace

bool OnlineClientInit() {
  const char* env = std::getenv("VT_ONLINE_INIT_FAIL");
  if (g_forceFailure || (env != nullptr && env[0] == '1')) return false;
  g_started = true;
  return true;
}

void OnlineClientRunCallbacks() {
  std::vector<std::function<void()>> callbacks;
  {
    std::lock_guard<std::mutex> lock(g_callbackMutex);
    callbacks.swap(g_callbacks);
  }
  for (auto& c : callbacks) c();
}

void OnlineClientShutdown() {
  g_started = false;
  std::lock_guard<std::mutex> lock(g_callbackMutex);
  g_callbacks.clear();
}

void OnlineClientQueueCallback(std::function<void()> callback) {
  std::lock_guard<std::mutex> lock(g_callbackMutex);
  g_callbacks.push_back(std::move(callback));
}

void OnlineClientForceInitFailure(bool fail) { g_forceFailure = fail; }

void InitOnlineSystem() { CreateQZApplication(); }
void DeleteOnlineSystem() { DeleteQZApplication(); }
int RunOnlineTaskList(int list) {
  QZWin_CApplication* app = GetQZApplication();
  if (app == nullptr) return 0;
  return list == 0 ? app->FirstTaskList().Run() : app->SecondTaskList().Run();
}
void FlushAchievements() {}
