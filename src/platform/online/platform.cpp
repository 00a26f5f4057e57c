// The parts of a platform every backend shares: its shutdown and its warnings.
#include "platform/online/platform.h"

#include <cstdio>

namespace vt::online {

void Platform::shutdown() { dispatcher_.clear(); }

void Platform::setWarningHook(WarningHook hook) {
  std::lock_guard<std::mutex> guard(warningMutex_);
  warningHook_ = std::move(hook);
}

void Platform::warning(int severity, const char* text) {
  WarningHook hook;
  {
    std::lock_guard<std::mutex> guard(warningMutex_);
    hook = warningHook_;
  }
  if (hook) {
    hook(severity, text);
  } else {
    std::fprintf(stderr, "online warning %d: %s\n", severity, text);
  }
}

}  // namespace vt::online
