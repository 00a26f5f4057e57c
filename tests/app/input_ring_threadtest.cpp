// The typed-character ring: what it stores and drops, and one writer against one reader.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/input/key_input_ring.h"

namespace {
std::string Drain(KeyInputRing& ring) {
  std::string s;
  while (ring.Count()) s += ring.Pop();
  return s;
}
}  // namespace

TEST(KeyInputRing, StoresPrintableWithoutBackslashAndKeeps255) {
  KeyInputRing ring;
  ring.Push('a');
  EXPECT_EQ(ring.Count(), 0u);  // disabled
  ring.SetEnabled(true);
  for (char c : std::string("a\\b\x1f\x7f~ \tz")) ring.Push(c);
  EXPECT_EQ(Drain(ring), "ab~ z");
  for (int i = 0; i < 256; ++i) ring.Push(static_cast<char>('0' + i % 10));
  EXPECT_EQ(ring.Count(), 255u);
  std::string s = Drain(ring);
  ASSERT_EQ(s.size(), 255u);
  EXPECT_EQ(s.back(), '0' + 254 % 10);
  ring.Push('x');
  ring.Push('y');
  ring.Clear();
  EXPECT_EQ(ring.Count(), 0u);
  ring.Push('q');
  EXPECT_EQ(Drain(ring), "q");
}

// A producer types far more than the ring holds, waiting while it is full; the consumer reads
// concurrently. Everything except the backslashes arrives, in order.
TEST(KeyInputRing, ProducerAndConsumerThreads) {
  KeyInputRing ring;
  ring.SetEnabled(true);
  std::string typed;
  for (int i = 0; i < 20000; ++i) typed += static_cast<char>(0x20 + i % 95);
  std::string expected;
  for (char c : typed) {
    if (c != '\\') expected += c;
  }
  std::thread producer([&] {
    for (char c : typed) {
      while (ring.Count() >= 255) std::this_thread::yield();
      ring.Push(c);
    }
  });
  std::string got;
  while (got.size() < expected.size()) {
    if (ring.Count())
      got += ring.Pop();
    else
      std::this_thread::yield();
  }
  producer.join();
  EXPECT_EQ(got, expected);
}

// Clear racing with pushes never yields a torn or reordered character.
TEST(KeyInputRing, ClearWhilePushing) {
  KeyInputRing ring;
  ring.SetEnabled(true);
  std::atomic<bool> done{false};
  std::thread producer([&] {
    for (int i = 0; i < 50000; ++i) ring.Push(static_cast<char>('a' + i % 26));
    done = true;
  });
  char last = 0;
  int outOfOrder = 0;
  while (!done) {
    if (ring.Count() > 100) ring.Clear();
    if (char c = ring.Pop()) {
      if (c < 'a' || c > 'z') ++outOfOrder;
      last = c;
    }
  }
  producer.join();
  (void)last;
  EXPECT_EQ(outOfOrder, 0);
}
