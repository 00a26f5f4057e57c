// The current context and the choice of backend at start-up.
#include "platform/online/online_context.h"

#include <atomic>

#include "platform/online/offline_platform.h"

namespace vt::online {

namespace {
std::atomic<OnlineContext*> g_current{nullptr};
}

OnlineContext::OnlineContext(std::unique_ptr<Platform> platform) : platform_(std::move(platform)) {}

OnlineContext::~OnlineContext() {
  OnlineContext* self = this;
  g_current.compare_exchange_strong(self, nullptr);
}

OnlineContext* CurrentContext() { return g_current.load(std::memory_order_acquire); }
void SetCurrentContext(OnlineContext* context) { g_current.store(context, std::memory_order_release); }

std::unique_ptr<Platform> CreatePlatform(const PlatformConfig& config) {
  return std::make_unique<OfflinePlatform>(config.personaName);
}

}  // namespace vt::online
