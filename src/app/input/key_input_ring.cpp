// The typed-character ring.
#include "app/input/key_input_ring.h"

void KeyInputRing::Push(char ch) {
  if (!IsEnabled()) return;
  if (ch < 0x20 || ch > 0x7E || ch == '\\') return;
  const uint32_t w = write_.load(std::memory_order_relaxed);
  const uint32_t next = (w + 1) % kSize;
  if (next == read_.load(std::memory_order_acquire)) return;  // full: dropped
  chars_[w] = ch;
  write_.store(next, std::memory_order_release);
}

uint32_t KeyInputRing::Count() const {
  const uint32_t w = write_.load(std::memory_order_acquire);
  const uint32_t r = read_.load(std::memory_order_relaxed);
  return (w + kSize - r) % kSize;
}

char KeyInputRing::Pop() {
  const uint32_t r = read_.load(std::memory_order_relaxed);
  if (r == write_.load(std::memory_order_acquire)) return 0;
  const char ch = chars_[r];
  read_.store((r + 1) % kSize, std::memory_order_release);
  return ch;
}

void KeyInputRing::Clear() { read_.store(write_.load(std::memory_order_acquire), std::memory_order_release); }

KeyInputRing& GetKeyInputRing() {
  static KeyInputRing ring;
  return ring;
}
