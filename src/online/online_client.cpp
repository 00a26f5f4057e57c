// The platform's start, drain and shutdown for the process's one online context.
#include "online/online_client.h"

#include <cstdlib>
#include <memory>

#include "app/lib_debug.h"
#include "online/qz_application.h"
#include "platform/online/net/net_startup.h"
#include "platform/online/online_context.h"

namespace {
bool g_forceFailure = false;
std::unique_ptr<vt::online::OnlineContext> g_context;
vt::online::OnlineClientOptions g_options;
}  // namespace

void OnlineClientSetOptions(const vt::online::OnlineClientOptions& options) { g_options = options; }

// The original program ended here when its platform client was not running. Here the service is
// optional and elsewhere: no service configured (or one that cannot be used) gives the offline
// backend and offline play, and only the test switch still reaches the fatal box.
bool OnlineClientInit() {
  const char* env = std::getenv("VT_ONLINE_INIT_FAIL");
  if (g_forceFailure || (env != nullptr && env[0] == '1')) return false;
  OnlineClientShutdown();
  g_context = std::make_unique<vt::online::OnlineContext>(vt::online::CreateOnlinePlatform(g_options));
  vt::online::SetCurrentContext(g_context.get());
  return true;
}

void OnlineClientRunCallbacks() {
  if (vt::online::OnlineContext* context = vt::online::CurrentContext()) context->platform().runCallbacks();
}

void OnlineClientShutdown() {
  if (g_context == nullptr) return;
  g_context->platform().shutdown();
  g_context.reset();  // also clears the current context when it was this one
}

void OnlineClientForceInitFailure(bool fail) { g_forceFailure = fail; }

void SteamWarningHook(int /*severity*/, const char* text) { DebugOutput(text); }

void OnlineClientInstallWarningHook() {
  if (vt::online::OnlineContext* context = vt::online::CurrentContext())
    context->platform().setWarningHook(SteamWarningHook);
}

void InitOnlineSystem() { CreateQZApplication(); }
void DeleteOnlineSystem() { DeleteQZApplication(); }
int RunOnlineTaskList(int list) {
  QZWin_CApplication* app = GetQZApplication();
  if (app == nullptr) return 0;
  return list == 0 ? app->FirstTaskList().Run() : app->SecondTaskList().Run();
}
void FlushAchievements() {}
