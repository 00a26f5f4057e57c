// The per-user home of the online layer. Each context owns one Platform; the game's online
// singletons move in here with their own classes, so that several peers can share one test
// process. Production has exactly one context; multi-peer tests make each peer's context current
// before stepping it.
#pragma once

#include <memory>
#include <string>

#include "platform/online/platform.h"

namespace vt::online {

class OnlineContext {
 public:
  explicit OnlineContext(std::unique_ptr<Platform> platform);
  ~OnlineContext();
  OnlineContext(const OnlineContext&) = delete;
  OnlineContext& operator=(const OnlineContext&) = delete;

  Platform& platform() { return *platform_; }

 private:
  std::unique_ptr<Platform> platform_;
};

// The context the game's accessors answer from (nullptr before start-up and after shutdown).
// Switched only on the logic thread, between frames.
OnlineContext* CurrentContext();
void SetCurrentContext(OnlineContext* context);

// What the platform starts from. No service is configured yet (the service client comes with the
// lobby service), which gives the offline backend.
struct PlatformConfig {
  std::string personaName;  // the profile's name, CP932; "" when there is no profile
};

// The platform's start: never fails for lack of a service.
std::unique_ptr<Platform> CreatePlatform(const PlatformConfig& config);

}  // namespace vt::online
