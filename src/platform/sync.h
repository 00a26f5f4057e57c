// Thread primitives of the platform layer: an auto-reset event whose waits can end on quit.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vt::platform {

// An event that releases one waiter and resets itself (the game's auto-reset events).
class AutoResetEvent {
 public:
  void Set();
  // Waits up to timeoutMs (negative = no limit); true when the event was set.
  bool Wait(int64_t timeoutMs = -1);
  // Waits until set or until *cancel becomes true; true when the event was set.
  bool WaitOrCancel(const std::atomic<bool>& cancel, int64_t pollMs = 10);

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool signalled_ = false;
};

}  // namespace vt::platform
