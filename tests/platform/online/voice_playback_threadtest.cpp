// A talker's voice submitted to and released on the logic thread while another thread mixes:
// release returns within its bound and no notice reaches the owner after it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/online/voice_playback.h"

namespace vt::online {
namespace {

TEST(MixerVoiceThreads, ReleasedWhileTheMixingThreadPlaysIt) {
  auto device = std::make_shared<audio::NullSoundDevice>();
  std::atomic<bool> stop{false};
  std::thread mixer([&] {
    while (!stop.load(std::memory_order_acquire)) device->Advance(64);
  });
  for (int round = 0; round < 50; ++round) {
    // Owned by the test: a notice after release would touch it after its end.
    auto owner = std::make_unique<std::atomic<int>>(0);
    std::atomic<bool> released{false};
    std::atomic<int> late{0};
    auto voice = MixerVoice::Create(device, 11000, [&, counter = owner.get()](uint64_t) {
      if (released.load(std::memory_order_acquire)) late.fetch_add(1);
      counter->fetch_add(1);
    });
    ASSERT_NE(voice, nullptr);
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(voice->Submit(std::vector<int16_t>(11, 100), i));
    std::this_thread::sleep_for(std::chrono::microseconds(50 * (round % 5)));
    const auto start = std::chrono::steady_clock::now();
    voice.reset();
    released.store(true, std::memory_order_release);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    // Let the mixer make a few more passes before the owner goes.
    const uint64_t mixed = device->framesMixed();
    while (device->framesMixed() < mixed + 256) std::this_thread::yield();
    EXPECT_EQ(late.load(), 0) << "round " << round;
  }
  stop.store(true, std::memory_order_release);
  mixer.join();
}

}  // namespace
}  // namespace vt::online
