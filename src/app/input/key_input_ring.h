// The ring of typed characters: the window thread pushes what the player types, the online
// text entry reads it on the logic thread. One writer, one reader, no lock: each side owns one
// index and publishes it with release ordering.
#pragma once

#include <atomic>
#include <cstdint>

class KeyInputRing {
 public:
  static constexpr uint32_t kSize = 256;

  // Window thread. Stores printable ASCII except the backslash while enabled; the ring holds at
  // most 255 characters and drops a character that finds it full.
  void Push(char ch);
  // Logic thread: the number of characters waiting, and the next one (0 when empty).
  uint32_t Count() const;
  char Pop();
  // Logic thread: forgets everything typed so far. It only moves the read index up to the
  // write index, so a push racing with it is either kept whole or dropped whole.
  void Clear();

  void SetEnabled(bool enabled) { enabled_.store(enabled ? 1 : 0, std::memory_order_release); }
  bool IsEnabled() const { return enabled_.load(std::memory_order_acquire) != 0; }

 private:
  char chars_[kSize] = {};
  std::atomic<uint32_t> read_{0};
  std::atomic<uint32_t> write_{0};
  std::atomic<int32_t> enabled_{0};
};

// The process-wide ring, created on first use.
KeyInputRing& GetKeyInputRing();
