// Auto-reset event on a mutex and condition variable.
#include "platform/sync.h"

#include <chrono>

namespace vt::platform {

void AutoResetEvent::Set() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = true;
  }
  cv_.notify_one();
}

bool AutoResetEvent::Wait(int64_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (timeoutMs < 0) {
    cv_.wait(lock, [this] { return signalled_; });
  } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; })) {
    return false;
  }
  signalled_ = false;
  return true;
}

bool AutoResetEvent::WaitOrCancel(const std::atomic<bool>& cancel, int64_t pollMs) {
  while (!cancel.load(std::memory_order_acquire)) {
    if (Wait(pollMs)) return true;
  }
  return false;
}

}  // namespace vt::platform
